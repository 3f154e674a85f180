#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Classes.h"
#include "DateUtils.h"

class TJvCustomAppStorage;
class TJvTranslateString;

using TJvTranslateStringCommandEvent = std::function<void(
    TJvTranslateString& Sender, const std::string& Command, bool& Changed, std::string& Value)>;

// The sizes "%SCREENSIZE%" (the primary screen) and "%DESKTOPSIZE%" (the virtual desktop)
// stand for, in pixels.
struct TJvDisplaySize {
  int Width = 0;
  int Height = 0;
};
struct TJvDisplaySizes {
  TJvDisplaySize Screen;
  TJvDisplaySize Desktop;
};
using TJvDisplaySizesSource = TJvDisplaySizes (*)();
// The storage knows no display of its own: the program names, at start, where the sizes come
// from. Until then both read 0x0.
void SetDisplaySizesSource(TJvDisplaySizesSource source);

// Separator value that leaves the standard separator in place.
constexpr char NoSeparatorChange = '\xFF';

// Expands macros such as "%EXENAME%" or "%DATE%" in file names. Version information comes
// from the build settings; where the build gives none, a placeholder is used without asking.
class TJvTranslateString : public TComponent {
 public:
  explicit TJvTranslateString(TComponent* AOwner);

  // Known commands between the delimiters are replaced by their value; unknown ones are kept
  // as text, and a left delimiter without a right one is copied as it stands.
  std::string TranslateString(const std::string& InString);

  const std::string& DateFormat() const { return FDateFormat; }
  void SetDateFormat(std::string value) { FDateFormat = std::move(value); }
  char DateSeparator() const { return FDateSeparator; }
  void SetDateSeparator(char value) { FDateSeparator = value; }
  const std::string& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(std::string value) { FDateTimeFormat = std::move(value); }
  const std::string& LeftDelimiter() const { return FLeftDelimiter; }
  void SetLeftDelimiter(std::string value) { FLeftDelimiter = std::move(value); }
  const std::string& RightDelimiter() const { return FRightDelimiter; }
  void SetRightDelimiter(std::string value) { FRightDelimiter = std::move(value); }
  const std::string& TimeFormat() const { return FTimeFormat; }
  void SetTimeFormat(std::string value) { FTimeFormat = std::move(value); }
  char TimeSeparator() const { return FTimeSeparator; }
  void SetTimeSeparator(char value) { FTimeSeparator = value; }
  void SetOnProcessCommand(TJvTranslateStringCommandEvent handler) {
    FOnProcessCommand = std::move(handler);
  }

  // value formatted with format ("dd", "mm", "yyyy", "hh", "nn", "ss", "zzz" ...), "/" and ":"
  // standing for this translator's separators.
  std::string FormatDateTime(const std::string& format, TDateTime value) const;

 protected:
  ~TJvTranslateString() override;

 private:
  friend class TJvCustomAppStorage;

  std::optional<std::string> CommandValue(const std::string& command);
  std::string FormNameOrCaption(bool caption) const;
  void AddUser(TJvCustomAppStorage* storage);
  void RemoveUser(TJvCustomAppStorage* storage);

  std::optional<std::string> FAppName;
  std::optional<std::string> FCompanyName;
  std::optional<std::string> FFileVersion;
  std::optional<std::string> FProductVersion;
  std::string FDateFormat = "dd_mm_yyyy";
  char FDateSeparator = NoSeparatorChange;
  char FTimeSeparator = NoSeparatorChange;
  std::string FDateTimeFormat = "dd_mm_yyyy hh_nn_ss";
  std::string FLeftDelimiter = "%";
  std::string FRightDelimiter = "%";
  std::string FTimeFormat = "hh_nn_ss";
  TJvTranslateStringCommandEvent FOnProcessCommand;
  // Storages that use this translator as their external one; they forget it when it goes.
  std::vector<TJvCustomAppStorage*> FUsers;
};

#include "JvAppStorageTranslate.h"

#include <algorithm>

#include "FileUtils.h"
#include "JvAppStorage.h"
#include "JvAppStorageDateFormat.h"
#include "PublishedProps.h"
#include "SysUtils.h"
#include "SystemFolders.h"

// Version information of the program, set by the build; empty when the build sets none.
#ifndef CORVANE_PRODUCT_NAME
#define CORVANE_PRODUCT_NAME ""
#endif
#ifndef CORVANE_COMPANY_NAME
#define CORVANE_COMPANY_NAME ""
#endif
#ifndef CORVANE_FILE_VERSION
#define CORVANE_FILE_VERSION ""
#endif
#ifndef CORVANE_PRODUCT_VERSION
#define CORVANE_PRODUCT_VERSION ""
#endif

namespace {

constexpr const char* PlaceholderVersion = "0.0.0.0";
constexpr const char* PlaceholderCompany = "MyCompany";

std::string ProgramNameWithoutExtension() {
  const std::string name = ExtractFileName(ProgramFileName());
  return name.substr(0, name.size() - ExtractFileExt(name).size());
}

// A version-information value, or the placeholder when the build gives none. The program has
// no one to ask, so the placeholder is taken silently.
std::string VersionValue(const char* buildValue, const std::string& placeholder) {
  return *buildValue ? std::string(buildValue) : placeholder;
}

TJvDisplaySizesSource DisplaySizesSource = nullptr;

std::string SizeText(TJvDisplaySize TJvDisplaySizes::*which) {
  const TJvDisplaySize size = DisplaySizesSource ? DisplaySizesSource().*which : TJvDisplaySize{};
  return Format("%dx%d", size.Width, size.Height);
}

// Forms are known by their published class, so the storage needs no windowing code.
bool IsForm(const TComponent& component) {
  for (const TPublishedClass* info = component.ClassInfo(); info; info = info->Parent)
    if (info->Name == "TForm") return true;
  return false;
}

std::string FormCaption(const TComponent& form) {
  const TPropInfo* caption = GetPropInfo(form, "Caption");
  return caption ? std::get<std::string>(caption->Get(form)) : "";
}

std::string CachedValue(std::optional<std::string>& cache,
                        const std::function<std::string()>& fetch) {
  if (!cache) cache = fetch();
  return *cache;
}

}  // namespace

void SetDisplaySizesSource(TJvDisplaySizesSource source) {
  DisplaySizesSource = source;
}

TJvTranslateString::TJvTranslateString(TComponent* AOwner) : TComponent(AOwner) {}

TJvTranslateString::~TJvTranslateString() {
  for (TJvCustomAppStorage* storage : std::vector(FUsers))
    storage->SetTranslateStringEngine(nullptr);
}

void TJvTranslateString::AddUser(TJvCustomAppStorage* storage) {
  if (std::find(FUsers.begin(), FUsers.end(), storage) == FUsers.end()) FUsers.push_back(storage);
}

void TJvTranslateString::RemoveUser(TJvCustomAppStorage* storage) {
  std::erase(FUsers, storage);
}

std::string TJvTranslateString::TranslateString(const std::string& InString) {
  std::string result;
  size_t pos = 0;
  // The closing delimiter of an unknown command opens the next scan; if nothing closes that
  // one, it is dropped ("a%foo%b" gives "afoob") while a lone delimiter stays ("50%").
  size_t reusedDelimiter = std::string::npos;
  while (pos < InString.size()) {
    const size_t left =
        FLeftDelimiter.empty() ? std::string::npos : InString.find(FLeftDelimiter, pos);
    if (left == std::string::npos) break;
    result.append(InString, pos, left - pos);
    const size_t commandStart = left + FLeftDelimiter.size();
    const size_t right =
        FRightDelimiter.empty() ? std::string::npos : InString.find(FRightDelimiter, commandStart);
    if (right == std::string::npos) {
      pos = left == reusedDelimiter ? commandStart : left;
      break;
    }
    const std::string command = InString.substr(commandStart, right - commandStart);
    if (const std::optional<std::string> value = CommandValue(command)) {
      result += *value;
      pos = right + FRightDelimiter.size();
    } else {
      result += command;
      pos = reusedDelimiter = right;
    }
  }
  if (pos < InString.size()) result.append(InString, pos);
  return result;
}

std::optional<std::string> TJvTranslateString::CommandValue(const std::string& command) {
  const std::string name = AsciiUpperCase(TrimBlanks(command));
  const TDateTime now = Now();
  std::optional<std::string> value;
  if (name == "APPL_NAME")
    value = CachedValue(
        FAppName, [] { return VersionValue(CORVANE_PRODUCT_NAME, ProgramNameWithoutExtension()); });
  else if (name == "COMPANY_NAME")
    value = CachedValue(FCompanyName,
                        [] { return VersionValue(CORVANE_COMPANY_NAME, PlaceholderCompany); });
  else if (name == "FILEVERSION")
    value = CachedValue(FFileVersion,
                        [] { return VersionValue(CORVANE_FILE_VERSION, PlaceholderVersion); });
  else if (name == "PRODUCTVERSION")
    value = CachedValue(FProductVersion,
                        [] { return VersionValue(CORVANE_PRODUCT_VERSION, PlaceholderVersion); });
  else if (name == "DATE")
    value = FormatDateTime(FDateFormat, now);
  else if (name == "TIME")
    value = FormatDateTime(FTimeFormat, now);
  else if (name == "DATETIME")
    value = FormatDateTime(FDateTimeFormat, now);
  else if (name == "EXENAME")
    value = ProgramFileName();
  else if (name == "FILENAME")
    value = ProgramNameWithoutExtension();
  else if (name == "FULLDIREXE")
    value = ProgramFolder();
  else if (name == "FORMNAME")
    value = FormNameOrCaption(false);
  else if (name == "FORMCAPTION")
    value = FormNameOrCaption(true);
  else if (name == "SCREENSIZE")
    value = SizeText(&TJvDisplaySizes::Screen);
  else if (name == "DESKTOPSIZE")
    value = SizeText(&TJvDisplaySizes::Desktop);
  if (FOnProcessCommand) {
    bool changed = value.has_value();
    std::string text = value.value_or("");
    FOnProcessCommand(*this, command, changed, text);
    value = changed ? std::optional(text) : std::nullopt;
  }
  return value;
}

std::string TJvTranslateString::FormNameOrCaption(bool caption) const {
  for (TComponent* owner = Owner(); owner; owner = owner->Owner())
    if (IsForm(*owner)) return caption ? FormCaption(*owner) : owner->Name();
  return "";
}

std::string TJvTranslateString::FormatDateTime(const std::string& format, TDateTime value) const {
  TDateTimePattern pattern{format};
  if (FDateSeparator != NoSeparatorChange) pattern.DateSeparator = FDateSeparator;
  if (FTimeSeparator != NoSeparatorChange) pattern.TimeSeparator = FTimeSeparator;
  return FormatDateTimeText(pattern, value);
}

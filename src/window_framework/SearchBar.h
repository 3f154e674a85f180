#pragma once

#include <functional>
#include <string>

#include "WidgetControl.h"

// Sender, and whether the previous match is wanted rather than the next.
using TSearchStepEvent = std::function<void(TObject* Sender, bool backwards)>;

// A slim bar with a search field and a line of status beside it, meant to be aligned to an
// edge. Enter asks for the next match, Shift+Enter for the previous one, Escape cancels.
class TSearchBar : public TWidgetControl {
 public:
  using TWidgetControl::TWidgetControl;

  const std::string& Text() const { return FText; }
  // Raises OnChange when the text differs, as typing does.
  void SetText(std::string text);
  // What the field is for: shown in it while it is empty, and its name for screen readers.
  void SetFieldName(std::string name);
  const std::string& Status() const { return FStatus; }
  void SetStatus(std::string status);
  // Puts the keyboard focus into the search field with its text selected.
  void FocusText();

  // As the keys in the search field do.
  void Step(bool backwards);
  void Cancel();

  TNotifyEvent OnChange;
  TSearchStepEvent OnStep;
  TNotifyEvent OnCancel;

 protected:
  GtkWidget* CreateContent() override;
  void CreateWnd() override;

 private:
  friend struct TSearchBarSignals;
  void TextEdited(std::string text);
  void ShowFieldName();

  std::string FText;
  std::string FFieldName;
  std::string FStatus;
  GtkWidget* FEntry = nullptr;
  GtkWidget* FStatusLabel = nullptr;
};

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "WidgetControl.h"

struct TInfoBarButton {
  std::string Caption;
  std::function<void()> OnClick;
};

// A slim bar that tells about work going on beside the window's content: one line of text, an
// optional progress bar, action buttons and a close button. Its height is the one its widgets
// need; it is meant to be aligned to an edge and shown only while it has something to say.
class TInfoBar : public TWidgetControl {
 public:
  using TWidgetControl::TWidgetControl;

  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message);
  // A fraction from 0 to 1 shows the progress bar filled that far; none hides it.
  std::optional<double> Progress() const { return FProgress; }
  void SetProgress(std::optional<double> fraction);
  // Replaces the action buttons, shown in this order after the text.
  void SetButtons(std::vector<TInfoBarButton> buttons);
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  const std::string& ButtonCaption(int index) const {
    return FButtons.at(static_cast<size_t>(index)).Caption;
  }
  // As if the user pressed the button.
  void ClickButton(int index);
  // Hides the bar, then raises OnClose, as the close button does.
  void CloseBar();

  TNotifyEvent OnClose;

 protected:
  GtkWidget* CreateContent() override;
  void CreateWnd() override;

 private:
  void ShowMessage();
  void ShowProgress();
  void ShowButtons();

  std::string FMessage;
  std::optional<double> FProgress;
  std::vector<TInfoBarButton> FButtons;
  GtkWidget* FLabel = nullptr;
  GtkWidget* FProgressBar = nullptr;
  GtkWidget* FButtonBox = nullptr;
};

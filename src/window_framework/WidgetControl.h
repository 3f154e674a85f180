#pragma once

#include "Controls.h"

// A control that shows one GTK widget of its own making, filling its client area.
class TWidgetControl : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  // Makes the widget; called once, when the control's window is created.
  virtual GtkWidget* CreateContent() = 0;
  // The widget, nullptr before the control's window exists.
  GtkWidget* Content() const { return FContent; }
  void CreateWnd() override;
  void Resize() override;
  // Makes the control as tall as its widget would like to be.
  void FitHeightToContent();

 private:
  void PlaceContent();

  GtkWidget* FContent = nullptr;
};

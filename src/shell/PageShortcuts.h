#pragma once

#include "Classes.h"
#include "FindBar.h"
#include "JvFormPlacement.h"
#include "cefvcl.h"

// What the window does for a key that the page left alone.
enum TPageCommand { pcNone, pcFind, pcPrint, pcZoomIn, pcZoomOut, pcZoomReset };

// Ctrl+F, Ctrl+P, and Ctrl with plus, equal, minus or 0 of either the main keys or the keypad.
// The zoom keys go by their character, so Ctrl+plus counts whether it needs Shift or not.
TPageCommand PageCommandOf(const TCefKeyEvent& event);

// The main window's keys for the page: find, print and zoom, taken only when the page leaves
// them alone. Ctrl with the mouse wheel zooms too, ahead of the page, which would scroll on it.
// The zoom level is kept in the form storage once the user has zoomed, and given back to the
// page at the next start.
class TPageShortcuts : public TComponent {
 public:
  using TComponent::TComponent;

  // Takes the control's key and wheel events, until either of the two goes.
  void SetBrowserControl(TChromium* chromium);
  void SetFindBar(TFindBar* findBar);
  void SetFormStorage(TJvFormStorage* storage);

  // Runs command; false when it cannot be done now (no browser, or the runtime cannot).
  bool Run(TPageCommand command);
  // The stored zoom level applied to the page; 100% when the user never zoomed.
  void RestoreZoom();

  void ChromiumKeyEvent(TObject* Sender, const TRef<ICefBrowser>& browser,
                        const TCefKeyEvent* event, cef_event_handle_t osEvent, bool& Result);
  void ChromiumMouseWheel(TObject* Sender, int32_t modifiers, int notches, bool& Handled);

 protected:
  ~TPageShortcuts() override;
  void Notification(TComponent* AComponent) override;

 private:
  TRef<ICefBrowserHost> Host() const;
  void ZoomTo(ICefBrowserHost& host, double level);

  TChromium* FChromium = nullptr;
  TFindBar* FFindBar = nullptr;
  TJvFormStorage* FStorage = nullptr;
};

#pragma once

#include "Classes.h"
#include "FindBar.h"
#include "JvFormPlacement.h"
#include "cefvcl.h"

// What the window does for a key that the page left alone.
enum TPageCommand {
  pcNone,
  pcFind,
  pcPrint,
  pcZoomIn,
  pcZoomOut,
  pcZoomReset,
  pcReload,
  pcBack,
  pcForward
};

// Ctrl+F, Ctrl+P, and Ctrl with plus, equal, minus or 0 of either the main keys or the keypad.
// The zoom keys go by their character, so Ctrl+plus counts whether it needs Shift or not.
// F5 (also with Ctrl), Ctrl+R and the Reload key reload. Backspace is the page's.
TPageCommand PageCommandOf(const TCefKeyEvent& event);
// Alt+Left and Alt+Right, and the Back and Forward keys, move in the page's history; they are
// taken before the page sees them. WebKit spends Alt with an arrow on scrolling, so the page
// never leaves it alone; and a history move made after the page had the key loses the next key
// in WebKit.
TPageCommand PageCommandBeforePageOf(const TCefKeyEvent& event);

// The main window's keys for the page: find, print, zoom, reload and history, taken only when the
// page leaves them alone (the history keys excepted, see above). Ctrl with the mouse wheel zooms
// too, ahead of the page, which would scroll on it. The zoom level is kept in the form storage once
// the user has zoomed, and given back to the page at the next start.
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

  void ChromiumPreKeyEvent(TObject* Sender, const TRef<ICefBrowser>& browser,
                           const TCefKeyEvent* event, cef_event_handle_t osEvent,
                           bool& isKeyboardShortcut, bool& Result);
  void ChromiumKeyEvent(TObject* Sender, const TRef<ICefBrowser>& browser,
                        const TCefKeyEvent* event, cef_event_handle_t osEvent, bool& Result);
  void ChromiumMouseWheel(TObject* Sender, int32_t modifiers, int notches, bool& Handled);

 protected:
  ~TPageShortcuts() override;
  void Notification(TComponent* AComponent) override;

 private:
  TRef<ICefBrowserHost> Host() const;
  bool MoveInHistory(TPageCommand command);
  void ZoomTo(ICefBrowserHost& host, double level);

  TChromium* FChromium = nullptr;
  TFindBar* FFindBar = nullptr;
  TJvFormStorage* FStorage = nullptr;
};

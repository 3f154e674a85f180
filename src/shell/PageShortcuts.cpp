#include "PageShortcuts.h"

#include "PageZoom.h"

namespace {

constexpr char kZoomLevelName[] = "ZoomLevel";
constexpr int kOtherModifiers = EVENTFLAG_ALT_DOWN | EVENTFLAG_COMMAND_DOWN;

bool IsPress(const TCefKeyEvent& event) {
  return event.type_ == KEYEVENT_RAWKEYDOWN || event.type_ == KEYEVENT_KEYDOWN;
}

TPageCommand LetterCommand(int32_t keyCode) {
  switch (keyCode) {
    case 'F':
      return pcFind;
    case 'P':
      return pcPrint;
    default:
      return pcNone;
  }
}

TPageCommand ZoomCommand(char16_t character) {
  switch (character) {
    case u'+':
    case u'=':
      return pcZoomIn;
    case u'-':
      return pcZoomOut;
    case u'0':
      return pcZoomReset;
    default:
      return pcNone;
  }
}

double ZoomLevelAfter(TPageCommand command, double level) {
  if (command == pcZoomIn) return ZoomLevelIn(level);
  if (command == pcZoomOut) return ZoomLevelOut(level);
  return kDefaultZoomLevel;
}

}  // namespace

TPageCommand PageCommandOf(const TCefKeyEvent& event) {
  if (!IsPress(event) || !(event.modifiers & EVENTFLAG_CONTROL_DOWN) ||
      (event.modifiers & kOtherModifiers))
    return pcNone;
  if (const TPageCommand zoom = ZoomCommand(event.character); zoom != pcNone) return zoom;
  if (event.modifiers & EVENTFLAG_SHIFT_DOWN) return pcNone;
  return LetterCommand(event.windows_key_code);
}

TPageShortcuts::~TPageShortcuts() {
  if (!FChromium) return;
  FChromium->OnKeyEvent = nullptr;
  FChromium->OnMouseWheel = nullptr;
}

void TPageShortcuts::SetBrowserControl(TChromium* chromium) {
  FChromium = chromium;
  FChromium->FreeNotification(this);
  FChromium->OnKeyEvent = MethodEvent(this, &TPageShortcuts::ChromiumKeyEvent);
  FChromium->OnMouseWheel = MethodEvent(this, &TPageShortcuts::ChromiumMouseWheel);
}

void TPageShortcuts::SetFindBar(TFindBar* findBar) {
  FFindBar = findBar;
  FFindBar->FreeNotification(this);
}

void TPageShortcuts::SetFormStorage(TJvFormStorage* storage) {
  FStorage = storage;
  FStorage->FreeNotification(this);
}

void TPageShortcuts::Notification(TComponent* AComponent) {
  TComponent::Notification(AComponent);
  if (AComponent == FChromium) FChromium = nullptr;
  if (AComponent == FFindBar) FFindBar = nullptr;
  if (AComponent == FStorage) FStorage = nullptr;
}

TRef<ICefBrowserHost> TPageShortcuts::Host() const {
  return FChromium ? FChromium->BrowserHost() : nullptr;
}

void TPageShortcuts::ChromiumKeyEvent(TObject*, const TRef<ICefBrowser>&, const TCefKeyEvent* event,
                                      cef_event_handle_t, bool& Result) {
  if (event) Result = Run(PageCommandOf(*event));
}

void TPageShortcuts::ChromiumMouseWheel(TObject*, int32_t modifiers, int notches, bool& Handled) {
  if (!(modifiers & EVENTFLAG_CONTROL_DOWN)) return;
  Handled = true;
  for (; notches > 0; --notches) Run(pcZoomIn);
  for (; notches < 0; ++notches) Run(pcZoomOut);
}

bool TPageShortcuts::Run(TPageCommand command) {
  const TRef<ICefBrowserHost> host = Host();
  switch (command) {
    case pcFind:
      return FFindBar && FFindBar->Open();
    case pcPrint:
      return PrintPage(host);
    case pcZoomIn:
    case pcZoomOut:
    case pcZoomReset:
      if (!host) return false;
      ZoomTo(*host, ZoomLevelAfter(command, host->get_zoom_level()));
      return true;
    default:
      return false;
  }
}

// Written only when the user zooms, so a configuration of someone who never did stays as it was.
void TPageShortcuts::ZoomTo(ICefBrowserHost& host, double level) {
  host.set_zoom_level(level);
  if (FStorage) FStorage->WriteFloat(kZoomLevelName, level);
}

// The stored level may be anything a hand or a broken disk made of it.
void TPageShortcuts::RestoreZoom() {
  const TRef<ICefBrowserHost> host = Host();
  if (!host || !FStorage) return;
  const double level = RestorableZoomLevel(FStorage->ReadFloat(kZoomLevelName, kDefaultZoomLevel));
  if (level != kDefaultZoomLevel) host->set_zoom_level(level);  // a new page starts at 100%
}

#include "PageShortcuts.h"

#include "PageZoom.h"

namespace {

constexpr char kZoomLevelName[] = "ZoomLevel";
constexpr int kOtherModifiers = EVENTFLAG_ALT_DOWN | EVENTFLAG_COMMAND_DOWN;
constexpr int kHeldModifiers =
    EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_ALT_DOWN | EVENTFLAG_COMMAND_DOWN;

// Virtual key codes of the reload and history keys.
constexpr int32_t kLeftKey = 0x25;
constexpr int32_t kRightKey = 0x27;
constexpr int32_t kF5Key = 0x74;
constexpr int32_t kBackKey = 0xA6;
constexpr int32_t kForwardKey = 0xA7;
constexpr int32_t kReloadKey = 0xA8;

bool IsPress(const TCefKeyEvent& event) {
  return event.type_ == KEYEVENT_RAWKEYDOWN || event.type_ == KEYEVENT_KEYDOWN;
}

TPageCommand LetterCommand(int32_t keyCode) {
  switch (keyCode) {
    case 'F':
      return pcFind;
    case 'P':
      return pcPrint;
    case 'R':
      return pcReload;
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

TPageCommand BrowsingCommand(int32_t keyCode, int32_t held) {
  switch (keyCode) {
    case kF5Key:
    case kReloadKey:
      return (held & ~EVENTFLAG_CONTROL_DOWN) == 0 ? pcReload : pcNone;
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
  if (!IsPress(event)) return pcNone;
  const TPageCommand browsing =
      BrowsingCommand(event.windows_key_code, event.modifiers & kHeldModifiers);
  if (browsing != pcNone) return browsing;
  if (!(event.modifiers & EVENTFLAG_CONTROL_DOWN) || (event.modifiers & kOtherModifiers))
    return pcNone;
  if (const TPageCommand zoom = ZoomCommand(event.character); zoom != pcNone) return zoom;
  if (event.modifiers & EVENTFLAG_SHIFT_DOWN) return pcNone;
  return LetterCommand(event.windows_key_code);
}

TPageCommand PageCommandBeforePageOf(const TCefKeyEvent& event) {
  if (!IsPress(event)) return pcNone;
  const int32_t held = event.modifiers & kHeldModifiers;
  switch (event.windows_key_code) {
    case kBackKey:
      return held == 0 ? pcBack : pcNone;
    case kForwardKey:
      return held == 0 ? pcForward : pcNone;
    case kLeftKey:
      return held == EVENTFLAG_ALT_DOWN ? pcBack : pcNone;
    case kRightKey:
      return held == EVENTFLAG_ALT_DOWN ? pcForward : pcNone;
    default:
      return pcNone;
  }
}

TPageShortcuts::~TPageShortcuts() {
  if (!FChromium) return;
  FChromium->OnPreKeyEvent = nullptr;
  FChromium->OnKeyEvent = nullptr;
  FChromium->OnMouseWheel = nullptr;
}

void TPageShortcuts::SetBrowserControl(TChromium* chromium) {
  FChromium = chromium;
  FChromium->FreeNotification(this);
  FChromium->OnPreKeyEvent = MethodEvent(this, &TPageShortcuts::ChromiumPreKeyEvent);
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

void TPageShortcuts::ChromiumPreKeyEvent(TObject*, const TRef<ICefBrowser>&,
                                         const TCefKeyEvent* event, cef_event_handle_t, bool&,
                                         bool& Result) {
  if (event) Result = Run(PageCommandBeforePageOf(*event));
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
    case pcReload:
    case pcBack:
    case pcForward:
      return MoveInHistory(command);
    default:
      return false;
  }
}

// A step the history does not have leaves the key to whoever else wants it.
bool TPageShortcuts::MoveInHistory(TPageCommand command) {
  const TRef<ICefBrowser> browser = FChromium ? FChromium->Browser() : nullptr;
  if (!browser) return false;
  if (command == pcReload) {
    browser->reload();
  } else if (command == pcBack) {
    if (!browser->can_go_back()) return false;
    browser->go_back();
  } else {
    if (!browser->can_go_forward()) return false;
    browser->go_forward();
  }
  return true;
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

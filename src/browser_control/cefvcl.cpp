#include "cefvcl.h"

#include <gtk/gtk.h>

#include <iterator>
#include <utility>

#include "Application.h"
#include "ClientArea.h"

namespace {

// A child window that is visible, clips its children and siblings and takes part in tabbing.
constexpr uint32_t kBrowserWindowStyle = 0x56010000;

bool IsUsableWindow(cef_window_handle_t window) {
  return window && window != reinterpret_cast<cef_window_handle_t>(~uintptr_t{0});
}

// Runs after the focus event has been handled, as a posted message would.
gboolean GrabFocusWhenIdle(gpointer widget) {
  CallGuarded(nullptr, [widget] {
    if (gtk_widget_get_parent(GTK_WIDGET(widget))) gtk_widget_grab_focus(GTK_WIDGET(widget));
  });
  return G_SOURCE_REMOVE;
}

void DrawChild(GtkWidget* child, gpointer context) {
  auto& [container, cr] = *static_cast<std::pair<GtkWidget*, cairo_t*>*>(context);
  gtk_container_propagate_draw(GTK_CONTAINER(container), child, cr);
}

bool IsArrowKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Left:
    case GDK_KEY_Up:
    case GDK_KEY_Right:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Left:
    case GDK_KEY_KP_Up:
    case GDK_KEY_KP_Right:
    case GDK_KEY_KP_Down:
      return true;
    default:
      return false;
  }
}

int32_t ModifiersOf(guint state) {
  int32_t modifiers = 0;
  if (state & GDK_SHIFT_MASK) modifiers |= EVENTFLAG_SHIFT_DOWN;
  if (state & GDK_CONTROL_MASK) modifiers |= EVENTFLAG_CONTROL_DOWN;
  if (state & GDK_MOD1_MASK) modifiers |= EVENTFLAG_ALT_DOWN;
  return modifiers;
}

}  // namespace

// GTK signal handlers of the control's own widget.
struct TChromiumWindowSignals {
  static gboolean FocusIn(GtkWidget*, GdkEvent*, gpointer self) {
    auto* control = static_cast<TCustomChromium*>(self);
    CallGuarded(control, [control] { control->PassFocusToBrowser(); });
    return FALSE;
  }

  // While a browser covers the control nothing of the control itself is painted, only its
  // children; before that the background shows as usual.
  static gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    if (!static_cast<TCustomChromium*>(self)->FBrowser) return FALSE;
    std::pair<GtkWidget*, cairo_t*> context{widget, cr};
    gtk_container_forall(GTK_CONTAINER(widget), DrawChild, &context);
    return TRUE;
  }

  // Keys the page left unhandled stop here, so Tab, Enter and Escape never move the focus or
  // activate anything in the window; the arrow keys keep the window's treatment. Keys of the
  // engine's own widgets inside the browser (its dialog boxes and their fields) are not the
  // page's: they need the window's Tab, Enter and Escape handling as in any dialog.
  static gboolean KeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self) {
    if (IsArrowKey(event->keyval)) return FALSE;
    auto* control = static_cast<TCustomChromium*>(self);
    return CallGuarded(control, gboolean(TRUE),
                       [&] { return gboolean(!control->FocusIsInEngineWidget(widget)); });
  }

  // On the browser's own widget, ahead of the page: the engine scrolls a page on Ctrl+wheel
  // too, so waiting for what it leaves would zoom only a page that cannot scroll.
  static gboolean Scroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
    auto* control = static_cast<TCustomChromium*>(self);
    return CallGuarded(control, gboolean(FALSE),
                       [&] { return gboolean(control->WheelTurned(*event)); });
  }
};

TCustomChromium::TCustomChromium(TComponent* AOwner)
    : TWinControl(AOwner),
      FHandler(new TVCLClientHandler(this)),
      FDefaultUrl(u"about:blank"),
      FOptions(std::make_unique<TChromiumOptions>()),
      FFontOptions(std::make_unique<TChromiumFontOptions>()) {}

TCustomChromium::~TCustomChromium() {
  DestroyBrowserLink();
}

void TCustomChromium::DestroyBrowserLink() noexcept {
  DisconnectWindowSignals();
  CallGuarded(this, [this] {
    if (!FBrowser) return;
    TRef<ICefBrowserHost> host = FBrowser->get_host();
    if (!host) return;
    // The runtime may keep the widget beyond this control.
    if (GtkWidget* window = host->get_window_handle(); IsUsableWindow(window))
      g_signal_handlers_disconnect_by_data(window, this);
    host->parent_window_will_close();
  });
  if (auto* clientHandler = dynamic_cast<ICefClientHandler*>(FHandler.get()))
    clientHandler->Disconnect();
  FHandler.reset();
  FBrowser.reset();
}

void TCustomChromium::Loaded() {
  TWinControl::Loaded();
  Load(FDefaultUrl);
}

void TCustomChromium::Load(const ustring& url) {
  HandleNeeded();
  if (!FBrowser) return;
  if (TRef<ICefFrame> mainFrame = FBrowser->get_main_frame()) mainFrame->load_url(url);
}

void TCustomChromium::CreateWnd() {
  TWinControl::CreateWnd();
  ConnectWindowSignals();
  CreateBrowser();
}

void TCustomChromium::CreateBrowser() {
  const TRect client = ClientRect();
  TCefWindowInfo windowInfo{};
  windowInfo.style = kBrowserWindowStyle;
  windowInfo.x = client.Left;
  windowInfo.y = client.Top;
  windowInfo.width = client.Width();
  windowInfo.height = client.Height();
  windowInfo.parent_window = Handle();
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  FillBrowserSettings(&settings);
  FBrowser = CreateRuntimeBrowser(windowInfo, FHandler, u"", settings);
  // A runtime that makes no browser leaves the control without one; every later step then
  // does nothing.
  FBrowserId = FBrowser ? FBrowser->get_identifier() : 0;
  if (GtkWidget* window = BrowserWindow())
    g_signal_connect(window, "scroll-event", G_CALLBACK(TChromiumWindowSignals::Scroll), this);
}

void TCustomChromium::ReCreateBrowser(const ustring& url) {
  if (!FBrowser || FBrowserId == 0) return;
  CloseBrowserWindow();
  FBrowserId = 0;
  FBrowser.reset();
  CreateBrowser();
  Load(url);
}

void TCustomChromium::CloseBrowserWindow() {
  TRef<ICefBrowserHost> host = FBrowser->get_host();
  if (!host) return;
  GtkWidget* window = host->get_window_handle();
  // Our own reference: the runtime may let go of the widget when told the parent closes.
  if (!IsUsableWindow(window)) window = nullptr;
  if (window) g_object_ref(window);
  host->parent_window_will_close();
  if (!window) return;
  gtk_widget_destroy(window);
  g_object_unref(window);
}

void TCustomChromium::Resize() {
  TWinControl::Resize();
  if (GtkWidget* window = BrowserWindow()) PlaceBrowserWindow(window);
}

TRef<ICefBrowserHost> TCustomChromium::BrowserHost() const {
  return FBrowser ? FBrowser->get_host() : nullptr;
}

GtkWidget* TCustomChromium::BrowserWindow() const {
  TRef<ICefBrowserHost> host = BrowserHost();
  GtkWidget* window = host ? host->get_window_handle() : nullptr;
  return IsUsableWindow(window) ? window : nullptr;
}

void TCustomChromium::PlaceBrowserWindow(GtkWidget* window) {
  GtkWidget* clientArea = ClientWidget();
  if (gtk_widget_get_parent(window) != clientArea) return;  // not ours to move
  const TRect client = ClientRect();
  gtk_widget_set_size_request(window, client.Width(), client.Height());
  ClientAreaPlace(clientArea, window, client);
}

bool TCustomChromium::FocusIsInEngineWidget(GtkWidget* widget) const {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GtkWidget* focus = GTK_IS_WINDOW(top) ? gtk_window_get_focus(GTK_WINDOW(top)) : nullptr;
  GtkWidget* browser = BrowserWindow();
  return focus && browser && focus != browser && gtk_widget_is_ancestor(focus, browser);
}

void TCustomChromium::PassFocusToBrowser() {
  if (GtkWidget* window = BrowserWindow())
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, GrabFocusWhenIdle, g_object_ref(window),
                    g_object_unref);
}

bool TCustomChromium::WheelTurned(const GdkEventScroll& event) {
  int notches = 0;
  if (event.direction == GDK_SCROLL_UP) notches = 1;
  if (event.direction == GDK_SCROLL_DOWN) notches = -1;
  if (event.direction == GDK_SCROLL_SMOOTH) {
    FWheelFraction -= event.delta_y;
    notches = static_cast<int>(FWheelFraction);
    FWheelFraction -= notches;
  }
  bool handled = false;
  if (notches != 0 && OnMouseWheel) OnMouseWheel(this, ModifiersOf(event.state), notches, handled);
  return handled;
}

void TCustomChromium::ConnectWindowSignals() {
  GtkWidget* widget = Handle();
  g_signal_connect(widget, "focus-in-event", G_CALLBACK(TChromiumWindowSignals::FocusIn), this);
  g_signal_connect(widget, "draw", G_CALLBACK(TChromiumWindowSignals::Draw), this);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(TChromiumWindowSignals::KeyPress), this);
}

void TCustomChromium::DisconnectWindowSignals() {
  if (HandleAllocated()) g_signal_handlers_disconnect_by_data(Handle(), this);
}

// ---- Browser settings -----------------------------------------------------------------------

namespace {

using TOptionField = std::pair<bool TChromiumOptions::*, TCefByteBool TCefBrowserSettings::*>;

// The options in the order of the settings record, both blocks.
constexpr TOptionField kOptionFields[] = {
    {&TChromiumOptions::EncodingDetectorEnabled, &TCefBrowserSettings::encoding_detector_enabled},
    {&TChromiumOptions::JavascriptDisabled, &TCefBrowserSettings::javascript_disabled},
    {&TChromiumOptions::JavascriptOpenWindowsDisallowed,
     &TCefBrowserSettings::javascript_open_windows_disallowed},
    {&TChromiumOptions::JavascriptCloseWindowsDisallowed,
     &TCefBrowserSettings::javascript_close_windows_disallowed},
    {&TChromiumOptions::JavascriptAccessClipboardDisallowed,
     &TCefBrowserSettings::javascript_access_clipboard_disallowed},
    {&TChromiumOptions::DomPasteDisabled, &TCefBrowserSettings::dom_paste_disabled},
    {&TChromiumOptions::CaretBrowsingEnabled, &TCefBrowserSettings::caret_browsing_enabled},
    {&TChromiumOptions::JavaDisabled, &TCefBrowserSettings::java_disabled},
    {&TChromiumOptions::PluginsDisabled, &TCefBrowserSettings::plugins_disabled},
    {&TChromiumOptions::UniversalAccessFromFileUrlsAllowed,
     &TCefBrowserSettings::universal_access_from_file_urls_allowed},
    {&TChromiumOptions::FileAccessFromFileUrlsAllowed,
     &TCefBrowserSettings::file_access_from_file_urls_allowed},
    {&TChromiumOptions::WebSecurityDisabled, &TCefBrowserSettings::web_security_disabled},
    {&TChromiumOptions::XssAuditorEnabled, &TCefBrowserSettings::xss_auditor_enabled},
    {&TChromiumOptions::ImageLoadDisabled, &TCefBrowserSettings::image_load_disabled},
    {&TChromiumOptions::ShrinkStandaloneImagesToFit,
     &TCefBrowserSettings::shrink_standalone_images_to_fit},
    {&TChromiumOptions::SiteSpecificQuirksDisabled,
     &TCefBrowserSettings::site_specific_quirks_disabled},
    {&TChromiumOptions::TextAreaResizeDisabled, &TCefBrowserSettings::text_area_resize_disabled},
    {&TChromiumOptions::PageCacheDisabled, &TCefBrowserSettings::page_cache_disabled},
    {&TChromiumOptions::TabToLinksDisabled, &TCefBrowserSettings::tab_to_links_disabled},
    {&TChromiumOptions::HyperlinkAuditingDisabled,
     &TCefBrowserSettings::hyperlink_auditing_disabled},
    {&TChromiumOptions::UserStyleSheetEnabled, &TCefBrowserSettings::user_style_sheet_enabled},
    {&TChromiumOptions::AuthorAndUserStylesDisabled,
     &TCefBrowserSettings::author_and_user_styles_disabled},
    {&TChromiumOptions::LocalStorageDisabled, &TCefBrowserSettings::local_storage_disabled},
    {&TChromiumOptions::DatabasesDisabled, &TCefBrowserSettings::databases_disabled},
    {&TChromiumOptions::ApplicationCacheDisabled, &TCefBrowserSettings::application_cache_disabled},
    {&TChromiumOptions::WebglDisabled, &TCefBrowserSettings::webgl_disabled},
    {&TChromiumOptions::AcceleratedCompositingDisabled,
     &TCefBrowserSettings::accelerated_compositing_disabled},
    {&TChromiumOptions::AcceleratedLayersDisabled,
     &TCefBrowserSettings::accelerated_layers_disabled},
    {&TChromiumOptions::Accelerated2dCanvasDisabled,
     &TCefBrowserSettings::accelerated_2d_canvas_disabled},
    {&TChromiumOptions::AcceleratedPaintingEnabled,
     &TCefBrowserSettings::accelerated_painting_enabled},
    {&TChromiumOptions::AcceleratedFiltersEnabled,
     &TCefBrowserSettings::accelerated_filters_enabled},
    {&TChromiumOptions::AcceleratedPluginsDisabled,
     &TCefBrowserSettings::accelerated_plugins_disabled},
    {&TChromiumOptions::DeveloperToolsDisabled, &TCefBrowserSettings::developer_tools_disabled},
    {&TChromiumOptions::FullscreenEnabled, &TCefBrowserSettings::fullscreen_enabled},
};
static_assert(std::size(kOptionFields) == 34);

}  // namespace

void TCustomChromium::FillBrowserSettings(TCefBrowserSettings* settings) {
  // Writing past a smaller record would corrupt the caller's memory.
  if (settings->size < sizeof(TCefBrowserSettings))
    throw Exception(Format("Browser settings record of %u bytes is too small",
                           static_cast<unsigned>(settings->size)));
  const TChromiumFontOptions& fonts = *FFontOptions;
  settings->standard_font_family = BorrowRuntimeString(fonts.StandardFontFamily());
  settings->fixed_font_family = BorrowRuntimeString(fonts.FixedFontFamily());
  settings->serif_font_family = BorrowRuntimeString(fonts.SerifFontFamily());
  settings->sans_serif_font_family = BorrowRuntimeString(fonts.SansSerifFontFamily());
  settings->cursive_font_family = BorrowRuntimeString(fonts.CursiveFontFamily());
  settings->fantasy_font_family = BorrowRuntimeString(fonts.FantasyFontFamily());
  settings->default_font_size = fonts.DefaultFontSize();
  settings->default_fixed_font_size = fonts.DefaultFixedFontSize();
  settings->minimum_font_size = fonts.MinimumFontSize();
  settings->minimum_logical_font_size = fonts.MinimumLogicalFontSize();
  settings->remote_fonts_disabled = fonts.RemoteFontsDisabled();
  settings->default_encoding = BorrowRuntimeString(FDefaultEncoding);
  for (const auto& [option, field] : kOptionFields) settings->*field = (*FOptions).*option;
  settings->user_style_sheet_location = BorrowRuntimeString(FUserStyleSheetLocation);
}

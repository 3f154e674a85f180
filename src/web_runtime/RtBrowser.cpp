// Browser life cycle, frames, and the load and display events it reports to the client.

#include "RtBrowser.h"

#include <algorithm>

#include "RtCallbacks.h"
#include "RtContextMenu.h"
#include "RtCookieManager.h"
#include "RtFrame.h"
#include "RtHistory.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtText.h"
#include "RtTls.h"

namespace {

GtkWidget* const kInvalidWindow = reinterpret_cast<GtkWidget*>(-1);

// The runtime's network error numbers for WebKit's load failures.
constexpr int32_t kErrFailed = -2;
constexpr int32_t kErrFileNotFound = -6;
constexpr int32_t kErrTimedOut = -7;
constexpr int32_t kErrConnectionClosed = -100;
constexpr int32_t kErrConnectionRefused = -102;
constexpr int32_t kErrNameNotResolved = -105;
constexpr int32_t kErrAddressUnreachable = -109;
constexpr int32_t kErrUnknownUrlScheme = -302;

int32_t WebKitErrorOf(int code) {
  switch (code) {
    case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
      return kErrFileNotFound;
    case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
    case WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI:
      return kErrUnknownUrlScheme;
    default:
      return kErrFailed;
  }
}

// The network library reports socket and resolver failures in GIO's terms.
int32_t SocketErrorOf(int code) {
  switch (code) {
    case G_IO_ERROR_CONNECTION_REFUSED:
      return kErrConnectionRefused;
    case G_IO_ERROR_TIMED_OUT:
      return kErrTimedOut;
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
      return kErrAddressUnreachable;
    case G_IO_ERROR_CONNECTION_CLOSED:
      return kErrConnectionClosed;
    case G_IO_ERROR_HOST_NOT_FOUND:
      return kErrNameNotResolved;
    default:
      return kErrFailed;
  }
}

int32_t RuntimeErrorOf(const GError& error) {
  if (error.domain == WEBKIT_NETWORK_ERROR || error.domain == WEBKIT_POLICY_ERROR)
    return WebKitErrorOf(error.code);
  if (error.domain == G_IO_ERROR) return SocketErrorOf(error.code);
  if (error.domain == CertificateErrorQuark()) return error.code;
  if (error.domain == G_RESOLVER_ERROR) return kErrNameNotResolved;
  return kErrFailed;
}

TCefTerminationStatus TerminationOf(WebKitWebProcessTerminationReason reason) {
  switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
      return TS_PROCESS_CRASHED;
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
      return TS_PROCESS_WAS_KILLED;
    default:
      return TS_ABNORMAL_TERMINATION;
  }
}

}  // namespace

TBrowser* TBrowser::Create(const TCefWindowInfo* windowInfo, TClientRef<TCefClient> client,
                           const std::string& url, const TCefBrowserSettings* settings,
                           TBrowser* opener, WebKitWebView* popupView) {
  TRuntime* runtime = TRuntime::Instance();
  if (!runtime) return nullptr;
  auto* browser = new TBrowser(std::move(client), opener);
  // A popup's view was made beside its opener's and shares its context, as WebKit requires.
  std::shared_ptr<TWebContext> context = opener ? opener->FWebContext : browser->AskWebContext(url);
  if (!context) context = runtime->Web();
  WebKitWebView* view = popupView ? popupView : context->NewView();
  browser->Attach(view, std::move(context));
  browser->AddRef();  // held by the browser itself while its view lives
  browser->ApplySettings(settings);
  browser->Place(windowInfo);
  if (opener) browser->BecomeTransientFor(opener);
  runtime->Register(browser);
  browser->WithHandler(&TCefClient::get_life_span_handler, [&](TCefLifeSpanHandler* handler) {
    if (handler->on_after_created) handler->on_after_created(handler, browser->ShareBrowser());
  });
  if (!url.empty()) browser->LoadUrl(url);
  return browser;
}

TBrowser::TBrowser(TClientRef<TCefClient> client, TBrowser* opener)
    : FId(TRuntime::Instance()->NextBrowserId()), FClient(std::move(client)), FOpener(opener) {
  InitFaces();
  if (FOpener) FOpener->AddRef();
}

void TBrowser::Attach(WebKitWebView* view, std::shared_ptr<TWebContext> context) {
  FWebContext = std::move(context);
  FView = std::make_unique<TWebView>(view, static_cast<IViewEvents&>(*this));
}

// WebKit binds a view to its context's cookies when the view is made, so the client is asked
// once, with the address the browser starts at.
std::shared_ptr<TWebContext> TBrowser::AskWebContext(const std::string& url) {
  std::shared_ptr<TWebContext> context;
  WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
    if (!handler->get_cookie_manager) return;
    const std::u16string text = Utf8ToU16(url);
    const TCefStringUtf16 record = Borrow(text);
    TCefCookieManager* manager = handler->get_cookie_manager(handler, ShareBrowser(), &record);
    context = OwnContextOf(manager);
    ReleaseObject(manager);
  });
  return context;
}

TBrowser::~TBrowser() {
  for (auto& [id, asked] : FGeolocationAsked) asked.Callback->WhenSettled(nullptr);
  if (FOpener) FOpener->Release();
}

void TBrowser::Place(const TCefWindowInfo* windowInfo) {
  GtkWidget* parent = windowInfo ? windowInfo->parent_window : nullptr;
  if (parent == kInvalidWindow || (parent && !GTK_IS_CONTAINER(parent))) parent = nullptr;
  const int x = windowInfo ? windowInfo->x : 0;
  const int y = windowInfo ? windowInfo->y : 0;
  const int width = windowInfo ? std::max(windowInfo->width, 1) : 800;
  const int height = windowInfo ? std::max(windowInfo->height, 1) : 600;
  GtkWidget* widget = FView->Widget();
  gtk_widget_set_size_request(widget, width, height);
  if (parent && GTK_IS_FIXED(parent)) {
    gtk_fixed_put(GTK_FIXED(parent), widget, x, y);
  } else if (parent && GTK_IS_LAYOUT(parent)) {
    gtk_layout_put(GTK_LAYOUT(parent), widget, x, y);
  } else if (parent) {
    gtk_container_add(GTK_CONTAINER(parent), widget);
  } else {
    // Nothing to live in: the browser gets a window of its own, as popups do.
    FOwnWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(FOwnWindow), width, height);
    gtk_window_move(GTK_WINDOW(FOwnWindow), x, y);
    gtk_container_add(GTK_CONTAINER(FOwnWindow), widget);
    gtk_widget_show(FOwnWindow);
  }
  gtk_widget_show(widget);
}

void TBrowser::BecomeTransientFor(TBrowser* opener) {
  GtkWidget* top = opener->View() ? gtk_widget_get_toplevel(opener->View()->Widget()) : nullptr;
  if (FOwnWindow && top && GTK_IS_WINDOW(top))
    gtk_window_set_transient_for(GTK_WINDOW(FOwnWindow), GTK_WINDOW(top));
}

void TBrowser::ApplySettings(const TCefBrowserSettings* browserSettings) {
  if (!browserSettings) return;
  WebKitSettings* settings = webkit_web_view_get_settings(FView->View());
  const TCefBrowserSettings& s = *browserSettings;
  if (s.javascript_disabled) webkit_settings_set_enable_javascript(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(
      settings, !s.javascript_open_windows_disallowed);
  if (s.image_load_disabled) webkit_settings_set_auto_load_images(settings, FALSE);
  if (s.local_storage_disabled) webkit_settings_set_enable_html5_local_storage(settings, FALSE);
  if (s.webgl_disabled) webkit_settings_set_enable_webgl(settings, FALSE);
  if (s.caret_browsing_enabled) webkit_settings_set_enable_caret_browsing(settings, TRUE);
  if (s.default_font_size > 0) webkit_settings_set_default_font_size(settings, s.default_font_size);
  if (s.default_fixed_font_size > 0)
    webkit_settings_set_default_monospace_font_size(settings, s.default_fixed_font_size);
  if (s.minimum_font_size > 0) webkit_settings_set_minimum_font_size(settings, s.minimum_font_size);
  if (s.default_encoding.length > 0)
    webkit_settings_set_default_charset(settings, ToUtf8(&s.default_encoding).c_str());
  if (s.standard_font_family.length > 0)
    webkit_settings_set_default_font_family(settings, ToUtf8(&s.standard_font_family).c_str());
}

void TBrowser::LoadUrl(const std::string& url) {
  if (!FView) return;
  FView->ClientNavigates();
  webkit_web_view_load_uri(FView->View(), url.c_str());
}

void TBrowser::LoadRequest(const std::string& url, const THeaderList& headers) {
  if (!FView) return;
  FView->ClientNavigates();
  g_autoptr(WebKitURIRequest) request = webkit_uri_request_new(url.c_str());
  if (SoupMessageHeaders* sent = webkit_uri_request_get_http_headers(request))
    for (const auto& [name, value] : headers)
      soup_message_headers_append(sent, name.c_str(), value.c_str());
  webkit_web_view_load_request(FView->View(), request);
}

void TBrowser::SetFocus(bool enable) {
  if (FView && enable) gtk_widget_grab_focus(FView->Widget());
}

void TBrowser::CloseRequested() {
  if (FView) FView->TryClose();
}

void TBrowser::ForceClose() {
  if (!FView) return;
  gtk_widget_destroy(FOwnWindow ? FOwnWindow : FView->Widget());  // ends in OnViewDestroyed
}

// The view is gone: tell the client, let go of it and of the self reference.
void TBrowser::Finish() {
  if (!FView) return;
  if (TRuntime* runtime = TRuntime::Instance()) runtime->Unregister(this);
  OnDocumentReplaced();  // the page goes with the view
  WithHandler(&TCefClient::get_life_span_handler, [&](TCefLifeSpanHandler* handler) {
    if (handler->on_before_close) handler->on_before_close(handler, ShareBrowser());
  });
  FView.reset();
  FWebContext.reset();
  if (GtkWidget* window = std::exchange(FOwnWindow, nullptr)) gtk_widget_destroy(window);
  FClient.reset();
  Release();  // may delete this
}

bool TBrowser::HasFrame(uint64_t frameId) const {
  return FView && (frameId == 0 || frameId == FMainFrameId || FFrames.count(frameId) > 0);
}

std::string TBrowser::FrameUrl(uint64_t frameId) const {
  if (frameId == 0 || frameId == FMainFrameId) return FMainUrl;
  auto found = FFrames.find(frameId);
  return found == FFrames.end() ? std::string() : found->second.Url;
}

std::string TBrowser::FrameName(uint64_t frameId) const {
  auto found = FFrames.find(frameId == 0 ? FMainFrameId : frameId);
  return found == FFrames.end() ? std::string() : found->second.Name;
}

// A sub-frame whose parent it could not see (another origin) hangs from the main frame.
uint64_t TBrowser::ParentOf(uint64_t frameId) const {
  if (frameId == 0 || frameId == FMainFrameId) return 0;
  auto found = FFrames.find(frameId);
  if (found == FFrames.end() || found->second.ParentId == 0) return FMainFrameId;
  return found->second.ParentId;
}

std::vector<uint64_t> TBrowser::FrameIds() const {
  std::vector<uint64_t> ids;
  if (FMainFrameId) ids.push_back(FMainFrameId);
  for (const auto& [id, facts] : FFrames)
    if (id != FMainFrameId) ids.push_back(id);
  return ids;
}

TCefFrame* TBrowser::NewFrame(uint64_t frameId) {
  return TFrame::New(this, frameId == FMainFrameId ? 0 : frameId);
}

void TBrowser::ReportLoadStart(uint64_t frameId) {
  WithHandler(&TCefClient::get_load_handler, [&](TCefLoadHandler* handler) {
    if (handler->on_load_start) handler->on_load_start(handler, ShareBrowser(), NewFrame(frameId));
  });
}

void TBrowser::ReportLoadEnd(uint64_t frameId, int status) {
  WithHandler(&TCefClient::get_load_handler, [&](TCefLoadHandler* handler) {
    if (handler->on_load_end)
      handler->on_load_end(handler, ShareBrowser(), NewFrame(frameId), status);
  });
}

void TBrowser::ReportAddress(uint64_t frameId, const std::string& url) {
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (!handler->on_address_change) return;
    const std::u16string text = Utf8ToU16(url);
    const TCefStringUtf16 record = Borrow(text);
    handler->on_address_change(handler, ShareBrowser(), NewFrame(frameId), &record);
  });
}

void TBrowser::OnLoadCommitted() {
  const char* uri = webkit_web_view_get_uri(FView->View());
  FMainUrl = uri ? uri : "";
  ReportAddress(0, FMainUrl);
  ReportLoadStart(0);
}

void TBrowser::OnLoadFinished(int httpStatus) {
  ReportLoadEnd(0, httpStatus);
}

void TBrowser::OnLoadFailed(const GError& error, const std::string& url) {
  WithHandler(&TCefClient::get_load_handler, [&](TCefLoadHandler* handler) {
    if (!handler->on_load_error) return;
    const std::u16string text = Utf8ToU16(TextOrEmpty(error.message));
    const std::u16string failedUrl = Utf8ToU16(url);
    const TCefStringUtf16 textRecord = Borrow(text);
    const TCefStringUtf16 urlRecord = Borrow(failedUrl);
    handler->on_load_error(handler, ShareBrowser(), NewFrame(0), RuntimeErrorOf(error), &textRecord,
                           &urlRecord);
  });
}

// A popup opened only for a download would stay an empty window: it closes, and its opener
// takes the download.
TBrowser* TBrowser::HandOverDownload() {
  if (!IsPopup() || !FMainUrl.empty() || !FOpener->IsAlive()) return this;
  TBrowser* opener = FOpener;  // the close may end this browser at once
  CloseRequested();
  return opener;
}

void TBrowser::OnLoadingStateChanged() {
  WebKitWebView* view = FView->View();
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (handler->on_loading_state_change)
      handler->on_loading_state_change(handler, ShareBrowser(), webkit_web_view_is_loading(view),
                                       CanGoBack(view), webkit_web_view_can_go_forward(view));
  });
}

void TBrowser::OnSameDocumentNavigation(const std::string& url) {
  if (url == FMainUrl) return;
  FMainUrl = url;
  ReportAddress(0, url);
}

void TBrowser::OnTitleChanged(const std::string& title) {
  if (title.empty()) return;  // WebKit clears the title at every commit
  if (FOwnWindow) gtk_window_set_title(GTK_WINDOW(FOwnWindow), title.c_str());
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (!handler->on_title_change) return;
    const std::u16string text = Utf8ToU16(title);
    const TCefStringUtf16 record = Borrow(text);
    handler->on_title_change(handler, ShareBrowser(), &record);
  });
}

void TBrowser::OnStatusText(const std::string& text) {
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (!handler->on_status_message) return;
    const std::u16string value = Utf8ToU16(text);
    const TCefStringUtf16 record = Borrow(value);
    handler->on_status_message(handler, ShareBrowser(), &record);
  });
}

bool TBrowser::OnTooltip(std::string& text) {
  bool clientShows = false;
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (!handler->on_tooltip) return;
    TCefStringUtf16 record{};
    AssignOwned(record, text);
    clientShows = handler->on_tooltip(handler, ShareBrowser(), &record) != 0;
    text = ToUtf8(&record);
    cef_string_utf16_clear(&record);
  });
  return clientShows;
}

void TBrowser::OnContextMenuDismissed() {
  ReportContextMenuDismissed(*this);
}

bool TBrowser::OnContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit, GdkEvent* event) {
  return OfferContextMenu(*this, menu, hit, event);
}

void TBrowser::OnConsoleMessage(const std::string& text, const std::string& source, int line) {
  WithHandler(&TCefClient::get_display_handler, [&](TCefDisplayHandler* handler) {
    if (!handler->on_console_message) return;
    const std::u16string message = Utf8ToU16(text);
    const std::u16string sourceText = Utf8ToU16(source);
    const TCefStringUtf16 messageRecord = Borrow(message);
    const TCefStringUtf16 sourceRecord = Borrow(sourceText);
    handler->on_console_message(handler, ShareBrowser(), &messageRecord, &sourceRecord, line);
  });
}

// A new main document comes before its sub-frames' ones: the old sub-frames are gone.
void TBrowser::OnFrameDocument(const TFrameFacts& frame) {
  if (frame.IsMain) {
    FMainFrameId = frame.Id;
    FFrames.clear();
  }
  FFrames[frame.Id] = frame;
  if (frame.IsMain) return;  // the main frame reports at commit, with WebKit's address
  ReportAddress(frame.Id, frame.Url);
  ReportLoadStart(frame.Id);
}

void TBrowser::OnFrameLoaded(const TFrameFacts& frame, int httpStatus) {
  if (frame.IsMain) FMainFrameId = frame.Id;
  FFrames[frame.Id] = frame;
  if (!frame.IsMain) ReportLoadEnd(frame.Id, httpStatus);
}

void TBrowser::OnFrameGone(uint64_t frameId) {
  if (frameId != FMainFrameId) FFrames.erase(frameId);
}

void TBrowser::OnProcessTerminated(WebKitWebProcessTerminationReason reason) {
  FFrames.clear();
  WithHandler(&TCefClient::get_load_handler, [&](TCefLoadHandler* handler) {
    if (handler->on_render_process_terminated)
      handler->on_render_process_terminated(handler, ShareBrowser(), TerminationOf(reason));
  });
}

void TBrowser::OnCloseRequested() {
  bool clientCloses = false;
  WithHandler(&TCefClient::get_life_span_handler, [&](TCefLifeSpanHandler* handler) {
    if (handler->do_close) clientCloses = handler->do_close(handler, ShareBrowser()) != 0;
  });
  if (!clientCloses) ForceClose();
}

void TBrowser::OnViewDestroyed() {
  AddRef();  // Finish drops the self reference; stay alive until this handler returns
  Finish();
  Release();
}

#include "RtView.h"

#include <cstring>
#include <memory>

#include "RtContextMenu.h"
#include "RtCrossOrigin.h"
#include "RtGuard.h"
#include "RtHistory.h"
#include "RtNavigationReport.h"
#include "RtPageRequests.h"
#include "RtPrint.h"
#include "RtProcessMessage.h"
#include "RtSchemeHandler.h"
#include "RtText.h"
#include "RtTls.h"
#include "WebMessages.h"

namespace {

// Status memory per view is only needed between a document's request and its load end.
constexpr size_t kMaxRememberedStatuses = 512;

constexpr char kSelfKey[] = "corvane-web-view";

// Neither is a failure the user should see: a newer navigation replaced the load, or the
// response became a download.
bool IsQuietFailure(const GError& error) {
  return (error.domain == WEBKIT_NETWORK_ERROR && error.code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
         (error.domain == WEBKIT_POLICY_ERROR &&
          error.code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
}

TFrameFacts ReadFrameFacts(GVariant* parameters) {
  TFrameFacts facts;
  const char* url = nullptr;
  const char* name = nullptr;
  gboolean isMain = FALSE;
  guint64 id = 0, parent = 0;
  g_variant_get_child(parameters, 0, "t", &id);
  g_variant_get_child(parameters, 1, "b", &isMain);
  g_variant_get_child(parameters, 2, "t", &parent);
  g_variant_get_child(parameters, 3, "&s", &url);
  g_variant_get_child(parameters, 4, "&s", &name);
  facts.Id = id;
  facts.IsMain = isMain;
  facts.ParentId = parent;
  facts.Url = TextOrEmpty(url);
  facts.Name = TextOrEmpty(name);
  return facts;
}

// Schemes WebKit shows itself or the client serves; anything else (mailto:, tel:, ...) belongs
// to the desktop.
bool IsShownByWebKit(WebKitWebView* view, const std::string& uri) {
  static constexpr const char* kShown[] = {"http", "https", "file",      "about",
                                           "data", "blob",  "javascript"};
  const char* scheme = g_uri_peek_scheme(uri.c_str());  // lower case, interned
  if (!scheme) return true;  // not an absolute address: WebKit's to judge
  if (IsServedScheme(webkit_web_view_get_context(view), scheme)) return true;
  for (const char* shown : kShown)
    if (std::strcmp(scheme, shown) == 0) return true;
  return false;
}

bool IsOfType(GVariant* parameters, const char* type) {
  return parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE(type));
}

}  // namespace

TWebView::TWebView(WebKitWebView* view, IViewEvents& events)
    : FView(view),
      FEvents(events),
      FRecovery(view),
      FFinder(view),
      FPageDialogs(view),
      FLogin(view),
      FTooltip(GTK_WIDGET(view), [this](std::string& text) { return FEvents.OnTooltip(text); }),
      FResourceHooks(view) {
  g_object_ref_sink(FView);
  g_object_set_data(G_OBJECT(FView), kSelfKey, this);
  ConnectSignals();
  ConnectPageRequests(FView);  // after ours: the client's own handlers are asked first
}

TWebView::~TWebView() {
  FPageDialogs.Dismiss();  // both still need the view
  FLogin.Dismiss();
  g_signal_handlers_disconnect_by_data(FView, this);
  g_object_set_data(G_OBJECT(FView), kSelfKey, nullptr);
  if (GtkWidget* parent = gtk_widget_get_parent(Widget()))
    gtk_container_remove(GTK_CONTAINER(parent), Widget());
  g_object_unref(FView);
}

void TWebView::ConnectSignals() {
  g_signal_connect(FView, "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(FView, "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(FView, "notify::is-loading", G_CALLBACK(OnIsLoading), this);
  g_signal_connect(FView, "notify::title", G_CALLBACK(OnTitle), this);
  g_signal_connect(FView, "notify::uri", G_CALLBACK(OnUri), this);
  g_signal_connect(FView, "mouse-target-changed", G_CALLBACK(OnMouseTarget), this);
  g_signal_connect(FView, "user-message-received", G_CALLBACK(OnUserMessage), this);
  g_signal_connect(FView, "key-press-event", G_CALLBACK(OnKeyEvent), this);
  g_signal_connect(FView, "key-release-event", G_CALLBACK(OnKeyEvent), this);
  g_signal_connect(FView, "focus-in-event", G_CALLBACK(OnFocusIn), this);
  g_signal_connect(FView, "focus-out-event", G_CALLBACK(OnFocusOut), this);
  g_signal_connect(FView, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(FView, "authenticate", G_CALLBACK(OnAuthenticate), this);
  g_signal_connect(FView, "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
  g_signal_connect(FView, "permission-request", G_CALLBACK(OnPermission), this);
  g_signal_connect(FView, "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(FView, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(FView, "close", G_CALLBACK(OnClose), this);
  g_signal_connect(FView, "print", G_CALLBACK(OnPrint), this);
  g_signal_connect(FView, "web-process-terminated", G_CALLBACK(OnTerminated), this);
  g_signal_connect(FView, "resource-load-started", G_CALLBACK(OnResourceStarted), this);
  g_signal_connect(FView, "destroy", G_CALLBACK(OnDestroy), this);
  g_signal_connect(FView, "context-menu", G_CALLBACK(OnContextMenu), this);
  g_signal_connect(FView, "context-menu-dismissed", G_CALLBACK(OnContextMenuDismissed), this);
}

// A dead page gets nothing: a message to it would never be answered.
void TWebView::SendToPage(const char* name, GVariant* parameters, TTextReply reply) {
  if (FPageGone) {
    g_variant_unref(g_variant_ref_sink(parameters));
    if (reply) reply(false, std::string());
    return;
  }
  WebKitUserMessage* message = webkit_user_message_new(name, parameters);
  if (!reply) {
    webkit_web_view_send_message_to_page(FView, message, nullptr, nullptr, nullptr);
    return;
  }
  auto pending = std::make_shared<TPendingReply>(TPendingReply{std::move(reply)});
  std::erase_if(FPendingReplies, [](const auto& waiting) { return waiting.expired(); });
  FPendingReplies.push_back(pending);
  webkit_web_view_send_message_to_page(FView, message, nullptr, OnPageReply,
                                       new std::shared_ptr<TPendingReply>(std::move(pending)));
}

void TWebView::OnPageReply(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<std::shared_ptr<TPendingReply>> pending(
      static_cast<std::shared_ptr<TPendingReply>*>(data));
  Guarded("page reply", [&] {
    g_autoptr(GError) error = nullptr;
    g_autoptr(WebKitUserMessage) answer =
        webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(source), result, &error);
    GVariant* parameters = answer ? webkit_user_message_get_parameters(answer) : nullptr;
    const bool ok = parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"));
    const char* text = nullptr;
    if (ok) g_variant_get(parameters, "(&s)", &text);
    (*pending)->Answer(ok, TextOrEmpty(text));
  });
}

void TWebView::FailPendingReplies() {
  for (const auto& waiting : std::exchange(FPendingReplies, {}))
    if (auto pending = waiting.lock()) pending->Answer(false, std::string());
}

void TWebView::ExecuteScript(uint64_t frameId, const std::string& code, const std::string& url,
                             int startLine) {
  SendToPage(webmsg::kExecute,
             g_variant_new(webmsg::kExecuteType, guint64(frameId), code.c_str(), url.c_str(),
                           gint32(startLine)),
             nullptr);
}

void TWebView::RequestSource(uint64_t frameId, TTextReply reply) {
  SendToPage(webmsg::kGetSource, g_variant_new(webmsg::kFrameIdType, guint64(frameId)),
             std::move(reply));
}

void TWebView::RequestText(uint64_t frameId, TTextReply reply) {
  SendToPage(webmsg::kGetText, g_variant_new(webmsg::kFrameIdType, guint64(frameId)),
             std::move(reply));
}

void TWebView::LoadUrlInFrame(uint64_t frameId, const std::string& url) {
  SendToPage(webmsg::kLoadUrl, g_variant_new(webmsg::kLoadUrlType, guint64(frameId), url.c_str()),
             nullptr);
}

void TWebView::LoadStringInFrame(uint64_t frameId, const std::string& markup) {
  SendToPage(webmsg::kLoadString,
             g_variant_new(webmsg::kLoadStringType, guint64(frameId), markup.c_str()), nullptr);
}

bool TWebView::SendProcessMessage(TCefProcessMessage* message) {
  GVariant* parameters = ProcessMessageParameters(message);
  if (!parameters || FPageGone) return false;
  SendToPage(webmsg::kProcessMessage, parameters, nullptr);
  return true;
}

void TWebView::TryClose() {
  ForgetStayChoice();
  webkit_web_view_try_close(FView);
}

int TWebView::MainResourceStatus() const {
  WebKitWebResource* resource = webkit_web_view_get_main_resource(FView);
  WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
  return response ? int(webkit_uri_response_get_status_code(response)) : 0;
}

int TWebView::StatusOf(const std::string& url) const {
  auto found = FStatusByUrl.find(url);
  return found == FStatusByUrl.end() ? 0 : found->second;
}

void TWebView::RememberResource(WebKitWebResource* resource) {
  WebKitURIResponse* response = webkit_web_resource_get_response(resource);
  if (!response) return;
  if (FStatusByUrl.size() >= kMaxRememberedStatuses) FStatusByUrl.clear();
  FStatusByUrl[TextOrEmpty(webkit_web_resource_get_uri(resource))] =
      int(webkit_uri_response_get_status_code(response));
}

void TWebView::HandleExtensionMessage(WebKitUserMessage* message) {
  const std::string name = TextOrEmpty(webkit_user_message_get_name(message));
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (name == webmsg::kFrameDocument && IsOfType(parameters, webmsg::kFrameDocumentType)) {
    const TFrameFacts facts = ReadFrameFacts(parameters);
    FFormRestore.ForgetFrame(facts.Id);
    FEvents.OnFrameDocument(facts);
  } else if (name == webmsg::kFrameLoaded && IsOfType(parameters, webmsg::kFrameLoadedType)) {
    const TFrameFacts facts = ReadFrameFacts(parameters);
    if (GVariant* restore = FFormRestore.FrameLoaded(facts.Id, facts.Url))
      SendToPage(webmsg::kRestoreFields, restore, nullptr);
    gint32 status = 0;
    g_variant_get_child(parameters, 5, "i", &status);
    FEvents.OnFrameLoaded(facts, status ? status : StatusOf(facts.Url));
  } else if (name == webmsg::kFrameGone && IsOfType(parameters, webmsg::kFrameGoneType)) {
    guint64 id = 0;
    g_variant_get(parameters, webmsg::kFrameGoneType, &id);
    FFormRestore.ForgetFrame(id);
    FEvents.OnFrameGone(id);
  } else if (name == webmsg::kConsole && IsOfType(parameters, webmsg::kConsoleType)) {
    const char* text = nullptr;
    const char* source = nullptr;
    guint32 line = 0;
    g_variant_get(parameters, "(&s&su)", &text, &source, &line);
    FEvents.OnConsoleMessage(text, source, int(line));
  } else if (name == webmsg::kFormFields && IsOfType(parameters, webmsg::kFormFieldsType)) {
    FFormRestore.FieldsReported(parameters);
  } else if (name == webmsg::kRequestChannel && IsOfType(parameters, webmsg::kRequestChannelType)) {
    FResourceHooks.AdoptChannel(message);
  } else if (name == webmsg::kProcessMessage && IsOfType(parameters, webmsg::kProcessMessageType)) {
    DeliverProcessMessage(FView, parameters);
  }
}

void TWebView::LoadStarted() {
  FStatusByUrl.clear();
  FOwnPageLoad = FRecovery.TakeOwnPageLoad();
  FLoadCommitted = FLoadFailed = false;
}

void TWebView::LoadCommitted() {
  FLoadCommitted = true;
  FPageDialogs.NewDocument();
  if (!Outlives([&] { FEvents.OnDocumentReplaced(); })) return;
  FPageGone = false;
  FFormRestore.MainFrameCommitted(TextOrEmpty(webkit_web_view_get_uri(FView)), FOwnPageLoad);
  if (FOwnPageLoad) return;
  FRecovery.PageArrived();
  FEvents.OnLoadCommitted();
}

// WebKit finishes failed loads too, even those that never committed: not a page.
void TWebView::LoadFinished() {
  if (!FOwnPageLoad && FLoadCommitted && !FLoadFailed) FEvents.OnLoadFinished(MainResourceStatus());
}

void TWebView::ClientNavigates() {
  ++FClientNavigations;
  FRecovery.ClientNavigates();
}

// The client hears first: where it goes elsewhere at once, our page would only replace its
// choice.
void TWebView::LoadFailed(const std::string& url, const GError& error) {
  if (IsQuietFailure(error)) return;
  FLoadFailed = true;
  const uint64_t navigations = FClientNavigations;
  if (FRecovery.LoadFailed(url) && !Outlives([&] { FEvents.OnLoadFailed(error, url); })) return;
  if (FClientNavigations == navigations) FRecovery.StandIn(url);
}

void TWebView::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("load-changed", [&] {
    if (event == WEBKIT_LOAD_STARTED) view.LoadStarted();
    if (event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_COMMITTED)
      ApplyCrossOriginEntries(view.FView, webkit_web_view_get_uri(view.FView));
    if (event == WEBKIT_LOAD_COMMITTED) view.LoadCommitted();
    if (event == WEBKIT_LOAD_FINISHED) view.LoadFinished();
  });
}

// Handled always: the user sees our page, or the page that was there, never WebKit's text.
gboolean TWebView::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("load-failed", [&] {
    if (error) view.LoadFailed(TextOrEmpty(uri), *error);
  });
  return TRUE;
}

void TWebView::OnIsLoading(GObject*, GParamSpec*, gpointer self) {
  Guarded("notify::is-loading",
          [&] { static_cast<TWebView*>(self)->FEvents.OnLoadingStateChanged(); });
}

void TWebView::OnTitle(GObject*, GParamSpec*, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("notify::title", [&] {
    if (!view.FOwnPageLoad)
      view.FEvents.OnTitleChanged(TextOrEmpty(webkit_web_view_get_title(view.FView)));
  });
}

// During a load the address is reported at commit; outside one it changed in place. A dead
// web process clears it, which is no navigation.
void TWebView::OnUri(GObject*, GParamSpec*, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("notify::uri", [&] {
    const std::string uri = TextOrEmpty(webkit_web_view_get_uri(view.FView));
    if (!webkit_web_view_is_loading(view.FView) && !view.FOwnPageLoad && !uri.empty())
      view.FEvents.OnSameDocumentNavigation(uri);
  });
}

void TWebView::OnMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self) {
  Guarded("mouse-target-changed", [&] {
    const char* link =
        webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : "";
    static_cast<TWebView*>(self)->FEvents.OnStatusText(TextOrEmpty(link));
  });
}

gboolean TWebView::OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self) {
  return Guarded(
      "user-message-received",
      [&] {
        static_cast<TWebView*>(self)->HandleExtensionMessage(message);
        return gboolean(TRUE);
      },
      gboolean(TRUE));
}

TWebView::TKeyStamp TWebView::StampOf(const GdkEventKey* event) {
  return TKeyStamp{event->type, event->time, event->keyval, event->hardware_keycode};
}

gboolean TWebView::OnKeyEvent(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  return Guarded(
      "key event",
      [&] {
        const TKeyStamp stamp = StampOf(event);
        const bool secondPass = stamp == view.FKeyInFlight;
        view.FKeyInFlight = secondPass ? TKeyStamp{} : stamp;
        if (!secondPass && event->type == GDK_KEY_PRESS) {
          view.FTabPressed = event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab;
          view.FTabForward = !(event->state & GDK_SHIFT_MASK);
        }
        return gboolean(view.FEvents.OnKey(event, secondPass));
      },
      gboolean(FALSE));
}

gboolean TWebView::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self) {
  Guarded("focus-in-event", [&] { static_cast<TWebView*>(self)->FEvents.OnFocusIn(); });
  return FALSE;
}

gboolean TWebView::OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("focus-out-event", [&] {
    // Focus that leaves while a Tab key is being handled was tabbed out of the page.
    if (view.FTabPressed) view.FEvents.OnFocusLeftByTab(view.FTabForward);
    view.FTabPressed = false;
  });
  return FALSE;
}

// A page the user stopped is not asked about; the client may answer before it returns.
void TWebView::ShowScriptDialog(WebKitScriptDialog* dialog) {
  TScriptDialogSignal inHandler(FView);
  if (FPageDialogs.Blocked()) {
    TPageDialogs::AnswerUnasked(dialog);
    return;
  }
  bool clientTookIt = false;
  if (!Outlives([&] { clientTookIt = FEvents.OnScriptDialog(dialog); })) return;
  if (clientTookIt || IsScriptDialogAnswered(dialog)) return;
  FPageDialogs.Show(dialog);
}

// Always ours: WebKit's own boxes are drawn inside the page and answer to the page's keys.
gboolean TWebView::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  Guarded("script-dialog", [&] { static_cast<TWebView*>(self)->ShowScriptDialog(dialog); });
  return TRUE;
}

gboolean TWebView::OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request,
                                  gpointer self) {
  return Guarded(
      "authenticate",
      [&] {
        if (!TLoginDialog::WantsPassword(request)) return gboolean(FALSE);
        auto& view = *static_cast<TWebView*>(self);
        bool clientAnswers = false;
        if (view.Outlives([&] { clientAnswers = view.FEvents.OnAuthentication(request); }) &&
            !clientAnswers)
          view.FLogin.Ask(request);
        return gboolean(TRUE);
      },
      gboolean(FALSE));
}

void TWebView::CertificateRefused(const std::string& url, GTlsCertificateFlags errors) {
  FLoadFailed = true;
  g_autoptr(GUri) parsed = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  g_autoptr(GError) error =
      NewCertificateError(errors, parsed ? g_uri_get_host(parsed) : url.c_str());
  const uint64_t navigations = FClientNavigations;
  if (!Outlives([&] { FEvents.OnLoadFailed(*error, url); })) return;
  if (FClientNavigations == navigations) FRecovery.CertificateRefused(url);
}

// Main-frame loads only; WebKit fails refused sub-resources by itself.
gboolean TWebView::OnTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                               GTlsCertificateFlags errors, gpointer self) {
  Guarded("load-failed-with-tls-errors",
          [&] { static_cast<TWebView*>(self)->CertificateRefused(TextOrEmpty(uri), errors); });
  return TRUE;
}

gboolean TWebView::OnPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer self) {
  return Guarded(
      "permission-request",
      [&] { return gboolean(static_cast<TWebView*>(self)->FEvents.OnPermissionRequest(request)); },
      gboolean(FALSE));
}

// window.open, and a target=_blank link the client let through: the client may keep it out.
GtkWidget* TWebView::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  return Guarded(
      "create",
      [&] {
        return ClientKeepsPage(view.FView, action, true) ? nullptr
                                                         : view.FEvents.OnCreatePopup(action);
      },
      static_cast<GtkWidget*>(nullptr));
}

// A response the view cannot show is downloaded (WebKit would drop it), a navigation to an
// address it cannot show is handed on, one the client takes elsewhere leaves the page as it is,
// a file dropped on the page and a step back onto the empty start document are refused;
// everything else keeps WebKit's own decision.
bool TWebView::DecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response)) return false;
    webkit_policy_decision_download(decision);
    return true;
  }
  auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(navigation);
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      (IsUnaskedFileLoad(navigation) || IsBackToBlankStart(FView, action))) {
    webkit_policy_decision_ignore(decision);
    return true;
  }
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const std::string uri = TextOrEmpty(request ? webkit_uri_request_get_uri(request) : nullptr);
  if (IsShownByWebKit(FView, uri)) {
    if (!ClientKeepsPage(FView, action, type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION))
      return false;
  } else {
    FEvents.OnExternalUri(uri);
  }
  webkit_policy_decision_ignore(decision);
  return true;
}

// A file dropped outside an upload field makes WebKit open it in place of the web app. Loads the
// program starts are the view's address already when WebKit asks; history moves were such once.
bool TWebView::IsUnaskedFileLoad(WebKitNavigationPolicyDecision* decision) const {
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(decision);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  const char* scheme = uri ? g_uri_peek_scheme(uri) : nullptr;
  if (!scheme || std::strcmp(scheme, "file") != 0) return false;
  switch (webkit_navigation_action_get_navigation_type(action)) {
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return false;
    default:
      return TextOrEmpty(webkit_web_view_get_uri(FView)) != uri;
  }
}

gboolean TWebView::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                  WebKitPolicyDecisionType type, gpointer self) {
  return Guarded(
      "decide-policy",
      [&] { return gboolean(static_cast<TWebView*>(self)->DecidePolicy(decision, type)); },
      gboolean(FALSE));
}

void TWebView::OnClose(WebKitWebView*, gpointer self) {
  Guarded("close", [&] {
    if (!UserChoseToStayJustNow()) static_cast<TWebView*>(self)->FEvents.OnCloseRequested();
  });
}

// The page's window.print() gets the same dialog, file name and kept choices as ours.
gboolean TWebView::OnPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer) {
  Guarded("print", [&] { PrintWithDialog(view, operation); });
  return TRUE;
}

// A crash (not our own or the client's ending of the process) is recovered from before the
// client hears of it, which may close the browser.
void TWebView::OnTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                            gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  Guarded("web-process-terminated", [&] {
    view.FPageGone = true;
    view.FailPendingReplies();
    view.FFinder.PageGone();
    if (reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API) {
      view.FFormRestore.ProcessCrashed(TextOrEmpty(webkit_web_view_get_uri(view.FView)));
      view.FRecovery.ProcessCrashed();
    }
    view.FEvents.OnProcessTerminated(reason);
  });
}

// The resource may outlive this object: its handler finds us through the view's data, which
// the destructor clears.
void TWebView::OnResourceStarted(WebKitWebView* webView, WebKitWebResource* resource,
                                 WebKitURIRequest*, gpointer) {
  g_signal_connect_object(resource, "notify::response", G_CALLBACK(OnResourceResponse), webView,
                          GConnectFlags(0));
}

void TWebView::OnResourceResponse(GObject* resource, GParamSpec*, gpointer webView) {
  Guarded("notify::response", [&] {
    auto* view = static_cast<TWebView*>(g_object_get_data(G_OBJECT(webView), kSelfKey));
    if (view) view->RememberResource(WEBKIT_WEB_RESOURCE(resource));
  });
}

gboolean TWebView::OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent* event,
                                 WebKitHitTestResult* hit, gpointer self) {
  auto& view = *static_cast<TWebView*>(self);
  return Guarded(
      "context-menu",
      [&] {
        ShapeDefaultContextMenu(menu, hit, view.Widget());
        return gboolean(view.FEvents.OnContextMenu(menu, hit, event));
      },
      gboolean(FALSE));
}

void TWebView::OnContextMenuDismissed(WebKitWebView*, gpointer self) {
  Guarded("context-menu-dismissed",
          [&] { static_cast<TWebView*>(self)->FEvents.OnContextMenuDismissed(); });
}

void TWebView::OnDestroy(GtkWidget*, gpointer self) {
  Guarded("destroy", [&] { static_cast<TWebView*>(self)->FEvents.OnViewDestroyed(); });
}

// Permission requests: asked of the client's page request handler, denied without one.

#include <utility>

#include "RtBrowser.h"
#include "RtFileChooser.h"
#include "RtGuard.h"
#include "RtNotifications.h"
#include "RtPageRequests.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtText.h"

namespace {

constexpr char kPermissionsAppliedKey[] = "corvane-kept-permissions";

// The kinds a request asks for; 0 for one the client is never asked about (screen capture,
// pointer lock, ...), which WebKit's default then refuses.
int32_t KindsOf(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return CORVANE_PERMISSION_NOTIFICATIONS;
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return CORVANE_PERMISSION_GEOLOCATION;
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return CORVANE_PERMISSION_CLIPBOARD_READ;
  if (!WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) return 0;
  auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
  if (webkit_user_media_permission_is_for_display_device(media)) return 0;
  return (webkit_user_media_permission_is_for_video_device(media) ? CORVANE_PERMISSION_CAMERA : 0) |
         (webkit_user_media_permission_is_for_audio_device(media) ? CORVANE_PERMISSION_MICROPHONE
                                                                  : 0);
}

// scheme://host[:port] of the page's address; empty when it has none.
std::string OriginOf(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  g_autoptr(WebKitSecurityOrigin) origin = uri ? webkit_security_origin_new_for_uri(uri) : nullptr;
  if (!origin) return {};
  return TakeText(webkit_security_origin_to_string(origin));
}

// One request's answer; released unanswered it denies, so the page never waits for ever.
class TPermissionCallback final : public TRtCounted {
 public:
  static TCefPermissionCallback* New(WebKitPermissionRequest* request) {
    return &(new TPermissionCallback(request))->FFace.Struct;
  }

 private:
  explicit TPermissionCallback(WebKitPermissionRequest* request)
      : FRequest(WEBKIT_PERMISSION_REQUEST(g_object_ref(request))) {
    InitFace(FFace, this);
    FFace.Struct.cont = cont;
  }
  ~TPermissionCallback() override { Answer(false); }

  void Answer(bool allow) { AnswerPermissionRequest(FRequest, allow); }
  static void CEF_CALLBACK cont(TCefPermissionCallback* self, TCefBool allow) {
    Guarded("permission cont", [&] { OwnerOf<TPermissionCallback>(self).Answer(allow != 0); });
  }

  TFace<TCefPermissionCallback> FFace;
  WebKitPermissionRequest* FRequest;  // null once answered
};

// Runs after the client's own handlers (geolocation) declined the request.
gboolean OnPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request, gpointer) {
  return Guarded(
      "permission-request",
      [&] {
        if (!KindsOf(request)) return gboolean(FALSE);
        AskPageRequestHandler(view, request);
        return gboolean(TRUE);
      },
      gboolean(FALSE));
}

}  // namespace

TPageRequests& TPageRequests::Instance() {
  if (!Current) Current = new TPageRequests;
  return *Current;
}

void TPageRequests::Forget() {
  delete std::exchange(Current, nullptr);
}

void TPageRequests::UploadFolderUsed(const std::string& folder) {
  FUploadFolder = folder;
  if (!FHandler || !FHandler->on_upload_folder) return;
  const std::u16string text = Utf8ToU16(folder);
  const TCefStringUtf16 record = Borrow(text);
  FHandler->on_upload_folder(FHandler.get(), &record);
}

void TPageRequests::KeepNotificationPermission(const std::string& origin, bool allowed) {
  FNotificationAnswers[origin] = allowed;
  if (TRuntime* runtime = TRuntime::Instance())
    runtime->ForEachWebContext([this](WebKitWebContext* context) {
      if (g_object_get_data(G_OBJECT(context), kPermissionsAppliedKey))
        InitializePermissions(context);
    });
}

void TPageRequests::ApplyTo(WebKitWebContext* context) {
  if (g_object_get_data(G_OBJECT(context), kPermissionsAppliedKey)) return;
  g_object_set_data(G_OBJECT(context), kPermissionsAppliedKey, GINT_TO_POINTER(1));
  g_signal_connect(context, "initialize-notification-permissions",
                   G_CALLBACK(OnInitializePermissions), nullptr);
  InitializePermissions(context);
}

void TPageRequests::InitializePermissions(WebKitWebContext* context) const {
  g_autolist(WebKitSecurityOrigin) allowed = nullptr;
  g_autolist(WebKitSecurityOrigin) denied = nullptr;
  for (const auto& [origin, allow] : FNotificationAnswers) {
    WebKitSecurityOrigin* securityOrigin = webkit_security_origin_new_for_uri(origin.c_str());
    if (!securityOrigin) continue;
    if (allow)
      allowed = g_list_prepend(allowed, securityOrigin);
    else
      denied = g_list_prepend(denied, securityOrigin);
  }
  webkit_web_context_initialize_notification_permissions(context, allowed, denied);
}

void TPageRequests::OnInitializePermissions(WebKitWebContext* context, gpointer) {
  Guarded("initialize-notification-permissions", [&] {
    if (Current) Current->InitializePermissions(context);
  });
}

void AskPageRequestHandler(WebKitWebView* view, WebKitPermissionRequest* request) {
  Guarded("page permission request", [&] {
    TCefPermissionCallback* callback = TPermissionCallback::New(request);
    TCefPageRequestHandler* handler = TPageRequests::CurrentHandler();
    TRuntime* runtime = TRuntime::Instance();
    TBrowser* browser = runtime && view ? runtime->BrowserOfView(view) : nullptr;
    const std::string origin = view ? OriginOf(view) : std::string();
    const int32_t kinds = KindsOf(request);
    if (!handler || !handler->on_permission_request || !browser || origin.empty() || !kinds) {
      ReleaseObject(callback);  // denies
      return;
    }
    const std::u16string text = Utf8ToU16(origin);
    const TCefStringUtf16 record = Borrow(text);
    handler->on_permission_request(handler, browser->ShareBrowser(), &record, kinds, callback);
  });
}

void ConnectPageRequests(WebKitWebView* view) {
  TPageRequests::Instance().ApplyTo(webkit_web_view_get_context(view));
  g_signal_connect(view, "permission-request", G_CALLBACK(OnPermissionRequest), nullptr);
  ConnectFileChooser(view);
  ConnectNotifications(view);
}

void AnswerPermissionRequest(WebKitPermissionRequest*& request, bool allow) {
  g_autoptr(WebKitPermissionRequest) answered = std::exchange(request, nullptr);
  if (!answered) return;
  if (allow)
    webkit_permission_request_allow(answered);
  else
    webkit_permission_request_deny(answered);
}

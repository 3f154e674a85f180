#include "RtCallbacks.h"

#include <string>
#include <utility>

#include "RtDialogs.h"
#include "RtGuard.h"
#include "RtPageRequests.h"
#include "RtStrings.h"

namespace {

// How long a client may keep a login waiting.
constexpr guint kLoginAnswerSeconds = 60;

}  // namespace

TCefJsDialogCallback* TJsDialogCallback::New(WebKitScriptDialog* dialog) {
  return &(new TJsDialogCallback(dialog))->FFace.Struct;
}

TJsDialogCallback::TJsDialogCallback(WebKitScriptDialog* dialog)
    : FDialog(webkit_script_dialog_ref(dialog)) {
  InitFace(FFace, this);
  FFace.Struct.cont = cont;
}

TJsDialogCallback::~TJsDialogCallback() {
  Answer(false, nullptr);
}

void TJsDialogCallback::Detach() {
  FDialog.reset();
}

void TJsDialogCallback::Answer(bool success, const char* userInput) {
  const TScriptDialogRef dialog = std::move(FDialog);
  if (dialog) AnswerScriptDialog(dialog.get(), success, userInput);
}

void CEF_CALLBACK TJsDialogCallback::cont(TCefJsDialogCallback* self, TCefBool success,
                                          TCefConstString* user_input) {
  Guarded("jsdialog cont", [&] {
    OwnerOf<TJsDialogCallback>(self).Answer(success != 0, ToUtf8(user_input).c_str());
  });
}

TCefGeolocationCallback* TGeolocationCallback::New(WebKitPermissionRequest* request,
                                                   WebKitWebView* view) {
  return &(new TGeolocationCallback(request, view))->FFace.Struct;
}

TGeolocationCallback::TGeolocationCallback(WebKitPermissionRequest* request, WebKitWebView* view)
    : FRequest(WEBKIT_PERMISSION_REQUEST(g_object_ref(request))) {
  InitFace(FFace, this);
  FFace.Struct.cont = cont;
  g_weak_ref_init(&FView, view);
}

// The client left the request alone: the user may still be asked.
TGeolocationCallback::~TGeolocationCallback() {
  Settle();
  if (FRequest) {
    g_autoptr(WebKitPermissionRequest) request = std::exchange(FRequest, nullptr);
    g_autoptr(WebKitWebView) view = static_cast<WebKitWebView*>(g_weak_ref_get(&FView));
    AskPageRequestHandler(view, request);
  }
  g_weak_ref_clear(&FView);
}

void TGeolocationCallback::Answer(bool allow) {
  AnswerPermissionRequest(FRequest, allow);
  Settle();
}

void TGeolocationCallback::Withdraw() {
  FSettled = nullptr;
  AnswerPermissionRequest(FRequest, false);
}

void TGeolocationCallback::Settle() {
  if (std::function<void()> settled = std::exchange(FSettled, nullptr)) settled();
}

void CEF_CALLBACK TGeolocationCallback::cont(TCefGeolocationCallback* self, TCefBool allow) {
  Guarded("geolocation cont", [&] { OwnerOf<TGeolocationCallback>(self).Answer(allow != 0); });
}

TCefAuthCallback* TAuthCallback::New(WebKitAuthenticationRequest* request) {
  return &(new TAuthCallback(request))->FFace.Struct;
}

TAuthCallback::TAuthCallback(WebKitAuthenticationRequest* request)
    : FRequest(WEBKIT_AUTHENTICATION_REQUEST(g_object_ref(request))) {
  InitFace(FFace, this);
  FFace.Struct.cont = cont;
  FFace.Struct.cancel = cancel;
  g_signal_connect(FRequest, "cancelled", G_CALLBACK(OnCancelled), this);
  FTimer = g_timeout_add_seconds(kLoginAnswerSeconds, OnWaitedTooLong, this);
}

TAuthCallback::~TAuthCallback() {
  Answer(nullptr);
}

bool TAuthCallback::Detach() {
  if (FTimer) g_source_remove(std::exchange(FTimer, 0));
  g_autoptr(WebKitAuthenticationRequest) request = std::exchange(FRequest, nullptr);
  if (request) g_signal_handlers_disconnect_by_data(request, this);
  return request != nullptr;
}

void TAuthCallback::Answer(WebKitCredential* credential) {
  g_autoptr(WebKitAuthenticationRequest) request = FRequest ? g_object_ref(FRequest) : nullptr;
  Detach();
  if (request) webkit_authentication_request_authenticate(request, credential);
}

// The password is held only as long as WebKit needs it for this request.
void CEF_CALLBACK TAuthCallback::cont(TCefAuthCallback* self, TCefConstString* username,
                                      TCefConstString* password) {
  Guarded("auth cont", [&] {
    g_autoptr(WebKitCredential) credential =
        webkit_credential_new(ToUtf8(username).c_str(), ToUtf8(password).c_str(),
                              WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    OwnerOf<TAuthCallback>(self).Answer(credential);
  });
}

// Goes on without credentials, so the page shows the server's refusal as browsers do.
void CEF_CALLBACK TAuthCallback::cancel(TCefAuthCallback* self) {
  Guarded("auth cancel", [&] { OwnerOf<TAuthCallback>(self).Answer(nullptr); });
}

// WebKit gave up on the request (the load stopped): nothing to answer.
void TAuthCallback::OnCancelled(WebKitAuthenticationRequest*, gpointer self) {
  Guarded("auth request cancelled", [&] { static_cast<TAuthCallback*>(self)->Detach(); });
}

gboolean TAuthCallback::OnWaitedTooLong(gpointer self) {
  auto& callback = *static_cast<TAuthCallback*>(self);
  callback.FTimer = 0;
  Guarded("auth wait", [&] { callback.Answer(nullptr); });
  return G_SOURCE_REMOVE;
}

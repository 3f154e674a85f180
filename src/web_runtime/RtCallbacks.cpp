#include "RtCallbacks.h"

#include <utility>

#include "RtDialogs.h"
#include "RtGuard.h"
#include "RtPageRequests.h"
#include "RtStrings.h"

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
  if (FRequest) {
    g_autoptr(WebKitPermissionRequest) request = std::exchange(FRequest, nullptr);
    g_autoptr(WebKitWebView) view = static_cast<WebKitWebView*>(g_weak_ref_get(&FView));
    AskPageRequestHandler(view, request);
  }
  g_weak_ref_clear(&FView);
}

void TGeolocationCallback::Answer(bool allow) {
  AnswerPermissionRequest(FRequest, allow);
}

void CEF_CALLBACK TGeolocationCallback::cont(TCefGeolocationCallback* self, TCefBool allow) {
  Guarded("geolocation cont", [&] { OwnerOf<TGeolocationCallback>(self).Answer(allow != 0); });
}

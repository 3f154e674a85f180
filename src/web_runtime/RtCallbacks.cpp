#include "RtCallbacks.h"

#include <utility>

#include "RtGuard.h"
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
  if (WebKitScriptDialog* dialog = std::exchange(FDialog, nullptr))
    webkit_script_dialog_unref(dialog);
}

void TJsDialogCallback::Answer(bool success, const char* userInput) {
  WebKitScriptDialog* dialog = std::exchange(FDialog, nullptr);
  if (!dialog) return;
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog, success);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      if (success) webkit_script_dialog_prompt_set_text(dialog, userInput ? userInput : "");
      break;
    default:
      break;
  }
  webkit_script_dialog_close(dialog);
  webkit_script_dialog_unref(dialog);
}

void CEF_CALLBACK TJsDialogCallback::cont(TCefJsDialogCallback* self, TCefBool success,
                                          TCefConstString* user_input) {
  Guarded("jsdialog cont", [&] {
    OwnerOf<TJsDialogCallback>(self).Answer(success != 0, ToUtf8(user_input).c_str());
  });
}

TCefGeolocationCallback* TGeolocationCallback::New(WebKitPermissionRequest* request) {
  return &(new TGeolocationCallback(request))->FFace.Struct;
}

TGeolocationCallback::TGeolocationCallback(WebKitPermissionRequest* request)
    : FRequest(WEBKIT_PERMISSION_REQUEST(g_object_ref(request))) {
  InitFace(FFace, this);
  FFace.Struct.cont = cont;
}

TGeolocationCallback::~TGeolocationCallback() {
  Answer(false);
}

void TGeolocationCallback::Answer(bool allow) {
  WebKitPermissionRequest* request = std::exchange(FRequest, nullptr);
  if (!request) return;
  if (allow)
    webkit_permission_request_allow(request);
  else
    webkit_permission_request_deny(request);
  g_object_unref(request);
}

void CEF_CALLBACK TGeolocationCallback::cont(TCefGeolocationCallback* self, TCefBool allow) {
  Guarded("geolocation cont", [&] { OwnerOf<TGeolocationCallback>(self).Answer(allow != 0); });
}

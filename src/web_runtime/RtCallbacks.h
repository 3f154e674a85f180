#pragma once

#include <webkit2/webkit2.h>

#include "RtDialogs.h"
#include "RtObject.h"
#include "cef_capi.h"

// Answers to WebKit requests the client may give later. Each holds its WebKit request until
// answered; a callback the client releases unanswered gives the cautious answer (cancel,
// deny) so that the page never waits forever.

class TJsDialogCallback final : public TRtCounted {
 public:
  // A callback structure with one reference for the receiver.
  static TCefJsDialogCallback* New(WebKitScriptDialog* dialog);
  // Gives the dialog back to WebKit unanswered, for a client that declined to handle it.
  void Detach();

 private:
  explicit TJsDialogCallback(WebKitScriptDialog* dialog);
  ~TJsDialogCallback() override;
  void Answer(bool success, const char* userInput);
  static void CEF_CALLBACK cont(TCefJsDialogCallback* self, TCefBool success,
                                TCefConstString* user_input);

  TFace<TCefJsDialogCallback> FFace;
  TScriptDialogRef FDialog;  // null once answered
};

// Released unanswered, the request goes on to the page request handler of the page in view
// (which denies without one).
class TGeolocationCallback final : public TRtCounted {
 public:
  static TCefGeolocationCallback* New(WebKitPermissionRequest* request, WebKitWebView* view);

 private:
  TGeolocationCallback(WebKitPermissionRequest* request, WebKitWebView* view);
  ~TGeolocationCallback() override;
  void Answer(bool allow);
  static void CEF_CALLBACK cont(TCefGeolocationCallback* self, TCefBool allow);

  TFace<TCefGeolocationCallback> FFace;
  WebKitPermissionRequest* FRequest;  // null once answered
  GWeakRef FView;
};

#pragma once

#include <webkit2/webkit2.h>

#include <functional>

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
  // Called once, when the client answers or lets go of the callback.
  void WhenSettled(std::function<void()> settled) { FSettled = std::move(settled); }
  // The page that asked is gone: denied without asking anyone; a later answer does nothing.
  void Withdraw();

 private:
  TGeolocationCallback(WebKitPermissionRequest* request, WebKitWebView* view);
  ~TGeolocationCallback() override;
  void Answer(bool allow);
  void Settle();
  static void CEF_CALLBACK cont(TCefGeolocationCallback* self, TCefBool allow);

  TFace<TCefGeolocationCallback> FFace;
  WebKitPermissionRequest* FRequest;  // null once answered
  GWeakRef FView;
  std::function<void()> FSettled;
};

// A login the client answers. Released unanswered, or still unanswered after a minute, the
// request goes on without credentials, so the page shows the server's refusal.
class TAuthCallback final : public TRtCounted {
 public:
  static TCefAuthCallback* New(WebKitAuthenticationRequest* request);
  // Gives the request back unanswered, for a client that declined it; false when there was
  // nothing to give back (answered already, or given up by WebKit).
  bool Detach();

 private:
  explicit TAuthCallback(WebKitAuthenticationRequest* request);
  ~TAuthCallback() override;
  // A null credential goes on without one.
  void Answer(WebKitCredential* credential);
  static void CEF_CALLBACK cont(TCefAuthCallback* self, TCefConstString* username,
                                TCefConstString* password);
  static void CEF_CALLBACK cancel(TCefAuthCallback* self);
  static void OnCancelled(WebKitAuthenticationRequest*, gpointer self);
  static gboolean OnWaitedTooLong(gpointer self);

  TFace<TCefAuthCallback> FFace;
  WebKitAuthenticationRequest* FRequest;  // counted; null once answered or given up by WebKit
  guint FTimer = 0;
};

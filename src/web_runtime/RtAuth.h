#pragma once

#include <webkit2/webkit2.h>

// Asks the user for a user name and password when a server or proxy wants them, in a small
// dialog over the view's window. One question at a time per view.
class TLoginDialog {
 public:
  explicit TLoginDialog(WebKitWebView* view) : FView(view) {}
  ~TLoginDialog() { Dismiss(); }
  TLoginDialog(const TLoginDialog&) = delete;
  TLoginDialog& operator=(const TLoginDialog&) = delete;

  // Answers false for requests that want no password (certificates), which stay WebKit's.
  static bool WantsPassword(WebKitAuthenticationRequest* request);
  void Ask(WebKitAuthenticationRequest* request);
  // The page goes away: an open question is cancelled.
  void Dismiss();

 private:
  void AddControls(GtkWidget* dialog);
  void Finish(gint response);
  void Close();
  static void OnResponse(GtkDialog*, gint response, gpointer self);
  static void OnCancelled(WebKitAuthenticationRequest*, gpointer self);

  WebKitWebView* FView;
  GtkWidget* FDialog = nullptr;
  GtkWidget* FUser = nullptr;
  GtkWidget* FPassword = nullptr;
  WebKitAuthenticationRequest* FRequest = nullptr;  // counted while asked
};

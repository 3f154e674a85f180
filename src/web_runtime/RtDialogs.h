#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

// Holds one reference to a script dialog, a type without GLib's automatic cleanup.
struct TScriptDialogUnref {
  void operator()(WebKitScriptDialog* dialog) const { webkit_script_dialog_unref(dialog); }
};
using TScriptDialogRef = std::unique_ptr<WebKitScriptDialog, TScriptDialogUnref>;

// A dialog of ours over the window that holds view: modal to that window, closed with it, and
// answered by keyboard as GTK dialogs are (Enter, Escape, Tab).
GtkWidget* NewDialogOver(GtkWidget* view, const std::string& title);

// Answers a script dialog and gives it back to WebKit. WebKit still uses the dialog after its
// script-dialog handler returns, so an answer given inside that handler closes it afterwards.
void AnswerScriptDialog(WebKitScriptDialog* dialog, bool accepted, const char* text);
// True from an answer given inside the handler until WebKit has the dialog back.
bool IsScriptDialogAnswered(WebKitScriptDialog* dialog);
// WebKit closes a page anyway when the page's "stay" reaches it later than 50 ms after the
// leave-page answer; a close that soon after the user chose to stay is that timeout's.
bool UserChoseToStayJustNow();
// A new close request: what the user chose before is past.
void ForgetStayChoice();

// Marks the running script-dialog handler of view while it lives.
class TScriptDialogSignal {
 public:
  explicit TScriptDialogSignal(WebKitWebView* view);
  ~TScriptDialogSignal();
  TScriptDialogSignal(const TScriptDialogSignal&) = delete;
  TScriptDialogSignal& operator=(const TScriptDialogSignal&) = delete;

 private:
  WebKitWebView* FOuter;
};

// Our own answer to a page's script dialogs when the client gives none: a dialog titled with
// the page's host, which from the second one of a document on lets the user stop the page
// from asking again (a page asking in a loop would otherwise never let go).
class TPageDialogs {
 public:
  explicit TPageDialogs(WebKitWebView* view) : FView(view) {}
  ~TPageDialogs() { Dismiss(); }
  TPageDialogs(const TPageDialogs&) = delete;
  TPageDialogs& operator=(const TPageDialogs&) = delete;

  bool Blocked() const { return FBlocked; }
  // The answer a stopped page gets without asking: no, nothing, and leave.
  static void AnswerUnasked(WebKitScriptDialog* dialog);
  void Show(WebKitScriptDialog* dialog);
  // A new document: it may ask again.
  void NewDocument();
  // The page goes away: an open dialog is answered as cancelled.
  void Dismiss();

 private:
  void AddControls(GtkWidget* dialog, WebKitScriptDialogType type, const std::string& message);
  void Finish(gint response);
  static void OnResponse(GtkDialog*, gint response, gpointer self);

  WebKitWebView* FView;
  GtkWidget* FDialog = nullptr;
  GtkWidget* FEntry = nullptr;
  GtkWidget* FStopAsking = nullptr;
  TScriptDialogRef FPending;  // while our dialog is open
  int FShownThisDocument = 0;
  bool FBlocked = false;
};

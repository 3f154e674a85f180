// The runtime's own script dialogs, and the safe return of every script dialog to WebKit.

#include "RtDialogs.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "RtGuard.h"
#include "RtRecovery.h"
#include "RtText.h"

namespace {

WebKitWebView* HandlerView = nullptr;  // the view whose script-dialog handler runs
std::vector<WebKitScriptDialog*> AnsweredInHandler;
gint64 StayChosenAt = 0;  // monotonic microseconds

// Far beyond WebKit's timeout, far below a user's next close.
constexpr gint64 kStayWindowMicroseconds = 2 * G_USEC_PER_SEC;

constexpr gint kDialogMargin = 12;

struct TDeferredClose {
  TScriptDialogRef Dialog;
  WebKitWebView* View;  // counted: WebKit's close reaches into the view
};

gboolean CloseDeferred(gpointer data) {
  auto* const owned = static_cast<TDeferredClose*>(data);
  g_autoptr(WebKitWebView) view = owned->View;  // released after the dialog, which uses it
  const std::unique_ptr<TDeferredClose> deferred(owned);
  Guarded("script dialog close", [&] {
    std::erase(AnsweredInHandler, deferred->Dialog.get());
    webkit_script_dialog_close(deferred->Dialog.get());
  });
  return G_SOURCE_REMOVE;
}

void SetAnswer(WebKitScriptDialog* dialog, bool accepted, const char* text) {
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog, accepted);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      if (accepted) webkit_script_dialog_prompt_set_text(dialog, text ? text : "");
      break;
    default:
      break;
  }
}

GtkWidget* AddLabel(GtkWidget* box, const std::string& text) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  return label;
}

// Pages may send anything; a dialog shows a readable amount of it.
std::string Shortened(const std::string& message) {
  constexpr size_t kLongestMessage = 2000;
  if (message.size() <= kLongestMessage) return message;
  const gchar* end = message.c_str() + kLongestMessage;
  g_utf8_validate(message.c_str(), kLongestMessage, &end);
  return std::string(message.c_str(), end) + "…";
}

}  // namespace

GtkWidget* NewDialogOver(GtkWidget* view, const std::string& title) {
  GtkWidget* dialog = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  GtkWidget* top = gtk_widget_get_toplevel(view);
  if (GTK_IS_WINDOW(top) && gtk_widget_is_toplevel(top)) {
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(top));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
  }
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), kDialogMargin);
  gtk_box_set_spacing(GTK_BOX(content), kDialogMargin / 2);
  return dialog;
}

void AnswerScriptDialog(WebKitScriptDialog* dialog, bool accepted, const char* text) {
  SetAnswer(dialog, accepted, text);
  if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
    StayChosenAt = accepted ? 0 : g_get_monotonic_time();
  if (!HandlerView) {
    webkit_script_dialog_close(dialog);
    return;
  }
  AnsweredInHandler.push_back(dialog);
  g_idle_add_full(G_PRIORITY_HIGH, CloseDeferred,
                  new TDeferredClose{TScriptDialogRef(webkit_script_dialog_ref(dialog)),
                                     WEBKIT_WEB_VIEW(g_object_ref(HandlerView))},
                  nullptr);
}

bool UserChoseToStayJustNow() {
  return StayChosenAt && g_get_monotonic_time() - StayChosenAt < kStayWindowMicroseconds;
}

void ForgetStayChoice() {
  StayChosenAt = 0;
}

bool IsScriptDialogAnswered(WebKitScriptDialog* dialog) {
  return std::find(AnsweredInHandler.begin(), AnsweredInHandler.end(), dialog) !=
         AnsweredInHandler.end();
}

TScriptDialogSignal::TScriptDialogSignal(WebKitWebView* view)
    : FOuter(std::exchange(HandlerView, view)) {}

TScriptDialogSignal::~TScriptDialogSignal() {
  HandlerView = FOuter;
}

void TPageDialogs::AnswerUnasked(WebKitScriptDialog* dialog) {
  const bool leave =
      webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
  AnswerScriptDialog(dialog, leave, nullptr);
}

void TPageDialogs::Show(WebKitScriptDialog* dialog) {
  if (FPending) {  // WebKit asks one at a time; anything else gets no second window
    AnswerUnasked(dialog);
    return;
  }
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  FPending.reset(webkit_script_dialog_ref(dialog));
  ++FShownThisDocument;
  FDialog = NewDialogOver(GTK_WIDGET(FView), HostOf(TextOrEmpty(webkit_web_view_get_uri(FView))));
  AddControls(FDialog, type, TextOrEmpty(webkit_script_dialog_get_message(dialog)));
  g_signal_connect(FDialog, "response", G_CALLBACK(OnResponse), this);
  // The window it sits over may take it along.
  g_signal_connect_swapped(FDialog, "destroy", G_CALLBACK(+[](gpointer self) {
                             Guarded("script dialog destroyed",
                                     [&] { static_cast<TPageDialogs*>(self)->Dismiss(); });
                           }),
                           this);
  gtk_widget_show_all(FDialog);
  gtk_window_present(GTK_WINDOW(FDialog));
}

// The leave-page question has WebKit's words, not the page's: pages used theirs to trap users.
void TPageDialogs::AddControls(GtkWidget* dialog, WebKitScriptDialogType type,
                               const std::string& message) {
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  const bool leaving = type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
  AddLabel(content,
           leaving ? "Leave this page? Changes you made may not be saved." : Shortened(message));
  FEntry = nullptr;
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    FEntry = gtk_entry_new();
    gtk_entry_set_text(
        GTK_ENTRY(FEntry),
        TextOrEmpty(webkit_script_dialog_prompt_get_default_text(FPending.get())).c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(FEntry), TRUE);
    gtk_box_pack_start(GTK_BOX(content), FEntry, FALSE, FALSE, 0);
  }
  FStopAsking = nullptr;
  if (FShownThisDocument > 1) {
    FStopAsking = gtk_check_button_new_with_mnemonic("_Don't allow this page to show more dialogs");
    gtk_box_pack_start(GTK_BOX(content), FStopAsking, FALSE, FALSE, 0);
  }
  if (type != WEBKIT_SCRIPT_DIALOG_ALERT)
    gtk_dialog_add_button(GTK_DIALOG(dialog), leaving ? "_Stay" : "_Cancel", GTK_RESPONSE_CANCEL);
  GtkWidget* accept =
      gtk_dialog_add_button(GTK_DIALOG(dialog), leaving ? "_Leave" : "_OK", GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_widget_grab_focus(FEntry ? FEntry : accept);
}

void TPageDialogs::NewDocument() {
  FShownThisDocument = 0;
  FBlocked = false;
}

void TPageDialogs::Dismiss() {
  if (FDialog) Finish(GTK_RESPONSE_CANCEL);
}

void TPageDialogs::Finish(gint response) {
  const bool accepted = response == GTK_RESPONSE_OK;
  const std::string text = FEntry ? TextOrEmpty(gtk_entry_get_text(GTK_ENTRY(FEntry))) : "";
  if (FStopAsking && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FStopAsking))) FBlocked = true;
  GtkWidget* dialog = std::exchange(FDialog, nullptr);
  FEntry = FStopAsking = nullptr;
  g_signal_handlers_disconnect_by_data(dialog, this);
  gtk_widget_destroy(dialog);
  const TScriptDialogRef pending = std::move(FPending);
  AnswerScriptDialog(pending.get(), accepted, text.c_str());
}

void TPageDialogs::OnResponse(GtkDialog*, gint response, gpointer self) {
  Guarded("script dialog response", [&] { static_cast<TPageDialogs*>(self)->Finish(response); });
}

// Logins a server or proxy asks for: the client's request handler first, then our dialog.

#include "RtAuth.h"

#include <string>
#include <utility>

#include "RtBrowser.h"
#include "RtCallbacks.h"
#include "RtDialogs.h"
#include "RtGuard.h"
#include "RtStrings.h"
#include "RtText.h"

namespace {

// The scheme as HTTP names it in lower case; "" for those it has no name for.
const char* SchemeNameOf(WebKitAuthenticationScheme scheme) {
  switch (scheme) {
    case WEBKIT_AUTHENTICATION_SCHEME_HTTP_BASIC:
      return "basic";
    case WEBKIT_AUTHENTICATION_SCHEME_HTTP_DIGEST:
      return "digest";
    case WEBKIT_AUTHENTICATION_SCHEME_NTLM:
      return "ntlm";
    case WEBKIT_AUTHENTICATION_SCHEME_NEGOTIATE:
      return "negotiate";
    default:
      return "";
  }
}

std::string WhoAsks(WebKitAuthenticationRequest* request) {
  const std::string host = TextOrEmpty(webkit_authentication_request_get_host(request));
  if (!webkit_authentication_request_is_for_proxy(request)) return host + " asks you to sign in.";
  return "The proxy " + host + ":" +
         std::to_string(webkit_authentication_request_get_port(request)) + " asks you to sign in.";
}

GtkWidget* AddField(GtkWidget* grid, int row, const char* caption, bool secret) {
  GtkWidget* label = gtk_label_new_with_mnemonic(caption);
  gtk_label_set_xalign(GTK_LABEL(label), 1);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_visibility(GTK_ENTRY(entry), !secret);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_widget_set_hexpand(entry, TRUE);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
  gtk_grid_attach(GTK_GRID(grid), label, 0, row, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), entry, 1, row, 1, 1);
  return entry;
}

}  // namespace

bool TLoginDialog::WantsPassword(WebKitAuthenticationRequest* request) {
  switch (webkit_authentication_request_get_scheme(request)) {
    case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_REQUESTED:
    case WEBKIT_AUTHENTICATION_SCHEME_SERVER_TRUST_EVALUATION_REQUESTED:
    case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_PIN_REQUESTED:
      return false;
    default:
      return true;
  }
}

// A second request while the user answers the first (a page's other protected resources) is
// refused rather than stacked as a second window.
void TLoginDialog::Ask(WebKitAuthenticationRequest* request) {
  if (FRequest) {
    webkit_authentication_request_cancel(request);
    return;
  }
  FRequest = WEBKIT_AUTHENTICATION_REQUEST(g_object_ref(request));
  g_signal_connect(FRequest, "cancelled", G_CALLBACK(OnCancelled), this);
  FDialog = NewDialogOver(GTK_WIDGET(FView), "Sign in");
  AddControls(FDialog);
  g_signal_connect(FDialog, "response", G_CALLBACK(OnResponse), this);
  g_signal_connect_swapped(FDialog, "destroy", G_CALLBACK(+[](gpointer self) {
                             Guarded("login dialog destroyed",
                                     [&] { static_cast<TLoginDialog*>(self)->Dismiss(); });
                           }),
                           this);
  gtk_widget_show_all(FDialog);
  gtk_window_present(GTK_WINDOW(FDialog));
}

void TLoginDialog::AddControls(GtkWidget* dialog) {
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  GtkWidget* who = gtk_label_new(WhoAsks(FRequest).c_str());
  gtk_label_set_xalign(GTK_LABEL(who), 0);
  gtk_grid_attach(GTK_GRID(grid), who, 0, 0, 2, 1);
  const std::string realm = TextOrEmpty(webkit_authentication_request_get_realm(FRequest));
  if (!realm.empty()) {
    // The realm is the server's text: shown as such, never as markup.
    GtkWidget* says = gtk_label_new(("It says: “" + realm + "”").c_str());
    gtk_label_set_xalign(GTK_LABEL(says), 0);
    gtk_label_set_line_wrap(GTK_LABEL(says), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(says), 50);
    gtk_grid_attach(GTK_GRID(grid), says, 0, 1, 2, 1);
  }
  FUser = AddField(grid, 2, "_User name", false);
  FPassword = AddField(grid, 3, "_Password", true);
  g_autoptr(WebKitCredential) proposed =
      webkit_authentication_request_get_proposed_credential(FRequest);
  if (proposed)
    gtk_entry_set_text(GTK_ENTRY(FUser),
                       TextOrEmpty(webkit_credential_get_username(proposed)).c_str());
  gtk_box_pack_start(GTK_BOX(content), grid, FALSE, FALSE, 0);
  gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(dialog), "_Sign in", GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_widget_grab_focus(gtk_entry_get_text_length(GTK_ENTRY(FUser)) ? FPassword : FUser);
}

void TLoginDialog::Dismiss() {
  if (!FRequest) return;
  g_autoptr(WebKitAuthenticationRequest) request = FRequest;
  Close();
  webkit_authentication_request_cancel(request);
}

// Cancel goes on without credentials, so the page shows the server's refusal as browsers do.
// The password is held only as long as WebKit needs it for this request.
void TLoginDialog::Finish(gint response) {
  g_autoptr(WebKitCredential) credential = nullptr;
  if (response == GTK_RESPONSE_OK)
    credential = webkit_credential_new(gtk_entry_get_text(GTK_ENTRY(FUser)),
                                       gtk_entry_get_text(GTK_ENTRY(FPassword)),
                                       WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
  g_autoptr(WebKitAuthenticationRequest) request = FRequest;
  Close();
  webkit_authentication_request_authenticate(request, credential);
}

// Ends our side of the question; the caller holds the request.
void TLoginDialog::Close() {
  g_signal_handlers_disconnect_by_data(std::exchange(FRequest, nullptr), this);
  GtkWidget* dialog = std::exchange(FDialog, nullptr);
  FUser = FPassword = nullptr;
  g_signal_handlers_disconnect_by_data(dialog, this);
  gtk_widget_destroy(dialog);
}

void TLoginDialog::OnResponse(GtkDialog*, gint response, gpointer self) {
  Guarded("login dialog response", [&] { static_cast<TLoginDialog*>(self)->Finish(response); });
}

// WebKit gave up on the request (the load stopped): nothing to answer.
void TLoginDialog::OnCancelled(WebKitAuthenticationRequest* request, gpointer self) {
  Guarded("authentication cancelled", [&] {
    static_cast<TLoginDialog*>(self)->Close();
    g_object_unref(request);  // the reference Ask took; WebKit holds it while it signals
  });
}

// WebKit does not say which frame asks: the main frame stands for it.
bool TBrowser::OnAuthentication(WebKitAuthenticationRequest* request) {
  bool handled = false;
  WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
    if (!handler->get_auth_credentials) return;
    TCefAuthCallback* callback = TAuthCallback::New(request);
    auto& answer = OwnerOf<TAuthCallback>(callback);
    answer.AddRef();  // ours, to take the request back when the client declines it
    const std::u16string host =
        Utf8ToU16(TextOrEmpty(webkit_authentication_request_get_host(request)));
    const std::u16string realm =
        Utf8ToU16(TextOrEmpty(webkit_authentication_request_get_realm(request)));
    const std::u16string scheme =
        Utf8ToU16(SchemeNameOf(webkit_authentication_request_get_scheme(request)));
    const TCefStringUtf16 hostRecord = Borrow(host);
    const TCefStringUtf16 realmRecord = Borrow(realm);
    const TCefStringUtf16 schemeRecord = Borrow(scheme);
    handled = handler->get_auth_credentials(
                  handler, ShareBrowser(), NewFrame(0),
                  webkit_authentication_request_is_for_proxy(request), &hostRecord,
                  int32_t(webkit_authentication_request_get_port(request)), &realmRecord,
                  &schemeRecord, callback) != 0;
    if (!handled) handled = !answer.Detach();  // a client may answer and still decline
    answer.Release();
  });
  return handled;
}

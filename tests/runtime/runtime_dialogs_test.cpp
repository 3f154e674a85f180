// What a page asks of the window: script dialogs, logins, refused certificates and file loads,
// through the runtime's C entry points under Xvfb. The runtime's own dialogs are found among
// the process's windows and answered with key events only, as a keyboard user would.

#include <gtest/gtest.h>

#include <utility>

#include "runtime_test_support.h"

namespace {

std::string Root;
TServer Server;

// How the client's script dialog handler behaves in a test.
enum class TClientDialogs { Decline, AnswerAtOnce };
TClientDialogs ClientDialogs = TClientDialogs::Decline;

// Answers before returning, as the ABI allows: yes, and "typed" for a prompt.
TCefBool CEF_CALLBACK OnJsDialog(TCefJsDialogHandler*, TCefBrowser* browser, TCefConstString*,
                                 TCefConstString*, TCefJsDialogType, TCefConstString*,
                                 TCefConstString*, TCefJsDialogCallback* callback, TCefBool*) {
  Drop(browser);
  if (ClientDialogs == TClientDialogs::Decline) {
    Drop(callback);
    return 0;
  }
  const std::u16string typed = U16("typed");
  const TCefStringUtf16 typedView = View(typed);
  callback->cont(callback, 1, &typedView);
  Drop(callback);
  return 1;
}

int TlsPort() {
  const std::string reports = WaitForReport(Server, "tls-port ");
  const size_t at = reports.find("tls-port ");
  return at == std::string::npos ? 0 : std::atoi(reports.c_str() + at + 9);
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A dialog of the runtime's over window, as the window manager would list it.
GtkWidget* DialogOver(GtkWidget* window) {
  GtkWidget* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    GtkWindow* candidate = GTK_WINDOW(item->data);
    if (GTK_IS_DIALOG(candidate) && gtk_widget_get_visible(GTK_WIDGET(candidate)) &&
        gtk_window_get_transient_for(candidate) == GTK_WINDOW(window))
      found = GTK_WIDGET(candidate);
  }
  g_list_free(windows);
  return found;
}

GtkWidget* WaitForDialog(GtkWidget* window) {
  GtkWidget* dialog = nullptr;
  PumpUntil([&] { return (dialog = DialogOver(window)) != nullptr; }, 15);
  return dialog;
}

struct TDialogFacts {
  std::string Title;
  std::string Texts;  // every label, one per line
  int CheckBoxes = 0;
};

void CollectFacts(GtkWidget* widget, gpointer facts) {
  auto& seen = *static_cast<TDialogFacts*>(facts);
  if (GTK_IS_LABEL(widget)) seen.Texts += std::string(gtk_label_get_text(GTK_LABEL(widget))) + "\n";
  if (GTK_IS_CHECK_BUTTON(widget)) ++seen.CheckBoxes;
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), CollectFacts, facts);
}

TDialogFacts FactsOf(GtkWidget* dialog) {
  TDialogFacts facts;
  facts.Title = gtk_window_get_title(GTK_WINDOW(dialog));
  CollectFacts(dialog, &facts);
  return facts;
}

// A key press and release on the window, then a moment for the dialog to take them.
void Press(GtkWidget* window, guint keyval, guint state = 0) {
  PressKey(window, keyval, state);
  PumpFor(50);
}

void Type(GtkWidget* window, const std::string& text) {
  for (char c : text) Press(window, gdk_unicode_to_keyval(guchar(c)));
}

// A real click through the X server, in the middle of the window.
void ClickPage(GtkWidget* window) {
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(window), &x, &y);
  const std::string command =
      "xdotool mousemove " + std::to_string(x + 100) + " " + std::to_string(y + 100) + " click 1";
  ASSERT_TRUE(g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, nullptr, nullptr));
}

// Waits until the dialog is gone after the keys that should close it.
bool Closed(GtkWidget* window) {
  return PumpUntil([&] { return DialogOver(window) == nullptr; }, 10);
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    ClientDialogs = TClientDialogs::Decline;
    Browser = OpenBrowser(Window, Server.Base() + "/page.html");
    ASSERT_NE(Browser, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/page.html", true); }));
  }

  void TearDown() override {
    if (GtkWidget* dialog = DialogOver(Window)) Press(dialog, GDK_KEY_Escape);
    TCefBrowserHost* host = Browser->get_host(Browser);
    host->close_browser(host);
    Drop(host);
    if (GtkWidget* dialog = WaitForDialogIfAny()) Press(dialog, GDK_KEY_Return);
    EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose >= 1; }, 10)) << "browser closed";
    Drop(std::exchange(Browser, nullptr));
    gtk_widget_destroy(Window);
  }

  GtkWidget* WaitForDialogIfAny() {
    PumpUntil([&] { return Events.BeforeClose > 0 || DialogOver(Window); }, 10);
    return DialogOver(Window);
  }

  void CloseBrowser() {
    TCefBrowserHost* host = Browser->get_host(Browser);
    host->close_browser(host);
    Drop(host);
  }

  GtkWidget* Window = nullptr;
  TCefBrowser* Browser = nullptr;
};

// The client may answer before on_jsdialog returns; WebKit gets each dialog back only after.
TEST_F(DialogTest, ClientAnswersInsideTheHandler) {
  ClientDialogs = TClientDialogs::AnswerAtOnce;
  RunInMainFrame(Browser,
                 "var c = confirm('Sure?'); var p = prompt('Name?', 'x'); alert('done');"
                 "new Image().src = '/report?answers=' + c + ',' + p;");
  EXPECT_NE(WaitForReport(Server, "answers=").find("answers=true,typed"), std::string::npos);
  EXPECT_EQ(DialogOver(Window), nullptr) << "no dialog of ours for an answered one";
}

// Without the client the runtime asks: titled with the host, Enter accepts, Escape cancels,
// and from the second dialog on the page can be stopped, here in a loop of 1,000.
TEST_F(DialogTest, OwnDialogsAnswerToTheKeyboardAndStopALoopingPage) {
  RunInMainFrame(Browser,
                 "var name = prompt('Your name?', '');"
                 "new Image().src = '/report?name=' + name;"
                 "var yes = 0, i = 0; for (; i < 1000; ++i) if (confirm('Again ' + i + '?')) ++yes;"
                 "new Image().src = '/report?yes=' + yes + '&asked=' + i;");
  GtkWidget* dialog = WaitForDialog(Window);
  ASSERT_NE(dialog, nullptr);
  TDialogFacts facts = FactsOf(dialog);
  EXPECT_EQ(facts.Title, "127.0.0.1");
  EXPECT_NE(facts.Texts.find("Your name?"), std::string::npos);
  EXPECT_EQ(facts.CheckBoxes, 0) << "the first dialog cannot stop the page";
  Type(dialog, "Bob");
  Press(dialog, GDK_KEY_Return);
  EXPECT_NE(WaitForReport(Server, "name=").find("name=Bob"), std::string::npos);

  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  EXPECT_NE(FactsOf(dialog).Texts.find("Again 0?"), std::string::npos);
  EXPECT_EQ(FactsOf(dialog).CheckBoxes, 1) << "second dialog of the page";
  Press(dialog, GDK_KEY_Escape);
  ASSERT_TRUE(Closed(Window));
  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  Press(dialog, GDK_KEY_Return);
  ASSERT_TRUE(Closed(Window));
  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  Press(dialog, GDK_KEY_d, GDK_MOD1_MASK);  // "Don't allow this page to show more dialogs"
  Press(dialog, GDK_KEY_Return);
  // The test's pump turns once per dialog, so 998 unasked dialogs take it a while.
  ASSERT_TRUE(
      PumpUntil([] { return ReadFile(Server.Reports).find("yes=") != std::string::npos; }, 60));
  EXPECT_NE(ReadFile(Server.Reports).find("yes=2&asked=1000"), std::string::npos);
  EXPECT_EQ(DialogOver(Window), nullptr);

  // A new document may ask again.
  LoadInMainFrame(Browser, Server.Base() + "/page.html?again");
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/page.html?again", true); }));
  RunInMainFrame(Browser, "alert('Hello again');");
  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  Press(dialog, GDK_KEY_Return);
  EXPECT_TRUE(Closed(Window));
}

// Closing asks the page's leave-page question: Escape stays, Enter leaves.
TEST_F(DialogTest, ClosingAsksTheLeavePageQuestion) {
  LoadInMainFrame(Browser, Server.Base() + "/unsaved.html");
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/unsaved.html", true); }));
  // Pages the user never touched are not asked; a synthetic key does not count as a touch.
  // A click into a freshly shown window is sometimes not taken; a user clicks again.
  bool touched = false;
  for (int attempt = 0; attempt < 5 && !touched; ++attempt) {
    ClickPage(Window);
    touched = WaitForReport(Server, "clicked").find("clicked") != std::string::npos;
  }
  ASSERT_TRUE(touched);

  CloseBrowser();
  GtkWidget* dialog = WaitForDialog(Window);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(FactsOf(dialog).Title, "127.0.0.1");
  EXPECT_NE(FactsOf(dialog).Texts.find("Leave this page?"), std::string::npos);
  Press(dialog, GDK_KEY_Escape);
  ASSERT_TRUE(Closed(Window));
  EXPECT_NE(MainFrameText(Browser).find("unsaved work"), std::string::npos) << "stayed";
  EXPECT_EQ(Events.BeforeClose, 0);

  CloseBrowser();
  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  Press(dialog, GDK_KEY_Return);
  EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose == 1; }, 10)) << "left";
}

// Escape cancels the login; then user name, Tab, password and Enter sign in.
TEST_F(DialogTest, HttpLoginIsAnsweredByKeyboardAlone) {
  LoadInMainFrame(Browser, Server.Base() + "/protected");
  GtkWidget* dialog = WaitForDialog(Window);
  ASSERT_NE(dialog, nullptr);
  const TDialogFacts facts = FactsOf(dialog);
  EXPECT_NE(facts.Texts.find("127.0.0.1 asks you to sign in."), std::string::npos) << facts.Texts;
  EXPECT_NE(facts.Texts.find("Invoices <b>of 2024</b>"), std::string::npos) << "realm as text";
  Press(dialog, GDK_KEY_Escape);
  ASSERT_TRUE(Closed(Window));
  EXPECT_TRUE(PumpUntil(
      [&] { return MainFrameText(Browser).find("login refused") != std::string::npos; }, 10));

  LoadInMainFrame(Browser, Server.Base() + "/protected?again");
  ASSERT_TRUE((dialog = WaitForDialog(Window)));
  Type(dialog, "ann");
  Press(dialog, GDK_KEY_Tab);
  Type(dialog, "s3cret");
  Press(dialog, GDK_KEY_Return);
  WaitForReport(Server, "authorized");
  EXPECT_TRUE(PumpUntil(
      [&] { return MainFrameText(Browser).find("welcome ann") != std::string::npos; }, 10));
}

// A refused certificate shows our page once, without the content or a way through; a script
// from that server does not run in a page of another.
TEST_F(DialogTest, RefusedCertificateNeverShowsTheContent) {
  const std::string secret = "https://127.0.0.1:" + std::to_string(TlsPort()) + "/secret.html";
  LoadInMainFrame(Browser, secret);
  ASSERT_TRUE(PumpUntil([] { return Events.LoadErrors > 0; }, 15));
  EXPECT_EQ(Events.LastErrorCode, -202) << "authority invalid";
  EXPECT_EQ(Events.FailedUrl, secret);
  EXPECT_TRUE(PumpUntil(
      [&] {
        return MainFrameText(Browser).find("security certificate is not valid") !=
               std::string::npos;
      },
      10));
  const std::string text = MainFrameText(Browser);
  EXPECT_NE(text.find("127.0.0.1"), std::string::npos) << text;
  EXPECT_EQ(text.find("secret"), std::string::npos) << text;
  const size_t attempts = Occurrences(ReadFile(Server.Reports), "tls-connection");
  // The offline page's first retry would come after five seconds.
  EXPECT_FALSE(PumpUntil([] { return Events.LoadErrors > 1; }, 8)) << "no retry";
  EXPECT_EQ(Occurrences(ReadFile(Server.Reports), "tls-connection"), attempts);

  LoadInMainFrame(Browser, Server.Base() + "/with-tls-script.html");
  const std::string reports = WaitForReport(Server, "subresource-refused");
  EXPECT_NE(reports.find("subresource-refused"), std::string::npos);
  EXPECT_EQ(reports.find("tls-script-ran"), std::string::npos);
  EXPECT_EQ(reports.find("tls-content-ran"), std::string::npos);
}

// What a dropped file does to WebKit: a file: navigation the program did not start. Refused;
// the program's own load of a file still works.
TEST_F(DialogTest, FileNavigationNotStartedByTheProgramIsRefused) {
  const std::string folder = Root + "/files";
  g_mkdir_with_parents(folder.c_str(), 0700);
  const std::string report = "http://127.0.0.1:" + std::to_string(Server.Port) + "/report?";
  const std::string app = "<title>App</title><script>new Image().src = '" + report +
                          "app-file'; location.href = 'dropped.html';"
                          "setTimeout(function () { new Image().src = '" +
                          report + "still-app'; }, 300);</script>";
  const std::string dropped =
      "<title>Dropped</title><script>new Image().src = '" + report + "dropped-file';</script>";
  g_file_set_contents((folder + "/app.html").c_str(), app.c_str(), -1, nullptr);
  g_file_set_contents((folder + "/dropped.html").c_str(), dropped.c_str(), -1, nullptr);

  LoadInMainFrame(Browser, "file://" + folder + "/app.html");
  EXPECT_NE(WaitForReport(Server, "still-app").find("still-app"), std::string::npos);
  EXPECT_EQ(ReadFile(Server.Reports).find("dropped-file"), std::string::npos);

  LoadInMainFrame(Browser, "file://" + folder + "/dropped.html");
  EXPECT_NE(WaitForReport(Server, "dropped-file").find("dropped-file"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-dialogs-XXXXXX",
                          .Handlers = [] { Harness.Dialog.Struct.on_jsdialog = OnJsDialog; }});
}

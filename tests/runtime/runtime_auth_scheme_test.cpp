// Logins the client answers, custom schemes the client serves, and what a replaced page takes
// with it (dialog state, a geolocation question still open), through the runtime's C entry
// points against the loopback server.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "cef_capi_scheme.h"
#include "cef_capi_urlrequest.h"
#include "runtime_test_support.h"

namespace {

std::string Root;
TServer Server;

// ---- Logins ---------------------------------------------------------------------------------

enum class TLoginAnswer { Cancel, Keep };
TLoginAnswer LoginAnswer = TLoginAnswer::Cancel;

struct TLoginAsked {
  bool IsProxy = false;
  std::string Host, Realm, Scheme;
  int32_t Port = 0;
};
std::vector<TLoginAsked> LoginsAsked;
TCefAuthCallback* KeptLogin = nullptr;

TCefBool CEF_CALLBACK OnAuthCredentials(TCefRequestHandler*, TCefBrowser* browser, TCefFrame* frame,
                                        TCefBool isProxy, TCefConstString* host, int32_t port,
                                        TCefConstString* realm, TCefConstString* scheme,
                                        TCefAuthCallback* callback) {
  LoginsAsked.push_back({isProxy != 0, Ascii(host), Ascii(realm), Ascii(scheme), port});
  Drop(frame);
  Drop(browser);
  if (LoginAnswer == TLoginAnswer::Keep) {
    KeptLogin = callback;
    return 1;
  }
  callback->cancel(callback);
  Drop(callback);
  return 1;
}

// ---- A scheme served in pieces --------------------------------------------------------------

constexpr char kScheme[] = "corvane-test";
constexpr size_t kPiece = 7;  // bytes per read, so that every file takes several

struct TServedFile {
  const char* MimeType;
  std::string Body;
  bool LengthKnown;
  bool Stalls = false;  // never continues its first read
};

const std::map<std::string, TServedFile> kServed = {
    {"corvane-test://app/page.html",
     {"text/html",
      "<!DOCTYPE html><title>Served</title><p>served page</p><img src=\"dot.svg\" "
      "onload=\"document.title = 'image ' + this.naturalWidth\" "
      "onerror=\"document.title = 'image failed'\">",
      true}},
    {"corvane-test://app/dot.svg",
     {"image/svg+xml",
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"><rect width=\"8\" "
      "height=\"8\" fill=\"teal\"/></svg>",
      false}},
    {"corvane-test://app/browser.html",
     {"text/html", "<!DOCTYPE html><p>browser's own page</p>", true}},
    {"corvane-test://app/stalled.html", {"text/html", "never sent", true, true}},
    {"corvane-test://app/posted.html", {"text/html", "<!DOCTYPE html><p>posted</p>", false}},
};

// One request's handler. Every other step answers "later" and continues from the main loop,
// as a handler waiting for its own data would.
struct TServedRequest {
  TCounted<TCefResourceHandler> Handler;  // first: the runtime's pointer leads here
  std::string Url;
  std::string Method;
  std::string Body;  // the bytes elements of the post data, joined
  const TServedFile* File = nullptr;
  std::string By;  // who made the handler
  size_t Sent = 0;
  int Steps = 0;
  int Reads = 0;
  int Cancels = 0;
  TCefCallback* Stalled = nullptr;
};
std::vector<std::unique_ptr<TServedRequest>> Served;
TCounted<TCefSchemeHandlerFactory> Factory;

TServedRequest& RequestOf(TCefResourceHandler* handler) {
  return *reinterpret_cast<TServedRequest*>(handler);
}

void ContinueLater(TCefCallback* callback) {
  g_idle_add(
      [](gpointer data) {
        auto* later = static_cast<TCefCallback*>(data);
        later->cont(later);
        Drop(later);
        return G_SOURCE_REMOVE;
      },
      callback);
}

std::string TakeText(TCefStringUserFreeUtf16 text) {
  std::string ascii = Ascii(text);
  Api.cef_string_userfree_utf16_free(text);
  return ascii;
}

std::string BodyOf(TCefRequest* request) {
  TCefPostData* post = request->get_post_data(request);
  if (!post) return "";
  size_t count = post->get_element_count(post);
  std::vector<TCefPostDataElement*> elements(count);
  post->get_elements(post, &count, elements.data());
  std::string body;
  for (TCefPostDataElement* element : elements) {
    std::string bytes(element->get_bytes_count(element), '\0');
    body.append(bytes, 0, element->get_bytes(element, bytes.size(), bytes.data()));
    Drop(element);
  }
  Drop(post);
  return body;
}

TCefBool CEF_CALLBACK ProcessRequest(TCefResourceHandler* self, TCefRequest* request,
                                     TCefCallback* callback) {
  RequestOf(self).Method = TakeText(request->get_method(request));
  RequestOf(self).Body = BodyOf(request);
  Drop(request);
  ++RequestOf(self).Steps;
  ContinueLater(callback);
  return 1;
}

void CEF_CALLBACK GetResponseHeaders(TCefResourceHandler* self, TCefResponse* response,
                                     int64_t* length, TCefStringUtf16*) {
  const TServedFile& file = *RequestOf(self).File;
  const std::u16string type = U16(file.MimeType);
  const TCefStringUtf16 typeView = View(type);
  response->set_status(response, 200);
  response->set_mime_type(response, &typeView);
  *length = file.LengthKnown ? int64_t(file.Body.size()) : -1;
}

TCefBool CEF_CALLBACK ReadResponse(TCefResourceHandler* self, void* out, int32_t wanted,
                                   int32_t* read, TCefCallback* callback) {
  TServedRequest& served = RequestOf(self);
  *read = 0;
  if (served.Sent == served.File->Body.size()) {
    Drop(callback);
    return 0;
  }
  if (served.File->Stalls) {
    served.Stalled = callback;
    return 1;
  }
  if (served.Steps++ % 2 == 0) {
    ContinueLater(callback);
    return 1;
  }
  const size_t piece = std::min({kPiece, served.File->Body.size() - served.Sent, size_t(wanted)});
  std::copy_n(served.File->Body.data() + served.Sent, piece, static_cast<char*>(out));
  served.Sent += piece;
  ++served.Reads;
  *read = int32_t(piece);
  Drop(callback);
  return 1;
}

void CEF_CALLBACK Cancel(TCefResourceHandler* self) {
  ++RequestOf(self).Cancels;
}

// Files the test knows get a handler; anything else is refused.
TCefResourceHandler* NewHandler(const std::string& url, const std::string& by) {
  auto found = kServed.find(url.substr(0, url.find('?')));
  if (found == kServed.end()) return nullptr;
  auto served = std::make_unique<TServedRequest>();
  served->Url = url;
  served->By = by;
  served->File = &found->second;
  served->Handler.Struct.process_request = ProcessRequest;
  served->Handler.Struct.get_response_headers = GetResponseHeaders;
  served->Handler.Struct.read_response = ReadResponse;
  served->Handler.Struct.cancel = Cancel;
  Served.push_back(std::move(served));
  return Served.back()->Handler.Give();
}

TCefResourceHandler* CEF_CALLBACK CreateHandler(TCefSchemeHandlerFactory*, TCefBrowser* browser,
                                                TCefFrame* frame, TCefConstString* scheme,
                                                TCefRequest* request) {
  const std::string url = TakeText(request->get_url(request));
  Drop(request);
  Drop(frame);
  Drop(browser);
  return Ascii(scheme) == kScheme ? NewHandler(url, "factory") : nullptr;
}

// The browser's own handler takes one address before the factory is asked.
TCefResourceHandler* CEF_CALLBACK GetResourceHandler(TCefRequestHandler*, TCefBrowser* browser,
                                                     TCefFrame* frame, TCefRequest* request) {
  const std::string url = TakeText(request->get_url(request));
  Drop(request);
  Drop(frame);
  Drop(browser);
  return url == "corvane-test://app/browser.html" ? NewHandler(url, "request handler") : nullptr;
}

TServedRequest* ServedFor(const std::string& url) {
  for (const auto& served : Served)
    if (served->Url == url) return served.get();
  return nullptr;
}

bool RegisterFactory(const std::string& scheme, const std::string& domain) {
  const std::u16string schemeText = U16(scheme), domainText = U16(domain);
  const TCefStringUtf16 schemeView = View(schemeText), domainView = View(domainText);
  return Api.cef_register_scheme_handler_factory(&schemeView, &domainView, Factory.Give()) != 0;
}

// ---- Dialog state and geolocation ------------------------------------------------------------

int DialogResets = 0;
TCounted<TCefGeolocationHandler> Geolocation;
TCefGeolocationCallback* KeptGeolocation = nullptr;
int32_t AskedGeolocationId = 0;
std::vector<std::pair<int32_t, std::string>> CancelledGeolocation;

void CEF_CALLBACK OnResetDialogState(TCefJsDialogHandler*, TCefBrowser* browser) {
  ++DialogResets;
  Drop(browser);
}

void CEF_CALLBACK OnGeolocationRequest(TCefGeolocationHandler*, TCefBrowser* browser,
                                       TCefConstString*, int32_t id,
                                       TCefGeolocationCallback* callback) {
  AskedGeolocationId = id;
  KeptGeolocation = callback;
  Drop(browser);
}

void CEF_CALLBACK OnGeolocationCancelled(TCefGeolocationHandler*, TCefBrowser* browser,
                                         TCefConstString* url, int32_t id) {
  CancelledGeolocation.emplace_back(id, Ascii(url));
  Drop(browser);
}

TCefGeolocationHandler* CEF_CALLBACK GetGeolocationHandler(TCefClient*) {
  return Geolocation.Give();
}

bool HasTitle(const std::string& title) {
  return std::find(Events.Titles.begin(), Events.Titles.end(), title) != Events.Titles.end();
}

class AuthSchemeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    Browser = OpenBrowser(Window, Server.Base() + "/page.html");
    ASSERT_NE(Browser, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/page.html", true); }));
  }

  void TearDown() override { EXPECT_TRUE(CloseBrowser(Browser, Window)) << "browser closed"; }

  bool ShowsText(const std::string& text) {
    return PumpUntil([&] { return MainFrameText(Browser).find(text) != std::string::npos; }, 10);
  }

  GtkWidget* Window = nullptr;
  TCefBrowser* Browser = nullptr;
};

// Cancelled, the page shows the server's refusal; answered later, it loads as the user.
TEST_F(AuthSchemeTest, ClientAnswersTheLogin) {
  LoginAnswer = TLoginAnswer::Cancel;
  LoadInMainFrame(Browser, Server.Base() + "/protected");
  EXPECT_TRUE(ShowsText("login refused"));
  ASSERT_EQ(LoginsAsked.size(), 1u);
  EXPECT_FALSE(LoginsAsked[0].IsProxy);
  EXPECT_EQ(LoginsAsked[0].Host, "127.0.0.1");
  EXPECT_EQ(LoginsAsked[0].Port, Server.Port);
  EXPECT_EQ(LoginsAsked[0].Realm, "Invoices <b>of 2024</b>");
  EXPECT_EQ(LoginsAsked[0].Scheme, "basic");

  LoginAnswer = TLoginAnswer::Keep;
  LoadInMainFrame(Browser, Server.Base() + "/protected?again");
  ASSERT_TRUE(PumpUntil([] { return KeptLogin != nullptr; }));
  const std::u16string user = U16("ann"), password = U16("s3cret");
  const TCefStringUtf16 userView = View(user), passwordView = View(password);
  KeptLogin->cont(KeptLogin, &userView, &passwordView);
  Drop(std::exchange(KeptLogin, nullptr));
  EXPECT_TRUE(ShowsText("welcome ann"));
  EXPECT_NE(ReadFile(Server.Reports).find("authorized"), std::string::npos);
}

// A page and its image come from the client's handlers, several reads each, some of them
// continued later; a form posts its body to them; the browser's request handler comes first; a
// handler left waiting is cancelled when the page goes; an address nothing serves fails, and so
// does everything once cleared.
TEST_F(AuthSchemeTest, FactoryServesAPageAndItsImageInPieces) {
  for (const char* taken : {"http", "https", "file", "bad scheme"})
    EXPECT_FALSE(RegisterFactory(taken, "")) << taken;
  EXPECT_EQ(Factory.Refs, 1) << "refused factories are given back";
  ASSERT_TRUE(RegisterFactory(kScheme, "app"));

  LoadInMainFrame(Browser, "corvane-test://app/page.html");
  ASSERT_TRUE(PumpUntil([] { return HasTitle("image 8") || HasTitle("image failed"); }));
  EXPECT_TRUE(HasTitle("image 8"));
  EXPECT_TRUE(ShowsText("served page"));
  ASSERT_EQ(Served.size(), 2u);
  for (const auto& served : Served) {
    EXPECT_EQ(served->By, "factory");
    EXPECT_EQ(served->Method, "GET") << served->Url;
    EXPECT_EQ(served->Sent, served->File->Body.size()) << served->Url;
    EXPECT_GT(served->Reads, 2) << served->Url;
  }

  RunInMainFrame(Browser,
                 "var form = document.createElement('form'); form.method = 'post';"
                 "form.action = 'posted.html'; form.innerHTML = '<input name=a value=1>"
                 "<input name=b value=\"x y\">'; document.body.append(form); form.submit();");
  EXPECT_TRUE(ShowsText("posted"));
  ASSERT_NE(ServedFor("corvane-test://app/posted.html"), nullptr);
  EXPECT_EQ(ServedFor("corvane-test://app/posted.html")->Method, "POST");
  EXPECT_EQ(ServedFor("corvane-test://app/posted.html")->Body, "a=1&b=x+y");

  LoadInMainFrame(Browser, "corvane-test://app/browser.html");
  EXPECT_TRUE(ShowsText("browser's own page"));
  ASSERT_NE(ServedFor("corvane-test://app/browser.html"), nullptr);
  EXPECT_EQ(ServedFor("corvane-test://app/browser.html")->By, "request handler");

  LoadInMainFrame(Browser, "corvane-test://app/stalled.html");
  ASSERT_TRUE(PumpUntil([] {
    TServedRequest* stalled = ServedFor("corvane-test://app/stalled.html");
    return stalled && stalled->Stalled;
  }));
  LoadInMainFrame(Browser, "corvane-test://app/page.html?after");
  TServedRequest& stalled = *ServedFor("corvane-test://app/stalled.html");
  EXPECT_TRUE(PumpUntil([&] { return stalled.Cancels == 1; }, 5)) << "cancelled at once";
  stalled.Stalled->cont(stalled.Stalled);  // too late: nothing happens
  Drop(std::exchange(stalled.Stalled, nullptr));
  EXPECT_TRUE(ShowsText("served page")) << "the next page comes";

  const int errors = Events.LoadErrors;
  LoadInMainFrame(Browser, "corvane-test://elsewhere/page.html");
  ASSERT_TRUE(PumpUntil([&] { return Events.LoadErrors > errors; }));
  EXPECT_EQ(Events.FailedUrl, "corvane-test://elsewhere/page.html");
  ASSERT_TRUE(ShowsText("cannot reach elsewhere")) << "the runtime's page, before the next load";

  EXPECT_TRUE(Api.cef_clear_scheme_handler_factories());
  EXPECT_EQ(Factory.Refs, 1) << "cleared factories are given back";
  LoadInMainFrame(Browser, "corvane-test://app/page.html?cleared");
  ASSERT_TRUE(PumpUntil([&] { return Events.LoadErrors > errors + 1; }));
  EXPECT_EQ(Events.FailedUrl, "corvane-test://app/page.html?cleared");
  EXPECT_EQ(ServedFor("corvane-test://app/page.html?cleared"), nullptr);
  for (const auto& served : Served) EXPECT_EQ(served->Handler.Refs, 1) << served->Url;
}

// A new document resets the dialog state and cancels the geolocation question the client
// still holds; the client's late answer then does nothing.
TEST_F(AuthSchemeTest, ANewDocumentResetsDialogsAndCancelsTheOpenGeolocationRequest) {
  const int resets = DialogResets;
  RunInMainFrame(Browser, "navigator.geolocation.getCurrentPosition(() => {}, () => {});");
  ASSERT_TRUE(PumpUntil([] { return KeptGeolocation != nullptr; }));
  LoadInMainFrame(Browser, Server.Base() + "/page.html?next");
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/page.html?next", true); }));
  EXPECT_GT(DialogResets, resets);
  ASSERT_EQ(CancelledGeolocation.size(), 1u);
  EXPECT_EQ(CancelledGeolocation[0].first, AskedGeolocationId);
  EXPECT_EQ(CancelledGeolocation[0].second, Server.Base() + "/page.html");
  KeptGeolocation->cont(KeptGeolocation, 1);
  Drop(std::exchange(KeptGeolocation, nullptr));
  EXPECT_EQ(Geolocation.Refs, 1);
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(
      argc, argv, Root, Server,
      {.FolderPattern = "runtime-auth-scheme-XXXXXX", .Handlers = [] {
         Harness.Request.Struct.get_auth_credentials = OnAuthCredentials;
         Harness.Dialog.Struct.on_reset_dialog_state = OnResetDialogState;
         Harness.Client.Struct.get_geolocation_handler = GetGeolocationHandler;
         Geolocation.Struct.on_request_geolocation_permission = OnGeolocationRequest;
         Geolocation.Struct.on_cancel_geolocation_permission = OnGeolocationCancelled;
         Factory.Struct.create = CreateHandler;
         Harness.Request.Struct.get_resource_handler = GetResourceHandler;
       }});
}

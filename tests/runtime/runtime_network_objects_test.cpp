// URLs, requests with their bodies, and URL requests against the loopback server.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "cef_capi_urlrequest.h"
#include "runtime_test_support.h"

namespace {

TServer Server;
std::string Root;

std::string Text(TCefStringUserFreeUtf16 text) {
  std::string result = Ascii(text);
  Api.cef_string_userfree_utf16_free(text);
  return result;
}

void SetText(TCefStringUtf16& record, const std::string& ascii) {
  const std::u16string text = U16(ascii);
  Api.cef_string_utf16_set(text.c_str(), text.size(), &record, 1);
}

struct TParts {
  TCefUrlParts Parts{};
  ~TParts() {
    for (TCefStringUtf16* part : All()) Api.cef_string_utf16_clear(part);
  }
  std::vector<TCefStringUtf16*> All() {
    return {&Parts.spec, &Parts.scheme, &Parts.username, &Parts.password,
            &Parts.host, &Parts.port,   &Parts.path,     &Parts.query};
  }
  // spec|scheme|username|password|host|port|path|query
  std::string Joined() {
    std::string joined;
    for (TCefStringUtf16* part : All()) joined += Ascii(part) + "|";
    joined.pop_back();
    return joined;
  }
};

bool Parse(const std::string& url, TParts& parts) {
  const std::u16string text = U16(url);
  const TCefStringUtf16 view = View(text);
  return Api.cef_parse_url(&view, &parts.Parts) != 0;
}

std::string Create(const TCefUrlParts& parts) {
  TCefStringUtf16 url{};
  const bool created = Api.cef_create_url(&parts, &url) != 0;
  std::string result = created ? Ascii(&url) : "(refused)";
  Api.cef_string_utf16_clear(&url);
  return result;
}

TEST(Urls, ParsedIntoPartsAndBuiltBackAlike) {
  const struct {
    const char* Input;
    const char* Parts;
  } cases[] = {
      {"http://user:pw@Example.COM:8080/a/b%20c?x=1&y=2",
       "http://user:pw@example.com:8080/a/b%20c?x=1&y=2|http|user|pw|example.com|8080|/a/b%20c|"
       "x=1&y=2"},
      {"HTTPS://host.test", "https://host.test/|https|||host.test||/|"},
      {"http://host.test:80/p", "http://host.test/p|http|||host.test||/p|"},
      {"http://[::1]:81/v6?q", "http://[::1]:81/v6?q|http|||[::1]|81|/v6|q"},
      {"file:///tmp/some%20file", "file:///tmp/some%20file|file|||||/tmp/some%20file|"},
      {"about:blank", "about:blank|about|||||blank|"},
  };
  for (const auto& c : cases) {
    TParts parsed;
    ASSERT_TRUE(Parse(c.Input, parsed)) << c.Input;
    EXPECT_EQ(parsed.Joined(), c.Parts) << c.Input;
    const std::string spec = Ascii(&parsed.Parts.spec);
    EXPECT_EQ(Create(parsed.Parts), spec) << "from the spec of " << c.Input;
    Api.cef_string_utf16_clear(&parsed.Parts.spec);
    EXPECT_EQ(Create(parsed.Parts), spec) << "from the parts of " << c.Input;
  }
  // The fragment has no part of its own: the spec keeps it.
  TParts withFragment;
  ASSERT_TRUE(Parse("http://host.test/p#here", withFragment));
  EXPECT_EQ(Ascii(&withFragment.Parts.spec), "http://host.test/p#here");
}

TEST(Urls, HostileOrRelativeInputIsRefusedAndLeavesNoParts) {
  const std::string hostile[] = {"",
                                 "relative/path",
                                 "/absolute/path",
                                 "//host.test/scheme-relative",
                                 "http://",
                                 "http:no-host",
                                 "http://exa mple.com/",
                                 "http://[::1/",
                                 "http://host.test:99999/",
                                 "http://host.test:port/",
                                 "http://host.test/%zz",
                                 "ht tp://host.test/",
                                 "http://host.test/\nInjected: header",
                                 std::string("http://host.test\0.evil/", 23)};
  for (const std::string& input : hostile) {
    TParts parts;
    ASSERT_TRUE(Parse("http://earlier.test/", parts));
    EXPECT_FALSE(Parse(input, parts)) << input;
    EXPECT_EQ(parts.Joined(), "|||||||") << input;
  }
  // Parts that cannot make a URL.
  const struct {
    const char* Scheme;
    const char* Host;
    const char* Port;
    const char* Path;
  } refused[] = {{"", "host.test", "", "/"},
                 {"http", "", "", "/"},
                 {"http", "host.test", "99999", "/"},
                 {"http", "host.test", "8o", "/"},
                 {"http", "host.test", "", "path-without-slash"}};
  for (const auto& r : refused) {
    TParts parts;
    SetText(parts.Parts.scheme, r.Scheme);
    SetText(parts.Parts.host, r.Host);
    SetText(parts.Parts.port, r.Port);
    SetText(parts.Parts.path, r.Path);
    EXPECT_EQ(Create(parts.Parts), "(refused)") << r.Scheme << " " << r.Host << " " << r.Port;
  }
}

TCefPostDataElement* BytesElement(const std::string& bytes) {
  TCefPostDataElement* element = Api.cef_post_data_element_create();
  element->set_to_bytes(element, bytes.size(), bytes.data());
  return element;
}

TCefPostDataElement* FileElement(const std::string& path) {
  TCefPostDataElement* element = Api.cef_post_data_element_create();
  const std::u16string name = U16(path);
  const TCefStringUtf16 view = View(name);
  element->set_to_file(element, &view);
  return element;
}

// A request to url with a body of bytes and a file, and a header of the test's own.
TCefRequest* NewRequest(const std::string& url, const std::string& bytes, const std::string& file) {
  TCefRequest* request = Api.cef_request_create();
  TCefPostData* body = Api.cef_post_data_create();
  EXPECT_TRUE(body->add_element(body, BytesElement(bytes)));
  EXPECT_TRUE(body->add_element(body, FileElement(file)));
  TCefStringMultimap headers = Api.cef_string_multimap_alloc();
  const std::u16string name = U16("X-Test"), value = U16("the test's own");
  const TCefStringUtf16 nameView = View(name), valueView = View(value);
  Api.cef_string_multimap_append(headers, &nameView, &valueView);
  const std::u16string address = U16(url), method = U16("POST");
  const TCefStringUtf16 addressView = View(address), methodView = View(method);
  request->set(request, &addressView, &methodView, body, headers);
  Api.cef_string_multimap_free(headers);
  return request;
}

// Every element of the request's body: "bytes:..." or "file:...".
std::vector<std::string> BodyOf(TCefRequest* request) {
  std::vector<std::string> parts;
  TCefPostData* body = request->get_post_data(request);
  if (!body) return parts;
  std::vector<TCefPostDataElement*> elements(body->get_element_count(body) + 1, nullptr);
  size_t count = elements.size();
  body->get_elements(body, &count, elements.data());
  for (size_t i = 0; i < count; ++i) {
    TCefPostDataElement* element = elements[i];
    if (element->get_type(element) == PDE_TYPE_FILE) {
      parts.push_back("file:" + Text(element->get_file(element)));
    } else {
      std::string bytes(element->get_bytes_count(element), '\0');
      bytes.resize(element->get_bytes(element, bytes.size(), bytes.data()));
      parts.push_back("bytes:" + bytes);
    }
    Drop(element);
  }
  Drop(body);
  return parts;
}

std::string HeaderOf(TCefRequest* request, const std::string& name) {
  TCefStringMultimap headers = Api.cef_string_multimap_alloc();
  request->get_header_map(request, headers);
  const std::u16string key = U16(name);
  const TCefStringUtf16 keyView = View(key);
  TCefStringUtf16 value{};
  Api.cef_string_multimap_enumerate(headers, &keyView, 0, &value);
  std::string result = Ascii(&value);
  Api.cef_string_utf16_clear(&value);
  Api.cef_string_multimap_free(headers);
  return result;
}

TEST(Requests, BodyOfBytesAndFileReadsBackAndCanBeChanged) {
  TCefRequest* request = NewRequest("http://host.test/form", "a=1&b=2", "/tmp/upload.txt");
  EXPECT_FALSE(request->is_read_only(request));
  EXPECT_EQ(Text(request->get_url(request)), "http://host.test/form");
  EXPECT_EQ(Text(request->get_method(request)), "POST");
  EXPECT_EQ(HeaderOf(request, "X-Test"), "the test's own");
  EXPECT_EQ(BodyOf(request), (std::vector<std::string>{"bytes:a=1&b=2", "file:/tmp/upload.txt"}));

  request->set_flags(request, UR_FLAG_SKIP_CACHE | UR_FLAG_NO_DOWNLOAD_DATA);
  EXPECT_EQ(request->get_flags(request), UR_FLAG_SKIP_CACHE | UR_FLAG_NO_DOWNLOAD_DATA);
  const std::u16string party = U16("http://party.test/");
  const TCefStringUtf16 partyView = View(party);
  request->set_first_party_for_cookies(request, &partyView);
  EXPECT_EQ(Text(request->get_first_party_for_cookies(request)), "http://party.test/");

  // Taking the first element out leaves the file; an element that is not there stays out.
  TCefPostData* body = request->get_post_data(request);
  TCefPostDataElement* first = nullptr;
  size_t one = 1;
  body->get_elements(body, &one, &first);
  ASSERT_EQ(one, 1u);
  first->base.add_ref(&first->base);  // the one the call takes
  EXPECT_TRUE(body->remove_element(body, first));
  EXPECT_FALSE(body->remove_element(body, BytesElement("stranger")));
  EXPECT_EQ(BodyOf(request), (std::vector<std::string>{"file:/tmp/upload.txt"}));
  first->set_to_empty(first);
  EXPECT_EQ(first->get_type(first), PDE_TYPE_EMPTY);
  EXPECT_EQ(first->get_bytes_count(first), 0u);
  EXPECT_EQ(first->base.get_refct(&first->base), 1) << "the body let go of the element";
  Drop(first);
  body->remove_elements(body);
  EXPECT_EQ(body->get_element_count(body), 0u);
  Drop(body);

  TCefResponse* response = Api.cef_response_create();
  response->set_status(response, 404);
  const std::u16string type = U16("text/plain");
  const TCefStringUtf16 typeView = View(type);
  response->set_mime_type(response, &typeView);
  EXPECT_FALSE(response->is_read_only(response));
  EXPECT_EQ(response->get_status(response), 404);
  EXPECT_EQ(Text(response->get_mime_type(response)), "text/plain");
  EXPECT_EQ(request->base.get_refct(&request->base), 1);
  Drop(response);
  Drop(request);
}

// What the runtime told the test's URL request client.
struct TRequestClient {
  TCounted<TCefUrlRequestClient> Counted;
  std::string Data;
  int Completions = 0;
  int64_t Uploaded = 0, UploadTotal = 0, Downloaded = 0, DownloadTotal = 0;
  TCefUrlRequestStatus StatusAtEnd = UR_UNKNOWN;

  static TRequestClient& Of(TCefUrlRequestClient* self) {
    return *reinterpret_cast<TRequestClient*>(self);
  }
  static void CEF_CALLBACK OnComplete(TCefUrlRequestClient* self, TCefUrlRequest* request) {
    Of(self).StatusAtEnd = request->get_request_status(request);
    ++Of(self).Completions;
    Drop(request);
  }
  static void CEF_CALLBACK OnUpload(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                    int64_t current, int64_t total) {
    Of(self).Uploaded = current;
    Of(self).UploadTotal = total;
    Drop(request);
  }
  static void CEF_CALLBACK OnDownload(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                      int64_t current, int64_t total) {
    Of(self).Downloaded = current;
    Of(self).DownloadTotal = total;
    Drop(request);
  }
  static void CEF_CALLBACK OnData(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                  const void* data, size_t length) {
    Of(self).Data.append(static_cast<const char*>(data), length);
    Drop(request);
  }
  TRequestClient() {
    Counted.Struct.on_request_complete = OnComplete;
    Counted.Struct.on_upload_progress = OnUpload;
    Counted.Struct.on_download_progress = OnDownload;
    Counted.Struct.on_download_data = OnData;
  }
};

std::string ResponseHeader(TCefResponse* response, const std::string& name) {
  const std::u16string key = U16(name);
  const TCefStringUtf16 keyView = View(key);
  return Text(response->get_header(response, &keyView));
}

TEST(UrlRequests, PostToTheServerBringsBackItsDataStatusAndHeaders) {
  const std::string file = Root + "/upload.txt", fileBytes = std::string(100000, 'f');
  ASSERT_TRUE(g_file_set_contents(file.c_str(), fileBytes.data(), fileBytes.size(), nullptr));
  TCefRequest* request = NewRequest(Server.Base() + "/echo", "a=1&", file);
  request->set_flags(request, UR_FLAG_REPORT_UPLOAD_PROGRESS);
  TRequestClient client;
  request->base.add_ref(&request->base);
  TCefUrlRequest* sent = Api.cef_urlrequest_create(request, client.Counted.Give());
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(client.Completions, 0) << "told from the loop, not inside the call";
  EXPECT_TRUE(PumpUntil([&] { return client.Completions > 0; }));

  const std::string expected = "a=1&" + fileBytes;
  EXPECT_EQ(client.Completions, 1);
  EXPECT_EQ(client.StatusAtEnd, UR_SUCCESS);
  EXPECT_EQ(sent->get_request_status(sent), UR_SUCCESS);
  EXPECT_EQ(sent->get_request_error(sent), ERR_NONE);
  EXPECT_TRUE(client.Data == expected) << client.Data.size() << " bytes came back";
  EXPECT_EQ(client.Downloaded, int64_t(expected.size()));
  EXPECT_EQ(client.DownloadTotal, int64_t(expected.size()));
  EXPECT_EQ(client.Uploaded, int64_t(expected.size()));
  EXPECT_EQ(client.UploadTotal, int64_t(expected.size()));

  TCefResponse* response = sent->get_response(sent);
  ASSERT_NE(response, nullptr);
  EXPECT_TRUE(response->is_read_only(response));
  EXPECT_EQ(response->get_status(response), 201);
  EXPECT_EQ(Text(response->get_status_text(response)), "Created");
  EXPECT_EQ(Text(response->get_mime_type(response)), "application/octet-stream");
  EXPECT_EQ(ResponseHeader(response, "x-echo-test"), "the test's own");
  EXPECT_EQ(ResponseHeader(response, "X-Echo-Content-Type"), "application/x-www-form-urlencoded");
  response->set_status(response, 500);
  EXPECT_EQ(response->get_status(response), 201) << "read-only";
  Drop(response);

  // The request went out as it was and stays so.
  EXPECT_TRUE(request->is_read_only(request));
  const std::u16string other = U16("http://other.test/");
  const TCefStringUtf16 otherView = View(other);
  request->set_url(request, &otherView);
  EXPECT_EQ(Text(request->get_url(request)), Server.Base() + "/echo");
  TCefPostData* body = request->get_post_data(request);
  EXPECT_TRUE(body->is_read_only(body));
  EXPECT_FALSE(body->add_element(body, BytesElement("late")));
  Drop(body);
  EXPECT_EQ(sent->get_client(sent), nullptr) << "the client is let go once complete";
  Drop(request);
  Drop(sent);
  EXPECT_EQ(client.Counted.Refs, 1);
}

TEST(UrlRequests, FailuresAndCancelsCompleteWithTheirStatus) {
  const std::string refusing = "http://127.0.0.1:" + std::to_string(RefusingPort());
  const struct {
    std::string Url;
    std::string File;
    bool Cancel;
    TCefUrlRequestStatus Status;
    TCefErrorCode Error;
  } cases[] = {
      {refusing + "/echo", "/dev/null", false, UR_FAILED, ERR_CONNECTION_REFUSED},
      {Server.Base() + "/echo", Root + "/missing.txt", false, UR_FAILED, ERR_FILE_NOT_FOUND},
      {"ftp://127.0.0.1/echo", "/dev/null", false, UR_FAILED, ERR_UNKNOWN_URL_SCHEME},
      {"http://127.0.0.1:port/", "/dev/null", false, UR_FAILED, ERR_INVALID_URL},
      {Server.Base() + "/echo", "/dev/null", true, UR_CANCELED, ERR_ABORTED},
  };
  for (const auto& c : cases) {
    TRequestClient client;
    TCefUrlRequest* sent =
        Api.cef_urlrequest_create(NewRequest(c.Url, "x", c.File), client.Counted.Give());
    ASSERT_NE(sent, nullptr);
    if (c.Cancel) sent->cancel(sent);
    EXPECT_TRUE(PumpUntil([&] { return client.Completions > 0; })) << c.Url;
    EXPECT_EQ(client.Completions, 1) << c.Url;
    EXPECT_EQ(sent->get_request_status(sent), c.Status) << c.Url;
    EXPECT_EQ(sent->get_request_error(sent), c.Error) << c.Url;
    EXPECT_EQ(sent->get_response(sent), nullptr) << c.Url;
    EXPECT_EQ(client.Data, "") << c.Url;
    sent->cancel(sent);  // too late: nothing changes
    EXPECT_EQ(sent->get_request_status(sent), c.Status) << c.Url;
    Drop(sent);
    EXPECT_EQ(client.Counted.Refs, 1) << c.Url;
  }
  // A header that would smuggle another one in is refused before anything is sent.
  TRequestClient client;
  TCefRequest* request = NewRequest(Server.Base() + "/echo", "x", "/dev/null");
  TCefStringMultimap headers = Api.cef_string_multimap_alloc();
  const std::u16string name = U16("X-Test"), value = U16("a\r\nX-Smuggled: 1");
  const TCefStringUtf16 nameView = View(name), valueView = View(value);
  Api.cef_string_multimap_append(headers, &nameView, &valueView);
  request->set_header_map(request, headers);
  Api.cef_string_multimap_free(headers);
  TCefUrlRequest* sent = Api.cef_urlrequest_create(request, client.Counted.Give());
  EXPECT_TRUE(PumpUntil([&] { return client.Completions > 0; }));
  EXPECT_EQ(sent->get_request_error(sent), ERR_INVALID_ARGUMENT);
  Drop(sent);
  // Without a client nothing is sent, and the request is given back.
  EXPECT_EQ(Api.cef_urlrequest_create(Api.cef_request_create(), nullptr), nullptr);
}

// A frame loads a request with the client's headers; one WebKit cannot send as asked (a body)
// is refused, never sent as another.
TEST(Requests, FrameLoadsARequestWithItsHeadersAndRefusesABody) {
  Events = TEvents{};
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, Server.Base() + "/other.html");
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/other.html", true); }));
  TCefFrame* frame = browser->get_main_frame(browser);
  TCefRequest* posted = NewRequest(Server.Base() + "/hooks/header", "body", "/dev/null");
  frame->load_request(frame, posted);
  TCefRequest* request = Api.cef_request_create();
  TCefStringMultimap headers = Api.cef_string_multimap_alloc();
  const std::u16string name = U16("X-Hook"), value = U16("via-request");
  const TCefStringUtf16 nameView = View(name), valueView = View(value);
  Api.cef_string_multimap_append(headers, &nameView, &valueView);
  const std::u16string address = U16(Server.Base() + "/hooks/header"), method = U16("GET");
  const TCefStringUtf16 addressView = View(address), methodView = View(method);
  request->set(request, &addressView, &methodView, nullptr, headers);
  Api.cef_string_multimap_free(headers);
  frame->load_request(frame, request);
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/hooks/header", true); }));
  EXPECT_EQ(MainFrameText(browser), "via-request");
  const std::string requested = ReadFile(Server.Reports);
  EXPECT_EQ(requested.find("requested /hooks/header"), requested.rfind("requested /hooks/header"))
      << "the request with a body was sent";
  Drop(frame);
  EXPECT_TRUE(CloseBrowser(browser, window));
}

// What a page of the loopback server makes of reading url with a script: "read" (some text),
// "refused", or "" when it never said.
std::string ReadingFromAPage(const std::string& url) {
  Events = TEvents{};
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, Server.Base() + "/fetch.html?url=" + url);
  const auto said = [] {
    return Events.Titles.empty()               ? ""
           : Events.Titles.back() == "refused" ? "refused"
           : Events.Titles.back().size() > 5 && Events.Titles.back().rfind("read:", 0) == 0 ? "read"
                                                                                            : "";
  };
  PumpUntil([&] { return *said() != 0; });
  const std::string result = said();
  EXPECT_TRUE(CloseBrowser(browser, window));
  return result;
}

bool CrossOrigin(bool add, const std::string& source, const std::string& protocol,
                 const std::string& domain, bool subdomains) {
  const std::u16string texts[] = {U16(source), U16(protocol), U16(domain)};
  const TCefStringUtf16 views[] = {View(texts[0]), View(texts[1]), View(texts[2])};
  const auto change =
      add ? Api.cef_add_cross_origin_whitelist_entry : Api.cef_remove_cross_origin_whitelist_entry;
  return change(&views[0], &views[1], &views[2], subdomains) != 0;
}

// The pages of an origin read another origin's resources only while an entry for that origin
// allows it.
TEST(CrossOrigin, AnEntryLetsOnlyThePagesOfItsOriginReadTheTarget) {
  TServer other;
  ASSERT_TRUE(StartServer(other, Root));
  const std::string target = other.Base() + "/other.html";
  EXPECT_EQ(ReadingFromAPage(target), "refused");

  EXPECT_TRUE(CrossOrigin(true, other.Base(), "http", "127.0.0.1", false));
  EXPECT_EQ(ReadingFromAPage(target), "refused") << "an entry for another origin";
  EXPECT_TRUE(CrossOrigin(true, Server.Base() + "/", "HTTP", "127.0.0.1", false));
  EXPECT_EQ(ReadingFromAPage(target), "read");
  EXPECT_TRUE(CrossOrigin(false, Server.Base(), "http", "127.0.0.1", false));
  EXPECT_FALSE(CrossOrigin(false, Server.Base(), "http", "127.0.0.1", false)) << "gone already";
  EXPECT_EQ(ReadingFromAPage(target), "refused");

  EXPECT_TRUE(CrossOrigin(true, Server.Base(), "http", "0.1", true));
  EXPECT_EQ(ReadingFromAPage(target), "read") << "a subdomain entry";
  EXPECT_TRUE(Api.cef_clear_cross_origin_whitelist());
  EXPECT_EQ(ReadingFromAPage(target), "refused");

  for (const auto& [source, protocol, domain] : {std::tuple{"no origin", "http", "127.0.0.1"},
                                                 {"http://h/", "ht tp", "127.0.0.1"},
                                                 {"http://h/", "http", "a/b"},
                                                 {"", "http", "127.0.0.1"}})
    EXPECT_FALSE(CrossOrigin(true, source, protocol, domain, false))
        << source << protocol << domain;
  StopServer(other);
}

// The manager the test's client gives the browsers it opens; null: none.
TCefCookieManager* GivenCookieManager = nullptr;
std::vector<std::string> CookieManagerAskedFor;

TCefCookieManager* CEF_CALLBACK GetCookieManager(TCefRequestHandler*, TCefBrowser* browser,
                                                 TCefConstString* mainUrl) {
  CookieManagerAskedFor.push_back(Ascii(mainUrl));
  Drop(browser);
  if (GivenCookieManager) GivenCookieManager->base.add_ref(&GivenCookieManager->base);
  return GivenCookieManager;
}

// Opens a browser given manager, whose page sets cookie and answers the cookies it has. The
// test's reference to the manager goes when the browser is open, if it should.
std::string CookiesOfAPageGiven(TCefCookieManager* manager, const std::string& cookie,
                                bool letGoOfManager = false) {
  Events = TEvents{};
  GivenCookieManager = manager;
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, Server.Base() + "/index.html");
  if (letGoOfManager) Drop(manager);
  EXPECT_TRUE(PumpUntil([] { return HasLoadEnd(Server.Base() + "/sub.html", false); }))
      << "the web-process extension reports the page's frames";
  RunInMainFrame(browser, "document.cookie = '" + cookie +
                              "'; document.title = 'cookies:' + document.cookie;");
  PumpUntil(
      [] { return !Events.Titles.empty() && Events.Titles.back().rfind("cookies:", 0) == 0; });
  const std::string seen = Events.Titles.empty() ? "" : Events.Titles.back().substr(8);
  EXPECT_TRUE(CloseBrowser(browser, window));
  GivenCookieManager = nullptr;
  return seen;
}

std::string CookiesIn(TCefCookieManager* manager) {
  Events = TEvents{};
  EXPECT_NE(manager->visit_all_cookies(manager, Harness.CookieVisitor.Give()), 0);
  PumpUntil([] { return Events.CookieVisitsDone > 0; }, 10);
  std::string names;
  for (const TSeenCookie& cookie : Events.Cookies) names += cookie.Name + " ";
  return names;
}

// Browsers given a manager of their own share its cookies and nobody else's, and keep them
// after the client lets go of the manager.
TEST(Cookies, ABrowserGivenAManagerOfItsOwnKeepsItsCookiesApart) {
  Harness.Request.Struct.get_cookie_manager = GetCookieManager;
  TCefCookieManager* global = Api.cef_cookie_manager_get_global_manager();
  const TCefStringUtf16 inMemory{};
  TCefCookieManager* own = Api.cef_cookie_manager_create_manager(&inMemory);
  ASSERT_NE(own, nullptr);

  EXPECT_EQ(CookiesOfAPageGiven(own, "first=own"), "first=own");
  EXPECT_EQ(CookieManagerAskedFor, std::vector<std::string>{Server.Base() + "/index.html"});
  EXPECT_EQ(CookiesOfAPageGiven(global, "second=global"), "second=global");
  EXPECT_EQ(CookiesOfAPageGiven(nullptr, "third=global"), "second=global; third=global")
      << "no manager given: the global one";
  EXPECT_EQ(CookiesOfAPageGiven(own, "fourth=own"), "first=own; fourth=own");
  EXPECT_EQ(CookiesIn(own), "first fourth ");
  EXPECT_EQ(CookiesIn(global).find("own"), std::string::npos);

  EXPECT_EQ(CookiesOfAPageGiven(own, "fifth=own", true), "first=own; fourth=own; fifth=own");
  Drop(global);
  Harness.Request.Struct.get_cookie_manager = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server, {.FolderPattern = "runtime-network-XXXXXX"});
}

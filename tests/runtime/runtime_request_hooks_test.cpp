// The client's request handler on a real page's requests, and process messages to the page's
// web process and back, through the runtime's C entry points under Xvfb. The pages report what
// their requests came to, to the loopback server.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "runtime_test_support.h"

namespace {

std::string Root;
TServer Server;

struct TRedirectSeen {
  std::string From;
  std::string To;
};

struct TMessageSeen {
  std::string Name;
  TCefProcessId Source = PID_BROWSER;
  bool ReadOnly = false;
  std::string Arguments;  // as Describe gives them
};

// What the client's handlers were told.
struct THookEvents {
  std::vector<std::string> Asked;  // every URL on_before_resource_load saw
  std::vector<TRedirectSeen> Redirects;
  std::vector<TMessageSeen> Messages;
};
THookEvents Seen;

std::string TakeUserFree(TCefStringUserFreeUtf16 text) {
  std::string result = Ascii(text);
  Api.cef_string_userfree_utf16_free(text);
  return result;
}

void SetUrl(TCefRequest* request, const std::string& url) {
  const std::u16string text = U16(url);
  const TCefStringUtf16 record = View(text);
  request->set_url(request, &record);
}

void AddHeader(TCefRequest* request, const char* name, const char* value) {
  TCefStringMultimap headers = Api.cef_string_multimap_alloc();
  request->get_header_map(request, headers);
  const std::u16string name16 = U16(name), value16 = U16(value);
  const TCefStringUtf16 nameRecord = View(name16), valueRecord = View(value16);
  Api.cef_string_multimap_append(headers, &nameRecord, &valueRecord);
  request->set_header_map(request, headers);
  Api.cef_string_multimap_free(headers);
}

// Cancels the image, sends the original text elsewhere, adds a header to one request, and holds
// up the stalling one longer than the web process waits (5 s).
TCefBool CEF_CALLBACK OnBeforeResourceLoad(TCefRequestHandler*, TCefBrowser* browser,
                                           TCefFrame* frame, TCefRequest* request) {
  const std::string url = TakeUserFree(request->get_url(request));
  Seen.Asked.push_back(url);
  bool cancel = url.ends_with("/hooks/blocked.svg");
  if (url.ends_with("/hooks/original.txt") || url.ends_with("/hooks/popup.txt"))
    SetUrl(request, Server.Base() + "/hooks/replacement.txt");
  if (url.ends_with("/hooks/header")) AddHeader(request, "X-Hook", "added");
  if (url.ends_with("/hooks/stall.txt")) g_usleep(6 * G_USEC_PER_SEC);
  Drop(request);
  Drop(frame);
  Drop(browser);
  return cancel;
}

void CEF_CALLBACK OnResourceRedirect(TCefRequestHandler*, TCefBrowser* browser, TCefFrame* frame,
                                     TCefConstString* oldUrl, TCefStringUtf16* newUrl) {
  Seen.Redirects.push_back({Ascii(oldUrl), Ascii(newUrl)});
  const std::u16string replacement = U16(Server.Base() + "/hooks/replacement.txt");
  Api.cef_string_utf16_set(replacement.c_str(), replacement.size(), newUrl, 1);
  Drop(frame);
  Drop(browser);
}

// The list the test sends, entry by entry; text must keep its exact code units.
std::string Describe(TCefListValue* list) {
  std::string text = "int:" + std::to_string(list->get_int(list, 0));
  text += " string:" + TakeUserFree(list->get_string(list, 1));
  text += list->get_type(list, 2) == VTYPE_NULL ? " null" : " not-null";
  text += " bool:" + std::to_string(list->get_bool(list, 3));
  text += " double:" + std::to_string(list->get_double(list, 4));
  TCefBinaryValue* binary = list->get_binary(list, 5);
  unsigned char bytes[2] = {};
  const size_t size = binary ? binary->get_data(binary, bytes, sizeof(bytes), 0) : 0;
  text += " binary:" + std::to_string(size) + "/" + std::to_string(bytes[0]) + "/" +
          std::to_string(bytes[1]);
  Drop(binary);
  TCefDictionaryValue* dictionary = list->get_dictionary(list, 6);
  const std::u16string key = U16("key");
  const TCefStringUtf16 keyRecord = View(key);
  TCefListValue* inner = dictionary ? dictionary->get_list(dictionary, &keyRecord) : nullptr;
  text += " dictionary:key=" + (inner ? std::to_string(inner->get_int(inner, 0)) : "none");
  Drop(inner);
  Drop(dictionary);
  TCefStringUserFreeUtf16 odd = list->get_string(list, 7);
  text += odd && odd->length == 2 && odd->str[0] == 0xD800 ? " surrogate:kept" : " surrogate:lost";
  Api.cef_string_userfree_utf16_free(odd);
  return text;
}

TCefBool CEF_CALLBACK OnProcessMessage(TCefClient*, TCefBrowser* browser, TCefProcessId source,
                                       TCefProcessMessage* message) {
  TCefListValue* arguments = message->get_argument_list(message);
  Seen.Messages.push_back({TakeUserFree(message->get_name(message)), source,
                           message->is_read_only(message) != 0, Describe(arguments)});
  Drop(arguments);
  Drop(message);
  Drop(browser);
  return 1;
}

void SetString(TCefListValue* list, int32_t index, const std::u16string& text) {
  const TCefStringUtf16 record = View(text);
  list->set_string(list, index, &record);
}

// A message with a value of every kind in its arguments.
TCefProcessMessage* NewMessage(const char* name) {
  const std::u16string name16 = U16(name);
  const TCefStringUtf16 nameRecord = View(name16);
  TCefProcessMessage* message = Api.cef_process_message_create(&nameRecord);
  TCefListValue* arguments = message->get_argument_list(message);
  arguments->set_int(arguments, 0, 7);
  SetString(arguments, 1, U16("hi"));
  arguments->set_null(arguments, 2);
  arguments->set_bool(arguments, 3, 1);
  arguments->set_double(arguments, 4, 2.5);
  const unsigned char bytes[] = {0, 255};
  arguments->set_binary(arguments, 5, Api.cef_binary_value_create(bytes, sizeof(bytes)));
  TCefDictionaryValue* dictionary = Api.cef_dictionary_value_create();
  TCefListValue* inner = Api.cef_list_value_create();
  inner->set_int(inner, 0, 1);
  const std::u16string key = U16("key");
  const TCefStringUtf16 keyRecord = View(key);
  dictionary->set_list(dictionary, &keyRecord, inner);
  arguments->set_dictionary(arguments, 6, dictionary);
  SetString(arguments, 7, std::u16string{char16_t(0xD800), u'!'});
  Drop(arguments);
  return message;
}

class RequestHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    Seen = THookEvents{};
    Harness.Request.Struct.on_before_resource_load = OnBeforeResourceLoad;
    Harness.Request.Struct.on_resource_redirect = OnResourceRedirect;
    Harness.Client.Struct.on_process_message_received = OnProcessMessage;
  }

  void TearDown() override {
    if (Browser) {
      EXPECT_TRUE(CloseBrowser(Browser, Window)) << "browser closed";
    }
  }

  // The page's one report line starting with marker.
  std::string OpenAndWaitForReport(const std::string& path, const std::string& marker,
                                   int seconds = 20) {
    Browser = OpenBrowser(Window, Server.Base() + path);
    std::string line;
    PumpUntil(
        [&] {
          const std::string reports = ReadFile(Server.Reports);
          const size_t at = reports.find(marker);
          const size_t end = at == std::string::npos ? at : reports.find('\n', at);
          if (end != std::string::npos) line = reports.substr(at, end - at);
          return end != std::string::npos;
        },
        seconds);
    return line;
  }

  bool WasAsked(const char* tail) const {
    for (const std::string& url : Seen.Asked)
      if (url.ends_with(tail)) return true;
    return false;
  }

  GtkWidget* Window = nullptr;
  TCefBrowser* Browser = nullptr;
};

TEST_F(RequestHooksTest, ClientCancelsChangesAndRedirectsThePagesRequests) {
  EXPECT_EQ(OpenAndWaitForReport("/hooks.html", "hooks="),
            "hooks=blocked:failed,changed:replacement,redirected:replacement,header:added");
  EXPECT_TRUE(WasAsked("/hooks.html")) << "the main document is asked about too";
  EXPECT_TRUE(WasAsked("/hooks/blocked.svg"));
  ASSERT_EQ(Seen.Redirects.size(), 1u);
  EXPECT_EQ(Seen.Redirects[0].From, Server.Base() + "/hooks/redirect");
  EXPECT_EQ(Seen.Redirects[0].To, Server.Base() + "/hooks/target.txt");
  const std::string requested = ReadFile(Server.Reports);
  EXPECT_EQ(requested.find("requested /hooks/blocked.svg"), std::string::npos);
  EXPECT_EQ(requested.find("requested /hooks/original.txt"), std::string::npos);
}

// The web process gives up on the held request and lets it go on as the page made it; the
// page's next request does not wait for the program that is still busy.
TEST_F(RequestHooksTest, ARequestTheProgramDoesNotAnswerInTimeGoesOnUnchanged) {
  EXPECT_EQ(OpenAndWaitForReport("/stall.html", "stall=", 40), "stall=stall,after:target");
  EXPECT_NE(ReadFile(Server.Reports).find("requested /hooks/stall.txt"), std::string::npos);
}

// A popup's page is made before the client takes the popup; its requests are asked about all
// the same.
TEST_F(RequestHooksTest, APopupsRequestsReachTheClient) {
  EXPECT_EQ(OpenAndWaitForReport("/hooks-opener.html", "popup="), "popup=replacement");
  EXPECT_EQ(Events.Popups, 1);
  EXPECT_TRUE(WasAsked("/hooks-popup.html"));
}

// The page's web process receives the program's message and sends it back.
TEST_F(RequestHooksTest, ProcessMessagesReachThePageAndComeBack) {
  Browser = OpenBrowser(Window, Server.Base() + "/other.html");
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Server.Base() + "/other.html", true); }));
  EXPECT_EQ(Browser->send_process_message(Browser, PID_BROWSER, NewMessage("nowhere")), 0);
  EXPECT_EQ(Browser->send_process_message(Browser, PID_RENDERER, NewMessage("greeting")), 1);
  ASSERT_TRUE(PumpUntil([] { return !Seen.Messages.empty(); }));
  const TMessageSeen& message = Seen.Messages[0];
  EXPECT_EQ(message.Name, "greeting");
  EXPECT_EQ(message.Source, PID_RENDERER);
  EXPECT_TRUE(message.ReadOnly);
  EXPECT_EQ(message.Arguments,
            "int:7 string:hi null bool:1 double:2.500000 binary:2/0/255 dictionary:key=1 "
            "surrogate:kept");
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-hooks-XXXXXX", .Prepare = [] {
                            setenv("XDG_CACHE_HOME", (Root + "/cache-home").c_str(), 1);
                            return true;
                          }});
}

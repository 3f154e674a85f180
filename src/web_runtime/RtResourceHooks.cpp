// The client's request handler on the requests of a view's pages, asked on behalf of the
// web-process extension, which waits for the answer in WebKit's send-request.

#include "RtResourceHooks.h"

#include <gio/gunixfdlist.h>
#include <glib-unix.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtRequest.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "WebMessages.h"

namespace {

namespace wire = webmsg::hookwire;

// Pages a view has at one time: one per web process it used; a web process asking for more is
// not to be trusted with our file descriptors.
constexpr size_t kMostChannelsPerView = 8;

struct TQuestion {
  guint32 Serial = 0;
  guint8 Kind = wire::kBeforeLoad;
  std::string Url;
  std::string Method;
  THeaderList Headers;
  std::string Before;  // the address that redirected here
};

struct TAnswer {
  bool Cancel = false;
  std::string Url;
  THeaderList Headers;
};

TQuestion ReadQuestion(GVariant* packet) {
  TQuestion question;
  const char *url = nullptr, *method = nullptr, *before = nullptr;
  g_autoptr(GVariantIter) headers = nullptr;
  g_variant_get(packet, "(uy&s&sa(ss)&s)", &question.Serial, &question.Kind, &url, &method,
                &headers, &before);
  question.Url = url;
  question.Method = method;
  question.Before = before;
  const char *name = nullptr, *value = nullptr;
  while (g_variant_iter_next(headers, "(&s&s)", &name, &value))
    question.Headers.emplace_back(name, value);
  return question;
}

GVariant* AnswerPacket(guint32 serial, const TAnswer& answer) {
  GVariantBuilder headers;
  g_variant_builder_init(&headers, G_VARIANT_TYPE("a(ss)"));
  for (const auto& [name, value] : answer.Headers)
    g_variant_builder_add(&headers, "(ss)", name.c_str(), value.c_str());
  return g_variant_ref_sink(g_variant_new(wire::kAnswerType, serial, gboolean(answer.Cancel),
                                          answer.Url.c_str(), &headers));
}

TBrowser* BrowserOf(WebKitWebView* view) {
  TRuntime* runtime = TRuntime::Instance();
  return runtime && view ? runtime->BrowserOfView(view) : nullptr;
}

guint32 RequestsAskedAbout(TBrowser* browser) {
  guint32 asked = 0;
  if (browser)
    browser->WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
      if (handler->on_before_resource_load) asked |= wire::kAskBeforeLoad;
      if (handler->on_resource_redirect) asked |= wire::kAskRedirect;
    });
  return asked;
}

using TRequestRef = std::unique_ptr<TCefRequest, void (*)(void*)>;

TRequestRef NewRequest(const TQuestion& question) {
  TRequestRef request(cef_request_create(), ReleaseObject);
  const std::u16string url = Utf8ToU16(question.Url), method = Utf8ToU16(question.Method);
  const TCefStringUtf16 urlRecord = Borrow(url), methodRecord = Borrow(method);
  TCefStringMultimap headers = cef_string_multimap_alloc();
  AppendHeaders(question.Headers, headers);
  request->set(request.get(), &urlRecord, &methodRecord, nullptr, headers);
  cef_string_multimap_free(headers);
  return request;
}

// The client may cancel the request or change its address and headers.
void AskBeforeLoad(TBrowser& browser, const TQuestion& question, TAnswer& answer) {
  browser.WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
    if (!handler->on_before_resource_load) return;
    const TRequestRef request = NewRequest(question);
    request->base.add_ref(&request->base);  // the client's
    answer.Cancel = handler->on_before_resource_load(handler, browser.ShareBrowser(),
                                                     browser.NewFrame(0), request.get()) != 0;
    MakeReadOnly(request.get());  // a change made after the call would count for nothing
    TRequestSnapshot chosen = ReadRequest(request.get());
    answer.Url = std::move(chosen.Url);
    answer.Headers = std::move(chosen.Headers);
  });
}

// The client may send the redirect elsewhere; an emptied address leaves it as it is.
void AskAboutRedirect(TBrowser& browser, const TQuestion& question, TAnswer& answer) {
  browser.WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
    if (!handler->on_resource_redirect) return;
    const std::u16string before = Utf8ToU16(question.Before);
    const TCefStringUtf16 beforeRecord = Borrow(before);
    TCefStringUtf16 target{};
    AssignOwned(target, question.Url);
    handler->on_resource_redirect(handler, browser.ShareBrowser(), browser.NewFrame(0),
                                  &beforeRecord, &target);
    answer.Url = ToUtf8(&target);
    cef_string_utf16_clear(&target);
  });
}

// The page's requests carry no frame: WebKit does not tell which frame sends one, so the client
// sees the main frame.
TAnswer Decide(WebKitWebView* view, const TQuestion& question) {
  TAnswer answer{false, question.Url, question.Headers};
  TBrowser* browser = BrowserOf(view);
  if (!browser) return answer;
  if (question.Kind == wire::kRedirect)
    AskAboutRedirect(*browser, question, answer);
  else
    AskBeforeLoad(*browser, question, answer);
  return answer;
}

bool SendPacket(int socket, GVariant* packet) {
  const gsize size = g_variant_get_size(packet);
  return send(socket, g_variant_get_data(packet), size, MSG_NOSIGNAL | MSG_DONTWAIT) ==
         ssize_t(size);
}

}  // namespace

// A dispatch holds the channel while the client is asked: the client may close the browser.
struct TResourceHooks::TChannel : std::enable_shared_from_this<TChannel> {
  TChannel(WebKitWebView* view, int socket) : Socket(socket) { g_weak_ref_init(&View, view); }
  ~TChannel() {
    Shut();
    g_weak_ref_clear(&View);
  }
  TChannel(const TChannel&) = delete;
  TChannel& operator=(const TChannel&) = delete;

  void Shut() {
    if (guint watch = std::exchange(Watch, 0u)) g_source_remove(watch);
    if (Socket >= 0) close(std::exchange(Socket, -1));
  }
  bool AnswerNext();
  void Answer(const TQuestion& question, const TAnswer& answer);

  GWeakRef View;
  int Socket;
  guint Watch = 0;
};

// Answers false when the channel is done with; a packet of the wrong size or shape is dropped.
bool TResourceHooks::TChannel::AnswerNext() {
  const ssize_t size = recv(Socket, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
  if (size < 0) return errno == EAGAIN || errno == EINTR;
  if (size == 0) return false;
  std::vector<char> bytes(size_t(size) <= wire::kMostPacketBytes ? size_t(size) : 0);
  if (recv(Socket, bytes.data(), bytes.size(), MSG_TRUNC | MSG_DONTWAIT) != size || bytes.empty())
    return true;
  g_autoptr(GBytes) data = g_bytes_new(bytes.data(), bytes.size());
  g_autoptr(GVariant) packet =
      g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(wire::kQueryType), data, FALSE));
  if (!g_variant_is_normal_form(packet)) return true;
  const TQuestion question = ReadQuestion(packet);
  g_autoptr(WebKitWebView) view = static_cast<WebKitWebView*>(g_weak_ref_get(&View));
  // Without the client's say the request fails, as when the answer comes too late.
  const TAnswer unanswered{true, question.Url, {}};
  Answer(question, Guarded(
                       "request handler", [&] { return Decide(view, question); }, unanswered));
  return Socket >= 0;
}

// An answer too long for the page's end fails the request, as the client's change cannot travel.
void TResourceHooks::TChannel::Answer(const TQuestion& question, const TAnswer& answer) {
  if (Socket < 0) return;
  g_autoptr(GVariant) packet = AnswerPacket(question.Serial, answer);
  if (g_variant_get_size(packet) > wire::kMostPacketBytes) {
    g_variant_unref(packet);
    packet = AnswerPacket(question.Serial, TAnswer{true, question.Url, {}});
  }
  if (!SendPacket(Socket, packet)) Shut();
}

TResourceHooks::~TResourceHooks() {
  for (const auto& channel : FChannels) channel->Shut();
}

void TResourceHooks::AdoptChannel(WebKitUserMessage* message) {
  GUnixFDList* descriptors = webkit_user_message_get_fd_list(message);
  if (!descriptors || g_unix_fd_list_get_length(descriptors) != 1) return;
  const int socket = g_unix_fd_list_get(descriptors, 0, nullptr);  // a duplicate of our own
  if (socket < 0) return;
  auto channel = std::make_shared<TChannel>(FView, socket);
  g_autoptr(GVariant) mode =
      g_variant_ref_sink(g_variant_new(wire::kModeType, RequestsAskedAbout(BrowserOf(FView))));
  if (!SendPacket(socket, mode)) return;
  channel->Watch =
      g_unix_fd_add(socket, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnReadable, channel.get());
  std::erase_if(FChannels, [](const auto& kept) { return kept->Socket < 0; });
  if (FChannels.size() >= kMostChannelsPerView) {
    FChannels.front()->Shut();
    FChannels.erase(FChannels.begin());
  }
  FChannels.push_back(std::move(channel));
}

gboolean TResourceHooks::OnReadable(gint, GIOCondition condition, gpointer data) {
  const std::shared_ptr<TChannel> channel = static_cast<TChannel*>(data)->shared_from_this();
  const bool keep = Guarded(
      "request channel", [&] { return (condition & G_IO_IN) && channel->AnswerNext(); }, false);
  if (keep) return G_SOURCE_CONTINUE;
  channel->Watch = 0;  // ends by this answer
  channel->Shut();
  return G_SOURCE_REMOVE;
}

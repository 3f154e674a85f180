// The web-process end of a page's request channel. send-request must decide before it returns,
// and user messages only answer asynchronously, so the page waits on a socket of its own that
// the UI process answers from its main loop; a bound keeps a stuck UI from freezing the page.

#include "PageRequestHooks.h"

#include <gio/gunixfdlist.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "WebMessages.h"

namespace {

namespace wire = webmsg::hookwire;

using THeaders = std::vector<std::pair<std::string, std::string>>;

enum class TReceived { Packet, TimedOut, Closed };

// Requests that never leave the web process.
bool IsLocalScheme(const char* uri) {
  const char* scheme = uri ? g_uri_peek_scheme(uri) : nullptr;
  if (!scheme) return true;
  for (const char* local : {"data", "blob", "about", "javascript"})
    if (std::strcmp(scheme, local) == 0) return true;
  return false;
}

THeaders HeadersOf(WebKitURIRequest* request) {
  THeaders headers;
  SoupMessageHeaders* soupHeaders = webkit_uri_request_get_http_headers(request);
  if (!soupHeaders) return headers;
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, soupHeaders);
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) headers.emplace_back(name, value);
  return headers;
}

GVariant* HeadersVariant(const THeaders& headers) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(ss)"));
  for (const auto& [name, value] : headers)
    g_variant_builder_add(&builder, "(ss)", name.c_str(), value.c_str());
  return g_variant_builder_end(&builder);
}

THeaders HeadersFromIter(GVariantIter* iter) {
  THeaders headers;
  const char* name = nullptr;
  const char* value = nullptr;
  while (g_variant_iter_next(iter, "(&s&s)", &name, &value)) headers.emplace_back(name, value);
  return headers;
}

// Only headers a client may set: a name or value that would break the request line is left out.
void ReplaceHeaders(WebKitURIRequest* request, const THeaders& headers) {
  SoupMessageHeaders* soupHeaders = webkit_uri_request_get_http_headers(request);
  if (!soupHeaders) return;
  soup_message_headers_clear(soupHeaders);
  for (const auto& [name, value] : headers)
    if (!name.empty() && name.find_first_of(":\r\n") == std::string::npos &&
        value.find_first_of("\r\n") == std::string::npos)
      soup_message_headers_append(soupHeaders, name.c_str(), value.c_str());
}

// One page's end of the channel; lives as long as the page.
class TRequestChannel {
 public:
  explicit TRequestChannel(WebKitWebPage* page) : FPage(page), FBuffer(wire::kMostPacketBytes) {}
  ~TRequestChannel() {
    if (FSocket >= 0) close(FSocket);
  }
  TRequestChannel(const TRequestChannel&) = delete;
  TRequestChannel& operator=(const TRequestChannel&) = delete;

  // Sends the UI its end of a new socket pair; the UI answers with the mode.
  void Open();
  // Answers true when the client cancelled the request; without its answer the request goes on.
  bool Decide(WebKitURIRequest* request, WebKitURIResponse* redirect);

 private:
  bool ModeKnown();
  bool Heard();
  bool Ask(WebKitURIRequest* request, WebKitURIResponse* redirect);
  bool Send(GVariant* packet);
  TReceived Receive(const char* type, int waitMilliseconds, GVariant** packet);
  GVariant* AnswerTo(guint32 serial);

  WebKitWebPage* const FPage;
  int FSocket = -1;
  std::vector<char> FBuffer;
  bool FClosed = true;      // the UI let go of the channel: nobody is left to ask
  bool FModeKnown = false;  // the UI said which requests it wants to see
  guint32 FAsked = 0;
  bool FStalled = false;  // a question went unanswered, and nothing was heard since
  guint32 FSerial = 0;
};

void TRequestChannel::Open() {
  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0) return;
  FSocket = sockets[0];
  GUnixFDList* uiEnd = g_unix_fd_list_new_from_array(&sockets[1], 1);  // owns the fd now
  webkit_web_page_send_message_to_view(
      FPage,
      webkit_user_message_new_with_fd_list(webmsg::kRequestChannel,
                                           g_variant_new(webmsg::kRequestChannelType, 0), uiEnd),
      nullptr, nullptr, nullptr);
  g_object_unref(uiEnd);
  FClosed = false;
}

bool TRequestChannel::Decide(WebKitURIRequest* request, WebKitURIResponse* redirect) {
  if (FClosed || IsLocalScheme(webkit_uri_request_get_uri(request))) return false;
  if (!ModeKnown()) return false;
  const guint32 wanted = redirect ? wire::kAskRedirect : wire::kAskBeforeLoad;
  if (!(FAsked & wanted)) return false;
  if (!Heard()) return false;
  return Ask(request, redirect);
}

// The mode is the UI's first packet; until it comes nothing is known of what the client wants.
bool TRequestChannel::ModeKnown() {
  if (FModeKnown) return true;
  g_autoptr(GVariant) mode = nullptr;
  const TReceived received =
      Receive(wire::kModeType, FStalled ? 0 : wire::kAnswerWaitMilliseconds, &mode);
  FClosed = received == TReceived::Closed;
  FStalled = received == TReceived::TimedOut;
  if (received != TReceived::Packet) return false;
  g_variant_get(mode, wire::kModeType, &FAsked);
  FModeKnown = true;
  return true;
}

// After an unanswered question, a late answer shows that the UI is back.
bool TRequestChannel::Heard() {
  while (FStalled && !FClosed) {
    g_autoptr(GVariant) late = nullptr;
    const TReceived received = Receive(wire::kAnswerType, 0, &late);
    if (received == TReceived::TimedOut) return false;
    FClosed = received == TReceived::Closed;
    FStalled = false;
  }
  return !FClosed;
}

bool TRequestChannel::Ask(WebKitURIRequest* request, WebKitURIResponse* redirect) {
  const guint32 serial = ++FSerial;
  const char* url = webkit_uri_request_get_uri(request);
  const char* method = webkit_uri_request_get_http_method(request);
  const char* before = redirect ? webkit_uri_response_get_uri(redirect) : nullptr;
  const THeaders headers = HeadersOf(request);
  if (!Send(g_variant_new("(uyss@a(ss)s)", serial,
                          guint8(redirect ? wire::kRedirect : wire::kBeforeLoad), url,
                          method ? method : "GET", HeadersVariant(headers), before ? before : "")))
    return false;
  g_autoptr(GVariant) answer = AnswerTo(serial);
  if (!answer) return false;
  gboolean cancel = FALSE;
  const char* newUrl = nullptr;
  g_autoptr(GVariantIter) newHeaders = nullptr;
  g_variant_get(answer, "(ub&sa(ss))", nullptr, &cancel, &newUrl, &newHeaders);
  if (cancel) return true;
  if (*newUrl && std::strcmp(newUrl, url) != 0) webkit_uri_request_set_uri(request, newUrl);
  const THeaders chosen = HeadersFromIter(newHeaders);
  if (chosen != headers) ReplaceHeaders(request, chosen);
  return false;
}

// A question too long for one packet is not asked; a UI gone away closes the channel.
bool TRequestChannel::Send(GVariant* packet) {
  g_autoptr(GVariant) owned = g_variant_ref_sink(packet);
  const gsize size = g_variant_get_size(owned);
  if (size > wire::kMostPacketBytes) return false;
  const ssize_t sent = send(FSocket, g_variant_get_data(owned), size, MSG_NOSIGNAL);
  FClosed = sent < 0 && errno != EMSGSIZE && errno != ENOBUFS;
  return sent == ssize_t(size);
}

// Answers to earlier questions that came too late are passed over.
GVariant* TRequestChannel::AnswerTo(guint32 serial) {
  const gint64 deadline = g_get_monotonic_time() + gint64(wire::kAnswerWaitMilliseconds) * 1000;
  for (;;) {
    const gint64 left = (deadline - g_get_monotonic_time()) / 1000;
    GVariant* answer = nullptr;
    const TReceived received = Receive(wire::kAnswerType, left > 0 ? int(left) : 0, &answer);
    FClosed = received == TReceived::Closed;
    FStalled = received == TReceived::TimedOut;
    if (received != TReceived::Packet) return nullptr;
    guint32 answered = 0;
    g_variant_get_child(answer, 0, "u", &answered);
    if (answered == serial) return answer;
    g_variant_unref(answer);
  }
}

// Waits up to waitMilliseconds for one packet of the type; packets of another size or shape
// are dropped, as the UI never sends them.
TReceived TRequestChannel::Receive(const char* type, int waitMilliseconds, GVariant** packet) {
  const gint64 deadline = g_get_monotonic_time() + gint64(waitMilliseconds) * 1000;
  for (;;) {
    pollfd ready{FSocket, POLLIN, 0};
    const gint64 left = std::max<gint64>((deadline - g_get_monotonic_time()) / 1000, 0);
    const int polled = poll(&ready, 1, int(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) return TReceived::TimedOut;
    if (polled < 0 || !(ready.revents & POLLIN)) return TReceived::Closed;
    const ssize_t size = recv(FSocket, FBuffer.data(), FBuffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (size < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (size <= 0) return TReceived::Closed;
    if (size_t(size) > FBuffer.size()) continue;
    g_autoptr(GBytes) bytes = g_bytes_new(FBuffer.data(), gsize(size));
    g_autoptr(GVariant) received =
        g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(type), bytes, FALSE));
    if (!g_variant_is_normal_form(received)) continue;
    *packet = g_variant_ref(received);
    return TReceived::Packet;
  }
}

gboolean OnSendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse* redirect,
                       gpointer channel) {
  try {
    return static_cast<TRequestChannel*>(channel)->Decide(request, redirect);
  } catch (...) {
    return FALSE;  // the program's say could not be had
  }
}

void FreeChannel(gpointer channel) {
  delete static_cast<TRequestChannel*>(channel);
}

}  // namespace

void HookPageRequests(WebKitWebPage* page) {
  auto* channel = new TRequestChannel(page);
  g_object_set_data_full(G_OBJECT(page), "corvane-request-channel", channel, FreeChannel);
  channel->Open();
  g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), channel);
}

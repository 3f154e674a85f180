// URL requests on one libsoup session of the runtime. Each request works on the main loop of
// the thread that created it: files of the body are read, the request is sent, the body is read
// in pieces, and the client hears of each step from that loop, never from inside a call of its
// own, so no answer of the client's is ever waited for.

#include <libsoup/soup.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtRequest.h"
#include "RtResponse.h"
#include "RtText.h"
#include "RtUrl.h"
#include "cef_capi_urlrequest.h"

namespace {

struct TObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T>
using TObjectPtr = std::unique_ptr<T, TObjectUnref>;

struct TContextUnref {
  void operator()(GMainContext* context) const { g_main_context_unref(context); }
};

// Async operations report to the thread-default context they started under.
class TContextScope {
 public:
  // Holds the context: the step may end with the request that owns it.
  explicit TContextScope(GMainContext* context) : FContext(g_main_context_ref(context)) {
    g_main_context_push_thread_default(FContext);
  }
  ~TContextScope() {
    g_main_context_pop_thread_default(FContext);
    g_main_context_unref(FContext);
  }
  TContextScope(const TContextScope&) = delete;
  TContextScope& operator=(const TContextScope&) = delete;

 private:
  GMainContext* FContext;
};

constexpr gsize kReadSize = 64 * 1024;

// One session for the process: libsoup lets several threads share it, each handling the
// messages it sent. No cookie jar, no cache.
SoupSession* Session() {
  static SoupSession* const session = soup_session_new();
  return session;
}

// The network library reports socket, file and resolver failures in GIO's terms.
TCefErrorCode ErrorOf(const GError& error) {
  if (error.domain == G_RESOLVER_ERROR) return ERR_NAME_NOT_RESOLVED;
  if (error.domain != G_IO_ERROR) return ERR_FAILED;
  switch (error.code) {
    case G_IO_ERROR_CONNECTION_REFUSED:
      return ERR_CONNECTION_REFUSED;
    case G_IO_ERROR_TIMED_OUT:
      return ERR_TIMED_OUT;
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
      return ERR_ADDRESS_UNREACHABLE;
    case G_IO_ERROR_CONNECTION_CLOSED:  // also the broken pipe
      return ERR_CONNECTION_CLOSED;
    case G_IO_ERROR_HOST_NOT_FOUND:
      return ERR_NAME_NOT_RESOLVED;
    case G_IO_ERROR_NOT_FOUND:
      return ERR_FILE_NOT_FOUND;
    default:
      return ERR_FAILED;
  }
}

// An HTTP token: a method or a header name.
bool HasHeader(const THeaderList& headers, const char* name) {
  return std::any_of(headers.begin(), headers.end(), [&](const auto& header) {
    return g_ascii_strcasecmp(header.first.c_str(), name) == 0;
  });
}

// Only http and https reach the network; anything else fails before sending.
TObjectPtr<SoupMessage> NewMessage(const TRequestSnapshot& request, TCefErrorCode& error) {
  g_autoptr(GUri) uri =
      HasControlCharacter(request.Url)
          ? nullptr
          : g_uri_parse(request.Url.c_str(), GUriFlags(SOUP_HTTP_URI_FLAGS), nullptr);
  const char* scheme = uri ? g_uri_get_scheme(uri) : nullptr;
  const char* host = uri ? g_uri_get_host(uri) : nullptr;
  if (!uri || !host || !*host) {
    error = ERR_INVALID_URL;
    return nullptr;
  }
  if (std::strcmp(scheme, "http") != 0 && std::strcmp(scheme, "https") != 0) {
    error = ERR_UNKNOWN_URL_SCHEME;
    return nullptr;
  }
  const std::string method = request.Method.empty() ? "GET" : request.Method;
  if (!IsHttpToken(method) || !AreSendable(request.Headers)) {
    error = ERR_INVALID_ARGUMENT;
    return nullptr;
  }
  return TObjectPtr<SoupMessage>(soup_message_new_from_uri(method.c_str(), uri));
}

class TUrlRequest final : public TRtCounted {
 public:
  static TCefUrlRequest* Create(TClientRef<TCefRequest> request,
                                TClientRef<TCefUrlRequestClient> client) {
    auto* created = new TUrlRequest(std::move(request), std::move(client));
    created->AddRef();  // held while under way
    g_autoptr(GSource) begin = g_idle_source_new();
    g_source_set_callback(begin, Begin, created, nullptr);
    g_source_attach(begin, created->FContext.get());
    return &created->FFace.Struct;
  }

 private:
  TUrlRequest(TClientRef<TCefRequest> request, TClientRef<TCefUrlRequestClient> client)
      : FRequest(std::move(request)),
        FClient(std::move(client)),
        FContext(g_main_context_ref_thread_default()),
        FCancellable(g_cancellable_new()) {
    MakeReadOnly(FRequest.get());
    FSnapshot = ReadRequest(FRequest.get());
    InitFace(FFace, this);
    TCefUrlRequest& s = FFace.Struct;
    s.get_request = get_request;
    s.get_client = get_client;
    s.get_request_status = get_request_status;
    s.get_request_error = get_request_error;
    s.get_response = get_response;
    s.cancel = cancel;
  }

  static TUrlRequest& Self(TCefUrlRequest* self) { return OwnerOf<TUrlRequest>(self); }

  static TCefRequest* CEF_CALLBACK get_request(TCefUrlRequest* self) {
    return Self(self).FRequest.Share();
  }
  static TCefUrlRequestClient* CEF_CALLBACK get_client(TCefUrlRequest* self) {
    TUrlRequest& request = Self(self);
    std::lock_guard lock(request.FLock);
    return request.FClient.Share();
  }
  static TCefUrlRequestStatus CEF_CALLBACK get_request_status(TCefUrlRequest* self) {
    return Self(self).FStatus;
  }
  static TCefErrorCode CEF_CALLBACK get_request_error(TCefUrlRequest* self) {
    return Self(self).FError;
  }
  static TCefResponse* CEF_CALLBACK get_response(TCefUrlRequest* self) {
    TUrlRequest& request = Self(self);
    std::lock_guard lock(request.FLock);
    return request.FResponse.Share();
  }
  // Any thread may cancel; the step under way then ends with G_IO_ERROR_CANCELLED.
  static void CEF_CALLBACK cancel(TCefUrlRequest* self) {
    g_cancellable_cancel(Self(self).FCancellable.get());
  }

  static gboolean Begin(gpointer data) {
    auto* request = static_cast<TUrlRequest*>(data);
    request->Step("url request start", [&] {
      if (g_cancellable_is_cancelled(request->FCancellable.get()))
        request->Complete(UR_CANCELED, ERR_ABORTED);
      else
        request->LoadFiles(0);
    });
    return G_SOURCE_REMOVE;
  }

  // Runs one step of the request on its own loop; a step that throws fails the request.
  template <class TBody>
  void Step(const char* where, TBody body) {
    TContextScope scope(FContext.get());
    if (!Guarded(
            where, [&] { return body(), true; }, false))
      Complete(UR_FAILED, ERR_FAILED);
  }

  // Reads the body's files one after the other, from index on, then sends.
  void LoadFiles(size_t index) {
    auto& body = FSnapshot.Body;
    while (index < body.size() && body[index].Type != PDE_TYPE_FILE) ++index;
    if (index == body.size()) return Send();
    FLoading = index;
    TObjectPtr<GFile> file(g_file_new_for_path(body[index].File.c_str()));
    g_file_load_contents_async(file.get(), FCancellable.get(), OnFileLoaded, this);
  }

  static void OnFileLoaded(GObject* file, GAsyncResult* result, gpointer data) {
    auto* request = static_cast<TUrlRequest*>(data);
    request->Step("url request file", [&] {
      g_autoptr(GError) error = nullptr;
      char* contents = nullptr;
      gsize length = 0;
      if (!g_file_load_contents_finish(G_FILE(file), result, &contents, &length, nullptr, &error))
        return request->Fail(*error);
      TPostPart& part = request->FSnapshot.Body[request->FLoading];
      part.Bytes.assign(contents, length);
      g_free(contents);
      request->LoadFiles(request->FLoading + 1);
    });
  }

  void Send() {
    TCefErrorCode error = ERR_NONE;
    FMessage = NewMessage(FSnapshot, error);
    if (!FMessage) return Complete(UR_FAILED, error);
    SoupMessageHeaders* headers = soup_message_get_request_headers(FMessage.get());
    for (const auto& [name, value] : FSnapshot.Headers)
      soup_message_headers_append(headers, name.c_str(), value.c_str());
    AttachBody();
    FSnapshot.Body.clear();  // the message holds its own copy
    soup_session_send_async(Session(), FMessage.get(), G_PRIORITY_DEFAULT, FCancellable.get(),
                            OnSent, this);
  }

  // The elements' bytes one after the other; a form's type unless the client named one.
  void AttachBody() {
    std::string body;
    for (const TPostPart& part : FSnapshot.Body) body += part.Bytes;
    if (FSnapshot.Body.empty()) return;
    FUploadTotal = int64_t(body.size());
    const bool typed = HasHeader(FSnapshot.Headers, "Content-Type");
    g_autoptr(GBytes) bytes = g_bytes_new(body.data(), body.size());
    soup_message_set_request_body_from_bytes(
        FMessage.get(), typed ? nullptr : "application/x-www-form-urlencoded", bytes);
    if (FSnapshot.Flags & UR_FLAG_REPORT_UPLOAD_PROGRESS)
      g_signal_connect(FMessage.get(), "wrote-body-data", G_CALLBACK(OnWroteBodyData), this);
  }

  static void OnWroteBodyData(SoupMessage*, guint chunkSize, gpointer data) {
    auto* request = static_cast<TUrlRequest*>(data);
    Guarded("url request upload", [&] {
      request->FUploaded += chunkSize;
      request->Tell(&TCefUrlRequestClient::on_upload_progress, request->FUploaded,
                    request->FUploadTotal);
    });
  }

  static void OnSent(GObject* session, GAsyncResult* result, gpointer data) {
    auto* request = static_cast<TUrlRequest*>(data);
    request->Step("url request sent", [&] {
      g_autoptr(GError) error = nullptr;
      request->FStream.reset(soup_session_send_finish(SOUP_SESSION(session), result, &error));
      if (!request->FStream) return request->Fail(*error);
      request->KeepResponseHead();
      request->ReadNext();
    });
  }

  void KeepResponseHead() {
    SoupMessageHeaders* headers = soup_message_get_response_headers(FMessage.get());
    TResponseHead head;
    head.Status = int32_t(soup_message_get_status(FMessage.get()));
    head.StatusText = TextOrEmpty(soup_message_get_reason_phrase(FMessage.get()));
    head.MimeType = TextOrEmpty(soup_message_headers_get_content_type(headers, nullptr));
    soup_message_headers_foreach(
        headers,
        [](const char* name, const char* value, gpointer list) {
          static_cast<THeaderList*>(list)->emplace_back(name, value);
        },
        &head.Headers);
    // A compressed body arrives decoded, so its announced length says nothing.
    const bool plain = !soup_message_headers_get_one(headers, "Content-Encoding");
    const goffset length = soup_message_headers_get_content_length(headers);
    if (plain && soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
      FDownloadTotal = int64_t(length);
    std::lock_guard lock(FLock);
    FResponse = TClientRef<TCefResponse>(NewReadOnlyResponse(head));
  }

  void ReadNext() {
    g_input_stream_read_bytes_async(FStream.get(), kReadSize, G_PRIORITY_DEFAULT,
                                    FCancellable.get(), OnRead, this);
  }

  static void OnRead(GObject* stream, GAsyncResult* result, gpointer data) {
    auto* request = static_cast<TUrlRequest*>(data);
    request->Step("url request read", [&] {
      g_autoptr(GError) error = nullptr;
      g_autoptr(GBytes) bytes =
          g_input_stream_read_bytes_finish(G_INPUT_STREAM(stream), result, &error);
      if (!bytes) return request->Fail(*error);
      if (g_bytes_get_size(bytes) == 0) return request->Complete(UR_SUCCESS, ERR_NONE);
      request->Received(bytes);
      request->ReadNext();
    });
  }

  void Received(GBytes* bytes) {
    gsize size = 0;
    const void* data = g_bytes_get_data(bytes, &size);
    FDownloaded += int64_t(size);
    if (!(FSnapshot.Flags & UR_FLAG_NO_DOWNLOAD_DATA))
      Tell(&TCefUrlRequestClient::on_download_data, data, size_t(size));
    Tell(&TCefUrlRequestClient::on_download_progress, FDownloaded, FDownloadTotal);
  }

  void Fail(const GError& error) {
    if (g_error_matches(&error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
      Complete(UR_CANCELED, ERR_ABORTED);
    else
      Complete(UR_FAILED, ErrorOf(error));
  }

  // Tells the client once, lets go of it and of the reference held while under way.
  void Complete(TCefUrlRequestStatus status, TCefErrorCode error) {
    if (FStatus != UR_IO_PENDING) return;
    FError = error;
    FStatus = status;
    FStream.reset();
    if (FMessage) g_signal_handlers_disconnect_by_data(FMessage.get(), this);
    Tell(&TCefUrlRequestClient::on_request_complete);
    {
      std::lock_guard lock(FLock);
      FClient.reset();
    }
    Release();
  }

  // Calls a client entry with the request and a reference of the client's own.
  template <class TEntry, class... TArgs>
  void Tell(TEntry TCefUrlRequestClient::*entry, TArgs... args) {
    TCefUrlRequestClient* client = nullptr;
    {
      std::lock_guard lock(FLock);
      client = FClient.get();
    }
    if (client && client->*entry) (client->*entry)(client, Share(FFace), args...);
  }

  TFace<TCefUrlRequest> FFace;
  TClientRef<TCefRequest> FRequest;
  std::mutex FLock;  // guards FClient and FResponse, which other threads may ask for
  TClientRef<TCefUrlRequestClient> FClient;
  TClientRef<TCefResponse> FResponse;
  std::unique_ptr<GMainContext, TContextUnref> FContext;
  TObjectPtr<GCancellable> FCancellable;
  TRequestSnapshot FSnapshot;
  size_t FLoading = 0;  // the body element whose file is being read
  TObjectPtr<SoupMessage> FMessage;
  TObjectPtr<GInputStream> FStream;
  std::atomic<TCefUrlRequestStatus> FStatus{UR_IO_PENDING};
  std::atomic<TCefErrorCode> FError{ERR_NONE};
  int64_t FUploaded = 0;
  int64_t FUploadTotal = 0;
  int64_t FDownloaded = 0;
  int64_t FDownloadTotal = -1;
};

}  // namespace

extern "C" {

// Both objects are needed; without either the other is released and nothing is sent.
TCefUrlRequest* cef_urlrequest_create(TCefRequest* request, TCefUrlRequestClient* client) {
  TClientRef<TCefRequest> heldRequest(request);
  TClientRef<TCefUrlRequestClient> heldClient(client);
  return Guarded(
      "cef_urlrequest_create",
      [&]() -> TCefUrlRequest* {
        if (!heldRequest || !heldClient) return nullptr;
        return TUrlRequest::Create(std::move(heldRequest), std::move(heldClient));
      },
      static_cast<TCefUrlRequest*>(nullptr));
}

}  // extern "C"

// Custom schemes served by the client: factories registered per scheme and domain, asked for a
// handler per request, whose data WebKit pulls through a stream of ours.

#include "RtSchemeHandler.h"

#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtObject.h"
#include "RtRequest.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtText.h"
#include "cef_capi_urlrequest.h"

namespace {

// A handler that said "later" and never came back fails the request after this.
constexpr guint kHandlerWaitSeconds = 30;

// A request body is handed over whole, so it is held in memory: past this it is refused.
constexpr size_t kLongestBodyBytes = 64 * 1024 * 1024;
constexpr size_t kBodyChunkBytes = 64 * 1024;
constexpr char kServedKeyPrefix[] = "corvane-served-scheme:";

using TFactoryKey = std::pair<std::string, std::string>;  // scheme, domain ("" for any)
using TFactoryTable = std::map<TFactoryKey, TClientRef<TCefSchemeHandlerFactory>>;
TFactoryTable* Factories = nullptr;  // released at shutdown, not at exit, when the client is gone

TFactoryTable& FactoryTable() {
  if (!Factories) Factories = new TFactoryTable;
  return *Factories;
}

// WebKit keeps these schemes to itself; a factory for them would never be asked.
bool IsOwnedByWebKit(const std::string& scheme) {
  static constexpr const char* kOwned[] = {"http", "https", "file", "about",     "data",
                                           "blob", "ws",    "wss",  "javascript"};
  return std::any_of(std::begin(kOwned), std::end(kOwned),
                     [&](const char* owned) { return scheme == owned; });
}

// RFC 3986: a letter, then letters, digits, "+", "-" and ".".
bool IsSchemeName(const std::string& scheme) {
  if (scheme.empty() || !g_ascii_isalpha(scheme[0])) return false;
  return std::all_of(scheme.begin(), scheme.end(),
                     [](char c) { return g_ascii_isalnum(c) || c == '+' || c == '-' || c == '.'; });
}

void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer);

std::string ServedKey(const std::string& scheme) {
  return kServedKeyPrefix + scheme;
}

void Serve(WebKitWebContext* context, const std::string& scheme) {
  const std::string key = ServedKey(scheme);
  if (g_object_get_data(G_OBJECT(context), key.c_str())) return;  // WebKit takes a scheme once
  g_object_set_data(G_OBJECT(context), key.c_str(), GINT_TO_POINTER(1));
  webkit_web_context_register_uri_scheme(context, scheme.c_str(), OnSchemeRequest, nullptr,
                                         nullptr);
}

// Counted: the factory may clear the table while it creates.
TClientRef<TCefSchemeHandlerFactory> FactoryFor(const std::string& scheme,
                                                const std::string& domain) {
  if (!Factories) return {};
  for (const TFactoryKey& key : {TFactoryKey{scheme, domain}, TFactoryKey{scheme, ""}}) {
    auto found = Factories->find(key);
    if (found != Factories->end())
      return TClientRef<TCefSchemeHandlerFactory>(found->second.Share());
  }
  return {};
}

THeaderList SoupHeadersOf(SoupMessageHeaders* headers) {
  THeaderList list;
  if (!headers) return list;
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, headers);
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) list.emplace_back(name, value);
  return list;
}

// The body read whole: empty without one, none when it cannot be read or is too long to hold,
// as a body cut short would be handed over as if it were whole.
std::optional<std::string> BodyOf(WebKitURISchemeRequest* request) {
  g_autoptr(GInputStream) stream = webkit_uri_scheme_request_get_http_body(request);
  std::string body;
  if (!stream) return body;
  std::string chunk(kBodyChunkBytes, '\0');
  for (;;) {
    gsize read = 0;
    if (!g_input_stream_read_all(stream, chunk.data(), chunk.size(), &read, nullptr, nullptr))
      return std::nullopt;
    body.append(chunk, 0, read);
    if (body.size() > kLongestBodyBytes) return std::nullopt;
    if (read < chunk.size()) return body;
  }
}

TCefPostData* PostDataOf(const std::string& body) {
  if (body.empty()) return nullptr;
  TCefPostData* post = cef_post_data_create();
  TCefPostDataElement* element = cef_post_data_element_create();
  element->set_to_bytes(element, body.size(), body.data());
  post->add_element(post, element);
  return post;
}

// The request as the client reads it: address, method, headers and body; null when the body
// cannot be read whole.
TCefRequest* NewRequestOf(WebKitURISchemeRequest* request) {
  const std::optional<std::string> body = BodyOf(request);
  if (!body) return nullptr;
  TCefRequest* made = cef_request_create();
  const std::u16string url = Utf8ToU16(TextOrEmpty(webkit_uri_scheme_request_get_uri(request)));
  const char* method = webkit_uri_scheme_request_get_http_method(request);
  const std::u16string methodText = Utf8ToU16(method ? method : "GET");
  const TCefStringUtf16 urlRecord = Borrow(url);
  const TCefStringUtf16 methodRecord = Borrow(methodText);
  TCefStringMultimap headers = cef_string_multimap_alloc();
  AppendHeaders(SoupHeadersOf(webkit_uri_scheme_request_get_http_headers(request)), headers);
  made->set(made, &urlRecord, &methodRecord, PostDataOf(*body), headers);
  cef_string_multimap_free(headers);
  MakeReadOnly(made);
  return made;
}

// The pointer with one more reference, for a receiver that releases it.
TCefRequest* Shared(TCefRequest* request) {
  request->base.add_ref(&request->base);
  return request;
}

TClientRef<TCefResourceHandler> BrowserHandler(TBrowser& browser, TCefRequest* request) {
  TClientRef<TCefResourceHandler> handler;
  browser.WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* requests) {
    if (requests->get_resource_handler)
      handler = TClientRef<TCefResourceHandler>(requests->get_resource_handler(
          requests, browser.ShareBrowser(), browser.NewFrame(0), Shared(request)));
  });
  return handler;
}

TClientRef<TCefResourceHandler> FactoryHandler(WebKitURISchemeRequest* asked, TBrowser* browser,
                                               TCefRequest* request) {
  const std::string scheme = TextOrEmpty(webkit_uri_scheme_request_get_scheme(asked));
  g_autoptr(GUri) uri =
      g_uri_parse(webkit_uri_scheme_request_get_uri(asked), G_URI_FLAGS_NONE, nullptr);
  const TClientRef<TCefSchemeHandlerFactory> factory =
      FactoryFor(scheme, TextOrEmpty(uri ? g_uri_get_host(uri) : nullptr));
  if (!factory || !factory->create) return {};
  const std::u16string schemeText = Utf8ToU16(scheme);
  const TCefStringUtf16 schemeRecord = Borrow(schemeText);
  return TClientRef<TCefResourceHandler>(
      factory->create(factory.get(), browser ? browser->ShareBrowser() : nullptr,
                      browser ? browser->NewFrame(0) : nullptr, &schemeRecord, Shared(request)));
}

std::string LowerCase(TCefConstString* text) {
  return TakeText(g_ascii_strdown(ToUtf8(text).c_str(), -1));
}

class TSchemeJob;

// One wait of a job on its handler; the first answer counts, and a callback released
// unanswered cancels. The answer reaches the job from the main loop, so a handler may answer
// inside the call that handed it the callback, or from another thread.
class TResumeCallback final : public TRtCounted {
 public:
  static TCefCallback* New(TSchemeJob* job, uint64_t wait);

 private:
  TResumeCallback(TSchemeJob* job, uint64_t wait);
  ~TResumeCallback() override;
  void Answer(bool proceed);
  static void CEF_CALLBACK cont(TCefCallback* self);
  static void CEF_CALLBACK cancel(TCefCallback* self);

  TFace<TCefCallback> FFace;
  TSchemeJob* FJob;  // counted
  const uint64_t FWait;
  std::atomic<bool> FAnswered{false};
};

// One request of a custom scheme, from the handler's "go on" to the end of its data. Held by
// itself until the response head is given to WebKit, then by the stream WebKit reads.
class TSchemeJob final : public TRtCounted {
 public:
  static void Start(WebKitURISchemeRequest* request);
  void Resumed(uint64_t wait, bool proceed);
  // The stream's asynchronous read: completes task with a byte count, 0 at the end.
  void Read(void* buffer, gsize count, GTask* task);
  // WebKit let go of the stream.
  void Abandon();

 private:
  enum class TWait { None, Head, Data };
  explicit TSchemeJob(WebKitURISchemeRequest* request);
  ~TSchemeJob() override;
  bool FindHandler(TCefRequest* request);
  void AskToProcess(TCefRequest* request);
  void AnswerHead();
  void ReadNow();
  void WatchCancellation();
  void ReadCancelled();
  static void OnReadCancelled(GCancellable*, gpointer self);
  void Wait(TWait what);
  void StopWaiting();
  void Fail(GIOErrorEnum code, const std::string& message);
  void EndRead(gssize count, GIOErrorEnum code = G_IO_ERROR_FAILED, const std::string& why = {});
  void CancelHandler();
  static gboolean OnWaitedTooLong(gpointer self);

  WebKitURISchemeRequest* FRequest;  // counted until the head is answered
  TClientRef<TCefResourceHandler> FHandler;
  TWait FWait = TWait::None;
  uint64_t FWaitId = 0;
  guint FTimer = 0;
  GTask* FRead = nullptr;   // counted while a read is under way
  gulong FCancelWatch = 0;  // on the read's cancellable while the handler is waited for
  void* FBuffer = nullptr;
  gsize FCount = 0;
  bool FEnded = false;  // the handler has no more data, or failed
};

// ---- The stream WebKit reads the handler's data from ----------------------------------------

struct THandlerStream {
  GInputStream Parent;
  TSchemeJob* Job;  // counted
};

struct THandlerStreamClass {
  GInputStreamClass Parent;
};

G_DEFINE_TYPE(THandlerStream, handler_stream, G_TYPE_INPUT_STREAM)

void handler_stream_init(THandlerStream* stream) {
  stream->Job = nullptr;
}

void HandlerStreamFinalize(GObject* object) {
  Guarded("handler stream finalize", [&] {
    auto* stream = reinterpret_cast<THandlerStream*>(object);
    if (TSchemeJob* job = std::exchange(stream->Job, nullptr)) {
      job->Abandon();
      job->Release();
    }
  });
  G_OBJECT_CLASS(handler_stream_parent_class)->finalize(object);
}

// Reads happen on the main loop only: the handler is the client's and expects its thread.
gssize HandlerStreamRead(GInputStream*, void*, gsize, GCancellable*, GError** error) {
  g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED,
                      "A scheme handler's data is read asynchronously only");
  return -1;
}

void HandlerStreamReadAsync(GInputStream* stream, void* buffer, gsize count, int,
                            GCancellable* cancellable, GAsyncReadyCallback callback,
                            gpointer data) {
  GTask* task = g_task_new(stream, cancellable, callback, data);
  Guarded("handler stream read",
          [&] { reinterpret_cast<THandlerStream*>(stream)->Job->Read(buffer, count, task); });
}

gssize HandlerStreamReadFinish(GInputStream*, GAsyncResult* result, GError** error) {
  return g_task_propagate_int(G_TASK(result), error);
}

void handler_stream_class_init(THandlerStreamClass* streamClass) {
  G_OBJECT_CLASS(streamClass)->finalize = HandlerStreamFinalize;
  GInputStreamClass* input = G_INPUT_STREAM_CLASS(streamClass);
  input->read_fn = HandlerStreamRead;
  input->read_async = HandlerStreamReadAsync;
  input->read_finish = HandlerStreamReadFinish;
}

GInputStream* NewHandlerStream(TSchemeJob* job) {
  auto* stream = static_cast<THandlerStream*>(g_object_new(handler_stream_get_type(), nullptr));
  job->AddRef();
  stream->Job = job;
  return G_INPUT_STREAM(stream);
}

// ---- Callbacks ----------------------------------------------------------------------------------

TCefCallback* TResumeCallback::New(TSchemeJob* job, uint64_t wait) {
  return &(new TResumeCallback(job, wait))->FFace.Struct;
}

TResumeCallback::TResumeCallback(TSchemeJob* job, uint64_t wait) : FJob(job), FWait(wait) {
  FJob->AddRef();
  InitFace(FFace, this);
  FFace.Struct.cont = cont;
  FFace.Struct.cancel = cancel;
}

TResumeCallback::~TResumeCallback() {
  Answer(false);
  FJob->Release();
}

struct TResumption {
  TSchemeJob* Job;  // counted
  uint64_t Wait;
  bool Proceed;
};

void TResumeCallback::Answer(bool proceed) {
  if (FAnswered.exchange(true)) return;
  FJob->AddRef();
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) {
        const std::unique_ptr<TResumption> resumption(static_cast<TResumption*>(data));
        Guarded("scheme handler resumed",
                [&] { resumption->Job->Resumed(resumption->Wait, resumption->Proceed); });
        resumption->Job->Release();
        return G_SOURCE_REMOVE;
      },
      new TResumption{FJob, FWait, proceed}, nullptr);
}

void CEF_CALLBACK TResumeCallback::cont(TCefCallback* self) {
  Guarded("scheme callback cont", [&] { OwnerOf<TResumeCallback>(self).Answer(true); });
}

void CEF_CALLBACK TResumeCallback::cancel(TCefCallback* self) {
  Guarded("scheme callback cancel", [&] { OwnerOf<TResumeCallback>(self).Answer(false); });
}

// ---- Jobs ------------------------------------------------------------------------------------

TSchemeJob::TSchemeJob(WebKitURISchemeRequest* request)
    : FRequest(WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request))) {}

TSchemeJob::~TSchemeJob() {
  if (FTimer) g_source_remove(FTimer);
  if (FRequest) g_object_unref(FRequest);
}

void TSchemeJob::Start(WebKitURISchemeRequest* request) {
  auto* job = new TSchemeJob(request);  // its own reference, until the head is answered
  TClientRef<TCefRequest> asked(NewRequestOf(request));
  if (!asked) {
    job->Fail(G_IO_ERROR_MESSAGE_TOO_LARGE,
              "The body of " + TextOrEmpty(webkit_uri_scheme_request_get_uri(request)) +
                  " cannot be read whole");
    return;
  }
  if (!job->FindHandler(asked.get())) {
    job->Fail(G_IO_ERROR_NOT_FOUND,
              "Nothing serves " + TextOrEmpty(webkit_uri_scheme_request_get_uri(request)));
    return;
  }
  job->AskToProcess(asked.get());
}

// The browser's request handler first, then the factory for the scheme and host.
bool TSchemeJob::FindHandler(TCefRequest* request) {
  TRuntime* runtime = TRuntime::Instance();
  TBrowser* browser =
      runtime ? runtime->BrowserOfView(webkit_uri_scheme_request_get_web_view(FRequest)) : nullptr;
  if (browser) FHandler = BrowserHandler(*browser, request);
  if (!FHandler) FHandler = FactoryHandler(FRequest, browser, request);
  return bool(FHandler);
}

void TSchemeJob::AskToProcess(TCefRequest* request) {
  Wait(TWait::Head);
  if (!FHandler->process_request || !FHandler->process_request(FHandler.get(), Shared(request),
                                                               TResumeCallback::New(this, FWaitId)))
    Fail(G_IO_ERROR_NOT_FOUND,
         "The handler refused " + TextOrEmpty(webkit_uri_scheme_request_get_uri(FRequest)));
}

void TSchemeJob::Wait(TWait what) {
  FWait = what;
  ++FWaitId;
  if (FTimer) g_source_remove(FTimer);
  FTimer = g_timeout_add_seconds(kHandlerWaitSeconds, OnWaitedTooLong, this);
}

void TSchemeJob::StopWaiting() {
  FWait = TWait::None;
  ++FWaitId;  // answers to older waits no longer count
  if (FTimer) g_source_remove(std::exchange(FTimer, 0));
}

gboolean TSchemeJob::OnWaitedTooLong(gpointer self) {
  auto& job = *static_cast<TSchemeJob*>(self);
  job.FTimer = 0;
  Guarded("scheme handler wait", [&] {
    const std::string why =
        "The handler did not answer within " + std::to_string(kHandlerWaitSeconds) + " seconds";
    const TWait waited = job.FWait;
    job.CancelHandler();
    if (waited == TWait::Head) job.Fail(G_IO_ERROR_TIMED_OUT, why);
    if (waited == TWait::Data) job.EndRead(-1, G_IO_ERROR_TIMED_OUT, why);
  });
  return G_SOURCE_REMOVE;
}

void TSchemeJob::Resumed(uint64_t wait, bool proceed) {
  if (wait != FWaitId || FWait == TWait::None) return;
  const TWait waited = FWait;
  StopWaiting();
  if (waited == TWait::Head) {
    if (proceed)
      AnswerHead();
    else
      Fail(G_IO_ERROR_CANCELLED, "The handler cancelled the request");
  } else if (proceed) {
    ReadNow();
  } else {
    EndRead(-1, G_IO_ERROR_CANCELLED, "The handler cancelled the request");
  }
}

// Status, type, headers and length from the handler; the data follows through the stream.
void TSchemeJob::AnswerHead() {
  TClientRef<TCefResponse> head(cef_response_create());
  int64_t length = -1;
  TCefStringUtf16 redirect{};
  if (FHandler->get_response_headers)
    FHandler->get_response_headers(FHandler.get(), head.get(), &length, &redirect);
  const bool redirected = redirect.length > 0;
  cef_string_utf16_clear(&redirect);
  if (redirected) {
    CancelHandler();
    Fail(G_IO_ERROR_NOT_SUPPORTED, "A custom scheme cannot redirect");
    return;
  }
  g_autoptr(GInputStream) stream = NewHandlerStream(this);
  g_autoptr(WebKitURISchemeResponse) response =
      webkit_uri_scheme_response_new(stream, length >= 0 ? length : -1);
  const int32_t status = head->get_status(head.get());
  const std::string reason = TakeUserFree(head->get_status_text(head.get()));
  webkit_uri_scheme_response_set_status(response, guint(status > 0 ? status : 200),
                                        reason.empty() ? nullptr : reason.c_str());
  const std::string mimeType = TakeUserFree(head->get_mime_type(head.get()));
  if (!mimeType.empty()) webkit_uri_scheme_response_set_content_type(response, mimeType.c_str());
  TCefStringMultimap map = cef_string_multimap_alloc();
  head->get_header_map(head.get(), map);
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  for (const auto& [name, value] : HeadersOf(map))
    soup_message_headers_append(headers, name.c_str(), value.c_str());
  cef_string_multimap_free(map);
  webkit_uri_scheme_response_set_http_headers(response, headers);  // takes them
  g_autoptr(WebKitURISchemeRequest) request = std::exchange(FRequest, nullptr);
  webkit_uri_scheme_request_finish_with_response(request, response);
  Release();  // the stream holds the job from now on
}

void TSchemeJob::Fail(GIOErrorEnum code, const std::string& message) {
  g_autoptr(WebKitURISchemeRequest) request = std::exchange(FRequest, nullptr);
  if (!request) return;
  StopWaiting();
  FEnded = true;
  g_autoptr(GError) error = g_error_new_literal(G_IO_ERROR, code, message.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
  Release();  // the job's own reference
}

void TSchemeJob::Read(void* buffer, gsize count, GTask* task) {
  if (FRead) {  // GIO allows one read at a time; this is a caller's fault
    g_task_return_new_error(task, G_IO_ERROR, G_IO_ERROR_PENDING, "A read is under way");
    g_object_unref(task);
    return;
  }
  FRead = task;
  FBuffer = buffer;
  FCount = std::min<gsize>(count, INT32_MAX);
  if (FEnded)
    EndRead(0);
  else
    ReadNow();
}

void TSchemeJob::ReadNow() {
  int32_t read = 0;
  const uint64_t wait = FWaitId + 1;  // the wait this call may start
  const bool more =
      FHandler->read_response && FHandler->read_response(FHandler.get(), FBuffer, int32_t(FCount),
                                                         &read, TResumeCallback::New(this, wait));
  if (!more) {
    FEnded = true;
    EndRead(0);
  } else if (read < 0 || gsize(read) > FCount) {
    CancelHandler();
    EndRead(-1, G_IO_ERROR_INVALID_DATA,
            "The handler reported " + std::to_string(read) + " bytes read into a buffer of " +
                std::to_string(FCount));
  } else if (read > 0) {
    ++FWaitId;  // the callback of this call no longer counts
    EndRead(read);
  } else {
    Wait(TWait::Data);
    WatchCancellation();
  }
}

// A page that goes away cancels its reads: the handler stops then, not at the bound.
void TSchemeJob::WatchCancellation() {
  GCancellable* cancellable = g_task_get_cancellable(FRead);
  if (cancellable && !FCancelWatch)
    FCancelWatch = g_cancellable_connect(cancellable, G_CALLBACK(OnReadCancelled), this, nullptr);
}

// May run inside g_cancellable_connect or cancel: the work waits for the main loop.
void TSchemeJob::OnReadCancelled(GCancellable*, gpointer self) {
  auto* job = static_cast<TSchemeJob*>(self);
  job->AddRef();
  g_idle_add(
      [](gpointer data) {
        auto* cancelled = static_cast<TSchemeJob*>(data);
        Guarded("scheme read cancelled", [&] { cancelled->ReadCancelled(); });
        cancelled->Release();
        return G_SOURCE_REMOVE;
      },
      job);
}

void TSchemeJob::ReadCancelled() {
  if (FWait != TWait::Data) return;
  StopWaiting();
  CancelHandler();
  EndRead(-1, G_IO_ERROR_CANCELLED, "The page no longer wants the data");
}

// Completes the stream's read: bytes, 0 at the end, or -1 with the error.
void TSchemeJob::EndRead(gssize count, GIOErrorEnum code, const std::string& why) {
  GTask* task = std::exchange(FRead, nullptr);
  if (const gulong watch = std::exchange(FCancelWatch, 0); watch && task)
    g_cancellable_disconnect(g_task_get_cancellable(task), watch);
  FBuffer = nullptr;
  FCount = 0;
  if (count < 0) FEnded = true;
  if (!task) return;
  if (count < 0)
    g_task_return_new_error(task, G_IO_ERROR, code, "%s", why.c_str());
  else
    g_task_return_int(task, count);
  g_object_unref(task);
}

void TSchemeJob::Abandon() {
  StopWaiting();
  if (!FEnded) CancelHandler();
}

void TSchemeJob::CancelHandler() {
  FEnded = true;
  if (FHandler && FHandler->cancel) FHandler->cancel(FHandler.get());
}

void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer) {
  Guarded("scheme request", [&] { TSchemeJob::Start(request); });
}

}  // namespace

void ServeRegisteredSchemes(WebKitWebContext* context) {
  if (!Factories) return;
  for (const auto& [key, factory] : *Factories) Serve(context, key.first);
}

bool IsServedScheme(WebKitWebContext* context, const char* scheme) {
  return g_object_get_data(G_OBJECT(context), ServedKey(scheme).c_str()) != nullptr;
}

void ForgetSchemeHandlerFactories() {
  delete std::exchange(Factories, nullptr);
}

extern "C" {

// The scheme goes to WebKit once and stays there; what serves it is looked up per request.
TCefBool cef_register_scheme_handler_factory(TCefConstString* schemeName,
                                             TCefConstString* domainName,
                                             TCefSchemeHandlerFactory* factory) {
  TClientRef<TCefSchemeHandlerFactory> held(factory);
  return Guarded(
      "cef_register_scheme_handler_factory",
      [&]() -> TCefBool {
        const std::string scheme = LowerCase(schemeName);
        if (!IsSchemeName(scheme) || IsOwnedByWebKit(scheme)) return 0;
        const std::string domain = LowerCase(domainName);
        if (!held) {
          if (Factories) Factories->erase({scheme, domain});
          return 1;
        }
        FactoryTable()[{scheme, domain}] = std::move(held);
        if (TRuntime* runtime = TRuntime::Instance())
          runtime->ForEachWebContext([&](WebKitWebContext* context) { Serve(context, scheme); });
        return 1;
      },
      TCefBool(0));
}

// Requests of the schemes fail from now on, until factories are registered again.
TCefBool cef_clear_scheme_handler_factories(void) {
  return Guarded(
      "cef_clear_scheme_handler_factories",
      [] {
        if (Factories) Factories->clear();
        return TCefBool(1);
      },
      TCefBool(0));
}

}  // extern "C"

/* Entries of the objects a client serves custom schemes with, which cef_capi.h declares opaque:
 * the program never calls them, only the runtime does. Reference rules are those of cef_capi.h. */
#ifndef CORVANE_RUNTIME_ABI_CEF_CAPI_SCHEME_H
#define CORVANE_RUNTIME_ABI_CEF_CAPI_SCHEME_H

#include "cef_capi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A handler's way to say it may go on (or not) after it answered "later". */
typedef struct TCefCallback TCefCallback;
struct TCefCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefCallback* self);
  void(CEF_CALLBACK* cancel)(TCefCallback* self);
};

/* Serves one request. process_request answers false to refuse, or true and continues through
 * the callback (at once or later). read_response answers false at the end of the data; true with
 * bytes_read > 0 for data, or true with 0 to continue through the callback when data is there.
 * The cookie entries are never called: WebKit keeps cookies to itself. */
struct TCefResourceHandler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* process_request)(TCefResourceHandler* self, TCefRequest* request,
                                          TCefCallback* callback);
  void(CEF_CALLBACK* get_response_headers)(TCefResourceHandler* self, TCefResponse* response,
                                           int64_t* response_length, TCefStringUtf16* redirectUrl);
  TCefBool(CEF_CALLBACK* read_response)(TCefResourceHandler* self, void* data_out,
                                        int32_t bytes_to_read, int32_t* bytes_read,
                                        TCefCallback* callback);
  TCefBool(CEF_CALLBACK* can_get_cookie)(TCefResourceHandler* self, const void* cookie);
  TCefBool(CEF_CALLBACK* can_set_cookie)(TCefResourceHandler* self, const void* cookie);
  void(CEF_CALLBACK* cancel)(TCefResourceHandler* self);
};

/* Makes the handler of one request of its scheme (and domain); null to refuse it. */
struct TCefSchemeHandlerFactory {
  TCefBase base;
  TCefResourceHandler*(CEF_CALLBACK* create)(TCefSchemeHandlerFactory* self, TCefBrowser* browser,
                                             TCefFrame* frame, TCefConstString* scheme_name,
                                             TCefRequest* request);
};

#ifdef __cplusplus
}
#endif

#endif

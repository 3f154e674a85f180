/* Entries of the response, URL request and URL request client objects that cef_capi.h declares
 * opaque: the program only resolves their creators, a client that sends requests of its own
 * needs the entries. Reference rules are those of cef_capi.h: an object passed in comes with one
 * reference, which the callee releases. */
#ifndef CORVANE_RUNTIME_ABI_CEF_CAPI_URLREQUEST_H
#define CORVANE_RUNTIME_ABI_CEF_CAPI_URLREQUEST_H

#include "cef_capi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum TCefUrlRequestStatus CEF_ENUM_BASE {
  UR_UNKNOWN,
  UR_SUCCESS,    /* every byte of the response arrived; the HTTP status may still be an error */
  UR_IO_PENDING, /* under way */
  UR_CANCELED,
  UR_FAILED
} TCefUrlRequestStatus;

/* The network error numbers the runtime reports, here and to on_load_error. */
typedef enum TCefErrorCode CEF_ENUM_BASE {
  ERR_NONE = 0,
  ERR_FAILED = -2,
  ERR_ABORTED = -3,
  ERR_INVALID_ARGUMENT = -4,
  ERR_FILE_NOT_FOUND = -6,
  ERR_TIMED_OUT = -7,
  ERR_CONNECTION_CLOSED = -100,
  ERR_CONNECTION_REFUSED = -102,
  ERR_NAME_NOT_RESOLVED = -105,
  ERR_ADDRESS_UNREACHABLE = -109,
  ERR_INVALID_URL = -300,
  ERR_UNKNOWN_URL_SCHEME = -302
} TCefErrorCode;

/* TCefRequest flags. URL requests go without cache and cookies whatever the flags say; the
 * runtime acts on the two flags commented here and keeps the other bits for the client. */
enum {
  UR_FLAG_NONE = 0,
  UR_FLAG_SKIP_CACHE = 1,
  UR_FLAG_ALLOW_CACHED_CREDENTIALS = 2,
  UR_FLAG_ALLOW_COOKIES = 4,
  UR_FLAG_REPORT_UPLOAD_PROGRESS = 8, /* on_upload_progress only with this flag */
  UR_FLAG_NO_DOWNLOAD_DATA = 64       /* no on_download_data: the body is read and dropped */
};

/* A response head. Read-only when the runtime hands it out; header names match in any case. */
struct TCefResponse {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_read_only)(TCefResponse* self);
  int32_t(CEF_CALLBACK* get_status)(TCefResponse* self);
  void(CEF_CALLBACK* set_status)(TCefResponse* self, int32_t status);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_status_text)(TCefResponse* self);
  void(CEF_CALLBACK* set_status_text)(TCefResponse* self, TCefConstString* statusText);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_mime_type)(TCefResponse* self);
  void(CEF_CALLBACK* set_mime_type)(TCefResponse* self, TCefConstString* mimeType);
  /* The first value of the header; null when there is none. */
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_header)(TCefResponse* self, TCefConstString* name);
  /* Appends every header to the caller's map. */
  void(CEF_CALLBACK* get_header_map)(TCefResponse* self, TCefStringMultimap headerMap);
  void(CEF_CALLBACK* set_header_map)(TCefResponse* self, TCefStringMultimap headerMap);
};

/* Sends a request made read-only by cef_urlrequest_create and tells the client how it goes. */
struct TCefUrlRequest {
  TCefBase base;
  TCefRequest*(CEF_CALLBACK* get_request)(TCefUrlRequest* self);
  /* Null once the request is complete: the runtime lets go of the client then. */
  TCefUrlRequestClient*(CEF_CALLBACK* get_client)(TCefUrlRequest* self);
  TCefUrlRequestStatus(CEF_CALLBACK* get_request_status)(TCefUrlRequest* self);
  TCefErrorCode(CEF_CALLBACK* get_request_error)(TCefUrlRequest* self);
  /* Null until the response's head has arrived. */
  TCefResponse*(CEF_CALLBACK* get_response)(TCefUrlRequest* self);
  /* Completes a request under way with UR_CANCELED; does nothing once it is complete. */
  void(CEF_CALLBACK* cancel)(TCefUrlRequest* self);
};

/* Told on the thread that created the request, from its main loop, never inside
 * cef_urlrequest_create. on_request_complete comes exactly once, last. A total is -1 while
 * unknown. */
struct TCefUrlRequestClient {
  TCefBase base;
  void(CEF_CALLBACK* on_request_complete)(TCefUrlRequestClient* self, TCefUrlRequest* request);
  void(CEF_CALLBACK* on_upload_progress)(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                         int64_t current, int64_t total);
  void(CEF_CALLBACK* on_download_progress)(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                           int64_t current, int64_t total);
  void(CEF_CALLBACK* on_download_data)(TCefUrlRequestClient* self, TCefUrlRequest* request,
                                       const void* data, size_t dataLength);
};

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_RUNTIME_ABI_CEF_CAPI_URLREQUEST_H */

/* Entry points our runtime exports beyond the runtime API: finding text in a page, printing
 * it, and what a page asks of the program (permissions, upload folders). They are not part of the
 * API the loader requires; the binding looks each one up on its own and goes without any that a
 * runtime lacks. Objects passed in follow the reference rules of cef_capi.h: the caller hands over
 * one reference, the callee releases it. */
#ifndef CORVANE_RUNTIME_ABI_CORVANE_RUNTIME_EXT_H
#define CORVANE_RUNTIME_ABI_CORVANE_RUNTIME_EXT_H

#include "cef_capi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TCefFindHandler TCefFindHandler;

/* Told once per search request, on the main thread. */
struct TCefFindHandler {
  TCefBase base;
  /* How often the text occurs in the page; 0 when not at all. */
  void(CEF_CALLBACK* on_find_result)(TCefFindHandler* self, int32_t match_count);
};

typedef struct TCefPermissionCallback TCefPermissionCallback;
typedef struct TCefPageRequestHandler TCefPageRequestHandler;

/* What a page asks for; one request may ask for several (camera and microphone together). */
enum {
  CORVANE_PERMISSION_NOTIFICATIONS = 1,
  CORVANE_PERMISSION_CAMERA = 2,
  CORVANE_PERMISSION_MICROPHONE = 4,
  CORVANE_PERMISSION_CLIPBOARD_READ = 8,
  CORVANE_PERMISSION_GEOLOCATION = 16
};

/* The answer to one permission request, now or later; only the first answer counts. Released
 * unanswered, the request is denied. */
struct TCefPermissionCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefPermissionCallback* self, TCefBool allow);
};

/* Told on the main thread. */
struct TCefPageRequestHandler {
  TCefBase base;
  /* The page of browser, at origin (scheme://host[:port]), asks for kinds (CORVANE_PERMISSION_*
   * bits). Answer through the callback. */
  void(CEF_CALLBACK* on_permission_request)(TCefPageRequestHandler* self, TCefBrowser* browser,
                                            TCefConstString* origin, int32_t kinds,
                                            TCefPermissionCallback* callback);
  /* An upload was chosen from folder: the folder to offer next time. */
  void(CEF_CALLBACK* on_upload_folder)(TCefPageRequestHandler* self, TCefConstString* folder);
};

/* corvane_find: a new text starts a search (case-insensitive, wrapping around) and selects
 *   its first match; the same text again selects the next (forward) or previous match. The
 *   handler may be null.
 * corvane_stop_finding: ends the search and removes its highlighting.
 * corvane_print: opens the print dialog for the page; the page title names the job.
 * corvane_set_page_request_handler: the handler for every browser's requests; null removes it.
 *   Without one, permission requests are denied.
 * corvane_set_upload_folder: the folder the next upload's file chooser opens in.
 * corvane_keep_notification_permission: an earlier answer for origin, given to pages from the
 *   start so that they see it without asking; call before the first page for best effect. */
#define CORVANE_RUNTIME_EXT_FUNCTIONS(X)                                                           \
  X(void, corvane_find,                                                                            \
    (TCefBrowserHost * host, TCefConstString * text, TCefBool forward, TCefFindHandler * handler)) \
  X(void, corvane_stop_finding, (TCefBrowserHost * host))                                          \
  X(void, corvane_print, (TCefBrowserHost * host))                                                 \
  X(void, corvane_set_page_request_handler, (TCefPageRequestHandler * handler))                    \
  X(void, corvane_set_upload_folder, (TCefConstString * folder))                                   \
  X(void, corvane_keep_notification_permission, (TCefConstString * origin, TCefBool allowed))

#define CORVANE_DECLARE_EXT_FUNCTION_TYPE(result, name, params) typedef result(*T##name) params;
#define CORVANE_DECLARE_EXT_FUNCTION(result, name, params) CEF_EXPORT result name params;
CORVANE_RUNTIME_EXT_FUNCTIONS(CORVANE_DECLARE_EXT_FUNCTION_TYPE)
CORVANE_RUNTIME_EXT_FUNCTIONS(CORVANE_DECLARE_EXT_FUNCTION)
#undef CORVANE_DECLARE_EXT_FUNCTION_TYPE
#undef CORVANE_DECLARE_EXT_FUNCTION

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_RUNTIME_ABI_CORVANE_RUNTIME_EXT_H */

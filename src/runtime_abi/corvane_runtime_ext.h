/* Entry points our runtime exports beyond the runtime API: finding text in a page, printing
 * it, what a page asks of the program (permissions, upload folders) and where it navigates. They
 * are not part of the API the loader requires; the binding looks each one up on its own and goes
 * without any that a runtime lacks. Objects passed in follow the reference rules of cef_capi.h: the
 * caller hands over one reference, the callee releases it. */
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

typedef struct TCefNavigationHandler TCefNavigationHandler;

/* How a navigation came about; several may hold. */
enum {
  CORVANE_NAVIGATION_LINK = 1,         /* a link was followed: not a form, script, reload or
                                          history move */
  CORVANE_NAVIGATION_USER_GESTURE = 2, /* while the user's click or key press was handled */
  CORVANE_NAVIGATION_REDIRECT = 4,     /* the server sent the previous request on to here */
  CORVANE_NAVIGATION_NEW_WINDOW = 8    /* wants a window of its own (target=_blank,
                                          window.open) */
};

/* Told on the main thread before a page of browser goes to url, in its own or in a new window;
 * how is CORVANE_NAVIGATION_* bits. Answer true to keep the page where it is and open no
 * window: the program takes the address elsewhere. False lets the navigation go ahead. */
struct TCefNavigationHandler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* on_before_navigation)(TCefNavigationHandler* self, TCefBrowser* browser,
                                               TCefConstString* url, int32_t how);
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
 *   start so that they see it without asking; call before the first page for best effect.
 * corvane_set_navigation_handler: the handler asked about every browser's navigations; null
 *   removes it, and then every navigation goes ahead. */
#define CORVANE_RUNTIME_EXT_FUNCTIONS(X)                                                           \
  X(void, corvane_find,                                                                            \
    (TCefBrowserHost * host, TCefConstString * text, TCefBool forward, TCefFindHandler * handler)) \
  X(void, corvane_stop_finding, (TCefBrowserHost * host))                                          \
  X(void, corvane_print, (TCefBrowserHost * host))                                                 \
  X(void, corvane_set_page_request_handler, (TCefPageRequestHandler * handler))                    \
  X(void, corvane_set_upload_folder, (TCefConstString * folder))                                   \
  X(void, corvane_keep_notification_permission, (TCefConstString * origin, TCefBool allowed))      \
  X(void, corvane_set_navigation_handler, (TCefNavigationHandler * handler))

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

/* Entry points our runtime exports beyond the runtime API: finding text in a page and
 * printing it. They are not part of the API the loader requires; the binding looks each one
 * up on its own and goes without any that a runtime lacks. Objects passed in follow the
 * reference rules of cef_capi.h: the caller hands over one reference, the callee releases it. */
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

/* corvane_find: a new text starts a search (case-insensitive, wrapping around) and selects
 *   its first match; the same text again selects the next (forward) or previous match. The
 *   handler may be null.
 * corvane_stop_finding: ends the search and removes its highlighting.
 * corvane_print: opens the print dialog for the page; the page title names the job. */
#define CORVANE_RUNTIME_EXT_FUNCTIONS(X)                                                           \
  X(void, corvane_find,                                                                            \
    (TCefBrowserHost * host, TCefConstString * text, TCefBool forward, TCefFindHandler * handler)) \
  X(void, corvane_stop_finding, (TCefBrowserHost * host))                                          \
  X(void, corvane_print, (TCefBrowserHost * host))

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

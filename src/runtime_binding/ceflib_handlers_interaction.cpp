#include "ceflib_handlers_interaction.h"

#include "ceflib_browser.h"
#include "ceflib_cookies.h"
#include "ceflib_download.h"
#include "ceflib_entries.h"
#include "ceflib_menu.h"
#include "ceflib_request.h"

namespace {

// An emptied new URL means "no change": the runtime's text is written only when one is left.
void CEF_CALLBACK RequestOnResourceRedirect(TCefRequestHandler* self, TCefBrowser* browser,
                                            TCefFrame* frame, TCefConstString* oldUrl,
                                            TCefStringUtf16* newUrl) {
  CallGuarded(nullptr, [&] {
    const TRef<ICefBrowser> wrappedBrowser = FromRuntime(browser);
    const TRef<ICefFrame> wrappedFrame = FromRuntime(frame);
    ustring target = CopyFromRuntimeString(newUrl);
    OwnerOf<TCefRequestHandlerOwn>(self)->on_resource_redirect(
        wrappedBrowser, wrappedFrame, CopyFromRuntimeString(oldUrl), target);
    if (!target.empty()) AssignRuntimeString(newUrl, target);
  });
}

}  // namespace

CORVANE_INTERACTION_HANDLERS(CORVANE_DEFINE_RUNTIME_HANDLER)

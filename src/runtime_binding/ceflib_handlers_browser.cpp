#include "ceflib_handlers_browser.h"

#include "ceflib_browser.h"
#include "ceflib_client.h"
#include "ceflib_entries.h"

namespace {

// The popup's URL and client are in-out. The URL always goes back, also when emptied; the
// client goes back unless the runtime's was not the program's and the operation left none.
TCefBool CEF_CALLBACK LifeSpanOnBeforePopup(TCefLifeSpanHandler* self, TCefBrowser* parentBrowser,
                                            const TCefPopupFeatures* popupFeatures,
                                            TCefWindowInfo* windowInfo, TCefStringUtf16* url,
                                            TCefClient** client, TCefBrowserSettings* settings) {
  return CallGuarded(nullptr, TCefBool{0}, [&] {
    const TRef<ICefBrowser> parent = FromRuntime(parentBrowser);
    ustring target = CopyFromRuntimeString(url);
    TRef<ICefClient> popupClient = client ? ProgramClientOf(*client) : nullptr;
    const bool hadProgramClient = popupClient != nullptr;
    const bool answer = OwnerOf<TCefLifeSpanHandlerOwn>(self)->on_before_popup(
        parent, popupFeatures, windowInfo, target, popupClient, settings);
    AssignRuntimeString(url, target);
    if (client && (popupClient || hadProgramClient))
      *client = RuntimePointerOf<TCefClient>(popupClient);
    return ToRuntime(answer);
  });
}

// Gives the tooltip text back to the runtime's record when the operation is done with it,
// also when it raises, so the runtime never loses its text.
class TTooltipText {
 public:
  explicit TTooltipText(TCefStringUtf16* record)
      : FRecord(record), FText(record ? TakeRuntimeString(record) : ustring()) {}
  ~TTooltipText() {
    if (FRecord) *FRecord = AllocRuntimeString(FText);
  }
  TTooltipText(const TTooltipText&) = delete;
  TTooltipText& operator=(const TTooltipText&) = delete;

  ustring& Text() { return FText; }

 private:
  TCefStringUtf16* FRecord;
  ustring FText;
};

TCefBool CEF_CALLBACK DisplayOnTooltip(TCefDisplayHandler* self, TCefBrowser* browser,
                                       TCefStringUtf16* text) {
  return CallGuarded(nullptr, TCefBool{0}, [&] {
    const TRef<ICefBrowser> wrapped = FromRuntime(browser);
    TTooltipText tooltip(text);
    return ToRuntime(OwnerOf<TCefDisplayHandlerOwn>(self)->on_tooltip(wrapped, tooltip.Text()));
  });
}

}  // namespace

CORVANE_BROWSER_HANDLERS(CORVANE_DEFINE_RUNTIME_HANDLER)

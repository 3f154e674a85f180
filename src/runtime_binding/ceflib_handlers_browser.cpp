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

TCefLifeSpanHandlerOwn::TCefLifeSpanHandlerOwn() : TCefBaseOwn(sizeof(TCefLifeSpanHandler)) {
  TCefLifeSpanHandler* handler = Data<TCefLifeSpanHandler>();
  handler->on_before_popup = LifeSpanOnBeforePopup;
  SetEntry<&ICefLifeSpanHandler::on_after_created>(this, handler->on_after_created);
  SetEntry<&ICefLifeSpanHandler::run_modal>(this, handler->run_modal);
  SetEntry<&ICefLifeSpanHandler::do_close>(this, handler->do_close);
  SetEntry<&ICefLifeSpanHandler::on_before_close>(this, handler->on_before_close);
}

TCefLoadHandlerOwn::TCefLoadHandlerOwn() : TCefBaseOwn(sizeof(TCefLoadHandler)) {
  TCefLoadHandler* handler = Data<TCefLoadHandler>();
  SetEntry<&ICefLoadHandler::on_load_start>(this, handler->on_load_start);
  SetEntry<&ICefLoadHandler::on_load_end>(this, handler->on_load_end);
  SetEntry<&ICefLoadHandler::on_load_error>(this, handler->on_load_error);
  SetEntry<&ICefLoadHandler::on_render_process_terminated>(this,
                                                           handler->on_render_process_terminated);
  SetEntry<&ICefLoadHandler::on_plugin_crashed>(this, handler->on_plugin_crashed);
}

TCefDisplayHandlerOwn::TCefDisplayHandlerOwn() : TCefBaseOwn(sizeof(TCefDisplayHandler)) {
  TCefDisplayHandler* handler = Data<TCefDisplayHandler>();
  SetEntry<&ICefDisplayHandler::on_loading_state_change>(this, handler->on_loading_state_change);
  SetEntry<&ICefDisplayHandler::on_address_change>(this, handler->on_address_change);
  SetEntry<&ICefDisplayHandler::on_title_change>(this, handler->on_title_change);
  handler->on_tooltip = DisplayOnTooltip;
  SetEntry<&ICefDisplayHandler::on_status_message>(this, handler->on_status_message);
  SetEntry<&ICefDisplayHandler::on_console_message>(this, handler->on_console_message);
}

TCefFocusHandlerOwn::TCefFocusHandlerOwn() : TCefBaseOwn(sizeof(TCefFocusHandler)) {
  TCefFocusHandler* handler = Data<TCefFocusHandler>();
  SetEntry<&ICefFocusHandler::on_take_focus>(this, handler->on_take_focus);
  SetEntry<&ICefFocusHandler::on_set_focus>(this, handler->on_set_focus);
  SetEntry<&ICefFocusHandler::on_got_focus>(this, handler->on_got_focus);
}

TCefKeyboardHandlerOwn::TCefKeyboardHandlerOwn() : TCefBaseOwn(sizeof(TCefKeyboardHandler)) {
  TCefKeyboardHandler* handler = Data<TCefKeyboardHandler>();
  SetEntry<&ICefKeyboardHandler::on_pre_key_event>(this, handler->on_pre_key_event);
  SetEntry<&ICefKeyboardHandler::on_key_event>(this, handler->on_key_event);
}

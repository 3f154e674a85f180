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

TCefRequestHandlerOwn::TCefRequestHandlerOwn() : TCefBaseOwn(sizeof(TCefRequestHandler)) {
  TCefRequestHandler* handler = Data<TCefRequestHandler>();
  SetEntry<&ICefRequestHandler::on_before_resource_load>(this, handler->on_before_resource_load);
  SetGetterEntry<&ICefRequestHandler::get_resource_handler>(this, handler->get_resource_handler);
  handler->on_resource_redirect = RequestOnResourceRedirect;
  SetEntry<&ICefRequestHandler::get_auth_credentials>(this, handler->get_auth_credentials);
  SetEntry<&ICefRequestHandler::on_quota_request>(this, handler->on_quota_request);
  SetGetterEntry<&ICefRequestHandler::get_cookie_manager>(this, handler->get_cookie_manager);
  SetEntry<&ICefRequestHandler::on_protocol_execution>(this, handler->on_protocol_execution);
  SetEntry<&ICefRequestHandler::on_before_plugin_load>(this, handler->on_before_plugin_load);
}

TCefJsDialogHandlerOwn::TCefJsDialogHandlerOwn() : TCefBaseOwn(sizeof(TCefJsDialogHandler)) {
  TCefJsDialogHandler* handler = Data<TCefJsDialogHandler>();
  SetEntry<&ICefJsDialogHandler::on_jsdialog>(this, handler->on_jsdialog);
  SetEntry<&ICefJsDialogHandler::on_before_unload_dialog>(this, handler->on_before_unload_dialog);
  SetEntry<&ICefJsDialogHandler::on_reset_dialog_state>(this, handler->on_reset_dialog_state);
}

TCefContextMenuHandlerOwn::TCefContextMenuHandlerOwn()
    : TCefBaseOwn(sizeof(TCefContextMenuHandler)) {
  TCefContextMenuHandler* handler = Data<TCefContextMenuHandler>();
  SetEntry<&ICefContextMenuHandler::on_before_context_menu>(this, handler->on_before_context_menu);
  SetEntry<&ICefContextMenuHandler::on_context_menu_command>(this,
                                                             handler->on_context_menu_command);
  SetEntry<&ICefContextMenuHandler::on_context_menu_dismissed>(this,
                                                               handler->on_context_menu_dismissed);
}

TCefDownloadHandlerOwn::TCefDownloadHandlerOwn() : TCefBaseOwn(sizeof(TCefDownloadHandler)) {
  TCefDownloadHandler* handler = Data<TCefDownloadHandler>();
  SetEntry<&ICefDownloadHandler::on_before_download>(this, handler->on_before_download);
  SetEntry<&ICefDownloadHandler::on_download_updated>(this, handler->on_download_updated);
}

TCefGeolocationHandlerOwn::TCefGeolocationHandlerOwn()
    : TCefBaseOwn(sizeof(TCefGeolocationHandler)) {
  TCefGeolocationHandler* handler = Data<TCefGeolocationHandler>();
  SetEntry<&ICefGeolocationHandler::on_request_geolocation_permission>(
      this, handler->on_request_geolocation_permission);
  SetEntry<&ICefGeolocationHandler::on_cancel_geolocation_permission>(
      this, handler->on_cancel_geolocation_permission);
}

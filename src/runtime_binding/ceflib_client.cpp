#include "ceflib_client.h"

#include "ceflib_browser.h"
#include "ceflib_entries.h"
#include "ceflib_handlers_browser.h"
#include "ceflib_handlers_interaction.h"
#include "ceflib_values.h"

TCefClientOwn::TCefClientOwn() : TCefBaseOwn(sizeof(TCefClient)) {
  TCefClient* client = Data<TCefClient>();
  SetGetterEntry<&ICefClient::get_context_menu_handler>(this, client->get_context_menu_handler);
  SetGetterEntry<&ICefClient::get_display_handler>(this, client->get_display_handler);
  SetGetterEntry<&ICefClient::get_download_handler>(this, client->get_download_handler);
  SetGetterEntry<&ICefClient::get_focus_handler>(this, client->get_focus_handler);
  SetGetterEntry<&ICefClient::get_geolocation_handler>(this, client->get_geolocation_handler);
  SetGetterEntry<&ICefClient::get_jsdialog_handler>(this, client->get_jsdialog_handler);
  SetGetterEntry<&ICefClient::get_keyboard_handler>(this, client->get_keyboard_handler);
  SetGetterEntry<&ICefClient::get_life_span_handler>(this, client->get_life_span_handler);
  SetGetterEntry<&ICefClient::get_load_handler>(this, client->get_load_handler);
  SetGetterEntry<&ICefClient::get_request_handler>(this, client->get_request_handler);
  SetEntry<&ICefClient::on_process_message_received>(this, client->on_process_message_received);
}

TRef<ICefClient> ProgramClientOf(TCefClient* data) {
  if (!data || !TCefBaseOwn::IsExposedData(data)) return nullptr;
  return dynamic_cast<ICefClient*>(TCefBaseOwn::FromData(data));
}

// What the user and the page ask of a browser: keys, focus, script dialogs, permissions and
// popups.

#include <glib/gstdio.h>

#include <iterator>

#include "RtBrowser.h"
#include "RtCallbacks.h"
#include "RtDialogs.h"
#include "RtGuard.h"
#include "RtStrings.h"
#include "RtText.h"

namespace {

struct TKeyCode {
  guint KeyVal;
  int32_t WindowsCode;
};

// GDK key values whose virtual key codes do not follow from their character.
constexpr TKeyCode kKeyCodes[] = {
    {GDK_KEY_BackSpace, 0x08}, {GDK_KEY_Tab, 0x09},       {GDK_KEY_ISO_Left_Tab, 0x09},
    {GDK_KEY_Return, 0x0D},    {GDK_KEY_KP_Enter, 0x0D},  {GDK_KEY_Shift_L, 0x10},
    {GDK_KEY_Shift_R, 0x10},   {GDK_KEY_Control_L, 0x11}, {GDK_KEY_Control_R, 0x11},
    {GDK_KEY_Alt_L, 0x12},     {GDK_KEY_Alt_R, 0x12},     {GDK_KEY_Pause, 0x13},
    {GDK_KEY_Caps_Lock, 0x14}, {GDK_KEY_Escape, 0x1B},    {GDK_KEY_space, 0x20},
    {GDK_KEY_Page_Up, 0x21},   {GDK_KEY_Page_Down, 0x22}, {GDK_KEY_End, 0x23},
    {GDK_KEY_Home, 0x24},      {GDK_KEY_Left, 0x25},      {GDK_KEY_Up, 0x26},
    {GDK_KEY_Right, 0x27},     {GDK_KEY_Down, 0x28},      {GDK_KEY_Insert, 0x2D},
    {GDK_KEY_Delete, 0x2E},    {GDK_KEY_Super_L, 0x5B},   {GDK_KEY_Super_R, 0x5C},
    {GDK_KEY_Menu, 0x5D},      {GDK_KEY_Back, 0xA6},      {GDK_KEY_Forward, 0xA7},
    {GDK_KEY_Refresh, 0xA8},   {GDK_KEY_Reload, 0xA8},
};

int32_t WindowsKeyCodeOf(guint keyval) {
  for (const TKeyCode& code : kKeyCodes)
    if (code.KeyVal == keyval) return code.WindowsCode;
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return int32_t(0x70 + keyval - GDK_KEY_F1);
  const guint upper = gdk_keyval_to_upper(keyval);
  if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9')) return int32_t(upper);
  return 0;
}

// Characters outside the basic plane do not fit the record's one code unit.
char16_t CharacterOf(guint keyval) {
  const gunichar c = gdk_keyval_to_unicode(keyval);
  return c < 0x10000 ? char16_t(c) : 0;
}

TCefKeyEvent KeyEventOf(const GdkEventKey* event) {
  TCefKeyEvent key{};
  key.type_ = event->type == GDK_KEY_PRESS ? KEYEVENT_RAWKEYDOWN : KEYEVENT_KEYUP;
  key.modifiers = ModifiersOf(event->state);
  key.windows_key_code = WindowsKeyCodeOf(event->keyval);
  key.native_key_code = event->hardware_keycode;
  key.is_system_key = (event->state & GDK_MOD1_MASK) != 0;
  key.character = CharacterOf(event->keyval);
  key.unmodified_character = CharacterOf(gdk_keyval_to_lower(event->keyval));
  return key;
}

TCefJsDialogType JsDialogTypeOf(WebKitScriptDialogType type) {
  switch (type) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
      return JSDIALOGTYPE_CONFIRM;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      return JSDIALOGTYPE_PROMPT;
    default:
      return JSDIALOGTYPE_ALERT;
  }
}

std::string OriginOf(const char* uri) {
  if (!uri) return {};
  g_autoptr(WebKitSecurityOrigin) origin = webkit_security_origin_new_for_uri(uri);
  return TakeText(origin ? webkit_security_origin_to_string(origin) : nullptr);
}

constexpr char kPopupUrlKey[] = "corvane-popup-url";

TCefPopupFeatures FeaturesOf(WebKitWindowProperties* properties) {
  TCefPopupFeatures features{};
  GdkRectangle geometry{};
  webkit_window_properties_get_geometry(properties, &geometry);
  features.x = geometry.x;
  features.y = geometry.y;
  features.xSet = features.ySet = geometry.x != 0 || geometry.y != 0;
  features.width = geometry.width;
  features.widthSet = geometry.width > 0;
  features.height = geometry.height;
  features.heightSet = geometry.height > 0;
  features.menuBarVisible = webkit_window_properties_get_menubar_visible(properties) != FALSE;
  features.statusBarVisible = webkit_window_properties_get_statusbar_visible(properties) != FALSE;
  features.toolBarVisible = webkit_window_properties_get_toolbar_visible(properties) != FALSE;
  features.locationBarVisible =
      webkit_window_properties_get_locationbar_visible(properties) != FALSE;
  features.scrollbarsVisible = webkit_window_properties_get_scrollbars_visible(properties) != FALSE;
  features.resizable = webkit_window_properties_get_resizable(properties) != FALSE;
  features.fullscreen = webkit_window_properties_get_fullscreen(properties) != FALSE;
  return features;
}

// Where the popup asked to be, else the opener's size.
TCefWindowInfo PopupWindowInfo(const TCefPopupFeatures& features, GtkWidget* opener) {
  TCefWindowInfo info{};
  info.x = features.x;
  info.y = features.y;
  info.width =
      features.widthSet ? features.width : (opener ? gtk_widget_get_allocated_width(opener) : 800);
  info.height = features.heightSet ? features.height
                                   : (opener ? gtk_widget_get_allocated_height(opener) : 600);
  return info;
}

// widget: null when nothing is left to stand over.
void ShowOnDesktop(GtkWidget* widget, const std::string& uri) {
  GtkWidget* top = widget ? gtk_widget_get_toplevel(widget) : nullptr;
  g_autoptr(GError) error = nullptr;
  if (!gtk_show_uri_on_window(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri.c_str(),
                              GDK_CURRENT_TIME, &error))
    g_printerr("No program opens %s: %s\n", uri.c_str(), error ? error->message : "");
}

// The file is the user's alone: a page's source may hold their invoices.
void ShowTextOnDesktop(const std::string& text) {
  g_autofree gchar* path = nullptr;
  g_autoptr(GError) error = nullptr;
  const int file = g_file_open_tmp("corvane-source-XXXXXX.txt", &path, &error);
  if (file < 0 || !g_close(file, &error) ||
      !g_file_set_contents_full(path, text.data(), gssize(text.size()), G_FILE_SET_CONTENTS_NONE,
                                0600, &error)) {
    g_printerr("The page source cannot be saved: %s\n", error ? error->message : "");
    return;
  }
  g_autofree gchar* uri = g_filename_to_uri(path, nullptr, nullptr);
  if (uri) ShowOnDesktop(nullptr, uri);
}

}  // namespace

int32_t ModifiersOf(guint state) {
  int32_t flags = 0;
  if (state & GDK_LOCK_MASK) flags |= EVENTFLAG_CAPS_LOCK_DOWN;
  if (state & GDK_SHIFT_MASK) flags |= EVENTFLAG_SHIFT_DOWN;
  if (state & GDK_CONTROL_MASK) flags |= EVENTFLAG_CONTROL_DOWN;
  if (state & GDK_MOD1_MASK) flags |= EVENTFLAG_ALT_DOWN;
  if (state & GDK_BUTTON1_MASK) flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (state & GDK_BUTTON2_MASK) flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (state & GDK_BUTTON3_MASK) flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  if (state & GDK_SUPER_MASK) flags |= EVENTFLAG_COMMAND_DOWN;
  return flags;
}

bool TBrowser::OnKey(GdkEventKey* event, bool pageLeftItAlone) {
  const TCefKeyEvent key = KeyEventOf(event);
  auto* osEvent = reinterpret_cast<cef_event_handle_t>(event);
  bool handled = false;
  WithHandler(&TCefClient::get_keyboard_handler, [&](TCefKeyboardHandler* handler) {
    if (pageLeftItAlone && handler->on_key_event) {
      handled = handler->on_key_event(handler, ShareBrowser(), &key, osEvent) != 0;
    } else if (!pageLeftItAlone && handler->on_pre_key_event) {
      TCefBool isShortcut = 0;
      handled = handler->on_pre_key_event(handler, ShareBrowser(), &key, osEvent, &isShortcut) != 0;
    }
  });
  return handled;
}

void TBrowser::OnFocusIn() {
  bool refused = false;
  WithHandler(&TCefClient::get_focus_handler, [&](TCefFocusHandler* handler) {
    if (handler->on_set_focus)
      refused = handler->on_set_focus(handler, ShareBrowser(), FOCUS_SOURCE_SYSTEM) != 0;
  });
  if (refused) return;
  WithHandler(&TCefClient::get_focus_handler, [&](TCefFocusHandler* handler) {
    if (handler->on_got_focus) handler->on_got_focus(handler, ShareBrowser());
  });
}

void TBrowser::OnFocusLeftByTab(bool forward) {
  WithHandler(&TCefClient::get_focus_handler, [&](TCefFocusHandler* handler) {
    if (handler->on_take_focus) handler->on_take_focus(handler, ShareBrowser(), forward);
  });
}

// A declined dialog goes back to the view, which shows ours; a suppressed one gets the
// default answer without being shown.
bool TBrowser::OnScriptDialog(WebKitScriptDialog* dialog) {
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  const bool beforeUnload = type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
  const std::u16string message = Utf8ToU16(TextOrEmpty(webkit_script_dialog_get_message(dialog)));
  const TCefStringUtf16 messageRecord = Borrow(message);
  bool handled = false;
  TCefBool suppress = 0;
  WithHandler(&TCefClient::get_jsdialog_handler, [&](TCefJsDialogHandler* handler) {
    if (beforeUnload ? !handler->on_before_unload_dialog : !handler->on_jsdialog) return;
    TCefJsDialogCallback* callback = TJsDialogCallback::New(dialog);
    auto& answer = OwnerOf<TJsDialogCallback>(callback);
    answer.AddRef();  // ours, to take the dialog back when the client declines it
    if (beforeUnload) {
      handled = handler->on_before_unload_dialog(handler, ShareBrowser(), &messageRecord, 0,
                                                 callback) != 0;
    } else {
      const std::u16string origin = Utf8ToU16(OriginOf(webkit_web_view_get_uri(FView->View())));
      const std::u16string prompt =
          Utf8ToU16(type == WEBKIT_SCRIPT_DIALOG_PROMPT
                        ? TextOrEmpty(webkit_script_dialog_prompt_get_default_text(dialog))
                        : std::string());
      const std::u16string noLanguage;
      const TCefStringUtf16 originRecord = Borrow(origin);
      const TCefStringUtf16 languageRecord = Borrow(noLanguage);
      const TCefStringUtf16 promptRecord = Borrow(prompt);
      handled = handler->on_jsdialog(handler, ShareBrowser(), &originRecord, &languageRecord,
                                     JsDialogTypeOf(type), &messageRecord, &promptRecord, callback,
                                     &suppress) != 0;
    }
    if (!handled) answer.Detach();
    answer.Release();
  });
  if (!handled && suppress && !IsScriptDialogAnswered(dialog)) TPageDialogs::AnswerUnasked(dialog);
  return handled || suppress;
}

// WebKit withdraws nothing itself: a request still with the client when its page is replaced
// or closed is cancelled here (OnDocumentReplaced).
bool TBrowser::OnPermissionRequest(WebKitPermissionRequest* request) {
  if (!WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return false;
  bool asked = false;
  WithHandler(&TCefClient::get_geolocation_handler, [&](TCefGeolocationHandler* handler) {
    if (!handler->on_request_geolocation_permission) return;
    const int32_t id = ++FNextPermissionId;
    TCefGeolocationCallback* callback = TGeolocationCallback::New(request, FView->View());
    auto& asking = OwnerOf<TGeolocationCallback>(callback);
    FGeolocationAsked[id] = {&asking, FMainUrl};
    asking.WhenSettled([this, id] { FGeolocationAsked.erase(id); });
    const std::u16string url = Utf8ToU16(FMainUrl);
    const TCefStringUtf16 urlRecord = Borrow(url);
    handler->on_request_geolocation_permission(handler, ShareBrowser(), &urlRecord, id, callback);
    asked = true;
  });
  return asked;
}

void TBrowser::OnDocumentReplaced() {
  WithHandler(&TCefClient::get_jsdialog_handler, [&](TCefJsDialogHandler* handler) {
    if (handler->on_reset_dialog_state) handler->on_reset_dialog_state(handler, ShareBrowser());
  });
  for (auto& [id, asked] : std::exchange(FGeolocationAsked, {})) {
    asked.Callback->Withdraw();
    WithHandler(&TCefClient::get_geolocation_handler, [&](TCefGeolocationHandler* handler) {
      if (!handler->on_cancel_geolocation_permission) return;
      const std::u16string url = Utf8ToU16(asked.Url);
      const TCefStringUtf16 urlRecord = Borrow(url);
      handler->on_cancel_geolocation_permission(handler, ShareBrowser(), &urlRecord, id);
    });
  }
}

// WebKitGTK has no source view: the source goes to a text file the desktop's viewer opens.
void TBrowser::ShowSource(uint64_t frameId) {
  if (FView)
    FView->RequestSource(frameId, [](bool ok, const std::string& source) {
      if (ok) ShowTextOnDesktop(source);
    });
}

// The client's request handler may keep the address from the desktop.
void TBrowser::OnExternalUri(const std::string& uri) {
  TCefBool allowDesktop = 1;
  WithHandler(&TCefClient::get_request_handler, [&](TCefRequestHandler* handler) {
    if (!handler->on_protocol_execution) return;
    const std::u16string text = Utf8ToU16(uri);
    const TCefStringUtf16 record = Borrow(text);
    handler->on_protocol_execution(handler, ShareBrowser(), &record, &allowDesktop);
  });
  if (allowDesktop && FView) ShowOnDesktop(FView->Widget(), uri);
}

// window.open: WebKit wants the view at once, but the popup's size and bars are known only
// when its page asks to be shown; the client is asked then.
GtkWidget* TBrowser::OnCreatePopup(WebKitNavigationAction* action) {
  if (!FView) return nullptr;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(FView->View()));
  g_object_ref_sink(view);  // ours until it is shown or refused
  g_object_set_data_full(G_OBJECT(view), kPopupUrlKey,
                         g_strdup(request ? webkit_uri_request_get_uri(request) : ""), g_free);
  AddRef();  // the opener stays until the popup is shown or refused
  g_signal_connect(view, "ready-to-show", G_CALLBACK(OnPopupReady), this);
  return GTK_WIDGET(view);
}

void TBrowser::OnPopupReady(WebKitWebView* view, gpointer opener) {
  auto* browser = static_cast<TBrowser*>(opener);
  Guarded("ready-to-show", [&] {
    g_signal_handlers_disconnect_by_func(view, gpointer(OnPopupReady), opener);
    browser->ShowPopup(
        view,
        TextOrEmpty(static_cast<const char*>(g_object_get_data(G_OBJECT(view), kPopupUrlKey))));
  });
  g_object_unref(view);
  browser->Release();
}

void TBrowser::ShowPopup(WebKitWebView* view, const std::string& url) {
  TCefPopupFeatures features = FeaturesOf(webkit_web_view_get_window_properties(view));
  TCefWindowInfo windowInfo = PopupWindowInfo(features, FView ? FView->Widget() : nullptr);
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  TCefStringUtf16 target{};
  AssignOwned(target, url);
  TCefClient* client = FClient.Share();
  bool refused = !FView;
  WithHandler(&TCefClient::get_life_span_handler, [&](TCefLifeSpanHandler* handler) {
    if (handler->on_before_popup && !refused)
      refused = handler->on_before_popup(handler, ShareBrowser(), &features, &windowInfo, &target,
                                         &client, &settings) != 0;
  });
  TClientRef<TCefClient> popupClient(client);
  const std::string chosenUrl = ToUtf8(&target);
  cef_string_utf16_clear(&target);
  if (refused) {
    gtk_widget_destroy(GTK_WIDGET(view));
    return;
  }
  TBrowser* popup = Create(&windowInfo, std::move(popupClient),
                           chosenUrl != url ? chosenUrl : std::string(), &settings, this, view);
  if (popup) popup->Release();  // the popup keeps itself while its view lives
}

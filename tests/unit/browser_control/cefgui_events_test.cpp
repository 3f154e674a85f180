// Every one of the control's forty events, reached the way the runtime reaches it: the runtime
// asks the client it holds for a handler and calls its entry; the control's event of the same
// name must fire, once, with the arguments the runtime passed, and its answer must reach the
// runtime.
#include <deque>
#include <map>
#include <type_traits>

#include "chromium_test_fixture.h"

namespace {

// A handler the program would serve a request's content with.
class TAnsweredResourceHandler : public TCefBaseOwn, public ICefResourceHandler {
 public:
  TAnsweredResourceHandler() : TCefBaseOwn(sizeof(TCefBase)) {}
};

// The control with the two events that have no property made assignable, so that their
// route can be followed too.
class TChromiumWithAllEvents : public TChromium {
 public:
  using TChromium::TChromium;
  using TCustomChromium::FOnBeforePluginLoad;
  using TCustomChromium::FOnQuotaRequest;

 protected:
  ~TChromiumWithAllEvents() override = default;
};

class ControlEventsTest : public ChromiumTest {
 protected:
  // One row per event: how the runtime fires it, what the event must see (its name and
  // arguments, the preset result last) and what the runtime must get back.
  struct TEventCase {
    std::function<void(TCustomChromium&)> Listen;
    std::function<std::string()> Fire;
    std::string Seen;
    std::string Answer;
  };

  std::vector<TEventCase> Cases();

  // ---- The runtime's side: objects and records as it passes them into a callback ----------

  // A new runtime object with the one reference the callee takes over.
  template <class TStruct>
  TStruct* Object(const std::string& kind) {
    return FakeRuntime::NewObjectOf<TStruct>(kind);
  }
  TCefBrowser* Browser() { return Object<TCefBrowser>("browser"); }
  TCefFrame* Frame() { return Object<TCefFrame>("frame"); }

  // Text that lives through the call, borrowed as the runtime lends it.
  TCefConstString* Text(const std::u16string& text) {
    FTexts.push_back(text);
    FViews.push_back(BorrowRuntimeString(FTexts.back()));
    return &FViews.back();
  }

  // An in-out text record owning its buffer, as the runtime hands it over.
  TCefStringUtf16* InOutText(const std::u16string& text) {
    FOwnedTexts.push_back(FakeRuntime::NewOwnedString(text));
    return &FOwnedTexts.back();
  }

  // A record passed by address, known to the events by name.
  template <class TRecord>
  TRecord* Record(const std::string& name) {
    FRecords.emplace_back(sizeof(TRecord));
    void* record = FRecords.back().data();
    FRecordNames[record] = name;
    return static_cast<TRecord*>(record);
  }

  // Calls entry of object as the runtime would; what the runtime got back, in words.
  template <class TStruct, class TEntry, class... TArgs>
  std::string Call(TStruct* object, TEntry TStruct::*entry, TArgs... args) {
    if constexpr (std::is_void_v<decltype(FakeRuntime::Fire(object, entry, args...))>) {
      FakeRuntime::Fire(object, entry, args...);
      return "";
    } else {
      return Answered(FakeRuntime::Fire(object, entry, args...));
    }
  }

  // Asks the client the runtime holds for a handler, calls its entry and gives it back.
  template <class TGetter, class TEntry, class... TArgs>
  std::string FireHandler(TGetter TCefClient::*getter, TEntry entry, TArgs... args) {
    TCefClient* client = FakeRuntime::Client();
    auto* handler = (client->*getter)(client);
    if (!handler) return "no handler";
    const std::string answer = Call(handler, entry, args...);
    handler->base.release(&handler->base);
    return answer;
  }

  static std::string Answered(TCefBool answer) { return std::to_string(answer); }

  // An object answered to the runtime, whose reference the runtime now gives back.
  template <class TStruct>
  static std::string Answered(TStruct* object) {
    if (!object) return "none";
    auto* base = reinterpret_cast<TCefBase*>(object);
    const std::string kind =
        TCefBaseOwn::IsExposedData(object) ? "program object" : FakeRuntime::KindOf(object);
    base->release(base);
    return kind;
  }

  // What the runtime reads from an in-out text record after the call; the record is freed.
  static std::string Finished(TCefStringUtf16* text) {
    const std::string value = Utf16ToUtf8(CopyFromRuntimeString(text));
    RuntimeStringClear(text);
    return "'" + value + "'";
  }

  // ---- The control's side: events that log what they see and answer ----------------------

  template <class TEvent>
  std::function<void(TCustomChromium&)> Listen(TEvent TCustomChromium::*event, std::string name) {
    return [this, event, name](TCustomChromium& control) {
      control.*event = [this, &control, name](TObject* sender, auto&&... args) {
        std::string seen = sender == &control ? name : "another sender's " + name;
        std::string separator = "(";
        ((seen += std::exchange(separator, ", ") + Describe(args)), ...);
        FSeen.push_back(seen + ")");
        (Answer(std::forward<decltype(args)>(args)), ...);
      };
    };
  }

  static std::string Describe(bool value) { return value ? "true" : "false"; }
  static std::string Describe(const ustring& text) { return "'" + Utf16ToUtf8(text) + "'"; }
  template <class T>
  requires std::is_arithmetic_v<T> || std::is_enum_v<T>
  static std::string Describe(T value) { return std::to_string(static_cast<int64_t>(value)); }
  // A wrapped runtime object by the kind it was made with.
  template <class TInterface>
  static std::string Describe(const TRef<TInterface>& object) {
    return object ? Answered(static_cast<TCefBase*>(object->Wrap())) : "none";
  }
  template <class TRecord>
  std::string Describe(TRecord* record) const {
    const auto found = FRecordNames.find(record);
    return found != FRecordNames.end() ? found->second : record ? "unknown record" : "null";
  }

  // Results and out arguments: every event answers something other than the default, so a
  // result that does not reach the runtime shows.
  static void Answer(bool& value) { value = true; }
  static void Answer(ustring& text) { text = u"answered"; }
  static void Answer(TRef<ICefCookieManager>& manager) {
    manager = TCefCookieManagerRef::UnWrap(
        FakeRuntime::NewObjectOf<TCefCookieManager>("answered cookie manager"));
  }
  static void Answer(TRef<ICefResourceHandler>& handler) {
    handler = TRef<ICefResourceHandler>(new TAnsweredResourceHandler());
  }
  template <class T>
  static void Answer(T&&) {}

  std::vector<std::string> FSeen;

 private:
  std::deque<std::u16string> FTexts;
  std::deque<TCefStringUtf16> FViews;
  std::deque<TCefStringUtf16> FOwnedTexts;
  std::deque<std::vector<char>> FRecords;
  std::map<const void*, std::string> FRecordNames;
};

using C = TChromiumWithAllEvents;
using TClient = TCefClient;

std::vector<ControlEventsTest::TEventCase> ControlEventsTest::Cases() {
  const auto load = &TClient::get_load_handler;
  const auto focus = &TClient::get_focus_handler;
  const auto menu = &TClient::get_context_menu_handler;
  const auto keyboard = &TClient::get_keyboard_handler;
  const auto display = &TClient::get_display_handler;
  const auto download = &TClient::get_download_handler;
  const auto geolocation = &TClient::get_geolocation_handler;
  const auto dialogs = &TClient::get_jsdialog_handler;
  const auto lifeSpan = &TClient::get_life_span_handler;
  const auto requests = &TClient::get_request_handler;
  return {
      {Listen(&C::OnProcessMessageReceived, "OnProcessMessageReceived"),
       [=, this] {
         return Call(FakeRuntime::Client(), &TClient::on_process_message_received, Browser(),
                     PID_RENDERER, Object<TCefProcessMessage>("message"));
       },
       "OnProcessMessageReceived(browser, 1, message, false)", "1"},
      {Listen(&C::OnLoadStart, "OnLoadStart"),
       [=, this] { return FireHandler(load, &TCefLoadHandler::on_load_start, Browser(), Frame()); },
       "OnLoadStart(browser, frame)", ""},
      {Listen(&C::OnLoadEnd, "OnLoadEnd"),
       [=, this] {
         return FireHandler(load, &TCefLoadHandler::on_load_end, Browser(), Frame(), 200);
       },
       "OnLoadEnd(browser, frame, 200)", ""},
      {Listen(&C::OnLoadError, "OnLoadError"),
       [=, this] {
         return FireHandler(load, &TCefLoadHandler::on_load_error, Browser(), Frame(), -105,
                            Text(u"not resolved"), Text(u"http://failed/"));
       },
       "OnLoadError(browser, frame, -105, 'not resolved', 'http://failed/')", ""},
      {Listen(&C::OnRenderProcessTerminated, "OnRenderProcessTerminated"),
       [=, this] {
         return FireHandler(load, &TCefLoadHandler::on_render_process_terminated, Browser(),
                            TS_PROCESS_CRASHED);
       },
       "OnRenderProcessTerminated(browser, " + std::to_string(TS_PROCESS_CRASHED) + ")", ""},
      {Listen(&C::OnPluginCrashed, "OnPluginCrashed"),
       [=, this] {
         return FireHandler(load, &TCefLoadHandler::on_plugin_crashed, Browser(),
                            Text(u"/plugins/a.so"));
       },
       "OnPluginCrashed(browser, '/plugins/a.so')", ""},
      {Listen(&C::OnTakeFocus, "OnTakeFocus"),
       [=, this] { return FireHandler(focus, &TCefFocusHandler::on_take_focus, Browser(), 1); },
       "OnTakeFocus(browser, true)", ""},
      {Listen(&C::OnSetFocus, "OnSetFocus"),
       [=, this] {
         return FireHandler(focus, &TCefFocusHandler::on_set_focus, Browser(), FOCUS_SOURCE_SYSTEM);
       },
       "OnSetFocus(browser, 1, false)", "1"},
      {Listen(&C::OnGotFocus, "OnGotFocus"),
       [=, this] { return FireHandler(focus, &TCefFocusHandler::on_got_focus, Browser()); },
       "OnGotFocus(browser)", ""},
      {Listen(&C::OnBeforeContextMenu, "OnBeforeContextMenu"),
       [=, this] {
         return FireHandler(menu, &TCefContextMenuHandler::on_before_context_menu, Browser(),
                            Frame(), Object<TCefContextMenuParams>("menu params"),
                            Object<TCefMenuModel>("menu model"));
       },
       "OnBeforeContextMenu(browser, frame, menu params, menu model)", ""},
      {Listen(&C::OnContextMenuCommand, "OnContextMenuCommand"),
       [=, this] {
         return FireHandler(menu, &TCefContextMenuHandler::on_context_menu_command, Browser(),
                            Frame(), Object<TCefContextMenuParams>("menu params"), 26500,
                            TCefEventFlags{EVENTFLAG_SHIFT_DOWN});
       },
       "OnContextMenuCommand(browser, frame, menu params, 26500, 2, false)", "1"},
      {Listen(&C::OnContextMenuDismissed, "OnContextMenuDismissed"),
       [=, this] {
         return FireHandler(menu, &TCefContextMenuHandler::on_context_menu_dismissed, Browser(),
                            Frame());
       },
       "OnContextMenuDismissed(browser, frame)", ""},
      {Listen(&C::OnPreKeyEvent, "OnPreKeyEvent"),
       [=, this] {
         TCefBool shortcut = 0;
         const std::string answer = FireHandler(keyboard, &TCefKeyboardHandler::on_pre_key_event,
                                                Browser(), Record<TCefKeyEvent>("key event"),
                                                Record<GdkEvent>("os event"), &shortcut);
         return answer + ", shortcut " + std::to_string(shortcut);
       },
       "OnPreKeyEvent(browser, key event, os event, false, false)", "1, shortcut 1"},
      {Listen(&C::OnKeyEvent, "OnKeyEvent"),
       [=, this] {
         return FireHandler(keyboard, &TCefKeyboardHandler::on_key_event, Browser(),
                            Record<TCefKeyEvent>("key event"), Record<GdkEvent>("os event"));
       },
       "OnKeyEvent(browser, key event, os event, false)", "1"},
      {Listen(&C::OnLoadingStateChange, "OnLoadingStateChange"),
       [=, this] {
         return FireHandler(display, &TCefDisplayHandler::on_loading_state_change, Browser(), 1, 0,
                            1);
       },
       "OnLoadingStateChange(browser, true, false, true)", ""},
      {Listen(&C::OnAddressChange, "OnAddressChange"),
       [=, this] {
         return FireHandler(display, &TCefDisplayHandler::on_address_change, Browser(), Frame(),
                            Text(u"http://address/"));
       },
       "OnAddressChange(browser, frame, 'http://address/')", ""},
      {Listen(&C::OnTitleChange, "OnTitleChange"),
       [=, this] {
         return FireHandler(display, &TCefDisplayHandler::on_title_change, Browser(),
                            Text(u"Title"));
       },
       "OnTitleChange(browser, 'Title')", ""},
      {Listen(&C::OnTooltip, "OnTooltip"),
       [=, this] {
         TCefStringUtf16* text = InOutText(u"tip");
         const std::string answer =
             FireHandler(display, &TCefDisplayHandler::on_tooltip, Browser(), text);
         return answer + ", " + Finished(text);
       },
       "OnTooltip(browser, 'tip', false)", "1, 'answered'"},
      {Listen(&C::OnStatusMessage, "OnStatusMessage"),
       [=, this] {
         return FireHandler(display, &TCefDisplayHandler::on_status_message, Browser(),
                            Text(u"status"));
       },
       "OnStatusMessage(browser, 'status')", ""},
      {Listen(&C::OnConsoleMessage, "OnConsoleMessage"),
       [=, this] {
         return FireHandler(display, &TCefDisplayHandler::on_console_message, Browser(),
                            Text(u"message"), Text(u"source.js"), 12);
       },
       "OnConsoleMessage(browser, 'message', 'source.js', 12, false)", "1"},
      {Listen(&C::OnRequestGeolocationPermission, "OnRequestGeolocationPermission"),
       [=, this] {
         return FireHandler(geolocation, &TCefGeolocationHandler::on_request_geolocation_permission,
                            Browser(), Text(u"http://where/"), 7,
                            Object<TCefGeolocationCallback>("geolocation callback"));
       },
       "OnRequestGeolocationPermission(browser, 'http://where/', 7, geolocation callback)", ""},
      {Listen(&C::OnCancelGeolocationPermission, "OnCancelGeolocationPermission"),
       [=, this] {
         return FireHandler(geolocation, &TCefGeolocationHandler::on_cancel_geolocation_permission,
                            Browser(), Text(u"http://where/"), 8);
       },
       "OnCancelGeolocationPermission(browser, 'http://where/', 8)", ""},
      {Listen(&C::OnBeforeDownload, "OnBeforeDownload"),
       [=, this] {
         return FireHandler(download, &TCefDownloadHandler::on_before_download, Browser(),
                            Object<TCefDownloadItem>("download item"), Text(u"invoice.pdf"),
                            Object<TCefBeforeDownloadCallback>("before download callback"));
       },
       "OnBeforeDownload(browser, download item, 'invoice.pdf', before download callback)", ""},
      {Listen(&C::OnDownloadUpdated, "OnDownloadUpdated"),
       [=, this] {
         return FireHandler(download, &TCefDownloadHandler::on_download_updated, Browser(),
                            Object<TCefDownloadItem>("download item"),
                            Object<TCefDownloadItemCallback>("download item callback"));
       },
       "OnDownloadUpdated(browser, download item, download item callback)", ""},
      {Listen(&C::OnJsdialog, "OnJsdialog"),
       [=, this] {
         TCefBool suppress = 0;
         const std::string answer =
             FireHandler(dialogs, &TCefJsDialogHandler::on_jsdialog, Browser(),
                         Text(u"http://origin/"), Text(u"en"), JSDIALOGTYPE_PROMPT, Text(u"Name?"),
                         Text(u"Ann"), Object<TCefJsDialogCallback>("dialog callback"), &suppress);
         return answer + ", suppress " + std::to_string(suppress);
       },
       "OnJsdialog(browser, 'http://origin/', 'en', " + std::to_string(JSDIALOGTYPE_PROMPT) +
           ", 'Name?', 'Ann', dialog callback, false, false)",
       "1, suppress 1"},
      {Listen(&C::OnBeforeUnloadDialog, "OnBeforeUnloadDialog"),
       [=, this] {
         return FireHandler(dialogs, &TCefJsDialogHandler::on_before_unload_dialog, Browser(),
                            Text(u"Leave?"), 1, Object<TCefJsDialogCallback>("dialog callback"));
       },
       "OnBeforeUnloadDialog(browser, 'Leave?', true, dialog callback, false)", "1"},
      {Listen(&C::OnResetDialogState, "OnResetDialogState"),
       [=, this] {
         return FireHandler(dialogs, &TCefJsDialogHandler::on_reset_dialog_state, Browser());
       },
       "OnResetDialogState(browser)", ""},
      {Listen(&C::OnBeforePopup, "OnBeforePopup"),
       [=, this] {
         TCefStringUtf16* url = InOutText(u"http://popup/");
         TCefClient* client = nullptr;
         const std::string answer = FireHandler(
             lifeSpan, &TCefLifeSpanHandler::on_before_popup, Browser(),
             Record<TCefPopupFeatures>("popup features"), Record<TCefWindowInfo>("window info"),
             url, &client, Record<TCefBrowserSettings>("browser settings"));
         return answer + ", " + Finished(url) + ", " + Answered(client);
       },
       "OnBeforePopup(browser, popup features, window info, 'http://popup/', none, browser "
       "settings, false)",
       "1, 'answered', none"},
      {Listen(&C::OnAfterCreated, "OnAfterCreated"),
       [=, this] {
         return FireHandler(lifeSpan, &TCefLifeSpanHandler::on_after_created, Browser());
       },
       "OnAfterCreated(browser)", ""},
      {Listen(&C::OnBeforeClose, "OnBeforeClose"),
       [=, this] {
         return FireHandler(lifeSpan, &TCefLifeSpanHandler::on_before_close, Browser());
       },
       "OnBeforeClose(browser)", ""},
      {Listen(&C::OnRunModal, "OnRunModal"),
       [=, this] { return FireHandler(lifeSpan, &TCefLifeSpanHandler::run_modal, Browser()); },
       "OnRunModal(browser, false)", "1"},
      {Listen(&C::OnClose, "OnClose"),
       [=, this] { return FireHandler(lifeSpan, &TCefLifeSpanHandler::do_close, Browser()); },
       "OnClose(browser, false)", "1"},
      {Listen(&C::OnBeforeResourceLoad, "OnBeforeResourceLoad"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::on_before_resource_load, Browser(),
                            Frame(), Object<TCefRequest>("request"));
       },
       "OnBeforeResourceLoad(browser, frame, request, false)", "1"},
      {Listen(&C::OnGetResourceHandler, "OnGetResourceHandler"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::get_resource_handler, Browser(), Frame(),
                            Object<TCefRequest>("request"));
       },
       "OnGetResourceHandler(browser, frame, request, none)", "program object"},
      {Listen(&C::OnResourceRedirect, "OnResourceRedirect"),
       [=, this] {
         TCefStringUtf16* newUrl = InOutText(u"http://new/");
         const std::string answer = FireHandler(requests, &TCefRequestHandler::on_resource_redirect,
                                                Browser(), Frame(), Text(u"http://old/"), newUrl);
         return answer + Finished(newUrl);
       },
       "OnResourceRedirect(browser, frame, 'http://old/', 'http://new/')", "'answered'"},
      {Listen(&C::OnGetAuthCredentials, "OnGetAuthCredentials"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::get_auth_credentials, Browser(), Frame(),
                            1, Text(u"proxy.test"), 3128, Text(u"office"), Text(u"basic"),
                            Object<TCefAuthCallback>("auth callback"));
       },
       "OnGetAuthCredentials(browser, frame, true, 'proxy.test', 3128, 'office', 'basic', auth "
       "callback, false)",
       "1"},
      {Listen(&C::FOnQuotaRequest, "OnQuotaRequest"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::on_quota_request, Browser(),
                            Text(u"http://quota/"), int64_t{5000000000},
                            Object<TCefQuotaCallback>("quota callback"));
       },
       "OnQuotaRequest(browser, 'http://quota/', 5000000000, quota callback, false)", "1"},
      {Listen(&C::OnGetCookieManager, "OnGetCookieManager"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::get_cookie_manager, Browser(),
                            Text(u"http://main/"));
       },
       "OnGetCookieManager(browser, 'http://main/', none)", "answered cookie manager"},
      {Listen(&C::OnProtocolExecution, "OnProtocolExecution"),
       [=, this] {
         TCefBool allow = 0;
         const std::string answer =
             FireHandler(requests, &TCefRequestHandler::on_protocol_execution, Browser(),
                         Text(u"mailto:a@b"), &allow);
         return answer + "allow " + std::to_string(allow);
       },
       "OnProtocolExecution(browser, 'mailto:a@b', false)", "allow 1"},
      {Listen(&C::FOnBeforePluginLoad, "OnBeforePluginLoad"),
       [=, this] {
         return FireHandler(requests, &TCefRequestHandler::on_before_plugin_load, Browser(),
                            Text(u"http://plugin/"), Text(u"http://policy/"),
                            Object<TCefWebPluginInfo>("plugin info"));
       },
       "OnBeforePluginLoad(browser, 'http://plugin/', 'http://policy/', plugin info, false)", "1"},
  };
}

// With every event listening, each runtime call must reach exactly its own event: a forward
// wired to another event of the same shape shows up as that event's name.
TEST_F(ControlEventsTest, EachRuntimeCallbackRaisesItsOwnEventWithItsArguments) {
  TOwnedComponent<TChromiumWithAllEvents> control(new TChromiumWithAllEvents(nullptr));
  control->SetBounds(0, 0, 300, 200);
  control->Load(u"about:blank");  // the runtime now holds the control's client
  ASSERT_NE(FakeRuntime::Client(), nullptr);
  const std::vector<TEventCase> cases = Cases();
  ASSERT_EQ(cases.size(), 40u);
  for (const TEventCase& event : cases) event.Listen(*control);

  for (const TEventCase& event : cases) {
    FSeen.clear();
    const std::string answer = event.Fire();
    EXPECT_THAT(FSeen, testing::ElementsAre(event.Seen));
    EXPECT_EQ(answer, event.Answer) << event.Seen;
  }
}

}  // namespace

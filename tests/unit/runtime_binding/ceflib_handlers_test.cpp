#include "binding_test_fixture.h"

namespace {

// Runtime objects as the runtime passes them into a callback: one reference each, which the
// callback takes over.
TCefBrowser* PassedBrowser() {
  return FakeRuntime::NewObjectOf<TCefBrowser>("browser");
}
TCefFrame* PassedFrame() {
  return FakeRuntime::NewObjectOf<TCefFrame>("frame");
}

// The structure of an exposed handler, as the runtime would hold it for one call.
template <class TStruct, class TOwn>
TStruct* Exposed(const TRef<TOwn>& handler) {
  return static_cast<TStruct*>(static_cast<TCefBaseOwn*>(handler.get())->Wrap());
}
template <class TStruct>
void ReleaseExposed(TStruct* data) {
  data->base.release(&data->base);
}

using HandlersTest = LoadedBindingTest;

class TLoadRecorder : public TCefLoadHandlerOwn {
 public:
  void on_load_end(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                   int32_t httpStatusCode) override {
    SawBrowser = browser != nullptr;
    SawFrame = frame != nullptr;
    Status = httpStatusCode;
  }
  void on_load_error(const TRef<ICefBrowser>&, const TRef<ICefFrame>& frame, int32_t errorCode,
                     const ustring& errorText, const ustring& failedUrl) override {
    SawFrame = frame != nullptr;
    Status = errorCode;
    Texts = errorText + u"|" + failedUrl;
  }
  bool SawBrowser = false, SawFrame = false;
  int32_t Status = 0;
  ustring Texts;
};

TEST_F(HandlersTest, LoadEntriesWrapTheirArgumentsAndReleaseThem) {
  TRef<TLoadRecorder> handler(new TLoadRecorder());
  TCefLoadHandler* data = Exposed<TCefLoadHandler>(handler);
  TCefBrowser* browser = PassedBrowser();
  TCefFrame* frame = PassedFrame();
  FakeRuntime::Fire(data, &TCefLoadHandler::on_load_end, browser, frame, 200);
  EXPECT_TRUE(handler->SawBrowser);
  EXPECT_TRUE(handler->SawFrame);
  EXPECT_EQ(handler->Status, 200);
  EXPECT_EQ(FakeRuntime::RefCountOf(browser), 0);
  EXPECT_EQ(FakeRuntime::RefCountOf(frame), 0);

  const ustring failed = u"http://127.0.0.1/x";
  const TCefStringUtf16 failedView = BorrowRuntimeString(failed);
  FakeRuntime::Fire(data, &TCefLoadHandler::on_load_error, PassedBrowser(), nullptr, -105, nullptr,
                    &failedView);
  EXPECT_FALSE(handler->SawFrame);
  EXPECT_EQ(handler->Status, -105);
  EXPECT_EQ(handler->Texts, u"|http://127.0.0.1/x");
  ReleaseExposed(data);
}

TEST_F(HandlersTest, ClientAnswersNoHandlersUntilASubclassDoes) {
  TRef<TCefClientOwn> client(new TCefClientOwn());
  TCefClient* data = Exposed<TCefClient>(client);
  EXPECT_EQ(data->base.size, sizeof(TCefClient));
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_context_menu_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_display_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_download_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_focus_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_geolocation_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_jsdialog_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_keyboard_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_life_span_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_load_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::get_request_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefClient::on_process_message_received, PassedBrowser(),
                              PID_RENDERER, nullptr),
            0);
  ReleaseExposed(data);
}

class TClientWithLoadHandler : public TCefClientOwn {
 public:
  void get_load_handler(TRef<ICefLoadHandler>& handler) override {
    WasEmpty = handler == nullptr;
    handler = Handler;
  }
  TRef<ICefLoadHandler> Handler{new TCefLoadHandlerOwn()};
  bool WasEmpty = false;
};

TEST_F(HandlersTest, HandlerGetterGivesTheRuntimeItsOwnReference) {
  TRef<TClientWithLoadHandler> client(new TClientWithLoadHandler());
  TCefClient* data = Exposed<TCefClient>(client);
  TCefLoadHandler* handler = FakeRuntime::Fire(data, &TCefClient::get_load_handler);
  ASSERT_NE(handler, nullptr);
  EXPECT_TRUE(client->WasEmpty);
  EXPECT_EQ(handler->base.get_refct(&handler->base), 2);  // the client's and the runtime's
  EXPECT_EQ(handler->base.size, sizeof(TCefLoadHandler));
  ReleaseExposed(handler);
  ReleaseExposed(data);
}

class TKeyRecorder : public TCefKeyboardHandlerOwn {
 public:
  bool on_pre_key_event(const TRef<ICefBrowser>&, const TCefKeyEvent* event, cef_event_handle_t,
                        bool& isKeyboardShortcut) override {
    SeenIn = isKeyboardShortcut;
    SeenKey = event ? event->windows_key_code : -1;
    if (Set) isKeyboardShortcut = true;
    return true;
  }
  bool Set = false, SeenIn = false;
  int32_t SeenKey = 0;
};

TEST_F(HandlersTest, OutBooleanGoesBackAsZeroOrOne) {
  TRef<TKeyRecorder> handler(new TKeyRecorder());
  TCefKeyboardHandler* data = Exposed<TCefKeyboardHandler>(handler);
  TCefKeyEvent event{};
  event.windows_key_code = 13;
  const auto fire = [&](TCefBool passed) {
    TCefBool shortcut = passed;
    EXPECT_EQ(FakeRuntime::Fire(data, &TCefKeyboardHandler::on_pre_key_event, PassedBrowser(),
                                &event, nullptr, &shortcut),
              1);
    return shortcut;
  };
  EXPECT_EQ(fire(5), 1);  // left alone, normalised
  EXPECT_TRUE(handler->SeenIn);
  EXPECT_EQ(fire(0), 0);
  EXPECT_FALSE(handler->SeenIn);
  EXPECT_EQ(handler->SeenKey, 13);
  handler->Set = true;
  EXPECT_EQ(fire(0), 1);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefKeyboardHandler::on_pre_key_event, PassedBrowser(), &event,
                              nullptr, nullptr),
            1);
  ReleaseExposed(data);
}

class TRedirectRecorder : public TCefRequestHandlerOwn {
 public:
  void on_resource_redirect(const TRef<ICefBrowser>&, const TRef<ICefFrame>&, const ustring& oldUrl,
                            ustring& newUrl) override {
    SeenOld = oldUrl;
    SeenNew = newUrl;
    newUrl = Replacement;
  }
  ustring Replacement, SeenOld, SeenNew;
};

TEST_F(HandlersTest, RedirectKeepsTheRuntimesUrlUnlessGivenANewOne) {
  TRef<TRedirectRecorder> handler(new TRedirectRecorder());
  TCefRequestHandler* data = Exposed<TCefRequestHandler>(handler);
  const ustring oldUrl = u"http://a/";
  const TCefStringUtf16 oldView = BorrowRuntimeString(oldUrl);
  TCefStringUtf16 newUrl = FakeRuntime::NewOwnedString(u"http://b/");
  const char16_t* buffer = newUrl.str;

  FakeRuntime::Fire(data, &TCefRequestHandler::on_resource_redirect, PassedBrowser(), PassedFrame(),
                    &oldView, &newUrl);
  EXPECT_EQ(handler->SeenOld, u"http://a/");
  EXPECT_EQ(handler->SeenNew, u"http://b/");
  EXPECT_EQ(newUrl.str, buffer);
  EXPECT_EQ(CopyFromRuntimeString(&newUrl), u"http://b/");

  handler->Replacement = u"http://c/";
  FakeRuntime::Fire(data, &TCefRequestHandler::on_resource_redirect, PassedBrowser(), PassedFrame(),
                    &oldView, &newUrl);
  EXPECT_EQ(CopyFromRuntimeString(&newUrl), u"http://c/");
  RuntimeStringClear(&newUrl);
  ReleaseExposed(data);
}

class TPopupRecorder : public TCefLifeSpanHandlerOwn {
 public:
  bool on_before_popup(const TRef<ICefBrowser>&, const TCefPopupFeatures* features,
                       TCefWindowInfo* windowInfo, ustring& url, TRef<ICefClient>& client,
                       TCefBrowserSettings*) override {
    SeenUrl = url;
    SeenClient = client;
    SeenWidth = features ? features->width : -1;
    if (windowInfo) windowInfo->width = 640;
    url = NewUrl;
    client = NewClient;
    return true;
  }
  ustring NewUrl, SeenUrl;
  TRef<ICefClient> NewClient, SeenClient;
  int32_t SeenWidth = 0;
};

TEST_F(HandlersTest, PopupUrlAndClientAreInOut) {
  TRef<TPopupRecorder> handler(new TPopupRecorder());
  TCefLifeSpanHandler* data = Exposed<TCefLifeSpanHandler>(handler);
  TRef<TCefClientOwn> original(new TCefClientOwn());
  TCefClient* location = static_cast<TCefClient*>(original->Wrap());  // the runtime's reference
  TCefPopupFeatures features{};
  features.width = 300;
  TCefWindowInfo windowInfo{};
  TCefStringUtf16 url = FakeRuntime::NewOwnedString(u"http://popup/");

  // Clearing the URL and the client empties both on the runtime's side.
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefLifeSpanHandler::on_before_popup, PassedBrowser(),
                              &features, &windowInfo, &url, &location, nullptr),
            1);
  EXPECT_EQ(handler->SeenUrl, u"http://popup/");
  EXPECT_EQ(handler->SeenClient.get(), static_cast<ICefClient*>(original.get()));
  EXPECT_EQ(handler->SeenWidth, 300);
  EXPECT_EQ(windowInfo.width, 640);
  EXPECT_EQ(CopyFromRuntimeString(&url), u"");
  EXPECT_EQ(location, nullptr);
  original->Release();  // the runtime's reference, which the runtime gave up with the location

  // A replacement client reaches the runtime with a reference of its own.
  TRef<TCefClientOwn> replacement(new TCefClientOwn());
  handler->NewClient = replacement;
  handler->NewUrl = u"http://other/";
  FakeRuntime::Fire(data, &TCefLifeSpanHandler::on_before_popup, PassedBrowser(), &features,
                    &windowInfo, &url, &location, nullptr);
  EXPECT_EQ(handler->SeenClient, nullptr);
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(OwnerOf<TCefClientOwn>(location), replacement.get());
  EXPECT_EQ(replacement->RefCount(), 3);  // the test, the handler and the runtime
  EXPECT_EQ(CopyFromRuntimeString(&url), u"http://other/");
  location->base.release(&location->base);
  RuntimeStringClear(&url);
  handler->NewClient = nullptr;
  handler->SeenClient = nullptr;
  ReleaseExposed(data);
}

TEST_F(HandlersTest, PopupWithANullOrForeignClientPassesNone) {
  TRef<TPopupRecorder> handler(new TPopupRecorder());
  TCefLifeSpanHandler* data = Exposed<TCefLifeSpanHandler>(handler);
  TCefClient* foreign = FakeRuntime::NewObjectOf<TCefClient>("client");
  TCefClient* location = foreign;
  FakeRuntime::Fire(data, &TCefLifeSpanHandler::on_before_popup, PassedBrowser(), nullptr, nullptr,
                    nullptr, &location, nullptr);
  EXPECT_EQ(handler->SeenClient, nullptr);
  EXPECT_EQ(location, foreign);  // not the program's: left to the runtime
  foreign->base.release(&foreign->base);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefLifeSpanHandler::on_before_popup, PassedBrowser(), nullptr,
                              nullptr, nullptr, nullptr, nullptr),
            1);
  ReleaseExposed(data);
}

class TTooltipRecorder : public TCefDisplayHandlerOwn {
 public:
  bool on_tooltip(const TRef<ICefBrowser>&, ustring& text) override {
    Seen = text;
    if (Fail) throw EConvertError("no tooltip today");
    text = Replacement;
    return true;
  }
  ustring Seen, Replacement;
  bool Fail = false;
};

TEST_F(HandlersTest, TooltipRecordIsReplacedWhole) {
  TRef<TTooltipRecorder> handler(new TTooltipRecorder());
  TCefDisplayHandler* data = Exposed<TCefDisplayHandler>(handler);
  TCefStringUtf16 text = FakeRuntime::NewOwnedString(u"hint");
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefDisplayHandler::on_tooltip, PassedBrowser(), &text), 1);
  EXPECT_EQ(handler->Seen, u"hint");
  EXPECT_EQ(text.str, nullptr);
  EXPECT_EQ(text.length, 0u);
  EXPECT_EQ(text.dtor, nullptr);
  EXPECT_EQ(FakeRuntime::LiveStringCount(), 0);

  handler->Replacement = u"better hint";
  FakeRuntime::Fire(data, &TCefDisplayHandler::on_tooltip, PassedBrowser(), &text);
  EXPECT_EQ(CopyFromRuntimeString(&text), u"better hint");

  // A failing handler answers false and the runtime keeps its text.
  handler->Fail = true;
  // The exception was logged when raised; the entry routine writes nothing of its own.
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefDisplayHandler::on_tooltip, PassedBrowser(), &text), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(CopyFromRuntimeString(&text), u"better hint");
  RuntimeStringClear(&text);
  ReleaseExposed(data);
}

class TMenuRecorder : public TCefContextMenuHandlerOwn {
 public:
  bool on_context_menu_command(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                               const TRef<ICefContextMenuParams>& params, int32_t commandId,
                               TCefEventFlagSet eventFlags) override {
    SawParams = params != nullptr;
    Command = commandId;
    Flags = eventFlags;
    return false;
  }
  bool SawParams = false;
  int32_t Command = 0;
  TCefEventFlagSet Flags = 0;
};

TEST_F(HandlersTest, ContextMenuCommandSeesTheLow16BitsOfTheFlags) {
  TRef<TMenuRecorder> handler(new TMenuRecorder());
  TCefContextMenuHandler* data = Exposed<TCefContextMenuHandler>(handler);
  TCefContextMenuParams* params = FakeRuntime::NewObjectOf<TCefContextMenuParams>("params");
  EXPECT_EQ(
      FakeRuntime::Fire(data, &TCefContextMenuHandler::on_context_menu_command, PassedBrowser(),
                        PassedFrame(), params, 26500,
                        TCefEventFlags{0xABC0000u | EVENTFLAG_SHIFT_DOWN | EVENTFLAG_EXTENDED}),
      0);
  EXPECT_TRUE(handler->SawParams);
  EXPECT_EQ(handler->Command, 26500);
  EXPECT_EQ(handler->Flags, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_EXTENDED);
  EXPECT_EQ(FakeRuntime::RefCountOf(params), 0);
  ReleaseExposed(data);
}

class TThrowingFocus : public TCefFocusHandlerOwn {
 public:
  bool on_set_focus(const TRef<ICefBrowser>&, TCefFocusSource) override {
    throw ECefException("focus refused");
  }
};

TEST_F(HandlersTest, ARaisingHandlerAnswersTheDefaultAndGoesToTheOneBoundaryHandler) {
  TRef<TThrowingFocus> handler(new TThrowingFocus());
  TCefFocusHandler* data = Exposed<TCefFocusHandler>(handler);
  TCefBrowser* browser = PassedBrowser();
  static std::string reported;
  SetGuardedCallHandler([](TObject*) noexcept {
    try {
      throw;
    } catch (const std::exception& e) {
      reported = e.what();
    }
  });
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefFocusHandler::on_set_focus, browser, FOCUS_SOURCE_SYSTEM),
            0);
  SetGuardedCallHandler(nullptr);
  EXPECT_EQ(reported, "focus refused");
  EXPECT_EQ(FakeRuntime::RefCountOf(browser), 0);
  ReleaseExposed(data);
}

TEST_F(HandlersTest, DefaultHandlersAnswerFalseAndLeaveOutArgumentsAlone) {
  TRef<TCefRequestHandlerOwn> requests(new TCefRequestHandlerOwn());
  TCefRequestHandler* data = Exposed<TCefRequestHandler>(requests);
  TCefBool allow = 1;
  FakeRuntime::Fire(data, &TCefRequestHandler::on_protocol_execution, PassedBrowser(), nullptr,
                    &allow);
  EXPECT_EQ(allow, 1);
  EXPECT_EQ(
      FakeRuntime::Fire(data, &TCefRequestHandler::get_cookie_manager, PassedBrowser(), nullptr),
      nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefRequestHandler::get_resource_handler, PassedBrowser(),
                              PassedFrame(), FakeRuntime::NewObjectOf<TCefRequest>("request")),
            nullptr);
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefRequestHandler::get_auth_credentials, PassedBrowser(),
                              PassedFrame(), 1, nullptr, 80, nullptr, nullptr,
                              FakeRuntime::NewObjectOf<TCefAuthCallback>("auth")),
            0);
  ReleaseExposed(data);

  TRef<TCefJsDialogHandlerOwn> dialogs(new TCefJsDialogHandlerOwn());
  TCefJsDialogHandler* dialogData = Exposed<TCefJsDialogHandler>(dialogs);
  TCefBool suppress = 0;
  EXPECT_EQ(
      FakeRuntime::Fire(dialogData, &TCefJsDialogHandler::on_jsdialog, PassedBrowser(), nullptr,
                        nullptr, JSDIALOGTYPE_PROMPT, nullptr, nullptr,
                        FakeRuntime::NewObjectOf<TCefJsDialogCallback>("callback"), &suppress),
      0);
  EXPECT_EQ(suppress, 0);
  ReleaseExposed(dialogData);
}

}  // namespace

#include "cefgui.h"

#include "chromium_test_fixture.h"

namespace {

using CefGuiTest = ChromiumTest;

int WorkCalls() {
  return FakeRuntime::CallCount("cef_do_message_loop_work");
}

TEST_F(CefGuiTest, TwoControlsShareOnePumpTimerAndDestroyingBothStopsIt) {
  TChromium& first = NewControl();
  const TTimerId timer = RuntimePumpTimer();
  ASSERT_NE(timer, 0u);
  TChromium& second = NewControl();
  EXPECT_EQ(ClientHandlerCount(), 2);
  EXPECT_EQ(RuntimePumpTimer(), timer);
  EXPECT_TRUE(RunLoopUntil([] { return WorkCalls() >= 2; })) << "the timer drives the runtime";

  Free(first);
  EXPECT_EQ(ClientHandlerCount(), 1);
  EXPECT_EQ(RuntimePumpTimer(), timer);
  FakeRuntime::ClearCalls();
  EXPECT_TRUE(RunLoopUntil([] { return WorkCalls() >= 1; })) << "still pumping";

  Free(second);
  EXPECT_EQ(ClientHandlerCount(), 0);
  EXPECT_EQ(RuntimePumpTimer(), 0u);
  EXPECT_FALSE(KillTimer(timer)) << "the timer is gone";
}

TEST_F(CefGuiTest, ATickDuringARunningWorkCallDoesNothingAndAFailedCallDoesNotStopThePump) {
  NewControl();
  FakeRuntime::SetMessageLoopWork([] { PumpRuntimeMessageLoop(); });  // a nested loop's tick
  PumpRuntimeMessageLoop();
  EXPECT_EQ(WorkCalls(), 1);

  FakeRuntime::SetMessageLoopWork([] { throw Exception("work failed"); });
  EXPECT_THROW(PumpRuntimeMessageLoop(), Exception);
  FakeRuntime::SetMessageLoopWork(nullptr);
  PumpRuntimeMessageLoop();
  EXPECT_EQ(WorkCalls(), 3);
}

TEST_F(CefGuiTest, WithoutAClientHandlerThePumpDoesNoWork) {
  PumpRuntimeMessageLoop();
  EXPECT_EQ(WorkCalls(), 0);
}

TEST_F(CefGuiTest, AfterDisconnectNoHandlerAndNoEventReachesTheControl) {
  TChromium& control = NewControl();
  int loadEnds = 0;
  control.OnLoadEnd = [&](TObject*, const TRef<ICefBrowser>&, const TRef<ICefFrame>&, int32_t) {
    ++loadEnds;
  };
  control.OnProcessMessageReceived = [](TObject*, const TRef<ICefBrowser>&, TCefProcessId,
                                        const TRef<ICefProcessMessage>&,
                                        bool& Result) { Result = true; };
  TRef<TCustomClientHandler> client(new TCustomClientHandler(&control));
  TRef<ICefLoadHandler> obtainedEarlier;
  client->get_load_handler(obtainedEarlier);
  ASSERT_TRUE(obtainedEarlier);
  obtainedEarlier->on_load_end(nullptr, nullptr, 200);
  EXPECT_EQ(loadEnds, 1);
  EXPECT_TRUE(client->on_process_message_received(nullptr, PID_RENDERER, nullptr));

  client->Disconnect();

  const auto yieldsNone = [&](auto getter, auto handler) {
    (client.get()->*getter)(handler);
    return !handler;
  };
  using C = TCustomClientHandler;
  EXPECT_TRUE(yieldsNone(&C::get_context_menu_handler, TRef<ICefContextMenuHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_display_handler, TRef<ICefDisplayHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_download_handler, TRef<ICefDownloadHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_focus_handler, TRef<ICefFocusHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_geolocation_handler, TRef<ICefGeolocationHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_jsdialog_handler, TRef<ICefJsDialogHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_keyboard_handler, TRef<ICefKeyboardHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_life_span_handler, TRef<ICefLifeSpanHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_load_handler, TRef<ICefLoadHandler>()));
  EXPECT_TRUE(yieldsNone(&C::get_request_handler, TRef<ICefRequestHandler>()));
  EXPECT_FALSE(client->on_process_message_received(nullptr, PID_RENDERER, nullptr));
  obtainedEarlier->on_load_end(nullptr, nullptr, 200);
  EXPECT_EQ(loadEnds, 1) << "a handler the runtime kept no longer reaches the control";
}

TEST_F(CefGuiTest, UnassignedEventsGiveTheDefaultAnswersAndLeaveOutArgumentsAlone) {
  TChromium& control = NewControl();
  bool shortcut = true, suppress = true, allowOs = true;
  ustring text = u"tip", url = u"u", newUrl = u"n";
  TRef<ICefClient> client;
  EXPECT_FALSE(control.DispatchProcessMessageReceived(nullptr, PID_RENDERER, nullptr));
  EXPECT_FALSE(control.DispatchSetFocus(nullptr, FOCUS_SOURCE_SYSTEM));
  EXPECT_FALSE(control.DispatchContextMenuCommand(nullptr, nullptr, nullptr, 1, 0));
  EXPECT_FALSE(control.DispatchPreKeyEvent(nullptr, nullptr, nullptr, shortcut));
  EXPECT_FALSE(control.DispatchKeyEvent(nullptr, nullptr, nullptr));
  EXPECT_FALSE(control.DispatchTooltip(nullptr, text));
  EXPECT_FALSE(control.DispatchConsoleMessage(nullptr, u"m", u"s", 1));
  EXPECT_FALSE(control.DispatchJsdialog(nullptr, u"o", u"a", JSDIALOGTYPE_ALERT, u"m", u"d",
                                        nullptr, suppress));
  EXPECT_FALSE(control.DispatchBeforeUnloadDialog(nullptr, u"m", false, nullptr));
  EXPECT_FALSE(control.DispatchBeforePopup(nullptr, nullptr, nullptr, url, client, nullptr));
  EXPECT_FALSE(control.DispatchRunModal(nullptr));
  EXPECT_FALSE(control.DispatchClose(nullptr));
  EXPECT_FALSE(control.DispatchBeforeResourceLoad(nullptr, nullptr, nullptr));
  EXPECT_FALSE(control.DispatchGetResourceHandler(nullptr, nullptr, nullptr));
  EXPECT_FALSE(
      control.DispatchGetAuthCredentials(nullptr, nullptr, false, u"h", 80, u"r", u"s", nullptr));
  EXPECT_FALSE(control.DispatchQuotaRequest(nullptr, u"o", 1, nullptr));
  EXPECT_FALSE(control.DispatchGetCookieManager(nullptr, u"m"));
  EXPECT_FALSE(control.DispatchBeforePluginLoad(nullptr, u"u", u"p", nullptr));
  control.DispatchResourceRedirect(nullptr, nullptr, u"o", newUrl);
  control.DispatchProtocolExecution(nullptr, u"u", allowOs);
  EXPECT_TRUE(shortcut && suppress && allowOs);
  EXPECT_EQ(text, u"tip");
  EXPECT_EQ(url, u"u");
  EXPECT_EQ(newUrl, u"n");
}

TEST_F(CefGuiTest, AnExceptionFromAnEventIsReportedAndTheRuntimeGetsTheDefault) {
  TChromium& control = NewControl();
  control.OnSetFocus = [](TObject*, const TRef<ICefBrowser>&, TCefFocusSource, bool& Result) {
    Result = true;
    throw Exception("handler failed");
  };
  control.Load(u"about:blank");  // the runtime now holds the control's client
  TCefClient* client = FakeRuntime::Client();
  ASSERT_NE(client, nullptr);
  TCefFocusHandler* handler = client->get_focus_handler(client);
  ASSERT_NE(handler, nullptr);
  // Like every exception stopped at a boundary with C code, it reaches the application's
  // exception event.
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  EXPECT_EQ(
      FakeRuntime::Fire(handler, &TCefFocusHandler::on_set_focus, nullptr, FOCUS_SOURCE_SYSTEM), 0);
  EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
  handler->base.release(&handler->base);
}

}  // namespace

#include "binding_test_fixture.h"
#include "runtime_object_recorder.h"

using namespace Recorder;
using ::testing::ElementsAre;

namespace {

TCefBrowser* NewRecordingBrowser() {
  using B = TCefBrowser;
  return Install<&B::get_host, &B::can_go_back, &B::go_back, &B::can_go_forward, &B::go_forward,
                 &B::is_loading, &B::reload, &B::reload_ignore_cache, &B::stop_load,
                 &B::get_identifier, &B::is_popup, &B::has_document, &B::get_main_frame,
                 &B::get_focused_frame, &B::get_frame_byident, &B::get_frame, &B::get_frame_count,
                 &B::get_frame_identifiers, &B::get_frame_names, &B::send_process_message>(
      FakeRuntime::NewObjectOf<B>("browser"));
}

TCefBrowserHost* NewRecordingHost() {
  using H = TCefBrowserHost;
  return Install<&H::get_browser, &H::parent_window_will_close, &H::close_browser, &H::set_focus,
                 &H::get_window_handle, &H::get_opener_window_handle, &H::get_client,
                 &H::get_dev_tools_url, &H::get_zoom_level, &H::set_zoom_level>(
      FakeRuntime::NewObjectOf<H>("host"));
}

TCefFrame* NewRecordingFrame() {
  using F = TCefFrame;
  return Install<&F::is_valid, &F::undo, &F::redo, &F::cut, &F::copy, &F::paste, &F::del,
                 &F::select_all, &F::view_source, &F::get_source, &F::get_text, &F::load_request,
                 &F::load_url, &F::load_string, &F::execute_java_script, &F::is_main,
                 &F::is_focused, &F::get_name, &F::get_identifier, &F::get_parent, &F::get_url,
                 &F::get_browser, &F::get_v8context, &F::visit_dom>(
      FakeRuntime::NewObjectOf<F>("frame"));
}

using BrowserTest = LoadedBindingTest;

TEST_F(BrowserTest, BrowserOperationsCallTheirEntries) {
  const TRef<ICefBrowser> browser = TCefBrowserRef::UnWrap(NewRecordingBrowser());
  const TRef<ICefProcessMessage> message =
      TCefProcessMessageRef::UnWrap(FakeRuntime::NewObjectOf<TCefProcessMessage>("message"));
  uint32_t count = 4;
  int64_t identifiers[4] = {};
  using B = ICefBrowser;
  CheckOperations<B>(
      *browser,
      {
          {"get_host", 16, [](B& b) { return Show(b.get_host()); }, "", "object"},
          {"can_go_back", 20, [](B& b) { return Show(b.can_go_back()); }, "", "true"},
          {"go_back", 24, [](B& b) { return b.go_back(), ""; }, "", ""},
          {"can_go_forward", 28, [](B& b) { return Show(b.can_go_forward()); }, "", "true"},
          {"go_forward", 32, [](B& b) { return b.go_forward(), ""; }, "", ""},
          {"is_loading", 36, [](B& b) { return Show(b.is_loading()); }, "", "true"},
          {"reload", 40, [](B& b) { return b.reload(), ""; }, "", ""},
          {"reload_ignore_cache", 44, [](B& b) { return b.reload_ignore_cache(), ""; }, "", ""},
          {"stop_load", 48, [](B& b) { return b.stop_load(), ""; }, "", ""},
          {"get_identifier", 52, [](B& b) { return Show(b.get_identifier()); }, "", "7"},
          {"is_popup", 56, [](B& b) { return Show(b.is_popup()); }, "", "true"},
          {"has_document", 60, [](B& b) { return Show(b.has_document()); }, "", "true"},
          {"get_main_frame", 64, [](B& b) { return Show(b.get_main_frame()); }, "", "object"},
          {"get_focused_frame", 68, [](B& b) { return Show(b.get_focused_frame()); }, "", "object"},
          {"get_frame_byident", 72,
           [](B& b) { return Show(b.get_frame_byident(int64_t{1} << 40)); }, "1099511627776",
           "object"},
          {"get_frame", 76, [](B& b) { return Show(b.get_frame(u"side")); }, "\"side\"", "object"},
          {"get_frame_count", 80, [](B& b) { return Show(b.get_frame_count()); }, "", "7"},
          {"get_frame_identifiers", 84,
           [&](B& b) { return b.get_frame_identifiers(&count, identifiers), ""; }, "ptr, ptr", ""},
          {"get_frame_names", 88,
           [](B& b) {
             std::vector<ustring> names{u"kept"};
             b.get_frame_names(names);
             return Show(names.front()) + Show(names.back());
           },
           "[]", "\"kept\"\"added\""},
          {"send_process_message", 92,
           [&](B& b) { return Show(b.send_process_message(PID_RENDERER, message)); }, "1, message",
           "true"},
      });
}

TEST_F(BrowserTest, HostOperationsCallTheirEntries) {
  const TRef<ICefBrowserHost> host = TCefBrowserHostRef::UnWrap(NewRecordingHost());
  using H = ICefBrowserHost;
  CheckOperations<H>(
      *host,
      {
          {"get_browser", 16, [](H& h) { return Show(h.get_browser()); }, "", "object"},
          {"parent_window_will_close", 20, [](H& h) { return h.parent_window_will_close(), ""; },
           "", ""},
          {"close_browser", 24, [](H& h) { return h.close_browser(), ""; }, "", ""},
          {"set_focus", 28, [](H& h) { return h.set_focus(true), ""; }, "1", ""},
          {"get_window_handle", 32, [](H& h) { return Show(h.get_window_handle()); }, "", "handle"},
          {"get_opener_window_handle", 36, [](H& h) { return Show(h.get_opener_window_handle()); },
           "", "handle"},
          {"get_dev_tools_url", 44, [](H& h) { return Show(h.get_dev_tools_url(false)); }, "0",
           "\"answer\""},
          {"get_zoom_level", 48, [](H& h) { return Show(h.get_zoom_level()); }, "", "2.500000"},
          {"set_zoom_level", 52, [](H& h) { return h.set_zoom_level(-1.5), ""; }, "-1.500000", ""},
      });
}

TEST_F(BrowserTest, FrameOperationsCallTheirEntries) {
  const TRef<ICefFrame> frame = TCefFrameRef::UnWrap(NewRecordingFrame());
  const TRef<ICefRequest> request =
      TCefRequestRef::UnWrap(FakeRuntime::NewObjectOf<TCefRequest>("request"));
  const auto noText = [](const ustring&) {};
  const auto noDocument = [](const TRef<ICefDomDocument>&) {};
  using F = ICefFrame;
  CheckOperations<F>(
      *frame,
      {
          {"is_valid", 16, [](F& f) { return Show(f.is_valid()); }, "", "true"},
          {"undo", 20, [](F& f) { return f.undo(), ""; }, "", ""},
          {"redo", 24, [](F& f) { return f.redo(), ""; }, "", ""},
          {"cut", 28, [](F& f) { return f.cut(), ""; }, "", ""},
          {"copy", 32, [](F& f) { return f.copy(), ""; }, "", ""},
          {"paste", 36, [](F& f) { return f.paste(), ""; }, "", ""},
          {"del", 40, [](F& f) { return f.del(), ""; }, "", ""},
          {"select_all", 44, [](F& f) { return f.select_all(), ""; }, "", ""},
          {"view_source", 48, [](F& f) { return f.view_source(), ""; }, "", ""},
          {"get_source", 52,
           [](F& f) {
             return f.get_source(TRef<ICefStringVisitor>(new TCefStringVisitorOwn())), "";
           },
           "program object", ""},
          {"get_source procedure", 52, [&](F& f) { return f.get_source(noText), ""; },
           "program object", ""},
          {"get_text", 56,
           [](F& f) { return f.get_text(TRef<ICefStringVisitor>(new TCefStringVisitorOwn())), ""; },
           "program object", ""},
          {"get_text procedure", 56, [&](F& f) { return f.get_text(noText), ""; }, "program object",
           ""},
          {"load_request", 60, [&](F& f) { return f.load_request(request), ""; }, "request", ""},
          {"load_url", 64, [](F& f) { return f.load_url(u"http://127.0.0.1/"), ""; },
           "\"http://127.0.0.1/\"", ""},
          {"load_string", 68, [](F& f) { return f.load_string(u"<p>", u"about:blank"), ""; },
           "\"<p>\", \"about:blank\"", ""},
          {"execute_java_script", 72,
           [](F& f) { return f.execute_java_script(u"go()", u"", 3), ""; }, "\"go()\", \"\", 3",
           ""},
          {"is_main", 76, [](F& f) { return Show(f.is_main()); }, "", "true"},
          {"is_focused", 80, [](F& f) { return Show(f.is_focused()); }, "", "true"},
          {"get_name", 84, [](F& f) { return Show(f.get_name()); }, "", "\"answer\""},
          {"get_identifier", 88, [](F& f) { return Show(f.get_identifier()); }, "", "4294967303"},
          {"get_parent", 92, [](F& f) { return Show(f.get_parent()); }, "", "object"},
          {"get_url", 96, [](F& f) { return Show(f.get_url()); }, "", "\"answer\""},
          {"get_browser", 100, [](F& f) { return Show(f.get_browser()); }, "", "object"},
          {"get_v8context", 104, [](F& f) { return Show(f.get_v8context()); }, "", "object"},
          {"visit_dom", 108,
           [](F& f) { return f.visit_dom(TRef<ICefDomVisitor>(new TCefDomVisitorOwn())), ""; },
           "program object", ""},
          {"visit_dom procedure", 108, [&](F& f) { return f.visit_dom(noDocument), ""; },
           "program object", ""},
      });
}

TEST_F(BrowserTest, MissingObjectsAndTextReadAsNullAndEmpty) {
  TCefFrame* data = FakeRuntime::NewObjectOf<TCefFrame>("frame");
  data->get_parent = [](TCefFrame*) -> TCefFrame* { return nullptr; };
  data->get_name = [](TCefFrame*) -> TCefStringUserFreeUtf16 { return nullptr; };
  const TRef<ICefFrame> frame = TCefFrameRef::UnWrap(data);
  EXPECT_EQ(frame->get_parent(), nullptr);
  EXPECT_EQ(frame->get_name(), u"");
}

TEST_F(BrowserTest, EachMainFrameCallGivesItsOwnWrapper) {
  TCefFrame* mainFrame =
      Install<&TCefFrame::is_valid>(FakeRuntime::NewObjectOf<TCefFrame>("frame"));
  static TCefFrame* handedOut;
  handedOut = mainFrame;
  TCefBrowser* data = FakeRuntime::NewObjectOf<TCefBrowser>("browser");
  data->get_main_frame = [](TCefBrowser*) {
    handedOut->base.add_ref(&handedOut->base);
    return handedOut;
  };
  const TRef<ICefBrowser> browser = TCefBrowserRef::UnWrap(data);
  mainFrame->base.release(&mainFrame->base);  // only the browser hands it out from here on

  TRef<ICefFrame> first = browser->get_main_frame();
  TRef<ICefFrame> second = browser->get_main_frame();
  EXPECT_NE(first, second);
  EXPECT_EQ(FakeRuntime::RefCountOf(mainFrame), 2);
  first.reset();
  EXPECT_EQ(FakeRuntime::RefCountOf(mainFrame), 1);
  EXPECT_TRUE(second->is_valid());
}

TEST_F(BrowserTest, ProcedureVisitorOutlivesTheCallWhileTheRuntimeHoldsIt) {
  static TCefStringVisitor* held;
  held = nullptr;
  TCefFrame* data = FakeRuntime::NewObjectOf<TCefFrame>("frame");
  data->get_text = [](TCefFrame*, TCefStringVisitor* visitor) { held = visitor; };
  const TRef<ICefFrame> frame = TCefFrameRef::UnWrap(data);
  ustring seen;
  frame->get_text([&](const ustring& text) { seen = text; });
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->base.get_refct(&held->base), 1);

  const ustring text = u"page text";
  const TCefStringUtf16 view = BorrowRuntimeString(text);
  FakeRuntime::Fire(held, &TCefStringVisitor::visit, &view);
  EXPECT_EQ(seen, u"page text");
  held->base.release(&held->base);
}

TEST_F(BrowserTest, CreatingABrowserGivesTheRuntimeAClientReference) {
  FinalizeRuntimeBinding();  // creation loads the runtime itself
  TRef<TCefClientOwn> client(new TCefClientOwn());
  TCefWindowInfo windowInfo{};
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  TRef<ICefBrowser> browser = CreateRuntimeBrowser(windowInfo, client, u"about:blank", settings);
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(FakeRuntime::LastTextArgument(), u"about:blank");
  EXPECT_EQ(FakeRuntime::CallCount("cef_initialize"), 1);
  EXPECT_EQ(client->RefCount(), 2);  // the caller's and the runtime's
  ASSERT_NE(FakeRuntime::Client(), nullptr);
  EXPECT_EQ(OwnerOf<TCefClientOwn>(FakeRuntime::Client()), client.get());
}

}  // namespace

#include "binding_test_fixture.h"

namespace {

using AppTest = LoadedBindingTest;

class TProbeHandler : public TCefBaseOwn {
 public:
  TProbeHandler() : TCefBaseOwn(sizeof(TCefBase)) {}
};

TEST_F(AppTest, CommandLineHookSeesTheArgumentsAndTheLineIsReleased) {
  ustring seenType = u"unset";
  ustring seenProgram;
  RuntimeStartupHooks().AppBeforeCommandLineProcessing =
      [&](const ustring& processType, const TRef<ICefCommandLine>& commandLine) {
        seenType = processType;
        seenProgram = commandLine->get_program();
        commandLine->append_argument(u"--from-hook");
      };
  TCefApp* app = FakeRuntime::App();
  ASSERT_NE(app, nullptr);
  TCefCommandLine* line = FakeRuntime::NewCommandLine(u"/usr/bin/corvane", {});
  const ustring renderer = u"renderer";
  const TCefStringUtf16 type = BorrowRuntimeString(renderer);
  FakeRuntime::Fire(app, &TCefApp::on_before_command_line_processing, &type, line);
  EXPECT_EQ(seenType, u"renderer");
  EXPECT_EQ(seenProgram, u"/usr/bin/corvane");
  EXPECT_EQ(FakeRuntime::RefCountOf(line), 0);

  FakeRuntime::Fire(app, &TCefApp::on_before_command_line_processing, nullptr,
                    FakeRuntime::NewCommandLine(u"", {}));
  EXPECT_EQ(seenType, u"");
}

TEST_F(AppTest, WithoutHooksTheRuntimeGetsNothing) {
  TCefApp* app = FakeRuntime::App();
  TCefCommandLine* line = FakeRuntime::NewCommandLine(u"", {});
  FakeRuntime::Fire(app, &TCefApp::on_before_command_line_processing, nullptr, line);
  TCefSchemeRegistrar* registrar = FakeRuntime::NewSchemeRegistrar();
  FakeRuntime::Fire(app, &TCefApp::on_register_custom_schemes, registrar);
  EXPECT_EQ(FakeRuntime::RefCountOf(line), 0);
  EXPECT_EQ(FakeRuntime::RefCountOf(registrar), 0);
  EXPECT_EQ(FakeRuntime::Fire(app, &TCefApp::get_resource_bundle_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(app, &TCefApp::get_browser_process_handler), nullptr);
  EXPECT_EQ(FakeRuntime::Fire(app, &TCefApp::get_render_process_handler), nullptr);
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());
}

TEST_F(AppTest, SchemeHookRegistersThroughTheRuntime) {
  RuntimeStartupHooks().AppRegisterCustomSchemes = [](const TRef<ICefSchemeRegistrar>& r) {
    EXPECT_TRUE(r->add_custom_scheme(u"corvane", true, false, false));
  };
  FakeRuntime::Fire(FakeRuntime::App(), &TCefApp::on_register_custom_schemes,
                    FakeRuntime::NewSchemeRegistrar());
  EXPECT_THAT(FakeRuntime::RegisteredSchemes(), ::testing::ElementsAre(u"corvane"));
}

TEST_F(AppTest, HandlerGettersGiveTheRuntimeItsOwnReference) {
  TRef<TProbeHandler> handler(new TProbeHandler());
  RuntimeStartupHooks().AppBrowserProcessHandler = handler;
  TCefApp* app = FakeRuntime::App();
  TCefBrowserProcessHandler* answer = FakeRuntime::Fire(app, &TCefApp::get_browser_process_handler);
  auto* header = reinterpret_cast<TCefBase*>(answer);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(OwnerOf<TProbeHandler>(header), handler.get());
  EXPECT_EQ(handler->RefCount(), 3);  // the test, the hook, the runtime
  header->release(header);
  EXPECT_EQ(handler->RefCount(), 2);
  EXPECT_EQ(FakeRuntime::Fire(app, &TCefApp::get_render_process_handler), nullptr);
}

TEST_F(AppTest, ARaisingHookStaysOnTheProgramSide) {
  RuntimeStartupHooks().AppBeforeCommandLineProcessing =
      [](const ustring&, const TRef<ICefCommandLine>&) { throw EConvertError("bad switch"); };
  TCefCommandLine* line = FakeRuntime::NewCommandLine(u"", {});
  // Logged when raised; the entry routine itself writes nothing.
  ::testing::internal::CaptureStderr();
  FakeRuntime::Fire(FakeRuntime::App(), &TCefApp::on_before_command_line_processing, nullptr, line);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(FakeRuntime::RefCountOf(line), 0);
}

TEST_F(AppTest, CommandLineWrapperReadsListsAndMaps) {
  TRef<ICefCommandLine> line =
      TCefCommandLineRef::UnWrap(FakeRuntime::NewCommandLine(u"prog", {u"a", u"b"}));
  line->append_switch_with_value(u"lang", u"de");
  std::vector<ustring> arguments{u"earlier"};
  line->get_arguments(arguments);
  EXPECT_THAT(arguments, ::testing::ElementsAre(u"earlier", u"a", u"b"));
  std::vector<std::pair<ustring, ustring>> switches;
  line->get_switches(switches);
  EXPECT_THAT(switches, ::testing::ElementsAre(std::pair<ustring, ustring>(u"lang", u"de")));
}

}  // namespace

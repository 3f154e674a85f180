#include "binding_test_fixture.h"

namespace {

using AbsentExtensionsTest = BindingTest;

TEST_F(AbsentExtensionsTest, ARuntimeWithoutThemLoadsAndTheWrappersSayNotAvailable) {
  ASSERT_FALSE(FakeRuntime::ExtensionsExported());
  ASSERT_TRUE(EnsureRuntimeLoaded());
  EXPECT_TRUE(RuntimeInitialized);
  EXPECT_FALSE(CanFindInPage());
  EXPECT_FALSE(CanPrintPage());

  FakeRuntime::ClearCalls();
  const TRef<ICefBrowserHost> host =
      TCefBrowserHostRef::UnWrap(FakeRuntime::NewObjectOf<TCefBrowserHost>("host"));
  int answered = 0;
  EXPECT_FALSE(FindInPage(host, u"Kestrel", true, [&](int32_t) { ++answered; }));
  EXPECT_FALSE(StopFindingInPage(host));
  EXPECT_FALSE(PrintPage(host));
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());
  EXPECT_FALSE(FakeRuntime::AnswerOldestFind(1));
  EXPECT_EQ(answered, 0);

  // The rest of the runtime works as before.
  DoRuntimeMessageLoopWork();
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::ElementsAre("cef_do_message_loop_work"));
}

}  // namespace

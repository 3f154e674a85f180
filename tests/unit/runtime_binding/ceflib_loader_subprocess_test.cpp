#include "binding_test_fixture.h"

namespace {

using SubprocessTest = BindingTest;

TEST_F(SubprocessTest, SubProcessIsNotInitializedAndUnloadsWithoutShutdown) {
  ASSERT_GE(FakeRuntime::ExecuteProcessResult(), 0);
  EXPECT_FALSE(EnsureRuntimeLoaded());
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::ElementsAre("cef_execute_process"));
  EXPECT_FALSE(RuntimeInitialized);
  EXPECT_NE(RuntimeLibraryHandle, nullptr);  // loaded, just not started

  EXPECT_TRUE(EnsureRuntimeLoaded());  // already loaded: nothing more happens
  EXPECT_EQ(FakeRuntime::CallCount("cef_execute_process"), 1);

  ShutDownRuntime();
  EXPECT_EQ(RuntimeLibraryHandle, nullptr);
  EXPECT_EQ(FakeRuntime::CallCount("cef_shutdown"), 0);
  EXPECT_EQ(FakeRuntime::CallCount("cef_initialize"), 0);
}

}  // namespace

#include <algorithm>

#include "binding_test_fixture.h"

namespace {

using MissingEntryTest = BindingTest;

TEST_F(MissingEntryTest, OneAbsentNameRejectsTheLibraryAndLeavesNothingLoaded) {
  // The omitted entry is one the program never calls.
  ASSERT_FALSE(FakeRuntime::OmittedEntry().empty());
  EXPECT_NE(std::find(RuntimeEntryPointNames.begin(), RuntimeEntryPointNames.end(),
                      FakeRuntime::OmittedEntry()),
            RuntimeEntryPointNames.end());

  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      EnsureRuntimeLoaded();
      FAIL() << "a library without " << FakeRuntime::OmittedEntry() << " was accepted";
    } catch (const ECefException& e) {
      EXPECT_EQ(e.Message(), "Invalid CEF Library version");
    }
    EXPECT_EQ(RuntimeLibraryHandle, nullptr);
    EXPECT_EQ(RuntimeApi.cef_initialize, nullptr);
    EXPECT_EQ(RuntimeStringSet, nullptr);
    EXPECT_FALSE(RuntimeInitialized);
  }
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());
  DoRuntimeMessageLoopWork();
  EXPECT_THAT(FakeRuntime::Calls(), ::testing::IsEmpty());
}

}  // namespace

#include <dlfcn.h>
#include <xmmintrin.h>

#include <cstdio>
#include <set>

#include "binding_test_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr unsigned AllMasks = 0x1F80;
constexpr unsigned AllFlags = 0x3F;
constexpr unsigned ZeroDivideMask = 0x0200;
constexpr unsigned ZeroDivideFlag = 0x0004;

// Leaves the thread's MXCSR as it found it.
class LoaderTest : public BindingTest {
 protected:
  void SetUp() override {
    BindingTest::SetUp();
    FSavedMxcsr = _mm_getcsr();
  }
  void TearDown() override {
    _mm_setcsr(FSavedMxcsr);
    BindingTest::TearDown();
  }

 private:
  unsigned FSavedMxcsr = 0;
};

TEST_F(LoaderTest, MissingLibraryRaisesTheSystemErrorAndLoadsNothing) {
  RuntimeStartup().RuntimeLibraryName = "libcef-absent.so";
  try {
    EnsureRuntimeLoaded();
    FAIL() << "loading an absent library succeeded";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_THAT(e.Message(), ::testing::StartsWith("System Error.  Code: 2.\r\n"));
    EXPECT_THAT(e.Message(), ::testing::HasSubstr("libcef-absent.so"));
  }
  EXPECT_EQ(RuntimeLibraryHandle, nullptr);
  EXPECT_EQ(RuntimeApi.cef_initialize, nullptr);
  EXPECT_THAT(FakeRuntime::Calls(), IsEmpty());

  RuntimeStartup().RuntimeLibraryName = "libcef.so";  // a later call tries again
  EXPECT_TRUE(EnsureRuntimeLoaded());
}

TEST_F(LoaderTest, UnloadableFileRaisesTheSystemError) {
  const std::string path = ::testing::TempDir() + "/not-a-library.so";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs(
      "\x7f"
      "ELF but nothing else",
      file);
  std::fclose(file);
  RuntimeStartup().RuntimeLibraryName = path;
  try {
    EnsureRuntimeLoaded();
    FAIL() << "loading a broken library succeeded";
  } catch (const EOSError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_THAT(e.Message(), ::testing::StartsWith("System Error.  Code: "));
    EXPECT_THAT(e.Message(), ::testing::HasSubstr(path));
  }
  EXPECT_EQ(RuntimeLibraryHandle, nullptr);
  std::remove(path.c_str());
}

TEST_F(LoaderTest, LoadResolvesEveryEntryAndStartsTheBrowserProcess) {
  EXPECT_TRUE(EnsureRuntimeLoaded());
  EXPECT_NE(RuntimeLibraryHandle, nullptr);
  EXPECT_TRUE(RuntimeInitialized);
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("cef_execute_process", "cef_initialize"));
  int resolved = 0;
#define COUNT_RESOLVED(result, name, params) resolved += RuntimeApi.name != nullptr;
  CEF_EXPORTED_FUNCTIONS(COUNT_RESOLVED)
#undef COUNT_RESOLVED
  EXPECT_EQ(resolved, 113);
  EXPECT_EQ(std::set(RuntimeEntryPointNames.begin(), RuntimeEntryPointNames.end()).size(), 113u);
  // One reference from each of the two start-up calls; the loader's own is gone.
  TCefApp* app = FakeRuntime::App();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->base.get_refct(&app->base), 2);
}

TEST_F(LoaderTest, SettingsRecordHoldsTheFixedValues) {
  ASSERT_TRUE(EnsureRuntimeLoaded());
  const auto& received = FakeRuntime::LastInitialize();
  const RuntimeSettings& s = received.Settings;
  EXPECT_EQ(s.size, sizeof(RuntimeSettings));
  EXPECT_EQ(s.single_process, 1);
  EXPECT_EQ(s.multi_threaded_message_loop, 0);
  EXPECT_EQ(s.command_line_args_disabled, 0);
  EXPECT_EQ(s.log_severity, 99);
  EXPECT_EQ(s.auto_detect_proxy_settings_enabled, 0);
  EXPECT_EQ(s.pack_loading_disabled, 0);
  EXPECT_EQ(s.remote_debugging_port, 0);
  EXPECT_TRUE(received.SettingsStrViewsNonNull);
  for (const ustring* text :
       {&received.BrowserSubprocessPath, &received.CachePath, &received.UserAgent,
        &received.ProductVersion, &received.Locale, &received.LogFile, &received.JavaScriptFlags,
        &received.ResourcesDirPath, &received.LocalesDirPath})
    EXPECT_EQ(*text, u"");
}

TEST_F(LoaderTest, EveryArgumentReachesItsOwnSettingsField) {
  ASSERT_TRUE(LoadRuntimeLibrary(u"cache", u"agent", u"1.0", u"de", u"log.txt", u"helper", 2, true,
                                 u"--flag", u"res", u"loc", false, true, true, 9222));
  const auto& r = FakeRuntime::LastInitialize();
  EXPECT_EQ(r.CachePath, u"cache");
  EXPECT_EQ(r.UserAgent, u"agent");
  EXPECT_EQ(r.ProductVersion, u"1.0");
  EXPECT_EQ(r.Locale, u"de");
  EXPECT_EQ(r.LogFile, u"log.txt");
  EXPECT_EQ(r.BrowserSubprocessPath, u"helper");
  EXPECT_EQ(r.Settings.log_severity, 2);
  EXPECT_EQ(r.Settings.auto_detect_proxy_settings_enabled, 1);
  EXPECT_EQ(r.JavaScriptFlags, u"--flag");
  EXPECT_EQ(r.ResourcesDirPath, u"res");
  EXPECT_EQ(r.LocalesDirPath, u"loc");
  EXPECT_EQ(r.Settings.single_process, 0);
  EXPECT_EQ(r.Settings.command_line_args_disabled, 1);
  EXPECT_EQ(r.Settings.pack_loading_disabled, 1);
  EXPECT_EQ(r.Settings.remote_debugging_port, 9222);
  EXPECT_EQ(r.Settings.multi_threaded_message_loop, 0);
}

TEST_F(LoaderTest, LoadMasksFloatingPointExceptionsOnlyTheFirstTime) {
  _mm_setcsr((_mm_getcsr() & ~ZeroDivideMask) | ZeroDivideFlag);
  ASSERT_TRUE(EnsureRuntimeLoaded());
  EXPECT_EQ(_mm_getcsr() & AllMasks, AllMasks);
  EXPECT_EQ(_mm_getcsr() & AllFlags, 0u);

  FakeRuntime::ClearCalls();
  const void* handle = RuntimeLibraryHandle;
  const unsigned changed = (_mm_getcsr() & ~ZeroDivideMask) | ZeroDivideFlag;
  _mm_setcsr(changed);
  EXPECT_TRUE(EnsureRuntimeLoaded());
  EXPECT_EQ(_mm_getcsr(), changed);
  EXPECT_EQ(RuntimeLibraryHandle, handle);
  EXPECT_THAT(FakeRuntime::Calls(), IsEmpty());
}

TEST_F(LoaderTest, ShutDownStopsTheRuntimeUnloadsAndResetsTheSettings) {
  ShutDownRuntime();  // not loaded: nothing
  DoRuntimeMessageLoopWork();
  EXPECT_THAT(FakeRuntime::Calls(), IsEmpty());

  ASSERT_TRUE(EnsureRuntimeLoaded());
  DoRuntimeMessageLoopWork();
  RuntimeStartup().StartupLocale = u"fr";
  ShutDownRuntime();
  EXPECT_THAT(FakeRuntime::Calls(), ElementsAre("cef_execute_process", "cef_initialize",
                                                "cef_do_message_loop_work", "cef_shutdown"));
  EXPECT_EQ(RuntimeLibraryHandle, nullptr);
  EXPECT_EQ(RuntimeStringSet, nullptr);
  EXPECT_EQ(FakeRuntime::App(), nullptr);  // the runtime let go of the application object
  EXPECT_EQ(RuntimeStartup().StartupLocale, u"");

  DoRuntimeMessageLoopWork();
  ShutDownRuntime();
  EXPECT_EQ(FakeRuntime::CallCount("cef_shutdown"), 1);
  EXPECT_EQ(FakeRuntime::CallCount("cef_do_message_loop_work"), 1);
}

// The engine's own threads may still run inside the runtime's libraries while the process
// exits, so shutting down must never unmap them. This build of the fake is not linked into the
// test, so only the binding's handle keeps it loaded.
TEST_F(LoaderTest, ShutDownForgetsTheLibraryButLeavesItMapped) {
  RuntimeStartup().RuntimeLibraryName = FAKE_RUNTIME_SUBPROCESS_LIBRARY;
  EXPECT_FALSE(EnsureRuntimeLoaded());  // that build answers as a sub-process would
  ASSERT_NE(RuntimeLibraryHandle, nullptr);

  ShutDownRuntime();
  EXPECT_EQ(RuntimeLibraryHandle, nullptr);
  EXPECT_EQ(RuntimeApi.cef_do_message_loop_work, nullptr);
  void* stillMapped = dlopen(FAKE_RUNTIME_SUBPROCESS_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(stillMapped, nullptr) << "the library was unmapped";
  if (stillMapped) dlclose(stillMapped);
}

}  // namespace

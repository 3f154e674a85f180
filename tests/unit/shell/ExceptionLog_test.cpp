#include "ExceptionLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "JclDebug.h"
#include "JvLogFile.h"
#include "TemporaryFolder.h"

namespace {

class EBadInput : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EBadInput"; }
};

__attribute__((noinline)) void RaiseBadInput() {
  throw EBadInput("value > limit");
}

// Raised two calls below a handler for its class, with a cleanup frame in between.
__attribute__((noinline)) void RaiseThroughCleanup() {
  std::string cleanedUp = "kept alive across the call";
  RaiseBadInput();
  cleanedUp.clear();
}

std::vector<std::string> Titles(const TJvLogFile& log) {
  std::vector<std::string> titles;
  for (int i = 0; i < log.Count(); ++i) titles.push_back(log.GetElement(i).Title);
  return titles;
}

class ExceptionLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedOptions = TrackingOptions;
    TrackingOptions |= toExceptFrames;
    StartJclDebug();
    EnableExceptionTracking();
    FLog->SetFileName((FFolder / "error.log").string());
    FLog->SetAutoSave(true);
    SetExceptionLogFile(FLog.get());
    RegisterExceptNotifier(ExceptionLogNotifier, npNormal);
  }
  void TearDown() override {
    UnregisterExceptNotifier(ExceptionLogNotifier);
    SetExceptionLogFile(nullptr);
    EndJclDebug();
    TrackingOptions = FSavedOptions;
  }

  TTemporaryFolder FFolder{"corvane-exlog"};
  TOwnedComponent<TJvLogFile> FLog{new TJvLogFile(nullptr)};
  TJclStackTrackingOptions FSavedOptions = 0;
};

TEST_F(ExceptionLogTest, AnExceptionIsWrittenWithItsLocationAndFramesUpToItsHandler) {
  try {
    RaiseThroughCleanup();
  } catch (const EBadInput&) {
  }
  const std::vector<std::string> titles = Titles(*FLog);
  ASSERT_GE(titles.size(), 8u);
  EXPECT_EQ(titles[0], "");
  EXPECT_EQ(titles[1], "Exception EBadInput: value > limit");
  EXPECT_TRUE(titles[2].starts_with("  Exception occured at $")) << titles[2];
  EXPECT_NE(titles[2].find("(Module \"ExceptionLog_test\", Procedure \"(anonymous "
                           "namespace).RaiseBadInput\", Unit \""),
            std::string::npos)
      << titles[2];
  EXPECT_EQ(titles[2].find(", Line 0)"), std::string::npos) << titles[2];
  EXPECT_EQ(titles[3], "  Except frame-dump:");
  // Three entries per frame; the last frame listed is the one that handles the exception.
  ASSERT_EQ((titles.size() - 5) % 3, 0u);
  for (size_t frame = 4; frame + 1 < titles.size(); frame += 3) {
    EXPECT_TRUE(titles[frame].starts_with("    Frame at $")) << titles[frame];
    EXPECT_TRUE(titles[frame + 2].starts_with("      Module \"")) << titles[frame + 2];
  }
  const size_t last = titles.size() - 4;
  EXPECT_TRUE(titles[last].ends_with("(type: efkOnException, handles exception)")) << titles[last];
  EXPECT_TRUE(titles[last + 1].starts_with("      Handler at $")) << titles[last + 1];
  EXPECT_NE(titles[last + 2].find("ExceptionLog_test.cpp"), std::string::npos) << titles[last + 2];
  EXPECT_EQ(titles.back(), "");

  // The file holds the same entries, ">" included.
  TOwnedComponent<TJvLogFile> reread{new TJvLogFile(nullptr)};
  reread->LoadFromFile(FLog->FileName());
  EXPECT_EQ(Titles(*reread), titles);
}

TEST_F(ExceptionLogTest, WithoutFrameTrackingOnlyFourEntries) {
  TrackingOptions &= ~toExceptFrames;
  try {
    RaiseBadInput();
  } catch (const Exception&) {
  }
  const std::vector<std::string> titles = Titles(*FLog);
  ASSERT_EQ(titles.size(), 4u);
  EXPECT_EQ(titles[0], "");
  EXPECT_EQ(titles[1], "Exception EBadInput: value > limit");
  EXPECT_TRUE(titles[2].starts_with("  Exception occured at $")) << titles[2];
  EXPECT_EQ(titles[3], "");
}

TEST_F(ExceptionLogTest, AnOperatingSystemFaultIsMarked) {
  UnregisterExceptNotifier(ExceptionLogNotifier);
  const EBadInput error("fault");
  const TExceptObject object{const_cast<EBadInput*>(&error), &typeid(EBadInput)};
  ExceptionLogNotifier(&object, reinterpret_cast<void*>(&RaiseBadInput), true);
  ASSERT_GE(FLog->Count(), 2);
  EXPECT_EQ(FLog->GetElement(1).Title, "Exception EBadInput: fault (OS Exception)");
}

TEST_F(ExceptionLogTest, ALogThatCannotBeWrittenLeavesTheExceptionAsRaised) {
  FLog->SetFileName((FFolder / "missing" / "error.log").string());
  FLog->SetAutoSave(true);
  for (int attempt = 0; attempt < 2; ++attempt) {
    testing::internal::CaptureStderr();
    try {
      RaiseBadInput();
      FAIL() << "nothing raised";
    } catch (const EBadInput& e) {
      EXPECT_EQ(e.Message(), "value > limit");
    }
    // One line for the first failure of the process, none afterwards.
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), attempt == 0 ? 1 : 0)
        << stderrText;
  }
}

}  // namespace

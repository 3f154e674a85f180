#include "Application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ApplicationEvents.h"
#include "GtkTestSupport.h"
#include "SysUtils.h"
#include "Timers.h"

namespace {

class ApplicationObjectTest : public ApplicationTest {
 protected:
  // Runs the loop of MainForm: the first tick throws, a later one closes the form. Error boxes
  // are answered and their texts kept.
  int RunThrowingOnce() {
    int ticks = 0;
    const TTimerId id = SetTimer(5, [&] {
      ++ticks;
      if (ticks == 1) throw Exception("boom");
      MainForm->Close();
    });
    const TTimerId answerer = SetTimer(5, [this] {
      for (const std::string& text : VisibleErrorBoxTexts()) BoxTexts.push_back(text);
      AnswerErrorBoxes();
    });
    const int exitCode = Application->Run();
    KillTimer(id);
    KillTimer(answerer);
    return exitCode;
  }

  TForm* MainForm = nullptr;
  std::vector<std::string> BoxTexts;
};

}  // namespace

TEST_F(ApplicationObjectTest, AnExceptionReachingTheLoopIsDroppedSilentlyWhenAHandlerIsAssigned) {
  std::vector<std::string> received;
  Application->CreateForm(MainForm);
  auto* events = new TApplicationEvents(MainForm);
  events->OnException = [&](TObject*, const std::exception& e) { received.push_back(e.what()); };
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunThrowingOnce(), 0) << "the loop went on until the form closed";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(received, (std::vector<std::string>{"boom"}));
  EXPECT_TRUE(BoxTexts.empty());
}

TEST_F(ApplicationObjectTest, WithoutAHandlerTheErrorGoesToStderrAndAnErrorBox) {
  Application->CreateForm(MainForm);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunThrowingOnce(), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(": Exception: boom\n"), std::string::npos);
  EXPECT_EQ(BoxTexts, (std::vector<std::string>{"boom"}));
}

TEST_F(ApplicationObjectTest, AnAbortIsSilentEvenWithoutAHandler) {
  bool boxShown = false;
  const TTimerId answerer = SetTimer(5, [&] {
    boxShown |= !VisibleErrorBoxTexts().empty();
    AnswerErrorBoxes();
  });
  testing::internal::CaptureStderr();
  Application->HandleException(nullptr, EAbort("quiet"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  KillTimer(answerer);
  EXPECT_FALSE(boxShown);
}

TEST_F(ApplicationObjectTest, ApplicationEventsStopReceivingOnceFreed) {
  int eventsCalls = 0, applicationCalls = 0;
  auto* events = new TApplicationEvents(Application);
  events->OnException = [&](TObject*, const std::exception&) { ++eventsCalls; };
  Application->OnException = [&](TObject*, const std::exception&) { ++applicationCalls; };
  Application->HandleException(nullptr, Exception("one"));
  events->Free();
  Application->HandleException(nullptr, Exception("two"));
  EXPECT_EQ(eventsCalls, 1);
  EXPECT_EQ(applicationCalls, 2);
}

TEST_F(ApplicationObjectTest, RunWithoutAMainFormOrAfterTerminateReturnsAtOnce) {
  Application->SetExitCode(3);
  EXPECT_EQ(Application->Run(), 3);
  Application->CreateForm(MainForm);
  Application->Terminate();
  EXPECT_EQ(Application->Run(), 3);
  EXPECT_FALSE(MainForm->Visible());
}

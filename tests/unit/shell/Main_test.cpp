#include "Main.h"

#include <gtest/gtest.h>

#include "GtkTestSupport.h"
#include "SysUtils.h"
#include "Timers.h"

namespace {

class MainFormTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Application->CreateForm(MainForm);
    ASSERT_NE(MainForm, nullptr);
  }
};

}  // namespace

TEST_F(MainFormTest, TheMainWindowIsBuiltFromItsDescription) {
  EXPECT_EQ(Application->MainForm(), MainForm);
  EXPECT_EQ(MainForm->Name(), "MainForm");
  EXPECT_EQ(MainForm->Caption(), "Corvane Online Invoicing for Small Business");
  EXPECT_EQ(MainForm->ClientWidth(), 680);
  EXPECT_EQ(MainForm->ClientHeight(), 640);
  EXPECT_EQ(MainForm->Color(), clWhite);
  EXPECT_EQ(MainForm->Font().Name, "Tahoma");
  EXPECT_EQ(MainForm->Font().Height, -11);
  EXPECT_EQ(MainForm->BorderStyle(), bsSizeable);
  EXPECT_EQ(MainForm->Position(), poDefaultPosOnly);
  ASSERT_NE(MainForm->aAppEvents, nullptr);
  EXPECT_EQ(MainForm->aAppEvents->Name(), "aAppEvents");
  EXPECT_EQ(MainForm->aAppEvents->Owner(), MainForm);
  EXPECT_TRUE(static_cast<bool>(MainForm->aAppEvents->OnException));
}

TEST_F(MainFormTest, AnExceptionReachingTheLoopIsDroppedWithoutABoxAndTheProgramGoesOn) {
  bool boxShown = false;
  int ticks = 0;
  const TTimerId failing = SetTimer(5, [&] {
    if (++ticks == 1) throw Exception("raised by a handler");
    MainForm->Close();
  });
  // Answers any box so a failure shows up as a result, not a hang.
  const TTimerId watcher = SetTimer(5, [&] {
    boxShown |= !VisibleErrorBoxTexts().empty();
    AnswerErrorBoxes();
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(Application->Run(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  KillTimer(failing);
  KillTimer(watcher);
  EXPECT_GE(ticks, 2);
  EXPECT_FALSE(boxShown);
}

TEST_F(MainFormTest, DestroyingTheApplicationDestroysTheMainWindow) {
  EndWindowFramework();
  EXPECT_EQ(MainForm, nullptr);
}

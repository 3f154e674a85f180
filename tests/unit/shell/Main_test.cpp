#include "Main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "GtkTestSupport.h"
#include "ServiceNavigation.h"
#include "SysUtils.h"
#include "Timers.h"
#include "fake_browser.h"

namespace {

// The main window on the fake runtime, whose browsers record what they are asked to do.
class MainFormTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    FakeRuntime::Reset();
    FFakeBrowsers = std::make_unique<TFakeBrowsers>();
    Application->CreateForm(MainForm);
    ASSERT_NE(MainForm, nullptr);
  }
  void TearDown() override {
    ApplicationTest::TearDown();
    FinalizeRuntimeBinding();
    FakeRuntime::Reset();
    FFakeBrowsers.reset();
  }

  std::unique_ptr<TFakeBrowsers> FFakeBrowsers;
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
  ASSERT_NE(MainForm->Chromium, nullptr);
  EXPECT_EQ(MainForm->Components(0), MainForm->Chromium) << "created first";
  EXPECT_EQ(MainForm->Chromium->Align(), alClient);
  EXPECT_EQ(MainForm->Chromium->Width(), 680);
  EXPECT_EQ(MainForm->Chromium->Height(), 640);
  EXPECT_NE(MainForm->Chromium->BrowserId(), 0) << "the loaded step created the browser";
  EXPECT_THAT(FFakeBrowsers->Log, testing::ElementsAre("load_url about:blank"));
}

TEST_F(MainFormTest, OnlyTheExactMarketingSignUpAddressIsTurnedIntoTheSignUpPage) {
  const ustring marketing = ustring(MarketingOrigin) + u"/signup-simple-online-invoicing";
  FFakeBrowsers->Log.clear();
  for (const ustring& lookAlike : {marketing + u"/", marketing + u"?ref=ad",
                                   ustring(MarketingOrigin) + u"/Signup-Simple-Online-Invoicing"})
    MainForm->Chromium->DispatchAddressChange(nullptr, nullptr, lookAlike);
  EXPECT_THAT(FFakeBrowsers->Log, testing::IsEmpty());
  MainForm->Chromium->DispatchAddressChange(nullptr, nullptr, marketing);
  EXPECT_THAT(FFakeBrowsers->Log,
              testing::ElementsAre("load_url " + Utf16ToUtf8(WebAppSignupUrl())));
}

TEST_F(MainFormTest, TheLoginPageInAnyFrameGetsTheScriptInTheMainFrame) {
  const std::string expected = "execute_java_script " + Utf16ToUtf8(ustring(LoginRestyleScript)) +
                               " | " + Utf16ToUtf8(LoginPageUrl()) + " | 0";
  FFakeBrowsers->Log.clear();
  MainForm->Chromium->DispatchLoadEnd(nullptr, FFakeBrowsers->SubFrame(LoginPageUrl() + u"?x=1"),
                                      200);
  EXPECT_THAT(FFakeBrowsers->Log, testing::IsEmpty());
  MainForm->Chromium->DispatchLoadEnd(nullptr, FFakeBrowsers->SubFrame(LoginPageUrl()), 404);
  MainForm->Chromium->DispatchLoadEnd(nullptr, FFakeBrowsers->SubFrame(LoginPageUrl()), 200);
  EXPECT_THAT(FFakeBrowsers->Log, testing::ElementsAre(expected, expected));
  EXPECT_TRUE(MainForm->Chromium->Visible()) << "shown again";
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

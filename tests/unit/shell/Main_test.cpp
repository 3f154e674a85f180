#include "Main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "GtkTestSupport.h"
#include "ServiceNavigation.h"
#include "SysUtils.h"
#include "TemporaryConfigHome.h"
#include "Timers.h"
#include "fake_browser.h"

namespace fs = std::filesystem;

namespace {

// The main window on the fake runtime, whose browsers record what they are asked to do, with
// its data folder in a temporary home.
class MainWindowTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    FakeRuntime::Reset();
    FFakeBrowsers = std::make_unique<TFakeBrowsers>();
  }
  void TearDown() override {
    ApplicationTest::TearDown();
    FinalizeRuntimeBinding();
    FakeRuntime::Reset();
    FFakeBrowsers.reset();
  }

  void CreateMainForm() {
    Application->CreateForm(MainForm);
    ASSERT_NE(MainForm, nullptr);
  }
  void WriteConfiguration(const std::string& text) const {
    fs::create_directories(FHome.DataFolder());
    std::ofstream(FHome.DataFolder() / "config.xml", std::ios::binary) << text;
  }
  std::string ReadConfiguration() const {
    std::ifstream file(FHome.DataFolder() / "config.xml", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  // Shows the window, closes it as the user would and ends the program's window framework.
  void ShowAndClose() {
    MainForm->Show();
    MainForm->Close();
    EndWindowFramework();
  }

  TTemporaryConfigHome FHome;
  std::unique_ptr<TFakeBrowsers> FFakeBrowsers;
};

class MainFormTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    CreateMainForm();
  }
};

std::string LoadOf(const ustring& url) {
  return "load_url " + Utf16ToUtf8(url);
}

const std::string SignupLoad = LoadOf(WebAppSignupUrl());

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

TEST_F(MainFormTest, TheStateKeepingComponentsFollowInOrderWithTheirValues) {
  std::vector<std::string> names;
  for (int i = 0; i < MainForm->ComponentCount(); ++i)
    names.push_back(MainForm->Components(i)->Name());
  ASSERT_GE(names.size(), 6u);
  names.resize(6);  // the window's bars and helpers come after them
  EXPECT_THAT(names, testing::ElementsAre("Chromium", "aAppEvents", "aLogFile", "aPCInfo",
                                          "aXMLStorage", "aFormStorage"));
  EXPECT_EQ(MainForm->aLogFile->SizeLimit(), 1048576u);
  const TJvAppXMLFileStorage& storage = *MainForm->aXMLStorage;
  EXPECT_EQ(storage.StorageOptions().BooleanStringTrueValues(), "TRUE, YES, Y");
  EXPECT_EQ(storage.StorageOptions().BooleanStringFalseValues(), "FALSE, NO, N");
  EXPECT_EQ(storage.StorageOptions().WhiteSpaceReplacement(), "_");
  EXPECT_EQ(storage.StorageOptions().InvalidCharReplacement(), "_");
  EXPECT_EQ(storage.Location(), flCustom);
  EXPECT_EQ(storage.RootNodeName(), "Configuration");
  EXPECT_EQ(MainForm->aFormStorage->AppStorage(), MainForm->aXMLStorage);
  EXPECT_EQ(MainForm->aFormStorage->AppStoragePath(), "MainForm\\");
}

TEST_F(MainFormTest, CreatingTheWindowPutsLogConfigurationAndCookiesIntoTheDataFolder) {
  const fs::path folder = FHome.DataFolder();
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(MainForm->aLogFile->FileName(), (folder / "error.log").string());
  EXPECT_TRUE(MainForm->aLogFile->AutoSave());
  EXPECT_EQ(MainForm->aXMLStorage->FileName(), (folder / "config.xml").string());
  EXPECT_EQ(FakeRuntime::LastTextArgument(), Utf8ToUtf16((folder / "cache").string()));
  // The runtime was started by the browser's creation before the path is set.
  EXPECT_THAT(FakeRuntime::Calls(), testing::IsSupersetOf({"cef_browser_host_create_browser_sync",
                                                           "cookie_manager.set_storage_path"}));
  const auto& calls = FakeRuntime::Calls();
  EXPECT_LT(std::find(calls.begin(), calls.end(), "cef_browser_host_create_browser_sync"),
            std::find(calls.begin(), calls.end(), "cookie_manager.set_storage_path"));
  EXPECT_FALSE(fs::exists(folder / "config.xml")) << "written only at exit";
}

TEST_F(MainFormTest, TheFirstRunOpensTheSignUpPageAndIsOverOnceTheWindowCloses) {
  FFakeBrowsers->Log.clear();
  MainForm->Show();
  EXPECT_THAT(FFakeBrowsers->Log, testing::ElementsAre(SignupLoad));
  MainForm->Close();
  EXPECT_EQ(MainForm->aFormStorage->ReadString("FirstTime"), "No");
  EndWindowFramework();
  const std::string text = ReadConfiguration();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n", 0), 0u)
      << text;
  // The placement's values in the order they are first written, then the first-run mark.
  EXPECT_THAT(
      text,
      testing::MatchesRegex(
          "[^\n]*\n<Configuration>\r\n  <MainForm>\r\n"
          "    <FormVersion>0</FormVersion>\r\n"
          "    <ShowCmd>1</ShowCmd>\r\n"
          "    <Flags>0</Flags>\r\n"
          "    <PixelsPerInch>[0-9]+</PixelsPerInch>\r\n"
          "    "
          "<MinMaxPos_[0-9]+x[0-9]+_>-?[0-9]+,-?[0-9]+,-?[0-9]+,-?[0-9]+</"
          "MinMaxPos_[0-9]+x[0-9]+_>\r\n"
          "    <MinMaxPos>-?[0-9]+,-?[0-9]+,-?[0-9]+,-?[0-9]+</MinMaxPos>\r\n"
          "    <NormPos_[0-9]+x[0-9]+_>[0-9]+,[0-9]+,[0-9]+,[0-9]+</NormPos_[0-9]+x[0-9]+_>\r\n"
          "    <NormPos>[0-9]+,[0-9]+,[0-9]+,[0-9]+</NormPos>\r\n"
          "    <FirstTime>No</FirstTime>\r\n"
          "  </MainForm>\r\n</Configuration>\r\n"));
}

TEST_F(MainFormTest, OnlyTheExactMarketingSignUpAddressIsTurnedIntoTheSignUpPage) {
  const ustring marketing = ustring(MarketingOrigin) + u"/signup-simple-online-invoicing";
  FFakeBrowsers->Log.clear();
  for (const ustring& lookAlike : {marketing + u"/", marketing + u"?ref=ad",
                                   ustring(MarketingOrigin) + u"/Signup-Simple-Online-Invoicing"})
    MainForm->Chromium->DispatchAddressChange(nullptr, nullptr, lookAlike);
  EXPECT_THAT(FFakeBrowsers->Log, testing::IsEmpty());
  MainForm->Chromium->DispatchAddressChange(nullptr, nullptr, marketing);
  EXPECT_THAT(FFakeBrowsers->Log, testing::ElementsAre(SignupLoad));
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

TEST_F(MainFormTest, RestylingKeepsTheKeyboardFocusOfThePageAndGivesNoneToAPageWithout) {
  MainForm->Show();
  MainForm->Chromium->SetFocus();
  ASSERT_EQ(MainForm->ActiveControl(), MainForm->Chromium);
  MainForm->Chromium->DispatchLoadEnd(nullptr, FFakeBrowsers->SubFrame(LoginPageUrl()), 200);
  EXPECT_EQ(MainForm->ActiveControl(), MainForm->Chromium) << "hiding took the focus for good";

  MainForm->FindBar->SetVisible(true);
  MainForm->FindBar->FocusText();
  MainForm->Chromium->DispatchLoadEnd(nullptr, FFakeBrowsers->SubFrame(LoginPageUrl()), 200);
  EXPECT_EQ(MainForm->ActiveControl(), MainForm->FindBar);
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

class LaterRunTest : public MainWindowTest, public testing::WithParamInterface<const char*> {};

TEST_P(LaterRunTest, AnyFirstTimeValueOpensTheStartPage) {
  WriteConfiguration(std::string("<Configuration><MainForm><FirstTime>") + GetParam() +
                     "</FirstTime></MainForm></Configuration>");
  CreateMainForm();
  FFakeBrowsers->Log.clear();
  ShowAndClose();
  EXPECT_THAT(FFakeBrowsers->Log,
              testing::ElementsAre(LoadOf(ustring(WebAppOrigin)),
                                   testing::StartsWith("parent_window_will_close")));
  EXPECT_THAT(ReadConfiguration(), testing::HasSubstr("<FirstTime>No</FirstTime>"));
}

INSTANTIATE_TEST_SUITE_P(StoredValues, LaterRunTest, testing::Values("No", "Yes"));

TEST_F(MainWindowTest, AMalformedConfigurationKeepsCookiesAndIsRewrittenAtExit) {
  WriteConfiguration("<Configuration><MainForm><Flags>0</Flags></Mainform></Configuration>");
  CreateMainForm();
  EXPECT_THAT(VisibleErrorBoxTexts(), testing::IsEmpty());
  EXPECT_EQ(FakeRuntime::LastTextArgument(), Utf8ToUtf16((FHome.DataFolder() / "cache").string()));
  FFakeBrowsers->Log.clear();
  ShowAndClose();
  EXPECT_THAT(FFakeBrowsers->Log, testing::Contains(SignupLoad));
  // What was read before the error is kept; the placement updates it in place.
  EXPECT_THAT(ReadConfiguration(), testing::StartsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" "
                                                       "standalone=\"no\"?>\r\n<Configuration>\r\n"
                                                       "  <MainForm>\r\n    <Flags>0</Flags>\r\n"));
  EXPECT_THAT(
      ReadConfiguration(),
      testing::EndsWith("    <FirstTime>No</FirstTime>\r\n  </MainForm>\r\n</Configuration>\r\n"));
}

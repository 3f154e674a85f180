#include "PermissionBar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "FakeRuntimeObject.h"
#include "PageShortcutsFixture.h"
#include "ServiceNavigation.h"

namespace {

using testing::Each;
using testing::ElementsAre;
using testing::IsEmpty;

class TFakePermissionCallback final : public TFake<ICefPermissionCallback> {
 public:
  void cont(bool allow) override { Answers.push_back(allow); }
  std::vector<bool> Answers;
};

// The main window on the fake runtime, restarted over the same data folder.
using PermissionBarTest = PageShortcutsTest;

std::vector<bool> AnswersOf(const std::vector<TRef<TFakePermissionCallback>>& callbacks) {
  std::vector<bool> answers;
  for (const auto& callback : callbacks)
    answers.insert(answers.end(), callback->Answers.begin(), callback->Answers.end());
  return answers;
}

TEST(PermissionQuestionTextTest, NamesTheHostAndWhatIsWanted) {
  const struct {
    int32_t Kinds;
    const char* Text;
  } cases[] = {
      {CORVANE_PERMISSION_NOTIFICATIONS, "app.example wants to show notifications"},
      {CORVANE_PERMISSION_CAMERA, "app.example wants to use your camera"},
      {CORVANE_PERMISSION_MICROPHONE, "app.example wants to use your microphone"},
      {CORVANE_PERMISSION_CAMERA | CORVANE_PERMISSION_MICROPHONE,
       "app.example wants to use your camera and microphone"},
      {CORVANE_PERMISSION_GEOLOCATION, "app.example wants to know your location"},
      {CORVANE_PERMISSION_CLIPBOARD_READ, "app.example wants to read your clipboard"},
  };
  for (const auto& [kinds, text] : cases)
    EXPECT_EQ(PermissionQuestionText("https://app.example:8443", kinds), text);
  EXPECT_EQ(PermissionQuestionText("http://[::1]:18741", CORVANE_PERMISSION_NOTIFICATIONS),
            "[::1] wants to show notifications");
}

// A page asking a thousand times gets one question; what is kept is given without asking after
// a restart, and a page of another site is refused without asking.
TEST_F(PermissionBarTest, OneQuestionPerOriginAndKindsAnsweredForAllAndKeptAcrossARestart) {
  const std::string app = Utf16ToUtf8(WebAppOrigin);
  const std::string site = Utf16ToUtf8(MarketingOrigin);
  const int32_t camera = CORVANE_PERMISSION_CAMERA;
  const int32_t notifications = CORVANE_PERMISSION_NOTIFICATIONS;
  auto ask = [](const std::string& origin, int32_t kinds) {
    TRef<TFakePermissionCallback> callback(new TFakePermissionCallback);
    MainForm->PermissionBar->PermissionRequested(origin, kinds, callback);
    return callback;
  };
  EXPECT_EQ(FakeRuntime::CallCount("corvane_set_page_request_handler"), 0) << "set at start";

  std::vector<TRef<TFakePermissionCallback>> flood;
  for (int i = 0; i < 1000; ++i) flood.push_back(ask(app, notifications));
  const TRef<TFakePermissionCallback> devices = ask(site, camera);
  EXPECT_THAT(ask("http://127.0.0.1:9", notifications)->Answers, ElementsAre(false));
  EXPECT_THAT(ask(app + "/", notifications)->Answers, ElementsAre(false)) << "not the origin";

  TPermissionBar& bar = *MainForm->PermissionBar;
  EXPECT_TRUE(bar.Visible());
  EXPECT_EQ(bar.Message(), PermissionQuestionText(app, notifications));
  EXPECT_THAT(AnswersOf(flood), Each(false)) << "the ones past those held are refused";
  const size_t refused = AnswersOf(flood).size();
  EXPECT_GT(refused, 0u);
  ASSERT_EQ(bar.ButtonCaption(0), "Allow");
  bar.ClickButton(0);
  const std::vector<bool> answers = AnswersOf(flood);
  EXPECT_EQ(answers.size(), flood.size()) << "every held request answered";
  EXPECT_EQ(size_t(std::count(answers.begin(), answers.end(), true)), flood.size() - refused)
      << "the held ones allowed";
  EXPECT_EQ(FakeRuntime::CallCount("corvane_keep_notification_permission"), 1);

  EXPECT_EQ(bar.Message(), PermissionQuestionText(site, camera)) << "the next question";
  EXPECT_THAT(devices->Answers, IsEmpty());
  ASSERT_EQ(bar.ButtonCaption(1), "Block");
  bar.ClickButton(1);
  EXPECT_THAT(devices->Answers, ElementsAre(false));
  EXPECT_FALSE(bar.Visible());

  Restart();
  EXPECT_THAT(ask(app, notifications)->Answers, ElementsAre(true));
  EXPECT_THAT(ask(site, camera)->Answers, ElementsAre(false));
  EXPECT_THAT(ask(site, camera | CORVANE_PERMISSION_MICROPHONE)->Answers, ElementsAre(false));
  EXPECT_FALSE(MainForm->PermissionBar->Visible()) << "nothing asked again";
  ask(site, CORVANE_PERMISSION_MICROPHONE);
  EXPECT_TRUE(MainForm->PermissionBar->Visible()) << "a kind never answered is asked";
}

}  // namespace

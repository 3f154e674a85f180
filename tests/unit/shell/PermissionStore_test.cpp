#include "PermissionStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "TemporaryConfigHome.h"
#include "corvane_runtime_ext.h"

namespace fs = std::filesystem;

namespace {

using testing::ElementsAre;
using testing::Pair;

constexpr char kPath[] = "MainForm\\Permissions";
constexpr char kApp[] = "http://127.0.0.1:18741";
constexpr char kSite[] = "http://127.0.0.1:18742";
constexpr int32_t kNotifications = CORVANE_PERMISSION_NOTIFICATIONS;
constexpr int32_t kCamera = CORVANE_PERMISSION_CAMERA;
constexpr int32_t kMicrophone = CORVANE_PERMISSION_MICROPHONE;
constexpr int32_t kLocation = CORVANE_PERMISSION_GEOLOCATION;
constexpr int32_t kClipboard = CORVANE_PERMISSION_CLIPBOARD_READ;

class PermissionStoreTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(FHome.DataFolder()); }

  std::string ConfigPath() const { return (FHome.DataFolder() / "config.xml").string(); }
  void WriteConfig(const std::string& text) const {
    std::ofstream(ConfigPath(), std::ios::binary) << text;
  }
  // A storage reading the file as the program does at start; it writes the file when it goes.
  TOwnedComponent<TJvAppXMLFileStorage> OpenStorage() const {
    TOwnedComponent<TJvAppXMLFileStorage> storage(new TJvAppXMLFileStorage(nullptr));
    storage->SetLocation(flCustom);
    storage->SetRootNodeName("Configuration");
    storage->SetFileName(ConfigPath());
    return storage;
  }

  TTemporaryConfigHome FHome;
};

TEST_F(PermissionStoreTest, NothingAnsweredLeavesTheFileAsItWas) {
  OpenStorage()->WriteString("MainForm\\FirstTime", "No");
  const std::string before = ReadFileContents(ConfigPath());
  {
    auto storage = OpenStorage();
    TPermissionStore store(*storage, kPath);
    EXPECT_EQ(store.Answer(kApp, kNotifications), std::nullopt);
    EXPECT_TRUE(store.NotificationAnswers().empty());
  }
  EXPECT_EQ(ReadFileContents(ConfigPath()), before);
}

TEST_F(PermissionStoreTest, AnswersComeBackAfterARestartPerOriginAndKind) {
  OpenStorage()->WriteString("MainForm\\FirstTime", "No");
  {
    auto storage = OpenStorage();
    TPermissionStore store(*storage, kPath);
    store.Keep(kApp, kNotifications, false);
    store.Keep(kApp, kNotifications, true);  // the later answer counts
    store.Keep(kApp, kCamera | kMicrophone, false);
    store.Keep(kSite, kLocation, true);
    store.Keep(kSite, kNotifications, false);
  }
  const std::string written = ReadFileContents(ConfigPath());
  EXPECT_NE(written.find("<FirstTime>No</FirstTime>"), std::string::npos) << written;

  auto storage = OpenStorage();
  TPermissionStore store(*storage, kPath);
  EXPECT_EQ(store.Answer(kApp, kNotifications), true);
  EXPECT_EQ(store.Answer(kApp, kCamera), false);
  EXPECT_EQ(store.Answer(kApp, kMicrophone), false);
  EXPECT_EQ(store.Answer(kApp, kLocation), std::nullopt) << "never asked";
  EXPECT_EQ(store.Answer(kSite, kLocation), true);
  EXPECT_EQ(store.Answer(kSite, kLocation | kClipboard), std::nullopt) << "one kind unanswered";
  EXPECT_EQ(store.Answer(kSite, kLocation | kNotifications), false) << "one kind blocked";
  EXPECT_EQ(store.Answer(kSite, 0), std::nullopt);
  EXPECT_EQ(store.Answer("http://127.0.0.1:9", kNotifications), std::nullopt);
  EXPECT_THAT(store.NotificationAnswers(), ElementsAre(Pair(kApp, true), Pair(kSite, false)));
}

// A hand edit or a broken disk: only the items that make sense count, and the next answer
// writes a clean list.
TEST_F(PermissionStoreTest, ItemsThatMakeNoSenseAreSkipped) {
  const std::string items[] = {
      std::string(kApp) + " camera allow",
      std::string(kApp) + " microphone maybe",
      std::string(kApp) + " everything allow",
      "127.0.0.1:18741 geolocation allow",
      std::string(kApp) + "/path clipboard-read allow",
      std::string(kSite) + " notifications block extra",
      "",
  };
  std::string list = "<Permissions><Count>" + std::to_string(std::size(items)) + "</Count>";
  for (size_t index = 0; index < std::size(items); ++index)
    list += "<Item" + std::to_string(index) + ">" + items[index] + "</Item" +
            std::to_string(index) + ">";
  WriteConfig("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Configuration><MainForm>" + list +
              "</Permissions>" + "</MainForm></Configuration>");
  {
    auto storage = OpenStorage();
    TPermissionStore store(*storage, kPath);
    EXPECT_EQ(store.Answer(kApp, kCamera), true);
    EXPECT_EQ(store.Answer(kApp, kMicrophone), std::nullopt);
    EXPECT_EQ(store.Answer(kApp, kLocation), std::nullopt);
    EXPECT_EQ(store.Answer(kApp, kClipboard), std::nullopt);
    EXPECT_TRUE(store.NotificationAnswers().empty());
    store.Keep(kApp, kClipboard, false);
  }
  auto storage = OpenStorage();
  TPermissionStore store(*storage, kPath);
  EXPECT_EQ(storage->ReadInteger("MainForm\\Permissions\\Count", -1), 2);
  EXPECT_EQ(store.Answer(kApp, kCamera | kClipboard), false);
}

TEST_F(PermissionStoreTest, AnOutOfRangeCountReadsAsNoAnswers) {
  WriteConfig(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Configuration><MainForm><Permissions>"
      "<Count>2147483647</Count></Permissions></MainForm></Configuration>");
  auto storage = OpenStorage();
  TPermissionStore store(*storage, kPath);
  EXPECT_EQ(store.Answer(kApp, kNotifications), std::nullopt);
}

TEST(PermissionKindNameTest, NamesOneKindAtATime) {
  EXPECT_EQ(PermissionKindName(kNotifications), "notifications");
  EXPECT_EQ(PermissionKindName(kClipboard), "clipboard-read");
  EXPECT_EQ(PermissionKindName(kCamera | kMicrophone), "");
  EXPECT_EQ(PermissionKindName(0), "");
}

}  // namespace

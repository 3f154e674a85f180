#include "DataFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "JvComputerInfoEx.h"
#include "JvLogFile.h"
#include "ScopedEnvironment.h"
#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;

namespace {

class DataFolderTest : public testing::Test {
 protected:
  TTemporaryConfigHome FHome;
  TOwnedComponent<TJvLogFile> FLogFile{new TJvLogFile(nullptr)};
  TOwnedComponent<TJvAppXMLFileStorage> FStorage{new TJvAppXMLFileStorage(nullptr)};

  void SetUp() override {
    FStorage->SetLocation(flCustom);
    // These tests only read: nothing is written back when the storage goes.
    FStorage->SetFlushOnDestroy(false);
  }
};

}  // namespace

TEST_F(DataFolderTest, TheDataFolderLiesInTheApplicationDataFolder) {
  TOwnedComponent<TJvComputerInfoEx> info(new TJvComputerInfoEx(nullptr));
  EXPECT_EQ(DataFolderPath(*info), FHome.DataFolder().string());

  TScopedEnvironment noConfigHome("XDG_CONFIG_HOME", nullptr);
  TScopedEnvironment noHome("HOME", nullptr);
  const passwd* account = ::getpwuid(::getuid());
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(DataFolderPath(*info), std::string(account->pw_dir) + "/.config/Corvane")
      << "without HOME the account's own home, not the root of the file system";
}

TEST_F(DataFolderTest, PreparingCreatesTheFolderAndPointsLogAndConfigurationIntoIt) {
  const fs::path folder = FHome.DataFolder() / "deeper";
  fs::create_directories(FHome.DataFolder());
  WriteFileBytes(FHome.DataFolder() / "stale.txt", "kept");

  PrepareDataFolder(folder.string(), *FLogFile, *FStorage);
  EXPECT_TRUE(fs::is_directory(folder)) << "missing parents and the folder are created";
  EXPECT_EQ(FLogFile->FileName(), (folder / "error.log").string());
  EXPECT_TRUE(FLogFile->AutoSave());
  EXPECT_EQ(FStorage->FileName(), (folder / "config.xml").string());
  FLogFile->Add("title", "saved at once");
  EXPECT_TRUE(fs::exists(folder / "error.log"));

  // A second start finds the folder and the files the first one left.
  WriteFileBytes(folder / "config.xml",
                 "<Configuration><MainForm><FirstTime>No</FirstTime></MainForm></Configuration>");
  TOwnedComponent<TJvLogFile> nextLogFile(new TJvLogFile(nullptr));
  TOwnedComponent<TJvAppXMLFileStorage> nextStorage(new TJvAppXMLFileStorage(nullptr));
  nextStorage->SetLocation(flCustom);
  PrepareDataFolder(folder.string(), *nextLogFile, *nextStorage);
  EXPECT_EQ(nextStorage->ReadString("MainForm\\FirstTime"), "No") << "naming the file loads it";
  EXPECT_EQ(nextLogFile->Count(), 1) << "the log file reads its earlier records";
  EXPECT_TRUE(fs::exists(FHome.DataFolder() / "stale.txt"));
}

TEST_F(DataFolderTest, AFolderThatCannotBeCreatedIsSaidOnceOnStderrAndTheProgramGoesOn) {
  const fs::path blocker = FHome.Folder() / "a-file";
  WriteFileBytes(blocker, "not a folder");
  const std::string folder = (blocker / "Corvane").string();
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(PrepareDataFolder(folder, *FLogFile, *FStorage));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_THAT(said, testing::HasSubstr(folder + " cannot be used (Not a directory)"));
  EXPECT_EQ(FLogFile->FileName(), folder + "/error.log");
  EXPECT_EQ(FStorage->FileName(), folder + "/config.xml");

  // A folder in place of the data folder's name is the same: nothing can be kept in it.
  WriteFileBytes(FHome.Folder() / "Corvane", "a file, not a folder");
  testing::internal::CaptureStderr();
  PrepareDataFolder((FHome.Folder() / "Corvane").string(), *FLogFile, *FStorage);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("(Not a directory)"));

  testing::internal::CaptureStderr();
  PrepareDataFolder(FHome.DataFolder().string(), *FLogFile, *FStorage);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a usable folder goes unmentioned";
}

TEST_F(DataFolderTest, AFolderWithoutWritePermissionIsSaidOnStderr) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write anywhere";
  fs::create_directories(FHome.DataFolder());
  fs::permissions(FHome.DataFolder(), fs::perms::owner_read | fs::perms::owner_exec);
  testing::internal::CaptureStderr();
  PrepareDataFolder(FHome.DataFolder().string(), *FLogFile, *FStorage);
  EXPECT_THAT(testing::internal::GetCapturedStderr(),
              testing::HasSubstr(FHome.DataFolder().string() + " cannot be used (Permission"));
  fs::permissions(FHome.DataFolder(), fs::perms::owner_all);
}

// Only files of our own naming whose writer has ended go; a writer that still runs may rename
// its file any moment.
TEST_F(DataFolderTest, TemporaryFilesOfEndedWritersAreRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string ended = std::to_string(child);
  const std::string living = std::to_string(::getpid());
  const fs::path folder = FHome.DataFolder();
  fs::create_directories(folder / ("config.xml." + ended + ".1.tmp"));  // not a file
  const std::vector<std::string> stale = {"config.xml." + ended + ".0.tmp",
                                          "error.log." + ended + ".17.tmp"};
  const std::vector<std::string> kept = {"config.xml." + living + ".0.tmp",
                                         "config.xml." + ended + ".0.tmp.old",
                                         "config.xml." + ended + ".x.tmp",
                                         "config.xml.0.0.tmp",
                                         "config.xml.-" + ended + ".0.tmp",
                                         "configxml." + ended + ".0.tmp",
                                         "other.txt." + ended + ".0.tmp",
                                         "config.xml.99999999999.0.tmp",
                                         "error.log"};
  for (const std::string& name : stale) WriteFileBytes(folder / name, "half written");
  for (const std::string& name : kept) WriteFileBytes(folder / name, "");

  PrepareDataFolder(folder.string(), *FLogFile, *FStorage);
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(folder / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder / name)) << name;
  EXPECT_TRUE(fs::is_directory(folder / ("config.xml." + ended + ".1.tmp")));

  EXPECT_NO_THROW(RemoveStaleTemporaryFiles((folder / "absent").string(), "config.xml"));
}

TEST_F(DataFolderTest, AMalformedConfigurationRaisesAfterTheLogFileIsReady) {
  const fs::path folder = FHome.DataFolder();
  fs::create_directories(folder);
  WriteFileBytes(folder / "config.xml", "<Configuration><MainForm></Mainform></Configuration>");
  EXPECT_ANY_THROW(PrepareDataFolder(folder.string(), *FLogFile, *FStorage));
  EXPECT_EQ(FLogFile->FileName(), (folder / "error.log").string());
  EXPECT_TRUE(FLogFile->AutoSave()) << "so the error can reach the log";
}

#include "DataFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "JvAppXMLStorage.h"
#include "JvComputerInfoEx.h"
#include "JvLogFile.h"
#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

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

  const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  EXPECT_EQ(DataFolderPath(*info), "/Corvane") << "unresolvable: at the root, as it comes";
  ::setenv("HOME", home.c_str(), 1);
}

TEST_F(DataFolderTest, PreparingCreatesTheFolderAndPointsLogAndConfigurationIntoIt) {
  const fs::path folder = FHome.DataFolder() / "deeper";
  fs::create_directories(FHome.DataFolder());
  WriteFile(FHome.DataFolder() / "stale.txt", "kept");

  PrepareDataFolder(folder.string(), *FLogFile, *FStorage);
  EXPECT_TRUE(fs::is_directory(folder)) << "missing parents and the folder are created";
  EXPECT_EQ(FLogFile->FileName(), (folder / "error.log").string());
  EXPECT_TRUE(FLogFile->AutoSave());
  EXPECT_EQ(FStorage->FileName(), (folder / "config.xml").string());
  FLogFile->Add("title", "saved at once");
  EXPECT_TRUE(fs::exists(folder / "error.log"));

  // A second start finds the folder and the files the first one left.
  WriteFile(folder / "config.xml",
            "<Configuration><MainForm><FirstTime>No</FirstTime></MainForm></Configuration>");
  TOwnedComponent<TJvLogFile> nextLogFile(new TJvLogFile(nullptr));
  TOwnedComponent<TJvAppXMLFileStorage> nextStorage(new TJvAppXMLFileStorage(nullptr));
  nextStorage->SetLocation(flCustom);
  PrepareDataFolder(folder.string(), *nextLogFile, *nextStorage);
  EXPECT_EQ(nextStorage->ReadString("MainForm\\FirstTime"), "No") << "naming the file loads it";
  EXPECT_EQ(nextLogFile->Count(), 1) << "the log file reads its earlier records";
  EXPECT_TRUE(fs::exists(FHome.DataFolder() / "stale.txt"));
}

TEST_F(DataFolderTest, AFolderThatCannotBeCreatedIsNoErrorHere) {
  const fs::path blocker = FHome.Folder() / "a-file";
  WriteFile(blocker, "not a folder");
  EXPECT_NO_THROW(PrepareDataFolder((blocker / "Corvane").string(), *FLogFile, *FStorage));
  EXPECT_EQ(FLogFile->FileName(), (blocker / "Corvane" / "error.log").string());
  EXPECT_EQ(FStorage->FileName(), (blocker / "Corvane" / "config.xml").string());
}

TEST_F(DataFolderTest, AMalformedConfigurationRaisesAfterTheLogFileIsReady) {
  const fs::path folder = FHome.DataFolder();
  fs::create_directories(folder);
  WriteFile(folder / "config.xml", "<Configuration><MainForm></Mainform></Configuration>");
  EXPECT_ANY_THROW(PrepareDataFolder(folder.string(), *FLogFile, *FStorage));
  EXPECT_EQ(FLogFile->FileName(), (folder / "error.log").string());
  EXPECT_TRUE(FLogFile->AutoSave()) << "so the error can reach the log";
}

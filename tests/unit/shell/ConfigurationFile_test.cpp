#include "ConfigurationFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileUtils.h"
#include "JclSimpleXml.h"
#include "JvAppXMLStorage.h"
#include "JvLogFile.h"
#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;

namespace {

class ConfigurationFileTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(Folder()); }

  fs::path Folder() const { return FHome.DataFolder(); }
  std::string ConfigPath() const { return (Folder() / "config.xml").string(); }
  std::string BadPath() const { return ConfigPath() + ".bad"; }
  TOwnedComponent<TJvAppXMLFileStorage> NewStorage() const {
    TOwnedComponent<TJvAppXMLFileStorage> storage(new TJvAppXMLFileStorage(nullptr));
    storage->SetLocation(flCustom);
    return storage;
  }
  // The lines the program added to its error log.
  std::vector<std::string> LogDescriptions() const {
    std::vector<std::string> lines;
    for (int i = 0; i < FLogFile->Count(); ++i)
      lines.push_back(FLogFile->GetElement(i).Description);
    return lines;
  }

  TTemporaryConfigHome FHome;
  TOwnedComponent<TJvLogFile> FLogFile{new TJvLogFile(nullptr)};
};

TEST_F(ConfigurationFileTest, AnUnreadableFileIsKeptBesideTheRewrittenOne) {
  const std::string typo =
      "<Configuration><MainForm><Flags>0</Flags><Extra>7</Extra></Mainform></Configuration>";
  WriteFileBytes(ConfigPath(), typo);
  WriteFileBytes(BadPath(), "an older unreadable file");
  {
    TOwnedComponent<TJvAppXMLFileStorage> storage = NewStorage();
    EXPECT_THROW(OpenConfigurationFile(ConfigPath(), *storage, *FLogFile), EJclSimpleXMLError);
    EXPECT_EQ(storage->ReadString("MainForm\\Flags", ""), "0") << "what was read stays";
    storage->WriteString("MainForm\\FirstTime", "No");
  }
  EXPECT_EQ(ReadFileContents(BadPath()), typo) << "the original, replacing the older copy";
  EXPECT_NE(ReadFileContents(ConfigPath()).find("<FirstTime>No</FirstTime>"), std::string::npos);
  const std::vector<std::string> lines = LogDescriptions();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(BadPath()), std::string::npos) << lines[0];
}

TEST_F(ConfigurationFileTest, AFileWithoutRootElementCountsAsUnreadable) {
  const std::string text = "root:x:0:0:root:/root:/bin/sh\n";
  for (const std::string& content : {std::string("<!-- nothing else -->"), text}) {
    WriteFileBytes(ConfigPath(), content);
    fs::remove(BadPath());
    TOwnedComponent<TJvAppXMLFileStorage> storage = NewStorage();
    try {
      OpenConfigurationFile(ConfigPath(), *storage, *FLogFile);
    } catch (const EJclSimpleXMLError&) {
      // text that is no XML at all raises as well
    }
    EXPECT_EQ(ReadFileContents(BadPath()), content);
  }
  EXPECT_EQ(LogDescriptions().size(), 2u);

  // An empty file is simply an empty configuration.
  WriteFileBytes(ConfigPath(), "");
  fs::remove(BadPath());
  TOwnedComponent<TJvAppXMLFileStorage> storage = NewStorage();
  OpenConfigurationFile(ConfigPath(), *storage, *FLogFile);
  EXPECT_FALSE(fs::exists(BadPath()));
  EXPECT_EQ(LogDescriptions().size(), 2u);
}

TEST_F(ConfigurationFileTest, ALinkIsFollowedOnlyToARegularFileOfTheUser) {
  const fs::path target = FHome.Folder() / "kept-elsewhere.xml";
  WriteFileBytes(target, "<Configuration><V>1</V></Configuration>");
  fs::create_symlink(target, ConfigPath());
  {
    TOwnedComponent<TJvAppXMLFileStorage> storage = NewStorage();
    OpenConfigurationFile(ConfigPath(), *storage, *FLogFile);
    EXPECT_EQ(storage->ReadString("V", ""), "1");
    storage->WriteString("V", "2");
  }
  EXPECT_TRUE(fs::is_symlink(ConfigPath()));
  EXPECT_NE(ReadFileContents(target.string()).find("<V>2</V>"), std::string::npos);
}

TEST_F(ConfigurationFileTest, AnyOtherLinkIsNeitherReadNorWritten) {
  const fs::path foreign = FHome.Folder() / "passwd";
  const std::string foreignText = "root:x:0:0:root:/root:/bin/sh\n";
  WriteFileBytes(foreign, foreignText);
  // Only a privileged run can give the file to another user; otherwise a file of root serves.
  const bool given = ::chown(foreign.c_str(), 65534, 65534) == 0;
  const fs::path others = given ? foreign : fs::path("/etc/passwd");
  ASSERT_NE(fs::status(others).permissions(), fs::perms::unknown);
  const struct {
    fs::path Target;
    const char* Why;
  } links[] = {{others, "another user"},
               {FHome.Folder(), "other than a regular file"},
               {FHome.Folder() / "missing.xml", "nothing that exists"}};
  for (const auto& link : links) {
    fs::remove(ConfigPath());
    fs::create_symlink(link.Target, ConfigPath());
    const std::string before =
        fs::is_regular_file(link.Target) ? ReadFileContents(link.Target.string()) : "";
    testing::internal::CaptureStderr();
    {
      TOwnedComponent<TJvAppXMLFileStorage> storage = NewStorage();
      EXPECT_NO_THROW(OpenConfigurationFile(ConfigPath(), *storage, *FLogFile));
      EXPECT_EQ(storage->FullFileName(), "") << "the storage has no file to write";
      storage->WriteString("V", "x");
    }
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find(ConfigPath()), std::string::npos) << error;
    EXPECT_NE(error.find(link.Why), std::string::npos) << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_TRUE(fs::is_symlink(ConfigPath()));
    if (fs::is_regular_file(link.Target)) {
      EXPECT_EQ(ReadFileContents(link.Target.string()), before);
    }
  }
  EXPECT_FALSE(fs::exists(FHome.Folder() / "missing.xml"));
  if (given) {
    EXPECT_EQ(ReadFileContents(foreign.string()), foreignText);
  }
}

}  // namespace

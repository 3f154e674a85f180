#include "Downloads.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;

namespace {

class DownloadFolderTest : public testing::Test {
 protected:
  std::string Folder() const { return (FHome.Folder() / "Downloads").string(); }
  std::string PathOf(const std::string& name) const { return (fs::path(Folder()) / name).string(); }
  void CreateFile(const std::string& name, const std::string& contents = "kept") const {
    fs::create_directories(Folder());
    std::ofstream(PathOf(name), std::ios::binary) << contents;
  }
  std::string Read(const std::string& name) const {
    std::ifstream file(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  TTemporaryConfigHome FHome;
};

bool IsOneSafeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.front() != '.' &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
         g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr) &&
         name.size() <= 200;
}

}  // namespace

TEST(SafeDownloadNameTest, OrdinaryNamesStayAsTheyAre) {
  EXPECT_EQ(SafeDownloadName("invoice-42.pdf"), "invoice-42.pdf");
  EXPECT_EQ(SafeDownloadName("Rechnung März 2024.pdf"), "Rechnung März 2024.pdf");
  EXPECT_EQ(SafeDownloadName("README"), "README");
  EXPECT_EQ(SafeDownloadName("report.tar.gz"), "report.tar.gz");
}

TEST(SafeDownloadNameTest, HostileNamesBecomeOneVisibleNameInsideTheFolder) {
  EXPECT_EQ(SafeDownloadName("../../.bashrc"), "_.._.bashrc");
  EXPECT_EQ(SafeDownloadName("/etc/passwd"), "_etc_passwd");
  EXPECT_EQ(SafeDownloadName("..\\..\\boot.ini"), "_.._boot.ini");
  EXPECT_EQ(SafeDownloadName("a\nb\tc\x7f\x01.pdf"), "a_b_c__.pdf");
  EXPECT_EQ(SafeDownloadName(".bashrc"), "bashrc");
  EXPECT_EQ(SafeDownloadName(" ...hidden.pdf  "), "hidden.pdf");
  for (const char* empty : {"", ".", "..", "...", "   ", " . "})
    EXPECT_EQ(SafeDownloadName(empty), "download") << '"' << empty << '"';
  for (const std::string& hostile :
       {std::string("\xff\xfe.pdf"), std::string("a\0b.pdf", 7), std::string("\xc3"),
        std::string(300, 'a') + ".pdf", std::string(".") + std::string(400, '/')})
    EXPECT_TRUE(IsOneSafeName(SafeDownloadName(hostile))) << SafeDownloadName(hostile);
}

TEST(SafeDownloadNameTest, ALongNameIsCutAtACharacterAndKeepsItsExtension) {
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "é";
  const std::string safe = SafeDownloadName(longName + ".pdf");
  EXPECT_TRUE(IsOneSafeName(safe));
  EXPECT_EQ(safe.substr(safe.size() - 4), ".pdf");
  EXPECT_EQ(safe.size(), 200u);
  // An "extension" that long is part of the name.
  EXPECT_EQ(SafeDownloadName("x." + std::string(250, 'e')), "x." + std::string(198, 'e'));
}

TEST(NumberedNameTest, TheNumberGoesBeforeTheExtension) {
  EXPECT_EQ(NumberedName("invoice-42.pdf", 0), "invoice-42.pdf");
  EXPECT_EQ(NumberedName("invoice-42.pdf", 1), "invoice-42 (1).pdf");
  EXPECT_EQ(NumberedName("invoice-42.pdf", 12), "invoice-42 (12).pdf");
  EXPECT_EQ(NumberedName("README", 2), "README (2)");
  EXPECT_EQ(NumberedName("report.tar.gz", 1), "report.tar (1).gz");
  EXPECT_EQ(NumberedName(".profile", 1), ".profile (1)");
  EXPECT_EQ(NumberedName("version 1.", 1), "version 1 (1).");
}

TEST_F(DownloadFolderTest, AFreePathSkipsEverythingThatIsThereAndWhatRunningDownloadsTook) {
  fs::create_directories(Folder());
  EXPECT_EQ(FreeDownloadPath(Folder(), "invoice-42.pdf", {}), PathOf("invoice-42.pdf"));

  CreateFile("invoice-42.pdf");
  EXPECT_EQ(FreeDownloadPath(Folder(), "invoice-42.pdf", {}), PathOf("invoice-42 (1).pdf"));
  fs::create_directory(PathOf("invoice-42 (1).pdf"));
  fs::create_symlink(PathOf("nowhere"), PathOf("invoice-42 (2).pdf"));  // dangling
  EXPECT_EQ(FreeDownloadPath(Folder(), "invoice-42.pdf", {PathOf("invoice-42 (3).pdf")}),
            PathOf("invoice-42 (4).pdf"));
  EXPECT_EQ(Read("invoice-42.pdf"), "kept");

  CreateFile("README");
  EXPECT_EQ(FreeDownloadPath(Folder(), "README", {}), PathOf("README (1)"));
}

TEST_F(DownloadFolderTest, ManyCollisionsCountOnAndATakenRangeGivesNothing) {
  for (int number = 0; number < 60; ++number) CreateFile(NumberedName("scan.png", number));
  EXPECT_EQ(FreeDownloadPath(Folder(), "scan.png", {}), PathOf("scan (60).png"));

  std::set<std::string> reserved;
  for (int number = 60; number < 10000; ++number)
    reserved.insert(PathOf(NumberedName("scan.png", number)));
  EXPECT_EQ(FreeDownloadPath(Folder(), "scan.png", reserved), std::nullopt);
}

TEST_F(DownloadFolderTest, TheFolderIsTheDesktopsSettingElseDownloadsInTheHomeFolder) {
  EXPECT_EQ(DownloadFolderOf("/data/Incoming", "/home/ann"), "/data/Incoming");
  EXPECT_EQ(DownloadFolderOf("", "/home/ann"), "/home/ann/Downloads");
}

TEST_F(DownloadFolderTest, AMissingFolderIsCreatedAndOneThatCannotTakeFilesIsRefused) {
  const std::string nested = Folder() + "/a/b";
  EXPECT_TRUE(PrepareDownloadFolder(nested));
  EXPECT_TRUE(fs::is_directory(nested));
  EXPECT_TRUE(PrepareDownloadFolder(nested)) << "an existing folder";

  CreateFile("plain-file");
  EXPECT_FALSE(PrepareDownloadFolder(PathOf("plain-file")));
  EXPECT_FALSE(PrepareDownloadFolder(PathOf("plain-file") + "/below"));
  EXPECT_EQ(Read("plain-file"), "kept");
  EXPECT_FALSE(PrepareDownloadFolder(""));

  if (geteuid() == 0) return;  // root writes everywhere
  const std::string locked = Folder() + "/locked";
  fs::create_directory(locked);
  ASSERT_EQ(chmod(locked.c_str(), 0500), 0);
  EXPECT_FALSE(PrepareDownloadFolder(locked));
  EXPECT_FALSE(PrepareDownloadFolder(locked + "/inside"));
  chmod(locked.c_str(), 0700);
}

#include "RtDownloadFiles.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(DownloadFiles, SuggestedNamesBecomeOneVisibleName) {
  const struct {
    const char* Suggested;
    const char* Safe;
  } cases[] = {
      {"invoice-42.pdf", "invoice-42.pdf"},
      {"../../x", "_.._x"},
      {"/etc/passwd", "_etc_passwd"},
      {"..\\..\\boot.ini", "_.._boot.ini"},
      {".hidden", "hidden"},
      {"..", "download"},
      {".", "download"},
      {"", "download"},
      {"  ", "download"},
      {"tab\there\n.txt", "tab_here_.txt"},
      {"name  ", "name"},
      {"bad\xff.txt", "bad\xef\xbf\xbd.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.Suggested), c.Safe) << c.Suggested;
}

TEST(DownloadFiles, LongNamesAreCutKeepingExtensionAndCharacters) {
  const std::string stem(150, 'a');
  const std::string umlauts = "\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4\xc3\xa4";
  std::string name = stem;
  for (int i = 0; i < 10; ++i) name += umlauts;
  const std::string safe = SafeFileName(name + ".pdf");
  EXPECT_LE(safe.size(), 200u);
  EXPECT_GT(safe.size(), 190u);
  EXPECT_EQ(safe.substr(safe.size() - 4), ".pdf");
  EXPECT_TRUE(g_utf8_validate(safe.c_str(), gssize(safe.size()), nullptr)) << "no cut character";
}

TEST(DownloadFiles, NumbersGoBeforeTheExtension) {
  EXPECT_EQ(NumberedName("invoice-42.pdf", 0), "invoice-42.pdf");
  EXPECT_EQ(NumberedName("invoice-42.pdf", 1), "invoice-42 (1).pdf");
  EXPECT_EQ(NumberedName("invoice-42.pdf", 12), "invoice-42 (12).pdf");
  EXPECT_EQ(NumberedName("README", 2), "README (2)");
  EXPECT_EQ(NumberedName("v1.2 release notes", 1), "v1.2 release notes (1)");
  EXPECT_EQ(NumberedName("archive.tar.gz", 1), "archive.tar (1).gz");
}

class DownloadFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* folder = g_dir_make_tmp("download-files-XXXXXX", nullptr);
    ASSERT_NE(folder, nullptr);
    Folder = folder;
    g_free(folder);
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(Folder + "/" + name) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream file(Folder + "/" + name);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  std::string Folder;
};

TEST_F(DownloadFolderTest, MoveNeverReplacesAnExistingFile) {
  Write("part", "new");
  Write("taken", "old");
  EXPECT_EQ(MoveWithoutReplacing(Folder + "/part", Folder + "/taken"), TMoveResult::Taken);
  EXPECT_EQ(Read("taken"), "old");
  EXPECT_EQ(Read("part"), "new");
  EXPECT_EQ(MoveWithoutReplacing(Folder + "/part", Folder + "/free"), TMoveResult::Moved);
  EXPECT_EQ(Read("free"), "new");
  EXPECT_FALSE(std::filesystem::exists(Folder + "/part"));
  EXPECT_EQ(MoveWithoutReplacing(Folder + "/part", Folder + "/other"), TMoveResult::Failed);
}

TEST_F(DownloadFolderTest, PartFilesAreNewHiddenAndDistinct) {
  const std::optional<std::string> first = CreatePartFile(Folder);
  const std::optional<std::string> second = CreatePartFile(Folder);
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  EXPECT_EQ(std::filesystem::path(*first).parent_path().string(), Folder);
  EXPECT_EQ(std::filesystem::path(*first).filename().string().front(), '.');
  EXPECT_EQ(std::filesystem::file_size(*first), 0u);
  EXPECT_FALSE(CreatePartFile(Folder + "/missing"));
}

TEST_F(DownloadFolderTest, DanglingLinkTakesItsName) {
  ASSERT_EQ(symlink((Folder + "/nowhere").c_str(), (Folder + "/link").c_str()), 0);
  EXPECT_TRUE(PathIsTaken(Folder + "/link"));
  EXPECT_FALSE(PathIsTaken(Folder + "/free"));
}

}  // namespace

#include "JvLogFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "DateUtils.h"
#include "StandardErrors.h"
#include "TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// What a full save of the log writes.
std::string FullSave(const TJvLogFile& log) {
  std::ostringstream out;
  log.SaveToStream(out);
  return out.str();
}

std::vector<std::string> Titles(const TJvLogFile& log) {
  std::vector<std::string> titles;
  for (int i = 0; i < log.Count(); ++i) titles.push_back(log.GetElement(i).Title);
  return titles;
}

void LoadText(TJvLogFile& log, const std::string& bytes) {
  std::istringstream in(bytes);
  log.LoadFromStream(in);
}

ino_t InodeOf(const fs::path& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class JvLogFileTest : public testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (FDir / name).string(); }

  TTemporaryFolder FDir{"corvane-logfile"};
};

}  // namespace

TEST_F(JvLogFileTest, StartsWithTheDocumentedDefaults) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  EXPECT_TRUE(log.Active());
  EXPECT_FALSE(log.AutoSave());
  EXPECT_EQ(log.SizeLimit(), 0u);
  EXPECT_EQ(log.Severity(), lesInformation);
  EXPECT_EQ(log.DefaultSeverity(), lesError);
  EXPECT_EQ(log.Count(), 0);
}

TEST_F(JvLogFileTest, AutoSaveNeedsAFileName) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.SetAutoSave(true);
  EXPECT_FALSE(log.AutoSave());
  log.SetFileName(PathOf("error.log"));
  EXPECT_FALSE(log.AutoSave());
  log.SetAutoSave(true);
  EXPECT_TRUE(log.AutoSave());
  log.Add("t", "title", "");
  EXPECT_EQ(ReadBytes(PathOf("error.log")), "[t]Error>title>\r\n");
}

TEST_F(JvLogFileTest, AddOverloadsFillTimeAndSeverity) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.Add("shell entry", "");
  log.SetDefaultSeverity(lesWarning);
  log.Add("fixed time", "title", "description");
  log.Add("now", lesInformation, "d");
  log.Add("t", "all four", lesError, "d");

  ASSERT_EQ(log.Count(), 4);
  EXPECT_EQ(log.GetElement(0).Severity, lesError);
  EXPECT_TRUE(TextToDateTime(log.GetElement(0).Time)) << log.GetElement(0).Time;
  EXPECT_EQ(log.GetElement(0).Time.size(), 19u);
  EXPECT_EQ(log.GetElement(1).Time, "fixed time");
  EXPECT_EQ(log.GetElement(1).Severity, lesWarning);
  EXPECT_EQ(log.GetElement(2).Severity, lesInformation);
  EXPECT_TRUE(TextToDateTime(log.GetElement(2).Time));
  EXPECT_EQ(log.GetElement(3).Title, "all four");
}

TEST_F(JvLogFileTest, SeverityAndActiveFilterAdditions) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.SetSeverity(lesError);
  log.Add("t", "warning", lesWarning, "");
  log.Add("t", "information", lesInformation, "");
  log.Add("t", "error", lesError, "");
  log.SetSeverity(lesWarning);
  log.Add("t", "warning", lesWarning, "");
  log.Add("t", "information", lesInformation, "");
  log.SetActive(false);
  log.Add("t", "inactive", lesError, "");
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"error", "warning"}));
}

TEST_F(JvLogFileTest, SizeLimitKeepsTheNewestLinesThatReachIt) {
  // Every line below is 15 units long: "[t]Error>rNN>\r\n".
  constexpr uint32_t kLine = 15;
  struct Case {
    uint32_t limit;
    int kept;
  };
  for (const Case c : {Case{0, 10},
                       {3 * kLine - 1, 3},
                       {3 * kLine, 3},
                       {3 * kLine + 1, 4},
                       {1, 1},
                       {10 * kLine, 10}}) {
    TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
    TJvLogFile& log = *logOwner;
    log.SetSizeLimit(c.limit);
    for (int i = 0; i < 10; ++i) log.Add("t", "r" + std::to_string(10 + i), "");
    ASSERT_EQ(GetOutputString(log.GetElement(0)).size(), kLine);
    ASSERT_EQ(log.Count(), c.kept) << "limit " << c.limit;
    EXPECT_EQ(log.GetElement(log.Count() - 1).Title, "r19");
    EXPECT_EQ(log.GetElement(0).Title, "r" + std::to_string(20 - c.kept));
  }
}

TEST_F(JvLogFileTest, SizeLimitCountsUtf16UnitsAndKeepsAnOverlongRecord) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.SetSizeLimit(30);
  log.Add("t", "a", "");
  log.Add("t", "b", "");
  log.Add("t", std::string(100, 'x'), "");
  EXPECT_EQ(log.Count(), 1) << "the overlong record drops every older one";
  EXPECT_EQ(log.GetElement(0).Title.size(), 100u);

  // Each line below is 14 UTF-16 units but 16 bytes; the emoji is one code point, two units.
  for (const auto& [limit, kept] : {std::pair{28u, 2}, {29u, 3}}) {
    TOwnedComponent<TJvLogFile> unicodeOwner(new TJvLogFile(nullptr));
    TJvLogFile& unicode = *unicodeOwner;
    unicode.SetSizeLimit(limit);
    unicode.Add("t", "\xC3\xA9\xC3\xA9", "");
    unicode.Add("t", "\xF0\x9F\x98\x80", "");
    unicode.Add("t", "\xC3\xA9\xC3\xA9", "");
    EXPECT_EQ(unicode.Count(), kept) << "limit " << limit;
  }
}

TEST_F(JvLogFileTest, LoadingOverTheLimitKeepsAllUntilTheNextAddition) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "[t]Error>r" + std::to_string(10 + i) + ">\r\n";
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.SetSizeLimit(3 * 15);
  LoadText(log, text);
  EXPECT_EQ(log.Count(), 20);
  log.Add("t", "r30", "");
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"r28", "r29", "r30"}));
}

TEST_F(JvLogFileTest, SavesAndLoadsTheExactLines) {
  const std::string file = PathOf("error.log");
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.Add("2024-05-06 07:08:09", "Exception EFoo: a > b", "");
  log.Add("2024-05-06 07:08:10", "title", lesWarning, "x>y");
  log.SaveToFile(file);
  EXPECT_EQ(ReadBytes(file),
            "[2024-05-06 07:08:09]Error>Exception EFoo: a >> b>\r\n"
            "[2024-05-06 07:08:10]Warning>title>x>y\r\n");

  TOwnedComponent<TJvLogFile> readerOwner(new TJvLogFile(nullptr));

  TJvLogFile& reader = *readerOwner;
  reader.LoadFromFile(file);
  ASSERT_EQ(reader.Count(), 2);
  EXPECT_EQ(reader.GetElement(0).Title, "Exception EFoo: a > b");
  EXPECT_EQ(reader.GetElement(1).Description, "x>y");
  EXPECT_EQ(reader.GetElement(1).Severity, lesWarning);
  EXPECT_EQ(FullSave(reader), ReadBytes(file));
}

TEST_F(JvLogFileTest, LoadingDecodesLineBreaksAndByteOrderMarks) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  LoadText(log, "[1]Error>a>\r[2]Error>b>\n[3]Error>c>\r\n\r\nnot a record\n[4]Error>d>");
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"a", "b", "c", "d"}));

  LoadText(log, "\xEF\xBB\xBF[1]Error>caf\xC3\xA9>");
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.GetElement(0).Time, "1");
  EXPECT_EQ(log.GetElement(0).Title, "caf\xC3\xA9");

  static const char utf16leBytes[] = "\xFF\xFE[\0t\0]\0E\0r\0r\0o\0r\0>\0\xE9\0>\0\r\0\n\0";
  const std::string utf16le(utf16leBytes, sizeof utf16leBytes - 1);
  LoadText(log, utf16le);
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.GetElement(0).Title, "\xC3\xA9");
  EXPECT_EQ(log.GetElement(0).Severity, lesError);

  static const char utf16beBytes[] = "\xFE\xFF\0[\0t\0]\0W\0a\0r\0n\0i\0n\0g\0>\0x";
  const std::string utf16be(utf16beBytes, sizeof utf16beBytes - 1);
  LoadText(log, utf16be);
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.GetElement(0).Severity, lesWarning);
  EXPECT_EQ(log.GetElement(0).Title, "x");

  LoadText(log, "[t]Error>bad \xFF\xC3 bytes>");
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.GetElement(0).Title, "bad \xEF\xBF\xBD\xEF\xBF\xBD bytes");
}

TEST_F(JvLogFileTest, MultiLineDescriptionsSpreadOverLines) {
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.Add("t", "title", "first\r\nsecond [x]Error>y>z");
  EXPECT_EQ(FullSave(log), "[t]Error>title>first\r\nsecond [x]Error>y>z\r\n");
  LoadText(log, FullSave(log));
  ASSERT_EQ(log.Count(), 2);
  EXPECT_EQ(log.GetElement(0).Description, "first");
  EXPECT_EQ(log.GetElement(1).Time, "x");
}

TEST_F(JvLogFileTest, HostileBytesLoadIntoRecordsThatWriteBackTheSame) {
  std::mt19937 random(20240506);
  const std::string alphabet = std::string("[]>\r\n\xC3\xA9\xFF\xFE\0abcError", 18);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 200, '\0');
    for (char& c : bytes) c = alphabet[random() % alphabet.size()];
    TOwnedComponent<TJvLogFile> firstOwner(new TJvLogFile(nullptr));
    TJvLogFile& first = *firstOwner;
    LoadText(first, bytes);
    const std::string saved = FullSave(first);
    TOwnedComponent<TJvLogFile> secondOwner(new TJvLogFile(nullptr));
    TJvLogFile& second = *secondOwner;
    LoadText(second, saved);
    EXPECT_EQ(FullSave(second), saved) << testing::PrintToString(bytes);
  }
}

TEST_F(JvLogFileTest, FileNameLoadsAnExistingFileOnly) {
  const std::string existing = PathOf("existing.log");
  WriteBytes(existing, "[t]Error>from file>\r\n");
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.Add("t", "in memory", "");
  log.SetFileName(PathOf("missing.log"));
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"in memory"}));
  log.SetFileName(existing);
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"from file"}));
  log.SetFileName(FDir.Path().string());  // a folder is not a log file to load
  EXPECT_EQ(log.Count(), 1);
}

TEST_F(JvLogFileTest, ReportsFilesThatCannotBeOpenedOrCreated) {
  const std::string pipe = PathOf("pipe.log");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  try {
    log.SetFileName(pipe);
    ADD_FAILURE() << "a pipe was loaded";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + pipe + "\". Not a regular file");
  }
  EXPECT_EQ(log.FileName(), pipe);

  WriteBytes(PathOf("plain"), "");
  const std::string impossible = PathOf("plain") + "/error.log";
  log.SetFileName(impossible);
  log.SetAutoSave(true);
  try {
    log.Add("t", "kept", "");
    ADD_FAILURE() << "saving under a file succeeded";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + impossible + "\". Not a directory");
  }
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"kept"}));
  EXPECT_THROW(log.Delete(1), EListError);
  EXPECT_THROW(log.GetElement(-1), EListError);
  log.SetAutoSave(false);
}

TEST_F(JvLogFileTest, ReplacingKeepsLinksAndPermissions) {
  const std::string target = PathOf("target.log");
  const std::string link = PathOf("error.log");
  WriteBytes(target, "[t]Error>old>\r\n");
  ::chmod(target.c_str(), 0640);
  fs::create_symlink(target, link);

  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));

  TJvLogFile& log = *logOwner;
  log.SetFileName(link);
  log.SetAutoSave(true);
  log.Clear();
  log.Add("t", "new", "");
  log.Delete(0);
  log.Add("t", "newest", "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[t]Error>newest>\r\n");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  for (const auto& entry : fs::directory_iterator(FDir.Path()))
    EXPECT_EQ(entry.path().extension(), ".log") << "left behind: " << entry.path();
}

// Appending the newest line must leave exactly the bytes a full rewrite would, whatever
// happened to the list or the file in between.
TEST_F(JvLogFileTest, FileAlwaysEqualsAFullSave) {
  const std::string file = PathOf("error.log");
  TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
  TJvLogFile& log = *logOwner;
  log.SetFileName(file);
  log.SetAutoSave(true);
  int serial = 0;
  auto add = [&](std::string_view title = "entry") {
    const int number = serial++;
    log.Add("2024-01-01 00:00:00", std::string(title) + " " + std::to_string(number),
            number % 3 ? "" : "d>e");
  };
  auto expectSaved = [&](const char* step) {
    EXPECT_EQ(ReadBytes(log.FileName()), FullSave(log)) << "after " << step;
  };

  for (int i = 0; i < 5; ++i) add("a > b");
  expectSaved("first additions");
  const ino_t inode = InodeOf(file);
  add();
  EXPECT_EQ(InodeOf(file), inode) << "an untrimmed addition appends in place";
  expectSaved("an append");

  log.SetSizeLimit(200);
  for (int i = 0; i < 12; ++i) add();
  expectSaved("additions with trimming");
  log.SetSizeLimit(0);

  std::ofstream(file, std::ios::app) << "[x]Error>written by someone else>\r\n";
  add();
  expectSaved("an external append");

  std::string same = ReadBytes(file);
  same[1] = '3';
  WriteBytes(file, same);
  const timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  add();
  expectSaved("an external change of the same size");

  fs::remove(file);
  add();
  expectSaved("an external removal");

  log.Delete(2);
  expectSaved("a deletion");
  add();
  expectSaved("an addition after a deletion");

  log.SetAutoSave(false);
  add();
  add();
  log.SetAutoSave(true);
  add();
  expectSaved("additions while auto-save was off");

  const std::string other = PathOf("other.log");
  WriteBytes(other, "[o]Warning>loaded>\r\n\r\ncontinuation\n");
  log.LoadFromFile(other);
  add();
  expectSaved("a load");

  const std::string before = ReadBytes(file);
  log.SetFileName(other);
  log.SetAutoSave(true);
  EXPECT_EQ(Titles(log), (std::vector<std::string>{"loaded"}));
  add();
  expectSaved("a switch to an existing file");
  EXPECT_EQ(ReadBytes(file), before) << "the earlier file is left alone";

  log.SetFileName(PathOf("new.log"));
  add();
  expectSaved("a switch to a new file");

  log.SaveToFile(file);
  add();
  expectSaved("a save to another file");

  log.Clear();
  expectSaved("clearing");
  add();
  expectSaved("an addition after clearing");
}

TEST_F(JvLogFileTest, DestructionSavesOnceMore) {
  const std::string file = PathOf("error.log");
  std::string expected;
  {
    TOwnedComponent<TJvLogFile> logOwner(new TJvLogFile(nullptr));
    TJvLogFile& log = *logOwner;
    log.SetFileName(file);
    log.SetAutoSave(true);
    log.Add("t", "kept", "");
    expected = FullSave(log);
    WriteBytes(file, "tampered");
  }
  EXPECT_EQ(ReadBytes(file), expected);
}

// An exit without new records must not cost a rewrite with its flush to the disk.
TEST_F(JvLogFileTest, DestructionLeavesAFileThatHoldsTheLinesAlone) {
  const std::string file = PathOf("error.log");
  WriteBytes(file, "[2026-01-02 03:04:05]Error>earlier>run\r\n");
  const ino_t before = InodeOf(file);
  {
    TOwnedComponent<TJvLogFile> log(new TJvLogFile(nullptr));
    log->SetFileName(file);
    log->SetAutoSave(true);
  }
  EXPECT_EQ(InodeOf(file), before) << "replaced although nothing changed";

  // A line the list cannot hold is a change: the file is brought back to the list.
  WriteBytes(file, "[2026-01-02 03:04:05]Error>earlier>run\r\nno record here\r\n");
  {
    TOwnedComponent<TJvLogFile> log(new TJvLogFile(nullptr));
    log->SetFileName(file);
    log->SetAutoSave(true);
  }
  EXPECT_EQ(ReadBytes(file), "[2026-01-02 03:04:05]Error>earlier>run\r\n");
}

namespace {

// Adding in updates saves less often but leaves the file as adding one by one does, trimming
// at the size limit included.
TEST(JvLogFileUpdate, AnUpdateSavesOnceWhatAdditionsOneByOneWouldHaveSaved) {
  const TTemporaryFolder folder("corvane-logupdate");
  TOwnedComponent<TJvLogFile> single{new TJvLogFile(nullptr)};
  TOwnedComponent<TJvLogFile> batched{new TJvLogFile(nullptr)};
  for (TJvLogFile* log : {single.get(), batched.get()}) {
    log->SetSizeLimit(2000);
    log->SetFileName((folder / (log == single.get() ? "single.log" : "batched.log")).string());
    log->SetAutoSave(true);
  }
  int serial = 0;
  for (int round = 0; round < 40; ++round) {
    batched->BeginUpdate();
    for (int entry = 0; entry < round % 7 + 1; ++entry, ++serial) {
      const std::string title = std::string(serial % 50, 'x') + ">" + std::to_string(serial);
      single->Add("2024-01-01 00:00:00", title, "");
      batched->Add("2024-01-01 00:00:00", title, "");
    }
    batched->EndUpdate();
    ASSERT_EQ(ReadFileContents(batched->FileName()), ReadFileContents(single->FileName()))
        << "round " << round;
  }
  EXPECT_LT(std::filesystem::file_size(single->FileName()), 2200u);
}

TEST(JvLogFileUpdate, NothingIsSavedBeforeTheUpdateEnds) {
  const TTemporaryFolder folder("corvane-logupdate");
  const std::filesystem::path file = folder / "update.log";
  TOwnedComponent<TJvLogFile> log{new TJvLogFile(nullptr)};
  log->SetFileName(file.string());
  log->SetAutoSave(true);
  log->BeginUpdate();
  log->Add("first", "");
  log->BeginUpdate();
  log->Add("second", "");
  log->EndUpdate();
  EXPECT_FALSE(std::filesystem::exists(file));
  log->EndUpdate();
  const std::string text = ReadFileContents(file.string());
  EXPECT_NE(text.find("Error>first>"), std::string::npos);
  EXPECT_NE(text.find("Error>second>"), std::string::npos);
}

}  // namespace

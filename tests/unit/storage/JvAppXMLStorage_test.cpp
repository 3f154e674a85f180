#include "JvAppXMLStorage.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "FileUtils.h"
#include "ScopedEnvironment.h"
#include "SystemFolders.h"
#include "TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;

using TStoragePtr = TOwnedComponent<TJvAppXMLFileStorage>;

// The storage as the program configures it: custom location, both name replacements.
TStoragePtr MakeStorage() {
  TStoragePtr storage(new TJvAppXMLFileStorage(nullptr));
  storage->SetLocation(flCustom);
  storage->StorageOptions().SetWhiteSpaceReplacement("_");
  storage->StorageOptions().SetInvalidCharReplacement("_");
  return storage;
}

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) (text += line) += "\r\n";
  return text;
}

const std::string Header = R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)";

class XMLStorageTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
  void WriteFile(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  std::string ReadFile(const std::string& name) const { return ReadFileContents(PathOf(name)); }
  // A storage on the file name in the folder, loaded as the program loads it.
  TStoragePtr Open(const std::string& name) const {
    TStoragePtr storage = MakeStorage();
    storage->SetFileName(PathOf(name));
    return storage;
  }

  TTemporaryFolder FDir{"xmlstorage"};
};

TEST_F(XMLStorageTest, OneValueGivesTheExactTextInMemoryAndOnDisk) {
  TStoragePtr storage = Open("config.xml");
  EXPECT_EQ(storage->ReadString("MainForm\\FirstTime", ""), "");
  EXPECT_FALSE(storage->Xml().Root().HasItems()) << "a read must not create elements";

  storage->WriteString("MainForm\\FirstTime", "No");
  const std::string expected =
      Lines({Header, "<Configuration>", "  <MainForm>", "    <FirstTime>No</FirstTime>",
             "  </MainForm>", "</Configuration>"});
  EXPECT_EQ(storage->AsString(), expected);
  EXPECT_FALSE(fs::exists(PathOf("config.xml"))) << "only the exit writes the file";
  storage.reset();
  EXPECT_EQ(ReadFile("config.xml"), expected) << "no byte-order mark, the same text";

  // Loaded again, a second exit keeps the form.
  storage = Open("config.xml");
  EXPECT_EQ(storage->ReadString("MainForm\\FirstTime", ""), "No");
  storage.reset();
  EXPECT_EQ(ReadFile("config.xml"), expected);
}

TEST_F(XMLStorageTest, EntitiesAreEscapedInTheFileAndReadBack) {
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("Text", "a<b&c");
  storage.reset();
  EXPECT_NE(ReadFile("config.xml").find("<Text>a&lt;b&amp;c</Text>"), std::string::npos);
  EXPECT_EQ(Open("config.xml")->ReadString("Text", ""), "a<b&c");
}

TEST_F(XMLStorageTest, ElementNamesAreConvertedOrRefused) {
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("Form\\Normal Pos(800x600)", "1");
  EXPECT_EQ(storage->Xml().Root().Items().ItemNamed("Form")->Items().Item(0)->Name(),
            "Normal_Pos_800x600_");
  EXPECT_EQ(storage->ReadString("Form\\Normal Pos(800x600)", ""), "1");
  EXPECT_EQ(storage->ConvertNodeName("caf\u00e9 x"), "caf__x") << "one replacement per character";

  TJvAppXMLStorageOptions& options = storage->StorageOptions();
  options.SetWhiteSpaceReplacement("");
  try {
    storage->WriteString("Normal Pos", "1");
    FAIL() << "a blank was accepted without a replacement";
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(),
                 "XML Node names cannot contain white space and the WhiteSpaceReplacement "
                 "property is empty. Please set the WhiteSpaceReplacementProperty to a non "
                 "empty value.");
  }
  EXPECT_THROW(storage->ReadString("Normal Pos", ""), EJVCLException);
  // A folder name that cannot be converted makes the value missing, without an error.
  EXPECT_EQ(storage->ReadString("Normal Pos\\X", "d"), "d");

  options.SetInvalidCharReplacement("");
  try {
    storage->ConvertNodeName("a(b");
    FAIL() << "an invalid character was accepted without a replacement";
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(),
                 "XML Node names cannot contain invalid chars (\"(\") and the "
                 "InvalidCharReplacement property is empty. Please set the "
                 "InvalidCharReplacement to a non empty value.");
  }

  options.SetWhiteSpaceReplacement("_-");
  try {
    options.SetWhiteSpaceReplacement("a b");
    FAIL();
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(), "The WhiteSpaceReplacement property cannot contain any white spaces.");
  }
  try {
    options.SetInvalidCharReplacement("x(");
    FAIL();
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(),
                 "\"(\" is not an allowed character for the InvalidCharReplacement "
                 "property.");
  }
  EXPECT_EQ(options.WhiteSpaceReplacement(), "_-");
  EXPECT_EQ(options.InvalidCharReplacement(), "");
  EXPECT_EQ(storage->ConvertNodeName("a b"), "a_-b");

  EXPECT_THROW(storage->SetRootNodeName(""), EPropertyError);
  EXPECT_EQ(storage->RootNodeName(), "Configuration");
}

TEST_F(XMLStorageTest, FileStructureCornerCases) {
  WriteFile("foreign.xml", "<Settings><X>1</X><a>first</a><A>last</A></Settings>");
  TStoragePtr storage = Open("foreign.xml");
  // A foreign root keeps its name; our values live in a "Configuration" child below it.
  EXPECT_EQ(storage->RootNodeName(), "Settings");
  EXPECT_EQ(storage->ReadString("X", "none"), "none");
  storage->WriteString("Y", "2");
  EXPECT_EQ(storage->Xml().Root().Items().ItemNamed("Configuration")->Items().Value("Y"), "2");

  // Same-name siblings: the last one is read and deleted.
  storage->SetRootNodeName("Settings");
  EXPECT_EQ(storage->ReadString("a", ""), "last");
  storage->DeleteValue("A");
  EXPECT_EQ(storage->ReadString("a", ""), "first");

  // A value that becomes a folder loses its text in the file.
  storage->WriteString("B", "text");
  storage->WriteString("B\\C", "child");
  storage.reset();
  EXPECT_NE(ReadFile("foreign.xml").find(Lines({"  <B>", "    <C>child</C>", "  </B>"})),
            std::string::npos);
}

TEST_F(XMLStorageTest, ReadOnlyFileLoadsAndIsNeverWritten) {
  const std::string original = "<Configuration><V>1</V></Configuration>";
  WriteFile("config.xml", original);
  ::chmod(PathOf("config.xml").c_str(), 0444);
  TStoragePtr storage = Open("config.xml");
  EXPECT_TRUE(storage->ReadOnly());
  EXPECT_EQ(storage->ReadInteger("V", 0), 1);
  storage->WriteInteger("V", 2);
  storage->DeleteValue("V");
  EXPECT_EQ(storage->ReadInteger("V", 0), 1);
  storage.reset();
  EXPECT_EQ(ReadFile("config.xml"), original);
}

TEST_F(XMLStorageTest, MalformedFileRaisesKeepsWhatWasReadAndIsRewrittenAtExit) {
  WriteFile("config.xml", "<Configuration><A>1</A><B>2</B><C>3</Configuration>");
  TStoragePtr storage = MakeStorage();
  EXPECT_THROW(storage->SetFileName(PathOf("config.xml")), EJclSimpleXMLError);
  EXPECT_EQ(storage->ReadInteger("A", 0), 1);
  EXPECT_EQ(storage->ReadInteger("B", 0), 2);
  storage.reset();
  TStoragePtr reread = Open("config.xml");
  EXPECT_EQ(reread->ReadInteger("A", 0), 1);
  EXPECT_EQ(reread->ReadInteger("B", 0), 2);
}

TEST_F(XMLStorageTest, FlushFailuresAreReportedOnlyToOnError) {
  WriteFile("plain", "not a folder");
  std::vector<std::string> errors;
  {
    TStoragePtr storage = MakeStorage();
    storage->SetFileName(PathOf("plain/sub/config.xml"));
    storage->WriteString("V", "1");
    storage->SetOnError(
        [&](TJvCustomAppStorage&, const std::string& message) { errors.push_back(message); });
    storage->Flush();
    EXPECT_EQ(storage->ReadString("V", ""), "1") << "memory is unchanged";
    storage->SetOnError(nullptr);
  }  // the exit flush fails silently
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("plain"), std::string::npos) << errors[0];
}

// A child process flushes a document far larger than the file size it may write, so it dies
// (or, with the signal ignored, fails) in the middle of writing.
TEST_F(XMLStorageTest, AFlushCutShortLeavesTheOldFileWhole) {
  const std::string original = "<Configuration><V>old</V></Configuration>";
  WriteFile("config.xml", original);
  for (bool survive : {false, true}) {
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      TStoragePtr storage = Open("config.xml");
      for (int i = 0; i < 20000; ++i) storage->WriteInteger("Values\\V" + std::to_string(i), i);
      if (survive) std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      bool reported = false;
      storage->SetOnError([&](TJvCustomAppStorage&, const std::string&) { reported = true; });
      storage->Flush();
      storage->SetFlushOnDestroy(false);
      ::_exit(reported ? 7 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (survive)
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << "the failure reached OnError";
    else
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    EXPECT_EQ(ReadFile("config.xml"), original);
  }
}

TEST_F(XMLStorageTest, FileNamesFollowLocationExtensionAndMacros) {
  TStoragePtr storage(new TJvAppXMLFileStorage(nullptr));
  storage->SetReadOnly(true);  // nothing here may write a file
  storage->SetFileName("settings");
  EXPECT_EQ(storage->FileName(), "settings.xml");
  EXPECT_EQ(storage->FullFileName(), ProgramFolder() + "/settings.xml");
  storage->SetFileName("/x/settings.xml");
  EXPECT_EQ(storage->FullFileName(), ProgramFolder() + "/settings.xml");
  storage->SetFileName("name.");
  EXPECT_EQ(storage->FileName(), "name.xml");

  storage->SetLocation(flWindows);
  EXPECT_EQ(storage->FullFileName(), "/etc/name.xml");
  {
    TScopedEnvironment temp("TMPDIR", PathOf("tmp/"));
    storage->SetLocation(flTemp);
    EXPECT_EQ(storage->FullFileName(), PathOf("tmp/name.xml"));
    TScopedEnvironment config("XDG_CONFIG_HOME", PathOf("cfg"));
    storage->SetFileName("app/settings.xml");
    storage->SetLocation(flUserFolder);
    EXPECT_EQ(storage->FullFileName(), PathOf("cfg/app/settings.xml"));
    storage->SetFileName("/abs/settings.xml");
    EXPECT_EQ(storage->FullFileName(), PathOf("cfg/settings.xml"));
  }

  storage->SetLocation(flCustom);
  storage->SetFileName(PathOf("%FILENAME%.xml"));
  EXPECT_EQ(storage->FullFileName(),
            PathOf(ExtractFileName(ProgramFileName()) + ".xml"));  // the test has no extension
  storage->SetOnGetFileName(
      [](TJvCustomAppStorage&, std::string& fileName) { fileName += ".custom"; });
  EXPECT_EQ(storage->FullFileName(), PathOf(ExtractFileName(ProgramFileName()) + ".xml.custom"));

  storage->SetFileName("");
  storage->SetOnGetFileName(nullptr);
  EXPECT_EQ(storage->FileName(), "");
  EXPECT_EQ(storage->FullFileName(), "");
}

TEST_F(XMLStorageTest, ChangingTheFileFlushesTheOldOneAndLoadsTheNew) {
  WriteFile("b.xml", "<Configuration><V>b</V></Configuration>");
  TStoragePtr storage = Open("a.xml");
  storage->WriteString("V", "a");
  storage->SetFileName(PathOf("b.xml"));
  EXPECT_EQ(storage->ReadString("V", ""), "b");
  EXPECT_EQ(Open("a.xml")->ReadString("V", ""), "a");

  // During an update the name changes without touching either file.
  storage->BeginUpdate();
  storage->SetFileName(PathOf("c.xml"));
  storage->EndUpdate();
  EXPECT_FALSE(fs::exists(PathOf("c.xml")));
}

TEST_F(XMLStorageTest, TypedValuesUseTheirStoredTexts) {
  TStoragePtr storage = Open("config.xml");
  TJvAppXMLStorageOptions& options = storage->StorageOptions();
  storage->WriteFloat("One", 1.0);
  EXPECT_EQ(storage->ReadString("One", ""), "0000000000000080FF3F");
  storage->WriteFloat("Third", 1.0L / 3);
  EXPECT_EQ(storage->ReadFloat("Third", 0), 1.0L / 3);
  storage->WriteString("Short", "80FF3F");
  EXPECT_EQ(storage->ReadFloat("Short", 2.5), 2.5);
  storage->WriteString("Bad", "00000000000000800G3F");
  EXPECT_THROW(storage->ReadFloat("Bad", 2.5), EConvertError) << "nor does the text route";
  options.SetDefaultIfReadConvertError(true);
  EXPECT_EQ(storage->ReadFloat("Bad", 2.5), 2.5);

  const uint8_t bytes[] = {0x01, 0xAB, 0xFF};
  storage->WriteBinary("Bin", bytes);
  EXPECT_EQ(storage->ReadString("Bin", ""), "01ABFF");
  uint8_t buffer[2] = {};
  EXPECT_EQ(storage->ReadBinary("Bin", buffer), 2u);
  EXPECT_EQ(buffer[1], 0xAB);

  storage->WriteInteger("Int", -5);
  EXPECT_EQ(storage->ReadString("Int", ""), "-5");
  storage->WriteString("Int", "junk");
  EXPECT_EQ(storage->ReadInteger("Int", 3), -1) << "the element's integer view decides";

  storage->WriteBoolean("Flag", true);
  EXPECT_EQ(storage->ReadString("Flag", ""), "TRUE");
  options.SetBooleanStringTrueValues("");
  storage->WriteBoolean("Flag", true);
  storage->WriteBoolean("Off", false);
  EXPECT_EQ(storage->ReadString("Flag", ""), "-1");
  EXPECT_EQ(storage->ReadString("Off", ""), "0");
  EXPECT_TRUE(storage->ReadBoolean("Flag", false));
  EXPECT_FALSE(storage->ReadBoolean("Off", true));

  options.SetDefaultIfValueNotExists(false);
  try {
    storage->ReadString("Missing", "");
    FAIL() << "a missing value was not reported";
  } catch (const EJVCLException& e) {
    EXPECT_STREQ(e.what(), "Path '\\Missing' does not exists");
  }
}

TEST_F(XMLStorageTest, FoldersListsAndDeletions) {
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("Form\\Left", "1");
  storage->WriteString("Form\\Font\\Size", "9");
  storage->WriteListItemCount("Form\\Recent", 2, "Item");
  storage->WriteString("Form\\Recent\\Item0", "a");
  storage->WriteString("Form\\Recent\\Item1", "b");

  EXPECT_TRUE(storage->IsFolder("Form\\Font"));
  EXPECT_FALSE(storage->IsFolder("Form\\Recent", true)) << "a list counts as a value";
  EXPECT_TRUE(storage->IsFolder("Form\\Recent", false));
  EXPECT_TRUE(storage->ListStored("Form\\Recent"));
  TJvAppStorageStoredNames names;
  storage->GetStoredValues("Form", names, {aeoFolders, aeoValues, aeoReportListAsValue});
  std::vector<std::string> found;
  for (const auto& entry : names) found.push_back(entry.Name + "=" + std::to_string(entry.Marker));
  EXPECT_EQ(found, (std::vector<std::string>{"Form\\Left=2", "Form\\Font=1"}));

  storage->DeleteSubTree("Form\\Font");
  EXPECT_FALSE(storage->PathExists("Form\\Font"));
  EXPECT_TRUE(storage->PathExists("Form\\Left"));
  storage->DeleteSubTree("");
  EXPECT_FALSE(storage->Xml().Root().HasItems());
  EXPECT_EQ(storage->RootNodeName(), "Configuration");

  // The new item name format addresses same-name elements by index.
  storage->StorageOptions().SetUseOldItemNameFormat(false);
  storage->WriteString("List\\Item[1]", "second");
  EXPECT_EQ(storage->ReadListItemCount("List", " Item "), 2);
  EXPECT_EQ(storage->ReadString("List\\Item[1]", ""), "second");
  EXPECT_EQ(storage->ReadString("List\\Item[0]", "none"), "");
  storage->DeleteValue("List\\Item[0]");
  EXPECT_EQ(storage->ReadString("List\\Item[0]", ""), "second");
}

TEST_F(XMLStorageTest, BackupsAndHistoryCopies) {
  WriteFile("config.xml", "<Configuration><V>0</V></Configuration>");
  TStoragePtr storage = Open("config.xml");
  TJvAppXMLStorageOptions& options = storage->StorageOptions();
  options.SetBackupType(afsbtCreateBefore);
  options.SetBackupKeepFileAfterFlush(true);
  storage->WriteInteger("V", 1);
  storage->Flush();
  EXPECT_NE(ReadFile("config.~xml").find("<V>0</V>"), std::string::npos);

  options.SetBackupType(afsbtRenameAfter);
  storage->WriteInteger("V", 2);
  storage->Flush();
  EXPECT_NE(ReadFile("config.~xml").find("<V>1</V>"), std::string::npos);
  EXPECT_NE(ReadFile("config.xml").find("<V>2</V>"), std::string::npos);
  EXPECT_FALSE(fs::exists(PathOf("config.xml.tmp")));

  options.SetBackupKeepFileAfterFlush(false);
  options.SetBackupHistoryType(afsbhtAllways);
  options.SetBackupHistoryCount(2);
  for (int value = 3; value <= 5; ++value) {
    storage->WriteInteger("V", value);
    storage->Flush();
  }
  EXPECT_FALSE(fs::exists(PathOf("config.~xml")));
  EXPECT_NE(ReadFile("config.~001~").find("<V>5</V>"), std::string::npos);
  EXPECT_NE(ReadFile("config.~002~").find("<V>4</V>"), std::string::npos);
  EXPECT_FALSE(fs::exists(PathOf("config.~003~")));

  // A recent newest copy is not replaced within the interval.
  options.SetBackupHistoryType(afsbht1Hour);
  storage->WriteInteger("V", 6);
  storage->Flush();
  EXPECT_NE(ReadFile("config.~001~").find("<V>5</V>"), std::string::npos);
}

TEST_F(XMLStorageTest, AutoFlushAndAutoReloadFollowTheFile) {
  TStoragePtr storage = Open("config.xml");
  storage->SetAutoFlush(true);
  storage->WriteString("V", "1");
  EXPECT_NE(ReadFile("config.xml").find("<V>1</V>"), std::string::npos);

  storage->SetAutoReload(true);
  // Another writer replaces the file; a later time stamp makes the change visible.
  WriteFile("other.xml", "<Configuration><V>2</V></Configuration>");
  fs::last_write_time(PathOf("other.xml"),
                      fs::last_write_time(PathOf("config.xml")) + std::chrono::seconds(5));
  fs::rename(PathOf("other.xml"), PathOf("config.xml"));
  EXPECT_EQ(storage->ReadString("V", ""), "2");

  // A file that disappears is not re-read, so unsaved values stay.
  storage->SetAutoFlush(false);
  storage->WriteString("W", "kept");
  fs::remove(PathOf("config.xml"));
  EXPECT_EQ(storage->ReadString("W", ""), "kept");

  storage->SetSynchronizeFlushReload(true);
  storage->Flush();
  EXPECT_NE(ReadFile("config.xml").find("<W>kept</W>"), std::string::npos);
}

TEST_F(XMLStorageTest, StoredValuesBelowTheCurrentPathLeaveFoldersOut) {
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("b\\c", "1");
  storage->WriteString("b\\d\\e", "2");
  storage->SetPath("b");
  TJvAppStorageStoredNames names;
  storage->GetStoredValues("", names);
  std::vector<std::string> found;
  for (const auto& entry : names) found.push_back(entry.Name + "=" + std::to_string(entry.Marker));
  EXPECT_EQ(found, (std::vector<std::string>{"b\\c=2", "b\\d\\e=2"}));

  storage->GetStoredValues("", names, {aeoFolders, aeoValues, aeoReportRelative});
  found.clear();
  for (const auto& entry : names) found.push_back(entry.Name + "=" + std::to_string(entry.Marker));
  EXPECT_EQ(found, (std::vector<std::string>{"c=2", "d=1"}));
}

// UTF-16 little-endian bytes of ASCII text, after the byte-order mark.
std::string Utf16WithMark(std::string_view text) {
  std::string bytes("\xFF\xFE", 2);
  for (const char c : text) (bytes += c) += '\0';
  return bytes;
}

TEST_F(XMLStorageTest, Utf16FilesKeepTheirMarkAndDeclarationAcrossRestarts) {
  WriteFile("config.xml", Utf16WithMark("<?xml version=\"1.0\" encoding=\"utf-16\"?>"
                                        "<Configuration><A>1</A></Configuration>"));
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("B", "\xC3\xA9");
  storage.reset();
  EXPECT_EQ(ReadFile("config.xml").substr(0, 4), std::string("\xFF\xFE<\0", 4));
  TStoragePtr reread = Open("config.xml");
  EXPECT_EQ(reread->ReadInteger("A", 0), 1);
  EXPECT_EQ(reread->ReadString("B", ""), "\xC3\xA9");
  reread.reset();

  // Asked for UTF-16, a new file gets the mark and a declaration that says so.
  TStoragePtr fresh = MakeStorage();
  fresh->StorageOptions().SetEncoding(seUTF16);
  fresh->SetFileName(PathOf("utf16.xml"));
  fresh->WriteString("C", "3");
  fresh.reset();
  const std::string written = ReadFile("utf16.xml");
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(written.find(Utf16WithMark("encoding=\"utf-16\"").substr(2)), std::string::npos);
  EXPECT_EQ(Open("utf16.xml")->ReadString("C", ""), "3");
}

TEST_F(XMLStorageTest, PathsDeeperThanTheReaderAcceptsAreRefusedWhenWritten) {
  const auto pathOfDepth = [](size_t folders) {
    std::string path;
    for (size_t i = 0; i < folders; ++i) path += "F\\";
    return path + "V";
  };
  TStoragePtr storage = Open("config.xml");
  storage->WriteString("Kept", "1");
  const std::string tooDeep = pathOfDepth(300);
  try {
    storage->WriteString(tooDeep, "x");
    ADD_FAILURE() << "a value 300 folders deep was written";
  } catch (const EJVCLAppStorageError& e) {
    EXPECT_NE(e.Message().find(tooDeep), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(storage->Xml().Root().Items().ItemNamed("F")) << "nothing was created";

  // The deepest value that may be written loads again after a restart.
  const std::string deepest = pathOfDepth(kMaxSimpleXMLDepth - 2);
  storage->WriteString(deepest, "deep");
  EXPECT_THROW(storage->WriteString(pathOfDepth(kMaxSimpleXMLDepth - 1), "x"),
               EJVCLAppStorageError);
  storage.reset();
  TStoragePtr reread = Open("config.xml");
  EXPECT_EQ(reread->ReadString(deepest, ""), "deep");
  EXPECT_EQ(reread->ReadString("Kept", ""), "1");
}

}  // namespace

#include "JclDebug_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TemporaryFolder.h"
#include "map_writer.h"
#include "scanner_answers.h"

namespace {

// The scanner keeps pointers into the text, so the text lives as long as the scanner.
struct TScannedText {
  explicit TScannedText(std::string text)
      : Text(std::make_unique<std::string>(std::move(text))),
        Scanner(std::span<const char>(Text->data(), Text->size()), 0) {}
  std::unique_ptr<std::string> Text;
  TJclMapScanner Scanner;
};

const char* const SegmentClassHeader =
    " Start         Length     Name                   Class\r\n"
    " 0001:00010000 00002000H .text                   CODE\r\n";

TEST(JclMapScanner, PublicsAreMadeRelativeToTheFirstSegmentClass) {
  TScannedText map(std::string(SegmentClassHeader) +
                   "\r\nDetailed map of segments\r\n\r\n"
                   " 0001:00000000 00002000 C=CODE     S=.text    G=(none)   M=Unit1    ACBP=A9\r\n"
                   "\r\n  Address             Publics by Name\r\n\r\n"
                   "\r\n  Address             Publics by Value\r\n\r\n"
                   " 0001:00000010       Unit1.First\r\n"
                   " 0001:00002000       Unit1.BeyondTheClass\r\n"
                   " 0003:00000010       Unit1.NoSuchSegment\r\n");
  const auto& classes = map.Scanner.SegmentClasses();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].Start, 0x10000u);
  EXPECT_EQ(classes[0].Len, 0x2000u);
  EXPECT_EQ(map.Scanner.MapStringCacheToStr(classes[0].SectionName), ".text");
  EXPECT_EQ(map.Scanner.MapStringCacheToStr(classes[0].GroupName), "CODE");
  ASSERT_EQ(map.Scanner.ProcNames().size(), 1u);
  EXPECT_EQ(map.Scanner.ProcNames()[0].VA, 0x10u);
  int32_t offset = -1;
  EXPECT_EQ(map.Scanner.ProcNameFromAddr(0x14, offset), "Unit1.First");
  EXPECT_EQ(offset, 4);
}

TEST(JclMapScanner, UnitTokensGiveUnitAndFileNames) {
  struct TCase {
    const char* Token;
    const char* UnitName;
    const char* FileName;
  } cases[] = {
      {"Unit1      ACBP=A9", "Unit1", "Unit1"},
      {"Core.Unit1 ACBP=A9", "Core.Unit1", "Core.Unit1"},
      {"Unit1.pas  ACBP=A9", "Unit1", "Unit1.pas"},
      {"UNIT1.OBJ", "UNIT1", "UNIT1.OBJ"},
      {"Unit1.pasx ACBP=A9", "Unit1.pasx", "Unit1.pasx"},
      {"C:\\src\\Unit1.pas ACBP=A9", "Unit1", "C:\\src\\Unit1.pas"},
      {"lib|Unit1", "Unit1", "lib|Unit1"},
      {"src/Unit1", "Unit1", "src/Unit1"},
  };
  for (const TCase& c : cases) {
    TScannedText map(std::string(SegmentClassHeader) +
                     "\r\nDetailed map of segments\r\n\r\n"
                     " 0001:00000100 00000100 C=CODE     S=.text    G=(none)   M=" +
                     c.Token + "\r\n");
    SCOPED_TRACE(c.Token);
    EXPECT_EQ(map.Scanner.ModuleNameFromAddr(0x150), c.UnitName);
    EXPECT_EQ(map.Scanner.ModuleStartFromAddr(0x150), 0x100u);
    // Without line information the unit token stands for the source file.
    EXPECT_EQ(map.Scanner.SourceNameFromAddr(0x150), c.FileName);
    EXPECT_EQ(map.Scanner.ModuleNameFromAddr(0x200), "");
    EXPECT_EQ(map.Scanner.ModuleStartFromAddr(0x200), 0xFFFFFFFFu);
  }
}

TEST(JclMapScanner, LineNumberSectionsGiveLinesAndTheirSourceFile) {
  TScannedText map(std::string(SegmentClassHeader) +
                   "\r\nDetailed map of segments\r\n\r\n"
                   " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Unit1    ACBP=A9\r\n"
                   "\r\n  Address             Publics by Name\r\n\r\n"
                   "\r\n  Address             Publics by Value\r\n\r\n"
                   " 0001:00000010       Unit1.Proc\r\n"
                   "\r\nLine numbers for Unit1(Unit1.pas) segment .text\r\n\r\n"
                   "    12 0001:00000010    13 0001:00000018\r\n"
                   "\r\nLine numbers for Unit2(Unit2.pas) segment .text\r\n\r\n"
                   "    20 0001:00003000    21 0001:00000000\r\n");
  ASSERT_EQ(map.Scanner.LineNumbers().size(), 2u);
  ASSERT_EQ(map.Scanner.SourceNames().size(), 1u);
  EXPECT_EQ(map.Scanner.SourceNames()[0].VA, 0x10u);
  // One pair lies beyond the class, the other at code offset 0.
  EXPECT_EQ(map.Scanner.LineNumberErrors(), 2);

  int32_t offset = -1;
  EXPECT_EQ(map.Scanner.LineNumberFromAddr(0x10, offset), 12);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(map.Scanner.LineNumberFromAddr(0x1C, offset), 13);
  EXPECT_EQ(offset, 4);
  EXPECT_EQ(map.Scanner.LineNumberFromAddr(0x8, offset), 0);
  EXPECT_EQ(map.Scanner.SourceNameFromAddr(0x1C), "Unit1.pas");
  // Before the first line the unit token stands in.
  EXPECT_EQ(map.Scanner.SourceNameFromAddr(0x8), "Unit1");
}

TEST(JclMapScanner, ThreadVariablesKeepTheirOffset) {
  TScannedText map(
      " Start         Length     Name                   Class\r\n"
      " 0001:00001000 00002000H .text                   CODE\r\n"
      " 0003:00000000 00000100H .tls                    tlsdata\r\n"
      "\r\nDetailed map of segments\r\n\r\n"
      " 0003:00000020 00000010 C=TLS      S=.tls     G=(none)   M=Vars     ACBP=A9\r\n");
  ASSERT_EQ(map.Scanner.SegmentClasses().size(), 2u);
  EXPECT_EQ(map.Scanner.SegmentClasses()[1].VA, 0u);
  EXPECT_EQ(map.Scanner.ModuleStartFromAddr(0x25), 0x20u);
  EXPECT_EQ(map.Scanner.ModuleNameFromAddr(0x25), "Vars");
}

TEST(JclMapScanner, MissingTablesHideTheTablesAfterThem) {
  const std::string detailedAndPublics =
      "\r\nDetailed map of segments\r\n\r\n"
      " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Unit1    ACBP=A9\r\n"
      "\r\n  Address             Publics by Value\r\n\r\n"
      " 0001:00000010       Unit1.Proc\r\n";
  TScannedText withoutClasses(detailedAndPublics);
  EXPECT_TRUE(withoutClasses.Scanner.SegmentClasses().empty());
  EXPECT_TRUE(withoutClasses.Scanner.Segments().empty());
  EXPECT_TRUE(withoutClasses.Scanner.ProcNames().empty());
  EXPECT_EQ(withoutClasses.Scanner.ModuleNameFromAddr(0x10), "");

  // The heading keywords must come in their order; this heading names the table backwards.
  TScannedText misorderedHeading(
      " Class  Name  Length  Start\r\n"
      " 0001:00001000 00002000H .text CODE\r\n" +
      detailedAndPublics);
  EXPECT_TRUE(misorderedHeading.Scanner.SegmentClasses().empty());
}

TEST(JclMapScanner, ConversionsOfRawText) {
  TScannedText map(
      "(Unit1.pas) segment\r\n"
      "Unit1.TForm1.Button1Click(Sender) rest\r\n"
      "operator new  \r\n"
      "(unterminated");
  const TJclMapScanner& scanner = map.Scanner;
  const char* text = map.Text->data();
  EXPECT_EQ(scanner.MapStringToStr(text), "Unit1.pas");
  EXPECT_EQ(scanner.MapStringToStr(text + 21), "Unit1.TForm1.Button1Click");
  EXPECT_EQ(scanner.MapStringToStr(text + 61, false), "operator");
  EXPECT_EQ(scanner.MapStringToStr(text + 61, true), "operator new");
  EXPECT_EQ(scanner.MapStringToStr(text + 77), "unterminated");
  EXPECT_EQ(scanner.MapStringToStr(nullptr), "");
  EXPECT_EQ(scanner.MapStringToStr(text + map.Text->size()), "");
  EXPECT_EQ(scanner.MapStringToFileName("Unit1 ACBP=A9"), "");  // not inside the text
}

TEST(JclMapScanner, WrittenMapAnswersEveryLookup) {
  TScannedText map(WriteMapText(SampleDescription()));
  const TJclMapScanner& scanner = map.Scanner;
  ExpectScannerAnswers(
      scanner, {
                   {0x100, "Core.Unit1", "Core.Unit1.TForm1.Start", 0, 10, 0, "Core.Unit1.pas"},
                   {0x10C, "Core.Unit1", "Core.Unit1.TForm1.Start", 0xC, 11, 4, "Core.Unit1.pas"},
                   {0x130, "Core.Unit1", "Core.Unit1.Stop", 0x10, 14, 0x10, "Core.Unit1.pas"},
                   {0x204, "Unit2", "Unit2.Run", 4, 7, 4, "Unit2.pas"},
                   {0x27F, "Unit2", "Unit2.Run", 0x7F, 9, 0x6F, "Unit2.pas"},
                   {0x280, "", "", 0, 0, 0, ""},
                   {0x50, "", "", 0, 0, 0, ""},
               });
  EXPECT_EQ(scanner.LineNumberErrors(), 0);
}

TEST(JclMapScanner, HostileTextStaysInsideTheData) {
  struct TCase {
    const char* Name;
    std::string Text;
  } cases[] = {
      {"empty", ""},
      {"only a heading", " Start Length Name Class"},
      {"unterminated entry", std::string(SegmentClassHeader) + " 0001:0000"},
      {"absurd numbers",
       std::string(SegmentClassHeader) +
           "Detailed map of segments\r\n 0001:FFFFFFFFFFFFFFFF FFFFFFFFFFFF C=CODE M=Huge\r\n"
           " 0001:00000000 FFFFFFFF C=CODE M=Whole\r\n"
           "Address Publics by Value\r\n 99999999:00000001 Unit.Proc\r\n"
           "Line numbers for X(X.pas)\r\n 99999999999999 0001:00000001\r\n"},
      {"overlapping segments",
       std::string(SegmentClassHeader) +
           "Detailed map of segments\r\n 0001:00000000 00000100 C=CODE M=Outer\r\n"
           " 0001:00000010 00000010 C=CODE M=Inner\r\n"},
      {"parameters missing", std::string(SegmentClassHeader) +
                                 "Detailed map of segments\r\n 0001:00000000 00000100 M=NoClass\r\n"
                                 " 0001:00000000 00000100 C=CODE\r\n 0001:00000000 0100 C="},
      {"no line break anywhere", "Line numbers for X(X.pas 12 0001:0000 13"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScannedText map(c.Text);
    for (uint32_t addr : {0u, 1u, 0x15u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      int32_t offset;
      map.Scanner.ModuleNameFromAddr(addr);
      map.Scanner.ProcNameFromAddr(addr, offset);
      map.Scanner.LineNumberFromAddr(addr, offset);
      map.Scanner.SourceNameFromAddr(addr);
    }
  }
  TScannedText overlapping(cases[4].Text);
  // The later entry of the table wins where units overlap.
  EXPECT_EQ(overlapping.Scanner.ModuleNameFromAddr(0x15), "Inner");
  EXPECT_EQ(overlapping.Scanner.ModuleNameFromAddr(0x25), "Outer");
  TScannedText absurd(cases[3].Text);
  EXPECT_EQ(absurd.Scanner.ModuleNameFromAddr(0xFFFFFFF0), "Whole");
  TScannedText missing(cases[5].Text);
  EXPECT_TRUE(missing.Scanner.Segments().empty());
}

TEST(JclMapScanner, EveryTruncationOfAMapParses) {
  const std::string whole = WriteMapText(SampleDescription());
  for (size_t size = 0; size <= whole.size(); ++size) {
    // An exact-size heap copy, so a read past the end is a read past the allocation.
    auto text = std::make_unique<char[]>(size);
    std::copy_n(whole.data(), size, text.get());
    TJclMapScanner scanner(std::span<const char>(text.get(), size), 0);
    int32_t offset;
    scanner.ProcNameFromAddr(0x130, offset);
    scanner.LineNumberFromAddr(0x130, offset);
    scanner.SourceNameFromAddr(0x130);
    if (size == whole.size()) {
      EXPECT_EQ(scanner.ModuleNameFromAddr(0x130), "Core.Unit1");
    }
  }
}

TEST(JclMapScanner, MalformedUtf8NamesBecomeReplacementCharacters) {
  TScannedText map(std::string(SegmentClassHeader) +
                   "\r\nDetailed map of segments\r\n\r\n"
                   " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Unit\xC3"
                   "X    ACBP=A9\r\n"
                   "\r\n  Address             Publics by Name\r\n\r\n"
                   "\r\n  Address             Publics by Value\r\n\r\n"
                   " 0001:00000010       Unit.Pr\xFFoc\r\n");
  EXPECT_EQ(map.Scanner.ModuleNameFromAddr(0x10), "Unit\xEF\xBF\xBDX");
  EXPECT_EQ(map.Scanner.ProcNameFromAddr(0x10), "Unit.Pr\xEF\xBF\xBDoc");
}

class JclMapScannerFile : public ::testing::Test {
 protected:
  TTemporaryFolder FDir{"corvane-map"};
};

TEST_F(JclMapScannerFile, ReadsTheFileAndNeverHoldsItAgainstOthers) {
  const std::string fileName = (FDir / "module.map").string();
  std::ofstream(fileName, std::ios::binary) << WriteMapText(SampleDescription());
  TJclMapScanner scanner(fileName);
  // Others may replace or delete the file while the scanner lives; it keeps its view.
  std::ofstream(fileName, std::ios::binary | std::ios::app) << "more";
  std::filesystem::rename(fileName, FDir / "renamed.map");
  std::filesystem::remove(FDir / "renamed.map");
  EXPECT_EQ(scanner.ModuleNameFromAddr(0x204), "Unit2");
  EXPECT_EQ(scanner.ProcNameFromAddr(0x204), "Unit2.Run");
  EXPECT_EQ(scanner.LineNumberFromAddr(0x210), 9);
}

TEST_F(JclMapScannerFile, MissingOrEmptyFileGivesAnEmptyScanner) {
  std::ofstream((FDir / "empty.map").string());
  for (const char* name : {"missing.map", "empty.map", ""}) {
    SCOPED_TRACE(name);
    TJclMapScanner scanner((FDir / name).string());
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x10), "");
    EXPECT_EQ(scanner.ModuleStartFromAddr(0x10), 0xFFFFFFFFu);
    EXPECT_EQ(scanner.ProcNameFromAddr(0x10), "");
    EXPECT_EQ(scanner.LineNumberFromAddr(0x10), 0);
    EXPECT_EQ(scanner.SourceNameFromAddr(0x10), "");
  }
}

}  // namespace

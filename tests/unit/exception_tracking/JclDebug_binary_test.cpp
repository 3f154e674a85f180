#include "JclDebug_binary.h"

#include <gtest/gtest.h>

#include <random>

#include "JclDebug_binaryWriter.h"

namespace {

std::vector<uint8_t> PutLE32(std::vector<uint8_t> data, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) data[offset + i] = uint8_t(value >> (8 * i));
  return data;
}

uint32_t GetLE32(const std::vector<uint8_t>& data, size_t offset) {
  return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
         uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
}

// Data with the given name record as its only name: unit 0 named by it.
std::vector<uint8_t> DataWithNameRecord(const std::vector<uint8_t>& record) {
  TJclBinDebugWriter writer;
  writer.AddUnit(0, "placeholder");
  std::vector<uint8_t> data = writer.Build(false);
  const uint32_t words = GetLE32(data, jhWordsOffset);
  data.resize(words);
  data.insert(data.end(), record.begin(), record.end());
  data.resize((data.size() + 3) / 4 * 4 + 4, 0);
  return data;
}

std::string UnitNameOfRecord(const std::vector<uint8_t>& record) {
  const std::vector<uint8_t> data = DataWithNameRecord(record);
  TJclBinDebugScanner scanner(data, true);
  EXPECT_TRUE(scanner.ValidFormat());
  return scanner.ModuleNameFromAddr(0);
}

TEST(JclBinDebugScanner, UnitsSplitTheCodeAtTheirStarts) {
  TJclBinDebugWriter writer;
  writer.SetModuleName("corvane");
  writer.AddUnit(0x0000, "Main");
  writer.AddUnit(0x0100, "ServiceNavigation");
  const std::vector<uint8_t> data = writer.Build(true);
  TJclBinDebugScanner scanner(data, true);
  ASSERT_TRUE(scanner.ValidFormat());
  EXPECT_EQ(data.size() % 4, 0u);
  EXPECT_EQ(scanner.ModuleName(), "corvane");
  EXPECT_EQ(scanner.ModuleNameFromAddr(0x00FF), "Main");
  EXPECT_EQ(scanner.ModuleStartFromAddr(0x00FF), 0x0000u);
  EXPECT_EQ(scanner.ModuleNameFromAddr(0x0100), "ServiceNavigation");
  EXPECT_EQ(scanner.ModuleNameFromAddr(0xFFFFFFF0), "ServiceNavigation");
  EXPECT_EQ(scanner.ModuleStartFromAddr(0x5000), 0x0100u);
}

TEST(JclBinDebugScanner, AnOffsetBeforeTheFirstUnitFindsNothing) {
  TJclBinDebugWriter writer;
  writer.AddUnit(0x0010, "Main");
  writer.AddSourceName(0x0000, "early.cpp");
  writer.AddSourceName(0x0010, "Main.cpp");
  writer.AddSourceName(0x0100, "");
  writer.AddProcedure(0x0000, "early", "");
  writer.AddLineNumber(0x0000, 7);
  const std::vector<uint8_t> data = writer.Build(false);
  TJclBinDebugScanner scanner(data, true);
  int32_t offset = -1;
  EXPECT_EQ(scanner.ModuleStartFromAddr(0x0005), 0xFFFFFFFFu);
  EXPECT_EQ(scanner.ModuleNameFromAddr(0x0005), "");
  EXPECT_EQ(scanner.ProcNameFromAddr(0x0005, offset), "");
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(scanner.LineNumberFromAddr(0x0005, offset), 0);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(scanner.SourceNameFromAddr(0x0005), "");
  EXPECT_EQ(scanner.SourceNameFromAddr(0x0020), "Main.cpp");
}

TEST(JclBinDebugScanner, ProceduresAndLinesBelongToTheUnitOfTheOffset) {
  TJclBinDebugWriter writer;
  writer.AddUnit(0x0000, "Forms");
  writer.AddUnit(0x0180, "Main");
  writer.AddProcedure(0x0020, "TMainForm", "FormCreate");
  writer.AddProcedure(0x0100, "TMainForm", "");
  writer.AddLineNumber(0x0100, 41);
  writer.AddLineNumber(0x0110, 42);
  const std::vector<uint8_t> data = writer.Build(true);
  TJclBinDebugScanner scanner(data, true);
  int32_t offset = -1;
  EXPECT_EQ(scanner.ProcNameFromAddr(0x0030, offset), "TMainForm.FormCreate");
  EXPECT_EQ(offset, 0x10);
  EXPECT_EQ(scanner.ProcNameFromAddr(0x0150, offset), "TMainForm");
  EXPECT_EQ(offset, 0x50);
  EXPECT_EQ(scanner.LineNumberFromAddr(0x0115, offset), 42);
  EXPECT_EQ(offset, 5);
  EXPECT_EQ(scanner.LineNumberFromAddr(0x0115), 42);
  // The procedure at 0x0100 lies before the unit that starts at 0x0180.
  EXPECT_EQ(scanner.ProcNameFromAddr(0x0190, offset), "");
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(scanner.LineNumberFromAddr(0x0190, offset), 0);
  EXPECT_EQ(offset, 0);
}

TEST(JclBinDebugScanner, ASourceRangeNeedsAFollowingEntry) {
  TJclBinDebugWriter writer;
  writer.AddUnit(0x0000, "Main");
  writer.AddSourceName(0x0000, "Main.cpp");
  writer.AddSourceName(0x0200, "Other.cpp");
  const std::vector<uint8_t> data = writer.Build(false);
  TJclBinDebugScanner scanner(data, true);
  EXPECT_EQ(scanner.SourceNameFromAddr(0x01FF), "Main.cpp");
  EXPECT_EQ(scanner.SourceNameFromAddr(0x0200), "");
  EXPECT_EQ(scanner.SourceNameFromAddr(0x9000), "");
}

TEST(JclBinDebugScanner, TablesOfOnlyTheEndMarkerHaveNoEntries) {
  TJclBinDebugWriter writer;
  const std::vector<uint8_t> data = writer.Build(false);
  const uint32_t units = GetLE32(data, jhUnitsOffset);
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + units, data.begin() + units + 5),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x07}));
  TJclBinDebugScanner scanner(data, true);
  ASSERT_TRUE(scanner.ValidFormat());
  EXPECT_EQ(scanner.ModuleStartFromAddr(0), 0xFFFFFFFFu);
  EXPECT_EQ(scanner.ProcNameFromAddr(0), "");
  EXPECT_EQ(scanner.LineNumberFromAddr(0), 0);
  EXPECT_EQ(scanner.SourceNameFromAddr(0), "");
  EXPECT_EQ(scanner.ModuleName(), "");
}

TEST(JclBinDebugScanner, NameRecordsInEveryForm) {
  // Packed: code 11 is "A", code 0 ends the text.
  EXPECT_EQ(UnitNameOfRecord({0x0B, 0x00}), "A");
  std::vector<uint8_t> handleFinally = TJclBinDebugWriter::NameRecord("@HandleFinally");
  EXPECT_EQ(handleFinally[0], NameFormPackedWithAt);
  EXPECT_EQ(UnitNameOfRecord(handleFinally), "@HandleFinally");
  // Masked: every byte XORed with the mask, except one equal to the mask.
  const std::string text = "std::vector<int>::at \xC3\xA9\x07";
  const std::vector<uint8_t> masked = TJclBinDebugWriter::NameRecord(text);
  EXPECT_EQ(masked[0], NameFormMasked);
  EXPECT_EQ(masked[1], uint8_t('s' ^ NameMask));
  EXPECT_EQ(masked[masked.size() - 2], NameMask);
  EXPECT_EQ(UnitNameOfRecord(masked), text);
  // A packed text stops after its 255th character, even without code 0.
  EXPECT_EQ(UnitNameOfRecord(std::vector<uint8_t>(200, 0xFF)), std::string(255, '_'));
  const std::string longest(255, 'x');
  EXPECT_EQ(UnitNameOfRecord(TJclBinDebugWriter::NameRecord(longest)), longest);
  const std::string longestWithAt = "@" + std::string(254, 'y');
  EXPECT_EQ(UnitNameOfRecord(TJclBinDebugWriter::NameRecord(longestWithAt)), longestWithAt);
  // A packed text whose first byte would read as a marker is masked instead.
  EXPECT_EQ(UnitNameOfRecord(TJclBinDebugWriter::NameRecord("0A")), "0A");
}

TEST(JclBinDebugScanner, AMaskedNameCutInsideAUtf8SequenceRaises) {
  const std::vector<uint8_t> data =
      DataWithNameRecord({NameFormMasked, uint8_t('a' ^ NameMask), 0xC3 ^ NameMask, 0});
  TJclBinDebugScanner scanner(data, true);
  EXPECT_THROW(scanner.ModuleNameFromAddr(0), EJclBinDebugError);
}

TEST(JclBinDebugScanner, FormatCheck) {
  TJclBinDebugWriter writer;
  writer.AddUnit(0, "Main");
  const std::vector<uint8_t> checked = writer.Build(true);
  EXPECT_TRUE(TJclBinDebugScanner(checked, true).ValidFormat());
  const std::vector<uint8_t> wrongSum =
      PutLE32(checked, jhCheckSum, GetLE32(checked, jhCheckSum) + 1);
  EXPECT_FALSE(TJclBinDebugScanner(wrongSum, true).ValidFormat());
  std::vector<uint8_t> unchecked = wrongSum;
  unchecked[jhHasCheckSum] = 0;
  EXPECT_TRUE(TJclBinDebugScanner(unchecked, true).ValidFormat());
  // The checksum also covers the bytes after the header.
  std::vector<uint8_t> changedTable = checked;
  changedTable[GetLE32(checked, jhUnitsOffset)] ^= 1;
  EXPECT_FALSE(TJclBinDebugScanner(changedTable, true).ValidFormat());

  std::vector<uint8_t> notMultipleOf4 = unchecked;
  notMultipleOf4.push_back(0);
  EXPECT_FALSE(TJclBinDebugScanner(notMultipleOf4, true).ValidFormat());
  std::vector<uint8_t> otherVersion = unchecked;
  otherVersion[jhVersion] = 2;
  EXPECT_FALSE(TJclBinDebugScanner(otherVersion, true).ValidFormat());
  std::vector<uint8_t> otherSignature = unchecked;
  otherSignature[0] = 'X';
  EXPECT_FALSE(TJclBinDebugScanner(otherSignature, true).ValidFormat());
  const std::vector<uint8_t> headerOnly(unchecked.begin(), unchecked.begin() + 32);
  EXPECT_FALSE(TJclBinDebugScanner(headerOnly, true).ValidFormat());
  EXPECT_FALSE(TJclBinDebugScanner({}, true).ValidFormat());
}

TEST(JclBinDebugScanner, HostileDataGivesNoInformation) {
  TJclBinDebugWriter writer;
  writer.SetModuleName("corvane");
  writer.AddUnit(0, "Main");
  writer.AddProcedure(0, "main", "");
  const std::vector<uint8_t> good = writer.Build(false);
  auto expectRejected = [](const std::vector<uint8_t>& data) {
    TJclBinDebugScanner scanner(data, true);
    EXPECT_FALSE(scanner.ValidFormat());
    EXPECT_EQ(scanner.ModuleNameFromAddr(0), "");
    EXPECT_EQ(scanner.ProcNameFromAddr(0), "");
    EXPECT_EQ(scanner.ModuleName(), "");
  };
  expectRejected(PutLE32(good, jhUnitsOffset, uint32_t(good.size())));
  expectRejected(PutLE32(good, jhLineNumbersOffset, 0xFFFFFFF0));
  // A table whose numbers never end: every byte asks for one more.
  std::vector<uint8_t> endless = good;
  const uint32_t symbols = GetLE32(good, jhSymbolsOffset);
  std::fill(endless.begin() + symbols, endless.end(), 0xFF);
  expectRejected(endless);
  // Without its end marker the last table runs into the padding and the end of the data.
  TJclBinDebugWriter lines;
  lines.AddLineNumber(0, 5);
  const std::vector<uint8_t> withLine = lines.Build(false);
  std::vector<uint8_t> cut(withLine.begin(),
                           withLine.begin() + GetLE32(withLine, jhLineNumbersOffset) + 2);
  cut.resize(cut.size() / 4 * 4 + 8, 0);
  expectRejected(cut);

  // Name references outside the data read as no name.
  const std::vector<uint8_t> farNames = PutLE32(good, jhWordsOffset, 0xFFFFFF00);
  TJclBinDebugScanner scanner(farNames, true);
  ASSERT_TRUE(scanner.ValidFormat());
  EXPECT_EQ(scanner.ModuleNameFromAddr(0), "");
  EXPECT_EQ(scanner.ModuleName(), "");
}

TEST(JclBinDebugScanner, IsModuleNameValidComparesTheBaseNameIgnoringCase) {
  TJclBinDebugWriter writer;
  writer.SetModuleName("Corvane");
  const std::vector<uint8_t> data = writer.Build(false);
  TJclBinDebugScanner scanner(data, true);
  EXPECT_TRUE(scanner.IsModuleNameValid("/opt/bin/corvane.jdbg"));
  EXPECT_TRUE(scanner.IsModuleNameValid("CORVANE"));
  EXPECT_FALSE(scanner.IsModuleNameValid("/opt/bin/libcef.so"));
}

// The answers of the table walks as they stand, over entries in table order.
struct TReferenceTables {
  std::vector<std::pair<uint32_t, uint32_t>> Units, Sources, Lines;
  std::vector<uint32_t> ProcStarts;

  ptrdiff_t Unit(uint32_t a) const {
    ptrdiff_t result = -1;
    for (size_t i = 0; i < Units.size() && Units[i].first <= a; ++i) result = ptrdiff_t(i);
    return result;
  }
  uint32_t UnitStart(uint32_t a) const {
    const ptrdiff_t unit = Unit(a);
    return unit < 0 ? 0xFFFFFFFF : Units[unit].first;
  }
  ptrdiff_t LastAtOrBelow(const std::vector<uint32_t>& starts, uint32_t a) const {
    for (size_t i = starts.size(); i-- > 0;)
      if (starts[i] <= a) return starts[i] >= UnitStart(a) ? ptrdiff_t(i) : -1;
    return -1;
  }
  ptrdiff_t Source(uint32_t a) const {
    for (size_t i = 0; i < Sources.size(); ++i)
      if (Sources[i].first > a)
        return i > 0 && Sources[i - 1].first >= UnitStart(a) ? ptrdiff_t(i - 1) : -1;
    return -1;
  }
};

TEST(JclBinDebugScanner, BinarySearchGivesTheAnswersOfTheWalks) {
  std::mt19937 random(14);
  for (int round = 0; round < 40; ++round) {
    TJclBinDebugWriter writer;
    TReferenceTables reference;
    // Mostly ascending starts with some steps back, as negative differences allow.
    auto nextStart = [&](uint32_t& start) {
      start = random() % 5 == 0 ? start - random() % 64 : start + random() % 64;
      return start;
    };
    uint32_t start = 0;
    for (int i = 0; i < 30; ++i) {
      reference.Units.push_back({nextStart(start), i});
      writer.AddUnit(start, "U" + std::to_string(i));
    }
    start = 0;
    for (int i = 0; i < 60; ++i) {
      reference.Sources.push_back({nextStart(start), i});
      writer.AddSourceName(start, "S" + std::to_string(i));
    }
    start = 0;
    std::vector<uint32_t> lineStarts;
    for (int i = 0; i < 80; ++i) {
      lineStarts.push_back(nextStart(start));
      writer.AddLineNumber(start, i + 1);
      reference.ProcStarts.push_back(start + 3);
      writer.AddProcedure(start + 3, "P" + std::to_string(i), "");
    }
    const std::vector<uint8_t> data = writer.Build(round % 2 == 0);
    TJclBinDebugScanner scanner(data, true);
    ASSERT_TRUE(scanner.ValidFormat());
    for (uint32_t a = 0; a < 2000; a += 3) {
      const ptrdiff_t unit = reference.Unit(a);
      ASSERT_EQ(scanner.ModuleNameFromAddr(a), unit < 0 ? "" : "U" + std::to_string(unit)) << a;
      const ptrdiff_t source = reference.Source(a);
      ASSERT_EQ(scanner.SourceNameFromAddr(a), source < 0 ? "" : "S" + std::to_string(source));
      const ptrdiff_t line = reference.LastAtOrBelow(lineStarts, a);
      int32_t offset;
      ASSERT_EQ(scanner.LineNumberFromAddr(a, offset), line < 0 ? 0 : line + 1) << a;
      ASSERT_EQ(offset, line < 0 ? 0 : int32_t(a - lineStarts[line]));
      const ptrdiff_t proc = reference.LastAtOrBelow(reference.ProcStarts, a);
      ASSERT_EQ(scanner.ProcNameFromAddr(a), proc < 0 ? "" : "P" + std::to_string(proc)) << a;
    }
  }
}

}  // namespace

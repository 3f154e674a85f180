#include "JclTD32.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "TemporaryFolder.h"
#include "scanner_answers.h"
#include "td32_writer.h"

namespace {

TBytes WithSignatures(uint32_t start, uint32_t end, uint32_t backOffset, size_t bodySize = 8) {
  TBytes data;
  Put32(data, start);
  Put32(data, 0);
  data.resize(data.size() + bodySize);
  Put32(data, end);
  Put32(data, backOffset);
  return data;
}

TEST(JclTD32InfoParser, ValidityNeedsBothSignaturesInsideTheData) {
  constexpr uint32_t FB0A = 0x41304246;
  const uint32_t whole = 24;
  struct TCase {
    const char* Name;
    TBytes Data;
    bool Valid;
  } cases[] = {
      {"FB09 at both ends", WithSignatures(TD32SignatureFB09, TD32SignatureFB09, whole), true},
      {"FB0A at both ends", WithSignatures(FB0A, FB0A, whole), true},
      {"start is something else", WithSignatures(0x12345678, TD32SignatureFB09, whole), false},
      {"end is something else", WithSignatures(TD32SignatureFB09, 0x12345678, whole), false},
      {"offset beyond the data", WithSignatures(TD32SignatureFB09, TD32SignatureFB09, whole + 1),
       false},
      {"offset into the end record", WithSignatures(TD32SignatureFB09, TD32SignatureFB09, 2),
       false},
      {"offset zero", WithSignatures(TD32SignatureFB09, TD32SignatureFB09, 0), false},
      {"only eight bytes", TBytes{'F', 'B', '0', '9', 8, 0, 0, 0}, false},
      {"empty", TBytes{}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(TJclTD32InfoParser::IsTD32DebugInfoValid(c.Data), c.Valid);
    TJclTD32InfoScanner scanner(c.Data);
    EXPECT_EQ(scanner.ValidData(), c.Valid);
    EXPECT_EQ(scanner.ModuleCount(), 0u);
  }
}

TEST(JclTD32InfoScanner, ModuleSegmentsIncludeTheirEndAndNeedFlagOne) {
  TTD32Writer writer;
  writer.AddModule(writer.AddName("Unit1"), {{1, 0x100, 0x20}});
  writer.AddModule(writer.AddName("Hidden"), {{0, 0x200, 0x20}});
  const TBytes data = writer.Build();
  TJclTD32InfoScanner scanner(data);
  ASSERT_TRUE(scanner.ValidData());
  for (uint32_t addr : {0x100u, 0x110u, 0x120u})
    EXPECT_EQ(scanner.ModuleNameFromAddr(addr), "Unit1");
  for (uint32_t addr : {0xFFu, 0x121u, 0x200u, 0x210u})
    EXPECT_EQ(scanner.ModuleNameFromAddr(addr), "");
}

TEST(JclTD32InfoScanner, LinesAnswerTheLineAtOrBeforeAnOffset) {
  TTD32Writer writer;
  const uint32_t source = writer.AddName("Unit1.pas");
  writer.AddSourceModule({{source, {{0, 0x40, {{5, 0x10}, {6, 0x18}, {7, 0x24}}}}}});
  const TBytes data = writer.Build();
  TJclTD32InfoScanner scanner(data);
  ASSERT_EQ(scanner.SourceModuleCount(), 1u);
  EXPECT_EQ(scanner.SourceModules(0).LineCount(), 3u);
  struct TCase {
    uint32_t Addr;
    int32_t Line;
    int32_t Offset;
  } cases[] = {{0x10, 5, 0}, {0x14, 5, 4}, {0x20, 6, 8}, {0x24, 7, 0}, {0x30, 0, 0}, {0x8, 0, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Addr);
    int32_t offset = -1;
    EXPECT_EQ(scanner.LineNumberFromAddr(c.Addr, offset), c.Line);
    EXPECT_EQ(offset, c.Offset);
  }
  EXPECT_EQ(scanner.SourceNameFromAddr(0x3F), "Unit1.pas");
  EXPECT_EQ(scanner.SourceNameFromAddr(0x40), "");
}

TEST(JclTD32InfoScanner, ShortProcNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"@Unit1@TForm1@Button1Click", "TForm1.Button1Click"},
      {"@Unit1@TForm1@Button1Click$qqrp14System@TObject",
       "TForm1.Button1Click$qqrp14System.TObject"},
      {"@Unit1@Proc", "Proc"},
      {"@Unit1@TClass@@Op", "TClass.@Op"},
      {"@NoFurtherAt", "@NoFurtherAt"},
      {"Unit1.TForm1.Button1Click", "Unit1.TForm1.Button1Click"},
      {"", ""},
      {"@", "@"},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(TJclTD32InfoScanner::ShortProcName(name), expected) << name;
}

TEST(JclTD32InfoScanner, WrittenDataAnswersEveryLookup) {
  const TBytes data = WriteTD32Data(SampleDescription());
  TJclTD32InfoScanner scanner(data);
  ASSERT_TRUE(scanner.ValidData());
  EXPECT_EQ(scanner.ModuleCount(), 2u);
  EXPECT_EQ(scanner.ProcSymbolCount(), 3u);
  ExpectScannerAnswers(
      scanner, {
                   {0x100, "Core.Unit1", "Core.Unit1.TForm1.Start", 0, 10, 0, "Core.Unit1.pas"},
                   {0x10C, "Core.Unit1", "Core.Unit1.TForm1.Start", 0xC, 11, 4, "Core.Unit1.pas"},
                   {0x130, "Core.Unit1", "Core.Unit1.Stop", 0x10, 0, 0, "Core.Unit1.pas"},
                   {0x204, "Unit2", "Unit2.Run", 4, 7, 4, "Unit2.pas"},
                   {0x280, "Unit2", "", 0, 0, 0, ""},
                   {0x50, "", "", 0, 0, 0, ""},
               });
}

TEST(JclTD32InfoParser, EverySymbolKindIsReadAndOthersArePassedOver) {
  TTD32Writer writer;
  TBytes symbols = TTD32Writer::SymbolsSubsection();
  auto fields = [](std::initializer_list<uint32_t> words) {
    TBytes bytes;
    for (uint32_t word : words) Put32(bytes, word);
    return bytes;
  };
  TTD32Writer::AppendSymbol(symbols, 0x0003, fields({7, 1, 0, 42}));
  TBytes udt;
  Put32(udt, 9);
  Put16(udt, 0x55);
  Put32(udt, 2);
  Put32(udt, 0);
  TTD32Writer::AppendSymbol(symbols, 0x0004, udt);
  TTD32Writer::AppendSymbol(symbols, 0x0009, fields({0xABCD, 3}));
  for (uint16_t type : {0x0201, 0x0202, 0x0203})
    TTD32Writer::AppendSymbol(symbols, type, fields({0x30, 1, 5, 4}));
  TTD32Writer::AppendSymbol(symbols, 0x0204, TTD32Writer::ProcFields(0x10, 8, 1));
  TTD32Writer::AppendSymbol(symbols, 0x0205, TTD32Writer::ProcFields(0x20, 8, 2));
  TTD32Writer::AppendSymbol(symbols, 0x0208, fields({0, 0, 4, 0x40, 1, 3}));
  TTD32Writer::AppendSymbol(symbols, 0x0209, fields({0x50, 1, 3}));
  TTD32Writer::AppendSymbol(symbols, 0x020B, fields({0x60, 1, 8, 9}));
  TTD32Writer::AppendSymbol(symbols, 0x0206, fields({1, 2, 3}));  // not read
  TTD32Writer::AppendSymbol(symbols, 0x0205, fields({1, 2, 3}));  // too short
  writer.AddSubsection(0x0125, std::move(symbols));
  writer.AddSubsection(0x012B, TBytes(64, 0xEE));  // types: walked past
  writer.AddSubsection(0x7777, TBytes(16, 0xEE));  // unknown subsection
  const TBytes data = writer.Build();

  TJclTD32InfoParser parser(data);
  ASSERT_EQ(parser.SymbolCount(), 11u);
  EXPECT_EQ(parser.ProcSymbolCount(), 2u);
  const auto& constant = dynamic_cast<const TJclTD32ConstantSymbolInfo&>(parser.Symbols(0));
  EXPECT_EQ(constant.Value(), 42u);
  EXPECT_EQ(constant.TypeIndex(), 7u);
  const auto& type = dynamic_cast<const TJclTD32UdtSymbolInfo&>(parser.Symbols(1));
  EXPECT_EQ(type.Properties(), 0x55);
  EXPECT_EQ(type.NameIndex(), 2u);
  EXPECT_NE(dynamic_cast<const TJclTD32PublicSymbolInfo*>(&parser.Symbols(5)), nullptr);
  const auto& with = dynamic_cast<const TJclTD32WithSymbolInfo&>(parser.Symbols(8));
  EXPECT_EQ(with.Offset(), 0x40u);
  EXPECT_EQ(with.Size(), 4u);
  const auto& vftPath = dynamic_cast<const TJclTD32VftPathSymbolInfo&>(parser.Symbols(10));
  EXPECT_EQ(vftPath.RootIndex(), 8u);
  EXPECT_EQ(vftPath.PathIndex(), 9u);
  const TJclTD32ProcSymbolInfo* proc = nullptr;
  ASSERT_TRUE(parser.FindProc(0x27, proc));
  EXPECT_EQ(proc->NameIndex(), 2u);
  EXPECT_FALSE(parser.FindProc(0x28, proc));
}

TEST(JclTD32InfoParser, NamesLongerThanTheirLengthByteAndMalformedUtf8) {
  TBytes names;
  Put32(names, 3);
  const std::string longName(300, 'x');
  names.push_back(uint8_t(longName.size()));
  names.insert(names.end(), longName.begin(), longName.end());
  names.push_back(0);
  for (std::string name : {std::string("Bad\xFF"), std::string("Next")}) {
    names.push_back(uint8_t(name.size()));
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
  }
  TTD32Writer writer;
  writer.AddSubsection(0x0130, names);
  const TBytes data = writer.Build();
  TJclTD32InfoParser parser(data);
  ASSERT_EQ(parser.NameCount(), 4u);
  EXPECT_EQ(parser.Names(0), "");
  EXPECT_EQ(parser.Names(1), longName);
  EXPECT_EQ(parser.Names(2), "Bad\xEF\xBF\xBD");
  EXPECT_EQ(parser.Names(3), "Next");
  EXPECT_EQ(parser.Names(4), "");
}

// Writes a 32-bit value into data at the place the writer put a subsection's directory entry.
void PatchDirectoryEntry(TBytes& data, size_t entry, size_t field, uint32_t value) {
  const uint32_t directory = uint32_t(data[4] | data[5] << 8 | data[6] << 16 | data[7] << 24);
  Set32(data, directory + 16 + 12 * entry + field, value);
}

TEST(JclTD32InfoParser, HostileOffsetsCountsAndLoopsStayInsideTheData) {
  const TBytes good = WriteTD32Data(SampleDescription());
  const uint32_t directory = uint32_t(good[4] | good[5] << 8 | good[6] << 16 | good[7] << 24);
  struct TCase {
    const char* Name;
    std::function<void(TBytes&)> Patch;
  } cases[] = {
      {"directory loops to itself", [&](TBytes& d) { Set32(d, directory + 8, directory); }},
      {"directory beyond the data", [](TBytes& d) { Set32(d, 4, 0xFFFFFFF0); }},
      {"entry count absurd", [&](TBytes& d) { Set32(d, directory + 4, 0xFFFFFFFF); }},
      {"subsection beyond the data", [](TBytes& d) { PatchDirectoryEntry(d, 0, 4, 0xFFFFFFF0); }},
      {"subsection size overflows", [](TBytes& d) { PatchDirectoryEntry(d, 1, 8, 0xFFFFFFFF); }},
      {"names size past the end",
       [](TBytes& d) {
         const size_t names = 5;  // the names subsection follows the others
         PatchDirectoryEntry(d, names, 8, 0xFFFFFFFF);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBytes data = good;
    c.Patch(data);
    TJclTD32InfoScanner scanner(data);
    EXPECT_TRUE(scanner.ValidData());
    for (uint32_t addr : {0u, 0x100u, 0x204u, 0xFFFFFFFFu}) {
      int32_t offset;
      scanner.ModuleNameFromAddr(addr);
      scanner.ProcNameFromAddr(addr, offset);
      scanner.LineNumberFromAddr(addr, offset);
      scanner.SourceNameFromAddr(addr);
    }
  }
}

TEST(JclTD32InfoParser, SharedLineTablesCannotMultiplyTheWork) {
  // Many source files whose segments all point at one large line table.
  TBytes source;
  const uint16_t files = 2000, segments = 500, lines = 1000;
  Put16(source, files);
  Put16(source, 1);
  const uint32_t entry = 4 + 4 * files;
  for (int i = 0; i < files; ++i) Put32(source, entry);
  Put16(source, segments);
  Put32(source, 1);
  const uint32_t table = entry + 6 + 12 * segments;
  for (int i = 0; i < segments; ++i) Put32(source, table);
  for (int i = 0; i < segments; ++i) {
    Put32(source, 0);
    Put32(source, 0x1000);
  }
  Put16(source, 1);
  Put16(source, lines);
  for (int i = 0; i < lines; ++i) Put32(source, uint32_t(i));
  for (int i = 0; i < lines; ++i) Put16(source, uint32_t(i + 1));
  TTD32Writer writer;
  writer.AddName("Unit1.pas");
  writer.AddSubsection(0x0127, source);
  const TBytes data = writer.Build();
  TJclTD32InfoScanner scanner(data);
  size_t totalLines = 0;
  for (size_t i = 0; i < scanner.SourceModuleCount(); ++i)
    totalLines += scanner.SourceModules(i).LineCount();
  // Read as written this would be a billion lines; the walk stops at one step per byte.
  EXPECT_LE(totalLines, data.size());
  EXPECT_EQ(scanner.LineNumberFromAddr(5), 6);
}

TEST(JclTD32InfoParser, EveryByteOverwrittenStillParses) {
  const TBytes good = WriteTD32Data(SampleDescription());
  for (size_t at = 0; at < good.size(); ++at)
    for (uint8_t value : {0x00, 0x7F, 0xFF}) {
      TBytes data = good;
      data[at] = value;
      TJclTD32InfoScanner scanner(data);
      int32_t offset;
      scanner.ProcNameFromAddr(0x204, offset);
      scanner.LineNumberFromAddr(0x204, offset);
      scanner.SourceNameFromAddr(0x204);
      scanner.ModuleNameFromAddr(0x204);
    }
}

TEST(JclPeBorTD32Image, ReadsTheTdsFileBesideTheModule) {
  EXPECT_EQ(TJclPeBorTD32Image::TD32FileName("/opt/app/libcore.so"), "/opt/app/libcore.tds");
  EXPECT_EQ(TJclPeBorTD32Image::TD32FileName("/opt/app/corvane"), "/opt/app/corvane.tds");

  const TTemporaryFolder dir("corvane-td32");
  const TBytes data = WriteTD32Data(SampleDescription());
  std::ofstream((dir / "good.tds").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  std::ofstream((dir / "bad.tds").string(), std::ios::binary) << "FB09 but not TD32 data";

  TJclPeBorTD32Image good((dir / "good.so").string());
  ASSERT_TRUE(good.IsTD32DebugPresent());
  // The file may go away while the image lives; the mapping stays.
  std::filesystem::remove(dir / "good.tds");
  EXPECT_EQ(good.TD32Scanner()->ProcNameFromAddr(0x204), "Unit2.Run");
  EXPECT_FALSE(TJclPeBorTD32Image((dir / "bad.so").string()).IsTD32DebugPresent());
  EXPECT_FALSE(TJclPeBorTD32Image((dir / "missing.so").string()).IsTD32DebugPresent());
}

}  // namespace

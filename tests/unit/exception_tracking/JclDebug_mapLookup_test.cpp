// A library loaded with a map file or TD32 file beside it that describes its functions at the
// offsets its own symbol table gives: lookups in it answer through that file.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

#include "JclDebugInfo.h"
#include "JclDebugInfo_sources.h"
#include "LocationTestSupport.h"
#include "map_writer.h"
#include "td32_writer.h"

namespace {

struct TFunctionRange {
  uint32_t Start;  // code offset
  uint32_t Size;
};

// Where the copy of the fixture that holds function lies, from its own symbol table.
TFunctionRange CodeRange(void* function) {
  Dl_info info{};
  void* symbol = nullptr;
  if (!dladdr1(function, &info, &symbol, RTLD_DL_SYMENT) || !symbol) return {0, 0};
  const auto address = reinterpret_cast<uintptr_t>(function);
  return {uint32_t(address - reinterpret_cast<uintptr_t>(info.dli_fbase) - 0x1000),
          uint32_t(static_cast<const ElfW(Sym)*>(symbol)->st_size)};
}

// The fixture's two functions as procedures of one unit, with their lines. Every copy of the
// fixture has the same symbol table, so a probe copy describes the others.
TDebugDescription DescribeFixture(const TFixtureModule& probe, const std::string& exported,
                                  const std::string& second) {
  const TFunctionRange first = CodeRange(probe.Function("FixtureExportedFunction"));
  const TFunctionRange next = CodeRange(probe.Function("FixtureSecondFunction"));
  const uint32_t start = std::min(first.Start, next.Start);
  const uint32_t end = std::max(first.Start + first.Size, next.Start + next.Size);
  TDescribedUnit unit{"FixtureUnit", "fixture_unit.pas", start, end - start, {}};
  unit.Lines = {{10, first.Start}, {11, first.Start + 2}, {20, next.Start}};
  std::sort(unit.Lines.begin(), unit.Lines.end(),
            [](auto& a, auto& b) { return a.Offset < b.Offset; });
  return {{unit}, {{exported, first.Start, first.Size}, {second, next.Start, next.Size}}};
}

std::string AddressText(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(uintptr_t(address)));
  return text;
}

struct TLookupCase {
  const char* Name;
  // The procedure names as the file writes them.
  const char* Exported;
  const char* Second;
  std::function<void(const std::filesystem::path&, const TDebugDescription&)> WriteBeside;
  std::function<bool(TJclDebugInfoSource*)> IsExpectedSource;
  const char* ExpectedProcedure;
};

TEST(JclDebugMapAndTD32Lookup, AFileBesideTheLibraryAnswersWithItsUnitProcedureAndLine) {
  TTemporaryFolder folder;
  const TFixtureModule probe(folder.Path(), "libprobe", [](const std::filesystem::path&) {});
  ASSERT_TRUE(probe.Loaded());
  const TLookupCase cases[] = {
      {"map file", "FixtureUnit.Exported", "FixtureUnit.Second",
       [](const std::filesystem::path& base, const TDebugDescription& description) {
         std::ofstream(base.string() + ".map", std::ios::binary) << WriteMapText(description);
       },
       [](TJclDebugInfoSource* source) {
         return dynamic_cast<TJclDebugInfoMap*>(source) != nullptr;
       },
       "FixtureUnit.Exported"},
      {"tds file", "@FixtureUnit@Exported", "@FixtureUnit@Second",
       [](const std::filesystem::path& base, const TDebugDescription& description) {
         const TBytes data = WriteTD32Data(description);
         std::ofstream(base.string() + ".tds", std::ios::binary)
             .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
       },
       [](TJclDebugInfoSource* source) {
         return dynamic_cast<TJclDebugInfoTD32*>(source) != nullptr;
       },
       "Exported"},
  };
  int copy = 0;
  for (const TLookupCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TDebugDescription description = DescribeFixture(probe, c.Exported, c.Second);
    ASSERT_GT(description.Procs[0].Size, 3u);

    const std::string name = "libdescribed" + std::to_string(copy++);
    TFixtureModule module(folder.Path(), name, [&](const std::filesystem::path& base) {
      c.WriteBeside(base, description);
    });
    ASSERT_TRUE(module.Loaded());
    const auto* function = static_cast<const uint8_t*>(module.Function("FixtureExportedFunction"));
    const void* address = function + 3;

    TJclLocationInfo info;
    ASSERT_TRUE(TryGetLocationInfo(address, info));
    EXPECT_TRUE(c.IsExpectedSource(info.DebugInfo));
    EXPECT_EQ(info.Address, address);
    EXPECT_EQ(info.UnitName, "FixtureUnit");
    EXPECT_EQ(info.ProcedureName, c.ExpectedProcedure);
    EXPECT_EQ(info.OffsetFromProcName, 3);
    EXPECT_EQ(info.LineNumber, 11);
    EXPECT_EQ(info.OffsetFromLineNumber, 1);
    EXPECT_EQ(info.SourceName, "fixture_unit.pas");
    EXPECT_EQ(info.BinaryFileName, (folder.Path() / (name + ".so")).string());
    EXPECT_EQ(
        LocationToText(address),
        "[" + AddressText(address) + "] FixtureUnit.Exported (Line 11, \"fixture_unit.pas\")");

    const void* second = module.Function("FixtureSecondFunction");
    GetLocationInfo(second, info);
    EXPECT_EQ(info.LineNumber, 20);
    EXPECT_EQ(info.OffsetFromLineNumber, 0);
    EXPECT_NE(info.ProcedureName.find("Second"), std::string::npos);
  }
}

}  // namespace

namespace {

TEST(JclDebugMapAndTD32Lookup, SegmentClassesTakeTheirAddressFromTheLoadedModule) {
  TTemporaryFolder folder;
  const TFixtureModule module(folder.Path(), "libsections", [](const std::filesystem::path&) {});
  ASSERT_TRUE(module.Loaded());
  void* function = module.Function("FixtureExportedFunction");
  const uintptr_t base = ModuleOfAddress(function);
  const std::string text =
      " Start         Length     Name                   Class\r\n"
      " 0001:00001000 00001000H .text                   CODE\r\n"
      " 0002:00000000 00000100H .nosuch                 .text\r\n"
      " 0003:00002000 00000100H .nosuch                 NOCLASS\r\n";
  const TJclMapScanner scanner(std::span<const char>(text.data(), text.size()), base);
  const auto& classes = scanner.SegmentClasses();
  ASSERT_EQ(classes.size(), 3u);
  // The code section holds the fixture's functions.
  EXPECT_GT(classes[0].VA, 0u);
  EXPECT_LE(classes[0].VA, reinterpret_cast<uintptr_t>(function) - base);
  EXPECT_EQ(classes[0].Addr, base + classes[0].VA);
  // Found by its class name when the section name is unknown.
  EXPECT_EQ(classes[1].VA, classes[0].VA);
  EXPECT_EQ(classes[1].Addr, classes[0].Addr);
  // Neither name is a section: the offset rules stand.
  EXPECT_EQ(classes[2].VA, 0x1000u);
  EXPECT_EQ(classes[2].Addr, 0x2000u);
}

}  // namespace

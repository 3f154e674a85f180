#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "JclDebugInfo.h"
#include "JclDebugInfo_sources.h"
#include "JclDebug_binaryWriter.h"
#include "LocationTestSupport.h"
#include "SysUtils.h"

namespace {

// The address of the call instruction that called this function.
__attribute__((noinline)) const void* CallSite() {
  return static_cast<const char*>(__builtin_return_address(0)) - 1;
}

std::string Hex(uintptr_t value) {
  return Format("%016" PRIXPTR, value);
}

void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t CodeOffset(const void* address) {
  return uint32_t(reinterpret_cast<uintptr_t>(address) - ModuleOfAddress(address) - 0x1000);
}

TEST(JclDebugLocation, AnAddressInTheExecutableResolvesThroughItsEmbeddedSection) {
  const int line = __LINE__ + 1;
  const void* address = CallSite();
  TJclLocationInfo info;
  ASSERT_TRUE(TryGetLocationInfo(address, info));
  EXPECT_EQ(info.Address, address);
  EXPECT_EQ(info.UnitName, "JclDebug_location_test");
  EXPECT_TRUE(info.ProcedureName.ends_with("_Test.TestBody")) << info.ProcedureName;
  EXPECT_GT(info.OffsetFromProcName, 0);
  EXPECT_EQ(info.LineNumber, line);
  EXPECT_EQ(info.SourceName, "JclDebug_location_test.cpp");
  EXPECT_NE(dynamic_cast<TJclDebugInfoBinary*>(info.DebugInfo), nullptr);
  EXPECT_EQ(info.BinaryFileName, std::filesystem::read_symlink("/proc/self/exe").string());

  const std::string text = LocationToText(address, false, true, false, false);
  EXPECT_TRUE(text.starts_with("[" + Hex(uintptr_t(address)) + "] JclDebug_location_test."))
      << text;
  EXPECT_NE(text.find(Format(" (Line %d, \"JclDebug_location_test.cpp\") + $", line)),
            std::string::npos)
      << text;
  const std::string withModule = LocationToText(address, true, false, false, false);
  // The module's file name follows the bracketed address.
  EXPECT_EQ(withModule.substr(0, 18), "[" + Hex(uintptr_t(address)) + "]");
  EXPECT_EQ(withModule.substr(18, 25), "{jcldebug_location_tests}");
}

TEST(JclDebugLocation, AddressesOutsideEveryModuleGiveAnEmptyRecord) {
  auto heap = std::make_unique<int>(7);
  for (const void* address :
       {static_cast<const void*>(nullptr), static_cast<const void*>(heap.get()),
        reinterpret_cast<const void*>(uintptr_t(16))}) {
    TJclLocationInfo info;
    info.UnitName = "stale";
    GetLocationInfo(address, info);
    EXPECT_EQ(info.Address, nullptr);
    EXPECT_EQ(info.UnitName, "");
    EXPECT_EQ(info.ProcedureName, "");
    EXPECT_EQ(info.LineNumber, 0);
    EXPECT_EQ(info.DebugInfo, nullptr);
    EXPECT_EQ(info.BinaryFileName, "");
    EXPECT_FALSE(TryGetLocationInfo(address, info));
    EXPECT_EQ(ModuleOfAddress(address), 0u);
  }
  // No information, no options: the code offset, then the address.
  const uintptr_t address = reinterpret_cast<uintptr_t>(heap.get());
  EXPECT_EQ(LocationToText(heap.get()), "(" + Hex(address - 0x1000) + ") [" + Hex(address) + "]");
}

TEST(JclDebugLocation, ModuleOfAddressIsTheBaseOfTheModule) {
  const void* address = CallSite();
  Dl_info dl;
  ASSERT_NE(dladdr(address, &dl), 0);
  EXPECT_EQ(ModuleOfAddress(address), reinterpret_cast<uintptr_t>(dl.dli_fbase));
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::qsort), &dl), 0);
  EXPECT_EQ(ModuleOfAddress(reinterpret_cast<void*>(&std::qsort)),
            reinterpret_cast<uintptr_t>(dl.dli_fbase));
}

TEST(JclDebugLocation, ACompanionFileServesAModuleWithoutSection) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgcompanion", [](const std::filesystem::path&) {});
  ASSERT_TRUE(module.Loaded());
  void* function = module.Function("FixtureExportedFunction");
  // Written after loading, since the offsets depend on where the module lies.
  TJclBinDebugWriter writer;
  writer.SetModuleName("LIBJDBGCOMPANION");
  writer.AddUnit(CodeOffset(function), "Fixture");
  writer.AddProcedure(CodeOffset(function), "TFixture", "Exported");
  writer.AddLineNumber(CodeOffset(function), 4);
  writer.AddSourceName(CodeOffset(function), "fixture.cpp");
  writer.AddSourceName(CodeOffset(function) + 0x100, "");
  WriteFile(folder.Path() / "libjdbgcompanion.jdbg", writer.Build(true));

  TJclLocationInfo info;
  ASSERT_TRUE(TryGetLocationInfo(static_cast<char*>(function) + 2, info));
  EXPECT_EQ(info.UnitName, "Fixture");
  EXPECT_EQ(info.ProcedureName, "TFixture.Exported");
  EXPECT_EQ(info.OffsetFromProcName, 2);
  EXPECT_EQ(info.LineNumber, 4);
  EXPECT_EQ(info.OffsetFromLineNumber, 2);
  EXPECT_EQ(info.SourceName, "fixture.cpp");
  EXPECT_NE(dynamic_cast<TJclDebugInfoBinary*>(info.DebugInfo), nullptr);
  EXPECT_EQ(info.BinaryFileName, (folder.Path() / "libjdbgcompanion.so").string());
  // The unit's name is stripped from a procedure name that starts with it.
  EXPECT_EQ(
      LocationToText(function, false, false, false, false),
      "[" + Hex(uintptr_t(function)) + "] Fixture.TFixture.Exported (Line 4, \"fixture.cpp\")");
}

TEST(JclDebugLocation, ACompanionFileOfAnotherModuleIsNotUsed) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgother", [](const std::filesystem::path& base) {
    TJclBinDebugWriter writer;
    writer.SetModuleName("somethingelse");
    writer.AddUnit(0, "Wrong");
    WriteFile(base.string() + ".jdbg", writer.Build(false));
  });
  TJclLocationInfo info;
  GetLocationInfo(module.Function("FixtureExportedFunction"), info);
  EXPECT_NE(info.UnitName, "Wrong");
  EXPECT_EQ(dynamic_cast<TJclDebugInfoBinary*>(info.DebugInfo), nullptr);
}

TEST(JclDebugLocation, AHostileCompanionFileGivesNoInformationAndLaterModulesStillResolve) {
  TTemporaryFolder folder;
  std::vector<uint8_t> hostile;
  {
    TJclBinDebugWriter writer;
    writer.SetModuleName("libjdbghostile");
    writer.AddUnit(0, "Unit");
    hostile = writer.Build(false);
    // Every table offset past the end, and the rest of the data numbers that never end.
    for (size_t field : {jhUnitsOffset, jhSymbolsOffset, jhWordsOffset})
      for (int i = 0; i < 4; ++i) hostile[field + i] = 0xFF;
    std::fill(hostile.begin() + JclDbgHeaderSize, hostile.end(), 0xFF);
  }
  TFixtureModule module(folder.Path(), "libjdbghostile", [&](const std::filesystem::path& base) {
    WriteFile(base.string() + ".jdbg", hostile);
  });
  TJclDebugInfoList cache;
  void* function = module.Function("FixtureExportedFunction");
  TJclDebugInfoSource* source = cache.GetItemFromModule(ModuleOfAddress(function));
  EXPECT_EQ(dynamic_cast<TJclDebugInfoBinary*>(source), nullptr);
  TJclLocationInfo info;
  GetLocationInfo(function, info);
  EXPECT_EQ(info.UnitName.find("Unit"), std::string::npos);
  // The executable's own information is unaffected.
  ASSERT_TRUE(TryGetLocationInfo(CallSite(), info));
  EXPECT_EQ(info.UnitName, "JclDebug_location_test");
}

TEST(JclDebugLocation, AModuleWithAMapFileIsLeftToTheMapEvenWithoutAnEntry) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgmapped", [](const std::filesystem::path& base) {
    std::ofstream(base.string() + ".map") << "\r\n";
  });
  void* function = module.Function("FixtureExportedFunction");
  TJclLocationInfo info;
  EXPECT_FALSE(TryGetLocationInfo(function, info));
  EXPECT_EQ(info.ProcedureName, "");
  TJclDebugInfoList cache;
  EXPECT_NE(dynamic_cast<TJclDebugInfoMap*>(cache.GetItemFromModule(ModuleOfAddress(function))),
            nullptr);
}

TEST(JclDebugLocation, WithoutFilesBesideTheModuleTheTableSourcesDecline) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgbare", [](const std::filesystem::path&) {});
  const uintptr_t base = ModuleOfAddress(module.Function("FixtureExportedFunction"));
  for (TJclDebugInfoSourceClass sourceClass :
       {TJclDebugInfoBinary::Create, TJclDebugInfoTD32::Create, TJclDebugInfoMap::Create})
    EXPECT_FALSE(sourceClass(base)->InitializeSource());
  EXPECT_TRUE(TJclDebugInfoExports::Create(base)->InitializeSource());
}

TEST(JclDebugLocation, SymbolsSourceReadsTheDwarfOfALibraryWithoutOtherInformation) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgsymbols", [](const std::filesystem::path&) {});
  void* function = module.Function("FixtureSecondFunction");
  TJclLocationInfo info;
  ASSERT_TRUE(TryGetLocationInfo(static_cast<char*>(function) + 1, info));
  EXPECT_NE(dynamic_cast<TJclDebugInfoSymbols*>(info.DebugInfo), nullptr);
  EXPECT_EQ(info.ProcedureName, "FixtureSecondFunction");
  EXPECT_EQ(info.OffsetFromProcName, 1);
  EXPECT_TRUE(info.UnitName.ends_with("location_fixture.cpp")) << info.UnitName;
  EXPECT_GE(info.LineNumber, 8);
  EXPECT_LE(info.LineNumber, 10);
}

TEST(JclDebugLocation, AnAddressInLibcResolvesToTheNearestExport) {
  // libc's own routine: under the sanitizers the program's qsort is their interceptor.
  void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(libc, nullptr);
  const void* address = static_cast<const char*>(dlsym(libc, "qsort")) + 1;
  dlclose(libc);
  TJclLocationInfo info;
  ASSERT_TRUE(TryGetLocationInfo(address, info));
  EXPECT_NE(dynamic_cast<TJclDebugInfoExports*>(info.DebugInfo), nullptr);
  EXPECT_EQ(info.UnitName, "");
  EXPECT_EQ(info.ProcedureName, "qsort");
  EXPECT_EQ(info.OffsetFromProcName, 1);
  EXPECT_EQ(info.LineNumber, 0);
  EXPECT_NE(info.BinaryFileName.find("libc.so"), std::string::npos);
  EXPECT_EQ(LocationToText(address, false, true, false, false),
            "[" + Hex(uintptr_t(address)) + "] qsort + $1");
}

// Registered first for one test: raises while initialising, which stops the lookup.
struct TRaisingSource : TJclDebugInfoSource {
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t module) {
    return std::make_unique<TRaisingSource>(module);
  }
  bool InitializeSource() override { throw Exception("cannot read"); }
  bool GetLocationInfo(const void*, TJclLocationInfo&) override { return false; }
};

TEST(JclDebugLocation, ASourceThatRaisesEmptiesTheRecordAndIsNotCached) {
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgraising", [](const std::filesystem::path&) {});
  void* function = module.Function("FixtureExportedFunction");
  RegisterDebugInfoSourceFirst(TRaisingSource::Create);
  TJclLocationInfo info;
  info.ProcedureName = "stale";
  GetLocationInfo(function, info);
  EXPECT_EQ(info.ProcedureName, "");
  EXPECT_FALSE(TryGetLocationInfo(function, info));
  UnRegisterDebugInfoSource(TRaisingSource::Create);
  EXPECT_TRUE(TryGetLocationInfo(function, info));
  EXPECT_EQ(info.ProcedureName, "FixtureExportedFunction");
}

}  // namespace

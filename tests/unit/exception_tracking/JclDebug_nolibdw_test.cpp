// Runs with a library path whose "libdw.so.1" lacks every routine, as on a system without
// elfutils: the symbol source declines and the export table answers.

#include <gtest/gtest.h>

#include "JclDebugInfo.h"
#include "JclDebugInfo_sources.h"
#include "LocationTestSupport.h"

namespace {

TEST(JclDebugWithoutLibdw, TheSymbolSourceDeclinesAndExportsAnswer) {
  EXPECT_FALSE(TJclDebugInfoSymbols::InitializeDebugSymbols());
  TTemporaryFolder folder;
  TFixtureModule module(folder.Path(), "libjdbgexports", [](const std::filesystem::path&) {});
  ASSERT_TRUE(module.Loaded());
  EXPECT_FALSE(
      TJclDebugInfoSymbols::Create(ModuleOfAddress(module.Function("FixtureExportedFunction")))
          ->InitializeSource());

  auto* exported = static_cast<char*>(module.Function("FixtureExportedFunction"));
  auto* second = static_cast<char*>(module.Function("FixtureSecondFunction"));
  TJclLocationInfo info;
  ASSERT_TRUE(TryGetLocationInfo(exported + 1, info));
  EXPECT_NE(dynamic_cast<TJclDebugInfoExports*>(info.DebugInfo), nullptr);
  EXPECT_EQ(info.ProcedureName, "FixtureExportedFunction");
  EXPECT_EQ(info.OffsetFromProcName, 1);
  EXPECT_EQ(info.UnitName, "");
  EXPECT_EQ(info.LineNumber, 0);

  // The padding before the next function lies after the end of the first one's body.
  ASSERT_LT(exported, second);
  ASSERT_TRUE(TryGetLocationInfo(second - 1, info));
  EXPECT_EQ(info.ProcedureName, "Unknown function at FixtureExportedFunction");
  EXPECT_EQ(info.OffsetFromProcName, int32_t(second - 1 - exported));
}

}  // namespace

// The built program's embedded debug information against libdw's reading of its DWARF data.

#include <dwarf.h>
#include <elf.h>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "FileUtils.h"
#include "JclDebug_binary.h"
#include "JclDebug_elf.h"
#include "JclDebug_mappedFile.h"

namespace {

struct TLineRow {
  Dwarf_Addr Address;
  Dwarf_Addr Next;  // the following row of the same sequence
};

class TProgramDwarf {
 public:
  explicit TProgramDwarf(const char* fileName) : FHandle(open(fileName, O_RDONLY)) {
    FDwarf = dwarf_begin(FHandle, DWARF_C_READ);
  }
  ~TProgramDwarf() {
    dwarf_end(FDwarf);
    close(FHandle);
  }
  Dwarf* Handle() const { return FDwarf; }

  // libdw's line for a virtual address: line number and source file name without folder.
  std::pair<int, std::string> LineOf(Dwarf_Addr address) const {
    Dwarf_Die unit;
    if (!dwarf_addrdie(FDwarf, address, &unit)) return {0, ""};
    Dwarf_Line* line = dwarf_getsrc_die(&unit, address);
    int number = 0;
    if (!line || dwarf_lineno(line, &number) != 0) return {0, ""};
    const char* file = dwarf_linesrc(line, nullptr, nullptr);
    return {number, file ? ExtractFileName(file) : ""};
  }

  // Rows that start a range of their own: the next row of the sequence lies further on.
  std::vector<TLineRow> DistinctRows() const {
    std::vector<TLineRow> rows;
    Dwarf_CU* cu = nullptr;
    Dwarf_Die unit;
    uint8_t unitType;
    while (dwarf_get_units(FDwarf, cu, &cu, nullptr, &unitType, &unit, nullptr) == 0) {
      Dwarf_Lines* lines;
      size_t count;
      if (dwarf_getsrclines(&unit, &lines, &count) != 0) continue;
      for (size_t i = 0; i + 1 < count; ++i) {
        Dwarf_Addr address, next;
        bool end;
        dwarf_lineaddr(dwarf_onesrcline(lines, i), &address);
        dwarf_lineaddr(dwarf_onesrcline(lines, i + 1), &next);
        dwarf_lineendsequence(dwarf_onesrcline(lines, i), &end);
        if (!end && next > address) rows.push_back({address, next});
      }
    }
    return rows;
  }

 private:
  int FHandle;
  Dwarf* FDwarf;
};

// A function's DIE, found by name in the compilation unit whose file name ends with unitFile.
bool FindFunction(Dwarf* dwarf, const std::string& unitFile, const std::string& name,
                  Dwarf_Addr& low, Dwarf_Addr& high) {
  Dwarf_CU* cu = nullptr;
  Dwarf_Die unit;
  uint8_t unitType;
  while (dwarf_get_units(dwarf, cu, &cu, nullptr, &unitType, &unit, nullptr) == 0) {
    const char* unitName = dwarf_diename(&unit);
    if (!unitName || !std::string(unitName).ends_with(unitFile)) continue;
    Dwarf_Die child;
    if (dwarf_child(&unit, &child) != 0) continue;
    do {
      const char* childName = dwarf_diename(&child);
      if (dwarf_tag(&child) == DW_TAG_subprogram && childName && name == childName &&
          dwarf_lowpc(&child, &low) == 0 && dwarf_highpc(&child, &high) == 0)
        return true;
    } while (dwarf_siblingof(&child, &child) == 0);
  }
  return false;
}

class JdbgProducer : public ::testing::Test {
 protected:
  void SetUp() override {
    const TJclElfImage image(FProgram.Data());
    FLowestLoad = image.LowestLoadAddress().value_or(0);
    const auto section = image.FindSection("JCLDEBUG");
    ASSERT_TRUE(section) << "no JCLDEBUG section in " << CORVANE_PROGRAM;
    FScanner = std::make_unique<TJclBinDebugScanner>(*section, true);
    ASSERT_TRUE(FScanner->ValidFormat());
  }
  // Inside the program's code: the DWARF data of code the linker dropped stays, at addresses
  // near 0.
  bool InCode(Dwarf_Addr address) const {
    Elf64_Ehdr header;
    std::memcpy(&header, FProgram.Data().data(), sizeof(header));
    for (size_t i = 0; i < header.e_phnum; ++i) {
      Elf64_Phdr segment;
      std::memcpy(&segment, FProgram.Data().data() + header.e_phoff + i * sizeof(segment),
                  sizeof(segment));
      if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) && address >= segment.p_vaddr &&
          address < segment.p_vaddr + segment.p_memsz)
        return true;
    }
    return false;
  }
  uint32_t CodeOffset(Dwarf_Addr address) const { return uint32_t(address - FLowestLoad - 0x1000); }

  TJclMappedFile FProgram{CORVANE_PROGRAM};
  TProgramDwarf FDwarf{CORVANE_PROGRAM};
  uint64_t FLowestLoad = 0;
  std::unique_ptr<TJclBinDebugScanner> FScanner;
};

TEST_F(JdbgProducer, AFunctionOfTheShellResolvesToItsUnitNameLineAndFile) {
  EXPECT_EQ(FScanner->ModuleName(), "corvane");
  Dwarf_Addr low, high;
  ASSERT_TRUE(
      FindFunction(FDwarf.Handle(), "ServiceNavigation.cpp", "IsMarketingSignupUrl", low, high));
  const Dwarf_Addr address = low + (high - low) / 2;
  const uint32_t offset = CodeOffset(address);
  EXPECT_EQ(FScanner->ModuleNameFromAddr(offset), "ServiceNavigation");
  int32_t procOffset = 0;
  EXPECT_EQ(FScanner->ProcNameFromAddr(offset, procOffset), "IsMarketingSignupUrl");
  EXPECT_EQ(Dwarf_Addr(procOffset), address - low);
  const auto [line, file] = FDwarf.LineOf(address);
  EXPECT_EQ(FScanner->LineNumberFromAddr(offset), line);
  EXPECT_EQ(FScanner->SourceNameFromAddr(offset), file);
  // Past the function's end lies no procedure of its name.
  EXPECT_NE(FScanner->ProcNameFromAddr(CodeOffset(high)), "IsMarketingSignupUrl");
}

TEST_F(JdbgProducer, LinesAndFilesEqualLibdwsFor200Addresses) {
  const std::vector<TLineRow> rows = FDwarf.DistinctRows();
  ASSERT_GT(rows.size(), 2000u);
  int compared = 0;
  for (size_t i = 0; compared < 200 && i < rows.size(); i += rows.size() / 1000) {
    // Alternately a row's first byte and a byte inside its range.
    const Dwarf_Addr address =
        i % 2 ? rows[i].Address : rows[i].Address + (rows[i].Next - rows[i].Address) / 2;
    const auto [line, file] = FDwarf.LineOf(address);
    // Generated code outside every unit's ranges (thunks) is not libdw's to answer.
    if (line == 0 || !InCode(address)) continue;
    const uint32_t offset = CodeOffset(address);
    EXPECT_EQ(FScanner->LineNumberFromAddr(offset), line) << std::hex << address;
    EXPECT_EQ(FScanner->SourceNameFromAddr(offset), file) << std::hex << address;
    ++compared;
  }
  EXPECT_EQ(compared, 200);
}

}  // namespace

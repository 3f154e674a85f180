#include "JdbgDwarf.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gelf.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>

#include "FileUtils.h"
#include "JclDebug_names.h"

namespace {

constexpr uint64_t CodeOffsetBias = 0x1000;

// An entry of one of the start-ordered tables before sorting. An entry without a name closes
// the range before it; at the same offset a named entry wins.
struct TRangeStart {
  uint64_t Address;
  bool Named;
  std::string First;
  std::string Second;
};

// Code of a compilation unit, [Start, End).
struct TUnitRange {
  uint64_t Start;
  uint64_t End;
  std::string Name;
};

struct TLineRow {
  uint64_t Address;
  int32_t Line;  // 0 at the end of a sequence
  std::string Source;
};

struct TModuleTables {
  // Executable segments [start, end): code the linker dropped keeps its DWARF, at addresses
  // near 0, and must not reach the tables.
  std::vector<std::pair<uint64_t, uint64_t>> Code;
  std::vector<TUnitRange> Units;
  std::vector<TRangeStart> Procedures;
  std::vector<TLineRow> Lines;
};

class TOpenFile {
 public:
  explicit TOpenFile(const std::string& fileName) : FHandle(open(fileName.c_str(), O_RDONLY)) {
    if (FHandle < 0) throw EJdbgError("Cannot open " + fileName + ": " + SystemErrorText(errno));
  }
  ~TOpenFile() { close(FHandle); }
  TOpenFile(const TOpenFile&) = delete;
  TOpenFile& operator=(const TOpenFile&) = delete;
  int Handle() const { return FHandle; }

 private:
  int FHandle;
};

std::string BaseNameWithoutExtension(const std::string& path) {
  std::string name = ExtractFileName(path);
  name.resize(name.size() - ExtractFileExt(name).size());
  return name;
}

std::vector<GElf_Phdr> LoadableSegments(Elf* elf) {
  size_t count = 0;
  if (elf_getphdrnum(elf, &count) != 0) throw EJdbgError("No program headers");
  std::vector<GElf_Phdr> segments;
  for (size_t i = 0; i < count; ++i) {
    GElf_Phdr header;
    if (gelf_getphdr(elf, int(i), &header) && header.p_type == PT_LOAD) segments.push_back(header);
  }
  if (segments.empty()) throw EJdbgError("No loadable segment");
  return segments;
}

// The page the lowest segment starts in: the module base, as the loader maps it.
uint64_t LowestLoadAddress(const std::vector<GElf_Phdr>& segments) {
  uint64_t lowest = UINT64_MAX;
  for (const GElf_Phdr& segment : segments)
    lowest =
        std::min(lowest, segment.p_vaddr & ~uint64_t(segment.p_align ? segment.p_align - 1 : 0));
  return lowest;
}

std::vector<std::pair<uint64_t, uint64_t>> CodeSegments(const std::vector<GElf_Phdr>& segments) {
  std::vector<std::pair<uint64_t, uint64_t>> code;
  for (const GElf_Phdr& segment : segments)
    if (segment.p_flags & PF_X)
      code.emplace_back(segment.p_vaddr, segment.p_vaddr + segment.p_memsz);
  return code;
}

// An address inside the code, or right at its end where the last range closes.
bool InCode(const TModuleTables& tables, uint64_t address) {
  return std::any_of(tables.Code.begin(), tables.Code.end(), [&](const auto& segment) {
    return address >= segment.first && address <= segment.second;
  });
}

std::string AttributeString(Dwarf_Die* die, unsigned name) {
  Dwarf_Attribute attribute;
  if (!dwarf_attr_integrate(die, name, &attribute)) return {};
  const char* text = dwarf_formstring(&attribute);
  return text ? text : "";
}

// Calls visit(start, end) for each address range of die.
template <class Visit>
void ForEachRange(Dwarf_Die* die, Visit&& visit) {
  Dwarf_Addr base, start, end;
  for (ptrdiff_t next = 0; (next = dwarf_ranges(die, next, &base, &start, &end)) > 0;)
    if (start < end) visit(start, end);
}

// The functions of one unit, with the scope (namespaces and classes) each DIE sits in.
struct TUnitFunctions {
  std::map<Dwarf_Off, std::string> Scopes;
  std::vector<std::pair<Dwarf_Die, std::string>> Definitions;
};

std::string Qualified(const std::string& scope, const std::string& name) {
  return scope.empty() ? name : scope + "::" + name;
}

// Functions may sit in namespaces, classes and the blocks of other functions.
void CollectFunctions(Dwarf_Die* parent, const std::string& scope, TUnitFunctions& functions) {
  Dwarf_Die child;
  if (dwarf_child(parent, &child) != 0) return;
  do {
    const char* name = dwarf_diename(&child);
    switch (dwarf_tag(&child)) {
      case DW_TAG_subprogram:
        functions.Scopes[dwarf_dieoffset(&child)] = scope;
        if (!dwarf_hasattr(&child, DW_AT_declaration))
          functions.Definitions.emplace_back(child, scope);
        CollectFunctions(&child, scope, functions);
        break;
      case DW_TAG_namespace:
        CollectFunctions(&child, Qualified(scope, name ? name : "(anonymous namespace)"),
                         functions);
        break;
      case DW_TAG_class_type:
      case DW_TAG_structure_type:
      case DW_TAG_union_type:
        CollectFunctions(&child, Qualified(scope, name ? name : ""), functions);
        break;
      case DW_TAG_lexical_block:
        CollectFunctions(&child, scope, functions);
        break;
      default:
        break;
    }
  } while (dwarf_siblingof(&child, &child) == 0);
}

// The demangled linkage name; for functions without one (internal linkage), the name in the
// scope of its declaration, which an out-of-line definition refers to.
std::string FunctionName(Dwarf_Die die, std::string scope, const TUnitFunctions& functions) {
  std::string linkageName = AttributeString(&die, DW_AT_linkage_name);
  if (linkageName.empty()) linkageName = AttributeString(&die, DW_AT_MIPS_linkage_name);
  if (!linkageName.empty()) return Demangle(linkageName);
  const std::string name = AttributeString(&die, DW_AT_name);
  Dwarf_Die current = die;
  for (int depth = 0; depth < 8; ++depth) {
    Dwarf_Attribute reference;
    if (!dwarf_attr(&current, DW_AT_specification, &reference) &&
        !dwarf_attr(&current, DW_AT_abstract_origin, &reference))
      break;
    if (!dwarf_formref_die(&reference, &current)) break;
    if (const auto it = functions.Scopes.find(dwarf_dieoffset(&current));
        it != functions.Scopes.end())
      scope = it->second;
  }
  return name.empty() ? name : Qualified(scope, name);
}

void AddFunctions(Dwarf_Die* unit, TModuleTables& tables) {
  TUnitFunctions functions;
  CollectFunctions(unit, "", functions);
  for (const auto& [die, scope] : functions.Definitions) {
    const TJclProcedureName name = SplitProcedureName(FunctionName(die, scope, functions));
    if (name.First.empty()) continue;
    ForEachRange(const_cast<Dwarf_Die*>(&die), [&](uint64_t start, uint64_t end) {
      if (!InCode(tables, start)) return;
      tables.Procedures.push_back({start, true, name.First, name.Second});
      tables.Procedures.push_back({end, false, {}, {}});
    });
  }
}

// The unit's rows; each of its line sequences also counts as its code, since thunks and other
// generated code may lie outside the unit's address ranges.
void AddLineRows(Dwarf_Die* unit, const std::string& unitName, TModuleTables& tables) {
  Dwarf_Lines* lines = nullptr;
  size_t count = 0;
  if (dwarf_getsrclines(unit, &lines, &count) != 0) return;
  // Interned base names: one string per source file rather than one per row.
  std::map<const char*, std::string> sourceNames;
  bool inSequence = false;
  uint64_t sequenceStart = 0;
  for (size_t i = 0; i < count; ++i) {
    Dwarf_Line* line = dwarf_onesrcline(lines, i);
    Dwarf_Addr address;
    int number = 0;
    bool endSequence = false;
    if (!line || dwarf_lineaddr(line, &address) != 0 || dwarf_lineno(line, &number) != 0 ||
        dwarf_lineendsequence(line, &endSequence) != 0 || !InCode(tables, address))
      continue;
    if (endSequence) {
      tables.Lines.push_back({address, 0, {}});
      if (inSequence) tables.Units.push_back({sequenceStart, address, unitName});
      inSequence = false;
      continue;
    }
    if (!inSequence) sequenceStart = address;
    inSequence = true;
    const char* path = dwarf_linesrc(line, nullptr, nullptr);
    auto [it, added] = sourceNames.try_emplace(path, std::string());
    if (added && path) it->second = ExtractFileName(path);
    tables.Lines.push_back({address, number, it->second});
  }
}

void AddUnit(Dwarf_Die* unit, TModuleTables& tables) {
  const std::string name = BaseNameWithoutExtension(AttributeString(unit, DW_AT_name));
  ForEachRange(unit, [&](uint64_t start, uint64_t end) {
    if (InCode(tables, start)) tables.Units.push_back({start, end, name});
  });
  AddFunctions(unit, tables);
  AddLineRows(unit, name, tables);
}

TModuleTables ReadTables(Dwarf* dwarf, std::vector<std::pair<uint64_t, uint64_t>> code) {
  TModuleTables tables;
  tables.Code = std::move(code);
  Dwarf_CU* cu = nullptr;
  Dwarf_Die unit;
  uint8_t unitType;
  while (dwarf_get_units(dwarf, cu, &cu, nullptr, &unitType, &unit, nullptr) == 0)
    if (unitType == DW_UT_compile) AddUnit(&unit, tables);
  return tables;
}

// Sorted by address, one entry per address: the named one when there is one, so a range's end
// never hides the next range's start.
std::vector<TRangeStart> Ordered(std::vector<TRangeStart> entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const TRangeStart& a, const TRangeStart& b) {
    return a.Address != b.Address ? a.Address < b.Address : a.Named > b.Named;
  });
  std::vector<TRangeStart> result;
  for (TRangeStart& entry : entries)
    if (result.empty() || result.back().Address != entry.Address)
      result.push_back(std::move(entry));
  return result;
}

uint32_t CodeOffset(uint64_t address, uint64_t loadBase) {
  return uint32_t(address - loadBase - CodeOffsetBias);
}

// One entry per unit start and one without a name where the code of no unit follows; ranges of
// one unit that overlap or touch are one.
std::vector<TRangeStart> UnitEntries(std::vector<TUnitRange> ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const TUnitRange& a, const TUnitRange& b) {
    return a.Start != b.Start ? a.Start < b.Start : a.End > b.End;
  });
  std::vector<TUnitRange> merged;
  for (TUnitRange& range : ranges) {
    if (!merged.empty() && merged.back().Name == range.Name && range.Start <= merged.back().End)
      merged.back().End = std::max(merged.back().End, range.End);
    else
      merged.push_back(std::move(range));
  }
  std::vector<TRangeStart> entries;
  for (size_t i = 0; i < merged.size(); ++i) {
    if (!entries.empty() && entries.back().Address == merged[i].Start) entries.pop_back();
    entries.push_back({merged[i].Start, true, merged[i].Name, {}});
    if (i + 1 == merged.size() || merged[i + 1].Start > merged[i].End)
      entries.push_back({merged[i].End, false, {}, {}});
  }
  return entries;
}

// Entries in address order, as Ordered gives them.
void WriteRanges(const std::vector<TRangeStart>& entries, uint64_t loadBase, bool procedures,
                 TJclBinDebugWriter& writer) {
  for (const TRangeStart& entry : entries) {
    if (procedures)
      writer.AddProcedure(CodeOffset(entry.Address, loadBase), entry.First, entry.Second);
    else
      writer.AddUnit(CodeOffset(entry.Address, loadBase), entry.First);
  }
}

// Rows at one address: the last one of its sequence holds; a sequence's end gives way to a row
// that starts the next sequence at the same address. A line entry is written when the line
// changes, a source entry when the file changes, and both again at every unit start, since a
// lookup only takes entries that lie inside the address's unit.
void WriteLines(std::vector<TLineRow> rows, const std::vector<uint64_t>& unitStarts,
                uint64_t loadBase, TJclBinDebugWriter& writer) {
  std::stable_sort(rows.begin(), rows.end(), [](const TLineRow& a, const TLineRow& b) {
    return a.Address != b.Address ? a.Address < b.Address : (a.Line == 0) > (b.Line == 0);
  });
  auto write = [&](uint64_t address, const TLineRow& row) {
    writer.AddLineNumber(CodeOffset(address, loadBase), row.Line);
    writer.AddSourceName(CodeOffset(address, loadBase), row.Source);
  };
  const TLineRow* previous = nullptr;
  size_t nextUnit = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i + 1 < rows.size() && rows[i + 1].Address == rows[i].Address) continue;
    const TLineRow& row = rows[i];
    bool unitStartsHere = false;
    for (; nextUnit < unitStarts.size() && unitStarts[nextUnit] <= row.Address; ++nextUnit) {
      if (unitStarts[nextUnit] == row.Address)
        unitStartsHere = true;
      else if (previous && previous->Line != 0)
        write(unitStarts[nextUnit], *previous);
    }
    const uint32_t offset = CodeOffset(row.Address, loadBase);
    if (unitStartsHere || !previous || previous->Line != row.Line)
      writer.AddLineNumber(offset, row.Line);
    if (unitStartsHere || !previous || previous->Source != row.Source)
      writer.AddSourceName(offset, row.Source);
    previous = &row;
  }
}

}  // namespace

std::string ModuleNameOf(const std::string& moduleFile) {
  return BaseNameWithoutExtension(moduleFile);
}

void ReadDwarfInto(const std::string& moduleFile, TJclBinDebugWriter& writer) {
  TOpenFile file(moduleFile);
  elf_version(EV_CURRENT);
  Elf* elf = elf_begin(file.Handle(), ELF_C_READ_MMAP, nullptr);
  if (!elf) throw EJdbgError(moduleFile + " is not an ELF file");
  std::unique_ptr<Elf, decltype(&elf_end)> elfOwner(elf, &elf_end);
  const std::vector<GElf_Phdr> segments = LoadableSegments(elf);
  const uint64_t loadBase = LowestLoadAddress(segments);
  Dwarf* dwarf = dwarf_begin_elf(elf, DWARF_C_READ, nullptr);
  if (!dwarf) throw EJdbgError(moduleFile + " has no DWARF data: " + dwarf_errmsg(-1));
  std::unique_ptr<Dwarf, decltype(&dwarf_end)> dwarfOwner(dwarf, &dwarf_end);
  TModuleTables tables = ReadTables(dwarf, CodeSegments(segments));
  writer.SetModuleName(ModuleNameOf(moduleFile));
  const std::vector<TRangeStart> units = UnitEntries(std::move(tables.Units));
  WriteRanges(units, loadBase, false, writer);
  WriteRanges(Ordered(std::move(tables.Procedures)), loadBase, true, writer);
  std::vector<uint64_t> unitStarts;
  for (const TRangeStart& unit : units) unitStarts.push_back(unit.Address);
  WriteLines(std::move(tables.Lines), unitStarts, loadBase, writer);
}

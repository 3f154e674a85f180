#include <algorithm>

#include "JclDebugInfo_sources.h"
#include "JclDebug_names.h"

std::unique_ptr<TJclDebugInfoSource> TJclDebugInfoExports::Create(uintptr_t AModule) {
  return std::make_unique<TJclDebugInfoExports>(AModule);
}

bool TJclDebugInfoExports::InitializeSource() {
  const TJclMappedFile file(FileName());
  const TJclElfImage image(file.Data());
  const std::optional<uint64_t> lowest = image.LowestLoadAddress();
  if (!lowest) return false;
  // Symbol values are virtual addresses; the module base is where the lowest segment lies.
  for (const TJclElfImage::TSymbol& symbol : image.DynamicFunctions())
    FExports.push_back(
        {Demangle(std::string(symbol.Name)), FModule + (symbol.Value - *lowest), symbol.Size});
  std::stable_sort(FExports.begin(), FExports.end(),
                   [](const TExport& a, const TExport& b) { return a.Address < b.Address; });
  return !FExports.empty();
}

bool TJclDebugInfoExports::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(Addr);
  Info.OffsetFromProcName = 0;
  Info.OffsetFromLineNumber = 0;
  Info.BinaryFileName = FileName();
  // The last export at or below the address.
  const auto above =
      std::upper_bound(FExports.begin(), FExports.end(), address,
                       [](uintptr_t value, const TExport& entry) { return value < entry.Address; });
  if (above == FExports.begin()) return false;
  const TExport& found = *(above - 1);
  Info.Address = const_cast<void*>(Addr);
  Info.DebugInfo = this;
  Info.ProcedureName = found.Name;
  Info.OffsetFromProcName = int32_t(address - found.Address);
  // The symbol's size says where its body ends; beyond it lies code the table does not name.
  if (found.Size != 0 && address - found.Address >= found.Size)
    Info.ProcedureName = "Unknown function at " + found.Name;
  return true;
}

// The modules whose code addresses stack walks and frame lists accept.

#include <link.h>

#include <algorithm>
#include <cstring>

#include "JclDebug.h"

namespace {

struct TImageSpan {
  uintptr_t Start = UINTPTR_MAX, End = 0;
  uintptr_t CodeStart = 0, CodeEnd = 0;
};

TImageSpan SpanOf(const dl_phdr_info& Info) {
  TImageSpan span;
  for (int i = 0; i < Info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = Info.dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const uintptr_t start = Info.dlpi_addr + ph.p_vaddr;
    span.Start = std::min(span.Start, start);
    span.End = std::max(span.End, start + ph.p_memsz);
    if ((ph.p_flags & PF_X) && span.CodeEnd == 0) {
      span.CodeStart = start;
      span.CodeEnd = start + ph.p_memsz;
    }
  }
  return span;
}

bool IsExecutable(const dl_phdr_info& Info) {
  return Info.dlpi_name == nullptr || Info.dlpi_name[0] == '\0';
}

const char* BaseName(const char* Path) {
  const char* slash = std::strrchr(Path, '/');
  return slash ? slash + 1 : Path;
}

// Calls Visit(info) for every loaded module until it answers true.
template <class Visit>
void ForEachModule(Visit visit) {
  dl_iterate_phdr([](dl_phdr_info* info, size_t,
                     void* data) { return (*static_cast<Visit*>(data))(*info) ? 1 : 0; },
                  &visit);
}

}  // namespace

TJclModuleInfo::TJclModuleInfo(uintptr_t StartAddr, size_t Size, uintptr_t CodeStart,
                               uintptr_t CodeEnd, bool SystemModule)
    : FSize(Size),
      FEndAddr(StartAddr + Size - 1),
      FStartAddr(StartAddr),
      FSystemModule(SystemModule),
      FCodeStart(CodeStart),
      FCodeEnd(CodeEnd) {}

TJclModuleInfoList::TJclModuleInfoList(bool ADynamicBuild, bool ASystemModulesOnly)
    : FDynamicBuild(ADynamicBuild), FSystemModulesOnly(ASystemModulesOnly) {
  if (!FDynamicBuild) AddLoadedModules();
}

// The executable is the system module (the C++ runtime's own registered module); every other
// loaded module joins only when all modules are asked for.
void TJclModuleInfoList::AddLoadedModules() {
  ForEachModule([this](const dl_phdr_info& info) {
    const bool system = IsExecutable(info);
    if (!system && FSystemModulesOnly) return false;
    const TImageSpan span = SpanOf(info);
    if (span.End > span.Start)
      FItems.emplace_back(span.Start, span.End - span.Start, span.CodeStart, span.CodeEnd, system);
    return false;
  });
}

const TJclModuleInfo* TJclModuleInfoList::Covering(uintptr_t Addr) const {
  for (const TJclModuleInfo& item : FItems)
    if (item.StartAddr() <= Addr && Addr < item.EndAddr()) return &item;
  return nullptr;
}

bool TJclModuleInfoList::AddModule(uintptr_t Addr, bool SystemModule) {
  if (Covering(Addr)) return false;
  bool added = false;
  ForEachModule([&](const dl_phdr_info& info) {
    const TImageSpan span = SpanOf(info);
    if (Addr < span.Start || Addr >= span.End) return false;
    FItems.emplace_back(span.Start, span.End - span.Start, span.CodeStart, span.CodeEnd,
                        SystemModule);
    added = true;
    return true;
  });
  return added;
}

const TJclModuleInfo* TJclModuleInfoList::GetModuleFromAddress(uintptr_t Addr) {
  if (const TJclModuleInfo* found = Covering(Addr)) return found;
  if (!FDynamicBuild) return nullptr;
  bool system = false;
  ForEachModule([&](const dl_phdr_info& info) {
    const TImageSpan span = SpanOf(info);
    if (Addr < span.Start || Addr >= span.End) return false;
    system = IsExecutable(info);
    return true;
  });
  return AddModule(Addr, system) ? &FItems.back() : nullptr;
}

bool TJclModuleInfoList::IsSystemModuleAddress(uintptr_t Addr) {
  const TJclModuleInfo* item = GetModuleFromAddress(Addr);
  return item && item->SystemModule() && item->IsCodeAddress(Addr);
}

bool TJclModuleInfoList::IsValidModuleAddress(uintptr_t Addr) {
  const TJclModuleInfo* item = GetModuleFromAddress(Addr);
  return item && item->IsCodeAddress(Addr);
}

bool IsValidCodeAddress(uintptr_t CodeAddr, TJclModuleInfoList* ModuleInfoList) {
  if (!ModuleInfoList) return false;
  return (TrackingOptions & toAllModules) ? ModuleInfoList->IsValidModuleAddress(CodeAddr)
                                          : ModuleInfoList->IsSystemModuleAddress(CodeAddr);
}

// ---------------------------------------------------------------------------------------------

TJclGlobalModulesList::~TJclGlobalModulesList() {
  delete FModulesList;
}

void TJclGlobalModulesList::AddModule(const std::string& ModuleName) {
  std::lock_guard lock(FLock);
  auto at = std::lower_bound(FAddedModules.begin(), FAddedModules.end(), ModuleName);
  if (at == FAddedModules.end() || *at != ModuleName) FAddedModules.insert(at, ModuleName);
}

TJclModuleInfoList* TJclGlobalModulesList::CreateModulesList() {
  std::lock_guard lock(FLock);
  if (FModulesList) return FModulesList;
  auto* list = new TJclModuleInfoList(false, !(TrackingOptions & toAllModules));
  if (!FAddedModules.empty()) {
    ForEachModule([&](const dl_phdr_info& info) {
      if (!info.dlpi_name || !info.dlpi_name[0]) return false;
      const std::string name = info.dlpi_name;
      if (std::binary_search(FAddedModules.begin(), FAddedModules.end(), name) ||
          std::binary_search(FAddedModules.begin(), FAddedModules.end(),
                             std::string(BaseName(info.dlpi_name))))
        list->AddModule(SpanOf(info).CodeStart, true);
      return false;
    });
  }
  if (TrackingOptions & toStaticModuleList) FModulesList = list;
  return list;
}

void TJclGlobalModulesList::FreeModulesList(TJclModuleInfoList*& List) {
  std::lock_guard lock(FLock);
  if (List == FModulesList) return;
  delete List;
  List = nullptr;
}

bool TJclGlobalModulesList::ValidateAddress(uintptr_t Addr) {
  TJclModuleInfoList* list = CreateModulesList();
  const bool valid = list->IsValidModuleAddress(Addr);
  FreeModulesList(list);
  return valid;
}

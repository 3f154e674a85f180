// The modules whose code addresses stack walks and frame lists accept.

#include <algorithm>

#include "JclDebug.h"
#include "LoadedModules.h"

namespace {

// The first module whose span, from its lowest to its highest segment, holds Addr.
const TLoadedModule* SpanHolding(const TLoadedModuleList& Modules, uintptr_t Addr) {
  for (const TLoadedModule& module : Modules.Modules())
    if (module.Span.Contains(Addr)) return &module;
  return nullptr;
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
  const auto modules = LoadedModules();
  for (const TLoadedModule& module : modules->Modules()) {
    const bool system = module.IsExecutable();
    if ((!system && FSystemModulesOnly) || module.Span.Empty()) continue;
    AddItem(module, system);
  }
}

void TJclModuleInfoList::AddItem(const TLoadedModule& Module, bool SystemModule) {
  FItems.emplace_back(Module.Span.Start, Module.Span.End - Module.Span.Start, Module.Code.Start,
                      Module.Code.End, SystemModule);
}

const TJclModuleInfo* TJclModuleInfoList::Covering(uintptr_t Addr) const {
  for (const TJclModuleInfo& item : FItems)
    if (item.StartAddr() <= Addr && Addr < item.EndAddr()) return &item;
  return nullptr;
}

bool TJclModuleInfoList::AddModule(uintptr_t Addr, bool SystemModule) {
  if (Covering(Addr)) return false;
  const auto modules = LoadedModules();
  const TLoadedModule* module = SpanHolding(*modules, Addr);
  if (module) AddItem(*module, SystemModule);
  return module != nullptr;
}

const TJclModuleInfo* TJclModuleInfoList::GetModuleFromAddress(uintptr_t Addr) {
  if (const TJclModuleInfo* found = Covering(Addr)) return found;
  if (!FDynamicBuild) return nullptr;
  const auto modules = LoadedModules();
  const TLoadedModule* module = SpanHolding(*modules, Addr);
  if (!module) return nullptr;
  AddItem(*module, module->IsExecutable());
  return &FItems.back();
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
    const auto modules = LoadedModules();
    for (const TLoadedModule& module : modules->Modules()) {
      if (module.IsExecutable()) continue;
      if (std::binary_search(FAddedModules.begin(), FAddedModules.end(), module.Name) ||
          std::binary_search(FAddedModules.begin(), FAddedModules.end(),
                             std::string(module.BaseName())))
        list->AddModule(module.Code.Start, true);
    }
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

#include "JclDebugInfo.h"

#include <pthread.h>
#include <unistd.h>

#include <vector>

#include "FileUtils.h"
#include "JclDebugInfo_sources.h"
#include "LoadedModules.h"

namespace {

// Re-entrant, so a lookup nested in another on the same thread (a notifier called for an
// exception raised inside a lookup) enters again. Statically initialised: usable before any
// module start and after module end.
pthread_mutex_t DebugInfoLock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

class TDebugInfoLockGuard {
 public:
  TDebugInfoLockGuard() { pthread_mutex_lock(&DebugInfoLock); }
  ~TDebugInfoLockGuard() { pthread_mutex_unlock(&DebugInfoLock); }
  TDebugInfoLockGuard(const TDebugInfoLockGuard&) = delete;
  TDebugInfoLockGuard& operator=(const TDebugInfoLockGuard&) = delete;
};

constexpr uintptr_t CodeSectionOffset = 0x1000;

struct TDebugInfoState {
  TJclDebugInfoList Cache;
  std::vector<TJclDebugInfoSourceClass> SourceClasses;
  bool SourceClassesCreated = false;
  std::string SymbolSearchPath;
};

TDebugInfoState* DebugInfoState = nullptr;

TDebugInfoState& State() {
  if (!DebugInfoState) DebugInfoState = new TDebugInfoState;
  return *DebugInfoState;
}

// Where the module's lowest segment is mapped: the base the table-based sources count from.
uintptr_t ImageBase(const TLoadedModule& Module) {
  return Module.Span.Start & ~uintptr_t(getpagesize() - 1);
}

std::vector<TJclDebugInfoSourceClass>& SourceClasses() {
  NeedInfoSourceClassList();
  return State().SourceClasses;
}

}  // namespace

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  return FileName.substr(0, FileName.size() - ExtractFileExt(FileName).size()) + Extension;
}

uintptr_t ModuleOfAddress(const void* Addr) {
  const auto modules = LoadedModules();
  const TLoadedModule* module = modules->Holding(reinterpret_cast<uintptr_t>(Addr));
  return module ? ImageBase(*module) : 0;
}

std::string ModuleFileName(uintptr_t Module) {
  const auto modules = LoadedModules();
  for (const TLoadedModule& module : modules->Modules())
    if (!module.Segments.empty() && ImageBase(module) == Module) return module.FileName;
  return {};
}

TJclDebugInfoSource::TJclDebugInfoSource(uintptr_t AModule)
    : FModule(AModule), FFileName(ModuleFileName(AModule)) {}

uint32_t TJclDebugInfoSource::CodeOffsetFromAddr(const void* Addr) const {
  return uint32_t(reinterpret_cast<uintptr_t>(Addr) - FModule - CodeSectionOffset);
}

TJclDebugInfoSource* TJclDebugInfoList::GetItemFromModule(uintptr_t Module) {
  if (Module == 0) return nullptr;
  for (const auto& item : FItems)
    if (item->Module() == Module) return item.get();
  for (TJclDebugInfoSourceClass sourceClass : SourceClasses()) {
    std::unique_ptr<TJclDebugInfoSource> source = sourceClass(Module);
    if (source->InitializeSource()) {
      FItems.push_back(std::move(source));
      return FItems.back().get();
    }
  }
  return nullptr;
}

bool TJclDebugInfoList::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  Info = {};
  TJclDebugInfoSource* source = GetItemFromModule(ModuleOfAddress(Addr));
  return source && source->GetLocationInfo(Addr, Info);
}

void NeedInfoSourceClassList() {
  TDebugInfoState& state = State();
  if (state.SourceClassesCreated) return;
  state.SourceClasses = {TJclDebugInfoBinary::Create, TJclDebugInfoTD32::Create,
                         TJclDebugInfoMap::Create, TJclDebugInfoSymbols::Create,
                         TJclDebugInfoExports::Create};
  state.SourceClassesCreated = true;
}

void RegisterDebugInfoSource(TJclDebugInfoSourceClass InfoSourceClass) {
  TDebugInfoLockGuard lock;
  SourceClasses().push_back(InfoSourceClass);
}

void RegisterDebugInfoSourceFirst(TJclDebugInfoSourceClass InfoSourceClass) {
  TDebugInfoLockGuard lock;
  SourceClasses().insert(SourceClasses().begin(), InfoSourceClass);
}

void UnRegisterDebugInfoSource(TJclDebugInfoSourceClass InfoSourceClass) {
  TDebugInfoLockGuard lock;
  std::erase(SourceClasses(), InfoSourceClass);
}

bool TryGetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  try {
    TDebugInfoLockGuard lock;
    return State().Cache.GetLocationInfo(Addr, Info);
  } catch (...) {
    Info = {};
    return false;
  }
}

void GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  TryGetLocationInfo(Addr, Info);
}

void SetSymbolSearchPath(const std::string& Path) {
  TDebugInfoLockGuard lock;
  State().SymbolSearchPath = Path;
}

std::string SymbolSearchPath() {
  TDebugInfoLockGuard lock;
  return State().SymbolSearchPath;
}

void EndDebugInfo() {
  TDebugInfoLockGuard lock;
  delete DebugInfoState;
  DebugInfoState = nullptr;
  TJclDebugInfoSymbols::CleanupDebugSymbols();
}

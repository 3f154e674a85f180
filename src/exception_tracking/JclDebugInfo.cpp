#include "JclDebugInfo.h"

#include <link.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "FileUtils.h"
#include "JclDebugInfo_sources.h"

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

// One loaded module: the address ranges of its loadable segments and its base.
struct TLoadedModule {
  uintptr_t Base;
  std::string FileName;
  std::vector<std::pair<uintptr_t, uintptr_t>> Segments;  // [start, end)
};

// The process's modules as last enumerated, with the loader's counters of additions and
// removals at that time: while they stand, the list is current.
struct TModuleMap {
  unsigned long long Adds = ULLONG_MAX;
  unsigned long long Subs = ULLONG_MAX;
  std::vector<TLoadedModule> Modules;
  // Every segment of every module by start address, for the binary search.
  std::vector<std::tuple<uintptr_t, uintptr_t, uintptr_t>> Segments;  // start, end, base
};

struct TDebugInfoState {
  TJclDebugInfoList Cache;
  std::vector<TJclDebugInfoSourceClass> SourceClasses;
  bool SourceClassesCreated = false;
  std::string SymbolSearchPath;
  TModuleMap ModuleMap;
};

TDebugInfoState* DebugInfoState = nullptr;

TDebugInfoState& State() {
  if (!DebugInfoState) DebugInfoState = new TDebugInfoState;
  return *DebugInfoState;
}

std::string ExecutableFileName() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
  return length > 0 ? std::string(path, size_t(length)) : std::string();
}

int ReadLoaderCounters(dl_phdr_info* info, size_t, void* data) {
  auto* counters = static_cast<std::pair<unsigned long long, unsigned long long>*>(data);
  *counters = {info->dlpi_adds, info->dlpi_subs};
  return 1;
}

int AddLoadedModule(dl_phdr_info* info, size_t, void* data) {
  auto* modules = static_cast<std::vector<TLoadedModule>*>(data);
  TLoadedModule module{UINTPTR_MAX, info->dlpi_name ? info->dlpi_name : "", {}};
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    module.Segments.push_back({start, start + segment.p_memsz});
    module.Base = std::min(module.Base, start & ~uintptr_t(getpagesize() - 1));
  }
  if (module.FileName.empty() && modules->empty()) module.FileName = ExecutableFileName();
  if (!module.Segments.empty()) modules->push_back(std::move(module));
  return 0;
}

// Enumerates the modules again when the loader has added or removed one since the last time.
const TModuleMap& CurrentModuleMap() {
  TModuleMap& map = State().ModuleMap;
  std::pair<unsigned long long, unsigned long long> counters{0, 0};
  dl_iterate_phdr(ReadLoaderCounters, &counters);
  if (counters.first == map.Adds && counters.second == map.Subs) return map;
  map.Modules.clear();
  dl_iterate_phdr(AddLoadedModule, &map.Modules);
  map.Segments.clear();
  for (const TLoadedModule& module : map.Modules)
    for (const auto& [start, end] : module.Segments)
      map.Segments.emplace_back(start, end, module.Base);
  std::sort(map.Segments.begin(), map.Segments.end());
  map.Adds = counters.first;
  map.Subs = counters.second;
  return map;
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
  const uintptr_t address = reinterpret_cast<uintptr_t>(Addr);
  TDebugInfoLockGuard lock;
  const auto& segments = CurrentModuleMap().Segments;
  auto above = std::upper_bound(
      segments.begin(), segments.end(), address,
      [](uintptr_t value, const auto& segment) { return value < std::get<0>(segment); });
  if (above == segments.begin()) return 0;
  --above;
  return address < std::get<1>(*above) ? std::get<2>(*above) : 0;
}

std::string ModuleFileName(uintptr_t Module) {
  TDebugInfoLockGuard lock;
  for (const TLoadedModule& module : CurrentModuleMap().Modules)
    if (module.Base == Module) return module.FileName;
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

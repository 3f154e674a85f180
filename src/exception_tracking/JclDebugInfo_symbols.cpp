// The symbol source reads DWARF through elfutils' libdwfl. The library is opened at run time,
// so the program runs where it is not installed; this source then never answers.

#include <dlfcn.h>
#include <elfutils/libdwfl.h>
#include <unistd.h>

#include <cstdlib>

#include "JclDebugInfo_sources.h"
#include "JclDebug_names.h"

namespace {

// clang-format off
#define JCL_DWFL_ROUTINES(X) \
  X(dwfl_begin) \
  X(dwfl_end) \
  X(dwfl_report_begin_add) \
  X(dwfl_report_elf) \
  X(dwfl_report_end) \
  X(dwfl_addrmodule) \
  X(dwfl_module_addrinfo) \
  X(dwfl_module_getsrc) \
  X(dwfl_lineinfo) \
  X(dwfl_module_getdwarf) \
  X(dwfl_linux_proc_find_elf) \
  X(dwfl_standard_find_debuginfo)
// clang-format on

struct TDwflRoutines {
#define JCL_DWFL_FIELD(name) decltype(&::name) name = nullptr;
  JCL_DWFL_ROUTINES(JCL_DWFL_FIELD)
#undef JCL_DWFL_FIELD
};

// The symbol handler's state for the process: one session that every module is reported to.
struct TSymbolHandler {
  void* Library = nullptr;
  TDwflRoutines Routines;
  std::string SearchPath;  // the session keeps a pointer to its text
  char* SearchPathText = nullptr;
  Dwfl_Callbacks Callbacks = {};
  Dwfl* Session = nullptr;
};

TSymbolHandler* SymbolHandler = nullptr;
bool SymbolLoadFailed = false;

constexpr const char* DwLibraryName = "libdw.so.1";

bool LoadDebugFunctions(TSymbolHandler& handler) {
  handler.Library = dlopen(DwLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!handler.Library) return false;
  bool complete = true;
#define JCL_DWFL_LOOKUP(name)                                                                 \
  handler.Routines.name = reinterpret_cast<decltype(&::name)>(dlsym(handler.Library, #name)); \
  complete = complete && handler.Routines.name;
  JCL_DWFL_ROUTINES(JCL_DWFL_LOOKUP)
#undef JCL_DWFL_LOOKUP
  return complete;
}

void UnloadDebugFunctions(TSymbolHandler& handler) {
  if (handler.Library) dlclose(handler.Library);
  handler.Library = nullptr;
  handler.Routines = {};
}

std::string CurrentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> directory(getcwd(nullptr, 0), &std::free);
  return directory ? directory.get() : "";
}

// libdw's separate debug files are looked for in these folders, ":"-separated.
std::string DebugInfoSearchPath() {
  if (SymbolSearchPath().empty()) return CurrentDirectory();
  std::vector<std::string> parts;
  for (const char* variable : {"_NT_ALTERNATE_SYMBOL_PATH", "_NT_SYMBOL_PATH"})
    if (const char* value = std::getenv(variable)) parts.push_back(value);
  parts.push_back(SymbolSearchPath());
  parts.push_back(CurrentDirectory());
  std::string path;
  for (const std::string& part : parts) {
    size_t start = 0;
    while (start <= part.size()) {
      const size_t end = std::min(part.find(';', start), part.size());
      const std::string entry = part.substr(start, end - start);
      if (entry.find_first_not_of(" \t") != std::string::npos)
        path += (path.empty() ? "" : ":") + entry;
      start = end + 1;
    }
  }
  return path;
}

Dwfl_Module* ReportModule(TSymbolHandler& handler, uintptr_t module, const std::string& file) {
  const TJclMappedFile mapped(file);
  const std::optional<uint64_t> lowest = TJclElfImage(mapped.Data()).LowestLoadAddress();
  if (!lowest) return nullptr;
  const TDwflRoutines& dw = handler.Routines;
  dw.dwfl_report_begin_add(handler.Session);
  // The bias is what the module's virtual addresses are moved by when it is loaded.
  Dwfl_Module* reported =
      dw.dwfl_report_elf(handler.Session, file.c_str(), file.c_str(), -1, module - *lowest, false);
  dw.dwfl_report_end(handler.Session, nullptr, nullptr);
  return reported;
}

}  // namespace

std::unique_ptr<TJclDebugInfoSource> TJclDebugInfoSymbols::Create(uintptr_t AModule) {
  return std::make_unique<TJclDebugInfoSymbols>(AModule);
}

bool TJclDebugInfoSymbols::InitializeDebugSymbols() {
  if (SymbolLoadFailed) return false;
  if (SymbolHandler) return true;
  auto handler = std::make_unique<TSymbolHandler>();
  if (!LoadDebugFunctions(*handler)) {
    SymbolLoadFailed = true;
    UnloadDebugFunctions(*handler);
    return false;
  }
  handler->SearchPath = DebugInfoSearchPath();
  handler->SearchPathText = handler->SearchPath.data();
  handler->Callbacks.find_elf = handler->Routines.dwfl_linux_proc_find_elf;
  handler->Callbacks.find_debuginfo = handler->Routines.dwfl_standard_find_debuginfo;
  handler->Callbacks.debuginfo_path = &handler->SearchPathText;
  handler->Session = handler->Routines.dwfl_begin(&handler->Callbacks);
  if (!handler->Session) {
    UnloadDebugFunctions(*handler);
    return false;
  }
  SymbolHandler = handler.release();
  return true;
}

void TJclDebugInfoSymbols::CleanupDebugSymbols() {
  if (SymbolHandler) {
    SymbolHandler->Routines.dwfl_end(SymbolHandler->Session);
    UnloadDebugFunctions(*SymbolHandler);
    delete SymbolHandler;
    SymbolHandler = nullptr;
  }
}

bool TJclDebugInfoSymbols::InitializeSource() {
  if (!InitializeDebugSymbols()) return false;
  Dwfl_Module* module = ReportModule(*SymbolHandler, FModule, FileName());
  Dwarf_Addr bias;
  // A module with only its exported symbols is left to the export source.
  return module && SymbolHandler->Routines.dwfl_module_getdwarf(module, &bias);
}

bool TJclDebugInfoSymbols::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  const TDwflRoutines& dw = SymbolHandler->Routines;
  const Dwarf_Addr address = reinterpret_cast<uintptr_t>(Addr);
  Dwfl_Module* module = dw.dwfl_addrmodule(SymbolHandler->Session, address);
  GElf_Off offset = 0;
  GElf_Sym symbol;
  const char* name =
      module ? dw.dwfl_module_addrinfo(module, address, &offset, &symbol, nullptr, nullptr, nullptr)
             : nullptr;
  if (!name) return false;
  Info.DebugInfo = this;
  Info.Address = const_cast<void*>(Addr);
  Info.BinaryFileName = FileName();
  Info.OffsetFromProcName = int32_t(offset);
  Info.ProcedureName = BareFunctionName(Demangle(name));
  if (Dwfl_Line* line = dw.dwfl_module_getsrc(module, address)) {
    Dwarf_Addr lineAddress = 0;
    int lineNumber = 0;
    if (const char* file =
            dw.dwfl_lineinfo(line, &lineAddress, &lineNumber, nullptr, nullptr, nullptr)) {
      Info.LineNumber = lineNumber;
      Info.UnitName = file;
      Info.OffsetFromLineNumber = int32_t(address - lineAddress);
    }
  }
  return true;
}

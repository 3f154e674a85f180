// Seeing C++ throws: the C++ runtime's imports of the unwinder's raise routines are pointed at
// the hooks below, which report the exception and then call the unwinder's own routine.

#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#include <unwind.h>

#include <cxxabi.h>

#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "JclHookExcept.h"
#include "JclHookExcept_internal.h"
#include "LoadedModules.h"

extern "C" char __start_corvane_hook_text[];
extern "C" char __stop_corvane_hook_text[];

namespace {

using TUnwindRaise = _Unwind_Reason_Code (*)(_Unwind_Exception*);

constexpr const char* RaiseName = "_Unwind_RaiseException";
constexpr const char* RethrowName = "_Unwind_Resume_or_Rethrow";
constexpr const char* UnwinderModule = "libgcc_s.so.1";

// "GNUCC++\0" and the dependent form made by std::rethrow_exception.
constexpr uint64_t CxxExceptionClass = 0x474E5543432B2B00;
constexpr uint64_t CxxDependentExceptionClass = 0x474E5543432B2B01;

// The C++ runtime's header in front of every thrown object (the Itanium ABI's __cxa_exception;
// a dependent exception has the same layout with the primary object's address in the first
// field). A unit test proves the offsets against real throws.
struct TCxaExceptionHeader {
  std::type_info* exceptionType;
  void (*exceptionDestructor)(void*);
  void (*unexpectedHandler)();
  void (*terminateHandler)();
  void* nextException;
  int handlerCount;
  int handlerSwitchValue;
  const unsigned char* actionRecord;
  const unsigned char* languageSpecificData;
  uintptr_t catchTemp;
  void* adjustedPtr;
  _Unwind_Exception unwindHeader;
};

struct TCxaEhGlobals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};

bool HookInstalled = false;
TUnwindRaise SavedRaiseException = nullptr;
TUnwindRaise SavedResumeOrRethrow = nullptr;
uintptr_t RuntimeBase = 0;
TAddressRange RuntimeCode;
// Set right before a raise that must not be reported: the throw of an already reported fault,
// or an error escaping a notifier.
thread_local bool PassOnNextRaise = false;

TCxaExceptionHeader* HeaderOf(const void* ThrownObject) {
  return static_cast<TCxaExceptionHeader*>(const_cast<void*>(ThrownObject)) - 1;
}

TCxaExceptionHeader* HeaderOf(_Unwind_Exception* UnwindHeader) {
  return HeaderOf(static_cast<const void*>(UnwindHeader + 1));
}

// False for exceptions of other languages' runtimes, which are passed on unreported.
bool ThrownObjectOf(_Unwind_Exception* UnwindHeader, TExceptObject& Result) {
  if (UnwindHeader->exception_class == CxxExceptionClass) {
    Result.Object = UnwindHeader + 1;
  } else if (UnwindHeader->exception_class == CxxDependentExceptionClass) {
    Result.Object = HeaderOf(UnwindHeader)->exceptionType;  // the primary object's address
  } else {
    return false;
  }
  Result.Type = HeaderOf(Result.Object)->exceptionType;
  return Result.Object != nullptr;
}

struct TRaiseSite {
  void* Address = nullptr;
  uintptr_t FramePointer = 0;
};

HOOK_CODE _Unwind_Reason_Code TakeRaiseSite(_Unwind_Context* Context, void* Arg) {
  const uintptr_t ip = _Unwind_GetIP(Context);
  if (ip == 0 || IsHookCodeAddress(reinterpret_cast<void*>(ip)) || RuntimeCode.Contains(ip))
    return _URC_NO_REASON;
  auto* site = static_cast<TRaiseSite*>(Arg);
  site->Address = reinterpret_cast<void*>(ip);
  site->FramePointer = _Unwind_GetGR(Context, 6);  // rbp
  return _URC_END_OF_STACK;
}

// The raising frame: the first caller outside the C++ runtime and outside the hook.
HOOK_CODE TRaiseSite FindRaiseSite() {
  TRaiseSite site;
  _Unwind_Backtrace(TakeRaiseSite, &site);
  return site;
}

// A notifier error replaces the exception being raised: give the runtime back the state it
// would have had if the first exception had never been thrown.
void AbandonRaise(_Unwind_Exception* UnwindHeader, bool Rethrow) {
  auto* globals = reinterpret_cast<TCxaEhGlobals*>(abi::__cxa_get_globals());
  if (globals->uncaughtExceptions > 0) --globals->uncaughtExceptions;
  if (Rethrow)
    HeaderOf(UnwindHeader)->handlerCount = -HeaderOf(UnwindHeader)->handlerCount;
  else
    _Unwind_DeleteException(UnwindHeader);
}

HOOK_CODE void NotifyRaise(_Unwind_Exception* UnwindHeader, bool Rethrow) {
  if (PassOnNextRaise) {
    PassOnNextRaise = false;
    return;
  }
  TExceptObject object;
  if (HookNotifyInProgress() || !HookNotifierListAlive() || !ThrownObjectOf(UnwindHeader, object))
    return;
  EnsureThreadSignalStack();
  const TRaiseSite site = FindRaiseSite();
  THookFrameRecord record{site.FramePointer, reinterpret_cast<uintptr_t>(site.Address)};
  try {
    DispatchExceptNotification(&object, site.Address, false, &record);
  } catch (...) {
    AbandonRaise(UnwindHeader, Rethrow);
    PassOnNextRaise = true;
    throw;
  }
}

HOOK_CODE _Unwind_Reason_Code RaiseExceptionHook(_Unwind_Exception* UnwindHeader) {
  NotifyRaise(UnwindHeader, false);
  return SavedRaiseException(UnwindHeader);
}

HOOK_CODE _Unwind_Reason_Code ResumeOrRethrowHook(_Unwind_Exception* UnwindHeader) {
  NotifyRaise(UnwindHeader, true);
  return SavedResumeOrRethrow(UnwindHeader);
}

// ---------------------------------------------------------------------------------------------
// ELF images

// The load address of the module that holds Addr (0 when none does), and its code range.
uintptr_t ModuleHolding(uintptr_t Addr, TAddressRange* CodeRange) {
  const auto modules = LoadedModules();
  const TLoadedModule* module = modules->Holding(Addr);
  if (!module) return 0;
  if (CodeRange) *CodeRange = module->Code;
  return module->LoadBias;
}

struct TDynamicInfo {
  const ElfW(Sym) * SymTab = nullptr;
  const char* StrTab = nullptr;
  size_t StrSize = 0;
  const ElfW(Rela) * JmpRel = nullptr;
  size_t JmpRelSize = 0;
  const ElfW(Rela) * Rela = nullptr;
  size_t RelaSize = 0;
  TAddressRange Relro;
};

// The dynamic loader has already turned most address entries into absolute addresses; the
// rest are relative to the load address.
template <class T>
const T* DynamicPointer(uintptr_t Base, ElfW(Addr) Value) {
  return reinterpret_cast<const T*>(Value < Base ? Value + Base : Value);
}

bool ReadDynamicInfo(const TLoadedModule& Module, TDynamicInfo& Result) {
  const ElfW(Dyn)* dynamic = nullptr;
  const uintptr_t base = Module.LoadBias;
  for (size_t i = 0; i < Module.ProgramHeaderCount; ++i) {
    const ElfW(Phdr)& ph = Module.ProgramHeaders[i];
    if (ph.p_type == PT_DYNAMIC)
      dynamic = reinterpret_cast<const ElfW(Dyn)*>(base + ph.p_vaddr);
    else if (ph.p_type == PT_GNU_RELRO)
      Result.Relro = {base + ph.p_vaddr, base + ph.p_vaddr + ph.p_memsz};
  }
  if (!dynamic) return false;
  bool relaPlt = true;
  for (const ElfW(Dyn)* d = dynamic; d->d_tag != DT_NULL; ++d) {
    switch (d->d_tag) {
      case DT_SYMTAB:
        Result.SymTab = DynamicPointer<ElfW(Sym)>(base, d->d_un.d_ptr);
        break;
      case DT_STRTAB:
        Result.StrTab = DynamicPointer<char>(base, d->d_un.d_ptr);
        break;
      case DT_STRSZ:
        Result.StrSize = d->d_un.d_val;
        break;
      case DT_JMPREL:
        Result.JmpRel = DynamicPointer<ElfW(Rela)>(base, d->d_un.d_ptr);
        break;
      case DT_PLTRELSZ:
        Result.JmpRelSize = d->d_un.d_val;
        break;
      case DT_PLTREL:
        relaPlt = d->d_un.d_val == DT_RELA;
        break;
      case DT_RELA:
        Result.Rela = DynamicPointer<ElfW(Rela)>(base, d->d_un.d_ptr);
        break;
      case DT_RELASZ:
        Result.RelaSize = d->d_un.d_val;
        break;
      default:
        break;
    }
  }
  if (!relaPlt) Result.JmpRel = nullptr;
  return Result.SymTab && Result.StrTab;
}

bool IsImportOf(const TDynamicInfo& Dyn, const ElfW(Rela) & Rel, const char* Name) {
  const auto type = ELF64_R_TYPE(Rel.r_info);
  if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) return false;
  const ElfW(Sym)& sym = Dyn.SymTab[ELF64_R_SYM(Rel.r_info)];
  return sym.st_name < Dyn.StrSize && std::strcmp(Dyn.StrTab + sym.st_name, Name) == 0;
}

int RedirectSlots(const TLoadedModule& Module, const char* Name, void* ToProc) {
  TDynamicInfo dyn;
  if (!ReadDynamicInfo(Module, dyn)) return 0;
  int redirected = 0;
  for (auto [table, size] :
       {std::pair{dyn.JmpRel, dyn.JmpRelSize}, std::pair{dyn.Rela, dyn.RelaSize}}) {
    if (!table) continue;
    for (size_t i = 0; i < size / sizeof(ElfW(Rela)); ++i) {
      if (!IsImportOf(dyn, table[i], Name)) continue;
      auto* slot = reinterpret_cast<void**>(Module.LoadBias + table[i].r_offset);
      if (*slot == ToProc || PatchMemory(slot, &ToProc, sizeof ToProc)) ++redirected;
    }
  }
  return redirected;
}

int PageProtection(uintptr_t Addr) {
  FILE* maps = std::fopen("/proc/self/maps", "r");
  if (!maps) return -1;
  int protection = -1;
  unsigned long start, end;
  char perms[5];
  while (protection < 0 && std::fscanf(maps, "%lx-%lx %4s%*[^\n]", &start, &end, perms) == 3) {
    if (Addr >= start && Addr < end)
      protection = (perms[0] == 'r' ? PROT_READ : 0) | (perms[1] == 'w' ? PROT_WRITE : 0) |
                   (perms[2] == 'x' ? PROT_EXEC : 0);
  }
  std::fclose(maps);
  return protection;
}

bool ResolveUnwinderRoutines() {
  if (!SavedRaiseException)
    SavedRaiseException =
        reinterpret_cast<TUnwindRaise>(dlvsym(RTLD_DEFAULT, RaiseName, "GCC_3.0"));
  if (!SavedResumeOrRethrow)
    SavedResumeOrRethrow =
        reinterpret_cast<TUnwindRaise>(dlvsym(RTLD_DEFAULT, RethrowName, "GCC_3.3"));
  return SavedRaiseException && SavedResumeOrRethrow;
}

bool RedirectModule(uintptr_t Base) {
  const bool raise = TJclPeMapImgHooks::ReplaceImport(Base, UnwinderModule, RaiseName,
                                                      reinterpret_cast<void*>(RaiseExceptionHook));
  TJclPeMapImgHooks::ReplaceImport(Base, UnwinderModule, RethrowName,
                                   reinterpret_cast<void*>(ResumeOrRethrowHook));
  return raise;
}

// Modules other than the C++ runtime that raise through the unwinder themselves. A module
// loaded later is covered by the next InstallExceptionHook call, that is the next time
// tracking is switched on; until then its raises go unreported.
void RedirectOtherModules() {
  const uintptr_t unwinder =
      ModuleHolding(reinterpret_cast<uintptr_t>(SavedRaiseException), nullptr);
  const auto modules = LoadedModules();
  for (const TLoadedModule& module : modules->Modules()) {
    if (module.IsVdso() || module.LoadBias == RuntimeBase || module.LoadBias == unwinder) continue;
    RedirectModule(module.LoadBias);
  }
}

}  // namespace

// Found through one of the runtime's routines that no sanitizer intercepts: the executable
// may hold a copy of the runtime's type objects, so their addresses say nothing.
uintptr_t TJclPeMapImgHooks::SystemBase() {
  if (RuntimeBase != 0) return RuntimeBase;
  uintptr_t probe = reinterpret_cast<uintptr_t>(dlsym(RTLD_DEFAULT, "__cxa_begin_catch"));
  if (probe == 0) probe = reinterpret_cast<uintptr_t>(&typeid(std::exception));  // linked in
  RuntimeBase = ModuleHolding(probe, &RuntimeCode);
  return RuntimeBase;
}

bool TJclPeMapImgHooks::ReplaceImport(uintptr_t Base, const char*, const char* FromName,
                                      void* ToProc) {
  const auto modules = LoadedModules();
  for (const TLoadedModule& module : modules->Modules())
    if (module.LoadBias == Base && !module.IsVdso())
      return RedirectSlots(module, FromName, ToProc) > 0;
  return false;
}

bool PatchMemory(void* Target, const void* Source, size_t Size) {
  if (Size == 0) return false;
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t start = reinterpret_cast<uintptr_t>(Target) & ~(page - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(Target) + Size;
  const int oldProtection = PageProtection(start);
  if (oldProtection < 0) return false;
  void* first = reinterpret_cast<void*>(start);
  if (!(oldProtection & PROT_WRITE) &&
      mprotect(first, end - start, oldProtection | PROT_READ | PROT_WRITE) != 0)
    return false;
  std::memcpy(Target, Source, Size);
  if (oldProtection & PROT_EXEC)
    __builtin___clear_cache(static_cast<char*>(Target), static_cast<char*>(Target) + Size);
  if (!(oldProtection & PROT_WRITE)) mprotect(first, end - start, oldProtection);
  return true;
}

bool InstallExceptionHook() {
  if (!ResolveUnwinderRoutines() || TJclPeMapImgHooks::SystemBase() == 0) return false;
  RedirectOtherModules();
  if (!HookInstalled) {
    SetHookNotifyInProgress(false);
    HookInstalled = RedirectModule(RuntimeBase);
    if (HookInstalled) InstallFaultHandlers();
  }
  return HookInstalled;
}

bool IsHookCodeAddress(const void* Addr) {
  return Addr >= __start_corvane_hook_text && Addr < __stop_corvane_hook_text;
}

void PassOnNextRaiseOnThisThread() {
  PassOnNextRaise = true;
}

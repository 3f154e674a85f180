// Hardware faults become exceptions: the handler runs on an alternate stack, asks the
// replaceable conversion routine for the exception object, reports it and throws it, so it
// unwinds through the faulting frame (the code is built with -fnon-call-exceptions).
// Faults that cannot be thrown end the process with one line on stderr and the default action.

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "JclHookExcept.h"
#include "JclHookExcept_internal.h"
#include "LoadedModules.h"

extern "C" const void* _Unwind_Find_FDE(void* pc, void* bases);

TExceptObjProc ExceptObjProc = DefaultExceptObjProc;

namespace {

constexpr int FaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr size_t SignalStackSize = 256 * 1024;
// A fault this close to the stack pointer is the stack running out, not a bad pointer.
constexpr uintptr_t StackOverflowReach = 64 * 1024;
// The x86-64 ABI lets a function use this much below its stack pointer without moving it.
constexpr uintptr_t RedZoneSize = 128;

TExceptObjProc SavedExceptObjectProc = nullptr;
bool FaultHandlersInstalled = false;

// Code that may hold the allocator's or the loader's lock: a throw from there could deadlock.
TAddressRange LockHoldingCode[2];

// The calling thread's alternate signal stack, unmapped when the thread ends.
struct TThreadSignalStack {
  void* Memory = nullptr;
  ~TThreadSignalStack() {
    if (!Memory) return;
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == Memory) {
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      sigaltstack(&off, nullptr);
    }
    munmap(Memory, SignalStackSize);
  }
};
thread_local TThreadSignalStack SignalStack;
thread_local bool InFaultHandler = false;

// --- async-signal-safe output ------------------------------------------------------------------

void WriteText(const char* Text) {
  size_t length = std::strlen(Text);
  while (length > 0) {
    const ssize_t written = write(STDERR_FILENO, Text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    Text += written;
    length -= static_cast<size_t>(written);
  }
}

void WriteHex(uintptr_t Value) {
  char digits[17];
  for (int i = 15; i >= 0; --i, Value >>= 4) digits[i] = "0123456789ABCDEF"[Value & 15];
  digits[16] = '\0';
  WriteText(digits);
}

const char* SignalName(int Signal) {
  switch (Signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    default:
      return "SIGILL";
  }
}

// One line on stderr, then the signal's default action ends the process.
void EndWithDefaultAction(int Signal, const siginfo_t* Info, const char* Reason, uintptr_t Pc) {
  WriteText(program_invocation_short_name);
  WriteText(": fatal ");
  WriteText(SignalName(Signal));
  WriteText(" (");
  WriteText(Reason);
  WriteText(") at address ");
  WriteHex(Pc);
  WriteText(", accessing ");
  WriteHex(reinterpret_cast<uintptr_t>(Info->si_addr));
  WriteText("\n");
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigaction(Signal, &fallback, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, Signal);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  // A real fault repeats when the handler returns; a signal sent by someone is sent again.
  if (Info->si_code <= 0) raise(Signal);
}

// --- deciding what a fault is -----------------------------------------------------------------

const char* UnthrowableReason(const siginfo_t* Info, uintptr_t Pc, uintptr_t Sp) {
  if (Info->si_code <= 0) return "signal sent by a process";
  if (InFaultHandler) return "fault while handling a fault";
  const uintptr_t addr = reinterpret_cast<uintptr_t>(Info->si_addr);
  if (Info->si_signo == SIGSEGV && addr + StackOverflowReach > Sp && addr < Sp + StackOverflowReach)
    return "stack overflow";
  for (const TAddressRange& range : LockHoldingCode)
    if (range.Contains(Pc)) return "fault inside the C library or the dynamic loader";
  _Unwind_Ptr bases[3];
  if (!_Unwind_Find_FDE(reinterpret_cast<void*>(Pc), bases))
    return "fault in code without unwind information";
  if (!HookNotifierListAlive() && !SavedExceptObjectProc) return "fault handler not ready";
  return nullptr;
}

// The faulting routine's caller as the unwind tables see it: a routine that faults before it
// has set up its frame pointer (a leaf, say) would otherwise hide its caller from the walk.
struct TCallerOfFault {
  uintptr_t Pc;
  uintptr_t ReturnAddr = 0;
  uintptr_t FramePointer = 0;
  bool AtFault = false;
};

_Unwind_Reason_Code FindCallerOfFault(_Unwind_Context* Context, void* Arg) {
  auto* caller = static_cast<TCallerOfFault*>(Arg);
  int beforeInsn = 0;
  const uintptr_t ip = _Unwind_GetIPInfo(Context, &beforeInsn);
  if (caller->AtFault) {
    caller->ReturnAddr = ip;
    caller->FramePointer = _Unwind_GetGR(Context, 6);  // rbp
    return _URC_END_OF_STACK;
  }
  caller->AtFault = beforeInsn && ip == caller->Pc;
  return _URC_NO_REASON;
}

// Where the handler may put the frame records: on the faulting thread's stack, so stack walks
// accept them. On the alternate stack that is the free space below the faulting code's red zone
// (where the kernel would have put the signal frame); without one the handler already runs on
// the thread's stack, below the signal frame, and its own Local space serves.
THookFrameRecord* FrameRecordSpace(uintptr_t Sp, THookFrameRecord* Local) {
  stack_t current{};
  if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_ONSTACK)) return Local;
  const uintptr_t at = (Sp - RedZoneSize - 2 * sizeof(THookFrameRecord)) & ~uintptr_t{15};
  return reinterpret_cast<THookFrameRecord*>(at);
}

// Two frame records: the fault itself and its caller, chained to the caller's frame pointer.
__attribute__((no_sanitize("address"))) THookFrameRecord* PlaceFrameRecords(
    THookFrameRecord* Records, uintptr_t Fp, uintptr_t Pc) {
  TCallerOfFault caller{Pc};
  _Unwind_Backtrace(FindCallerOfFault, &caller);
  Records[0].CallerAddr = Pc;
  Records[0].CallerFrame = Fp;
  if (caller.ReturnAddr != 0 && caller.FramePointer > reinterpret_cast<uintptr_t>(&Records[1])) {
    Records[0].CallerFrame = reinterpret_cast<uintptr_t>(&Records[1]);
    Records[1] = {caller.FramePointer, caller.ReturnAddr};
  }
  return Records;
}

TOSExceptionRecord RecordOf(const siginfo_t* Info, const mcontext_t& Context,
                            THookFrameRecord* LocalRecords) {
  TOSExceptionRecord record;
  record.Signal = Info->si_signo;
  record.Code = Info->si_code;
  record.ExceptionAddress = reinterpret_cast<void*>(Context.gregs[REG_RIP]);
  record.FaultAddress = Info->si_addr;
  record.IsWrite = (Context.gregs[REG_ERR] & 2) != 0;  // page-fault error code: write access
  const uintptr_t sp = static_cast<uintptr_t>(Context.gregs[REG_RSP]);
  record.StackPointer = PlaceFrameRecords(FrameRecordSpace(sp, LocalRecords),
                                          static_cast<uintptr_t>(Context.gregs[REG_RBP]),
                                          static_cast<uintptr_t>(Context.gregs[REG_RIP]));
  return record;
}

struct TFaultScope {
  TFaultScope() { InFaultHandler = true; }
  ~TFaultScope() { InFaultHandler = false; }
};

void FaultHandler(int Signal, siginfo_t* Info, void* UserContext) {
  mcontext_t& context = static_cast<ucontext_t*>(UserContext)->uc_mcontext;
  uintptr_t pc = static_cast<uintptr_t>(context.gregs[REG_RIP]);
  const uintptr_t sp = static_cast<uintptr_t>(context.gregs[REG_RSP]);
  if (const char* reason = UnthrowableReason(Info, pc == 0 ? 1 : pc, sp)) {
    EndWithDefaultAction(Signal, Info, reason, pc);
    return;
  }
  if (pc == 0) {
    // A call through a null pointer: report and unwind from the call site, as if it had
    // returned. Reading the return address is safe, the stack pointer was just in use.
    pc = *reinterpret_cast<const uintptr_t*>(sp);
    context.gregs[REG_RIP] = static_cast<greg_t>(pc);
    context.gregs[REG_RSP] = static_cast<greg_t>(sp + sizeof(uintptr_t));
  }
  std::exception_ptr object;
  {
    TFaultScope scope;
    THookFrameRecord localRecords[2];
    object = ExceptObjProc(RecordOf(Info, context, localRecords));
  }
  if (!object) {
    EndWithDefaultAction(Signal, Info, "no exception object for the fault", pc);
    return;
  }
  PassOnNextRaiseOnThisThread();
  std::rethrow_exception(object);
}

// The code ranges of the C library and the dynamic loader, taken once at installation so the
// fault handler only reads a fixed array.
void FindLockHoldingCode() {
  size_t found = 0;
  const auto modules = LoadedModules();
  for (const TLoadedModule& module : modules->Modules()) {
    const std::string_view name = module.BaseName();
    if (!name.starts_with("libc.so") && !name.starts_with("ld-linux")) continue;
    if (!module.Code.Empty() && found < std::size(LockHoldingCode))
      LockHoldingCode[found++] = module.Code;
  }
}

std::exception_ptr MakeAccessViolation(const TOSExceptionRecord& Record) {
  return std::make_exception_ptr(EAccessViolation(
      Format("Access violation at address %016llX. %s of address %016llX",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Record.ExceptionAddress)),
             Record.IsWrite ? "Write" : "Read",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Record.FaultAddress)))));
}

std::exception_ptr MakeArithmeticError(const TOSExceptionRecord& Record) {
  switch (Record.Code) {
    case FPE_INTDIV:
      return std::make_exception_ptr(EDivByZero("Division by zero"));
    case FPE_INTOVF:
      return std::make_exception_ptr(EIntOverflow("Integer overflow"));
    case FPE_FLTDIV:
      return std::make_exception_ptr(EZeroDivide("Floating point division by zero"));
    case FPE_FLTOVF:
      return std::make_exception_ptr(EOverflow("Floating point overflow"));
    case FPE_FLTUND:
      return std::make_exception_ptr(EUnderflow("Floating point underflow"));
    default:
      return std::make_exception_ptr(EInvalidOp("Invalid floating point operation"));
  }
}

TExceptObject ObjectOf(const std::exception_ptr& Object) {
  // A std::exception_ptr is the address of the thrown object, nothing else.
  static_assert(sizeof(std::exception_ptr) == sizeof(void*));
  TExceptObject result;
  std::memcpy(&result.Object, &Object, sizeof(void*));
  result.Type = Object.__cxa_exception_type();
  return result;
}

// The conversion routine while the hook is installed: converts, then reports.
HOOK_CODE std::exception_ptr ExceptObjectHook(const TOSExceptionRecord& Record) {
  if (HookNotifyInProgress() || !HookNotifierListAlive()) return SavedExceptObjectProc(Record);
  std::exception_ptr object;
  SetHookNotifyInProgress(true);
  try {
    object = SavedExceptObjectProc(Record);
  } catch (...) {
    SetHookNotifyInProgress(false);
    throw;
  }
  SetHookNotifyInProgress(false);
  const TExceptObject reported = ObjectOf(object);
  DispatchExceptNotification(object ? &reported : nullptr, Record.ExceptionAddress, true,
                             Record.StackPointer);
  return object;
}

}  // namespace

std::exception_ptr DefaultExceptObjProc(const TOSExceptionRecord& Record) {
  switch (Record.Signal) {
    case SIGSEGV:
    case SIGBUS:
      return MakeAccessViolation(Record);
    case SIGFPE:
      return MakeArithmeticError(Record);
    default:
      if (Record.Code == ILL_PRVOPC || Record.Code == ILL_PRVREG)
        return std::make_exception_ptr(EPrivilege("Privileged instruction"));
      return std::make_exception_ptr(EExternalException(Format(
          "Illegal instruction at address %016llX",
          static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Record.ExceptionAddress)))));
  }
}

void EnsureThreadSignalStack() {
  if (SignalStack.Memory) return;
  void* memory = mmap(nullptr, SignalStackSize, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = SignalStackSize;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, SignalStackSize);
    return;
  }
  SignalStack.Memory = memory;
}

void InstallFaultHandlers() {
  if (FaultHandlersInstalled) return;
  FindLockHoldingCode();
  SavedExceptObjectProc = ExceptObjProc;
  ExceptObjProc = ExceptObjectHook;
  EnsureThreadSignalStack();
  struct sigaction action {};
  action.sa_sigaction = FaultHandler;
  // No deferring: the handler leaves by throwing, so the signal would stay blocked otherwise.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal : FaultSignals) sigaction(signal, &action, nullptr);
  FaultHandlersInstalled = true;
}

#pragma once

// Reports every exception the process raises, at the moment it is raised and on the raising
// thread, to a prioritised list of notifier routines, before any handler runs.
//
// C++ throws are seen by redirecting the C++ runtime's imports of the unwinder's raise routines;
// hardware faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL) are turned into exception objects by a
// signal handler, reported, and thrown so they unwind through the faulting frame.

#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>

#include "SysUtils.h"

// The raised object as the hook sees it: its address and its dynamic type.
struct TExceptObject {
  void* Object = nullptr;
  const std::type_info* Type = nullptr;

  // The object seen as `Class` (adjusted for base classes), or null when it is not one.
  void* AdjustedTo(const std::type_info& Class) const;
  bool IsA(const std::type_info& Class) const { return AdjustedTo(Class) != nullptr; }
  template <class T>
  T* As() const {
    return static_cast<T*>(AdjustedTo(typeid(T)));
  }
  // The name a log shows: the program's own class name, else the C++ type name.
  std::string ClassName() const;
  // what() of a standard exception, else empty.
  std::string Message() const;
};

enum TJclExceptNotifyPriority : uint8_t { npNormal = 0, npFirstChain = 1 };

using TJclExceptNotifyProc = void (*)(const TExceptObject* ExceptObj, void* ExceptAddr,
                                      bool OSException);
using TJclExceptNotifyProcEx = void (*)(const TExceptObject* ExceptObj, void* ExceptAddr,
                                        bool OSException, void* StackPointer);

// A notifier bound to an object: Code is called with Data as its first argument.
struct TJclExceptNotifyMethod {
  void (*Code)(void* Data, const TExceptObject* ExceptObj, void* ExceptAddr,
               bool OSException) = nullptr;
  void* Data = nullptr;
};

// One registration: exactly one of the three callbacks is set.
class TNotifierItem {
 public:
  TNotifierItem(TJclExceptNotifyProc NotifyProc, TJclExceptNotifyPriority Priority);
  TNotifierItem(TJclExceptNotifyProcEx NotifyProc, TJclExceptNotifyPriority Priority);
  TNotifierItem(TJclExceptNotifyMethod NotifyMethod, TJclExceptNotifyPriority Priority);

  void DoNotify(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                void* StackPointer) const;
  TJclExceptNotifyPriority Priority() const { return FPriority; }

 private:
  friend bool UnregisterExceptNotifier(TJclExceptNotifyProc);
  friend bool UnregisterExceptNotifierEx(TJclExceptNotifyProcEx);
  friend bool UnregisterExceptNotifierMethod(TJclExceptNotifyMethod);

  TJclExceptNotifyMethod FNotifyMethod;
  TJclExceptNotifyProc FNotifyProc = nullptr;
  TJclExceptNotifyProcEx FNotifyProcEx = nullptr;
  TJclExceptNotifyPriority FPriority;
};

bool RegisterExceptNotifier(TJclExceptNotifyProc NotifyProc,
                            TJclExceptNotifyPriority Priority = npNormal);
bool RegisterExceptNotifierEx(TJclExceptNotifyProcEx NotifyProc,
                              TJclExceptNotifyPriority Priority = npNormal);
bool RegisterExceptNotifierMethod(TJclExceptNotifyMethod NotifyMethod,
                                  TJclExceptNotifyPriority Priority = npNormal);
bool UnregisterExceptNotifier(TJclExceptNotifyProc NotifyProc);
bool UnregisterExceptNotifierEx(TJclExceptNotifyProcEx NotifyProc);
bool UnregisterExceptNotifierMethod(TJclExceptNotifyMethod NotifyMethod);

// Calls the notifiers for one raised exception; exceptions raised while it runs on this thread
// are not reported. Allocates nothing.
void DispatchExceptNotification(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                                void* StackPointer);

// Redirects the raise routines and installs the fault handlers; safe to call repeatedly.
bool InstallExceptionHook();
bool IsHookCodeAddress(const void* Addr);

// While a dispatch runs on this thread: the address it reports (null otherwise). The capture
// of exception frames starts at the frame that holds it, so the hook's own frames never show.
void* CurrentRaiseAddress();
// While a dispatch runs on this thread: a number no other dispatch on this thread has had, so
// notifiers of one exception can tell what was done for it; 0 otherwise.
uint64_t CurrentDispatchId();

// Module start and end: the notifier list lives between them. The hook itself stays installed
// after the end and then reports to nobody.
void StartHookExcept();
void EndHookExcept();

// The ELF counterparts of the import-table services the hook needs.
struct TJclPeMapImgHooks {
  // Load address of the module that holds the C++ runtime.
  static uintptr_t SystemBase();
  // Points every import slot of the module loaded at Base that imports the symbol FromName
  // at ToProc; ModuleName names the module for the caller's messages only, since ELF imports
  // by symbol name. False when no slot was redirected.
  static bool ReplaceImport(uintptr_t Base, const char* ModuleName, const char* FromName,
                            void* ToProc);
};

// Writes Size bytes over Target, making the pages writable for the write. False on failure.
bool PatchMemory(void* Target, const void* Source, size_t Size);

// ---------------------------------------------------------------------------------------------
// Operating-system exceptions

// What a fault handler knows about one fault.
struct TOSExceptionRecord {
  int Signal = 0;
  int Code = 0;                      // si_code
  void* ExceptionAddress = nullptr;  // the faulting instruction
  void* FaultAddress = nullptr;      // si_addr: the memory address that was accessed
  bool IsWrite = false;              // a write access, for SIGSEGV
  // A frame record on the faulting thread's stack that leads to the faulting frame; where the
  // notifiers' stack walks start.
  void* StackPointer = nullptr;
};

// The conversion routine: the exception object to throw for a fault, or null.
using TExceptObjProc = std::exception_ptr (*)(const TOSExceptionRecord& Record);
extern TExceptObjProc ExceptObjProc;
std::exception_ptr DefaultExceptObjProc(const TOSExceptionRecord& Record);

class EExternal : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EExternal"; }
};
class EExternalException : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EExternalException"; }
};
class EAccessViolation : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EAccessViolation"; }
};
class EPrivilege : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EPrivilege"; }
};
class EIntError : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EIntError"; }
};
class EDivByZero : public EIntError {
 public:
  using EIntError::EIntError;
  const char* ClassName() const override { return "EDivByZero"; }
};
class EIntOverflow : public EIntError {
 public:
  using EIntError::EIntError;
  const char* ClassName() const override { return "EIntOverflow"; }
};
class EMathError : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EMathError"; }
};
class EInvalidOp : public EMathError {
 public:
  using EMathError::EMathError;
  const char* ClassName() const override { return "EInvalidOp"; }
};
class EZeroDivide : public EMathError {
 public:
  using EMathError::EMathError;
  const char* ClassName() const override { return "EZeroDivide"; }
};
class EOverflow : public EMathError {
 public:
  using EMathError::EMathError;
  const char* ClassName() const override { return "EOverflow"; }
};
class EUnderflow : public EMathError {
 public:
  using EMathError::EMathError;
  const char* ClassName() const override { return "EUnderflow"; }
};

// Gives the calling thread its alternate signal stack (freed when the thread ends), so a stack
// overflow on it can still be reported. Done for the installing thread and for every thread
// that raises; call it early on threads that should report an overflow before their first raise.
void EnsureThreadSignalStack();

#pragma once

// Exception tracking: for every raised exception, the stack trace and the active exception
// frames of the raising thread, captured by a first-chain notifier and kept per thread until
// that thread raises again.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "DateUtils.h"
#include "JclHookExcept.h"

// ---------------------------------------------------------------------------------------------
// Options and switching tracking on and off

enum TJclStackTrackingOption : uint16_t {
  toStackTrace = 0x0001,
  toExceptFrames = 0x0002,
  toRawStack = 0x0004,
  toAllModules = 0x0008,
  toStaticModuleList = 0x0010,
  toDelayedTrace = 0x0020,
  toTraceAllExceptions = 0x0040,
  toMainThreadOnly = 0x0080,
  toSkipIfDebugged = 0x0100,
};
using TJclStackTrackingOptions = uint16_t;

extern TJclStackTrackingOptions TrackingOptions;

// Counted: the first successful call installs the hook and registers TrackingNotifier.
bool EnableExceptionTracking();
// The call that brings the count from 1 to 0 unregisters the notifier; the hook stays.
bool DisableExceptionTracking();

void TrackingNotifier(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                      void* StackPointer);

// A debugger (or any tracer) is attached to the process.
bool DebuggerAttached();

// Exceptions of these classes (and their subclasses) are not tracked; EAbort from the start.
void AddIgnoredException(const std::type_info& ExceptionClass);
void RemoveIgnoredException(const std::type_info& ExceptionClass);
bool IsIgnoredExceptClass(const TExceptObject& ExceptObj);

// Module start and end (start also starts the hook's module, end ends it).
void StartJclDebug();
void EndJclDebug();

// ---------------------------------------------------------------------------------------------
// Modules whose code addresses are accepted

struct TLoadedModule;

class TJclModuleInfo {
 public:
  TJclModuleInfo(uintptr_t StartAddr, size_t Size, uintptr_t CodeStart, uintptr_t CodeEnd,
                 bool SystemModule);
  size_t Size() const { return FSize; }
  uintptr_t StartAddr() const { return FStartAddr; }
  uintptr_t EndAddr() const { return FEndAddr; }
  bool SystemModule() const { return FSystemModule; }
  // Only the executable part of an image holds code; its other segments may lie apart.
  bool IsCodeAddress(uintptr_t Addr) const { return Addr >= FCodeStart && Addr < FCodeEnd; }

 private:
  size_t FSize;
  uintptr_t FEndAddr;
  uintptr_t FStartAddr;
  bool FSystemModule;
  uintptr_t FCodeStart, FCodeEnd;
};

class TJclModuleInfoList {
 public:
  TJclModuleInfoList(bool ADynamicBuild, bool ASystemModulesOnly);
  // Adds the loaded module holding Addr, unless one already covers it; true when added.
  bool AddModule(uintptr_t Addr, bool SystemModule);
  const TJclModuleInfo* GetModuleFromAddress(uintptr_t Addr);
  bool IsSystemModuleAddress(uintptr_t Addr);
  bool IsValidModuleAddress(uintptr_t Addr);
  size_t Count() const { return FItems.size(); }
  const TJclModuleInfo& Items(size_t Index) const { return FItems.at(Index); }

 private:
  const TJclModuleInfo* Covering(uintptr_t Addr) const;
  void AddLoadedModules();
  void AddItem(const TLoadedModule& Module, bool SystemModule);

  std::vector<TJclModuleInfo> FItems;
  bool FDynamicBuild;
  bool FSystemModulesOnly;
};

class TJclGlobalModulesList {
 public:
  ~TJclGlobalModulesList();
  // Counts the named module (file name as loaded, or its base name) among the system modules.
  void AddModule(const std::string& ModuleName);
  TJclModuleInfoList* CreateModulesList();
  void FreeModulesList(TJclModuleInfoList*& List);
  bool ValidateAddress(uintptr_t Addr);

 private:
  std::vector<std::string> FAddedModules;  // sorted, no duplicates
  std::mutex FLock;
  TJclModuleInfoList* FModulesList = nullptr;  // kept when toStaticModuleList is set
};

TJclGlobalModulesList* GlobalModulesList();

bool IsValidCodeAddress(uintptr_t CodeAddr, TJclModuleInfoList* ModuleInfoList);

// ---------------------------------------------------------------------------------------------
// Captured lists

class TJclStackBaseList {
 public:
  using TOnDestroy = void (*)(TJclStackBaseList* List);

  TJclStackBaseList();
  virtual ~TJclStackBaseList();
  TJclStackBaseList(const TJclStackBaseList&) = delete;
  TJclStackBaseList& operator=(const TJclStackBaseList&) = delete;

  uint32_t ThreadID() const { return FThreadID; }
  TDateTime TimeStamp() const { return FTimeStamp; }

 private:
  friend class TJclGlobalStackList;
  uint32_t FThreadID;
  TDateTime FTimeStamp;
  TOnDestroy FOnDestroy = nullptr;
};

enum TExceptFrameKind : uint8_t {
  efkUnknown = 0,
  efkFinally = 1,
  efkAnyException = 2,
  efkOnException = 3,
  efkAutoException = 4,
};

// The name of a frame kind as it is written to logs ("efkFinally" ...).
const char* ExceptFrameKindName(TExceptFrameKind Kind);

// One catch clause of a frame: the class it catches and the code it jumps to.
struct TExcDescEntry {
  const std::type_info* VTable = nullptr;
  void* Handler = nullptr;
};

// What the unwind tables say about a frame's handler at its current call site.
struct TExcDesc {
  TExceptFrameKind Kind = efkUnknown;
  void* LandingPad = nullptr;
  std::vector<TExcDescEntry> ExcTab;
};

// The handler a frame has at instruction Ip, from its language-specific data (LSDA), reading
// only [Lsda, Lsda + Size): null when the data is cut short or corrupt, kind efkUnknown when
// the call site has no handler.
std::optional<TExcDesc> DescribeExceptFrame(const uint8_t* Lsda, size_t Size, uintptr_t RegionStart,
                                            uintptr_t Ip);

class TJclExceptFrame {
 public:
  TJclExceptFrame(void* AFrameLocation, const TExcDesc& AExcDesc);
  TExceptFrameKind FrameKind() const { return FFrameKind; }
  // The frame's canonical frame address.
  void* FrameLocation() const { return FFrameLocation; }
  // The landing pad the unwinder enters for this frame.
  void* CodeLocation() const { return FCodeLocation; }
  const std::vector<TExcDescEntry>& ExcTab() const { return FExcTab; }

  bool Handles(const TExceptObject* ExceptObj) const;
  bool HandlerInfo(const TExceptObject* ExceptObj, void*& HandlerAt) const;

 private:
  TExceptFrameKind FFrameKind;
  void* FFrameLocation;
  void* FCodeLocation;
  std::vector<TExcDescEntry> FExcTab;
};

class TJclExceptFrameList : public TJclStackBaseList {
 public:
  // Lists the frames with a handler, innermost first. Inside an exception notification the
  // list starts at the raising frame, elsewhere at the creator's frame; AIgnoreLevels further
  // frames with handlers are left out.
  explicit TJclExceptFrameList(int AIgnoreLevels);
  ~TJclExceptFrameList() override;
  void TraceExceptionFrames();
  int IgnoreLevels() const { return FIgnoreLevels; }
  size_t Count() const { return FItems.size(); }
  const TJclExceptFrame* GetItems(size_t Index) const { return FItems.at(Index); }
  const TJclExceptFrame* Items(size_t Index) const { return GetItems(Index); }

 private:
  void Trace(int OwnFrames);
  std::vector<TJclExceptFrame*> FItems;
  int FIgnoreLevels;
};

// The saved frame pointer and the return address a frame pointer points to.
struct TStackFrame {
  uintptr_t CallerFrame;
  uintptr_t CallerAddr;
};

struct TStackInfo {
  uintptr_t CallerAddr = 0;
  int32_t Level = 0;
  uintptr_t CallerFrame = 0;
  uintptr_t DumpSize = 0;
  uintptr_t ParamSize = 0;
  uintptr_t ParamPtr = 0;
  uintptr_t StackFrame = 0;
};

class TJclStackInfoItem {
 public:
  explicit TJclStackInfoItem(const TStackInfo& Info) : FStackInfo(Info) {}
  const TStackInfo& StackInfo() const { return FStackInfo; }
  void* CallerAddr() const { return reinterpret_cast<void*>(FStackInfo.CallerAddr); }
  // CallerAddr relative to the load address of its module.
  uintptr_t LogicalAddress() const;

 private:
  TStackInfo FStackInfo;
};

class TJclStackInfoList : public TJclStackBaseList {
 public:
  static constexpr size_t MaxEntries = 4096;

  TJclStackInfoList(bool ARaw, int AIgnoreLevels, void* AFirstCaller, bool ADelayedTrace = false,
                    void* ABaseOfStack = nullptr, void* ATopOfStack = nullptr);
  ~TJclStackInfoList() override;

  void ForceStackTracing();
  size_t Count();
  const TJclStackInfoItem& GetItems(size_t Index);
  const TJclStackInfoItem& Items(size_t Index) { return GetItems(Index); }
  int IgnoreLevels() const { return FIgnoreLevels; }
  bool DelayedTrace() const { return FDelayedTrace; }
  bool Raw() const { return FRaw; }

 private:
  friend void CaptureStackTrace(const TExceptObject*, void*, bool, void*);

  void StoreToList(const TStackInfo& Info);
  bool InRange(uintptr_t Addr) const;
  bool StepToCallerFrame(uintptr_t& StackFrame, TStackInfo& Info);
  void TraceStackFrames();
  void TraceStackRaw();
  void DelayStoreStack();
  void FreeStackCopy();
  void CorrectExceptStackListTop();

  std::vector<TJclStackInfoItem> FItems;
  int FIgnoreLevels;
  uintptr_t TopOfStack;
  uintptr_t BaseOfStack;
  uintptr_t* FStackData = nullptr;
  uintptr_t FFramePointer;
  TJclModuleInfoList* FModuleInfoList;
  bool FCorrectOnAccess = false;
  bool FSkipFirstItem = false;
  bool FDelayedTrace;
  bool FInStackTracing = false;
  bool FRaw;
  int64_t FStackOffset = 0;
};

void CaptureStackTrace(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                       void* StackPointer);
TJclExceptFrameList* CaptureExceptFrames();

// Length of the call instruction that ends at CodeAddr, when one does and its bytes lie in
// accepted code; 0 otherwise.
size_t CallSiteLength(uintptr_t CodeAddr, TJclModuleInfoList* ModuleInfoList);
// The decoding alone, over the 8 bytes that end at End (x86-64 call forms, with or without a
// REX prefix): the instruction's length, or 0 when no call ends there.
size_t DecodeCallSiteLength(const uint8_t* End);

// ---------------------------------------------------------------------------------------------
// The captured lists of all threads

class TJclGlobalStackList {
 public:
  ~TJclGlobalStackList();
  void AddObject(TJclStackBaseList* AObject);
  template <class T>
  T* FindObject(uint32_t TID) {
    std::lock_guard lock(FLock);
    const uint32_t tid = LockedThreadFor(TID);
    for (TJclStackBaseList* item : FItems)
      if (item->FThreadID == tid)
        if (auto* found = dynamic_cast<T*>(item)) return found;
    return nullptr;
  }
  TJclStackInfoList* GetExceptStackInfo(uint32_t TID) { return FindObject<TJclStackInfoList>(TID); }
  TJclExceptFrameList* GetLastExceptFrameList(uint32_t TID) {
    return FindObject<TJclExceptFrameList>(TID);
  }
  // On the main thread, later look-ups answer for TID instead (a viewer of another thread's
  // exception); on any other thread this clears the redirection.
  void LockThreadID(uint32_t TID);
  void UnlockThreadID();
  void Clear();
  size_t Count();

 private:
  static void RemoveDestroyed(TJclStackBaseList* List);
  uint32_t LockedThreadFor(uint32_t TID) const;

  std::recursive_mutex FLock;
  std::vector<TJclStackBaseList*> FItems;
  uint32_t FLockedTID = 0;
  bool FTIDLocked = false;
};

TJclGlobalStackList* GlobalStackList();

// The exception frames of the calling thread's last tracked exception, or null.
TJclExceptFrameList* CurrentThreadExceptFrameList();

// For a notifier reporting the exception whose notification runs on this thread: the exception
// frames tracking captured for it, captured now when the tracking notifier has not come to it
// yet, so the notifiers' order does not matter. Null outside a notification, without
// toExceptFrames, or for an exception tracking skips. The global stack list owns the list.
const TJclExceptFrameList* ExceptFramesOf(const TExceptObject* ExceptObj);

// The calling thread's id as the lists record it.
uint32_t CurrentThreadID();
bool IsMainThread();

// Switching tracking on and off, the tracking notifier and the per-thread captured lists.

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "JclDebug.h"
#include "JclDebugInfo.h"
#include "SysUtils.h"

TJclStackTrackingOptions TrackingOptions = toStackTrace;

namespace {

int TrackingEnableCount = 0;
TJclGlobalStackList* TheGlobalStackList = nullptr;
TJclGlobalModulesList* TheGlobalModulesList = nullptr;

struct TIgnoredExceptionClasses {
  std::mutex Lock;
  std::vector<const std::type_info*> Classes;
};
TIgnoredExceptionClasses* IgnoredExceptionClasses = nullptr;

// The exception frames captured during a dispatch on this thread, and that dispatch's id.
thread_local uint64_t FramesDispatch = 0;
thread_local const TJclExceptFrameList* FramesOfDispatch = nullptr;

bool HasOption(TJclStackTrackingOption Option) {
  return (TrackingOptions & Option) != 0;
}

bool ShouldTrack(const TExceptObject* ExceptObj) {
  return TrackingEnableCount >= 1 && (!HasOption(toSkipIfDebugged) || !DebuggerAttached()) &&
         ExceptObj && !IsIgnoredExceptClass(*ExceptObj) &&
         (!HasOption(toMainThreadOnly) || IsMainThread());
}

// Captures once per dispatch, for whichever notifier asks first.
const TJclExceptFrameList* CaptureDispatchFrames() {
  const uint64_t dispatch = CurrentDispatchId();
  if (dispatch == 0 || dispatch != FramesDispatch) {
    FramesOfDispatch = CaptureExceptFrames();
    FramesDispatch = dispatch;
  }
  return FramesOfDispatch;
}

}  // namespace

uint32_t CurrentThreadID() {
  thread_local const uint32_t id = static_cast<uint32_t>(syscall(SYS_gettid));
  return id;
}

bool IsMainThread() {
  return CurrentThreadID() == static_cast<uint32_t>(getpid());
}

bool EnableExceptionTracking() {
  if (TrackingEnableCount != 0) {
    ++TrackingEnableCount;
    return false;
  }
  if (!InstallExceptionHook() || !RegisterExceptNotifierEx(TrackingNotifier, npFirstChain))
    return false;
  TrackingEnableCount = 1;
  return true;
}

bool DisableExceptionTracking() {
  if (TrackingEnableCount == 1) {
    if (!UnregisterExceptNotifierEx(TrackingNotifier)) return false;
    --TrackingEnableCount;
    return true;
  }
  if (TrackingEnableCount > 1) --TrackingEnableCount;
  return false;
}

// Runs inside the raising code: nothing may escape from here.
void TrackingNotifier(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                      void* StackPointer) {
  try {
    if (!ShouldTrack(ExceptObj)) return;
    if (HasOption(toStackTrace))
      CaptureStackTrace(ExceptObj, ExceptAddr, OSException, StackPointer);
    if (HasOption(toExceptFrames)) CaptureDispatchFrames();
  } catch (...) {
    // A capture that fails leaves the thread's previous lists; the raise goes on regardless.
  }
}

bool DebuggerAttached() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return false;
  char line[256];
  long tracer = 0;
  while (std::fgets(line, sizeof line, status))
    if (std::sscanf(line, "TracerPid: %ld", &tracer) == 1) break;
  std::fclose(status);
  return tracer != 0;
}

void AddIgnoredException(const std::type_info& ExceptionClass) {
  if (!IgnoredExceptionClasses) return;
  std::lock_guard lock(IgnoredExceptionClasses->Lock);
  auto& classes = IgnoredExceptionClasses->Classes;
  if (std::find(classes.begin(), classes.end(), &ExceptionClass) == classes.end())
    classes.push_back(&ExceptionClass);
}

void RemoveIgnoredException(const std::type_info& ExceptionClass) {
  if (!IgnoredExceptionClasses) return;
  std::lock_guard lock(IgnoredExceptionClasses->Lock);
  std::erase(IgnoredExceptionClasses->Classes, &ExceptionClass);
}

bool IsIgnoredExceptClass(const TExceptObject& ExceptObj) {
  if (HasOption(toTraceAllExceptions) || !IgnoredExceptionClasses) return false;
  std::lock_guard lock(IgnoredExceptionClasses->Lock);
  return std::any_of(IgnoredExceptionClasses->Classes.begin(),
                     IgnoredExceptionClasses->Classes.end(),
                     [&](const std::type_info* cls) { return ExceptObj.IsA(*cls); });
}

TJclExceptFrameList* CaptureExceptFrames() {
  // The walk itself leaves out the tracking machinery's frames.
  auto* frames = new TJclExceptFrameList(0);
  GlobalStackList()->AddObject(frames);
  return frames;
}

const TJclExceptFrameList* ExceptFramesOf(const TExceptObject* ExceptObj) {
  try {
    if (CurrentDispatchId() == 0 || !HasOption(toExceptFrames) || !ShouldTrack(ExceptObj))
      return nullptr;
    return CaptureDispatchFrames();
  } catch (...) {
    return nullptr;  // a failed capture leaves the report without frames
  }
}

void StartJclDebug() {
  StartHookExcept();
  if (!TheGlobalModulesList) TheGlobalModulesList = new TJclGlobalModulesList;
  if (!TheGlobalStackList) TheGlobalStackList = new TJclGlobalStackList;
  if (!IgnoredExceptionClasses) {
    IgnoredExceptionClasses = new TIgnoredExceptionClasses;
    IgnoredExceptionClasses->Classes.push_back(&typeid(EAbort));
  }
}

void EndJclDebug() {
  DisableExceptionTracking();
  delete TheGlobalStackList;
  TheGlobalStackList = nullptr;
  delete TheGlobalModulesList;
  TheGlobalModulesList = nullptr;
  delete IgnoredExceptionClasses;
  IgnoredExceptionClasses = nullptr;
  EndDebugInfo();
  EndHookExcept();
}

TJclGlobalStackList* GlobalStackList() {
  return TheGlobalStackList;
}
TJclGlobalModulesList* GlobalModulesList() {
  return TheGlobalModulesList;
}

TJclExceptFrameList* CurrentThreadExceptFrameList() {
  return TheGlobalStackList ? TheGlobalStackList->GetLastExceptFrameList(CurrentThreadID())
                            : nullptr;
}

// ---------------------------------------------------------------------------------------------

TJclStackBaseList::TJclStackBaseList() : FThreadID(CurrentThreadID()), FTimeStamp(Now()) {}

TJclStackBaseList::~TJclStackBaseList() {
  if (FOnDestroy) FOnDestroy(this);
}

TJclGlobalStackList::~TJclGlobalStackList() {
  Clear();
}

void TJclGlobalStackList::RemoveDestroyed(TJclStackBaseList* List) {
  TJclGlobalStackList* self = GlobalStackList();
  if (!self) return;
  std::lock_guard lock(self->FLock);
  std::erase(self->FItems, List);
}

uint32_t TJclGlobalStackList::LockedThreadFor(uint32_t TID) const {
  return FTIDLocked && IsMainThread() ? FLockedTID : TID;
}

void TJclGlobalStackList::AddObject(TJclStackBaseList* AObject) {
  AObject->FOnDestroy = RemoveDestroyed;
  std::lock_guard lock(FLock);
  auto previous = std::find_if(FItems.begin(), FItems.end(), [&](TJclStackBaseList* item) {
    return item->FThreadID == AObject->FThreadID && typeid(*item) == typeid(*AObject);
  });
  if (previous != FItems.end()) {
    TJclStackBaseList* old = *previous;
    FItems.erase(previous);
    old->FOnDestroy = nullptr;
    delete old;
  }
  FItems.push_back(AObject);
}

void TJclGlobalStackList::LockThreadID(uint32_t TID) {
  std::lock_guard lock(FLock);
  FTIDLocked = IsMainThread();
  FLockedTID = FTIDLocked ? TID : 0;
}

void TJclGlobalStackList::UnlockThreadID() {
  std::lock_guard lock(FLock);
  FTIDLocked = false;
}

void TJclGlobalStackList::Clear() {
  std::lock_guard lock(FLock);
  while (!FItems.empty()) {
    TJclStackBaseList* first = FItems.front();
    FItems.erase(FItems.begin());
    first->FOnDestroy = nullptr;
    delete first;
  }
}

size_t TJclGlobalStackList::Count() {
  std::lock_guard lock(FLock);
  return FItems.size();
}

// Stack traces: the call sites that led to a raise, found by walking the chain of saved frame
// pointers (the code is built with frame pointers) or by scanning the raw stack for return
// addresses that follow a call instruction.

#include <dlfcn.h>
#include <pthread.h>

#include <algorithm>

#include "JclDebug.h"

namespace {

constexpr size_t InitialCapacity = 32;

// The calling thread's stack top (highest address + 1), looked up once per thread.
uintptr_t ThreadStackTop() {
  thread_local uintptr_t top = 0;
  if (top == 0) {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      void* low = nullptr;
      size_t size = 0;
      if (pthread_attr_getstack(&attr, &low, &size) == 0)
        top = reinterpret_cast<uintptr_t>(low) + size;
      pthread_attr_destroy(&attr);
    }
  }
  return top;
}

// Stack memory holds other frames' sanitizer red zones; reading them is the point here.
__attribute__((no_sanitize("address"))) uintptr_t ReadStackWord(uintptr_t Addr) {
  return *reinterpret_cast<const uintptr_t*>(Addr);
}

__attribute__((no_sanitize("address"))) void CopyStackWords(uintptr_t* To, uintptr_t From,
                                                            size_t Words) {
  for (size_t i = 0; i < Words; ++i) To[i] = reinterpret_cast<const uintptr_t*>(From)[i];
}

// The remaining bytes of an FF /2 call whose opcode byte is at P, or 0 when it is no call.
size_t IndirectCallLength(const uint8_t* P, const uint8_t* End) {
  if (End - P < 2 || P[0] != 0xFF) return 0;
  const uint8_t modrm = P[1];
  if (((modrm >> 3) & 7) != 2) return 0;
  const uint8_t mod = modrm >> 6, rm = modrm & 7;
  size_t length = 2;
  if (mod != 3 && rm == 4) {  // a SIB byte follows
    if (End - P < 3) return 0;
    ++length;
    if (mod == 0 && (P[2] & 7) == 5) length += 4;  // no base: 32-bit displacement
  }
  if (mod == 0 && rm == 5) length += 4;  // instruction-relative
  if (mod == 1) length += 1;
  if (mod == 2) length += 4;
  return length;
}

}  // namespace

size_t DecodeCallSiteLength(const uint8_t* End) {
  if (End[-5] == 0xE8) return 5;  // call rel32
  for (size_t k = 2; k <= 7; ++k) {
    const uint8_t* p = End - k;
    if (IndirectCallLength(p, End) != k) continue;
    const bool rex = (p[-1] & 0xF0) == 0x40;  // registers r8 to r15 need the prefix
    return rex ? k + 1 : k;
  }
  return 0;
}

size_t CallSiteLength(uintptr_t CodeAddr, TJclModuleInfoList* ModuleInfoList) {
  if (CodeAddr <= 8 || !IsValidCodeAddress(CodeAddr - 8, ModuleInfoList) ||
      !IsValidCodeAddress(CodeAddr - 1, ModuleInfoList))
    return 0;
  return DecodeCallSiteLength(reinterpret_cast<const uint8_t*>(CodeAddr));
}

uintptr_t TJclStackInfoItem::LogicalAddress() const {
  Dl_info module{};
  if (dladdr(CallerAddr(), &module) == 0) return FStackInfo.CallerAddr;
  return FStackInfo.CallerAddr - reinterpret_cast<uintptr_t>(module.dli_fbase);
}

TJclStackInfoList::TJclStackInfoList(bool ARaw, int AIgnoreLevels, void* AFirstCaller,
                                     bool ADelayedTrace, void* ABaseOfStack, void* ATopOfStack)
    : FIgnoreLevels(AIgnoreLevels),
      TopOfStack(ATopOfStack ? reinterpret_cast<uintptr_t>(ATopOfStack) : ThreadStackTop()),
      BaseOfStack(reinterpret_cast<uintptr_t>(ABaseOfStack)),
      FFramePointer(reinterpret_cast<uintptr_t>(ABaseOfStack)),
      FModuleInfoList(GlobalModulesList()->CreateModulesList()),
      FDelayedTrace(ADelayedTrace),
      FRaw(ARaw) {
  FItems.reserve(InitialCapacity);
  if (AFirstCaller) {
    TStackInfo first;
    first.CallerAddr = reinterpret_cast<uintptr_t>(AFirstCaller);
    FItems.emplace_back(first);
  }
  if (FDelayedTrace)
    DelayStoreStack();
  else if (FRaw)
    TraceStackRaw();
  else
    TraceStackFrames();
}

TJclStackInfoList::~TJclStackInfoList() {
  FreeStackCopy();
  GlobalModulesList()->FreeModulesList(FModuleInfoList);
}

void TJclStackInfoList::StoreToList(const TStackInfo& Info) {
  if ((FIgnoreLevels == -1 && Info.Level > 0) || Info.Level > FIgnoreLevels + 1)
    FItems.emplace_back(Info);
}

bool TJclStackInfoList::InRange(uintptr_t Addr) const {
  return BaseOfStack < Addr && Addr < TopOfStack && TopOfStack - Addr >= sizeof(TStackFrame);
}

bool TJclStackInfoList::StepToCallerFrame(uintptr_t& StackFrame, TStackInfo& Info) {
  uintptr_t prev = Info.CallerFrame;
  while (InRange(StackFrame)) {
    const uintptr_t next = ReadStackWord(StackFrame);
    if (prev >= next) return false;  // the chain must rise
    prev = next;
    const uintptr_t ret = ReadStackWord(StackFrame + sizeof(uintptr_t));
    if (!IsValidCodeAddress(ret, FModuleInfoList) || !InRange(next + FStackOffset)) {
      StackFrame = next + FStackOffset;  // passed over without an entry
      continue;
    }
    ++Info.Level;
    Info.StackFrame = StackFrame;
    Info.ParamPtr = StackFrame + sizeof(TStackFrame);
    if (next <= Info.CallerFrame) return false;
    Info.CallerFrame = next;
    Info.CallerAddr = ret - CallSiteLength(ret, FModuleInfoList);
    if (next + FStackOffset < StackFrame) return false;
    Info.DumpSize = next + FStackOffset - StackFrame;
    Info.ParamSize = (Info.DumpSize - sizeof(TStackFrame)) / sizeof(uintptr_t);
    if (next + FStackOffset == StackFrame) return false;  // a frame that points at itself
    StackFrame = next + FStackOffset;
    return true;
  }
  return false;
}

__attribute__((noinline)) void TJclStackInfoList::TraceStackFrames() {
  FItems.reserve(InitialCapacity);
  TStackInfo info;
  uintptr_t frame = FDelayedTrace ? FFramePointer : BaseOfStack;
  if (frame == 0) frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  BaseOfStack = frame - 1;
  while (FItems.size() < MaxEntries && StepToCallerFrame(frame, info)) StoreToList(info);
}

__attribute__((noinline, no_sanitize("address"))) void TJclStackInfoList::TraceStackRaw() {
  FItems.reserve(InitialCapacity);
  uintptr_t at;
  if (FDelayedTrace) {
    if (!FStackData) return;
    at = reinterpret_cast<uintptr_t>(FStackData);
  } else {
    at = BaseOfStack ? BaseOfStack : reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  }
  at &= ~(sizeof(uintptr_t) - 1);
  TStackInfo info;
  uintptr_t last = 0;
  for (; at + sizeof(uintptr_t) <= TopOfStack && FItems.size() < MaxEntries;
       at += sizeof(uintptr_t)) {
    const uintptr_t value = ReadStackWord(at);
    const size_t length = value == last ? 0 : CallSiteLength(value, FModuleInfoList);
    if (length == 0) continue;
    info.CallerAddr = value - length;
    last = value;
    ++info.Level;
    StoreToList(info);
  }
  FreeStackCopy();
}

void TJclStackInfoList::DelayStoreStack() {
  FreeStackCopy();
  if (BaseOfStack == 0) {
    BaseOfStack = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    FFramePointer = BaseOfStack;
  }
  BaseOfStack &= ~(sizeof(uintptr_t) - 1);
  if (TopOfStack > BaseOfStack) {
    const size_t words = (TopOfStack - BaseOfStack) / sizeof(uintptr_t);
    FStackData = new uintptr_t[words];
    CopyStackWords(FStackData, BaseOfStack, words);
    TopOfStack = BaseOfStack + words * sizeof(uintptr_t);
  }
  FStackOffset = static_cast<int64_t>(reinterpret_cast<uintptr_t>(FStackData) - BaseOfStack);
  FFramePointer += FStackOffset;
  TopOfStack += FStackOffset;
}

void TJclStackInfoList::FreeStackCopy() {
  delete[] FStackData;
  FStackData = nullptr;
}

void TJclStackInfoList::ForceStackTracing() {
  if (!FDelayedTrace || !FStackData || FInStackTracing) return;
  FInStackTracing = true;
  try {
    if (FRaw)
      TraceStackRaw();
    else
      TraceStackFrames();
    if (FCorrectOnAccess) CorrectExceptStackListTop();
  } catch (...) {
    FInStackTracing = false;
    throw;
  }
  FreeStackCopy();
  FInStackTracing = false;
  FDelayedTrace = false;
}

// Drops the hook's own entries, keeping the exception address in front when there is one.
void TJclStackInfoList::CorrectExceptStackListTop() {
  const size_t keep = FSkipFirstItem ? 1 : 0;
  for (size_t i = FItems.size(); i-- > keep;) {
    if (IsHookCodeAddress(FItems[i].CallerAddr())) {
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(keep),
                   FItems.begin() + static_cast<ptrdiff_t>(i) + 1);
      return;
    }
  }
}

size_t TJclStackInfoList::Count() {
  ForceStackTracing();
  return FItems.size();
}

const TJclStackInfoItem& TJclStackInfoList::GetItems(size_t Index) {
  ForceStackTracing();
  return FItems.at(Index);
}

__attribute__((noinline)) void CaptureStackTrace(const TExceptObject*, void* ExceptAddr,
                                                 bool OSException, void* StackPointer) {
  const bool raw = TrackingOptions & toRawStack;
  const bool delayed = TrackingOptions & toDelayedTrace;
  int ignoreLevels = -1;
  if (!StackPointer) {
    StackPointer = __builtin_frame_address(0);
    ignoreLevels = 1;
  }
  void* firstCaller = nullptr;
  if (OSException) {
    ignoreLevels = ignoreLevels == -1 ? 0 : ignoreLevels + 1;
    firstCaller = ExceptAddr;
  }
  auto* list = new TJclStackInfoList(raw, ignoreLevels, firstCaller, delayed, StackPointer);
  GlobalStackList()->AddObject(list);
  list->FCorrectOnAccess = true;
  list->FSkipFirstItem = OSException;
}

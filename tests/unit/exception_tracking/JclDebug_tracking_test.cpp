#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ExceptionTrackingTestSupport.h"
#include "JclDebug.h"

namespace {

class EBarChild : public EBar {
 public:
  using EBar::EBar;
};
class EUnrelated : public Exception {
 public:
  using Exception::Exception;
};
class EAbortChild : public EAbort {
 public:
  using EAbort::EAbort;
};

// Tracking on with the program's options for each test, off afterwards.
class TTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedOptions = TrackingOptions;
    TrackingOptions = toStackTrace | toExceptFrames;
    ASSERT_TRUE(EnableExceptionTracking());
  }
  void TearDown() override {
    EXPECT_TRUE(DisableExceptionTracking());
    TrackingOptions = FSavedOptions;
  }

 private:
  TJclStackTrackingOptions FSavedOptions = 0;
};

TJclStackInfoList* CurrentThreadStackList() {
  return GlobalStackList()->GetExceptStackInfo(CurrentThreadID());
}

template <class E>
void RaiseAndCatch(const char* message) {
  try {
    throw E(message);
  } catch (const Exception&) {
  }
}

// The routine among Candidates whose code holds Addr: the nearest start at or below it.
const void* RoutineOf(const void* Addr, const std::vector<const void*>& Candidates) {
  const void* best = nullptr;
  for (const void* start : Candidates)
    if (start <= Addr && (!best || start > best)) best = start;
  if (best && static_cast<const char*>(Addr) - static_cast<const char*>(best) > 4096)
    return nullptr;
  return best;
}

TEST_F(TTrackingTest, EnablingIsCounted) {
  EXPECT_FALSE(EnableExceptionTracking());   // count 2
  EXPECT_FALSE(DisableExceptionTracking());  // count 1: still tracking
  RaiseAndCatch<EFoo>("tracked");
  TJclExceptFrameList* frames = CurrentThreadExceptFrameList();
  ASSERT_NE(frames, nullptr);
  EXPECT_TRUE(DisableExceptionTracking());  // count 0: notifier removed
  RaiseAndCatch<EFoo>("untracked");
  EXPECT_EQ(CurrentThreadExceptFrameList(), frames);
  EXPECT_FALSE(DisableExceptionTracking());
  ASSERT_TRUE(EnableExceptionTracking());  // for TearDown
}

TEST_F(TTrackingTest, EachThreadKeepsOneStackListAndOneFrameListReplacedByItsNextRaise) {
  RaiseAndCatch<EFoo>("first");
  const size_t countAfterFirst = GlobalStackList()->Count();
  TJclStackInfoList* stack = CurrentThreadStackList();
  ASSERT_NE(stack, nullptr);
  ASSERT_NE(CurrentThreadExceptFrameList(), nullptr);
  EXPECT_EQ(stack->ThreadID(), CurrentThreadID());
  const TDateTime firstTime = stack->TimeStamp();
  RaiseAndCatch<EFoo>("second");
  EXPECT_EQ(GlobalStackList()->Count(), countAfterFirst);
  EXPECT_GE(CurrentThreadStackList()->TimeStamp(), firstTime);
}

TEST_F(TTrackingTest, IgnoredClassesKeepThePreviousLists) {
  RaiseAndCatch<EFoo>("tracked");
  TJclExceptFrameList* frames = CurrentThreadExceptFrameList();
  TJclStackInfoList* stack = CurrentThreadStackList();
  RaiseAndCatch<EAbortChild>("ignored");
  EXPECT_EQ(CurrentThreadExceptFrameList(), frames);
  EXPECT_EQ(CurrentThreadStackList(), stack);

  // A thread that only ever raised an ignored class has no lists at all.
  TJclExceptFrameList* otherThreadFrames = frames;
  std::thread([&] {
    RaiseAndCatch<EAbort>("ignored");
    otherThreadFrames = CurrentThreadExceptFrameList();
  }).join();
  EXPECT_EQ(otherThreadFrames, nullptr);

  TrackingOptions |= toTraceAllExceptions;
  RaiseAndCatch<EAbort>("now tracked");
  EXPECT_NE(CurrentThreadStackList(), stack);
}

TEST_F(TTrackingTest, MainThreadOnlyLeavesOtherThreadsUntracked) {
  TrackingOptions |= toMainThreadOnly;
  uint32_t otherThread = 0;
  TJclExceptFrameList* otherThreadFrames = nullptr;
  std::thread([&] {
    otherThread = CurrentThreadID();
    RaiseAndCatch<EFoo>("elsewhere");
    otherThreadFrames = CurrentThreadExceptFrameList();
  }).join();
  EXPECT_EQ(otherThreadFrames, nullptr);

  TrackingOptions &= static_cast<TJclStackTrackingOptions>(~toMainThreadOnly);
  std::thread([&] {
    otherThread = CurrentThreadID();
    RaiseAndCatch<EFoo>("elsewhere");
  }).join();
  // The main thread can look at the other thread's lists by locking onto its id.
  RaiseAndCatch<EFoo>("here");
  TJclExceptFrameList* own = CurrentThreadExceptFrameList();
  GlobalStackList()->LockThreadID(otherThread);
  TJclExceptFrameList* locked = CurrentThreadExceptFrameList();
  GlobalStackList()->UnlockThreadID();
  ASSERT_NE(locked, nullptr);
  EXPECT_EQ(locked->ThreadID(), otherThread);
  EXPECT_EQ(CurrentThreadExceptFrameList(), own);
}

// --- exception frames ----------------------------------------------------------------------------

volatile int Sink = 0;
void* InnermostFrame = nullptr;

struct TGuard {
  ~TGuard() { Sink = Sink + 1; }
};

// Throws a plain value: a temporary in the throw expression would give this frame a cleanup.
__attribute__((noinline)) void RaiseValue() {
  throw 42;
}

__attribute__((noinline)) void OnlyDestructor() {
  InnermostFrame = __builtin_frame_address(0);
  TGuard guard;
  RaiseValue();
}

__attribute__((noinline)) void CatchAll() {
  try {
    OnlyDestructor();
  } catch (...) {
    Sink = Sink + 2;
  }
}

__attribute__((noinline)) void TwoTypedCatches() {
  try {
    CatchAll();
  } catch (const EFoo&) {
    Sink = Sink + 3;
  } catch (const EBar&) {
    Sink = Sink + 4;
  }
}

TEST_F(TTrackingTest, FramesAreClassifiedFromTheUnwindTables) {
  TwoTypedCatches();
  TJclExceptFrameList* frames = CurrentThreadExceptFrameList();
  ASSERT_NE(frames, nullptr);
  ASSERT_GE(frames->Count(), 3u);

  const TJclExceptFrame* finally = frames->Items(0);
  EXPECT_EQ(finally->FrameKind(), efkFinally);
  // Index 0 is the innermost frame with a handler; nothing of the tracking code comes first.
  // Its location is the unwinder's frame address, between its stack pointer and its caller's.
  const char* innermost = static_cast<char*>(InnermostFrame);
  EXPECT_LE(static_cast<char*>(finally->FrameLocation()), innermost + 16);
  EXPECT_GE(static_cast<char*>(finally->FrameLocation()), innermost - 256);
  EXPECT_NE(finally->CodeLocation(), nullptr);
  EXPECT_EQ(frames->Items(1)->FrameKind(), efkAnyException);

  const TJclExceptFrame* typed = frames->Items(2);
  ASSERT_EQ(typed->FrameKind(), efkOnException);
  ASSERT_EQ(typed->ExcTab().size(), 2u);
  EXPECT_EQ(*typed->ExcTab()[0].VTable, typeid(EFoo));
  EXPECT_EQ(*typed->ExcTab()[1].VTable, typeid(EBar));

  EBarChild child("c");
  const TExceptObject childObject{&child, &typeid(EBarChild)};
  void* handlerAt = nullptr;
  EXPECT_TRUE(typed->HandlerInfo(&childObject, handlerAt));
  EXPECT_EQ(handlerAt, typed->ExcTab()[1].Handler);
  EXPECT_EQ(handlerAt, typed->CodeLocation());

  EUnrelated unrelated("u");
  const TExceptObject unrelatedObject{&unrelated, &typeid(EUnrelated)};
  EXPECT_FALSE(typed->Handles(&unrelatedObject));
  EXPECT_FALSE(typed->HandlerInfo(&unrelatedObject, handlerAt));
  EXPECT_EQ(handlerAt, nullptr);
  EXPECT_FALSE(finally->Handles(&childObject));
  EXPECT_TRUE(frames->Items(1)->Handles(&unrelatedObject));

  for (size_t i = 1; i < frames->Count(); ++i)
    EXPECT_GT(frames->Items(i)->FrameLocation(), frames->Items(i - 1)->FrameLocation());
  EXPECT_STREQ(ExceptFrameKindName(typed->FrameKind()), "efkOnException");
}

TEST_F(TTrackingTest, FrameListOutsideARaiseStartsAtItsCreator) {
  std::unique_ptr<TJclExceptFrameList> frames;
  try {
    TGuard guard;
    frames.reset(new TJclExceptFrameList(0));  // created right here, not in a helper
  } catch (...) {
  }
  ASSERT_GE(frames->Count(), 1u);
  // This test body's own try block; IgnoreLevels then drops it.
  EXPECT_EQ(frames->Items(0)->FrameKind(), efkAnyException);
  TJclExceptFrameList skipping(1);
  EXPECT_EQ(skipping.Count() + 1, frames->Count());
}

// --- stack traces --------------------------------------------------------------------------------

__attribute__((noinline)) void Raise3() {
  throw EFoo("deep");
  Sink = Sink + 1;
}
__attribute__((noinline)) void Raise2() {
  Raise3();
  Sink = Sink + 1;
}
__attribute__((noinline)) void Raise1() {
  Raise2();
  Sink = Sink + 1;
}

FAULTING_ROUTINE int Fault3(volatile int* p) {
  Sink = Sink + 1;
  return *p;
}
__attribute__((noinline)) int Fault2(volatile int* p) {
  const int value = Fault3(p);
  Sink = Sink + 1;
  return value;
}
__attribute__((noinline)) int Fault1(volatile int* p) {
  const int value = Fault2(p);
  Sink = Sink + 1;
  return value;
}

std::vector<const void*> RaiseRoutines() {
  return {reinterpret_cast<const void*>(&Raise1), reinterpret_cast<const void*>(&Raise2),
          reinterpret_cast<const void*>(&Raise3), reinterpret_cast<const void*>(&Fault1),
          reinterpret_cast<const void*>(&Fault2), reinterpret_cast<const void*>(&Fault3)};
}

TEST_F(TTrackingTest, StackTraceListsTheRaiserAndItsCallersInOrder) {
  try {
    Raise1();
  } catch (const EFoo&) {
  }
  TJclStackInfoList* stack = CurrentThreadStackList();
  ASSERT_NE(stack, nullptr);
  ASSERT_GE(stack->Count(), 3u);
  const auto routines = RaiseRoutines();
  EXPECT_EQ(RoutineOf(stack->Items(0).CallerAddr(), routines), reinterpret_cast<void*>(&Raise3));
  EXPECT_EQ(RoutineOf(stack->Items(1).CallerAddr(), routines), reinterpret_cast<void*>(&Raise2));
  EXPECT_EQ(RoutineOf(stack->Items(2).CallerAddr(), routines), reinterpret_cast<void*>(&Raise1));
  EXPECT_EQ(stack->Items(0).StackInfo().Level, 1);
  EXPECT_GT(stack->Items(0).LogicalAddress(), 0u);
  EXPECT_LT(stack->Items(0).LogicalAddress(),
            reinterpret_cast<uintptr_t>(stack->Items(0).CallerAddr()));
}

TEST_F(TTrackingTest, FaultStackTraceStartsWithTheFaultingAddress) {
  static void* reported = nullptr;
  TScopedNotifier notifier([](const TExceptObject*, void* addr, bool) { reported = addr; });
  try {
    Fault1(nullptr);
  } catch (const EAccessViolation&) {
  }
  TJclStackInfoList* stack = CurrentThreadStackList();
  ASSERT_GE(stack->Count(), 3u);
  const auto routines = RaiseRoutines();
  EXPECT_EQ(stack->Items(0).CallerAddr(), reported);
  EXPECT_EQ(RoutineOf(reported, routines), reinterpret_cast<void*>(&Fault3));
  EXPECT_EQ(RoutineOf(stack->Items(1).CallerAddr(), routines), reinterpret_cast<void*>(&Fault2));
  EXPECT_EQ(RoutineOf(stack->Items(2).CallerAddr(), routines), reinterpret_cast<void*>(&Fault1));

  TJclExceptFrameList* frames = CurrentThreadExceptFrameList();
  ASSERT_GE(frames->Count(), 1u);
  EXPECT_EQ(frames->Items(0)->FrameKind(), efkOnException);  // this test's catch
}

// The raise routines in the order the list names them, other entries left out.
std::vector<const void*> RaiseRoutinesIn(TJclStackInfoList& List) {
  std::vector<const void*> found;
  for (size_t i = 0; i < List.Count(); ++i)
    if (const void* routine = RoutineOf(List.Items(i).CallerAddr(), RaiseRoutines()))
      if (found.empty() || found.back() != routine) found.push_back(routine);
  return found;
}

TEST_F(TTrackingTest, DelayedAndRawTracesFindTheSameCallers) {
  const std::vector<const void*> expected{reinterpret_cast<const void*>(&Raise3),
                                          reinterpret_cast<const void*>(&Raise2),
                                          reinterpret_cast<const void*>(&Raise1)};
  const TJclStackTrackingOptions variants[] = {toDelayedTrace, toRawStack,
                                               toDelayedTrace | toRawStack};
  for (TJclStackTrackingOptions variant : variants) {
    TrackingOptions = toStackTrace | variant;
    try {
      Raise1();
    } catch (const EFoo&) {
    }
    TJclStackInfoList* stack = CurrentThreadStackList();
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->DelayedTrace(), (variant & toDelayedTrace) != 0);
    // A raw scan may also meet stale return addresses further up; the callers come first.
    std::vector<const void*> found = RaiseRoutinesIn(*stack);
    found.resize(std::min(found.size(), expected.size()));
    EXPECT_EQ(found, expected) << "options " << variant;
    EXPECT_FALSE(stack->DelayedTrace());
  }
}

// A thread whose first exception is a fault has no alternate signal stack yet.
TEST_F(TTrackingTest, FaultOnAFreshThreadIsTracedToo) {
  std::vector<const void*> found;
  std::thread([&] {
    try {
      Fault1(nullptr);
    } catch (const EAccessViolation&) {
      TJclStackInfoList* stack = CurrentThreadStackList();
      for (size_t i = 0; stack && i < stack->Count() && i < 3; ++i)
        found.push_back(RoutineOf(stack->Items(i).CallerAddr(), RaiseRoutines()));
    }
  }).join();
  const std::vector<const void*> expected{reinterpret_cast<const void*>(&Fault3),
                                          reinterpret_cast<const void*>(&Fault2),
                                          reinterpret_cast<const void*>(&Fault1)};
  EXPECT_EQ(found, expected);
}

std::vector<void*> CallerAddrs(TJclStackInfoList& List) {
  std::vector<void*> result;
  for (size_t i = 0; i < List.Count(); ++i) result.push_back(List.Items(i).CallerAddr());
  return result;
}

__attribute__((noinline)) std::vector<std::vector<void*>> TraceWithLevels() {
  std::vector<std::vector<void*>> traces;
  for (int levels : {-1, 0, 2}) {
    TJclStackInfoList list(false, levels, nullptr);
    traces.push_back(CallerAddrs(list));
  }
  return traces;
}
__attribute__((noinline)) std::vector<std::vector<void*>> TraceWithLevelsCaller() {
  auto traces = TraceWithLevels();
  Sink = Sink + 1;
  return traces;
}

TEST(TStackInfoList, IgnoreLevelsDropsTheFirstWalkedFrames) {
  const auto traces = TraceWithLevelsCaller();
  ASSERT_GE(traces[0].size(), 4u);
  // -1 keeps every frame (the first is inside the list's own construction), 0 drops one and
  // 2 drops three; the outer callers are the same in all three.
  EXPECT_EQ(traces[1].size(), traces[0].size() - 1);
  EXPECT_EQ(traces[2].size(), traces[0].size() - 3);
  EXPECT_EQ(traces[1].back(), traces[0].back());
  EXPECT_EQ(traces[2].back(), traces[0].back());
  const std::vector<const void*> routines{reinterpret_cast<const void*>(&TraceWithLevels),
                                          reinterpret_cast<const void*>(&TraceWithLevelsCaller)};
  EXPECT_EQ(RoutineOf(traces[1][0], routines), routines[0]);
  EXPECT_EQ(RoutineOf(traces[0][1], routines), routines[0]);
  EXPECT_EQ(RoutineOf(traces[1][1], routines), routines[1]);
}

TEST(TStackInfoList, CallSiteLengthKnowsEveryCallForm) {
  struct TCase {
    std::vector<uint8_t> Bytes;
    size_t Length;
  };
  const TCase cases[] = {
      {{0xE8, 1, 2, 3, 4}, 5},                    // call rel32
      {{0xFF, 0xD0}, 2},                          // call rax
      {{0x41, 0xFF, 0xD3}, 3},                    // call r11
      {{0xFF, 0x10}, 2},                          // call [rax]
      {{0xFF, 0x14, 0x24}, 3},                    // call [rsp]
      {{0xFF, 0x50, 0x08}, 3},                    // call [rax+8]
      {{0x41, 0xFF, 0x50, 0x08}, 4},              // call [r8+8]
      {{0xFF, 0x54, 0x24, 0x08}, 4},              // call [rsp+8]
      {{0xFF, 0x15, 1, 2, 3, 4}, 6},              // call [rip+disp32]
      {{0xFF, 0x90, 1, 2, 3, 4}, 6},              // call [rax+disp32]
      {{0xFF, 0x94, 0xC8, 1, 2, 3, 4}, 7},        // call [rax+rcx*8+disp32]
      {{0x41, 0xFF, 0x94, 0x24, 1, 2, 3, 4}, 8},  // call [r12+disp32] with REX
      {{0x90, 0x90}, 0},                          // nop nop
      {{0xFF, 0xE0}, 0},                          // jmp rax, not a call
      {{0xFF, 0x20}, 0},                          // jmp [rax]
  };
  for (const TCase& c : cases) {
    uint8_t code[16] = {0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
                        0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
    std::copy(c.Bytes.begin(), c.Bytes.end(), code + 16 - c.Bytes.size());
    EXPECT_EQ(DecodeCallSiteLength(code + 16), c.Length) << "case of length " << c.Length;
  }
}

__attribute__((noinline)) void* ReturnAddressA() {
  return __builtin_return_address(0);
}
__attribute__((noinline)) void* ReturnAddressB() {
  return __builtin_return_address(0);
}

TEST(TStackInfoList, RawScanRecordsARepeatedReturnAddressOnce) {
  void* a = ReturnAddressA();
  void* b = ReturnAddressB();
  uintptr_t stack[8] = {0,
                        7,
                        reinterpret_cast<uintptr_t>(a),
                        reinterpret_cast<uintptr_t>(a),
                        0,
                        reinterpret_cast<uintptr_t>(b),
                        12345,
                        0};
  TJclStackInfoList list(true, -1, nullptr, false, stack, stack + 8);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(static_cast<char*>(list.Items(0).CallerAddr()), static_cast<char*>(a) - 5);
  EXPECT_EQ(static_cast<char*>(list.Items(1).CallerAddr()), static_cast<char*>(b) - 5);
}

__attribute__((noinline)) void CompareDelayedWithDirect(bool Raw) {
  void* frame = __builtin_frame_address(0);
  TJclStackInfoList direct(Raw, -1, nullptr, false, frame);
  TJclStackInfoList delayed(Raw, -1, nullptr, true, frame);
  EXPECT_TRUE(delayed.DelayedTrace());
  const auto directAddrs = CallerAddrs(direct);
  EXPECT_FALSE(directAddrs.empty());
  EXPECT_EQ(CallerAddrs(delayed), directAddrs);
  EXPECT_FALSE(delayed.DelayedTrace());
}

TEST(TStackInfoList, DelayedTraceEqualsTheDirectTrace) {
  CompareDelayedWithDirect(false);
  CompareDelayedWithDirect(true);
}

TEST(TStackInfoList, AnUnrisingChainEndsTheWalk) {
  // A frame whose saved frame pointer points below itself: the walk stops there.
  uintptr_t stack[4];
  stack[0] = reinterpret_cast<uintptr_t>(&stack[0]) - 64;
  stack[1] = reinterpret_cast<uintptr_t>(ReturnAddressA());
  TJclStackInfoList list(false, -1, nullptr, false, stack, stack + 4);
  EXPECT_EQ(list.Count(), 0u);
}

// --- threads -------------------------------------------------------------------------------------

std::atomic<int> NotifiersRunning{0};
std::atomic<bool> RanConcurrently{false};

TEST_F(TTrackingTest, ThreadsRaiseConcurrentlyWithTheirOwnLists) {
  TScopedNotifier notifier([](const TExceptObject*, void*, bool) {
    if (NotifiersRunning.fetch_add(1) != 0) RanConcurrently = true;
    std::this_thread::yield();
    NotifiersRunning.fetch_sub(1);
  });
  constexpr int Threads = 8, Raises = 10000;
  std::atomic<int> wrongOwner{0}, caught{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < Raises; ++i) {
        try {
          Raise1();
        } catch (const EFoo&) {
          ++caught;
        }
        TJclExceptFrameList* frames = CurrentThreadExceptFrameList();
        TJclStackInfoList* stack = CurrentThreadStackList();
        if (!frames || !stack || frames->ThreadID() != CurrentThreadID() ||
            stack->ThreadID() != CurrentThreadID())
          ++wrongOwner;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(caught, Threads * Raises);
  EXPECT_EQ(wrongOwner, 0);
  EXPECT_FALSE(RanConcurrently);
}

}  // namespace

namespace {

// A language-specific data block of one call site [0x10, 0x20) with landing pad 0x40 and two
// catch clauses, EFoo then EBar; type entries are absolute pointers.
std::vector<uint8_t> TwoClauseLsda() {
  std::vector<uint8_t> lsda = {
      0xff,                    // landing pads relative to the region start
      0x00, 0x00,              // type entries: absolute pointers; offset to the table end
      0x01, 0x04,              // call sites: uleb128, 4 bytes of them
      0x10, 0x10, 0x40, 0x01,  // start, length, landing pad, first action record (1-based)
      0x01, 0x01,              // action record 1: filter 1, next record one byte on
      0x02, 0x00,              // action record 2: filter 2, end of the chain
  };
  // Type entries are counted backwards from the table's end: filter 1 is the last one.
  const std::type_info* types[] = {&typeid(EFoo), &typeid(EBar)};
  lsda[2] = static_cast<uint8_t>(lsda.size() + sizeof types - 3);  // counted after itself
  const auto* bytes = reinterpret_cast<const uint8_t*>(types);
  for (size_t i = 0; i < sizeof types; ++i) lsda.push_back(bytes[i]);
  return lsda;
}

TEST(TExceptFrameTables, ClausesAreReadFromTheLanguageSpecificData) {
  const std::vector<uint8_t> lsda = TwoClauseLsda();
  const uintptr_t region = 0x100000;
  auto desc = DescribeExceptFrame(lsda.data(), lsda.size(), region, region + 0x18);
  ASSERT_TRUE(desc.has_value());
  EXPECT_EQ(desc->Kind, efkOnException);
  EXPECT_EQ(desc->LandingPad, reinterpret_cast<void*>(region + 0x40));
  ASSERT_EQ(desc->ExcTab.size(), 2u);
  EXPECT_EQ(*desc->ExcTab[0].VTable, typeid(EBar));  // filter 1: the last table entry
  EXPECT_EQ(*desc->ExcTab[1].VTable, typeid(EFoo));

  auto outside = DescribeExceptFrame(lsda.data(), lsda.size(), region, region + 0x30);
  ASSERT_TRUE(outside.has_value());
  EXPECT_EQ(outside->Kind, efkUnknown);
}

TEST(TExceptFrameTables, CutOrDamagedDataNeverReadsPastItsEnd) {
  const std::vector<uint8_t> lsda = TwoClauseLsda();
  const uintptr_t region = 0x100000;
  for (size_t size = 0; size < lsda.size(); ++size) {
    // A copy of exactly `size` bytes, so the sanitizer sees any read beyond it.
    std::vector<uint8_t> cut(lsda.begin(), lsda.begin() + static_cast<ptrdiff_t>(size));
    auto desc = DescribeExceptFrame(cut.data(), cut.size(), region, region + 0x18);
    EXPECT_TRUE(!desc || desc->ExcTab.size() < 2) << "size " << size;
  }
  uint32_t seed = 12345;
  for (int round = 0; round < 5000; ++round) {
    std::vector<uint8_t> damaged = lsda;
    for (int flips = 0; flips < 3; ++flips) {
      seed = seed * 1103515245 + 12345;
      damaged[(seed >> 8) % damaged.size()] = static_cast<uint8_t>(seed >> 16);
    }
    DescribeExceptFrame(damaged.data(), damaged.size(), region, region + 0x18);
  }
}

}  // namespace

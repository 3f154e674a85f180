#include "JclHookExcept.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ExceptionTrackingTestSupport.h"

namespace {

// What the recording notifiers saw, in call order.
struct TSeen {
  std::string Who;
  std::string What;
  const std::type_info* Type;
  void* ExceptAddr;
  bool OSException;
};
std::vector<TSeen> Seen;

void Record(const char* who, const TExceptObject* obj, void* addr, bool os) {
  const std::exception* e = obj ? obj->As<std::exception>() : nullptr;
  Seen.push_back({who, e ? e->what() : "", obj ? obj->Type : nullptr, addr, os});
}
void NotifierA(const TExceptObject* o, void* a, bool os) {
  Record("A", o, a, os);
}
void NotifierB(const TExceptObject* o, void* a, bool os) {
  Record("B", o, a, os);
}
void NotifierC(const TExceptObject* o, void* a, bool os) {
  Record("C", o, a, os);
}

// Registers a notifier for the test's duration.
class THookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallExceptionHook());
    Seen.clear();
  }
  void TearDown() override {
    UnregisterExceptNotifier(NotifierA);
    UnregisterExceptNotifier(NotifierB);
    UnregisterExceptNotifier(NotifierC);
  }
};

// True when Addr lies in the test executable rather than in a library.
bool InTestCode(void* Addr) {
  Dl_info here{}, there{};
  dladdr(reinterpret_cast<void*>(&InTestCode), &here);
  return dladdr(Addr, &there) != 0 && there.dli_fbase == here.dli_fbase;
}

TEST_F(THookTest, NotifiersRunFirstChainFirstThenInRegistrationOrder) {
  RegisterExceptNotifier(NotifierA, npNormal);
  RegisterExceptNotifier(NotifierB, npFirstChain);
  RegisterExceptNotifier(NotifierC, npNormal);
  try {
    throw EFoo("first");
  } catch (const EFoo&) {
  }
  ASSERT_EQ(Seen.size(), 3u);
  EXPECT_EQ(Seen[0].Who, "B");
  EXPECT_EQ(Seen[1].Who, "A");
  EXPECT_EQ(Seen[2].Who, "C");
  EXPECT_EQ(Seen[0].What, "first");
  EXPECT_EQ(*Seen[0].Type, typeid(EFoo));
  EXPECT_FALSE(Seen[0].OSException);
  EXPECT_TRUE(InTestCode(Seen[0].ExceptAddr));
}

TEST_F(THookTest, DoubleRegistrationIsCalledTwiceAndRemovedByOneCall) {
  EXPECT_FALSE(RegisterExceptNotifier(nullptr, npNormal));
  EXPECT_FALSE(UnregisterExceptNotifier(nullptr));
  EXPECT_TRUE(UnregisterExceptNotifier(NotifierA));  // not registered: still true
  ASSERT_TRUE(RegisterExceptNotifier(NotifierA, npNormal));
  ASSERT_TRUE(RegisterExceptNotifier(NotifierA, npNormal));
  try {
    throw EFoo("x");
  } catch (...) {
  }
  EXPECT_EQ(Seen.size(), 2u);
  EXPECT_TRUE(UnregisterExceptNotifier(NotifierA));
  Seen.clear();
  try {
    throw EFoo("y");
  } catch (...) {
  }
  EXPECT_TRUE(Seen.empty());
}

TEST_F(THookTest, MethodNotifierGetsItsObject) {
  int calls = 0;
  TJclExceptNotifyMethod method{
      [](void* data, const TExceptObject*, void*, bool) { ++*static_cast<int*>(data); }, &calls};
  ASSERT_TRUE(RegisterExceptNotifierMethod(method, npNormal));
  try {
    throw 42;
  } catch (int) {
  }
  EXPECT_TRUE(UnregisterExceptNotifierMethod(method));
  EXPECT_EQ(calls, 1);
}

// The thrown object and its type are found behind the runtime's exception header.
TEST_F(THookTest, ThrownObjectAndTypeAreReported) {
  static int value;
  static std::string text;
  static std::string dependent;
  TScopedNotifier notifier([](const TExceptObject* o, void*, bool) {
    if (*o->Type == typeid(int)) value = *static_cast<int*>(o->Object);
    if (*o->Type == typeid(std::string)) text = *static_cast<std::string*>(o->Object);
    if (o->IsA(typeid(Exception))) dependent = o->As<Exception>()->Message();
  });
  try {
    throw 1234;
  } catch (int) {
  }
  try {
    throw std::string("thrown text");
  } catch (const std::string&) {
  }
  try {
    std::rethrow_exception(std::make_exception_ptr(EBar("dependent")));
  } catch (const EBar&) {
  }
  EXPECT_EQ(value, 1234);
  EXPECT_EQ(text, "thrown text");
  EXPECT_EQ(dependent, "dependent");

  EAbort own("stop");
  const TExceptObject ownObject{&own, &typeid(EAbort)};
  EXPECT_EQ(ownObject.ClassName(), "EAbort");
  EXPECT_EQ(ownObject.Message(), "stop");
  std::out_of_range standard("range");
  const TExceptObject standardObject{&standard, &typeid(std::out_of_range)};
  EXPECT_EQ(standardObject.ClassName(), "std::out_of_range");
  EXPECT_EQ(standardObject.Message(), "range");
  int number = 3;
  const TExceptObject numberObject{&number, &typeid(int)};
  EXPECT_EQ(numberObject.ClassName(), "int");
  EXPECT_EQ(numberObject.Message(), "");
}

TEST_F(THookTest, ExceptionInsideNotifierIsNotNotified) {
  TScopedNotifier notifier([](const TExceptObject* o, void* a, bool os) {
    Record("outer", o, a, os);
    try {
      throw EBar("inside");
    } catch (const EBar&) {
    }
  });
  try {
    throw EFoo("raised");
  } catch (const EFoo&) {
  }
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].What, "raised");
}

TEST_F(THookTest, ExceptionEscapingNotifierReplacesTheRaisedOne) {
  TScopedNotifier notifier([](const TExceptObject* o, void* a, bool os) {
    Record("escaping", o, a, os);
    if (o->IsA(typeid(EFoo))) throw EBar("replacement");
  });
  std::string caught;
  try {
    throw EFoo("original");
  } catch (const EFoo&) {
    caught = "EFoo";
  } catch (const EBar& e) {
    caught = e.Message();
  }
  EXPECT_EQ(caught, "replacement");
  EXPECT_EQ(std::uncaught_exceptions(), 0);
  // A re-raise replaced the same way leaves the runtime consistent too.
  caught.clear();
  try {
    try {
      throw 7;
    } catch (int) {
      throw EFoo("again");
    }
  } catch (const EBar& e) {
    caught = e.Message();
  }
  EXPECT_EQ(caught, "replacement");
  EXPECT_EQ(std::uncaught_exceptions(), 0);
  EXPECT_EQ(Seen.size(), 3u);  // "original", 7, "again"; never "replacement"
}

__attribute__((noinline)) char CallStringAt(const std::string& s) {
  return s.at(10);
}
__attribute__((noinline)) int CallVectorAt(const std::vector<int>& v) {
  return v.at(3);
}

TEST_F(THookTest, ThrowsFromInsideTheRuntimeAndReRaisesAreNotified) {
  RegisterExceptNotifier(NotifierA, npNormal);
  try {
    CallStringAt("short");
  } catch (const std::out_of_range&) {
  }
  try {
    CallVectorAt({1, 2});
  } catch (const std::out_of_range&) {
  }
  try {
    try {
      throw EFoo("once");
    } catch (const EFoo&) {
      throw;
    }
  } catch (const EFoo&) {
  }
  ASSERT_EQ(Seen.size(), 4u);
  for (const TSeen& seen : Seen) {
    EXPECT_TRUE(InTestCode(seen.ExceptAddr)) << seen.What;
    EXPECT_FALSE(seen.OSException);
  }
  EXPECT_EQ(*Seen[0].Type, typeid(std::out_of_range));
  EXPECT_EQ(Seen[3].What, "once");
}

// Raised on a bare thread: nothing on its stack catches it, not even a catch (...).
void* RaiseForeignException(void* result) {
  _Unwind_Exception foreign{};
  foreign.exception_class = 0x464F524549474E00;  // "FOREIGN\0"
  *static_cast<int*>(result) = _Unwind_RaiseException(&foreign);
  return nullptr;
}

TEST_F(THookTest, ForeignExceptionIsPassedOnUnnotified) {
  RegisterExceptNotifier(NotifierA, npNormal);
  int result = -1;
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, nullptr, RaiseForeignException, &result), 0);
  pthread_join(thread, nullptr);
  EXPECT_EQ(result, _URC_END_OF_STACK);  // the unwinder ran and found no handler
  EXPECT_TRUE(Seen.empty());
}

TEST_F(THookTest, AfterModuleEndRaisingWorksAndNotifiesNobody) {
  RegisterExceptNotifier(NotifierA, npNormal);
  EndHookExcept();
  EXPECT_FALSE(RegisterExceptNotifier(NotifierB, npNormal));
  bool caught = false;
  try {
    throw EFoo("after end");
  } catch (const EFoo&) {
    caught = true;
  }
  StartHookExcept();
  EXPECT_TRUE(caught);
  EXPECT_TRUE(Seen.empty());
}

// Ending and starting the module while another thread raises: a dispatch already under way
// must never reach a notifier list that was freed under it (which hung the raising thread on
// the freed list's lock).
TEST_F(THookTest, EndingTheModuleWhileAnotherThreadRaisesIsSafe) {
  std::atomic<bool> stop = false;
  std::atomic<int> raised = 0;
  std::thread raiser([&] {
    while (!stop) {
      try {
        throw EFoo("raced");
      } catch (const EFoo&) {
        ++raised;
      }
    }
  });
  for (int round = 0; round < 1000000 && (round < 2000 || raised < 1000); ++round) {
    RegisterExceptNotifier([](const TExceptObject*, void*, bool) { std::this_thread::yield(); },
                           npNormal);
    EndHookExcept();
    StartHookExcept();
  }
  stop = true;
  raiser.join();
  EXPECT_GE(raised, 1000);
  EXPECT_TRUE(RegisterExceptNotifier(NotifierA, npNormal)) << "the module works on";
}

// --- operating-system exceptions ---------------------------------------------------------------

FAULTING_ROUTINE int ReadAt(volatile int* p) {
  return *p;
}
FAULTING_ROUTINE void WriteAt(volatile int* p) {
  *p = 1;
}
FAULTING_ROUTINE int Divide(int a, int b) {
  volatile int divisor = b;
  return a / divisor;
}

// True when the routine nearest below addr, among the faulting routines, is routine.
bool WithinRoutine(void* addr, void (*routine)()) {
  const void* routines[] = {reinterpret_cast<void*>(&ReadAt), reinterpret_cast<void*>(&WriteAt),
                            reinterpret_cast<void*>(&Divide)};
  const void* nearest = nullptr;
  for (const void* start : routines)
    if (start <= addr && (!nearest || start > nearest)) nearest = start;
  return nearest == reinterpret_cast<void*>(routine) &&
         static_cast<char*>(addr) - static_cast<const char*>(nearest) < 2048;
}

TEST_F(THookTest, FaultsAreNotifiedThenCaughtAsTheirClasses) {
  RegisterExceptNotifier(NotifierA, npNormal);
  void* page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  std::string caught;
  try {
    ReadAt(nullptr);
  } catch (const EAccessViolation& e) {
    caught += "read;";
    EXPECT_NE(e.Message().find("Read of address 0000000000000000"), std::string::npos);
  }
  try {
    WriteAt(static_cast<int*>(page));
  } catch (const EAccessViolation& e) {
    caught += "write;";
    EXPECT_NE(e.Message().find("Write of address"), std::string::npos);
  }
  try {
    Divide(1, 0);
  } catch (const EDivByZero&) {
    caught += "divide;";
  }
  munmap(page, 4096);
  EXPECT_EQ(caught, "read;write;divide;");
  ASSERT_EQ(Seen.size(), 3u);
  for (const TSeen& seen : Seen) EXPECT_TRUE(seen.OSException);
  EXPECT_TRUE(WithinRoutine(Seen[0].ExceptAddr, reinterpret_cast<void (*)()>(&ReadAt)));
  EXPECT_TRUE(WithinRoutine(Seen[1].ExceptAddr, reinterpret_cast<void (*)()>(&WriteAt)));
  EXPECT_TRUE(WithinRoutine(Seen[2].ExceptAddr, reinterpret_cast<void (*)()>(&Divide)));
  EXPECT_EQ(*Seen[2].Type, typeid(EDivByZero));
}

size_t MappingCount() {
  std::ifstream maps("/proc/self/maps");
  size_t lines = 0;
  for (std::string line; std::getline(maps, line);) ++lines;
  return lines;
}

TEST_F(THookTest, ThousandFaultsLeaveTheProcessHealthy) {
  ReadAt(reinterpret_cast<int*>(&Seen));  // warm up lazily made state before counting
  try {
    ReadAt(nullptr);
  } catch (const EAccessViolation&) {
  }
  stack_t before{};
  sigaltstack(nullptr, &before);
  const size_t mappingsBefore = MappingCount();
  int caught = 0;
  for (int i = 0; i < 1000; ++i) {
    try {
      i % 2 ? ReadAt(nullptr) : Divide(i, 0);
    } catch (const EExternal&) {
      ++caught;
    }
  }
  EXPECT_EQ(caught, 1000);
  stack_t after{};
  sigaltstack(nullptr, &after);
  EXPECT_EQ(after.ss_sp, before.ss_sp);
  EXPECT_EQ(after.ss_flags & SS_ONSTACK, 0);
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  for (int signal : {SIGSEGV, SIGFPE, SIGBUS, SIGILL}) EXPECT_FALSE(sigismember(&blocked, signal));
  EXPECT_LE(MappingCount(), mappingsBefore + 2);
}

volatile bool KeepRecursing = true;

__attribute__((noinline)) int Recurse(int depth) {
  volatile char pad[256];
  pad[0] = static_cast<char>(depth);
  return (KeepRecursing ? Recurse(depth + 1) : 0) + pad[0];
}

// Runs Body in a child process; answers its stderr and how it ended.
std::pair<std::string, int> RunChild(void (*Body)()) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {"", -1};
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[0]);
    Body();
    _exit(0);
  }
  close(pipeFds[1]);
  std::string output;
  char buffer[256];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return {output, status};
}

TEST_F(THookTest, StackOverflowEndsTheProcessWithOneLine) {
  auto [output, status] = RunChild([] { Recurse(0); });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  EXPECT_NE(output.find("fatal SIGSEGV (stack overflow)"), std::string::npos) << output;
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

}  // namespace

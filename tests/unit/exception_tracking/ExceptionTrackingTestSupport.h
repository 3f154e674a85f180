#pragma once

#include "JclHookExcept.h"

// A routine that faults on purpose: the undefined-behaviour checks would stop it first.
#define FAULTING_ROUTINE __attribute__((noinline, no_sanitize("null", "integer-divide-by-zero")))

// Two unrelated exception classes for the tests to raise.
class EFoo : public Exception {
 public:
  using Exception::Exception;
};
class EBar : public Exception {
 public:
  using Exception::Exception;
};

// Registers a notifier for the lifetime of the object.
class TScopedNotifier {
 public:
  explicit TScopedNotifier(TJclExceptNotifyProc Proc, TJclExceptNotifyPriority Priority = npNormal)
      : FProc(Proc) {
    RegisterExceptNotifier(Proc, Priority);
  }
  ~TScopedNotifier() { UnregisterExceptNotifier(FProc); }
  TScopedNotifier(const TScopedNotifier&) = delete;
  TScopedNotifier& operator=(const TScopedNotifier&) = delete;

 private:
  TJclExceptNotifyProc FProc;
};

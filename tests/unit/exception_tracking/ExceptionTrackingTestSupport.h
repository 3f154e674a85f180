#pragma once

#include "JclHookExcept.h"

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

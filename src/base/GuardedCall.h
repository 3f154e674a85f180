#pragma once

#include <utility>

// The window framework's object type; base only passes a sender on.
class TObject;

// Where an exception stops at a boundary with C code (a runtime entry routine, a GTK signal or
// timer callback), the boundary answers its default instead of letting it unwind into C. The
// exception notifiers saw the exception when it was raised; besides that it goes to the one
// handler set here (the application's exception event while the window framework runs).

// Called inside the catch block, so it may rethrow to look at the exception. Must not throw.
using TGuardedCallHandler = void (*)(TObject* Sender) noexcept;
void SetGuardedCallHandler(TGuardedCallHandler Handler);
// Call only from a catch block.
void HandleGuardedCallException(TObject* Sender) noexcept;

template <class Body>
void CallGuarded(TObject* Sender, Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    HandleGuardedCallException(Sender);
  }
}

template <class Result, class Body>
Result CallGuarded(TObject* Sender, Result fallback, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    HandleGuardedCallException(Sender);
    return fallback;
  }
}

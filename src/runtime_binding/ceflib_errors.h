#pragma once

#include <utility>

#include "SysUtils.h"

// Raised by the binding when the runtime cannot be used (for example a runtime library that
// lacks an entry point).
class ECefException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ECefException"; }
};

// Reports the exception being handled inside a C entry routine, so that nothing crosses into
// the runtime's code unseen. Call only from a catch block.
void HandleEntryException() noexcept;

// Runs the body of a C entry routine: an exception is reported and the routine answers
// fallback instead of unwinding into the runtime.
template <class Result, class Body>
Result GuardedEntry(Result fallback, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    HandleEntryException();
    return fallback;
  }
}

template <class Body>
void GuardedEntry(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    HandleEntryException();
  }
}

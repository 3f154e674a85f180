#pragma once

#include "GuardedCall.h"
#include "SysUtils.h"

// Every C entry routine runs its body with CallGuarded(nullptr, ...): an exception was logged
// by the exception notifiers when it was raised, so the routine only answers its default.

// Raised by the binding when the runtime cannot be used (for example a runtime library that
// lacks an entry point).
class ECefException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ECefException"; }
};

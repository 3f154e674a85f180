#include "ceflib_errors.h"

#include <cstdio>
#include <exception>

void HandleEntryException() noexcept {
  // Until the exception notifiers are wired in, stderr is the only place that survives.
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "runtime callback raised %s: %s\n", ExceptionClassName(e), e.what());
  } catch (...) {
    std::fprintf(stderr, "runtime callback raised an unknown exception\n");
  }
}

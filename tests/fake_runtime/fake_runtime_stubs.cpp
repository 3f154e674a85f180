// Every exported function as a weak stub that records its call and answers zero/null. The
// functions the fake implements override these with strong definitions in the other files;
// the rest stay available so the loader finds all of them.
#include "fake_runtime_state.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

#define FAKE_RUNTIME_STUB(result, name, params) \
  __attribute__((weak)) result name params {    \
    FakeRuntime::Internal::Record(#name);       \
    return (result)0;                           \
  }
CEF_EXPORTED_FUNCTIONS(FAKE_RUNTIME_STUB)

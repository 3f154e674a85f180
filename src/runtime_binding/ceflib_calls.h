#pragma once

#include <type_traits>
#include <utility>

#include "ceflib_bridge.h"
#include "ceflib_strings.h"
#include "ustring.h"

// Conversions for calls from the program into entries of runtime objects. Every wrapper
// operation is one CallEntry, so the rules live here once: Booleans go as 0 or 1, text as a
// borrowed view, objects with a reference for the runtime; results come back as true for
// non-zero, text from user-free strings, objects wrapped (FromRuntime).

// A borrowed view that lives until the end of the runtime call it is an argument of.
class TRuntimeStringArg {
 public:
  explicit TRuntimeStringArg(const ustring& text) : FView(BorrowRuntimeString(text)) {}
  operator TCefConstString*() const { return &FView; }

 private:
  TCefStringUtf16 FView;
};

// An object handed to the runtime, typed by the entry parameter it is passed to.
class TRuntimeObjectArg {
 public:
  explicit TRuntimeObjectArg(void* data) : FData(data) {}
  template <class TStruct>
  operator TStruct*() const {
    return static_cast<TStruct*>(FData);
  }

 private:
  void* FData;
};

inline TRuntimeStringArg ToRuntime(const ustring& text) {
  return TRuntimeStringArg(text);
}

inline TCefBool ToRuntime(bool value) {
  return value ? 1 : 0;
}

template <class T>
TRuntimeObjectArg ToRuntime(const TRef<T>& object) {
  return TRuntimeObjectArg(RuntimePointerOf(object));
}

template <class T>
requires std::is_scalar_v<T> T ToRuntime(T value) {
  return value;
}

inline ustring FromRuntime(TCefStringUserFreeUtf16 text) {
  return TakeUserFreeString(text);
}

// The runtime's raw result as the program type Result.
template <class Result, class Raw>
Result ToProgram(Raw raw) {
  if constexpr (std::is_same_v<Result, Raw>)
    return raw;
  else if constexpr (std::is_same_v<Result, bool>)
    return raw != 0;
  else
    return FromRuntime(raw);
}

// Calls entry of self with the converted arguments and converts its result to Result.
template <class Result, class TStruct, class TEntry, class... TArgs>
Result CallEntry(TStruct* self, TEntry TStruct::*entry, const TArgs&... args) {
  if constexpr (std::is_void_v<Result>)
    (self->*entry)(self, ToRuntime(args)...);
  else
    return ToProgram<Result>((self->*entry)(self, ToRuntime(args)...));
}

#pragma once

// Runtime objects whose entries record how the program called them. Install puts a recorder
// into each listed entry; a recorder logs the entry's slot (0 for the first entry after the
// header) and its arguments in text form, acts as a runtime would with what it received (it
// gives back the reference that came with each object argument), and answers a fixed value of
// the entry's result type. The fake runtime counts every reference and text involved, so a
// wrapper that mishandles one shows up in its leak report.

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "ceflib.h"
#include "fake_runtime.h"
#include "gtest/gtest.h"

namespace Recorder {

struct TCall {
  int Slot;
  std::string Args;
};

inline std::vector<TCall>& Log() {
  static std::vector<TCall> log;
  return log;
}

// The slot of a 32-bit layout whose entry sits at byte offset.
constexpr int SlotAt(int offset) {
  return (offset - 16) / 4;
}

inline std::string Text(const TCefStringUtf16* text) {
  return text ? "\"" + Utf16ToUtf8(CopyFromRuntimeString(text)) + "\"" : "null";
}

inline std::string ListText(TCefStringList list) {
  std::vector<ustring> items;
  for (int32_t i = 0; i < RuntimeApi.cef_string_list_size(list); ++i) {
    TCefStringUtf16 item{};
    RuntimeApi.cef_string_list_value(list, i, &item);
    items.push_back(TakeRuntimeString(&item));
  }
  std::string text = "[";
  for (const ustring& item : items) text += (text.size() > 1 ? "," : "") + Utf16ToUtf8(item);
  return text + "]";
}

// Takes over the reference that came with an object argument, as the runtime would, and
// names it.
inline std::string TakeObject(TCefBase* object) {
  if (!object) return "null";
  const std::string kind = FakeRuntime::KindOf(object);
  object->release(object);
  return kind.empty() ? "program object" : kind;
}

template <class TArg>
std::string Describe(TArg arg) {
  using T = std::remove_cv_t<std::remove_pointer_t<TArg>>;
  if constexpr (std::is_same_v<TArg, double>) {
    return std::to_string(arg);
  } else if constexpr (std::is_arithmetic_v<TArg> || std::is_enum_v<TArg>) {
    return std::to_string(static_cast<long long>(arg));
  } else if constexpr (std::is_same_v<T, TCefStringUtf16>) {
    return Text(arg);
  } else if constexpr (std::is_same_v<TArg, TCefStringList>) {
    // An appended item shows whether the program keeps what it had.
    const std::string text = ListText(arg);
    const ustring added = u"added";
    const TCefStringUtf16 view = BorrowRuntimeString(added);
    RuntimeApi.cef_string_list_append(arg, &view);
    return text;
  } else if constexpr (std::is_same_v<T, TCefBase>) {
    return TakeObject(arg);
  } else if constexpr (std::is_class_v<T> && requires { arg->base; }) {
    return TakeObject(arg ? &arg->base : nullptr);
  } else {
    return arg ? "ptr" : "null";
  }
}

// What a recording entry answers.
template <class TResult>
TResult Answer() {
  if constexpr (std::is_void_v<TResult>) {
    return;
  } else if constexpr (std::is_same_v<TResult, TCefStringUserFreeUtf16>) {
    return FakeRuntime::NewUserFreeString(u"answer");
  } else if constexpr (std::is_same_v<TResult, RuntimeTime>) {
    return RuntimeTime{2021, 3, 0, 14, 15, 9, 26, 535};
  } else if constexpr (std::is_same_v<TResult, double>) {
    return 2.5;
  } else if constexpr (std::is_same_v<TResult, int64_t>) {
    return int64_t{0x100000007};
  } else if constexpr (std::is_same_v<TResult, TCefBase*>) {
    return FakeRuntime::NewObject("answer");
  } else if constexpr (std::is_pointer_v<TResult> &&
                       requires { std::remove_pointer_t<TResult>::base; }) {
    return FakeRuntime::NewObjectOf<std::remove_pointer_t<TResult>>("answer");
  } else if constexpr (std::is_pointer_v<TResult>) {
    return reinterpret_cast<TResult>(0x1234);
  } else {
    return static_cast<TResult>(7);
  }
}

template <auto Field, class TField = decltype(Field)>
struct TRecordingEntry;

template <auto Field, class TStruct, class TResult, class... TArgs>
struct TRecordingEntry<Field, TResult (*TStruct::*)(TStruct*, TArgs...)> {
  static TResult Run(TStruct* self, TArgs... args) {
    const auto offset =
        reinterpret_cast<const char*>(&(self->*Field)) - reinterpret_cast<const char*>(self);
    std::string text;
    ((text += (text.empty() ? "" : ", ") + Describe(args)), ...);
    Log().push_back({static_cast<int>((offset - sizeof(TCefBase)) / sizeof(void*)), text});
    return Answer<TResult>();
  }
};

template <auto... Fields, class TStruct>
TStruct* Install(TStruct* object) {
  ((object->*Fields = &TRecordingEntry<Fields>::Run), ...);
  return object;
}

// The runtime structure behind a wrapper, without keeping a reference to it.
template <class TStruct, class TInterface>
TStruct* RuntimeObjectOf(const TRef<TInterface>& wrapper) {
  auto* data = RuntimePointerOf<TStruct>(wrapper);
  data->base.release(&data->base);
  return data;
}

// The text form of a wrapper operation's result.
inline std::string Show(bool value) {
  return value ? "true" : "false";
}
inline std::string Show(const ustring& value) {
  return "\"" + Utf16ToUtf8(value) + "\"";
}
template <class T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T> std::string Show(T value) {
  return std::to_string(value);
}
template <class T>
std::string Show(const TRef<T>& object) {
  return object ? "object" : "null";
}
inline std::string Show(cef_window_handle_t handle) {
  return handle ? "handle" : "null";
}

// One operation of a wrapper: what it calls and what it answers.
template <class TInterface>
struct TOperationRow {
  const char* Name;
  int Offset;  // of the entry in the 32-bit layout
  std::function<std::string(TInterface&)> Act;
  std::string Args;
  std::string Result;
};

// Runs each row against wrapper and checks it made exactly its one call.
template <class TInterface>
void CheckOperations(TInterface& wrapper, const std::vector<TOperationRow<TInterface>>& rows) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    Log().clear();
    EXPECT_EQ(row.Act(wrapper), row.Result);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].Slot, SlotAt(row.Offset));
    EXPECT_EQ(Log()[0].Args, row.Args);
  }
}

}  // namespace Recorder

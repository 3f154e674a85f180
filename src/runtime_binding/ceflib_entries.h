#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_errors.h"
#include "ceflib_strings.h"

// Entry routines of exposed structures, made from the program operation they lead to. The
// routine finds the object through the back-pointer, turns each runtime argument into the
// parameter the operation takes (TEntryArg), calls the operation, converts its answer and
// drops every temporary. An exception stays on the program side: it is reported and the
// routine answers the default (0 or null).

// One runtime argument as the operation parameter Param; the default passes numbers,
// enumerations and record addresses on, and narrows where the operation takes fewer bits.
template <class Param, class Raw>
class TEntryArg {
 public:
  explicit TEntryArg(Raw raw) : FValue(static_cast<std::decay_t<Param>>(raw)) {}
  std::decay_t<Param> Value() const { return FValue; }
  void Finish() {}

 private:
  std::decay_t<Param> FValue;
};

// Text, copied; a null record reads as empty. A writable record is copied all the same: the
// operation's changes do not go back.
class TEntryTextArg {
 public:
  explicit TEntryTextArg(TCefConstString* raw) : FValue(CopyFromRuntimeString(raw)) {}
  const ustring& Value() const { return FValue; }
  void Finish() {}

 private:
  ustring FValue;
};

template <>
class TEntryArg<const ustring&, TCefConstString*> : public TEntryTextArg {
  using TEntryTextArg::TEntryTextArg;
};

template <>
class TEntryArg<const ustring&, TCefStringUtf16*> : public TEntryTextArg {
  using TEntryTextArg::TEntryTextArg;
};

// A runtime object, wrapped for the call and released afterwards.
template <class TInterface, class TStruct>
class TEntryArg<const TRef<TInterface>&, TStruct*> {
 public:
  explicit TEntryArg(TStruct* raw) : FValue(FromRuntime(raw)) {}
  const TRef<TInterface>& Value() const { return FValue; }
  void Finish() {}

 private:
  TRef<TInterface> FValue;
};

// An out Boolean: starts as the runtime's value, goes back as 0 or 1.
template <>
class TEntryArg<bool&, TCefBool*> {
 public:
  explicit TEntryArg(TCefBool* raw) : FRaw(raw), FValue(raw && *raw != 0) {}
  bool& Value() { return FValue; }
  void Finish() {
    if (FRaw) *FRaw = FValue ? 1 : 0;
  }

 private:
  TCefBool* FRaw;
  bool FValue;
};

// An out object: starts empty and goes back with a reference for the runtime (null for none).
template <class TInterface, class TStruct>
class TEntryArg<TRef<TInterface>&, TStruct**> {
 public:
  explicit TEntryArg(TStruct** raw) : FRaw(raw) {}
  TRef<TInterface>& Value() { return FValue; }
  void Finish() {
    if (FRaw) *FRaw = RuntimePointerOf<TStruct>(FValue);
  }

 private:
  TStruct** FRaw;
  TRef<TInterface> FValue;
};

// The answer of an operation as the runtime receives it.
template <class Raw, class Result>
Raw ToRuntimeAnswer(const Result& answer) {
  if constexpr (std::is_same_v<Result, bool>)
    return answer ? 1 : 0;
  else
    return RuntimePointerOf<std::remove_pointer_t<Raw>>(answer);
}

template <class TOwner, auto Operation, class TOperation, class TField>
struct TEntryRoutine;

template <class TOwner, auto Operation, class TClass, class Result, class... Params, class TStruct,
          class Raw, class... RawArgs>
struct TEntryRoutine<TOwner, Operation, Result (TClass::*)(Params...),
                     Raw(CEF_CALLBACK*)(TStruct*, RawArgs...)> {
  static_assert(sizeof...(Params) == sizeof...(RawArgs), "one parameter per runtime argument");

  static Raw CEF_CALLBACK Run(TStruct* self, RawArgs... raw) {
    if constexpr (std::is_void_v<Raw>)
      CallGuarded(nullptr, [&] { Call(self, raw...); });
    else
      return CallGuarded(nullptr, Raw{}, [&] { return ToRuntimeAnswer<Raw>(Call(self, raw...)); });
  }

 private:
  static Result Call(TStruct* self, RawArgs... raw) {
    std::tuple<TEntryArg<Params, RawArgs>...> args(raw...);
    TClass* object = OwnerOf<TOwner>(self);
    if constexpr (std::is_void_v<Result>) {
      std::apply([&](auto&... arg) { (object->*Operation)(arg.Value()...); }, args);
      FinishAll(args);
    } else {
      Result answer =
          std::apply([&](auto&... arg) { return (object->*Operation)(arg.Value()...); }, args);
      FinishAll(args);
      return answer;
    }
  }

  template <class TArgs>
  static void FinishAll(TArgs& args) {
    std::apply([](auto&... arg) { (arg.Finish(), ...); }, args);
  }
};

// Stores in field the routine that leads to Operation of the TOwner behind the structure.
template <auto Operation, class TOwner, class TField>
void SetEntry(TOwner*, TField& field) {
  field = &TEntryRoutine<TOwner, Operation, decltype(Operation), TField>::Run;
}

// How a handler's constructor sets one entry (ceflib_events.h): to the routine SetEntry makes,
// or to one written by hand.
struct TMadeRoutine {};
inline constexpr TMadeRoutine kMadeRoutine{};

template <auto Operation, class TOwner, class TField>
void WireEntry(TOwner* owner, TField& field, TMadeRoutine) {
  SetEntry<Operation>(owner, field);
}

template <auto Operation, class TOwner, class TField>
void WireEntry(TOwner*, TField& field, TField writtenRoutine) {
  field = writtenRoutine;
}

// The routine of a getter whose answer the operation leaves in a trailing out parameter that
// starts empty; the runtime receives the answer with a reference of its own.
template <class TOwner, auto Operation, class TOperation, class TField>
struct TGetterRoutine;

template <class TOwner, auto Operation, class TClass, class... Params, class TStruct, class Raw,
          class... RawArgs>
struct TGetterRoutine<TOwner, Operation, void (TClass::*)(Params...),
                      Raw*(CEF_CALLBACK*)(TStruct*, RawArgs...)> {
  static_assert(sizeof...(Params) == sizeof...(RawArgs) + 1, "the answer follows the arguments");
  using TParams = std::tuple<Params...>;
  using TAnswer = std::remove_reference_t<std::tuple_element_t<sizeof...(RawArgs), TParams>>;

  static Raw* CEF_CALLBACK Run(TStruct* self, RawArgs... raw) {
    return CallGuarded(nullptr, static_cast<Raw*>(nullptr), [&] {
      auto args = ArgsOf(std::index_sequence_for<RawArgs...>(), raw...);
      TAnswer answer;
      TClass* object = OwnerOf<TOwner>(self);
      std::apply([&](auto&... arg) { (object->*Operation)(arg.Value()..., answer); }, args);
      return RuntimePointerOf<Raw>(answer);
    });
  }

 private:
  template <size_t... Index>
  static auto ArgsOf(std::index_sequence<Index...>, RawArgs... raw) {
    return std::tuple<TEntryArg<std::tuple_element_t<Index, TParams>, RawArgs>...>(raw...);
  }
};

template <auto Operation, class TOwner, class TField>
void SetGetterEntry(TOwner*, TField& field) {
  field = &TGetterRoutine<TOwner, Operation, decltype(Operation), TField>::Run;
}

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "Classes.h"
#include "TypInfo.h"
#include "ustring.h"

// Published properties: the properties of a class that can be saved and restored by name. A
// class lists them in declaration order in one constexpr table and answers it from ClassInfo():
//
//   using P = TPublish<TWinControl>;
//   constexpr TPropInfo WinControlProps[] = {
//       P::Ordinal<&TWinControl::Visible, &TWinControl::SetVisible>("Visible", BooleanType)
//           .WithDefault(1),
//       P::Integer<&TWinControl::Width, SetWidth>("Width"),
//   };
//   constexpr TPublishedClass WinControlClass{"TWinControl", nullptr, WinControlProps};
//
// A class's properties follow those of its ancestors (Parent).

using Extended = long double;

enum class TPropKind {
  pkInteger,
  pkChar,
  pkWChar,
  pkEnumeration,
  pkFloat,
  pkString,
  pkSet,
  pkClass,
  pkWString,
  // Kept as its text; the setter receives a string.
  pkVariant,
  pkInt64,
  // Events and the like: never stored.
  pkMethod
};

// A property value in transit between an object and the storage.
using TPropValue = std::variant<int64_t, Extended, std::string, ustring, TSetValue, TObject*>;

inline constexpr TTypeInfo BooleanType = TTypeInfo::Boolean("Boolean");
inline constexpr TTypeInfo IntegerType = TTypeInfo::Integer("Integer", INT32_MIN, INT32_MAX);
inline constexpr TTypeInfo DoubleType = TTypeInfo::Float("Double");
// Floats of this type are dates with the time of day as fraction.
inline constexpr TTypeInfo DateTimeType = TTypeInfo::Float("TDateTime");

struct TPropInfo {
  std::string_view Name;
  TPropKind Kind;
  // The ordinal, set or float type; nullptr for the other kinds.
  const TTypeInfo* PropType = nullptr;
  TPropValue (*Get)(const TObject& instance) = nullptr;
  // nullptr for a read-only property.
  void (*Set)(TObject& instance, const TPropValue& value) = nullptr;
  // The declared default of an ordinal or set property (set: the element bits).
  std::optional<int64_t> Default = std::nullopt;
  bool Stored = true;
  // Set when an object property's declared class is a component class, whose values are
  // references to components owned elsewhere: whether a component is of that class.
  bool (*IsOfComponentClass)(const TComponent& component) = nullptr;

  constexpr TPropInfo WithDefault(int64_t value) const {
    TPropInfo info = *this;
    info.Default = value;
    return info;
  }
  constexpr TPropInfo NotStored() const {
    TPropInfo info = *this;
    info.Stored = false;
    return info;
  }
};

struct TPublishedClass {
  std::string_view Name;
  const TPublishedClass* Parent;
  std::span<const TPropInfo> Properties;
  // Makes a new instance for the class registry's look-up by name; nullptr when the class
  // cannot be made without further arguments.
  TObject* (*Create)() = nullptr;
};

// Every published property of the class, the ancestors' first, in declaration order.
std::vector<const TPropInfo*> GetPropList(const TPublishedClass& classInfo);
// The published property of that name (compared without regard to letter case), or nullptr.
const TPropInfo* GetPropInfo(const TObject& instance, std::string_view name);

// The classes that can be made by name. Registering a name twice keeps the first class.
void RegisterClass(const TPublishedClass& classInfo);
void UnRegisterClass(const TPublishedClass& classInfo);
// The registered class of that name (any letter case), or nullptr.
const TPublishedClass* FindClass(std::string_view name);

// --- Building a property table

namespace published_detail {

template <class F>
struct SetterArg : SetterArg<decltype(&F::operator())> {};
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using type = std::decay_t<A>;
};
template <class C, class A>
struct SetterArg<void (*)(C&, A)> {
  using type = std::decay_t<A>;
};
template <class L, class C, class A>
struct SetterArg<void (L::*)(C&, A) const> {
  using type = std::decay_t<A>;
};

template <class R>
TPropValue ToPropValue(const R& value) {
  if constexpr (std::is_pointer_v<R>)
    return static_cast<TObject*>(value);
  else if constexpr (std::is_integral_v<R> || std::is_enum_v<R>)
    return static_cast<int64_t>(value);
  else if constexpr (std::is_floating_point_v<R>)
    return static_cast<Extended>(value);
  else
    return value;
}

template <class A>
A FromPropValue(const TPropValue& value) {
  if constexpr (std::is_same_v<A, bool>)
    return std::get<int64_t>(value) != 0;
  else if constexpr (std::is_pointer_v<A>)
    return dynamic_cast<A>(std::get<TObject*>(value));
  else if constexpr (std::is_integral_v<A> || std::is_enum_v<A>)
    return static_cast<A>(std::get<int64_t>(value));
  else if constexpr (std::is_floating_point_v<A>)
    return static_cast<A>(std::get<Extended>(value));
  else
    return std::get<A>(value);
}

}  // namespace published_detail

// Property-table entries of class T. Getter and Setter are member functions of T, or free
// functions or captureless lambdas taking T; a missing Setter makes the property read-only.
template <class T>
struct TPublish {
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Property(std::string_view name, TPropKind kind,
                                      const TTypeInfo* type = nullptr) {
    TPropInfo info{name, kind, type, &Get<Getter>};
    if constexpr (!std::is_null_pointer_v<decltype(Setter)>) info.Set = &Set<Setter>;
    return info;
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Integer(std::string_view name) {
    return Property<Getter, Setter>(name, TPropKind::pkInteger, &IntegerType);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Ordinal(std::string_view name, const TTypeInfo& type) {
    return Property<Getter, Setter>(name, TPropKind::pkEnumeration, &type);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Set(std::string_view name, const TTypeInfo& type) {
    return Property<Getter, Setter>(name, TPropKind::pkSet, &type);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Float(std::string_view name, const TTypeInfo& type = DoubleType) {
    return Property<Getter, Setter>(name, TPropKind::pkFloat, &type);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo String(std::string_view name) {
    return Property<Getter, Setter>(name, TPropKind::pkString);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo WideString(std::string_view name) {
    return Property<Getter, Setter>(name, TPropKind::pkWString);
  }
  template <auto Getter, auto Setter = nullptr>
  static constexpr TPropInfo Object(std::string_view name) {
    TPropInfo info = Property<Getter, Setter>(name, TPropKind::pkClass);
    using C =
        std::remove_cv_t<std::remove_pointer_t<std::invoke_result_t<decltype(Getter), const T&>>>;
    if constexpr (std::is_base_of_v<TComponent, C>)
      info.IsOfComponentClass = [](const TComponent& component) {
        return dynamic_cast<const C*>(&component) != nullptr;
      };
    return info;
  }

 private:
  template <auto Getter>
  static TPropValue Get(const TObject& instance) {
    return published_detail::ToPropValue(std::invoke(Getter, static_cast<const T&>(instance)));
  }
  template <auto Setter>
  static void Set(TObject& instance, const TPropValue& value) {
    using A = typename published_detail::SetterArg<decltype(Setter)>::type;
    std::invoke(Setter, static_cast<T&>(instance), published_detail::FromPropValue<A>(value));
  }
};

#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "SysUtils.h"

// Explicit type information for the values that the storage keeps by name: enumeration
// identifiers, set element ranges and integer-to-identifier mappings. A C++ type describes
// itself with one constexpr TTypeInfo built by the factories below, for example
//
//   constexpr std::string_view PlacementOptionNames[] = {"fpState", "fpSize", ...};
//   constexpr TTypeInfo PlacementOptionType = TTypeInfo::Enumeration("TPlacementOption",
//                                                                    PlacementOptionNames);
//   constexpr TTypeInfo PlacementOptionsType = TTypeInfo::Set("TPlacementOptions",
//                                                             PlacementOptionType);
//
// so everything that is stored under a name is spelled out where the type is declared.

class EJclRTTIError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EJclRTTIError"; }
};

// A set value: bit n holds element n. Set element types range within 0..255.
constexpr size_t MaxSetElements = 256;
using TSetValue = std::bitset<MaxSetElements>;

enum class TTypeKind {
  tkInteger,
  tkChar,
  tkWChar,
  tkEnumeration,
  tkBoolean,
  tkSet,
  tkFloat,
  tkString
};

// One identifier of an integer type's mapping (for example a colour name and its value).
struct TIdentMapEntry {
  int32_t Value;
  std::string_view Name;
};

struct TTypeInfo {
  TTypeKind Kind;
  std::string_view Name;
  // Ordinal range; for enumerations 0 .. number of names - 1.
  int64_t MinValue = 0;
  int64_t MaxValue = 0;
  // Identifiers of an enumeration, indexed by ordinal.
  std::span<const std::string_view> EnumNames = {};
  // Identifiers of an integer type; empty when the type has none.
  std::span<const TIdentMapEntry> IdentMap = {};
  // Element type of a set.
  const TTypeInfo* CompType = nullptr;

  static constexpr TTypeInfo Integer(std::string_view name, int64_t minValue, int64_t maxValue,
                                     std::span<const TIdentMapEntry> identMap = {}) {
    return {TTypeKind::tkInteger, name, minValue, maxValue, {}, identMap, nullptr};
  }
  static constexpr TTypeInfo Char(std::string_view name) {
    return {TTypeKind::tkChar, name, 0, 255, {}, {}, nullptr};
  }
  static constexpr TTypeInfo WideChar(std::string_view name) {
    return {TTypeKind::tkWChar, name, 0, 65535, {}, {}, nullptr};
  }
  static constexpr TTypeInfo Enumeration(std::string_view name,
                                         std::span<const std::string_view> names) {
    return {TTypeKind::tkEnumeration,
            name,
            0,
            static_cast<int64_t>(names.size()) - 1,
            names,
            {},
            nullptr};
  }
  static constexpr TTypeInfo Boolean(std::string_view name) {
    return {TTypeKind::tkBoolean, name, 0, 1, {}, {}, nullptr};
  }
  static constexpr TTypeInfo Set(std::string_view name, const TTypeInfo& elementType) {
    return {TTypeKind::tkSet, name, 0, 0, {}, {}, &elementType};
  }
  static constexpr TTypeInfo Float(std::string_view name) {
    return {TTypeKind::tkFloat, name, 0, 0, {}, {}, nullptr};
  }
  static constexpr TTypeInfo String(std::string_view name) {
    return {TTypeKind::tkString, name, 0, 0, {}, {}, nullptr};
  }
};

// The identifier of an enumeration value, or its decimal ordinal when it has none.
std::string GetEnumName(const TTypeInfo& typeInfo, int64_t ordinal);

// The ordinal of an identifier, compared without regard to ASCII letter case.
std::optional<int64_t> GetEnumValue(const TTypeInfo& typeInfo, std::string_view identifier);

// The integer-to-identifier mapping of an integer type, both ways.
std::optional<std::string_view> IntToIdent(const TTypeInfo& typeInfo, int32_t value);
std::optional<int32_t> IdentToInt(const TTypeInfo& typeInfo, std::string_view identifier);

bool SameAsciiText(std::string_view a, std::string_view b);

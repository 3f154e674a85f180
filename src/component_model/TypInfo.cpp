#include "TypInfo.h"

#include <algorithm>

namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool SameAsciiText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

std::string GetEnumName(const TTypeInfo& typeInfo, int64_t ordinal) {
  if (ordinal >= 0 && static_cast<uint64_t>(ordinal) < typeInfo.EnumNames.size())
    return std::string(typeInfo.EnumNames[static_cast<size_t>(ordinal)]);
  return std::to_string(ordinal);
}

std::optional<int64_t> GetEnumValue(const TTypeInfo& typeInfo, std::string_view identifier) {
  const auto& names = typeInfo.EnumNames;
  const auto found = std::find_if(names.begin(), names.end(), [&](std::string_view name) {
    return SameAsciiText(name, identifier);
  });
  if (found == names.end()) return std::nullopt;
  return static_cast<int64_t>(found - names.begin());
}

std::optional<std::string_view> IntToIdent(const TTypeInfo& typeInfo, int32_t value) {
  for (const TIdentMapEntry& entry : typeInfo.IdentMap)
    if (entry.Value == value) return entry.Name;
  return std::nullopt;
}

std::optional<int32_t> IdentToInt(const TTypeInfo& typeInfo, std::string_view identifier) {
  for (const TIdentMapEntry& entry : typeInfo.IdentMap)
    if (SameAsciiText(entry.Name, identifier)) return entry.Value;
  return std::nullopt;
}

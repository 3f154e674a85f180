// Enumerations and sets: values stored by identifier or as a folder of booleans.
#include <charconv>

#include "JvAppStorage.h"

namespace {

constexpr const char* UnknownEnumText = " #!@not known@!# ";

[[noreturn]] void RaiseInvalidType() {
  throw EJVCLAppStorageError("Invalid type");
}

struct TElementRange {
  int64_t First;
  int64_t Last;
};

// Elements of a set's base type; only types whose range fits a set value can be set elements.
TElementRange SetElementRange(const TTypeInfo& elementType) {
  const bool ordinalKind = elementType.Kind == TTypeKind::tkInteger ||
                           elementType.Kind == TTypeKind::tkChar ||
                           elementType.Kind == TTypeKind::tkEnumeration;
  if (!ordinalKind || elementType.MinValue < 0 ||
      elementType.MaxValue >= static_cast<int64_t>(MaxSetElements))
    throw EJVCLAppStorageError("Unknown base type for given set");
  return {elementType.MinValue, elementType.MaxValue};
}

const TTypeInfo& SetElementType(const TTypeInfo& setType) {
  if (setType.Kind != TTypeKind::tkSet || !setType.CompType) RaiseInvalidType();
  return *setType.CompType;
}

std::optional<int64_t> ParseDecimal(std::string_view text) {
  int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

int64_t SetElementOrdinal(const TTypeInfo& elementType, const TElementRange& range,
                          std::string_view text) {
  std::optional<int64_t> element = GetEnumValue(elementType, text);
  if (!element) element = ParseDecimal(text);
  if (!element)
    throw EJclRTTIError(
        Format("Unknown identifier '%.*s'.", static_cast<int>(text.size()), text.data()));
  if (*element < range.First || *element > range.Last)
    throw EConvertError(Format("'%.*s' is not an element of %.*s", static_cast<int>(text.size()),
                               text.data(), static_cast<int>(elementType.Name.size()),
                               elementType.Name.data()));
  return *element;
}

// The text between the brackets of "[a, b..c]", split at commas.
std::vector<std::string_view> SetTextParts(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '[') text.remove_prefix(1);
  if (!text.empty() && text.back() == ']') text.remove_suffix(1);
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    if (const std::string_view part = TrimBlanks(text.substr(start, comma - start)); !part.empty())
      parts.push_back(part);
    start = comma + 1;
  }
  return parts;
}

// The folder form keeps only the control characters of a character set: the names of other
// characters differ only in letter case ("Char_A", "Char_a"), which media may not tell apart.
constexpr int64_t FolderCharacterLimit = 32;

bool KeptInFolderForm(const TTypeInfo& elementType, int64_t element) {
  return elementType.Kind != TTypeKind::tkChar || element < FolderCharacterLimit;
}

// Switches DefaultIfReadConvertError on for one read and back to what it was, also on failure.
class TConvertErrorAsDefault {
 public:
  explicit TConvertErrorAsDefault(TJvCustomAppStorageOptions& options)
      : FOptions(options), FSaved(options.DefaultIfReadConvertError()) {
    FOptions.SetDefaultIfReadConvertError(true);
  }
  ~TConvertErrorAsDefault() { FOptions.SetDefaultIfReadConvertError(FSaved); }
  TConvertErrorAsDefault(const TConvertErrorAsDefault&) = delete;
  TConvertErrorAsDefault& operator=(const TConvertErrorAsDefault&) = delete;

 private:
  TJvCustomAppStorageOptions& FOptions;
  bool FSaved;
};

}  // namespace

void TJvCustomAppStorage::InternalWriteEnumeration(const std::string& path,
                                                   const TTypeInfo& typeInfo, int32_t value) {
  switch (typeInfo.Kind) {
    case TTypeKind::tkBoolean:
      return InternalWriteBoolean(path, value != 0);
    case TTypeKind::tkInteger: {
      const auto identifier = IntToIdent(typeInfo, value);
      if (StorageOptions().TypedIntegerAsString() && identifier)
        return InternalWriteString(path, std::string(*identifier));
      return InternalWriteInteger(path, value);
    }
    case TTypeKind::tkChar:
    case TTypeKind::tkWChar:
      return InternalWriteInteger(path, value);
    case TTypeKind::tkEnumeration:
      if (StorageOptions().EnumerationAsString())
        return InternalWriteString(path, GetEnumName(typeInfo, value));
      return InternalWriteInteger(path, value);
    default:
      RaiseInvalidType();
  }
}

int32_t TJvCustomAppStorage::InternalReadEnumeration(const std::string& path,
                                                     const TTypeInfo& typeInfo, int32_t Default) {
  return ReadWithDefaults(path, Default, [&]() -> int32_t {
    switch (typeInfo.Kind) {
      case TTypeKind::tkBoolean:
        return InternalReadBoolean(path, Default != 0) ? 1 : 0;
      case TTypeKind::tkInteger:
        if (!typeInfo.IdentMap.empty()) {
          std::string text;
          {
            TConvertErrorAsDefault convertErrorAsDefault(StorageOptions());
            text = InternalReadString(path, "");
          }
          if (const auto value = IdentToInt(typeInfo, text); value && !text.empty()) return *value;
        }
        return InternalReadInteger(path, Default);
      case TTypeKind::tkChar:
      case TTypeKind::tkWChar:
        return InternalReadInteger(path, Default);
      case TTypeKind::tkEnumeration: {
        if (const auto value = GetEnumValue(typeInfo, InternalReadString(path, UnknownEnumText)))
          return static_cast<int32_t>(*value);
        const int32_t ordinal = InternalReadInteger(path, -1);
        const bool known = ordinal >= typeInfo.MinValue && ordinal <= typeInfo.MaxValue;
        return known ? ordinal : Default;
      }
      default:
        RaiseInvalidType();
    }
  });
}

std::string TJvCustomAppStorage::SetElementName(const TTypeInfo& elementType,
                                                int64_t element) const {
  switch (elementType.Kind) {
    case TTypeKind::tkEnumeration:
      return GetEnumName(elementType, element);
    case TTypeKind::tkChar:
      return GetCharName(static_cast<uint32_t>(element));
    default:
      return GetIntName(element);
  }
}

std::string TJvCustomAppStorage::SetToText(const TTypeInfo& elementType,
                                           const TSetValue& value) const {
  const TElementRange range = SetElementRange(elementType);
  std::string text;
  for (int64_t element = range.First; element <= range.Last; ++element) {
    if (!value.test(static_cast<size_t>(element))) continue;
    if (!text.empty()) text += ", ";
    text += elementType.Kind == TTypeKind::tkEnumeration ? GetEnumName(elementType, element)
                                                         : std::to_string(element);
  }
  return "[" + text + "]";
}

TSetValue TJvCustomAppStorage::TextToSet(const TTypeInfo& elementType,
                                         const std::string& text) const {
  const TElementRange range = SetElementRange(elementType);
  TSetValue value;
  for (std::string_view part : SetTextParts(text)) {
    const size_t dots = part.find("..");
    const std::string_view first = TrimBlanks(part.substr(0, dots));
    const std::string_view last =
        dots == std::string_view::npos ? first : TrimBlanks(part.substr(dots + 2));
    const int64_t low = SetElementOrdinal(elementType, range, first);
    const int64_t high = SetElementOrdinal(elementType, range, last);
    for (int64_t element = low; element <= high; ++element) value.set(static_cast<size_t>(element));
  }
  return value;
}

void TJvCustomAppStorage::InternalWriteSet(const std::string& path, const TTypeInfo& typeInfo,
                                           const TSetValue& value) {
  const TTypeInfo& elementType = SetElementType(typeInfo);
  if (StorageOptions().SetAsString())
    return InternalWriteString(path, SetToText(elementType, value));
  const TElementRange range = SetElementRange(elementType);
  for (int64_t element = range.First; element <= range.Last; ++element)
    InternalWriteBoolean(
        path + "\\" + SetElementName(elementType, element),
        value.test(static_cast<size_t>(element)) && KeptInFolderForm(elementType, element));
}

TSetValue TJvCustomAppStorage::InternalReadSet(const std::string& path, const TTypeInfo& typeInfo,
                                               const TSetValue& Default) {
  const TTypeInfo& elementType = SetElementType(typeInfo);
  if (!PrimIsFolder(path, true))
    return TextToSet(elementType, InternalReadString(path, SetToText(elementType, Default)));
  const TElementRange range = SetElementRange(elementType);
  TSetValue value;
  for (int64_t element = range.First; element <= range.Last; ++element)
    if (KeptInFolderForm(elementType, element))
      value.set(static_cast<size_t>(element),
                InternalReadBoolean(path + "\\" + SetElementName(elementType, element), false));
  return value;
}

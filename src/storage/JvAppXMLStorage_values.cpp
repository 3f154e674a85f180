#include <charconv>
#include <cstring>
#include <limits>

#include "JvAppXMLStorage.h"

namespace {

static_assert(std::numeric_limits<Extended>::digits == 64, "floats are stored as 80-bit values");
constexpr size_t ExtendedBytes = 10;

bool IsWhiteSpace(std::string_view c) {
  return c.size() == 1 && ((c.front() >= 9 && c.front() <= 13) || c.front() == ' ');
}

std::vector<std::string_view> PathParts(std::string_view key) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    if (end > start) parts.push_back(key.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::optional<int64_t> ParseDecimal(std::string_view text) {
  int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string BytesToHex(std::span<const uint8_t> bytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) {
    text += Digits[byte >> 4];
    text += Digits[byte & 0x0F];
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Converts pairs of hexadecimal digits (an odd count gets a leading "0") until out is full;
// answers the number of bytes converted.
size_t HexToBytes(std::string_view text, std::span<uint8_t> out) {
  const std::string digits = (text.size() % 2 ? "0" : "") + std::string(text);
  size_t count = 0;
  for (; count < out.size() && 2 * count < digits.size(); ++count) {
    const int high = HexValue(digits[2 * count]);
    const int low = HexValue(digits[2 * count + 1]);
    if (high < 0 || low < 0)
      throw EConvertError(
          Format("'%s' is not a valid hexadecimal value", digits.substr(2 * count, 2).c_str()));
    out[count] = static_cast<uint8_t>(high << 4 | low);
  }
  return count;
}

bool IsElement(const TJclSimpleXMLElem* elem) {
  return dynamic_cast<const TJclSimpleXMLElemClassic*>(elem) != nullptr;
}

}  // namespace

// --- Names

std::string TJvCustomAppXMLStorage::ConvertNodeName(const std::string& s) const {
  const TJvAppXMLStorageOptions& options = StorageOptions();
  std::string name;
  for (std::string_view c : SplitUtf8Characters(s)) {
    if (IsWhiteSpace(c)) {
      if (options.WhiteSpaceReplacement().empty())
        throw EJVCLException(
            "XML Node names cannot contain white space and the WhiteSpaceReplacement property "
            "is empty. Please set the WhiteSpaceReplacementProperty to a non empty value.");
      name += options.WhiteSpaceReplacement();
    } else if (c.size() == 1 && IsNodeNameChar(c.front())) {
      name += c;
    } else {
      if (options.InvalidCharReplacement().empty())
        throw EJVCLException(
            Format("XML Node names cannot contain invalid chars (\"%s\") and the "
                   "InvalidCharReplacement property is empty. Please set the "
                   "InvalidCharReplacement to a non empty value.",
                   std::string(c).c_str()));
      name += options.InvalidCharReplacement();
    }
  }
  return name;
}

// "Name[3]" addresses the fourth element called Name, in the new item name format only.
TJvCustomAppXMLStorage::TValueName TJvCustomAppXMLStorage::ParseValueName(
    const std::string& name) const {
  if (StorageOptions().UseOldItemNameFormat()) return {ConvertNodeName(name), std::nullopt};
  const std::string_view t = TrimBlanks(name);
  const size_t close = t.find(']');
  const bool endsInOnlyClose = t.empty() || close == t.size() - 1;
  if (!endsInOnlyClose) return {ConvertNodeName(std::string(t)), std::nullopt};
  const size_t open = t.rfind('[');
  if (open == std::string_view::npos) return {name, std::nullopt};
  const std::optional<int64_t> index = ParseDecimal(t.substr(open + 1, close - open - 1));
  if (!index) return {name, std::nullopt};
  const std::string base = ConvertNodeName(std::string(TrimBlanks(t.substr(0, open))));
  if (*index < 0) return {base, std::nullopt};
  return {base, static_cast<size_t>(*index)};
}

TJvAppStorageValuePath TJvCustomAppXMLStorage::SplitValuePath(const std::string& path) const {
  TJvAppStorageValuePath split = TJvCustomAppStorage::SplitValuePath(path);
  const TValueName value = ParseValueName(split.ValueName);
  split.ValueName =
      value.Index ? ItemNameIndexPath(value.Name, static_cast<int32_t>(*value.Index)) : value.Name;
  if (split.Key.empty()) split.Key = path;
  return split;
}

// --- From paths to elements

template <class Work>
auto TJvCustomAppXMLStorage::WithAutoCreate(bool create, Work work) {
  const TJclSimpleXMLOptions previous = FXml->Options();
  if (create) FXml->SetOptions(previous.With(sxoAutoCreate));
  try {
    auto result = work();
    FXml->SetOptions(previous);
    return result;
  } catch (...) {
    FXml->SetOptions(previous);
    throw;
  }
}

// An empty name addresses nothing: an element must have a name to be written.
TJclSimpleXMLElem* TJvCustomAppXMLStorage::ChildFor(TJclSimpleXMLElem& parent,
                                                    const TValueName& name) {
  if (name.Name.empty()) return nullptr;
  if (name.Index) return parent.Items().NamedElems(name.Name)->Item(*name.Index);
  return parent.Items().ItemNamed(name.Name);
}

TJclSimpleXMLElem* TJvCustomAppXMLStorage::NodeForPath(const std::string& key, bool create) {
  try {
    ReloadIfNeeded();
    return WithAutoCreate(create, [&] {
      TJclSimpleXMLElem* node = &FXml->Root();
      bool first = true;
      for (std::string_view part : PathParts(key)) {
        const TValueName name = ParseValueName(std::string(part));
        if (first && name.Name == node->Name()) {
          first = false;
          continue;
        }
        first = false;
        node = ChildFor(*node, name);
        if (!node) break;
      }
      return node;
    });
  } catch (const std::exception&) {
    return nullptr;
  }
}

TJclSimpleXMLElem* TJvCustomAppXMLStorage::ValueElement(TJclSimpleXMLElem* keyElement,
                                                        const std::string& valueName) {
  if (!keyElement) return nullptr;
  return ChildFor(*keyElement, ParseValueName(valueName));
}

// A value nested deeper than the reader takes back would make the whole file fail to load
// next time, so it is refused before anything is created.
void TJvCustomAppXMLStorage::CheckReadableDepth(const std::string& path,
                                                const std::string& key) const {
  std::vector<std::string_view> folders = PathParts(key);
  if (!folders.empty() && folders.front() == FXml->Root().Name()) folders.erase(folders.begin());
  const size_t depth = folders.size() + 2;  // with the root and the value element
  if (depth > kMaxSimpleXMLDepth)
    throw EJVCLAppStorageError(
        Format("Path '%s' is nested too deeply: %zu levels, of which at most %zu can be read back",
               path.c_str(), depth, kMaxSimpleXMLDepth));
}

TJclSimpleXMLElem* TJvCustomAppXMLStorage::FindValueElement(const std::string& path, bool create) {
  ReloadIfNeeded();
  const TJvAppStorageValuePath split = SplitValuePath(path);
  if (create) CheckReadableDepth(path, split.Key);
  TJclSimpleXMLElem* keyElement = NodeForPath(split.Key, create);
  return WithAutoCreate(create, [&] { return ValueElement(keyElement, split.ValueName); });
}

TJclSimpleXMLElem* TJvCustomAppXMLStorage::FolderElement(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  return NodeForPath(absolute.empty() ? "EmptyPath" : absolute, false);
}

const TJclSimpleXMLElem* TJvCustomAppXMLStorage::ReadValueElement(const std::string& path) {
  const TJclSimpleXMLElem* elem = FindValueElement(path, false);
  if (!elem && !StorageOptions().DefaultIfValueNotExists())
    throw EJVCLException(Format("Path '%s' does not exists", path.c_str()));
  return elem;
}

void TJvCustomAppXMLStorage::WriteValueText(const std::string& path, const std::string& text) {
  if (TJclSimpleXMLElem* elem = FindValueElement(path, true)) elem->SetValue(text);
  FlushIfNeeded();
}

// --- Typed values

int32_t TJvCustomAppXMLStorage::PrimReadInteger(const std::string& path, int32_t Default) {
  const TJclSimpleXMLElem* elem = ReadValueElement(path);
  return elem ? static_cast<int32_t>(elem->IntValue()) : Default;
}

void TJvCustomAppXMLStorage::PrimWriteInteger(const std::string& path, int32_t value) {
  WriteValueText(path, std::to_string(value));
}

// The 10 bytes of the 80-bit value in memory order, as hexadecimal text.
Extended TJvCustomAppXMLStorage::PrimReadFloat(const std::string& path, Extended Default) {
  const TJclSimpleXMLElem* elem = ReadValueElement(path);
  if (!elem) return Default;
  uint8_t bytes[ExtendedBytes];
  if (HexToBytes(elem->Value(), bytes) != ExtendedBytes) return Default;
  Extended value = 0;
  std::memcpy(&value, bytes, ExtendedBytes);
  return value;
}

void TJvCustomAppXMLStorage::PrimWriteFloat(const std::string& path, Extended value) {
  uint8_t bytes[ExtendedBytes];
  std::memcpy(bytes, &value, ExtendedBytes);
  WriteValueText(path, BytesToHex(bytes));
}

std::string TJvCustomAppXMLStorage::PrimReadString(const std::string& path,
                                                   const std::string& Default) {
  const TJclSimpleXMLElem* elem = ReadValueElement(path);
  return elem ? elem->Value() : Default;
}

void TJvCustomAppXMLStorage::PrimWriteString(const std::string& path, const std::string& value) {
  WriteValueText(path, value);
}

size_t TJvCustomAppXMLStorage::PrimReadBinary(const std::string& path, std::span<uint8_t> buffer) {
  return HexToBytes(PrimReadString(path, ""), buffer);
}

void TJvCustomAppXMLStorage::PrimWriteBinary(const std::string& path,
                                             std::span<const uint8_t> buffer) {
  PrimWriteString(path, BytesToHex(buffer));
}

bool TJvCustomAppXMLStorage::PrimReadBoolean(const std::string& path, bool Default) {
  const TJclSimpleXMLElem* elem = ReadValueElement(path);
  return elem ? elem->BoolValue() : Default;
}

void TJvCustomAppXMLStorage::PrimWriteBoolean(const std::string& path, bool value) {
  WriteValueText(path, value ? "-1" : "0");
}

// --- Structure

bool TJvCustomAppXMLStorage::PrimValueStored(const std::string& path) {
  return FindValueElement(path, false) != nullptr;
}

bool TJvCustomAppXMLStorage::PrimPathExists(const std::string& path) {
  return PrimValueStored(path);
}

bool TJvCustomAppXMLStorage::PrimListStored(const std::string& path, const std::string& itemName) {
  if (StorageOptions().UseOldItemNameFormat())
    return TJvCustomAppStorage::PrimListStored(path, itemName);
  return ReadListItemCount(path, itemName) > 0;
}

int32_t TJvCustomAppXMLStorage::ReadListItemCount(const std::string& path,
                                                  const std::string& itemName) {
  if (StorageOptions().UseOldItemNameFormat())
    return TJvCustomAppStorage::ReadListItemCount(path, itemName);
  TJclSimpleXMLElem* folder = NodeForPath(AbsolutePath(path), false);
  if (!folder) return 0;
  const std::string name = ConvertNodeName(std::string(TrimBlanks(itemName)));
  return static_cast<int32_t>(folder->Items().NamedElems(name)->Count());
}

// The new item name format counts the item elements themselves.
void TJvCustomAppXMLStorage::WriteListItemCount(const std::string& path, int32_t itemCount,
                                                const std::string& itemName) {
  if (StorageOptions().UseOldItemNameFormat())
    TJvCustomAppStorage::WriteListItemCount(path, itemCount, itemName);
}

bool TJvCustomAppXMLStorage::IsListItemName(const std::string& name) const {
  return name.size() > 4 && SameAsciiText(name.substr(0, 4), "Item") && name[4] >= '0' &&
         name[4] <= '9';
}

std::vector<std::string> TJvCustomAppXMLStorage::PrimEnumFolders(const std::string& path, bool) {
  std::vector<std::string> names;
  if (TJclSimpleXMLElem* folder = FolderElement(path))
    for (const TJclSimpleXMLElem* child : folder->Items())
      if (IsElement(child) && child->HasItems()) names.push_back(child->Name());
  return names;
}

std::vector<std::string> TJvCustomAppXMLStorage::PrimEnumValues(const std::string& path,
                                                                bool reportListAsValue) {
  std::vector<std::string> names;
  TJclSimpleXMLElem* folder = FolderElement(path);
  if (!folder) return names;
  const bool skipListEntries = reportListAsValue && PrimListStored(path, "Item");
  for (const TJclSimpleXMLElem* child : folder->Items()) {
    if (!IsElement(child)) continue;
    const std::string& name = child->Name();
    if (skipListEntries && (SameAsciiText(name, "Count") || IsListItemName(name))) continue;
    names.push_back(name);
  }
  std::erase_if(names, [&](const std::string& name) {
    const std::string child = ChildPath(path, name);
    return PrimListStored(child, "Item") || PrimIsFolder(child, true);
  });
  return names;
}

bool TJvCustomAppXMLStorage::PrimIsFolder(const std::string& path, bool listIsValue) {
  TJclSimpleXMLElem* folder = FolderElement(path);
  if (!folder) return false;
  if (!listIsValue || !folder->Items().ItemNamed("Count")) return folder->HasItems();
  for (const TJclSimpleXMLElem* child : folder->Items())
    if (!SameAsciiText(child->Name(), "Count") && !IsListItemName(child->Name())) return true;
  return false;
}

void TJvCustomAppXMLStorage::PrimDeleteValue(const std::string& path) {
  TJclSimpleXMLElem* elem = FindValueElement(path, false);
  if (!elem) return;
  elem->Parent()->Items().Remove(elem);
  FlushIfNeeded();
}

// The root element itself stays: deleting it clears it.
void TJvCustomAppXMLStorage::PrimDeleteSubTree(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  TJclSimpleXMLElem* elem = NodeForPath(absolute.empty() ? path : absolute, false);
  if (!elem) return;
  if (TJclSimpleXMLElem* parent = elem->Parent())
    parent->Items().Remove(elem);
  else
    elem->Clear();
  FlushIfNeeded();
}

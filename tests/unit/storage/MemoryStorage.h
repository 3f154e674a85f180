#pragma once

// A storage that keeps its values in memory, for the tests of everything built on storages.

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "JvAppStorage.h"
#include "JvAppStorageText.h"

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return AsciiUpperCase(a) < AsciiUpperCase(b);
  }
};

// Keeps every value as text under its absolute path, like a file storage would, and counts
// what reaches the medium.
class TMemoryStorage : public TJvCustomAppStorage {
 public:
  explicit TMemoryStorage(TComponent* owner = nullptr, const std::string& root = "Configuration")
      : TJvCustomAppStorage(owner) {
    SetRoot(root);
  }

  void Flush() override {
    ++FlushCount;
    if (FlushesOutlivingStorage) ++*FlushesOutlivingStorage;
  }
  void Reload() override { ++ReloadCount; }

  std::map<std::string, std::string, CaseInsensitiveLess> Values;
  int FlushCount = 0;
  int ReloadCount = 0;
  int ConversionCount = 0;
  int* FlushesOutlivingStorage = nullptr;
  // Absolute paths in the order they were written.
  std::vector<std::string> Writes;

 protected:
  std::string FolderPrefix(const std::string& path) const {
    const std::string absolute = AbsolutePath(path);
    return absolute.ends_with('\\') ? absolute : absolute + "\\";
  }
  // Names directly below path: values (no further backslash) or folders.
  std::vector<std::string> Children(const std::string& path, bool folders) const {
    const std::string prefix = FolderPrefix(path);
    std::vector<std::string> names;
    for (const auto& [key, text] : Values) {
      if (key.size() <= prefix.size() ||
          AsciiUpperCase(key.substr(0, prefix.size())) != AsciiUpperCase(prefix))
        continue;
      const std::string rest = key.substr(prefix.size());
      const size_t separator = rest.find('\\');
      if ((separator != std::string::npos) != folders) continue;
      const std::string name = rest.substr(0, separator);
      if (names.empty() || names.back() != name) names.push_back(name);
    }
    return names;
  }
  const std::string* Find(const std::string& path) {
    ReloadIfNeeded();
    const auto found = Values.find(AbsolutePath(path));
    if (found != Values.end()) return &found->second;
    if (!StorageOptions().DefaultIfValueNotExists())
      throw EJVCLException(Format("Path '%s' does not exists", path.c_str()));
    return nullptr;
  }
  void Store(const std::string& path, const std::string& text) {
    Values[AbsolutePath(path)] = text;
    Writes.push_back(AbsolutePath(path));
    FlushIfNeeded();
  }

  std::vector<std::string> PrimEnumFolders(const std::string& path, bool) override {
    return Children(path, true);
  }
  std::vector<std::string> PrimEnumValues(const std::string& path, bool) override {
    return Children(path, false);
  }
  bool PrimIsFolder(const std::string& path, bool) override {
    return !Children(path, true).empty() || !Children(path, false).empty();
  }
  bool PrimPathExists(const std::string& path) override {
    return PrimValueStored(path) || PrimIsFolder(path, true);
  }
  bool PrimValueStored(const std::string& path) override {
    ReloadIfNeeded();
    return Values.count(AbsolutePath(path)) != 0;
  }
  void PrimDeleteValue(const std::string& path) override { Values.erase(AbsolutePath(path)); }
  void PrimDeleteSubTree(const std::string& path) override {
    const std::string prefix = AsciiUpperCase(FolderPrefix(path));
    std::erase_if(
        Values, [&](const auto& entry) { return AsciiUpperCase(entry.first).starts_with(prefix); });
  }
  int32_t PrimReadInteger(const std::string& path, int32_t Default) override {
    const std::string* text = Find(path);
    if (!text) return Default;
    ++ConversionCount;
    int32_t value = 0;
    const auto result = std::from_chars(text->data(), text->data() + text->size(), value);
    if (result.ec != std::errc() || result.ptr != text->data() + text->size())
      throw EConvertError("'" + *text + "' is not a valid integer value");
    return value;
  }
  void PrimWriteInteger(const std::string& path, int32_t value) override {
    Store(path, std::to_string(value));
  }
  // Floats of the medium carry a "#" so that text written by the string route does not parse.
  Extended PrimReadFloat(const std::string& path, Extended Default) override {
    const std::string* text = Find(path);
    if (!text) return Default;
    ++ConversionCount;
    const auto value = text->starts_with('#') ? TextToExtended(text->substr(1)) : std::nullopt;
    if (!value) throw EConvertError("'" + *text + "' is not a valid floating point value");
    return *value;
  }
  void PrimWriteFloat(const std::string& path, Extended value) override {
    Store(path, "#" + ExtendedToText(value));
  }
  std::string PrimReadString(const std::string& path, const std::string& Default) override {
    const std::string* text = Find(path);
    return text ? *text : Default;
  }
  void PrimWriteString(const std::string& path, const std::string& value) override {
    Store(path, value);
  }
  size_t PrimReadBinary(const std::string& path, std::span<uint8_t> buffer) override {
    const std::string* text = Find(path);
    const size_t count = text ? std::min(text->size(), buffer.size()) : 0;
    std::copy_n(text ? text->begin() : std::string::const_iterator(), count, buffer.begin());
    return count;
  }
  void PrimWriteBinary(const std::string& path, std::span<const uint8_t> buffer) override {
    Store(path, std::string(buffer.begin(), buffer.end()));
  }
};

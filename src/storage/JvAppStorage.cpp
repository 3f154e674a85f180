#include "JvAppStorage.h"

#include <algorithm>

#include "JvAppStorageSync.h"

namespace {

bool IsDotsOnly(std::string_view name) {
  return name.find_first_not_of('.') == std::string_view::npos;
}

void CollectNames(std::string_view piece, std::vector<std::string_view>& names) {
  size_t start = 0;
  while (start < piece.size()) {
    size_t end = piece.find('\\', start);
    if (end == std::string_view::npos) end = piece.size();
    const std::string_view name = piece.substr(start, end - start);
    if (name.empty() || name == ".") {
      // separators and the current folder add nothing
    } else if (IsDotsOnly(name)) {
      names.resize(names.size() - std::min(names.size(), name.size() - 1));
    } else {
      names.push_back(name);
    }
    start = end + 1;
  }
}

std::string JoinNames(const std::vector<std::string_view>& names) {
  std::string path;
  for (std::string_view name : names) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

void MergeStoredName(TJvAppStorageStoredNames& strings, const std::string& name, int marker) {
  const auto found = std::find_if(strings.begin(), strings.end(), [&](const auto& entry) {
    return SameAsciiText(entry.Name, name);
  });
  if (found == strings.end())
    strings.push_back({name, marker});
  else
    found->Marker |= marker;
}

}  // namespace

TJvCustomAppStorage::TJvCustomAppStorage(TComponent* AOwner,
                                         std::unique_ptr<TJvCustomAppStorageOptions> options)
    : TComponent(AOwner),
      FStorageOptions(std::move(options)),
      FSubStorages(std::make_unique<TJvAppSubStorages>(*this)),
      FInternalTranslateStringEngine(new TJvTranslateString(this)) {}

TJvCustomAppStorage::~TJvCustomAppStorage() {
  SetTranslateStringEngine(nullptr);
  // Storages that hand paths over to this one must forget it.
  for (TJvCustomAppStorage* referrer : std::vector(FReferrers))
    referrer->SubStorages().Delete(this);
}

void TJvCustomAppStorage::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (!FFlushOnDestroy) return;
  try {
    Flush();
  } catch (const std::exception& e) {
    try {
      if (FOnError) FOnError(*this, e.what());
    } catch (...) {
      // nothing left to report to while the storage goes away
    }
  }
}

// --- Medium and update bracketing

void TJvCustomAppStorage::FlushIfNeeded() {
  if (FlushNeeded()) Flush();
}

void TJvCustomAppStorage::ReloadIfNeeded() {
  if (ReloadNeeded()) Reload();
}

void TJvCustomAppStorage::BeginUpdate() {
  ReloadIfNeeded();
  ++FUpdateCount;
  for (size_t i = 0; i < FSubStorages->Count(); ++i)
    if (TJvCustomAppStorage* storage = FSubStorages->Items(i).AppStorage()) storage->BeginUpdate();
}

void TJvCustomAppStorage::EndUpdate() {
  for (size_t i = 0; i < FSubStorages->Count(); ++i)
    if (TJvCustomAppStorage* storage = FSubStorages->Items(i).AppStorage()) storage->EndUpdate();
  --FUpdateCount;
  FlushIfNeeded();
  if (FUpdateCount < 0) FUpdateCount = 0;
}

void TJvCustomAppStorage::Loaded() {
  TComponent::Loaded();
  if (!IsUpdating()) Reload();
}

void TJvCustomAppStorage::Synchronize(const std::string& fileName,
                                      const std::function<void()>& work) {
  if (!FSynchronizeFlushReload) return work();
  TJvAppStorageSyncLock lock(fileName);
  work();
}

// --- Paths

std::string TJvCustomAppStorage::ConcatPaths(std::span<const std::string_view> paths) {
  const auto absolute = std::find_if(paths.rbegin(), paths.rend(), [](std::string_view piece) {
    return !piece.empty() && piece.front() == '\\';
  });
  const auto start = absolute == paths.rend() ? paths.begin() : std::prev(absolute.base());
  std::vector<std::string_view> names;
  for (auto piece = start; piece != paths.end(); ++piece) CollectNames(*piece, names);
  return JoinNames(names);
}

std::string TJvCustomAppStorage::AbsolutePath(const std::string& path) const {
  const std::string absolute = FRoot + "\\" + ConcatPaths({FCurPath, path});
  return absolute.substr(std::min(absolute.find_first_not_of('\\'), absolute.size()));
}

std::string TJvCustomAppStorage::ChildPath(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

TJvAppStorageTarget TJvCustomAppStorage::ResolvePath(const std::string& inPath) {
  const std::string path = ConcatPaths({FCurPath, inPath});
  const TJvAppSubStorage* item = FSubStorages->MatchingItem(path);
  if (!item || !item->AppStorage()) return {this, "\\" + path};
  const std::string rest = path.substr(item->RootPath().size() + 1);
  return {item->AppStorage(), "\\" + ConcatPaths({rest})};
}

TJvAppStorageValuePath TJvCustomAppStorage::SplitValuePath(const std::string& path) const {
  const std::string absolute = AbsolutePath(path);
  const size_t split = absolute.rfind('\\');
  if (split == std::string::npos) return {"", absolute};
  return {absolute.substr(0, split), absolute.substr(split + 1)};
}

template <class Operation>
auto TJvCustomAppStorage::ReadAtTarget(const std::string& path, Operation operation) {
  const TJvAppStorageTarget target = ResolvePath(path);
  return operation(*target.Store, target.Path);
}

template <class Operation>
void TJvCustomAppStorage::WriteAtTarget(const std::string& path, Operation operation) {
  const TJvAppStorageTarget target = ResolvePath(path);
  if (!target.Store->ReadOnly()) operation(*target.Store, target.Path);
}

// --- Structure

bool TJvCustomAppStorage::IsFolder(const std::string& path, bool listIsValue) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.PrimIsFolder(target, listIsValue);
  });
}

bool TJvCustomAppStorage::PathExists(const std::string& path) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.PrimPathExists(target);
  });
}

bool TJvCustomAppStorage::ValueStored(const std::string& path) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.PrimValueStored(target);
  });
}

bool TJvCustomAppStorage::ListStored(const std::string& path, const std::string& itemName) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.PrimListStored(target, itemName);
  });
}

void TJvCustomAppStorage::DeleteValue(const std::string& path) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.PrimDeleteValue(target);
  });
}

void TJvCustomAppStorage::DeleteSubTree(const std::string& path) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.PrimDeleteSubTree(target);
  });
}

bool TJvCustomAppStorage::PrimListStored(const std::string& path, const std::string&) {
  const bool endsWithSeparator = !path.empty() && path.back() == '\\';
  return PrimValueStored(path + (endsWithSeparator ? "" : "\\") + "Count");
}

void TJvCustomAppStorage::GetStoredValues(const std::string& path,
                                          TJvAppStorageStoredNames& strings,
                                          TJvAppStorageEnumOptions options) {
  strings.clear();
  const std::string search = ConcatPaths({path});
  if (options.Contains(aeoReportRelative)) return CollectStoredValues("", search, options, strings);
  const std::string base = ConcatPaths({FCurPath, search});
  CollectStoredValues(base + "\\", search, options, strings);
  std::erase_if(strings, [&](const auto& entry) { return entry.Name == base; });
}

void TJvCustomAppStorage::CollectStoredValues(const std::string& prefix, const std::string& search,
                                              TJvAppStorageEnumOptions options,
                                              TJvAppStorageStoredNames& strings) {
  const std::string insert = prefix == "\\" ? "" : prefix;
  const bool listAsValue = options.Contains(aeoReportListAsValue);
  if (options.Contains(aeoValues)) {
    for (const std::string& name : PrimEnumValues(search, listAsValue)) {
      const std::string entry =
          name.empty() && !prefix.empty() ? prefix.substr(0, prefix.size() - 1) : insert + name;
      if (!entry.empty()) MergeStoredName(strings, entry, StoredValueMarker);
    }
  }
  if (!options.Contains(aeoFolders) && !options.Contains(aeoRecursive)) return;
  for (const std::string& folder : PrimEnumFolders(search, listAsValue)) {
    if (options.Contains(aeoFolders) && PrimIsFolder(ChildPath(search, folder), listAsValue))
      MergeStoredName(strings, insert + folder, StoredFolderMarker);
    if (options.Contains(aeoRecursive))
      CollectStoredValues(ConcatPaths({prefix, folder}) + "\\", ConcatPaths({search, folder}),
                          options, strings);
  }
}

void TJvCustomAppStorage::CheckDeletePathByVersion(const std::string& path, int32_t versionNumber,
                                                   bool deleteIfNotEqual, bool writeVersionNumber,
                                                   const std::string& versionName) {
  const TJvAppStorageTarget target = ResolvePath(path);
  TJvCustomAppStorage& store = *target.Store;
  if (store.ReadOnly() || versionName.empty()) return;
  const std::string versionPath = ChildPath(target.Path, versionName);
  store.BeginUpdate();
  try {
    const int32_t stored = store.ReadInteger(versionPath, 0);
    if (deleteIfNotEqual ? stored != versionNumber : stored < versionNumber)
      store.DeleteSubTree(target.Path);
    if (stored != versionNumber && writeVersionNumber)
      store.WriteInteger(versionPath, versionNumber);
  } catch (...) {
    store.EndUpdate();
    throw;
  }
  store.EndUpdate();
}

// --- Public typed values

int32_t TJvCustomAppStorage::ReadInteger(const std::string& path, int32_t Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadInteger(target, Default);
  });
}

void TJvCustomAppStorage::WriteInteger(const std::string& path, int32_t value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteInteger(target, value);
  });
}

Extended TJvCustomAppStorage::ReadFloat(const std::string& path, Extended Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadFloat(target, Default);
  });
}

void TJvCustomAppStorage::WriteFloat(const std::string& path, Extended value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteFloat(target, value);
  });
}

std::string TJvCustomAppStorage::ReadString(const std::string& path, const std::string& Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadString(target, Default);
  });
}

void TJvCustomAppStorage::WriteString(const std::string& path, const std::string& value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteString(target, value);
  });
}

ustring TJvCustomAppStorage::ReadWideString(const std::string& path, const ustring& Default) {
  return Utf8ToUtf16(ReadString(path, Utf16ToUtf8(Default)));
}

// Wide strings skip encryption, but honour sub-storages and ReadOnly like every other write.
void TJvCustomAppStorage::WriteWideString(const std::string& path, const ustring& value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.PrimWriteWideString(target, value);
  });
}

TDateTime TJvCustomAppStorage::ReadDateTime(const std::string& path, TDateTime Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadDateTime(target, Default);
  });
}

void TJvCustomAppStorage::WriteDateTime(const std::string& path, TDateTime value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteDateTime(target, value);
  });
}

bool TJvCustomAppStorage::ReadBoolean(const std::string& path, bool Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadBoolean(target, Default);
  });
}

void TJvCustomAppStorage::WriteBoolean(const std::string& path, bool value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteBoolean(target, value);
  });
}

size_t TJvCustomAppStorage::ReadBinary(const std::string& path, std::span<uint8_t> buffer) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadBinary(target, buffer);
  });
}

void TJvCustomAppStorage::WriteBinary(const std::string& path, std::span<const uint8_t> buffer) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteBinary(target, buffer);
  });
}

int32_t TJvCustomAppStorage::ReadEnumeration(const std::string& path, const TTypeInfo& typeInfo,
                                             int32_t Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadEnumeration(target, typeInfo, Default);
  });
}

void TJvCustomAppStorage::WriteEnumeration(const std::string& path, const TTypeInfo& typeInfo,
                                           int32_t value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteEnumeration(target, typeInfo, value);
  });
}

TSetValue TJvCustomAppStorage::ReadSet(const std::string& path, const TTypeInfo& typeInfo,
                                       const TSetValue& Default) {
  return ReadAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    return store.InternalReadSet(target, typeInfo, Default);
  });
}

void TJvCustomAppStorage::WriteSet(const std::string& path, const TTypeInfo& typeInfo,
                                   const TSetValue& value) {
  WriteAtTarget(path, [&](TJvCustomAppStorage& store, const std::string& target) {
    store.InternalWriteSet(target, typeInfo, value);
  });
}

// --- Primitives with a base behaviour

ustring TJvCustomAppStorage::PrimReadWideString(const std::string& path, const ustring& Default) {
  return ReadWideString(path, Default);
}

void TJvCustomAppStorage::PrimWriteWideString(const std::string& path, const ustring& value) {
  PrimWriteString(path, Utf16ToUtf8(value));
}

TDateTime TJvCustomAppStorage::PrimReadDateTime(const std::string& path, TDateTime Default) {
  return static_cast<TDateTime>(PrimReadFloat(path, Default));
}

void TJvCustomAppStorage::PrimWriteDateTime(const std::string& path, TDateTime value) {
  PrimWriteFloat(path, value);
}

bool TJvCustomAppStorage::PrimReadBoolean(const std::string& path, bool Default) {
  return PrimReadInteger(path, Default ? 1 : 0) != 0;
}

void TJvCustomAppStorage::PrimWriteBoolean(const std::string& path, bool value) {
  PrimWriteInteger(path, value ? 1 : 0);
}

// --- The option-aware layer

std::string TJvCustomAppStorage::ReadTextValue(const std::string& path,
                                               const std::string& Default) {
  return DecryptValue(PrimReadString(path, EncryptValue(Default)));
}

void TJvCustomAppStorage::WriteTextValue(const std::string& path, const std::string& value) {
  PrimWriteString(path, EncryptValue(value));
}

int32_t TJvCustomAppStorage::InternalReadInteger(const std::string& path, int32_t Default) {
  return ReadWithDefaults(path, Default, [&] { return PrimReadInteger(path, Default); });
}

void TJvCustomAppStorage::InternalWriteInteger(const std::string& path, int32_t value) {
  PrimWriteInteger(path, value);
}

Extended TJvCustomAppStorage::InternalReadFloat(const std::string& path, Extended Default) {
  return ReadWithDefaults(path, Default, [&]() -> Extended {
    if (StorageOptions().FloatAsString()) {
      if (auto value = TextToExtended(ReadTextValue(path, ExtendedToText(Default)))) return *value;
      return PrimReadFloat(path, Default);
    }
    try {
      return PrimReadFloat(path, Default);
    } catch (const EConvertError&) {
      if (auto value = TextToExtended(ReadTextValue(path, ExtendedToText(Default)))) return *value;
      throw;
    }
  });
}

void TJvCustomAppStorage::InternalWriteFloat(const std::string& path, Extended value) {
  if (StorageOptions().FloatAsString())
    WriteTextValue(path, ExtendedToText(value));
  else
    PrimWriteFloat(path, value);
}

std::string TJvCustomAppStorage::InternalReadString(const std::string& path,
                                                    const std::string& Default) {
  return ReadWithDefaults(path, Default, [&] { return ReadTextValue(path, Default); });
}

void TJvCustomAppStorage::InternalWriteString(const std::string& path, const std::string& value) {
  WriteTextValue(path, value);
}

size_t TJvCustomAppStorage::InternalReadBinary(const std::string& path, std::span<uint8_t> buffer) {
  return PrimReadBinary(path, buffer);
}

void TJvCustomAppStorage::InternalWriteBinary(const std::string& path,
                                              std::span<const uint8_t> buffer) {
  PrimWriteBinary(path, buffer);
}

TDateTime TJvCustomAppStorage::InternalReadDateTime(const std::string& path, TDateTime Default) {
  return ReadWithDefaults(path, Default, [&]() -> TDateTime {
    if (StorageOptions().DateTimeAsString()) {
      if (auto value = TextToDateTime(ReadTextValue(path, DateTimeToText(Default)))) return *value;
      return PrimReadDateTime(path, Default);
    }
    try {
      return PrimReadDateTime(path, Default);
    } catch (const EConvertError&) {
      if (auto value = TextToDateTime(ReadTextValue(path, DateTimeToText(Default)))) return *value;
      throw;
    }
  });
}

void TJvCustomAppStorage::InternalWriteDateTime(const std::string& path, TDateTime value) {
  if (StorageOptions().DateTimeAsString())
    WriteTextValue(path, DateTimeToText(value));
  else
    PrimWriteDateTime(path, value);
}

bool TJvCustomAppStorage::InternalReadBoolean(const std::string& path, bool Default) {
  return ReadWithDefaults(path, Default, [&] {
    const TJvCustomAppStorageOptions& options = StorageOptions();
    if (options.BooleanAsString()) {
      try {
        const std::string text = ReadTextValue(
            path, Default ? options.DefaultTrueString() : options.DefaultFalseString());
        if (options.IsValueTrueString(text)) return true;
        if (options.IsValueFalseString(text)) return false;
      } catch (const EConvertError&) {
        // the integer form below decides
      }
    }
    return PrimReadBoolean(path, Default);
  });
}

void TJvCustomAppStorage::InternalWriteBoolean(const std::string& path, bool value) {
  const TJvCustomAppStorageOptions& options = StorageOptions();
  if (options.BooleanAsString())
    WriteTextValue(path, value ? options.DefaultTrueString() : options.DefaultFalseString());
  else
    PrimWriteBoolean(path, value);
}

std::optional<TDateTime> TJvCustomAppStorage::TextToDateTime(const std::string& text) const {
  const std::string_view trimmed = TrimBlanks(text);
  if (StorageOptions().UseTranslateStringEngineDateTimeFormats()) {
    for (bool withTime : {true, false})
      if (auto value = ParseDateTimeText(TranslatorDateTimePattern(withTime), trimmed))
        return value;
  }
  return ::TextToDateTime(trimmed);
}

std::string TJvCustomAppStorage::DateTimeToText(TDateTime value) const {
  const TTimeParts time = DecodeTime(value);
  const bool midnight =
      time.Hour == 0 && time.Minute == 0 && time.Second == 0 && time.Millisecond == 0;
  if (StorageOptions().UseTranslateStringEngineDateTimeFormats())
    return FormatDateTimeText(TranslatorDateTimePattern(!midnight), value);
  return midnight ? ::DateToText(value) : ::DateTimeToText(value);
}

// The fixed form with the translator's formats and separators put in where it sets them.
TDateTimePattern TJvCustomAppStorage::TranslatorDateTimePattern(bool withTime) const {
  const TJvTranslateString& translator = ActiveTranslateStringEngine();
  TDateTimePattern pattern{translator.DateFormat().empty() ? "yyyy/mm/dd"
                                                           : translator.DateFormat()};
  if (withTime)
    pattern.Format +=
        " " + (translator.TimeFormat().empty() ? std::string("hh:nn:ss") : translator.TimeFormat());
  if (translator.DateSeparator() != NoSeparatorChange)
    pattern.DateSeparator = translator.DateSeparator();
  if (translator.TimeSeparator() != NoSeparatorChange)
    pattern.TimeSeparator = translator.TimeSeparator();
  return pattern;
}

// --- Encryption

std::string TJvCustomAppStorage::EncryptValue(const std::string& value) const {
  if (!FOnEncryptPropertyValue || !IsPropertyValueCryptEnabled()) return value;
  std::string encrypted = value;
  FOnEncryptPropertyValue(encrypted);
  return Base64Encode(encrypted, MimeLineLength);
}

std::string TJvCustomAppStorage::DecryptValue(const std::string& value) const {
  if (!FOnDecryptPropertyValue || !IsPropertyValueCryptEnabled()) return value;
  std::string decrypted = Base64Decode(value);
  FOnDecryptPropertyValue(decrypted);
  return decrypted;
}

// --- Naming

std::string TJvCustomAppStorage::TranslatePropertyName(const void* instance,
                                                       const std::string& name, bool reading) {
  std::string translated = name;
  if (FOnTranslatePropertyName) FOnTranslatePropertyName(*this, instance, translated, reading);
  return translated;
}

std::string TJvCustomAppStorage::GetCharName(uint32_t ch) const {
  if (ch >= '!' && ch <= 'z') return std::string("Char_") + static_cast<char>(ch);
  return "Char#" + std::to_string(ch);
}

std::string TJvCustomAppStorage::GetIntName(int64_t value) const {
  return "Int_" + std::to_string(value);
}

std::string TJvCustomAppStorage::ItemNameIndexPath(const std::string& itemName,
                                                   int32_t index) const {
  if (StorageOptions().UseOldItemNameFormat()) return itemName + std::to_string(index);
  return itemName + "[" + std::to_string(index) + "]";
}

int32_t TJvCustomAppStorage::ReadListItemCount(const std::string& path, const std::string&) {
  return ReadInteger(path + "\\Count", 0);
}

void TJvCustomAppStorage::WriteListItemCount(const std::string& path, int32_t itemCount,
                                             const std::string&) {
  WriteInteger(path + "\\Count", itemCount);
}

// --- Macro translation

void TJvCustomAppStorage::SetTranslateStringEngine(TJvTranslateString* value) {
  if (value == FTranslateStringEngine) return;
  if (FTranslateStringEngine) FTranslateStringEngine->RemoveUser(this);
  FTranslateStringEngine = value;
  if (value) value->AddUser(this);
}

TJvTranslateString& TJvCustomAppStorage::ActiveTranslateStringEngine() const {
  return FTranslateStringEngine ? *FTranslateStringEngine : *FInternalTranslateStringEngine;
}

// --- Referrers

void TJvCustomAppStorage::AddReferrer(TJvCustomAppStorage* referrer) {
  if (std::find(FReferrers.begin(), FReferrers.end(), referrer) == FReferrers.end())
    FReferrers.push_back(referrer);
}

void TJvCustomAppStorage::RemoveReferrer(TJvCustomAppStorage* referrer) {
  std::erase(FReferrers, referrer);
}

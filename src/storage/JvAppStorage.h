#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"
#include "DateUtils.h"
#include "EnumSet.h"
#include "JvAppStorageDateFormat.h"
#include "JvAppStorageOptions.h"
#include "JvAppStorageSubStorages.h"
#include "JvAppStorageText.h"
#include "JvAppStorageTranslate.h"
#include "PersistentLists.h"
#include "SysUtils.h"
#include "TypInfo.h"
#include "ustring.h"

class EJVCLException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EJVCLException"; }
};

class EJVCLAppStorageError : public EJVCLException {
 public:
  using EJVCLException::EJVCLException;
  const char* ClassName() const override { return "EJVCLAppStorageError"; }
};

class TJvCustomAppStorage;

using TJvAppStorageCryptEvent = std::function<void(std::string& Value)>;
// Instance identifies the object whose property is stored.
using TJvAppStoragePropTranslateEvent = std::function<void(
    TJvCustomAppStorage& Sender, const void* Instance, std::string& Name, bool Reading)>;
using TJvAppStorageErrorEvent =
    std::function<void(TJvCustomAppStorage& Sender, const std::string& Value)>;
// List handlers: Path is the list's folder, ItemName the item-name stem.
using TJvAppStorageListItemEvent =
    std::function<void(TJvCustomAppStorage& Sender, const std::string& Path, const TObject* List,
                       int32_t Index, const std::string& ItemName)>;
using TJvAppStorageListDeleteEvent =
    std::function<void(TJvCustomAppStorage& Sender, const std::string& Path, const TObject* List,
                       int32_t First, int32_t Last, const std::string& ItemName)>;
// Makes the object of a list item; Path is where its values are stored.
using TJvAppStorageObjectListItemCreateEvent = std::function<std::unique_ptr<TObject>(
    TJvCustomAppStorage& Sender, const std::string& Path, int32_t Index)>;
// Names of properties that object persistence leaves alone (untranslated names).
using TJvAppStorageIgnoreProperties = std::vector<std::string>;

// A stored list "Count" beyond this is taken for a damaged file rather than read item by item.
constexpr int32_t MaxListItemCount = 1 << 20;

enum TJvAppStorageEnumOption {
  aeoFolders,
  aeoValues,
  aeoReportListAsValue,
  aeoReportRelative,
  aeoRecursive
};

using TJvAppStorageEnumOptions = TSet<TJvAppStorageEnumOption>;

// Marker of an entry found by GetStoredValues: a folder, a value, or both (3).
constexpr int StoredFolderMarker = 1;
constexpr int StoredValueMarker = 2;

struct TJvAppStorageStoredName {
  std::string Name;
  int Marker;
};
using TJvAppStorageStoredNames = std::vector<TJvAppStorageStoredName>;

// Where a path ends up after sub-storages are taken into account; Path has a leading backslash.
struct TJvAppStorageTarget {
  TJvCustomAppStorage* Store;
  std::string Path;
};

struct TJvAppStorageValuePath {
  std::string Key;
  std::string ValueName;
};

// The medium-independent settings store: typed values in a tree of folders addressed by
// backslash-separated paths. A concrete storage supplies the Prim* operations and the meaning
// of Flush and Reload. Every Prim* receives a path relative to Path or, with a leading
// backslash, relative to the root, and applies AbsolutePath itself; reads call ReloadIfNeeded
// first and writes end with FlushIfNeeded.
//
// A component: destroyed through Free(), whose BeforeDestruction step flushes the medium while
// the concrete storage is still whole (when FlushOnDestroy is set).
class TJvCustomAppStorage : public TComponent {
 public:
  explicit TJvCustomAppStorage(TComponent* AOwner,
                               std::unique_ptr<TJvCustomAppStorageOptions> options =
                                   std::make_unique<TJvAppStorageOptions>());

  // --- Medium and update bracketing
  virtual void Flush() {}
  virtual void Reload() {}
  virtual bool FlushNeeded() { return FAutoFlush && !IsUpdating(); }
  virtual bool ReloadNeeded() { return FAutoReload && !IsUpdating(); }
  void FlushIfNeeded();
  void ReloadIfNeeded();
  void BeginUpdate();
  // An unmatched EndUpdate flushes nothing and leaves the count at 0.
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount != 0; }
  // The loaded step, once the storage's properties are known: reads the medium unless updating.
  void Loaded() override;

  // --- Paths
  // Normalisation: empty names vanish, "." is skipped, n dots go up n - 1 names, a piece that
  // starts with a backslash discards the pieces before it; no leading or trailing backslash.
  static std::string ConcatPaths(std::span<const std::string_view> paths);
  static std::string ConcatPaths(std::initializer_list<std::string_view> paths) {
    return ConcatPaths(std::span<const std::string_view>(paths.begin(), paths.size()));
  }
  // name in the folder path, relative or absolute as path is; an empty path is the current
  // folder, so a leading backslash would wrongly make the result absolute.
  static std::string ChildPath(const std::string& path, const std::string& name);
  TJvAppStorageTarget ResolvePath(const std::string& inPath);
  // Root, a backslash and the normalised path; an empty path keeps the trailing backslash.
  std::string AbsolutePath(const std::string& path) const;
  const std::string& Path() const { return FCurPath; }
  void SetPath(const std::string& value) { FCurPath = ConcatPaths({value}); }
  const std::string& Root() const { return FRoot; }

  // --- Structure
  bool IsFolder(const std::string& path, bool listIsValue = true);
  bool PathExists(const std::string& path);
  bool ValueStored(const std::string& path);
  bool ListStored(const std::string& path, const std::string& itemName = "Item");
  void DeleteValue(const std::string& path);
  void DeleteSubTree(const std::string& path);
  void GetStoredValues(const std::string& path, TJvAppStorageStoredNames& strings,
                       TJvAppStorageEnumOptions options = {aeoValues, aeoReportListAsValue,
                                                           aeoRecursive});
  // Deletes the folder when its stored version is older (or, with deleteIfNotEqual, different)
  // and then records versionNumber.
  void CheckDeletePathByVersion(const std::string& path, int32_t versionNumber,
                                bool deleteIfNotEqual = false, bool writeVersionNumber = true,
                                const std::string& versionName = "Version");

  // --- Typed values; reads answer Default by the rules of the storage options
  int32_t ReadInteger(const std::string& path, int32_t Default = 0);
  void WriteInteger(const std::string& path, int32_t value);
  Extended ReadFloat(const std::string& path, Extended Default = 0);
  void WriteFloat(const std::string& path, Extended value);
  std::string ReadString(const std::string& path, const std::string& Default = "");
  void WriteString(const std::string& path, const std::string& value);
  ustring ReadWideString(const std::string& path, const ustring& Default = u"");
  void WriteWideString(const std::string& path, const ustring& value);
  TDateTime ReadDateTime(const std::string& path, TDateTime Default);
  void WriteDateTime(const std::string& path, TDateTime value);
  bool ReadBoolean(const std::string& path, bool Default);
  void WriteBoolean(const std::string& path, bool value);
  size_t ReadBinary(const std::string& path, std::span<uint8_t> buffer);
  void WriteBinary(const std::string& path, std::span<const uint8_t> buffer);
  // Any ordinal type: enumerations, booleans, integer and character types.
  int32_t ReadEnumeration(const std::string& path, const TTypeInfo& typeInfo, int32_t Default);
  void WriteEnumeration(const std::string& path, const TTypeInfo& typeInfo, int32_t value);
  TSetValue ReadSet(const std::string& path, const TTypeInfo& typeInfo, const TSetValue& Default);
  void WriteSet(const std::string& path, const TTypeInfo& typeInfo, const TSetValue& value);

  // --- Lists: a folder with "Count" and one value or folder per item (JvAppStorage_lists.cpp).
  // A stored count that is negative or above MaxListItemCount raises EJVCLAppStorageError.
  int32_t ReadList(const std::string& path, const TObject* list,
                   const TJvAppStorageListItemEvent& onReadItem,
                   const std::string& itemName = "Item");
  // Nothing happens when the store that takes path + "\*" is read-only.
  void WriteList(const std::string& path, const TObject* list, int32_t itemCount,
                 const TJvAppStorageListItemEvent& onWriteItem,
                 const TJvAppStorageListDeleteEvent& onDeleteItems,
                 const std::string& itemName = "Item");
  int32_t ReadStringList(const std::string& path, TStringList& list, bool clearFirst = true,
                         const std::string& itemName = "Item");
  void WriteStringList(const std::string& path, const TStringList& list,
                       const std::string& itemName = "Item");
  // Items named itemName followed by the index in either item-name format.
  int32_t ReadWideStringList(const std::string& path, std::vector<ustring>& list,
                             bool clearFirst = true, const std::string& itemName = "Item");
  void WriteWideStringList(const std::string& path, const std::vector<ustring>& list,
                           const std::string& itemName = "Item");
  // Without an item creator the class registered under the item's "Classname" is made; an
  // unknown name raises EJVCLAppStorageError and leaves the list as it was.
  int32_t ReadObjectList(const std::string& path, TObjectList& list, bool clearFirst = true,
                         const std::string& itemName = "Item");
  int32_t ReadObjectList(const std::string& path, TObjectList& list,
                         const TJvAppStorageObjectListItemCreateEvent& itemCreator,
                         bool clearFirst = true, const std::string& itemName = "Item");
  void WriteObjectList(const std::string& path, const TObjectList& list,
                       const std::string& itemName = "Item");
  int32_t ReadCollection(const std::string& path, TCollection& list, bool clearFirst = true,
                         const std::string& itemName = "Item");
  void WriteCollection(const std::string& path, const TCollection& list,
                       const std::string& itemName = "Item");
  // The list must own its objects.
  int32_t ReadStringObjectList(const std::string& path, TStringList& list, bool clearFirst = true,
                               const std::string& itemName = "Item");
  int32_t ReadStringObjectList(const std::string& path, TStringList& list,
                               const TJvAppStorageObjectListItemCreateEvent& itemCreator,
                               bool clearFirst = true, const std::string& itemName = "Item");
  void WriteStringObjectList(const std::string& path, const TStringList& list,
                             const std::string& itemName = "Item");

  // --- Objects through their published properties (JvAppStorage_persistent.cpp)
  void ReadProperty(const std::string& path, TObject& persObj, const std::string& propName,
                    bool recursive = true, bool clearFirst = true,
                    const TJvAppStorageIgnoreProperties& ignoreProperties = {});
  void WriteProperty(const std::string& path, const TObject& persObj, const std::string& propName,
                     bool recursive = true,
                     const TJvAppStorageIgnoreProperties& ignoreProperties = {});
  void ReadPersistent(const std::string& path, TObject* persObj, bool recursive = true,
                      bool clearFirst = true,
                      const TJvAppStorageIgnoreProperties& ignoreProperties = {});
  void WritePersistent(const std::string& path, const TObject* persObj, bool recursive = true,
                       const TJvAppStorageIgnoreProperties& ignoreProperties = {});

  // --- Naming
  std::string TranslatePropertyName(const void* instance, const std::string& name, bool reading);
  virtual std::string GetCharName(uint32_t ch) const;
  virtual std::string GetIntName(int64_t value) const;
  virtual std::string ItemNameIndexPath(const std::string& itemName, int32_t index) const;
  virtual int32_t ReadListItemCount(const std::string& path, const std::string& itemName);
  virtual void WriteListItemCount(const std::string& path, int32_t itemCount,
                                  const std::string& itemName);

  // --- Value encryption: active while enabled more often than disabled
  void EnablePropertyValueCrypt() { ++FCryptEnabledStatus; }
  void DisablePropertyValueCrypt() { --FCryptEnabledStatus; }
  bool IsPropertyValueCryptEnabled() const { return FCryptEnabledStatus > 0; }

  // --- Macro translation of file names: the external translator when set, else our own
  TJvTranslateString* TranslateStringEngine() const { return FTranslateStringEngine; }
  // The translator tells the storage when it is freed, so the reference never dangles.
  void SetTranslateStringEngine(TJvTranslateString* value);
  TJvTranslateString& ActiveTranslateStringEngine() const;

  // --- Properties
  TJvCustomAppStorageOptions& StorageOptions() const { return *FStorageOptions; }
  void SetStorageOptions(const TJvCustomAppStorageOptions& value) {
    FStorageOptions->Assign(value);
  }
  TJvAppSubStorages& SubStorages() const { return *FSubStorages; }
  bool AutoFlush() const { return FAutoFlush; }
  void SetAutoFlush(bool value) { FAutoFlush = value; }
  bool AutoReload() const { return FAutoReload; }
  void SetAutoReload(bool value) { FAutoReload = value; }
  // The own flag, or a medium that cannot be written.
  bool ReadOnly() const { return FReadOnly || IsPhysicallyReadOnly(); }
  void SetReadOnly(bool value) { FReadOnly = value; }
  bool FlushOnDestroy() const { return FFlushOnDestroy; }
  virtual void SetFlushOnDestroy(bool value) { FFlushOnDestroy = value; }
  bool SynchronizeFlushReload() const { return FSynchronizeFlushReload; }
  void SetSynchronizeFlushReload(bool value) { FSynchronizeFlushReload = value; }
  void SetOnEncryptPropertyValue(TJvAppStorageCryptEvent handler) {
    FOnEncryptPropertyValue = std::move(handler);
  }
  void SetOnDecryptPropertyValue(TJvAppStorageCryptEvent handler) {
    FOnDecryptPropertyValue = std::move(handler);
  }
  void SetOnTranslatePropertyName(TJvAppStoragePropTranslateEvent handler) {
    FOnTranslatePropertyName = std::move(handler);
  }
  const TJvAppStorageErrorEvent& OnError() const { return FOnError; }
  void SetOnError(TJvAppStorageErrorEvent handler) { FOnError = std::move(handler); }

 protected:
  ~TJvCustomAppStorage() override;
  // Flushes when FlushOnDestroy is set; never throws (errors go to OnError).
  void BeforeDestruction() override;

  void SetRoot(const std::string& value) { FRoot = ConcatPaths({value}); }
  virtual bool IsPhysicallyReadOnly() const { return false; }
  virtual TJvAppStorageValuePath SplitValuePath(const std::string& path) const;

  // --- Primitives of the medium
  virtual std::vector<std::string> PrimEnumFolders(const std::string& path,
                                                   bool reportListAsValue) = 0;
  virtual std::vector<std::string> PrimEnumValues(const std::string& path,
                                                  bool reportListAsValue) = 0;
  virtual bool PrimIsFolder(const std::string& path, bool listIsValue) = 0;
  virtual bool PrimPathExists(const std::string& path) = 0;
  virtual bool PrimValueStored(const std::string& path) = 0;
  virtual bool PrimListStored(const std::string& path, const std::string& itemName);
  virtual void PrimDeleteValue(const std::string& path) = 0;
  virtual void PrimDeleteSubTree(const std::string& path) = 0;
  virtual int32_t PrimReadInteger(const std::string& path, int32_t Default) = 0;
  virtual void PrimWriteInteger(const std::string& path, int32_t value) = 0;
  virtual Extended PrimReadFloat(const std::string& path, Extended Default) = 0;
  virtual void PrimWriteFloat(const std::string& path, Extended value) = 0;
  virtual std::string PrimReadString(const std::string& path, const std::string& Default) = 0;
  virtual void PrimWriteString(const std::string& path, const std::string& value) = 0;
  virtual ustring PrimReadWideString(const std::string& path, const ustring& Default);
  virtual void PrimWriteWideString(const std::string& path, const ustring& value);
  virtual size_t PrimReadBinary(const std::string& path, std::span<uint8_t> buffer) = 0;
  virtual void PrimWriteBinary(const std::string& path, std::span<const uint8_t> buffer) = 0;
  virtual TDateTime PrimReadDateTime(const std::string& path, TDateTime Default);
  virtual void PrimWriteDateTime(const std::string& path, TDateTime value);
  virtual bool PrimReadBoolean(const std::string& path, bool Default);
  virtual void PrimWriteBoolean(const std::string& path, bool value);

  // --- The option-aware layer between the public operations and the primitives
  virtual int32_t InternalReadInteger(const std::string& path, int32_t Default);
  virtual void InternalWriteInteger(const std::string& path, int32_t value);
  virtual Extended InternalReadFloat(const std::string& path, Extended Default);
  virtual void InternalWriteFloat(const std::string& path, Extended value);
  virtual std::string InternalReadString(const std::string& path, const std::string& Default);
  virtual void InternalWriteString(const std::string& path, const std::string& value);
  virtual size_t InternalReadBinary(const std::string& path, std::span<uint8_t> buffer);
  virtual void InternalWriteBinary(const std::string& path, std::span<const uint8_t> buffer);
  virtual TDateTime InternalReadDateTime(const std::string& path, TDateTime Default);
  virtual void InternalWriteDateTime(const std::string& path, TDateTime value);
  virtual bool InternalReadBoolean(const std::string& path, bool Default);
  virtual void InternalWriteBoolean(const std::string& path, bool value);
  virtual int32_t InternalReadEnumeration(const std::string& path, const TTypeInfo& typeInfo,
                                          int32_t Default);
  virtual void InternalWriteEnumeration(const std::string& path, const TTypeInfo& typeInfo,
                                        int32_t value);
  virtual TSetValue InternalReadSet(const std::string& path, const TTypeInfo& typeInfo,
                                    const TSetValue& Default);
  virtual void InternalWriteSet(const std::string& path, const TTypeInfo& typeInfo,
                                const TSetValue& value);

  // Date/time text: the fixed "YYYY-MM-DD HH:MM:SS" form, the time left out at midnight; with
  // UseTranslateStringEngineDateTimeFormats the active translator's formats and separators
  // replace the date and time parts, and parsing falls back to the fixed form.
  virtual std::optional<TDateTime> TextToDateTime(const std::string& text) const;
  virtual std::string DateTimeToText(TDateTime value) const;

  // Base64 text of the encrypt handler's result while encryption is enabled, else unchanged.
  std::string EncryptValue(const std::string& value) const;
  std::string DecryptValue(const std::string& value) const;

  // Runs work under the cross-process lock of fileName when SynchronizeFlushReload is set.
  void Synchronize(const std::string& fileName, const std::function<void()>& work);

 private:
  friend class TJvAppSubStorages;
  friend class TJvAppSubStorage;

  // The common read rule: a missing value gives Default when DefaultIfValueNotExists, and a
  // conversion failure gives Default when DefaultIfReadConvertError.
  template <class T, class Read>
  T ReadWithDefaults(const std::string& path, const T& Default, Read read);
  template <class Operation>
  auto ReadAtTarget(const std::string& path, Operation operation);
  template <class Operation>
  void WriteAtTarget(const std::string& path, Operation operation);

  std::string ReadTextValue(const std::string& path, const std::string& Default);
  void WriteTextValue(const std::string& path, const std::string& value);
  void CollectStoredValues(const std::string& prefix, const std::string& search,
                           TJvAppStorageEnumOptions options, TJvAppStorageStoredNames& strings);
  std::string SetToText(const TTypeInfo& elementType, const TSetValue& value) const;
  TSetValue TextToSet(const TTypeInfo& elementType, const std::string& text) const;
  std::string SetElementName(const TTypeInfo& elementType, int64_t element) const;
  TDateTimePattern TranslatorDateTimePattern(bool withTime) const;

  // Runs work inside BeginUpdate...EndUpdate; the bracket is closed on every path.
  template <class Work>
  auto WithinUpdate(Work work);
  // How a list keeps its item count: the storage's own way, or always as a "Count" value (wide
  // string lists, whose item names the storage's own way would not count).
  enum class TListCountForm { lcfStorage, lcfCountValue };
  int32_t StoredListCount(const std::string& path, const std::string& itemName,
                          TListCountForm form);
  int32_t ReadCheckedListItemCount(const std::string& path, const std::string& itemName,
                                   TListCountForm form);
  int32_t ReadListIn(TListCountForm form, const std::string& path, const TObject* list,
                     const TJvAppStorageListItemEvent& onReadItem, const std::string& itemName);
  void WriteListIn(TListCountForm form, const std::string& path, const TObject* list,
                   int32_t itemCount, const TJvAppStorageListItemEvent& onWriteItem,
                   const TJvAppStorageListDeleteEvent& onDeleteItems, const std::string& itemName);
  // The deletion handler of every list kind but wide string lists.
  static void DeleteListItems(TJvCustomAppStorage& storage, const std::string& path,
                              const TObject* list, int32_t first, int32_t last,
                              const std::string& itemName);
  int32_t ReadObjectItems(const std::string& path,
                          const TJvAppStorageObjectListItemCreateEvent& itemCreator,
                          const std::string& itemName, const TJvAppStorageListItemEvent& readItem);
  std::unique_ptr<TObject> CreateListItem(const std::string& path, int32_t index);
  bool PropertyHoldsDefault(const TObject& persObj, const TPropInfo& info) const;
  void WriteObjectProperty(const std::string& path, const TObject& persObj, const TPropInfo& info,
                           bool recursive, const TJvAppStorageIgnoreProperties& ignoreProperties);
  void ReadObjectProperty(const std::string& path, TObject& persObj, const TPropInfo& info,
                          bool recursive, bool clearFirst,
                          const TJvAppStorageIgnoreProperties& ignoreProperties);

  // Storages whose sub-storage tables refer to this one; told when it is destroyed.
  void AddReferrer(TJvCustomAppStorage* referrer);
  void RemoveReferrer(TJvCustomAppStorage* referrer);

  std::string FRoot;
  std::string FCurPath;
  std::unique_ptr<TJvCustomAppStorageOptions> FStorageOptions;
  std::unique_ptr<TJvAppSubStorages> FSubStorages;
  TJvAppStoragePropTranslateEvent FOnTranslatePropertyName;
  TJvAppStorageCryptEvent FOnEncryptPropertyValue;
  TJvAppStorageCryptEvent FOnDecryptPropertyValue;
  int32_t FCryptEnabledStatus = 0;
  bool FAutoFlush = false;
  int32_t FUpdateCount = 0;
  bool FAutoReload = false;
  bool FReadOnly = false;
  TJvTranslateString* FInternalTranslateStringEngine;
  TJvAppStorageErrorEvent FOnError;
  TJvTranslateString* FTranslateStringEngine = nullptr;
  bool FSynchronizeFlushReload = false;
  bool FFlushOnDestroy = true;
  // The item factory while an object list is read.
  TJvAppStorageObjectListItemCreateEvent FCurrentInstanceCreateEvent;
  std::vector<TJvCustomAppStorage*> FReferrers;
};

template <class Work>
auto TJvCustomAppStorage::WithinUpdate(Work work) {
  BeginUpdate();
  if constexpr (std::is_void_v<decltype(work())>) {
    try {
      work();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  } else {
    decltype(work()) result;
    try {
      result = work();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return result;
  }
}

template <class T, class Read>
T TJvCustomAppStorage::ReadWithDefaults(const std::string& path, const T& Default, Read read) {
  if (StorageOptions().DefaultIfValueNotExists() && !PrimValueStored(path)) return Default;
  try {
    return read();
  } catch (const EConvertError&) {
    if (StorageOptions().DefaultIfReadConvertError()) return Default;
    throw;
  }
}

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "JclSimpleXml.h"
#include "JvAppStorage.h"
#include "JvAppXMLStorageOptions.h"

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EPropertyError"; }
};

// Where a relative file name is placed: flWindows is the system configuration folder "/etc",
// flTemp the temporary folder, flExeFile the program's folder, flUserFolder the roaming
// application-data folder; flCustom takes the name as it stands (or as OnGetFileName makes it).
enum TFileLocation { flCustom, flWindows, flTemp, flExeFile, flUserFolder };

using TJvAppStorageGetFileNameEvent =
    std::function<void(TJvCustomAppStorage& Sender, std::string& FileName)>;

// A storage that keeps its whole content in memory and reads and writes it as one file.
// Reload reads the file (or clears the content when there is none); Flush writes it, with
// the backups the options ask for, and reports a failure only through OnError.
class TJvCustomAppMemoryFileStorage : public TJvCustomAppStorage {
 public:
  TJvCustomAppMemoryFileStorage(TComponent* AOwner,
                                std::unique_ptr<TJvAppFileStorageOptions> options);

  void Flush() override;
  void Reload() override;
  bool ReloadNeeded() override;

  // A name without extension gets DefaultFileExtension; macros are expanded when used.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value);
  const std::string& FullFileName() const { return FFullFileName; }
  TFileLocation Location() const { return FLocation; }
  void SetLocation(TFileLocation value);
  void SetOnGetFileName(TJvAppStorageGetFileNameEvent handler);

  virtual std::string AsString() = 0;
  virtual void SetAsString(const std::string& value) = 0;

  TJvAppFileStorageOptions& StorageOptions() const {
    return static_cast<TJvAppFileStorageOptions&>(TJvCustomAppStorage::StorageOptions());
  }

 protected:
  ~TJvCustomAppMemoryFileStorage() override = default;
  bool IsPhysicallyReadOnly() const override { return FPhysicalReadOnly; }
  virtual std::string DefaultFileExtension() const { return ""; }
  virtual std::string CustomFullFileName();
  virtual void ClearContent() = 0;
  virtual void SaveContentFile(const std::string& fileName) = 0;
  virtual void LoadContentFile(const std::string& fileName) = 0;

 private:
  std::string ComputeFullFileName();
  void UpdateFullFileName();
  void StoreFileName(const std::string& value);
  // A name change: writes what is in memory to the old file, runs change, then reads the
  // new file; neither while loading or updating.
  void ChangeFileName(const std::function<void()>& change);
  bool SettingsApplyAtOnce() const { return !Loading() && !IsUpdating(); }
  void FlushContent();
  void WriteWithBackup(const std::string& backupName);
  void MakeHistoryCopy();

  std::string FFullFileName;
  std::string FFileName;
  TFileLocation FLocation = flExeFile;
  TJvAppStorageGetFileNameEvent FOnGetFileName;
  bool FPhysicalReadOnly = false;
  bool FFileLoaded = false;
  TDateTime FFileAge = -1.0;
};

// The values in an XML document: the root element is the storage root, every folder an
// element and every value the text of an element without children.
class TJvCustomAppXMLStorage : public TJvCustomAppMemoryFileStorage {
 public:
  explicit TJvCustomAppXMLStorage(TComponent* AOwner);

  std::string AsString() override;
  void SetAsString(const std::string& value) override;

  // The root element's current name (after a load, the name the file gave it).
  std::string RootNodeName() const;
  // Raises EPropertyError for an empty name.
  void SetRootNodeName(const std::string& value);
  TJclSimpleXML& Xml() const { return *FXml; }
  void SetOnEncodeValue(TJclSimpleXML::TValueHook handler) {
    FXml->OnEncodeValue = std::move(handler);
  }
  void SetOnDecodeValue(TJclSimpleXML::TValueHook handler) {
    FXml->OnDecodeValue = std::move(handler);
  }

  TJvAppXMLStorageOptions& StorageOptions() const {
    return static_cast<TJvAppXMLStorageOptions&>(TJvCustomAppStorage::StorageOptions());
  }

  // Element name for s: whitespace and characters not allowed in names are replaced by the
  // options' replacements; raises EJVCLException when the needed replacement is empty.
  std::string ConvertNodeName(const std::string& s) const;
  // The element for key (an absolute path), or null; with create, missing elements are
  // appended on the way.
  TJclSimpleXMLElem* NodeForPath(const std::string& key, bool create);

  int32_t ReadListItemCount(const std::string& path, const std::string& itemName) override;
  void WriteListItemCount(const std::string& path, int32_t itemCount,
                          const std::string& itemName) override;

 protected:
  ~TJvCustomAppXMLStorage() override = default;

  std::string DefaultFileExtension() const override { return "xml"; }
  void ClearContent() override;
  void SaveContentFile(const std::string& fileName) override;
  void LoadContentFile(const std::string& fileName) override;
  TJvAppStorageValuePath SplitValuePath(const std::string& path) const override;

  std::vector<std::string> PrimEnumFolders(const std::string& path,
                                           bool reportListAsValue) override;
  std::vector<std::string> PrimEnumValues(const std::string& path, bool reportListAsValue) override;
  bool PrimIsFolder(const std::string& path, bool listIsValue) override;
  bool PrimPathExists(const std::string& path) override;
  bool PrimValueStored(const std::string& path) override;
  bool PrimListStored(const std::string& path, const std::string& itemName) override;
  void PrimDeleteValue(const std::string& path) override;
  void PrimDeleteSubTree(const std::string& path) override;
  int32_t PrimReadInteger(const std::string& path, int32_t Default) override;
  void PrimWriteInteger(const std::string& path, int32_t value) override;
  Extended PrimReadFloat(const std::string& path, Extended Default) override;
  void PrimWriteFloat(const std::string& path, Extended value) override;
  std::string PrimReadString(const std::string& path, const std::string& Default) override;
  void PrimWriteString(const std::string& path, const std::string& value) override;
  size_t PrimReadBinary(const std::string& path, std::span<uint8_t> buffer) override;
  void PrimWriteBinary(const std::string& path, std::span<const uint8_t> buffer) override;
  bool PrimReadBoolean(const std::string& path, bool Default) override;
  void PrimWriteBoolean(const std::string& path, bool value) override;

 private:
  struct TValueName {
    std::string Name;
    std::optional<size_t> Index;
  };
  TValueName ParseValueName(const std::string& name) const;
  TJclSimpleXMLElem* ChildFor(TJclSimpleXMLElem& parent, const TValueName& name);
  TJclSimpleXMLElem* ValueElement(TJclSimpleXMLElem* keyElement, const std::string& valueName);
  // The value element of path; with create it and its folders are made when missing.
  TJclSimpleXMLElem* FindValueElement(const std::string& path, bool create);
  // Raises EJVCLAppStorageError for a value at path (whose folder is key) that the reader could
  // not take back.
  void CheckReadableDepth(const std::string& path, const std::string& key) const;
  // The element of path's value, or null for a missing one when DefaultIfValueNotExists
  // (without it a missing value raises).
  const TJclSimpleXMLElem* ReadValueElement(const std::string& path);
  void WriteValueText(const std::string& path, const std::string& text);
  // The element of AbsolutePath(path) ("EmptyPath" standing for an empty one), never created.
  TJclSimpleXMLElem* FolderElement(const std::string& path);
  bool IsListItemName(const std::string& name) const;
  template <class Work>
  auto WithAutoCreate(bool create, Work work);
  // The header the file is saved with: UTF-8 unless a loaded file declared another encoding.
  void EnsureHeader();

  std::unique_ptr<TJclSimpleXML> FXml;
};

// The program's configuration file storage.
class TJvAppXMLFileStorage : public TJvCustomAppXMLStorage {
 public:
  using TJvCustomAppXMLStorage::TJvCustomAppXMLStorage;

 protected:
  ~TJvAppXMLFileStorage() override = default;
};

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "DateUtils.h"
#include "EnumSet.h"
#include "Forms.h"
#include "JvAppStorage.h"
#include "JvFormPlacement_props.h"
#include "JvFormPlacement_values.h"

enum TPlacementOption { fpState, fpSize, fpLocation, fpActiveControl };

using TPlacementOptions = TSet<TPlacementOption>;

enum TJvFormPlacementVersionCheck { fpvcNocheck, fpvcCheckGreaterEqual, fpvcCheckEqual };

// Indexes of the window limits; 0 leaves a limit out.
enum TJvMinMaxInfoIndex {
  mmMaxPosLeft,
  mmMaxPosTop,
  mmMaxSizeHeight,
  mmMaxSizeWidth,
  mmMaxTrackHeight,
  mmMaxTrackWidth,
  mmMinTrackHeight,
  mmMinTrackWidth
};

class TJvFormPlacement;

// Size and position limits of the placement's window. A change makes the placement apply them.
class TJvWinMinMaxInfo {
 public:
  explicit TJvWinMinMaxInfo(TJvFormPlacement& owner) : FOwner(owner) {}
  TJvWinMinMaxInfo(const TJvWinMinMaxInfo&) = delete;
  TJvWinMinMaxInfo& operator=(const TJvWinMinMaxInfo&) = delete;

  int Value(TJvMinMaxInfoIndex index) const { return FMinMaxInfo[index]; }
  void SetValue(TJvMinMaxInfoIndex index, int value);
  bool DefaultMinMaxInfo() const;
  void Assign(const TJvWinMinMaxInfo& source);

 private:
  TJvFormPlacement& FOwner;
  std::array<int, 8> FMinMaxInfo{};
};

// Told after every save (OnSave) and restore (OnLoad) of the placement it is attached to.
class TJvIniLink {
 public:
  TJvIniLink() = default;
  TJvIniLink(const TJvIniLink&) = delete;
  TJvIniLink& operator=(const TJvIniLink&) = delete;
  ~TJvIniLink() { SetStorage(nullptr); }

  TJvFormPlacement* Storage() const { return FStorage; }
  void SetStorage(TJvFormPlacement* storage);

  TNotifyEvent OnSave;
  TNotifyEvent OnLoad;

 private:
  friend class TJvFormPlacement;
  TJvFormPlacement* FStorage = nullptr;
};

// Remembers its owner form's placement in an application storage under a per-form path: restores
// it the first time the form is shown and saves it when the form closes. Also reads and writes
// typed values below that path.
class TJvFormPlacement : public TComponent {
 public:
  explicit TJvFormPlacement(TComponent* AOwner);

  // Resolves the path and, for a form read from its description, takes over the form's show,
  // close-query and destroy handlers.
  void Loaded() override;

  bool Active() const { return FActive; }
  void SetActive(bool value) { FActive = value; }
  TJvCustomAppStorage* AppStorage() const { return FAppStorage; }
  void SetAppStorage(TJvCustomAppStorage* value);
  const std::string& AppStoragePath() const { return FAppStoragePath; }
  // A non-empty path gets a trailing backslash; outside loading "%FORM_NAME%" is resolved now.
  void SetAppStoragePath(const std::string& value);
  TJvWinMinMaxInfo& MinMaxInfo() { return *FWinMinMaxInfo; }
  void SetMinMaxInfo(const TJvWinMinMaxInfo& value) { FWinMinMaxInfo->Assign(value); }
  TPlacementOptions Options() const { return FOptions; }
  void SetOptions(TPlacementOptions value) { FOptions = value; }
  bool PreventResize() const { return FPreventResize; }
  void SetPreventResize(bool value);
  int32_t Version() const { return FVersion; }
  void SetVersion(int32_t value) { FVersion = value; }
  TJvFormPlacementVersionCheck VersionCheck() const { return FVersionCheck; }
  void SetVersionCheck(TJvFormPlacementVersionCheck value) { FVersionCheck = value; }

  bool IsActive() const { return FActive && FAppStorage; }
  void SaveFormPlacement();
  void RestoreFormPlacement();

  // Values below AppStoragePath. Reads answer Default, and writes do nothing, without a storage
  // or with an empty Ident.
  std::string ReadString(const std::string& Ident, const std::string& Default = "");
  void WriteString(const std::string& Ident, const std::string& AValue);
  bool ReadBoolean(const std::string& Ident, bool Default);
  void WriteBoolean(const std::string& Ident, bool AValue);
  Extended ReadFloat(const std::string& Ident, Extended Default = 0);
  void WriteFloat(const std::string& Ident, Extended AValue);
  int32_t ReadInteger(const std::string& Ident, int32_t Default = 0);
  void WriteInteger(const std::string& Ident, int32_t AValue);
  TDateTime ReadDateTime(const std::string& Ident, TDateTime Default);
  void WriteDateTime(const std::string& Ident, TDateTime AValue);
  void DeleteValue(const std::string& Ident);
  // Deletes the whole folder AppStoragePath; needs a storage.
  void EraseSections();

  TNotifyEvent BeforeSavePlacement;
  TNotifyEvent OnSavePlacement;
  TNotifyEvent AfterSavePlacement;
  TNotifyEvent BeforeRestorePlacement;
  TNotifyEvent OnRestorePlacement;
  TNotifyEvent AfterRestorePlacement;

 protected:
  ~TJvFormPlacement() override;
  void Notification(TComponent* AComponent) override;

  virtual void SavePlacement();
  virtual void RestorePlacement();

  // The owner when it is a form.
  TForm* Form() const;
  bool Restored() const { return FRestored; }
  void SetRestored() { FRestored = true; }

 private:
  friend class TJvWinMinMaxInfo;
  friend class TJvIniLink;

  void ResolveStoragePath();
  std::string ValuePath(const std::string& Ident, bool reading);
  bool VersionAccepted(int32_t storedVersion) const;
  void RestoreActiveControl(TForm& form);
  void NotifyLinks(bool saved);

  void HookFormEvents(TForm& form);
  void UnhookFormEvents();
  void FormShowHook(TObject* Sender);
  void FormCloseQueryHook(TObject* Sender, bool& CanClose);
  void FormDestroyHook(TObject* Sender);

  void MinMaxInfoModified();
  bool WinHookNeeded() const;
  void UpdateWinHook();
  void UpdatePlacement();

  bool FActive = true;
  TJvCustomAppStorage* FAppStorage = nullptr;
  std::string FAppStoragePath = "%FORM_NAME%";
  std::vector<TJvIniLink*> FLinks;
  TPlacementOptions FOptions;
  int32_t FVersion = 0;
  TJvFormPlacementVersionCheck FVersionCheck = fpvcCheckGreaterEqual;
  bool FSaved = false;
  bool FRestored = false;
  bool FPreventResize = false;
  std::unique_ptr<TJvWinMinMaxInfo> FWinMinMaxInfo;
  // Stands for a window-procedure hook: the limits are applied to the window while set.
  bool FWinHook = false;
  bool FFormHooked = false;
  TNotifyEvent FSaveFormShow;
  TNotifyEvent FSaveFormDestroy;
  TCloseQueryEvent FSaveFormCloseQuery;
};

// A form placement that also keeps chosen properties and named values for its form.
class TJvFormStorage : public TJvFormPlacement {
 public:
  explicit TJvFormStorage(TComponent* AOwner);

  // Entries "Component.Property"; the component is one of the owner's or the owner itself.
  TJvFormStorageStringList& StoredProps() { return FStoredProps; }
  const std::string& StoredPropsPath() const { return FStoredPropsPath; }
  void SetStoredPropsPath(const std::string& value) { FStoredPropsPath = value; }
  // Attaches each entry's component; entries without one are removed.
  void Loaded() override;

  TJvStoredValues& StoredValues() { return *FStoredValues; }
  const std::string& StoredValuesPath() const { return FStoredValues->Path(); }
  void SetStoredValuesPath(const std::string& value) { FStoredValues->SetPath(value); }

  // Unassigned when there is no value of that name; setting creates the value when needed.
  TStoredVariant GetStoredValue(const std::string& Name) const;
  void SetStoredValue(const std::string& Name, const TStoredVariant& AValue);
  TStoredVariant GetDefaultStoredValue(const std::string& Name,
                                       const TStoredVariant& DefValue) const;
  void SetDefaultStoredValue(const std::string& Name, const TStoredVariant& DefValue,
                             const TStoredVariant& AValue);

 protected:
  void SavePlacement() override;
  void RestorePlacement() override;
  virtual void SaveProperties();
  virtual void RestoreProperties();
  void Notification(TComponent* AComponent) override;
  void BeforeDestruction() override;

 private:
  void ResolveStoredProps();
  std::string StoredPropValuePath(const std::string& component, const std::string& property);
  void RestoreComponentReference(TComponent& component, const TPropInfo& info,
                                 const std::string& path);

  TJvFormStorageStringList FStoredProps;
  std::unique_ptr<TJvStoredValues> FStoredValues;
  std::string FStoredPropsPath;
  bool FBeingFreed = false;
};

// The window's placement in storage below path: steps shared by every placement component.
void StoreWindowPlacement(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
                          TPlacementOptions options);
void LoadWindowPlacement(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
                         TPlacementOptions options);

#include "JvFormPlacement.h"

#include <algorithm>
#include <utility>

#include "Application.h"
#include "JvAppStoragePropertyEngine.h"
#include "JvFormPlacement_update.h"
#include "Monitors.h"
#include "WindowPlacement.h"

namespace {

constexpr std::string_view FormNamePlaceholder = "%FORM_NAME%";

void Call(const TNotifyEvent& handler, TObject* Sender) {
  if (handler) handler(Sender);
}

// The first occurrence of the placeholder, in any letter case.
size_t FindFormNamePlaceholder(const std::string& path) {
  const std::string upper = AsciiUpperCase(path);
  return upper.find(FormNamePlaceholder);
}

}  // namespace

// --- TJvWinMinMaxInfo

void TJvWinMinMaxInfo::SetValue(TJvMinMaxInfoIndex index, int value) {
  if (FMinMaxInfo[index] == value) return;
  FMinMaxInfo[index] = value;
  FOwner.MinMaxInfoModified();
}

bool TJvWinMinMaxInfo::DefaultMinMaxInfo() const {
  return std::all_of(FMinMaxInfo.begin(), FMinMaxInfo.end(), [](int value) { return value == 0; });
}

void TJvWinMinMaxInfo::Assign(const TJvWinMinMaxInfo& source) {
  FMinMaxInfo = source.FMinMaxInfo;
  FOwner.MinMaxInfoModified();
}

// --- TJvIniLink

void TJvIniLink::SetStorage(TJvFormPlacement* storage) {
  if (FStorage) std::erase(FStorage->FLinks, this);
  FStorage = storage;
  if (FStorage) FStorage->FLinks.push_back(this);
}

// --- TJvFormPlacement

TJvFormPlacement::TJvFormPlacement(TComponent* AOwner)
    : TComponent(AOwner), FWinMinMaxInfo(std::make_unique<TJvWinMinMaxInfo>(*this)) {
  if (Form()) FOptions = {fpState, fpSize, fpLocation};
}

TJvFormPlacement::~TJvFormPlacement() {
  UnhookFormEvents();
  for (TJvIniLink* link : FLinks) link->FStorage = nullptr;
}

TForm* TJvFormPlacement::Form() const {
  return dynamic_cast<TForm*>(Owner());
}

void TJvFormPlacement::Loaded() {
  TComponent::Loaded();
  ResolveStoragePath();
  if (TForm* form = Form()) HookFormEvents(*form);
  UpdateWinHook();
}

void TJvFormPlacement::Notification(TComponent* AComponent) {
  if (AComponent == FAppStorage) FAppStorage = nullptr;
}

void TJvFormPlacement::SetAppStorage(TJvCustomAppStorage* value) {
  if (value == FAppStorage) return;
  if (FAppStorage) RemoveFreeNotification(FAppStorage);
  FAppStorage = value;
  if (FAppStorage) FreeNotification(FAppStorage);
}

void TJvFormPlacement::SetAppStoragePath(const std::string& value) {
  FAppStoragePath = value.empty() || value.ends_with('\\') ? value : value + "\\";
  if (!Loading()) ResolveStoragePath();
}

void TJvFormPlacement::ResolveStoragePath() {
  const TForm* form = Form();
  if (!form) return;
  const size_t position = FindFormNamePlaceholder(FAppStoragePath);
  if (position != std::string::npos)
    FAppStoragePath.replace(position, FormNamePlaceholder.size(), form->Name());
}

void TJvFormPlacement::SetPreventResize(bool value) {
  if (value == FPreventResize || !Form()) {
    FPreventResize = value;
    return;
  }
  FPreventResize = value;
  UpdatePlacement();
  if (!Loading()) UpdateWinHook();
}

// --- Typed values

std::string TJvFormPlacement::ValuePath(const std::string& Ident, bool reading) {
  return TJvCustomAppStorage::ConcatPaths(
      {FAppStoragePath, FAppStorage->TranslatePropertyName(this, Ident, reading)});
}

std::string TJvFormPlacement::ReadString(const std::string& Ident, const std::string& Default) {
  if (!FAppStorage || Ident.empty()) return Default;
  return FAppStorage->ReadString(ValuePath(Ident, true), Default);
}

void TJvFormPlacement::WriteString(const std::string& Ident, const std::string& AValue) {
  if (FAppStorage && !Ident.empty()) FAppStorage->WriteString(ValuePath(Ident, false), AValue);
}

bool TJvFormPlacement::ReadBoolean(const std::string& Ident, bool Default) {
  if (!FAppStorage || Ident.empty()) return Default;
  return FAppStorage->ReadBoolean(ValuePath(Ident, true), Default);
}

void TJvFormPlacement::WriteBoolean(const std::string& Ident, bool AValue) {
  if (FAppStorage && !Ident.empty()) FAppStorage->WriteBoolean(ValuePath(Ident, false), AValue);
}

Extended TJvFormPlacement::ReadFloat(const std::string& Ident, Extended Default) {
  if (!FAppStorage || Ident.empty()) return Default;
  return FAppStorage->ReadFloat(ValuePath(Ident, true), Default);
}

void TJvFormPlacement::WriteFloat(const std::string& Ident, Extended AValue) {
  if (FAppStorage && !Ident.empty()) FAppStorage->WriteFloat(ValuePath(Ident, false), AValue);
}

int32_t TJvFormPlacement::ReadInteger(const std::string& Ident, int32_t Default) {
  if (!FAppStorage || Ident.empty()) return Default;
  return FAppStorage->ReadInteger(ValuePath(Ident, true), Default);
}

void TJvFormPlacement::WriteInteger(const std::string& Ident, int32_t AValue) {
  if (FAppStorage && !Ident.empty()) FAppStorage->WriteInteger(ValuePath(Ident, false), AValue);
}

TDateTime TJvFormPlacement::ReadDateTime(const std::string& Ident, TDateTime Default) {
  if (!FAppStorage || Ident.empty()) return Default;
  return FAppStorage->ReadDateTime(ValuePath(Ident, true), Default);
}

void TJvFormPlacement::WriteDateTime(const std::string& Ident, TDateTime AValue) {
  if (FAppStorage && !Ident.empty()) FAppStorage->WriteDateTime(ValuePath(Ident, false), AValue);
}

void TJvFormPlacement::DeleteValue(const std::string& Ident) {
  if (FAppStorage && !Ident.empty()) FAppStorage->DeleteValue(ValuePath(Ident, false));
}

void TJvFormPlacement::EraseSections() {
  if (!FAppStorage) throw EJVCLException("No storage to erase the sections of");
  FAppStorage->DeleteSubTree(FAppStoragePath);
}

// --- Saving and restoring

void TJvFormPlacement::SaveFormPlacement() {
  if (!FAppStorage) return;
  InsideUpdate(*FAppStorage, [this] {
    ResolveStoragePath();
    Call(BeforeSavePlacement, this);
    if (FVersionCheck != fpvcNocheck) WriteInteger("FormVersion", FVersion);
    Call(OnSavePlacement, this);
    SavePlacement();
    Call(AfterSavePlacement, this);
    FSaved = true;
  });
}

void TJvFormPlacement::SavePlacement() {
  TForm* form = Form();
  if (!form) return;
  if (FOptions != TPlacementOptions{fpActiveControl})
    StoreWindowPlacement(*form, *FAppStorage, FAppStoragePath, FOptions);
  if (FOptions.Contains(fpActiveControl)) {
    if (const TWinControl* control = form->ActiveControl())
      FAppStorage->WriteString(FAppStoragePath + "ActiveControl", control->Name());
  }
  NotifyLinks(true);
}

void TJvFormPlacement::RestoreFormPlacement() {
  if (FAppStorage) {
    ResolveStoragePath();
    InsideUpdate(*FAppStorage, [this] {
      FSaved = false;
      if (VersionAccepted(ReadInteger("FormVersion", 0))) {
        Call(BeforeRestorePlacement, this);
        RestorePlacement();
        FRestored = true;
        Call(OnRestorePlacement, this);
        if (TForm* form = Form(); form && FOptions.Contains(fpActiveControl))
          RestoreActiveControl(*form);
        Call(AfterRestorePlacement, this);
      }
      FRestored = true;
    });
  }
  UpdatePlacement();
}

void TJvFormPlacement::RestorePlacement() {
  if (TForm* form = Form()) LoadWindowPlacement(*form, *FAppStorage, FAppStoragePath, FOptions);
  NotifyLinks(false);
}

bool TJvFormPlacement::VersionAccepted(int32_t storedVersion) const {
  switch (FVersionCheck) {
    case fpvcNocheck:
      return true;
    case fpvcCheckGreaterEqual:
      return storedVersion >= FVersion;
    case fpvcCheckEqual:
      return storedVersion == FVersion;
  }
  return false;
}

void TJvFormPlacement::RestoreActiveControl(TForm& form) {
  const std::string name = FAppStorage->ReadString(FAppStoragePath + "ActiveControl", "");
  auto* control = dynamic_cast<TWinControl*>(form.FindComponent(name));
  if (control && control->CanFocus()) control->SetFocus();
}

void TJvFormPlacement::NotifyLinks(bool saved) {
  // A link may detach itself while it is told.
  for (TJvIniLink* link : std::vector<TJvIniLink*>(FLinks))
    Call(saved ? link->OnSave : link->OnLoad, this);
}

// --- The form's handlers

void TJvFormPlacement::HookFormEvents(TForm& form) {
  FSaveFormShow = std::exchange(form.OnShow, MethodEvent(this, &TJvFormPlacement::FormShowHook));
  FSaveFormCloseQuery =
      std::exchange(form.OnCloseQuery, MethodEvent(this, &TJvFormPlacement::FormCloseQueryHook));
  FSaveFormDestroy =
      std::exchange(form.OnDestroy, MethodEvent(this, &TJvFormPlacement::FormDestroyHook));
  FFormHooked = true;
}

void TJvFormPlacement::UnhookFormEvents() {
  TForm* form = Form();
  if (!FFormHooked || !form) return;
  if (FWinHook && form->HandleAllocated()) SetWindowSizeLimits(*form, {});
  form->OnShow = std::move(FSaveFormShow);
  form->OnCloseQuery = std::move(FSaveFormCloseQuery);
  form->OnDestroy = std::move(FSaveFormDestroy);
  FFormHooked = false;
}

void TJvFormPlacement::FormShowHook(TObject* Sender) {
  UpdateWinHook();
  if (IsActive() && !FRestored) CallGuarded(this, [this] { RestoreFormPlacement(); });
  Call(FSaveFormShow, Sender);
}

void TJvFormPlacement::FormCloseQueryHook(TObject* Sender, bool& CanClose) {
  if (FSaveFormCloseQuery) FSaveFormCloseQuery(Sender, CanClose);
  const TForm* form = Form();
  if (CanClose && IsActive() && form && form->HandleAllocated())
    CallGuarded(this, [this] { SaveFormPlacement(); });
}

void TJvFormPlacement::FormDestroyHook(TObject* Sender) {
  if (IsActive() && !FSaved) CallGuarded(this, [this] { SaveFormPlacement(); });
  Call(FSaveFormDestroy, Sender);
}

// --- Limits and the final placement

void TJvFormPlacement::MinMaxInfoModified() {
  UpdatePlacement();
  if (!Loading()) UpdateWinHook();
}

bool TJvFormPlacement::WinHookNeeded() const {
  return !FWinMinMaxInfo->DefaultMinMaxInfo() || FPreventResize;
}

// The limits are geometry hints of the window, so they need its widget; the show handler
// applies them at the latest.
void TJvFormPlacement::UpdateWinHook() {
  TForm* form = Form();
  if (!form || !form->HandleAllocated()) return;
  const bool needed = WinHookNeeded();
  if (!needed && !FWinHook) return;
  TWindowSizeLimits limits;
  if (needed && FPreventResize) {
    limits = {form->Width(), form->Height(), form->Width(), form->Height()};
  } else if (needed) {
    const TJvWinMinMaxInfo& info = *FWinMinMaxInfo;
    limits = {info.Value(mmMinTrackWidth), info.Value(mmMinTrackHeight),
              info.Value(mmMaxTrackWidth), info.Value(mmMaxTrackHeight)};
  }
  SetWindowSizeLimits(*form, limits);
  FWinHook = needed;
}

void TJvFormPlacement::UpdatePlacement() {
  TForm* form = Form();
  if (!form || !form->HandleAllocated() || Loading() || FPreventResize ||
      !FWinMinMaxInfo->DefaultMinMaxInfo())
    return;
  TWindowPlacement placement = GetWindowPlacement(*form);
  if (!form->Visible()) placement.ShowCmd = swHide;
  // Without known positions the frame's offset is unknown too: the stored one stays.
  if (WindowPositionsKnown()) {
    const TPoint border = WindowFrameBorder(*form);
    placement.MaxPosition = {-border.X, -border.Y};
  }
  SetWindowPlacement(*form, placement);
}

// --- TJvFormStorage

TJvFormStorage::TJvFormStorage(TComponent* AOwner)
    : TJvFormPlacement(AOwner), FStoredValues(std::make_unique<TJvStoredValues>(*this)) {}

void TJvFormStorage::SavePlacement() {
  // Saving before anything was restored would overwrite the stored state with the designed one.
  if (!Restored()) return;
  TJvFormPlacement::SavePlacement();
  if (auto* handler = dynamic_cast<const IAppStorageHandler*>(Owner()))
    handler->WriteToStorage(*AppStorage(), AppStoragePath());
  SaveProperties();
  FStoredValues->SaveValues();
}

void TJvFormStorage::RestorePlacement() {
  TJvFormPlacement::RestorePlacement();
  SetRestored();
  if (auto* handler = dynamic_cast<IAppStorageHandler*>(Owner()))
    handler->ReadFromStorage(*AppStorage(), AppStoragePath());
  RestoreProperties();
  FStoredValues->RestoreValues();
}

TStoredVariant TJvFormStorage::GetStoredValue(const std::string& Name) const {
  return FStoredValues->Values(Name);
}

void TJvFormStorage::SetStoredValue(const std::string& Name, const TStoredVariant& AValue) {
  FStoredValues->SetValues(Name, AValue);
}

TStoredVariant TJvFormStorage::GetDefaultStoredValue(const std::string& Name,
                                                     const TStoredVariant& DefValue) const {
  TStoredVariant value = GetStoredValue(Name);
  return VarIsAssigned(value) ? value : DefValue;
}

void TJvFormStorage::SetDefaultStoredValue(const std::string& Name, const TStoredVariant& DefValue,
                                           const TStoredVariant& AValue) {
  SetStoredValue(Name, VarIsAssigned(AValue) ? AValue : DefValue);
}

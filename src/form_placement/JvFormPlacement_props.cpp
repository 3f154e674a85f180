// The chosen component properties that a form storage keeps.
#include "JvFormPlacement_props.h"
#include "JvFormPlacement.h"

bool SplitStoredProp(const std::string& entry, std::string& component, std::string& property) {
  const size_t dot = entry.find('.');
  if (dot == std::string::npos) return false;
  component = std::string(TrimBlanks(std::string_view(entry).substr(0, dot)));
  property = std::string(TrimBlanks(std::string_view(entry).substr(dot + 1)));
  return !component.empty() && !property.empty();
}

namespace {

// The owner's component of that name, or the owner itself, whose own properties (a form's
// caption) are worth keeping too.
TComponent* StoredPropComponent(TComponent* owner, const std::string& name) {
  if (!owner) return nullptr;
  if (TComponent* component = owner->FindComponent(name)) return component;
  return SameAsciiText(owner->Name(), name) ? owner : nullptr;
}

}  // namespace

void TJvFormStorage::Loaded() {
  TJvFormPlacement::Loaded();
  ResolveStoredProps();
}

void TJvFormStorage::ResolveStoredProps() {
  for (int32_t i = FStoredProps.Count() - 1; i >= 0; --i) {
    std::string component, property;
    TComponent* found = SplitStoredProp(FStoredProps.Strings(i), component, property)
                            ? StoredPropComponent(Owner(), component)
                            : nullptr;
    if (!found) {
      FStoredProps.Delete(i);
      continue;
    }
    FStoredProps.SetObject(i, found);
    if (found != this) FreeNotification(found);
  }
}

void TJvFormStorage::BeforeDestruction() {
  FBeingFreed = true;
  TJvFormPlacement::BeforeDestruction();
}

void TJvFormStorage::Notification(TComponent* AComponent) {
  TJvFormPlacement::Notification(AComponent);
  if (FBeingFreed) return;
  for (int32_t i = FStoredProps.Count() - 1; i >= 0; --i)
    if (FStoredProps.Objects(i) == AComponent) FStoredProps.Delete(i);
}

std::string TJvFormStorage::StoredPropValuePath(const std::string& component,
                                                const std::string& property) {
  const std::string folder = TJvCustomAppStorage::ConcatPaths({AppStoragePath(), FStoredPropsPath});
  return TJvCustomAppStorage::ChildPath(
      folder, AppStorage()->TranslatePropertyName(this, component + "_" + property, false));
}

void TJvFormStorage::SaveProperties() {
  if (!AppStorage()) return;
  for (int32_t i = 0; i < FStoredProps.Count(); ++i) {
    TComponent* component = FStoredProps.Objects(i);
    std::string componentName, property;
    if (!component || !SplitStoredProp(FStoredProps.Strings(i), componentName, property)) continue;
    const std::string path = StoredPropValuePath(componentName, property);
    const TPropInfo* info = GetPropInfo(*component, property);
    if (!info) continue;
    // A reference to another component is kept by that component's name.
    if (info->Kind == TPropKind::pkClass) {
      if (auto* referenced = dynamic_cast<TComponent*>(std::get<TObject*>(info->Get(*component)))) {
        AppStorage()->WriteString(path, referenced->Name());
        continue;
      }
      // A cleared reference must not come back from the name stored before.
      if (info->IsOfComponentClass) {
        AppStorage()->DeleteValue(path);
        continue;
      }
    }
    AppStorage()->WriteProperty(path, *component, property, true);
  }
}

// A name that names no fitting component leaves the reference as it is.
void TJvFormStorage::RestoreComponentReference(TComponent& component, const TPropInfo& info,
                                               const std::string& path) {
  if (!info.Set) return;
  const std::string name = AppStorage()->ReadString(path, "");
  TComponent* referenced = name.empty() ? nullptr : StoredPropComponent(Owner(), name);
  if (referenced && info.IsOfComponentClass(*referenced))
    info.Set(component, static_cast<TObject*>(referenced));
}

// A damaged or stale value must not keep the form from showing: errors are dropped, entry by
// entry, so the other properties still come back.
void TJvFormStorage::RestoreProperties() {
  if (!AppStorage()) return;
  for (int32_t i = 0; i < FStoredProps.Count(); ++i) {
    TComponent* component = FStoredProps.Objects(i);
    std::string componentName, property;
    if (!component || !SplitStoredProp(FStoredProps.Strings(i), componentName, property)) continue;
    try {
      const std::string path = StoredPropValuePath(componentName, property);
      const TPropInfo* info = GetPropInfo(*component, property);
      if (!info) continue;
      // The declared class decides, not the current value: a fresh form's reference is still
      // empty.
      if (info->Kind == TPropKind::pkClass && info->IsOfComponentClass) {
        RestoreComponentReference(*component, *info, path);
        continue;
      }
      AppStorage()->ReadProperty(path, *component, property, true, true);
    } catch (const std::exception&) {
    }
  }
}

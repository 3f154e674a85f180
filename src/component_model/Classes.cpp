#include "Classes.h"

#include <algorithm>
#include <cctype>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Free() {
  BeforeDestruction();
  NotifyFreeNotifies();
  DestroyComponents();
  delete this;
}

void TComponent::DestroyComponents() {
  // Each Free removes the component from the list, so always take the last one.
  while (!FComponents.empty()) FComponents.back()->Free();
}

void TComponent::RemoveComponent(TComponent* component) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), component),
                    FComponents.end());
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) != FFreeNotifies.end())
    return;
  FFreeNotifies.push_back(AComponent);
  AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(FFreeNotifies, AComponent);
  std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::NotifyFreeNotifies() {
  // Unlink first: a component told here may free others, or this one's links, in turn.
  while (!FFreeNotifies.empty()) {
    TComponent* linked = FFreeNotifies.back();
    RemoveFreeNotification(linked);
    linked->Notification(this);
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  const auto sameName = [&name](const TComponent* component) {
    const std::string& other = component->FName;
    return !name.empty() && other.size() == name.size() &&
           std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  };
  const auto found = std::find_if(FComponents.begin(), FComponents.end(), sameName);
  return found == FComponents.end() ? nullptr : *found;
}

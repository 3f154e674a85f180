#include "Classes.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Free() {
  BeforeDestruction();
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

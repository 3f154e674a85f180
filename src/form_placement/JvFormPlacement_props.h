#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Classes.h"

// Entries "Component.Property" of a form storage; once resolved, each entry carries its
// component.
class TJvFormStorageStringList {
 public:
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const std::string& Strings(int32_t index) const { return At(index).Text; }
  TComponent* Objects(int32_t index) const { return At(index).Component; }
  void Add(std::string entry) { FItems.push_back({std::move(entry), nullptr}); }
  void SetObject(int32_t index, TComponent* component) {
    FItems.at(static_cast<size_t>(index)).Component = component;
  }
  void Delete(int32_t index) { FItems.erase(FItems.begin() + index); }
  void Clear() { FItems.clear(); }

 private:
  struct TItem {
    std::string Text;
    TComponent* Component;
  };
  const TItem& At(int32_t index) const { return FItems.at(static_cast<size_t>(index)); }

  std::vector<TItem> FItems;
};

// The two trimmed parts of "Component.Property"; false when either is empty.
bool SplitStoredProp(const std::string& entry, std::string& component, std::string& property);

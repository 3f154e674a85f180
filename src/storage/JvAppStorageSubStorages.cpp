#include "JvAppStorageSubStorages.h"

#include <algorithm>

#include "JvAppStorage.h"

namespace {

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameAsciiText(text.substr(0, prefix.size()), prefix);
}

// True when storage is target or reaches target through its sub-storage tree.
bool ReachesStorage(const TJvCustomAppStorage* storage, const TJvCustomAppStorage* target) {
  if (storage == target) return true;
  const TJvAppSubStorages& items = storage->SubStorages();
  for (size_t i = 0; i < items.Count(); ++i)
    if (const TJvCustomAppStorage* next = items.Items(i).AppStorage())
      if (ReachesStorage(next, target)) return true;
  return false;
}

}  // namespace

void TJvAppSubStorage::SetRootPath(const std::string& value) {
  const std::string rootPath = TJvCustomAppStorage::ConcatPaths({value});
  if (rootPath == FRootPath) return;
  const TJvAppSubStorage* covering = FCollection.MatchingItem(rootPath + "\\*");
  if (covering && covering != this)
    throw EJVCLAppStorageError(Format("'%s' is not a unique root path", rootPath.c_str()));
  FRootPath = rootPath;
}

void TJvAppSubStorage::SetAppStorage(TJvCustomAppStorage* value) {
  if (value == FAppStorage) return;
  if (value && ReachesStorage(value, &FCollection.Owner()))
    throw EJVCLAppStorageError("Circular reference of storages");
  TJvCustomAppStorage* previous = FAppStorage;
  FAppStorage = value;
  if (value) value->AddReferrer(&FCollection.Owner());
  if (previous) FCollection.ReleaseIfUnreferenced(previous);
}

TJvAppSubStorages::~TJvAppSubStorages() {
  while (!FItems.empty()) RemoveItem(FItems.size() - 1);
}

TJvAppSubStorage& TJvAppSubStorages::Add(const std::string& rootPath,
                                         TJvCustomAppStorage* appStorage) {
  FItems.push_back(std::unique_ptr<TJvAppSubStorage>(new TJvAppSubStorage(*this)));
  TJvAppSubStorage& item = *FItems.back();
  try {
    item.SetRootPath(rootPath);
    item.SetAppStorage(appStorage);
  } catch (...) {
    RemoveItem(FItems.size() - 1);
    throw;
  }
  return item;
}

void TJvAppSubStorages::Delete(size_t index) {
  if (index >= FItems.size()) throw std::out_of_range("sub-storage index out of range");
  RemoveItem(index);
}

void TJvAppSubStorages::Delete(const std::string& rootPath, bool includeSubPaths) {
  const std::string path = TJvCustomAppStorage::ConcatPaths({rootPath});
  if (path.empty()) return;
  for (size_t i = FItems.size(); i-- > 0;) {
    const std::string& itemPath = FItems[i]->RootPath();
    if (SameAsciiText(itemPath, path) || (includeSubPaths && StartsWithText(itemPath, path + "\\")))
      RemoveItem(i);
  }
}

void TJvAppSubStorages::Delete(const TJvCustomAppStorage* appStorage) {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i]->AppStorage() == appStorage) RemoveItem(i);
}

const TJvAppSubStorage* TJvAppSubStorages::MatchingItem(const std::string& path) const {
  const TJvAppSubStorage* match = nullptr;
  for (const auto& item : FItems) {
    const std::string& root = item->RootPath();
    const bool covers = !root.empty() && path.size() > root.size() && path[root.size()] == '\\' &&
                        StartsWithText(path, root);
    if (covers && (!match || root.size() > match->RootPath().size())) match = item.get();
  }
  return match;
}

bool TJvAppSubStorages::IsReferenced(const TJvCustomAppStorage* storage) const {
  return std::any_of(FItems.begin(), FItems.end(),
                     [&](const auto& item) { return item->AppStorage() == storage; });
}

void TJvAppSubStorages::ReleaseIfUnreferenced(TJvCustomAppStorage* storage) {
  if (!IsReferenced(storage)) storage->RemoveReferrer(&FOwner);
}

void TJvAppSubStorages::RemoveItem(size_t index) {
  TJvCustomAppStorage* storage = FItems[index]->AppStorage();
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
  if (storage) ReleaseIfUnreferenced(storage);
}

#pragma once

#include <memory>
#include <string>
#include <vector>

class TJvCustomAppStorage;
class TJvAppSubStorages;

// Hands every path of its owner below RootPath over to AppStorage (referenced, not owned).
class TJvAppSubStorage {
 public:
  const std::string& RootPath() const { return FRootPath; }
  // Normalised; raises when another item already covers the new root path.
  void SetRootPath(const std::string& value);
  TJvCustomAppStorage* AppStorage() const { return FAppStorage; }
  // Raises when value is the owner or reaches the owner through its own sub-storages.
  void SetAppStorage(TJvCustomAppStorage* value);

 private:
  friend class TJvAppSubStorages;
  explicit TJvAppSubStorage(TJvAppSubStorages& collection) : FCollection(collection) {}

  TJvAppSubStorages& FCollection;
  std::string FRootPath;
  TJvCustomAppStorage* FAppStorage = nullptr;
};

// The sub-storage table of one storage. When a referenced storage is destroyed, the items that
// refer to it are removed.
class TJvAppSubStorages {
 public:
  explicit TJvAppSubStorages(TJvCustomAppStorage& owner) : FOwner(owner) {}
  ~TJvAppSubStorages();
  TJvAppSubStorages(const TJvAppSubStorages&) = delete;
  TJvAppSubStorages& operator=(const TJvAppSubStorages&) = delete;

  // A new item with both properties set; when either is refused the item is dropped again.
  TJvAppSubStorage& Add(const std::string& rootPath, TJvCustomAppStorage* appStorage);
  void Delete(size_t index);
  // Items whose root path equals rootPath (normalised, any letter case), with includeSubPaths
  // also those below it. An empty rootPath removes nothing.
  void Delete(const std::string& rootPath, bool includeSubPaths);
  void Delete(const TJvCustomAppStorage* appStorage);

  size_t Count() const { return FItems.size(); }
  TJvAppSubStorage& Items(size_t index) const { return *FItems.at(index); }
  TJvCustomAppStorage& Owner() const { return FOwner; }

  // The item that takes over path (normalised, no leading backslash): the longest root path
  // followed in path by a backslash, the first of equally long ones; nullptr when none.
  const TJvAppSubStorage* MatchingItem(const std::string& path) const;

 private:
  friend class TJvAppSubStorage;
  bool IsReferenced(const TJvCustomAppStorage* storage) const;
  void ReleaseIfUnreferenced(TJvCustomAppStorage* storage);
  void RemoveItem(size_t index);

  TJvCustomAppStorage& FOwner;
  std::vector<std::unique_ptr<TJvAppSubStorage>> FItems;
};

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PublishedProps.h"

// A list of strings, each with an optional attached object. With OwnsObjects the list frees
// the attached objects when items are removed or the list goes.
class TStringList : public TObject {
 public:
  explicit TStringList(bool ownsObjects = false) : FOwnsObjects(ownsObjects) {}
  ~TStringList() override { Clear(); }

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const std::string& Strings(int32_t index) const { return At(index).Text; }
  TObject* Objects(int32_t index) const { return At(index).Object; }
  int32_t Add(std::string text) { return AddObject(std::move(text), nullptr); }
  int32_t AddObject(std::string text, TObject* object);
  void Clear();
  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, LF or CR; a last line without a line end counts too.
  void SetText(const std::string& text);
  void Assign(const TStringList& source);
  bool OwnsObjects() const { return FOwnsObjects; }

 private:
  struct TItem {
    std::string Text;
    TObject* Object;
  };
  const TItem& At(int32_t index) const { return FItems.at(static_cast<size_t>(index)); }

  std::vector<TItem> FItems;
  bool FOwnsObjects;
};

// A list of owned objects; an entry may be null.
class TObjectList : public TObject {
 public:
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TObject* Items(int32_t index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  int32_t Add(std::unique_ptr<TObject> item);
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TObject>> FItems;
};

class TCollection;

// An item of a collection; its class is the collection's item class.
class TCollectionItem : public TObject {
 public:
  TCollection* Collection() const { return FCollection; }

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
};

// Items of one published class, made by the collection. The update lock lets a reader change
// many items while observers wait for the end.
class TCollection : public TObject {
 public:
  // itemClass must make TCollectionItem instances.
  explicit TCollection(const TPublishedClass& itemClass) : FItemClass(itemClass) {}

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TCollectionItem* Items(int32_t index) const {
    return FItems.at(static_cast<size_t>(index)).get();
  }
  TCollectionItem& Add();
  void Delete(int32_t index) { FItems.erase(FItems.begin() + index); }
  void Clear() { FItems.clear(); }
  const TPublishedClass& ItemClass() const { return FItemClass; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  bool IsUpdating() const { return FUpdateCount > 0; }

 private:
  const TPublishedClass& FItemClass;
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
  int32_t FUpdateCount = 0;
};

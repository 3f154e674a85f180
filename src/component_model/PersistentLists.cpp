#include "PersistentLists.h"

int32_t TStringList::AddObject(std::string text, TObject* object) {
  FItems.push_back({std::move(text), object});
  return Count() - 1;
}

void TStringList::Clear() {
  if (FOwnsObjects)
    for (TItem& item : FItems) delete item.Object;
  FItems.clear();
}

std::string TStringList::Text() const {
  std::string text;
  for (const TItem& item : FItems) (text += item.Text) += "\r\n";
  return text;
}

void TStringList::SetText(const std::string& text) {
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

void TStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  Clear();
  // Attached objects stay with their owner; only the references are taken.
  for (const TItem& item : source.FItems)
    FItems.push_back({item.Text, FOwnsObjects ? nullptr : item.Object});
}

int32_t TObjectList::Add(std::unique_ptr<TObject> item) {
  FItems.push_back(std::move(item));
  return Count() - 1;
}

TCollectionItem& TCollection::Add() {
  TObject* made = FItemClass.Create ? FItemClass.Create() : nullptr;
  auto* item = dynamic_cast<TCollectionItem*>(made);
  if (!item) {
    delete made;
    throw Exception("Class " + std::string(FItemClass.Name) + " cannot make collection items");
  }
  item->FCollection = this;
  FItems.emplace_back(item);
  return *item;
}

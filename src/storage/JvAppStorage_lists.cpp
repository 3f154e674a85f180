// Lists kept in a folder: "Count" and one value or sub-folder per item.
#include <algorithm>
#include <utility>

#include "JvAppStorage.h"

namespace {

// Items of a wide string list are named ItemName + index in either item-name format.
std::string WideItemName(const std::string& itemName, int32_t index) {
  return itemName + std::to_string(index);
}

}  // namespace

int32_t TJvCustomAppStorage::StoredListCount(const std::string& path, const std::string& itemName,
                                             TListCountForm form) {
  if (form == TListCountForm::lcfCountValue) return ReadInteger(ChildPath(path, "Count"), 0);
  return ReadListItemCount(path, itemName);
}

int32_t TJvCustomAppStorage::ReadCheckedListItemCount(const std::string& path,
                                                      const std::string& itemName,
                                                      TListCountForm form) {
  const int32_t count = StoredListCount(path, itemName, form);
  if (count < 0 || count > MaxListItemCount)
    throw EJVCLAppStorageError("List '" + path + "' has an invalid item count " +
                               std::to_string(count));
  return count;
}

int32_t TJvCustomAppStorage::ReadList(const std::string& path, const TObject* list,
                                      const TJvAppStorageListItemEvent& onReadItem,
                                      const std::string& itemName) {
  return ReadListIn(TListCountForm::lcfStorage, path, list, onReadItem, itemName);
}

int32_t TJvCustomAppStorage::ReadListIn(TListCountForm form, const std::string& path,
                                        const TObject* list,
                                        const TJvAppStorageListItemEvent& onReadItem,
                                        const std::string& itemName) {
  return WithinUpdate([&] {
    const int32_t count = ReadCheckedListItemCount(path, itemName, form);
    for (int32_t i = 0; i < count; ++i) onReadItem(*this, path, list, i, itemName);
    return count;
  });
}

void TJvCustomAppStorage::WriteList(const std::string& path, const TObject* list, int32_t itemCount,
                                    const TJvAppStorageListItemEvent& onWriteItem,
                                    const TJvAppStorageListDeleteEvent& onDeleteItems,
                                    const std::string& itemName) {
  WriteListIn(TListCountForm::lcfStorage, path, list, itemCount, onWriteItem, onDeleteItems,
              itemName);
}

void TJvCustomAppStorage::WriteListIn(TListCountForm form, const std::string& path,
                                      const TObject* list, int32_t itemCount,
                                      const TJvAppStorageListItemEvent& onWriteItem,
                                      const TJvAppStorageListDeleteEvent& onDeleteItems,
                                      const std::string& itemName) {
  TJvCustomAppStorage& target = *ResolvePath(path + "\\*").Store;
  if (target.ReadOnly()) return;
  target.WithinUpdate([&] {
    // A damaged old count must not stop a new list from being written, nor make the removal
    // of surplus items run away.
    int32_t oldCount = 0;
    try {
      oldCount = std::clamp(StoredListCount(path, itemName, form), 0, MaxListItemCount);
    } catch (const EConvertError&) {
    }
    for (int32_t i = 0; i < itemCount; ++i) onWriteItem(*this, path, list, i, itemName);
    if (itemCount < oldCount && onDeleteItems)
      onDeleteItems(*this, path, list, itemCount, oldCount - 1, itemName);
    if (form == TListCountForm::lcfCountValue)
      WriteInteger(ChildPath(path, "Count"), itemCount);
    else
      WriteListItemCount(path, itemCount, itemName);
  });
}

// Last to first: in a positional item-name form ("Item[3]") the later items would otherwise
// move down into the indexes already visited.
void TJvCustomAppStorage::DeleteListItems(TJvCustomAppStorage& storage, const std::string& path,
                                          const TObject*, int32_t first, int32_t last,
                                          const std::string& itemName) {
  for (int32_t i = last; i >= first; --i)
    storage.DeleteValue(ChildPath(path, storage.ItemNameIndexPath(itemName, i)));
}

// --- String lists

int32_t TJvCustomAppStorage::ReadStringList(const std::string& path, TStringList& list,
                                            bool clearFirst, const std::string& itemName) {
  TStringList items;
  if (ListStored(path, itemName)) {
    ReadPersistent(path, &list, true, clearFirst);
    ReadList(
        path, &list,
        [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i,
            const std::string&) {
          items.Add(ReadString(ChildPath(path, ItemNameIndexPath(itemName, i)), ""));
        },
        itemName);
  } else if (ValueStored(path)) {
    items.SetText(ReadString(path, ""));
  }
  if (clearFirst) list.Clear();
  for (int32_t i = 0; i < items.Count(); ++i) list.Add(items.Strings(i));
  return list.Count();
}

void TJvCustomAppStorage::WriteStringList(const std::string& path, const TStringList& list,
                                          const std::string& itemName) {
  if (StorageOptions().StoreStringListAsSingleString()) {
    if (ListStored(path, itemName)) DeleteSubTree(path);
    WriteString(path, list.Text());
    return;
  }
  WriteList(
      path, &list, list.Count(),
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        WriteString(ChildPath(path, ItemNameIndexPath(itemName, i)), list.Strings(i));
      },
      &DeleteListItems, itemName);
  WritePersistent(path, &list);
}

int32_t TJvCustomAppStorage::ReadWideStringList(const std::string& path, std::vector<ustring>& list,
                                                bool clearFirst, const std::string& itemName) {
  const auto size = [&] { return static_cast<int32_t>(list.size()); };
  if (!ValueStored(ChildPath(path, "Count")) && StorageOptions().DefaultIfValueNotExists())
    return size();
  std::vector<ustring> items;
  ReadListIn(
      TListCountForm::lcfCountValue, path, nullptr,
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        items.push_back(ReadWideString(ChildPath(path, WideItemName(itemName, i)), u""));
      },
      itemName);
  if (clearFirst) list.clear();
  list.insert(list.end(), items.begin(), items.end());
  return size();
}

void TJvCustomAppStorage::WriteWideStringList(const std::string& path,
                                              const std::vector<ustring>& list,
                                              const std::string& itemName) {
  WriteListIn(
      TListCountForm::lcfCountValue, path, nullptr, static_cast<int32_t>(list.size()),
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        WriteWideString(ChildPath(path, WideItemName(itemName, i)), list[static_cast<size_t>(i)]);
      },
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t first, int32_t last,
          const std::string&) {
        for (int32_t i = last; i >= first; --i)
          DeleteValue(ChildPath(path, WideItemName(itemName, i)));
      },
      itemName);
}

// --- Object lists

std::unique_ptr<TObject> TJvCustomAppStorage::CreateListItem(const std::string& path, int32_t) {
  const std::string className = ReadString(ChildPath(path, "Classname"), "");
  const TPublishedClass* classInfo = FindClass(className);
  if (!classInfo || !classInfo->Create)
    throw EJVCLAppStorageError("Class '" + className + "' of list item '" + path +
                               "' is not registered");
  return std::unique_ptr<TObject>(classInfo->Create());
}

// Reads every item through readItem with the item factory in force; the previous factory is
// put back on every path.
int32_t TJvCustomAppStorage::ReadObjectItems(
    const std::string& path, const TJvAppStorageObjectListItemCreateEvent& itemCreator,
    const std::string& itemName, const TJvAppStorageListItemEvent& readItem) {
  TJvCustomAppStorage& target = *ResolvePath(path + "\\*").Store;
  TJvAppStorageObjectListItemCreateEvent previous = std::exchange(
      target.FCurrentInstanceCreateEvent,
      itemCreator ? itemCreator
                  : [this](TJvCustomAppStorage&, const std::string& itemPath, int32_t index) {
                      return CreateListItem(itemPath, index);
                    });
  try {
    const int32_t count = ReadList(path, nullptr, readItem, itemName);
    target.FCurrentInstanceCreateEvent = std::move(previous);
    return count;
  } catch (...) {
    target.FCurrentInstanceCreateEvent = std::move(previous);
    throw;
  }
}

int32_t TJvCustomAppStorage::ReadObjectList(const std::string& path, TObjectList& list,
                                            bool clearFirst, const std::string& itemName) {
  return ReadObjectList(path, list, nullptr, clearFirst, itemName);
}

int32_t TJvCustomAppStorage::ReadObjectList(
    const std::string& path, TObjectList& list,
    const TJvAppStorageObjectListItemCreateEvent& itemCreator, bool clearFirst,
    const std::string& itemName) {
  if (!ListStored(path, itemName) && StorageOptions().DefaultIfValueNotExists())
    return list.Count();
  std::vector<std::unique_ptr<TObject>> items;
  TJvCustomAppStorage& target = *ResolvePath(path + "\\*").Store;
  ReadObjectItems(
      path, itemCreator, itemName,
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        const std::string itemPath = ChildPath(path, ItemNameIndexPath(itemName, i));
        // A null item was not written; it reads back as null.
        if (!PathExists(itemPath) && StorageOptions().DefaultIfValueNotExists())
          return items.push_back(nullptr);
        std::unique_ptr<TObject> item = target.FCurrentInstanceCreateEvent(*this, itemPath, i);
        ReadPersistent(itemPath, item.get(), true, true);
        items.push_back(std::move(item));
      });
  if (clearFirst) list.Clear();
  for (auto& item : items) list.Add(std::move(item));
  return list.Count();
}

void TJvCustomAppStorage::WriteObjectList(const std::string& path, const TObjectList& list,
                                          const std::string& itemName) {
  WriteList(
      path, &list, list.Count(),
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        if (TObject* item = list.Items(i))
          WritePersistent(ChildPath(path, ItemNameIndexPath(itemName, i)), item);
      },
      &DeleteListItems, itemName);
}

// --- Collections

int32_t TJvCustomAppStorage::ReadCollection(const std::string& path, TCollection& list,
                                            bool clearFirst, const std::string& itemName) {
  if (!ListStored(path, itemName) && StorageOptions().DefaultIfValueNotExists())
    return list.Count();
  list.BeginUpdate();
  if (clearFirst) list.Clear();
  const int32_t kept = list.Count();
  try {
    ReadPersistent(path, &list, true, clearFirst);
    ReadList(
        path, &list,
        [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i,
            const std::string&) {
          ReadPersistent(ChildPath(path, ItemNameIndexPath(itemName, i)), &list.Add(), true, true);
        },
        itemName);
  } catch (...) {
    // No half-read items stay behind.
    while (list.Count() > kept) list.Delete(list.Count() - 1);
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
  return list.Count();
}

void TJvCustomAppStorage::WriteCollection(const std::string& path, const TCollection& list,
                                          const std::string& itemName) {
  WritePersistent(path, &list);
  WriteList(
      path, &list, list.Count(),
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        WritePersistent(ChildPath(path, ItemNameIndexPath(itemName, i)), list.Items(i));
      },
      &DeleteListItems, itemName);
}

// --- String lists with objects

int32_t TJvCustomAppStorage::ReadStringObjectList(const std::string& path, TStringList& list,
                                                  bool clearFirst, const std::string& itemName) {
  return ReadStringObjectList(path, list, nullptr, clearFirst, itemName);
}

int32_t TJvCustomAppStorage::ReadStringObjectList(
    const std::string& path, TStringList& list,
    const TJvAppStorageObjectListItemCreateEvent& itemCreator, bool clearFirst,
    const std::string& itemName) {
  if (!list.OwnsObjects())
    throw EJVCLAppStorageError("List for '" + path + "' must own its objects");
  if (!ListStored(path, itemName) && StorageOptions().DefaultIfValueNotExists())
    return list.Count();
  std::vector<std::pair<std::string, std::unique_ptr<TObject>>> items;
  TJvCustomAppStorage& target = *ResolvePath(path + "\\*").Store;
  ReadObjectItems(
      path, itemCreator, itemName,
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        const std::string itemPath = ChildPath(path, ItemNameIndexPath(itemName, i));
        const std::string objectPath = ChildPath(itemPath, "Object");
        std::unique_ptr<TObject> object = target.FCurrentInstanceCreateEvent(*this, objectPath, i);
        std::string text = ReadString(ChildPath(itemPath, "Itemname"), "");
        ReadPersistent(objectPath, object.get(), true, true);
        items.emplace_back(std::move(text), std::move(object));
      });
  if (clearFirst) list.Clear();
  for (auto& [text, object] : items) list.AddObject(std::move(text), object.release());
  return list.Count();
}

void TJvCustomAppStorage::WriteStringObjectList(const std::string& path, const TStringList& list,
                                                const std::string& itemName) {
  WriteList(
      path, &list, list.Count(),
      [&](TJvCustomAppStorage&, const std::string&, const TObject*, int32_t i, const std::string&) {
        const std::string itemPath = ChildPath(path, ItemNameIndexPath(itemName, i));
        WriteString(ChildPath(itemPath, "Itemname"), list.Strings(i));
        WritePersistent(ChildPath(itemPath, "Object"), list.Objects(i));
      },
      &DeleteListItems, itemName);
}

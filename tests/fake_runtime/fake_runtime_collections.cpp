// String lists and maps of the fake runtime; each collection counts as live until freed.
#include "fake_runtime_state.h"

using namespace FakeRuntime::Internal;

namespace {

template <class TCollection>
TCollection* NewCollection() {
  auto* collection = new TCollection();
  auto& state = State();
  std::lock_guard guard(state.Lock);
  state.LiveCollections.insert(collection);
  return collection;
}

template <class TCollection>
void FreeCollection(TCollection* collection) {
  if (!collection) return;
  auto& state = State();
  std::lock_guard guard(state.Lock);
  if (state.LiveCollections.erase(collection) == 0) {
    state.Problems.push_back("a string collection the runtime did not allocate was freed");
    return;
  }
  delete collection;
}

// Copies text into output when index is inside items; 0 otherwise.
template <class TItems, class TPick>
int32_t ReadAt(const TItems& items, int32_t index, TCefStringUtf16* output, TPick pick) {
  if (index < 0 || static_cast<size_t>(index) >= items.size() || !output) return 0;
  SetOwnedUtf16(output, pick(items[static_cast<size_t>(index)]));
  return 1;
}

const std::u16string& ItemText(const std::u16string& item) {
  return item;
}

}  // namespace

TCefStringList cef_string_list_alloc(void) {
  Record("cef_string_list_alloc");
  return NewCollection<TCefStringListData>();
}

int32_t cef_string_list_size(TCefStringList list) {
  Record("cef_string_list_size");
  return list ? static_cast<int32_t>(list->Items.size()) : 0;
}

int32_t cef_string_list_value(TCefStringList list, int32_t index, TCefStringUtf16* value) {
  Record("cef_string_list_value");
  return list ? ReadAt(list->Items, index, value, ItemText) : 0;
}

void cef_string_list_append(TCefStringList list, TCefConstString* value) {
  Record("cef_string_list_append");
  if (list) list->Items.push_back(ReadUtf16(value));
}

void cef_string_list_clear(TCefStringList list) {
  Record("cef_string_list_clear");
  if (list) list->Items.clear();
}

void cef_string_list_free(TCefStringList list) {
  Record("cef_string_list_free");
  FreeCollection(list);
}

TCefStringList cef_string_list_copy(TCefStringList list) {
  Record("cef_string_list_copy");
  auto* copy = NewCollection<TCefStringListData>();
  if (list) copy->Items = list->Items;
  return copy;
}

TCefStringMap cef_string_map_alloc(void) {
  Record("cef_string_map_alloc");
  return NewCollection<TCefStringMapData>();
}

int32_t cef_string_map_size(TCefStringMap map) {
  Record("cef_string_map_size");
  return map ? static_cast<int32_t>(map->Entries.size()) : 0;
}

int32_t cef_string_map_find(TCefStringMap map, TCefConstString* key, TCefStringUtf16* value) {
  Record("cef_string_map_find");
  if (!map || !value) return 0;
  const std::u16string wanted = ReadUtf16(key);
  for (const auto& [entryKey, entryValue] : map->Entries)
    if (entryKey == wanted) {
      SetOwnedUtf16(value, entryValue);
      return 1;
    }
  return 0;
}

int32_t cef_string_map_key(TCefStringMap map, int32_t index, TCefStringUtf16* key) {
  Record("cef_string_map_key");
  return map ? ReadAt(map->Entries, index, key, [](const auto& entry) { return entry.first; }) : 0;
}

int32_t cef_string_map_value(TCefStringMap map, int32_t index, TCefStringUtf16* value) {
  Record("cef_string_map_value");
  return map ? ReadAt(map->Entries, index, value, [](const auto& entry) { return entry.second; })
             : 0;
}

int32_t cef_string_map_append(TCefStringMap map, TCefConstString* key, TCefConstString* value) {
  Record("cef_string_map_append");
  if (!map) return 0;
  map->Entries.emplace_back(ReadUtf16(key), ReadUtf16(value));
  return 1;
}

void cef_string_map_clear(TCefStringMap map) {
  Record("cef_string_map_clear");
  if (map) map->Entries.clear();
}

void cef_string_map_free(TCefStringMap map) {
  Record("cef_string_map_free");
  FreeCollection(map);
}

TCefStringMultimap cef_string_multimap_alloc(void) {
  Record("cef_string_multimap_alloc");
  return NewCollection<TCefStringMultimapData>();
}

int32_t cef_string_multimap_size(TCefStringMultimap map) {
  Record("cef_string_multimap_size");
  return map ? static_cast<int32_t>(map->Entries.size()) : 0;
}

int32_t cef_string_multimap_append(TCefStringMultimap map, TCefConstString* key,
                                   TCefConstString* value) {
  Record("cef_string_multimap_append");
  if (!map) return 0;
  map->Entries.emplace_back(ReadUtf16(key), ReadUtf16(value));
  return 1;
}

int32_t cef_string_multimap_key(TCefStringMultimap map, int32_t index, TCefStringUtf16* key) {
  Record("cef_string_multimap_key");
  return map ? ReadAt(map->Entries, index, key, [](const auto& entry) { return entry.first; }) : 0;
}

int32_t cef_string_multimap_value(TCefStringMultimap map, int32_t index, TCefStringUtf16* value) {
  Record("cef_string_multimap_value");
  return map ? ReadAt(map->Entries, index, value, [](const auto& entry) { return entry.second; })
             : 0;
}

void cef_string_multimap_free(TCefStringMultimap map) {
  Record("cef_string_multimap_free");
  FreeCollection(map);
}

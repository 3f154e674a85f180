// String lists, maps and multimaps: opaque handles owning copies of their text. Every entry
// that allocates answers null, 0 or nothing when memory runs out instead of unwinding.

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "RtGuard.h"
#include "RtStrings.h"
#include "cef_capi.h"

struct TCefStringListData {
  std::vector<std::u16string> Items;
};

struct TCefStringMapData {
  std::map<std::u16string, std::u16string> Items;
};

struct TCefStringMultimapData {
  std::multimap<std::u16string, std::u16string> Items;
};

namespace {

using TPair = std::pair<const std::u16string, std::u16string>;

const std::u16string& ItemOf(const std::u16string& item) {
  return item;
}
const std::u16string& KeyOf(const TPair& item) {
  return item.first;
}
const std::u16string& ValueOf(const TPair& item) {
  return item.second;
}

// Index-based access shared by the three collections; false outside the collection.
template <class TItems, class TPick>
int32_t CopyAt(const TItems* items, int32_t index, TCefStringUtf16* output, TPick pick) {
  if (!items || !output || index < 0 || size_t(index) >= items->size()) return 0;
  AssignOwned(*output, pick(*std::next(items->begin(), index)));
  return 1;
}

int32_t SizeOf(size_t size) {
  return int32_t(std::min<size_t>(size, INT32_MAX));
}

template <class TBody>
int32_t Counted(const char* where, TBody body) {
  return Guarded(where, body, int32_t(0));
}

template <class TData>
TData* Allocated(const char* where) {
  return Guarded(
      where, [] { return new TData; }, static_cast<TData*>(nullptr));
}

}  // namespace

extern "C" {

TCefStringList cef_string_list_alloc(void) {
  return Allocated<TCefStringListData>("cef_string_list_alloc");
}

int32_t cef_string_list_size(TCefStringList list) {
  return list ? SizeOf(list->Items.size()) : 0;
}

int32_t cef_string_list_value(TCefStringList list, int32_t index, TCefStringUtf16* value) {
  return Counted("cef_string_list_value",
                 [&] { return CopyAt(list ? &list->Items : nullptr, index, value, ItemOf); });
}

void cef_string_list_append(TCefStringList list, TCefConstString* value) {
  Guarded("cef_string_list_append", [&] {
    if (list) list->Items.push_back(ToU16(value));
  });
}

void cef_string_list_clear(TCefStringList list) {
  if (list) list->Items.clear();
}

void cef_string_list_free(TCefStringList list) {
  delete list;
}

TCefStringList cef_string_list_copy(TCefStringList list) {
  return Guarded(
      "cef_string_list_copy", [&] { return list ? new TCefStringListData(*list) : nullptr; },
      TCefStringList(nullptr));
}

TCefStringMap cef_string_map_alloc(void) {
  return Allocated<TCefStringMapData>("cef_string_map_alloc");
}

int32_t cef_string_map_size(TCefStringMap map) {
  return map ? SizeOf(map->Items.size()) : 0;
}

int32_t cef_string_map_find(TCefStringMap map, TCefConstString* key, TCefStringUtf16* value) {
  return Counted("cef_string_map_find", [&]() -> int32_t {
    if (!map || !value) return 0;
    auto found = map->Items.find(ToU16(key));
    if (found == map->Items.end()) return 0;
    AssignOwned(*value, found->second);
    return 1;
  });
}

int32_t cef_string_map_key(TCefStringMap map, int32_t index, TCefStringUtf16* key) {
  return Counted("cef_string_map_key",
                 [&] { return CopyAt(map ? &map->Items : nullptr, index, key, KeyOf); });
}

int32_t cef_string_map_value(TCefStringMap map, int32_t index, TCefStringUtf16* value) {
  return Counted("cef_string_map_value",
                 [&] { return CopyAt(map ? &map->Items : nullptr, index, value, ValueOf); });
}

// A key already present keeps its value.
int32_t cef_string_map_append(TCefStringMap map, TCefConstString* key, TCefConstString* value) {
  return Counted("cef_string_map_append", [&]() -> int32_t {
    if (!map) return 0;
    map->Items.emplace(ToU16(key), ToU16(value));
    return 1;
  });
}

void cef_string_map_clear(TCefStringMap map) {
  if (map) map->Items.clear();
}

void cef_string_map_free(TCefStringMap map) {
  delete map;
}

TCefStringMultimap cef_string_multimap_alloc(void) {
  return Allocated<TCefStringMultimapData>("cef_string_multimap_alloc");
}

int32_t cef_string_multimap_size(TCefStringMultimap map) {
  return map ? SizeOf(map->Items.size()) : 0;
}

int32_t cef_string_multimap_find_count(TCefStringMultimap map, TCefConstString* key) {
  return Counted("cef_string_multimap_find_count",
                 [&] { return map ? SizeOf(map->Items.count(ToU16(key))) : 0; });
}

int32_t cef_string_multimap_enumerate(TCefStringMultimap map, TCefConstString* key,
                                      int32_t value_index, TCefStringUtf16* value) {
  return Counted("cef_string_multimap_enumerate", [&]() -> int32_t {
    if (!map || !value || value_index < 0) return 0;
    auto [first, last] = map->Items.equal_range(ToU16(key));
    if (value_index >= std::distance(first, last)) return 0;
    AssignOwned(*value, std::next(first, value_index)->second);
    return 1;
  });
}

int32_t cef_string_multimap_key(TCefStringMultimap map, int32_t index, TCefStringUtf16* key) {
  return Counted("cef_string_multimap_key",
                 [&] { return CopyAt(map ? &map->Items : nullptr, index, key, KeyOf); });
}

int32_t cef_string_multimap_value(TCefStringMultimap map, int32_t index, TCefStringUtf16* value) {
  return Counted("cef_string_multimap_value",
                 [&] { return CopyAt(map ? &map->Items : nullptr, index, value, ValueOf); });
}

int32_t cef_string_multimap_append(TCefStringMultimap map, TCefConstString* key,
                                   TCefConstString* value) {
  return Counted("cef_string_multimap_append", [&]() -> int32_t {
    if (!map) return 0;
    map->Items.emplace(ToU16(key), ToU16(value));
    return 1;
  });
}

void cef_string_multimap_clear(TCefStringMultimap map) {
  if (map) map->Items.clear();
}

void cef_string_multimap_free(TCefStringMultimap map) {
  delete map;
}

}  // extern "C"

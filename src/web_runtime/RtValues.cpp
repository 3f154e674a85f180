// Binary, list and dictionary value objects. Nothing the runtime makes here is read-only: such
// values only come from another process, and this runtime passes none.

#include "RtValues.h"

#include <algorithm>
#include <cstring>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"

namespace {

using TBytesPtr = std::shared_ptr<const TRtBytes>;
using TDictionaryPtr = std::shared_ptr<TRtDictionaryData>;
using TListPtr = std::shared_ptr<TRtListData>;

template <class TResult, class TBody>
TResult Answer(TBody body, TResult fallback) {
  return Guarded("value entry", body, fallback);
}

// ---- Copies --------------------------------------------------------------------------------

TRtValue CopyOf(const TRtValue& value, bool excludeEmpty);

bool IsEmptyContainer(const TRtValue& value) {
  if (auto* dictionary = std::get_if<TDictionaryPtr>(&value)) return (*dictionary)->Items.empty();
  if (auto* list = std::get_if<TListPtr>(&value)) return (*list)->Items.empty();
  return false;
}

TDictionaryPtr CopiedDictionary(const TRtDictionaryData& source, bool excludeEmpty) {
  auto copy = std::make_shared<TRtDictionaryData>();
  for (const auto& [key, value] : source.Items) {
    TRtValue child = CopyOf(value, excludeEmpty);
    if (!excludeEmpty || !IsEmptyContainer(child)) copy->Items.emplace(key, std::move(child));
  }
  return copy;
}

TListPtr CopiedList(const TRtListData& source, bool excludeEmpty) {
  auto copy = std::make_shared<TRtListData>();
  for (const auto& value : source.Items) {
    TRtValue child = CopyOf(value, excludeEmpty);
    if (!excludeEmpty || !IsEmptyContainer(child)) copy->Items.push_back(std::move(child));
  }
  return copy;
}

// Bytes never change once made, so copies share them.
TRtValue CopyOf(const TRtValue& value, bool excludeEmpty) {
  if (auto* dictionary = std::get_if<TDictionaryPtr>(&value))
    return CopiedDictionary(**dictionary, excludeEmpty);
  if (auto* list = std::get_if<TListPtr>(&value)) return CopiedList(**list, excludeEmpty);
  return value;
}

// ---- Binary values -------------------------------------------------------------------------

class TRtBinaryValue final : public TRtCounted {
 public:
  static TCefBinaryValue* New(TBytesPtr bytes, bool owned) {
    return &(new TRtBinaryValue(std::move(bytes), owned))->FFace.Struct;
  }
  // The bytes of one of our binary values; null for anything else.
  static TBytesPtr BytesOf(TCefBinaryValue* value) {
    if (!value || value->get_size != get_size) return nullptr;
    return OwnerOf<TRtBinaryValue>(value).FBytes;
  }

 private:
  TRtBinaryValue(TBytesPtr bytes, bool owned) : FBytes(std::move(bytes)), FOwned(owned) {
    InitFace(FFace, this);
    FFace.Struct.is_valid = is_valid;
    FFace.Struct.is_owned = is_owned;
    FFace.Struct.copy = copy;
    FFace.Struct.get_size = get_size;
    FFace.Struct.get_data = get_data;
  }
  static TRtBinaryValue& Of(TCefBinaryValue* self) { return OwnerOf<TRtBinaryValue>(self); }

  static TCefBool CEF_CALLBACK is_valid(TCefBinaryValue*) { return 1; }
  static TCefBool CEF_CALLBACK is_owned(TCefBinaryValue* self) { return Of(self).FOwned; }
  static TCefBinaryValue* CEF_CALLBACK copy(TCefBinaryValue* self) {
    return Answer([&] { return New(Of(self).FBytes, false); }, (TCefBinaryValue*)nullptr);
  }
  static size_t CEF_CALLBACK get_size(TCefBinaryValue* self) { return Of(self).FBytes->size(); }
  // Copies what lies between the offset and the end, as much as fits.
  static size_t CEF_CALLBACK get_data(TCefBinaryValue* self, void* buffer, size_t bufferSize,
                                      size_t offset) {
    const TRtBytes& bytes = *Of(self).FBytes;
    if (!buffer || offset >= bytes.size()) return 0;
    const size_t count = std::min(bufferSize, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, count);
    return count;
  }

  TFace<TCefBinaryValue> FFace;
  TBytesPtr FBytes;
  bool FOwned;
};

// ---- Lists and dictionaries ----------------------------------------------------------------

// How a list addresses its entries: by index; setting past the end grows it with nulls.
struct TListAccess {
  using TStruct = TCefListValue;
  using TData = TRtListData;
  using TAddress = int32_t;

  static TRtValue* Find(TData& data, int32_t index) {
    return index >= 0 && size_t(index) < data.Items.size() ? &data.Items[size_t(index)] : nullptr;
  }
  static TRtValue* Slot(TData& data, int32_t index) {
    if (index < 0) return nullptr;
    if (size_t(index) >= data.Items.size()) data.Items.resize(size_t(index) + 1);
    return &data.Items[size_t(index)];
  }
  static bool Remove(TData& data, int32_t index) {
    if (!Find(data, index)) return false;
    data.Items.erase(data.Items.begin() + index);
    return true;
  }
};

// How a dictionary addresses its entries: by key.
struct TDictionaryAccess {
  using TStruct = TCefDictionaryValue;
  using TData = TRtDictionaryData;
  using TAddress = TCefConstString*;

  static TRtValue* Find(TData& data, TCefConstString* key) {
    auto found = data.Items.find(ToU16(key));
    return found == data.Items.end() ? nullptr : &found->second;
  }
  static TRtValue* Slot(TData& data, TCefConstString* key) { return &data.Items[ToU16(key)]; }
  static bool Remove(TData& data, TCefConstString* key) { return data.Items.erase(ToU16(key)) > 0; }
};

template <class TAccess>
class TRtContainerValue final : public TRtCounted {
  using TStruct = typename TAccess::TStruct;
  using TData = typename TAccess::TData;
  using TAddress = typename TAccess::TAddress;

 public:
  static TStruct* New(std::shared_ptr<TData> data, bool owned) {
    return &(new TRtContainerValue(std::move(data), owned))->FFace.Struct;
  }
  // The data of one of our containers of this kind; null for anything else.
  static std::shared_ptr<TData> DataOf(TStruct* value) {
    if (!value || value->get_size != get_size) return nullptr;
    return OwnerOf<TRtContainerValue>(value).FData;
  }

 private:
  TRtContainerValue(std::shared_ptr<TData> data, bool owned)
      : FData(std::move(data)), FOwned(owned) {
    InitFace(FFace, this);
    TStruct& face = FFace.Struct;
    face.is_valid = is_valid;
    face.is_owned = is_owned;
    face.is_read_only = is_read_only;
    face.get_size = get_size;
    face.clear = clear;
    face.remove = remove;
    face.get_type = get_type;
    face.get_bool = get_bool;
    face.get_int = get_int;
    face.get_double = get_double;
    face.get_string = get_string;
    face.get_binary = get_binary;
    face.get_dictionary = get_dictionary;
    face.get_list = get_list;
    face.set_null = set_null;
    face.set_bool = set_bool;
    face.set_int = set_int;
    face.set_double = set_double;
    face.set_string = set_string;
    face.set_binary = set_binary;
    face.set_dictionary = set_dictionary;
    face.set_list = set_list;
    InitKindEntries(face);
  }

  static TData& DataOfSelf(TStruct* self) { return *OwnerOf<TRtContainerValue>(self).FData; }

  // The entry's value of type T, or fallback when absent or of another type.
  template <class T>
  static T Get(TStruct* self, TAddress at, T fallback) {
    return Answer(
        [&] {
          const TRtValue* value = TAccess::Find(DataOfSelf(self), at);
          const T* typed = value ? std::get_if<T>(value) : nullptr;
          return typed ? *typed : fallback;
        },
        fallback);
  }

  static TCefBool Set(TStruct* self, TAddress at, TRtValue value) {
    return Answer(
        [&]() -> TCefBool {
          TRtValue* slot = TAccess::Slot(DataOfSelf(self), at);
          if (!slot) return 0;
          *slot = std::move(value);
          return 1;
        },
        TCefBool(0));
  }

  // A container set into this one: copied, and the caller's reference released.
  template <class TChild, class TChildStruct>
  static TCefBool SetCopyOf(TStruct* self, TAddress at, TChildStruct* value) {
    TClientRef<TChildStruct> held(value);
    auto data = TRtContainerValue<TChild>::DataOf(value);
    if (!data) return 0;
    return Answer([&] { return Set(self, at, CopyOf(TRtValue(data), false)); }, TCefBool(0));
  }

  static TCefBool CEF_CALLBACK is_valid(TStruct*) { return 1; }
  static TCefBool CEF_CALLBACK is_owned(TStruct* self) {
    return OwnerOf<TRtContainerValue>(self).FOwned;
  }
  static TCefBool CEF_CALLBACK is_read_only(TStruct*) { return 0; }
  static size_t CEF_CALLBACK get_size(TStruct* self) { return DataOfSelf(self).Items.size(); }
  static TCefBool CEF_CALLBACK clear(TStruct* self) {
    DataOfSelf(self).Items.clear();
    return 1;
  }
  static TCefBool CEF_CALLBACK remove(TStruct* self, TAddress at) {
    return Answer([&] { return TCefBool(TAccess::Remove(DataOfSelf(self), at)); }, TCefBool(0));
  }
  static TCefValueType CEF_CALLBACK get_type(TStruct* self, TAddress at) {
    return Answer(
        [&] {
          const TRtValue* value = TAccess::Find(DataOfSelf(self), at);
          return value ? TCefValueType(VTYPE_NULL + value->index()) : VTYPE_INVALID;
        },
        VTYPE_INVALID);
  }
  static TCefBool CEF_CALLBACK get_bool(TStruct* self, TAddress at) {
    return Get<bool>(self, at, false);
  }
  static int32_t CEF_CALLBACK get_int(TStruct* self, TAddress at) {
    return Get<int32_t>(self, at, 0);
  }
  // An integer reads as a double too.
  static double CEF_CALLBACK get_double(TStruct* self, TAddress at) {
    if (get_type(self, at) == VTYPE_INT) return get_int(self, at);
    return Get<double>(self, at, 0.0);
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_string(TStruct* self, TAddress at) {
    return Answer(
        [&]() -> TCefStringUserFreeUtf16 {
          if (get_type(self, at) != VTYPE_STRING) return nullptr;
          return UserFreeCopy(Get<std::u16string>(self, at, {}));
        },
        TCefStringUserFreeUtf16(nullptr));
  }
  static TCefBinaryValue* CEF_CALLBACK get_binary(TStruct* self, TAddress at) {
    return Answer(
        [&]() -> TCefBinaryValue* {
          TBytesPtr bytes = Get<TBytesPtr>(self, at, nullptr);
          return bytes ? TRtBinaryValue::New(bytes, true) : nullptr;
        },
        (TCefBinaryValue*)nullptr);
  }
  static TCefDictionaryValue* CEF_CALLBACK get_dictionary(TStruct* self, TAddress at) {
    return Answer(
        [&]() -> TCefDictionaryValue* {
          TDictionaryPtr data = Get<TDictionaryPtr>(self, at, nullptr);
          return data ? TRtContainerValue<TDictionaryAccess>::New(data, true) : nullptr;
        },
        (TCefDictionaryValue*)nullptr);
  }
  static TCefListValue* CEF_CALLBACK get_list(TStruct* self, TAddress at) {
    return Answer(
        [&]() -> TCefListValue* {
          TListPtr data = Get<TListPtr>(self, at, nullptr);
          return data ? TRtContainerValue<TListAccess>::New(data, true) : nullptr;
        },
        (TCefListValue*)nullptr);
  }
  static TCefBool CEF_CALLBACK set_null(TStruct* self, TAddress at) {
    return Set(self, at, std::monostate{});
  }
  static TCefBool CEF_CALLBACK set_bool(TStruct* self, TAddress at, TCefBool value) {
    return Set(self, at, value != 0);
  }
  static TCefBool CEF_CALLBACK set_int(TStruct* self, TAddress at, int32_t value) {
    return Set(self, at, value);
  }
  static TCefBool CEF_CALLBACK set_double(TStruct* self, TAddress at, double value) {
    return Set(self, at, value);
  }
  static TCefBool CEF_CALLBACK set_string(TStruct* self, TAddress at, TCefConstString* value) {
    return Answer([&] { return Set(self, at, ToU16(value)); }, TCefBool(0));
  }
  static TCefBool CEF_CALLBACK set_binary(TStruct* self, TAddress at, TCefBinaryValue* value) {
    TClientRef<TCefBinaryValue> held(value);
    TBytesPtr bytes = TRtBinaryValue::BytesOf(value);
    return bytes ? Set(self, at, bytes) : 0;
  }
  static TCefBool CEF_CALLBACK set_dictionary(TStruct* self, TAddress at,
                                              TCefDictionaryValue* value) {
    return SetCopyOf<TDictionaryAccess>(self, at, value);
  }
  static TCefBool CEF_CALLBACK set_list(TStruct* self, TAddress at, TCefListValue* value) {
    return SetCopyOf<TListAccess>(self, at, value);
  }

  // ---- Entries only a list has ----
  static void InitKindEntries(TCefListValue& face) {
    face.copy = copy_list;
    face.set_size = set_size;
  }
  static TCefListValue* CEF_CALLBACK copy_list(TCefListValue* self) {
    return Answer([&] { return NewListValue(CopyOfList(DataOfSelf(self)), false); },
                  (TCefListValue*)nullptr);
  }
  static TCefBool CEF_CALLBACK set_size(TCefListValue* self, size_t size) {
    return Answer(
        [&] {
          DataOfSelf(self).Items.resize(size);
          return TCefBool(1);
        },
        TCefBool(0));
  }

  // ---- Entries only a dictionary has ----
  static void InitKindEntries(TCefDictionaryValue& face) {
    face.copy = copy_dictionary;
    face.has_key = has_key;
    face.get_keys = get_keys;
  }
  static TCefDictionaryValue* CEF_CALLBACK copy_dictionary(TCefDictionaryValue* self,
                                                           TCefBool excludeEmptyChildren) {
    return Answer(
        [&] { return New(CopiedDictionary(DataOfSelf(self), excludeEmptyChildren != 0), false); },
        (TCefDictionaryValue*)nullptr);
  }
  static TCefBool CEF_CALLBACK has_key(TCefDictionaryValue* self, TCefConstString* key) {
    return get_type(self, key) != VTYPE_INVALID;
  }
  static TCefBool CEF_CALLBACK get_keys(TCefDictionaryValue* self, TCefStringList keys) {
    if (!keys) return 0;
    for (const auto& item : DataOfSelf(self).Items) {
      TCefStringUtf16 key = Borrow(item.first);
      cef_string_list_append(keys, &key);
    }
    return 1;
  }

  TFace<TStruct> FFace;
  std::shared_ptr<TData> FData;
  bool FOwned;
};

using TRtListValue = TRtContainerValue<TListAccess>;
using TRtDictionaryValue = TRtContainerValue<TDictionaryAccess>;

}  // namespace

std::shared_ptr<TRtListData> CopyOfList(const TRtListData& list) {
  return CopiedList(list, false);
}

TCefListValue* NewListValue(std::shared_ptr<TRtListData> data, bool owned) {
  return TRtListValue::New(std::move(data), owned);
}

TCefStringUserFreeUtf16 UserFreeCopy(const std::u16string& text) {
  TCefStringUserFreeUtf16 record = cef_string_userfree_utf16_alloc();
  if (record) AssignOwned(*record, text);
  return record;
}

extern "C" {

// Null data gives null unless there are no bytes.
TCefBinaryValue* cef_binary_value_create(const void* data, size_t size) {
  return Answer(
      [&]() -> TCefBinaryValue* {
        if (!data && size > 0) return nullptr;
        auto* bytes = static_cast<const uint8_t*>(data);
        return TRtBinaryValue::New(std::make_shared<const TRtBytes>(bytes, bytes + size), false);
      },
      (TCefBinaryValue*)nullptr);
}

TCefDictionaryValue* cef_dictionary_value_create(void) {
  return Answer(
      [] { return TRtDictionaryValue::New(std::make_shared<TRtDictionaryData>(), false); },
      (TCefDictionaryValue*)nullptr);
}

TCefListValue* cef_list_value_create(void) {
  return Answer([] { return NewListValue(std::make_shared<TRtListData>(), false); },
                (TCefListValue*)nullptr);
}

}  // extern "C"

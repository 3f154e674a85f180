#include "ceflib_values.h"

#include "ceflib_api.h"

TRef<ICefBinaryValue> TCefBinaryValueRef::New(const void* data, size_t size) {
  return UnWrap(RuntimeApi.cef_binary_value_create(data, size));
}

TRef<ICefListValue> TCefListValueRef::New() {
  return UnWrap(RuntimeApi.cef_list_value_create());
}

TRef<ICefDictionaryValue> TCefDictionaryValueRef::New() {
  return UnWrap(RuntimeApi.cef_dictionary_value_create());
}

bool TCefDictionaryValueRef::get_keys(std::vector<ustring>& keys) {
  bool result = false;
  ReadRuntimeStringList(keys, [&](TCefStringList list) {
    result = CallEntry<bool>(Data(), &TCefDictionaryValue::get_keys, list);
  });
  return result;
}

TRef<ICefProcessMessage> TCefProcessMessageRef::New(const ustring& name) {
  return UnWrap(RuntimeApi.cef_process_message_create(ToRuntime(name)));
}

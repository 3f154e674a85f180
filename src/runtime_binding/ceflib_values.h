#pragma once

#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_types.h"

// Messages between processes and the value containers they carry.

class ICefBinaryValue : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_owned() = 0;
  virtual TRef<ICefBinaryValue> copy() = 0;
  virtual size_t get_size() = 0;
  virtual size_t get_data(void* buffer, size_t bufferSize, size_t dataOffset) = 0;
};

class ICefListValue : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_owned() = 0;
  virtual bool is_read_only() = 0;
  virtual TRef<ICefListValue> copy() = 0;
  virtual bool set_size(size_t size) = 0;
  virtual size_t get_size() = 0;
  virtual bool clear() = 0;
  virtual bool remove(int32_t index) = 0;
  virtual TCefValueType get_type(int32_t index) = 0;
  virtual bool get_bool(int32_t index) = 0;
  virtual int32_t get_int(int32_t index) = 0;
  virtual double get_double(int32_t index) = 0;
  virtual ustring get_string(int32_t index) = 0;
  virtual TRef<ICefBinaryValue> get_binary(int32_t index) = 0;
  virtual TRef<ICefDictionaryValue> get_dictionary(int32_t index) = 0;
  virtual TRef<ICefListValue> get_list(int32_t index) = 0;
  virtual bool set_null(int32_t index) = 0;
  virtual bool set_bool(int32_t index, bool value) = 0;
  virtual bool set_int(int32_t index, int32_t value) = 0;
  virtual bool set_double(int32_t index, double value) = 0;
  virtual bool set_string(int32_t index, const ustring& value) = 0;
  virtual bool set_binary(int32_t index, const TRef<ICefBinaryValue>& value) = 0;
  virtual bool set_dictionary(int32_t index, const TRef<ICefDictionaryValue>& value) = 0;
  virtual bool set_list(int32_t index, const TRef<ICefListValue>& value) = 0;
};

class ICefDictionaryValue : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_owned() = 0;
  virtual bool is_read_only() = 0;
  virtual TRef<ICefDictionaryValue> copy(bool excludeEmptyChildren) = 0;
  virtual size_t get_size() = 0;
  virtual bool clear() = 0;
  virtual bool has_key(const ustring& key) = 0;
  // Appends the keys to keys.
  virtual bool get_keys(std::vector<ustring>& keys) = 0;
  virtual bool remove(const ustring& key) = 0;
  virtual TCefValueType get_type(const ustring& key) = 0;
  virtual bool get_bool(const ustring& key) = 0;
  virtual int32_t get_int(const ustring& key) = 0;
  virtual double get_double(const ustring& key) = 0;
  virtual ustring get_string(const ustring& key) = 0;
  virtual TRef<ICefBinaryValue> get_binary(const ustring& key) = 0;
  virtual TRef<ICefDictionaryValue> get_dictionary(const ustring& key) = 0;
  virtual TRef<ICefListValue> get_list(const ustring& key) = 0;
  virtual bool set_null(const ustring& key) = 0;
  virtual bool set_bool(const ustring& key, bool value) = 0;
  virtual bool set_int(const ustring& key, int32_t value) = 0;
  virtual bool set_double(const ustring& key, double value) = 0;
  virtual bool set_string(const ustring& key, const ustring& value) = 0;
  virtual bool set_binary(const ustring& key, const TRef<ICefBinaryValue>& value) = 0;
  virtual bool set_dictionary(const ustring& key, const TRef<ICefDictionaryValue>& value) = 0;
  virtual bool set_list(const ustring& key, const TRef<ICefListValue>& value) = 0;
};

class ICefProcessMessage : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_read_only() = 0;
  virtual TRef<ICefProcessMessage> copy() = 0;
  virtual ustring get_name() = 0;
  virtual TRef<ICefListValue> get_argument_list() = 0;
};

CEF_WRAPS(TCefBinaryValueRef, ICefBinaryValue, TCefBinaryValue);
CEF_WRAPS(TCefListValueRef, ICefListValue, TCefListValue);
CEF_WRAPS(TCefDictionaryValueRef, ICefDictionaryValue, TCefDictionaryValue);
CEF_WRAPS(TCefProcessMessageRef, ICefProcessMessage, TCefProcessMessage);

class TCefBinaryValueRef
    : public TCefBaseRefOf<TCefBinaryValueRef, ICefBinaryValue, TCefBinaryValue> {
  using T = TCefBinaryValue;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefBinaryValue> New(const void* data, size_t size);

  bool is_valid() override { return CallEntry<bool>(Data(), &T::is_valid); }
  bool is_owned() override { return CallEntry<bool>(Data(), &T::is_owned); }
  TRef<ICefBinaryValue> copy() override {
    return CallEntry<TRef<ICefBinaryValue>>(Data(), &T::copy);
  }
  size_t get_size() override { return CallEntry<size_t>(Data(), &T::get_size); }
  size_t get_data(void* buffer, size_t bufferSize, size_t dataOffset) override {
    return CallEntry<size_t>(Data(), &T::get_data, buffer, bufferSize, dataOffset);
  }
};

// The list and the dictionary differ only in how an entry is addressed (index or key).
template <class TSelf, class TInterface, class TStruct, class TAddress>
class TCefValueContainerRef : public TCefBaseRefOf<TSelf, TInterface, TStruct> {
  using T = TStruct;

 public:
  using TCefBaseRefOf<TSelf, TInterface, TStruct>::TCefBaseRefOf;

  bool is_valid() override { return CallEntry<bool>(Data(), &T::is_valid); }
  bool is_owned() override { return CallEntry<bool>(Data(), &T::is_owned); }
  bool is_read_only() override { return CallEntry<bool>(Data(), &T::is_read_only); }
  size_t get_size() override { return CallEntry<size_t>(Data(), &T::get_size); }
  bool clear() override { return CallEntry<bool>(Data(), &T::clear); }
  bool remove(TAddress at) override { return CallEntry<bool>(Data(), &T::remove, at); }
  TCefValueType get_type(TAddress at) override {
    return CallEntry<TCefValueType>(Data(), &T::get_type, at);
  }
  bool get_bool(TAddress at) override { return CallEntry<bool>(Data(), &T::get_bool, at); }
  int32_t get_int(TAddress at) override { return CallEntry<int32_t>(Data(), &T::get_int, at); }
  double get_double(TAddress at) override { return CallEntry<double>(Data(), &T::get_double, at); }
  ustring get_string(TAddress at) override {
    return CallEntry<ustring>(Data(), &T::get_string, at);
  }
  TRef<ICefBinaryValue> get_binary(TAddress at) override {
    return CallEntry<TRef<ICefBinaryValue>>(Data(), &T::get_binary, at);
  }
  TRef<ICefDictionaryValue> get_dictionary(TAddress at) override {
    return CallEntry<TRef<ICefDictionaryValue>>(Data(), &T::get_dictionary, at);
  }
  TRef<ICefListValue> get_list(TAddress at) override {
    return CallEntry<TRef<ICefListValue>>(Data(), &T::get_list, at);
  }
  bool set_null(TAddress at) override { return CallEntry<bool>(Data(), &T::set_null, at); }
  bool set_bool(TAddress at, bool value) override {
    return CallEntry<bool>(Data(), &T::set_bool, at, value);
  }
  bool set_int(TAddress at, int32_t value) override {
    return CallEntry<bool>(Data(), &T::set_int, at, value);
  }
  bool set_double(TAddress at, double value) override {
    return CallEntry<bool>(Data(), &T::set_double, at, value);
  }
  bool set_string(TAddress at, const ustring& value) override {
    return CallEntry<bool>(Data(), &T::set_string, at, value);
  }
  bool set_binary(TAddress at, const TRef<ICefBinaryValue>& value) override {
    return CallEntry<bool>(Data(), &T::set_binary, at, value);
  }
  bool set_dictionary(TAddress at, const TRef<ICefDictionaryValue>& value) override {
    return CallEntry<bool>(Data(), &T::set_dictionary, at, value);
  }
  bool set_list(TAddress at, const TRef<ICefListValue>& value) override {
    return CallEntry<bool>(Data(), &T::set_list, at, value);
  }

 protected:
  using TCefBaseRefOf<TSelf, TInterface, TStruct>::Data;
};

class TCefListValueRef
    : public TCefValueContainerRef<TCefListValueRef, ICefListValue, TCefListValue, int32_t> {
 public:
  using TCefValueContainerRef::TCefValueContainerRef;
  static TRef<ICefListValue> New();

  TRef<ICefListValue> copy() override {
    return CallEntry<TRef<ICefListValue>>(Data(), &TCefListValue::copy);
  }
  bool set_size(size_t size) override {
    return CallEntry<bool>(Data(), &TCefListValue::set_size, size);
  }
};

class TCefDictionaryValueRef
    : public TCefValueContainerRef<TCefDictionaryValueRef, ICefDictionaryValue, TCefDictionaryValue,
                                   const ustring&> {
 public:
  using TCefValueContainerRef::TCefValueContainerRef;
  static TRef<ICefDictionaryValue> New();

  TRef<ICefDictionaryValue> copy(bool excludeEmptyChildren) override {
    return CallEntry<TRef<ICefDictionaryValue>>(Data(), &TCefDictionaryValue::copy,
                                                excludeEmptyChildren);
  }
  bool has_key(const ustring& key) override {
    return CallEntry<bool>(Data(), &TCefDictionaryValue::has_key, key);
  }
  bool get_keys(std::vector<ustring>& keys) override;
};

class TCefProcessMessageRef
    : public TCefBaseRefOf<TCefProcessMessageRef, ICefProcessMessage, TCefProcessMessage> {
  using T = TCefProcessMessage;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefProcessMessage> New(const ustring& name);

  bool is_valid() override { return CallEntry<bool>(Data(), &T::is_valid); }
  bool is_read_only() override { return CallEntry<bool>(Data(), &T::is_read_only); }
  TRef<ICefProcessMessage> copy() override {
    return CallEntry<TRef<ICefProcessMessage>>(Data(), &T::copy);
  }
  ustring get_name() override { return CallEntry<ustring>(Data(), &T::get_name); }
  TRef<ICefListValue> get_argument_list() override {
    return CallEntry<TRef<ICefListValue>>(Data(), &T::get_argument_list);
  }
};

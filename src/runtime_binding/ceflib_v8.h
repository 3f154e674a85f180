#pragma once

#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_time.h"
#include "ceflib_types.h"

// The script engine: values, contexts, function handlers, exceptions and property accessors.

class ICefV8Exception : public virtual ICefBase {
 public:
  virtual ustring get_message() = 0;
  virtual ustring get_source_line() = 0;
  virtual ustring get_script_resource_name() = 0;
  virtual int32_t get_line_number() = 0;
  virtual int32_t get_start_position() = 0;
  virtual int32_t get_end_position() = 0;
  virtual int32_t get_start_column() = 0;
  virtual int32_t get_end_column() = 0;
};

class ICefv8Handler : public virtual ICefBase {
 public:
  virtual bool execute(const ustring& name, const TRef<ICefv8Value>& object,
                       const std::vector<TRef<ICefv8Value>>& arguments, TRef<ICefv8Value>& retval,
                       ustring& exception) = 0;
};

class ICefv8Context : public virtual ICefBase {
 public:
  virtual TRef<ICefBrowser> get_browser() = 0;
  virtual TRef<ICefFrame> get_frame() = 0;
  virtual TRef<ICefv8Value> get_global() = 0;
  virtual bool enter() = 0;
  virtual bool exit() = 0;
  virtual bool is_same(const TRef<ICefv8Context>& that) = 0;
  virtual bool eval(const ustring& code, TRef<ICefv8Value>& retval,
                    TRef<ICefV8Exception>& exception) = 0;
};

class ICefv8Value : public virtual ICefBase {
 public:
  virtual bool is_undefined() = 0;
  virtual bool is_null() = 0;
  virtual bool is_bool() = 0;
  virtual bool is_int() = 0;
  virtual bool is_uint() = 0;
  virtual bool is_double() = 0;
  virtual bool is_date() = 0;
  virtual bool is_string() = 0;
  virtual bool is_object() = 0;
  virtual bool is_array() = 0;
  virtual bool is_function() = 0;
  virtual bool is_same(const TRef<ICefv8Value>& that) = 0;
  virtual bool get_bool_value() = 0;
  virtual int32_t get_int_value() = 0;
  virtual uint32_t get_uint_value() = 0;
  virtual double get_double_value() = 0;
  virtual TDateTime get_date_value() = 0;
  virtual ustring get_string_value() = 0;
  virtual bool is_user_created() = 0;
  virtual bool has_exception() = 0;
  virtual TRef<ICefV8Exception> get_exception() = 0;
  virtual bool clear_exception() = 0;
  virtual bool will_rethrow_exceptions() = 0;
  virtual bool set_rethrow_exceptions(bool rethrow) = 0;
  virtual bool has_value_bykey(const ustring& key) = 0;
  virtual bool has_value_byindex(int32_t index) = 0;
  virtual bool delete_value_bykey(const ustring& key) = 0;
  virtual bool delete_value_byindex(int32_t index) = 0;
  virtual TRef<ICefv8Value> get_value_bykey(const ustring& key) = 0;
  virtual TRef<ICefv8Value> get_value_byindex(int32_t index) = 0;
  virtual bool set_value_bykey(const ustring& key, const TRef<ICefv8Value>& value,
                               TCefV8PropertyAttribute attribute) = 0;
  virtual bool set_value_byindex(int32_t index, const TRef<ICefv8Value>& value) = 0;
  virtual bool set_value_byaccessor(const ustring& key, TCefV8AccessControl settings,
                                    TCefV8PropertyAttribute attribute) = 0;
  // Appends the keys to keys; answers the runtime's result.
  virtual int32_t get_keys(std::vector<ustring>& keys) = 0;
  virtual bool set_user_data(const TRef<ICefBase>& data) = 0;
  virtual TRef<ICefBase> get_user_data() = 0;
  virtual int32_t get_externally_allocated_memory() = 0;
  virtual int32_t adjust_externally_allocated_memory(int32_t changeInBytes) = 0;
  virtual int32_t get_array_length() = 0;
  virtual ustring get_function_name() = 0;
  virtual TRef<ICefv8Handler> get_function_handler() = 0;
  virtual TRef<ICefv8Value> execute_function(const TRef<ICefv8Value>& object,
                                             const std::vector<TRef<ICefv8Value>>& arguments) = 0;
  virtual TRef<ICefv8Value> execute_function_with_context(
      const TRef<ICefv8Context>& context, const TRef<ICefv8Value>& object,
      const std::vector<TRef<ICefv8Value>>& arguments) = 0;
};

// Answers property reads and writes of a script object. The exception text is the runtime's;
// changing it has no effect.
class ICefV8Accessor : public virtual ICefBase {
 public:
  virtual bool get(const ustring& name, const TRef<ICefv8Value>& object, TRef<ICefv8Value>& value,
                   const ustring& exception) = 0;
  virtual bool set(const ustring& name, const TRef<ICefv8Value>& object,
                   const TRef<ICefv8Value>& value, const ustring& exception) = 0;
};

class TCefV8AccessorOwn : public TCefBaseOwn, public ICefV8Accessor {
 public:
  TCefV8AccessorOwn();
  bool get(const ustring&, const TRef<ICefv8Value>&, TRef<ICefv8Value>& value,
           const ustring&) override {
    value = nullptr;
    return false;
  }
  bool set(const ustring&, const TRef<ICefv8Value>&, const TRef<ICefv8Value>&,
           const ustring&) override {
    return false;
  }
};

class TCefFastV8Accessor : public TCefV8AccessorOwn {
 public:
  TCefFastV8Accessor(TCefV8AccessorGetterProc getter, TCefV8AccessorSetterProc setter)
      : FGetter(std::move(getter)), FSetter(std::move(setter)) {}
  bool get(const ustring& name, const TRef<ICefv8Value>& object, TRef<ICefv8Value>& value,
           const ustring& exception) override {
    return FGetter && FGetter(name, object, value, exception);
  }
  bool set(const ustring& name, const TRef<ICefv8Value>& object, const TRef<ICefv8Value>& value,
           const ustring& exception) override {
    return FSetter && FSetter(name, object, value, exception);
  }

 private:
  TCefV8AccessorGetterProc FGetter;
  TCefV8AccessorSetterProc FSetter;
};

CEF_WRAPS(TCefV8ExceptionRef, ICefV8Exception, TCefV8Exception);
CEF_WRAPS(TCefv8HandlerRef, ICefv8Handler, TCefv8Handler);
CEF_WRAPS(TCefv8ContextRef, ICefv8Context, TCefv8Context);
CEF_WRAPS(TCefv8ValueRef, ICefv8Value, TCefv8Value);
CEF_WRAPS(TCefBaseRef, ICefBase, TCefBase);

class TCefV8ExceptionRef
    : public TCefBaseRefOf<TCefV8ExceptionRef, ICefV8Exception, TCefV8Exception> {
  using T = TCefV8Exception;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  ustring get_message() override { return CallEntry<ustring>(Data(), &T::get_message); }
  ustring get_source_line() override { return CallEntry<ustring>(Data(), &T::get_source_line); }
  ustring get_script_resource_name() override {
    return CallEntry<ustring>(Data(), &T::get_script_resource_name);
  }
  int32_t get_line_number() override { return CallEntry<int32_t>(Data(), &T::get_line_number); }
  int32_t get_start_position() override {
    return CallEntry<int32_t>(Data(), &T::get_start_position);
  }
  int32_t get_end_position() override { return CallEntry<int32_t>(Data(), &T::get_end_position); }
  int32_t get_start_column() override { return CallEntry<int32_t>(Data(), &T::get_start_column); }
  int32_t get_end_column() override { return CallEntry<int32_t>(Data(), &T::get_end_column); }
};

class TCefv8HandlerRef : public TCefBaseRefOf<TCefv8HandlerRef, ICefv8Handler, TCefv8Handler> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  bool execute(const ustring& name, const TRef<ICefv8Value>& object,
               const std::vector<TRef<ICefv8Value>>& arguments, TRef<ICefv8Value>& retval,
               ustring& exception) override;
};

class TCefv8ContextRef : public TCefBaseRefOf<TCefv8ContextRef, ICefv8Context, TCefv8Context> {
  using T = TCefv8Context;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefv8Context> Current();
  static TRef<ICefv8Context> Entered();

  TRef<ICefBrowser> get_browser() override;
  TRef<ICefFrame> get_frame() override;
  TRef<ICefv8Value> get_global() override {
    return CallEntry<TRef<ICefv8Value>>(Data(), &T::get_global);
  }
  bool enter() override { return CallEntry<bool>(Data(), &T::enter); }
  bool exit() override { return CallEntry<bool>(Data(), &T::exit); }
  bool is_same(const TRef<ICefv8Context>& that) override {
    return CallEntry<bool>(Data(), &T::is_same, that);
  }
  bool eval(const ustring& code, TRef<ICefv8Value>& retval,
            TRef<ICefV8Exception>& exception) override;
};

class TCefv8ValueRef : public TCefBaseRefOf<TCefv8ValueRef, ICefv8Value, TCefv8Value> {
  using T = TCefv8Value;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  static TRef<ICefv8Value> NewUndefined();
  static TRef<ICefv8Value> NewNull();
  static TRef<ICefv8Value> NewBool(bool value);
  static TRef<ICefv8Value> NewInt(int32_t value);
  static TRef<ICefv8Value> NewUInt(uint32_t value);
  static TRef<ICefv8Value> NewDouble(double value);
  static TRef<ICefv8Value> NewDate(TDateTime value);
  static TRef<ICefv8Value> NewString(const ustring& value);
  static TRef<ICefv8Value> NewObject(const TRef<ICefV8Accessor>& accessor);
  static TRef<ICefv8Value> NewObjectProc(const TCefV8AccessorGetterProc& getter,
                                         const TCefV8AccessorSetterProc& setter);
  static TRef<ICefv8Value> NewArray(int32_t length);
  static TRef<ICefv8Value> NewFunction(const ustring& name, const TRef<ICefv8Handler>& handler);

  bool is_undefined() override { return CallEntry<bool>(Data(), &T::is_undefined); }
  bool is_null() override { return CallEntry<bool>(Data(), &T::is_null); }
  bool is_bool() override { return CallEntry<bool>(Data(), &T::is_bool); }
  bool is_int() override { return CallEntry<bool>(Data(), &T::is_int); }
  bool is_uint() override { return CallEntry<bool>(Data(), &T::is_uint); }
  bool is_double() override { return CallEntry<bool>(Data(), &T::is_double); }
  bool is_date() override { return CallEntry<bool>(Data(), &T::is_date); }
  bool is_string() override { return CallEntry<bool>(Data(), &T::is_string); }
  bool is_object() override { return CallEntry<bool>(Data(), &T::is_object); }
  bool is_array() override { return CallEntry<bool>(Data(), &T::is_array); }
  bool is_function() override { return CallEntry<bool>(Data(), &T::is_function); }
  bool is_same(const TRef<ICefv8Value>& that) override {
    return CallEntry<bool>(Data(), &T::is_same, that);
  }
  bool get_bool_value() override { return CallEntry<bool>(Data(), &T::get_bool_value); }
  int32_t get_int_value() override { return CallEntry<int32_t>(Data(), &T::get_int_value); }
  uint32_t get_uint_value() override { return CallEntry<uint32_t>(Data(), &T::get_uint_value); }
  double get_double_value() override { return CallEntry<double>(Data(), &T::get_double_value); }
  TDateTime get_date_value() override { return CallEntry<TDateTime>(Data(), &T::get_date_value); }
  ustring get_string_value() override { return CallEntry<ustring>(Data(), &T::get_string_value); }
  bool is_user_created() override { return CallEntry<bool>(Data(), &T::is_user_created); }
  bool has_exception() override { return CallEntry<bool>(Data(), &T::has_exception); }
  TRef<ICefV8Exception> get_exception() override {
    return CallEntry<TRef<ICefV8Exception>>(Data(), &T::get_exception);
  }
  bool clear_exception() override { return CallEntry<bool>(Data(), &T::clear_exception); }
  bool will_rethrow_exceptions() override {
    return CallEntry<bool>(Data(), &T::will_rethrow_exceptions);
  }
  bool set_rethrow_exceptions(bool rethrow) override {
    return CallEntry<bool>(Data(), &T::set_rethrow_exceptions, rethrow);
  }
  bool has_value_bykey(const ustring& key) override {
    return CallEntry<bool>(Data(), &T::has_value_bykey, key);
  }
  bool has_value_byindex(int32_t index) override {
    return CallEntry<bool>(Data(), &T::has_value_byindex, index);
  }
  bool delete_value_bykey(const ustring& key) override {
    return CallEntry<bool>(Data(), &T::delete_value_bykey, key);
  }
  bool delete_value_byindex(int32_t index) override {
    return CallEntry<bool>(Data(), &T::delete_value_byindex, index);
  }
  TRef<ICefv8Value> get_value_bykey(const ustring& key) override {
    return CallEntry<TRef<ICefv8Value>>(Data(), &T::get_value_bykey, key);
  }
  TRef<ICefv8Value> get_value_byindex(int32_t index) override {
    return CallEntry<TRef<ICefv8Value>>(Data(), &T::get_value_byindex, index);
  }
  bool set_value_bykey(const ustring& key, const TRef<ICefv8Value>& value,
                       TCefV8PropertyAttribute attribute) override {
    return CallEntry<bool>(Data(), &T::set_value_bykey, key, value, attribute);
  }
  bool set_value_byindex(int32_t index, const TRef<ICefv8Value>& value) override {
    return CallEntry<bool>(Data(), &T::set_value_byindex, index, value);
  }
  bool set_value_byaccessor(const ustring& key, TCefV8AccessControl settings,
                            TCefV8PropertyAttribute attribute) override {
    return CallEntry<bool>(Data(), &T::set_value_byaccessor, key, settings, attribute);
  }
  int32_t get_keys(std::vector<ustring>& keys) override;
  bool set_user_data(const TRef<ICefBase>& data) override {
    return CallEntry<bool>(Data(), &T::set_user_data, data);
  }
  TRef<ICefBase> get_user_data() override {
    return CallEntry<TRef<ICefBase>>(Data(), &T::get_user_data);
  }
  int32_t get_externally_allocated_memory() override {
    return CallEntry<int32_t>(Data(), &T::get_externally_allocated_memory);
  }
  int32_t adjust_externally_allocated_memory(int32_t changeInBytes) override {
    return CallEntry<int32_t>(Data(), &T::adjust_externally_allocated_memory, changeInBytes);
  }
  int32_t get_array_length() override { return CallEntry<int32_t>(Data(), &T::get_array_length); }
  ustring get_function_name() override { return CallEntry<ustring>(Data(), &T::get_function_name); }
  TRef<ICefv8Handler> get_function_handler() override {
    return CallEntry<TRef<ICefv8Handler>>(Data(), &T::get_function_handler);
  }
  TRef<ICefv8Value> execute_function(const TRef<ICefv8Value>& object,
                                     const std::vector<TRef<ICefv8Value>>& arguments) override;
  TRef<ICefv8Value> execute_function_with_context(
      const TRef<ICefv8Context>& context, const TRef<ICefv8Value>& object,
      const std::vector<TRef<ICefv8Value>>& arguments) override;
};

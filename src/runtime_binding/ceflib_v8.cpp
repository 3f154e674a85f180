#include "ceflib_v8.h"

#include "ceflib_api.h"
#include "ceflib_browser.h"
#include "ceflib_entries.h"

namespace {

// The arguments of a script call, each with one reference for the runtime.
class TRuntimeArguments {
 public:
  explicit TRuntimeArguments(const std::vector<TRef<ICefv8Value>>& arguments) {
    FItems.reserve(arguments.size());
    for (const TRef<ICefv8Value>& argument : arguments)
      FItems.push_back(RuntimePointerOf<TCefv8Value>(argument));
  }
  size_t Count() const { return FItems.size(); }
  TCefv8Value* const* Items() const { return FItems.data(); }

 private:
  std::vector<TCefv8Value*> FItems;
};

}  // namespace

TCefV8AccessorOwn::TCefV8AccessorOwn() : TCefBaseOwn(sizeof(TCefV8Accessor)) {
  TCefV8Accessor* accessor = Data<TCefV8Accessor>();
  SetEntry<&ICefV8Accessor::get>(this, accessor->get);
  SetEntry<&ICefV8Accessor::set>(this, accessor->set);
}

bool TCefv8HandlerRef::execute(const ustring& name, const TRef<ICefv8Value>& object,
                               const std::vector<TRef<ICefv8Value>>& arguments,
                               TRef<ICefv8Value>& retval, ustring& exception) {
  const TRuntimeArguments runtimeArguments(arguments);
  TCefv8Value* result = nullptr;
  TCefStringUtf16 exceptionText{};
  const bool done =
      CallEntry<bool>(Data(), &TCefv8Handler::execute, name, object, runtimeArguments.Count(),
                      runtimeArguments.Items(), &result, &exceptionText);
  retval = FromRuntime(result);
  exception = TakeRuntimeString(&exceptionText);
  return done;
}

TRef<ICefv8Context> TCefv8ContextRef::Current() {
  return UnWrap(RuntimeApi.cef_v8context_get_current_context());
}

TRef<ICefv8Context> TCefv8ContextRef::Entered() {
  return UnWrap(RuntimeApi.cef_v8context_get_entered_context());
}

TRef<ICefBrowser> TCefv8ContextRef::get_browser() {
  return CallEntry<TRef<ICefBrowser>>(Data(), &T::get_browser);
}

TRef<ICefFrame> TCefv8ContextRef::get_frame() {
  return CallEntry<TRef<ICefFrame>>(Data(), &T::get_frame);
}

bool TCefv8ContextRef::eval(const ustring& code, TRef<ICefv8Value>& retval,
                            TRef<ICefV8Exception>& exception) {
  TCefv8Value* value = nullptr;
  TCefV8Exception* error = nullptr;
  const bool done = CallEntry<bool>(Data(), &T::eval, code, &value, &error);
  retval = FromRuntime(value);
  exception = FromRuntime(error);
  return done;
}

TRef<ICefv8Value> TCefv8ValueRef::NewUndefined() {
  return UnWrap(RuntimeApi.cef_v8value_create_undefined());
}

TRef<ICefv8Value> TCefv8ValueRef::NewNull() {
  return UnWrap(RuntimeApi.cef_v8value_create_null());
}

TRef<ICefv8Value> TCefv8ValueRef::NewBool(bool value) {
  return UnWrap(RuntimeApi.cef_v8value_create_bool(ToRuntime(value)));
}

TRef<ICefv8Value> TCefv8ValueRef::NewInt(int32_t value) {
  return UnWrap(RuntimeApi.cef_v8value_create_int(value));
}

TRef<ICefv8Value> TCefv8ValueRef::NewUInt(uint32_t value) {
  return UnWrap(RuntimeApi.cef_v8value_create_uint(value));
}

TRef<ICefv8Value> TCefv8ValueRef::NewDouble(double value) {
  return UnWrap(RuntimeApi.cef_v8value_create_double(value));
}

TRef<ICefv8Value> TCefv8ValueRef::NewDate(TDateTime value) {
  const RuntimeTime date = DateTimeToRuntimeTime(value);
  return UnWrap(RuntimeApi.cef_v8value_create_date(&date));
}

TRef<ICefv8Value> TCefv8ValueRef::NewString(const ustring& value) {
  return UnWrap(RuntimeApi.cef_v8value_create_string(ToRuntime(value)));
}

TRef<ICefv8Value> TCefv8ValueRef::NewObject(const TRef<ICefV8Accessor>& accessor) {
  return UnWrap(RuntimeApi.cef_v8value_create_object(RuntimePointerOf<TCefV8Accessor>(accessor)));
}

TRef<ICefv8Value> TCefv8ValueRef::NewObjectProc(const TCefV8AccessorGetterProc& getter,
                                                const TCefV8AccessorSetterProc& setter) {
  return NewObject(TRef<ICefV8Accessor>(new TCefFastV8Accessor(getter, setter)));
}

TRef<ICefv8Value> TCefv8ValueRef::NewArray(int32_t length) {
  return UnWrap(RuntimeApi.cef_v8value_create_array(length));
}

TRef<ICefv8Value> TCefv8ValueRef::NewFunction(const ustring& name,
                                              const TRef<ICefv8Handler>& handler) {
  return UnWrap(RuntimeApi.cef_v8value_create_function(ToRuntime(name),
                                                       RuntimePointerOf<TCefv8Handler>(handler)));
}

int32_t TCefv8ValueRef::get_keys(std::vector<ustring>& keys) {
  int32_t result = 0;
  ReadRuntimeStringList(
      keys, [&](TCefStringList list) { result = CallEntry<int32_t>(Data(), &T::get_keys, list); });
  return result;
}

TRef<ICefv8Value> TCefv8ValueRef::execute_function(
    const TRef<ICefv8Value>& object, const std::vector<TRef<ICefv8Value>>& arguments) {
  const TRuntimeArguments runtimeArguments(arguments);
  return CallEntry<TRef<ICefv8Value>>(Data(), &T::execute_function, object,
                                      runtimeArguments.Count(), runtimeArguments.Items());
}

TRef<ICefv8Value> TCefv8ValueRef::execute_function_with_context(
    const TRef<ICefv8Context>& context, const TRef<ICefv8Value>& object,
    const std::vector<TRef<ICefv8Value>>& arguments) {
  const TRuntimeArguments runtimeArguments(arguments);
  return CallEntry<TRef<ICefv8Value>>(Data(), &T::execute_function_with_context, context, object,
                                      runtimeArguments.Count(), runtimeArguments.Items());
}

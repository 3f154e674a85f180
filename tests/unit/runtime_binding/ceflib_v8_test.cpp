#include "ScopedEnvironment.h"
#include "binding_test_fixture.h"
#include "runtime_object_recorder.h"

using namespace Recorder;
using ::testing::ElementsAre;

namespace {

TCefv8Value* NewRecordingValue() {
  using V = TCefv8Value;
  return Install<&V::is_undefined, &V::is_null, &V::is_bool, &V::is_int, &V::is_uint, &V::is_double,
                 &V::is_date, &V::is_string, &V::is_object, &V::is_array, &V::is_function,
                 &V::is_same, &V::get_bool_value, &V::get_int_value, &V::get_uint_value,
                 &V::get_double_value, &V::get_date_value, &V::get_string_value,
                 &V::is_user_created, &V::has_exception, &V::get_exception, &V::clear_exception,
                 &V::will_rethrow_exceptions, &V::set_rethrow_exceptions, &V::has_value_bykey,
                 &V::has_value_byindex, &V::delete_value_bykey, &V::delete_value_byindex,
                 &V::get_value_bykey, &V::get_value_byindex, &V::set_value_bykey,
                 &V::set_value_byindex, &V::set_value_byaccessor, &V::get_keys, &V::set_user_data,
                 &V::get_user_data, &V::get_externally_allocated_memory,
                 &V::adjust_externally_allocated_memory, &V::get_array_length,
                 &V::get_function_name, &V::get_function_handler>(
      FakeRuntime::NewObjectOf<V>("v8value"));
}

TRef<ICefv8Value> NewPlainValue() {
  return TCefv8ValueRef::UnWrap(FakeRuntime::NewObjectOf<TCefv8Value>("v8value"));
}

using V8Test = LoadedBindingTest;

TEST_F(V8Test, ValueOperationsCallTheirEntries) {
  const TRef<ICefv8Value> value = TCefv8ValueRef::UnWrap(NewRecordingValue());
  const TRef<ICefv8Value> other = NewPlainValue();
  const std::string date = Show(EncodeDate(2021, 3, 14) + EncodeTime(15, 9, 26, 535));
  using I = ICefv8Value;
  const auto is = [](bool (I::*operation)()) {
    return [operation](I& v) { return Show((v.*operation)()); };
  };
  CheckOperations<I>(
      *value,
      {
          {"is_undefined", 16, is(&I::is_undefined), "", "true"},
          {"is_null", 20, is(&I::is_null), "", "true"},
          {"is_bool", 24, is(&I::is_bool), "", "true"},
          {"is_int", 28, is(&I::is_int), "", "true"},
          {"is_uint", 32, is(&I::is_uint), "", "true"},
          {"is_double", 36, is(&I::is_double), "", "true"},
          {"is_date", 40, is(&I::is_date), "", "true"},
          {"is_string", 44, is(&I::is_string), "", "true"},
          {"is_object", 48, is(&I::is_object), "", "true"},
          {"is_array", 52, is(&I::is_array), "", "true"},
          {"is_function", 56, is(&I::is_function), "", "true"},
          {"is_same", 60, [&](I& v) { return Show(v.is_same(other)); }, "v8value", "true"},
          {"get_bool_value", 64, is(&I::get_bool_value), "", "true"},
          {"get_int_value", 68, [](I& v) { return Show(v.get_int_value()); }, "", "7"},
          {"get_uint_value", 72, [](I& v) { return Show(v.get_uint_value()); }, "", "7"},
          {"get_double_value", 76, [](I& v) { return Show(v.get_double_value()); }, "", "2.500000"},
          {"get_date_value", 80, [](I& v) { return Show(v.get_date_value()); }, "", date},
          {"get_string_value", 84, [](I& v) { return Show(v.get_string_value()); }, "",
           "\"answer\""},
          {"is_user_created", 88, is(&I::is_user_created), "", "true"},
          {"has_exception", 92, is(&I::has_exception), "", "true"},
          {"get_exception", 96, [](I& v) { return Show(v.get_exception()); }, "", "object"},
          {"clear_exception", 100, is(&I::clear_exception), "", "true"},
          {"will_rethrow_exceptions", 104, is(&I::will_rethrow_exceptions), "", "true"},
          {"set_rethrow_exceptions", 108, [](I& v) { return Show(v.set_rethrow_exceptions(true)); },
           "1", "true"},
          {"has_value_bykey", 112, [](I& v) { return Show(v.has_value_bykey(u"k")); }, "\"k\"",
           "true"},
          {"has_value_byindex", 116, [](I& v) { return Show(v.has_value_byindex(3)); }, "3",
           "true"},
          {"delete_value_bykey", 120, [](I& v) { return Show(v.delete_value_bykey(u"k")); },
           "\"k\"", "true"},
          {"delete_value_byindex", 124, [](I& v) { return Show(v.delete_value_byindex(3)); }, "3",
           "true"},
          {"get_value_bykey", 128, [](I& v) { return Show(v.get_value_bykey(u"k")); }, "\"k\"",
           "object"},
          {"get_value_byindex", 132, [](I& v) { return Show(v.get_value_byindex(3)); }, "3",
           "object"},
          {"set_value_bykey", 136,
           [&](I& v) {
             return Show(v.set_value_bykey(u"k", other, V8_PROPERTY_ATTRIBUTE_DONTENUM));
           },
           "\"k\", v8value, 2", "true"},
          {"set_value_byindex", 140, [&](I& v) { return Show(v.set_value_byindex(3, other)); },
           "3, v8value", "true"},
          {"set_value_byaccessor", 144,
           [](I& v) {
             return Show(v.set_value_byaccessor(u"k", V8_ACCESS_CONTROL_ALL_CAN_WRITE,
                                                V8_PROPERTY_ATTRIBUTE_READONLY));
           },
           "\"k\", 2, 1", "true"},
          {"get_keys", 148,
           [](I& v) {
             std::vector<ustring> keys{u"old"};
             const int32_t result = v.get_keys(keys);
             return Show(result) + Show(keys.back());
           },
           "[]", "7\"added\""},
          {"set_user_data", 152, [&](I& v) { return Show(v.set_user_data(other)); }, "v8value",
           "true"},
          {"get_user_data", 156, [](I& v) { return Show(v.get_user_data()); }, "", "object"},
          {"get_externally_allocated_memory", 160,
           [](I& v) { return Show(v.get_externally_allocated_memory()); }, "", "7"},
          {"adjust_externally_allocated_memory", 164,
           [](I& v) { return Show(v.adjust_externally_allocated_memory(-64)); }, "-64", "7"},
          {"get_array_length", 168, [](I& v) { return Show(v.get_array_length()); }, "", "7"},
          {"get_function_name", 172, [](I& v) { return Show(v.get_function_name()); }, "",
           "\"answer\""},
          {"get_function_handler", 176, [](I& v) { return Show(v.get_function_handler()); }, "",
           "object"},
      });
}

// Records the argument array a script call received and gives back its references.
std::vector<std::string> ReceivedArguments;

std::vector<std::string> TakeArguments(size_t count, TCefv8Value* const* arguments) {
  std::vector<std::string> kinds;
  for (size_t i = 0; i < count; ++i) kinds.push_back(Describe(arguments[i]));
  return kinds;
}

TEST_F(V8Test, FunctionCallsHandTheRuntimeOneReferencePerArgument) {
  TCefv8Value* data = FakeRuntime::NewObjectOf<TCefv8Value>("function");
  data->execute_function = [](TCefv8Value*, TCefv8Value* object, size_t count,
                              TCefv8Value* const* arguments) -> TCefv8Value* {
    ReceivedArguments = TakeArguments(count, arguments);
    ReceivedArguments.push_back(Describe(object));
    return nullptr;
  };
  data->execute_function_with_context = [](TCefv8Value*, TCefv8Context* context,
                                           TCefv8Value* object, size_t count,
                                           TCefv8Value* const* arguments) {
    ReceivedArguments = TakeArguments(count, arguments);
    ReceivedArguments.push_back(Describe(object));
    ReceivedArguments.push_back(Describe(context));
    return FakeRuntime::NewObjectOf<TCefv8Value>("result");
  };
  const TRef<ICefv8Value> function = TCefv8ValueRef::UnWrap(data);
  const TRef<ICefv8Value> first = NewPlainValue(), second = NewPlainValue();

  EXPECT_EQ(function->execute_function(nullptr, {first, second}), nullptr);
  EXPECT_THAT(ReceivedArguments, ElementsAre("v8value", "v8value", "null"));

  const TRef<ICefv8Context> context =
      TCefv8ContextRef::UnWrap(FakeRuntime::NewObjectOf<TCefv8Context>("context"));
  EXPECT_NE(function->execute_function_with_context(context, first, {}), nullptr);
  EXPECT_THAT(ReceivedArguments, ElementsAre("v8value", "context"));
}

TEST_F(V8Test, HandlerAndContextFillTheirOutValues) {
  TCefv8Handler* handlerData = FakeRuntime::NewObjectOf<TCefv8Handler>("handler");
  handlerData->execute = [](TCefv8Handler*, TCefConstString* name, TCefv8Value* object,
                            size_t count, TCefv8Value* const* arguments, TCefv8Value** retval,
                            TCefStringUtf16* exception) -> TCefBool {
    ReceivedArguments = TakeArguments(count, arguments);
    ReceivedArguments.push_back(Text(name));
    ReceivedArguments.push_back(Describe(object));
    *retval = FakeRuntime::NewObjectOf<TCefv8Value>("result");
    *exception = FakeRuntime::NewOwnedString(u"TypeError");
    return 1;
  };
  const TRef<ICefv8Handler> handler = TCefv8HandlerRef::UnWrap(handlerData);
  TRef<ICefv8Value> result;
  ustring exception;
  EXPECT_TRUE(handler->execute(u"sum", NewPlainValue(), {NewPlainValue()}, result, exception));
  EXPECT_THAT(ReceivedArguments, ElementsAre("v8value", "\"sum\"", "v8value"));
  EXPECT_NE(result, nullptr);
  EXPECT_EQ(exception, u"TypeError");

  TCefv8Context* contextData = FakeRuntime::NewObjectOf<TCefv8Context>("context");
  contextData->eval = [](TCefv8Context*, TCefConstString*, TCefv8Value**,
                         TCefV8Exception** thrown) -> TCefBool {
    *thrown = FakeRuntime::NewObjectOf<TCefV8Exception>("exception");
    return 0;
  };
  const TRef<ICefv8Context> context = TCefv8ContextRef::UnWrap(contextData);
  TRef<ICefV8Exception> error;
  EXPECT_FALSE(context->eval(u"throw 1", result, error));
  EXPECT_EQ(result, nullptr);
  EXPECT_NE(error, nullptr);
}

TEST_F(V8Test, NewDateAndStringReachTheRuntimeConverted) {
  {
    TScopedEnvironment zone("TZ", "UTC0");
    TRef<ICefv8Value> date =
        TCefv8ValueRef::NewDate(EncodeDate(2020, 2, 29) + EncodeTime(6, 0, 0, 0));
    EXPECT_NE(date, nullptr);
    EXPECT_EQ(FakeRuntime::LastDateArgument().day_of_month, 29);
    EXPECT_EQ(FakeRuntime::LastDateArgument().hour, 6);
  }
  EXPECT_NE(TCefv8ValueRef::NewString(u"text"), nullptr);
  EXPECT_EQ(FakeRuntime::LastTextArgument(), u"text");
}

class TAccessorRecorder : public TCefV8AccessorOwn {
 public:
  bool get(const ustring& name, const TRef<ICefv8Value>& object, TRef<ICefv8Value>& value,
           const ustring& exception) override {
    Seen = name + u"/" + exception;
    value = object;
    return true;
  }
  ustring Seen;
};

TEST_F(V8Test, AccessorHandsItsValueToTheRuntimeAndLeavesTheExceptionAlone) {
  TRef<TAccessorRecorder> accessor(new TAccessorRecorder());
  auto* data = static_cast<TCefV8Accessor*>(accessor->Wrap());
  const ustring name = u"width";
  const TCefStringUtf16 nameView = BorrowRuntimeString(name);
  TCefv8Value* object = FakeRuntime::NewObjectOf<TCefv8Value>("v8value");
  object->base.add_ref(&object->base);  // the runtime keeps one for itself
  TCefv8Value* retval = nullptr;
  TCefStringUtf16 exception = FakeRuntime::NewOwnedString(u"none");
  EXPECT_EQ(FakeRuntime::Fire(data, &TCefV8Accessor::get, &nameView, object, &retval, &exception),
            1);
  EXPECT_EQ(accessor->Seen, u"width/none");
  EXPECT_EQ(retval, object);
  EXPECT_EQ(FakeRuntime::RefCountOf(object), 2);  // the runtime's and the answer's
  EXPECT_EQ(CopyFromRuntimeString(&exception), u"none");
  retval->base.release(&retval->base);
  object->base.release(&object->base);
  RuntimeStringClear(&exception);

  TRef<TCefFastV8Accessor> empty(new TCefFastV8Accessor(nullptr, nullptr));
  auto* emptyData = static_cast<TCefV8Accessor*>(empty->Wrap());
  EXPECT_EQ(
      FakeRuntime::Fire(emptyData, &TCefV8Accessor::set, &nameView, nullptr, nullptr, nullptr), 0);
  emptyData->base.release(&emptyData->base);
  data->base.release(&data->base);
}

}  // namespace

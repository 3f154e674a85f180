// Objects a test makes and fills in, and the exported creators of cookie managers and script
// values.
#include "fake_runtime.h"
#include "fake_runtime_state.h"

using namespace FakeRuntime::Internal;

namespace {

template <class TStruct>
TStruct* CreateRecorded(const char* call, const std::string& kind) {
  Record(call);
  return HandOut(MakeObject<TStruct>(kind));
}

TCefBool CEF_CALLBACK GlobalCookieManagerSetStoragePath(TCefCookieManager*, TCefConstString* path) {
  Record("cookie_manager.set_storage_path");
  State().LastTextArgument = ReadUtf16(path);
  return 1;
}

}  // namespace

// The program sets the storage path of the global manager at start-up, so that entry exists.
TCefCookieManager* cef_cookie_manager_get_global_manager(void) {
  TCefCookieManager* manager =
      CreateRecorded<TCefCookieManager>("cef_cookie_manager_get_global_manager", "cookie_manager");
  manager->set_storage_path = GlobalCookieManagerSetStoragePath;
  return manager;
}

TCefCookieManager* cef_cookie_manager_create_manager(TCefConstString* path) {
  State().LastTextArgument = ReadUtf16(path);
  return CreateRecorded<TCefCookieManager>("cef_cookie_manager_create_manager", "cookie_manager");
}

TCefv8Value* cef_v8value_create_date(const RuntimeTime* date) {
  State().LastDateArgument = date ? *date : RuntimeTime{};
  return CreateRecorded<TCefv8Value>("cef_v8value_create_date", "v8value");
}

TCefv8Value* cef_v8value_create_string(TCefConstString* value) {
  State().LastTextArgument = ReadUtf16(value);
  return CreateRecorded<TCefv8Value>("cef_v8value_create_string", "v8value");
}

namespace FakeRuntime {

void* NewObjectOfSize(size_t size, const std::string& kind) {
  return HandOut(static_cast<TCefBase*>(AllocateObject(size, kind)));
}

std::string KindOf(const void* object) {
  std::lock_guard guard(State().Lock);
  const auto found = State().Objects.find(object);
  return found == State().Objects.end() ? std::string() : found->second.Kind;
}

const std::u16string& LastTextArgument() {
  return State().LastTextArgument;
}

const RuntimeTime& LastDateArgument() {
  return State().LastDateArgument;
}

}  // namespace FakeRuntime

// Entry points without a WebKit counterpart here. Each answers null, 0 or false and releases
// any object it was handed, as the reference rules require.

#include "RtObject.h"
#include "cef_capi.h"

extern "C" {

// No script extensions: the handler is released.
TCefBool cef_register_extension(TCefConstString*, TCefConstString*, TCefv8Handler* handler) {
  ReleaseObject(handler);
  return 0;
}

// Script contexts live in the web process only.
TCefv8Context* cef_v8context_get_current_context(void) {
  return nullptr;
}
// Script contexts live in the web process only.
TCefv8Context* cef_v8context_get_entered_context(void) {
  return nullptr;
}
// Script contexts live in the web process only.
TCefBool cef_v8context_in_context(void) {
  return 0;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_undefined(void) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_null(void) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_bool(TCefBool) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_int(int32_t) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_uint(uint32_t) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_double(double) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_date(const RuntimeTime*) {
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_string(TCefConstString*) {
  return nullptr;
}
// Script values live in the web process only: the accessor is released.
TCefv8Value* cef_v8value_create_object(TCefV8Accessor* accessor) {
  ReleaseObject(accessor);
  return nullptr;
}
// Script values live in the web process only.
TCefv8Value* cef_v8value_create_array(int32_t) {
  return nullptr;
}
// Script values live in the web process only: the handler is released.
TCefv8Value* cef_v8value_create_function(TCefConstString*, TCefv8Handler* handler) {
  ReleaseObject(handler);
  return nullptr;
}
// Script stacks live in the web process only.
TCefV8StackTrace* cef_v8stack_trace_get_current(int32_t) {
  return nullptr;
}
// No plug-ins: the visitor is released unvisited.
void cef_visit_web_plugin_info(TCefWebPluginInfoVisitor* visitor) {
  ReleaseObject(visitor);
}
// No plug-ins.
void cef_refresh_web_plugins(void) {}
// No plug-ins.
void cef_add_web_plugin_path(TCefConstString*) {}
// No plug-ins.
void cef_add_web_plugin_directory(TCefConstString*) {}
// No plug-ins.
void cef_remove_web_plugin_path(TCefConstString*) {}
// No plug-ins.
void cef_unregister_internal_web_plugin(TCefConstString*) {}
// No plug-ins.
void cef_force_web_plugin_shutdown(TCefConstString*) {}
// No plug-ins.
void cef_register_web_plugin_crash(TCefConstString*) {}
// No plug-ins: the callback is released unanswered.
void cef_is_web_plugin_unstable(TCefConstString*, TCefWebPluginUnstableCallback* callback) {
  ReleaseObject(callback);
}

}  // extern "C"

#include "ceflib_commandline.h"

#include "ceflib_strings.h"

TRef<ICefCommandLine> TCefCommandLineRef::New() {
  return UnWrap(RuntimeApi.cef_command_line_create());
}

TRef<ICefCommandLine> TCefCommandLineRef::Global() {
  return UnWrap(RuntimeApi.cef_command_line_get_global());
}

bool TCefCommandLineRef::is_valid() {
  return Data()->is_valid(Data()) != 0;
}

bool TCefCommandLineRef::is_read_only() {
  return Data()->is_read_only(Data()) != 0;
}

TRef<ICefCommandLine> TCefCommandLineRef::copy() {
  return UnWrap(Data()->copy(Data()));
}

void TCefCommandLineRef::init_from_argv(int32_t argc, const char* const* argv) {
  Data()->init_from_argv(Data(), argc, argv);
}

void TCefCommandLineRef::init_from_string(const ustring& commandLine) {
  const TCefStringUtf16 view = BorrowRuntimeString(commandLine);
  Data()->init_from_string(Data(), &view);
}

void TCefCommandLineRef::reset() {
  Data()->reset(Data());
}

ustring TCefCommandLineRef::get_command_line_string() {
  return TakeUserFreeString(Data()->get_command_line_string(Data()));
}

ustring TCefCommandLineRef::get_program() {
  return TakeUserFreeString(Data()->get_program(Data()));
}

void TCefCommandLineRef::set_program(const ustring& program) {
  const TCefStringUtf16 view = BorrowRuntimeString(program);
  Data()->set_program(Data(), &view);
}

bool TCefCommandLineRef::has_switches() {
  return Data()->has_switches(Data()) != 0;
}

bool TCefCommandLineRef::has_switch(const ustring& name) {
  const TCefStringUtf16 view = BorrowRuntimeString(name);
  return Data()->has_switch(Data(), &view) != 0;
}

ustring TCefCommandLineRef::get_switch_value(const ustring& name) {
  const TCefStringUtf16 view = BorrowRuntimeString(name);
  return TakeUserFreeString(Data()->get_switch_value(Data(), &view));
}

void TCefCommandLineRef::get_switches(std::vector<std::pair<ustring, ustring>>& switches) {
  TRuntimeStringMapHolder map;
  Data()->get_switches(Data(), map.get());
  map.ReadInto(switches);
}

void TCefCommandLineRef::append_switch(const ustring& name) {
  const TCefStringUtf16 view = BorrowRuntimeString(name);
  Data()->append_switch(Data(), &view);
}

void TCefCommandLineRef::append_switch_with_value(const ustring& name, const ustring& value) {
  const TCefStringUtf16 nameView = BorrowRuntimeString(name);
  const TCefStringUtf16 valueView = BorrowRuntimeString(value);
  Data()->append_switch_with_value(Data(), &nameView, &valueView);
}

bool TCefCommandLineRef::has_arguments() {
  return Data()->has_arguments(Data()) != 0;
}

void TCefCommandLineRef::get_arguments(std::vector<ustring>& arguments) {
  ReadRuntimeStringList(arguments,
                        [this](TCefStringList list) { Data()->get_arguments(Data(), list); });
}

void TCefCommandLineRef::append_argument(const ustring& argument) {
  const TCefStringUtf16 view = BorrowRuntimeString(argument);
  Data()->append_argument(Data(), &view);
}

void TCefCommandLineRef::prepend_wrapper(const ustring& wrapper) {
  const TCefStringUtf16 view = BorrowRuntimeString(wrapper);
  Data()->prepend_wrapper(Data(), &view);
}

bool TCefSchemeRegistrarRef::add_custom_scheme(const ustring& schemeName, bool isStandard,
                                               bool isLocal, bool isDisplayIsolated) {
  const TCefStringUtf16 view = BorrowRuntimeString(schemeName);
  return Data()->add_custom_scheme(Data(), &view, isStandard, isLocal, isDisplayIsolated) != 0;
}

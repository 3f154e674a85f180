// State, objects and process functions of the fake runtime, and its test-facing API.
#include "fake_runtime.h"

#include <cstdlib>

#include "fake_runtime_state.h"

#ifndef FAKE_RUNTIME_EXECUTE_PROCESS_RESULT
#define FAKE_RUNTIME_EXECUTE_PROCESS_RESULT -1  // the browser process
#endif
#ifndef FAKE_RUNTIME_OMITTED_ENTRY
#define FAKE_RUNTIME_OMITTED_ENTRY ""
#endif

namespace FakeRuntime::Internal {

TState& State() {
  // Never destroyed: objects may still be released while the process exits.
  static TState* state = new TState();
  return *state;
}

void Record(std::string_view call) {
  auto& state = State();
  std::lock_guard guard(state.Lock);
  state.Calls.emplace_back(call);
}

namespace {

TObjectRecord* Find(const void* object) {
  auto& objects = State().Objects;
  const auto found = objects.find(object);
  return found == objects.end() ? nullptr : &found->second;
}

void ReportUnknown(const char* what) {
  State().Problems.push_back(std::string(what) + " on an object the runtime did not make");
}

int32_t CEF_CALLBACK ObjectAddRef(TCefBase* self) {
  std::lock_guard guard(State().Lock);
  TObjectRecord* record = Find(self);
  if (!record) return ReportUnknown("add_ref"), 0;
  return ++record->References;
}

int32_t CEF_CALLBACK ObjectRelease(TCefBase* self) {
  std::lock_guard guard(State().Lock);
  TObjectRecord* record = Find(self);
  if (!record) return ReportUnknown("release"), 0;
  // The fake's own reference is never given up through release.
  if (record->References <= 1) {
    record->OverReleased = true;
    return record->References;
  }
  return --record->References;
}

int32_t CEF_CALLBACK ObjectGetRefct(TCefBase* self) {
  std::lock_guard guard(State().Lock);
  TObjectRecord* record = Find(self);
  return record ? record->References : 0;
}

template <class TStruct>
void ReleaseProgramObjects(std::vector<TStruct*>& held) {
  for (TStruct* object : held) object->base.release(&object->base);
  held.clear();
}

}  // namespace

void* AllocateObject(size_t size, const std::string& kind) {
  auto* base = static_cast<TCefBase*>(std::calloc(1, size));
  base->size = size;
  base->add_ref = ObjectAddRef;
  base->release = ObjectRelease;
  base->get_refct = ObjectGetRefct;
  auto& state = State();
  std::lock_guard guard(state.Lock);
  state.Objects[base] = TObjectRecord{kind, state.NextObjectId++};
  return base;
}

}  // namespace FakeRuntime::Internal

using namespace FakeRuntime::Internal;

// ---- Command line and scheme registrar objects ------------------------------------------

namespace {

TCommandLineData& CommandLineOf(TCefCommandLine* self) {
  return State().CommandLines[self];
}

TCefStringUserFreeUtf16 CEF_CALLBACK CommandLineGetProgram(TCefCommandLine* self) {
  Record("command_line.get_program");
  return NewUserFreeUtf16(CommandLineOf(self).Program);
}

void CEF_CALLBACK CommandLineSetProgram(TCefCommandLine* self, TCefConstString* program) {
  Record("command_line.set_program");
  CommandLineOf(self).Program = ReadUtf16(program);
}

TCefBool CEF_CALLBACK CommandLineHasArguments(TCefCommandLine* self) {
  Record("command_line.has_arguments");
  return !CommandLineOf(self).Arguments.empty();
}

void CEF_CALLBACK CommandLineGetArguments(TCefCommandLine* self, TCefStringList arguments) {
  Record("command_line.get_arguments");
  if (!arguments) return;
  const auto& items = CommandLineOf(self).Arguments;
  arguments->Items.insert(arguments->Items.end(), items.begin(), items.end());
}

void CEF_CALLBACK CommandLineAppendArgument(TCefCommandLine* self, TCefConstString* argument) {
  Record("command_line.append_argument");
  CommandLineOf(self).Arguments.push_back(ReadUtf16(argument));
}

void CEF_CALLBACK CommandLineAppendSwitchWithValue(TCefCommandLine* self, TCefConstString* name,
                                                   TCefConstString* value) {
  Record("command_line.append_switch_with_value");
  CommandLineOf(self).Switches.emplace_back(ReadUtf16(name), ReadUtf16(value));
}

void CEF_CALLBACK CommandLineGetSwitches(TCefCommandLine* self, TCefStringMap switches) {
  Record("command_line.get_switches");
  if (!switches) return;
  const auto& entries = CommandLineOf(self).Switches;
  switches->Entries.insert(switches->Entries.end(), entries.begin(), entries.end());
}

TCefBool CEF_CALLBACK RegistrarAddCustomScheme(TCefSchemeRegistrar*, TCefConstString* schemeName,
                                               TCefBool, TCefBool, TCefBool) {
  Record("scheme_registrar.add_custom_scheme");
  State().RegisteredSchemes.push_back(ReadUtf16(schemeName));
  return 1;
}

// Keeps the borrowed text of a settings record before the views go stale.
void SnapshotSettings(const RuntimeSettings* settings, FakeRuntime::TInitializeRecord& record) {
  record = {};
  if (!settings) return;
  record.Settings = *settings;
  const TCefStringUtf16* views[] = {&settings->browser_subprocess_path,
                                    &settings->cache_path,
                                    &settings->user_agent,
                                    &settings->product_version,
                                    &settings->locale,
                                    &settings->log_file,
                                    &settings->javascript_flags,
                                    &settings->resources_dir_path,
                                    &settings->locales_dir_path};
  std::u16string* copies[] = {
      &record.BrowserSubprocessPath, &record.CachePath,        &record.UserAgent,
      &record.ProductVersion,        &record.Locale,           &record.LogFile,
      &record.JavaScriptFlags,       &record.ResourcesDirPath, &record.LocalesDirPath};
  record.SettingsStrViewsNonNull = true;
  for (size_t i = 0; i < std::size(views); ++i) {
    *copies[i] = ReadUtf16(views[i]);
    record.SettingsStrViewsNonNull = record.SettingsStrViewsNonNull && views[i]->str;
  }
  for (TCefStringUtf16* view :
       {&record.Settings.browser_subprocess_path, &record.Settings.cache_path,
        &record.Settings.user_agent, &record.Settings.product_version, &record.Settings.locale,
        &record.Settings.log_file, &record.Settings.javascript_flags,
        &record.Settings.resources_dir_path, &record.Settings.locales_dir_path})
    *view = {};
}

FakeRuntime::TInitializeRecord& InitializeRecord() {
  static auto* record = new FakeRuntime::TInitializeRecord();
  return *record;
}

}  // namespace

// ---- Exported functions the fake implements ----------------------------------------------

int32_t cef_execute_process(const RuntimeMainArgs*, TCefApp* application) {
  Record("cef_execute_process");
  if (application) State().HeldApps.push_back(application);
  return FAKE_RUNTIME_EXECUTE_PROCESS_RESULT;
}

int32_t cef_initialize(const RuntimeMainArgs*, const RuntimeSettings* settings,
                       TCefApp* application) {
  Record("cef_initialize");
  SnapshotSettings(settings, InitializeRecord());
  if (application) State().HeldApps.push_back(application);
  return 1;
}

void cef_shutdown(void) {
  Record("cef_shutdown");
  FakeRuntime::ReleaseApp();
}

void cef_do_message_loop_work(void) {
  Record("cef_do_message_loop_work");
  if (State().MessageLoopWork) State().MessageLoopWork();
}

TCefBool cef_browser_host_create_browser(const TCefWindowInfo*, TCefClient* client,
                                         TCefConstString*, const TCefBrowserSettings*) {
  Record("cef_browser_host_create_browser");
  if (client) State().HeldClients.push_back(client);
  return 1;
}

TCefBrowser* cef_browser_host_create_browser_sync(const TCefWindowInfo* windowInfo,
                                                  TCefClient* client, TCefConstString* url,
                                                  const TCefBrowserSettings* settings) {
  Record("cef_browser_host_create_browser_sync");
  State().LastTextArgument = ReadUtf16(url);
  if (client) State().HeldClients.push_back(client);
  if (State().BrowserFactory) return State().BrowserFactory(windowInfo, settings);
  return HandOut(MakeObject<TCefBrowser>("browser"));
}

TCefCommandLine* cef_command_line_create(void) {
  Record("cef_command_line_create");
  return FakeRuntime::NewCommandLine(u"", {});
}

TCefCommandLine* cef_command_line_get_global(void) {
  Record("cef_command_line_get_global");
  return FakeRuntime::NewCommandLine(u"", {});
}

// ---- Test-facing API -----------------------------------------------------------------------

namespace FakeRuntime {

void Reset() {
  auto& state = State();
  std::lock_guard guard(state.Lock);
  ReleaseProgramObjects(state.HeldApps);
  ReleaseProgramObjects(state.HeldClients);
  ReleaseProgramObjects(state.HeldFindHandlers);
  state.LastFind = {};
  state.LastExtensionHost.clear();
  for (const auto& [object, record] : state.Objects) std::free(const_cast<void*>(object));
  state.Objects.clear();
  state.CommandLines.clear();
  state.RegisteredSchemes.clear();
  state.Calls.clear();
  state.Problems.clear();
  state.LastTextArgument.clear();
  state.LastDateArgument = {};
  state.BrowserFactory = nullptr;
  state.MessageLoopWork = nullptr;
  // Leftover text and collections are forgotten, not freed: their owners may still hold them.
  state.LiveBuffers.clear();
  state.LiveUserFreeRecords.clear();
  state.LiveCollections.clear();
  InitializeRecord() = {};
}

void SetBrowserFactory(TBrowserFactory factory) {
  State().BrowserFactory = std::move(factory);
}

void SetMessageLoopWork(std::function<void()> work) {
  State().MessageLoopWork = std::move(work);
}

std::string_view OmittedEntry() {
  return FAKE_RUNTIME_OMITTED_ENTRY;
}

int ExecuteProcessResult() {
  return FAKE_RUNTIME_EXECUTE_PROCESS_RESULT;
}

const std::vector<std::string>& Calls() {
  return State().Calls;
}

int CallCount(std::string_view name) {
  int count = 0;
  for (const std::string& call : State().Calls) count += call == name;
  return count;
}

void ClearCalls() {
  State().Calls.clear();
}

std::vector<std::string> LeakReport() {
  auto& state = State();
  std::lock_guard guard(state.Lock);
  std::vector<std::string> report = state.Problems;
  for (const auto& [object, record] : state.Objects) {
    const std::string name = record.Kind + " #" + std::to_string(record.Id);
    if (record.References > 1)
      report.push_back(name + ": " + std::to_string(record.References - 1) +
                       " reference(s) never released");
    if (record.OverReleased) report.push_back(name + ": released more often than handed out");
  }
  const auto count = [&](size_t n, const char* what) {
    if (n) report.push_back(std::to_string(n) + " " + what + " never freed");
  };
  count(state.LiveBuffers.size(), "text buffer(s)");
  count(state.LiveUserFreeRecords.size(), "user-free string(s)");
  count(state.LiveCollections.size(), "string list(s) or map(s)");
  return report;
}

TCefCommandLine* NewCommandLine(const std::u16string& program,
                                const std::vector<std::u16string>& arguments) {
  auto* line = MakeObject<TCefCommandLine>("command_line");
  line->get_program = CommandLineGetProgram;
  line->set_program = CommandLineSetProgram;
  line->has_arguments = CommandLineHasArguments;
  line->get_arguments = CommandLineGetArguments;
  line->append_argument = CommandLineAppendArgument;
  line->append_switch_with_value = CommandLineAppendSwitchWithValue;
  line->get_switches = CommandLineGetSwitches;
  std::lock_guard guard(State().Lock);
  State().CommandLines[line] = TCommandLineData{program, arguments, {}};
  return HandOut(line);
}

TCefSchemeRegistrar* NewSchemeRegistrar() {
  auto* registrar = MakeObject<TCefSchemeRegistrar>("scheme_registrar");
  registrar->add_custom_scheme = RegistrarAddCustomScheme;
  return HandOut(registrar);
}

TCefBase* NewObject(const std::string& kind) {
  return HandOut(MakeObject<TCefBase>(kind));
}

int RefCountOf(const void* object) {
  std::lock_guard guard(State().Lock);
  const auto found = State().Objects.find(object);
  return found == State().Objects.end() ? -1 : found->second.References - 1;
}

TCefStringUserFreeUtf16 NewUserFreeString(const std::u16string& text) {
  return NewUserFreeUtf16(text);
}

TCefStringUtf16 NewOwnedString(const std::u16string& text) {
  TCefStringUtf16 record{};
  SetOwnedUtf16(&record, text);
  return record;
}

int LiveStringCount() {
  std::lock_guard guard(State().Lock);
  return static_cast<int>(State().LiveBuffers.size() + State().LiveUserFreeRecords.size());
}

const std::vector<std::u16string>& RegisteredSchemes() {
  return State().RegisteredSchemes;
}

const TInitializeRecord& LastInitialize() {
  return InitializeRecord();
}

TCefApp* App() {
  return State().HeldApps.empty() ? nullptr : State().HeldApps.front();
}

TCefClient* Client() {
  return State().HeldClients.empty() ? nullptr : State().HeldClients.back();
}

void ReleaseApp() {
  std::lock_guard guard(State().Lock);
  ReleaseProgramObjects(State().HeldApps);
}

}  // namespace FakeRuntime

#pragma once

// Test-facing side of the fake runtime library (libcef.so). A test executable links against
// one build of the fake; the binding's dlopen("libcef.so") then finds that same, already
// loaded library, so the test and the binding see one runtime state.
//
// The fake records every call the program makes into it, counts the references of every
// object it hands out and of every text buffer it allocates, and holds the program objects it
// receives the way a runtime would, so a test can fire their entries.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cef_capi.h"

namespace FakeRuntime {

// Forgets calls and captured values, frees every object and text the fake made and releases
// the program objects it still holds. Call between tests.
void Reset();

// How this build was configured: the entry point it lacks (empty when none), and what
// cef_execute_process answers (negative: the browser process).
std::string_view OmittedEntry();
int ExecuteProcessResult();

// Calls made into the runtime, in order: exported functions by name ("cef_initialize"),
// entries of runtime objects as "<kind>.<entry>" ("command_line.get_program").
const std::vector<std::string>& Calls();
int CallCount(std::string_view name);
void ClearCalls();

// One line per problem: an object the program still holds a reference to, an object released
// more often than it was handed out, a text buffer never freed. Empty when all is well.
std::vector<std::string> LeakReport();

// Objects made for a test, each carrying one reference for the caller (as if the runtime had
// handed it out); the fake keeps its own reference until Reset.
TCefCommandLine* NewCommandLine(const std::u16string& program,
                                const std::vector<std::u16string>& arguments);
TCefSchemeRegistrar* NewSchemeRegistrar();
// A plain counted object with no entries beyond the header.
TCefBase* NewObject(const std::string& kind);
// A zero-filled object of size bytes whose entries a test fills in.
void* NewObjectOfSize(size_t size, const std::string& kind);
template <class TStruct>
TStruct* NewObjectOf(const std::string& kind) {
  return static_cast<TStruct*>(NewObjectOfSize(sizeof(TStruct), kind));
}
int RefCountOf(const void* object);
// The kind an object was made with; empty for one the fake did not make.
std::string KindOf(const void* object);

// The text argument of the last exported function that took one (browser creation, cookie
// manager creation, script string creation) or of the global cookie manager's
// set_storage_path.
const std::u16string& LastTextArgument();
// The time passed to the last cef_v8value_create_date.
const RuntimeTime& LastDateArgument();

// Runtime-allocated text, as the runtime would hand it to the program: a user-free string
// and a record owning its buffer. Both count as live until the program frees them.
TCefStringUserFreeUtf16 NewUserFreeString(const std::u16string& text);
TCefStringUtf16 NewOwnedString(const std::u16string& text);
int LiveStringCount();

// Schemes passed to the last registrar's add_custom_scheme.
const std::vector<std::u16string>& RegisteredSchemes();

// What cef_initialize received, with the settings' text copied out of the borrowed views.
struct TInitializeRecord {
  RuntimeSettings Settings;  // its string views are cleared; use the copies below
  std::u16string BrowserSubprocessPath, CachePath, UserAgent, ProductVersion, Locale, LogFile,
      JavaScriptFlags, ResourcesDirPath, LocalesDirPath;
  bool SettingsStrViewsNonNull = false;  // every borrowed view pointed at text
};
const TInitializeRecord& LastInitialize();

// Program objects the runtime holds: the application of cef_execute_process and
// cef_initialize (one reference each), the client of the last browser creation.
TCefApp* App();
TCefClient* Client();
// Releases the application references, as cef_shutdown does.
void ReleaseApp();

// Makes the browsers that cef_browser_host_create_browser_sync answers, for tests that need a
// browser with entries; the factory's result carries the reference for the program, and null
// means the runtime made no browser. Without a factory the browser has no entries.
using TBrowserFactory = std::function<TCefBrowser*(const TCefWindowInfo* windowInfo,
                                                   const TCefBrowserSettings* settings)>;
void SetBrowserFactory(TBrowserFactory factory);
// Runs inside every cef_do_message_loop_work call, as the runtime's pending work would.
void SetMessageLoopWork(std::function<void()> work);

// The extension entry points of our runtime (corvane_runtime_ext.h). Whether this build
// exports them; what the last corvane_find received; the kind of the host the last extension
// call received (empty for none).
bool ExtensionsExported();
struct TFindRecord {
  std::u16string Text;
  bool Forward = false;
  bool HadHandler = false;
};
const TFindRecord& LastFind();
const std::string& LastExtensionHost();
// Answers the oldest search still waiting with matchCount and releases its handler, as the
// runtime does; false when no search waits.
bool AnswerOldestFind(int32_t matchCount);

// Calls entry of a structure the program exposed, passing the structure first.
template <class TStruct, class TEntry, class... TArgs>
auto Fire(TStruct* object, TEntry TStruct::*entry, TArgs... args) {
  return (object->*entry)(object, args...);
}

// Asks the held client for a handler with getter, calls entry on it and releases the handler.
// False when the client answers no handler.
template <class TGetter, class TEntry, class... TArgs>
bool FireHandler(TGetter TCefClient::*getter, TEntry entry, TArgs... args) {
  TCefClient* client = Client();
  auto* handler = client ? (client->*getter)(client) : nullptr;
  if (!handler) return false;
  Fire(handler, entry, args...);
  handler->base.release(&handler->base);
  return true;
}

}  // namespace FakeRuntime

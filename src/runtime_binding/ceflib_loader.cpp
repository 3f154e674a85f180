#include "ceflib_loader.h"

#include <dlfcn.h>
#include <xmmintrin.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "ceflib_api.h"
#include "ceflib_app.h"
#include "ceflib_errors.h"
#include "ceflib_extensions.h"
#include "ceflib_strings.h"

TRuntimeEntryPoints RuntimeApi;
void* RuntimeLibraryHandle;
bool RuntimeInitialized;

namespace {

TRuntimeStartupSettings* StartupSettings;

constexpr unsigned SseExceptionMasks = 0x1F80;
constexpr unsigned SseExceptionFlags = 0x3F;

// The runtime expects floating-point exceptions masked: mask all six, drop pending ones.
void MaskFloatingPointExceptions() {
  _mm_setcsr((_mm_getcsr() | SseExceptionMasks) & ~SseExceptionFlags);
#if defined(__i386__)
  uint16_t controlWord;
  asm volatile("fnstcw %0" : "=m"(controlWord));
  controlWord |= 0x3F;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(controlWord));
#endif
}

// dlopen restores errno, but its message ends with the text of the error that stopped the
// look-up; a file that is there but cannot be loaded counts as ENOEXEC.
int LoadErrorCode(std::string_view message) {
  for (int code = 1; code < 256; ++code) {
    const char* description = strerrordesc_np(code);
    if (!description) continue;
    const std::string_view text = description;
    if (message.size() > text.size() && message.ends_with(text) &&
        message.substr(0, message.size() - text.size()).ends_with(": "))
      return code;
  }
  return ENOEXEC;
}

// Never unmapped while the process lives: the runtime's engine keeps threads of its own that
// may still run in its libraries while the process exits, and unmapping them under those
// threads crashes the exit. Closing the handle only forgets it.
void OpenRuntimeLibrary(const std::string& name) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* message = dlerror();
    const std::string text = message ? message : "";
    throw MakeOSError(LoadErrorCode(text), text);
  }
  RuntimeLibraryHandle = handle;
}

void CloseRuntimeLibrary() {
  RuntimeApi = {};
  ResolveRuntimeExtensions(nullptr);
  ClearGenericStringOperations();
  dlclose(RuntimeLibraryHandle);
  RuntimeLibraryHandle = nullptr;
}

// True when the library exports every entry point.
bool ResolveEntryPoints() {
  bool complete = true;
#define CEFLIB_RESOLVE(result, name, params)                                       \
  RuntimeApi.name = reinterpret_cast<T##name>(dlsym(RuntimeLibraryHandle, #name)); \
  complete = complete && RuntimeApi.name;
  CEF_EXPORTED_FUNCTIONS(CEFLIB_RESOLVE)
#undef CEFLIB_RESOLVE
  return complete;
}

// A library lacking an entry point is released at once: recording its handle would let a
// later EnsureRuntimeLoaded report success for a runtime that never started.
void BindRuntimeLibrary(const std::string& name) {
  OpenRuntimeLibrary(name);
  const bool complete = ResolveEntryPoints();
  if (!complete) {
    CloseRuntimeLibrary();
    throw ECefException("Invalid CEF Library version");
  }
  ResolveRuntimeExtensions(RuntimeLibraryHandle);
  SetGenericStringOperations();
}

// Settings and hooks go back to their initial values.
void ResetStartupState() {
  ClearRuntimeStartupHooks();
  delete StartupSettings;
  StartupSettings = nullptr;
}

RuntimeMainArgs& ProgramMainArgs() {
  static RuntimeMainArgs args{};
  if (!args.instance) args.instance = dlopen(nullptr, RTLD_NOW);
  return args;
}

// Runs the runtime's process start-up; false in one of its sub-processes.
bool StartRuntimeProcess(const RuntimeSettings& settings) {
  const TRef<TCefAppOwn> app = MakeRef<TInternalApp>();
  const int32_t exitCode =
      RuntimeApi.cef_execute_process(&ProgramMainArgs(), RuntimePointerOf<TCefApp>(app));
  if (exitCode >= 0) return false;
  RuntimeApi.cef_initialize(&ProgramMainArgs(), &settings, RuntimePointerOf<TCefApp>(app));
  RuntimeInitialized = true;
  return true;
}

}  // namespace

TRuntimeStartupSettings& RuntimeStartup() {
  if (!StartupSettings) StartupSettings = new TRuntimeStartupSettings();
  return *StartupSettings;
}

bool EnsureRuntimeLoaded() {
  if (RuntimeLibraryHandle) return true;
  const TRuntimeStartupSettings& s = RuntimeStartup();
  return LoadRuntimeLibrary(
      s.StartupCachePath, s.StartupUserAgent, s.StartupProductVersion, s.StartupLocale,
      s.StartupLogFile, s.StartupSubprocessPath, s.StartupLogSeverity, s.StartupAutoDetectProxy,
      s.StartupJavaScriptFlags, s.StartupResourcesDirPath, s.StartupLocalesDirPath,
      s.StartupSingleProcess, s.StartupCommandLineArgsDisabled, s.StartupPackLoadingDisabled,
      s.StartupRemoteDebuggingPort);
}

bool LoadRuntimeLibrary(const ustring& cachePath, const ustring& userAgent,
                        const ustring& productVersion, const ustring& locale,
                        const ustring& logFile, const ustring& browserSubprocessPath,
                        int32_t logSeverity, bool autoDetectProxy, const ustring& javaScriptFlags,
                        const ustring& resourcesDirPath, const ustring& localesDirPath,
                        bool singleProcess, bool commandLineArgsDisabled, bool packLoadingDisabled,
                        int32_t remoteDebuggingPort) {
  if (RuntimeLibraryHandle) return true;
  MaskFloatingPointExceptions();
  BindRuntimeLibrary(RuntimeStartup().RuntimeLibraryName);

  RuntimeSettings settings{};
  settings.size = sizeof(RuntimeSettings);
  settings.single_process = singleProcess;
  settings.browser_subprocess_path = BorrowRuntimeString(browserSubprocessPath);
  settings.multi_threaded_message_loop = false;
  settings.command_line_args_disabled = commandLineArgsDisabled;
  settings.cache_path = BorrowRuntimeString(cachePath);
  settings.user_agent = BorrowRuntimeString(userAgent);
  settings.product_version = BorrowRuntimeString(productVersion);
  settings.locale = BorrowRuntimeString(locale);
  settings.log_file = BorrowRuntimeString(logFile);
  settings.log_severity = logSeverity;
  settings.javascript_flags = BorrowRuntimeString(javaScriptFlags);
  settings.auto_detect_proxy_settings_enabled = autoDetectProxy;
  settings.resources_dir_path = BorrowRuntimeString(resourcesDirPath);
  settings.locales_dir_path = BorrowRuntimeString(localesDirPath);
  settings.pack_loading_disabled = packLoadingDisabled;
  settings.remote_debugging_port = remoteDebuggingPort;
  return StartRuntimeProcess(settings);
}

void ShutDownRuntime() {
  if (!RuntimeLibraryHandle) return;
  if (RuntimeInitialized) RuntimeApi.cef_shutdown();
  // The hooks may hold runtime objects: release them while the library is still there.
  ResetStartupState();
  CloseRuntimeLibrary();
}

void DoRuntimeMessageLoopWork() {
  if (RuntimeLibraryHandle) RuntimeApi.cef_do_message_loop_work();
}

void FinalizeRuntimeBinding() {
  ShutDownRuntime();
  ResetStartupState();
  RuntimeInitialized = false;
}

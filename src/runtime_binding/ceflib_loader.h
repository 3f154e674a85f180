#pragma once

#include <cstdint>
#include <string>

#include "ustring.h"

// Start-up settings of the runtime: fixed values that feed the settings record.
struct TRuntimeStartupSettings {
  std::string RuntimeLibraryName = "libcef.so";
  ustring StartupCachePath;
  ustring StartupUserAgent;
  ustring StartupProductVersion;
  ustring StartupLocale;
  ustring StartupLogFile;
  int32_t StartupLogSeverity = 99;  // the runtime's value for logging switched off
  ustring StartupJavaScriptFlags;
  bool StartupAutoDetectProxy = false;
  ustring StartupResourcesDirPath;
  ustring StartupLocalesDirPath;
  bool StartupPackLoadingDisabled = false;
  bool StartupSingleProcess = true;
  ustring StartupSubprocessPath;
  bool StartupCommandLineArgsDisabled = false;
  int32_t StartupRemoteDebuggingPort = 0;
};

// The binding's module state for the settings, created on first use.
TRuntimeStartupSettings& RuntimeStartup();

// Handle of the loaded runtime library; null while none is loaded.
extern void* RuntimeLibraryHandle;
// Set once the runtime's initialize entry point has been called.
extern bool RuntimeInitialized;

// Loads and starts the runtime with the start-up settings unless it is loaded already.
// False when the runtime reports this process as one of its sub-processes.
bool EnsureRuntimeLoaded();

// Loads the runtime library, checks that it exports every entry point, and runs the runtime's
// process start-up. Raises EOSError when the library cannot be loaded and ECefException
// "Invalid CEF Library version" when an entry point is missing; in both cases nothing stays
// loaded, so a later call tries again.
bool LoadRuntimeLibrary(const ustring& cachePath, const ustring& userAgent,
                        const ustring& productVersion, const ustring& locale,
                        const ustring& logFile, const ustring& browserSubprocessPath,
                        int32_t logSeverity, bool autoDetectProxy, const ustring& javaScriptFlags,
                        const ustring& resourcesDirPath, const ustring& localesDirPath,
                        bool singleProcess, bool commandLineArgsDisabled, bool packLoadingDisabled,
                        int32_t remoteDebuggingPort);

// Shuts the runtime down (if it was initialized) and forgets its library, which stays mapped
// until the process ends. Called once at exit, after every runtime object the program held
// has been released.
void ShutDownRuntime();

// One unit of the runtime's message-loop work; nothing while no runtime is loaded.
void DoRuntimeMessageLoopWork();

// Module end of the binding: shuts the runtime down and drops the module state, returning
// every setting and hook to its initial value.
void FinalizeRuntimeBinding();

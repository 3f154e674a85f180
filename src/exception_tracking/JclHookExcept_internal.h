#pragma once

// State shared by the parts of the exception hook; not for other units.

#include <cstdint>

#include "JclHookExcept.h"

// Two words laid out like a saved frame pointer and the return address above it. The hooks
// build one on the raising thread's stack, so stack walks start at the raising frame.
struct THookFrameRecord {
  uintptr_t CallerFrame;
  uintptr_t CallerAddr;
};

// True while the module's notifier list exists.
bool HookNotifierListAlive();

// True while a dispatch runs on this thread.
bool HookNotifyInProgress();
void SetHookNotifyInProgress(bool Value);

// The next raise on this thread is not reported: it throws an exception already reported.
void PassOnNextRaiseOnThisThread();

// Installs the fault handlers once; called by InstallExceptionHook after the raise routines
// have been redirected.
void InstallFaultHandlers();

// Keeps hook routines in one section, so a return address can be told apart as the hook's.
#define HOOK_CODE __attribute__((section("corvane_hook_text"), noinline))

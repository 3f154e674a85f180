#pragma once

#include "cef_capi.h"

// Tasks for the main thread, run from the default main context.
void RememberMainThread();
bool IsMainThread();
bool PostMainThreadTask(TCefTask* task, int64_t delayMs);
// Releases tasks that never ran; called at shutdown.
void DropPendingTasks();

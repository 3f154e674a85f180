#pragma once

// Reports every exception the process raises, at the moment it is raised and on the raising
// thread, to a prioritised list of notifier routines.

#include <cstdint>

enum TJclExceptNotifyPriority : uint8_t { npNormal = 0, npFirstChain = 1 };

struct TExceptObject;

using TJclExceptNotifyProc = void (*)(const TExceptObject* ExceptObj, void* ExceptAddr,
                                      bool OSException);
using TJclExceptNotifyProcEx = void (*)(const TExceptObject* ExceptObj, void* ExceptAddr,
                                        bool OSException, void* StackPointer);

bool RegisterExceptNotifier(TJclExceptNotifyProc NotifyProc, TJclExceptNotifyPriority Priority);
bool UnregisterExceptNotifier(TJclExceptNotifyProc NotifyProc);

#include "JclHookExcept.h"

bool RegisterExceptNotifier(TJclExceptNotifyProc NotifyProc, TJclExceptNotifyPriority) {
  return NotifyProc != nullptr;
}

bool UnregisterExceptNotifier(TJclExceptNotifyProc NotifyProc) {
  return NotifyProc != nullptr;
}

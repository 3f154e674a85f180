#include "JclHookExcept.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "JclHookExcept_internal.h"

namespace {

struct TNotifierList {
  std::recursive_mutex Lock;
  std::vector<TNotifierItem*> Items;  // under Lock
  std::atomic<bool> Alive = false;    // from module start to module end; changed under Lock
};

// Never freed: a dispatch on another thread may be waiting for its lock while the module ends.
TNotifierList& Notifiers() {
  static TNotifierList* const list = new TNotifierList;
  return *list;
}

thread_local bool NotifyInProgress = false;
thread_local void* RaiseAddress = nullptr;
thread_local uint64_t DispatchCount = 0;
thread_local uint64_t CurrentDispatch = 0;

bool AddNotifier(TNotifierItem* Item) {
  TNotifierList& list = Notifiers();
  std::lock_guard lock(list.Lock);
  if (!list.Alive) {
    delete Item;
    return false;
  }
  list.Items.push_back(Item);
  return true;
}

template <class Matches>
bool RemoveNotifiers(Matches matches) {
  TNotifierList& list = Notifiers();
  std::lock_guard lock(list.Lock);
  auto& items = list.Items;
  std::erase_if(items, [&](TNotifierItem* item) {
    if (!matches(*item)) return false;
    delete item;
    return true;
  });
  return true;
}

// Clears the per-thread dispatch state on every way out of a dispatch.
struct TDispatchScope {
  explicit TDispatchScope(void* ExceptAddr) {
    NotifyInProgress = true;
    RaiseAddress = ExceptAddr;
    CurrentDispatch = ++DispatchCount;
  }
  ~TDispatchScope() {
    NotifyInProgress = false;
    RaiseAddress = nullptr;
    CurrentDispatch = 0;
  }
};

}  // namespace

void* TExceptObject::AdjustedTo(const std::type_info& Class) const {
  if (!Object || !Type) return nullptr;
  void* adjusted = Object;  // the catch test moves the pointer to the base-class part
  return Class.__do_catch(Type, &adjusted, 1) ? adjusted : nullptr;
}

std::string TExceptObject::ClassName() const {
  if (const auto* own = As<Exception>()) return own->ClassName();
  if (!Type) return "";
  int status = 0;
  char* demangled = abi::__cxa_demangle(Type->name(), nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : Type->name();
  std::free(demangled);
  return name;
}

std::string TExceptObject::Message() const {
  const auto* standard = As<std::exception>();
  return standard ? standard->what() : "";
}

TNotifierItem::TNotifierItem(TJclExceptNotifyProc NotifyProc, TJclExceptNotifyPriority Priority)
    : FNotifyProc(NotifyProc), FPriority(Priority) {}

TNotifierItem::TNotifierItem(TJclExceptNotifyProcEx NotifyProc, TJclExceptNotifyPriority Priority)
    : FNotifyProcEx(NotifyProc), FPriority(Priority) {}

TNotifierItem::TNotifierItem(TJclExceptNotifyMethod NotifyMethod, TJclExceptNotifyPriority Priority)
    : FNotifyMethod(NotifyMethod), FPriority(Priority) {}

void TNotifierItem::DoNotify(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                             void* StackPointer) const {
  if (FNotifyProc)
    FNotifyProc(ExceptObj, ExceptAddr, OSException);
  else if (FNotifyProcEx)
    FNotifyProcEx(ExceptObj, ExceptAddr, OSException, StackPointer);
  else if (FNotifyMethod.Code)
    FNotifyMethod.Code(FNotifyMethod.Data, ExceptObj, ExceptAddr, OSException);
}

bool RegisterExceptNotifier(TJclExceptNotifyProc NotifyProc, TJclExceptNotifyPriority Priority) {
  return NotifyProc && AddNotifier(new TNotifierItem(NotifyProc, Priority));
}

bool RegisterExceptNotifierEx(TJclExceptNotifyProcEx NotifyProc,
                              TJclExceptNotifyPriority Priority) {
  return NotifyProc && AddNotifier(new TNotifierItem(NotifyProc, Priority));
}

bool RegisterExceptNotifierMethod(TJclExceptNotifyMethod NotifyMethod,
                                  TJclExceptNotifyPriority Priority) {
  return NotifyMethod.Code && AddNotifier(new TNotifierItem(NotifyMethod, Priority));
}

bool UnregisterExceptNotifier(TJclExceptNotifyProc NotifyProc) {
  return NotifyProc &&
         RemoveNotifiers([&](const TNotifierItem& item) { return item.FNotifyProc == NotifyProc; });
}

bool UnregisterExceptNotifierEx(TJclExceptNotifyProcEx NotifyProc) {
  return NotifyProc && RemoveNotifiers([&](const TNotifierItem& item) {
           return item.FNotifyProcEx == NotifyProc;
         });
}

bool UnregisterExceptNotifierMethod(TJclExceptNotifyMethod NotifyMethod) {
  return NotifyMethod.Code && RemoveNotifiers([&](const TNotifierItem& item) {
           return item.FNotifyMethod.Code == NotifyMethod.Code &&
                  item.FNotifyMethod.Data == NotifyMethod.Data;
         });
}

void DispatchExceptNotification(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException,
                                void* StackPointer) {
  if (NotifyInProgress || !HookNotifierListAlive()) return;
  TNotifierList& list = Notifiers();
  TDispatchScope scope(ExceptAddr);
  std::lock_guard lock(list.Lock);
  if (!list.Alive) return;  // the module ended while this waited
  const auto& items = list.Items;
  if (items.size() == 1) {
    items[0]->DoNotify(ExceptObj, ExceptAddr, OSException, StackPointer);
    return;
  }
  for (auto priority : {npFirstChain, npNormal}) {
    const size_t count = items.size();
    for (size_t i = 0; i < count && i < items.size(); ++i)
      if (items[i]->Priority() == priority)
        items[i]->DoNotify(ExceptObj, ExceptAddr, OSException, StackPointer);
  }
}

void* CurrentRaiseAddress() {
  return RaiseAddress;
}

uint64_t CurrentDispatchId() {
  return CurrentDispatch;
}

bool HookNotifierListAlive() {
  return Notifiers().Alive;
}
bool HookNotifyInProgress() {
  return NotifyInProgress;
}
void SetHookNotifyInProgress(bool Value) {
  NotifyInProgress = Value;
}

void StartHookExcept() {
  TNotifierList& list = Notifiers();
  std::lock_guard lock(list.Lock);
  list.Alive = true;
}

void EndHookExcept() {
  TNotifierList& list = Notifiers();
  std::lock_guard lock(list.Lock);
  for (TNotifierItem* item : list.Items) delete item;
  list.Items.clear();
  list.Alive = false;
}

#include "RtTasks.h"

#include <glib.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "RtGuard.h"
#include "RtObject.h"

namespace {

struct TPendingTask {
  TClientRef<TCefTask> Task;
  guint Source = 0;
};

GThread* MainThread = nullptr;
std::mutex PendingLock;
std::vector<TPendingTask*>* Pending = nullptr;  // guarded by PendingLock

bool Forget(TPendingTask* pending) {
  std::lock_guard lock(PendingLock);
  if (!Pending) return false;
  auto found = std::find(Pending->begin(), Pending->end(), pending);
  if (found == Pending->end()) return false;
  Pending->erase(found);
  return true;
}

gboolean RunTask(gpointer data) {
  auto* pending = static_cast<TPendingTask*>(data);
  Guarded("task", [&] {
    if (pending->Task->execute) pending->Task->execute(pending->Task.get(), TID_UI);
  });
  if (Forget(pending)) delete pending;
  return G_SOURCE_REMOVE;
}

}  // namespace

void RememberMainThread() {
  MainThread = g_thread_self();
}

bool IsMainThread() {
  return MainThread && g_thread_self() == MainThread;
}

bool PostMainThreadTask(TCefTask* task, int64_t delayMs) {
  if (!task) return false;
  auto* pending = new TPendingTask{TClientRef<TCefTask>(task)};
  std::lock_guard lock(PendingLock);
  if (!Pending) Pending = new std::vector<TPendingTask*>;
  Pending->push_back(pending);
  const auto delay = guint(std::clamp<int64_t>(delayMs, 0, G_MAXUINT));
  pending->Source = delay ? g_timeout_add(delay, RunTask, pending) : g_idle_add(RunTask, pending);
  return true;
}

void DropPendingTasks() {
  std::vector<TPendingTask*>* dropped = nullptr;
  {
    std::lock_guard lock(PendingLock);
    dropped = std::exchange(Pending, nullptr);
  }
  if (!dropped) return;
  for (TPendingTask* pending : *dropped) {
    g_source_remove(pending->Source);
    delete pending;
  }
  delete dropped;
}

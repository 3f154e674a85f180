#include "Timers.h"

#include <glib.h>

#include <cstring>

#include "Application.h"

namespace {

constexpr const char* kTimerSourceName = "corvane-timer";

gboolean DispatchTimer(gpointer data) {
  CallGuarded(nullptr, *static_cast<TTimerProc*>(data));
  return G_SOURCE_CONTINUE;
}

void DeleteTimerProc(gpointer data) {
  delete static_cast<TTimerProc*>(data);
}

}  // namespace

TTimerId SetTimer(unsigned intervalMs, TTimerProc proc) {
  g_autoptr(GSource) source = g_timeout_source_new(intervalMs);
  g_source_set_name(source, kTimerSourceName);
  // GLib keeps the callback alive until a running dispatch returns, so a timer may kill itself.
  g_source_set_callback(source, DispatchTimer, new TTimerProc(std::move(proc)), DeleteTimerProc);
  return g_source_attach(source, g_main_context_default());
}

bool KillTimer(TTimerId id) {
  GSource* source = g_main_context_find_source_by_id(g_main_context_default(), id);
  if (!source) return false;
  const char* name = g_source_get_name(source);
  if (!name || std::strcmp(name, kTimerSourceName) != 0) return false;
  g_source_destroy(source);
  return true;
}

#include "RtMainLoop.h"

#include <glib.h>

namespace {

// Long enough for a busy network process, short enough that a stuck one cannot hang the host.
constexpr guint kSyncWaitMilliseconds = 5000;
// Bounds a drain so that a steady stream of ready sources cannot hold up the caller.
constexpr int kMaxDrainRounds = 50;

gboolean OnWaitExpired(gpointer expired) {
  *static_cast<bool*>(expired) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

bool IterateMainContextUntil(const std::function<bool()>& done) {
  bool expired = false;
  const guint timer = g_timeout_add(kSyncWaitMilliseconds, OnWaitExpired, &expired);
  while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
  return done();
}

void PumpMainContext() {
  // Called from the host's timer inside its loop, a nested round would only repeat that
  // loop's work at a cost.
  if (g_main_context_is_owner(g_main_context_default())) return;
  g_main_context_iteration(nullptr, FALSE);
}

void DrainMainContext() {
  for (int round = 0; round < kMaxDrainRounds; ++round)
    if (!g_main_context_iteration(nullptr, FALSE)) break;
}

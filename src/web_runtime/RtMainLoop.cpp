#include "RtMainLoop.h"

#include <glib.h>

namespace {

// Long enough for a busy network process, short enough that a stuck one cannot hang the host.
constexpr guint kSyncWaitMilliseconds = 5000;
// Bounds one pump so that a steady stream of ready sources cannot starve the host's loop.
constexpr int kMaxDispatchesPerPump = 50;

gboolean OnWaitExpired(gpointer expired) {
  *static_cast<bool*>(expired) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

bool IterateMainContextUntil(const bool& done) {
  bool expired = false;
  const guint timer = g_timeout_add(kSyncWaitMilliseconds, OnWaitExpired, &expired);
  while (!done && !expired) g_main_context_iteration(nullptr, TRUE);
  if (!expired) g_source_remove(timer);
  return done;
}

void IterateMainContextOnce() {
  for (int round = 0; round < kMaxDispatchesPerPump; ++round)
    if (!g_main_context_iteration(nullptr, FALSE)) break;
}

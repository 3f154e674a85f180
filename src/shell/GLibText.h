#pragma once

#include <glib.h>

#include <string>

// Text that GLib handed over to be freed (null for none), copied and freed.
inline std::string TakeText(gchar* text) {
  g_autofree gchar* owned = text;
  return owned ? owned : "";
}

#pragma once

#include <glib.h>

#include <string>

// Text that GLib handed over to be freed (null for none), copied and freed.
inline std::string TakeText(gchar* text) {
  std::string result = text ? text : "";
  g_free(text);
  return result;
}

#pragma once

#include <glib.h>

#include <exception>

// Runs a callback body that C code called; nothing may unwind into WebKit, GLib or the
// client, so failures are logged and the fallback (if any) answered.
template <class TBody, class... TFallback>
auto Guarded(const char* where, TBody&& body, TFallback... fallback) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    g_warning("%s: %s", where, error.what());
  } catch (...) {
    g_warning("%s: unknown exception", where);
  }
  if constexpr (sizeof...(fallback) > 0) return (fallback, ...);
}

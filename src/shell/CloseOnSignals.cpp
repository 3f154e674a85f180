#include "CloseOnSignals.h"

#include <glib-unix.h>

#include <csignal>

#include "Application.h"

namespace {

gboolean CloseMainForm(gpointer) {
  CallGuarded(nullptr, [] {
    if (!Application) return;
    if (TForm* form = Application->MainForm())
      form->Close();
    else
      Application->Terminate();  // not running yet: Run returns at once
  });
  return G_SOURCE_CONTINUE;
}

}  // namespace

TCloseOnSignals::TCloseOnSignals()
    : FTermSource(g_unix_signal_add(SIGTERM, CloseMainForm, nullptr)),
      FInterruptSource(g_unix_signal_add(SIGINT, CloseMainForm, nullptr)) {}

TCloseOnSignals::~TCloseOnSignals() {
  g_source_remove(FInterruptSource);
  g_source_remove(FTermSource);
}

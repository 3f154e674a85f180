#pragma once

#include <gio/gio.h>
#include <gtk/gtk.h>

// Light or dark as the desktop wants it, for pages (prefers-color-scheme), the runtime's own
// pages and the program's windows: the desktop's colour-scheme setting where a settings portal
// runs, followed live, else GTK's own settings. Exists between runtime start and stop.
class TAppearance {
 public:
  static void Start();
  static void Stop();

 private:
  explicit TAppearance(GtkSettings* settings);
  ~TAppearance();
  TAppearance(const TAppearance&) = delete;
  TAppearance& operator=(const TAppearance&) = delete;

  void Follow(GDBusConnection* bus);
  void SchemeChanged(GVariant* value);
  void Apply() const;

  static void OnBus(GObject*, GAsyncResult* result, gpointer self);
  static void OnRead(GObject* bus, GAsyncResult* result, gpointer self);
  static void OnSettingChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar*, GVariant* parameters, gpointer self);

  static inline TAppearance* Current = nullptr;

  GtkSettings* FSettings;
  // GTK's own choice, from its settings file, before the desktop's setting is applied.
  gboolean FGtkPrefersDark = FALSE;
  // The portal's color-scheme: 0 no preference, 1 dark, 2 light.
  guint32 FScheme = 0;
  GCancellable* FCancellable;
  GDBusConnection* FBus = nullptr;
  guint FSubscription = 0;
};

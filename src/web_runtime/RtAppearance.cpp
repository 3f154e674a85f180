#include "RtAppearance.h"

#include <cstring>
#include <utility>

#include "RtGuard.h"

namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kSettingsInterface[] = "org.freedesktop.portal.Settings";
constexpr char kAppearanceNamespace[] = "org.freedesktop.appearance";
constexpr char kColorSchemeKey[] = "color-scheme";
// WebKit derives prefers-color-scheme from it, GTK the theme variant of every window.
constexpr char kPreferDark[] = "gtk-application-prefer-dark-theme";

constexpr guint32 kPrefersDark = 1;
constexpr guint32 kPrefersLight = 2;

// Read wraps the value in one variant more than the change signal does.
GVariant* Unwrapped(GVariant* value) {
  g_autoptr(GVariant) inner = g_variant_ref(value);
  while (g_variant_is_of_type(inner, G_VARIANT_TYPE_VARIANT)) {
    g_autoptr(GVariant) outer = std::exchange(inner, g_variant_get_variant(inner));
  }
  return g_steal_pointer(&inner);
}

}  // namespace

// No display, no settings: nothing to follow.
void TAppearance::Start() {
  GtkSettings* settings = gtk_settings_get_default();
  if (!Current && settings) Current = new TAppearance(settings);
}

void TAppearance::Stop() {
  delete Current;
  Current = nullptr;
}

TAppearance::TAppearance(GtkSettings* settings)
    : FSettings(GTK_SETTINGS(g_object_ref(settings))), FCancellable(g_cancellable_new()) {
  g_object_get(FSettings, kPreferDark, &FGtkPrefersDark, nullptr);
  // Asynchronous: a portal being started on demand must not hold up the program's start.
  g_bus_get(G_BUS_TYPE_SESSION, FCancellable, OnBus, this);
}

// The program's windows go back to GTK's own choice.
TAppearance::~TAppearance() {
  g_cancellable_cancel(FCancellable);
  if (FSubscription) g_dbus_connection_signal_unsubscribe(FBus, FSubscription);
  g_clear_object(&FBus);
  g_object_unref(FCancellable);
  FScheme = 0;
  Apply();
  g_object_unref(FSettings);
}

// Subscribed before reading, so a change between the two is not lost.
void TAppearance::Follow(GDBusConnection* bus) {
  FBus = bus;
  FSubscription = g_dbus_connection_signal_subscribe(
      FBus, kPortalName, kSettingsInterface, "SettingChanged", kPortalPath, kAppearanceNamespace,
      G_DBUS_SIGNAL_FLAGS_NONE, OnSettingChanged, this, nullptr);
  g_dbus_connection_call(FBus, kPortalName, kPortalPath, kSettingsInterface, "Read",
                         g_variant_new("(ss)", kAppearanceNamespace, kColorSchemeKey),
                         G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1, FCancellable, OnRead,
                         this);
}

void TAppearance::SchemeChanged(GVariant* value) {
  g_autoptr(GVariant) scheme = Unwrapped(value);
  FScheme = g_variant_is_of_type(scheme, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(scheme) : 0;
  Apply();
}

// Without a preference from the portal, GTK's own (a "-dark" theme name WebKit and GTK read
// themselves).
void TAppearance::Apply() const {
  const gboolean dark = FScheme == kPrefersDark    ? TRUE
                        : FScheme == kPrefersLight ? FALSE
                                                   : FGtkPrefersDark;
  gboolean current = FALSE;
  g_object_get(FSettings, kPreferDark, &current, nullptr);
  if (current != dark) g_object_set(FSettings, kPreferDark, dark, nullptr);
}

// A cancelled call answers no bus, so the object is still there when there is one. No session
// bus: GTK's settings stay in charge.
void TAppearance::OnBus(GObject*, GAsyncResult* result, gpointer self) {
  Guarded("session bus", [&] {
    g_autoptr(GError) error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (bus) static_cast<TAppearance*>(self)->Follow(bus);
  });
}

// Cancelled, no portal, or one without the setting: GTK's settings stay in charge.
void TAppearance::OnRead(GObject* bus, GAsyncResult* result, gpointer self) {
  Guarded("color-scheme", [&] {
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
    if (!reply) return;
    g_autoptr(GVariant) value = g_variant_get_child_value(reply, 0);
    static_cast<TAppearance*>(self)->SchemeChanged(value);
  });
}

void TAppearance::OnSettingChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar*, GVariant* parameters, gpointer self) {
  Guarded("SettingChanged", [&] {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
    const char* space = nullptr;
    const char* key = nullptr;
    g_autoptr(GVariant) value = nullptr;
    g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
    if (std::strcmp(space, kAppearanceNamespace) == 0 && std::strcmp(key, kColorSchemeKey) == 0)
      static_cast<TAppearance*>(self)->SchemeChanged(value);
  });
}

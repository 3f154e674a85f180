#include "RtNotifications.h"

#include <map>
#include <memory>
#include <utility>

#include "RtGuard.h"
#include "RtText.h"

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr gint64 kMinimumSpacing = G_USEC_PER_SEC;  // per page
constexpr char kLastShownKey[] = "corvane-last-notification";
constexpr char kDefaultAction[] = "default";

// One notification the page showed, from the request to the service until it is closed.
struct TShown {
  WebKitNotification* Notification;  // counted
  GWeakRef View;
  guint32 Id = 0;           // the service's, once it answered
  bool PageClosed = false;  // before the service answered
};

class TNotifier {
 public:
  static TNotifier& Instance() {
    if (!Current) Current = new TNotifier;
    return *Current;
  }
  static void End() { delete std::exchange(Current, nullptr); }

  void Show(WebKitWebView* view, WebKitNotification* notification);

 private:
  TNotifier();
  ~TNotifier();
  GDBusConnection* Bus();
  void Forget(TShown* shown);
  TShown* Find(guint32 id);
  void Answered(TShown* shown, GVariant* reply);
  void Clicked(guint32 id);
  void ClosedByService(guint32 id);
  void ClosedByPage(WebKitNotification* notification);
  void Withdraw(guint32 id);

  static void OnNotifyReply(GObject* bus, GAsyncResult* result, gpointer shown);
  static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* signal, GVariant* parameters, gpointer);
  static void OnPageClosed(WebKitNotification* notification, gpointer);

  static inline TNotifier* Current = nullptr;

  GDBusConnection* FBus = nullptr;
  bool FBusTried = false;
  guint FSubscription = 0;
  std::map<TShown*, std::unique_ptr<TShown>> FShown;
};

TNotifier::TNotifier() = default;

TNotifier::~TNotifier() {
  while (!FShown.empty()) {
    TShown* shown = FShown.begin()->first;
    if (shown->Id) Withdraw(shown->Id);
    Forget(shown);
  }
  if (FSubscription) g_dbus_connection_signal_unsubscribe(FBus, FSubscription);
  g_clear_object(&FBus);
}

// Looked for once: a desktop without a session bus has no notifications, and that is all.
GDBusConnection* TNotifier::Bus() {
  if (FBusTried) return FBus;
  FBusTried = true;
  g_autoptr(GError) error = nullptr;
  FBus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!FBus) {
    g_message("No session bus for notifications: %s", error ? error->message : "");
    return nullptr;
  }
  FSubscription =
      g_dbus_connection_signal_subscribe(FBus, nullptr, kService, nullptr, kPath, nullptr,
                                         G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, nullptr, nullptr);
  return FBus;
}

void TNotifier::Forget(TShown* shown) {
  auto found = FShown.find(shown);
  if (found == FShown.end()) return;
  std::unique_ptr<TShown> owned = std::move(found->second);
  FShown.erase(found);
  g_signal_handlers_disconnect_by_func(owned->Notification, gpointer(OnPageClosed), nullptr);
  g_weak_ref_clear(&owned->View);
  g_object_unref(owned->Notification);
}

TShown* TNotifier::Find(guint32 id) {
  for (const auto& [shown, owned] : FShown)
    if (id && shown->Id == id) return shown;
  return nullptr;
}

void TNotifier::Show(WebKitWebView* view, WebKitNotification* notification) {
  GDBusConnection* bus = Bus();
  const gint64 now = g_get_monotonic_time();
  auto* last = static_cast<gint64*>(g_object_get_data(G_OBJECT(view), kLastShownKey));
  if (!bus || (last && now - *last < kMinimumSpacing)) {
    webkit_notification_close(notification);
    return;
  }
  g_object_set_data_full(G_OBJECT(view), kLastShownKey, g_memdup2(&now, sizeof(now)), g_free);
  auto owned = std::make_unique<TShown>();
  TShown* shown = owned.get();
  shown->Notification = WEBKIT_NOTIFICATION(g_object_ref(notification));
  g_weak_ref_init(&shown->View, view);
  FShown.emplace(shown, std::move(owned));
  g_signal_connect(notification, "closed", G_CALLBACK(OnPageClosed), nullptr);

  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  const char* icon = GTK_IS_WINDOW(top) ? gtk_window_get_icon_name(GTK_WINDOW(top)) : nullptr;
  const char* actions[] = {kDefaultAction, "Open", nullptr};
  g_dbus_connection_call(
      bus, kService, kPath, kService, "Notify",
      g_variant_new("(susss^asa{sv}i)", TextOrEmpty(g_get_application_name()).c_str(), guint32(0),
                    TextOrEmpty(icon ? icon : gtk_window_get_default_icon_name()).c_str(),
                    TextOrEmpty(webkit_notification_get_title(notification)).c_str(),
                    TextOrEmpty(webkit_notification_get_body(notification)).c_str(), actions,
                    nullptr, gint32(-1)),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, OnNotifyReply, shown);
}

// Without an answer (no service) the page hears its notification closed.
void TNotifier::Answered(TShown* shown, GVariant* reply) {
  if (!reply) {
    g_autoptr(WebKitNotification) notification =
        WEBKIT_NOTIFICATION(g_object_ref(shown->Notification));
    Forget(shown);
    webkit_notification_close(notification);
    return;
  }
  g_variant_get(reply, "(u)", &shown->Id);
  if (!shown->PageClosed) return;
  Withdraw(shown->Id);
  Forget(shown);
}

void TNotifier::Clicked(guint32 id) {
  TShown* shown = Find(id);
  if (!shown) return;
  g_autoptr(WebKitWebView) view = static_cast<WebKitWebView*>(g_weak_ref_get(&shown->View));
  if (view) {
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
    if (GTK_IS_WINDOW(top)) gtk_window_present(GTK_WINDOW(top));
  }
  webkit_notification_clicked(shown->Notification);
}

void TNotifier::ClosedByService(guint32 id) {
  TShown* shown = Find(id);
  if (!shown) return;
  g_autoptr(WebKitNotification) notification =
      WEBKIT_NOTIFICATION(g_object_ref(shown->Notification));
  Forget(shown);
  webkit_notification_close(notification);
}

void TNotifier::ClosedByPage(WebKitNotification* notification) {
  for (const auto& [shown, owned] : FShown) {
    if (shown->Notification != notification) continue;
    if (!shown->Id) {
      shown->PageClosed = true;  // withdrawn once the service tells its id
      return;
    }
    Withdraw(shown->Id);
    Forget(shown);
    return;
  }
}

void TNotifier::Withdraw(guint32 id) {
  if (FBus)
    g_dbus_connection_call(FBus, kService, kPath, kService, "CloseNotification",
                           g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                           nullptr, nullptr);
}

void TNotifier::OnNotifyReply(GObject* bus, GAsyncResult* result, gpointer shown) {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GVariant) reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
  Guarded("Notify reply", [&] {
    if (error) g_message("Notification not shown: %s", error->message);
    if (Current && Current->FShown.count(static_cast<TShown*>(shown)))
      Current->Answered(static_cast<TShown*>(shown), reply);
  });
}

void TNotifier::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                         const gchar* signal, GVariant* parameters, gpointer) {
  Guarded("notification signal", [&] {
    if (!Current) return;
    guint32 id = 0;
    if (g_strcmp0(signal, "ActionInvoked") == 0 &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
      const char* action = nullptr;
      g_variant_get(parameters, "(u&s)", &id, &action);
      if (g_strcmp0(action, kDefaultAction) == 0) Current->Clicked(id);
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
               g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
      g_variant_get(parameters, "(uu)", &id, nullptr);
      Current->ClosedByService(id);
    }
  });
}

void TNotifier::OnPageClosed(WebKitNotification* notification, gpointer) {
  Guarded("notification closed", [&] {
    if (Current) Current->ClosedByPage(notification);
  });
}

gboolean OnShowNotification(WebKitWebView* view, WebKitNotification* notification, gpointer) {
  Guarded("show-notification", [&] { TNotifier::Instance().Show(view, notification); });
  return TRUE;
}

}  // namespace

void ConnectNotifications(WebKitWebView* view) {
  g_signal_connect(view, "show-notification", G_CALLBACK(OnShowNotification), nullptr);
}

void EndNotifications() {
  TNotifier::End();
}

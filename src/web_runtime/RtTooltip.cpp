#include "RtTooltip.h"

#include <utility>

#include "RtGuard.h"
#include "RtText.h"

namespace {

GtkLabel* FirstLabelIn(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget)) return GTK_LABEL(widget);
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GtkLabel* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* child = children; child && !found; child = child->next)
    found = FirstLabelIn(GTK_WIDGET(child->data));
  g_list_free(children);
  return found;
}

// The text GTK's own tooltip window of the display holds: GtkTooltip has no getter for it.
std::string TooltipWindowText(GdkDisplay* display) {
  std::string text;
  GList* windows = gtk_window_list_toplevels();
  for (GList* node = windows; node && text.empty(); node = node->next) {
    GtkWindow* window = GTK_WINDOW(node->data);
    if (gtk_window_get_type_hint(window) != GDK_WINDOW_TYPE_HINT_TOOLTIP ||
        gtk_widget_get_display(GTK_WIDGET(window)) != display)
      continue;
    GtkLabel* label = FirstLabelIn(GTK_WIDGET(window));
    if (label && gtk_widget_get_visible(GTK_WIDGET(label)))
      text = TextOrEmpty(gtk_label_get_text(label));
  }
  g_list_free(windows);
  return text;
}

}  // namespace

TPageTooltip::TPageTooltip(GtkWidget* view, TAskClient askClient)
    : FView(GTK_WIDGET(g_object_ref(view))), FAskClient(std::move(askClient)) {
  g_signal_connect(FView, "query-tooltip", G_CALLBACK(OnQueryTooltip), this);
  g_signal_connect(FView, "notify::has-tooltip", G_CALLBACK(OnHasTooltip), this);
}

TPageTooltip::~TPageTooltip() {
  g_signal_handlers_disconnect_by_data(FView, this);
  g_object_unref(FView);
}

// WebKit's handler fills the tooltip; the client's answer decides what of it is shown.
bool TPageTooltip::Query(int x, int y, gboolean keyboard, GtkTooltip* tooltip) {
  const bool hasText = GTK_WIDGET_GET_CLASS(FView)->query_tooltip(FView, x, y, keyboard, tooltip);
  const std::string text = hasText ? TooltipWindowText(gtk_widget_get_display(FView)) : "";
  if (text != FPageText) {
    FPageText = FShownText = text;
    FClientShows = !text.empty() && FAskClient(FShownText);
  }
  if (!hasText || FClientShows) return false;
  if (FShownText != text) gtk_tooltip_set_text(tooltip, FShownText.c_str());
  return true;
}

gboolean TPageTooltip::OnQueryTooltip(GtkWidget* view, gint x, gint y, gboolean keyboard,
                                      GtkTooltip* tooltip, gpointer self) {
  g_signal_stop_emission_by_name(view, "query-tooltip");  // WebKit's handler ran inside ours
  return Guarded(
      "query-tooltip",
      [&] { return gboolean(static_cast<TPageTooltip*>(self)->Query(x, y, keyboard, tooltip)); },
      gboolean(FALSE));
}

// WebKit drops its tooltip when the pointer leaves the element: the next one is news again.
void TPageTooltip::OnHasTooltip(GObject* view, GParamSpec*, gpointer self) {
  Guarded("notify::has-tooltip", [&] {
    if (!gtk_widget_get_has_tooltip(GTK_WIDGET(view)))
      static_cast<TPageTooltip*>(self)->FPageText.clear();
  });
}

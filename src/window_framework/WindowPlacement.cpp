#include "WindowPlacement.h"

#include <gtk/gtk.h>

#include "Application.h"

namespace {

constexpr const char* PlacementPositionsKey = "corvane-placement-positions";

// The parts of a placement record that GTK does not keep itself.
struct TPlacementPositions {
  uint32_t Flags = 0;
  TPoint MinPosition{-1, -1};
  TPoint MaxPosition{-1, -1};
};

TPlacementPositions StoredPositions(GtkWidget* window) {
  const auto* stored = static_cast<const TPlacementPositions*>(
      g_object_get_data(G_OBJECT(window), PlacementPositionsKey));
  return stored ? *stored : TPlacementPositions{};
}

void StorePositions(GtkWidget* window, const TPlacementPositions& positions) {
  g_object_set_data_full(G_OBJECT(window), PlacementPositionsKey,
                         new TPlacementPositions(positions),
                         [](gpointer data) { delete static_cast<TPlacementPositions*>(data); });
}

int32_t ShowCommandOf(TWindowState state) {
  switch (state) {
    case wsMinimized:
      return swShowMinimized;
    case wsMaximized:
      return swShowMaximized;
    default:
      return swShowNormal;
  }
}

TWindowState WindowStateOf(int32_t showCmd) {
  switch (showCmd) {
    case swShowMinimized:
      return wsMinimized;
    case swShowMaximized:
      return wsMaximized;
    default:
      return wsNormal;
  }
}

// A minimize waiting for the main loop; the window's destruction cancels it.
struct TPendingMinimize {
  TForm* Form;
  GtkWidget* Window;
  gulong DestroyHandler = 0;
};

void CancelPendingMinimize(GtkWidget*, gpointer data) {
  static_cast<TPendingMinimize*>(data)->Form = nullptr;
}

gboolean RunPendingMinimize(gpointer data) {
  auto* pending = static_cast<TPendingMinimize*>(data);
  if (pending->Form)
    CallGuarded(pending->Form, [pending] { pending->Form->SetWindowState(wsMinimized); });
  return G_SOURCE_REMOVE;
}

void FreePendingMinimize(gpointer data) {
  auto* pending = static_cast<TPendingMinimize*>(data);
  g_signal_handler_disconnect(pending->Window, pending->DestroyHandler);
  g_object_unref(pending->Window);
  delete pending;
}

}  // namespace

TWindowPlacement GetWindowPlacement(TForm& form) {
  const TPlacementPositions positions = StoredPositions(form.Handle());
  return {positions.Flags, ShowCommandOf(form.WindowState()), positions.MinPosition,
          positions.MaxPosition, form.NormalBounds()};
}

void SetWindowPlacement(TForm& form, const TWindowPlacement& placement) {
  StorePositions(form.Handle(), {placement.Flags, placement.MinPosition, placement.MaxPosition});
  form.SetNormalBounds(placement.NormalPosition);
  if (placement.ShowCmd != swHide) form.SetWindowState(WindowStateOf(placement.ShowCmd));
}

void PostMinimize(TForm& form) {
  GtkWidget* window = GTK_WIDGET(g_object_ref(form.Handle()));
  auto* pending = new TPendingMinimize{&form, window};
  pending->DestroyHandler =
      g_signal_connect(window, "destroy", G_CALLBACK(CancelPendingMinimize), pending);
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RunPendingMinimize, pending, FreePendingMinimize);
}

TPoint WindowFrameBorder(TForm& form) {
  GdkWindow* window = gtk_widget_get_window(form.Handle());
  if (!window || !gdk_window_is_visible(window)) return {};
  GdkRectangle frame;
  gdk_window_get_frame_extents(window, &frame);
  int left, top;
  gdk_window_get_origin(window, &left, &top);
  return {left - frame.x, top - frame.y};
}

void SetWindowSizeLimits(TForm& form, const TWindowSizeLimits& limits) {
  GdkGeometry geometry{};
  unsigned hints = 0;
  if (limits.MinWidth > 0 || limits.MinHeight > 0) {
    geometry.min_width = limits.MinWidth;
    geometry.min_height = limits.MinHeight;
    hints |= GDK_HINT_MIN_SIZE;
  }
  if (limits.MaxWidth > 0 || limits.MaxHeight > 0) {
    // A limit left out in one direction must not hold the window at 0.
    geometry.max_width = limits.MaxWidth > 0 ? limits.MaxWidth : G_MAXSHORT;
    geometry.max_height = limits.MaxHeight > 0 ? limits.MaxHeight : G_MAXSHORT;
    hints |= GDK_HINT_MAX_SIZE;
  }
  gtk_window_set_geometry_hints(GTK_WINDOW(form.Handle()), nullptr, &geometry,
                                static_cast<GdkWindowHints>(hints));
}

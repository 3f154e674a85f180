#include "Monitors.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <algorithm>
#include <cmath>

namespace {

constexpr int DefaultPixelsPerInch = 96;

TRect MonitorRect(GdkMonitor* monitor) {
  GdkRectangle geometry;
  gdk_monitor_get_geometry(monitor, &geometry);
  return {geometry.x, geometry.y, geometry.x + geometry.width, geometry.y + geometry.height};
}

}  // namespace

std::vector<TRect> MonitorRects() {
  std::vector<TRect> rects;
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return rects;
  const int count = gdk_display_get_n_monitors(display);
  for (int i = 0; i < count; ++i) rects.push_back(MonitorRect(gdk_display_get_monitor(display, i)));
  return rects;
}

TRect PrimaryMonitorRect() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (display && !monitor) monitor = gdk_display_get_monitor(display, 0);
  return monitor ? MonitorRect(monitor) : TRect{};
}

TRect VirtualDesktopRect() {
  const std::vector<TRect> monitors = MonitorRects();
  if (monitors.empty()) return {};
  TRect desktop = monitors.front();
  for (const TRect& monitor : monitors) {
    desktop.Left = std::min(desktop.Left, monitor.Left);
    desktop.Top = std::min(desktop.Top, monitor.Top);
    desktop.Right = std::max(desktop.Right, monitor.Right);
    desktop.Bottom = std::max(desktop.Bottom, monitor.Bottom);
  }
  return desktop;
}

bool PointOnMonitor(TPoint point) {
  const std::vector<TRect> monitors = MonitorRects();
  return std::any_of(monitors.begin(), monitors.end(),
                     [point](const TRect& monitor) { return monitor.Contains(point); });
}

int ScreenPixelsPerInch() {
  GdkScreen* screen = gdk_screen_get_default();
  const double resolution = screen ? gdk_screen_get_resolution(screen) : -1;
  return resolution > 0 ? static_cast<int>(std::lround(resolution)) : DefaultPixelsPerInch;
}

bool WindowPositionsKnown() {
#ifdef GDK_WINDOWING_WAYLAND
  GdkDisplay* display = gdk_display_get_default();
  return !display || !GDK_IS_WAYLAND_DISPLAY(display);
#else
  return true;
#endif
}

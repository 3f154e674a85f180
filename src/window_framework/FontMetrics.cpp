#include "FontMetrics.h"

#include <gtk/gtk.h>

#include <string_view>

#include "Controls.h"

double AverageCharWidth(TWinControl& control) {
  constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  g_autoptr(PangoLayout) layout = gtk_widget_create_pango_layout(control.Handle(), letters.data());
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  return static_cast<double>(width) / letters.size();
}

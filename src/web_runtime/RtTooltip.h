#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

// The page's tooltip as GTK is about to show it. WebKit keeps the text to itself and hands it
// only to the tooltip GTK asks for, so the text is read back from what WebKit put there. The
// client hears of each new text once; it may change it, or take it over (answer true) and
// nothing is shown.
class TPageTooltip {
 public:
  // Answers whether the client takes the tooltip over; text is in and out.
  using TAskClient = std::function<bool(std::string& text)>;

  TPageTooltip(GtkWidget* view, TAskClient askClient);
  ~TPageTooltip();
  TPageTooltip(const TPageTooltip&) = delete;
  TPageTooltip& operator=(const TPageTooltip&) = delete;

 private:
  bool Query(int x, int y, gboolean keyboard, GtkTooltip* tooltip);
  static gboolean OnQueryTooltip(GtkWidget* view, gint x, gint y, gboolean keyboard,
                                 GtkTooltip* tooltip, gpointer self);
  static void OnHasTooltip(GObject* view, GParamSpec*, gpointer self);

  GtkWidget* FView;  // counted
  TAskClient FAskClient;
  std::string FPageText;  // the page's text the client last heard of
  std::string FShownText;
  bool FClientShows = false;
};

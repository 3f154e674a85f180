#include "WidgetControl.h"

#include <gtk/gtk.h>

#include "ClientArea.h"

void TWidgetControl::CreateWnd() {
  TWinControl::CreateWnd();
  FContent = CreateContent();
  gtk_widget_show(FContent);
  PlaceContent();
}

void TWidgetControl::Resize() {
  TWinControl::Resize();
  PlaceContent();
}

void TWidgetControl::FitHeightToContent() {
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(FContent, &minimum, &natural);
  SetBounds(Left(), Top(), Width(), natural);
}

void TWidgetControl::PlaceContent() {
  if (FContent) ClientAreaPlace(ClientWidget(), FContent, ClientRect());
}

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

void TWidgetControl::PlaceContent() {
  if (FContent) ClientAreaPlace(ClientWidget(), FContent, ClientRect());
}

#include "ImgList.h"

#include <gtk/gtk.h>

GtkWidget* TImageList::NewImage(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return gtk_image_new_from_icon_name(FIconNames[static_cast<size_t>(index)].c_str(),
                                      GTK_ICON_SIZE_MENU);
}

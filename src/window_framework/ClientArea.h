#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "Graphics.h"

// The client area of a form or control: a GTK container that places each child at the rectangle
// it was given (a child added with gtk_container_add fills the whole area until it is placed)
// and asks for no size of its own, so the window around it can be made smaller than its
// children.
GtkWidget* ClientAreaNew();

// Adds child at rect, or moves an existing child there.
void ClientAreaPlace(GtkWidget* area, GtkWidget* child, const TRect& rect);

// Called with the area's new size on every allocation, before the children are allocated, so
// the owner can place them for that size.
void ClientAreaSetLayoutHandler(GtkWidget* area,
                                std::function<void(int width, int height)> handler);

// Paints the area in color; clDefault leaves the theme's background.
void ClientAreaSetColor(GtkWidget* area, TColor color);

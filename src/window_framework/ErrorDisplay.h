#pragma once

#include <exception>

typedef struct _GtkWindow GtkWindow;

// Writes "<program>: <class>: <message>" to stderr.
void WriteError(const std::exception& E);

// WriteError, then, when a display can be opened, the message in a modal error box over
// parent (may be null).
void ShowErrorBox(const std::exception& E, GtkWindow* parent);

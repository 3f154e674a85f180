#pragma once

#include <string>

// Hands files to the desktop's own programs. Failures are told on stderr; the program shows no
// error dialog.

// Opens the file with the desktop's default program for its type; false when none could be
// started.
bool OpenWithDefaultProgram(const std::string& path);

// Shows the file selected in the desktop's file manager, or opens the folder that holds it when
// no file manager answers on the session bus. Returns at once; the rest happens in the main loop.
void ShowInFolder(const std::string& path);

#pragma once

#include <string>

// Control characters (NUL among them) never belong in a URL; GLib would stop at a NUL and
// read a shorter, different address.
bool HasControlCharacter(const std::string& text);

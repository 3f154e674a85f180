#include "Graphics.h"

#include <cstdlib>

TRGB ColorToRGB(TColor color) {
  const auto channel = [color](int shift) { return ((color >> shift) & 0xFF) / 255.0; };
  return {channel(0), channel(8), channel(16)};
}

namespace {

// Family names come from code, but must never break out of the quoted CSS string.
std::string CssQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c != '\n' && c != '\r') quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string FontToCss(const TFont& font) {
  std::string css;
  if (!font.Name.empty()) css += "font-family: " + CssQuoted(font.Name) + ", sans-serif; ";
  if (font.Height != 0) css += "font-size: " + std::to_string(std::abs(font.Height)) + "px; ";
  return css;
}

#pragma once

#include <cstdint>
#include <string>

// A colour as 0x00BBGGRR, or clDefault for the theme's own background.
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clDefault = 0x20000000;

struct TRGB {
  double Red, Green, Blue;  // 0.0 to 1.0
};
TRGB ColorToRGB(TColor color);

struct TPoint {
  int X = 0, Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  // Right and bottom edges lie outside the rectangle.
  bool Contains(TPoint point) const {
    return point.X >= Left && point.X < Right && point.Y >= Top && point.Y < Bottom;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A font by family name and height in pixels: negative is the character height, positive the
// cell height (both taken as the em size here); an empty name or a height of 0 leaves the
// theme's choice.
struct TFont {
  std::string Name;
  int Height = 0;
};

// The CSS declarations that give a widget font; the system sans font stands in for a missing
// family.
std::string FontToCss(const TFont& font);

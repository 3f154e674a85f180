#pragma once

#include <cstdint>

#include "Forms.h"
#include "Graphics.h"

// Show commands of a placement record; settings files keep them as numbers.
constexpr int32_t swHide = 0;
constexpr int32_t swShowNormal = 1;
constexpr int32_t swShowMinimized = 2;
constexpr int32_t swShowMaximized = 3;

// Placement flag: the minimized position is given.
constexpr uint32_t wpfSetMinPosition = 1;

// A window's placement: its state and the bounds it has in the normal state, in root-window
// coordinates as TForm::NormalBounds describes them. The minimized and maximized positions
// have no meaning for GTK; the window keeps them so that a placement read back is the one
// applied.
struct TWindowPlacement {
  uint32_t Flags = 0;
  int32_t ShowCmd = swShowNormal;
  TPoint MinPosition{-1, -1};
  TPoint MaxPosition{-1, -1};
  TRect NormalPosition;
};

TWindowPlacement GetWindowPlacement(TForm& form);
// Sets the normal bounds and, unless the show command is swHide, the window state. Showing and
// hiding stay with the form, which runs its handlers for them.
void SetWindowPlacement(TForm& form, const TWindowPlacement& placement);

// Minimizes the form once the events already queued are handled; nothing if it is gone by then.
void PostMinimize(TForm& form);

// The window manager's frame left of and above the client area; 0, 0 while the window is not
// mapped or without a window manager.
TPoint WindowFrameBorder(TForm& form);

// Size limits of the client area; 0 leaves a limit out.
struct TWindowSizeLimits {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};
void SetWindowSizeLimits(TForm& form, const TWindowSizeLimits& limits);

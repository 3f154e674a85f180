#pragma once

#include <vector>

#include "Graphics.h"

// The screens that windows live on, in root-window coordinates of the default display.

std::vector<TRect> MonitorRects();
// The primary monitor (the first one when the desktop names none); empty without a display.
TRect PrimaryMonitorRect();
// The bounding box of all monitors (the virtual desktop).
TRect VirtualDesktopRect();
// Whether point lies on some monitor; points in the gaps between monitors do not.
bool PointOnMonitor(TPoint point);
// The screen's resolution for fonts and layouts; 96 when the desktop sets none.
int ScreenPixelsPerInch();
// Whether windows learn where they are on the screen. A Wayland compositor never tells them, so
// any position read there is made up.
bool WindowPositionsKnown();

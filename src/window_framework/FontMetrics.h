#pragma once

class TWinControl;

// Average width of the letters a-z and A-Z in the font of control's widget, in pixels: the
// measure by which sizes laid out for one font are scaled to another. Creates the control's
// window.
double AverageCharWidth(TWinControl& control);

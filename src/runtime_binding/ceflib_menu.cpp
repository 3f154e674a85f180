#include "ceflib_menu.h"

bool TCefMenuModelRef::ReadAccelerator(TAcceleratorEntry T::*entry, int32_t at, int32_t& keyCode,
                                       bool& shiftPressed, bool& ctrlPressed, bool& altPressed) {
  TCefBool shift = shiftPressed, ctrl = ctrlPressed, alt = altPressed;
  const bool found = CallEntry<bool>(Data(), entry, at, &keyCode, &shift, &ctrl, &alt);
  shiftPressed = shift != 0;
  ctrlPressed = ctrl != 0;
  altPressed = alt != 0;
  return found;
}

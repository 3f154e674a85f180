#pragma once

#include <string>

#include "Classes.h"

// The special folders the program asks for, by their system index.
constexpr int CSIDL_APPDATA = 26;

// System facts for a form: only the special-folder lookup is needed.
class TJvComputerInfoEx : public TComponent {
 public:
  using TComponent::TComponent;

  // The folder's full path without a trailing slash; "" for an unknown index or a folder that
  // cannot be resolved.
  std::string GetSpecialFolderPath(int folder) const;
};

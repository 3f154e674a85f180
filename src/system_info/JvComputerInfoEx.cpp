#include "JvComputerInfoEx.h"

#include "SystemFolders.h"

std::string TJvComputerInfoEx::GetSpecialFolderPath(int folder) const {
  return folder == CSIDL_APPDATA ? UserDataFolder() : std::string();
}

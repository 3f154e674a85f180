#include "DataFolder.h"

#include <filesystem>
#include <system_error>

#include "JvAppXMLStorage.h"
#include "JvComputerInfoEx.h"
#include "JvLogFile.h"

std::string DataFolderPath(const TJvComputerInfoEx& computerInfo) {
  return computerInfo.GetSpecialFolderPath(CSIDL_APPDATA) + "/Corvane";
}

void PrepareDataFolder(const std::string& folder, TJvLogFile& logFile,
                       TJvAppXMLFileStorage& storage) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  logFile.SetFileName(folder + "/error.log");
  logFile.SetAutoSave(true);
  storage.SetFileName(folder + "/config.xml");
}

#include "LogView.h"

#include <filesystem>
#include <system_error>

#include "DataFolder.h"
#include "JvComputerInfoEx.h"
#include "JvLogFile.h"

std::string DefaultLogFileName() {
  TOwnedComponent<TJvComputerInfoEx> computerInfo(new TJvComputerInfoEx(nullptr));
  return DataFolderPath(*computerInfo) + "/error.log";
}

std::string LoadLogForViewing(TJvLogFile& log, const std::string& fileName) {
  const std::string caption = "Error log - " + fileName;
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  if (status.type() == std::filesystem::file_type::not_found) return caption + " (no such file)";
  if (error) return caption + " (" + error.message() + ")";
  if (std::filesystem::is_directory(status)) return caption + " (a folder, not a log file)";
  try {
    // Auto-save stays off: viewing never changes the file.
    log.SetFileName(fileName);
  } catch (const std::exception& e) {
    return caption + " (" + e.what() + ")";
  }
  return caption;
}

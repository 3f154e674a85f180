#pragma once

#include <string>

class TJvComputerInfoEx;
class TJvLogFile;
class TJvAppXMLFileStorage;

// The per-user folder that holds "error.log", "config.xml" and the runtime's "cache": the
// roaming application-data folder + "/Corvane". An unresolvable application-data folder gives
// "/Corvane".
std::string DataFolderPath(const TJvComputerInfoEx& computerInfo);

// Creates folder with its missing parents (a failure shows later, when the files cannot be
// saved), then points logFile and storage at their files in it; naming the storage's file
// loads it, so a malformed file raises here, after the log file is ready.
void PrepareDataFolder(const std::string& folder, TJvLogFile& logFile,
                       TJvAppXMLFileStorage& storage);

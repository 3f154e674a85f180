#pragma once

#include <string>
#include <string_view>

class TJvComputerInfoEx;
class TJvLogFile;
class TJvAppXMLFileStorage;

// The per-user folder that holds "error.log", "config.xml" and the runtime's "cache": the
// roaming application-data folder + "/Corvane". An unresolvable application-data folder gives
// "/Corvane".
std::string DataFolderPath(const TJvComputerInfoEx& computerInfo);

// Creates folder with its missing parents, saying on stderr when it cannot be created or
// written (the program then runs on, keeping nothing), removes what earlier runs left half
// saved, then points logFile and storage at their files in it; naming the storage's file
// loads it, so a malformed file raises here, after the log file is ready.
void PrepareDataFolder(const std::string& folder, TJvLogFile& logFile,
                       TJvAppXMLFileStorage& storage);

#pragma once

#include <string>

class TJvAppXMLFileStorage;
class TJvLogFile;

// Points storage at the configuration file fileName, which loads it, without letting a bad
// file cost the user more than it must:
// - a symbolic link is followed only to a regular file of the running user; the storage is
//   given no other link (so it neither reads nor writes one) and one line on stderr says so;
// - a file that fails to load, or that is not empty but holds no root element, is first kept
//   as fileName + ".bad" (replacing an older one), with one line about it in logFile, since
//   the storage rewrites fileName at exit from what it could read. A load error still
//   propagates.
void OpenConfigurationFile(const std::string& fileName, TJvAppXMLFileStorage& storage,
                           TJvLogFile& logFile);

#pragma once

#include <string>

// Where the storage finds the program and the standard folders; none ends with a slash.

// The running program's file, resolved through /proc/self/exe; empty when unknown.
std::string ProgramFileName();
// The folder of ProgramFileName().
std::string ProgramFolder();
// $TMPDIR, else "/tmp".
std::string TemporaryFolder();
// The roaming application-data folder: $XDG_CONFIG_HOME, else $HOME/.config, else "".
std::string UserDataFolder();

// The text after the last slash, and the text before it ("" without a slash).
std::string ExtractFileName(const std::string& path);
std::string ExtractFileDir(const std::string& path);
// From the last dot of the file name on, "" when it has none.
std::string ExtractFileExt(const std::string& path);

#pragma once

#include <string>

// Where the program and the standard folders are; no folder ends with a slash.

// The running program's file, resolved through /proc/self/exe; empty when unknown.
std::string ProgramFileName();
// The folder of ProgramFileName().
std::string ProgramFolder();
// $TMPDIR, else "/tmp".
std::string TemporaryFolder();
// The roaming application-data folder: $XDG_CONFIG_HOME, else <home>/.config, where the home
// is $HOME or, when that is unset, the account's home in the password database; "" when none
// of them is known.
std::string UserDataFolder();

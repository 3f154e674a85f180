#pragma once

#include <string>

class TJvLogFile;

// The error log of the data folder.
std::string DefaultLogFileName();

// Reads fileName into log, which never writes it back. Answers what the viewer's caption
// should say: the file's name, and why nothing is listed when it could not be read.
std::string LoadLogForViewing(TJvLogFile& log, const std::string& fileName);

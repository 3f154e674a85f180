#pragma once

#include <optional>
#include <string>

// File names and file moves for downloads. Nothing here overwrites or removes a file the
// download did not create.

// A suggested name made safe to use as one name inside a folder: no path separators or
// control characters, no hiding dot, never empty, short enough to number.
std::string SafeFileName(const std::string& suggested);

// "invoice-42.pdf" numbered 1 is "invoice-42 (1).pdf"; number 0 is the name itself.
std::string NumberedName(const std::string& name, int number);

// name inside folder.
std::string JoinPath(const std::string& folder, const std::string& name);

// The user's download folder (created when missing), or an empty text when there is none.
std::string UserDownloadFolder();

// Whether anything, even a dangling link, has this path.
bool PathIsTaken(const std::string& path);

// Creates a new, empty, hidden file in folder for a download to be written to; answers its
// path, or nothing when the folder cannot take it.
std::optional<std::string> CreatePartFile(const std::string& folder);

enum class TMoveResult { Moved, Taken, Failed };

// Renames from to to, but never over an existing file.
TMoveResult MoveWithoutReplacing(const std::string& from, const std::string& to);

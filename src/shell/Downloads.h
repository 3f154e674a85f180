#pragma once

#include <optional>
#include <set>
#include <string>

// Where downloads are saved: the folder and a free name in it. Nothing chosen here names a file
// that exists, so a download never replaces one.

// A suggested name made safe as one name inside the folder: path separators and control
// characters become "_", leading dots and surrounding blanks go (no hidden or relative names),
// text that is no UTF-8 is repaired, a long name is shortened keeping its extension, and
// nothing left becomes "download".
std::string SafeDownloadName(const std::string& suggested);

// name numbered: "invoice-42.pdf" with 1 is "invoice-42 (1).pdf", "README" with 2 is
// "README (2)"; number 0 is the name itself.
std::string NumberedName(const std::string& name, int number);

// The first of name, "name (1)", "name (2)" ... in folder that neither exists (not even as a
// dangling link) nor is reserved for a download still running; nothing after many tries.
std::optional<std::string> FreeDownloadPath(const std::string& folder, const std::string& name,
                                            const std::set<std::string>& reserved);

// The user's download folder: the desktop's setting, else ~/Downloads (PrepareDownloadFolder
// creates it). userSetting is what the desktop names (empty for none).
std::string DownloadFolderOf(const std::string& userSetting, const std::string& home);
std::string UserDownloadFolder();

// Whether the folder exists, or could be created, and files can be made in it.
bool PrepareDownloadFolder(const std::string& folder);

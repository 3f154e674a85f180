#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// File helpers shared by everything that reads or rewrites a file of its own.

// A file as it was right after we last wrote it. A file whose stamp differs has been replaced
// or changed by someone else since.
struct TFileStamp {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t ModifiedSeconds = 0;
  int64_t ModifiedNanoseconds = 0;

  friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// True for an existing file that is not a directory.
bool FileExists(const std::string& fileName);

// The whole content of a regular file; raises EFOpenError naming the file when it cannot be
// opened or read.
std::string ReadFileContents(const std::string& fileName);

// Whether a replaced file is on the disk when the call returns, or only in the system's cache,
// which writes it out within seconds. Either way the program's own crash loses nothing.
enum TFileFlush { ffToDisk, ffBySystem };

// Writes contents to a new file beside fileName, flushes it to the disk (with ffToDisk) and
// renames it over fileName, so that readers and a crash see either the old file or the new one,
// whole. A symbolic link is followed and the file it points to is replaced. Raises
// EFCreateError naming fileName; the old file is then left as it was.
TFileStamp ReplaceFileContents(const std::string& fileName, std::string_view contents,
                               TFileFlush flush = ffToDisk);

// Appends text if the file still carries the stamp `expected`; nullopt, with nothing written,
// when it does not or cannot be opened for writing. A failed write cuts the file back to its
// earlier length and raises EFCreateError naming fileName.
std::optional<TFileStamp> AppendIfUnchanged(const std::string& fileName, const TFileStamp& expected,
                                            std::string_view text);

// Removes the temporary files that replacing folder/fileName left behind when their writer
// ended before renaming them (killed while saving); those of living processes stay.
void RemoveStaleTemporaryFiles(const std::string& folder, std::string_view fileName);

// The text after the last slash, and the text before it ("" without a slash).
std::string ExtractFileName(const std::string& path);
std::string ExtractFileDir(const std::string& path);
// From the last dot of the file name on, "" when it has none.
std::string ExtractFileExt(const std::string& path);

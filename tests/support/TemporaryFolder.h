#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

// A new, empty folder under the system's temporary folder, removed with everything in it when
// the object goes (also a folder a test made unreadable).
class TTemporaryFolder {
 public:
  explicit TTemporaryFolder(const std::string& prefix = "corvane-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()))
      FPath = pattern;
    else
      ADD_FAILURE() << "no temporary folder from " << pattern;
  }
  ~TTemporaryFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             FPath, std::filesystem::directory_options::skip_permission_denied, ignored))
      if (entry.is_directory(ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ignored);
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(FPath, ignored);
  }
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return FPath / name; }

 private:
  std::filesystem::path FPath;
};

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with bytes; the folder must exist.
inline void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

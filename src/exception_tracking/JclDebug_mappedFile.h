#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A debug-information file mapped into memory read-only for as long as the object lives. The
// descriptor is closed right after mapping, so the file is never held open or locked against
// other readers or writers.
class TJclMappedFile {
 public:
  TJclMappedFile() = default;
  // A missing, unreadable or empty file gives an object without data; never raises.
  explicit TJclMappedFile(const std::string& FileName);
  ~TJclMappedFile();
  TJclMappedFile(const TJclMappedFile&) = delete;
  TJclMappedFile& operator=(const TJclMappedFile&) = delete;

  std::span<const uint8_t> Data() const { return {FData, FSize}; }

 private:
  const uint8_t* FData = nullptr;
  size_t FSize = 0;
};

// Names read from debug information, as UTF-8: malformed sequences become U+FFFD, so a name
// with stray bytes never reaches a log as invalid text.
std::string DebugTextToUtf8(std::string_view bytes);

#include "JclDebug_mappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ustring.h"

TJclMappedFile::TJclMappedFile(const std::string& FileName) {
  const int fd = open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (view != MAP_FAILED) {
      FData = static_cast<const uint8_t*>(view);
      FSize = size_t(info.st_size);
    }
  }
  close(fd);
}

TJclMappedFile::~TJclMappedFile() {
  if (FData) munmap(const_cast<uint8_t*>(FData), FSize);
}

std::string DebugTextToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t pos = 0; pos < bytes.size();) AppendUtf8(text, DecodeUtf8(bytes, pos));
  return text;
}

#pragma once

#include <cstdint>

#include "cef_capi.h"

// Layout of the ZIP reader, which the shared interface leaves opaque (see RtStream.h). It walks
// the archive's files in order; a file is read between open_file and close_file. Entries
// answer 1 for success and 0 for failure; read_file answers the bytes read, 0 at the file's end
// and -1 on damage or a missing or wrong password.
extern "C" {

struct TCefZipReader {
  TCefBase base;
  int32_t(CEF_CALLBACK* move_to_first_file)(TCefZipReader* self);
  int32_t(CEF_CALLBACK* move_to_next_file)(TCefZipReader* self);
  int32_t(CEF_CALLBACK* move_to_file)(TCefZipReader* self, TCefConstString* fileName,
                                      int32_t caseSensitive);
  // Frees the archive and the stream; every entry then fails.
  int32_t(CEF_CALLBACK* close)(TCefZipReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_file_name)(TCefZipReader* self);
  // -1 when the archive does not say.
  int64_t(CEF_CALLBACK* get_file_size)(TCefZipReader* self);
  RuntimeTime(CEF_CALLBACK* get_file_last_modified)(TCefZipReader* self);
  int32_t(CEF_CALLBACK* open_file)(TCefZipReader* self, TCefConstString* password);
  int32_t(CEF_CALLBACK* close_file)(TCefZipReader* self);
  int32_t(CEF_CALLBACK* read_file)(TCefZipReader* self, void* buffer, size_t bufferSize);
  int64_t(CEF_CALLBACK* tell)(TCefZipReader* self);
  int32_t(CEF_CALLBACK* eof)(TCefZipReader* self);
};

}  // extern "C"

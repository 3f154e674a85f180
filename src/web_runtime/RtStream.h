#pragma once

#include <cstdint>
#include <cstdio>

#include "cef_capi.h"

// Layouts of the stream objects, which the shared interface leaves opaque: the program never
// calls their entries, only the runtime's own readers (XML, ZIP) and its tests do. A handler
// is the client's side of a stream; the runtime calls it the same way. read and write count
// items of size bytes; seek takes SEEK_SET, SEEK_CUR or SEEK_END and answers 0 on success.
extern "C" {

struct TCefStreamReader {
  TCefBase base;
  size_t(CEF_CALLBACK* read)(TCefStreamReader* self, void* ptr, size_t size, size_t n);
  int32_t(CEF_CALLBACK* seek)(TCefStreamReader* self, int64_t offset, int32_t whence);
  int64_t(CEF_CALLBACK* tell)(TCefStreamReader* self);
  int32_t(CEF_CALLBACK* eof)(TCefStreamReader* self);
  int32_t(CEF_CALLBACK* may_block)(TCefStreamReader* self);
};

struct TCefReadHandler {
  TCefBase base;
  size_t(CEF_CALLBACK* read)(TCefReadHandler* self, void* ptr, size_t size, size_t n);
  int32_t(CEF_CALLBACK* seek)(TCefReadHandler* self, int64_t offset, int32_t whence);
  int64_t(CEF_CALLBACK* tell)(TCefReadHandler* self);
  int32_t(CEF_CALLBACK* eof)(TCefReadHandler* self);
  int32_t(CEF_CALLBACK* may_block)(TCefReadHandler* self);
};

struct TCefStreamWriter {
  TCefBase base;
  size_t(CEF_CALLBACK* write)(TCefStreamWriter* self, const void* ptr, size_t size, size_t n);
  int32_t(CEF_CALLBACK* seek)(TCefStreamWriter* self, int64_t offset, int32_t whence);
  int64_t(CEF_CALLBACK* tell)(TCefStreamWriter* self);
  int32_t(CEF_CALLBACK* flush)(TCefStreamWriter* self);
  int32_t(CEF_CALLBACK* may_block)(TCefStreamWriter* self);
};

struct TCefWriteHandler {
  TCefBase base;
  size_t(CEF_CALLBACK* write)(TCefWriteHandler* self, const void* ptr, size_t size, size_t n);
  int32_t(CEF_CALLBACK* seek)(TCefWriteHandler* self, int64_t offset, int32_t whence);
  int64_t(CEF_CALLBACK* tell)(TCefWriteHandler* self);
  int32_t(CEF_CALLBACK* flush)(TCefWriteHandler* self);
  int32_t(CEF_CALLBACK* may_block)(TCefWriteHandler* self);
};

}  // extern "C"

// Stream readers over a file, a copy of memory or a client's read handler; stream writers to a
// file or a client's write handler.

#include "RtStream.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"

namespace {

// What a reader reads from. Read counts whole items of size bytes.
class TReadSource {
 public:
  virtual ~TReadSource() = default;
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual bool Seek(int64_t offset, int whence) = 0;
  virtual int64_t Tell() = 0;
  virtual bool AtEnd() = 0;
  virtual bool MayBlock() = 0;
};

// What a writer writes to.
class TWriteSink {
 public:
  virtual ~TWriteSink() = default;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  virtual bool Seek(int64_t offset, int whence) = 0;
  virtual int64_t Tell() = 0;
  virtual bool Flush() = 0;
  virtual bool MayBlock() = 0;
};

// The offset whence and offset lead to in a stream of length bytes at position; none outside it.
bool SeekTarget(int64_t position, int64_t length, int64_t offset, int whence, int64_t& target) {
  const int64_t from = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position : length;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return false;
  if (__builtin_add_overflow(from, offset, &target)) return false;
  return target >= 0 && target <= length;
}

class TMemorySource final : public TReadSource {
 public:
  TMemorySource(const void* data, size_t size)
      : FBytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

  size_t Read(void* buffer, size_t size, size_t count) override {
    if (!buffer || size == 0) return 0;
    const size_t items = std::min(count, (FBytes.size() - FOffset) / size);
    if (items == 0) return 0;  // an empty source has no data to copy from
    std::memcpy(buffer, FBytes.data() + FOffset, items * size);
    FOffset += items * size;
    return items;
  }
  bool Seek(int64_t offset, int whence) override {
    int64_t target = 0;
    if (!SeekTarget(int64_t(FOffset), int64_t(FBytes.size()), offset, whence, target)) return false;
    FOffset = size_t(target);
    return true;
  }
  int64_t Tell() override { return int64_t(FOffset); }
  bool AtEnd() override { return FOffset >= FBytes.size(); }
  bool MayBlock() override { return false; }

 private:
  const std::vector<uint8_t> FBytes;
  size_t FOffset = 0;
};

class TFileSource final : public TReadSource {
 public:
  explicit TFileSource(FILE* file) : FFile(file) {}
  ~TFileSource() override { fclose(FFile); }

  size_t Read(void* buffer, size_t size, size_t count) override {
    return buffer && size ? fread(buffer, size, count, FFile) : 0;
  }
  bool Seek(int64_t offset, int whence) override { return fseeko(FFile, offset, whence) == 0; }
  int64_t Tell() override { return ftello(FFile); }
  bool AtEnd() override { return feof(FFile) != 0; }
  bool MayBlock() override { return true; }

 private:
  FILE* const FFile;
};

// A client's handler, asked through the same entries as a stream; its counts are not trusted
// past what was asked.
template <class THandler>
class THandlerStream {
 public:
  explicit THandlerStream(TClientRef<THandler> handler) : FHandler(std::move(handler)) {}

 protected:
  bool Seek(int64_t offset, int whence) {
    return FHandler->seek(FHandler.get(), offset, whence) == 0;
  }
  int64_t Tell() { return FHandler->tell(FHandler.get()); }
  bool MayBlock() { return FHandler->may_block(FHandler.get()) != 0; }

  TClientRef<THandler> FHandler;
};

class THandlerSource final : public TReadSource, THandlerStream<TCefReadHandler> {
 public:
  using THandlerStream::THandlerStream;
  size_t Read(void* buffer, size_t size, size_t count) override {
    return std::min(count, FHandler->read(FHandler.get(), buffer, size, count));
  }
  bool Seek(int64_t offset, int whence) override { return THandlerStream::Seek(offset, whence); }
  int64_t Tell() override { return THandlerStream::Tell(); }
  bool AtEnd() override { return FHandler->eof(FHandler.get()) != 0; }
  bool MayBlock() override { return THandlerStream::MayBlock(); }
};

class THandlerSink final : public TWriteSink, THandlerStream<TCefWriteHandler> {
 public:
  using THandlerStream::THandlerStream;
  size_t Write(const void* buffer, size_t size, size_t count) override {
    return std::min(count, FHandler->write(FHandler.get(), buffer, size, count));
  }
  bool Seek(int64_t offset, int whence) override { return THandlerStream::Seek(offset, whence); }
  int64_t Tell() override { return THandlerStream::Tell(); }
  bool Flush() override { return FHandler->flush(FHandler.get()) == 0; }
  bool MayBlock() override { return THandlerStream::MayBlock(); }
};

// An existing file is written beside and replaced when the writer goes, so a reader of it never
// sees it half written.
class TFileSink final : public TWriteSink {
 public:
  explicit TFileSink(GFileOutputStream* stream) : FStream(stream) {}
  ~TFileSink() override {
    g_output_stream_close(G_OUTPUT_STREAM(FStream), nullptr, nullptr);
    g_object_unref(FStream);
  }

  size_t Write(const void* buffer, size_t size, size_t count) override {
    size_t bytes = 0;
    if (!buffer || size == 0 || __builtin_mul_overflow(size, count, &bytes)) return 0;
    size_t written = 0;
    g_output_stream_write_all(G_OUTPUT_STREAM(FStream), buffer, bytes, &written, nullptr, nullptr);
    return written / size;
  }
  bool Seek(int64_t offset, int whence) override {
    const GSeekType type = whence == SEEK_CUR   ? G_SEEK_CUR
                           : whence == SEEK_END ? G_SEEK_END
                                                : G_SEEK_SET;
    return g_seekable_seek(G_SEEKABLE(FStream), offset, type, nullptr, nullptr);
  }
  int64_t Tell() override { return g_seekable_tell(G_SEEKABLE(FStream)); }
  bool Flush() override {
    return g_output_stream_flush(G_OUTPUT_STREAM(FStream), nullptr, nullptr);
  }
  bool MayBlock() override { return true; }

 private:
  GFileOutputStream* const FStream;
};

template <class TBody, class TResult>
TResult Answer(TBody body, TResult fallback) {
  return Guarded("stream entry", body, fallback);
}

class TRtStreamReader final : public TRtCounted {
 public:
  static TCefStreamReader* New(std::unique_ptr<TReadSource> source) {
    return &(new TRtStreamReader(std::move(source)))->FFace.Struct;
  }

 private:
  explicit TRtStreamReader(std::unique_ptr<TReadSource> source) : FSource(std::move(source)) {
    InitFace(FFace, this);
    FFace.Struct.read = read;
    FFace.Struct.seek = seek;
    FFace.Struct.tell = tell;
    FFace.Struct.eof = eof;
    FFace.Struct.may_block = may_block;
  }
  static TReadSource& Of(TCefStreamReader* self) { return *OwnerOf<TRtStreamReader>(self).FSource; }

  static size_t CEF_CALLBACK read(TCefStreamReader* self, void* buffer, size_t size, size_t n) {
    return Answer([&] { return Of(self).Read(buffer, size, n); }, size_t(0));
  }
  static int32_t CEF_CALLBACK seek(TCefStreamReader* self, int64_t offset, int32_t whence) {
    return Answer([&] { return Of(self).Seek(offset, whence) ? 0 : -1; }, -1);
  }
  static int64_t CEF_CALLBACK tell(TCefStreamReader* self) {
    return Answer([&] { return Of(self).Tell(); }, int64_t(-1));
  }
  static int32_t CEF_CALLBACK eof(TCefStreamReader* self) {
    return Answer([&] { return int32_t(Of(self).AtEnd()); }, 1);
  }
  static int32_t CEF_CALLBACK may_block(TCefStreamReader* self) {
    return Answer([&] { return int32_t(Of(self).MayBlock()); }, 1);
  }

  TFace<TCefStreamReader> FFace;
  const std::unique_ptr<TReadSource> FSource;
};

class TRtStreamWriter final : public TRtCounted {
 public:
  static TCefStreamWriter* New(std::unique_ptr<TWriteSink> sink) {
    return &(new TRtStreamWriter(std::move(sink)))->FFace.Struct;
  }

 private:
  explicit TRtStreamWriter(std::unique_ptr<TWriteSink> sink) : FSink(std::move(sink)) {
    InitFace(FFace, this);
    FFace.Struct.write = write;
    FFace.Struct.seek = seek;
    FFace.Struct.tell = tell;
    FFace.Struct.flush = flush;
    FFace.Struct.may_block = may_block;
  }
  static TWriteSink& Of(TCefStreamWriter* self) { return *OwnerOf<TRtStreamWriter>(self).FSink; }

  static size_t CEF_CALLBACK write(TCefStreamWriter* self, const void* buffer, size_t size,
                                   size_t n) {
    return Answer([&] { return Of(self).Write(buffer, size, n); }, size_t(0));
  }
  static int32_t CEF_CALLBACK seek(TCefStreamWriter* self, int64_t offset, int32_t whence) {
    return Answer([&] { return Of(self).Seek(offset, whence) ? 0 : -1; }, -1);
  }
  static int64_t CEF_CALLBACK tell(TCefStreamWriter* self) {
    return Answer([&] { return Of(self).Tell(); }, int64_t(-1));
  }
  static int32_t CEF_CALLBACK flush(TCefStreamWriter* self) {
    return Answer([&] { return Of(self).Flush() ? 0 : -1; }, -1);
  }
  static int32_t CEF_CALLBACK may_block(TCefStreamWriter* self) {
    return Answer([&] { return int32_t(Of(self).MayBlock()); }, 1);
  }

  TFace<TCefStreamWriter> FFace;
  const std::unique_ptr<TWriteSink> FSink;
};

// A regular file opened for reading; null for a missing file, a folder or a device.
FILE* OpenForReading(const std::string& path) {
  FILE* file = path.empty() ? nullptr : fopen(path.c_str(), "rbe");
  struct stat status {};
  if (file && (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))) {
    fclose(file);
    return nullptr;
  }
  return file;
}

// A handler the runtime can call: every entry is there.
bool IsComplete(const TCefReadHandler* handler) {
  return handler && handler->read && handler->seek && handler->tell && handler->eof &&
         handler->may_block;
}

bool IsComplete(const TCefWriteHandler* handler) {
  return handler && handler->write && handler->seek && handler->tell && handler->flush &&
         handler->may_block;
}

}  // namespace

extern "C" {

TCefStreamReader* cef_stream_reader_create_for_file(TCefConstString* fileName) {
  return Answer(
      [&]() -> TCefStreamReader* {
        FILE* file = OpenForReading(ToUtf8(fileName));
        return file ? TRtStreamReader::New(std::make_unique<TFileSource>(file)) : nullptr;
      },
      (TCefStreamReader*)nullptr);
}

// The bytes are copied: the caller may free them as soon as this returns.
TCefStreamReader* cef_stream_reader_create_for_data(void* data, size_t size) {
  return Answer(
      [&]() -> TCefStreamReader* {
        if (!data && size > 0) return nullptr;
        return TRtStreamReader::New(std::make_unique<TMemorySource>(data, size));
      },
      (TCefStreamReader*)nullptr);
}

TCefStreamReader* cef_stream_reader_create_for_handler(TCefReadHandler* handler) {
  return Answer(
      [&]() -> TCefStreamReader* {
        TClientRef<TCefReadHandler> held(handler);
        if (!IsComplete(handler)) return nullptr;
        return TRtStreamReader::New(std::make_unique<THandlerSource>(std::move(held)));
      },
      (TCefStreamReader*)nullptr);
}

TCefStreamWriter* cef_stream_writer_create_for_file(TCefConstString* fileName) {
  return Answer(
      [&]() -> TCefStreamWriter* {
        const std::string path = ToUtf8(fileName);
        if (path.empty()) return nullptr;
        GFile* file = g_file_new_for_path(path.c_str());
        GFileOutputStream* stream =
            g_file_replace(file, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, nullptr);
        g_object_unref(file);
        return stream ? TRtStreamWriter::New(std::make_unique<TFileSink>(stream)) : nullptr;
      },
      (TCefStreamWriter*)nullptr);
}

TCefStreamWriter* cef_stream_writer_create_for_handler(TCefWriteHandler* handler) {
  return Answer(
      [&]() -> TCefStreamWriter* {
        TClientRef<TCefWriteHandler> held(handler);
        if (!IsComplete(handler)) return nullptr;
        return TRtStreamWriter::New(std::make_unique<THandlerSink>(std::move(held)));
      },
      (TCefStreamWriter*)nullptr);
}

}  // extern "C"

// The ZIP reader on libarchive, fed from a stream reader. Moving back to the first file starts
// the archive over. Passwords go to libarchive, which decrypts what it supports (traditional
// ZIP encryption; AES as far as its crypto library allows); they are kept for the archive.

#include "RtZipReader.h"

#include <archive.h>
#include <archive_entry.h>
#include <glib.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStream.h"
#include "RtStrings.h"
#include "RtText.h"
#include "RtTime.h"

namespace {

constexpr size_t InputChunk = 64 * 1024;

std::string EntryName(archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  return TextOrEmpty(name ? name : archive_entry_pathname(entry));
}

// Case folding needs valid UTF-8, which a hostile archive's names need not be.
std::string Folded(const std::string& name) {
  const std::string valid = TakeText(g_utf8_make_valid(name.c_str(), -1));
  return TakeText(g_utf8_casefold(valid.c_str(), -1));
}

bool SameName(const std::string& first, const std::string& second, bool caseSensitive) {
  return caseSensitive ? first == second : Folded(first) == Folded(second);
}

class TRtZipReader final : public TRtCounted {
 public:
  static TCefZipReader* New(TCefStreamReader* stream) {
    TClientRef<TCefStreamReader> held(stream);
    if (!stream || !stream->read || !stream->seek || !stream->tell) return nullptr;
    auto* reader = new TRtZipReader(std::move(held));
    if (!reader->Restart()) {
      reader->Release();
      return nullptr;
    }
    return &reader->FFace.Struct;
  }

 private:
  explicit TRtZipReader(TClientRef<TCefStreamReader> stream)
      : FStream(std::move(stream)), FInput(InputChunk) {
    InitFace(FFace, this);
    TCefZipReader& face = FFace.Struct;
    face.move_to_first_file = move_to_first_file;
    face.move_to_next_file = move_to_next_file;
    face.move_to_file = move_to_file;
    face.close = close;
    face.get_file_name = get_file_name;
    face.get_file_size = get_file_size;
    face.get_file_last_modified = get_file_last_modified;
    face.open_file = open_file;
    face.close_file = close_file;
    face.read_file = read_file;
    face.tell = tell;
    face.eof = eof;
  }
  ~TRtZipReader() override { Close(); }

  void FreeArchive() {
    if (FArchive) archive_read_free(FArchive);
    FArchive = nullptr;
    FEntry = nullptr;
    FFileIndex = -1;
    FFileOpen = false;
  }
  void Close() {
    FreeArchive();
    FStream.reset();
  }

  // Opens the archive from the stream's start, before its first file.
  bool Restart() {
    FreeArchive();
    if (!FStream || FStream->seek(FStream.get(), 0, SEEK_SET) != 0) return false;
    FArchive = archive_read_new();
    if (!FArchive) return false;
    archive_read_support_format_zip(FArchive);
    for (const std::string& password : FPasswords)
      archive_read_add_passphrase(FArchive, password.c_str());
    archive_read_set_read_callback(FArchive, ReadStream);
    archive_read_set_seek_callback(FArchive, SeekStream);
    archive_read_set_callback_data(FArchive, this);
    if (archive_read_open1(FArchive) != ARCHIVE_OK) {
      FreeArchive();
      return false;
    }
    return true;
  }

  // A damaged header ends the walk: nothing after it can be trusted.
  bool NextFile() {
    FFileOpen = false;
    archive_entry* entry = nullptr;
    const int status = FArchive ? archive_read_next_header(FArchive, &entry) : ARCHIVE_FATAL;
    FEntry = status == ARCHIVE_OK || status == ARCHIVE_WARN ? entry : nullptr;
    if (FEntry) ++FFileIndex;
    return FEntry != nullptr;
  }

  bool MoveToFile(const std::string& name, bool caseSensitive) {
    if (!Restart()) return false;
    while (NextFile())
      if (SameName(EntryName(FEntry), name, caseSensitive)) return true;
    return false;
  }

  // libarchive takes passwords only before it opens an archive, so a new one opens it again at
  // the same file.
  bool OpenFile(const std::string& password) {
    if (!password.empty() && FPasswords.insert(password).second) {
      const int64_t index = FFileIndex;
      if (!Restart()) return false;
      while (FFileIndex < index)
        if (!NextFile()) return false;
    }
    FFileOpen = true;
    FFileEnded = false;
    FFileOffset = 0;
    return true;
  }

  int32_t ReadFile(void* buffer, size_t size) {
    if (!FFileOpen || !buffer) return -1;
    const la_ssize_t read = archive_read_data(FArchive, buffer, std::min<size_t>(size, INT_MAX));
    if (read < 0) return -1;
    if (read == 0 && size > 0) FFileEnded = true;
    FFileOffset += read;
    return int32_t(read);
  }

  // libarchive pulls the archive through here.
  static la_ssize_t ReadStream(archive*, void* context, const void** buffer) {
    return Guarded(
        "zip reader input",
        [&]() -> la_ssize_t {
          auto* self = static_cast<TRtZipReader*>(context);
          *buffer = self->FInput.data();
          return la_ssize_t(std::min(
              self->FInput.size(), self->FStream->read(self->FStream.get(), self->FInput.data(), 1,
                                                       self->FInput.size())));
        },
        la_ssize_t(ARCHIVE_FATAL));
  }
  static la_int64_t SeekStream(archive*, void* context, la_int64_t offset, int whence) {
    return Guarded(
        "zip reader input",
        [&]() -> la_int64_t {
          auto& stream = static_cast<TRtZipReader*>(context)->FStream;
          if (stream->seek(stream.get(), offset, whence) != 0) return ARCHIVE_FATAL;
          return stream->tell(stream.get());
        },
        la_int64_t(ARCHIVE_FATAL));
  }

  static TRtZipReader& Of(TCefZipReader* self) { return OwnerOf<TRtZipReader>(self); }

  // Asks about the current file; the fallback without one or on failure.
  template <class TResult, class TAsk>
  static TResult AskFile(TCefZipReader* self, TResult fallback, TAsk ask) {
    return Guarded(
        "zip reader entry",
        [&] {
          TRtZipReader& reader = Of(self);
          return reader.FEntry ? TResult(ask(reader)) : fallback;
        },
        fallback);
  }
  template <class TMove>
  static int32_t Move(TMove move) {
    return Guarded(
        "zip reader entry", [&] { return int32_t(move()); }, int32_t(0));
  }

  static int32_t CEF_CALLBACK move_to_first_file(TCefZipReader* self) {
    return Move([&] { return Of(self).Restart() && Of(self).NextFile(); });
  }
  static int32_t CEF_CALLBACK move_to_next_file(TCefZipReader* self) {
    return Move([&] { return Of(self).NextFile(); });
  }
  static int32_t CEF_CALLBACK move_to_file(TCefZipReader* self, TCefConstString* name,
                                           int32_t caseSensitive) {
    return Move([&] { return Of(self).MoveToFile(ToUtf8(name), caseSensitive != 0); });
  }
  static int32_t CEF_CALLBACK close(TCefZipReader* self) {
    Of(self).Close();
    return 1;
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_file_name(TCefZipReader* self) {
    return AskFile(self, TCefStringUserFreeUtf16(nullptr),
                   [](TRtZipReader& reader) { return NewUserFree(EntryName(reader.FEntry)); });
  }
  static int64_t CEF_CALLBACK get_file_size(TCefZipReader* self) {
    return AskFile(self, int64_t(-1), [](TRtZipReader& reader) -> int64_t {
      if (!archive_entry_size_is_set(reader.FEntry)) return -1;
      return archive_entry_size(reader.FEntry);
    });
  }
  static RuntimeTime CEF_CALLBACK get_file_last_modified(TCefZipReader* self) {
    return AskFile(self, RuntimeTime{}, [](TRtZipReader& reader) {
      return RuntimeTimeOfMicros(int64_t(archive_entry_mtime(reader.FEntry)) * 1000000);
    });
  }
  // An empty password means none.
  static int32_t CEF_CALLBACK open_file(TCefZipReader* self, TCefConstString* password) {
    return AskFile(self, int32_t(0),
                   [&](TRtZipReader& reader) { return reader.OpenFile(ToUtf8(password)); });
  }
  static int32_t CEF_CALLBACK close_file(TCefZipReader* self) {
    return AskFile(self, int32_t(0),
                   [](TRtZipReader& reader) { return std::exchange(reader.FFileOpen, false); });
  }
  static int32_t CEF_CALLBACK read_file(TCefZipReader* self, void* buffer, size_t size) {
    return AskFile(self, int32_t(-1),
                   [&](TRtZipReader& reader) { return reader.ReadFile(buffer, size); });
  }
  static int64_t CEF_CALLBACK tell(TCefZipReader* self) {
    return AskFile(self, int64_t(-1), [](TRtZipReader& reader) {
      return reader.FFileOpen ? reader.FFileOffset : int64_t(-1);
    });
  }
  static int32_t CEF_CALLBACK eof(TCefZipReader* self) {
    return AskFile(self, int32_t(1), [](TRtZipReader& reader) {
      const bool sizeReached = archive_entry_size_is_set(reader.FEntry) &&
                               reader.FFileOffset >= archive_entry_size(reader.FEntry);
      return !reader.FFileOpen || reader.FFileEnded || sizeReached;
    });
  }

  TFace<TCefZipReader> FFace;
  TClientRef<TCefStreamReader> FStream;
  std::vector<char> FInput;
  archive* FArchive = nullptr;
  archive_entry* FEntry = nullptr;  // the current file, owned by the archive
  int64_t FFileIndex = -1;          // of the current file, from 0
  std::set<std::string> FPasswords;
  bool FFileOpen = false;
  bool FFileEnded = false;
  int64_t FFileOffset = 0;
};

}  // namespace

extern "C" {

// Null for a stream that holds no readable ZIP archive.
TCefZipReader* cef_zip_reader_create(TCefStreamReader* stream) {
  return Guarded(
      "cef_zip_reader_create", [&] { return TRtZipReader::New(stream); }, (TCefZipReader*)nullptr);
}

}  // extern "C"

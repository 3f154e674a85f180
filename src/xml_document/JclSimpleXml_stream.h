#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

class EJclError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EJclError"; }
};

class EJclCharsetError : public EJclError {
 public:
  using EJclError::EJclError;
  const char* ClassName() const override { return "EJclCharsetError"; }
};

enum TJclStringEncoding { seAnsi, seUTF8, seUTF16, seAuto };

constexpr uint16_t CP_ACP = 0;
constexpr uint16_t CP_UTF16LE = 1200;
constexpr uint16_t CP_UTF8 = 65001;

// The charset table: names and aliases of the code pages the program can read and write.
// Both raise EJclCharsetError "No matching charset" on a miss.
uint16_t CodePageFromCharsetName(std::string_view name);
std::string CharsetNameFromCodePage(uint16_t codePage);

// The system's ANSI code page: the locale's character set, UTF-8 on every supported system.
uint16_t SystemAnsiCodePage();

// Turns bytes of one encoding into code points and UTF-8 text back into bytes.
class TJclCharCodec {
 public:
  virtual ~TJclCharCodec() = default;
  // Decodes the character at bytes[pos] and advances pos; malformed bytes give U+FFFD and
  // advance at least one byte. Requires pos < bytes.size().
  virtual char32_t Decode(std::string_view bytes, size_t& pos) = 0;
  // Decodes up to count characters into chars, with the byte offset each started at in
  // starts; answers how many it decoded (fewer only at the end of the bytes).
  virtual size_t DecodeBlock(std::string_view bytes, size_t& pos, size_t count, char32_t* chars,
                             size_t* starts);
  virtual void Encode(std::string_view utf8, std::string& out) = 0;
};

// A codec for a Windows code page (0 = the system's ANSI code page); EJclCharsetError when the
// platform cannot convert it.
std::unique_ptr<TJclCharCodec> MakeCodePageCodec(uint16_t codePage);

// A growable array of plain values that leaves new elements uninitialised, so a refill writes
// each decoded character once.
template <class T>
class TDecodeBuffer {
 public:
  size_t size() const { return FSize; }
  T* data() { return FData.get(); }
  const T* data() const { return FData.get(); }
  T& operator[](size_t index) { return FData[index]; }
  const T& operator[](size_t index) const { return FData[index]; }

  // Room for count more elements at the end; answers where they start.
  T* Extend(size_t count) {
    if (FSize + count > FCapacity) {
      const size_t capacity = std::max(FSize + count, FCapacity * 2);
      std::unique_ptr<T[]> grown(new T[capacity]);
      std::copy(FData.get(), FData.get() + FSize, grown.get());
      FData = std::move(grown);
      FCapacity = capacity;
    }
    T* start = FData.get() + FSize;
    FSize += count;
    return start;
  }
  void Truncate(size_t size) { FSize = std::min(size, FSize); }
  void EraseFront(size_t count) {
    std::copy(FData.get() + count, FData.get() + FSize, FData.get());
    FSize -= count;
  }

 private:
  std::unique_ptr<T[]> FData;
  size_t FSize = 0;
  size_t FCapacity = 0;
};

// Character stream over bytes: decodes them into code points with a read cursor and a peek
// cursor ahead of it, or encodes text into bytes. Cursors count characters after the
// byte-order mark, from 0.
class TJclStringStream {
 public:
  TJclStringStream(const TJclStringStream&) = delete;
  TJclStringStream& operator=(const TJclStringStream&) = delete;
  virtual ~TJclStringStream();

  // Both return false at the end of the data.
  bool PeekUCS4(char32_t& ch) {
    if (!IsDecoded(FPeekPos) && !EnsureDecoded(FPeekPos)) return false;
    ch = FChars[static_cast<size_t>(FPeekPos++ - FBufferBase)];
    return true;
  }
  bool ReadUCS4(char32_t& ch) {
    if (!IsDecoded(FReadPos) && !EnsureDecoded(FReadPos)) return false;
    ch = FChars[static_cast<size_t>(FReadPos++ - FBufferBase)];
    FPeekPos = FReadPos;
    return true;
  }

  // The decoded characters from the read cursor or the peek cursor to the end of what is
  // decoded; empty only at the end of the data. Scanning readers take a run of characters from
  // it and pass over them with SkipRead or SkipPeeked, which move the cursors as the same
  // number of ReadUCS4 or PeekUCS4 calls would.
  std::u32string_view ReadRun() {
    if (!IsDecoded(FReadPos) && !EnsureDecoded(FReadPos)) return {};
    return BufferedFrom(FReadPos);
  }
  std::u32string_view PeekRun() {
    if (!IsDecoded(FPeekPos) && !EnsureDecoded(FPeekPos)) return {};
    return BufferedFrom(FPeekPos);
  }
  void SkipRead(size_t count) {
    FReadPos += static_cast<int64_t>(count);
    FPeekPos = FReadPos;
  }
  void SkipPeeked(size_t count) { FPeekPos += static_cast<int64_t>(count); }

  // Moves the peek cursor back to the read cursor, to look ahead afresh.
  void RestartPeek() { FPeekPos = FReadPos; }

  void WriteString(std::string_view utf8);
  void WriteUCS4(char32_t ch);
  virtual void SkipBOM();
  virtual void WriteBOM();
  // Output goes straight into the target buffer, so there is nothing to flush; kept for
  // callers that treat every stream alike.
  void Flush() {}

  size_t BufferSize() const { return FBufferSize; }
  void SetBufferSize(size_t size) { FBufferSize = size == 0 ? 1 : size; }

  int64_t PeekPosition() const { return FPeekPos; }
  // Byte position of the next undecoded byte and the size of the data, for progress reports.
  size_t BytePosition() const { return FInputPos; }
  size_t ByteSize() const { return FInput.size(); }

  // Called when an XML declaration names the code page of what follows. Streams bound to one
  // encoding ignore it.
  virtual void ApplyDeclaredCodePage(uint16_t codePage);

 protected:
  // A stream reads when built over input and writes when given an output buffer.
  TJclStringStream(std::string_view input, std::string* output,
                   std::unique_ptr<TJclCharCodec> codec);

  void SetCodec(std::unique_ptr<TJclCharCodec> codec);
  // Consumes bom when the unread data starts with it.
  bool SkipPrefix(std::string_view bom);
  void WriteBytes(std::string_view bytes);

 private:
  bool IsDecoded(int64_t position) const {
    return position < FBufferBase + static_cast<int64_t>(FChars.size());
  }
  std::u32string_view BufferedFrom(int64_t position) const {
    const auto offset = static_cast<size_t>(position - FBufferBase);
    return {FChars.data() + offset, FChars.size() - offset};
  }
  bool EnsureDecoded(int64_t position);
  void Refill();

  std::string_view FInput;
  std::string* FOutput;
  std::unique_ptr<TJclCharCodec> FCodec;
  size_t FInputPos = 0;
  size_t FBufferSize = 4096;
  // Decoded characters from FBufferBase on, with the byte offset each one started at, so a
  // change of code page can decode the unread ones again.
  TDecodeBuffer<char32_t> FChars;
  TDecodeBuffer<size_t> FCharStarts;
  int64_t FBufferBase = 0;
  int64_t FReadPos = 0;
  int64_t FPeekPos = 0;
};

class TJclAnsiStream : public TJclStringStream {
 public:
  explicit TJclAnsiStream(std::string_view input, uint16_t codePage = CP_ACP);
  explicit TJclAnsiStream(std::string* output, uint16_t codePage = CP_ACP);

  uint16_t CodePage() const { return FCodePage; }
  virtual void SetCodePage(uint16_t codePage);
  void ApplyDeclaredCodePage(uint16_t codePage) override { SetCodePage(codePage); }

 private:
  uint16_t FCodePage;
};

class TJclUTF8Stream : public TJclStringStream {
 public:
  explicit TJclUTF8Stream(std::string_view input);
  explicit TJclUTF8Stream(std::string* output);
  void SkipBOM() override;
  void WriteBOM() override;
};

class TJclUTF16Stream : public TJclStringStream {
 public:
  explicit TJclUTF16Stream(std::string_view input);
  explicit TJclUTF16Stream(std::string* output);
  void SkipBOM() override;
  void WriteBOM() override;
};

// Picks its encoding from a byte-order mark at construction: UTF-8, UTF-16LE, else the
// system's ANSI code page.
class TJclAutoStream : public TJclAnsiStream {
 public:
  explicit TJclAutoStream(std::string_view input);

  TJclStringEncoding Encoding() const { return FEncoding; }
  void SetCodePage(uint16_t codePage) override;
  // A byte-order mark outranks a declared code page: it states how the bytes were written.
  void ApplyDeclaredCodePage(uint16_t codePage) override;
  // The mark was consumed at construction.
  void SkipBOM() override {}

 private:
  TJclStringEncoding FEncoding = seAnsi;
  bool FEncodingFromBom = false;
};

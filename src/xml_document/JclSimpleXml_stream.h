#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"
#include "ustring.h"

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
  // The length of the well-formed UTF-8 from bytes[pos] on, up to count characters, that
  // decodes to itself, with the number of characters in it in chars; 0 when there is none or
  // the codec is not UTF-8.
  virtual size_t Utf8Run(std::string_view bytes, size_t pos, size_t count, size_t& chars);
  virtual void Encode(std::string_view utf8, std::string& out) = 0;
  // Whether Encode appends the text unchanged.
  virtual bool EncodesAsUtf8() const { return false; }
};

// A codec for a Windows code page (0 = the system's ANSI code page); EJclCharsetError when the
// platform cannot convert it.
std::unique_ptr<TJclCharCodec> MakeCodePageCodec(uint16_t codePage);

// Character stream over bytes: decodes them into UTF-8 text with a read cursor and a peek
// cursor ahead of it, or encodes text into bytes. Positions count characters after the
// byte-order mark, from 0.
class TJclStringStream {
 public:
  TJclStringStream(const TJclStringStream&) = delete;
  TJclStringStream& operator=(const TJclStringStream&) = delete;
  virtual ~TJclStringStream();

  // Both return false at the end of the data.
  bool PeekUCS4(char32_t& ch) {
    if (!IsDecoded(FPeekPos) && !EnsureDecoded(FPeekPos)) return false;
    ch = TakeChar(FPeekPos);
    return true;
  }
  bool ReadUCS4(char32_t& ch) {
    if (!IsDecoded(FReadPos) && !EnsureDecoded(FReadPos)) return false;
    ch = TakeChar(FReadPos);
    FPeekPos = FReadPos;
    return true;
  }

  // The decoded text, whole UTF-8 characters, from the read cursor or the peek cursor to the
  // end of what is decoded; empty only at the end of the data. Scanning readers take a run of
  // bytes from it and pass over them with SkipRead or SkipPeeked, which move the cursors as
  // reading or peeking the characters one by one would.
  std::string_view ReadRun() {
    if (!IsDecoded(FReadPos) && !EnsureDecoded(FReadPos)) return {};
    return BufferedFrom(FReadPos);
  }
  std::string_view PeekRun() {
    if (!IsDecoded(FPeekPos) && !EnsureDecoded(FPeekPos)) return {};
    return BufferedFrom(FPeekPos);
  }
  void SkipRead(size_t bytes) {
    FReadPos += static_cast<int64_t>(bytes);
    FPeekPos = FReadPos;
  }
  void SkipPeeked(size_t bytes) { FPeekPos += static_cast<int64_t>(bytes); }

  // Moves the peek cursor back to the read cursor, to look ahead afresh.
  void RestartPeek() { FPeekPos = FReadPos; }

  void WriteString(std::string_view utf8) {
    if (!FOutput) return;
    if (FEncodesAsUtf8)
      FOutput->append(utf8);
    else
      FCodec->Encode(utf8, *FOutput);
  }
  // Writes the text that produce(std::string&) appends, straight into the output when it takes
  // UTF-8 unchanged.
  template <class TProduce>
  void WriteProduced(TProduce produce) {
    if (!FOutput) return;
    if (FEncodesAsUtf8) {
      produce(*FOutput);
      return;
    }
    std::string text;
    produce(text);
    FCodec->Encode(text, *FOutput);
  }
  void WriteUCS4(char32_t ch);
  virtual void SkipBOM();
  virtual void WriteBOM();
  // Output goes straight into the target buffer, so there is nothing to flush; kept for
  // callers that treat every stream alike.
  void Flush() {}

  // Characters decoded per refill.
  size_t BufferSize() const { return FBufferSize; }
  void SetBufferSize(size_t size) { FBufferSize = size == 0 ? 1 : size; }

  int64_t PeekPosition() const;
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
  // Where decoded text from TextPos on came from: either one character, or well-formed UTF-8
  // copied byte for byte from InputPos on.
  struct TTextOrigin {
    int64_t TextPos;
    size_t InputPos;
  };

  bool IsDecoded(int64_t position) const {
    return position < FBufferBase + static_cast<int64_t>(FText.size());
  }
  std::string_view BufferedFrom(int64_t position) const {
    return std::string_view(FText).substr(static_cast<size_t>(position - FBufferBase));
  }
  // The character at position, which is decoded; moves position past it.
  char32_t TakeChar(int64_t& position) const {
    size_t offset = static_cast<size_t>(position - FBufferBase);
    const size_t start = offset;
    const auto lead = static_cast<unsigned char>(FText[offset]);
    const char32_t ch = lead < 0x80 ? (++offset, lead) : DecodeUtf8(FText, offset);
    position += static_cast<int64_t>(offset - start);
    return ch;
  }
  bool EnsureDecoded(int64_t position);
  void Refill();
  void DropReadText();
  size_t InputPosOf(int64_t textPos) const;

  std::string_view FInput;
  std::string* FOutput;
  std::unique_ptr<TJclCharCodec> FCodec;
  bool FEncodesAsUtf8;
  size_t FInputPos = 0;
  size_t FBufferSize = 4096;
  // Decoded text from the text byte FBufferBase on, FBufferChars characters, which
  // FCharsBeforeBase characters precede; cursors are text byte positions. The origins let a
  // change of code page decode the unread text again.
  std::string FText;
  size_t FBufferChars = 0;
  std::vector<TTextOrigin> FOrigins;
  int64_t FBufferBase = 0;
  int64_t FCharsBeforeBase = 0;
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

#include "JclSimpleXml_stream.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "JclSimpleXml_text.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

// The characters of well-formed UTF-8: its bytes but the continuation bytes (10xxxxxx), counted
// eight at a time by adding up one bit per byte.
size_t CountUtf8Chars(std::string_view text) {
  constexpr uint64_t kOnePerByte = 0x0101010101010101ULL;
  size_t continuations = 0;
  size_t pos = 0;
  for (; pos + sizeof(uint64_t) <= text.size(); pos += sizeof(uint64_t)) {
    uint64_t chunk;
    std::memcpy(&chunk, text.data() + pos, sizeof chunk);
    const uint64_t flags = ((chunk & ~(chunk << 1)) >> 7) & kOnePerByte;
    continuations += static_cast<size_t>((flags * kOnePerByte) >> 56);
  }
  for (; pos < text.size(); ++pos)
    continuations += (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80;
  return text.size() - continuations;
}

class TUtf8Codec : public TJclCharCodec {
 public:
  char32_t Decode(std::string_view bytes, size_t& pos) override { return DecodeUtf8(bytes, pos); }
  size_t Utf8Run(std::string_view bytes, size_t pos, size_t count, size_t& chars) override {
    const size_t start = pos;
    chars = 0;
    while (chars < count && pos < bytes.size()) {
      const size_t ascii =
          AsciiLength(bytes.data() + pos, std::min(count - chars, bytes.size() - pos));
      chars += ascii;
      pos += ascii;
      if (chars == count || pos == bytes.size()) break;
      const size_t length = WellFormedLength(bytes, pos);
      if (length == 0) break;
      ++chars;
      pos += length;
    }
    return pos - start;
  }
  void Encode(std::string_view utf8, std::string& out) override { out.append(utf8); }
  bool EncodesAsUtf8() const override { return true; }

 private:
  static constexpr size_t kChunk = sizeof(uint64_t);
  static bool IsAsciiChunk(const char* bytes) {
    uint64_t chunk;
    std::memcpy(&chunk, bytes, kChunk);
    return (chunk & 0x8080808080808080ULL) == 0;
  }
  // The length of the ASCII that bytes start with, up to limit: nearly all of a settings file,
  // passed over eight bytes at a time.
  static size_t AsciiLength(const char* bytes, size_t limit) {
    size_t length = 0;
    while (length + kChunk <= limit && IsAsciiChunk(bytes + length)) length += kChunk;
    while (length < limit && static_cast<unsigned char>(bytes[length]) < 0x80) ++length;
    return length;
  }
  // The length of the character at bytes[pos] when it decodes to itself, else 0.
  static size_t WellFormedLength(std::string_view bytes, size_t pos) {
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) return 1;
    size_t end = pos;
    const char32_t ch = DecodeUtf8(bytes, end);
    if (ch != kReplacementCharacter) return end - pos;
    return bytes.substr(pos, end - pos) == "\xEF\xBF\xBD" ? end - pos : 0;
  }
};

class TUtf16Codec : public TJclCharCodec {
 public:
  char32_t Decode(std::string_view bytes, size_t& pos) override {
    if (pos + 2 > bytes.size()) {
      pos = bytes.size();
      return kReplacementCharacter;
    }
    const char32_t unit = ReadUnit(bytes, pos);
    if (!IsSurrogate(unit)) return unit;
    if (!IsHighSurrogate(unit) || pos + 2 > bytes.size()) return kReplacementCharacter;
    const char32_t low = ReadUnit(bytes, pos);
    if (!IsLowSurrogate(low)) {
      pos -= 2;
      return kReplacementCharacter;
    }
    return JoinSurrogates(unit, low);
  }

  void Encode(std::string_view utf8, std::string& out) override {
    size_t pos = 0;
    while (pos < utf8.size()) {
      const char32_t ch = DecodeUtf8(utf8, pos);
      if (ch < 0x10000) {
        WriteUnit(out, ch);
      } else {
        const TSurrogatePair pair = SplitSurrogates(ch);
        WriteUnit(out, pair.High);
        WriteUnit(out, pair.Low);
      }
    }
  }

 private:
  static char32_t ReadUnit(std::string_view bytes, size_t& pos) {
    const auto low = static_cast<unsigned char>(bytes[pos]);
    const auto high = static_cast<unsigned char>(bytes[pos + 1]);
    pos += 2;
    return low | (high << 8);
  }
  static void WriteUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
};

// Platform name of a Windows code page for iconv.
std::string IconvName(uint16_t codePage) {
  switch (codePage) {
    case 1201:
      return "UTF-16BE";
    case 10000:
      return "MACINTOSH";
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 50220:
      return "ISO-2022-JP";
    case 51932:
      return "EUC-JP";
    case 51949:
      return "EUC-KR";
    case 54936:
      return "GB18030";
    case 65000:
      return "UTF-7";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28605) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

class TIconvHandle {
 public:
  TIconvHandle(const std::string& to, const std::string& from)
      : FHandle(iconv_open(to.c_str(), from.c_str())) {
    if (FHandle == reinterpret_cast<iconv_t>(-1)) throw EJclCharsetError("No matching charset");
  }
  ~TIconvHandle() { iconv_close(FHandle); }
  TIconvHandle(const TIconvHandle&) = delete;
  TIconvHandle& operator=(const TIconvHandle&) = delete;

  // Converts as much as fits; answers iconv's result and errno.
  int Convert(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
    auto* input = const_cast<char*>(in);
    const size_t result = iconv(FHandle, &input, &inLeft, &out, &outLeft);
    in = input;
    return result == static_cast<size_t>(-1) ? errno : 0;
  }

 private:
  iconv_t FHandle;
};

// Any other code page, through the platform's converter; characters it cannot represent are
// written as '?'.
class TIconvCodec : public TJclCharCodec {
 public:
  explicit TIconvCodec(const std::string& charset)
      : FDecoder("UTF-32LE", charset), FEncoder(charset, "UTF-8") {}

  char32_t Decode(std::string_view bytes, size_t& pos) override {
    while (pos < bytes.size()) {
      unsigned char units[4];
      const char* in = bytes.data() + pos;
      size_t inLeft = bytes.size() - pos;
      char* out = reinterpret_cast<char*>(units);
      size_t outLeft = sizeof units;
      const int error = FDecoder.Convert(in, inLeft, out, outLeft);
      const size_t consumed = static_cast<size_t>(in - (bytes.data() + pos));
      pos += consumed;
      if (outLeft == 0)
        return units[0] | (units[1] << 8) | (units[2] << 16) | (char32_t{units[3]} << 24);
      if (error == EILSEQ || error == EINVAL || consumed == 0) {
        ++pos;
        return kReplacementCharacter;
      }
    }
    return kReplacementCharacter;
  }

  void Encode(std::string_view utf8, std::string& out) override {
    size_t pos = 0;
    while (pos < utf8.size()) {
      char buffer[256];
      const char* in = utf8.data() + pos;
      size_t inLeft = utf8.size() - pos;
      char* output = buffer;
      size_t outLeft = sizeof buffer;
      const int error = FEncoder.Convert(in, inLeft, output, outLeft);
      out.append(buffer, static_cast<size_t>(output - buffer));
      pos = static_cast<size_t>(in - utf8.data());
      if (error == EILSEQ || error == EINVAL) {
        out += '?';
        DecodeUtf8(utf8, pos);
      }
    }
  }

 private:
  TIconvHandle FDecoder;
  TIconvHandle FEncoder;
};

}  // namespace

std::unique_ptr<TJclCharCodec> MakeCodePageCodec(uint16_t codePage) {
  if (codePage == CP_ACP) codePage = SystemAnsiCodePage();
  if (codePage == CP_UTF8) return std::make_unique<TUtf8Codec>();
  if (codePage == CP_UTF16LE) return std::make_unique<TUtf16Codec>();
  return std::make_unique<TIconvCodec>(IconvName(codePage));
}

size_t TJclCharCodec::Utf8Run(std::string_view, size_t, size_t, size_t& chars) {
  chars = 0;
  return 0;
}

// --- TJclStringStream ---

TJclStringStream::TJclStringStream(std::string_view input, std::string* output,
                                   std::unique_ptr<TJclCharCodec> codec)
    : FInput(input),
      FOutput(output),
      FCodec(std::move(codec)),
      FEncodesAsUtf8(FCodec->EncodesAsUtf8()) {}

TJclStringStream::~TJclStringStream() = default;

int64_t TJclStringStream::PeekPosition() const {
  return FCharsBeforeBase +
         static_cast<int64_t>(CountUtf8Chars(
             BufferedFrom(FBufferBase).substr(0, static_cast<size_t>(FPeekPos - FBufferBase))));
}

bool TJclStringStream::EnsureDecoded(int64_t position) {
  while (!IsDecoded(position)) {
    if (FInputPos >= FInput.size()) return false;
    Refill();
  }
  return true;
}

// Well-formed UTF-8 is copied in runs; anything else is decoded a character at a time.
void TJclStringStream::Refill() {
  DropReadText();
  // Every character takes at least one byte.
  const size_t wanted = std::min(FBufferSize, FInput.size() - FInputPos);
  for (size_t decoded = 0; decoded < wanted && FInputPos < FInput.size();) {
    FOrigins.push_back({FBufferBase + static_cast<int64_t>(FText.size()), FInputPos});
    size_t chars = 0;
    const size_t run = FCodec->Utf8Run(FInput, FInputPos, wanted - decoded, chars);
    if (run > 0) {
      FText.append(FInput.substr(FInputPos, run));
      FInputPos += run;
      decoded += chars;
      FBufferChars += chars;
    } else {
      AppendUtf8(FText, FCodec->Decode(FInput, FInputPos));
      ++decoded;
      ++FBufferChars;
    }
  }
}

void TJclStringStream::DropReadText() {
  const auto consumed = static_cast<size_t>(FReadPos - FBufferBase);
  // Whichever part is shorter is counted; mostly nearly all the text has been read.
  const std::string_view kept = BufferedFrom(FReadPos);
  const size_t consumedChars = consumed <= kept.size()
                                   ? CountUtf8Chars(BufferedFrom(FBufferBase).substr(0, consumed))
                                   : FBufferChars - CountUtf8Chars(kept);
  FCharsBeforeBase += static_cast<int64_t>(consumedChars);
  FBufferChars -= consumedChars;
  FText.erase(0, consumed);
  FBufferBase = FReadPos;
  // The origin of the first unread character stays.
  const auto firstKept = std::upper_bound(
      FOrigins.begin(), FOrigins.end(), FBufferBase,
      [](int64_t textPos, const TTextOrigin& origin) { return textPos < origin.TextPos; });
  if (firstKept != FOrigins.begin()) FOrigins.erase(FOrigins.begin(), firstKept - 1);
}

size_t TJclStringStream::InputPosOf(int64_t textPos) const {
  const auto after = std::upper_bound(
      FOrigins.begin(), FOrigins.end(), textPos,
      [](int64_t position, const TTextOrigin& origin) { return position < origin.TextPos; });
  const TTextOrigin& origin = *(after - 1);
  return origin.InputPos + static_cast<size_t>(textPos - origin.TextPos);
}

void TJclStringStream::SetCodec(std::unique_ptr<TJclCharCodec> codec) {
  if (IsDecoded(FReadPos)) {
    FInputPos = InputPosOf(FReadPos);
    FText.resize(static_cast<size_t>(FReadPos - FBufferBase));
    FBufferChars = CountUtf8Chars(FText);
    while (!FOrigins.empty() && FOrigins.back().TextPos >= FReadPos) FOrigins.pop_back();
  }
  FPeekPos = FReadPos;
  FCodec = std::move(codec);
  FEncodesAsUtf8 = FCodec->EncodesAsUtf8();
}

bool TJclStringStream::SkipPrefix(std::string_view bom) {
  if (FInput.substr(FInputPos, bom.size()) != bom) return false;
  FInputPos += bom.size();
  return true;
}

void TJclStringStream::WriteBytes(std::string_view bytes) {
  if (FOutput) FOutput->append(bytes);
}

void TJclStringStream::WriteUCS4(char32_t ch) {
  WriteString(Utf8FromCodePoint(ch));
}

void TJclStringStream::SkipBOM() {}
void TJclStringStream::WriteBOM() {}
void TJclStringStream::ApplyDeclaredCodePage(uint16_t) {}

// --- stream kinds ---

TJclAnsiStream::TJclAnsiStream(std::string_view input, uint16_t codePage)
    : TJclStringStream(input, nullptr, MakeCodePageCodec(codePage)), FCodePage(codePage) {}

TJclAnsiStream::TJclAnsiStream(std::string* output, uint16_t codePage)
    : TJclStringStream({}, output, MakeCodePageCodec(codePage)), FCodePage(codePage) {}

void TJclAnsiStream::SetCodePage(uint16_t codePage) {
  SetCodec(MakeCodePageCodec(codePage));
  FCodePage = codePage;
}

TJclUTF8Stream::TJclUTF8Stream(std::string_view input)
    : TJclStringStream(input, nullptr, std::make_unique<TUtf8Codec>()) {}

TJclUTF8Stream::TJclUTF8Stream(std::string* output)
    : TJclStringStream({}, output, std::make_unique<TUtf8Codec>()) {}

void TJclUTF8Stream::SkipBOM() {
  SkipPrefix(kUtf8Bom);
}

void TJclUTF8Stream::WriteBOM() {
  WriteBytes(kUtf8Bom);
}

TJclUTF16Stream::TJclUTF16Stream(std::string_view input)
    : TJclStringStream(input, nullptr, std::make_unique<TUtf16Codec>()) {}

TJclUTF16Stream::TJclUTF16Stream(std::string* output)
    : TJclStringStream({}, output, std::make_unique<TUtf16Codec>()) {}

void TJclUTF16Stream::SkipBOM() {
  SkipPrefix(kUtf16Bom);
}

void TJclUTF16Stream::WriteBOM() {
  WriteBytes(kUtf16Bom);
}

TJclAutoStream::TJclAutoStream(std::string_view input) : TJclAnsiStream(input, CP_ACP) {
  if (SkipPrefix(kUtf8Bom))
    SetCodePage(CP_UTF8);
  else if (SkipPrefix(kUtf16Bom))
    SetCodePage(CP_UTF16LE);
  FEncodingFromBom = FEncoding != seAnsi;
}

void TJclAutoStream::ApplyDeclaredCodePage(uint16_t codePage) {
  if (!FEncodingFromBom) SetCodePage(codePage);
}

void TJclAutoStream::SetCodePage(uint16_t codePage) {
  TJclAnsiStream::SetCodePage(codePage);
  switch (codePage) {
    case CP_ACP:
      FEncoding = seAnsi;
      break;
    case CP_UTF16LE:
      FEncoding = seUTF16;
      break;
    case CP_UTF8:
      FEncoding = seUTF8;
      break;
    default:
      FEncoding = seAuto;
  }
}

#include "JclSimpleXml_text.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>

namespace {

bool IsLetterCategory(GUnicodeType type) {
  switch (type) {
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
    case G_UNICODE_MODIFIER_LETTER:
    case G_UNICODE_OTHER_LETTER:
    case G_UNICODE_LETTER_NUMBER:
      return true;
    default:
      return false;
  }
}

bool IsNameCategory(GUnicodeType type) {
  switch (type) {
    case G_UNICODE_NON_SPACING_MARK:
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_DECIMAL_NUMBER:
    case G_UNICODE_CONNECT_PUNCTUATION:
    case G_UNICODE_FORMAT:
      return true;
    default:
      return IsLetterCategory(type);
  }
}

constexpr bool IsAsciiLetter(char32_t ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}
constexpr bool IsAsciiDigit(char32_t ch) {
  return ch >= '0' && ch <= '9';
}

// "&#x" + at least digits upper-case hexadecimal digits + ";".
void AppendHexReference(std::string& out, unsigned unit, int digits) {
  char buffer[16];
  char* const end = buffer + sizeof buffer;
  char* start = end;
  *--start = ';';
  for (int written = 0; unit != 0 || written < digits; ++written, unit >>= 4)
    *--start = "0123456789ABCDEF"[unit & 0xF];
  *--start = 'x';
  *--start = '#';
  *--start = '&';
  out.append(start, end);
}

constexpr const char* NamedEntityFor(char ch) {
  switch (ch) {
    case '"':
      return "&quot;";
    case '&':
      return "&amp;";
    case '\'':
      return "&apos;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return nullptr;
  }
}

constexpr bool IsControlToEncode(unsigned char c) {
  return c < 32 && c != 9 && c != 10 && c != 13;
}

// Bytes that the full encoding leaves as they are: printable ASCII but the five entities.
constexpr std::array<bool, 256> kWrittenAsItIs = [] {
  std::array<bool, 256> table{};
  for (unsigned byte = 0; byte < 0x80; ++byte)
    table[byte] = !IsControlToEncode(static_cast<unsigned char>(byte)) &&
                  !NamedEntityFor(static_cast<char>(byte));
  return table;
}();

bool IsWrittenAsItIs(char c) {
  return kWrittenAsItIs[static_cast<unsigned char>(c)];
}

void FullEncodeCodePoint(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    if (const char* entity = NamedEntityFor(static_cast<char>(ch)))
      out += entity;
    else if (IsControlToEncode(static_cast<unsigned char>(ch)))
      AppendHexReference(out, ch, 2);
    else
      out += static_cast<char>(ch);
  } else if (ch < 0x100) {
    AppendHexReference(out, ch, 2);
  } else if (ch < 0x10000) {
    AppendHexReference(out, ch, 4);
  } else {
    const TSurrogatePair pair = SplitSurrogates(ch);
    AppendHexReference(out, pair.High, 4);
    AppendHexReference(out, pair.Low, 4);
  }
}

// Case-insensitive for ASCII; other bytes must be equal. For the ASCII entity names this is
// what the full upper-casing gives: no other character upper-cases to the same bytes. The names
// are written in lower case, so an upper-case letter of the text matches its lower-case one.
bool SameAsciiText(std::string_view text, std::string_view lowerAscii) {
  for (size_t i = 0; i < lowerAscii.size(); ++i) {
    const char wanted = lowerAscii[i];
    if (text[i] != wanted && !(wanted >= 'a' && wanted <= 'z' && text[i] == wanted - 32))
      return false;
  }
  return true;
}

// Matches one of the five named entities at text[pos] ('&'), ignoring case; advances past it.
std::optional<char> MatchNamedEntity(std::string_view text, size_t& pos) {
  static constexpr struct {
    std::string_view Body;
    char Character;
  } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};
  const std::string_view rest = text.substr(pos + 1);
  if (rest.empty()) return std::nullopt;
  const auto lowerFirst = static_cast<unsigned char>(rest.front()) | 0x20;
  for (const auto& entity : kEntities) {
    if (lowerFirst == static_cast<unsigned char>(entity.Body.front()) &&
        rest.size() >= entity.Body.size() &&
        SameAsciiText(rest.substr(0, entity.Body.size()), entity.Body)) {
      pos += 1 + entity.Body.size();
      return entity.Character;
    }
  }
  return std::nullopt;
}

int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 10) return -1;
  const int lower = static_cast<unsigned char>(c) | 0x20;
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Matches "&#digits;" or "&#xhex;" at text[pos], a number up to 0x7FFFFFFF; gives its low 16
// bits and advances past ';'. Reads no further than the digits, so text full of unfinished
// references is decoded in one pass.
std::optional<char16_t> MatchNumericReference(std::string_view text, size_t& pos) {
  constexpr uint32_t kLargest = 0x7FFFFFFF;
  if (pos + 1 >= text.size() || text[pos + 1] != '#') return std::nullopt;
  size_t end = pos + 2;
  const bool hex = end < text.size() && (text[end] == 'x' || text[end] == 'X');
  if (hex) ++end;
  const int base = hex ? 16 : 10;
  const size_t digitsStart = end;
  uint64_t value = 0;
  for (int digit; end < text.size() && (digit = DigitValue(text[end], base)) >= 0; ++end)
    value = std::min<uint64_t>(value * base + static_cast<uint64_t>(digit), kLargest + 1ULL);
  if (end == digitsStart || end >= text.size() || text[end] != ';' || value > kLargest)
    return std::nullopt;
  pos = end + 1;
  return static_cast<char16_t>(value & 0xFFFF);
}

// Writes decoded text over the text it is decoded from: no reference is shorter than the
// characters it stands for, so the writing never overtakes the reading.
class TInPlaceWriter {
 public:
  explicit TInPlaceWriter(std::string& text, size_t start) : FText(text), FWrite(start) {}
  void Put(char c) { FText[FWrite++] = c; }
  void PutCodePoint(char32_t ch) {
    char bytes[4];
    const size_t count = EncodeUtf8(ch, bytes);
    std::memcpy(FText.data() + FWrite, bytes, count);
    FWrite += count;
  }
  void Copy(size_t from, size_t count) {
    std::memmove(FText.data() + FWrite, FText.data() + from, count);
    FWrite += count;
  }
  void Finish() { FText.resize(FWrite); }

 private:
  std::string& FText;
  size_t FWrite;
};

// Collects UTF-16 code units from numeric references: a high half followed by a low half
// makes one character; an unpaired half becomes U+FFFD.
class TUnitJoiner {
 public:
  explicit TUnitJoiner(TInPlaceWriter& out) : FOut(out) {}
  void Add(char16_t unit) {
    if (FPendingHigh && IsLowSurrogate(unit)) {
      FOut.PutCodePoint(JoinSurrogates(FPendingHigh, unit));
      FPendingHigh = 0;
      return;
    }
    Flush();
    if (IsHighSurrogate(unit))
      FPendingHigh = unit;
    else
      FOut.PutCodePoint(IsLowSurrogate(unit) ? kReplacementCharacter : unit);
  }
  void Flush() {
    if (FPendingHigh) FOut.PutCodePoint(kReplacementCharacter);
    FPendingHigh = 0;
  }

 private:
  TInPlaceWriter& FOut;
  char32_t FPendingHigh = 0;
};

// The position of the next '&' in text from pos on, or the end of text.
size_t NextAmpersand(std::string_view text, size_t pos) {
  const void* found = std::memchr(text.data() + pos, '&', text.size() - pos);
  return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : text.size();
}

void Decode(std::string& text, bool numericReferences) {
  size_t pos = NextAmpersand(text, 0);
  if (pos == text.size()) return;
  TInPlaceWriter out(text, pos);
  TUnitJoiner joiner(out);
  while (pos < text.size()) {
    if (text[pos] != '&') {
      joiner.Flush();
      const size_t amp = NextAmpersand(text, pos);
      out.Copy(pos, amp - pos);
      pos = amp;
      continue;
    }
    if (numericReferences) {
      if (auto unit = MatchNumericReference(text, pos)) {
        joiner.Add(*unit);
        continue;
      }
    }
    joiner.Flush();
    if (auto character = MatchNamedEntity(text, pos)) {
      out.Put(*character);
    } else {
      out.Put('&');
      ++pos;
    }
  }
  joiner.Flush();
  out.Finish();
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

char LocaleDecimalSeparator() {
  const lconv* conventions = std::localeconv();
  const char* point = conventions ? conventions->decimal_point : nullptr;
  return point && point[0] && !point[1] ? point[0] : '.';
}

// Sign, digits, optional separator and digits, optional exponent; at least one digit.
bool IsPlainDecimal(std::string_view text, char separator) {
  size_t pos = 0;
  auto skipDigits = [&] {
    const size_t start = pos;
    while (pos < text.size() && IsAsciiDigit(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos - start;
  };
  auto skipSign = [&] {
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  };
  skipSign();
  size_t digits = skipDigits();
  if (pos < text.size() && text[pos] == separator) {
    ++pos;
    digits += skipDigits();
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    skipSign();
    if (skipDigits() == 0) return false;
  }
  return pos == text.size();
}

std::string TrimFraction(std::string digits) {
  if (digits.find('.') == std::string::npos) return digits;
  while (digits.back() == '0') digits.pop_back();
  if (digits.back() == '.') digits.pop_back();
  return digits;
}

}  // namespace

std::string Utf8FromCodePoint(char32_t ch) {
  std::string out;
  AppendUtf8(out, ch);
  return out;
}

std::string UpperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out += static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 32 : byte);
      ++pos;
    } else {
      AppendUtf8(out, g_unichar_toupper(DecodeUtf8(text, pos)));
    }
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  return UpperCase(a) == UpperCase(b);
}

namespace {

constexpr uint8_t AsciiClassesOf(char32_t ch) {
  uint8_t classes = 0;
  if ((ch >= 9 && ch <= 13) || ch == 0x1F || ch == 0x20) classes |= xccWhitespace;
  if (IsAsciiLetter(ch) || ch == '-' || ch == '.' || ch == '_') classes |= xccNameStart | xccName;
  if (IsAsciiDigit(ch)) classes |= xccName;
  return classes;
}

constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (char32_t ch = 0; ch < 128; ++ch) classes[ch] = AsciiClassesOf(ch);
  return classes;
}

}  // namespace

const std::array<uint8_t, 256> kXmlByteClasses = MakeByteClasses();

bool IsXmlWhitespaceAbove127(char32_t ch) {
  return ch == 0x85 || ch == 0xA0 || ch == 0x1680 || (ch >= 0x2000 && ch <= 0x200A) ||
         ch == 0x2028 || ch == 0x2029 || ch == 0x202F || ch == 0x205F || ch == 0x3000;
}

bool IsAttributeNameStartAbove127(char32_t ch) {
  return ch <= 0x10FFFF && IsLetterCategory(g_unichar_type(ch));
}

bool IsNameCharAbove127(char32_t ch) {
  return ch <= 0x10FFFF && IsNameCategory(g_unichar_type(ch));
}

bool IsIndentChar(char32_t ch) {
  return (ch >= 9 && ch <= 13) || ch == 32;
}

bool IsIndentText(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!IsIndentChar(static_cast<unsigned char>(c))) return false;
  return true;
}

void AppendFullEncoded(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && IsWrittenAsItIs(text[end])) ++end;
    out.append(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size()) FullEncodeCodePoint(out, DecodeUtf8(text, pos));
  }
}

void AppendEntityEncoded(std::string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && !NamedEntityFor(text[end])) ++end;
    out.append(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size()) out += NamedEntityFor(text[pos++]);
  }
}

void FullDecode(std::string& text) {
  Decode(text, true);
}

void EntityDecode(std::string& text) {
  Decode(text, false);
}

std::optional<int64_t> TextToInt64(std::string_view text) {
  if (!text.empty() && text.front() == '$') {
    const std::string_view hex = text.substr(1);
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (hex.empty() || error != std::errc() || end != hex.data() + hex.size()) return std::nullopt;
    return static_cast<int64_t>(value);
  }
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> TextToFloat(std::string_view text) {
  text = TrimSpaces(text);
  const char separator = LocaleDecimalSeparator();
  if (!IsPlainDecimal(text, separator)) return std::nullopt;
  std::string normal(text.front() == '+' ? text.substr(1) : text);
  for (char& c : normal)
    if (c == separator) c = '.';
  double value = 0;
  const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
  if (error != std::errc() || end != normal.data() + normal.size()) return std::nullopt;
  return value;
}

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  std::string scientific(buffer, result.ptr);
  const size_t e = scientific.find('e');
  const int exponent = std::stoi(scientific.substr(e + 1));
  std::string text;
  if (exponent < -5 || exponent >= 15) {
    text = TrimFraction(scientific.substr(0, e)) + "E" + std::to_string(exponent);
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                           exponent >= 14 ? 0 : 14 - exponent);
    text = TrimFraction(std::string(buffer, result.ptr));
  }
  for (char& c : text)
    if (c == '.') c = LocaleDecimalSeparator();
  return text;
}

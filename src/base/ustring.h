#pragma once

#include <string>
#include <string_view>

// Text that meets the browser runtime's ABI: UTF-16 code units.
using ustring = std::u16string;

// What malformed input decodes to.
constexpr char32_t kReplacementCharacter = 0xFFFD;

// A character above U+FFFF is written in UTF-16 as a high half (D800-DBFF) followed by a low
// half (DC00-DFFF).
constexpr bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}
constexpr char32_t JoinSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
struct TSurrogatePair {
  char16_t High;
  char16_t Low;
};
// Requires U+10000 <= ch <= U+10FFFF.
constexpr TSurrogatePair SplitSurrogates(char32_t ch) {
  return {static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10)),
          static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF))};
}

// Malformed input (bad UTF-8 sequences, lone surrogates) becomes U+FFFD, so conversion never
// fails and never reads past the input.
ustring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes the code point at text[pos] and advances pos; malformed bytes give U+FFFD and
// advance at least one byte. Requires pos < text.size().
char32_t DecodeUtf8(std::string_view text, size_t& pos);
// As DecodeUtf8 for UTF-16: a lone surrogate gives U+FFFD and advances one unit.
char32_t DecodeUtf16(std::u16string_view text, size_t& pos);

// Writes ch as UTF-8 into out, which has room for four bytes, and answers the byte count;
// surrogates and values past U+10FFFF become U+FFFD.
size_t EncodeUtf8(char32_t ch, char* out);
// Appends ch as UTF-8, encoded as EncodeUtf8 does.
void AppendUtf8Multibyte(std::string& out, char32_t ch);
// Inline for ASCII, which is nearly all of what parsers see.
inline void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80)
    out += static_cast<char>(ch);
  else
    AppendUtf8Multibyte(out, ch);
}

// Number of UTF-16 code units the UTF-8 text converts to, without converting.
size_t Utf16Length(std::string_view utf8);

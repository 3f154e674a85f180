#pragma once

// Text helpers of the XML document: UTF-8 code points, case folding, the reader's character
// classes and the value encodings. Internal to the storage library.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ustring.h"

std::string Utf8FromCodePoint(char32_t ch);

// Upper case of every letter, independent of the locale, for case-insensitive names.
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// The reader's character classes, one bit each, looked up in a table for ASCII; characters
// above 127 follow the Unicode rules.
enum TXmlCharClass : uint8_t {
  // White_Space, category Zs or bidirectional class S: 9 to 13, 31 and 32.
  xccWhitespace = 1,
  // Starts an attribute name: letters, '-', '.', '_'.
  xccNameStart = 2,
  // Continues a name: letters, digits, '-', '.', '_'.
  xccName = 4,
};
// Indexed by byte: the bytes 128 to 255, parts of multibyte UTF-8 characters, have no class.
extern const std::array<uint8_t, 256> kXmlByteClasses;

// For ch below 256.
inline bool HasXmlClass(char32_t ch, TXmlCharClass charClass) {
  return (kXmlByteClasses[ch] & charClass) != 0;
}

bool IsXmlWhitespaceAbove127(char32_t ch);
bool IsAttributeNameStartAbove127(char32_t ch);
bool IsNameCharAbove127(char32_t ch);

// White_Space, category Zs or bidirectional class S.
inline bool IsXmlWhitespace(char32_t ch) {
  return ch < 128 ? HasXmlClass(ch, xccWhitespace) : IsXmlWhitespaceAbove127(ch);
}
// Letters (Lu Ll Lt Lm Lo), Nl, and '-', '.', '_'.
inline bool IsAttributeNameStart(char32_t ch) {
  return ch < 128 ? HasXmlClass(ch, xccNameStart) : IsAttributeNameStartAbove127(ch);
}
// Letters, Mn, Mc, Nd, Nl, Pc, Cf, and '-', '.'.
inline bool IsNameChar(char32_t ch) {
  return ch < 128 ? HasXmlClass(ch, xccName) : IsNameCharAbove127(ch);
}

// The narrow set used for indentation and document-type trimming: 9 to 13 and 32.
bool IsIndentChar(char32_t ch);
bool IsIndentText(std::string_view text);

// Named entities and numeric character references for every character outside printable
// ASCII; characters above U+FFFF are written as their two UTF-16 halves.
void AppendFullEncoded(std::string& out, std::string_view text);
// Only the five characters " & ' < >.
void AppendEntityEncoded(std::string& out, std::string_view text);
// Both decode in place, in the string they are given.
void FullDecode(std::string& text);
void EntityDecode(std::string& text);

// Decimal with an optional sign, or hexadecimal after '$'.
std::optional<int64_t> TextToInt64(std::string_view text);
// In the locale's number format; nullopt for text that is not a plain decimal number.
std::optional<double> TextToFloat(std::string_view text);
// General format, 15 significant digits, the locale's decimal separator.
std::string FloatToText(double value);

#pragma once

#include <string>
#include <string_view>

// Text that meets the browser runtime's ABI: UTF-16 code units.
using ustring = std::u16string;

// Malformed input (bad UTF-8 sequences, lone surrogates) becomes U+FFFD, so conversion never
// fails and never reads past the input.
ustring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Decodes the code point at text[pos] and advances pos; malformed bytes give U+FFFD and
// advance at least one byte. Requires pos < text.size().
char32_t DecodeUtf8(std::string_view text, size_t& pos);

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

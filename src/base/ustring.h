#pragma once

#include <string>
#include <string_view>

// Text that meets the browser runtime's ABI: UTF-16 code units.
using ustring = std::u16string;

// Malformed input (bad UTF-8 sequences, lone surrogates) becomes U+FFFD, so conversion never
// fails and never reads past the input.
ustring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Number of UTF-16 code units the UTF-8 text converts to, without converting.
size_t Utf16Length(std::string_view utf8);

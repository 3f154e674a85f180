#pragma once

#include <cstddef>
#include <string>

// Conversions between the runtime's three text forms. Malformed input never fails: each bad
// sequence becomes U+FFFD, so text from any source can be converted and nothing reads past
// the given length.
std::u16string Utf8ToUtf16(const char* text, size_t length);
std::string Utf16ToUtf8(const char16_t* text, size_t length);
std::u16string WideToUtf16(const wchar_t* text, size_t length);
std::wstring Utf16ToWide(const char16_t* text, size_t length);
std::string WideToUtf8(const wchar_t* text, size_t length);
std::wstring Utf8ToWide(const char* text, size_t length);

// WebKit and GLib answer null for "no text".
inline std::string TextOrEmpty(const char* text) {
  return text ? text : "";
}

// Text that GLib handed over to be freed (null for none), copied and freed.
std::string TakeText(char* text);

// An http or https address: a page of the web, as opposed to about:, data:, file: and the like.
bool IsWebAddress(const char* url);

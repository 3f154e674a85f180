#include "RtRequestHeaders.h"

#include <glib.h>

#include <algorithm>
#include <cstring>

#include "RtStrings.h"

THeaderList HeadersOf(TCefStringMultimap map) {
  THeaderList headers;
  TCefStringUtf16 key{}, value{};
  for (int32_t i = 0; i < cef_string_multimap_size(map); ++i)
    if (cef_string_multimap_key(map, i, &key) && cef_string_multimap_value(map, i, &value))
      headers.emplace_back(ToUtf8(&key), ToUtf8(&value));
  cef_string_utf16_clear(&key);
  cef_string_utf16_clear(&value);
  return headers;
}

void AppendHeaders(const THeaderList& headers, TCefStringMultimap map) {
  if (!map) return;
  for (const auto& [name, value] : headers) {
    const std::u16string name16 = Utf8ToU16(name), value16 = Utf8ToU16(value);
    const TCefStringUtf16 nameView = Borrow(name16), valueView = Borrow(value16);
    cef_string_multimap_append(map, &nameView, &valueView);
  }
}

bool IsHttpToken(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return g_ascii_isalnum(c) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
  });
}

bool AreSendable(const THeaderList& headers) {
  return std::all_of(headers.begin(), headers.end(), [](const auto& header) {
    return IsHttpToken(header.first) &&
           header.second.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
  });
}

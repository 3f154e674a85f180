#include "ustring.h"

namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

void AppendUtf16(ustring& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    const TSurrogatePair pair = SplitSurrogates(cp);
    out.push_back(pair.High);
    out.push_back(pair.Low);
  }
}

}  // namespace

char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int extra;
  char32_t cp;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    return kReplacementCharacter;
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= text.size() || !IsContinuation(static_cast<unsigned char>(text[pos])))
      return kReplacementCharacter;
    cp = (cp << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || IsSurrogate(cp)) return kReplacementCharacter;
  return cp;
}

char32_t DecodeUtf16(std::u16string_view text, size_t& pos) {
  const char32_t unit = text[pos++];
  if (IsHighSurrogate(unit) && pos < text.size() && IsLowSurrogate(text[pos]))
    return JoinSurrogates(unit, text[pos++]);
  return IsSurrogate(unit) ? kReplacementCharacter : unit;
}

size_t EncodeUtf8(char32_t cp, char* out) {
  if (cp > 0x10FFFF || IsSurrogate(cp)) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

void AppendUtf8Multibyte(std::string& out, char32_t cp) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(cp, bytes));
}

ustring Utf8ToUtf16(std::string_view text) {
  ustring out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) AppendUtf16(out, DecodeUtf8(text, pos));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) AppendUtf8(out, DecodeUtf16(text, pos));
  return out;
}

size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  size_t pos = 0;
  while (pos < utf8.size()) units += DecodeUtf8(utf8, pos) >= 0x10000 ? 2 : 1;
  return units;
}

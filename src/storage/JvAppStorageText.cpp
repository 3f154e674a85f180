#include "JvAppStorageText.h"

#include <glib.h>

#include <array>
#include <charconv>
#include <cmath>

#include "SysUtils.h"

namespace {

constexpr int SignificantDigits = 15;
constexpr int LowestFixedExponent = -5;  // 0.00001 is still written in fixed notation

struct TDecimalDigits {
  bool Negative;
  std::string Digits;  // no trailing zeros, at least one digit
  int Exponent;        // value = 0.Digits... * 10^(Exponent + 1)
};

TDecimalDigits RoundToSignificantDigits(Extended value) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, SignificantDigits - 1);
  const std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
  TDecimalDigits parts{text.front() == '-', {}, 0};
  const size_t exponentMark = text.find('e');
  for (char c : text.substr(0, exponentMark))
    if (c >= '0' && c <= '9') parts.Digits += c;
  std::string_view exponentText = text.substr(exponentMark + 1);
  if (exponentText.front() == '+') exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), parts.Exponent);
  while (parts.Digits.size() > 1 && parts.Digits.back() == '0') parts.Digits.pop_back();
  return parts;
}

std::string ScientificText(const TDecimalDigits& parts) {
  std::string text = parts.Digits.substr(0, 1);
  if (parts.Digits.size() > 1) text += "." + parts.Digits.substr(1);
  return text + "E" + std::to_string(parts.Exponent);
}

std::string FixedText(const TDecimalDigits& parts) {
  if (parts.Exponent < 0)
    return "0." + std::string(static_cast<size_t>(-parts.Exponent - 1), '0') + parts.Digits;
  const size_t integerDigits = static_cast<size_t>(parts.Exponent) + 1;
  std::string digits = parts.Digits;
  if (digits.size() < integerDigits) digits.append(integerDigits - digits.size(), '0');
  std::string text = digits.substr(0, integerDigits);
  if (digits.size() > integerDigits) text += "." + digits.substr(integerDigits);
  return text;
}

constexpr std::string_view Base64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

[[noreturn]] void RaiseInvalidBase64() {
  throw EConvertError("Invalid Base64 text");
}

// The text without its line breaks, checked as GLib's decoder, which skips what it does not
// know, does not: whole groups of four, the alphabet only, and "=" or "==" only at the end.
std::string CheckedBase64Groups(std::string_view text) {
  std::string groups;
  groups.reserve(text.size());
  for (const char c : text)
    if (c != '\r' && c != '\n') groups += c;
  const size_t lastData = groups.find_last_not_of('=');
  const size_t dataLength = lastData == std::string::npos ? 0 : lastData + 1;
  if (groups.size() % 4 != 0 || groups.size() - dataLength > 2 ||
      std::string_view(groups).substr(0, dataLength).find_first_not_of(Base64Alphabet) !=
          std::string_view::npos)
    RaiseInvalidBase64();
  return groups;
}

}  // namespace

std::string ExtendedToText(Extended value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  const TDecimalDigits parts = RoundToSignificantDigits(value);
  const bool scientific =
      parts.Exponent < LowestFixedExponent || parts.Exponent >= SignificantDigits;
  return (parts.Negative ? "-" : "") + (scientific ? ScientificText(parts) : FixedText(parts));
}

std::optional<Extended> TextToExtended(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  Extended value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string Base64Encode(std::string_view bytes, size_t lineLength) {
  g_autofree gchar* encoded =
      g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  const std::string text = encoded;
  if (lineLength == 0) return text;
  std::string lines;
  for (size_t start = 0; start < text.size(); start += lineLength) {
    if (start > 0) lines += "\r\n";
    lines += text.substr(start, lineLength);
  }
  return lines;
}

std::string Base64Decode(std::string_view text) {
  const std::string groups = CheckedBase64Groups(text);
  gsize length = 0;
  g_autofree guchar* bytes = g_base64_decode(groups.c_str(), &length);
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> entries;
  size_t i = 0;
  auto isSeparator = [](char c) { return c == ',' || static_cast<unsigned char>(c) <= ' '; };
  while (i < text.size()) {
    std::string entry;
    if (text[i] == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"')
          entry += text[i];
        else if (i + 1 < text.size() && text[i + 1] == '"')
          entry += text[++i];
        else
          break;
      }
      ++i;
    } else {
      while (i < text.size() && !isSeparator(text[i])) entry += text[i++];
    }
    if (!entry.empty()) entries.push_back(std::move(entry));
    while (i < text.size() && isSeparator(text[i])) ++i;
  }
  return entries;
}

std::string AsciiUpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

std::string_view TrimBlanks(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

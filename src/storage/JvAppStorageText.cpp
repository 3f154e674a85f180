#include "JvAppStorageText.h"

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

int Base64Value(char c) {
  const size_t index = Base64Alphabet.find(c);
  return index == std::string_view::npos ? -1 : static_cast<int>(index);
}

std::string EncodeBase64Groups(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k)
      text += k <= count ? Base64Alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return text;
}

[[noreturn]] void RaiseInvalidBase64() {
  throw EConvertError("Invalid Base64 text");
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
  const std::string text = EncodeBase64Groups(bytes);
  if (lineLength == 0) return text;
  std::string lines;
  for (size_t start = 0; start < text.size(); start += lineLength) {
    if (start > 0) lines += "\r\n";
    lines += text.substr(start, lineLength);
  }
  return lines;
}

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  uint32_t group = 0;
  size_t groupLength = 0;
  size_t padding = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n') continue;
    const int value = Base64Value(c);
    if (c == '=')
      ++padding;
    else if (value < 0 || padding > 0)
      RaiseInvalidBase64();
    group = (group << 6) | static_cast<uint32_t>(value < 0 ? 0 : value);
    if (++groupLength < 4) continue;
    if (padding > 2) RaiseInvalidBase64();
    for (size_t k = 0; k < 3 - padding; ++k)
      bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
    group = 0;
    groupLength = 0;
    if (padding > 0) padding = 3;  // nothing may follow a padded group
  }
  if (groupLength != 0) RaiseInvalidBase64();
  return bytes;
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

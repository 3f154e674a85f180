#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text forms of stored values, independent of any storage medium.

// 80-bit extended float on x86; the storage's float values have this precision.
using Extended = long double;

// General number text with 15 significant digits, "." as decimal separator (stored files must
// read the same under every locale): fixed notation unless the magnitude is below 0.00001 or
// needs more than 15 integer digits, then "1.5E-7" style. NaN and infinities: "NAN", "INF".
std::string ExtendedToText(Extended value);
// Accepts what ExtendedToText writes and any other decimal or exponent form, with surrounding
// blanks; nullopt for anything else, including numbers out of range.
std::optional<Extended> TextToExtended(std::string_view text);

// Base64 with "=" padding. lineLength > 0 breaks the text into lines of that many characters
// separated by CR LF (no break after the last line), as MIME does with 76.
constexpr size_t MimeLineLength = 76;
std::string Base64Encode(std::string_view bytes, size_t lineLength = 0);
// Skips CR and LF; raises EConvertError on any other character outside the alphabet, on
// misplaced padding or on a length that is not a whole number of groups.
std::string Base64Decode(std::string_view text);

// Entries of a comma list: commas and blanks separate, double quotes group ("" is a quote
// inside a group), empty entries are dropped.
std::vector<std::string> SplitCommaText(std::string_view text);

std::string AsciiUpperCase(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "DateUtils.h"

// Date and time text after a user-chosen pattern: "d"/"dd" day, "m"/"mm" month (minutes right
// after an hour), "yy"/"yyyy" year, "h"/"hh" hour, "n"/"nn" minute, "s"/"ss" second,
// "z"/"zzz" millisecond, "/" and ":" the separators given, quoted text literally, any other
// character as itself.
struct TDateTimePattern {
  std::string Format;
  char DateSeparator = '-';
  char TimeSeparator = ':';
};

std::string FormatDateTimeText(const TDateTimePattern& pattern, TDateTime value);
// nullopt when text does not follow the pattern or names no valid date and time.
std::optional<TDateTime> ParseDateTimeText(const TDateTimePattern& pattern, std::string_view text);

#include "JvAppStorageDateFormat.h"

#include <cctype>
#include <vector>

namespace {

enum class TField { Literal, Year, Month, Day, Hour, Minute, Second, Millisecond };

struct TPatternToken {
  TField Field;
  size_t Width;  // letters in the pattern
  std::string Text;
};

TField FieldOfLetter(char letter, bool afterHour) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'y':
      return TField::Year;
    case 'm':
      return afterHour ? TField::Minute : TField::Month;
    case 'd':
      return TField::Day;
    case 'h':
      return TField::Hour;
    case 'n':
      return TField::Minute;
    case 's':
      return TField::Second;
    case 'z':
      return TField::Millisecond;
    default:
      return TField::Literal;
  }
}

void AppendLiteral(std::vector<TPatternToken>& tokens, std::string_view text) {
  if (!tokens.empty() && tokens.back().Field == TField::Literal)
    tokens.back().Text += text;
  else
    tokens.push_back({TField::Literal, 0, std::string(text)});
}

std::vector<TPatternToken> Tokenize(const TDateTimePattern& pattern) {
  std::vector<TPatternToken> tokens;
  const std::string_view format = pattern.Format;
  bool afterHour = false;
  size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos];
    if (c == '\'' || c == '"') {
      const size_t close = format.find(c, pos + 1);
      const size_t end = close == std::string_view::npos ? format.size() : close;
      AppendLiteral(tokens, format.substr(pos + 1, end - pos - 1));
      pos = end + 1;
      continue;
    }
    const TField field = FieldOfLetter(c, afterHour);
    if (field == TField::Literal) {
      AppendLiteral(tokens, c == '/'   ? std::string_view(&pattern.DateSeparator, 1)
                            : c == ':' ? std::string_view(&pattern.TimeSeparator, 1)
                                       : format.substr(pos, 1));
      ++pos;
      continue;
    }
    size_t end = pos;
    while (end < format.size() && std::tolower(static_cast<unsigned char>(format[end])) ==
                                      std::tolower(static_cast<unsigned char>(c)))
      ++end;
    tokens.push_back({field, end - pos, {}});
    afterHour = field == TField::Hour;
    pos = end;
  }
  return tokens;
}

// Digits a field is written with; 0 for "as many as needed".
size_t FieldDigits(const TPatternToken& token) {
  if (token.Field == TField::Year) return token.Width <= 2 ? 2 : 4;
  if (token.Field == TField::Millisecond) return token.Width >= 3 ? 3 : 0;
  return token.Width >= 2 ? 2 : 0;
}

struct TDateTimeFields {
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;

  int& operator[](TField field) {
    switch (field) {
      case TField::Year:
        return Year;
      case TField::Month:
        return Month;
      case TField::Day:
        return Day;
      case TField::Hour:
        return Hour;
      case TField::Minute:
        return Minute;
      case TField::Second:
        return Second;
      default:
        return Millisecond;
    }
  }
};

TDateTimeFields FieldsOf(TDateTime value) {
  const TDateParts date = DecodeDate(value);
  const TTimeParts time = DecodeTime(value);
  return {date.Year, date.Month, date.Day, time.Hour, time.Minute, time.Second, time.Millisecond};
}

std::optional<int> ReadNumber(std::string_view text, size_t& pos, size_t minDigits,
                              size_t maxDigits) {
  int value = 0;
  size_t count = 0;
  while (count < maxDigits && pos < text.size() &&
         std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + (text[pos++] - '0');
    ++count;
  }
  if (count < minDigits) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatDateTimeText(const TDateTimePattern& pattern, TDateTime value) {
  TDateTimeFields fields = FieldsOf(value);
  std::string text;
  for (const TPatternToken& token : Tokenize(pattern)) {
    if (token.Field == TField::Literal) {
      text += token.Text;
      continue;
    }
    const size_t digits = FieldDigits(token);
    std::string number = std::to_string(fields[token.Field]);
    if (number.size() < digits) number.insert(0, digits - number.size(), '0');
    // A two-digit year keeps its last two digits.
    if (token.Field == TField::Year && digits == 2) number = number.substr(number.size() - 2);
    text += number;
  }
  return text;
}

std::optional<TDateTime> ParseDateTimeText(const TDateTimePattern& pattern, std::string_view text) {
  TDateTimeFields fields;
  size_t pos = 0;
  for (const TPatternToken& token : Tokenize(pattern)) {
    if (token.Field == TField::Literal) {
      if (text.substr(pos, token.Text.size()) != token.Text) return std::nullopt;
      pos += token.Text.size();
      continue;
    }
    const size_t digits = FieldDigits(token);
    const auto number = digits
                            ? ReadNumber(text, pos, digits, digits)
                            : ReadNumber(text, pos, 1, token.Field == TField::Millisecond ? 3 : 2);
    if (!number) return std::nullopt;
    fields[token.Field] = *number;
    if (token.Field == TField::Year && digits == 2) fields.Year += *number < 50 ? 2000 : 1900;
  }
  if (pos != text.size()) return std::nullopt;
  const auto date = TryEncodeDate(fields.Year, fields.Month, fields.Day);
  const auto time = TryEncodeTime(fields.Hour, fields.Minute, fields.Second, fields.Millisecond);
  if (!date || !time) return std::nullopt;
  return *date < 0 ? *date - *time : *date + *time;
}

#include "DateUtils.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "SysUtils.h"

namespace {

// Day number of 1899-12-30 counted from 1970-01-01.
constexpr long kDateTimeEpochOffset = -25569;

long DaysFromCivil(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year(year),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  return std::chrono::sys_days(date).time_since_epoch().count();
}

TDateParts CivilFromDays(long days) {
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days))};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

// Whole days and milliseconds of the day; negative values keep the time of day positive.
void SplitDateTime(TDateTime value, long& days, long& msecs) {
  days = static_cast<long>(std::trunc(value));
  msecs = std::lround(std::fabs(value - std::trunc(value)) * MSecsPerDay);
  if (msecs >= MSecsPerDay) {
    msecs -= MSecsPerDay;
    days += value < 0 ? -1 : 1;
  }
}

bool ParseDigits(std::string_view text, size_t pos, size_t count, int& out) {
  if (pos + count > text.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

std::optional<TDateTime> ParseDate(std::string_view text) {
  int y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseDigits(text, 0, 4, y) ||
      !ParseDigits(text, 5, 2, m) || !ParseDigits(text, 8, 2, d))
    return std::nullopt;
  return TryEncodeDate(y, m, d);
}

std::optional<TDateTime> ParseTime(std::string_view text) {
  int h, n, s;
  if (text.size() != 8 || text[2] != ':' || text[5] != ':' || !ParseDigits(text, 0, 2, h) ||
      !ParseDigits(text, 3, 2, n) || !ParseDigits(text, 6, 2, s))
    return std::nullopt;
  return TryEncodeTime(h, n, s, 0);
}

}  // namespace

bool IsLeapYear(int year) {
  return std::chrono::year(year).is_leap();
}

int DaysInMonth(int year, int month) {
  const std::chrono::year_month_day_last last{std::chrono::year(year) /
                                              std::chrono::month(static_cast<unsigned>(month)) /
                                              std::chrono::last};
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return std::nullopt;
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kDateTimeEpochOffset);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      millisecond < 0 || millisecond >= 1000)
    return std::nullopt;
  const long msecs = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
  return static_cast<TDateTime>(msecs) / MSecsPerDay;
}

TDateTime EncodeDate(int year, int month, int day) {
  if (auto value = TryEncodeDate(year, month, day)) return *value;
  throw EConvertError("Invalid argument to date encode");
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (auto value = TryEncodeTime(hour, minute, second, millisecond)) return *value;
  throw EConvertError("Invalid argument to time encode");
}

TDateParts DecodeDate(TDateTime value) {
  long days, msecs;
  SplitDateTime(value, days, msecs);
  return CivilFromDays(days + kDateTimeEpochOffset);
}

TTimeParts DecodeTime(TDateTime value) {
  long days, msecs;
  SplitDateTime(value, days, msecs);
  const int ms = static_cast<int>(msecs % 1000);
  const long secs = msecs / 1000;
  return {static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
          static_cast<int>(secs % 60), ms};
}

int DayOfWeek(TDateTime value) {
  long days, msecs;
  SplitDateTime(value, days, msecs);
  // 1899-12-30 (day 0) was a Saturday.
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                    static_cast<int>(now.tv_nsec / 1000000));
}

std::string DateToText(TDateTime value) {
  const TDateParts d = DecodeDate(value);
  return Format("%04d-%02d-%02d", d.Year, d.Month, d.Day);
}

std::string TimeToText(TDateTime value) {
  const TTimeParts t = DecodeTime(value);
  return Format("%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
}

std::string DateTimeToText(TDateTime value) {
  return DateToText(value) + " " + TimeToText(value);
}

std::optional<TDateTime> TextToDateTime(std::string_view text) {
  if (text.size() == 19 && text[10] == ' ') {
    auto date = ParseDate(text.substr(0, 10));
    auto time = ParseTime(text.substr(11));
    if (!date || !time) return std::nullopt;
    return *date + (*date < 0 ? -*time : *time);
  }
  if (auto date = ParseDate(text)) return date;
  return ParseTime(text);
}

#pragma once

#include <optional>
#include <string>
#include <string_view>

// Days since 1899-12-30, local time; the fraction is the time of day.
using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;

// Raise EConvertError "Invalid argument to date encode" / "... time encode" on bad fields.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond);

struct TDateParts {
  int Year, Month, Day;
};
struct TTimeParts {
  int Hour, Minute, Second, Millisecond;
};
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);
int DayOfWeek(TDateTime value);  // 1 = Sunday ... 7 = Saturday
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Current local time.
TDateTime Now();

// The fixed text forms used wherever the program writes a date or time as text:
// "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD" and "HH:MM:SS".
std::string DateTimeToText(TDateTime value);
std::string DateToText(TDateTime value);
std::string TimeToText(TDateTime value);

// Accepts any of the three fixed forms; nullopt for anything else.
std::optional<TDateTime> TextToDateTime(std::string_view text);

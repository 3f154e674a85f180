#include "ceflib_time.h"

#include <ctime>

namespace {

bool IsValidCalendarTime(const TSystemTime& time) {
  return TryEncodeDate(time.wYear, time.wMonth, time.wDay) &&
         TryEncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
}

std::tm CalendarFields(const TSystemTime& time) {
  std::tm fields{};
  fields.tm_year = time.wYear - 1900;
  fields.tm_mon = time.wMonth - 1;
  fields.tm_mday = time.wDay;
  fields.tm_hour = time.wHour;
  fields.tm_min = time.wMinute;
  fields.tm_sec = time.wSecond;
  fields.tm_isdst = -1;  // the zone rules decide
  return fields;
}

// Replaces the calendar fields of time with those of fields, keeping the milliseconds.
void SetCalendarFields(TSystemTime& time, const std::tm& fields) {
  time.wYear = static_cast<uint16_t>(fields.tm_year + 1900);
  time.wMonth = static_cast<uint16_t>(fields.tm_mon + 1);
  time.wDayOfWeek = static_cast<uint16_t>(fields.tm_wday);
  time.wDay = static_cast<uint16_t>(fields.tm_mday);
  time.wHour = static_cast<uint16_t>(fields.tm_hour);
  time.wMinute = static_cast<uint16_t>(fields.tm_min);
  time.wSecond = static_cast<uint16_t>(fields.tm_sec);
}

// Zone conversions in place with the current rules. A time they cannot convert stays as it
// was, so that encoding it afterwards reports what is wrong with it.
void UniversalToLocal(TSystemTime& time) {
  if (!IsValidCalendarTime(time)) return;
  std::tm fields = CalendarFields(time);
  const std::time_t instant = timegm(&fields);
  std::tm local{};
  if (localtime_r(&instant, &local)) SetCalendarFields(time, local);
}

void LocalToUniversal(TSystemTime& time) {
  if (!IsValidCalendarTime(time)) return;
  std::tm fields = CalendarFields(time);
  const std::time_t instant = mktime(&fields);
  std::tm universal{};
  if (gmtime_r(&instant, &universal)) SetCalendarFields(time, universal);
}

TDateTime SystemTimeToDateTime(const TSystemTime& time) {
  const TDateTime date = EncodeDate(time.wYear, time.wMonth, time.wDay);
  const TDateTime timeOfDay =
      EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  // Before 1899-12-30 the whole part counts backwards while the fraction stays a time of day.
  return date < 0 ? date - timeOfDay : date + timeOfDay;
}

TSystemTime DateTimeToSystemTime(TDateTime value) {
  const TDateParts date = DecodeDate(value);
  const TTimeParts time = DecodeTime(value);
  return TSystemTime{static_cast<uint16_t>(date.Year),
                     static_cast<uint16_t>(date.Month),
                     static_cast<uint16_t>(DayOfWeek(value) - 1),
                     static_cast<uint16_t>(date.Day),
                     static_cast<uint16_t>(time.Hour),
                     static_cast<uint16_t>(time.Minute),
                     static_cast<uint16_t>(time.Second),
                     static_cast<uint16_t>(time.Millisecond)};
}

}  // namespace

TSystemTime RuntimeTimeToSystemTime(const RuntimeTime& time) {
  return TSystemTime{
      static_cast<uint16_t>(time.year),        static_cast<uint16_t>(time.month),
      static_cast<uint16_t>(time.day_of_week), static_cast<uint16_t>(time.day_of_month),
      static_cast<uint16_t>(time.hour),        static_cast<uint16_t>(time.minute),
      static_cast<uint16_t>(time.second),      static_cast<uint16_t>(time.millisecond)};
}

RuntimeTime SystemTimeToRuntimeTime(const TSystemTime& time) {
  return RuntimeTime{time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
                     time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

TDateTime RuntimeTimeToDateTime(const RuntimeTime& time) {
  TSystemTime calendar = RuntimeTimeToSystemTime(time);
  UniversalToLocal(calendar);
  return SystemTimeToDateTime(calendar);
}

RuntimeTime DateTimeToRuntimeTime(TDateTime value) {
  TSystemTime calendar = DateTimeToSystemTime(value);
  LocalToUniversal(calendar);
  return SystemTimeToRuntimeTime(calendar);
}

#include "RtTime.h"

#include <glib.h>

RuntimeTime RuntimeTimeOfMicros(int64_t unixMicros) {
  RuntimeTime result{};
  g_autoptr(GDateTime) time = g_date_time_new_from_unix_utc(unixMicros / G_USEC_PER_SEC);
  if (!time) return result;
  result.year = g_date_time_get_year(time);
  result.month = g_date_time_get_month(time);
  result.day_of_week = g_date_time_get_day_of_week(time) % 7;  // Sunday is 0
  result.day_of_month = g_date_time_get_day_of_month(time);
  result.hour = g_date_time_get_hour(time);
  result.minute = g_date_time_get_minute(time);
  result.second = g_date_time_get_second(time);
  result.millisecond =
      int32_t((unixMicros % G_USEC_PER_SEC + G_USEC_PER_SEC) % G_USEC_PER_SEC / 1000);
  return result;
}

std::optional<int64_t> UnixSecondsOf(const RuntimeTime& time) {
  if (time.millisecond < 0 || time.millisecond > 999) return std::nullopt;
  g_autoptr(GDateTime) value = g_date_time_new_utc(time.year, time.month, time.day_of_month,
                                                   time.hour, time.minute, time.second);
  if (!value) return std::nullopt;
  return g_date_time_to_unix(value);
}

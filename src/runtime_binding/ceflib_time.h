#pragma once

#include <cstdint>

#include "DateUtils.h"
#include "cef_capi.h"

// A calendar time of eight 16-bit fields, the form in which times are moved between UTC and
// local time.
struct TSystemTime {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;  // 0 = Sunday
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};

// Field by field; each runtime field keeps its low 16 bits.
TSystemTime RuntimeTimeToSystemTime(const RuntimeTime& time);
RuntimeTime SystemTimeToRuntimeTime(const TSystemTime& time);

// The runtime's UTC time as a local TDateTime. Raises EConvertError "Invalid argument to date
// encode" (or "... time encode") for a time that names no valid date (or time of day).
TDateTime RuntimeTimeToDateTime(const RuntimeTime& time);
// A local TDateTime as the runtime's UTC time.
RuntimeTime DateTimeToRuntimeTime(TDateTime value);

// Date-time results of runtime entries.
inline TDateTime FromRuntime(const RuntimeTime& time) {
  return RuntimeTimeToDateTime(time);
}

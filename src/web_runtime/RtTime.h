#pragma once

#include <cstdint>
#include <optional>

#include "cef_capi.h"

// The runtime's UTC calendar record and Unix time.
RuntimeTime RuntimeTimeOfMicros(int64_t unixMicros);
// Nothing for a record that is no real date and time.
std::optional<int64_t> UnixSecondsOf(const RuntimeTime& time);

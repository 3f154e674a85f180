#pragma once

#include <cstdint>

// A source line and the code offset of its first instruction; the map reader and the binary
// debug-information reader both keep their line tables as these.
struct TJclMapLineNumber {
  uint16_t Segment = 0;
  uint32_t VA = 0;
  int32_t LineNumber = 0;
};

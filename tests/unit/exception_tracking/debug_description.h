#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a test's debug information says about a module, in code offsets (address - module base
// - 0x1000). The map and TD32 writers turn it into files in their formats.

struct TDescribedLine {
  int32_t Line = 0;
  uint32_t Offset = 0;
};

struct TDescribedUnit {
  std::string Name;
  std::string SourceName;
  uint32_t Start = 0;
  uint32_t Length = 0;
  std::vector<TDescribedLine> Lines;
};

struct TDescribedProc {
  std::string Name;
  uint32_t Start = 0;
  uint32_t Size = 0;
};

struct TDebugDescription {
  std::vector<TDescribedUnit> Units;
  std::vector<TDescribedProc> Procs;
};

// Two units with a few procedures and lines, enough to exercise every lookup.
inline TDebugDescription SampleDescription() {
  TDebugDescription description;
  description.Units = {
      {"Core.Unit1", "Core.Unit1.pas", 0x100, 0x100, {{10, 0x100}, {11, 0x108}, {14, 0x120}}},
      {"Unit2", "Unit2.pas", 0x200, 0x80, {{7, 0x200}, {9, 0x210}}},
  };
  description.Procs = {
      {"Core.Unit1.TForm1.Start", 0x100, 0x20},
      {"Core.Unit1.Stop", 0x120, 0x40},
      {"Unit2.Run", 0x200, 0x80},
  };
  return description;
}

#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "debug_description.h"

// Writes a linker map file for a description, in the layout the linker uses: one code segment
// class starting at 0x1000, so map offsets equal code offsets.
__attribute__((format(printf, 1, 2))) inline std::string MapLine(const char* format, ...) {
  char buffer[512];
  va_list values;
  va_start(values, format);
  std::vsnprintf(buffer, sizeof buffer, format, values);
  va_end(values);
  return buffer;
}

inline std::string WriteMapText(const TDebugDescription& description) {
  uint32_t codeLength = 0x1000;
  for (const TDescribedUnit& unit : description.Units)
    codeLength = std::max(codeLength, unit.Start + unit.Length);

  std::string text = "\r\n Start         Length     Name                   Class\r\n";
  text += MapLine(" 0001:00001000 %08XH .text                   CODE\r\n", codeLength);
  text += " 0002:00000000 00000100H .data                   DATA\r\n";
  text += "\r\n\r\nDetailed map of segments\r\n\r\n";
  for (const TDescribedUnit& unit : description.Units)
    text += MapLine(" 0001:%08X %08X C=CODE     S=.text    G=(none)   M=%-12s ACBP=A9\r\n",
                    unit.Start, unit.Length, unit.Name.c_str());

  auto procs = description.Procs;
  std::sort(procs.begin(), procs.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
  text += "\r\n\r\n  Address             Publics by Name\r\n\r\n";
  for (const TDescribedProc& proc : procs)
    text += MapLine(" 0001:%08X       %s\r\n", proc.Start, proc.Name.c_str());
  std::sort(procs.begin(), procs.end(), [](auto& a, auto& b) { return a.Start < b.Start; });
  text += "\r\n\r\n  Address             Publics by Value\r\n\r\n";
  for (const TDescribedProc& proc : procs)
    text += MapLine(" 0001:%08X       %s\r\n", proc.Start, proc.Name.c_str());

  for (const TDescribedUnit& unit : description.Units) {
    if (unit.Lines.empty()) continue;
    text += MapLine("\r\n\r\nLine numbers for %s(%s) segment .text\r\n\r\n", unit.Name.c_str(),
                    unit.SourceName.c_str());
    for (size_t i = 0; i < unit.Lines.size(); ++i)
      text += MapLine("%6d 0001:%08X%s", unit.Lines[i].Line, unit.Lines[i].Offset,
                      i % 4 == 3 || i + 1 == unit.Lines.size() ? "\r\n" : " ");
  }
  text += "\r\n\r\nBound resource files\r\n\r\n";
  return text;
}

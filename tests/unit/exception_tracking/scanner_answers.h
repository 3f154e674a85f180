#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

// What a debug-information scanner should answer for one code offset.
struct TScannerAnswer {
  uint32_t Addr;
  const char* Unit;
  const char* Proc;
  int32_t ProcOffset;
  int32_t Line;
  int32_t LineOffset;
  const char* Source;
};

// Every scanner answers the same lookups; this checks them all for each offset.
template <class TScanner>
void ExpectScannerAnswers(const TScanner& scanner, std::initializer_list<TScannerAnswer> answers) {
  for (const TScannerAnswer& a : answers) {
    SCOPED_TRACE(a.Addr);
    int32_t procOffset = -1, lineOffset = -1;
    EXPECT_EQ(scanner.ModuleNameFromAddr(a.Addr), a.Unit);
    EXPECT_EQ(scanner.ProcNameFromAddr(a.Addr, procOffset), a.Proc);
    EXPECT_EQ(procOffset, a.ProcOffset);
    EXPECT_EQ(scanner.LineNumberFromAddr(a.Addr, lineOffset), a.Line);
    EXPECT_EQ(lineOffset, a.LineOffset);
    EXPECT_EQ(scanner.SourceNameFromAddr(a.Addr), a.Source);
  }
}

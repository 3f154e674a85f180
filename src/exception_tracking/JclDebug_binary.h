#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "JclAddrLookups.h"
#include "JclDebug_mapLineNumber.h"
#include "SysUtils.h"

// The compact debug information a module carries in its "JCLDEBUG" section or in a ".jdbg" file
// beside it: little-endian, every table a stream of packed differences to the previous entry.
// Addresses are code offsets: address - module base - 0x1000.

inline constexpr uint32_t JclDbgDataSignature = 0x4742444A;  // "JDBG"
inline constexpr uint8_t JclDbgHeaderVersion = 1;
inline constexpr size_t JclDbgHeaderSize = 34;
inline constexpr uint32_t JclDbgEndMarker = 0x7FFFFFFF;
// XORed into the bytes of masked names; the reader and the producer must agree on it.
inline constexpr uint8_t NameMask = 0x07;
inline constexpr size_t MaxPackedNameLength = 255;

// Name record markers; any other first byte starts packed characters.
inline constexpr uint8_t NameFormMasked = 1;
inline constexpr uint8_t NameFormPackedWithAt = 2;

// Field offsets of the packed 34-byte header.
enum TJdbgHeaderField : size_t {
  jhSignature = 0,
  jhVersion = 4,
  jhUnitsOffset = 5,
  jhSourceNamesOffset = 9,
  jhSymbolsOffset = 13,
  jhLineNumbersOffset = 17,
  jhWordsOffset = 21,
  jhModuleNameRef = 25,
  jhCheckSum = 29,
  jhHasCheckSum = 33,
};

// A masked name whose UTF-8 is cut off in the middle of a sequence.
class EJclBinDebugError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EJclBinDebugError"; }
};

struct TJclBinDbgNameCache {
  uint32_t Addr = 0;
  int32_t FirstWord = 0;
  int32_t SecondWord = 0;
};

// The 32-bit wrapping sum of the data's little-endian words with the checksum field read as
// zero; the value a writer stores in CheckSum. The size must be a multiple of 4.
uint32_t JclDbgCheckSum(std::span<const uint8_t> data);

// Reads the data in place; it does not own it. Answers the location questions by binary search
// over tables decoded once, with the answers of a backward or forward walk of the tables as
// they stand. Every read is bounded by the data: data whose tables run past its end, whose
// numbers never end, or whose table offsets lie outside it is not ValidFormat.
class TJclBinDebugScanner : public TJclOffsetFreeLookups<TJclBinDebugScanner> {
 public:
  // The tables are always decoded on construction, so CacheData changes nothing; it is kept
  // for the callers that state their wish.
  TJclBinDebugScanner(std::span<const uint8_t> AStream, bool CacheData);

  bool ValidFormat() const { return FValidFormat; }
  std::string ModuleName() const;
  // ModuleName equals the file name part of Name without its extension, ignoring case.
  bool IsModuleNameValid(const std::string& Name) const;

  // 0xFFFFFFFF when Addr lies before the first unit.
  uint32_t ModuleStartFromAddr(uint32_t Addr) const;
  std::string ModuleNameFromAddr(uint32_t Addr) const;
  using TJclOffsetFreeLookups::ProcNameFromAddr;
  std::string ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const;
  using TJclOffsetFreeLookups::LineNumberFromAddr;
  int32_t LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const;
  std::string SourceNameFromAddr(uint32_t Addr) const;

  // The text of name reference R; empty for 0 or a reference outside the data.
  std::string NameFromRef(int32_t R) const;

 private:
  // A table entry with its running totals: start offset and one name reference or line.
  struct TStartEntry {
    uint32_t Start;
    int32_t Value;
  };
  // Entries in table order, with the bounds that let a binary search give the answer of the
  // walk even when negative differences leave the entries out of order.
  struct TStartTable {
    std::vector<TStartEntry> Entries;
    // Largest start among entries 0..i: the first entry starting above A is the first i
    // whose PrefixMax exceeds A.
    std::vector<uint32_t> PrefixMax;
  };

  bool CheckFormat() const;
  bool DecodeTables();
  bool DecodeStartTable(uint32_t offset, TStartTable& table) const;
  bool DecodeProcNames(uint32_t offset);
  bool DecodeLineNumbers(uint32_t offset);
  void ForgetTables();
  uint32_t HeaderValue(size_t field) const;
  // FirstAbove of the units table, remembered for the last address asked.
  size_t UnitsAbove(uint32_t Addr) const;
  // Index of the first entry whose start lies above Addr, or the entry count.
  static size_t FirstAbove(const TStartTable& table, uint32_t Addr);
  // Index of the last entry whose start is at or below Addr, or -1.
  static ptrdiff_t LastAtOrBelow(const std::vector<uint32_t>& suffixMin, uint32_t Addr);

  std::span<const uint8_t> FStream;
  bool FValidFormat = false;
  std::vector<TJclMapLineNumber> FLineNumbers;
  std::vector<TJclBinDbgNameCache> FProcNames;

  TStartTable FUnits;
  TStartTable FSourceNames;
  // Smallest start among entries i..n-1 of the procedure and line tables: the last entry at or
  // below A is the last i whose minimum is at most A.
  std::vector<uint32_t> FLineSuffixMin;
  std::vector<uint32_t> FProcSuffixMin;
  // Used under the lookup lock only, like the scanner as a whole.
  mutable bool FLastUnitValid = false;
  mutable uint32_t FLastUnitAddr = 0;
  mutable size_t FLastUnitAbove = 0;
};

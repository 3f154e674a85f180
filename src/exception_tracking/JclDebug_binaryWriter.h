#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "JclDebug_binary.h"

// Builds debug information in the format TJclBinDebugScanner reads. Entries are written in the
// order they are added; a start below the previous one is written as a negative difference.
// Each distinct name is stored once, in the smallest of its forms.
class TJclBinDebugWriter {
 public:
  void SetModuleName(const std::string& name) { FModuleName = name; }
  void AddUnit(uint32_t start, const std::string& name);
  void AddSourceName(uint32_t start, const std::string& name);
  // secondName may be empty: the procedure's name is then firstName alone.
  void AddProcedure(uint32_t start, const std::string& firstName, const std::string& secondName);
  void AddLineNumber(uint32_t start, int32_t line);

  // The whole data, padded to a multiple of 4 bytes. Raises EJclBinDebugError when a start
  // difference would read as the end marker.
  std::vector<uint8_t> Build(bool withCheckSum);

  // Appends value as a packed number of one to five bytes.
  static void WritePacked(std::vector<uint8_t>& out, uint32_t value);
  // The name record of text: 6-bit packed when every character allows it, "@" and packed, or
  // masked UTF-8.
  static std::vector<uint8_t> NameRecord(const std::string& text);

 private:
  // Name reference of text, adding its record to the name area on first use; 0 for "".
  uint32_t NameRef(const std::string& text);
  std::vector<uint8_t> Table(const std::vector<std::vector<uint32_t>>& entries) const;

  std::string FModuleName;
  std::vector<std::vector<uint32_t>> FUnits;
  std::vector<std::vector<uint32_t>> FSourceNames;
  std::vector<std::vector<uint32_t>> FProcedures;
  std::vector<std::vector<uint32_t>> FLineNumbers;
  std::vector<uint8_t> FWords;
  std::map<std::string, uint32_t> FNameRefs;
};

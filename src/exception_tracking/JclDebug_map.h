#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "JclAddrLookups.h"
#include "JclDebug_mapLineNumber.h"
#include "JclDebug_mappedFile.h"

// Reader of the text map file a linker writes beside a module. The file is read once, in
// place: entries keep pointers into the mapped text, and names are converted only when a
// lookup needs them. Every read stops at the end of the text, whatever the file holds.

// A name in the mapped text; it runs to a delimiter that depends on the conversion.
using PJclMapString = const char*;

struct TJclMapAddress {
  uint16_t Segment = 0;
  uint32_t Offset = 0;
};

struct TJclMapStringCache {
  // Filled the first time a lookup converts RawValue.
  mutable std::string CachedValue;
  PJclMapString RawValue = nullptr;
};

struct TJclMapSegmentClass {
  uint16_t Segment = 0;
  uint32_t Start = 0;
  uintptr_t Addr = 0;
  uint32_t VA = 0;
  uint32_t Len = 0;
  TJclMapStringCache SectionName;
  TJclMapStringCache GroupName;
};

// One unit's code range, end exclusive. The unit token is converted two ways (unit name and
// file name), so each form has its own cache over the same text.
struct TJclMapSegment {
  uint16_t Segment = 0;
  uint32_t StartVA = 0;
  uint32_t EndVA = 0;
  TJclMapStringCache UnitName;
  TJclMapStringCache UnitFileName;
};

struct TJclMapProcName {
  uint16_t Segment = 0;
  uint32_t VA = 0;
  TJclMapStringCache ProcName;
};

// Walks the tables of a map file once and reports every entry it reads.
class TJclAbstractMapParser {
 public:
  // A missing or unreadable file gives a parser with no text: Parse then reports nothing.
  explicit TJclAbstractMapParser(const std::string& MapFileName, uintptr_t Module = 0);
  // Parses text the caller keeps alive for the parser's lifetime.
  TJclAbstractMapParser(std::span<const char> MapText, uintptr_t Module);
  virtual ~TJclAbstractMapParser() = default;
  TJclAbstractMapParser(const TJclAbstractMapParser&) = delete;
  TJclAbstractMapParser& operator=(const TJclAbstractMapParser&) = delete;

  void Parse();

  // Conversions of a pointer into the text; null or a pointer outside the text gives "".
  std::string MapStringToStr(PJclMapString MapString, bool IgnoreSpaces = false) const;
  std::string MapStringToFileName(PJclMapString MapString) const;
  std::string MapStringToModuleName(PJclMapString MapString) const;

  bool LinkerBug() const { return FLinkerBug; }
  uintptr_t Module() const { return FModule; }

 protected:
  virtual void OnSegmentClass(const TJclMapAddress& Address, uint32_t Len,
                              PJclMapString SectionName, PJclMapString GroupName) = 0;
  virtual void OnSegment(const TJclMapAddress& Address, uint32_t Len, PJclMapString UnitName,
                         PJclMapString ClassName) = 0;
  virtual void OnPublicByName(const TJclMapAddress& Address, PJclMapString Name) = 0;
  virtual void OnPublicByValue(const TJclMapAddress& Address, PJclMapString Name) = 0;
  virtual void OnLineNumberUnit(PJclMapString UnitName, PJclMapString UnitFileName) = 0;
  virtual void OnLineNumber(int32_t LineNumber, const TJclMapAddress& Address) = 0;

  // The bytes from MapString up to the end of its line; empty when it lies outside the text.
  std::string_view RestOfLine(PJclMapString MapString) const;

 private:
  class TCursor;

  void ParseSegmentClasses(TCursor& cursor);
  void ParseDetailedSegments(TCursor& cursor);
  void ParsePublicsByName(TCursor& cursor);
  void ParsePublicsByValue(TCursor& cursor);
  void ParseLineNumbers(TCursor& cursor);
  std::string_view FileNamePart(PJclMapString MapString) const;

  bool FLinkerBug = false;
  TJclMappedFile FStream;
  std::span<const char> FText;
  uintptr_t FModule = 0;
  PJclMapString FLastUnitName = nullptr;
  PJclMapString FLastUnitFileName = nullptr;
};

// Collects the entries of a map file into sorted tables and answers the location questions.
// Addresses are code offsets: address - module base - 0x1000.
class TJclMapScanner : public TJclAbstractMapParser, public TJclOffsetFreeLookups<TJclMapScanner> {
 public:
  // Both parse at once.
  explicit TJclMapScanner(const std::string& MapFileName, uintptr_t Module = 0);
  TJclMapScanner(std::span<const char> MapText, uintptr_t Module);

  std::string MapStringCacheToStr(const TJclMapStringCache& MapString,
                                  bool IgnoreSpaces = false) const;
  std::string MapStringCacheToFileName(const TJclMapStringCache& MapString) const;
  std::string MapStringCacheToModuleName(const TJclMapStringCache& MapString) const;

  // 0xFFFFFFFF when no unit contains Addr.
  uint32_t ModuleStartFromAddr(uint32_t Addr) const;
  std::string ModuleNameFromAddr(uint32_t Addr) const;
  using TJclOffsetFreeLookups::ProcNameFromAddr;
  std::string ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const;
  using TJclOffsetFreeLookups::LineNumberFromAddr;
  int32_t LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const;
  std::string SourceNameFromAddr(uint32_t Addr) const;

  // Line-number pairs dropped because no segment class holds them.
  int32_t LineNumberErrors() const { return FLineNumberErrors; }
  const std::vector<TJclMapSegmentClass>& SegmentClasses() const { return FSegmentClasses; }
  const std::vector<TJclMapSegment>& Segments() const { return FSegments; }
  const std::vector<TJclMapProcName>& ProcNames() const { return FProcNames; }
  const std::vector<TJclMapLineNumber>& LineNumbers() const { return FLineNumbers; }
  const std::vector<TJclMapProcName>& SourceNames() const { return FSourceNames; }

 protected:
  void OnSegmentClass(const TJclMapAddress& Address, uint32_t Len, PJclMapString SectionName,
                      PJclMapString GroupName) override;
  void OnSegment(const TJclMapAddress& Address, uint32_t Len, PJclMapString UnitName,
                 PJclMapString ClassName) override;
  void OnPublicByName(const TJclMapAddress& Address, PJclMapString Name) override;
  void OnPublicByValue(const TJclMapAddress& Address, PJclMapString Name) override;
  void OnLineNumberUnit(PJclMapString UnitName, PJclMapString UnitFileName) override;
  void OnLineNumber(int32_t LineNumber, const TJclMapAddress& Address) override;

 private:
  void Scan();
  uint32_t MapOffsetToCodeOffset(uint32_t Offset) const;
  bool IsThreadVarClass(const TJclMapSegmentClass& SegmentClass) const;
  uint32_t ClassCodeOffset(const TJclMapSegmentClass& SegmentClass,
                           const TJclMapAddress& Address) const;
  const TJclMapSegmentClass* FindSegmentClass(const TJclMapAddress& Address) const;
  // Where the loaded module put the section called SectionName, else the one called ClassName.
  void PlaceInModule(TJclMapSegmentClass& SegmentClass);
  // The last unit range, in table order from the end, that contains Addr.
  const TJclMapSegment* FindSegment(uint32_t Addr) const;

  std::vector<TJclMapSegmentClass> FSegmentClasses;
  std::vector<TJclMapLineNumber> FLineNumbers;
  std::vector<TJclMapProcName> FProcNames;
  std::vector<TJclMapSegment> FSegments;
  std::vector<TJclMapProcName> FSourceNames;
  int32_t FLineNumberErrors = 0;
  PJclMapString FNewUnitFileName = nullptr;
  // The module's file, read for its section addresses while the segment classes are parsed.
  std::unique_ptr<TJclMappedFile> FModuleFile;
};

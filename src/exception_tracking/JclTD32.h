#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "JclAddrLookups.h"
#include "JclDebug_mappedFile.h"

// Reader of TD32 debug information: a signature, subsection directories and subsections in
// the published CodeView layout, little-endian, every offset counted from the first byte. The
// objects built point into the data, which must outlive the parser. Every read is bounded by
// the data, every walk by a budget of one step per byte, so hostile offsets, counts, sizes or
// directory loops end the walk instead of reading outside the data or running forever.

struct TJclTD32FileSignature {
  uint32_t Signature = 0;
  uint32_t Offset = 0;
};

inline constexpr uint32_t kTd32SignatureFB09 = 0x39304246;  // "FB09"
inline constexpr uint32_t kTd32SignatureFB0A = 0x41304246;  // "FB0A"

// Subsection types that are read.
inline constexpr uint16_t SubsectionTypeModule = 0x0120;
inline constexpr uint16_t SubsectionTypeAlignSymbols = 0x0125;
inline constexpr uint16_t SubsectionTypeSourceModule = 0x0127;
inline constexpr uint16_t SubsectionTypeGlobalTypes = 0x012B;
inline constexpr uint16_t SubsectionTypeNames = 0x0130;

// Symbol record types that are read.
inline constexpr uint16_t SymbolTypeConst = 0x0003;
inline constexpr uint16_t SymbolTypeUdt = 0x0004;
inline constexpr uint16_t SymbolTypeObjName = 0x0009;
inline constexpr uint16_t SymbolTypeLData32 = 0x0201;
inline constexpr uint16_t SymbolTypeGData32 = 0x0202;
inline constexpr uint16_t SymbolTypePub32 = 0x0203;
inline constexpr uint16_t SymbolTypeLProc32 = 0x0204;
inline constexpr uint16_t SymbolTypeGProc32 = 0x0205;
inline constexpr uint16_t SymbolTypeWith32 = 0x0208;
inline constexpr uint16_t SymbolTypeLabel32 = 0x0209;
inline constexpr uint16_t SymbolTypeVftPath32 = 0x020B;

struct TSegmentInfo {
  uint16_t Segment = 0;
  uint16_t Flags = 0;
  uint32_t Offset = 0;
  uint32_t Size = 0;
};

// Code range of a source file in one segment, end exclusive.
struct TOffsetPair {
  uint32_t StartOffset = 0;
  uint32_t EndOffset = 0;
};

class TJclTD32ModuleInfo {
 public:
  TJclTD32ModuleInfo(uint32_t NameIndex, std::span<const uint8_t> Segments);
  uint32_t NameIndex() const { return FNameIndex; }
  size_t SegmentCount() const { return FSegmentCount; }
  TSegmentInfo Segment(size_t Index) const;

 private:
  uint32_t FNameIndex;
  std::span<const uint8_t> FSegments;
  size_t FSegmentCount;
};

class TJclTD32LineInfo {
 public:
  TJclTD32LineInfo(uint32_t LineNo, uint32_t Offset) : FLineNo(LineNo), FOffset(Offset) {}
  uint32_t LineNo() const { return FLineNo; }
  uint32_t Offset() const { return FOffset; }

 private:
  uint32_t FLineNo;
  uint32_t FOffset;
};

class TJclTD32SourceModuleInfo {
 public:
  TJclTD32SourceModuleInfo(uint32_t NameIndex, std::span<const uint8_t> Segments);
  uint32_t NameIndex() const { return FNameIndex; }
  size_t SegmentCount() const { return FSegmentCount; }
  TOffsetPair Segment(size_t Index) const;
  size_t LineCount() const { return FLines.size(); }
  const TJclTD32LineInfo& Line(size_t Index) const { return FLines[Index]; }
  void AddLine(uint32_t LineNo, uint32_t Offset) { FLines.emplace_back(LineNo, Offset); }
  // The line at Offset, else the line whose code Offset lies in; nothing past the last line.
  bool FindLine(uint32_t Offset, const TJclTD32LineInfo*& ALine) const;

 private:
  std::vector<TJclTD32LineInfo> FLines;
  std::span<const uint8_t> FSegments;
  size_t FSegmentCount;
  uint32_t FNameIndex;
};

// Symbol records; each kind reads its fields from the record's bytes after the type field.
class TJclTD32SymbolInfo {
 public:
  explicit TJclTD32SymbolInfo(uint16_t SymbolType) : FSymbolType(SymbolType) {}
  virtual ~TJclTD32SymbolInfo() = default;
  uint16_t SymbolType() const { return FSymbolType; }

 private:
  uint16_t FSymbolType;
};

class TJclTD32ProcSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 40;
  TJclTD32ProcSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t NameIndex() const { return FNameIndex; }
  uint32_t Offset() const { return FOffset; }
  uint32_t Size() const { return FSize; }

 private:
  uint32_t FNameIndex;
  uint32_t FOffset;
  uint32_t FSize;
};
class TJclTD32LocalProcSymbolInfo : public TJclTD32ProcSymbolInfo {
  using TJclTD32ProcSymbolInfo::TJclTD32ProcSymbolInfo;
};
class TJclTD32GlobalProcSymbolInfo : public TJclTD32ProcSymbolInfo {
  using TJclTD32ProcSymbolInfo::TJclTD32ProcSymbolInfo;
};

class TJclTD32ObjNameSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 8;
  TJclTD32ObjNameSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t Signature() const { return FSignature; }
  uint32_t NameIndex() const { return FNameIndex; }

 private:
  uint32_t FSignature;
  uint32_t FNameIndex;
};

class TJclTD32DataSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 16;
  TJclTD32DataSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t Offset() const { return FOffset; }
  uint32_t TypeIndex() const { return FTypeIndex; }
  uint32_t NameIndex() const { return FNameIndex; }

 private:
  uint32_t FOffset;
  uint32_t FTypeIndex;
  uint32_t FNameIndex;
};
class TJclTD32LDataSymbolInfo : public TJclTD32DataSymbolInfo {
  using TJclTD32DataSymbolInfo::TJclTD32DataSymbolInfo;
};
class TJclTD32GDataSymbolInfo : public TJclTD32DataSymbolInfo {
  using TJclTD32DataSymbolInfo::TJclTD32DataSymbolInfo;
};
class TJclTD32PublicSymbolInfo : public TJclTD32DataSymbolInfo {
  using TJclTD32DataSymbolInfo::TJclTD32DataSymbolInfo;
};

class TJclTD32WithSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 24;
  TJclTD32WithSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t Offset() const { return FOffset; }
  uint32_t Size() const { return FSize; }
  uint32_t NameIndex() const { return FNameIndex; }

 private:
  uint32_t FOffset;
  uint32_t FSize;
  uint32_t FNameIndex;
};

class TJclTD32LabelSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 12;
  TJclTD32LabelSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t Offset() const { return FOffset; }
  uint32_t NameIndex() const { return FNameIndex; }

 private:
  uint32_t FOffset;
  uint32_t FNameIndex;
};

class TJclTD32ConstantSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 16;
  TJclTD32ConstantSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t Value() const { return FValue; }
  uint32_t TypeIndex() const { return FTypeIndex; }
  uint32_t NameIndex() const { return FNameIndex; }

 private:
  uint32_t FValue;
  uint32_t FTypeIndex;
  uint32_t FNameIndex;
};

class TJclTD32UdtSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 14;
  TJclTD32UdtSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t TypeIndex() const { return FTypeIndex; }
  uint32_t NameIndex() const { return FNameIndex; }
  uint16_t Properties() const { return FProperties; }

 private:
  uint32_t FTypeIndex;
  uint32_t FNameIndex;
  uint16_t FProperties;
};

class TJclTD32VftPathSymbolInfo : public TJclTD32SymbolInfo {
 public:
  static constexpr size_t RecordSize = 16;
  TJclTD32VftPathSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record);
  uint32_t RootIndex() const { return FRootIndex; }
  uint32_t PathIndex() const { return FPathIndex; }
  uint32_t Offset() const { return FOffset; }

 private:
  uint32_t FRootIndex;
  uint32_t FPathIndex;
  uint32_t FOffset;
};

class TJclTD32InfoParser {
 public:
  // Parses at once; data that fails the validity test leaves every list empty.
  explicit TJclTD32InfoParser(std::span<const uint8_t> ADataStream);
  virtual ~TJclTD32InfoParser();
  TJclTD32InfoParser(const TJclTD32InfoParser&) = delete;
  TJclTD32InfoParser& operator=(const TJclTD32InfoParser&) = delete;

  static bool IsTD32Sign(const TJclTD32FileSignature& Sign);
  // A signature at the end and one the end's offset points back to.
  static bool IsTD32DebugInfoValid(std::span<const uint8_t> DebugData);

  bool FindModule(uint32_t Offset, const TJclTD32ModuleInfo*& AModule) const;
  bool FindSourceModule(uint32_t Offset, const TJclTD32SourceModuleInfo*& ASourceModule) const;
  bool FindProc(uint32_t Offset, const TJclTD32ProcSymbolInfo*& AProc) const;

  // Name index 0, or one past the table, is no name.
  size_t NameCount() const { return FNames.size(); }
  std::string Names(uint32_t Index) const;
  size_t ModuleCount() const { return FModules.size(); }
  const TJclTD32ModuleInfo& Modules(size_t Index) const { return *FModules[Index]; }
  size_t SourceModuleCount() const { return FSourceModules.size(); }
  const TJclTD32SourceModuleInfo& SourceModules(size_t Index) const {
    return *FSourceModules[Index];
  }
  size_t SymbolCount() const { return FSymbols.size(); }
  const TJclTD32SymbolInfo& Symbols(size_t Index) const { return *FSymbols[Index]; }
  size_t ProcSymbolCount() const { return FProcSymbols.size(); }
  const TJclTD32ProcSymbolInfo& ProcSymbols(size_t Index) const { return *FProcSymbols[Index]; }
  bool ValidData() const { return FValidData; }

 private:
  void Analyse();
  void AnalyseDirectory(uint32_t DirectoryOffset);
  void OnSubsection(uint16_t SubsectionType, std::span<const uint8_t> Subsection);
  void OnNamesSubsection(std::span<const uint8_t> Subsection);
  void OnSymbolsSubsection(std::span<const uint8_t> Subsection);
  void OnModuleSubsection(std::span<const uint8_t> Subsection);
  void OnSourceModuleSubsection(std::span<const uint8_t> Subsection);
  void AddSourceFile(std::span<const uint8_t> Subsection, size_t EntryOffset);
  void AddSegmentLines(std::span<const uint8_t> Subsection, size_t TableOffset,
                       TJclTD32SourceModuleInfo& SourceModule);
  void AddSymbol(uint16_t SymbolType, std::span<const uint8_t> Record);
  // One step of a walk; false once the walks together took as many steps as the data has
  // bytes, which well-formed data never needs.
  bool Step();

  std::span<const uint8_t> FData;
  std::vector<std::string_view> FNames;
  std::vector<std::unique_ptr<TJclTD32ModuleInfo>> FModules;
  std::vector<std::unique_ptr<TJclTD32SourceModuleInfo>> FSourceModules;
  std::vector<std::unique_ptr<TJclTD32SymbolInfo>> FSymbols;
  std::vector<const TJclTD32ProcSymbolInfo*> FProcSymbols;
  bool FValidData = false;
  size_t FStepsLeft = 0;
};

// Answers the location questions from TD32 information. Addresses are code offsets: address -
// module base - 0x1000.
class TJclTD32InfoScanner : public TJclTD32InfoParser,
                            public TJclOffsetFreeLookups<TJclTD32InfoScanner> {
 public:
  using TJclTD32InfoParser::TJclTD32InfoParser;

  std::string ModuleNameFromAddr(uint32_t Addr) const;
  using TJclOffsetFreeLookups::ProcNameFromAddr;
  std::string ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const;
  using TJclOffsetFreeLookups::LineNumberFromAddr;
  int32_t LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const;
  std::string SourceNameFromAddr(uint32_t Addr) const;

  // "@Unit@Class@Method" reads as "Class.Method"; other names are returned unchanged.
  static std::string ShortProcName(const std::string& ProcName);
};

// The TD32 information of a module. ELF images carry none, so it comes only from the ".tds"
// file beside the module, mapped read-only while this object lives.
class TJclPeBorTD32Image {
 public:
  // Never raises: a missing, unreadable or invalid file leaves no TD32 information.
  explicit TJclPeBorTD32Image(const std::string& ModuleFileName);

  static std::string TD32FileName(const std::string& ModuleFileName);
  bool IsTD32DebugPresent() const { return FTD32Scanner != nullptr; }
  const TJclTD32InfoScanner* TD32Scanner() const { return FTD32Scanner.get(); }

 private:
  TJclMappedFile FTD32File;
  std::unique_ptr<TJclTD32InfoScanner> FTD32Scanner;
};

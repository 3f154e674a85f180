#include "JclTD32.h"

#include <algorithm>
#include <unordered_set>

#include "FileUtils.h"

namespace {

// Callers check that the bytes lie inside the data.
uint16_t ReadU16(std::span<const uint8_t> data, size_t offset) {
  return uint16_t(data[offset] | data[offset + 1] << 8);
}

uint32_t ReadU32(std::span<const uint8_t> data, size_t offset) {
  return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
         uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
}

// True when count bytes from offset lie inside data; safe against overflowing sums.
bool Fits(std::span<const uint8_t> data, uint64_t offset, uint64_t count) {
  return offset <= data.size() && count <= data.size() - offset;
}

TJclTD32FileSignature ReadSignature(std::span<const uint8_t> data, size_t offset) {
  return {ReadU32(data, offset), ReadU32(data, offset + 4)};
}

constexpr size_t SignatureSize = 8;
constexpr size_t DirectoryHeaderSize = 16;
constexpr size_t DirectoryEntrySize = 12;
constexpr size_t ModuleInfoSize = 28;  // without its segment array
constexpr size_t SegmentInfoSize = 12;
constexpr size_t OffsetPairSize = 8;
constexpr size_t SymbolsSignatureSize = 4;

// Bytes after a symbol record's size and type fields that a kind needs, or 0 for kinds that
// are passed over.
size_t SymbolRecordSize(uint16_t symbolType) {
  switch (symbolType) {
    case SymbolTypeConst:
      return TJclTD32ConstantSymbolInfo::RecordSize;
    case SymbolTypeUdt:
      return TJclTD32UdtSymbolInfo::RecordSize;
    case SymbolTypeObjName:
      return TJclTD32ObjNameSymbolInfo::RecordSize;
    case SymbolTypeLData32:
    case SymbolTypeGData32:
    case SymbolTypePub32:
      return TJclTD32DataSymbolInfo::RecordSize;
    case SymbolTypeLProc32:
    case SymbolTypeGProc32:
      return TJclTD32ProcSymbolInfo::RecordSize;
    case SymbolTypeWith32:
      return TJclTD32WithSymbolInfo::RecordSize;
    case SymbolTypeLabel32:
      return TJclTD32LabelSymbolInfo::RecordSize;
    case SymbolTypeVftPath32:
      return TJclTD32VftPathSymbolInfo::RecordSize;
    default:
      return 0;
  }
}

std::unique_ptr<TJclTD32SymbolInfo> MakeSymbol(uint16_t symbolType,
                                               std::span<const uint8_t> record) {
  switch (symbolType) {
    case SymbolTypeConst:
      return std::make_unique<TJclTD32ConstantSymbolInfo>(symbolType, record);
    case SymbolTypeUdt:
      return std::make_unique<TJclTD32UdtSymbolInfo>(symbolType, record);
    case SymbolTypeObjName:
      return std::make_unique<TJclTD32ObjNameSymbolInfo>(symbolType, record);
    case SymbolTypeLData32:
      return std::make_unique<TJclTD32LDataSymbolInfo>(symbolType, record);
    case SymbolTypeGData32:
      return std::make_unique<TJclTD32GDataSymbolInfo>(symbolType, record);
    case SymbolTypePub32:
      return std::make_unique<TJclTD32PublicSymbolInfo>(symbolType, record);
    case SymbolTypeLProc32:
      return std::make_unique<TJclTD32LocalProcSymbolInfo>(symbolType, record);
    case SymbolTypeGProc32:
      return std::make_unique<TJclTD32GlobalProcSymbolInfo>(symbolType, record);
    case SymbolTypeWith32:
      return std::make_unique<TJclTD32WithSymbolInfo>(symbolType, record);
    case SymbolTypeLabel32:
      return std::make_unique<TJclTD32LabelSymbolInfo>(symbolType, record);
    case SymbolTypeVftPath32:
      return std::make_unique<TJclTD32VftPathSymbolInfo>(symbolType, record);
    default:
      return nullptr;
  }
}

}  // namespace

TJclTD32ModuleInfo::TJclTD32ModuleInfo(uint32_t NameIndex, std::span<const uint8_t> Segments)
    : FNameIndex(NameIndex),
      FSegments(Segments),
      FSegmentCount(Segments.size() / SegmentInfoSize) {}

TSegmentInfo TJclTD32ModuleInfo::Segment(size_t Index) const {
  const size_t at = Index * SegmentInfoSize;
  return {ReadU16(FSegments, at), ReadU16(FSegments, at + 2), ReadU32(FSegments, at + 4),
          ReadU32(FSegments, at + 8)};
}

TJclTD32SourceModuleInfo::TJclTD32SourceModuleInfo(uint32_t NameIndex,
                                                   std::span<const uint8_t> Segments)
    : FSegments(Segments), FSegmentCount(Segments.size() / OffsetPairSize), FNameIndex(NameIndex) {}

TOffsetPair TJclTD32SourceModuleInfo::Segment(size_t Index) const {
  const size_t at = Index * OffsetPairSize;
  return {ReadU32(FSegments, at), ReadU32(FSegments, at + 4)};
}

bool TJclTD32SourceModuleInfo::FindLine(uint32_t Offset, const TJclTD32LineInfo*& ALine) const {
  for (const TJclTD32LineInfo& line : FLines)
    if (line.Offset() == Offset) {
      ALine = &line;
      return true;
    }
  for (size_t i = 1; i < FLines.size(); ++i)
    if (FLines[i - 1].Offset() < Offset && Offset < FLines[i].Offset()) {
      ALine = &FLines[i - 1];
      return true;
    }
  return false;
}

TJclTD32ProcSymbolInfo::TJclTD32ProcSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FNameIndex(ReadU32(Record, 36)),
      FOffset(ReadU32(Record, 24)),
      FSize(ReadU32(Record, 12)) {}

TJclTD32ObjNameSymbolInfo::TJclTD32ObjNameSymbolInfo(uint16_t SymbolType,
                                                     std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FSignature(ReadU32(Record, 0)),
      FNameIndex(ReadU32(Record, 4)) {}

TJclTD32DataSymbolInfo::TJclTD32DataSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FOffset(ReadU32(Record, 0)),
      FTypeIndex(ReadU32(Record, 8)),
      FNameIndex(ReadU32(Record, 12)) {}

TJclTD32WithSymbolInfo::TJclTD32WithSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FOffset(ReadU32(Record, 12)),
      FSize(ReadU32(Record, 8)),
      FNameIndex(ReadU32(Record, 20)) {}

TJclTD32LabelSymbolInfo::TJclTD32LabelSymbolInfo(uint16_t SymbolType,
                                                 std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType), FOffset(ReadU32(Record, 0)), FNameIndex(ReadU32(Record, 8)) {}

TJclTD32ConstantSymbolInfo::TJclTD32ConstantSymbolInfo(uint16_t SymbolType,
                                                       std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FValue(ReadU32(Record, 12)),
      FTypeIndex(ReadU32(Record, 0)),
      FNameIndex(ReadU32(Record, 4)) {}

TJclTD32UdtSymbolInfo::TJclTD32UdtSymbolInfo(uint16_t SymbolType, std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FTypeIndex(ReadU32(Record, 0)),
      FNameIndex(ReadU32(Record, 6)),
      FProperties(ReadU16(Record, 4)) {}

TJclTD32VftPathSymbolInfo::TJclTD32VftPathSymbolInfo(uint16_t SymbolType,
                                                     std::span<const uint8_t> Record)
    : TJclTD32SymbolInfo(SymbolType),
      FRootIndex(ReadU32(Record, 8)),
      FPathIndex(ReadU32(Record, 12)),
      FOffset(ReadU32(Record, 0)) {}

TJclTD32InfoParser::TJclTD32InfoParser(std::span<const uint8_t> ADataStream)
    : FData(ADataStream), FNames(1), FStepsLeft(ADataStream.size()) {
  FValidData = IsTD32DebugInfoValid(FData);
  if (FValidData) Analyse();
}

TJclTD32InfoParser::~TJclTD32InfoParser() = default;

bool TJclTD32InfoParser::IsTD32Sign(const TJclTD32FileSignature& Sign) {
  return Sign.Signature == kTd32SignatureFB09 || Sign.Signature == kTd32SignatureFB0A;
}

bool TJclTD32InfoParser::IsTD32DebugInfoValid(std::span<const uint8_t> DebugData) {
  if (DebugData.size() <= SignatureSize) return false;
  const TJclTD32FileSignature endSign = ReadSignature(DebugData, DebugData.size() - SignatureSize);
  // The signature it points back to must lie whole inside the data.
  if (!IsTD32Sign(endSign) || endSign.Offset < SignatureSize || endSign.Offset > DebugData.size())
    return false;
  return IsTD32Sign(ReadSignature(DebugData, DebugData.size() - endSign.Offset));
}

bool TJclTD32InfoParser::Step() {
  if (FStepsLeft == 0) return false;
  --FStepsLeft;
  return true;
}

void TJclTD32InfoParser::Analyse() {
  // A directory seen before would start a loop.
  std::unordered_set<uint32_t> seen;
  for (uint32_t directory = ReadSignature(FData, 0).Offset;
       directory != 0 && seen.insert(directory).second && Step();) {
    if (!Fits(FData, directory, DirectoryHeaderSize)) return;
    AnalyseDirectory(directory);
    directory = ReadU32(FData, directory + 8);
  }
}

void TJclTD32InfoParser::AnalyseDirectory(uint32_t DirectoryOffset) {
  const uint32_t count = ReadU32(FData, DirectoryOffset + 4);
  size_t entry = DirectoryOffset + DirectoryHeaderSize;
  for (uint32_t i = 0; i < count && Fits(FData, entry, DirectoryEntrySize) && Step();
       ++i, entry += DirectoryEntrySize) {
    const uint16_t type = ReadU16(FData, entry);
    const uint32_t offset = ReadU32(FData, entry + 4);
    const uint32_t size = ReadU32(FData, entry + 8);
    if (offset >= FData.size()) continue;
    // A size running past the data keeps what the data holds.
    OnSubsection(type, FData.subspan(offset, std::min<size_t>(size, FData.size() - offset)));
  }
}

void TJclTD32InfoParser::OnSubsection(uint16_t SubsectionType,
                                      std::span<const uint8_t> Subsection) {
  switch (SubsectionType) {
    case SubsectionTypeNames:
      OnNamesSubsection(Subsection);
      break;
    case SubsectionTypeAlignSymbols:
      OnSymbolsSubsection(Subsection);
      break;
    case SubsectionTypeModule:
      OnModuleSubsection(Subsection);
      break;
    case SubsectionTypeSourceModule:
      OnSourceModuleSubsection(Subsection);
      break;
    // Types, and subsections of other kinds, answer no location question.
    case SubsectionTypeGlobalTypes:
    default:
      break;
  }
}

void TJclTD32InfoParser::OnNamesSubsection(std::span<const uint8_t> Subsection) {
  if (!Fits(Subsection, 0, 4)) return;
  const uint32_t count = ReadU32(Subsection, 0);
  size_t pos = 4;
  for (uint32_t i = 0; i < count && pos < Subsection.size() && Step(); ++i) {
    const size_t start = pos + 1;
    // A name longer than its length byte says wrapped that byte; its zero lies 256 further.
    size_t terminator = start + Subsection[pos];
    while (terminator < Subsection.size() && Subsection[terminator] != 0) {
      if (!Step()) return;
      terminator += 256;
    }
    const size_t end = std::min(terminator, Subsection.size());
    const auto text = Subsection.subspan(std::min(start, end), end - std::min(start, end));
    const auto zero = std::find(text.begin(), text.end(), 0);
    FNames.emplace_back(reinterpret_cast<const char*>(text.data()), size_t(zero - text.begin()));
    pos = terminator + 1;
  }
}

void TJclTD32InfoParser::OnModuleSubsection(std::span<const uint8_t> Subsection) {
  if (!Fits(Subsection, 0, ModuleInfoSize)) return;
  const size_t segmentCount = std::min<size_t>(
      ReadU16(Subsection, 4), (Subsection.size() - ModuleInfoSize) / SegmentInfoSize);
  FModules.push_back(std::make_unique<TJclTD32ModuleInfo>(
      ReadU32(Subsection, 8), Subsection.subspan(ModuleInfoSize, segmentCount * SegmentInfoSize)));
}

void TJclTD32InfoParser::OnSourceModuleSubsection(std::span<const uint8_t> Subsection) {
  if (!Fits(Subsection, 0, 4)) return;
  const uint16_t fileCount = ReadU16(Subsection, 0);
  for (size_t i = 0; i < fileCount && Fits(Subsection, 4 + 4 * i, 4) && Step(); ++i)
    AddSourceFile(Subsection, ReadU32(Subsection, 4 + 4 * i));
}

// A source file entry: segment count, name index, one line-table offset per segment, then one
// code range per segment.
void TJclTD32InfoParser::AddSourceFile(std::span<const uint8_t> Subsection, size_t EntryOffset) {
  if (!Fits(Subsection, EntryOffset, 6)) return;
  const uint32_t nameIndex = ReadU32(Subsection, EntryOffset + 2);
  if (nameIndex == 0) return;
  const size_t tables = EntryOffset + 6;
  const size_t segmentCount = std::min<size_t>(ReadU16(Subsection, EntryOffset),
                                               (Subsection.size() - tables) / (4 + OffsetPairSize));
  auto sourceModule = std::make_unique<TJclTD32SourceModuleInfo>(
      nameIndex, Subsection.subspan(tables + 4 * segmentCount, segmentCount * OffsetPairSize));
  for (size_t i = 0; i < segmentCount && Step(); ++i)
    AddSegmentLines(Subsection, ReadU32(Subsection, tables + 4 * i), *sourceModule);
  FSourceModules.push_back(std::move(sourceModule));
}

// A line table: segment index, pair count, the code offsets, then the line numbers.
void TJclTD32InfoParser::AddSegmentLines(std::span<const uint8_t> Subsection, size_t TableOffset,
                                         TJclTD32SourceModuleInfo& SourceModule) {
  if (!Fits(Subsection, TableOffset, 4)) return;
  const size_t count = ReadU16(Subsection, TableOffset + 2);
  const size_t offsets = TableOffset + 4;
  const uint64_t lineNumbers = uint64_t(offsets) + 4 * count;
  for (size_t i = 0; i < count && Fits(Subsection, lineNumbers + 2 * i, 2) && Step(); ++i)
    SourceModule.AddLine(ReadU16(Subsection, size_t(lineNumbers) + 2 * i),
                         ReadU32(Subsection, offsets + 4 * i));
}

void TJclTD32InfoParser::OnSymbolsSubsection(std::span<const uint8_t> Subsection) {
  for (size_t pos = SymbolsSignatureSize; Fits(Subsection, pos, 4) && Step();) {
    const size_t recordSize = ReadU16(Subsection, pos);
    const uint16_t type = ReadU16(Subsection, pos + 2);
    // The record's bytes after its type field, as far as the subsection holds them.
    const size_t fieldsEnd = std::min(pos + 2 + std::max<size_t>(recordSize, 2), Subsection.size());
    AddSymbol(type, Subsection.subspan(pos + 4, fieldsEnd - (pos + 4)));
    pos += recordSize + 2;
  }
}

void TJclTD32InfoParser::AddSymbol(uint16_t SymbolType, std::span<const uint8_t> Record) {
  const size_t needed = SymbolRecordSize(SymbolType);
  // Kinds passed over, and records too short for their kind's fields.
  if (needed == 0 || Record.size() < needed) return;
  auto symbol = MakeSymbol(SymbolType, Record);
  if (SymbolType == SymbolTypeLProc32 || SymbolType == SymbolTypeGProc32)
    FProcSymbols.push_back(static_cast<const TJclTD32ProcSymbolInfo*>(symbol.get()));
  FSymbols.push_back(std::move(symbol));
}

std::string TJclTD32InfoParser::Names(uint32_t Index) const {
  return Index < FNames.size() ? DebugTextToUtf8(FNames[Index]) : std::string();
}

bool TJclTD32InfoParser::FindModule(uint32_t Offset, const TJclTD32ModuleInfo*& AModule) const {
  for (const auto& module : FModules)
    for (size_t i = 0; i < module->SegmentCount(); ++i) {
      const TSegmentInfo segment = module->Segment(i);
      // The end is included.
      if (segment.Flags == 1 && segment.Offset <= Offset &&
          Offset - segment.Offset <= segment.Size) {
        AModule = module.get();
        return true;
      }
    }
  return false;
}

bool TJclTD32InfoParser::FindSourceModule(uint32_t Offset,
                                          const TJclTD32SourceModuleInfo*& ASourceModule) const {
  for (const auto& sourceModule : FSourceModules)
    for (size_t i = 0; i < sourceModule->SegmentCount(); ++i) {
      const TOffsetPair range = sourceModule->Segment(i);
      if (range.StartOffset <= Offset && Offset < range.EndOffset) {
        ASourceModule = sourceModule.get();
        return true;
      }
    }
  return false;
}

bool TJclTD32InfoParser::FindProc(uint32_t Offset, const TJclTD32ProcSymbolInfo*& AProc) const {
  for (const TJclTD32ProcSymbolInfo* proc : FProcSymbols)
    // Compared as a distance, so a procedure ending past 4 GB does not wrap around.
    if (proc->Offset() <= Offset && Offset - proc->Offset() < proc->Size()) {
      AProc = proc;
      return true;
    }
  return false;
}

std::string TJclTD32InfoScanner::ModuleNameFromAddr(uint32_t Addr) const {
  const TJclTD32ModuleInfo* module;
  return FindModule(Addr, module) ? Names(module->NameIndex()) : std::string();
}

std::string TJclTD32InfoScanner::ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const TJclTD32ProcSymbolInfo* proc;
  if (!FindProc(Addr, proc)) return {};
  Offset = int32_t(Addr - proc->Offset());
  return ShortProcName(Names(proc->NameIndex()));
}

int32_t TJclTD32InfoScanner::LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const TJclTD32SourceModuleInfo* sourceModule;
  const TJclTD32LineInfo* line;
  if (!FindSourceModule(Addr, sourceModule) || !sourceModule->FindLine(Addr, line)) return 0;
  Offset = int32_t(Addr - line->Offset());
  return int32_t(line->LineNo());
}

std::string TJclTD32InfoScanner::SourceNameFromAddr(uint32_t Addr) const {
  const TJclTD32SourceModuleInfo* sourceModule;
  return FindSourceModule(Addr, sourceModule) ? Names(sourceModule->NameIndex()) : std::string();
}

std::string TJclTD32InfoScanner::ShortProcName(const std::string& ProcName) {
  if (ProcName.empty() || ProcName[0] != '@') return ProcName;
  const size_t unitEnd = ProcName.find('@', 1);
  if (unitEnd == std::string::npos) return ProcName;
  std::string result = ProcName.substr(unitEnd + 1);
  for (size_t i = 0; i < result.size(); ++i)
    if (result[i] == '@' && (i == 0 || ProcName[unitEnd + i] != '@')) result[i] = '.';
  return result;
}

TJclPeBorTD32Image::TJclPeBorTD32Image(const std::string& ModuleFileName)
    : FTD32File(TD32FileName(ModuleFileName)) {
  auto scanner = std::make_unique<TJclTD32InfoScanner>(FTD32File.Data());
  if (scanner->ValidData()) FTD32Scanner = std::move(scanner);
}

std::string TJclPeBorTD32Image::TD32FileName(const std::string& ModuleFileName) {
  return ModuleFileName.substr(0, ModuleFileName.size() - ExtractFileExt(ModuleFileName).size()) +
         ".tds";
}

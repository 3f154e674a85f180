#include "JclDebug_map.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "JclDebugInfo.h"
#include "JclDebug_elf.h"

namespace {

bool IsBlank(char c) {
  return uint8_t(c) <= 32;
}
bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(uint8_t(text[i])) != std::tolower(uint8_t(prefix[i]))) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The four words that make a line the heading of a table, in the order they must appear.
using THeaderKeywords = std::array<std::string_view, 4>;
constexpr THeaderKeywords SegmentClassesHeader = {"Start", "Length", "Name", "Class"};
constexpr THeaderKeywords DetailedSegmentsHeader = {"Detailed", "map", "of", "segments"};
constexpr THeaderKeywords PublicsByNameHeader = {"Address", "Publics", "by", "Name"};
constexpr THeaderKeywords PublicsByValueHeader = {"Address", "Publics", "by", "Value"};
constexpr std::string_view LineNumbersPrefix = "Line numbers for";

bool IsHeaderLine(std::string_view line, const THeaderKeywords& keywords) {
  size_t previous = 0;
  for (size_t i = 0; i < keywords.size(); ++i) {
    const size_t pos = line.find(keywords[i]);
    if (pos == std::string_view::npos || (i > 0 && pos <= previous)) return false;
    previous = pos;
  }
  return true;
}

// The last entry at or below Addr in a table sorted by VA, or null.
template <typename TEntry>
const TEntry* FindNearest(const std::vector<TEntry>& entries, uint32_t Addr) {
  auto above = std::upper_bound(entries.begin(), entries.end(), Addr,
                                [](uint32_t a, const TEntry& entry) { return a < entry.VA; });
  return above == entries.begin() ? nullptr : &*(above - 1);
}

template <typename TEntry, typename TKey>
void SortBy(std::vector<TEntry>& entries, TKey key) {
  std::stable_sort(entries.begin(), entries.end(),
                   [key](const TEntry& a, const TEntry& b) { return a.*key < b.*key; });
}

}  // namespace

// Reading position in the mapped text; no operation moves past its end.
class TJclAbstractMapParser::TCursor {
 public:
  TCursor(const char* begin, const char* end) : FPos(begin), FEnd(end) {}

  PJclMapString Position() const { return FPos; }
  bool AtDigit() const { return FPos < FEnd && IsDigit(*FPos); }
  bool StartsWith(std::string_view text) const {
    return size_t(FEnd - FPos) >= text.size() && std::string_view(FPos, text.size()) == text;
  }
  void Advance(size_t count) { FPos += std::min(count, size_t(FEnd - FPos)); }

  void SkipWhiteSpace() {
    while (FPos < FEnd && IsBlank(*FPos)) ++FPos;
  }
  void SkipSpacesInLine() {
    while (FPos < FEnd && IsBlank(*FPos) && !IsLineBreak(*FPos)) ++FPos;
  }
  void SkipEndOfLine() {
    FPos = LineEnd();
    SkipWhiteSpace();
  }

  // Digits accumulate with wrap-around, so an absurd number costs nothing but its value.
  uint32_t ReadHexValue() {
    uint32_t value = 0;
    for (int digit; FPos < FEnd && (digit = HexDigitValue(*FPos)) >= 0; ++FPos)
      value = value << 4 | uint32_t(digit);
    if (FPos < FEnd && (*FPos == 'H' || *FPos == 'h')) ++FPos;
    return value;
  }
  uint32_t ReadDecValue() {
    uint32_t value = 0;
    for (; FPos < FEnd && IsDigit(*FPos); ++FPos) value = value * 10 + uint32_t(*FPos - '0');
    return value;
  }
  TJclMapAddress ReadAddress() {
    TJclMapAddress address;
    address.Segment = uint16_t(ReadHexValue());
    if (FPos < FEnd && *FPos == ':') {
      ++FPos;
      address.Offset = ReadHexValue();
    }
    return address;
  }
  PJclMapString ReadString() {
    SkipWhiteSpace();
    const char* start = FPos;
    while (FPos < FEnd && !IsBlank(*FPos)) ++FPos;
    return start;
  }

  // Moves past "X=" within the current line; false, without moving, when the line has none.
  bool FindParameter(char name) {
    const char* lineEnd = LineEnd();
    for (const char* p = FPos; p + 1 < lineEnd; ++p)
      if (p[0] == name && p[1] == '=') {
        FPos = p + 2;
        return true;
      }
    return false;
  }
  // The first occurrence of c in the current line, or null.
  PJclMapString FindInLine(char c) const {
    const char* lineEnd = LineEnd();
    const char* found = std::find(FPos, lineEnd, c);
    return found == lineEnd ? nullptr : found;
  }

  // Moves to the first entry of the next table headed by keywords; false at the end of text.
  bool FindHeader(const THeaderKeywords& keywords) {
    while (FPos < FEnd) {
      const char* lineEnd = LineEnd();
      const bool found = IsHeaderLine(TrimBlanks({FPos, size_t(lineEnd - FPos)}), keywords);
      FPos = lineEnd;
      if (found) {
        SkipWhiteSpace();
        return true;
      }
      while (FPos < FEnd && IsLineBreak(*FPos)) ++FPos;
    }
    return false;
  }

 private:
  const char* LineEnd() const {
    return std::find_if(FPos, FEnd, [](char c) { return IsLineBreak(c); });
  }

  const char* FPos;
  const char* FEnd;
};

TJclAbstractMapParser::TJclAbstractMapParser(const std::string& MapFileName, uintptr_t Module)
    : FStream(MapFileName), FModule(Module) {
  const auto data = FStream.Data();
  FText = {reinterpret_cast<const char*>(data.data()), data.size()};
}

TJclAbstractMapParser::TJclAbstractMapParser(std::span<const char> MapText, uintptr_t Module)
    : FText(MapText), FModule(Module) {}

void TJclAbstractMapParser::Parse() {
  FLinkerBug = false;
  if (FText.empty()) return;
  // Each table is searched from where the one before ended, in the linker's order.
  TCursor cursor(FText.data(), FText.data() + FText.size());
  ParseSegmentClasses(cursor);
  ParseDetailedSegments(cursor);
  ParsePublicsByName(cursor);
  ParsePublicsByValue(cursor);
  ParseLineNumbers(cursor);
}

void TJclAbstractMapParser::ParseSegmentClasses(TCursor& cursor) {
  if (!cursor.FindHeader(SegmentClassesHeader)) return;
  while (cursor.AtDigit()) {
    const TJclMapAddress address = cursor.ReadAddress();
    cursor.SkipWhiteSpace();
    const uint32_t length = cursor.ReadHexValue();
    const PJclMapString sectionName = cursor.ReadString();
    const PJclMapString className = cursor.ReadString();
    cursor.SkipEndOfLine();
    OnSegmentClass(address, length, sectionName, className);
  }
}

void TJclAbstractMapParser::ParseDetailedSegments(TCursor& cursor) {
  if (!cursor.FindHeader(DetailedSegmentsHeader)) return;
  while (cursor.AtDigit()) {
    const TJclMapAddress address = cursor.ReadAddress();
    cursor.SkipWhiteSpace();
    const uint32_t length = cursor.ReadHexValue();
    // A line without its class or unit parameter is passed over.
    const PJclMapString className = cursor.FindParameter('C') ? cursor.ReadString() : nullptr;
    const PJclMapString unitName =
        className && cursor.FindParameter('M') ? cursor.ReadString() : nullptr;
    cursor.SkipEndOfLine();
    if (unitName) OnSegment(address, length, unitName, className);
  }
}

void TJclAbstractMapParser::ParsePublicsByName(TCursor& cursor) {
  if (!cursor.FindHeader(PublicsByNameHeader)) return;
  while (cursor.AtDigit()) {
    const TJclMapAddress address = cursor.ReadAddress();
    const PJclMapString name = cursor.ReadString();
    cursor.SkipEndOfLine();
    OnPublicByName(address, name);
  }
}

void TJclAbstractMapParser::ParsePublicsByValue(TCursor& cursor) {
  if (!cursor.FindHeader(PublicsByValueHeader)) return;
  while (cursor.AtDigit()) {
    const TJclMapAddress address = cursor.ReadAddress();
    const PJclMapString name = cursor.ReadString();
    cursor.SkipEndOfLine();
    OnPublicByValue(address, name);
  }
}

void TJclAbstractMapParser::ParseLineNumbers(TCursor& cursor) {
  for (;;) {
    cursor.SkipWhiteSpace();
    if (!cursor.StartsWith(LineNumbersPrefix)) return;
    cursor.Advance(LineNumbersPrefix.size());
    cursor.SkipSpacesInLine();
    FLastUnitName = cursor.Position();
    FLastUnitFileName = cursor.FindInLine('(');
    cursor.SkipEndOfLine();
    OnLineNumberUnit(FLastUnitName, FLastUnitFileName);
    while (cursor.AtDigit()) {
      const auto lineNumber = int32_t(cursor.ReadDecValue());
      cursor.SkipWhiteSpace();
      const TJclMapAddress address = cursor.ReadAddress();
      cursor.SkipWhiteSpace();
      OnLineNumber(lineNumber, address);
    }
  }
}

std::string_view TJclAbstractMapParser::RestOfLine(PJclMapString MapString) const {
  const char* begin = FText.data();
  const char* end = begin + FText.size();
  if (!MapString || MapString < begin || MapString >= end) return {};
  const char* lineEnd = std::find_if(MapString, end, [](char c) { return IsLineBreak(c); });
  return {MapString, size_t(lineEnd - MapString)};
}

std::string TJclAbstractMapParser::MapStringToStr(PJclMapString MapString,
                                                  bool IgnoreSpaces) const {
  std::string_view text = RestOfLine(MapString);
  if (!text.empty() && text.front() == '(') {
    text.remove_prefix(1);
    return DebugTextToUtf8(text.substr(0, text.find(')')));
  }
  text = text.substr(0, text.find('('));
  if (IgnoreSpaces) return DebugTextToUtf8(TrimBlanks(text));
  const auto blank = std::find_if(text.begin(), text.end(), IsBlank);
  return DebugTextToUtf8(text.substr(0, size_t(blank - text.begin())));
}

// Up to the line end or the next "name=" parameter, without the parameter name and the blanks
// before it.
std::string_view TJclAbstractMapParser::FileNamePart(PJclMapString MapString) const {
  std::string_view text = RestOfLine(MapString);
  size_t end = std::min(text.find('='), text.size());
  if (end < text.size())
    while (end > 0 && !IsBlank(text[end - 1])) --end;
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string TJclAbstractMapParser::MapStringToFileName(PJclMapString MapString) const {
  return DebugTextToUtf8(FileNamePart(MapString));
}

std::string TJclAbstractMapParser::MapStringToModuleName(PJclMapString MapString) const {
  std::string_view name = FileNamePart(MapString);
  const size_t dot = name.find_last_of(".|");
  if (dot != std::string_view::npos) {
    // The extension as it stands in the text, with the character after it.
    const std::string_view extension = RestOfLine(MapString + dot);
    const bool endsThere = extension.size() == 4 || (extension.size() > 4 && IsBlank(extension[4]));
    if (endsThere && (StartsWithNoCase(extension, ".pas") || StartsWithNoCase(extension, ".obj")))
      name = name.substr(0, dot);
  }
  // Paths as the linker wrote them ("\" or "|") or as they are written here ("/").
  const size_t separator = name.find_last_of("|\\/");
  if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
  return DebugTextToUtf8(name);
}

TJclMapScanner::TJclMapScanner(const std::string& MapFileName, uintptr_t Module)
    : TJclAbstractMapParser(MapFileName, Module) {
  Scan();
}

TJclMapScanner::TJclMapScanner(std::span<const char> MapText, uintptr_t Module)
    : TJclAbstractMapParser(MapText, Module) {
  Scan();
}

void TJclMapScanner::Scan() {
  FLineNumberErrors = 0;
  Parse();
  FModuleFile.reset();
  SortBy(FLineNumbers, &TJclMapLineNumber::VA);
  SortBy(FProcNames, &TJclMapProcName::VA);
  SortBy(FSegments, &TJclMapSegment::StartVA);
  SortBy(FSourceNames, &TJclMapProcName::VA);
}

std::string TJclMapScanner::MapStringCacheToStr(const TJclMapStringCache& MapString,
                                                bool IgnoreSpaces) const {
  if (MapString.CachedValue.empty())
    MapString.CachedValue = MapStringToStr(MapString.RawValue, IgnoreSpaces);
  return MapString.CachedValue;
}

std::string TJclMapScanner::MapStringCacheToFileName(const TJclMapStringCache& MapString) const {
  if (MapString.CachedValue.empty())
    MapString.CachedValue = MapStringToFileName(MapString.RawValue);
  return MapString.CachedValue;
}

std::string TJclMapScanner::MapStringCacheToModuleName(const TJclMapStringCache& MapString) const {
  if (MapString.CachedValue.empty())
    MapString.CachedValue = MapStringToModuleName(MapString.RawValue);
  return MapString.CachedValue;
}

// Offsets count from the start of the first segment class.
uint32_t TJclMapScanner::MapOffsetToCodeOffset(uint32_t Offset) const {
  if (FSegmentClasses.empty()) return Offset;
  const uint32_t start = FSegmentClasses.front().Start;
  return start != 0 && Offset >= start ? Offset - start : Offset;
}

bool TJclMapScanner::IsThreadVarClass(const TJclMapSegmentClass& SegmentClass) const {
  return StartsWithNoCase(RestOfLine(SegmentClass.GroupName.RawValue), "TLS");
}

// Thread variables keep their offset inside the thread's block.
uint32_t TJclMapScanner::ClassCodeOffset(const TJclMapSegmentClass& SegmentClass,
                                         const TJclMapAddress& Address) const {
  if (IsThreadVarClass(SegmentClass)) return Address.Offset;
  return MapOffsetToCodeOffset(SegmentClass.Start) + Address.Offset;
}

const TJclMapSegmentClass* TJclMapScanner::FindSegmentClass(const TJclMapAddress& Address) const {
  for (const TJclMapSegmentClass& segmentClass : FSegmentClasses)
    if (segmentClass.Segment == Address.Segment && segmentClass.Len > Address.Offset)
      return &segmentClass;
  return nullptr;
}

void TJclMapScanner::OnSegmentClass(const TJclMapAddress& Address, uint32_t Len,
                                    PJclMapString SectionName, PJclMapString GroupName) {
  TJclMapSegmentClass segmentClass;
  segmentClass.Segment = Address.Segment;
  segmentClass.Start = Address.Offset;
  segmentClass.Addr = Address.Offset;
  segmentClass.Len = Len;
  segmentClass.SectionName.RawValue = SectionName;
  segmentClass.GroupName.RawValue = GroupName;
  segmentClass.VA =
      IsThreadVarClass(segmentClass) ? Address.Offset : MapOffsetToCodeOffset(Address.Offset);
  if (Module() != 0) PlaceInModule(segmentClass);
  FSegmentClasses.push_back(std::move(segmentClass));
}

void TJclMapScanner::PlaceInModule(TJclMapSegmentClass& SegmentClass) {
  if (!FModuleFile) FModuleFile = std::make_unique<TJclMappedFile>(ModuleFileName(Module()));
  const TJclElfImage image(FModuleFile->Data());
  std::optional<uint64_t> address =
      image.SectionAddress(MapStringCacheToStr(SegmentClass.SectionName));
  if (!address) address = image.SectionAddress(MapStringCacheToStr(SegmentClass.GroupName));
  if (!address) return;
  SegmentClass.Addr = Module() + *address;
  SegmentClass.VA = uint32_t(*address);
}

void TJclMapScanner::OnSegment(const TJclMapAddress& Address, uint32_t Len, PJclMapString UnitName,
                               PJclMapString) {
  const TJclMapSegmentClass* segmentClass = FindSegmentClass(Address);
  if (!segmentClass) return;
  TJclMapSegment segment;
  segment.Segment = Address.Segment;
  segment.StartVA = ClassCodeOffset(*segmentClass, Address);
  // An absurd length ends the range at the top of the address space instead of wrapping.
  segment.EndVA = segment.StartVA + std::min(Len, UINT32_MAX - segment.StartVA);
  segment.UnitName.RawValue = UnitName;
  segment.UnitFileName.RawValue = UnitName;
  FSegments.push_back(std::move(segment));
}

void TJclMapScanner::OnPublicByName(const TJclMapAddress&, PJclMapString) {}

void TJclMapScanner::OnPublicByValue(const TJclMapAddress& Address, PJclMapString Name) {
  const TJclMapSegmentClass* segmentClass = FindSegmentClass(Address);
  if (!segmentClass) return;
  TJclMapProcName procName;
  procName.Segment = Address.Segment;
  procName.VA = ClassCodeOffset(*segmentClass, Address);
  procName.ProcName.RawValue = Name;
  FProcNames.push_back(std::move(procName));
}

void TJclMapScanner::OnLineNumberUnit(PJclMapString, PJclMapString UnitFileName) {
  FNewUnitFileName = UnitFileName;
}

void TJclMapScanner::OnLineNumber(int32_t LineNumber, const TJclMapAddress& Address) {
  uint32_t codeOffset = 0;
  for (const TJclMapSegmentClass& segmentClass : FSegmentClasses) {
    if (segmentClass.Segment != Address.Segment || segmentClass.Len <= Address.Offset) continue;
    codeOffset = ClassCodeOffset(segmentClass, Address);
    if (codeOffset != 0) break;
  }
  if (codeOffset == 0) {
    ++FLineNumberErrors;
    return;
  }
  FLineNumbers.push_back({Address.Segment, codeOffset, LineNumber});
  // A source file starts at its first line entry.
  if (FNewUnitFileName) {
    TJclMapProcName sourceName;
    sourceName.Segment = Address.Segment;
    sourceName.VA = codeOffset;
    sourceName.ProcName.RawValue = FNewUnitFileName;
    FSourceNames.push_back(std::move(sourceName));
    FNewUnitFileName = nullptr;
  }
}

const TJclMapSegment* TJclMapScanner::FindSegment(uint32_t Addr) const {
  for (auto segment = FSegments.rbegin(); segment != FSegments.rend(); ++segment)
    if (segment->StartVA <= Addr && Addr < segment->EndVA) return &*segment;
  return nullptr;
}

uint32_t TJclMapScanner::ModuleStartFromAddr(uint32_t Addr) const {
  const TJclMapSegment* segment = FindSegment(Addr);
  return segment ? segment->StartVA : 0xFFFFFFFF;
}

std::string TJclMapScanner::ModuleNameFromAddr(uint32_t Addr) const {
  const TJclMapSegment* segment = FindSegment(Addr);
  return segment ? MapStringCacheToModuleName(segment->UnitName) : std::string();
}

std::string TJclMapScanner::ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const uint32_t unitStart = ModuleStartFromAddr(Addr);
  const TJclMapProcName* procName = FindNearest(FProcNames, Addr);
  if (!procName || procName->VA < unitStart) return {};
  Offset = int32_t(Addr - procName->VA);
  return MapStringCacheToStr(procName->ProcName, true);
}

int32_t TJclMapScanner::LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const uint32_t unitStart = ModuleStartFromAddr(Addr);
  const TJclMapLineNumber* lineNumber = FindNearest(FLineNumbers, Addr);
  if (!lineNumber || lineNumber->VA < unitStart) return 0;
  Offset = int32_t(Addr - lineNumber->VA);
  return lineNumber->LineNumber;
}

std::string TJclMapScanner::SourceNameFromAddr(uint32_t Addr) const {
  const uint32_t unitStart = ModuleStartFromAddr(Addr);
  const TJclMapProcName* sourceName = FindNearest(FSourceNames, Addr);
  if (sourceName && sourceName->VA >= unitStart) {
    std::string name = MapStringCacheToStr(sourceName->ProcName);
    if (!name.empty()) return name;
  }
  const TJclMapSegment* segment = FindSegment(Addr);
  return segment ? MapStringCacheToFileName(segment->UnitFileName) : std::string();
}

#include "JclDebug_binary.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "FileUtils.h"

namespace {

uint32_t ReadLE32(std::span<const uint8_t> data, size_t offset) {
  return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
         uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
}

// Reads packed numbers from one position on, never past the end of the data.
class TPackedReader {
 public:
  TPackedReader(std::span<const uint8_t> data, size_t offset) : FData(data), FPos(offset) {}

  // One to five bytes, 7 bits each, low bits first; bits beyond 32 are lost. nullopt when the
  // data ends first or the fifth byte still asks for more.
  std::optional<uint32_t> Next() {
    uint32_t value = 0;
    for (int shift = 0; shift <= 28; shift += 7) {
      if (FPos >= FData.size()) return std::nullopt;
      const uint8_t byte = FData[FPos++];
      value |= uint32_t(byte & 0x7F) << shift;
      if (!(byte & 0x80)) return value;
    }
    return std::nullopt;
  }

 private:
  std::span<const uint8_t> FData;
  size_t FPos;
};

char PackedCodeChar(uint8_t code) {
  if (code <= 10) return char('0' + code - 1);
  if (code <= 36) return char('A' + code - 11);
  if (code <= 62) return char('a' + code - 37);
  return '_';
}

// 6-bit characters from offset on, least significant bit first, up to code 0, the end of the
// data or the name's length limit.
void UnpackCharacters(std::span<const uint8_t> data, size_t offset, std::string& name) {
  uint32_t bits = 0;
  int bitCount = 0;
  while (name.size() < MaxPackedNameLength) {
    if (bitCount < 6) {
      if (offset >= data.size()) return;
      bits |= uint32_t(data[offset++]) << bitCount;
      bitCount += 8;
    }
    const uint8_t code = bits & 0x3F;
    bits >>= 6;
    bitCount -= 6;
    if (code == 0) return;
    name += PackedCodeChar(code);
  }
}

// Length of the UTF-8 sequence a lead byte starts, 1 for bytes that start none.
size_t Utf8SequenceLength(uint8_t lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

void CheckUtf8NotCutOff(const std::string& text) {
  size_t start = text.size();
  while (start > 0 && (uint8_t(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const size_t lead = start - 1;
  const size_t wanted = Utf8SequenceLength(uint8_t(text[lead]));
  if (wanted > 1 && text.size() - lead < wanted)
    throw EJclBinDebugError("Debug name ends inside a UTF-8 sequence");
}

std::string UnmaskName(std::span<const uint8_t> data, size_t offset) {
  const auto* start = data.data() + std::min(offset, data.size());
  const auto* end =
      static_cast<const uint8_t*>(std::memchr(start, 0, data.data() + data.size() - start));
  std::string name(reinterpret_cast<const char*>(start),
                   (end ? end : data.data() + data.size()) - start);
  for (char& c : name)
    if (uint8_t(c) != NameMask) c = char(uint8_t(c) ^ NameMask);
  CheckUtf8NotCutOff(name);
  return name;
}

std::string UnpackName(std::span<const uint8_t> data, size_t offset) {
  std::string name;
  switch (data[offset]) {
    case NameFormMasked:
      return UnmaskName(data, offset + 1);
    case NameFormPackedWithAt:
      name = "@";
      UnpackCharacters(data, offset + 1, name);
      return name;
    default:
      UnpackCharacters(data, offset, name);
      return name;
  }
}

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  return text;
}

}  // namespace

uint32_t JclDbgCheckSum(std::span<const uint8_t> data) {
  uint32_t sum = 0;
  for (size_t offset = 0; offset + 4 <= data.size(); offset += 4) sum += ReadLE32(data, offset);
  // The field spans the words at 28 and 32, so it adds in rotated left by 8 bits.
  if (data.size() >= JclDbgHeaderSize) sum -= std::rotl(ReadLE32(data, jhCheckSum), 8);
  return sum;
}

TJclBinDebugScanner::TJclBinDebugScanner(std::span<const uint8_t> AStream, bool /*CacheData*/)
    : FStream(AStream) {
  FValidFormat = CheckFormat() && DecodeTables();
  if (!FValidFormat) ForgetTables();
}

void TJclBinDebugScanner::ForgetTables() {
  FUnits = {};
  FSourceNames = {};
  FProcNames = {};
  FProcSuffixMin = {};
  FLineNumbers = {};
  FLineSuffixMin = {};
}

uint32_t TJclBinDebugScanner::HeaderValue(size_t field) const {
  return ReadLE32(FStream, field);
}

bool TJclBinDebugScanner::CheckFormat() const {
  if (FStream.data() == nullptr || FStream.size() <= JclDbgHeaderSize || FStream.size() % 4 != 0)
    return false;
  if (HeaderValue(jhSignature) != JclDbgDataSignature || FStream[jhVersion] != JclDbgHeaderVersion)
    return false;
  if (FStream[jhHasCheckSum] == 0) return true;
  const uint32_t checkSum = HeaderValue(jhCheckSum);
  uint32_t sum = 0u - checkSum;
  for (size_t offset = 0; offset < FStream.size(); offset += 4) sum += ReadLE32(FStream, offset);
  return std::rotr(sum, 8) == checkSum;
}

bool TJclBinDebugScanner::DecodeTables() {
  return DecodeStartTable(HeaderValue(jhUnitsOffset), FUnits) &&
         DecodeStartTable(HeaderValue(jhSourceNamesOffset), FSourceNames) &&
         DecodeProcNames(HeaderValue(jhSymbolsOffset)) &&
         DecodeLineNumbers(HeaderValue(jhLineNumbersOffset));
}

namespace {

// Walks a table of entries with fieldCount running totals each; visit gets the totals of every
// entry. False when the table does not end with the end marker inside the data.
template <size_t fieldCount, class Visit>
bool WalkTable(std::span<const uint8_t> data, uint32_t offset, Visit&& visit) {
  if (offset >= data.size()) return false;
  TPackedReader reader(data, offset);
  uint32_t totals[fieldCount] = {};
  for (;;) {
    const std::optional<uint32_t> first = reader.Next();
    if (!first) return false;
    if (*first == JclDbgEndMarker) return true;
    totals[0] += *first;
    for (size_t field = 1; field < fieldCount; ++field) {
      const std::optional<uint32_t> difference = reader.Next();
      if (!difference) return false;
      totals[field] += *difference;
    }
    visit(totals);
  }
}

template <class Entry, class StartOf>
std::vector<uint32_t> SuffixMinimum(const std::vector<Entry>& entries, StartOf&& startOf) {
  std::vector<uint32_t> result(entries.size());
  uint32_t minimum = UINT32_MAX;
  for (size_t i = entries.size(); i-- > 0;) {
    minimum = std::min(minimum, startOf(entries[i]));
    result[i] = minimum;
  }
  return result;
}

}  // namespace

bool TJclBinDebugScanner::DecodeStartTable(uint32_t offset, TStartTable& table) const {
  const bool complete = WalkTable<2>(FStream, offset, [&](const uint32_t* totals) {
    table.Entries.push_back({totals[0], int32_t(totals[1])});
  });
  if (!complete) return false;
  uint32_t maximum = 0;
  table.PrefixMax.reserve(table.Entries.size());
  for (const TStartEntry& entry : table.Entries) {
    maximum = std::max(maximum, entry.Start);
    table.PrefixMax.push_back(maximum);
  }
  return true;
}

bool TJclBinDebugScanner::DecodeProcNames(uint32_t offset) {
  const bool complete = WalkTable<3>(FStream, offset, [&](const uint32_t* totals) {
    FProcNames.push_back({totals[0], int32_t(totals[1]), int32_t(totals[2])});
  });
  FProcSuffixMin = SuffixMinimum(FProcNames, [](const TJclBinDbgNameCache& e) { return e.Addr; });
  return complete;
}

bool TJclBinDebugScanner::DecodeLineNumbers(uint32_t offset) {
  const bool complete = WalkTable<2>(FStream, offset, [&](const uint32_t* totals) {
    FLineNumbers.push_back({0, totals[0], int32_t(totals[1])});
  });
  FLineSuffixMin = SuffixMinimum(FLineNumbers, [](const TJclMapLineNumber& e) { return e.VA; });
  return complete;
}

size_t TJclBinDebugScanner::FirstAbove(const TStartTable& table, uint32_t Addr) {
  return std::upper_bound(table.PrefixMax.begin(), table.PrefixMax.end(), Addr) -
         table.PrefixMax.begin();
}

ptrdiff_t TJclBinDebugScanner::LastAtOrBelow(const std::vector<uint32_t>& suffixMin,
                                             uint32_t Addr) {
  // suffixMin never decreases: the entries at or below Addr form a prefix of it.
  return std::upper_bound(suffixMin.begin(), suffixMin.end(), Addr) - suffixMin.begin() - 1;
}

std::string TJclBinDebugScanner::NameFromRef(int32_t R) const {
  if (R == 0) return {};
  const uint64_t offset = uint64_t(HeaderValue(jhWordsOffset)) + uint32_t(R) - 1;
  if (offset >= FStream.size()) return {};
  return UnpackName(FStream, size_t(offset));
}

std::string TJclBinDebugScanner::ModuleName() const {
  return FValidFormat ? NameFromRef(int32_t(HeaderValue(jhModuleNameRef))) : std::string();
}

bool TJclBinDebugScanner::IsModuleNameValid(const std::string& Name) const {
  std::string baseName = ExtractFileName(Name);
  baseName.resize(baseName.size() - ExtractFileExt(baseName).size());
  return LowerAscii(ModuleName()) == LowerAscii(baseName);
}

size_t TJclBinDebugScanner::UnitsAbove(uint32_t Addr) const {
  // The four lookups of one location all ask for the same address.
  if (Addr != FLastUnitAddr || !FLastUnitValid) {
    FLastUnitAbove = FirstAbove(FUnits, Addr);
    FLastUnitAddr = Addr;
    FLastUnitValid = true;
  }
  return FLastUnitAbove;
}

uint32_t TJclBinDebugScanner::ModuleStartFromAddr(uint32_t Addr) const {
  const size_t above = UnitsAbove(Addr);
  return above == 0 ? UINT32_MAX : FUnits.Entries[above - 1].Start;
}

std::string TJclBinDebugScanner::ModuleNameFromAddr(uint32_t Addr) const {
  const size_t above = UnitsAbove(Addr);
  return above == 0 ? std::string() : NameFromRef(FUnits.Entries[above - 1].Value);
}

std::string TJclBinDebugScanner::ProcNameFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const uint32_t unitStart = ModuleStartFromAddr(Addr);
  const ptrdiff_t found = LastAtOrBelow(FProcSuffixMin, Addr);
  if (found < 0 || FProcNames[found].Addr < unitStart) return {};
  const TJclBinDbgNameCache& proc = FProcNames[found];
  Offset = int32_t(Addr - proc.Addr);
  if (proc.FirstWord == 0) return {};
  std::string name = NameFromRef(proc.FirstWord);
  if (proc.SecondWord != 0) name += "." + NameFromRef(proc.SecondWord);
  return name;
}

int32_t TJclBinDebugScanner::LineNumberFromAddr(uint32_t Addr, int32_t& Offset) const {
  Offset = 0;
  const uint32_t unitStart = ModuleStartFromAddr(Addr);
  const ptrdiff_t found = LastAtOrBelow(FLineSuffixMin, Addr);
  if (found < 0 || FLineNumbers[found].VA < unitStart) return 0;
  Offset = int32_t(Addr - FLineNumbers[found].VA);
  return FLineNumbers[found].LineNumber;
}

std::string TJclBinDebugScanner::SourceNameFromAddr(uint32_t Addr) const {
  // Only an entry that starts above Addr closes the range of the one before it.
  const size_t above = FirstAbove(FSourceNames, Addr);
  if (above == 0 || above == FSourceNames.Entries.size()) return {};
  const TStartEntry& entry = FSourceNames.Entries[above - 1];
  return entry.Start >= ModuleStartFromAddr(Addr) ? NameFromRef(entry.Value) : std::string();
}

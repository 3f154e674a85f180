#include "JclDebug_binaryWriter.h"

#include <optional>

namespace {

std::optional<uint8_t> PackedCode(char c) {
  if (c >= '0' && c <= '9') return uint8_t(c - '0' + 1);
  if (c >= 'A' && c <= 'Z') return uint8_t(c - 'A' + 11);
  if (c >= 'a' && c <= 'z') return uint8_t(c - 'a' + 37);
  if (c == '_') return uint8_t(63);
  return std::nullopt;
}

// 6-bit codes of text followed by code 0, least significant bit first; nullopt when a
// character has no code or the text is too long for the form.
std::optional<std::vector<uint8_t>> PackCharacters(const std::string& text, size_t limit) {
  if (text.empty() || text.size() > limit) return std::nullopt;
  std::vector<uint8_t> out;
  uint32_t bits = 0;
  int bitCount = 0;
  auto put = [&](uint8_t code) {
    bits |= uint32_t(code) << bitCount;
    bitCount += 6;
    while (bitCount >= 8) {
      out.push_back(uint8_t(bits));
      bits >>= 8;
      bitCount -= 8;
    }
  };
  for (char c : text) {
    const std::optional<uint8_t> code = PackedCode(c);
    if (!code) return std::nullopt;
    put(*code);
  }
  // A text of the full length ends without code 0.
  if (text.size() < limit) put(0);
  if (bitCount > 0) out.push_back(uint8_t(bits));
  return out;
}

void PutLE32(std::vector<uint8_t>& data, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) data[offset + i] = uint8_t(value >> (8 * i));
}

}  // namespace

void TJclBinDebugWriter::WritePacked(std::vector<uint8_t>& out, uint32_t value) {
  while (value >= 0x80) {
    out.push_back(uint8_t(value | 0x80));
    value >>= 7;
  }
  out.push_back(uint8_t(value));
}

std::vector<uint8_t> TJclBinDebugWriter::NameRecord(const std::string& text) {
  if (text.size() > 1 && text[0] == '@') {
    if (auto packed = PackCharacters(text.substr(1), MaxPackedNameLength - 1)) {
      packed->insert(packed->begin(), NameFormPackedWithAt);
      return *packed;
    }
  }
  // A packed record must not start with a byte that reads as a marker.
  auto packed = PackCharacters(text, MaxPackedNameLength);
  if (packed && (*packed)[0] != NameFormMasked && (*packed)[0] != NameFormPackedWithAt)
    return *packed;
  std::vector<uint8_t> record{NameFormMasked};
  for (char c : text) {
    const uint8_t byte = uint8_t(c);
    record.push_back(byte == NameMask ? byte : byte ^ NameMask);
  }
  record.push_back(0);
  return record;
}

uint32_t TJclBinDebugWriter::NameRef(const std::string& text) {
  if (text.empty()) return 0;
  auto [it, added] = FNameRefs.try_emplace(text, uint32_t(FWords.size() + 1));
  if (added) {
    const std::vector<uint8_t> record = NameRecord(text);
    FWords.insert(FWords.end(), record.begin(), record.end());
  }
  return it->second;
}

void TJclBinDebugWriter::AddUnit(uint32_t start, const std::string& name) {
  FUnits.push_back({start, NameRef(name)});
}

void TJclBinDebugWriter::AddSourceName(uint32_t start, const std::string& name) {
  FSourceNames.push_back({start, NameRef(name)});
}

void TJclBinDebugWriter::AddProcedure(uint32_t start, const std::string& firstName,
                                      const std::string& secondName) {
  FProcedures.push_back({start, NameRef(firstName), NameRef(secondName)});
}

void TJclBinDebugWriter::AddLineNumber(uint32_t start, int32_t line) {
  FLineNumbers.push_back({start, uint32_t(line)});
}

std::vector<uint8_t> TJclBinDebugWriter::Table(
    const std::vector<std::vector<uint32_t>>& entries) const {
  std::vector<uint8_t> out;
  std::vector<uint32_t> totals(entries.empty() ? 0 : entries[0].size(), 0);
  for (const std::vector<uint32_t>& entry : entries) {
    for (size_t field = 0; field < entry.size(); ++field) {
      const uint32_t difference = entry[field] - totals[field];
      if (field == 0 && difference == JclDbgEndMarker)
        throw EJclBinDebugError("Start difference collides with the end marker");
      WritePacked(out, difference);
      totals[field] = entry[field];
    }
  }
  WritePacked(out, JclDbgEndMarker);
  return out;
}

std::vector<uint8_t> TJclBinDebugWriter::Build(bool withCheckSum) {
  const uint32_t moduleNameRef = NameRef(FModuleName);
  std::vector<uint8_t> data(JclDbgHeaderSize, 0);
  auto append = [&](size_t field, const std::vector<uint8_t>& part) {
    PutLE32(data, field, uint32_t(data.size()));
    data.insert(data.end(), part.begin(), part.end());
  };
  append(jhUnitsOffset, Table(FUnits));
  append(jhSourceNamesOffset, Table(FSourceNames));
  append(jhSymbolsOffset, Table(FProcedures));
  append(jhLineNumbersOffset, Table(FLineNumbers));
  append(jhWordsOffset, FWords);
  data.resize((data.size() + 3) / 4 * 4, 0);
  PutLE32(data, jhSignature, JclDbgDataSignature);
  data[jhVersion] = JclDbgHeaderVersion;
  PutLE32(data, jhModuleNameRef, moduleNameRef);
  data[jhHasCheckSum] = withCheckSum ? 1 : 0;
  if (withCheckSum) PutLE32(data, jhCheckSum, JclDbgCheckSum(data));
  return data;
}

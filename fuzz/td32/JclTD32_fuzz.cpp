// Any bytes are either invalid TD32 data or parse within them; every lookup stays inside them.
// The fuzzer's inputs rarely carry both signatures, so every input is also tried framed by a
// valid start and end signature.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "JclTD32.h"

namespace {

void LookUp(const TJclTD32InfoScanner& scanner, uint32_t addr) {
  int32_t offset;
  scanner.ModuleNameFromAddr(addr);
  scanner.ProcNameFromAddr(addr, offset);
  scanner.LineNumberFromAddr(addr, offset);
  scanner.SourceNameFromAddr(addr);
}

void ParseAndLookUp(std::span<const uint8_t> data) {
  const TJclTD32InfoScanner scanner(data);
  for (uint32_t addr : {0u, 0x100u, 0x204u, 0xFFFFFFFFu}) LookUp(scanner, addr);
  for (size_t i = 0; i < scanner.ModuleCount() && i < 64; ++i)
    for (size_t s = 0; s < scanner.Modules(i).SegmentCount() && s < 4; ++s)
      LookUp(scanner, scanner.Modules(i).Segment(s).Offset + 4);
  for (size_t i = 0; i < scanner.ProcSymbolCount() && i < 64; ++i)
    LookUp(scanner, scanner.ProcSymbols(i).Offset());
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParseAndLookUp({data, size});
  // The first four bytes give the directory offset; the rest is the body.
  if (size < 4) return 0;
  std::vector<uint8_t> framed(size + 12);
  Put32(framed, 0, 0x39304246);
  std::copy(data, data + 4, framed.begin() + 4);
  std::copy(data + 4, data + size, framed.begin() + 8);
  Put32(framed, framed.size() - 8, 0x39304246);
  Put32(framed, framed.size() - 4, uint32_t(framed.size()));
  ParseAndLookUp(framed);
  return 0;
}

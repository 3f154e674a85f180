// Every input is either rejected by the format check or answers every lookup without reading
// outside the input; a masked name cut inside a UTF-8 sequence is the reader's one error.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "JclDebug_binary.h"

namespace {

void LookUp(const TJclBinDebugScanner& scanner, uint32_t addr) {
  try {
    int32_t offset;
    scanner.ModuleStartFromAddr(addr);
    scanner.ModuleNameFromAddr(addr);
    scanner.ProcNameFromAddr(addr, offset);
    scanner.LineNumberFromAddr(addr, offset);
    scanner.SourceNameFromAddr(addr);
  } catch (const EJclBinDebugError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that any read past it is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  const TJclBinDebugScanner scanner(bytes, true);
  if (!scanner.ValidFormat()) return 0;
  try {
    scanner.ModuleName();
    scanner.IsModuleNameValid("/usr/bin/corvane");
  } catch (const EJclBinDebugError&) {
  }
  const uint32_t probes[] = {0, 1, 0x7F, 0x100, 0x1000, 0x7FFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF};
  for (uint32_t addr : probes) LookUp(scanner, addr);
  for (size_t i = 0; i + 4 <= size && i < 64; i += 4)
    LookUp(scanner, uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 |
                        uint32_t(data[i + 3]) << 24);
  return 0;
}

// Any bytes parse as a map file; every lookup stays inside them. The addresses asked are the
// ones the text itself names, so lookups that find entries are exercised too.

#include <cstddef>
#include <cstdint>
#include <span>

#include "JclDebug_map.h"

namespace {

void LookUp(const TJclMapScanner& scanner, uint32_t addr) {
  int32_t offset;
  scanner.ModuleNameFromAddr(addr);
  scanner.ProcNameFromAddr(addr, offset);
  scanner.LineNumberFromAddr(addr, offset);
  scanner.SourceNameFromAddr(addr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TJclMapScanner scanner(std::span<const char>(reinterpret_cast<const char*>(data), size), 0);
  for (uint32_t addr : {0u, 0x10u, 0x7FFFFFFFu, 0xFFFFFFFFu}) LookUp(scanner, addr);
  for (const TJclMapSegment& segment : scanner.Segments()) LookUp(scanner, segment.StartVA + 1);
  for (const TJclMapProcName& proc : scanner.ProcNames()) LookUp(scanner, proc.VA);
  for (const TJclMapProcName& source : scanner.SourceNames()) LookUp(scanner, source.VA + 2);
  return 0;
}

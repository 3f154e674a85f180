// Writes seed TD32 data for the fuzzer into the folder given as the argument: each seed without
// its start signature and its end record, which the fuzz target adds around every input.

#include <cstdio>
#include <fstream>
#include <string>

#include "td32_writer.h"

namespace {

void WriteSeed(const std::string& fileName, const TBytes& data) {
  std::ofstream(fileName, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data() + 4), std::streamsize(data.size() - 12));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  WriteSeed(folder + "/sample.bin", WriteTD32Data(SampleDescription()));
  TTD32Writer writer;
  TBytes symbols = TTD32Writer::SymbolsSubsection();
  for (uint16_t type : {0x0003, 0x0004, 0x0009, 0x0201, 0x0208, 0x0209, 0x020B})
    TTD32Writer::AppendSymbol(symbols, type, TBytes(24, 1));
  writer.AddSubsection(0x0125, symbols);
  writer.AddName(std::string(300, 'n'));
  WriteSeed(folder + "/symbols.bin", writer.Build());
  return 0;
}

// Writes seed map files for the fuzzer into the folder given as the argument.

#include <cstdio>
#include <fstream>
#include <string>

#include "map_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  TDebugDescription many = SampleDescription();
  for (uint32_t i = 0; i < 40; ++i) {
    const uint32_t start = 0x400 + i * 0x40;
    many.Units.push_back({"Unit" + std::to_string(i),
                          "Unit" + std::to_string(i) + ".pas",
                          start,
                          0x40,
                          {{int32_t(i + 1), start}, {int32_t(i + 3), start + 0x10}}});
    many.Procs.push_back({"Unit" + std::to_string(i) + ".Proc", start, 0x20});
  }
  std::ofstream(folder + "/sample.map", std::ios::binary) << WriteMapText(SampleDescription());
  std::ofstream(folder + "/many.map", std::ios::binary) << WriteMapText(many);
  std::ofstream(folder + "/empty_tables.map", std::ios::binary) << WriteMapText({});
  return 0;
}

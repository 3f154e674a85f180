#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "JclDebug_binaryWriter.h"

// Raised when a module cannot be opened or carries no usable DWARF data.
class EJdbgError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EJdbgError"; }
};

// Reads the DWARF compilation units, functions and line rows of an ELF module and adds them to
// writer as units, procedures, line numbers and source names, at code offsets: virtual address
// - the lowest loadable segment's address - 0x1000 (the module base is where that segment is
// mapped). Gaps between units and after functions and line sequences get entries without a
// name, so that an address there resolves to nothing rather than to its neighbour.
void ReadDwarfInto(const std::string& moduleFile, TJclBinDebugWriter& writer);

// The name stored for a module: its file name without path and extension.
std::string ModuleNameOf(const std::string& moduleFile);

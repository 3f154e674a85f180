#include <cinttypes>

#include "FileUtils.h"
#include "JclDebugInfo.h"
#include "SysUtils.h"

namespace {

// A pointer as upper-case hexadecimal with as many digits as a pointer has.
std::string PointerText(uintptr_t value) {
  return Format("%0*" PRIXPTR, int(2 * sizeof(void*)), value);
}

// The procedure name without the unit's name in front of it, whole or without its first
// dotted component.
std::string ProcedureWithoutUnit(const TJclLocationInfo& info) {
  const std::string& unit = info.UnitName;
  const std::string& procedure = info.ProcedureName;
  if (procedure.starts_with(unit + ".")) return procedure.substr(unit.size() + 1);
  const size_t dot = unit.find('.', 1);
  if (dot == std::string::npos) return procedure;
  const std::string rest = unit.substr(dot + 1) + ".";
  return procedure.starts_with(rest) ? procedure.substr(rest.size()) : procedure;
}

std::string TextWithoutLine(const TJclLocationInfo& info, const std::string& procedure,
                            bool includeAddressOffset) {
  const std::string offset =
      includeAddressOffset ? Format(" + $%x", unsigned(info.OffsetFromProcName)) : "";
  const std::string address = PointerText(reinterpret_cast<uintptr_t>(info.Address));
  if (!info.UnitName.empty())
    return Format("[%s] %s.%s%s", address.c_str(), info.UnitName.c_str(), procedure.c_str(),
                  offset.c_str());
  return Format("[%s] %s%s", address.c_str(), procedure.c_str(), offset.c_str());
}

std::string TextWithLine(const TJclLocationInfo& info, const std::string& procedure,
                         bool includeAddressOffset, bool includeStartProcLineOffset) {
  std::string startLine;
  if (includeStartProcLineOffset) {
    TJclLocationInfo start;
    GetLocationInfo(static_cast<const char*>(info.Address) - info.OffsetFromProcName, start);
    if (start.LineNumber > 0) startLine = Format(" + %d", info.LineNumber - start.LineNumber);
  }
  std::string offset;
  if (includeAddressOffset)
    offset = info.OffsetFromLineNumber >= 0
                 ? Format(" + $%x", unsigned(info.OffsetFromLineNumber))
                 : Format(" - $%x", unsigned(-int64_t(info.OffsetFromLineNumber)));
  return Format("[%s] %s.%s (Line %u, \"%s\"%s)%s",
                PointerText(reinterpret_cast<uintptr_t>(info.Address)).c_str(),
                info.UnitName.c_str(), procedure.c_str(), unsigned(info.LineNumber),
                info.SourceName.c_str(), startLine.c_str(), offset.c_str());
}

}  // namespace

std::string LocationToText(const void* Addr, bool IncludeModuleName, bool IncludeAddressOffset,
                           bool IncludeStartProcLineOffset, bool IncludeVAddress) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(Addr);
  TJclLocationInfo info;
  std::string text;
  if (!TryGetLocationInfo(Addr, info)) {
    text = "[" + PointerText(address) + "]";
    IncludeVAddress = true;
  } else {
    const std::string procedure = ProcedureWithoutUnit(info);
    text = info.LineNumber <= 0
               ? TextWithoutLine(info, procedure, IncludeAddressOffset)
               : TextWithLine(info, procedure, IncludeAddressOffset, IncludeStartProcLineOffset);
  }
  const uintptr_t module = ModuleOfAddress(Addr);
  if (IncludeVAddress) text = "(" + PointerText(address - module - 0x1000) + ") " + text;
  if (IncludeModuleName) {
    // After the bracketed address, or after as many characters when the text starts with
    // the offset.
    const size_t position = std::min(text.size(), 2 + 2 * sizeof(void*));
    text.insert(position, Format("{%-12s}", ExtractFileName(ModuleFileName(module)).c_str()));
  }
  return text;
}

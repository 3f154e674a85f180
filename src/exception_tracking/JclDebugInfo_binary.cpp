#include "FileUtils.h"
#include "JclDebugInfo_sources.h"

std::unique_ptr<TJclDebugInfoSource> TJclDebugInfoBinary::Create(uintptr_t AModule) {
  return std::make_unique<TJclDebugInfoBinary>(AModule);
}

bool TJclDebugInfoBinary::InitializeSource() {
  const std::string fileName = FileName();
  // The section is not loaded with the module, so it is read from the module's file.
  FStream = std::make_unique<TJclMappedFile>(fileName);
  const std::optional<std::span<const uint8_t>> section =
      TJclElfImage(FStream->Data()).FindSection("JCLDEBUG");
  if (section) {
    FScanner = std::make_unique<TJclBinDebugScanner>(*section, true);
    return FScanner->ValidFormat();
  }
  const std::string companion = ChangeFileExt(fileName, ".jdbg");
  if (!FileExists(companion)) return false;
  FStream = std::make_unique<TJclMappedFile>(companion);
  FScanner = std::make_unique<TJclBinDebugScanner>(FStream->Data(), true);
  return FScanner->ValidFormat() && FScanner->IsModuleNameValid(fileName);
}

bool TJclDebugInfoBinary::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  return ScannerLocationInfo(*this, *FScanner, Addr, Info);
}

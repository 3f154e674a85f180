#include "FileUtils.h"
#include "JclDebugInfo_sources.h"

std::unique_ptr<TJclDebugInfoSource> TJclDebugInfoTD32::Create(uintptr_t AModule) {
  return std::make_unique<TJclDebugInfoTD32>(AModule);
}

bool TJclDebugInfoTD32::InitializeSource() {
  // ELF images carry no TD32 data: only a ".tds" file beside the module can.
  FImage = std::make_unique<TJclPeBorTD32Image>(FileName());
  return FImage->IsTD32DebugPresent();
}

bool TJclDebugInfoTD32::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  return ScannerLocationInfo(*this, *FImage->TD32Scanner(), Addr, Info);
}

std::unique_ptr<TJclDebugInfoSource> TJclDebugInfoMap::Create(uintptr_t AModule) {
  return std::make_unique<TJclDebugInfoMap>(AModule);
}

bool TJclDebugInfoMap::InitializeSource() {
  const std::string mapFileName = ChangeFileExt(FileName(), ".map");
  if (!FileExists(mapFileName)) return false;
  FScanner = std::make_unique<TJclMapScanner>(mapFileName, FModule);
  return true;
}

bool TJclDebugInfoMap::GetLocationInfo(const void* Addr, TJclLocationInfo& Info) {
  return ScannerLocationInfo(*this, *FScanner, Addr, Info);
}

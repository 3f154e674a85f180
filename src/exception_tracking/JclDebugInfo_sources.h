#pragma once

// The five sources of debug information, in the order the lookup tries them.

#include <memory>

#include "JclDebugInfo.h"
#include "JclDebug_binary.h"
#include "JclDebug_elf.h"
#include "JclDebug_map.h"
#include "JclDebug_mappedFile.h"
#include "JclTD32.h"

// The module's "JCLDEBUG" section, else the ".jdbg" file beside the module, read in place.
class TJclDebugInfoBinary : public TJclDebugInfoSource {
 public:
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t AModule);
  bool InitializeSource() override;
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) override;

 private:
  std::unique_ptr<TJclBinDebugScanner> FScanner;
  std::unique_ptr<TJclMappedFile> FStream;
};

// The ".tds" file beside the module.
class TJclDebugInfoTD32 : public TJclDebugInfoSource {
 public:
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t AModule);
  bool InitializeSource() override;
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) override;

 private:
  std::unique_ptr<TJclPeBorTD32Image> FImage;
};

// The ".map" file beside the module.
class TJclDebugInfoMap : public TJclDebugInfoSource {
 public:
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t AModule);
  bool InitializeSource() override;
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) override;

 private:
  std::unique_ptr<TJclMapScanner> FScanner;
};

// elfutils' libdw, loaded when first needed; without it this source never answers.
class TJclDebugInfoSymbols : public TJclDebugInfoSource {
 public:
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t AModule);
  bool InitializeSource() override;
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) override;

  // Loads the library and starts its session once; a failure to load is remembered.
  static bool InitializeDebugSymbols();
  static void CleanupDebugSymbols();
};

// The module's dynamic symbol table.
class TJclDebugInfoExports : public TJclDebugInfoSource {
 public:
  using TJclDebugInfoSource::TJclDebugInfoSource;
  static std::unique_ptr<TJclDebugInfoSource> Create(uintptr_t AModule);
  bool InitializeSource() override;
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) override;

 private:
  struct TExport {
    std::string Name;
    uintptr_t Address;
    uint64_t Size;
  };
  std::vector<TExport> FExports;  // by address
};

// The lookup the table-based sources share: nothing unless the scanner knows the unit.
template <class TScanner>
bool ScannerLocationInfo(TJclDebugInfoSource& Source, const TScanner& Scanner, const void* Addr,
                         TJclLocationInfo& Info) {
  const uint32_t offset = Source.CodeOffsetFromAddr(Addr);
  Info.UnitName = Scanner.ModuleNameFromAddr(offset);
  if (Info.UnitName.empty()) return false;
  Info.Address = const_cast<void*>(Addr);
  Info.ProcedureName = Scanner.ProcNameFromAddr(offset, Info.OffsetFromProcName);
  Info.LineNumber = Scanner.LineNumberFromAddr(offset, Info.OffsetFromLineNumber);
  Info.SourceName = Scanner.SourceNameFromAddr(offset);
  Info.DebugInfo = &Source;
  Info.BinaryFileName = Source.FileName();
  return true;
}

// The file named like the module with another extension: "libcef.so" -> "libcef.jdbg".
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);

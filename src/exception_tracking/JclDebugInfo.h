#pragma once

// Where a code address of the running process lies: module, unit, procedure, source file and
// line. The best source of debug information is chosen once per module, in a fixed order, and
// kept for the rest of the process.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TJclDebugInfoSource;

struct TJclLocationInfo {
  void* Address = nullptr;
  // For the symbol source, the source file name of the line information.
  std::string UnitName;
  std::string ProcedureName;
  int32_t OffsetFromProcName = 0;
  int32_t LineNumber = 0;
  int32_t OffsetFromLineNumber = 0;
  std::string SourceName;
  TJclDebugInfoSource* DebugInfo = nullptr;  // owned by the cache
  std::string BinaryFileName;
};

// One kind of debug information for one module (base address Module()).
class TJclDebugInfoSource {
 public:
  explicit TJclDebugInfoSource(uintptr_t AModule);
  virtual ~TJclDebugInfoSource() = default;
  TJclDebugInfoSource(const TJclDebugInfoSource&) = delete;
  TJclDebugInfoSource& operator=(const TJclDebugInfoSource&) = delete;

  uintptr_t Module() const { return FModule; }
  // Full path of the module's file, as it was when the source was created.
  const std::string& FileName() const { return FFileName; }
  // Addr - module base - 0x1000, the offset the table-based sources store.
  virtual uint32_t CodeOffsetFromAddr(const void* Addr) const;
  // True when this source has information for the module.
  virtual bool InitializeSource() = 0;
  virtual bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info) = 0;

 protected:
  uintptr_t FModule;

 private:
  std::string FFileName;
};

// The "class" of a source: creates an uninitialised source for a module.
using TJclDebugInfoSourceClass = std::unique_ptr<TJclDebugInfoSource> (*)(uintptr_t AModule);

// The debug-information cache: one source per module, in creation order.
class TJclDebugInfoList {
 public:
  bool GetLocationInfo(const void* Addr, TJclLocationInfo& Info);
  // The module's source, created with the first class that has information for it; null for
  // module 0 or when no class has any (nothing is remembered then).
  TJclDebugInfoSource* GetItemFromModule(uintptr_t Module);
  size_t Count() const { return FItems.size(); }
  TJclDebugInfoSource* Items(size_t Index) const { return FItems.at(Index).get(); }

 private:
  std::vector<std::unique_ptr<TJclDebugInfoSource>> FItems;
};

// The source-class list, by default binary, TD32, map, symbols, exports.
void RegisterDebugInfoSource(TJclDebugInfoSourceClass InfoSourceClass);
void RegisterDebugInfoSourceFirst(TJclDebugInfoSourceClass InfoSourceClass);
void UnRegisterDebugInfoSource(TJclDebugInfoSourceClass InfoSourceClass);
void NeedInfoSourceClassList();

// Fills Info for Addr; never raises: a failure inside leaves Info empty.
void GetLocationInfo(const void* Addr, TJclLocationInfo& Info);
// The same lookup; true when a source answered.
bool TryGetLocationInfo(const void* Addr, TJclLocationInfo& Info);
// Base of the loaded module whose segments hold Addr (where its lowest segment is mapped), or
// 0 for an address in no module.
uintptr_t ModuleOfAddress(const void* Addr);
// Full path of the module loaded at Module, "" for none.
std::string ModuleFileName(uintptr_t Module);
// One line describing Addr's location.
std::string LocationToText(const void* Addr, bool IncludeModuleName = false,
                           bool IncludeAddressOffset = false,
                           bool IncludeStartProcLineOffset = false, bool IncludeVAddress = false);

// Extra folders, ";"-separated, where the symbol source looks for separate debug files.
void SetSymbolSearchPath(const std::string& Path);
std::string SymbolSearchPath();

// Module end: frees the cache and the class list and closes the symbol handler. Lookups after
// it start afresh.
void EndDebugInfo();

#pragma once

// The process's loaded modules as one list, shared by every part of exception tracking that asks
// which module an address belongs to. It is taken from the loader again only when the loader
// has added or removed a module since, which its counters of additions and removals tell.

#include <link.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TAddressRange {
  uintptr_t Start = 0, End = 0;  // [Start, End)
  bool Contains(uintptr_t Addr) const { return Addr >= Start && Addr < End; }
  bool Empty() const { return End <= Start; }
};

// One loadable segment as mapped.
struct TLoadedSegment {
  TAddressRange Range;
  bool Readable = false;
  bool Executable = false;
};

struct TLoadedModule {
  std::string Name;      // as the loader reports it: empty for the executable
  std::string FileName;  // full path, the executable's included
  uintptr_t LoadBias = 0;
  TAddressRange Span;                    // lowest segment start to highest segment end
  TAddressRange Code;                    // the first executable segment
  std::vector<TLoadedSegment> Segments;  // in program-header order
  std::string BuildId;                   // lower-case hex, empty when the module has none
  // The mapped program headers; valid while the module stays loaded.
  const ElfW(Phdr) * ProgramHeaders = nullptr;
  size_t ProgramHeaderCount = 0;

  bool IsExecutable() const { return Name.empty(); }
  bool IsVdso() const { return Name.find("linux-vdso") != std::string::npos; }
  std::string_view BaseName() const;
};

class TLoadedModuleList {
 public:
  // In the loader's order: the executable first.
  const std::vector<TLoadedModule>& Modules() const { return FModules; }
  // The module with a segment that holds Addr, or null (a module's span may have gaps).
  const TLoadedModule* Holding(uintptr_t Addr) const;
  // The loader's count of additions and removals when the list was taken.
  unsigned long long Generation() const { return FAdds + FSubs; }
  bool Matches(unsigned long long Adds, unsigned long long Subs) const {
    return Adds == FAdds && Subs == FSubs;
  }

 private:
  friend class TLoadedModuleListBuilder;

  std::vector<TLoadedModule> FModules;
  // Every segment by start address, with the index of its module.
  std::vector<std::pair<TAddressRange, size_t>> FSegmentIndex;
  unsigned long long FAdds = 0, FSubs = 0;
};

// The current list, safe to call from any thread. Keep the returned pointer while using the
// list: it stays valid while held, even after a later call has replaced it (the memory of a
// module unloaded since does not).
std::shared_ptr<const TLoadedModuleList> LoadedModules();

#include "LoadedModules.h"

#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <mutex>

namespace {

constexpr char BuildIdOwner[] = "GNU";

std::string ExecutableFileName() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
  return length > 0 ? std::string(path, size_t(length)) : std::string();
}

std::string HexText(const uint8_t* Bytes, size_t Size) {
  std::string text;
  text.reserve(2 * Size);
  for (size_t i = 0; i < Size; ++i) {
    text += "0123456789abcdef"[Bytes[i] >> 4];
    text += "0123456789abcdef"[Bytes[i] & 15];
  }
  return text;
}

size_t AlignUp(size_t Value, size_t Alignment) {
  return (Value + Alignment - 1) & ~(Alignment - 1);
}

// A note segment is read in memory only where a readable loaded segment maps it.
bool IsMappedReadable(const std::vector<TLoadedSegment>& Segments, const TAddressRange& Range) {
  return std::any_of(Segments.begin(), Segments.end(), [&](const TLoadedSegment& segment) {
    return segment.Readable && Range.Start >= segment.Range.Start && Range.End <= segment.Range.End;
  });
}

// The GNU build-id note among the notes in [Start, End), as hex; bounded by the segment's size.
std::string BuildIdInNotes(uintptr_t Start, uintptr_t End, size_t Alignment) {
  uintptr_t at = Start;
  while (End - at >= sizeof(ElfW(Nhdr))) {
    ElfW(Nhdr) note;
    std::memcpy(&note, reinterpret_cast<const void*>(at), sizeof note);
    at += sizeof note;
    const size_t nameSize = AlignUp(note.n_namesz, Alignment);
    const size_t descSize = AlignUp(note.n_descsz, Alignment);
    if (nameSize > End - at || descSize > End - at - nameSize) return {};
    const auto* name = reinterpret_cast<const char*>(at);
    if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == sizeof BuildIdOwner &&
        std::memcmp(name, BuildIdOwner, sizeof BuildIdOwner) == 0)
      return HexText(reinterpret_cast<const uint8_t*>(at + nameSize), note.n_descsz);
    at += nameSize + descSize;
  }
  return {};
}

std::string BuildIdOf(const dl_phdr_info& Info, const std::vector<TLoadedSegment>& Segments) {
  for (int i = 0; i < Info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = Info.dlpi_phdr[i];
    const TAddressRange range{Info.dlpi_addr + ph.p_vaddr,
                              Info.dlpi_addr + ph.p_vaddr + ph.p_memsz};
    if (ph.p_type != PT_NOTE || !IsMappedReadable(Segments, range)) continue;
    std::string id = BuildIdInNotes(range.Start, range.End, ph.p_align == 8 ? 8 : 4);
    if (!id.empty()) return id;
  }
  return {};
}

TLoadedModule ModuleOf(const dl_phdr_info& Info) {
  TLoadedModule module;
  module.Name = Info.dlpi_name ? Info.dlpi_name : "";
  module.FileName = module.Name;
  module.LoadBias = Info.dlpi_addr;
  module.ProgramHeaders = Info.dlpi_phdr;
  module.ProgramHeaderCount = Info.dlpi_phnum;
  for (int i = 0; i < Info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = Info.dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const uintptr_t start = Info.dlpi_addr + ph.p_vaddr;
    const TLoadedSegment segment{
        {start, start + ph.p_memsz}, (ph.p_flags & PF_R) != 0, (ph.p_flags & PF_X) != 0};
    module.Span = module.Segments.empty()
                      ? segment.Range
                      : TAddressRange{std::min(module.Span.Start, segment.Range.Start),
                                      std::max(module.Span.End, segment.Range.End)};
    if (segment.Executable && module.Code.Empty()) module.Code = segment.Range;
    module.Segments.push_back(segment);
  }
  module.BuildId = BuildIdOf(Info, module.Segments);
  return module;
}

struct TListState {
  std::mutex Lock;
  std::shared_ptr<const TLoadedModuleList> Current;  // under Lock
};

// Never freed: a thread may still ask while the process ends.
TListState& State() {
  static TListState* const state = new TListState;
  return *state;
}

}  // namespace

std::string_view TLoadedModule::BaseName() const {
  const size_t slash = Name.rfind('/');
  return slash == std::string::npos ? std::string_view(Name)
                                    : std::string_view(Name).substr(slash + 1);
}

const TLoadedModule* TLoadedModuleList::Holding(uintptr_t Addr) const {
  auto above = std::upper_bound(
      FSegmentIndex.begin(), FSegmentIndex.end(), Addr,
      [](uintptr_t value, const auto& segment) { return value < segment.first.Start; });
  if (above == FSegmentIndex.begin()) return nullptr;
  --above;
  return above->first.Contains(Addr) ? &FModules[above->second] : nullptr;
}

// The one walk over the loader's modules. It stops at the first module when the loader's
// counters still match the known list.
class TLoadedModuleListBuilder {
 public:
  static std::shared_ptr<const TLoadedModuleList> Take(const TLoadedModuleList* Known) {
    TWalk walk{Known};
    dl_iterate_phdr(Visit, &walk);
    if (walk.Failure) std::rethrow_exception(walk.Failure);
    if (!walk.Fresh) return nullptr;
    TLoadedModuleList& list = *walk.Fresh;
    if (!list.FModules.empty() && list.FModules.front().IsExecutable())
      list.FModules.front().FileName = ExecutableFileName();
    for (size_t i = 0; i < list.FModules.size(); ++i)
      for (const TLoadedSegment& segment : list.FModules[i].Segments)
        list.FSegmentIndex.emplace_back(segment.Range, i);
    std::sort(list.FSegmentIndex.begin(), list.FSegmentIndex.end(),
              [](const auto& a, const auto& b) { return a.first.Start < b.first.Start; });
    return walk.Fresh;
  }

 private:
  struct TWalk {
    const TLoadedModuleList* Known;
    std::shared_ptr<TLoadedModuleList> Fresh = nullptr;  // made once the counters differ
    std::exception_ptr Failure = nullptr;
  };

  // Called by the loader with its lock held: nothing may escape from here.
  static int Visit(dl_phdr_info* Info, size_t, void* Data) {
    auto* walk = static_cast<TWalk*>(Data);
    try {
      if (!walk->Fresh) {
        if (walk->Known && walk->Known->Matches(Info->dlpi_adds, Info->dlpi_subs)) return 1;
        walk->Fresh = std::make_shared<TLoadedModuleList>();
        walk->Fresh->FAdds = Info->dlpi_adds;
        walk->Fresh->FSubs = Info->dlpi_subs;
      }
      walk->Fresh->FModules.push_back(ModuleOf(*Info));
      return 0;
    } catch (...) {
      walk->Failure = std::current_exception();
      return 1;
    }
  }
};

std::shared_ptr<const TLoadedModuleList> LoadedModules() {
  TListState& state = State();
  std::shared_ptr<const TLoadedModuleList> known;
  {
    std::lock_guard lock(state.Lock);
    known = state.Current;
  }
  // Taken outside the lock: two threads may both take a fresh list, the newer one is kept.
  std::shared_ptr<const TLoadedModuleList> fresh = TLoadedModuleListBuilder::Take(known.get());
  if (!fresh) return known;
  std::lock_guard lock(state.Lock);
  if (!state.Current || state.Current->Generation() <= fresh->Generation()) state.Current = fresh;
  return fresh;
}

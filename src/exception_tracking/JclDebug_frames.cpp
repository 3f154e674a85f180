// Exception frames from the unwind tables: for each frame on the raising thread's stack, the
// call-site record of its language-specific data (LSDA) says whether the frame has cleanups
// (efkFinally), a catch-all (efkAnyException) or typed catch clauses (efkOnException).
// Every read of the tables is checked against the loaded images' readable segments, so a
// corrupt table ends the capture early instead of faulting.

#include <unwind.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "JclDebug.h"
#include "LoadedModules.h"

namespace {

constexpr size_t MaxWalkedFrames = 4096;

// DWARF pointer encodings.
constexpr uint8_t DW_EH_PE_omit = 0xff;
constexpr uint8_t DW_EH_PE_absptr = 0x00;
constexpr uint8_t DW_EH_PE_uleb128 = 0x01;
constexpr uint8_t DW_EH_PE_udata2 = 0x02;
constexpr uint8_t DW_EH_PE_udata4 = 0x03;
constexpr uint8_t DW_EH_PE_udata8 = 0x04;
constexpr uint8_t DW_EH_PE_sleb128 = 0x09;
constexpr uint8_t DW_EH_PE_sdata2 = 0x0a;
constexpr uint8_t DW_EH_PE_sdata4 = 0x0b;
constexpr uint8_t DW_EH_PE_sdata8 = 0x0c;
constexpr uint8_t DW_EH_PE_pcrel = 0x10;
constexpr uint8_t DW_EH_PE_funcrel = 0x40;
constexpr uint8_t DW_EH_PE_indirect = 0x80;

// The memory the table readers may touch: the readable segments of every loaded image, or
// one given range.
class TReadableMemory {
 public:
  TReadableMemory(uintptr_t Start, size_t Size) : FRanges{{Start, Start + Size}} {}
  TReadableMemory() {
    const auto modules = LoadedModules();
    for (const TLoadedModule& module : modules->Modules())
      for (const TLoadedSegment& segment : module.Segments)
        if (segment.Readable) FRanges.push_back(segment.Range);
  }
  // Reads come in runs from one table: the range of the last hit is tried first.
  bool Readable(uintptr_t Addr, size_t Size) const {
    if (FLastHit < FRanges.size() && Within(FRanges[FLastHit], Addr, Size)) return true;
    for (size_t i = 0; i < FRanges.size(); ++i) {
      if (Within(FRanges[i], Addr, Size)) {
        FLastHit = i;
        return true;
      }
    }
    return false;
  }

 private:
  static bool Within(const TAddressRange& R, uintptr_t Addr, size_t Size) {
    return Addr >= R.Start && Addr <= R.End && Size <= R.End - Addr;
  }

  std::vector<TAddressRange> FRanges;
  mutable size_t FLastHit = 0;
};

// Reads the LSDA's fields; every read fails softly past readable memory.
class TLsdaReader {
 public:
  TLsdaReader(const TReadableMemory& Memory, uintptr_t At, uintptr_t RegionStart)
      : FMemory(Memory), FPos(At), FRegionStart(RegionStart) {}

  uintptr_t Pos() const { return FPos; }
  void Seek(uintptr_t Pos) { FPos = Pos; }

  std::optional<uint8_t> Byte() {
    if (!FMemory.Readable(FPos, 1)) return std::nullopt;
    return *reinterpret_cast<const uint8_t*>(FPos++);
  }

  std::optional<uint64_t> Uleb() {
    uint64_t value = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
      auto b = Byte();
      if (!b) return std::nullopt;
      value |= uint64_t{*b & 0x7fu} << shift;
      if (!(*b & 0x80)) return value;
    }
    return std::nullopt;
  }

  std::optional<int64_t> Sleb() {
    uint64_t value = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
      auto b = Byte();
      if (!b) return std::nullopt;
      value |= uint64_t{*b & 0x7fu} << shift;
      if (!(*b & 0x80)) {
        if (shift + 7 < 64 && (*b & 0x40)) value |= ~uint64_t{0} << (shift + 7);
        return static_cast<int64_t>(value);
      }
    }
    return std::nullopt;
  }

  std::optional<uintptr_t> Encoded(uint8_t Encoding) {
    const uintptr_t fieldAddr = FPos;
    std::optional<uint64_t> raw = Value(Encoding & 0x0f);
    if (!raw) return std::nullopt;
    uintptr_t result = *raw;
    if (result == 0) return result;  // null stays null whatever the application
    switch (Encoding & 0x70) {
      case DW_EH_PE_absptr:
        break;
      case DW_EH_PE_pcrel:
        result += fieldAddr;
        break;
      case DW_EH_PE_funcrel:
        result += FRegionStart;
        break;
      default:
        return std::nullopt;  // bases the unwinder does not give us
    }
    if (Encoding & DW_EH_PE_indirect) {
      if (!FMemory.Readable(result, sizeof(uintptr_t))) return std::nullopt;
      result = *reinterpret_cast<const uintptr_t*>(result);
    }
    return result;
  }

  static size_t EncodedSize(uint8_t Encoding) {
    switch (Encoding & 0x07) {
      case DW_EH_PE_udata2:
        return 2;
      case DW_EH_PE_udata4:
        return 4;
      case DW_EH_PE_udata8:
        return 8;
      case DW_EH_PE_absptr:
        return sizeof(uintptr_t);
      default:
        return 0;
    }
  }

 private:
  template <class T>
  std::optional<uint64_t> Fixed() {
    if (!FMemory.Readable(FPos, sizeof(T))) return std::nullopt;
    T value;
    std::memcpy(&value, reinterpret_cast<const void*>(FPos), sizeof(T));
    FPos += sizeof(T);
    return static_cast<uint64_t>(static_cast<int64_t>(value));
  }

  std::optional<uint64_t> Value(uint8_t Format) {
    switch (Format) {
      case DW_EH_PE_absptr:
        return Fixed<uintptr_t>();
      case DW_EH_PE_uleb128:
        return Uleb();
      case DW_EH_PE_udata2:
        return Fixed<uint16_t>();
      case DW_EH_PE_udata4:
        return Fixed<uint32_t>();
      case DW_EH_PE_udata8:
        return Fixed<uint64_t>();
      case DW_EH_PE_sleb128: {
        auto v = Sleb();
        if (!v) return std::nullopt;
        return static_cast<uint64_t>(*v);
      }
      case DW_EH_PE_sdata2:
        return Fixed<int16_t>();
      case DW_EH_PE_sdata4:
        return Fixed<int32_t>();
      case DW_EH_PE_sdata8:
        return Fixed<int64_t>();
      default:
        return std::nullopt;
    }
  }

  const TReadableMemory& FMemory;
  uintptr_t FPos;
  uintptr_t FRegionStart;
};

struct TLsdaHeader {
  uintptr_t LandingPadBase = 0;
  uint8_t TypeEncoding = DW_EH_PE_omit;
  uintptr_t TypeTableEnd = 0;
  uint8_t CallSiteEncoding = 0;
  uintptr_t CallSitesEnd = 0;  // also where the action table starts
};

std::optional<TLsdaHeader> ReadHeader(TLsdaReader& Reader, uintptr_t RegionStart) {
  TLsdaHeader header;
  auto lpEncoding = Reader.Byte();
  if (!lpEncoding) return std::nullopt;
  header.LandingPadBase = RegionStart;
  if (*lpEncoding != DW_EH_PE_omit) {
    auto base = Reader.Encoded(*lpEncoding);
    if (!base) return std::nullopt;
    header.LandingPadBase = *base;
  }
  auto typeEncoding = Reader.Byte();
  if (!typeEncoding) return std::nullopt;
  header.TypeEncoding = *typeEncoding;
  if (header.TypeEncoding != DW_EH_PE_omit) {
    auto offset = Reader.Uleb();
    if (!offset) return std::nullopt;
    header.TypeTableEnd = Reader.Pos() + *offset;
  }
  auto callSiteEncoding = Reader.Byte();
  auto callSitesLength = Reader.Uleb();
  if (!callSiteEncoding || !callSitesLength) return std::nullopt;
  header.CallSiteEncoding = *callSiteEncoding;
  header.CallSitesEnd = Reader.Pos() + *callSitesLength;
  return header;
}

// The landing pad and action index of the call site holding Ip; landing pad 0 means none.
struct TCallSite {
  uintptr_t LandingPad = 0;
  uint64_t Action = 0;
};

std::optional<TCallSite> FindCallSite(TLsdaReader& Reader, const TLsdaHeader& Header,
                                      uintptr_t RegionStart, uintptr_t Ip) {
  while (Reader.Pos() < Header.CallSitesEnd) {
    // Call-site fields are offsets: read them without applying the encoding's base.
    auto start = Reader.Encoded(Header.CallSiteEncoding & 0x0f);
    auto length = Reader.Encoded(Header.CallSiteEncoding & 0x0f);
    auto landingPad = Reader.Encoded(Header.CallSiteEncoding & 0x0f);
    auto action = Reader.Uleb();
    if (!start || !length || !landingPad || !action) return std::nullopt;
    if (Ip < RegionStart + *start) return TCallSite{};  // the table is sorted
    if (Ip < RegionStart + *start + *length)
      return TCallSite{*landingPad ? Header.LandingPadBase + *landingPad : 0, *action};
  }
  return TCallSite{};
}

std::optional<const std::type_info*> CatchType(const TReadableMemory& Memory,
                                               const TLsdaHeader& Header, int64_t Filter) {
  const size_t size = TLsdaReader::EncodedSize(Header.TypeEncoding);
  if (size == 0 || Header.TypeTableEnd == 0) return std::nullopt;
  TLsdaReader reader(Memory, Header.TypeTableEnd - static_cast<uintptr_t>(Filter) * size, 0);
  auto type = reader.Encoded(Header.TypeEncoding);
  if (!type) return std::nullopt;
  return reinterpret_cast<const std::type_info*>(*type);
}

// Follows the action chain of a call site: cleanups, a catch-all or typed clauses.
std::optional<TExcDesc> Classify(const TReadableMemory& Memory, const TLsdaHeader& Header,
                                 const TCallSite& Site) {
  TExcDesc desc;
  desc.Kind = efkFinally;
  desc.LandingPad = reinterpret_cast<void*>(Site.LandingPad);
  if (Site.Action == 0) return desc;
  TLsdaReader reader(Memory, Header.CallSitesEnd + Site.Action - 1, 0);
  for (size_t guard = 0; guard < 256; ++guard) {
    auto filter = reader.Sleb();
    const uintptr_t displacementAt = reader.Pos();
    auto displacement = reader.Sleb();
    if (!filter || !displacement) return std::nullopt;
    if (*filter > 0) {
      auto type = CatchType(Memory, Header, *filter);
      if (!type) return std::nullopt;
      if (!*type) {
        desc.Kind = efkAnyException;
        desc.ExcTab.clear();
        return desc;
      }
      desc.Kind = efkOnException;
      desc.ExcTab.push_back({*type, desc.LandingPad});
    }
    if (*displacement == 0) break;
    reader.Seek(displacementAt + static_cast<uintptr_t>(*displacement));
  }
  return desc;
}

std::optional<TExcDesc> DescribeFrame(const TReadableMemory& Memory, uintptr_t Lsda,
                                      uintptr_t RegionStart, uintptr_t Ip) {
  TLsdaReader reader(Memory, Lsda, RegionStart);
  auto header = ReadHeader(reader, RegionStart);
  if (!header) return std::nullopt;
  auto site = FindCallSite(reader, *header, RegionStart, Ip);
  if (!site) return std::nullopt;
  if (site->LandingPad == 0) return TExcDesc{};
  return Classify(Memory, *header, *site);
}

struct TFrameWalk {
  TJclExceptFrameList* List;
  std::vector<TJclExceptFrame*>* Items;
  TReadableMemory Memory;
  TJclModuleInfoList* Modules;
  void* StartAt;     // the raising frame's address, when inside a notification
  int FramesToSkip;  // else: the walker's own frames
  int IgnoreLevels;
  int Level = 0;
  size_t Walked = 0;
  bool Started = false;
};

_Unwind_Reason_Code VisitFrame(_Unwind_Context* Context, void* Arg) {
  auto* walk = static_cast<TFrameWalk*>(Arg);
  if (++walk->Walked > MaxWalkedFrames) return _URC_END_OF_STACK;
  int beforeInsn = 0;
  const uintptr_t ip = _Unwind_GetIPInfo(Context, &beforeInsn);
  if (!walk->Started) {
    walk->Started =
        walk->StartAt ? reinterpret_cast<void*>(ip) == walk->StartAt : walk->FramesToSkip-- <= 0;
    if (!walk->Started) return _URC_NO_REASON;
  }
  const uintptr_t lsda = reinterpret_cast<uintptr_t>(_Unwind_GetLanguageSpecificData(Context));
  if (lsda == 0 || ip == 0) return _URC_NO_REASON;
  const uintptr_t lookup = beforeInsn ? ip : ip - 1;
  auto desc = DescribeFrame(walk->Memory, lsda, _Unwind_GetRegionStart(Context), lookup);
  if (!desc) return _URC_END_OF_STACK;  // unreadable tables: keep what we have
  if (desc->Kind == efkUnknown) return _URC_NO_REASON;
  if (walk->Level++ < walk->IgnoreLevels) return _URC_NO_REASON;
  if (!IsValidCodeAddress(reinterpret_cast<uintptr_t>(desc->LandingPad), walk->Modules))
    return _URC_NO_REASON;
  walk->Items->push_back(
      new TJclExceptFrame(reinterpret_cast<void*>(_Unwind_GetCFA(Context)), *desc));
  return _URC_NO_REASON;
}

}  // namespace

std::optional<TExcDesc> DescribeExceptFrame(const uint8_t* Lsda, size_t Size, uintptr_t RegionStart,
                                            uintptr_t Ip) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(Lsda);
  return DescribeFrame(TReadableMemory(start, Size), start, RegionStart, Ip);
}

const char* ExceptFrameKindName(TExceptFrameKind Kind) {
  switch (Kind) {
    case efkFinally:
      return "efkFinally";
    case efkAnyException:
      return "efkAnyException";
    case efkOnException:
      return "efkOnException";
    case efkAutoException:
      return "efkAutoException";
    default:
      return "efkUnknown";
  }
}

TJclExceptFrame::TJclExceptFrame(void* AFrameLocation, const TExcDesc& AExcDesc)
    : FFrameKind(AExcDesc.Kind),
      FFrameLocation(AFrameLocation),
      FCodeLocation(AExcDesc.LandingPad),
      FExcTab(AExcDesc.Kind == efkOnException ? AExcDesc.ExcTab : std::vector<TExcDescEntry>{}) {}

bool TJclExceptFrame::HandlerInfo(const TExceptObject* ExceptObj, void*& HandlerAt) const {
  HandlerAt = nullptr;
  switch (FFrameKind) {
    case efkAnyException:
    case efkAutoException:
      HandlerAt = FCodeLocation;
      return true;
    case efkOnException:
      if (!ExceptObj) return false;
      for (const TExcDescEntry& entry : FExcTab) {
        if (entry.VTable && ExceptObj->IsA(*entry.VTable)) {
          HandlerAt = entry.Handler;
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

bool TJclExceptFrame::Handles(const TExceptObject* ExceptObj) const {
  void* handlerAt;
  return HandlerInfo(ExceptObj, handlerAt);
}

TJclExceptFrameList::TJclExceptFrameList(int AIgnoreLevels) : FIgnoreLevels(AIgnoreLevels) {
  Trace(2);  // Trace and this constructor
}

TJclExceptFrameList::~TJclExceptFrameList() {
  for (TJclExceptFrame* frame : FItems) delete frame;
}

void TJclExceptFrameList::TraceExceptionFrames() {
  Trace(2);
}

__attribute__((noinline)) void TJclExceptFrameList::Trace(int OwnFrames) {
  for (TJclExceptFrame* frame : FItems) delete frame;
  FItems.clear();
  TJclModuleInfoList* modules = GlobalModulesList()->CreateModulesList();
  try {
    TFrameWalk walk{this,      &FItems,      TReadableMemory(), modules, CurrentRaiseAddress(),
                    OwnFrames, FIgnoreLevels};
    _Unwind_Backtrace(VisitFrame, &walk);
  } catch (...) {
    GlobalModulesList()->FreeModulesList(modules);
    throw;
  }
  GlobalModulesList()->FreeModulesList(modules);
}

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The parts of a 64-bit little-endian ELF file the location lookup reads, from the file's bytes.
// Every read is bounded by them: a truncated or hostile file reads as one without the part.
class TJclElfImage {
 public:
  explicit TJclElfImage(std::span<const uint8_t> file);

  bool Valid() const { return FValid; }
  // Virtual address of the lowest loadable segment, page-aligned: where the module base lies.
  std::optional<uint64_t> LowestLoadAddress() const;
  // The content of the first section called name; nullopt when there is none or it lies
  // outside the file.
  std::optional<std::span<const uint8_t>> FindSection(std::string_view name) const;
  // The virtual address of the first loaded section called name; nullopt when there is none.
  std::optional<uint64_t> SectionAddress(std::string_view name) const;

  struct TSymbol {
    std::string_view Name;
    uint64_t Value;  // virtual address
    uint64_t Size;   // 0 when unknown
  };
  // The defined functions of the dynamic symbol table, in table order.
  std::vector<TSymbol> DynamicFunctions() const;

 private:
  struct TSection {
    uint32_t Name;
    uint32_t Type;
    uint64_t Flags;
    uint64_t Addr;
    uint64_t Offset;
    uint64_t Size;
    uint32_t Link;
    uint64_t EntrySize;
  };
  std::optional<TSection> Section(size_t index) const;
  std::optional<TSection> FindSectionHeader(std::string_view name) const;
  std::optional<std::span<const uint8_t>> Content(const TSection& section) const;
  std::string_view StringAt(std::span<const uint8_t> table, uint64_t offset) const;

  std::span<const uint8_t> FFile;
  bool FValid = false;
};

#include "JclDebug_elf.h"

#include <elf.h>

#include <cstring>

namespace {

// A copy of the T at offset, or nullopt when it does not lie wholly inside the bytes.
template <class T>
std::optional<T> ReadAt(std::span<const uint8_t> bytes, uint64_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

constexpr uint64_t PageSize = 0x1000;

}  // namespace

TJclElfImage::TJclElfImage(std::span<const uint8_t> file) : FFile(file) {
  const std::optional<Elf64_Ehdr> header = ReadAt<Elf64_Ehdr>(FFile, 0);
  FValid = header && std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 &&
           header->e_ident[EI_CLASS] == ELFCLASS64 && header->e_ident[EI_DATA] == ELFDATA2LSB;
}

std::optional<uint64_t> TJclElfImage::LowestLoadAddress() const {
  if (!FValid) return std::nullopt;
  const Elf64_Ehdr header = *ReadAt<Elf64_Ehdr>(FFile, 0);
  std::optional<uint64_t> lowest;
  for (uint64_t i = 0; i < header.e_phnum; ++i) {
    const auto segment = ReadAt<Elf64_Phdr>(FFile, header.e_phoff + i * sizeof(Elf64_Phdr));
    if (!segment) return std::nullopt;
    if (segment->p_type == PT_LOAD && (!lowest || segment->p_vaddr < *lowest))
      lowest = segment->p_vaddr & ~(PageSize - 1);
  }
  return lowest;
}

std::optional<TJclElfImage::TSection> TJclElfImage::Section(size_t index) const {
  if (!FValid) return std::nullopt;
  const Elf64_Ehdr header = *ReadAt<Elf64_Ehdr>(FFile, 0);
  if (index >= header.e_shnum) return std::nullopt;
  const auto section = ReadAt<Elf64_Shdr>(FFile, header.e_shoff + index * sizeof(Elf64_Shdr));
  if (!section) return std::nullopt;
  return TSection{section->sh_name,   section->sh_type, section->sh_flags, section->sh_addr,
                  section->sh_offset, section->sh_size, section->sh_link,  section->sh_entsize};
}

std::optional<std::span<const uint8_t>> TJclElfImage::Content(const TSection& section) const {
  if (section.Type == SHT_NOBITS || section.Offset > FFile.size() ||
      FFile.size() - section.Offset < section.Size)
    return std::nullopt;
  return FFile.subspan(section.Offset, section.Size);
}

std::string_view TJclElfImage::StringAt(std::span<const uint8_t> table, uint64_t offset) const {
  if (offset >= table.size()) return {};
  const char* start = reinterpret_cast<const char*>(table.data() + offset);
  const void* end = std::memchr(start, 0, table.size() - offset);
  return end ? std::string_view(start, static_cast<const char*>(end) - start) : std::string_view();
}

std::optional<TJclElfImage::TSection> TJclElfImage::FindSectionHeader(std::string_view name) const {
  if (!FValid) return std::nullopt;
  const Elf64_Ehdr header = *ReadAt<Elf64_Ehdr>(FFile, 0);
  const std::optional<TSection> namesSection = Section(header.e_shstrndx);
  const auto names = namesSection ? Content(*namesSection) : std::nullopt;
  if (!names) return std::nullopt;
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const std::optional<TSection> section = Section(i);
    if (section && StringAt(*names, section->Name) == name) return section;
  }
  return std::nullopt;
}

std::optional<std::span<const uint8_t>> TJclElfImage::FindSection(std::string_view name) const {
  const std::optional<TSection> section = FindSectionHeader(name);
  return section ? Content(*section) : std::nullopt;
}

std::optional<uint64_t> TJclElfImage::SectionAddress(std::string_view name) const {
  const std::optional<TSection> section = FindSectionHeader(name);
  if (!section || !(section->Flags & SHF_ALLOC)) return std::nullopt;
  return section->Addr;
}

std::vector<TJclElfImage::TSymbol> TJclElfImage::DynamicFunctions() const {
  std::vector<TSymbol> result;
  if (!FValid) return result;
  const Elf64_Ehdr header = *ReadAt<Elf64_Ehdr>(FFile, 0);
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const std::optional<TSection> section = Section(i);
    if (!section || section->Type != SHT_DYNSYM) continue;
    const std::optional<TSection> stringSection = Section(section->Link);
    const auto symbols = Content(*section);
    const auto strings = stringSection ? Content(*stringSection) : std::nullopt;
    if (!symbols || !strings) return result;
    for (uint64_t offset = 0; offset + sizeof(Elf64_Sym) <= symbols->size();
         offset += sizeof(Elf64_Sym)) {
      const Elf64_Sym symbol = *ReadAt<Elf64_Sym>(*symbols, offset);
      const unsigned type = ELF64_ST_TYPE(symbol.st_info);
      if ((type == STT_FUNC || type == STT_GNU_IFUNC) && symbol.st_shndx != SHN_UNDEF &&
          symbol.st_value != 0)
        result.push_back({StringAt(*strings, symbol.st_name), symbol.st_value, symbol.st_size});
    }
    return result;
  }
  return result;
}

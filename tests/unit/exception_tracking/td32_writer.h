#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "debug_description.h"

// Builds TD32 data from parts: subsections are appended as given, the names subsection and the
// directory come last, framed by the start and end signatures.

using TBytes = std::vector<uint8_t>;

inline void Put16(TBytes& bytes, uint32_t value) {
  bytes.push_back(uint8_t(value));
  bytes.push_back(uint8_t(value >> 8));
}
inline void Put32(TBytes& bytes, uint32_t value) {
  Put16(bytes, value & 0xFFFF);
  Put16(bytes, value >> 16);
}
inline void Set32(TBytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

constexpr uint32_t TD32SignatureFB09 = 0x39304246;

struct TTD32Segment {
  uint16_t Flags = 1;
  uint32_t Offset = 0;
  uint32_t Size = 0;
};

struct TTD32SourceSegment {
  uint32_t Start = 0;
  uint32_t End = 0;
  std::vector<TDescribedLine> Lines;
};

struct TTD32SourceFile {
  uint32_t NameIndex = 0;
  std::vector<TTD32SourceSegment> Segments;
};

class TTD32Writer {
 public:
  uint32_t AddName(const std::string& name) {
    FNames.push_back(name);
    return uint32_t(FNames.size());
  }

  void AddSubsection(uint16_t type, TBytes bytes) {
    FSubsections.push_back({type, std::move(bytes)});
  }

  void AddModule(uint32_t nameIndex, const std::vector<TTD32Segment>& segments) {
    TBytes bytes;
    Put16(bytes, 0);  // overlay
    Put16(bytes, 0);  // library
    Put16(bytes, uint32_t(segments.size()));
    Put16(bytes, 0);  // debugging style
    Put32(bytes, nameIndex);
    for (int i = 0; i < 4; ++i) Put32(bytes, 0);  // time stamp, reserved
    for (const TTD32Segment& segment : segments) {
      Put16(bytes, 1);
      Put16(bytes, segment.Flags);
      Put32(bytes, segment.Offset);
      Put32(bytes, segment.Size);
    }
    AddSubsection(0x0120, std::move(bytes));
  }

  void AddSourceModule(const std::vector<TTD32SourceFile>& files) {
    TBytes bytes;
    Put16(bytes, uint32_t(files.size()));
    Put16(bytes, 1);
    const size_t fileOffsets = bytes.size();
    for (size_t i = 0; i < files.size(); ++i) Put32(bytes, 0);
    for (size_t f = 0; f < files.size(); ++f) {
      const TTD32SourceFile& file = files[f];
      Set32(bytes, fileOffsets + 4 * f, uint32_t(bytes.size()));
      Put16(bytes, uint32_t(file.Segments.size()));
      Put32(bytes, file.NameIndex);
      const size_t tableOffsets = bytes.size();
      for (size_t s = 0; s < file.Segments.size(); ++s) Put32(bytes, 0);
      for (const TTD32SourceSegment& segment : file.Segments) {
        Put32(bytes, segment.Start);
        Put32(bytes, segment.End);
      }
      for (size_t s = 0; s < file.Segments.size(); ++s) {
        Set32(bytes, tableOffsets + 4 * s, uint32_t(bytes.size()));
        const auto& lines = file.Segments[s].Lines;
        Put16(bytes, 1);
        Put16(bytes, uint32_t(lines.size()));
        for (const TDescribedLine& line : lines) Put32(bytes, line.Offset);
        for (const TDescribedLine& line : lines) Put16(bytes, uint32_t(line.Line));
      }
    }
    AddSubsection(0x0127, std::move(bytes));
  }

  // One record: size, type, then the fields as given.
  static void AppendSymbol(TBytes& symbols, uint16_t type, const TBytes& fields) {
    Put16(symbols, uint32_t(fields.size() + 2));
    Put16(symbols, type);
    symbols.insert(symbols.end(), fields.begin(), fields.end());
  }
  static TBytes ProcFields(uint32_t offset, uint32_t size, uint32_t nameIndex) {
    TBytes fields;
    for (uint32_t value : {0u, 0u, 0u, size, 0u, size}) Put32(fields, value);
    Put32(fields, offset);
    Put16(fields, 1);  // segment
    Put32(fields, 0);  // procedure type
    fields.push_back(0);
    fields.push_back(0);
    Put32(fields, nameIndex);
    return fields;
  }
  static TBytes SymbolsSubsection() {
    TBytes bytes;
    Put32(bytes, 1);
    return bytes;
  }

  TBytes Build() const {
    TBytes data;
    Put32(data, TD32SignatureFB09);
    Put32(data, 0);
    struct TEntry {
      uint16_t Type;
      uint32_t Offset;
      uint32_t Size;
    };
    std::vector<TEntry> entries;
    auto append = [&](uint16_t type, const TBytes& bytes) {
      entries.push_back({type, uint32_t(data.size()), uint32_t(bytes.size())});
      data.insert(data.end(), bytes.begin(), bytes.end());
    };
    for (const auto& [type, bytes] : FSubsections) append(type, bytes);
    if (!FNames.empty()) append(0x0130, NamesSubsection());
    Set32(data, 4, uint32_t(data.size()));
    Put16(data, 16);
    Put16(data, 12);
    Put32(data, uint32_t(entries.size()));
    Put32(data, 0);  // next directory
    Put32(data, 0);  // flags
    for (const TEntry& entry : entries) {
      Put16(data, entry.Type);
      Put16(data, 1);
      Put32(data, entry.Offset);
      Put32(data, entry.Size);
    }
    Put32(data, TD32SignatureFB09);
    Put32(data, uint32_t(data.size() + 4));
    return data;
  }

 private:
  TBytes NamesSubsection() const {
    TBytes bytes;
    Put32(bytes, uint32_t(FNames.size()));
    for (const std::string& name : FNames) {
      bytes.push_back(uint8_t(name.size()));
      bytes.insert(bytes.end(), name.begin(), name.end());
      bytes.push_back(0);
    }
    return bytes;
  }

  std::vector<std::string> FNames;
  std::vector<std::pair<uint16_t, TBytes>> FSubsections;
};

// TD32 data saying what the description says: one module and one source file per unit, and
// every procedure as a global procedure symbol.
inline TBytes WriteTD32Data(const TDebugDescription& description) {
  TTD32Writer writer;
  for (const TDescribedUnit& unit : description.Units) {
    writer.AddModule(writer.AddName(unit.Name), {{1, unit.Start, unit.Length}});
    writer.AddSourceModule(
        {{writer.AddName(unit.SourceName), {{unit.Start, unit.Start + unit.Length, unit.Lines}}}});
  }
  TBytes symbols = TTD32Writer::SymbolsSubsection();
  for (const TDescribedProc& proc : description.Procs)
    TTD32Writer::AppendSymbol(
        symbols, 0x0205, TTD32Writer::ProcFields(proc.Start, proc.Size, writer.AddName(proc.Name)));
  writer.AddSubsection(0x0125, std::move(symbols));
  return writer.Build();
}

#pragma once

#include <cstdint>
#include <string>

// The look-ups without an offset, for a scanner that answers them with one. The scanner names
// them again with `using` so that its own overloads do not hide these.
template <class TScanner>
class TJclOffsetFreeLookups {
 public:
  std::string ProcNameFromAddr(uint32_t Addr) const {
    int32_t offset;
    return Scanner().ProcNameFromAddr(Addr, offset);
  }
  int32_t LineNumberFromAddr(uint32_t Addr) const {
    int32_t offset;
    return Scanner().LineNumberFromAddr(Addr, offset);
  }

 private:
  const TScanner& Scanner() const { return static_cast<const TScanner&>(*this); }
};

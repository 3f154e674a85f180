#pragma once

#include <cstdint>
#include <initializer_list>

// A set of values of an enumeration whose values are 0 to 31: value n is bit n.
template <class TEnum>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<TEnum> values) {
    for (const TEnum value : values) FBits |= Bit(value);
  }
  constexpr bool Contains(TEnum value) const { return (FBits & Bit(value)) != 0; }
  constexpr TSet With(TEnum value) const { return FromBits(FBits | Bit(value)); }
  constexpr TSet Without(TEnum value) const { return FromBits(FBits & ~Bit(value)); }
  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr uint32_t Bit(TEnum value) { return 1u << static_cast<unsigned>(value); }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet set;
    set.FBits = bits;
    return set;
  }
  uint32_t FBits = 0;
};

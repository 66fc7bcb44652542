// Sets of an enumeration's values, as the framework's set types are
// (TComponentState, TShiftState, TReplaceFlags, ...): one bit per value.
#pragma once

#include <cstdint>
#include <initializer_list>

template <class Enum>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<Enum> values) {
    for (Enum value : values) Include(value);
  }

  constexpr bool Contains(Enum value) const { return (bits_ & Bit(value)) != 0; }
  constexpr void Include(Enum value) { bits_ |= Bit(value); }
  constexpr void Exclude(Enum value) { bits_ &= ~Bit(value); }
  constexpr bool Empty() const { return bits_ == 0; }

  constexpr TSet operator+(TSet other) const { return FromBits(bits_ | other.bits_); }
  constexpr TSet operator-(TSet other) const { return FromBits(bits_ & ~other.bits_); }
  constexpr TSet operator*(TSet other) const { return FromBits(bits_ & other.bits_); }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint64_t Bit(Enum value) {
    const auto ordinal = static_cast<uint64_t>(value);
    // A value outside 0-63 has no bit; taking it would be undefined.
    return ordinal < 64 ? uint64_t{1} << ordinal : 0;
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet set;
    set.bits_ = bits;
    return set;
  }

  uint64_t bits_ = 0;
};

#pragma once
// Basic types of the class library: the integer and text types that the modules above
// use by their familiar names, and the small set type that option sets are built on.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>

namespace ordvane {

using AnsiString = std::string;      // 8-bit text in the process's ANSI code page
using WideString = std::u16string;   // UTF-16 text
using RawByteString = std::string;   // bytes with no code page

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using Extended = long double;
using Pointer = void*;

// Horizontal alignment of text in a field, a column or a cell.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A set over an enumeration whose members are small non-negative numbers (bit i is
// member i), so that a stored or compared set has the documented bit order.
template <class E>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet is a set of enumeration members");

 public:
  using Bits = std::uint64_t;

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E m : members) fBits |= Bit(m);
  }
  static constexpr TSet FromBits(Bits bits) {
    TSet s;
    s.fBits = bits;
    return s;
  }

  constexpr bool Contains(E m) const { return (fBits & Bit(m)) != 0; }
  constexpr bool Empty() const { return fBits == 0; }
  constexpr Bits ToBits() const { return fBits; }

  constexpr TSet& Include(E m) {
    fBits |= Bit(m);
    return *this;
  }
  constexpr TSet& Exclude(E m) {
    fBits &= ~Bit(m);
    return *this;
  }

  constexpr TSet operator+(TSet o) const { return FromBits(fBits | o.fBits); }
  constexpr TSet operator-(TSet o) const { return FromBits(fBits & ~o.fBits); }
  constexpr TSet operator*(TSet o) const { return FromBits(fBits & o.fBits); }
  constexpr TSet& operator+=(TSet o) { return *this = *this + o; }
  constexpr TSet& operator-=(TSet o) { return *this = *this - o; }
  constexpr TSet& operator*=(TSet o) { return *this = *this * o; }
  constexpr bool operator==(const TSet&) const = default;
  // Subset test, as the original's "<=" on sets.
  constexpr bool SubsetOf(TSet o) const { return (fBits & ~o.fBits) == 0; }

 private:
  static constexpr Bits Bit(E m) { return Bits{1} << static_cast<unsigned>(m); }
  Bits fBits = 0;
};

// Sets a flag for the life of a scope and gives it back its earlier value, however the
// scope is left: the guard of a re-entrancy flag.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : fFlag(flag), fWas(flag) { fFlag = true; }
  ~TFlagScope() { fFlag = fWas; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& fFlag;
  bool fWas;
};

}  // namespace ordvane

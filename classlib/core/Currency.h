#pragma once
// Currency: a fixed-point amount, a 64-bit integer counting units of 1/10 000.
// Conversions from floating point round to nearest with ties to even; results that do
// not fit raise EInvalidOp, as the platform's floating-point unit did.

#include <compare>

#include "classlib/core/System.h"

namespace ordvane {

class Currency {
 public:
  static constexpr Int64 Scale = 10000;

  constexpr Currency() = default;

  static constexpr Currency FromScaled(Int64 scaled) {
    Currency c;
    c.fScaled = scaled;
    return c;
  }
  static Currency FromInt64(Int64 value);
  static Currency FromDouble(Extended value);

  constexpr Int64 Scaled() const { return fScaled; }
  Extended ToExtended() const { return static_cast<Extended>(fScaled) / Scale; }
  double ToDouble() const { return static_cast<double>(ToExtended()); }

  Currency operator-() const;
  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;
  Currency operator*(Currency other) const;
  Currency operator/(Currency other) const;
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }

  constexpr auto operator<=>(const Currency&) const = default;

 private:
  Int64 fScaled = 0;
};

}  // namespace ordvane

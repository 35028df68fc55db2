#include "classlib/core/Currency.h"

#include <cmath>

#include "classlib/core/Math.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

__extension__ typedef __int128 Int128;

Currency Checked(Int128 scaled) {
  if (scaled > INT64_MAX || scaled < INT64_MIN) RaiseInvalidOp();
  return Currency::FromScaled(static_cast<Int64>(scaled));
}

// n / d rounded to nearest, ties to even, as the floating-point unit rounds.
Int128 DivideRounded(Int128 n, Int128 d) {
  Int128 q = n / d;
  Int128 r = n % d;
  Int128 twiceRemainder = r < 0 ? -2 * r : 2 * r;
  Int128 divisor = d < 0 ? -d : d;
  if (twiceRemainder > divisor || (twiceRemainder == divisor && q % 2 != 0))
    q += ((n < 0) == (d < 0)) ? 1 : -1;
  return q;
}

}  // namespace

Currency Currency::FromInt64(Int64 value) { return Checked(Int128(value) * Scale); }

Currency Currency::FromDouble(Extended value) {
  return FromScaled(Round(value * Scale));
}

Currency Currency::operator-() const { return Checked(-Int128(fScaled)); }
Currency Currency::operator+(Currency other) const {
  return Checked(Int128(fScaled) + other.fScaled);
}
Currency Currency::operator-(Currency other) const {
  return Checked(Int128(fScaled) - other.fScaled);
}
Currency Currency::operator*(Currency other) const {
  return Checked(DivideRounded(Int128(fScaled) * other.fScaled, Scale));
}
Currency Currency::operator/(Currency other) const {
  if (other.fScaled == 0) {
    if (fScaled == 0) RaiseInvalidOp();
    throw EZeroDivide("Floating point division by zero");
  }
  return Checked(DivideRounded(Int128(fScaled) * Scale, other.fScaled));
}

}  // namespace ordvane

#include "classlib/core/Math.h"

#include <chrono>
#include <cmath>
#include <mutex>

#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

constexpr Extended kTwoTo63 = 9223372036854775808.0L;

Int64 CheckedToInt64(Extended integral) {
  if (!(integral >= -kTwoTo63 && integral < kTwoTo63)) RaiseInvalidOp();
  return static_cast<Int64>(integral);
}

Extended CheckedResult(Extended result) {
  if (std::isinf(result)) throw EOverflow("Floating point overflow");
  if (std::isnan(result)) RaiseInvalidOp();
  return result;
}

void CheckRoundDigit(int digit) {
  if (digit < -37 || digit > 37) throw ERangeError("Range check error");
}

std::mutex& RandomLock() {
  static std::mutex lock;
  return lock;
}
Cardinal gRandSeed = 0;

Cardinal NextSeed() {
  std::lock_guard<std::mutex> guard(RandomLock());
  gRandSeed = gRandSeed * 0x08088405u + 1u;
  return gRandSeed;
}

}  // namespace

void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

// rint rounds as nearbyint does, by the current mode (to even), but does not save and
// restore the floating-point environment around it: every date that is decoded or shown
// is rounded here.
Int64 Round(Extended value) { return CheckedToInt64(std::rint(value)); }
Int64 Trunc(Extended value) { return CheckedToInt64(std::trunc(value)); }
Extended Int(Extended value) { return std::trunc(value); }
Extended Frac(Extended value) { return value - std::trunc(value); }

Extended IntPower(Extended base, Integer exponent) {
  Extended result = 1.0L;
  Extended factor = base;
  for (UInt64 n = exponent < 0 ? -static_cast<Int64>(exponent) : exponent; n != 0; n >>= 1) {
    if (n & 1) result = CheckedResult(result * factor);
    if (n > 1) factor = CheckedResult(factor * factor);
  }
  if (exponent < 0) {
    if (result == 0) throw EZeroDivide("Floating point division by zero");
    result = 1.0L / result;
  }
  return result;
}

Extended Power(Extended base, Extended exponent) {
  if (exponent == 0) return 1.0L;
  if (base == 0 && exponent > 0) return 0.0L;
  if (Frac(exponent) == 0 && std::fabs(exponent) <= 2147483647.0L)
    return IntPower(base, static_cast<Integer>(exponent));
  if (std::isnan(base) || std::isnan(exponent) || base < 0) RaiseInvalidOp();
  return CheckedResult(std::exp(exponent * std::log(base)));
}

double RoundTo(double value, int digit) {
  CheckRoundDigit(digit);
  const double factor = static_cast<double>(IntPower(10.0L, digit));
  const Extended quotient = static_cast<Extended>(value) / factor;
  // An extended value of 2^63 or more has no fraction left to round.
  if (std::fabs(quotient) >= kTwoTo63) return value;
  return static_cast<double>(static_cast<Extended>(Round(quotient)) * factor);
}

double SimpleRoundTo(double value, int digit) {
  CheckRoundDigit(digit);
  const double factor = static_cast<double>(IntPower(10.0L, digit));
  const Extended quotient = static_cast<Extended>(value) / factor;
  const Extended halfAway = value < 0 ? quotient - 0.5L : quotient + 0.5L;
  return static_cast<double>(std::trunc(halfAway) * factor);
}

int Sign(Integer value) { return (value > 0) - (value < 0); }
int Sign(Int64 value) { return (value > 0) - (value < 0); }
int Sign(Extended value) { return (value > 0) - (value < 0); }

Integer MulDiv(Integer a, Integer b, Integer c) {
  if (c == 0) return -1;
  Int64 product = static_cast<Int64>(a) * b;
  Int64 divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const Int64 half = divisor / 2;
  const Int64 result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return static_cast<Integer>(result);
}

Integer Random(Integer range) {
  if (range <= 0) return 0;
  return static_cast<Integer>((static_cast<UInt64>(NextSeed()) * static_cast<UInt64>(range)) >> 32);
}

Extended Random() { return static_cast<Extended>(NextSeed()) / 4294967296.0L; }

void Randomize() {
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  SetRandSeed(static_cast<Cardinal>(ticks));
}

Cardinal RandSeed() {
  std::lock_guard<std::mutex> guard(RandomLock());
  return gRandSeed;
}

void SetRandSeed(Cardinal seed) {
  std::lock_guard<std::mutex> guard(RandomLock());
  gRandSeed = seed;
}

}  // namespace ordvane

#pragma once
// Arithmetic routines of the class library. Conversions to integers never have undefined
// behaviour: NaN, infinity or a value outside the Int64 range raises EInvalidOp, as the
// platform's floating-point unit did.

#include "classlib/core/System.h"

namespace ordvane {

// Raises EInvalidOp "Invalid floating point operation", as the floating-point unit did.
[[noreturn]] void RaiseInvalidOp();

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4).
Int64 Round(Extended value);
// Integer part toward zero.
Int64 Trunc(Extended value);
// Integer part and fraction as floating-point values, for any finite value.
Extended Int(Extended value);
Extended Frac(Extended value);

// Base raised to an integer power by repeated squaring; 0 to a negative power raises
// EZeroDivide and a result beyond the extended range EOverflow.
Extended IntPower(Extended base, Integer exponent);
// Base raised to any power: integer exponents through IntPower, others through
// exp(exponent * ln(base)), so a negative base with a fractional exponent raises
// EInvalidOp.
Extended Power(Extended base, Extended exponent);

// Rounds to a power of ten: digit 2 rounds to hundreds, -2 to hundredths. RoundTo
// rounds ties to even, SimpleRoundTo ties away from zero. digit is in -37 .. 37.
double RoundTo(double value, int digit);
double SimpleRoundTo(double value, int digit = -2);

int Sign(Integer value);
int Sign(Int64 value);
int Sign(Extended value);

template <class T>
constexpr T Min(T a, T b) {
  return a < b ? a : b;
}
template <class T>
constexpr T Max(T a, T b) {
  return a > b ? a : b;
}

// a * b / c rounded to the nearest integer (halves away from zero), computed without
// overflow; -1 when c is 0 or the result does not fit 32 bits, as the platform did.
Integer MulDiv(Integer a, Integer b, Integer c);

// The class library's linear congruential generator, so that a seed gives the same
// sequence as on the original platform. Random(range) is in 0 .. range - 1 (0 when range
// is not positive); Random() is in [0, 1).
Integer Random(Integer range);
Extended Random();
void Randomize();
Cardinal RandSeed();
void SetRandSeed(Cardinal seed);

}  // namespace ordvane

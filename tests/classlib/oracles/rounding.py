"""Expected results of rounding routines, computed with exact fractions.

The platform computed in 80-bit extended precision (64-bit significand) and rounded to
integers with ties to even. Each input line is one query; each output line its answer:
  roundto <hex double> <digit>   RoundTo(x, digit) as a hex double
  curr <hex double>              Currency from a double: units of 1/10000
  strcurr <decimal text>         StrToCurr of the text ('.' separator): units of 1/10000
"""
import sys
from decimal import Decimal, ROUND_HALF_EVEN
from fractions import Fraction


def round_to_bits(q, bits):
    """q rounded to a binary floating-point value with 'bits' significant bits."""
    if q == 0:
        return q
    exponent = abs(q.numerator).bit_length() - abs(q.denominator).bit_length()
    while abs(q) >= Fraction(2) ** (exponent + 1):
        exponent += 1
    while abs(q) < Fraction(2) ** exponent:
        exponent -= 1
    scale = Fraction(2) ** (bits - 1 - exponent)
    return Fraction(round(q * scale)) / scale


def extended(q):
    return round_to_bits(q, 64)


def double(q):
    return round_to_bits(q, 53)


def int_power_ten(digit):
    """IntPower(10, digit) stored as a double: squaring in extended, then 1/x."""
    result, factor, n = Fraction(1), Fraction(10), abs(digit)
    while n:
        if n & 1:
            result = extended(result * factor)
        n >>= 1
        if n:
            factor = extended(factor * factor)
    if digit < 0:
        result = extended(1 / result)
    return double(result)


def round_to(value, digit):
    factor = int_power_ten(digit)
    quotient = extended(value / factor)
    return float(double(extended(round(quotient) * factor)))


for line in sys.stdin:
    parts = line.split()
    if parts[0] == 'roundto':
        print(round_to(Fraction(float.fromhex(parts[1])), int(parts[2])).hex())
    elif parts[0] == 'curr':
        print(round(extended(Fraction(float.fromhex(parts[1])) * 10000)))
    else:
        units = (Decimal(parts[1]) * 10000).quantize(Decimal(1), rounding=ROUND_HALF_EVEN)
        print(int(units))

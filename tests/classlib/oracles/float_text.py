"""Expected text of floating-point values, from Python's decimal module.

Each input line is "<hex float> <kind> [n]"; each output line is the text the class
library gives, with '.' as decimal separator and no thousand separators:
  fixed n   FloatToStrF(x, ffFixed, 18, n)
  exp n     FloatToStrF(x, ffExponent, n, 0)
  gen       FloatToStr(x)
The value is first written with 18 significant digits (ties to even), then rounded half up.
"""
import sys
from decimal import Context, Decimal, ROUND_HALF_EVEN, ROUND_HALF_UP


def eighteen_digits(x):
    return Context(prec=18, rounding=ROUND_HALF_EVEN).plus(Decimal(x))


def fixed(d, decimals):
    text = format(d.quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP), 'f')
    return text[1:] if text.startswith('-') and set(text[1:]) <= set('0.') else text


def exponent(d, precision):
    rounded = Context(prec=precision, rounding=ROUND_HALF_UP).plus(d)
    return format(rounded, '.%dE' % (precision - 1))


def general(d):
    rounded = Context(prec=15, rounding=ROUND_HALF_UP).plus(d).normalize()
    if rounded.is_zero():
        return '0'
    integer_digits = rounded.adjusted() + 1
    if integer_digits > 15 or integer_digits < -3:
        sign, digits, _ = rounded.as_tuple()
        mantissa = str(digits[0]) + ('.' + ''.join(map(str, digits[1:])) if len(digits) > 1 else '')
        return ('-' if sign else '') + mantissa + 'E' + str(rounded.adjusted())
    return format(rounded, 'f')


for line in sys.stdin:
    parts = line.split()
    value = eighteen_digits(float.fromhex(parts[0]))
    if parts[1] == 'fixed':
        print(fixed(value, int(parts[2])))
    elif parts[1] == 'exp':
        print(exponent(value, int(parts[2])))
    else:
        print(general(value))

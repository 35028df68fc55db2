"""Expected conversions of decimal texts ('.' separator), from Python's decimal module.

For each input line (a decimal text) prints "<double>|<two decimals>|<currency units>":
the nearest double in hexadecimal, the value rounded half up to two decimals, and the
value in units of 1/10000 rounded half to even ("X" when beyond the Currency range).
"""
import sys
from decimal import Decimal, ROUND_HALF_EVEN, ROUND_HALF_UP, getcontext

getcontext().prec = 200
for line in sys.stdin:
    value = Decimal(line.strip())
    two = value.quantize(Decimal('0.01'), rounding=ROUND_HALF_UP)
    if two.is_zero():
        two = abs(two)
    units = int((value * 10000).quantize(Decimal(1), rounding=ROUND_HALF_EVEN))
    in_range = -2**63 <= units < 2**63
    print('%s|%s|%s' % (float(value).hex(), format(two, 'f'), units if in_range else 'X'))

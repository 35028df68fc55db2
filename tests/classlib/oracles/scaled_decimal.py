# For each line "value scale limit": the value's shortest decimal (repr) times 10^-scale,
# rounded half away from zero, or "range" when its magnitude exceeds the limit.
import sys
from decimal import Decimal, ROUND_HALF_UP, getcontext

getcontext().prec = 400
for line in sys.stdin:
    text, scale, limit = line.split()
    scaled = (Decimal(repr(float(text))) * (Decimal(10) ** -int(scale))).quantize(Decimal(1), rounding=ROUND_HALF_UP)
    print("range" if abs(scaled) > int(limit) else int(scaled))

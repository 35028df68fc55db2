# Footer aggregates worked out by Python's own arithmetic. Each input line is one of
#   S <value>             -> round(value * 10000), ties to even
#   R <value|None> ...    -> sum, average, count of values, count of rows, each x 10000
# Values are written with 17 significant digits, so float() gives back the same double.
import sys
from fractions import Fraction

for line in sys.stdin:
    kind, *values = line.split()
    if kind == "S":
        print(round(float(values[0]) * 10000))
        continue
    scaled = [round(float(v) * 10000) for v in values if v != "None"]
    total = sum(scaled)
    average = round(Fraction(total, len(scaled))) if scaled else 0
    print(total, average, len(scaled) * 10000, len(values) * 10000)

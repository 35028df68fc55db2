# Two-operand results by Python's float arithmetic. Each input line is "<a> <op> <b>" with
# the operands as typed; the output is the result with 15 significant digits, or "Error"
# for a division by zero.
import sys

for line in sys.stdin:
    a, op, b = line.split()
    x, y = float(a), float(b)
    if op == "/" and y == 0:
        print("Error")
        continue
    result = {"+": x + y, "-": x - y, "*": x * y, "/": x / y if y else 0.0}[op]
    print("%.15g" % result)

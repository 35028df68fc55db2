# Date-time values as days since 1899-12-30 (the time of day as a fraction, counted forward
# within the day also before that date), and leap years, by Python's calendar. Each input
# line is one of
#   V <year> <month> <day> <hour> <minute> <second>   -> the value, 17 significant digits
#   L <year>                                           -> 1 for a leap year, else 0
import calendar
import sys
from datetime import datetime

EPOCH = datetime(1899, 12, 30)

for line in sys.stdin:
    kind, *numbers = line.split()
    values = [int(n) for n in numbers]
    if kind == "L":
        print(1 if calendar.isleap(values[0]) else 0)
        continue
    moment = datetime(*values)
    days = (moment.date() - EPOCH.date()).days
    fraction = (moment.hour * 3600 + moment.minute * 60 + moment.second) / 86400
    print("%.17g" % (days - fraction if days < 0 else days + fraction))

# The month calendar's oracle, from Python's calendar and datetime (weeks start on Monday).
#   grid Y M       -> the 42 cells of six weeks, one line "row col YYYY-MM-DD P|C|N": the
#                     weeks of calendar.monthcalendar, continued into the next month
#   step Y-M-D K   -> the date after key K (left right up down pgup pgdn ctrlpgup ctrlpgdn
#                     home end ctrlhome ctrlend)
import calendar
import datetime
import sys

calendar.setfirstweekday(calendar.MONDAY)


def add_months(d, months):
    index = d.year * 12 + d.month - 1 + months
    year, month = divmod(index, 12)
    month += 1
    return datetime.date(year, month, min(d.day, calendar.monthrange(year, month)[1]))


def grid(year, month):
    weeks = calendar.monthcalendar(year, month)
    first = datetime.date(year, month, 1)
    lead = weeks[0].index(1)
    start = first - datetime.timedelta(days=lead)
    for row in range(6):
        for col in range(7):
            day = start + datetime.timedelta(days=row * 7 + col)
            if row < len(weeks) and weeks[row][col]:
                assert day.day == weeks[row][col]
                kind = "C"
            else:
                kind = "P" if day < first else "N"
            print(row, col, day.isoformat(), kind)


def step(text, key):
    d = datetime.date.fromisoformat(text)
    days = {"left": -1, "right": 1, "up": -7, "down": 7}
    months = {"pgup": -1, "pgdn": 1, "ctrlpgup": -12, "ctrlpgdn": 12}
    if key in days:
        d += datetime.timedelta(days=days[key])
    elif key in months:
        d = add_months(d, months[key])
    elif key in ("home", "ctrlhome"):
        d = d.replace(day=1)
    else:
        d = d.replace(day=calendar.monthrange(d.year, d.month)[1])
    print(text, key, d.isoformat())


for line in sys.stdin:
    parts = line.split()
    if parts[0] == "grid":
        grid(int(parts[1]), int(parts[2]))
    else:
        step(parts[1], parts[2])

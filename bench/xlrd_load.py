#!/usr/bin/python3
"""Loads a workbook with xlrd as a program would read it (open_workbook, then every row's
values of every sheet) and prints the seconds of the load alone, the values seen and the
process's peak resident size in KiB.

    xlrd_load.py WORKBOOK
"""
import sys
import time

import xlrd

start = time.perf_counter()
book = xlrd.open_workbook(sys.argv[1])
values = 0
for sheet in book.sheets():
    for row in range(sheet.nrows):
        values += sum(1 for v in sheet.row_values(row) if v != "")
seconds = time.perf_counter() - start
with open("/proc/self/status") as status:
    peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
print("%.6f %d %d" % (seconds, values, peak))

#!/usr/bin/python3
"""The persons of a workbook as xlrd reads them, one line per row below the title, in the
form isql-fb prints the PERSONS table's SURNAME, FIRST_NAME, PATRONYMIC, BORN, DOC_NO and
AMOUNT joined by "|": dates as yyyy-mm-dd, amounts with two decimals.
Usage: workbook_rows.py WORKBOOK"""

import datetime
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
for row in range(1, sheet.nrows):
    surname, first, middle, born, document, amount = sheet.row_values(row, 1, 7)
    if sheet.cell_type(row, 4) == xlrd.XL_CELL_DATE:
        born = datetime.datetime(*xlrd.xldate_as_tuple(born, book.datemode)).strftime("%Y-%m-%d")
    print("|".join([surname, first, middle, born, document, "%.2f" % amount]))

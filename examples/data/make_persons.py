#!/usr/bin/python3
"""Writes the sample list of persons the example imports (examples/data/persons.xls) and
the short list with rows that cannot be imported which its tests use
(tests/fixtures/examples/persons_bad_row.xls), both as Excel 97 workbooks through xlwt.

Run it by hand after changing the lists; the build and the tests only read the files it
wrote. Needs: python3-xlwt (Debian's /usr/bin/python3). The lists come from a seeded
generator, so a second run writes the same persons.
"""

import datetime
import os
import random

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

HEADER = ["№", "Прізвище", "Ім’я", "По батькові", "Дата народження", "Документ", "Сума"]

MEN = ["Тарас", "Іван", "Михайло", "Олександр", "Андрій", "Юрій", "Богдан", "Євген", "Ігор", "Олег",
       "Григорій", "Степан", "Василь", "Дмитро", "Петро"]
WOMEN = ["Леся", "Марія", "Олена", "Ганна", "Ірина", "Наталія", "Євгенія", "Оксана", "Софія", "Юлія",
         "Катерина", "Людмила", "Тетяна", "Христина", "Ярослава"]
# A father's first name as his children's patronymic: (son's, daughter's).
PATRONYMICS = [("Тарасович", "Тарасівна"), ("Іванович", "Іванівна"), ("Михайлович", "Михайлівна"),
               ("Олександрович", "Олександрівна"), ("Андрійович", "Андріївна"), ("Юрійович", "Юріївна"),
               ("Богданович", "Богданівна"), ("Євгенович", "Євгенівна"), ("Ігорович", "Ігорівна"),
               ("Олегович", "Олегівна"), ("Григорович", "Григорівна"), ("Степанович", "Степанівна"),
               ("Васильович", "Василівна"), ("Дмитрович", "Дмитрівна"), ("Петрович", "Петрівна")]
# Surnames that read the same for men and women, and (man, woman) pairs.
SURNAMES = ["Шевченко", "Франко", "Коваленко", "Бондаренко", "Ткаченко", "Кравчук", "Мельник", "Ґудзь",
            "Дем'яненко", "Лисенко", "Кушнір", "Савчук", "Гнатюк", "Їжакевич", "Марченко", "Руденко",
            "Ярошенко", "Остапчук", "Харченко", "Щербак"]
PAIRED_SURNAMES = [("Коцюбинський", "Коцюбинська"), ("Сковорода", "Сковорода"), ("Грушевський", "Грушевська"),
                   ("Стельмах", "Стельмах"), ("Єфремов", "Єфремова"), ("Зеров", "Зерова")]
SERIES = "АВЕКМНОРСТ"

TITLE_STYLE = xlwt.easyxf("font: bold on; align: horiz center")
DATE_STYLE = xlwt.easyxf(num_format_str="dd.mm.yyyy")
AMOUNT_STYLE = xlwt.easyxf(num_format_str="#,##0.00")


def persons(count, rng):
    """count persons as (surname, first name, patronymic, birth date, document, amount)."""
    documents = set()
    result = []
    while len(result) < count:
        male = rng.random() < 0.5
        if rng.random() < 0.25:
            surname = rng.choice(PAIRED_SURNAMES)[0 if male else 1]
        else:
            surname = rng.choice(SURNAMES)
        first = rng.choice(MEN if male else WOMEN)
        middle = rng.choice(PATRONYMICS)[0 if male else 1]
        born = datetime.date(1940, 1, 1) + datetime.timedelta(days=rng.randrange(0, 65 * 365))
        document = rng.choice(SERIES) + rng.choice(SERIES) + " %06d" % rng.randrange(0, 1000000)
        if document in documents:
            continue
        documents.add(document)
        amount = round(rng.uniform(50, 25000), 2) if rng.random() < 0.8 else float(rng.randrange(100, 5000, 50))
        result.append((surname, first, middle, born, document, amount))
    return result


def write(path, rows):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Особи")
    for column, title in enumerate(HEADER):
        sheet.write(0, column, title, TITLE_STYLE)
    for index, (surname, first, middle, born, document, amount) in enumerate(rows, start=1):
        sheet.write(index, 0, index)
        sheet.write(index, 1, surname)
        sheet.write(index, 2, first)
        sheet.write(index, 3, middle)
        if isinstance(born, str):
            sheet.write(index, 4, born)  # a text where a date belongs
        else:
            sheet.write(index, 4, born, DATE_STYLE)
        sheet.write(index, 5, document)
        sheet.write(index, 6, amount, AMOUNT_STYLE)
    for column, width in enumerate([6, 18, 14, 18, 16, 14, 12]):
        sheet.col(column).width = width * 256
    book.save(path)


def main():
    write(os.path.join(HERE, "persons.xls"), persons(300, random.Random(63)))
    short = persons(5, random.Random(64))
    # The second person's birth date is a day that does not exist; the fifth has no surname,
    # which the table requires.
    short[1] = short[1][:3] + ("31.02.1990",) + short[1][4:]
    short[4] = ("",) + short[4][1:]
    write(os.path.join(ROOT, "tests", "fixtures", "examples", "persons_bad_row.xls"), short)


if __name__ == "__main__":
    main()

#pragma once
// The spreadsheet cell model's column-letter routines.

#include "classlib/core/SysUtils.h"

namespace ordvane {

// Column letters as a bijective base-26 numeral (A = 1, Z = 26, AA = 27, AAA = 703),
// without regard to case: the zero-based column when that number is not above
// columnCount, else -1; -1 for any character other than a letter A to Z; empty letters
// give 0 when columnCount is at least 1, else -1.
Integer ColumnLettersToIndex(const AnsiString& letters, Integer columnCount);
// The letters of the one-based column n; the empty string for n of 0 or less.
AnsiString ColumnIndexToLetters(Integer n);

}  // namespace ordvane

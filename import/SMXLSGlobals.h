#pragma once
// What a workbook's records define beside its cells, kept for a program to read after a
// load: its fonts, its defined names and its shared formulas, and the lists of its
// pictures. None of them takes part in reading the cells.

#include <vector>

#include "import/SMXLSRecords.h"
#include "import/SMXLSStrings.h"

namespace ordvane {

// A FONT record, in the terms of every version.
struct TXLSFont {
  WideString Name;
  Integer Height = 0;    // in twentieths of a point
  Integer Weight = 400;  // 400 normal, 700 bold
  bool Italic = false;
  bool StrikeOut = false;
  Byte Underline = 0;  // 0 none, 1 single, 2 double, 0x21 and 0x22 the accounting ones
  // Into the workbook's palette; 0x7FFF is the window's text colour, which Excel 2 fonts
  // keep (their colour is a record of its own).
  Integer ColorIndex = 0x7FFF;
};

// A defined name.
struct TXLSName {
  // A built-in name (a print area, a filter's database, ...) by the English name Excel
  // shows for it.
  WideString Name;
  Integer SheetIndex = -1;  // the sheet it belongs to, -1 for the whole workbook
};

// The formula that a block of a sheet's formula cells shares, as the file stores it: it
// is not evaluated (the cells carry their results).
struct TXLSSharedFormula {
  Integer SheetIndex = -1;
  Integer FirstRow = 0;
  Integer LastRow = 0;
  Integer FirstColumn = 0;
  Integer LastColumn = 0;
  std::vector<Byte> Tokens;
};

// Pictures the workbook keeps once for all its sheets, and where a sheet shows one. The
// reader passes the drawing records over, so both lists stay empty.
struct TXLSSharedObject {
  std::vector<Byte> Picture;
};
using TXLSSharedObjects = std::vector<TXLSSharedObject>;
struct TXLSObjectInSheet {
  Integer SheetIndex = -1;
  Integer Row = 0;
  Integer Column = 0;
  Integer SharedObject = -1;  // its picture in the shared objects
};
using TXLSObjectsInSheet = std::vector<TXLSObjectInSheet>;

// The records, each raising "Excel record <id> is damaged" where a field lies outside it.
// biff2: the layout of Excel 2, which shares its record identifiers with Excel 5 to 8.
TXLSFont ReadFontRecord(const TBIFFData& data, bool biff2, const TBIFFTextEncoding& encoding);
TXLSName ReadNameRecord(const TBIFFData& data, bool biff2, const TBIFFTextEncoding& encoding);
TXLSSharedFormula ReadSharedFormulaRecord(const TBIFFData& data, Integer sheetIndex);

}  // namespace ordvane

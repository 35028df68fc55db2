#pragma once
// Values in Excel records: RK numbers, error codes, the built-in number formats and the
// rules that make a number a date or a percentage.

#include <vector>

#include "classlib/core/System.h"

namespace ordvane {

// The number an RK value stands for: bit 1 set, a signed 30-bit integer (the upper bits);
// clear, the upper 30 bits of an IEEE double whose other bits are zero; bit 0 set, the
// result divided by 100.
double DecodeRK(Cardinal rk);

// "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", or "Unknown error
// code <n>".
AnsiString ErrorCodeText(Byte code);

// A cell format: one XF record, as a cell's format index names it. Its number format's
// text is looked up by NumberFormat (TCustomMSExcel::NumberFormats): a workbook may hold
// any number of XF records naming one FORMAT text of thousands of characters, so a copy
// per record would cost far more than the file.
struct TXLSFormat {
  Integer NumberFormat = 0;  // into the number-format texts
  Integer Font = 0;          // the font as the records number them (see TMSExcel::FontOf)
  bool IsDate = false;       // a number in this format is a date-time
  Byte Alignment = 0;        // horizontal, 0 to 7; Excel 2 has none here
};

// The number-format texts of a workbook, by format index.
class TXLSNumberFormats {
 public:
  enum TKind : Byte { fkPlain, fkDate, fkPercent };

  // The formats every workbook knows without FORMAT records (indices 0 to 22 and 37 to 49).
  void RegisterBuiltIn();
  // Puts text at index, padding the list with empty texts up to it.
  void Register(Word index, const WideString& text);
  void Clear();
  int Count() const { return static_cast<int>(fTexts.size()); }
  // The text at index; empty outside the list.
  const WideString& Text(Integer index) const;

  // What a number in this format is: a date when the index is 1 or more and the text,
  // lower-cased, holds "dd", "mm" or "yy" (so "h:mm" is one); else a percentage when the
  // text holds "%"; else a plain number. An index outside the list is a plain number.
  TKind Kind(Integer index) const;

 private:
  std::vector<WideString> fTexts;
  std::vector<Byte> fHolds;  // what each text holds, worked out once
};

}  // namespace ordvane

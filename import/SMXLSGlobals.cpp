#include "import/SMXLSGlobals.h"

#include <array>
#include <string_view>

namespace ordvane {

namespace {

// Excel keeps a built-in name as one character, the number of the name.
constexpr std::array<std::u16string_view, 14> kBuiltInNames = {
    u"Consolidate_Area", u"Auto_Open",       u"Auto_Close",   u"Extract",        u"Database",
    u"Criteria",         u"Print_Area",      u"Print_Titles", u"Recorder",       u"Data_Form",
    u"Auto_Activate",    u"Auto_Deactivate", u"Sheet_Title",  u"_FilterDatabase"};

constexpr Word kBuiltInName = 0x0020;

// The style bits of the fonts of Excel 2 to 4, which have no weight or underline field.
constexpr Word kBold = 0x0001, kItalic = 0x0002, kUnderlined = 0x0004, kStruckOut = 0x0008;

}  // namespace

TXLSFont ReadFontRecord(const TBIFFData& data, bool biff2, const TBIFFTextEncoding& encoding) {
  TXLSFont font;
  font.Height = data.U16(0);
  const Word options = data.U16(2);
  font.Italic = (options & kItalic) != 0;
  font.StrikeOut = (options & kStruckOut) != 0;
  std::size_t name;
  if (biff2 || data.RecordId() == rtFont3) {
    font.Weight = options & kBold ? 700 : 400;
    font.Underline = options & kUnderlined ? 1 : 0;
    if (!biff2) font.ColorIndex = data.U16(4);
    name = biff2 ? 4 : 6;
  } else {
    font.ColorIndex = data.U16(4);
    font.Weight = data.U16(6);
    font.Underline = data.U8(10);
    name = 14;
  }
  font.Name = ReadRecordString(data, name, false, encoding);
  return font;
}

TXLSName ReadNameRecord(const TBIFFData& data, bool biff2, const TBIFFTextEncoding& encoding) {
  TXLSName name;
  const Word options = data.U16(0);
  const std::size_t length = data.U8(3);
  // After the formula's size: one byte in Excel 2, two later, then in Excel 5 to 8 the
  // sheet the name belongs to and the lengths of four texts that follow the formula.
  std::size_t text = biff2 ? 5 : 6;
  if (!biff2 && data.RecordId() != rtName3) {
    // One-based; 0 for the whole workbook.
    name.SheetIndex = static_cast<Integer>(data.U16(8)) - 1;
    text = 14;
  }
  name.Name = ReadRecordCharacters(data, text, length, encoding);
  if ((options & kBuiltInName) != 0 && name.Name.size() == 1 && name.Name[0] < kBuiltInNames.size())
    name.Name = kBuiltInNames[name.Name[0]];
  return name;
}

TXLSSharedFormula ReadSharedFormulaRecord(const TBIFFData& data, Integer sheetIndex) {
  TXLSSharedFormula formula;
  formula.SheetIndex = sheetIndex;
  formula.FirstRow = data.U16(0);
  formula.LastRow = data.U16(2);
  formula.FirstColumn = data.U8(4);
  formula.LastColumn = data.U8(5);
  if (formula.LastRow < formula.FirstRow || formula.LastColumn < formula.FirstColumn) data.Damaged();
  const auto tokens = data.Slice(10, data.U16(8));
  formula.Tokens.assign(tokens.begin(), tokens.end());
  return formula;
}

}  // namespace ordvane

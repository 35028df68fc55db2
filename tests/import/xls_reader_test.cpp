// The Excel workbook reader against workbooks made by real tools (LibreOffice, xlwt,
// Spreadsheet::WriteExcel, the npm xlsx package) and by hand (Excel 2 to 5, checked with
// LibreOffice), each compared cell by cell with what xlrd read in it
// (tests/fixtures/make_xls.sh), and against workbooks made record by record.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include "classlib/core/CodePages.h"
#include "import/SMXLS.h"
#include "tests/import/WorkbookBuilder.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

using test::Bytes;
using test::Record;
using test::U16;
using test::U32;
using test::Append;
using test::operator+;
using test::CompoundFile;
using test::Number;
using test::WorkbookStream;

std::string Fixture(const std::string& name) {
  return test::FixturePath("import/xls/" + name);
}

nlohmann::json Expected(const std::string& name) {
  std::ifstream in(Fixture(name + ".json"));
  return nlohmann::json::parse(in);
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
  const std::string path = test::TestTempDir() + "/" + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  return path;
}

const char* AlignmentName(TAlignment alignment) {
  return alignment == taRightJustify ? "right" : alignment == taCenter ? "centre" : "left";
}

int StoredCells(const TSpreadSheet& sheet) {
  int count = 0;
  for (int r = 0; r < sheet.Cells().Count(); ++r) {
    if (const TSpreadSheetRow* row = sheet.Cells().FindRow(r))
      for (int c = 0; c < row->Cols().Count(); ++c) count += row->Cell(c) != nullptr;
  }
  return count;
}

// Every cell xlrd found, with the value, type, format index and alignment the cell model's
// rules give it; no other cell.
// integersAllowed: Excel 2 keeps small whole numbers in records of their own.
// formatIndexKnown: false for a workbook without cell-format records, whose indices xlrd
// makes up.
void ExpectSheetAsDumped(const TSpreadSheet& sheet, const nlohmann::json& expected, bool integersAllowed,
                         bool formatIndexKnown = true) {
  SCOPED_TRACE(Utf8Encode(sheet.Caption()));
  for (const auto& cell : expected["cells"]) {
    const int row = cell["row"], col = cell["col"];
    SCOPED_TRACE(testing::Message() << "row " << row << " column " << col);
    const TSpreadSheetRow* line = sheet.Cells().FindRow(row);
    const TSMICell* stored = line ? line->Cell(col) : nullptr;
    ASSERT_NE(stored, nullptr);
    const std::string type = cell["type"];
    const Variant& value = stored->Value();
    if (type == "string") {
      EXPECT_EQ(stored->CellType(), ictString);
      EXPECT_EQ(VarType(value), varOleStr);
      EXPECT_EQ(Utf8Encode(value.AsWideString()), cell["value"].get<std::string>());
    } else if (type == "error") {
      EXPECT_EQ(stored->CellType(), ictUnknown);
      EXPECT_EQ(Utf8Encode(value.AsWideString()), cell["value"].get<std::string>());
    } else if (type == "boolean") {
      EXPECT_EQ(stored->CellType(), ictBoolean);
      EXPECT_EQ(VarType(value), varBoolean);
      EXPECT_EQ(value.AsBoolean(), cell["value"].get<bool>());
    } else if (type == "datetime") {
      EXPECT_EQ(stored->CellType(), ictDateTime);
      EXPECT_EQ(VarType(value), varDate);
      EXPECT_DOUBLE_EQ(value.AsDouble(), cell["value"].get<double>());
    } else {
      ASSERT_EQ(type, "decimal");
      if (stored->CellType() == ictInteger) {
        EXPECT_TRUE(integersAllowed);
        EXPECT_EQ(VarType(value), varInteger);
      } else {
        EXPECT_EQ(stored->CellType(), ictDecimal);
        EXPECT_EQ(VarType(value), varDouble);
      }
      EXPECT_DOUBLE_EQ(value.AsDouble(), cell["value"].get<double>());
    }
    if (formatIndexKnown) {
      EXPECT_EQ(stored->FormatIndex(), cell["xf"].get<int>());
    }
    EXPECT_EQ(AlignmentName(stored->Alignment()), cell["align"].get<std::string>());
  }
  EXPECT_EQ(StoredCells(sheet), static_cast<int>(expected["cells"].size()));
  for (const auto& [column, width] : expected["widths"].items()) {
    const std::size_t c = std::stoul(column);
    ASSERT_LT(c, sheet.ColWidths().size());
    EXPECT_EQ(sheet.ColWidths()[c], width.get<int>()) << "width of column " << c;
  }
}

struct TFixtureCase {
  const char* File;
  TExcelVersion Version;
  // The captions of every sheet, chart sheets included, in the workbook's order.
  std::vector<std::u16string> Captions;
  bool HasCellFormats = true;
  // The JSON of another fixture with the same workbook stream, for a file xlrd cannot open.
  const char* Dump = nullptr;
};

class XLSFixture : public testing::TestWithParam<TFixtureCase> {};

TEST_P(XLSFixture, ReadsEveryCellAsXlrdDoes) {
  const TFixtureCase& fixture = GetParam();
  const nlohmann::json expected = Expected(fixture.Dump ? fixture.Dump : fixture.File);
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture(fixture.File));
  EXPECT_EQ(reader.Version(), fixture.Version);
  EXPECT_FALSE(reader.Encrypted());
  ASSERT_EQ(reader.Sheets().Count(), static_cast<int>(fixture.Captions.size()));
  for (int i = 0; i < reader.Sheets().Count(); ++i)
    EXPECT_EQ(reader.Sheets().FindSheet(i)->Caption(), fixture.Captions[static_cast<std::size_t>(i)]);
  const bool plain = fixture.Version <= evExcel4;
  int compared = 0;
  for (const auto& sheet : expected["sheets"]) {
    // Plain files have one sheet, which xlrd names after the file's kind.
    const Integer index = plain ? 0 : reader.Sheets().IndexOfCaption(Utf8Decode(sheet["name"].get<std::string>()));
    ASSERT_GE(index, 0) << sheet["name"];
    ExpectSheetAsDumped(*reader.Sheets().FindSheet(index), sheet, fixture.Version == evExcel2,
                        fixture.HasCellFormats);
    ++compared;
  }
  // A sheet xlrd does not list (a chart sheet) holds no cells.
  for (int i = 0; i < reader.Sheets().Count(); ++i) {
    const std::string caption = Utf8Encode(reader.Sheets().FindSheet(i)->Caption());
    bool listed = plain;
    for (const auto& sheet : expected["sheets"]) listed = listed || sheet["name"] == caption;
    if (!listed) {
      EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(i)), 0) << caption;
    }
  }
  EXPECT_GT(compared, 0);
}

// The fonts in the order of their records and the defined names with their sheets, as xlrd
// read them.
TEST_P(XLSFixture, KeepsFontsAndDefinedNamesAsXlrdDoes) {
  const TFixtureCase& fixture = GetParam();
  const nlohmann::json expected = Expected(fixture.Dump ? fixture.Dump : fixture.File);
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture(fixture.File));
  ASSERT_EQ(reader.Fonts().size(), expected["fonts"].size());
  for (std::size_t i = 0; i < reader.Fonts().size(); ++i) {
    SCOPED_TRACE(testing::Message() << "font " << i);
    const TXLSFont& font = reader.Fonts()[i];
    const auto& dumped = expected["fonts"][i];
    EXPECT_EQ(Utf8Encode(font.Name), dumped["name"].get<std::string>());
    EXPECT_EQ(font.Height, dumped["height"].get<int>());
    EXPECT_EQ(font.Weight, dumped["weight"].get<int>());
    EXPECT_EQ(font.Italic, dumped["italic"].get<bool>());
    EXPECT_EQ(font.StrikeOut, dumped["struck_out"].get<bool>());
    EXPECT_EQ(font.Underline, dumped["underline"].get<int>());
    EXPECT_EQ(font.ColorIndex, dumped["colour"].get<int>());
  }
  ASSERT_EQ(reader.Names().size(), expected["names"].size());
  for (std::size_t i = 0; i < reader.Names().size(); ++i) {
    EXPECT_EQ(Utf8Encode(reader.Names()[i].Name), expected["names"][i]["name"].get<std::string>());
    EXPECT_EQ(reader.Names()[i].SheetIndex, expected["names"][i]["scope"].get<int>()) << "name " << i;
  }
  // Nothing fills the picture lists.
  EXPECT_TRUE(reader.SharedObjects().empty());
  EXPECT_TRUE(reader.ObjectsInSheet().empty());
}

// Every cell's format as xlrd resolves it: its number format (with the text of the FORMAT
// record that defines it), its date flag, its alignment and its font.
TEST_P(XLSFixture, ResolvesEveryCellsFormatAndFontAsXlrdDoes) {
  const TFixtureCase& fixture = GetParam();
  const nlohmann::json expected = Expected(fixture.Dump ? fixture.Dump : fixture.File);
  if (!fixture.HasCellFormats) GTEST_SKIP() << "xlrd makes up the cell formats of a workbook without them";
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture(fixture.File));
  const std::vector<TXLSFormat>& formats = reader.CellFormats();
  ASSERT_EQ(formats.size(), expected["xfs"].get<std::size_t>());
  for (const auto& [index, text] : expected["formats"].items())
    EXPECT_EQ(Utf8Encode(reader.NumberFormats().Text(std::stoi(index))), text.get<std::string>()) << "format " << index;
  const bool plain = fixture.Version <= evExcel4;
  int compared = 0;
  for (const auto& sheet : expected["sheets"]) {
    const Integer index = plain ? 0 : reader.Sheets().IndexOfCaption(Utf8Decode(sheet["name"].get<std::string>()));
    ASSERT_GE(index, 0);
    const TSpreadSheet& stored = *reader.Sheets().FindSheet(index);
    for (const auto& cell : sheet["cells"]) {
      SCOPED_TRACE(testing::Message() << sheet["name"] << " row " << cell["row"] << " column " << cell["col"]);
      const TSMICell* value = stored.Cells().FindRow(cell["row"])->Cell(cell["col"]);
      ASSERT_LT(static_cast<std::size_t>(value->FormatIndex()), formats.size());
      const TXLSFormat& format = formats[static_cast<std::size_t>(value->FormatIndex())];
      const int numberFormat = cell["numfmt"];
      EXPECT_EQ(format.NumberFormat, numberFormat);
      if (expected["formats"].contains(std::to_string(numberFormat))) {
        EXPECT_EQ(Utf8Encode(reader.NumberFormats().Text(format.NumberFormat)),
                  expected["formats"][std::to_string(numberFormat)].get<std::string>());
      }
      EXPECT_EQ(format.IsDate, cell["date"].get<bool>());
      // Excel 2 keeps a cell's alignment with the cell, not in its format.
      if (fixture.Version != evExcel2) {
        EXPECT_EQ(format.Alignment, cell["hor"].get<int>());
      }
      const TXLSFont* font = reader.FontOf(format);
      if (cell["font"].is_null()) {
        EXPECT_EQ(font, nullptr);
      } else {
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font, &reader.Fonts()[cell["font"].get<std::size_t>()]);
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);

  // The next load starts from nothing but the built-in number formats.
  reader.PrepareLoad();
  EXPECT_TRUE(reader.CellFormats().empty());
  EXPECT_EQ(reader.NumberFormats().Count(), 50);
  EXPECT_EQ(Utf8Encode(reader.NumberFormats().Text(14)), "m/d/yy");
}

INSTANTIATE_TEST_SUITE_P(
    Workbooks, XLSFixture,
    testing::Values(TFixtureCase{"libreoffice.xls", evExcel9, {u"Дані", u"Формули", u"Empty sheet", u"Last"}},
                    TFixtureCase{"xlwt.xls", evExcel8, {u"Numbers", u"Strings"}},
                    TFixtureCase{"writeexcel.xls", evExcel8, {u"Дані", u"Діаграма", u"Long"}},
                    TFixtureCase{"npm_biff5.xls", evExcel7, {u"First", u"Second"}},
                    TFixtureCase{"npm_biff2.xls", evExcel2, {u"Sheet1"}, false},
                    TFixtureCase{"biff2.xls", evExcel2, {u"Sheet1"}},
                    TFixtureCase{"biff3.xls", evExcel3, {u"Sheet1"}},
                    TFixtureCase{"biff4.xls", evExcel4, {u"Sheet1"}},
                    // Six fonts, numbered 0 to 3, 5 and 6 by the cell formats, as in
                    // every version.
                    TFixtureCase{"fonts2.xls", evExcel2, {u"Sheet1"}},
                    TFixtureCase{"fonts3.xls", evExcel3, {u"Sheet1"}},
                    TFixtureCase{"fonts4.xls", evExcel4, {u"Sheet1"}},
                    TFixtureCase{"biff5.xls", evExcel7, {u"Дані", u"Другий"}},
                    // Files of other writers (tests/fixtures/make_xls_wild.sh): Excel 95
                    // text in Windows-1253; chart records whose ids end in 09 before two
                    // more sheets; CR LF, bare LF and bare CR in text; an Excel 97 stream
                    // named "Book"; directory names without terminating zeros; a damaged
                    // summary, which does not keep the cells from being read; the Excel 5
                    // workbook in code page 1258, whose decoding holds a letter back to see
                    // whether an accent follows (its "h:mm" cell stays a time).
                    TFixtureCase{"gnumeric_greek.xls", evExcel7, {u"Πελάτες.csv", u"Τιμές.csv"}},
                    TFixtureCase{"libreoffice_markers.xls", evExcel9, {u"Дані", u"Після діаграми", u"Last"}},
                    TFixtureCase{"xlwt_line_ends.xls", evExcel8, {u"Texts", u"Many"}},
                    TFixtureCase{"book_stream.xls", evExcel8, {u"Texts", u"Many"}},
                    TFixtureCase{"unterminated_names.xls", evExcel8, {u"Texts", u"Many"}, true, "xlwt_line_ends.xls"},
                    TFixtureCase{"damaged_summary.xls", evExcel9, {u"summary.csv"}},
                    TFixtureCase{"biff5_cp1258.xls", evExcel7, {u"Äàí³", u"Äđóăèé"}},
                    // Defined names of the workbook and of its sheets, built-in ones, fonts
                    // of several faces and styles, and formulas that a column of cells
                    // shares (tests/fixtures/make_xls_globals.sh).
                    TFixtureCase{"writeexcel_names.xls", evExcel8, {u"Rates", u"Люди"}},
                    TFixtureCase{"libreoffice_globals.xls", evExcel9, {u"Розрахунок", u"Second"}}),
    [](const testing::TestParamInfo<TFixtureCase>& info) {
      std::string name = info.param.File;
      return name.substr(0, name.find('.'));
    });

TEST(XLSReader, SharedFormulasOfTheSheetsRead) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture("libreoffice_globals.xls"));
  // B1:B10 share =A1*2 and C1:C10 =A1&"x": a reference to the row of the cell and one or
  // two columns to its left, then the number 2 and a product, or the text "x" and a
  // concatenation.
  ASSERT_EQ(reader.SharedFormulas().size(), 2u);
  for (const int column : {1, 2}) {
    const TXLSSharedFormula& formula = reader.SharedFormulas()[static_cast<std::size_t>(column) - 1];
    SCOPED_TRACE(column);
    EXPECT_EQ(formula.SheetIndex, 0);
    EXPECT_EQ(formula.FirstRow, 0);
    EXPECT_EQ(formula.LastRow, 9);
    EXPECT_EQ(formula.FirstColumn, column);
    EXPECT_EQ(formula.LastColumn, column);
  }
  EXPECT_EQ(reader.SharedFormulas()[0].Tokens, (std::vector<Byte>{0x4C, 0, 0, 0xFF, 0xC0, 0x1E, 2, 0, 0x05}));
  EXPECT_EQ(reader.SharedFormulas()[1].Tokens,
            (std::vector<Byte>{0x4C, 0, 0, 0xFE, 0xC0, 0x17, 1, 0, 'x', 0x08}));
  // The text results of the cells that share a formula.
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().CellValue(2, 9).AsWideString(), u"10x");

  // A sheet that is skipped keeps its shared formulas; the workbook's names and fonts stay.
  reader.SetKeepSheetIndex(1);
  reader.LoadFromFile(Fixture("libreoffice_globals.xls"));
  EXPECT_TRUE(reader.SharedFormulas().empty());
  EXPECT_EQ(reader.Names().size(), 4u);
  EXPECT_EQ(reader.Fonts().size(), 9u);
}

TEST(XLSReader, EveryLoadStartsWithEmptyLists) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture("libreoffice_globals.xls"));
  ASSERT_FALSE(reader.Names().empty());
  // A name that is no file clears nothing.
  EXPECT_THROW(reader.LoadFromFile(Fixture("missing.xls")), Exception);
  EXPECT_EQ(reader.SharedFormulas().size(), 2u);
  reader.LoadFromFile(Fixture("xlwt.xls"));
  EXPECT_TRUE(reader.Names().empty());
  EXPECT_TRUE(reader.SharedFormulas().empty());
  EXPECT_EQ(reader.Fonts().size(), Expected("xlwt.xls")["fonts"].size());
  // An encrypted workbook ends its load before its fonts.
  EXPECT_THROW(reader.LoadFromFile(Fixture("encrypted.xls")), Exception);
  EXPECT_TRUE(reader.Fonts().empty());
}

// The peak resident size of the process so far, in kilobytes.
long PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// 200 000 cell formats (24 bytes each in the file) that all name one number format of
// 8 000 characters: the 4.8 MB workbook is read in memory of its own order, not in one
// copy of the text per cell format (3 GB).
TEST(XLSReader, CellFormatsNamingOneLongFormatCostTheirRecordsOnly) {
  constexpr unsigned kCellFormats = 200000, kFormatIndex = 164;
  const std::string longFormat = "0.00 " + std::string(7995, 'x');
  Bytes globals = Record(0x041E, U16(kFormatIndex) + U16(static_cast<unsigned>(longFormat.size())) + Bytes{0} +
                                     Bytes(longFormat.begin(), longFormat.end()));
  const Bytes cellFormat = Record(0x00E0, U16(0) + U16(kFormatIndex) + Bytes(16, 0));
  globals.reserve(globals.size() + cellFormat.size() * kCellFormats);
  for (unsigned i = 0; i < kCellFormats; ++i) Append(globals, cellFormat);
  const std::string path = WriteTemp(
      "many-formats.xls",
      CompoundFile(u"Workbook", WorkbookStream(globals, {{"Sheet1", 0x10, Number(0, 0, kCellFormats - 1, 2.5)}})));
  globals = Bytes();
  ASSERT_GT(std::filesystem::file_size(path), 4800000u);

  const long before = PeakResidentKilobytes();
  TMSExcel reader(nullptr);
  reader.LoadFromFile(path);
  const long grown = PeakResidentKilobytes() - before;
  ASSERT_EQ(reader.CellFormats().size(), kCellFormats);
  const TXLSFormat& last = reader.CellFormats().back();
  EXPECT_EQ(Utf8Encode(reader.NumberFormats().Text(last.NumberFormat)), longFormat);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().CellValue(0, 0).AsDouble(), 2.5);
  // The file, read whole, and a few bytes per cell format; far below a copy of the text each.
  EXPECT_LT(grown, 64 * 1024) << "kilobytes";
}

TEST(XLSReader, NumbersByTheirFormats) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture("xlwt.xls"));
  const TSpreadSheetCells& numbers = reader.Sheets().FindSheet(0)->Cells();
  // A workbook of the 1904 date system shows 1 January 2000 as the 1900 system does.
  EXPECT_EQ(numbers.CellValue(0, 6).AsDateTime(), 36526.0);
  // "h:mm" counts as a date format: 18:30 of the same day.
  EXPECT_EQ(numbers.CellValue(1, 6).AsDateTime(), 36526.0 + 18.5 / 24);
  // 0.25 in "0.00%" is 25.
  EXPECT_EQ(numbers.CellValue(2, 6).AsDouble(), 25.0);
  // RK numbers: whole, negative, and hundredths.
  EXPECT_EQ(numbers.CellValue(5, 0).AsDouble(), -5.0);
  EXPECT_EQ(numbers.CellValue(1, 2).AsDouble(), -12.99);
  // Latin-1 text stored with 8-bit characters.
  EXPECT_EQ(numbers.CellValue(3, 7).AsWideString(), u"Café Straße ü");
}

TEST(XLSReader, SummaryInformationOfTheWorkbook) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(test::FixturePath("compound/writeexcel.xls"));
  EXPECT_EQ(reader.SummaryInformation()->Title(), "Quarterly forms");
  EXPECT_EQ(reader.SummaryInformation()->Author(), "Olena Koval");
  EXPECT_EQ(reader.SummaryInformation()->Company(), "Ordvane test");
  // A workbook without property sets leaves them empty, also after one that had them.
  reader.LoadFromFile(Fixture("npm_biff2.xls"));
  EXPECT_EQ(reader.SummaryInformation()->Title(), "");
  EXPECT_EQ(reader.SummaryInformation()->Created(), 0.0);
}

TEST(XLSReader, ADamagedSummaryIsReportedAndLeftEmpty) {
  const char* damage = "Property set stream is damaged: the property table runs past the end of the stream";
  TMSExcel reader(nullptr);
  reader.LoadFromFile(test::FixturePath("compound/writeexcel.xls"));
  ASSERT_EQ(reader.SummaryInformation()->Author(), "Olena Koval");
  std::vector<std::string> errors;
  bool abort = false;
  reader.OnErrorProcess = [&](TObject*, const Exception& error, bool& abortLoad) {
    errors.push_back(error.Message());
    abortLoad = abort;
  };
  reader.LoadFromFile(Fixture("damaged_summary.xls"));
  EXPECT_EQ(errors, std::vector<std::string>{damage});
  EXPECT_EQ(reader.SummaryInformation()->Author(), "");
  EXPECT_EQ(reader.SummaryInformation()->Created(), 0.0);
  EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(0)), 6);
  // A handler may still have the damage end the load.
  abort = true;
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(Fixture("damaged_summary.xls")); }), damage);
  EXPECT_EQ(reader.Sheets().Count(), 0);
}

TEST(XLSReader, EncryptedWorkbookIsNotReadAndThePasswordIsAskedOnce) {
  TMSExcel reader(nullptr);
  reader.SetPassword("secret");
  int asked = 0;
  reader.OnPassword = [&](TObject*, AnsiString& password, bool& continueAsking) {
    ++asked;
    EXPECT_EQ(password, "secret");
    continueAsking = true;  // a handler that would ask for ever
  };
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(Fixture("encrypted.xls")); }),
            "Could not read the password protected file");
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(reader.Encrypted());
  EXPECT_EQ(reader.Sheets().Count(), 0);

  // An error handler that carries on does not make the encrypted records readable.
  std::vector<std::string> errors;
  reader.OnErrorProcess = [&](TObject*, const Exception& error, bool& abort) {
    errors.push_back(error.Message());
    abort = false;
  };
  reader.LoadFromFile(Fixture("encrypted.xls"));
  EXPECT_EQ(errors, std::vector<std::string>{"Could not read the password protected file"});
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(reader.Sheets().Count(), 0);
  reader.LoadFromFile(Fixture("xlwt.xls"));
  EXPECT_FALSE(reader.Encrypted());
}

TEST(XLSReader, KeepsTheChosenSheetAndNamesThemAll) {
  const nlohmann::json expected = Expected("libreoffice.xls");
  TMSExcel reader(nullptr);
  reader.SetKeepSheetIndex(1);
  reader.LoadFromFile(Fixture("libreoffice.xls"));
  ASSERT_EQ(reader.Sheets().Count(), 4);
  EXPECT_EQ(reader.Sheets().FindSheet(3)->Caption(), u"Last");
  EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(0)), 0);
  ExpectSheetAsDumped(*reader.Sheets().FindSheet(1), expected["sheets"][1], false);
  EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(3)), 0);

  // The sheet after a chart sheet, with the sheet before it (a chart inside it) skipped.
  reader.SetKeepSheetIndex(2);
  reader.LoadFromFile(Fixture("writeexcel.xls"));
  ASSERT_EQ(reader.Sheets().Count(), 3);
  EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(0)), 0);
  ExpectSheetAsDumped(*reader.Sheets().FindSheet(2), Expected("writeexcel.xls")["sheets"][1], false);

  // The last sheet skipped: the reading ends there.
  reader.SetKeepSheetIndex(0);
  reader.LoadFromFile(Fixture("xlwt.xls"));
  ASSERT_EQ(reader.Sheets().Count(), 2);
  EXPECT_EQ(StoredCells(*reader.Sheets().FindSheet(1)), 0);
  EXPECT_GT(StoredCells(*reader.Sheets().FindSheet(0)), 30);
}

TEST(XLSReader, RangeLimitsTheStoredRowsAndColumns) {
  TMSExcel reader(nullptr);
  reader.Range()->SetLastRow(10);
  reader.Range()->SetLastCol(0);
  reader.LoadFromFile(Fixture("xlwt.xls"));
  const TSpreadSheetCells& strings = reader.Sheets().FindSheet(1)->Cells();
  EXPECT_EQ(strings.UsedRowCount(), 11);  // rows 0 to 10
  EXPECT_EQ(strings.UsedColCount(), 1);
  EXPECT_EQ(strings.CellValue(0, 0).AsWideString(), u"Рядок 0 Ґанок");
  EXPECT_TRUE(VarIsEmpty(strings.CellValue(0, 11)));
  EXPECT_TRUE(VarIsEmpty(strings.CellValue(1, 0)));
}

TEST(XLSReader, BlankCellsReachOnlyAnAssignedHandler) {
  TMSExcel reader(nullptr);
  reader.SetLoadNULLs(true);
  reader.LoadFromFile(Fixture("biff2.xls"));
  const TSpreadSheetCells& cells = reader.Sheets().FindSheet(0)->Cells();
  EXPECT_EQ(cells.FindRow(14)->Cell(0), nullptr);
  EXPECT_NE(cells.FindRow(14)->Cell(2), nullptr);

  std::vector<std::pair<Integer, Integer>> blanks;
  reader.OnCellValue = [&](TObject*, Integer, Integer row, Integer column, Integer, const Variant& value, TAlignment,
                           TSMICellType type) {
    if (type == ictEmpty) {
      EXPECT_TRUE(VarIsEmpty(value));
      blanks.emplace_back(row, column);
    }
  };
  reader.LoadFromFile(Fixture("biff2.xls"));
  EXPECT_EQ(blanks, (std::vector<std::pair<Integer, Integer>>{{14, 0}}));
  reader.SetLoadNULLs(false);
  blanks.clear();
  reader.LoadFromFile(Fixture("biff2.xls"));
  EXPECT_TRUE(blanks.empty());
}

TEST(XLSReader, FileErrorsClearNothing) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture("npm_biff5.xls"));
  ASSERT_EQ(reader.Sheets().Count(), 2);
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile("   "); }), "File is not defined.");
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(test::TestTempDir() + "/missing.xls"); }), "File does not exist.");
  EXPECT_EQ(reader.Sheets().Count(), 2);
  EXPECT_EQ(reader.FileName(), Fixture("npm_biff5.xls"));

  const std::string text = WriteTemp("text.xls", Bytes{'n', 'a', 'm', 'e', ';', '1', '\n'});
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(text); }), "File is not an Excel file");
  const std::string empty = WriteTemp("empty.xls", {});
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(empty); }), "File is not an Excel file");
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(test::FixturePath("compound/nested.ole")); }),
            "File is not valid Excel Workbook");
}

TEST(XLSReader, OpenXMLWorkbooksAreAcceptedAndYieldNothing) {
  TMSExcelX reader(nullptr);
  EXPECT_EQ(reader.Version(), evExcel12);
  const std::string xlsx = WriteTemp("book.xlsx", Bytes{'P', 'K', 3, 4, 0, 0});
  reader.LoadFromFile(xlsx);
  EXPECT_EQ(reader.Version(), evExcel12);
  EXPECT_EQ(reader.Sheets().Count(), 0);
  reader.LoadFromFile(WriteTemp("book.xlsb", Bytes{'P', 'K'}));
  EXPECT_EQ(reader.Version(), evExcel12Bin);
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(""); }), "File is not defined.");
}

TEST(XLSReader, PathsLongerThan260CharactersAreReadWhole) {
  std::string folder = test::TestTempDir();
  while (folder.size() < 300) folder += "/" + std::string(40, 'd');
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/book.xls";
  std::filesystem::copy_file(Fixture("biff3.xls"), path);
  TMSExcel reader(nullptr);
  reader.LoadFromFile(path);
  EXPECT_EQ(reader.FileName(), path);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().CellValue(1, 1).AsInteger(), 42);
}

TEST(XLSReader, StreamsHoldCompoundWorkbooks) {
  std::ifstream in(Fixture("libreoffice.xls"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  TMSExcel reader(nullptr);
  reader.LoadFromStream(&stream);
  const nlohmann::json expected = Expected("libreoffice.xls");
  ASSERT_EQ(reader.Sheets().Count(), 4);
  ExpectSheetAsDumped(*reader.Sheets().FindSheet(0), expected["sheets"][0], false);

  std::ifstream plain(Fixture("biff3.xls"), std::ios::binary);
  const std::string plainBytes((std::istreambuf_iterator<char>(plain)), std::istreambuf_iterator<char>());
  TMemoryStream plainStream;
  plainStream.WriteBuffer(plainBytes.data(), static_cast<Int64>(plainBytes.size()));
  EXPECT_THROW(reader.LoadFromStream(&plainStream), ECompoundFileError);
}

TEST(XLSReader, ProgressRunsUpToTheStreamSize) {
  TMSExcel reader(nullptr);
  std::vector<std::pair<Integer, Integer>> events, hooked;
  reader.OnLoadProgress = [&](TObject*, Integer position, Integer total) { events.emplace_back(position, total); };
  reader.SetProgressHook([&](Integer position, Integer total) { hooked.emplace_back(position, total); });
  reader.LoadFromFile(Fixture("biff4.xls"));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events, hooked);
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end()));
  EXPECT_EQ(events.back().first, static_cast<Integer>(std::filesystem::file_size(Fixture("biff4.xls"))));
  EXPECT_EQ(events.back().second, events.back().first);
}

TEST(XLSReader, DimensionsOfEveryVersion) {
  TMSExcel reader(nullptr);
  reader.LoadFromFile(Fixture("libreoffice.xls"));
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredRowCount(), 7);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredColCount(), 4);
  EXPECT_EQ(reader.Sheets().FindSheet(2)->Cells().DeclaredRowCount(), 0);
  // Excel 3 to 7 give the row and column after the last ones, as Excel 8 does.
  reader.LoadFromFile(Fixture("biff3.xls"));
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredRowCount(), 15);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredColCount(), 3);
  reader.LoadFromFile(Fixture("biff5.xls"));
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredRowCount(), 15);
  // The range limits the declared columns.
  reader.Range()->SetLastCol(2);
  reader.LoadFromFile(Fixture("libreoffice.xls"));
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().DeclaredColCount(), 2);

  // Excel 2 keeps its dimensions in a record of its own: the cells give them.
  std::vector<std::vector<Integer>> reported;
  reader.OnDimensions = [&](TObject*, Integer sheet, Integer firstRow, Integer lastRow, Integer firstColumn,
                            Integer lastColumn) {
    reported.push_back({sheet, firstRow, lastRow, firstColumn, lastColumn});
  };
  reader.LoadFromFile(Fixture("npm_biff2.xls"));
  EXPECT_EQ(reported, (std::vector<std::vector<Integer>>{{-1, 0, 4, 0, 4}}));
  reported.clear();
  reader.LoadFromFile(Fixture("biff4.xls"));
  EXPECT_EQ(reported, (std::vector<std::vector<Integer>>{{-1, 0, 15, 0, 3}}));
}

TEST(XLSReader, MacroListingOfAWorkbookWithAMacroProject) {
  auto text = [](const std::string& name) {
    std::ifstream in(test::FixturePath("import/vba/" + name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  TMSExcel reader(nullptr);
  reader.LoadFromFile(test::FixturePath("import/vba/project.xls"));
  EXPECT_EQ(reader.MacroListing(), "");
  EXPECT_EQ(reader.Modules().Count(), 0);

  reader.SetParseVBA(true);
  reader.LoadFromFile(test::FixturePath("import/vba/project.xls"));
  EXPECT_EQ(reader.ProjectText(), text("project.PROJECT.txt"));
  std::string expected;
  int listed = 0;
  for (int i = 0; i < reader.Modules().Count(); ++i) {
    const TVBAProjectItem* module = reader.Modules().Items(i);
    if (module->Source.empty()) continue;
    EXPECT_EQ(module->Source, text("project.source" + std::to_string(listed++) + ".txt"));
    expected += (expected.empty() ? "" : "\r\n") + std::string("'===================================\r\n") +
                "'  Macro(s) from " + WideToAnsi(module->ModuleName) + "\r\n" + module->Source;
  }
  EXPECT_EQ(listed, 3);
  EXPECT_EQ(reader.MacroListing(), expected);
  EXPECT_NE(reader.MacroListing().find("'  Macro(s) from Module1\r\n"), std::string::npos);

  // A macro project that cannot be read fails the load; the listing stays empty.
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.LoadFromFile(test::FixturePath("import/vba/bad_octets.xls")); }),
            "Fixed octet is incorrect");
  EXPECT_EQ(reader.MacroListing(), "");
}

}  // namespace
}  // namespace ordvane

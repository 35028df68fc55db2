// The workbook reader over workbooks made record by record: sheet structure, formulas and
// their cached results, text in older code pages, and malformed records, each of which
// must reach the error handler as an error and never read outside its record.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "classlib/core/CodePages.h"
#include "import/SMXLS.h"
#include "tests/import/WorkbookBuilder.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using namespace test;

// Loads a workbook stream wrapped in a compound file (as "Book" for Excel 5).
void Load(TMSExcel& reader, const Bytes& stream, const std::u16string& name = u"Workbook") {
  const Bytes file = CompoundFile(name, stream);
  TMemoryStream memory;
  memory.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
  reader.LoadFromStream(&memory);
}

Variant Cell(const TMSExcel& reader, int sheet, int row, int column) {
  return reader.Sheets().FindSheet(sheet)->Cells().CellValue(column, row);
}

// A reader whose error handler records each error and carries on.
struct TolerantReader {
  TolerantReader() {
    reader.OnErrorProcess = [this](TObject*, const Exception& error, bool& abort) {
      errors.push_back(error.Message());
      abort = false;
    };
  }
  TMSExcel reader{nullptr};
  std::vector<std::string> errors;
};

TEST(XLSRecords, ChartsAndMacroSheetsAreSheetsAndSubstreamsInsideASheetAreNot) {
  // A chart inside the first worksheet (with a cell record of its own, which is not the
  // sheet's); then a chart sheet, a macro sheet and a last worksheet.
  const Bytes nestedChart = BOF(0x20) + Number(0, 0, 0, 999) + EOFRecord();
  const Bytes stream = WorkbookStream(
      {}, {{"Data", 0x10, Number(0, 0, 0, 1) + nestedChart + Number(1, 0, 0, 2)},
           {"Chart", 0x20, {}},
           {"Macros", 0x40, {}},
           {"Last", 0x10, Number(0, 0, 0, 3)}});
  TMSExcel reader(nullptr);
  std::vector<std::pair<std::u16string, Integer>> announced;
  reader.OnSheet = [&](TObject*, const WideString& caption, Integer index, bool&) {
    announced.emplace_back(caption, index);
    reader.Sheets().Sheets(index)->SetCaption(caption);
  };
  Load(reader, stream);
  EXPECT_EQ(announced, (std::vector<std::pair<std::u16string, Integer>>{
                           {u"Data", 0}, {u"Chart", 1}, {u"Macros", 2}, {u"Last", 3}}));
  // The chart's records are not the sheet's; the cell after the chart was read.
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 1.0);
  EXPECT_EQ(Cell(reader, 0, 1, 0).AsDouble(), 2.0);
  EXPECT_EQ(Cell(reader, 3, 0, 0).AsDouble(), 3.0);
  EXPECT_EQ(reader.SheetIndex(), 3);
}

TEST(XLSRecords, SubstreamsOfOtherKindsAreSkippedAndSkippedSheetsAreJumpedOver) {
  // A sheet of a kind that is not read (a module sheet), then two worksheets.
  const Bytes stream = WorkbookStream({}, {{"Module", 0x06, Number(0, 0, 0, 5)},
                                           {"One", 0x10, Number(0, 0, 0, 1)},
                                           {"Two", 0x10, Number(0, 0, 0, 2)}});
  TMSExcel reader(nullptr);
  Load(reader, stream);
  ASSERT_EQ(reader.Sheets().Count(), 2);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Caption(), u"Module");  // the first entry of the list
  EXPECT_EQ(Cell(reader, 1, 0, 0).AsDouble(), 2.0);

  int records = 0;
  reader.OnRecord = [&](TObject*, const TBIFFRecordHeader&, TByteArray&) { ++records; };
  reader.SetKeepSheetIndex(1);
  Load(reader, WorkbookStream({}, {{"A", 0x10, Number(0, 0, 0, 1) + Number(1, 0, 0, 1)},
                                   {"B", 0x10, Number(0, 0, 0, 2)},
                                   {"C", 0x10, Number(0, 0, 0, 3)}}));
  EXPECT_EQ(Cell(reader, 1, 0, 0).AsDouble(), 2.0);
  EXPECT_TRUE(VarIsEmpty(Cell(reader, 0, 0, 0)));
  // Globals (BOF, 3 sheet entries, EOF), the BOF of A (then a jump), B (BOF, number, EOF),
  // the BOF of C (the last sheet, skipped: the end).
  EXPECT_EQ(records, 5 + 1 + 3 + 1);
}

TEST(XLSRecords, FormulaResults) {
  const Bytes sharedFormula = Record(0x00BC, Bytes(12, 0));
  auto formula = [](unsigned row, const Bytes& result) {
    return Record(0x0006, U16(row) + U16(0) + U16(0) + result + U16(0x0008) + U32(0) + U16(3) + Bytes{0x1E, 1, 0});
  };
  auto special = [](Byte kind, Byte value) { return Bytes{kind, 0, value, 0, 0, 0, 0xFF, 0xFF}; };
  // A text result of 20 characters whose STRING record continues, switching from 16-bit
  // to 8-bit characters.
  const Bytes text = Record(0x0207, U16(20) + Bytes{1} + U16('a') + U16(0x0416) + U16('c')) +
                     Record(0x003C, Bytes{0} + Bytes(17, 'z'));
  const Bytes cells = formula(0, F64(12.5)) + formula(1, special(0, 0)) + sharedFormula + text +
                      formula(2, special(1, 1)) + formula(3, special(2, 0x2A)) + formula(4, special(2, 99)) +
                      formula(5, special(3, 0)) +
                      // A text result whose STRING record is missing: no cell; the record after it is read.
                      formula(6, special(0, 0)) + Number(7, 0, 0, 7);
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream({}, {{"F", 0x10, cells}}));
  const TSpreadSheetCells& sheet = reader.Sheets().FindSheet(0)->Cells();
  EXPECT_EQ(sheet.CellValue(0, 0).AsDouble(), 12.5);
  EXPECT_EQ(sheet.CellValue(0, 1).AsWideString(), u"a\u0416c" + std::u16string(17, u'z'));
  EXPECT_EQ(sheet.FindRow(2)->Cell(0)->CellType(), ictBoolean);
  EXPECT_EQ(sheet.CellValue(0, 2).AsBoolean(), true);
  EXPECT_EQ(sheet.CellValue(0, 3).AsWideString(), u"#N/A");
  EXPECT_EQ(sheet.FindRow(3)->Cell(0)->CellType(), ictUnknown);
  EXPECT_EQ(sheet.CellValue(0, 4).AsWideString(), u"Unknown error code 99");
  EXPECT_EQ(sheet.CellValue(0, 5).AsWideString(), u"");
  EXPECT_EQ(sheet.FindRow(6), nullptr);
  EXPECT_EQ(sheet.CellValue(0, 7).AsDouble(), 7.0);
}

TEST(XLSRecords, NumbersInADateFormatOutsideTheDatesOfExcelStayNumbers) {
  const Bytes globals = Record(0x041E, U16(164) + String16(u"dd.mm.yyyy")) +
                        Record(0x00E0, U16(0) + U16(164) + U16(0) + U16(3) + Bytes(12, 0));
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream(globals, {{"S", 0x10, Number(0, 0, 0, 45351) + Number(1, 0, 0, -1) +
                                                         Number(2, 0, 0, 1e7) + Number(3, 0, 0, NAN)}}));
  const TSpreadSheetCells& cells = reader.Sheets().FindSheet(0)->Cells();
  EXPECT_EQ(cells.FindRow(0)->Cell(0)->CellType(), ictDateTime);
  EXPECT_EQ(cells.FindRow(0)->Cell(0)->Alignment(), taRightJustify);
  for (int row = 1; row <= 3; ++row) EXPECT_EQ(cells.FindRow(row)->Cell(0)->CellType(), ictDecimal) << row;
  EXPECT_EQ(cells.CellValue(0, 2).AsDouble(), 1e7);
}

TEST(XLSRecords, DamageThatCostsOnlyAFormatIsReportedAndTheCellsAreRead) {
  auto cellFormat = [](unsigned numberFormat) {
    return Record(0x00E0, U16(0) + U16(numberFormat) + U16(0) + U16(0) + Bytes(12, 0));
  };
  // "h:mm" promising 50 characters; a cell format too short to hold one, between two
  // sound ones; a column width and a row height too short as well.
  const Bytes globals = Record(0x041E, U16(164) + U16(50) + Bytes{0} + Bytes{'h', ':', 'm', 'm'}) + cellFormat(164) +
                        Record(0x00E0, U16(0)) + cellFormat(10);
  const Bytes cells = Record(0x007D, U16(0)) + Record(0x0208, U16(0)) + Number(0, 0, 0, 0.75) +
                      Number(0, 1, 1, 5) + Number(0, 2, 2, 0.25);
  const Bytes stream = WorkbookStream(globals, {{"S", 0x10, cells}});
  const auto expectCellsRead = [](const TMSExcel& reader) {
    const TSpreadSheetCells& sheet = reader.Sheets().FindSheet(0)->Cells();
    // The format keeps the characters it holds: a time.
    EXPECT_EQ(sheet.FindRow(0)->Cell(0)->CellType(), ictDateTime);
    EXPECT_EQ(sheet.CellValue(0, 0).AsDouble(), 0.75);
    // The damaged cell format is General; the one after it keeps its index ("0.00%").
    EXPECT_EQ(sheet.FindRow(0)->Cell(1)->CellType(), ictDecimal);
    EXPECT_EQ(sheet.CellValue(1, 0).AsDouble(), 5.0);
    EXPECT_EQ(sheet.CellValue(2, 0).AsDouble(), 25.0);
  };
  TolerantReader tolerant;
  tolerant.reader.OnRowHeight = [](TObject*, Integer, Integer, Integer) {};  // row heights are read only for it
  Load(tolerant.reader, stream);
  EXPECT_EQ(tolerant.errors, (std::vector<std::string>{"Excel record 041E is damaged", "Excel record 00E0 is damaged",
                                                       "Excel record 007D is damaged", "Excel record 0208 is damaged"}));
  expectCellsRead(tolerant.reader);
  // Without a handler the load goes on.
  TMSExcel quiet(nullptr);
  Load(quiet, stream);
  expectCellsRead(quiet);
  // A handler may still end the load.
  TMSExcel strict(nullptr);
  strict.OnErrorProcess = [](TObject*, const Exception&, bool& abort) { abort = true; };
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(strict, stream); }), "Excel record 041E is damaged");

  // Excel 5: an 8-bit count.
  const Bytes biff5 = Record(0x041E, U16(164) + Bytes{50, 'h', ':', 'm', 'm'}) +
                      Record(0x00E0, U16(0) + U16(164) + U16(0) + U16(0) + Bytes(8, 0));
  TMSExcel excel5(nullptr);
  Load(excel5, WorkbookStream(biff5, {{"S", 0x10, Number(0, 0, 0, 0.75)}}, false), u"Book");
  EXPECT_EQ(excel5.Sheets().FindSheet(0)->Cells().FindRow(0)->Cell(0)->CellType(), ictDateTime);
}

TEST(XLSRecords, ObjectRecordsOfAnyKindAreIgnored) {
  auto object = [](unsigned type) { return Record(0x005D, U16(0x15) + U16(0x12) + U16(type) + Bytes(20, 0)); };
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream({}, {{"S", 0x10, object(21) + object(25) + object(8) + Number(0, 0, 0, 1)}}));
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 1.0);
}

TEST(XLSRecords, TextOfExcel5InTheWorkbooksCodePage) {
  const Bytes cafe = {'C', 'a', 'f', 0xE9};
  auto label = [&](unsigned row) {
    return Record(0x0204, U16(row) + U16(0) + U16(0) + U16(static_cast<unsigned>(cafe.size())) + cafe);
  };
  auto read = [&](const Bytes& globals) {
    TMSExcel reader(nullptr);
    Load(reader, WorkbookStream(globals, {{"S", 0x10, label(0)}}, false), u"Book");
    EXPECT_EQ(reader.Version(), evExcel7);
    return Cell(reader, 0, 0, 0).AsWideString();
  };
  EXPECT_EQ(read(Record(0x0042, U16(1252))), u"Café");
  EXPECT_EQ(read({}), u"Cafй");  // no code page named: Windows-1251
  EXPECT_EQ(read(Record(0x0042, U16(866))), u"Cafщ");
  EXPECT_EQ(read(Record(0x0042, U16(1253))), u"Cafι");
  // The ANSI code page of the process plays no part.
  const AnsiCodePageScope utf8(CP_UTF8);
  EXPECT_EQ(read(Record(0x0042, U16(1252))), u"Café");
  // A code page that cannot be decoded fails the load, and no text is read in another.
  TMSExcel reader(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] {
              Load(reader, WorkbookStream(Record(0x0042, U16(10006)), {{"S", 0x10, label(0)}}, false), u"Book");
            }),
            "Code page 10006 cannot be decoded");
  TolerantReader tolerant;
  Load(tolerant.reader, WorkbookStream(Record(0x0042, U16(10006)), {{"S", 0x10, label(0)}}, false), u"Book");
  EXPECT_EQ(tolerant.errors, std::vector<std::string>(3, "Code page 10006 cannot be decoded"));  // record, sheet name, cell
  EXPECT_TRUE(VarIsEmpty(Cell(tolerant.reader, 0, 0, 0)));
}

TEST(XLSRecords, TheGlobalsBOFGivesTheVersionAndOnlyBOFIdsBeginSubstreams) {
  // An Excel 97 stream named "Book" holds records longer than Excel 95's limit.
  const Bytes sst = Record(0x00FC, U32(1) + U32(1) + U16(3000) + Bytes{0} + Bytes(3000, 'z'));
  // A chart record whose id ends in 09 inside the sheet begins nothing.
  const Bytes cells = Record(0x00FD, U16(0) + U16(0) + U16(0) + U32(0)) + Record(0x1009, Bytes(12, 0)) +
                      Number(1, 0, 0, 2);
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream(sst, {{"S", 0x10, cells}, {"T", 0x10, Number(0, 0, 0, 3)}}), u"BOOK");
  EXPECT_EQ(reader.Version(), evExcel8);
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsWideString(), std::u16string(3000, u'z'));
  EXPECT_EQ(Cell(reader, 0, 1, 0).AsDouble(), 2.0);
  EXPECT_EQ(Cell(reader, 1, 0, 0).AsDouble(), 3.0);
  // A stream that does not begin with a BOF is no workbook.
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, Number(0, 0, 0, 1)); }), "File is not valid Excel Workbook");
}

TEST(XLSRecords, CellsShareTheTextOfTheSharedStringTableUntilOneIsChanged) {
  const Bytes sst = Record(0x00FC, U32(3) + U32(1) + U16(5) + Bytes{0} + Bytes{'a', '\n', 'b', 'c', 'd'});
  const Bytes cells = Record(0x00FD, U16(0) + U16(0) + U16(0) + U32(0)) +
                      Record(0x00FD, U16(0) + U16(1) + U16(0) + U32(0)) + Record(0x00FD, U16(1) + U16(0) + U16(0) + U32(0));
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream(sst, {{"S", 0x10, cells}}));
  TSpreadSheetCells& sheet = reader.Sheets().FindSheet(0)->Cells();
  TSMICell* first = sheet.FindRow(0)->Cell(0);
  const TSMICell* second = sheet.FindRow(0)->Cell(1);
  const TSMICell* third = sheet.FindRow(1)->Cell(0);
  // One text for the three cells, its line end converted once.
  EXPECT_EQ(second->Value().AsWideString(), u"a\r\nbcd");
  EXPECT_EQ(first->Value().DataPtr(), second->Value().DataPtr());
  EXPECT_EQ(first->Value().DataPtr(), third->Value().DataPtr());
  first->SetValue(Variant(u"changed"));
  EXPECT_EQ(first->Value().AsWideString(), u"changed");
  EXPECT_EQ(second->Value().AsWideString(), u"a\r\nbcd");
  EXPECT_EQ(third->Value().AsWideString(), u"a\r\nbcd");
}

TEST(XLSRecords, MalformedRecordsReachTheErrorHandler) {
  const Bytes sst = Record(0x00FC, U32(1) + U32(1) + U16(1) + Bytes{0, 'x'});
  const Bytes cells =
      Record(0x00BD, U16(0) + U16(0) + U16(0) + U32(0x3FF00000) + U16(5)) +       // last column 5, one entry
      Record(0x00FD, U16(1) + U16(0) + U16(0) + U32(7)) +                          // string 7 of a table of one
      Record(0x0204, U16(2) + U16(0) + U16(0) + U16(50) + Bytes{0} + Bytes{'a'}) +  // 50 characters promised
      Number(3, 300, 0, 1) +                                                       // beyond the last column
      Record(0x0203, U16(4) + U16(0)) +                                            // too short for a number
      Record(0x00FD, U16(5) + U16(0) + U16(0) + U32(0)) + Number(6, 1, 0, 6);
  TolerantReader tolerant;
  Load(tolerant.reader, WorkbookStream(sst, {{"S", 0x10, cells}}));
  EXPECT_EQ(tolerant.errors, (std::vector<std::string>{"Excel record 00BD is damaged", "Excel record 00FD is damaged",
                                                       "Excel record 0204 is damaged",
                                                       "Column 300 lies outside the sheet",
                                                       "Excel record 0203 is damaged"}));
  EXPECT_EQ(Cell(tolerant.reader, 0, 5, 0).AsWideString(), u"x");
  EXPECT_EQ(Cell(tolerant.reader, 0, 6, 1).AsDouble(), 6.0);

  // Without a handler the first error ends the load; what was read before it stays.
  TMSExcel strict(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(strict, WorkbookStream(sst, {{"S", 0x10, Number(0, 0, 0, 1) + cells}})); }),
            "Excel record 00BD is damaged");
  EXPECT_EQ(Cell(strict, 0, 0, 0).AsDouble(), 1.0);
}

TEST(XLSRecords, SheetListOffsetsAreChecked) {
  // An offset beyond the stream.
  Bytes stream = WorkbookStream({}, {{"S", 0x10, Number(0, 0, 0, 1)}});
  const Bytes bad = BOF(0x0005) + Record(0x0085, U32(1000000) + Bytes{0, 0} + ShortString8("S")) + EOFRecord();
  TMSExcel reader(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, bad + BOF(0x10) + Number(0, 0, 0, 1) + EOFRecord()); }),
            "Excel record 0085 is damaged");

  // Entries in the wrong order: skipping the first sheet would go back; it fails instead
  // of reading the same records again.
  const Bytes first = BOF(0x10) + Number(0, 0, 0, 1) + EOFRecord();
  const Bytes second = BOF(0x10) + Number(0, 0, 0, 2) + EOFRecord();
  auto globals = [&](unsigned long a, unsigned long b) {
    return BOF(0x0005) + Record(0x0085, U32(a) + Bytes{0, 0} + ShortString8("A")) +
           Record(0x0085, U32(b) + Bytes{0, 0} + ShortString8("B")) + EOFRecord();
  };
  const unsigned long size = globals(0, 0).size();
  reader.SetKeepSheetIndex(1);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, globals(size + first.size(), size) + first + second); }),
            "Excel record 0085 is damaged");
}

TEST(XLSRecords, SharedStringsNeedTheirContinueRecords) {
  // Ten characters promised, four present, and no CONTINUE record after the table.
  const Bytes sst = Record(0x00FC, U32(1) + U32(1) + U16(10) + Bytes{0, 'a', 'b', 'c', 'd'});
  TMSExcel reader(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, WorkbookStream(sst, {{"S", 0x10, {}}})); }),
            "CONTINUE record is not found in the stream");
  // The option byte of a string the table cannot hold.
  const Bytes odd = Record(0x00FC, U32(1) + U32(1) + U16(1) + Bytes{0x02, 'a'});
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, WorkbookStream(odd, {{"S", 0x10, {}}})); }),
            "String in SST (Options byte is 0x02) can not be processed.");
}

TEST(XLSRecords, LongRecordsArePassedOverAndTruncatedStreamsFail) {
  const Bytes tooLong = Record(0x0203, Bytes(9000, 0x41));
  TMSExcel reader(nullptr);
  Load(reader, WorkbookStream({}, {{"S", 0x10, Number(0, 0, 0, 1) + tooLong + Number(1, 0, 0, 2)}}));
  EXPECT_EQ(Cell(reader, 0, 1, 0).AsDouble(), 2.0);
  EXPECT_EQ(reader.Sheets().FindSheet(0)->Cells().UsedRowCount(), 2);

  // A workbook stream (longer than the 4096 bytes the compound file would pad it to) that
  // ends inside a record: an error; the cells before it stay.
  Bytes cells;
  for (unsigned row = 0; row < 300; ++row) cells = cells + Number(row, 0, 0, row);
  Bytes stream = WorkbookStream({}, {{"S", 0x10, cells}});
  stream.resize(stream.size() - 4 - 5);  // the sheet's EOF and the end of the last number
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(reader, stream); }), "Excel record 0203 runs past the end of the stream");
  EXPECT_EQ(Cell(reader, 0, 298, 0).AsDouble(), 298.0);
  EXPECT_TRUE(VarIsEmpty(Cell(reader, 0, 299, 0)));
}

TEST(XLSRecords, ARecordClaimingMoreThanTheStreamHoldsIsDamageNotTheEnd) {
  // A header claiming 60000 bytes: more than the limit and more than the stream has left.
  const Bytes overlong = U16(0x00E5) + U16(60000) + Bytes(10, 0);
  const char* damage = "Excel record 00E5 runs past the end of the stream";
  const Bytes inSheet = WorkbookStream({}, {{"S", 0x10, Number(0, 0, 0, 1) + overlong}});
  const Bytes inGlobals = WorkbookStream(overlong, {{"S", 0x10, Number(0, 0, 0, 1)}});

  TMSExcel strict(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(strict, inGlobals); }), damage);
  EXPECT_EQ(ErrorOf<Exception>([&] { Load(strict, inSheet); }), damage);
  EXPECT_EQ(Cell(strict, 0, 0, 0).AsDouble(), 1.0);

  // A handler that goes on keeps what was read; nothing after the damage can be read.
  TolerantReader tolerant;
  Load(tolerant.reader, inSheet);
  EXPECT_EQ(tolerant.errors, std::vector<std::string>{damage});
  ASSERT_EQ(tolerant.reader.Sheets().Count(), 1);
  EXPECT_EQ(Cell(tolerant.reader, 0, 0, 0).AsDouble(), 1.0);
  tolerant.errors.clear();
  Load(tolerant.reader, inGlobals);
  EXPECT_EQ(tolerant.errors, std::vector<std::string>{damage});
  EXPECT_EQ(tolerant.reader.Sheets().Count(), 0);
}

TEST(XLSRecords, TheRawRecordHookSeesAndMayChangeEveryRecord) {
  TMSExcel reader(nullptr);
  std::vector<Word> ids;
  reader.OnRecord = [&](TObject*, const TBIFFRecordHeader& header, TByteArray& data) {
    ids.push_back(header.RecordId);
    if (header.RecordId == 0x0203) {  // 1.0 becomes 2.0
      data[6 + 6] = 0x00;
      data[6 + 7] = 0x40;
    }
  };
  Load(reader, WorkbookStream({}, {{"S", 0x10, Number(0, 0, 0, 1)}}));
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 2.0);
  EXPECT_EQ(ids, (std::vector<Word>{0x0809, 0x0085, 0x000A, 0x0809, 0x0203, 0x000A}));
}

TEST(XLSRecords, ACellHandlerAssignedDuringTheLoadTakesTheCellsAfterIt) {
  TMSExcel reader(nullptr);
  std::vector<std::pair<Integer, double>> handled;
  reader.OnSheet = [&](TObject*, const WideString&, Integer index, bool&) {
    if (index == 1)
      reader.OnCellValue = [&](TObject*, Integer sheet, Integer, Integer, Integer, const Variant& value,
                               TAlignment, TSMICellType) { handled.emplace_back(sheet, value.AsDouble()); };
  };
  Load(reader, WorkbookStream({}, {{"S", 0x10, Number(0, 0, 0, 1)}, {"T", 0x10, Number(0, 0, 0, 2)}}));
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 1.0);
  EXPECT_EQ(reader.Sheets().Count(), 1);
  EXPECT_EQ(handled, (std::vector<std::pair<Integer, double>>{{1, 2.0}}));
}

TEST(XLSRecords, BlanksAndRowHeights) {
  const Bytes cells = Record(0x0201, U16(0) + U16(0) + U16(0)) +
                      Record(0x00BE, U16(1) + U16(2) + U16(0) + U16(0) + U16(0) + U16(4)) +
                      Record(0x0208, U16(3) + U16(0) + U16(1) + U16(500) + U32(0) + U32(0));
  TMSExcel reader(nullptr);
  reader.SetLoadNULLs(true);
  std::vector<std::pair<Integer, Integer>> blanks;
  std::vector<std::pair<Integer, Integer>> heights;
  reader.OnCellValue = [&](TObject*, Integer, Integer row, Integer column, Integer, const Variant&, TAlignment,
                           TSMICellType type) {
    EXPECT_EQ(type, ictEmpty);
    blanks.emplace_back(row, column);
  };
  reader.OnRowHeight = [&](TObject*, Integer, Integer row, Integer height) { heights.emplace_back(row, height); };
  Load(reader, WorkbookStream({}, {{"S", 0x10, cells}}));
  EXPECT_EQ(blanks, (std::vector<std::pair<Integer, Integer>>{{0, 0}, {1, 2}, {1, 3}, {1, 4}}));
  EXPECT_EQ(heights, (std::vector<std::pair<Integer, Integer>>{{3, 500}}));
}

// A plain record stream of Excel 2 to 4, written where LoadFromFile reads it.
std::string WritePlainFile(const std::string& name, const Bytes& records) {
  const std::string path = TestTempDir() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(records.data()), static_cast<std::streamsize>(records.size()));
  return path;
}

TEST(XLSRecords, FontsAndNamesInTheLayoutOfEachVersion) {
  const Bytes ref = {0x24, 0, 0, 0};  // $A$1
  const Bytes number = Record(0x0203, U16(0) + U16(0) + U16(0) + F64(5));
  // Excel 2: style bits (bold, italic, underlined, struck out) and no colour; a name's
  // length after two option bytes and the shortcut, its formula's size in one byte.
  const Bytes biff2 = Record(0x0009, U16(2) + U16(0x10)) +
                      Record(0x0031, U16(240) + U16(0x000F) + Bytes{5} + Bytes{'C', 'o', 'u', 'r', 'i'}) +
                      Record(0x0018, U16(0) + Bytes{0, 4, 4} + Bytes{'B', 'e', 't', 'a'} + ref + Bytes{4}) +
                      Record(0x0003, U16(0) + U16(0) + Bytes{0, 0, 0} + F64(5)) + EOFRecord();
  TMSExcel reader(nullptr);
  reader.LoadFromFile(WritePlainFile("globals2.xls", biff2));
  ASSERT_EQ(reader.Fonts().size(), 1u);
  const TXLSFont& font2 = reader.Fonts()[0];
  EXPECT_EQ(font2.Name, u"Couri");
  EXPECT_EQ(font2.Height, 240);
  EXPECT_EQ(font2.Weight, 700);
  EXPECT_TRUE(font2.Italic && font2.StrikeOut);
  EXPECT_EQ(font2.Underline, 1);
  EXPECT_EQ(font2.ColorIndex, 0x7FFF);
  ASSERT_EQ(reader.Names().size(), 1u);
  EXPECT_EQ(reader.Names()[0].Name, u"Beta");
  EXPECT_EQ(reader.Names()[0].SheetIndex, -1);

  // Excel 3 and 4: the colour after the style; the name after a two-byte formula size.
  // The names are in the workbook's code page; a built-in one is its number.
  for (const Word bof : {0x0209, 0x0409}) {
    const Bytes records = Record(bof, U16(0) + U16(0x10) + U16(0)) + Record(0x0042, U16(1251)) +
                          Record(0x0231, U16(200) + U16(0x0002) + U16(10) + Bytes{2, 0xD8, 0xF0}) +
                          Record(0x0218, U16(0) + Bytes{0, 3} + U16(4) + Bytes{0xC8, 0xEC, 0xFF} + ref) +
                          Record(0x0218, U16(0x0020) + Bytes{0, 1} + U16(4) + Bytes{6} + ref) + number +
                          EOFRecord();
    SCOPED_TRACE(bof);
    reader.LoadFromFile(WritePlainFile("globals34.xls", records));
    ASSERT_EQ(reader.Fonts().size(), 1u);
    EXPECT_EQ(reader.Fonts()[0].Name, u"Шр");
    EXPECT_EQ(reader.Fonts()[0].Weight, 400);
    EXPECT_TRUE(reader.Fonts()[0].Italic);
    EXPECT_EQ(reader.Fonts()[0].ColorIndex, 10);
    ASSERT_EQ(reader.Names().size(), 2u);
    EXPECT_EQ(reader.Names()[0].Name, u"Имя");
    EXPECT_EQ(reader.Names()[1].Name, u"Print_Area");
    EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 5.0);
  }

  // Excel 5: a name of the second sheet, 8-bit in the workbook's code page; a built-in
  // number beyond those Excel knows stays as it is.
  const auto name5 = [](unsigned options, unsigned sheet, const Bytes& text) {
    return Record(0x0018, U16(options) + Bytes{0, static_cast<Byte>(text.size())} + U16(0) + U16(0) +
                              U16(sheet) + Bytes(4, 0) + text);
  };
  const Bytes globals5 =
      Record(0x0042, U16(1251)) + name5(0, 2, {0xD1, 0xF3, 0xEC, 0xE0}) + name5(0x20, 0, {0x40});
  Load(reader, WorkbookStream(globals5, {{"A", 0x10, {}}, {"B", 0x10, {}}}, false), u"Book");
  ASSERT_EQ(reader.Names().size(), 2u);
  EXPECT_EQ(reader.Names()[0].Name, u"Сума");
  EXPECT_EQ(reader.Names()[0].SheetIndex, 1);
  EXPECT_EQ(reader.Names()[1].Name, u"@");
  EXPECT_EQ(reader.Names()[1].SheetIndex, -1);
  EXPECT_TRUE(reader.Fonts().empty());
}

TEST(XLSRecords, DamagedFontsNamesAndSharedFormulasCostNoCell) {
  const auto formula = [](unsigned row, const Bytes& result) {
    return Record(0x0006,
                  U16(row) + U16(0) + U16(0) + result + U16(0x0008) + U32(0) + U16(3) + Bytes{0x1E, 1, 0});
  };
  const Bytes textResult = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  // A shared formula whose tokens run past its record, one whose rows run backwards, and a
  // sound one.
  const Bytes tooLong = Record(0x04BC, U16(0) + U16(1) + Bytes{0, 0, 0, 2} + U16(9) + Bytes{0x1E, 1});
  const Bytes backwards = Record(0x04BC, U16(3) + U16(2) + Bytes{0, 0, 0, 2} + U16(0));
  const Bytes sound = Record(0x04BC, U16(4) + U16(5) + Bytes{0, 1, 0, 2} + U16(3) + Bytes{0x1E, 7, 0});
  const Bytes cells = formula(0, F64(1)) + tooLong + formula(1, F64(2)) + formula(2, textResult) + backwards +
                      Record(0x0207, U16(2) + Bytes{0, 'o', 'k'}) + formula(4, F64(4)) + sound;
  const Bytes globals =
      Record(0x0031, U16(200)) + Record(0x0018, U16(0) + Bytes{0, 30} + Bytes(10, 0) + Bytes{0});
  const Bytes stream = WorkbookStream(globals, {{"S", 0x10, cells}});

  TolerantReader tolerant;
  Load(tolerant.reader, stream);
  EXPECT_EQ(tolerant.errors,
            (std::vector<std::string>{"Excel record 0031 is damaged", "Excel record 0018 is damaged",
                                      "Excel record 04BC is damaged", "Excel record 04BC is damaged"}));
  const TMSExcel& reader = tolerant.reader;
  EXPECT_EQ(Cell(reader, 0, 0, 0).AsDouble(), 1.0);
  EXPECT_EQ(Cell(reader, 0, 1, 0).AsDouble(), 2.0);
  EXPECT_EQ(Cell(reader, 0, 2, 0).AsWideString(), u"ok");
  EXPECT_EQ(Cell(reader, 0, 4, 0).AsDouble(), 4.0);
  EXPECT_TRUE(reader.Fonts().empty());
  EXPECT_TRUE(reader.Names().empty());
  ASSERT_EQ(reader.SharedFormulas().size(), 1u);
  const TXLSSharedFormula& shared = reader.SharedFormulas()[0];
  EXPECT_EQ(std::vector<Integer>(
                {shared.SheetIndex, shared.FirstRow, shared.LastRow, shared.FirstColumn, shared.LastColumn}),
            std::vector<Integer>({0, 4, 5, 0, 1}));
  EXPECT_EQ(shared.Tokens, (Bytes{0x1E, 7, 0}));

  // Without a handler the load goes on; a handler that ends it hears of the damage once,
  // though it lies in a record read ahead for a formula.
  TMSExcel quiet(nullptr);
  Load(quiet, stream);
  EXPECT_EQ(quiet.SharedFormulas().size(), 1u);
  TMSExcel strict(nullptr);
  int reported = 0;
  strict.OnErrorProcess = [&](TObject*, const Exception&, bool& abort) {
    ++reported;
    abort = true;
  };
  EXPECT_EQ(ErrorOf<Exception>([&] {
              Load(strict, WorkbookStream({}, {{"S", 0x10, cells}}));
            }),
            "Excel record 04BC is damaged");
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(Cell(strict, 0, 0, 0).AsDouble(), 1.0);
}

TEST(XLSRecords, PlainFilesReportTheDimensionsTheirCellsNeed) {
  // Excel 3 declares 2 rows of 1 column, but its cells reach row 4 and column 2.
  const Bytes file = Record(0x0209, U16(0) + U16(0x10) + U16(0)) +
                     Record(0x0200, U16(0) + U16(2) + U16(0) + U16(1) + U16(0)) + Number(4, 2, 0, 1) +
                     EOFRecord();
  const std::string path = WritePlainFile("dims.xls", file);
  TMSExcel reader(nullptr);
  std::vector<std::vector<Integer>> reported;
  reader.OnDimensions = [&](TObject*, Integer sheet, Integer firstRow, Integer lastRow, Integer firstColumn,
                            Integer lastColumn) {
    reported.push_back({sheet, firstRow, lastRow, firstColumn, lastColumn});
  };
  reader.LoadFromFile(path);
  EXPECT_EQ(reported, (std::vector<std::vector<Integer>>{{-1, 0, 2, 0, 1}, {-1, 0, 5, 0, 3}}));
  EXPECT_EQ(reader.Version(), evExcel3);
  EXPECT_EQ(Cell(reader, 0, 4, 2).AsDouble(), 1.0);
}

}  // namespace
}  // namespace ordvane

#include "import/SMCells.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "classlib/core/StringLists.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

// The next column name, counted like an odometer whose digits run A to Z.
std::string NextLetters(std::string letters) {
  for (auto i = letters.size(); i-- > 0;) {
    if (letters[i] != 'Z') {
      ++letters[i];
      return letters;
    }
    letters[i] = 'A';
  }
  return "A" + letters;
}

TEST(ColumnLetters, AgreeWithCountingInBothDirections) {
  std::string letters = "A";
  for (Integer n = 1; n <= 20000; ++n, letters = NextLetters(letters)) {
    ASSERT_EQ(ColumnIndexToLetters(n), letters) << n;
    ASSERT_EQ(ColumnLettersToIndex(letters, 20000), n - 1) << letters;
  }
  for (Integer n : {0, -5}) EXPECT_EQ(ColumnIndexToLetters(n), "");
  EXPECT_EQ(ColumnIndexToLetters(2147483647), "FXSHRXW");
  // Letters in any case within the column count; anything else (such as a Cyrillic capital
  // in the ANSI code page), or no column, gives -1.
  // Far more letters than any column count cause no overflow.
  // clang-format off
  const struct {
    std::string letters;
    Integer columns, index;
  } cases[] = {
      {"B", 1, -1}, {"B", 2, 1}, {"b", 5, 1}, {"zZ", 702, 701}, {"ZZ", 701, -1}, {"A1", 100, -1},
      {"A B", 100, -1}, {"[A]", 100, -1}, {"\xC0", 100, -1}, {"", 1, 0}, {"", 0, -1}, {"A", 0, -1},
      {"A", -3, -1}, {std::string(40, 'Z'), 2147483647, -1}, {"FXSHRXW", 2147483647, 2147483646},
      {"FXSHRXX", 2147483647, -1}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ColumnLettersToIndex(c.letters, c.columns), c.index) << c.letters;
}

TEST(SpreadSheetCells, StoresCellsAndCountsWhatTheyUse) {
  TSpreadSheetCells cells;
  cells.StoreCell(3, 2, ictDecimal, 7, taRightJustify, 1.5);
  ASSERT_EQ(cells.Count(), 3);  // rows 0 and 1 count, yet hold nothing
  EXPECT_EQ(cells.FindRow(1), nullptr);
  EXPECT_EQ(cells.Rows(1)->RowNo(), 1);
  EXPECT_EQ(cells.FindRow(1)->Cols().Count(), 0);
  EXPECT_EQ(cells.FindRow(2)->RowNo(), 2);
  const TSMICell* cell = cells.FindRow(2)->Cell(3);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->FormatIndex(), 7);
  EXPECT_EQ(cell->Alignment(), taRightJustify);
  EXPECT_EQ(cell->CellType(), ictDecimal);
  EXPECT_EQ(cells.FindRow(2)->Cell(0), nullptr);  // a padded slot
  EXPECT_EQ(cells.FindRow(2)->Cell(4), nullptr);  // beyond the row
  EXPECT_EQ(cells.FindRow(2)->Cell(-1), nullptr);
  EXPECT_EQ(cells.UsedColCount(), 4);
  EXPECT_EQ(cells.UsedRowCount(), 3);
  // A second value in the same slot replaces the first in the same cell object.
  cells.StoreCell(3, 2, ictString, 1, taCenter, u"x");
  EXPECT_EQ(cells.FindRow(2)->Cell(3), cell);
  EXPECT_EQ(cells.CellValue(3, 2).AsWideString(), u"x");
  EXPECT_TRUE(VarIsEmpty(cells.CellValue(2, 2)));
  EXPECT_TRUE(VarIsEmpty(cells.CellValue(3, 3)));
  EXPECT_TRUE(VarIsEmpty(cells.CellValue(-1, -1)));

  // Empty and Null leave no trace: no row, no count; nor does a reference to either.
  cells.StoreCell(9, 9, ictEmpty, 0, taLeftJustify, Unassigned());
  cells.StoreCell(9, 10, ictUnknown, 0, taLeftJustify, Null());
  Variant nothing = Null();
  cells.StoreCell(9, 11, ictUnknown, 0, taLeftJustify, Variant::ByRef(&nothing));
  EXPECT_EQ(cells.Count(), 3);
  EXPECT_EQ(cells.UsedRowCount(), 3);

  // Without tracking, the used counts stay where they were set.
  cells.SetTrackUsedRange(false);
  cells.StoreCell(10, 5, ictInteger, 0, taLeftJustify, 5);
  EXPECT_EQ(cells.UsedColCount(), 4);
  EXPECT_EQ(cells.Count(), 6);

  cells.FindRow(2)->Clear();
  EXPECT_EQ(cells.FindRow(2)->Cell(3), cell);
  EXPECT_TRUE(VarIsEmpty(cell->Value()));
  EXPECT_EQ(cell->FormatIndex(), -1);
  EXPECT_EQ(cell->Alignment(), taLeftJustify);
  EXPECT_EQ(cell->CellType(), ictString);

  cells.SetDeclaredRowCount(40);
  cells.Clear();
  EXPECT_EQ(cells.Count(), 0);
  EXPECT_EQ(cells.DeclaredRowCount(), 0);
  EXPECT_EQ(cells.UsedColCount(), 0);
}

// Cells stored in any order, rows revisited and cells overwritten, against a map of what
// was stored last; then the sheet is freed and filled again. Cells move when their row
// grows: every field must move with them.
TEST(SpreadSheetCells, CellsInAnyOrderReadBackAsAMapHoldsThem) {
  struct TStored {
    std::u16string Text;
    Integer FormatIndex;
    TAlignment Alignment;
    TSMICellType CellType;
  };
  TSpreadSheetCells cells;
  cells.SetDeclaredColCount(4);
  std::mt19937 random(7);
  for (int round = 0; round < 2; ++round) {
    std::map<std::pair<int, int>, TStored> expected;
    for (int i = 0; i < 20000; ++i) {
      const int row = static_cast<int>(random() % 300), column = static_cast<int>(random() % 256);
      const TStored stored{u"v" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), i * 40503 - 99999,
                           static_cast<TAlignment>(i % 3), static_cast<TSMICellType>(i % (ictTime + 1))};
      cells.StoreCell(column, row, stored.CellType, stored.FormatIndex, stored.Alignment, Variant(stored.Text));
      expected[{row, column}] = stored;
    }
    int stored = 0;
    for (int row = 0; row < cells.Count(); ++row) {
      const TSpreadSheetRow* line = cells.FindRow(row);
      if (line) {
        ASSERT_EQ(line->RowNo(), row);
      }
      for (int column = 0; line && column < line->Cols().Count(); ++column) {
        const TSMICell* cell = line->Cell(column);
        const auto found = expected.find({row, column});
        ASSERT_EQ(cell != nullptr, found != expected.end()) << row << " " << column;
        if (cell) {
          EXPECT_EQ(cell->Value().AsWideString(), found->second.Text) << row << " " << column;
          EXPECT_EQ(cell->FormatIndex(), found->second.FormatIndex) << row << " " << column;
          EXPECT_EQ(cell->Alignment(), found->second.Alignment) << row << " " << column;
          EXPECT_EQ(cell->CellType(), found->second.CellType) << row << " " << column;
        }
        stored += cell != nullptr;
      }
    }
    EXPECT_EQ(stored, static_cast<int>(expected.size()));
    cells.Clear();
  }
}

TEST(SpreadSheetCells, CoordinatesBeyondAnExcelSheetAreRefused) {
  TSpreadSheetCells cells;
  const Variant one = u"1";
  EXPECT_EQ(
      ErrorOf<Exception>([&] { cells.StoreCell(0, SpreadSheetMaxRows, ictDecimal, 0, taLeftJustify, one); }),
      "Row 65536 lies outside the sheet");
  EXPECT_EQ(ErrorOf<Exception>([&] { cells.StoreCell(256, 0, ictDecimal, 0, taLeftJustify, one); }),
            "Column 256 lies outside the sheet");
  EXPECT_EQ(ErrorOf<Exception>([&] { cells.StoreCell(-1, 0, ictDecimal, 0, taLeftJustify, one); }),
            "Column -1 lies outside the sheet");
  EXPECT_EQ(ErrorOf<Exception>([&] { cells.Rows(2147483647); }), "Row 2147483647 lies outside the sheet");
  EXPECT_EQ(cells.Count(), 0);
  // The last cell of the sheet is fine, and makes no row before it.
  cells.StoreCell(255, 65535, ictDecimal, 0, taLeftJustify, one);
  EXPECT_EQ(cells.UsedRowCount(), 65536);
  EXPECT_EQ(cells.Count(), 65536);
  EXPECT_EQ(cells.FindRow(65534), nullptr);
  EXPECT_EQ(cells.FindRow(65535)->RowNo(), 65535);
  EXPECT_EQ(cells.CellValue(255, 65535).AsWideString(), u"1");

  TSpreadSheets sheets;
  EXPECT_EQ(ErrorOf<Exception>([&] { sheets.Sheets(SpreadSheetMaxSheets); }),
            "A workbook holds at most 65536 sheets");
  EXPECT_EQ(sheets.Count(), 0);
}

TEST(SpreadSheets, SheetsAreMadeOnDemandAndFoundByCaption) {
  TSpreadSheets sheets;
  EXPECT_EQ(sheets.FindSheet(-1), nullptr);
  EXPECT_NE(sheets.Sheets(-1), nullptr);
  EXPECT_EQ(sheets.Sheets(-5), sheets.Sheets(0));
  EXPECT_EQ(sheets.Count(), 1);
  sheets.Sheets(2);
  ASSERT_EQ(sheets.Count(), 3);
  EXPECT_EQ(sheets.FindSheet(0)->Caption(), u"Sheet1");
  EXPECT_EQ(sheets.FindSheet(2)->Caption(), u"Sheet3");
  EXPECT_EQ(sheets.Add(), 3);
  EXPECT_EQ(sheets.FindSheet(3)->Caption(), u"Sheet4");
  EXPECT_EQ(sheets.FindSheet(4), nullptr);
  sheets.FindSheet(1)->SetCaption(u"Дані");
  sheets.FindSheet(3)->SetCaption(u"Дані");
  EXPECT_EQ(sheets.IndexOfCaption(u"Дані"), 1);
  EXPECT_EQ(sheets.IndexOfCaption(u"дані"), -1);  // exactly
  // The sheet found last is remembered, and forgotten when the sheets move or go.
  TSpreadSheet* fourth = sheets.Sheets(3);
  sheets.Delete(1);
  EXPECT_EQ(sheets.IndexOfCaption(u"Дані"), 2);
  EXPECT_EQ(sheets.FindSheet(3), nullptr);
  EXPECT_EQ(sheets.Sheets(2), fourth);
  EXPECT_NE(sheets.Sheets(3), fourth);
  EXPECT_EQ(sheets.Count(), 4);
  sheets.Clear();
  EXPECT_EQ(sheets.Count(), 0);
  EXPECT_EQ(sheets.FindSheet(0), nullptr);
  sheets.Sheets(3);
  EXPECT_EQ(sheets.Count(), 4);
}

// A cell keeps its own fields next to its value's type: giving it a value of any kind, or
// taking another cell's, changes the value and nothing else.
TEST(SpreadSheetModel, AValueLeavesTheCellsOtherFieldsAsTheyWere) {
  const Variant values[] = {Unassigned(), Null(), true, 7, Int64{-1}, 2.5, VarFromDateTime(45000.5),
                            u"wide", "ansi", VarArrayOf({1, u"x"}), VarAsError(3)};
  for (const Variant& value : values) {
    TSMICell cell, source;
    cell.SetFormatIndex(-2147483647 - 1);
    cell.SetAlignment(taCenter);
    cell.SetCellType(ictTime);
    cell.SetValue(value);
    source.SetValue(u"before");
    source.Assign(&cell);
    for (const TSMICell* checked : {&cell, &source}) {
      EXPECT_EQ(VarType(checked->Value()), VarType(value)) << VarTypeAsText(VarType(value));
      EXPECT_EQ(checked->FormatIndex(), -2147483647 - 1) << VarTypeAsText(VarType(value));
      EXPECT_EQ(checked->Alignment(), taCenter) << VarTypeAsText(VarType(value));
      EXPECT_EQ(checked->CellType(), ictTime) << VarTypeAsText(VarType(value));
    }
  }
}

TEST(SpreadSheetModel, CellsAndRangesAssign) {
  TSMICell a, b;
  a.SetValue(u"text");
  a.SetAlignment(taCenter);
  a.SetFormatIndex(12);
  a.SetCellType(ictString);
  b.Assign(&a);
  EXPECT_EQ(b.Value().AsWideString(), u"text");
  EXPECT_EQ(b.Alignment(), taCenter);
  EXPECT_EQ(b.FormatIndex(), 12);
  EXPECT_EQ(b.CellType(), ictString);
  TSMRange range, other;
  EXPECT_EQ(range.FirstRow(), 1);
  EXPECT_EQ(range.LastRow(), 2147483647);
  EXPECT_EQ(range.FirstCol(), 1);
  EXPECT_EQ(range.LastCol(), 2147483647);
  other.SetFirstRow(2);
  other.SetLastRow(3);
  other.SetFirstCol(4);
  other.SetLastCol(5);
  range.Assign(&other);
  EXPECT_EQ(range.FirstRow() + range.LastRow() + range.FirstCol() + range.LastCol(), 14);
  TStringList list;
  EXPECT_THROW(a.Assign(&list), EConvertError);
  EXPECT_THROW(range.Assign(&list), EConvertError);
}

TEST(SpreadSheetFile, KeepsTheBinaryAndRowStatusChoicesAsSet) {
  TSpreadSheetFile file(nullptr);
  EXPECT_TRUE(file.ParseBLOB());
  EXPECT_EQ(file.LoadRowStatutes(), TSMIRowStatuses{rsNormal});
  file.SetParseBLOB(false);
  file.SetLoadRowStatutes({rsDeleted, rsError});
  file.PrepareLoad();
  EXPECT_FALSE(file.ParseBLOB());
  EXPECT_EQ(file.LoadRowStatutes().ToBits(), 0b110u);
}

// The default handlers that PrepareLoad installs, driven as a reader drives them.
class DefaultHandlers : public testing::Test {
 protected:
  void SetUp() override { file.PrepareLoad(); }
  void Cell(Integer sheet, Integer row, Integer column, const Variant& value) {
    file.OnCellValue(&file, sheet, row, column, 3, value, taRightJustify, ictDecimal);
  }
  TSpreadSheetFile file{nullptr};
};

TEST_F(DefaultHandlers, StoreCellsWithinTheRangeInTheirSheet) {
  file.Range()->SetLastRow(10);
  file.Range()->SetLastCol(4);
  Cell(-1, 0, 0, 1.0);  // sheet -1 is the first
  Cell(0, 11, 0, 2.0);  // beyond the last row
  Cell(0, 10, 5, 3.0);  // beyond the last column
  Cell(0, 10, 4, 4.0);
  Cell(2, 0, 0, 5.0);
  ASSERT_EQ(file.Sheets().Count(), 3);
  const TSpreadSheetCells& first = file.Sheets().FindSheet(0)->Cells();
  EXPECT_EQ(first.CellValue(0, 0).AsDouble(), 1.0);
  EXPECT_EQ(first.UsedRowCount(), 11);
  EXPECT_EQ(first.UsedColCount(), 5);
  EXPECT_EQ(first.CellValue(4, 10).AsDouble(), 4.0);
  Variant value = 99;
  file.OnGetCellValue(&file, 2, 0, 0, value);
  EXPECT_EQ(value.AsDouble(), 5.0);
  file.OnGetCellValue(&file, 7, 0, 0, value);
  EXPECT_TRUE(VarIsEmpty(value));
  EXPECT_EQ(file.Sheets().Count(), 3);  // reading makes no sheet
}

TEST_F(DefaultHandlers, SheetsAreAddedWhetherSkippedOrNot) {
  file.SetKeepSheetIndex(1);
  std::vector<bool> skips;
  for (Integer i = 0; i < 3; ++i) {
    bool skip = false;
    file.OnSheet(&file, u"S" + std::u16string(1, static_cast<char16_t>(u'0' + i)), i, skip);
    skips.push_back(skip);
  }
  EXPECT_EQ(skips, (std::vector<bool>{true, false, true}));
  ASSERT_EQ(file.Sheets().Count(), 3);
  EXPECT_EQ(file.Sheets().FindSheet(2)->Caption(), u"S2");
  // Without a sheet to keep, the reader's own choice stands.
  file.SetKeepSheetIndex(-1);
  bool skip = true;
  file.OnSheet(&file, u"S3", 3, skip);
  EXPECT_TRUE(skip);
}

TEST_F(DefaultHandlers, DimensionsAndColumnWidths) {
  file.Range()->SetLastCol(6);
  file.OnDimensions(&file, 0, 0, 120, 0, 9);
  TSpreadSheetCells& cells = file.Sheets().FindSheet(0)->Cells();
  EXPECT_EQ(cells.DeclaredRowCount(), 120);
  EXPECT_EQ(cells.DeclaredColCount(), 6);
  EXPECT_EQ(cells.UsedRowCount(), 0);  // tracking: the cells decide
  cells.SetTrackUsedRange(false);
  file.OnDimensions(&file, 0, 0, 50, 0, 3);
  EXPECT_EQ(cells.UsedRowCount(), 50);
  EXPECT_EQ(cells.UsedColCount(), 3);

  file.OnColumnWidth(&file, 1, 3, 2900);
  file.OnColumnWidth(&file, 1, 0, 1000);
  EXPECT_EQ(file.Sheets().FindSheet(1)->ColWidths(), (std::vector<Integer>{1000, 0, 0, 2900}));
  EXPECT_EQ(ErrorOf<Exception>([&] { file.OnColumnWidth(&file, 1, 300, 1); }),
            "Column 300 lies outside the sheet");
  // No default handler for row heights.
  EXPECT_FALSE(file.OnRowHeight.Assigned());
}

TEST_F(DefaultHandlers, AssignedEventsAreKeptAndALoadStartsAfresh) {
  TSpreadSheetFile other(nullptr);
  int calls = 0;
  other.OnCellValue = [&](TObject*, Integer, Integer, Integer, Integer, const Variant&, TAlignment,
                          TSMICellType) { ++calls; };
  other.PrepareLoad();
  other.OnCellValue(&other, 0, 0, 0, 0, 1.0, taLeftJustify, ictDecimal);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(other.Sheets().Count(), 0);
  EXPECT_TRUE(other.OnSheet.Assigned());

  Cell(0, 0, 0, 1.0);
  file.PrepareLoad();
  EXPECT_EQ(file.Sheets().Count(), 0);
}

}  // namespace
}  // namespace ordvane

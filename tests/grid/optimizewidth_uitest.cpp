// Fitting column widths to their contents over the in-memory dataset: which columns a fit
// covers, what a title, a check-box column, a wrapping column and a plain column need
// (texts measured independently in the column's font), the double click on a title
// border, and the position kept also when a cell event raises during the walk.

#include <gtest/gtest.h>

#include <stdexcept>

#include "classlib/ui/Themes.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

struct FitFixture : test::DataGridFixture<> {
  explicit FitFixture(int records = 40) : DataGridFixture(records) {
    for (const char* name : {"ID", "NAME", "CODE", "FLAG"}) Column(name);
    ui.Process();
  }
  TColumnEh* ColumnAt(int index) const { return grid->Columns().Items(index); }
  int WidestText(TColumnEh& column, const AnsiString& field) {
    int widest = 0;
    const TBookmarkStr current = data.Bookmark();
    for (data.First(); !data.Eof(); data.Next())
      widest = std::max(widest, TextWidthInFontEh(*column.Font(), data.FieldByName(field)->DisplayText()));
    data.GotoBookmark(current);
    return widest;
  }
  void SetName(int recNo, const AnsiString& text) {
    data.SetRecNo(recNo);
    data.Edit();
    data.FieldByName("NAME")->SetAsString(text);
    data.Post();
  }
};

TEST(OptimizeWidthTest, PlainColumnFitsWidestTextOverAllRecordsAndKeepsPosition) {
  FitFixture f;
  f.FitDataRows(4);
  f.SetName(37, "a much longer name than the rest");
  f.data.SetRecNo(6);
  f.ui.Process();
  const int topRow = f.grid->TopRow();
  const int row = f.grid->Row();
  TColumnEh& name = *f.ColumnAt(1);
  name.SetWidth(200);
  name.OptimizeWidth();
  EXPECT_EQ(name.Width(), 4 + f.WidestText(name, "NAME"));
  EXPECT_EQ(f.data.RecNo(), 6);
  EXPECT_EQ(f.grid->TopRow(), topRow);
  EXPECT_EQ(f.grid->Row(), row);
  EXPECT_FALSE(f.data.ControlsDisabled());

  // A title wider than every value decides the width.
  TColumnEh& code = *f.ColumnAt(2);
  code.Title().SetCaption("A rather long title caption");
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 4 + TextWidthInFontEh(*code.Title().Font(), "A rather long title caption"));
}

TEST(OptimizeWidthTest, FixedNeedsOfCheckBoxAndTitleImage) {
  FitFixture f(5);
  TColumnEh& flag = *f.ColumnAt(3);
  flag.SetCheckboxes(true);
  flag.Title().SetCaption("F");
  flag.OptimizeWidth();
  EXPECT_EQ(flag.Width(), 4 + kCheckBoxSize);

  TCustomImageList images(nullptr, 20, 16);
  f.grid->SetTitleImages(&images);
  TColumnEh& name = *f.ColumnAt(1);
  name.Title().SetCaption("A caption far wider than the image beside it");
  name.Title().SetImageIndex(0);
  f.data.Last();  // the data cells still count: short names
  name.OptimizeWidth();
  EXPECT_EQ(name.Width(), std::max(4 + 20, 4 + f.WidestText(name, "NAME")));
  f.grid->SetTitleImages(nullptr);
}

TEST(OptimizeWidthTest, MultiLevelTitleIsMeasuredInItsOwnBandOnly) {
  FitFixture f(3);
  TColumnEh& code = *f.ColumnAt(2);
  code.Title().SetCaption("A group caption far wider than any value|Code words");
  f.ColumnAt(3)->Title().SetCaption("A group caption far wider than any value|F");
  f.grid->SetUseMultiTitle(true);
  code.SetWidth(200);
  f.ui.Process();
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 4 + TextWidthInFontEh(*code.Title().Font(), "Code words"));
  // Narrowed, the band wraps its words: the longest one decides.
  code.SetWidth(30);
  f.ui.Process();
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 4 + TextWidthInFontEh(*code.Title().Font(), "words"));
}

TEST(OptimizeWidthTest, WrappingColumnOfMultiLineGridFitsLongestWord) {
  FitFixture f(3);
  f.grid->SetRowLines(3);
  f.ui.Process();
  ASSERT_TRUE(f.grid->MultiLineRows());
  f.SetName(2, "ab longestword cd");
  TColumnEh& name = *f.ColumnAt(1);
  name.Title().SetCaption("N");
  name.SetWordWrap(true);
  name.OptimizeWidth();
  EXPECT_EQ(name.Width(), 4 + TextWidthInFontEh(*name.Font(), "longestword"));
  name.SetWordWrap(false);
  name.OptimizeWidth();
  EXPECT_EQ(name.Width(), 4 + TextWidthInFontEh(*name.Font(), "ab longestword cd"));
}

TEST(OptimizeWidthTest, CellEventTextIsMeasuredAndARaisingEventKeepsPosition) {
  FitFixture f;
  f.FitDataRows(4);
  TColumnEh& code = *f.ColumnAt(2);
  code.Title().SetCaption("C");
  code.OnGetCellParams = [](TObject*, bool, TColCellParamsEh& params) { params.Text = "changed by the event"; };
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 4 + TextWidthInFontEh(*code.Font(), "changed by the event"));

  f.data.SetRecNo(9);
  f.ui.Process();
  const int topRow = f.grid->TopRow();
  const int width = code.Width();
  code.OnGetCellParams = [&f](TObject*, bool, TColCellParamsEh&) {
    if (f.data.RecNo() == 30) throw std::runtime_error("no cell");
  };
  EXPECT_THROW(code.OptimizeWidth(), std::runtime_error);
  EXPECT_EQ(f.data.RecNo(), 9);
  EXPECT_EQ(f.grid->TopRow(), topRow);
  EXPECT_FALSE(f.data.ControlsDisabled());
  EXPECT_EQ(code.Width(), width);
}

TEST(OptimizeWidthTest, FootersNeedTheirTextsPlusFivePixels) {
  FitFixture f(3);
  TColumnEh& code = *f.ColumnAt(2);
  code.Footer().SetValueType(fvtStaticText);
  code.Footer().SetValue("a footer text wider than every code");
  code.Footer().Font()->SetSize(14);
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 4 + TextWidthInFontEh(*code.Title().Font(), "CODE")) << "no footer rows shown";

  f.grid->SetFooterRowCount(2);
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 5 + TextWidthInFontEh(*code.Footer().Font(), "a footer text wider than every code"))
      << "in the footer's own font";
  f.grid->OnGetFooterParams = [](TObject*, int dataCol, int row, TColumnEh*, TFont*, TColor&, TAlignment&,
                                 TGridDrawState, AnsiString& text) {
    if (dataCol == 2 && row == 1) text += " and more from the event";
  };
  code.OptimizeWidth();
  EXPECT_EQ(code.Width(), 5 + TextWidthInFontEh(*code.Footer().Font(),
                                                "a footer text wider than every code and more from the event"));
}

TEST(OptimizeWidthTest, ColumnsChosenFromSelection) {
  FitFixture f(3);
  for (int i = 0; i < 3; ++i) f.grid->Selection().Columns().Select(f.ColumnAt(i), true);
  TColumnsEhList chosen = f.grid->ColumnsToFit(*f.ColumnAt(3));
  ASSERT_EQ(chosen.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_GE(chosen.IndexOf(f.ColumnAt(i)), 0);
  EXPECT_EQ(f.grid->ColumnsToFit(*f.ColumnAt(0)).Count(), 3);

  f.grid->Selection().SelectAll();
  EXPECT_EQ(f.grid->ColumnsToFit(*f.ColumnAt(1)).Count(), f.grid->Columns().Count());
  f.grid->Selection().Clear();
  chosen = f.grid->ColumnsToFit(*f.ColumnAt(2));
  ASSERT_EQ(chosen.Count(), 1);
  EXPECT_EQ(chosen.Items(0), f.ColumnAt(2));
}

TEST(OptimizeWidthTest, DoubleClickOnTitleBorderFitsWithOptionOnly) {
  FitFixture f(3);
  TColumnEh& name = *f.ColumnAt(1);
  name.Title().SetCaption("N");
  name.SetWidth(250);
  f.ui.Process();
  const TRect title = f.grid->CellRect(f.grid->DataToRawColumn(1), 0);
  const TPoint border{title.right - 1, (title.top + title.bottom) / 2};
  f.ui.DoubleClick(f.grid, border);
  f.ui.Process();
  EXPECT_EQ(name.Width(), 250);

  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghDblClickOptimizeColWidth});
  f.ui.DoubleClick(f.grid, border);
  f.ui.Process();
  EXPECT_EQ(name.Width(), 4 + f.WidestText(name, "NAME"));
}

}  // namespace
}  // namespace ordvane

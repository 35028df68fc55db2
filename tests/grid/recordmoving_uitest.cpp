// Dragging records by the grid's indicator over the in-memory dataset A..L, through the
// mouse on the virtual clock: where they land, what starts no drag, the drop on the
// dragged record after the rows scrolled, scrolling beyond the rows, the exclusive-or
// insertion line, the move event before the dataset's features, and the view kept.

#include <gtest/gtest.h>

#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/WinInput.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TDataGrid;
using test::TMemDataSet;
using test::UiDriver;

// The features object the registry holds for the in-memory dataset: the base moving,
// counted, with targets it may refuse.
class TMoveCountingFeatures : public TDatasetFeaturesEh {
 public:
  int calls = 0;
  int refusedRecNo = -1;
  bool MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks, int toRecNo,
                   bool checkOnly) override {
    ++calls;
    if (toRecNo == refusedRecNo) return false;
    return TDatasetFeaturesEh::MoveRecords(grid, bookmarks, toRecNo, checkOnly);
  }
};

struct MovingFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(50, 50, 750, 650))};
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TDataGrid* grid = nullptr;
  TMoveCountingFeatures* features = nullptr;

  explicit MovingFixture(int records = 6, int rowsShown = 0) {
    RegisterDatasetFeaturesEh([] { return std::make_unique<TMoveCountingFeatures>(); }, TMemDataSet::StaticClass());
    features = dynamic_cast<TMoveCountingFeatures*>(GetDatasetFeaturesEh(&data));
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 10);
    data.Open();
    for (int i = 0; i < records; ++i) data.AppendRecord({Variant(i + 1), Variant(AnsiString(1, char('A' + i)))});
    data.First();
    source.SetDataSet(&data);
    grid = test::PlaceDataGrid(*form, source);
    grid->SetBorderStyle(bsNone);
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    if (rowsShown > 0) {
      const int pitch = grid->DefaultRowHeight() + grid->GridLineWidth();
      grid->SetBounds(0, 0, 600, grid->RowHeights(0) + grid->GridLineWidth() + rowsShown * pitch + pitch / 2);
    }
    ui.Process();
  }

  // The middle of the indicator cell of a data row (0 is the first row shown).
  TPoint Indicator(int dataRow) const {
    const TRect cell = grid->CellRect(0, grid->TitleOffset() + dataRow);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  TPoint Below() const { return {5, grid->ClientHeight() + 20}; }
  AnsiString Order() {
    AnsiString order;
    const TBookmarkStr current = data.Bookmark();
    for (data.First(); !data.Eof(); data.Next()) order += data.FieldByName("NAME")->AsString();
    data.GotoBookmark(current);
    return order;
  }
  std::vector<int> ShownRecNos() {
    std::vector<int> numbers;
    grid->ForEachShownRow([&](int) { numbers.push_back(data.RecNo()); });
    return numbers;
  }
  // The names the rows show, top to bottom.
  AnsiString Shown() {
    AnsiString shown;
    grid->ForEachShownRow([&](int) { shown += data.FieldByName("NAME")->AsString(); });
    return shown;
  }
  void Drag(int fromRow, int toRow) {
    ui.Advance(1000);  // no double click with the press before
    ui.Press(grid, Indicator(fromRow));
    ui.MoveTo(grid, Indicator(toRow));
    ui.Release(grid, Indicator(toRow));
  }
  void Select(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      ASSERT_TRUE(data.Locate("NAME", Variant(name), {}));
      grid->SelectedRows().SetCurrentRowSelected(true);
    }
  }
};

TEST(RecordMoving, ADropMovesTheRecordAndSelectedRowsGoTogether) {
  {
    MovingFixture f;
    f.Drag(1, 4);
    EXPECT_EQ(f.Order(), "ACDEBF") << "B after E, the target below it";
    f.Drag(5, 0);
    EXPECT_EQ(f.Order(), "FACDEB") << "F before A, the target above it";
    EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);
  }
  {
    MovingFixture f;
    f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
    f.Select({"B", "D"});
    f.Drag(3, 5);
    EXPECT_EQ(f.Order(), "ACEFBD");
  }
}

TEST(RecordMoving, PressesThatStartNoDrag) {
  {
    MovingFixture f(0);
    f.ui.Press(f.grid, f.Indicator(0));
    EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh) << "an empty dataset";
    f.ui.Release(f.grid, f.Indicator(0));
  }
  MovingFixture f;
  f.ui.Press(f.grid, {f.grid->CellRect(1, 2).left + 5, f.Indicator(1).y});
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh) << "a data cell, not the indicator";
  f.ui.Release(f.grid, {f.grid->CellRect(1, 2).left + 5, f.Indicator(1).y});

  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
  // A press that starts no drag selects rows from the indicator: B alone is selected
  // before each drag.
  const auto selectOnlyB = [&] {
    f.grid->SelectedRows().Clear();
    f.Select({"B"});
  };
  selectOnlyB();
  f.Drag(2, 4);
  EXPECT_EQ(f.Order(), "ABCDEF") << "with row selection possible, an unselected record stays";
  selectOnlyB();
  f.ui.KeyDown(VK_CONTROL);
  f.Drag(1, 4);
  f.ui.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.Order(), "ABCDEF") << "a selected one with Ctrl held neither";
  selectOnlyB();
  f.Drag(1, 4);
  EXPECT_EQ(f.Order(), "ACDEBF") << "the selected one without keys moves";

  f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghRecordMoving});
  f.Drag(0, 3);
  EXPECT_EQ(f.Order(), "ACDEBF") << "without dghRecordMoving";
}

TEST(RecordMoving, TheDropComparesTheDraggedRecordNotTheRowItHeld) {
  {
    MovingFixture f(12, 4);
    f.ui.Press(f.grid, f.Indicator(2));  // C
    f.ui.MoveTo(f.grid, f.Below());
    f.ui.Advance(60);
    ASSERT_EQ(f.Shown(), "BCDE") << "the rows scrolled by one";
    f.ui.MoveTo(f.grid, f.Indicator(1));
    f.ui.Release(f.grid, f.Indicator(1));
    EXPECT_EQ(f.Order(), "ABCDEFGHIJKL") << "released on the dragged record: nothing moves";
  }
  {
    MovingFixture f(12, 4);
    f.ui.Press(f.grid, f.Indicator(2));  // C
    f.ui.MoveTo(f.grid, f.Below());
    f.ui.Advance(60);
    ASSERT_EQ(f.Shown(), "BCDE");
    f.ui.MoveTo(f.grid, f.Indicator(2));
    f.ui.Release(f.grid, f.Indicator(2));
    EXPECT_EQ(f.Order(), "ABDCEFGHIJKL") << "the row C held before the scroll now holds D";
  }
  {
    MovingFixture f;
    f.Drag(2, 2);
    EXPECT_EQ(f.Order(), "ABCDEF");
    EXPECT_EQ(f.features->calls, 0) << "nothing asked for a drop where the drag began";
  }
}

TEST(RecordMoving, CancelModeOrEscapeEndsTheDragWithoutMovingAndStopsTheTimer) {
  MovingFixture f(12, 4);
  f.ui.Press(f.grid, f.Indicator(0));
  f.ui.MoveTo(f.grid, f.Indicator(3));
  ASSERT_EQ(f.grid->DBGridEhState(), dgsRecordMovingEh);
  f.grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh);
  f.ui.MoveTo(f.grid, f.Below());
  f.ui.Advance(300);
  EXPECT_EQ(f.Shown(), "ABCD") << "timer 1 ended with the drag";
  f.ui.Release(f.grid, f.Below());
  EXPECT_EQ(f.Order(), "ABCDEFGHIJKL");

  f.ui.Advance(1000);
  f.ui.Press(f.grid, f.Indicator(0));
  f.ui.MoveTo(f.grid, f.Indicator(3));
  ASSERT_EQ(f.grid->DBGridEhState(), dgsRecordMovingEh);
  f.ui.Press(VK_ESCAPE);
  EXPECT_EQ(f.grid->DBGridEhState(), dgsNormalEh) << "Escape ends the drag";
  f.ui.Release(f.grid, f.Indicator(3));
  EXPECT_EQ(f.Order(), "ABCDEFGHIJKL");
}

// The height of each horizontal stroke from the left edge: the insertion lines drawn.
std::vector<int> LineHeights(const std::vector<AnsiString>& calls) {
  std::vector<int> heights;
  for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
    if (!calls[i].starts_with("MoveTo(0,")) continue;
    const AnsiString y = calls[i].substr(9, calls[i].size() - 10);
    std::size_t next = i + 1;
    // The pen and its mode are realised at the first stroke.
    while (next < calls.size() && (calls[next].starts_with("Select") || calls[next].starts_with("Set"))) ++next;
    if (next < calls.size() && calls[next].starts_with("LineTo(") && calls[next].ends_with("," + y + ")"))
      heights.push_back(StrToInt(y));
  }
  return heights;
}

TEST(RecordMoving, HeldBeyondTheRowsTheGridScrollsOneRecordEachTick) {
  MovingFixture f(12, 4);
  TDataGrid& grid = *f.grid;
  const HDC window = GetDC(grid.Handle());
  TRecordingDC recorder(*window);
  grid.Canvas()->SetHandle(&recorder);

  f.ui.Press(&grid, f.Indicator(0));
  f.ui.MoveTo(&grid, f.Below());
  f.ui.Advance(59);
  EXPECT_EQ(f.Shown(), "ABCD") << "before the first tick";
  f.ui.Advance(1);
  EXPECT_EQ(f.Shown(), "BCDE");
  f.ui.Advance(120);
  EXPECT_EQ(f.Shown(), "DEFG");
  const int lastRowBottom = grid.CellRect(0, grid.TitleOffset() + 3).bottom;
  ASSERT_FALSE(LineHeights(recorder.Calls()).empty());
  EXPECT_EQ(LineHeights(recorder.Calls()).back(), lastRowBottom) << "on the last data row, at its bottom";

  f.ui.MoveTo(&grid, {5, 2});  // over the title
  f.ui.Advance(60);
  EXPECT_EQ(f.Shown(), "CDEF") << "above the rows: one record back per tick";
  f.ui.Advance(60);
  EXPECT_EQ(f.Shown(), "BCDE");
  grid.Canvas()->SetHandle(nullptr);
  ReleaseDC(grid.Handle(), window);

  f.ui.Release(&grid, {5, 2});
  EXPECT_EQ(f.Order(), "BACDEFGHIJKL") << "dropped before the first row shown";
  f.ui.MoveTo(&grid, f.Below());
  f.ui.Advance(300);
  EXPECT_EQ(grid.DBGridEhState(), dgsNormalEh);
  EXPECT_EQ(f.Shown(), "BACD") << "no tick after the drag";
}

TEST(RecordMoving, TheInsertionLineIsAnExclusiveOrPenThatASecondDrawErases) {
  MovingFixture f;
  TDataGrid& grid = *f.grid;
  grid.SetFocus();  // as the press leaves it
  f.ui.Process();
  const TRaster before = UiDriver::Screen();
  const HDC window = GetDC(grid.Handle());
  TRecordingDC recorder(*window);
  grid.Canvas()->SetHandle(&recorder);

  f.ui.Press(&grid, f.Indicator(2));
  const TRaster drawn = UiDriver::Screen();
  f.ui.MoveTo(&grid, f.Indicator(4));
  f.ui.MoveTo(&grid, f.Indicator(0));
  const std::vector<AnsiString> calls = recorder.Calls();
  grid.Canvas()->SetHandle(nullptr);
  ReleaseDC(grid.Handle(), window);

  const TRect source = grid.CellRect(0, grid.TitleOffset() + 2);
  const TRect below = grid.CellRect(0, grid.TitleOffset() + 4);
  const TRect above = grid.CellRect(0, grid.TitleOffset() + 0);
  const int line = grid.GridLineWidth();
  EXPECT_EQ(LineHeights(calls), (std::vector<int>{source.top - line, source.top - line, below.bottom, below.bottom,
                                                  above.top - line}))
      << "drawn, erased and drawn again at each target: a target below at its bottom edge, above at its top";
  const AnsiString pen = "SelectPen(pen $" + IntToStr(PS_DOT) + " 5 $C0C0C0)";
  EXPECT_NE(std::find(calls.begin(), calls.end(), pen), calls.end()) << "dotted, 5 wide, silver";
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetROP2(" + IntToStr(R2_XORPEN) + ")"), calls.end());
  const AnsiString tick = "MoveTo(0," + IntToStr(source.top - line - 5) + ")";
  EXPECT_NE(std::find(calls.begin(), calls.end(), tick), calls.end()) << "the tick at X, 5 pixels above";
  EXPECT_NE(std::find(calls.begin(), calls.end(), "LineTo(" + IntToStr(grid.ClientWidth()) + "," +
                                                      IntToStr(source.top - line) + ")"),
            calls.end())
      << "across the client width";

  EXPECT_FALSE(drawn == before) << "the line shows";
  grid.Perform(WM_CANCELMODE, 0, 0);
  EXPECT_TRUE(UiDriver::Screen() == before) << "erased, the pixels are as they were";
  f.ui.Release(&grid, f.Indicator(0));
}

TEST(RecordMoving, TheMoveEventReplacesTheFeaturesAndARefusedTargetKeepsTheLine) {
  {
    MovingFixture f;
    std::vector<std::pair<int, bool>> asked;
    f.grid->OnMoveRecords = [&](TObject*, const std::vector<TBookmarkStr>& bookmarks, int toRecNo, int treeLevel,
                                bool checkOnly) {
      EXPECT_EQ(bookmarks.size(), 1u);
      EXPECT_EQ(treeLevel, -1);
      asked.emplace_back(toRecNo, checkOnly);
      return true;
    };
    f.Drag(1, 4);
    EXPECT_EQ(f.features->calls, 0) << "not even for the check-only questions";
    EXPECT_EQ(asked, (std::vector<std::pair<int, bool>>{{5, true}, {5, false}}));
    EXPECT_EQ(f.Order(), "ABCDEF") << "the event moved nothing";
  }
  {
    MovingFixture f;
    f.features->refusedRecNo = 5;
    f.ui.Press(f.grid, f.Indicator(1));
    f.ui.MoveTo(f.grid, f.Indicator(3));
    f.ui.MoveTo(f.grid, f.Indicator(4));
    f.ui.Release(f.grid, f.Indicator(4));
    EXPECT_EQ(f.Order(), "ACDBEF") << "the line stayed on D, where the drop went";
  }
}

TEST(RecordMoving, TheMoveKeepsTheViewAndTheCurrentRecordNumber) {
  MovingFixture f(12, 5);
  f.data.Last();
  f.data.MoveBy(-4);  // the top row, away from the middle
  f.ui.Process();
  const std::vector<int> shownBefore = f.ShownRecNos();
  const int recNo = f.data.RecNo();
  const int row = f.grid->Row();
  ASSERT_EQ(shownBefore, (std::vector<int>{8, 9, 10, 11, 12}));
  f.Drag(0, 4);
  EXPECT_EQ(f.data.RecNo(), recNo);
  EXPECT_EQ(f.grid->Row(), row) << "the current record's row";
  EXPECT_EQ(f.ShownRecNos(), shownBefore) << "the rows show the same record numbers";
  EXPECT_EQ(f.Order(), "ABCDEFGIJKLH") << "H after L";
}

}  // namespace
}  // namespace ordvane

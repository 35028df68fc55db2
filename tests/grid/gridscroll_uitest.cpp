// Scrolling the data-aware grid: the vertical bar worked with the mouse moves the dataset
// (with and without record numbers), the wheel, the horizontal bar's tracking, focus
// changes repainting the selection, leaving the grid with an untouched inserted record,
// a value set by code under the open editor, the sizing line and the other messages.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/StdCtrls.h"
#include "classlib/ui/WinPaint.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::UiDriver;

// The screen point in the middle of a part of the grid's vertical bar; the track beside
// the thumb for the page parts.
TPoint BarPoint(TCustomDBGridEh& grid, TScrollBarPart part) {
  const TScrollBarLayout bar = ScrollBarLayout(grid.Handle(), SB_VERT);
  TRect r;
  switch (part) {
    case TScrollBarPart::LineUp:
      r = bar.lineUp;
      break;
    case TScrollBarPart::LineDown:
      r = bar.lineDown;
      break;
    case TScrollBarPart::PageUp:
      r = Rect(bar.track.left, bar.track.top, bar.track.right, bar.thumb.top);
      break;
    case TScrollBarPart::PageDown:
      r = Rect(bar.track.left, bar.thumb.bottom, bar.track.right, bar.track.bottom);
      break;
    default:
      r = bar.thumb;
      break;
  }
  TRect window;
  GetWindowRect(grid.Handle(), window);
  return {window.left + (r.left + r.right) / 2, window.top + (r.top + r.bottom) / 2};
}

int TrackPosition(TCustomDBGridEh& grid) {
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(grid.Handle(), SB_VERT, info);
  return info.nTrackPos;
}

int ActiveId(TDataSet& data) {
  return data.FieldByName("ID")->AsInteger();
}

TEST(GridScrollBar, ArrowsAndPagesMoveTheDatasetPastTheShownRows) {
  DataGridFixture f(100);
  f.FitDataRows(10);
  const struct {
    TScrollBarPart part;
    int id;
  } steps[] = {
      {TScrollBarPart::LineDown, 11},  // the record below the last row
      {TScrollBarPart::LineDown, 12},
      {TScrollBarPart::LineUp, 2},  // the record above the first row (3 .. 12 shown)
      {TScrollBarPart::PageDown, 12},
      {TScrollBarPart::PageDown, 22},
      {TScrollBarPart::PageUp, 12},
  };
  for (const auto& step : steps) {
    f.ui.ClickAtScreen(BarPoint(*f.grid, step.part));
    EXPECT_EQ(ActiveId(f.data), step.id) << static_cast<int>(step.part);
    EXPECT_EQ(GetScrollPos(f.grid->Handle(), SB_VERT), step.id) << "the thumb follows the record number";
  }
  EXPECT_TRUE(f.grid->Focused()) << "working the bar focuses the grid";
}

TEST(GridScrollBar, TheDroppedThumbGoesToItsRecordAndTracksOnlyWhenAsked) {
  for (bool tracking : {false, true}) {
    DataGridFixture f(100);
    f.FitDataRows(10);
    f.grid->VertScrollBar().SetTracking(tracking);
    const TPoint thumb = BarPoint(*f.grid, TScrollBarPart::Thumb);
    f.ui.PressAtScreen(thumb);
    f.ui.MoveToScreen({thumb.x, thumb.y + 60});
    const int dropped = TrackPosition(*f.grid);
    ASSERT_GT(dropped, 10);
    ASSERT_LT(dropped, 100);
    EXPECT_EQ(ActiveId(f.data), tracking ? dropped : 1) << "tracking " << tracking;
    f.ui.ReleaseAtScreen({thumb.x, thumb.y + 60});
    EXPECT_EQ(ActiveId(f.data), dropped) << "tracking " << tracking << ": the drop moves no further";
  }

  DataGridFixture f(100);
  f.FitDataRows(10);
  f.data.SetRecNo(50);
  const TPoint thumb = BarPoint(*f.grid, TScrollBarPart::Thumb);
  f.ui.PressAtScreen(thumb);
  f.ui.MoveToScreen({thumb.x, thumb.y + 1000});
  f.ui.ReleaseAtScreen({thumb.x, thumb.y + 1000});
  EXPECT_EQ(ActiveId(f.data), 100) << "the last position is the last record";
  f.ui.PressAtScreen(BarPoint(*f.grid, TScrollBarPart::Thumb));
  f.ui.MoveToScreen({thumb.x, 0});
  f.ui.ReleaseAtScreen({thumb.x, 0});
  EXPECT_EQ(ActiveId(f.data), 1);
}

TEST(GridScrollBar, AThumbDroppedPastSixteenBitsOfPositionsReachesItsRecord) {
  DataGridFixture f(70'000);
  f.FitDataRows(10);
  const TPoint thumb = BarPoint(*f.grid, TScrollBarPart::Thumb);
  const TScrollBarLayout bar = ScrollBarLayout(f.grid->Handle(), SB_VERT);
  const TPoint to{thumb.x, thumb.y + (bar.track.bottom - bar.thumb.bottom) - 3};
  f.ui.PressAtScreen(thumb);
  f.ui.MoveToScreen(to);
  const int dropped = TrackPosition(*f.grid);
  ASSERT_GT(dropped, 65'535);
  ASSERT_LT(dropped, 70'000);
  f.ui.ReleaseAtScreen(to);
  EXPECT_EQ(ActiveId(f.data), dropped) << "the message's word would have wrapped";
}

TEST(GridScrollBar, FivePositionsWithoutRecordNumbers) {
  DataGridFixture<test::TUnnumberedDataSet> f(100);
  f.FitDataRows(10);
  f.grid->VertScrollBar().SetTracking(true);
  f.ui.ClickAtScreen(BarPoint(*f.grid, TScrollBarPart::LineDown));
  EXPECT_EQ(ActiveId(f.data), 11);
  f.ui.ClickAtScreen(BarPoint(*f.grid, TScrollBarPart::PageDown));
  EXPECT_EQ(ActiveId(f.data), 21);
  EXPECT_EQ(GetScrollPos(f.grid->Handle(), SB_VERT), 2);

  // The thumb rests in the middle; dropped one place away it moves a page, at an end it
  // goes there. Tracking moves nothing: there is no record number to track.
  const TScrollBarLayout bar = ScrollBarLayout(f.grid->Handle(), SB_VERT);
  const int step = (bar.track.bottom - bar.track.top - (bar.thumb.bottom - bar.thumb.top)) / 4;
  const struct {
    int places;
    int id;
  } drops[] = {{1, 31}, {-1, 21}, {2, 100}, {-4, 1}};
  for (const auto& drop : drops) {
    const TPoint from = BarPoint(*f.grid, TScrollBarPart::Thumb);
    const TPoint to{from.x, from.y + drop.places * step};
    const int before = ActiveId(f.data);
    f.ui.PressAtScreen(from);
    f.ui.MoveToScreen(to);
    EXPECT_EQ(ActiveId(f.data), before) << "dragged " << drop.places;
    f.ui.ReleaseAtScreen(to);
    EXPECT_EQ(ActiveId(f.data), drop.id) << "dropped " << drop.places << " from " << before;
  }
}

TEST(GridScrollBar, OneWheelNotchMovesOneRecordWithoutTheWheelEvents) {
  DataGridFixture f(100);
  f.FitDataRows(10);
  int wheelDown = 0;
  int wheel = 0;
  f.grid->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool&) { ++wheelDown; };
  f.grid->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool&) { ++wheel; };
  f.grid->SetFocus();
  f.ui.MoveTo(f.grid, {100, 100});
  f.ui.Wheel(-1);
  EXPECT_EQ(ActiveId(f.data), 2);
  f.ui.Wheel(-3);
  EXPECT_EQ(ActiveId(f.data), 5);
  f.ui.Wheel(2);
  EXPECT_EQ(ActiveId(f.data), 3);
  EXPECT_EQ(wheelDown, 0);
  EXPECT_EQ(wheel, 3) << "the general wheel event still has its say";

  f.grid->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) { handled = true; };
  f.ui.Wheel(-1);
  EXPECT_EQ(ActiveId(f.data), 3) << "a handled wheel moves nothing";
  f.grid->OnMouseWheel = nullptr;

  // The editor's open pick list keeps the wheel from the records.
  f.grid->Columns().Items(1)->PickList()->Add("name 3");
  f.grid->SetSelectedIndex(1);
  f.ui.Press(VK_F2);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(f.grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  editor->DropDown();
  ASSERT_TRUE(editor->ListVisible());
  f.ui.Wheel(-1);
  EXPECT_EQ(ActiveId(f.data), 3);
  editor->CloseUp(false);
  f.ui.Wheel(-1);
  EXPECT_EQ(ActiveId(f.data), 4);
}

TEST(GridScrollBar, TheHorizontalThumbTracksWithItsOption) {
  for (bool tracking : {false, true}) {
    DataGridFixture f(5);
    for (int i = 0; i < f.grid->Columns().Count(); ++i) f.grid->Columns().Items(i)->SetWidth(200);
    f.grid->HorzScrollBar().SetTracking(tracking);
    f.ui.Process();
    const TScrollBarLayout bar = ScrollBarLayout(f.grid->Handle(), SB_HORZ);
    ASSERT_FALSE(IsRectEmpty(bar.thumb));
    TRect window;
    GetWindowRect(f.grid->Handle(), window);
    const TPoint thumb{window.left + (bar.thumb.left + bar.thumb.right) / 2,
                       window.top + (bar.thumb.top + bar.thumb.bottom) / 2};
    f.ui.PressAtScreen(thumb);
    f.ui.MoveToScreen({thumb.x + 1000, thumb.y});
    EXPECT_EQ(f.grid->LeftCol() > f.grid->FixedCols(), tracking) << "tracking " << tracking;
    f.ui.ReleaseAtScreen({thumb.x + 1000, thumb.y});
    EXPECT_GT(f.grid->LeftCol(), f.grid->FixedCols());
  }
}

// ---- Focus and leaving the grid -------------------------------------------------------

struct FocusFixture : DataGridFixture<> {
  TEdit* other = nullptr;
  FocusFixture() : DataGridFixture<>(20) {
    other = new TEdit(form.get());
    other->SetBounds(0, 400, 100, 24);
    other->SetParent(form.get());
    FitDataRows(10);
    grid->SetFocus();
    ui.Process();
  }
};

bool Covers(const TRegion& region, const TRect& rect) {
  return region.Contains(rect.left + 1, rect.top + 1) && region.Contains(rect.right - 2, rect.bottom - 2);
}

TEST(GridFocus, LosingAndGainingTheFocusRepaintsTheSelectionAndTheCurrentRow) {
  FocusFixture f;
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgMultiSelect});
  f.data.SetRecNo(4);
  grid.SelectedRows().SetCurrentRowSelected(true);
  f.data.SetRecNo(6);
  grid.SelectedRows().SetCurrentRowSelected(true);
  f.data.SetRecNo(2);
  f.ui.Process();
  const int first = grid.TitleOffset();
  const int lastCol = grid.ColCount() - 1;

  for (bool toGrid : {false, true}) {
    if (toGrid)
      grid.SetFocus();
    else
      f.other->SetFocus();
    const TRegion invalid = UiDriver::UpdateRegion(&grid);
    const char* when = toGrid ? "focus back" : "focus lost";
    EXPECT_TRUE(Covers(invalid, grid.BoxRect(1, first + 3, lastCol, first + 3))) << when << ": record 4";
    EXPECT_TRUE(Covers(invalid, grid.BoxRect(1, first + 5, lastCol, first + 5))) << when << ": record 6";
    EXPECT_TRUE(Covers(invalid, grid.BoxRect(0, first + 1, lastCol, first + 1))) << when << ": current";
    EXPECT_FALSE(invalid.Contains(grid.CellRect(2, first + 8).left + 2, grid.CellRect(2, first + 8).top + 2))
        << when << ": a row outside the selection";
    f.ui.Process();
  }

  grid.Selection().SelectAll();
  f.ui.Process();
  f.other->SetFocus();
  EXPECT_TRUE(Covers(UiDriver::UpdateRegion(&grid), grid.BoxRect(0, first + 8, lastCol, first + 8)));
}

TEST(GridFocus, LeavingDropsAnUntouchedInsertedRecordOnlyWithTheOption) {
  {
    FocusFixture f;
    f.data.Insert();
    f.ui.Process();
    f.other->SetFocus();
    f.ui.Process();
    EXPECT_EQ(f.data.State(), dsBrowse) << "untouched: cancelled";
    EXPECT_EQ(f.data.RecordCount(), 20);
  }
  {
    FocusFixture f;
    f.data.Insert();
    f.data.FieldByName("NAME")->SetAsString("typed");
    f.other->SetFocus();
    f.ui.Process();
    EXPECT_EQ(f.data.State(), dsInsert) << "a record with a value stays";
  }
  {
    // Typed into the editor but not yet written to the record: the text goes into it.
    FocusFixture f;
    f.data.Insert();
    f.grid->SetSelectedIndex(1);
    f.ui.Type("new");
    EXPECT_TRUE(f.grid->EditorMode());
    f.other->SetFocus();
    f.ui.Process();
    EXPECT_EQ(f.data.State(), dsInsert);
    EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "new");
  }
  {
    FocusFixture f;
    f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgCancelOnExit});
    f.data.Insert();
    f.other->SetFocus();
    f.ui.Process();
    EXPECT_EQ(f.data.State(), dsInsert);
  }
}

TEST(GridFocus, AValueSetByCodeUnderTheOpenEditorReplacesItsText) {
  FocusFixture f;
  f.grid->SetSelectedIndex(1);
  f.ui.Press(VK_F2);
  ASSERT_TRUE(f.grid->EditorMode());
  EXPECT_EQ(f.grid->InplaceEditor()->Text(), "name 1");
  f.data.Edit();
  f.data.FieldByName("NAME")->SetAsString("set by code");
  EXPECT_EQ(f.grid->InplaceEditor()->Text(), "set by code");
  EXPECT_EQ(f.grid->InplaceEditor()->SelText(), "set by code") << "reselected";
  f.ui.Press(VK_END);
  f.ui.Type("!");
  EXPECT_EQ(f.grid->InplaceEditor()->Text(), "set by code!");
  f.other->SetFocus();
  EXPECT_EQ(f.data.FieldByName("NAME")->AsString(), "set by code!") << "no stale text written back";

  // Another field changed by code leaves the editor's typing alone.
  f.grid->SetFocus();
  f.ui.Press(VK_F2);
  f.ui.Press(VK_END);
  f.ui.Type("?");
  f.data.FieldByName("CODE")->SetAsString("z9");
  EXPECT_EQ(f.grid->InplaceEditor()->Text(), "set by code!?");
}

// ---- Sizing line and other messages ---------------------------------------------------

// The mix mode each line was drawn in, from a log of calls.
std::vector<AnsiString> LineModes(const std::vector<AnsiString>& calls) {
  std::vector<AnsiString> modes;
  AnsiString mode = "none";
  for (const AnsiString& call : calls) {
    if (call.starts_with("SetROP2(")) mode = call;
    if (call.starts_with("LineTo(")) modes.push_back(mode);
  }
  return modes;
}

TEST(GridSizingLine, AnXorLineFollowsTheDragAndOnlyAWidthAboveOneIsTaken) {
  DataGridFixture f(5);
  TCustomDBGridEh& grid = *f.grid;
  TColumnEh* name = grid.Columns().Items(1);
  const int width = name->Width();
  const TRect title = grid.CellRect(grid.DataToRawColumn(1), 0);
  const TPoint border{title.right, title.top + 5};

  const HDC window = GetDC(grid.Handle());
  TRecordingDC recorder(*window);
  grid.Canvas()->SetHandle(&recorder);
  f.ui.Press(&grid, border);
  f.ui.MoveTo(&grid, {border.x + 30, border.y});
  const std::vector<AnsiString> modes = LineModes(recorder.Calls());
  f.ui.Release(&grid, {border.x + 30, border.y});
  grid.Canvas()->SetHandle(nullptr);
  ReleaseDC(grid.Handle(), window);

  EXPECT_EQ(modes, std::vector<AnsiString>(3, "SetROP2(" + IntToStr(R2_XORPEN) + ")"))
      << "drawn, erased and drawn at the new place, each exclusive-or";
  EXPECT_EQ(name->Width(), width + 30);

  f.ui.Drag(&grid, {title.right + 30, border.y}, {title.left - 10, border.y});
  EXPECT_EQ(name->Width(), width + 30) << "a width of 1 or less is not taken";
  EXPECT_EQ(grid.GridState(), grsNormal);
}

TEST(GridMessages, AFlatGridPaintsItsOwnOnePixelBorder) {
  DataGridFixture f(3);
  TCustomDBGridEh& grid = *f.grid;
  // What the scroll bars take of the window without a border.
  const TSize bars{grid.Width() - grid.ClientWidth(), grid.Height() - grid.ClientHeight()};
  const auto border = [&] {
    return TSize{grid.Width() - grid.ClientWidth() - bars.cx, grid.Height() - grid.ClientHeight() - bars.cy};
  };
  grid.SetBorderStyle(bsSingle);
  f.ui.Process();
  EXPECT_EQ(border(), (TSize{4, 4})) << "the client edge";
  grid.SetFlat(true);
  f.ui.Process();
  EXPECT_EQ(border(), (TSize{2, 2})) << "one pixel each side";

  TBitmap expected(grid.Width(), grid.Height());
  TRect ring{0, 0, grid.Width(), grid.Height()};
  DrawEdge(expected.Canvas()->Handle(), ring, BDR_SUNKENINNER, BF_RECT);
  TRect window;
  GetWindowRect(grid.Handle(), window);
  const TRaster screen = UiDriver::Screen();
  int differing = 0;
  for (int x = 0; x < grid.Width(); ++x)
    for (int y : {0, grid.Height() - 1})
      differing += screen.Pixel(window.left + x, window.top + y) != expected.Raster().Pixel(x, y);
  for (int y = 0; y < grid.Height(); ++y)
    for (int x : {0, grid.Width() - 1})
      differing += screen.Pixel(window.left + x, window.top + y) != expected.Raster().Pixel(x, y);
  EXPECT_EQ(differing, 0) << "a sunken inner edge around the window";

  grid.SetBorderStyle(bsNone);
  f.ui.Process();
  EXPECT_EQ(border(), (TSize{0, 0})) << "no border, none painted";
}

// A child control that answers the notifications its parent hands back.
class TNotifiedControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int commands = 0;
  void Dispatch(TMessage& message) override {
    if (message.Msg == CN_COMMAND) {
      ++commands;
      message.Result = 42;
      return;
    }
    TWinControl::Dispatch(message);
  }
};

TEST(GridMessages, TypingIntoTheEditorUpdatesItsPickListImage) {
  DataGridFixture f(3);
  TCustomImageList images(nullptr);
  TColumnEh* code = f.grid->Columns().Items(2);
  code->PickList()->Add("k1");
  code->PickList()->Add("k2");
  code->SetImageList(&images);
  f.grid->SetFocus();
  f.grid->SetSelectedIndex(2);
  f.ui.Press(VK_F2);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(f.grid->InplaceEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->ImageIndex(), 0);
  f.ui.Type("x");  // over the selected text
  EXPECT_EQ(editor->Text(), "x");
  EXPECT_EQ(editor->ImageIndex(), -1) << "the change reached the edit buttons: no item, no image";
}

TEST(GridMessages, DialogCodesBackgroundAndChildCommands) {
  DataGridFixture f(5);
  TCustomDBGridEh& grid = *f.grid;
  grid.SetOptions(grid.Options() + TDBGridOptions{dgRowSelect});
  EXPECT_EQ(grid.Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, 0);
  grid.SetOptionsEh(grid.OptionsEh() + TDBGridEhOptions{dghPreferIncSearch});
  EXPECT_NE(grid.Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, 0) << "typing searches";
  EXPECT_EQ(grid.Perform(WM_ERASEBKGND, 0, 0), 1);

  auto* child = new TNotifiedControl(&grid);
  child->SetParent(&grid);
  child->HandleNeeded();
  const auto sender = static_cast<LPARAM>(child->Handle());
  EXPECT_EQ(grid.Perform(WM_COMMAND, MAKEWPARAM(1, 0), sender), 42);
  EXPECT_EQ(child->commands, 1);
}

}  // namespace
}  // namespace ordvane

// The mouse cursors that tell what a press would do: select rows from the indicator,
// select columns from the lower edge of a title; and the press that selects columns.

#include <string>
#include <vector>

#include "classlib/ui/Cursors.h"
#include "classlib/ui/Resources.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// A press this close to a title's lower edge selects its column.
constexpr int kColumnSelectZone = 7;
// The first tick of the scroll while columns are selected by dragging over the titles.
constexpr UINT kColumnSelectingInterval = 60;

void RegisterSelectionCursorArt() {
  const std::vector<TArtColor> palette = {{'.', clNone}, {'X', clBlack}, {'o', clWhite}};
  // An arrow pointing down, its tip the hot spot.
  RegisterPixelArt({"DOWNCUREH", palette,
                    {"..ooooo..", "..oXXXo..", "..oXXXo..", "..oXXXo..", "ooXXXXXoo", ".oXXXXXo.", "..oXXXo..",
                     "...oXo...", "....o...."},
                    TPoint{4, 8}});
  // Arrows pointing right and left, their tips the hot spots.
  RegisterPixelArt({"RIGHTCUREH", palette,
                    {"....o....", "....oo...", "ooooXXo..", "oXXXXXXo.", "oXXXXXXXo", "oXXXXXXo.", "ooooXXo..",
                     "....oo...", "....o...."},
                    TPoint{8, 4}});
  RegisterPixelArt({"LEFTCUREH", palette,
                    {"....o....", "...oo....", "..oXXoooo", ".oXXXXXXo", "oXXXXXXXo", ".oXXXXXXo", "..oXXoooo",
                     "...oo....", "....o...."},
                    TPoint{0, 4}});
}

HCURSOR LoadSelectionCursor(const char* name) {
  const HCURSOR cursor = LoadCursor(name);
  if (cursor == 0) throw EOutOfResources("Cannot load cursor resource");
  return cursor;
}

struct TSelectionCursorsEh {
  HCURSOR down;
  HCURSOR right;
  HCURSOR left;
};

const TSelectionCursorsEh& SelectionCursorsEh() {
  static const TSelectionCursorsEh cursors = [] {
    RegisterSelectionCursorArt();
    return TSelectionCursorsEh{LoadSelectionCursor("DOWNCUREH"), LoadSelectionCursor("RIGHTCUREH"),
                               LoadSelectionCursor("LEFTCUREH")};
  }();
  return cursors;
}

// Loaded with the program, so that a missing picture shows at start, not at a mouse move.
[[maybe_unused]] const TSelectionCursorsEh& kLoadedAtStart = SelectionCursorsEh();

}  // namespace

TCustomDBGridEh::TSizingBorderEh TCustomDBGridEh::SizingBorderAt(int x, int y) {
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  TSizingBorderEh border;
  int sizingPos = 0, sizingOfs = 0;
  CalcSizingState(x, y, border.state, border.index, sizingPos, sizingOfs, info);
  return border;
}

HCURSOR TCustomDBGridEh::SelectionCursorAt(int x, int y) {
  if (!fDataLink->Active() || !fDBOptions.Contains(dgMultiSelect) || SizingBorderAt(x, y).state != grsNormal ||
      CheckBeginRecordMoving(x, y, true))
    return 0;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.Y < 0) return 0;
  if (cell.X < fIndicatorOffset) {
    TDataSet& dataSet = *fDataLink->DataSet();
    const int dataRow = cell.Y - fTitleOffset;
    if (dataRow < 0 || dataRow >= fDataLink->RecordCount() || (dataSet.Bof() && dataSet.Eof()) ||
        !SelectionTypeAllowed(gstRecordBookmarks))
      return 0;
    return UseRightToLeftAlignment() ? SelectionCursorsEh().left : SelectionCursorsEh().right;
  }
  return InColumnSelectZone(cell, y) ? SelectionCursorsEh().down : 0;
}

bool TCustomDBGridEh::InColumnSelectZone(TGridCoord cell, int y) const {
  if (cell.Y != 0 || cell.X < fIndicatorOffset || !fDBOptions.Contains(dgTitles) ||
      fDBOptions.Contains(dgRowSelect) || !SelectionTypeAllowed(gstColumns))
    return false;
  const TRect title = CellRect(cell.X, cell.Y);
  return title.Height() < kColumnSelectZone || y >= title.bottom - kColumnSelectZone;
}

bool TCustomDBGridEh::SelectColumnAtTitleEdge(TShiftState shift, int x, int y) {
  if (SelectionCursorAt(x, y) != SelectionCursorsEh().down) return false;
  const int dataCol = RawToDataColumn(MouseCoord(x, y).X);
  if (dataCol < 0 || dataCol >= fColumns->Count()) return false;
  TDestroyWatch watch(this);
  if (CanFocus() && !IsFocused()) SetFocus();
  if (watch.Gone()) return true;
  TColumnEh* column = fColumns->Items(dataCol);
  TDBGridEhSelectionCols& columns = fSelection->Columns();
  if (shift.Contains(ssShift))
    columns.SelectShift(column);
  else if (shift.Contains(ssCtrl))
    columns.Toggle(column);
  else
    columns.Select(column, false);
  fDBGridEhState = dgsColSelectingEh;
  StartScrollTimer(kColumnSelectingInterval);
  return true;
}

void TCustomDBGridEh::WMSetCursorEh(TMessage& message) {
  const auto hit = static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(message.LParam)));
  if (hit == HTCLIENT && GridState() == grsNormal) {
    const TPoint point = HitTest();
    if (const HCURSOR cursor = SelectionCursorAt(point.x, point.y)) {
      ordvane::SetCursor(cursor);
      message.Result = 1;
      return;
    }
  }
  TCustomGridEh::Dispatch(message);
}

}  // namespace ordvane

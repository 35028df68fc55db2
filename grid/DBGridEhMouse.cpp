// The mouse cursors that tell what a press would do: select rows from the indicator,
// select columns from the lower edge of a title, size a column (the frozen columns' own
// zones and the changed sizing hit test); the designer's hit test; and the press that
// selects columns.

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/ui/Cursors.h"
#include "classlib/ui/Resources.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// A press this close to a title's lower edge selects its column; a sizing zone is as
// wide (or as wide as a wider grid line).
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

// Mirrored, a pixel at x shows what the left-to-right layout has at width - 1 - x.
int LeftToRightX(const TCustomDBGridEh& grid, int x, const TGridDrawInfo& info) {
  return grid.UseRightToLeftAlignment() ? info.Horz.ClientExtent - 1 - x : x;
}

// Loaded with the program, so that a missing picture shows at start, not at a mouse move:
// the exception ending the program then is the point.
[[maybe_unused]] const TSelectionCursorsEh& kLoadedAtStart = SelectionCursorsEh();  // NOLINT(cert-err58-cpp)

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
  UpdateEditorFocus();
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

void TCustomDBGridEh::CalcSizingState(int x, int y, TGridStateEh& state, int& index, int& sizingPos,
                                      int& sizingOfs, const TGridDrawInfo& info) {
  // The base grid already keeps row borders to the indicator (the frozen columns are its
  // fixed data cells), puts a border beyond the columns on the last one and a first
  // column wider than the scrolling area on itself; the frozen columns' zones reach one
  // pixel further and follow a column past the window.
  if (FrozenSizingZoneAt(x, y, index, sizingPos, sizingOfs, info)) {
    state = grsColSizing;
    return;
  }
  TCustomGridEh::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
}

bool TCustomDBGridEh::FrozenSizingZoneAt(int x, int y, int& index, int& sizingPos, int& sizingOfs,
                                         const TGridDrawInfo& info) {
  TGridOptionsEh options = TCustomGridEh::Options();
  if (ComponentState().Contains(csDesigning)) options += DesignOptionsBoost();
  if (!options.Contains(grColSizing) || y >= info.Vert.FixedBoundary) return false;
  x = LeftToRightX(*this, x, info);
  const int line = info.Horz.EffectiveLineWidth;
  const int zone = std::max(line, kColumnSelectZone);
  const int shift = line < kColumnSelectZone ? (kColumnSelectZone - line) / 2 : 0;
  const auto hit = [&](int col, int edge) {
    index = col;
    sizingPos = edge;
    sizingOfs = edge - x;
    return true;
  };
  int start = info.Horz.FixedDataBoundary;
  for (int col = FixedCols() - info.Horz.FixedDataCount; col < FixedCols(); ++col) {
    if (info.Horz.Span(col) == 0) continue;
    const int edge = start + ColWidths(col);
    if (edge > Width()) {
      // The column runs past the window: its border is the client area's edge.
      const int right = ClientWidth();
      return Width() == right && x >= right - shift && x <= right && hit(col, right);
    }
    if (x >= edge - shift && x <= edge - shift + zone) return hit(col, edge);
    start += info.Horz.Span(col);
  }
  return false;
}

void TCustomDBGridEh::CMDesignHitTest(TMessage& message) {
  TCustomGridEh::Dispatch(message);
  if (message.Result != 0) return;
  const TPoint point = PointFromLParam(message.LParam);
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  int index = 0, sizingPos = 0, sizingOfs = 0;
  if (GridState() != grsNormal || fDBGridEhState != dgsNormalEh ||
      FrozenSizingZoneAt(point.x, point.y, index, sizingPos, sizingOfs, info))
    message.Result = -1;
}

void TCustomDBGridEh::WMSetCursorEh(TMessage& message) {
  const auto hit = static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(message.LParam)));
  if (hit == HTCLIENT && GridState() == grsColSizing) {
    ordvane::SetCursor(Screen->Cursors(crHSplit));
    message.Result = 1;
    return;
  }
  if (hit == HTCLIENT && GridState() == grsNormal && fDBGridEhState == dgsNormalEh) {
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

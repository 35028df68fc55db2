// Record moving: a record, or the selected records, dragged by the indicator column to
// another place. The grid follows the mouse with an exclusive-or insertion line, scrolls
// while the mouse is held beyond the data rows, and hands the move to OnMoveRecords or to
// the dataset's features through the data service. The mouse handlers that start and
// follow it are in DBGridEhMouseMove.

#include <algorithm>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

constexpr UINT kRecordMovingInterval = 60;
constexpr int kInsertionLineWidth = 5;
// The tick at the line's left end reaches this far above and below it.
constexpr int kInsertionTick = 5;

}  // namespace

// ---- The timer ------------------------------------------------------------------------

void TCustomDBGridEh::RecordMovingTimer() {
  TPoint pt;
  GetCursorPos(pt);
  pt = ScreenToClient(pt);
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  TrackRecordMoving(pt.x, pt.y, info);
}

void TCustomDBGridEh::RecordMovingCancelled() {
  if (fDBGridEhState == dgsRecordMovingEh) StopRecordMoving(0, 0, false);
}

void TCustomDBGridEh::StartScrollTimer(UINT interval) {
  if (HandleAllocated()) SetTimer(Handle(), kScrollTimerEh, interval);
}

void TCustomDBGridEh::StopScrollTimer() {
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimerEh);
}

// ---- Start, track, stop -----------------------------------------------------------------

bool TCustomDBGridEh::CanBeginRecordMoving(TGridCoord /*fromCell*/, TGridCoord /*toCell*/, TPoint /*mousePt*/) {
  return true;
}

int TCustomDBGridEh::GetRecordMovingTarget(int /*row*/, const TGridDrawInfo& /*info*/, int& treeLevel) {
  treeLevel = -1;
  return 0;
}

bool TCustomDBGridEh::CheckBeginRecordMoving(int x, int y, bool checkOnly) {
  if (!fDataLink->Active() || !fOptionsEh.Contains(dghRecordMoving)) return false;
  TDataSet& dataSet = *fDataLink->DataSet();
  const TGridCoord cell = MouseCoord(x, y);
  const int dataRow = cell.Y - fTitleOffset;
  if (cell.X < 0 || cell.X >= fIndicatorOffset || dataRow < 0 || dataRow >= fDataLink->RecordCount() ||
      (dataSet.Bof() && dataSet.Eof()))
    return false;
  const TRowRecordEh pressed = RowRecord(dataRow);
  if (SelectionTypeAllowed(gstRecordBookmarks)) {
    const TShiftState keys = KeyboardStateToShiftState();
    if (keys.Contains(ssShift) || keys.Contains(ssCtrl) || keys.Contains(ssAlt) ||
        fSelectedRows->IndexOf(pressed.bookmark) < 0)
      return false;
  }
  if (checkOnly) return true;
  if (!CanBeginRecordMoving(cell, cell, {x, y})) return false;
  fMoveFromRow = cell.Y;
  fMoveToRow = cell.Y;
  fMovingBookmark = pressed.bookmark;
  fMovingRecNo = pressed.recNo;
  fDBGridEhState = dgsRecordMovingEh;
  TGridDrawInfo info;
  ComputeDrawInfo(info);
  fInsertionLineX = GetRecordMovingTarget(cell.Y, info, fMoveToLevel);
  ShowInsertionLine();
  StartScrollTimer(kRecordMovingInterval);
  return true;
}

void TCustomDBGridEh::TrackRecordMoving(int x, int y, const TGridDrawInfo& info) {
  if (!fDataLink->Active()) return;
  const int firstRow = fTitleOffset;
  const int lastRow = fTitleOffset + std::max(fDataLink->RecordCount(), 1) - 1;
  const bool above = y < info.Vert.FixedBoundary;
  const bool below = y >= CellRect(0, lastRow).bottom;
  int row = MouseCoord(x, y).Y;
  if (!above && !below && row == fMoveToRow) return;
  if (above || below) {
    HideInsertionLine();
    ScrollWhileMoving(above ? -1 : 1);
    ShowInsertionLine();
    row = above ? firstRow : lastRow;
  }
  if (row < firstRow || row > lastRow) return;
  int level = -1;
  const int lineX = GetRecordMovingTarget(row, info, level);
  if (!MoveDraggedRecords(row - fTitleOffset, level, true)) return;
  HideInsertionLine();
  fMoveToRow = row;
  fMoveToLevel = level;
  fInsertionLineX = lineX;
  ShowInsertionLine();
}

void TCustomDBGridEh::ScrollWhileMoving(int direction) {
  TDataSet& dataSet = *fDataLink->DataSet();
  const int edge = direction < 0 ? 0 : fDataLink->RecordCount() - 1;
  dataSet.MoveBy(edge - fDataLink->ActiveRecord());
  dataSet.MoveBy(direction);
}

void TCustomDBGridEh::StopRecordMoving(int x, int y, bool doMove) {
  StopScrollTimer();
  HideInsertionLine();
  fDBGridEhState = dgsNormalEh;
  if (!doMove || !fDataLink->Active()) return;
  int from = fMoveFromRow;
  int to = fMoveToRow;
  // The rows scroll during the drag: the dragged record, not the row it held at the
  // press, is what a drop must differ from.
  if (!EndRowDrag(from, to, {x, y}) || to < fTitleOffset || IsDraggedRecord(to)) return;
  MoveDraggedRecords(to - fTitleOffset, fMoveToLevel, false);
}

// ---- Moving -------------------------------------------------------------------------------

bool TCustomDBGridEh::MoveDraggedRecords(int toDataRow, int treeLevel, bool checkOnly) {
  if (fSelectedRows->GetCount() > 0 && fSelectedRows->IndexOf(fMovingBookmark) >= 0) {
    std::vector<TBookmarkStr> selected;
    selected.reserve(static_cast<std::size_t>(fSelectedRows->GetCount()));
    for (int i = 0; i < fSelectedRows->GetCount(); ++i) selected.push_back(fSelectedRows->GetItem(i));
    return MoveRecords(selected, toDataRow, treeLevel, checkOnly);
  }
  return MoveRecords({fMovingBookmark}, toDataRow, treeLevel, checkOnly);
}

bool TCustomDBGridEh::MoveRecords(const std::vector<TBookmarkStr>& bookmarks, int toDataRow, int treeLevel,
                                  bool checkOnly) {
  int toRecNo = 0;
  if (fDataLink->Active() && toDataRow >= 0 && toDataRow < fDataLink->RecordCount())
    toRecNo = RowRecord(toDataRow).recNo;
  if (OnMoveRecords) return OnMoveRecords(this, bookmarks, toRecNo, treeLevel, checkOnly);
  return DefaultMoveRecords(bookmarks, toRecNo, treeLevel, checkOnly);
}

bool TCustomDBGridEh::DefaultMoveRecords(const std::vector<TBookmarkStr>& bookmarks, int toRecNo, int treeLevel,
                                         bool checkOnly) {
  TDataSet* dataSet = GridDataSetEh(*this);
  if (dataSet == nullptr) return false;
  TDBGridEhDataService& service = DBGridEhDataService();
  if (checkOnly || !fDataLink->Active()) return service.MoveRecords(*this, bookmarks, toRecNo, treeLevel, checkOnly);
  // Where the current record stands from the middle of the rows shown, and its number.
  const int count = fDataLink->RecordCount();
  const int offset = fDataLink->ActiveRecord() - count / 2 + (count + 1) % 2;
  const int recNo = dataSet->RecNo();
  if (!service.MoveRecords(*this, bookmarks, toRecNo, treeLevel, false)) return false;
  // The middle record first, then the current one: the rows shown stay the same numbers.
  dataSet->SetRecNo(recNo - offset);
  dataSet->MoveBy(offset);
  return true;
}

// ---- Rows and the insertion line -------------------------------------------------------------

TCustomDBGridEh::TRowRecordEh TCustomDBGridEh::RowRecord(int dataRow) {
  const TActiveRecordScope active(*fDataLink, dataRow);
  TDataSet& dataSet = *fDataLink->DataSet();
  return {dataSet.RecNo(), dataSet.Bookmark()};
}

bool TCustomDBGridEh::IsDraggedRecord(int row) {
  const int dataRow = row - fTitleOffset;
  if (dataRow < 0 || dataRow >= fDataLink->RecordCount()) return false;
  const TBookmarkStr bookmark = RowRecord(dataRow).bookmark;
  return fDataLink->DataSet()->CompareBookmarks(bookmark, fMovingBookmark) == 0;
}

TCustomDBGridEh::TInsertionLineEh TCustomDBGridEh::InsertionLineAt(int row) {
  const TRect rect = CellRect(0, row);
  const int dataRow = row - fTitleOffset;
  // Records after the dragged one take the drop after them: the line at their bottom edge.
  const bool after = fDataLink->Active() && dataRow >= 0 && dataRow < fDataLink->RecordCount() &&
                     RowRecord(dataRow).recNo > fMovingRecNo;
  return {fInsertionLineX, after ? rect.bottom : rect.top - GridLineWidth(), ClientWidth()};
}

void TCustomDBGridEh::ToggleInsertionLine(const TInsertionLineEh& line) {
  DrawXorLine({line.x, line.y}, {line.right, line.y}, kInsertionLineWidth, clSilver);
  DrawXorLine({line.x, line.y - kInsertionTick}, {line.x, line.y + kInsertionTick}, kInsertionLineWidth, clSilver);
}

void TCustomDBGridEh::ShowInsertionLine() {
  if (fShownInsertionLine || !HandleAllocated()) return;
  // What waits to be painted goes first: a paint over the line would leave half of it
  // behind when it is erased.
  Update();
  fShownInsertionLine = InsertionLineAt(fMoveToRow);
  ToggleInsertionLine(*fShownInsertionLine);
}

void TCustomDBGridEh::HideInsertionLine() {
  if (!fShownInsertionLine) return;
  if (HandleAllocated()) ToggleInsertionLine(*fShownInsertionLine);
  fShownInsertionLine.reset();
}

}  // namespace ordvane

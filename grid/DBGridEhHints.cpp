// Cell tooltips: over a data cell, title or footer whose ToolTips is set the hint shows at
// once, and a text the cell cuts shows whole in a tooltip window over the cell.

#include <algorithm>

#include "classlib/ui/Hints.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

// What the tooltip window shows: the text in the cell's font, at least as large as the
// cell, wrapped or turned as the cell writes it.
struct TToolTipEh {
  AnsiString text;
  TFont font;
  TSize cell{0, 0};
  bool wordWrap = false;
  bool vertical = false;
};

// One hint shows at a time in the process: the window reads this while it shows.
TToolTipEh& ShownToolTip() {
  static TToolTipEh tip;
  return tip;
}

class TDBGridEhToolTipsWindow : public THintWindow {
 public:
  using THintWindow::THintWindow;

  TRect CalcHintRect(int /*maxWidth*/, const AnsiString& hint, void* data) override {
    const auto& tip = *static_cast<const TToolTipEh*>(data);
    fVertical = tip.vertical;
    Font()->Assign(&tip.font);
    Font()->SetColor(clInfoText);
    HandleNeeded();
    TCanvas& canvas = *Canvas();
    canvas.SetFont(*Font());
    const int border = 2 * GetSystemMetrics(SM_CXBORDER);
    if (tip.vertical) {
      const TSize extent = canvas.TextExtent(hint);
      return {0, 0, std::max(tip.cell.cx, extent.cy + 4) + border,
              std::max(tip.cell.cy, extent.cx + 6) + border};
    }
    TRect measured{0, 0, std::max(tip.cell.cx - 6, 1), 0};
    unsigned format = DT_CALCRECT | DT_NOPREFIX;
    if (tip.wordWrap) format |= DT_WORDBREAK;
    DrawText(canvas.Handle(), hint, measured, format);
    return {0, 0, std::max(tip.cell.cx, measured.Width() + 6) + border,
            std::max(tip.cell.cy, measured.Height() + 2) + border};
  }

 protected:
  void Paint() override {
    if (!fVertical) return THintWindow::Paint();
    TCanvas& canvas = *Canvas();
    canvas.SetFont(*Font());
    canvas.Brush()->SetStyle(bsClear);
    TRect rect = ClientRect();
    InflateRect(rect, -2, -2);
    DrawRotatedTextEh(canvas, rect, Caption(), taLeftJustify);
  }

 private:
  bool fVertical = false;
};

// The text a data cell's tooltip starts from: a check-box or image column names its value
// by its pick list.
AnsiString DataToolTipText(TColumnEh& column, const TColCellParamsEh& params) {
  const TColumnCellKind kind = column.GetColumnType();
  if (kind != ctCheckboxes && kind != ctKeyImageList)
    return column.Field() != nullptr ? params.Text : AnsiString();
  TStrings& pickList = *column.PickList();
  int index = -1;
  if (kind == ctCheckboxes)
    index = static_cast<int>(params.CheckboxState);
  else if (column.Field() != nullptr)
    index = column.KeyList()->IndexOf(column.Field()->Text());
  return index >= 0 && index < pickList.Count() ? pickList.Strings(index) : AnsiString();
}

}  // namespace

std::optional<TCustomDBGridEh::TToolTipCellEh> TCustomDBGridEh::ToolTipCellAt(TPoint point) {
  const TGridCoord coord = MouseCoord(point.x, point.y);
  if (coord.X < fIndicatorOffset || coord.Y < 0 || coord.X >= FullColCount() || coord.Y >= FullRowCount())
    return std::nullopt;
  TToolTipCellEh cell;
  int dataCol = 0;
  cell.type = GetCellType(coord.X, coord.Y, dataCol, cell.areaRow);
  if (dataCol >= fColumns->Count()) return std::nullopt;
  cell.column = fColumns->Items(dataCol);
  cell.rect = CellRect(coord.X, coord.Y);
  TColumnTitleEh& title = cell.column->Title();
  switch (cell.type.RowKind) {
    case crkDataEh:
      if (fDataLink->Active() && cell.column->ToolTips()) return cell;
      break;
    case crkTitleEh:
      if (title.ToolTips() && (TitleImages() == nullptr || title.ImageIndex() == -1)) return cell;
      break;
    case crkFooterEh:
      if (cell.column->GetFooterItem(cell.areaRow).ToolTips()) return cell;
      break;
    default:
      break;
  }
  return std::nullopt;
}

void TCustomDBGridEh::CMHintShowPause(TMessage& message) {
  TCustomGridEh::Dispatch(message);
  TPoint cursor;
  if (GetCursorPos(cursor) && ToolTipCellAt(ScreenToClient(cursor)))
    *reinterpret_cast<int*>(message.LParam) = 0;
}

void TCustomDBGridEh::CMHintShow(TMessage& message) {
  THintInfo& info = *reinterpret_cast<THintInfo*>(message.LParam);
  const std::optional<TToolTipCellEh> cell = ToolTipCellAt(info.CursorPos);
  if (!cell || GetCaptureControl() != nullptr || GetKeyState(VK_CONTROL) < 0)
    return TCustomGridEh::Dispatch(message);
  // Another cell asks again.
  info.CursorRect = cell->rect;
  if (!CutToolTipText(*cell)) return TCustomGridEh::Dispatch(message);
  info.HintStr = ShownToolTip().text;
  info.HintPos = ClientToScreen(cell->rect.TopLeft());
  info.HintWindowClass = &CreateHintWindow<TDBGridEhToolTipsWindow>;
  info.HintData = &ShownToolTip();
  message.Result = 0;
}

bool TCustomDBGridEh::CutToolTipText(const TToolTipCellEh& cell) {
  TCanvas& canvas = *Canvas();
  TColumnEh& column = *cell.column;
  TToolTipEh& tip = ShownToolTip();
  TRect room = cell.rect;
  tip.vertical = false;
  switch (cell.type.RowKind) {
    case crkDataEh: {
      if (cell.areaRow >= fDataLink->RecordCount()) return false;
      TActiveRecordScope active(*fDataLink, cell.areaRow);
      canvas.Font()->Assign(column.Font());
      TColCellParamsEh params;
      column.FillColCellParams(params);
      params.Col = DataToRawColumn(column.Index());
      params.Row = cell.areaRow + fTitleOffset;
      params.Font = canvas.Font();
      params.Text = DataToolTipText(column, params);
      GetCellParams(&column, params.Font, params.Background, params.State);
      column.GetColCellParams(false, params);
      tip.text = params.Text;
      tip.wordWrap = column.WordWrap() && fMultiLineRows;
      if (column.AlwaysShowEditButton()) room.right -= column.EditButtonsWidth();
      if (column.ImageList() != nullptr && column.ShowImageAndText())
        room.left += column.ImageList()->Width() + 4;
      break;
    }
    case crkTitleEh: {
      TColumnTitleEh& title = column.Title();
      canvas.Font()->Assign(title.Font());
      // A multi-level title shows the column's own caption in its own band.
      room = TitleLeafRect(DataToRawColumn(column.Index()), room);
      tip.text = TitleLeafCaption(column);
      tip.vertical = title.Orientation() == tohVertical;
      tip.wordWrap = !tip.vertical && (fTitleHeight > 0 || fTitleLines > 0 || fUseMultiTitle);
      if (title.SortMarker() != smNoneEh) room.right -= title.SortMarkerArea().width;
      break;
    }
    default:
      tip.text = FooterCellParams(column, cell.areaRow, {}).text;
      tip.wordWrap = column.GetFooterItem(cell.areaRow).WordWrap() && fMultiLineRows;
      break;
  }
  tip.font.Assign(canvas.Font());
  tip.cell = {cell.rect.Width(), cell.rect.Height()};
  if (tip.text.empty()) return false;
  if (!tip.vertical) return TextOverflowsEh(canvas, tip.text, room, tip.wordWrap, 2);
  const TSize extent = canvas.TextExtent(tip.text);
  return extent.cx > room.Height() - 4 || extent.cy > room.Width();
}

}  // namespace ordvane

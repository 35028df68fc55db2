#pragma once
// The base grid: an owner-drawn window control over a rectangle of cells with fixed
// columns and rows at the left and top, contra columns and rows fixed at the right and
// bottom edges, fixed data cells, a current cell with a selection, whole-cell scrolling
// (pixel scrolling for a one-column grid), sparse column widths, row heights and tab
// stops, per-area line colours, a draw lock and one in-place editor over the current
// cell. Descendants draw their cells in DrawCell.
//
// Column indexes: 0 .. FixedCols - 1 fixed, FixedCols .. ColCount - 1 scrolling,
// ColCount .. FullColCount - 1 contra; rows likewise.

#include <algorithm>
#include <memory>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Mask.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

ORDVANE_DECLARE_EXCEPTION(EInvalidGridOperationEh, Exception);

struct TGridCoord {
  int X = 0;
  int Y = 0;
  constexpr bool operator==(const TGridCoord&) const = default;
};

// A cell range by cell indexes, both ends included.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr bool operator==(const TGridRect&) const = default;
};

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridOptionEh {
  grFixedVertLine,
  grFixedHorzLine,
  grVertLine,
  grHorzLine,
  grRangeSelect,
  grDrawFocusSelected,
  grRowSizing,
  grColSizing,
  grRowMoving,
  grColMoving,
  grEditing,
  grTabs,
  grRowSelect,
  grAlwaysShowEditor,
  grThumbTracking,
};
using TGridOptionsEh = TSet<TGridOptionEh>;

enum TGridStateEh : Byte { grsNormal, grsSelecting, grsRowSizing, grsColSizing, grsRowMoving, grsColMoving };

// Where a mouse selection held outside the scrolling cells pulls the anchor.
enum TGridScrollDirectionItem { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirection = TSet<TGridScrollDirectionItem>;

using TIntegerArray = std::vector<int>;
using TPointArray = std::vector<TPoint>;
using TDWORDArray = std::vector<unsigned>;

// The line-drawing scratch of a paint: two points and a count of 2 per stroke.
struct TDrawLinesInfoEh {
  TPointArray Points;
  TDWORDArray StrokeList;
  int MaxStrokesCount = 0;
  int LastVisibleCol = 0;
  int LastVisibleRow = 0;
};

using TMovedEvent = TEvent<void(TObject* sender, int fromIndex, int toIndex)>;

// The largest extent in pixels of one row or column, and the most rows a screen shows:
// with every extent within it, the sums of a screen's lines stay far inside an int.
constexpr int kMaxGridExtentEh = 32767;

// A size computed in a wider type, kept within 0..kMaxGridExtentEh.
inline int GridExtentWithinLimitEh(Int64 extent) {
  return static_cast<int>(std::clamp<Int64>(extent, 0, kMaxGridExtentEh));
}

// Raises EInvalidGridOperationEh "<name> <value> is outside <min>..<max>" for a setting
// out of its range.
void CheckGridSettingEh(const char* name, Int64 value, int min, int max);
// Raises EInvalidGridOperationEh "Grid too large for operation".
[[noreturn]] void RaiseGridTooLargeEh();

// Sparse per-line values (widths, heights, tab stops): empty means every line has the
// default; otherwise one entry per line of the full count. Every change checks its
// arguments before it touches an entry.
class TGridExtents {
 public:
  // The largest number of entries an array may reach, exclusive.
  static constexpr int kLimit = 134217726;

  bool Empty() const { return fValues.empty(); }
  int Count() const { return static_cast<int>(fValues.size()); }
  // The stored value, or the default for an empty array or an index outside the entries.
  int Get(int index, int defaultValue) const {
    return index >= 0 && index < Count() ? fValues[static_cast<size_t>(index)] : defaultValue;
  }
  void Set(int index, int value);
  void Clear() { fValues.clear(); }
  // Raises what Insert (amount > 0) or Delete (amount < 0) would raise.
  void CheckModify(int index, int amount) const;
  // Puts `amount` default entries at `index`, shifting the later ones.
  void Insert(int index, int amount, int defaultValue);
  // Removes the `amount` entries at `index`; the range must lie within the entries.
  void Delete(int index, int amount);
  // Grows with defaults at the end or cuts the end off.
  void Resize(int count, int defaultValue);
  // Takes the entry at `from` out and puts it in at `to`, shifting those between.
  void Move(int from, int to);

 private:
  TIntegerArray fValues;
};

class TCustomGridEh;

// One axis of the draw information; pixels run from the left (top) of the client area.
struct TGridAxisDrawInfoEh {
  int EffectiveLineWidth = 0;
  int FixedBoundary = 0;
  int GridBoundary = 0;
  int GridExtent = 0;
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;
  int FixedCellCount = 0;
  int FirstGridCell = 0;
  int GridCellCount = 0;
  const TGridExtents* Extents = nullptr;
  int DefaultExtent = 0;
  int FixedDataBoundary = 0;
  int FixedDataCount = 0;
  int ContraCellCount = 0;
  int ContraBoundary = 0;
  int ClientExtent = 0;
  int FullGridBoundary = 0;
  int FullCellCount = 0;
  int OriginShift = 0;

  int GetExtent(int index) const { return Extents->Get(index, DefaultExtent); }
  // The room a line takes: its extent and its grid line; a hidden line takes none.
  int Span(int index) const { return std::max(0, GetExtent(index) + EffectiveLineWidth); }
};

struct TGridDrawInfo {
  TGridAxisDrawInfoEh Horz;
  TGridAxisDrawInfoEh Vert;
};

// The colours of the grid lines. A colour left at clDefault takes the computed one: the
// bright colour between data cells, the dark one around fixed cells.
class TGridLineColorsEh : public TPersistent {
  ORDVANE_CLASS(TGridLineColorsEh, TPersistent)

 public:
  explicit TGridLineColorsEh(TCustomGridEh* grid) : fGrid(grid) {}

  TCustomGridEh* Grid() const { return fGrid; }
  TPersistent* GetOwner() const override;

  TColor BrightColor() const { return fBrightColor; }
  void SetBrightColor(TColor value) { Change(fBrightColor, value); }
  TColor DarkColor() const { return fDarkColor; }
  void SetDarkColor(TColor value) { Change(fDarkColor, value); }
  TColor ContraColBoundaryColor() const { return fContraColBoundaryColor; }
  void SetContraColBoundaryColor(TColor value) { Change(fContraColBoundaryColor, value); }
  TColor ContraRowBoundaryColor() const { return fContraRowBoundaryColor; }
  void SetContraRowBoundaryColor(TColor value) { Change(fContraRowBoundaryColor, value); }
  TColor FixedDataColSeparatorColor() const { return fFixedDataColSeparatorColor; }
  void SetFixedDataColSeparatorColor(TColor value) { Change(fFixedDataColSeparatorColor, value); }

  virtual TColor GetDarkColor() const;
  virtual TColor GetBrightColor() const;
  virtual TColor GetCellLineColor(int col, int row) const;
  virtual TColor GetContraColLineColor(int col) const;
  virtual TColor GetContraRowLineColor(int col, int row) const;
  virtual TColor GetFixedDataColLineColor(int col) const;
  virtual TColor GetFixedDataRowLineColor(int col, int row) const;

 private:
  void Change(TColor& field, TColor value);
  TColor StoredOrDark(TColor stored) const { return stored == clDefault ? GetDarkColor() : stored; }

  TCustomGridEh* fGrid;
  TColor fBrightColor = clDefault;
  TColor fDarkColor = clDefault;
  TColor fContraColBoundaryColor = clDefault;
  TColor fContraRowBoundaryColor = clDefault;
  TColor fFixedDataColSeparatorColor = clDefault;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The single-line editor the grid lays over its current cell. The grid decides what is
// edited (mask, text, limit, whether it may change) and gets the navigation keys; the
// editor shows only when the grid moves it, never through the Visible property.
class TInplaceEdit : public TCustomMaskEdit {
  ORDVANE_CLASS(TInplaceEdit, TCustomMaskEdit)

 public:
  explicit TInplaceEdit(TComponent* owner);

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;

  TCustomGridEh* Grid() const { return fGrid; }
  // Set by the grid right after it made the editor, before the editor has a window.
  void SetGrid(TCustomGridEh* grid) { fGrid = grid; }
  // The message time of the last press on the grid; 0 once a press on the editor used it.
  Cardinal ClickTime() const { return fClickTime; }
  void SetClickTime(Cardinal value) { fClickTime = value; }

  // Shows the editor at `rect` (in grid coordinates); an empty rectangle hides it. Move
  // leaves the repainting to the window layer, UpdateLoc repaints at once.
  void Move(const TRect& rect) { InternalMove(rect, false); }
  void UpdateLoc(const TRect& rect) { InternalMove(rect, true); }
  // Hides the window, handing the focus back to the grid. The Visible property keeps its
  // value: the window alone says whether the editor shows.
  void Hide();
  // Whether the editor's window shows.
  bool Visible() const;
  // Repaints the editor and the part of the grid under it.
  void Invalidate() override;
  // Takes the focus only while the editor shows.
  void SetFocus() override;
  // Caret to the end of the text, nothing selected.
  void Deselect();
  void DblClick() override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 protected:
  friend class TCustomGridEh;

  void CreateParams(TCreateParams& params) override;
  bool EditCanModify() override;
  // Sets the formatting rectangle to the editor's size less a margin, caret in view.
  virtual void BoundsChanged();
  // Loads the grid's mask, text and length limit for the current cell.
  virtual void UpdateContents();
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyUp(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;

 private:
  void InternalMove(const TRect& rect, bool redraw);
  // The grid's KeyDown gets the key, which is used up then.
  void HandToGrid(Word& key, TShiftState shift);
  bool CaretAtLeftSide();
  bool CaretAtRightSide();
  bool WholeTextSelected();

  TCustomGridEh* fGrid = nullptr;
  Cardinal fClickTime = 0;
};

class TGridPainter;

class TCustomGridEh : public TCustomControl {
  ORDVANE_CLASS(TCustomGridEh, TCustomControl)

 public:
  explicit TCustomGridEh(TComponent* owner);
  ~TCustomGridEh() override;

  void Dispatch(TMessage& message) override;

  // Counts and fixed areas.
  int ColCount() const { return fColCount; }
  void SetColCount(int value);
  int RowCount() const { return fRowCount; }
  void SetRowCount(int value);
  int FixedCols() const { return fFixedCols; }
  void SetFixedCols(int value);
  int FixedRows() const { return fFixedRows; }
  void SetFixedRows(int value);
  int ContraColCount() const { return fContraColCount; }
  void SetContraColCount(int value);
  int ContraRowCount() const { return fContraRowCount; }
  void SetContraRowCount(int value);
  int FullColCount() const { return fColCount + fContraColCount; }
  int FullRowCount() const { return fRowCount + fContraRowCount; }
  int FixedDataCols() const { return fFixedDataCols; }
  void SetFixedDataCols(int value);
  int FixedDataRows() const { return fFixedDataRows; }
  void SetFixedDataRows(int value);

  // Extents of single lines (the full counts, contra lines included).
  int ColWidths(int index) const { return fColWidths.Get(index, fDefaultColWidth); }
  void SetColWidths(int index, int value);
  int RowHeights(int index) const { return fRowHeights.Get(index, fDefaultRowHeight); }
  void SetRowHeights(int index, int value);
  bool TabStops(int index) const { return fTabStops.Get(index, 1) != 0; }
  void SetTabStops(int index, bool value);
  int DefaultColWidth() const { return fDefaultColWidth; }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return fDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int GridLineWidth() const { return fGridLineWidth; }
  void SetGridLineWidth(int value);

  // Current cell, selection and scrolling place.
  int Col() const { return fCurrent.X; }
  void SetCol(int value) { FocusCell(value, fCurrent.Y, true); }
  int Row() const { return fCurrent.Y; }
  void SetRow(int value) { FocusCell(fCurrent.X, value, true); }
  TGridCoord Anchor() const { return fAnchor; }
  TGridRect Selection() const;
  int LeftCol() const { return fTopLeft.X; }
  void SetLeftCol(int value) { MoveTopLeft(value, fTopLeft.Y); }
  int TopRow() const { return fTopLeft.Y; }
  void SetTopRow(int value) { MoveTopLeft(fTopLeft.X, value); }
  int VisibleColCount() const;
  int VisibleRowCount() const;
  int GridWidth() const;
  int GridHeight() const;

  // Look and behaviour.
  TGridOptionsEh Options() const { return fOptions; }
  void SetOptions(TGridOptionsEh value);
  TColor FixedColor() const { return fFixedColor; }
  void SetFixedColor(TColor value) { ChangeAndInvalidate(this, fFixedColor, value); }
  TBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool value);
  bool DefaultDrawing() const { return fDefaultDrawing; }
  void SetDefaultDrawing(bool value) { ChangeAndInvalidate(this, fDefaultDrawing, value); }
  bool VirtualView() const { return fVirtualView; }
  void SetVirtualView(bool value) { fVirtualView = value; }
  bool SaveCellExtents() const { return fSaveCellExtents; }
  void SetSaveCellExtents(bool value) { fSaveCellExtents = value; }
  TGridOptionsEh DesignOptionsBoost() const { return fDesignOptionsBoost; }
  void SetDesignOptionsBoost(TGridOptionsEh value) { fDesignOptionsBoost = value; }
  TGridStateEh GridState() const { return fGridState; }
  bool EditorMode() const { return fEditorMode; }
  // On: shows the editor with the caret at the end of its text; off: hides it.
  void SetEditorMode(bool value);
  TInplaceEdit* InplaceEditor() const { return fInplaceEdit; }
  // Made by CreateGridLineColors when first asked for, so a descendant's factory counts.
  TGridLineColorsEh* GridLineColors();

  // Geometry.
  void ComputeDrawInfo(TGridDrawInfo& info) const;
  TGridCoord MouseCoord(int x, int y) const;
  TRect CellRect(int col, int row) const { return BoxRect(col, row, col, row); }
  TRect BoxRect(int left, int top, int right, int bottom) const;
  // The smallest top-left that still shows `cell` whole at the far edges.
  TGridCoord CalcMaxTopLeft(TGridCoord cell, const TGridDrawInfo& info) const;

  // Moving the current cell, the anchor and the view.
  void MoveColRow(int col, int row, bool moveAnchor, bool show);
  void FocusCell(int col, int row, bool moveAnchor) { MoveColRow(col, row, moveAnchor, true); }
  void MoveCurrent(int col, int row, bool moveAnchor, bool show);
  void MoveAnchor(TGridCoord cell);
  void MoveTopLeft(int col, int row);
  void ClampInView(TGridCoord cell);
  void MoveColumn(int from, int to);
  void MoveRow(int from, int to);

  void InvalidateCell(int col, int row) { InvalidateGridRect({col, row, col, row}); }
  void InvalidateCol(int col) { InvalidateGridRect({col, 0, col, FullRowCount() - 1}); }
  void InvalidateRow(int row) { InvalidateGridRect({0, row, FullColCount() - 1, row}); }
  void InvalidateGrid() { Invalidate(); }
  // Loads the editor again for the current cell.
  void InvalidateEditor();
  bool IsActiveControl() const;

  virtual void ShowEditor();
  void HideEditor();
  // Shows the editor and types `ch` into it.
  void ShowEditorChar(char ch);

  // Whether a press at the point would size a line, or a mouse operation is under way.
  bool Sizing(int x, int y);

  void LockDraw() { ++fDrawLock; }
  void UnlockDraw() {
    if (fDrawLock > 0) --fDrawLock;
  }
  bool IsDrawLocked() const { return fDrawLock > 0; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void DoExit() override;
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;

  // The sizing border under a client point: the state it starts (grsNormal when none),
  // the line sized, the border pixel and its distance from the point.
  virtual void CalcSizingState(int x, int y, TGridStateEh& state, int& index, int& sizingPos, int& sizingOfs,
                               const TGridDrawInfo& info);
  virtual TInplaceEdit* CreateEditor();
  // Whether the editor may show now.
  virtual bool CanEditShow();
  // The per-cell drawing every descendant provides.
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) = 0;
  // True when DrawCell frames its cells itself: the raised edge of fixed cells is left out.
  virtual bool DrawsCellFrames() const { return false; }
  // False refuses the cell: the current cell stays.
  virtual bool SelectCell(int col, int row);
  virtual void LayoutChanged() {}
  virtual void FlatChanged() {}
  virtual TGridLineColorsEh* CreateGridLineColors();
  virtual void ChangeContraSize(int newContraColCount, int newContraRowCount);
  // Moves the line to the last scrolling place and drops it.
  virtual void DeleteColumn(int col);
  virtual void DeleteRow(int row);
  // Inserts (amount > 0) or deletes (amount < 0) lines at `index`, keeping the extents of
  // every other line, and moves the window contents after them.
  virtual void AdjustLines(int index, int amount, bool rows);
  virtual void ColumnMoved(int /*from*/, int /*to*/) {}
  virtual void RowMoved(int /*from*/, int /*to*/) {}
  virtual void SizeChanged(int /*oldColCount*/, int /*oldRowCount*/) {}
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  // Moves the anchor one line towards each direction while a mouse selection is held
  // outside the scrolling cells.
  virtual void TimedScroll(TGridScrollDirection direction);
  // Dragging a column or row by its fixed cell: each gets the line moved and the proposed
  // target, may change both and answers whether to go on.
  virtual bool BeginColumnDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }
  virtual bool BeginRowDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }
  virtual bool CheckColumnDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }
  virtual bool CheckRowDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }
  virtual bool EndColumnDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }
  virtual bool EndRowDrag(int& /*origin*/, int& /*destination*/, TPoint /*mousePt*/) { return true; }

  // False drops the key before the grid acts on it.
  virtual bool CanGridAcceptKey(Word /*key*/, TShiftState /*shift*/) { return true; }
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

  // What the editor edits and may do.
  virtual bool CanEditAcceptKey(char /*key*/) { return true; }
  virtual bool CanEditModify() { return fCanEditModify; }
  virtual AnsiString GetEditText(int /*col*/, int /*row*/) { return {}; }
  virtual void SetEditText(int /*col*/, int /*row*/, const AnsiString& /*value*/) {}
  // 0: no limit; -1: the cell may not be changed.
  virtual int GetEditLimit() { return 0; }
  virtual AnsiString GetEditMask(int /*col*/, int /*row*/) { return {}; }
  // The edit style of a cell (a descendant's numbering); 0 is the simple edit.
  virtual Byte GetEditStyle(int /*col*/, int /*row*/) { return 0; }

  // Makes, loads and places the editor when it may show.
  void UpdateEdit();
  // Hands the editor's text to the grid and hides the editor.
  void HideEdit();
  void UpdateText();

  void ChangeSize(int newColCount, int newRowCount);
  void Initialize();
  void UpdateScrollRange();
  void UpdateScrollPos();
  void InvalidateGridRect(const TGridRect& rect);
  // The screen rectangle of a cell range; with `includeLine` the closing grid line too.
  TRect GridRectToScreenRect(const TGridRect& rect, bool includeLine) const;
  TRect GridRectToScreenRect(const TGridRect& rect, const TGridDrawInfo& info, bool includeLine) const;

  int ColOffset() const { return fColOffset; }
  int WindowOriginShift() const { return fWindowOriginShift; }
  void SetWindowOriginShift(int value) { fWindowOriginShift = value; }
  TPoint HitTest() const { return fHitTest; }
  // A dotted exclusive-or line: drawing one twice gives the pixels back.
  void DrawXorLine(TPoint from, TPoint to, int width, TColor color = clWhite);
  // What every press does first: the editor's text goes in and the grid takes the focus;
  // false when the grid did not become the active control (the press ends there).
  bool TakeFocusForPress();
  // A client x as the left-to-right layout has it.
  int LogicalX(int x, const TGridDrawInfo& info) const;
  // Column sizing by a border: the column and the border's distance from the mouse at the
  // press. A descendant that sizes the column live moves the border with
  // TraceSizingBorder (screen pixels; the sizing line goes) and gets the width the column
  // has with its border there.
  int SizingIndex() const { return fSizingIndex; }
  int SizingOffset() const { return fSizingOfs; }
  int TraceSizingBorder(int pos);

 private:
  int LineWidthFor(bool horz) const;
  void ComputeAxis(TGridAxisDrawInfoEh& axis, bool horz, int clientExtent) const;
  void ComputeDrawInfo(TGridDrawInfo& info, int clientWidth, int clientHeight) const;
  TGridCoord GreatestTopLeft(const TGridDrawInfo& info) const;
  // The cell under a point per axis, -1 on an axis the point misses.
  TGridCoord AxisCellsAt(int x, int y, const TGridDrawInfo& info) const;
  void TopLeftMoved(TGridCoord oldTopLeft);
  void ScrollDataArea(int dx, int dy, const TGridDrawInfo& info);
  void ScrollBand(TRect band, int dx, int dy, const TGridDrawInfo& info);
  void SelectionMoved(const TGridRect& oldSelection);
  void SetScrollRanges(const TGridDrawInfo& info);
  void ScrollMessage(bool horz, int code, int thumbPos);
  void ScrollColOffset(int code, int thumbPos);
  void MoveLine(bool columns, int from, int to);
  void InsertOrDeleteExtents(bool rows, int index, int amount);
  // Keeps the current cell, the anchor and the top-left within the counts.
  void ClampIntoGrid();
  void SetFixedCount(bool columns, int value);
  void SetCount(bool columns, int value);
  void SetExtent(TGridExtents& extents, int fullCount, int defaultValue, int index, int value);
  // The smallest extent a line may have.
  int MinExtent() const;
  void WMSize(TMessage& message);
  void WMSetCursor(TMessage& message);
  void WMTimer(TMessage& message);
  // Ends the mouse operation under way, erasing its marker and stopping its timer.
  void CancelMode();
  void StartScrollTimer();
  void StopScrollTimer();
  // The key tables: where the current cell and the top-left go; true when the whole grid
  // is to be repainted.
  bool NavigateKey(Word key, TShiftState shift, const TGridDrawInfo& info, TGridCoord& current,
                   TGridCoord& topLeft, bool& moveAnchor);
  // The Tab walk to the next (previous) column with a tab stop.
  void TabWalk(bool backwards, TGridCoord& cell) const;
  // What a left press starts; true when it starts sizing (the press goes no further).
  bool StartLeftPress(TShiftState shift, int x, int y);
  void StartMove(bool rows, int line, TPoint mousePt);
  TGridStateEh SizingStateAt(int x, int y);
  void MoveAndScroll(int mouse, int cellHit, TGridDrawInfo& info, bool horz, TPoint mousePt);
  void StepTopLeft(bool horz, int delta, const TGridDrawInfo& info);
  void EndSizing();
  void EndMove(TPoint mousePt);
  // The sizing line is drawn once and erased once, whatever the order of the calls.
  void ShowSizingLine(const TGridDrawInfo& info);
  void HideSizingLine(const TGridDrawInfo& info);
  void DrawSizingLine(const TGridDrawInfo& info);
  void DrawMove();
  void WMGetDlgCode(TMessage& message);
  void WMSetFocus(TMessage& message);
  void WMKillFocus(TMessage& message);
  // Remembers the current cell as the editor's and loads the editor for it.
  void LoadEditor();
  friend class TInplaceEdit;
  friend class TGridPainter;

  TGridCoord fAnchor{1, 1};
  TBorderStyle fBorderStyle = bsSingle;
  bool fCanEditModify = true;
  int fColCount = 5;
  TGridExtents fColWidths;
  TGridExtents fTabStops;
  TGridCoord fCurrent{1, 1};
  int fDefaultColWidth = 64;
  int fDefaultRowHeight = 24;
  int fFixedCols = 1;
  int fFixedRows = 1;
  TColor fFixedColor = clBtnFace;
  int fGridLineWidth = 1;
  TGridOptionsEh fOptions{grFixedVertLine, grFixedHorzLine, grVertLine, grHorzLine, grRangeSelect};
  int fRowCount = 5;
  TGridExtents fRowHeights;
  TScrollStyle fScrollBars = ssBoth;
  TGridCoord fTopLeft{1, 1};
  TPoint fHitTest;
  int fSizingIndex = -1;
  int fSizingPos = 0;
  int fSizingOfs = 0;
  bool fSizingLineShown = false;
  int fMoveIndex = -1;
  int fMovePos = -1;
  TInplaceEdit* fInplaceEdit = nullptr;  // owned as a component
  int fInplaceCol = -1;
  int fInplaceRow = -1;
  int fColOffset = 0;
  bool fDefaultDrawing = true;
  bool fEditorMode = false;
  int fContraRowCount = 0;
  int fContraColCount = 0;
  bool fFlat = false;
  int fFixedDataRows = 0;
  int fFixedDataCols = 0;
  std::unique_ptr<TGridLineColorsEh> fGridLineColors;
  TGridStateEh fGridState = grsNormal;
  bool fSaveCellExtents = true;
  TGridOptionsEh fDesignOptionsBoost{grRowSizing, grColSizing};
  bool fVirtualView = false;
  int fWindowOriginShift = 0;
  int fDrawLock = 0;
  bool fUpdatingScrollRange = false;
};

// Holds the grid's drawing off for a scope.
class TDrawLockScopeEh {
 public:
  explicit TDrawLockScopeEh(TCustomGridEh& grid) : fGrid(grid) { fGrid.LockDraw(); }
  ~TDrawLockScopeEh() { fGrid.UnlockDraw(); }
  TDrawLockScopeEh(const TDrawLockScopeEh&) = delete;
  TDrawLockScopeEh& operator=(const TDrawLockScopeEh&) = delete;

 private:
  TCustomGridEh& fGrid;
};

// Draws the strokes of a poly-polyline on a control's canvas in one call; in a right-to-
// left layout every x moves one pixel right, so that a mirrored line lands on the pixel
// a mirrored rectangle would cover.
void DrawPolyPolylineEh(TControl* control, TCanvas* canvas, const TPointArray& points,
                        const TDWORDArray& strokeCounts, int strokes);
// The same on the grid's own canvas.
void GridPolyPolylineEh(TCustomGridEh* grid, const TPointArray& points, const TDWORDArray& strokeCounts,
                        int strokes);
// The 3D edge of a fixed cell: raised, or sunken when either pressed flag is set; the
// side flags choose which vertical sides are drawn. Flat grids paint the bottom (and
// right) border in the cell's background instead of a shadow.
void DrawCellEdgeEh(TCustomGridEh* grid, TCanvas* canvas, const TRect& rect, bool rightSide, bool leftSide,
                    bool pressed, bool pressedDown);

}  // namespace ordvane

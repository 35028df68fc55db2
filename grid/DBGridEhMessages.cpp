// The window messages the data-aware grid answers itself: the vertical bar and the wheel
// move the dataset rather than the rows, the horizontal bar may track, focus changes
// repaint the selection, commands of child controls go back to them, leaving the grid
// drops an untouched inserted record, and a flat grid paints its own border.

#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/WinPaint.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhInplaceEdit.h"

namespace ordvane {

namespace {

// Where the thumb is or was dropped, with the bar's full 32-bit range: the word the
// message carries would wrap past 65 535 records.
int ThumbPosition(HWND wnd) {
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(wnd, SB_VERT, info);
  return info.nTrackPos;
}

}  // namespace

void TCustomDBGridEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      if (message.WParam == 0 && NeedsBufferedPaint()) return PaintBuffered();
      return TCustomGridEh::Dispatch(message);
    case CM_DEFERLAYOUTEH:
      return DeferredLayout();
    case WM_SIZE:
      TCustomGridEh::Dispatch(message);
      return WMSize(message);
    case WM_VSCROLL:
      return WMVScroll(message);
    case WM_HSCROLL:
      return WMHScroll(message);
    case WM_GETDLGCODE:
      return WMGetDlgCode(message);
    case WM_ERASEBKGND:
      // Every cell paints its whole rectangle.
      message.Result = 1;
      return;
    case WM_COMMAND:
      return WMCommand(message);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return WMFocusChange(message);
    case WM_IME_STARTCOMPOSITION:
      TCustomGridEh::Dispatch(message);
      return ShowEditor();
    case WM_NCCALCSIZE:
      return WMNCCalcSize(message);
    case WM_NCPAINT:
      return WMNCPaint(message);
    case CM_FONTCHANGED:
      TCustomGridEh::Dispatch(message);
      return GridFontChanged();
    case CM_PARENTFONTCHANGED:
      return TakeParentFont(message);
    case CM_PARENTCOLORCHANGED:
      return TakeParentColor(message);
    case WM_CHAR:
      return WMChar(message);
    case WM_SETCURSOR:
      return WMSetCursorEh(message);
    case CM_DESIGNHITTEST:
      return CMDesignHitTest(message);
    case CM_HINTSHOWPAUSE:
      return CMHintShowPause(message);
    case CM_HINTSHOW:
      return CMHintShow(message);
    case WM_TIMER:
      if (message.WParam == kIncSearchTimerEh) return StopIncSearch();
      if (message.WParam == kScrollTimerEh && fDBGridEhState == dgsRecordMovingEh) return RecordMovingTimer();
      if (message.WParam == kScrollTimerEh && MouseSelecting()) return DoTimerScroll();
      return TCustomGridEh::Dispatch(message);
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      RecordMovingCancelled();
      ReleaseMouseStates();
      return TCustomGridEh::Dispatch(message);
    default:
      TCustomGridEh::Dispatch(message);
  }
}

void TCustomDBGridEh::WMSize(TMessage& /*message*/) {
  if (fAutoFitColWidths) return LayoutChanged();
  if (fUpdateLock > 0) return;
  UpdateRowCount();
  UpdateScrollBar();
}

// ---- The window's border --------------------------------------------------------------

void TCustomDBGridEh::CreateParams(TCreateParams& params) {
  TCustomGridEh::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
  if (Flat() && Ctl3D()) {
    params.Style &= ~WS_BORDER;
    params.ExStyle &= ~WS_EX_CLIENTEDGE;
  }
}

int TCustomDBGridEh::InnerBorderWidth() const {
  return Flat() && Ctl3D() && BorderStyle() == bsSingle ? 1 : 0;
}

void TCustomDBGridEh::WMNCCalcSize(TMessage& message) {
  TCustomGridEh::Dispatch(message);
  auto* client = reinterpret_cast<TRect*>(message.LParam);
  if (client != nullptr) InflateRect(*client, -InnerBorderWidth(), -InnerBorderWidth());
}

void TCustomDBGridEh::WMNCPaint(TMessage& message) {
  TDestroyWatch watch(this);
  TCustomGridEh::Dispatch(message);
  if (watch.Gone() || InnerBorderWidth() == 0) return;
  const HWND wnd = Handle();
  const HDC dc = GetWindowDC(wnd);
  if (dc == nullptr) return;
  struct TWindowDCScope {
    HWND wnd;
    HDC dc;
    ~TWindowDCScope() { ReleaseDC(wnd, dc); }
  } scope{wnd, dc};
  PaintBorder(dc);
}

void TCustomDBGridEh::PaintBorder(HDC dc) {
  TRect border;
  GetWindowRect(Handle(), border);
  OffsetRect(border, -border.left, -border.top);
  DrawEdge(dc, border, BDR_SUNKENINNER, BF_RECT);
}

void TCustomDBGridEh::PaintBuffered() {
  TPaintSession session(Handle());
  TRect box;
  if (!session.DC() || !IntersectRect(box, session.Paint().rcPaint, ClientRect())) return;
  TBitmap buffer(box.Width(), box.Height());
  HDC memory = buffer.Canvas()->Handle();
  memory->SetViewportOrgEx(-box.left, -box.top);
  TDestroyWatch watch(this);
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  if (!watch.Gone()) Perform(WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
  if (watch.Gone()) return;
  memory->SetViewportOrgEx(0, 0);
  BitBlt(session.DC(), box.left, box.top, box.Width(), box.Height(), memory, 0, 0, SRCCOPY);
}

// ---- The vertical bar and the wheel -----------------------------------------------------

void TCustomDBGridEh::WMVScroll(TMessage& message) {
  message.Result = 0;
  TDestroyWatch watch(this);
  // The bar is used only when the focus came to the grid (the control that had it may
  // refuse to let go).
  const bool focused = !CanFocus() || ComponentState().Contains(csDesigning) || UpdateEditorFocus();
  if (watch.Gone() || !focused || !fDataLink->Active()) return;
  TDataSet& dataSet = *fDataLink->DataSet();
  const int page = std::max(VisibleRowCount(), 1);
  switch (LOWORD(message.WParam)) {
    case SB_LINEUP:
      dataSet.MoveBy(-fDataLink->ActiveRecord() - 1);
      break;
    case SB_LINEDOWN:
      dataSet.MoveBy(fDataLink->RecordCount() - fDataLink->ActiveRecord());
      break;
    case SB_PAGEUP:
      dataSet.MoveBy(-page);
      break;
    case SB_PAGEDOWN:
      dataSet.MoveBy(page);
      break;
    case SB_THUMBPOSITION:
      if (!fThumbTracked) ScrollToThumb(ThumbPosition(Handle()));
      fThumbTracked = false;
      break;
    case SB_THUMBTRACK:
      if (fVertScrollBar->Tracking() && fSumList->IsSequenced()) {
        dataSet.MoveBy(ThumbPosition(Handle()) - fSumList->GetRecNo());
        fThumbTracked = true;
      }
      break;
    case SB_TOP:
      dataSet.First();
      break;
    case SB_BOTTOM:
      dataSet.Last();
      break;
    default:
      break;
  }
}

void TCustomDBGridEh::ScrollToThumb(int position) {
  TDataSet& dataSet = *fDataLink->DataSet();
  if (fSumList->IsSequenced()) {
    if (position <= 1)
      dataSet.First();
    else if (position >= fSumList->GetRecordCount())
      dataSet.Last();
    else
      fSumList->SetRecNo(position);
    return;
  }
  // Five positions: the ends, a page either way, and the middle where the thumb rests.
  const int page = std::max(VisibleRowCount(), 1);
  switch (position) {
    case 0:
      dataSet.First();
      break;
    case 1:
      dataSet.MoveBy(-page);
      break;
    case 3:
      dataSet.MoveBy(page);
      break;
    case 4:
      dataSet.Last();
      break;
    default:
      break;
  }
}

bool TCustomDBGridEh::DoMouseWheelDown(TShiftState /*shift*/, TPoint /*mousePos*/) {
  if (fDataLink->Active() && !EditorListOpen()) fDataLink->DataSet()->MoveBy(1);
  return true;
}

bool TCustomDBGridEh::DoMouseWheelUp(TShiftState /*shift*/, TPoint /*mousePos*/) {
  if (fDataLink->Active() && !EditorListOpen()) fDataLink->DataSet()->MoveBy(-1);
  return true;
}

bool TCustomDBGridEh::EditorListOpen() const {
  const auto* editor = dynamic_cast<const TDBGridInplaceEdit*>(InplaceEditor());
  return editor != nullptr && editor->Visible() && editor->ListVisible();
}

// ---- The horizontal bar ---------------------------------------------------------------

void TCustomDBGridEh::WMHScroll(TMessage& message) {
  if (fHorzScrollBar->Tracking() && LOWORD(message.WParam) == SB_THUMBTRACK)
    message.WParam = MAKEWPARAM(SB_THUMBPOSITION, HIWORD(message.WParam));
  TDestroyWatch watch(this);
  TCustomGridEh::Dispatch(message);
  if (!watch.Gone()) UpdateHorzExtScrollBar();
}

void TCustomDBGridEh::TopLeftChanged() {
  TCustomGridEh::TopLeftChanged();
  // Titles and footers follow the columns: their markers and texts depend on what shows.
  Invalidate();
  UpdateFilterEditBounds(false);
}

// ---- Keys, commands and focus ---------------------------------------------------------

void TCustomDBGridEh::WMGetDlgCode(TMessage& message) {
  TCustomGridEh::Dispatch(message);
  if (fOptionsEh.Contains(dghPreferIncSearch)) message.Result |= DLGC_WANTCHARS;
}

void TCustomDBGridEh::WMCommand(TMessage& message) {
  TDestroyWatch watch(this);
  TCustomGridEh::Dispatch(message);
  const auto sender = static_cast<HWND>(message.LParam);
  if (watch.Gone() || sender == 0) return;
  TInplaceEdit* editor = InplaceEditor();
  if (editor != nullptr && editor->HandleAllocated() && sender == editor->WindowHandle()) {
    // The image of the typed text (a pick-list item) follows the typing.
    auto* gridEditor = dynamic_cast<TDBGridInplaceEdit*>(editor);
    if (gridEditor != nullptr && HIWORD(message.WParam) == EN_CHANGE) gridEditor->ForceUpdateEditButtons();
    return;
  }
  // Any other child control (a filter editor, a control placed on the grid) gets its own
  // notifications back.
  if (TWinControl* control = FindControl(sender))
    message.Result = control->Perform(CN_COMMAND, message.WParam, message.LParam);
}

void TCustomDBGridEh::WMFocusChange(TMessage& message) {
  const auto other = static_cast<HWND>(message.WParam);
  const bool fromOrToEditor = other != 0 && InplaceEditor() != nullptr && InplaceEditor()->HandleAllocated() &&
                              other == InplaceEditor()->WindowHandle();
  if (message.Msg == WM_SETFOCUS && !fromOrToEditor) ApplyColumnIme();
  if (message.Msg == WM_KILLFOCUS) ResetIme(other);
  TDestroyWatch watch(this);
  if (fDBOptions.Contains(dgRowSelect)) InvalidateRow(Row());
  TCustomGridEh::Dispatch(message);
  if (!watch.Gone() && IsFocused() != fPaintedFocused) UpdateFocusedSelection();
}

void TCustomDBGridEh::ApplyColumnIme() {
  if (!FarEastLocale() || fColumns->Count() == 0) return;
  fImeMode = fCreatedImeMode;
  fImeName = fCreatedImeName;
  if (const TColumnEh* column = SelectedColumn(); column != nullptr) {
    const TColumnEhValues own = column->AssignedValues();
    if (own.Contains(cvImeName)) fImeName = column->ImeName();
    if (own.Contains(cvImeMode)) fImeMode = column->ImeMode();
  }
  TInplaceEdit* editor = InplaceEditor();
  if (editor != nullptr && editor->HandleAllocated()) ordvane::SetImeMode(editor->WindowHandle(), fImeMode);
  if (!HandleAllocated()) return;
  ordvane::SetImeName(fImeName);
  ordvane::SetImeMode(WindowHandle(), fImeMode);
}

// The focus leaves: the desktop's own input method comes back unless the focus only
// went to the grid's editor, which keeps the column's.
void TCustomDBGridEh::ResetIme(HWND focusTarget) {
  if (!FarEastLocale() || !HandleAllocated()) return;
  ordvane::SetImeMode(WindowHandle(), imDontCare);
  const TInplaceEdit* editor = InplaceEditor();
  if (editor == nullptr || !editor->HandleAllocated() || focusTarget != editor->WindowHandle())
    ordvane::SetImeName(TImeName());
}

void TCustomDBGridEh::UpdateFocusedSelection() {
  switch (fSelection->SelectionType()) {
    case gstNon:
      break;
    case gstAll:
      Invalidate();
      break;
    default: {
      const TGridRect bounds = fSelection->GetSelectionBounds();
      if (bounds.Left >= 0) InvalidateGridRect(bounds);
      break;
    }
  }
  InvalidateRow(Row());
  fPaintedFocused = IsFocused();
}

void TCustomDBGridEh::DoExit() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (fDataLink->Active() && fDBOptions.Contains(dgCancelOnExit) && dataSet->State() == dsInsert &&
      !dataSet->Modified() && !fDataLink->Modified())
    dataSet->Cancel();
  else
    fDataLink->UpdateRecord();
  TDestroyWatch watch(this);
  TCustomGridEh::DoExit();
  // Ctrl may be released elsewhere: the markers set meanwhile must not wait for it.
  if (!watch.Gone()) ApplyPendingSorting();
}

}  // namespace ordvane

// The in-place editor and the grid's side of it: making, loading, placing and hiding the
// editor, and handing its text back to the grid.

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/SysMetrics.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

// ---- TInplaceEdit ---------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
}

void TInplaceEdit::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  // A multi-line edit takes a formatting rectangle; without line breaks in the text it
  // still shows one line, and setting its text does not notify the grid of a change.
  params.Style |= ES_MULTILINE;
}

void TInplaceEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS: {
      // The grid stays its form's focused control while the editor holds the focus.
      TCustomForm* form = GetParentForm(this);
      if (form && !form->SetFocusedControl(fGrid)) return;
      Dispatch(message);
      return;
    }
    case WM_LBUTTONDOWN:
      // A press on the grid showed the editor under the mouse: a second press soon after
      // is the double click the grid never saw. Ticks are compared modulo 2^32, so a wrap
      // of the clock does not make an old press recent.
      if (fClickTime != 0 && GetMessageTime() - fClickTime < GetDoubleClickTime())
        message.Msg = WM_LBUTTONDBLCLK;
      fClickTime = 0;
      break;
    default:
      break;
  }
  TCustomMaskEdit::WndProc(message);
}

void TInplaceEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      TCustomMaskEdit::Dispatch(message);
      if (fGrid->Options().Contains(grTabs)) message.Result |= DLGC_WANTTAB;
      return;
    case CM_SHOWINGCHANGED:
      // Only the grid shows and hides the editor, through Move, UpdateLoc and Hide.
      return;
    default:
      TCustomMaskEdit::Dispatch(message);
  }
}

bool TInplaceEdit::EditCanModify() {
  return fGrid->CanEditModify();
}

void TInplaceEdit::BoundsChanged() {
  TRect r = Rect(2, 2, Width() - 2, Height());
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
  Perform(EM_SCROLLCARET, 0, 0);
}

void TInplaceEdit::UpdateContents() {
  SetText({});
  SetEditMask(fGrid->GetEditMask(fGrid->Col(), fGrid->Row()));
  SetText(fGrid->GetEditText(fGrid->Col(), fGrid->Row()));
  SetMaxLength(fGrid->GetEditLimit());
}

void TInplaceEdit::InternalMove(const TRect& rect, bool redraw) {
  if (IsRectEmpty(rect)) {
    Hide();
    return;
  }
  const HWND wnd = Handle();
  redraw = redraw || !IsWindowVisible(wnd);
  Invalidate();
  SetWindowPos(wnd, HWND_TOP, rect.left, rect.top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOREDRAW);
  BoundsChanged();
  if (redraw) Invalidate();
  if (fGrid->Focused()) ordvane::SetFocus(wnd);
}

void TInplaceEdit::Hide() {
  if (!Visible()) return;
  Invalidate();
  const bool hadFocus = Focused();
  SetWindowPos(WindowHandle(), 0, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE);
  if (hadFocus) ordvane::SetFocus(fGrid->Handle());
}

bool TInplaceEdit::Visible() const {
  return HandleAllocated() && IsWindowVisible(WindowHandle());
}

void TInplaceEdit::Invalidate() {
  if (!HandleAllocated()) return;
  ValidateRect(WindowHandle(), nullptr);
  InvalidateRect(WindowHandle(), nullptr, true);
  if (!fGrid || !fGrid->HandleAllocated()) return;
  TRect under = ClientRect();
  MapWindowPoints(WindowHandle(), fGrid->WindowHandle(), under);
  ValidateRect(fGrid->WindowHandle(), &under);
  InvalidateRect(fGrid->WindowHandle(), &under, false);
}

void TInplaceEdit::SetFocus() {
  if (Visible()) ordvane::SetFocus(WindowHandle());
}

void TInplaceEdit::Deselect() {
  Perform(EM_SETSEL, 0x7FFFFFFF, static_cast<LPARAM>(-1));
}

void TInplaceEdit::DblClick() {
  fGrid->DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  return fGrid->DoMouseWheel(shift, wheelDelta, mousePos);
}

void TInplaceEdit::HandToGrid(Word& key, TShiftState shift) {
  fGrid->KeyDown(key, shift);
  key = 0;
}

namespace {

// The caret and the selection as the edit window reports them.
struct TCaretPlace {
  Cardinal caret = 0;
  Cardinal selStart = 0;
  Cardinal selEnd = 0;
  Cardinal length = 0;
};

TCaretPlace CaretPlaceOf(TCustomEdit& edit) {
  TCaretPlace place;
  edit.Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&place.selStart), reinterpret_cast<LPARAM>(&place.selEnd));
  TPoint caret;
  GetCaretPos(caret);
  place.caret = LOWORD(static_cast<std::uintptr_t>(edit.Perform(EM_CHARFROMPOS, 0, PointToLParam(caret))));
  place.length = static_cast<Cardinal>(edit.Perform(WM_GETTEXTLENGTH, 0, 0));
  return place;
}

}  // namespace

bool TInplaceEdit::CaretAtLeftSide() {
  const TCaretPlace p = CaretPlaceOf(*this);
  return p.caret == 0 && p.selStart == 0 && (p.selEnd == 0 || p.selEnd == p.length);
}

bool TInplaceEdit::CaretAtRightSide() {
  const TCaretPlace p = CaretPlaceOf(*this);
  return p.caret == p.length && (p.selStart == 0 || p.selStart == p.selEnd) && p.selEnd == p.length;
}

bool TInplaceEdit::WholeTextSelected() {
  const TCaretPlace p = CaretPlaceOf(*this);
  return p.selStart == 0 && p.selEnd == p.length;
}

void TInplaceEdit::KeyDown(Word& key, TShiftState shift) {
  TDestroyWatch watch(this);
  const bool alwaysShown = fGrid->Options().Contains(grAlwaysShowEditor);
  const bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      HandToGrid(key, shift);
      break;
    case VK_INSERT:
      if (shift.Empty())
        HandToGrid(key, shift);
      else if (shift == TShiftState{ssShift} && !fGrid->CanEditModify())
        key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (alwaysShown && (ctrl || CaretAtLeftSide())) HandToGrid(key, shift);
      break;
    case VK_RIGHT:
    case VK_END:
      if (alwaysShown && (ctrl || CaretAtRightSide())) HandToGrid(key, shift);
      break;
    case VK_DELETE:
      if (ctrl)
        HandToGrid(key, shift);
      else if (!fGrid->CanEditModify())
        key = 0;
      break;
    case VK_F2:
      FireEvent(fGrid->OnKeyDown, fGrid, key, shift);
      if (watch.Gone()) return;
      if (key == VK_F2) {
        Deselect();
        return;
      }
      // The grid's handler made it another key: that one is the edit's alone.
      if (key != 0) TCustomMaskEdit::KeyDown(key, shift);
      return;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) HandToGrid(key, shift);
      break;
    default:
      break;
  }
  if (watch.Gone() || key == 0) return;
  FireEvent(fGrid->OnKeyDown, fGrid, key, shift);
  if (!watch.Gone() && key != 0) TCustomMaskEdit::KeyDown(key, shift);
}

void TInplaceEdit::KeyUp(Word& key, TShiftState shift) {
  fGrid->KeyUp(key, shift);
}

void TInplaceEdit::KeyPress(char& key) {
  TDestroyWatch watch(this);
  fGrid->KeyPress(key);
  if (watch.Gone()) return;
  if (static_cast<Byte>(key) >= 32 && !fGrid->CanEditAcceptKey(key)) {
    key = 0;
    MessageBeep(MB_OK);
  }
  switch (key) {
    case 9:
    case 27:
      key = 0;
      break;
    case 13:
      if (WholeTextSelected())
        Deselect();
      else
        SelectAll();
      key = 0;
      break;
    case 8:
    case 22:
    case 24:
      if (!fGrid->CanEditModify()) key = 0;
      break;
    default:
      if (static_cast<Byte>(key) >= 32 && !fGrid->CanEditModify()) key = 0;
  }
  if (key != 0) TCustomMaskEdit::KeyPress(key);
}

// ---- the grid's side ------------------------------------------------------------------

TInplaceEdit* TCustomGridEh::CreateEditor() {
  return new TInplaceEdit(this);
}

bool TCustomGridEh::CanEditShow() {
  return fOptions.Contains(grEditing) && !fOptions.Contains(grRowSelect) && fEditorMode &&
         HandleAllocated() && (fOptions.Contains(grAlwaysShowEditor) || IsActiveControl());
}

void TCustomGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == fInplaceEdit) {
    fInplaceEdit = nullptr;
    fInplaceCol = -1;
    fInplaceRow = -1;
  }
}

void TCustomGridEh::LoadEditor() {
  fInplaceCol = fCurrent.X;
  fInplaceRow = fCurrent.Y;
  fInplaceEdit->UpdateContents();
  fCanEditModify = GetEditLimit() != -1;
  fInplaceEdit->SelectAll();
}

void TCustomGridEh::UpdateEdit() {
  if (!CanEditShow()) return;
  if (!fInplaceEdit) {
    fInplaceEdit = CreateEditor();
    fInplaceEdit->SetGrid(this);
    fInplaceEdit->SetParent(this);
    LoadEditor();
  } else if (fInplaceCol != fCurrent.X || fInplaceRow != fCurrent.Y) {
    HideEdit();
    LoadEditor();
  }
  if (CanEditShow()) fInplaceEdit->UpdateLoc(CellRect(fCurrent.X, fCurrent.Y));
}

void TCustomGridEh::HideEdit() {
  if (!fInplaceEdit) return;
  UpdateText();
  fInplaceCol = -1;
  fInplaceRow = -1;
  fInplaceEdit->Hide();
}

void TCustomGridEh::UpdateText() {
  if (fInplaceEdit && fInplaceCol != -1 && fInplaceRow != -1)
    SetEditText(fInplaceCol, fInplaceRow, fInplaceEdit->Text());
}

void TCustomGridEh::ShowEditor() {
  fEditorMode = true;
  UpdateEdit();
}

void TCustomGridEh::HideEditor() {
  fEditorMode = false;
  HideEdit();
}

void TCustomGridEh::ShowEditorChar(char ch) {
  ShowEditor();
  if (fInplaceEdit && fInplaceEdit->Visible())
    PostMessage(fInplaceEdit->WindowHandle(), WM_CHAR, static_cast<Byte>(ch), 0);
}

void TCustomGridEh::SetEditorMode(bool value) {
  if (!value) {
    HideEditor();
    return;
  }
  ShowEditor();
  if (fInplaceEdit) fInplaceEdit->Deselect();
}

void TCustomGridEh::InvalidateEditor() {
  fInplaceCol = -1;
  fInplaceRow = -1;
  UpdateEdit();
}

void TCustomGridEh::TopLeftChanged() {
  // Only a shown editor follows its cell: a hidden one holds no cell's text.
  if (fEditorMode && fInplaceEdit && fInplaceEdit->Visible())
    fInplaceEdit->Move(CellRect(fCurrent.X, fCurrent.Y));
}

void TCustomGridEh::WMSetFocus(TMessage& message) {
  TDestroyWatch watch(this);
  TCustomControl::Dispatch(message);
  if (watch.Gone()) return;
  if (fInplaceEdit && fInplaceEdit->HandleAllocated() &&
      static_cast<HWND>(message.WParam) == fInplaceEdit->WindowHandle())
    return;
  InvalidateGridRect(Selection());
  UpdateEdit();
}

void TCustomGridEh::WMKillFocus(TMessage& message) {
  TDestroyWatch watch(this);
  TCustomControl::Dispatch(message);
  if (watch.Gone()) return;
  InvalidateGridRect(Selection());
  const bool toEditor = fInplaceEdit && fInplaceEdit->HandleAllocated() &&
                        static_cast<HWND>(message.WParam) == fInplaceEdit->WindowHandle();
  if (!toEditor) HideEdit();
}

}  // namespace ordvane

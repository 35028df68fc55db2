// The drop-down windows of the edits: placement, size grip, list box, recently used
// values and month calendar.

#include <algorithm>
#include <limits>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Clock.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/SysMetrics.h"
#include "gridbase/DropDownEh.h"
#include "gridbase/GridsEh.h"
#include "gridbase/MRUListEh.h"
#include "gridbase/PopupListboxEh.h"
#include "gridbase/SizeGripEh.h"

namespace ordvane {

namespace {

TRect WorkAreaNear(const TRect& rect) {
  MONITORINFO monitor;
  GetMonitorInfo(MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST), monitor);
  return monitor.rcWork;
}

TRect WindowRectOf(TWinControl* control) {
  TRect r;
  if (!control->HandleAllocated() || !GetWindowRect(control->WindowHandle(), r)) return control->BoundsRect();
  return r;
}

void TellGripSide(TWinControl* dropDown, TSizeGripChangePosition side) {
  dropDown->Perform(CM_SETSIZEGRIPSIDEEH, static_cast<WPARAM>(side), 0);
}

// The frame of a drop-down with a 3-D border: raised twice, the second edge a pixel in.
void PaintRaisedFrame(TWinControl* control) {
  if (!control->HandleAllocated() || !control->Ctl3D()) return;
  HWND wnd = control->WindowHandle();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  TRect r;
  GetWindowRect(wnd, r);
  OffsetRect(r, -r.left, -r.top);
  DrawEdge(dc, r, BDR_RAISEDOUTER, BF_RECT);
  InflateRect(r, -1, -1);
  DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(wnd, dc);
}

}  // namespace

void MakeTopLevelEh(TWinControl* control) {
  HWND wnd = control->WindowHandle();
  SetParent(wnd, 0);
  SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Placement ------------------------------------------------------------------------

TPoint AlignDropDownWindowRectEh(TWinControl* dropDown, const TRect& hostRect, TDropDownAlign align) {
  const TRect work = WorkAreaNear(hostRect);
  const int hostWidth = hostRect.Width();
  const int width = dropDown->Width();
  const int height = dropDown->Height();
  const bool fitsBelow = hostRect.bottom + height <= work.bottom;
  const bool fitsAbove = hostRect.top - height >= work.top;
  const bool above = (!fitsBelow && fitsAbove) ||
                     (!fitsBelow && !fitsAbove && hostRect.top - work.top > work.bottom - hostRect.bottom);
  TPoint place;
  if (above) {
    if (hostRect.top - height < work.top) dropDown->SetHeight(hostRect.top - work.top);
    // The height actually taken (a list keeps whole rows), so the drop-down meets the host.
    place.y = hostRect.top - dropDown->Height();
    TellGripSide(dropDown, sgcpToTop);
  } else {
    if (hostRect.bottom + height > work.bottom) dropDown->SetHeight(work.bottom - hostRect.bottom);
    place.y = hostRect.bottom;
    TellGripSide(dropDown, sgcpToBottom);
  }
  switch (align) {
    case daLeft:
      place.x = hostRect.left;
      break;
    case daRight:
      place.x = hostRect.left - (width - hostWidth);
      break;
    case daCenter:
      place.x = hostRect.left - (width - hostWidth) / 2;  // C++ division truncates toward zero
      break;
  }
  if (work.Width() < width) dropDown->SetWidth(work.Width());
  const int newWidth = dropDown->Width();
  if (place.x + newWidth > work.right) {
    place.x = work.right - newWidth;
    TellGripSide(dropDown, sgcpToLeft);
  } else if (place.x < work.left) {
    place.x = work.left;
    TellGripSide(dropDown, sgcpToRight);
  } else {
    TellGripSide(dropDown, align == daRight ? sgcpToLeft : sgcpToRight);
  }
  return place;
}

TPoint AlignDropDownWindowEh(TControl* host, TWinControl* dropDown, TDropDownAlign align) {
  TPoint origin{host->Left(), host->Top()};
  if (host->Parent()) origin = host->Parent()->ClientToScreen(origin);
  const TPoint place =
      AlignDropDownWindowRectEh(dropDown, Bounds(origin.x, origin.y, host->Width(), host->Height()), align);
  dropDown->SetBounds(place.x, place.y, dropDown->Width(), dropDown->Height());
  return place;
}

// ---- Size grip ------------------------------------------------------------------------

TSizeGripEh::TSizeGripEh(TComponent* owner) : TCustomControl(owner) {
  const int side = GetSystemMetrics(SM_CXVSCROLL);
  SetBounds(0, 0, side, side);
  SetColor(clBtnFace);
  SetParentColor(false);
  SetCursor(crSizeNWSE);
}

void TSizeGripEh::SetPosition(TSizeGripPosition value) {
  if (value == fPosition) return;
  fPosition = value;
  SetCursor(fPosition == sgpTopLeft || fPosition == sgpBottomRight ? crSizeNWSE : crSizeNESW);
  UpdateWindowShape();
  UpdatePosition();
  Invalidate();
}

void TSizeGripEh::ChangePosition(TSizeGripChangePosition side) {
  TSizeGripPosition next = fPosition;
  switch (side) {
    case sgcpToLeft:
      if (fPosition == sgpTopRight) next = sgpTopLeft;
      if (fPosition == sgpBottomRight) next = sgpBottomLeft;
      break;
    case sgcpToRight:
      if (fPosition == sgpTopLeft) next = sgpTopRight;
      if (fPosition == sgpBottomLeft) next = sgpBottomRight;
      break;
    case sgcpToTop:
      if (fPosition == sgpBottomRight) next = sgpTopRight;
      if (fPosition == sgpBottomLeft) next = sgpTopLeft;
      break;
    case sgcpToBottom:
      if (fPosition == sgpTopRight) next = sgpBottomRight;
      if (fPosition == sgpTopLeft) next = sgpBottomLeft;
      break;
  }
  SetPosition(next);
  UpdatePosition();
}

void TSizeGripEh::Dispatch(TMessage& message) {
  if (message.Msg == CM_SETSIZEGRIPSIDEEH) {
    if (message.WParam <= sgcpToBottom) ChangePosition(static_cast<TSizeGripChangePosition>(message.WParam));
    return;
  }
  TCustomControl::Dispatch(message);
}

void TSizeGripEh::SetTriangleWindow(bool value) {
  if (value == fTriangleWindow) return;
  fTriangleWindow = value;
  UpdateWindowShape();
}

void TSizeGripEh::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateWindowShape();
}

void TSizeGripEh::UpdateWindowShape() {
  if (!HandleAllocated()) return;
  if (!fTriangleWindow) {
    SetWindowRgn(WindowHandle(), nullptr, true);
    return;
  }
  const int w = Width();
  const int h = Height();
  // The right angle sits in the grip's corner.
  const TPoint corner{LeftCorner() ? 0 : w, TopCorner() ? 0 : h};
  const TPoint points[3] = {corner, {w - corner.x, corner.y}, {corner.x, h - corner.y}};
  const TRegion shape = CreatePolygonRgn(points, 3, ALTERNATE);
  SetWindowRgn(WindowHandle(), &shape, true);
}

void TSizeGripEh::UpdatePosition() {
  TWinControl* parent = Parent();
  if (!parent) return;
  const TRect client = parent->ClientRect();
  const int left = LeftCorner() ? 0 : client.Width() - Width();
  const int top = TopCorner() ? 0 : client.Height() - Height();
  SetBounds(left, top, Width(), Height());
}

void TSizeGripEh::Paint() {
  HDC dc = Canvas()->Handle();
  const TRect client = ClientRect();
  dc->FillRect(client, ColorToRGB(Color()));
  // Three pairs of diagonal lines parallel to the grip's long side.
  const int w = Width();
  const int h = Height();
  const TColorRef shadow = ColorToRGB(clBtnShadow);
  const TColorRef light = ColorToRGB(clBtnHighlight);
  for (int offset = 4; offset < std::min(w, h); offset += 4) {
    for (int i = 0; i < offset; ++i) {
      const int x = LeftCorner() ? i : w - 1 - i;
      const int dy = offset - 1 - i;
      const int y = TopCorner() ? dy : h - 1 - dy;
      dc->SetPixel(x, y, shadow);
      const int yLight = TopCorner() ? std::max(0, dy - 1) : std::min(h - 1, h - dy);
      dc->SetPixel(x, yLight, light);
    }
  }
}

void TSizeGripEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Parent()) return;
  fDragging = true;
  fStart = ClientToScreen({x, y});
  fStartBounds = WindowRectOf(Parent());
  fStartClient = {Parent()->ClientWidth(), Parent()->ClientHeight()};
}

void TSizeGripEh::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (fDragging) DragTo(ClientToScreen({x, y}));
}

void TSizeGripEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) fDragging = false;
  TCustomControl::MouseUp(button, shift, x, y);
}

// Resizes the parent by the movement since the press, within the work area, never below
// the grip's own size: a drag past the opposite edge would otherwise leave a window too
// small to grab again.
void TSizeGripEh::DragTo(TPoint screen) {
  TWinControl* parent = Parent();
  if (!parent) return;
  const TRect work = WorkAreaNear(fStartBounds);
  const int frameWidth = fStartBounds.Width() - fStartClient.cx;
  const int frameHeight = fStartBounds.Height() - fStartClient.cy;
  const int minWidth = frameWidth + std::max(Width(), fMinimumSize.cx);
  const int minHeight = frameHeight + std::max(Height(), fMinimumSize.cy);
  TRect r = fStartBounds;
  if (LeftCorner())
    r.left = std::min(std::max(fStartBounds.left + screen.x - fStart.x, work.left), r.right - minWidth);
  else
    r.right = std::max(std::min(fStartBounds.right + screen.x - fStart.x, work.right), r.left + minWidth);
  if (TopCorner())
    r.top = std::min(std::max(fStartBounds.top + screen.y - fStart.y, work.top), r.bottom - minHeight);
  else
    r.bottom = std::max(std::min(fStartBounds.bottom + screen.y - fStart.y, work.bottom), r.top + minHeight);

  const TSize before{parent->ClientWidth(), parent->ClientHeight()};
  TDestroyWatch watch(this);
  if (!Place(r) || watch.Gone()) return;
  // A frame that grew on the way (a scroll bar that came) may still leave the client too
  // small: it takes the difference back.
  const int lackWidth = std::max(0, std::max(Width(), fMinimumSize.cx) - parent->ClientWidth());
  const int lackHeight = std::max(0, std::max(Height(), fMinimumSize.cy) - parent->ClientHeight());
  if (lackWidth > 0 || lackHeight > 0) {
    if (LeftCorner())
      r.left -= lackWidth;
    else
      r.right += lackWidth;
    if (TopCorner())
      r.top -= lackHeight;
    else
      r.bottom += lackHeight;
    if (!Place(r) || watch.Gone()) return;
  }
  if (parent->ClientWidth() == before.cx && parent->ClientHeight() == before.cy) return;
  FireEvent(OnParentResized, this);
  if (!watch.Gone()) UpdatePosition();
}

// Gives the parent the rectangle; a parent that keeps its own height steps (whole rows)
// keeps the edge away from the grip in place. Answers false when the grip went meanwhile.
bool TSizeGripEh::Place(const TRect& r) {
  TWinControl* parent = Parent();
  TDestroyWatch watch(this);
  parent->SetBounds(r.left, r.top, r.Width(), r.Height());
  if (watch.Gone()) return false;
  if (TopCorner() && parent->Height() != r.Height())
    parent->SetBounds(r.left, r.bottom - parent->Height(), parent->Width(), parent->Height());
  return !watch.Gone();
}

// ---- Drop-down list box ---------------------------------------------------------------

namespace {
constexpr Cardinal kSearchPause = 2000;
constexpr std::size_t kSearchLength = 32;
constexpr int kImageGap = 4;
}  // namespace

TPopupListboxEh::TPopupListboxEh(TComponent* owner)
    : TCustomListBox(owner), fSizeGrip(new TSizeGripEh(this)) {
  SetStyle(lbOwnerDrawFixed);
  SetTabStop(false);
  SetVisible(false);
  fSizeGrip->SetTriangleWindow(true);
  fSizeGrip->OnParentResized = [this](TObject*) { Relayout(); };
  fSizeGrip->SetParent(this);
}

TPopupListboxEh::~TPopupListboxEh() = default;

void TPopupListboxEh::CreateParams(TCreateParams& params) {
  TCustomListBox::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
  params.WindowClassStyle |= CS_SAVEBITS;
}

void TPopupListboxEh::CreateWnd() {
  TCustomListBox::CreateWnd();
  MakeTopLevelEh(this);
  // The list never takes the focus (its owner keeps it), yet shows its selection in the
  // focused colours.
  TMessage focus{WM_SETFOCUS, 0, 0, 0};
  TCustomListBox::DefaultHandler(focus);
  fSizeGrip->UpdatePosition();
}

int TPopupListboxEh::FrameHeight() {
  if (HandleAllocated()) return Height() - ClientHeight();
  return 2 * (Ctl3D() ? GetSystemMetrics(SM_CYEDGE) : GetSystemMetrics(SM_CYBORDER));
}

int TPopupListboxEh::RowHeight() {
  return std::max(1, ItemHeight());
}

void TPopupListboxEh::SetBounds(int left, int top, int width, int height) {
  const int frame = FrameHeight();
  const int row = RowHeight();
  const int rows = std::max(1, (height - frame) / row);
  fSizeGrip->SetMinimumSize({0, row});  // a list is never dragged below one row
  TCustomListBox::SetBounds(left, top, width, frame + rows * row);
}

int TPopupListboxEh::RowCount() {
  return std::max(1, (Height() - FrameHeight()) / RowHeight());
}

// No more rows than the screen shows: a taller list could not be seen, and its window
// could not be made.
void TPopupListboxEh::SetRowCount(int value) {
  const int onScreen = (GetSystemMetrics(SM_CYVIRTUALSCREEN) - FrameHeight()) / RowHeight();
  SetHeight(FrameHeight() + std::clamp(value, 1, std::max(1, onScreen)) * RowHeight());
}

void TPopupListboxEh::SetImages(TCustomImageList* value) {
  if (value == fImages) return;
  if (fImages) fImages->RemoveFreeNotification(this);
  fImages = value;
  if (fImages) fImages->FreeNotification(this);
  Invalidate();
}

void TPopupListboxEh::Notification(TComponent* component, TOperation operation) {
  TCustomListBox::Notification(component, operation);
  if (operation == opRemove && component == fImages) fImages = nullptr;
}

void TPopupListboxEh::SetItemsSource(TStrings* value) {
  fItemsSource = value;
  if (fItemsSource) {
    SetStyle(lbVirtualOwnerDraw);
    OnData = TLBGetDataEvent::Bind(this, &TPopupListboxEh::ProvideItemText);
    SetCount(fItemsSource->Count());
  } else {
    OnData = nullptr;
    SetStyle(lbOwnerDrawFixed);
  }
  Invalidate();
}

void TPopupListboxEh::ProvideItemText(TWinControl* /*control*/, int index, AnsiString& data) {
  if (fItemsSource && index >= 0 && index < fItemsSource->Count()) data = fItemsSource->Strings(index);
}

void TPopupListboxEh::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  TCanvas* canvas = Canvas();
  if (state.Contains(odSelected)) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  canvas->FillRect(rect);
  TRect textRect = rect;
  if (fImages) {
    int imageIndex = index;
    FireEvent(OnGetImageIndex, this, index, imageIndex);
    const int shift = fImages->Width() + kImageGap;
    const int imageTop = rect.top + (rect.Height() - fImages->Height()) / 2;
    if (UseRightToLeftReading()) {
      if (imageIndex >= 0 && imageIndex < fImages->Count())
        fImages->Draw(canvas, rect.right - fImages->Width(), imageTop, imageIndex, Enabled());
      textRect.right -= shift;
    } else {
      if (imageIndex >= 0 && imageIndex < fImages->Count())
        fImages->Draw(canvas, rect.left, imageTop, imageIndex, Enabled());
      textRect.left += shift;
    }
  }
  const AnsiString text = ItemText(index);
  const int x = UseRightToLeftReading() ? textRect.right - 2 - canvas->TextWidth(text) : textRect.left + 2;
  canvas->TextRect(textRect, x, textRect.top, text);
}

void TPopupListboxEh::KeyDown(Word& key, TShiftState shift) {
  if (key == VK_BACK || key == VK_ESCAPE) fSearchText.clear();
  TCustomListBox::KeyDown(key, shift);
}

void TPopupListboxEh::KeyPress(char& key) {
  const auto code = static_cast<unsigned char>(key);
  if (code >= 32) {
    const Cardinal now = GetTickCount();
    if (now - fLastKeyTime > kSearchPause) fSearchText.clear();
    fLastKeyTime = now;
    if (fSearchText.size() < kSearchLength) fSearchText += key;
    Perform(LB_SELECTSTRING, 0xFFFF, reinterpret_cast<LPARAM>(fSearchText.c_str()));
  }
  TCustomListBox::KeyPress(key);
}

void TPopupListboxEh::MouseMove(TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  TCustomListBox::MouseMove(shift, x, y);
  if (watch.Gone()) return;
  const TPoint p{x, y};
  const bool buttonHeld = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
  if (buttonHeld || p == fLastMouse) return;
  fLastMouse = p;
  const int index = ItemAtPos(p, true);
  if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
}

bool TPopupListboxEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  TCustomListBox::DoMouseWheel(shift, wheelDelta, mousePos);
  return true;
}

// A wheel step moves the selection (the list box's own handling would scroll), unless
// the control's event takes it.
bool TPopupListboxEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  FireEvent(OnMouseWheelDown, this, shift, mousePos, handled);
  if (!handled && Count() > 0) SetItemIndex(std::min(ItemIndex() + 1, Count() - 1));
  Relayout();
  return true;
}

bool TPopupListboxEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  FireEvent(OnMouseWheelUp, this, shift, mousePos, handled);
  if (!handled && Count() > 0) SetItemIndex(std::max(ItemIndex() - 1, 0));
  Relayout();
  return true;
}

void TPopupListboxEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case CM_SETSIZEGRIPSIDEEH:
      fSizeGrip->Perform(message.Msg, message.WParam, message.LParam);
      Relayout();
      return;
    case WM_NCPAINT:
      TCustomListBox::Dispatch(message);
      PaintRaisedFrame(this);
      return;
    case WM_SIZE: {
      TDestroyWatch watch(this);
      TCustomListBox::Dispatch(message);
      if (watch.Gone()) return;
      fSizeGrip->UpdatePosition();
      Relayout();
      return;
    }
    default:
      TCustomListBox::Dispatch(message);
  }
}

// ---- Recently used values -------------------------------------------------------------

TMRUListEh::TMRUListEh() : fItems(std::make_unique<TStringList>()) {}

TMRUListEh::~TMRUListEh() = default;

// A negative limit keeps nothing; the limit and the rows of the list window stay within
// what a screen shows.
void TMRUListEh::SetLimit(int value) {
  CheckGridSettingEh("Limit", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  fLimit = std::max(0, value);
  CutToLimit();
}

void TMRUListEh::SetRows(int value) {
  CheckGridSettingEh("Rows", value, 0, kMaxGridExtentEh);
  fRows = value;
}

bool TMRUListEh::SameValue(const AnsiString& a, const AnsiString& b) const {
  return fCaseSensitive ? a == b : AnsiCompareText(a, b) == 0;
}

void TMRUListEh::CutToLimit() {
  fItems->BeginUpdate();
  while (fItems->Count() > fLimit) fItems->Delete(0);
  fItems->EndUpdate();
}

void TMRUListEh::Add(const AnsiString& text) {
  const AnsiString value = Trim(text);
  if (value.empty()) return;
  fItems->BeginUpdate();
  int found = -1;
  for (int i = 0; i < fItems->Count() && found < 0; ++i)
    if (SameValue(fItems->Strings(i), value)) found = i;
  if (found >= 0)
    fItems->Move(found, fItems->Count() - 1);
  else
    fItems->Add(value);
  fItems->EndUpdate();
  CutToLimit();
}

void TMRUListEh::FilterItems(const AnsiString& text, TStrings* target) const {
  target->BeginUpdate();
  target->Clear();
  for (int i = 0; i < fItems->Count(); ++i) {
    const AnsiString item = fItems->Strings(i);
    if (Offers(item, text)) target->Add(item);
  }
  target->EndUpdate();
}

bool TMRUListEh::Offers(const AnsiString& item, const AnsiString& text) const {
  return item.size() >= text.size() && SameValue(item.substr(0, text.size()), text);
}

void TMRUListEh::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TMRUListEh*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  fActive = other->fActive;
  fAutoAdd = other->fAutoAdd;
  fCaseSensitive = other->fCaseSensitive;
  fItems->Assign(other->fItems.get());
  fLimit = other->fLimit;
  fRows = other->fRows;
}

TMRUListboxEh::TMRUListboxEh(TComponent* owner) : TPopupListboxEh(owner), fScrollBar(new TScrollBar(this)) {
  fScrollBar->SetKind(sbVertical);
  fScrollBar->SetWidth(GetSystemMetrics(SM_CXVSCROLL));
  fScrollBar->OnScroll = TScrollEvent::Bind(this, &TMRUListboxEh::ScrollBarScrolled);
  fScrollBar->SetParent(this);
}

void TMRUListboxEh::CreateParams(TCreateParams& params) {
  TPopupListboxEh::CreateParams(params);
  params.Style &= ~WS_VSCROLL;
}

TMRUListboxEh* NewMRUListboxEh(TWinControl* edit, const TNotifyEvent& accepted) {
  auto* list = new TMRUListboxEh(edit);
  list->SetVisible(false);
  list->SetCtl3D(false);
  list->SetSorted(true);
  list->SetParent(edit);
  list->OnMouseUp = [list, accepted](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && PtInRect(list->ClientRect(), TPoint{x, y}) && accepted) accepted(list);
  };
  return list;
}

void TMRUListboxEh::CreateWnd() {
  TPopupListboxEh::CreateWnd();
  Relayout();
}

// The bar stands on the side away from the grip and shows the rows in view.
void TMRUListboxEh::Relayout() {
  if (!HandleAllocated()) return;
  const TRect client = ClientRect();
  const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
  const bool gripLeft = SizeGrip()->Position() == sgpTopLeft || SizeGrip()->Position() == sgpBottomLeft;
  fScrollBar->SetBounds(gripLeft ? client.right - barWidth : 0, 0, barWidth, client.Height());
  const int rows = std::max(1, client.Height() / RowHeight());
  fScrollBar->SetPageSize(0);
  fScrollBar->SetParams(TopIndex(), 0, std::max(0, Count() - 1));
  fScrollBar->SetPageSize(rows);
}

void TMRUListboxEh::ScrollBarScrolled(TObject* /*sender*/, TScrollCode /*code*/, int& position) {
  SetTopIndex(position);
}

TRect TMRUListboxEh::ItemArea(const TRect& rect) const {
  TRect area = rect;
  const bool gripLeft = SizeGrip()->Position() == sgpTopLeft || SizeGrip()->Position() == sgpBottomLeft;
  if (gripLeft)
    area.right -= fScrollBar->Width();
  else
    area.left += fScrollBar->Width();
  return area;
}

void TMRUListboxEh::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  TPopupListboxEh::DrawItem(index, ItemArea(rect), state);
}

void TMRUListboxEh::Dispatch(TMessage& message) {
  TDestroyWatch watch(this);
  TPopupListboxEh::Dispatch(message);
  if (watch.Gone()) return;
  switch (message.Msg) {
    case WM_KEYDOWN:
    case LB_SETTOPINDEX:
    case LB_SETCURSEL:
    case LB_SETCOUNT:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
      Relayout();
      break;
    default:
      break;
  }
}

// ---- Drop-down month calendar ---------------------------------------------------------

TPopupMonthCalendarEh::TPopupMonthCalendarEh(TComponent* owner) : TMonthCalendar(owner) {
  SetCtl3D(true);
  SetParentCtl3D(false);
  SetVisible(false);
}

void TPopupMonthCalendarEh::CreateParams(TCreateParams& params) {
  TMonthCalendar::CreateParams(params);
  if (Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    params.Style |= WS_BORDER;
}

void TPopupMonthCalendarEh::CreateWnd() {
  TMonthCalendar::CreateWnd();
  MakeTopLevelEh(this);
  TRect needed;
  if (Perform(MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&needed)) == 0) return;
  const int border = (Width() - ClientWidth()) / 2;
  SetBounds(Left(), Top(), needed.Width() + 2 * border, needed.Height() + 2 * border);
}

void TPopupMonthCalendarEh::KeyDown(Word& key, TShiftState shift) {
  if (key == VK_RETURN || key == VK_ESCAPE) {
    const bool accept = key == VK_RETURN;
    key = 0;
    CloseUpToOwnerEh(this, accept);
    return;
  }
  TMonthCalendar::KeyDown(key, shift);
}

namespace {

// One day on from a date, when the calendar can show it.
bool StepDay(TDateTime date, int days, TDateTime& result) {
  result = date + days;
  return result >= EncodeDate(1, 1, 1) && result <= EncodeDate(9999, 12, 31);
}

}  // namespace

bool TPopupMonthCalendarEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  TMonthCalendar::DoMouseWheel(shift, wheelDelta, mousePos);
  return true;
}

bool TPopupMonthCalendarEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  TDateTime next;
  if (!TWinControl::DoMouseWheelDown(shift, mousePos) && StepDay(Date(), 1, next)) SetDate(next);
  return true;
}

bool TPopupMonthCalendarEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  TDateTime previous;
  if (!TWinControl::DoMouseWheelUp(shift, mousePos) && StepDay(Date(), -1, previous)) SetDate(previous);
  return true;
}

void TPopupMonthCalendarEh::MouseRelease(TPoint p) {
  if (!PtInRect(ClientRect(), p)) {
    CloseUpToOwnerEh(this, false);
    return;
  }
  MCHITTESTINFO info;
  info.pt = p;
  Perform(MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  if ((info.uHit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE) CloseUpToOwnerEh(this, true);
}

void TPopupMonthCalendarEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      TMonthCalendar::Dispatch(message);
      message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
      return;
    case CM_WANTSPECIALKEY:
      if (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) {
        message.Result = 1;
        return;
      }
      break;
    case CM_DIALOGKEY:
      // The form hands these keys to every child; a calendar that is not open is not
      // asked, or it would take them from the form's default and cancel buttons and from
      // the control that owns it.
      if (HandleAllocated() && IsWindowVisible(WindowHandle()) &&
          (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE)) {
        message.Result = 1;
        CloseUpToOwnerEh(this, message.WParam == VK_RETURN);
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      if (!PtInRect(ClientRect(), PointFromLParam(message.LParam))) {
        CloseUpToOwnerEh(this, false);
        return;
      }
      break;
    case WM_LBUTTONUP: {
      TDestroyWatch watch(this);
      TMonthCalendar::Dispatch(message);
      if (!watch.Gone()) MouseRelease(PointFromLParam(message.LParam));
      return;
    }
    case WM_KILLFOCUS: {
      const auto next = static_cast<HWND>(message.WParam);
      if (HandleAllocated() && next != WindowHandle() && !IsChild(WindowHandle(), next))
        PostMessage(WindowHandle(), CM_CLOSEUPNOTACCEPTEH, 0, 0);
      break;
    }
    case CM_CLOSEUPNOTACCEPTEH:
      CloseUpToOwnerEh(this, false);
      return;
    case WM_NCPAINT:
      TMonthCalendar::Dispatch(message);
      PaintRaisedFrame(this);
      return;
    default:
      break;
  }
  TMonthCalendar::Dispatch(message);
}

}  // namespace ordvane

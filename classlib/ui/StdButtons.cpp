#include "classlib/ui/StdButtons.h"

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Themes.h"

namespace ordvane {

namespace {

// Draws a caption (with its "&" accelerator) in the rectangle, embossed when disabled.
void DrawCaption(TCanvas& canvas, const AnsiString& caption, TRect rect, unsigned flags, bool enabled) {
  canvas.Brush()->SetStyle(bsClear);
  if (!enabled) {
    TRect shadow = rect;
    OffsetRect(shadow, 1, 1);
    canvas.Font()->SetColor(clBtnHighlight);
    DrawText(canvas.Handle(), caption, shadow, flags);
    canvas.Font()->SetColor(clGrayText);
  }
  DrawText(canvas.Handle(), caption, rect, flags);
  canvas.Brush()->SetStyle(bsSolid);
}

}  // namespace

void PaintNativeFace(TWinControl& control, TMessage& message, const std::function<void(TCanvas&)>& paint) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  PAINTSTRUCT ps;
  struct TEndPaint {
    HWND wnd;
    PAINTSTRUCT* ps;
    ~TEndPaint() {
      if (ps) EndPaint(wnd, *ps);
    }
  } end{control.WindowHandle(), nullptr};
  if (!dc) {
    dc = BeginPaint(control.WindowHandle(), ps);
    if (!dc) return;
    end.ps = &ps;
  }
  TCanvas canvas(dc);
  canvas.SetFont(*control.Font());
  paint(canvas);
}

// TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
  fControlStyle = {csSetCaption, csDoubleClicks};
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clBtnFace);
}

TButtonControl::~TButtonControl() = default;

void TButtonControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENTER:
    case CM_EXIT:
      Invalidate();
      break;
    default:
      break;
  }
  TWinControl::Dispatch(message);
}

void TButtonControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = ButtonDialogCode();
      return;
    case BM_GETCHECK:
      message.Result = fCheck;
      return;
    case BM_SETCHECK:
      ChangeAndInvalidate(this, fCheck, static_cast<LRESULT>(std::min<WPARAM>(message.WParam, BST_INDETERMINATE)));
      return;
    case BM_GETSTATE:
      message.Result = fCheck | (fPushed ? BST_PUSHED : 0) | (Focused() ? BST_FOCUS : 0);
      return;
    case BM_SETSTATE:
      SetPushed(message.WParam != 0);
      return;
    case BM_CLICK:
      NotifyClicked();
      return;
    case WM_PAINT:
      PaintNativeFace(*this, message, [this](TCanvas& canvas) { PaintFace(canvas); });
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      NativeMouse(message);
      return;
    case WM_KEYDOWN:
    case WM_KEYUP:
      NativeKey(message);
      return;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
    case WM_KILLFOCUS:
      if (fMouseDown || fSpaceDown || fPushed) {
        fMouseDown = false;
        fSpaceDown = false;
        SetPushed(false);
      }
      break;
    default:
      break;
  }
  TWinControl::DefaultHandler(message);
}

void TButtonControl::NativeMouse(TMessage& message) {
  const TPoint p = PointFromLParam(message.LParam);
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      TDestroyWatch watch(this);
      if (GetFocus() != Handle()) ordvane::SetFocus(Handle());
      if (watch.Gone() || GetFocus() != WindowHandle()) return;
      fMouseDown = true;
      SetCapture(WindowHandle());
      SetPushed(true);
      break;
    }
    case WM_MOUSEMOVE:
      if (fMouseDown) SetPushed(PtInRect(ClientRect(), p));
      break;
    default:  // WM_LBUTTONUP
      if (!fMouseDown) break;
      fMouseDown = false;
      const bool inside = fPushed;
      SetPushed(false);
      if (GetCapture() == WindowHandle()) ReleaseCapture();
      if (inside) NotifyClicked();
      break;
  }
}

void TButtonControl::NativeKey(TMessage& message) {
  if (message.WParam != VK_SPACE) return;
  if (message.Msg == WM_KEYDOWN) {
    fSpaceDown = true;
    SetPushed(true);
  } else if (fSpaceDown) {
    fSpaceDown = false;
    SetPushed(false);
    NotifyClicked();
  }
}

void TButtonControl::SetPushed(bool value) {
  ChangeAndInvalidate(this, fPushed, value);
}

void TButtonControl::NotifyClicked() {
  if (!HandleAllocated()) return;
  const HWND wnd = WindowHandle();
  if (HWND parent = GetParent(wnd)) SendMessage(parent, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), static_cast<LPARAM>(wnd));
}

// TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  ChangeAndInvalidate(this, fDefault, value);
}

bool TButton::IsActive() const {
  if (Focused()) return true;
  if (!fDefault) return false;
  const TCustomForm* form = GetParentForm(this);
  return !form || !dynamic_cast<const TButton*>(form->ActiveControl());
}

LRESULT TButton::ButtonDialogCode() const {
  return DLGC_BUTTON | (IsActive() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void TButton::Click() {
  TDestroyWatch watch(this);
  if (fModalResult != mrNone)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(fModalResult);
  if (!watch.Gone()) TButtonControl::Click();
}

void TButton::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == BN_CLICKED) Click();
      return;
    case CM_DIALOGKEY:
      if (((message.WParam == VK_RETURN && IsActive()) || (message.WParam == VK_ESCAPE && fCancel)) &&
          KeyDataToShiftState(message.LParam).Empty() && CanFocus()) {
        Click();
        message.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(message.WParam), Caption()) && CanFocus()) {
        Click();
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TButtonControl::Dispatch(message);
}

// The classic face: raised, sunk while pushed, framed black while it is the button Enter
// clicks, with a dotted focus frame.
void TButton::PaintFace(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  TRect r = ClientRect();
  dc->FillRect(r, ColorToRGB(Color()));
  if (IsActive()) {
    dc->FrameRect(r, ColorToRGB(clWindowFrame));
    InflateRect(r, -1, -1);
  }
  TRect face = r;
  if (NativePushed()) {
    dc->FrameRect(face, ColorToRGB(clBtnShadow));
  } else {
    DrawEdge(dc, face, EDGE_RAISED, BF_RECT);
  }
  TRect text = r;
  if (NativePushed()) OffsetRect(text, 1, 1);
  DrawCaption(canvas, Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled());
  if (Focused()) {
    TRect focus = r;
    InflateRect(focus, -3, -3);
    DrawFocusRect(dc, focus);
  }
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState value) {
  if (value == fState) return;
  fState = value;
  Perform(BM_SETCHECK, static_cast<WPARAM>(value), 0);
  Click();
}

void TCheckBox::SetAlignment(TAlignment value) {
  ChangeAndInvalidate(this, fAlignment, value);
}

void TCheckBox::Toggle() {
  switch (fState) {
    case cbUnchecked:
      SetState(fAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

void TCheckBox::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CN_COMMAND:
      if (HIWORD(message.WParam) == BN_CLICKED) Toggle();
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(message.WParam), Caption()) && CanFocus()) {
        TDestroyWatch watch(this);
        SetFocus();
        if (!watch.Gone() && Focused()) Toggle();
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TButtonControl::Dispatch(message);
}

void TCheckBox::PaintFace(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  const TRect client = ClientRect();
  const bool themed = ThemeServices()->ThemesEnabled();
  if (themed)
    ThemeServices()->DrawParentBackground(WindowHandle(), dc, &client);
  else
    dc->FillRect(client, ColorToRGB(Color()));
  const bool boxLeft = (fAlignment == taRightJustify) != UseRightToLeftAlignment();
  const int top = (client.Height() - kCheckBoxSize) / 2;
  TRect box = Bounds(boxLeft ? 0 : client.right - kCheckBoxSize, top, kCheckBoxSize, kCheckBoxSize);
  if (themed) {
    const int look = !Enabled() ? 3 : NativePushed() ? 2 : 0;
    ThemeServices()->DrawElement(
        dc, TThemeServices::GetElementDetails(static_cast<TThemedButton>(static_cast<int>(fState) * 4 + look)), box);
  } else {
    unsigned state = fState == cbGrayed ? DFCS_BUTTON3STATE | DFCS_CHECKED : DFCS_BUTTONCHECK;
    if (fState == cbChecked) state |= DFCS_CHECKED;
    if (NativePushed()) state |= DFCS_PUSHED;
    if (!Enabled()) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, box, DFC_BUTTON, state);
  }
  TRect text = boxLeft ? Rect(kCheckBoxSize + 5, 0, client.right, client.bottom)
                       : Rect(0, 0, client.right - kCheckBoxSize - 5, client.bottom);
  const unsigned flags = DT_VCENTER | DT_SINGLELINE | (boxLeft ? DT_LEFT : DT_RIGHT);
  DrawCaption(canvas, Caption(), text, flags, Enabled());
  if (Focused() && !Caption().empty()) {
    TRect extent = text;
    DrawText(dc, Caption(), extent, flags | DT_CALCRECT);
    const int width = extent.Width();
    TRect focus = boxLeft ? Bounds(text.left, 0, width, 0) : Bounds(text.right - width, 0, width, 0);
    focus.top = (client.Height() - extent.Height()) / 2;
    focus.bottom = focus.top + extent.Height();
    InflateRect(focus, 1, 1);
    IntersectRect(focus, focus, client);
    DrawFocusRect(dc, focus);
  }
}

// TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  fControlStyle.Include(csReplicatable).Include(csOpaque);
  SetBounds(0, 0, 65, 17);
}

void TLabel::SetAlignment(TAlignment value) {
  if (ChangeAndInvalidate(this, fAlignment, value)) AdjustBounds();
}

void TLabel::SetLayout(TTextLayout value) {
  ChangeAndInvalidate(this, fLayout, value);
}

void TLabel::SetAutoSize(bool value) {
  if (ChangeAndInvalidate(this, fAutoSize, value)) AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
  if (ChangeAndInvalidate(this, fWordWrap, value)) AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
  if (!ChangeAndInvalidate(this, fTransparent, value)) return;
  fControlStyle = value ? fControlStyle - TControlStyle{csOpaque} : fControlStyle + TControlStyle{csOpaque};
}

void TLabel::SetShowAccelChar(bool value) {
  if (ChangeAndInvalidate(this, fShowAccelChar, value)) AdjustBounds();
}

void TLabel::SetFocusControl(TWinControl* value) {
  if (value == fFocusControl) return;
  if (fFocusControl) RemoveFreeNotification(fFocusControl);
  fFocusControl = value;
  if (fFocusControl) FreeNotification(fFocusControl);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == fFocusControl) fFocusControl = nullptr;
}

void TLabel::SetCaption(const AnsiString& value) {
  if (value == Caption()) return;
  TGraphicControl::SetCaption(value);
  Changed();
}

void TLabel::Changed() {
  AdjustBounds();
  Invalidate();
}

unsigned TLabel::TextFlags() const {
  unsigned flags = DT_EXPANDTABS;
  if (fAlignment == taRightJustify)
    flags |= DT_RIGHT;
  else if (fAlignment == taCenter)
    flags |= DT_CENTER;
  if (fWordWrap) flags |= DT_WORDBREAK;
  if (!fShowAccelChar) flags |= DT_NOPREFIX;
  return flags;
}

// The text is measured on a scratch bitmap, so that a label sizes itself before it has a
// parent window.
void TLabel::AdjustBounds() {
  if (!fAutoSize || ComponentState().Contains(csLoading)) return;
  TBitmap scratch(1, 1);
  scratch.Canvas()->SetFont(*Font());
  AnsiString text = Caption();
  if (text.empty() || (fShowAccelChar && text == "&")) text += ' ';
  TRect r = Rect(0, 0, fWordWrap ? Width() : 0, 0);
  DrawText(scratch.Canvas()->Handle(), text, r, TextFlags() | DT_CALCRECT);
  int left = Left();
  if (fAlignment == taRightJustify) left += Width() - r.Width();
  SetBounds(left, Top(), r.Width(), r.Height());
}

void TLabel::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_DIALOGCHAR:
      if (fFocusControl && Enabled() && fShowAccelChar && IsAccel(static_cast<Word>(message.WParam), Caption()) &&
          fFocusControl->CanFocus()) {
        fFocusControl->SetFocus();
        message.Result = 1;
        return;
      }
      break;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(message);
      Changed();
      return;
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TGraphicControl::Dispatch(message);
}

void TLabel::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  if (!fTransparent) {
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
  }
  canvas->SetFont(*Font());
  TRect text = client;
  if (fLayout != tlTop) {
    TRect extent = client;
    DrawText(canvas->Handle(), Caption(), extent, TextFlags() | DT_CALCRECT);
    const int spare = client.Height() - extent.Height();
    text.top += fLayout == tlBottom ? spare : spare / 2;
  }
  DrawCaption(*canvas, Caption(), text, TextFlags(), Enabled());
}

// TScrollBar

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (value == fKind) return;
  fKind = value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetPageSize(int value) {
  value = std::clamp(value, 0, fMax - fMin + 1);
  if (value == fPageSize) return;
  fPageSize = value;
  SetParams(fPosition, fMin, fMax);
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (min > max) throw EInvalidOperation("Scroll bar property out of range");
  const int last = fPageSize > 0 ? std::max(min, max - fPageSize + 1) : max;
  position = std::clamp(position, min, last);
  const bool moved = position != fPosition;
  fMin = min;
  fMax = max;
  fPosition = position;
  UpdateBar();
  if (moved) FireEvent(OnChange, this);
}

void TScrollBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style |= fKind == sbVertical ? WS_VSCROLL : WS_HSCROLL;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateBar();
}

void TScrollBar::UpdateBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = fMin;
  info.nMax = fMax;
  info.nPage = static_cast<UINT>(fPageSize);
  info.nPos = fPosition;
  SetScrollInfo(WindowHandle(), Bar(), info, true);
}

void TScrollBar::DoScroll(WPARAM code) {
  int pos = fPosition;
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  switch (code) {
    case SB_LINEUP:
      pos -= fSmallChange;
      break;
    case SB_LINEDOWN:
      pos += fSmallChange;
      break;
    case SB_PAGEUP:
      pos -= fLargeChange;
      break;
    case SB_PAGEDOWN:
      pos += fLargeChange;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      if (GetScrollInfo(WindowHandle(), Bar(), info)) pos = info.nTrackPos;
      break;
    case SB_TOP:
      pos = fMin;
      break;
    case SB_BOTTOM:
      pos = fMax;
      break;
    default:  // SB_ENDSCROLL
      break;
  }
  TDestroyWatch watch(this);
  FireEvent(OnScroll, this, static_cast<TScrollCode>(code), pos);
  if (!watch.Gone()) SetPosition(pos);
}

void TScrollBar::Dispatch(TMessage& message) {
  if ((message.Msg == WM_HSCROLL || message.Msg == WM_VSCROLL) && message.LParam == 0) {
    if (LOWORD(message.WParam) <= SB_ENDSCROLL) DoScroll(LOWORD(message.WParam));
    return;
  }
  TWinControl::Dispatch(message);
}

}  // namespace ordvane

#include "classlib/ui/Controls.h"

#include <algorithm>

#include "classlib/core/Math.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/ControlsInternal.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/Hints.h"

namespace ordvane {

using namespace controls_internal;

namespace {

// Puts the control in its siblings' list at the end (front) or the start (back).
template <class T>
void MoveInList(std::vector<T*>& list, T* item, bool toEnd) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return;
  list.erase(it);
  if (toEnd)
    list.push_back(item);
  else
    list.insert(list.begin(), item);
}

}  // namespace

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState shift;
  if (keys & MK_SHIFT) shift.Include(ssShift);
  if (keys & MK_CONTROL) shift.Include(ssCtrl);
  if (keys & MK_LBUTTON) shift.Include(ssLeft);
  if (keys & MK_RBUTTON) shift.Include(ssRight);
  if (keys & MK_MBUTTON) shift.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (keyData & KF_ALTDOWN_BIT) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) shift.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) shift.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) shift.Include(ssMiddle);
  return shift;
}

TDestroyWatch::TDestroyWatch(const TControl* control) : fLife(control->fLife) {}

TControlStateScope::TControlStateScope(TControl* control, TControlStateItem item)
    : fControl(control), fWatch(control), fItem(item) {
  control->SetControlState(control->ControlState() + TControlState{item});
}

TControlStateScope::~TControlStateScope() {
  if (!fWatch.Gone()) fControl->SetControlState(fControl->ControlState() - TControlState{fItem});
}

// TControl

TControl::TControl(TComponent* owner) : TComponent(owner), fFont(std::make_unique<TFont>()) {
  fControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  fFont->OnChange = TNotifyEvent::Bind(this, &TControl::FontChanged);
}

TControl::~TControl() {
  if (gCaptureControl == this) {
    gCaptureControl = nullptr;
    if (fParent && fParent->HandleAllocated() && GetCapture() == fParent->WindowHandle()) ReleaseCapture();
  }
  if (gMouseControl == this) gMouseControl = nullptr;
  DragSourceDestroyed(this);
  HintControlDestroyed(this);
  if (fParent) fParent->RemoveControl(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& message) {
  if ((message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) && fDragMode == dmAutomatic &&
      !ComponentState().Contains(csDesigning)) {
    BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
    return;
  }
  if (IsMouseMessage(message.Msg)) {
    if (!fControlStyle.Contains(csDoubleClicks) && IsDoubleClickMessage(message.Msg))
      message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    if (message.Msg == WM_MOUSEMOVE) {
      TDestroyWatch watch(this);
      HintMouseMessage(this, message);
      if (watch.Gone()) return;
    }
  }
  Dispatch(message);
}

void TControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      WMButtonDown(message, mbLeft, message.Msg == WM_LBUTTONDBLCLK);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      WMButtonDown(message, mbRight, message.Msg == WM_RBUTTONDBLCLK);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      WMButtonDown(message, mbMiddle, message.Msg == WM_MBUTTONDBLCLK);
      break;
    case WM_LBUTTONUP:
      WMLButtonUp(message);
      break;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      TDestroyWatch watch(this);
      DefaultHandler(message);
      if (!watch.Gone()) DoMouseUp(message, message.Msg == WM_RBUTTONUP ? mbRight : mbMiddle);
      break;
    }
    case WM_MOUSEMOVE:
      WMMouseMove(message);
      break;
    case WM_MOUSEWHEEL:
      WMMouseWheel(message);
      break;
    case WM_CONTEXTMENU:
      WMContextMenu(message);
      break;
    case WM_CANCELMODE:
      WMCancelMode(message);
      break;
    case CM_MOUSEWHEEL:
      CMMouseWheel(message);
      break;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(message);
      break;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(message);
      break;
    case CM_PARENTSHOWHINTCHANGED:
      CMParentShowHintChanged(message);
      break;
    case CM_PARENTBIDIMODECHANGED:
      CMParentBiDiModeChanged(message);
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      CMMouseEnterLeave(message);
      break;
    case CM_VISIBLECHANGED:
      CMVisibleChanged(message);
      break;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_BIDIMODECHANGED:
      Invalidate();
      break;
    case CM_HITTEST:
      message.Result = HTCLIENT;
      break;
    case CM_CURSORCHANGED: {
      TPoint pos;
      GetCursorPos(pos);
      if (FindDragTarget(pos, false) != this) break;
      HWND under = WindowFromPoint(pos);
      if (under != 0)
        SendMessage(under, WM_SETCURSOR, under,
                    MAKELPARAM(static_cast<int>(HTCLIENT), static_cast<int>(WM_MOUSEMOVE)));
      break;
    }
    default:
      DefaultHandler(message);
  }
}

void TControl::DefaultHandler(TMessage& /*message*/) {}

void TControl::SetParent(TWinControl* parent) {
  if (fParent == parent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (fParent) fParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
  UpdateAnchorRules();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = ConstrainedWidth(width);
  height = ConstrainedHeight(height);
  if (left == fLeft && top == fTop && width == fWidth && height == fHeight) return;
  InvalidateControl(fVisible, false);
  StoreBounds(left, top, width, height);
  Invalidate();
  RequestAlign();
}

TRect TControl::ClientRect() const {
  return Bounds(0, 0, fWidth, fHeight);
}

void TControl::SetClientSize(int width, int height) {
  const TRect client = ClientRect();
  SetBounds(fLeft, fTop, fWidth - client.Width() + width, fHeight - client.Height() + height);
}

TPoint TControl::ClientOrigin() const {
  if (!fParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  TPoint origin = fParent->ClientOrigin();
  return {origin.x + fLeft, origin.y + fTop};
}

TPoint TControl::ClientToScreen(TPoint point) const {
  TPoint origin = ClientOrigin();
  return {point.x + origin.x, point.y + origin.y};
}

TPoint TControl::ScreenToClient(TPoint point) const {
  TPoint origin = ClientOrigin();
  return {point.x - origin.x, point.y - origin.y};
}

void TControl::StoreBounds(int left, int top, int width, int height) {
  fLeft = left;
  fTop = top;
  fWidth = std::max(0, width);
  fHeight = std::max(0, height);
  UpdateAnchorRules();
}

void TControl::SetAlign(TAlign value) {
  if (fAlign == value) return;
  fAlign = value;
  RequestAlign();
}

void TControl::SetVisible(bool value) {
  if (fVisible == value) return;
  fVisible = value;
  TDestroyWatch watch(this);
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  if (!watch.Gone()) RequestAlign();
}

void TControl::SetEnabled(bool value) {
  if (fEnabled == value) return;
  fEnabled = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (fParentFont == value) return;
  fParentFont = value;
  if (fParent && value) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged(TObject* /*sender*/) {
  if (!fTakingParentFont) fParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
  // A colour set explicitly is the control's own, also when it equals the one it had:
  // the parent's colour no longer replaces it.
  fParentColor = false;
  if (fColor == value) return;
  fColor = value;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (fParentColor == value) return;
  fParentColor = value;
  if (fParent && value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetCaption(const AnsiString& value) {
  if (fText == value) return;
  fText = value;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value) {
  if (fShowHint == value) return;
  fShowHint = value;
  fParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) {
  if (fParentShowHint == value) return;
  fParentShowHint = value;
  if (fParent && value) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
  if (fCursor == value) return;
  fCursor = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (fPopupMenu == menu) return;
  if (fPopupMenu) RemoveFreeNotification(fPopupMenu);
  fPopupMenu = menu;
  if (fPopupMenu) FreeNotification(fPopupMenu);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fPopupMenu) fPopupMenu = nullptr;
}

void TControl::SetBiDiMode(TBiDiMode value) {
  if (fBiDiMode == value) return;
  fBiDiMode = value;
  fParentBiDiMode = false;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool value) {
  if (fParentBiDiMode == value) return;
  fParentBiDiMode = value;
  if (fParent && value) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

bool TControl::MouseCapture() const {
  return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() != value) SetCaptureControl(value ? this : nullptr);
}

void TControl::InvalidateControl(bool wasVisible, bool opaque) {
  if (!wasVisible || !fParent || !fParent->HandleAllocated()) return;
  const TRect r = BoundsRect();
  InvalidateRect(fParent->WindowHandle(), &r, !opaque && !fParent->ControlStyle().Contains(csOpaque));
}

void TControl::Invalidate() {
  InvalidateControl(fVisible, fControlStyle.Contains(csOpaque));
}

void TControl::Update() {
  if (fParent) fParent->Update();
}

void TControl::Repaint() {
  TDestroyWatch watch(this);
  Invalidate();
  if (!watch.Gone()) Update();
}

void TControl::BringToFront() {
  if (!fParent) return;
  if (TWinControl* self = AsWinControl(this)) {
    MoveInList(fParent->fWinControls, self, true);
    if (self->HandleAllocated())
      SetWindowPos(self->WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    MoveInList(fParent->fControls, this, true);
    Invalidate();
  }
}

void TControl::SendToBack() {
  if (!fParent) return;
  if (TWinControl* self = AsWinControl(this)) {
    MoveInList(fParent->fWinControls, self, false);
    if (self->HandleAllocated())
      SetWindowPos(self->WindowHandle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    MoveInList(fParent->fControls, this, false);
    Invalidate();
  }
}

void TControl::RequestAlign() {
  if (fParent) fParent->Realign();
}

void TControl::Click() {
  if (!OnClick && Action() != nullptr) {
    fActionLink->Execute(this);
    return;
  }
  FireEvent(OnClick, this);
}

namespace {

// What a link of a control client reads and writes.
TActionClient ControlActionClient(TControl* control) {
  TActionClient client;
  client.caption = {[control] { return control->Caption(); },
                    [control](const AnsiString& v) { control->SetCaption(v); }};
  client.enabled = {[control] { return control->Enabled(); }, [control](const bool& v) { control->SetEnabled(v); }};
  client.hint = {[control] { return control->Hint(); }, [control](const AnsiString& v) { control->SetHint(v); }};
  client.visible = {[control] { return control->Visible(); }, [control](const bool& v) { control->SetVisible(v); }};
  return client;
}

}  // namespace

void TControl::SetAction(TBasicAction* action) {
  if (!action) {
    fActionLink.reset();
    return;
  }
  if (!fActionLink) fActionLink = std::make_unique<TActionLink>(this, ControlActionClient(this));
  fActionLink->SetAction(action);
}

void TControl::ChangeScale(int m, int d) {
  if (m == d || d == 0) return;
  const int left = MulDiv(fLeft, m, d);
  const int top = MulDiv(fTop, m, d);
  SetBounds(left, top, MulDiv(fLeft + fWidth, m, d) - left, MulDiv(fTop + fHeight, m, d) - top);
  if (!fParentFont) fFont->SetSize(MulDiv(fFont->Size(), m, d));
}

bool TControl::ExecuteAction(TBasicAction* action) {
  if (!action->HandlesTarget(this)) return false;
  action->ExecuteTarget(this);
  return true;
}

bool TControl::UpdateAction(TBasicAction* action) {
  if (!action->HandlesTarget(this)) return false;
  action->UpdateTarget(this);
  return true;
}

void TControl::DblClick() {
  FireEvent(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FireEvent(OnMouseDown, this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  FireEvent(OnMouseMove, this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FireEvent(OnMouseUp, this, button, shift, x, y);
}

void TControl::DoMouseDown(const TMessage& message, TMouseButton button, TShiftState shift) {
  if (fControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(message.LParam);
  MouseDown(button, KeysToShiftState(message.WParam) + shift, p.x, p.y);
}

void TControl::DoMouseUp(const TMessage& message, TMouseButton button) {
  if (fControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(message.LParam);
  MouseUp(button, KeysToShiftState(message.WParam), p.x, p.y);
}

void TControl::WMButtonDown(TMessage& message, TMouseButton button, bool isDouble) {
  TDestroyWatch watch(this);
  if (button == mbLeft) {
    SendCancelMode(this);
    if (watch.Gone()) return;
  }
  DefaultHandler(message);
  if (watch.Gone()) return;
  if (button == mbLeft) {
    if (fControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (isDouble) {
      if (fControlStyle.Contains(csClickEvents)) DblClick();
    } else if (fControlStyle.Contains(csClickEvents)) {
      fControlState.Include(csClicked);
    }
    if (watch.Gone()) return;
  }
  DoMouseDown(message, button, isDouble ? TShiftState{ssDouble} : TShiftState{});
}

void TControl::WMLButtonUp(TMessage& message) {
  TDestroyWatch watch(this);
  DefaultHandler(message);
  if (watch.Gone()) return;
  if (fControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (fControlState.Contains(csClicked)) {
    fControlState.Exclude(csClicked);
    if (PtInRect(ClientRect(), PointFromLParam(message.LParam))) Click();
    if (watch.Gone()) return;
  }
  DoMouseUp(message, mbLeft);
}

void TControl::WMMouseMove(TMessage& message) {
  TDestroyWatch watch(this);
  DefaultHandler(message);
  if (watch.Gone() || fControlStyle.Contains(csNoStdEvents)) return;
  const TPoint p = PointFromLParam(message.LParam);
  MouseMove(KeysToShiftState(message.WParam), p.x, p.y);
}

void TControl::WMCancelMode(TMessage& message) {
  if (Dragging()) {
    TDestroyWatch watch(this);
    EndDrag(false);
    if (watch.Gone()) return;
  }
  if (gCaptureControl == this) gCaptureControl = nullptr;
  fControlState -= TControlState{csClicked, csLButtonDown};
  DefaultHandler(message);
}

void TControl::WMMouseWheel(TMessage& message) {
  MouseWheelHandler(message);
}

void TControl::MouseWheelHandler(TMessage& message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this)
    static_cast<TControl*>(form)->MouseWheelHandler(message);
  else
    message.Result = Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

void TControl::CMMouseWheel(TMessage& message) {
  const TShiftState shift = KeysToShiftState(LOWORD(message.WParam));
  const int delta = static_cast<SmallInt>(HIWORD(message.WParam));
  TDestroyWatch watch(this);
  message.Result = 0;
  if (DoMouseWheel(shift, delta, PointFromLParam(message.LParam)))
    message.Result = 1;
  else if (!watch.Gone() && fParent)
    message.Result = fParent->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool handled = false;
  TDestroyWatch watch(this);
  FireEvent(OnMouseWheel, this, shift, wheelDelta, mousePos, handled);
  if (handled || watch.Gone()) return handled;
  fWheelAccumulator += wheelDelta;
  while (std::abs(fWheelAccumulator) >= WHEEL_DELTA) {
    const bool down = fWheelAccumulator < 0;
    fWheelAccumulator -= down ? -WHEEL_DELTA : WHEEL_DELTA;
    handled = down ? DoMouseWheelDown(shift, mousePos) : DoMouseWheelUp(shift, mousePos);
    if (watch.Gone()) return handled;
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  FireEvent(OnMouseWheelDown, this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  FireEvent(OnMouseWheelUp, this, shift, mousePos, handled);
  return handled;
}

void TControl::DoContextPopup(TPoint mousePos, bool& handled) {
  FireEvent(OnContextPopup, this, mousePos, handled);
}

void TControl::WMContextMenu(TMessage& message) {
  if (message.Result != 0) return;
  TPoint pos = PointFromLParam(message.LParam);
  const bool fromKeyboard = pos.x == -1 && pos.y == -1;
  bool handled = false;
  TDestroyWatch watch(this);
  DoContextPopup(fromKeyboard ? pos : ScreenToClient(pos), handled);
  if (watch.Gone()) return;
  message.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = PopupMenu();
  if (menu && menu->AutoPopup()) {
    SendCancelMode(nullptr);
    if (watch.Gone()) return;
    menu->SetPopupComponent(this);
    if (fromKeyboard) pos = ClientToScreen({0, 0});
    menu->Popup(pos.x, pos.y);
    message.Result = 1;
    return;
  }
  DefaultHandler(message);
}

void TControl::SendCancelMode(TControl* sender) {
  TDestroyWatch watch(this);
  for (TControl* control = this; control && !watch.Gone(); control = control->Parent())
    if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SendCancelMode(sender);
}

void TControl::CMParentFontChanged(TMessage& message) {
  if (!fParentFont) return;
  const TFont* source =
      message.WParam ? reinterpret_cast<const TFont*>(message.LParam) : (fParent ? fParent->Font() : nullptr);
  if (!source) return;
  fTakingParentFont = true;
  try {
    fFont->Assign(source);
  } catch (...) {
    fTakingParentFont = false;
    throw;
  }
  fTakingParentFont = false;
}

void TControl::CMParentColorChanged(TMessage& message) {
  if (!fParentColor) return;
  const TColor color =
      message.WParam ? static_cast<TColor>(message.LParam) : (fParent ? fParent->Color() : fColor);
  if (color == fColor) return;
  fColor = color;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage& /*message*/) {
  if (!fParentShowHint || !fParent || fParent->ShowHint() == fShowHint) return;
  fShowHint = fParent->ShowHint();
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentBiDiModeChanged(TMessage& /*message*/) {
  if (!fParentBiDiMode || !fParent || fParent->BiDiMode() == fBiDiMode) return;
  fBiDiMode = fParent->BiDiMode();
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::CMMouseEnterLeave(TMessage& message) {
  if (fParent)
    fParent->Perform(message.Msg, 0, message.LParam ? message.LParam : reinterpret_cast<LPARAM>(this));
}

void TControl::CMVisibleChanged(TMessage& /*message*/) {
  InvalidateControl(true, fVisible && fControlStyle.Contains(csOpaque));
}

// TControlCanvas

TControlCanvas::~TControlCanvas() {
  FreeHandle();
}

// A canvas made for no control has nothing to draw on.
void TControlCanvas::EnsureHandle() {
  if (HandleAllocated() || fControl == nullptr) return;
  auto* windowed = dynamic_cast<TWinControl*>(fControl);
  TWinControl* host = windowed ? windowed : fControl->Parent();
  if (!host) return;
  // Drawing needs the window, which is made when first drawn on, as on the platform.
  fOwnedWindow = host->Handle();
  fOwnedDC = GetDC(fOwnedWindow);
  if (!fOwnedDC) return;
  if (!windowed) {
    fOwnedDC->SetViewportOrgEx(fControl->Left(), fControl->Top());
    fOwnedDC->IntersectClipRect(0, 0, fControl->Width(), fControl->Height());
  }
  SetHandle(fOwnedDC);
}

void TControlCanvas::FreeHandle() {
  if (!fOwnedDC) return;
  if (Handle() == fOwnedDC) SetHandle(nullptr);
  if (fSavedDC == fOwnedDC) fSavedDC = nullptr;
  ReleaseDC(fOwnedWindow, fOwnedDC);
  fOwnedDC = nullptr;
  fOwnedWindow = 0;
}

void TControlCanvas::BeginPainting(HDC dc) {
  if (fPaintLevel++ == 0) fSavedDC = HandleAllocated() ? Handle() : nullptr;
  SetHandle(dc);
}

void TControlCanvas::EndPainting() {
  if (fPaintLevel == 0 || --fPaintLevel > 0) return;
  SetHandle(fSavedDC);
  fSavedDC = nullptr;
}

// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), fCanvas(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() {
  fCanvas->EnsureHandle();
  return fCanvas.get();
}

void TGraphicControl::FreeCanvasHandle() {
  fCanvas->FreeHandle();
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  fCanvas->FreeHandle();
  TControl::SetBounds(left, top, width, height);
}

void TGraphicControl::Dispatch(TMessage& message) {
  if (message.Msg == WM_PAINT && message.WParam != 0) {
    TPaintingScope painting(*fCanvas, reinterpret_cast<HDC>(message.WParam));
    Paint();
    return;
  }
  TControl::Dispatch(message);
}

TCustomForm* GetParentForm(const TControl* control) {
  if (!control) return nullptr;
  while (control->Parent()) control = control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

}  // namespace ordvane

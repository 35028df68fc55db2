#include "classlib/ui/Controls.h"

#include <algorithm>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/ControlsInternal.h"
#include "classlib/ui/Cursors.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/Hints.h"

namespace ordvane {

namespace controls_internal {

// Lives as long as the process, so that a control destroyed at exit still finds it.
std::unordered_map<HWND, TWinControl*>& ControlsByWindow() {
  static auto* map = new std::unordered_map<HWND, TWinControl*>;
  return *map;
}

namespace {

// Offers a key message to the control it is for as a CN_ message first: a nonzero answer
// means the control or its form has handled it.
bool IsKeyMsg(const TMsg& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (wnd == 0) {
    wnd = msg.hwnd;
    while (wnd != 0 && !FindControl(wnd)) wnd = GetAncestor(wnd, GA_PARENT);
    if (wnd == 0) wnd = msg.hwnd;
  }
  return SendMessage(wnd, msg.message + CN_BASE, msg.wParam, msg.lParam) != 0;
}

// The message loop's treatment of every message once controls exist.
class TControlsMessageProcessor : public TMessageProcessor {
 public:
  void ProcessMessage(const TMsg& msg) override {
    HintsSeeMessage(msg);
    if (IsKeyMsg(msg)) return;
    TranslateMessage(msg);
    DispatchMessage(msg);
    if (IsMouseMessage(msg.message) || (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK))
      UpdateMouseControl();
  }
  // Actions show the state of their targets as it is once the input is handled.
  void Idle() override { UpdateActions(); }
};

}  // namespace

void InstallMessageProcessor() {
  static TControlsMessageProcessor processor;
  Application->SetMessageProcessor(&processor);
}

}  // namespace controls_internal

using namespace controls_internal;

namespace {

// Restores a context's clip region and viewport origin when a windowless child has
// painted on it.
class TChildPaintScope {
 public:
  TChildPaintScope(HDC dc, const TControl& child)
      : fDc(dc), fHadClip(dc->GetClipRgn(fSavedClip) == CLIP_SET) {
    fViewport = dc->GetViewportOrgEx();
    dc->SetViewportOrgEx(fViewport.x + child.Left(), fViewport.y + child.Top());
    dc->IntersectClipRect(0, 0, child.Width(), child.Height());
  }
  ~TChildPaintScope() {
    fDc->SelectClipRgn(fHadClip ? &fSavedClip : nullptr);
    fDc->SetViewportOrgEx(fViewport.x, fViewport.y);
  }
  TChildPaintScope(const TChildPaintScope&) = delete;
  TChildPaintScope& operator=(const TChildPaintScope&) = delete;

 private:
  HDC fDc;
  TRegion fSavedClip;
  bool fHadClip;
  TPoint fViewport;
};

}  // namespace

// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  Destroying();
  DestructorStep([this] {
    if (Parent()) RemoveFocus(true);
  });
  DestructorStep([this] { DestroyHandle(); });
  while (!fControls.empty() || !fWinControls.empty()) {
    TControl* child = !fWinControls.empty() ? static_cast<TControl*>(fWinControls.back()) : fControls.back();
    delete child;
  }
  DestructorStep([this] {
    if (Parent()) Parent()->RemoveControl(this);
  });
}

HWND TWinControl::Handle() {
  if (!fHandle) CreateHandle();
  return fHandle;
}

void TWinControl::CreateHandle() {
  if (fHandle) return;
  CreateWnd();
  if (fHandle) SetZOrderPlace();
}

void TWinControl::SetZOrderPlace() {
  if (!Parent()) return;
  HWND below = HWND_TOP;
  const auto& siblings = Parent()->fWinControls;
  auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it != siblings.end())
    for (++it; it != siblings.end(); ++it)
      if ((*it)->fHandle) {
        below = (*it)->fHandle;
        break;
      }
  SetWindowPos(fHandle, below, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = Caption();
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (fControlStyle.Contains(csAcceptsControls)) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (fTabStop) params.Style |= WS_TABSTOP;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  if (Parent()) params.WndParent = Parent()->Handle();
  params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == 0 && (params.Style & WS_CHILD))
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  InstallMessageProcessor();
  CreateWindowHandle(params);
  if (!fHandle) throw EOutOfResources("Error creating window");
  UpdateBounds();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  TWindowCreateParams create;
  create.style = params.Style;
  create.exStyle = params.ExStyle;
  create.classStyle = params.WindowClassStyle;
  create.caption = params.Caption;
  create.x = params.X;
  create.y = params.Y;
  create.width = params.Width;
  create.height = params.Height;
  create.parent = params.WndParent;
  CreateWindowEx(create, TWndMethod::Bind(this, &TWinControl::MainWndProc), [this](HWND wnd) {
    fHandle = wnd;
    ControlsByWindow()[wnd] = this;
  });
}

void TWinControl::DestroyHandle() {
  if (!fHandle) return;
  const std::vector<TWinControl*> children = fWinControls;
  for (TWinControl* child : children) child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  if (!fHandle) return;
  TControlStateScope destroying(this, csDestroyingHandle);
  // Windowless children drew on contexts of this window: they take new ones later.
  for (TControl* child : fControls)
    if (auto* graphic = dynamic_cast<TGraphicControl*>(child)) graphic->FreeCanvasHandle();
  const HWND wnd = fHandle;
  DestroyWindow(wnd);
  ControlsByWindow().erase(wnd);
  fHandle = 0;
  fShowing = false;
}

void TWinControl::RecreateWnd() {
  if (fHandle) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage& /*message*/) {
  const bool wasFocused = Focused();
  TDestroyWatch watch(this);
  DestroyHandle();
  if (watch.Gone()) return;
  UpdateControlState();
  if (wasFocused && fHandle) ordvane::SetFocus(fHandle);
}

void TWinControl::MainWndProc(TMessage& message) {
  TDestroyWatch watch(this);
  try {
    WndProc(message);
  } catch (...) {
    Application->HandleException(watch.Gone() ? nullptr : this);
  }
}

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (fControlState.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST: {
      TDestroyWatch watch(this);
      TControl::WndProc(message);
      if (!watch.Gone() && message.Result == HTTRANSPARENT &&
          ControlAtPos(ScreenToClient(PointFromLParam(message.LParam)), false))
        message.Result = HTCLIENT;
      return;
    }
    case WM_CANCELMODE:
      if (fHandle && GetCapture() == fHandle && gCaptureControl && gCaptureControl->Parent() == this) {
        TControl* capture = gCaptureControl;
        capture->Perform(WM_CANCELMODE, 0, 0);
      }
      break;
    default:
      if (IsMouseMessage(message.Msg) && message.Msg != WM_MOUSEWHEEL && IsControlMouseMsg(message)) {
        if (message.Result == 0 && fHandle)
          DefWindowProc(fHandle, message.Msg, message.WParam, message.LParam);
        return;
      }
  }
  TControl::WndProc(message);
}

bool TWinControl::IsControlMouseMsg(TMessage& message) {
  TControl* control = nullptr;
  TControl* capture = GetCaptureControl();
  if (capture && capture->Parent() == this)
    control = capture;
  else
    control = ControlAtPos(PointFromLParam(message.LParam), false);
  if (!control) return false;
  TPoint p = PointFromLParam(message.LParam);
  message.Result =
      control->Perform(message.Msg, message.WParam, MAKELPARAM(p.x - control->Left(), p.y - control->Top()));
  return true;
}

void TWinControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      WMPaint(message);
      break;
    case WM_ERASEBKGND:
      WMEraseBkgnd(message);
      break;
    case WM_SIZE:
      WMSize(message);
      break;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(message);
      break;
    case WM_SETCURSOR:
      WMSetCursor(message);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      WMKeyDown(message);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WMKeyUp(message);
      break;
    case WM_CHAR:
      WMChar(message);
      break;
    case WM_COMMAND:
      WMCommand(message);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      WMScroll(message);
      break;
    case WM_CAPTURECHANGED:
      WMCaptureChanged(message);
      break;
    case WM_NCDESTROY:
      WMNCDestroy(message);
      break;
    case WM_SYSCOLORCHANGE:
      Perform(CM_SYSCOLORCHANGE, 0, 0);
      break;
    case CN_KEYDOWN:
      CNKeyDown(message);
      break;
    case CN_CHAR:
      CNChar(message);
      break;
    case CN_SYSCHAR:
      CNSysChar(message);
      break;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_SYSCOLORCHANGE:
      Broadcast(message);
      break;
    case CM_ENTER:
      DoEnter();
      break;
    case CM_EXIT:
      DoExit();
      break;
    case CM_SHOWINGCHANGED:
      CMShowingChanged(message);
      break;
    case CM_VISIBLECHANGED:
      CMVisibleChanged(message);
      break;
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(message);
      break;
    case CM_COLORCHANGED:
      CMColorChanged(message);
      break;
    case CM_FONTCHANGED:
      CMFontChanged(message);
      break;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      break;
    case CM_BIDIMODECHANGED:
      Invalidate();
      NotifyControls(CM_PARENTBIDIMODECHANGED);
      break;
    case CM_CTL3DCHANGED:
      NotifyControls(CM_PARENTCTL3DCHANGED);
      break;
    case CM_PARENTCTL3DCHANGED:
      CMParentCtl3DChanged(message);
      break;
    case CM_RECREATEWND:
      CMRecreateWnd(message);
      break;
    default:
      TControl::Dispatch(message);
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!fHandle || message.Msg >= CM_BASE) return;
  message.Result = DefWindowProc(fHandle, message.Msg, message.WParam, message.LParam);
}

TControl* TWinControl::Controls(int index) const {
  const int graphic = static_cast<int>(fControls.size());
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return index < graphic ? fControls[static_cast<std::size_t>(index)]
                         : fWinControls[static_cast<std::size_t>(index - graphic)];
}

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->fParent == this) return;
  if (control->fParent) control->fParent->RemoveControl(control);
  control->fParent = this;
  if (TWinControl* windowed = AsWinControl(control)) {
    fWinControls.push_back(windowed);
    fTabList.push_back(windowed);
  } else {
    fControls.push_back(control);
  }
  TDestroyWatch watch(control);
  for (UINT msg :
       {CM_PARENTCOLORCHANGED, CM_PARENTFONTCHANGED, CM_PARENTSHOWHINTCHANGED, CM_PARENTBIDIMODECHANGED}) {
    control->Perform(msg, 0, 0);
    if (watch.Gone()) return;
  }
  if (TWinControl* windowed = AsWinControl(control)) {
    windowed->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    if (watch.Gone()) return;
    windowed->UpdateControlState();
  } else {
    control->Invalidate();
  }
  if (!watch.Gone()) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  if (!control || control->fParent != this) return;
  // Out of the tab order first: the form that loses its focus to the removal chooses the
  // next control from it, and must not choose the one going away.
  std::erase_if(fTabList, [control](TWinControl* c) { return static_cast<TControl*>(c) == control; });
  if (TWinControl* windowed = AsWinControl(control)) {
    windowed->RemoveFocus(true);
    windowed->DestroyHandle();
  } else if (fHandle) {
    control->InvalidateControl(control->Visible(), false);
  }
  std::erase(fControls, control);
  std::erase_if(fWinControls, [control](TWinControl* c) { return static_cast<TControl*>(c) == control; });
  control->fParent = nullptr;
  if (!ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls) const {
  auto hits = [&](TControl* c) {
    if (!c->Visible() || !(c->Enabled() || allowDisabled) || !PtInRect(c->BoundsRect(), pos)) return false;
    return c->Perform(CM_HITTEST, 0, MAKELPARAM(pos.x - c->Left(), pos.y - c->Top())) != 0;
  };
  if (allowWinControls)
    for (auto it = fWinControls.rbegin(); it != fWinControls.rend(); ++it)
      if (hits(*it)) return *it;
  for (auto it = fControls.rbegin(); it != fControls.rend(); ++it)
    if (hits(*it)) return *it;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  const int count = ControlCount();
  std::vector<TControl*> children;
  for (int i = 0; i < count; ++i) children.push_back(Controls(i));
  TDestroyWatch watch(this);
  for (TControl* child : children) {
    if (watch.Gone() || child->fParent != this) return;
    child->WndProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage message{msg, 0, 0, 0};
  Broadcast(message);
}

void TWinControl::EnableAlign() {
  if (fAlignLevel > 0 && --fAlignLevel == 0) Realign();
}

void TWinControl::Realign() {
  if (fAlignLevel > 0 || fAligning || ComponentState().Contains(csDestroying)) return;
  fAligning = true;
  TDestroyWatch watch(this);
  try {
    TRect rect = ClientRect();
    // Anchored controls first: the aligned ones may then lie over them, as they would.
    std::vector<TControl*> controls;
    for (int i = 0; i < ControlCount(); ++i) controls.push_back(Controls(i));
    for (TControl* control : controls) control->FollowAnchors(rect.Width(), rect.Height());
    AlignControls(nullptr, rect);
  } catch (...) {
    if (!watch.Gone()) fAligning = false;
    throw;
  }
  if (!watch.Gone()) fAligning = false;
}

void TWinControl::AlignControls(TControl* /*control*/, TRect& rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> aligned;
    for (int i = 0; i < ControlCount(); ++i)
      if (TControl* c = Controls(i); c->Align() == align && c->Visible()) aligned.push_back(c);
    // Each side keeps the order the controls lie in towards the middle.
    std::stable_sort(aligned.begin(), aligned.end(), [align](TControl* a, TControl* b) {
      switch (align) {
        case alTop:
          return a->Top() < b->Top();
        case alBottom:
          return a->Top() + a->Height() > b->Top() + b->Height();
        case alLeft:
          return a->Left() < b->Left();
        case alRight:
          return a->Left() + a->Width() > b->Left() + b->Width();
        default:
          return false;
      }
    });
    for (TControl* c : aligned) {
      const int width = rect.Width();
      const int height = rect.Height();
      switch (align) {
        case alTop:
          c->SetBounds(rect.left, rect.top, width, c->Height());
          rect.top += c->Height();
          break;
        case alBottom:
          c->SetBounds(rect.left, rect.bottom - c->Height(), width, c->Height());
          rect.bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(rect.left, rect.top, c->Width(), height);
          rect.left += c->Width();
          break;
        case alRight:
          c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), height);
          rect.right -= c->Width();
          break;
        default:
          c->SetBounds(rect.left, rect.top, width, height);
          break;
      }
    }
  }
}

bool TWinControl::Focused() const {
  return fHandle && GetFocus() == fHandle;
}

bool TWinControl::CanFocus() const {
  const TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (const TWinControl* c = this; c != form; c = c->Parent())
    if (!c || !c->Visible() || !c->Enabled() || c->ComponentState().Contains(csDestroying)) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else
    ordvane::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool value) {
  if (fTabStop == value) return;
  fTabStop = value;
  if (fHandle) {
    LONG_PTR style = GetWindowLong(fHandle, GWL_STYLE);
    SetWindowLong(fHandle, GWL_STYLE,
                  value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->fTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (!Parent()) return;
  auto& list = Parent()->fTabList;
  std::erase(list, this);
  value = std::clamp(value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : fTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), current);
  int start = found != list.end() ? static_cast<int>(found - list.begin()) : (goForward ? count - 1 : 0);
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectFirst() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return;
  TWinControl* control = FindNextControl(nullptr, true, true, false);
  if (!control) control = FindNextControl(nullptr, true, false, false);
  if (control) form->SetActiveControl(control);
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

void TWinControl::SetCtl3D(bool value) {
  if (fCtl3D == value) return;
  fCtl3D = value;
  fParentCtl3D = false;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) {
  if (fParentCtl3D == value) return;
  fParentCtl3D = value;
  if (Parent() && value) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::CMParentCtl3DChanged(TMessage& message) {
  if (!fParentCtl3D) return;
  const bool value = message.WParam ? message.LParam != 0 : (Parent() ? Parent()->Ctl3D() : fCtl3D);
  if (value == fCtl3D) return;
  fCtl3D = value;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

TRect TWinControl::ClientRect() const {
  TRect r;
  if (fHandle && GetClientRect(fHandle, r)) return r;
  return TControl::ClientRect();
}

TPoint TWinControl::ClientOrigin() const {
  if (fHandle) {
    TPoint origin{0, 0};
    ordvane::ClientToScreen(fHandle, origin);
    return origin;
  }
  if (!Parent()) return {Left(), Top()};
  return TControl::ClientOrigin();
}

void TWinControl::ChangeScale(int m, int d) {
  if (m == d) return;
  // Scaled together, the controls keep their scaled distances to the edges: no anchor
  // or alignment acts until all are scaled.
  DisableAlign();
  std::vector<TControl*> controls;
  for (int i = 0; i < ControlCount(); ++i) controls.push_back(Controls(i));
  for (TControl* control : controls) control->ChangeScale(m, d);
  TControl::ChangeScale(m, d);
  for (TControl* control : controls) control->UpdateAnchorRules();
  EnableAlign();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  width = ConstrainedWidth(width);
  height = ConstrainedHeight(height);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  if (fHandle) {
    SetWindowPos(fHandle, 0, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    StoreBounds(left, top, width, height);
  }
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  TRect r;
  if (!GetWindowRect(fHandle, r)) return;
  if (HWND parent = GetAncestor(fHandle, GA_PARENT)) MapWindowPoints(0, parent, r);
  StoreBounds(r.left, r.top, r.Width(), r.Height());
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  if (parent == this || (parent && ContainsControl(parent)))
    throw EInvalidOperation("A control cannot have itself as its parent");
  TDestroyWatch watch(this);
  if (fHandle) DestroyHandle();
  if (!watch.Gone()) TControl::SetParent(parent);
}

void TWinControl::SetCaption(const AnsiString& value) {
  if (fHandle) SetWindowText(fHandle, value);
  TControl::SetCaption(value);
}

void TWinControl::Invalidate() {
  if (fHandle) InvalidateRect(fHandle, nullptr, !fControlStyle.Contains(csOpaque));
}

void TWinControl::Update() {
  if (fHandle) UpdateWindow(fHandle);
}

void TWinControl::UpdateControlState() {
  for (const TWinControl* c = this; c->Parent(); c = c->Parent())
    if (!c->Parent()->Showing()) return;
  const TWinControl* root = this;
  while (root->Parent()) root = root->Parent();
  if (dynamic_cast<const TCustomForm*>(root)) UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool show = Visible() && !fControlState.Contains(csReadingState);
  TDestroyWatch watch(this);
  if (show) {
    if (!fHandle) CreateHandle();
    const std::vector<TWinControl*> children = fWinControls;
    for (TWinControl* child : children)
      if (!watch.Gone() && child->Parent() == this) child->UpdateShowing();
  }
  if (watch.Gone() || !fHandle || fShowing == show) return;
  fShowing = show;
  try {
    Perform(CM_SHOWINGCHANGED, 0, 0);
  } catch (...) {
    if (!watch.Gone()) fShowing = !show;
    throw;
  }
  if (watch.Gone()) return;
  const std::vector<TWinControl*> children = fWinControls;
  for (TWinControl* child : children)
    if (!watch.Gone() && child->Parent() == this) child->UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage& /*message*/) {
  SetWindowPos(
      fHandle, 0, 0, 0, 0, 0,
      SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (fShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage& /*message*/) {
  TDestroyWatch watch(this);
  if (!Visible() && Parent()) RemoveFocus(false);
  if (!watch.Gone()) UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& /*message*/) {
  TDestroyWatch watch(this);
  if (!Enabled() && Parent()) RemoveFocus(false);
  if (watch.Gone()) return;
  if (fHandle) EnableWindow(fHandle, Enabled());
  Invalidate();
}

void TWinControl::CMColorChanged(TMessage& /*message*/) {
  Invalidate();
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage& /*message*/) {
  Invalidate();
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::RemoveFocus(bool removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, removing);
}

void TWinControl::PaintWindow(HDC /*dc*/) {}

void TWinControl::PaintHandler(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  PAINTSTRUCT paint;
  struct TEndPaint {
    HWND wnd;
    PAINTSTRUCT* paint;
    ~TEndPaint() {
      if (paint) EndPaint(wnd, *paint);
    }
  } endPaint{fHandle, nullptr};
  if (!dc) {
    dc = BeginPaint(fHandle, paint);
    endPaint.paint = &paint;
    if (!dc) return;
  }
  TDestroyWatch watch(this);
  PaintWindow(dc);
  if (!watch.Gone()) PaintControls(dc, nullptr);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto begin = first ? std::find(fControls.begin(), fControls.end(), first) : fControls.begin();
  const std::vector<TControl*> controls(begin, fControls.end());
  TDestroyWatch watch(this);
  for (TControl* c : controls) {
    if (watch.Gone()) return;
    if (c->Parent() != this || !c->Visible() || !dc->RectVisible(c->BoundsRect())) continue;
    TChildPaintScope scope(dc, *c);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
  if (watch.Gone()) return;
  for (TWinControl* c : fWinControls) {
    if (!c->Ctl3D() || !c->ControlStyle().Contains(csFramed) || !c->Visible()) continue;
    dc->FrameRect(Rect(c->Left() - 1, c->Top() - 1, c->Left() + c->Width(), c->Top() + c->Height()),
                  ColorToRGB(clBtnShadow));
    dc->FrameRect(Rect(c->Left(), c->Top(), c->Left() + c->Width() + 1, c->Top() + c->Height() + 1),
                  ColorToRGB(clBtnHighlight));
  }
}

void TWinControl::WMPaint(TMessage& message) {
  if (!fControlState.Contains(csCustomPaint) && ControlCount() == 0)
    DefaultHandler(message);
  else
    PaintHandler(message);
}

void TWinControl::WMEraseBkgnd(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (dc) dc->FillRect(ClientRect(), ColorToRGB(Color()));
  message.Result = 1;
}

void TWinControl::WMSize(TMessage& message) {
  UpdateBounds();
  TDestroyWatch watch(this);
  DefaultHandler(message);
  if (!watch.Gone()) Realign();
}

void TWinControl::WMWindowPosChanged(TMessage& message) {
  UpdateBounds();
  DefaultHandler(message);
}

void TWinControl::WMSetCursor(TMessage& message) {
  const auto hit = static_cast<SmallInt>(LOWORD(static_cast<std::uintptr_t>(message.LParam)));
  if (static_cast<HWND>(message.WParam) == fHandle && hit == HTCLIENT) {
    TCursor cursor = Screen->Cursor();
    if (cursor == crDefault) {
      TPoint pos;
      GetCursorPos(pos);
      if (TControl* control = ControlAtPos(ScreenToClient(pos), false)) cursor = control->Cursor();
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault) {
      ordvane::SetCursor(Screen->Cursors(cursor));
      message.Result = 1;
      return;
    }
  }
  DefaultHandler(message);
}

bool TWinControl::DoKey(TMessage& message, bool (TWinControl::*formHandles)(TMessage&),
                        const std::function<void(WPARAM& key)>& handle) {
  TDestroyWatch watch(this);
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && (form->*formHandles)(message)) return true;
  if (watch.Gone()) return true;
  if (fControlStyle.Contains(csNoStdEvents)) return false;
  WPARAM key = message.WParam;
  handle(key);
  if (watch.Gone()) return true;
  message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyDown(TMessage& message) {
  return DoKey(message, &TWinControl::DoKeyDown, [this, &message](WPARAM& key) {
    Word k = static_cast<Word>(key);
    KeyDown(k, KeyDataToShiftState(message.LParam));
    key = k;
  });
}

bool TWinControl::DoKeyUp(TMessage& message) {
  return DoKey(message, &TWinControl::DoKeyUp, [this, &message](WPARAM& key) {
    Word k = static_cast<Word>(key);
    KeyUp(k, KeyDataToShiftState(message.LParam));
    key = k;
  });
}

bool TWinControl::DoKeyPress(TMessage& message) {
  return DoKey(message, &TWinControl::DoKeyPress, [this](WPARAM& key) {
    char c = static_cast<char>(key);
    KeyPress(c);
    key = static_cast<Byte>(c);
  });
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  FireEvent(OnKeyDown, this, key, shift);
}

void TWinControl::KeyUp(Word& key, TShiftState shift) {
  FireEvent(OnKeyUp, this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  FireEvent(OnKeyPress, this, key);
}

void TWinControl::DoEnter() {
  FireEvent(OnEnter, this);
}

void TWinControl::DoExit() {
  FireEvent(OnExit, this);
}

void TWinControl::WMKeyDown(TMessage& message) {
  if (!DoKeyDown(message)) DefaultHandler(message);
}

void TWinControl::WMKeyUp(TMessage& message) {
  if (!DoKeyUp(message)) DefaultHandler(message);
}

void TWinControl::WMChar(TMessage& message) {
  if (!DoKeyPress(message)) DefaultHandler(message);
}

void TWinControl::WMCommand(TMessage& message) {
  if (message.LParam != 0)
    if (TWinControl* control = FindControl(static_cast<HWND>(message.LParam))) {
      message.Result = control->Perform(CN_COMMAND, message.WParam, message.LParam);
      return;
    }
  DefaultHandler(message);
}

void TWinControl::WMScroll(TMessage& message) {
  if (message.LParam != 0)
    if (TWinControl* control = FindControl(static_cast<HWND>(message.LParam))) {
      message.Result = control->Perform(message.Msg + CN_BASE, message.WParam, message.LParam);
      return;
    }
  DefaultHandler(message);
}

void TWinControl::WMCaptureChanged(TMessage& message) {
  const auto newCapture = static_cast<HWND>(message.LParam);
  TControl* holder = nullptr;
  if (gCaptureControl && gCaptureControl->Parent() == this) {
    holder = gCaptureControl;
    gCaptureControl = nullptr;
  } else if (newCapture != 0) {
    holder = this;
  }
  TDestroyWatch watch(this);
  // The capture went to another window: whoever held it cancels what it was doing.
  if (holder && newCapture != 0 && newCapture != fHandle) holder->Perform(WM_CANCELMODE, 0, 0);
  if (!watch.Gone()) DefaultHandler(message);
}

void TWinControl::WMNCDestroy(TMessage& message) {
  DefaultHandler(message);
  ControlsByWindow().erase(fHandle);
  fHandle = 0;
  fShowing = false;
}

void TWinControl::CNKeyDown(TMessage& message) {
  message.Result = 1;
  LRESULT mask = 0;
  switch (message.WParam) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
    default:
      break;
  }
  TDestroyWatch watch(this);
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, message.WParam, message.LParam) == 0 && !watch.Gone() &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 && !watch.Gone()) {
    TCustomForm* form = GetParentForm(this);
    if (form && form->Perform(CM_DIALOGKEY, message.WParam, message.LParam) != 0) return;
  }
  if (!watch.Gone()) message.Result = 0;
}

void TWinControl::CNChar(TMessage& message) {
  message.Result = 1;
  TDestroyWatch watch(this);
  if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0 && !watch.Gone()) {
    TCustomForm* form = GetParentForm(this);
    if (form && form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0) return;
  }
  if (!watch.Gone()) message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& message) {
  if (message.WParam == VK_SPACE) return;
  if (TCustomForm* form = GetParentForm(this))
    message.Result = form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
}

// TCustomControl

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), fCanvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
  fCanvas->FreeHandle();
}

TCanvas* TCustomControl::Canvas() {
  fCanvas->EnsureHandle();
  return fCanvas.get();
}

void TCustomControl::Dispatch(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    TControlStateScope custom(this, csCustomPaint);
    TWinControl::Dispatch(message);
    return;
  }
  TWinControl::Dispatch(message);
}

void TCustomControl::PaintWindow(HDC dc) {
  TPaintingScope painting(*fCanvas, dc);
  Paint();
}

void TCustomControl::DestroyWnd() {
  fCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

TWinControl* FindControl(HWND wnd) {
  auto& map = ControlsByWindow();
  auto it = map.find(wnd);
  return it == map.end() ? nullptr : it->second;
}

}  // namespace ordvane

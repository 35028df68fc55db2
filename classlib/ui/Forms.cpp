#include "classlib/ui/Forms.h"

#include <algorithm>
#include <functional>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/ScreenCursor.h"
#include "classlib/ui/Cursors.h"
#include "classlib/ui/Dialogs.h"
#include "classlib/ui/WindowData.h"

namespace ordvane {

namespace {

// Exists before main, like the application. Only a lack of memory can fail its
// construction, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
TScreen gScreen(nullptr);

// The screen's cursor is the one that headless code shows through the core's hook.
// NOLINTNEXTLINE(cert-err58-cpp)
const TScreenCursorHook gDefaultCursorHook = SetScreenCursorHook(
    {[] { return gScreen.Cursor(); }, [](TCursor cursor) { gScreen.SetCursor(cursor); }});

// A failure that reaches the application shows in a box where windows show.
const bool gExceptionBoxRegistered = (RegisterExceptionBox(&ShowExceptionBox), true);

// Counts focus changes, so that a focus message's sender can tell whether the focus moved
// elsewhere while the message was handled.
int gFocusCount = 0;

// Where the next form with a default position goes: cascading from the work area's
// corner.
int gDefaultPlacements = 0;

constexpr const char* kCannotFocus = "Cannot focus a disabled or invisible window";

// The top-level windows of the program that a modal form disables, and gives back.
std::vector<HWND> DisableTaskWindows(HWND modal) {
  std::vector<HWND> disabled;
  const std::vector<HWND> tops = windata::TopLevels();
  for (HWND top : tops)
    if (top != modal && IsWindowVisible(top) && IsWindowEnabled(top)) {
      EnableWindow(top, false);
      disabled.push_back(top);
    }
  return disabled;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND wnd : windows)
    if (IsWindow(wnd)) EnableWindow(wnd, true);
}

}  // namespace

TScreen* Screen = &gScreen;

// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  // The screen's metrics are the display's from the first form on.
  Application->OpenDisplay();
  fControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetVisible(false);
  SetParentColor(false);
  SetParentFont(false);
  SetParentShowHint(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 320, 240);
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  Destroying();
  DestroyHandle();
  Screen->RemoveForm(this);
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style &= ~(WS_CHILD | WS_TABSTOP);
  params.WndParent = 0;
  const UINT menu = fBorderIcons.Contains(biSystemMenu) ? WS_SYSMENU : 0;
  UINT boxes = 0;
  if (menu != 0 && fBorderIcons.Contains(biMinimize)) boxes |= WS_MINIMIZEBOX;
  if (menu != 0 && fBorderIcons.Contains(biMaximize)) boxes |= WS_MAXIMIZEBOX;
  switch (fBorderStyle) {
    case bsNone:
      params.Style |= WS_POPUP;
      break;
    case bsSingle:
      params.Style |= WS_CAPTION | menu | boxes;
      break;
    case bsSizeable:
      params.Style |= WS_CAPTION | WS_THICKFRAME | menu | boxes;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | menu;
      params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      params.Style |= WS_CAPTION | menu;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME | menu;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (fFormStyle == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (fFormStyle == value) return;
  fFormStyle = value;
  if (HandleAllocated())
    SetWindowPos(WindowHandle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

namespace {

int ShowCommandOf(TWindowState state) {
  switch (state) {
    case wsMinimized:
      return SW_SHOWMINIMIZED;
    case wsMaximized:
      return SW_SHOWMAXIMIZED;
    default:
      return SW_SHOWNORMAL;
  }
}

}  // namespace

void TCustomForm::SetWindowState(TWindowState value) {
  fWindowState = value;
  if (!HandleAllocated()) return;  // a new window takes it when shown
  const HWND wnd = WindowHandle();
  if (IsIconic(wnd) && IsWindowVisible(wnd) && value != wsMinimized) {
    ShowWindow(wnd, ShowCommandOf(value));  // back to the front, as from the task bar
    return;
  }
  WINDOWPLACEMENT placement;
  GetWindowPlacement(wnd, placement);
  placement.showCmd = ShowCommandOf(value);
  SetWindowPlacement(wnd, placement);
}

// While the form is hidden, its state is what it is to be shown with.
void TCustomForm::FollowWindowState(WPARAM sizeKind) {
  if (!IsWindowVisible(WindowHandle())) return;
  if (sizeKind == SIZE_MINIMIZED)
    fWindowState = wsMinimized;
  else if (sizeKind == SIZE_MAXIMIZED)
    fWindowState = wsMaximized;
  else if (sizeKind == SIZE_RESTORED)
    fWindowState = wsNormal;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (fBorderStyle == value) return;
  fBorderStyle = value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  if (fBorderIcons == value) return;
  fBorderIcons = value;
  RecreateWnd();
}

void TCustomForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_ACTIVATE:
      SetActive(LOWORD(message.WParam) != WA_INACTIVE);
      break;
    case WM_CLOSE:
      Close();
      break;
    case CM_ACTIVATE:
      Activate();
      break;
    case CM_DEACTIVATE:
      Deactivate();
      break;
    case CM_DIALOGKEY:
      CMDialogKey(message);
      break;
    case CM_SHOWINGCHANGED:
      CMShowingChanged(message);
      break;
    case CM_RELEASE:
      delete this;
      break;
    case WM_SIZE:
      FollowWindowState(message.WParam);
      TWinControl::Dispatch(message);
      break;
    default:
      TWinControl::Dispatch(message);
  }
}

void TCustomForm::SetActive(bool value) {
  fActive = value;
  if (!value) return;
  if (!fActiveControl) fActiveControl = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* target = fActiveControl ? fActiveControl : this;
  TDestroyWatch watch(target);
  const HWND wnd = target->Handle();
  ordvane::SetFocus(wnd);
  // The form itself passes the focus on to its first control; a control that takes the
  // focus back keeps it, rather than handing it to a child (a grid's hidden editor).
  if (!watch.Gone() && target == this && GetFocus() == wnd) SelectFirst();
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (fActiveControl == control) return;
  if (control && !(control != this && GetParentForm(control) == this &&
                   (ComponentState().Contains(csLoading) || control->CanFocus())))
    throw EInvalidOperation(kCannotFocus);
  fActiveControl = control;
  if (!ComponentState().Contains(csLoading) && fActive) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
  const bool wasActive = fActive;
  TDestroyWatch watch(this);
  SetActiveControl(control);
  if (!wasActive && !watch.Gone()) SetFocus();
}

void TCustomForm::SetFocus() {
  if (fActive) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation(kCannotFocus);
  SetWindowFocus();
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(fFocusedControl)) fFocusedControl = control->Parent();
  if (removing && control->ContainsControl(Screen->fActiveControl)) Screen->fActiveControl = nullptr;
  if (control->ContainsControl(fActiveControl)) SetActiveControl(nullptr);
}

bool TCustomForm::SendFocusMessage(TWinControl* control, UINT msg) {
  const int count = gFocusCount;
  TDestroyWatch watch(this);
  control->Perform(msg, 0, 0);
  return !watch.Gone() && gFocusCount == count;
}

bool TCustomForm::ExitControl(TWinControl* control, TWinControl* leaving, TWinControl* leavingActive) {
  const int count = gFocusCount;
  TDestroyWatch watch(this);
  TDestroyWatch leavingWatch(leaving);
  try {
    control->Perform(CM_EXIT, 0, 0);
  } catch (...) {
    // The control refused to be left: the focus stays where it was.
    if (!watch.Gone() && !leavingWatch.Gone()) {
      fFocusedControl = leaving;
      fActiveControl = leavingActive;
      Screen->fActiveControl = leaving;
      if (leaving->HandleAllocated()) ordvane::SetFocus(leaving->WindowHandle());
    }
    throw;
  }
  return !watch.Gone() && gFocusCount == count;
}

namespace {

// The first visible control inside `container` (depth first) that `offer` takes.
bool OfferToControls(const TWinControl& container, const std::function<bool(TControl&)>& offer) {
  for (int i = 0; i < container.ControlCount(); ++i) {
    TControl* control = container.Controls(i);
    if (!control->Visible()) continue;
    if (offer(*control)) return true;
    const auto* inner = dynamic_cast<const TWinControl*>(control);
    if (inner != nullptr && OfferToControls(*inner, offer)) return true;
  }
  return false;
}

// The focus chain, the form and then its controls, until one takes the action.
bool OfferAction(TCustomForm& form, const std::function<bool(TControl&)>& offer) {
  for (TWinControl* control = form.ActiveControl(); control != nullptr && control != &form;
       control = control->Parent())
    if (offer(*control)) return true;
  return offer(form) || OfferToControls(form, offer);
}

}  // namespace

bool TCustomForm::ExecuteAction(TBasicAction* action) {
  return OfferAction(*this, [this, action](TControl& control) {
    return &control == this ? TWinControl::ExecuteAction(action) : control.ExecuteAction(action);
  });
}

bool TCustomForm::UpdateAction(TBasicAction* action) {
  return OfferAction(*this, [this, action](TControl& control) {
    return &control == this ? TWinControl::UpdateAction(action) : control.UpdateAction(action);
  });
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (ComponentState().Contains(csDestroying)) return false;
  ++gFocusCount;
  TWinControl* const previousActive = fActiveControl;
  fActiveControl = control != this ? control : nullptr;
  Screen->fActiveControl = control;
  Screen->fActiveCustomForm = this;
  Screen->AddForm(this);
  if (control->ControlState().Contains(csFocusing)) return false;
  TControlStateScope focusing(control, csFocusing);
  TDestroyWatch watch(this);
  if (Screen->fFocusedForm != this) {
    if (TCustomForm* old = Screen->fFocusedForm) {
      Screen->fFocusedForm = nullptr;
      if (!SendFocusMessage(old, CM_DEACTIVATE)) return false;
    }
    Screen->fFocusedForm = this;
    if (!SendFocusMessage(this, CM_ACTIVATE)) return false;
  }
  if (!fFocusedControl) fFocusedControl = this;
  if (fFocusedControl != control) {
    TWinControl* const leaving = fFocusedControl;
    while (fFocusedControl && !fFocusedControl->ContainsControl(control)) {
      TWinControl* exiting = fFocusedControl;
      fFocusedControl = exiting->Parent();
      if (!ExitControl(exiting, leaving, previousActive)) return false;
    }
    while (fFocusedControl != control) {
      TWinControl* entering = control;
      while (entering->Parent() != fFocusedControl) entering = entering->Parent();
      fFocusedControl = entering;
      if (!SendFocusMessage(entering, CM_ENTER)) return false;
    }
  }
  return !watch.Gone();
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) BringWindowToTop(WindowHandle());
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || fFormState.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  fFormState.Include(fsModal);
  const HWND activeBefore = GetActiveWindow();
  const std::vector<HWND> disabled = DisableTaskWindows(Handle());
  TDestroyWatch watch(this);
  TModalResult result = mrCancel;
  try {
    Show();
    fModalResult = mrNone;
    while (!watch.Gone()) {
      Application->HandleMessage();
      if (watch.Gone()) break;
      // A modal form that was hidden, or an application that is ending, ends the loop:
      // otherwise the program would wait with every other window disabled.
      if (Application->Terminated() || !Visible())
        fModalResult = mrCancel;
      else if (fModalResult != mrNone)
        CloseModal();
      if (!watch.Gone() && fModalResult != mrNone) {
        result = fModalResult;
        break;
      }
    }
  } catch (...) {
    EnableTaskWindows(disabled);
    if (!watch.Gone()) {
      fFormState.Exclude(fsModal);
      Hide();
    }
    throw;
  }
  EnableTaskWindows(disabled);
  if (!watch.Gone()) {
    Hide();
    fFormState.Exclude(fsModal);
  }
  if (activeBefore != 0 && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
  return result;
}

void TCustomForm::CloseModal() {
  TDestroyWatch watch(this);
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      if (watch.Gone()) return;
      action = caHide;
      DoClose(action);
    }
    if (watch.Gone()) return;
    if (action == caNone)
      fModalResult = mrNone;
    else if (action == caFree)
      Release();
  } catch (...) {
    if (!watch.Gone()) fModalResult = mrNone;
    Application->HandleException(watch.Gone() ? nullptr : this);
  }
}

void TCustomForm::Close() {
  if (fFormState.Contains(fsModal)) {
    fModalResult = mrCancel;
    return;
  }
  TDestroyWatch watch(this);
  if (!CloseQuery() || watch.Gone()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (watch.Gone()) return;
  if (action != caNone && Application->MainForm() == this && Application->Running()) {
    Application->Terminate();
    return;
  }
  if (action == caHide)
    Hide();
  else if (action == caFree)
    Release();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  FireEvent(OnCloseQuery, this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  FireEvent(OnClose, this, action);
}

void TCustomForm::Release() {
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::DoShow() {
  FireEvent(OnShow, this);
}

void TCustomForm::DoHide() {
  FireEvent(OnHide, this);
}

void TCustomForm::Activate() {
  FireEvent(OnActivate, this);
}

void TCustomForm::Deactivate() {
  FireEvent(OnDeactivate, this);
}

void TCustomForm::SendCancelMode(TControl* sender) {
  if (fActive && fActiveControl) fActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

void TCustomForm::MouseWheelHandler(TMessage& message) {
  if (fFocusedControl && fFocusedControl != this)
    message.Result = fFocusedControl->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
  else
    message.Result = Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

void TCustomForm::CMDialogKey(TMessage& message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (message.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(fActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (fActiveControl) {
          if (TWinControl* parent = fActiveControl->Parent())
            parent->SelectNext(fActiveControl, message.WParam == VK_RIGHT || message.WParam == VK_DOWN,
                               false);
          message.Result = 1;
        }
        return;
      default:
        break;
    }
  }
  TWinControl::Dispatch(message);
}

void TCustomForm::ApplyPosition() {
  TRect area = Screen->WorkAreaRect();
  int left = Left();
  int top = Top();
  auto centreOn = [&](const TRect& r) {
    left = r.left + (r.Width() - Width()) / 2;
    top = r.top + (r.Height() - Height()) / 2;
  };
  switch (fPosition) {
    case poScreenCenter:
      centreOn(Rect(0, 0, Screen->Width(), Screen->Height()));
      break;
    case poDesktopCenter:
      centreOn(Screen->DesktopRect());
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* over =
          fPosition == poMainFormCenter ? Application->MainForm() : dynamic_cast<TCustomForm*>(Owner());
      centreOn(over && over != this ? over->BoundsRect() : Rect(0, 0, Screen->Width(), Screen->Height()));
      break;
    }
    case poDefault:
    case poDefaultPosOnly:
      if (fPositioned) return;
      {
        const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
        const int slot = gDefaultPlacements++ % 8;
        left = area.left + slot * step;
        top = area.top + slot * step;
      }
      break;
    default:
      return;
  }
  if (fPosition != poDefault && fPosition != poDefaultPosOnly) {
    left = std::max(left, area.left);
    top = std::max(top, area.top);
  }
  fPositioned = true;
  SetBounds(left, top, Width(), Height());
}

void TCustomForm::CMShowingChanged(TMessage& /*message*/) {
  TDestroyWatch watch(this);
  if (Showing()) {
    DoShow();
    if (watch.Gone()) return;
    ApplyPosition();
    ShowWindow(WindowHandle(), ShowCommandOf(fWindowState));
  } else {
    DoHide();
    if (watch.Gone()) return;
    ShowWindow(WindowHandle(), SW_HIDE);
  }
}

// TForm

TForm::TForm(TComponent* owner) : TCustomForm(owner) {
  // A form that another form owns is one of its dialogs.
  if (!Application->MainForm() && !dynamic_cast<TCustomForm*>(owner)) Application->SetMainForm(this);
}

// TMonitor

TRect TMonitor::BoundsRect() const {
  MONITORINFO info;
  return GetMonitorInfo(fHandle, info) ? info.rcMonitor : TRect{};
}

TRect TMonitor::WorkareaRect() const {
  MONITORINFO info;
  return GetMonitorInfo(fHandle, info) ? info.rcWork : TRect{};
}

// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner), fHintFont(std::make_unique<TFont>()) {
  fHintFont->SetColor(clInfoText);
}

TScreen::~TScreen() = default;

// The screen is the display's as soon as anything asks about it.
int TScreen::Width() const {
  Application->OpenDisplay();
  return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
  Application->OpenDisplay();
  return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::DesktopRect() const {
  Application->OpenDisplay();
  return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TRect TScreen::WorkAreaRect() const {
  Application->OpenDisplay();
  TRect area;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

int TScreen::MonitorCount() const {
  Application->OpenDisplay();
  return ordvane::MonitorCount();
}

TMonitor* TScreen::Monitors(int index) const {
  const int count = MonitorCount();
  if (index < 0 || index >= count)
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (static_cast<int>(fMonitors.size()) != count) {
    fMonitors.clear();
    for (int i = 0; i < count; ++i)
      fMonitors.push_back(std::make_unique<TMonitor>(static_cast<HMONITOR>(i + 1)));
  }
  return fMonitors[static_cast<std::size_t>(index)].get();
}

TMonitor* TScreen::MonitorFromPoint(TPoint point) const {
  return Monitors(static_cast<int>(ordvane::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)) - 1);
}

TMonitor* TScreen::MonitorFromRect(const TRect& rect) const {
  return Monitors(static_cast<int>(ordvane::MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST)) - 1);
}

TMonitor* TScreen::MonitorFromWindow(HWND wnd) const {
  return Monitors(static_cast<int>(ordvane::MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST)) - 1);
}

void TScreen::SetCursor(TCursor value) {
  if (fCursor == value) return;
  fCursor = value;
  if (value != crDefault) {
    ordvane::SetCursor(Cursors(value));
    return;
  }
  // Back to the controls' own cursors: the window under the pointer chooses again.
  TPoint pos;
  GetCursorPos(pos);
  if (HWND wnd = WindowFromPoint(pos)) {
    const LRESULT hit = SendMessage(wnd, WM_NCHITTEST, 0, MAKELPARAM(pos.x, pos.y));
    SendMessage(wnd, WM_SETCURSOR, wnd, MAKELPARAM(static_cast<int>(hit), static_cast<int>(WM_MOUSEMOVE)));
  }
}

HCURSOR TScreen::Cursors(TCursor cursor) const {
  auto it = fCursors.find(cursor);
  if (it != fCursors.end()) return it->second;
  HCURSOR handle = LoadStandardCursor(cursor);
  fCursors[cursor] = handle;
  return handle;
}

void TScreen::SetCursors(TCursor cursor, HCURSOR handle) {
  if (handle == 0)
    fCursors.erase(cursor);
  else
    fCursors[cursor] = handle;
}

TCustomForm* TScreen::CustomForms(int index) const {
  if (index < 0 || index >= CustomFormCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return fForms[static_cast<std::size_t>(index)];
}

int TScreen::FormCount() const {
  return static_cast<int>(
      std::count_if(fForms.begin(), fForms.end(), [](TCustomForm* f) { return dynamic_cast<TForm*>(f); }));
}

TForm* TScreen::Forms(int index) const {
  int i = 0;
  for (TCustomForm* f : fForms)
    if (auto* form = dynamic_cast<TForm*>(f); form && i++ == index) return form;
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TScreen::AddForm(TCustomForm* form) {
  std::erase(fForms, form);
  fForms.insert(fForms.begin(), form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(fForms, form);
  if (fActiveCustomForm == form) fActiveCustomForm = nullptr;
  if (fFocusedForm == form) fFocusedForm = nullptr;
  if (fActiveControl && GetParentForm(fActiveControl) == form) fActiveControl = nullptr;
}

}  // namespace ordvane

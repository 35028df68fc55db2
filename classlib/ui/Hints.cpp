#include "classlib/ui/Hints.h"

#include <algorithm>

#include "classlib/core/Application.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

namespace {

constexpr UINT_PTR kHintTimer = 1;
// How far below the pointer's hot spot a hint starts.
constexpr int kCursorHeightMargin = 20;

enum class TTimerMode { None, Show, Hide };

struct HintState {
  TControl* control = nullptr;  // the control whose hint is pending or showing
  bool active = false;          // a hint shows
  TRect cursorRect;             // screen coordinates
  THintWindow* window = nullptr;
  THintWindowClass windowClass = nullptr;
  TTimerMode mode = TTimerMode::None;
  HWND timerWindow = 0;
};

void OnTimer(TMessage& message);

// The state lives as long as the process, so that no hint window outlives the window
// layer at exit.
HintState& HintsState() {
  static HintState* state = [] {
    auto* s = new HintState;
    s->timerWindow = AllocateHWnd(&OnTimer);
    return s;
  }();
  return *state;
}

void StopTimer() {
  HintState& s = HintsState();
  KillTimer(s.timerWindow, kHintTimer);
  s.mode = TTimerMode::None;
}

void StartTimer(int milliseconds, TTimerMode mode) {
  HintState& s = HintsState();
  StopTimer();
  s.mode = mode;
  SetTimer(s.timerWindow, kHintTimer, static_cast<UINT>(std::max(milliseconds, 0)));
}

void HideHint() {
  HintState& s = HintsState();
  if (s.window && s.window->HandleAllocated() && IsWindowVisible(s.window->WindowHandle()))
    ShowWindow(s.window->WindowHandle(), SW_HIDE);
  s.active = false;
  StopTimer();
}

TControl* HintControlOf(TControl* control) {
  while (control && !control->ShowHint()) control = control->Parent();
  return control;
}

// Keeps a rectangle of a given size inside the work area of the monitor it starts on.
TRect FitOnMonitor(TRect rect, TPoint cursor) {
  MONITORINFO info;
  GetMonitorInfo(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), info);
  const TRect area = info.rcWork;
  if (rect.right > area.right) OffsetRect(rect, area.right - rect.right, 0);
  if (rect.left < area.left) OffsetRect(rect, area.left - rect.left, 0);
  if (rect.bottom > area.bottom) OffsetRect(rect, 0, cursor.y - rect.Height() - rect.top);
  if (rect.top < area.top) OffsetRect(rect, 0, area.top - rect.top);
  return rect;
}

void ActivateHint(TPoint cursor) {
  HintState& s = HintsState();
  TControl* control = s.control;
  StopTimer();
  if (!control) return;
  THintInfo info;
  info.HintControl = control;
  info.HintWindowClass = &CreateHintWindow<THintWindow>;
  info.HintPos = {cursor.x, cursor.y + kCursorHeightMargin};
  info.HintMaxWidth = Screen->Width();
  info.HintColor = clInfoBk;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(cursor);
  info.HideTimeout = Application->HintHidePause();
  info.HintStr = GetShortHint(control->Hint());
  TDestroyWatch watch(control);
  const bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (watch.Gone() || s.control != control) return;
  s.active = canShow && !info.HintStr.empty() && info.HintWindowClass;
  if (!s.active) {
    HideHint();
    return;
  }
  TPoint topLeft = control->ClientToScreen(info.CursorRect.TopLeft());
  s.cursorRect = Bounds(topLeft.x, topLeft.y, info.CursorRect.Width(), info.CursorRect.Height());
  if (!s.window || s.windowClass != info.HintWindowClass) {
    if (s.window) HideHint();
    delete s.window;
    s.window = info.HintWindowClass(nullptr);
    s.windowClass = info.HintWindowClass;
  }
  TRect rect = s.window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  OffsetRect(rect, info.HintPos.x, info.HintPos.y);
  s.window->SetColor(info.HintColor);
  s.window->ActivateHintData(FitOnMonitor(rect, cursor), info.HintStr, info.HintData);
  s.active = true;
  if (info.ReshowTimeout > 0)
    StartTimer(info.ReshowTimeout, TTimerMode::Show);
  else
    StartTimer(info.HideTimeout, TTimerMode::Hide);
}

void OnTimer(TMessage& message) {
  if (message.Msg != WM_TIMER) return;
  HintState& s = HintsState();
  const TTimerMode mode = s.mode;
  StopTimer();
  try {
    if (mode == TTimerMode::Show) {
      TPoint cursor;
      GetCursorPos(cursor);
      ActivateHint(cursor);
    } else if (mode == TTimerMode::Hide) {
      HideHint();
    }
  } catch (...) {
    Application->HandleException(nullptr);
  }
}

}  // namespace

AnsiString GetShortHint(const AnsiString& hint) {
  return hint.substr(0, hint.find('|'));
}

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  SetFont(*Screen->HintFont());
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClassStyle |= CS_SAVEBITS;
  params.WndParent = 0;
}

void THintWindow::Dispatch(TMessage& message) {
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(message);
}

void THintWindow::ActivateHint(const TRect& rect, const AnsiString& hint) {
  ActivateHintData(rect, hint, nullptr);
}

void THintWindow::ActivateHintData(const TRect& rect, const AnsiString& hint, void* /*data*/) {
  SetCaption(hint);
  const HWND wnd = Handle();
  SetWindowPos(wnd, HWND_TOPMOST, rect.left, rect.top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

TRect THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint, void* /*data*/) {
  HandleNeeded();
  TRect r = Rect(0, 0, maxWidth, 0);
  TCanvas* canvas = Canvas();
  canvas->SetFont(*Font());
  DrawText(canvas->Handle(), hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  // The border of the window around the text.
  r.right += 2 * GetSystemMetrics(SM_CXBORDER);
  r.bottom += 2 * GetSystemMetrics(SM_CYBORDER);
  return r;
}

void THintWindow::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  r.left += 2;
  r.top += 2;
  canvas->SetFont(*Font());
  canvas->Brush()->SetStyle(bsClear);
  DrawText(canvas->Handle(), Caption(), r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void HintMouseMessage(TControl* control, const TMessage& message) {
  if (!Application->ShowHint()) {
    CancelHint();
    return;
  }
  HintState& s = HintsState();
  const TPoint cursor = control->ClientToScreen(PointFromLParam(message.LParam));
  TControl* target = HintControlOf(FindDragTarget(cursor, true));
  if (!target) {
    CancelHint();
    return;
  }
  if (target == s.control && PtInRect(s.cursorRect, cursor)) return;
  int pause = s.active ? Application->HintShortPause() : Application->HintPause();
  TDestroyWatch watch(target);
  target->Perform(CM_HINTSHOWPAUSE, s.active ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  if (watch.Gone()) return;
  s.control = target;
  s.cursorRect = {};
  if (pause <= 0)
    ActivateHint(cursor);
  else
    StartTimer(pause, TTimerMode::Show);
}

void HintsSeeMessage(const TMsg& msg) {
  const UINT m = msg.message;
  const bool cancels = (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m > WM_MOUSEMOVE && m <= WM_MOUSELAST) ||
                       m == WM_NCMOUSEMOVE || (m >= WM_NCLBUTTONDOWN && m <= WM_NCMBUTTONDBLCLK) ||
                       m == WM_COMMAND || m == CM_ACTIVATE || m == CM_DEACTIVATE;
  if (cancels && HintsState().control) CancelHint();
}

void HintControlDestroyed(TControl* control) {
  HintState& s = HintsState();
  if (s.control != control) return;
  s.control = nullptr;
  HideHint();
}

void CancelHint() {
  HintState& s = HintsState();
  if (!s.control && !s.active) return;
  HideHint();
  s.control = nullptr;
}

THintWindow* ShownHintWindow() {
  HintState& s = HintsState();
  return (s.active && s.window && s.window->HandleAllocated() && IsWindowVisible(s.window->WindowHandle()))
             ? s.window
             : nullptr;
}

}  // namespace ordvane

#pragma once
// Helpers shared by the window and control tests: plain windows that log the messages
// they get (by name, so a failing order reads well), and a custom control that does the
// same.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"

namespace ordvane::test {

inline std::string MessageName(UINT msg) {
  static const std::map<UINT, std::string> names = {
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_CANCELMODE, "WM_CANCELMODE"},
      {WM_SETCURSOR, "WM_SETCURSOR"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCHITTEST, "WM_NCHITTEST"},
      {WM_NCPAINT, "WM_NCPAINT"},
      {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_GETDLGCODE, "WM_GETDLGCODE"},
      {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
      {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"},
      {WM_NCLBUTTONDBLCLK, "WM_NCLBUTTONDBLCLK"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_IME_STARTCOMPOSITION, "WM_IME_STARTCOMPOSITION"},
      {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
      {WM_SYSKEYUP, "WM_SYSKEYUP"},
      {WM_SYSCHAR, "WM_SYSCHAR"},
      {WM_TIMER, "WM_TIMER"},
      {WM_HSCROLL, "WM_HSCROLL"},
      {WM_VSCROLL, "WM_VSCROLL"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
      {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {CM_CANCELMODE, "CM_CANCELMODE"},
      {CM_DIALOGKEY, "CM_DIALOGKEY"},
      {CM_DIALOGCHAR, "CM_DIALOGCHAR"},
      {CM_ENTER, "CM_ENTER"},
      {CM_EXIT, "CM_EXIT"},
      {CM_MOUSEENTER, "CM_MOUSEENTER"},
      {CM_MOUSELEAVE, "CM_MOUSELEAVE"},
      {CM_WANTSPECIALKEY, "CM_WANTSPECIALKEY"},
      {CM_MOUSEWHEEL, "CM_MOUSEWHEEL"},
      {CM_ACTIVATE, "CM_ACTIVATE"},
      {CM_DEACTIVATE, "CM_DEACTIVATE"},
      {CM_SYSCOLORCHANGE, "CM_SYSCOLORCHANGE"},
      {CN_KEYDOWN, "CN_KEYDOWN"},
      {CN_KEYUP, "CN_KEYUP"},
      {CN_CHAR, "CN_CHAR"},
  };
  auto it = names.find(msg);
  return it != names.end() ? it->second : "message " + std::to_string(msg);
}

// A message log shared by several windows: "<window name> <message name>" per line.
using MessageLog = std::vector<std::string>;

// A plain window of the window layer whose procedure logs the messages it is interested
// in, lets a test handle any message first, and passes the rest to DefWindowProc.
class RawWindow {
 public:
  RawWindow(const std::string& name, MessageLog& log, TWindowCreateParams params,
            std::vector<UINT> logged = {})
      : fName(name), fLog(log), fLogged(std::move(logged)) {
    CreateWindowEx(
        params, [this](TMessage& m) { Handle(m); }, [this](HWND wnd) { fHandle = wnd; });
  }
  // The handler may refer to what the test declared after the window: it is dropped first.
  ~RawWindow() {
    handler = nullptr;
    if (IsWindow(fHandle)) DestroyWindow(fHandle);
  }
  RawWindow(const RawWindow&) = delete;
  RawWindow& operator=(const RawWindow&) = delete;

  HWND Wnd() const { return fHandle; }
  // Returns true when it handled the message (the result set).
  std::function<bool(TMessage&)> handler;

 private:
  void Handle(TMessage& m) {
    if (fLogged.empty() || std::find(fLogged.begin(), fLogged.end(), m.Msg) != fLogged.end())
      fLog.push_back(fName + " " + MessageName(m.Msg));
    if (handler && handler(m)) return;
    m.Result = DefWindowProc(fHandle, m.Msg, m.WParam, m.LParam);
  }

  std::string fName;
  MessageLog& fLog;
  std::vector<UINT> fLogged;
  HWND fHandle = 0;
};

inline TWindowCreateParams TopLevel(int x, int y, int width, int height, UINT style = WS_POPUP | WS_VISIBLE,
                                    UINT classStyle = CS_DBLCLKS) {
  TWindowCreateParams p;
  p.style = style;
  p.classStyle = classStyle;
  p.x = x;
  p.y = y;
  p.width = width;
  p.height = height;
  return p;
}

inline TWindowCreateParams Child(HWND parent, int x, int y, int width, int height,
                                 UINT style = WS_CHILD | WS_VISIBLE, UINT classStyle = CS_DBLCLKS) {
  TWindowCreateParams p = TopLevel(x, y, width, height, style, classStyle);
  p.parent = parent;
  return p;
}

}  // namespace ordvane::test

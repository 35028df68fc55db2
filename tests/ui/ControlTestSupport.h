#pragma once
// Test controls: a windowed control whose dialog codes and special-key answers a test
// sets, that logs the control messages it gets and paints itself in one colour; and a
// windowless one.

#include <functional>
#include <string>
#include <vector>

#include "classlib/ui/Forms.h"
#include "tests/ui/WindowTestSupport.h"

namespace ordvane::test {

class TProbe : public TCustomControl {
 public:
  TProbe(TComponent* owner, TWinControl* parent, const TRect& bounds, MessageLog* log = nullptr,
         const std::string& name = "probe")
      : TCustomControl(owner), fLog(log), fName(name) {
    SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    SetTabStop(true);
    SetParent(parent);
  }

  LRESULT dialogCode = 0;
  std::function<bool(WPARAM key)> wantsSpecialKey;
  std::function<bool(WPARAM key)> handlesDialogKey;
  std::vector<UINT> logged = {CM_ENTER, CM_EXIT, CM_CANCELMODE, WM_CANCELMODE, CM_MOUSEENTER, CM_MOUSELEAVE};
  TColor paintColor = clWhite;
  int paints = 0;

  void Dispatch(TMessage& m) override {
    if (fLog && std::find(logged.begin(), logged.end(), m.Msg) != logged.end()) {
      std::string line = fName + " " + MessageName(m.Msg);
      if ((m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) && m.LParam)
        line += " of " + reinterpret_cast<TProbe*>(m.LParam)->fName;
      fLog->push_back(line);
    }
    switch (m.Msg) {
      case WM_GETDLGCODE:
        m.Result = dialogCode;
        return;
      case CM_WANTSPECIALKEY:
        if (wantsSpecialKey && wantsSpecialKey(m.WParam)) {
          m.Result = 1;
          return;
        }
        break;
      case CM_DIALOGKEY:
        if (handlesDialogKey && handlesDialogKey(m.WParam)) {
          m.Result = 1;
          return;
        }
        break;
      default:
        break;
    }
    TCustomControl::Dispatch(m);
  }

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(paintColor);
    Canvas()->FillRect(ClientRect());
  }

 private:
  MessageLog* fLog;
  std::string fName;
};

class TDot : public TGraphicControl {
 public:
  TDot(TComponent* owner, TWinControl* parent, const TRect& bounds) : TGraphicControl(owner) {
    SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    SetParent(parent);
  }
  TColor paintColor = clBlue;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(paintColor);
    Canvas()->FillRect(ClientRect());
  }
};

// A form on the screen with its top-left client pixel at a known place.
inline TForm* NewForm(const TRect& bounds) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
  return form;
}

// Counts the exceptions the message loop reports, for the life of the object.
class ReportedErrors {
 public:
  ReportedErrors() {
    Application->OnException = [this](TObject*, Exception& e) { messages.push_back(e.Message()); };
  }
  ~ReportedErrors() { Application->OnException = nullptr; }
  ReportedErrors(const ReportedErrors&) = delete;
  ReportedErrors& operator=(const ReportedErrors&) = delete;
  std::vector<std::string> messages;
};

}  // namespace ordvane::test

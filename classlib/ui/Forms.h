#pragma once
// Forms and the screen. A form is a top-level windowed control: it keeps the control
// that has (or gets) the focus within it, moves the focus with Tab and the arrow keys,
// shows itself modelessly or modally, and closes by asking OnCloseQuery and OnClose.
// The screen knows the forms, the active one, the monitors and the cursors.

#include <map>
#include <memory>
#include <vector>

#include "classlib/ui/Controls.h"

namespace ordvane {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
// A form that stays on top lies above every form that does not, active or not.
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
// A maximized form fills its monitor's work area and keeps its bounds to go back to; a
// minimized one shows only on the desktop's task bar. While the form is shown, its state
// follows what happens to its window (the desktop minimizing or restoring it included).
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// The buttons of the title bar. The minimize and maximize boxes need the system menu, and
// only the single and sizeable borders offer them.
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

using TCloseEvent = TEvent<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = TEvent<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TWinControl {
  ORDVANE_CLASS(TCustomForm, TWinControl)
  friend class TWinControl;

 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // The control that has the focus while the form is active. Setting a control that is
  // not on this form or cannot take the focus raises EInvalidOperation "Cannot focus a
  // disabled or invisible window".
  TWinControl* ActiveControl() const { return fActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Moves the form's focused control to `control`: CM_EXIT goes to the controls it leaves
  // (innermost first), CM_ENTER to the ones it enters (outermost first), CM_DEACTIVATE /
  // CM_ACTIVATE to the forms when the focused form changes. Answers false when the focus
  // moved elsewhere meanwhile (a handler set it), so that the caller stops. When a
  // control's exit raises, the focus stays with the control that was to be left, and the
  // exception goes on.
  bool SetFocusedControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  // An action looks for its target here: the active control and its parents first (an
  // editor inside a grid belongs to the grid), then the form, then the visible controls
  // depth first. The first that takes it ends the search.
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  // A control that goes (removing) or can no longer take the focus gives it up.
  void DefocusControl(TWinControl* control, bool removing);
  bool Active() const { return fActive; }

  TPosition Position() const { return fPosition; }
  void SetPosition(TPosition value) { fPosition = value; }
  TFormBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return fBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TFormStyle FormStyle() const { return fFormStyle; }
  void SetFormStyle(TFormStyle value);
  bool KeyPreview() const { return fKeyPreview; }
  void SetKeyPreview(bool value) { fKeyPreview = value; }
  TModalResult ModalResult() const { return fModalResult; }
  void SetModalResult(TModalResult value) { fModalResult = value; }
  TFormState FormState() const { return fFormState; }
  TWindowState WindowState() const { return fWindowState; }
  void SetWindowState(TWindowState value);

  void Show();
  // Shows the form and runs the message loop until ModalResult is set (or the form is
  // closed, hidden or destroyed, or the application ends: mrCancel); the other windows of
  // the program are disabled meanwhile. Raises EInvalidOperation "Cannot make a visible
  // window modal" for a visible form.
  TModalResult ShowModal();
  // Closes the form: a modal form ends its loop with mrCancel; otherwise OnCloseQuery may
  // refuse, OnClose chooses the action (hide by default; caFree releases the form). The
  // main form closing while the application runs its loop ends that loop instead (unless
  // OnClose says caNone).
  void Close();
  bool CloseQuery();
  // Destroys the form once the messages waiting now are handled.
  void Release();

  void SetFocus() override;
  // Tells the active control that the user pressed a mouse button on `sender`.
  void SendCancelMode(TControl* sender);
  void Dispatch(TMessage& message) override;

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

 protected:
  void CreateParams(TCreateParams& params) override;
  void MouseWheelHandler(TMessage& message) override;
  virtual void DoClose(TCloseAction& action);
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();

 private:
  void SetActive(bool value);
  void FollowWindowState(WPARAM sizeKind);
  void SetWindowFocus();
  void CloseModal();
  void ApplyPosition();
  bool SendFocusMessage(TWinControl* control, UINT msg);
  bool ExitControl(TWinControl* control, TWinControl* leaving, TWinControl* leavingActive);
  void CMDialogKey(TMessage& message);
  void CMShowingChanged(TMessage& message);

  TWinControl* fActiveControl = nullptr;
  TWinControl* fFocusedControl = nullptr;
  bool fActive = false;
  TPosition fPosition = poDesigned;
  TFormBorderStyle fBorderStyle = bsSizeable;
  TBorderIcons fBorderIcons{biSystemMenu, biMinimize, biMaximize};
  bool fKeyPreview = false;
  TFormStyle fFormStyle = fsNormal;
  TModalResult fModalResult = mrNone;
  TWindowState fWindowState = wsNormal;
  TFormState fFormState;
  bool fPositioned = false;
};

// The first form a program creates that no other form owns becomes the application's
// main form (Application->MainForm) until it is destroyed.
class TForm : public TCustomForm {
  ORDVANE_CLASS(TForm, TCustomForm)

 public:
  explicit TForm(TComponent* owner);
};

// One monitor, as the host reports it now.
class TMonitor {
 public:
  explicit TMonitor(HMONITOR handle) : fHandle(handle) {}
  HMONITOR Handle() const { return fHandle; }
  int MonitorNum() const { return static_cast<int>(fHandle) - 1; }
  TRect BoundsRect() const;
  TRect WorkareaRect() const;
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }
  bool Primary() const { return fHandle == 1; }

 private:
  HMONITOR fHandle;
};

class TScreen : public TComponent {
  ORDVANE_CLASS(TScreen, TComponent)
  friend class TCustomForm;

 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  int PixelsPerInch() const { return 96; }
  // The primary monitor's size, the whole desktop and the primary work area.
  int Width() const;
  int Height() const;
  TRect DesktopRect() const;
  TRect WorkAreaRect() const;

  int MonitorCount() const;
  // The monitor at an index of the host's list (EListError outside it).
  TMonitor* Monitors(int index) const;
  TMonitor* MonitorFromPoint(TPoint point) const;
  TMonitor* MonitorFromRect(const TRect& rect) const;
  TMonitor* MonitorFromWindow(HWND wnd) const;

  // The cursor that overrides every control's (crDefault: none), and the cursor handles
  // by number (the standard ones unless set).
  TCursor Cursor() const { return fCursor; }
  void SetCursor(TCursor value);
  HCURSOR Cursors(TCursor cursor) const;
  void SetCursors(TCursor cursor, HCURSOR handle);

  TCustomForm* ActiveCustomForm() const { return fActiveCustomForm; }
  TForm* ActiveForm() const { return dynamic_cast<TForm*>(fActiveCustomForm); }
  TWinControl* ActiveControl() const { return fActiveControl; }
  TCustomForm* FocusedForm() const { return fFocusedForm; }
  // The forms, the last focused first.
  int CustomFormCount() const { return static_cast<int>(fForms.size()); }
  TCustomForm* CustomForms(int index) const;
  int FormCount() const;
  TForm* Forms(int index) const;

  TFont* HintFont() const { return fHintFont.get(); }

 private:
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);

  std::vector<TCustomForm*> fForms;
  TCustomForm* fActiveCustomForm = nullptr;
  TCustomForm* fFocusedForm = nullptr;
  TWinControl* fActiveControl = nullptr;
  TCursor fCursor = crDefault;
  mutable std::map<TCursor, HCURSOR> fCursors;
  mutable std::vector<std::unique_ptr<TMonitor>> fMonitors;
  std::unique_ptr<TFont> fHintFont;
};

extern TScreen* Screen;

}  // namespace ordvane

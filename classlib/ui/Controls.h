#pragma once
// Controls: TControl (a rectangle with a look and mouse behaviour, in a parent),
// TGraphicControl (windowless: its parent paints it and passes it the mouse),
// TWinControl (a control with a window handle: children, focus, keyboard, tab order),
// TCustomControl (a windowed control that paints itself on a canvas), and the mouse.
//
// Messages reach a control through Perform (a direct call) or its window (MainWndProc,
// which reports an exception at dispatch through Application->HandleException instead of
// letting it end the loop). WndProc does the class library's routing, then Dispatch picks
// the handler of the message: each class overrides Dispatch, handles its own messages and
// passes the rest to its base's Dispatch, so that a handler calls its base class's
// Dispatch for the inherited handling; what no class handles reaches DefaultHandler (for
// a windowed control: DefWindowProc).
//
// A handler may destroy the control that handles the message (or its form): the code of
// this layer that runs after an event or a message checks that the control still lives
// before it goes on (TDestroyWatch).

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Messages.h"
#include "classlib/ui/ActnList.h"
#include "classlib/ui/Graphics.h"
#include "classlib/ui/InputMethod.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/Resources.h"
#include "classlib/ui/WinInput.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"

namespace ordvane {

class TControl;
class TWinControl;
class TCustomForm;
namespace controls_internal {
class TDragTracker;
}

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The parent's edges a control keeps its distance to as the parent is resized.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

// Bounds on a control's size; 0 is no bound. A change applies to the control at once.
class TSizeConstraints {
 public:
  explicit TSizeConstraints(std::function<void()> onChange) : fOnChange(std::move(onChange)) {}

  int MinWidth() const { return fMinWidth; }
  void SetMinWidth(int value) { Set(fMinWidth, value); }
  int MinHeight() const { return fMinHeight; }
  void SetMinHeight(int value) { Set(fMinHeight, value); }
  int MaxWidth() const { return fMaxWidth; }
  void SetMaxWidth(int value) { Set(fMaxWidth, value); }
  int MaxHeight() const { return fMaxHeight; }
  void SetMaxHeight(int value) { Set(fMaxHeight, value); }
  // The size within the bounds (a maximum below the minimum gives way to it).
  int ConstrainWidth(int width) const { return Constrain(width, fMinWidth, fMaxWidth); }
  int ConstrainHeight(int height) const { return Constrain(height, fMinHeight, fMaxHeight); }

 private:
  void Set(int& field, int value);
  static int Constrain(int size, int minimum, int maximum);

  std::function<void()> fOnChange;
  int fMinWidth = 0;
  int fMinHeight = 0;
  int fMaxWidth = 0;
  int fMaxHeight = 0;
};
// dmAutomatic: a left press on the control starts dragging it instead of pressing it.
enum TDragMode { dmManual, dmAutomatic };
// dkDock drags the control to be docked: the drag starts and ends with the dock events
// instead of the drag events and asks no control to take it, for the window layer has
// no dock sites (a dock manager would be a feature of its own), so nothing docks.
enum TDragKind { dkDrag, dkDock };
// What a drag target is told as the dragged control comes over it, moves, and leaves.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
};
using TControlState = TSet<TControlStateItem>;

// WM_GETDLGCODE answers: which keys a control wants for itself rather than leaving them
// to its form's dialog handling.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

using TMouseEvent = TEvent<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = TEvent<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = TEvent<void(TObject* sender, Word& key, TShiftState shift)>;
using TKeyPressEvent = TEvent<void(TObject* sender, char& key)>;
using TMouseWheelEvent =
    TEvent<void(TObject* sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>;
using TMouseWheelUpDownEvent =
    TEvent<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;
using TContextPopupEvent = TEvent<void(TObject* sender, TPoint mousePos, bool& handled)>;
// Drag events. `source` is the control dragged, `target` the control it was dropped on
// (nullptr when the drag ended without a drop); points are client points of the control
// that fires the event.
using TStartDragEvent = TEvent<void(TObject* sender)>;
using TDragOverEvent =
    TEvent<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = TEvent<void(TObject* sender, TObject* source, int x, int y)>;
using TEndDragEvent = TEvent<void(TObject* sender, TObject* target, int x, int y)>;
using TStartDockEvent = TStartDragEvent;

// The shift state of a mouse message's key flags, of a key message's data (Alt from the
// data, Shift and Ctrl from the key state), and of the keyboard now.
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
TShiftState KeyboardStateToShiftState();

// The point a mouse message carries in lParam.
inline TPoint PointFromLParam(LPARAM lParam) {
  return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}
inline LPARAM PointToLParam(TPoint p) {
  return MAKELPARAM(p.x, p.y);
}

// Tells whether a control was destroyed since the watch began.
class TDestroyWatch {
 public:
  explicit TDestroyWatch(const TControl* control);
  bool Gone() const { return fLife.expired(); }

 private:
  std::weak_ptr<const int> fLife;
};

// Includes a state flag for the life of a scope, unless the control dies meanwhile.
class TControlStateScope {
 public:
  TControlStateScope(TControl* control, TControlStateItem item);
  ~TControlStateScope();
  TControlStateScope(const TControlStateScope&) = delete;
  TControlStateScope& operator=(const TControlStateScope&) = delete;

 private:
  TControl* fControl;
  TDestroyWatch fWatch;
  TControlStateItem fItem;
};

// Fires an event through a copy, so that the handler may destroy the object that holds
// the event while it runs.
template <class Event, class... Args>
void FireEvent(const Event& event, Args&&... args) {
  if (!event) return;
  const Event copy = event;
  copy(std::forward<Args>(args)...);
}

class TControl : public TComponent {
  ORDVANE_CLASS(TControl, TComponent)

 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Calls WndProc directly and answers the message's result; an exception reaches the
  // caller.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  TWinControl* Parent() const { return fParent; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return fLeft; }
  int Top() const { return fTop; }
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  void SetLeft(int value) { SetBounds(value, fTop, fWidth, fHeight); }
  void SetTop(int value) { SetBounds(fLeft, value, fWidth, fHeight); }
  void SetWidth(int value) { SetBounds(fLeft, fTop, value, fHeight); }
  void SetHeight(int value) { SetBounds(fLeft, fTop, fWidth, value); }
  virtual void SetBounds(int left, int top, int width, int height);
  // Scales the control by m/d (ChangeScale): place, size and, unless it follows its
  // parent's font, its font; a windowed control scales its controls too.
  void ScaleBy(int m, int d) { ChangeScale(m, d); }
  TRect BoundsRect() const { return Bounds(fLeft, fTop, fWidth, fHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  // Sets the size so that the client area gets this size.
  void SetClientSize(int width, int height);
  // The screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint point) const;
  TPoint ScreenToClient(TPoint point) const;
  TAlign Align() const { return fAlign; }
  void SetAlign(TAlign value);
  // A control not aligned keeps its distances to the anchored edges of its parent's
  // client area as the parent is resized: anchored on both sides it stretches; on the
  // right (bottom) alone it moves. The distances are taken whenever the control is placed.
  TAnchors Anchors() const { return fAnchors; }
  void SetAnchors(TAnchors value);
  TSizeConstraints& Constraints() { return fConstraints; }

  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return fEnabled; }
  virtual void SetEnabled(bool value);
  TControlStyle ControlStyle() const { return fControlStyle; }
  void SetControlStyle(TControlStyle value) { fControlStyle = value; }
  TControlState ControlState() const { return fControlState; }
  void SetControlState(TControlState value) { fControlState = value; }

  // The font and colour; with ParentFont / ParentColor the parent's, followed as it
  // changes. Changing either (or the font's properties) clears the parent flag.
  TFont* Font() const { return fFont.get(); }
  void SetFont(const TFont& font) { fFont->Assign(&font); }
  bool ParentFont() const { return fParentFont; }
  void SetParentFont(bool value);
  TColor Color() const { return fColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return fParentColor; }
  void SetParentColor(bool value);
  const AnsiString& Caption() const { return fText; }
  virtual void SetCaption(const AnsiString& value);
  const AnsiString& Text() const { return fText; }
  void SetText(const AnsiString& value) { SetCaption(value); }
  const AnsiString& Hint() const { return fHint; }
  void SetHint(const AnsiString& value) { fHint = value; }
  bool ShowHint() const { return fShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return fParentShowHint; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return fCursor; }
  void SetCursor(TCursor value);
  TPopupMenu* PopupMenu() const { return fPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);
  TBiDiMode BiDiMode() const { return fBiDiMode; }
  void SetBiDiMode(TBiDiMode value);
  bool ParentBiDiMode() const { return fParentBiDiMode; }
  void SetParentBiDiMode(bool value);
  // Right-to-left layout follows BiDiMode alone (no locale narrows it).
  bool UseRightToLeftAlignment() const { return fBiDiMode == bdRightToLeft; }
  bool UseRightToLeftReading() const { return fBiDiMode != bdLeftToRight; }
  bool UseRightToLeftScrollBar() const {
    return fBiDiMode == bdRightToLeft || fBiDiMode == bdRightToLeftNoAlign;
  }
  bool IsRightToLeft() const { return fBiDiMode != bdLeftToRight; }

  // Whether the mouse is captured for this control.
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  virtual void Invalidate();
  // Paints what is invalid now.
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // OnClick when assigned, else the linked action.
  virtual void Click();
  virtual void DblClick();

  // The action whose caption, enabled state, hint and visibility the control follows.
  TBasicAction* Action() const { return fActionLink ? fActionLink->Action() : nullptr; }
  void SetAction(TBasicAction* action);
  // The control as an action's target: acts (or updates the action) when the action
  // handles it, answering whether it did. Descendants offer their parts (a data link).
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);

  // The mouse-wheel handling: OnMouseWheel, else one DoMouseWheelUp / DoMouseWheelDown
  // per WHEEL_DELTA of accumulated rotation. Answers whether it was handled.
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);

  // Dragging. One control at a time is dragged; while it is, the drag has the mouse: the
  // control under the pointer (FindDragTarget) is asked by DragOver whether it takes the
  // control, the cursor shows DragCursor over one that does and crNoDrop elsewhere, the
  // release drops it there (DragDrop), and Escape, another button or cancel mode end the
  // drag without a drop. OnEndDrag closes every drag. A drag of DragKind dkDock opens
  // with OnStartDock and closes with OnEndDock instead, and no control is asked to take
  // it (it ends with no target).
  TDragMode DragMode() const { return fDragMode; }
  void SetDragMode(TDragMode value) { fDragMode = value; }
  TCursor DragCursor() const { return fDragCursor; }
  void SetDragCursor(TCursor value) { fDragCursor = value; }
  TDragKind DragKind() const { return fDragKind; }
  void SetDragKind(TDragKind value) { fDragKind = value; }
  // Starts dragging the control (nothing when a drag is under way): the mouse operation
  // the control was in is cancelled and OnStartDrag fires; the drag then follows the mouse
  // at once, or once the mouse has moved `threshold` pixels along either axis
  // (Mouse->DragThreshold() when negative).
  void BeginDrag(bool immediate, int threshold = -1);
  // Ends the drag of this control, with a drop on the accepting target when `drop`.
  void EndDrag(bool drop);
  bool Dragging() const;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TContextPopupEvent OnContextPopup;
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;

 protected:
  friend class TWinControl;
  friend class TDestroyWatch;
  friend class controls_internal::TDragTracker;

  virtual void DoStartDrag();
  // Whether the control takes `source` dropped at the point: OnDragOver decides, and a
  // control without it takes nothing.
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void DoEndDrag(TObject* target, int x, int y);
  virtual void DoStartDock();
  virtual void DoEndDock(TObject* target, int x, int y);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
  // Routes WM_MOUSEWHEEL: through the form to its focused control as CM_MOUSEWHEEL.
  virtual void MouseWheelHandler(TMessage& message);
  virtual void DoContextPopup(TPoint mousePos, bool& handled);
  // Tells the active control of every form around this control that the user pressed
  // a mouse button on `sender` (CM_CANCELMODE).
  void SendCancelMode(TControl* sender);
  // Asks the parent to lay out its aligned children again.
  void RequestAlign();
  // Invalidates the control's area in its parent.
  void InvalidateControl(bool wasVisible, bool opaque);
  // Takes a new place and size without any other effect (a window reported it).
  void StoreBounds(int left, int top, int width, int height);
  // The edges are scaled, so that controls side by side stay side by side.
  virtual void ChangeScale(int m, int d);
  // The size the constraints allow.
  int ConstrainedWidth(int width) const { return fConstraints.ConstrainWidth(width); }
  int ConstrainedHeight(int height) const { return fConstraints.ConstrainHeight(height); }
  // Follows the parent's new client size by the anchors (the parent's alignment pass).
  void FollowAnchors(int parentWidth, int parentHeight);
  // Takes the distances to the parent's edges as they are now.
  void UpdateAnchorRules();
  // Takes a new text without any other effect (a control whose window keeps the text
  // reports a change the user made).
  void StoreText(const AnsiString& value) { fText = value; }
  void Notification(TComponent* component, TOperation operation) override;

  TControlStyle fControlStyle;
  TControlState fControlState;

 private:
  std::unique_ptr<TActionLink> fActionLink;
  void FontChanged(TObject* sender);
  void DoMouseDown(const TMessage& message, TMouseButton button, TShiftState shift);
  void DoMouseUp(const TMessage& message, TMouseButton button);
  void WMButtonDown(TMessage& message, TMouseButton button, bool isDouble);
  void WMLButtonUp(TMessage& message);
  void WMMouseMove(TMessage& message);
  void WMMouseWheel(TMessage& message);
  void WMContextMenu(TMessage& message);
  void WMCancelMode(TMessage& message);
  void CMMouseWheel(TMessage& message);
  void CMParentFontChanged(TMessage& message);
  void CMParentColorChanged(TMessage& message);
  void CMParentShowHintChanged(TMessage& message);
  void CMParentBiDiModeChanged(TMessage& message);
  void CMMouseEnterLeave(TMessage& message);
  void CMVisibleChanged(TMessage& message);

  std::shared_ptr<const int> fLife = std::make_shared<const int>(0);
  TWinControl* fParent = nullptr;
  int fLeft = 0;
  int fTop = 0;
  int fWidth = 0;
  int fHeight = 0;
  TAlign fAlign = alNone;
  TAnchors fAnchors{akLeft, akTop};
  // The distances to the parent's right and bottom edges when last placed.
  int fAnchorRight = 0;
  int fAnchorBottom = 0;
  bool fFollowingAnchors = false;
  TSizeConstraints fConstraints{[this] { SetBounds(fLeft, fTop, fWidth, fHeight); }};
  bool fVisible = true;
  bool fEnabled = true;
  std::unique_ptr<TFont> fFont;
  bool fParentFont = true;
  bool fTakingParentFont = false;
  TColor fColor = clWindow;
  bool fParentColor = true;
  AnsiString fText;
  AnsiString fHint;
  bool fShowHint = false;
  bool fParentShowHint = true;
  TCursor fCursor = crDefault;
  TPopupMenu* fPopupMenu = nullptr;
  TBiDiMode fBiDiMode = bdLeftToRight;
  bool fParentBiDiMode = true;
  int fWheelAccumulator = 0;
  TDragMode fDragMode = dmManual;
  TCursor fDragCursor = crDrag;
  TDragKind fDragKind = dkDrag;
};

// A canvas that draws on a control: a window context of the control (of its parent for a
// windowless control) taken when first needed, making the window if there is none yet,
// and kept until the window goes; while the control paints, the paint's context.
class TControlCanvas : public TCanvas {
  ORDVANE_CLASS(TControlCanvas, TCanvas)

 public:
  explicit TControlCanvas(TControl* control) : fControl(control) {}
  ~TControlCanvas() override;

  TControl* Control() const { return fControl; }
  // Takes a context of the control (making its window when there is none) unless the
  // canvas has one.
  void EnsureHandle();
  // Gives back a context the canvas took itself.
  void FreeHandle();
  // Draws on a paint's context until EndPainting.
  void BeginPainting(HDC dc);
  void EndPainting();

 private:
  TControl* fControl;
  HWND fOwnedWindow = 0;  // the window whose context the canvas took itself
  HDC fOwnedDC = nullptr;
  HDC fSavedDC = nullptr;
  int fPaintLevel = 0;
};

class TGraphicControl : public TControl {
  ORDVANE_CLASS(TGraphicControl, TControl)

 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;

  TCanvas* Canvas();
  // Gives back the context the canvas took of the parent's window (the window goes).
  void FreeCanvasHandle();
  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> fCanvas;
};

class TWinControl : public TControl {
  ORDVANE_CLASS(TWinControl, TControl)
  friend class TControl;

 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window handle, made when first asked for; a child control needs a parent with a
  // window (EInvalidOperation "Control '<name>' has no parent window" otherwise).
  HWND Handle();
  HWND WindowHandle() const { return fHandle; }
  bool HandleAllocated() const { return fHandle != 0; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();
  // Makes the window again (styles changed): it keeps the focus when it had it.
  void RecreateWnd();
  // The window procedure the window's messages come to.
  void MainWndProc(TMessage& message);

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // Children: the windowless ones, then the windowed ones, each in insertion order (the
  // later ones on top).
  int ControlCount() const { return static_cast<int>(fControls.size() + fWinControls.size()); }
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The topmost enabled (or any, with allowDisabled) visible windowless child at a client
  // point that answers CM_HITTEST; windowed children too with allowWinControls.
  TControl* ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls = false) const;
  // Performs the message on every child until one answers nonzero.
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);
  void DisableAlign() { ++fAlignLevel; }
  void EnableAlign();
  void Realign();

  bool Showing() const { return fShowing; }
  bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();
  bool TabStop() const { return fTabStop; }
  void SetTabStop(bool value);
  int TabOrder() const;
  void SetTabOrder(int value);
  // This control's windowed children in tab order, each followed by its own.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  void SelectFirst();
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  bool Ctl3D() const { return fCtl3D; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return fParentCtl3D; }
  void SetParentCtl3D(bool value);

  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetParent(TWinControl* parent) override;
  void SetCaption(const AnsiString& value) override;
  void Invalidate() override;
  void Update() override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  // The controls inside first, then the control itself.
  void ChangeScale(int m, int d) override;
  friend class TCustomForm;

  struct TCreateParams {
    AnsiString Caption;
    UINT Style = 0;
    UINT ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = 0;
    UINT WindowClassStyle = 0;
  };
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void AlignControls(TControl* control, TRect& rect);
  virtual void PaintWindow(HDC dc);
  void PaintHandler(TMessage& message);
  // Paints the windowless children that the context can show, each on its place.
  void PaintControls(HDC dc, TControl* first);
  void UpdateControlState();
  void UpdateShowing();
  void RemoveFocus(bool removing);

  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);
  // A key message handled by the form first when it previews keys, then by `handle`,
  // which may change the key; answers whether the key was used up (it became 0, or the
  // control or form is gone).
  bool DoKey(TMessage& message, bool (TWinControl::*formHandles)(TMessage&),
             const std::function<void(WPARAM& key)>& handle);

 private:
  bool IsControlMouseMsg(TMessage& message);
  void UpdateBounds();
  void SetZOrderPlace();
  void WMPaint(TMessage& message);
  void WMEraseBkgnd(TMessage& message);
  void WMSize(TMessage& message);
  void WMWindowPosChanged(TMessage& message);
  void WMSetCursor(TMessage& message);
  void WMKeyDown(TMessage& message);
  void WMKeyUp(TMessage& message);
  void WMChar(TMessage& message);
  void WMCommand(TMessage& message);
  void WMScroll(TMessage& message);
  void WMCaptureChanged(TMessage& message);
  void WMNCDestroy(TMessage& message);
  void WMSysColorChange(TMessage& message);
  void CNKeyDown(TMessage& message);
  void CNChar(TMessage& message);
  void CNSysChar(TMessage& message);
  void CMDialogKey(TMessage& message);
  void CMShowingChanged(TMessage& message);
  void CMVisibleChanged(TMessage& message);
  void CMEnabledChanged(TMessage& message);
  void CMColorChanged(TMessage& message);
  void CMFontChanged(TMessage& message);
  void CMParentCtl3DChanged(TMessage& message);
  void CMRecreateWnd(TMessage& message);

  HWND fHandle = 0;
  std::vector<TControl*> fControls;  // windowless children
  std::vector<TWinControl*> fWinControls;
  std::vector<TWinControl*> fTabList;
  bool fShowing = false;
  bool fTabStop = false;
  bool fCtl3D = true;
  bool fParentCtl3D = true;
  int fAlignLevel = 0;
  bool fAligning = false;
};

class TCustomControl : public TWinControl {
  ORDVANE_CLASS(TCustomControl, TWinControl)

 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;

  // The control's canvas: the paint's context inside Paint, a context of the window
  // otherwise (the window is made when needed).
  TCanvas* Canvas();
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;
  void DestroyWnd() override;

 private:
  std::unique_ptr<TControlCanvas> fCanvas;
};

// The control whose window is `wnd`; nullptr for other windows.
TWinControl* FindControl(HWND wnd);
// The form a control lies on (the root of its parents, when that is a form).
TCustomForm* GetParentForm(const TControl* control);
// The control the mouse is captured for: a windowless one, or the capture window's.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The control under a screen point (windowless children included).
TControl* FindDragTarget(TPoint pos, bool allowDisabled);

// The mouse: capture, pointer position and the drag settings (an automatic drag starts
// at once with DragImmediate, else after DragThreshold pixels).
class TMouse {
 public:
  HWND Capture() const { return GetCapture(); }
  void SetCapture(HWND wnd);
  TPoint CursorPos() const;
  void SetCursorPos(TPoint position);
  int DragThreshold() const { return fDragThreshold; }
  void SetDragThreshold(int value) { fDragThreshold = value; }
  bool DragImmediate() const { return fDragImmediate; }
  void SetDragImmediate(bool value) { fDragImmediate = value; }
  bool MousePresent() const { return true; }
  bool WheelPresent() const { return true; }
  int WheelScrollLines() const { return 3; }

 private:
  int fDragThreshold = 5;
  bool fDragImmediate = true;
};

extern TMouse* Mouse;

// A property setter's common part: stores the value and repaints the control when it
// changed; answers whether it did.
template <class T>
bool ChangeAndInvalidate(TControl* control, T& field, const T& value) {
  if (field == value) return false;
  field = value;
  control->Invalidate();
  return true;
}

}  // namespace ordvane

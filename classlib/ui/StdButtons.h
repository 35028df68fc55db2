#pragma once
// The standard controls that act as buttons or show text: the native button behaviour
// (TButtonControl), push buttons, check boxes, labels and the scroll-bar control. The
// edits, memo, list box and combo box are in StdCtrls.h.
//
// TButtonControl's window behaves as the platform's button: below Dispatch, its
// DefaultHandler keeps the check state and the pushed look (BM_GETCHECK / BM_SETCHECK,
// BM_GETSTATE / BM_SETSTATE), clicks on BM_CLICK, and tells the parent BN_CLICKED (which
// the parent reflects back as CN_COMMAND) when the left button is released inside after
// a press on it, or Space comes up after it went down. The native key handling sees only
// the keys that the control's KeyDown / KeyUp left unconsumed, so a descendant that acts
// on Space itself gets no second click. The classes above react to CN_COMMAND.

#include <algorithm>

#include "classlib/ui/ActnList.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/ScrollBars.h"

namespace ordvane {

// The native painting of a control's window on WM_PAINT (wParam: a context to paint on,
// or 0 to paint what is invalid): `paint` draws on a canvas with the control's font.
void PaintNativeFace(TWinControl& control, TMessage& message, const std::function<void(TCanvas&)>& paint);

class TButtonControl : public TWinControl {
  ORDVANE_CLASS(TButtonControl, TWinControl)

 public:
  explicit TButtonControl(TComponent* owner);
  ~TButtonControl() override;

  void DefaultHandler(TMessage& message) override;
  void Dispatch(TMessage& message) override;

 protected:
  // The face the native handling paints (the window's canvas, its client rectangle).
  virtual void PaintFace(TCanvas& canvas) = 0;
  // The dialog code the native button answers.
  virtual LRESULT ButtonDialogCode() const { return DLGC_BUTTON; }
  // The native check state (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE) and whether
  // the button shows pushed.
  LRESULT NativeCheck() const { return fCheck; }
  bool NativePushed() const { return fPushed; }

 private:
  void NativeMouse(TMessage& message);
  void NativeKey(TMessage& message);
  void SetPushed(bool value);
  void NotifyClicked();

  LRESULT fCheck = BST_UNCHECKED;
  bool fPushed = false;
  bool fMouseDown = false;
  bool fSpaceDown = false;
};

class TButton : public TButtonControl {
  ORDVANE_CLASS(TButton, TButtonControl)

 public:
  explicit TButton(TComponent* owner);

  // Enter clicks the default button unless another button has the focus; Escape clicks
  // the cancel button.
  bool Default() const { return fDefault; }
  void SetDefault(bool value);
  bool Cancel() const { return fCancel; }
  void SetCancel(bool value) { fCancel = value; }
  // A click sets the form's ModalResult to this (mrNone: leaves it).
  TModalResult ModalResult() const { return fModalResult; }
  void SetModalResult(TModalResult value) { fModalResult = value; }

  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  void PaintFace(TCanvas& canvas) override;
  LRESULT ButtonDialogCode() const override;

 private:
  // Whether Enter clicks this button now: it has the focus, or it is the default button
  // and no other button has the focus.
  bool IsActive() const;

  bool fDefault = false;
  bool fCancel = false;
  TModalResult fModalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
  ORDVANE_CLASS(TCheckBox, TButtonControl)

 public:
  explicit TCheckBox(TComponent* owner);

  // Changing the state clicks (OnClick).
  TCheckBoxState State() const { return fState; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return fState == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  // A click goes unchecked, grayed, checked with AllowGrayed; unchecked, checked without.
  bool AllowGrayed() const { return fAllowGrayed; }
  void SetAllowGrayed(bool value) { fAllowGrayed = value; }
  // taRightJustify: the box left of the caption; taLeftJustify: right of it.
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value);

  void Dispatch(TMessage& message) override;

 protected:
  virtual void Toggle();
  void PaintFace(TCanvas& canvas) override;

 private:
  TCheckBoxState fState = cbUnchecked;
  bool fAllowGrayed = false;
  TAlignment fAlignment = taRightJustify;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
  ORDVANE_CLASS(TLabel, TGraphicControl)

 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return fLayout; }
  void SetLayout(TTextLayout value);
  // With AutoSize the label takes the size of its text (the width kept with WordWrap),
  // its anchor edge kept by the alignment.
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return fShowAccelChar; }
  void SetShowAccelChar(bool value);
  // The control that the caption's accelerator focuses.
  TWinControl* FocusControl() const { return fFocusControl; }
  void SetFocusControl(TWinControl* value);

  void SetCaption(const AnsiString& value) override;
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  unsigned TextFlags() const;
  void AdjustBounds();
  void Changed();

  TAlignment fAlignment = taLeftJustify;
  TTextLayout fLayout = tlTop;
  bool fAutoSize = true;
  bool fWordWrap = false;
  bool fTransparent = false;
  bool fShowAccelChar = true;
  TWinControl* fFocusControl = nullptr;
};

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = TEvent<void(TObject* sender, TScrollCode scrollCode, int& scrollPos)>;

// A scroll bar as a control. Its window carries one system scroll bar (Kind gives which)
// of the system's thickness along its right or bottom edge, so that it is painted and
// tracked as the window bars are; its scroll messages come to the control itself.
// OnScroll may change the new position before the control takes it (scEndScroll leaves
// it); a bar whose range does not exceed its page shows disabled.
class TScrollBar : public TWinControl {
  ORDVANE_CLASS(TScrollBar, TWinControl)

 public:
  explicit TScrollBar(TComponent* owner);

  TScrollBarKind Kind() const { return fKind; }
  // A change of kind swaps width and height.
  void SetKind(TScrollBarKind value);
  int Min() const { return fMin; }
  void SetMin(int value) { SetParams(fPosition, value, fMax); }
  int Max() const { return fMax; }
  void SetMax(int value) { SetParams(fPosition, fMin, value); }
  // Kept within Min .. Max - PageSize + 1 (Min .. Max without a page).
  int Position() const { return fPosition; }
  void SetPosition(int value) { SetParams(value, fMin, fMax); }
  int PageSize() const { return fPageSize; }
  void SetPageSize(int value);
  // Raises EInvalidOperation when min exceeds max.
  void SetParams(int position, int min, int max);
  int SmallChange() const { return fSmallChange; }
  void SetSmallChange(int value) { fSmallChange = value; }
  int LargeChange() const { return fLargeChange; }
  void SetLargeChange(int value) { fLargeChange = value; }

  void Dispatch(TMessage& message) override;

  TScrollEvent OnScroll;
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  int Bar() const { return fKind == sbVertical ? SB_VERT : SB_HORZ; }
  void UpdateBar();
  void DoScroll(WPARAM code);

  TScrollBarKind fKind = sbHorizontal;
  int fMin = 0;
  int fMax = 100;
  int fPosition = 0;
  int fPageSize = 0;
  int fSmallChange = 1;
  int fLargeChange = 1;
};

}  // namespace ordvane

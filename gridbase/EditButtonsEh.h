#pragma once
// The buttons at the right of an edit box: the item (the edit's main button or one of its
// additional buttons), the collection of additional buttons, the link that makes a button
// follow its action, and the speed button that shows a button.

#include <memory>

#include "classlib/core/Collections.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/ActnList.h"
#include "classlib/ui/Buttons.h"
#include "classlib/ui/Menus.h"
#include "gridbase/ButtonFacesEh.h"

namespace ordvane {

using TButtonClickEventEh = TEvent<void(TObject* sender, bool& handled)>;
using TButtonDownEventEh = TEvent<void(TObject* sender, bool topButton, bool& autoRepeat, bool& handled)>;

class TEditButtonEh;

// The link that makes an edit button follow its action: Enabled, Hint, ShortCut and
// Visible, each while the button's own value still equals the action's. Captions are
// not linked.
class TEditButtonActionLinkEh : public TActionLink {
 public:
  explicit TEditButtonActionLinkEh(TEditButtonEh* button);
};

class TEditButtonControlEh;

// One button of an edit: an item of the edit's TEditButtonsEh, or the edit's main button
// (then it has no collection and tells the edit of changes through OnChange).
class TEditButtonEh : public TCollectionItem {
  ORDVANE_CLASS(TEditButtonEh, TCollectionItem)

 public:
  explicit TEditButtonEh(TCollection* collection);
  explicit TEditButtonEh(TWinControl* editControl);
  ~TEditButtonEh() override;

  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);
  TPopupMenu* DropdownMenu() const { return fDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  TBitmap* Glyph() const { return fGlyph.get(); }
  void SetGlyph(const TBitmap& value);
  const AnsiString& Hint() const { return fHint; }
  void SetHint(const AnsiString& value);
  // Held to 1 .. 4.
  int NumGlyphs() const { return fNumGlyphs; }
  void SetNumGlyphs(int value);
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value);
  TEditButtonStyleEh Style() const { return fStyle; }
  void SetStyle(TEditButtonStyleEh value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  // 0: the default width.
  int Width() const { return fWidth; }
  void SetWidth(int value);

  TButtonClickEventEh OnClick;
  TButtonDownEventEh OnDown;
  // The change hook of a button outside a collection.
  TNotifyEvent OnChange;

  // The edit the button belongs to: its own, or the collection's owner.
  TWinControl* EditControl() const;
  void Assign(const TPersistent* source) override;

  // OnClick when assigned (it decides `handled`); otherwise the linked action, executed
  // with the edit (or the collection's owner) as the component, which handles the click.
  virtual void Click(TObject* sender, bool& handled);
  // Asks the linked action to update itself; answers whether it did.
  virtual bool InitiateAction();
  // A new button control for this button, owned by and parented to the edit: 10 x 17,
  // visible, opaque. A button without an edit raises EInvalidOperation.
  virtual TEditButtonControlEh* CreateEditButtonControl();

 protected:
  TEditButtonEh(TCollection* collection, TWinControl* editControl, bool visible, TShortCut shortCut);
  // Tells the edit that the button changed.
  void NotifyChanged();

 private:
  class TMenuWatch;
  template <class T>
  void Store(T& field, const T& value);
  // Runs a compound change and tells the edit once, when anything changed.
  template <class Change>
  void ChangeAtOnce(Change change);

  TWinControl* fEditControl = nullptr;
  std::unique_ptr<TEditButtonActionLinkEh> fActionLink;
  TPopupMenu* fDropdownMenu = nullptr;
  std::unique_ptr<TMenuWatch> fMenuWatch;
  bool fEnabled = true;
  std::unique_ptr<TBitmap> fGlyph;
  AnsiString fHint;
  int fNumGlyphs = 1;
  TShortCut fShortCut = 0;
  TEditButtonStyleEh fStyle = ebsDropDownEh;
  bool fVisible = false;
  int fWidth = 0;
  int fChangeDepth = 0;
  bool fChangedInside = false;
};

// The main button of an edit: visible, pressed from the edit by Alt+Down.
class TVisibleEditButtonEh : public TEditButtonEh {
  ORDVANE_CLASS(TVisibleEditButtonEh, TEditButtonEh)

 public:
  explicit TVisibleEditButtonEh(TCollection* collection);
  explicit TVisibleEditButtonEh(TWinControl* editControl);
};

// The additional buttons of an edit; any change tells the edit through OnChange.
class TEditButtonsEh : public TCollection {
  ORDVANE_CLASS(TEditButtonsEh, TCollection)

 public:
  explicit TEditButtonsEh(TWinControl* editControl,
                          TCollectionItemClass itemClass = TCollectionItemClass::Of<TEditButtonEh>());

  TWinControl* EditControl() const { return fEditControl; }
  TEditButtonEh* Items(int index) const { return static_cast<TEditButtonEh*>(TCollection::Items(index)); }
  TEditButtonEh* Add() { return static_cast<TEditButtonEh*>(TCollection::Add()); }

  TNotifyEvent OnChange;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TWinControl* fEditControl;
};

// The control that shows one edit button. An up-down button repeats its button-down
// handler while held: after 400 ms, then every 100 ms, as long as the handler keeps the
// auto-repeat flag set.
class TEditButtonControlEh : public TSpeedButton {
  ORDVANE_CLASS(TEditButtonControlEh, TSpeedButton)

 public:
  explicit TEditButtonControlEh(TComponent* owner);
  ~TEditButtonControlEh() override;

  TEditButtonStyleEh Style() const { return fStyle; }
  void SetStyle(TEditButtonStyleEh value);
  // Drawn in the edit's focused or hot look.
  bool Active() const { return fActive; }
  void SetActive(bool value);
  // Holds the button down while its drop-down is open, and lets it up again.
  void SetAlwaysDown();
  void SetAlwaysUp();
  // The half of an up-down button shown pressed: 1 upper, 2 lower, 0 none.
  int PressedPart() const { return fShownPart; }

  // Called when the left button goes down on the control.
  TButtonDownEventEh OnButtonDown;

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  int PartAt(int x, int y) const;
  // Calls the button-down handler; answers the auto-repeat flag it leaves.
  bool ButtonDown(bool autoRepeat);
  void RepeatTick(TObject* sender);
  void StopRepeat();
  void SetShownPart(int value);
  void PaintGlyphFace();

  TEditButtonStyleEh fStyle = ebsDropDownEh;
  bool fActive = false;
  int fPressedPart = 0;  // the part the press went down on
  int fShownPart = 0;
  bool fHeld = false;
  std::unique_ptr<TTimer> fRepeatTimer;
};

// A button's drop-down menu pops up under the button (right-aligned for a right-aligned
// menu). When it has closed, CM_EDITBUTTONRELEASEEH naming the button is posted to the
// edit and the button is let up: the press that closed the menu then reaches the button,
// and TakeEditButtonReleaseEh tells the edit that this press opens nothing.
void PopupEditButtonMenuEh(TWinControl* edit, TEditButtonControlEh* control, TPopupMenu* menu);
// Whether a press on `control` only closed its menu; the mark is taken off the queue.
bool TakeEditButtonReleaseEh(TWinControl* edit, const TObject* control);

class TSpeedButtonEh : public TEditButtonControlEh {
  ORDVANE_CLASS(TSpeedButtonEh, TEditButtonControlEh)

 public:
  using TEditButtonControlEh::TEditButtonControlEh;
};

}  // namespace ordvane

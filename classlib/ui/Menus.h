#pragma once
// Menus: items, short cuts, accelerators, and the popup menu a control shows on
// WM_CONTEXTMENU.
//
// TPopupMenu::Popup shows the visible items in a topmost window placed by Alignment in
// the work area of the monitor under the point, and tracks it until an item is chosen or
// the menu is dismissed: Up/Down and the mouse move the hot item, Enter or a release on
// an item chooses it, an item's accelerator chooses it, Escape dismisses. A press
// outside the menu dismisses it and is put back into the input, so the window under the
// pointer still gets it once Popup has returned. Popup returns when the menu is gone;
// the chosen item's OnClick runs after that, from the message loop. Submenus are not
// offered.

#include <memory>
#include <vector>

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"
#include "classlib/core/Messages.h"

namespace ordvane {

class TActionLink;
class TBasicAction;
class TPopupMenuWindow;

// A key with its modifiers: the virtual key in the low byte, scShift / scCtrl / scAlt
// above it.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;
TShortCut ShortCut(Word key, bool shift, bool ctrl, bool alt);

// Whether the caption's "&" accelerator (the character after a single "&") is the
// character `key`, compared without case.
bool IsAccel(Word key, const AnsiString& caption);
// The caption without its "&" marks ("&&" stays one "&").
AnsiString StripHotkey(const AnsiString& caption);

class TMenuItem : public TComponent {
  ORDVANE_CLASS(TMenuItem, TComponent)

 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  // "-" makes the item a separator line.
  const AnsiString& Caption() const { return fCaption; }
  void SetCaption(const AnsiString& value) { fCaption = value; }
  bool IsLine() const { return fCaption == "-"; }
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value) { fShortCut = value; }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value) { fEnabled = value; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool value) { fVisible = value; }
  bool Checked() const { return fChecked; }
  void SetChecked(bool value) { fChecked = value; }
  // The number that names the item while a chosen item waits to run.
  UINT Command() const { return fCommand; }

  // The sub-items; an added item belongs to this one (it is destroyed with it).
  int Count() const { return static_cast<int>(fItems.size()); }
  TMenuItem* Items(int index) const;
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  TMenuItem* Parent() const { return fParent; }
  TMenuItem* FindCommand(UINT command);

  // The action whose properties the item follows (see ActnList.h); nullptr for none.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);

  // OnClick, else the action's Execute.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  AnsiString fCaption;
  TShortCut fShortCut = scNone;
  bool fEnabled = true;
  bool fVisible = true;
  bool fChecked = false;
  UINT fCommand;
  std::vector<TMenuItem*> fItems;
  TMenuItem* fParent = nullptr;
  std::unique_ptr<TActionLink> fActionLink;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
  ORDVANE_CLASS(TPopupMenu, TComponent)

 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  TMenuItem* Items() const { return fItems.get(); }
  // Whether a right click (or the context-menu key) on a control shows the menu.
  bool AutoPopup() const { return fAutoPopup; }
  void SetAutoPopup(bool value) { fAutoPopup = value; }
  // The control that showed the menu last; nullptr when it is gone.
  TComponent* PopupComponent() const { return fPopupComponent; }
  void SetPopupComponent(TComponent* component);
  TPopupAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TPopupAlignment value) { fAlignment = value; }

  // Shows the menu at a screen point (its corner given by Alignment) and returns when
  // it has closed; OnPopup first.
  virtual void Popup(int x, int y);

  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ReceiveCommand(TMessage& message);

  std::unique_ptr<TMenuItem> fItems;
  TPopupMenuWindow* fOpenWindow = nullptr;  // while Popup tracks the menu
  bool fAutoPopup = true;
  TComponent* fPopupComponent = nullptr;
  TPopupAlignment fAlignment = paLeft;
  HWND fCommandWindow = 0;  // where a chosen item waits to run
};

}  // namespace ordvane

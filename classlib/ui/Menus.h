#pragma once
// What a control needs of the context menu it shows on WM_CONTEXTMENU. The menu itself
// (its items, its window, its keyboard) derives from TPopupMenu and implements Popup.

#include "classlib/core/Components.h"
#include "classlib/core/Events.h"

namespace ordvane {

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
  ORDVANE_CLASS(TPopupMenu, TComponent)

 public:
  explicit TPopupMenu(TComponent* owner) : TComponent(owner) {}

  // Whether a right click (or the context-menu key) on a control shows the menu.
  bool AutoPopup() const { return fAutoPopup; }
  void SetAutoPopup(bool value) { fAutoPopup = value; }
  // The control that showed the menu last; nullptr when it is gone.
  TComponent* PopupComponent() const { return fPopupComponent; }
  void SetPopupComponent(TComponent* component);
  TPopupAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TPopupAlignment value) { fAlignment = value; }

  // Shows the menu at a screen point (its corner given by Alignment).
  virtual void Popup(int x, int y) = 0;

  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool fAutoPopup = true;
  TComponent* fPopupComponent = nullptr;
  TPopupAlignment fAlignment = paLeft;
};

}  // namespace ordvane

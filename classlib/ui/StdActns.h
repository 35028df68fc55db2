#pragma once
// The edit actions: cut, copy, paste, select all and delete on the focused edit control.
// Each is enabled only where it can act (a selection to cut, copy or delete, text to
// select, a writable edit and clipboard text to paste) and disabled when no edit has the
// focus.

#include "classlib/ui/ActnList.h"

namespace ordvane {

class TCustomEdit;

class TEditAction : public TAction {
  ORDVANE_CLASS(TEditAction, TAction)

 public:
  explicit TEditAction(TComponent* owner);

  // With a control set, only that edit; otherwise whichever edit has the focus.
  TCustomEdit* Control() const { return fControl; }
  void SetControl(TCustomEdit* value);

  bool HandlesTarget(TObject* target) override;
  void ExecuteTarget(TObject* target) override;
  void UpdateTarget(TObject* target) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void Act(TCustomEdit& edit) = 0;
  virtual bool CanAct(TCustomEdit& edit) = 0;

 private:
  TCustomEdit* fControl = nullptr;
};

ORDVANE_TARGET_ACTION(TEditCut, TEditAction, TCustomEdit)
ORDVANE_TARGET_ACTION(TEditCopy, TEditAction, TCustomEdit)
ORDVANE_TARGET_ACTION(TEditPaste, TEditAction, TCustomEdit)
ORDVANE_TARGET_ACTION(TEditSelectAll, TEditAction, TCustomEdit)
ORDVANE_TARGET_ACTION(TEditDelete, TEditAction, TCustomEdit)

}  // namespace ordvane

#include "classlib/ui/StdActns.h"

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/StdCtrls.h"

namespace ordvane {

TEditAction::TEditAction(TComponent* owner) : TAction(owner) {
  SetDisableIfNoHandler(true);
}

void TEditAction::SetControl(TCustomEdit* value) {
  if (value == fControl) return;
  if (fControl != nullptr) RemoveFreeNotification(fControl);
  fControl = value;
  if (fControl != nullptr) FreeNotification(fControl);
}

void TEditAction::Notification(TComponent* component, TOperation operation) {
  TAction::Notification(component, operation);
  if (operation == opRemove && component == fControl) fControl = nullptr;
}

bool TEditAction::HandlesTarget(TObject* target) {
  auto* edit = dynamic_cast<TCustomEdit*>(target);
  return edit != nullptr && (fControl == nullptr || edit == fControl) && edit->Focused();
}

void TEditAction::ExecuteTarget(TObject* target) {
  Act(static_cast<TCustomEdit&>(*target));
}

void TEditAction::UpdateTarget(TObject* target) {
  SetEnabled(CanAct(static_cast<TCustomEdit&>(*target)));
}

void TEditCut::Act(TCustomEdit& edit) {
  edit.CutToClipboard();
}

bool TEditCut::CanAct(TCustomEdit& edit) {
  return edit.SelLength() > 0 && edit.UserCanModify();
}

void TEditCopy::Act(TCustomEdit& edit) {
  edit.CopyToClipboard();
}

bool TEditCopy::CanAct(TCustomEdit& edit) {
  return edit.SelLength() > 0;
}

void TEditPaste::Act(TCustomEdit& edit) {
  edit.PasteFromClipboard();
}

bool TEditPaste::CanAct(TCustomEdit& edit) {
  return edit.UserCanModify() && IsClipboardFormatAvailable(CF_TEXT);
}

void TEditSelectAll::Act(TCustomEdit& edit) {
  edit.SelectAll();
}

bool TEditSelectAll::CanAct(TCustomEdit& edit) {
  return edit.Perform(WM_GETTEXTLENGTH, 0, 0) > 0;
}

void TEditDelete::Act(TCustomEdit& edit) {
  edit.ClearSelection();
}

bool TEditDelete::CanAct(TCustomEdit& edit) {
  return edit.SelLength() > 0 && edit.UserCanModify();
}

}  // namespace ordvane

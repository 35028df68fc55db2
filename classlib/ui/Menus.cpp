#include "classlib/ui/Menus.h"

namespace ordvane {

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == fPopupComponent) return;
  if (fPopupComponent) RemoveFreeNotification(fPopupComponent);
  fPopupComponent = component;
  if (fPopupComponent) FreeNotification(fPopupComponent);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fPopupComponent) fPopupComponent = nullptr;
}

}  // namespace ordvane

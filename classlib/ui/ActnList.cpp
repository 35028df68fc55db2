#include "classlib/ui/ActnList.h"

#include <algorithm>

#include "classlib/ui/Controls.h"
#include "classlib/ui/Forms.h"

namespace ordvane {

namespace {

// The live actions, for the idle update.
std::vector<TBasicAction*>& LiveActions() {
  static std::vector<TBasicAction*> actions;
  return actions;
}

}  // namespace

// TBasicAction

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {
  LiveActions().push_back(this);
}

TBasicAction::~TBasicAction() {
  for (TBasicActionLink* link : fLinks) link->fAction = nullptr;
  auto& live = LiveActions();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool TBasicAction::Execute() {
  if (!OnExecute) return RouteAction(*this, true);
  FireEvent(OnExecute, this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return RouteAction(*this, false);
  FireEvent(OnUpdate, this);
  return true;
}

bool TBasicAction::HandlesTarget(TObject* /*target*/) {
  return false;
}

void TBasicAction::ExecuteTarget(TObject* /*target*/) {}

void TBasicAction::UpdateTarget(TObject* /*target*/) {}

bool RouteAction(TBasicAction& action, bool execute) {
  TCustomForm* form = Screen->ActiveCustomForm();
  if (form == nullptr) return false;
  return execute ? form->ExecuteAction(&action) : form->UpdateAction(&action);
}

void UpdateActions() {
  // An update may free actions (a handler closing a form): each is looked up again.
  const std::vector<TBasicAction*> snapshot = LiveActions();
  for (TBasicAction* action : snapshot) {
    const auto& live = LiveActions();
    if (std::find(live.begin(), live.end(), action) == live.end()) continue;
    if (action->HasClients()) action->Update();
  }
}

void TBasicAction::SetActionComponent(TComponent* value) {
  if (value == fActionComponent) return;
  if (fActionComponent) RemoveFreeNotification(fActionComponent);
  fActionComponent = value;
  if (fActionComponent) FreeNotification(fActionComponent);
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fActionComponent) fActionComponent = nullptr;
}

// TBasicActionLink

TBasicActionLink::~TBasicActionLink() {
  SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* action) {
  if (action == fAction) return;
  if (fAction) {
    auto& links = fAction->fLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  fAction = action;
  if (!fAction) return;
  fAction->fLinks.push_back(this);
  AssignAction();
}

bool TBasicActionLink::Execute(TComponent* component) {
  if (!fAction) return false;
  TBasicAction* action = fAction;
  action->SetActionComponent(component);
  struct TClearComponent {
    TBasicAction* action;
    ~TClearComponent() { action->SetActionComponent(nullptr); }
  } clear{action};
  return action->Execute();
}

bool TBasicActionLink::Update() {
  return fAction && fAction->Update();
}

// TActionLink

const TCustomAction* TActionLink::CustomAction() const {
  return dynamic_cast<const TCustomAction*>(Action());
}

template <class T, class Value>
bool TActionLink::IsLinked(const TLinkedProperty<T>& property, const Value& actionValue) const {
  return property.get && CustomAction() && property.get() == actionValue;
}

bool TActionLink::IsCaptionLinked() const {
  return CustomAction() && IsLinked(fProperties.caption, CustomAction()->Caption());
}
bool TActionLink::IsEnabledLinked() const {
  return CustomAction() && IsLinked(fProperties.enabled, CustomAction()->Enabled());
}
bool TActionLink::IsHintLinked() const {
  return CustomAction() && IsLinked(fProperties.hint, CustomAction()->Hint());
}
bool TActionLink::IsShortCutLinked() const {
  return CustomAction() && IsLinked(fProperties.shortCut, CustomAction()->ShortCut());
}
bool TActionLink::IsVisibleLinked() const {
  return CustomAction() && IsLinked(fProperties.visible, CustomAction()->Visible());
}
bool TActionLink::IsCheckedLinked() const {
  return CustomAction() && IsLinked(fProperties.checked, CustomAction()->Checked());
}

void TActionLink::SetCaption(const AnsiString& value) {
  if (IsCaptionLinked()) fProperties.caption.set(value);
}
void TActionLink::SetEnabled(bool value) {
  if (IsEnabledLinked()) fProperties.enabled.set(value);
}
void TActionLink::SetHint(const AnsiString& value) {
  if (IsHintLinked()) fProperties.hint.set(value);
}
void TActionLink::SetShortCut(TShortCut value) {
  if (IsShortCutLinked()) fProperties.shortCut.set(value);
}
void TActionLink::SetVisible(bool value) {
  if (IsVisibleLinked()) fProperties.visible.set(value);
}
void TActionLink::SetChecked(bool value) {
  if (IsCheckedLinked()) fProperties.checked.set(value);
}

// A newly linked client takes every property of the action it has.
void TActionLink::AssignAction() {
  const TCustomAction* action = CustomAction();
  if (!action) return;
  auto take = [](const auto& property, const auto& value) {
    if (property.set) property.set(value);
  };
  take(fProperties.caption, action->Caption());
  take(fProperties.enabled, action->Enabled());
  take(fProperties.hint, action->Hint());
  take(fProperties.shortCut, action->ShortCut());
  take(fProperties.visible, action->Visible());
  take(fProperties.checked, action->Checked());
}

// TCustomAction

void TCustomAction::ForEachLink(const std::function<void(TActionLink&)>& tell) const {
  const std::vector<TBasicActionLink*> links = Links();
  for (TBasicActionLink* link : links)
    if (auto* actionLink = dynamic_cast<TActionLink*>(link)) tell(*actionLink);
}

void TCustomAction::SetCaption(const AnsiString& value) {
  if (value == fCaption) return;
  ForEachLink([&](TActionLink& link) { link.SetCaption(value); });
  fCaption = value;
}

void TCustomAction::SetEnabled(bool value) {
  if (value == fEnabled) return;
  ForEachLink([&](TActionLink& link) { link.SetEnabled(value); });
  fEnabled = value;
}

void TCustomAction::SetHint(const AnsiString& value) {
  if (value == fHint) return;
  ForEachLink([&](TActionLink& link) { link.SetHint(value); });
  fHint = value;
}

void TCustomAction::SetShortCut(TShortCut value) {
  if (value == fShortCut) return;
  ForEachLink([&](TActionLink& link) { link.SetShortCut(value); });
  fShortCut = value;
}

void TCustomAction::SetVisible(bool value) {
  if (value == fVisible) return;
  ForEachLink([&](TActionLink& link) { link.SetVisible(value); });
  fVisible = value;
}

void TCustomAction::SetChecked(bool value) {
  if (value == fChecked) return;
  ForEachLink([&](TActionLink& link) { link.SetChecked(value); });
  fChecked = value;
}

bool TCustomAction::Update() {
  const bool handled = TBasicAction::Update();
  if (!handled && fDisableIfNoHandler) SetEnabled(false);
  return handled;
}

}  // namespace ordvane

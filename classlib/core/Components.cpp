#include "classlib/core/Components.h"

#include <algorithm>

#include "classlib/core/DebugChecks.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

bool IsValidIdent(const AnsiString& name) {
  const auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !alpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

void Erase(std::vector<TComponent*>& list, const TComponent* component) {
  list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everything that refers to this component, newest registration first.
  while (!fFreeNotifies.empty()) {
    TComponent* other = fFreeNotifies.back();
    fFreeNotifies.pop_back();
    Erase(other->fFreeNotifies, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (fOwner != nullptr) fOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", {index}));
  return fComponents[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (fOwner == nullptr) return -1;
  const auto& siblings = fOwner->fComponents;
  return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : fComponents)
    if (SameText(c->fName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr || component->fOwner == this) return;
  for (const TComponent* c = this; c != nullptr; c = c->fOwner)
    ORDVANE_ASSERT(c != component, "A component cannot own itself or one of its owners");
  ValidateRename(component, AnsiString(), component->fName);
  if (component->fOwner != nullptr) component->fOwner->RemoveComponent(component);
  Insert(component);
  if (fState.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->fOwner != this) return;
  Remove(component);
  Notification(component, opRemove);
}

void TComponent::DestroyComponents() {
  while (!fComponents.empty()) {
    TComponent* newest = fComponents.back();
    Remove(newest);
    delete newest;
  }
}

void TComponent::Destroying() {
  if (fState.Contains(csDestroying)) return;
  fState.Include(csDestroying);
  for (TComponent* c : fComponents) c->Destroying();
}

void TComponent::SetName(const AnsiString& name) {
  if (name == fName) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("''%s'' is not a valid component name", {name}));
  if (fOwner != nullptr) fOwner->ValidateRename(this, fName, name);
  fName = name;
}

void TComponent::ValidateRename(const TComponent* component, const AnsiString& currentName,
                                const AnsiString& newName) const {
  const TComponent* existing = FindComponent(newName);
  if (existing != nullptr && existing != component && !SameText(currentName, newName))
    throw EComponentError(Format("A component named %s already exists", {newName}));
}

void TComponent::SetDesigning(bool designing, bool setChildren) {
  if (designing)
    fState.Include(csDesigning);
  else
    fState.Exclude(csDesigning);
  if (setChildren)
    for (TComponent* c : fComponents) c->SetDesigning(designing);
}

void TComponent::BeginLoading() {
  fState += {csLoading, csReading};
}

void TComponent::EndLoading() {
  fState.Exclude(csReading);
  Loaded();
}

void TComponent::CancelLoading() {
  fState -= {csLoading, csReading};
}

void TComponent::Loaded() {
  fState.Exclude(csLoading);
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  ORDVANE_ASSERT(!fState.Contains(csDestroying) && !component->fState.Contains(csDestroying),
                 "Free notification with a component that is being destroyed");
  if (std::find(fFreeNotifies.begin(), fFreeNotifies.end(), component) != fFreeNotifies.end()) return;
  fFreeNotifies.push_back(component);
  component->fFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  Erase(fFreeNotifies, component);
  Erase(component->fFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) RemoveFreeNotification(component);
  // A receiver may free components of this list; walk it from the end and re-check the
  // bound after every call.
  for (std::size_t i = fComponents.size(); i-- > 0;) {
    if (i >= fComponents.size()) {
      i = fComponents.size();
      continue;
    }
    fComponents[i]->Notification(component, operation);
  }
}

void TComponent::Insert(TComponent* component) {
  fComponents.push_back(component);
  component->fOwner = this;
  ORDVANE_DEBUG_ASSERT(OwnershipAgrees(), "an owner's components and their owner agree");
}

void TComponent::Remove(TComponent* component) {
  Erase(fComponents, component);
  component->fOwner = nullptr;
  ORDVANE_DEBUG_ASSERT(OwnershipAgrees(), "an owner's components and their owner agree");
}

bool TComponent::OwnershipAgrees() const {
  const bool listed = fOwner == nullptr || std::count(fOwner->fComponents.begin(), fOwner->fComponents.end(), this) == 1;
  return listed && std::all_of(fComponents.begin(), fComponents.end(),
                               [this](const TComponent* c) { return c != nullptr && c->fOwner == this; });
}

}  // namespace ordvane

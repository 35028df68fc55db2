#include "datasets/FIBDataSetsContainer.h"

#include <algorithm>

#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

thread_local TDataSetsContainer* tGlobalContainer = nullptr;

}  // namespace

TDataSetsContainer::TDataSetsContainer(TComponent* owner) : TComponent(owner) {}

TDataSetsContainer::~TDataSetsContainer() {
  if (tGlobalContainer == this) tGlobalContainer = nullptr;
}

TDataSetsContainer* TDataSetsContainer::GlobalContainer() {
  return tGlobalContainer;
}

bool TDataSetsContainer::InMasterChainOf(const TDataSetsContainer* container) const {
  for (const TDataSetsContainer* c = container; c != nullptr; c = c->fMasterContainer)
    if (c == this) return true;
  return false;
}

void TDataSetsContainer::SetMasterContainer(TDataSetsContainer* value) {
  if (value == fMasterContainer) return;
  if (value != nullptr && InMasterChainOf(value)) throw Exception("Circular link is not allowed.");
  if (fMasterContainer != nullptr)
    for (TDataSet* dataSet : fDataSets) fMasterContainer->RemoveDataSet(dataSet);
  fMasterContainer = value;
  if (fMasterContainer != nullptr) {
    fMasterContainer->FreeNotification(this);
    for (TDataSet* dataSet : fDataSets) fMasterContainer->AddDataSet(dataSet);
  }
}

void TDataSetsContainer::SetIsGlobalContainer(bool value) {
  fIsGlobalContainer = value;
  if (ComponentState().Contains(csDesigning)) return;
  if (value) {
    if (tGlobalContainer != nullptr && tGlobalContainer != this) tGlobalContainer->fIsGlobalContainer = false;
    tGlobalContainer = this;
  } else if (tGlobalContainer == this) {
    tGlobalContainer = nullptr;
  }
}

void TDataSetsContainer::AddDataSet(TDataSet* dataSet) {
  if (dataSet == nullptr) return;
  if (std::find(fDataSets.begin(), fDataSets.end(), dataSet) == fDataSets.end()) {
    fDataSets.push_back(dataSet);
    dataSet->FreeNotification(this);
  }
  if (fMasterContainer != nullptr) fMasterContainer->AddDataSet(dataSet);
}

void TDataSetsContainer::RemoveDataSet(TDataSet* dataSet) {
  std::erase(fDataSets, dataSet);
  if (fMasterContainer != nullptr) fMasterContainer->RemoveDataSet(dataSet);
}

void TDataSetsContainer::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == fMasterContainer)
    fMasterContainer = nullptr;
  else
    std::erase(fDataSets, component);
}

template <class Fire>
void TDataSetsContainer::Relay(const Fire& fire) {
  if (fMasterContainer != nullptr) fMasterContainer->Relay(fire);
  if (fActive) fire(*this);
}

void TDataSetsContainer::NotifyDataSetEvent(TDataSet* dataSet, TKindDataSetEvent event) {
  Relay([&](TDataSetsContainer& c) {
    if (c.OnDataSetEvent) c.OnDataSetEvent(dataSet, event);
  });
}

void TDataSetsContainer::DataSetError(TDataSet* dataSet, TKindDataSetError event, EDatabaseError& e,
                                      TDataAction& action) {
  Relay([&](TDataSetsContainer& c) {
    if (c.OnDataSetError) c.OnDataSetError(dataSet, event, e, action);
  });
}

void TDataSetsContainer::ApplyDefaultValue(TDataSet* dataSet, TField* field, bool& applied) {
  Relay([&](TDataSetsContainer& c) {
    if (c.OnApplyDefaultValue) c.OnApplyDefaultValue(dataSet, field, applied);
  });
}

void TDataSetsContainer::ApplyFieldRepository(TDataSet* dataSet, TField* field, const TpFIBFieldInfo& info) {
  Relay([&](TDataSetsContainer& c) {
    if (c.OnApplyFieldRepository) c.OnApplyFieldRepository(dataSet, field, info);
  });
}

bool TDataSetsContainer::CompareFieldValues(TField* field, const Variant& s1, const Variant& s2, int& result) {
  if (!OnCompareFieldValues) return false;
  bool compared = false;
  const int answer = OnCompareFieldValues(field, s1, s2, compared);
  if (compared) result = answer;
  return compared;
}

}  // namespace ordvane

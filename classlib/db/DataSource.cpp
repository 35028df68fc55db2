#include "classlib/db/DataSource.h"

#include <algorithm>

#include "classlib/db/DBConsts.h"

namespace ordvane {

using namespace dbconsts;

// --- TDataSource ---------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  while (!fDataLinks.empty()) fDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == fDataSet) return;
  if (dataSet != nullptr && IsLinkedTo(dataSet)) DatabaseError(SCircularDataLink, this);
  if (fDataSet != nullptr) {
    fDataSet->RemoveDataSource(this);
    fDataSet->RemoveFreeNotification(this);
  }
  fDataSet = dataSet;
  if (fDataSet != nullptr) {
    fDataSet->FreeNotification(this);
    fDataSet->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool value) {
  fEnabled = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (fAutoEdit && fState == dsBrowse) fDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  std::vector<const TDataSet*> visited;
  while (dataSet != nullptr) {
    const TDataSource* master = dataSet->GetDataSource();
    if (master == nullptr) break;
    if (master == this) return true;
    // A chain that loops without reaching this data source does not lead to it.
    if (std::find(visited.begin(), visited.end(), dataSet) != visited.end()) break;
    visited.push_back(dataSet);
    dataSet = master->DataSet();
  }
  return false;
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == fDataSet) {
    // The dataset's own part is gone by now; it only may no longer be referred to.
    fDataSet = nullptr;
    UpdateState();
  }
}

void TDataSource::UpdateState() { SetState(fEnabled && fDataSet != nullptr ? fDataSet->State() : dsInactive); }

void TDataSource::SetState(TDataSetState value) {
  if (fState == value) return;
  fState = value;
  NotifyDataLinks(deUpdateState, 0);
  const TNotifyEvent handler = OnStateChange;
  if (handler && !ComponentState().Contains(csDestroying)) handler(this);
}

void TDataSource::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (fState == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      const TDataChangeEvent handler = OnDataChange;
      if (handler) handler(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
      break;
    }
    case deUpdateRecord: {
      const TNotifyEvent handler = OnUpdateData;
      if (handler) handler(this);
      break;
    }
    default:
      break;
  }
}

void TDataSource::NotifyDataLinks(TDataEvent event, NativeInt info) {
  // A link may leave the data source while it handles the event, so the list is read by
  // index each time.
  for (bool visual : {false, true})
    for (std::size_t i = 0; i < fDataLinks.size(); ++i)
      if (fDataLinks[i]->fVisualControl == visual) fDataLinks[i]->DataEvent(event, info);
}

void TDataSource::AddDataLink(TDataLink* dataLink) {
  fDataLinks.push_back(dataLink);
  dataLink->fDataSource = this;
  if (fDataSet != nullptr) fDataSet->UpdateBufferCount();
  dataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* dataLink, bool tellLink) {
  dataLink->fDataSource = nullptr;
  fDataLinks.erase(std::remove(fDataLinks.begin(), fDataLinks.end(), dataLink), fDataLinks.end());
  if (tellLink) dataLink->UpdateState();
  if (fDataSet != nullptr) fDataSet->UpdateBufferCount();
}

// --- TDataLink -----------------------------------------------------------------------------

TDataLink::~TDataLink() {
  // Leaves without being told that it is no longer active: the class that would hear it
  // is gone already.
  if (fDataSource != nullptr) DestructorStep([this] { fDataSource->RemoveDataLink(this, false); });
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
  if (dataSource == fDataSource) return;
  if (fDataSourceFixed && (fDataSource == nullptr || !fDataSource->ComponentState().Contains(csDestroying)))
    DatabaseError(SDataSourceChange, fDataSource);
  if (fDataSource != nullptr) fDataSource->RemoveDataLink(this);
  if (dataSource != nullptr) dataSource->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return fDataSource != nullptr ? fDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
  if (value == fReadOnly) return;
  fReadOnly = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  const TDataSetState state = fDataSource != nullptr ? fDataSource->State() : dsInactive;
  // While the dataset opens there are no records to show yet.
  const bool active = state != dsInactive && state != dsOpening;
  SetActive(active);
  SetEditing(active && !fReadOnly && (state == dsEdit || state == dsInsert || state == dsSetKey));
}

void TDataLink::SetActive(bool value) {
  if (value == fActive) return;
  fActive = value;
  if (value)
    UpdateRange();
  else
    fFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (value == fEditing) return;
  fEditing = value;
  EditingChanged();
}

void TDataLink::SetBufferCount(Integer value) {
  value = std::max(value, 1);
  if (value == fBufferCount) return;
  fBufferCount = value;
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  if (fActive) UpdateRange();
  dataSet->UpdateBufferCount();
  if (fActive) UpdateRange();
}

int TDataLink::ClampedFirstRecord(int first) const {
  const TDataSet* dataSet = DataSet();
  const int active = dataSet->fActiveRecord;
  const int lowest = std::max(0, active - fBufferCount + 1);
  const int highest = std::max(lowest, std::min(active, dataSet->fRecordCount - fBufferCount));
  return std::clamp(first, lowest, highest);
}

void TDataLink::UpdateRange() {
  if (DataSet() != nullptr) fFirstRecord = ClampedFirstRecord(fFirstRecord);
}

Integer TDataLink::RecordCount() const {
  if (!fActive) return 0;
  if (fDataSource->State() == dsSetKey) return 1;
  return std::clamp(DataSet()->fRecordCount - fFirstRecord, 0, fBufferCount);
}

Integer TDataLink::ActiveRecord() const {
  if (!fActive || fDataSource->State() == dsSetKey) return 0;
  return DataSet()->fActiveRecord - fFirstRecord;
}

void TDataLink::SetActiveRecord(Integer value) {
  if (!fActive || fDataSource->State() == dsSetKey) return;
  TDataSet* dataSet = DataSet();
  const int index = value + fFirstRecord;
  if (index < 0 || index >= dataSet->fBufferCount) DatabaseErrorFmt(SRecordIndexOutOfRange, {index}, dataSet);
  dataSet->fActiveRecord = index;
}

bool TDataLink::Edit() {
  if (!fReadOnly && fDataSource != nullptr) fDataSource->Edit();
  return fEditing;
}

void TDataLink::UpdateRecord() {
  fUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    fUpdating = false;
    throw;
  }
  fUpdating = false;
}

void TDataLink::DataSetScrolled(int /*distance*/) { DataSetChanged(); }

void TDataLink::FocusControl(TField*& /*field*/) {}

void TDataLink::RecordChanged(TField* /*field*/) {}

void TDataLink::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!fActive) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!fUpdating) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      // The records moved in the dataset's buffers by info (a scroll); the window follows
      // them, then moves as little as it must to keep the active record in view.
      const int shifted = fFirstRecord + (event == deDataSetScroll ? static_cast<int>(info) : 0);
      const int first = fDataSource->State() == dsSetKey ? shifted : ClampedFirstRecord(shifted);
      fFirstRecord = first;
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(first - shifted);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(*reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

}  // namespace ordvane

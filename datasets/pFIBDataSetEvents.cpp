// TpFIBDataSet's event overrides and what they tell the event containers (BeforeEdit,
// AfterPost and AfterDelete are with the lock and the batches), the error,
// default-value and comparison relays, field and parameter access, and record numbers
// that count only the records the dataset shows.

#include <algorithm>

#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConsts.h"

namespace ordvane {

// ---- Containers -----------------------------------------------------------------------------

void TpFIBDataSet::SetContainer(TDataSetsContainer* value) {
  if (value == fContainer) return;
  if (fContainer != nullptr) fContainer->RemoveDataSet(this);
  fContainer = value;
  if (fContainer != nullptr) {
    fContainer->FreeNotification(this);
    fContainer->AddDataSet(this);
  }
}

void TpFIBDataSet::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == fContainer) fContainer = nullptr;
  TFIBDataSet::Notification(component, operation);
}

template <class Ask>
void TpFIBDataSet::AskContainers(const Ask& ask) {
  // A dataset whose own container is the global one hears it once.
  TDataSetsContainer* global = TDataSetsContainer::GlobalContainer();
  if (global != nullptr && global != fContainer) ask(*global);
  if (fContainer != nullptr) ask(*fContainer);
}

void TpFIBDataSet::NotifyContainers(TKindDataSetEvent event) {
  AskContainers([&](TDataSetsContainer& container) { container.NotifyDataSetEvent(this, event); });
}

void TpFIBDataSet::RelayError(TKindDataSetError kind, const TDataSetErrorEvent& own, EDatabaseError& e,
                              TDataAction& action) {
  AskContainers([&](TDataSetsContainer& container) { container.DataSetError(this, kind, e, action); });
  // A copy: the handler may replace itself.
  const TDataSetErrorEvent handler = own;
  if (handler) handler(this, e, action);
}

void TpFIBDataSet::RelayFieldRepository(TField* field, const TpFIBFieldInfo& info) {
  AskContainers([&](TDataSetsContainer& container) { container.ApplyFieldRepository(this, field, info); });
  if (OnApplyFieldRepository) OnApplyFieldRepository(this, field, info);
}

void TpFIBDataSet::ApplyDefaultValue(TField* field, bool& applied) {
  applied = false;
  AskContainers([&](TDataSetsContainer& container) { container.ApplyDefaultValue(this, field, applied); });
  if (OnApplyDefaultValue) OnApplyDefaultValue(this, field, applied);
}

int TpFIBDataSet::CompareFieldValues(TField* field, const Variant& value1, const Variant& value2) {
  bool compared = false;
  int result = 0;
  AskContainers([&](TDataSetsContainer& container) {
    int answer = 0;
    if (container.CompareFieldValues(field, value1, value2, answer)) {
      compared = true;
      result = answer;
    }
  });
  return compared ? result : TFIBDataSet::CompareFieldValues(field, value1, value2);
}

bool TpFIBDataSet::ComparesFieldValuesItself() const {
  if (TFIBDataSet::ComparesFieldValuesItself()) return true;
  const TDataSetsContainer* global = TDataSetsContainer::GlobalContainer();
  return (global != nullptr && global->OnCompareFieldValues) ||
         (fContainer != nullptr && fContainer->OnCompareFieldValues);
}

// ---- Event overrides ------------------------------------------------------------------------

void TpFIBDataSet::DoBeforeOpen() {
  if (OpenCloseEventsDisabled()) return;
  NotifyContainers(deBeforeOpen);
  TFIBDataSet::DoBeforeOpen();
}

void TpFIBDataSet::DoBeforeClose() {
  if (OpenCloseEventsDisabled()) return;
  NotifyContainers(deBeforeClose);
  TFIBDataSet::DoBeforeClose();
}

void TpFIBDataSet::DoAfterClose() {
  ForgetVisibleCount();
  // The records they name are gone with the cache.
  fUncommittedChanges.clear();
  fUncommittedShownPending = false;
  if (!OpenCloseEventsDisabled()) NotifyContainers(deAfterClose);
  TFIBDataSet::DoAfterClose();
}

void TpFIBDataSet::DoBeforeInsert() {
  RefuseInsertWithoutStatement();
  NotifyContainers(deBeforeInsert);
  // The permission is settled above: the framework's step fires the handler alone.
  // NOLINTNEXTLINE(bugprone-parent-virtual-call)
  TDataSet::DoBeforeInsert();
}

void TpFIBDataSet::DoAfterInsert() {
  NotifyContainers(deAfterInsert);
  TFIBDataSet::DoAfterInsert();
}

void TpFIBDataSet::DoAfterEdit() {
  NotifyContainers(deAfterEdit);
  TFIBDataSet::DoAfterEdit();
}

void TpFIBDataSet::DoBeforeCancel() {
  TFIBDataSet::DoBeforeCancel();
  NotifyContainers(deBeforeCancel);
}

void TpFIBDataSet::DoAfterCancel() {
  NotifyContainers(deAfterCancel);
  TFIBDataSet::DoAfterCancel();
}

void TpFIBDataSet::DoBeforeDelete() {
  if (!CanDelete()) throw EAbort();
  NotifyContainers(deBeforeDelete);
  TFIBDataSet::DoBeforeDelete();
}

void TpFIBDataSet::DoBeforeScroll() {
  NotifyContainers(deBeforeScroll);
  TFIBDataSet::DoBeforeScroll();
}

void TpFIBDataSet::DoAfterScroll() {
  NotifyContainers(deAfterScroll);
  TFIBDataSet::DoAfterScroll();
}

void TpFIBDataSet::DoOnCalcFields() {
  NotifyContainers(deOnCalcFields);
  TFIBDataSet::DoOnCalcFields();
}

void TpFIBDataSet::DoBeforeRefresh() {
  NotifyContainers(deBeforeRefresh);
  TFIBDataSet::DoBeforeRefresh();
}

void TpFIBDataSet::DoAfterRefresh() {
  ForgetVisibleCount();
  NotifyContainers(deAfterRefresh);
  TFIBDataSet::DoAfterRefresh();
}

// ---- Fields, parameters, version ------------------------------------------------------------

TField* TpFIBDataSet::FieldByNumber(Integer fieldNo) {
  return Fields().FieldByNumber(fieldNo);
}

TFIBXSQLVAR& TpFIBDataSet::ParamByName(const AnsiString& name) {
  if (!Prepared()) Prepare();
  return SelectQuery().ParamByName(name);
}

AnsiString TpFIBDataSet::About() const {
  return DBClientVersionText() + " Internal";
}

// ---- Visible record numbers -----------------------------------------------------------------

namespace {

bool NumbersVisibleRecords(TpFIBDataSet& dataSet) {
  return dataSet.Options().Contains(poVisibleRecno) && dataSet.State() != dsFilter &&
         dataSet.CacheModelOptions().CacheModelKind() == cmkStandard;
}

}  // namespace

Integer TpFIBDataSet::VisibleRecordCount() {
  const Integer fetched = FetchedCount();
  if (fVisibleCountFor == fetched) return fVisibleCount;
  // Every fetched record is tested, so the list of hidden positions is whole up to here.
  std::vector<Byte> record(static_cast<std::size_t>(RecordBufferSize()));
  Integer visible = 0;
  for (Integer index = 0; index < fetched; ++index) {
    ReadRecordCache(index, record.data(), false);
    if (RecordIsVisible(record.data())) ++visible;
  }
  fVisibleCount = visible;
  fVisibleCountFor = fetched;
  return visible;
}

Integer TpFIBDataSet::GetRecordCount() {
  if (Active() && NumbersVisibleRecords(*this)) {
    if (Filtered()) return VisibleRecordCount();
    // A record deleted outside cached updates is gone from the server's count already:
    // only deletions the server has not seen yet are taken off it.
    const Integer server = RecordCountFromServer();
    if (!CachedUpdates()) return std::max(TFIBDataSet::GetRecordCount(), server);
    return std::max(FetchedCount(), server) - DeletedCount();
  }
  if (PrepareOptions().Contains(psAskRecordCount) && Active()) return RecordCountFromServer();
  return TFIBDataSet::GetRecordCount();
}

Integer TpFIBDataSet::GetRecNo() {
  const Integer physical = TFIBDataSet::GetRecNo();
  if (physical <= 0 || !NumbersVisibleRecords(*this)) return physical;
  VisibleRecordCount();
  const std::vector<Integer>& hidden = FilteredOutPositions();
  return physical - static_cast<Integer>(std::lower_bound(hidden.begin(), hidden.end(), physical) - hidden.begin());
}

void TpFIBDataSet::SetRecNo(Integer value) {
  if (!Active() || !NumbersVisibleRecords(*this)) return TFIBDataSet::SetRecNo(value);
  CheckBrowseMode();
  if (value > VisibleRecordCount()) FetchAll();
  VisibleRecordCount();
  Integer target = std::max<Integer>(value, 1);
  for (const Integer position : FilteredOutPositions()) {
    if (position > target) break;
    ++target;
  }
  TFIBDataSet::SetRecNo(target);
}

// A count made while the filter changes is made for neither filter: forgotten after too.
void TpFIBDataSet::SetFilterText(const AnsiString& text) {
  ForgetVisibleCount();
  TFIBDataSet::SetFilterText(text);
  ForgetVisibleCount();
}

void TpFIBDataSet::SetFilterOptions(TFilterOptions options) {
  ForgetVisibleCount();
  TFIBDataSet::SetFilterOptions(options);
  ForgetVisibleCount();
}

void TpFIBDataSet::SetFiltered(bool value) {
  ForgetVisibleCount();
  TFIBDataSet::SetFiltered(value);
  ForgetVisibleCount();
}

}  // namespace ordvane

#include "gridbase/DBSumLst.h"

#include <array>
#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Math.h"
#include "gridbase/SupportEh.h"

namespace ordvane {

namespace {

constexpr Currency kOneRecord = Currency::FromScaled(Currency::Scale);

}  // namespace

Currency DBSumScaledValue(double value) {
  // The product is taken in double precision, as the field gives its value: a product
  // held in a wider type would round some ties (0.00025 x 10000) the other way.
  const double scaled = value * static_cast<double>(Currency::Scale);
  if (!std::isfinite(scaled)) throw EInvalidOp("Invalid floating point operation");
  return Currency::FromScaled(Round(scaled));
}

// --- TDBSum --------------------------------------------------------------------------------

TDBSum::TDBSum(TCollection* collection) : TCollectionItem(collection) {}

void TDBSum::SetFieldName(const AnsiString& value) {
  if (value == fFieldName) return;
  fFieldName = value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation value) {
  if (value == fGroupOperation) return;
  fGroupOperation = value;
  Changed(false);
}

void TDBSum::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TDBSum*>(source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  fFieldName = other->fFieldName;
  fGroupOperation = other->fGroupOperation;
  fOld = other->fOld;
  fSumValue = other->fSumValue;
}

TDBSumShare TDBSum::ShareOf(TField* field) const {
  if (fGroupOperation == goCount) {
    const bool counted = field == nullptr || !field->IsNull();
    return {counted ? kOneRecord : Currency(), counted};
  }
  if (field->IsNull()) return {};
  return {DBSumScaledValue(field->AsFloat()), true};
}

void TDBSum::Add(const TDBSumShare& share) {
  if (fGroupOperation == goAvg) {
    fCount += share.counted ? 1 : 0;
    fRunningSum += share.amount;
  } else {
    fSumValue += share.amount;
  }
}

void TDBSum::Replace(const TDBSumShare& removed, const TDBSumShare& added) {
  if (fGroupOperation != goAvg) {
    fSumValue = fSumValue - removed.amount + added.amount;
    return;
  }
  const Integer count = fCount - (removed.counted ? 1 : 0) + (added.counted ? 1 : 0);
  const Currency runningSum = fRunningSum - removed.amount + added.amount;
  const Currency average = AverageOf(runningSum, count);
  fCount = count;
  fRunningSum = runningSum;
  fSumValue = average;
}

void TDBSum::UpdateAverage() {
  if (fGroupOperation == goAvg) fSumValue = AverageOf(fRunningSum, fCount);
}

Currency TDBSum::AverageOf(Currency runningSum, Integer count) {
  // Currency division rounds to nearest, ties to even.
  return count > 0 ? runningSum / Currency::FromInt64(count) : Currency();
}

void TDBSum::Clear() {
  fOld = {};
  fCount = 0;
  fRunningSum = {};
  fSumValue = {};
}

// --- TDBSumCollection ----------------------------------------------------------------------

TDBSumCollection::TDBSumCollection(TDBSumListProducer* owner)
    : TCollection(owner, TCollectionItemClass::Of<TDBSum>()), fProducer(owner) {}

TDBSum* TDBSumCollection::SumByOpAndFName(TGroupOperation operation, const AnsiString& fieldName) const {
  for (int i = 0; i < Count(); ++i) {
    TDBSum* item = Items(i);
    if (item->GroupOperation() == operation && AnsiSameText(item->FieldName(), fieldName)) return item;
  }
  return nullptr;
}

void TDBSumCollection::Update(TCollectionItem* /*item*/) {
  const TComponent* owner = fProducer->Owner();
  if (owner != nullptr &&
      (owner->ComponentState().Contains(csLoading) || owner->ComponentState().Contains(csDestroying)))
    return;
  fProducer->RecalculateAll();
}

// --- TDBSumListProducer --------------------------------------------------------------------

class TDBSumListProducer::TWatch : public TComponent, public TDataSetEventListener {
 public:
  explicit TWatch(TDBSumListProducer* producer) : TComponent(nullptr), fProducer(producer) {}

  void Watch(TComponent* component) {
    if (component != nullptr) FreeNotification(component);
  }
  void Unwatch(TComponent* component) {
    if (component != nullptr) RemoveFreeNotification(component);
  }
  void DataSetEventFired(TDataSet* dataSet, TDataSetNotifyEvent TDataSet::*event, bool afterHandler) override {
    fProducer->DataSetEventFired(dataSet, event, afterHandler);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) fProducer->Forget(component);
  }

 private:
  TDBSumListProducer* fProducer;
};

namespace {

using TProducerHandler = void (TDBSumListProducer::*)(TDataSet*);

// The dataset's events the producer follows, and whether it runs after the program's
// handler of that event or before it.
struct THook {
  TDataSetNotifyEvent TDataSet::*event;
  TProducerHandler handler;
  bool afterHandler;
};

const std::array<THook, 9> kHooks = {{
    {&TDataSet::AfterCancel, &TDBSumListProducer::DataSetAfterCancel, true},
    {&TDataSet::AfterClose, &TDBSumListProducer::DataSetAfterClose, false},
    {&TDataSet::AfterEdit, &TDBSumListProducer::DataSetAfterEdit, false},
    {&TDataSet::AfterInsert, &TDBSumListProducer::DataSetAfterInsert, false},
    {&TDataSet::AfterOpen, &TDBSumListProducer::DataSetAfterOpen, false},
    {&TDataSet::AfterPost, &TDBSumListProducer::DataSetAfterPost, false},
    {&TDataSet::AfterScroll, &TDBSumListProducer::DataSetAfterScroll, true},
    {&TDataSet::BeforeDelete, &TDBSumListProducer::DataSetBeforeDelete, true},
    {&TDataSet::AfterDelete, &TDBSumListProducer::DataSetAfterDelete, false},
}};

}  // namespace

TDBSumListProducer::TDBSumListProducer(TComponent* owner)
    : fOwner(owner),
      fSumCollection(std::make_unique<TDBSumCollection>(this)),
      fWatch(std::make_unique<TWatch>(this)) {}

TDBSumListProducer::~TDBSumListProducer() { StopListening(); }

void TDBSumListProducer::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TDBSumListProducer*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  fExternalRecalc = other->fExternalRecalc;
  fVirtualRecords = other->fVirtualRecords;
  fSumCollection->Assign(other->fSumCollection.get());
  SetActive(other->fActive);
}

bool TDBSumListProducer::OwnerLoading() const {
  return fOwner != nullptr && fOwner->ComponentState().Contains(csLoading);
}

void TDBSumListProducer::Fire(const TNotifyEvent& event) {
  const TNotifyEvent handler = event;
  if (handler) handler(this);
}

void TDBSumListProducer::DataSetEventFired(TDataSet* dataSet, TDataSetNotifyEvent TDataSet::*event,
                                           bool afterHandler) {
  if (dataSet == fMaster) {
    if (event == &TDataSet::AfterScroll && afterHandler) MasterAfterScroll(dataSet);
    return;
  }
  if (dataSet != fDataSet || !fHooked) return;
  for (const THook& hook : kHooks)
    if (hook.event == event && hook.afterHandler == afterHandler) (this->*hook.handler)(dataSet);
}

// --- settings ------------------------------------------------------------------------------

void TDBSumListProducer::SetActive(bool value) {
  fActive = value;
  if (OwnerLoading()) return;
  if (value) {
    HookDataSetEvents();
    RecalculateAll();
  } else {
    UnhookDataSetEvents();
    ClearSumValues();
  }
}

void TDBSumListProducer::SetDataSet(TDataSet* value) {
  if (value == fDataSet) return;
  if (fDataSet != nullptr && fDataSet->ComponentState().Contains(csDestroying)) {
    UnhookDataSetEvents();
    fWatch->Unwatch(fDataSet);
    fDataSet = nullptr;
  }
  if (OwnerLoading()) {
    StoreDataSet(value);
    return;
  }
  const bool wasActive = fActive;
  SetActive(false);
  StoreDataSet(value);
  if (wasActive) SetActive(true);
}

void TDBSumListProducer::StoreDataSet(TDataSet* value) {
  // Handlers left in the old dataset would work on the new one.
  if (fHooked) UnhookDataSetEvents();
  fWatch->Unwatch(fDataSet);
  fDataSet = value;
  fWatch->Watch(fDataSet);
}

void TDBSumListProducer::SetExternalRecalc(bool value) {
  if (value == fExternalRecalc) return;
  fExternalRecalc = value;
  RecalculateAll();
}

void TDBSumListProducer::SetVirtualRecords(bool value) {
  if (value == fVirtualRecords) return;
  fVirtualRecords = value;
  if (value) RecalculateAll();
}

// --- hooking -------------------------------------------------------------------------------

void TDBSumListProducer::HookDataSetEvents() {
  if (fDataSet == nullptr || fHooked) return;
  // Listening, not taking the handlers over: any number of producers can follow one
  // dataset and leave it in any order, and the program's handlers stay its own.
  fDataSet->AddEventListener(fWatch.get());
  TDataSet* master = GetObjectPropDataSourceEh(fDataSet, "MasterSource");
  if (master != nullptr && master != fDataSet && !master->ComponentState().Contains(csDestroying)) {
    fMaster = master;
    master->AddEventListener(fWatch.get());
    fWatch->Watch(master);
  }
  fHooked = true;
}

void TDBSumListProducer::UnhookDataSetEvents() {
  StopListening();
  ForgetBookmarks();
}

void TDBSumListProducer::StopListening() {
  if (fHooked && fDataSet != nullptr) fDataSet->RemoveEventListener(fWatch.get());
  if (fMaster != nullptr) {
    fMaster->RemoveEventListener(fWatch.get());
    fWatch->Unwatch(fMaster);
  }
  fMaster = nullptr;
  fHooked = false;
}

void TDBSumListProducer::ForgetBookmarks() {
  fPendingDelete.reset();
  fBookmarks.clear();
  fCurrentIndex = -1;
  fBookmarkPending = false;
}

void TDBSumListProducer::Forget(TComponent* component) {
  if (component == fMaster) fMaster = nullptr;
  if (component != fDataSet) return;
  // Nothing is written into the dying dataset; the master lives on and is left.
  fHooked = false;
  StopListening();
  fDataSet = nullptr;
  ForgetBookmarks();
  fRecalculating = false;
  ClearSumValues();
}

// --- recalculation -------------------------------------------------------------------------

void TDBSumListProducer::ClearSumValues() {
  for (int i = 0; i < fSumCollection->Count(); ++i) fSumCollection->Items(i)->Clear();
  Fire(SumListChanged);
}

bool TDBSumListProducer::ListsBookmarks() {
  return fDataSet != nullptr && fActive && fVirtualRecords && !fDataSet->IsSequenced();
}

bool TDBSumListProducer::NeedsWalk() {
  for (int i = 0; i < fSumCollection->Count(); ++i)
    if (fSumCollection->Items(i)->Aggregates()) return true;
  return ListsBookmarks();
}

void TDBSumListProducer::RecalculateAll() {
  if (OwnerLoading() || !fActive || fDataSet == nullptr || !fDataSet->Active() || !fHooked) return;
  ClearSumValues();
  // The walk counts what the dataset holds now. A recalculation inside a delete comes
  // after the record went (a master refreshed in AfterDelete): it must not go out twice.
  fPendingDelete.reset();
  // A list that is not rebuilt would number records that may be gone.
  fBookmarks.clear();
  fCurrentIndex = -1;
  Fire(OnRecalcAll);
  if (!fExternalRecalc && NeedsWalk()) Walk();
  RememberFilter();
  fRecalculating = false;
  Fire(SumListChanged);
}

void TDBSumListProducer::Walk() {
  fDataSet->DisableControls();
  fRecalculating = true;
  try {
    WalkRecords(ItemFields());
  } catch (...) {
    // Partial sums are never shown, and the dataset is left usable: its controls work
    // and later scrolls are heard again.
    fRecalculating = false;
    ForgetBookmarks();
    RememberFilter();
    fDataSet->EnableControls();
    ClearSumValues();
    throw;
  }
  for (int i = 0; i < fSumCollection->Count(); ++i) fSumCollection->Items(i)->UpdateAverage();
  fDataSet->EnableControls();
  Fire(OnAfterRecalcAll);
}

void TDBSumListProducer::WalkRecords(const std::vector<TField*>& fields) {
  const bool listBookmarks = ListsBookmarks();
  const int count = fSumCollection->Count();
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) {
    for (int i = 0; i < count; ++i) {
      TDBSum* item = fSumCollection->Items(i);
      if (item->Aggregates()) item->Add(item->ShareOf(fields[static_cast<std::size_t>(i)]));
    }
    if (listBookmarks) fBookmarks.push_back(fDataSet->Bookmark());
  }
  fDataSet->First();
}

std::vector<TField*> TDBSumListProducer::ItemFields() const {
  std::vector<TField*> fields;
  fields.reserve(static_cast<std::size_t>(fSumCollection->Count()));
  for (int i = 0; i < fSumCollection->Count(); ++i) {
    const TDBSum* item = fSumCollection->Items(i);
    fields.push_back(item->Aggregates() && !item->FieldName().empty() ? fDataSet->FieldByName(item->FieldName())
                                                                       : nullptr);
  }
  return fields;
}

void TDBSumListProducer::RememberFilter() {
  fSavedFiltered = fDataSet->Filtered();
  fSavedFilter = fDataSet->Filter();
}

bool TDBSumListProducer::FilterChanged() const {
  if (fDataSet->Filtered() != fSavedFiltered) return true;
  return fDataSet->Filtered() && fDataSet->Filter() != fSavedFilter;
}

// --- the dataset's events ------------------------------------------------------------------

void TDBSumListProducer::DataSetAfterCancel(TDataSet* /*dataSet*/) {
  fBookmarkPending = false;
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* /*dataSet*/) {
  ClearSumValues();
  fRecalculating = false;
  ForgetBookmarks();
}

void TDBSumListProducer::DataSetAfterEdit(TDataSet* /*dataSet*/) {
  const std::vector<TField*> fields = ItemFields();
  for (int i = 0; i < fSumCollection->Count(); ++i) {
    TDBSum* item = fSumCollection->Items(i);
    if (item->Aggregates()) item->fOld = item->ShareOf(fields[static_cast<std::size_t>(i)]);
  }
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet* /*dataSet*/) {
  // The new record has counted nothing yet, whatever a default already put in it: the
  // post adds all it holds.
  for (int i = 0; i < fSumCollection->Count(); ++i) fSumCollection->Items(i)->fOld = {};
  // Its bookmark joins the list at the post, in dataset order; a cancel leaves no trace.
  if (ListsBookmarks()) fBookmarkPending = true;
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* /*dataSet*/) {
  if (fActive) RecalculateAll();
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* /*dataSet*/) {
  const std::vector<TField*> fields = ItemFields();
  for (int i = 0; i < fSumCollection->Count(); ++i) {
    TDBSum* item = fSumCollection->Items(i);
    if (!item->Aggregates()) continue;
    const TDBSumShare now = item->ShareOf(fields[static_cast<std::size_t>(i)]);
    item->Replace(item->fOld, now);
    item->fOld = now;
  }
  if (fBookmarkPending) {
    PlacePostedBookmark();
    fBookmarkPending = false;
  }
  Fire(SumListChanged);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* /*dataSet*/) {
  if (fActive && !fRecalculating && FilterChanged()) RecalculateAll();
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* /*dataSet*/) {
  // Only noted: the dataset, the server or a later handler may still refuse the delete,
  // and then no event follows. The record goes out of the sums at AfterDelete.
  // A record deleted in the middle of an edit counted its stored values, which the edit
  // began with, not the ones typed since.
  const bool editing = fDataSet->State() == dsEdit;
  const std::vector<TField*> fields = ItemFields();
  TPendingDelete pending;
  for (int i = 0; i < fSumCollection->Count(); ++i) {
    TDBSum* item = fSumCollection->Items(i);
    pending.shares.push_back(!item->Aggregates() ? TDBSumShare{}
                             : editing           ? item->fOld
                                                 : item->ShareOf(fields[static_cast<std::size_t>(i)]));
  }
  if (ListsBookmarks()) {
    pending.bookmark = fDataSet->Bookmark();
    pending.bookmarkIndex = FindBookmarkIndex(pending.bookmark);
  }
  fPendingDelete = std::move(pending);
}

void TDBSumListProducer::DataSetAfterDelete(TDataSet* /*dataSet*/) {
  if (!fPendingDelete) return;
  const TPendingDelete pending = std::move(*fPendingDelete);
  fPendingDelete.reset();
  if (pending.shares.size() == static_cast<std::size_t>(fSumCollection->Count()))
    for (int i = 0; i < fSumCollection->Count(); ++i) {
      TDBSum* item = fSumCollection->Items(i);
      if (item->Aggregates()) item->Replace(pending.shares[static_cast<std::size_t>(i)], {});
    }
  const auto index = static_cast<std::size_t>(pending.bookmarkIndex);
  if (pending.bookmarkIndex >= 0 && index < fBookmarks.size() && fBookmarks[index] == pending.bookmark)
    fBookmarks.erase(fBookmarks.begin() + pending.bookmarkIndex);
  Fire(SumListChanged);
}

void TDBSumListProducer::MasterAfterScroll(TDataSet* /*dataSet*/) {
  if (fActive && !fRecalculating) RecalculateAll();
}

// --- virtual records -----------------------------------------------------------------------

int TDBSumListProducer::CompareAt(int index, const TBookmark& bookmark) {
  return DataSetCompareBookmarksEh(fDataSet, fBookmarks[static_cast<std::size_t>(index)], bookmark);
}

int TDBSumListProducer::StartIndex() const {
  const int count = static_cast<int>(fBookmarks.size());
  return fCurrentIndex < 0 || fCurrentIndex >= count ? 0 : fCurrentIndex;
}

void TDBSumListProducer::PlacePostedBookmark() {
  const TBookmark bookmark = fDataSet->Bookmark();
  if (bookmark.empty()) return;
  const int count = static_cast<int>(fBookmarks.size());
  int index = 0;
  if (count > 0) {
    index = StartIndex();
    int order = CompareAt(index, bookmark);
    if (order == 0) return;  // listed already
    if (order > 0) {
      // Down past the entries that come after it; it goes right after the first that
      // comes before it.
      do --index;
      while (index >= 0 && (order = CompareAt(index, bookmark)) > 0);
      if (index >= 0 && order == 0) return;
      ++index;
    } else {
      // Up past the entries that come before it; it goes where the first one after it is.
      do ++index;
      while (index < count && (order = CompareAt(index, bookmark)) < 0);
      if (index < count && order == 0) return;
    }
  }
  fBookmarks.insert(fBookmarks.begin() + index, bookmark);
  fCurrentIndex = index;
}

int TDBSumListProducer::LinearSearch(const TBookmark& bookmark) {
  for (int i = 0; i < static_cast<int>(fBookmarks.size()); ++i)
    if (CompareAt(i, bookmark) == 0) return i;
  return -1;
}

int TDBSumListProducer::FindBookmarkIndex(const TBookmark& bookmark) {
  const int count = static_cast<int>(fBookmarks.size());
  if (count == 0 || bookmark.empty() || fDataSet == nullptr) return -1;
  int index = StartIndex();
  int order = CompareAt(index, bookmark);
  if (order != 0) {
    const int step = order > 0 ? -1 : 1;
    for (;;) {
      index += step;
      if (index < 0 || index >= count) return -1;
      order = CompareAt(index, bookmark);
      if (order == 0) break;
      if ((order > 0 ? -1 : 1) != step) {
        // Between two neighbours, or the list is out of order: only a full search can
        // tell, and it ends.
        index = LinearSearch(bookmark);
        if (index < 0) return -1;
        break;
      }
    }
  }
  fCurrentIndex = index;
  return index;
}

Integer TDBSumListProducer::GetRecNo() {
  if (fDataSet == nullptr) return 0;
  if (!ListsBookmarks()) return fDataSet->RecNo();
  return FindBookmarkIndex(fDataSet->Bookmark()) + 1;
}

void TDBSumListProducer::SetRecNo(Integer value) {
  if (fDataSet == nullptr) return;
  if (!ListsBookmarks()) {
    fDataSet->SetRecNo(value);
    return;
  }
  if (value < 1 || value > static_cast<Integer>(fBookmarks.size())) return;
  // A copy: the scroll may recalculate and rebuild the list.
  const TBookmark target = fBookmarks[static_cast<std::size_t>(value - 1)];
  fCurrentIndex = value - 1;
  fDataSet->GotoBookmark(target);
}

Integer TDBSumListProducer::GetRecordCount() {
  if (fDataSet == nullptr) return 0;
  if (!ListsBookmarks()) return fDataSet->RecordCount();
  return static_cast<Integer>(fBookmarks.size());
}

bool TDBSumListProducer::IsSequenced() {
  if (fDataSet == nullptr) return false;
  if (fDataSet->IsSequenced()) return true;
  if (!fVirtualRecords || !fActive) return false;
  return !fBookmarks.empty() || (fDataSet->Bof() && fDataSet->Eof());
}

}  // namespace ordvane

#include "classlib/db/DataSet.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/ScopeEnd.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "classlib/db/DataSource.h"
#include "classlib/db/BinaryFields.h"
#include "classlib/db/BooleanField.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NativeFormats.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"

namespace ordvane {

using namespace dbconsts;

namespace {

// Key values as one value per key field: the elements of an array, or the value itself.
std::vector<Variant> SpreadValues(const Variant& values, std::size_t count) {
  std::vector<Variant> result;
  if (count > 1 || VarIsArray(values)) {
    if (!VarIsArray(values) || VarArrayDimCount(values) != 1 ||
        VarArrayHighBound(values, 1) - VarArrayLowBound(values, 1) + 1 != static_cast<Integer>(count))
      throw EVariantBadIndexError("Variant or safe array index out of bounds");
    for (Integer i = VarArrayLowBound(values, 1); i <= VarArrayHighBound(values, 1); ++i)
      result.push_back(VarArrayGet(values, {i}));
  } else {
    result.push_back(values);
  }
  return result;
}

}  // namespace

// A temporary state for the life of a scope, restored also when the scope is left by an
// exception.
class TDataSet::TTempState {
 public:
  TTempState(TDataSet* dataSet, TDataSetState state) : fDataSet(dataSet), fSaved(dataSet->SetTempState(state)) {}
  ~TTempState() { fDataSet->RestoreState(fSaved); }
  TTempState(const TTempState&) = delete;
  TTempState& operator=(const TTempState&) = delete;

 private:
  TDataSet* fDataSet;
  TDataSetState fSaved;
};

// --- life ----------------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fFieldDefs(std::make_unique<TFieldDefs>(this)), fFields(std::make_unique<TFields>(this)) {}

TDataSet::~TDataSet() {
  Destroying();
  // A concrete dataset closes itself in its own destructor; what it left open cannot be
  // closed from here, because its part of the object is gone.
  fActive = false;
  fState = dsInactive;
  while (!fDataSources.empty()) fDataSources.back()->SetDataSet(nullptr);
  fFields->DeleteAll();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!fStreamedActive) return;
  try {
    SetActive(true);
  } catch (...) {
    InternalHandleException();
  }
}

void TDataSet::InternalHandleException() { throw; }

// --- open and close ------------------------------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csLoading)) {
    fStreamedActive = value;
    return;
  }
  if (value == fActive) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor();
      fActive = true;
      SetState(dsBrowse);
    } catch (...) {
      fActive = false;
      SetState(dsInactive);
      try {
        CloseCursor();
      } catch (...) {
        // The failure to open is what the caller needs to see.
      }
      throw;
    }
    DataEvent(deDataSetChange, 0);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    fActive = false;
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor() {
  SetState(dsOpening);
  DoInternalOpen();
}

void TDataSet::CloseCursor() { DoInternalClose(); }

void TDataSet::DoInternalOpen() {
  fDefaultFields = FieldCount() == 0;
  InternalOpen();
  UpdateBufferCount();
  fBOF = true;
}

void TDataSet::DoInternalClose() {
  ClearBuffers();
  SetBufferCount(0);
  fCalcBuffer = nullptr;
  InternalClose();
}

void TDataSet::ForceClose() noexcept {
  fActive = false;
  try {
    SetState(dsInactive);
  } catch (...) {
    fState = dsInactive;
  }
  try {
    CloseCursor();
  } catch (...) {
    // Nothing more can be done; the dataset is closed as far as the framework goes.
  }
}

void TDataSet::FieldDestroying(TField* field) {
  fFields->Remove(field);
  if (!fActive) return;
  try {
    Close();
  } catch (...) {
    ForceClose();
  }
}

void TDataSet::SetUniDirectional(bool value) {
  CheckInactive();
  fUniDirectional = value;
}

void TDataSet::SetRecNo(Integer /*value*/) {}

void TDataSet::CheckActive() const {
  if (fState == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (fActive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckBiDirectional() const {
  if (fUniDirectional) DatabaseError(SDataSetUnidirectional, this);
}

void TDataSet::CheckCanModify() {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

// --- state and events ----------------------------------------------------------------------

void TDataSet::SetState(TDataSetState value) {
  if (fState == value) return;
  fState = value;
  fModified = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState previous = fState;
  if (fTempStateDepth++ == 0) fStateUnderTemp = previous;
  fState = value;
  ++fDisableCount;
  return previous;
}

void TDataSet::RestoreState(TDataSetState value) {
  fState = value;
  if (fTempStateDepth > 0) --fTempStateDepth;
  --fDisableCount;
}

void TDataSet::DisableControls() {
  if (fDisableCount == 0) {
    fDisableState = fState;
    fEnableEvent = deDataSetChange;
    DataEvent(deDisabledStateChange, 1);
  }
  ++fDisableCount;
}

void TDataSet::EnableControls() {
  if (fDisableCount == 0) return;
  if (--fDisableCount != 0) return;
  DataEvent(deDisabledStateChange, 0);
  if (fDisableState != fState) DataEvent(deUpdateState, 0);
  if (fDisableState != dsInactive && fState != dsInactive) DataEvent(fEnableEvent, 0);
}

void TDataSet::DataEvent(TDataEvent event, NativeInt info) {
  switch (event) {
    case deFieldChange: {
      TField* field = reinterpret_cast<TField*>(info);
      if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) fModified = true;
      field->Change();
      UpdateCalcFields(field);
      break;
    }
    case dePropertyChange:
      fFieldDefs->SetUpdated(false);
      break;
    default:
      break;
  }
  if (!ControlsDisabled() && fState != dsBlockRead)
    NotifyDataSources(event, info);
  else if ((event == deUpdateState && fState == dsInactive) || event == deLayoutChange)
    fEnableEvent = deLayoutChange;
}

void TDataSet::NotifyDataSources(TDataEvent event, NativeInt info) {
  // A handler may unlink a data source; indexes keep the walk inside the list.
  for (std::size_t i = 0; i < fDataSources.size(); ++i) fDataSources[i]->DataEvent(event, info);
}

void TDataSet::FireEvent(TDataSetNotifyEvent TDataSet::*event) {
  // Most datasets have no listener: every scroll fires two events.
  if (!fEventListeners.empty()) NotifyEventListeners(event, false);
  if (this->*event) {
    // A copy, so that a handler may replace the event it runs from.
    const TDataSetNotifyEvent handler = this->*event;
    handler(this);
  }
  if (!fEventListeners.empty()) NotifyEventListeners(event, true);
}

void TDataSet::AddEventListener(TDataSetEventListener* listener) {
  if (std::find(fEventListeners.begin(), fEventListeners.end(), listener) == fEventListeners.end())
    fEventListeners.push_back(listener);
}

void TDataSet::RemoveEventListener(TDataSetEventListener* listener) {
  std::erase(fEventListeners, listener);
}

void TDataSet::NotifyEventListeners(TDataSetNotifyEvent TDataSet::*event, bool afterHandler) {
  // A listener may remove itself or another (and die) while it runs: each is called only
  // while it is still listening.
  const std::vector<TDataSetEventListener*> listeners = fEventListeners;
  for (TDataSetEventListener* listener : listeners)
    if (std::find(fEventListeners.begin(), fEventListeners.end(), listener) != fEventListeners.end())
      listener->DataSetEventFired(this, event, afterHandler);
}

void TDataSet::DoAfterCancel() { FireEvent(&TDataSet::AfterCancel); }
void TDataSet::DoAfterClose() { FireEvent(&TDataSet::AfterClose); }
void TDataSet::DoAfterDelete() { FireEvent(&TDataSet::AfterDelete); }
void TDataSet::DoAfterEdit() { FireEvent(&TDataSet::AfterEdit); }
void TDataSet::DoAfterInsert() { FireEvent(&TDataSet::AfterInsert); }
void TDataSet::DoAfterOpen() { FireEvent(&TDataSet::AfterOpen); }
void TDataSet::DoAfterPost() { FireEvent(&TDataSet::AfterPost); }
void TDataSet::DoAfterRefresh() { FireEvent(&TDataSet::AfterRefresh); }
void TDataSet::DoAfterScroll() { FireEvent(&TDataSet::AfterScroll); }
void TDataSet::DoBeforeCancel() { FireEvent(&TDataSet::BeforeCancel); }
void TDataSet::DoBeforeClose() { FireEvent(&TDataSet::BeforeClose); }
void TDataSet::DoBeforeDelete() { FireEvent(&TDataSet::BeforeDelete); }
void TDataSet::DoBeforeEdit() { FireEvent(&TDataSet::BeforeEdit); }
void TDataSet::DoBeforeInsert() { FireEvent(&TDataSet::BeforeInsert); }
void TDataSet::DoBeforeOpen() { FireEvent(&TDataSet::BeforeOpen); }
void TDataSet::DoBeforePost() { FireEvent(&TDataSet::BeforePost); }
void TDataSet::DoBeforeRefresh() { FireEvent(&TDataSet::BeforeRefresh); }
void TDataSet::DoBeforeScroll() { FireEvent(&TDataSet::BeforeScroll); }
void TDataSet::DoOnCalcFields() { FireEvent(&TDataSet::OnCalcFields); }
void TDataSet::DoOnNewRecord() { FireEvent(&TDataSet::OnNewRecord); }

// --- data sources and the buffer window ----------------------------------------------------

void TDataSet::AddDataSource(TDataSource* dataSource) {
  fDataSources.push_back(dataSource);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
  fDataSources.erase(std::remove(fDataSources.begin(), fDataSources.end(), dataSource), fDataSources.end());
  UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) {
  std::vector<const TDataSet*> visited;
  while (dataSource != nullptr) {
    TDataSet* dataSet = dataSource->DataSet();
    if (dataSet == nullptr) break;
    if (dataSet == this) return true;
    // A chain that loops without reaching this dataset does not lead back to it.
    if (std::find(visited.begin(), visited.end(), dataSet) != visited.end()) break;
    visited.push_back(dataSet);
    dataSource = dataSet->GetDataSource();
  }
  return false;
}

void TDataSet::UpdateBufferCount() {
  if (ComponentState().Contains(csDestroying) || !IsCursorOpen()) return;
  int wanted = 1;
  for (const TDataSource* dataSource : fDataSources)
    for (const TDataLink* link : dataSource->fDataLinks) wanted = std::max(wanted, link->fBufferCount);
  SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int value) {
  const std::size_t wanted = value > 0 ? static_cast<std::size_t>(value) + 1 : 0;
  if (value == fBufferCount && fBuffers.size() == wanted) return;
  if (value < fRecordCount) {
    // Keep the active record inside the smaller window: records go from the end first,
    // then from the front.
    const int dropFront = value > 0 ? std::max(0, fActiveRecord - (value - 1)) : 0;
    std::rotate(fBuffers.begin(), fBuffers.begin() + dropFront, fBuffers.begin() + fRecordCount);
    fActiveRecord -= dropFront;
    fRecordCount = value;
    CursorPosChanged();
    AdjustFirstRecords(-dropFront);
  }
  while (fBuffers.size() > wanted) {
    FreeRecordBuffer(fBuffers.back());
    fBuffers.pop_back();
  }
  fBuffers.reserve(wanted);
  while (fBuffers.size() < wanted) fBuffers.push_back(AllocRecordBuffer());
  const int previous = fBufferCount;
  fBufferCount = value;
  if (value > previous && value > 0) {
    GetNextRecords();
    // While opening the cursor stands before the first record: nothing lies before it.
    if (fState != dsOpening) AdjustFirstRecords(GetPriorRecords());
  }
}

void TDataSet::AdjustFirstRecords(int delta) {
  for (TDataSource* dataSource : fDataSources)
    for (TDataLink* link : dataSource->fDataLinks)
      if (link->fActive) {
        link->fFirstRecord += delta;
        link->UpdateRange();
      }
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  const auto begin = fBuffers.begin();
  // A window of one record moves at every row: its buffer and the spare trade places.
  if (curIndex + 1 == newIndex || newIndex + 1 == curIndex)
    std::iter_swap(begin + curIndex, begin + newIndex);
  else if (curIndex < newIndex)
    std::rotate(begin + curIndex, begin + curIndex + 1, begin + newIndex + 1);
  else
    std::rotate(begin + newIndex, begin + curIndex, begin + curIndex + 1);
  // CurrentRecord keeps naming the buffer of the cursor's record.
  if (fCurrentRecord == curIndex)
    fCurrentRecord = newIndex;
  else if (curIndex < newIndex && fCurrentRecord > curIndex && fCurrentRecord <= newIndex)
    --fCurrentRecord;
  else if (curIndex > newIndex && fCurrentRecord >= newIndex && fCurrentRecord < curIndex)
    ++fCurrentRecord;
}

void TDataSet::ClearBuffers() {
  fRecordCount = 0;
  fActiveRecord = 0;
  fCurrentRecord = -1;
  fBOF = true;
  fEOF = true;
}

void TDataSet::ActivateBuffers() {
  fRecordCount = 1;
  fActiveRecord = 0;
  fCurrentRecord = 0;
  fBOF = false;
  fEOF = false;
}

void TDataSet::SetCurrentRecord(int index) {
  if (fCurrentRecord == index) return;
  TRecordBuffer buffer = fBuffers[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  fCurrentRecord = index;
}

void TDataSet::MoveActiveRecord(int distance) {
  if (fBufferCount < 1) return;
  const Int64 target = Int64{fActiveRecord} + distance;
  fActiveRecord = static_cast<int>(std::clamp<Int64>(target, 0, fBufferCount - 1));
}

void TDataSet::UpdateCursorPos() {
  if (fRecordCount > 0) SetCurrentRecord(fActiveRecord);
}

bool TDataSet::GetNextRecord() {
  if (fRecordCount > 0) SetCurrentRecord(fRecordCount - 1);
  const bool ok = GetRecord(fBuffers[static_cast<std::size_t>(fRecordCount)], gmNext, true) == grOK;
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (fRecordCount == 0)
    ActivateBuffers();
  else if (fRecordCount < fBufferCount)
    ++fRecordCount;
  else
    MoveBuffer(0, fRecordCount);  // the first record leaves; its buffer becomes the spare
  fCurrentRecord = fRecordCount - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  CheckBiDirectional();
  if (fRecordCount > 0) SetCurrentRecord(0);
  const bool ok = GetRecord(fBuffers[static_cast<std::size_t>(fRecordCount)], gmPrior, true) == grOK;
  if (!ok) {
    CursorPosChanged();
    return false;
  }
  if (fRecordCount == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(fRecordCount, 0);
    // A growing window keeps the active buffer on the same record.
    if (fRecordCount < fBufferCount) {
      ++fRecordCount;
      ++fActiveRecord;
    }
  }
  fCurrentRecord = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (fRecordCount < fBufferCount && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (fRecordCount < fBufferCount && GetPriorRecord()) ++count;
  return count;
}

// --- navigation ----------------------------------------------------------------------------

void TDataSet::First() { RebuildFromEnd(false); }

void TDataSet::Last() {
  CheckBiDirectional();
  RebuildFromEnd(true);
}

void TDataSet::RebuildFromEnd(bool last) {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  bool& atEnd = last ? fEOF : fBOF;
  try {
    if (last) {
      InternalLast();
      GetPriorRecord();
      GetPriorRecords();
    } else {
      InternalFirst();
      GetNextRecord();
      GetNextRecords();
    }
  } catch (...) {
    atEnd = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  atEnd = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  int moved = 0;
  if ((distance > 0 && !fEOF) || (distance < 0 && !fBOF)) {
    fBOF = false;
    fEOF = false;
    const int oldRecordCount = fRecordCount;
    // How far the records moved in the buffers: -1 for each record that left at the
    // front, +1 for each that came in at the front.
    int scrollCount = 0;
    const auto report = [&] {
      if (fRecordCount != oldRecordCount)
        DataEvent(deDataSetChange, 0);
      else
        DataEvent(deDataSetScroll, scrollCount);
    };
    try {
      while (distance > 0) {
        if (fActiveRecord < fRecordCount - 1) {
          ++fActiveRecord;
        } else {
          const int shift = fRecordCount < fBufferCount ? 0 : 1;
          if (!GetNextRecord()) {
            fEOF = true;
            break;
          }
          scrollCount -= shift;
          if (fActiveRecord < fRecordCount - 1) ++fActiveRecord;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (fActiveRecord > 0) {
          --fActiveRecord;
        } else {
          const int shift = fRecordCount < fBufferCount ? 0 : 1;
          if (!GetPriorRecord()) {
            fBOF = true;
            break;
          }
          scrollCount += shift;
          if (fActiveRecord > 0) --fActiveRecord;
        }
        ++distance;
        --moved;
      }
    } catch (...) {
      report();
      throw;
    }
    report();
    DoAfterScroll();
  }
  return moved;
}

void TDataSet::Resync(TResyncMode mode) {
  if (fUniDirectional) return;
  TRecordBuffer spare = fBuffers[static_cast<std::size_t>(fRecordCount)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int before = mode.Contains(rmCenter) ? (fBufferCount - 1) / 2 : fActiveRecord;
  MoveBuffer(fRecordCount, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  DoBeforeRefresh();
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
  DoAfterRefresh();
}

bool TDataSet::BookmarkAvailable() {
  return (fState == dsBrowse || fState == dsEdit || fState == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmarkStr TDataSet::Bookmark() {
  if (!BookmarkAvailable()) return {};
  TBookmarkStr bookmark(static_cast<std::size_t>(fBookmarkSize), '\0');
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  // A bookmark of another size cannot be one of this dataset's.
  if (bookmark.size() != static_cast<std::size_t>(fBookmarkSize)) DatabaseError(SRecordNotFound, this);
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

// --- editing -------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (fState == dsEdit || fState == dsInsert) {
    UpdateRecord();
    if (fModified)
      Post();
    else
      Cancel();
  }
}

void TDataSet::UpdateRecord() {
  if (fState != dsEdit && fState != dsInsert && fState != dsSetKey) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*operation)();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      const TDataSetErrorEvent handler = errorEvent;
      if (handler) handler(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
}

void TDataSet::Edit() {
  if (fState == dsEdit || fState == dsInsert) return;
  if (fRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  if (!AddingRecord()) CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  fModified = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const TBookmarkStr current = Bookmark();
  const bool grows = fRecordCount < fBufferCount;
  MoveBuffer(fRecordCount, fActiveRecord);
  if (grows) ++fRecordCount;
  try {
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (current.empty())
      SetBookmarkFlag(buffer, bfBOF);
    else
      SetBookmarkData(buffer, current.data());
    InternalInsert();
  } catch (...) {
    // Put the window back as it was: the new buffer returns to the spare place.
    if (grows) --fRecordCount;
    MoveBuffer(fActiveRecord, fRecordCount);
    CursorPosChanged();
    throw;
  }
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  try {
    TRecordBuffer buffer = fBuffers[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    fRecordCount = 1;
    fBOF = false;
    GetPriorRecords();
    InternalInsert();
  } catch (...) {
    try {
      Resync({});
    } catch (...) {
      // The failure of the append is what the caller needs to see.
    }
    throw;
  }
  EndInsertAppend();
}

void TDataSet::Post() {
  UpdateRecord();
  if (fState != dsEdit && fState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(AddingRecord() ? &TDataSet::InternalAddActiveRecord : &TDataSet::InternalPost, OnPostError);
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalDelete() { DatabaseError(SDataSetReadOnly, this); }

void TDataSet::InternalAddRecord(TRecordBuffer /*buffer*/, bool /*append*/) {
  CheckCanModify();
  InternalPost();
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : *fFields)
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
    }
}

void TDataSet::Cancel() {
  if (fState != dsEdit && fState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  const bool inserting = fState == dsInsert;
  if (inserting) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
  if (inserting) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (fState == dsInsert || fState == dsSetKey) {
    Cancel();
    return;
  }
  if (fRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::SetFieldsFromValues(const std::vector<Variant>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!VarIsEmpty(values[i])) fFields->Fields(static_cast<int>(i))->SetValue(values[i]);
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) { AddRecord(values, false); }

void TDataSet::AppendRecord(const std::vector<Variant>& values) { AddRecord(values, true); }

void TDataSet::AddRecord(const std::vector<Variant>& values, bool append) {
  // A pending edit is posted as an edit, before the record path begins.
  CheckBrowseMode();
  fAddingRecord = append ? TAddingRecord::Append : TAddingRecord::Insert;
  const TScopeEnd ended([this] { fAddingRecord = TAddingRecord::None; });
  if (append)
    Append();
  else
    Insert();
  try {
    SetFieldsFromValues(values);
    Post();
  } catch (...) {
    // The record goes in whole or not at all.
    if (fState == dsInsert) Cancel();
    throw;
  }
}

// --- fields --------------------------------------------------------------------------------

void TDataSet::InitFieldDefs() {
  // A dataset that cannot describe its records without a cursor opens one itself.
  InternalInitFieldDefs();
}

std::vector<TField*> TDataSet::GetFieldList(const AnsiString& names) const {
  std::vector<TField*> fields;
  for (const AnsiString& name : SplitList(names, ';', true, TEmptyItems::KeepButTrailing))
    fields.push_back(FieldByName(name));
  return fields;
}

Variant TDataSet::FieldValues(const AnsiString& names) {
  if (names.find(';') == AnsiString::npos) return FieldByName(Trim(names))->Value();
  std::vector<Variant> values;
  for (TField* field : GetFieldList(names)) values.push_back(field->Value());
  return VarArrayOf(values);
}

void TDataSet::SetFieldValues(const AnsiString& names, const Variant& values) {
  if (names.find(';') == AnsiString::npos) {
    FieldByName(Trim(names))->SetValue(values);
    return;
  }
  const std::vector<TField*> fields = GetFieldList(names);
  const std::vector<Variant> spread = SpreadValues(values, fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(spread[i]);
}

TFieldClass TDataSet::GetFieldClass(TFieldType fieldType) {
  switch (fieldType) {
    case ftString:
    case ftFixedChar:
      return TFieldClass::Of<TStringField>();
    case ftWideString:
      return TFieldClass::Of<TWideStringField>();
    case ftSmallint:
      return TFieldClass::Of<TSmallintField>();
    case ftInteger:
      return TFieldClass::Of<TIntegerField>();
    case ftWord:
      return TFieldClass::Of<TWordField>();
    case ftAutoInc:
      return TFieldClass::Of<TAutoIncField>();
    case ftLargeint:
      return TFieldClass::Of<TLargeintField>();
    case ftBoolean:
      return TFieldClass::Of<TBooleanField>();
    case ftFloat:
      return TFieldClass::Of<TFloatField>();
    case ftCurrency:
      return TFieldClass::Of<TCurrencyField>();
    case ftBCD:
      return TFieldClass::Of<TBCDField>();
    case ftDate:
      return TFieldClass::Of<TDateField>();
    case ftTime:
      return TFieldClass::Of<TTimeField>();
    case ftDateTime:
      return TFieldClass::Of<TDateTimeField>();
    case ftBytes:
      return TFieldClass::Of<TBytesField>();
    case ftVarBytes:
      return TFieldClass::Of<TVarBytesField>();
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return TFieldClass::Of<TBlobField>();
    case ftMemo:
      return TFieldClass::Of<TMemoField>();
    case ftGraphic:
      return TFieldClass::Of<TGraphicField>();
    case ftGuid:
      return TFieldClass::Of<TGuidField>();
    default:
      return {};
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fFieldDefs->Count(); ++i) fFieldDefs->Items(i)->CreateField(this);
}

void TDataSet::DestroyFields() { fFields->DeleteAll(); }

void TDataSet::CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) {
  const auto base = [](TFieldType type) {
    switch (type) {
      case ftFixedChar:
        return ftString;
      case ftAutoInc:
        return ftInteger;
      default:
        return type;
    }
  };
  if (base(field->DataType()) != base(fieldDef->DataType()))
    DatabaseErrorFmt(SFieldTypeMismatch,
                     {field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(fieldDef->DataType())},
                     this);
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftBytes:
    case ftVarBytes:
      if (field->Size() != fieldDef->Size())
        DatabaseErrorFmt(SFieldSizeMismatch, {field->DisplayName(), field->Size(), fieldDef->Size()}, this);
      break;
    default:
      break;
  }
}

void TDataSet::BindFields(bool binding) {
  fCalcFieldsSize = 0;
  fBlobFieldCount = 0;
  fInternalCalcFields = false;
  for (TField* field : *fFields) {
    if (!binding) {
      if (field->fFieldNo > 0) field->fFieldNo = 0;
      field->fOffset = 0;
      continue;
    }
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      if (field->FieldKind() == fkLookup &&
          (field->LookupDataSet() == nullptr || field->KeyFields().empty() || field->LookupKeyFields().empty() ||
           field->LookupResultField().empty()))
        DatabaseErrorFmt(SFieldLookupIncomplete, {field->DisplayName()}, this);
      field->fFieldNo = -1;
      field->fOffset = fCalcFieldsSize;
      fCalcFieldsSize += field->DataSize() + 1;  // a presence byte, then the value
    } else {
      TFieldDef* fieldDef = fFieldDefs->Find(field->FieldName());
      CheckFieldCompatibility(field, fieldDef);
      field->fFieldNo = fieldDef->FieldNo();
      if (field->FieldKind() == fkInternalCalc) fInternalCalcFields = true;
      if (field->IsBlob()) {
        field->fSize = fieldDef->Size();
        field->fOffset = fBlobFieldCount++;
      }
    }
  }
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr) return GetFieldData(field, buffer);
  std::vector<Byte> native(static_cast<std::size_t>(field->DataSize()));
  const bool present = GetFieldData(field, native.data());
  if (present) DataConvert(field, native.data(), buffer, false);
  return present;
}

void TDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr) {
    SetFieldData(field, buffer);
    return;
  }
  TFieldValueBuffer native(static_cast<std::size_t>(field->DataSize()));
  DataConvert(field, buffer, native.Data(), true);
  SetFieldData(field, native.Data());
}

void TDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  ConvertNativeData(field->DataType(), field->Size(), source, dest, toNative, field->DataSize());
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode /*mode*/) {
  DatabaseErrorFmt(SFieldAccessError, {field->DisplayName(), "Blob"});
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  TTempState scope(this, state);
  return field->AsVariant();
}

bool TDataSet::GetStateFieldData(TDataSetState state, TField* field, void* buffer) {
  TTempState scope(this, state);
  return field->GetData(buffer);
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  TTempState scope(this, state);
  field->SetAsVariant(value);
}

// --- calculated and lookup fields ----------------------------------------------------------

void TDataSet::ClearCalcFields(TRecordBuffer /*buffer*/) {}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (fCalcFieldsSize == 0 && !fInternalCalcFields) return;
  TTempState scope(this, dsCalcFields);
  CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  fCalcBuffer = buffer;
  if (fState != dsInternalCalc) {
    ClearCalcFields(buffer);
    for (TField* field : *fFields)
      if (field->FieldKind() == fkLookup) CalcLookupValue(field);
  }
  DoOnCalcFields();
}

void TDataSet::CalcLookupValue(TField* field) {
  TDataSet* lookupDataSet = field->LookupDataSet();
  Variant value = Null();
  if (lookupDataSet != nullptr && lookupDataSet->Active()) {
    // A record whose key is (partly) null refers to nothing.
    bool keyIsNull = false;
    for (TField* key : GetFieldList(field->KeyFields())) keyIsNull = keyIsNull || key->IsNull();
    if (!keyIsNull)
      value = lookupDataSet->Lookup(field->LookupKeyFields(), FieldValues(field->KeyFields()),
                                    field->LookupResultField());
  }
  field->SetValue(value);
}

void TDataSet::UpdateCalcFields(TField* field) {
  // A data field written while the calculated fields are being computed does not start
  // another computation.
  if (fState == dsSetKey || fState == dsCalcFields || field->FieldKind() != fkData || !fAutoCalcFields) return;
  // Every write of every field comes here: a dataset without calculated fields has nothing
  // to compute.
  if (fCalcFieldsSize == 0 && !fInternalCalcFields) return;
  GetCalcFields(ActiveBuffer());
}

// --- searching -----------------------------------------------------------------------------

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                             TLocateOptions options) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* field = fields[i];
    const Variant& key = values[i];
    if (VarIsNull(key) || VarIsEmpty(key)) {
      if (!field->IsNull()) return false;
      continue;
    }
    if (field->IsNull()) return false;
    if (IsTextFieldType(field->DataType())) {
      AnsiString text = field->AsString();
      AnsiString wanted = VarToStr(key);
      if (options.Contains(loPartialKey) && text.size() > wanted.size()) text.resize(wanted.size());
      const bool equal = options.Contains(loCaseInsensitive) ? AnsiSameText(text, wanted) : text == wanted;
      if (!equal) return false;
    } else if (VarCompareValue(field->Value(), key) != vrEqual) {
      return false;
    }
  }
  return true;
}

Integer TDataSet::Translate(const char* source, std::span<char> destination, bool /*toOem*/) {
  if (source == nullptr || destination.empty()) return 0;
  const std::size_t length = strnlen(source, destination.size() - 1);
  if (source != destination.data()) std::memmove(destination.data(), source, length);
  destination[length] = '\0';
  return static_cast<Integer>(length);
}

bool TDataSet::LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  const std::vector<TField*> fields = GetFieldList(keyFields);
  const std::vector<Variant> values = SpreadValues(keyValues, fields.size());
  const TBookmarkStr start = Bookmark();
  DisableControls();
  bool found = false;
  try {
    First();
    while (!found && !Eof()) {
      found = RecordMatches(fields, values, options);
      if (!found) Next();
    }
    if (!found) GotoBookmark(start);
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  return found;
}

bool TDataSet::Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
  return LocateRecord(keyFields, keyValues, options);
}

Variant TDataSet::Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) {
  CheckBrowseMode();
  const TBookmarkStr start = Bookmark();
  DisableControls();
  Variant result = Null();
  try {
    if (LocateRecord(keyFields, keyValues, {})) {
      result = FieldValues(resultFields);
      GotoBookmark(start);
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  return result;
}

// --- filters -------------------------------------------------------------------------------

void TDataSet::SetFiltered(bool value) { fFiltered = value; }

void TDataSet::SetFilterOptions(TFilterOptions options) {
  CheckBiDirectional();
  fFilterOptions = options;
}

void TDataSet::SetFilterText(const AnsiString& text) { fFilterText = text; }

TField* GetFieldProperty(const TDataSet* dataSet, const TComponent* control, const AnsiString& fieldName) {
  TField* field = dataSet->FindField(fieldName);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName}, control);
  return field;
}

}  // namespace ordvane

// TFIBCustomDataSet's open and close, the fetch of rows into the cache on demand, the
// moves between records, bookmarks, the record count and number.

#include <algorithm>
#include <cstring>

#include "classlib/core/Application.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBFields.h"

namespace ordvane {

// ---- Open -----------------------------------------------------------------------------------

bool TFIBCustomDataSet::IsSelect() const {
  return fSelectQuery->SQLType() == SQLSelect || fSelectQuery->SQLType() == SQLSelectForUpdate;
}

void TFIBCustomDataSet::InternalOpen() {
  TSQLCursorScope cursor(fSQLScreenCursor);
  if (!fPrepared || !fSelectQuery->Prepared()) Prepare();
  if (!FieldDefs().Updated()) InternalInitFieldDefs();
  SetParamsFromMaster();
  fNoRows = !IsSelect();
  if (fNoRows) {
    // Run for its effect: the dataset has no rows and binds no fields.
    fSelectQuery->ExecQuery();
    fCurrentRecord = -1;
    fCursorOpen = true;
    SetBookmarkSize(StandardBookmarkSize);
    return;
  }
  if (DefaultFields()) CreateFields();
  BindFields(true);
  // A filter set while the dataset was closed is parsed against the fields it now has.
  if (!fFilterParser) fFilterParser = BuildFilterParser(Filter(), FilterOptions());
  if (fPrepareOptions.Contains(psGetOrderInfo) || fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize)
    CheckOrderFields();
  fCurrentRecord = -1;
  DoBeforeExecuteSelect();
  // Cached updates keep their rows over a hard transaction end: they fetch the rest first.
  fSelectQuery->SetCloseOnHardTransactionEnd(!fCachedUpdates);
  fSelectQuery->ExecQuery();
  fCursorOpen = fSelectQuery->Open();
  fDatabaseUnicode = Database() != nullptr && Database()->IsUnicodeCharSet();
  CreateRecordCache();
  SetBookmarkSize(StandardBookmarkSize);
  if (LimitedModel()) OpenWindow();
}

void TFIBCustomDataSet::DoAfterOpen() {
  if (!ComponentState().Contains(csDesigning) && fFieldOriginRule != forNoRule)
    for (TField* field : Fields())
      if (field->FieldKind() == fkData) field->SetOrigin(GetFieldOrigin(field));
  if (fOptions.Contains(poPersistentSorting) && fSorted)
    RestoreLocalSort();
  else if (!fOptions.Contains(poPersistentSorting) && !fPrepareOptions.Contains(psGetOrderInfo))
    ClearOrderInfo();
  TDataSet::DoAfterOpen();
  fSQLChanged = false;
  if (fOptions.Contains(poFetchAll)) FetchAll();
}

void TFIBCustomDataSet::InternalClose() {
  // A closed dataset has no scrolling to end.
  if (fEndScrollTimer) fEndScrollTimer->SetEnabled(false);
  CloseWindow();
  fCurrentRecord = -1;
  fCursorOpen = false;
  fNoRows = false;
  fDeletedCount = 0;
  fRecordSize = 0;
  fBlobStreams.Clear();
  fWrittenArrays.clear();
  FreeRecordCache();
  fStateRecord.clear();
  ForgetColumnLinks(Fields());
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

void TFIBCustomDataSet::InternalHandleException() {
  Application->HandleException(this);
}

void TFIBCustomDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  if (fSelectQuery->Open()) fSelectQuery->Close();
}

void TFIBCustomDataSet::DoBeforeOpen() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoBeforeOpen();
}

void TFIBCustomDataSet::DoBeforeClose() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoBeforeClose();
}

void TFIBCustomDataSet::DoAfterClose() {
  if (fOpenCloseEventsDisabled == 0) TDataSet::DoAfterClose();
  if (fOptions.Contains(poFreeHandlesAfterClose)) FreeHandles();
}

void TFIBCustomDataSet::DoBeforeScroll() {
  if (fScrollEventsDisabled == 0) TDataSet::DoBeforeScroll();
}

void TFIBCustomDataSet::DoAfterScroll() {
  if (fScrollEventsDisabled != 0) return;
  RestartEndScrollTimer();
  TDataSet::DoAfterScroll();
}

// Restarted by every scroll, so that only a rest as long as the interval ends a burst;
// a dataset whose end of scrolling nobody waits for holds no timer.
void TFIBCustomDataSet::RestartEndScrollTimer() {
  if (!OnEndScroll) return;
  if (!fEndScrollTimer) {
    fEndScrollTimer = std::make_unique<TTimer>(nullptr);
    fEndScrollTimer->SetEnabled(false);
    fEndScrollTimer->SetInterval(fScrollTimerInterval);
    fEndScrollTimer->SetOnTimer(TNotifyEvent([this](TObject*) { EndScroll(); }));
  }
  fEndScrollTimer->SetEnabled(false);
  fEndScrollTimer->SetEnabled(true);
}

void TFIBCustomDataSet::EndScroll() {
  fEndScrollTimer->SetEnabled(false);
  if (OnEndScroll) OnEndScroll(this);
}

// ---- Fetching -------------------------------------------------------------------------------

bool TFIBCustomDataSet::FetchNextRow(TRecordBuffer shown) {
  if (fSelectQuery->Eof() || fSelectQuery->Next() == nullptr) return false;
  const Integer index = fFetchedCount;
  const bool handled = static_cast<bool>(AfterFetchRecord);
  const Byte* appended = StoreRowInCache(*fSelectQuery, index);
  FireAfterFetchRecord(*fSelectQuery, index);
  ++fFetchedCount;
  if (shown == nullptr) return true;
  // The record just stored is composed where it lies, without looking it up again; a
  // handler might have changed the cache, and then it is read as any other.
  if (appended != nullptr && !handled) {
    fRecordsCache->ReadAppendedRecord(appended, shown + StatusOffset);
    SetRecordIndex(shown, index);
  } else {
    ReadRecordCache(index, shown, false);
  }
  return true;
}

TGetResult TFIBCustomDataSet::GetCurrentModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord < 0) return grBOF;
  if (fCurrentRecord < fFetchedCount) {
    ReadRecordCache(fCurrentRecord, buffer, false);
    return grOK;
  }
  while (fFetchedCount <= fCurrentRecord && FetchNextRow()) {
  }
  // One step back, within the rows fetched: past them there is nothing to show.
  fCurrentRecord = std::min(fCurrentRecord, fFetchedCount) - 1;
  if (fCurrentRecord < 0) return grEOF;
  ReadRecordCache(fCurrentRecord, buffer, false);
  return grOK;
}

TGetResult TFIBCustomDataSet::GetNextModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord < fFetchedCount - 1) {
    ReadRecordCache(++fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentRecord >= fFetchedCount || fSelectQuery->Eof()) return grEOF;
  ++fCurrentRecord;
  return FetchNextRow(buffer) ? grOK : grEOF;
}

TGetResult TFIBCustomDataSet::GetPriorModeRecord(TRecordBuffer buffer) {
  if (fCurrentRecord >= 1 && fCurrentRecord <= fFetchedCount) {
    ReadRecordCache(--fCurrentRecord, buffer, false);
    return grOK;
  }
  if (fCurrentRecord == 0) fCurrentRecord = -1;
  return grBOF;
}

TGetResult TFIBCustomDataSet::SkipInvisibleRecords(TRecordBuffer buffer, TGetMode mode) {
  while (!RecordIsVisible(buffer)) {
    if (mode == gmPrior) {
      if (fCurrentRecord >= 0) --fCurrentRecord;
      if (fCurrentRecord < 0) return grBOF;
      ReadRecordCache(fCurrentRecord, buffer, false);
      continue;
    }
    ++fCurrentRecord;
    if (fCurrentRecord < fFetchedCount)
      ReadRecordCache(fCurrentRecord, buffer, false);
    else if (!FetchNextRow(buffer))
      return grEOF;
  }
  return grOK;
}

TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) {
  for (;;) {
    try {
      return ReadRecordInto(buffer, mode);
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (OnGetRecordError) OnGetRecordError(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
}

TGetResult TFIBCustomDataSet::ReadRecordInto(TRecordBuffer buffer, TGetMode mode) {
  TGetResult result = grEOF;
  if (!fNoRows && fRecordsCache && LimitedModel()) {
    TFlagScope inFetch(fInFetch);
    result = GetWindowRecord(buffer, mode);
  } else if (!fNoRows && fRecordsCache) {
    TFlagScope inFetch(fInFetch);
    switch (mode) {
      case gmCurrent:
        result = GetCurrentModeRecord(buffer);
        break;
      case gmNext:
        result = GetNextModeRecord(buffer);
        break;
      case gmPrior:
        result = GetPriorModeRecord(buffer);
        break;
    }
    if (result == grOK) result = SkipInvisibleRecords(buffer, mode);
  } else if (mode == gmPrior) {
    result = grBOF;
  }
  switch (result) {
    case grOK:
      SetBookmarkFlag(buffer, bfCurrent);
      GetCalcFields(buffer);
      break;
    case grBOF:
      SetBookmarkFlag(buffer, bfBOF);
      break;
    default:
      SetBookmarkFlag(buffer, bfEOF);
      break;
  }
  return result;
}

void TFIBCustomDataSet::InternalFirst() {
  if (LimitedModel() && !fNoRows && fRecordsCache) return FirstOfWindow();
  fCurrentRecord = -1;
}

void TFIBCustomDataSet::FetchRemainingRows() {
  if (fNoRows || !fRecordsCache) return;
  TFlagScope inFetch(fInFetch);
  while (FetchNextRow()) {
  }
}

void TFIBCustomDataSet::InternalLast() {
  if (LimitedModel() && !fNoRows && fRecordsCache) return LastOfWindow();
  if (!fSelectQuery->Eof()) {
    TSQLCursorScope cursor(fSQLScreenCursor);
    FetchRemainingRows();
  }
  fCurrentRecord = fFetchedCount;
}

void TFIBCustomDataSet::FetchAll() {
  // The limited model keeps a window only: there is no "all" to fetch.
  if (LimitedModel() || !fSelectQuery->Open() || fSelectQuery->Eof()) return;
  TSQLCursorScope cursor(fSQLScreenCursor);
  DisableControls();
  DisableScrollEvents();
  try {
    const TBookmarkStr bookmark = Bookmark();
    Last();
    GotoBookmark(bookmark);
  } catch (...) {
    EnableScrollEvents();
    EnableControls();
    throw;
  }
  EnableScrollEvents();
  EnableControls();
}

// ---- Bookmarks ------------------------------------------------------------------------------

void TFIBCustomDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  auto* out = static_cast<Byte*>(data);
  std::memset(out, 0, static_cast<std::size_t>(BookmarkSize()));
  if (LimitedModel()) {
    const Integer identifier = RecordIndexOf(buffer) + 1, activeRecord = ActiveRecord();
    std::memcpy(out, &identifier, sizeof identifier);
    std::memcpy(out + sizeof identifier, &activeRecord, sizeof activeRecord);
    return WriteKeyParts(buffer, out);
  }
  const Integer physicalNo = fRecordsCache ? fRecordsCache->GetPhysicalNo(CacheRecordNo(RecordIndexOf(buffer))) : -1;
  const Integer activeRecord = ActiveRecord();
  std::memcpy(out, &physicalNo, sizeof physicalNo);
  std::memcpy(out + sizeof physicalNo, &activeRecord, sizeof activeRecord);
}

void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  Integer physicalNo;
  std::memcpy(&physicalNo, data, sizeof physicalNo);
  if (LimitedModel()) return SetRecordIndex(buffer, physicalNo - 1);
  SetRecordIndex(buffer, fRecordsCache ? fRecordsCache->GetIndexOfPhysical(physicalNo) : -1);
}

void TFIBCustomDataSet::InternalGotoBookmark(const void* bookmark) {
  const auto* bytes = static_cast<const Byte*>(bookmark);
  const TBookmark asBookmark(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(BookmarkSize()));
  if (!BookmarkValid(asBookmark)) {
    ++fFailedBookmarkMoves;
    return;
  }
  Integer physicalNo, activeRecord;
  std::memcpy(&physicalNo, bytes, sizeof physicalNo);
  std::memcpy(&activeRecord, bytes + sizeof physicalNo, sizeof activeRecord);
  TControlsScope controls(*this);
  DisableScrollEvents();
  const TScopeEnd scrollEvents([this] { EnableScrollEvents(); });
  if (LimitedModel()) return GotoWindowBookmark(bytes);
  const Integer position = fRecordsCache->GetIndexOfPhysical(physicalNo);
  if (position >= 0) {
    MoveActiveRecord(activeRecord - ActiveRecord());
    fCurrentRecord = position;
  }
}

int TFIBCustomDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  const bool has1 = bookmark1.size() >= sizeof(Integer), has2 = bookmark2.size() >= sizeof(Integer);
  if (!has1 || !has2) return has1 == has2 ? 0 : (has1 ? -1 : 1);
  Integer physical1, physical2;
  std::memcpy(&physical1, bookmark1.data(), sizeof physical1);
  std::memcpy(&physical2, bookmark2.data(), sizeof physical2);
  if (!fRecordsCache) return 0;
  // The limited model's identifiers are record indexes.
  if (LimitedModel()) return physical1 < physical2 ? -1 : (physical1 > physical2 ? 1 : 0);
  const Integer position1 = fRecordsCache->GetIndexOfPhysical(physical1);
  const Integer position2 = fRecordsCache->GetIndexOfPhysical(physical2);
  return position1 < position2 ? -1 : (position1 > position2 ? 1 : 0);
}

// ---- Count, number, current record ----------------------------------------------------------

Integer TFIBCustomDataSet::GetRecordCount() {
  if (IsUniDirectional()) return std::min(fFetchedCount, std::max(1, fCacheModelOptions.BufferChunks())) - fDeletedCount;
  return fFetchedCount - fDeletedCount;
}

Integer TFIBCustomDataSet::GetRecNo() {
  if (State() == dsFilter) return fCurrentRecord;
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr || IsEmpty() ? 0 : RecordIndexOf(buffer) + 1;
}

bool TFIBCustomDataSet::GetCurrentRecord(TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  ReadRecordCache(RecordIndexOf(ActiveBuffer()), buffer, false);
  return true;
}

void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(fRecordBufferSize));
  for (int i = 0; i < fDescriptors.GetCount(); ++i) buffer[NullFlagsOffset + i] = 1;
}

}  // namespace ordvane

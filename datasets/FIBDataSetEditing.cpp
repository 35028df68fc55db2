// Editing, posting, deleting and refreshing records of TFIBCustomDataSet, the parameters
// of the statements that carry a record to the server, and the cached-updates counts.

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/Variants.h"
#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBRecordValues.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

namespace {

// Statuses of a change that waits to be applied, and of a record out of view.
bool IsPendingChange(TCachedUpdateStatus status) {
  return status == cusModified || status == cusInserted || status == cusDeleted;
}

bool IsDeletedStatus(TCachedUpdateStatus status) {
  return status == cusDeleted || status == cusUninserted || status == cusDeletedApplied;
}

// "OLD_NAME" -> NAME when the name has the prefix that hasPrefix tests for.
bool StripPrefix(AnsiString& name, bool (*hasPrefix)(const AnsiString&)) {
  if (!hasPrefix(name)) return false;
  name = name.substr(4);
  return true;
}

// Closes a statement when the scope ends, however it ends.
auto StatementCloser(TFIBQuery& statement) {
  return [&statement] {
    if (statement.Open()) statement.Close();
  };
}

}  // namespace

// ---- Statuses and counts ---------------------------------------------------------------------

TCachedUpdateStatus TFIBCustomDataSet::CachedStatus(TRecordBuffer buffer) {
  return static_cast<TCachedUpdateStatus>(buffer[StatusOffset] & CachedStatusMask);
}

// Clears the mark of cached calculated values too: they were computed from the former
// values.
void TFIBCustomDataSet::SetCachedStatus(TRecordBuffer buffer, TCachedUpdateStatus status) {
  buffer[StatusOffset] = static_cast<Byte>(status);
}

// Both counts follow from the statuses alone, so that every path (post, delete, revert)
// moves them by exactly what it changed.
void TFIBCustomDataSet::CountStatusChange(TCachedUpdateStatus from, TCachedUpdateStatus to) {
  if (fCachedUpdates) fCachedUpdateCount += int{IsPendingChange(to)} - int{IsPendingChange(from)};
  fDeletedCount += int{IsDeletedStatus(to)} - int{IsDeletedStatus(from)};
  fUpdatesPending = fCachedUpdateCount > 0;
  if (from != to) CachedStatusChanged();
}

TCachedUpdateStatus TFIBCustomDataSet::CachedStatusAt(Integer index) {
  TRecordsCache& cache = Cache("read a record");
  CheckRecordInCache(CacheRecordNo(index), cache.RecordCount());
  const Byte* stored = cache.GetRecordPtr(CacheRecordNo(index));
  return static_cast<TCachedUpdateStatus>(stored[0] & CachedStatusMask);
}

bool TFIBCustomDataSet::RecordIsVisible(TRecordBuffer buffer) {
  return fAllRecordsVisible || fUpdateRecordTypes.Contains(CachedStatus(buffer)) ||
         fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize;
}

// ---- Options and transactions ----------------------------------------------------------------

void TFIBCustomDataSet::SetOptions(TpFIBDsOptions value) {
  fOptions = value;
  for (TFIBQuery* statement : {fInsertQuery, fUpdateQuery, fDeleteQuery, fRefreshQuery}) {
    TpFIBQueryOptions options = statement->Options() - TpFIBQueryOptions{qoStartTransaction, qoNoForceIsNull};
    if (value.Contains(poStartTransaction)) options = options + TpFIBQueryOptions{qoStartTransaction};
    if (value.Contains(poNoForceIsNull)) options = options + TpFIBQueryOptions{qoNoForceIsNull};
    statement->SetOptions(options);
  }
}

void TFIBCustomDataSet::SetCachedUpdates(bool value) {
  if (value == fCachedUpdates) return;
  if (!value && Active() && fCachedUpdates) CancelUpdates();
  if (value && !ComponentState().Contains(csLoading)) {
    if (fCursorOpen) FIBError(TFIBClientError::SQLOpen, {" change CachedUpdates mode ", FullComponentName(this)});
    if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize)
      FIBError(TFIBClientError::CannotUseLimitedCache, {FullComponentName(this)});
  }
  fCachedUpdates = value;
  fSelectQuery->SetCloseOnHardTransactionEnd(!value);
  if (fRecordsCache) fRecordsCache->SetLogMode(value);
}

void TFIBCustomDataSet::StartUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction != nullptr && !transaction->Active() && fOptions.Contains(poStartTransaction))
    transaction->StartTransaction();
}

void TFIBCustomDataSet::AutoCommitUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (!fAutoCommit || transaction == nullptr || !transaction->Active()) return;
  if (transaction != Transaction() && transaction->TimeoutAction() != TACommitRetaining)
    transaction->Commit();
  else
    transaction->CommitRetaining();
}

namespace {

constexpr char ChangeSavepoint[] = "DATASET_CHANGE";

// The transaction of the guarded change under way on this thread: a change within it (a
// handler's post during a post) in the same transaction is guarded by the outer change's
// savepoint, which its failure reaches; declaring the name again would release that one.
thread_local TFIBTransaction* guardingTransaction = nullptr;

}  // namespace

// One prepared statement per change: declaring the name again releases the savepoint of
// the change before (and only it, savepoints declared since stay), so none is released
// after a change that succeeded; the last stays until the next change or the end of the
// transaction.
void TFIBCustomDataSet::DeclareChangeSavepoint(TFIBTransaction& transaction) {
  TFIBQuery& declare = *fSavepointQuery;
  declare.SetDatabase(Database());
  declare.SetTransaction(&transaction);
  if (declare.SQL().Count() == 0) declare.SQL().SetText(AnsiString("SAVEPOINT ") + ChangeSavepoint);
  declare.ExecQuery();
}

void TFIBCustomDataSet::UndoToChangeSavepoint(TFIBTransaction& transaction) {
  TFIBQuery& runner = *fSavepointQuery;
  runner.SetTransaction(&transaction);
  runner.ExecuteImmediateBatch(
      {AnsiString("ROLLBACK TO SAVEPOINT ") + ChangeSavepoint, AnsiString("RELEASE SAVEPOINT ") + ChangeSavepoint});
}

void TFIBCustomDataSet::RunServerChange(TRecordBuffer buffer, bool commit, const std::function<void()>& change,
                                        bool singleStatement) {
  const auto bufferSize = static_cast<std::size_t>(fRecordBufferSize);
  // The copies that can put the record back take the room the last change gave back, so
  // a post of many rows allocates none; a change within a change finds none and makes its own.
  std::vector<Byte> typed = std::exchange(fServerChangeRoom.Typed, {});
  std::vector<Byte> cached = std::exchange(fServerChangeRoom.Cached, {});
  const TScopeEnd giveBack([&] { fServerChangeRoom = {std::move(typed), std::move(cached)}; });
  typed.assign(buffer, buffer + bufferSize);
  const Integer index = RecordIndexOf(buffer);
  // Only the first change of the new record: a change within it has a slot to keep.
  const bool newSlot = index >= 0 && index == fNewSlotRecord;
  if (newSlot) {
    fNewSlotRecord = -1;
  } else {
    cached.resize(bufferSize);
    ReadRecordCache(index, cached.data(), false);
  }
  const Integer cachedUpdateCount = fCachedUpdateCount;
  const Integer deletedCount = fDeletedCount;
  const bool updatesPending = fUpdatesPending;

  StartUpdateTransaction();
  TFIBTransaction* transaction = UpdateTransaction();
  const bool commits = commit && fAutoCommit;
  const bool guarded = transaction != nullptr && transaction->Active() && (commits || !singleStatement) &&
                       guardingTransaction != transaction;
  if (guarded) DeclareChangeSavepoint(*transaction);
  try {
    TFIBTransaction* const outer = std::exchange(guardingTransaction, guarded ? transaction : guardingTransaction);
    const TScopeEnd restore([outer] { guardingTransaction = outer; });
    change();
    if (commits) AutoCommitUpdateTransaction();
  } catch (...) {
    if (guarded && transaction->Active()) {
      try {
        UndoToChangeSavepoint(*transaction);
      } catch (...) {
        // The change's own error is the one to report.
      }
    }
    std::copy(typed.begin(), typed.end(), buffer);
    if (!newSlot) WriteRecordCache(index, cached.data());
    // The previous version comes from the slot the record index names: the restored buffer's.
    if (!fCachedUpdates && fCacheModelOptions.CacheModelKind() == cmkStandard) SaveOldVersion(buffer);
    fCachedUpdateCount = cachedUpdateCount;
    fDeletedCount = deletedCount;
    fUpdatesPending = updatesPending;
    throw;
  }
}

bool TFIBCustomDataSet::IsNoAction(TFIBQuery& statement) {
  const TStrings& lines = statement.SQL();
  if (lines.Count() == 0) return false;
  // Every post asks this of its statement: the line is trimmed in place, not copied again.
  const AnsiString first = lines.Strings(0);
  std::string_view text = first;
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return SameText(text, "No Action");
}

bool TFIBCustomDataSet::StatementRuns(TFIBQuery& statement) {
  TStatementRuns& known = fStatementRuns[&statement == fInsertQuery ? 0 : 1];
  if (known.Statement == &statement && known.ChangeCount == statement.SQLChangeCount() && statement.Prepared())
    return known.Runs;
  known = {&statement, statement.SQLChangeCount(), !IsEmptyStrings(statement.SQL()) && !IsNoAction(statement)};
  return known.Runs;
}

void TFIBCustomDataSet::PrepareModificationStatement(TFIBQuery& statement) {
  if (statement.Prepared() || IsEmptyStrings(statement.SQL()) || IsNoAction(statement)) return;
  TFIBTransaction* own = statement.Transaction();
  if (own == nullptr || Transaction() == nullptr)
    FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(this)});
  if (statement.Database() == Database() && Transaction()->Active()) {
    statement.SetTransaction(Transaction());
    try {
      statement.Prepare();
    } catch (...) {
      statement.SetTransaction(own);
      throw;
    }
    statement.SetTransaction(own);
    return;
  }
  const bool startedHere = !own->Active();
  if (startedHere) own->StartTransaction();
  try {
    statement.Prepare();
  } catch (...) {
    if (startedHere) own->Rollback();
    throw;
  }
  if (startedHere) own->Commit();
}

// ---- Record parameters -----------------------------------------------------------------------

void TFIBCustomDataSet::SetRecordParams(TFIBQuery& statement, TRecordBuffer buffer) {
  if (buffer == nullptr) FIBError(TFIBClientError::BufferNotSet);
  if (RecordIndexOf(buffer) < 0) return;
  TRecordBuffer previous = State() == dsInsert ? buffer : GetOldRecordBuffer(RecordIndexOf(buffer));
  TFIBXSQLDA& params = statement.Params();
  const TParamPlan& plan = ParamPlan(statement);
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    const TParamBinding& binding = plan.Bindings[static_cast<std::size_t>(i)];
    if (binding.Master) {
      if (TField* master = plan.MasterDataSet->FindField(binding.ByName)) CopyMasterValue(param, master);
      continue;
    }
    if (!binding.ByName.empty()) {
      // A detail's link parameters keep the values the select was opened with.
      if (TFIBXSQLVAR* linked = fSelectQuery->FindParam(binding.ByName)) param.Assign(*linked);
      continue;
    }
    TRecordBuffer record = binding.OldValue ? previous : buffer;
    const TField* field = binding.Field;
    const int fieldNo = binding.FieldNo;
    if (fieldNo < 1 || fieldNo > fDescriptors.GetCount()) continue;
    const TFIBFieldDescr& descr = fDescriptors[fieldNo - 1];
    CheckSlotInRecord(descr, NullFlagsOffset + fDescriptors.GetCount(), fRecordSize);
    if (record == buffer && binding.Blob) PostBlobStream(record, field, descr);
    if (record == buffer && field != nullptr && descr.SQLType == SQL_ARRAY)
      RenewUsedUpArray(record, field, descr, &statement != fSelectQuery && &statement != fRefreshQuery);
    // Every value setter clears the null mark itself.
    if (record[NullFlagsOffset + fieldNo - 1] != 0) {
      param.SetIsNull(true);
      continue;
    }
    BindColumnParam(record, descr, param);
  }
}

TFIBCustomDataSet::TParamBinding TFIBCustomDataSet::ResolveParam(const TFIBQuery& statement,
                                                                  const AnsiString& paramName) {
  TParamBinding binding;
  AnsiString name = paramName;
  if (StripPrefix(name, IsOldParamName)) {
    binding.OldValue = true;
  } else if (!StripPrefix(name, IsNewParamName) && fDataSource != nullptr && fDataSource->DataSet() != nullptr &&
             StripPrefix(name, IsMasterParamName)) {
    binding.Master = true;
    binding.ByName = name;
    return binding;
  }
  const TField* field = LookupField(name);
  const bool dataField = field != nullptr && field->FieldKind() == fkData;
  const int fieldNo = dataField ? field->FieldNo() : fSelectQuery->FieldIndex(name) + 1;
  const bool isSelect = &statement == fSelectQuery;
  if (!isSelect && (fieldNo == 0 || (&statement == fRefreshQuery && fDataSource != nullptr)) &&
      fSelectQuery->FindParam(name) != nullptr) {
    binding.ByName = name;
    return binding;
  }
  binding.Field = field;
  binding.FieldNo = fieldNo;
  binding.Blob = field != nullptr && field->IsBlob();
  return binding;
}

const TFIBCustomDataSet::TParamPlan& TFIBCustomDataSet::ParamPlan(TFIBQuery& statement) {
  TFIBXSQLDA& params = statement.Params();
  TParamPlan& plan = fParamPlans[&statement];
  TDataSet* master = fDataSource != nullptr ? fDataSource->DataSet() : nullptr;
  if (plan.NamesVersion == params.NamesVersion() && plan.DataSource == fDataSource && plan.MasterDataSet == master)
    return plan;
  plan.NamesVersion = 0;
  plan.DataSource = fDataSource;
  plan.MasterDataSet = master;
  plan.Bindings.clear();
  for (int i = 0; i < params.Count(); ++i) plan.Bindings.push_back(ResolveParam(statement, params[i].Name()));
  plan.NamesVersion = params.NamesVersion();
  return plan;
}

// ---- Refresh ---------------------------------------------------------------------------------

void TFIBCustomDataSet::StoreStatementRow(TFIBQuery& statement, TRecordBuffer buffer) {
  const Integer index = RecordIndexOf(buffer);
  StoreRowInCache(statement, index);
  ReadRecordCache(index, buffer, false);
}

bool TFIBCustomDataSet::RefreshRecord(TFIBQuery& statement, TRecordBuffer buffer) {
  TFlagScope refreshing(fRefreshing);
  TSQLCursorScope cursor(fSQLScreenCursor);
  if (buffer == nullptr) return false;
  if (IsEmptyStrings(statement.SQL()) || !Active()) {
    if (fFetchedCount - fDeletedCount > 0) FIBError(TFIBClientError::CannotRefresh, {FullComponentName(this)});
    return false;
  }
  const bool standard = fCacheModelOptions.CacheModelKind() == cmkStandard;
  if (!fCachedUpdates && standard) SaveOldVersion(buffer);
  const TScopeEnd closer(StatementCloser(statement));
  if (!statement.Open()) {
    PrepareModificationStatement(statement);
    SetRecordParams(statement, buffer);
    if (fOptions.Contains(poStartTransaction) && statement.Transaction() != nullptr &&
        !statement.Transaction()->Active())
      statement.Transaction()->StartTransaction();
    statement.ExecQuery();
  }
  const bool found = statement.SQLType() == SQLExecProcedure || statement.Next() != nullptr;
  if (found) {
    const Byte status = buffer[StatusOffset] & CachedStatusMask;
    StoreStatementRow(statement, buffer);
    // The row is the server's; what the cache knows of the record's change stays.
    buffer[StatusOffset] = status;
    SyncBlobStreams(buffer);
    WriteRecordCache(RecordIndexOf(buffer), buffer);
    return true;
  }
  if (fOptions.Contains(poRefreshDeletedRecord) && standard) {
    CountStatusChange(CachedStatus(buffer), cusDeletedApplied);
    SetCachedStatus(buffer, cusDeletedApplied);
    WriteRecordCache(RecordIndexOf(buffer), buffer);
    if (State() == dsBrowse) Resync({});
  }
  return false;
}

Integer TFIBCustomDataSet::FetchNext(Integer count) {
  if (fNoRows || !fRecordsCache || fSelectQuery->Eof()) return 0;
  TSQLCursorScope cursor(fSQLScreenCursor);
  TFlagScope inFetch(fInFetch);
  Integer fetched = 0;
  while (fetched < count && FetchNextRow()) ++fetched;
  return fetched;
}

void TFIBCustomDataSet::FullRefresh(const AnsiString& keyFields) {
  CheckNotUniDirectional();
  std::vector<TField*> keys;
  if (Active() && fFetchedCount > 0 && !IsEmpty()) {
    if (!Trim(keyFields).empty()) {
      for (const AnsiString& name : SplitList(keyFields, ';', true, TEmptyItems::Drop))
        keys.push_back(FindFieldOrRaise(name));
    } else if (!IsEmptyStrings(RefreshSQL()) && RefreshRecord(*fRefreshQuery, ActiveBuffer())) {
      for (TField* field : Fields())
        if (field->FieldKind() == fkData && !field->IsBlob() && field->DataType() != ftArray) keys.push_back(field);
    }
  }
  std::vector<Variant> values;
  AnsiString names;
  for (TField* field : keys) {
    values.push_back(field->Value());
    names += (names.empty() ? "" : ";") + field->FieldName();
  }
  const Integer recordIndex = fCurrentRecord;
  const Integer screenRow = ActiveRecord();
  TControlsScope controls(*this);
  if (Active()) Close();
  Open();
  if (keys.empty()) return;
  while (fFetchedCount <= recordIndex && FetchNext(1) > 0) {
  }
  const Variant keyValues = values.size() == 1 ? values.front() : VarArrayOf(values);
  if (!Locate(names, keyValues, {})) return;
  // Resync keeps the record at the active row: the row it was seen on.
  UpdateCursorPos();
  MoveActiveRecord(screenRow - ActiveRecord());
  Resync({});
}

void TFIBCustomDataSet::InternalRefreshRow(TFIBQuery& statement, TRecordBuffer buffer) {
  RefreshRecord(statement, buffer);
  fCurrentRecord = RecordIndexOf(buffer);
  if (State() != dsEdit && State() != dsInsert && DetailConditions().Contains(dcForceMasterRefresh)) RefreshMaster();
}

void TFIBCustomDataSet::InternalRefresh() {
  TDataSet::InternalRefresh();
  if (LimitedModel()) return RefreshWindow();
  if (IsEmpty()) return;
  InternalRefreshRow(*fRefreshQuery, ActiveBuffer());
  // The values read again may belong elsewhere in a kept sort.
  if (fOptions.Contains(poKeepSorting) && fSorted) {
    fCurrentRecord = KeepRecordSorted(fCurrentRecord);
    SetRecordIndex(ActiveBuffer(), fCurrentRecord);
  }
}

// A Firebird master reopens and comes back to its record (its visible record numbers off
// meanwhile); any other refreshes as its framework does.
void TFIBCustomDataSet::RefreshMaster() {
  TDataSet* master = fDataSource != nullptr ? fDataSource->DataSet() : nullptr;
  if (master == nullptr) return;
  auto* fibMaster = dynamic_cast<TFIBCustomDataSet*>(master);
  if (fibMaster == nullptr) return master->Refresh();
  const TpFIBDsOptions options = fibMaster->Options();
  fibMaster->SetOptions(options - TpFIBDsOptions{poVisibleRecno});
  try {
    fibMaster->FullRefresh("");
  } catch (...) {
    fibMaster->SetOptions(options);
    throw;
  }
  fibMaster->SetOptions(options);
}

// ---- Before-events ---------------------------------------------------------------------------

void TFIBCustomDataSet::CheckStillOpen(const char* event) const {
  if (!Active()) FIBError(TFIBClientError::SQLClosed, {AnsiString("continue after ") + event, FullComponentName(this)});
}

void TFIBCustomDataSet::DoBeforeEdit() {
  if (!CanEdit()) throw EAbort();
  if (!fCachedUpdates || CachedStatus(ActiveBuffer()) == cusUnmodified) SaveOldVersion(ActiveBuffer());
  TDataSet::DoBeforeEdit();
  CheckStillOpen("BeforeEdit");
}

void TFIBCustomDataSet::DoBeforeDelete() {
  if (!CanDelete()) throw EAbort();
  if (!fCachedUpdates || CachedStatus(ActiveBuffer()) == cusUnmodified) SaveOldVersion(ActiveBuffer());
  TDataSet::DoBeforeDelete();
  CheckStillOpen("BeforeDelete");
}

void TFIBCustomDataSet::RefuseInsertWithoutStatement() {
  if (CanInsert()) return;
  if (AddingRecord()) CheckCanInsert();
  throw EAbort();
}

void TFIBCustomDataSet::DoBeforeInsert() {
  RefuseInsertWithoutStatement();
  TDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::DoBeforePost() {
  if (State() == dsEdit || State() == dsInsert) TDataSet::DoBeforePost();
  CheckStillOpen("BeforePost");
}

void TFIBCustomDataSet::DoBeforeCancel() {
  TDataSet::DoBeforeCancel();
  CheckStillOpen("BeforeCancel");
}

void TFIBCustomDataSet::DoAfterDelete() {
  EndChangeReportingWindowFailure([this] {
    if (DetailConditions().Contains(dcForceMasterRefresh) && !fCachedUpdates) RefreshMaster();
    TDataSet::DoAfterDelete();
  });
}

// ---- Post ------------------------------------------------------------------------------------

Integer TFIBCustomDataSet::InsertPosition(TRecordBuffer buffer) {
  // The window's records keep their slots: a new one takes the index after them.
  if (LimitedModel()) return fWindow.Last + 1;
  if (GetBookmarkFlag(buffer) == bfEOF) return fFetchedCount;
  return std::clamp(RecordIndexOf(buffer), 0, fFetchedCount);
}

void TFIBCustomDataSet::PostToCache(TRecordBuffer buffer, bool inserting, Integer index) {
  if (inserting) {
    Cache("post").InsertRecord(CacheRecordNo(index) - 1);
    ++fFetchedCount;
  }
  WriteRecordCache(index, buffer);
}

// The record reaches the cache for good only when the server took it: a refused insert
// takes its new cache record back, so the cache, the counts and the bookmarks stay as
// they were and the user can correct the values and post again.
void TFIBCustomDataSet::PostToServer(TFIBQuery& statement, TRecordBuffer buffer, bool inserting, Integer index) {
  const Integer position = CacheRecordNo(index) - 1;
  if (inserting) Cache("post").InsertRecord(position);
  fNewSlotRecord = inserting ? index : -1;
  try {
    PostRecordToServer(statement, buffer);
  } catch (...) {
    fNewSlotRecord = -1;
    if (inserting) Cache("post").RemoveNewestRecord(position);
    throw;
  }
  fNewSlotRecord = -1;
  if (inserting) ++fFetchedCount;
}

// The window's records never shift: the record goes into the slot its index names, over
// whatever the slot held, which RunServerChange puts back when the server refuses it.
void TFIBCustomDataSet::PostToWindow(TFIBQuery& statement, TRecordBuffer buffer, Integer index) {
  Cache("post").ReserveRecord(CacheRecordNo(index));
  PostRecordToServer(statement, buffer);
}

void TFIBCustomDataSet::InternalAddRecord(TRecordBuffer /*buffer*/, bool append) {
  CheckCanInsert();
  // The limited model keeps a window only: its append goes after the window's last slot.
  if (append && !IsUniDirectional() && !LimitedModel()) InternalLast();
  InternalPost();
}

void TFIBCustomDataSet::InternalPost() {
  TSQLCursorScope cursor(fSQLScreenCursor);
  CheckEditState();
  TDataSet::InternalPost();
  TRecordBuffer buffer = ActiveBuffer();
  const bool inserting = State() == dsInsert;
  const Integer savedIndex = RecordIndexOf(buffer);
  const Byte savedStatus = buffer[StatusOffset];
  const Integer index = inserting ? InsertPosition(buffer) : savedIndex;
  // The buffer's status already shows the field writes: the change counts against what
  // the cache holds.
  const TCachedUpdateStatus from = inserting ? cusUnmodified : CachedStatusAt(savedIndex);
  TCachedUpdateStatus to = from;
  if (inserting || from == cusUninserted)
    to = cusInserted;
  else if (from == cusUnmodified)
    to = cusModified;
  SetRecordIndex(buffer, index);
  SetCachedStatus(buffer, to);
  try {
    if (fCachedUpdates)
      PostToCache(buffer, inserting, index);
    else if (LimitedModel())
      PostToWindow(inserting ? *fInsertQuery : *fUpdateQuery, buffer, index);
    else
      PostToServer(inserting ? *fInsertQuery : *fUpdateQuery, buffer, inserting, index);
  } catch (...) {
    SetRecordIndex(buffer, savedIndex);
    buffer[StatusOffset] = savedStatus;
    throw;
  }
  CountStatusChange(from, CachedStatus(buffer));
  fCurrentRecord = index;
  if (LimitedModel()) {
    ReformWindowAfterChange(buffer, inserting || fOptions.Contains(poRefreshAfterPost), false);
    return SetRecordIndex(buffer, fCurrentRecord);
  }
  if (!fOptions.Contains(poKeepSorting)) {
    ClearOrderInfo();
  } else if (fSorted) {
    fCurrentRecord = KeepRecordSorted(index);
    SetRecordIndex(buffer, fCurrentRecord);
  }
}

// ---- Delete and cancel -----------------------------------------------------------------------

void TFIBCustomDataSet::InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) {
  RunServerChange(buffer, !fCachedUpdates, [&] {
    DeleteRowOnServer(statement, buffer);
    const bool survived = fOptions.Contains(poRefreshAfterDelete) && RefreshRecord(*fRefreshQuery, buffer);
    // The refresh may have taken the record out of view already, and counted it.
    if (!survived && CachedStatus(buffer) != cusDeletedApplied) {
      CountStatusChange(CachedStatus(buffer), cusDeletedApplied);
      SetCachedStatus(buffer, cusDeletedApplied);
    }
    WriteRecordCache(RecordIndexOf(buffer), buffer);
  });
}

void TFIBCustomDataSet::DeleteRowOnServer(TFIBQuery& statement, TRecordBuffer buffer) {
  PrepareModificationStatement(statement);
  SetRecordParams(statement, buffer);
  const TScopeEnd closer(StatementCloser(statement));
  statement.ExecQuery();
  // A refresh after the delete shows what became of the row instead.
  if (!fOptions.Contains(poRefreshAfterDelete)) CheckRowFound(statement);
}

void TFIBCustomDataSet::CheckRowFound(TFIBQuery& statement) {
  const TFIBSQLTypes type = statement.SQLType();
  if ((type == SQLUpdate || type == SQLDelete) && statement.RowsAffected() == 0)
    FIBErrorText("%s: no row was found to %s", {Name(), type == SQLUpdate ? "update" : "delete"});
}

void TFIBCustomDataSet::InternalDelete() {
  TSQLCursorScope cursor(fSQLScreenCursor);
  if (!CanDelete()) FIBError(TFIBClientError::CannotDelete, {FullComponentName(this)});
  TRecordBuffer buffer = ActiveBuffer();
  const TCachedUpdateStatus from = CachedStatus(buffer);
  if (IsDeletedStatus(from)) return;
  if (!fCachedUpdates) {
    InternalDeleteRecord(*fDeleteQuery, buffer);
    if (LimitedModel()) ReformWindowAfterChange(buffer, false, true);
    return;
  }
  const TCachedUpdateStatus to = from == cusInserted ? cusUninserted : cusDeleted;
  SetCachedStatus(buffer, to);
  WriteRecordCache(RecordIndexOf(buffer), buffer);
  CountStatusChange(from, to);
}

void TFIBCustomDataSet::CacheDelete() {
  CheckDatasetOpen(" do delete from cache ");
  TControlsScope controls(*this);
  TRecordBuffer buffer = ActiveBuffer();
  const TCachedUpdateStatus from = CachedStatus(buffer);
  if (IsEmpty() || IsDeletedStatus(from)) return;
  SetCachedStatus(buffer, cusDeletedApplied);
  WriteRecordCache(RecordIndexOf(buffer), buffer);
  CountStatusChange(from, cusDeletedApplied);
  fCurrentRecord = RecordIndexOf(buffer);
  Resync({});
}

void TFIBCustomDataSet::InternalCancel() {
  TDataSet::InternalCancel();
  CancelBlobStreams(ActiveBuffer());
  if (State() != dsInsert || fCacheModelOptions.CacheModelKind() != cmkStandard) return;
  const TBookmarkFlag flag = GetBookmarkFlag(ActiveBuffer());
  if ((fCurrentRecord >= 0 && flag == bfEOF) || (flag == bfBOF && fFetchedCount == 0)) --fCurrentRecord;
}

// The streams of a cancelled edit: those the cached record shares go back to their
// committed body, those made in the edit go.
void TFIBCustomDataSet::CancelBlobStreams(TRecordBuffer buffer) {
  if (buffer == nullptr || BlobFieldCount() == 0) return;
  const bool cached = State() != dsInsert && RecordIndexOf(buffer) >= 0 && RecordIndexOf(buffer) < fFetchedCount;
  std::vector<Byte> record(static_cast<std::size_t>(fRecordBufferSize));
  if (cached) ReadRecordCache(RecordIndexOf(buffer), record.data(), false);
  for (TField* field : Fields()) {
    if (!field->IsBlob()) continue;
    const Cardinal handle = BlobHandle(buffer, field);
    if (handle == 0) continue;
    if (!cached || BlobHandle(record.data(), field) != handle)
      fBlobStreams.Release(handle);
    else if (const auto stream = fBlobStreams.Find(handle))
      stream->Cancel();
  }
}

// ---- Cached updates --------------------------------------------------------------------------

void TFIBCustomDataSet::RevertRecord(Integer index, bool revertUninserted) {
  TRecordsCache& cache = Cache("revert a record");
  if (index < 0 || index >= fFetchedCount) return;
  const TCachedUpdateStatus from = CachedStatusAt(index);
  TCachedUpdateStatus to = from;
  switch (from) {
    case cusModified:
    case cusDeleted:
      cache.RevertRecord(CacheRecordNo(index));
      to = cusUnmodified;
      break;
    case cusInserted:
      to = cusUninserted;
      break;
    case cusUninserted:
      if (revertUninserted) to = cusInserted;
      break;
    default:
      return;
  }
  std::vector<Byte> record(static_cast<std::size_t>(fRecordBufferSize));
  ReadRecordCache(index, record.data(), false);
  SetCachedStatus(record.data(), to);
  WriteRecordCache(index, record.data());
  CountStatusChange(from, to);
}

void TFIBCustomDataSet::CancelUpdates() {
  TControlsScope controls(*this);
  if (State() == dsEdit || State() == dsInsert) Cancel();
  if (!fCachedUpdates || !fUpdatesPending) return;
  for (Integer index = 0; index < fFetchedCount; ++index) RevertRecord(index, false);
  fCachedUpdateCount = 0;
  fUpdatesPending = false;
  Cache("cancel updates").ClearLog();
  Resync({});
}

}  // namespace ordvane

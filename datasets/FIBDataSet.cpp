// TFIBCustomDataSet: construction, the database and transaction links and what a
// transaction end or a disconnect does to an open dataset, the SQL texts and options, the
// guards, permissions and comparisons, and the events. Preparation and fields are in
// FIBDataSetFields.cpp, the record layout and cache in FIBDataSetLayout.cpp, open, fetch
// and bookmarks in FIBDataSetFetch.cpp, field values in FIBDataSetValues.cpp, master
// parameters in FIBDataSetMaster.cpp, editing in FIBDataSetEditing.cpp, blob streams in
// FIBDataSetBlobs.cpp.

#include "datasets/FIBDataSet.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/StrUtils.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBVariants.h"

namespace ordvane {

namespace {

constexpr const char* SPrepareOptionsChange =
    "change psUseBooleanField or psSQLINT64ToBCD or psUseLargeIntField\r\n";
constexpr TpPrepareOptions FieldTypeOptions{psUseBooleanField, psSQLINT64ToBCD, psUseLargeIntField};

}  // namespace

// ---- Construction -------------------------------------------------------------------------

TFIBCustomDataSet::TFIBCustomDataSet(TComponent* owner)
    : TDataSet(owner), fBase(std::make_unique<TFIBBase>(this)), fDataLink(std::make_unique<TFIBDataLink>(*this)) {
  // Here rather than in a static initialiser, which a static link may leave out.
  RegisterFIBMetaCaches();
  fBase->OnDatabaseDisconnecting = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseDisconnecting);
  fBase->OnDatabaseDisconnected = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseDisconnected);
  fBase->OnDatabaseFree = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkDatabaseFree);
  fBase->OnTransactionEnding = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionEnding);
  fBase->OnTransactionEnded = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionEnded);
  fBase->OnTransactionFree = TFIBBaseEvent::Bind(this, &TFIBCustomDataSet::LinkTransactionFree);
  fDeleteQuery = CreateStatement("DeleteQuery");
  fInsertQuery = CreateStatement("InsertQuery");
  fRefreshQuery = CreateStatement("RefreshQuery");
  fUpdateQuery = CreateStatement("UpdateQuery");
  fSelectQuery = CreateStatement("SelectQuery");
  fCSMonitorSupport.OnChange = TNotifyEvent::Bind(this, &TFIBCustomDataSet::MonitorSupportChanged);
  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    SetTransaction(transaction);
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
  Destroying();
  // A lost attachment fails the close of the cursor; the dataset is closed all the same.
  DestructorStep([this] { Close(); });
  RemoveTransactionHandlers(Transaction(), false);
  RemoveTransactionHandlers(UpdateTransaction(), true);
  fSavepointQuery.reset();
  fBase.reset();
}

// The statement factory: owned by the dataset, with its monitor settings.
TFIBQuery* TFIBCustomDataSet::CreateStatement(const AnsiString& name) {
  auto* statement = new TFIBQuery(this);
  statement->SetName(name);
  statement->CSMonitorSupport().Assign(&fCSMonitorSupport);
  statement->SetGoToFirstRecordOnExecute(false);
  statement->SetParamCheck(true);
  statement->SetOptions({});
  statement->OnSQLChanging = TNotifyEvent::Bind(this, &TFIBCustomDataSet::StatementSQLChanging);
  return statement;
}

void TFIBCustomDataSet::MonitorSupportChanged(TObject*) {
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fRefreshQuery, fUpdateQuery, fSelectQuery})
    statement->CSMonitorSupport().Assign(&fCSMonitorSupport);
  for (const char* name : WindowStatementNames)
    if (auto* statement = dynamic_cast<TFIBQuery*>(FindComponent(name)))
      statement->CSMonitorSupport().Assign(&fCSMonitorSupport);
}

bool TFIBCustomDataSet::OwnersLoading(const TComponent* component) const {
  for (; component != nullptr; component = component->Owner())
    if (component->ComponentState().Contains(csLoading)) return true;
  return false;
}

// ---- Database and transactions ------------------------------------------------------------

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* value) {
  CheckDatasetClosed(" change database ");
  TFIBTransaction* before = Transaction();
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fRefreshQuery, fUpdateQuery, fSelectQuery})
    statement->SetDatabase(value);
  if (value == fBase->Database()) return;
  fBase->SetDatabase(value);
  // A dataset without a transaction has just taken the database's default one.
  if (before == nullptr && Transaction() != nullptr) {
    AddTransactionHandlers(Transaction(), false);
    if (UpdateTransaction() == Transaction()) AddTransactionHandlers(Transaction(), true);
  }
  fAutoUpdateOptions.ClearModifyTable();
  if (value != nullptr && value->DefaultUpdateTransaction() != nullptr &&
      (UpdateTransaction() == nullptr || UpdateTransaction() == Transaction()) && !OwnersLoading(this) &&
      !OwnersLoading(value))
    // Also reached from the constructor when the owner is a database; the dataset's own
    // setter is the one meant there, as nothing derived is built yet.
    // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
    SetUpdateTransaction(value->DefaultUpdateTransaction());
}

void TFIBCustomDataSet::TransactionHandlers(TFIBTransaction* transaction, bool updateSide, bool add) {
  if (transaction == nullptr) return;
  using T = TFIBCustomDataSet;
  const auto startBefore =
      TNotifyEvent::Bind(this, updateSide ? &T::DoBeforeStartUpdateTransaction : &T::DoBeforeStartTransaction);
  const auto startAfter =
      TNotifyEvent::Bind(this, updateSide ? &T::DoAfterStartUpdateTransaction : &T::DoAfterStartTransaction);
  const auto endBefore =
      TEndTrEvent::Bind(this, updateSide ? &T::DoBeforeEndUpdateTransaction : &T::DoBeforeEndTransaction);
  const auto endAfter =
      TEndTrEvent::Bind(this, updateSide ? &T::DoAfterEndUpdateTransaction : &T::DoAfterEndTransaction);
  if (add) {
    transaction->AddEvent(startBefore, 0);
    transaction->AddEvent(startAfter, 1);
    transaction->AddCallBack(endBefore, 2);
    transaction->AddCallBack(endAfter, 3);
  } else {
    transaction->RemoveEvent(startBefore, 0);
    transaction->RemoveEvent(startAfter, 1);
    transaction->RemoveCallBack(endBefore, 2);
    transaction->RemoveCallBack(endAfter, 3);
  }
}

void TFIBCustomDataSet::AddTransactionHandlers(TFIBTransaction* transaction, bool updateSide) {
  TransactionHandlers(transaction, updateSide, true);
}

void TFIBCustomDataSet::RemoveTransactionHandlers(TFIBTransaction* transaction, bool updateSide) {
  TransactionHandlers(transaction, updateSide, false);
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* value) {
  CheckDatasetClosed(" change transaction ");
  TFIBTransaction* old = fSelectQuery->Transaction();
  fBase->SetTransaction(value);
  const bool modifyingShared = fDeleteQuery->Transaction() == old;
  RemoveTransactionHandlers(old, false);
  if (modifyingShared) RemoveTransactionHandlers(old, true);
  fSelectQuery->SetTransaction(value);
  AddTransactionHandlers(value, false);
  if (modifyingShared) {
    for (TFIBQuery* statement : {fRefreshQuery, fDeleteQuery, fInsertQuery, fUpdateQuery})
      statement->SetTransaction(value);
    AddTransactionHandlers(value, true);
  } else if (fRefreshTransactionKind == tkReadTransaction) {
    fRefreshQuery->SetTransaction(value);
  }
}

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* value) {
  if (fRefreshTransactionKind == tkUpdateTransaction) fRefreshQuery->SetTransaction(value);
  RemoveTransactionHandlers(fDeleteQuery->Transaction(), true);
  for (TFIBQuery* statement : {fDeleteQuery, fInsertQuery, fUpdateQuery}) statement->SetTransaction(value);
  AddTransactionHandlers(value, true);
}

void TFIBCustomDataSet::SetRefreshTransactionKind(TTransactionKind value) {
  fRefreshQuery->SetTransaction(value == tkReadTransaction ? Transaction() : UpdateTransaction());
  fRefreshTransactionKind = value;
}

void TFIBCustomDataSet::DoBeforeStartTransaction(TObject*) {
  if (BeforeStartTransaction) BeforeStartTransaction(this);
}
void TFIBCustomDataSet::DoAfterStartTransaction(TObject*) {
  if (AfterStartTransaction) AfterStartTransaction(this);
}
void TFIBCustomDataSet::DoBeforeStartUpdateTransaction(TObject*) {
  if (BeforeStartUpdateTransaction) BeforeStartUpdateTransaction(this);
}
void TFIBCustomDataSet::DoAfterStartUpdateTransaction(TObject*) {
  if (AfterStartUpdateTransaction) AfterStartUpdateTransaction(this);
}
void TFIBCustomDataSet::DoBeforeEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  if (BeforeEndTransaction) BeforeEndTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoAfterEndTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  if (AfterEndTransaction) AfterEndTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action,
                                                     bool force) {
  if (BeforeEndUpdateTransaction) BeforeEndUpdateTransaction(endingTR, action, force);
}
void TFIBCustomDataSet::DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action,
                                                    bool force) {
  if (AfterEndUpdateTransaction) AfterEndUpdateTransaction(endingTR, action, force);
}

void TFIBCustomDataSet::LinkDatabaseDisconnecting(TFIBBase*) {
  KeepOrCloseOnServerEnd();
  fPrepared = false;
  if (DatabaseDisconnecting) DatabaseDisconnecting(this);
}
void TFIBCustomDataSet::LinkDatabaseDisconnected(TFIBBase*) {
  if (DatabaseDisconnected) DatabaseDisconnected(this);
}
void TFIBCustomDataSet::LinkDatabaseFree(TFIBBase*) {
  if (DatabaseFree) DatabaseFree(this);
}
void TFIBCustomDataSet::LinkTransactionEnding(TFIBBase*) {
  DoTransactionEnding();
}
void TFIBCustomDataSet::LinkTransactionEnded(TFIBBase*) {
  DoTransactionEnded();
}
void TFIBCustomDataSet::LinkTransactionFree(TFIBBase*) {
  if (TransactionFree) TransactionFree(this);
}
void TFIBCustomDataSet::DoTransactionEnding() {
  if (TransactionEnding) TransactionEnding(this);
  const TTransactionState state = Transaction() != nullptr ? Transaction()->State() : tsInactive;
  if (state == tsDoCommit || state == tsDoRollback) KeepOrCloseOnServerEnd();
}
void TFIBCustomDataSet::DoTransactionEnded() {
  if (TransactionEnded) TransactionEnded(this);
}

// ---- Transactions and disconnect ------------------------------------------------------------

void TFIBCustomDataSet::KeepOrCloseOnServerEnd() {
  if (!Active()) return;
  if (fCachedUpdates && !ComponentState().Contains(csDestroying) && !ComponentState().Contains(csDesigning)) {
    FetchRemainingRows();
    if (fSelectQuery->Open()) fSelectQuery->Close();
    return;
  }
  Close();
}

// ---- SQL and options -----------------------------------------------------------------------

void TFIBCustomDataSet::SetSelectSQL(const TStrings& value) {
  CheckDatasetClosed(" change SelectSQL ");
  fSelectQuery->SQL().Assign(&value);
}

void TFIBCustomDataSet::ClearDerivedFromSelect() {
  fAutoUpdateOptions.ClearModifyTable();
  ClearOrderInfo();
  fSQLChanged = true;
  FieldDefs().Clear();
  FieldDefs().SetUpdated(false);
  fPrepared = false;
}

// Runs before a statement's text changes. For the select text an open dataset refuses
// (nothing has changed yet) and a closed one forgets what it derived from the old text.
void TFIBCustomDataSet::StatementSQLChanging(TObject* sender) {
  if (sender == fSelectQuery) CheckDatasetClosed(" change SelectSQL ");
  fAutoUpdateOptions.ClearKeyConditionCache();
  if (sender == fSelectQuery) ClearDerivedFromSelect();
}

void TFIBCustomDataSet::SetPrepareOptions(TpPrepareOptions value) {
  const bool typesChange = !((value * FieldTypeOptions) == (fPrepareOptions * FieldTypeOptions));
  if (!typesChange || ComponentState().Contains(csLoading)) {
    fPrepareOptions = value;
    return;
  }
  CheckDatasetClosed(SPrepareOptionsChange);
  fPrepareOptions = value;
  if (fPrepared) {
    FieldDefs().Clear();
    InternalInitFieldDefs();
  }
}

TDetailConditions TFIBCustomDataSet::DetailConditions() const {
  TDetailConditions result = fDetailConditions;
  result.Exclude(dcWaitEndMasterScroll);
  if (fMasterScrollTimer && fMasterScrollTimer->Interval() > 0) result.Include(dcWaitEndMasterScroll);
  return result;
}

void TFIBCustomDataSet::SetDetailConditions(TDetailConditions value) {
  fDetailConditions = value;
  if (!value.Contains(dcWaitEndMasterScroll)) {
    fMasterScrollTimer.reset();
  } else if (!fMasterScrollTimer) {
    fMasterScrollTimer = std::make_unique<TTimer>(nullptr);
    fMasterScrollTimer->SetEnabled(false);
    fMasterScrollTimer->SetInterval(fScrollTimerInterval);
    fMasterScrollTimer->SetOnTimer(TNotifyEvent([this](TObject*) { ReopenForMaster(); }));
  }
}

void TFIBCustomDataSet::SetUpdateRecordTypes(TFIBUpdateRecordTypes value) {
  fUpdateRecordTypes = value;
  if (Active()) First();
}

void TFIBCustomDataSet::SetUniDirectional(bool value) {
  CheckDatasetClosed(" change Unidirectional property ");
  TDataSet::SetUniDirectional(value);
}

// ---- Options --------------------------------------------------------------------------------

void TFIBCustomDataSet::ApplyCSMonitorSupport() {
  MonitorSupportChanged(this);
}

bool TFIBCustomDataSet::CanUseLimitedBuffer() {
  if (fCachedUpdates || GetOrderByClauseOf(SelectSQL().Text()).Text.empty()) return false;
  if (!fAutoCommit && UpdateTransaction() != Transaction()) return false;
  TFIBXSQLDA& params = fSelectQuery->Params();
  for (int i = 0; i < params.Count(); ++i)
    if (UpperCase(params[i].Name()).starts_with("NEW_")) return false;
  return true;
}

// ---- Guards ---------------------------------------------------------------------------------

void TFIBCustomDataSet::CheckDatasetClosed(const AnsiString& operation) const {
  if (fCursorOpen || Active()) FIBError(TFIBClientError::SQLOpen, {operation, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckDatasetOpen(const AnsiString& operation) const {
  if (State() == dsInactive) FIBError(TFIBClientError::SQLClosed, {operation, FullComponentName(this)});
}

void TFIBCustomDataSet::CheckNotUniDirectional() const {
  if (IsUniDirectional()) FIBError(TFIBClientError::DataSetUniDirectional);
}

void TFIBCustomDataSet::CheckUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) FIBError(TFIBClientError::TransactionNotAssigned, {FullComponentName(this)});
  transaction->CheckInTransaction();
}

void TFIBCustomDataSet::CheckEditState() {
  // Every field write checks here: the name is made only for an error.
  const TDataSetState state = State() == dsNewValue || State() == dsOldValue ? SavedState() : State();
  switch (state) {
    case dsEdit:
      if (!CanEdit()) FIBError(TFIBClientError::CannotUpdate, {FullComponentName(this)});
      return;
    case dsInsert:
      CheckCanInsert();
      return;
    default:
      FIBError(TFIBClientError::NotInEditOrInsert, {FullComponentName(this)});
  }
}

void TFIBCustomDataSet::CheckCanInsert() {
  if (!CanInsert()) FIBError(TFIBClientError::CannotInsert, {FullComponentName(this)});
}

void TFIBCustomDataSet::CheckInactive() const {
  if (!fInternalReopen) TDataSet::CheckInactive();
}

// ---- Permissions and comparisons ------------------------------------------------------------

namespace {

// Asked on every field write. A statement is prepared only with a text and unprepared by
// any change of it, so a prepared one needs no copy of its lines to tell.
bool HasText(TFIBQuery& statement) {
  return statement.Prepared() || !IsEmptyStrings(statement.SQL());
}

}  // namespace

bool TFIBCustomDataSet::CanEdit() {
  if (HasText(*fUpdateQuery)) return true;
  if (!fCachedUpdates || !Active() || ActiveBuffer() == nullptr) return false;
  return (ActiveBuffer()[StatusOffset] & CachedStatusMask) == cusInserted;
}

bool TFIBCustomDataSet::CanInsert() {
  return HasText(*fInsertQuery);
}

bool TFIBCustomDataSet::CanDelete() {
  return !IsEmptyStrings(DeleteSQL());
}

int TFIBCustomDataSet::CompareFieldValues(TField* field, const Variant& value1, const Variant& value2) {
  if (OnCompareFieldValues) return OnCompareFieldValues(field, value1, value2);
  const bool null1 = VarIsNull(value1) || VarIsEmpty(value1);
  const bool null2 = VarIsNull(value2) || VarIsEmpty(value2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  return std::clamp(CompareVariantsTyped(value1, value2), -1, 1);
}

TUpdateStatus TFIBCustomDataSet::UpdateStatus() {
  if (!Active() || ActiveBuffer() == nullptr) return usUnmodified;
  switch (ActiveBuffer()[StatusOffset] & CachedStatusMask) {
    case cusModified:
      return usModified;
    case cusInserted:
      return usInserted;
    case cusDeleted:
    case cusUninserted:
      return usDeleted;
    default:
      return usUnmodified;
  }
}

bool TFIBCustomDataSet::IsSequenced() {
  return fSelectQuery->Eof() && !(Filtered() && !IsEmpty()) && !IsUniDirectional();
}

bool TFIBCustomDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() < sizeof(Integer)) return false;
  if (fCacheModelOptions.CacheModelKind() == cmkLimitedBufferSize) return true;
  Integer physicalNo;
  std::memcpy(&physicalNo, bookmark.data(), sizeof physicalNo);
  return fRecordsCache && fRecordsCache->RecordExists(physicalNo);
}

void TFIBCustomDataSet::Post() {
  EndChangeReportingWindowFailure([this] {
    TDataSet::Post();
    fPendingResyncs = 0;
  });
}

void TFIBCustomDataSet::Resync(TResyncMode mode) {
  if (!Active()) return;
  if (fNeedResync) {
    fNeedResync = false;
    if (fPendingResyncs > 0)
      --fPendingResyncs;
    else
      TDataSet::Resync({});
    EnableControls();
    RestartEndScrollTimer();
    return;
  }
  if (fPendingResyncs == 0) TDataSet::Resync(mode);
}

// ---- Events ---------------------------------------------------------------------------------

void TFIBCustomDataSet::DataEvent(TDataEvent event, NativeInt info) {
  // Every move sends two events: only a change of the disabled state has more to do.
  if (event != deDisabledStateChange) {
    if (event == deFieldChange && OnFieldChange) OnFieldChange(reinterpret_cast<TField*>(info));
    return TDataSet::DataEvent(event, info);
  }
  const bool wasDisabled = ControlsDisabled();
  TDataSet::DataEvent(event, info);
  if (info == 1 && !wasDisabled && !fControlsDisabledSeen) {
    fControlsDisabledSeen = true;
    if (OnDisableControls) OnDisableControls(this);
  } else if (info == 0 && fControlsDisabledSeen) {
    fControlsDisabledSeen = false;
    if (OnEnableControls) OnEnableControls(this);
  }
}

void TFIBCustomDataSet::SetBeforeFetchRecord(const TOnFetchRecord& value) {
  fBeforeFetchRecord = value;
  fSelectQuery->OnFetch =
      value ? TFIBFetchCallback::Bind(this, &TFIBCustomDataSet::FireStatementFetch) : TFIBFetchCallback();
}

void TFIBCustomDataSet::FireStatementFetch(TFIBQuery* query, Integer recordNumber, bool& stop) {
  const TOnFetchRecord handler = fBeforeFetchRecord;
  if (handler) handler(query, recordNumber, stop);
}

}  // namespace ordvane

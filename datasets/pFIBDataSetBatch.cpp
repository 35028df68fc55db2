// TpFIBDataSet applying its cached updates: record by record through its statements, or
// in EXECUTE BLOCK batches of literal statements, and the immediate apply after each post
// or delete with AutoCommit.

#include <algorithm>
#include <string_view>

#include "classlib/core/StrUtils.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConvert.h"

namespace ordvane {

namespace {

// A block names the first record whose update or delete found no row: such a change is
// never dropped without a word.
constexpr std::string_view kBlockHead = "EXECUTE BLOCK RETURNS (UNMATCHED_RECORD INTEGER) AS BEGIN";
constexpr char kBlockSavepoint[] = "DATASET_BATCH";
// The block's one row, after every statement has run.
constexpr std::string_view kBlockEnd = "SUSPEND; END";
constexpr Integer kMaxBlockStatements = 255;
constexpr Integer kMaxBlockLength = 65532;
// The server gives a block 256 contexts of relations; an UPDATE takes two of them.
constexpr Integer kMaxBlockContexts = 256;

Integer ContextsOf(TModifySQLKind kind) {
  return kind == mskUpdate ? 2 : 1;
}

Integer LineLength(std::string_view line) {
  return static_cast<Integer>(line.size()) + 2;
}

}  // namespace

// ---- Batches ------------------------------------------------------------------------------------

bool TpFIBDataSet::WrapExecuteBlock(TModifySQLKind kind) {
  if (fBatchStatements >= kMaxBlockStatements || fBatchContexts + ContextsOf(kind) > kMaxBlockContexts) {
    fBatch.emplace_back(kBlockEnd);
    return false;
  }
  if (fBatch.empty()) {
    fBatchStatements = 0;
    fBatchContexts = 0;
    fBatch.emplace_back(kBlockHead);
    fBatchLength = LineLength(kBlockHead);
  }
  const AnsiString literal = GenerateLiteralModifySQL(kind);
  // Nothing to write for this record.
  if (literal.empty()) return true;
  const AnsiString statement =
      kind == mskInsert
          ? literal + ";"
          : literal + "; IF (ROW_COUNT = 0) THEN UNMATCHED_RECORD = COALESCE(UNMATCHED_RECORD, " +
                IntToStr(RecordIndexOf(ActiveBuffer())) + ");";
  // Room stays for the closing line, so the whole text keeps under the limit.
  if (fBatchLength + LineLength(statement) + LineLength(kBlockEnd) < kMaxBlockLength) {
    fBatch.push_back(statement);
    fBatchLength += LineLength(statement);
    fBatchContexts += ContextsOf(kind);
    ++fBatchStatements;
    return true;
  }
  fBatch.emplace_back(kBlockEnd);
  return false;
}

bool TpFIBDataSet::AddToBatch(TModifySQLKind kind, Integer recordIndex) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (WrapExecuteBlock(kind)) {
      fBatchRecords.push_back(recordIndex);
      return true;
    }
    // The records before this one are sent first, so that the changes keep their order.
    ExecuteBatch();
  }
  return false;
}

void TpFIBDataSet::ExecuteBatch() {
  if (fBatch.empty()) return;
  if (fBatch.back() != kBlockEnd) fBatch.emplace_back(kBlockEnd);
  if (fBatchRecords.empty()) return ClearBatch();
  TFIBQuery& block = BatchQuery();
  try {
    block.SetParamCheck(false);
    block.SetDatabase(Database());
    block.SetTransaction(UpdateTransaction());
    AnsiString text;
    for (const AnsiString& line : fBatch) text += line + "\r\n";
    block.SQL().SetText(text);
    StartUpdateTransaction();
    // The blocks are sent in the name of the update statement, whose batch events hear of them.
    if (!UpdateQuery().RunBatchText(++fBatchBlocksSent, text, [this, &block] { RunBatchBlock(block); })) {
      // Ignored by the error handler: the block's records keep their statuses.
      ClearBatch();
      return;
    }
    MarkStatementExecuted();
    AutoCommitUpdateTransaction();
  } catch (...) {
    ClearBatch();
    throw;
  }
  for (const Integer index : fBatchRecords) {
    const TCachedUpdateStatus before = CachedStatusAt(index);
    SetCachedStatusAt(index, AppliedStatus(before));
    NoteUncommittedChange(index, before);
  }
  ClearBatch();
}

// The block runs under a savepoint: when one of its changes found no row, all of them
// are undone and the record is named, so that the block's records keep their statuses
// and nothing of it is applied.
void TpFIBDataSet::RunBatchBlock(TFIBQuery& block) {
  const AnsiString savepoint = kBlockSavepoint;
  // Not the block's own statement: its events tell of blocks only.
  TFIBQuery marks(nullptr);
  marks.SetDatabase(block.Database());
  marks.SetTransaction(block.Transaction());
  marks.ExecuteImmediateBatch({"SAVEPOINT " + savepoint});
  Integer unmatched = -1;
  try {
    // The statement fetches the row as it executes: a failing statement of the block
    // fails the execution.
    block.SetGoToFirstRecordOnExecute(true);
    block.ExecQuery();
    const TScopeEnd close([&block] { block.Close(); });
    const TFIBXSQLVAR& record = block.FieldByName("UNMATCHED_RECORD");
    if (!block.Eof() && !record.GetIsNull()) unmatched = record.GetAsLong();
  } catch (const EFIBError&) {
    marks.ExecuteImmediateBatch({"RELEASE SAVEPOINT " + savepoint});
    RaiseRefusedBatchValue();
    throw;
  } catch (...) {
    marks.ExecuteImmediateBatch({"RELEASE SAVEPOINT " + savepoint});
    throw;
  }
  if (unmatched < 0) return marks.ExecuteImmediateBatch({"RELEASE SAVEPOINT " + savepoint});
  marks.ExecuteImmediateBatch({"ROLLBACK TO SAVEPOINT " + savepoint, "RELEASE SAVEPOINT " + savepoint});
  throw EDatabaseError(
      Format("%s: the change of record %d found no row on the server; no change of its batch was "
             "applied",
             {FullComponentName(this), unmatched + 1}));
}

// The server names no statement of a block, so each value of the block's records is cast
// alone into the type of its column until one is refused.
void TpFIBDataSet::RaiseRefusedBatchValue() {
  // The record being added reads its values from the buffer once more should the failure
  // be passed over.
  TRecordBuffer buffer = ActiveBuffer();
  const std::vector<Byte> adding(buffer, buffer + RecordBufferSize());
  const TScopeEnd restore([buffer, &adding] { std::copy(adding.begin(), adding.end(), buffer); });
  TFIBQuery probe(nullptr);
  probe.SetParamCheck(false);
  probe.SetDatabase(Database());
  probe.SetTransaction(UpdateTransaction());
  probe.SetGoToFirstRecordOnExecute(true);
  for (const Integer index : fBatchRecords) {
    const TCachedUpdateStatus status = CachedStatusAt(index);
    if (status != cusModified && status != cusInserted) continue;
    ReadRecordCache(index, buffer, false);
    for (const TLiteralValue& value : LiteralValues(status == cusInserted ? mskInsert : mskUpdate)) {
      if (value.Literal == "NULL") continue;
      try {
        probe.SQL().SetText("SELECT CAST(" + value.Literal + " AS TYPE OF COLUMN " + value.Column +
                            ") FROM RDB$DATABASE");
        probe.ExecQuery();
        probe.Close();
      } catch (const EFIBError& refusal) {
        throw EDatabaseError(Format("%s: record %d: field '%s' cannot hold the value '%s': %s",
                                    {FullComponentName(this), index + 1, value.Field->FieldName(),
                                     value.Field->AsString(), refusal.Message()}));
      }
    }
  }
}

TFIBQuery& TpFIBDataSet::BatchQuery() {
  if (!fBatchQuery) fBatchQuery = std::make_unique<TFIBQuery>(nullptr);
  return *fBatchQuery;
}

void TpFIBDataSet::ClearBatch() {
  fBatch.clear();
  fBatchRecords.clear();
  fBatchStatements = 0;
  fBatchContexts = 0;
  fBatchLength = 0;
}

// ---- Applying -----------------------------------------------------------------------------------

void TpFIBDataSet::ApplyRecord(TUpdateKind kind, Integer recordIndex) {
  TRecordBuffer buffer = ActiveBuffer();
  ReadRecordCache(recordIndex, buffer, false);
  const bool batched = AutoUpdateOptions().UseExecuteBlock();
  const TCachedUpdateStatus from = CachedStatus(buffer);
  switch (kind) {
    case ukModify:
    case ukInsert: {
      const bool inserted = kind == ukInsert;
      if (!(inserted ? CanInsert() : CanEdit())) return;
      if (batched && AddToBatch(inserted ? mskInsert : mskUpdate, recordIndex)) return;
      PrepareModifySQL(inserted ? dsInsert : dsEdit);
      PostRecordToServer(inserted ? InsertQuery() : UpdateQuery(), buffer);
      CountStatusChange(from, CachedStatus(buffer));
      break;
    }
    case ukDelete:
      if (!CanDelete()) return;
      if (batched && AddToBatch(mskDelete, recordIndex)) return;
      InternalDeleteRecord(DeleteQuery(), buffer);
      AutoCommitUpdateTransaction();
      break;
  }
  NoteUncommittedChange(recordIndex, from);
}

// A refused record asks OnUpdateError what to do; a failed send has put the record and
// the server back as they were, so it may be sent again.
TFIBUpdateAction TpFIBDataSet::ApplyOrAsk(TUpdateKind kind, Integer recordIndex) {
  try {
    ApplyRecord(kind, recordIndex);
    return uaApplied;
  } catch (EDatabaseError& e) {
    TFIBUpdateAction action = uaFail;
    if (OnUpdateError) OnUpdateError(this, e, kind, action);
    if (action == uaFail) throw;
    if (action == uaAbort) throw EAbort();
    if (action == uaApplied) SetCachedStatusAt(recordIndex, AppliedStatus(CachedStatusAt(recordIndex)));
    return action;
  }
}

void TpFIBDataSet::ApplyCachedUpdates() {
  if (State() == dsEdit || State() == dsInsert) Post();
  if (!Active() || FetchedCount() == 0 || ActiveBuffer() == nullptr) return;
  fBatchBlocksSent = 0;
  TControlsScope controls(*this);
  TRecordBuffer buffer = ActiveBuffer();
  const std::vector<Byte> shown(buffer, buffer + RecordBufferSize());
  const TScopeEnd restore([this, buffer, &shown] {
    ClearBatch();
    std::copy(shown.begin(), shown.end(), buffer);
    Resync({});
  });
  for (Integer index = 0; index < FetchedCount(); ++index) {
    const TCachedUpdateStatus status = CachedStatusAt(index);
    if (status != cusModified && status != cusInserted && status != cusDeleted) continue;
    // Sent already in the open transaction, whose commit failed: not sent twice.
    if (fUncommittedShownPending && fUncommittedChanges.contains(index)) continue;
    const TUpdateKind kind = status == cusModified ? ukModify : status == cusInserted ? ukInsert : ukDelete;
    TFIBUpdateAction action = uaApply;
    if (OnUpdateRecord) {
      ReadRecordCache(index, buffer, false);
      OnUpdateRecord(this, kind, action);
    }
    while (action == uaApply || action == uaRetry) action = ApplyOrAsk(kind, index);
    bool resume = true;
    if (AfterUpdateRecord) AfterUpdateRecord(this, kind, resume);
    if (!resume) throw EAbort();
  }
  ExecuteBatch();
  if (CachedUpdateCount() == 0) RecordsCache()->ClearLog();
}

// ---- Marks of changes not committed yet ---------------------------------------------------------

void TpFIBDataSet::NoteUncommittedChange(Integer recordIndex, TCachedUpdateStatus before) {
  // Committed with the change itself: the mark is right as it is.
  if (AutoCommit()) return;
  const TCachedUpdateStatus sent = CachedStatusAt(recordIndex);
  // A record sent again in the same transaction keeps the status it had before its first
  // send: that is what a rollback brings back.
  const auto [entry, added] = fUncommittedChanges.try_emplace(recordIndex, TUncommittedChange{before, sent});
  if (!added) entry->second.sent = sent;
}

TCachedUpdateStatus TpFIBDataSet::PendingStatus(TCachedUpdateStatus before, TCachedUpdateStatus now) {
  const bool inserted = before == cusInserted;
  if (now == cusDeleted || now == cusDeletedApplied || now == cusUninserted) return inserted ? cusUninserted : cusDeleted;
  return inserted ? cusInserted : cusModified;
}

void TpFIBDataSet::RestorePendingStatuses() {
  for (const auto& [index, change] : fUncommittedChanges)
    SetCachedStatusAt(index, PendingStatus(change.before, CachedStatusAt(index)));
}

void TpFIBDataSet::DoBeforeEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  TFIBDataSet::DoBeforeEndUpdateTransaction(endingTR, action, force);
  if (fUncommittedChanges.empty() || fUncommittedShownPending) return;
  if (action != TACommit && action != TACommitRetaining) return;
  for (auto& [index, change] : fUncommittedChanges) change.sent = CachedStatusAt(index);
  RestorePendingStatuses();
  fUncommittedShownPending = true;
}

void TpFIBDataSet::EndUncommittedChanges(TTransactionAction action) {
  if (fUncommittedChanges.empty()) return;
  if (action == TACommit || action == TACommitRetaining) {
    for (const auto& [index, change] : fUncommittedChanges) SetCachedStatusAt(index, change.sent);
  } else {
    RestorePendingStatuses();
  }
  fUncommittedChanges.clear();
  fUncommittedShownPending = false;
  if (Active() && State() == dsBrowse) Resync({});
}

void TpFIBDataSet::ApplyAtOnce() {
  ApplyCachedUpdates();
  if (!UpdatesPending()) ResetCachedStatuses(rsmApplied);
}

void TpFIBDataSet::DoAfterPost() {
  ForgetVisibleCount();
  NotifyContainers(deAfterPost);
  // A record posted in this transaction is locked already: a second edit needs no lock.
  if (Options().Contains(poProtectedEdit) && !CachedUpdates() && !AutoCommit() && ActiveRecordIndex() >= 0) {
    SetCachedStatusAt(ActiveRecordIndex(), cusModified);
    SetCachedStatus(ActiveBuffer(), cusModified);
  }
  // As after a delete: the master's values may follow from its details' rows.
  if (DetailConditions().Contains(dcForceMasterRefresh) && !CachedUpdates()) RefreshMaster();
  TFIBDataSet::DoAfterPost();
  if (AutoCommit() && CachedUpdates()) ApplyAtOnce();
}

void TpFIBDataSet::DoAfterDelete() {
  ForgetVisibleCount();
  NotifyContainers(deAfterDelete);
  if (AutoCommit() && CachedUpdates()) ApplyAtOnce();
  TFIBDataSet::DoAfterDelete();
}

}  // namespace ordvane

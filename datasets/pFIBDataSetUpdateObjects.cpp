// TpFIBDataSet posting to the server: the update objects filed by kind and run before and
// after its own insert, update and delete statements, the separate blob update, which
// kinds of change are allowed, and the marks of changes the update transaction carries.

#include <algorithm>
#include <functional>

#include "datasets/FIBDataSetScopes.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

namespace {

bool ReturnsRow(const TFIBQuery& statement) {
  const TFIBSQLTypes type = statement.SQLType();
  return type == SQLSelect || type == SQLSelectForUpdate || type == SQLExecProcedure;
}

// An insert, update or delete without RETURNING: it leaves nothing to read after it.
bool IsPlainChange(const TFIBQuery& statement) {
  const TFIBSQLTypes type = statement.SQLType();
  return type == SQLInsert || type == SQLUpdate || type == SQLDelete;
}

}  // namespace

// ---- The lists ----------------------------------------------------------------------------------

std::vector<TpFIBUpdateObject*>& TpFIBDataSet::UpdateObjectList(TUpdateKind kind) {
  return fUpdateObjects[static_cast<std::size_t>(kind)];
}

const std::vector<TpFIBUpdateObject*>& TpFIBDataSet::UpdateObjects(TUpdateKind kind) const {
  return fUpdateObjects[static_cast<std::size_t>(kind)];
}

namespace {

void Renumber(std::vector<TpFIBUpdateObject*>& list) {
  for (std::size_t i = 0; i < list.size(); ++i) list[i]->StoreOrderInList(static_cast<Integer>(i));
}

}  // namespace

Integer TpFIBDataSet::AddUpdateObject(TpFIBUpdateObject* updateObject) {
  if (updateObject == nullptr) return -1;
  std::vector<TpFIBUpdateObject*>& list = UpdateObjectList(updateObject->KindUpdate());
  std::erase(list, updateObject);
  const auto place =
      static_cast<std::size_t>(std::clamp<Integer>(updateObject->OrderInList(), 0, static_cast<Integer>(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(place), updateObject);
  Renumber(list);
  return static_cast<Integer>(place);
}

void TpFIBDataSet::RemoveUpdateObject(TpFIBUpdateObject* updateObject) {
  for (std::vector<TpFIBUpdateObject*>& list : fUpdateObjects)
    if (std::erase(list, updateObject) > 0) Renumber(list);
}

void TpFIBDataSet::ReleaseUpdateObjects() {
  delete fBlobUpdateObject;
  fBlobUpdateObject = nullptr;
  for (std::vector<TpFIBUpdateObject*>& list : fUpdateObjects) {
    // Each object leaves the list as it is unfiled.
    const std::vector<TpFIBUpdateObject*> filed = list;
    for (TpFIBUpdateObject* object : filed) object->SetDataSet(nullptr);
  }
}

// ---- Running them -------------------------------------------------------------------------------

void TpFIBDataSet::RunUpdateObjects(TUpdateKind kind, TRecordBuffer buffer, TFIBOrderExecUO order) {
  RunUpdateObjects(kind, order, [this, buffer](TFIBQuery& object) { SetRecordParams(object, buffer); });
}

void TpFIBDataSet::RunUpdateObjects(TUpdateKind kind, TFIBOrderExecUO order,
                                    const std::function<void(TFIBQuery&)>& bindParams) {
  // A copy: a statement's events may file or unfile objects meanwhile.
  const std::vector<TpFIBUpdateObject*> objects = UpdateObjectList(kind);
  for (TpFIBUpdateObject* object : objects) {
    if (object->ExecuteOrder() != order || !Runs(*object)) continue;
    TControlsScope controls(*this);
    PrepareModificationStatement(*object);
    bindParams(*object);
    const TScopeEnd closer([object] { CloseIfOpen(*object); });
    object->ExecQuery();
    MarkStatementExecuted();
  }
}

void TpFIBDataSet::PrepareBlobUpdateObject() {
  if (!AutoUpdateOptions().SeparateBlobUpdate() || BlobFieldCount() == 0) return;
  if (fBlobUpdateObject == nullptr) fBlobUpdateObject = new TpFIBUpdateObject(this);
  fBlobUpdateObject->SetDatabase(Database());
  fBlobUpdateObject->SetTransaction(UpdateTransaction());
  fBlobUpdateObject->SetExecuteOrder(oeAfterDefault);
  fBlobUpdateObject->SetKindUpdate(ukModify);
  fBlobUpdateObject->SetDataSet(this);
  // Written before every post: an unchanged text keeps its preparation.
  const AnsiString text = GenerateModifySQL(mskUpdate, mffBlobsOnly);
  if (text != fBlobUpdateObject->SQL().Text() && text + "\r\n" != fBlobUpdateObject->SQL().Text())
    fBlobUpdateObject->SQL().SetText(text);
  if (!IsEmptyStrings(fBlobUpdateObject->SQL()) && !IsNoAction(*fBlobUpdateObject)) fBlobUpdateObject->SetActive(true);
}

// ---- Posting ------------------------------------------------------------------------------------

bool TpFIBDataSet::Runs(TpFIBUpdateObject& object) {
  return object.Active() && !IsEmptyStrings(object.SQL()) && !IsNoAction(object);
}

bool TpFIBDataSet::RunsUpdateObjects(TUpdateKind kind) const {
  const std::vector<TpFIBUpdateObject*>& objects = UpdateObjects(kind);
  return std::any_of(objects.begin(), objects.end(), [](TpFIBUpdateObject* object) { return Runs(*object); }) ||
         (fBlobUpdateObject != nullptr && Runs(*fBlobUpdateObject));
}

void TpFIBDataSet::PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) {
  const TUpdateKind kind = &statement == &InsertQuery() ? ukInsert : ukModify;
  const bool runsStatement = StatementRuns(statement);
  // Prepared in the started transaction, as inside the change, so that its type is known.
  StartUpdateTransaction();
  if (runsStatement) PrepareModificationStatement(statement);
  const bool refreshes = !IsEmptyStrings(RefreshSQL()) && Options().Contains(poRefreshAfterPost) &&
                         CacheModelOptions().CacheModelKind() == cmkStandard;
  // One plain statement and nothing after it: the controls hear of the change before it
  // runs (nothing between could tell them more), so that one refusing it finds nothing
  // sent, and the statement, atomic on the server, is the change's last step.
  const bool singleStatement = !refreshes && !RunsUpdateObjects(kind) && (!runsStatement || IsPlainChange(statement));
  const auto execute = [&] {
    CloseIfOpen(statement);
    const TScopeEnd closer([&statement] { CloseIfOpen(statement); });
    statement.ExecQuery();
    MarkStatementExecuted();
    CheckRowFound(statement);
    if (ReturnsRow(statement) && (statement.SQLType() == SQLExecProcedure || statement.Next() != nullptr)) {
      WriteRecordCache(RecordIndexOf(buffer), buffer);
      StoreStatementRow(statement, buffer);
    }
  };
  const auto change = [&] {
    {
      TControlsScope controls(*this);
      RunUpdateObjects(kind, buffer, oeBeforeDefault);
      if (runsStatement) {
        SetRecordParams(statement, buffer);
        if (!singleStatement) execute();
      }
      if (fBlobUpdateObject != nullptr && fBlobUpdateObject->Active()) fBlobUpdateObject->SetKindUpdate(kind);
      RunUpdateObjects(kind, buffer, oeAfterDefault);
    }
    if (runsStatement && singleStatement) execute();
    SetCachedStatus(buffer, cusUnmodified);
    WriteRecordCache(RecordIndexOf(buffer), buffer);
    if (refreshes) {
      DoBeforeRefresh();
      RefreshRecord(RefreshQuery(), buffer);
      DoAfterRefresh();
    }
  };
  // Handed over by reference: the change's captures would cost an allocation every post.
  RunServerChange(buffer, true, std::cref(change), singleStatement);
}

void TpFIBDataSet::InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) {
  if (IsNoAction(statement)) return;
  TControlsScope controls(*this);
  TFIBDataSet::InternalDeleteRecord(statement, buffer);
}

void TpFIBDataSet::DeleteRowOnServer(TFIBQuery& statement, TRecordBuffer buffer) {
  RunUpdateObjects(ukDelete, buffer, oeBeforeDefault);
  if (!IsEmptyStrings(statement.SQL())) {
    TFIBDataSet::DeleteRowOnServer(statement, buffer);
    MarkStatementExecuted();
  }
  RunUpdateObjects(ukDelete, buffer, oeAfterDefault);
}

// ---- What may change ----------------------------------------------------------------------------

bool TpFIBDataSet::CanChange(TUpdateKind kind, bool statementExists) {
  if (!AllowedUpdateKinds().Contains(kind)) return false;
  if (statementExists || CanGenerateModifySQL() || (CachedUpdates() && OnUpdateRecord)) return true;
  const std::vector<TpFIBUpdateObject*>& objects = UpdateObjectList(kind);
  return std::any_of(objects.begin(), objects.end(), [](const TpFIBUpdateObject* object) { return object->Active(); });
}

bool TpFIBDataSet::CanEdit() {
  return CanChange(ukModify, TFIBDataSet::CanEdit());
}

bool TpFIBDataSet::CanInsert() {
  return CanChange(ukInsert, TFIBDataSet::CanInsert());
}

bool TpFIBDataSet::CanDelete() {
  return CanChange(ukDelete, TFIBDataSet::CanDelete());
}

// ---- Marks of changes ---------------------------------------------------------------------------

TCachedUpdateStatus TpFIBDataSet::AppliedStatus(TCachedUpdateStatus status) {
  if (status == cusModified || status == cusInserted) return cusUnmodified;
  return status == cusDeleted ? cusDeletedApplied : status;
}

void TpFIBDataSet::SetCachedStatusAt(Integer recordIndex, TCachedUpdateStatus status) {
  std::vector<Byte> record(static_cast<std::size_t>(RecordBufferSize()));
  ReadRecordCache(recordIndex, record.data(), false);
  const TCachedUpdateStatus from = CachedStatus(record.data());
  if (from == status) return;
  SetCachedStatus(record.data(), status);
  WriteRecordCache(recordIndex, record.data());
  CountStatusChange(from, status);
}

void TpFIBDataSet::ResetCachedStatuses(TResetStatusesMode mode) {
  if (!Active() || RecordsCache() == nullptr) return;
  for (Integer index = 0; index < FetchedCount(); ++index) {
    const TCachedUpdateStatus from = CachedStatusAt(index);
    if (mode == rsmApplied)
      SetCachedStatusAt(index, AppliedStatus(from));
    else if (from != cusDeletedApplied)
      SetCachedStatusAt(index, cusUnmodified);
  }
  if (State() == dsBrowse) Resync({});
}

void TpFIBDataSet::DoAfterEndUpdateTransaction(TFIBTransaction* endingTR, TTransactionAction action, bool force) {
  EndUncommittedChanges(action);
  if (action == TACommit || action == TACommitRetaining) {
    fStatementExecuted = false;
    if (Options().Contains(poProtectedEdit) && !CachedUpdates()) ResetCachedStatuses(rsmCommitted);
  } else {
    fExecutedBeforeRollback = fStatementExecuted;
    fStatementExecuted = false;
  }
  TFIBDataSet::DoAfterEndUpdateTransaction(endingTR, action, force);
}

}  // namespace ordvane

// TpFIBDataSet's record lock (the row written to itself, or selected WITH LOCK, in the
// update transaction), the protected edit that locks before editing, and the select's
// row count asked of the server.

#include "classlib/core/SeparatedLists.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/Variants.h"
#include "datasets/FIBDataSetScopes.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLText.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

namespace {

constexpr ISC_STATUS kLockConflict = 335544345;

bool FetchesRows(const TFIBQuery& statement) {
  return statement.SQLType() == SQLSelect || statement.SQLType() == SQLSelectForUpdate;
}

const char* LockFailureText(TLockStatus status) {
  switch (status) {
    case lsDeadLock:
      return "Deadlock detected";
    case lsNotExist:
      return "Record does not exist";
    case lsMultiply:
      return "Attempt to edit multiple records";
    default:
      return "";
  }
}

// The first word of a table item: its name without the alias.
AnsiString TableWord(const AnsiString& item) {
  const AnsiString table = Trim(item);
  const int separator = AliasSeparatorPos(table);
  return separator > 0 ? TableFromFromItem(table, separator) : table;
}

}  // namespace

// ---- Lock ---------------------------------------------------------------------------------------

AnsiString TpFIBDataSet::LockText() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  AnsiString table, where;
  if (!IsEmptyStrings(UpdateSQL()) && !(options.AutoReWriteSqls() && options.UpdateOnlyModifiedFields())) {
    const AnsiString update = ExecutableText(UpdateQuery());
    table = GetModifyTableName(update, true);
    where = Trim(GetWhereClauseOf(update, 0).Text);
  } else if (options.AutoReWriteSqls()) {
    table = options.UpdateTableName();
    for (const AnsiString& key : SplitList(options.KeyFields(), ';', true, TEmptyItems::Drop)) {
      const AnsiString name = Trim(key);
      where += (where.empty() ? "" : " and ") + name + "=?" + name;
    }
  }
  if (IsBlankString(table) || IsBlankString(where)) throw EDatabaseError("Unable to lock record. Update query is empty");
  if (Options().Contains(poUseSelectForLock)) return "SELECT 0 FROM " + table + " WHERE " + where + " FOR UPDATE WITH LOCK";
  const AnsiString tableWord = TableWord(table);
  for (TField* field : Fields()) {
    // A blob or array written to itself would be copied whole on the server.
    if (field->FieldKind() != fkData || field->IsBlob() || field->DataType() == ftArray) continue;
    if (!SameIdentifier(GetRelationTableName(field), tableWord)) continue;
    return "UPDATE " + table + " SET " + options.FormatIdentifier(GetRelationFieldName(field)) + "= ?" +
           options.FormatIdentifier(field->FieldName()) + " WHERE " + where;
  }
  return UpdateSQL().Text();
}

// Values the user has typed but not posted never reach the lock: in an edit, as during
// cached updates, the record's own values are the old ones.
void TpFIBDataSet::BindLockParams() {
  TFIBQuery& lock = *fLockQuery;
  const bool editing = State() == dsEdit || State() == dsInsert;
  if (!CachedUpdates() && !editing) ReadRecordCache(ActiveRecordIndex(), ActiveBuffer(), false);
  SetRecordParams(lock, ActiveBuffer());
  if (!CachedUpdates() && State() != dsEdit) return;
  TFIBXSQLDA& params = lock.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TField* field = LookupField(params[i].Name());
    if (field == nullptr || field->FieldKind() != fkData || field->IsBlob()) continue;
    const Variant old = field->OldValue();
    if (VarIsNull(old) || VarIsEmpty(old))
      params[i].SetIsNull(true);
    else
      params[i].SetAsVariant(old);
  }
}

TLockStatus TpFIBDataSet::ExecuteLock(AnsiString& errorMessage) {
  TFIBQuery& lock = *fLockQuery;
  try {
    StartUpdateTransaction();
    if (!lock.Prepared()) lock.Prepare();
    BindLockParams();
    const TScopeEnd closer([&lock] { CloseIfOpen(lock); });
    lock.ExecQuery();
    // A row held by another transaction refuses its first fetch, not the execution.
    if (FetchesRows(lock))
      while (!lock.Eof() && lock.RecordCount() < 2) lock.Next();
    const int rows = FetchesRows(lock) ? lock.RecordCount() : lock.RowsAffected();
    return rows == 1 ? lsSuccess : rows == 0 ? lsNotExist : lsMultiply;
  } catch (const EFIBError& e) {
    if (e.SQLCode() == -913 || (e.SQLCode() == -901 && e.IBErrorCode() == kLockConflict)) return lsDeadLock;
    errorMessage = e.Message();
    return lsUnknownError;
  }
}

TLockStatus TpFIBDataSet::LockRecord(bool raiseOnFailure) {
  CheckDatasetOpen(" lock record ");
  const AnsiString text = LockText();
  if (!fLockQuery) fLockQuery = std::make_unique<TFIBQuery>(nullptr);
  if (fLockQuery->SQL().Text() != text) fLockQuery->SQL().SetText(text);
  fLockQuery->SetDatabase(Database());
  fLockQuery->SetTransaction(UpdateTransaction());
  for (;;) {
    AnsiString error;
    const TLockStatus status = ExecuteLock(error);
    if (status == lsSuccess || !raiseOnFailure) return status;
    AnsiString message = AnsiString("Error of record updating:") + (status == lsUnknownError ? error : LockFailureText(status));
    TDataAction action = daFail;
    if (OnLockError) OnLockError(this, status, message, action);
    if (action == daRetry) continue;
    if (action == daAbort) throw EAbort();
    throw EDatabaseError(message);
  }
}

void TpFIBDataSet::DoBeforeEdit() {
  if (!CanEdit()) throw EAbort();
  if (Options().Contains(poProtectedEdit) && !CachedUpdates() && CachedStatus(ActiveBuffer()) != cusModified) {
    LockRecord(true);
    PrepareProtectedEditRefresh();
    if (!IsEmptyStrings(RefreshSQL())) RefreshRecord(RefreshQuery(), ActiveBuffer());
    PrepareProtectedEditUpdate();
  }
  NotifyContainers(deBeforeEdit);
  TFIBDataSet::DoBeforeEdit();
}

// ---- Server record count ------------------------------------------------------------------------

Integer TpFIBDataSet::RecordCountFromServer() {
  TFIBQuery& select = SelectQuery();
  if (select.Database() == nullptr || select.Transaction() == nullptr || !select.Transaction()->Active()) return 0;
  if (!fCountQuery) fCountQuery = std::make_unique<TFIBQuery>(nullptr);
  TFIBQuery& count = *fCountQuery;
  CloseIfOpen(count);
  if (count.Database() != select.Database()) count.SetDatabase(select.Database());
  if (count.Transaction() != select.Transaction()) count.SetTransaction(select.Transaction());
  try {
    AnsiString text;
    if (OnAskRecordCount) OnAskRecordCount(this, text);
    if (text.empty()) {
      TFIBDatabase* database = select.Database();
      text = database->IsFirebirdConnect() && database->GetServerMajorVersion() >= 2
                 ? "Select Count(*) from (" + select.BuildExecSQL() + ")"
                 : CountSelectSQL(select.SQL().Text());
    }
    if (count.SQL().Text() != text && count.SQL().Text() != text + "\r\n") count.SQL().SetText(text);
    if (!count.Prepared()) count.Prepare();
    TFIBXSQLDA& params = count.Params();
    for (int i = 0; i < params.Count(); ++i)
      if (TFIBXSQLVAR* source = select.FindParam(params[i].Name())) params[i].Assign(*source);
    const TScopeEnd closer([&count] { CloseIfOpen(count); });
    count.ExecQuery();
    if (count.Eof()) return 0;
    return count.GetFields(0).GetAsLong();
  } catch (const Exception& e) {
    throw Exception(e.Message() + "\r\n" + Format("%s unable to get number of records", {FullComponentName(this)}));
  }
}

}  // namespace ordvane

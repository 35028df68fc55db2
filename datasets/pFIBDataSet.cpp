#include "datasets/pFIBDataSet.h"

#include "datasets/FIBDataSetScopes.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

TpFIBDataSet::TpFIBDataSet(TComponent* owner) : TFIBDataSet(owner) {}

void TpFIBDataSet::SetDataSet_ID(Integer value) {
  if (value == fDataSetID) return;
  fDataSetID = value;
  Unprepare();
  if (value != 0) SetPrepareOptions(PrepareOptions() + TpPrepareOptions{psApplyRepositary});
}

void TpFIBDataSet::Prepare() {
  if (fDataSetID != 0) FIBDataSetInfoCollect().ApplyToDataSet(*this);
  TFIBDataSet::Prepare();
}

AnsiString TpFIBDataSet::InfoOwnerName() const {
  return FullComponentName(this);
}

namespace {

void TakeText(const TStringList& stored, TStrings& target) {
  if (stored.Count() > 0 && stored.Text() != target.Text()) target.Assign(&stored);
}

}  // namespace

void TpFIBDataSet::TakeDataSetInfo(const TpDataSetInfo& info) {
  const TConditions& conditions = Conditions();
  if (!(conditions.Applied() && conditions.BaseSQL() == info.SelectSQL.Text()))
    TakeText(info.SelectSQL, SelectSQL());
  TakeText(info.InsertSQL, InsertSQL());
  TakeText(info.UpdateSQL, UpdateSQL());
  TakeText(info.DeleteSQL, DeleteSQL());
  TakeText(info.RefreshSQL, RefreshSQL());
  TAutoUpdateOptions& options = AutoUpdateOptions();
  options.SetGenBeforePost(!info.KeyField.empty() && !info.GeneratorName.empty());
  options.SetKeyFields(info.KeyField);
  options.SetGeneratorName(info.GeneratorName);
  options.SetUpdateOnlyModifiedFields(info.UpdateOnlyModifiedFields);
  options.SetUpdateTableName(info.UpdateTableName);
  TStringList conditionLines;
  conditionLines.SetText(info.Conditions);
  Conditions().LoadFromPlainLines(conditionLines);
  SetDescription(info.Description);
}

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

void TpFIBDataSet::PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) {
  const bool runsStatement = !IsEmptyStrings(statement.SQL()) && !IsNoAction(statement);
  // Prepared in the started transaction, as inside the change, so that its type is known.
  StartUpdateTransaction();
  if (runsStatement) PrepareModificationStatement(statement);
  const bool refreshes = !IsEmptyStrings(RefreshSQL()) && Options().Contains(poRefreshAfterPost) &&
                         CacheModelOptions().CacheModelKind() == cmkStandard;
  // With the controls already off, nothing after a plain statement can fail: enabling them
  // again only counts down.
  const bool singleStatement = !refreshes && ControlsDisabled() && (!runsStatement || IsPlainChange(statement));
  RunServerChange(buffer, true, [&] {
    {
      TControlsScope controls(*this);
      if (runsStatement) {
        SetRecordParams(statement, buffer);
        if (statement.Open()) statement.Close();
        statement.ExecQuery();
        if (ReturnsRow(statement) && (statement.SQLType() == SQLExecProcedure || statement.Next() != nullptr)) {
          WriteRecordCache(RecordIndexOf(buffer), buffer);
          StoreStatementRow(statement, buffer);
        }
        if (statement.Open()) statement.Close();
      }
      SetCachedStatus(buffer, cusUnmodified);
      WriteRecordCache(RecordIndexOf(buffer), buffer);
    }
    if (refreshes) {
      DoBeforeRefresh();
      RefreshRecord(RefreshQuery(), buffer);
      DoAfterRefresh();
    }
  }, singleStatement);
}

void TpFIBDataSet::InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) {
  if (IsNoAction(statement)) return;
  TControlsScope controls(*this);
  TFIBDataSet::InternalDeleteRecord(statement, buffer);
}

}  // namespace ordvane

#include "datasets/pFIBDataSet.h"

#include "datasets/FIBDataSetScopes.h"
#include "datasets/FIBMetaCache.h"
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

namespace {

bool ReturnsRow(const TFIBQuery& statement) {
  const TFIBSQLTypes type = statement.SQLType();
  return type == SQLSelect || type == SQLSelectForUpdate || type == SQLExecProcedure;
}

}  // namespace

void TpFIBDataSet::PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) {
  RunServerChange(buffer, true, [&] {
    {
      TControlsScope controls(*this);
      if (!IsEmptyStrings(statement.SQL()) && !IsNoAction(statement)) {
        PrepareModificationStatement(statement);
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
    if (!IsEmptyStrings(RefreshSQL()) && Options().Contains(poRefreshAfterPost) &&
        CacheModelOptions().CacheModelKind() == cmkStandard) {
      DoBeforeRefresh();
      RefreshRecord(RefreshQuery(), buffer);
      DoAfterRefresh();
    }
  });
}

void TpFIBDataSet::InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) {
  if (IsNoAction(statement)) return;
  TControlsScope controls(*this);
  TFIBDataSet::InternalDeleteRecord(statement, buffer);
}

}  // namespace ordvane

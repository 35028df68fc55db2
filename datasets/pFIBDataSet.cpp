#include "datasets/pFIBDataSet.h"

#include "datasets/FIBDataSetScopes.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBSQLMonitor.h"
#include "dbclient/FIBStrUtils.h"

namespace ordvane {

TpFIBDataSet::TpFIBDataSet(TComponent* owner) : TFIBDataSet(owner) {
  TDataSet::OnPostError = TDataSetErrorEvent([this](TDataSet*, EDatabaseError& e, TDataAction& action) {
    RelayError(deOnPostError, OnPostError, e, action);
  });
  TDataSet::OnDeleteError = TDataSetErrorEvent([this](TDataSet*, EDatabaseError& e, TDataAction& action) {
    RelayError(deOnDeleteError, OnDeleteError, e, action);
  });
}

namespace {

// Steps of the dataset's own, shown by the SQL monitor among its statements' prepares.
void TraceStep(const AnsiString& text) {
  TraceToMonitor([&text](TFIBSQLMonitorHook& hook) {
    if (hook.Wants(TFIBTraceKind::Prepare)) hook.WriteSQLData(text, TFIBTraceKind::Prepare);
  });
}

}  // namespace

void TpFIBDataSet::SetDataSet_ID(Integer value) {
  if (value == fDataSetID) return;
  TraceStep(FullComponentName(this) + " change DataSetID ");
  fDataSetID = value;
  Unprepare();
  if (value != 0) SetPrepareOptions(PrepareOptions() + TpPrepareOptions{psApplyRepositary});
}

void TpFIBDataSet::Prepare() {
  TraceStep("Prepare " + FullComponentName(this));
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

}  // namespace ordvane

#include "classlib/ui/DBActns.h"

#include "classlib/db/DataSet.h"

namespace ordvane {

namespace {

bool Editing(const TDataSet& dataSet) {
  return dataSet.State() == dsEdit || dataSet.State() == dsInsert;
}

}  // namespace

TDataSetAction::TDataSetAction(TComponent* owner) : TAction(owner) {
  SetDisableIfNoHandler(true);
}

void TDataSetAction::SetDataSource(TDataSource* value) {
  if (value == fDataSource) return;
  if (fDataSource != nullptr) RemoveFreeNotification(fDataSource);
  fDataSource = value;
  if (fDataSource != nullptr) FreeNotification(fDataSource);
}

void TDataSetAction::Notification(TComponent* component, TOperation operation) {
  TAction::Notification(component, operation);
  if (operation == opRemove && component == fDataSource) fDataSource = nullptr;
}

bool TDataSetAction::Execute() {
  if (OnExecute || fDataSource == nullptr) return TAction::Execute();
  if (!HandlesTarget(fDataSource)) return false;
  ExecuteTarget(fDataSource);
  return true;
}

bool TDataSetAction::Update() {
  if (OnUpdate || fDataSource == nullptr) return TAction::Update();
  const bool handled = HandlesTarget(fDataSource);
  if (handled)
    UpdateTarget(fDataSource);
  else
    SetEnabled(false);
  return handled;
}

bool TDataSetAction::HandlesTarget(TObject* target) {
  auto* source = dynamic_cast<TDataSource*>(target);
  return source != nullptr && (fDataSource == nullptr || source == fDataSource) &&
         source->DataSet() != nullptr;
}

void TDataSetAction::ExecuteTarget(TObject* target) {
  Act(*static_cast<TDataSource*>(target)->DataSet());
}

void TDataSetAction::UpdateTarget(TObject* target) {
  SetEnabled(CanAct(*static_cast<TDataSource*>(target)->DataSet()));
}

void TDataSetFirst::Act(TDataSet& dataSet) {
  dataSet.First();
}

bool TDataSetFirst::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && !dataSet.Bof();
}

void TDataSetPrior::Act(TDataSet& dataSet) {
  dataSet.Prior();
}

bool TDataSetPrior::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && !dataSet.Bof();
}

void TDataSetNext::Act(TDataSet& dataSet) {
  dataSet.Next();
}

bool TDataSetNext::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && !dataSet.Eof();
}

void TDataSetLast::Act(TDataSet& dataSet) {
  dataSet.Last();
}

bool TDataSetLast::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && !dataSet.Eof();
}

void TDataSetInsert::Act(TDataSet& dataSet) {
  dataSet.Insert();
}

bool TDataSetInsert::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && dataSet.CanModify();
}

void TDataSetDelete::Act(TDataSet& dataSet) {
  dataSet.Delete();
}

bool TDataSetDelete::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && dataSet.CanModify() && !(dataSet.Bof() && dataSet.Eof());
}

void TDataSetEdit::Act(TDataSet& dataSet) {
  dataSet.Edit();
}

bool TDataSetEdit::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && dataSet.CanModify() && !Editing(dataSet) && !(dataSet.Bof() && dataSet.Eof());
}

void TDataSetPost::Act(TDataSet& dataSet) {
  dataSet.Post();
}

bool TDataSetPost::CanAct(TDataSet& dataSet) {
  return Editing(dataSet);
}

void TDataSetCancel::Act(TDataSet& dataSet) {
  dataSet.Cancel();
}

bool TDataSetCancel::CanAct(TDataSet& dataSet) {
  return Editing(dataSet);
}

void TDataSetRefresh::Act(TDataSet& dataSet) {
  dataSet.Refresh();
}

bool TDataSetRefresh::CanAct(TDataSet& dataSet) {
  return dataSet.Active() && !Editing(dataSet);
}

bool DataLinkExecuteAction(const TDataLink& link, TBasicAction* action) {
  TDataSource* source = link.DataSource();
  if (source == nullptr || !action->HandlesTarget(source)) return false;
  action->ExecuteTarget(source);
  return true;
}

bool DataLinkUpdateAction(const TDataLink& link, TBasicAction* action) {
  TDataSource* source = link.DataSource();
  if (source == nullptr || !action->HandlesTarget(source)) return false;
  action->UpdateTarget(source);
  return true;
}

}  // namespace ordvane

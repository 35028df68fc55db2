#pragma once
// The dataset actions: first, prior, next, last, insert, delete, edit, post, cancel and
// refresh on a dataset. An action with a DataSource of its own acts on that source's
// dataset; without one its targets are data sources, which data-aware controls offer
// through their data links (DataLinkExecuteAction / DataLinkUpdateAction), so the action
// reaches the dataset of the focused control first. Each is enabled only where it can
// act, and disabled when no target offers a dataset.

#include "classlib/db/DataSource.h"
#include "classlib/ui/ActnList.h"

namespace ordvane {

class TDataSetAction : public TAction {
  ORDVANE_CLASS(TDataSetAction, TAction)

 public:
  explicit TDataSetAction(TComponent* owner);

  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* value);

  // With a source of its own the action needs no target.
  bool Execute() override;
  bool Update() override;
  bool HandlesTarget(TObject* target) override;
  void ExecuteTarget(TObject* target) override;
  void UpdateTarget(TObject* target) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void Act(TDataSet& dataSet) = 0;
  virtual bool CanAct(TDataSet& dataSet) = 0;

 private:
  TDataSource* fDataSource = nullptr;
};

ORDVANE_TARGET_ACTION(TDataSetFirst, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetPrior, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetNext, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetLast, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetInsert, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetDelete, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetEdit, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetPost, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetCancel, TDataSetAction, TDataSet)
ORDVANE_TARGET_ACTION(TDataSetRefresh, TDataSetAction, TDataSet)

// A data link's part in the search for an action's target: its data source.
bool DataLinkExecuteAction(const TDataLink& link, TBasicAction* action);
bool DataLinkUpdateAction(const TDataLink& link, TBasicAction* action);

}  // namespace ordvane

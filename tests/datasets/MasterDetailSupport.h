#pragma once
// The form of the event, master/detail and record-number tests: persons and their
// documents made by isql-fb, one transaction that reads and posts (rolled back at the
// end, so that no test sees another's changes), a master dataset over the persons and a
// detail over the documents, and the statement log as the witness of what ran.

#include <gtest/gtest.h>

#include <string>

#include "datasets/pFIBDataSet.h"
#include "tests/datasets/SortingSupport.h"

namespace ordvane::test {

inline TestDatabase& MasterDetailDatabase() {
  static TestDatabase db("datasets/masterdetail.sql", {3, "WIN1251"});
  return db;
}

// Opens the protected steps the tests call directly.
class TDocumentsDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TDocumentsDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  using TpFIBDataSet::DoOnCalcFields;
};

class MasterDetailTest : public testing::Test {
 protected:
  MasterDetailTest() {
    fForm.SetName("Form");
    fMaster->SetName("Master");
    fDetail->SetName("Detail");
    Configure(*fDatabase, MasterDetailDatabase());
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    for (TpFIBDataSet* dataSet : {static_cast<TpFIBDataSet*>(fMaster), static_cast<TpFIBDataSet*>(fDetail)}) {
      dataSet->SetDatabase(fDatabase);
      dataSet->SetTransaction(fTransaction);
      dataSet->SetUpdateTransaction(fTransaction);
    }
    fMaster->SelectSQL().SetText("select * from persons order by id");
    fMasterSource->SetDataSet(fMaster);
    fDetail->SelectSQL().SetText("select * from documents order by id");
    fDetail->InsertSQL().SetText(
        "insert into documents (id, person_id, num, amount) values (:id, :person_id, :num, :amount)");
    fDetail->UpdateSQL().SetText("update documents set num = :num, amount = :amount where id = :old_id");
    fDetail->DeleteSQL().SetText("delete from documents where id = :old_id");
    fDetail->RefreshSQL().SetText("select * from documents where id = :old_id");
    fDatabase->SetSQLLogger(&fCounter);
  }
  ~MasterDetailTest() override {
    fDatabase->SetSQLLogger(nullptr);
    if (fTransaction->Active()) fTransaction->Rollback();
  }
  // The detail of the master's current person: "MAS_" and plain parameters alike.
  void LinkDetail(const std::string& condition = "person_id = :mas_id") {
    fDetail->SelectSQL().SetText("select * from documents where " + condition + " order by id");
    fDetail->SetDataSource(fMasterSource);
  }
  int DetailExecutions() { return fCounter.executions["Form.Detail.SelectQuery"]; }
  int MasterExecutions() { return fCounter.executions["Form.Master.SelectQuery"]; }
  std::string DetailRows() { return WalkRows(*fDetail, {"ID", "NUM"}); }
  std::string Oracle(const std::string& select) { return IsqlRows(MasterDetailDatabase(), select); }

  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fMaster = new TpFIBDataSet(&fForm);
  TDataSource* fMasterSource = new TDataSource(&fForm);
  TDocumentsDataSet* fDetail = new TDocumentsDataSet(&fForm);
  StatementCounter fCounter;
};

}  // namespace ordvane::test

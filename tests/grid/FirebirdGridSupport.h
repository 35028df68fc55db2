#pragma once
// Grid tests over a Firebird dataset: a connection to a test database, a TpFIBDataSet, and a
// grid on a shown form over it; the rows the dataset shows are compared with isql-fb's.

#include <memory>
#include <string>

#include "datasets/pFIBDataSet.h"
#include "dbclient/FIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane::test {

struct FirebirdGridFixture {
  explicit FirebirdGridFixture(TestDatabase& db) : fDb(db) {}

  // The IDs the dataset shows, joined by ";" as IsqlRows joins rows.
  std::string DataSetIds() {
    std::string ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      ids += (ids.empty() ? "" : ";") + fDataSet->FieldByName("ID")->AsString();
    return ids;
  }

  TestDatabase& fDb;
  UiDriver fUi;
  TComponent fOwner{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fOwner);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fOwner);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fOwner);
  TDataSource fSource{nullptr};
  // Goes first, with the grid on it.
  std::unique_ptr<TForm> fForm{NewForm(Rect(50, 50, 750, 650))};
  TDataGrid* fGrid = nullptr;
};

}  // namespace ordvane::test

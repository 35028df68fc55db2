#pragma once
// A form over one row of a Firebird table: a dataset that posts through a written
// statement and commits at each post, its data source, a spare edit to move the focus to,
// and isql-fb as the oracle of what the table holds.

#include <gtest/gtest.h>

#include <string>

#include "tests/datasets/EditingSupport.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane::test {

class TableFormTest : public testing::Test {
 protected:
  explicit TableFormTest(TestDatabase& db) : fDb(db) {
    ConnectForPosting(*fDatabase, *fTransaction, *fDataSet, db);
    fSource.SetDataSet(fDataSet);
  }
  void Focus(TWinControl* control) {
    control->SetFocus();
    fScreen.ui.Process();
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }

  TestDatabase& fDb;
  TextControlFixture fScreen;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
  TDataSource fSource{nullptr};
  TEdit* fOther = fScreen.Place<TEdit>(Rect(10, 200, 160, 221));
};

}  // namespace ordvane::test

// The data-aware combo box and check box on a Firebird table: what they show of a row,
// and what they write, posted and committed, read back by isql-fb.

#include <gtest/gtest.h>

#include "gridbase/DBCtrlsEhCheckBox.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "tests/gridbase/TableFormSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& ControlsDatabase() {
  static TestDatabase db("gridbase/dbctrls.sql", {3, "WIN1251"});
  return db;
}

// One row of `choices` behind a data source, posted through a written statement and
// committed at each post.
class DBCtrlsTableTest : public TableFormTest {
 protected:
  DBCtrlsTableTest() : TableFormTest(ControlsDatabase()) {}
  void OpenRow(int id, const std::string& column) {
    fDataSet->SelectSQL().SetText("select id, " + column + " from choices where id = " + std::to_string(id));
    fDataSet->UpdateSQL().SetText("update choices set " + column + " = ?" + column + " where id = ?old_id");
    fDataSet->Open();
  }
  template <class Control>
  Control* Bound(const char* field) {
    auto* control = fScreen.Place<Control>(Rect(10, 10, 160, 31));
    control->SetDataSource(&fSource);
    control->SetDataField(field);
    fScreen.ui.Process();
    return control;
  }
};

TEST_F(DBCtrlsTableTest, AKeyModeComboShowsTheItemOfTheStoredKeyAndStoresTheKeyOfTheChosenItem) {
  OpenRow(1, "answer");
  auto* combo = Bound<TDBComboBoxEh>("ANSWER");
  combo->Items()->SetText("Yes\nNo");
  combo->KeyItems()->SetText("1\n0");
  EXPECT_EQ(combo->EditText(), "No");
  Focus(combo);
  fScreen.ui.Type("y");
  EXPECT_EQ(combo->EditText(), "Yes");
  Focus(fOther);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select answer from choices where id = 1"), "1");

  fDataSet->Close();
  OpenRow(2, "answer");
  EXPECT_EQ(combo->EditText(), "") << "a Null key";
  EXPECT_EQ(combo->ItemIndex(), -1);
  Focus(combo);
  fScreen.ui.Press(VK_UP);
  Focus(fOther);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select answer from choices where id = 2"), "0");
}

TEST_F(DBCtrlsTableTest, ACheckBoxMatchesTheStoredTextAndStoresTheFirstTextOrNull) {
  OpenRow(1, "flag");
  auto* box = Bound<TDBCheckBoxEh>("FLAG");
  box->SetValueChecked("Y;YES");
  box->SetValueUnchecked("N;NO");
  EXPECT_EQ(box->State(), cbChecked) << "yes";
  Focus(box);
  fScreen.ui.Press(VK_SPACE);
  Focus(fOther);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select flag from choices where id = 1"), "N");

  box->SetAllowGrayed(true);
  box->SetState(cbGrayed);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select coalesce(flag, 'null') from choices where id = 1"), "null");

  box->SetDataSource(nullptr);
  fDataSet->Close();
  OpenRow(2, "flag");
  box->SetDataSource(&fSource);
  EXPECT_EQ(box->State(), cbGrayed) << "maybe: neither list";
}

TEST_F(DBCtrlsTableTest, ACheckBoxOnABooleanColumnReadsAndWritesItsTruth) {
  OpenRow(1, "ok");
  auto* box = Bound<TDBCheckBoxEh>("OK");
  EXPECT_EQ(box->State(), cbChecked);
  Focus(box);
  fScreen.ui.Press(VK_SPACE);
  Focus(fOther);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select iif(ok, 1, 0) from choices where id = 1"), "0");
  box->SetChecked(true);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select iif(ok, 1, 0) from choices where id = 1"), "1");

  box->SetDataSource(nullptr);
  fDataSet->Close();
  OpenRow(2, "ok");
  box->SetDataSource(&fSource);
  EXPECT_EQ(box->State(), cbGrayed) << "Null";
}

}  // namespace
}  // namespace ordvane::test

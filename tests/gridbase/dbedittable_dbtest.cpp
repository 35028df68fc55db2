// The data-aware edit on a Firebird table: text typed into a WIN1251 column reaches the
// server as the same characters (isql-fb reads them back in UTF-8) and comes back into
// the edit after reopening; the field's size and type govern what the edit takes.

#include <gtest/gtest.h>

#include "gridbase/DBCtrlsEh.h"
#include "tests/datasets/EditingSupport.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane::test {
namespace {

class DBEditTableTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  DBEditTableTest() {
    Open("select id, name from posted where id = 10");
    fDataSet->UpdateSQL().SetText("update posted set name = ?name where id = ?old_id");
    fSource.SetDataSet(fDataSet);
  }
  TCustomDBEditEh* Bound(const char* field, int top) {
    auto* edit = fScreen.Place<TCustomDBEditEh>(Rect(10, top, 200, top + 21));
    edit->SetDataSource(&fSource);
    edit->SetDataField(field);
    fScreen.ui.Process();
    return edit;
  }
  void Focus(TWinControl* control) {
    control->SetFocus();
    fScreen.ui.Process();
  }

  TextControlFixture fScreen;
  TDataSource fSource{nullptr};
  TEdit* fOther = fScreen.Place<TEdit>(Rect(10, 100, 200, 121));
};

TEST_F(DBEditTableTest, CyrillicTypedIntoAWin1251ColumnRoundTrips) {
  constexpr const char* typed = "Привіт, ґанку! Ёж";
  TCustomDBEditEh* name = Bound("NAME", 10);
  TCustomDBEditEh* id = Bound("ID", 40);
  EXPECT_EQ(name->MaxLength(), 0) << "the column refuses a longer text itself";
  EXPECT_EQ(name->EditText(), "row 1");

  Focus(name);
  name->SelectAll();
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  fScreen.ui.Type(typed);
  EXPECT_EQ(fDataSet->State(), dsEdit);
  Focus(fOther);
  EXPECT_EQ(Field("NAME")->AsString(), A(typed));
  fDataSet->Post();
  EXPECT_EQ(Oracle("select name, octet_length(cast(name as varchar(20) character set win1251)) from posted "
                   "where id = 10"),
            std::string(typed) + "|17");

  fDataSet->Close();
  fDataSet->Open();
  EXPECT_EQ(name->EditText(), A(typed));

  Focus(id);
  fScreen.ui.Press(VK_END);
  fScreen.ui.Type("x");
  EXPECT_EQ(fScreen.ui.Beeps(), 1) << "a letter is no integer";
  EXPECT_EQ(id->EditText(), "10");
}

}  // namespace
}  // namespace ordvane::test

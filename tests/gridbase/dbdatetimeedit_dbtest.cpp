// The date and time edit on a Firebird TIMESTAMP column: a time edit changes only the
// time and a date edit only the date, as isql-fb reads the row back.

#include <gtest/gtest.h>

#include "gridbase/DBDateTimeEditEh.h"
#include "tests/gridbase/TableFormSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& MomentsDatabase() {
  static TestDatabase db("gridbase/moments.sql", {3, "WIN1251"});
  return db;
}

class DateTimeEditTableTest : public TableFormTest {
 protected:
  DateTimeEditTableTest() : TableFormTest(MomentsDatabase()) {
    fDataSet->SelectSQL().SetText("select id, ts from moments where id = 1");
    fDataSet->UpdateSQL().SetText("update moments set ts = ?ts where id = ?old_id");
    fDataSet->Open();
  }
  TDBDateTimeEditEh* Bound(TDateTimeKindEh kind, int top) {
    auto* edit = fScreen.Place<TDBDateTimeEditEh>(Rect(10, top, 200, top + 21));
    edit->SetKind(kind);
    edit->SetDataSource(&fSource);
    edit->SetDataField("TS");
    fScreen.ui.Process();
    return edit;
  }
  // Types over the whole text of an edit and leaves it.
  void TypeInto(TDBDateTimeEditEh* edit, const char* digits) {
    Focus(edit);
    edit->SetSelStart(0);
    edit->SetSelLength(0);
    fScreen.ui.Type(digits);
    Focus(fOther);
    fDataSet->Post();
  }
  std::string Stamp() { return Oracle("select ts from moments where id = 1"); }
};

TEST_F(DateTimeEditTableTest, TimeAndDateEditsChangeTheirOwnPartsOnly) {
  TDBDateTimeEditEh* time = Bound(dtkTimeEh, 10);
  TDBDateTimeEditEh* date = Bound(dtkDateEh, 40);
  EXPECT_EQ(time->EditText(), "08:30:00");
  EXPECT_EQ(date->EditText(), "09.03.2024");
  const std::string before = Stamp();
  ASSERT_EQ(before.substr(0, 19), "2024-03-09 08:30:00");

  TypeInto(time, "174505");
  EXPECT_EQ(Stamp().substr(0, 19), "2024-03-09 17:45:05");
  EXPECT_EQ(date->EditText(), "09.03.2024");

  TypeInto(date, "01012025");
  EXPECT_EQ(Stamp().substr(0, 19), "2025-01-01 17:45:05");
  EXPECT_EQ(time->EditText(), "17:45:05");
}

}  // namespace
}  // namespace ordvane::test

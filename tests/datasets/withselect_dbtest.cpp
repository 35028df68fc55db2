// A dataset over a select that begins with a WITH list: its conditions, its main WHERE,
// its server order and its record count all work on the main select after the list, and
// the server returns what the same select written by hand returns (isql-fb reads that).

#include <gtest/gtest.h>

#include "datasets/pFIBDataSet.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

class WithSelectTest : public testing::Test {
 protected:
  WithSelectTest() {
    Configure(*fDatabase, fDb);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText(
        "with recursive\n"
        "  tens (n) as (select 10 from rdb$database union all select n + 10 from tens where n < 400),\n"
        "  named as (select id, name from items where id in (select n from tens) order by id desc)\n"
        "select id, name from named where id between 100 and 200 order by id");
  }
  // The ids of the dataset's rows in its order, joined by ";" as IsqlRows joins rows.
  std::string Ids() {
    fDataSet->Open();
    std::string ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next())
      ids += (ids.empty() ? "" : ";") + std::to_string(fDataSet->FieldByName("ID")->AsInteger());
    fDataSet->Close();
    return ids;
  }
  std::string Oracle(const std::string& where, const std::string& order) {
    return IsqlRows(fDb, "select id from items where " + where + " order by " + order);
  }

  TestDatabase fDb{"datasets/addrecord.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_F(WithSelectTest, ConditionsWhereOrderAndCountWorkOnTheMainSelect) {
  EXPECT_EQ(Ids(), Oracle("id between 100 and 200", "id"));

  fDataSet->Conditions().AddCondition("odd tens", "mod(id, 20) = 10", true);
  fDataSet->Conditions().Apply();
  EXPECT_EQ(Ids(), Oracle("id between 100 and 200 and mod(id, 20) = 10", "id"));

  // A change of the text is made to the text without the conditions, which apply again.
  fDataSet->SelectQuery().SetOrderClause("name desc");
  fDataSet->Conditions().Apply();
  EXPECT_EQ(Ids(), Oracle("id between 100 and 200 and mod(id, 20) = 10", "name desc"));

  fDataSet->Conditions().CancelApply();
  fDataSet->SelectQuery().SetMainWhereClause("id > 350");
  EXPECT_EQ(Ids(), Oracle("id > 350", "name desc"));
  EXPECT_EQ(fDataSet->SelectQuery().GetMainWhereClause(), "id > 350");

  // The record count, by the text the server counts with and by the derived one.
  fDataSet->Open();
  EXPECT_EQ(fDataSet->RecordCountFromServer(), 5);
  fDataSet->Close();
  const AnsiString count = CountSelectSQL(fDataSet->SelectSQL().Text());
  EXPECT_EQ(count.rfind("with recursive", 0), 0u) << count;
  EXPECT_EQ(IsqlRows(fDb, count), IsqlRows(fDb, "select count(*) from items where id > 350"));
}

}  // namespace
}  // namespace ordvane::test

// The field value list and the field data link over a Firebird table, with isql-fb (a
// second attachment) as the oracle of what the table holds.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "datasets/pFIBDataSet.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/FieldValuesEh.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& NamesDatabase() {
  static TestDatabase db("gridbase/fieldvalues.sql", {3, "WIN1251"});
  return db;
}

class FirebirdFieldTest : public testing::Test {
 protected:
  FirebirdFieldTest() {
    Configure(*fDatabase, NamesDatabase());
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
  }
  std::string Oracle(const std::string& select) { return IsqlRows(NamesDatabase(), select); }

  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

// Upper-cased and sorted, so that the list's order and its choice among spellings of one
// name do not matter, only which names it holds.
std::vector<std::string> Folded(std::vector<std::string> names) {
  for (std::string& name : names)
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FirebirdFieldTest, ValueListHoldsTheDistinctNamesRegardlessOfCase) {
  fDataSet->SelectSQL().SetText("select id, name from names where id > 0 order by id");
  fDataSet->Open();
  TDatasetFieldValueListEh list;
  list.SetDataSet(fDataSet);
  list.SetFieldName("NAME");
  std::vector<std::string> listed;
  for (Integer i = 0; i < list.Values()->Count(); ++i) listed.emplace_back(list.Values()->Strings(i));
  EXPECT_TRUE(fDataSet->Eof());
  EXPECT_EQ(fDataSet->RecordCount(), 2000);

  std::vector<std::string> distinct;
  std::istringstream rows(Oracle("select distinct upper(name) from names where id > 0"));
  for (std::string row; std::getline(rows, row, ';');) distinct.push_back(row);
  ASSERT_EQ(distinct.size(), 667u);
  EXPECT_EQ(Folded(listed), Folded(distinct));
}

TEST_F(FirebirdFieldTest, TextWrittenThroughTheLinkIsCommitted) {
  fDataSet->SelectSQL().SetText("select id, name from names where id = 0");
  fDataSet->UpdateSQL().SetText("update names set name = ?name where id = ?old_id");
  fDataSet->Open();
  TDataSource source(nullptr);
  source.SetDataSet(fDataSet);
  TFieldDataLinkEh link;
  link.SetDataSource(&source);
  link.SetFieldName("NAME");
  link.OnUpdateData = [&link](TObject*) { link.SetText("written"); };
  ASSERT_TRUE(link.Edit());
  link.SetModified();
  fDataSet->Post();
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select name from names where id = 0"), "written");
  link.SetDataSource(nullptr);
}

}  // namespace
}  // namespace ordvane::test

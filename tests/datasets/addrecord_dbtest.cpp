// Whole records stored at once by InsertRecord and AppendRecord: through the insert
// statement when the dataset has one, refused with the dataset's own error when it has
// none, whatever other statements it has. isql-fb reads back what reached the database.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "datasets/pFIBDataSet.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

using testing::HasSubstr;

class AddRecordTest : public testing::Test {
 protected:
  AddRecordTest() {
    fForm.SetName("Form");
    fDataSet->SetName("Items");
    Configure(*fDatabase, fDb);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText("select id, name from items order by id");
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  // Both ways of storing a record are refused with the dataset's error; nothing changes.
  void ExpectRefused() {
    fDataSet->Open();
    const Integer count = fDataSet->RecordCount();
    for (const bool append : {true, false}) {
      const std::string error = ErrorOf<Exception>([&] {
        if (append)
          fDataSet->AppendRecord({Variant(5), Variant("new")});
        else
          fDataSet->InsertRecord({Variant(5), Variant("new")});
      });
      EXPECT_THAT(error, HasSubstr("Can't insert into dataset. (")) << (append ? "append" : "insert");
      EXPECT_THAT(error, HasSubstr("Items")) << (append ? "append" : "insert");
      EXPECT_EQ(fDataSet->State(), dsBrowse);
      EXPECT_EQ(fDataSet->RecordCount(), count);
    }
    // Append itself is refused as before.
    EXPECT_ANY_THROW(fDataSet->Append());
    EXPECT_EQ(fDataSet->State(), dsBrowse);
    fTransaction->Commit();
    EXPECT_EQ(Oracle("select count(*) from items where id = 5"), "0");
  }

  TestDatabase fDb{"datasets/addrecord.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_F(AddRecordTest, ReadOnlyDatasetRefusesRecordsWithItsInsertError) { ExpectRefused(); }

TEST_F(AddRecordTest, DatasetWithoutInsertStatementRefusesRecordsWhateverElseItHas) {
  fDataSet->UpdateSQL().SetText("update items set name = ?name where id = ?old_id");
  fDataSet->DeleteSQL().SetText("delete from items where id = ?old_id");
  ExpectRefused();
}

TEST_F(AddRecordTest, RecordsGoThroughTheInsertStatementInPlaceOrAfterTheLastRow) {
  fDataSet->InsertSQL().SetText("insert into items (id, name) values (?id, ?name)");
  fDataSet->Open();
  ASSERT_LT(fDataSet->RecordCount(), 40) << "every row came with the first fetch";
  fDataSet->AppendRecord({Variant(1000), Variant("appended")});
  // After every row of the select, fetched or not.
  EXPECT_EQ(fDataSet->RecordCount(), 41);
  EXPECT_EQ(fDataSet->RecNo(), 41);
  fDataSet->Prior();
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 400);

  fDataSet->First();
  fDataSet->Next();
  fDataSet->InsertRecord({Variant(15), Variant("inserted")});
  EXPECT_EQ(fDataSet->RecNo(), 2);
  EXPECT_EQ(fDataSet->FieldByName("NAME")->AsString(), "inserted");
  fDataSet->Next();
  EXPECT_EQ(fDataSet->FieldByName("ID")->AsInteger(), 20);

  // A record the server refuses is not kept.
  EXPECT_THAT(ErrorOf<Exception>([&] { fDataSet->AppendRecord({Variant(10), Variant("twice")}); }),
              HasSubstr("PRIMARY"));
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_EQ(fDataSet->RecordCount(), 42);
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select id, name from items where id in (15, 1000) order by id"), "15|inserted;1000|appended");
  EXPECT_EQ(Oracle("select count(*) from items"), "42");
}

}  // namespace
}  // namespace ordvane::test

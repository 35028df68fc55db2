// Array fields posted more than once: the server uses up a new array when a statement
// stores it, even one that then fails, so the corrected post after a refusal and every
// later post of the record store the array the record shows, and an array cancelled or
// cleared in an edit is never stored.

#include <gtest/gtest.h>

#include "tests/datasets/BlobFieldsSupport.h"

namespace ordvane::test {
namespace {

class ArraysTest : public EditingFormTest<TpFIBDataSet> {
 protected:
  ArraysTest() : EditingFormTest(BlobFieldsDatabase(), "Arrays") {
    fDataSet->UpdateSQL().SetText("update arrays set code = ?code, a = ?a where id = ?old_id");
    fDataSet->InsertSQL().SetText("insert into arrays (id, code, a) values (?id, ?code, ?a)");
  }
  // A post refused for a duplicate code, then posted again with the code corrected.
  void PostAfterRefusal(const char* code, TDataSetState state = dsEdit) {
    Field("CODE")->SetAsString("two");
    EXPECT_THROW(fDataSet->Post(), EFIBError);
    EXPECT_EQ(fDataSet->State(), state);
    Field("CODE")->SetAsString(code);
    fDataSet->Post();
  }
  void TearDown() override {
    fDb.Isql(
        "delete from arrays where id > 2; update arrays set a = null, code = iif(id = 1, 'one', 'two');");
  }
};

TEST_F(ArraysTest, ARefusedPostKeepsTheArraysOfTheEditAndInsert) {
  Open("select id, code, a from arrays order by id");
  fDataSet->Edit();
  Field("A")->SetAsVariant(VarArrayOf({1, 2, 3}));
  PostAfterRefusal("uno");
  EXPECT_EQ(Oracle("select code, a[1], a[2], a[3] from arrays where id = 1"), "uno|1|2|3");

  fDataSet->Append();
  Field("ID")->SetAsInteger(3);
  Field("A")->SetAsVariant(VarArrayOf({4, 5, 6}));
  PostAfterRefusal("three", dsInsert);
  EXPECT_EQ(Oracle("select code, a[1], a[2], a[3] from arrays where id = 3"), "three|4|5|6");
}

TEST_F(ArraysTest, ARecordPostedBeforeStoresTheArrayItShows) {
  Open("select id, code, a from arrays order by id");
  fDataSet->Edit();
  Field("A")->SetAsVariant(VarArrayOf({1, 1, 1}));
  fDataSet->Post();
  fDataSet->Edit();
  Field("A")->SetAsVariant(VarArrayOf({9, 9, 9}));
  fDataSet->Cancel();
  fDataSet->Edit();
  PostAfterRefusal("uno");
  EXPECT_EQ(Oracle("select code, a[1] from arrays where id = 1"), "uno|1");

  fDataSet->Edit();
  Field("A")->SetAsVariant(VarArrayOf({7, 7, 7}));
  Field("A")->SetAsVariant(Null());
  PostAfterRefusal("eins");
  EXPECT_EQ(Oracle("select code, coalesce(a[1], -1) from arrays where id = 1"), "eins|-1");
}

}  // namespace
}  // namespace ordvane::test

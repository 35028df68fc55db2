// Times and time stamps keep their tenth of a millisecond: a row posted back after another
// of its columns changed (generated statements, cached updates record by record and in
// blocks, a provider's change) stores them unchanged, at
// the edges of their ranges too; a date changed with the time of day the field showed
// keeps the tenth; a time the user writes replaces it. isql-fb reads what was stored.

#include <gtest/gtest.h>

#include <cmath>

#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

// Every test edits a database of its own.
struct MomentsDatabase {
  TestDatabase fMoments{"datasets/moments.sql", {3, "WIN1251"}};
};

const std::string StoredAtStart =
    "1|16:05:00.6789|2003-02-01 16:05:00.6789;"
    "2|23:59:59.9999|2003-02-01 23:59:59.9999;"
    "3|00:00:00.0000|0001-01-01 00:00:00.0000;"
    "4|00:00:00.0001|9999-12-31 23:59:59.9999";

class MomentsTest : protected MomentsDatabase, public EditingFormTest<TEditDataSet> {
 protected:
  MomentsTest() : EditingFormTest(fMoments, "DataSet") {}
  std::string Stored() { return Oracle("select id, t, ts from moments order by id"); }
  // Every row's note, changed and posted.
  void EditEveryNote() {
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) {
      fDataSet->Edit();
      Field("NOTE")->SetAsString(Field("NOTE")->AsString() + "!");
      fDataSet->Post();
    }
  }
};

TEST_F(MomentsTest, AnotherColumnPostedLeavesTimesAndStampsAsStored) {
  ASSERT_EQ(Stored(), StoredAtStart);
  OpenTable("MOMENTS");
  // The generated update writes every column back.
  ASSERT_NE(fDataSet->UpdateSQL().Text().find("TS"), AnsiString::npos);
  EditEveryNote();
  EXPECT_EQ(Stored(), StoredAtStart);
  EXPECT_EQ(Oracle("select note from moments where id = 4"), "edge!");
  // The record read back after the post keeps the tenth for the next post.
  EditEveryNote();
  EXPECT_EQ(Stored(), StoredAtStart);
  EXPECT_EQ(Oracle("select note from moments where id = 4"), "edge!!");
}

TEST_F(MomentsTest, CachedUpdatesApplyTimesAndStampsAsStored) {
  fDataSet->SetAutoCommit(false);
  fDataSet->SetCachedUpdates(true);
  OpenTable("MOMENTS");
  EditEveryNote();
  fDataSet->ApplyCachedUpdates();
  fTransaction->CommitRetaining();
  EXPECT_EQ(Stored(), StoredAtStart);
  EXPECT_EQ(Oracle("select note from moments where id = 1"), "plain!");

  // Blocks of statements that spell the values out.
  fDataSet->AutoUpdateOptions().SetUseExecuteBlock(true);
  EditEveryNote();
  fDataSet->ApplyCachedUpdates();
  fTransaction->CommitRetaining();
  EXPECT_EQ(Stored(), StoredAtStart);
  EXPECT_EQ(Oracle("select note from moments where id = 1"), "plain!!");
}

// A provider's change whose old values find the row and whose new ones go back unchanged.
TEST_F(MomentsTest, TheProviderAppliesTimesAndStampsAsStored) {
  auto* write = new TFIBTransaction(&fForm);
  write->SetDefaultDatabase(fDatabase);
  fDataSet->SetUpdateTransaction(write);
  fDataSet->UpdateSQL().SetText(
      "update moments set note = ?new_note, t = ?t, ts = ?ts"
      " where id = ?old_id and t = ?old_t and ts = ?old_ts");
  auto* delta = new TpFIBDataSet(&fForm);
  delta->SetName("Delta");
  delta->SetDatabase(fDatabase);
  delta->SetTransaction(fTransaction);
  delta->SetCachedUpdates(true);
  delta->OnUpdateRecord = [](TDataSet*, TUpdateKind, TFIBUpdateAction&) {};
  delta->SelectSQL().SetText("select id, note, t, ts from moments order by id");
  delta->Open();
  for (; !delta->Eof(); delta->Next()) {
    delta->Edit();
    delta->FieldByName("NOTE")->SetAsString("provided");
    fDataSet->PSStartTransaction();
    EXPECT_TRUE(fDataSet->PSUpdateRecord(ukModify, *delta));
    fDataSet->PSEndTransaction(true);
    delta->Cancel();
  }
  EXPECT_EQ(Stored(), StoredAtStart);
  EXPECT_EQ(Oracle("select count(*) from moments where note = 'provided'"), "4");
}

// The fields count whole milliseconds, the tenth cut, so that a moment stays on its day.
TEST_F(MomentsTest, FieldsShowTheMillisecondAndKeepTheTenthOfAnUnchangedTimeOfDay) {
  OpenTable("MOMENTS");
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(4), {}));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Field("TS")->AsDateTime()), "9999-12-31 23:59:59.999");
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(2), {}));
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", Field("T")->AsDateTime()), "23:59:59.999");

  // Another day at the time of day the field showed, as the date editors write it.
  fDataSet->Edit();
  const TDateTime shown = Field("TS")->AsDateTime();
  Field("TS")->SetAsDateTime(EncodeDate(2024, 2, 29) + (shown - std::floor(shown)));
  Field("T")->SetAsDateTime(Field("T")->AsDateTime());
  fDataSet->Post();
  EXPECT_EQ(Oracle("select t, ts from moments where id = 2"), "23:59:59.9999|2024-02-29 23:59:59.9999");

  // A time of day the user writes is stored as written, to the millisecond.
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
  fDataSet->Edit();
  Field("TS")->SetAsDateTime(EncodeDate(2003, 2, 1) + EncodeTime(16, 5, 0, 677));
  Field("T")->SetAsDateTime(EncodeTime(16, 5, 0, 680));
  fDataSet->Post();
  EXPECT_EQ(Oracle("select t, ts from moments where id = 1"), "16:05:00.6800|2003-02-01 16:05:00.6770");
}

// Sorts and filters read the moments the fields show.
TEST_F(MomentsTest, SortsAndFiltersReadTimesAndStamps) {
  OpenTable("MOMENTS");
  const auto order = [this] {
    std::string ids;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ids += Field("ID")->AsString();
    return ids;
  };
  fDataSet->SortByFields({"TS"}, {false});
  EXPECT_EQ(order(), "4213");
  // Rows 3 and 4 differ in the tenth alone: they keep the order they had.
  fDataSet->SortByFields({"T"}, {true});
  EXPECT_EQ(order(), "4312");
  fDataSet->SetFilter("T > '16:05:00' AND T < '23:59:59'");
  fDataSet->SetFiltered(true);
  EXPECT_EQ(order(), "1");
}

// A window of two records pages through the rows by their time stamps: each page goes on
// from the exact moment of the record at its edge.
TEST_F(MomentsTest, AWindowPagesOnFromTheExactStamp) {
  fDataSet->SelectSQL().SetText("select id, ts from moments order by ts");
  fDataSet->AutoUpdateOptions().SetKeyFields("ID");
  fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
  fDataSet->CacheModelOptions().SetBufferChunks(2);
  fDataSet->Open();
  std::string forward, backward;
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) forward += Field("ID")->AsString();
  for (fDataSet->Last(); !fDataSet->Bof(); fDataSet->Prior()) backward = Field("ID")->AsString() + backward;
  EXPECT_EQ(forward, "3124");
  EXPECT_EQ(backward, "3124");
}

}  // namespace
}  // namespace ordvane::test

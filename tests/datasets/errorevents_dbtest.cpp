// The dataset's error events against a real database: a row the server cannot deliver
// (a division by zero in its third row) asks OnGetRecordError, and a cached update the
// server refuses (a key taken) asks OnUpdateError, whose every answer is held against
// what isql-fb then sees. Nothing is committed before the checks that need it.

#include <gtest/gtest.h>

#include "tests/classlib/Support.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class ErrorEventsTest : public EditingFormTest<TEditDataSet> {
 protected:
  ErrorEventsTest() {
    fDataSet->SetAutoCommit(false);
    // The fixture's rows, whatever a test before committed; seen by a transaction begun after.
    fDb.Isql("delete from cached;\ninsert into cached select 1, 'row 1' from rdb$database union all select 2, 'row 2' "
             "from rdb$database union all select 3, 'row 3' from rdb$database union all select 4, 'row 4' from "
             "rdb$database union all select 5, 'row 5' from rdb$database;\ncommit;\n");
    fTransaction->Commit();
    fTransaction->StartTransaction();
  }
  // Records 2 and 3 renamed, record 4 given the key of record 5: three pending changes.
  void EditCached() {
    fDataSet->SetCachedUpdates(true);
    Open("select id, name from cached order by id");
    fDataSet->UpdateSQL().SetText("update cached set id = ?id, name = ?name where id = ?old_id");
    for (int id : {2, 3, 4}) {
      ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
      fDataSet->Edit();
      if (id == 4)
        Field("ID")->SetAsInteger(5);
      else
        Field("NAME")->SetAsString("edited " + std::to_string(id));
      fDataSet->Post();
    }
    ASSERT_EQ(fDataSet->CachedUpdateCount(), 3);
  }
  void Commit() { fTransaction->CommitRetaining(); }
  std::string Rows() { return Oracle("select id, name from cached order by id"); }
  std::vector<TFIBUpdateAction> fAnswers;
  int fAsked = 0;
  void Answer(std::vector<TFIBUpdateAction> answers) {
    fAnswers = std::move(answers);
    fAsked = 0;
    fDataSet->OnUpdateError =
        TFIBUpdateErrorEvent([this](TDataSet* dataSet, EDatabaseError& e, TUpdateKind kind, TFIBUpdateAction& action) {
          EXPECT_EQ(dataSet, fDataSet);
          EXPECT_EQ(kind, ukModify);
          EXPECT_NE(std::string(e.Message()).find("PRIMARY or UNIQUE KEY"), std::string::npos) << e.Message();
          EXPECT_EQ(action, uaFail);
          action = fAnswers.at(static_cast<std::size_t>(fAsked++));
        });
  }
};

TEST_F(ErrorEventsTest, ARowThatCannotBeReadAsksOnGetRecordError) {
  Open("select id, 100 / (id - 3) as q from cached order by id");
  int asked = 0;
  TDataAction answer = daFail;
  fDataSet->OnGetRecordError = TDataSetErrorEvent([&](TDataSet* dataSet, EDatabaseError& e, TDataAction& action) {
    EXPECT_EQ(dataSet, fDataSet);
    EXPECT_NE(std::string(e.Message()).find("divi"), std::string::npos) << e.Message();
    EXPECT_EQ(action, daFail);
    ++asked;
    action = answer;
  });
  fDataSet->Next();
  EXPECT_EQ(Field("ID")->AsInteger(), 2);
  EXPECT_THROW(fDataSet->Next(), EDatabaseError);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Field("ID")->AsInteger(), 2);
  fDataSet->Close();
  Open("select id, 100 / (id - 3) as q from cached order by id");
  answer = daAbort;
  fDataSet->Next();
  EXPECT_THROW(fDataSet->Next(), EAbort);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(Field("ID")->AsInteger(), 2);
}

TEST_F(ErrorEventsTest, ARefusedCachedUpdateAsksOnUpdateError) {
  EditCached();
  // Skipped: the others are applied, it stays pending.
  Answer({uaSkip});
  fDataSet->ApplyCachedUpdates();
  EXPECT_EQ(fAsked, 1);
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);
  EXPECT_EQ(fDataSet->StatusAt(3), cusModified);
  Commit();
  EXPECT_EQ(Rows(), "1|row 1;2|edited 2;3|edited 3;4|row 4;5|row 5");

  // Retried after the handler made room for the key.
  Answer({uaRetry});
  fDataSet->OnUpdateError = TFIBUpdateErrorEvent(
      [this, first = fDataSet->OnUpdateError](TDataSet* dataSet, EDatabaseError& e, TUpdateKind kind,
                                              TFIBUpdateAction& action) {
        first(dataSet, e, kind, action);
        TFIBQuery room(nullptr);
        room.SetDatabase(fDatabase);
        room.SetTransaction(fTransaction);
        room.ExecuteImmediateBatch({"update cached set id = 50 where id = 5"});
      });
  fDataSet->ApplyCachedUpdates();
  EXPECT_EQ(fAsked, 1);
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
  Commit();
  EXPECT_EQ(Rows(), "1|row 1;2|edited 2;3|edited 3;5|row 4;50|row 5");
}

TEST_F(ErrorEventsTest, OnUpdateErrorFailsAbortsOrCountsTheRecordApplied) {
  EditCached();
  Answer({uaFail});
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EDatabaseError);
  Answer({uaAbort});
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EAbort);
  EXPECT_EQ(fDataSet->StatusAt(3), cusModified);
  Answer({uaApplied});
  fDataSet->ApplyCachedUpdates();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
  EXPECT_EQ(fDataSet->StatusAt(3), cusUnmodified);
  // Without a handler the refusal is raised.
  fDataSet->OnUpdateError = {};
  fDataSet->Edit();
  Field("ID")->SetAsInteger(1);
  fDataSet->Post();
  EXPECT_THROW(fDataSet->ApplyCachedUpdates(), EDatabaseError);
}

}  // namespace
}  // namespace ordvane::test

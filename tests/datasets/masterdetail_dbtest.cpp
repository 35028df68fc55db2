// A detail over the documents of the master's person: what re-reads it (a move of the
// master, not an edit of a master field), what closes and opens it with the master, the
// wait for the end of a master scroll on the virtual clock, and the master refreshed after
// a detail's change. Rows are checked against isql-fb, re-reads against the statement log.

#include <gtest/gtest.h>

#include "tests/datasets/MasterDetailSupport.h"
#include "tests/support/VirtualTime.h"

namespace ordvane::test {
namespace {

std::string DocumentsOf(int person) {
  return IsqlRows(MasterDetailDatabase(),
                  "select id, num from documents where person_id = " + std::to_string(person) + " order by id");
}

TEST_F(MasterDetailTest, MovingTheMasterRereadsTheDetailEditingAMasterFieldDoesNot) {
  fMaster->UpdateSQL().SetText("update persons set name = :name where id = :old_id");
  for (const char* condition : {"person_id = :mas_id", "person_id = :id"}) {
    SCOPED_TRACE(condition);
    LinkDetail(condition);
    fMaster->Open();
    fDetail->Open();
    EXPECT_EQ(DetailRows(), DocumentsOf(1));
    const int reads = DetailExecutions();
    fMaster->Next();
    fMaster->Next();
    EXPECT_EQ(DetailExecutions(), reads + 2);
    EXPECT_EQ(DetailRows(), DocumentsOf(3));

    fMaster->Edit();
    fMaster->FieldByName("NAME")->SetAsString("Renamed");
    fMaster->Post();
    EXPECT_EQ(DetailExecutions(), reads + 2);
    EXPECT_EQ(fDetail->FieldByName("PERSON_ID")->AsInteger(), 3);
    fMaster->Close();
  }
}

TEST_F(MasterDetailTest, ADetailsPendingChangeIsPostedBeforeTheMasterMoves) {
  LinkDetail();
  fMaster->Open();
  fDetail->Open();
  fDetail->Edit();
  fDetail->FieldByName("NUM")->SetAsString("kept");
  fMaster->Next();
  EXPECT_EQ(fDetail->State(), dsBrowse);
  fMaster->Prior();
  EXPECT_EQ(DetailRows(), "11|kept;12|D12;13|D13");
}

TEST_F(MasterDetailTest, ClosingTheMasterClosesTheDetailUnlessItIgnoresThat) {
  LinkDetail();
  fMaster->Open();
  fDetail->Open();
  fMaster->Close();
  EXPECT_FALSE(fDetail->Active());

  fMaster->Open();
  EXPECT_FALSE(fDetail->Active()) << "a closed detail opened without dcForceOpen";
  fDetail->Open();
  fDetail->SetDetailConditions({dcIgnoreMasterClose});
  fMaster->Close();
  EXPECT_TRUE(fDetail->Active());
}

TEST_F(MasterDetailTest, ForceOpenOpensAClosedDetailWithTheMaster) {
  LinkDetail();
  fDetail->SetDetailConditions({dcForceOpen});
  fMaster->Open();
  ASSERT_TRUE(fDetail->Active());
  EXPECT_EQ(DetailRows(), DocumentsOf(1));
}

TEST_F(MasterDetailTest, WaitingForTheEndOfAMasterScrollRereadsOnceAfterThePause) {
  VirtualTime time;
  LinkDetail();
  fDetail->SetDetailConditions({dcWaitEndMasterScroll});
  EXPECT_TRUE(fDetail->DetailConditions().Contains(dcWaitEndMasterScroll));
  fMaster->Open();
  fDetail->Open();
  const int reads = DetailExecutions();
  for (int move = 0; move < 5; ++move) {
    fMaster->Next();
    time.Advance(100);
  }
  time.Advance(199);
  EXPECT_EQ(DetailExecutions(), reads) << "re-read before the master rested 300 ms";
  EXPECT_EQ(DetailRows(), DocumentsOf(1));
  time.Advance(1);
  EXPECT_EQ(DetailExecutions(), reads + 1);
  EXPECT_EQ(DetailRows(), DocumentsOf(6));
  time.Advance(1000);
  EXPECT_EQ(DetailExecutions(), reads + 1);
}

TEST_F(MasterDetailTest, ForceMasterRefreshRereadsTheMasterAfterADetailChange) {
  LinkDetail();
  fDetail->SetDetailConditions({dcForceMasterRefresh});
  fDetail->SetOptions(fDetail->Options() + TpFIBDsOptions{poRefreshAfterPost});
  // The master finds its record again by the values its refresh statement reads.
  fMaster->RefreshSQL().SetText("select * from persons where id = :old_id");
  fMaster->Open();
  fMaster->Next();
  fDetail->Open();
  const int masterReads = MasterExecutions();
  fDetail->Edit();
  fDetail->FieldByName("NUM")->SetAsString("changed");
  fDetail->Post();
  EXPECT_EQ(MasterExecutions(), masterReads + 1);
  EXPECT_EQ(fMaster->FieldByName("ID")->AsInteger(), 2) << "the master left its record";
  fDetail->Delete();
  EXPECT_EQ(MasterExecutions(), masterReads + 2);
}

}  // namespace
}  // namespace ordvane::test

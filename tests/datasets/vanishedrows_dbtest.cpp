// A record whose row another user deleted: its edit or delete changes nothing on the
// server, which the post says instead of showing the change as saved, with or without a
// refresh after the post and through cached updates alike. isql-fb reads what is stored.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "tests/datasets/UpdatesSupport.h"

namespace ordvane::test {
namespace {

using testing::HasSubstr;

std::string RaisedMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

class VanishedRowTest : public UpdatesTestOf<> {
 protected:
  VanishedRowTest() : UpdatesTestOf(false) {
    fDataSet->UpdateSQL().SetText("update items set name = ?name where id = ?old_id");
    fDataSet->DeleteSQL().SetText("delete from items where id = ?old_id");
    fDataSet->RefreshSQL().SetText("select id, name from items where id = ?old_id");
    Open("select id, name from items order by id");
  }
  // Another user deletes the row and commits.
  void DeletedElsewhere(Integer id) {
    fOther.Run("delete from items where id = " + std::to_string(id));
    fOther.Commit();
  }
  void Rename(const char* name) {
    fDataSet->Edit();
    Field("NAME")->SetAsString(name);
    fDataSet->Post();
  }

  OtherUser fOther{fFreshDb};
};

TEST_F(VanishedRowTest, EditAndDeleteOfAGoneRowRaiseWithOrWithoutARefreshAfterThePost) {
  for (const bool refreshes : {true, false}) {
    SCOPED_TRACE(refreshes ? "refresh after post" : "no refresh after post");
    fDataSet->SetOptions(refreshes ? fDataSet->Options() + TpFIBDsOptions{poRefreshAfterPost}
                                   : fDataSet->Options() - TpFIBDsOptions{poRefreshAfterPost});
    const Integer id = Field("ID")->AsInteger();
    DeletedElsewhere(id);
    EXPECT_THAT(RaisedMessage([&] { Rename("Renamed"); }), HasSubstr("Items: no row was found to update"));
    EXPECT_EQ(fDataSet->State(), dsEdit);
    fDataSet->Cancel();
    EXPECT_NE(Field("NAME")->AsString(), "Renamed");
    EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);

    const Integer records = fDataSet->RecordCount();
    EXPECT_THAT(RaisedMessage([&] { fDataSet->Delete(); }), HasSubstr("Items: no row was found to delete"));
    EXPECT_EQ(fDataSet->RecordCount(), records);
    EXPECT_EQ(Field("ID")->AsInteger(), id);
    fTransaction->CommitRetaining();
    EXPECT_EQ(Oracle("select count(*) from items where id = " + std::to_string(id)), "0");
    fDataSet->Next();
  }
}

// A view whose triggers change the rows counts its own rows: its changes are not refused.
TEST_F(VanishedRowTest, ChangesThroughAViewItsTriggersUpdateAreTaken) {
  fDataSet->Close();
  fDataSet->UpdateSQL().SetText("update item_names set name = ?name where id = ?old_id");
  fDataSet->DeleteSQL().SetText("delete from item_names where id = ?old_id");
  fDataSet->RefreshSQL().SetText("select id, name from item_names where id = ?old_id");
  Open("select id, name from item_names order by id");
  Rename("Anna");
  fDataSet->Next();
  fDataSet->Delete();
  fTransaction->CommitRetaining();
  EXPECT_EQ(Oracle("select id, name from items order by id"), "1|Anna;3|Cid");
}

TEST_F(VanishedRowTest, CachedChangesOfAGoneRowStayPending) {
  fDataSet->Close();
  fDataSet->SetCachedUpdates(true);
  fDataSet->Open();
  Rename("Renamed");
  fDataSet->Next();
  fDataSet->Delete();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 2);
  DeletedElsewhere(1);
  DeletedElsewhere(2);
  EXPECT_THAT(RaisedMessage([&] { fDataSet->ApplyCachedUpdates(); }), HasSubstr("Items: no row was found to update"));
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 2);
  EXPECT_EQ(fDataSet->StatusAt(0), cusModified);

  // The edit given up, the delete is refused in its turn.
  fDataSet->RevertRecord(0, false);
  EXPECT_THAT(RaisedMessage([&] { fDataSet->ApplyCachedUpdates(); }), HasSubstr("Items: no row was found to delete"));
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select id, name from items order by id"), "3|Cid");
}

}  // namespace
}  // namespace ordvane::test

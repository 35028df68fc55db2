// Editing in the limited-buffer cache model (BufferChunks 100) against a real database:
// inserts at the start, in the middle and at the end of a window and past its last
// record, appends, deletes of a window's first and last record and of a result's only
// one, edits that move a record in the ORDER BY, a refused post, cancel and refresh.
// After each change the window's records, the rows a grid holds, the active record and
// a walk of the whole dataset are held against isql-fb's rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "classlib/db/DataSource.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& WindowEditingDatabase() {
  static TestDatabase db("datasets/windowediting.sql", {3, "WIN1251"});
  return db;
}

constexpr Integer EditingChunks = 100;

std::vector<int> IdList(const std::string& text) {
  std::vector<int> ids;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ';');) ids.push_back(std::stoi(item.substr(0, item.find('|'))));
  return ids;
}

// Whether part runs without a gap through whole, from some place on.
bool RunsIn(const std::vector<int>& part, const std::vector<int>& whole) {
  if (part.empty()) return true;
  return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

class WindowEditingTest : public EditingFormTest<TEditDataSet> {
 protected:
  WindowEditingTest() : EditingFormTest(WindowEditingDatabase(), "DataSet") {
    // Read committed: the rows other connections commit are the server's rows too.
    fTransaction->Commit();
    for (const char* line : {"write", "nowait", "read_committed", "rec_version"}) fTransaction->TRParams().Add(line);
    fTransaction->StartTransaction();
    fDb.Isql(
        "delete from w;\ninsert into w (id, grp) with recursive r(i) as (select 1 from rdb$database union all "
        "select i + 1 from r where i < 400) select i * 10, mod(i, 7) from r;\ncommit;\n");
    fSource.SetDataSet(fDataSet);
    fLink.SetBufferCount(10);
    fLink.SetDataSource(&fSource);
  }
  ~WindowEditingTest() override { fLink.SetDataSource(nullptr); }

  // keyFields empty: the ORDER BY (unique) keys the bookmarks, the SQL is written here.
  void OpenWindow(const std::string& where, const std::string& orderBy, const std::string& keyFields) {
    fOrderBy = orderBy;
    fWhere = where;
    if (keyFields.empty()) {
      fDataSet->InsertSQL().SetText("insert into w (id, grp) values (?id, ?grp)");
      fDataSet->UpdateSQL().SetText("update w set id = ?id, grp = ?grp where id = ?old_id");
      fDataSet->DeleteSQL().SetText("delete from w where id = ?old_id");
      fDataSet->RefreshSQL().SetText("select id, grp from w where id = ?old_id");
    } else {
      fDataSet->AutoUpdateOptions().SetAutoReWriteSqls(true);
      fDataSet->AutoUpdateOptions().SetUpdateTableName("W");
      fDataSet->AutoUpdateOptions().SetKeyFields(keyFields);
    }
    fDataSet->SelectSQL().SetText("select id, grp from w" + where + " order by " + orderBy);
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
    fDataSet->CacheModelOptions().SetBufferChunks(EditingChunks);
    fDataSet->Open();
  }
  int Id() { return Field("ID")->AsInteger(); }
  void GoTo(int id) {
    for (fDataSet->First(); !fDataSet->Eof() && Id() != id;) fDataSet->Next();
    ASSERT_EQ(Id(), id);
  }
  std::vector<int> ServerIds() {
    // The page statements break ties by the key.
    return IdList(Oracle("select id from w" + fWhere + " order by " + fOrderBy + ", id"));
  }
  std::vector<int> WindowIds() {
    std::vector<int> ids;
    const auto& window = fDataSet->Window();
    for (Integer i = window.First; i >= 0 && i <= window.Last; ++i) {
      const void* data = nullptr;
      bool isString = false;
      Integer id = -1;
      if (fDataSet->GetCachedFieldData(Field("ID"), i, data, isString)) std::memcpy(&id, data, sizeof id);
      ids.push_back(id);
    }
    return ids;
  }
  std::vector<int> GridIds() {
    std::vector<int> ids;
    const Integer active = fLink.ActiveRecord();
    for (Integer row = 0; row < fLink.RecordCount(); ++row) {
      fLink.SetActiveRecord(row);
      ids.push_back(Id());
    }
    fLink.SetActiveRecord(active);
    return ids;
  }
  // What a grid and a walk see agrees with the server, the cursor on activeId.
  void ExpectViewOfServer(int activeId, const char* step) {
    SCOPED_TRACE(step);
    const std::vector<int> server = ServerIds();
    EXPECT_EQ(Id(), activeId);
    const std::vector<int> window = WindowIds();
    EXPECT_TRUE(RunsIn(window, server)) << "the window is no run of the server's rows";
    EXPECT_EQ(fDataSet->RecordCount(), static_cast<Integer>(window.size()));
    EXPECT_GE(fDataSet->RecNo() - 1, fDataSet->Window().First);
    EXPECT_LE(fDataSet->RecNo() - 1, fDataSet->Window().Last);
    const std::vector<int> grid = GridIds();
    EXPECT_TRUE(RunsIn(grid, server)) << "the grid's rows are no run of the server's rows";
    ASSERT_LT(fLink.ActiveRecord(), static_cast<Integer>(grid.size()));
    EXPECT_EQ(grid[static_cast<std::size_t>(fLink.ActiveRecord())], activeId);
    std::vector<int> walked;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) walked.push_back(Id());
    EXPECT_EQ(walked, server);
    GoTo(activeId);
  }
  void Add(bool append, int id, int grp) {
    append ? fDataSet->Append() : fDataSet->Insert();
    Field("ID")->SetAsInteger(id);
    Field("GRP")->SetAsInteger(grp);
    fDataSet->Post();
  }

  TDataSource fSource{&fForm};
  TDataLink fLink;
  std::string fWhere, fOrderBy;
};

TEST_F(WindowEditingTest, InsertsShowWhatTheServerHolds) {
  for (const char* keyFields : {"", "ID"}) {
    SCOPED_TRACE(keyFields);
    OpenWindow("", "id", keyFields);
    GoTo(210);
    Add(false, -5, 1);
    ExpectViewOfServer(-5, "an insert that goes first");
    GoTo(500);
    Add(false, 255, 1);
    ExpectViewOfServer(255, "an insert in the middle of the window");
    GoTo(1000);
    ASSERT_EQ(fDataSet->CurrentRecordIndex(), fDataSet->Window().Last);
    Add(false, 1005, 2);
    ExpectViewOfServer(1005, "an insert past the window's last record");
    fDataSet->MoveBy(250);
    Add(false, 3335, 3);
    ExpectViewOfServer(3335, "an insert in a later window");
    Add(true, 4005, 4);
    ExpectViewOfServer(4005, "an append at the end");
    GoTo(300);
    Add(true, 15, 5);
    ExpectViewOfServer(15, "an append the order puts near the start");
    fDataSet->Close();
    fDb.Isql("delete from w where mod(id, 10) <> 0;\ncommit;\n");
  }
}

TEST_F(WindowEditingTest, DeletesTakeTheRecordOutOfViewWalksAndCounts) {
  for (const char* keyFields : {"", "ID"}) {
    SCOPED_TRACE(keyFields);
    OpenWindow("", "id", keyFields);
    GoTo(300);
    fDataSet->Delete();
    ExpectViewOfServer(310, "a record in the middle");
    fDataSet->First();
    fDataSet->Delete();
    ExpectViewOfServer(20, "the first record of the result");
    GoTo(1000);
    ASSERT_EQ(fDataSet->CurrentRecordIndex(), fDataSet->Window().Last);
    fDataSet->Delete();
    ExpectViewOfServer(1010, "the window's last record");
    fDataSet->MoveBy(40);
    fDataSet->MoveBy(fDataSet->Window().First - fDataSet->CurrentRecordIndex());
    ASSERT_EQ(fDataSet->CurrentRecordIndex(), fDataSet->Window().First);
    const int next = IdList(Oracle("select first 1 id from w where id > " + std::to_string(Id()) + " order by id"))[0];
    fDataSet->Delete();
    ExpectViewOfServer(next, "the window's first record");
    fDataSet->Last();
    fDataSet->Delete();
    ExpectViewOfServer(3990, "the last record of the result");
    fDataSet->Close();
    fDb.Isql("delete from w;\ninsert into w (id, grp) with recursive r(i) as (select 1 from rdb$database union all "
             "select i + 1 from r where i < 400) select i * 10, mod(i, 7) from r;\ncommit;\n");
  }
  OpenWindow(" where id = 40", "id", "ID");
  fDataSet->Delete();
  EXPECT_TRUE(fDataSet->IsEmpty());
  EXPECT_EQ(fDataSet->RecordCount(), 0);
  EXPECT_EQ(Oracle("select count(*) from w where id = 40"), "0");
  Add(true, 40, 1);
  EXPECT_EQ(Id(), 40);
  EXPECT_EQ(fDataSet->RecordCount(), 1);
}

TEST_F(WindowEditingTest, EditsThatMoveARecordInTheOrder) {
  OpenWindow("", "id", "");
  GoTo(300);
  fDataSet->Edit();
  Field("GRP")->SetAsInteger(9);
  fDataSet->Post();
  ExpectViewOfServer(300, "an edit that keeps the place");
  EXPECT_EQ(Oracle("select grp from w where id = 300"), "9");
  fDataSet->Edit();
  Field("ID")->SetAsInteger(3005);
  fDataSet->Post();
  ExpectViewOfServer(3005, "an edit that moves the record to a later window");
  fDataSet->Close();

  // Ties of the order told apart by the key fields.
  OpenWindow("", "grp", "ID");
  GoTo(70);
  ASSERT_EQ(Field("GRP")->AsInteger(), 0);
  fDataSet->Edit();
  Field("GRP")->SetAsInteger(6);
  fDataSet->Post();
  ExpectViewOfServer(70, "a record moved to the last group");
  fDataSet->Edit();
  Field("GRP")->SetAsInteger(-1);
  fDataSet->Post();
  ExpectViewOfServer(70, "a record moved before every group");
  Add(false, 75, 3);
  ExpectViewOfServer(75, "an insert amid a group");
}

TEST_F(WindowEditingTest, ARefusedPostLeavesTheWindowAsItWas) {
  OpenWindow("", "id", "ID");
  GoTo(1500);
  const std::vector<int> window = WindowIds();
  ASSERT_EQ(window.size(), static_cast<std::size_t>(EditingChunks)) << "a full window: the new record shares a slot";
  fDataSet->Insert();
  Field("ID")->SetAsInteger(20);
  EXPECT_THROW(fDataSet->Post(), EFIBError);
  EXPECT_EQ(fDataSet->State(), dsInsert);
  EXPECT_EQ(WindowIds(), window);
  Field("ID")->SetAsInteger(505);
  fDataSet->Post();
  ExpectViewOfServer(505, "the corrected post");
}

// The server keeps a change (AutoCommit) before the window is read again. When that
// reading fails, the post or delete is complete all the same: the dataset browses, the
// window holds the record as posted (nothing after a delete), and the error says the
// change is saved, so a retry cannot send it twice. First reads the server again.
TEST_F(WindowEditingTest, AChangeTheServerKeptCompletesWhenTheWindowCannotBeRead) {
  const auto expectSavedButNotReread = [](const std::function<void()>& change) {
    try {
      change();
      ADD_FAILURE() << "the failed reading was not reported";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(e.Message().find("The change is saved on the server, but the records around it could not be read "
                                 "again: "),
                AnsiString::npos)
          << e.Message();
    }
  };
  // A refresh statement that fails when it runs.
  OpenWindow("", "id", "ID");
  fDataSet->RefreshSQL().SetText("select id, grp from w where id = ?old_id and 1 / (grp - grp) = 0");
  GoTo(500);
  fDataSet->Insert();
  Field("ID")->SetAsInteger(505);
  Field("GRP")->SetAsInteger(1);
  expectSavedButNotReread([this] { fDataSet->Post(); });
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_EQ(Id(), 505);
  EXPECT_EQ(WindowIds(), std::vector<int>{505});
  EXPECT_EQ(Oracle("select count(*) from w where id = 505"), "1");
  fDataSet->Edit();
  Field("GRP")->SetAsInteger(2);
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterPost});
  expectSavedButNotReread([this] { fDataSet->Post(); });
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_EQ(Oracle("select grp from w where id = 505"), "2");
  fDataSet->First();
  ExpectViewOfServer(10, "read again from the start");
  fDataSet->Close();

  // A row another connection commits that the page statements fail on.
  fDataSet->RefreshSQL().Clear();
  OpenWindow(" where 100 / (grp - 99) <> 0", "id", "ID");
  GoTo(700);
  fDb.Isql("insert into w (id, grp) values (705, 99);\ncommit;\n");
  fDataSet->Insert();
  Field("ID")->SetAsInteger(707);
  Field("GRP")->SetAsInteger(1);
  expectSavedButNotReread([this] { fDataSet->Post(); });
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_EQ(Id(), 707);
  EXPECT_EQ(Oracle("select count(*) from w where id = 707"), "1");
  expectSavedButNotReread([this] { fDataSet->Delete(); });
  EXPECT_EQ(fDataSet->State(), dsBrowse);
  EXPECT_TRUE(fDataSet->IsEmpty());
  EXPECT_EQ(Oracle("select count(*) from w where id = 707"), "0");
  fDb.Isql("delete from w where id = 705;\ncommit;\n");
  fDataSet->First();
  ExpectViewOfServer(10, "read again once the row is gone");
}

// A failed reading whose report a raising AfterPost or AfterDelete handler stood in the
// way of ends with its change: the handler's error is the one the caller sees, and later
// changes, after a close and open in either cache model, are not refused by it.
TEST_F(WindowEditingTest, AFailedReadingEndsWithTheChangeWhoseHandlerRaised) {
  const auto expectOnly = [](const char* message, const std::function<void()>& change) {
    try {
      change();
      ADD_FAILURE() << "the handler's error was not raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
  };
  const auto editAndPost = [this](int id, int grp) {
    GoTo(id);
    fDataSet->Edit();
    Field("GRP")->SetAsInteger(grp);
    EXPECT_NO_THROW(fDataSet->Post());
    EXPECT_EQ(Oracle("select grp from w where id = " + std::to_string(id)), std::to_string(grp));
  };
  const std::string failingRefresh = "select id, grp from w where id = ?old_id and 1 / (grp - grp) = 0";
  OpenWindow("", "id", "ID");
  fDataSet->RefreshSQL().SetText(failingRefresh);
  GoTo(500);
  fDataSet->AfterPost = [](TDataSet*) { throw EDatabaseError("after post"); };
  fDataSet->Insert();
  Field("ID")->SetAsInteger(505);
  Field("GRP")->SetAsInteger(1);
  expectOnly("after post", [this] { fDataSet->Post(); });
  fDataSet->AfterPost = nullptr;
  EXPECT_EQ(Oracle("select count(*) from w where id = 505"), "1");
  fDataSet->RefreshSQL().SetText("select id, grp from w where id = ?old_id");
  editAndPost(505, 3);
  fDataSet->Close();

  OpenWindow(" where 100 / (grp - 99) <> 0", "id", "ID");
  GoTo(700);
  fDb.Isql("insert into w (id, grp) values (705, 99);\ncommit;\n");
  fDataSet->AfterDelete = [](TDataSet*) { throw EDatabaseError("after delete"); };
  expectOnly("after delete", [this] { fDataSet->Delete(); });
  fDataSet->AfterDelete = nullptr;
  EXPECT_EQ(Oracle("select count(*) from w where id = 700"), "0");
  fDb.Isql("delete from w where id = 705;\ncommit;\n");
  fDataSet->Close();
  fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
  fDataSet->Open();
  editAndPost(710, 4);
}

TEST_F(WindowEditingTest, CancelAndRefreshShowTheServersRows) {
  OpenWindow("", "id", "ID");
  GoTo(500);
  const std::vector<int> window = WindowIds();
  fDataSet->Insert();
  Field("ID")->SetAsInteger(505);
  fDataSet->Cancel();
  EXPECT_EQ(WindowIds(), window);
  ExpectViewOfServer(500, "a cancelled insert");
  fDataSet->Append();
  Field("ID")->SetAsInteger(5000);
  fDataSet->Cancel();
  EXPECT_EQ(Oracle("select count(*) from w where id in (505, 5000)"), "0");
  GoTo(500);
  fDataSet->Edit();
  Field("GRP")->SetAsInteger(9);
  fDataSet->Cancel();
  EXPECT_EQ(Field("GRP")->AsInteger(), 50 % 7);
  ExpectViewOfServer(500, "a cancelled edit");

  // Another connection changes the row and takes its neighbour away.
  fDb.Isql("update w set grp = 42 where id = 500;\ndelete from w where id = 510;\ncommit;\n");
  fDataSet->Refresh();
  EXPECT_EQ(Field("GRP")->AsInteger(), 42);
  ExpectViewOfServer(500, "a refreshed record");
  fDb.Isql("delete from w where id = 500;\ncommit;\n");
  fDataSet->Refresh();
  ExpectViewOfServer(520, "a refreshed record the server no longer has");
}

}  // namespace
}  // namespace ordvane::test

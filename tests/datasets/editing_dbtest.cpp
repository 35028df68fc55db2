// Editing through written statements against a real database, with isql-fb (a second
// attachment) as the oracle of what reached the server: parameters bound from the record,
// inserts in place and on an empty table, a refused insert, triggers seen through the
// refresh and RETURNING, deletes with and without their refresh, the automatic commit,
// and the cached-updates statuses and counts against a recount of the cache.

#include <gtest/gtest.h>

#include "datasets/FIBFields.h"
#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {
namespace {

class EditingTest : public EditingFormTest<TEditDataSet> {
 protected:
  void SetValues(Integer id, const char* name) {
    Field("ID")->SetAsInteger(id);
    Field("NAME")->SetAsString(name);
  }
  void ExpectCountsMatchStatuses() { ExpectCountsMatchStatusesOf(*fDataSet); }
};

constexpr const char* TypedColumns = "name, n, big, d, t, ts, f, dp, b, c, note";

// Every column type goes out as it came in: changing only the key through OLD_ID leaves
// isql-fb's text of the other columns as it was; a null row binds nulls of every type.
TEST_F(EditingTest, RecordParametersCarryEveryTypeAndTheOldKey) {
  const std::string columns = TypedColumns;
  const std::string before = Oracle("select " + columns + " from typed order by id");
  Open("select id, " + columns + " from typed order by id");
  fDataSet->UpdateSQL().SetText(
      "update typed set id = ?id, name = ?name, n = ?n, big = ?big, d = ?d, t = ?t, ts = ?ts, f = ?f, dp = ?dp, "
      "b = ?b, c = ?c, note = ?note where id = ?old_id");
  for (Integer id : {101, 102}) {
    fDataSet->Edit();
    Field("ID")->SetAsInteger(id);
    fDataSet->Post();
    fDataSet->Next();
  }
  EXPECT_EQ(Oracle("select id from typed order by id"), "101;102");
  EXPECT_EQ(Oracle("select " + columns + " from typed order by id"), before);
  EXPECT_EQ(Oracle("select n from typed where id = 101"), "123.45");

  // While inserting, OLD_ is the record being inserted.
  fDataSet->InsertSQL().SetText("insert into typed (id, name) values (?old_id, ?old_name)");
  fDataSet->Append();
  SetValues(103, "inserted");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select id, name from typed where id = 103"), "103|inserted");

  // A posted statement keeps how its parameters bind; a new text with other names binds
  // by those, not as the text before it did.
  fDataSet->InsertSQL().SetText("insert into typed (id, name) values (?id, ?note)");
  fDataSet->Append();
  SetValues(104, "not bound");
  Field("NOTE")->SetAsString("from the note");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select id, name from typed where id = 104"), "104|from the note");

  // Whether the statement has anything to run follows its text from post to post.
  fDataSet->InsertSQL().SetText("No Action");
  fDataSet->Append();
  SetValues(105, "kept here");
  fDataSet->Post();
  EXPECT_EQ(Field("NAME")->AsString(), "kept here");
  fDataSet->InsertSQL().SetText("insert into typed (id, name) values (?id, ?name)");
  fDataSet->Append();
  SetValues(106, "sent again");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select id, name from typed where id >= 105"), "106|sent again");
}

TEST_F(EditingTest, MasterPrefixTakesTheMastersField) {
  TpFIBDataSet master(nullptr);
  master.SetDatabase(fDatabase);
  master.SetTransaction(fTransaction);
  master.SelectSQL().SetText("select id, name from stamped where id = 2");
  master.Open();
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  Open("select id, name from keyed where id < 0");
  fDataSet->SetDataSource(&source);
  fDataSet->InsertSQL().SetText("insert into keyed (name) values (?mas_name) returning id");
  Field("ID")->SetRequired(false);
  fDataSet->Insert();
  fDataSet->Post();
  EXPECT_EQ(Oracle("select name from keyed where id = " + std::to_string(Field("ID")->AsInteger())),
            master.FieldByName("NAME")->AsString());
  fDataSet->Close();
  fDataSet->SetDataSource(nullptr);
}

TEST_F(EditingTest, DbKeyBindsItsRawBytes) {
  Open("select t.rdb$db_key as db_key, t.id, t.name from typed t order by t.id");
  fDataSet->RefreshSQL().SetText("select t.id, t.name from typed t where t.rdb$db_key = ?db_key");
  const Integer id = Field("ID")->AsInteger();
  EXPECT_TRUE(fDataSet->RefreshRecord(fDataSet->RefreshQuery(), fDataSet->ActiveBuffer()));
  EXPECT_EQ(Field("ID")->AsInteger(), id);
}

// Inserts at the third record and on an empty table, an edit and a delete, and an insert
// the server refuses: the refusal changes nothing, the corrected values post.
TEST_F(EditingTest, PostingThroughWrittenStatements) {
  Open("select id, name from posted order by id");
  fDataSet->FetchAll();
  fDataSet->InsertSQL().SetText("insert into posted (id, name) values (?id, ?name)");
  fDataSet->UpdateSQL().SetText("update posted set name = ?name where id = ?old_id");
  fDataSet->DeleteSQL().SetText("delete from posted where id = ?old_id");
  fDataSet->Next();
  fDataSet->Next();
  fDataSet->Insert();
  SetValues(25, "third");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->ActiveIndex(), 2);
  EXPECT_EQ(fDataSet->RecNo(), 3);
  fDataSet->Next();
  EXPECT_EQ(Field("ID")->AsInteger(), 30);
  EXPECT_EQ(fDataSet->ActiveIndex(), 3);

  fDataSet->Edit();
  Field("NAME")->SetAsString("edited");
  fDataSet->Post();
  fDataSet->First();
  fDataSet->Delete();
  EXPECT_EQ(Field("ID")->AsInteger(), 20);
  EXPECT_EQ(Oracle("select id, name from posted order by id"), "20|row 2;25|third;30|edited;40|row 4;50|row 5");
  EXPECT_EQ(fDataSet->RecordCount(), 5);

  // A duplicate key: -803 reaches the caller and nothing moves.
  const TBookmarkStr bookmark = fDataSet->Bookmark();
  fDataSet->Insert();
  SetValues(40, "duplicate");
  try {
    fDataSet->Post();
    ADD_FAILURE() << "a duplicate key posted";
  } catch (const EFIBError& e) {
    EXPECT_EQ(e.SQLCode(), -803);
  }
  EXPECT_EQ(fDataSet->State(), dsInsert);
  EXPECT_FALSE(fDataSet->ControlsDisabled());
  EXPECT_EQ(Field("NAME")->AsString(), "duplicate");
  EXPECT_EQ(fDataSet->RecordCount(), 5);
  EXPECT_EQ(fDataSet->FetchedCount(), 6);
  Field("ID")->SetAsInteger(45);
  fDataSet->Post();
  EXPECT_EQ(fDataSet->RecordCount(), 6);
  fDataSet->GotoBookmark(bookmark);
  EXPECT_EQ(Field("ID")->AsInteger(), 20);
  fDataSet->Insert();
  SetValues(20, "again");
  EXPECT_THROW(fDataSet->Post(), EFIBError);
  fDataSet->Cancel();
  EXPECT_EQ(Field("ID")->AsInteger(), 20);
  EXPECT_EQ(Oracle("select id from posted order by id"), "20;25;30;40;45;50");

  // A refused edit keeps the cached record as it was and the dataset editing.
  fDataSet->UpdateSQL().SetText("update posted set id = ?id where id = ?old_id");
  fDataSet->Edit();
  Field("ID")->SetAsInteger(25);
  EXPECT_THROW(fDataSet->Post(), EFIBError);
  EXPECT_EQ(fDataSet->State(), dsEdit);
  EXPECT_EQ(fDataSet->StatusAt(fDataSet->ActiveIndex()), cusUnmodified);
  fDataSet->Cancel();
  EXPECT_EQ(Field("ID")->AsInteger(), 20);

  fDataSet->Close();
  Open("select id, name from empty_t");
  fDataSet->InsertSQL().SetText("insert into empty_t (id, name) values (?id, ?name)");
  fDataSet->Insert();
  SetValues(1, "only");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->ActiveIndex(), 0);
  EXPECT_EQ(fDataSet->FetchedCount(), 1);
  EXPECT_EQ(Oracle("select id, name from empty_t"), "1|only");
}

// What a trigger makes comes back: through the refresh after the post, and through
// RETURNING for a key the trigger gives.
TEST_F(EditingTest, TriggerValuesComeBackAfterThePost) {
  Open("select id, name, stamp from stamped order by id");
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterPost});
  fDataSet->UpdateSQL().SetText("update stamped set name = ?name where id = ?old_id");
  fDataSet->RefreshSQL().SetText("select id, name, stamp from stamped where id = ?old_id");
  fDataSet->Edit();
  Field("NAME")->SetAsString("changed");
  fDataSet->Post();
  EXPECT_EQ(Field("STAMP")->AsString(), "by trigger changed");
  fDataSet->Close();

  Open("select id, name from keyed");
  fDataSet->InsertSQL().SetText("insert into keyed (name) values (?name) returning id");
  Field("ID")->SetRequired(false);
  fDataSet->Insert();
  Field("NAME")->SetAsString("keyed");
  fDataSet->Post();
  EXPECT_EQ(Oracle("select name from keyed where id = " + std::to_string(Field("ID")->AsInteger())), "keyed");
  EXPECT_GT(Field("ID")->AsInteger(), 100);
}

// A delete that removes nothing leaves the refreshed record in view and in the count; a
// refresh that finds the row gone takes it out of view; a cache-only delete leaves the
// server's row alone.
TEST_F(EditingTest, DeletesAndTheirRefresh) {
  Open("select id, name from cached where id < 4 order by id");
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poRefreshAfterDelete, poRefreshDeletedRecord});
  fDataSet->DeleteSQL().SetText("delete from cached where id = ?old_id + 1000");
  fDataSet->RefreshSQL().SetText("select id, name from cached where id = ?old_id");
  fDataSet->FetchAll();
  fDataSet->Delete();
  EXPECT_EQ(fDataSet->RecordCount(), 3);
  EXPECT_EQ(fDataSet->DeletedCount(), 0);
  EXPECT_EQ(Field("ID")->AsInteger(), 1);

  TFIBQuery remove(nullptr);
  remove.SetDatabase(fDatabase);
  remove.SetTransaction(fTransaction);
  remove.SQL().SetText("delete from cached where id = 1");
  remove.ExecQuery();
  fDataSet->Refresh();
  EXPECT_EQ(fDataSet->RecordCount(), 2);
  EXPECT_EQ(Field("ID")->AsInteger(), 2);

  fDataSet->CacheDelete();
  EXPECT_EQ(fDataSet->RecordCount(), 1);
  EXPECT_EQ(Field("ID")->AsInteger(), 3);
  fTransaction->Rollback();
  EXPECT_EQ(Oracle("select count(*) from cached where id < 4"), "3");
}

// A full refresh reopens and comes back to the record, on the screen row it was on,
// whether the key is named or taken from every field after the refresh statement.
TEST_F(EditingTest, FullRefreshReturnsToTheRecordAndItsRow) {
  TDataSource source(&fForm);
  source.SetDataSet(fDataSet);
  TDataLink link;
  link.SetBufferCount(5);
  link.SetDataSource(&source);
  Open("select id, name from stamped order by id");
  fDataSet->RefreshSQL().SetText("select id, name from stamped where id = ?old_id");
  for (int i = 0; i < 4; ++i) fDataSet->Next();
  fDataSet->Prior();
  const Integer row = fDataSet->ActiveRecord();
  ASSERT_EQ(Field("ID")->AsInteger(), 4);
  ASSERT_EQ(row, 3) << "a row that a centring locate would not give";
  for (const char* keys : {"", "ID"}) {
    fDataSet->FullRefresh(keys);
    EXPECT_EQ(Field("ID")->AsInteger(), 4) << keys;
    EXPECT_EQ(fDataSet->ActiveRecord(), row) << keys;
  }
  link.SetDataSource(nullptr);
}

// A delete in a detail with dcForceMasterRefresh reopens the master on its record; the
// master keeps its visible record numbers.
// A double field over NUMERIC(18, 6) shows 15 or so of the column's 18 digits: a post that
// names the column after an edit of another goes back with all of them, as does the shown
// number written back; a new number goes as its shortest decimal, one out of range raises.
TEST_F(EditingTest, AWideDecimalShownAsADoubleGoesBackAsReadUnlessWritten) {
  Open("select id, name, s6 from wide_decimals order by id");
  TField* wide = Field("S6");
  ASSERT_EQ(wide->DataType(), ftFloat);
  fDataSet->UpdateSQL().SetText("update wide_decimals set name = ?name, s6 = ?s6 where id = ?old_id");
  const std::string before = Oracle("select s6 from wide_decimals order by id");
  for (; !fDataSet->Eof(); fDataSet->Next()) {
    fDataSet->Edit();
    Field("NAME")->SetAsString(Field("NAME")->AsString() + "!");
    wide->SetAsFloat(wide->AsFloat());
    fDataSet->Post();
  }
  EXPECT_EQ(Oracle("select s6 from wide_decimals order by id"), before);
  EXPECT_EQ(Oracle("select name from wide_decimals where id = 2"), "top!");

  fDataSet->First();
  fDataSet->Edit();
  wide->SetAsFloat(0.1 + 0.2);
  fDataSet->Post();
  EXPECT_EQ(Oracle("select s6 from wide_decimals where id = 1"), "0.300000");
  fDataSet->Edit();
  EXPECT_THROW(
      {
        try {
          wide->SetAsFloat(1e14);
        } catch (const EDatabaseError& e) {
          EXPECT_NE(e.Message().find("'S6'"), std::string::npos) << e.Message();
          throw;
        }
      },
      EDatabaseError);
  fDataSet->Cancel();
}

TEST_F(EditingTest, DetailDeleteRefreshesItsMaster) {
  TpFIBDataSet master(nullptr);
  master.SetDatabase(fDatabase);
  master.SetTransaction(fTransaction);
  master.SetOptions(master.Options() + TpFIBDsOptions{poVisibleRecno});
  master.SelectSQL().SetText("select id, name from posted order by id");
  master.RefreshSQL().SetText("select id, name from posted where id = ?old_id");
  master.Open();
  master.Next();
  const Integer masterId = master.FieldByName("ID")->AsInteger();
  int opens = 0;
  master.AfterOpen = [&](TDataSet*) { ++opens; };
  TDataSource source(nullptr);
  source.SetDataSet(&master);
  Open("select id, name from stamped order by id");
  fDataSet->SetDataSource(&source);
  fDataSet->SetDetailConditions({dcForceMasterRefresh});
  fDataSet->DeleteSQL().SetText("delete from stamped where id = ?old_id");
  fDataSet->Delete();
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(master.FieldByName("ID")->AsInteger(), masterId);
  EXPECT_TRUE(master.Options().Contains(poVisibleRecno));
  fDataSet->Close();
  fDataSet->SetDataSource(nullptr);
  fTransaction->Rollback();
}

TEST_F(EditingTest, OptionsReachTheModificationStatements) {
  fDataSet->SetOptions(TpFIBDsOptions{poStartTransaction, poNoForceIsNull});
  for (TFIBQuery* statement : {&fDataSet->InsertQuery(), &fDataSet->UpdateQuery(), &fDataSet->DeleteQuery(),
                               &fDataSet->RefreshQuery()})
    EXPECT_EQ(statement->Options(), (TpFIBQueryOptions{qoStartTransaction, qoNoForceIsNull}));
  fDataSet->SetOptions({});
  EXPECT_EQ(fDataSet->InsertQuery().Options(), TpFIBQueryOptions{});
}

// The read transaction commits retaining (the cursor stays open); a separate update
// transaction that commits ends.
TEST_F(EditingTest, AutoCommitKeepsTheCursorOrEndsTheUpdateTransaction) {
  // The server's own count of this attachment's transactions.
  TFIBQuery monitor(nullptr);
  monitor.SetDatabase(fDatabase);
  monitor.SetTransaction(fTransaction);
  monitor.SQL().SetText("select count(*) from mon$transactions where mon$attachment_id = current_connection");
  const auto transactions = [&] {
    monitor.ExecQuery();
    const Integer count = monitor.GetFields(0).GetAsLong();
    monitor.Close();
    return count;
  };
  Open("select id, name from posted order by id");
  EXPECT_EQ(transactions(), 1);
  fDataSet->UpdateSQL().SetText("update posted set name = ?name where id = ?old_id");
  fDataSet->Edit();
  Field("NAME")->SetAsString("retained");
  fDataSet->Post();
  EXPECT_TRUE(fDataSet->SelectQuery().Open());
  EXPECT_TRUE(fTransaction->Active());
  EXPECT_EQ(transactions(), 1);
  EXPECT_EQ(Oracle("select count(*) from posted where name = 'retained'"), "1");

  TFIBTransaction update(nullptr);
  update.SetDefaultDatabase(fDatabase);
  update.SetTimeoutAction(TACommit);
  fDataSet->SetUpdateTransaction(&update);
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poStartTransaction});
  fDataSet->Next();
  fDataSet->Edit();
  Field("NAME")->SetAsString("committed");
  fDataSet->Post();
  EXPECT_FALSE(update.Active());
  EXPECT_EQ(transactions(), 1);
  EXPECT_TRUE(fDataSet->SelectQuery().Open());
  EXPECT_EQ(Oracle("select count(*) from posted where name in ('retained', 'committed')"), "2");
  fDataSet->SetUpdateTransaction(fTransaction);
}

// FetchNext brings at most the rows asked for into the cache, and nothing past the end.
TEST_F(EditingTest, FetchNextTakesTheRowsAskedForUpToTheEnd) {
  const Integer rows = std::stoi(Oracle("select count(*) from posted"));
  ASSERT_GE(rows, 4);
  Open("select id, name from posted order by id");
  const Integer start = fDataSet->FetchedCount();
  EXPECT_EQ(fDataSet->FetchNext(2), 2);
  EXPECT_EQ(fDataSet->FetchedCount(), start + 2);
  EXPECT_EQ(fDataSet->FetchNext(rows), rows - start - 2);
  EXPECT_EQ(fDataSet->FetchedCount(), rows);
  EXPECT_EQ(fDataSet->FetchNext(1), 0);
  fDataSet->Last();
  EXPECT_EQ(fDataSet->RecordCount(), rows);
  EXPECT_EQ(Field("ID")->AsString(), Oracle("select max(id) from posted"));
  fDataSet->Close();
  EXPECT_EQ(fDataSet->FetchNext(1), 0);
}

// Cached updates: every step's counts against a recount of the statuses; the log puts
// every record back; the setter's and the before-event's errors.
TEST_F(EditingTest, CachedUpdatesCountWhatChanged) {
  const std::string select = "select id, name from cached where id > 1 order by id";
  Open(select);
  EXPECT_THROW(fDataSet->SetCachedUpdates(true), EFIBError);
  fDataSet->Close();
  // With AutoCommit each post would be applied at once.
  fDataSet->SetAutoCommit(false);
  fDataSet->SetCachedUpdates(true);
  Open(select);
  fDataSet->FetchAll();
  fDataSet->InsertSQL().SetText("insert into cached (id, name) values (?id, ?name)");
  fDataSet->UpdateSQL().SetText("update cached set name = ?name where id = ?old_id");
  fDataSet->DeleteSQL().SetText("delete from cached where id = ?old_id");

  fDataSet->Edit();
  Field("NAME")->SetAsString("edited");
  fDataSet->Post();
  fDataSet->Edit();
  Field("NAME")->SetAsString("edited twice");
  fDataSet->Post();
  ExpectCountsMatchStatuses();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);

  fDataSet->Append();
  SetValues(9, "new");
  fDataSet->Post();
  const Integer inserted = fDataSet->ActiveIndex();
  fDataSet->Delete();
  EXPECT_EQ(fDataSet->StatusAt(inserted), cusUninserted);
  ExpectCountsMatchStatuses();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 1);

  fDataSet->First();
  fDataSet->Next();
  fDataSet->Delete();
  ExpectCountsMatchStatuses();
  fDataSet->RevertRecord(inserted, true);
  ExpectCountsMatchStatuses();
  fDataSet->RevertRecord(inserted, false);
  ExpectCountsMatchStatuses();
  fDataSet->RevertRecord(inserted, true);
  ExpectCountsMatchStatuses();
  EXPECT_EQ(fDataSet->StatusAt(inserted), cusInserted);
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 3);

  // A deleted record is out of view until the update types ask for it.
  EXPECT_EQ(fDataSet->RecordCount(), 4);
  fDataSet->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted, cusDeleted});
  Integer shown = 0;
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ++shown;
  EXPECT_EQ(shown, 5);
  fDataSet->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted});

  fDataSet->CancelUpdates();
  EXPECT_EQ(fDataSet->CachedUpdateCount(), 0);
  EXPECT_FALSE(fDataSet->UpdatesPending());
  EXPECT_EQ(fDataSet->StatusAt(inserted), cusUninserted);
  EXPECT_EQ(fDataSet->DeletedCount(), 1);
  std::string names;
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) names += Field("NAME")->AsString() + ";";
  EXPECT_EQ(names, "row 2;row 3;row 4;row 5;");
  EXPECT_EQ(Oracle("select count(*) from cached where name starting with 'row'"), "5");

  // Editing the uninserted record counts like the reverse of its delete.
  fDataSet->SetUpdateRecordTypes({cusUnmodified, cusModified, cusInserted, cusUninserted});
  fDataSet->Last();
  fDataSet->Edit();
  Field("NAME")->SetAsString("back");
  fDataSet->Post();
  EXPECT_EQ(fDataSet->StatusAt(inserted), cusInserted);
  ExpectCountsMatchStatuses();

  fDataSet->BeforePost = [this](TDataSet*) { fDataSet->Close(); };
  fDataSet->Edit();
  try {
    fDataSet->Post();
    ADD_FAILURE() << "the post went on after its dataset closed";
  } catch (const EFIBError& e) {
    EXPECT_NE(e.Message().find("continue after BeforePost"), AnsiString::npos) << e.Message();
  }
}

}  // namespace
}  // namespace ordvane::test

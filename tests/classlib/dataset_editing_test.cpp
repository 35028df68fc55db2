// Editing a dataset: the call orders of Edit, Insert, Append, Post, Cancel, Delete,
// Refresh and CheckBrowseMode, the error events and their actions, and what a failed
// operation leaves behind (exactly what was there before it).

#include <gtest/gtest.h>

#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

// A dataset whose post, edit and delete can be made to fail a number of times.
class TFailingDataSet : public TLoggingDataSet {
 public:
  using TLoggingDataSet::TLoggingDataSet;
  int postFailures = 0;
  int editFailures = 0;
  int deleteFailures = 0;
  bool postThrowsNonDatabaseError = false;

 protected:
  void InternalPost() override {
    if (postThrowsNonDatabaseError) throw EConvertError("not a number");
    Fail(postFailures, "post");
    TLoggingDataSet::InternalPost();
  }
  void InternalEdit() override {
    Fail(editFailures, "edit");
    TLoggingDataSet::InternalEdit();
  }
  void InternalDelete() override {
    Fail(deleteFailures, "delete");
    TLoggingDataSet::InternalDelete();
  }

 private:
  void Fail(int& failures, const std::string& what) {
    if (failures == 0) return;
    --failures;
    Write(what + " fails");
    DatabaseError(what + " refused");
  }
};

// What a failed operation must leave as it was.
struct TSnapshot {
  TDataSetState state;
  bool modified;
  int activeRecord;
  int recordCount;
  std::vector<int> window;
  std::string name;
  bool operator==(const TSnapshot&) const = default;
};

class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillNumbered(data, 5);
    source.SetDataSet(&data);
    link.SetDataSource(&source);
    link.SetBufferCount(3);
    data.First();
    log.clear();
  }

  TSnapshot Snapshot() {
    return {data.State(), data.Modified(), link.ActiveRecord(), data.RecordCount(), WindowIds(link),
            data.FieldByName("NAME")->AsString()};
  }

  std::vector<int> AllIds() {
    std::vector<int> ids;
    data.SetLogging(false);
    const TBookmarkStr position = data.Bookmark();
    for (data.First(); !data.Eof(); data.Next()) ids.push_back(data.FieldByName("ID")->AsInteger());
    data.GotoBookmark(position);
    data.SetLogging(true);
    return ids;
  }

  TLog log;
  TFailingDataSet data{nullptr, &log};
  TDataSource source{nullptr};
  TLoggingLink link{&log, "link"};
};

TEST_F(EditingTest, EditPutsTheCurrentRecordIntoEditState) {
  data.Edit();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeEdit", "InternalSetToRecord", "InternalEdit",
                       "link: EditingChanged on", "link: RecordChanged -", "AfterEdit"}));
  EXPECT_EQ(data.State(), dsEdit);
  EXPECT_FALSE(data.Modified());
  log.clear();
  data.Edit();
  EXPECT_TRUE(log.empty()) << "editing twice does nothing";
}

TEST_F(EditingTest, PostWritesThroughTheControlsAndResyncs) {
  data.Edit();
  data.FieldByName("NAME")->SetAsString("changed");
  EXPECT_TRUE(data.Modified());
  log.clear();
  data.Post();
  EXPECT_EQ(log, (TLog{"link: UpdateData", "link: CheckBrowseMode", "BeforePost", "InternalPost",
                       "link: EditingChanged off", "GetRecord(Current)=OK", "GetRecord(Next)=OK", "GetRecord(Next)=OK",
                       "link: DataSetChanged", "AfterPost"}));
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "changed");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Post(); }), "Dataset not in edit or insert mode");
}

TEST_F(EditingTest, InsertOpensANewRecordBeforeTheCurrentOne) {
  data.Next();
  log.clear();
  data.Insert();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalInitRecord",
                       "InternalInsert", "link: EditingChanged on", "OnNewRecord", "link: DataSetChanged",
                       "AfterInsert", "AfterScroll"}));
  EXPECT_EQ(data.State(), dsInsert);
  EXPECT_FALSE(data.Modified());
  EXPECT_EQ(link.ActiveRecord(), 1);
  EXPECT_TRUE(data.FieldByName("ID")->IsNull());
  data.FieldByName("ID")->SetAsInteger(10);
  data.Post();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 10);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 10, 2}));
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 10, 2, 3, 4, 5}));
}

TEST_F(EditingTest, AppendReachesTheLastRecordThroughTheBufferFlags) {
  data.Append();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalInitRecord",
                       "InternalLast", "GetRecord(Prior)=OK", "GetRecord(Prior)=OK", "InternalInsert",
                       "link: EditingChanged on", "OnNewRecord", "link: DataSetChanged", "AfterInsert",
                       "AfterScroll"}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  data.FieldByName("ID")->SetAsInteger(6);
  data.Post();
  EXPECT_EQ(WindowIds(link), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(EditingTest, AppendWithAOneRecordWindowStillAppendsAtTheEnd) {
  link.SetDataSource(nullptr);
  log.clear();
  data.Append();
  EXPECT_EQ(std::count(log.begin(), log.end(), "InternalLast"), 0) << "there is no window to fill";
  data.FieldByName("ID")->SetAsInteger(6);
  data.Post();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(EditingTest, EditOfAnEmptyDatasetInserts) {
  data.EmptyDataSet();
  log.clear();
  data.Edit();
  EXPECT_EQ(data.State(), dsInsert);
  EXPECT_EQ(log[1], "BeforeInsert");
}

TEST_F(EditingTest, AFailingOnNewRecordGoesBackToBrowsing) {
  data.Next();
  data.OnNewRecord = [](TDataSet*) { DatabaseError("no new records"); };
  log.clear();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Insert(); }), "no new records");
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalInitRecord",
                       "InternalInsert", "link: EditingChanged on", "InternalSetToRecord",
                       "link: EditingChanged off", "GetRecord(Current)=OK", "GetRecord(Prior)=OK",
                       "InternalSetToRecord", "GetRecord(Next)=OK", "link: DataSetChanged"}));
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(data.RecordCount(), 5);
}

TEST_F(EditingTest, CancelOfAnEditRestoresTheRecord) {
  data.Edit();
  data.FieldByName("NAME")->SetAsString("changed");
  log.clear();
  data.Cancel();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeCancel", "InternalCancel", "link: EditingChanged off",
                       "GetRecord(Current)=OK", "GetRecord(Next)=OK", "GetRecord(Next)=OK", "link: DataSetChanged",
                       "AfterCancel"}));
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "r1");
  log.clear();
  data.Cancel();
  EXPECT_TRUE(log.empty()) << "nothing to cancel while browsing";
}

TEST_F(EditingTest, CancelOfAnInsertScrollsBackToTheRecordItStoodBefore) {
  data.MoveBy(2);
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(99);
  log.clear();
  data.Cancel();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeCancel", "BeforeScroll", "InternalSetToRecord",
                       "InternalCancel", "link: EditingChanged off", "GetRecord(Current)=OK", "GetRecord(Prior)=OK",
                       "GetRecord(Prior)=OK", "link: DataSetChanged", "AfterCancel", "AfterScroll"}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(EditingTest, DeleteRemovesTheRecordAndShowsTheNextOne) {
  data.Next();
  log.clear();
  data.Delete();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeDelete", "BeforeScroll", "InternalSetToRecord",
                       "InternalDelete", "GetRecord(Current)=OK", "GetRecord(Prior)=OK", "InternalSetToRecord",
                       "GetRecord(Next)=OK", "link: DataSetChanged", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(WindowIds(link), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 3);
  data.Last();
  data.Delete();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 4) << "after the last record goes, the one before is current";
  EXPECT_EQ(data.RecordCount(), 3);
}

TEST_F(EditingTest, DeleteWhileInsertingCancelsAndAnEmptyDatasetRefuses) {
  data.Insert();
  log.clear();
  data.Delete();
  EXPECT_EQ(log[1], "BeforeCancel");
  EXPECT_EQ(data.RecordCount(), 5);
  data.EmptyDataSet();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Delete(); }), "Cannot perform this operation on an empty dataset");
}

TEST_F(EditingTest, RefreshRereadsAroundTheCurrentRecord) {
  data.Next();
  log.clear();
  data.Refresh();
  EXPECT_EQ(log, (TLog{"link: CheckBrowseMode", "BeforeRefresh", "InternalSetToRecord", "InternalRefresh",
                       "GetRecord(Current)=OK", "GetRecord(Prior)=OK", "InternalSetToRecord", "GetRecord(Next)=OK",
                       "link: DataSetChanged", "AfterRefresh"}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
}

TEST_F(EditingTest, LeavingAnEditPostsAChangeAndCancelsNoChange) {
  data.Edit();
  log.clear();
  data.Next();
  EXPECT_EQ(std::count(log.begin(), log.end(), "BeforeCancel"), 1) << "nothing was changed";
  EXPECT_EQ(std::count(log.begin(), log.end(), "BeforePost"), 0);
  data.Edit();
  data.FieldByName("NAME")->SetAsString("kept");
  log.clear();
  data.Prior();
  EXPECT_EQ(std::count(log.begin(), log.end(), "BeforePost"), 1);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "r1");
  data.Next();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "kept");
}

TEST_F(EditingTest, PostErrorFailLeavesEverythingAsItWas) {
  data.Edit();
  data.FieldByName("NAME")->SetAsString("pending");
  const TSnapshot before = Snapshot();
  std::vector<TDataAction> seen;
  data.OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
    EXPECT_EQ(e.Message(), "post refused");
    seen.push_back(action);
  };
  data.postFailures = 1;
  log.clear();
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Post(); }), "post refused");
  EXPECT_EQ(seen, (std::vector<TDataAction>{daFail}));
  EXPECT_EQ(log, (TLog{"link: UpdateData", "link: CheckBrowseMode", "BeforePost", "post fails"}));
  EXPECT_EQ(Snapshot(), before);
  data.Post();
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "pending");
}

TEST_F(EditingTest, PostErrorAbortIsSilentAndKeepsTheEdit) {
  data.Edit();
  data.FieldByName("NAME")->SetAsString("pending");
  const TSnapshot before = Snapshot();
  data.OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
  data.postFailures = 1;
  EXPECT_THROW(data.Post(), EAbort);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(EditingTest, PostErrorRetryRunsThePostAgain) {
  data.Edit();
  data.FieldByName("NAME")->SetAsString("third time");
  int calls = 0;
  data.OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
    ++calls;
    action = daRetry;
  };
  data.postFailures = 2;
  log.clear();
  data.Post();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "post fails"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "AfterPost"), 1);
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "third time");
}

TEST_F(EditingTest, AFailedInsertKeepsTheNewRecordUntilCancelled) {
  data.Next();
  data.Insert();
  data.FieldByName("ID")->SetAsInteger(42);
  const TSnapshot before = Snapshot();
  data.postFailures = 1;
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Post(); }), "post refused");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 42);
  data.Cancel();
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
}

TEST_F(EditingTest, AFailedDeleteLeavesEverythingAsItWas) {
  data.MoveBy(2);
  const TSnapshot before = Snapshot();
  int calls = 0;
  data.OnDeleteError = [&](TDataSet*, EDatabaseError&, TDataAction&) { ++calls; };
  data.deleteFailures = 1;
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Delete(); }), "delete refused");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(AllIds(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(EditingTest, EditErrorAbortStaysBrowsing) {
  data.OnEditError = [](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; };
  data.editFailures = 1;
  log.clear();
  EXPECT_THROW(data.Edit(), EAbort);
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(std::count(log.begin(), log.end(), "AfterEdit"), 0);
}

TEST_F(EditingTest, OnlyDatabaseErrorsGoToTheErrorEvents) {
  data.Edit();
  int calls = 0;
  data.OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& action) {
    ++calls;
    action = daRetry;
  };
  data.postThrowsNonDatabaseError = true;
  EXPECT_THROW(data.Post(), EConvertError);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(data.State(), dsEdit);
}

TEST_F(EditingTest, AReadOnlyDatasetRefusesEveryChange) {
  data.SetName("Ledger");
  data.SetReadOnly(true);
  const char* readOnly = "Ledger: Cannot modify a read-only dataset";
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Edit(); }), readOnly);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Insert(); }), readOnly);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Append(); }), readOnly);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Delete(); }), readOnly);
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_FALSE(data.FieldByName("NAME")->CanModify());
  data.SetReadOnly(false);
  EXPECT_TRUE(data.FieldByName("NAME")->CanModify());
}

TEST_F(EditingTest, InsertRecordGoesInWholeOrNotAtAll) {
  std::vector<Variant> values;
  values.emplace_back(7);
  values.emplace_back("seven");
  data.InsertRecord(values);
  EXPECT_EQ(AllIds(), (std::vector<int>{7, 1, 2, 3, 4, 5}));
  std::vector<Variant> bad;
  bad.emplace_back("not a number");
  EXPECT_THROW(data.AppendRecord(bad), EVariantError);
  EXPECT_EQ(data.State(), dsBrowse);
  EXPECT_EQ(data.RecordCount(), 6);
  data.FieldByName("ID")->SetRequired(true);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.AppendRecord({}); }), "Field 'ID' must have a value");
  EXPECT_EQ(data.RecordCount(), 6);
}

// A dataset that keeps state around posts, resyncs and the closed-dataset check: every
// road of the framework reaches its overrides.
class TOverridingDataSet : public TLoggingDataSet {
 public:
  using TLoggingDataSet::TLoggingDataSet;
  int posts = 0;
  int resyncs = 0;
  bool waiveInactiveCheck = false;
  void Post() override {
    ++posts;
    TLoggingDataSet::Post();
  }
  void Resync(TResyncMode mode) override {
    ++resyncs;
    TLoggingDataSet::Resync(mode);
  }
  void CheckInactive() const override {
    if (!waiveInactiveCheck) TLoggingDataSet::CheckInactive();
  }
};

TEST(DataSetOverrides, PostsResyncsAndTheClosedCheckReachTheDataset) {
  TLog log;
  TOverridingDataSet data{nullptr, &log};
  FillNumbered(data, 2);
  data.posts = 0;
  data.AppendRecord({Variant(3), Variant("three")});
  data.InsertRecord({Variant(4), Variant("four")});
  data.Edit();
  data.FieldByName("NAME")->SetAsString("changed");
  data.CheckBrowseMode();
  EXPECT_EQ(data.posts, 3);
  const int resyncs = data.resyncs;
  data.Refresh();
  EXPECT_GT(data.resyncs, resyncs);
  EXPECT_EQ(data.UpdateStatus(), usUnmodified);
  EXPECT_FALSE(data.GetCurrentRecord(nullptr));
  // A field joins an open dataset only while the dataset waives its closed check.
  TStringField* extra = new TStringField(&data);
  extra->SetFieldName("EXTRA");
  EXPECT_THROW(extra->SetDataSet(&data), EDatabaseError);
  data.waiveInactiveCheck = true;
  extra->SetDataSet(&data);
  EXPECT_EQ(data.FindField("EXTRA"), extra);
  data.waiveInactiveCheck = false;
}

}  // namespace
}  // namespace ordvane::test

// Opening and fetching against a real database, with the statement's own log as the
// witness of every fetch: rows are fetched only when the buffers need them, Last fetches
// the rest once, bookmarks and record numbers over 10 000 rows, the order of events, the
// screen cursor, calculated fields kept in the cache, master parameters, and what a
// commit, a rollback or a disconnect does to an open dataset.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "classlib/core/Application.h"
#include "classlib/core/ScreenCursor.h"
#include "datasets/FIBFields.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

constexpr int RowCount = 10000;

class FetchCounter : public ISQLLogger {
 public:
  void AttachDatabase(TFIBDatabase*) override {}
  // Only the dataset's own cursor counts: opening also reads the tables' metadata once.
  void WriteData(const AnsiString& objectName, const AnsiString& operation, const AnsiString&, int) override {
    if (operation == "Fetch:" && objectName == "Form.DataSet.SelectQuery") ++fetches;
  }
  int LogFlags() const override { return SQLLogFlagFetch; }
  int fetches = 0;
};

// Exposes the fetch step and hides the records the test asks it to.
class TFetchDataSet : public TpFIBDataSet {
  ORDVANE_CLASS(TFetchDataSet, TpFIBDataSet)

 public:
  using TpFIBDataSet::TpFIBDataSet;
  int hiddenBelow = 0;
  TGetResult CurrentAt(Integer recordIndex, Integer& id) {
    std::vector<Byte> buffer(static_cast<std::size_t>(RecordBufferSize()));
    fCurrentRecord = recordIndex;
    const TGetResult result = GetRecord(buffer.data(), gmCurrent, false);
    id = result == grOK ? RecordIndexOf(buffer.data()) + 1 : -1;
    return result;
  }

 protected:
  bool RecordIsVisible(TRecordBuffer buffer) override { return RecordIndexOf(buffer) >= hiddenBelow; }
};

TestDatabase& RowsDatabase() {
  static TestDatabase db("datasets/rows.sql", {3, "WIN1251"});
  return db;
}

class FetchTest : public testing::Test {
 protected:
  FetchTest() {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    Configure(*fDatabase, RowsDatabase());
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDatabase->SetSQLLogger(&fCounter);
  }
  ~FetchTest() override { fDatabase->SetSQLLogger(nullptr); }
  TFetchDataSet& Open(const std::string& select) {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Open();
    return *fDataSet;
  }
  Integer Id() { return fDataSet->FieldByName("ID")->AsInteger(); }

  FetchCounter fCounter;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFetchDataSet* fDataSet = new TFetchDataSet(&fForm);
};

TEST_F(FetchTest, RowsAreFetchedOnlyWhenTheBuffersNeedThem) {
  Open("select id, name from r order by id");
  // The buffer window of one record: one fetch.
  EXPECT_EQ(fCounter.fetches, 1);
  EXPECT_EQ(fDataSet->FetchedCount(), 1);
  EXPECT_EQ(fDataSet->RecordCount(), 1);
  EXPECT_EQ(Id(), 1);
  fDataSet->Next();
  fDataSet->Next();
  EXPECT_EQ(fCounter.fetches, 3);
  EXPECT_EQ(fDataSet->RecNo(), 3);

  // A grid of five rows fetches what it shows.
  TDataSource source(&fForm);
  source.SetDataSet(fDataSet);
  TDataLink link;
  link.SetBufferCount(5);
  link.SetDataSource(&source);
  EXPECT_EQ(fDataSet->FetchedCount(), 7);

  // Last fetches the rest once, and the end of data with it.
  fDataSet->Last();
  EXPECT_EQ(fCounter.fetches, RowCount + 1);
  EXPECT_EQ(fDataSet->RecordCount(), RowCount);
  EXPECT_EQ(fDataSet->RecNo(), RowCount);
  EXPECT_EQ(Id(), RowCount);
  fDataSet->First();
  int walked = 0;
  for (; !fDataSet->Eof(); fDataSet->Next()) ++walked;
  EXPECT_EQ(walked, RowCount);
  EXPECT_EQ(fCounter.fetches, RowCount + 1);
  link.SetDataSource(nullptr);
}

TEST_F(FetchTest, AnEmptyResultAnswersEndOfData) {
  Open("select id from e");
  EXPECT_TRUE(fDataSet->Eof());
  EXPECT_TRUE(fDataSet->IsEmpty());
  EXPECT_EQ(fDataSet->RecordCount(), 0);
  EXPECT_EQ(fDataSet->RecNo(), 0);
  EXPECT_TRUE(fDataSet->FieldByName("ID")->IsNull());
  fDataSet->Last();
  EXPECT_TRUE(fDataSet->Bof());
  EXPECT_EQ(fCounter.fetches, 1);
}

TEST_F(FetchTest, TheCurrentRecordPastTheFetchedRowsStepsBackWithinThem) {
  struct Case {
    const char* select;
    Integer index;
    TGetResult result;
    Integer id;  // the record read, from 1
    Integer fetched;
  };
  const Case cases[] = {
      {"select id from e", 0, grEOF, -1, 0},
      {"select id from e", 5, grEOF, -1, 0},
      {"select id from r where id <= 3 order by id", 5, grOK, 3, 3},
      {"select id from r where id <= 3 order by id", 3, grOK, 3, 3},
      {"select id from r where id <= 3 order by id", 1, grOK, 1, 2},
      {"select id from r where id <= 3 order by id", -1, grBOF, -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.select) + " at " + std::to_string(c.index));
    Open(c.select);
    Integer id = 0;
    EXPECT_EQ(fDataSet->CurrentAt(c.index, id), c.result);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(fDataSet->FetchedCount(), c.fetched);
    fDataSet->Close();
  }
}

TEST_F(FetchTest, InvisibleRecordsAreSkippedAndFetchedPast) {
  fDataSet->hiddenBelow = 3;
  Open("select id from r order by id");
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(fDataSet->RecNo(), 4);
  EXPECT_EQ(fDataSet->FetchedCount(), 4);
  fDataSet->Next();
  fDataSet->First();
  EXPECT_EQ(Id(), 4);
  fDataSet->Prior();
  EXPECT_TRUE(fDataSet->Bof());
  EXPECT_EQ(Id(), 4);
}

TEST_F(FetchTest, TextsThatAreNoSelectRunAndOpenEmpty) {
  for (const char* text : {"update touched set note = 'update' where id = 1", "execute procedure touch(2)"}) {
    SCOPED_TRACE(text);
    Open(text);
    EXPECT_EQ(fDataSet->State(), dsBrowse);
    EXPECT_TRUE(fDataSet->Eof());
    EXPECT_EQ(fDataSet->RecordCount(), 0);
    EXPECT_EQ(fDataSet->FieldCount(), 0);
    fDataSet->Next();
    fDataSet->Last();
    fDataSet->Close();
  }
  fTransaction->Commit();
  EXPECT_EQ(IsqlRows(RowsDatabase(), "select id, note from touched order by id"), "1|update;2|procedure");
}

TEST_F(FetchTest, BookmarksCompareAndReturnOverAllRows) {
  Open("select id from r order by id");
  std::vector<std::pair<TBookmarkStr, Integer>> marks;
  for (; !fDataSet->Eof(); fDataSet->Next())
    if (Id() % 997 == 1) marks.emplace_back(fDataSet->Bookmark(), Id());
  ASSERT_EQ(marks.size(), 11u);
  for (const auto& [mark1, id1] : marks)
    for (const auto& [mark2, id2] : marks)
      ASSERT_EQ(fDataSet->CompareBookmarks(mark1, mark2), id1 < id2 ? -1 : (id1 > id2 ? 1 : 0)) << id1 << " " << id2;
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
    fDataSet->GotoBookmark(it->first);
    ASSERT_EQ(Id(), it->second);
    ASSERT_EQ(fDataSet->RecNo(), it->second);
  }
  EXPECT_EQ(fDataSet->CompareBookmarks({}, marks[0].first), 1);
  EXPECT_EQ(fDataSet->CompareBookmarks(marks[0].first, {}), -1);
  EXPECT_EQ(fDataSet->CompareBookmarks({}, {}), 0);
  EXPECT_EQ(fDataSet->FailedBookmarkMoves(), 0);
  EXPECT_EQ(fCounter.fetches, RowCount + 1);
}

TEST_F(FetchTest, EventsComeInOrderAndTheCountersSilenceThem) {
  std::vector<std::string> log;
  for (auto [event, name] : std::initializer_list<std::pair<TDataSetNotifyEvent*, const char*>>{
           {&fDataSet->BeforeOpen, "BeforeOpen"},
           {&fDataSet->AfterOpen, "AfterOpen"},
           {&fDataSet->BeforeClose, "BeforeClose"},
           {&fDataSet->AfterClose, "AfterClose"},
           {&fDataSet->BeforeScroll, "BeforeScroll"},
           {&fDataSet->AfterScroll, "AfterScroll"},
           {&fDataSet->OnDisableControls, "DisableControls"},
           {&fDataSet->OnEnableControls, "EnableControls"}})
    *event = [&log, label = name](TDataSet*) { log.emplace_back(label); };
  fDataSet->SetBeforeFetchRecord([&log](TFIBQuery*, Integer number, bool&) { log.push_back("fetch " + std::to_string(number)); });

  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poFetchAll});
  Open("select id from r where id <= 2 order by id");
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "fetch 0", "AfterOpen", "DisableControls", "fetch 1",
                                           "fetch 2", "EnableControls", "AfterScroll"}));
  EXPECT_EQ(fDataSet->RecordCount(), 2);
  EXPECT_EQ(Id(), 1);

  log.clear();
  fDataSet->DisableScrollEvents();
  fDataSet->Next();
  fDataSet->EnableScrollEvents();
  fDataSet->Prior();
  fDataSet->DisableOpenCloseEvents();
  fDataSet->Close();
  fDataSet->SetBeforeFetchRecord({});
  fDataSet->Open();
  fDataSet->EnableOpenCloseEvents();
  fDataSet->Close();
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeScroll", "AfterScroll", "AfterOpen", "DisableControls",
                                           "EnableControls", "AfterScroll", "BeforeClose", "AfterClose"}));

  // A handler that asks to stop ends the fetch silently: the rows so far stay.
  fDataSet->SetOptions(fDataSet->Options() - TpFIBDsOptions{poFetchAll});
  fDataSet->SetBeforeFetchRecord([](TFIBQuery*, Integer number, bool& stop) { stop = number == 3; });
  Open("select id from r order by id");
  EXPECT_THROW(fDataSet->Last(), EAbort);
  EXPECT_EQ(fDataSet->FetchedCount(), 3);
}

TEST_F(FetchTest, TheScreenCursorShowsWhileTheServerWorks) {
  std::vector<TCursor> shown;
  TCursor current = crDefault;
  const TScreenCursorHook before =
      SetScreenCursorHook({[&] { return current; }, [&](TCursor cursor) { current = cursor; }});
  fDataSet->SetSQLScreenCursor(crSQLWait);
  fDataSet->SelectQuery().BeforeExecute = [&](TObject*) { shown.push_back(current); };
  fDataSet->SetBeforeFetchRecord([&](TFIBQuery*, Integer, bool&) { shown.push_back(current); });
  Open("select id from r where id <= 3 order by id");
  EXPECT_EQ(current, crDefault);
  fDataSet->Last();
  EXPECT_EQ(current, crDefault);
  // Executed and the rest fetched under the SQL cursor; the buffer's first fetch comes after.
  EXPECT_EQ(shown, (std::vector<TCursor>{crSQLWait, crDefault, crSQLWait, crSQLWait, crSQLWait}));
  SetScreenCursorHook(before);
}

TEST_F(FetchTest, CachedCalculatedFieldsAreComputedOncePerRecord) {
  auto* id = new TFIBIntegerField(fDataSet);
  id->SetFieldName("ID");
  id->SetDataSet(fDataSet);
  auto* twice = new TIntegerField(fDataSet);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(fDataSet);
  std::map<Integer, int> computed;
  fDataSet->OnCalcFields = [&](TDataSet*) {
    ++computed[id->AsInteger()];
    twice->SetAsInteger(id->AsInteger() * 2);
  };
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poCacheCalcFields});
  fDataSet->UpdateSQL().SetText("update r set id = ?id where id = ?old_id");
  fDataSet->InsertSQL().SetText("insert into r (id) values (?id)");
  Open("select id from r where id <= 20 order by id");
  for (int pass = 0; pass < 3; ++pass) {
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ASSERT_EQ(twice->AsInteger(), id->AsInteger() * 2);
    for (fDataSet->Last(); !fDataSet->Bof(); fDataSet->Prior()) ASSERT_EQ(twice->AsInteger(), id->AsInteger() * 2);
  }
  EXPECT_EQ(computed.size(), 20u);
  for (const auto& [key, count] : computed) EXPECT_EQ(count, 1) << key;

  // Computed in the buffer while editing, never into the cache.
  fDataSet->First();
  fDataSet->Edit();
  id->SetAsInteger(100);
  EXPECT_EQ(twice->AsInteger(), 200);
  fDataSet->Cancel();
  fDataSet->Insert();
  id->SetAsInteger(300);
  // A record being inserted has no old values.
  EXPECT_TRUE(VarIsEmpty(twice->OldValue()));
  EXPECT_TRUE(VarIsEmpty(id->OldValue()));
  fDataSet->Cancel();
  Integer expected = 1;
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next(), ++expected) {
    ASSERT_EQ(id->AsInteger(), expected);
    ASSERT_EQ(twice->AsInteger(), expected * 2);
  }
  EXPECT_EQ(computed[1], 1);
  EXPECT_EQ(fDataSet->RecordCount(), 20);
}

TEST_F(FetchTest, CacheModelOptionsGuardTheirValues) {
  TCacheModelOptions& options = fDataSet->CacheModelOptions();
  options.SetBufferChunks(0);
  EXPECT_EQ(options.BufferChunks(), 32);
  options.SetBufferChunks(-5);
  EXPECT_EQ(options.BufferChunks(), 32);
  fDataSet->SelectSQL().SetText("select id from r");
  const auto error = ErrorOf<EFIBClientError>([&] { options.SetCacheModelKind(cmkLimitedBufferSize); });
  EXPECT_EQ(error.rfind("Form.DataSet. Can't use limited cache. \r\nCachedUpdates must be False,", 0), 0u) << error;
  EXPECT_EQ(options.CacheModelKind(), cmkStandard);
  fDataSet->SelectSQL().SetText("select id from r order by id");
  options.SetCacheModelKind(cmkLimitedBufferSize);
  EXPECT_EQ(options.BufferChunks(), 100);
  options.SetBufferChunks(50);
  EXPECT_EQ(options.BufferChunks(), 100);
}

TEST_F(FetchTest, AnOpenThatFailsWhileLoadingGoesToTheApplication) {
  std::vector<std::string> reported;
  const TExceptionEvent before = Application->OnException;
  Application->OnException = [&](TObject* sender, Exception& e) {
    reported.push_back(static_cast<TComponent*>(sender)->Name() + ": " + e.Message());
  };
  fDataSet->BeginLoading();
  fDataSet->SetActive(true);
  fDataSet->EndLoading();
  Application->OnException = before;
  EXPECT_EQ(reported, (std::vector<std::string>{"DataSet: Can't Prepare Form.DataSet , because  query is empty"}));
  EXPECT_FALSE(fDataSet->Active());
}

TEST_F(FetchTest, TheMasterSourceMayNotLeadBack) {
  TDataSource own(&fForm);
  own.SetDataSet(fDataSet);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->SetDataSource(&own); }),
            "Circular references not permitted.(Form.DataSet)");
  EXPECT_EQ(fDataSet->DataSource(), nullptr);
}

struct EndCase {
  const char* name;
  bool cachedUpdates;
  void (*end)(TFIBDatabase&, TFIBTransaction&);
  bool staysActive;
  bool cursorStaysOpen;
};

class TransactionEndTest : public FetchTest, public testing::WithParamInterface<EndCase> {};

TEST_P(TransactionEndTest, AnOpenDatasetKeepsClosesOrCompletesItsRows) {
  const EndCase& c = GetParam();
  fDataSet->SetCachedUpdates(c.cachedUpdates);
  Open("select id from r order by id");
  fDataSet->Next();
  c.end(*fDatabase, *fTransaction);
  ASSERT_EQ(fDataSet->Active(), c.staysActive);
  EXPECT_EQ(fDataSet->SelectQuery().Open(), c.cursorStaysOpen);
  if (!c.staysActive) return;
  EXPECT_EQ(Id(), 2);
  fDataSet->Last();
  EXPECT_EQ(Id(), RowCount);
  EXPECT_EQ(fDataSet->RecordCount(), RowCount);
  fDataSet->First();
  EXPECT_EQ(Id(), 1);
}

constexpr EndCase EndCases[] = {
    {"CommitRetaining", false, [](TFIBDatabase&, TFIBTransaction& t) { t.CommitRetaining(); }, true, true},
    {"RollbackRetaining", false, [](TFIBDatabase&, TFIBTransaction& t) { t.RollbackRetaining(); }, true, true},
    {"Commit", false, [](TFIBDatabase&, TFIBTransaction& t) { t.Commit(); }, false, false},
    {"Rollback", false, [](TFIBDatabase&, TFIBTransaction& t) { t.Rollback(); }, false, false},
    {"Disconnect", false, [](TFIBDatabase& d, TFIBTransaction&) { d.Close(); }, false, false},
    {"CachedCommit", true, [](TFIBDatabase&, TFIBTransaction& t) { t.Commit(); }, true, false},
    {"CachedRollback", true, [](TFIBDatabase&, TFIBTransaction& t) { t.Rollback(); }, true, false},
    {"CachedDisconnect", true, [](TFIBDatabase& d, TFIBTransaction&) { d.Close(); }, true, false},
};

INSTANTIATE_TEST_SUITE_P(Ends, TransactionEndTest, testing::ValuesIn(EndCases),
                         [](const auto& info) { return std::string(info.param.name); });


// A 128 000-byte row (four VARCHAR(32000)) and a 32765-byte VARCHAR open, read and write
// whole: record and buffer sizes are 32-bit throughout.
TEST_F(FetchTest, LongTextsReadAndWriteWhole) {
  fDataSet->UpdateSQL().SetText("update w set l = ?l where id = ?old_id");
  Open("select cast(rpad('', 32000, 'a') as varchar(32000)) a, cast(rpad('', 32000, 'b') as varchar(32000)) b, "
       "cast(rpad('', 32000, 'c') as varchar(32000)) c, cast(rpad('', 32000, 'd') as varchar(32000)) d, w.l "
       "from w");
  EXPECT_GT(fDataSet->RecordBufferSize(), 4 * 32000 + 32765);
  for (const char* name : {"A", "B", "C", "D"})
    EXPECT_EQ(fDataSet->FieldByName(name)->AsString(), std::string(32000, static_cast<char>(std::tolower(name[0]))));
  // 'ї' is 0xBF in Windows-1251.
  TField* l = fDataSet->FieldByName("L");
  EXPECT_EQ(l->AsString(), std::string(32765, '\xBF'));
  fDataSet->Edit();
  const std::string written = std::string(32764, 'x') + "y";
  l->SetAsString(written);
  fDataSet->FieldByName("A")->SetAsString(std::string(31999, 'z'));
  EXPECT_EQ(l->AsString(), written);
  EXPECT_EQ(fDataSet->FieldByName("A")->AsString(), std::string(31999, 'z'));
  EXPECT_EQ(fDataSet->FieldByName("D")->AsString(), std::string(32000, 'd'));
  fDataSet->Cancel();
  EXPECT_EQ(l->AsString(), std::string(32765, '\xBF'));
}


// An array field's value is the whole array: written through the field in edit state (a
// new array in the update transaction, which the server only shows once a row holds it),
// read back after an update stored its identifier; a null variant clears it.
TEST_F(FetchTest, ArrayFieldsReadAndWriteTheWholeArray) {
  fDataSet->UpdateSQL().SetText("update arr set a = ?a where id = ?old_id");
  Open("select id, a from arr");
  TField* a = fDataSet->FieldByName("A");
  EXPECT_TRUE(VarIsNull(a->AsVariant()));
  EXPECT_EQ(a->AsString(), "(Array)");
  fDataSet->Edit();
  int changes = 0;
  fDataSet->OnFieldChange = [&](TField* field) { changes += field == a ? 1 : 0; };
  a->SetAsVariant(VarArrayOf({7, -8, 9}));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a->AsString(), "(ARRAY)");
  ISC_QUAD written{};
  ASSERT_TRUE(a->GetData(&written));
  auto* update = new TFIBQuery(&fForm);
  update->SetDatabase(fDatabase);
  update->SetTransaction(fTransaction);
  update->SQL().SetText("update arr set a = :a where id = 1");
  update->Prepare();
  update->CreateArrayDescriptor(&update->Params()[0], "ARR", false, "A");
  update->Params()[0].SetAsQuad(written);
  update->ExecQuery();
  a->SetAsVariant(Null());
  EXPECT_TRUE(a->IsNull());
  fDataSet->Cancel();
  fDataSet->Close();
  fDataSet->Open();
  const Variant read = fDataSet->FieldByName("A")->AsVariant();
  ASSERT_TRUE(VarIsArray(read));
  std::vector<Integer> values;
  for (Integer i = VarArrayLowBound(read, 1); i <= VarArrayHighBound(read, 1); ++i)
    values.push_back(VarArrayGet(read, {i}).AsInteger());
  EXPECT_EQ(values, (std::vector<Integer>{7, -8, 9}));
  fTransaction->Rollback();
}

}  // namespace
}  // namespace ordvane::test

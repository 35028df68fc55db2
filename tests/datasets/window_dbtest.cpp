// The limited-buffer cache model against a real database, with BufferChunks 100 and the
// statement log as the witness of every execution and fetch: the window while scrolling
// forward and from the end, an empty result, a bookmark jump that reloads the window
// around its row, renumbering below index 0, walks in both directions through 10 000 rows
// in isql-fb's order (nulls and ties included), bookmark jumps on keys of every type, pages
// of a KOI8-R connection in the column's order, the server-side locate and when the model
// may be chosen.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/Variants.h"
#include "classlib/core/CodePages.h"
#include "dbclient/fib.h"
#include "tests/datasets/SortingSupport.h"

namespace ordvane::test {
namespace {

TestDatabase& WindowDatabase() {
  static TestDatabase db("datasets/window.sql", {3, "WIN1251"});
  return db;
}

constexpr Integer Chunks = 100;
constexpr char Desc[] = "Form.DataSet.SelectDescQuery";
constexpr char Select[] = "Form.DataSet.SelectQuery";

class WindowTest : public PersonsTest {
 protected:
  WindowTest() : PersonsTest("WIN1251", WindowDatabase()) {}
  TpFIBDataSet& OpenLimited(const std::string& select, const std::string& keyFields = "") {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->AutoUpdateOptions().SetKeyFields(keyFields);
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
    fDataSet->CacheModelOptions().SetBufferChunks(Chunks);
    fDataSet->Open();
    return *fDataSet;
  }
  const TFIBCustomDataSet::TWindowRecord& Window() { return fDataSet->Window(); }
  std::string WalkIds(bool forward) {
    std::string ids;
    if (forward) {
      for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) ids += (ids.empty() ? "" : ";") + std::to_string(Id());
    } else {
      for (fDataSet->Last(); !fDataSet->Bof(); fDataSet->Prior()) ids = std::to_string(Id()) + (ids.empty() ? "" : ";") + ids;
    }
    return ids;
  }
};

TEST_F(WindowTest, ScrollingForwardAndFromTheEnd) {
  OpenLimited("select id from w where id <= 250 order by id");
  Integer walked = 0;
  for (; !fDataSet->Eof(); fDataSet->Next()) ++walked;
  EXPECT_EQ(walked, 250);
  EXPECT_EQ(Window().First, 150);
  EXPECT_EQ(Window().Last, 249);
  EXPECT_FALSE(Window().AtStart);
  EXPECT_TRUE(Window().AtEnd);
  EXPECT_EQ(fDataSet->FetchedCount(), 100);
  fDataSet->Close();

  fCounter = {};
  OpenLimited("select id from w where id <= 1000 order by id");
  fDataSet->Last();
  EXPECT_EQ(Id(), 1000);
  EXPECT_EQ(Window().First, 1073741723);
  EXPECT_EQ(Window().Last, 1073741822);
  EXPECT_TRUE(Window().AtEnd);
  EXPECT_EQ(fDataSet->FetchedCount(), 100);
  EXPECT_EQ(fCounter.executions[Desc], 1);
  EXPECT_EQ(fCounter.fetches[Desc], 100);
  fDataSet->Last();
  EXPECT_EQ(fCounter.executions[Desc], 1);
  EXPECT_EQ(fCounter.fetches[Desc], 100);
  // Backward past the window's first record continues from the server.
  EXPECT_EQ(fDataSet->MoveBy(-150), -150);
  EXPECT_EQ(Id(), 850);
  fDataSet->Close();

  OpenLimited("select id from w where id < 0 order by id");
  fDataSet->Last();
  EXPECT_TRUE(fDataSet->IsEmpty());
  EXPECT_TRUE(fDataSet->Bof());
  EXPECT_EQ(fDataSet->FetchedCount(), 0);
}

TEST_F(WindowTest, FirstAtTheStartReExecutesNothing) {
  OpenLimited("select id from w order by id");
  fDataSet->MoveBy(20);
  fDataSet->First();
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(fCounter.executions[Select], 1);
  fDataSet->MoveBy(150);
  fDataSet->First();
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(fCounter.executions[Select], 2);
}

TEST_F(WindowTest, ABookmarkJumpReloadsTheWindowAroundItsRow) {
  OpenLimited("select id from w order by id");
  fDataSet->MoveBy(4999);
  ASSERT_EQ(Id(), 5000);
  const TBookmarkStr bookmark = fDataSet->Bookmark();
  fDataSet->First();
  fDataSet->GotoBookmark(bookmark);
  EXPECT_EQ(Id(), 5000);
  const Integer index = fDataSet->CurrentRecordIndex();
  EXPECT_EQ(Window().Last - Window().First + 1, 99);
  EXPECT_EQ(index - Window().First, 50);
  EXPECT_EQ(Window().Last - index, 48);
  EXPECT_EQ(fDataSet->FailedBookmarkMoves(), 0);
  // The neighbours are there in both directions, from the window and past it.
  EXPECT_EQ(fDataSet->MoveBy(-60), -60);
  EXPECT_EQ(Id(), 4940);
  EXPECT_EQ(fDataSet->MoveBy(120), 120);
  EXPECT_EQ(Id(), 5060);
}

TEST_F(WindowTest, RenumberingBelowIndexZeroKeepsEverySlot) {
  OpenLimited("select id from w order by id");
  // The server-side locate puts its row at index BufferChunks / 2 + 1.
  ASSERT_TRUE(fDataSet->Locate("ID", 300, {}));
  ASSERT_EQ(fDataSet->CurrentRecordIndex(), 51);
  const Integer first = Window().First;
  EXPECT_EQ(fDataSet->MoveBy(-100), -100);
  EXPECT_EQ(Id(), 200);
  // Index 0 was passed: everything moved up by BufferChunks.
  EXPECT_GE(Window().First, 0);
  EXPECT_GT(fDataSet->CurrentRecordIndex(), first);
  EXPECT_EQ(fDataSet->CurrentRecordIndex() % Chunks, (51 - 100 + 2 * Chunks) % Chunks);
  std::string seen;
  for (int i = 0; i < 150; ++i, fDataSet->Next()) seen += std::to_string(Id()) + ";";
  std::string expected;
  for (int id = 200; id < 350; ++id) expected += std::to_string(id) + ";";
  EXPECT_EQ(seen, expected);
}

TEST_F(WindowTest, WalksSeeEveryRowOnceInTheServersOrder) {
  struct Case {
    const char* orderBy;
    const char* keyFields;
  };
  const Case cases[] = {
      {"k, id", ""},
      {"k desc, id", ""},
      {"k desc nulls first, id desc", ""},
      {"grp", "ID"},
      {"grp desc, k", "ID"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orderBy);
    OpenLimited(std::string("select id, k, grp from w order by ") + c.orderBy, c.keyFields);
    const std::string oracle = Oracle(std::string("select id from w order by ") + c.orderBy + ", id");
    EXPECT_EQ(WalkIds(true), oracle);
    EXPECT_EQ(WalkIds(false), oracle);
    fDataSet->Close();
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
  }
}

// Columns the main select names through an alias, a common table or a derived table,
// whose names and origins its WHERE cannot see, and the columns of a union: the page
// statements compare the select's own expressions (the union's names), so both walks
// still see isql-fb's rows.
TEST_F(WindowTest, OrdersByColumnsOfAnAliasACommonTableADerivedTableOrAUnion) {
  const std::pair<const char*, const char*> cases[] = {
      {"with c as (select id, grp as g from w) select id, g from c order by g", "order by grp, id"},
      {"select id, grp * 2 as g from w order by g desc", "order by grp desc, id"},
      {"select d.id, d.g from (select id, grp g from w) d order by g", "order by grp, id"},
      {"select id, grp as g from w where id < 300 union all select id, grp from w where id > 9700 order by 2, 1",
       "where id < 300 or id > 9700 order by grp, id"},
  };
  for (const auto& [select, rest] : cases) {
    SCOPED_TRACE(select);
    OpenLimited(select, "ID");
    const std::string oracle = Oracle(std::string("select id from w ") + rest);
    EXPECT_EQ(WalkIds(false), oracle);
    EXPECT_EQ(WalkIds(true), oracle);
    // Back from the end past the window, then forward again: the page statement that
    // reads on from the window's edge compares the ordered columns.
    fDataSet->Last();
    for (int i = 0; i < 250; ++i) fDataSet->Prior();
    std::string tail;
    for (; !fDataSet->Eof(); fDataSet->Next()) tail += (tail.empty() ? "" : ";") + std::to_string(Id());
    EXPECT_TRUE(oracle.ends_with(";" + tail)) << tail;
    EXPECT_EQ(std::count(tail.begin(), tail.end(), ';'), 250);
    fDataSet->Close();
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
  }
}

TEST_F(WindowTest, BookmarkJumpsBindKeysOfEveryType) {
  const std::pair<const char*, const char*> keys[] = {
      {"big", ""}, {"num", ""}, {"name", ""}, {"d", ""}, {"ts", ""}, {"b, id", "B;ID"}, {"oct", ""},
  };
  for (const auto& [orderBy, keyFields] : keys) {
    SCOPED_TRACE(orderBy);
    OpenLimited(std::string("select id, big, num, name, d, ts, b, oct from w order by ") + orderBy, keyFields);
    fDataSet->MoveBy(2999);
    const Integer firstId = Id();
    const TBookmarkStr first = fDataSet->Bookmark();
    fDataSet->MoveBy(3000);
    const Integer secondId = Id();
    const TBookmarkStr second = fDataSet->Bookmark();
    fDataSet->Last();
    fDataSet->GotoBookmark(first);
    EXPECT_EQ(Id(), firstId);
    fDataSet->Last();
    fDataSet->GotoBookmark(second);
    EXPECT_EQ(Id(), secondId);
    EXPECT_EQ(fDataSet->FailedBookmarkMoves(), 0);
    EXPECT_EQ(std::to_string(Id()), Oracle(std::string("select id from w order by ") + orderBy +
                                           " rows 6000 to 6000"));
    fDataSet->Close();
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
  }
  // A null key: the first row of an ascending order.
  OpenLimited("select id, k from w order by k, id");
  ASSERT_TRUE(fDataSet->FieldByName("K")->IsNull());
  const TBookmarkStr nullKey = fDataSet->Bookmark();
  fDataSet->Last();
  fDataSet->GotoBookmark(nullKey);
  EXPECT_EQ(Id(), 13);
  EXPECT_TRUE(fDataSet->FieldByName("K")->IsNull());
}

TEST_F(WindowTest, ABookmarkJumpBindsWideTextOfAUnicodeConnection) {
  fDatabase->SetConnected(false);
  Configure(*fDatabase, WindowDatabase(), "UTF8");
  fDatabase->SetConnected(true);
  fTransaction->StartTransaction();
  OpenLimited("select id, wname from w order by wname desc");
  ASSERT_EQ(fDataSet->FieldByName("WNAME")->DataType(), ftWideString);
  fDataSet->MoveBy(4321);
  const TBookmarkStr bookmark = fDataSet->Bookmark();
  const Integer id = Id();
  fDataSet->First();
  fDataSet->GotoBookmark(bookmark);
  EXPECT_EQ(Id(), id);
  EXPECT_EQ(id, 10000 - 4321);
  EXPECT_EQ(fDataSet->FailedBookmarkMoves(), 0);
}

// A KOI8-R connection to a database of another character set: the pages continue after
// the window's edge in the column's own order, as the select orders the rows, not in the
// order of the connection's bytes; from a table and from a selectable procedure, and
// after an insert.
TEST_F(WindowTest, PagesOfAKoi8ConnectionFollowTheColumnsOrder) {
  for (const char* charset : {"WIN1251", "UTF8"}) {
    SCOPED_TRACE(charset);
    const TestDatabase letters("datasets/letters.sql", {3, charset});
    fDatabase->SetConnected(false);
    Configure(*fDatabase, letters, "KOI8R");
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    for (const char* source : {"letters", "letters_p"})
      for (const char* order : {"name", "name desc"}) {
        SCOPED_TRACE(std::string(source) + " " + order);
        const std::string select = std::string(" from ") + source + " order by " + order;
        OpenLimited("select id, name" + select);
        const std::string oracle = IsqlRows(letters, "select id" + select);
        EXPECT_EQ(WalkIds(true), oracle);
        EXPECT_EQ(WalkIds(false), oracle);
        fDataSet->Close();
        fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
      }
    // A record inserted at the start goes where the column's order puts it, and the next
    // record is the server's next one.
    fDataSet->InsertSQL().SetText("insert into letters (id, name) values (?id, ?name)");
    OpenLimited("select id, name from letters order by name");
    fDataSet->Insert();
    fDataSet->FieldByName("ID")->SetAsInteger(1000);
    fDataSet->FieldByName("NAME")->SetAsString(Utf8ToAnsi("ЖЖЖ"));
    fDataSet->Post();
    fDataSet->Next();
    EXPECT_EQ(std::to_string(Id()), IsqlRows(letters, "select first 1 id from letters where name > 'ЖЖЖ' order by name"));
    fDataSet->Close();
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkStandard);
    fDataSet->InsertSQL().Clear();
    fTransaction->Rollback();
    fDatabase->SetConnected(false);
  }
}

TEST_F(WindowTest, LocateOnTheServer) {
  OpenLimited("select id, k, name from w order by id");
  EXPECT_TRUE(fDataSet->Locate("NAME", Utf8ToAnsi("їжак 00420"), {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(Id(), 420);
  EXPECT_NE(fCounter.lastText["QLocate"].find("UPPER(W.NAME) starting with UPPER(?"), std::string::npos)
      << fCounter.lastText["QLocate"];
  EXPECT_TRUE(fDataSet->Locate("K", Null(), {}));
  EXPECT_EQ(Id(), 13);
  EXPECT_NE(fCounter.lastText["QLocate"].find("W.K is null"), std::string::npos);
  EXPECT_TRUE(fDataSet->Locate("K;ID", VarArrayOf({Variant(Null()), Variant(26)}), {}));
  EXPECT_EQ(Id(), 26);
  EXPECT_FALSE(fDataSet->Locate("NAME", "x' or 1=1 or 'x", {}));
  EXPECT_EQ(Id(), 26);
  EXPECT_THROW(fDataSet->Locate("K;ID", 5, {}), EDatabaseError);
  EXPECT_THROW(fDataSet->LocateOnServer(nullptr, "K;ID", {Variant(1)}, 0, {}), EDatabaseError);
  EXPECT_THROW(fDataSet->LocateOnServer(nullptr, "", {}, 0, {}), EFIBClientError);
}

TEST_F(WindowTest, CacheSearchesStayInTheWindowAndRecordsKeepTheirPlaces) {
  OpenLimited("select id, name from w order by id");
  fDataSet->MoveBy(10);
  EXPECT_THROW(fDataSet->SortByFields({"ID"}, {false}), EDatabaseError);
  EXPECT_THROW(fDataSet->MoveRecord(1, 2), EDatabaseError);
  EXPECT_TRUE(fDataSet->InternalLocate("ID", {Variant(5)}, ldFromFirst, false, {}));
  EXPECT_EQ(Id(), 5);
  EXPECT_FALSE(fDataSet->InternalLocate("ID", {Variant(500)}, ldFromFirst, false, {}));
  EXPECT_EQ(Id(), 5);
  fDataSet->SetRecNo(9);
  EXPECT_EQ(Id(), 9);
  fDataSet->SetRecNo(5000);
  EXPECT_EQ(Id(), 9);
  // A refresh reloads the window around the record it re-reads.
  fDataSet->RefreshSQL().SetText("select id, name from w where id = ?old_id");
  fDataSet->Refresh();
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(fDataSet->MoveBy(-8), -8);
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(fDataSet->Bof() || fDataSet->MoveBy(-1) == 0);
}

TEST_F(WindowTest, WhenTheModelMayBeChosen) {
  fDataSet->SelectSQL().SetText("select id from w");
  EXPECT_FALSE(fDataSet->CanUseLimitedBuffer());
  try {
    fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
    ADD_FAILURE() << "the model was chosen";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(),
              "Form.DataSet. Can't use limited cache. \r\nCachedUpdates must be False,\r\nSelect must have \"Order "
              "by\" clause ,\r\nAll order fields must exist in fields section\r\nSelect can't use params with prefix "
              "\"NEW_\"\r\nUpdateTransaction must be equel Transaction or AutoCommit=True ");
  }
  fDataSet->SelectSQL().SetText("select id from w order by id");
  EXPECT_TRUE(fDataSet->CanUseLimitedBuffer());
  fDataSet->SetCachedUpdates(true);
  EXPECT_FALSE(fDataSet->CanUseLimitedBuffer());
  fDataSet->SetCachedUpdates(false);
  fDataSet->SelectSQL().SetText("select id from w where id > :new_id order by id");
  fDataSet->Prepare();
  EXPECT_FALSE(fDataSet->CanUseLimitedBuffer());
  // An ORDER BY item that is no field of the select.
  fDataSet->SelectSQL().SetText("select id from w order by k");
  fDataSet->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
  EXPECT_THROW(fDataSet->Open(), EFIBClientError);
}

TEST_F(WindowTest, SortInformationAndMonitorSettingsOfThePageStatements) {
  OpenLimited("select id, grp, name from w order by grp desc nulls first, id");
  EXPECT_EQ(fDataSet->SortFieldCount(), 2);
  EXPECT_EQ(fDataSet->SortFieldNames(), "GRP;ID");
  const auto expectInfo = [this](Integer index, const char* name, Integer fieldIndex, Integer position,
                                  bool ascending, bool nullsFirst) {
    const auto info = fDataSet->GetSortFieldInfo(index);
    EXPECT_EQ(info.FieldName, name) << index;
    EXPECT_EQ(info.FieldIndex, fieldIndex) << index;
    EXPECT_EQ(info.Position, position) << index;
    EXPECT_EQ(info.Ascending, ascending) << index;
    EXPECT_EQ(info.NullsFirst, nullsFirst) << index;
  };
  expectInfo(0, "GRP", 1, 1, false, true);
  expectInfo(1, "ID", 0, 0, true, true);
  expectInfo(2, "Unknown", -1, -1, true, true);
  expectInfo(-1, "Unknown", -1, -1, true, true);

  // The monitor settings reach the page statements as they reach the main five.
  fDataSet->Last();
  fDataSet->CSMonitorSupport().SetIncludeDatasetDescription(false);
  fDataSet->CSMonitorSupport().SetEnabled(csmeEnabled);
  for (const char* name : {"SelectQuery", "RefreshQuery", "SelectDescQuery", "SelectPartQuery",
                           "SelectPartDescQuery", "SelectLocate"}) {
    auto* statement = dynamic_cast<TFIBQuery*>(fDataSet->FindComponent(name));
    ASSERT_NE(statement, nullptr) << name;
    EXPECT_EQ(statement->CSMonitorSupport().Enabled(), csmeEnabled) << name;
    EXPECT_FALSE(statement->CSMonitorSupport().IncludeDatasetDescription()) << name;
  }
}

}  // namespace
}  // namespace ordvane::test

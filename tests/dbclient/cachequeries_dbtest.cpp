// The statement pool with real statements on a real database: which statement a get
// hands out, what a return files, frees or leaves alone (a watcher component sees every
// statement that dies), and two threads that take and give back statements at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/pFIBCacheQueries.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

// Learns of the death of every component it watches.
class Watcher : public TComponent {
 public:
  Watcher() : TComponent(nullptr) {}
  void Watch(TComponent* component) { FreeNotification(component); }
  bool Died(const TComponent* component) const { return died.contains(component); }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) died.insert(component);
  }

 private:
  std::set<const TComponent*> died;
};

constexpr const char* kSelect = "select name from notes order by id";

class Pool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fDb = new test::TestDatabase("dbclient/services.sql", {3, "WIN1251"}); }
  static void TearDownTestSuite() {
    delete fDb;
    fDb = nullptr;
  }

  Pool() {
    test::Configure(*fDatabase, *fDb);
    fDatabase->SetSynchronizeTime(false);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->Connect();
  }

  static test::TestDatabase* fDb;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  Watcher fWatcher;
};
test::TestDatabase* Pool::fDb = nullptr;

TEST_F(Pool, ASecondStatementOfATakenKeyIsFreedOnReturn) {
  TFIBQuery* first = GetQuery(fTransaction, kSelect);
  TFIBQuery* second = GetQuery(fTransaction, kSelect);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->Database(), fDatabase);
  EXPECT_EQ(first->Transaction(), fTransaction);
  fWatcher.Watch(first);
  fWatcher.Watch(second);
  FreeQuery(first);
  FreeQuery(second);
  EXPECT_FALSE(fWatcher.Died(first));
  EXPECT_TRUE(fWatcher.Died(second));
  EXPECT_EQ(GetQuery(fTransaction, kSelect), first);
}

TEST_F(Pool, KeysIgnoreBlanksAtTheEndsAndFollowAChangedText) {
  TFIBQuery* query = GetQuery(fTransaction, kSelect);
  FreeQuery(query);
  EXPECT_EQ(GetQuery(fTransaction, std::string("  \r\n") + kSelect + "\r\n\t "), query);
  query->SQL().SetText("select id from notes");
  FreeQuery(query);
  EXPECT_NE(GetQuery(fTransaction, kSelect), query);
  EXPECT_EQ(GetQuery(fTransaction, "select id from notes"), query);
}

TEST_F(Pool, NothingWithoutADatabaseAndNothingFiledThatThePoolDidNotHandOut) {
  EXPECT_EQ(GetQuery(nullptr, kSelect), nullptr);
  TFIBTransaction lonely(nullptr);
  EXPECT_EQ(GetQuery(&lonely, kSelect), nullptr);
  FreeQuery(nullptr);

  auto* own = new TFIBQuery(&fForm);
  own->SetDatabase(fDatabase);
  own->SQL().SetText(kSelect);
  fWatcher.Watch(own);
  FreeQuery(own);
  EXPECT_FALSE(fWatcher.Died(own));
  EXPECT_NE(GetQuery(fTransaction, kSelect), own);
  FreeQuery(own);  // not handed out: still not filed
  EXPECT_EQ(own->Owner(), &fForm);
}

TEST_F(Pool, AReusedStatementIsClosedAndTakesTheNewTransaction) {
  TFIBQuery* query = GetQuery(fTransaction, kSelect);
  fTransaction->StartTransaction();
  query->ExecQuery();
  ASSERT_TRUE(query->Open());
  EXPECT_EQ(query->Current()[0].GetAsString(), Utf8ToAnsi("перший"));
  FreeQuery(query);

  auto* other = new TFIBTransaction(&fForm);
  other->SetDefaultDatabase(fDatabase);
  EXPECT_EQ(GetQuery(other, kSelect), query);
  EXPECT_FALSE(query->Open());
  EXPECT_EQ(query->Transaction(), other);
  fTransaction->Commit();
}

TEST_F(Pool, TheHandleOfAFreeStatementCanBeReleased) {
  TFIBQuery* query = GetQuery(fTransaction, kSelect);
  fTransaction->StartTransaction();
  query->Prepare();
  fTransaction->Commit();
  FreeQuery(query);
  FreeCachedQueryHandle(fDatabase, std::string(kSelect) + " ");
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(GetQuery(fTransaction, kSelect), query);
  FreeCachedQueryHandle(fDatabase, "select 1 from rdb$database");  // none of that text
}

TEST_F(Pool, StatementsGoWithTheirDatabaseAndAStatementDeletedElsewhereIsForgotten) {
  TFIBQuery* free = GetQuery(fTransaction, kSelect);
  TFIBQuery* handedOut = GetQuery(fTransaction, "select id from notes");
  TFIBQuery* deleted = GetQuery(fTransaction, "select body from notes");
  FreeQuery(free);
  fWatcher.Watch(free);
  fWatcher.Watch(handedOut);
  delete deleted;  // the pool forgets it, so the end of the database cannot free it again
  FreeQuery(handedOut);
  EXPECT_EQ(GetQuery(fTransaction, "select id from notes"), handedOut);

  // A statement moved to another database does not come back to this pool.
  auto* otherDatabase = new TFIBDatabase(&fForm);
  handedOut->SetDatabase(otherDatabase);
  FreeQuery(handedOut);
  EXPECT_TRUE(fWatcher.Died(handedOut));

  delete fDatabase;
  fDatabase = nullptr;
  EXPECT_TRUE(fWatcher.Died(free));
}

// Each thread works with its own database and transaction, as the blob cache's thread
// does, while both use the one pool.
TEST_F(Pool, TwoThreadsTakeAndGiveBackAtOnce) {
  constexpr int kRounds = 40;
  std::vector<Int64> values[2];
  auto work = [&](std::vector<Int64>& seen) {
    TFIBDatabase database(nullptr);
    test::Configure(database, *fDb);
    database.SetSynchronizeTime(false);
    database.Connect();
    for (int i = 0; i < kRounds; ++i) {
      seen.push_back(database.Gen_Id("G", 1));
      database.QueryValue(kSelect);
    }
  };
  std::thread one(work, std::ref(values[0]));
  std::thread two(work, std::ref(values[1]));
  one.join();
  two.join();
  std::set<Int64> all(values[0].begin(), values[0].end());
  all.insert(values[1].begin(), values[1].end());
  EXPECT_EQ(all.size(), 2u * kRounds);
  const Int64 last = std::stoll(test::IsqlRows(*fDb, "select gen_id(g, 0) from rdb$database"));
  EXPECT_EQ(*all.rbegin(), last);
  EXPECT_EQ(*all.begin(), last - 2 * Int64{kRounds} + 1);
}

}  // namespace
}  // namespace ordvane

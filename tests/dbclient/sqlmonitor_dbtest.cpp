// The database and transaction components tell the SQL monitor of connects and
// transactions; a reader of our own receives the texts.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "dbclient/FIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/dbclient/TraceReader.h"

namespace ordvane {
namespace {

TEST(MonitorHooks, ConnectTransactionsAndDisconnectReachTheReader) {
  // The channel's names are fixed, so two test processes reading at once would answer
  // each other's handshakes; the hooks do not depend on the tier, one run suffices.
  if (test::CurrentTier() == test::FbTier::Server) GTEST_SKIP() << "embedded tier only";
  test::TestDatabase db("", {3, "WIN1251"});
  TComponent form(nullptr);
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  database->SetName("dbMonitored");
  transaction->SetName("trMonitored");
  test::Configure(*database, db);
  database->SetSynchronizeTime(false);  // its query at connect would trace the internal transaction too
  transaction->SetDefaultDatabase(database);

  // Transactions and connects wanted; fetches, executes and prepares not.
  TraceReader reader({1, 1, 0, 0, 0});
  reader.Register();
  std::vector<std::string> bodies;
  // The reader answers while the components work, as an outside monitor would.
  std::jthread readerThread([&] {
    for (int i = 0; i < 5; ++i) bodies.push_back(reader.NextBody());
  });
  database->Connect();
  transaction->StartTransaction();
  const std::string id = std::to_string(test::CurrentTransaction(*database, *transaction));
  transaction->CommitRetaining();
  transaction->Rollback();
  database->Disconnect(false);
  readerThread.join();

  EXPECT_EQ(bodies,
            (std::vector<std::string>{"dbMonitored:[Connect]", "trMonitored:[Start transaction](" + id + ")",
                                      "trMonitored:[Commit retaining (Soft commit)](" + id + ")",
                                      "trMonitored:[Rollback](" + id + ")", "dbMonitored:[Disconnect]"}));
}

}  // namespace
}  // namespace ordvane

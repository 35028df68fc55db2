// The database and transaction components tell the SQL monitor of connects and
// transactions; a reader of our own receives the texts.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"
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

TEST(MonitorHooks, StatementsTracePreparesExecutesFetchesAndFailures) {
  if (test::CurrentTier() == test::FbTier::Server) GTEST_SKIP() << "embedded tier only";
  test::TestDatabase db("dbclient/query.sql", {3, "WIN1251"});
  TComponent form(nullptr);
  form.SetName("Form");
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  auto* query = new TFIBQuery(&form);
  query->SetName("Query");
  test::Configure(*database, db);
  test::ConnectStatement(*database, *transaction, *query);

  // Statements wanted; transactions and connects not.
  TraceReader reader({0, 0, 1, 1, 1});
  reader.Register();
  constexpr int kTexts = 10;
  std::vector<std::string> bodies;
  std::jthread readerThread([&] {
    for (int i = 0; i < kTexts; ++i) bodies.push_back(reader.NextBody());
  });
  query->SQL().SetText("select name from t where id = :id");
  query->ParamByName("ID").SetAsLong(2);
  query->ExecQuery();
  query->Next();
  const std::string select = query->TextToSend();
  query->Close();
  // A dataset's statement is traced under the name its dataset gives.
  query->SetOwnerDataSetName("ds");
  query->SQL().SetText("update t set name = :name where id < 3");
  query->ParamByName("NAME").Clear();
  query->ExecQuery();
  const std::string update = query->TextToSend();
  query->SetOwnerDataSetName("");
  query->SQL().SetText("select x from nowhere");
  EXPECT_THROW(query->Prepare(), EFIBInterBaseError);
  query->SQL().SetText("insert into t (id) values (1)");
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
  const std::string insert = query->TextToSend();
  readerThread.join();

  ASSERT_EQ(bodies.size(), static_cast<std::size_t>(kTexts));
  EXPECT_EQ(bodies[0], "Query:[Prepare] " + select + "\r\n Plan:\nPLAN (T INDEX (RDB$PRIMARY1))");
  EXPECT_TRUE(bodies[1].starts_with("Query:[Execute] " + select + "\r\nID = 2\r\nExecute tick count ")) << bodies[1];
  EXPECT_EQ(bodies[2], "Query:[Fetch] " + select + "\r\nNAME = 'two'");
  EXPECT_EQ(bodies[3], "Query:[Fetch] " + select + "\r\n End of file reached");
  EXPECT_EQ(bodies[4], "ds.Query:[Prepare] " + update + "\r\n Plan:\nPLAN (T INDEX (RDB$PRIMARY1))");
  EXPECT_TRUE(bodies[5].starts_with("ds.Query:[Execute] " + update + "\r\nNAME = <NULL>\r\nRows Affected:2\r\n"))
      << bodies[5];
  EXPECT_TRUE(bodies[6].starts_with("Form.Query:[Prepare] Query:\r\n")) << bodies[6];
  EXPECT_NE(bodies[6].find("NOWHERE"), std::string::npos) << bodies[6];
  EXPECT_EQ(bodies[7], "Query:[Prepare] " + insert + "\r\n Plan:Can't retrieve plan ");  // an insert has none
  // A failed execution: its trace without rows affected, then the failure.
  EXPECT_TRUE(bodies[8].starts_with("Query:[Execute] " + insert + "\r\nExecute tick count ")) << bodies[8];
  EXPECT_TRUE(bodies[9].starts_with("Form.Query:[Execute] Query:\r\n")) << bodies[9];
  EXPECT_NE(bodies[9].find("PRIMARY or UNIQUE KEY"), std::string::npos) << bodies[9];
}

}  // namespace
}  // namespace ordvane

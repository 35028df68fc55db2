// A dataset's own steps reach the SQL monitor beside its statements' prepares: a change
// of DataSet_ID and the preparation; a reader of our own receives the texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "datasets/pFIBDataSet.h"
#include "tests/dbclient/TraceReader.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

TEST(DataSetTraces, DataSetIdChangesAndPreparesReachTheReader) {
  // The channel's names are fixed: one run, in the embedded tier, reads them.
  if (CurrentTier() == FbTier::Server) GTEST_SKIP() << "embedded tier only";
  TestDatabase db("", {3, "WIN1251"});
  TComponent form(nullptr);
  form.SetName("Form");
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  auto* traced = new TpFIBDataSet(&form);
  traced->SetName("Traced");
  auto* other = new TpFIBDataSet(&form);
  other->SetName("Other");
  Configure(*database, db);
  database->SetSynchronizeTime(false);
  transaction->SetDefaultDatabase(database);
  database->Connect();
  transaction->StartTransaction();

  // Prepares only.
  TraceReader reader({0, 0, 0, 0, 1});
  reader.Register();
  std::vector<std::string> bodies;
  std::jthread readerThread([&] {
    // Until the select's own prepare, or a wait that ends without a text.
    for (int i = 0; i < 20; ++i) {
      bodies.push_back(reader.NextBody());
      if (bodies.back().empty() || bodies.back().find("[Prepare] select 1") != std::string::npos) break;
    }
  });
  // Without a database the repository is not read: the change is all there is to trace.
  traced->SetDataSet_ID(5);
  traced->SetDataSet_ID(5);
  traced->SetDataSet_ID(0);
  other->SetDatabase(database);
  other->SetTransaction(transaction);
  other->SelectSQL().SetText("select 1 as one from rdb$database");
  other->Prepare();
  readerThread.join();

  ASSERT_GE(bodies.size(), 4u);
  EXPECT_EQ(bodies[0], "Form.Traced change DataSetID ");
  EXPECT_EQ(bodies[1], "Form.Traced change DataSetID ");
  const auto prepare = std::find(bodies.begin(), bodies.end(), "Prepare Form.Other");
  ASSERT_NE(prepare, bodies.end());
  EXPECT_NE(bodies.back().find("[Prepare] select 1"), std::string::npos) << bodies.back();
  EXPECT_LT(prepare - bodies.begin(), static_cast<std::ptrdiff_t>(bodies.size()) - 1);
}

}  // namespace
}  // namespace ordvane::test

// A form that stores a connected database and an active transaction: reading it connects
// and starts them only once every setting is in place.

#include <gtest/gtest.h>

#include "classlib/core/Filer.h"
#include "dbclient/FIBStreaming.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

TEST(ClientStreamingOnADatabase, StoredConnectionAndTransactionStartAfterLoading) {
  RegisterFIBStreaming();
  test::TestDatabase db;
  TComponent module(nullptr);
  module.SetName("Module");
  auto* database = new TpFIBDatabase(&module);
  database->SetName("MainDB");
  test::Configure(*database, db);
  auto* transaction = new TpFIBTransaction(&module);
  transaction->SetName("DefTrans");
  transaction->SetDefaultDatabase(database);
  database->SetDefaultTransaction(transaction);
  database->SetConnected(true);
  transaction->StartTransaction();
  const AnsiString text = WriteComponentText(module);
  // "Connected" comes first: connecting at once would find no database name yet.
  ASSERT_LT(text.find("Connected = True"), text.find("DBName = "));
  ASSERT_NE(text.find("    Active = True\n"), AnsiString::npos) << text;

  TComponent copy(nullptr);
  ReadComponentText(text, copy);
  auto* copyDatabase = dynamic_cast<TpFIBDatabase*>(copy.FindComponent("MainDB"));
  auto* copyTransaction = dynamic_cast<TpFIBTransaction*>(copy.FindComponent("DefTrans"));
  ASSERT_TRUE(copyDatabase && copyTransaction);
  EXPECT_TRUE(copyDatabase->Connected());
  EXPECT_TRUE(copyTransaction->Active());
  EXPECT_NE(test::AttachmentId(*copyDatabase), test::AttachmentId(*database));

  // Without ddoStoreConnected the connection is not part of the form.
  database->SetDesignDBOptions({});
  EXPECT_EQ(WriteComponentText(module).find("Connected"), AnsiString::npos);
  EXPECT_EQ(WriteComponentText(module).find("Active"), AnsiString::npos);
}

}  // namespace
}  // namespace ordvane

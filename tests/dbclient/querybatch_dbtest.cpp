// A batch of texts run one by one in the statement's transaction, on a real server; isql-fb
// reads what became of them from a second attachment.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

constexpr ISC_STATUS kUniqueKeyViolation = 335544665;

class BatchTest : public test::StatementTest<> {
 protected:
  BatchTest() : StatementTest("dbclient/query.sql", 3) {
    fQuery->SetName("Batch");
    Connect("UTF8");
  }
  std::string Names() { return test::IsqlRows(fDb, "select id, name from t where id > 5 order by id"); }

};

TEST_F(BatchTest, TextsRunInOrderInOneTransaction) {
  fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (6, 'six')",
                                 "update t set name = name || '!' where id = 6",
                                 Utf8ToAnsi("insert into t (id, name) values (7, 'Київ')")});
  EXPECT_EQ(Names(), "");  // nothing committed yet
  fTransaction->Commit();
  EXPECT_EQ(Names(), "6|six!;7|Київ");
}

TEST_F(BatchTest, AFailingTextStopsTheRunAndIsNamed) {
  const std::vector<AnsiString> batch = {"insert into t (id, name) values (6, 'six')",
                                         "insert into t (id, name) values (1, 'again')",
                                         "insert into t (id, name) values (8, 'eight')"};
  try {
    fQuery->ExecuteImmediateBatch(batch);
    FAIL() << "the duplicate key passed";
  } catch (const EFIBInterBaseError& error) {
    EXPECT_EQ(error.IBErrorCode(), kUniqueKeyViolation);
    EXPECT_EQ(error.Sender(), fQuery);
    const std::string message = error.Message();
    EXPECT_NE(message.find("Violation of PRIMARY or UNIQUE KEY constraint"), std::string::npos) << message;
    EXPECT_NE(message.find(".\r\nBatch text 2 of 3 failed:\r\ninsert into t (id, name) values (1, 'again')"),
              std::string::npos)
        << message;
  }
  // The text before the failure is done in the transaction, the one after it never ran.
  fTransaction->Commit();
  EXPECT_EQ(Names(), "6|six");
}

TEST_F(BatchTest, ABlankTextRunsNothingAndAnAskedTransactionIsStarted) {
  EXPECT_THROW(fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (6, 'six')", " \r\n"}),
               EFIBClientError);
  fTransaction->Commit();
  EXPECT_EQ(Names(), "");

  EXPECT_THROW(fQuery->ExecuteImmediateBatch({"insert into t (id) values (9)"}), EFIBClientError);
  TpFIBQueryOptions options;
  options.Include(qoStartTransaction);
  fQuery->SetOptions(options);
  fQuery->ExecuteImmediateBatch({"insert into t (id, name) values (9, 'nine')"});
  ASSERT_TRUE(fTransaction->Active());
  fTransaction->Commit();
  EXPECT_EQ(Names(), "9|nine");
}

}  // namespace
}  // namespace ordvane

// A program that returns from main with its database connected and a transaction active
// ends that transaction by the transaction's own TimeoutAction: the program runs as a
// child, and isql-fb finds the row its committing transaction inserted.

#include <gtest/gtest.h>

#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

TEST(ProgramEnd, ADatabaseLeftOpenIsClosedAndItsTransactionCommits) {
  test::TestDatabase db("dbclient/query.sql");
  int exitCode = -1;
  const std::string output =
      test::RunCommand(test::ShellQuote(ORDVANE_PROGRAMEND_PROGRAM) + " " + test::ShellQuote(db.ConnectString()) + " " +
                           test::ShellQuote(db.User()) + " " + test::ShellQuote(db.Password()),
                       exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_EQ(output, "");
  EXPECT_EQ(test::IsqlRows(db, "select name from t where id = 100"), "left open");
}

}  // namespace
}  // namespace ordvane

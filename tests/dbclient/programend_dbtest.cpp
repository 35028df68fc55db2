// A program that returns from main with its database connected and a transaction active
// ends that transaction by the transaction's own TimeoutAction, also when a thread that
// has ended made them: the program runs as a child, and isql-fb finds the row its
// committing transaction inserted.

#include <gtest/gtest.h>

#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

// Runs the program on a fresh database and answers what isql-fb then finds of its row.
std::string RowLeftOpenBy(const std::string& extraArgument) {
  test::TestDatabase db("dbclient/query.sql");
  int exitCode = -1;
  const std::string output =
      test::RunCommand(test::ShellQuote(ORDVANE_PROGRAMEND_PROGRAM) + " " + test::ShellQuote(db.ConnectString()) + " " +
                           test::ShellQuote(db.User()) + " " + test::ShellQuote(db.Password()) + extraArgument,
                       exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_EQ(output, "");
  return test::IsqlRows(db, "select name from t where id = 100");
}

TEST(ProgramEnd, ADatabaseLeftOpenIsClosedAndItsTransactionCommits) {
  EXPECT_EQ(RowLeftOpenBy(""), "left open");
}

// The thread that made them has ended, so nothing can be using them any more.
TEST(ProgramEnd, ADatabaseOfAnEndedThreadIsClosedAsWell) {
  EXPECT_EQ(RowLeftOpenBy(" thread"), "left open");
}

}  // namespace
}  // namespace ordvane

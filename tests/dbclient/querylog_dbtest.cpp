// What a statement tells its database's SQL logger and statistics while it prepares,
// executes and fetches on a real server.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

struct LogLine {
  std::string object, operation, text;
  int kind;
};

class RecordingQueryLogger : public ISQLLogger {
 public:
  explicit RecordingQueryLogger(int flags) : fFlags(flags) {}
  void AttachDatabase(TFIBDatabase*) override {}
  void WriteData(const AnsiString& objectName, const AnsiString& operation, const AnsiString& parameters,
                 int kind) override {
    if (kind <= SQLLogFetch) lines.push_back({objectName, operation, parameters, kind});
  }
  int LogFlags() const override { return fFlags; }
  std::vector<LogLine> lines;

 private:
  int fFlags;
};

class QueryLogTest : public test::StatementTest<> {
 protected:
  QueryLogTest() : StatementTest("dbclient/query.sql", 3) {
    fQuery->SetName("Query");
    fDatabase->SetSynchronizeTime(false);
    Connect();
  }
  ~QueryLogTest() override { fDatabase->SetSQLLogger(nullptr); }

};

TEST_F(QueryLogTest, PrepareExecuteAndFetchLines) {
  RecordingQueryLogger logger(SQLLogFlagExecute | SQLLogFlagFetch);
  fDatabase->SetSQLLogger(&logger);
  fQuery->SQL().SetText("select id, name from t where id between :lo and :hi order by id");
  fQuery->Params()[0].SetAsLong(2);
  fQuery->Params()[1].SetAsLong(3);
  fQuery->ExecQuery();
  while (fQuery->Next() != nullptr) {
  }
  const std::string sent = fQuery->TextToSend();
  ASSERT_EQ(logger.lines.size(), 5u);
  EXPECT_EQ(logger.lines[0].object, "Form.Query");
  EXPECT_EQ(logger.lines[0].operation, "Prepare:");
  EXPECT_EQ(logger.lines[0].text, sent);
  EXPECT_EQ(logger.lines[0].kind, SQLLogPrepare);
  EXPECT_EQ(logger.lines[1].operation, "Execute query:");
  EXPECT_EQ(logger.lines[1].text, sent + "\r\nParams[0]='2'\r\nParams[1]='3'");
  EXPECT_EQ(logger.lines[1].kind, SQLLogExecute);
  EXPECT_EQ(logger.lines[2].operation, "Fetch:");
  EXPECT_EQ(logger.lines[2].text, "\r\nID = 2\r\nNAME = two\r\n");
  EXPECT_EQ(logger.lines[3].text, "\r\nID = 3\r\nNAME = three\r\n");
  EXPECT_EQ(logger.lines[4].text, "\r\n\r\n End of file reached");
  EXPECT_EQ(logger.lines[4].kind, SQLLogFetch);

  // A blob parameter is logged by its id, a null column as NULL.
  logger.lines.clear();
  fQuery->Close();
  fQuery->SQL().SetText("insert into t (id, data) values (:id, :data)");
  fQuery->Params()[0].SetAsLong(10);
  fQuery->Params()[1].SetAsString("bytes");
  fQuery->ExecQuery();
  ASSERT_EQ(logger.lines.size(), 2u);
  EXPECT_TRUE(std::regex_search(logger.lines[1].text, std::regex("\r\nParams\\[0\\]='10'\r\nParams\\[1\\]=\\(-?[0-9]+,-?[0-9]+\\)$")))
      << logger.lines[1].text;
  logger.lines.clear();
  fQuery->SQL().SetText("select name from t where id = 10");
  fQuery->ExecQuery();
  ASSERT_EQ(logger.lines.size(), 3u);
  EXPECT_EQ(logger.lines[2].text, "\r\nNAME = NULL\r\n");
}

TEST_F(QueryLogTest, FailuresAreLoggedAndFlagsChooseTheLines) {
  RecordingQueryLogger logger(SQLLogFlagExecute);
  fDatabase->SetSQLLogger(&logger);
  fQuery->SQL().SetText("select nothing from nowhere");
  EXPECT_THROW(fQuery->Prepare(), EFIBInterBaseError);
  ASSERT_EQ(logger.lines.size(), 1u);
  EXPECT_EQ(logger.lines[0].operation, "Error on Prepare:");
  EXPECT_EQ(logger.lines[0].text, "select nothing from nowhere\r\n");

  logger.lines.clear();
  fQuery->SQL().SetText("insert into t (id) values (1)");
  try {
    fQuery->ExecQuery();
    FAIL() << "the duplicate key passed";
  } catch (const EFIBInterBaseError& error) {
    ASSERT_EQ(logger.lines.size(), 2u);
    EXPECT_EQ(logger.lines[1].operation, "Error on execute query. Error message:\"" + error.Message() + "\"");
    EXPECT_EQ(logger.lines[1].text, fQuery->TextToSend());
  }

  // Without the fetch flag no fetch lines; without any flag only prepares.
  logger.lines.clear();
  fQuery->SQL().SetText("select id from t");
  fQuery->ExecQuery();
  EXPECT_EQ(logger.lines.size(), 2u);
  fQuery->Close();
  RecordingQueryLogger quiet(0);
  fDatabase->SetSQLLogger(&quiet);
  fQuery->SQL().SetText("select name from t");
  fQuery->ExecQuery();
  ASSERT_EQ(quiet.lines.size(), 1u);
  EXPECT_EQ(quiet.lines[0].operation, "Prepare:");
}

TEST_F(QueryLogTest, StatisticsCountPerStatementWhileActive) {
  TFIBStatistics& statistics = fDatabase->Statistics();
  fQuery->SQL().SetText("select count(*) from t where id > :lo");
  fQuery->Params()[0].SetAsLong(0);
  fQuery->ExecQuery();
  EXPECT_EQ(statistics.Of("Form.Query").ExecuteCount, 0);  // inactive: nothing kept

  statistics.SetActive(true);
  fQuery->FreeHandle();
  for (int i = 1; i <= 3; ++i) {
    fQuery->Params()[0].SetAsLong(i);
    fQuery->ExecQuery();
  }
  // A longer execution becomes the longest, with its parameters.
  fQuery->Close();
  fQuery->SQL().SetText(
      "execute block (n integer = :lo) as declare i integer = 0; begin while (i < n) do i = i + 1; end");
  fQuery->Params()[0].SetAsLong(1000000);
  fQuery->ExecQuery();
  const TFIBStatementStatistics figures = statistics.Of("Form.Query");
  EXPECT_EQ(figures.LastQueryName, "Form.Query");
  EXPECT_EQ(figures.PrepareCount, 2);
  EXPECT_EQ(figures.ExecuteCount, 4);
  EXPECT_EQ(figures.LastTimeExecute, static_cast<Int64>(fQuery->LastExecutionTime()));
  EXPECT_GE(figures.SumTimeExecute, figures.MaxTimeExecute);
  EXPECT_EQ(figures.AvgTimeExecute, (figures.SumTimeExecute + 2) / 4);
  ASSERT_GT(figures.MaxTimeExecute, 0);
  EXPECT_EQ(figures.MaxTimeExecute, figures.LastTimeExecute);
  EXPECT_EQ(figures.MaxTimeExecuteParams, std::vector<AnsiString>{"Params[0]='1000000'"});
  EXPECT_EQ(statistics.Of("Form.Other").ExecuteCount, 0);
}

}  // namespace
}  // namespace ordvane

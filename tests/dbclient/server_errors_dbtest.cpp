// Real server failures raised through the error model, compared with what the client
// library itself makes of the same status vector and with what isql-fb prints.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <barrier>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "classlib/core/Components.h"
#include "tests/dbclient/RawStatement.h"

namespace ordvane {
namespace {

using test::RawAttachment;

// The installed client's own entry points, reached without the binding.
class RawClient {
 public:
  RawClient() : fHandle(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL)) {
    if (!fHandle) throw std::runtime_error(dlerror());
    fSqlCode = reinterpret_cast<decltype(fSqlCode)>(dlsym(fHandle, "isc_sqlcode"));
    fInterpret = reinterpret_cast<decltype(fInterpret)>(dlsym(fHandle, "fb_interpret"));
  }
  ~RawClient() { dlclose(fHandle); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  ISC_LONG SqlCode(const ISC_STATUS* vector) const { return fSqlCode(vector); }
  std::vector<std::string> Lines(const ISC_STATUS* vector) const {
    std::vector<std::string> lines;
    char line[1024];
    while (fInterpret(line, sizeof line, &vector) > 0) lines.emplace_back(line);
    return lines;
  }

 private:
  void* fHandle;
  decltype(&::isc_sqlcode) fSqlCode;
  decltype(&::fb_interpret) fInterpret;
};

// What isql-fb printed for a failing statement: the lines between "Statement failed"
// and the closing "At line <n> in file <script>", without isql's leading "-".
std::vector<std::string> IsqlErrorLines(const test::TestDatabase& db, const std::string& sql) {
  std::string output;
  try {
    output = db.Isql(sql + ";\n");
  } catch (const std::runtime_error& e) {
    output = e.what();
  }
  std::vector<std::string> lines;
  std::istringstream in(output);
  bool inError = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Statement failed", 0) == 0)
      inError = true;
    else if (line.find(" in file ") != std::string::npos)
      inError = false;
    else if (inError)
      lines.push_back(line[0] == '-' ? line.substr(1) : line);
  }
  return lines;
}

// The server lines as the error model composes them from the client's lines.
std::string ComposedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::string line : lines) {
    if (!line.empty() && line[0] >= 'a' && line[0] <= 'z') line[0] = static_cast<char>(line[0] - 'a' + 'A');
    text += line + (line.empty() || line.back() != '.' ? ".\r\n" : "\r\n");
  }
  return text;
}

EFIBInterBaseError ErrorOf(RawAttachment& attachment, const std::string& sql) {
  try {
    attachment.Execute(sql);
  } catch (const EFIBInterBaseError& e) {
    return e;
  }
  throw std::logic_error("the statement did not fail: " + sql);
}

class ServerErrors : public testing::Test {
 protected:
  // Checks the error against the client's reading of the same (still intact) status
  // vector.
  void ExpectAsTheClientReports(const EFIBInterBaseError& e) {
    const ISC_STATUS* vector = StatusVector();
    EXPECT_EQ(e.SQLCode(), fRaw.SqlCode(vector));
    EXPECT_EQ(e.IBErrorCode(), vector[1]);
    EXPECT_EQ(e.IBMessage(), ComposedLines(fRaw.Lines(vector)));
    EXPECT_EQ(e.Sender(), &fDatabase);
    EXPECT_EQ(e.Message(), "Database:\r\n" + e.SQLMessage() + e.IBMessage());
  }

  // ... and against what isql-fb prints for the same statement.
  void ExpectAsIsqlPrints(const EFIBInterBaseError& e, const std::string& sql) {
    std::vector<std::string> isqlLines = IsqlErrorLines(fDb, sql);
    ASSERT_FALSE(isqlLines.empty());
    EXPECT_EQ(isqlLines, fRaw.Lines(StatusVector()));
    EXPECT_EQ(e.IBMessage(), ComposedLines(isqlLines));
  }

  void SetUp() override { fDatabase.SetName("Database"); }

  test::TestDatabase fDb{"dbclient/errors.sql"};
  TComponent fDatabase{nullptr};
  RawClient fRaw;
};

TEST_F(ServerErrors, StatementFailuresReadAsTheClientAndIsqlReportThem) {
  struct Case {
    const char* sql;
    ISC_LONG sqlCode;
    ISC_STATUS errorCode;
    ISC_STATUS laterCode;  // a code further down the vector
  };
  const Case cases[] = {
      {"select * from nosuch", -204, isc_dsql_error, isc_dsql_relation_err},
      {"insert into person (id, surname) values (1, 'Franko')", -803, isc_unique_key_violation,
       isc_idx_key_value},
  };
  RawAttachment attachment(fDb, "NONE", &fDatabase);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EFIBInterBaseError e = ErrorOf(attachment, c.sql);
    ExpectAsTheClientReports(e);
    EXPECT_EQ(e.SQLCode(), c.sqlCode);
    EXPECT_EQ(e.IBErrorCode(), c.errorCode);
    EXPECT_TRUE(StatusVectorContains({c.laterCode}));
    ExpectAsIsqlPrints(e, c.sql);
  }
  EXPECT_FALSE(StatusVectorContains({isc_dsql_relation_err}));
}

TEST_F(ServerErrors, ConnectionKilledFromASecondAttachment) {
  RawAttachment victim(fDb, "NONE", &fDatabase);
  victim.Execute("update person set surname = surname");
  {
    RawAttachment killer(fDb, "NONE", &fDatabase);
    killer.Execute("delete from mon$attachments where mon$attachment_id <> current_connection");
    killer.Commit();
  }
  EFIBInterBaseError e = ErrorOf(victim, "update person set surname = surname");
  ExpectAsTheClientReports(e);
  EXPECT_EQ(e.IBErrorCode(), isc_att_shutdown);
  EXPECT_EQ(e.SQLCode(), -902);
  EXPECT_EQ(e.IBMessage(), "Connection shutdown.\r\n");
}

TEST_F(ServerErrors, EachThreadKeepsItsOwnStatusVector) {
  struct Outcome {
    ISC_STATUS raised = 0;
    bool seesOwn = false;
    bool seesOther = true;
  };
  Outcome unknownTable, duplicate;
  std::barrier bothFailed(2);
  auto fail = [&](const std::string& sql, Outcome& outcome, ISC_STATUS own, ISC_STATUS other) {
    RawAttachment attachment(fDb, "NONE", &fDatabase);
    outcome.raised = ErrorOf(attachment, sql).IBErrorCode();
    bothFailed.arrive_and_wait();
    outcome.seesOwn = StatusVectorContains({own});
    outcome.seesOther = StatusVectorContains({other});
  };
  {
    std::jthread first(fail, "select * from nosuch", std::ref(unknownTable), isc_dsql_relation_err,
                       isc_unique_key_violation);
    std::jthread second(fail, "insert into person (id) values (1)", std::ref(duplicate),
                        isc_unique_key_violation, isc_dsql_relation_err);
  }
  EXPECT_EQ(unknownTable.raised, isc_dsql_error);
  EXPECT_EQ(duplicate.raised, isc_unique_key_violation);
  EXPECT_TRUE(unknownTable.seesOwn);
  EXPECT_FALSE(unknownTable.seesOther);
  EXPECT_TRUE(duplicate.seesOwn);
  EXPECT_FALSE(duplicate.seesOther);
}

}  // namespace
}  // namespace ordvane

// The statement component against a real server in dialects 1 and 3, with isql-fb as the
// oracle that reads what the statement did from a second attachment.

#include <gtest/gtest.h>

#include <string>

#include "dbclient/FIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

class QueryTest : public test::StatementTest<testing::TestWithParam<int>> {
 protected:
  QueryTest() : StatementTest("dbclient/query.sql", GetParam()) {
    fQuery->SetName("Query");
    Connect();
  }


};

TEST_P(QueryTest, SelectFetchesRowsToTheEnd) {
  TFIBQuery& q = Query("select id, name from t where id > :id order by id");
  q.Prepare();
  ASSERT_EQ(q.GetParamCount(), 1);
  q.Params()[0].SetAsLong(2);
  q.ExecQuery();
  // The first row is there without Next.
  EXPECT_FALSE(q.Eof());
  EXPECT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("ID").GetAsLong(), 3);
  std::string names = q.FieldByName("NAME").GetAsString();
  while (q.Next() != nullptr) names += "|" + q.GetFields(1).GetAsString();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.Next(), nullptr);
  EXPECT_EQ(names, Oracle("select cast(list(name, '|') as varchar(100)) from (select name from t where id > 2 order by id)"));
  EXPECT_EQ(q.RecordCount(), 3);
  q.Close();
  EXPECT_THROW(q.Next(), EFIBClientError);

  // An empty result is at its end right after the execution; its columns read as null.
  q.Params()[0].SetAsLong(100);
  q.ExecQuery();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_TRUE(q.FieldByName("ID").GetIsNull());

  // Without the first fetch the columns hold nothing until Next.
  q.SetGoToFirstRecordOnExecute(false);
  q.Params()[0].SetAsLong(4);
  q.ExecQuery();
  EXPECT_TRUE(q.FieldByName("NAME").GetIsNull());
  ASSERT_NE(q.Next(), nullptr);
  EXPECT_EQ(q.FieldByName("NAME").GetAsString(), "five");
}

TEST_P(QueryTest, NamesAndMisses) {
  TFIBQuery& q = Query("select id, name from t");
  q.ExecQuery();
  try {
    q.GetFields(-1);
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 41);
    EXPECT_NE(e.Message().find("Field \"Field No:-1\" not found."), std::string::npos) << e.Message();
  }
  EXPECT_EQ(q.FindField("MISSING"), nullptr);
  EXPECT_EQ(q.FieldIndex("NAME"), 1);
  try {
    q.ParamByName("X");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Parameter \"X\" does not exist in Form.Query");
  }
  try {
    q.SQL().SetText("select 1 from rdb$database");
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 28);
    EXPECT_NE(e.Message().find("Can't change sql text because Form.Query dataset open."), std::string::npos);
  }
  q.Close();
  q.SQL().SetText("  ");
  try {
    q.Prepare();
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 37);
  }
}

TEST_P(QueryTest, ExecuteProcedureGivesItsOutputsWithoutNext) {
  TFIBQuery& q = Query("execute procedure p_calc(:a, :b)");
  q.Prepare();
  ASSERT_EQ(q.SQLType(), SQLExecProcedure);
  q.Params()[0].SetAsLong(6);
  q.Params()[1].SetAsLong(7);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("S").GetAsLong(), 13);
  // An output is found through ParamByName too.
  EXPECT_EQ(q.ParamByName("P").GetAsLong(), 42);
  EXPECT_TRUE(q.Eof());
}

TEST_P(QueryTest, CommitAsStatementTextEndsTheTransaction) {
  Query("insert into t (id, name) values (10, 'ten')").ExecQuery();
  EXPECT_EQ(Oracle("select count(*) from t where id = 10"), "0");
  Query("COMMIT").ExecQuery();
  EXPECT_EQ(fQuery->SQLType(), SQLCommit);
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(Oracle("select name from t where id = 10"), "ten");
  fTransaction->StartTransaction();
  Query("delete from t where id = 10").ExecQuery();
  Query("rollback").ExecQuery();
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(Oracle("select count(*) from t where id = 10"), "1");
}

TEST_P(QueryTest, RowsAffectedMatchAFollowUpCount) {
  TFIBQuery& q = Query("update t set name = name || 'x' where id <= :id");
  q.Prepare();
  q.Params()[0].SetAsLong(3);
  q.ExecQuery();
  const int updated = q.RowsAffected();
  fTransaction->Commit();
  EXPECT_EQ(std::to_string(updated), Oracle("select count(*) from t where name like '%x'"));
  fTransaction->StartTransaction();
  Query("delete from t where id > 3").ExecQuery();
  EXPECT_EQ(fQuery->RowsAffected(), 2);
  Query("insert into t (id) select id + 100 from t").ExecQuery();
  EXPECT_EQ(fQuery->RowsAffected(), 3);
}

TEST_P(QueryTest, DataDefinitionRunsWithoutPreparing) {
  Query("create table added (a integer)").ExecQuery();
  EXPECT_FALSE(fQuery->Prepared());
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select count(*) from rdb$relations where rdb$relation_name = 'ADDED'"), "1");
}

TEST_P(QueryTest, CloseAfterTheServerDroppedTheCursor) {
  TFIBQuery& q = Query("select id from t");
  q.ExecQuery();
  ASSERT_TRUE(q.Open());
  // The transaction ends behind the statement's back: the server drops the cursor.
  ASSERT_EQ(fDatabase->ClientLibrary().isc_commit_transaction(StatusVector(), fTransaction->TRHandle()), 0);
  EXPECT_NO_THROW(q.Close());
  EXPECT_FALSE(q.Open());
  // Its handle is gone with the cursor; freeing it raises nothing either.
  EXPECT_NO_THROW(q.FreeHandle());
}

TEST_P(QueryTest, HardEndOfTheTransactionClosesTheStatement) {
  TFIBQuery& q = Query("select id from t");
  q.ExecQuery();
  fTransaction->CommitRetaining();
  EXPECT_TRUE(q.Open());
  fTransaction->Commit();
  EXPECT_FALSE(q.Open());
}

TEST_P(QueryTest, AutoCommitWithRetainingKeepsTheTransaction) {
  const auto attachmentTransactions = [&] {
    return Oracle("select count(*) from mon$transactions where mon$attachment_id = " +
                  std::to_string(test::AttachmentId(*fDatabase)));
  };
  fTransaction->SetTimeoutAction(TACommitRetaining);
  TFIBQuery& q = Query("insert into t (id, name) values (:id, 'auto')");
  q.SetOptions({qoAutoCommit});
  q.Prepare();
  const isc_tr_handle handle = *fTransaction->TRHandle();
  for (int id = 20; id < 23; ++id) {
    q.Params()[0].SetAsLong(id);
    q.ExecQuery();
    EXPECT_EQ(Oracle("select count(*) from t where name = 'auto'"), std::to_string(id - 19));
  }
  EXPECT_TRUE(fTransaction->Active());
  EXPECT_EQ(*fTransaction->TRHandle(), handle);
  EXPECT_EQ(attachmentTransactions(), "1");

  // A hard commit ends it; qoStartTransaction starts the next one.
  fTransaction->SetTimeoutAction(TARollback);
  q.SetOptions({qoAutoCommit, qoStartTransaction});
  q.Params()[0].SetAsLong(30);
  q.ExecQuery();
  EXPECT_FALSE(fTransaction->Active());
  EXPECT_EQ(attachmentTransactions(), "0");
  q.Params()[0].SetAsLong(31);
  q.ExecQuery();
  EXPECT_EQ(Oracle("select count(*) from t where id in (30, 31)"), "2");
}

TEST_P(QueryTest, FreeHandleAfterExecuteKeepsTheParameterValues) {
  TFIBQuery& q = Query("select name from t where id = :id");
  q.SetOptions({qoFreeHandleAfterExecute});
  q.Prepare();
  q.Params()[0].SetAsLong(2);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("NAME").GetAsString(), "two");
  EXPECT_EQ(q.Next(), nullptr);
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.Handle(), 0u);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("NAME").GetAsString(), "two");
}

TEST_P(QueryTest, ServerErrorsKeepTheStatementUsable) {
  TFIBQuery& q = Query("insert into t (id) values (:id)");
  q.Prepare();
  q.Params()[0].SetAsLong(1);
  EXPECT_THROW(q.ExecQuery(), EFIBInterBaseError);
  q.Params()[0].SetAsLong(50);
  q.ExecQuery();
  EXPECT_EQ(q.RowsAffected(), 1);
  Query("select bad_column from t");
  EXPECT_THROW(fQuery->Prepare(), EFIBInterBaseError);
  EXPECT_EQ(fQuery->Handle(), 0u);
}

TEST_P(QueryTest, ExecutableTextAndChangeCountLeaveTheStatementAsItWas) {
  TFIBQuery& q = Query("select name from @T%t where id = :id");
  const int counted = q.SQLChangeCount();
  q.SQL().SetText("select name from @T%t where id = :id order by 1");
  EXPECT_EQ(q.SQLChangeCount(), counted + 1);

  // A null operand is rewritten unless the option says no; the macro takes its value.
  q.Params().ByName("T")->SetAsString("t");
  q.Params().ByName("ID")->SetIsNull(true);
  EXPECT_EQ(q.BuildExecSQL(), "select name from t where id  IS NULL  order by 1\r\n");
  q.SetOptions({qoNoForceIsNull});
  EXPECT_EQ(q.BuildExecSQL(), "select name from t where id = :id order by 1\r\n");

  // Executed, then the macro changed and the text asked for: the next execution still
  // sees the change and reads the other table.
  q.Params().ByName("ID")->SetAsLong(2);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("NAME").GetAsString(), "two");
  q.Close();
  q.Params().ByName("T")->SetAsString("(select id, 'other' as name from rdb$database cross join t)");
  EXPECT_NE(q.BuildExecSQL().find("'other'"), AnsiString::npos);
  q.ExecQuery();
  EXPECT_EQ(q.FieldByName("NAME").GetAsString(), "other");
}

INSTANTIATE_TEST_SUITE_P(Dialects, QueryTest, testing::Values(1, 3),
                         [](const testing::TestParamInfo<int>& info) { return "dialect" + std::to_string(info.param); });

}  // namespace
}  // namespace ordvane

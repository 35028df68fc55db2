// Statements placed on forms: stored procedures executed by name in dialects 1 and 3, and
// the error event that retries a statement, on a real lock conflict between two
// transactions. isql-fb reads the results from a second attachment.

#include <gtest/gtest.h>

#include <string>

#include "classlib/core/StrUtils.h"
#include "dbclient/pFIBQuery.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

class StoredProcTest : public testing::TestWithParam<int> {
 protected:
  StoredProcTest() {
    fForm.SetName("Form");
    test::Configure(*fDatabase, fDb);
    fDatabase->SetConnected(true);
    for (TFIBTransaction* transaction : {fTransaction, fOther}) {
      // Neither waits for the other: a conflict is an error at once.
      for (const char* line : {"write", "nowait", "read_committed", "rec_version"}) transaction->TRParams().Add(line);
      transaction->SetDefaultDatabase(fDatabase);
    }
    fTransaction->StartTransaction();
  }

  template <class T>
  T* Statement(TFIBTransaction* transaction) {
    auto* statement = new T(&fForm);
    statement->SetDatabase(fDatabase);
    statement->SetTransaction(transaction);
    return statement;
  }
  std::string Balances() { return test::IsqlRows(fDb, "select balance from acct order by id"); }

  test::TestDatabase fDb{"dbclient/storedproc.sql", {GetParam(), "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBTransaction* fOther = new TFIBTransaction(&fForm);
};

TEST_P(StoredProcTest, ProcedureExecutedByName) {
  auto* proc = new TpFIBStoredProc(&fForm);
  proc->SetTransaction(fTransaction);
  // Without a database only the name is kept; the database brings the call text.
  proc->SetStoredProcName(" p_deposit ");
  EXPECT_TRUE(proc->SQL().Text().empty());
  proc->SetDatabase(fDatabase);
  // Dialect 1 trims and upper-cases the name; dialect 3 quotes a name that needs it.
  EXPECT_EQ(Trim(proc->SQL().Text()), GetParam() == 1 ? "EXECUTE PROCEDURE P_DEPOSIT (?ID, ?AMOUNT)"
                                                       : "EXECUTE PROCEDURE \" p_deposit \"");

  proc->SetStoredProcName("P_DEPOSIT");
  EXPECT_EQ(Trim(proc->SQL().Text()), "EXECUTE PROCEDURE P_DEPOSIT (?ID, ?AMOUNT)");
  proc->ParamByName("ID").SetAsLong(2);
  proc->ParamByName("AMOUNT").SetAsLong(5);
  proc->ExecProcedureCall();
  fTransaction->Commit();
  EXPECT_EQ(Balances(), "100;205");

  // A procedure without inputs: the name and a blank. Its output is read by name.
  fTransaction->StartTransaction();
  proc->SetStoredProcName("p_count");
  const std::string count = GetParam() == 1 ? "P_COUNT" : "\"p_count\"";
  EXPECT_EQ(proc->SQL().Strings(0), AnsiString("EXECUTE PROCEDURE " + count + " "));
  if (GetParam() == 3) {
    fDatabase->SetUpperOldNames(true);
    proc->SetStoredProcName("p_Count");
    EXPECT_EQ(proc->SQL().Strings(0), AnsiString("EXECUTE PROCEDURE P_COUNT "));
  }
  proc->ExecQuery();
  EXPECT_EQ(std::to_string(proc->ParamByName("N").GetAsLong()), test::IsqlRows(fDb, "select count(*) from acct"));

  // A blank name clears the text.
  proc->SetStoredProcName("  ");
  EXPECT_TRUE(proc->SQL().Text().empty());
}

TEST_P(StoredProcTest, QuotedNamesInDialect3) {
  if (GetParam() != 3) GTEST_SKIP() << "quoted names exist in dialect 3 only";
  fDb.Isql(
      "set term ^;\ncreate procedure \"Deposit It\" (\"Acct Id\" integer, amount integer) as begin\n"
      "update acct set balance = balance + :amount where id = :\"Acct Id\"; end^\nset term ;^\ncommit;\n");
  auto* proc = Statement<TpFIBStoredProc>(fTransaction);
  proc->SetStoredProcName("Deposit It");
  EXPECT_EQ(Trim(proc->SQL().Text()), "EXECUTE PROCEDURE \"Deposit It\" (?\"Acct Id\", ?AMOUNT)");
  proc->SetStoredProcName("\"Deposit It\"");
  proc->ParamByName("\"Acct Id\"").SetAsLong(1);
  proc->ParamByName("AMOUNT").SetAsLong(7);
  proc->ExecQuery();
  fTransaction->Commit();
  EXPECT_EQ(Balances(), "107;200");
}

TEST_P(StoredProcTest, OnlyProcedureTextsRunAsProcedureCalls) {
  auto* query = Statement<TpFIBQuery>(fTransaction);
  query->SQL().SetText("update acct set balance = 0");
  query->ExecProcedureCall();
  fTransaction->Commit();
  EXPECT_EQ(Balances(), "100;200");
  EXPECT_EQ(query->About().substr(0, 9), "Internal ");
}

TEST_P(StoredProcTest, ErrorEventRetriesAfterALockConflict) {
  fOther->StartTransaction();
  auto* holder = Statement<TFIBQuery>(fOther);
  holder->SQL().SetText("update acct set balance = balance + 1 where id = 1");
  holder->ExecQuery();

  auto* query = Statement<TpFIBQuery>(fTransaction);
  query->SQL().SetText("update acct set balance = balance + 10 where id = :id");
  query->ParamByName("ID").SetAsLong(1);
  int errors = 0;
  query->OnExecuteError = [&](TpFIBQuery* sender, EFIBError& e, TDataAction& action) {
    EXPECT_EQ(sender, query);
    EXPECT_NE(e.Message().find("Update conflicts with concurrent update"), std::string::npos) << e.Message();
    ++errors;
    fOther->Commit();  // the other transaction lets go of the row
    action = daRetry;
  };
  query->ExecQuery();
  fTransaction->Commit();
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(Balances(), "111;200");

  // Retry once, then fail: the statement ran twice and the second error comes out.
  fTransaction->StartTransaction();
  query->SQL().SetText("insert into acct values (1, 0)");
  errors = 0;
  query->OnExecuteError = [&](TpFIBQuery*, EFIBError&, TDataAction& action) {
    action = ++errors == 1 ? daRetry : daFail;
  };
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
  EXPECT_EQ(errors, 2);
  query->OnExecuteError = [](TpFIBQuery*, EFIBError&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(query->ExecQuery(), EAbort);
  // Without a handler the error passes.
  query->OnExecuteError = nullptr;
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
}

TEST_P(StoredProcTest, UpdateObjectRunsAsAStatementOfItsOwn) {
  auto* object = Statement<TpFIBUpdateObject>(fTransaction);
  EXPECT_TRUE(object->ParamCheck());
  EXPECT_TRUE(object->Active());
  EXPECT_EQ(object->KindUpdate(), ukModify);
  EXPECT_EQ(object->ExecuteOrder(), oeBeforeDefault);
  object->SetKindUpdate(ukInsert);
  object->SetOrderInList(2);
  object->SetExecuteOrder(oeAfterDefault);
  EXPECT_EQ(object->KindUpdate(), ukInsert);
  EXPECT_EQ(object->OrderInList(), 2);
  EXPECT_EQ(object->ExecuteOrder(), oeAfterDefault);

  object->SQL().SetText("update acct set balance = balance - :amount where id = :id");
  object->ParamByName("AMOUNT").SetAsLong(30);
  object->ParamByName("ID").SetAsLong(2);
  object->ExecQuery();
  fTransaction->Commit();
  EXPECT_EQ(Balances(), "100;170");
}

INSTANTIATE_TEST_SUITE_P(Dialects, StoredProcTest, testing::Values(1, 3));

}  // namespace
}  // namespace ordvane

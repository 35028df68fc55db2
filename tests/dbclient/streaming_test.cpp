// The client components written to a form and read back, with no database: what they
// store is their settings, not a connection.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/Filer.h"
#include "dbclient/FIBStreaming.h"
#include "dbclient/pFIBDatabase.h"
#include "dbclient/pFIBQuery.h"

namespace ordvane {
namespace {

class ClientStreaming : public ::testing::Test {
 protected:
  ClientStreaming() { RegisterFIBStreaming(); }

  // A data module with the components the program keeps on its main form.
  static void Fill(TComponent& module) {
    module.SetName("Module");
    auto* database = new TpFIBDatabase(&module);
    database->SetName("MainDB");
    database->SetDBName(Utf8ToAnsi("/дані/Q417.FDB"));
    database->DBParams().Add("user_name=SYSDBA");
    database->DBParams().Add("password=masterkey");
    database->DBParams().Add("lc_ctype=WIN1251");
    database->SetSQLDialect(3);
    database->SetSaveAliasParamsAfterConnect(false);
    database->SetWaitForRestoreConnect(5000);
    database->CacheSchemaOptions().SetValidateAfterLoad(false);
    database->BlobSwapSupport().SetSwapDir("{APP_PATH}cache");
    auto* transaction = new TpFIBTransaction(&module);
    transaction->SetName("DefTrans");
    transaction->SetDefaultDatabase(database);
    transaction->SetTimeoutAction(TACommitRetaining);
    transaction->SetTPBMode(tpbDefault);
    transaction->TRParams().Add("read");
    database->SetDefaultTransaction(transaction);
    auto* query = new TpFIBQuery(&module);
    query->SetName("Query");
    query->SetDatabase(database);
    query->SetTransaction(transaction);
    query->SQL().Add(Utf8ToAnsi("select * from T001 where NAME = 'Їжак'"));
    query->SetParamCheck(false);
    query->SetOptions({qoAutoCommit, qoNoForceIsNull, qoFreeHandleAfterExecute});
    query->Conditions().AddCondition("ByName", "NAME starting 'A'", true);
    query->Conditions().AddCondition("Off", "", false);
  }

  static TComponent& Find(const TComponent& module, const char* name) {
    TComponent* found = module.FindComponent(name);
    if (found == nullptr) throw Exception(AnsiString("no ") + name);
    return *found;
  }
};

TEST_F(ClientStreaming, ADataModuleComesBackPropertyByProperty) {
  TComponent module(nullptr);
  Fill(module);
  const AnsiString text = WriteComponentText(module);
  TComponent copy(nullptr);
  ReadComponentText(text, copy);

  auto& database = dynamic_cast<TpFIBDatabase&>(Find(copy, "MainDB"));
  auto& transaction = dynamic_cast<TpFIBTransaction&>(Find(copy, "DefTrans"));
  auto& query = dynamic_cast<TpFIBQuery&>(Find(copy, "Query"));
  auto& original = dynamic_cast<TpFIBDatabase&>(Find(module, "MainDB"));
  EXPECT_EQ(database.DBName(), original.DBName());
  EXPECT_TRUE(database.DBParams().Equals(&original.DBParams()));
  EXPECT_EQ(database.SQLDialect(), 3);
  EXPECT_FALSE(database.SaveAliasParamsAfterConnect());
  EXPECT_EQ(database.WaitForRestoreConnect(), 5000U);
  EXPECT_FALSE(database.CacheSchemaOptions().ValidateAfterLoad());
  EXPECT_EQ(database.BlobSwapSupport().SwapDir(), "{APP_PATH}cache");
  EXPECT_EQ(database.DefaultTransaction(), &transaction);
  EXPECT_EQ(transaction.DefaultDatabase(), &database);
  EXPECT_EQ(transaction.TimeoutAction(), TACommitRetaining);
  EXPECT_EQ(transaction.TPBMode(), tpbDefault);
  EXPECT_EQ(transaction.TRParams().Text(), "read\r\n");
  EXPECT_EQ(query.Database(), &database);
  EXPECT_EQ(query.Transaction(), &transaction);
  EXPECT_EQ(query.SQL().Strings(0), Utf8ToAnsi("select * from T001 where NAME = 'Їжак'"));
  EXPECT_FALSE(query.ParamCheck());
  // The handle option is the program's, not the form's.
  EXPECT_EQ(query.Options(), TpFIBQueryOptions({qoAutoCommit, qoNoForceIsNull}));
  ASSERT_EQ(query.Conditions().Count(), 2);
  EXPECT_EQ(query.Conditions().Strings(0), "ByName=NAME starting 'A'");
  EXPECT_TRUE(query.Conditions().FindCondition("ByName")->Enabled());
  EXPECT_EQ(query.Conditions().Strings(1), "Off=");
  EXPECT_FALSE(query.Conditions().FindCondition("Off")->Enabled());
  EXPECT_EQ(WriteComponentText(copy), text);
}

TEST_F(ClientStreaming, StatementOptionsAndConditionsAsStored) {
  TpFIBQuery query(nullptr);
  query.SetName("Q");
  query.SetOptions({qoStartTransaction, qoTrimCharFields, qoFreeHandleAfterExecute});
  query.Conditions().AddCondition("A", "X = 1", true);
  query.Conditions().AddCondition("B", "", false);
  EXPECT_EQ(WriteComponentText(query),
            "object Q: TpFIBQuery\n"
            "  Conditions.Data = (\n"
            "    \"A\"\n    \"X = 1\"\n    True\n    \"B\"\n    \"'\"\n    False)\n"
            "  qoStartTransaction = True\n"
            "  qoTrimCharFields = True\nend\n");
  // Against an ancestor a Boolean is written where it differs, also as False.
  TpFIBQuery ancestor(nullptr);
  ancestor.SetOptions({qoAutoCommit, qoStartTransaction});
  ancestor.Conditions().Assign(&query.Conditions());
  EXPECT_EQ(WriteComponentText(query, &ancestor),
            "object Q: TpFIBQuery\n  qoAutoCommit = False\n  qoTrimCharFields = True\nend\n");
}

TEST_F(ClientStreaming, ConditionsInheritedChangedAndDeleted) {
  TpFIBQuery ancestor(nullptr);
  ancestor.Conditions().AddCondition("Same", "A = 1", true);
  ancestor.Conditions().AddCondition("Toggled", "B = 2", true);
  ancestor.Conditions().AddCondition("Edited", "C = 3", false);
  ancestor.Conditions().AddCondition("Gone", "D = 4", true);
  TpFIBQuery query(nullptr);
  query.SetName("Q");
  query.Conditions().Assign(&ancestor.Conditions());
  query.Conditions().FindCondition("Toggled")->SetEnabled(false);
  query.Conditions().AddCondition("Edited", "C = 33", false);
  query.Conditions().RemoveCondition("Gone");
  query.Conditions().AddCondition("New", "", true);
  const AnsiString text = WriteComponentText(query, &ancestor);
  EXPECT_EQ(text,
            "object Q: TpFIBQuery\n  Conditions.Data = (\n"
            "    \"Toggled\"\n    \"0\"\n    False\n"
            "    \"Edited\"\n    \"C = 33\"\n    False\n"
            "    \"New\"\n    \"'\"\n    True\n"
            "    \"#@DELETED\"\n    \"Gone\")\nend\n");
  // Read over the inherited form, the conditions end as the descendant's.
  TpFIBQuery derived(nullptr);
  derived.Conditions().Assign(&ancestor.Conditions());
  ReadComponentText(text, derived);
  EXPECT_TRUE(derived.Conditions().Equals(&query.Conditions()));
  for (int i = 0; i < query.Conditions().Count(); ++i)
    EXPECT_EQ(derived.Conditions().Condition(i)->Enabled(), query.Conditions().Condition(i)->Enabled()) << i;
}

TEST_F(ClientStreaming, OlderFormsAreStillRead) {
  TpFIBDatabase database(nullptr);
  ReadComponentText("object DB: TpFIBDatabase\n  SaveDBParams = False\nend\n", database);
  EXPECT_FALSE(database.SaveAliasParamsAfterConnect());
  const AnsiString written = WriteComponentText(database);
  EXPECT_EQ(written.find("SaveDBParams"), AnsiString::npos);
  EXPECT_NE(written.find("SaveAliasParamsAfterConnect = False"), AnsiString::npos);

  TpFIBQuery query(nullptr);
  ReadComponentText(
      "object Q: TpFIBQuery\n  Conditions.Strings = (\n    \"A=X = 1\"\n    \"B=Y = 2\"\n    \"C=Z = 3\")\n"
      "  Conditions.Enabled = \",1,0,1\"\nend\n",
      query);
  ASSERT_EQ(query.Conditions().Count(), 3);
  EXPECT_TRUE(query.Conditions().FindCondition("A")->Enabled());
  EXPECT_FALSE(query.Conditions().FindCondition("B")->Enabled());
  EXPECT_TRUE(query.Conditions().FindCondition("C")->Enabled());
}

TEST_F(ClientStreaming, PasswordStaysOutWhenAsked) {
  TpFIBDatabase database(nullptr);
  database.SetName("DB");
  database.DBParams().Add("user_name=SYSDBA");
  database.DBParams().Add("password=masterkey");
  database.SetDesignDBOptions({ddoStoreConnected, ddoNotSavePassword});
  const AnsiString text = WriteComponentText(database);
  EXPECT_EQ(text.find("masterkey"), AnsiString::npos);
  EXPECT_NE(text.find("\"user_name=SYSDBA\""), AnsiString::npos);
  EXPECT_EQ(database.DBParams().Count(), 2);
  database.SetDesignDBOptions({ddoStoreConnected});
  EXPECT_NE(WriteComponentText(database).find("\"password=masterkey\""), AnsiString::npos);
}

TEST_F(ClientStreaming, EveryCutOfADataModuleIsRefusedAndLeavesNothing) {
  TComponent module(nullptr);
  Fill(module);
  const AnsiString text = WriteComponentText(module);
  int cuts = 0;
  for (std::size_t end = text.find('\n'); end + 1 < text.size(); end = text.find('\n', end + 1), ++cuts) {
    TComponent copy(nullptr);
    EXPECT_THROW(ReadComponentText(text.substr(0, end + 1), copy), EReadError) << end;
    EXPECT_EQ(copy.ComponentCount(), 0) << end;
  }
  EXPECT_GT(cuts, 30);
}

TEST_F(ClientStreaming, WrongValuesNameTheProperty) {
  TComponent module(nullptr);
  try {
    ReadComponentText("object M: TComponent\n  object Q: TpFIBQuery\n    qoAutoCommit = 1\n  end\nend\n",
                      module);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(),
              "Line 3: property \"qoAutoCommit\" of class TpFIBQuery (Q): expected a name, found an integer");
  }
  EXPECT_EQ(module.ComponentCount(), 0);
}

}  // namespace
}  // namespace ordvane

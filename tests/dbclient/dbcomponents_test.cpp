// Database and transaction components without a server: the lists that tie databases,
// transactions and links together, parameter lines, option objects and the errors of
// components that are not connected.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "classlib/core/FileUtils.h"
#include "classlib/core/StrUtils.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

class Components : public testing::Test {
 protected:
  Components() {
    fForm.SetName("Form");
    fDatabase->SetName("Database");
  }
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
};

TEST_F(Components, TransactionSlotsEmptyAndFillAgainAndUnlinkBothSides) {
  // Slot 0 is the database's own internal transaction.
  ASSERT_EQ(fDatabase->TransactionCount(), 1);
  TFIBTransaction* t[4];
  for (auto*& transaction : t) {
    transaction = new TFIBTransaction(&fForm);
    transaction->AddDatabase(fDatabase);
  }
  EXPECT_EQ(fDatabase->IndexOfTransaction(t[3]), 4);
  fDatabase->SetDefaultTransaction(t[1]);
  fDatabase->SetDefaultUpdateTransaction(t[2]);
  EXPECT_EQ(t[1]->DefaultDatabase(), fDatabase);

  fDatabase->RemoveTransaction(2);  // t[1]
  fDatabase->RemoveTransaction(3);  // t[2]
  EXPECT_EQ(fDatabase->TransactionCount(), 5);
  EXPECT_EQ(fDatabase->GetTransaction(2), nullptr);
  EXPECT_EQ(fDatabase->GetTransaction(3), nullptr);
  // Both sides forget each other, defaults included.
  EXPECT_EQ(t[1]->FindDatabase(fDatabase), -1);
  EXPECT_EQ(t[1]->DefaultDatabase(), nullptr);
  EXPECT_EQ(fDatabase->DefaultTransaction(), nullptr);
  EXPECT_EQ(fDatabase->DefaultUpdateTransaction(), nullptr);

  auto* late = new TFIBTransaction(&fForm);
  EXPECT_EQ(late->AddDatabase(fDatabase), 0);
  EXPECT_EQ(fDatabase->IndexOfTransaction(late), 2);
  EXPECT_EQ(fDatabase->AddTransaction(late), 2);  // its own slot when listed
  EXPECT_EQ(fDatabase->AddTransaction(t[1]), 3);

  // A transaction that dies leaves its slot empty and the database's defaults clear.
  fDatabase->SetDefaultTransaction(t[3]);
  delete t[3];
  EXPECT_EQ(fDatabase->GetTransaction(4), nullptr);
  EXPECT_EQ(fDatabase->DefaultTransaction(), nullptr);
  EXPECT_EQ(fDatabase->ActiveTransactionCount(), 0);
  EXPECT_EQ(fDatabase->FirstActiveTransaction(), nullptr);
}

TEST_F(Components, ADyingDatabaseLeavesItsTransactionsAndLinksClean) {
  auto* transaction = new TFIBTransaction(&fForm);
  transaction->SetDefaultDatabase(fDatabase);
  fDatabase->SetDefaultTransaction(transaction);
  TComponent statement(&fForm);
  TFIBBase link(&statement);
  std::string told;
  link.OnDatabaseFree = [&](TFIBBase* l) {
    EXPECT_EQ(l->Database(), fDatabase);
    told += "database free;";
  };
  link.SetDatabase(fDatabase);
  // An owned link takes the database's default transaction.
  EXPECT_EQ(link.Transaction(), transaction);
  int destroyHandlerCalls = 0;
  fDatabase->DestroyHandlers().Add([&](TObject* sender) {
    EXPECT_EQ(sender, fDatabase);
    ++destroyHandlerCalls;
  });

  delete fDatabase;
  EXPECT_EQ(told, "database free;");
  EXPECT_EQ(destroyHandlerCalls, 1);
  EXPECT_EQ(link.Database(), nullptr);
  EXPECT_EQ(link.Transaction(), nullptr);
  EXPECT_EQ(transaction->LinkCount(), 0);
  EXPECT_EQ(transaction->DatabaseCount(), 0);
  EXPECT_EQ(transaction->DefaultDatabase(), nullptr);
  EXPECT_EQ(transaction->MainDatabase(), nullptr);
}

TEST_F(Components, LinksMoveTheLastIntoAFreedIndexAndFollowTheirTransaction) {
  auto* transaction = new TFIBTransaction(&fForm);
  transaction->AddDatabase(fDatabase);
  TFIBBase first(nullptr), second(nullptr), third(nullptr);
  for (TFIBBase* link : {&first, &second, &third}) {
    link->SetDatabase(fDatabase);
    link->SetTransaction(transaction);
  }
  // A link without an owner takes no default transaction; these were given one.
  EXPECT_EQ(fDatabase->SQLObjectCount(), 3);
  second.SetDatabase(nullptr);
  EXPECT_EQ(fDatabase->SQLObjectCount(), 2);
  EXPECT_EQ(fDatabase->GetSQLObject(1), &third);
  third.SetDatabase(nullptr);  // its moved index is right
  EXPECT_EQ(fDatabase->SQLObjectCount(), 1);
  EXPECT_EQ(fDatabase->GetSQLObject(0), &first);

  transaction->RemoveLink(0);
  EXPECT_EQ(first.Transaction(), nullptr);
  EXPECT_EQ(transaction->Links(0), &third);
  EXPECT_EQ(third.Transaction(), transaction);

  // A link that joins a transaction of another database follows it there.
  auto* other = new TFIBDatabase(&fForm);
  auto* otherTransaction = new TFIBTransaction(&fForm);
  otherTransaction->SetDefaultDatabase(other);
  first.SetTransaction(otherTransaction);
  EXPECT_EQ(first.Database(), other);
  EXPECT_EQ(fDatabase->SQLObjectCount(), 0);

  // A dying transaction tells its links, last first, and they forget it.
  std::string order;
  second.SetTransaction(otherTransaction);
  first.OnTransactionFree = [&](TFIBBase*) { order += "first;"; };
  second.OnTransactionFree = [&](TFIBBase*) { order += "second;"; };
  delete otherTransaction;
  EXPECT_EQ(order, "second;first;");
  EXPECT_EQ(first.Transaction(), nullptr);
  EXPECT_EQ(second.Transaction(), nullptr);
}

TEST_F(Components, ATransactionRefusesADatabaseOfAnotherClientLibrary) {
  auto* transaction = new TFIBTransaction(&fForm);
  transaction->SetName("Trans");
  transaction->AddDatabase(fDatabase);
  auto* other = new TFIBDatabase(&fForm);
  other->SetLibraryName("libfbclient.so.3");
  EXPECT_EQ(ErrorOf<Exception>([&] { transaction->AddDatabase(other); }),
            "Form.Trans.\r\nTransaction can't work with different client library.");
  EXPECT_EQ(transaction->DatabaseCount(), 1);
  EXPECT_EQ(other->IndexOfTransaction(transaction), -1);
  // Nor can it become the default database: the transaction stays as it was.
  EXPECT_THROW(other->SetDefaultTransaction(transaction), Exception);
  // Moving the default to it fails on the database that stays, and changes nothing.
  auto* third = new TFIBDatabase(&fForm);
  transaction->SetDefaultDatabase(fDatabase);
  transaction->AddDatabase(third);
  EXPECT_THROW(transaction->SetDefaultDatabase(other), Exception);
  EXPECT_EQ(transaction->DefaultDatabase(), fDatabase);
  EXPECT_GE(transaction->FindDatabase(fDatabase), 0);
  EXPECT_EQ(transaction->DatabaseCount(), 2);
  EXPECT_GE(fDatabase->IndexOfTransaction(transaction), 0);
  // A transaction on that database alone may move to it.
  auto* lone = new TFIBTransaction(&fForm);
  lone->SetDefaultDatabase(fDatabase);
  lone->SetDefaultDatabase(other);
  EXPECT_EQ(lone->FindDatabase(fDatabase), -1);
  EXPECT_EQ(lone->Databases(0), other);
}

TEST_F(Components, ErrorsOfComponentsThatAreNotConnected) {
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDatabase->CheckActive(); }),
            "Database: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDatabase->Connect(); }), "Database name is missing.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDatabase->Disconnect(false); }),
            "Database: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDatabase->SetSQLDialect(0); }), "SQL Dialect invalid");
  EXPECT_FALSE(fDatabase->TestConnected());

  auto* transaction = new TFIBTransaction(&fForm);
  transaction->SetName("Trans");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { transaction->StartTransaction(); }),
            "Form.Trans :No databases are listed in transaction component.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { transaction->Commit(); }), "Form.Trans :Transaction is not active.");
  transaction->AddDatabase(fDatabase);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { transaction->StartTransaction(); }),
            "Database: Cannot perform operation -- DB is not open.");
  EXPECT_EQ(transaction->TransactionID(), 0);
  EXPECT_FALSE(transaction->Active());
  transaction->SetActive(false);  // nothing to do

  TFIBBase link(&fForm);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { link.CheckDatabase(); }), "Database not assigned for Form.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { link.CheckTransaction(); }), "Transaction not assigned for Form.");
  TFIBBase unowned(nullptr);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { unowned.CheckDatabase(); }), "Database not assigned for .");

  EXPECT_EQ(ErrorOf<EAssertionFailed>([&] { transaction->AddEvent([](TObject*) {}, 2); }).rfind("Assertion failure", 0),
            0u);
  EXPECT_THROW(transaction->AddCallBack([](TFIBTransaction*, TTransactionAction, bool) {}, 1), EAssertionFailed);
}

TEST_F(Components, ParameterLinesThroughConnectParams) {
  TDBParams& params = fDatabase->DBParams();
  params.Add("isc_dpb_user_name=SYSDBA");
  params.Add("password_enc=xyz");
  EXPECT_EQ(fDatabase->IndexOfDPBName("user_name"), 0);
  EXPECT_EQ(fDatabase->IndexOfDPBName("USER_NAME"), 0);
  // The whole name only: "password" is not password_enc.
  EXPECT_EQ(fDatabase->IndexOfDPBName("password"), -1);
  EXPECT_EQ(fDatabase->ConnectParams().UserName(), "SYSDBA");
  EXPECT_EQ(fDatabase->ConnectParams().Password(), "");

  fDatabase->ConnectParams().SetCharSet("win1251");
  fDatabase->ConnectParams().SetRoleName("Checker");
  fDatabase->ConnectParams().SetUserName("operator");
  EXPECT_EQ(params.Text(), "user_name=operator\r\npassword_enc=xyz\r\nlc_ctype=WIN1251\r\nsql_role_name=Checker\r\n");
  fDatabase->ConnectParams().SetRoleName("");
  EXPECT_EQ(fDatabase->IndexOfDPBName("sql_role_name"), -1);
  EXPECT_EQ(fDatabase->GetDPBValue(48), "WIN1251");
  EXPECT_EQ(fDatabase->GetDPBValue(84), "");

  // Copies between two databases go through the lines.
  auto* copy = new TFIBDatabase(&fForm);
  copy->ConnectParams().Assign(&fDatabase->ConnectParams());
  EXPECT_EQ(copy->ConnectParams().UserName(), "operator");
  EXPECT_EQ(copy->ConnectParams().CharSet(), "WIN1251");

  // The character set decides the kind of connection until there is one.
  EXPECT_FALSE(fDatabase->IsUnicodeCharSet());
  fDatabase->ConnectParams().SetCharSet("utf8");
  EXPECT_TRUE(fDatabase->IsUnicodeCharSet());
  EXPECT_TRUE(fDatabase->IsUnicodeOrNoneCharSet());
  fDatabase->ConnectParams().SetCharSet("koi8u");
  EXPECT_TRUE(fDatabase->IsKOI8CharSet());
  EXPECT_EQ(fDatabase->BytesPerCharOfCharSet(3), 3);
  EXPECT_EQ(fDatabase->BytesPerCharOfCharSet(4), 1);  // not connected
}

TEST_F(Components, LoginDialog) {
  fDatabase->DBParams().Add("user_name=guest");
  EXPECT_EQ(ErrorOf<Exception>([&] { fDatabase->Login(); }),
            "Unable to find Database login dialog. Please, add FIBDBLoginDlg into USES statement of your project.");
  AnsiString shownName, shownUser;
  LoginDialogProc() = [&](const AnsiString& dbName, AnsiString& user, AnsiString& password, AnsiString& role) {
    shownName = dbName;
    shownUser = user;
    user = "SYSDBA";
    password = "secret";
    role = "";
    return true;
  };
  fDatabase->SetDBName("server:/data/q.fdb");
  EXPECT_TRUE(fDatabase->Login());
  EXPECT_EQ(shownName, "server:/data/q.fdb");
  EXPECT_EQ(shownUser, "guest");
  EXPECT_EQ(fDatabase->DBParams().Text(), "user_name=SYSDBA\r\npassword=secret\r\nsql_role_name=\r\n");
  LoginDialogProc() = [](const AnsiString&, AnsiString&, AnsiString&, AnsiString&) { return false; };
  EXPECT_FALSE(fDatabase->Login());
  LoginDialogProc() = nullptr;
}

TEST_F(Components, OptionObjects) {
  // The monitor switch: a database is never driven by others, a transaction not by itself.
  EXPECT_EQ(fDatabase->CSMonitorSupport().Enabled(), csmeDisabled);
  EXPECT_EQ(ErrorOf<EFIBCSMonitorError>([&] { fDatabase->CSMonitorSupport().SetEnabled(csmeDatabaseDriven); }),
            "This object cannot use this value");
  EXPECT_THROW(fDatabase->CSMonitorSupport().SetEnabled(csmeTransactionDriven), EFIBCSMonitorError);
  fDatabase->CSMonitorSupport().SetEnabled(csmeEnabled);
  TFIBTransaction transaction(&fForm);
  EXPECT_EQ(transaction.CSMonitorSupport().Enabled(), csmeDatabaseDriven);
  EXPECT_THROW(transaction.CSMonitorSupport().SetEnabled(csmeTransactionDriven), EFIBCSMonitorError);
  TCSMonitorSupport statementOption(&fForm);
  EXPECT_EQ(statementOption.Enabled(), csmeTransactionDriven);
  // Assign applies the receiver's own rule.
  EXPECT_THROW(fDatabase->CSMonitorSupport().Assign(&statementOption), EFIBCSMonitorError);

  TBlobSwapSupport& swap = fDatabase->BlobSwapSupport();
  EXPECT_EQ(swap.SwapDir(), "{APP_PATH}");
  EXPECT_EQ(swap.ExpandSwapDir(), "");
  swap.SetActive(true);
  swap.SetSwapDir("{app_path}cache");
  const AnsiString programFolder = IncludeTrailingPathDelimiter(ExtractFilePath(ParamStr(0)));
  EXPECT_EQ(swap.ExpandSwapDir(), programFolder + "cache/");
  swap.SetSwapDir("{APP_PATH}\\blobs\\today");
  EXPECT_EQ(swap.ExpandSwapDir(), programFolder + "blobs/today/");
  swap.SetSwapDir("/var/cache/q/");
  EXPECT_EQ(swap.ExpandSwapDir(), "/var/cache/q/");

  TCacheSchemaOptions cache(&fForm), copy(nullptr);
  EXPECT_TRUE(cache.ValidateAfterLoad());
  cache.SetLocalCacheFile("schema.cache");
  cache.SetAutoSaveToFile(true);
  copy.Assign(&cache);
  EXPECT_EQ(copy.LocalCacheFile(), "schema.cache");
  EXPECT_TRUE(copy.AutoSaveToFile());
  EXPECT_THROW(copy.Assign(&swap), EConvertError);
}

TEST_F(Components, DefaultDatabaseAndTimeouts) {
  fDatabase->SetDesignDBOptions({ddoIsDefaultDatabase});
  EXPECT_EQ(DefaultDatabase, fDatabase);
  auto* second = new TFIBDatabase(&fForm);
  second->SetDesignDBOptions({ddoIsDefaultDatabase, ddoStoreConnected});
  EXPECT_EQ(DefaultDatabase, second);
  EXPECT_FALSE(fDatabase->DesignDBOptions().Contains(ddoIsDefaultDatabase));
  delete second;
  EXPECT_EQ(DefaultDatabase, nullptr);

  auto* transaction = new TpFIBTransaction(&fForm);
  EXPECT_EQ(transaction->TPBMode(), tpbReadCommitted);
  EXPECT_EQ(transaction->UserKindTransaction(), "NoUserKind");
  EXPECT_EQ(transaction->TimeoutAction(), TARollback);
  EXPECT_EQ(transaction->Timeout(), 0u);
  transaction->SetTimeout(1500);
  EXPECT_EQ(transaction->Timeout(), 1500u);
  transaction->SetTimeout(0);
  EXPECT_EQ(transaction->Timeout(), 0u);
}

// A statement object of named fields (with old values) and parameters.
class Record : public ISQLObject {
 public:
  std::vector<std::pair<std::string, std::pair<Variant, Variant>>> fields;  // name, (new, old)
  std::vector<std::pair<std::string, Variant>> params;

  int ParamCount() const override { return static_cast<int>(params.size()); }
  AnsiString ParamName(int index) const override { return params[static_cast<std::size_t>(index)].first; }
  int FieldIndex(const AnsiString& name) const override { return IndexIn(fields, name); }
  int ParamIndex(const AnsiString& name) const override { return IndexIn(params, name); }
  Variant FieldValue(int index, bool oldValue) const override {
    const auto& values = fields[static_cast<std::size_t>(index)].second;
    return oldValue ? values.second : values.first;
  }
  Variant ParamValue(int index) const override { return params[static_cast<std::size_t>(index)].second; }
  void SetParamValue(int index, const Variant& value) override { params[static_cast<std::size_t>(index)].second = value; }

 private:
  template <class List>
  static int IndexIn(const List& list, const AnsiString& name) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (SameText(list[i].first, name)) return static_cast<int>(i);
    return -1;
  }
};

TEST(AssignSQLObjectParams, FieldsByStrippedNameThenParamsByFullNameLastSourceWins) {
  Record target;
  target.params = {{"ID", Variant()}, {"old_NAME", Variant()}, {"NEW_NAME", Variant()}, {"MAS_ID", Variant()},
                   {"OLD_", Variant()}, {"UNTOUCHED", Integer(-1)}};
  Record master;
  master.params = {{"MAS_ID", Integer(77)}, {"OLD_", "param"}};
  Record row;
  row.fields = {{"ID", {Integer(5), Integer(4)}}, {"NAME", {"new", "old"}}};
  Record later;
  later.fields = {{"id", {Integer(6), Integer(6)}}};
  AssignSQLObjectParams(target, {&master, nullptr, &row, &later});
  EXPECT_EQ(target.params[0].second.AsInteger(), 6);
  EXPECT_EQ(target.params[1].second.AsString(), "old");
  EXPECT_EQ(target.params[2].second.AsString(), "new");
  EXPECT_EQ(target.params[3].second.AsInteger(), 77);
  // "OLD_" alone is no prefix: the parameter of that full name answers.
  EXPECT_EQ(target.params[4].second.AsString(), "param");
  EXPECT_EQ(target.params[5].second.AsInteger(), -1);
}

TEST_F(Components, ALoggerThatDiesIsDropped) {
  class Logger : public TComponent, public ISQLLogger {
   public:
    using TComponent::TComponent;
    void AttachDatabase(TFIBDatabase* database) override { attached = database; }
    void WriteData(const AnsiString&, const AnsiString&, const AnsiString&, int) override {}
    TFIBDatabase* attached = nullptr;
  };
  auto* logger = new Logger(nullptr);
  fDatabase->SetSQLLogger(logger);
  EXPECT_EQ(logger->attached, fDatabase);
  EXPECT_EQ(fDatabase->SQLLogger(), logger);
  delete logger;
  EXPECT_EQ(fDatabase->SQLLogger(), nullptr);
}

}  // namespace
}  // namespace ordvane

// The dataset driven from outside, as a data provider drives it: statements with
// parameters, its parameters typed and carried both ways, changed records applied through
// its statements and update objects, its update transaction, its table and quote. isql-fb,
// a second attachment, reads back what reached the database.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/SeparatedLists.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/pFIBCacheQueries.h"
#include "tests/datasets/DataSetDbSupport.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {
namespace {

using testing::HasSubstr;

// The message of the database error the call raised, "" when it raised none; sqlCode
// receives a database-access error's SQL code.
std::string RaisedError(const std::function<void()>& call, Integer* sqlCode = nullptr) {
  try {
    call();
  } catch (const EDatabaseError& e) {
    if (const auto* fibError = dynamic_cast<const EFIBError*>(&e); fibError != nullptr && sqlCode != nullptr)
      *sqlCode = fibError->SQLCode();
    return e.Message();
  }
  return {};
}

// Decimal text with the format settings' separator.
std::string LocalNotation(std::string text) {
  std::replace(text.begin(), text.end(), '.', FormatSettings().DecimalSeparator);
  return text;
}

class ProviderInterfaceTest : public testing::Test {
 protected:
  ProviderInterfaceTest() {
    fForm.SetName("Form");
    fDataSet->SetName("Persons");
    Configure(*fDatabase, fDb);
    fRead->SetDefaultDatabase(fDatabase);
    fWrite->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fRead->StartTransaction();
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fRead);
    fDataSet->SetUpdateTransaction(fWrite);
    fDataSet->SelectSQL().SetText("select id, surname, born, amount from persons order by id");
    fDataSet->InsertSQL().SetText(
        "insert into persons (id, surname, born, amount) values (?new_id, ?new_surname, ?new_born, ?new_amount)");
    fDataSet->UpdateSQL().SetText(
        "update persons set surname = ?new_surname, born = ?new_born, amount = ?amount where id = ?old_id");
    fDataSet->DeleteSQL().SetText("delete from persons where id = ?old_id");
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  // A dataset over the same rows whose current record is a change: in edit or insert its
  // fields answer the old and the new values.
  TpFIBDataSet& OpenDelta(const AnsiString& select = "select id, surname, born, amount from persons order by id") {
    auto* delta = new TpFIBDataSet(&fForm);
    delta->SetName("Delta");
    delta->SetDatabase(fDatabase);
    delta->SetTransaction(fRead);
    delta->SetCachedUpdates(true);
    delta->OnUpdateRecord = [](TDataSet*, TUpdateKind, TFIBUpdateAction&) {};
    delta->SelectSQL().SetText(select);
    delta->Open();
    return *delta;
  }
  void ApplyAndCommit(TUpdateKind kind, TDataSet& delta) {
    fDataSet->PSStartTransaction();
    EXPECT_TRUE(fDataSet->PSUpdateRecord(kind, delta));
    fDataSet->PSEndTransaction(true);
  }

  TestDatabase fDb{"datasets/provider.sql", {3, "WIN1251"}};
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fRead = new TFIBTransaction(&fForm);
  TFIBTransaction* fWrite = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

TEST_F(ProviderInterfaceTest, StatementRunsWithItsParametersInOrderAndOnlyWithAllOfThem) {
  TParams params;
  params.CreateParam(ftInteger, "ID").SetValue(3);
  params.CreateParam(ftString, "SURNAME").SetValue(Utf8ToAnsi("Українка"));
  params.CreateParam(ftDate, "BORN");
  // Taken by position: the statement's own names do not matter.
  const AnsiString insert = "insert into persons (id, surname, born) values (?a, ?b, ?c)";
  EXPECT_EQ(fDataSet->PSExecuteStatement(insert, params), 1);

  // The pooled statement again, with fewer values than it takes: refused before it runs,
  // so the last call's values cannot be written again.
  params.Clear();
  params.CreateParam(ftInteger, "ID").SetValue(4);
  EXPECT_THAT(RaisedError([&] { fDataSet->PSExecuteStatement(insert, params); }),
              HasSubstr("Persons: the statement has 3 parameters, 1 given"));
  fRead->Commit();
  EXPECT_EQ(Oracle("select id, surname, born from persons where id > 2"), "3|Українка|<null>");
}

TEST_F(ProviderInterfaceTest, ParametersAreTypedByTheirColumnsAndCarryValuesBothWays) {
  fDataSet->SelectSQL().SetText(
      "select count(*) from typed where i = ?i and b0 = ?b0 and b2 = ?b2 and b6 = ?b6 and n = ?n and d = ?d"
      " and dt = ?dt and ts = ?ts and s = ?s and z is not distinct from ?z");
  TParams* params = fDataSet->PSGetParams();
  ASSERT_NE(params, nullptr);
  // More places than a Currency holds: a wide BCD, which keeps every digit.
  const std::vector<TFieldType> types{ftInteger, ftLargeint, ftBCD, ftFMTBcd, ftBCD,
                                      ftFloat,   ftDate,     ftDateTime, ftString, ftInteger};
  ASSERT_EQ(params->Count(), static_cast<int>(types.size()));
  for (int i = 0; i < params->Count(); ++i) {
    EXPECT_EQ((*params)[i].DataType(), types[static_cast<std::size_t>(i)]) << (*params)[i].Name();
    EXPECT_TRUE((*params)[i].IsNull());
  }

  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime moment = day + EncodeTime(13, 45, 10, 500);
  const std::map<AnsiString, Variant> values{{"I", Variant(7)},
                                             {"B0", Variant(Int64{9000000000000000001})},
                                             {"B2", Variant(Currency::FromScaled(123456700))},
                                             {"B6", Variant(1.234567)},
                                             {"N", Variant(Currency::FromScaled(-32500))},
                                             {"D", Variant(0.1)},
                                             {"DT", VarFromDateTime(day)},
                                             {"TS", VarFromDateTime(moment)},
                                             {"S", Variant(Utf8ToAnsi("Київ"))},
                                             {"Z", Null()}};
  for (const auto& [name, value] : values) params->ParamByName(name).SetValue(value);
  EXPECT_EQ(fDataSet->PSExecuteStatement("insert into typed values (?p1, ?p2, ?p3, ?p4, ?p5, ?p6, ?p7, ?p8, ?p9, ?p10)", *params), 1);
  fRead->CommitRetaining();
  EXPECT_EQ(Oracle("select * from typed"),
            "7|9000000000000000001|12345.67|1.234567|-3.25|0.1000000000000000|2024-02-29|2024-02-29 "
            "13:45:10.5000|Київ|<null>");

  // Into the select, which then finds the row, and read back from it.
  fDataSet->PSSetParams(*params);
  fDataSet->Open();
  EXPECT_EQ(fDataSet->Fields()[0]->AsInteger(), 1);
  fDataSet->Close();
  params = fDataSet->PSGetParams();
  EXPECT_EQ(params->ParamByName("B0").Value().AsInt64(), 9000000000000000001);
  EXPECT_EQ(params->ParamByName("B2").Value().AsCurrency(), Currency::FromScaled(123456700));
  EXPECT_EQ(params->ParamByName("N").Value().AsCurrency(), Currency::FromScaled(-32500));
  EXPECT_DOUBLE_EQ(params->ParamByName("B6").Value().AsDouble(), 1.234567);
  EXPECT_DOUBLE_EQ(params->ParamByName("D").Value().AsDouble(), 0.1);
  EXPECT_DOUBLE_EQ(params->ParamByName("DT").Value().AsDateTime(), day);
  EXPECT_NEAR(params->ParamByName("TS").Value().AsDateTime(), moment, 1e-9);
  EXPECT_EQ(params->ParamByName("S").Value().AsString(), Utf8ToAnsi("Київ"));
  EXPECT_TRUE(params->ParamByName("Z").IsNull());

  // A name the select lacks is refused, not dropped.
  TParams unknown;
  unknown.CreateParam(ftInteger, "NOSUCH").SetValue(1);
  EXPECT_THROW(fDataSet->PSSetParams(unknown), Exception);
}

// Every value a NUMERIC(18, s) column holds travels through the parameters digit for
// digit, both ways: to the select, which finds its row again, and back out.
TEST_F(ProviderInterfaceTest, DecimalParametersCarryEveryValueOfTheirColumnsUnchanged) {
  const std::vector<std::string> columns{"S1", "S2", "S4", "S6"};
  fDataSet->SelectSQL().SetText("select id from decimals where s1 = ?s1 and s2 = ?s2 and s4 = ?s4 and s6 = ?s6");
  TParams* params = fDataSet->PSGetParams();
  EXPECT_EQ((*params)[0].DataType(), ftBCD);
  EXPECT_EQ((*params)[2].DataType(), ftBCD);
  EXPECT_EQ((*params)[3].DataType(), ftFMTBcd);
  const auto localNotation = LocalNotation;
  for (int id = 1; id <= 3; ++id) {
    const std::string row = Oracle("select s1, s2, s4, s6 from decimals where id = " + std::to_string(id));
    const std::vector<AnsiString> values = SplitList(row, '|', false, TEmptyItems::Keep);
    ASSERT_EQ(values.size(), columns.size()) << row;
    for (std::size_t i = 0; i < columns.size(); ++i)
      params->ParamByName(columns[i]).SetValue(Variant(AnsiString(localNotation(values[i]))));
    fDataSet->PSSetParams(*params);
    params = fDataSet->PSGetParams();
    for (std::size_t i = 0; i < columns.size(); ++i)
      EXPECT_EQ(params->ParamByName(columns[i]).Value().AsString(), localNotation(values[i])) << columns[i];
    fDataSet->Open();
    EXPECT_EQ(fDataSet->Fields()[0]->AsInteger(), id);
    fDataSet->Close();

    // Out again through a statement: the new row holds the same values.
    TParams copy;
    copy.CreateParam(ftInteger, "ID").SetValue(10 + id);
    for (const std::string& column : columns) copy.CreateParam(ftFMTBcd, column).SetValue(params->ParamByName(column).Value());
    EXPECT_EQ(fDataSet->PSExecuteStatement("insert into decimals values (?p1, ?p2, ?p3, ?p4, ?p5)", copy), 1);
    fRead->CommitRetaining();
    EXPECT_EQ(Oracle("select s1, s2, s4, s6 from decimals where id = " + std::to_string(10 + id)), row);
  }
}

// A float given to a decimal parameter comes back as the shortest decimal that reads back
// as the same float, not rounded to 15 digits.
TEST_F(ProviderInterfaceTest, DecimalParametersGivenAsFloatsComeBackAsTheirShortestDecimal) {
  fDataSet->SelectSQL().SetText("select id from decimals where s4 = ?s4 and s6 = ?s6");
  TParams* params = fDataSet->PSGetParams();
  params->ParamByName("S4").SetValue(Variant(12345678901234.5678));
  params->ParamByName("S6").SetValue(Variant(0.1 + 0.2));
  fDataSet->PSSetParams(*params);
  params = fDataSet->PSGetParams();
  EXPECT_EQ(params->ParamByName("S4").Value().AsString(), LocalNotation("12345678901234.568"));
  EXPECT_EQ(params->ParamByName("S6").Value().AsString(), LocalNotation("0.30000000000000004"));
  EXPECT_EQ(params->ParamByName("S6").Value().AsDouble(), 0.1 + 0.2);
}

// A dataset on the second database of a transaction over two runs its statements there.
TEST_F(ProviderInterfaceTest, StatementRunsOnTheDatasetsDatabaseNotTheTransactionsDefault) {
  TestDatabase secondDb{"datasets/provider.sql", {3, "WIN1251"}};
  auto* second = new TFIBDatabase(&fForm);
  second->SetName("Second");
  Configure(*second, secondDb);
  second->SetConnected(true);
  auto* both = new TFIBTransaction(&fForm);
  both->SetDefaultDatabase(fDatabase);
  both->AddDatabase(second);
  both->StartTransaction();
  auto* elsewhere = new TpFIBDataSet(&fForm);
  elsewhere->SetName("Elsewhere");
  elsewhere->SetDatabase(second);
  elsewhere->SetTransaction(both);
  ASSERT_EQ(elsewhere->Database(), second);

  TParams params;
  params.CreateParam(ftInteger, "ID").SetValue(7);
  params.CreateParam(ftString, "SURNAME").SetValue("Second");
  EXPECT_EQ(elsewhere->PSExecuteStatement("insert into persons (id, surname) values (?p1, ?p2)", params), 1);
  both->Commit();
  EXPECT_EQ(IsqlRows(secondDb, "select surname from persons where id = 7"), "Second");
  EXPECT_EQ(Oracle("select count(*) from persons where id = 7"), "0");

  // A transaction that does not cover the database is refused, not run on its default.
  EXPECT_THAT(RaisedError([&] { GetQuery(second, fRead, "select 1 from rdb$database"); }),
              HasSubstr("Second: the transaction"));
}

TEST_F(ProviderInterfaceTest, ChangedRecordsGoThroughTheStatementOfTheirKind) {
  TpFIBDataSet& delta = OpenDelta();
  delta.Edit();
  delta.FieldByName("SURNAME")->SetAsString(Utf8ToAnsi("Шевченко-Грушевський"));
  delta.FieldByName("AMOUNT")->SetAsFloat(11.75);
  ApplyAndCommit(ukModify, delta);
  delta.Cancel();
  EXPECT_EQ(Oracle("select surname, born, amount from persons where id = 1"),
            "Шевченко-Грушевський|1814-03-09|11.75");

  delta.Append();
  delta.FieldByName("ID")->SetAsInteger(3);
  delta.FieldByName("SURNAME")->SetAsString(Utf8ToAnsi("Леся"));
  delta.FieldByName("BORN")->SetAsDateTime(EncodeDate(1871, 2, 25));
  ApplyAndCommit(ukInsert, delta);
  delta.Cancel();
  EXPECT_EQ(Oracle("select id, surname, born, amount from persons where id = 3"), "3|Леся|1871-02-25|<null>");

  delta.Last();
  EXPECT_EQ(delta.FieldByName("ID")->AsInteger(), 2);
  ApplyAndCommit(ukDelete, delta);
  EXPECT_EQ(Oracle("select id from persons order by id"), "1;3");

  // A change whose row is gone was not applied: said so, not answered as applied.
  fDataSet->PSStartTransaction();
  EXPECT_THAT(RaisedError([&] { fDataSet->PSUpdateRecord(ukDelete, delta); }),
              HasSubstr("Persons: no row was found to delete"));
  fDataSet->PSEndTransaction(false);
}

// NUMERIC(18, s) at the ends of its range and with all 18 digits: the values an edit left
// alone go back as they were read, and the old values find their row.
TEST_F(ProviderInterfaceTest, DecimalsOfAChangeGoBackDigitForDigit) {
  fDataSet->UpdateSQL().SetText(
      "update decimals set s1 = ?s1, s2 = ?new_s2, s4 = ?s4, s6 = ?s6"
      " where id = ?old_id and s1 = ?old_s1 and s2 = ?old_s2 and s4 = ?old_s4 and s6 = ?old_s6");
  const std::string before = Oracle("select id, s1, s2, s4, s6 from decimals order by id");
  // S6 has more places than a Currency: a double field.
  TpFIBDataSet& delta = OpenDelta("select id, s1, s2, s4, s6 from decimals order by id");
  ASSERT_EQ(delta.FieldByName("S6")->DataType(), ftFloat);
  for (; !delta.Eof(); delta.Next()) {
    delta.Edit();
    ApplyAndCommit(ukModify, delta);
    delta.Cancel();
  }
  EXPECT_EQ(Oracle("select id, s1, s2, s4, s6 from decimals order by id"), before);

  delta.Last();
  delta.Edit();
  delta.FieldByName("S2")->SetAsString("-1234567890123456.79");
  ApplyAndCommit(ukModify, delta);
  delta.Cancel();
  EXPECT_EQ(Oracle("select s1, s2, s4 from decimals where id = 3"), "123456789012345678.9|-1234567890123456.79|-0.0001");
}

TEST_F(ProviderInterfaceTest, UpdateObjectsRunAroundTheStatementAndAloneWithout) {
  auto* audit = new TpFIBUpdateObject(&fForm);
  audit->SQL().SetText("insert into audit (tag, person_id) values (?new_surname, ?old_id)");
  audit->SetKindUpdate(ukModify);
  audit->SetExecuteOrder(oeAfterDefault);
  audit->SetDatabase(fDatabase);
  audit->SetTransaction(fWrite);
  audit->SetDataSet(fDataSet);
  TpFIBDataSet& delta = OpenDelta();
  delta.Edit();
  delta.FieldByName("SURNAME")->SetAsString("Kobzar");
  ApplyAndCommit(ukModify, delta);
  EXPECT_EQ(Oracle("select tag, person_id from audit"), "Kobzar|1");
  EXPECT_EQ(Oracle("select surname from persons where id = 1"), "Kobzar");

  // Without an update statement the object alone applies the change.
  fDataSet->UpdateSQL().Clear();
  delta.FieldByName("SURNAME")->SetAsString("Taras");
  ApplyAndCommit(ukModify, delta);
  EXPECT_EQ(Oracle("select tag from audit order by seq"), "Kobzar;Taras");
  EXPECT_EQ(Oracle("select surname from persons where id = 1"), "Kobzar");

  // With neither, the change is left to the provider.
  audit->SetActive(false);
  EXPECT_FALSE(fDataSet->PSUpdateRecord(ukModify, delta));
  delta.Cancel();
}

// A provider's delta: the stored row holds the old values, and only the fields the change
// touched answer a new value.
class TSparseDelta : public TMemDataSet {
 public:
  using TMemDataSet::TMemDataSet;
  std::map<AnsiString, Variant> newValues;
  Variant GetStateFieldValue(TDataSetState state, TField* field) override {
    if (state != dsNewValue) return TMemDataSet::GetStateFieldValue(state, field);
    const auto found = newValues.find(field->FieldName());
    return found == newValues.end() ? Variant() : found->second;
  }
};

TEST_F(ProviderInterfaceTest, FieldsTheChangeLeftAloneKeepTheirValues) {
  TSparseDelta delta(nullptr);
  delta.FieldDefs().Add("ID", ftInteger);
  delta.FieldDefs().Add("SURNAME", ftString, 40);
  delta.FieldDefs().Add("BORN", ftDate);
  delta.FieldDefs().Add("AMOUNT", ftFloat);
  delta.Open();
  delta.AppendRecord({2, Utf8ToAnsi("Франко"), VarFromDateTime(EncodeDate(1856, 8, 27)), 20.25});
  delta.newValues["SURNAME"] = Utf8ToAnsi("Франко І.Я.");
  ApplyAndCommit(ukModify, delta);
  EXPECT_EQ(Oracle("select surname, born, amount from persons where id = 2"), "Франко І.Я.|1856-08-27|20.25");

  // A parameter the delta has no field for is refused, not left with a stale value.
  fDataSet->UpdateSQL().SetText("update persons set surname = ?new_surname where id = ?old_nosuch");
  fDataSet->PSStartTransaction();
  EXPECT_THAT(RaisedError([&] { fDataSet->PSUpdateRecord(ukModify, delta); }),
              HasSubstr("Field 'NOSUCH' not found"));
  fDataSet->PSEndTransaction(false);
}

TEST_F(ProviderInterfaceTest, RefusedChangeBecomesAnUpdateErrorWithTheServersCode) {
  TpFIBDataSet& delta = OpenDelta();
  delta.Append();
  delta.FieldByName("ID")->SetAsInteger(1);
  fDataSet->PSStartTransaction();
  const std::exception_ptr earlier = std::make_exception_ptr(EDatabaseError("the change before"));
  try {
    fDataSet->PSUpdateRecord(ukInsert, delta);
    FAIL() << "a duplicate key was taken";
  } catch (const Exception& e) {
    const EUpdateError error = fDataSet->PSGetUpdateException(e, earlier);
    EXPECT_EQ(error.ErrorCode(), -803);
    EXPECT_EQ(error.Message(), e.Message());
    try {
      std::rethrow_exception(error.PreviousError());
    } catch (const EDatabaseError& previous) {
      EXPECT_EQ(previous.Message(), "the change before");
    }
  }
  fDataSet->PSEndTransaction(false);
  delta.Cancel();
  const EUpdateError other = fDataSet->PSGetUpdateException(EConvertError("not a date"), nullptr);
  EXPECT_EQ(other.ErrorCode(), 0);
  EXPECT_EQ(other.Message(), "not a date");
  EXPECT_FALSE(other.PreviousError());
}

TEST_F(ProviderInterfaceTest, TransactionStartsOnlyWithADatabaseAndAnUpdateTransaction) {
  TpFIBDataSet loose(nullptr);
  loose.SetName("Loose");
  Integer code = 0;
  EXPECT_THAT(RaisedError([&] { loose.PSStartTransaction(); }, &code),
              HasSubstr("Database not assigned for Loose."));
  EXPECT_EQ(code, 21);
  loose.SetDatabase(fDatabase);
  loose.SetUpdateTransaction(nullptr);
  EXPECT_THAT(RaisedError([&] { loose.PSStartTransaction(); }, &code),
              HasSubstr("Transaction not assigned for Loose."));
  EXPECT_EQ(code, 22);

  // Both there: the database is connected and the transaction started as needed.
  fRead->Commit();
  fDatabase->SetConnected(false);
  EXPECT_FALSE(fDataSet->PSInTransaction());
  fDataSet->PSStartTransaction();
  EXPECT_TRUE(fDatabase->Connected());
  EXPECT_TRUE(fWrite->Active());
  EXPECT_TRUE(fDataSet->PSInTransaction());
}

TEST_F(ProviderInterfaceTest, EndingTheTransactionCommitsOrRollsBack) {
  TpFIBDataSet& delta = OpenDelta();
  delta.Edit();
  delta.FieldByName("AMOUNT")->SetAsFloat(99);
  fDataSet->PSStartTransaction();
  EXPECT_TRUE(fDataSet->PSUpdateRecord(ukModify, delta));
  fDataSet->PSEndTransaction(false);
  EXPECT_FALSE(fDataSet->PSInTransaction());
  EXPECT_EQ(Oracle("select amount from persons where id = 1"), "10.50");

  ApplyAndCommit(ukModify, delta);
  EXPECT_FALSE(fDataSet->PSInTransaction());
  EXPECT_EQ(Oracle("select amount from persons where id = 1"), "99.00");
  // Nothing to end: nothing happens.
  fDataSet->PSEndTransaction(true);
  delta.Cancel();
}

TEST_F(ProviderInterfaceTest, CommandKeysAndTableComeFromTheSelectAndTheUpdateOptions) {
  EXPECT_EQ(fDataSet->PSGetKeyFields(), "");
  fDataSet->AutoUpdateOptions().SetKeyFields("ID");
  EXPECT_EQ(fDataSet->PSGetKeyFields(), "ID");

  fDataSet->PSSetCommandText("");
  EXPECT_THAT(fDataSet->PSGetCommandText(), HasSubstr("from persons order by id"));
  fDataSet->PSSetCommandText("select p.id, d.code from persons p join docs d on d.person_id = p.id");
  EXPECT_THAT(fDataSet->PSGetCommandText(), HasSubstr("join docs d"));
  EXPECT_EQ(fDataSet->PSGetTableName(), "");
  // The table, never its alias, whatever case the name is given in.
  fDataSet->AutoUpdateOptions().SetUpdateTableName("docs");
  EXPECT_EQ(fDataSet->PSGetTableName(), "DOCS");
  fDataSet->AutoUpdateOptions().SetUpdateTableName("Persons");
  EXPECT_EQ(fDataSet->PSGetTableName(), "PERSONS");
  fDataSet->AutoUpdateOptions().SetUpdateTableName("d");
  EXPECT_EQ(fDataSet->PSGetTableName(), "d");
  fDataSet->AutoUpdateOptions().SetUpdateTableName("audit");
  EXPECT_EQ(fDataSet->PSGetTableName(), "audit");
}

TEST_F(ProviderInterfaceTest, CommandRunsOnlyWhileTheDatasetIsClosedAndResetReadsAgain) {
  fDataSet->Open();
  fDataSet->FetchAll();
  EXPECT_EQ(fDataSet->RecordCount(), 2);
  EXPECT_THROW(fDataSet->PSExecute(), EFIBClientError);
  EXPECT_THROW(fDataSet->PSSetCommandText("select id from docs"), EFIBClientError);
  TParams params;
  params.CreateParam(ftInteger, "ID").SetValue(5);
  fDataSet->PSExecuteStatement("insert into persons (id, surname) values (?id, 'X')", params);
  fDataSet->PSReset();
  EXPECT_TRUE(fDataSet->Active());
  fDataSet->FetchAll();
  EXPECT_EQ(fDataSet->RecordCount(), 3);

  fDataSet->Close();
  fDataSet->PSSetCommandText("update persons set amount = 1 where id = 5");
  fDataSet->PSExecute();
  fRead->Commit();
  EXPECT_EQ(Oracle("select amount from persons where id = 5"), "1.00");
}

class ProviderQuoteTest : public DataSetDbTest {};

TEST_P(ProviderQuoteTest, IdentifiersAreQuotedOnlyInDialect3) {
  TpFIBDataSet& dataSet = *fDataSet;
  EXPECT_EQ(dataSet.PSGetQuoteChar(), Dialect() == 3 ? "\"" : "");
  dataSet.SetDatabase(nullptr);
  EXPECT_EQ(dataSet.PSGetQuoteChar(), "");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProviderQuoteTest,
                         testing::Values(Connection{1, "WIN1251"}, Connection{3, "WIN1251"}),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test

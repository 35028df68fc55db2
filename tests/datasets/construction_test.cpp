// A dataset as constructed: its defaults, its statements, the stored names of its option
// sets, the automatic-update settings, permissions and comparisons. No database.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/core/PublishedProps.h"
#include "dbclient/FIBConvert.h"
#include "tests/datasets/ProbeDataSet.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

TEST(DataSetConstruction, DefaultsAndOwnedStatements) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* dataSet = new TProbeDataSet(&form);
  dataSet->SetName("Orders");
  EXPECT_EQ(dataSet->Options().ToBits(), 27u);
  EXPECT_EQ(dataSet->PrepareOptions().ToBits(), 1164u);
  EXPECT_TRUE(dataSet->DetailConditions().Empty());
  EXPECT_EQ(dataSet->UpdateRecordTypes(), (TFIBUpdateRecordTypes{cusUnmodified, cusModified, cusInserted}));
  EXPECT_EQ(dataSet->AllowedUpdateKinds(), (TUpdateKinds{ukModify, ukInsert, ukDelete}));
  EXPECT_EQ(dataSet->RefreshTransactionKind(), tkReadTransaction);
  EXPECT_EQ(dataSet->FieldOriginRule(), forTableAndFieldName);
  EXPECT_FALSE(dataSet->AutoCommit());
  EXPECT_FALSE(dataSet->CachedUpdates());
  EXPECT_EQ(dataSet->SQLScreenCursor(), crDefault);
  EXPECT_EQ(dataSet->ScrollTimerInterval(), 300u);
  EXPECT_EQ(dataSet->CacheModelOptions().CacheModelKind(), cmkStandard);
  EXPECT_EQ(dataSet->CacheModelOptions().BufferChunks(), 32);
  EXPECT_FALSE(dataSet->Prepared());
  // Five statements, owned and named in this order.
  const std::vector<std::string> names{"DeleteQuery", "InsertQuery", "RefreshQuery", "UpdateQuery", "SelectQuery"};
  ASSERT_EQ(dataSet->ComponentCount(), 5);
  for (int i = 0; i < 5; ++i) {
    auto* statement = dynamic_cast<TFIBQuery*>(dataSet->Components(i));
    ASSERT_NE(statement, nullptr);
    EXPECT_EQ(statement->Name(), names[static_cast<std::size_t>(i)]);
    EXPECT_EQ(FullComponentName(statement), "Form.Orders." + names[static_cast<std::size_t>(i)]);
    EXPECT_FALSE(statement->GoToFirstRecordOnExecute());
    EXPECT_TRUE(statement->ParamCheck());
    EXPECT_TRUE(statement->Options().Empty());
  }
  EXPECT_EQ(dataSet->Components(4), &dataSet->SelectQuery());
  // The monitor settings follow the dataset's.
  dataSet->CSMonitorSupport().SetEnabled(csmeEnabled);
  dataSet->CSMonitorSupport().SetIncludeDatasetDescription(false);
  for (TFIBQuery* statement : {&dataSet->SelectQuery(), &dataSet->DeleteQuery(), &dataSet->RefreshQuery()}) {
    EXPECT_EQ(statement->CSMonitorSupport().Enabled(), csmeEnabled);
    EXPECT_FALSE(statement->CSMonitorSupport().IncludeDatasetDescription());
  }
  // An owning database or transaction is taken.
  TFIBDatabase database(nullptr);
  TFIBTransaction transaction(nullptr);
  TProbeDataSet ofDatabase(&database);
  TProbeDataSet ofTransaction(&transaction);
  EXPECT_EQ(ofDatabase.Database(), &database);
  EXPECT_EQ(ofTransaction.Transaction(), &transaction);
  EXPECT_EQ(ofTransaction.UpdateTransaction(), &transaction);
  EXPECT_EQ(ofTransaction.RefreshQuery().Transaction(), &transaction);
}

TEST(DataSetConstruction, StoredOptionNames) {
  TProbeDataSet dataSet(nullptr);
  EXPECT_TRUE(StoredOptionNamesToWrite(dataSet).empty());
  EXPECT_EQ(GetStrProp(&dataSet, "oTrimCharFields"), "True");
  EXPECT_EQ(GetStrProp(&dataSet, "oFetchAll"), "False");
  dataSet.BeginLoading();
  SetStrProp(&dataSet, "oFetchAll", "True");
  SetStrProp(&dataSet, "oTrimCharFields", "False");
  SetStrProp(&dataSet, "poUseLargeIntField", "True");
  SetStrProp(&dataSet, "WaitEndMasterScroll", "True");
  SetStrProp(&dataSet, "BufferChunks", "64");
  SetStrProp(&dataSet, "ObjectView", "True");
  dataSet.EndLoading();
  EXPECT_TRUE(dataSet.Options().Contains(poFetchAll));
  EXPECT_FALSE(dataSet.Options().Contains(poTrimCharFields));
  EXPECT_TRUE(dataSet.PrepareOptions().Contains(psUseLargeIntField));
  EXPECT_TRUE(dataSet.DetailConditions().Contains(dcWaitEndMasterScroll));
  ASSERT_NE(dataSet.MasterScrollTimer(), nullptr);
  EXPECT_EQ(dataSet.MasterScrollTimer()->Interval(), 300u);
  EXPECT_EQ(dataSet.CacheModelOptions().BufferChunks(), 64);
  EXPECT_EQ(StoredOptionNamesToWrite(dataSet),
            (std::vector<AnsiString>{"oTrimCharFields", "oFetchAll", "poUseLargeIntField", "WaitEndMasterScroll"}));
  EXPECT_THROW(SetStrProp(&dataSet, "oFetchAll", "maybe"), EReadError);
  dataSet.SetDetailConditions({});
  EXPECT_EQ(dataSet.MasterScrollTimer(), nullptr);
  EXPECT_FALSE(dataSet.DetailConditions().Contains(dcWaitEndMasterScroll));
}

TEST(DataSetConstruction, AutoUpdateOptions) {
  TFIBDatabase database(nullptr);
  TProbeDataSet dataSet(nullptr);
  dataSet.SetDatabase(&database);
  dataSet.SelectSQL().SetText("select * from orders o2 join customers c on c.id = o2.customer");
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  // Dialect 3 quotes what needs quoting (lower case too, unless names compare upper-cased).
  struct Case {
    int dialect;
    bool upperOldNames;
    const char* table;
    const char* generator;
    const char* modifyTable;
    const char* alias;
  };
  for (const Case& c : {Case{3, false, "ORDERS O", "GEN_ORDERS_ID", "ORDERS", "O"},
                        Case{3, true, "orders", "GEN_ORDERS_ID", "ORDERS", "O2"},
                        Case{3, false, "orders", "\"GEN_orders_ID\"", "\"orders\"", "O2"},
                        Case{3, false, "\"Orders\"", "\"GEN_Orders_ID\"", "\"Orders\"", "\"Orders\""},
                        Case{3, true, "order lines", "\"GEN_ORDER_ID\"", "\"ORDER\"", "LINES"},
                        Case{1, false, " customers ", "GEN_CUSTOMERS_ID", "CUSTOMERS", "C"}}) {
    SCOPED_TRACE(c.table);
    database.SetSQLDialect(c.dialect);
    database.SetUpperOldNames(c.upperOldNames);
    options.SetGeneratorName("");
    options.SetWhenGetGenID(wgBeforePost);
    options.SetUpdateTableName(c.table);
    EXPECT_EQ(options.GeneratorName(), c.generator);
    EXPECT_EQ(options.ModifyTable(), c.modifyTable);
    EXPECT_EQ(options.AliasModifyTable(), c.alias);
  }
  // Without a generator mode no name is made.
  options.SetGeneratorName("");
  options.SetWhenGetGenID(wgNever);
  options.SetUpdateTableName("ORDERS");
  EXPECT_EQ(options.GeneratorName(), "");
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_FALSE(options.UpdateOnlyModifiedFields());
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());
  options.SetKeyFields("ID; NAME;;");
  EXPECT_EQ(options.KeyFieldList().Count(), 2);
  EXPECT_EQ(options.KeyFieldList().Strings(1), "NAME");
}

TEST(DataSetConstruction, PermissionsComparisonsAndGuards) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* dataSet = new TProbeDataSet(&form);
  dataSet->SetName("Orders");
  EXPECT_FALSE(dataSet->CanEdit());
  EXPECT_FALSE(dataSet->CanInsert());
  EXPECT_FALSE(dataSet->CanDelete());
  TStringList text;
  text.SetText("update orders set x = 1");
  dataSet->SQLs().SetUpdateSQL(text);
  EXPECT_EQ(dataSet->UpdateSQL().Text(), text.Text());
  text.SetText("insert into orders values (1)");
  dataSet->SetInsertSQL(text);
  text.SetText("delete from orders");
  dataSet->SetDeleteSQL(text);
  EXPECT_TRUE(dataSet->CanEdit());
  EXPECT_TRUE(dataSet->CanInsert());
  EXPECT_TRUE(dataSet->CanDelete());
  EXPECT_EQ(dataSet->UpdateStatus(), usUnmodified);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->CheckEditState(); }),
            "DataSet not in Edit or Insert mode.(Form.Orders)");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->CheckDatasetOpen("read"); }),
            "Can't read because Form.Orders dataset closed.");
  Byte record[16] = {};
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->ReadRecordCache(0, record, false); }),
            "Can't read a record because Form.Orders dataset closed.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->CheckUpdateTransaction(); }),
            "Transaction not assigned for Form.Orders.");
  dataSet->SetUniDirectional(true);
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->CheckNotUniDirectional(); }), "Data set is uni-directional.");
  // Nulls sort first and equal each other; values by type.
  struct Case {
    Variant a, b;
    int result;
  };
  for (const Case& c : {Case{Null(), Null(), 0}, Case{Null(), Variant(1), -1}, Case{Variant(1), Variant(), 1},
                        Case{Variant(2), Variant(10), -1}, Case{Variant("b"), Variant("a"), 1},
                        Case{Variant(2.5), Variant(2.5), 0}})
    EXPECT_EQ(dataSet->CompareFieldValues(nullptr, c.a, c.b), c.result);
  dataSet->OnCompareFieldValues = [](TField*, const Variant&, const Variant&) { return 7; };
  EXPECT_EQ(dataSet->CompareFieldValues(nullptr, Null(), Null()), 7);
}

// A probe whose state the test sets, as an open dataset's editing would.
class TStateProbe : public TProbeDataSet {
 public:
  using TProbeDataSet::TProbeDataSet;
  using TDataSet::RestoreState;
  using TDataSet::SavedState;
  using TDataSet::SetState;
  using TDataSet::SetTempState;
};

TEST(DataSetConstruction, EditStateCheckSeesThroughOldAndNewValueStates) {
  TComponent form(nullptr);
  form.SetName("Form");
  auto* dataSet = new TStateProbe(&form);
  dataSet->SetName("Orders");
  struct Case {
    TDataSetState state;
    TDataSetState temporary;
    const char* error;
  };
  for (const Case& c : {Case{dsEdit, dsOldValue, "Can't update. (Form.Orders)"},
                        Case{dsEdit, dsNewValue, "Can't update. (Form.Orders)"},
                        Case{dsInsert, dsOldValue, "Can't insert into dataset. (Form.Orders)"},
                        Case{dsEdit, dsCalcFields, "DataSet not in Edit or Insert mode.(Form.Orders)"},
                        Case{dsBrowse, dsNewValue, "DataSet not in Edit or Insert mode.(Form.Orders)"}}) {
    SCOPED_TRACE(c.error);
    dataSet->SetState(c.state);
    const TDataSetState saved = dataSet->SetTempState(c.temporary);
    // Nested temporary states still answer the state underneath all of them.
    const TDataSetState inner = dataSet->SetTempState(c.temporary);
    EXPECT_EQ(dataSet->SavedState(), c.state);
    EXPECT_EQ(ErrorOf<EFIBClientError>([&] { dataSet->CheckEditState(); }), c.error);
    dataSet->RestoreState(inner);
    dataSet->RestoreState(saved);
    EXPECT_EQ(dataSet->SavedState(), c.state);
  }
  dataSet->SetState(dsInactive);
}

// Every change of a statement's text makes the generated key condition stale; a change
// of the select text also drops the order information and the conditions' base.
TEST(DataSetConstruction, StatementTextChangesForgetWhatTheOldTextsGave) {
  TProbeDataSet dataSet(nullptr);
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  struct Case {
    const char* name;
    std::function<void()> change;
    bool clearsOrder;
  };
  const std::vector<Case> cases{
      {"select", [&] { dataSet.SelectSQL().SetText("select * from b"); }, true},
      {"update", [&] { dataSet.UpdateSQL().SetText("update a set x = 1"); }, false},
      {"insert", [&] { dataSet.InsertSQL().Add("insert into a values (1)"); }, false},
      {"delete", [&] { dataSet.DeleteSQL().SetText("delete from a"); }, false},
      {"refresh", [&] { dataSet.RefreshSQL().SetText("select * from a where id = ?id"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dataSet.SelectSQL().SetText("select * from a");
    options.SetKeyConditionCache("A.ID=?OLD_ID", "select * from a");
    dataSet.SetOrderInfo({{"ID", true}, {"NAME", false}}, true);
    c.change();
    EXPECT_EQ(options.KeyCondition(), "");
    EXPECT_EQ(options.KeyConditionSelect(), "");
    EXPECT_EQ(dataSet.OrderInfo().empty(), c.clearsOrder);
    EXPECT_EQ(dataSet.Sorted(), !c.clearsOrder);
  }
  // The table name drops only the condition.
  options.SetKeyConditionCache("A.ID=?OLD_ID", "select * from a");
  options.SetUpdateTableName("A");
  EXPECT_EQ(options.KeyCondition(), "");
  EXPECT_EQ(options.KeyConditionSelect(), "select * from a");
  // The dataset's conditions are its select statement's.
  dataSet.Conditions().AddCondition("big", "id > 10", true);
  dataSet.Conditions().Apply();
  EXPECT_NE(dataSet.SelectQuery().SQL().Text().find("id > 10"), AnsiString::npos);
  TConditions copy(nullptr, nullptr);
  copy.AddCondition("small", "id < 5", true);
  dataSet.SetConditions(copy);
  EXPECT_EQ(dataSet.SelectQuery().Conditions().Names(0), "small");
}

TEST(DataSetConstruction, GeneratorModeOfOlderStoredForms) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> stream;
    TWhenGetGenID before;
    TWhenGetGenID after;
  };
  const std::vector<Case> cases{
      {{{"SelectGenID", "True"}}, wgNever, wgBeforePost},
      {{{"SelectGenID", "False"}}, wgOnNewRecord, wgNever},
      {{{"SelectGenID", "True"}, {"GenBeforePost", "False"}}, wgNever, wgOnNewRecord},
      {{{"SelectGenID", "True"}, {"GenBeforePost", "True"}}, wgNever, wgBeforePost},
      {{{"SelectGenID", "False"}, {"GenBeforePost", "True"}}, wgNever, wgNever},
      {{{"GenBeforePost", "False"}}, wgOnNewRecord, wgOnNewRecord},
  };
  for (const Case& c : cases) {
    TProbeDataSet dataSet(nullptr);
    TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
    options.SetWhenGetGenID(c.before);
    for (const auto& [name, value] : c.stream) SetStrProp(&options, name, value);
    EXPECT_EQ(options.WhenGetGenID(), c.after) << c.stream.size() << " " << c.stream[0].second;
  }
  // The Boolean setter keeps a mode already chosen.
  TProbeDataSet dataSet(nullptr);
  TAutoUpdateOptions& options = dataSet.AutoUpdateOptions();
  for (const auto& [before, value, after] : {std::tuple{wgNever, true, wgBeforePost},
                                             std::tuple{wgOnNewRecord, true, wgOnNewRecord},
                                             std::tuple{wgBeforePost, false, wgNever}}) {
    options.SetWhenGetGenID(before);
    options.SetGenBeforePost(value);
    EXPECT_EQ(options.WhenGetGenID(), after);
  }
}

// Texts pass unchanged; the destination's size bounds the copy, in place or not.
TEST(DataSetConstruction, TranslateCopiesWithinTheDestination) {
  TComponent form(nullptr);
  auto* dataSet = new TProbeDataSet(&form);
  char out[8] = "xxxxxxx";
  EXPECT_EQ(dataSet->Translate("\xCF\xF0\xE8", out, true), 3);
  EXPECT_STREQ(out, "\xCF\xF0\xE8");
  EXPECT_EQ(dataSet->Translate("a longer text", out, false), 7);
  EXPECT_STREQ(out, "a longe");
  EXPECT_EQ(dataSet->Translate(out, out, false), 7);
  EXPECT_STREQ(out, "a longe");
  EXPECT_EQ(dataSet->Translate(nullptr, out, false), 0);
  EXPECT_EQ(dataSet->Translate("abc", std::span<char>(), false), 0);
}

}  // namespace
}  // namespace ordvane::test

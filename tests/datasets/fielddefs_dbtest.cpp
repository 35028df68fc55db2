// Field definitions, field classes, field origin and preparation of a dataset over the
// column fixture, in dialects 1 and 3 and on WIN1251 and UTF8 connections.

#include <gtest/gtest.h>

#include "datasets/FIBFields.h"
#include "tests/datasets/DataSetDbSupport.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

struct Def {
  TFieldType type;
  Integer size;
  TClass fieldClass;
};

class FieldDefsTest : public DataSetDbTest {
 protected:
  void Prepare(const std::string& select) {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Prepare();
  }
  Def DefOf(const char* name) {
    const TFieldDef* def = fDataSet->FieldDefs().Find(name);
    return {def->DataType(), def->Size(), fDataSet->GetFieldClass(def->DataType()).Class()};
  }
  bool Utf8() const { return std::string(GetParam().charset) == "UTF8"; }
};

TEST_P(FieldDefsTest, EveryColumnTypeGetsItsDefinitionAndClass) {
  Prepare("select t.*, rdb$db_key from t");
  // A Unicode connection reads every text column but OCTETS as Unicode: wide text of its
  // declared characters.
  const auto text = [&](Integer characters) {
    return Utf8() ? Def{ftWideString, characters, TFIBWideStringField::StaticClass()}
                  : Def{ftString, characters, TFIBStringField::StaticClass()};
  };
  std::map<std::string, Def> expected{
      {"ID", {ftInteger, 0, TFIBIntegerField::StaticClass()}},
      {"S", {ftSmallint, 0, TFIBSmallIntField::StaticClass()}},
      {"N92", {ftFloat, 0, TFIBFloatField::StaticClass()}},
      {"F", {ftFloat, 0, TFIBFloatField::StaticClass()}},
      {"D", {ftFloat, 0, TFIBFloatField::StaticClass()}},
      {"C5", text(5)},
      {"C20", text(20)},
      {"V20", text(20)},
      {"O16", {ftString, 16, TFIBStringField::StaticClass()}},
      {"BL", {ftMemo, 8, TFIBMemoField::StaticClass()}},
      {"BB", {ftBlob, 8, TFIBBlobField::StaticClass()}},
      {"AR", {ftBytes, 8, TFIBArrayField::StaticClass()}},
      {"DB_KEY", {ftString, 8, TFIBStringField::StaticClass()}},
  };
  if (Dialect() == 3) {
    expected.insert({{"B", {ftBCD, 0, TFIBBCDField::StaticClass()}},
                     {"N152", {ftBCD, 2, TFIBBCDField::StaticClass()}},
                     {"N186", {ftFloat, 0, TFIBFloatField::StaticClass()}},
                     {"DT", {ftDate, 0, TFIBDateField::StaticClass()}},
                     {"TM", {ftTime, 0, TFIBTimeField::StaticClass()}},
                     {"TS", {ftDateTime, 0, TFIBDateTimeField::StaticClass()}},
                     {"BO", {ftBoolean, 0, TFIBBooleanField::StaticClass()}},
                     {"U", text(10)}});
  } else {
    expected.insert({{"N152", {ftFloat, 0, TFIBFloatField::StaticClass()}},
                     {"DT", {ftDateTime, 0, TFIBDateTimeField::StaticClass()}}});
  }
  ASSERT_EQ(fDataSet->FieldDefs().Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < fDataSet->FieldDefs().Count(); ++i) {
    const TFieldDef* def = fDataSet->FieldDefs().Items(i);
    SCOPED_TRACE(def->Name());
    EXPECT_EQ(def->FieldNo(), i + 1);
    const Def& want = expected.at(def->Name());
    EXPECT_EQ(def->DataType(), want.type);
    EXPECT_EQ(def->Size(), want.size);
    EXPECT_EQ(fDataSet->GetFieldClass(def->DataType()).Class(), want.fieldClass);
  }
}

TEST_P(FieldDefsTest, TypeOptionsRebuildThePreparedDefinitions) {
  if (Dialect() == 1) GTEST_SKIP() << "dialect 1 has no 64-bit integers";
  Prepare("select b, n186 from t");
  EXPECT_EQ(DefOf("B").type, ftBCD);
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psUseLargeIntField, psSQLINT64ToBCD});
  EXPECT_EQ(DefOf("B").type, ftLargeint);
  EXPECT_EQ(DefOf("B").fieldClass, TFIBLargeIntField::StaticClass());
  EXPECT_EQ(DefOf("N186").type, ftBCD);
  EXPECT_EQ(DefOf("N186").size, 6);
  // On an open dataset only the options that change field types are refused.
  fDataSet->Open();
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->SetPrepareOptions({}); }),
            "Can't change psUseBooleanField or psSQLINT64ToBCD or psUseLargeIntField\r\n because Form.DataSet "
            "dataset open.");
  fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{pfSetRequiredFields});
  EXPECT_TRUE(fDataSet->PrepareOptions().Contains(pfSetRequiredFields));
}

TEST_P(FieldDefsTest, PersistentFieldsChooseTheirTypes) {
  auto* small = new TSmallintField(&fForm);
  small->SetFieldName("S");
  small->SetDataSet(fDataSet);
  auto* id = new TFIBIntegerField(&fForm);
  id->SetFieldName("ID");
  id->SetDataSet(fDataSet);
  Prepare("select id, s from t");
  EXPECT_EQ(DefOf("S").type, ftSmallint);
  fDataSet->Open();
  EXPECT_EQ(small->FieldNo(), 2);
  fDataSet->Close();
  delete small;
  auto* wide = new TIntegerField(&fForm);
  wide->SetFieldName("S");
  wide->SetDataSet(fDataSet);
  fDataSet->FieldDefs().SetUpdated(false);
  fDataSet->Open();
  EXPECT_EQ(DefOf("S").type, ftInteger);
  fDataSet->Close();
  if (Dialect() == 1) return;
  auto* stamp = new TDateTimeField(&fForm);
  stamp->SetFieldName("DT");
  stamp->SetDataSet(fDataSet);
  fDataSet->SelectSQL().SetText("select id, s, dt from t");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { fDataSet->Open(); }),
            "DataSet: Type mismatch for field 'DT', expecting: DateTime actual: Date");
}

// How a column's value reaches a field is worked out at the field's first read in an open:
// a field of another class reading the same column after a reopen (perhaps at the freed
// field's address) gets the value in its own format.
TEST_P(FieldDefsTest, AColumnReachesEachFieldInItsOwnFormat) {
  if (Dialect() == 1) return;  // NUMERIC(15,2) is a double there
  auto* dataSet = new TpFIBDataSet(&fForm);  // one that fetches
  dataSet->SetDatabase(fDatabase);
  dataSet->SetTransaction(fTransaction);
  dataSet->SelectSQL().SetText("select n152 from t order by id");
  const auto readThrough = [&](TField* field) {
    field->SetFieldName("N152");
    field->SetSize(2);
    field->SetDataSet(dataSet);
    dataSet->Open();
    const std::pair<double, AnsiString> read{field->AsFloat(), field->AsString()};
    dataSet->Close();
    delete field;
    return read;
  };
  for (int round = 0; round < 2; ++round) {
    const auto library = readThrough(new TBCDField(&fForm));
    EXPECT_DOUBLE_EQ(library.first, 1234567890123.45);
    EXPECT_EQ(library.second, "1234567890123" + std::string(1, FormatSettings().DecimalSeparator) + "45");
    const auto own = readThrough(new TFIBBCDField(&fForm));
    EXPECT_DOUBLE_EQ(own.first, 1234567890123.45);
    EXPECT_EQ(own.second, library.second);
  }
}

TEST_P(FieldDefsTest, FieldLookupNeverHandsOutAFreedField) {
  Open("select id, s from t");
  TField* first = fDataSet->FindFieldOrRaise("ID");
  EXPECT_EQ(fDataSet->FindFieldOrRaise("\"S\""), fDataSet->FieldByName("S"));
  fDataSet->Close();  // the default fields die
  fDataSet->Open();
  TField* second = fDataSet->FindFieldOrRaise("ID");
  EXPECT_EQ(second, fDataSet->FieldByName("ID"));
  EXPECT_EQ(second->DataSet(), fDataSet);
  (void)first;
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { fDataSet->FindFieldOrRaise("NOPE"); }), "DataSet: Field 'NOPE' not found");
  // A persistent field that is freed leaves the list too.
  fDataSet->Close();
  auto* persistent = new TFIBIntegerField(&fForm);
  persistent->SetFieldName("ID");
  persistent->SetDataSet(fDataSet);
  fDataSet->Open();
  EXPECT_EQ(fDataSet->FindFieldOrRaise("ID"), persistent);
  fDataSet->Close();
  delete persistent;
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { fDataSet->FindFieldOrRaise("ID"); }), "DataSet: Field 'ID' not found");
}

TEST_P(FieldDefsTest, SortFieldsExistWhenEveryOrderedNameIsAField) {
  Open("select id, s from t");
  struct Case {
    TOrderInfo order;
    bool exist;
  };
  for (const Case& c : {Case{{}, false}, Case{{{"ID", true}}, true}, Case{{{"ID", true}, {"\"S\"", false}}, true},
                        Case{{{"ID", true}, {"NOPE", true}}, false}}) {
    fDataSet->SetOrderInfo(c.order, false);
    EXPECT_EQ(fDataSet->AllSortFieldsExist(), c.exist) << c.order.size();
  }
}

TEST_P(FieldDefsTest, FieldOriginAndRelationNames) {
  auto* id = new TFIBIntegerField(&fForm);
  id->SetFieldName("ID");
  id->SetDataSet(fDataSet);
  auto* key = new TFIBStringField(&fForm);
  key->SetFieldName("DB_KEY");
  key->SetSize(8);
  key->SetDataSet(fDataSet);
  auto* calculated = new TFIBStringField(&fForm);
  calculated->SetFieldName("SUM");
  calculated->SetFieldKind(fkCalculated);
  calculated->SetDataSet(fDataSet);
  fDataSet->SelectSQL().SetText("select a.id, a.rdb$db_key from t a");
  // An inactive dataset prepares and binds its fields to answer.
  EXPECT_EQ(fDataSet->GetFieldOrigin(id), "T.ID");
  EXPECT_EQ(fDataSet->GetRelationFieldName(key), "RDB$DB_KEY");
  EXPECT_EQ(fDataSet->GetFieldOrigin(key), "T.RDB$DB_KEY");
  EXPECT_EQ(fDataSet->GetRelationTableName(calculated), "CALCULATED");
  EXPECT_EQ(fDataSet->GetFieldScale(calculated), 100);
  fDataSet->SetFieldOriginRule(forNoRule);
  EXPECT_EQ(fDataSet->GetFieldOrigin(id), "");
  fDataSet->SetFieldOriginRule(forClientFieldName);
  EXPECT_EQ(fDataSet->GetFieldOrigin(id), "ID");
  fDataSet->SetFieldOriginRule(forTableAliasAndFieldName);
  EXPECT_EQ(fDataSet->GetFieldOrigin(id), "A.ID");
  // Lower-case names find the field only where names are upper-cased.
  EXPECT_EQ(fDataSet->FindFieldByRelation("t", "id"), Dialect() == 1 ? id : nullptr);
  EXPECT_EQ(fDataSet->FindFieldByRelation("\"T\"", "\"ID\""), id);
  EXPECT_EQ(fDataSet->FindFieldByOrigin("T.RDB$DB_KEY"), key);
  EXPECT_EQ(fDataSet->FindFieldByOrigin("U.ID"), nullptr);
}

TEST_P(FieldDefsTest, PreparationAndTheSelectTextsGuards) {
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->Prepare(); }),
            "Can't Prepare Form.DataSet , because  query is empty");
  fDataSet->AutoUpdateOptions().SetUpdateTableName("T");
  Prepare("select * from t a");
  EXPECT_EQ(fDataSet->AutoUpdateOptions().AliasModifyTable(), "A");
  EXPECT_TRUE(fDataSet->Prepared());
  EXPECT_GT(fDataSet->FieldDefs().Count(), 0);
  // A new text forgets what the old one gave.
  fDataSet->SelectSQL().SetText("select id from t b");
  EXPECT_FALSE(fDataSet->Prepared());
  EXPECT_TRUE(fDataSet->SQLChanged());
  EXPECT_EQ(fDataSet->FieldDefs().Count(), 0);
  EXPECT_EQ(fDataSet->AutoUpdateOptions().AliasModifyTable(), "B");
  fDataSet->Open();
  TStringList other;
  other.SetText("select id from u");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->SetSelectSQL(other); }),
            "Can't  change SelectSQL  because Form.DataSet dataset open.");
  EXPECT_EQ(ErrorOf<EFIBClientError>([&] { fDataSet->SetTransaction(nullptr); }),
            "Can't  change transaction  because Form.DataSet dataset open.");
  EXPECT_EQ(fDataSet->SelectSQL().Text(), "select id from t b\r\n");
}

TEST_P(FieldDefsTest, PrepareTakesTheDatabasesTransactionAndStartsIt) {
  auto* other = new TFIBTransaction(&fForm);
  fDatabase->SetDefaultTransaction(other);
  auto* dataSet = new TProbeDataSet(&fForm);
  int starts = 0;
  dataSet->BeforeStartTransaction = [&](TObject*) { ++starts; };
  dataSet->SetDatabase(fDatabase);
  dataSet->SelectSQL().SetText("select id from t");
  dataSet->Prepare();
  EXPECT_EQ(dataSet->Transaction(), other);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(other->DefaultDatabase(), fDatabase);
  EXPECT_TRUE(other->Active());
  // Without poStartTransaction an inactive transaction stays so, and preparing fails.
  other->Commit();
  dataSet->SetOptions(dataSet->Options() - TpFIBDsOptions{poStartTransaction});
  dataSet->SelectSQL().SetText("select s from t");
  EXPECT_THROW(dataSet->Prepare(), EFIBClientError);
  EXPECT_FALSE(other->Active());
}

TEST_P(FieldDefsTest, TransactionHandlersFollowTheTransaction) {
  int readStarts = 0, updateStarts = 0, readEnds = 0;
  fDataSet->BeforeStartTransaction = [&](TObject*) { ++readStarts; };
  fDataSet->BeforeStartUpdateTransaction = [&](TObject*) { ++updateStarts; };
  fDataSet->AfterEndTransaction = [&](TFIBTransaction*, TTransactionAction, bool) { ++readEnds; };
  fTransaction->StartTransaction();
  fTransaction->Commit();
  EXPECT_EQ(readStarts, 1);
  EXPECT_EQ(updateStarts, 1);
  EXPECT_EQ(readEnds, 1);
  // After a switch the old transaction reaches the dataset no more.
  auto* other = new TFIBTransaction(&fForm);
  other->SetDefaultDatabase(fDatabase);
  fDataSet->SetTransaction(other);
  EXPECT_EQ(fDataSet->UpdateTransaction(), other);
  fTransaction->StartTransaction();
  fTransaction->Commit();
  EXPECT_EQ(readStarts, 1);
  other->StartTransaction();
  other->Commit();
  EXPECT_EQ(readStarts, 2);
  EXPECT_EQ(updateStarts, 2);
  // A separate update transaction takes the update side alone.
  auto* update = new TFIBTransaction(&fForm);
  update->SetDefaultDatabase(fDatabase);
  fDataSet->SetUpdateTransaction(update);
  update->StartTransaction();
  update->Commit();
  other->StartTransaction();
  other->Commit();
  EXPECT_EQ(readStarts, 3);
  EXPECT_EQ(updateStarts, 3);
}

INSTANTIATE_TEST_SUITE_P(Connections, FieldDefsTest, testing::ValuesIn(AllConnections),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test

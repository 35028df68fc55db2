// Calculated and lookup fields over two in-memory datasets, and the framework's own
// Locate and Lookup that walk the records.

#include <gtest/gtest.h>

#include "classlib/core/AnsiStrings.h"
#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

class CalcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cities.FieldDefs().Add("ID", ftInteger);
    cities.FieldDefs().Add("NAME", ftString, 20);
    cities.Open();
    for (const auto& [id, name] : std::vector<std::pair<int, const char*>>{{1, "Kyiv"}, {2, "Lviv"}, {3, "Odesa"}}) {
      std::vector<Variant> row;
      row.emplace_back(id);
      row.emplace_back(name);
      cities.AppendRecord(row);
    }
    cities.First();

    people.FieldDefs().Add("ID", ftInteger);
    people.FieldDefs().Add("NAME", ftString, 20);
    people.FieldDefs().Add("CITY_ID", ftInteger);
    MakeField<TIntegerField>("ID", fkData);
    MakeField<TStringField>("NAME", fkData);
    MakeField<TIntegerField>("CITY_ID", fkData);
    auto* city = MakeField<TStringField>("CITY", fkLookup);
    city->SetKeyFields("CITY_ID");
    city->SetLookupDataSet(&cities);
    city->SetLookupKeyFields("ID");
    city->SetLookupResultField("NAME");
    MakeField<TStringField>("SHOUT", fkCalculated)->SetSize(30);
    people.OnCalcFields = [this](TDataSet* dataSet) {
      ++calculations;
      states.push_back(dataSet->State());
      dataSet->FieldByName("SHOUT")->SetAsString(AnsiUpperCase(dataSet->FieldByName("NAME")->AsString()) + "!");
    };
    people.Open();
    AddPerson(1, "ann", Variant(2));
    AddPerson(2, "bob", Variant(3));
    AddPerson(3, "cid", Null());
    AddPerson(4, "dee", Variant(9));
    people.First();
    calculations = 0;
    states.clear();
  }

  template <class Field>
  Field* MakeField(const AnsiString& name, TFieldKind kind) {
    auto* field = new Field(&people);
    field->SetFieldName(name);
    field->SetFieldKind(kind);
    field->SetDataSet(&people);
    return field;
  }

  void AddPerson(int id, const char* name, const Variant& city) {
    std::vector<Variant> row;
    row.emplace_back(id);
    row.emplace_back(name);
    row.push_back(city);
    people.AppendRecord(row);
  }

  TMemDataSet cities{nullptr};
  TMemDataSet people{nullptr};
  int calculations = 0;
  std::vector<TDataSetState> states;
};

TEST_F(CalcTest, EachFetchedRecordIsCalculatedUnderTheTemporaryState) {
  std::vector<std::string> seen;
  for (people.First(); !people.Eof(); people.Next())
    seen.push_back(people.FieldByName("SHOUT")->AsString() + " " + people.FieldByName("CITY")->AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"ANN! Lviv", "BOB! Odesa", "CID! ", "DEE! "}));
  EXPECT_TRUE(people.FieldByName("CITY")->IsNull()) << "a key that finds nothing gives null";
  EXPECT_EQ(calculations, 4);
  EXPECT_EQ(states, std::vector<TDataSetState>(4, dsCalcFields));
  EXPECT_EQ(people.State(), dsBrowse);
  EXPECT_EQ(cities.FieldByName("ID")->AsInteger(), 1) << "the lookups leave the other dataset where it was";
}

TEST_F(CalcTest, AChangedDataFieldRecalculatesAtOnce) {
  people.Edit();
  calculations = 0;
  people.FieldByName("NAME")->SetAsString("anna");
  EXPECT_EQ(calculations, 1);
  EXPECT_EQ(people.FieldByName("SHOUT")->AsString(), "ANNA!");
  people.FieldByName("CITY_ID")->SetAsInteger(1);
  EXPECT_EQ(people.FieldByName("CITY")->AsString(), "Kyiv");
  people.FieldByName("CITY_ID")->Clear();
  EXPECT_TRUE(people.FieldByName("CITY")->IsNull());
  people.Cancel();
  EXPECT_EQ(people.FieldByName("SHOUT")->AsString(), "ANN!");
  EXPECT_EQ(people.FieldByName("CITY")->AsString(), "Lviv");
}

TEST_F(CalcTest, WithoutAutoCalcFieldsAChangeIsNotRecalculated) {
  people.SetAutoCalcFields(false);
  people.Edit();
  calculations = 0;
  people.FieldByName("NAME")->SetAsString("anna");
  EXPECT_EQ(calculations, 0);
  EXPECT_EQ(people.FieldByName("SHOUT")->AsString(), "ANN!");
  people.Post();
  EXPECT_EQ(people.FieldByName("SHOUT")->AsString(), "ANNA!") << "the posted record is read and calculated again";
}

TEST_F(CalcTest, CalculatedFieldsAreWrittenOnlyWhileCalculating) {
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { people.FieldByName("SHOUT")->SetAsString("x"); }),
            "Dataset not in edit or insert mode");
  people.OnCalcFields = [](TDataSet* dataSet) { dataSet->FieldByName("NAME")->SetAsString("x"); };
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { people.Next(); }), "Dataset not in edit or insert mode")
      << "a data field cannot be written from OnCalcFields";
}

TEST_F(CalcTest, TheLookupDatasetMayBeClosed) {
  cities.Close();
  people.Refresh();
  EXPECT_TRUE(people.FieldByName("CITY")->IsNull());
  EXPECT_EQ(people.FieldByName("SHOUT")->AsString(), "ANN!");
}

TEST_F(CalcTest, LocateStaysOnTheMatchOrGoesBack) {
  people.Next();
  EXPECT_TRUE(people.Locate("NAME", Variant("CI"), {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(people.FieldByName("ID")->AsInteger(), 3);
  EXPECT_FALSE(people.Locate("NAME", Variant("CI"), {loPartialKey}));
  EXPECT_FALSE(people.Locate("NAME", Variant("ci"), {}));
  EXPECT_EQ(people.FieldByName("ID")->AsInteger(), 3) << "no match leaves the position";
  EXPECT_TRUE(people.Locate("CITY_ID", Null(), {}));
  EXPECT_EQ(people.FieldByName("ID")->AsInteger(), 3);
  EXPECT_TRUE(people.Locate("CITY_ID;NAME", VarArrayOf({Variant(9), Variant("dee")}), {}));
  EXPECT_EQ(people.FieldByName("ID")->AsInteger(), 4);
  EXPECT_TRUE(people.Locate("ID", Variant("2"), {})) << "the key is converted to the field's type";
  EXPECT_EQ(people.FieldByName("NAME")->AsString(), "bob");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { people.Locate("NOPE", Variant(1), {}); }), "Field 'NOPE' not found");
}

TEST_F(CalcTest, LookupAnswersValuesAndKeepsThePosition) {
  people.Next();
  EXPECT_EQ(people.Lookup("ID", Variant(4), "NAME").AsString(), "dee");
  const Variant both = people.Lookup("NAME", Variant("ann"), "ID;CITY");
  EXPECT_EQ(VarArrayGet(both, {0}).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(both, {1}).AsString(), "Lviv");
  EXPECT_TRUE(VarIsNull(people.Lookup("ID", Variant(99), "NAME")));
  EXPECT_EQ(people.FieldByName("ID")->AsInteger(), 2);
}

TEST_F(CalcTest, OldAndNewValuesOfAnEdit) {
  people.Edit();
  people.FieldByName("NAME")->SetAsString("changed");
  EXPECT_EQ(people.FieldByName("NAME")->OldValue().AsString(), "ann");
  EXPECT_EQ(people.FieldByName("NAME")->CurValue().AsString(), "ann");
  EXPECT_EQ(people.FieldByName("NAME")->NewValue().AsString(), "changed");
  people.FieldByName("NAME")->SetNewValue(Variant("again"));
  EXPECT_EQ(people.FieldByName("NAME")->AsString(), "again");
  EXPECT_EQ(people.State(), dsEdit);
  people.Cancel();
  people.Insert();
  EXPECT_TRUE(VarIsNull(people.FieldByName("NAME")->OldValue())) << "a new record has no old value";
}

}  // namespace
}  // namespace ordvane::test

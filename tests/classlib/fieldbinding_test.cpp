// Field definitions and the fields bound to them: default and persistent fields, the
// checks made when they are bound, finding fields by name, and where calculated, lookup
// and blob fields are placed.

#include <gtest/gtest.h>

#include "tests/classlib/DataSetLog.h"
#include "tests/classlib/Support.h"

namespace ordvane::test {
namespace {

class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.SetName("People");
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 20);
    data.FieldDefs().Add("BORN", ftDate);
    data.FieldDefs().Add("NOTES", ftMemo);
  }

  template <class Field>
  Field* Persistent(const AnsiString& name, TFieldKind kind = fkData) {
    auto* field = new Field(&owner);
    field->SetFieldName(name);
    field->SetFieldKind(kind);
    field->SetDataSet(&data);
    return field;
  }

  TComponent owner{nullptr};
  TMemDataSet data{nullptr};
};

TEST_F(BindingTest, DefaultFieldsFollowTheDefinitions) {
  data.Open();
  EXPECT_TRUE(data.DefaultFields());
  ASSERT_EQ(data.FieldCount(), 4);
  const std::vector<std::pair<const char*, TClass>> expected = {{"ID", TIntegerField::StaticClass()},
                                                                {"NAME", TStringField::StaticClass()},
                                                                {"BORN", TDateField::StaticClass()},
                                                                {"NOTES", TMemoField::StaticClass()}};
  for (int i = 0; i < 4; ++i) {
    TField* field = data.Fields()[i];
    EXPECT_EQ(field->FieldName(), expected[i].first);
    EXPECT_EQ(field->ClassType(), expected[i].second);
    EXPECT_EQ(field->FieldNo(), i + 1);
    EXPECT_EQ(field->Index(), i);
    EXPECT_EQ(field->Owner(), &data);
  }
  EXPECT_EQ(data.FieldByName("NAME")->Size(), 20);
  EXPECT_EQ(data.Fields().FieldByNumber(3)->FieldName(), "BORN");
  EXPECT_EQ(data.Fields().FieldByNumber(9), nullptr);
}

TEST_F(BindingTest, NamesAreFoundIgnoringCaseAndMissingOnesAreNamed) {
  data.FieldDefs().Add(Utf8ToAnsi("ПРІЗВИЩЕ"), ftString, 30);
  data.Open();
  EXPECT_EQ(data.FindField("name"), data.FieldByName("NAME"));
  EXPECT_EQ(data.FindField(Utf8ToAnsi("прізвище"))->Size(), 30);
  EXPECT_EQ(data.FindField("NOPE"), nullptr);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldByName("NOPE"); }), "People: Field 'NOPE' not found");

  const std::vector<TField*> list = data.GetFieldList(" ID ; name;");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->FieldName(), "NAME");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.GetFieldList("ID;NOPE"); }), "People: Field 'NOPE' not found");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.GetFieldList("ID;;NAME"); }), "People: Field '' not found");
  EXPECT_TRUE(data.GetFieldList("").empty());
}

TEST_F(BindingTest, FieldValuesReadsAndWritesOneValueOrAnArray) {
  data.Open();
  data.Append();
  data.SetFieldValues("ID;NAME", VarArrayOf({Variant(7), Variant("Ann")}));
  data.Post();
  EXPECT_EQ(data.FieldValues("ID").AsInteger(), 7);
  const Variant both = data.FieldValues("NAME; ID");
  ASSERT_TRUE(VarIsArray(both));
  EXPECT_EQ(VarArrayGet(both, {0}).AsString(), "Ann");
  EXPECT_EQ(VarArrayGet(both, {1}).AsInteger(), 7);
  data.Edit();
  EXPECT_THROW(data.SetFieldValues("ID;NAME", Variant(8)), EVariantError);
  EXPECT_THROW(data.SetFieldValues("ID;NAME", VarArrayOf({Variant(8)})), EVariantError);
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 7) << "a mismatched array writes nothing";
}

TEST_F(BindingTest, PersistentFieldsBindToTheirDefinitions) {
  auto* name = Persistent<TStringField>("NAME");
  name->SetSize(20);
  auto* id = Persistent<TIntegerField>("ID");
  data.Open();
  EXPECT_FALSE(data.DefaultFields());
  EXPECT_EQ(data.FieldCount(), 2);
  EXPECT_EQ(name->FieldNo(), 2);
  EXPECT_EQ(id->FieldNo(), 1);
  EXPECT_EQ(name->Index(), 0);
  data.Close();
  EXPECT_EQ(data.FieldCount(), 2) << "persistent fields stay after closing";
  EXPECT_EQ(name->FieldNo(), 0);
}

TEST_F(BindingTest, AFieldOfTheWrongTypeOrSizeStopsTheOpen) {
  auto* id = Persistent<TStringField>("ID");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }),
            "People: Type mismatch for field 'ID', expecting: String actual: Integer");
  EXPECT_FALSE(data.Active());
  delete id;
  auto* name = Persistent<TStringField>("NAME");
  name->SetSize(10);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }),
            "People: Size mismatch for field 'NAME', expecting: 10 actual: 20");
  delete name;
  Persistent<TIntegerField>("AGE");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }), "People: Field 'AGE' not found");
  EXPECT_FALSE(data.Active());
}

TEST_F(BindingTest, FieldsChangeOnlyWhileTheDatasetIsClosed) {
  auto* id = Persistent<TIntegerField>("ID");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { Persistent<TIntegerField>("id"); }), "People: Duplicate field name 'id'");
  data.Open();
  const char* open = "People: Cannot perform this operation on an open dataset";
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { id->SetFieldName("X"); }), open);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { id->SetFieldKind(fkCalculated); }), open);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { id->SetDataSet(nullptr); }), open);
  TStringField extra(nullptr);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { extra.SetDataSet(&data); }), open);
  EXPECT_EQ(data.FieldCount(), 1);
}

TEST_F(BindingTest, CalculatedFieldsShareOneAreaAndBlobsAreNumbered) {
  Persistent<TIntegerField>("ID");
  Persistent<TMemoField>("NOTES");
  auto* total = Persistent<TIntegerField>("TOTAL", fkCalculated);
  auto* label = Persistent<TStringField>("LABEL", fkCalculated);
  label->SetSize(10);
  auto* born = Persistent<TDateField>("BORN");
  data.Open();
  EXPECT_EQ(total->FieldNo(), -1);
  EXPECT_EQ(total->Offset(), 0);
  EXPECT_EQ(label->Offset(), 5) << "after the first value and its presence byte";
  EXPECT_EQ(data.CalcFieldsSize(), 5 + 12);
  EXPECT_EQ(data.BlobFieldCount(), 1);
  EXPECT_EQ(data.FieldByName("NOTES")->Offset(), 0);
  EXPECT_EQ(born->FieldNo(), 3);
}

TEST_F(BindingTest, ALookupFieldNeedsAllItsInformation) {
  TMemDataSet cities(nullptr);
  auto* city = Persistent<TStringField>("CITY", fkLookup);
  city->SetKeyFields("ID");
  city->SetLookupKeyFields("ID");
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }), "People: Lookup information for field 'CITY' is incomplete");
  city->SetLookupDataSet(&cities);
  city->SetLookupResultField("NAME");
  data.Open();
  EXPECT_EQ(city->FieldNo(), -1);
  data.Close();
  // The lookup dataset may go away first; the field forgets it.
  {
    TMemDataSet temporary(nullptr);
    city->SetLookupDataSet(&temporary);
  }
  EXPECT_EQ(city->LookupDataSet(), nullptr);
}

TEST_F(BindingTest, DefinitionsAreUniqueAndNumberedInOrder) {
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldDefs().Add("name", ftString, 5); }),
            "People: Duplicate field name 'name'");
  EXPECT_EQ(data.FieldDefs().Find("born")->FieldNo(), 3);
  EXPECT_EQ(data.FieldDefs().IndexOf("NOTES"), 3);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.FieldDefs().Find("X"); }), "People: Field 'X' not found");
  data.FieldDefs().Add("ARRAY", ftADT);
  EXPECT_EQ(ErrorOf<EDatabaseError>([&] { data.Open(); }), "People: Field 'ARRAY' is of an unknown type");
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(data.FieldCount(), 0) << "the fields made before the failure are gone";
}

TEST_F(BindingTest, UpdateAsksTheDatasetOnceUntilTheDefinitionsChange) {
  struct TCountingDataSet : TMemDataSet {
    using TMemDataSet::TMemDataSet;
    int asked = 0;
    void InternalInitFieldDefs() override { ++asked; }
  };
  TCountingDataSet counting(nullptr);
  counting.FieldDefs().Add("A", ftInteger);
  EXPECT_FALSE(counting.FieldDefs().Updated());
  counting.FieldDefs().Update();
  counting.FieldDefs().Update();
  EXPECT_EQ(counting.asked, 1);
  EXPECT_TRUE(counting.FieldDefs().Updated());
  counting.FieldDefs().Add("B", ftInteger);
  EXPECT_FALSE(counting.FieldDefs().Updated());
  counting.FieldDefs().Update();
  EXPECT_EQ(counting.asked, 2);
}

}  // namespace
}  // namespace ordvane::test

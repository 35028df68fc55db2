// Column filters on a grid over the in-memory dataset: the value class of each column,
// the key of a key/pick-list column, the local and SQL texts the builders write (the
// local one read back by the dataset's own filter parser), and the data service's
// dispatch to hooks and features objects.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/StringLists.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::NewForm;
using test::TDataGrid;
using test::TMemDataSet;
using test::UiDriver;

// Persons: ID, NAME, AMOUNT (float), BORN (date-time), PHOTO (blob), CITY_ID.
struct FilterGridFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(50, 50, 750, 650))};
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TDataGrid* grid = nullptr;

  FilterGridFixture() {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("NAME", ftString, 30);
    data.FieldDefs().Add("AMOUNT", ftFloat);
    data.FieldDefs().Add("BORN", ftDateTime);
    data.FieldDefs().Add("PHOTO", ftBlob);
    data.FieldDefs().Add("CITY_ID", ftInteger);
    data.Open();
    const Variant nul = Null();
    Add(1, "O'Brien", 1.5, EncodeDate(2023, 11, 17), 1);
    Add(2, "Ab", 10, EncodeDate(2000, 1, 1) + EncodeTime(10, 30, 0, 0), 2);
    Add(3, "a", 20, EncodeDate(1999, 12, 31), 3);
    Add(4, "b", 1E20, EncodeDate(2023, 11, 17), 1);
    data.AppendRecord({Variant(5), nul, nul, nul, nul, nul});
    data.First();
    source.SetDataSet(&data);
    grid = test::PlaceDataGrid(*form, source);
    for (const char* name : {"ID", "NAME", "AMOUNT", "BORN", "PHOTO", "CITY_ID"})
      grid->Columns().Add()->SetFieldName(name);
    ui.Process();
  }

  void Add(int id, const AnsiString& name, double amount, TDateTime born, int city) {
    data.AppendRecord(
        {Variant(id), Variant(name), Variant(amount), VarFromDateTime(born), Variant("x"), Variant(city)});
  }
  TColumnEh& Column(const AnsiString& fieldName) {
    for (int i = 0; i < grid->Columns().Count(); ++i)
      if (grid->Columns().Items(i)->FieldName() == fieldName) return *grid->Columns().Items(i);
    throw Exception("no column " + fieldName);
  }
  void Filter(const AnsiString& fieldName, const AnsiString& text) {
    Column(fieldName).STFilter().SetExpressionStr(text);
  }
  AnsiString SQLText(bool useOrigin = false) {
    TSTFilterBuildOptionsEh options;
    options.ConditionText = SQLConditionText;
    options.LikeSupported = false;
    options.UseOrigin = useOrigin;
    return BuildLocalFilterText(*grid, options);
  }
  AnsiString LocalText() { return BuildLocalFilterText(*grid, TSTFilterBuildOptionsEh{}); }
  // The IDs the dataset shows under its own filter parser with the local text.
  AnsiString LocallyFilteredIds() {
    data.SetFilter(LocalText());
    data.SetFiltered(true);
    AnsiString ids;
    for (data.First(); !data.Eof(); data.Next())
      ids += (ids.empty() ? "" : ",") + data.FieldByName("ID")->AsString();
    data.SetFiltered(false);
    return ids;
  }
  void SetKeyAndPickLists(const AnsiString& fieldName, const AnsiString& keys, const AnsiString& picks) {
    TStringList keyList, pickList;
    keyList.SetCommaText(keys);
    pickList.SetCommaText(picks);
    Column(fieldName).SetKeyList(&keyList);
    Column(fieldName).SetPickList(&pickList);
  }
};

TEST(ColumnFilter, ValueClassesOfColumns) {
  FilterGridFixture f;
  EXPECT_EQ(f.Column("ID").STFilter().OperandType(), botNumber);
  EXPECT_EQ(f.Column("NAME").STFilter().OperandType(), botString);
  EXPECT_EQ(f.Column("AMOUNT").STFilter().OperandType(), botNumber);
  EXPECT_EQ(f.Column("BORN").STFilter().OperandType(), botDateTime);
  // A blob column filters nothing, whatever is typed.
  EXPECT_EQ(f.Column("PHOTO").STFilter().OperandType(), botNon);
  f.Filter("PHOTO", "abc");
  EXPECT_EQ(f.SQLText(), "");
  // A column without a field has no class either.
  TColumnEh* orphan = f.grid->Columns().Add();
  orphan->SetFieldName("MISSING");
  EXPECT_EQ(orphan->STFilter().OperandType(), botNon);
  // Key and pick lists with items make a number column filter its shown texts.
  f.SetKeyAndPickLists("CITY_ID", "1,2,3", "Kyiv,Lviv,Odesa");
  EXPECT_EQ(f.Column("CITY_ID").STFilter().OperandType(), botString);
  f.SetKeyAndPickLists("CITY_ID", "1,2,3", "");
  EXPECT_EQ(f.Column("CITY_ID").STFilter().OperandType(), botNumber);
}

TEST(ColumnFilter, KeyListColumnsFilterByTheKeyOfTheShownText) {
  FilterGridFixture f;
  f.SetKeyAndPickLists("CITY_ID", "1,2,3", "Kyiv,Lviv,Odesa");
  f.Filter("CITY_ID", "Lviv");
  TSTColumnFilterEh& filter = f.Column("CITY_ID").STFilter();
  EXPECT_TRUE(filter.IsSingleTypedOperand());
  EXPECT_EQ(VarToStr(filter.Expression().Operand1), "Lviv");
  EXPECT_EQ(VarToStr(filter.GetOperand1()), "2");
  EXPECT_EQ(f.SQLText(), " CITY_ID LIKE '2' ");
  f.Filter("CITY_ID", "Kyiv,Odesa");
  EXPECT_FALSE(filter.IsSingleTypedOperand());
  EXPECT_EQ(f.SQLText(), " CITY_ID IN ('1','3') ");
  EXPECT_EQ(f.LocallyFilteredIds(), "1,3,4");
  // A text in no pick-list item stays as typed.
  f.Filter("CITY_ID", "Dnipro");
  EXPECT_EQ(VarToStr(filter.GetOperand1()), "Dnipro");
}

// A lookup field filtered through its list: names typed, the data's key filtered.
TEST(ColumnFilter, ALookupColumnFiltersItsKeyByTheNamesOfItsList) {
  test::DataGridFixture<> f(6);  // CITY_ID 2, 3, 1, 2, 3, 1
  TDataSource cityList(nullptr);
  cityList.SetDataSet(&f.cities);
  TColumnEh* city = f.Column("CITY");
  TSTColumnFilterEh& filter = city->STFilter();
  filter.SetListSource(&cityList);
  filter.SetListField("NAME");
  EXPECT_EQ(filter.GetFilterFieldName(), "CITY") << "no key field: no route through the list";
  filter.SetKeyField("ID");
  EXPECT_EQ(filter.GetFilterFieldName(), "CITY_ID");
  const auto locallyFilteredIds = [&](const AnsiString& text) {
    filter.SetExpressionStr(text);
    f.data.SetFilter(BuildColumnFilterText(*city, {}));
    f.data.SetFiltered(true);
    AnsiString ids;
    for (f.data.First(); !f.data.Eof(); f.data.Next())
      ids += (ids.empty() ? "" : ",") + f.data.FieldByName("ID")->AsString();
    f.data.SetFiltered(false);
    return ids;
  };
  EXPECT_EQ(locallyFilteredIds("Lviv"), "1,4");
  EXPECT_EQ(locallyFilteredIds("In (Kyiv,Odesa)"), "2,3,5,6");
  EXPECT_EQ(locallyFilteredIds(">=Lviv"), "1,2,4,5");
  EXPECT_EQ(locallyFilteredIds("Rivne"), "");
  f.cities.AppendRecord({Null(), Variant("Lutsk")});
  EXPECT_EQ(locallyFilteredIds("L%"), "1,4") << "a town without a key names no person";

  f.Field("CITY_ID")->SetOrigin("P.CITY_ID");
  filter.SetExpressionStr("~%v%");
  TSTFilterBuildOptionsEh sql;
  sql.ConditionText = SQLConditionText;
  sql.UseOrigin = true;
  // Keys go as text, exact for any key, which the server converts.
  EXPECT_EQ(BuildColumnFilterText(*city, sql), " P.CITY_ID IN ('1','2')") << "the key field's own name in the select";
}

TEST(ColumnFilter, SetTextParsesInTheColumnClassAndKeepsTheOldFilterOnError) {
  FilterGridFixture f;
  TSTColumnFilterEh& filter = f.Column("ID").STFilter();
  filter.SetExpressionStr(">=2 and <4");
  EXPECT_EQ(filter.ExpressionStr(), ">=2 and <4");
  EXPECT_EQ(filter.Expression().ExpressionType, botNumber);
  EXPECT_EQ(VarType(filter.GetOperand2()), varDouble);
  EXPECT_FALSE(filter.IsSingleTypedOperand());
  EXPECT_THROW(filter.SetExpressionStr("abc"), EConvertError);
  EXPECT_THROW(filter.SetExpressionStr("'abc"), Exception);
  EXPECT_EQ(filter.ExpressionStr(), ">=2 and <4");
  EXPECT_EQ(filter.Expression().Operator2, foLessThan);
  filter.SetExpressionStr("3");
  EXPECT_TRUE(filter.IsSingleTypedOperand());
  filter.Clear();
  EXPECT_EQ(filter.ExpressionStr(), "");
  EXPECT_EQ(filter.Expression().Operator1, foNon);
  // The field is filtered under its own name unless the filter names another.
  EXPECT_EQ(filter.GetFilterFieldName(), "ID");
  filter.SetDataField("P.ID");
  EXPECT_EQ(filter.GetFilterFieldName(), "P.ID");
}

TEST(FilterBuilders, SQLTextOfSeveralColumns) {
  FilterGridFixture f;
  EXPECT_EQ(f.SQLText(), "");
  f.Filter("NAME", "Ab");
  f.Filter("ID", ">1");
  EXPECT_EQ(f.SQLText(), " ID > 1 AND  NAME LIKE 'Ab' ");
  f.Column("ID").STFilter().Clear();
  f.Filter("NAME", "a or b");
  EXPECT_EQ(f.SQLText(), "( NAME LIKE 'a' OR NAME LIKE 'b') ");
  f.Filter("NAME", "=Null");
  f.Filter("AMOUNT", "<>Null");
  EXPECT_EQ(f.SQLText(), " NAME IS NULL AND  AMOUNT IS NOT NULL ");
  f.Filter("AMOUNT", "not in (2, 20)");
  f.Column("NAME").STFilter().Clear();
  EXPECT_EQ(f.SQLText(), " AMOUNT NOT IN (2,20) ");
  f.Filter("AMOUNT", ">=1E20");
  EXPECT_EQ(f.SQLText(), " AMOUNT >= 1E20 ");
  f.Filter("BORN", ">=01.01.2000 and <17.11.2023");
  f.Column("AMOUNT").STFilter().Clear();
  EXPECT_EQ(f.SQLText(), " BORN >= '01.01.2000' AND BORN < '17.11.2023' ");
  // The origin names the field in SQL unless the filter names a data field itself.
  f.Column("BORN").STFilter().Clear();
  f.Filter("NAME", "not like 'a%'");
  f.data.FieldByName("NAME")->SetOrigin("P.NAME");
  EXPECT_EQ(f.SQLText(true), " P.NAME NOT LIKE 'a%' ");
  f.Column("NAME").STFilter().SetDataField("UPPER(NAME)");
  EXPECT_EQ(f.SQLText(true), " UPPER(NAME) NOT LIKE 'a%' ");
}

TEST(FilterBuilders, ApostrophesAreDoubledInEveryValue) {
  FilterGridFixture f;
  f.Filter("NAME", "O'Brien");
  EXPECT_EQ(f.SQLText(), " NAME LIKE 'O''Brien' ");
  EXPECT_EQ(f.LocalText(), " [NAME] Like 'O''Brien' ");
  EXPECT_EQ(f.LocallyFilteredIds(), "1");
  f.Filter("NAME", "x'or'1'='1");
  EXPECT_EQ(f.SQLText(), " NAME LIKE 'x''or''1''=''1' ");
  EXPECT_EQ(f.LocallyFilteredIds(), "");
  f.Filter("NAME", "in (O'Brien,b)");
  EXPECT_EQ(f.SQLText(), " NAME IN ('O''Brien','b') ");
  EXPECT_EQ(f.LocallyFilteredIds(), "1,4");
}

TEST(FilterBuilders, LocalTextTheDatasetReads) {
  FilterGridFixture f;
  EXPECT_EQ(f.LocalText(), "");
  f.Filter("NAME", "a,b");
  EXPECT_EQ(f.LocalText(), " ([NAME] = 'a' OR [NAME] = 'b') ");
  EXPECT_EQ(f.LocallyFilteredIds(), "3,4");
  f.Filter("NAME", "not in (a,b)");
  EXPECT_EQ(f.LocalText(), " NOT ( [NAME] = 'a' OR [NAME] = 'b') ");
  // A null name equals neither value.
  EXPECT_EQ(f.LocallyFilteredIds(), "1,2,5");
  f.Filter("NAME", "a or b");
  EXPECT_EQ(f.LocalText(), "( [NAME] Like 'a' OR [NAME] Like 'b') ");
  f.Column("NAME").STFilter().Clear();
  // Numbers in plain decimal with a period, whatever the locale writes.
  f.Filter("AMOUNT", "1,5");
  EXPECT_EQ(f.LocalText(), " [AMOUNT] = 1.5 ");
  EXPECT_EQ(f.LocallyFilteredIds(), "1");
  f.Filter("AMOUNT", "=1E20");
  EXPECT_EQ(f.LocalText(), " [AMOUNT] = 100000000000000000000 ");
  EXPECT_EQ(f.LocallyFilteredIds(), "4");
  f.Filter("AMOUNT", ">=10 and <=20");
  f.Filter("NAME", "=Null");
  EXPECT_EQ(f.LocalText(), " [NAME] IS NULL AND  [AMOUNT] >= 10 AND [AMOUNT] <= 20 ");
  f.Column("AMOUNT").STFilter().Clear();
  EXPECT_EQ(f.LocallyFilteredIds(), "5");
  f.Column("NAME").STFilter().Clear();
  f.Filter("BORN", "=17.11.2023");
  EXPECT_EQ(f.LocalText(), " [BORN] = '17.11.2023' ");
  EXPECT_EQ(f.LocallyFilteredIds(), "1,4");
  // Without LIKE the dataset compares for equality.
  f.Column("BORN").STFilter().Clear();
  f.Filter("NAME", "not like Ab");
  TSTFilterBuildOptionsEh noLike;
  noLike.LikeSupported = false;
  EXPECT_EQ(BuildLocalFilterText(*f.grid, noLike), " [NAME] <> 'Ab' ");
  // A closed dataset has no filter text.
  f.data.Close();
  EXPECT_EQ(f.LocalText(), "");
}

// ---- Data service

class TServiceDataSet : public TMemDataSet {
  ORDVANE_CLASS(TServiceDataSet, TMemDataSet)
 public:
  using TMemDataSet::TMemDataSet;
};

// Counts what reaches it.
class TCountingFeatures : public TDatasetFeaturesEh {
  ORDVANE_CLASS(TCountingFeatures, TDatasetFeaturesEh)
 public:
  static inline int sortings = 0;
  static inline int filters = 0;
  void ApplySorting(TCustomDBGridEh&, TDataSet*, bool isReopen) override { sortings += isReopen ? 1 : 100; }
  void ApplyFilter(TCustomDBGridEh&, TDataSet*, bool isReopen) override { filters += isReopen ? 1 : 100; }
};

TEST(DataService, HooksRunInsteadOfTheFeaturesObject) {
  TServiceDataSet served(nullptr);
  FilterGridFixture f;
  TDBGridEhDataService& service = DBGridEhDataService();
  // Without a features object nothing happens and nothing is said.
  EXPECT_EQ(GetDatasetFeaturesEh(&f.data), nullptr);
  service.ApplySorting(*f.grid);
  service.ApplyFilter(*f.grid);
  EXPECT_FALSE(service.MoveRecords(*f.grid, {f.data.Bookmark()}, 2, 0, true));
  // The text search works without one.
  EXPECT_TRUE(service.LocateText(*f.grid, "NAME", "b", {}, ltdAllEh, ltmWholeEh, lttInAllNodesEh));
  EXPECT_EQ(f.data.FieldByName("ID")->AsInteger(), 4);

  RegisterDatasetFeaturesEh<TCountingFeatures>(TServiceDataSet::StaticClass());
  served.FieldDefs().Add("ID", ftInteger);
  served.Open();
  f.source.SetDataSet(&served);
  service.ApplySorting(*f.grid);
  service.ApplyFilter(*f.grid);
  EXPECT_EQ(TCountingFeatures::sortings, 1);
  EXPECT_EQ(TCountingFeatures::filters, 1);

  int hooked = 0;
  service.OnApplySorting = [&](TCustomDBGridEh& grid) { hooked += &grid == f.grid ? 1 : 100; };
  service.OnApplyFilter = [&](TCustomDBGridEh& grid) { hooked += &grid == f.grid ? 10 : 100; };
  service.ApplySorting(*f.grid);
  service.ApplyFilter(*f.grid);
  service.OnApplySorting.Clear();
  service.OnApplyFilter.Clear();
  EXPECT_EQ(hooked, 11);
  EXPECT_EQ(TCountingFeatures::sortings, 1);
  EXPECT_EQ(TCountingFeatures::filters, 1);
  // The base class moves records: the in-memory dataset is sequenced.
  EXPECT_TRUE(service.MoveRecords(*f.grid, {}, 1, 0, true));
}

}  // namespace
}  // namespace ordvane

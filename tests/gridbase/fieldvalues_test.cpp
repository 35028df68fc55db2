// The special row's cell parser, the routines over fields named in a list and over
// Variants, the double-click test, and the distinct values of a field over the in-memory
// dataset.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/core/CodePages.h"
#include "classlib/ui/SysMetrics.h"
#include "gridbase/FieldValuesEh.h"
#include "gridbase/SpecRowEh.h"
#include "gridbase/SupportEh.h"
#include "tests/support/MemDataSet.h"

namespace ordvane {
namespace {

using test::TMemDataSet;
using Cells = std::vector<AnsiString>;

// An array of two counted from 1.
Variant FromOne(const Variant& first, const Variant& second) {
  Variant array = VarArrayCreate({1, 2}, varVariant);
  VarArrayPut(array, first, {1});
  VarArrayPut(array, second, {2});
  return array;
}

TEST(CellsText, SplitsQuotedAndPlainCellsAndAlwaysEnds) {
  using namespace std::string_view_literals;
  const struct {
    AnsiString text;
    Cells cells;
  } cases[] = {
      {"a;\"b;c\";d", {"a", "b;c", "d"}},
      {"\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
      {"\t\r\n a;\x01 b \x1f;\n", {" a", " b "}},
      {";;x", {"", "", "x"}},
      {"\"open;end", {"open;end"}},
      {"\"q\"tail;z", {"q", "tail", "z"}},
      {AnsiString("a\0b;c"sv), {"a"}},
      {AnsiString("\0abc"sv), {}},
      {Utf8ToAnsi("Ім'я;Ґ"), {Utf8ToAnsi("Ім'я"), Utf8ToAnsi("Ґ")}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCellsTextEh(c.text), c.cells) << c.text;
}

TEST(VarEqualsEh, ComparesArraysByBoundsThenElementsAndNeverRaises) {
  const Variant grid2x3 = VarArrayCreate({0, 1, 0, 2}, varVariant);
  const Variant grid2x2 = VarArrayCreate({0, 1, 0, 1}, varVariant);
  const Variant pair = VarArrayOf({1, 2});
  const struct {
    Variant a, b;
    bool equal;
  } cases[] = {
      {pair, VarArrayOf({1, 2}), true},
      {pair, VarArrayOf({1, 3}), false},
      {pair, 1, false},
      {pair, FromOne(1, 2), false},
      {grid2x3, grid2x2, false},
      {grid2x2, VarArrayCreate({0, 1, 0, 1}, varVariant), true},
      {VarArrayOf({pair, Null()}), VarArrayOf({VarArrayOf({1, 2}), Null()}), true},
      {Null(), Null(), true},
      {Null(), Unassigned(), false},
      {Unassigned(), 0, false},
      {Null(), "", false},
      {"abc", 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VarEqualsEh(c.a, c.b), c.equal) << VarToStr(c.a) << " / " << VarToStr(c.b);
}

TEST(IsDoubleClickEh, HoldsAtTheTimeAndDistanceLimits) {
  const auto time = static_cast<Cardinal>(GetDoubleClickTime());
  const int dx = GetSystemMetrics(SM_CXDOUBLECLK), dy = GetSystemMetrics(SM_CYDOUBLECLK);
  EXPECT_TRUE(IsDoubleClickEh({0, 0}, {dx, -dy}, time));
  EXPECT_FALSE(IsDoubleClickEh({0, 0}, {dx + 1, 0}, 0));
  EXPECT_FALSE(IsDoubleClickEh({0, 0}, {0, -dy - 1}, 0));
  EXPECT_FALSE(IsDoubleClickEh({0, 0}, {0, 0}, time + 1));
}

// ---- Fields named in a list ---------------------------------------------------------------

struct Record {
  TMemDataSet data{nullptr};
  Record() {
    data.FieldDefs().Add("A", ftInteger);
    data.FieldDefs().Add("B", ftString, 10);
    data.FieldDefs().Add("C", ftInteger);
    data.Open();
    data.AppendRecord({Variant(7), Variant("seven"), Variant(70)});
    data.Edit();
  }
  AnsiString Row() {
    AnsiString row;
    for (TField* field : data.Fields()) row += (field->IsNull() ? "null" : field->AsString()) + "|";
    return row;
  }
};

TEST(DataSetSetFieldValuesEh, FindsTheFieldsInOrderAndWritesEachOrNothing) {
  Record r;
  TFieldsArrEh fields;
  FieldsByNamesEh(&r.data, "c; a;B", fields);
  EXPECT_EQ(fields,
            (TFieldsArrEh{r.data.FieldByName("C"), r.data.FieldByName("A"), r.data.FieldByName("B")}));
  EXPECT_THROW(FieldsByNamesEh(&r.data, "A;NOPE", fields), EDatabaseError);

  const struct {
    const char* names;
    Variant value;
    const char* row;  // empty: raises and writes nothing
  } cases[] = {
      {"A;B", Null(), "null|null|70|"},
      {"B;A", Unassigned(), "null|null|70|"},
      {"A;C", 5, "5|seven|5|"},
      {"C;B", VarArrayOf({1, "one"}), "7|one|1|"},
      {"A;B", FromOne(8, "eight"), "8|eight|70|"},
      {"A;B;C", VarArrayOf({1, "two"}), ""},
      {"A", VarArrayCreate({0, 0, 0, 0}, varVariant), ""},
  };
  for (const auto& c : cases) {
    Record w;
    if (*c.row != '\0')
      DataSetSetFieldValuesEh(&w.data, c.names, c.value);
    else
      EXPECT_THROW(DataSetSetFieldValuesEh(&w.data, c.names, c.value), EVariantBadIndexError);
    EXPECT_EQ(w.Row(), *c.row != '\0' ? c.row : "7|seven|70|") << c.names;
  }
}

// ---- Distinct values ----------------------------------------------------------------------

struct ValueList {
  TMemDataSet data{nullptr};
  TDatasetFieldValueListEh list;
  int texts = 0;  // OnGetText calls: the walks of the list

  explicit ValueList(const std::vector<const char*>& values) {
    data.FieldDefs().Add("S", ftString, 10);
    data.FieldDefs().Add("T", ftString, 10);
    data.Open();
    for (const char* v : values) data.AppendRecord({Variant(v), Variant(AnsiString(v) + "!")});
    for (TField* field : data.Fields())
      field->OnGetText = [this](TField* sender, AnsiString& text, bool) {
        ++texts;
        text = sender->AsString();
      };
    list.SetDataSet(&data);
    list.SetFieldName("S");
  }
  AnsiString Values() { return list.Values()->CommaText(); }
};

TEST(DatasetFieldValueList, HoldsDistinctTextsAndRebuildsOnlyWhenReadAfterAChange) {
  const AnsiString upper = Utf8ToAnsi("Ґ"), lower = Utf8ToAnsi("ґ");
  ValueList v({"y", "x", "X", upper.c_str(), lower.c_str(), "b"});
  EXPECT_EQ(v.Values(), "b,x,y," + upper);
  EXPECT_TRUE(v.data.Eof());
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"field name", [&] { v.list.SetFieldName("T"); }},
      {"records",
       [&] {
         v.data.AppendRecord({Variant("c"), Variant("c!")});
       }},
      {"field list", [&] { v.data.DataEvent(deFieldListChange, 0); }},
      {"property", [&] { v.data.DataEvent(dePropertyChange, 0); }},
      {"closed", [&] { v.data.Close(); }},
  };
  for (const auto& [what, change] : changes) {
    v.texts = 0;
    v.Values();
    EXPECT_EQ(v.texts, 0) << "read again before " << what;
    change();
    EXPECT_EQ(v.texts, 0) << what << " walked before a read";
    v.Values();
    EXPECT_EQ(v.texts, v.data.Active() ? v.data.RecordCount() : 0) << what;
  }
  EXPECT_EQ(v.Values(), "") << "a closed dataset has no values";
  v.data.Open();
  v.list.SetDataSet(nullptr);
  EXPECT_EQ(v.Values(), "");
  v.list.SetDataSet(&v.data);
  EXPECT_EQ(v.Values(), "b!,c!,x!,y!," + upper + "!");
}

TEST(DatasetFieldValueList, AFailingGetTextLeavesTheControlsEnabled) {
  ValueList v({"a", "b"});
  v.data.FieldByName("S")->OnGetText = [](TField*, AnsiString&, bool) { throw EConvertError("bad text"); };
  EXPECT_THROW(v.list.Values(), EConvertError);
  EXPECT_FALSE(v.data.ControlsDisabled());
  v.data.FieldByName("S")->OnGetText = nullptr;
  EXPECT_EQ(v.Values(), "a,b") << "the failed walk is tried again";
}

}  // namespace
}  // namespace ordvane

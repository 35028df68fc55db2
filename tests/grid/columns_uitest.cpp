// Grid columns over the in-memory dataset: values that follow the grid or the field
// until set, field binding and copying, cell text, check boxes, images, editability,
// stepping values and sort markers.

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/db/BinaryFields.h"
#include "classlib/db/BooleanField.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NumericFields.h"
#include "classlib/db/StringFields.h"
#include "classlib/ui/SysMetrics.h"
#include "grid/DBGridEh.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/support/MemDataSet.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

// Cell drawing is not what these tests look at.
class TTestGrid : public TCustomDBGridEh {
 public:
  using TCustomDBGridEh::TCustomDBGridEh;

 protected:
  void DrawCell(int, int, const TRect&, TGridDrawState) override {}
};

struct GridFixture {
  TMemDataSet cities{nullptr};
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TTestGrid grid{nullptr};

  GridFixture() {
    cities.FieldDefs().Add("ID", ftInteger);
    cities.FieldDefs().Add("NAME", ftString, 20);
    cities.Open();
    cities.AppendRecord({Variant(1), Variant("Kyiv")});
    cities.AppendRecord({Variant(2), Variant("Lviv")});
    cities.AppendRecord({Variant(3), Variant("Odesa")});

    const std::pair<const char*, TFieldType> defs[] = {
        {"S", ftString},    {"I", ftInteger}, {"F", ftFloat}, {"B", ftBCD},          {"D", ftDate},
        {"DT", ftDateTime}, {"L", ftBoolean}, {"M", ftMemo},  {"CITY_ID", ftInteger}};
    for (const auto& [name, type] : defs)
      data.FieldDefs().Add(name, type, type == ftString ? 20 : type == ftBCD ? 2 : 0);
    Make<TStringField>("S");
    Make<TIntegerField>("I");
    Make<TFloatField>("F");
    Make<TBCDField>("B");
    Make<TDateField>("D");
    Make<TDateTimeField>("DT");
    Make<TBooleanField>("L");
    Make<TMemoField>("M");
    Make<TIntegerField>("CITY_ID");
    test::MakeCityLookup(data, cities);
    data.Open();
    data.AppendRecord({Variant("Y"), Variant(7), Variant(2.5), Variant(12.34),
                       Variant(EncodeDate(2024, 3, 5)),
                       Variant(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0)), Variant(true),
                       Variant("long memo text"), Variant(2)});
    data.First();
    source.SetDataSet(&data);
    grid.SetDataSource(&source);
  }

  template <class Field>
  Field* Make(const AnsiString& name, TFieldKind kind = fkData) {
    return test::MakeField<Field>(data, name, kind);
  }

  TColumnEh* Column(const AnsiString& fieldName) {
    TColumnEh* column = grid.Columns().Add();
    column->SetFieldName(fieldName);
    return column;
  }
  TField* Field(const AnsiString& name) { return data.FieldByName(name); }
};

TEST(Columns, ValuesFollowTheGridOrFieldUntilSetAndAgainAfterRestoreDefaults) {
  GridFixture f;
  TColumnEh* column = f.Column("S");
  TDBGridEhColumnDefValuesEh& defs = f.grid.ColumnDefValues();
  // Booleans take the values 1 (True) and 2 (False).
  auto on = [](int v) { return v == 1; };
  auto code = [](bool b) { return b ? 1 : 2; };
  // Each row: make the grid or field side answer `value`, read the column, set the column.
  const struct {
    const char* name;
    std::function<void(int)> setSource;
    std::function<int()> get;
    std::function<void(int)> set;
  } cases[] = {
      {"Color", [&](int v) { f.grid.SetColor(v); }, [&] { return int(column->Color()); },
       [&](int v) { column->SetColor(v); }},
      {"Font", [&](int v) { f.grid.Font()->SetHeight(-v); }, [&] { return -column->Font()->Height(); },
       [&](int v) { column->Font()->SetHeight(-v); }},
      {"Alignment", [&](int v) { f.Field("S")->SetAlignment(TAlignment(v)); },
       [&] { return int(column->Alignment()); }, [&](int v) { column->SetAlignment(TAlignment(v)); }},
      {"ReadOnly", [&](int v) { f.Field("S")->SetReadOnly(on(v)); }, [&] { return code(column->ReadOnly()); },
       [&](int v) { column->SetReadOnly(on(v)); }},
      {"Caption", [&](int v) { f.Field("S")->SetDisplayLabel(IntToStr(v)); },
       [&] { return StrToInt(column->Title().Caption()); },
       [&](int v) { column->Title().SetCaption(IntToStr(v)); }},
      {"EndEllipsis", [&](int v) { defs.EndEllipsis = on(v); }, [&] { return code(column->EndEllipsis()); },
       [&](int v) { column->SetEndEllipsis(on(v)); }},
      {"Layout", [&](int v) { defs.Layout = TTextLayout(v); }, [&] { return int(column->Layout()); },
       [&](int v) { column->SetLayout(TTextLayout(v)); }},
      {"DblClickNextVal", [&](int v) { defs.DblClickNextVal = on(v); },
       [&] { return code(column->DblClickNextVal()); }, [&](int v) { column->SetDblClickNextVal(on(v)); }},
      {"Title.Color", [&](int v) { defs.Title().SetColor(v); }, [&] { return int(column->Title().Color()); },
       [&](int v) { column->Title().SetColor(v); }},
      {"Title.TitleButton", [&](int v) { defs.Title().TitleButton = on(v); },
       [&] { return code(column->Title().TitleButton()); },
       [&](int v) { column->Title().SetTitleButton(on(v)); }},
      {"Title.Font", [&](int v) { f.grid.TitleFont()->SetHeight(-v); },
       [&] { return -column->Title().Font()->Height(); },
       [&](int v) { column->Title().Font()->SetHeight(-v); }},
      // Last: these rebind the column to a field of another kind.
      {"LookupDisplayFields", [&](int v) { column->SetFieldName(on(v) ? "CITY" : "S"); },
       [&] { return code(column->LookupDisplayFields() == "NAME"); },
       [&](int v) { column->SetLookupDisplayFields(on(v) ? "NAME" : "ID"); }},
      {"WordWrap", [&](int v) { column->SetFieldName(on(v) ? "S" : "I"); },
       [&] { return code(column->WordWrap()); }, [&](int v) { column->SetWordWrap(on(v)); }},
      {"Checkboxes", [&](int v) { column->SetFieldName(on(v) ? "L" : "S"); },
       [&] { return code(column->Checkboxes()); }, [&](int v) { column->SetCheckboxes(on(v)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.setSource(1);
    EXPECT_EQ(c.get(), 1);
    c.setSource(2);
    EXPECT_EQ(c.get(), 2) << "follows while unassigned";
    c.set(1);
    c.setSource(2);
    EXPECT_EQ(c.get(), 1) << "set: no longer follows";
    column->RestoreDefaults();
    EXPECT_EQ(c.get(), 2) << "follows again after RestoreDefaults";
    c.setSource(0);
  }
  f.grid.SetReadOnly(true);
  EXPECT_TRUE(column->ReadOnly()) << "a read-only grid makes every unset column read-only";
}

TEST(Columns, WithoutAGridAndFootersAnswerTheirFallbacks) {
  TColumnEh lone(nullptr);
  EXPECT_EQ(lone.Width(), 64);
  EXPECT_EQ(lone.Color(), clWindow);
  EXPECT_EQ(lone.Title().Color(), clBtnFace);
  EXPECT_FALSE(lone.AlwaysShowEditButton() || lone.AutoDropDown() || lone.EndEllipsis() || lone.ToolTips() ||
               lone.Title().TitleButton() || lone.WordWrap() || lone.ReadOnly() || lone.Checkboxes());

  GridFixture f;
  TColumnEh* column = f.Column("I");
  TColumnFooterEh& footer = column->Footer();
  f.grid.SetFooterColor(clInfoBk);
  f.grid.FooterFont()->SetName("DejaVu Serif");
  column->SetAlignment(taCenter);
  EXPECT_EQ(footer.GetColor(), clInfoBk);
  EXPECT_EQ(footer.GetFont()->Name(), "DejaVu Serif");
  EXPECT_EQ(footer.GetAlignment(), taCenter);
  footer.SetColor(clRed);
  footer.SetAlignment(taRightJustify);
  footer.Font()->SetName("DejaVu Sans Mono");
  EXPECT_EQ(footer.GetColor(), clRed);
  EXPECT_EQ(footer.GetFont()->Name(), "DejaVu Sans Mono");
  EXPECT_EQ(footer.GetAlignment(), taRightJustify);
  EXPECT_EQ(&column->GetFooterItem(0), &footer);
  TColumnFooterEh* second = column->Footers().Add();
  EXPECT_EQ(&column->GetFooterItem(0), second);
  EXPECT_EQ(&column->GetFooterItem(1), &footer);
}

TEST(Columns, SetterRuleKeepsFallbackValuesUnassignedAndClampsWidths) {
  GridFixture f;
  TColumnEh* column = f.Column("S");
  f.grid.SetImeMode(imOpen);
  column->SetImeMode(imOpen);
  column->SetImeName(f.grid.ImeName());
  column->SetWordWrap(true);
  column->SetLookupDisplayFields("");
  const int defaultWidth = column->Width();
  column->SetWidth(defaultWidth);
  EXPECT_TRUE(column->AssignedValues().Empty()) << column->AssignedValues().ToBits();

  f.grid.BeginLoading();
  column->SetWordWrap(true);
  f.grid.EndLoading();
  EXPECT_TRUE(column->AssignedValues().Contains(cvWordWrap)) << "marked anyway while loading";

  const struct {
    int minWidth, maxWidth, width, expected, clamped;
  } widths[] = {{0, 0, 500, 500, 500},
                {0, 100, 500, 100, 100},
                {150, 100, 500, 150, 100},
                {150, 100, 20, 150, 150},
                {30, 0, 20, 30, 30}};
  for (const auto& w : widths) {
    TColumnEh* sized = f.Column("I");
    sized->SetMinWidth(w.minWidth);
    sized->SetMaxWidth(w.maxWidth);
    sized->SetWidth(w.width);
    EXPECT_EQ(sized->Width(), w.expected) << w.minWidth << "/" << w.maxWidth << "/" << w.width;
    EXPECT_EQ(sized->ClampWidth(w.width), w.clamped);
  }

  TColumnEh* fitted = f.Column("F");
  fitted->SetInitialWidth(77);
  f.grid.SetAutoFitColWidths(true);
  fitted->SetAutoFitColWidth(false);
  EXPECT_EQ(fitted->Width(), 77);

  TColumnEh* generated = f.grid.Columns().AddGenerated();
  generated->SetFieldName("I");
  generated->SetAlignment(taCenter);
  generated->SetReadOnly(true);
  generated->Title().SetCaption("Число");
  EXPECT_EQ(f.Field("I")->Alignment(), taCenter);
  EXPECT_TRUE(f.Field("I")->ReadOnly());
  EXPECT_EQ(f.Field("I")->DisplayLabel(), "Число");
  EXPECT_TRUE(generated->AssignedValues().Empty()) << "nothing is stored in a generated column";
}

TEST(Columns, FieldBindingAssignAndMovingGeneratedColumns) {
  GridFixture f;
  TColumnEh* missing = f.Column("NOPE");
  EXPECT_EQ(missing->Field(), nullptr);
  EXPECT_EQ(missing->FieldName(), "NOPE");
  EXPECT_EQ(missing->Title().Caption(), "NOPE");

  TMemDataSet plain(nullptr);
  plain.FieldDefs().Add("A", ftInteger);
  plain.Open();
  TDataSource plainSource(nullptr);
  plainSource.SetDataSet(&plain);
  TTestGrid grid(nullptr);
  grid.SetDataSource(&plainSource);
  TColumnEh* bound = grid.Columns().Add();
  bound->SetFieldName("a");
  TField* before = bound->Field();
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(bound->FieldName(), "A") << "the field's own name";
  plain.Close();
  plain.FieldDefs().Add("Z", ftString, 5);
  plain.Open();
  EXPECT_EQ(bound->Field(), plain.FieldByName("A")) << "rebound to the rebuilt field";

  TColumnEh* source = f.Column("S");
  source->SetColor(clRed);
  source->SetCheckboxes(true);
  source->Title().SetCaption("caption");
  source->SetToolTips(true);
  source->SetLayout(tlBottom);
  source->SetMaxWidth(300);
  source->SetNotInKeyListIndex(2);
  source->KeyList()->Add("k");
  TColumnEh* target = f.Column("I");
  target->SetReadOnly(true);
  target->Assign(source);
  EXPECT_EQ(target->FieldName(), "S");
  EXPECT_EQ(target->Color(), clRed);
  EXPECT_TRUE(target->Checkboxes());
  EXPECT_EQ(target->Title().Caption(), "caption");
  EXPECT_EQ(target->KeyList()->Count(), 1);
  EXPECT_EQ(target->MaxWidth(), 300);
  EXPECT_EQ(target->NotInKeyListIndex(), 2);
  EXPECT_FALSE(target->AssignedValues().Contains(cvReadOnly)) << "not assigned on the source";
  EXPECT_FALSE(target->AssignedValues().Contains(cvAlignment));
  for (TColumnEhValue copied : {cvToolTips, cvLayout, cvEndEllipsis, cvWordWrap, cvAutoDropDown})
    EXPECT_TRUE(target->AssignedValues().Contains(copied)) << copied;

  TTestGrid generated(nullptr);
  generated.SetDataSource(&f.source);
  // An active grid without columns of its own makes one per visible field.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(generated.Columns().Items(i)->IsGeneratedColumn());
  EXPECT_EQ(generated.Columns().Items(0)->FieldName(), "S");
  generated.Columns().Items(0)->SetIndex(2);
  EXPECT_EQ(f.Field("S")->Index(), 2);
  EXPECT_EQ(f.Field("I")->Index(), 0);
  EXPECT_EQ(f.Field("F")->Index(), 1);
}

TEST(Columns, DisplayTextAgainstHandComputedTexts) {
  GridFixture f;
  const struct {
    const char* field;
    std::function<void(TColumnEh&)> setup;
    AnsiString expected;
  } cases[] = {
      {"S",
       [](TColumnEh& c) {
         c.KeyList()->SetText("N\nY");
         c.PickList()->SetText("no\nyes");
       },
       "yes"},
      {"S",
       [](TColumnEh& c) {
         c.KeyList()->SetText("A\nB");
         c.PickList()->SetText("a\nb");
       },
       ""},
      {"S",
       [](TColumnEh& c) {
         c.KeyList()->SetText("A");
         c.PickList()->SetText("a\nother");
         c.SetNotInKeyListIndex(1);
       },
       "other"},
      {"S",
       [](TColumnEh& c) {
         c.KeyList()->SetText("Y");
         c.PickList()->SetText("x");
         c.SetNotInKeyListIndex(0);
       },
       "x"},
      {"F", [](TColumnEh& c) { c.SetDisplayFormat("#,##0.000"); }, "2,500"},
      {"B", [](TColumnEh& c) { c.SetDisplayFormat("0.0"); }, "12,3"},
      {"I", [](TColumnEh& c) { c.SetDisplayFormat("000"); }, "007"},
      {"D", [](TColumnEh& c) { c.SetDisplayFormat("dd mmm yyyy"); }, Utf8ToAnsi("05 Бер 2024")},
      {"DT", [](TColumnEh& c) { c.SetDisplayFormat("dd.mm.yy hh:nn"); }, "05.03.24 14:07"},
      {"DT", [](TColumnEh&) {}, "05.03.2024 14:07:00"},
      {"CITY_ID",
       [](TColumnEh& c) {
         c.SetDisplayFormat("0");
         c.KeyList();
       },
       "2"},
      {"M", [](TColumnEh&) {}, "(MEMO)"},
      {"CITY", [](TColumnEh&) {}, "Lviv"},
      {"CITY",
       [](TColumnEh& c) {
         c.DropDownSpecRow().SetVisible(true);
         c.DropDownSpecRow().SetValue(Variant(2));
         c.DropDownSpecRow().SetCellsText("(spec)");
       },
       "(spec)"},
  };
  for (const auto& c : cases) {
    TColumnEh* column = f.Column(c.field);
    c.setup(*column);
    EXPECT_EQ(column->GetDisplayText(), c.expected) << c.field;
  }
  TColumnEh* memo = f.Column("M");
  f.grid.SetDrawMemoText(true);
  EXPECT_EQ(memo->GetDisplayText(), "long memo text");
  TColumnEh* number = f.Column("F");
  number->SetDisplayFormat("0.0");
  f.data.Edit();
  f.Field("F")->Clear();
  EXPECT_EQ(number->GetDisplayText(), "") << "null";
  f.Field("CITY_ID")->SetAsInteger(9);
  TColumnEh* city = f.Column("CITY");
  city->DropDownSpecRow().SetVisible(true);
  city->DropDownSpecRow().SetCellsText("(none)");
  EXPECT_EQ(city->GetDisplayText(), "(none)") << "a key that is not in the lookup list";
  city->DropDownSpecRow().SetShowIfNotInKeyList(false);
  EXPECT_EQ(city->GetDisplayText(), "");
  f.data.Cancel();
}

TEST(Columns, UpdateDataWritesTextValuesAndLookupKeys) {
  GridFixture f;
  f.data.Edit();
  f.grid.SetDrawMemoText(true);
  const struct {
    const char* column;
    AnsiString text;
    Variant value;
    bool useText;
    const char* readField;
    AnsiString expected;
  } cases[] = {{"I", "42", Null(), true, "I", "42"},
               {"F", "", Variant(1.25), false, "F", "1,25"},
               {"M", "new memo", Null(), true, "M", "new memo"},
               {"CITY", "", Variant(3), false, "CITY_ID", "3"},
               {"CITY", "", Variant(1), false, "CITY", "Kyiv"}};
  for (const auto& c : cases) {
    f.Column(c.column)->UpdateData(c.text, c.value, c.useText);
    EXPECT_EQ(f.Field(c.readField)->AsString(), c.expected) << c.column;
  }
  TColumnEh* handled = f.Column("S");
  handled->OnUpdateData = [](TObject*, AnsiString& text, Variant&, bool&, bool& done) {
    done = text == "skip";
  };
  handled->UpdateData("skip", Null(), true);
  EXPECT_EQ(f.Field("S")->AsString(), "Y") << "a handler that handles it leaves the field alone";
  handled->UpdateData("kept", Null(), true);
  EXPECT_EQ(f.Field("S")->AsString(), "kept");
  f.data.Cancel();
}

TEST(Columns, CheckBoxStatesAndWritingThemBack) {
  GridFixture f;
  TColumnEh* yes = f.Column("S");
  yes->KeyList()->SetText("Y;1\nN;0");
  TColumnEh* bare = f.Column("S");
  bare->SetCheckboxes(true);
  const struct {
    Variant value;
    TCheckBoxState keyed, withoutKeys;
  } cases[] = {{Variant("1"), cbChecked, cbGrayed},
               {Variant("N"), cbUnchecked, cbGrayed},
               {Variant("x"), cbGrayed, cbGrayed},
               {Null(), cbGrayed, cbGrayed},
               {Variant(""), cbGrayed, cbGrayed}};
  f.data.Edit();
  for (const auto& c : cases) {
    f.Field("S")->SetValue(c.value);
    EXPECT_EQ(yes->GetCheckboxState(), c.keyed) << VarToStr(c.value);
    EXPECT_EQ(bare->GetCheckboxState(), c.withoutKeys) << VarToStr(c.value);
  }
  yes->SetCheckboxState(cbChecked);
  EXPECT_EQ(f.Field("S")->AsString(), "Y");
  yes->SetCheckboxState(cbUnchecked);
  EXPECT_EQ(f.Field("S")->AsString(), "N");
  yes->SetCheckboxState(cbGrayed);
  EXPECT_TRUE(f.Field("S")->IsNull());
  bare->SetCheckboxState(cbChecked);
  EXPECT_EQ(f.Field("S")->AsString(), "") << "no key list: nothing to write but an empty text";

  TColumnEh* boolean = f.Column("L");
  EXPECT_TRUE(boolean->Checkboxes());
  EXPECT_EQ(boolean->GetCheckboxState(), cbChecked);
  boolean->SetCheckboxState(cbUnchecked);
  EXPECT_FALSE(f.Field("L")->AsBoolean());
  EXPECT_EQ(boolean->GetCheckboxState(), cbUnchecked);
  f.data.Cancel();
}

TEST(Columns, ImageIndexesAndCellKinds) {
  GridFixture f;
  const struct {
    const char* field;
    Variant value;
    int expected;
  } images[] = {{"I", Variant(5), 5},   {"F", Variant(3.9), 3}, {"B", Variant(-2.5), -2},
                {"I", Null(), 4},       {"F", Variant(3e9), 4}, {"B", Variant(-3e9), 4},
                {"S", Variant("b"), 1}, {"S", Variant("zz"), 4}};
  f.data.Edit();
  for (const auto& c : images) {
    TColumnEh* column = f.Column(c.field);
    column->SetNotInKeyListIndex(4);
    if (AnsiString(c.field) == "S") column->PickList()->SetText("a\nb");
    f.Field(c.field)->SetValue(c.value);
    EXPECT_EQ(column->GetImageIndex(), c.expected) << c.field << " " << VarToStr(c.value);
  }
  f.data.Cancel();

  TImageList images16(nullptr);
  const struct {
    const char* field;
    std::function<void(TColumnEh&)> setup;
    TColumnCellKind kind;
  } kinds[] = {
      {"S", [](TColumnEh&) {}, ctCommon},
      {"L", [](TColumnEh&) {}, ctCheckboxes},
      {"CITY", [](TColumnEh&) {}, ctLookupField},
      {"S", [](TColumnEh& c) { c.PickList()->Add("a"); }, ctPickList},
      {"S",
       [](TColumnEh& c) {
         c.PickList()->Add("a");
         c.KeyList()->Add("1");
       },
       ctKeyPickList},
      {"I", [&](TColumnEh& c) { c.SetImageList(&images16); }, ctKeyImageList},
      {"I",
       [&](TColumnEh& c) {
         c.SetImageList(&images16);
         c.SetShowImageAndText(true);
       },
       ctCommon},
  };
  for (const auto& c : kinds) {
    TColumnEh* column = f.Column(c.field);
    c.setup(*column);
    EXPECT_EQ(column->GetColumnType(), c.kind) << c.field;
  }

  TColumnEh* imaged = f.Column("I");
  {
    TImageList gone(nullptr);
    TPopupMenu menu(nullptr);
    imaged->SetImageList(&gone);
    imaged->SetPopupMenu(&menu);
  }
  EXPECT_EQ(imaged->ImageList(), nullptr);
  EXPECT_EQ(imaged->PopupMenu(), nullptr);
  EXPECT_EQ(imaged->GetColumnType(), ctCommon);
}

TEST(Columns, CanModifyByGridColumnFieldAndAllowedOperations) {
  const struct {
    const char* name;
    const char* field;
    std::function<void(GridFixture&, TColumnEh&)> setup;
    bool expected;
  } cases[] = {
      {"plain", "S", [](GridFixture&, TColumnEh&) {}, true},
      {"grid read-only", "S", [](GridFixture& f, TColumnEh&) { f.grid.SetReadOnly(true); }, false},
      {"column read-only", "S", [](GridFixture&, TColumnEh& c) { c.SetReadOnly(true); }, false},
      {"link read-only", "S", [](GridFixture& f, TColumnEh&) { f.grid.DataLink().SetReadOnly(true); }, false},
      {"lookup", "CITY", [](GridFixture&, TColumnEh&) {}, true},
      {"lookup read-only key", "CITY",
       [](GridFixture& f, TColumnEh&) { f.Field("CITY_ID")->SetReadOnly(true); }, false},
      {"memo", "M", [](GridFixture&, TColumnEh&) {}, false},
      {"memo as text", "M", [](GridFixture& f, TColumnEh&) { f.grid.SetDrawMemoText(true); }, true},
      {"memo with OnSetText", "M",
       [](GridFixture& f, TColumnEh&) { f.Field("M")->OnSetText = [](TField*, const AnsiString&) {}; }, true},
      {"no update", "S", [](GridFixture& f, TColumnEh&) { f.grid.SetAllowedOperations({alopInsertEh}); },
       false},
      {"update only", "S", [](GridFixture& f, TColumnEh&) { f.grid.SetAllowedOperations({alopUpdateEh}); },
       true},
      {"update, empty", "S",
       [](GridFixture& f, TColumnEh&) {
         f.data.EmptyDataSet();
         f.grid.SetAllowedOperations({alopUpdateEh});
       },
       false},
      {"append, empty", "S",
       [](GridFixture& f, TColumnEh&) {
         f.data.EmptyDataSet();
         f.grid.SetAllowedOperations({alopUpdateEh, alopAppendEh});
       },
       true},
      {"inserting", "S",
       [](GridFixture& f, TColumnEh&) {
         f.grid.SetAllowedOperations({alopInsertEh});
         f.data.Insert();
       },
       true},
  };
  for (const auto& c : cases) {
    GridFixture f;
    TColumnEh* column = f.Column(c.field);
    c.setup(f, *column);
    EXPECT_EQ(column->CanModify(false), c.expected) << c.name;
    EXPECT_FALSE(f.grid.DataLink().Modified()) << c.name;
    EXPECT_EQ(column->CanModify(true), c.expected) << c.name;
    EXPECT_EQ(f.grid.DataLink().Modified(), c.expected) << c.name;
    if (c.expected) {
      EXPECT_TRUE(f.data.State() == dsEdit || f.data.State() == dsInsert) << c.name;
    }
  }
}

TEST(Columns, TheGridForgetsItsModifiedRecordOnAnyNewRecordOrState) {
  const struct {
    const char* name;
    std::function<void(GridFixture&)> action;
  } cases[] = {
      {"cancel", [](GridFixture& f) { f.data.Cancel(); }},
      {"post", [](GridFixture& f) { f.data.Post(); }},
      {"reopen",
       [](GridFixture& f) {
         f.data.Cancel();
         f.data.Close();
         f.data.Open();
       }},
      {"no data source", [](GridFixture& f) { f.grid.SetDataSource(nullptr); }},
  };
  for (const auto& c : cases) {
    GridFixture f;
    ASSERT_TRUE(f.Column("S")->CanModify(true)) << c.name;
    c.action(f);
    EXPECT_FALSE(f.grid.DataLink().Modified()) << c.name;
  }
}

TEST(Columns, TheGridStartsWithItsBaseSettingsAndHoldsItsLayoutWhileColumnsAreMade) {
  TTestGrid grid{nullptr};
  int optionBits = 0;
  for (int bit = 0; bit <= grThumbTracking; ++bit)
    if (grid.TCustomGridEh::Options().Contains(static_cast<TGridOptionEh>(bit))) optionBits |= 1 << bit;
  EXPECT_EQ(optionBits, 3727);
  EXPECT_EQ(grid.ScrollBars(), ssHorizontal);
  EXPECT_EQ(grid.ColCount(), 2);
  EXPECT_EQ(grid.RowCount(), 2);

  const auto locks = [&grid] {
    return std::tuple{grid.LayoutLock(), grid.UpdateLock(), grid.Columns().UpdateCount()};
  };
  grid.Columns().Add();
  EXPECT_EQ(locks(), std::tuple(0, 0, 0));
  grid.BeginLayout();
  grid.BeginLayout();
  grid.Columns().Add();
  EXPECT_EQ(locks(), std::tuple(2, 2, 1));
  grid.EndLayout();
  EXPECT_EQ(locks(), std::tuple(1, 1, 1));
  grid.EndLayout();
  grid.EndLayout();
  EXPECT_EQ(locks(), std::tuple(0, 0, 0));
  EXPECT_EQ(grid.Columns().Count(), 2);
}

TEST(Columns, NextFieldValueStepsListsLookupsChecksAndNumbers) {
  GridFixture f;
  TColumnEh* picks = f.Column("S");
  picks->PickList()->SetText("a\nb\nc");
  TColumnEh* keys = f.Column("S");
  keys->KeyList()->SetText("k1\nk2");
  keys->PickList()->SetText("one\ntwo");
  const struct {
    TColumnEh* column;
    const char* start;
    double increment;
    const char* expected;
  } steps[] = {{picks, "a", 1, "b"},   {picks, "c", 1, "a"},   {picks, "zz", 1, "a"}, {picks, "a", -1, "c"},
               {picks, "b", -1, "a"},  {picks, "zz", -1, "c"}, {keys, "k1", 1, "k2"}, {keys, "k2", 1, "k1"},
               {keys, "k1", -1, "k2"}, {keys, "x", -1, "k2"}};
  for (const auto& s : steps) {
    f.data.Edit();
    f.Field("S")->SetAsString(s.start);
    s.column->SetNextFieldValue(s.increment);
    EXPECT_EQ(f.Field("S")->AsString(), s.expected) << s.start << " " << s.increment;
  }
  TColumnEh* city = f.Column("CITY");
  const int walk[] = {3, 1, 2, 3};
  for (int expected : walk) {
    city->SetNextFieldValue(1);
    EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), expected);
  }
  city->SetNextFieldValue(-1);
  EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), 2);
  city->SetNextFieldValue(-1);
  city->SetNextFieldValue(-1);
  EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), 3) << "wraps before the first record";

  TColumnEh* check = f.Column("L");
  check->SetNextFieldValue(1);
  EXPECT_FALSE(f.Field("L")->AsBoolean());
  check->SetNextFieldValue(1);
  EXPECT_TRUE(f.Field("L")->AsBoolean());

  TColumnEh* number = f.Column("F");
  number->SetIncrement(0.5);
  f.Field("F")->Clear();
  number->SetNextFieldValue(number->Increment());
  EXPECT_EQ(f.Field("F")->AsFloat(), 0.5);
  number->SetNextFieldValue(-2);
  EXPECT_EQ(f.Field("F")->AsFloat(), -1.5);
}

TEST(Columns, SortMarkersSingleAndMultiAndTheSortMarkedList) {
  GridFixture f;
  TColumnEh* columns[4];
  // A numeric field: the footer sums below add it up.
  for (auto*& column : columns) column = f.Column("I");
  auto indexes = [&] {
    std::vector<int> result;
    for (TColumnEh* column : columns) result.push_back(column->Title().SortIndex());
    return result;
  };
  auto listed = [&] {
    std::vector<TColumnEh*> result;
    for (int i = 0; i < f.grid.SortMarkedColumns().Count(); ++i)
      result.push_back(f.grid.SortMarkedColumns().Items(i));
    return result;
  };
  columns[0]->Title().SetSortMarker(smDownEh);
  columns[1]->Title().SetSortMarker(smUpEh);
  EXPECT_EQ(columns[0]->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(indexes(), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(listed(), (std::vector<TColumnEh*>{columns[1]}));
  columns[1]->Title().SetSortMarker(smNoneEh);
  EXPECT_EQ(indexes(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_TRUE(listed().empty());

  f.grid.SetOptionsEh(f.grid.OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  for (int i : {2, 0, 3}) columns[i]->Title().SetSortMarker(smDownEh);
  columns[0]->Title().SetSortMarker(smUpEh);
  EXPECT_EQ(indexes(), (std::vector<int>{2, 0, 1, 3}));
  columns[3]->Title().SetSortIndex(7);
  EXPECT_EQ(indexes(), (std::vector<int>{2, 0, 1, 3})) << "an index no column holds";
  columns[3]->Title().SetSortIndex(1);
  EXPECT_EQ(indexes(), (std::vector<int>{2, 0, 3, 1}));
  EXPECT_EQ(listed(), (std::vector<TColumnEh*>{columns[3], columns[0], columns[2]}));
  columns[3]->Title().SetSortMarker(smNoneEh);
  EXPECT_EQ(indexes(), (std::vector<int>{1, 0, 2, 0})) << "renumbered without gaps";
  columns[1]->Title().SetNextSortMarkerValue(true);
  columns[0]->Title().SetNextSortMarkerValue(true);
  EXPECT_EQ(columns[0]->Title().SortMarker(), smNoneEh) << "Up steps to none with Multi";
  EXPECT_EQ(indexes(), (std::vector<int>{0, 2, 1, 0}));

  f.grid.Columns().BeginUpdate();
  columns[3]->Title().SetSortMarker(smDownEh);
  f.grid.Columns().EndUpdate();
  EXPECT_EQ(columns[3]->Title().SortIndex(), 0) << "inside an update only the marker is stored";

  columns[1]->Footer().SetValueType(fvtSum);
  columns[1]->Footers().Add()->SetValueType(fvtCount);
  EXPECT_EQ(f.grid.SumList().SumCollection().Count(), 2);
  delete columns[1];
  EXPECT_EQ(f.grid.SumList().SumCollection().Count(), 0);
  EXPECT_EQ(listed(), (std::vector<TColumnEh*>{columns[2]}));
}

TEST(Columns, EditStylesAndTheRoomOfEditButtons) {
  GridFixture f;
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  const struct {
    const char* field;
    std::function<void(TColumnEh&)> setup;
    TColumnEditStyleEh style;
    int width;
  } cases[] = {
      {"S", [](TColumnEh&) {}, esSimple, 0},
      {"S", [](TColumnEh& c) { c.SetButtonStyle(cbsEllipsis); }, esEllipsis, bar},
      {"S", [](TColumnEh& c) { c.PickList()->Add("a"); }, esPickList, bar},
      {"S",
       [](TColumnEh& c) {
         c.PickList()->Add("a");
         c.SetReadOnly(true);
       },
       esSimple, 0},
      {"CITY", [](TColumnEh&) {}, esDataList, bar},
      {"D", [](TColumnEh&) {}, esDateCalendar, bar},
      {"I",
       [](TColumnEh& c) {
         c.SetButtonStyle(cbsUpDown);
         c.EditButtons().Add()->SetWidth(9);
       },
       esUpDown, bar + 9},
      {"F",
       [](TColumnEh& c) {
         c.SetButtonStyle(cbsDropDown);
         c.EditButtons().Add();
       },
       esDropDown, 2 * bar},
  };
  for (const auto& c : cases) {
    TColumnEh* column = f.Column(c.field);
    c.setup(*column);
    EXPECT_EQ(column->GetEditStyle(), c.style) << c.field;
    EXPECT_EQ(column->EditButtonsWidth(), c.width) << c.field;
  }
  f.grid.SetFlat(true);
  TColumnEh* flat = f.Column("D");
  flat->EditButtons().Add()->SetWidth(9);
  EXPECT_EQ(flat->EditButtonsWidth(), DefaultEditButtonWidthEh() + 1 + 10);
}

// The grid's sum list may be assigned or cleared under its footers, which frees their
// items: a footer then shows no item, takes a new one on its next change, and never
// writes into or frees the old one (the sanitizer sees either).
TEST(Columns, AFooterWhoseSumItemTheListFreedNeverTouchesItAgain) {
  GridFixture f;
  TColumnEh* column = f.Column("F");
  TColumnFooterEh& footer = column->Footer();
  footer.SetValueType(fvtSum);
  TDBSumCollection& sums = f.grid.SumList().SumCollection();
  ASSERT_NE(footer.SumItem(), nullptr);

  TComponent owner(nullptr);
  TDBSumListProducer other(&owner);
  other.SumCollection().Add()->SetFieldName("I");
  sums.Assign(&other.SumCollection());
  ASSERT_EQ(sums.Count(), 1);
  EXPECT_EQ(footer.SumItem(), nullptr);
  footer.SetValueType(fvtAvg);
  ASSERT_NE(footer.SumItem(), nullptr);
  EXPECT_EQ(footer.SumItem()->GroupOperation(), goAvg);
  EXPECT_EQ(footer.SumItem()->FieldName(), "F");
  EXPECT_EQ(sums.Count(), 2);
  EXPECT_EQ(sums.Items(0)->FieldName(), "I") << "the assigned item is not the footer's";

  sums.Clear();
  EXPECT_EQ(footer.SumItem(), nullptr);
  footer.SetFieldName("I");
  EXPECT_EQ(sums.Count(), 1);
  sums.Clear();
  delete column;  // the footer's destructor must not free the cleared item again
  EXPECT_EQ(sums.Count(), 0);
}

}  // namespace
}  // namespace ordvane

// The grid's editor hooks and how the edited text reaches the field: keys the field
// refuses, the text the editor starts with per kind of column, and the writing of plain,
// pick-list and key/pick-list texts with and without a not-in-list handler.

#include <gtest/gtest.h>

#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

struct EditingGrid : DataGridFixture<> {
  TColumnEh* id = Column("ID");
  TColumnEh* name = Column("NAME");
  TColumnEh* code = Column("CODE");
  TColumnEh* city = Column("CITY");
  TColumnEh* note = Column("NOTE");
  TColumnEh* flag = Column("FLAG");

  EditingGrid() {
    code->KeyList()->SetText("k1\nk2");
    code->PickList()->SetText("one\ntwo");
    grid->SetFocus();
    ui.Process();
  }
  void Select(TColumnEh* column) { grid->SetSelectedIndex(column->Index()); }
  // The editor loads the cell, the user's text replaces it, and the column changes.
  void Edit(TColumnEh* column, const AnsiString& text) {
    Select(column);
    grid->GetEditText(grid->Col(), grid->Row());
    ASSERT_TRUE(grid->CanEditModify());
    grid->SetEditText(grid->Col(), grid->Row(), text);
    Select(id);
  }
};

TEST(GridEditor, KeysTheFieldRefusesBeepAndSomeColumnsHaveNoEditor) {
  EditingGrid f;
  f.Select(f.id);
  f.grid->ShowEditor();
  f.ui.Process();
  ASSERT_TRUE(f.grid->InplaceEditor()->Visible());
  const int beeps = f.ui.Beeps();
  f.ui.Type("7");
  EXPECT_EQ(f.ui.Beeps(), beeps);
  f.ui.Type("x");
  EXPECT_EQ(f.ui.Beeps(), beeps + 1) << "a letter in an integer column";
  EXPECT_EQ(f.grid->InplaceEditor()->Text(), "7") << "the typed digit replaced the selected text";

  f.Select(f.flag);
  f.grid->ShowEditor();
  f.ui.Process();
  EXPECT_FALSE(f.grid->InplaceEditor()->Visible()) << "a check-box column has no editor";
}

TEST(GridEditor, TheEditorStartsWithTheTextOfTheColumnsKind) {
  EditingGrid f;
  const auto textOf = [&f](TColumnEh* column) {
    f.Select(column);
    return f.grid->GetEditText(f.grid->Col(), f.grid->Row());
  };
  EXPECT_EQ(textOf(f.code), "one") << "the pick-list item of the key";
  EXPECT_EQ(textOf(f.city), "Lviv") << "the lookup result";
  EXPECT_EQ(textOf(f.note), "(MEMO)");
  f.grid->SetDrawMemoText(true);
  EXPECT_EQ(textOf(f.note), "line one\r\nline two") << "memo text, line breaks as the editor shows them";
  f.code->OnGetCellParams = [](TObject*, bool editMode, TColCellParamsEh& params) {
    if (editMode) params.Text = "<" + params.Text + ">";
  };
  EXPECT_EQ(textOf(f.code), "<one>");
  EXPECT_EQ(f.grid->LastEditText(), "<one>");
}

TEST(GridEditor, KeyAndPickListTextsBecomeKeys) {
  const struct {
    const char* text;
    bool handler;
    bool recheck;
    const char* stored;  // nullptr: Null
  } cases[] = {
      {"two", false, false, "k2"},
      {"", false, false, nullptr},
      {"", true, false, nullptr},
      // A text in no item keeps the stored key instead of erasing it.
      {"on", false, false, "k1"},
      {"three", true, true, "k3"},
      {"three", true, false, nullptr},
      {"keyless", false, false, nullptr},
  };
  for (const auto& c : cases) {
    EditingGrid f;
    // A pick-list item without a key.
    if (AnsiString(c.text) == "keyless") f.code->PickList()->Add("keyless");
    int notInList = 0;
    if (c.handler)
      f.code->OnNotInList = [&](TObject*, const AnsiString& text, bool& recheck) {
        ++notInList;
        f.code->PickList()->Add(text);
        f.code->KeyList()->Add("k3");
        recheck = c.recheck;
      };
    f.Edit(f.code, c.text);
    TField* field = f.Field("CODE");
    if (c.stored == nullptr)
      EXPECT_TRUE(field->IsNull()) << c.text;
    else
      EXPECT_EQ(field->AsString(), c.stored) << c.text;
    EXPECT_EQ(notInList, c.handler && *c.text ? 1 : 0) << c.text;
  }
}

TEST(GridEditor, PickListAndPlainTextsAreWrittenAsTyped) {
  EditingGrid f;
  f.name->PickList()->SetText("Alpha\nBeta");
  std::vector<AnsiString> notInList;
  f.name->OnNotInList = [&](TObject*, const AnsiString& text, bool&) { notInList.push_back(text); };
  f.Edit(f.name, "beta");
  EXPECT_EQ(f.Field("NAME")->AsString(), "beta");
  f.Edit(f.name, "Gamma");
  EXPECT_EQ(f.Field("NAME")->AsString(), "Gamma");
  EXPECT_EQ(notInList, std::vector<AnsiString>{"Gamma"}) << "compared without case";

  f.Select(f.id);
  f.grid->GetEditText(f.grid->Col(), f.grid->Row());
  ASSERT_TRUE(f.grid->CanEditModify());
  f.grid->SetEditText(f.grid->Col(), f.grid->Row(), "42");
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1) << "the text alone changes nothing";
  f.data.Post();
  EXPECT_EQ(f.Field("ID")->AsInteger(), 42) << "written when the record posts";
}

TEST(GridEditor, LookupTextsWriteTheKey) {
  EditingGrid f;
  f.Edit(f.city, "Nowhere");
  EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), 2) << "no handler: the key the editor left";
  f.data.Post();

  // A record without a city: a new one is added to the list and found on the recheck.
  f.data.Edit();
  f.Field("CITY_ID")->Clear();
  f.data.Post();
  std::vector<AnsiString> asked;
  f.city->OnNotInList = [&](TObject*, const AnsiString& text, bool& recheck) {
    asked.push_back(text);
    f.cities.AppendRecord({Variant(4), Variant(text)});
    recheck = true;
  };
  f.Edit(f.city, "Dnipro");
  EXPECT_EQ(asked, std::vector<AnsiString>{"Dnipro"});
  EXPECT_EQ(f.Field("CITY_ID")->AsInteger(), 4);
  f.data.Post();
  EXPECT_EQ(f.Field("CITY")->AsString(), "Dnipro");
}

}  // namespace
}  // namespace ordvane

// The grid's keys after one of its editor's drop-downs was opened and closed: the closed
// drop-down answers no key, so Escape still takes back a typed text and a new row, and
// Enter still writes the text, in every column (calendar, calculator, pick list,
// lookup drop-down box, recent values).

#include <gtest/gtest.h>

#include <functional>

#include "classlib/db/DateTimeFields.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

// The grid's three persons with a birth date after their other fields.
struct DropDownGrid : test::DataGridFixture<test::TMemDataSet, TDBGridEh> {
  TColumnEh* born = Column("BORN");
  TColumnEh* id = Column("ID");
  TColumnEh* name = Column("NAME");
  TColumnEh* city = Column("CITY");

  DropDownGrid() : DataGridFixture(0) {
    data.Close();
    data.FieldDefs().Add("BORN", ftDate);
    Make<TDateField>("BORN");
    data.Open();
    for (int i = 1; i <= 3; ++i)
      data.AppendRecord({Variant(i), Variant("name " + IntToStr(i)), Variant("k1"), Variant(i), Null(), Variant(false),
                         VarFromDateTime(EncodeDate(2000, 1, i))});
    data.First();
    grid->SetFocus();
    ui.Process();
  }
  TDBGridInplaceEdit* Editor() { return static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor()); }
  TDBGridInplaceEdit* EditAt(TColumnEh* column) {
    grid->SetSelectedIndex(column->Index());
    grid->ShowEditor();
    ui.Process();
    return Editor();
  }
};

struct GridDropDownCase {
  const char* what;
  std::function<TColumnEh*(DropDownGrid&)> prepare;
  std::function<void(test::UiDriver&)> open;
  std::function<bool(TDBGridInplaceEdit*)> shown;
};

TEST(GridDropDownKeys, AClosedDropDownLeavesEscapeAndEnterToTheGrid) {
  const auto pressAltDown = [](test::UiDriver& ui) { ui.Press(VK_DOWN, TShiftState{ssAlt}); };
  const auto listVisible = [](TDBGridInplaceEdit* editor) { return editor->ListVisible(); };
  const GridDropDownCase cases[] = {
      {"calendar", [](DropDownGrid& f) { return f.born; }, pressAltDown, listVisible},
      {"calculator",
       [](DropDownGrid& f) {
         f.id->SetButtonStyle(cbsDropDown);
         return f.id;
       },
       pressAltDown, listVisible},
      {"pick list",
       [](DropDownGrid& f) {
         f.name->PickList()->SetText("Alpha\nBeta");
         return f.name;
       },
       pressAltDown, listVisible},
      {"drop-down box", [](DropDownGrid& f) { return f.city; }, pressAltDown, listVisible},
      {"recent values",
       [](DropDownGrid& f) {
         f.name->MRUList().SetActive(true);
         f.name->MRUList().Items()->SetText("Alpha\nalpine");
         return f.name;
       },
       [](test::UiDriver& ui) { ui.Type("al"); },
       [](TDBGridInplaceEdit* editor) { return editor->MRUListVisible(); }},
  };
  for (const GridDropDownCase& c : cases) {
    SCOPED_TRACE(c.what);
    DropDownGrid f;
    TDBGridInplaceEdit* editor = f.EditAt(c.prepare(f));
    c.open(f.ui);
    ASSERT_TRUE(c.shown(editor));
    f.ui.Press(VK_ESCAPE);
    ASSERT_FALSE(c.shown(editor));
    f.ui.Press(VK_ESCAPE);
    f.ui.Press(VK_ESCAPE);
    ASSERT_EQ(f.data.State(), dsBrowse);
    f.name->MRUList().SetActive(false);

    // A text typed over a surname is taken back.
    editor = f.EditAt(f.name);
    editor->SelectAll();
    f.ui.Type("Ddd");
    f.ui.Press(VK_ESCAPE);
    EXPECT_EQ(editor->Text(), "name 1");
    f.ui.Press(VK_ESCAPE);
    EXPECT_EQ(f.data.State(), dsBrowse);
    EXPECT_EQ(f.Field("NAME")->AsString(), "name 1");

    // A new row is taken back.
    f.ui.Press(VK_INSERT);
    ASSERT_EQ(f.data.State(), dsInsert);
    f.ui.Press(VK_ESCAPE);
    EXPECT_EQ(f.data.State(), dsBrowse);
    EXPECT_EQ(f.data.RecordCount(), 3);

    // Enter writes a typed text to the record.
    editor = f.EditAt(f.name);
    editor->SelectAll();
    f.ui.Type("Eee");
    f.ui.Press(VK_RETURN);
    EXPECT_EQ(f.Field("NAME")->AsString(), "Eee");
  }
}

}  // namespace
}  // namespace ordvane

// The sizes of the drop-down lists and edit buttons of the data-aware edits at and beyond
// what they can hold: a form giving absurd numbers is refused with the property named, and
// the largest accepted row count drops down without overflowing.

#include <gtest/gtest.h>

#include "classlib/core/Filer.h"
#include "classlib/ui/SysMetrics.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "gridbase/GridsEh.h"
#include "gridbase/GridsEhStreaming.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

// The read error of a form holding one control of the class with the settings given.
AnsiString ReadError(const char* className, const AnsiString& settings) {
  RegisterGridBaseStreaming();
  TComponent root(nullptr);
  try {
    ReadComponentText(AnsiString("object Form: TComponent\n  object Edit: ") + className + "\n" + settings +
                          "  end\nend",
                      root);
  } catch (const EReadError& e) {
    EXPECT_EQ(root.ComponentCount(), 0);
    return e.Message();
  }
  return "read";
}

TEST(DropDownLimits, AFormWithAnAbsurdSizeNamesItsLineAndProperty) {
  struct Case {
    const char* className;
    const char* settings;
    const char* error;
  };
  const Case cases[] = {
      {"TDBComboBoxEh", "    DropDownBox.Rows = -2147483648\n",
       "Line 3: property \"DropDownBox.Rows\" of class TDBComboBoxEh (Edit): Rows -2147483648 is outside 0..32767"},
      {"TDBComboBoxEh", "    DropDownBox.Width = 2147483647\n",
       "Line 3: property \"DropDownBox.Width\" of class TDBComboBoxEh (Edit): Width 2147483647 is outside "
       "-2147483648..32767"},
      {"TDBDateTimeEditEh", "    MRUList.Rows = 100000\n",
       "Line 3: property \"MRUList.Rows\" of class TDBDateTimeEditEh (Edit): Rows 100000 is outside 0..32767"},
      {"TDBDateTimeEditEh", "    MRUList.Limit = 2147483647\n",
       "Line 3: property \"MRUList.Limit\" of class TDBDateTimeEditEh (Edit): Limit 2147483647 is outside "
       "-2147483648..32767"},
      {"TDBDateTimeEditEh", "    EditButton.Width = 2147483647\n",
       "Line 3: property \"EditButton.Width\" of class TDBDateTimeEditEh (Edit): Width 2147483647 is outside "
       "-2147483648..32767"},
      {"TDBDateTimeEditEh", "    EditButtons = <\n      item\n        Width = 40000\n      end>\n",
       "Line 5: property \"EditButtons.Width\" of class TVisibleEditButtonEh (Edit): Width 40000 is outside "
       "-2147483648..32767"},
      // The limits themselves are accepted.
      {"TDBComboBoxEh", "    DropDownBox.Rows = 32767\n    DropDownBox.Width = -5\n", "read"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadError(c.className, c.settings), c.error) << c.settings;
}

// The list of a box allowed the most rows, with more items than a window can be tall,
// shows the rows a screen holds.
TEST(DropDownLimits, TheMostRowsDropDown) {
  test::TextControlFixture f;
  auto* combo = f.Place<TDBComboBoxEh>(Rect(10, 10, 160, 31));
  constexpr int kItems = 5000;
  for (int i = 0; i < kItems; ++i) combo->Items()->Add("item " + std::to_string(i));
  combo->DropDownBox()->SetRows(kMaxGridExtentEh);
  combo->SetFocus();
  f.ui.Process();
  f.ui.Press(VK_DOWN, {ssAlt});
  TPopupListboxEh* list = combo->PopupList();
  ASSERT_TRUE(list && combo->ListVisible());
  EXPECT_GT(list->RowCount(), 1);
  EXPECT_LE(list->Height(), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_DOWN);
  f.ui.Press(VK_RETURN);
  EXPECT_FALSE(combo->ListVisible());
  EXPECT_EQ(combo->EditText(), "item 1");
}

}  // namespace
}  // namespace ordvane

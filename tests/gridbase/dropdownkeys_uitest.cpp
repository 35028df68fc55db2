// A drop-down that was opened and closed again answers no key: Enter and Escape reach the
// form's default and cancel buttons from the edit that owns it, as they did before it
// opened (the calendar, the list and the recent values of the standalone edits).

#include <gtest/gtest.h>

#include <functional>

#include "classlib/ui/StdButtons.h"
#include "gridbase/DBCtrlsEhComboBox.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

class TRecentValuesEdit : public TCustomDBEditEh {
 public:
  using TCustomDBEditEh::TCustomDBEditEh;
};

struct DialogButtonsFixture : test::TextControlFixture {
  TButton* ok = nullptr;
  TButton* cancel = nullptr;
  int okClicks = 0;
  int cancelClicks = 0;

  // Below the edits, made after them as a form's designer makes them: the form hands
  // its keys to its children in that order.
  void PlaceButtons() {
    ok = Place<TButton>(Rect(10, 300, 90, 325));
    cancel = Place<TButton>(Rect(100, 300, 180, 325));
    ok->SetDefault(true);
    cancel->SetCancel(true);
    ok->OnClick = [this](TObject*) { ++okClicks; };
    cancel->OnClick = [this](TObject*) { ++cancelClicks; };
  }
};

struct DropDownCase {
  const char* what;
  // Places the edit on the form and gives it what its drop-down shows.
  std::function<TCustomDBEditEh*(DialogButtonsFixture&)> place;
  // Opens the drop-down with the edit focused.
  std::function<void(test::UiDriver&)> open;
  std::function<bool(TCustomDBEditEh*)> shown;
};

TEST(DropDownKeys, AClosedDropDownLeavesEnterAndEscapeToTheFormsButtons) {
  const auto pressAltDown = [](test::UiDriver& ui) { ui.Press(VK_DOWN, TShiftState{ssAlt}); };
  const DropDownCase cases[] = {
      {"calendar",
       [](DialogButtonsFixture& f) -> TCustomDBEditEh* {
         return f.Place<TDBDateTimeEditEh>(Rect(10, 10, 200, 31));
       },
       pressAltDown,
       [](TCustomDBEditEh* edit) { return static_cast<TDBDateTimeEditEh*>(edit)->CalendarShowing(); }},
      {"list",
       [](DialogButtonsFixture& f) -> TCustomDBEditEh* {
         auto* combo = f.Place<TDBComboBoxEh>(Rect(10, 10, 200, 31));
         combo->Items()->SetText("plum\npear");
         return combo;
       },
       pressAltDown, [](TCustomDBEditEh* edit) { return static_cast<TDBComboBoxEh*>(edit)->ListVisible(); }},
      {"recent values",
       [](DialogButtonsFixture& f) -> TCustomDBEditEh* {
         auto* edit = f.Place<TRecentValuesEdit>(Rect(10, 10, 200, 31));
         edit->MRUList()->SetActive(true);
         edit->MRUList()->Items()->SetText("apple\napricot");
         return edit;
       },
       [](test::UiDriver& ui) { ui.Type("a"); },
       [](TCustomDBEditEh* edit) { return edit->MRUListVisible(); }},
  };
  for (const DropDownCase& c : cases) {
    SCOPED_TRACE(c.what);
    DialogButtonsFixture f;
    TCustomDBEditEh* edit = c.place(f);
    f.PlaceButtons();
    edit->SetFocus();
    f.ui.Process();
    c.open(f.ui);
    ASSERT_TRUE(c.shown(edit));
    f.ui.Press(VK_ESCAPE);
    ASSERT_FALSE(c.shown(edit));
    EXPECT_EQ(f.cancelClicks, 0) << "the Escape that closed it stays there";
    // What was typed to open it is not the form's business: it goes first.
    edit->SetText("");
    edit->SetModified(false);

    f.ui.Press(VK_ESCAPE);
    EXPECT_EQ(f.cancelClicks, 1);
    f.ui.Press(VK_RETURN);
    EXPECT_EQ(f.okClicks, 1);
    EXPECT_TRUE(edit->Focused());
  }
}

}  // namespace
}  // namespace ordvane

// The example on a desktop (a private X server): its window opens with the table, and a
// click on a column's title, made from outside the program, sorts the rows by that column.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/CodePages.h"
#include "classlib/core/Timers.h"
#include "classlib/ui/StdButtons.h"
#include "classlib/ui/StdCtrls.h"
#include "grid/DBGridEhFilterEdit.h"
#include "classlib/core/AnsiStrings.h"
#include "examples/PersonsDemo.h"
#include "import/SMIDialogs.h"
#include "tests/display/DesktopSupport.h"
#include "tests/examples/DemoSupport.h"

namespace ordvane::test {
namespace {

class DemoOnTheDesktop : public DesktopSuite {
 protected:
  // The sample imported, and the form in its window.
  static void ShowSample(demo::TPersonsDemo& demo) {
    demo.Open();
    ASSERT_EQ(demo.Import(std::make_shared<TSMIHeadlessDialogs>()).Added, 300);
    ASSERT_TRUE(demo::DesktopShown());
    demo.Form().Show();
    ASSERT_TRUE(RunUntil([&] { return host->NativeWindow(demo.Form().Handle()) != nullptr; }));
  }
};

// The surnames in the dataset's order.
std::vector<AnsiString> Surnames(TDataSet& persons) {
  std::vector<AnsiString> surnames;
  for (persons.First(); !persons.Eof(); persons.Next())
    surnames.push_back(persons.FieldByName("SURNAME")->AsString());
  return surnames;
}

// The example sorts text in memory in the class library's alphabetical order (whose
// Ukrainian order the headless test of the form checks against a list).
bool BySurname(const std::vector<AnsiString>& surnames) {
  return std::is_sorted(surnames.begin(), surnames.end(),
                        [](const AnsiString& a, const AnsiString& b) { return AnsiCompareStr(a, b) < 0; });
}

TEST_F(DemoOnTheDesktop, TheWindowOpensAndATitleClickSortsByThatColumn) {
  const DemoDatabase db;
  demo::TPersonsDemo demo(SampleInto(db));
  ASSERT_NO_FATAL_FAILURE(ShowSample(demo));
  demo::TfrmPersons& form = demo.Form();

  TDataSet& persons = demo.Table().DataSet();
  std::vector<AnsiString> surnames = Surnames(persons);
  ASSERT_EQ(surnames.size(), 300u);
  ASSERT_FALSE(BySurname(surnames)) << "the workbook's order is no order by surname";

  TDBGridEh& grid = *form.Grid;
  TColumnEh& surname = *grid.Columns().Items(1);
  const TRect title = grid.CellRect(grid.DataToRawColumn(1), 0);
  // The column's own band, below the group's "Особа".
  ASSERT_TRUE(ClickAt(grid.ClientToScreen(Point((title.left + title.right) / 2, title.bottom - 4))));
  ASSERT_TRUE(RunUntil([&] { return surname.Title().SortMarker() != smNoneEh; }));
  surnames = Surnames(persons);
  EXPECT_EQ(surnames.size(), 300u);
  EXPECT_TRUE(BySurname(surnames));
}

// The message box the application shows a failure in, while it is on the screen.
TForm* ShownErrorBox(TQtHost& host) {
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TForm* form = Screen->Forms(i);
    if (form->FindComponent("Message") != nullptr && host.NativeWindow(form->Handle()) != nullptr) return form;
  }
  return nullptr;
}

TEST_F(DemoOnTheDesktop, AConditionThatDoesNotParseShowsOneErrorBoxAndKeepsTheText) {
  const DemoDatabase db;
  demo::TPersonsDemo demo(SampleInto(db));
  ASSERT_NO_FATAL_FAILURE(ShowSample(demo));
  demo::TfrmPersons& form = demo.Form();

  // The box is modal: its loop runs inside the key's handling, and this ticker, running in
  // it, answers each box by a click on its button from outside the program.
  int boxes = 0;
  std::string boxText, boxCaption;
  bool answering = false;
  TTimer answerer(nullptr);
  answerer.SetInterval(20);
  answerer.SetOnTimer([&](TObject*) {
    TForm* box = ShownErrorBox(*host);
    if (box == nullptr) {
      answering = false;
      return;
    }
    if (answering) return;
    answering = true;
    ++boxes;
    boxCaption = AnsiToUtf8(box->Caption());
    boxText = AnsiToUtf8(static_cast<TLabel*>(box->FindComponent("Message"))->Caption());
    for (int i = 0; i < box->ControlCount(); ++i)
      if (auto* button = dynamic_cast<TButton*>(box->Controls(i))) {
        EXPECT_TRUE(ClickAt(button->ClientToScreen(Point(button->Width() / 2, button->Height() / 2))));
      }
  });

  TDBGridEh& grid = *form.Grid;
  const TRect cell = grid.CellRect(grid.DataToRawColumn(6), grid.TitleOffset() - 1);
  ASSERT_TRUE(ClickAt(grid.ClientToScreen(Point((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2))));
  ASSERT_TRUE(RunUntil([&] { return grid.FilterEditing() && grid.FilterEdit()->Focused(); }));
  RunCommand("xdotool type '>abc'");
  ASSERT_TRUE(RunUntil([&] { return grid.FilterEditing() && grid.FilterEdit()->Text() == ">abc"; }));
  RunCommand("xdotool key Return");
  ASSERT_TRUE(RunUntil([&] { return boxes == 1 && !answering; }, 10000)) << boxes;
  EXPECT_EQ(boxCaption, AnsiToUtf8(Application->Title()));
  EXPECT_EQ(boxText, "'abc' is not a valid floating point value.");
  EXPECT_TRUE(grid.FilterEditing());
  EXPECT_EQ(grid.FilterEdit()->Text(), ">abc");
  EXPECT_EQ(demo.Table().DataSet().RecordCount(), 300) << "no filter applied";
  EXPECT_EQ(boxes, 1);
}

}  // namespace
}  // namespace ordvane::test

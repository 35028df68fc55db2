// The example on a desktop (a private X server): its window opens with the table, and a
// click on a column's title, made from outside the program, sorts the rows by that column.

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/AnsiStrings.h"
#include "examples/PersonsDemo.h"
#include "import/SMIDialogs.h"
#include "tests/display/DesktopSupport.h"
#include "tests/examples/DemoSupport.h"

namespace ordvane::test {
namespace {

class DemoOnTheDesktop : public DesktopSuite {};

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
  demo.Open();
  ASSERT_EQ(demo.Import(std::make_shared<TSMIHeadlessDialogs>()).Added, 300);
  ASSERT_TRUE(demo::DesktopShown());
  demo::TfrmPersons& form = demo.Form();
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return host->NativeWindow(form.Handle()) != nullptr; }));

  TDataSet& persons = demo.Table().DataSet();
  std::vector<AnsiString> surnames = Surnames(persons);
  ASSERT_EQ(surnames.size(), 300u);
  ASSERT_FALSE(BySurname(surnames)) << "the workbook's order is no order by surname";

  TDBGridEh& grid = *form.Grid;
  TColumnEh& surname = *grid.Columns().Items(1);
  const TRect title = grid.CellRect(grid.DataToRawColumn(1), 0);
  // The column's own band, below the group's "Особа".
  const TPoint at = grid.ClientToScreen(Point((title.left + title.right) / 2, title.bottom - 4));
  RunCommand("xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1");
  ASSERT_TRUE(RunUntil([&] { return surname.Title().SortMarker() != smNoneEh; }));
  surnames = Surnames(persons);
  EXPECT_EQ(surnames.size(), 300u);
  EXPECT_TRUE(BySurname(surnames));
}

}  // namespace
}  // namespace ordvane::test

// The example's steps in the test process, its form shown without a display: the grid's
// first row holds the workbook's first person and its footer the count and the sum that
// isql-fb gives, read back from the recording canvas the grid paints on; the keys copy the
// whole table, and the filter row filters. Rows selected with the keys are copied, a
// person is corrected in place and saved at once (a change the server refuses leaves the
// row as it was there), and surnames sort in Ukrainian alphabetical order. Closing the
// form saves a person being edited, or stays open with the refusal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/RecordingDC.h"
#include "classlib/ui/WinInput.h"
#include "examples/PersonsDemo.h"
#include "examples/TerminalProgress.h"
#include "grid/DBGridEhFilterEdit.h"
#include "tests/examples/DemoSupport.h"
#include "tests/support/UiDriver.h"
#include "tests/support/UiScriptedDialogs.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The text the canvas was asked to write inside the rectangle, in UTF-8.
std::string TextWrittenIn(const TRecordingCanvas& canvas, const TRect& cell) {
  std::string text;
  for (const AnsiString& call : canvas.CallsOf("ExtTextOut")) {
    int x = 0, y = 0;
    if (std::sscanf(call.c_str(), "ExtTextOut(%d,%d,", &x, &y) != 2 || !PtInRect(cell, Point(x, y))) continue;
    const auto open = call.find('"');
    text += AnsiToUtf8(call.substr(open + 1, call.rfind('"') - open - 1));
  }
  return text;
}

// Digits and the decimal comma: what a number shows whatever separates its thousands.
std::string Digits(std::string text) {
  std::erase_if(
      text, [](char c) { return !(std::isdigit(static_cast<unsigned char>(c)) || c == ',' || c == '.'); });
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

TEST(DemoForm, TheGridShowsCopiesAndFiltersThePersons) {
  UiDriver ui;
  const DemoDatabase db;
  demo::TPersonsDemo demo(SampleInto(db));
  EXPECT_TRUE(demo.Open().CreatedTable);
  std::ostringstream progress;
  const demo::TPersonsImportOutcome outcome =
      demo.Import(std::make_shared<demo::TTerminalProgress>(progress, false));
  ASSERT_EQ(outcome.Added, 300) << progress.str();
  EXPECT_EQ(progress.str(), "The data import process has completed successfully.\n")
      << "no progress lines in a log";

  demo::TfrmPersons& form = demo.Form();
  form.Show();
  Application->ProcessMessages();
  TDBGridEh& grid = *form.Grid;
  TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
  grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);

  // Surname, first name, patronymic, birth date (yyyy-mm-dd), document, amount.
  const std::vector<std::string> rows = WorkbookRows(SampleWorkbook());
  ASSERT_EQ(rows.size(), 300u);
  const std::vector<std::string> person = Split(rows.front(), '|');
  ASSERT_EQ(person.size(), 6u);
  const std::vector<std::string> born = Split(person[3], '-');
  ASSERT_EQ(born.size(), 3u);
  const std::vector<std::string> expected = {
      "1", person[0], person[1], person[2], born[2] + "." + born[1] + "." + born[0], person[4]};
  const int firstRow = grid.TitleOffset();
  for (int column = 0; column < static_cast<int>(expected.size()); ++column)
    EXPECT_EQ(TextWrittenIn(canvas, grid.CellRect(grid.DataToRawColumn(column), firstRow)), expected[column])
        << "column " << column;
  const std::string amount = TextWrittenIn(canvas, grid.CellRect(grid.DataToRawColumn(6), firstRow));
  EXPECT_EQ(Digits(amount), Digits(person[5])) << amount;

  // The footer: the count of persons and the sum of their amounts as the database adds them.
  const int footerRow = grid.RowCount();
  EXPECT_EQ(TextWrittenIn(canvas, grid.CellRect(grid.DataToRawColumn(0), footerRow)), "300");
  const std::string sum = TextWrittenIn(canvas, grid.CellRect(grid.DataToRawColumn(6), footerRow));
  EXPECT_EQ(Digits(sum), Digits(db.Rows("select sum(AMOUNT) from PERSONS"))) << sum;

  // Ctrl+A and Ctrl+C: every person on the clipboard.
  grid.SetFocus();
  ui.Press('A', {ssCtrl});
  ui.Press('C', {ssCtrl});
  const std::string copied = AnsiToUtf8(Clipboard()->AsText());
  for (const std::string& row : {rows.front(), rows.back()})
    EXPECT_NE(copied.find(Split(row, '|')[4]), std::string::npos) << "the document of " << row;
  EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 300) << copied.substr(0, 400);

  // The filter row under the surname: the persons of that surname, as many as the workbook
  // has; an apostrophe stays inside its value.
  TDataSet& persons = demo.Table().DataSet();
  for (const std::string surname : {"Щербак", "Дем'яненко"}) {
    const TRect filter = grid.CellRect(grid.DataToRawColumn(1), grid.TitleOffset() - 1);
    ui.Click(&grid, {(filter.left + filter.right) / 2, (filter.top + filter.bottom) / 2});
    grid.FilterEdit()->SetText("");
    ui.Type(surname);
    ui.Press(VK_RETURN);
    const auto expected = std::count_if(
        rows.begin(), rows.end(), [&](const std::string& row) { return Split(row, '|')[0] == surname; });
    ASSERT_GT(expected, 0);
    std::vector<std::string> shown;
    for (persons.First(); !persons.Eof(); persons.Next())
      shown.push_back(AnsiToUtf8(persons.FieldByName("SURNAME")->AsString()));
    EXPECT_EQ(shown, std::vector<std::string>(static_cast<std::size_t>(expected), surname));
  }
}

// The sheet's count holds the title row, which no run processes.
TEST(DemoForm, TheTerminalCountsThePersonsBelowTheTitles) {
  std::ostringstream out;
  demo::TTerminalProgress progress(out, true, demo::kPersonsFirstRow - 1);
  progress.ShowProgress({}, true, false);
  progress.SetProgressRange(0, 6, 0);
  progress.UpdateProgress("", {});
  EXPECT_EQ(out.str(), "\rImporting: 0 of 5 rows, 0 errors");
}

// On the desktop the failed rows are told in a box before the grid: their count and the
// reasons of the first ones, row, field and value.
TEST(DemoForm, FailedRowsAreToldInABoxBeforeTheGrid) {
  UiDriver ui;
  const DemoDatabase db;
  demo::TDemoOptions options = SampleInto(db);
  options.Workbook = FixturePath("examples/persons_bad_row.xls");
  demo::TPersonsDemo demo(options);
  demo.Open();
  std::ostringstream progress;
  const demo::TPersonsImportOutcome outcome =
      demo.Import(std::make_shared<demo::TTerminalProgress>(progress, false));
  ASSERT_EQ(outcome.Errors, 2) << progress.str();

  ScriptedDialogs dialogs;
  dialogs.answers = {mrOk};
  demo::ShowFailedRows(outcome);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  const std::string& box = dialogs.asked.front();
  EXPECT_TRUE(box.starts_with("message 0 2 rows of the workbook could not be imported")) << box;
  EXPECT_NE(box.find("\nRow 3, field BORN, value \"31.02.1990\": "), std::string::npos) << box;
  EXPECT_NE(box.find("\nRow 6, field SURNAME, value \"\": "), std::string::npos) << box;

  demo::ShowFailedRows(demo::TPersonsImportOutcome{});
  EXPECT_EQ(dialogs.asked.size(), 1u) << "nothing failed, nothing to tell";
}

// The sample imported into a new database and the form shown.
struct ShownDemo {
  ShownDemo() : example(SampleInto(db)) {
    example.Open();
    std::ostringstream progress;
    added = example.Import(std::make_shared<demo::TTerminalProgress>(progress, false)).Added;
    example.Form().Show();
    Application->ProcessMessages();
  }
  TDBGridEh& Grid() const { return *example.Form().Grid; }
  TDataSet& Persons() const { return example.Table().DataSet(); }

  UiDriver ui;
  const DemoDatabase db;
  demo::TPersonsDemo example;
  int added = 0;
};

TEST(DemoForm, PersonsAreSelectedCorrectedInPlaceAndSortedInUkrainianOrder) {
  ShownDemo shown;
  ASSERT_EQ(shown.added, 300);
  UiDriver& ui = shown.ui;
  const DemoDatabase& db = shown.db;
  TDBGridEh& grid = shown.Grid();
  TDataSet& persons = shown.Persons();
  const std::vector<std::string> rows = WorkbookRows(SampleWorkbook());
  ASSERT_EQ(rows.size(), 300u);
  grid.SetFocus();

  // Shift+Down twice from the first person: three persons selected, those three copied.
  persons.First();
  ui.Press(VK_DOWN, {ssShift});
  ui.Press(VK_DOWN, {ssShift});
  ui.Press('C', {ssCtrl});
  const std::string copied = AnsiToUtf8(Clipboard()->AsText());
  EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 3) << copied;
  for (std::size_t row = 0; row < 4; ++row)
    EXPECT_EQ(copied.find(Split(rows[row], '|')[4]) != std::string::npos, row < 3) << "row " << row << ": " << copied;

  // Typed over a surname, Enter, and on to the next person: saved for every other program
  // to read.
  const ReportedErrors errors;
  const auto edit = [&](int id, int column, const std::string& text) {
    persons.First();
    persons.MoveBy(id - 1);
    grid.SetSelectedIndex(column);
    grid.ShowEditor();
    ui.Process();
    ui.Type(text);
    ui.Press(VK_RETURN);
    // Leaving the row saves it.
    ui.Press(VK_DOWN);
  };
  // What the grid paints in the person's cell of the column.
  const auto cellOf = [&](int id, int column) {
    EXPECT_TRUE(persons.Locate("ID", Variant(id), {}));
    ui.Process();
    TRecordingCanvas canvas(grid.ClientWidth(), grid.ClientHeight());
    grid.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
    return TextWrittenIn(canvas, grid.CellRect(grid.DataToRawColumn(column), grid.Row()));
  };
  edit(1, 1, "Евтушенко");
  EXPECT_EQ(cellOf(1, 1), "Евтушенко");
  edit(2, 1, "Іваненко");
  EXPECT_EQ(cellOf(2, 1), "Іваненко");
  // A second edit of the row keeps the first: the row is posted whole.
  edit(1, 2, "Марія");
  EXPECT_EQ(cellOf(1, 1), "Евтушенко");
  EXPECT_EQ(cellOf(1, 2), "Марія");
  // The amount typed with a full stop where the locale writes a comma.
  edit(1, 6, "99.99");
  EXPECT_EQ(Digits(cellOf(1, 6)), "99,99");
  EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
  EXPECT_EQ(db.Rows("select SURNAME, FIRST_NAME, AMOUNT from PERSONS where ID in (1, 2) order by ID"),
            "Евтушенко|Марія|99.99;Іваненко|" + Split(rows[1], '|')[1] + "|" +
                db.Rows("select AMOUNT from PERSONS where ID = 2"));

  // A document number longer than its column: it is refused naming the field, at Enter
  // and again at leaving the row, the row stays in edit and on the server as it was, and
  // Esc takes it back.
  const std::string document = Split(rows[2], '|')[4];
  edit(3, 5, "1234567890123456789012345");
  EXPECT_EQ(errors.messages.size(), 2u);
  for (const std::string& message : errors.messages)
    EXPECT_NE(message.find("is too long for field 'DOC_NO'"), std::string::npos) << message;
  EXPECT_EQ(db.Rows("select DOC_NO from PERSONS where ID = 3"), document);
  EXPECT_EQ(persons.State(), dsEdit);
  ui.Press(VK_ESCAPE);
  EXPECT_EQ(persons.State(), dsBrowse);
  EXPECT_EQ(AnsiToUtf8(persons.FieldByName("DOC_NO")->AsString()), document);

  // A click on the amount's title from person 5's birth date: the same record and column.
  ASSERT_TRUE(persons.Locate("ID", Variant(5), {}));
  grid.SetSelectedIndex(4);
  const TRect amountTitle = grid.CellRect(grid.DataToRawColumn(6), 0);
  ui.Click(&grid, {(amountTitle.left + amountTitle.right) / 2, amountTitle.bottom - 4});
  ASSERT_NE(grid.Columns().Items(6)->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(grid.SelectedIndex(), 4);
  EXPECT_EQ(persons.FieldByName("ID")->AsInteger(), 5);

  // A click on the surname's title: the surnames in the order of the Ukrainian alphabet.
  const TRect title = grid.CellRect(grid.DataToRawColumn(1), 0);
  ui.Click(&grid, {(title.left + title.right) / 2, title.bottom - 4});
  ASSERT_NE(grid.Columns().Items(1)->Title().SortMarker(), smNoneEh);
  std::vector<std::string> sorted;
  for (persons.First(); !persons.Eof(); persons.Next()) {
    const std::string surname = AnsiToUtf8(persons.FieldByName("SURNAME")->AsString());
    if (sorted.empty() || sorted.back() != surname) sorted.push_back(surname);
  }
  std::vector<std::string> alphabetical = {
      "Бондаренко", "Гнатюк",    "Грушевська", "Грушевський", "Ґудзь",       "Дем'яненко", "Евтушенко",
      "Єфремов",    "Єфремова",  "Зеров",      "Зерова",      "Іваненко",    "Їжакевич",   "Коваленко",
      "Коцюбинська", "Коцюбинський", "Кравчук", "Кушнір",     "Лисенко",     "Марченко",   "Мельник",
      "Остапчук",   "Руденко",   "Савчук",     "Сковорода",   "Стельмах",    "Ткаченко",   "Франко",
      "Харченко",   "Шевченко",  "Щербак",     "Ярошенко"};
  // The surnames the table holds, the two corrected persons' included.
  std::erase_if(alphabetical, [&](const std::string& surname) {
    std::string quoted = surname;
    for (std::size_t at = quoted.find('\''); at != std::string::npos; at = quoted.find('\'', at + 2))
      quoted.insert(at, 1, '\'');
    const std::string held = db.Rows("select count(*) from PERSONS where SURNAME = '" + quoted + "'");
    EXPECT_EQ(held == "0", std::find(sorted.begin(), sorted.end(), surname) == sorted.end()) << surname;
    return held == "0";
  });
  EXPECT_EQ(sorted, alphabetical);
}

// Closing the form over an edited person: the text in the cell's editor is saved as
// leaving the row saves it; a change the server refuses is reported and the form stays
// open with the row in edit.
TEST(DemoForm, ClosingTheFormSavesTheEditedPersonOrStaysOpenWithTheRefusal) {
  ShownDemo shown;
  ASSERT_EQ(shown.added, 300);
  TDBGridEh& grid = shown.Grid();
  TDataSet& persons = shown.Persons();
  TForm& form = shown.example.Form();
  const ReportedErrors errors;
  const auto typeInto = [&](int id, int column, const std::string& text) {
    ASSERT_TRUE(persons.Locate("ID", Variant(id), {}));
    grid.SetFocus();
    grid.SetSelectedIndex(column);
    grid.ShowEditor();
    shown.ui.Process();
    shown.ui.Type(text);
  };

  typeInto(1, 1, "Франко");
  form.Close();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(errors.messages.empty()) << errors.messages.front();
  EXPECT_EQ(shown.db.Rows("select SURNAME from PERSONS where ID = 1"), "Франко");

  form.Show();
  const std::string document = shown.db.Rows("select DOC_NO from PERSONS where ID = 2");
  typeInto(2, 5, "1234567890123456789012345");
  form.Close();
  EXPECT_EQ(errors.messages.size(), 1u);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(persons.State(), dsEdit);
  EXPECT_EQ(shown.db.Rows("select DOC_NO from PERSONS where ID = 2"), document);
}

// The vertical scroll bar as the grid set it: range, page and position.
std::vector<int> ScrollBarOf(TDBGridEh& grid) {
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(grid.Handle(), SB_VERT, info);
  return {info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos};
}

// Filtered, the records have no numbers and the bar has five positions: the ends stay
// shown after a search that finds nothing; cleared, the bar counts the records again.
TEST(DemoForm, TheScrollBarKeepsItsEndsAfterAFailedSearchAndCountsAgainWithoutAFilter) {
  ShownDemo shown;
  ASSERT_EQ(shown.added, 300);
  UiDriver& ui = shown.ui;
  TDBGridEh& grid = shown.Grid();
  TDataSet& persons = shown.Persons();
  const int page = ScrollBarOf(grid)[2];
  ASSERT_GT(page, 1);
  EXPECT_EQ(ScrollBarOf(grid), (std::vector<int>{1, 300 + page - 1, page, 1}));

  const auto filterBySurname = [&](const std::string& surname) {
    const TRect filter = grid.CellRect(grid.DataToRawColumn(1), grid.TitleOffset() - 1);
    ui.Click(&grid, {(filter.left + filter.right) / 2, (filter.top + filter.bottom) / 2});
    grid.FilterEdit()->SetText("");
    ui.Type(surname);
    ui.Press(VK_RETURN);
  };
  const auto findNothing = [&] {
    EXPECT_FALSE(grid.LocateText(grid, "SURNAME", "nobody of that name", {}, ltdAllEh, ltmAnyPartEh,
                                 lttInAllNodesEh));
  };
  filterBySurname("Щербак");
  ASSERT_FALSE(persons.IsSequenced());
  persons.First();
  const int first = persons.FieldByName("ID")->AsInteger();
  EXPECT_EQ(ScrollBarOf(grid), (std::vector<int>{0, 4, 0, 0}));
  findNothing();
  EXPECT_EQ(persons.FieldByName("ID")->AsInteger(), first);
  EXPECT_EQ(ScrollBarOf(grid), (std::vector<int>{0, 4, 0, 0})) << "the first record";
  persons.Last();
  const int last = persons.FieldByName("ID")->AsInteger();
  findNothing();
  EXPECT_EQ(persons.FieldByName("ID")->AsInteger(), last);
  EXPECT_EQ(ScrollBarOf(grid), (std::vector<int>{0, 4, 0, 4})) << "the last record";

  filterBySurname("");
  EXPECT_FALSE(persons.Filtered());
  persons.First();
  persons.MoveBy(9);
  EXPECT_EQ(ScrollBarOf(grid), (std::vector<int>{1, 300 + page - 1, page, 10}));
}

}  // namespace
}  // namespace ordvane::test

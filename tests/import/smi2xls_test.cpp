// The workbook import end to end: the operator form that LibreOffice wrote
// (tests/fixtures/make_form_xls.sh) read into an in-memory dataset.

#include <fstream>
#include <limits>

#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FloatFormat.h"
#include "import/SMXLS.h"
#include "tests/classlib/Support.h"
#include "tests/import/FormImport.h"

namespace ordvane {
namespace {

using test::FormFixture;
using test::FormImportTest;
using test::FormTitles;

// The Ukrainian workstation's settings, which a default settings object holds. Only a lack
// of memory can fail building them, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const TFormatSettings kUkrainian;

std::string NumberText(double value) { return AnsiToUtf8(FloatToStr(value, kUkrainian)); }
std::string Date(Word year, Word month, Word day) {
  return AnsiToUtf8(DateToStr(EncodeDate(year, month, day), kUkrainian));
}

// A reader that names the columns by their titles.
class TFieldNameImport : public TSMImportFromXLS {
  ORDVANE_CLASS(TFieldNameImport, TSMImportFromXLS)

 public:
  using TSMImportFromXLS::TSMImportFromXLS;

 protected:
  std::unique_ptr<TSpreadSheetFile> CreateSpreadSheetFile() override {
    auto reader = TSMImportFromXLS::CreateSpreadSheetFile();
    reader->SetNameKind(nkFieldName);
    return reader;
  }
};

TEST_F(FormImportTest, ColumnsTakeTheTitleRowAndTheTypesOfTheFirstDataRow) {
  OpenTarget({{"Прізвище", ftString}});
  std::vector<std::string> names, captions;
  std::vector<TSMIDataType> types;
  std::vector<TAlignment> alignments;
  std::vector<Integer> sizes;
  import.OnCreateStructure = [&](TObject*, TSMIColumns* columns) {
    for (int i = 0; i < columns->Count(); ++i) {
      names.push_back(AnsiToUtf8(columns->Items(i)->FieldName()));
      captions.push_back(AnsiToUtf8(columns->Items(i)->Caption()));
      types.push_back(columns->Items(i)->DataType());
      alignments.push_back(columns->Items(i)->Alignment());
      sizes.push_back(columns->Items(i)->Size());
    }
  };
  import.Execute();
  EXPECT_EQ(names, FormTitles());
  EXPECT_EQ(captions, FormTitles());
  EXPECT_EQ(alignments, std::vector<TAlignment>(8, taCenter));
  // A column's size is its width as xlrd reads it, in units of 230.
  std::ifstream widthsFile(FormFixture("form.widths"));
  std::vector<Integer> expectedSizes;
  for (Integer width = 0; widthsFile >> width;) expectedSizes.push_back(width / 230);
  EXPECT_EQ(sizes, expectedSizes);
  EXPECT_GT(expectedSizes.at(1), expectedSizes.at(0));
  // Excel 97 keeps every number as floating point; an empty cell leaves the type text.
  EXPECT_EQ(types, (std::vector<TSMIDataType>{itFloat, itString, itString, itString, itDateTime, itString,
                                              itString, itFloat}));

  // A title row without cells gives the letters, and the person below it the types.
  names.clear();
  types.clear();
  import.SetRowFieldNames(4);
  import.Execute();
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H"}));
  EXPECT_EQ(types.at(4), itDateTime);
  EXPECT_EQ(types.at(6), itString);
}

TEST_F(FormImportTest, AutomaticMappingsPostEveryRowOfTheSheetAsText) {
  // "Примітка" has no column; the number, the date and the score arrive in text fields.
  OpenTarget({{"№ з/п", ftString},
              {"Прізвище", ftString},
              {"Власне ім’я", ftString},
              {"Дата народження", ftString},
              {"Бал", ftString},
              {"Примітка", ftString}});
  std::string mappings;
  import.OnAfterRecordEvent = [&](TObject*, bool&) {
    if (mappings.empty()) mappings = AnsiToUtf8(import.Mappings()->Text());
  };
  import.Execute();
  EXPECT_EQ(Outcome(), "The data import process has completed successfully.");
  EXPECT_EQ(mappings, "№ з/п=A\r\nПрізвище=B\r\nВласне ім’я=C\r\nДата народження=E\r\nБал=H\r\n");
  EXPECT_EQ(import.Mappings()->Count(), 0);
  // The title row is a row like the others; empty rows are records without values.
  const std::vector<std::string> expected = {
      "№ з/п|Прізвище|Власне ім’я|Дата народження|Бал|",
      NumberText(1) + "|Шевченко|Тарас|" + Date(1985, 3, 9) + "|" + NumberText(4.75) + "|",
      NumberText(2) + "|Українка|Леся|" + Date(1971, 2, 25) + "|" + NumberText(5) + "|",
      "|||||",
      NumberText(3) + "|Франко|Іван|" + Date(1956, 8, 27) + "|" + NumberText(3.5) + "|",
      NumberText(4) + "|Ґудзь|Євгенія|" + Date(1999, 12, 31) + "|" + NumberText(12345.678) + "|",
      "|||||",
      NumberText(5) + "|О’Ніл|Марія|" + Date(2000, 1, 1) + "|" + NumberText(0.1) + "|"};
  EXPECT_EQ(Records(), expected);
  // What those texts are on a Ukrainian workstation.
  EXPECT_EQ(expected[1], "1|Шевченко|Тарас|09.03.1985|4,75|");
  EXPECT_EQ(expected[5], "4|Ґудзь|Євгенія|31.12.1999|12345,678|");
  EXPECT_EQ(import.Statistic()->TotalAdded(), 8);
}

TEST_F(FormImportTest, TypedFieldsTakeTheNumbersAndDatesOfTheCells) {
  OpenTarget({{"№ з/п", ftInteger}, {"Дата народження", ftDate}, {"Бал", ftFloat}});
  import.SetRowFirst(2);
  import.SetOptions(import.Options() + TSMIOptions{soSkipEmptyRow});
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"1|" + Date(1985, 3, 9) + "|" + NumberText(4.75),
                                                 "2|" + Date(1971, 2, 25) + "|5",
                                                 "3|" + Date(1956, 8, 27) + "|" + NumberText(3.5),
                                                 "4|" + Date(1999, 12, 31) + "|" + NumberText(12345.678),
                                                 "5|" + Date(2000, 1, 1) + "|" + NumberText(0.1)}));
  EXPECT_EQ(import.Statistic()->TotalSkipped(), 2);
  EXPECT_EQ(import.Statistic()->TotalErrors(), 0);
}

TEST_F(FormImportTest, RowFirstAndRowLastAreOneBasedAndInclusive) {
  OpenTarget({{"Прізвище", ftString}});
  import.SetRowFirst(2);
  import.SetRowLast(5);
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"Шевченко", "Українка", "", "Франко"}));
  EXPECT_EQ(import.Statistic()->TotalCount(), 5);
  EXPECT_EQ(import.Statistic()->TotalImported(), 4);

  // Rows past the sheet's end are not there to import.
  data.EmptyDataSet();
  import.SetRowFirst(8);
  import.SetRowLast(100);
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"О’Ніл"}));
  EXPECT_EQ(import.Statistic()->TotalCount(), 8);

  // A first row of 0 or less starts at the sheet's first row.
  data.EmptyDataSet();
  import.SetRowFirst(-3);
  import.SetRowLast(2);
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"Прізвище", "Шевченко"}));
  // Also the lowest: the row before it is no row either.
  data.EmptyDataSet();
  import.SetRowFirst(std::numeric_limits<Integer>::min());
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"Прізвище", "Шевченко"}));
}

TEST_F(FormImportTest, AValueThatFailsNamesTheSheetRowItCameFromAndTheRunCountsIt) {
  OpenTarget({{"Прізвище", ftInteger}});
  std::vector<std::string> errors;
  import.OnErrorEvent = [&](TObject*, const Exception& error, bool& abort) {
    errors.push_back(AnsiToUtf8(error.Message()));
    abort = false;
  };
  import.SetRowFirst(3);
  import.SetRowLast(3);
  import.Execute();
  EXPECT_EQ(errors, std::vector<std::string>{"Row 3, field Прізвище, value \"Українка\": Could not convert variant "
                                             "of type (OleStr) into type (Int64)"});
  EXPECT_EQ(Outcome(), "The data import process has completed with 1 error.");
  EXPECT_EQ(import.Statistic()->Result(), irExecuted);
}

TEST_F(FormImportTest, TheSheetIsChosenByIndexOrByName) {
  OpenTarget({{"Код", ftInteger}, {"Назва", ftString}});
  import.SetRowFirst(2);
  const std::vector<std::string> reference = {"10|Київ", "20|Львів", "30|Одеса"};

  import.SetSheetIndex(1);
  import.Execute();
  EXPECT_EQ(Records(), reference);

  data.EmptyDataSet();
  import.SetSheetName(Utf8ToAnsi("Довідка"));
  EXPECT_EQ(import.SheetIndex(), -1);
  import.Execute();
  EXPECT_EQ(Records(), reference);
  EXPECT_EQ(import.SheetIndex(), 1);
  EXPECT_EQ(AnsiToUtf8(import.SheetName()), "Довідка");
  import.SetSheetIndex(0);
  EXPECT_EQ(import.SheetName(), "");
}

TEST_F(FormImportTest, ColumnLettersReadTheCellAndAnythingElseStandsForItself) {
  OpenTarget({{"Прізвище", ftString}, {"Примітка", ftString}, {"Бал", ftString}});
  // Letters in any case; XYZ and I are no columns of a sheet of eight; an empty cell is empty.
  Map({"Прізвище=b", "Примітка=XYZ", "Бал=I"});
  import.SetRowFirst(2);
  import.SetRowLast(3);
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"Шевченко|XYZ|I", "Українка|XYZ|I"}));

  data.EmptyDataSet();
  import.Mappings()->Clear();
  Map({"Прізвище=[G]", "Примітка=AA"});
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"|AA|", "Косач|AA|"}));
}

// A column's letters are read against the sheet the row comes from: a handler that turns
// to another sheet between rows has them read against that sheet's columns.
TEST_F(FormImportTest, ColumnLettersFollowTheSheetTheRowsComeFrom) {
  OpenTarget({{"Прізвище", ftString}, {"Бал", ftString}});
  Map({"Прізвище=B", "Бал=G"});
  import.SetSheetName(Utf8ToAnsi("Форма"));  // by name every sheet is loaded
  import.SetRowFirst(2);
  import.SetRowLast(3);
  // The second sheet has two columns: G is none of them.
  import.OnAfterRecordEvent = [&](TObject*, bool&) { import.SetSheetIndex(1); };
  import.Execute();
  EXPECT_EQ(Records(), (std::vector<std::string>{"Шевченко|", "Львів|G"}));
}

TEST_F(FormImportTest, MappingsNameTheColumnsAsTheReaderNamesThem) {
  OpenTarget({{"Власне ім’я", ftString}, {"Прізвище", ftString}});
  std::string mappings;
  const auto capture = [&](TObject*, bool&) {
    if (mappings.empty()) mappings = AnsiToUtf8(import.Mappings()->Text());
  };
  import.OnAfterRecordEvent = capture;
  import.Execute();
  EXPECT_EQ(mappings, "Прізвище=B\r\nВласне ім’я=C\r\n");

  TFieldNameImport byName(nullptr);
  byName.Assign(&import);
  byName.SetDialogs(dialogs);
  mappings.clear();
  byName.OnAfterRecordEvent = [&](TObject*, bool&) {
    if (mappings.empty()) mappings = AnsiToUtf8(byName.Mappings()->Text());
  };
  byName.Execute();
  EXPECT_EQ(mappings, "Прізвище=[Прізвище]\r\nВласне ім’я=[Власне ім’я]\r\n");
}

std::string OpenXMLAdvice(const std::string& file) {
  return "The workbook " + file +
         " is an Open XML workbook, which is not read: save it as an Excel 97-2003 workbook (.xls).";
}

// A workbook or sheet that cannot be read fails the run with the reason: nothing is read
// and no reader is kept. Nothing of an Open XML workbook is read, so it must not pass for
// a form without rows; a workbook cut short fails with what the reader finds wrong in it.
TEST_F(FormImportTest, AWorkbookOrSheetThatCannotBeReadFailsTheRunWithTheReason) {
  OpenTarget({{"Прізвище", ftString}});
  const std::string xlsx = test::TestTempDir() + "/form.xlsx";
  std::ofstream(xlsx) << "PK";
  TMSExcel reader(nullptr);
  const std::string truncated =
      AnsiToUtf8(test::ErrorOf<Exception>([&] { reader.LoadFromFile(FormFixture("truncated.xls")); }));
  ASSERT_NE(truncated, "no error");
  const struct {
    std::string file, sheetName;
    Integer sheetIndex;
    std::string reason;
  } cases[] = {{FormFixture("form.xls"), "Довідки", 0, "Довідки: sheet not found."},
               {FormFixture("form.xls"), "", 2, "2: sheet not found."},
               {FormFixture("missing.xls"), "", 0, "File does not exist."},
               {FormFixture("html_page.xls"), "", 0, "File is not an Excel file"},
               {test::FixturePath("import/xls/encrypted.xls"), "", 0,
                "Could not read the password protected file"},
               {xlsx, "", 0, OpenXMLAdvice(xlsx)},
               {FormFixture("truncated.xls"), "", 0, truncated},
               // A real Open XML workbook, and the same file under an Excel 97 name, known
               // by what it holds.
               {FormFixture("form_openxml.xlsx"), "", 0, OpenXMLAdvice(FormFixture("form_openxml.xlsx"))},
               {FormFixture("openxml_renamed.xls"), "", 0, OpenXMLAdvice(FormFixture("openxml_renamed.xls"))}};
  for (const auto& c : cases) {
    dialogs->ClearLog();
    bool after = false;
    import.OnAfterExecute = [&](TObject*) { after = true; };
    import.SetSourceFileName(c.file);
    if (c.sheetName.empty())
      import.SetSheetIndex(c.sheetIndex);
    else
      import.SetSheetName(Utf8ToAnsi(c.sheetName));
    import.Execute();
    EXPECT_EQ(import.Statistic()->Result(), irFailed) << c.reason;
    EXPECT_EQ(Outcome(), "An error has occurred during the data import process.\r\n" + c.reason);
    EXPECT_TRUE(after) << c.reason;
    EXPECT_TRUE(Records().empty()) << c.reason;
    EXPECT_EQ(import.SpreadSheetFile(), nullptr) << c.reason;
  }
  // Without a file name the run is refused before it starts.
  import.SetSourceFileName("");
  EXPECT_EQ(test::ErrorOf<Exception>([&] { import.Execute(); }), "Property SourceFileName wasn't specified.");
  TSMImportFromXLS fresh(nullptr);
  EXPECT_EQ(fresh.SourceFileName(), "SMImport.XLS");
  EXPECT_EQ(fresh.TableType(), teXLS);
}

TEST_F(FormImportTest, AStreamIsReadInsteadOfTheFile) {
  OpenTarget({{"Прізвище", ftString}});
  import.SetRowFirst(7);
  TFileStream stream(FormFixture("form.xls"), fmOpenRead);
  import.SetSourceFileName("not-there.xls");
  import.ExecuteFromStream(&stream);
  EXPECT_EQ(Records(), (std::vector<std::string>{"", "О’Ніл"}));
}

}  // namespace
}  // namespace ordvane

// The workbook import end to end: the operator form that LibreOffice wrote
// (tests/fixtures/make_form_xls.sh) read into an in-memory dataset.

#include <fstream>

#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FloatFormat.h"
#include "import/SMXLS.h"
#include "tests/import/FormImport.h"

namespace ordvane {
namespace {

using test::FormFixture;
using test::FormImportTest;
using test::FormTitles;

// The Ukrainian workstation's settings, which a default settings object holds.
const TFormatSettings kUkrainian;

std::string Number(double value) { return AnsiToUtf8(FloatToStr(value, kUkrainian)); }
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
      Number(1) + "|Шевченко|Тарас|" + Date(1985, 3, 9) + "|" + Number(4.75) + "|",
      Number(2) + "|Українка|Леся|" + Date(1971, 2, 25) + "|" + Number(5) + "|",
      "|||||",
      Number(3) + "|Франко|Іван|" + Date(1956, 8, 27) + "|" + Number(3.5) + "|",
      Number(4) + "|Ґудзь|Євгенія|" + Date(1999, 12, 31) + "|" + Number(12345.678) + "|",
      "|||||",
      Number(5) + "|О’Ніл|Марія|" + Date(2000, 1, 1) + "|" + Number(0.1) + "|"};
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
  EXPECT_EQ(Records(), (std::vector<std::string>{"1|" + Date(1985, 3, 9) + "|" + Number(4.75),
                                                 "2|" + Date(1971, 2, 25) + "|5",
                                                 "3|" + Date(1956, 8, 27) + "|" + Number(3.5),
                                                 "4|" + Date(1999, 12, 31) + "|" + Number(12345.678),
                                                 "5|" + Date(2000, 1, 1) + "|" + Number(0.1)}));
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

TEST_F(FormImportTest, ASheetTheWorkbookLacksFailsTheRun) {
  OpenTarget({{"Прізвище", ftString}});
  import.SetSheetName(Utf8ToAnsi("Довідки"));
  import.Execute();
  EXPECT_EQ(import.Statistic()->Result(), irFailed);
  EXPECT_EQ(Outcome(), "An error has occurred during the data import process.\r\nДовідки: sheet not found.");
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(import.SpreadSheetFile(), nullptr);

  dialogs->ClearLog();
  import.SetSheetIndex(2);
  import.Execute();
  EXPECT_EQ(import.Statistic()->Result(), irFailed);
  EXPECT_EQ(Outcome(), "An error has occurred during the data import process.\r\n2: sheet not found.");
  EXPECT_TRUE(Records().empty());
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

TEST_F(FormImportTest, AWorkbookThatCannotBeLoadedFailsTheRunWithTheReason) {
  OpenTarget({{"Прізвище", ftString}});
  const std::string failed = "An error has occurred during the data import process.\r\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {FormFixture("missing.xls"), "File does not exist."},
      {FormFixture("html_page.xls"), "File is not an Excel file"},
      {test::FixturePath("import/xls/encrypted.xls"), "Could not read the password protected file"},
  };
  for (const auto& [file, reason] : cases) {
    dialogs->ClearLog();
    bool after = false;
    import.OnAfterExecute = [&](TObject*) { after = true; };
    import.SetSourceFileName(file);
    import.Execute();
    EXPECT_EQ(import.Statistic()->Result(), irFailed) << file;
    EXPECT_EQ(Outcome(), failed + reason) << file;
    EXPECT_TRUE(after);
    EXPECT_EQ(import.SpreadSheetFile(), nullptr);
  }
  // A workbook cut short fails with what the reader finds wrong in it.
  TMSExcel reader(nullptr);
  std::string reason;
  try {
    reader.LoadFromFile(FormFixture("truncated.xls"));
  } catch (const Exception& error) {
    reason = AnsiToUtf8(error.Message());
  }
  ASSERT_FALSE(reason.empty());
  dialogs->ClearLog();
  import.SetSourceFileName(FormFixture("truncated.xls"));
  import.Execute();
  EXPECT_EQ(import.Statistic()->Result(), irFailed);
  EXPECT_EQ(Outcome(), failed + reason);
  EXPECT_TRUE(Records().empty());
}

// Nothing of an Open XML workbook is read; the run must not pass for a form without rows.
TEST_F(FormImportTest, AnOpenXMLWorkbookFailsTheRun) {
  OpenTarget({{"Прізвище", ftString}});
  const std::string name = test::TestTempDir() + "/form.xlsx";
  std::ofstream(name) << "PK";
  import.SetSourceFileName(name);
  import.Execute();
  EXPECT_EQ(import.Statistic()->Result(), irFailed);
  EXPECT_EQ(Outcome(), "An error has occurred during the data import process.\r\nNo sheet could be read from the workbook.");
  EXPECT_TRUE(Records().empty());
}

TEST_F(FormImportTest, AStreamIsReadInsteadOfTheFile) {
  OpenTarget({{"Прізвище", ftString}});
  import.SetRowFirst(7);
  TFileStream stream(FormFixture("form.xls"), fmOpenRead);
  import.SetSourceFileName("not-there.xls");
  import.ExecuteFromStream(&stream);
  EXPECT_EQ(Records(), (std::vector<std::string>{"", "О’Ніл"}));
}

TEST_F(FormImportTest, TheSourceFileNameIsRequired) {
  OpenTarget({{"Прізвище", ftString}});
  TSMImportFromXLS fresh(nullptr);
  EXPECT_EQ(fresh.SourceFileName(), "SMImport.XLS");
  EXPECT_EQ(fresh.TableType(), teXLS);
  import.SetSourceFileName("");
  try {
    import.Execute();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Property SourceFileName wasn't specified.");
  }
}

}  // namespace
}  // namespace ordvane

// The workbook import written to a form and read back: its data formats, mappings,
// parameters and rows are what the program keeps in its form.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/Filer.h"
#include "import/SMI2XLS.h"
#include "import/SMIStreaming.h"

namespace ordvane {
namespace {

class ImportStreaming : public ::testing::Test {
 protected:
  ImportStreaming() { RegisterSMIStreaming(); }
};

TEST_F(ImportStreaming, TheImportComesBackPropertyByProperty) {
  TSMImportFromXLS import(nullptr);
  import.SetName("Import");
  import.DataFormats()->SetDateOrder(doDMY);
  import.DataFormats()->SetDateSeparator('.');
  import.DataFormats()->SetDecimalSeparator(',');
  import.DataFormats()->SetCurrencyString(Utf8ToAnsi("грн."));
  import.DataFormats()->SetBooleanTrue(Utf8ToAnsi("так"));
  import.Mappings()->Add(Utf8ToAnsi("LAST_NAME=UPPER(Прізвище)"));
  import.Mappings()->Add("BIRTH=Col3");
  import.LoadCondition()->SetSkipIf("Col1 = ''");
  import.SQLOptions()->FieldNameOptions()->SetSQLQuoteOpen('"');
  TSMIParameter* parameter = import.Parameters()->Add();
  parameter->SetName("FORM_DATE");
  parameter->SetCaption(Utf8ToAnsi("Дата подання"));
  parameter->SetParameterMode(ipmAsk);
  import.SetOptions({soShowMessage, soSkipEmptyRow});
  import.SetSheetIndex(2);
  import.SetSourceFileName("persons.xls");
  import.SetRowFirst(3);
  import.SetCommitCount(50);

  const AnsiString text = WriteComponentText(import);
  TSMImportFromXLS copy(nullptr);
  ReadComponentText(text, copy);
  EXPECT_EQ(copy.DataFormats()->DateOrder(), doDMY);
  EXPECT_EQ(copy.DataFormats()->DateSeparator(), '.');
  EXPECT_EQ(copy.DataFormats()->DecimalSeparator(), ',');
  EXPECT_EQ(copy.DataFormats()->CurrencyString(), Utf8ToAnsi("грн."));
  EXPECT_EQ(copy.DataFormats()->BooleanTrue(), Utf8ToAnsi("так"));
  EXPECT_EQ(copy.DataFormats()->BooleanFalse(), "False");
  EXPECT_TRUE(copy.Mappings()->Equals(import.Mappings()));
  EXPECT_EQ(copy.LoadCondition()->SkipIf(), "Col1 = ''");
  EXPECT_EQ(copy.SQLOptions()->FieldNameOptions()->SQLQuoteOpen(), '"');
  ASSERT_EQ(copy.Parameters()->Count(), 1);
  EXPECT_EQ(copy.Parameters()->Items(0)->Name(), "FORM_DATE");
  EXPECT_EQ(copy.Parameters()->Items(0)->Caption(), Utf8ToAnsi("Дата подання"));
  EXPECT_EQ(copy.Parameters()->Items(0)->ParameterMode(), ipmAsk);
  EXPECT_EQ(copy.Options(), import.Options());
  EXPECT_EQ(copy.SheetIndex(), 2);
  EXPECT_EQ(copy.SourceFileName(), "persons.xls");
  EXPECT_EQ(copy.RowFirst(), 3);
  EXPECT_EQ(copy.CommitCount(), 50);
  EXPECT_EQ(WriteComponentText(copy), text);
}

TEST_F(ImportStreaming, ASeparatorIsOneCharacter) {
  TSMImportFromXLS import(nullptr);
  try {
    ReadComponentText("object I: TSMImportFromXLS\n  DataFormats.DateSeparator = \"./\"\nend\n", import);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(),
              "Line 2: property \"DataFormats.DateSeparator\" of class TSMImportFromXLS (I): expected one "
              "character, "
              "found 2");
  }
}

}  // namespace
}  // namespace ordvane

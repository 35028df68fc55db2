// Import specifications: the text a workbook import writes, what reading it back takes,
// and the file operations with their events.

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>

#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "import/SMI2XLS.h"
#include "tests/classlib/Support.h"
#include "tests/import/ApplicationFormats.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

using test::SetApplicationFormats;

std::string SavedText(TSMImportBaseComponent& import, const char* name = "Форма 417") {
  TMemoryStream stream;
  import.SaveSpecification(Utf8ToAnsi(name), &stream);
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

// Lines given in UTF-8.
void Load(TSMImportBaseComponent& import, std::initializer_list<const char*> lines) {
  TStringList text;
  for (const char* line : lines) text.Add(Utf8ToAnsi(line));
  import.LoadSpecification(&text);
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SpecificationTest : public ::testing::Test {
 protected:
  SpecificationTest() { Application->SetTitle("Ordvane"); }
  ~SpecificationTest() override { Application->SetTitle(fTitle); }

  const AnsiString fTitle = Application->Title();

  TSMImportFromXLS import{nullptr};
};

TEST_F(SpecificationTest, TheWorkbookImportWritesItsSettingsSectionBySection) {
  SetApplicationFormats(*import.DataFormats());
  import.SetTableName("T003");
  import.SetDatasetKeys("ID;NUM");
  import.SetMode(imAppendUpdate);
  import.SetCommitCount(50);
  import.Mappings()->Add(Utf8ToAnsi("Прізвище=B"));
  import.Mappings()->Add(Utf8ToAnsi("Власне ім’я=[C]"));
  import.SetRowFirst(2);
  import.SetSheetIndex(1);
  import.LoadCondition()->SetSkipIf("A = 0");
  const std::string expected =
      "[Common]\r\n"
      "App=Ordvane\r\n"
      "Description=SMImport: specification\r\n"
      "Specification=Форма 417\r\n"
      "TableName=T003\r\n"
      "DatasetKeys=ID;NUM\r\n"
      "Mode=2\r\n"
      "TableType=XLS\r\n"
      "SourceFileName=SMImport.XLS\r\n"
      "CharacterSet=0\r\n"
      "CommitCount=50\r\n"
      "[Mappings]\r\n"
      "Count=2\r\n"
      "Map1=Прізвище=B\r\n"
      "Map2=Власне ім’я=[C]\r\n"
      "[Text]\r\n"
      "FieldDelimiter=09\r\n"
      "TextQualifier=22\r\n"
      "RecordSeparator=0D0A\r\n"
      "Fixed=0\r\n"
      "TrimSpaces=0\r\n"
      "RowFirst=2\r\n"
      "RowLast=2147483647\r\n"
      "RowFieldNames=1\r\n"
      "[DataFormat]\r\n"
      "DateOrder=1\r\n"
      "DateSeparator=2E\r\n"
      "TimeSeparator=3A\r\n"
      "ThousandSeparator=A0\r\n"
      "DecimalSeparator=2C\r\n"
      "CurrencyString=грн.\r\n"
      "FourDigitYear=1\r\n"
      "LeadingZerosInDate=1\r\n"
      "CustomDateTimeFormat=\r\n"
      "BooleanTrue=Так\r\n"
      "BooleanFalse=Нi\r\n"
      "UseRegionalSettings=0\r\n"
      "[Condition]\r\n"
      "LoadWhen=\r\n"
      "SkipIf=A = 0\r\n"
      "[Sheet]\r\n"
      "SheetIndex=1\r\n";
  EXPECT_EQ(AnsiToUtf8(SavedText(import)), expected);
}

TEST_F(SpecificationTest, SavedLoadedAndSavedAgainGivesTheSameText) {
  SetApplicationFormats(*import.DataFormats());
  import.SetTableName("T003");
  import.SetMode(imCopy);
  import.SetCharacterSet(csiASCII_MSDOS);
  import.SetTrimSpaces(tsTrimLeftRight);
  import.SetSourceFileName(Utf8ToAnsi("/home/оператор/форма.xls"));
  import.Mappings()->SetText(Utf8ToAnsi("№ з/п=A\nДата народження=E\nПримітка='='"));
  import.SetFieldDelimiterChar(';');
  import.SetTextQualifierChar('\0');
  import.SetRecordSeparatorText("\n");
  import.SetFixed(true);
  import.SetRowFirst(3);
  import.SetRowLast(40);
  import.SetRowFieldNames(2);
  import.DataFormats()->SetDateOrder(doYMD);
  import.DataFormats()->SetDateSeparator('-');
  import.DataFormats()->SetCustomDateTimeFormat("yyyy-mm-dd");
  import.LoadCondition()->SetLoadWhen("B <> ''");
  import.SetSheetIndex(2);
  const std::string first = SavedText(import, "round trip");

  TSMImportFromXLS loaded(nullptr);
  TStringList lines;
  lines.SetText(first);
  loaded.LoadSpecification(&lines);
  EXPECT_EQ(SavedText(loaded, "round trip"), first);
  EXPECT_EQ(loaded.Mode(), imCopy);
  EXPECT_EQ(loaded.Mappings()->Text(), import.Mappings()->Text());
  EXPECT_EQ(loaded.FieldDelimiter(), fdSemicolon);
  EXPECT_EQ(loaded.TextQualifier(), tqNone);
  EXPECT_EQ(loaded.RecordSeparator(), rsLF);
  EXPECT_EQ(loaded.SheetIndex(), 2);
  EXPECT_EQ(loaded.DataFormats()->DateSeparator(), '-');
}

TEST_F(SpecificationTest, ValuesAreFoundByKeyAloneAndWhatDoesNotReadIsPassedOver) {
  import.SetMode(imUpdate);
  import.SetCommitCount(7);
  import.SetSheetIndex(3);
  import.SetTableName("KEEP");
  Load(import, {"[Common]", "Mode=abc", "CommitCount=", "TableType=Clipboard", "SheetIndex=x", "[Other]",
                "TableType=XML"});
  EXPECT_EQ(import.Mode(), imUpdate);
  EXPECT_EQ(import.CommitCount(), 7);
  EXPECT_EQ(import.TableType(), teClipboard);
  EXPECT_EQ(import.SheetIndex(), 3);
  EXPECT_EQ(import.TableName(), "KEEP");

  // An ordinal outside its enumeration, or a name that is none of it, changes nothing.
  import.DataFormats()->SetDateOrder(doYDM);
  Load(import, {"Mode=6", "CharacterSet=-1", "TrimSpaces=4", "DateOrder=9", "TableType=Paradox"});
  EXPECT_EQ(import.Mode(), imUpdate);
  EXPECT_EQ(import.CharacterSet(), csiANSI_WINDOWS);
  EXPECT_EQ(import.TrimSpaces(), tsNoTrim);
  EXPECT_EQ(import.DataFormats()->DateOrder(), doYDM);
  EXPECT_EQ(import.TableType(), teClipboard);
  Load(import, {"Mode=5", "TableType=text"});
  EXPECT_EQ(import.Mode(), imAppendNewOnly);
  EXPECT_EQ(import.TableType(), teText);

  // Only "1" is true.
  import.DataFormats()->SetFourDigitYear(true);
  Load(import, {"Fixed=1", "FourDigitYear=true"});
  EXPECT_TRUE(import.Fixed());
  EXPECT_FALSE(import.DataFormats()->FourDigitYear());
}

TEST_F(SpecificationTest, MappingsAreReplacedUpToTheFirstMissingLine) {
  import.Mappings()->SetText("OLD=A");
  Load(import, {"[Mappings]", "Count=4", "Map1=NAME=B", "Map2=NOTE=[C D]", "Map4=LOST=E"});
  EXPECT_EQ(import.Mappings()->Text(), "NAME=B\r\nNOTE=[C D]\r\n");
  Load(import, {"[Common]", "Mode=0"});
  EXPECT_EQ(import.Mappings()->Count(), 0);
}

TEST_F(SpecificationTest, TextSettingsAreReadThroughTheirCharacters) {
  struct Case {
    const char* line;
    TSMIFieldDelimiter delimiter;
    char character;
  };
  for (const Case& c : {Case{"FieldDelimiter=3B", fdSemicolon, ';'}, Case{"FieldDelimiter=2C", fdComma, ','},
                        Case{"FieldDelimiter=20", fdSpace, ' '}, Case{"FieldDelimiter=7c", fdCustom, '|'},
                        Case{"FieldDelimiter=", fdNone, '\0'}, Case{"FieldDelimiter=09", fdTab, '\t'},
                        // Digits that make no whole pairs leave the delimiter.
                        Case{"FieldDelimiter=3", fdTab, '\t'}, Case{"FieldDelimiter=ZZ", fdTab, '\t'}}) {
    Load(import, {c.line});
    EXPECT_EQ(import.FieldDelimiter(), c.delimiter) << c.line;
    EXPECT_EQ(import.FieldDelimiterChar(), c.character) << c.line;
  }
  Load(import, {"TextQualifier=27", "RecordSeparator=0D"});
  EXPECT_EQ(import.TextQualifier(), tqQuote);
  EXPECT_EQ(import.RecordSeparator(), rsCR);
  Load(import, {"TextQualifier=7E", "RecordSeparator=3B3B"});
  EXPECT_EQ(import.TextQualifier(), tqCustom);
  EXPECT_EQ(import.RecordSeparator(), rsCustom);
  EXPECT_EQ(import.RecordSeparatorText(), ";;");
  // A record separator is never empty.
  Load(import, {"RecordSeparator="});
  EXPECT_EQ(import.RecordSeparatorText(), ";;");
  Load(import, {"DecimalSeparator=2E", "ThousandSeparator="});
  EXPECT_EQ(import.DataFormats()->DecimalSeparator(), '.');
  EXPECT_EQ(import.DataFormats()->ThousandSeparator(), TSMIDataFormats().ThousandSeparator());
}

// A condition may span lines; the file keeps it whole, and a reader that knows only the
// condition's line finds the same condition with blanks for the line breaks.
TEST_F(SpecificationTest, ConditionsSpanningLinesComeBackWhole) {
  const AnsiString loadWhen = "(A = 1)\r\nand (B <> '')";
  const AnsiString skipIf = "C = 2\nor\rD = 3";
  import.LoadCondition()->SetLoadWhen(loadWhen);
  import.LoadCondition()->SetSkipIf(skipIf);
  const std::string dir = test::TestTempDir();
  import.SaveSpecificationToFile("spec", dir + "/conditions.SMI");
  const std::string text = ReadFile(dir + "/conditions.SMI");
  EXPECT_NE(text.find("\r\nLoadWhen=(A = 1)  and (B <> '')\r\n"), std::string::npos) << text;

  TSMImportFromXLS loaded(nullptr);
  loaded.LoadSpecificationFromFile(dir + "/conditions.SMI");
  EXPECT_EQ(loaded.LoadCondition()->LoadWhen(), loadWhen);
  EXPECT_EQ(loaded.LoadCondition()->SkipIf(), skipIf);
  EXPECT_EQ(SavedText(loaded, "spec"), SavedText(import, "spec"));

  // Any other value spanning lines cannot be kept: the save is refused, no file is left.
  import.SetTableName("T1\r\nT2");
  EXPECT_THROW(import.SaveSpecificationToFile("spec", dir + "/refused.SMI"), Exception);
  EXPECT_FALSE(std::ifstream(dir + "/refused.SMI").good());
}

// A number the setting cannot hold refuses the text before anything changes; within the
// setting's range even the lowest first row imports from the sheet's first row.
TEST_F(SpecificationTest, NumbersOutsideTheirSettingsAreRefused) {
  import.SetTableName("KEEP");
  import.SetRowFirst(2);
  try {
    Load(import, {"TableName=CHANGED", "RowFirst=1", "RowLast=99999999999"});
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The specification's RowLast 99999999999 is outside -2147483648..2147483647.");
  }
  EXPECT_EQ(import.TableName(), "KEEP");
  EXPECT_EQ(import.RowFirst(), 2);
  EXPECT_THROW(Load(import, {"SheetIndex=-2147483649"}), Exception);
  Load(import, {"RowFirst=-2147483648"});
  EXPECT_EQ(import.RowFirst(), std::numeric_limits<Integer>::min());
}

TEST_F(SpecificationTest, FilesGoThroughTheEventsAndTheSpecificationFolder) {
  std::vector<std::string> calls;
  import.OnBeforeSaveSpecification = [&](TObject*, AnsiString& name) {
    calls.push_back("before save " + name);
    name = "chosen.SMI";
  };
  const auto record = [&](const char* what) {
    return [&calls, what](TObject*, AnsiString& name) { calls.push_back(what + name); };
  };
  import.OnAfterSaveSpecification = record("after save ");
  import.OnBeforeLoadSpecification = record("before load ");
  import.OnAfterLoadSpecification = record("after load ");
  const std::string dir = test::TestTempDir();
  import.SetSpecificationDir(dir);
  import.SetSheetIndex(4);
  import.SaveSpecificationToFile("spec", "asked.SMI");
  EXPECT_EQ(ReadFile(dir + "/chosen.SMI"), SavedText(import, "spec"));

  TSMImportFromXLS loaded(nullptr);
  loaded.OnBeforeLoadSpecification = import.OnBeforeLoadSpecification;
  loaded.OnAfterLoadSpecification = import.OnAfterLoadSpecification;
  loaded.LoadSpecificationFromFile(dir + "/chosen.SMI");
  EXPECT_EQ(loaded.SheetIndex(), 4);
  EXPECT_EQ(calls, (std::vector<std::string>{"before save asked.SMI", "after save " + dir + "/chosen.SMI",
                                             "before load " + dir + "/chosen.SMI",
                                             "after load " + dir + "/chosen.SMI"}));

  // A file that cannot be read changes nothing and ends no event.
  calls.clear();
  EXPECT_THROW(loaded.LoadSpecificationFromFile("missing.SMI"), Exception);
  EXPECT_EQ(loaded.SheetIndex(), 4);
  EXPECT_EQ(calls, (std::vector<std::string>{"before load missing.SMI"}));

  // Neither is a file that is no specification: its first line that is neither a section
  // nor a key with its value is named.
  const struct {
    std::string text, reason;
  } notSpecifications[] = {
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "line 1 is neither a section nor a key with its value."},
      {"[Common]\r\nMode=2\r\n; a note\r\n\r\nMap1 SURNAME B\r\n", "line 5 is neither a section nor a key with its value."},
      {"", "it is empty."}};
  for (const auto& c : notSpecifications) {
    std::ofstream(dir + "/other.SMI", std::ios::binary) << c.text;
    EXPECT_EQ(test::ErrorOf<Exception>([&] { loaded.LoadSpecificationFromFile(dir + "/other.SMI"); }),
              "The file " + dir + "/other.SMI is not an import specification: " + c.reason);
    EXPECT_EQ(loaded.SheetIndex(), 4);
  }
}

}  // namespace
}  // namespace ordvane

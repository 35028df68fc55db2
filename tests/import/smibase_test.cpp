#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "tests/classlib/Support.h"
#include "tests/import/ImportFixture.h"

namespace ordvane::test {
namespace {

using Lines = std::vector<std::string>;

class BaseTest : public ImportTest {
 protected:
  // Runs the import: its result, counters and the target's records, as one line.
  std::string Run() {
    static const char* const results[] = {"unknown", "executed", "canceled", "failed"};
    import.Execute();
    std::string outcome = results[import.Statistic()->Result()] + (" " + Counters());
    for (const std::string& record : Records()) outcome += " [" + record + "]";
    return outcome;
  }
  std::string LastMessage() const { return dialogs->Log().empty() ? "" : dialogs->Log().back(); }
};

TEST_F(BaseTest, AppendsConvertedRowsWithTheUkrainianFormats) {
  AddRow({"1", "Іван", "1\u00A0234,5", "05.03.2021", "Так"});
  AddRow({"2", "Ґрета", "15грн.", "5 січня 1999", "Нi"});
  AddRow({"3", "Олег", ",5", "", "True"});
  AddRow({"4", "", "", "", ""});
  EXPECT_EQ(Run(),
            "executed 4/4/4/0/0/0/0 [1|Іван|1234,5|05.03.2021|True] [2|Ґрета|15|05.01.1999|False] "
            "[3|Олег|0,5||True] [4||||]");
  EXPECT_EQ(import.Statistic()->LastAction(), iaAdd);
}

// With UseDisplayNames a mapping line may name a field by its display label: the value is
// converted for that field and written into it.
TEST_F(BaseTest, AFieldMatchedByItsDisplayLabelIsWritten) {
  data.FieldByName("NAME")->SetDisplayLabel("Person");
  data.FieldByName("BORN")->SetDisplayLabel("Born on");
  import.SetUseDisplayNames(true);
  import.Mappings()->SetText("ID=ID\nPerson=NAME\nBorn on=BORN");
  AddRow({"7", "Ірина", "", "05.03.2021", ""});
  EXPECT_EQ(Run(), "executed 1/1/1/0/0/0/0 [7|Ірина||05.03.2021|]");
}

// A mapping to a field the dataset lacks refuses the run before its first row, naming
// the field; over records already there nothing changes.
TEST_F(BaseTest, AMappingToAFieldTheDatasetLacksRefusesTheRunBeforeAnyRow) {
  AddRow({"1", "Old", "", "", ""});
  ASSERT_EQ(Run(), "executed 1/1/1/0/0/0/0 [1|Old|||]");
  import.Mappings()->SetText("ID=ID\nNOSUCH=NAME\nBORN=BORN\nSURNAME=NAME");
  import.SetMode(imUpdate);
  import.SetDatasetKeys("ID");
  import.Rows[0] = {Variant(AnsiString("1")), Variant(AnsiString("New"))};
  import.SetOptions(import.Options() + TSMIOptions{soShowMessage});
  EXPECT_EQ(Run(), "failed 0/0/0/0/0/0/0 [1|Old|||]");
  const auto& log = dialogs->Log();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const AnsiString& line) {
    return line.find("The mappings name fields the dataset does not have: NOSUCH, SURNAME.") != AnsiString::npos;
  })) << ::testing::PrintToString(log);
}

// Rows 1 "New" and 3 "Three" over records 1 "Old" and 2 "Two", keyed by ID.
TEST_F(BaseTest, EveryModeOverExistingRecords) {
  const struct {
    TImportMode mode;
    std::string outcome;
  } cases[] = {{imAppend, "executed 2/2/2/0/0/0/0 [1|Old|||] [2|Two|||] [1|New|||] [3|Three|||]"},
               {imUpdate, "executed 2/2/0/1/0/0/0 [1|New|||] [2|Two|||]"},
               {imAppendUpdate, "executed 2/2/1/1/0/0/0 [1|New|||] [2|Two|||] [3|Three|||]"},
               {imDelete, "executed 2/2/0/0/1/0/0 [2|Two|||]"},
               {imAppendNewOnly, "executed 2/2/1/0/0/0/0 [1|Old|||] [2|Two|||] [3|Three|||]"},
               {imCopy, "executed 2/2/2/0/2/0/0 [1|New|||] [3|Three|||]"}};
  import.Mappings()->SetText("ID=ID\nNAME=NAME");
  import.SetDatasetKeys("ID");
  AddRow({"1", "New"});
  AddRow({"3", "Three"});
  for (const auto& c : cases) {
    data.EmptyDataSet();
    AddRecord(1, "Old");
    AddRecord(2, "Two");
    import.SetMode(c.mode);
    EXPECT_EQ(Run(), c.outcome) << c.mode;
  }
  // Several keys locate together.
  data.EmptyDataSet();
  AddRecord(1, "A");
  AddRecord(1, "B");
  import.Mappings()->SetText("ID=ID\nNAME=NAME\nAMOUNT=AMOUNT");
  import.SetDatasetKeys("ID; NAME");
  import.SetMode(imUpdate);
  import.Rows.clear();
  AddRow({"1", "B", "7"});
  AddRow({"1", "C", "8"});
  EXPECT_EQ(Run(), "executed 2/2/0/1/0/0/0 [1|A|||] [1|B|7||]");
}

TEST_F(BaseTest, MissingSettingsAreRefusedBeforeAnythingRuns) {
  Lines events;
  import.OnBeforeExecute = [&](TObject*) { events.push_back("before"); };
  import.OnAfterExecute = [&](TObject*) { events.push_back("after"); };
  AddRow({"1"});

  import.SetMode(imUpdate);
  EXPECT_EQ(ErrorOf<Exception>([&] { import.Execute(); }), "Property DatasetKeys wasn't specified.");
  import.SetDatasetKeys("ID;CODE");
  EXPECT_EQ(ErrorOf<Exception>([&] { import.Execute(); }), "Key field CODE has no mapping.");
  import.SetMode(imAppend);
  import.SetDataSet(nullptr);
  EXPECT_EQ(ErrorOf<Exception>([&] { import.Execute(); }), "Property DataSet wasn't specified.");
  EXPECT_EQ(events, (Lines{"before", "before", "before"}));
  EXPECT_TRUE(import.Calls.empty());
  EXPECT_EQ(import.Statistic()->Result(), irUnknown);
}

TEST_F(BaseTest, CommitCyclesEndBeforeEveryCommitCountRows) {
  Lines events;
  import.OnStartTransaction = [&](TObject*) { events.push_back("start"); };
  import.OnFinishTransaction = [&](TObject*) { events.push_back("finish"); };
  import.OnBeforeRecordEvent = [&](TObject*, const AnsiString&, Variant&, bool&) {
    events.push_back("row " + std::to_string(import.Statistic()->TotalImported()));
  };
  for (int i = 1; i <= 5; ++i) AddRow({std::to_string(i).c_str()});
  import.SetCommitCount(2);
  import.Execute();
  EXPECT_EQ(events, (Lines{"start", "row 1", "finish", "start", "row 2", "row 3", "finish", "start", "row 4",
                           "row 5", "finish"}));

  events.clear();
  import.SetCommitCount(0);
  import.Execute();
  EXPECT_EQ(events, (Lines{"start", "row 1", "row 2", "row 3", "row 4", "row 5", "finish"}));

  // Without a start there is no transaction to finish.
  events.clear();
  import.OnStartTransaction.Clear();
  import.OnBeforeRecordEvent.Clear();
  import.SetCommitCount(2);
  import.Execute();
  EXPECT_TRUE(events.empty());
}

TEST_F(BaseTest, SkippedRowsCountAsProcessedAndWriteNothing) {
  import.LoadCondition()->SetLoadWhen("ID <> 2");
  import.LoadCondition()->SetSkipIf("NAME = 'skip'");
  import.SetOptions(import.Options() + TSMIOptions{soSkipEmptyRow});
  int afterRecord = 0;
  import.OnAfterRecordEvent = [&](TObject*, bool&) { ++afterRecord; };
  for (const char* name : {"a", "b", "skip"}) AddRow({std::to_string(import.Rows.size() + 1).c_str(), name});
  AddRow({"0", " ", "0"});
  AddRow({"5", "e"});
  EXPECT_EQ(Run(), "executed 5/5/2/0/0/0/3 [1|a|||] [5|e|||]");
  EXPECT_EQ(afterRecord, 5);
}

TEST_F(BaseTest, RowEventsSeeAndChangeTheRow) {
  import.Mappings()->SetText("ID=ID\nNAME=NAME\nAMOUNT=AMOUNT");
  Lines seen;
  import.OnBeforeRecordEvent = [&](TObject*, const AnsiString& fields, Variant& values, bool& accept) {
    EXPECT_EQ(fields, "");
    seen.push_back(AnsiToUtf8(VarToStr(VarArrayGet(values, {1}))));
    if (VarToStr(VarArrayGet(values, {0})) == "2") accept = false;
  };
  import.OnGetCellParams = [&](TObject*, TField* field, Variant& value) {
    if (field->FieldName() == "NAME") value = AnsiUpperCase(VarToStr(value));
  };
  import.OnBeforeFieldUpdate = [&](TObject*, TField* field, Variant& value, bool& accept) {
    if (field->FieldName() == "AMOUNT") value = value.AsDouble() * 2;
    if (field->FieldName() == "NAME" && VarToStr(value) == "C") accept = false;
  };
  AddRow({"1", "a", "1,5"});
  AddRow({"2", "b", "2"});
  AddRow({"3", "c", "3"});
  EXPECT_EQ(Run(), "executed 3/3/2/0/0/0/1 [1|A|3||] [3||6||]");
  EXPECT_EQ(seen, (Lines{"A", "B", "C"}));
}

TEST_F(BaseTest, RowModeAndLocateEventsDecidePerRow) {
  import.Mappings()->SetText("ID=ID\nNAME=NAME");
  AddRecord(1, "Old");
  AddRow({"1", "Updated"});
  AddRow({"2", "Added"});
  AddRow({"1", "Deleted"});
  import.OnGetRowMode = [&](TObject*, const Variant& values, TImportMode& mode) {
    const AnsiString name = VarToStr(VarArrayGet(values, {1}));
    mode = name == "Updated" ? imUpdate : name == "Deleted" ? imDelete : imAppend;
  };
  // Without keys no record can be found, so nothing is edited or deleted.
  EXPECT_EQ(Run(), "executed 3/3/1/0/0/0/0 [1|Old|||] [2|Added|||]");

  data.EmptyDataSet();
  AddRecord(1, "Old");
  import.SetDatasetKeys("ID");
  Lines located;
  import.OnLocateRecord = [&](TObject*, const AnsiString& keys, const Variant& values, bool&, bool&) {
    located.push_back(AnsiToUtf8(keys + "=" + VarToStr(values)));
  };
  EXPECT_EQ(Run(), "executed 3/3/1/1/1/0/0 [2|Added|||]");
  EXPECT_EQ(located, (Lines{"ID=1", "ID=1"}));  // appended rows need no look-up
}

// Row 2 fails to convert; the error event decides whether the run goes on.
TEST_F(BaseTest, FailedRowsAreCountedReportedAndSkippedOrFailTheRun) {
  std::vector<std::string> errors;
  import.OnErrorEvent = [&](TObject*, const Exception& error, bool& abort) {
    EXPECT_TRUE(abort);  // preset from AbortOnProblem
    errors.push_back(AnsiToUtf8(error.Message()));
    abort = false;
  };
  AddRow({"1", "ok"});
  AddRow({"abc", "not a number"});
  AddRow({"3000000000", "too large"});
  AddRow({"4", "header text", "Сума"});
  AddRow({"5", "ok"});
  EXPECT_EQ(Run(), "executed 5/5/2/0/0/3/0 [1|ok|||] [5|ok|||]");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[1],
            "Row 3, field ID, value \"3000000000\": 3000000000 is not a valid value for field 'ID'. The allowed "
            "range is -2147483648 to 2147483647");
  EXPECT_EQ(data.State(), dsBrowse);

  // Without the event the rows are only counted.
  import.OnErrorEvent.Clear();
  data.EmptyDataSet();
  EXPECT_EQ(Run(), "executed 5/5/2/0/0/3/0 [1|ok|||] [5|ok|||]");

  // An error the event leaves aborted fails the run once, and the transaction ends.
  import.SetOptions(import.Options() + TSMIOptions{soShowMessage});
  int reported = 0;
  import.OnErrorEvent = [&](TObject*, const Exception&, bool&) { ++reported; };
  Lines events;
  import.OnStartTransaction = [&](TObject*) { events.push_back("start"); };
  import.OnFinishTransaction = [&](TObject*) { events.push_back("finish"); };
  data.EmptyDataSet();
  import.Calls.clear();
  EXPECT_EQ(Run(), "failed 5/2/1/0/0/1/0 [1|ok|||]");
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(events, (Lines{"start", "finish"}));
  EXPECT_EQ(data.ControlsDisabled(), false);
  EXPECT_EQ(LastMessage().rfind("message \"An error has occurred during the data import process.\r\n", 0), 0u)
      << LastMessage();
  EXPECT_EQ(import.Calls, (std::vector<std::string>{"open", "close"}));
}

// The import's user must find the failed value in the file: its row, its field, itself.
TEST_F(BaseTest, AValueAFieldCannotTakeNamesItsRowFieldAndValue) {
  std::vector<std::string> errors;
  import.OnErrorEvent = [&](TObject*, const Exception& error, bool& abort) {
    errors.push_back(AnsiToUtf8(error.Message()));
    abort = false;
  };
  AddRow({"1", "ok"});
  AddRow({"abc", "not a number"});
  AddRow({"3", "ok", "Сума"});
  EXPECT_EQ(Run(), "executed 3/3/1/0/0/2/0 [1|ok|||]");
  EXPECT_EQ(errors, (Lines{"Row 2, field ID, value \"abc\": Could not convert variant of type (String) into type (Int64)",
                           "Row 3, field AMOUNT, value \"Сума\": Could not convert variant of type (String) into "
                           "type (Double)"}));
}

// Rows that failed are no success, though the run went through (and its result says so).
TEST_F(BaseTest, ARunWithFailedRowsSaysHowManyFailed) {
  import.SetOptions(import.Options() + TSMIOptions{soShowMessage});
  AddRow({"x"});
  AddRow({"y"});
  AddRow({"z"});
  EXPECT_EQ(Run(), "executed 3/3/0/0/0/3/0");
  EXPECT_EQ(LastMessage(), "message \"The data import process has completed with 3 errors.\"");
  import.Rows[1] = {Variant(AnsiString("2"))};
  import.Rows[2] = {Variant(AnsiString("3"))};
  EXPECT_EQ(Run(), "executed 3/3/2/0/0/1/0 [2||||] [3||||]");
  EXPECT_EQ(LastMessage(), "message \"The data import process has completed with 1 error.\"");
  // The progress dialog shows the same.
  import.SetAnimatedStatus(true);
  import.SetOptions(TSMIOptions{soAutoCloseStatistic});
  data.EmptyDataSet();
  dialogs->ClearLog();
  import.Execute();
  EXPECT_EQ(dialogs->Log()[dialogs->Log().size() - 3],
            "result \"The data import process has completed with 1 error.\" processed 3, errors 1, added 2, "
            "deleted 0, updated 0, skipped 0 button \"&OK\"");
  EXPECT_EQ(dialogs->Log()[dialogs->Log().size() - 2], "wait") << "rows failed: it stays until closed";
}

TEST_F(BaseTest, ExpressionErrorsFailTheRowLikeAnyOther) {
  import.Mappings()->SetText("ID=ID\nNAME=NAME + ");
  std::vector<std::string> errors;
  import.OnErrorEvent = [&](TObject*, const Exception& error, bool& abort) {
    errors.push_back(error.Message());
    abort = false;
  };
  AddRow({"1", "a"});
  AddRow({"2", "b"});
  EXPECT_EQ(Run(), "executed 2/2/0/0/0/2/0");
  // Each named by its row, as every failed row is.
  EXPECT_EQ(errors, (std::vector<std::string>{"Row 1: Compile error: syntax fault.",
                                              "Row 2: Compile error: syntax fault."}));
}

TEST_F(BaseTest, TheRunStopsWhenTheSourceFailsOrTheAfterRecordEventSaysSo) {
  import.SetOptions(import.Options() + TSMIOptions{soShowMessage});
  AddRow({"1"});
  AddRow({"2"});
  AddRow({"3"});
  import.OnAfterRecordEvent = [&](TObject*, bool& abort) {
    abort = import.Statistic()->TotalImported() == 2;
  };
  EXPECT_EQ(Run(), "canceled 3/2/2/0/0/0/0 [1||||] [2||||]");
  EXPECT_EQ(LastMessage(), "message \"The data import process was canceled by the user.\"");

  import.OpenFailure = "Cannot open file \"form.xls\". No such file or directory";
  bool after = false;
  import.OnAfterExecute = [&](TObject*) { after = true; };
  data.EmptyDataSet();
  import.Calls.clear();
  // A run that fails before its first row shows no counts of the run before.
  EXPECT_EQ(Run(), "failed 0/0/0/0/0/0/0");
  EXPECT_TRUE(after);
  EXPECT_EQ(import.Calls, (std::vector<std::string>{"open", "close"}));
  EXPECT_EQ(LastMessage(),
            "message \"An error has occurred during the data import process.\r\n"
            "Cannot open file \"form.xls\". No such file or directory\"");
}

TEST_F(BaseTest, ExecuteFromStreamHandsTheStreamToTheSource) {
  TMemoryStream stream;
  AddRow({"1"});
  import.ExecuteFromStream(&stream);
  EXPECT_EQ(import.Calls, (std::vector<std::string>{"open stream", "close"}));
  EXPECT_EQ(import.SourceStream(), nullptr);
  EXPECT_EQ(Records().size(), 1u);
}

TEST_F(BaseTest, MappingsFromTheFieldsLastOneRun) {
  import.Mappings()->Clear();
  import.Titles = {"NAME", "ID", "AMOUNT", "BORN", "ACTIVE"};
  AddRow({"Іван", "7"});
  int structures = 0;
  import.OnCreateStructure = [&](TObject*, TSMIColumns* columns) {
    ++structures;
    EXPECT_EQ(columns->Count(), 5);
  };
  EXPECT_EQ(Run(), "executed 1/1/1/0/0/0/0 [7|Іван|||]");
  EXPECT_EQ(structures, 1);
  EXPECT_EQ(import.Mappings()->Count(), 0);
  ASSERT_EQ(import.Columns()->Count(), 5);
  EXPECT_EQ(import.Columns()->Items(3)->FieldName(), "BORN");
  EXPECT_EQ(import.Columns()->Items(3)->DataType(), itDate);
  EXPECT_EQ(import.Columns()->Items(2)->DataType(), itFloat);

  // Mappings the structure event writes stay.
  import.OnCreateStructure = [&](TObject*, TSMIColumns*) { import.Mappings()->Add("NAME=ID"); };
  data.EmptyDataSet();
  EXPECT_EQ(Run(), "executed 1/1/1/0/0/0/0 [|7|||]");
  EXPECT_EQ(import.Mappings()->Text(), "NAME=ID\r\n");
}

TEST_F(BaseTest, ProgressDialogFromStartToEnd) {
  import.SetAnimatedStatus(true);
  import.Statistic()->SetUpdateStep(2);
  for (int i = 1; i <= 5; ++i) AddRow({std::to_string(i).c_str()});
  import.Execute();
  const AnsiString shown =
      "show \"Importing...\" \"Importing...\" counters animation [Deleted: Updated: Added: Errors: "
      "Processed: &Cancel]";
  const AnsiString finished =
      "result \"The data import process has completed successfully.\" processed 5, errors 0, added 5, "
      "deleted 0, "
      "updated 0, skipped 0 button \"&OK\"";
  EXPECT_EQ(dialogs->Log(),
            (Lines{"cursor wait", shown, "range 0..5 at 0",
                   "update \"Importing...\" processed 1, errors 0, added 1, deleted 0, updated 0, skipped 0",
                   "update \"Importing...\" processed 3, errors 0, added 3, deleted 0, updated 0, skipped 0",
                   "cursor default", finished, "close"}));

  // Without closing by itself the dialog waits for the user; so does every failed run.
  dialogs->ClearLog();
  import.SetOptions(TSMIOptions{soShowMessage});
  import.Execute();
  EXPECT_EQ(dialogs->Log()[0],
            "show \"Importing...\" \"Importing...\" [Deleted: Updated: Added: Errors: Processed: &Cancel]");
  EXPECT_EQ(dialogs->Log()[dialogs->Log().size() - 2], "wait");
  dialogs->ClearLog();
  import.SetOptions(TSMIOptions{soAutoCloseStatistic});
  import.OpenFailure = "damaged";
  import.Execute();
  EXPECT_EQ(dialogs->Log()[dialogs->Log().size() - 3].rfind("result \"An error has occurred", 0), 0u);
  EXPECT_EQ(dialogs->Log()[dialogs->Log().size() - 2], "wait");

  // Cancelling the dialog stops the run.
  import.OpenFailure.clear();
  import.Statistic()->SetUpdateStep(1);
  dialogs->CancelAfterUpdates = 2;
  data.EmptyDataSet();
  EXPECT_EQ(Run(), "canceled 5/2/2/0/0/0/0 [1||||] [2||||]");
  EXPECT_NE(dialogs->Log()[dialogs->Log().size() - 2].find("canceled by the user"), std::string::npos);
}

TEST_F(BaseTest, ParametersAreComputedAndAskedBeforeTheRun) {
  TSMIParameter* rate = import.Parameters()->Add();
  rate->SetName("RATE");
  rate->SetExpression("2*3");
  rate->SetParameterMode(ipmCalculate);
  TSMIParameter* note = import.Parameters()->Add();
  note->SetName("NOTE");
  note->SetRequired(true);
  import.Mappings()->SetText("ID=ID\nNAME=NOTE + ' ' + NAME\nAMOUNT=RATE * AMOUNT");
  dialogs->ParameterValues = {{"NOTE", "Dr."}};
  AddRow({"1", "Who", "1,5"});
  import.Execute();
  EXPECT_EQ(Records(), (Lines{"1|Dr. Who|9||"}));
  EXPECT_EQ(dialogs->Log()[0], "ask NOTE: OK");

  // Cancel: nothing else happens.
  dialogs->AnswerParameters = false;
  import.Calls.clear();
  import.Execute();
  EXPECT_TRUE(import.Calls.empty());
  EXPECT_EQ(import.Statistic()->Result(), irUnknown);

  dialogs->AnswerParameters = true;
  dialogs->ParameterValues = {{"NOTE", ""}};
  EXPECT_EQ(ErrorOf<Exception>([&] { import.Execute(); }), "Parameter NOTE wasn't specified.");
  EXPECT_TRUE(import.Calls.empty());
}

TEST_F(BaseTest, ImportFunctionsAndStatistics) {
  // LOOKUP finds its dataset in the form that owns the import.
  TComponent form(nullptr);
  auto* cities = new TMemDataSet(&form);
  cities->SetName("Cities");
  cities->FieldDefs().Add("CODE", ftInteger);
  cities->FieldDefs().Add("TITLE", ftString, 20);
  cities->Open();
  cities->Append();
  cities->FieldByName("CODE")->SetAsInteger(80);
  cities->FieldByName("TITLE")->SetAsString("~Kyiv~");
  cities->Post();
  auto* owned = new TVectorImport(&form);
  owned->SetDataSet(&data);
  owned->SetAnimatedStatus(false);
  owned->SetDialogs(dialogs);
  owned->Titles = {"CODE", "KIND"};
  owned->Rows = {{"80", "b"}, {"46", "x"}};
  owned->Mappings()->SetText(
      "ID=STATTOTALIMPORTED * 10 + STATTOTALADDED\n"
      "NAME=LOOKUP('Cities', 'CODE', CODE, 'TITLE')\n"
      "AMOUNT=SUBSTITUTE(KIND, 'a;b;c', '1;2;3')");
  owned->Execute();
  EXPECT_EQ(Records(), (Lines{"10|Kyiv|2||", "21||||"}));
}

TEST_F(BaseTest, ParsedValueAndEvaluateEventsSeeEveryName) {
  Lines parsed, evaluated;
  import.Mappings()->SetText("ID=ID\nNAME=UPPER([NAME])");
  import.OnParsedValue = [&](TObject*, TField* field, Variant& value) {
    parsed.push_back((field != nullptr ? field->FieldName() : AnsiString("-")) + ":" + VarToStr(value));
  };
  import.OnParserEvaluate = [&](TObject*, const AnsiString& eval, const TSMIArguments&, int, bool isChild,
                                Variant& value, bool&) {
    evaluated.push_back(eval + (isChild ? " child" : " top"));
    if (eval == "NAME") value = "changed";
  };
  AddRow({"7", "a"});
  import.Execute();
  EXPECT_EQ(parsed, (Lines{"ID:7", "NAME:a"}));
  EXPECT_EQ(evaluated, (Lines{"ID top", "NAME child"}));
  EXPECT_EQ(Records(), (Lines{"7|CHANGED|||"}));
}

// A mapping that is one name is resolved as its parser would resolve it: a parameter of
// that name wins over the column, bracketed or not, a process's user function of that name
// over the column, a statistic name counts, GETDATE is the moment; the evaluate event gets
// the mapping's parser, the name and no arguments, row after row, and a parameter changed
// between rows is read anew.
TEST_F(BaseTest, AMappingOfOneNameIsResolvedAsItsParserWould) {
  TSMIParameter* kind = import.Parameters()->Add();
  kind->SetName("KIND");
  kind->SetExpression("'p'");
  kind->SetParameterMode(ipmCalculate);
  const TSMIParserFunctions processFunctions = GlobalParserFunctions();
  GlobalParserFunctions().Add("AMOUNT=40+2");
  import.Titles = {"ID", "NAME", "AMOUNT", "KIND"};
  import.Mappings()->SetText("ID=STATTOTALIMPORTED\nNAME=[KIND]\nAMOUNT=AMOUNT\nBORN=GETDATE");
  std::vector<std::string> requests;
  import.OnParserEvaluate = [&](TObject* sender, const AnsiString& eval, const TSMIArguments& args, int argCount,
                                bool isChild, Variant& value, bool&) {
    const bool parser = dynamic_cast<TSMIParser*>(sender) != nullptr;
    requests.push_back(eval + (parser ? " parser " : " other ") + std::to_string(argCount) + (isChild ? " child" : "") +
                       (VarIsEmpty(args[0]) ? "" : " args"));
    if (eval == "KIND" && VarToStr(value) == "p") kind->SetValue("q");
  };
  import.Rows = {{Variant("5"), Variant("n"), Variant("7"), Variant("c")}, {Variant("6"), Variant("m")}};
  const TDateTime before = Now();
  import.Execute();
  GlobalParserFunctions() = processFunctions;
  const TDateTime after = Now();
  EXPECT_EQ(requests, (std::vector<std::string>{"STATTOTALIMPORTED parser 0", "KIND parser 0", "STATTOTALIMPORTED parser 0",
                                                "KIND parser 0"}));
  ASSERT_EQ(data.RecordCount(), 2);
  data.First();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "p");
  EXPECT_EQ(data.FieldByName("AMOUNT")->AsFloat(), 42);
  EXPECT_GE(data.FieldByName("BORN")->AsDateTime(), std::floor(before));
  EXPECT_LE(data.FieldByName("BORN")->AsDateTime(), after);
  data.Next();
  EXPECT_EQ(data.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(data.FieldByName("NAME")->AsString(), "q");
}

// The evaluate event of a mapping that is one name may give the mapping's parser a new
// text and calculate it: the name the event was handed stays readable, and the next row
// reads what the new text names.
TEST_F(BaseTest, AnEvaluateHandlerMayGiveTheMappingsParserANewText) {
  import.Mappings()->SetText("ID=ID\nNAME=NAME");
  Lines handed;
  import.OnParserEvaluate = [&](TObject* sender, const AnsiString& eval, const TSMIArguments&, int, bool, Variant&,
                                bool&) {
    auto* parser = dynamic_cast<TSMIParser*>(sender);
    if (parser != nullptr && eval == "NAME") {
      parser->SetText("AMOUNT");
      parser->Calculate();
    }
    handed.push_back(eval);
  };
  AddRow({"1", "a", "5"});
  AddRow({"2", "b", "6"});
  EXPECT_EQ(Run(), "executed 2/2/2/0/0/0/0 [1|a|||] [2|6|||]");
  EXPECT_EQ(handed, (Lines{"ID", "AMOUNT", "NAME", "ID", "AMOUNT"}));
}

TEST_F(BaseTest, SourceTextInOtherCodePagesAndTrimming) {
  import.SetCharacterSet(csiASCII_MSDOS);
  import.SetTrimSpaces(tsTrimLeftRight);
  const std::string dosName = Iconv("  Петро  ", "UTF-8", "CP866");
  import.Rows.push_back({Variant("12"), Variant(dosName)});
  import.Execute();
  EXPECT_EQ(Records(), (Lines{"12|Петро|||"}));

  data.EmptyDataSet();
  import.Rows = {{Variant("12"), Variant("\xC8\x85\x93\x93\x96")}};
  import.SetCharacterSet(csiEBCDIC);
  import.Execute();
  EXPECT_EQ(Records(), (Lines{"12|Hello|||"}));
}

TEST(ImportComponent, DefaultsAndCopies) {
  TVectorImport import(nullptr);
  EXPECT_EQ(import.Options().ToBits(), 59u);
  EXPECT_TRUE(import.AbortOnProblem());
  EXPECT_TRUE(import.AnimatedStatus());
  EXPECT_EQ(import.ActionKind(), akDatasetApply);
  EXPECT_EQ(import.Mode(), imAppend);
  EXPECT_EQ(import.CommitCount(), 300);
  EXPECT_EQ(import.TitleStatus(), "Importing...");
  EXPECT_EQ(import.SourceFileName(), "SMImport.SMI");
  EXPECT_EQ(import.RowFirst(), 1);
  EXPECT_EQ(import.RowLast(), 2147483647);
  EXPECT_EQ(import.Statistic()->UpdateStep(), 1);
  EXPECT_EQ(import.DataFormats()->BooleanTrue(), "True");
  import.SetAbout("anything");
  EXPECT_EQ(import.About(), "");

  TMemDataSet data(nullptr);
  TVectorImport copy(nullptr);
  import.SetDataSet(&data);
  import.SetMode(imAppendUpdate);
  import.SetDatasetKeys("ID");
  import.Mappings()->Add("ID=1");
  import.Parameters()->Add()->SetName("P");
  import.SetCommitCount(5);
  import.SetSourceFileName("form.xls");
  import.DataFormats()->SetBooleanTrue("Y");
  import.SQLOptions()->SetSQLQuote('\'');
  import.OnBeforeExecute = [](TObject*) {};
  copy.Assign(&import);
  EXPECT_EQ(copy.DataSet(), &data);
  EXPECT_EQ(copy.Mode(), imAppendUpdate);
  EXPECT_EQ(copy.DatasetKeys(), "ID");
  EXPECT_EQ(copy.Mappings()->Text(), "ID=1\r\n");
  EXPECT_EQ(copy.Parameters()->Items(0)->Name(), "P");
  EXPECT_EQ(copy.CommitCount(), 5);
  EXPECT_EQ(copy.SourceFileName(), "form.xls");
  EXPECT_EQ(copy.DataFormats()->BooleanTrue(), "Y");
  EXPECT_EQ(copy.SQLOptions()->SQLQuote(), '\'');
  EXPECT_TRUE(copy.OnBeforeExecute.Assigned());

  // A dataset that dies is forgotten.
  {
    TMemDataSet dying(nullptr);
    import.SetDataSet(&dying);
  }
  EXPECT_EQ(import.DataSet(), nullptr);
}

}  // namespace
}  // namespace ordvane::test

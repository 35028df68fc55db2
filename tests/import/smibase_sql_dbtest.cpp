// The SQL an import generates, run by isql on a dialect-1 database like the application's:
// every statement must execute, and the table must end as the rows asked.

#include <gtest/gtest.h>

#include "tests/import/ImportFixture.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {
namespace {

using Lines = std::vector<std::string>;

// The target mirrors the table, so that the keyed modes find the same records.
class SQLModeTest : public ::testing::Test {
 protected:
  SQLModeTest() {
    target.FieldDefs().Add("ID", ftInteger);
    target.FieldDefs().Add("SURNAME", ftString, 60);
    target.FieldDefs().Add("AMOUNT", ftFloat);
    target.FieldDefs().Add("BORN", ftDate);
    target.FieldDefs().Add("NOTE", ftString, 200);
    target.Open();
    AddRecord(1, "Old");
    AddRecord(2, "Two");
    import.SetDataSet(&target);
    import.SetActionKind(akGenerateSQL);
    import.SetTableName("T_PERSON");
    import.SetAnimatedStatus(false);
    SetApplicationFormats(*import.DataFormats());
    import.Titles = {"ID", "SURNAME", "AMOUNT", "BORN", "NOTE"};
    import.Mappings()->SetText("ID=ID\nSURNAME=SURNAME\nAMOUNT=AMOUNT\nBORN=BORN\nNOTE=NOTE");
    import.OnAfterRecordEvent = [this](TObject*, bool&) {
      const WideString sql = import.Statistic()->SQLText();
      if (!sql.empty()) statements.push_back(Utf8Encode(sql));
    };
  }

  void AddRecord(Integer id, const char* surname) {
    target.Append();
    target.FieldByName("ID")->SetAsInteger(id);
    if (surname != nullptr) target.FieldByName("SURNAME")->SetAsString(surname);
    target.Post();
  }

  void AddRow(std::initializer_list<const char*> cells) {
    std::vector<Variant> row;
    for (const char* cell : cells) row.push_back(Utf8ToAnsi(cell));
    import.Rows.push_back(row);
  }

  void Run(TImportMode mode) {
    import.SetMode(mode);
    import.Execute();
    EXPECT_EQ(import.Statistic()->Result(), irExecuted);
    import.Rows.clear();
  }

  // Runs the statements collected so far, then lists the table.
  Lines ExecuteAndList() {
    std::string script;
    for (const std::string& statement : statements) script += statement + ";\n";
    script +=
        "COMMIT;\nSET HEADING OFF;\n"
        "SELECT ID || '|' || COALESCE(SURNAME, '') || '|' || COALESCE(CAST(AMOUNT * 100 AS INTEGER), '') || '|' ||"
        " COALESCE(EXTRACT(DAY FROM BORN) || '.' || EXTRACT(MONTH FROM BORN) || '.' || EXTRACT(YEAR FROM BORN), '')"
        " || '|' || COALESCE(NOTE, '') FROM T_PERSON ORDER BY ID;\n";
    Lines rows;
    std::string output = db.Isql(script);
    for (std::size_t at = 0; at < output.size();) {
      const std::size_t end = std::min(output.find('\n', at), output.size());
      const std::string line = output.substr(at, end - at);
      const std::size_t last = line.find_last_not_of(" \r");
      if (last != std::string::npos) rows.push_back(line.substr(line.find_first_not_of(' '), last + 1));
      at = end + 1;
    }
    return rows;
  }

  TestDatabase db{"import/sqlmode.sql", {1, "WIN1251"}};
  TMemDataSet target{nullptr};
  TVectorImport import{nullptr};
  Lines statements;
};

TEST_F(SQLModeTest, EveryStatementRunsAndLeavesTheTableAsAsked) {
  AddRow({"3", "O'Brien; DROP TABLE T_PERSON", "1\u00A0234,5", "05.03.2021", ""});
  AddRow({"4", "Ґрунт \"Ліс\"", ",5", "", "a;b"});
  Run(imAppend);
  import.SetDatasetKeys("ID");
  AddRow({"1", "Нове", "2,5"});
  AddRow({"6", "Шість"});
  Run(imAppendUpdate);
  AddRow({"2"});
  AddRow({"7"});
  Run(imDelete);

  EXPECT_EQ(statements,
            (Lines{("INSERT INTO T_PERSON (ID, SURNAME, AMOUNT, BORN, NOTE) VALUES "
                    "(3, \"O'Brien; DROP TABLE T_PERSON\", 1234.5, \"05.03.2021\", NULL)"),
                   ("INSERT INTO T_PERSON (ID, SURNAME, AMOUNT, BORN, NOTE) VALUES "
                    "(4, \"Ґрунт \"\"Ліс\"\"\", 0.5, NULL, \"a;b\")"),
                   "UPDATE T_PERSON SET SURNAME=\"Нове\", AMOUNT=2.5, BORN=NULL, NOTE=NULL WHERE (ID=1)",
                   "INSERT INTO T_PERSON (ID, SURNAME, AMOUNT, BORN, NOTE) VALUES (6, \"Шість\", NULL, NULL, NULL)",
                   "DELETE FROM T_PERSON WHERE (ID=2)"}));
  // Amounts in hundredths.
  EXPECT_EQ(ExecuteAndList(), (Lines{"1|Нове|250||", "3|O'Brien; DROP TABLE T_PERSON|123450|5.3.2021|",
                                     "4|Ґрунт \"Ліс\"|50||a;b", "6|Шість|||"}));
}

TEST_F(SQLModeTest, ApostrophesQuoteTextWhenAsked) {
  import.SQLOptions()->SetSQLQuote('\'');
  import.Mappings()->SetText("ID=ID\nSURNAME=SURNAME\nNOTE=NOTE");
  AddRow({"3", "O'Brien", "", "", "it's; done"});
  Run(imAppend);
  EXPECT_EQ(statements, (Lines{"INSERT INTO T_PERSON (ID, SURNAME, NOTE) VALUES (3, 'O''Brien', 'it''s; done')"}));
  EXPECT_EQ(ExecuteAndList(), (Lines{"1|Old|125|1.2.2000|", "2|Two|||keep", "3|O'Brien|||it's; done"}));
}

// Copy empties the table first: its DELETE reaches the statement list before any row.
TEST_F(SQLModeTest, CopyDeletesEverythingFirst) {
  import.Mappings()->SetText("ID=ID\nSURNAME=SURNAME");
  AddRow({"5", "Five"});
  Run(imCopy);
  EXPECT_EQ(import.Statistic()->TotalDeleted(), 2);
  EXPECT_EQ(statements, (Lines{"DELETE FROM T_PERSON", "INSERT INTO T_PERSON (ID, SURNAME) VALUES (5, \"Five\")"}));
  EXPECT_EQ(ExecuteAndList(), (Lines{"5|Five|||"}));
}

// A value that is not a number is quoted even for a number field (the statement then
// fails in the server, not in the SQL text), and a skipped row writes no statement.
TEST_F(SQLModeTest, OnlyRealNumbersGoUnquoted) {
  import.Mappings()->SetText("ID=ID\nAMOUNT=AMOUNT");
  import.LoadCondition()->SetSkipIf("ID = 9");
  int rows = 0;
  import.OnAfterRecordEvent = [&](TObject*, bool&) {
    ++rows;
    statements.push_back(Utf8Encode(import.Statistic()->SQLText()));
  };
  AddRow({"3", "", "1); DELETE FROM T_PERSON; --"});
  AddRow({"9", "", "1"});
  AddRow({"4", "", " -1,5e3 "});
  Run(imAppend);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(statements, (Lines{"INSERT INTO T_PERSON (ID, AMOUNT) VALUES (3, \"1); DELETE FROM T_PERSON; --\")", "",
                               "INSERT INTO T_PERSON (ID, AMOUNT) VALUES (4, -1500)"}));
}

TEST_F(SQLModeTest, KeysAndNamesInTheStatements) {
  import.Mappings()->SetText("ID=ID\nSURNAME=SURNAME\nNOTE=NOTE");
  import.SetDatasetKeys("ID;SURNAME");
  import.SQLOptions()->SetFieldNameCharCase(ifcProper);
  AddRecord(3, nullptr);
  AddRow({"1", "Old", "", "", "changed"});
  AddRow({"2", "Two"});
  Run(imUpdate);
  import.Mappings()->SetText("ID=ID\nSURNAME=SURNAME");
  AddRow({"1", "Old"});  // nothing but keys to set: no statement
  Run(imUpdate);
  AddRow({"3"});
  Run(imDelete);
  EXPECT_EQ(statements, (Lines{"UPDATE T_PERSON SET Note=\"changed\" WHERE (Id=1) AND (Surname=\"Old\")",
                               "UPDATE T_PERSON SET Note=NULL WHERE (Id=2) AND (Surname=\"Two\")",
                               "DELETE FROM T_PERSON WHERE (Id=3) AND (Surname IS NULL)"}));
  EXPECT_EQ(ExecuteAndList(), (Lines{"1|Old|125|1.2.2000|changed", "2|Two|||"}));
}

}  // namespace
}  // namespace ordvane::test

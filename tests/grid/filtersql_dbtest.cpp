// The grid's filter and sort written into a Firebird dataset's select text: the rows equal
// isql-fb's for a hand-written query and for the rewritten text itself; random filter
// texts that parse always give a select the server prepares; the marker and ORDER BY
// lines are found and replaced as they should be.

#include <gtest/gtest.h>

#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/StringLists.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

struct Connection {
  int dialect;
  const char* charset;
};

std::string PrintTo(const Connection& c) {
  return "dialect" + std::to_string(c.dialect) + "_" + c.charset;
}

TestDatabase& PersonsDatabase(int dialect) {
  static std::map<int, std::unique_ptr<TestDatabase>> databases;
  auto& db = databases[dialect];
  if (!db)
    db = std::make_unique<TestDatabase>("grid/filtersql.sql",
                                        DatabaseOptions{dialect, dialect == 1 ? "WIN1251" : "UTF8"});
  return *db;
}

const char* const kSelectList = "select ID, NAME, AMOUNT, BORN, SEEN from PERSONS";
// Only a lack of memory can fail this, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const AnsiString kSelect = AnsiString(kSelectList) + "\nwhere\n/*FILTER*/ 1=1\nORDER BY ID\n";

struct FilterCase {
  std::vector<std::pair<const char*, const char*>> filters;  // column, typed text
  const char* where;                                         // the hand-written condition
};

class FilterSql : public testing::TestWithParam<Connection>, protected FirebirdGridFixture {
 protected:
  FilterSql() : FirebirdGridFixture(PersonsDatabase(GetParam().dialect)) {
    Configure(*fDatabase, fDb, GetParam().charset);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SelectSQL().SetText(kSelect);
    fDataSet->Open();
    fSource.SetDataSet(fDataSet);
    fForm->Show();
    fGrid = new TDataGrid(fForm.get());
    fGrid->SetParent(fForm.get());
    fGrid->SetOptionsEh(fGrid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    fGrid->SetDataSource(&fSource);
    for (const char* name : {"ID", "NAME", "AMOUNT", "BORN", "SEEN"})
      fGrid->Columns().Add()->SetFieldName(name);
  }

  TColumnEh& Column(const AnsiString& name) {
    for (int i = 0; i < fGrid->Columns().Count(); ++i)
      if (fGrid->Columns().Items(i)->FieldName() == name) return *fGrid->Columns().Items(i);
    throw Exception("no column " + name);
  }
  // Sets the case's column filters alone; answers them as one line for messages.
  std::string SetFilters(const FilterCase& c) {
    ClearFilters();
    std::string typed;
    for (const auto& [column, text] : c.filters) {
      Column(column).STFilter().SetExpressionStr(Utf8ToAnsi(text));
      typed += std::string(column) + ": " + text + "  ";
    }
    return typed;
  }
  void ClearFilters() {
    for (int i = 0; i < fGrid->Columns().Count(); ++i) fGrid->Columns().Items(i)->STFilter().Clear();
  }
  void ApplyFilter() { ApplyFilterToSQL(*fGrid, nullptr, true, "SelectSQL"); }
  AnsiString SelectText() { return fDataSet->SelectSQL().Text(); }
  std::string Oracle(const AnsiString& select) { return IsqlRows(fDb, AnsiToUtf8(select)); }
  // isql-fb's IDs for the select text as the dataset holds it.
  std::string OracleOfSelectText() {
    AnsiString text = SelectText();
    text.replace(0, std::char_traits<char>::length(kSelectList), "select ID from PERSONS");
    return Oracle(text);
  }

};

AnsiString ReplaceLineEnds(const AnsiString& text) {
  AnsiString out;
  for (const char c : text) out += c == '\n' ? AnsiString("\r\n") : AnsiString(1, c);
  return out;
}

TEST_P(FilterSql, RowsEqualIsqlForAHandWrittenQueryAndForTheRewrittenText) {
  const FilterCase cases[] = {
      {{{"NAME", "abc"}}, "NAME = 'abc'"},
      {{{"NAME", "O'Brien"}}, "NAME = 'O''Brien'"},
      {{{"NAME", "x'or'1'='1"}}, "NAME = 'x''or''1''=''1'"},
      {{{"NAME", "'x'or'1'='1'"}}, "NAME IN ('x', '1')"},
      {{{"NAME", "Ів%"}}, "NAME LIKE 'Ів%'"},
      {{{"NAME", "=Null"}}, "NAME IS NULL"},
      {{{"NAME", "<>Null"}}, "NAME IS NOT NULL"},
      {{{"NAME", "not like 'a%'"}}, "NAME NOT LIKE 'a%'"},
      {{{"NAME", "Ґонта,Їжак , Єрмоленко"}}, "NAME IN ('Ґонта', 'Їжак ', ' Єрмоленко')"},
      {{{"AMOUNT", ">=10 and <20"}}, "AMOUNT >= 10 AND AMOUNT < 20"},
      {{{"AMOUNT", "1,5"}}, "AMOUNT = 1.5"},
      {{{"AMOUNT", "in (1, 5)"}}, "AMOUNT IN (1, 5)"},
      {{{"AMOUNT", "<0 or >20"}}, "AMOUNT < 0 OR AMOUNT > 20"},
      {{{"BORN", "=17.11.2023"}}, "BORN = '2023-11-17'"},
      {{{"BORN", ">=01.01.2000 and <17.11.2023"}}, "BORN >= '2000-01-01' AND BORN < '2023-11-17'"},
      {{{"BORN", ">=17.11.2023 10:30"}}, "BORN >= '2023-11-17 10:30:00'"},
      {{{"SEEN", "=17.11.2023"}}, "SEEN = '2023-11-17'"},
      {{{"SEEN", ">=01.01.2000 and <17.11.2023 00:00:00"}}, "SEEN >= '2000-01-01' AND SEEN < '2023-11-17'"},
      {{{"NAME", "<>Null"}, {"AMOUNT", ">=10"}}, "NAME IS NOT NULL AND AMOUNT >= 10"},
      {{{"NAME", "a% or A%"}, {"BORN", "<>Null"}}, "(NAME LIKE 'a%' OR NAME LIKE 'A%') AND BORN IS NOT NULL"},
  };
  for (const FilterCase& c : cases) {
    const std::string typed = SetFilters(c);
    ApplyFilter();
    ASSERT_TRUE(fDataSet->Active()) << typed;
    const std::string expected =
        Oracle("select ID from PERSONS where " + Utf8ToAnsi(c.where) + " order by ID");
    EXPECT_EQ(DataSetIds(), expected) << typed;
    EXPECT_EQ(OracleOfSelectText(), expected) << typed;
  }
  // The injection text finds at most its literal match.
  ClearFilters();
  Column("NAME").STFilter().SetExpressionStr("x'or'1'='1");
  ApplyFilter();
  EXPECT_EQ(DataSetIds(), "5");
}

// The local route takes the same texts into the dataset's Filter. Its evaluator lets a
// null through a negation (NOT LIKE, <>, NOT IN), where SQL leaves it out.
TEST_P(FilterSql, TheLocalRouteFiltersTheSameRows) {
  const FilterCase cases[] = {
      {{{"NAME", "abc"}}, "NAME = 'abc'"},
      {{{"NAME", "O'Brien"}}, "NAME = 'O''Brien'"},
      {{{"NAME", "x'or'1'='1"}}, "NAME = 'x''or''1''=''1'"},
      {{{"NAME", "Ів%"}}, "NAME LIKE 'Ів%'"},
      {{{"NAME", "=Null"}}, "NAME IS NULL"},
      {{{"NAME", "<>Null"}}, "NAME IS NOT NULL"},
      {{{"NAME", "not like 'a%'"}}, "NAME NOT LIKE 'a%' OR NAME IS NULL"},
      {{{"NAME", "not in (abc,ABC)"}}, "NAME NOT IN ('abc', 'ABC') OR NAME IS NULL"},
      {{{"AMOUNT", ">=10 and <20"}}, "AMOUNT >= 10 AND AMOUNT < 20"},
      {{{"AMOUNT", "1,5"}}, "AMOUNT = 1.5"},
      {{{"AMOUNT", "in (1, 5)"}}, "AMOUNT IN (1, 5)"},
      {{{"AMOUNT", "not in (1, 5)"}}, "AMOUNT NOT IN (1, 5) OR AMOUNT IS NULL"},
      {{{"BORN", "=17.11.2023"}}, "BORN = '2023-11-17'"},
      {{{"BORN", ">=01.01.2000 and <17.11.2023"}}, "BORN >= '2000-01-01' AND BORN < '2023-11-17'"},
      {{{"SEEN", "=17.11.2023"}}, "SEEN = '2023-11-17'"},
      {{{"NAME", "<>Null"}, {"AMOUNT", ">=10"}}, "NAME IS NOT NULL AND AMOUNT >= 10"},
  };
  fGrid->STFilter().SetLocal(true);
  for (const FilterCase& c : cases) {
    const std::string typed = SetFilters(c);
    DBGridEhDataService().ApplyFilter(*fGrid);
    EXPECT_TRUE(fDataSet->Filtered()) << typed;
    EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where " + Utf8ToAnsi(c.where) + " order by ID"))
        << typed << fDataSet->Filter();
    // The select text is not touched.
    EXPECT_EQ(SelectText(), ReplaceLineEnds(kSelect)) << typed;
  }
  // Cleared, the filter row filters nothing and the records are numbered again; a
  // dataset's own handler keeps it filtered.
  ClearFilters();
  DBGridEhDataService().ApplyFilter(*fGrid);
  EXPECT_FALSE(fDataSet->Filtered());
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by ID"));
  EXPECT_TRUE(fDataSet->IsSequenced());
  fDataSet->OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("ID")->AsInteger() != 1;
  };
  DBGridEhDataService().ApplyFilter(*fGrid);
  EXPECT_TRUE(fDataSet->Filtered());
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS where ID <> 1 order by ID"));
  fDataSet->OnFilterRecord = nullptr;
}

TEST_P(FilterSql, RandomFilterTextsThatParseGiveASelectTheServerPrepares) {
  const std::vector<std::string> pieces = {
      "'",    "''",  ",",   ".", " ",  " ",   "=",   "<",    ">",          "!",    "~",  "&",
      "|",    "(",   ")",   "%", "-",  "+",   "and", "or",   "not",        "like", "in", "null",
      "Null", "IN",  "1",   "5", "20", "0.5", "1,5", "2023", "17.11.2023", "і",    "Ґ",  "ЇЖАК",
      "є",    "abc", "O'B", "x", "E5", ";",   "\"",  "*/",   "--",         "/*"};
  std::mt19937 random(20231117);
  int parsed = 0;
  for (int i = 0; i < 500; ++i) {
    std::string text;
    const int length = 1 + static_cast<int>(random() % 8);
    for (int j = 0; j < length; ++j) text += pieces[random() % pieces.size()];
    TColumnEh& column = Column(i % 3 == 0 ? "NAME" : i % 3 == 1 ? "AMOUNT" : "BORN");
    ClearFilters();
    try {
      column.STFilter().SetExpressionStr(Utf8ToAnsi(text));
    } catch (const Exception&) {
      continue;
    }
    ++parsed;
    ApplyFilterToSQL(*fGrid, nullptr, false, "SelectSQL");
    EXPECT_NO_THROW(fDataSet->Prepare()) << column.FieldName() << ": " << text << "\n" << SelectText();
  }
  EXPECT_GT(parsed, 150);
}

TEST_P(FilterSql, TheMarkerLineIsFoundAtTheStartOfALineOnly) {
  // Lower case matches; the whole line is replaced.
  fDataSet->Close();
  fDataSet->SelectSQL().SetText(AnsiString(kSelectList) +
                                "\nwhere\n/*filter*/ 1=1 and ID > 100\nORDER BY ID\n");
  fDataSet->Open();
  Column("NAME").STFilter().SetExpressionStr("abc");
  ApplyFilter();
  EXPECT_EQ(fDataSet->SelectSQL().Strings(2), "/*FILTER*/ ( PERSONS.NAME LIKE 'abc' )");
  EXPECT_EQ(DataSetIds(), "1");

  // A leading blank, or the marker later in the line: nothing changes, nothing reopens.
  for (const char* lines : {"where\r\n /*FILTER*/ 1=1", "where /*FILTER*/ 1=1"}) {
    fDataSet->Close();
    const AnsiString text = AnsiString(kSelectList) + "\r\n" + lines + "\r\nORDER BY ID\r\n";
    fDataSet->SelectSQL().SetText(text);
    fDataSet->Open();
    int closes = 0;
    fDataSet->BeforeClose = [&](TDataSet*) { ++closes; };
    ApplyFilter();
    fDataSet->BeforeClose.Clear();
    EXPECT_EQ(SelectText(), text) << lines;
    EXPECT_EQ(closes, 0) << lines;
    EXPECT_TRUE(fDataSet->Active()) << lines;
  }
}

TEST_P(FilterSql, RewritesKeepOneMarkerLineAndNoFilterIsOneEqualsOne) {
  ClearFilters();
  ApplyFilter();
  EXPECT_EQ(SelectText(), AnsiString(kSelectList) + "\r\nwhere\r\n/*FILTER*/ (1=1)\r\nORDER BY ID\r\n");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by ID"));
  Column("NAME").STFilter().SetExpressionStr("a or b");
  ApplyFilter();
  Column("AMOUNT").STFilter().SetExpressionStr(">1");
  ApplyFilter();
  EXPECT_EQ(fDataSet->SelectSQL().Count(), 4);
  EXPECT_EQ(fDataSet->SelectSQL().Strings(2),
            "/*FILTER*/ (( PERSONS.NAME LIKE 'a' OR PERSONS.NAME LIKE 'b') AND  PERSONS.AMOUNT > 1 )");
  // Not reopened when not asked.
  ApplyFilterToSQL(*fGrid, nullptr, false, "SelectSQL");
  EXPECT_FALSE(fDataSet->Active());
}

TEST_P(FilterSql, AValueThatCannotStandOnOneLineIsRefused) {
  const AnsiString before = SelectText();
  Column("NAME").STFilter().SetExpressionStr("a\nor 1=1");
  try {
    ApplyFilter();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Filter value cannot be written to SQL:  PERSONS.NAME LIKE 'a\nor 1=1' ");
  }
  EXPECT_EQ(SelectText(), before);
  EXPECT_TRUE(fDataSet->Active());
  // The column keeps the text for the local route.
  EXPECT_EQ(Column("NAME").STFilter().ExpressionStr(), "a\nor 1=1");
}

TEST_P(FilterSql, OrderByLineFollowsTheSortMarkers) {
  Column("AMOUNT").Title().SetSortMarker(smDownEh);
  Column("NAME").Title().SetSortMarker(smUpEh);
  ASSERT_EQ(fGrid->SortMarkedColumns().Count(), 2);
  ApplySortingToSQL(*fGrid, fDataSet, true, "SelectSQL", true);
  EXPECT_EQ(fDataSet->SelectSQL().Strings(3), "ORDER BY AMOUNT, NAME DESC");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by AMOUNT, NAME desc"));
  // By field numbers.
  ApplySortingToSQL(*fGrid, fDataSet, false, "SelectSQL", true);
  EXPECT_EQ(fDataSet->SelectSQL().Strings(3), "ORDER BY 3, 2 DESC");
  // No marked column empties the line.
  Column("AMOUNT").Title().SetSortMarker(smNoneEh);
  Column("NAME").Title().SetSortMarker(smNoneEh);
  ApplySortingToSQL(*fGrid, fDataSet, true, "SelectSQL", true);
  EXPECT_EQ(fDataSet->SelectSQL().Strings(3), "");
  EXPECT_TRUE(fDataSet->Active());
  // A missing line is appended.
  fDataSet->Close();
  fDataSet->SelectSQL().SetText(kSelectList);
  Column("BORN").Title().SetSortMarker(smUpEh);
  ApplySortingToSQL(*fGrid, fDataSet, true, "SelectSQL", true);
  EXPECT_EQ(SelectText(), AnsiString(kSelectList) + "\r\nORDER BY BORN DESC\r\n");
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by BORN desc"));
}

TEST_P(FilterSql, LocalSortingOrdersAsTheServerDoes) {
  fGrid->SetSortLocal(true);
  const AnsiString before = SelectText();
  const auto sortBy = [&](TColumnEh& first, TSortMarkerEh marker) {
    for (int i = 0; i < fGrid->Columns().Count(); ++i) fGrid->Columns().Items(i)->Title().SetSortMarker(smNoneEh);
    first.Title().SetSortMarker(marker);
    Column("ID").Title().SetSortMarker(smDownEh);
    DBGridEhDataService().ApplySorting(*fGrid);
  };
  sortBy(Column("AMOUNT"), smDownEh);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by AMOUNT, ID"));
  sortBy(Column("AMOUNT"), smUpEh);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by AMOUNT desc, ID"));
  sortBy(Column("BORN"), smDownEh);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by BORN, ID"));
  sortBy(Column("SEEN"), smUpEh);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by SEEN desc, ID"));
  sortBy(Column("NAME"), smUpEh);
  EXPECT_EQ(DataSetIds(), Oracle("select ID from PERSONS order by NAME desc, ID"));
  // The select text is not touched, and the dataset stays open.
  EXPECT_EQ(SelectText(), before);
  EXPECT_TRUE(fDataSet->Active());
}

TEST_P(FilterSql, ADatasetWithoutSelectTextIsRefusedFirst) {
  TMemDataSet memory(nullptr);
  memory.FieldDefs().Add("NAME", ftString, 10);
  memory.Open();
  fSource.SetDataSet(&memory);
  try {
    ApplyFilter();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TMemDataSet is not SQL based dataset");
  }
  try {
    ApplySortingToSQL(*fGrid, &memory, true, "SelectSQL", true);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TMemDataSet is not SQL based dataset");
  }
  fSource.SetDataSet(fDataSet);
}

INSTANTIATE_TEST_SUITE_P(Connections, FilterSql,
                         testing::Values(Connection{1, "WIN1251"}, Connection{3, "UTF8"}),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane

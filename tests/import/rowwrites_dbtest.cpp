// What a workbook's rows leave in a Firebird table, read back with isql-fb: numbers with
// every digit they have, rows the server refuses reported by their row (and field), and
// the count of rows stored when a commit fails.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "classlib/core/FormatSettings.h"
#include "datasets/pFIBDataSet.h"
#include "import/SMI2XLS.h"
#include "tests/dbclient/DbTestSupport.h"
#include "tests/import/WorkbookBuilder.h"

namespace ordvane::test {
namespace {

// A cell of the sheet: a number, a text, or nothing.
struct TCell {
  enum { Nothing, Number, Text } Kind = Nothing;
  double Value = 0;
  std::string Ascii;
};
TCell N(double value) { return {TCell::Number, value, {}}; }
TCell T(const std::string& ascii) { return {TCell::Text, 0, ascii}; }
const TCell kNone{};

// An Excel 97 workbook of one sheet with the rows given, from its first row on.
std::string WriteWorkbook(const std::string& name, const std::vector<std::vector<TCell>>& rows) {
  Bytes cells;
  for (unsigned r = 0; r < rows.size(); ++r)
    for (unsigned c = 0; c < rows[r].size(); ++c) {
      const TCell& cell = rows[r][c];
      if (cell.Kind == TCell::Number) Append(cells, Number(r, c, 0, cell.Value));
      if (cell.Kind == TCell::Text) Append(cells, Label8(r, c, cell.Ascii));
    }
  const Bytes file = CompoundFile(u"Workbook", WorkbookStream({}, {{"Sheet1", 0x10, cells}}));
  const std::string path = TestTempDir() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return path;
}

// A table of the test database through a dataset that posts with its own insert
// statement, reading in one transaction and writing in another, which the import
// commits every commitCount rows.
class RowWritesTest : public testing::Test {
 protected:
  RowWritesTest() : fDatabase(new TFIBDatabase(&fOwner)) {
    Configure(*fDatabase, fDb);
    fDatabase->SetConnected(true);
  }

  TpFIBDataSet& Target(const std::string& table, const std::string& columns, const std::string& parameters,
                       TpPrepareOptions options = {}) {
    auto* read = new TFIBTransaction(&fOwner);
    auto* write = new TFIBTransaction(&fOwner);
    read->SetDefaultDatabase(fDatabase);
    write->SetDefaultDatabase(fDatabase);
    auto* target = new TpFIBDataSet(&fOwner);
    target->SetDatabase(fDatabase);
    target->SetTransaction(read);
    target->SetUpdateTransaction(write);
    target->SetAutoCommit(false);
    target->SetPrepareOptions(target->PrepareOptions() + options);
    target->SelectSQL().SetText("select " + columns + " from " + table);
    target->InsertSQL().SetText("insert into " + table + " (" + columns + ") values (" + parameters + ")");
    read->StartTransaction();
    target->Open();
    return *target;
  }

  void SetUpImport(TpFIBDataSet& target, const std::string& workbook, const char* mappings, Integer commitCount) {
    fImport.SetAnimatedStatus(false);
    fImport.SetOptions(fImport.Options() - TSMIOptions{soShowMessage});
    fImport.SetSourceFileName(workbook);
    fImport.SetDataSet(&target);
    fImport.Mappings()->SetText(mappings);
    fImport.SetCommitCount(commitCount);
    TFIBTransaction* write = target.UpdateTransaction();
    fImport.OnStartTransaction = [write](TObject*) { write->StartTransaction(); };
    fImport.OnFinishTransaction = [write](TObject*) { write->Commit(); };
    fImport.OnErrorEvent = [this](TObject*, const Exception& error, bool& abort) {
      fErrors.push_back(error.Message());
      abort = false;
    };
  }

  const TestDatabase fDb{"import/row_writes.sql", {3, "WIN1251"}};
  std::vector<std::string> fErrors;
  TComponent fOwner{nullptr};
  TFIBDatabase* fDatabase;
  TSMImportFromXLS fImport{nullptr};
};

// A whole number up to 2^53 reaches a BIGINT held in a large-integer field exactly, and
// one beyond fails its row; a text column gets every digit of a number. A row the server
// refuses at its post is reported by its row, with the field and value when the server
// names the field.
TEST_F(RowWritesTest, NumbersKeepEveryDigitAndRefusedRowsAreNamed) {
  TpFIBDataSet& target = Target("NUMBERS", "ID, BIG, TXT, NAME, AMOUNT", "?ID, ?BIG, ?TXT, ?NAME, ?AMOUNT",
                                TpPrepareOptions{psUseLargeIntField});
  ASSERT_EQ(target.FieldByName("BIG")->DataType(), ftLargeint);
  const std::string workbook = WriteWorkbook(
      "numbers.xls", {{N(1), N(1234567890123456.0), N(1234567890123456.0), T("a"), N(1)},
                      {N(2), N(9007199254740992.0), N(9007199254740992.0), T("b")},
                      {N(3), N(-9007199254740992.0), N(0.1 + 0.2), T("c")},
                      {N(4), N(9007199254740994.0), kNone, T("d")},
                      {N(5), kNone, kNone, kNone},
                      {N(6), kNone, kNone, T("f"), N(-1)}});
  SetUpImport(target, workbook, "ID=A\nBIG=B\nTXT=C\nNAME=D\nAMOUNT=E", 0);
  fImport.Execute();

  EXPECT_EQ(fImport.Statistic()->Result(), irExecuted);
  EXPECT_EQ(fImport.Statistic()->TotalAdded(), 3);
  EXPECT_EQ(fImport.Statistic()->TotalErrors(), 3);
  const std::string point(1, FormatSettings().DecimalSeparator);
  EXPECT_EQ(IsqlRows(fDb, "select ID, BIG, TXT, NAME, AMOUNT from NUMBERS order by ID"),
            "1|1234567890123456|1234567890123456|a|1;2|9007199254740992|9007199254740992|b|<null>;"
            "3|-9007199254740992|0" + point + "30000000000000004|c|<null>");
  ASSERT_EQ(fErrors.size(), 3u);
  EXPECT_TRUE(fErrors[0].starts_with("Row 4, field BIG, value \"9007199254740994\": ")) << fErrors[0];
  EXPECT_TRUE(fErrors[1].starts_with("Row 5, field NAME, value \"\": ")) << fErrors[1];
  EXPECT_NE(fErrors[1].find("NAME"), fErrors[1].rfind("NAME")) << "the server's text names the field";
  EXPECT_TRUE(fErrors[2].starts_with("Row 6: ")) << fErrors[2];
  EXPECT_NE(fErrors[2].find("CHECK"), std::string::npos) << fErrors[2];
}

// A commit that fails stores none of its cycle's rows: the run fails, and its counts are
// the rows the commits before it stored, whether the failing commit ends a cycle within
// the run or the run itself.
TEST_F(RowWritesTest, RowsCountAsAddedOnceCommitted) {
  std::vector<std::vector<TCell>> rows;
  for (int id = 1; id <= 8; ++id) rows.push_back({N(id)});
  const std::string workbook = WriteWorkbook("cycles.xls", rows);
  TpFIBDataSet& target = Target("CYCLES", "ID", "?ID");
  // Cycles of two, three and three rows: the last commit would leave eight.
  SetUpImport(target, workbook, "ID=A", 3);
  fImport.Execute();
  // What a program does with the transaction whose commit failed.
  target.UpdateTransaction()->Rollback();
  EXPECT_EQ(fImport.Statistic()->Result(), irFailed);
  EXPECT_EQ(fImport.Statistic()->TotalAdded(), 5);
  EXPECT_EQ(fImport.Statistic()->TotalErrors(), 0);
  EXPECT_EQ(IsqlRows(fDb, "select count(*) from CYCLES"), "5");

  // Cycles of three and four rows from an empty table: the second commit would leave
  // seven, and the run ends there.
  IsqlAt(fDb.ConnectString(), "delete from CYCLES; commit;");
  fImport.SetCommitCount(4);
  fImport.Execute();
  target.UpdateTransaction()->Rollback();
  EXPECT_EQ(fImport.Statistic()->Result(), irFailed);
  EXPECT_EQ(fImport.Statistic()->TotalAdded(), 3);
  EXPECT_EQ(fImport.Statistic()->TotalImported(), 8);
  EXPECT_EQ(IsqlRows(fDb, "select count(*) from CYCLES"), "3");
}

}  // namespace
}  // namespace ordvane::test

// The list of persons that bench/import_bench loads (50 000 rows × 10 columns) imported
// into a Firebird table as README.md shows: isql-fb reads back every one of its 500 000
// values equal to what the workbook was written with, every empty cell a null, and the
// rows were committed in batches of the commit count.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/dbclient/DbTestSupport.h"
#include "tests/import/PersonsImport.h"
#include "tests/import/PersonsWorkbook.h"

namespace ordvane::test {
namespace {

constexpr unsigned kPersons = 50000;
constexpr Integer kCommitCount = 5000;

// A value as isql-fb prints it in list mode.
std::string IsqlText(const TPersonsValue& value, unsigned col) {
  char text[64];
  switch (value.Kind) {
    case pvEmpty:
      return "<null>";
    case pvText:
      return value.Text;
    case pvDate: {
      using namespace std::chrono;
      const year_month_day date{sys_days{1899y / December / 30} + days{static_cast<int>(value.Number)}};
      std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                    static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
      return text;
    }
    case pvNumber:
      std::snprintf(text, sizeof text, col == 7 ? "%.2f" : "%.0f", value.Number);
      return text;
  }
  return {};
}

std::string ExpectedRow(unsigned row) {
  std::string text;
  for (unsigned col = 0; col < kPersonsColumns; ++col)
    text += (col == 0 ? "" : "|") + IsqlText(PersonsValue(row, col), col);
  return text;
}

TEST(PersonsImport, EveryValueOfTheWorkbookReachesTheTableInBatches) {
  const TestDatabase db("import/persons_list.sql", {3, "WIN1251"});
  const std::filesystem::path workbook = std::filesystem::path(TestTempDir()) / "persons-import.xls";
  {
    const Bytes bytes = PersonsWorkbook(kPersons);
    std::ofstream(workbook, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  TComponent owner(nullptr);
  auto* database = new TFIBDatabase(&owner);
  Configure(*database, db);
  database->SetConnected(true);
  TpFIBDataSet* target = PersonsTarget(owner, *database);
  TSMImportFromXLS import(nullptr);
  SetUpPersonsImport(import, workbook.string(), *target, kCommitCount);
  int commits = 0;
  const TNotifyEvent commit = import.OnFinishTransaction;
  import.OnFinishTransaction = [&](TObject* sender) {
    ++commits;
    commit(sender);
  };
  import.Execute();
  std::filesystem::remove(workbook);

  EXPECT_EQ(import.Statistic()->Result(), irExecuted);
  EXPECT_EQ(import.Statistic()->TotalAdded(), static_cast<Integer>(kPersons));
  EXPECT_EQ(import.Statistic()->TotalErrors(), 0);
  // A cycle ends before every kCommitCount-th row, and the run's end commits the rest.
  EXPECT_EQ(commits, static_cast<int>(kPersons / kCommitCount) + 1);
  EXPECT_FALSE(target->UpdateTransaction()->Active());

  std::istringstream rows(IsqlRows(db, std::string("select ") + kPersonsColumnList + " from PERSONS order by ID"));
  unsigned row = 0, wrong = 0;
  for (std::string line; std::getline(rows, line, ';');) {
    ++row;
    if (line == ExpectedRow(row)) continue;
    if (++wrong <= 5) ADD_FAILURE() << "row " << row << ": " << line << "\n expected " << ExpectedRow(row);
  }
  EXPECT_EQ(row, kPersons);
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
}  // namespace ordvane::test

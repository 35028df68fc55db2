#pragma once
// Runs of the example in the tests: a database for each run, the example's program as a
// person starts it, and the workbook's persons as xlrd reads them (the oracle the rows in
// the database are compared with).

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "examples/DemoOptions.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {

// The database of one run: in the embedded tier a file that is not there yet, in a folder
// that is not there either, which the example makes; in the server tier an empty database
// on the test server, in which the example makes its table. The example signs in with
// ISC_USER and ISC_PASSWORD, set here for the server, and keeps its default files in
// XDG_DATA_HOME, set here to the test's folder.
class DemoDatabase {
 public:
  DemoDatabase() {
    static int counter = 0;
    // A default the example falls back on stays in the test's folder.
    setenv("XDG_DATA_HOME", (TestTempDir() + "/data").c_str(), 1);
    setenv("ISC_USER", "SYSDBA", 1);
    setenv("ISC_PASSWORD", SysdbaPassword().c_str(), 1);
    if (CurrentTier() == FbTier::Server) {
      fServerDatabase = std::make_unique<TestDatabase>("", DatabaseOptions{3, "UTF8"});
      fName = fServerDatabase->ConnectString();
    } else {
      fName = TestTempDir() + "/demo-" + std::to_string(++counter) + "/persons.fdb";
    }
  }

  const std::string& Name() const { return fName; }
  // What isql-fb reads from the table, rows joined by ";".
  std::string Rows(const std::string& select) const { return IsqlRowsAt(fName, select); }

 private:
  std::unique_ptr<TestDatabase> fServerDatabase;
  std::string fName;
};

// The columns of PERSONS that the workbook fills, as the oracle prints them.
constexpr const char* kImportedColumns = "SURNAME, FIRST_NAME, PATRONYMIC, BORN, DOC_NO, AMOUNT";

inline std::string SampleWorkbook() {
  return SourcePath("examples/data/persons.xls");
}

// The example's options for the sample into the database, for its steps run here.
inline demo::TDemoOptions SampleInto(const DemoDatabase& db) {
  demo::TDemoOptions options;
  options.Workbook = SampleWorkbook();
  options.Database = db.Name();
  return options;
}

// One line per person below the title row: the values of kImportedColumns.
inline std::vector<std::string> WorkbookRows(const std::string& workbook) {
  int exitCode = 0;
  const std::string output =
      RunCommand("/usr/bin/python3 " + ShellQuote(SourcePath("tests/examples/workbook_rows.py")) + " " +
                     ShellQuote(workbook),
                 exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  std::vector<std::string> rows;
  for (std::size_t start = 0, end; start < output.size(); start = end + 1) {
    end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    rows.push_back(output.substr(start, end - start));
  }
  return rows;
}

// Rows joined as IsqlRowsAt joins them.
inline std::string JoinRows(const std::vector<std::string>& rows) {
  std::string joined;
  for (const std::string& row : rows) joined += (joined.empty() ? "" : ";") + row;
  return joined;
}

}  // namespace ordvane::test

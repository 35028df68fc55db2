#pragma once
// The database side of the dataset tests: one database per dialect made by isql-fb from
// the checked-in column fixture, a form holding a connected database, transaction and
// probe dataset, and isql-fb's own description of a select (its SQLDA display) as the
// oracle for the layout.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <sstream>

#include "tests/datasets/ProbeDataSet.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {

struct Connection {
  int dialect;
  const char* charset;
};

inline std::string PrintTo(const Connection& c) {
  return "dialect" + std::to_string(c.dialect) + "_" + c.charset;
}

// The database of a fixture "datasets/<stem><dialect>.sql", made once per process.
inline TestDatabase& FixtureDatabase(const std::string& stem, int dialect) {
  static std::map<std::string, std::unique_ptr<TestDatabase>> databases;
  const std::string file = "datasets/" + stem + std::to_string(dialect) + ".sql";
  auto& db = databases[file];
  if (!db) db = std::make_unique<TestDatabase>(file, DatabaseOptions{dialect, "WIN1251"});
  return *db;
}

inline TestDatabase& ColumnsDatabase(int dialect) { return FixtureDatabase("columns", dialect); }

// One column as isql-fb's SQLDA display describes it.
struct SqldaColumn {
  int type = 0;
  bool nullable = false;
  int scale = 0;
  int length = 0;
  int charset = 0;
  std::string name;
};

inline std::vector<SqldaColumn> IsqlSqlda(const TestDatabase& db, const std::string& select) {
  std::istringstream out(db.Isql("set sqlda_display on;\n" + select + ";\n"));
  std::vector<SqldaColumn> columns;
  bool output = false;
  for (std::string line; std::getline(out, line);) {
    if (line.find("OUTPUT message") != std::string::npos) output = true;
    if (!output) continue;
    const std::size_t type = line.find("sqltype: ");
    if (type != std::string::npos && line.size() > 2 && std::isdigit(static_cast<unsigned char>(line[0]))) {
      SqldaColumn column;
      column.type = std::stoi(line.substr(type + 9));
      column.nullable = line.find("Nullable") != std::string::npos;
      column.scale = std::stoi(line.substr(line.find("scale: ") + 7));
      column.length = std::stoi(line.substr(line.find("len: ") + 5));
      const std::size_t charset = line.find("charset: ");
      if (charset != std::string::npos) column.charset = std::stoi(line.substr(charset + 9));
      columns.push_back(column);
    } else if (!columns.empty() && line.find(" name: ") != std::string::npos) {
      const std::size_t alias = line.find("alias: ");
      columns.back().name = line.substr(alias + 7);
    }
  }
  return columns;
}

// A form with a database, a transaction and a dataset (a probe unless said otherwise) on
// one of the column databases.
template <class DataSetClass = TProbeDataSet>
class DataSetDbTestOf : public testing::TestWithParam<Connection> {
 protected:
  DataSetDbTestOf() : DataSetDbTestOf(ColumnsDatabase(GetParam().dialect)) {}
  explicit DataSetDbTestOf(TestDatabase& db) : fDb(db) {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    Configure(*fDatabase, fDb, GetParam().charset);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
  }
  int Dialect() const { return GetParam().dialect; }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  DataSetClass& Open(const std::string& select) {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Open();
    return *fDataSet;
  }

  TestDatabase& fDb;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  DataSetClass* fDataSet = new DataSetClass(&fForm);
};

using DataSetDbTest = DataSetDbTestOf<>;

inline constexpr std::array<Connection, 4> AllConnections{{{1, "WIN1251"}, {1, "UTF8"}, {3, "WIN1251"}, {3, "UTF8"}}};

}  // namespace ordvane::test

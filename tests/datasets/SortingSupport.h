#pragma once
// The form of the sorting, locate and window tests: a database on the persons fixture,
// one transaction that reads and posts, a dataset, and the statement log as the witness of
// what reached the server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/core/DateFormat.h"
#include "datasets/pFIBDataSet.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {

inline TestDatabase& PersonsDatabase() {
  static TestDatabase db("datasets/sorting.sql", {3, "WIN1251"});
  return db;
}

// Counts the rows fetched and the statements executed, by the statement's name.
class StatementCounter : public ISQLLogger {
 public:
  void AttachDatabase(TFIBDatabase*) override {}
  void WriteData(const AnsiString& objectName, const AnsiString& operation, const AnsiString& text, int) override {
    if (operation == "Fetch:") ++fetches[objectName];
    if (operation == "Execute query:") {
      ++executions[objectName];
      lastText[objectName] = text;
    }
  }
  int LogFlags() const override { return SQLLogFlagFetch | SQLLogFlagExecute; }
  std::map<std::string, int> fetches, executions;
  std::map<std::string, std::string> lastText;
};

// A field's value as isql-fb prints it in a list: "<null>", dates as yyyy-mm-dd.
inline std::string IsqlText(TField* field) {
  if (field->IsNull()) return "<null>";
  if (field->DataType() == ftDate) return FormatDateTime("yyyy-mm-dd", field->AsDateTime());
  return field->AsString();
}

// Every record from the first, its fields joined by '|', records by ';' (IsqlRows' form).
inline std::string WalkRows(TDataSet& dataSet, const std::vector<std::string>& names) {
  std::string rows;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::string row;
    for (const std::string& name : names) row += (row.empty() ? "" : "|") + IsqlText(dataSet.FieldByName(name));
    rows += (rows.empty() ? "" : ";") + row;
  }
  return rows;
}

class PersonsTest : public testing::Test {
 protected:
  explicit PersonsTest(const std::string& charset = "WIN1251", TestDatabase& db = PersonsDatabase()) : fDb(db) {
    fForm.SetName("Form");
    fDataSet->SetName("DataSet");
    Configure(*fDatabase, db, charset);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDatabase->SetConnected(true);
    fTransaction->StartTransaction();
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SetUpdateTransaction(fTransaction);
    fDatabase->SetSQLLogger(&fCounter);
  }
  ~PersonsTest() override { fDatabase->SetSQLLogger(nullptr); }
  TpFIBDataSet& Open(const std::string& select) {
    fDataSet->SelectSQL().SetText(select);
    fDataSet->Open();
    return *fDataSet;
  }
  Integer Id() { return fDataSet->FieldByName("ID")->AsInteger(); }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  int Fetches() { return fCounter.fetches["Form.DataSet.SelectQuery"]; }

  TestDatabase& fDb;
  StatementCounter fCounter;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TpFIBDataSet* fDataSet = new TpFIBDataSet(&fForm);
};

}  // namespace ordvane::test

#pragma once
// What the repository and metadata-cache tests share: a connected database over a
// fixture, a logger that counts the statements the database prepares, and isql-fb's
// answers as the oracle.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datasets/FIBMetaCache.h"
#include "datasets/FIBRepository.h"
#include "dbclient/pFIBDatabase.h"
#include "tests/datasets/ProbeDataSet.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {

// Counts the prepares of the databases that use it and keeps the other lines.
class CountingLogger : public ISQLLogger {
 public:
  void AttachDatabase(TFIBDatabase*) override {}
  void WriteData(const AnsiString& objectName, const AnsiString& operation, const AnsiString& parameters,
                 int kind) override {
    if (kind == SQLLogPrepare)
      prepared.push_back(parameters);
    else
      lines.push_back(objectName + " " + operation + " " + parameters);
  }
  int Prepares(const std::string& fragment) const {
    int count = 0;
    for (const AnsiString& text : prepared) count += text.find(fragment) != AnsiString::npos ? 1 : 0;
    return count;
  }
  std::vector<AnsiString> prepared;
  std::vector<AnsiString> lines;
};

// A form with a database component connected to a fixture database.
class RepositoryTest : public testing::Test {
 protected:
  explicit RepositoryTest(const std::string& fixture = "datasets/repository.sql", int dialect = 3)
      : fDb(fixture, {dialect, "WIN1251"}) {
    RegisterFIBMetaCaches();
    fForm.SetName("Form");
    fDatabase->SetName("Database");
    Configure(*fDatabase, fDb);
    fDatabase->SetSQLLogger(&fLogger);
    fDatabase->SetConnected(true);
    FIBTableInfoCollect().Clear();
    FIBDataSetInfoCollect().Clear();
    FIBStoredProcCollect().Clear();
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }
  int OracleInt(const std::string& select) { return std::stoi(Oracle(select)); }

  TestDatabase fDb;
  CountingLogger fLogger;
  TComponent fForm{nullptr};
  TpFIBDatabase* fDatabase = new TpFIBDatabase(&fForm);
};

}  // namespace ordvane::test

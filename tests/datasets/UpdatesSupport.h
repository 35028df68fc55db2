#pragma once
// The form of the update-object, lock, count and batch tests: a fresh copy of the updates
// fixture per test, one nowait read-committed transaction the dataset reads and writes in,
// and a second attachment made of its own components, standing for another user.

#include <gtest/gtest.h>

#include "tests/datasets/EditingSupport.h"

namespace ordvane::test {

inline void UseNowaitReadCommitted(TFIBTransaction& transaction) {
  for (const char* line : {"write", "nowait", "read_committed", "rec_version"}) transaction.TRParams().Add(line);
}

// Another user of the same database: its own connection, transaction and statement.
struct OtherUser {
  explicit OtherUser(const TestDatabase& db) {
    Configure(*database, db);
    UseNowaitReadCommitted(*transaction);
    transaction->SetDefaultDatabase(database);
    database->SetConnected(true);
    query->SetDatabase(database);
    query->SetTransaction(transaction);
  }
  // Runs the statement in its transaction, started when idle; nothing is committed.
  void Run(const std::string& sql) {
    if (!transaction->Active()) transaction->StartTransaction();
    query->SQL().SetText(sql);
    query->ExecQuery();
    if (query->Open()) query->Close();
  }
  void Commit() { transaction->Commit(); }

  TComponent form{nullptr};
  TFIBDatabase* database = new TFIBDatabase(&form);
  TFIBTransaction* transaction = new TFIBTransaction(&form);
  TFIBQuery* query = new TFIBQuery(&form);
};

// A copy of the fixture made before the form that connects to it.
struct FreshUpdatesDatabase {
  TestDatabase fFreshDb{"datasets/updates.sql", {3, "WIN1251"}};
};

template <class DataSetClass = TEditDataSet>
class UpdatesTestOf : protected FreshUpdatesDatabase, public EditingFormTest<DataSetClass> {
 protected:
  explicit UpdatesTestOf(bool autoCommit = true) : EditingFormTest<DataSetClass>(fFreshDb, "Items") {
    TFIBTransaction& transaction = *this->fTransaction;
    transaction.Commit();
    UseNowaitReadCommitted(transaction);
    transaction.StartTransaction();
    this->fDataSet->SetAutoCommit(autoCommit);
  }
};

using UpdatesTest = UpdatesTestOf<>;

}  // namespace ordvane::test

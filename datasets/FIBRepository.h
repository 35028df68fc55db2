#pragma once
// The repository tables a database may hold (FIB$FIELDS_INFO, FIB$DATASETS_INFO,
// FIB$ERROR_MESSAGES): whether each exists, asked of the server once per database, and
// the upgrades that bring older repository tables to the layout read here. Also the
// small server conversations the metadata caches share: a statement of their own in a
// read transaction of their own.

#include <functional>
#include <mutex>

#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"

namespace ordvane {

enum TRepositoryKind { rkFieldsInfo = 1, rkDataSetsInfo = 2, rkErrorMessages = 3 };

// False without asking when the kind is not among the database's UseRepositories; else
// the server is asked once per database and kind. A database forgets its answers when it
// is destroyed and when it connects to another file.
bool RepositoryTableExists(TFIBDatabase& database, TRepositoryKind kind);
inline bool FieldsRepositoryExists(TFIBDatabase& database) {
  return RepositoryTableExists(database, rkFieldsInfo);
}
inline bool DataSetRepositoryExists(TFIBDatabase& database) {
  return RepositoryTableExists(database, rkDataSetsInfo);
}
bool FIBBooleanDomainExists(TFIBDatabase& database);

// Each runs in the transaction (started when inactive) and ends with a commit retaining.
// A statement that fails because its object exists already is skipped.
void UpgradeFieldsInfoRepository(TFIBTransaction& transaction);
// Raises when the domain FIB$BOOLEAN is missing and cannot be made.
void UpgradeDataSetsInfoRepository(TFIBTransaction& transaction);

// The metadata caches talk to the server from any thread. A database component's lists
// of transactions and statements are not made for that, so every such conversation holds
// this lock (taken innermost: no other lock of the caches is taken while it is held).
std::recursive_mutex& ServerConversationLock();

// A read-only, read-committed transaction of its own on the database, started; it
// commits when the scope ends normally and rolls back when an exception leaves it. It
// holds the conversation lock for its life.
class TOwnReadTransaction {
 public:
  explicit TOwnReadTransaction(TFIBDatabase& database);
  ~TOwnReadTransaction();
  TOwnReadTransaction(const TOwnReadTransaction&) = delete;
  TOwnReadTransaction& operator=(const TOwnReadTransaction&) = delete;

  TFIBTransaction& Transaction() { return fTransaction; }

 private:
  std::unique_lock<std::recursive_mutex> fConversation{ServerConversationLock()};
  TFIBTransaction fTransaction{nullptr};
  int fUncaught;
};

// Runs sql through a statement of its own in the transaction: `bind` sets the
// parameters, `row` is called for every row (for a select) or once after the execution.
void RunStatement(TFIBTransaction& transaction, const AnsiString& sql, const std::function<void(TFIBQuery&)>& bind,
                  const std::function<void(TFIBQuery&)>& row);

}  // namespace ordvane

#include "datasets/FIBRepository.h"

#include <exception>
#include <map>
#include <mutex>

#include "classlib/core/StrUtils.h"
#include "dbclient/FIBCallBacks.h"

namespace ordvane {

namespace {

const char* const kTableOfKind[] = {"", "FIB$FIELDS_INFO", "FIB$DATASETS_INFO", "FIB$ERROR_MESSAGES"};
constexpr TFIBUseRepository kUseOfKind[] = {urFieldsInfo, urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};

// What each database answered, by kind: '2' not asked, '1' present, '0' absent. An entry
// belongs to the file the database was connected to when it was made. The server is asked
// under the lock, so each question goes to it once.
class TRepositoryStatus {
 public:
  bool Exists(TFIBDatabase& database, TRepositoryKind kind) {
    std::lock_guard lock(fLock);
    char& status = EntryOf(database).status[static_cast<std::size_t>(kind - 1)];
    if (status != '2') return status == '1';
    if (!database.UseRepositories().Contains(kUseOfKind[kind])) return false;
    const bool exists = AskServer(database, kind);
    status = exists ? '1' : '0';
    return exists;
  }
  void DatabaseDestroying(TObject* database) {
    std::lock_guard lock(fLock);
    fEntries.erase(static_cast<TFIBDatabase*>(database));
  }

 private:
  struct TEntry {
    AnsiString dbName;
    AnsiString status = "222";
  };
  TEntry& EntryOf(TFIBDatabase& database) {
    auto [at, added] = fEntries.try_emplace(&database);
    if (added) database.DestroyHandlers().Add(this, &TRepositoryStatus::DatabaseDestroying);
    if (added || at->second.dbName != database.DBName()) at->second = TEntry{database.DBName()};
    return at->second;
  }
  static bool AskServer(TFIBDatabase& database, TRepositoryKind kind);

  std::mutex fLock;
  std::map<TFIBDatabase*, TEntry> fEntries;
};

TRepositoryStatus& RepositoryStatus() {
  static TRepositoryStatus status;
  return status;
}

Int64 CountOf(TFIBDatabase& database, const AnsiString& sql, const AnsiString& parameter) {
  TOwnReadTransaction own(database);
  Int64 count = 0;
  RunStatement(
      own.Transaction(), sql,
      [&](TFIBQuery& query) {
        if (!parameter.empty()) query.Params()[0].SetAsString(parameter);
      },
      [&](TFIBQuery& query) { count = query.GetFields(0).GetAsInt64(); });
  return count;
}

// Runs each text; one that fails is skipped. With stopAtFailure the rest is skipped too.
void RunSkippingFailures(TFIBTransaction& transaction, std::initializer_list<const char*> texts,
                         bool stopAtFailure) {
  for (const char* text : texts) {
    try {
      RunStatement(transaction, text, nullptr, nullptr);
    } catch (const EFIBError&) {
      if (stopAtFailure) return;
    }
  }
}

void StartIfInactive(TFIBTransaction& transaction) {
  if (!transaction.Active()) transaction.StartTransaction();
}

}  // namespace

// ---- Own transaction and statement --------------------------------------------------------

std::recursive_mutex& ServerConversationLock() {
  static std::recursive_mutex lock;
  return lock;
}

TOwnReadTransaction::TOwnReadTransaction(TFIBDatabase& database) : fUncaught(std::uncaught_exceptions()) {
  fTransaction.TRParams().SetText("read\r\nread_committed\r\nrec_version");
  fTransaction.SetDefaultDatabase(&database);
  fTransaction.StartTransaction();
}

TOwnReadTransaction::~TOwnReadTransaction() {
  if (!fTransaction.Active()) return;
  try {
    if (std::uncaught_exceptions() > fUncaught)
      fTransaction.Rollback();
    else
      fTransaction.Commit();
  } catch (...) {
    // A read transaction that cannot end leaves nothing behind: the attachment drops it.
  }
}

void RunStatement(TFIBTransaction& transaction, const AnsiString& sql, const std::function<void(TFIBQuery&)>& bind,
                  const std::function<void(TFIBQuery&)>& row) {
  std::lock_guard conversation(ServerConversationLock());
  TFIBQuery query(nullptr);
  query.SetDatabase(transaction.DefaultDatabase());
  query.SetTransaction(&transaction);
  query.SetGoToFirstRecordOnExecute(true);
  query.SQL().SetText(sql);
  if (bind) bind(query);
  query.ExecQuery();
  if (query.SQLType() == SQLSelect || query.SQLType() == SQLSelectForUpdate) {
    for (; !query.Eof(); query.Next())
      if (row) row(query);
    query.Close();
  } else if (row) {
    row(query);
  }
}

// ---- Repository existence -----------------------------------------------------------------

bool TRepositoryStatus::AskServer(TFIBDatabase& database, TRepositoryKind kind) {
  return CountOf(database,
                 "select COUNT(RDB$RELATION_NAME)\r\nfrom RDB$RELATIONS where RDB$FLAGS = 1\r\nand RDB$RELATION_NAME=?RT",
                 kTableOfKind[kind]) > 0;
}

bool RepositoryTableExists(TFIBDatabase& database, TRepositoryKind kind) {
  return RepositoryStatus().Exists(database, kind);
}

bool FIBBooleanDomainExists(TFIBDatabase& database) {
  return CountOf(database, "Select Count(*) FROM RDB$FIELDS FLD\r\nWHERE FLD.RDB$FIELD_NAME = 'FIB$BOOLEAN'", "") > 0;
}

// ---- Upgrades -------------------------------------------------------------------------------

void UpgradeFieldsInfoRepository(TFIBTransaction& transaction) {
  StartIfInactive(transaction);
  RunSkippingFailures(
      transaction,
      {"CREATE GENERATOR FIB$FIELD_INFO_VERSION", "ALTER TABLE FIB$FIELDS_INFO ADD DISPLAY_WIDTH INTEGER DEFAULT 0",
       "ALTER TABLE FIB$FIELDS_INFO ADD FIB$VERSION INTEGER",
       "CREATE TRIGGER FIB$FIELDS_INFO_BI FOR FIB$FIELDS_INFO ACTIVE BEFORE INSERT POSITION 0 as \r\nbegin "
       "\r\nnew.fib$version=gen_id(fib$field_info_version,1);\r\nend",
       "CREATE TRIGGER FIB$FIELDS_INFO_BU FOR FIB$FIELDS_INFO ACTIVE BEFORE UPDATE POSITION 0 as \r\nbegin "
       "\r\nnew.fib$version=gen_id(fib$field_info_version,1);\r\nend"},
      false);
  transaction.CommitRetaining();
}

void UpgradeDataSetsInfoRepository(TFIBTransaction& transaction) {
  StartIfInactive(transaction);
  TFIBDatabase* database = transaction.DefaultDatabase();
  if (database != nullptr && !FIBBooleanDomainExists(*database))
    RunStatement(transaction, "CREATE DOMAIN FIB$BOOLEAN AS SMALLINT DEFAULT 1 NOT NULL CHECK (VALUE IN (0,1))",
                 nullptr, nullptr);
  RunSkippingFailures(transaction,
                      {"ALTER TABLE FIB$DATASETS_INFO ADD UPDATE_TABLE_NAME VARCHAR(68)",
                       "ALTER TABLE FIB$DATASETS_INFO ADD UPDATE_ONLY_MODIFIED_FIELDS FIB$BOOLEAN NOT NULL",
                       "ALTER TABLE FIB$DATASETS_INFO ADD CONDITIONS BLOB sub_type 1 segment size 80",
                       "CREATE GENERATOR FIB$FIELD_INFO_VERSION"},
                      false);
  RunSkippingFailures(transaction,
                      {"ALTER TABLE FIB$DATASETS_INFO ADD fib$version INTEGER",
                       "CREATE TRIGGER FIB$DATASETS_INFO_BI FOR FIB$DATASETS_INFO ACTIVE BEFORE INSERT POSITION 0 as "
                       "\r\nbegin\r\nnew.fib$version=gen_id(fib$field_info_version,1);\r\nend",
                       "CREATE TRIGGER FIB$DATASETS_INFO_BU FOR FIB$DATASETS_INFO ACTIVE BEFORE UPDATE POSITION 0 as "
                       "\r\nbegin\r\nnew.fib$version=gen_id(fib$field_info_version,1);\r\nend"},
                      true);
  transaction.CommitRetaining();
}

}  // namespace ordvane

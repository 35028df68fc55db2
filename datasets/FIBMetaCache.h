#pragma once
// The process-wide metadata caches of the datasets: per table, its columns as the system
// tables and the fields repository describe them, its format version and its primary key;
// per repository dataset number, the statement texts and update settings stored for it;
// per stored procedure, its input parameters; the error messages of the repository. Each
// answer is read from the server once per process and may be kept across runs in a cache
// file, which the database component loads at connect and saves at disconnect.
//
// Entries are handed out under shared ownership and never change once published (the
// deferred primary key excepted, which has its own lock): a validation, a load or a
// database's removal drops entries from the collection, never from under a holder.

#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "classlib/core/StringLists.h"
#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBMetaCacheHooks.h"

namespace ordvane {

// One column of a table or view (or an output of a selectable procedure).
struct TpFIBFieldInfo {
  bool IsComputed = false;
  // The default clause's value: quotes around a text removed, doubled quotes undone.
  AnsiString DefaultValue;
  // Neither a quad (9) nor a blob (261).
  bool CanCompare = true;
  AnsiString DomainName;
  // A default clause exists and gives an empty text.
  bool EmptyDefault = false;
  bool HasRepositoryInfo = false;
  AnsiString DisplayLabel;
  bool Visible = true;
  AnsiString EditFormat;
  AnsiString DisplayFormat;
  bool Triggered = false;
  // NAME=value of the further repository columns.
  TStringList OtherInfo;
  Integer DisplayWidth = 0;
  Integer CharSetID = 0;

  // By the domain's name.
  bool IsBoolean() const;
  bool IsGUID() const;
};

inline constexpr const char* DeferredPrimaryKey = "@FIB_DEFERRED";

class TpFIBTableInfo {
 public:
  TpFIBTableInfo(const AnsiString& dbName, const AnsiString& tableName) : fDBName(dbName), fTableName(tableName) {}

  const AnsiString& DBName() const { return fDBName; }
  const AnsiString& TableName() const { return fTableName; }
  // RDB$FORMAT of a table, RDB$RELATION_ID of a view.
  Integer FormatVersion() const { return fFormatVersion; }
  // The highest FIB$VERSION of the table's repository rows.
  Integer FieldsInfoVersion() const { return fFieldsInfoVersion; }
  bool WithRepository() const { return fWithRepository; }
  bool FromCacheFile() const { return fFromCacheFile; }
  const std::map<AnsiString, std::shared_ptr<TpFIBFieldInfo>>& Fields() const { return fFields; }
  std::shared_ptr<const TpFIBFieldInfo> FieldInfo(const AnsiString& column) const;

  // The key columns joined by ";", read from the database on first question (empty for
  // a table without key); DeferredPrimaryKey while no connected database of this table
  // is at hand.
  AnsiString PrimaryKeyFields(TFIBDatabase* database);
  // Same database, same format version and, with repository rows, same repository version.
  bool IsActual(TFIBDatabase& database) const;

  // Reads the table's columns (and, with repositoryRows, its FIB$FIELDS_INFO rows, which
  // the caller has found to exist) in the transaction.
  void FillInfo(TFIBTransaction& transaction, bool repositoryRows);

 private:
  friend class TpFIBTableInfoCollect;
  friend class TTableCacheFile;

  void FillColumns(TFIBTransaction& transaction);
  void ApplyRepositoryRows(TFIBTransaction& transaction, bool addMissing);

  AnsiString fDBName;
  AnsiString fTableName;
  Integer fFormatVersion = 0;
  Integer fFieldsInfoVersion = 0;
  bool fWithRepository = false;
  bool fFromCacheFile = false;
  std::map<AnsiString, std::shared_ptr<TpFIBFieldInfo>> fFields;
  std::mutex fKeyLock;
  AnsiString fPrimaryKeyFields = DeferredPrimaryKey;
};

class TpFIBTableInfoCollect {
 public:
  TpFIBTableInfoCollect() = default;
  TpFIBTableInfoCollect(const TpFIBTableInfoCollect&) = delete;
  TpFIBTableInfoCollect& operator=(const TpFIBTableInfoCollect&) = delete;

  // The name without its double quotes and outer blanks, looked up for the database's
  // file and read from the server when missing or lacking wanted repository rows.
  std::shared_ptr<TpFIBTableInfo> GetTableInfo(TFIBDatabase& database, const AnsiString& tableName,
                                               bool withRepository);
  // Drops the tables that are not current on the database; an assigned accept event
  // alone decides instead.
  void ValidateCache(TFIBDatabase& database, const TpFIBAcceptCacheSchema& accept);
  // A cached table from a cache file that is no longer current is dropped on use.
  bool ValidateOnUse() const { return fValidateOnUse; }
  void SetValidateOnUse(bool value) { fValidateOnUse = value; }

  // See IFIBMetaCaches.
  bool LoadFromFile(const AnsiString& fileName, TFIBDatabase* database);
  void SaveToFile(const AnsiString& fileName) noexcept;
  // The transaction id of the collection's last own transaction.
  Integer Stamp() const;
  int Count() const;
  void Clear();

 private:
  using TTables = std::multimap<AnsiString, std::shared_ptr<TpFIBTableInfo>>;

  TTables::iterator Find(const AnsiString& tableName, const AnsiString& dbName);
  // Reads a table through the database's first active transaction, else an own one.
  std::shared_ptr<TpFIBTableInfo> ReadTable(TFIBDatabase& database, const AnsiString& tableName, bool withRepository);
  // The database's tables leave with it.
  void Watch(TFIBDatabase& database);
  void DatabaseDestroying(TObject* database);
  void TakeStamp(TFIBTransaction& own);
  void ValidateEach(TFIBDatabase& database);
  void ValidateAll(TFIBDatabase& database);

  mutable std::shared_mutex fLock;
  TTables fTables;
  Integer fStamp = 0;
  bool fValidateOnUse = false;
};

// The column's information, or nullptr when the table or the column is unknown.
std::shared_ptr<const TpFIBFieldInfo> GetFieldInfo(TpFIBTableInfoCollect& collect, TFIBDatabase& database,
                                                   const AnsiString& tableName, bool withRepository,
                                                   const AnsiString& column);

// One FIB$DATASETS_INFO row of one database.
struct TpDataSetInfo {
  AnsiString DBName;
  Integer Version = 0;
  TStringList SelectSQL, InsertSQL, UpdateSQL, DeleteSQL, RefreshSQL;
  AnsiString KeyField;
  AnsiString GeneratorName;
  AnsiString Description;
  AnsiString UpdateTableName;
  bool UpdateOnlyModifiedFields = false;
  AnsiString Conditions;
  // Read from a cache file: compared with the server's version when CheckVersions is on
  // (read and cleared under the collection's lock only).
  bool NeedsVersionCheck = false;
};

// A dataset whose statement texts and update settings come from its FIB$DATASETS_INFO
// row: the cache finds the row, the dataset takes what it holds. This is all the cache
// knows of a dataset.
class IDataSetInfoReceiver {
 public:
  virtual ~IDataSetInfoReceiver() = default;
  // The row's number, the database it is read from (nullptr: none) and the name that
  // errors give.
  virtual Integer DataSet_ID() const = 0;
  virtual TFIBDatabase* InfoDatabase() const = 0;
  virtual AnsiString InfoOwnerName() const = 0;
  virtual void TakeDataSetInfo(const TpDataSetInfo& info) = 0;
};

class TpDataSetInfoCollect {
 public:
  // Takes the texts and settings stored for the dataset's DataSet_ID into the dataset.
  void ApplyToDataSet(IDataSetInfoReceiver& dataSet);
  bool CheckVersions() const { return fCheckVersions; }
  void SetCheckVersions(bool value) { fCheckVersions = value; }

  bool LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) noexcept;
  int Count() const;
  void Clear();

 private:
  using TKey = std::pair<AnsiString, AnsiString>;  // DataSet_ID as decimal text, database name

  std::shared_ptr<TpDataSetInfo> Entry(TFIBDatabase& database, Integer dataSetID, const AnsiString& dataSetName);

  mutable std::mutex fLock;
  std::map<TKey, std::shared_ptr<TpDataSetInfo>> fEntries;
  bool fCheckVersions = false;
};

class TpStoredProcCollect {
 public:
  // "EXECUTE PROCEDURE " + procedureName as given + " " + the input list, the list read
  // once per procedure and database (again when forced).
  AnsiString GetExecProcText(TFIBDatabase& database, const AnsiString& procedureName, bool forceRefresh);
  void Clear();

 private:
  std::mutex fLock;
  std::map<AnsiString, AnsiString> fInputLists;
};

struct TpErrorMessage {
  AnsiString Text;
  Integer Version = 0;
};

class TpErrorMessagesCollect {
 public:
  // Replaces a message of the keys only by one of a greater version.
  void AddMessage(const AnsiString& outerKey, const AnsiString& innerKey, const AnsiString& text, Integer version);
  // nullptr when absent.
  std::shared_ptr<const TpErrorMessage> Message(const AnsiString& outerKey, const AnsiString& innerKey) const;
  Integer Stamp() const;
  void SetStamp(Integer value);

  bool LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) noexcept;
  int Count() const;
  void Clear();

 private:
  using TMessages = std::map<AnsiString, std::map<AnsiString, std::shared_ptr<TpErrorMessage>>>;

  mutable std::mutex fLock;
  TMessages fMessages;
  Integer fStamp = 0;
};

// The collections of the process.
TpFIBTableInfoCollect& FIBTableInfoCollect();
TpDataSetInfoCollect& FIBDataSetInfoCollect();
TpStoredProcCollect& FIBStoredProcCollect();
TpErrorMessagesCollect& FIBErrorMessagesCollect();

// Offers these collections to the client components (cache files, validation, procedure
// call texts). Idempotent; every dataset's constructor calls it.
void RegisterFIBMetaCaches();

}  // namespace ordvane

#include "datasets/FIBMetaCache.h"

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "datasets/FIBRepository.h"
#include "dbclient/FIBCallBacks.h"
#include "dbclient/FIBConvert.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/pFIBQuery.h"

namespace ordvane {

namespace {

constexpr const char* kAliasTable = "ALIAS";
constexpr Integer kQuadType = 9;
constexpr Integer kBlobType = 261;
// More cached tables than this are validated with one question for all of them.
constexpr std::size_t kValidateOneByOne = 11;

const char* const kFormatVersionSQL =
    "select a1.RDB$RELATION_ID VER from RDB$RELATIONS a1\r\n"
    "where a1.RDB$SYSTEM_FLAG = 0 and a1.rdb$relation_name=?TN\r\n"
    "and not a1.rdb$view_blr is null\r\n"
    "union\r\n"
    "select RDB$FORMAT from RDB$RELATIONS R\r\n"
    "where R.RDB$SYSTEM_FLAG = 0 and R.rdb$relation_name=?TN\r\n"
    "and R.rdb$view_blr is null";
const char* const kColumnsSQL =
    "Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
    "R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
    "F.RDB$FIELD_TYPE, \r\n"
    "F.RDB$CHARACTER_SET_ID \r\n"
    "from RDB$RELATION_FIELDS R \r\n"
    "JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
    "where R.RDB$RELATION_NAME=:TN \r\n"
    "order by R.RDB$FIELD_POSITION";
// The outputs of a selectable procedure, in the columns' shape: never computed, no default.
const char* const kProcedureOutputsSQL =
    "Select P.RDB$PARAMETER_NAME,F.RDB$FIELD_NAME,cast(null as integer),cast(null as integer),"
    "cast(null as integer),\r\n"
    "F.RDB$FIELD_TYPE,\r\n"
    "F.RDB$CHARACTER_SET_ID\r\n"
    "from RDB$PROCEDURE_PARAMETERS P\r\n"
    "JOIN RDB$FIELDS F ON (P.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME)WHERE P.RDB$PROCEDURE_NAME=:PN\r\n"
    "AND P.RDB$PARAMETER_TYPE=1";
const char* const kFieldsInfoVersionSQL = "Select Max(fib$version) From FIB$FIELDS_INFO Where table_name=?TN";
const char* const kRepositoryRowsSQL = "Select * from FIB$FIELDS_INFO where TABLE_NAME=?TN ORDER BY FIELD_NAME";
const char* const kPrimaryKeySQL =
    "select i.rdb$field_name\r\n"
    "from rdb$relation_constraints r, rdb$index_segments i\r\n"
    "where r.rdb$relation_name=:TN and\r\n"
    "r.rdb$constraint_type='PRIMARY KEY' and\r\n"
    "r.rdb$index_name=i.rdb$index_name\r\n"
    "order by i.rdb$field_position";
const char* const kAllVersionsSQL =
    "select a1.rdb$relation_name,a1.RDB$RELATION_ID VER from RDB$RELATIONS a1\r\n"
    "where a1.RDB$SYSTEM_FLAG = 0\r\n"
    "and not a1.rdb$view_blr is null\r\n"
    "union\r\n"
    "select R.rdb$relation_name,RDB$FORMAT from RDB$RELATIONS R\r\n"
    "where R.RDB$SYSTEM_FLAG = 0\r\n"
    "and R.rdb$view_blr is null order by 1";
const char* const kAllFieldsInfoVersionsSQL =
    "Select table_name,Max(fib$version) From FIB$FIELDS_INFO group by table_name order by 1";

// A select in the transaction with every parameter set to the one text given.
void Select(TFIBTransaction& transaction, const AnsiString& sql, const AnsiString& parameter,
            const std::function<void(TFIBQuery&)>& row) {
  RunStatement(
      transaction, sql,
      [&](TFIBQuery& query) {
        for (int i = 0; i < query.Params().Count(); ++i) query.Params()[i].SetAsString(parameter);
      },
      row);
}

Integer SelectInteger(TFIBTransaction& transaction, const AnsiString& sql, const AnsiString& parameter) {
  Integer value = 0;
  Select(transaction, sql, parameter, [&](TFIBQuery& query) { value = query.GetFields(0).GetAsLong(); });
  return value;
}

AnsiString Column(TFIBQuery& query, int index) {
  return FastTrim(query.GetFields(index).GetAsString());
}

// The value of a default clause as written ("default 'O''Brien'", "DEFAULT 0"): after its
// keyword; a quoted text without its quotes, doubled quotes inside undone.
AnsiString DefaultOfClause(const AnsiString& clause) {
  const AnsiString trimmed = FastTrim(clause);
  const AnsiString value = FastTrim(trimmed.substr(std::min<std::size_t>(7, trimmed.size())));
  const std::size_t quote = value.find_first_of("\"'");
  if (quote == AnsiString::npos) return value;
  const AnsiString quoted = FastTrim(value.substr(quote));
  const char mark = quoted.front();
  if (quoted.size() < 2 || quoted.back() != mark) return quoted;
  const AnsiString doubled(2, mark);
  return ReplaceString(quoted.substr(1, quoted.size() - 2), doubled, AnsiString(1, mark));
}

std::shared_ptr<TpFIBFieldInfo> FieldOfRow(TFIBQuery& query) {
  auto info = std::make_shared<TpFIBFieldInfo>();
  info->DomainName = Column(query, 1);
  info->IsComputed = !query.GetFields(2).GetIsNull();
  const TFIBXSQLVAR& own = query.GetFields(3);
  const TFIBXSQLVAR& domain = query.GetFields(4);
  const TFIBXSQLVAR* clause = !own.GetIsNull() ? &own : (!domain.GetIsNull() ? &domain : nullptr);
  if (clause != nullptr) {
    info->DefaultValue = DefaultOfClause(clause->GetAsString());
    info->EmptyDefault = info->DefaultValue.empty();
  }
  const Integer type = query.GetFields(5).GetAsLong();
  info->CanCompare = type != kQuadType && type != kBlobType;
  info->CharSetID = query.GetFields(6).GetAsLong();
  return info;
}

AnsiString BareTableName(const AnsiString& name) {
  return FastTrim(ReplaceString(name, "\"", ""));
}

}  // namespace

// ---- TpFIBFieldInfo ---------------------------------------------------------------------

bool TpFIBFieldInfo::IsBoolean() const {
  return UpperCase(DomainName).find("BOOLEAN") != AnsiString::npos;
}

bool TpFIBFieldInfo::IsGUID() const {
  return UpperCase(DomainName).find("GUID") != AnsiString::npos;
}

// ---- TpFIBTableInfo -----------------------------------------------------------------------

std::shared_ptr<const TpFIBFieldInfo> TpFIBTableInfo::FieldInfo(const AnsiString& column) const {
  const auto found = fFields.find(column);
  return found == fFields.end() ? nullptr : found->second;
}

void TpFIBTableInfo::FillInfo(TFIBTransaction& transaction, bool repositoryRows) {
  if (repositoryRows) fFieldsInfoVersion = SelectInteger(transaction, kFieldsInfoVersionSQL, fTableName);
  if (fTableName == kAliasTable) {
    if (repositoryRows) ApplyRepositoryRows(transaction, true);
  } else {
    fFormatVersion = SelectInteger(transaction, kFormatVersionSQL, fTableName);
    FillColumns(transaction);
    if (repositoryRows) ApplyRepositoryRows(transaction, false);
  }
  fWithRepository = repositoryRows;
}

void TpFIBTableInfo::FillColumns(TFIBTransaction& transaction) {
  const auto add = [this](TFIBQuery& query) { fFields[Column(query, 0)] = FieldOfRow(query); };
  Select(transaction, kColumnsSQL, fTableName, add);
  if (fFields.empty()) Select(transaction, kProcedureOutputsSQL, fTableName, add);
}

void TpFIBTableInfo::ApplyRepositoryRows(TFIBTransaction& transaction, bool addMissing) {
  Select(transaction, kRepositoryRowsSQL, fTableName, [&](TFIBQuery& query) {
    const TFIBXSQLVAR* fieldName = query.FindField("FIELD_NAME");
    if (fieldName == nullptr) return;
    const AnsiString name = FastTrim(fieldName->GetAsString());
    auto found = fFields.find(name);
    if (found == fFields.end()) {
      if (!addMissing) return;
      found = fFields.emplace(name, std::make_shared<TpFIBFieldInfo>()).first;
    }
    TpFIBFieldInfo& info = *found->second;
    for (int i = 0; i < query.FieldCount(); ++i) {
      const TFIBXSQLVAR& column = query.GetFields(i);
      const AnsiString columnName = column.Name();
      if (columnName == "TABLE_NAME" || columnName == "FIELD_NAME" || columnName == "FIB$VERSION") continue;
      const AnsiString value = column.GetIsNull() ? AnsiString() : column.GetAsString();
      if (columnName == "DISPLAY_LABEL")
        info.DisplayLabel = value;
      else if (columnName == "DISPLAY_WIDTH")
        info.DisplayWidth = column.GetIsNull() ? 0 : column.GetAsLong();
      else if (columnName == "DISPLAY_FORMAT")
        info.DisplayFormat = value;
      else if (columnName == "EDIT_FORMAT")
        info.EditFormat = value;
      else if (columnName == "VISIBLE")
        info.Visible = !column.GetIsNull() && column.GetAsLong() == 1;
      else if (columnName == "TRIGGERED")
        info.Triggered = !column.GetIsNull() && column.GetAsLong() == 1;
      else
        info.OtherInfo.Add(columnName + "=" + value);
    }
    info.HasRepositoryInfo = true;
  });
}

AnsiString TpFIBTableInfo::PrimaryKeyFields(TFIBDatabase* database) {
  std::lock_guard lock(fKeyLock);
  if (fPrimaryKeyFields != DeferredPrimaryKey || database == nullptr || !database->Connected() ||
      database->DBName() != fDBName)
    return fPrimaryKeyFields;
  TOwnReadTransaction own(*database);
  AnsiString keys;
  Select(own.Transaction(), kPrimaryKeySQL, fTableName,
         [&](TFIBQuery& query) { keys += (keys.empty() ? "" : ";") + Column(query, 0); });
  fPrimaryKeyFields = keys;
  return fPrimaryKeyFields;
}

bool TpFIBTableInfo::IsActual(TFIBDatabase& database) const {
  if (fDBName != database.DBName()) return false;
  const bool repository = fWithRepository && FieldsRepositoryExists(database);
  TOwnReadTransaction own(database);
  if (fTableName != kAliasTable && SelectInteger(own.Transaction(), kFormatVersionSQL, fTableName) != fFormatVersion)
    return false;
  return !repository || SelectInteger(own.Transaction(), kFieldsInfoVersionSQL, fTableName) == fFieldsInfoVersion;
}

// ---- TpFIBTableInfoCollect ----------------------------------------------------------------

TpFIBTableInfoCollect::TTables::iterator TpFIBTableInfoCollect::Find(const AnsiString& tableName,
                                                                     const AnsiString& dbName) {
  auto [first, last] = fTables.equal_range(tableName);
  for (; first != last; ++first)
    if (first->second->DBName() == dbName) return first;
  return fTables.end();
}

void TpFIBTableInfoCollect::Watch(TFIBDatabase& database) {
  database.DestroyHandlers().Add(this, &TpFIBTableInfoCollect::DatabaseDestroying);
}

void TpFIBTableInfoCollect::DatabaseDestroying(TObject* object) {
  const AnsiString dbName = static_cast<TFIBDatabase*>(object)->DBName();
  std::unique_lock lock(fLock);
  std::erase_if(fTables, [&](const auto& entry) { return entry.second->DBName() == dbName; });
}

void TpFIBTableInfoCollect::TakeStamp(TFIBTransaction& own) {
  fStamp = own.TransactionID();
}

std::shared_ptr<TpFIBTableInfo> TpFIBTableInfoCollect::ReadTable(TFIBDatabase& database, const AnsiString& tableName,
                                                                 bool withRepository) {
  auto table = std::make_shared<TpFIBTableInfo>(database.DBName(), tableName);
  const bool repositoryRows = withRepository && FieldsRepositoryExists(database);
  std::lock_guard conversation(ServerConversationLock());
  if (TFIBTransaction* active = database.FirstActiveTransaction()) {
    table->FillInfo(*active, repositoryRows);
  } else {
    TOwnReadTransaction own(database);
    TakeStamp(own.Transaction());
    table->FillInfo(own.Transaction(), repositoryRows);
  }
  return table;
}

std::shared_ptr<TpFIBTableInfo> TpFIBTableInfoCollect::GetTableInfo(TFIBDatabase& database,
                                                                     const AnsiString& tableName, bool withRepository) {
  const AnsiString name = BareTableName(tableName);
  std::unique_lock lock(fLock);
  Watch(database);
  auto found = Find(name, database.DBName());
  if (found != fTables.end()) {
    const TpFIBTableInfo& table = *found->second;
    const bool stale = fValidateOnUse && table.FromCacheFile() && !table.IsActual(database);
    // An entry never changes once handed out: one that lacks the repository rows now
    // wanted is read again whole.
    const bool lacksRepository = withRepository && !table.WithRepository() && FieldsRepositoryExists(database);
    if (!stale && !lacksRepository) return found->second;
    fTables.erase(found);
  }
  auto table = ReadTable(database, name, withRepository);
  fTables.emplace(name, table);
  return table;
}

void TpFIBTableInfoCollect::ValidateCache(TFIBDatabase& database, const TpFIBAcceptCacheSchema& accept) {
  std::unique_lock lock(fLock);
  Watch(database);
  {
    TOwnReadTransaction own(database);
    TakeStamp(own.Transaction());
  }
  if (accept) {
    std::erase_if(fTables, [&](const auto& entry) {
      bool keep = false;
      accept(entry.first, keep);
      return !keep;
    });
  } else if (fTables.size() < kValidateOneByOne) {
    ValidateEach(database);
  } else {
    ValidateAll(database);
  }
}

// Both roads judge only the tables of the database's file; another database's tables
// wait for a validation against it.
void TpFIBTableInfoCollect::ValidateEach(TFIBDatabase& database) {
  std::erase_if(fTables, [&](const auto& entry) {
    return !entry.first.empty() && entry.second->DBName() == database.DBName() && !entry.second->IsActual(database);
  });
}

void TpFIBTableInfoCollect::ValidateAll(TFIBDatabase& database) {
  std::map<AnsiString, Integer> formats;
  std::map<AnsiString, Integer> repositoryVersions;
  {
    TOwnReadTransaction own(database);
    Select(own.Transaction(), kAllVersionsSQL, "",
           [&](TFIBQuery& query) { formats[Column(query, 0)] = query.GetFields(1).GetAsLong(); });
    if (formats.contains("FIB$FIELDS_INFO"))
      Select(own.Transaction(), kAllFieldsInfoVersionsSQL, "", [&](TFIBQuery& query) {
        repositoryVersions[Column(query, 0)] = query.GetFields(1).GetAsLong();
      });
  }
  std::erase_if(fTables, [&](const auto& entry) {
    const TpFIBTableInfo& table = *entry.second;
    if (table.DBName() != database.DBName() || table.TableName() == kAliasTable) return false;
    const auto format = formats.find(table.TableName());
    if (format == formats.end() || format->second != table.FormatVersion()) return true;
    if (!table.WithRepository()) return false;
    const auto version = repositoryVersions.find(table.TableName());
    return (version == repositoryVersions.end() ? 0 : version->second) != table.FieldsInfoVersion();
  });
}

Integer TpFIBTableInfoCollect::Stamp() const {
  std::shared_lock lock(fLock);
  return fStamp;
}

int TpFIBTableInfoCollect::Count() const {
  std::shared_lock lock(fLock);
  return static_cast<int>(fTables.size());
}

void TpFIBTableInfoCollect::Clear() {
  std::unique_lock lock(fLock);
  fTables.clear();
}

std::shared_ptr<const TpFIBFieldInfo> GetFieldInfo(TpFIBTableInfoCollect& collect, TFIBDatabase& database,
                                                   const AnsiString& tableName, bool withRepository,
                                                   const AnsiString& column) {
  return collect.GetTableInfo(database, tableName, withRepository)->FieldInfo(FastTrim(column));
}

// ---- TpDataSetInfoCollect -----------------------------------------------------------------

namespace {

void ReadDataSetRow(TFIBQuery& query, TpDataSetInfo& entry) {
  const auto text = [&](const char* name) {
    const TFIBXSQLVAR* column = query.FindField(name);
    return column == nullptr || column->GetIsNull() ? AnsiString() : column->GetAsString();
  };
  entry.SelectSQL.SetText(text("SELECT_SQL"));
  entry.InsertSQL.SetText(text("INSERT_SQL"));
  entry.UpdateSQL.SetText(text("UPDATE_SQL"));
  entry.DeleteSQL.SetText(text("DELETE_SQL"));
  entry.RefreshSQL.SetText(text("REFRESH_SQL"));
  entry.KeyField = text("KEY_FIELD");
  entry.GeneratorName = text("NAME_GENERATOR");
  entry.Description = text("DESCRIPTION");
  entry.UpdateTableName = text("UPDATE_TABLE_NAME");
  entry.Conditions = text("CONDITIONS");
  entry.UpdateOnlyModifiedFields = text("UPDATE_ONLY_MODIFIED_FIELDS") == "1";
  const AnsiString version = text("FIB$VERSION");
  entry.Version = version.empty() ? 0 : StrToInt(version);
}

void SetDataSetID(TFIBQuery& query, Integer dataSetID) {
  query.Params()[0].SetAsLong(dataSetID);
}

// The text replaces the dataset's when it has one and differs.
}  // namespace

std::shared_ptr<TpDataSetInfo> TpDataSetInfoCollect::Entry(TFIBDatabase& database, Integer dataSetID,
                                                           const AnsiString& dataSetName) {
  const TKey key{IntToStr(dataSetID), database.DBName()};
  auto found = fEntries.find(key);
  if (found != fEntries.end() && found->second->NeedsVersionCheck && fCheckVersions) {
    TOwnReadTransaction own(database);
    Integer version = 0;
    RunStatement(
        own.Transaction(), "SELECT FIB$VERSION FROM FIB$DATASETS_INFO WHERE DS_ID=:DS_ID",
        [&](TFIBQuery& query) { SetDataSetID(query, dataSetID); },
        [&](TFIBQuery& query) { version = query.GetFields(0).GetIsNull() ? 0 : query.GetFields(0).GetAsLong(); });
    // The flag is read only under the collection's lock; holders read the texts alone.
    if (version == found->second->Version) {
      found->second->NeedsVersionCheck = false;
      return found->second;
    }
    fEntries.erase(found);
    found = fEntries.end();
  }
  if (found != fEntries.end()) return found->second;
  if (dataSetID <= 0) throw Exception(dataSetName + ".DataSet_ID should be greater than 0");
  if (!database.UseRepositories().Contains(urDataSetInfo))
    throw Exception("Can't use FIB$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
  if (!DataSetRepositoryExists(database)) throw Exception("Table FIB$DATASETS_INFO does not exist.");
  auto entry = std::make_shared<TpDataSetInfo>();
  entry->DBName = database.DBName();
  TOwnReadTransaction own(database);
  RunStatement(
      own.Transaction(), "SELECT * FROM FIB$DATASETS_INFO WHERE DS_ID=:DS_ID",
      [&](TFIBQuery& query) { SetDataSetID(query, dataSetID); },
      [&](TFIBQuery& query) { ReadDataSetRow(query, *entry); });
  fEntries[key] = entry;
  return entry;
}

void TpDataSetInfoCollect::ApplyToDataSet(IDataSetInfoReceiver& dataSet) {
  TFIBDatabase* database = dataSet.InfoDatabase();
  if (database == nullptr)
    throw Exception("Can't get info for " + IntToStr(dataSet.DataSet_ID()) + "\r\nDatabase is not assigned");
  std::shared_ptr<TpDataSetInfo> entry;
  {
    std::lock_guard lock(fLock);
    entry = Entry(*database, dataSet.DataSet_ID(), dataSet.InfoOwnerName());
  }
  dataSet.TakeDataSetInfo(*entry);
}

int TpDataSetInfoCollect::Count() const {
  std::lock_guard lock(fLock);
  return static_cast<int>(fEntries.size());
}

void TpDataSetInfoCollect::Clear() {
  std::lock_guard lock(fLock);
  fEntries.clear();
}

// ---- TpStoredProcCollect ------------------------------------------------------------------

AnsiString TpStoredProcCollect::GetExecProcText(TFIBDatabase& database, const AnsiString& procedureName,
                                                bool forceRefresh) {
  AnsiString bare = procedureName;
  if (bare.size() >= 2 && (bare.front() == '"' || bare.front() == '\'') && bare.back() == bare.front())
    bare = bare.substr(1, bare.size() - 2);
  const AnsiString key = bare + "||" + database.DBName();
  std::lock_guard lock(fLock);
  auto found = fInputLists.find(key);
  if (found == fInputLists.end() || forceRefresh)
    found = fInputLists.insert_or_assign(key, ProcedureInputList(database, procedureName)).first;
  return ExecProcedureText(procedureName, found->second);
}

void TpStoredProcCollect::Clear() {
  std::lock_guard lock(fLock);
  fInputLists.clear();
}

// ---- TpErrorMessagesCollect ---------------------------------------------------------------

void TpErrorMessagesCollect::AddMessage(const AnsiString& outerKey, const AnsiString& innerKey,
                                        const AnsiString& text, Integer version) {
  std::lock_guard lock(fLock);
  auto& slot = fMessages[outerKey][innerKey];
  if (!slot || version > slot->Version) slot = std::make_shared<TpErrorMessage>(TpErrorMessage{text, version});
}

std::shared_ptr<const TpErrorMessage> TpErrorMessagesCollect::Message(const AnsiString& outerKey,
                                                                      const AnsiString& innerKey) const {
  std::lock_guard lock(fLock);
  const auto outer = fMessages.find(outerKey);
  if (outer == fMessages.end()) return nullptr;
  const auto inner = outer->second.find(innerKey);
  return inner == outer->second.end() ? nullptr : inner->second;
}

Integer TpErrorMessagesCollect::Stamp() const {
  std::lock_guard lock(fLock);
  return fStamp;
}

void TpErrorMessagesCollect::SetStamp(Integer value) {
  std::lock_guard lock(fLock);
  fStamp = value;
}

int TpErrorMessagesCollect::Count() const {
  std::lock_guard lock(fLock);
  int count = 0;
  for (const auto& [key, inner] : fMessages) count += static_cast<int>(inner.size());
  return count;
}

void TpErrorMessagesCollect::Clear() {
  std::lock_guard lock(fLock);
  fMessages.clear();
}

// ---- The process's collections --------------------------------------------------------------

TpFIBTableInfoCollect& FIBTableInfoCollect() {
  static TpFIBTableInfoCollect collect;
  return collect;
}

TpDataSetInfoCollect& FIBDataSetInfoCollect() {
  static TpDataSetInfoCollect collect;
  return collect;
}

TpStoredProcCollect& FIBStoredProcCollect() {
  static TpStoredProcCollect collect;
  return collect;
}

TpErrorMessagesCollect& FIBErrorMessagesCollect() {
  static TpErrorMessagesCollect collect;
  return collect;
}

namespace {

class TMetaCaches : public IFIBMetaCaches {
 public:
  bool LoadFile(TFIBMetaCacheFile file, const AnsiString& fileName, TFIBDatabase* database, bool validate) override {
    switch (file) {
      case TFIBMetaCacheFile::Fields: {
        const bool loaded = FIBTableInfoCollect().LoadFromFile(fileName, database);
        if (loaded && validate && database != nullptr) FIBTableInfoCollect().ValidateCache(*database, {});
        return loaded;
      }
      case TFIBMetaCacheFile::DataSets:
        return FIBDataSetInfoCollect().LoadFromFile(fileName);
      case TFIBMetaCacheFile::ErrorMessages:
        return FIBErrorMessagesCollect().LoadFromFile(fileName);
    }
    return false;
  }
  void SaveFile(TFIBMetaCacheFile file, const AnsiString& fileName) noexcept override {
    switch (file) {
      case TFIBMetaCacheFile::Fields:
        return FIBTableInfoCollect().SaveToFile(fileName);
      case TFIBMetaCacheFile::DataSets:
        return FIBDataSetInfoCollect().SaveToFile(fileName);
      case TFIBMetaCacheFile::ErrorMessages:
        return FIBErrorMessagesCollect().SaveToFile(fileName);
    }
  }
  void ValidateTables(TFIBDatabase& database, const TpFIBAcceptCacheSchema& accept) override {
    FIBTableInfoCollect().ValidateCache(database, accept);
  }
  AnsiString ExecProcText(TFIBDatabase& database, const AnsiString& procedureName, bool forceRefresh) override {
    return FIBStoredProcCollect().GetExecProcText(database, procedureName, forceRefresh);
  }
};

}  // namespace

void RegisterFIBMetaCaches() {
  static TMetaCaches caches;
  SetFIBMetaCaches(&caches);
}

}  // namespace ordvane

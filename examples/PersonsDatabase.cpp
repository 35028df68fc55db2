#include "examples/PersonsDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "classlib/core/CodePages.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/FIBStrUtils.h"
#include "dbclient/fib.h"
#include "examples/DemoOptions.h"

namespace ordvane::demo {

namespace {

namespace fs = std::filesystem;

// The key comes from the generator; DOC_NO, the document's series and number, is what an
// import specification looks persons up by, so it is indexed but not unique: a list
// appended twice holds every person twice.
constexpr const char* kCreateTable =
    "CREATE TABLE PERSONS (\n"
    "  ID INTEGER NOT NULL PRIMARY KEY,\n"
    "  SURNAME VARCHAR(60) NOT NULL,\n"
    "  FIRST_NAME VARCHAR(40),\n"
    "  PATRONYMIC VARCHAR(40),\n"
    "  BORN DATE,\n"
    "  DOC_NO VARCHAR(20),\n"
    "  AMOUNT NUMERIC(12, 2))";
constexpr const char* kCreateIndex = "CREATE INDEX PERSONS_DOC_NO ON PERSONS (DOC_NO)";
constexpr const char* kCreateGenerator = "CREATE SEQUENCE GEN_PERSONS_ID";

AnsiString Environment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return Utf8ToAnsi(value != nullptr && *value != '\0' ? value : fallback);
}

AnsiString SqlString(const AnsiString& text) {
  return "'" + ReplaceString(text, "'", "''") + "'";
}

void UseConnectionLines(TFIBDatabase& database, const AnsiString& user, const AnsiString& password) {
  database.DBParams().Clear();
  database.ConnectParams().SetUserName(user);
  database.ConnectParams().SetPassword(password);
  database.ConnectParams().SetCharSet("UTF8");
}

// Creates the database (the server or the engine makes the file) and leaves it attached.
void CreatePersonsDatabase(TFIBDatabase& database, const AnsiString& user, const AnsiString& password) {
  TStrings& clauses = database.DBParams();
  clauses.Clear();
  clauses.Add("USER " + SqlString(user));
  if (!password.empty()) clauses.Add("PASSWORD " + SqlString(password));
  clauses.Add("PAGE_SIZE 8192");
  clauses.Add("DEFAULT CHARACTER SET UTF8");
  database.CreateDatabase();
  // Attached by the clauses; the next connect reads connection lines again.
  database.Close();
  UseConnectionLines(database, user, password);
  database.Connect();
}

void MakeFolderOf(const std::string& path) {
  std::error_code error;
  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty()) fs::create_directories(folder, error);
  if (error)
    throw EDemoDatabase("Cannot make the folder " + Utf8ToAnsi(folder.string()) + ": " + error.message());
}

// A server answers an I/O error for a file that is not there, as for one it may not open.
bool MayBeMissing(const EFIBError& failure) {
  return failure.IBErrorCode() == isc_io_error;
}

bool Exists(TFIBDatabase& database, const AnsiString& select, const AnsiString& name) {
  return !VarIsNull(database.QueryValue(select, {Variant(name)}));
}

void Execute(TFIBDatabase& database, TFIBTransaction& transaction, const AnsiString& sql) {
  TFIBQuery query(nullptr);
  query.SetDatabase(&database);
  query.SetTransaction(&transaction);
  query.SQL().SetText(sql);
  query.ExecQuery();
}

// Returns whether the table had to be made.
bool MakeMissingObjects(TFIBDatabase& database) {
  const bool tableMissing =
      !Exists(database, "select 1 from RDB$RELATIONS where RDB$RELATION_NAME = :NAME", kPersonsTable);
  const bool generatorMissing =
      !Exists(database, "select 1 from RDB$GENERATORS where RDB$GENERATOR_NAME = :NAME", kPersonsGenerator);
  if (!tableMissing && !generatorMissing) return false;
  TFIBTransaction transaction(nullptr);
  transaction.SetDefaultDatabase(&database);
  transaction.StartTransaction();
  // Table, index and generator come together or not at all.
  try {
    if (tableMissing) {
      Execute(database, transaction, kCreateTable);
      Execute(database, transaction, kCreateIndex);
    }
    if (generatorMissing) Execute(database, transaction, kCreateGenerator);
    transaction.Commit();
  } catch (...) {
    if (transaction.Active()) transaction.Rollback();
    throw;
  }
  return tableMissing;
}

void CheckPersonsColumns(TFIBDatabase& database) {
  AnsiString missing;
  for (const char* column : kPersonsColumns)
    if (!Exists(database,
                "select 1 from RDB$RELATION_FIELDS where RDB$RELATION_NAME = '" + AnsiString(kPersonsTable) +
                    "' and RDB$FIELD_NAME = :NAME",
                column))
      missing += (missing.empty() ? "" : ", ") + AnsiString(column);
  if (missing.empty()) return;
  throw EDemoDatabase("The table " + AnsiString(kPersonsTable) + " of " + database.DBName() +
                      " is of another layout: it lacks " + missing + ". The example needs the columns " +
                      PersonsColumnList() + "; give it another database with --database.");
}

// A read-only database would refuse every row of the run, one error each: it is refused
// once, before the run.
void CheckNotReadOnly(TFIBDatabase& database) {
  if (database.QueryValue("select MON$READ_ONLY from MON$DATABASE").AsInteger() == 0) return;
  throw EDemoDatabase("The database " + database.DBName() +
                      " is read-only and cannot take the rows; make it writable (gfix -mode read_write) or "
                      "give the example another database with --database.");
}

// A server's database that cannot be opened for an I/O error is made there: an existing
// file the server refuses to create over, which fails the creation instead.
void ConnectOrCreateOnServer(TFIBDatabase& database, bool onServer, const AnsiString& user,
                             const AnsiString& password, TPersonsDatabaseState& state) {
  try {
    database.Connect();
  } catch (const EFIBError& failure) {
    if (!onServer || !MayBeMissing(failure)) throw;
    state.CreatedDatabase = true;
    CreatePersonsDatabase(database, user, password);
  }
}

}  // namespace

AnsiString PersonsColumnList() {
  AnsiString list;
  for (const char* column : kPersonsColumns) list += (list.empty() ? "" : ", ") + AnsiString(column);
  return list;
}

TPersonsDatabaseState OpenPersonsDatabase(TFIBDatabase& database, const std::string& name) {
  const AnsiString user = Environment("ISC_USER", "SYSDBA");
  const AnsiString password = Environment("ISC_PASSWORD", "");
  TPersonsDatabaseState state;
  database.SetUseLoginPrompt(false);
  database.SetSQLDialect(3);
  database.SetDBName(AnsiName(name));
  const bool onServer = IsServerDatabase(name);
  std::error_code error;
  state.CreatedDatabase = !onServer && !fs::exists(name, error) && !error;
  try {
    if (state.CreatedDatabase) {
      MakeFolderOf(name);
      CreatePersonsDatabase(database, user, password);
    } else {
      UseConnectionLines(database, user, password);
      ConnectOrCreateOnServer(database, onServer, user, password, state);
    }
  } catch (const EFIBError& failure) {
    AnsiString message = "The database " + database.DBName() + " cannot be " +
                         (state.CreatedDatabase ? "created" : "opened") + ": " + failure.Message();
    if (state.CreatedDatabase && onServer)
      message += "\r\nThe server makes it as ISC_USER (with ISC_PASSWORD) in a folder it may write to.";
    throw EDemoDatabase(message);
  }
  CheckNotReadOnly(database);
  try {
    state.CreatedTable = MakeMissingObjects(database);
    if (!state.CreatedTable) CheckPersonsColumns(database);
  } catch (const EFIBError& failure) {
    throw EDemoDatabase("The table " + AnsiString(kPersonsTable) + " cannot be made in " + database.DBName() +
                        ": " + failure.Message());
  }
  return state;
}

}  // namespace ordvane::demo

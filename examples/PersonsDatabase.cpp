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

// Creates the file with its folder and leaves the database attached.
void CreateLocalDatabase(TFIBDatabase& database, const std::string& path, const AnsiString& user,
                         const AnsiString& password) {
  std::error_code error;
  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty()) fs::create_directories(folder, error);
  if (error)
    throw EDemoDatabase("Cannot make the folder " + Utf8ToAnsi(folder.string()) + ": " + error.message());
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

}  // namespace

TPersonsDatabaseState OpenPersonsDatabase(TFIBDatabase& database, const std::string& name) {
  const AnsiString user = Environment("ISC_USER", "SYSDBA");
  const AnsiString password = Environment("ISC_PASSWORD", "");
  TPersonsDatabaseState state;
  database.SetUseLoginPrompt(false);
  database.SetSQLDialect(3);
  database.SetDBName(AnsiName(name));
  std::error_code error;
  state.CreatedDatabase = !IsServerDatabase(name) && !fs::exists(name, error) && !error;
  try {
    if (state.CreatedDatabase) {
      CreateLocalDatabase(database, name, user, password);
    } else {
      UseConnectionLines(database, user, password);
      database.Connect();
    }
  } catch (const EFIBError& failure) {
    throw EDemoDatabase("The database " + database.DBName() + " cannot be " +
                        (state.CreatedDatabase ? "created" : "opened") + ": " + failure.Message());
  }
  try {
    state.CreatedTable = MakeMissingObjects(database);
  } catch (const EFIBError& failure) {
    throw EDemoDatabase("The table " + AnsiString(kPersonsTable) + " cannot be made in " + database.DBName() +
                        ": " + failure.Message());
  }
  return state;
}

}  // namespace ordvane::demo

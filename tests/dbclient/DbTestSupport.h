#pragma once
// What the database tests of the client share: isql-fb as the oracle that reads a
// database from a second attachment, direct client calls on a component's handles, and
// the fixture of a connected statement.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {

// The values of one row that isql-fb prints for a select in list mode, joined by "|";
// several rows are joined by ";". The database is given by what a client attaches to.
inline std::string IsqlRowsAt(const std::string& connect, const std::string& select) {
  std::istringstream out(IsqlAt(connect, "set list on;\n" + select + ";\n"));
  std::string rows, row;
  for (std::string line; std::getline(out, line);) {
    if (line.empty()) {
      if (!row.empty()) rows += (rows.empty() ? "" : ";") + row;
      row.clear();
      continue;
    }
    std::istringstream fields(line);
    std::string column, value;
    fields >> column;
    std::getline(fields >> std::ws, value);
    row += (row.empty() ? "" : "|") + value;
  }
  if (!row.empty()) rows += (rows.empty() ? "" : ";") + row;
  return rows;
}

inline std::string IsqlRows(const TestDatabase& db, const std::string& select) {
  return IsqlRowsAt(db.ConnectString(), select);
}

// Points a database component at a test database.
inline void Configure(TFIBDatabase& database, const TestDatabase& db, const std::string& charset = "WIN1251") {
  database.SetDBName(db.ConnectString());
  database.ConnectParams().SetUserName(db.User());
  database.ConnectParams().SetPassword(db.Password());
  database.ConnectParams().SetCharSet(charset);
  database.SetSQLDialect(db.Dialect());
}

// Connects the database, starts the transaction on it and gives the statement both.
inline void ConnectStatement(TFIBDatabase& database, TFIBTransaction& transaction, TFIBQuery& query) {
  transaction.SetDefaultDatabase(&database);
  query.SetDatabase(&database);
  query.SetTransaction(&transaction);
  database.SetConnected(true);
  transaction.StartTransaction();
}

// Runs a statement without results in the transaction.
inline void Execute(TFIBDatabase& database, TFIBTransaction& transaction, const std::string& sql) {
  IIBClientLibrary& library = database.ClientLibrary();
  if (library.isc_dsql_execute_immediate(StatusVector(), database.DBHandle(), transaction.TRHandle(),
                                         static_cast<unsigned short>(sql.size()), sql.c_str(),
                                         static_cast<unsigned short>(database.SQLDialect()), nullptr) != 0)
    IBError(library, &database);
}

// CURRENT_TRANSACTION as the server sees it inside the transaction.
inline Int64 CurrentTransaction(TFIBDatabase& database, TFIBTransaction& transaction) {
  IIBClientLibrary& library = database.ClientLibrary();
  alignas(XSQLDA) char storage[XSQLDA_LENGTH(1)] = {};
  auto* out = reinterpret_cast<XSQLDA*>(storage);
  out->version = SQLDA_VERSION1;
  out->sqln = out->sqld = 1;
  ISC_INT64 value = 0;
  short indicator = 0;
  out->sqlvar[0].sqltype = SQL_INT64 + 1;
  out->sqlvar[0].sqllen = sizeof value;
  out->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
  out->sqlvar[0].sqlind = &indicator;
  const std::string sql = "select cast(current_transaction as bigint) from rdb$database";
  if (library.isc_dsql_exec_immed2(StatusVector(), database.DBHandle(), transaction.TRHandle(),
                                   static_cast<unsigned short>(sql.size()), sql.c_str(), 3, nullptr, out) != 0)
    IBError(library, &database);
  return value;
}

inline Int64 AttachmentId(TFIBDatabase& database) {
  return database.GetDBInfoValue(isc_info_attachment_id);
}

// Deletes the database component's attachment through MON$ATTACHMENTS from a second
// attachment (isql-fb), as a server restart or a lost network ends it; answers its id.
inline Int64 KillAttachment(const TestDatabase& db, TFIBDatabase& database) {
  const Int64 attachment = AttachmentId(database);
  db.Isql("delete from mon$attachments where mon$attachment_id = " + std::to_string(attachment) + ";\ncommit;\n");
  return attachment;
}

// A form holding a database, a transaction and a statement over a fresh test database,
// as a program's data module holds them. The fixture names and tunes them, then calls
// Connect.
template <class Base = testing::Test>
class StatementTest : public Base {
 protected:
  StatementTest(const std::string& schemaFile, int dialect) : fDb(schemaFile, {dialect, "WIN1251"}) {
    fForm.SetName("Form");
  }

  void Connect(const std::string& charset = "WIN1251") {
    Configure(*fDatabase, fDb, charset);
    ConnectStatement(*fDatabase, *fTransaction, *fQuery);
  }
  TFIBQuery& Query(const std::string& sql) {
    fQuery->SQL().SetText(sql);
    return *fQuery;
  }
  std::string Oracle(const std::string& select) { return IsqlRows(fDb, select); }

  TestDatabase fDb;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

}  // namespace ordvane::test

#pragma once
// The example's database: attached by name (a local file is made first when it is
// missing), with the PERSONS table and the generator of its keys made when missing.

#include <string>

#include "dbclient/FIBDatabase.h"

namespace ordvane::demo {

// The database could not be attached or made ready; the message says which and why.
ORDVANE_DECLARE_EXCEPTION(EDemoDatabase, Exception);

constexpr const char* kPersonsTable = "PERSONS";
constexpr const char* kPersonsGenerator = "GEN_PERSONS_ID";
// The columns the example reads and writes, in the grid's order.
constexpr const char* kPersonsColumns[] = {"ID", "SURNAME", "FIRST_NAME", "PATRONYMIC", "BORN", "DOC_NO", "AMOUNT"};
// kPersonsColumns joined by ", ".
AnsiString PersonsColumnList();

// What OpenPersonsDatabase did.
struct TPersonsDatabaseState {
  bool CreatedDatabase = false;
  bool CreatedTable = false;
};

// Attaches `database` to `name` (UTF-8) as ISC_USER (default SYSDBA) with ISC_PASSWORD,
// in UTF8, and makes what is missing. A local file that is missing is created with its
// folder; one that is there but cannot be attached (locked by another program, no
// database) is left as it is; so is a server's database that cannot be made. A PERSONS
// table without the columns the example needs is refused, naming them.
TPersonsDatabaseState OpenPersonsDatabase(TFIBDatabase& database, const std::string& name);

}  // namespace ordvane::demo

// A program as its author may write it: a database and a transaction that nobody owns,
// the transaction to commit when it times out, one row inserted, and a return from main
// with both left open. Arguments: the connect string, the user and the password.

#include <string_view>
#include <thread>

#include "dbclient/FIBDatabase.h"
#include "dbclient/FIBQuery.h"

// The components are left to the program's end on purpose: the address sanitizer's hook
// (its name is the sanitizer's) keeps it from reporting them as leaks.
extern "C" const char* __asan_default_options();  // NOLINT(bugprone-reserved-identifier)
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }  // NOLINT(bugprone-reserved-identifier)

namespace {

void LeaveARowInAnOpenTransaction(char** argv) {
  using namespace ordvane;
  auto* database = new TFIBDatabase(nullptr);
  database->SetDBName(argv[1]);
  database->ConnectParams().SetUserName(argv[2]);
  database->ConnectParams().SetPassword(argv[3]);
  database->SetSQLDialect(1);
  auto* transaction = new TFIBTransaction(nullptr);
  transaction->SetDefaultDatabase(database);
  transaction->SetTimeoutAction(TACommit);
  auto* query = new TFIBQuery(nullptr);
  query->SetDatabase(database);
  query->SetTransaction(transaction);
  database->SetConnected(true);
  transaction->StartTransaction();
  query->SQL().SetText("insert into t (id, name) values (100, 'left open')");
  query->ExecQuery();
}

}  // namespace

// A fourth argument "thread": the components are made, and left, on a thread that has
// ended when main returns.
int main(int argc, char** argv) {
  const bool onAThread = argc == 5 && std::string_view(argv[4]) == "thread";
  if (argc != 4 && !onAThread) return 2;
  if (onAThread)
    std::thread([argv] { LeaveARowInAnOpenTransaction(argv); }).join();
  else
    LeaveARowInAnOpenTransaction(argv);
  return 0;
}

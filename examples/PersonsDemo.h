#pragma once
// The example from end to end: the workbook into the database, then the table in the
// grid, on the desktop when a display is there and as a picture otherwise.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "dbclient/FIBDatabase.h"
#include "examples/DemoOptions.h"
#include "examples/PersonsDatabase.h"
#include "examples/PersonsForm.h"
#include "examples/PersonsImport.h"
#include "examples/PersonsTable.h"

namespace ordvane::demo {

// The program's exit status.
enum TDemoExit {
  deSuccess = 0,
  // Rows failed or the run was cancelled; the rows imported are kept and shown.
  deRowsFailed = 1,
  // The run failed: a bad command line, a file that cannot be read, a database that
  // cannot be opened, a workbook that does not load, a picture that cannot be written.
  deFailed = 2,
};

// The steps of a run, each on the state the one before left.
class TPersonsDemo {
 public:
  explicit TPersonsDemo(TDemoOptions options);
  TPersonsDemo(const TPersonsDemo&) = delete;
  TPersonsDemo& operator=(const TPersonsDemo&) = delete;

  // Makes sure the workbook and the specification can be read before anything is made,
  // attaches the database (making what is missing), opens the table and makes the form,
  // the program's main form, still hidden.
  TPersonsDatabaseState Open();
  // The workbook into the table, with the dialogs given (nullptr: the installed ones);
  // afterwards the table is read again.
  TPersonsImportOutcome Import(std::shared_ptr<ISMIImportDialogs> dialogs);

  TfrmPersons& Form() const { return *fForm; }
  TPersonsTable& Table() const { return *fTable; }
  const TDemoOptions& Options() const { return fOptions; }
  // The rows of the import that the database keeps; another thread may read it meanwhile.
  const TStoredRows& Stored() const { return fStored; }

 private:
  TDemoOptions fOptions;
  TStoredRows fStored;
  // Owns the database, the transactions and the dataset; the members below go first.
  TComponent fOwner{nullptr};
  TFIBDatabase* fDatabase;
  std::unique_ptr<TPersonsTable> fTable;
  // Goes before the dataset it shows.
  std::unique_ptr<TfrmPersons> fForm;
};

// On the desktop, before the grid: how many rows failed and the first reasons, in a
// message box; nothing when every row went in.
void ShowFailedRows(const TPersonsImportOutcome& outcome);

// Whether the windows show on a desktop (the display is opened first when there is one).
bool DesktopShown();

// The whole run for the command line's arguments: the report goes to `out`, progress and
// errors to `err`. On the desktop it returns when the form is closed. Ctrl+C or kill ends
// the process by the signal, after "Interrupted: <n> rows stored." on `err`; it does not
// return then.
TDemoExit RunPersonsDemo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace ordvane::demo

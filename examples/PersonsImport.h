#pragma once
// The workbook's persons into the PERSONS table through the workbook import: by column
// letters, every row appended, or as a saved import-settings file (--specification) says.

#include <memory>
#include <mutex>
#include <vector>

#include "import/SMIDialogs.h"
#include "import/SMITypes.h"

namespace ordvane {
class TFIBTransaction;
}

namespace ordvane::demo {

class TPersonsTable;

// The sheet's first row of persons, below the title row.
constexpr Integer kPersonsFirstRow = 2;

// The rows of a run that the database keeps, read by another thread while the import
// runs: a commit and the count it leaves are one step to the reader, who therefore never
// sees rows counted that a commit in progress may still lose, nor misses committed ones.
class TStoredRows {
 public:
  // Commits the transaction that holds the rows written since the last commit; `written`
  // is every row written so far.
  void Commit(TFIBTransaction& transaction, Integer written);
  Integer Count() const;

 private:
  mutable std::mutex fLock;
  Integer fCount = 0;
};

struct TPersonsImportOutcome {
  TSMIResult Result = irUnknown;
  Integer Processed = 0;
  Integer Added = 0;
  Integer Updated = 0;
  Integer Skipped = 0;
  Integer Errors = 0;
  // One line per row that failed, beginning with the row's number in the sheet.
  std::vector<AnsiString> RowErrors;

  Integer Imported() const { return Added + Updated; }
};

struct TPersonsImportSettings {
  AnsiString Workbook;
  // An import specification file; empty for the columns by letter, every row appended.
  AnsiString Specification;
  // The progress dialog and messages; nullptr for the ones the program installed.
  std::shared_ptr<ISMIImportDialogs> Dialogs;
};

// Runs the import into the open table. Rows that fail are counted and listed, the others
// are kept (committed every CommitCount rows and at the end, each commit counted in
// `stored`). A run that cannot start (a specification that does not read or names a key
// without a mapping) raises; one that fails (the workbook does not load) answers
// irFailed, its reason shown by the dialogs.
TPersonsImportOutcome ImportPersons(const TPersonsImportSettings& settings, TPersonsTable& table,
                                    TStoredRows& stored);

}  // namespace ordvane::demo

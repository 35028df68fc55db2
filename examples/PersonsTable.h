#pragma once
// The dataset over the PERSONS table that the import writes to and the grid shows. It
// reads in one transaction and writes in another, which the import commits every
// CommitCount rows; an edit made elsewhere is committed as it is posted, its row read back
// in the write transaction. A new record
// takes its key from the generator as it is posted, and its modifying statements are made
// from the table at the open. Text sorts in Ukrainian alphabetical order.

#include "datasets/pFIBDataSet.h"

namespace ordvane::demo {

class TPersonsTable {
 public:
  // The components are owned by `owner`; the database must stay attached meanwhile.
  TPersonsTable(TComponent* owner, TFIBDatabase& database);

  TpFIBDataSet& DataSet() const { return *fDataSet; }
  TFIBTransaction& WriteTransaction() const { return *fWrite; }

  void Open();
  // Reads the table again in a new read transaction, every record fetched: what the
  // database holds now, the rows other programs committed included.
  void Reopen();

 private:
  TFIBTransaction* fRead;
  TFIBTransaction* fWrite;
  TpFIBDataSet* fDataSet;
};

}  // namespace ordvane::demo

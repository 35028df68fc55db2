#include "dbclient/pFIBDatabase.h"

namespace ordvane {

TpFIBTransaction::~TpFIBTransaction() {
  // Ended here, while BeforeEnd and AfterEnd can still be called.
  Destroying();
  EndOnDestroy();
}

void TpFIBTransaction::StartTransaction() {
  if (Active()) return;
  if (fTPBMode != tpbDefault) {
    TStrings& params = TRParams();
    params.BeginUpdate();
    params.Clear();
    params.Add("write");
    params.Add("isc_tpb_nowait");
    if (fTPBMode == tpbReadCommitted) {
      params.Add("read_committed");
      params.Add("rec_version");
    } else {
      params.Add("concurrency");
    }
    params.EndUpdate();
  }
  if (BeforeStart) BeforeStart(this);
  TFIBTransaction::StartTransaction();
  if (AfterStart) AfterStart(this);
}

void TpFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  if (BeforeEnd) BeforeEnd(this, action, force);
  TFIBTransaction::EndTransaction(action, force);
  if (AfterEnd) AfterEnd(this, action, force);
}

}  // namespace ordvane

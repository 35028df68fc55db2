#pragma once
// The transaction component the application uses: the transaction with a parameter mode
// that writes its parameter lines, and events around its starts and ends.

#include "dbclient/FIBDatabase.h"

namespace ordvane {

enum TTPBMode { tpbDefault = 0, tpbReadCommitted = 1, tpbRepeatableRead = 2 };

class TpFIBTransaction : public TFIBTransaction {
  ORDVANE_CLASS(TpFIBTransaction, TFIBTransaction)

 public:
  explicit TpFIBTransaction(TComponent* owner) : TFIBTransaction(owner) {}
  ~TpFIBTransaction() override;

  // Does nothing on an active transaction. Unless TPBMode is tpbDefault, the parameter
  // lines become "write", "isc_tpb_nowait" and then "read_committed", "rec_version"
  // (tpbReadCommitted) or "concurrency" (tpbRepeatableRead). BeforeStart and AfterStart
  // surround the start.
  void StartTransaction() override;
  // BeforeEnd and AfterEnd surround the end.
  void EndTransaction(TTransactionAction action, bool force) override;

  TTPBMode TPBMode() const { return fTPBMode; }
  void SetTPBMode(TTPBMode value) { fTPBMode = value; }
  // A named kind of transaction; only remembered.
  const AnsiString& UserKindTransaction() const { return fUserKindTransaction; }
  void SetUserKindTransaction(const AnsiString& value) { fUserKindTransaction = value; }

  TNotifyEvent BeforeStart;
  TNotifyEvent AfterStart;
  TEndTrEvent BeforeEnd;
  TEndTrEvent AfterEnd;

 private:
  TTPBMode fTPBMode = tpbReadCommitted;
  AnsiString fUserKindTransaction = "NoUserKind";
};

}  // namespace ordvane

#pragma once
// TpFIBDataSet: the dataset the application uses. It adds to TFIBDataSet the automatic
// modification SQL, the generator, the update objects and the client filter, which later
// units of this module fill in, and the settings stored for it in the repository.

#include "datasets/FIBDataSet.h"
#include "datasets/FIBMetaCache.h"

namespace ordvane {

class TpFIBDataSet : public TFIBDataSet, public IDataSetInfoReceiver {
  ORDVANE_CLASS(TpFIBDataSet, TFIBDataSet)

 public:
  explicit TpFIBDataSet(TComponent* owner);

  // The dataset's row in the repository table FIB$DATASETS_INFO; 0: none. A new value
  // leaves the dataset unprepared and, when not 0, adds psApplyRepositary.
  Integer DataSet_ID() const override { return fDataSetID; }
  void SetDataSet_ID(Integer value);
  // Free text; the repository row sets it.
  const AnsiString& Description() const { return fDescription; }
  void SetDescription(const AnsiString& value) { fDescription = value; }

  // With a DataSet_ID, first takes the texts and settings stored for it.
  void Prepare() override;

  // ---- IDataSetInfoReceiver
  TFIBDatabase* InfoDatabase() const override { return Database(); }
  AnsiString InfoOwnerName() const override;
  // The stored select text unless the conditions were applied to that same text; the
  // other texts when stored; the update settings, the conditions and the description.
  void TakeDataSetInfo(const TpDataSetInfo& info) override;

 protected:
  // Runs the insert or update statement (unless its first line is "No Action") with the
  // record's values; a statement that returns a row (INSERT ... RETURNING) refreshes the
  // record from it. The record is then unmodified in the cache and, with
  // poRefreshAfterPost, read again through the refresh statement.
  void PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) override;
  // Nothing for a delete statement "No Action"; controls stay quiet meanwhile.
  void InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) override;

 private:
  Integer fDataSetID = 0;
  AnsiString fDescription;
};

}  // namespace ordvane

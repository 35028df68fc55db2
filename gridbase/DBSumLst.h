#pragma once
// Footer aggregates of a dataset (sum, average, count) kept current without rescanning
// the dataset on every change: the producer chains itself into the dataset's events and
// adjusts each aggregate by what the changed record counted before and counts now. The
// same producer can number the records of a dataset that cannot number them itself, by
// a list of the records' bookmarks in dataset order ("virtual records").
//
// Amounts are Currency: a field value enters as AsFloat x 10000 rounded to the nearest
// integer, ties to even; one counted record is 1.0.

#include <memory>
#include <optional>
#include <vector>

#include "classlib/core/Collections.h"
#include "classlib/core/Components.h"
#include "classlib/core/Currency.h"
#include "classlib/core/Events.h"
#include "classlib/db/DB.h"

namespace ordvane {

enum TGroupOperation { goSum, goAvg, goCount };

class TDBSumListProducer;

// What one record adds to an aggregate: its scaled amount, and whether it counts (a
// value that is not Null; for goCount, a record that counts at all).
struct TDBSumShare {
  Currency amount;
  bool counted = false;
};

// The scaled amount of a field value: value x 10000 to the nearest integer, ties to
// even. EInvalidOp when it is not finite or does not fit a Currency.
Currency DBSumScaledValue(double value);

class TDBSum : public TCollectionItem {
  ORDVANE_CLASS(TDBSum, TCollectionItem)

 public:
  explicit TDBSum(TCollection* collection);

  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value);
  TGroupOperation GroupOperation() const { return fGroupOperation; }
  void SetGroupOperation(TGroupOperation value);
  Currency SumValue() const { return fSumValue; }

  // Copies the field name, the operation, the old contribution and the value.
  void Assign(const TPersistent* source) override;

 private:
  friend class TDBSumListProducer;

  // Whether the item aggregates anything: a count does, a sum or average needs a field.
  bool Aggregates() const { return fGroupOperation == goCount || !fFieldName.empty(); }
  // What the current record adds, read from the field (nullptr: a count without a field).
  TDBSumShare ShareOf(TField* field) const;
  // A record of the full walk: averages wait for UpdateAverage at its end.
  void Add(const TDBSumShare& share);
  // Takes `removed` out and puts `added` in; all or nothing when a result overflows.
  void Replace(const TDBSumShare& removed, const TDBSumShare& added);
  void UpdateAverage();
  // 0 for no values, never a division.
  static Currency AverageOf(Currency runningSum, Integer count);
  void Clear();

  friend class TDBSumRef;

  AnsiString fFieldName;
  TGroupOperation fGroupOperation = goSum;
  // Expires with the item, for the references that do not own it.
  std::shared_ptr<const char> fLife = std::make_shared<const char>();
  // What the current record counted when its edit or insert began.
  TDBSumShare fOld;
  // Of the non-Null values, for an average.
  Integer fCount = 0;
  Currency fRunningSum;
  Currency fSumValue;
};

// A sum item held by someone who does not own it (a grid's footer): reads nullptr once
// the item is freed, which any clear or assign of its collection does.
class TDBSumRef {
 public:
  TDBSumRef() = default;
  explicit TDBSumRef(TDBSum* item) : fItem(item), fLife(item->fLife) {}

  TDBSum* Get() const { return fLife.expired() ? nullptr : fItem; }

 private:
  TDBSum* fItem = nullptr;
  std::weak_ptr<const char> fLife;
};

class TDBSumCollection : public TCollection {
  ORDVANE_CLASS(TDBSumCollection, TCollection)

 public:
  explicit TDBSumCollection(TDBSumListProducer* owner);

  TDBSum* Items(int index) const { return static_cast<TDBSum*>(TCollection::Items(index)); }
  TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
  // The first item of that operation over that field (names compared as field names
  // are); nullptr when there is none.
  TDBSum* SumByOpAndFName(TGroupOperation operation, const AnsiString& fieldName) const;

 protected:
  // A changed item recalculates everything, unless the producer's owner is loading or
  // being destroyed.
  void Update(TCollectionItem* item) override;

 private:
  TDBSumListProducer* fProducer;
};

class TDBSumListProducer : public TPersistent {
  ORDVANE_CLASS(TDBSumListProducer, TPersistent)

 public:
  // Created active but unhooked: hooking waits for a dataset.
  explicit TDBSumListProducer(TComponent* owner);
  // Stops listening to the dataset (and the master).
  ~TDBSumListProducer() override;

  TComponent* Owner() const { return fOwner; }
  TPersistent* GetOwner() const override { return fOwner; }

  // Copies the aggregates and the settings of another producer, then its Active.
  void Assign(const TPersistent* source) override;

  bool Active() const { return fActive; }
  void SetActive(bool value);
  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* value);
  bool ExternalRecalc() const { return fExternalRecalc; }
  void SetExternalRecalc(bool value);
  bool VirtualRecords() const { return fVirtualRecords; }
  void SetVirtualRecords(bool value);
  TDBSumCollection& SumCollection() { return *fSumCollection; }
  const TDBSumCollection& SumCollection() const { return *fSumCollection; }
  // The dataset of the dataset's master source while hooked; nullptr otherwise.
  TDataSet* MasterDataSet() const { return fMaster; }
  bool Hooked() const { return fHooked; }

  // The record numbering the grid asks for instead of the dataset's: the dataset's own,
  // or the bookmark list's for virtual records.
  virtual Integer GetRecNo();
  // The index of the bookmark in the list, -1 when it is not there.
  virtual int FindBookmarkIndex(const TBookmark& bookmark);
  // Goes to the n-th record (1-based); a number outside the records does nothing.
  virtual void SetRecNo(Integer value);

  // What the producer does on the dataset's events. It listens beside the dataset's own
  // handlers, never in their place: AfterScroll, BeforeDelete and AfterCancel after the
  // program's handler, the others before it (so that handler sees the new values).
  virtual void DataSetAfterCancel(TDataSet* dataSet);
  virtual void DataSetAfterClose(TDataSet* dataSet);
  virtual void DataSetAfterEdit(TDataSet* dataSet);
  virtual void DataSetAfterInsert(TDataSet* dataSet);
  virtual void DataSetAfterOpen(TDataSet* dataSet);
  virtual void DataSetAfterPost(TDataSet* dataSet);
  virtual void DataSetAfterScroll(TDataSet* dataSet);
  virtual void DataSetBeforeDelete(TDataSet* dataSet);
  virtual void DataSetAfterDelete(TDataSet* dataSet);

  // Stops listening; forgets the master and the bookmarks.
  virtual void UnhookDataSetEvents();
  virtual bool IsSequenced();
  virtual Integer GetRecordCount();
  // Every value, old contribution, running sum and count to 0; fires SumListChanged.
  virtual void ClearSumValues();
  // Everything from scratch: walks the dataset unless nothing needs it.
  virtual void RecalculateAll();
  // Listens to the dataset's events and the master's AfterScroll.
  virtual void HookDataSetEvents();

  TNotifyEvent OnRecalcAll;
  TNotifyEvent OnAfterRecalcAll;
  TNotifyEvent SumListChanged;

 private:
  // Listens to the dataset and the master for the producer, and tells it when either
  // dies: the producer is no component, so this small one holds the free notifications.
  class TWatch;

  void MasterAfterScroll(TDataSet* dataSet);
  void DataSetEventFired(TDataSet* dataSet, TDataSetNotifyEvent TDataSet::*event, bool afterHandler);
  // The owner applies stored settings: nothing is hooked or recalculated meanwhile.
  bool OwnerLoading() const;
  void StoreDataSet(TDataSet* value);
  // Virtual records are in use: the list numbers the dataset's records.
  bool ListsBookmarks();
  bool NeedsWalk();
  void Walk();
  void WalkRecords(const std::vector<TField*>& fields);
  // The field of each item, nullptr for an item that reads none. A name the dataset
  // lacks raises its missing-field error.
  std::vector<TField*> ItemFields() const;
  void RememberFilter();
  bool FilterChanged() const;
  // Puts the posted record's bookmark into the list at its place in dataset order.
  void PlacePostedBookmark();
  // The cached position, or 0 when it lies outside the list.
  int StartIndex() const;
  int CompareAt(int index, const TBookmark& bookmark);
  int LinearSearch(const TBookmark& bookmark);
  void StopListening();
  void ForgetBookmarks();
  // The dataset or master died: forget it, writing nothing into the dead object.
  void Forget(TComponent* component);
  void Fire(const TNotifyEvent& event);

  TComponent* fOwner;
  std::unique_ptr<TDBSumCollection> fSumCollection;
  std::unique_ptr<TWatch> fWatch;
  TDataSet* fDataSet = nullptr;
  TDataSet* fMaster = nullptr;
  // What the record being deleted counts, noted at BeforeDelete and taken out at
  // AfterDelete: a delete refused in between fires no later event.
  struct TPendingDelete {
    std::vector<TDBSumShare> shares;
    TBookmark bookmark;
    int bookmarkIndex = -1;
  };
  std::optional<TPendingDelete> fPendingDelete;
  std::vector<TBookmark> fBookmarks;
  int fCurrentIndex = -1;
  bool fActive = true;
  bool fHooked = false;
  bool fRecalculating = false;
  bool fExternalRecalc = false;
  bool fVirtualRecords = false;
  bool fBookmarkPending = false;
  bool fSavedFiltered = false;
  AnsiString fSavedFilter;
};

}  // namespace ordvane

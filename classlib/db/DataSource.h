#pragma once
// Data sources and data links: how controls follow a dataset.
//
// A TDataSource stands between one dataset and any number of TDataLinks (one per
// control). The dataset's data events fan out through its data sources to their links;
// each link keeps its own window of BufferCount records inside the dataset's buffer
// window, and the dataset's buffer window is as large as the largest link wants.

#include <vector>

#include "classlib/core/Events.h"
#include "classlib/db/DataSet.h"

namespace ordvane {

class TDataLink;

using TDataChangeEvent = TEvent<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
  ORDVANE_CLASS(TDataSource, TComponent)

 public:
  explicit TDataSource(TComponent* owner);
  // Unlinks every data link (they become inactive) and leaves the dataset.
  ~TDataSource() override;

  TDataSet* DataSet() const { return fDataSet; }
  // EDatabaseError "Circular datalinks are not allowed" when the dataset leads back to
  // this data source through its masters.
  void SetDataSet(TDataSet* dataSet);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return fAutoEdit; }
  void SetAutoEdit(bool value) { fAutoEdit = value; }
  // The dataset's state while enabled and linked; dsInactive otherwise.
  TDataSetState State() const { return fState; }

  // With AutoEdit, puts a browsing dataset into edit state.
  void Edit();
  // Whether the dataset leads back to this data source through the chain of masters.
  bool IsLinkedTo(TDataSet* dataSet) const;

  int DataLinkCount() const { return static_cast<int>(fDataLinks.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void DataEvent(TDataEvent event, NativeInt info);
  void NotifyDataLinks(TDataEvent event, NativeInt info);
  void AddDataLink(TDataLink* dataLink);
  // tellLink: the link hears that it is no longer active (not while it is destroyed).
  void RemoveDataLink(TDataLink* dataLink, bool tellLink = true);
  void UpdateState();
  void SetState(TDataSetState value);

  TDataSet* fDataSet = nullptr;
  std::vector<TDataLink*> fDataLinks;
  TDataSetState fState = dsInactive;
  bool fEnabled = true;
  bool fAutoEdit = true;
};

// The link of one control. A control derives its own link and overrides the virtual
// steps it needs; the defaults pass on as follows: DataSetScrolled -> DataSetChanged ->
// RecordChanged(nullptr), LayoutChanged -> DataSetChanged; the others do nothing.
class TDataLink : public TPersistent {
  ORDVANE_CLASS(TDataLink, TPersistent)

 public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return fDataSource; }
  // EDatabaseError "DataSource cannot be changed" while DataSourceFixed, unless the data
  // source is being destroyed. A link that keeps state about its data source overrides it.
  virtual void SetDataSource(TDataSource* dataSource);
  TDataSet* DataSet() const;
  bool DataSourceFixed() const { return fDataSourceFixed; }
  void SetDataSourceFixed(bool value) { fDataSourceFixed = value; }
  // The link of a control: a data source tells its other links (details, lists) of each
  // event before the links of controls, so a control never shows a half-updated detail.
  bool VisualControl() const { return fVisualControl; }
  void SetVisualControl(bool value) { fVisualControl = value; }
  bool Active() const { return fActive; }
  // The data source's dataset is in edit or insert state and the link is not read-only.
  bool Editing() const { return fEditing; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);

  // The records this link shows: the dataset's buffer window grows to the largest count.
  Integer BufferCount() const { return fBufferCount; }
  void SetBufferCount(Integer value);
  // Records in the link's window (at most BufferCount).
  Integer RecordCount() const;
  // The dataset's active record relative to the link's first record. Setting it only
  // selects which buffer field values are read from (a grid paints its rows this way);
  // the index must lie inside the dataset's buffers.
  Integer ActiveRecord() const;
  void SetActiveRecord(Integer value);

  // Puts the dataset into edit state through the data source; answers Editing.
  bool Edit();
  // Asks the control to write its pending edit (UpdateData), without being told of the
  // record change that the write causes.
  void UpdateRecord();

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent event, NativeInt info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // distance: how many records the link's window moved (positive forwards).
  virtual void DataSetScrolled(int distance);
  virtual void EditingChanged() {}
  // field points to the field to focus; a link that takes the focus sets it to nullptr.
  virtual void FocusControl(TField*& field);
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field);
  virtual void UpdateData() {}

 private:
  friend class TDataSource;
  friend class TDataSet;

  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  // The link's first record such that the active record is visible and the window is as
  // full as the dataset's buffers allow.
  int ClampedFirstRecord(int first) const;
  void UpdateRange();

  TDataSource* fDataSource = nullptr;
  int fFirstRecord = 0;
  int fBufferCount = 1;
  bool fActive = false;
  bool fEditing = false;
  bool fReadOnly = false;
  bool fUpdating = false;
  bool fDataSourceFixed = false;
  bool fVisualControl = false;
};

// A link through which a detail dataset follows its master.
class TDetailDataLink : public TDataLink {
  ORDVANE_CLASS(TDetailDataLink, TDataLink)

 public:
  virtual TDataSet* GetDetailDataSet() { return nullptr; }
};

}  // namespace ordvane

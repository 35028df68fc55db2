#pragma once
// TDataSet: the dataset framework. A concrete dataset implements the record-buffer
// protocol (the pure virtual operations below: open, close, fetch a record into a buffer,
// position by bookmark, read and write field data); the framework keeps the window of
// record buffers that the data links see, the state machine, navigation, editing, fields,
// calculated and lookup fields, and the data events that reach the controls.
//
// The buffer window: BufferCount buffers (the largest BufferCount wanted by a linked data
// link, at least 1) plus one spare buffer used for fetching. The first RecordCount of
// them hold consecutive records; ActiveRecord is the current one among them;
// CurrentRecord is the buffer the concrete dataset's cursor stands on (-1 when unknown).
//
// Destruction: a concrete dataset calls Destroying() and Close() in its own destructor,
// while its own members live; the framework's destructor can no longer call the
// protocol.

#include <memory>
#include <span>
#include <vector>

#include "classlib/core/Events.h"
#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"
#include "classlib/db/FieldDefs.h"
#include "classlib/db/Fields.h"
#include "classlib/db/ProviderSupport.h"

namespace ordvane {

class TDataSource;
class TDataLink;

using TDataSetNotifyEvent = TEvent<void(TDataSet* dataSet)>;
using TDataSetErrorEvent = TEvent<void(TDataSet* dataSet, EDatabaseError& e, TDataAction& action)>;
using TFilterRecordEvent = TEvent<void(TDataSet* dataSet, bool& accept)>;

// Follows a dataset's published events (AfterPost, BeforeDelete, ...) beside their
// handlers, so that any number of helpers can follow one dataset while its handlers stay
// exactly as the program sets them. A listener removes itself before it dies.
class TDataSetEventListener {
 public:
  // `event` is the event being fired (&TDataSet::AfterPost). Called twice per event: with
  // `afterHandler` false before the program's handler runs, then true after it (the
  // second call is skipped when the handler raises).
  virtual void DataSetEventFired(TDataSet* dataSet, TDataSetNotifyEvent TDataSet::*event, bool afterHandler) = 0;

 protected:
  ~TDataSetEventListener() = default;
};

class TDataSet : public TComponent, public IProviderSupport {
  ORDVANE_CLASS(TDataSet, TComponent)

 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // --- state ---------------------------------------------------------------------------
  TDataSetState State() const { return fState; }
  bool Active() const { return fActive; }
  // Opens (BeforeOpen ... AfterOpen, AfterScroll) or closes (BeforeClose ... AfterClose).
  // While the component loads, the value is kept and applied by Loaded.
  virtual void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Modified() const { return fModified; }
  bool Bof() const { return fBOF; }
  bool Eof() const { return fEOF; }
  bool IsEmpty() const { return fActive && fRecordCount == 0; }
  bool CanModify() { return GetCanModify(); }
  bool DefaultFields() const { return fDefaultFields; }
  bool IsUniDirectional() const { return fUniDirectional; }
  void SetUniDirectional(bool value);
  bool AutoCalcFields() const { return fAutoCalcFields; }
  void SetAutoCalcFields(bool value) { fAutoCalcFields = value; }

  Integer RecordCount() { return GetRecordCount(); }
  Integer RecNo() { return GetRecNo(); }
  virtual void SetRecNo(Integer value);
  // Whether RecNo and RecordCount describe the records (true unless a dataset says no).
  virtual bool IsSequenced() { return true; }

  // --- the buffer window -----------------------------------------------------------------
  Integer BufferCount() const { return fBufferCount; }
  Integer ActiveRecord() const { return fActiveRecord; }
  Integer CurrentRecord() const { return fCurrentRecord; }
  // Inline: every read of a field's value asks for it.
  TRecordBuffer ActiveBuffer() const {
    return fBuffers.empty() ? nullptr : fBuffers[static_cast<std::size_t>(fActiveRecord)];
  }
  Integer BookmarkSize() const { return fBookmarkSize; }
  Integer CalcFieldsSize() const { return fCalcFieldsSize; }
  Integer BlobFieldCount() const { return fBlobFieldCount; }

  // Nested; data events wait while the count is above 0. The outermost disable and
  // enable send deDisabledStateChange (Info 1 when disabled, 0 when enabled again); the
  // enable then sends deUpdateState when the state changed meanwhile and deDataSetChange
  // (deLayoutChange when the layout changed).
  void DisableControls();
  void EnableControls();
  int DisableCount() const { return fDisableCount; }
  bool ControlsDisabled() const { return fDisableCount != 0; }

  // Handles an event for the dataset (a field change marks the record modified, fires
  // the field's OnChange and recalculates the calculated fields) and passes it to the
  // data sources unless the controls are disabled.
  virtual void DataEvent(TDataEvent event, NativeInt info);

  // --- navigation ------------------------------------------------------------------------
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by up to distance records; answers how far it moved (negative backwards).
  int MoveBy(int distance);
  void Refresh();
  // Rebuilds the window around the cursor's record. rmExact: the record must still be
  // there ("Record not found"); rmCenter: it goes to the middle of the window. A dataset
  // may defer it while it repositions itself.
  virtual void Resync(TResyncMode mode);
  // Empty when there is no current record.
  TBookmarkStr Bookmark();
  void SetBookmark(const TBookmarkStr& bookmark) { GotoBookmark(bookmark); }
  bool BookmarkAvailable();
  // An empty bookmark does nothing.
  void GotoBookmark(const TBookmark& bookmark);
  // Whether the bookmark still names a record of this dataset.
  virtual bool BookmarkValid(const TBookmark& bookmark) = 0;
  // The order of two bookmarks' records: -1, 0 or 1.
  virtual int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) = 0;
  void CursorPosChanged() { fCurrentRecord = -1; }
  // Puts the concrete dataset's cursor on the active record.
  void UpdateCursorPos();

  // --- editing ---------------------------------------------------------------------------
  void Edit();
  void Insert();
  void Append();
  // Every post goes through here (InsertRecord, AppendRecord and CheckBrowseMode too), so
  // a dataset that keeps state around a post overrides it.
  virtual void Post();
  void Cancel();
  void Delete();
  // Insert or Append, then the values field by field (an Unassigned value leaves the
  // field as it is), then Post, which stores the record through InternalAddRecord. The
  // read-only check of Insert and Append is left out: whether the dataset takes a new
  // record is InternalAddRecord's to say, with its own error.
  void InsertRecord(const std::vector<Variant>& values);
  void AppendRecord(const std::vector<Variant>& values);
  void CheckBrowseMode();
  // Tells the controls to write their pending edits (deUpdateRecord).
  void UpdateRecord();
  void CheckActive() const;
  // A dataset that rebuilds itself while open may waive the check meanwhile.
  virtual void CheckInactive() const;
  // The cached-update status of the active record; usUnmodified for datasets without.
  virtual TUpdateStatus UpdateStatus() { return usUnmodified; }
  // Fills buffer with the active record; false when the dataset has none to give.
  virtual bool GetCurrentRecord(TRecordBuffer /*buffer*/) { return false; }
  // A text between the dataset's code page and the OEM one (toOem gives the direction):
  // the characters of source up to its zero, at most the destination's size - 1 of them,
  // then a zero, into destination (which may be source itself); answers how many. Every
  // text here is in one code page already, so nothing is converted. 0 without a source.
  virtual Integer Translate(const char* source, std::span<char> destination, bool toOem);

  // --- fields ----------------------------------------------------------------------------
  TFieldDefs& FieldDefs() { return *fFieldDefs; }
  TFields& Fields() { return *fFields; }
  int FieldCount() const { return fFields->Count(); }
  TField* FindField(const AnsiString& name) const { return fFields->FindField(name); }
  TField* FieldByName(const AnsiString& name) const { return fFields->FieldByName(name); }
  // The fields named in a list separated by ';' (blanks around names are ignored).
  std::vector<TField*> GetFieldList(const AnsiString& names) const;
  // One name: that field's value; several: a variant array of their values.
  Variant FieldValues(const AnsiString& names);
  void SetFieldValues(const AnsiString& names, const Variant& values);
  // Asks the concrete dataset for its field definitions.
  void InitFieldDefs();
  // The class of the fields made for definitions of the type; empty for none.
  virtual TFieldClass GetFieldClass(TFieldType fieldType);

  // The value of a field in the native format; false when null. A null buffer only asks
  // for presence.
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  // Routes a field's read in its own format through DataConvert.
  bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
  // Writes a field's native value (nullptr: null) into the record buffer that the state
  // selects; validates, and sends deFieldChange.
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  void SetFieldData(TField* field, const void* buffer, bool nativeFormat);
  // Converts between a field's native data and the form its field class works with:
  // dates and times (native day and millisecond counts, TDateTime for the field), BCD
  // (TBcd native, Currency for the field) and wide text (zero-terminated UTF-16 native,
  // a WideString object for the field). Other types are copied.
  virtual void DataConvert(TField* field, const void* source, void* dest, bool toNative);
  // A stream over a blob field of the current record. The framework has no blob data; a
  // dataset without blob support raises the field's access error.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  // The field's data as the state reads it (dsOldValue: before the record's change); the
  // state comes back on every path. False for null.
  bool GetStateFieldData(TDataSetState state, TField* field, void* buffer);
  virtual void SetStateFieldValue(TDataSetState state, TField* field, const Variant& value);

  // --- searching -------------------------------------------------------------------------
  // Walks the records from the first (First/Next under DisableControls); stays on the
  // match, or goes back to where it was.
  virtual bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
  // The result fields' values (one value, or an array for several names) of the first
  // record matching the keys, or Null; the position is kept.
  virtual Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields);

  // --- filters ---------------------------------------------------------------------------
  const AnsiString& Filter() const { return fFilterText; }
  void SetFilter(const AnsiString& text) { SetFilterText(text); }
  bool Filtered() const { return fFiltered; }
  virtual void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return fFilterOptions; }
  virtual void SetFilterOptions(TFilterOptions options);
  virtual void SetFilterText(const AnsiString& text);

  // --- links -----------------------------------------------------------------------------
  // The data source this dataset follows (a master), or nullptr.
  virtual TDataSource* GetDataSource() { return nullptr; }
  // Whether dataSource leads back to this dataset through the chain of masters.
  bool IsLinkedTo(TDataSource* dataSource);

  // --- events ----------------------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
  TFilterRecordEvent OnFilterRecord;
  // A listener added twice is called once; removing one that is not there does nothing.
  void AddEventListener(TDataSetEventListener* listener);
  void RemoveEventListener(TDataSetEventListener* listener);

  // --- provider support (ProviderSupport.cpp) ---------------------------------------------
  // The neutral answers of a dataset that is not SQL based: no command, keys, table, quote
  // or parameters, no transaction, changes left to the provider. What it cannot do (execute
  // a statement or its command, take a command text or parameters) raises
  // "This dataset cannot ...".
  Integer PSExecuteStatement(const AnsiString& sql, const TParams& params) override;
  AnsiString PSGetCommandText() override { return {}; }
  AnsiString PSGetKeyFields() override { return {}; }
  AnsiString PSGetQuoteChar() override { return {}; }
  AnsiString PSGetTableName() override { return {}; }
  // An empty text is no command and is taken.
  void PSSetCommandText(const AnsiString& text) override;
  void PSEndTransaction(bool /*commit*/) override {}
  void PSExecute() override;
  TParams* PSGetParams() override { return nullptr; }
  // The error's message with error code 0.
  EUpdateError PSGetUpdateException(const Exception& error, std::exception_ptr previousError) override;
  bool PSInTransaction() override { return false; }
  bool PSIsSQLBased() override { return false; }
  bool PSIsSQLSupported() override { return false; }
  void PSReset() override {}
  // No parameters are taken.
  void PSSetParams(const TParams& params) override;
  void PSStartTransaction() override {}
  bool PSUpdateRecord(TUpdateKind /*updateKind*/, TDataSet& /*delta*/) override { return false; }

 protected:
  // --- the record-buffer protocol ---------------------------------------------------------
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  // Fills buffer with the current, next or prior record and moves the cursor there.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // Bytes of a record; a long-text row is larger than 64 KiB.
  virtual Integer GetRecordSize() { return 0; }
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() = 0;
  // Called inside a catch block for an exception the framework cannot pass on (an open
  // that was asked for while loading); rethrows unless a dataset does better.
  virtual void InternalHandleException();
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  // Stores the active buffer; the framework checks the required fields.
  virtual void InternalPost();
  // Deletes the active record. A dataset that can modify overrides it.
  virtual void InternalDelete();
  // Stores the record InsertRecord (append false) or AppendRecord (append true) made in
  // buffer, the active one. By default the read-only check, then InternalPost.
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append);
  // True while InsertRecord or AppendRecord makes and posts its record: a dataset whose
  // before-insert step turns new records away quietly says why instead.
  bool AddingRecord() const { return fAddingRecord != TAddingRecord::None; }

  virtual Integer GetRecordCount() { return -1; }
  virtual Integer GetRecNo() { return -1; }
  virtual bool GetCanModify() { return true; }

  virtual void OpenCursor();
  virtual void CloseCursor();

  // --- event steps: each fires its event when assigned ---------------------------------
  virtual void DoAfterCancel();
  virtual void DoAfterClose();
  virtual void DoAfterDelete();
  virtual void DoAfterEdit();
  virtual void DoAfterInsert();
  virtual void DoAfterOpen();
  virtual void DoAfterPost();
  virtual void DoAfterRefresh();
  virtual void DoAfterScroll();
  virtual void DoBeforeCancel();
  virtual void DoBeforeClose();
  virtual void DoBeforeDelete();
  virtual void DoBeforeEdit();
  virtual void DoBeforeInsert();
  virtual void DoBeforeOpen();
  virtual void DoBeforePost();
  virtual void DoBeforeRefresh();
  virtual void DoBeforeScroll();
  virtual void DoOnCalcFields();
  virtual void DoOnNewRecord();

  // --- fields ----------------------------------------------------------------------------
  // One field per field definition, owned by this dataset.
  virtual void CreateFields();
  // Numbers data fields by their definitions (checking compatibility), places
  // calculated and lookup fields in the calculated area and numbers the blob fields;
  // with binding false, unbinds.
  virtual void BindFields(bool binding);
  // "Type mismatch for field '%s', expecting: %s actual: %s"; for text and byte fields
  // also "Size mismatch for field '%s', expecting: %d actual: %d".
  virtual void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef);
  virtual void DestroyFields();
  void SetDefaultFields(bool value) { fDefaultFields = value; }

  // --- calculated fields -----------------------------------------------------------------
  virtual void ClearCalcFields(TRecordBuffer buffer);
  // Under the temporary state dsCalcFields: clears the calculated area, fills the lookup
  // fields and fires OnCalcFields (only when there are calculated, lookup or internal
  // calculated fields).
  virtual void GetCalcFields(TRecordBuffer buffer);
  void CalculateFields(TRecordBuffer buffer);
  TRecordBuffer CalcBuffer() const { return fCalcBuffer; }

  // --- for concrete datasets ---------------------------------------------------------------
  void SetState(TDataSetState value);
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  // The state under the temporary ones (dsOldValue, dsCalcFields, ...): the state the
  // dataset is really in.
  TDataSetState SavedState() const { return fTempStateDepth > 0 ? fStateUnderTemp : fState; }
  void SetModified(bool value) { fModified = value; }
  void SetBookmarkSize(Integer size) { fBookmarkSize = size; }
  void CheckBiDirectional() const;
  void CheckCanModify();
  void CheckRequiredFields();
  // Runs operation; an EDatabaseError goes to errorEvent, whose action decides: daFail
  // passes the error on, daAbort raises the silent abort, daRetry runs it again.
  void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent);
  virtual void InitRecord(TRecordBuffer buffer);
  TRecordBuffer Buffers(int index) const { return fBuffers.at(static_cast<std::size_t>(index)); }
  void SetCurrentRecord(int index);
  // Moves ActiveRecord by distance buffers, clamped to the window (0 .. BufferCount - 1):
  // a dataset positioning itself on a bookmark keeps the record where it was seen.
  void MoveActiveRecord(int distance);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void ClearBuffers();
  void ActivateBuffers();

  void Loaded() override;

 private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  class TTempState;

  void DoInternalOpen();
  void DoInternalClose();
  // First (from the beginning) and Last (from the end): a new window from that end.
  void RebuildFromEnd(bool last);
  void BeginInsertAppend();
  void EndInsertAppend();
  void UpdateCalcFields(TField* field);
  void CalcLookupValue(TField* field);
  void CheckLookupFields();
  void SetFieldsFromValues(const std::vector<Variant>& values);
  // Insert or Append a record, fill it and post it through InternalAddRecord.
  void AddRecord(const std::vector<Variant>& values, bool append);
  void InternalAddActiveRecord() { InternalAddRecord(ActiveBuffer(), fAddingRecord == TAddingRecord::Append); }
  bool RecordMatches(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                     TLocateOptions options);
  // Walks to the first matching record under DisableControls; on no match goes back.
  bool LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
  void FireEvent(TDataSetNotifyEvent TDataSet::*event);
  void NotifyEventListeners(TDataSetNotifyEvent TDataSet::*event, bool afterHandler);
  void NotifyDataSources(TDataEvent event, NativeInt info);
  void AddDataSource(TDataSource* dataSource);
  void RemoveDataSource(TDataSource* dataSource);
  void UpdateBufferCount();
  void SetBufferCount(int value);
  void MoveBuffer(int curIndex, int newIndex);
  void AdjustFirstRecords(int delta);
  // A field of this dataset is being destroyed: it leaves the field list, and an open
  // dataset closes.
  void FieldDestroying(TField* field);
  // Closes without the user's events: the last resort when a close must not fail.
  void ForceClose() noexcept;

  std::unique_ptr<TFieldDefs> fFieldDefs;
  std::unique_ptr<TFields> fFields;
  std::vector<TDataSource*> fDataSources;
  std::vector<TDataSetEventListener*> fEventListeners;
  std::vector<TRecordBuffer> fBuffers;
  TRecordBuffer fCalcBuffer = nullptr;
  TDataSetState fState = dsInactive;
  TDataSetState fStateUnderTemp = dsInactive;
  int fTempStateDepth = 0;
  TDataSetState fDisableState = dsInactive;
  TDataEvent fEnableEvent = deDataSetChange;
  int fDisableCount = 0;
  int fBufferCount = 0;
  int fRecordCount = 0;
  int fActiveRecord = 0;
  int fCurrentRecord = -1;
  Integer fBookmarkSize = 0;
  Integer fCalcFieldsSize = 0;
  Integer fBlobFieldCount = 0;
  bool fActive = false;
  bool fStreamedActive = false;
  bool fBOF = true;
  bool fEOF = true;
  bool fModified = false;
  enum class TAddingRecord : Byte { None, Insert, Append };
  TAddingRecord fAddingRecord = TAddingRecord::None;
  bool fDefaultFields = false;
  bool fInternalCalcFields = false;
  bool fAutoCalcFields = true;
  bool fUniDirectional = false;
  bool fFiltered = false;
  AnsiString fFilterText;
  TFilterOptions fFilterOptions;
};

// The field of that name, for a control bound to it: EDatabaseError "Field '%s' not found"
// prefixed with the control's name (not the dataset's), so the message points at the
// control whose setting is wrong.
TField* GetFieldProperty(const TDataSet* dataSet, const TComponent* control, const AnsiString& fieldName);

}  // namespace ordvane

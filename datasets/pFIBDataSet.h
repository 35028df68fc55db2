#pragma once
// TpFIBDataSet: the dataset the application uses. It adds to TFIBDataSet the automatic
// modification SQL, the generator, the update objects, the client filter's test of each
// record (pFIBDataSetFilter.cpp) and the settings stored for it in the repository.

#include <vector>

#include "datasets/FIBDataSet.h"
#include "datasets/FIBDataSetsContainer.h"
#include "datasets/FIBMetaCache.h"

namespace ordvane {

// The statement a dataset writes for itself; the index into ModifySQLPropertyNames.
enum TModifySQLKind { mskUpdate, mskInsert, mskDelete, mskRefresh };
// Which columns an update or insert writes: all, all but blobs, blobs only.
enum TModifyFieldFilter { mffAll, mffNoBlobs, mffBlobsOnly };
inline constexpr const char* ModifySQLPropertyNames[] = {"UpdateSQL", "InsertSQL", "DeleteSQL", "RefreshSQL"};

// A numeric format with that many decimal places: a format ending in "." gets that many
// "0"; one whose last "." is followed by one character gets that many of it after the
// point; an empty or any other format stays as it is.
AnsiString ScaledNumberFormat(const AnsiString& format, Integer decimals);

class TpFIBDataSet : public TFIBDataSet, public IDataSetInfoReceiver {
  ORDVANE_CLASS(TpFIBDataSet, TFIBDataSet)

 public:
  explicit TpFIBDataSet(TComponent* owner);
  // A generator used by the dataset gives its cached statement's server handle back.
  ~TpFIBDataSet() override;

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

  // ---- Modification SQL (pFIBDataSetModifySQL.cpp)
  // The parameterised text of one statement over the update table and the key fields:
  // "NEW_" parameters for the columns written, "OLD_" ones for the key. Empty without
  // metadata for the table or without a key field in the dataset; "No Action" when an
  // update or insert has no column to write. Key fields none of which is usable raise.
  AnsiString GenerateModifySQL(TModifySQLKind kind, TModifyFieldFilter filter = mffAll);
  // The same statement with the values written out as literals the server reads back
  // unchanged; empty when no column is written. Needs fields; a non-null blob or array
  // value is refused.
  AnsiString GenerateLiteralModifySQL(TModifySQLKind kind);
  // Completes KeyFields and rewrites the delete, update, insert and refresh texts (each
  // only when CanChangeSQLs or when it is blank).
  void RegenerateModifySQLs();
  // With UpdateOnlyModifiedFields: the update (dsEdit) or insert (dsInsert) text for the
  // fields this record changed.
  void PrepareModifySQL(TDataSetState state);
  // A protected edit's statements, when blank and AutoReWriteSqls or
  // UpdateOnlyModifiedFields is set: the refresh text before the record is locked and
  // read again, the update text (every column, UpdateOnlyModifiedFields off for that one
  // generation and back on every path) after.
  void PrepareProtectedEditRefresh();
  void PrepareProtectedEditUpdate();
  // Update and insert texts are written before each post: UpdateOnlyModifiedFields,
  // AutoReWriteSqls, CanChangeSQLs, KeyFields and UpdateTableName are all set.
  bool CanGenerateModifySQL();
  // Also when the statement will be generated before the post.
  bool CanEdit() override;
  bool CanInsert() override;
  // The non-blob fields of the table, ";"-joined.
  AnsiString KeyFieldsFromTable(const AnsiString& tableName);

  // ---- Keys and new records (pFIBDataSetDefaults.cpp)
  // Gives a null numeric key field the generator's next value; a value that does not fit
  // the field is refused with the class library's range error and the key stays null.
  virtual void FillKeyFromGenerator();
  // The field named by the whole KeyFields text, or nullptr.
  TField* KeyField();
  // Dresses the fields from their columns: display and edit formats (poAutoFormatFields),
  // read-only and required flags, default expressions and the repository's settings, as
  // PrepareOptions ask.
  virtual void ImportDefaultValues();
  TFormatFields& DefaultFormats() { return fDefaultFormats; }
  void SetDefaultFormats(const TFormatFields& value) { fDefaultFormats.Assign(&value); }
  // Adding psApplyRepositary applies the repository to the fields at once.
  void SetPrepareOptions(TpPrepareOptions value) override;

  TOnApplyDefaultValue OnApplyDefaultValue;
  TOnApplyFieldRepository OnApplyFieldRepository;

 protected:
  // Fields bound at open are dressed from their columns.
  void BindFields(bool binding) override;
  // The modification texts once the select text changed, then the base step.
  void DoAfterOpen() override;
  // The key with wgOnNewRecord (or its Required off with wgBeforePost), then the base step.
  void DoOnNewRecord() override;
  // The key with wgBeforePost, the base step, then PrepareModifySQL unless CachedUpdates.
  void DoBeforePost() override;
  // Runs the insert or update statement (unless its first line is "No Action") with the
  // record's values; a statement that returns a row (INSERT ... RETURNING) refreshes the
  // record from it. The record is then unmodified in the cache and, with
  // poRefreshAfterPost, read again through the refresh statement.
  void PostRecordToServer(TFIBQuery& statement, TRecordBuffer buffer) override;
  // Nothing for a delete statement "No Action"; controls stay quiet meanwhile.
  void InternalDeleteRecord(TFIBQuery& statement, TRecordBuffer buffer) override;

  // ---- Client filter (pFIBDataSetFilter.cpp)
  // The cached-update status decides first; a record it shows is then, when Filtered,
  // tested under dsFilter by the filter parser, OnFilterRecord and FinalFilterAccepts, its
  // calculated values computed first when the filter or the handler may read them. The
  // record's number goes into FilteredOutPositions when rejected and out when accepted.
  bool RecordIsVisible(TRecordBuffer buffer) override;
  // The dataset's own last word on a record the filter and OnFilterRecord accepted.
  virtual bool FinalFilterAccepts() { return true; }

 private:
  // KeyFields from the table's primary key, else from KeyFieldsFromTable.
  void CompleteKeyFields();
  // Replaces the statement's text when always, when CanChangeSQLs or when it is blank.
  void RewriteText(TFIBQuery& statement, TModifySQLKind kind, TModifyFieldFilter filter, bool always);

  // A new record's values besides its key: linked parameters and the columns' defaults.
  void ApplyNewRecordDefaults();
  // The select parameter linked to each field by ParamsToFieldsLinks (-1: none), looked up
  // at the first new record after an open.
  const std::vector<int>& ParamLinks();
  // Rebuilds ParamsToFieldsLinks from the select text's comparisons of columns with
  // parameters, when that text changed.
  void LinkParamsToFields();
  // The default text as the new-record step reads it, for the field's kind.
  AnsiString DefaultExpressionOf(TField* field, const TpFIBFieldInfo& info) const;

  Integer fDataSetID = 0;
  bool fGeneratorUsed = false;
  TFormatFields fDefaultFormats{this};
  std::vector<int> fParamLinks;
  bool fParamLinksFilled = false;
  int fLinkedSQLChangeCount = -1;
  AnsiString fDescription;

  // ---- Event containers, field access and visible record numbers (pFIBDataSetEvents.cpp)
 public:
  // Leaves the old container (and its masters) and joins the new one.
  TDataSetsContainer* Container() const { return fContainer; }
  void SetContainer(TDataSetsContainer* value);
  // The dataset's own error handlers. The class library's post- and delete-error slots
  // hold the relays that ask the containers first and then these, all with one Action.
  TDataSetErrorEvent OnPostError, OnDeleteError;
  // Asks the global container (unless it is the own one), the own container and then
  // OnApplyDefaultValue whether they gave the field its default.
  virtual void ApplyDefaultValue(TField* field, bool& applied);
  // The global container (unless it is the own one) and then the own container may
  // compare; the last one that compared decides, else the dataset's own comparison.
  int CompareFieldValues(TField* field, const Variant& value1, const Variant& value2) override;

  TStrings& GetSelectSQL() { return SelectSQL(); }
  // The field with that field number, or nullptr.
  TField* FieldByNumber(Integer fieldNo);
  // The select statement's parameter; the dataset is prepared first when it is not.
  TFIBXSQLVAR& ParamByName(const AnsiString& name);
  // The library's version followed by " Internal".
  AnsiString About() const;

  // With poVisibleRecno, record numbers count only the records the dataset shows.
  void SetRecNo(Integer value) override;
  void SetFilterText(const AnsiString& text) override;
  void SetFilterOptions(TFilterOptions options) override;
  void SetFiltered(bool value) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  bool ComparesFieldValuesItself() const override;
  void CachedStatusChanged() override { ForgetVisibleCount(); }
  Integer GetRecNo() override;
  Integer GetRecordCount() override;

  void DoBeforeOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeEdit() override;
  void DoAfterEdit() override;
  void DoAfterPost() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoAfterDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoOnCalcFields() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;

 private:
  // Calls ask with the global container (unless it is the own one), then the own one.
  template <class Ask>
  void AskContainers(const Ask& ask);
  void NotifyContainers(TKindDataSetEvent event);
  // The containers' OnApplyFieldRepository, then the dataset's own.
  void RelayFieldRepository(TField* field, const TpFIBFieldInfo& info);
  void RelayError(TKindDataSetError kind, const TDataSetErrorEvent& own, EDatabaseError& e, TDataAction& action);
  // The records that pass the visibility test among the fetched ones, counted once for
  // each fetched count and filter.
  Integer VisibleRecordCount();
  void ForgetVisibleCount() { fVisibleCountFor = -1; }

  TDataSetsContainer* fContainer = nullptr;
  Integer fVisibleCount = 0;
  Integer fVisibleCountFor = -1;
};

}  // namespace ordvane

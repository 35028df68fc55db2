#pragma once
// The engine of every import: reads rows from a source, turns each mapped source value
// into a field value and writes the row into a target dataset, or, with akGenerateSQL,
// produces an SQL statement per row instead. The base class knows no file format: it
// drives a row protocol of virtual operations that a descendant implements over its
// source (FirstRow, NextRow, HasMoreRows, GetRowCount, GetSourceValue, and for a source
// of columns SourceColumn and GetColumnValue).
//
// Names in a mapping expression that the expression language does not know are resolved
// by ConvertValue: parameters, source values, the counters of the run and the LOOKUP and
// SUBSTITUTE functions. A top-level value is then converted to the target field's type by
// DataFormats.

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "classlib/core/Streams.h"
#include "classlib/db/DB.h"
#include "import/SMIConvert.h"
#include "import/SMIDialogs.h"
#include "import/SMIPars.h"
#include "import/SMITypes.h"

namespace ordvane {

enum TSMIActionKind { akDatasetApply, akGenerateSQL };
enum TSMICharacterSet { csiANSI_WINDOWS, csiASCII_MSDOS, csiEBCDIC };
enum TImportMode { imAppend, imUpdate, imAppendUpdate, imDelete, imCopy, imAppendNewOnly };
enum TSMIOption {
  soShowMessage, soExtendedStatistic, soSkipEmptyRow, soUseAnimatedControl, soWaitCursor, soAutoCloseStatistic
};
using TSMIOptions = TSet<TSMIOption>;
enum TSMITrimSpaces { tsNoTrim, tsTrimRight, tsTrimLeft, tsTrimLeftRight };
enum TTableTypeImport { teText, teXLS, teXML, teClipboard };
// The kinds of the text-source settings, as their characters give them.
enum TSMIFieldDelimiter { fdNone, fdTab, fdSemicolon, fdComma, fdSpace, fdCustom };
enum TSMITextQualifier { tqNone, tqDoubleQuote, tqQuote, tqCustom };
enum TSMIRecordSeparator { rsCRLF, rsCR, rsLF, rsCustom };

using TSMIErrorEvent = TEvent<void(TObject* sender, const Exception& error, bool& abort)>;
using TSMIFieldValueEvent = TEvent<void(TObject* sender, TField* field, Variant& value)>;
using TSMIBeforeRecordEvent =
    TEvent<void(TObject* sender, const AnsiString& fields, Variant& values, bool& accept)>;
using TSMIAfterRecordEvent = TEvent<void(TObject* sender, bool& abort)>;
using TSMIBeforeFieldUpdateEvent = TEvent<void(TObject* sender, TField* field, Variant& value, bool& accept)>;
using TSMIGetRowModeEvent = TEvent<void(TObject* sender, const Variant& values, TImportMode& modeForRow)>;
using TSMISpecificationEvent = TEvent<void(TObject* sender, AnsiString& fileName)>;
using TSMILocateRecordEvent = TEvent<void(TObject* sender, const AnsiString& keyFields, const Variant& values,
                                          bool& exist, bool& executeLocate)>;
using TSMICreateStructureEvent = TEvent<void(TObject* sender, class TSMIColumns* columns)>;

class TSMImportBaseComponent : public TComponent {
  ORDVANE_CLASS(TSMImportBaseComponent, TComponent)

 public:
  explicit TSMImportBaseComponent(TComponent* owner);
  ~TSMImportBaseComponent() override;

  // Runs one import. Missing settings ("Property %s wasn't specified.") and an empty
  // required parameter raise before anything else happens; everything after the source
  // is opened ends in Statistic()->Result() instead of an exception.
  void Execute();
  // As Execute, reading the given stream instead of SourceFileName.
  virtual void ExecuteFromStream(TStream* stream);
  void Assign(const TPersistent* source) override;

  // ---- Published properties ----
  const AnsiString& About() const { return fAbout; }
  void SetAbout(const AnsiString&) { fAbout.clear(); }
  bool AbortOnProblem() const { return fAbortOnProblem; }
  void SetAbortOnProblem(bool value) { fAbortOnProblem = value; }
  TSMIActionKind ActionKind() const { return fActionKind; }
  void SetActionKind(TSMIActionKind value) { fActionKind = value; }
  bool AnimatedStatus() const { return fAnimatedStatus; }
  void SetAnimatedStatus(bool value) { fAnimatedStatus = value; }
  TSMICharacterSet CharacterSet() const { return fCharacterSet; }
  void SetCharacterSet(TSMICharacterSet value) { fCharacterSet = value; }
  TSMIDataFormats* DataFormats() const { return fDataFormats.get(); }
  void SetDataFormats(const TSMIDataFormats* value) { fDataFormats->Assign(value); }
  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* value);
  const AnsiString& DatasetKeys() const { return fDatasetKeys; }
  void SetDatasetKeys(const AnsiString& value) { fDatasetKeys = value; }
  TSMILoadCondition* LoadCondition() const { return fLoadCondition.get(); }
  void SetLoadCondition(const TSMILoadCondition* value) { fLoadCondition->Assign(value); }
  TSMISQLOptions* SQLOptions() const { return fSQLOptions.get(); }
  void SetSQLOptions(const TSMISQLOptions* value) { fSQLOptions->Assign(value); }
  TStrings* Mappings() const { return fMappings.get(); }
  void SetMappings(const TStrings* value) { fMappings->Assign(value); }
  TImportMode Mode() const { return fMode; }
  void SetMode(TImportMode value) { fMode = value; }
  TSMIOptions Options() const { return fOptions; }
  void SetOptions(TSMIOptions value) { fOptions = value; }
  TSMIParameters* Parameters() const { return fParameters.get(); }
  void SetParameters(const TSMIParameters* value) { fParameters->Assign(value); }
  const AnsiString& TableName() const { return fTableName; }
  void SetTableName(const AnsiString& value) { fTableName = value; }
  const AnsiString& TitleStatus() const { return fTitleStatus; }
  void SetTitleStatus(const AnsiString& value) { fTitleStatus = value; }
  TSMIStatistic* Statistic() const { return fStatistic.get(); }
  void SetStatistic(const TSMIStatistic* value) { fStatistic->Assign(value); }
  const AnsiString& SpecificationDir() const { return fSpecificationDir; }
  void SetSpecificationDir(const AnsiString& value) { fSpecificationDir = value; }
  bool UseDisplayNames() const { return fUseDisplayNames; }
  void SetUseDisplayNames(bool value) { fUseDisplayNames = value; }
  TSMITrimSpaces TrimSpaces() const { return fTrimSpaces; }
  void SetTrimSpaces(TSMITrimSpaces value) { fTrimSpaces = value; }
  // Rows per transaction cycle; 0 or less runs without cycles.
  Integer CommitCount() const { return fCommitCount; }
  void SetCommitCount(Integer value) { fCommitCount = value; }

  // ---- Public state ----
  TSMIColumns* Columns() const { return fColumns.get(); }
  TTableTypeImport TableType() const { return fTableType; }
  void SetTableType(TTableTypeImport value) { fTableType = value; }
  // "SMImport" and the class's default extension until one is set.
  AnsiString SourceFileName();
  void SetSourceFileName(const AnsiString& value) { fSourceFileName = value; }
  // One-based source rows.
  Integer RowFirst() const { return fRowFirst; }
  void SetRowFirst(Integer value) { fRowFirst = value; }
  Integer RowLast() const { return fRowLast; }
  void SetRowLast(Integer value) { fRowLast = value; }
  Integer RowFieldNames() const { return fRowFieldNames; }
  void SetRowFieldNames(Integer value) { fRowFieldNames = value; }
  // The text-source settings a specification keeps. A delimiter or qualifier of #0 is
  // none; the kinds follow from the characters.
  char FieldDelimiterChar() const { return fFieldDelimiter; }
  void SetFieldDelimiterChar(char value) { fFieldDelimiter = value; }
  TSMIFieldDelimiter FieldDelimiter() const;
  char TextQualifierChar() const { return fTextQualifier; }
  void SetTextQualifierChar(char value) { fTextQualifier = value; }
  TSMITextQualifier TextQualifier() const;
  // Never empty: an empty text is refused and the separator stays.
  const AnsiString& RecordSeparatorText() const { return fRecordSeparator; }
  void SetRecordSeparatorText(const AnsiString& value);
  TSMIRecordSeparator RecordSeparator() const;
  bool Fixed() const { return fFixed; }
  void SetFixed(bool value) { fFixed = value; }
  // The stream ExecuteFromStream was given, while it runs.
  TStream* SourceStream() const { return fSourceStream; }
  // The windows the run shows; a new component has DefaultSMIImportDialogs().
  ISMIImportDialogs* Dialogs() const { return fDialogs.get(); }
  void SetDialogs(std::shared_ptr<ISMIImportDialogs> dialogs) { fDialogs = std::move(dialogs); }

  // ---- Specifications ----
  // Writes the settings to the stream as a specification text of the given name: INI
  // sections, every line ended by CR LF.
  virtual void SaveSpecification(const AnsiString& specificationName, TStream* stream);
  // Takes the settings back from the lines of a specification text. A key that is missing,
  // or a number or name that does not read, leaves its setting as it was; Mappings is
  // replaced by the lines Map1, Map2, ... up to the first one missing.
  virtual void LoadSpecification(const TStrings* lines);
  // The same through a file. OnBefore... may change the name; a relative name is taken in
  // SpecificationDir when that is set. Nothing is changed when the file cannot be read or
  // holds a line that is neither a section nor a key with its value.
  void SaveSpecificationToFile(const AnsiString& specificationName, const AnsiString& fileName);
  void LoadSpecificationFromFile(const AnsiString& fileName);

  // The language's evaluate event of every expression of a run (the component installs it
  // on each parser it makes).
  void ConvertValue(TObject* sender, const AnsiString& eval, const TSMIArguments& args, int argCount,
                    bool isChild, Variant& value, bool& done);

  // ---- Events ----
  TSMIErrorEvent OnErrorEvent;
  TSMIFieldValueEvent OnGetCellParams;
  TSMIFieldValueEvent OnParsedValue;
  TOnEvaluate OnParserEvaluate;
  TNotifyEvent OnBeforeExecute;
  TNotifyEvent OnAfterExecute;
  TSMIBeforeRecordEvent OnBeforeRecordEvent;
  TSMIAfterRecordEvent OnAfterRecordEvent;
  TNotifyEvent OnBeforeUpdate;
  TSMIBeforeFieldUpdateEvent OnBeforeFieldUpdate;
  TSMIGetRowModeEvent OnGetRowMode;
  TSMISpecificationEvent OnBeforeLoadSpecification;
  TSMISpecificationEvent OnAfterLoadSpecification;
  TSMISpecificationEvent OnBeforeSaveSpecification;
  TSMISpecificationEvent OnAfterSaveSpecification;
  TSMILocateRecordEvent OnLocateRecord;
  TNotifyEvent OnStartTransaction;
  TNotifyEvent OnFinishTransaction;
  TSMICreateStructureEvent OnCreateStructure;

 protected:
  // ---- The row protocol ----
  // The row loop.
  virtual void ImportData();
  // Opens the source; the base loads the workstation's formats into DataFormats when
  // UseRegionalSettings is set. A failure ends the run as failed.
  virtual void OpenSource();
  virtual void CloseSource() {}
  // Resolves each mapping's field index in the dataset; a name no field has refuses the run.
  virtual void GetRowValues();
  // Builds the mapping, field and key lists from Mappings and DatasetKeys.
  virtual void PrepareMappings();
  // Evaluates the current source row into the mappings; false skips the row.
  virtual bool FetchRow();
  virtual void FirstRow() {}
  virtual void NextRow() {}
  virtual bool HasMoreRows() { return false; }
  virtual Integer GetRowCount() { return 0; }
  // The value of a source reference in the current row; the base gives the reference.
  virtual Variant GetSourceValue(const AnsiString& reference) { return reference; }
  // A source that reads a reference as a column resolves it once: SourceColumn gives the
  // column (-1: GetSourceValue reads the reference), GetColumnValue the current row's value
  // in it, and the source calls ColumnsChanged when its columns are no longer those a
  // column was resolved against (another sheet).
  virtual Integer SourceColumn(const AnsiString& /*reference*/) { return -1; }
  virtual Variant GetColumnValue(Integer /*column*/) { return Unassigned(); }
  void ColumnsChanged() { ++fColumnsVersion; }
  virtual Variant EvaluateExpression(const AnsiString& expression);
  // Check of the required property: sets name and answers true when it is missing.
  virtual bool GetTargetName(AnsiString& name);
  // Whether BLOB texts of the source are Base64.
  virtual bool BlobsAsBase64() { return false; }
  virtual AnsiString GetDefaultExtension() { return ".SMI"; }
  virtual AnsiString GetFileFilter() { return "All files (*.*)|*.*"; }
  virtual void FillColumnsFromDataSet();
  virtual void FillMappingsFromFields();
  // The column name of the index, in brackets when it holds a blank.
  virtual AnsiString QuoteName(int index);

  void Notification(TComponent* component, TOperation operation) override;

  // The integer under the key of a specification text, or current when the key is missing
  // or its value is not a number.
  static Integer SpecificationInteger(const TStrings* lines, const AnsiString& key, Integer current);

 private:
  struct MappingEntry {
    AnsiString FieldName;
    AnsiString Expression;
    Variant Value;
    int FieldIndex = -1;
    // The parser of Expression, found once per run rather than looked up for every row.
    TSMIParser* Parser = nullptr;
    // Of an expression that is one plain name: the name, and the reference it reads when
    // the import resolves it itself (not for one of the import's own names).
    AnsiString SoleName{};
    std::optional<AnsiString> Reference{};
    // The source's column of Reference, resolved while the source's columns were those of
    // ColumnsVersion.
    Integer SourceColumn = -1;
    std::optional<unsigned long> ColumnsVersion{};
  };
  struct RowEntry {
    AnsiString FieldName;
    Variant Value;
    int MappingIndex = -1;
  };

  void CheckRequiredProperties();
  AnsiString SpecificationPath(const AnsiString& fileName) const;
  void LoadTextSettings(const TStrings* lines);
  void LoadDataFormats(const TStrings* lines);
  bool UsesKeys() const;
  void CheckKeysMapped() const;
  bool AskParameters();
  bool RunGuarded(AnsiString& message);
  void ShowOutcome(const AnsiString& message, bool failed);
  void CheckMappedFieldsExist() const;
  bool Cancelled() const;
  TSMIProgressCounters Counters(Integer processed) const;
  void RefreshProgress();

  void StartTransaction();
  void FinishTransaction();
  void EndAfterFailure(bool controlsDisabled);
  void CommitCycle();
  void EmptyTarget();
  void ImportRow();
  static TSMIAction ActionOf(TImportMode rowMode, bool exist);
  bool LocateRow(TImportMode rowMode, AnsiString& conditions);
  void ApplyRow(TSMIAction action, const AnsiString& conditions);
  void WriteField(TField* field, const Variant& value);
  // WriteField, whose failure keeps the field and the value for the row's error.
  void WriteSourceValue(TField* field, const Variant& value);
  // The dataset's Post; a failure whose text names a mapped field keeps the field and
  // the row's value of it for the row's error.
  void PostRow();
  // Puts the source row, and the field and value that failed when known, before the
  // error's text: "Row N, field F, value "V": ..." or "Row N: ...".
  void NameRow(Exception& error) const;
  void RowFailed(Exception& error, TSMIAction action);
  bool ReportError(const Exception& error);

  TField* MappedField(const MappingEntry& entry) const;
  int MappedFieldIndex(const MappingEntry& entry) const;  // -1: no field
  bool IsSourceTextName(const AnsiString& expression) const;
  // The run's parser of the expression text, made and compiled on its first use.
  TSMIParser& ParserOf(const AnsiString& expression);
  // The mapping's value for the current row; field is its field, CurrentField.
  Variant EvaluateMapping(MappingEntry& entry, TField* field);
  TField* CurrentField() const;
  static AnsiString PlainReference(const AnsiString& name);
  Variant ReferencedValue(const AnsiString& reference, TField* field);
  Variant MappedReferenceValue(MappingEntry& entry, TField* field);
  Variant ParsedValue(Variant value, TField* field);
  void FinishValue(TObject* sender, const AnsiString& eval, const TSMIArguments& args, int argCount, bool isChild,
                   TField* field, Variant& value, bool& done);
  Variant MappingValues() const;
  Variant KeyValues() const;
  TSMIConversionTarget ConversionTarget(TField* field) const;
  Variant LookupValue(const TSMIArguments& args) const;
  TDataSet* FindDataSetComponent(const AnsiString& name) const;
  AnsiString SQLFieldName(const AnsiString& name) const;
  AnsiString SQLLiteral(const TField* field, const Variant& value) const;

  AnsiString fAbout;
  bool fAbortOnProblem = true;
  TSMIActionKind fActionKind = akDatasetApply;
  bool fAnimatedStatus = true;
  TSMICharacterSet fCharacterSet = csiANSI_WINDOWS;
  std::unique_ptr<TSMIDataFormats> fDataFormats;
  TDataSet* fDataSet = nullptr;
  AnsiString fDatasetKeys;
  std::unique_ptr<TSMILoadCondition> fLoadCondition;
  std::unique_ptr<TSMISQLOptions> fSQLOptions;
  std::unique_ptr<TStringList> fMappings;
  TImportMode fMode = imAppend;
  TSMIOptions fOptions;
  std::unique_ptr<TSMIParameters> fParameters;
  AnsiString fTableName;
  AnsiString fTitleStatus = "Importing...";
  std::unique_ptr<TSMIStatistic> fStatistic;
  AnsiString fSpecificationDir;
  bool fUseDisplayNames = false;
  TSMITrimSpaces fTrimSpaces = tsNoTrim;
  Integer fCommitCount = 300;

  std::unique_ptr<TSMIColumns> fColumns;
  TTableTypeImport fTableType = teText;
  std::optional<AnsiString> fSourceFileName;
  Integer fRowFirst = 1;
  Integer fRowLast = 2147483647;
  Integer fRowFieldNames = 1;
  char fFieldDelimiter = '\t';
  char fTextQualifier = '"';
  AnsiString fRecordSeparator = "\r\n";
  bool fFixed = false;
  TStream* fSourceStream = nullptr;
  std::shared_ptr<ISMIImportDialogs> fDialogs;

  bool fAborted = false;
  bool fTransactionOpen = false;
  // The counts of the rows that the transaction cycles before the open one stored.
  struct {
    Integer Added = 0, Updated = 0, Deleted = 0;
  } fCommitted;
  // The field and the value that failed the current row, when one did.
  struct TFailedValue {
    TField* Field = nullptr;
    Variant Value;
  };
  std::optional<TFailedValue> fFailedValue;
  int fCurrentField = -1;
  unsigned long fColumnsVersion = 0;
  int fRowsSinceRefresh = 0;
  AnsiString fTargetTable;  // of the run
  std::vector<MappingEntry> fMappingList;
  // For each field mapped, the line its value comes from (the last of a field mapped twice).
  std::vector<int> fFieldMappings;
  std::vector<RowEntry> fKeyList;
  // One parser per expression text, kept for a run, so that each text is compiled once
  // and only evaluated for each row.
  std::unordered_map<AnsiString, std::unique_ptr<TSMIParser>> fParsers;
};

}  // namespace ordvane

#pragma once
// What the data-aware grid hands to its dataset: the parsed text of one filter-row cell,
// the builders that turn the grid's column filters into a filter string (local or SQL),
// the rewriting of a select text at its filter marker line and its ORDER BY line, the
// generic text search and record moving, and the registry that picks the features object
// of a dataset's class. The global data service dispatches the grid's requests to it.

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Events.h"
#include "classlib/core/Objects.h"
#include "classlib/core/ScopeEnd.h"
#include "classlib/core/Variants.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TCustomDBGridEh;
class TColumnEh;
class TDataSet;

// The class of a column's values, chosen by the caller before the text is parsed.
enum TSTOperandTypeEh : Byte { botNon, botString, botNumber, botDateTime, botBoolean };

enum TSTFilterOperatorEh : Byte {
  foNon,
  foEqual,
  foNotEqual,
  foGreaterThan,
  foLessThan,
  foGreaterOrEqual,
  foLessOrEqual,
  foLike,
  foNotLike,
  foIn,
  foNotIn,
  foNull,
  foNotNull,
  foAND,
  foOR,
  foValue,
};

// One or two conditions joined by Relation (foAND, foOR; foNon for one condition). An
// operand is Null, a string, a Double, a date-time, or a Variant array of those for IN.
struct TSTFilterExpressionEh {
  TSTOperandTypeEh ExpressionType = botNon;
  TSTFilterOperatorEh Operator1 = foNon;
  Variant Operand1 = Null();
  TSTFilterOperatorEh Relation = foNon;
  TSTFilterOperatorEh Operator2 = foNon;
  Variant Operand2 = Null();
};

// ---- Shared by the grid units -------------------------------------------------------------

// The dataset of the grid's data source; nil without one.
TDataSet* GridDataSetEh(TCustomDBGridEh& grid);

// Holds a dataset's controls disabled for a scope. A record in edit first takes the text
// its controls' editors hold: disabled, they are not asked for it when the walk leaves the
// record, which would then look unchanged and be cancelled. Enabling them again tells the
// data sources of the change, whose handlers may raise: that error reaches the caller,
// unless the scope is left by another one.
class TControlsDisabledScopeEh {
 public:
  explicit TControlsDisabledScopeEh(TDataSet& dataSet);

 private:
  struct TEnable {
    TDataSet* dataSet;
    void operator()() const;
  };
  TScopeEnd<TEnable> fEnd;
};

// ---- Operators, value classes and the marker -------------------------------------------

// The operator's text as both builders write it ("LIKE", "IS NOT NULL", ...).
const AnsiString& STFilterOperatorText(TSTFilterOperatorEh op);
// The short text a filter cell shows for it ("~", "!In", ...).
const AnsiString& STFilterOperatorShortText(TSTFilterOperatorEh op);
// The value class of a field type: botNon for blobs, bytes and anything else that
// cannot be compared with typed text.
TSTOperandTypeEh STOperandTypeOfFieldType(TFieldType type);

// The start of the select-text line that the SQL filter replaces; process-wide, writable.
AnsiString& SQLFilterMarker();

// ---- Parsing ----------------------------------------------------------------------------

// Reads one token of `text` at `pos` (0-based; moved past what was read) and answers its
// operator code; a value token answers foValue with the value (a Variant array for a comma
// list in list mode), or foNon when the value is Null. Past the end the answer is foNon.
TSTFilterOperatorEh ScanFilterToken(const AnsiString& text, std::size_t& pos, bool listMode, Variant& value);
// Fills `expression` from the text of a filter cell; ExpressionType is set by the caller
// and kept. Errors raise Exception with the error's text followed by the whole text; a
// value that does not convert to the column's class raises the conversion error.
void ParseFilterExpression(const AnsiString& text, TSTFilterExpressionEh& expression);

// ---- Building filter text ----------------------------------------------------------------

// Writes a date-time operand for the dataset (nil: the builder's own form).
using TDateValueToSQLStringProcEh = std::function<AnsiString(TDataSet* dataSet, const Variant& value)>;
// Appends one condition (operator, operand, field name) to `result`.
using TSTConditionTextProcEh = void (*)(TSTFilterOperatorEh op, const Variant& operand,
                                        const AnsiString& fieldName, TDataSet* dataSet,
                                        const TDateValueToSQLStringProcEh& dateToText, bool likeSupported,
                                        AnsiString& result);

// The dataset's own filter syntax: [FIELD] names, numbers in plain decimal with '.'.
void LocalConditionText(TSTFilterOperatorEh op, const Variant& operand, const AnsiString& fieldName,
                        TDataSet* dataSet, const TDateValueToSQLStringProcEh& dateToText, bool likeSupported,
                        AnsiString& result);
// An SQL condition; text and dates are literals with every apostrophe doubled.
void SQLConditionText(TSTFilterOperatorEh op, const Variant& operand, const AnsiString& fieldName,
                      TDataSet* dataSet, const TDateValueToSQLStringProcEh& dateToText, bool likeSupported,
                      AnsiString& result);

// How the column filters become one text.
struct TSTFilterBuildOptionsEh {
  TSTConditionTextProcEh ConditionText = LocalConditionText;
  TDateValueToSQLStringProcEh DateToText;
  bool LikeSupported = true;
  // A field's Origin names it (when the column filter names no data field of its own).
  bool UseOrigin = false;
};

// The filter text of one column; empty when it filters nothing.
AnsiString BuildColumnFilterText(TColumnEh& column, const TSTFilterBuildOptionsEh& options);
// Every column's text joined by " AND " (the result keeps one trailing blank); empty
// without an active dataset or without any column filter.
AnsiString BuildLocalFilterText(TCustomDBGridEh& grid, const TSTFilterBuildOptionsEh& options);

// ---- Select text -------------------------------------------------------------------------

// Reads a published text property (a string, or a string list's whole text); false when
// the dataset has no such property.
bool GetSQLTextProperty(TDataSet* dataSet, const AnsiString& propName, AnsiString& text);
void SetSQLTextProperty(TDataSet* dataSet, const AnsiString& propName, const AnsiString& text);

// Replaces the select text's marker line by the marker and the grid's SQL filter. A
// dataset without the property raises "<class> is not SQL based dataset"; a text
// without a marker line is left alone; a value that cannot stand on one line raises
// "Filter value cannot be written to SQL: " and changes nothing. A text the database
// refuses on the reopen is replaced by the one before, the dataset reopened as it was,
// and the error raised.
void ApplyFilterToSQL(TCustomDBGridEh& grid, const TDateValueToSQLStringProcEh& dateToText, bool isReopen,
                      const AnsiString& propName);
// Replaces the first line starting "ORDER BY" (appending one when there is none) by the
// grid's sort-marked columns.
void ApplySortingToSQL(TCustomDBGridEh& grid, TDataSet* dataSet, bool useFieldNames,
                       const AnsiString& propName, bool isReopen);

// ---- Text search and record moving -----------------------------------------------------

enum TLocateTextMatchingEh : Byte { ltmAnyPartEh, ltmWholeEh, ltmFromBeginingEh };
enum TLocateTextDirectionEh : Byte { ltdUpEh, ltdDownEh, ltdAllEh };
enum TLocateTextOptionEh : Byte { ltoCaseInsensitiveEh, ltoAllFieldsEh, ltoMatchFormatEh };
using TLocateTextOptionsEh = TSet<TLocateTextOptionEh>;
enum TLocateTextTreeFindRangeEh : Byte {
  lttInAllNodesEh,
  lttInExpandedNodesEh,
  lttInCurrentLevelEh,
  lttInCurrentNodeEh
};

// Searches the grid's records for the text, from the record after (or before) the current
// one, or from the first; stands on the match and selects its column. Not found: the grid
// returns to the record and window it showed, and the answer is false.
bool LocateTextInGrid(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                      TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                      TLocateTextMatchingEh matching);

// Where MoveRecords puts a block of records: the number, among the records that stay,
// of the one the block goes before; the number past them appends it.
int RecordMoveTargetEh(TDataSet& dataSet, const std::vector<TBookmarkStr>& bookmarks, int toRecNo);

// ---- Features registry ---------------------------------------------------------------------

// What a dataset class does for the grid. The base class searches and moves records
// through the dataset's generic operations and neither sorts nor filters.
class TDatasetFeaturesEh : public TObject {
  ORDVANE_CLASS(TDatasetFeaturesEh, TObject)

 public:
  TDatasetFeaturesEh() = default;

  TClass DataSetClass() const { return fDataSetClass; }
  void SetDataSetClass(TClass value) { fDataSetClass = value; }

  virtual bool LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                          TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                          TLocateTextMatchingEh matching, TLocateTextTreeFindRangeEh treeFindRange);
  // Moves the records of `bookmarks` to record number `toRecNo` (appends them when the
  // dataset holds no more records than that). Answers whether the dataset can move
  // records; with `checkOnly` nothing moves.
  virtual bool MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks, int toRecNo,
                           bool checkOnly);
  virtual void ApplySorting(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen);
  virtual void ApplyFilter(TCustomDBGridEh& grid, TDataSet* dataSet, bool isReopen);
  virtual void ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& fieldName,
                                 bool modal);

 private:
  TClass fDataSetClass = nullptr;
};

using TDatasetFeaturesEhFactory = std::function<std::unique_ptr<TDatasetFeaturesEh>()>;

// Makes one features object and files it under the dataset class's name, replacing the
// object of an entry of that name. A nil class files nothing.
void RegisterDatasetFeaturesEh(const TDatasetFeaturesEhFactory& create, TClass dataSetClass);
template <class Features>
void RegisterDatasetFeaturesEh(TClass dataSetClass) {
  RegisterDatasetFeaturesEh([] { return std::make_unique<Features>(); }, dataSetClass);
}
// The features object of the nearest registered ancestor class (or the class itself); on
// equal distance the earlier entry. nil when none is registered or there is no dataset.
TDatasetFeaturesEh* GetDatasetFeaturesEh(const TDataSet* dataSet);

// The find dialog; the find dialog's unit sets it.
using TExecuteFindDialogProcEh = std::function<void(TCustomDBGridEh& grid, const AnsiString& text,
                                                    const AnsiString& fieldName, bool modal)>;
TExecuteFindDialogProcEh& ExecuteDBGridEhFindDialogProc();

// ---- Data service --------------------------------------------------------------------------

// Where the grid sends sorting, filtering, text search, record moving and the find
// dialog: to a hook when one is set, else to its dataset's features object.
class TDBGridEhDataService {
 public:
  using TGridHookEh = TEvent<void(TCustomDBGridEh& grid)>;

  // Replace the features object's sorting and filtering for every grid.
  TGridHookEh OnApplySorting;
  TGridHookEh OnApplyFilter;

  void ApplySorting(TCustomDBGridEh& grid);
  void ApplyFilter(TCustomDBGridEh& grid);
  bool LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                  TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                  TLocateTextMatchingEh matching, TLocateTextTreeFindRangeEh treeFindRange);
  bool MoveRecords(TCustomDBGridEh& grid, const std::vector<TBookmarkStr>& bookmarks, int toRecNo,
                   int treeLevel, bool checkOnly);
  void ExecuteFindDialog(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& fieldName,
                         bool modal);
};

// The grid library's one data service.
TDBGridEhDataService& DBGridEhDataService();

}  // namespace ordvane

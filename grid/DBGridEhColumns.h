#pragma once
// The columns of the data-aware grid: each binds one field of the grid's dataset by name
// and answers, for every visual and behavioural property nobody has set, with a value
// taken from the field, the grid or the grid's column defaults. Setting such a property
// marks it assigned; RestoreDefaults forgets every mark.
//
// Also here: the column's title, footers, drop-down box and filter-row filter, the grid's
// column defaults, and a list of columns that does not own them.

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "classlib/core/Collections.h"
#include "classlib/core/Events.h"
#include "classlib/core/StringLists.h"
#include "classlib/db/DB.h"
#include "classlib/db/DataSource.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Graphics.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/StdButtons.h"
#include "grid/DbUtilsEh.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/GridsEh.h"
#include "gridbase/ToolCtrlsEh.h"

namespace ordvane {

class TCustomDBGridEh;
class TColumnEh;
class TPopupDataGridEh;

// The properties that answer with a fallback until set, in the order of their bits.
enum TColumnEhValue {
  cvColor,
  cvWidth,
  cvFont,
  cvAlignment,
  cvReadOnly,
  cvTitleColor,
  cvTitleCaption,
  cvTitleAlignment,
  cvTitleFont,
  cvTitleButton,
  cvTitleEndEllipsis,
  cvTitleToolTips,
  cvTitleOrientation,
  cvImeMode,
  cvImeName,
  cvWordWrap,
  cvLookupDisplayFields,
  cvCheckboxes,
  cvAlwaysShowEditButton,
  cvEndEllipsis,
  cvAutoDropDown,
  cvDblClickNextVal,
  cvToolTips,
  cvDropDownSizing,
  cvDropDownShowTitles,
  cvLayout,
  cvHighlightRequired,
  cvBiDiMode,
};
using TColumnEhValues = TSet<TColumnEhValue>;

// A setter's common part: stores a changed value and tells of the change.
template <class T, class Tell>
void ChangeValueEh(T& field, const T& value, Tell&& tell) {
  if (field == value) return;
  field = value;
  std::forward<Tell>(tell)();
}

// Every value with a fallback reads through these two: its own setting once assigned,
// else what the fallback answers.
template <class T, class Fallback>
T AssignedOrEh(bool assigned, const T& own, Fallback&& fallback) {
  if (assigned) return own;
  return std::forward<Fallback>(fallback)();
}
// A fallback read from an object that may be missing (no grid, no field, no defaults):
// `read` of it (a member, a getter or a function), else `missing`.
template <class T, class Source, class Read>
T ReadOrEh(Source* source, Read&& read, const T& missing) {
  if (source == nullptr) return missing;
  return std::invoke(std::forward<Read>(read), *source);
}

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TTextOrientationEh { tohHorizontal, tohVertical };

// What a data cell shows, from the column's settings.
enum TColumnCellKind { ctCommon, ctPickList, ctLookupField, ctKeyPickList, ctKeyImageList, ctCheckboxes };

// How the grid's editor edits a column's cells; also what cell painting and the room of
// the edit buttons go by.
enum TColumnEditStyleEh : Byte {
  esSimple,
  esEllipsis,
  esPickList,
  esDataList,
  esDateCalendar,
  esUpDown,
  esDropDown,
};

enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

enum TDBLookupGridEhOption {
  dlgColumnResizeEh,
  dlgColLinesEh,
  dlgRowLinesEh,
  dlgAutoSortMarkingEh,
  dlgMultiSortMarkingEh
};
using TDBLookupGridEhOptions = TSet<TDBLookupGridEhOption>;

// What widths and heights in text are measured with: a font's metrics, the width of its
// digit "0" and the height of "Wg".
struct TFontMeasureEh {
  TTextMetric metrics;
  int digitWidth = 0;
  int textHeight = 0;
};
TFontMeasureEh MeasureFontEh(const TFont& font);

// The parameters of one data cell, as a column fills them and cell events change them.
struct TColCellParamsEh {
  int Col = -1;
  int Row = -1;
  TGridDrawState State;
  TFont* Font = nullptr;
  TColor Background = clWindow;
  TAlignment Alignment = taLeftJustify;
  int ImageIndex = -1;
  AnsiString Text;
  TCheckBoxState CheckboxState = cbUnchecked;
  bool ReadOnly = false;
};

using TGetColCellParamsEventEh = TEvent<void(TObject* sender, bool editMode, TColCellParamsEh& params)>;
using TColCellUpdateDataEventEh =
    TEvent<void(TObject* sender, AnsiString& text, Variant& value, bool& useText, bool& handled)>;
using TNotInListEventEh = TEvent<void(TObject* sender, const AnsiString& newText, bool& recheckInList)>;
using TOnColumnCheckDrawRequiredStateEventEh =
    TEvent<void(TObject* sender, const AnsiString& text, bool& drawState)>;
// The grid's events a column also keeps for its lookup popup grid.
// The colours of a data cell, before the column's own cell event.
using TGetCellEhParamsEvent =
    TEvent<void(TObject* sender, TColumnEh* column, TFont* font, TColor& background, TGridDrawState state)>;
// A data cell was drawn (the handler may draw over it).
using TDrawColumnEhCellEvent =
    TEvent<void(TObject* sender, const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState state)>;
// Whether the title of the column at index col in Columns acts as a button.
using TCheckTitleEhBtnEvent = TEvent<void(TObject* sender, int col, TColumnEh* column, bool& enabled)>;
// The title button of the column at index col in Columns was clicked.
using TTitleEhClickEvent = TEvent<void(TObject* sender, int col, TColumnEh* column)>;

// A list of columns that does not own them.
class TColumnsEhList {
 public:
  int Count() const { return static_cast<int>(fItems.size()); }
  // EListError outside the list.
  TColumnEh* Items(int index) const;
  int Add(TColumnEh* column);
  // -1 when the column is not listed.
  int IndexOf(const TColumnEh* column) const;
  void Remove(const TColumnEh* column);
  void Exchange(int index1, int index2);
  void Clear() { fItems.clear(); }

 private:
  std::vector<TColumnEh*> fItems;
};

// ---- Column defaults ------------------------------------------------------------------

class TColumnTitleDefValuesEh : public TPersistent {
  ORDVANE_CLASS(TColumnTitleDefValuesEh, TPersistent)

 public:
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value) { fAlignment = value; }
  TColor Color() const { return fColor; }
  void SetColor(TColor value) { fColor = value; }

  bool EndEllipsis = false;
  TTextOrientationEh Orientation = tohHorizontal;
  bool TitleButton = false;
  bool ToolTips = false;

 private:
  TAlignment fAlignment = taLeftJustify;
  TColor fColor = clBtnFace;
};

class TColumnFooterDefValuesEh : public TPersistent {
  ORDVANE_CLASS(TColumnFooterDefValuesEh, TPersistent)

 public:
  bool ToolTips = false;
};

class TColumnDefValuesEh : public TPersistent {
  ORDVANE_CLASS(TColumnDefValuesEh, TPersistent)

 public:
  TColumnDefValuesEh();
  ~TColumnDefValuesEh() override;

  TColumnTitleDefValuesEh& Title() const { return *fTitle; }
  TColumnFooterDefValuesEh& Footer() const { return *fFooter; }
  void Assign(const TPersistent* source) override;

  bool AlwaysShowEditButton = false;
  bool AutoDropDown = false;
  bool DblClickNextVal = false;
  bool DropDownShowTitles = false;
  bool DropDownSizing = false;
  bool EndEllipsis = false;
  TTextLayout Layout = tlTop;
  bool ToolTips = false;

 private:
  std::unique_ptr<TColumnTitleDefValuesEh> fTitle;
  std::unique_ptr<TColumnFooterDefValuesEh> fFooter;
};

class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh {
  ORDVANE_CLASS(TDBGridEhColumnDefValuesEh, TColumnDefValuesEh)

 public:
  void Assign(const TPersistent* source) override;

  bool HighlightRequired = false;
};

// ---- Title ----------------------------------------------------------------------------

// The room a sort-marked title keeps at its right, and what of the marker and the sort
// index (written when two or more columns are marked) fits the column.
struct TSortMarkerAreaEh {
  int width = 0;
  bool marker = false;
  AnsiString number;  // empty when not written
  int numberWidth = 0;
};

class TColumnTitleEh : public TPersistent {
  ORDVANE_CLASS(TColumnTitleEh, TPersistent)

 public:
  explicit TColumnTitleEh(TColumnEh* column);
  ~TColumnTitleEh() override;

  TColumnEh* Column() const { return fColumn; }

  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  // The field's display name, else the column's field name, until set.
  AnsiString Caption() const;
  void SetCaption(const AnsiString& value);
  TColor Color() const;
  void SetColor(TColor value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  // A copy of the grid's title font (the column's font without a grid) until set; a
  // change through the pointer sets it.
  TFont* Font() const;
  void SetFont(const TFont& value);
  TTextOrientationEh Orientation() const;
  void SetOrientation(TTextOrientationEh value);
  bool TitleButton() const;
  void SetTitleButton(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);

  const AnsiString& Hint() const { return fHint; }
  void SetHint(const AnsiString& value) { fHint = value; }
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int value);
  TSortMarkerEh SortMarker() const { return fSortMarker; }
  void SetSortMarker(TSortMarkerEh value);
  int SortIndex() const { return fSortIndex; }
  void SetSortIndex(int value);
  // A title click: Down, then Up, then none (Multi) or Down again; without Multi every
  // other column loses its marker first.
  void SetNextSortMarkerValue(bool multi);
  // Nothing without a SortIndex; a narrow column drops the marker, then the number.
  TSortMarkerAreaEh SortMarkerArea() const;

  void RestoreDefaults();
  void Assign(const TPersistent* source) override;

 private:
  friend class TColumnEh;
  friend class TCustomDBGridEh;
  bool Has(TColumnEhValue value) const;
  template <class T>
  void Store(T& field, const T& value, TColumnEhValue bit, bool tellChange = true);
  TColumnTitleDefValuesEh* DefValues() const;
  // The own value of `bit`, else `read` of the grid's title defaults, else `withoutGrid`.
  template <class T, class Read>
  T OwnOrDefault(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const;
  // Re-copies the grid's title font while the font is not set.
  void RefreshDefaultFont() const;
  void FontChanged();
  void MarkSorted();
  void UnmarkSorted();

  TColumnEh* fColumn;
  TAlignment fAlignment = taLeftJustify;
  AnsiString fCaption;
  TColor fColor = clBtnFace;
  bool fEndEllipsis = false;
  std::unique_ptr<TFont> fFont;
  TTextOrientationEh fOrientation = tohHorizontal;
  bool fTitleButton = false;
  bool fToolTips = false;
  AnsiString fHint;
  int fImageIndex = -1;
  TSortMarkerEh fSortMarker = smNoneEh;
  int fSortIndex = 0;
  mutable bool fCopyingFont = false;
};

// ---- Footers --------------------------------------------------------------------------

class TColumnFooterEh : public TCollectionItem {
  ORDVANE_CLASS(TColumnFooterEh, TCollectionItem)

 public:
  // An item of a column's Footers.
  explicit TColumnFooterEh(TCollection* collection);
  // The column's single Footer.
  explicit TColumnFooterEh(TColumnEh* column);
  ~TColumnFooterEh() override;

  TColumnEh* Column() const { return fColumn; }

  TFooterValueType ValueType() const { return fValueType; }
  void SetValueType(TFooterValueType value);
  // The field summed; the column's field when empty.
  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value);
  const AnsiString& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const AnsiString& value);
  const AnsiString& Value() const { return fValue; }
  void SetValue(const AnsiString& value);

  TFont* Font() const { return fFont.get(); }
  bool FontAssigned() const { return fFontAssigned; }
  void SetColor(TColor value);
  void SetAlignment(TAlignment value);
  // A text the cell cuts shows whole in a tooltip; the grid's footer default while not set.
  bool ToolTips() const;
  void SetToolTips(bool value);
  // The text wraps in a grid with multi-line rows.
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool value);
  // The footer's own value, else the grid's footer font and colour and the column's
  // alignment.
  TFont* GetFont() const;
  TColor GetColor() const;
  TAlignment GetAlignment() const;

  // The aggregate of the grid's sum list this footer shows; nullptr for no aggregate.
  TDBSum* SumItem() const { return fSum.Get(); }
  // Makes the footer's aggregate follow the current field and value type.
  void EnsureSumValue();
  // Takes the footer's aggregate out of the grid's sum list.
  void DropSumValue();
  // Whether EnsureSumValue would change the aggregate.
  bool SumValueStale() const;

  void Assign(const TPersistent* source) override;

 private:
  void Changed();
  // The aggregate the value type asks for; none for the other types.
  std::optional<TGroupOperation> SumOperation() const;
  // The field a sum or average adds up: empty when the open dataset lacks it or it is no
  // number. A count counts records, whatever their values.
  AnsiString SummedFieldName() const;
  AnsiString SumItemFieldName(TGroupOperation operation) const;

  TColumnEh* fColumn;
  TFooterValueType fValueType = fvtNon;
  AnsiString fFieldName;
  AnsiString fDisplayFormat;
  AnsiString fValue;
  std::unique_ptr<TFont> fFont;
  bool fFontAssigned = false;
  TColor fColor = clWindow;
  bool fColorAssigned = false;
  TAlignment fAlignment = taLeftJustify;
  bool fAlignmentAssigned = false;
  bool fToolTips = false;
  bool fToolTipsAssigned = false;
  bool fWordWrap = false;
  // The grid's sum list frees its items on a clear or an assign, behind the footer.
  TDBSumRef fSum;
};

class TColumnFootersEh : public TCollection {
  ORDVANE_CLASS(TColumnFootersEh, TCollection)

 public:
  explicit TColumnFootersEh(TColumnEh* column);

  TColumnEh* Column() const { return fColumn; }
  TColumnFooterEh* Items(int index) const { return static_cast<TColumnFooterEh*>(TCollection::Items(index)); }
  TColumnFooterEh* Add() { return static_cast<TColumnFooterEh*>(TCollection::Add()); }

 private:
  TColumnEh* fColumn;
};

// ---- Drop-down box and filter ---------------------------------------------------------

class TDBGridColumnsEh;

class TColumnDropDownBoxEh : public TPersistent {
  ORDVANE_CLASS(TColumnDropDownBoxEh, TPersistent)

 public:
  explicit TColumnDropDownBoxEh(TColumnEh* column);
  ~TColumnDropDownBoxEh() override;

  bool AutoFitColWidths() const { return fAutoFitColWidths; }
  void SetAutoFitColWidths(bool value);
  TColumnDefValuesEh& ColumnDefValues() const { return *fColumnDefValues; }
  // The lookup list of the column; the grid hears of its destruction.
  TDataSource* ListSource() const { return fListSource; }
  void SetListSource(TDataSource* value);
  TDBLookupGridEhOptions Options() const { return fOptions; }
  void SetOptions(TDBLookupGridEhOptions value);
  bool UseMultiTitle() const { return fUseMultiTitle; }
  void SetUseMultiTitle(bool value);
  TSpecRowEh& SpecRow() const { return *fSpecRow; }
  // The drop-down's own columns (titles, widths, order); while empty the drop-down shows
  // the column's lookup display fields.
  TDBGridColumnsEh& Columns() const { return *fColumns; }
  void SetColumns(const TDBGridColumnsEh& value);

  void Assign(const TPersistent* source) override;

 private:
  void Changed();

  TColumnEh* fColumn;
  bool fAutoFitColWidths = true;
  std::unique_ptr<TColumnDefValuesEh> fColumnDefValues;
  TDataSource* fListSource = nullptr;
  TDBLookupGridEhOptions fOptions{dlgColLinesEh};
  bool fUseMultiTitle = false;
  std::unique_ptr<TSpecRowEh> fSpecRow;
  std::unique_ptr<TDBGridColumnsEh> fColumns;
};

// The column's filter of the filter row, as stored: what the user typed, its parsed
// expression and the size the drop-down list was left with.
class TSTColumnFilterEh : public TPersistent {
  ORDVANE_CLASS(TSTColumnFilterEh, TPersistent)

 public:
  explicit TSTColumnFilterEh(TColumnEh* column);

  TColumnEh* Column() const { return fColumn; }
  const AnsiString& DataField() const { return fDataField; }
  void SetDataField(const AnsiString& value) { fDataField = value; }
  const AnsiString& KeyField() const { return fKeyField; }
  void SetKeyField(const AnsiString& value) { fKeyField = value; }
  const AnsiString& ListField() const { return fListField; }
  void SetListField(const AnsiString& value) { fListField = value; }
  // The source of the drop-down's values; the grid hears of its destruction.
  TDataSource* ListSource() const { return fListSource; }
  void SetListSource(TDataSource* value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value) { fVisible = value; }
  // The distinct texts of ListField (else of the filtered field) over ListSource's
  // dataset, for the filter cell's drop-down; nil without a ListSource. Made on first
  // use and kept up to date with the dataset.
  TStrings* ListValues();

  const AnsiString& ExpressionStr() const { return fExpressionStr; }
  // A copy of the parsed record.
  TSTFilterExpressionEh Expression() const { return fExpression; }
  int DropDownListWidth() const { return fDropDownListWidth; }
  void SetDropDownListWidth(int value) { fDropDownListWidth = value; }
  int DropDownListRows() const { return fDropDownListRows; }
  void SetDropDownListRows(int value) { fDropDownListRows = value; }

  // Empties the text and the expression.
  void Clear();
  // Takes a typed filter text: the value class comes from the column's field, then the
  // text is parsed. A text that does not parse raises and leaves the filter as it was.
  void SetExpressionStr(const AnsiString& text);
  // The value class of the typed values: a column filtering through its list source
  // takes ListField's values, a column with key and pick lists the shown texts, a
  // column without a field filters nothing.
  TSTOperandTypeEh OperandType();
  // Whether the column filters through its list source: ListSource with a dataset,
  // KeyField and ListField set. The expression is then met by ListField's values in the
  // list, and the data is filtered on the KeyField values of the records that meet it.
  bool FiltersThroughList() const;
  // The data field the condition applies to: the column's field, or, filtering through
  // the list, the key field of a lookup field (raising when it is no single field).
  TField* FilteredField();
  // The expression is one bare value of the column's class (no operator typed).
  bool IsSingleTypedOperand() const;
  // The name under which the column's field is filtered: the own DataField, else the
  // name of FilteredField.
  AnsiString GetFilterFieldName();
  // The first operand; through a key and pick list, the key of each shown text.
  Variant GetOperand1();
  Variant GetOperand2() const { return fExpression.Operand2; }
  void Assign(const TPersistent* source) override;

 protected:
  // For the filter operations: the text and the record it parsed into, stored together.
  void StoreExpression(const AnsiString& text, const TSTFilterExpressionEh& expression);

 private:
  TColumnEh* fColumn;
  AnsiString fDataField;
  AnsiString fKeyField;
  AnsiString fListField;
  TDataSource* fListSource = nullptr;
  bool fVisible = true;
  AnsiString fExpressionStr;
  TSTFilterExpressionEh fExpression;
  int fDropDownListWidth = 0;
  int fDropDownListRows = 0;
  std::unique_ptr<TDatasetFieldValueListEh> fListValues;
};

// ---- The column -----------------------------------------------------------------------

class TColumnEh : public TCollectionItem {
  ORDVANE_CLASS(TColumnEh, TCollectionItem)

 public:
  explicit TColumnEh(TCollection* collection);
  ~TColumnEh() override;

  // From another column: the values the source has set, and all its plain settings.
  void Assign(const TPersistent* source) override;
  AnsiString GetDisplayName() const override;
  // A generated column of an active grid moves its field in the dataset first.
  void SetIndex(int value) override;

  // The owning grid; nullptr outside a grid's columns.
  TCustomDBGridEh* Grid() const;
  TColumnEhValues AssignedValues() const { return fAssignedValues; }
  virtual bool IsGeneratedColumn() const { return !fPersistent; }

  // ---- Field binding
  // The field named FieldName in the grid's dataset; looked up again after the grid's
  // fields were rebuilt.
  TField* Field();
  virtual void SetField(TField* value);
  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value);
  // Forgets the cached field (the dataset's fields are being rebuilt).
  void ResetField() { fField = nullptr; }
  // The field bound now, without looking it up.
  TField* CachedField() const { return fField; }

  // ---- Values with fallbacks
  TAlignment Alignment();
  virtual void SetAlignment(TAlignment value);
  bool AlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool value);
  bool AutoDropDown() const;
  void SetAutoDropDown(bool value);
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode value);
  bool Checkboxes();
  void SetCheckboxes(bool value);
  TColor Color() const;
  void SetColor(TColor value);
  bool DblClickNextVal() const;
  void SetDblClickNextVal(bool value);
  bool DropDownShowTitles() const;
  void SetDropDownShowTitles(bool value);
  bool DropDownSizing() const;
  void SetDropDownSizing(bool value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  // The grid's font until set; a change through the pointer sets it.
  TFont* Font() const;
  void SetFont(const TFont& value);
  bool HighlightRequired() const;
  virtual void SetHighlightRequired(bool value);
  TImeMode ImeMode() const;
  virtual void SetImeMode(TImeMode value);
  TImeName ImeName() const;
  virtual void SetImeName(const TImeName& value);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout value);
  AnsiString LookupDisplayFields();
  virtual void SetLookupDisplayFields(const AnsiString& value);
  bool ReadOnly();
  virtual void SetReadOnly(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  int Width();
  virtual void SetWidth(int value);
  bool WordWrap();
  virtual void SetWordWrap(bool value);

  // ---- Plain values
  bool AutoFitColWidth() const { return fAutoFitColWidth; }
  virtual void SetAutoFitColWidth(bool value);
  TColumnButtonStyleEh ButtonStyle() const { return fButtonStyle; }
  void SetButtonStyle(TColumnButtonStyleEh value);
  const AnsiString& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const AnsiString& value);
  unsigned DropDownRows() const { return fDropDownRows; }
  void SetDropDownRows(unsigned value);
  int DropDownWidth() const { return fDropDownWidth; }
  void SetDropDownWidth(int value);
  const AnsiString& EditMask() const { return fEditMask; }
  void SetEditMask(const AnsiString& value);
  bool HideDuplicates() const { return fHideDuplicates; }
  virtual void SetHideDuplicates(bool value);
  // Forgotten when the image list goes.
  TCustomImageList* ImageList() const { return fImageChangeLink->Sender(); }
  void SetImageList(TCustomImageList* value);
  double Increment() const { return fIncrement; }
  void SetIncrement(double value) { fIncrement = value; }
  // Created on first read.
  TStrings* KeyList();
  void SetKeyList(const TStrings* value);
  int MaxWidth() const { return fMaxWidth; }
  void SetMaxWidth(int value);
  int MinWidth() const { return fMinWidth; }
  void SetMinWidth(int value);
  int NotInKeyListIndex() const { return fNotInKeyListIndex; }
  void SetNotInKeyListIndex(int value);
  // Created on first read.
  TStrings* PickList();
  void SetPickList(const TStrings* value);
  TPopupMenu* PopupMenu() const { return fPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  bool ShowImageAndText() const { return fShowImageAndText; }
  void SetShowImageAndText(bool value);
  int Tag() const { return fTag; }
  void SetTag(int value) { fTag = value; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  // The width the column was laid out with: the base of proportional fitting.
  int InitialWidth() const { return fInitialWidth; }
  void SetInitialWidth(int value) { fInitialWidth = value; }
  // The width to go back to when the grid stops fitting its columns.
  int WidthToRestore() const { return fWidthToRestore; }
  void SetWidthToRestore(int value) { fWidthToRestore = value; }

  // ---- Owned parts
  TColumnTitleEh& Title() const { return *fTitle; }
  TColumnFooterEh& Footer() const { return *fFooter; }
  TColumnFootersEh& Footers() const { return *fFooters; }
  TEditButtonsEh& EditButtons() const { return *fEditButtons; }
  TSpecRowEh& DropDownSpecRow() const { return *fDropDownSpecRow; }
  TColumnDropDownBoxEh& DropDownBox() const { return *fDropDownBox; }
  TMRUListEh& MRUList() const { return *fMRUList; }
  TSTColumnFilterEh& STFilter() const { return *fSTFilter; }
  // The lookup popup grid "DataList" the editor drops down, made on the first request.
  TPopupDataGridEh* DataList();
  void SetSTFilter(const TSTColumnFilterEh& value) { fSTFilter->Assign(&value); }

  // ---- Operations
  TColumnCellKind GetColumnType();
  // How the editor edits the column's cells.
  TColumnEditStyleEh GetEditStyle();
  AnsiString GetDisplayText();
  TCheckBoxState GetCheckboxState();
  void SetCheckboxState(TCheckBoxState value);
  int GetImageIndex();
  // Writes an edited value into the field, as text or as a value.
  void UpdateData(AnsiString text, Variant value, bool useText);
  // Whether the current cell may be changed; with tryEdit the dataset is put into edit
  // state and the answer is whether it got there.
  bool CanModify(bool tryEdit);
  // Steps the cell's value: the next list line or record, the other check state, or the
  // number plus increment.
  void SetNextFieldValue(double increment);
  void FillColCellParams(TColCellParamsEh& params);
  TColumnFooterEh& GetFooterItem(int index) const;
  int EditButtonsWidth();
  // Fits the width to the title and the cells over all records.
  void OptimizeWidth();
  TDataSet* LookupDataSet();
  int ClampWidth(int width) const;
  // The width while Width is not set.
  int DefaultWidth();
  // BiDiMode bdRightToLeft under a right-to-left locale (MiddleEastLocale); the editor
  // mirrors its buttons and text by it.
  bool IsRightToLeft() const;
  virtual void GetColCellParams(bool editMode, TColCellParamsEh& params);
  virtual void RestoreDefaults();
  virtual void DropDownBoxChanged();

  TGetColCellParamsEventEh OnGetCellParams;
  TNotInListEventEh OnNotInList;
  TColCellUpdateDataEventEh OnUpdateData;
  TButtonClickEventEh OnEditButtonClick;
  TButtonDownEventEh OnEditButtonDown;
  TOnColumnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;

  // The drop-down box's events, handed to the lookup popup grid as it is made and whenever
  // they change.
  const TCheckTitleEhBtnEvent& OnDropDownBoxCheckButton() const { return fOnDropDownBoxCheckButton; }
  void SetOnDropDownBoxCheckButton(TCheckTitleEhBtnEvent value);
  const TDrawColumnEhCellEvent& OnDropDownBoxDrawColumnCell() const { return fOnDropDownBoxDrawColumnCell; }
  void SetOnDropDownBoxDrawColumnCell(TDrawColumnEhCellEvent value);
  const TGetCellEhParamsEvent& OnDropDownBoxGetCellParams() const { return fOnDropDownBoxGetCellParams; }
  void SetOnDropDownBoxGetCellParams(TGetCellEhParamsEvent value);
  const TNotifyEvent& OnDropDownBoxSortMarkingChanged() const { return fOnDropDownBoxSortMarkingChanged; }
  void SetOnDropDownBoxSortMarkingChanged(TNotifyEvent value);
  const TTitleEhClickEvent& OnDropDownBoxTitleBtnClick() const { return fOnDropDownBoxTitleBtnClick; }
  void SetOnDropDownBoxTitleBtnClick(TTitleEhClickEvent value);

 protected:
  virtual std::unique_ptr<TColumnTitleEh> CreateTitle();
  virtual std::unique_ptr<TColumnFooterEh> CreateFooter();
  virtual std::unique_ptr<TColumnFootersEh> CreateFooters();
  virtual std::unique_ptr<TEditButtonsEh> CreateEditButtons();
  virtual std::unique_ptr<TSTColumnFilterEh> CreateSTFilter();

 private:
  friend class TColumnTitleEh;
  friend class TColumnFooterEh;
  friend class TDBGridColumnsEh;

  bool Has(TColumnEhValue value) const { return fAssignedValues.Contains(value); }
  // The own value of `bit`, else `read` of the grid, of the grid's column defaults or of
  // the field, else the value for a column without one.
  template <class T, class Read>
  T OwnOrGrid(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const;
  template <class T, class Read>
  T OwnOrDefault(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const;
  template <class T, class Read>
  T OwnOrField(TColumnEhValue bit, const T& own, Read&& read, const T& withoutField);
  template <class T>
  void Store(T& field, const T& value, TColumnEhValue bit, bool tellChange = true);
  // For the values without a fallback.
  template <class T>
  void ChangePlain(T& field, const T& value);
  // For the values whose setter leaves a fallback unassigned.
  template <class T>
  void StoreUnlessFallback(T& field, const T& value, TColumnEhValue bit, const T& fallback);
  void ColumnChanged() { Changed(false); }
  TColumnDefValuesEh* DefValues() const;
  bool GridLoading() const;
  // Whether a change goes to the field instead: a generated column of an active grid.
  TField* WriteThroughField();
  void RefreshDefaultFont() const;
  void FontChanged();
  void RefreshFooterBindings();
  bool FooterBindingsStale() const;
  // Where a lookup cell's key lives: the field's key fields, or the field itself.
  std::vector<TField*> EditedFields(TField* field) const;
  bool EditableNow();
  void StepInList(TStrings* list, double increment);
  void StepLookup(double increment);
  void Repaint();

  TColumnEhValues fAssignedValues;
  TField* fField = nullptr;
  bool fPersistent = true;
  AnsiString fFieldName;

  TAlignment fAlignment = taLeftJustify;
  bool fAlwaysShowEditButton = false;
  bool fAutoDropDown = false;
  TBiDiMode fBiDiMode = bdLeftToRight;
  bool fCheckboxes = false;
  TColor fColor = clWindow;
  bool fDblClickNextVal = false;
  bool fDropDownShowTitles = false;
  bool fDropDownSizing = false;
  bool fEndEllipsis = false;
  std::unique_ptr<TFont> fFont;
  bool fHighlightRequired = false;
  TImeMode fImeMode = imDontCare;
  TImeName fImeName;
  TTextLayout fLayout = tlTop;
  AnsiString fLookupDisplayFields;
  bool fReadOnly = false;
  bool fToolTips = false;
  int fWidth = 0;
  bool fWordWrap = false;

  bool fAutoFitColWidth = true;
  TColumnButtonStyleEh fButtonStyle = cbsAuto;
  AnsiString fDisplayFormat;
  unsigned fDropDownRows = 7;
  int fDropDownWidth = 0;
  AnsiString fEditMask;
  bool fHideDuplicates = false;
  double fIncrement = 1.0;
  std::unique_ptr<TStringList> fKeyList;
  int fMaxWidth = 0;
  int fMinWidth = 0;
  int fNotInKeyListIndex = -1;
  std::unique_ptr<TStringList> fPickList;
  TPopupMenu* fPopupMenu = nullptr;
  bool fShowImageAndText = false;
  int fTag = 0;
  bool fVisible = true;
  int fInitialWidth = 0;
  int fWidthToRestore = 0;
  mutable bool fCopyingFont = false;

  std::unique_ptr<TColumnTitleEh> fTitle;
  std::unique_ptr<TColumnFooterEh> fFooter;
  std::unique_ptr<TColumnFootersEh> fFooters;
  std::unique_ptr<TEditButtonsEh> fEditButtons;
  std::unique_ptr<TSpecRowEh> fDropDownSpecRow;
  std::unique_ptr<TColumnDropDownBoxEh> fDropDownBox;
  std::unique_ptr<TMRUListEh> fMRUList;
  std::unique_ptr<TSTColumnFilterEh> fSTFilter;
  std::unique_ptr<TChangeLink> fImageChangeLink;
  std::unique_ptr<TPopupDataGridEh> fDataList;

 private:
  TCheckTitleEhBtnEvent fOnDropDownBoxCheckButton;
  TDrawColumnEhCellEvent fOnDropDownBoxDrawColumnCell;
  TGetCellEhParamsEvent fOnDropDownBoxGetCellParams;
  TNotifyEvent fOnDropDownBoxSortMarkingChanged;
  TTitleEhClickEvent fOnDropDownBoxTitleBtnClick;
};

// The published form of a column.
class TDBGridColumnEh : public TColumnEh {
  ORDVANE_CLASS(TDBGridColumnEh, TColumnEh)

 public:
  using TColumnEh::TColumnEh;
};

enum TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumnsEh : public TCollection {
  ORDVANE_CLASS(TDBGridColumnsEh, TCollection)

 public:
  explicit TDBGridColumnsEh(TCustomDBGridEh* grid,
                            TCollectionItemClass itemClass = TCollectionItemClass::Of<TDBGridColumnEh>());

  TCustomDBGridEh* Grid() const { return fGrid; }
  TColumnEh* Items(int index) const { return static_cast<TColumnEh*>(TCollection::Items(index)); }
  TColumnEh* Add() { return static_cast<TColumnEh*>(TCollection::Add()); }
  // A column made from the dataset's fields rather than by the user.
  TColumnEh* AddGenerated();
  TDBGridColumnsState State() const;
  // Every column forgets its cached field.
  void ResetFields();
  // The dataset opened, closed or made its fields anew: each footer's sum follows.
  void RefreshFooterBindings();

 protected:
  // Tells the grid of a changed column, or of every column (nullptr).
  void Update(TCollectionItem* item) override;

 private:
  TCustomDBGridEh* fGrid;
};

}  // namespace ordvane

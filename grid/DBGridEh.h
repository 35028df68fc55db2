#pragma once
// The data-aware grid: a base grid whose rows show the records of a dataset through its
// data link and whose columns are TColumnEh items. Declared here with its companions: the
// data link and its field map, the list of selected rows, the selection (rows, a
// rectangle, columns or all), the filter-row and scroll-bar settings, and the routines the
// grid units share. The implementation is split by concern (DBGridEh*.cpp).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "classlib/db/DataSource.h"
#include "classlib/ui/ImgList.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/StdButtons.h"
#include "grid/DBGridEhColumns.h"
#include "grid/DBGridEhStyle.h"
#include "grid/DBGridEhTitleTree.h"
#include "grid/DbUtilsEh.h"
#include "gridbase/BMListEh.h"
#include "gridbase/ButtonFacesEh.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/FactoryPartEh.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TSet<TDBGridEhAllowedOperation>;

enum TDBGridEhEditAction { geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh };
using TDBGridEhEditActions = TSet<TDBGridEhEditAction>;

enum TDBGridOption {
  dgEditing,
  dgAlwaysShowEditor,
  dgTitles,
  dgIndicator,
  dgColumnResize,
  dgColLines,
  dgRowLines,
  dgTabs,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgConfirmDelete,
  dgCancelOnExit,
  dgMultiSelect,
};
using TDBGridOptions = TSet<TDBGridOption>;

enum TDBGridEhOption {
  dghFixed3D,
  dghFrozen3D,
  dghFooter3D,
  dghData3D,
  dghResizeWholeRightPart,
  dghHighlightFocus,
  dghClearSelection,
  dghFitRowHeightToText,
  dghAutoSortMarking,
  dghMultiSortMarking,
  dghEnterAsTab,
  dghTraceColSizing,
  dghIncSearch,
  dghPreferIncSearch,
  dghRowHighlight,
  dghDblClickOptimizeColWidth,
  dghDialogFind,
  dghRecordMoving,
};
using TDBGridEhOptions = TSet<TDBGridEhOption>;

enum TDBGridEhSelectionType : Byte { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
using TDBGridEhAllowedSelections = TSet<TDBGridEhSelectionType>;

enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };

using TMovedEvent = TEvent<void(TObject* sender, int fromIndex, int toIndex)>;
// A left-button click on a title or data cell of the column.
using TDBGridEhClickEvent = TEvent<void(TColumnEh* column)>;
// The colours and the sort marker of a title cell.
using TGetBtnEhParamsEvent = TEvent<void(TObject* sender, TColumnEh* column, TFont* font, TColor& background,
                                         TSortMarkerEh& sortMarker, bool isDown)>;
// The font, colours, alignment and text of a footer cell, before it is drawn.
using TGetFooterParamsEvent =
    TEvent<void(TObject* sender, int dataCol, int row, TColumnEh* column, TFont* font, TColor& background,
                TAlignment& alignment, TGridDrawState state, AnsiString& text)>;
// A footer cell was drawn (the handler may draw over it); row counts the footer rows.
using TDrawFooterCellEvent = TEvent<void(TObject* sender, int dataCol, int row, TColumnEh* column,
                                         const TRect& rect, TGridDrawState state)>;
using TDrawDataCellEvent = TEvent<void(TObject* sender, const TRect& rect, TField* field, TGridDrawState state)>;
// Moves the records (or, with checkOnly, answers whether they may go) to record number
// toRecNo; treeLevel is -1 in a flat dataset.
using TGridMoveRecordsEventEh = TEvent<bool(TObject* sender, const std::vector<TBookmarkStr>& bookmarks,
                                            int toRecNo, int treeLevel, bool checkOnly)>;

// The mouse operation the data-aware grid runs itself (the base grid keeps its own state):
// selecting records from the indicator, columns from their titles, a rectangle of data
// cells, or dragging records.
enum TDBGridEhStateEh : Byte {
  dgsNormalEh = 0,
  dgsRowSelectingEh = 1,
  dgsColSelectingEh = 2,
  dgsRectSelectingEh = 3,
  dgsRecordMovingEh = 7
};
// The window timer of the grid's mouse operations, record moving among them.
constexpr UINT_PTR kScrollTimerEh = 1;

class TCustomDBGridEh;
class TInplaceFilterEditEh;

// The area of a raw cell: its column kind and its row kind.
enum TCellColKindEh : Byte { cckIndicatorEh = 0, cckDataEh = 1 };
enum TCellRowKindEh : Byte { crkTitleEh = 0, crkFilterEh = 1, crkDataEh = 2, crkFooterEh = 4 };
struct TGridCellTypeEh {
  TCellColKindEh ColKind;
  TCellRowKindEh RowKind;
};

// ---- Shared routines ------------------------------------------------------------------

// The indicator images by their place in IndicatorImagesEh.
enum TIndicatorImageEh {
  iiCurrentEh = 0,
  iiEditEh = 1,
  iiInsertEh = 2,
  iiCurrentSelectedEh = 5,
  iiCurrentSearchingEh = 6
};
// The colours of the text an incremental search has matched (and of the indicator's
// background during the search).
constexpr TColor kInplaceSearchColorEh = clYellow;
constexpr TColor kInplaceSearchTextColorEh = clBlack;
// The indicator images, made (with their artwork registered) on first use.
TCustomImageList& IndicatorImagesEh();
// The title sort markers: smDownEh's image first, then smUpEh's.
constexpr int kSortMarkerWidthEh = 9;
constexpr int kSortMarkerHeightEh = 8;
TCustomImageList& SortMarkerImagesEh();
// The small font of the sort index written beside a marker, as high as the marker.
const TFont& SortIndexFontEh();
// The width of `text` written in `font`.
int TextWidthInFontEh(const TFont& font, const AnsiString& text);
// Whether the two fonts write the same (every property equal).
bool SameFontEh(const TFont& a, const TFont& b);

// A numeric field's value rounded to an integer when it fits 32 bits, else `fallback`.
int FieldValueAsIntegerEh(TField* field, int fallback);
// Whether every field of the list can be modified; an empty list can.
bool FieldsCanModifyEh(const std::vector<TField*>& fields);
[[noreturn]] void RaiseGridErrorEh(const AnsiString& message);
// Takes `message` of `wnd` off the queue; a WM_QUIT taken with it is posted again.
void RemovePendingMessageEh(HWND wnd, UINT message);
// Whether the text needs more room than the cell gives (a tooltip is wanted then).
bool TextOverflowsEh(TCanvas& canvas, const AnsiString& text, const TRect& rect, bool wordWrap,
                     int leftMargin);
int TextHeightEh(TCanvas& canvas, const AnsiString& text);

// How WriteTextEh places text in its rectangle.
struct TCellTextFormatEh {
  TAlignment Alignment = taLeftJustify;
  TTextLayout Layout = tlTop;
  // Word-wrapped lines instead of one clipped line.
  bool MultiLine = false;
  // A line that does not fit ends in "...".
  bool EndEllipsis = false;
  // Margins of the multi-line path.
  int LeftMargin = 0;
  int RightMargin = 0;
};

// `text` with characters dropped from its end and "..." appended until it fits `width`;
// "..." alone when nothing shorter fits (even when "..." itself is wider). Characters go
// whole: a UTF-8 sequence is never cut when the ANSI code page is UTF-8.
AnsiString ShortenTextEh(TCanvas& canvas, const AnsiString& text, int width);
// Writes cell text clipped to `rect`, `dx` and `dy` in from its left and top edges; with
// `fill` the rectangle is first filled with the brush, else the text goes over what is there.
void WriteTextEh(TCanvas& canvas, const TRect& rect, bool fill, int dx, int dy, const AnsiString& text,
                 const TCellTextFormatEh& format);
// Writes the first `prefixLength` characters of `text` where WriteTextEh starts the text
// (multi-line text: at its first line's margin), filled with the brush.
void WriteTextPrefixEh(TCanvas& canvas, const TRect& rect, int dx, int dy, const AnsiString& text,
                       std::size_t prefixLength, const TCellTextFormatEh& format);
// DrawTextEx with the left and right margins in its parameter record.
int DrawTextExEh(TCanvas& canvas, const AnsiString& text, TRect& rect, unsigned format, int leftMargin,
                 int rightMargin);
// The font turned by 90 degrees: its text runs bottom-up.
TLogFont CreateRotatedFontEh(const TFont& font);
// Writes `text` bottom-up in the canvas font, clipped to `rect`: centred across the
// rectangle and, along it, from the bottom (left alignment), to the top (right) or centred.
void DrawRotatedTextEh(TCanvas& canvas, const TRect& rect, const AnsiString& text, TAlignment alignment);
// Draws image `index` of `images` vertically centred in `rect`, at its left (plus `margin`),
// centre or right by the alignment, clipped to the rectangle.
void DrawClipImageEh(TCanvas& canvas, const TCustomImageList& images, int index, const TRect& rect,
                     TAlignment alignment, int margin);
// One edit button of a cell: flat buttons framed in `background` with one pixel of inset,
// others with a raised edge; the face by its draw kind, or the glyph of a glyph button.
void DrawCellButtonEh(TCanvas& canvas, const TRect& rect, TColor background, TEditButtonStyleEh style,
                      const TBitmap* glyph, bool flat, bool enabled);

// ---- Keyboard and clipboard actions ----------------------------------------------------

// The grid's key combinations, process-wide (the class library's shortcut encoding).
struct TDBGridEhShortCutsEh {
  TShortCut IncSearch;
  TShortCut FindDialog;
  TShortCut SearchNext;
  TShortCut SearchPrior;
  TShortCut CopyFromAbove;
  // The time-out of a search started by typing, in milliseconds.
  int IncSearchTimeOut;
};
TDBGridEhShortCutsEh& DBGridEhShortCuts();

// The window timer of the incremental search's time-out.
constexpr UINT_PTR kIncSearchTimerEh = 2;

// The clipboard actions behind the grid's keys. The grid output unit sets them when it
// starts; without it they are empty and those keys do nothing.
using TDBGridEhActionProcEh = std::function<void(TCustomDBGridEh& grid)>;
TDBGridEhActionProcEh& GridCopyToClipboardProc();
TDBGridEhActionProcEh& GridCutToClipboardProc();
TDBGridEhActionProcEh& GridPasteFromClipboardProc();
TDBGridEhActionProcEh& GridDeleteSelectionProc();
// The clipboard format of the grid's own copies; 0 until the grid output unit registers it.
UINT& DBGridEhClipboardFormat();

// Opens the grid's find dialog through the data service.
void ShowFindDialogProc(TCustomDBGridEh& grid, const AnsiString& text, const AnsiString& fieldName, bool modal);

// ---- Data link ------------------------------------------------------------------------

// How dataset events reach the grid, and which dataset field each mapped column shows.
class TGridDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TGridDataLinkEh, TDataLink)

 public:
  // The bound of the field map: the map's own index limit.
  static constexpr int MaxMappedFields = 0x0FFFFFFF;

  explicit TGridDataLinkEh(TCustomDBGridEh* grid) : fGrid(grid) {}
  TCustomDBGridEh* Grid() const { return fGrid; }
  // The grid's record holds a change the dataset has not taken yet; any new record,
  // dataset state or activation forgets it.
  bool Modified() const { return fModified; }
  void MarkModified() { fModified = true; }

  // Field map. Sparse: names that are not found map to no field instead of raising.
  bool Sparse() const { return fSparse; }
  void SetSparse(bool value) { fSparse = value; }
  int FieldCount() const { return static_cast<int>(fFieldMap.size()); }
  // The field of a mapped index; nullptr outside the map or for a missing field.
  TField* Fields(int index) const;
  // Maps the next index to the named field; false when the field is missing (sparse).
  bool AddMapping(const AnsiString& fieldName);
  void ClearMapping() { fFieldMap.clear(); }
  // The dataset makes its fields itself and, when sparse, every name was found.
  bool DefaultFields() const;

 protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent event, NativeInt info) override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  TCustomDBGridEh* fGrid;
  std::vector<int> fFieldMap;
  bool fSparse = false;
  bool fModified = false;
  bool fInUpdateData = false;
};

// ---- Selected rows and the selection --------------------------------------------------

class TBookmarkListEh : public TBMListEh {
  ORDVANE_CLASS(TBookmarkListEh, TBMListEh)

 public:
  explicit TBookmarkListEh(TCustomDBGridEh* grid) : fGrid(grid) {}
  // Selecting a row makes the selection one of rows, dropping any other kind first.
  void SetCurrentRowSelected(bool value) override;
  // The rows shown that hold selected records, over every column; (-1, -1, -1, -1) when
  // none is shown.
  TGridRect SelectionRect();

 protected:
  TDataSet* DataSet() const override;
  void ListChanged() override;

 private:
  TCustomDBGridEh* fGrid;
};

// A rectangle of data cells between an anchor and a corner, each a data column and a
// record's bookmark.
class TDBGridEhSelectionRect {
 public:
  explicit TDBGridEhSelectionRect(TCustomDBGridEh* grid) : fGrid(grid) {}
  // The corner moves to the cell; the anchor too when none is set or `addSel` is false.
  // A rectangle of one cell is no selection.
  void Select(int dataCol, const TBookmarkStr& bookmark, bool addSel);
  void Clear();
  bool DataCellSelected(int dataCol, const TBookmarkStr& bookmark) const;
  // The cells in grid coordinates, rows among those shown; (-1, -1, -1, -1) when none.
  TGridRect SelectionRect() const;
  int AnchorCol() const { return fAnchorCol; }
  int ShiftCol() const { return fShiftCol; }
  const TBookmarkStr& AnchorBookmark() const { return fAnchorBookmark; }
  const TBookmarkStr& ShiftBookmark() const { return fShiftBookmark; }

 private:
  // The two bookmarks in dataset order.
  bool RowInRange(const TBookmarkStr& bookmark) const;

  TCustomDBGridEh* fGrid;
  int fAnchorCol = -1;
  TBookmarkStr fAnchorBookmark;
  int fShiftCol = -1;
  TBookmarkStr fShiftBookmark;
};

// Whole columns, in the order they were selected.
class TDBGridEhSelectionCols : public TColumnsEhList {
 public:
  explicit TDBGridEhSelectionCols(TCustomDBGridEh* grid) : fGrid(grid) {}
  // Makes a column selection of one column, or adds the column to it.
  void Select(TColumnEh* column, bool addSel);
  // Extends the selection from its anchor column to `column` over the visible columns,
  // dropping those passed back over.
  void SelectShift(TColumnEh* column);
  // Adds the column to a column selection or drops it when it is selected; it becomes the
  // anchor either way.
  void Toggle(TColumnEh* column);
  // Drops the columns that left the grid.
  void Refresh();
  // Raw column range covered, rows 0 .. last; (-1, -1, -1, -1) when empty.
  TGridRect SelectionRect() const;

 private:
  TCustomDBGridEh* fGrid;
  TColumnEh* fAnchor = nullptr;
};

class TDBGridEhSelection : public TPersistent {
  ORDVANE_CLASS(TDBGridEhSelection, TPersistent)

 public:
  explicit TDBGridEhSelection(TCustomDBGridEh* grid);

  TDBGridEhSelectionType SelectionType() const { return fSelectionType; }
  void SetSelectionType(TDBGridEhSelectionType value);
  TDBGridEhSelectionRect& Rect() { return fRect; }
  TDBGridEhSelectionCols& Columns() { return fColumns; }
  bool DataCellSelected(int dataCol, const TBookmarkStr& bookmark);
  // Clears the current kind of selection; the type becomes gstNon.
  void Clear();
  void SelectAll();
  TGridRect GetSelectionBounds();
  // The selected-row list changed: an empty row selection is no selection.
  void SelectedRowsChanged();
  // The rectangle or column part changed.
  void Changed();

 private:
  TCustomDBGridEh* fGrid;
  TDBGridEhSelectionType fSelectionType = gstNon;
  TDBGridEhSelectionRect fRect;
  TDBGridEhSelectionCols fColumns;
};

// ---- Settings objects -----------------------------------------------------------------

// The grid's filter row as far as the grid core reads it.
class TSTDBGridEhFilter : public TPersistent {
  ORDVANE_CLASS(TSTDBGridEhFilter, TPersistent)

 public:
  explicit TSTDBGridEhFilter(TCustomDBGridEh* grid) : fGrid(grid) {}
  bool Local() const { return fLocal; }
  void SetLocal(bool value) { fLocal = value; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);
  void Assign(const TPersistent* source) override;
  // Brackets column moves: meanwhile the grid leaves the filter editor alone.
  void BeginUpdate() { ++fUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }

 private:
  TCustomDBGridEh* fGrid;
  bool fLocal = false;
  bool fVisible = false;
  int fUpdateCount = 0;
};

// Holds the filter row's update bracket for a scope.
class TSTFilterUpdateScopeEh {
 public:
  explicit TSTFilterUpdateScopeEh(TSTDBGridEhFilter& filter) : fFilter(filter) { fFilter.BeginUpdate(); }
  ~TSTFilterUpdateScopeEh() { fFilter.EndUpdate(); }
  TSTFilterUpdateScopeEh(const TSTFilterUpdateScopeEh&) = delete;
  TSTFilterUpdateScopeEh& operator=(const TSTFilterUpdateScopeEh&) = delete;

 private:
  TSTDBGridEhFilter& fFilter;
};

class TDBGridEhScrollBar : public TPersistent {
  ORDVANE_CLASS(TDBGridEhScrollBar, TPersistent)

 public:
  TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKind kind) : fGrid(grid), fKind(kind) {}
  TScrollBarKind Kind() const { return fKind; }
  bool Visible() const { return fVisibleMode != sbNeverShowEh; }
  void SetVisible(bool value);
  TScrollBarVisibleModeEh VisibleMode() const { return fVisibleMode; }
  void SetVisibleMode(TScrollBarVisibleModeEh value);
  bool Tracking() const { return fTracking; }
  void SetTracking(bool value) { fTracking = value; }
  // A bar placed elsewhere on the form that scrolls the grid instead of its own.
  TScrollBar* ExtScrollBar() const { return fExtScrollBar; }
  void SetExtScrollBar(TScrollBar* value);
  bool IsScrollBarShowing() const;
  // Takes the other bar's visibility and tracking; the kind and the external bar stay,
  // since an external bar drives one grid only.
  void Assign(const TPersistent* source) override;

 private:
  TCustomDBGridEh* fGrid;
  TScrollBarKind fKind;
  TScrollBarVisibleModeEh fVisibleMode = sbAutoShowEh;
  bool fTracking = false;
  TScrollBar* fExtScrollBar = nullptr;
};

// The settings of the vertical bar, a class of their own so that stored settings tell
// the two bars apart.
class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
  ORDVANE_CLASS(TVertDBGridEhScrollBar, TDBGridEhScrollBar)

 public:
  explicit TVertDBGridEhScrollBar(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, sbVertical) {}
};

// ---- The grid -------------------------------------------------------------------------

// What the scroll-bar factory makes: the settings of the two bars.
struct TDBGridEhScrollBarsEh {
  std::unique_ptr<TDBGridEhScrollBar> Horz;
  std::unique_ptr<TVertDBGridEhScrollBar> Vert;
};

// The grid holds its filter row's editor (IInplaceEditHolderEh).
class TCustomDBGridEh : public TCustomGridEh, public IInplaceEditHolderEh {
  ORDVANE_CLASS(TCustomDBGridEh, TCustomGridEh)

 public:
  explicit TCustomDBGridEh(TComponent* owner);
  ~TCustomDBGridEh() override;

  void DefaultHandler(TMessage& message) override;

  // ---- Owned parts and companions
  TDBGridColumnsEh& Columns() const { return *fColumns; }
  // The owned parts below take copies of what they are given.
  void SetColumns(const TDBGridColumnsEh& value);
  TDBGridEhColumnDefValuesEh& ColumnDefValues() const { return *fColumnDefValues; }
  void SetColumnDefValues(const TDBGridEhColumnDefValuesEh& value);
  TGridDataLinkEh& DataLink() const { return *fDataLink; }
  TDataSource* DataSource() const { return fDataLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  TDBSumListProducer& SumList() const { return *fSumList; }
  void SetSumList(const TDBSumListProducer& value);
  TBookmarkListEh& SelectedRows() const { return *fSelectedRows; }
  TDBGridEhSelection& Selection() const { return *fSelection; }
  TSTDBGridEhFilter& STFilter() const { return *fSTFilter; }
  void SetSTFilter(const TSTDBGridEhFilter& value);
  TDBGridEhScrollBar& HorzScrollBar() const { return *fHorzScrollBar; }
  void SetHorzScrollBar(const TDBGridEhScrollBar& value);
  TVertDBGridEhScrollBar& VertScrollBar() const { return *fVertScrollBar; }
  void SetVertScrollBar(const TDBGridEhScrollBar& value);
  // The columns with a sort marker, in SortIndex order.
  TColumnsEhList& SortMarkedColumns() { return fSortMarkedColumns; }
  // The columns whose Visible is set, in column order; rebuilt by every layout.
  TColumnsEhList& VisibleColumns() { return fVisibleColumns; }
  const TColumnsEhList& VisibleColumns() const { return fVisibleColumns; }
  TDBGridEhStyle* Style() const { return fStyle; }
  // nil attaches the shared style (or none when there is none).
  void SetStyle(TDBGridEhStyle* value);

  // The title and footer fonts follow the grid's Font while ParentFont is set; a change
  // made to either turns ParentFont off.
  TFont* TitleFont() const { return fTitleFont.get(); }
  void SetTitleFont(const TFont& value) { fTitleFont->Assign(&value); }
  // Images that titles show in place of their caption (by the title's ImageIndex).
  TCustomImageList* TitleImages() const { return fTitleImages; }
  void SetTitleImages(TCustomImageList* value);
  TFont* FooterFont() const { return fFooterFont.get(); }
  void SetFooterFont(const TFont& value) { fFooterFont->Assign(&value); }
  TColor FooterColor() const { return fFooterColor; }
  // Background of data rows by record number on a numbered dataset; the grid's Color while
  // not set.
  TColor EvenRowColor() const { return fEvenRowColor.value_or(Color()); }
  void SetEvenRowColor(TColor value);
  TColor OddRowColor() const { return fOddRowColor.value_or(Color()); }
  void SetOddRowColor(TColor value);
  // Setting it outside loading turns ParentColor off; with ParentColor it follows Color.
  void SetFooterColor(TColor value);
  // A column's popup menu or list source: the grid hears of its destruction and unhooks it.
  void WatchComponent(TComponent* component);

  // ---- Options and settings
  TDBGridOptions Options() const { return fDBOptions; }
  void SetOptions(TDBGridOptions value);
  TDBGridEhOptions OptionsEh() const { return fOptionsEh; }
  void SetOptionsEh(TDBGridEhOptions value);
  TDBGridEhAllowedOperations AllowedOperations() const { return fAllowedOperations; }
  void SetAllowedOperations(TDBGridEhAllowedOperations value) { fAllowedOperations = value; }
  TDBGridEhAllowedSelections AllowedSelections() const { return fAllowedSelections; }
  void SetAllowedSelections(TDBGridEhAllowedSelections value);
  // Whether a selection of the type may be made now.
  bool SelectionTypeAllowed(TDBGridEhSelectionType type) const;
  bool AutoFitColWidths() const { return fAutoFitColWidths; }
  void SetAutoFitColWidths(bool value);
  int MinAutoFitWidth() const { return fMinAutoFitWidth; }
  void SetMinAutoFitWidth(int value);
  bool DrawMemoText() const { return fDrawMemoText; }
  void SetDrawMemoText(bool value);
  // Sorting by the title markers is done in the dataset's memory instead of in its SQL.
  bool SortLocal() const { return fSortLocal; }
  void SetSortLocal(bool value) { fSortLocal = value; }
  void SetFlat(bool value);
  // The border of the flat edit buttons: thinner on a flat grid.
  int EditButtonsBorderWidth() const { return Flat() ? 2 : 4; }
  // Data columns kept at the right edge; the base grid's contra columns are as many as
  // the columns allow.
  int ContraColCount() const { return fContraColCount; }
  void SetContraColCount(int value);
  int FrozenCols() const { return fFrozenCols; }
  void SetFrozenCols(int value);
  int FooterRowCount() const { return fFooterRowCount; }
  void SetFooterRowCount(int value);
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value);
  // Extra pixels and text lines of a data row; negative values become 0.
  int RowHeight() const { return fRowHeight; }
  void SetRowHeight(int value);
  int RowLines() const { return fRowLines; }
  void SetRowLines(int value);
  int TitleHeight() const { return fTitleHeight; }
  void SetTitleHeight(int value);
  int TitleLines() const { return fTitleLines; }
  void SetTitleLines(int value);
  // Data rows may be sized with the mouse on the indicator; a sized row's height becomes
  // RowHeight of every row.
  bool RowSizingAllowed() const { return fRowSizingAllowed; }
  void SetRowSizingAllowed(bool value);
  TImeMode ImeMode() const { return fImeMode; }
  void SetImeMode(TImeMode value) { fImeMode = value; }
  const TImeName& ImeName() const { return fImeName; }
  void SetImeName(const TImeName& value) { fImeName = value; }

  // ---- Layout state
  int IndicatorOffset() const { return fIndicatorOffset; }
  int TitleOffset() const { return fTitleOffset; }
  int ButtonWidth() const { return fButtonWidth; }
  bool MultiLineRows() const { return fMultiLineRows; }
  int CalculatedTitleHeight() const { return fCalculatedTitleHeight; }
  virtual bool AreTitlesVisible() const { return fDBOptions.Contains(dgTitles); }
  // The raw column whose title the mouse holds down (-1: none); its content shows shifted.
  int PressedTitleCol() const { return fPressedTitleCol; }
  void SetPressedTitleCol(int col);
  virtual bool IsFilterRowVisible() const { return fSTFilter != nullptr && fSTFilter->Visible(); }
  // The natural width of a visible column during automatic fitting reached its limit.
  bool AutoFitFixed(const TColumnEh* column) const;

  // ---- Columns and the current cell
  int RawToDataColumn(int rawCol) const { return rawCol - fIndicatorOffset; }
  int DataToRawColumn(int dataCol) const { return dataCol + fIndicatorOffset; }
  // The data column of the current cell; -1 when there is none.
  int SelectedIndex() const;
  void SetSelectedIndex(int value);
  TField* SelectedField() const;
  // Makes raw column `col` current; a non-zero direction skips columns without width.
  void SelectColumn(int col, int direction, bool extend);
  // Makes the first column that shows the field current.
  void SelectFieldColumn(TField* field);

  // Whether the current row may be edited at all, by the allowed operations alone.
  bool CanEditCurrentRow();
  // Writes the editor's text into the selected column's field.
  void UpdateData();
  const AnsiString& LastEditText() const { return fLastEditText; }

  // ---- Edit actions (DBGridEhActions)
  TDBGridEhEditActions EditActions() const { return fEditActions; }
  void SetEditActions(TDBGridEhEditActions value) { fEditActions = value; }
  bool CanCopySelection();
  bool CanCutSelection();
  bool CanPasteClipboard();
  bool CanDeleteSelection();
  bool CanSelectAll();
  // Writes the current column's value of the record shown above into the current record.
  void CopyValueFromRecordAbove();

  // ---- Text search and incremental search (DBGridEhSearch)
  // Searches through the data service; true when the dataset stands on a match.
  virtual bool LocateText(TCustomDBGridEh& grid, const AnsiString& fieldName, const AnsiString& text,
                          TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
                          TLocateTextMatchingEh matching, TLocateTextTreeFindRangeEh treeFindRange);
  // Searches the text typed so far plus `text`; a negative time-out runs no timer.
  void IncSearch(const AnsiString& text, int timeOut, TLocateTextDirectionEh direction);
  void StopIncSearch();

  // ---- Locks
  void BeginUpdate() { ++fUpdateLock; }
  void EndUpdate();
  int UpdateLock() const { return fUpdateLock; }
  // Nested layout sections: the columns announce their changes once, and the layout runs
  // once, when the outermost section ends.
  void BeginLayout();
  void EndLayout();
  int LayoutLock() const { return fLayoutLock; }
  // Takes a layout section only when no update or layout section is held.
  bool AcquireLayoutLock();
  // Rebuilds the layout now, or at the end of the section that holds it.
  virtual void LayoutChanged() override;
  // Whether a layout driven by the data link is running (column widths are not taken
  // from the grid then).
  bool InLayoutChange() const { return fInLayoutChange; }
  // Whether column widths are being taken from the grid after the user sized a column
  // (generated columns then set their field's display width).
  bool SyncingFieldWidths() const { return fSyncingFieldWidths; }
  // Whether the deferred layout waits for the last section to end.
  bool DeferredLayoutPending() const { return fDeferredLayoutPending; }

  // ---- Incremental search: the search under way and the text it matched so far.
  bool InplaceSearching() const { return fInplaceSearching; }
  const AnsiString& InplaceSearchText() const { return fInplaceSearchText; }

  // ---- Positions
  // Remembers the current record and where it shows; RestorePosition brings both back.
  void SavePosition();
  void RestorePosition();

  // ---- Footers (DBGridEhFooter.cpp): FooterRowCount rows under the data; each column's
  // footer for a row shows a sum, average or count of the sum list, a field's value of the
  // current record or a fixed text.
  // The text of the footer cell of `column` in footer row `row`.
  virtual void GetFooterValue(int row, TColumnEh* column, AnsiString& text);
  // Repaints the footer rows.
  void InvalidateFooter();
  TGetFooterParamsEvent OnGetFooterParams;
  TDrawFooterCellEvent OnDrawFooterCell;
  // Around every full recalculation of the sum list.
  TNotifyEvent OnSumListRecalcAll;
  TNotifyEvent OnSumListAfterRecalcAll;

  // ---- Fitting column widths to their contents (DBGridEhOptimize.cpp)
  // The columns a fit started over `underMouse` covers: the selected columns (every one
  // with a whole-grid selection) and that column.
  TColumnsEhList ColumnsToFit(TColumnEh& underMouse) const;
  // Sets each column's width to what its title and its cells over all records need; the
  // current record and the rows shown stay.
  void OptimizeColsWidth(const TColumnsEhList& columns);

  // ---- What styles and other grid units ask
  // Calls `visit` with each data row shown while the data link reads that row's record;
  // the link's active record is put back afterwards.
  void ForEachShownRow(const std::function<void(int row)>& visit);
  // The focused window is the grid or its in-place editor.
  virtual bool IsFocused() const;
  // Whether the grid counts as active for its selection colours.
  bool IsGridActive() const { return IsActiveControl(); }

  // ---- Cell areas
  // The area of a raw cell, with the data column (raw column less the indicator) and the
  // row's index inside its area; a row outside every area raises.
  TGridCellTypeEh GetCellType(int col, int row, int& dataCol, int& areaRow) const;
  // Whether the cell belongs to the selection; `bookmark` is the record of a data row.
  virtual bool IsCellSelected(int col, int dataCol, int row, const TBookmarkStr& bookmark);
  // Whether the focused grid shows its current row as a whole (the row-select look).
  virtual bool IsRowSelectFocused();
  // Whether the cell gets a raised frame.
  virtual bool IsCell3D(int col, int row, TGridDrawState state) const;

  // ---- Multi-level titles (DBGridEhTitleTree): with UseMultiTitle a caption's "|" parts
  // stack in bands, and adjacent columns whose captions begin with the same word share
  // the band of that word.
  bool UseMultiTitle() const { return fUseMultiTitle; }
  void SetUseMultiTitle(bool value);
  // The space a band keeps above and below its caption.
  int VTitleMargin() const { return fVTitleMargin; }
  void SetVTitleMargin(int value);
  // The root ("Root") of the title tree, rebuilt by every layout; childless without
  // UseMultiTitle.
  const THeadTreeNode& HeadTree() const { return *fHeadTree; }
  // The lowest band of a data column; nullptr without the tree.
  THeadTreeNode* TitleLeaf(int dataCol) const;
  // The title cell `cellRect` of raw column `col` without the group bands above the
  // column's lowest band: the part that shows its own caption and acts as its button.
  TRect TitleLeafRect(int col, const TRect& cellRect) const;

  // Paints a fixed cell's background: the themed header item, two pixels larger than
  // `rect`, when visual styles are on and the grid has raised fixed cells with both kinds
  // of lines and is not flat; else fills it with the brush. Answers whether it was themed.
  bool DrawThemedFixedCellEh(const TRect& rect, bool pressed, bool selected);

  // A click on the current column's default edit button, before the column's own event.
  TNotifyEvent OnEditButtonClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TGetCellEhParamsEvent OnGetCellParams;
  TGetBtnEhParamsEvent OnGetBtnParams;
  TDrawColumnEhCellEvent OnDrawColumnCell;
  // Fired only while the columns are the default ones.
  TDrawDataCellEvent OnDrawDataCell;
  TMovedEvent OnColumnMoved;
  TNotifyEvent OnColWidthsChanged;
  TNotifyEvent OnSelectionChanged;

  // ---- Record moving (DBGridEhRecordMoving): with dghRecordMoving a record, or the
  // selected records, are dragged by the indicator; OnMoveRecords moves them when
  // assigned, else the dataset's features do.
  TDBGridEhStateEh DBGridEhState() const { return fDBGridEhState; }
  TGridMoveRecordsEventEh OnMoveRecords;

  // ---- Title sorting (DBGridEhTitleSort): a click on a title button steps its column's
  // sort marker; with Ctrl held the sorting waits until Ctrl is released or the grid
  // loses the focus, so that several markers change and the dataset sorts once.
  // Replaces the dataset sorting after the markers changed.
  TNotifyEvent OnSortMarkingChanged;
  TTitleEhClickEvent OnTitleBtnClick;
  // Whether the title of a column acts as a button; `enabled` starts as Title.TitleButton.
  TCheckTitleEhBtnEvent OnCheckButton;
  // A left button pressed and released over the same cell, not inside the editor: a
  // column's own title band (after any title-button click and sorting) or a data cell.
  TDBGridEhClickEvent OnTitleClick;
  TDBGridEhClickEvent OnCellClick;

  // ---- The filter row (DBGridEhFilterRow): one editor moves between the filter cells;
  // a typed condition is stored in its column when the editor leaves the cell and takes
  // effect through ApplyFilter (Enter, a list command).
  // Data column of the cell being edited; -1 when none.
  int FilterCol() const { return fFilterCol; }
  bool FilterEditing() const { return fFilterEditing; }
  // Nil until the filter row is first edited.
  TInplaceFilterEditEh* FilterEdit() const { return fFilterEdit; }
  bool IsFilterCellEditable(int dataCol) const;
  bool IsFilterRow(int col, int row) const;
  // The column's stored filter text; empty for a column without a field name.
  AnsiString GetColumnFilterText(int dataCol) const;
  // Opens the editor on the column's filter cell (a pending edit of the dataset is posted
  // first); nothing for a cell that cannot be edited.
  void StartFilterEdit(int dataCol);
  void StopFilterEdit();
  // StartFilterEdit on the current column, or StopFilterEdit.
  void ShowFilterEdit(bool show);
  // Hides the editor; its text is stored (not applied) in its column.
  void HideFilterEdit();
  // Places the editor on its cell again, with `refill` loaded from the column anew.
  void UpdateFilterEditBounds(bool refill);
  // To the next editable filter cell in the direction (wrapping once), or with `toEdge`
  // to the last (first) one.
  void MoveFilterEdit(bool forward, bool toEdge);
  // Stores the edited text and filters the dataset by every column's condition.
  void ApplyFilter();
  // Empties every column's condition, whatever the editor holds; applies nothing.
  void ClearFilter();
  // Replaces the filtering of the dataset.
  TNotifyEvent OnApplyFilter;

  // The filter editor asks its holder.
  bool InplaceEditCanModify(TControl* edit) override;
  void GetMouseDownInfo(TPoint& point, Cardinal& time) override;
  bool InplaceEditWndProc(TControl* edit, TMessage& message) override;
  void InplaceEditKeyDown(TControl* edit, Word& key, TShiftState shift) override;
  void InplaceEditKeyPress(TControl* edit, char& key) override;
  void InplaceEditKeyUp(TControl* edit, Word& key, TShiftState shift) override;

  // Leaves the filter row first.
  void ShowEditor() override;

 protected:
  // The factories of the columns, the column defaults and the two scroll bars' settings,
  // called when each is first used (TFactoryPartEh): a descendant overrides them to
  // supply its own classes.
  virtual std::unique_ptr<TDBGridColumnsEh> CreateColumns();
  virtual std::unique_ptr<TDBGridEhColumnDefValuesEh> CreateColumnDefValues();
  virtual TDBGridEhScrollBarsEh CreateScrollBars();

  // ---- The in-place editor (DBGridEhInplaceEdit)
  TInplaceEdit* CreateEditor() override;
  // The default edit button of the current cell was clicked.
  virtual void EditButtonClick();
  // Lines between the titles (and the filter row) and the first data row that the grid
  // itself does not fill: the lookup grid's special row.
  virtual int ExtraTitleRowCount() const { return 0; }

  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void CreateWnd() override;
  // Title, footer and the columns' own fonts scale with the grid's; the column widths
  // scale by their running sum, so that the total is exact.
  void ChangeScale(int m, int d) override;
  // An action takes the grid's data source first (the dataset actions); the grid itself
  // handles no other action.
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void Dispatch(TMessage& message) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  AnsiString GetEditText(int col, int row) override;
  AnsiString GetEditMask(int col, int row) override;
  // The column's edit style (TColumnEditStyleEh); simple outside the data columns.
  Byte GetEditStyle(int col, int row) override;
  // Whether the find dialog that the find shortcut opens is modal; a descendant that
  // answers false gets a dialog beside the grid.
  virtual bool CanProcessEditKey() { return true; }
  int GetEditLimit() override;
  bool CanEditAcceptKey(char key) override;
  bool CanEditModify() override;
  bool CanEditShow() override;
  void ColumnMoved(int from, int to) override;
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  bool DrawsCellFrames() const override { return true; }

  // Colours of a highlighted cell outside the data cells' own rule (indicator, titles,
  // footers); false when nothing was set.
  virtual bool GetHighlightCellColors(int col, int row, TFont& font, TColor& background, bool highlighted,
                                      TGridCellTypeEh type);
  // Colours of a data cell of the active record; true when the cell shows highlighted.
  virtual bool GetDataCellColors(int dataCol, int row, TFont& font, TColor& background, TGridDrawState& state);

  // The search sets its state here; the current row shows it.
  void SetInplaceSearchState(bool searching, const AnsiString& text);
  virtual void ColEnter();
  virtual void ColExit();
  virtual void GetCellParams(TColumnEh* column, TFont* font, TColor& background, TGridDrawState state);
  virtual void GetFooterParams(int dataCol, int row, TColumnEh* column, TFont* font, TColor& background,
                               TAlignment& alignment, TGridDrawState state, AnsiString& text);
  virtual void SumListRecalcAll();
  virtual void SumListAfterRecalcAll();
  virtual void DrawColumnCell(const TRect& rect, int dataCol, TColumnEh* column, TGridDrawState state);
  virtual void DrawDataCell(const TRect& rect, TField* field, TGridDrawState state);
  virtual void DataChanged();
  virtual void DefineFieldMap();
  virtual void LinkActive(bool value);
  virtual void Scroll(int distance);
  virtual void SyncRowWithRecord();
  virtual void UpdateHorzExtScrollBar();
  virtual void UpdateRowCount();
  virtual void UpdateScrollBar();
  virtual void UpdateTabStopsAndWidths();
  virtual void UpdateRowsLayout();

  // Scrolling, the wheel, focus and leaving the grid (DBGridEhMessages.cpp).
  // Flat, the window has no standard border: a single border is painted by the grid.
  void CreateParams(TCreateParams& params) override;
  // Paints the single border of a flat grid on the window's context.
  virtual void PaintBorder(HDC dc);
  void DoExit() override;
  // One notch moves the dataset one record (none while the editor's drop-down list is
  // open: the wheel is the list's then); the wheel events are not fired.
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void TopLeftChanged() override;
  // Repaints the selection and the current row after the grid gained or lost the focus.
  virtual void UpdateFocusedSelection();

  // ---- Title sorting (DBGridEhTitleSort)
  // With dghAutoSortMarking: OnSortMarkingChanged when assigned, else DefaultApplySorting.
  virtual void SortMarkingChanged();
  // Hands the sorting to the data service.
  virtual void DefaultApplySorting();
  virtual void TitleBtnClick(int dataCol, TColumnEh* column);
  // Any dataCol outside Columns disables the button.
  virtual void CheckTitleBtn(int dataCol, bool& enabled);
  virtual void CellClick(TColumnEh* column);
  virtual void TitleClick(TColumnEh* column);
  void KeyUp(Word& key, TShiftState shift) override;

  // ---- The filter row (DBGridEhFilterRow)
  // Parses the editor's text into the column's filter; a text that does not parse raises.
  virtual void SetColumnFilterText(int dataCol);
  virtual TInplaceFilterEditEh* CreateFilterEditor();
  // Loads the editor for the column: plain text, or a drop-down over STFilter.ListSource.
  virtual void UpdateFilterEditor(int dataCol);
  // Filter editing is on and nothing is selected.
  virtual bool CanEditFilterRow() const;
  // Hands the filtering to the data service.
  virtual void DefaultApplyFilter();
  // dgAlwaysShowEditor, while the filter row is not edited.
  virtual bool CanEditorAlwaysShow() const;
  // Gives the grid the focus when it can take it (outside design time); answers whether
  // the grid, its in-place editor or the filter row's editor has the focus.
  virtual bool UpdateEditorFocus();
  // Every field of the dataset in order: the fields the columns made for the dataset show.
  virtual void GetDatasetFieldList(std::vector<TField*>& fields);
  // Whether painting goes through an off-screen bitmap (not here: every cell paints its
  // whole rectangle, so the window never shows a half-painted cell).
  virtual bool NeedsBufferedPaint() const { return false; }

  // The frozen columns' own sizing zones, then the base grid's borders.
  void CalcSizingState(int x, int y, TGridStateEh& state, int& index, int& sizingPos, int& sizingOfs,
                       const TGridDrawInfo& info) override;

  // ---- The mouse (DBGridEhMouseMove): presses that select, the selection following the
  // mouse with the timed scroll beyond the data, live column sizing, a held title turning
  // into a column move, and the drag a press on the selection holds back.
  // With DragMode dmAutomatic and dgMultiSelect a left press is the grid's own: it starts
  // no drag by itself, so that clicks can select.
  void WndProc(TMessage& message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // A held title button moves no column until the mouse has gone sideways.
  bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt) override;
  // One tick of the scroll while a selection is dragged beyond the data area: the
  // farther the mouse, the bigger and faster the steps; inside the area the timer stops
  // (a column selection's keeps ticking and waits).
  virtual void DoTimerScroll();

  // ---- Record moving (DBGridEhRecordMoving)
  // A descendant may forbid a drag from `fromCell`.
  virtual bool CanBeginRecordMoving(TGridCoord fromCell, TGridCoord toCell, TPoint mousePt);
  // The left end of the insertion line for a raw row; treeLevel -1 in a flat dataset.
  virtual int GetRecordMovingTarget(int row, const TGridDrawInfo& info, int& treeLevel);
  // Whether a press at the client point starts a drag (with checkOnly: would start one);
  // without checkOnly it starts it.
  virtual bool CheckBeginRecordMoving(int x, int y, bool checkOnly);
  // Moves the records to the record of data row toDataRow.
  virtual bool MoveRecords(const std::vector<TBookmarkStr>& bookmarks, int toDataRow, int treeLevel,
                           bool checkOnly);
  // The selected records when the dragged one is among them, else the dragged one alone.
  virtual bool MoveDraggedRecords(int toDataRow, int treeLevel, bool checkOnly);
  // Ends the drag; with doMove the records go to the target.
  virtual void StopRecordMoving(int x, int y, bool doMove);
  // Follows the mouse: scrolls beyond the data rows and moves the line to a target the
  // move would accept.
  virtual void TrackRecordMoving(int x, int y, const TGridDrawInfo& info);
  // Moves through the data service and keeps the view where it was.
  virtual bool DefaultMoveRecords(const std::vector<TBookmarkStr>& bookmarks, int toRecNo, int treeLevel,
                                  bool checkOnly);
  // The grid's window timer 1, (re)started with the interval, and stopped.
  void StartScrollTimer(UINT interval);
  void StopScrollTimer();
  // How a cell came out: highlighted (its frame shows sunken), themed (it has no frame).
  struct TCellLookEh {
    bool highlighted = false;
    bool themed = false;
  };
  // Paints a title cell: its text, sort marker, image and button look.
  virtual TCellLookEh DrawTitleCell(int col, int row, const TRect& rect, TColumnEh& column,
                                    TGridCellTypeEh type);

 private:
  friend class TGridDataLinkEh;
  friend class TDBGridColumnsEh;
  friend class TSTDBGridEhFilter;
  friend class TDBGridEhScrollBar;
  // The editor reads the cell's text and key the grid keeps while it edits.
  friend class TDBGridInplaceEdit;

  // ---- Keyboard (DBGridEhKeys)
  void WMChar(TMessage& message);
  // Whether a typed character goes to the incremental search.
  bool CharFeedsIncSearch(char key);
  bool HandleShortCut(Word key, TShiftState shift);
  // Ctrl+F: the incremental search or the find dialog, as the options allow; the editor
  // hands it here too.
  bool HandleFindShortCut(Word key, TShiftState shift);
  bool HandleSearchKey(Word key, TShiftState shift);
  void CtrlKeyDown(Word key, TShiftState shift);
  void PlainKeyDown(Word key, TShiftState shift);
  void NullCheckOrImageByKey();
  void DeleteRecordsByKey();
  void InsertRecordByKey();
  void CutByKey();
  void PasteByKey();
  void CancelByKey();
  void PageMove(TShiftState shift, int direction);
  void HorizontalKey(int direction, TShiftState shift);
  void EdgeKey(bool toEnd, TShiftState shift);
  void ClearSelectionByKey();
  void MoveWithSelection(bool select, int distance, bool rowMode, bool toEdge);
  // One step of a keyboard row selection; false when the dataset could not move.
  bool SelectingRowStep(bool select, int step);
  void MoveDown(bool select);
  void MoveUp(bool select);
  void TabMove(bool forward);
  bool ConfirmDelete();
  // Searches `text` from where `direction` says; found, the text shown takes the found
  // value's letter case.
  void SearchFor(const AnsiString& text, int timeOut, TLocateTextDirectionEh direction);
  // Backspace in a running search: the last character goes.
  void RemoveSearchChar();
  void ExtendSearchByClipboard();
  void StartIncSearchTimer();
  void StopIncSearchTimer();

  void SetDefaultStyle();
  // Rebuilds the layout: field map, columns, counts, heights, automatic fitting.
  void InternalLayout();
  void RemoveStaleGeneratedColumns();
  void BuildColumnsFromMap();
  void BuildVisibleColumns(int& hiddenFrozen);
  void ComputeRowHeight();
  void ComputeButtonWidth();
  void ComputeTitleHeight();
  void AutoFitWidths();
  // After the user sized a column: the widths within the columns' limits, into the columns.
  void TakeUserColWidths();
  void ResizeColumnsFromGrid();
  // Ends a layout section without running the layout (a failed step, or nothing to do).
  void ReleaseLayoutLock();
  void UpdateScrollBarsVisibility();
  // The sort-marked list from the columns' SortIndex values: ordered, without holes,
  // renumbered from 1.
  void RebuildSortMarkedColumns();
  void PostDeferredLayout();
  void DeferredLayout();
  // The collection tells of a changed column (nullptr: of every column).
  void ColumnsChanged(TColumnEh* column);
  void RecordChanged(TField* field);
  void EditingChanged();
  void SelectedRowsChanged();
  // The dataset's fields were made anew or went away: columns look their fields up again.
  void FieldsRebuilt();
  TColumnEh* SelectedColumn() const;
  // The text the editor shows for the selected column's field, after the column's cell
  // events; empty without a field.
  AnsiString FieldEditText();
  void WMSize(TMessage& message);
  void WMVScroll(TMessage& message);
  void WMHScroll(TMessage& message);
  void WMGetDlgCode(TMessage& message);
  void WMCommand(TMessage& message);
  // WM_SETFOCUS and WM_KILLFOCUS.
  void WMFocusChange(TMessage& message);
  // The selected column's input-method settings, given to the grid's window and editor.
  void ApplyColumnIme();
  void ResetIme(HWND focusTarget);
  // ---- Record moving (DBGridEhRecordMoving)
  // Where the insertion line lies on screen: from x to right at height y.
  struct TInsertionLineEh {
    int x = 0;
    int y = 0;
    int right = 0;
  };
  // The record shown in a data row of the link's window.
  struct TRowRecordEh {
    int recNo = 0;
    TBookmarkStr bookmark;
  };
  TRowRecordEh RowRecord(int dataRow);
  bool IsDraggedRecord(int row);
  TInsertionLineEh InsertionLineAt(int row);
  // Each draw of the exclusive-or line toggles its pixels.
  void ToggleInsertionLine(const TInsertionLineEh& line);
  void ShowInsertionLine();
  void HideInsertionLine();
  // One record past the top (-1) or bottom (+1) data row, so the rows scroll by one.
  void ScrollWhileMoving(int direction);
  void RecordMovingTimer();
  void RecordMovingCancelled();

  // ---- The mouse (DBGridEhMouseMove)
  // The screen rectangle of the data cells shown.
  TRect DataAreaRect() const;
  // After the base grid's press: a left press on the indicator of a data row selects
  // its record and starts selecting rows.
  void PressIndicator(TShiftState shift, int x, int y);
  // A left press on a data cell, handled in full; false elsewhere.
  bool PressDataCell(TShiftState shift, int x, int y);
  // Makes the record of a data row and a raw column current.
  void GoToCell(int dataRow, int rawCol);
  void SelectionFollowsMouse(TShiftState shift, int x, int y, TPoint previous);
  void ColumnSelectionFollowsMouse(int x, int y);
  // Extends the column selection from its anchor to the column.
  void ExtendColumnSelectionTo(int rawCol);
  void TraceColSizing(int x);
  void TitlePressBecomesColumnMove(TShiftState shift);
  // The release of a press that held back a drag: the press takes its effect.
  void DragPendingReleased(TShiftState shift);
  // A selection follows the mouse (the timer scrolls for it).
  bool MouseSelecting() const;
  // Ends the grid's own mouse selections; ReleaseMouseStates also a held title and a
  // held-back drag.
  void EndMouseSelection();
  void ReleaseMouseStates();
  // Where a point lies beyond the data area: the direction on each axis (-1, 0, +1) and
  // the pixels between it and the area.
  struct TScrollBeyondEh {
    int vertical = 0;
    int horizontal = 0;
    int verticalDistance = 0;
    int horizontalDistance = 0;
    int Distance() const { return std::max(verticalDistance, horizontalDistance); }
  };
  TScrollBeyondEh ScrollBeyond(TPoint p) const;
  // A move of a selection: the timed scroll is set going at the pace of the distance
  // beyond the data area, and stops when the mouse is back inside; the ticks scroll.
  void ArmTimerScroll();
  void ColumnSelectionTimerScroll();
  void SelectionTimerScroll();

  // Title buttons (DBGridEhTitleSort).
  // The raw column of the title cell under a client point; -1 off the titles.
  int TitleButtonColAt(int x, int y) const;
  // The raw column of the enabled title button under the point; -1 when there is none.
  int TitleButtonToPress(int x, int y);
  // After a left press: holds that title button when the press is still the grid's.
  void PressTitleButton(int rawCol);
  void TrackTitleButton(int x, int y);
  // Lets the held button go; a release over it is a click.
  void ReleaseTitleButton(TShiftState shift, int x, int y);
  // A cell a left click at the client point would be on: a column's own title band or a
  // data cell; {-1, -1} elsewhere.
  TGridCoord ClickTargetAt(int x, int y) const;
  // At a left press: remembers the cell it went down on, unless it sizes a line or
  // selects a column.
  void NoteClickPress(int x, int y);
  // At a left release: the title button's click, then the title or cell click.
  void LeftButtonReleased(TShiftState shift, int x, int y);
  void FireCellClick(TGridCoord cell);
  // The held button comes up without a click.
  void TitleButtonCancelled();
  void TitleButtonClicked(int rawCol, TShiftState shift);
  void ApplyPendingSorting();

  // The filter row (DBGridEhFilterRow).
  // The raw row of the filter cells: the one under the titles.
  int FilterRowIndex() const;
  // A press on an editable filter cell opens the editor there; false elsewhere.
  bool FilterCellMouseDown(TMouseButton button, int x, int y);
  // Up on the first record, or Ctrl+Up, opens the filter row; false when it does not.
  bool EnterFilterRow(Word key, TShiftState shift);
  // While the filter row is edited, typed characters go to its editor; false otherwise.
  bool ForwardCharToFilterEdit(char key);
  void FilterEditKeyDown(Word& key, TShiftState shift);
  bool FilterCaretAtStart() const;
  bool FilterCaretAtEnd() const;
  void FilterEditKeyPress(TObject* sender, char& key);
  void FillFilterList(TObject* sender);
  void FilterListCloseUp(TObject* sender, bool& accept);
  void FilterEditCloseUp(TObject* sender, bool accept);
  void RunFilterListCommand(int command);
  // Hides the editor, storing its text in its column or dropping it.
  void HideFilterEditor(bool storeText);
  void ShowFilterEditor(const TRect& rect);
  // Hides the editor's window alone; a focus it had goes back to the grid.
  void HideFilterEditorWindow();
  // The editor's window is shown (whether or not its form is).
  bool FilterEditorShown() const;
  // Filter editing ends; the grid's own editor shows again when it always shows.
  void LeaveFilterRow();
  // Without dgRowSelect the column becomes current; with it the grid scrolls to show it.
  void BringFilterColumnIntoView(int dataCol);

  // The border the grid paints itself inside the window's: one pixel of a flat grid with a
  // single border, else none.
  int InnerBorderWidth() const;
  void WMNCCalcSize(TMessage& message);
  void WMNCPaint(TMessage& message);
  // WM_PAINT through an off-screen bitmap of the update area, put on the window in one copy.
  void PaintBuffered();
  // Font and colour coupling (DBGridEhProperties.cpp).
  void GridFontChanged();
  void TakeParentFont(TMessage& message);
  void TakeParentColor(TMessage& message);
  // A change to the title or the footer font; `relayout` when the font is shown.
  void OwnFontChanged(bool relayout);
  // The option set of the base grid that Options and RowSizingAllowed stand for.
  TGridOptionsEh BaseGridOptions() const;
  bool EditorListOpen() const;
  // The dataset moves to the record (or of the five positions, the place) the dropped
  // thumb stands for.
  void ScrollToThumb(int position);
  void ScrollDataRows(int distance);
  // Any column, shown or not, hides repeated values.
  bool AnyColumnHidesDuplicates() const;
  void UpdateDataKeyPickList(TColumnEh& column, const AnsiString& text);
  void UpdateDataLookup(TColumnEh& column, TField& field, const AnsiString& text);
  // Each draws its kind of cell.
  TCellLookEh DrawIndicatorCell(int row, const TRect& rect, TGridCellTypeEh type, bool is3D);
  // The image the indicator shows for the active record; -1 for none.
  int IndicatorImage(bool current, bool selected) const;
  // The filter text of an editable filter cell (DBGridEhFilterRow).
  TCellLookEh DrawFilterCell(int col, int row, const TRect& rect, TColumnEh& column, TGridCellTypeEh type);
  // The filter cells' background: FixedColor lightened by an eighth.
  TColor FilterCellColor() const;
  // The marker and the sort index at the title's right, in the room `area` keeps.
  // With dghDblClickOptimizeColWidth, fits the columns of the column border under the
  // point; false when there is none.
  bool FitColumnAtSizingBorder(int x, int y);
  struct TSizingBorderEh {
    TGridStateEh state = grsNormal;
    int index = -1;
  };
  // The sizing border under the point and the line it sizes.
  TSizingBorderEh SizingBorderAt(int x, int y);
  // Mouse cursors (DBGridEhMouse.cpp): the row- or column-selection cursor a press at the
  // point would select with, 0 when none.
  HCURSOR SelectionCursorAt(int x, int y);
  bool InColumnSelectZone(TGridCoord cell, int y) const;
  void WMSetCursorEh(TMessage& message);
  // The sizing zone of a frozen column under the point: the column, its right edge and the
  // edge less the point's X; false elsewhere.
  bool FrozenSizingZoneAt(int x, int y, int& index, int& sizingPos, int& sizingOfs, const TGridDrawInfo& info);
  // The designer passes the mouse to the grid over its sizing zones and in its mouse states.
  void CMDesignHitTest(TMessage& message);
  // ---- Cell tooltips (DBGridEhHints.cpp)
  struct TToolTipCellEh {
    TColumnEh* column = nullptr;
    TGridCellTypeEh type{cckDataEh, crkDataEh};
    int areaRow = 0;
    TRect rect;
  };
  // The cell under a client point whose data, title or footer shows tooltips.
  std::optional<TToolTipCellEh> ToolTipCellAt(TPoint point);
  void CMHintShowPause(TMessage& message);
  void CMHintShow(TMessage& message);
  // Prepares the cell's tooltip; false when its text fits the cell (or it has none).
  bool CutToolTipText(const TToolTipCellEh& cell);
  // A press where "DOWNCUREH" shows selects the column: alone, with Shift from the anchor
  // over the visible columns between, with Ctrl joining or leaving; false elsewhere.
  bool SelectColumnAtTitleEdge(TShiftState shift, int x, int y);
  int TitleWidthNeeded(TColumnEh& column);
  // What a data cell needs besides its text.
  int DataMargin(TColumnEh& column);
  // The width a check-box or image column's cells need whatever their values; none for
  // columns that show text.
  std::optional<int> FixedDataWidth(TColumnEh& column);
  // The text of the current record's cell.
  int DataTextWidth(TColumnEh& column);
  int FooterWidthNeeded(TColumnEh& column);
  void DrawSortMarker(const TRect& rect, TSortMarkerEh marker, const TSortMarkerAreaEh& area, int shift,
                      bool highlighted);
  TCellLookEh DrawFooterCell(int col, int row, const TRect& rect, TGridDrawState state, TColumnEh& column,
                             int footerRow, bool is3D);
  // The text of a sum or average footer: "0" without the field.
  AnsiString FooterAggregateText(const TColumnFooterEh& footer, TColumnEh& column);
  // The text of a sum or average over `field`.
  static AnsiString FooterSumText(const TColumnFooterEh& footer, TField& field, Currency value);
  AnsiString FooterFieldValueText(const TColumnFooterEh& footer);
  // A footer's font, colours, alignment and text after GetFooterParams; the canvas takes
  // the font.
  struct TFooterLookEh {
    TColor background = clWindow;
    TAlignment alignment = taLeftJustify;
    AnsiString text;
  };
  TFooterLookEh FooterCellParams(TColumnEh& column, int footerRow, TGridDrawState state);
  TCellLookEh DrawDataCell(int col, int row, const TRect& rect, TGridDrawState state, TColumnEh& column,
                           bool is3D);
  void DrawDataCellContent(TColumnEh& column, const TRect& rect, const TColCellParamsEh& params, bool themed);
  // WriteTextEh for a column's cell: a right-to-left column's text is written unmirrored,
  // its alignment and margins swapped, so that its glyphs read the right way.
  void WriteColumnText(TColumnEh& column, const TRect& rect, bool fill, int dx, int dy, const AnsiString& text,
                       TCellTextFormatEh format);
  // Runs `write` with the rectangle and format a column's text goes in: for a right-to-left
  // column, device pixels with the mirroring off, alignment and margins swapped.
  template <class Write>
  void InColumnReading(TColumnEh& column, const TRect& rect, TCellTextFormatEh format, Write write);
  TCellTextFormatEh TextFormat(TColumnEh& column, const TColCellParamsEh& params) const;
  // Over the current cell's text, the part the incremental search matched.
  void DrawSearchPrefix(TColumnEh& column, const TRect& rect, const TColCellParamsEh& params);
  bool ShowsSearchPrefix(int col, int row);
  // The caption, title image or vertical caption of a title in `rect`.
  void DrawTitleContent(TColumnEh& column, const TRect& rect, int shift);
  // Multi-level titles (DBGridEhTitleTree).
  void LayoutTitleTree();
  void BuildTitleTree();
  // Joins the first run of leaves that share a group word; false when none is left.
  bool JoinTitleRun();
  int BandTextHeight(TDeviceContext& dc, const THeadTreeNode& node) const;
  // Sets the heights of the bands below `host`; answers the height of its children's ring.
  int LayoutTitleBands(TDeviceContext& dc, THeadTreeNode& host) const;
  // The caption part the column's lowest band shows.
  AnsiString TitleLeafCaption(TColumnEh& column) const;
  bool TitleGroupHighlighted(const THeadTreeNode& group);
  // The group bands above the column's title, each spanning its columns.
  void DrawTitleGroups(TColumnEh& column, const TRect& cellRect);
  // The column's edit buttons, right to left from the cell's right edge.
  void DrawCellButtons(TColumnEh& column, const TRect& rect, TColor background);
  // A cell's edit button of the default width: a scroll bar's, or a flat button's and its
  // separating line.
  int DefaultCellButtonWidth() const;
  // The text the column shows for a record of the link's window, after its cell events.
  AnsiString ShownText(TColumnEh& column, int record);
  // A required field of the record being edited is empty (and the column's handler
  // lets the mark show).
  bool RequiredValueMissing(TColumnEh& column, const AnsiString& text);
  static void DrawRequiredMark(TCanvas& canvas, const TRect& rect);
  // The row colour of the active record when the column keeps the grid's colour.
  TColor DataRowBackground(TColumnEh& column);

  std::unique_ptr<TGridDataLinkEh> fDataLink;
  std::unique_ptr<TDBSumListProducer> fSumList;
  std::unique_ptr<TFont> fTitleFont;
  std::unique_ptr<TFont> fFooterFont;
  std::unique_ptr<TChangeLink> fTitleImagesLink;
  TFactoryPartEh<TDBGridEhColumnDefValuesEh> fColumnDefValues;
  TFactoryPartEh<TDBGridEhScrollBar> fHorzScrollBar;
  TFactoryPartEh<TVertDBGridEhScrollBar> fVertScrollBar;
  std::unique_ptr<TSTDBGridEhFilter> fSTFilter;
  TColumnsEhList fSortMarkedColumns;
  TColumnsEhList fVisibleColumns;
  std::vector<const TColumnEh*> fAutoFitFixed;
  TDBGridEhStyle* fStyle = nullptr;
  TColor fFooterColor = clWindow;
  std::optional<TColor> fEvenRowColor;
  std::optional<TColor> fOddRowColor;
  TDBGridOptions fDBOptions{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                            dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
  TDBGridEhOptions fOptionsEh{dghFixed3D, dghHighlightFocus, dghClearSelection, dghDialogFind};
  TDBGridEhAllowedOperations fAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh};
  TDBGridEhAllowedSelections fAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
  bool fAutoFitColWidths = false;
  int fMinAutoFitWidth = 0;
  bool fDrawMemoText = false;
  bool fSortLocal = false;
  int fContraColCount = 0;
  int fFrozenCols = 0;
  int fFooterRowCount = 0;
  bool fReadOnly = false;
  int fRowHeight = 0;
  int fRowLines = 0;
  int fTitleHeight = 0;
  int fTitleLines = 0;
  bool fRowSizingAllowed = false;
  TCustomImageList* fTitleImages = nullptr;
  // The title and footer fonts are taking the parent's font: ParentFont stays.
  bool fTakingParentFont = false;
  TImeMode fImeMode = imDontCare;
  TImeName fImeName;
  // The grid's own input-method settings as they were when its window was made; a
  // column's own settings apply over them while it is selected.
  TImeMode fCreatedImeMode = imDontCare;
  TImeName fCreatedImeName;
  bool fUseMultiTitle = false;
  int fVTitleMargin = 10;
  std::unique_ptr<THeadTreeNode> fHeadTree = std::make_unique<THeadTreeNode>("Root", 0, 0);
  // The lowest band of each column, in column order.
  std::vector<THeadTreeNode*> fLeafCols;

  int fIndicatorOffset = 1;
  int fTitleOffset = 1;
  int fPressedTitleCol = -1;
  // The raw column whose title button the mouse went down on (-1: none); the button
  // shows pressed only while the mouse is over it.
  int fTitleButtonCol = -1;
  // Markers changed by Ctrl+clicks that the dataset has not been sorted by yet.
  bool fSortPending = false;
  // The cell the left button went down on, while a release there would be a click.
  TGridCoord fClickPressCell{-1, -1};
  int fButtonWidth = 0;
  bool fMultiLineRows = false;
  int fCalculatedTitleHeight = 0;
  int fUpdateLock = 0;
  std::uint8_t fLayoutLock = 0;
  bool fInLayoutChange = false;
  bool fDeferredLayoutPending = false;
  bool fInColExit = false;
  // The grid sets its own column widths: that is no user's resize.
  bool fSettingColWidths = false;
  bool fSyncingFieldWidths = false;
  AnsiString fLastEditText;
  // The key that belongs to the editor's text on a lookup or key/pick-list cell.
  Variant fPendingKey = Null();
  TBookmarkStr fSavedBookmark;
  int fSavedOffset = 0;
  // The saved record stood at an end of the data, known there without record numbers.
  bool fSavedAtFirst = false;
  bool fSavedAtLast = false;
  bool fInplaceSearching = false;
  AnsiString fInplaceSearchText;
  // The thumb drag already moved the dataset: its closing position moves it no further.
  bool fThumbTracked = false;
  // The focused state the selection was last painted in.
  bool fPaintedFocused = false;

  TDBGridEhEditActions fEditActions;
  int fInplaceSearchTimeOut = -1;
  bool fInplaceSearchTimerActive = false;
  // The search itself moves the record: the move does not end the search.
  bool fExtendingSearch = false;
  // A key leaves the selection alone (Ctrl held, or dghClearSelection off).
  bool fKeepSelectionByKey = false;
  // Rows are being selected by keyboard from the anchor, whose state before is noted.
  bool fSelectingByKey = false;
  TBookmarkStr fKeyAnchor;
  bool fKeyAnchorSelected = false;

  int fFilterCol = -1;
  bool fFilterEditing = false;
  // Owned by the grid (as a component).
  TInplaceFilterEditEh* fFilterEdit = nullptr;
  // The press that opened the filter editor, handed to the editor once.
  TPoint fFilterMouseDownPoint;
  Cardinal fFilterMouseDownTime = 0;

  TDBGridEhStateEh fDBGridEhState = dgsNormalEh;
  // The mouse: where it was at the last move; where the left button went down (during a
  // selection, where the last move was) and the keys of the last selecting move.
  TPoint fLastMovePoint;
  TPoint fPressPoint;
  TShiftState fLastSelectShift;
  // A press on the selection held back: the next move drags, a release clicks.
  bool fDragPending = false;
  // The left press being handled came in automatic drag mode.
  bool fPressInAutoDragMode = false;
  // A title button is being pressed: the base grid starts no column move meanwhile.
  bool fPressingTitleButton = false;
  bool fIndicatorSelecting = false;
  bool fDataAreaPressed = false;
  // The record dragged: its raw row at the press, bookmark and number.
  int fMoveFromRow = -1;
  TBookmarkStr fMovingBookmark;
  int fMovingRecNo = 0;
  int fMoveToRow = -1;
  int fMoveToLevel = -1;
  int fInsertionLineX = 0;
  // The insertion line on screen, to be drawn again to erase it.
  std::optional<TInsertionLineEh> fShownInsertionLine;

  // Made after the link: their clean-up reads it.
  std::unique_ptr<TBookmarkListEh> fSelectedRows;
  std::unique_ptr<TDBGridEhSelection> fSelection;
  // Last: columns read the grid while they are made and destroyed.
  TFactoryPartEh<TDBGridColumnsEh> fColumns;
};

// The grid as forms place it.
class TDBGridEh : public TCustomDBGridEh {
  ORDVANE_CLASS(TDBGridEh, TCustomDBGridEh)

 public:
  using TCustomDBGridEh::TCustomDBGridEh;
};

// Holds the grid's layout for a scope; no grid, no section. The layout its end runs may
// raise: that error reaches the caller, unless the scope is left by another one.
class TGridLayoutSectionEh {
 public:
  explicit TGridLayoutSectionEh(TCustomDBGridEh* grid)
      : fEnd((grid != nullptr ? grid->BeginLayout() : void(), TEnd{grid})) {}

 private:
  struct TEnd {
    TCustomDBGridEh* grid;
    void operator()() const {
      if (grid != nullptr) grid->EndLayout();
    }
  };
  TScopeEnd<TEnd> fEnd;
};

// Makes a record of the link's window active for the scope.
class TActiveRecordScope {
 public:
  TActiveRecordScope(TGridDataLinkEh& link, int record) : fLink(link), fSaved(link.ActiveRecord()) {
    fLink.SetActiveRecord(record);
  }
  ~TActiveRecordScope() { fLink.SetActiveRecord(fSaved); }
  TActiveRecordScope(const TActiveRecordScope&) = delete;
  TActiveRecordScope& operator=(const TActiveRecordScope&) = delete;

 private:
  TGridDataLinkEh& fLink;
  int fSaved;
};

}  // namespace ordvane

#pragma once
// The data-aware grid: a base grid over one dataset, shown through columns. This unit
// holds the grid's own state that its columns read (colours, fonts, column defaults,
// options, the sum list, the sort-marked and visible columns) and its data link.

#include <cstdint>
#include <memory>

#include "classlib/db/DataSource.h"
#include "grid/DBGridEhColumns.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TSet<TDBGridEhAllowedOperation>;

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

class TCustomDBGridEh;

// How dataset events reach the grid.
class TGridDataLinkEh : public TDataLink {
  ORDVANE_CLASS(TGridDataLinkEh, TDataLink)

 public:
  explicit TGridDataLinkEh(TCustomDBGridEh* grid) : fGrid(grid) {}
  TCustomDBGridEh* Grid() const { return fGrid; }
  // The grid's record holds a change the dataset has not taken yet; any new record,
  // dataset state or activation forgets it.
  bool Modified() const { return fModified; }
  void MarkModified() { fModified = true; }

 protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;

 private:
  TCustomDBGridEh* fGrid;
  bool fModified = false;
};

class TCustomDBGridEh : public TCustomGridEh {
  ORDVANE_CLASS(TCustomDBGridEh, TCustomGridEh)

 public:
  explicit TCustomDBGridEh(TComponent* owner);
  ~TCustomDBGridEh() override;

  TDBGridColumnsEh& Columns() const { return *fColumns; }
  TDBGridEhColumnDefValuesEh& ColumnDefValues() const { return *fColumnDefValues; }
  TGridDataLinkEh& DataLink() const { return *fDataLink; }
  TDataSource* DataSource() const { return fDataLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  TDBSumListProducer& SumList() const { return *fSumList; }
  // The columns with a sort marker, in SortIndex order.
  TColumnsEhList& SortMarkedColumns() { return fSortMarkedColumns; }
  TColumnsEhList& VisibleColumns() { return fVisibleColumns; }

  TFont* TitleFont() const { return fTitleFont.get(); }
  TFont* FooterFont() const { return fFooterFont.get(); }
  TColor FooterColor() const { return fFooterColor; }
  void SetFooterColor(TColor value);
  // A column's popup menu: the grid hears of its destruction and unhooks it.
  void WatchComponent(TComponent* component);

  TDBGridEhAllowedOperations AllowedOperations() const { return fAllowedOperations; }
  void SetAllowedOperations(TDBGridEhAllowedOperations value) { fAllowedOperations = value; }
  bool AutoFitColWidths() const { return fAutoFitColWidths; }
  void SetAutoFitColWidths(bool value) { fAutoFitColWidths = value; }
  bool DrawMemoText() const { return fDrawMemoText; }
  void SetDrawMemoText(bool value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool value);
  TDBGridEhOptions OptionsEh() const { return fOptionsEh; }
  void SetOptionsEh(TDBGridEhOptions value) { fOptionsEh = value; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value) { fReadOnly = value; }
  TImeMode ImeMode() const { return fImeMode; }
  void SetImeMode(TImeMode value) { fImeMode = value; }
  const TImeName& ImeName() const { return fImeName; }
  void SetImeName(const TImeName& value) { fImeName = value; }

  // Whether the current row may be edited at all, by the allowed operations alone.
  bool CanEditCurrentRow();

  // Nested update sections.
  void BeginUpdate() { ++fUpdateLock; }
  void EndUpdate();
  int UpdateLock() const { return fUpdateLock; }
  // Nested layout sections: the columns announce their changes once, when the outermost
  // section ends.
  void BeginLayout();
  void EndLayout();
  int LayoutLock() const { return fLayoutLock; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TGridDataLinkEh;
  // The dataset's fields were made anew or went away: columns look their fields up again.
  void FieldsRebuilt();

  std::unique_ptr<TGridDataLinkEh> fDataLink;
  std::unique_ptr<TDBSumListProducer> fSumList;
  std::unique_ptr<TFont> fTitleFont;
  std::unique_ptr<TFont> fFooterFont;
  std::unique_ptr<TDBGridEhColumnDefValuesEh> fColumnDefValues;
  TColumnsEhList fSortMarkedColumns;
  TColumnsEhList fVisibleColumns;
  TColor fFooterColor = clWindow;
  TDBGridEhAllowedOperations fAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh};
  bool fAutoFitColWidths = false;
  bool fDrawMemoText = false;
  bool fFlat = false;
  TDBGridEhOptions fOptionsEh{dghFixed3D, dghHighlightFocus, dghClearSelection, dghDialogFind};
  bool fReadOnly = false;
  TImeMode fImeMode = imDontCare;
  TImeName fImeName;
  int fUpdateLock = 0;
  std::uint8_t fLayoutLock = 0;
  // Last: columns read the grid while they are made and destroyed.
  std::unique_ptr<TDBGridColumnsEh> fColumns;
};

// Holds the grid's layout for a scope; no grid, no section.
class TGridLayoutSectionEh {
 public:
  explicit TGridLayoutSectionEh(TCustomDBGridEh* grid) : fGrid(grid) {
    if (fGrid != nullptr) fGrid->BeginLayout();
  }
  ~TGridLayoutSectionEh() {
    if (fGrid != nullptr) fGrid->EndLayout();
  }
  TGridLayoutSectionEh(const TGridLayoutSectionEh&) = delete;
  TGridLayoutSectionEh& operator=(const TGridLayoutSectionEh&) = delete;

 private:
  TCustomDBGridEh* fGrid;
};

}  // namespace ordvane

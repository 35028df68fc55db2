// The data-aware grid's construction, settings and their setters, its style, the
// references it drops when other components go, and the column popup menu.

#include <limits>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilterEdit.h"

namespace ordvane {

TCustomDBGridEh::TCustomDBGridEh(TComponent* owner)
    : TCustomGridEh(owner),
      fDataLink(std::make_unique<TGridDataLinkEh>(this)),
      fSumList(std::make_unique<TDBSumListProducer>(this)),
      fTitleFont(std::make_unique<TFont>()),
      fFooterFont(std::make_unique<TFont>()),
      fTitleImagesLink(std::make_unique<TChangeLink>()),
      fSTFilter(std::make_unique<TSTDBGridEhFilter>(this)),
      fSelectedRows(std::make_unique<TBookmarkListEh>(this)),
      fSelection(std::make_unique<TDBGridEhSelection>(this)) {
  fDataLink->SetVisualControl(true);
  TCustomGridEh::SetOptions({grFixedVertLine, grFixedHorzLine, grVertLine, grHorzLine, grColSizing,
                             grColMoving, grEditing, grTabs});
  SetScrollBars(ssHorizontal);
  SetColCount(2);
  SetRowCount(2);
  fTitleFont->OnChange = [this](TObject*) { OwnFontChanged(AreTitlesVisible()); };
  fTitleImagesLink->OnChange = [this](TObject*) { Invalidate(); };
  fFooterFont->OnChange = [this](TObject*) { OwnFontChanged(fFooterRowCount > 0); };
  fSumList->OnRecalcAll = [this](TObject*) { SumListRecalcAll(); };
  fSumList->OnAfterRecalcAll = [this](TObject*) { SumListAfterRecalcAll(); };
  fSumList->SumListChanged = [this](TObject*) { InvalidateFooter(); };
  SetDefaultStyle();
  // Armed last: until here nothing lays the grid out, and what needs the parts first
  // (the first layout, a setting) comes after the descendant's constructor has begun.
  fColumnDefValues.Arm([this] { fColumnDefValues.Set(CreateColumnDefValues()); });
  const auto makeScrollBars = [this] {
    TDBGridEhScrollBarsEh bars = CreateScrollBars();
    fHorzScrollBar.Set(std::move(bars.Horz));
    fVertScrollBar.Set(std::move(bars.Vert));
  };
  fHorzScrollBar.Arm(makeScrollBars);
  fVertScrollBar.Arm(makeScrollBars);
  fColumns.Arm([this] { fColumns.Set(CreateColumns()); });
}

std::unique_ptr<TDBGridColumnsEh> TCustomDBGridEh::CreateColumns() {
  return std::make_unique<TDBGridColumnsEh>(this, TCollectionItemClass::Of<TDBGridColumnEh>());
}

std::unique_ptr<TDBGridEhColumnDefValuesEh> TCustomDBGridEh::CreateColumnDefValues() {
  return std::make_unique<TDBGridEhColumnDefValuesEh>();
}

TDBGridEhScrollBarsEh TCustomDBGridEh::CreateScrollBars() {
  TDBGridEhScrollBarsEh bars;
  bars.Horz = std::make_unique<TDBGridEhScrollBar>(this, sbHorizontal);
  bars.Vert = std::make_unique<TVertDBGridEhScrollBar>(this);
  return bars;
}

TCustomDBGridEh::~TCustomDBGridEh() {
  // Letting go of the data source and the columns lays nothing out any more.
  Destroying();
  // The sum list outlives this part of the grid: what it tells goes nowhere now.
  fSumList->OnRecalcAll = {};
  fSumList->OnAfterRecalcAll = {};
  fSumList->SumListChanged = {};
  // The filter editor goes while the grid it was placed on is whole.
  delete fFilterEdit;
  if (fStyle != nullptr) fStyle->RemoveGrid(this);
  fDataLink->SetDataSource(nullptr);
  // Columns take their footers' aggregates out of the sum list and themselves out of the
  // sort-marked list as they go.
  fColumns.reset();
}

// ---- Style ----------------------------------------------------------------------------

void TCustomDBGridEh::SetStyle(TDBGridEhStyle* value) {
  if (value == fStyle) return;
  if (fStyle != nullptr) fStyle->RemoveGrid(this);
  fStyle = value;
  if (value != nullptr)
    value->AddGrid(this);
  else
    SetDefaultStyle();
}

void TCustomDBGridEh::SetDefaultStyle() {
  TDBGridEhStyle* shared = DBGridEhDefaultStyle();
  // Also reached from the constructor, where the grid's own layout is the one meant.
  // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
  if (shared == nullptr) return LayoutChanged();
  if (shared == fStyle) return;
  fStyle = shared;
  shared->AddGrid(this);
}

// ---- Settings -------------------------------------------------------------------------

void TCustomDBGridEh::SetDataSource(TDataSource* value) {
  if (value == DataSource()) return;
  fSelection->Clear();
  const bool wasActive = fDataLink->Active();
  fDataLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  FieldsRebuilt();
  // An activation change already reached the grid through the link.
  if (wasActive == fDataLink->Active()) LinkActive(fDataLink->Active());
  fSumList->SetDataSet(fDataLink->DataSet());
  fColumns->RefreshFooterBindings();
}

void TCustomDBGridEh::SetOptions(TDBGridOptions value) {
  if (value == fDBOptions) return;
  if (value.Contains(dgRowSelect)) value.Exclude(dgEditing).Exclude(dgAlwaysShowEditor);
  const TDBGridOptions old = fDBOptions;
  fDBOptions = value;
  TCustomGridEh::SetOptions(BaseGridOptions());
  if (old.Contains(dgMultiSelect) && !value.Contains(dgMultiSelect)) fSelection->Clear();
  const TDBGridOptions layoutOptions{dgEditing,  dgAlwaysShowEditor, dgTitles,    dgIndicator,
                                     dgColLines, dgRowLines,         dgRowSelect, dgAlwaysShowSelection};
  if ((old * layoutOptions) != (value * layoutOptions)) LayoutChanged();
  if (InplaceEditor() != nullptr) InvalidateEditor();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions value) {
  if (value == fOptionsEh) return;
  if (fOptionsEh.Contains(dghMultiSortMarking) && !value.Contains(dghMultiSortMarking)) {
    // Only the first sort key stays marked. The keys are taken first: during a column
    // update the markers change but the list does not.
    std::vector<TColumnEh*> later;
    for (int i = 1; i < fSortMarkedColumns.Count(); ++i) later.push_back(fSortMarkedColumns.Items(i));
    for (auto it = later.rbegin(); it != later.rend(); ++it) (*it)->Title().SetSortMarker(smNoneEh);
  }
  fOptionsEh = value;
  LayoutChanged();
}

void TCustomDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections value) {
  fAllowedSelections = value;
  if (!SelectionTypeAllowed(fSelection->SelectionType())) fSelection->Clear();
}

bool TCustomDBGridEh::SelectionTypeAllowed(TDBGridEhSelectionType type) const {
  if (type == gstNon) return true;
  if (!fDBOptions.Contains(dgMultiSelect) || !fAllowedSelections.Contains(type)) return false;
  return !((type == gstRectangle || type == gstColumns) && fDBOptions.Contains(dgRowSelect));
}

void TCustomDBGridEh::SetAutoFitColWidths(bool value) {
  if (value == fAutoFitColWidths) return;
  fAutoFitColWidths = value;
  if (ComponentState().Contains(csDesigning)) return;
  if (value) {
    if (!ComponentState().Contains(csLoading))
      for (int i = 0; i < fColumns->Count(); ++i)
        fColumns->Items(i)->SetWidthToRestore(fColumns->Items(i)->Width());
    SetScrollBars(ssNone);
    SetLeftCol(FixedCols());
  } else {
    fColumns->BeginUpdate();
    for (int i = 0; i < fColumns->Count(); ++i)
      fColumns->Items(i)->SetWidth(fColumns->Items(i)->WidthToRestore());
    fColumns->EndUpdate();
    SetScrollBars(ssHorizontal);
  }
  LayoutChanged();
}

void TCustomDBGridEh::SetMinAutoFitWidth(int value) {
  CheckGridSettingEh("MinAutoFitWidth", value, 0, kMaxGridExtentEh);
  ChangeValueEh(fMinAutoFitWidth, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetContraColCount(int value) {
  ChangeValueEh(fContraColCount, std::max(0, value), [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetFrozenCols(int value) {
  CheckGridSettingEh("FrozenCols", value, 0, TGridExtents::kLimit - 1);
  ChangeValueEh(fFrozenCols, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetFooterRowCount(int value) {
  if (value < 0) return;
  // More footer rows than a screen shows could never be seen, and their heights would
  // not sum within an int.
  if (value > kMaxGridExtentEh) RaiseGridTooLargeEh();
  ChangeValueEh(fFooterRowCount, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetRowHeight(int value) {
  CheckGridSettingEh("RowHeight", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  ChangeValueEh(fRowHeight, std::max(0, value), [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetRowLines(int value) {
  CheckGridSettingEh("RowLines", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  ChangeValueEh(fRowLines, std::max(0, value), [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetTitleHeight(int value) {
  CheckGridSettingEh("TitleHeight", value, 0, kMaxGridExtentEh);
  ChangeValueEh(fTitleHeight, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetTitleLines(int value) {
  CheckGridSettingEh("TitleLines", value, 0, kMaxGridExtentEh);
  ChangeValueEh(fTitleLines, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetReadOnly(bool value) {
  ChangeValueEh(fReadOnly, value, [this] {
    Invalidate();
    if (!ComponentState().Contains(csLoading)) InvalidateEditor();
  });
}

void TCustomDBGridEh::SetTitleImages(TCustomImageList* value) {
  if (fTitleImages == value) return;
  if (fTitleImages != nullptr) fTitleImages->UnRegisterChanges(fTitleImagesLink.get());
  fTitleImages = value;
  if (value != nullptr) {
    value->RegisterChanges(fTitleImagesLink.get());
    value->FreeNotification(this);
  }
  LayoutChanged();
}

void TCustomDBGridEh::SetFooterColor(TColor value) {
  if (!ComponentState().Contains(csLoading)) SetParentColor(false);
  if (fFooterColor == value) return;
  fFooterColor = value;
  if (fFooterRowCount > 0) Invalidate();
}

void TCustomDBGridEh::SetDrawMemoText(bool value) {
  ChangeAndInvalidate(this, fDrawMemoText, value);
}

void TCustomDBGridEh::SetFlat(bool value) {
  if (value == Flat()) return;
  TCustomGridEh::SetFlat(value);
  // The window's border styles follow Flat.
  if (HandleAllocated()) RecreateWnd();
  LayoutChanged();
}

void TCustomDBGridEh::WatchComponent(TComponent* component) {
  if (component != nullptr) component->FreeNotification(this);
}

bool TCustomDBGridEh::CanEditCurrentRow() {
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet == nullptr) return false;
  const bool updating = fAllowedOperations.Contains(alopUpdateEh) || dataSet->State() == dsInsert;
  const bool adding = fAllowedOperations.Contains(alopInsertEh) || fAllowedOperations.Contains(alopAppendEh);
  return updating && (!dataSet->IsEmpty() || adding);
}

bool TCustomDBGridEh::IsFocused() const {
  return Focused() || (InplaceEditor() != nullptr && InplaceEditor()->Focused());
}

bool TCustomDBGridEh::UpdateEditorFocus() {
  TDestroyWatch watch(this);
  if (CanFocus() && !ComponentState().Contains(csDesigning) && !IsFocused()) SetFocus();
  if (watch.Gone()) return false;
  return IsFocused() || (fFilterEdit != nullptr && fFilterEdit->Focused());
}

void TCustomDBGridEh::ForEachShownRow(const std::function<void(int row)>& visit) {
  if (!fDataLink->Active()) return;
  const int saved = fDataLink->ActiveRecord();
  try {
    for (int record = 0; record < fDataLink->RecordCount(); ++record) {
      fDataLink->SetActiveRecord(record);
      visit(record + fTitleOffset);
    }
  } catch (...) {
    fDataLink->SetActiveRecord(saved);
    throw;
  }
  fDataLink->SetActiveRecord(saved);
}

// ---- Other components going -----------------------------------------------------------

void TCustomDBGridEh::FieldsRebuilt() {
  if (fColumns != nullptr) fColumns->ResetFields();
}

void TCustomDBGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomGridEh::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == fFilterEdit) {
    fFilterEdit = nullptr;
    fFilterEditing = false;
  }
  if (component == DataSource()) SetDataSource(nullptr);
  for (TDBGridEhScrollBar* bar :
       {fHorzScrollBar.IfMade(), static_cast<TDBGridEhScrollBar*>(fVertScrollBar.IfMade())})
    if (bar != nullptr && bar->ExtScrollBar() == component) bar->SetExtScrollBar(nullptr);
  // The list has already let go of its change link.
  if (component == fTitleImages) {
    fTitleImages = nullptr;
    LayoutChanged();
  }
  if (fColumns == nullptr) return;
  bool fieldGone = false;
  for (int i = 0; i < fColumns->Count(); ++i) {
    TColumnEh* column = fColumns->Items(i);
    if (column->PopupMenu() == component) column->SetPopupMenu(nullptr);
    if (column->DropDownBox().ListSource() == component) column->DropDownBox().SetListSource(nullptr);
    if (column->STFilter().ListSource() == component) column->STFilter().SetListSource(nullptr);
    if (column->CachedField() == component) {
      column->ResetField();
      fieldGone = true;
    }
  }
  if (!fieldGone) return;
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet != nullptr && dataSet->ComponentState().Contains(csDestroying))
    Invalidate();
  else
    LayoutChanged();
}

// ---- The column popup menu ------------------------------------------------------------

void TCustomDBGridEh::DefaultHandler(TMessage& message) {
  TCustomGridEh::DefaultHandler(message);
  if (message.Msg != WM_RBUTTONUP) return;
  const TPoint point{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
  const TGridCoord cell = MouseCoord(point.x, point.y);
  if (cell.X < fIndicatorOffset || cell.Y < fTitleOffset) return;
  const int dataCol = RawToDataColumn(cell.X);
  if (dataCol >= fColumns->Count()) return;
  TPopupMenu* menu = fColumns->Items(dataCol)->PopupMenu();
  if (menu == nullptr || !menu->AutoPopup()) return;
  Perform(WM_CANCELMODE, 0, 0);
  menu->SetPopupComponent(this);
  const TPoint screen = ClientToScreen(point);
  menu->Popup(screen.x, screen.y);
  message.Result = 1;
}

}  // namespace ordvane

#include "grid/DBGridEhColumns.h"

#include <algorithm>

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/db/NumericFields.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"

namespace ordvane {

namespace {
// The marker with a margin on each side.
constexpr int kSortMarkerAreaWidth = 16;
}  // namespace

// ---- TColumnsEhList -------------------------------------------------------------------

TColumnEh* TColumnsEhList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return fItems[static_cast<std::size_t>(index)];
}

int TColumnsEhList::Add(TColumnEh* column) {
  fItems.push_back(column);
  return Count() - 1;
}

int TColumnsEhList::IndexOf(const TColumnEh* column) const {
  const auto it = std::find(fItems.begin(), fItems.end(), column);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

void TColumnsEhList::Remove(const TColumnEh* column) {
  const int index = IndexOf(column);
  if (index >= 0) fItems.erase(fItems.begin() + index);
}

void TColumnsEhList::Exchange(int index1, int index2) {
  std::swap(fItems.at(index1), fItems.at(index2));
}

// ---- Column defaults ------------------------------------------------------------------

TColumnDefValuesEh::TColumnDefValuesEh()
    : fTitle(std::make_unique<TColumnTitleDefValuesEh>()),
      fFooter(std::make_unique<TColumnFooterDefValuesEh>()) {}

TColumnDefValuesEh::~TColumnDefValuesEh() = default;

void TColumnDefValuesEh::Assign(const TPersistent* source) {
  const auto* values = dynamic_cast<const TColumnDefValuesEh*>(source);
  if (values == nullptr) return TPersistent::Assign(source);
  AlwaysShowEditButton = values->AlwaysShowEditButton;
  AutoDropDown = values->AutoDropDown;
  DblClickNextVal = values->DblClickNextVal;
  DropDownShowTitles = values->DropDownShowTitles;
  DropDownSizing = values->DropDownSizing;
  EndEllipsis = values->EndEllipsis;
  Layout = values->Layout;
  ToolTips = values->ToolTips;
  const TColumnTitleDefValuesEh& title = *values->fTitle;
  fTitle->SetAlignment(title.Alignment());
  fTitle->SetColor(title.Color());
  fTitle->EndEllipsis = title.EndEllipsis;
  fTitle->Orientation = title.Orientation;
  fTitle->TitleButton = title.TitleButton;
  fTitle->ToolTips = title.ToolTips;
  fFooter->ToolTips = values->fFooter->ToolTips;
}

void TDBGridEhColumnDefValuesEh::Assign(const TPersistent* source) {
  TColumnDefValuesEh::Assign(source);
  if (const auto* values = dynamic_cast<const TDBGridEhColumnDefValuesEh*>(source))
    HighlightRequired = values->HighlightRequired;
}

// ---- TColumnDropDownBoxEh -------------------------------------------------------------

TColumnDropDownBoxEh::TColumnDropDownBoxEh(TColumnEh* column)
    : fColumn(column),
      fColumnDefValues(std::make_unique<TColumnDefValuesEh>()),
      fSpecRow(std::make_unique<TSpecRowEh>(nullptr)),
      fColumns(std::make_unique<TDBGridColumnsEh>(nullptr, TCollectionItemClass::Of<TDBLookupGridColumnEh>())) {
  fSpecRow->OnChanged = [this](TObject*) { Changed(); };
}

TColumnDropDownBoxEh::~TColumnDropDownBoxEh() = default;

void TColumnDropDownBoxEh::Changed() {
  fColumn->DropDownBoxChanged();
}

void TColumnDropDownBoxEh::SetAutoFitColWidths(bool value) {
  ChangeValueEh(fAutoFitColWidths, value, [this] { Changed(); });
}

void TColumnDropDownBoxEh::SetListSource(TDataSource* value) {
  ChangeValueEh(fListSource, value, [this] {
    if (TCustomDBGridEh* grid = fColumn->Grid()) grid->WatchComponent(fListSource);
    Changed();
  });
}

void TColumnDropDownBoxEh::SetOptions(TDBLookupGridEhOptions value) {
  ChangeValueEh(fOptions, value, [this] { Changed(); });
}

void TColumnDropDownBoxEh::SetUseMultiTitle(bool value) {
  ChangeValueEh(fUseMultiTitle, value, [this] { Changed(); });
}

void TColumnDropDownBoxEh::SetColumns(const TDBGridColumnsEh& value) {
  fColumns->Assign(&value);
  Changed();
}

void TColumnDropDownBoxEh::Assign(const TPersistent* source) {
  const auto* box = dynamic_cast<const TColumnDropDownBoxEh*>(source);
  if (box == nullptr) return TPersistent::Assign(source);
  fAutoFitColWidths = box->fAutoFitColWidths;
  fColumnDefValues->Assign(box->fColumnDefValues.get());
  fOptions = box->fOptions;
  fUseMultiTitle = box->fUseMultiTitle;
  fSpecRow->Assign(box->fSpecRow.get());
  fColumns->Assign(box->fColumns.get());
  SetListSource(box->fListSource);
  Changed();
}

// ---- TSTColumnFilterEh ----------------------------------------------------------------

TSTColumnFilterEh::TSTColumnFilterEh(TColumnEh* column) : fColumn(column) {}

void TSTColumnFilterEh::Clear() {
  StoreExpression("", TSTFilterExpressionEh{});
}

void TSTColumnFilterEh::StoreExpression(const AnsiString& text, const TSTFilterExpressionEh& expression) {
  fExpressionStr = text;
  fExpression = expression;
}

void TSTColumnFilterEh::Assign(const TPersistent* source) {
  const auto* filter = dynamic_cast<const TSTColumnFilterEh*>(source);
  if (filter == nullptr) return TPersistent::Assign(source);
  fDataField = filter->fDataField;
  fKeyField = filter->fKeyField;
  fListField = filter->fListField;
  SetListSource(filter->fListSource);
  fVisible = filter->fVisible;
}

// ---- TColumnTitleEh -------------------------------------------------------------------

TColumnTitleEh::TColumnTitleEh(TColumnEh* column) : fColumn(column), fFont(std::make_unique<TFont>()) {
  RefreshDefaultFont();
  fFont->OnChange = [this](TObject*) {
    if (!fCopyingFont) FontChanged();
  };
}

TColumnTitleEh::~TColumnTitleEh() = default;

bool TColumnTitleEh::Has(TColumnEhValue value) const {
  return fColumn->Has(value);
}

template <class T>
void TColumnTitleEh::Store(T& field, const T& value, TColumnEhValue bit, bool tellChange) {
  if (Has(bit) && field == value) return;
  field = value;
  fColumn->fAssignedValues.Include(bit);
  if (tellChange) fColumn->ColumnChanged();
}

TColumnTitleDefValuesEh* TColumnTitleEh::DefValues() const {
  const TColumnDefValuesEh* values = fColumn->DefValues();
  return values == nullptr ? nullptr : &values->Title();
}

template <class T, class Read>
T TColumnTitleEh::OwnOrDefault(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const {
  return AssignedOrEh(Has(bit), own,
                      [&] { return ReadOrEh(DefValues(), std::forward<Read>(read), withoutGrid); });
}

TAlignment TColumnTitleEh::Alignment() const {
  return OwnOrDefault(cvTitleAlignment, fAlignment, &TColumnTitleDefValuesEh::Alignment, taLeftJustify);
}

void TColumnTitleEh::SetAlignment(TAlignment value) {
  Store(fAlignment, value, cvTitleAlignment);
}

AnsiString TColumnTitleEh::Caption() const {
  return AssignedOrEh(Has(cvTitleCaption), fCaption, [this] {
    return ReadOrEh(fColumn->Field(), &TField::DisplayName, fColumn->FieldName());
  });
}

void TColumnTitleEh::SetCaption(const AnsiString& value) {
  if (TField* field = fColumn->WriteThroughField()) {
    field->SetDisplayLabel(value);
    return;
  }
  Store(fCaption, value, cvTitleCaption);
}

TColor TColumnTitleEh::Color() const {
  return OwnOrDefault(cvTitleColor, fColor, &TColumnTitleDefValuesEh::Color, clBtnFace);
}

void TColumnTitleEh::SetColor(TColor value) {
  Store(fColor, value, cvTitleColor);
}

bool TColumnTitleEh::EndEllipsis() const {
  return OwnOrDefault(cvTitleEndEllipsis, fEndEllipsis, &TColumnTitleDefValuesEh::EndEllipsis, false);
}

void TColumnTitleEh::SetEndEllipsis(bool value) {
  Store(fEndEllipsis, value, cvTitleEndEllipsis);
}

TTextOrientationEh TColumnTitleEh::Orientation() const {
  return OwnOrDefault(cvTitleOrientation, fOrientation, &TColumnTitleDefValuesEh::Orientation, tohHorizontal);
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh value) {
  Store(fOrientation, value, cvTitleOrientation);
}

bool TColumnTitleEh::TitleButton() const {
  return OwnOrDefault(cvTitleButton, fTitleButton, &TColumnTitleDefValuesEh::TitleButton, false);
}

void TColumnTitleEh::SetTitleButton(bool value) {
  Store(fTitleButton, value, cvTitleButton);
}

bool TColumnTitleEh::ToolTips() const {
  return OwnOrDefault(cvTitleToolTips, fToolTips, &TColumnTitleDefValuesEh::ToolTips, false);
}

void TColumnTitleEh::SetToolTips(bool value) {
  Store(fToolTips, value, cvTitleToolTips, false);
}

TFont* TColumnTitleEh::Font() const {
  RefreshDefaultFont();
  return fFont.get();
}

void TColumnTitleEh::SetFont(const TFont& value) {
  fFont->Assign(&value);
}

void TColumnTitleEh::RefreshDefaultFont() const {
  if (Has(cvTitleFont)) return;
  const TCustomDBGridEh* grid = fColumn->Grid();
  const TFont* source = grid != nullptr ? grid->TitleFont() : fColumn->Font();
  fCopyingFont = true;
  fFont->Assign(source);
  fCopyingFont = false;
}

void TColumnTitleEh::FontChanged() {
  fColumn->fAssignedValues.Include(cvTitleFont);
  fColumn->Changed(true);
}

void TColumnTitleEh::SetImageIndex(int value) {
  if (fImageIndex == value) return;
  fImageIndex = value;
  fColumn->ColumnChanged();
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh value) {
  if (fSortMarker == value) return;
  fSortMarker = value;
  TCustomDBGridEh* grid = fColumn->Grid();
  if (grid == nullptr) return fColumn->ColumnChanged();
  if (grid->Columns().UpdateCount() > 0 || grid->ComponentState().Contains(csLoading)) return;
  if (value == smNoneEh)
    UnmarkSorted();
  else
    MarkSorted();
  // Other titles may have been renumbered, or gained or lost their index.
  if (grid->AreTitlesVisible() && grid->HandleAllocated()) grid->InvalidateRow(0);
  fColumn->ColumnChanged();
}

void TColumnTitleEh::MarkSorted() {
  TCustomDBGridEh* grid = fColumn->Grid();
  TColumnsEhList& sorted = grid->SortMarkedColumns();
  TDBGridColumnsEh& columns = grid->Columns();
  if (!grid->OptionsEh().Contains(dghMultiSortMarking)) {
    for (int i = 0; i < columns.Count(); ++i) {
      TColumnTitleEh& other = columns.Items(i)->Title();
      if (&other == this) continue;
      other.fSortMarker = smNoneEh;
      other.fSortIndex = 0;
    }
    fSortIndex = 1;
    sorted.Clear();
    sorted.Add(fColumn);
    return;
  }
  if (fSortIndex != 0) return;
  int marked = 0;
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.Items(i)->Title().fSortIndex != 0) ++marked;
  fSortIndex = marked + 1;
  sorted.Add(fColumn);
}

void TColumnTitleEh::UnmarkSorted() {
  TCustomDBGridEh* grid = fColumn->Grid();
  TColumnsEhList& sorted = grid->SortMarkedColumns();
  if (!grid->OptionsEh().Contains(dghMultiSortMarking)) {
    fSortIndex = 0;
    sorted.Clear();
    return;
  }
  if (fSortIndex == 0) return;
  TDBGridColumnsEh& columns = grid->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnTitleEh& other = columns.Items(i)->Title();
    if (other.fSortIndex > fSortIndex) --other.fSortIndex;
  }
  sorted.Remove(fColumn);
  fSortIndex = 0;
}

void TColumnTitleEh::SetSortIndex(int value) {
  value = std::max(0, value);
  if (value == fSortIndex) return;
  TCustomDBGridEh* grid = fColumn->Grid();
  // Stored settings come in any order; the grid orders the indexes once loaded.
  if (grid == nullptr || grid->Columns().UpdateCount() > 0 || grid->ComponentState().Contains(csLoading)) {
    fSortIndex = value;
    return;
  }
  if (fSortMarker == smNoneEh) return;
  TDBGridColumnsEh& columns = grid->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnTitleEh& other = columns.Items(i)->Title();
    if (&other == this || other.fSortIndex != value) continue;
    other.fSortIndex = fSortIndex;
    fSortIndex = value;
    TColumnsEhList& sorted = grid->SortMarkedColumns();
    const int mine = sorted.IndexOf(fColumn);
    const int theirs = sorted.IndexOf(other.fColumn);
    if (mine >= 0 && theirs >= 0) sorted.Exchange(mine, theirs);
    fColumn->ColumnChanged();
    return;
  }
}

TSortMarkerAreaEh TColumnTitleEh::SortMarkerArea() const {
  TSortMarkerAreaEh area;
  if (fSortIndex <= 0) return area;
  TCustomDBGridEh* grid = fColumn->Grid();
  if (grid != nullptr && grid->SortMarkedColumns().Count() >= 2) {
    area.number = IntToStr(fSortIndex);
    area.numberWidth = TextWidthInFontEh(SortIndexFontEh(), area.number);
  }
  const int room = fColumn->Width() - 4;
  area.width = kSortMarkerAreaWidth + area.numberWidth;
  area.marker = area.width <= room;
  if (area.marker) return area;
  area.width -= kSortMarkerAreaWidth - 2;
  if (area.width <= room) return area;
  return {};
}

void TColumnTitleEh::SetNextSortMarkerValue(bool multi) {
  if (!multi) {
    if (TCustomDBGridEh* grid = fColumn->Grid()) {
      TDBGridColumnsEh& columns = grid->Columns();
      for (int i = 0; i < columns.Count(); ++i)
        if (columns.Items(i) != fColumn) columns.Items(i)->Title().SetSortMarker(smNoneEh);
    }
  }
  switch (fSortMarker) {
    case smNoneEh:
      return SetSortMarker(smDownEh);
    case smDownEh:
      return SetSortMarker(smUpEh);
    case smUpEh:
      return SetSortMarker(multi ? smNoneEh : smDownEh);
  }
}

void TColumnTitleEh::RestoreDefaults() {
  const bool fontWasSet = Has(cvTitleFont);
  fColumn->fAssignedValues -=
      TColumnEhValues{cvTitleColor,  cvTitleCaption,     cvTitleAlignment, cvTitleFont,
                      cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips,  cvTitleOrientation};
  fCaption.clear();
  RefreshDefaultFont();
  fColumn->Changed(fontWasSet);
}

void TColumnTitleEh::Assign(const TPersistent* source) {
  const auto* title = dynamic_cast<const TColumnTitleEh*>(source);
  if (title == nullptr) return TPersistent::Assign(source);
  if (title->Has(cvTitleAlignment)) SetAlignment(title->fAlignment);
  if (title->Has(cvTitleCaption)) SetCaption(title->fCaption);
  if (title->Has(cvTitleColor)) SetColor(title->fColor);
  if (title->Has(cvTitleEndEllipsis)) SetEndEllipsis(title->fEndEllipsis);
  if (title->Has(cvTitleFont)) SetFont(*title->fFont);
  if (title->Has(cvTitleOrientation)) SetOrientation(title->fOrientation);
  if (title->Has(cvTitleButton)) SetTitleButton(title->fTitleButton);
  if (title->Has(cvTitleToolTips)) SetToolTips(title->fToolTips);
  fHint = title->fHint;
  SetImageIndex(title->fImageIndex);
}

// ---- Footers --------------------------------------------------------------------------

TColumnFooterEh::TColumnFooterEh(TCollection* collection)
    : TCollectionItem(collection),
      fColumn(static_cast<TColumnFootersEh*>(collection)->Column()),
      fFont(std::make_unique<TFont>()) {
  fFont->OnChange = [this](TObject*) {
    fFontAssigned = true;
    Changed();
  };
}

TColumnFooterEh::TColumnFooterEh(TColumnEh* column)
    : TCollectionItem(nullptr), fColumn(column), fFont(std::make_unique<TFont>()) {
  fFont->OnChange = [this](TObject*) {
    fFontAssigned = true;
    Changed();
  };
}

TColumnFooterEh::~TColumnFooterEh() {
  DropSumValue();
}

void TColumnFooterEh::Changed() {
  fColumn->ColumnChanged();
}

void TColumnFooterEh::SetValueType(TFooterValueType value) {
  if (fValueType == value) return;
  fValueType = value;
  EnsureSumValue();
  Changed();
}

void TColumnFooterEh::SetFieldName(const AnsiString& value) {
  if (fFieldName == value) return;
  fFieldName = value;
  EnsureSumValue();
  Changed();
}

void TColumnFooterEh::SetDisplayFormat(const AnsiString& value) {
  ChangeValueEh(fDisplayFormat, value, [this] { Changed(); });
}

void TColumnFooterEh::SetValue(const AnsiString& value) {
  ChangeValueEh(fValue, value, [this] { Changed(); });
}

void TColumnFooterEh::SetColor(TColor value) {
  fColor = value;
  fColorAssigned = true;
  Changed();
}

void TColumnFooterEh::SetAlignment(TAlignment value) {
  fAlignment = value;
  fAlignmentAssigned = true;
  Changed();
}

void TColumnFooterEh::SetToolTips(bool value) {
  fToolTips = value;
  fToolTipsAssigned = true;
  Changed();
}

bool TColumnFooterEh::ToolTips() const {
  return AssignedOrEh(fToolTipsAssigned, fToolTips, [this] {
    TCustomDBGridEh* grid = fColumn->Grid();
    return grid != nullptr && grid->ColumnDefValues().Footer().ToolTips;
  });
}

void TColumnFooterEh::SetWordWrap(bool value) {
  ChangeValueEh(fWordWrap, value, [this] { Changed(); });
}

TFont* TColumnFooterEh::GetFont() const {
  return AssignedOrEh(fFontAssigned, fFont.get(), [this] {
    return ReadOrEh(fColumn->Grid(), &TCustomDBGridEh::FooterFont, fFont.get());
  });
}

TColor TColumnFooterEh::GetColor() const {
  return AssignedOrEh(fColorAssigned, fColor,
                      [this] { return ReadOrEh(fColumn->Grid(), &TCustomDBGridEh::FooterColor, clWindow); });
}

TAlignment TColumnFooterEh::GetAlignment() const {
  return AssignedOrEh(fAlignmentAssigned, fAlignment, [this] { return fColumn->Alignment(); });
}

std::optional<TGroupOperation> TColumnFooterEh::SumOperation() const {
  switch (fValueType) {
    case fvtSum:
      return goSum;
    case fvtAvg:
      return goAvg;
    case fvtCount:
      return goCount;
    default:
      return std::nullopt;
  }
}

AnsiString TColumnFooterEh::SumItemFieldName(TGroupOperation operation) const {
  return operation == goCount ? AnsiString() : SummedFieldName();
}

bool TColumnFooterEh::SumValueStale() const {
  const std::optional<TGroupOperation> operation = SumOperation();
  const TDBSum* sum = fSum.Get();
  if (!operation || fColumn->Grid() == nullptr) return sum != nullptr;
  return sum == nullptr || sum->GroupOperation() != *operation ||
         !SameText(sum->FieldName(), SumItemFieldName(*operation));
}

void TColumnFooterEh::EnsureSumValue() {
  TCustomDBGridEh* grid = fColumn->Grid();
  const std::optional<TGroupOperation> operation = SumOperation();
  if (!operation || grid == nullptr) return DropSumValue();
  const AnsiString fieldName = SumItemFieldName(*operation);
  if (TDBSum* sum = fSum.Get()) {
    sum->SetFieldName(fieldName);
    sum->SetGroupOperation(*operation);
    return;
  }
  // The new item recalculates the list once it is complete and known as the footer's: a
  // walk reaches this footer again (through the grid's field look-up) and must find it.
  TDBSumCollection& sums = grid->SumList().SumCollection();
  sums.BeginUpdate();
  TDBSum* sum = sums.Add();
  fSum = TDBSumRef(sum);
  sum->SetFieldName(fieldName);
  sum->SetGroupOperation(*operation);
  sums.EndUpdate();
}

AnsiString TColumnFooterEh::SummedFieldName() const {
  const AnsiString& name = fFieldName.empty() ? fColumn->FieldName() : fFieldName;
  // The sum list raises on a field its open dataset lacks or cannot read as a number,
  // and would fail every walk (the open itself among them): such a footer sums nothing
  // and shows 0. A closed dataset's fields are judged when it opens.
  TDataSet* dataSet = fColumn->Grid()->SumList().DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return name;
  return dynamic_cast<TNumericField*>(dataSet->FindField(name)) != nullptr ? name : AnsiString();
}

void TColumnFooterEh::DropSumValue() {
  delete fSum.Get();
  fSum = {};
}

void TColumnFooterEh::Assign(const TPersistent* source) {
  const auto* footer = dynamic_cast<const TColumnFooterEh*>(source);
  if (footer == nullptr) return TPersistent::Assign(source);
  fFieldName = footer->fFieldName;
  fDisplayFormat = footer->fDisplayFormat;
  fValue = footer->fValue;
  if (footer->fFontAssigned) fFont->Assign(footer->fFont.get());
  fColor = footer->fColor;
  fColorAssigned = footer->fColorAssigned;
  fAlignment = footer->fAlignment;
  fAlignmentAssigned = footer->fAlignmentAssigned;
  fToolTips = footer->fToolTips;
  fToolTipsAssigned = footer->fToolTipsAssigned;
  fWordWrap = footer->fWordWrap;
  fValueType = footer->fValueType;
  EnsureSumValue();
  Changed();
}

TColumnFootersEh::TColumnFootersEh(TColumnEh* column)
    : TCollection(column, TCollectionItemClass::Of<TColumnFooterEh>()), fColumn(column) {}

// ---- TDBGridColumnsEh -----------------------------------------------------------------

TDBGridColumnsEh::TDBGridColumnsEh(TCustomDBGridEh* grid, TCollectionItemClass itemClass)
    : TCollection(grid, itemClass), fGrid(grid) {}

TColumnEh* TDBGridColumnsEh::AddGenerated() {
  TColumnEh* column = Add();
  column->fPersistent = false;
  return column;
}

TDBGridColumnsState TDBGridColumnsEh::State() const {
  return Count() > 0 && !Items(0)->IsGeneratedColumn() ? csCustomized : csDefault;
}

void TDBGridColumnsEh::Update(TCollectionItem* item) {
  TCollection::Update(item);
  // A drop-down box's columns belong to no grid until they are handed to its popup.
  if (fGrid != nullptr) fGrid->ColumnsChanged(static_cast<TColumnEh*>(item));
}

void TDBGridColumnsEh::ResetFields() {
  for (int i = 0; i < Count(); ++i) Items(i)->ResetField();
}

void TDBGridColumnsEh::RefreshFooterBindings() {
  TCustomDBGridEh* grid = Grid();
  bool stale = false;
  for (int i = 0; i < Count() && !stale; ++i) stale = Items(i)->FooterBindingsStale();
  if (grid == nullptr || !stale) return;
  // One recalculation after every footer follows: a walk between two of them would read a
  // field name the dataset no longer has.
  TDBSumCollection& sums = grid->SumList().SumCollection();
  sums.BeginUpdate();
  for (int i = 0; i < Count(); ++i) Items(i)->RefreshFooterBindings();
  sums.EndUpdate();
}

}  // namespace ordvane

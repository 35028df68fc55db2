// The column itself: its values and their fallbacks, field binding, widths, the text and
// state of its cells and how they are changed.

#include <algorithm>
#include <cmath>
#include <limits>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/SeparatedLists.h"
#include "classlib/core/SysLocale.h"
#include "classlib/db/DateTimeFields.h"
#include "classlib/db/NumericFields.h"
#include "classlib/ui/SysMetrics.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhColumns.h"
#include "grid/DBLookupGridsEh.h"
#include "gridbase/FieldValuesEh.h"

namespace ordvane {

namespace {

// A moment's text shows no fraction of a second: a text typed over it that shows a time
// keeps the fraction of the old value, a part the user did not change.
void SetMomentText(TField& field, const AnsiString& text) {
  const bool showsTime = !field.IsNull() && text.find(FormatSettings().TimeSeparator) != AnsiString::npos;
  const TDateTime old = showsTime ? field.AsDateTime() : 0;
  TDateTime shown = 0;
  const bool keepsFraction = showsTime && TryStrToDateTime(field.Text(), shown);
  field.SetText(text);
  if (!keepsFraction || field.IsNull()) return;
  const double unshown = std::abs(old - shown);
  if (unshown <= 0 || unshown >= 1.0 / SecsPerDay) return;
  const TDateTime typed = field.AsDateTime();
  Word hour, minute, second, msec;
  DecodeTime(typed, hour, minute, second, msec);
  if (msec == 0) field.SetAsDateTime(typed < 0 ? typed - unshown : typed + unshown);
}

// The ";"-separated items of one line, as written.
std::vector<AnsiString> SplitItems(const AnsiString& line) {
  return SplitList(line, ';', false, TEmptyItems::Keep);
}

// Whether the line of the list holds the text as one of its items; a missing line holds
// none.
bool LineHasItem(const TStrings& list, int line, const AnsiString& text) {
  if (line >= list.Count()) return false;
  const auto items = SplitItems(list.Strings(line));
  return std::find(items.begin(), items.end(), text) != items.end();
}

// The first item of the line; empty for a missing line.
AnsiString FirstItem(const TStrings& list, int line) {
  return line < list.Count() ? SplitItems(list.Strings(line)).front() : AnsiString();
}

bool ListHasItems(const std::unique_ptr<TStringList>& list) {
  return list != nullptr && list->Count() > 0;
}

bool IsWordWrapType(TFieldType type) {
  return type == ftString || type == ftMemo || type == ftFmtMemo || type == ftWideString;
}

bool IsImageIndexType(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

// The field's value as a 32-bit integer; -1 for Null and for values that do not fit.
int ValueAsImageIndex(TField& field) {
  if (field.IsNull()) return -1;
  const double value = std::trunc(field.AsFloat());
  if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())) return -1;
  return static_cast<int>(value);
}

// The next line of a list of `count` lines from `current` (-1: not in the list): forwards
// for an increment of 1, backwards for any other, wrapping at both ends.
int StepIndex(int current, int count, double increment) {
  if (increment == 1.0) return current < 0 || current >= count - 1 ? 0 : current + 1;
  return current <= 0 ? count - 1 : current - 1;
}

}  // namespace

TColumnEh::TColumnEh(TCollection* collection)
    : TCollectionItem(collection),
      fFont(std::make_unique<TFont>()),
      fImageChangeLink(std::make_unique<TChangeLink>()) {
  // Setting up the parts would otherwise relayout the grid once per part.
  const TGridLayoutSectionEh layoutSection(Grid());
  RefreshDefaultFont();
  fFont->OnChange = [this](TObject*) {
    if (!fCopyingFont) FontChanged();
  };
  // A constructor reaches only this class's factories, whatever a descendant overrides.
  fTitle = TColumnEh::CreateTitle();
  fFooter = TColumnEh::CreateFooter();
  fFooters = TColumnEh::CreateFooters();
  fInitialWidth = Width();
  fEditButtons = TColumnEh::CreateEditButtons();
  fDropDownSpecRow = std::make_unique<TSpecRowEh>(nullptr);
  fDropDownSpecRow->OnChanged = [this](TObject*) { ColumnChanged(); };
  fDropDownBox = std::make_unique<TColumnDropDownBoxEh>(this);
  fMRUList = std::make_unique<TMRUListEh>();
  fSTFilter = TColumnEh::CreateSTFilter();
  fImageChangeLink->OnChange = [this](TObject*) { Repaint(); };
}

TColumnEh::~TColumnEh() {
  if (TCustomDBGridEh* grid = Grid()) grid->SortMarkedColumns().Remove(this);
}

std::unique_ptr<TColumnTitleEh> TColumnEh::CreateTitle() {
  return std::make_unique<TColumnTitleEh>(this);
}

std::unique_ptr<TColumnFooterEh> TColumnEh::CreateFooter() {
  return std::make_unique<TColumnFooterEh>(this);
}

std::unique_ptr<TColumnFootersEh> TColumnEh::CreateFooters() {
  return std::make_unique<TColumnFootersEh>(this);
}

std::unique_ptr<TEditButtonsEh> TColumnEh::CreateEditButtons() {
  auto buttons = std::make_unique<TEditButtonsEh>(nullptr, TCollectionItemClass::Of<TVisibleEditButtonEh>());
  buttons->OnChange = [this](TObject*) { ColumnChanged(); };
  return buttons;
}

std::unique_ptr<TSTColumnFilterEh> TColumnEh::CreateSTFilter() {
  return std::make_unique<TSTColumnFilterEh>(this);
}

TCustomDBGridEh* TColumnEh::Grid() const {
  const auto* columns = dynamic_cast<const TDBGridColumnsEh*>(Collection());
  return columns == nullptr ? nullptr : columns->Grid();
}

TColumnDefValuesEh* TColumnEh::DefValues() const {
  TCustomDBGridEh* grid = Grid();
  return grid == nullptr ? nullptr : &grid->ColumnDefValues();
}

bool TColumnEh::GridLoading() const {
  const TCustomDBGridEh* grid = Grid();
  return grid != nullptr && grid->ComponentState().Contains(csLoading);
}

void TColumnEh::Repaint() {
  if (TCustomDBGridEh* grid = Grid()) grid->Invalidate();
}

template <class T, class Read>
T TColumnEh::OwnOrGrid(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const {
  return AssignedOrEh(Has(bit), own, [&] { return ReadOrEh(Grid(), std::forward<Read>(read), withoutGrid); });
}

template <class T, class Read>
T TColumnEh::OwnOrDefault(TColumnEhValue bit, const T& own, Read&& read, const T& withoutGrid) const {
  return AssignedOrEh(Has(bit), own,
                      [&] { return ReadOrEh(DefValues(), std::forward<Read>(read), withoutGrid); });
}

template <class T, class Read>
T TColumnEh::OwnOrField(TColumnEhValue bit, const T& own, Read&& read, const T& withoutField) {
  return AssignedOrEh(Has(bit), own,
                      [&] { return ReadOrEh(Field(), std::forward<Read>(read), withoutField); });
}

template <class T>
void TColumnEh::Store(T& field, const T& value, TColumnEhValue bit, bool tellChange) {
  if (Has(bit) && field == value) return;
  field = value;
  fAssignedValues.Include(bit);
  if (tellChange) ColumnChanged();
}

template <class T>
void TColumnEh::ChangePlain(T& field, const T& value) {
  if (field == value) return;
  field = value;
  ColumnChanged();
}

template <class T>
void TColumnEh::StoreUnlessFallback(T& field, const T& value, TColumnEhValue bit, const T& fallback) {
  if (!Has(bit) && value == fallback) return ColumnChanged();
  Store(field, value, bit);
}

// ---- Field binding --------------------------------------------------------------------

TField* TColumnEh::Field() {
  TCustomDBGridEh* grid = Grid();
  if (fField != nullptr || fFieldName.empty() || grid == nullptr) return fField;
  TDataSet* dataSet = grid->DataLink().DataSet();
  if (dataSet == nullptr) return fField;
  TField* found = dataSet->FindField(fFieldName);
  if (found != nullptr) {
    fField = found;
    fFieldName = found->FieldName();
    RefreshFooterBindings();
  }
  return fField;
}

void TColumnEh::SetField(TField* value) {
  fField = value;
  if (value != nullptr) fFieldName = value->FieldName();
  if (IsGeneratedColumn()) {
    if (value == nullptr) fFieldName.clear();
    RestoreDefaults();
    fInitialWidth = Width();
  }
  RefreshFooterBindings();
  ColumnChanged();
}

void TColumnEh::SetFieldName(const AnsiString& value) {
  TField* field = nullptr;
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && !GridLoading() && grid->DataLink().DataSet() != nullptr)
    field = grid->DataLink().DataSet()->FindField(value);
  fFieldName = value;
  SetField(field);
  fInitialWidth = Width();
  ColumnChanged();
}

void TColumnEh::RefreshFooterBindings() {
  fFooter->EnsureSumValue();
  for (int i = 0; i < fFooters->Count(); ++i) fFooters->Items(i)->EnsureSumValue();
}

bool TColumnEh::FooterBindingsStale() const {
  if (fFooter->SumValueStale()) return true;
  for (int i = 0; i < fFooters->Count(); ++i)
    if (fFooters->Items(i)->SumValueStale()) return true;
  return false;
}

TField* TColumnEh::WriteThroughField() {
  TCustomDBGridEh* grid = Grid();
  if (grid == nullptr || !IsGeneratedColumn() || !grid->DataLink().Active()) return nullptr;
  return Field();
}

AnsiString TColumnEh::GetDisplayName() const {
  return fFieldName.empty() ? TCollectionItem::GetDisplayName() : fFieldName;
}

void TColumnEh::SetIndex(int value) {
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && IsGeneratedColumn() && grid->DataLink().Active() && value != Index()) {
    TField* moved = Field();
    TField* target = grid->Columns().Items(value)->Field();
    if (moved != nullptr && target != nullptr) moved->SetIndex(target->Index());
  }
  TCollectionItem::SetIndex(value);
}

// ---- Values with fallbacks ------------------------------------------------------------

TAlignment TColumnEh::Alignment() {
  return OwnOrField(cvAlignment, fAlignment, &TField::Alignment, taLeftJustify);
}

void TColumnEh::SetAlignment(TAlignment value) {
  if (TField* field = WriteThroughField()) return field->SetAlignment(value);
  Store(fAlignment, value, cvAlignment);
}

bool TColumnEh::AlwaysShowEditButton() const {
  return OwnOrDefault(cvAlwaysShowEditButton, fAlwaysShowEditButton,
                      &TColumnDefValuesEh::AlwaysShowEditButton, false);
}

void TColumnEh::SetAlwaysShowEditButton(bool value) {
  Store(fAlwaysShowEditButton, value, cvAlwaysShowEditButton);
}

bool TColumnEh::AutoDropDown() const {
  return OwnOrDefault(cvAutoDropDown, fAutoDropDown, &TColumnDefValuesEh::AutoDropDown, false);
}

void TColumnEh::SetAutoDropDown(bool value) {
  Store(fAutoDropDown, value, cvAutoDropDown, false);
}

TBiDiMode TColumnEh::BiDiMode() const {
  return OwnOrGrid(cvBiDiMode, fBiDiMode, &TCustomDBGridEh::BiDiMode, fBiDiMode);
}

void TColumnEh::SetBiDiMode(TBiDiMode value) {
  Store(fBiDiMode, value, cvBiDiMode);
}

bool TColumnEh::IsRightToLeft() const {
  return MiddleEastLocale() && BiDiMode() == bdRightToLeft;
}

bool TColumnEh::Checkboxes() {
  return OwnOrField(
      cvCheckboxes, fCheckboxes, [](const TField& field) { return field.DataType() == ftBoolean; }, false);
}

void TColumnEh::SetCheckboxes(bool value) {
  Store(fCheckboxes, value, cvCheckboxes);
}

TColor TColumnEh::Color() const {
  return OwnOrGrid(cvColor, fColor, &TCustomDBGridEh::Color, clWindow);
}

void TColumnEh::SetColor(TColor value) {
  Store(fColor, value, cvColor);
}

bool TColumnEh::DblClickNextVal() const {
  return OwnOrDefault(cvDblClickNextVal, fDblClickNextVal, &TColumnDefValuesEh::DblClickNextVal, false);
}

void TColumnEh::SetDblClickNextVal(bool value) {
  Store(fDblClickNextVal, value, cvDblClickNextVal, false);
}

bool TColumnEh::DropDownShowTitles() const {
  return OwnOrDefault(cvDropDownShowTitles, fDropDownShowTitles, &TColumnDefValuesEh::DropDownShowTitles,
                      false);
}

void TColumnEh::SetDropDownShowTitles(bool value) {
  Store(fDropDownShowTitles, value, cvDropDownShowTitles, false);
}

bool TColumnEh::DropDownSizing() const {
  return OwnOrDefault(cvDropDownSizing, fDropDownSizing, &TColumnDefValuesEh::DropDownSizing, false);
}

void TColumnEh::SetDropDownSizing(bool value) {
  Store(fDropDownSizing, value, cvDropDownSizing, false);
}

bool TColumnEh::EndEllipsis() const {
  return OwnOrDefault(cvEndEllipsis, fEndEllipsis, &TColumnDefValuesEh::EndEllipsis, false);
}

void TColumnEh::SetEndEllipsis(bool value) {
  Store(fEndEllipsis, value, cvEndEllipsis);
}

TFont* TColumnEh::Font() const {
  RefreshDefaultFont();
  return fFont.get();
}

void TColumnEh::SetFont(const TFont& value) {
  fFont->Assign(&value);
}

void TColumnEh::RefreshDefaultFont() const {
  const TCustomDBGridEh* grid = Grid();
  // Every read of Font comes here: copying an equal font would still tell its listeners.
  if (Has(cvFont) || grid == nullptr || SameFontEh(*fFont, *grid->Font())) return;
  fCopyingFont = true;
  fFont->Assign(grid->Font());
  fCopyingFont = false;
}

void TColumnEh::FontChanged() {
  fAssignedValues.Include(cvFont);
  fTitle->RefreshDefaultFont();
  ColumnChanged();
}

bool TColumnEh::HighlightRequired() const {
  return OwnOrGrid(
      cvHighlightRequired, fHighlightRequired,
      [](const TCustomDBGridEh& grid) { return grid.ColumnDefValues().HighlightRequired; }, false);
}

void TColumnEh::SetHighlightRequired(bool value) {
  Store(fHighlightRequired, value, cvHighlightRequired);
}

TImeMode TColumnEh::ImeMode() const {
  return OwnOrGrid(cvImeMode, fImeMode, &TCustomDBGridEh::ImeMode, fImeMode);
}

void TColumnEh::SetImeMode(TImeMode value) {
  const TCustomDBGridEh* grid = Grid();
  StoreUnlessFallback(fImeMode, value, cvImeMode, grid == nullptr ? fImeMode : grid->ImeMode());
}

TImeName TColumnEh::ImeName() const {
  return OwnOrGrid(cvImeName, fImeName, &TCustomDBGridEh::ImeName, fImeName);
}

void TColumnEh::SetImeName(const TImeName& value) {
  StoreUnlessFallback(fImeName, value, cvImeName, ImeName());
}

TTextLayout TColumnEh::Layout() const {
  return OwnOrDefault(cvLayout, fLayout, &TColumnDefValuesEh::Layout, tlTop);
}

void TColumnEh::SetLayout(TTextLayout value) {
  Store(fLayout, value, cvLayout);
}

AnsiString TColumnEh::LookupDisplayFields() {
  return OwnOrField(cvLookupDisplayFields, fLookupDisplayFields, &TField::LookupResultField, AnsiString());
}

void TColumnEh::SetLookupDisplayFields(const AnsiString& value) {
  StoreUnlessFallback(fLookupDisplayFields, value, cvLookupDisplayFields, LookupDisplayFields());
}

bool TColumnEh::ReadOnly() {
  // A read-only grid makes every column read-only until the column says otherwise.
  return AssignedOrEh(Has(cvReadOnly), fReadOnly, [this] {
    const TCustomDBGridEh* grid = Grid();
    return (grid != nullptr && grid->ReadOnly()) || ReadOrEh(Field(), &TField::ReadOnly, false);
  });
}

void TColumnEh::SetReadOnly(bool value) {
  if (TField* field = WriteThroughField()) return field->SetReadOnly(value);
  Store(fReadOnly, value, cvReadOnly);
}

bool TColumnEh::ToolTips() const {
  return OwnOrDefault(cvToolTips, fToolTips, &TColumnDefValuesEh::ToolTips, false);
}

void TColumnEh::SetToolTips(bool value) {
  Store(fToolTips, value, cvToolTips, false);
}

bool TColumnEh::WordWrap() {
  const bool inGrid = Grid() != nullptr;
  return OwnOrField(
      cvWordWrap, fWordWrap,
      [inGrid](const TField& field) { return inGrid && IsWordWrapType(field.DataType()); }, false);
}

void TColumnEh::SetWordWrap(bool value) {
  if (GridLoading()) return Store(fWordWrap, value, cvWordWrap);
  StoreUnlessFallback(fWordWrap, value, cvWordWrap, WordWrap());
}

// ---- Widths ---------------------------------------------------------------------------

int TColumnEh::Width() {
  return AssignedOrEh(Has(cvWidth), fWidth, [this] { return DefaultWidth(); });
}

int TColumnEh::DefaultWidth() {
  const TCustomDBGridEh* grid = Grid();
  if (grid == nullptr) return 64;
  TField* field = Field();
  if (field == nullptr) return grid->DefaultColWidth();
  const TFontMeasureEh widths = MeasureFontEh(*Font());
  return (widths.digitWidth - widths.metrics.tmOverhang) * field->DisplayWidth() + widths.metrics.tmOverhang +
         4;
}

void TColumnEh::SetWidth(int value) {
  CheckGridSettingEh("Width", value, -1, kMaxGridExtentEh);
  TCustomDBGridEh* grid = Grid();
  if (IsGeneratedColumn() && grid != nullptr) {
    // A column the user sized in the grid takes its field's display width along.
    TField* field = Field();
    if (field != nullptr && grid->HandleAllocated() && grid->SyncingFieldWidths()) {
      const TFontMeasureEh widths = MeasureFontEh(*Font());
      if (widths.digitWidth > 0)
        field->SetDisplayWidth((widths.metrics.tmAveCharWidth / 2 + value - widths.metrics.tmOverhang - 3) /
                               widths.digitWidth);
    }
    if (grid->InLayoutChange() && !Has(cvWidth)) return;
  }
  if (!Has(cvWidth) && value == DefaultWidth()) return ColumnChanged();
  if (value != -1) {
    fWidth = value;
    fAssignedValues.Include(cvWidth);
  }
  if (fMaxWidth >= 1 && fWidth > fMaxWidth) fWidth = fMaxWidth;
  if (fWidth < fMinWidth) fWidth = fMinWidth;
  ColumnChanged();
}

void TColumnEh::SetMaxWidth(int value) {
  CheckGridSettingEh("MaxWidth", value, 0, kMaxGridExtentEh);
  fMaxWidth = value;
  if (value > 0 && Width() > value) SetWidth(value);
}

void TColumnEh::SetMinWidth(int value) {
  CheckGridSettingEh("MinWidth", value, 0, kMaxGridExtentEh);
  fMinWidth = value;
  if (Width() < value) SetWidth(value);
}

int TColumnEh::ClampWidth(int width) const {
  if (fMinWidth > 0 && fMinWidth > width) return fMinWidth;
  if (fMaxWidth > 0 && fMaxWidth < width) return fMaxWidth;
  return width;
}

void TColumnEh::SetAutoFitColWidth(bool value) {
  if (fAutoFitColWidth == value) return;
  fAutoFitColWidth = value;
  const TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->AutoFitColWidths() && !grid->ComponentState().Contains(csLoading) &&
      !grid->ComponentState().Contains(csDesigning))
    SetWidth(fInitialWidth);
  ColumnChanged();
}

// ---- Plain values ---------------------------------------------------------------------

void TColumnEh::SetButtonStyle(TColumnButtonStyleEh value) {
  ChangePlain(fButtonStyle, value);
}

void TColumnEh::SetDisplayFormat(const AnsiString& value) {
  ChangePlain(fDisplayFormat, value);
}

void TColumnEh::SetDropDownRows(unsigned value) {
  CheckGridSettingEh("DropDownRows", value, 0, kMaxGridExtentEh);
  fDropDownRows = value;
}

void TColumnEh::SetDropDownWidth(int value) {
  CheckGridSettingEh("DropDownWidth", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  ChangePlain(fDropDownWidth, value);
}

void TColumnEh::SetEditMask(const AnsiString& value) {
  ChangePlain(fEditMask, value);
}

void TColumnEh::SetHideDuplicates(bool value) {
  ChangePlain(fHideDuplicates, value);
}

void TColumnEh::SetShowImageAndText(bool value) {
  ChangePlain(fShowImageAndText, value);
}

void TColumnEh::SetVisible(bool value) {
  if (fVisible == value) return;
  fVisible = value;
  Changed(true);
}

void TColumnEh::SetImageList(TCustomImageList* value) {
  TCustomImageList* old = ImageList();
  if (old == value) return;
  if (old != nullptr) old->UnRegisterChanges(fImageChangeLink.get());
  if (value != nullptr) value->RegisterChanges(fImageChangeLink.get());
  Repaint();
}

void TColumnEh::SetPopupMenu(TPopupMenu* value) {
  fPopupMenu = value;
  if (TCustomDBGridEh* grid = Grid()) grid->WatchComponent(value);
}

TStrings* TColumnEh::KeyList() {
  if (fKeyList == nullptr) {
    fKeyList = std::make_unique<TStringList>();
    fKeyList->OnChange = [this](TObject*) { Repaint(); };
  }
  return fKeyList.get();
}

void TColumnEh::SetKeyList(const TStrings* value) {
  KeyList()->Assign(value);
}

TStrings* TColumnEh::PickList() {
  if (fPickList == nullptr) fPickList = std::make_unique<TStringList>();
  return fPickList.get();
}

void TColumnEh::SetPickList(const TStrings* value) {
  PickList()->Assign(value);
}

void TColumnEh::SetNotInKeyListIndex(int value) {
  if (fNotInKeyListIndex == value) return;
  fNotInKeyListIndex = value;
  Repaint();
}

// ---- Defaults and copying -------------------------------------------------------------

void TColumnEh::RestoreDefaults() {
  const bool fontWasSet = Has(cvFont);
  fTitle->RestoreDefaults();
  fAssignedValues = {};
  RefreshDefaultFont();
  fPickList.reset();
  fKeyList.reset();
  fButtonStyle = cbsAuto;
  Changed(fontWasSet);
}

void TColumnEh::Assign(const TPersistent* source) {
  const auto* column = dynamic_cast<const TColumnEh*>(source);
  if (column == nullptr) return TCollectionItem::Assign(source);
  TCollection* collection = Collection();
  if (collection != nullptr) collection->BeginUpdate();
  RestoreDefaults();
  fFieldName = column->fFieldName;
  fField = nullptr;
  if (column->Has(cvColor)) SetColor(column->fColor);
  if (column->Has(cvWidth)) SetWidth(column->fWidth);
  if (column->Has(cvFont)) SetFont(*column->fFont);
  if (column->Has(cvImeMode)) Store(fImeMode, column->fImeMode, cvImeMode);
  if (column->Has(cvImeName)) Store(fImeName, column->fImeName, cvImeName);
  if (column->Has(cvAlignment)) Store(fAlignment, column->fAlignment, cvAlignment);
  if (column->Has(cvReadOnly)) Store(fReadOnly, column->fReadOnly, cvReadOnly);
  if (column->Has(cvLookupDisplayFields))
    Store(fLookupDisplayFields, column->fLookupDisplayFields, cvLookupDisplayFields);
  if (column->Has(cvCheckboxes)) SetCheckboxes(column->fCheckboxes);
  fTitle->Assign(column->fTitle.get());
  fDropDownRows = column->fDropDownRows;
  fButtonStyle = column->fButtonStyle;
  if (column->fPickList != nullptr) SetPickList(column->fPickList.get());
  fPopupMenu = column->fPopupMenu;
  fInitialWidth = column->fInitialWidth;
  fAutoFitColWidth = column->fAutoFitColWidth;
  auto& from = const_cast<TColumnEh&>(*column);
  SetEndEllipsis(from.EndEllipsis());
  fDropDownWidth = column->fDropDownWidth;
  SetAutoDropDown(from.AutoDropDown());
  SetAlwaysShowEditButton(from.AlwaysShowEditButton());
  Store(fWordWrap, from.WordWrap(), cvWordWrap);
  fFooter->Assign(column->fFooter.get());
  if (column->fKeyList != nullptr) SetKeyList(column->fKeyList.get());
  fIncrement = column->fIncrement;
  SetToolTips(from.ToolTips());
  fFooters->Assign(column->fFooters.get());
  fTag = column->fTag;
  fVisible = column->fVisible;
  SetImageList(column->ImageList());
  fNotInKeyListIndex = column->fNotInKeyListIndex;
  fMinWidth = column->fMinWidth;
  fMaxWidth = column->fMaxWidth;
  SetDblClickNextVal(from.DblClickNextVal());
  SetDropDownSizing(from.DropDownSizing());
  SetDropDownShowTitles(from.DropDownShowTitles());
  OnGetCellParams = column->OnGetCellParams;
  OnNotInList = column->OnNotInList;
  OnUpdateData = column->OnUpdateData;
  OnEditButtonClick = column->OnEditButtonClick;
  OnEditButtonDown = column->OnEditButtonDown;
  fEditButtons->Assign(column->fEditButtons.get());
  fDropDownBox->Assign(column->fDropDownBox.get());
  fMRUList->Assign(column->fMRUList.get());
  fDisplayFormat = column->fDisplayFormat;
  fEditMask = column->fEditMask;
  fShowImageAndText = column->fShowImageAndText;
  fHideDuplicates = column->fHideDuplicates;
  SetLayout(from.Layout());
  if (collection != nullptr) collection->EndUpdate();
}

void TColumnEh::DropDownBoxChanged() {
  ColumnChanged();
  if (fDataList) fDataList->SpecRow().Assign(fDropDownSpecRow.get());
}

TPopupDataGridEh* TColumnEh::DataList() {
  if (!fDataList) {
    fDataList = std::make_unique<TPopupDataGridEh>(nullptr);
    fDataList->SetName("DataList");
    // Parented to the grid so that it has a window; it shows as a top-level window.
    if (TCustomDBGridEh* grid = Grid()) fDataList->SetParent(grid);
    fDataList->OnGetCellParams = fOnDropDownBoxGetCellParams;
    fDataList->OnDrawColumnCell = fOnDropDownBoxDrawColumnCell;
    fDataList->OnCheckButton = fOnDropDownBoxCheckButton;
    fDataList->OnSortMarkingChanged = fOnDropDownBoxSortMarkingChanged;
    fDataList->OnTitleBtnClick = fOnDropDownBoxTitleBtnClick;
  }
  return fDataList.get();
}

void TColumnEh::SetOnDropDownBoxCheckButton(TCheckTitleEhBtnEvent value) {
  fOnDropDownBoxCheckButton = std::move(value);
  if (fDataList) fDataList->OnCheckButton = fOnDropDownBoxCheckButton;
}

void TColumnEh::SetOnDropDownBoxSortMarkingChanged(TNotifyEvent value) {
  fOnDropDownBoxSortMarkingChanged = std::move(value);
  if (fDataList) fDataList->OnSortMarkingChanged = fOnDropDownBoxSortMarkingChanged;
}

void TColumnEh::SetOnDropDownBoxTitleBtnClick(TTitleEhClickEvent value) {
  fOnDropDownBoxTitleBtnClick = std::move(value);
  if (fDataList) fDataList->OnTitleBtnClick = fOnDropDownBoxTitleBtnClick;
}

void TColumnEh::SetOnDropDownBoxDrawColumnCell(TDrawColumnEhCellEvent value) {
  fOnDropDownBoxDrawColumnCell = std::move(value);
  if (fDataList) fDataList->OnDrawColumnCell = fOnDropDownBoxDrawColumnCell;
}

void TColumnEh::SetOnDropDownBoxGetCellParams(TGetCellEhParamsEvent value) {
  fOnDropDownBoxGetCellParams = std::move(value);
  if (fDataList) fDataList->OnGetCellParams = fOnDropDownBoxGetCellParams;
}

void TColumnEh::GetColCellParams(bool editMode, TColCellParamsEh& params) {
  if (OnGetCellParams) OnGetCellParams(this, editMode, params);
}

// ---- Cells ----------------------------------------------------------------------------

TColumnCellKind TColumnEh::GetColumnType() {
  if (Checkboxes()) return ctCheckboxes;
  TField* field = Field();
  if (field != nullptr && field->FieldKind() == fkLookup) return ctLookupField;
  if (ListHasItems(fPickList) && !ListHasItems(fKeyList)) return ctPickList;
  if (ImageList() != nullptr && !fShowImageAndText) return ctKeyImageList;
  if (ListHasItems(fKeyList) && ListHasItems(fPickList)) return ctKeyPickList;
  return ctCommon;
}

TColumnEditStyleEh TColumnEh::GetEditStyle() {
  switch (fButtonStyle) {
    case cbsEllipsis:
      return esEllipsis;
    case cbsNone:
      return esSimple;
    case cbsUpDown:
      return esUpDown;
    case cbsDropDown:
      return esDropDown;
    case cbsAuto:
      break;
  }
  TField* field = Field();
  if (field == nullptr || ReadOnly()) return esSimple;
  if (field->FieldKind() == fkLookup) {
    TCustomDBGridEh* grid = Grid();
    const bool designing = grid != nullptr && grid->ComponentState().Contains(csDesigning);
    const auto keys = EditedFields(field);
    const bool keysEditable =
        !keys.empty() && std::all_of(keys.begin(), keys.end(), [](TField* key) { return key->CanModify(); });
    return keysEditable || designing ? esDataList : esSimple;
  }
  if (ListHasItems(fPickList)) return esPickList;
  const TFieldType type = field->DataType();
  if (type == ftDate || type == ftDateTime || type == ftTimeStamp) return esDateCalendar;
  return esSimple;
}

AnsiString TColumnEh::GetDisplayText() {
  TField* field = Field();
  if (field == nullptr || GetColumnType() == ctKeyImageList) return "";
  if (ListHasItems(fKeyList)) {
    const int index = fKeyList->IndexOf(field->Text());
    const int picks = fPickList == nullptr ? 0 : fPickList->Count();
    if (index >= 0 && index < picks) return fPickList->Strings(index);
    if (fNotInKeyListIndex >= 0 && fNotInKeyListIndex < picks) return fPickList->Strings(fNotInKeyListIndex);
    return "";
  }
  const TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && grid->DrawMemoText() && field->DataType() == ftMemo) return field->AsString();
  if (field->FieldKind() == fkLookup && fDropDownSpecRow->Visible()) {
    TDataSet* dataSet = field->DataSet();
    const bool onSpecValue = !field->KeyFields().empty() &&
                             VarEqualsEh(dataSet->FieldValues(field->KeyFields()), fDropDownSpecRow->Value());
    if (onSpecValue || (fDropDownSpecRow->ShowIfNotInKeyList() && field->IsNull()))
      return fDropDownSpecRow->CellsText();
  }
  if (fDisplayFormat.empty()) return field->DisplayText();
  if (field->IsNull()) return "";
  if (dynamic_cast<TNumericField*>(field) != nullptr) return FormatFloat(fDisplayFormat, field->AsFloat());
  if (dynamic_cast<TDateTimeField*>(field) != nullptr) {
    AnsiString text;
    DateTimeToString(text, fDisplayFormat, field->AsDateTime());
    return text;
  }
  return "";
}

TCheckBoxState TColumnEh::GetCheckboxState() {
  TField* field = Field();
  if (field == nullptr) return cbUnchecked;
  if (field->IsNull()) return cbGrayed;
  if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
  const TStrings& keys = *KeyList();
  // Without keys every other value is grayed: the text is not needed.
  if (keys.Count() == 0) return cbGrayed;
  const AnsiString text = field->Text();
  if (LineHasItem(keys, 0, text)) return cbChecked;
  if (keys.Count() < 2) return cbGrayed;
  return LineHasItem(keys, 1, text) ? cbUnchecked : cbGrayed;
}

void TColumnEh::SetCheckboxState(TCheckBoxState value) {
  TField* field = Field();
  if (field == nullptr) return;
  if (value == cbGrayed) return UpdateData("", Null(), false);
  if (field->DataType() == ftBoolean) return UpdateData("", Variant(value == cbChecked), false);
  UpdateData(FirstItem(*KeyList(), value == cbChecked ? 0 : 1), Null(), true);
}

int TColumnEh::GetImageIndex() {
  TField* field = Field();
  int index = -1;
  if (field != nullptr) {
    if (ListHasItems(fKeyList))
      index = fKeyList->IndexOf(field->Text());
    else if (ListHasItems(fPickList))
      index = fPickList->IndexOf(field->Text());
    else if (IsImageIndexType(field->DataType()))
      index = ValueAsImageIndex(*field);
  }
  return index == -1 ? fNotInKeyListIndex : index;
}

std::vector<TField*> TColumnEh::EditedFields(TField* field) const {
  if (field->FieldKind() != fkLookup) return {field};
  if (field->KeyFields().empty()) return {};
  return field->DataSet()->GetFieldList(field->KeyFields());
}

void TColumnEh::UpdateData(AnsiString text, Variant value, bool useText) {
  if (OnUpdateData) {
    bool handled = false;
    OnUpdateData(this, text, value, useText, handled);
    if (handled) return;
  }
  TCustomDBGridEh* grid = Grid();
  if (TField* field = Field()) {
    if (useText) {
      CheckTextFitsFieldEh(field, text);
      if (grid != nullptr && grid->DrawMemoText() && field->DataType() == ftMemo)
        field->SetAsString(text);
      else if (field->DataType() == ftDateTime || field->DataType() == ftTime ||
               field->DataType() == ftTimeStamp)
        SetMomentText(*field, text);
      else
        field->SetText(text);
    } else if (field->FieldKind() != fkLookup || field->KeyFields().empty()) {
      field->SetValue(value);
    } else {
      field->DataSet()->SetFieldValues(field->KeyFields(), value);
    }
  }
  if (fMRUList->Active() && grid != nullptr && grid->InplaceEditor() != nullptr &&
      grid->InplaceEditor()->Visible())
    fMRUList->Add(text);
}

bool TColumnEh::EditableNow() {
  TCustomDBGridEh* grid = Grid();
  if (grid != nullptr && (grid->ReadOnly() || !grid->DataLink().Active() || grid->DataLink().ReadOnly()))
    return false;
  if (ReadOnly()) return false;
  TField* field = Field();
  if (field == nullptr) return false;
  const auto fields = EditedFields(field);
  if (fields.empty()) return false;
  if (!std::all_of(fields.begin(), fields.end(), [](TField* f) { return f->CanModify(); })) return false;
  TField* standing = fields.front();
  if (standing->IsBlob() && !standing->OnSetText &&
      !(grid != nullptr && grid->DrawMemoText() && standing->DataType() == ftMemo))
    return false;
  return grid == nullptr || grid->CanEditCurrentRow();
}

bool TColumnEh::CanModify(bool tryEdit) {
  bool result = EditableNow();
  TCustomDBGridEh* grid = Grid();
  if (tryEdit && result && grid != nullptr) {
    TGridDataLinkEh& link = grid->DataLink();
    link.Edit();
    result = link.Editing();
    if (result) link.MarkModified();
  }
  return result;
}

void TColumnEh::SetNextFieldValue(double increment) {
  TCustomDBGridEh* grid = Grid();
  if (!EditableNow() || grid == nullptr) return;
  if (!grid->DataLink().Edit()) return;
  TField* field = Field();
  switch (GetColumnType()) {
    case ctCheckboxes:
      return SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
    case ctKeyPickList:
      return StepInList(KeyList(), increment);
    case ctPickList:
      return StepInList(PickList(), increment);
    case ctLookupField:
      return StepLookup(increment);
    default:
      break;
  }
  UpdateData("", field->IsNull() ? Variant(increment) : Variant(field->AsFloat() + increment), false);
}

void TColumnEh::StepInList(TStrings* list, double increment) {
  const int next = StepIndex(list->IndexOf(Field()->Text()), list->Count(), increment);
  UpdateData(list->Strings(next), Null(), true);
}

void TColumnEh::StepLookup(double increment) {
  TField* field = Field();
  TDataSet* list = LookupDataSet();
  if (list == nullptr || !list->Active() || list->IsEmpty()) return;
  const AnsiString keyFields = field->LookupKeyFields();
  const Variant key =
      field->KeyFields().empty() ? field->Value() : field->DataSet()->FieldValues(field->KeyFields());
  if (VarIsNull(key) || !list->Locate(keyFields, key, {})) {
    if (increment == 1.0)
      list->First();
    else
      list->Last();
  } else if (increment == 1.0) {
    list->Next();
    if (list->Eof()) list->First();
  } else {
    list->Prior();
    if (list->Bof()) list->Last();
  }
  UpdateData("", list->FieldValues(keyFields), false);
}

void TColumnEh::FillColCellParams(TColCellParamsEh& params) {
  params.Col = -1;
  params.Row = -1;
  params.State = {};
  params.Font = Font();
  params.Background = Color();
  params.Alignment = Alignment();
  params.ImageIndex = GetImageIndex();
  params.Text = GetDisplayText();
  params.CheckboxState = GetCheckboxState();
  params.ReadOnly = ReadOnly();
}

TColumnFooterEh& TColumnEh::GetFooterItem(int index) const {
  return index >= 0 && index < fFooters->Count() ? *fFooters->Items(index) : *fFooter;
}

int TColumnEh::EditButtonsWidth() {
  const TCustomDBGridEh* grid = Grid();
  const bool flat = grid != nullptr && grid->Flat();
  const int buttonWidth = flat ? DefaultEditButtonWidthEh() + 1 : GetSystemMetrics(SM_CXVSCROLL);
  int width = GetEditStyle() == esSimple ? 0 : buttonWidth;
  for (int i = 0; i < fEditButtons->Count(); ++i) {
    const TEditButtonEh* button = fEditButtons->Items(i);
    if (!button->Visible()) continue;
    width += button->Width() > 0 ? button->Width() + (flat ? 1 : 0) : buttonWidth;
  }
  return width;
}

TDataSet* TColumnEh::LookupDataSet() {
  if (TDataSource* source = fDropDownBox->ListSource()) return source->DataSet();
  const TField* field = Field();
  return field == nullptr ? nullptr : field->LookupDataSet();
}

}  // namespace ordvane

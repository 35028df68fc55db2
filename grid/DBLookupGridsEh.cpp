// The lookup grid: its master and list bindings, the chosen key and how keys, the mouse
// and typing choose it, its size in whole rows and its special row; then the popup data
// grid, its drop-down form.

#include "grid/DBLookupGridsEh.h"

#include <algorithm>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Clock.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBTypes.h"
#include "classlib/ui/ScrollBars.h"
#include "classlib/ui/SysMetrics.h"

namespace ordvane {

namespace {

constexpr Cardinal kSearchPauseMs = 2000;
constexpr std::size_t kSearchLimit = 31;
constexpr int kMaxRowCount = 100;

AnsiString JoinFieldNames(const std::vector<TField*>& fields) {
  AnsiString names;
  for (const TField* field : fields) {
    if (!names.empty()) names += ';';
    names += field->FieldName();
  }
  return names;
}

}  // namespace

AnsiString TakeCharacterEh(HWND wnd, char first, bool& quit) {
  AnsiString text(1, first);
  quit = false;
  if (GetAnsiCodePage() != CP_UTF8) return text;
  const auto lead = static_cast<unsigned char>(first);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  TMsg msg;
  while (text.size() < length && PeekMessage(msg, wnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      quit = true;
      break;
    }
    const auto next = static_cast<unsigned char>(msg.wParam);
    if ((next & 0xC0) != 0x80) {
      // Not a continuation: the character ends here and the byte goes back in the queue.
      PostMessage(wnd, WM_CHAR, msg.wParam, msg.lParam);
      break;
    }
    text += static_cast<char>(next);
  }
  return text;
}

// ---- TLookupGridDataLinkEh ------------------------------------------------------------

void TLookupGridDataLinkEh::ActiveChanged() {
  fGrid->UpdateDataFields();
}

void TLookupGridDataLinkEh::LayoutChanged() {
  fGrid->UpdateDataFields();
}

void TLookupGridDataLinkEh::RecordChanged(TField* field) {
  fGrid->MasterRecordChanged(field);
}

void TLookupGridDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr || fGrid->fMasterDataFields.empty() || fGrid->fMasterDataFields.front() != field) return;
  if (!fGrid->CanFocus()) return;
  field = nullptr;
  fGrid->SetFocus();
}

// ---- TGridColumnSpecCellEh ------------------------------------------------------------

TSpecRowEh* TGridColumnSpecCellEh::SpecRow() const {
  auto* grid = dynamic_cast<TDBLookupGridEh*>(fColumn->Grid());
  return grid == nullptr ? nullptr : &grid->SpecRow();
}

AnsiString TGridColumnSpecCellEh::Text() const {
  if (fTextAssigned) return fText;
  const TSpecRowEh* row = SpecRow();
  return row == nullptr ? AnsiString() : row->GetCellText(fColumn->Index());
}

void TGridColumnSpecCellEh::SetText(const AnsiString& value) {
  fText = value;
  fTextAssigned = true;
  Changed();
}

TColor TGridColumnSpecCellEh::Color() const {
  if (fColorAssigned) return fColor;
  const TSpecRowEh* row = SpecRow();
  return row == nullptr ? clWindow : row->Color();
}

void TGridColumnSpecCellEh::SetColor(TColor value) {
  fColor = value;
  fColorAssigned = true;
  Changed();
}

const TFont* TGridColumnSpecCellEh::Font() const {
  if (fFont) return fFont.get();
  const TSpecRowEh* row = SpecRow();
  return row == nullptr ? fColumn->Font() : row->Font();
}

void TGridColumnSpecCellEh::SetFont(const TFont& value) {
  if (!fFont) fFont = std::make_unique<TFont>();
  fFont->Assign(&value);
  Changed();
}

void TGridColumnSpecCellEh::Assign(const TPersistent* source) {
  const auto* cell = dynamic_cast<const TGridColumnSpecCellEh*>(source);
  if (cell == nullptr) return TPersistent::Assign(source);
  fText = cell->fText;
  fTextAssigned = cell->fTextAssigned;
  fColor = cell->fColor;
  fColorAssigned = cell->fColorAssigned;
  if (cell->fFont) SetFont(*cell->fFont);
  Changed();
}

void TGridColumnSpecCellEh::Changed() {
  if (auto* grid = dynamic_cast<TDBLookupGridEh*>(fColumn->Grid())) grid->InvalidateSpecRow();
}

// ---- TDBLookupGridColumnEh ------------------------------------------------------------

TDBLookupGridColumnEh::TDBLookupGridColumnEh(TCollection* collection)
    : TColumnEh(collection), fSpecCell(std::make_unique<TGridColumnSpecCellEh>(this)) {}

TDBLookupGridColumnEh::~TDBLookupGridColumnEh() = default;

void TDBLookupGridColumnEh::Assign(const TPersistent* source) {
  TColumnEh::Assign(source);
  if (const auto* column = dynamic_cast<const TDBLookupGridColumnEh*>(source))
    fSpecCell->Assign(&column->SpecCell());
}

// ---- TDBLookupGridEh: construction and bindings ---------------------------------------

TDBLookupGridEh::TDBLookupGridEh(TComponent* owner)
    : TCustomDBGridEh(owner),
      fMasterLink(std::make_unique<TLookupGridDataLinkEh>(this)),
      fInternalSource(std::make_unique<TDataSource>(nullptr)),
      fSpecRow(std::make_unique<TSpecRowEh>(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetParentColor(false);
  fSpecRow->OnChanged = [this](TObject*) {
    InvalidateSpecRow();
    LayoutChanged();
  };
  SetOptions({dgColLines, dgRowSelect});
  TDBGridEhOptions optionsEh = OptionsEh();
  optionsEh.Include(dghTraceColSizing);
  SetOptionsEh(optionsEh);
  SetFlat(true);
  SetDrawMemoText(true);
  SetTabStop(false);
  SetLookupOptions({dlgColLinesEh});
}

std::unique_ptr<TDBGridColumnsEh> TDBLookupGridEh::CreateColumns() {
  return std::make_unique<TDBGridColumnsEh>(this, TCollectionItemClass::Of<TDBLookupGridColumnEh>());
}

std::unique_ptr<TDBGridEhColumnDefValuesEh> TDBLookupGridEh::CreateColumnDefValues() {
  return std::make_unique<TDBLookupGridColumnDefValuesEh>();
}

TDBLookupGridEh::~TDBLookupGridEh() {
  // Letting go of the master reads no fields any more.
  Destroying();
  StopTracking();
  fMasterLink->SetDataSource(nullptr);
}

void TDBLookupGridEh::Notification(TComponent* component, TOperation operation) {
  TCustomDBGridEh::Notification(component, operation);
  if (operation == opRemove && fMasterLink != nullptr && component == fMasterLink->DataSource())
    SetDataSource(nullptr);
}

void TDBLookupGridEh::SetDataSource(TDataSource* value) {
  if (value == DataSource()) return;
  if (DataSource() != nullptr) DataSource()->RemoveFreeNotification(this);
  fMasterLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  UpdateDataFields();
}

void TDBLookupGridEh::SetDataField(const AnsiString& value) {
  if (value == fDataField) return;
  fDataField = value;
  UpdateDataFields();
}

void TDBLookupGridEh::CheckListSettable() {
  if (fLookupMode) DatabaseError("Property already defined by lookup field", this);
  // A grid replicated in a control grid takes its list from the grid that holds it.
  if (fMasterLink->DataSourceFixed()) DatabaseError("Operation not allowed in a DBCtrlGrid", this);
}

void TDBLookupGridEh::CheckNotCircular() {
  TDataSource* list = ListSource();
  TDataSet* master = fMasterLink->DataSet();
  if (list != nullptr && master != nullptr && list->IsLinkedTo(master))
    DatabaseError("Circular datalinks are not allowed", this);
}

void TDBLookupGridEh::SetListSource(TDataSource* value) {
  CheckListSettable();
  TCustomDBGridEh::SetDataSource(value);
  UpdateListFields();
  UpdateColumnsWidths();
}

void TDBLookupGridEh::SetKeyFieldName(const AnsiString& value) {
  CheckListSettable();
  if (value == fKeyFieldName) return;
  fKeyFieldName = value;
  UpdateListFields();
  UpdateColumnsWidths();
}

void TDBLookupGridEh::SetListFieldName(const AnsiString& value) {
  if (value == fListFieldName) return;
  fListFieldName = value;
  UpdateListFields();
  UpdateColumnsWidths();
}

void TDBLookupGridEh::UpdateDataFields() {
  if (ComponentState().Contains(csDestroying)) return;
  const bool wasLookupMode = fLookupMode;
  fLookupMode = false;
  fMasterDataFields.clear();
  fMasterKeyFields.clear();
  TDataSet* master = fMasterLink->DataSet();
  if (fMasterLink->Active() && master != nullptr && !fDataField.empty()) {
    CheckNotCircular();
    fMasterDataFields = master->GetFieldList(fDataField);
    TField* first = fMasterDataFields.front();
    if (fMasterDataFields.size() == 1 && first->FieldKind() == fkLookup) {
      fMasterKeyFields = master->GetFieldList(first->KeyFields());
      fInternalSource->SetDataSet(first->LookupDataSet());
      TCustomDBGridEh::SetDataSource(fInternalSource.get());
      fKeyFieldName = first->LookupKeyFields();
      fLookupMode = true;
    } else {
      fMasterKeyFields = fMasterDataFields;
    }
  }
  if (wasLookupMode && !fLookupMode) {
    TCustomDBGridEh::SetDataSource(nullptr);
    fInternalSource->SetDataSet(nullptr);
  }
  fMasterFieldNames = JoinFieldNames(fMasterKeyFields);
  UpdateListFields();
  MasterRecordChanged(nullptr);
}

void TDBLookupGridEh::MasterRecordChanged(TField* field) {
  if (field != nullptr && std::find(fMasterKeyFields.begin(), fMasterKeyFields.end(), field) == fMasterKeyFields.end())
    return;
  if (fMasterKeyFields.empty()) {
    // A grid without a master keeps the key it was given.
    if (fMasterLink->DataSource() == nullptr) return;
    return SetKeyValue(Null());
  }
  SetKeyValue(fMasterLink->DataSet()->FieldValues(fMasterFieldNames));
}

void TDBLookupGridEh::UpdateListFields() {
  fListActive = false;
  fListField = nullptr;
  fListFields.clear();
  fKeyFields.clear();
  TDataSet* list = DataLink().DataSet();
  if (DataLink().Active() && list != nullptr && !fKeyFieldName.empty()) {
    CheckNotCircular();
    fKeyFields = list->GetFieldList(fKeyFieldName);
    if (!fListFieldName.empty()) fListFields = list->GetFieldList(fListFieldName);
    if (fLookupMode) {
      fListField = list->FieldByName(fMasterDataFields.front()->LookupResultField());
      if (std::find(fListFields.begin(), fListFields.end(), fListField) == fListFields.end())
        fListFields.insert(fListFields.begin(), fListField);
    } else {
      if (fListFields.empty()) fListFields = fKeyFields;
      const bool inRange = fListFieldIndex >= 0 && fListFieldIndex < static_cast<int>(fListFields.size());
      fListField = fListFields[inRange ? static_cast<std::size_t>(fListFieldIndex) : 0];
    }
    fListActive = true;
  }
  // Default columns follow the list fields.
  if (Columns().State() == csDefault && DataLink().Active()) LayoutChanged();
  if (fListActive)
    KeyValueChanged();
  else
    ListLinkDataChanged();
}

void TDBLookupGridEh::DefineFieldMap() {
  if (Columns().State() == csCustomized || fListFields.empty()) return TCustomDBGridEh::DefineFieldMap();
  DataLink().SetSparse(false);
  for (const TField* field : fListFields) DataLink().AddMapping(field->FieldName());
}

// ---- The chosen key -------------------------------------------------------------------

void TDBLookupGridEh::SetKeyValue(const Variant& value) {
  if (VarEqualsEh(value, fKeyValue) && !VarIsNull(value)) return;
  fKeyValue = value;
  KeyValueChanged();
}

bool TDBLookupGridEh::LocateKey() {
  TDataSet* list = DataLink().DataSet();
  if (VarIsNull(fKeyValue) || list == nullptr || !list->Active()) return false;
  return list->Locate(fKeyFieldName, fKeyValue, {});
}

void TDBLookupGridEh::KeyValueChanged() {
  const TFlagScope setting(fSettingKey);
  bool located = false;
  fSpecRowSelected = false;
  if (fSpecRow->Visible()) {
    fSpecRowSelected = VarEqualsEh(fKeyValue, fSpecRow->Value());
    if (!fSpecRowSelected && fSpecRow->ShowIfNotInKeyList()) {
      located = fListActive && LocateKey();
      fSpecRowSelected = !located;
    }
  }
  if (fListActive && !located && !LocateKey() && !fSpecRowSelected) {
    TDataSet* list = DataLink().DataSet();
    if (list != nullptr && list->Active()) list->First();
  }
  if (fSpecRowSelected)
    fText = fSpecRow->GetCellText(std::max(fListFieldIndex, 0));
  else if (fListActive && fListField != nullptr && !VarIsNull(fKeyValue) && LocateKey())
    fText = fListField->DisplayText();
  else
    fText.clear();
  Invalidate();
}

void TDBLookupGridEh::ListLinkDataChanged() {
  // The list changed under the chosen row (a refresh, an edit): its text may have too.
  TDataSet* list = DataLink().DataSet();
  if (fListActive && !fSettingKey && !fSpecRowSelected && list != nullptr && list->Active() && !list->IsEmpty() &&
      VarEqualsEh(list->FieldValues(fKeyFieldName), fKeyValue))
    fText = fListField->DisplayText();
  Invalidate();
}

bool TDBLookupGridEh::CanModifyKeyValue() {
  if (!fListActive || fMasterLink->ReadOnly()) return false;
  if (fMasterLink->DataSource() == nullptr) return true;
  return !fMasterKeyFields.empty() && FieldsCanModifyEh(fMasterKeyFields);
}

void TDBLookupGridEh::UpdateDataFieldValue(const Variant& value) {
  if (fMasterKeyFields.empty()) {
    if (!VarEqualsEh(value, fKeyValue) || VarIsNull(value)) {
      fKeyValue = value;
      KeyValueChanged();
    }
  } else if (fMasterLink->Edit()) {
    // The master's record change brings the value back through MasterRecordChanged.
    fMasterLink->DataSet()->SetFieldValues(fMasterFieldNames, value);
  }
  Update();
  if (OnClick) OnClick(this);
}

void TDBLookupGridEh::SelectCurrent() {
  TDataSet* list = DataLink().DataSet();
  if (!fListActive || list == nullptr || list->IsEmpty()) return;
  const Variant key = list->FieldValues(fKeyFieldName);
  if (fSpecRowSelected || !VarEqualsEh(key, fKeyValue)) UpdateDataFieldValue(key);
}

void TDBLookupGridEh::SelectSpecRow() {
  if (!fSpecRow->Visible() || fSpecRowSelected) return;
  UpdateDataFieldValue(fSpecRow->Value());
  // A master whose key does not change (already null) sends no record change.
  if (!fSpecRowSelected) KeyValueChanged();
}

// ---- Typing ---------------------------------------------------------------------------

bool TDBLookupGridEh::IsSearchableListField() const {
  return fListField != nullptr && fListField->DataType() == ftString &&
         (fListField->FieldKind() == fkData || fListField->FieldKind() == fkInternalCalc);
}

void TDBLookupGridEh::KeyPress(char& key) {
  TCustomDBGridEh::KeyPress(key);
  if (key != 0) IncrementalSearch(key);
}

void TDBLookupGridEh::IncrementalSearch(char key) {
  const auto code = static_cast<unsigned char>(key);
  if (code < 32 || !IsSearchableListField() || !CanModifyKeyValue()) return;
  const Cardinal now = GetTickCount();
  if (now - fLastSearchTime > kSearchPauseMs) fSearchText.clear();
  fLastSearchTime = now;
  bool quit = false;
  const AnsiString typed = HandleAllocated() ? TakeCharacterEh(WindowHandle(), key, quit) : AnsiString(1, key);
  if (quit || fSearchText.size() + typed.size() > kSearchLimit) return;
  const AnsiString text = fSearchText + typed;
  TDataSet* list = DataLink().DataSet();
  if (!list->Locate(fListField->FieldName(), Variant(text), {loCaseInsensitive, loPartialKey})) return;
  fSearchText = text;
  SelectCurrent();
}

// ---- Keys -----------------------------------------------------------------------------

void TDBLookupGridEh::MoveSelection(int distance) {
  TDataSet* list = DataLink().DataSet();
  if (list == nullptr || !list->Active()) return;
  if (fSpecRow->Visible() && distance < 0 && (fSpecRowSelected || list->Bof() || list->RecNo() <= 1)) {
    // Up from the first record (or the special row) lands on the special row.
    if (fSpecRowSelected || list->MoveBy(distance) == 0 || list->Bof()) return SelectSpecRow();
    return SelectCurrent();
  }
  if (fSpecRowSelected && distance > 0) {
    list->First();
  } else {
    list->MoveBy(distance);
  }
  SelectCurrent();
}

void TDBLookupGridEh::KeyDown(Word& key, TShiftState shift) {
  TDataSet* list = DataLink().DataSet();
  if (!CanModifyKeyValue() || list == nullptr || !list->Active() || shift.Contains(ssAlt)) {
    TCustomDBGridEh::KeyDown(key, shift);
    return;
  }
  const int page = std::max(VisibleRowCount() - 1, 1);
  switch (key) {
    case VK_UP:
      MoveSelection(-1);
      break;
    case VK_DOWN:
      MoveSelection(1);
      break;
    case VK_PRIOR:
      MoveSelection(-page);
      break;
    case VK_NEXT:
      MoveSelection(page);
      break;
    case VK_HOME:
      list->First();
      SelectCurrent();
      break;
    case VK_END:
      list->Last();
      SelectCurrent();
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (HorzScrollBar().IsScrollBarShowing()) return TCustomDBGridEh::KeyDown(key, shift);
      MoveSelection(key == VK_LEFT ? -1 : 1);
      break;
    default:
      TCustomDBGridEh::KeyDown(key, shift);
      return;
  }
  key = 0;
}

// ---- Mouse ----------------------------------------------------------------------------

int TDBLookupGridEh::SpecRowLine() const {
  if (!fSpecRow->Visible()) return -1;
  return TitleOffset() - 1;
}

int TDBLookupGridEh::RecordAt(int y) {
  const TGridCoord cell = MouseCoord(1, y);
  const int record = cell.Y - TitleOffset();
  if (cell.Y < 0 || record < 0 || record >= DataLink().RecordCount()) return -1;
  return record;
}

void TDBLookupGridEh::TrackRowAt(int y) {
  const int specLine = SpecRowLine();
  if (specLine >= 0 && MouseCoord(1, y).Y == specLine) return SelectSpecRow();
  const int record = RecordAt(y);
  if (record < 0) return;
  TDataSet* list = DataLink().DataSet();
  list->MoveBy(record - DataLink().ActiveRecord());
  SelectCurrent();
}

void TDBLookupGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button != mbLeft || !fListActive) return TCustomDBGridEh::MouseDown(button, shift, x, y);
  const TGridCoord cell = MouseCoord(x, y);
  const bool inData = cell.Y >= SpecRowLine() && cell.Y >= (AreTitlesVisible() ? 1 : 0) && cell.Y >= 0;
  if (!inData) return TCustomDBGridEh::MouseDown(button, shift, x, y);
  if (!IsPopup() && CanFocus() && !Focused()) SetFocus();
  if (!CanModifyKeyValue()) return;
  if (shift.Contains(ssDouble)) {
    if (RecordAt(y) == DataLink().ActiveRecord()) DblClick();
    return;
  }
  fTracking = true;
  fTrackingY = y;
  TrackRowAt(y);
}

void TDBLookupGridEh::MouseMove(TShiftState shift, int x, int y) {
  if (!fTracking) return TCustomDBGridEh::MouseMove(shift, x, y);
  fTrackingY = y;
  const int distance = y < 0 ? -y : y >= ClientHeight() ? y - ClientHeight() + 1 : 0;
  if (distance == 0) {
    if (fScrollTimer) fScrollTimer->SetEnabled(false);
    TrackRowAt(y);
    return;
  }
  if (!fScrollTimer) {
    fScrollTimer = std::make_unique<TTimer>(nullptr);
    fScrollTimer->SetOnTimer([this](TObject*) { ScrollTimerTick(); });
  }
  fScrollTimer->SetInterval(static_cast<Cardinal>(std::max(200 - 15 * distance, 0)));
  fScrollTimer->SetEnabled(true);
}

void TDBLookupGridEh::ScrollTimerTick() {
  if (!fTracking) return StopTracking();
  TDataSet* list = DataLink().DataSet();
  if (list == nullptr || !list->Active()) return StopTracking();
  if (fTrackingY < 0)
    MoveSelection(-1);
  else
    MoveSelection(1);
}

void TDBLookupGridEh::StopTracking() {
  fTracking = false;
  if (fScrollTimer) fScrollTimer->SetEnabled(false);
}

void TDBLookupGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (fTracking) {
    StopTracking();
    if (y >= 0 && y < ClientHeight()) TrackRowAt(y);
  }
  TCustomDBGridEh::MouseUp(button, shift, x, y);
}

// Brings the record just past the rows in view (down) or just before them (up) into view.
bool TDBLookupGridEh::ScrollPastVisible(bool down) {
  TDataSet* list = DataLink().DataSet();
  if (list == nullptr || !list->Active()) return false;
  if (down)
    list->MoveBy(DataLink().RecordCount() - DataLink().ActiveRecord());
  else
    list->MoveBy(-DataLink().ActiveRecord() - 1);
  return true;
}

bool TDBLookupGridEh::DoMouseWheelDown(TShiftState /*shift*/, TPoint /*mousePos*/) {
  return ScrollPastVisible(true);
}

bool TDBLookupGridEh::DoMouseWheelUp(TShiftState /*shift*/, TPoint /*mousePos*/) {
  return ScrollPastVisible(false);
}

// The bar moves the list, not the choice.
void TDBLookupGridEh::VerticalScroll(int code, int position) {
  TDataSet* list = DataLink().DataSet();
  if (list == nullptr || !list->Active()) return;
  const int page = std::max(VisibleRowCount(), 1);
  switch (code) {
    case SB_LINEUP:
      ScrollPastVisible(false);
      break;
    case SB_LINEDOWN:
      ScrollPastVisible(true);
      break;
    case SB_PAGEUP:
      list->MoveBy(-page);
      break;
    case SB_PAGEDOWN:
      list->MoveBy(page);
      break;
    case SB_TOP:
      list->First();
      break;
    case SB_BOTTOM:
      list->Last();
      break;
    case SB_THUMBPOSITION:
      if (list->IsSequenced()) {
        list->SetRecNo(std::max(position, 1));
      } else if (position == 0) {
        list->First();
      } else if (position == 4) {
        list->Last();
      }
      break;
    case SB_THUMBTRACK:
      if (list->IsSequenced()) list->SetRecNo(std::max(position, 1));
      break;
    default:
      break;
  }
}

bool TDBLookupGridEh::SelectCell(int /*col*/, int row) {
  return row != SpecRowLine();
}

// ---- Size -----------------------------------------------------------------------------

void TDBLookupGridEh::SetRowCount(int value) {
  fRowCount = std::clamp(value, 1, kMaxRowCount);
  // Inside a resize the height is being set already.
  if (!fSizing) ResizeToRowCount();
}

void TDBLookupGridEh::ResizeToRowCount() {
  const TFlagScope sizing(fSizing);
  TCustomDBGridEh::SetBounds(Left(), Top(), Width(), HeightForRows(fRowCount));
}

int TDBLookupGridEh::HeightForRows(int rows) {
  return TitlesHeight() + GetBorderHeight() + GetSpecRowHeight() + rows * GetDataRowHeight();
}

int TDBLookupGridEh::GetBorderHeight() {
  return HandleAllocated() ? Height() - ClientHeight() : 0;
}

int TDBLookupGridEh::GetDataRowHeight() {
  return DefaultRowHeight() + (Options().Contains(dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridEh::GetSpecRowHeight() {
  return fSpecRow->Visible() ? DefaultRowHeight() + (Options().Contains(dgRowLines) ? GridLineWidth() : 0) : 0;
}

int TDBLookupGridEh::TitlesHeight() {
  if (!AreTitlesVisible()) return 0;
  return RowHeights(0) + (Options().Contains(dgRowLines) ? GridLineWidth() : 0);
}

void TDBLookupGridEh::SetBounds(int left, int top, int width, int height) {
  if (fSizing || ComponentState().Contains(csLoading)) return TCustomDBGridEh::SetBounds(left, top, width, height);
  // A new height snaps to whole rows; the height the grid has (a move) keeps the count.
  if (height != Height()) {
    const int rows = (height - HeightForRows(0)) / std::max(GetDataRowHeight(), 1);
    fRowCount = std::clamp(rows, 1, kMaxRowCount);
  }
  const TFlagScope sizing(fSizing);
  TCustomDBGridEh::SetBounds(left, top, width, HeightForRows(fRowCount));
}

void TDBLookupGridEh::SetShowTitles(bool value) {
  if (value == ShowTitles()) return;
  TDBGridOptions options = Options();
  if (value)
    options.Include(dgTitles);
  else
    options.Exclude(dgTitles);
  SetOptions(options);
  if (!fSizing) ResizeToRowCount();
}

void TDBLookupGridEh::SetFitColWidths(bool value) {
  fFitColWidths = value;
  UpdateColumnsWidths();
}

void TDBLookupGridEh::SetLookupOptions(TDBLookupGridEhOptions value) {
  fLookupOptions = value;
  TDBGridOptions options = Options();
  const auto map = [&](TDBLookupGridEhOption from, TDBGridOption to) {
    if (value.Contains(from))
      options.Include(to);
    else
      options.Exclude(to);
  };
  map(dlgColumnResizeEh, dgColumnResize);
  map(dlgColLinesEh, dgColLines);
  map(dlgRowLinesEh, dgRowLines);
  SetOptions(options);
  TDBGridEhOptions optionsEh = OptionsEh();
  const auto mapEh = [&](TDBLookupGridEhOption from, TDBGridEhOption to) {
    if (value.Contains(from))
      optionsEh.Include(to);
    else
      optionsEh.Exclude(to);
  };
  mapEh(dlgAutoSortMarkingEh, dghAutoSortMarking);
  mapEh(dlgMultiSortMarkingEh, dghMultiSortMarking);
  SetOptionsEh(optionsEh);
}

void TDBLookupGridEh::UpdateColumnsWidths() {
  SetAutoFitColWidths(fFitColWidths);
  for (int i = 0; i < Columns().Count(); ++i) Columns().Items(i)->SetInitialWidth(Columns().Items(i)->Width());
  if (!fSizing) ResizeToRowCount();
}

// ---- Layout and data ------------------------------------------------------------------

int TDBLookupGridEh::ExtraTitleRowCount() const {
  return fSpecRow != nullptr && fSpecRow->Visible() ? 1 : 0;
}

void TDBLookupGridEh::CreateWnd() {
  TCustomDBGridEh::CreateWnd();
  if (!fSizing) ResizeToRowCount();
}

void TDBLookupGridEh::LinkActive(bool value) {
  TCustomDBGridEh::LinkActive(value);
  UpdateListFields();
}

void TDBLookupGridEh::DataChanged() {
  TCustomDBGridEh::DataChanged();
  ListLinkDataChanged();
}

void TDBLookupGridEh::LayoutChanged() {
  TCustomDBGridEh::LayoutChanged();
  if (fSpecRow == nullptr) return;
  const int line = SpecRowLine();
  if (line >= 0 && line < TCustomGridEh::RowCount()) SetRowHeights(line, DefaultRowHeight());
}

void TDBLookupGridEh::InvalidateSpecRow() {
  if (!ComponentState().Contains(csLoading)) Invalidate();
}

void TDBLookupGridEh::ColumnMoved(int from, int to) {
  // The special cells are read in the old order: an unset cell follows its column's index.
  std::vector<AnsiString> cells;
  for (int i = 0; i < Columns().Count(); ++i)
    cells.push_back(static_cast<TDBLookupGridColumnEh*>(Columns().Items(i))->SpecCell().Text());
  TCustomDBGridEh::ColumnMoved(from, to);
  if (Columns().State() != csCustomized) return;
  const auto fromIndex = static_cast<std::size_t>(RawToDataColumn(from));
  const auto toIndex = static_cast<std::size_t>(RawToDataColumn(to));
  if (fromIndex >= cells.size() || toIndex >= cells.size()) return;
  AnsiString moved = std::move(cells[fromIndex]);
  cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(fromIndex));
  cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(toIndex), std::move(moved));
  AnsiString cellsText;
  AnsiString names;
  for (int i = 0; i < Columns().Count(); ++i) {
    TColumnEh* column = Columns().Items(i);
    if (i > 0) {
      cellsText += ';';
      names += ';';
    }
    cellsText += AnsiQuotedStr(cells[static_cast<std::size_t>(i)], '"');
    names += column->FieldName();
    if (fListField != nullptr && column->Field() == fListField) fListFieldIndex = i;
  }
  fSpecRow->SetCellsText(cellsText);
  fListFieldName = names;
  UpdateListFields();
}

// ---- Painting -------------------------------------------------------------------------

bool TDBLookupGridEh::GetDataCellColors(int /*dataCol*/, int /*row*/, TFont& font, TColor& background,
                                        TGridDrawState& state) {
  // Only the record that holds the key shows highlighted, not the grid's current row.
  TDataSet* list = DataLink().DataSet();
  const bool keyRow = fListActive && !fSpecRowSelected && list != nullptr && !VarIsNull(fKeyValue) &&
                      VarEqualsEh(list->FieldValues(fKeyFieldName), fKeyValue);
  if (!keyRow) {
    state.Exclude(gdSelected);
    return false;
  }
  state.Include(gdSelected);
  background = clHighlight;
  font.SetColor(clHighlightText);
  return true;
}

void TDBLookupGridEh::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (row != SpecRowLine() || col < IndicatorOffset()) return TCustomDBGridEh::DrawCell(col, row, rect, state);
  DrawSpecRowCell(col, rect);
}

void TDBLookupGridEh::DrawSpecRowCell(int col, const TRect& rect) {
  TCanvas& canvas = *Canvas();
  const int dataCol = RawToDataColumn(col);
  if (dataCol < 0 || dataCol >= Columns().Count()) {
    canvas.Brush()->SetColor(fSpecRow->Color());
    canvas.FillRect(rect);
    return;
  }
  auto* column = static_cast<TDBLookupGridColumnEh*>(Columns().Items(dataCol));
  const TGridColumnSpecCellEh& cell = column->SpecCell();
  canvas.Font()->Assign(cell.Font());
  canvas.Brush()->SetColor(cell.Color());
  if (fSpecRowSelected) {
    canvas.Brush()->SetColor(clHighlight);
    canvas.Font()->SetColor(clHighlightText);
  }
  TAlignment alignment = column->Alignment();
  if (UseRightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  TCellTextFormatEh format;
  format.Alignment = alignment;
  WriteTextEh(canvas, rect, true, 2, 1, cell.Text(), format);
  if (fSpecRowSelected && Focused()) canvas.DrawFocusRect(rect);
}

// ---- Messages -------------------------------------------------------------------------

void TDBLookupGridEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomDBGridEh::Dispatch(message);
      Invalidate();
      return;
    case WM_SIZE:
      TCustomDBGridEh::Dispatch(message);
      UpdateColumnsWidths();
      return;
    case WM_VSCROLL:
      VerticalScroll(LOWORD(static_cast<UINT>(message.WParam)), static_cast<short>(HIWORD(message.WParam)));
      UpdateScrollBar();
      return;
    default:
      TCustomDBGridEh::Dispatch(message);
  }
}

// ---- TPopupDataGridEh -----------------------------------------------------------------

TPopupDataGridEh::TPopupDataGridEh(TComponent* owner) : TDBLookupGridEh(owner), fSizeGrip(new TSizeGripEh(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csNoDesignVisible, csReplicatable});
  SetVisible(false);
  fSizeGrip->SetTriangleWindow(true);
  fSizeGrip->SetParent(this);
  fSizeGrip->OnParentResized = [this](TObject*) { fSizedByUser = true; };
  SetShowHint(true);
}

void TPopupDataGridEh::SetBounds(int left, int top, int width, int height) {
  TDBLookupGridEh::SetBounds(left, top, std::max(width, GetSystemMetrics(SM_CXVSCROLL)),
                             std::max(height, GetSystemMetrics(SM_CYHSCROLL)));
}

void TPopupDataGridEh::CreateParams(TCreateParams& params) {
  TDBLookupGridEh::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (Ctl3D() ? 0 : WS_BORDER);
  params.ExStyle |= WS_EX_TOOLWINDOW;
  params.WindowClassStyle |= CS_SAVEBITS;
}

void TPopupDataGridEh::CreateWnd() {
  TDBLookupGridEh::CreateWnd();
  MakeTopLevelEh(this);
  fSizeGrip->UpdatePosition();
}

void TPopupDataGridEh::CloseUp(bool accept) {
  fPressedInside = false;
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TPopupDataGridEh::KeyValueChanged() {
  TDBLookupGridEh::KeyValueChanged();
  if (fUserAction && OnUserKeyValueChange) OnUserKeyValueChange(this);
}

void TPopupDataGridEh::KeyDown(Word& key, TShiftState shift) {
  const TFlagScope user(fUserAction);
  TDBLookupGridEh::KeyDown(key, shift);
}

void TPopupDataGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const TFlagScope user(fUserAction);
  fPressedInside = PtInRect(ClientRect(), TPoint{x, y});
  TDBLookupGridEh::MouseDown(button, shift, x, y);
}

void TPopupDataGridEh::MouseMove(TShiftState shift, int x, int y) {
  const TFlagScope user(fUserAction);
  const bool buttonHeld = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
  if (!buttonHeld && !ReadOnly() && CanModifyKeyValue() && PtInRect(ClientRect(), TPoint{x, y})) {
    TrackRowAt(y);
    return;
  }
  TDBLookupGridEh::MouseMove(shift, x, y);
}

void TPopupDataGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const TFlagScope user(fUserAction);
  const bool pressedInside = fPressedInside;
  TDBLookupGridEh::MouseUp(button, shift, x, y);
  if (button != mbLeft || !pressedInside) return;
  const TPoint p{x, y};
  if (!PtInRect(ClientRect(), p)) return CloseUp(false);
  const int line = MouseCoord(x, y).Y;
  if (RecordAt(y) >= 0 || (line >= 0 && line == SpecRowLine())) CloseUp(true);
}

void TPopupDataGridEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case CM_SETSIZEGRIPSIDEEH:
      fSizeGrip->ChangePosition(static_cast<TSizeGripChangePosition>(message.WParam));
      return;
    case WM_SIZE:
      TDBLookupGridEh::Dispatch(message);
      fSizeGrip->UpdatePosition();
      return;
    default:
      TDBLookupGridEh::Dispatch(message);
  }
}

}  // namespace ordvane

// The filter row: one editor that moves between the filter cells under the titles. A
// typed condition is parsed into its column's filter when the editor leaves the cell and
// filters the dataset only through ApplyFilter (Enter, a list command), which goes to
// OnApplyFilter or to the data service. A column with a list source offers its values
// and the row's commands in a drop-down list.

#include <algorithm>
#include <cmath>

#include "classlib/core/CodePages.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinInput.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilterEdit.h"
#include "grid/DbUtilsEh.h"

namespace ordvane {

namespace {

// The command lines of a filter cell's list, from the bottom of the commands up: each is
// inserted at the top, so the last one inserted heads the list.
struct TFilterCommandLineEh {
  TFilterListCommandEh command;
  const char* caption;
};
constexpr TFilterCommandLineEh kAlwaysOfferedCommands[] = {
    {fcNullEh, "(Пустые)"},
    {fcNotNullEh, "(Не пустые)"},
    {fcAllEh, "(Все)"},
    {fcClearFilterEh, "(Очистить фильтр)"},
};
constexpr TFilterCommandLineEh kSortCommands[] = {
    {fcSeparatorEh, "-"},
    {fcSortDescendingEh, "(Сортировка по убыванию)"},
    {fcSortAscendingEh, "(Сортировка по возрастанию)"},
};

constexpr int kDefaultFilterListWidth = 100;
constexpr int kDefaultFilterListRows = 17;

void InsertCommands(TStrings& items, const auto& commands) {
  for (const TFilterCommandLineEh& line : commands)
    items.InsertObject(0, Utf8ToAnsi(line.caption), FilterListCommandObjectEh(line.command));
}

// A shown text of a key/pick-list column instead of its key; a key past the end of the
// pick list keeps its own text, as the cell shows it.
void ShowPickTexts(TStrings& items, TStrings& keys, TStrings& picks) {
  for (int i = 0; i < items.Count(); ++i) {
    const int index = keys.IndexOf(items.Strings(i));
    if (index >= 0 && index < picks.Count()) items.SetStrings(i, picks.Strings(index));
  }
}

}  // namespace

// ---- Cells and texts ----------------------------------------------------------------------

bool TCustomDBGridEh::IsFilterCellEditable(int dataCol) const {
  if (dataCol < 0 || dataCol >= fColumns->Count()) return false;
  const TColumnEh* column = fColumns->Items(dataCol);
  return column->Visible() && column->STFilter().Visible();
}

int TCustomDBGridEh::FilterRowIndex() const { return AreTitlesVisible() ? 1 : 0; }

bool TCustomDBGridEh::IsFilterRow(int /*col*/, int row) const {
  return IsFilterRowVisible() && row == FilterRowIndex();
}

AnsiString TCustomDBGridEh::GetColumnFilterText(int dataCol) const {
  if (dataCol < 0 || dataCol >= fColumns->Count()) return {};
  TColumnEh* column = fColumns->Items(dataCol);
  return column->FieldName().empty() ? AnsiString() : column->STFilter().ExpressionStr();
}

void TCustomDBGridEh::SetColumnFilterText(int dataCol) {
  if (fFilterEdit == nullptr || dataCol < 0 || dataCol >= fColumns->Count()) return;
  TColumnEh* column = fColumns->Items(dataCol);
  if (!column->FieldName().empty()) column->STFilter().SetExpressionStr(fFilterEdit->Text());
}

bool TCustomDBGridEh::CanEditFilterRow() const {
  return fFilterEditing && fSelection->SelectionType() == gstNon;
}

bool TCustomDBGridEh::CanEditorAlwaysShow() const {
  return fDBOptions.Contains(dgAlwaysShowEditor) && !fFilterEditing;
}

// ---- Starting and stopping ----------------------------------------------------------------

TInplaceFilterEditEh* TCustomDBGridEh::CreateFilterEditor() { return new TInplaceFilterEditEh(this); }

void TCustomDBGridEh::StartFilterEdit(int dataCol) {
  if (!IsFilterRowVisible() || !IsFilterCellEditable(dataCol)) return;
  TDestroyWatch watch(this);
  if (fDataLink->Active()) fDataLink->DataSet()->CheckBrowseMode();
  if (watch.Gone()) return;
  if (fFilterEdit == nullptr) {
    fFilterEdit = CreateFilterEditor();
    fFilterEdit->SetInplaceEditHolder(this);
    fFilterEdit->SetParent(this);
    // Hidden by its window: the control stays visible, so it can take the focus once shown.
    fFilterEdit->SetVisible(false);
    fFilterEdit->Font()->Assign(Font());
    fFilterEdit->Font()->SetColor(clBlue);
    fFilterEdit->SetColor(FilterCellColor());
    fFilterEdit->SetFlat(Flat());
    fFilterEdit->SetAcceptsReturn(true);
    fFilterEdit->OnKeyPress = [this](TObject* sender, char& key) { FilterEditKeyPress(sender, key); };
  }
  // The text typed so far is stored first, also when the same cell opens again.
  if (FilterEditorShown()) HideFilterEdit();
  fFilterCol = dataCol;
  fFilterEditing = true;
  HideEditor();
  {
    const TDrawLockScopeEh drawLock(*this);
    BringFilterColumnIntoView(dataCol);
  }
  if (HandleAllocated()) InvalidateCell(DataToRawColumn(dataCol), FilterRowIndex());
  UpdateFilterEditBounds(true);
}

void TCustomDBGridEh::BringFilterColumnIntoView(int dataCol) {
  const int rawCol = DataToRawColumn(dataCol);
  if (!fDBOptions.Contains(dgRowSelect)) {
    SelectColumn(rawCol, 0, false);
    return;
  }
  if (rawCol < LeftCol()) {
    SetLeftCol(rawCol);
    return;
  }
  // Until the column ends inside the client area.
  while (rawCol > LeftCol() && rawCol >= LeftCol() + VisibleColCount()) {
    const int left = LeftCol();
    SetLeftCol(left + 1);
    if (LeftCol() == left) break;
  }
}

void TCustomDBGridEh::StopFilterEdit() {
  if (fSTFilter->UpdateCount() > 0) return;
  HideFilterEditor(true);
  LeaveFilterRow();
}

void TCustomDBGridEh::LeaveFilterRow() {
  fFilterEditing = false;
  if (CanEditorAlwaysShow())
    ShowEditor();
  else
    HideEditor();
}

void TCustomDBGridEh::ShowFilterEdit(bool show) {
  if (show)
    StartFilterEdit(SelectedIndex());
  else
    StopFilterEdit();
}

void TCustomDBGridEh::HideFilterEdit() { HideFilterEditor(true); }

bool TCustomDBGridEh::FilterEditorShown() const {
  return fFilterEdit != nullptr && fFilterEdit->HandleAllocated() &&
         (GetWindowLong(fFilterEdit->Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

// The text is parsed before the editor goes: a text that does not parse raises with the
// editor still open on it, so the user can mend it instead of losing it.
void TCustomDBGridEh::HideFilterEditor(bool storeText) {
  if (!FilterEditorShown()) return;
  const bool validCol = fFilterCol >= 0 && fFilterCol < fColumns->Count();
  if (storeText && validCol) SetColumnFilterText(fFilterCol);
  HideFilterEditorWindow();
  if (validCol && HandleAllocated()) InvalidateCell(DataToRawColumn(fFilterCol), FilterRowIndex());
}

void TCustomDBGridEh::HideFilterEditorWindow() {
  if (Visible() && fFilterEdit->Focused() && CanFocus()) SetFocus();
  fFilterEdit->SetVisible(false);
}

void TCustomDBGridEh::ShowEditor() {
  if (fFilterEditing) {
    TDestroyWatch watch(this);
    StopFilterEdit();
    if (watch.Gone()) return;
  }
  TCustomGridEh::ShowEditor();
}

// ---- Placing and loading the editor -------------------------------------------------------

void TCustomDBGridEh::UpdateFilterEditBounds(bool refill) {
  if (fSTFilter->UpdateCount() > 0 || (!fFilterEditing && !FilterEditorShown())) return;
  if (!fFilterEditing || !IsFilterRowVisible() || !IsFilterCellEditable(fFilterCol)) {
    StopFilterEdit();
    return;
  }
  if (!CanEditFilterRow()) {
    HideFilterEdit();
    return;
  }
  if (fFilterEdit == nullptr || !HandleAllocated()) return;
  TRect rect = CellRect(DataToRawColumn(fFilterCol), FilterRowIndex());
  if (refill) {
    UpdateFilterEditor(fFilterCol);
    fFilterEdit->SelectAll();
  }
  // A cell scrolled out of view hides the editor with its text kept for its return.
  if (IsRectEmpty(rect)) {
    HideFilterEditorWindow();
    return;
  }
  ++rect.left;
  ShowFilterEditor(rect);
}

void TCustomDBGridEh::ShowFilterEditor(const TRect& rect) {
  const HWND wnd = fFilterEdit->Handle();
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // A focused grid hands the focus on to the editor as it is placed.
  fFilterEdit->SetBounds(rect.left, rect.top, rect.Width(), rect.Height());
  fFilterEdit->Perform(EM_SCROLLCARET, 0, 0);
}

void TCustomDBGridEh::UpdateFilterEditor(int dataCol) {
  TColumnEh* column = fColumns->Items(dataCol);
  TSTColumnFilterEh& filter = column->STFilter();
  TInplaceFilterEditEh& edit = *fFilterEdit;
  edit.SetAcceptsTab(fDBOptions.Contains(dgTabs));
  edit.SetValue(Null());
  if (filter.ListSource() == nullptr) {
    edit.Items()->Clear();
    edit.OnDropDown = nullptr;
    edit.OnClosingUp = nullptr;
    edit.OnCloseUp = nullptr;
    edit.EditButton()->SetVisible(false);
    edit.SetText(GetColumnFilterText(dataCol));
    return;
  }
  edit.OnClosingUp = [this](TObject* sender, bool& accept) { FilterListCloseUp(sender, accept); };
  edit.OnCloseUp = [this](TObject* sender, bool accept) { FilterEditCloseUp(sender, accept); };
  edit.OnDropDown = [this](TObject* sender) { FillFilterList(sender); };
  edit.OnButtonClick = nullptr;
  edit.EditButton()->SetVisible(true);
  edit.DropDownBox()->SetSizable(true);
  if (filter.IsSingleTypedOperand())
    edit.SetValue(filter.Expression().Operand1);
  else
    edit.SetText(GetColumnFilterText(dataCol));
  const int width = filter.DropDownListWidth();
  const int rows = filter.DropDownListRows();
  edit.DropDownBox()->SetWidth(width < 1 ? kDefaultFilterListWidth : width);
  edit.DropDownBox()->SetRows(rows < 1 ? kDefaultFilterListRows : rows);
}

// ---- Moving between the cells -------------------------------------------------------------

// Wraps once around the columns, so that the row's ends meet whatever the editable cells
// at the edges are.
void TCustomDBGridEh::MoveFilterEdit(bool forward, bool toEdge) {
  const int first = fIndicatorOffset;
  // The columns kept at the right edge have filter cells too.
  const int last = FullColCount() - 1;
  if (last < first) return;
  const int count = last - first + 1;
  const int step = forward ? 1 : -1;
  int rawCol = 0;
  if (toEdge)
    rawCol = forward ? last : first;
  else
    rawCol = DataToRawColumn(fFilterCol) + step;
  // To an edge, the search runs from that edge back into the row.
  const int searchStep = toEdge ? -step : step;
  for (int tried = 0; tried < count; ++tried, rawCol += searchStep) {
    if (rawCol > last) rawCol = first;
    if (rawCol < first) rawCol = last;
    const int dataCol = RawToDataColumn(rawCol);
    if (!IsFilterCellEditable(dataCol)) continue;
    if (dataCol != fFilterCol) StartFilterEdit(dataCol);
    return;
  }
}

// ---- Keys ---------------------------------------------------------------------------------

bool TCustomDBGridEh::EnterFilterRow(Word key, TShiftState shift) {
  if (key != VK_UP || !IsFilterRowVisible() || !fDataLink->Active()) return false;
  if (!fDataLink->DataSet()->Bof() && !shift.Contains(ssCtrl)) return false;
  if (!fDBOptions.Contains(dgRowSelect)) {
    StartFilterEdit(SelectedIndex());
    return true;
  }
  // The remembered filter column or the next editable one on screen; else the first
  // editable one from the left column on.
  const int firstShown = LeftCol();
  const int lastShown = LeftCol() + VisibleColCount() - 1;
  const auto editableOnScreen = [&](int dataCol) {
    const int rawCol = DataToRawColumn(dataCol);
    return rawCol >= firstShown && rawCol <= lastShown && IsFilterCellEditable(dataCol);
  };
  for (const int from : {std::max(fFilterCol, 0), RawToDataColumn(firstShown)}) {
    for (int dataCol = std::max(from, 0); dataCol < fColumns->Count(); ++dataCol) {
      if (!editableOnScreen(dataCol)) continue;
      StartFilterEdit(dataCol);
      return true;
    }
  }
  return true;
}

bool TCustomDBGridEh::ForwardCharToFilterEdit(char key) {
  if (!fFilterEditing || fFilterEdit == nullptr || (key != '\b' && static_cast<Byte>(key) < 32)) return false;
  UpdateFilterEditBounds(false);
  if (!FilterEditorShown()) return false;
  PostMessage(fFilterEdit->Handle(), WM_CHAR, static_cast<Byte>(key), 0);
  return true;
}

bool TCustomDBGridEh::FilterCaretAtStart() const {
  return fFilterEdit->SelLength() == 0 && fFilterEdit->SelStart() == 0;
}

bool TCustomDBGridEh::FilterCaretAtEnd() const {
  return fFilterEdit->SelLength() == 0 &&
         fFilterEdit->SelStart() == static_cast<int>(fFilterEdit->Text().size());
}

void TCustomDBGridEh::FilterEditKeyDown(Word& key, TShiftState shift) {
  if (fFilterEdit == nullptr || fFilterEdit->ListVisible()) return;
  if (UseRightToLeftAlignment()) {
    if (key == VK_LEFT)
      key = VK_RIGHT;
    else if (key == VK_RIGHT)
      key = VK_LEFT;
  }
  const bool ctrl = shift.Contains(ssCtrl);
  const bool noShiftKey = !shift.Contains(ssShift) && !ctrl && !shift.Contains(ssAlt);
  switch (key) {
    case VK_LEFT:
      if (ctrl || FilterCaretAtStart()) MoveFilterEdit(false, ctrl);
      break;
    case VK_RIGHT:
      if (ctrl || FilterCaretAtEnd()) MoveFilterEdit(true, ctrl);
      break;
    case VK_HOME:
      if (ctrl || FilterCaretAtStart()) MoveFilterEdit(false, true);
      break;
    case VK_END:
      if (ctrl || FilterCaretAtEnd()) MoveFilterEdit(true, true);
      break;
    case VK_TAB:
      if (fDBOptions.Contains(dgTabs)) MoveFilterEdit(!shift.Contains(ssShift), false);
      break;
    case VK_UP:
      if (noShiftKey) key = 0;
      break;
    case VK_DOWN:
      if ((noShiftKey || shift == TShiftState{ssCtrl}) && fDataLink->Active()) {
        TDestroyWatch watch(this);
        SelectColumn(DataToRawColumn(fFilterCol), 0, false);
        if (!watch.Gone() && noShiftKey) fDataLink->DataSet()->MoveBy(-fDataLink->ActiveRecord());
        if (!watch.Gone()) StopFilterEdit();
        key = 0;
      }
      break;
    case VK_F2:
      fFilterEdit->SetSelStart(static_cast<int>(fFilterEdit->Text().size()));
      fFilterEdit->SetSelLength(0);
      key = 0;
      break;
    default:
      break;
  }
}

void TCustomDBGridEh::FilterEditKeyPress(TObject* /*sender*/, char& key) {
  if (key != '\r') return;
  key = 0;
  ApplyFilter();
}

// ---- The editor's holder ------------------------------------------------------------------

bool TCustomDBGridEh::InplaceEditCanModify(TControl* /*edit*/) { return true; }

void TCustomDBGridEh::GetMouseDownInfo(TPoint& point, Cardinal& time) {
  point = fFilterMouseDownPoint;
  time = fFilterMouseDownTime;
  fFilterMouseDownTime = 0;
}

bool TCustomDBGridEh::InplaceEditWndProc(TControl* /*edit*/, TMessage& /*message*/) { return false; }

void TCustomDBGridEh::InplaceEditKeyDown(TControl* edit, Word& key, TShiftState shift) {
  if (edit == fFilterEdit) FilterEditKeyDown(key, shift);
}

void TCustomDBGridEh::InplaceEditKeyPress(TControl* edit, char& key) {
  if (key == '\t' && dynamic_cast<TInplaceFilterEditEh*>(edit) != nullptr) key = 0;
}

void TCustomDBGridEh::InplaceEditKeyUp(TControl* /*edit*/, Word& /*key*/, TShiftState /*shift*/) {}

// ---- The mouse ----------------------------------------------------------------------------

bool TCustomDBGridEh::FilterCellMouseDown(TMouseButton button, int x, int y) {
  if ((button != mbLeft && button != mbRight) || ComponentState().Contains(csDesigning) || !IsFilterRowVisible())
    return false;
  const TGridCoord cell = MouseCoord(x, y);
  const int dataCol = RawToDataColumn(cell.X);
  if (cell.X < fIndicatorOffset || !IsFilterRow(cell.X, cell.Y) || !IsFilterCellEditable(dataCol)) return false;
  TDestroyWatch watch(this);
  fFilterMouseDownTime = 0;
  fSelection->Clear();
  StartFilterEdit(dataCol);
  if (watch.Gone()) return true;
  // The caret goes where the user clicked. The press is handed over before it is noted,
  // so that only a second click makes a double click in the editor.
  if (button == mbLeft && FilterEditorShown()) {
    const TPoint at = fFilterEdit->ScreenToClient(ClientToScreen(TPoint{x, y}));
    fFilterEdit->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  }
  fFilterMouseDownPoint = {x, y};
  fFilterMouseDownTime = GetMessageTime();
  return true;
}

// ---- The drop-down list -------------------------------------------------------------------

void TCustomDBGridEh::FillFilterList(TObject* /*sender*/) {
  if (fFilterEdit == nullptr || fFilterCol < 0 || fFilterCol >= fColumns->Count()) return;
  TColumnEh* column = fColumns->Items(fFilterCol);
  TStrings& items = *fFilterEdit->Items();
  items.BeginUpdate();
  try {
    items.Clear();
    if (TStrings* values = column->STFilter().ListValues()) items.Assign(values);
    TStrings* keys = column->KeyList();
    TStrings* picks = column->PickList();
    if (keys != nullptr && picks != nullptr && keys->Count() > 0 && picks->Count() > 0)
      ShowPickTexts(items, *keys, *picks);
    InsertCommands(items, kAlwaysOfferedCommands);
    if (fOptionsEh.Contains(dghAutoSortMarking) && column->Title().TitleButton()) InsertCommands(items, kSortCommands);
  } catch (...) {
    items.EndUpdate();
    throw;
  }
  items.EndUpdate();
}

void TCustomDBGridEh::FilterListCloseUp(TObject* /*sender*/, bool& accept) {
  if (!accept || fFilterEdit == nullptr || fFilterCol < 0 || fFilterCol >= fColumns->Count()) return;
  if (FilterEditorShown()) {
    TSTColumnFilterEh& filter = fColumns->Items(fFilterCol)->STFilter();
    filter.SetDropDownListWidth(fFilterEdit->DropDownBox()->Width());
    filter.SetDropDownListRows(fFilterEdit->DropDownBox()->Rows());
  }
  TPopupListboxEh* list = fFilterEdit->PopupList();
  const int index = list != nullptr ? list->ItemIndex() : -1;
  const TStrings& items = *fFilterEdit->Items();
  const TFilterListCommandEh command =
      index >= 0 && index < items.Count() ? FilterListCommandOfEh(items.Objects(index)) : fcValueEh;
  if (command == fcValueEh) return;
  // A command's caption never becomes the text.
  accept = false;
  RunFilterListCommand(command);
}

void TCustomDBGridEh::RunFilterListCommand(int command) {
  switch (command) {
    case fcNullEh:
      fFilterEdit->SetText("=Null");
      break;
    case fcNotNullEh:
      fFilterEdit->SetText("<>Null");
      break;
    case fcAllEh:
      fFilterEdit->SetText({});
      break;
    case fcClearFilterEh:
      ClearFilter();
      ApplyFilter();
      return;
    case fcSortAscendingEh:
    case fcSortDescendingEh: {
      TColumnEh* column = fColumns->Items(fFilterCol);
      for (int i = 0; i < fColumns->Count(); ++i) fColumns->Items(i)->Title().SetSortMarker(smNoneEh);
      fSortMarkedColumns.Clear();
      // smDownEh is the marker of an ascending order, as a title click's first step.
      column->Title().SetSortMarker(command == fcSortAscendingEh ? smDownEh : smUpEh);
      SortMarkingChanged();
      return;
    }
    default:
      return;
  }
  if (fStyle != nullptr && fStyle->ApplyFilterOnCloseUp()) ApplyFilter();
}

void TCustomDBGridEh::FilterEditCloseUp(TObject* /*sender*/, bool accept) {
  if (accept && fStyle != nullptr && fStyle->ApplyFilterOnCloseUp()) ApplyFilter();
}

// ---- Applying and clearing ----------------------------------------------------------------

void TCustomDBGridEh::ApplyFilter() {
  if (fFilterCol >= 0 && fFilterCol < fColumns->Count() && FilterEditorShown()) SetColumnFilterText(fFilterCol);
  const int leftCol = LeftCol();
  TDestroyWatch watch(this);
  if (OnApplyFilter)
    OnApplyFilter(this);
  else
    DefaultApplyFilter();
  if (watch.Gone()) return;
  if (ColCount() > leftCol) SetLeftCol(leftCol);
  UpdateFilterEditBounds(true);
  if (fSumList->Active()) fSumList->RecalculateAll();
  Invalidate();
}

void TCustomDBGridEh::DefaultApplyFilter() {
  const TDrawLockScopeEh drawLock(*this);
  DBGridEhDataService().ApplyFilter(*this);
}

// The editor's text is dropped, not parsed: it is cleared with the rest, and a text that
// does not parse must not keep the filters from being cleared.
void TCustomDBGridEh::ClearFilter() {
  if (fSTFilter->UpdateCount() == 0) {
    HideFilterEditor(false);
    LeaveFilterRow();
  }
  if (fFilterEdit != nullptr) fFilterEdit->SetText({});
  for (int i = 0; i < fColumns->Count(); ++i) fColumns->Items(i)->STFilter().Clear();
  Invalidate();
}

// ---- Drawing ------------------------------------------------------------------------------

TColor TCustomDBGridEh::FilterCellColor() const {
  const TColorRef fixed = ColorToRGB(FixedColor());
  const auto lighten = [](int channel) {
    return std::min(255, channel + static_cast<int>(std::lround(channel / 8.0)));
  };
  return static_cast<TColor>(
      RGB(lighten(GetRValue(fixed)), lighten(GetGValue(fixed)), lighten(GetBValue(fixed))));
}

TCustomDBGridEh::TCellLookEh TCustomDBGridEh::DrawFilterCell(int col, int row, const TRect& rect,
                                                             TColumnEh& column, TGridCellTypeEh type) {
  TCanvas& canvas = *Canvas();
  const int dataCol = RawToDataColumn(col);
  TCellLookEh look;
  look.highlighted = IsCellSelected(col, dataCol, row, TBookmarkStr());
  canvas.Font()->Assign(Font());
  if (!IsFilterCellEditable(dataCol)) {
    TColor background = FixedColor();
    GetHighlightCellColors(col, row, *canvas.Font(), background, look.highlighted, type);
    canvas.Brush()->SetColor(background);
    canvas.FillRect(rect);
    return look;
  }
  canvas.Font()->SetColor(clBlue);
  TColor background = FilterCellColor();
  GetHighlightCellColors(col, row, *canvas.Font(), background, look.highlighted, type);
  canvas.Brush()->SetColor(background);
  canvas.FillRect(rect);
  TRect textRect = rect;
  if (column.STFilter().ListSource() != nullptr) {
    const TRect button{std::max(rect.left, rect.right - DefaultCellButtonWidth()), rect.top, rect.right,
                       rect.bottom};
    DrawCellButtonEh(canvas, button, background, ebsDropDownEh, nullptr, Flat(), true);
    textRect.right = button.left;
  }
  canvas.Brush()->SetStyle(bsClear);
  const TColumnTitleEh& title = column.Title();
  WriteColumnText(column, textRect, false, 2, 1, GetColumnFilterText(dataCol),
                  {.Alignment = title.Alignment(), .Layout = tlCenter, .EndEllipsis = title.EndEllipsis()});
  canvas.Brush()->SetStyle(bsSolid);
  return look;
}

}  // namespace ordvane

// The data-aware grid's in-place editor, and the grid's side of it (making the editor,
// the edit-button click): the edit style and contents per cell, the edit-button row, the
// drop-downs, completion and paste, keys, the list of recently used values and painting.

#include "grid/DBGridEhInplaceEdit.h"

#include <algorithm>
#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/db/NumericFields.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/ButtonFacesEh.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "gridbase/FieldValuesEh.h"

namespace ordvane {

// ---- The grid's side ------------------------------------------------------------------

TInplaceEdit* TCustomDBGridEh::CreateEditor() {
  return new TDBGridInplaceEdit(this);
}

void TCustomDBGridEh::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

namespace {

bool IsPrintable(WPARAM code) {
  return code >= 32 && code <= 255;
}

// Takes every pending `message` of `wnd` off the queue; a WM_QUIT met is posted again.
void RemoveAllPendingEh(HWND wnd, UINT message) {
  TMsg msg;
  while (PeekMessage(msg, wnd, message, message, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
  }
}

bool WindowShows(const TWinControl* control) {
  return control != nullptr && control->HandleAllocated() && IsWindowVisible(control->WindowHandle());
}

void HideWindowEh(TWinControl* control) {
  SetWindowPos(control->Handle(), 0, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

// ---- Construction and the current column ----------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* owner)
    : TInplaceEdit(owner), fDBGrid(dynamic_cast<TCustomDBGridEh*>(owner)) {
  if (fDBGrid == nullptr) RaiseGridErrorEh("The grid's editor needs the data-aware grid as its owner");
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() {
  // The lookup popup is the column's and outlives the editor: it must not call back here.
  if (fDataList != nullptr) {
    fDataList->OnCloseUp = {};
    if (fDataList->ListSource() == &fDataSource) fDataList->SetListSource(nullptr);
    fDataList->RemoveFreeNotification(this);
  }
}

TColumnEh* TDBGridInplaceEdit::Column() const {
  return fDBGrid->SelectedColumn();
}

void TDBGridInplaceEdit::Notification(TComponent* component, TOperation operation) {
  TInplaceEdit::Notification(component, operation);
  if (operation != opRemove || component == nullptr || component != fDataList) return;
  if (fActiveList == fDataList) {
    fActiveList = nullptr;
    fListVisible = false;
    fEditStyle = esSimple;
  }
  fDataList = nullptr;
}

bool TDBGridInplaceEdit::IsNumericField() const {
  TColumnEh* column = Column();
  return column != nullptr && dynamic_cast<TNumericField*>(column->Field()) != nullptr;
}

bool TDBGridInplaceEdit::CanEditRow() const {
  return fDBGrid->CanEditCurrentRow();
}

bool TDBGridInplaceEdit::IsKeyPickListCell() {
  TColumnEh* column = Column();
  return column != nullptr && column->GetColumnType() == ctKeyPickList;
}

void TDBGridInplaceEdit::SetPendingKey(const Variant& key) {
  fDBGrid->fPendingKey = key;
}

// The grid writes its saved text when the cell is left, if the record counts as changed.
void TDBGridInplaceEdit::SetSavedText(const AnsiString& text) {
  fDBGrid->fLastEditText = text;
  if (fDBGrid->DataLink().Editing()) fDBGrid->DataLink().MarkModified();
}

// ---- Edit style and contents ----------------------------------------------------------

void TDBGridInplaceEdit::SetEditStyle(TColumnEditStyleEh style) {
  fEditStyle = style;
  fActiveList = nullptr;
  TColumnEh* column = Column();
  switch (style) {
    case esPickList:
      fActiveList = EnsurePickList();
      fPickList->SetImages(column->ImageList());
      break;
    case esDataList:
      if (fDataList != column->DataList()) {
        if (fDataList != nullptr) fDataList->RemoveFreeNotification(this);
        fDataList = column->DataList();
        fDataList->FreeNotification(this);
      }
      fActiveList = fDataList;
      break;
    case esDateCalendar:
      fActiveList = EnsureCalendar();
      break;
    case esDropDown:
      if (IsNumericField()) fActiveList = CreateCalculator();
      break;
    default:
      break;
  }
}

bool TDBGridInplaceEdit::StyleHasDropDown() const {
  return fActiveList != nullptr;
}

TPopupListboxEh* TDBGridInplaceEdit::EnsurePickList() {
  if (fPickList != nullptr) return fPickList;
  fPickList = new TPopupListboxEh(this);
  fPickList->SetVisible(false);
  fPickList->SetCtl3D(true);
  fPickList->SetParent(this);
  fPickList->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && PtInRect(fPickList->ClientRect(), TPoint{x, y})) CloseUp(true);
  };
  const TNotifyEvent relayout = fPickList->SizeGrip()->OnParentResized;
  fPickList->SizeGrip()->OnParentResized = [this, relayout](TObject* sender) {
    if (relayout) relayout(sender);
    fPickListSizedByUser = true;
  };
  return fPickList;
}

TPopupMonthCalendarEh* TDBGridInplaceEdit::EnsureCalendar() {
  if (fCalendar == nullptr) {
    fCalendar = new TPopupMonthCalendarEh(this);
    fCalendar->SetParent(this);
  }
  return fCalendar;
}

TPopupCalculatorEh* TDBGridInplaceEdit::CreateCalculator() {
  if (fCalculator == nullptr) {
    fCalculator = new TPopupCalculatorEh(this);
    fCalculator->SetVisible(false);
    fCalculator->SetParent(this);
    if (HandleAllocated()) fCalculator->HandleNeeded();
  }
  return fCalculator;
}

void TDBGridInplaceEdit::UpdateContents() {
  TColumnEh* column = Column();
  SetEditStyle(column == nullptr ? esSimple
                                 : static_cast<TColumnEditStyleEh>(fDBGrid->GetEditStyle(fDBGrid->Col(), fDBGrid->Row())));
  if (column != nullptr) {
    TColCellParamsEh params;
    column->FillColCellParams(params);
    TFont font;
    font.Assign(params.Font);
    params.Font = &font;
    column->GetColCellParams(true, params);
    Font()->Assign(&font);
    SetColor(params.Background);
  }
  SetReadOnly(column == nullptr || !column->CanModify(false));
  const bool wordWrap = column != nullptr && column->WordWrap() && fDBGrid->MultiLineRows();
  if (wordWrap != fWordWrap) {
    fWordWrap = wordWrap;
    if (HandleAllocated()) RecreateWnd();
  }
  TInplaceEdit::UpdateContents();
  UpdateEditButtonsState();
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& params) {
  TInplaceEdit::CreateParams(params);
  if (fWordWrap) params.Style &= ~ES_AUTOHSCROLL;
}

void TDBGridInplaceEdit::UpdateEditButtonsState() {
  TColumnEh* column = Column();
  if (column == nullptr || column->ImageList() == nullptr) return;
  int index = -1;
  if (column->PickList()->Count() > 0)
    index = column->PickList()->IndexOf(Text());
  else if (IsNumericField())
    index = FieldValueAsIntegerEh(column->Field(), -1);
  if (index == -1) index = column->NotInKeyListIndex();
  if (index != fImageIndex || fRefreshButtons) {
    fImageIndex = index;
    Invalidate();
  }
  fRefreshButtons = false;
}

void TDBGridInplaceEdit::ForceUpdateEditButtons() {
  fRefreshButtons = true;
  UpdateEditButtonsState();
}

// ---- The edit-button row --------------------------------------------------------------

void TDBGridInplaceEdit::SetupEditButton(TEditButtonControlEh& control) {
  control.SetBounds(control.Left(), control.Top(), 10, 17);
  control.SetVisible(true);
  control.SetTransparent(false);
}

TEditButtonEh* TDBGridInplaceEdit::ButtonOf(int index) const {
  TColumnEh* column = Column();
  if (index <= 0 || column == nullptr || index > column->EditButtons().Count()) return nullptr;
  return column->EditButtons().Items(index - 1);
}

int TDBGridInplaceEdit::IndexOfControl(const TObject* control) const {
  for (std::size_t i = 0; i < fButtons.size(); ++i)
    if (fButtons[i].control == control) return static_cast<int>(i);
  return -1;
}

TEditButtonControlEh* TDBGridInplaceEdit::ButtonControl(int index) const {
  if (index < 0 || index >= static_cast<int>(fButtons.size())) return nullptr;
  return fButtons[static_cast<std::size_t>(index)].control;
}

TShape* TDBGridInplaceEdit::ButtonSeparator(int index) const {
  if (index < 0 || index >= static_cast<int>(fButtons.size())) return nullptr;
  return fButtons[static_cast<std::size_t>(index)].separator;
}

void TDBGridInplaceEdit::SyncButtonPairs(int wanted) {
  while (static_cast<int>(fButtons.size()) < wanted) {
    auto* control = new TEditButtonControlEh(this);
    SetupEditButton(*control);
    control->SetParent(this);
    control->OnButtonDown = [this](TObject* sender, bool top, bool& autoRepeat, bool& handled) {
      EditButtonMouseDown(sender, top, autoRepeat, handled);
    };
    control->OnClick = [this](TObject* sender) { ButtonClicked(sender); };
    control->OnMouseMove = [this](TObject* sender, TShiftState shift, int x, int y) {
      EditButtonMouseMove(sender, shift, x, y);
    };
    control->OnMouseUp = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EditButtonMouseUp(sender, button, shift, x, y);
    };
    auto* separator = new TShape(this);
    separator->SetParent(this);
    fButtons.push_back({control, separator});
  }
  // Surplus pairs stay for a later column with more buttons, hidden and out of the row.
  for (std::size_t i = static_cast<std::size_t>(wanted); i < fButtons.size(); ++i) {
    fButtons[i].control->SetVisible(false);
    fButtons[i].control->SetBounds(0, 0, 0, 0);
    fButtons[i].separator->SetVisible(false);
    fButtons[i].separator->SetBounds(0, 0, 0, 0);
  }
}

int TDBGridInplaceEdit::EditButtonWidth(const TEditButtonEh* button, bool isDefault) const {
  const bool visible = isDefault ? fEditStyle != esSimple : button->Visible();
  if (!visible) return 0;
  if (!isDefault && button->Width() >= 1) return button->Width();
  return fDBGrid->Flat() ? DefaultEditButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
}

void TDBGridInplaceEdit::LayoutEditButtons() {
  TColumnEh* column = Column();
  const int pairs = 1 + (column == nullptr ? 0 : column->EditButtons().Count());
  SyncButtonPairs(pairs);
  const bool flat = fDBGrid->Flat();
  const int clientHeight = ClientHeight();
  std::vector<int> widths(static_cast<std::size_t>(pairs));
  int height = -1;
  for (int i = 0; i < pairs; ++i) {
    TEditButtonControlEh* control = ButtonControl(i);
    const TEditButtonEh* button = ButtonOf(i);
    const bool isDefault = i == 0;
    if (isDefault) {
      control->SetStyle(fEditStyle == esEllipsis ? ebsEllipsisEh
                        : fEditStyle == esUpDown ? ebsUpDownEh
                                                 : ebsDropDownEh);
      const TBitmap noGlyph;
      control->Glyph()->Assign(&noGlyph);
      control->SetHint({});
    } else {
      control->SetStyle(button->Style());
      control->Glyph()->Assign(button->Glyph());
      control->SetNumGlyphs(button->NumGlyphs());
      control->SetHint(button->Hint());
    }
    control->SetFlat(flat);
    control->SetEnabled(true);
    control->SetActive(true);
    const int width = EditButtonWidth(button, isDefault);
    widths[static_cast<std::size_t>(i)] = width;
    control->SetVisible(width > 0);
    fButtons[static_cast<std::size_t>(i)].separator->Pen()->SetColor(clBtnFace);
    if (width == 0) continue;
    const int proposed = clientHeight <= static_cast<int>(std::lround(1.5 * width)) ? clientHeight
                         : isDefault ? ScaleButtonWidthEh(width, flat)
                                     : width;
    height = height < 0 ? proposed : std::min(height, proposed);
  }
  fButtonHeight = std::max(height, 0);
  const bool rightToLeft = column != nullptr && column->IsRightToLeft();
  int x = rightToLeft ? 0 : ClientWidth();
  for (int i = pairs - 1; i >= 0; --i) {
    const int width = widths[static_cast<std::size_t>(i)];
    const int separatorWidth = flat && width > 0 ? 1 : 0;
    TButtonPair& pair = fButtons[static_cast<std::size_t>(i)];
    pair.separator->SetVisible(separatorWidth > 0);
    if (rightToLeft) {
      pair.control->SetBounds(x, 0, width, fButtonHeight);
      pair.separator->SetBounds(x + width, 0, separatorWidth, fButtonHeight);
      x += width + separatorWidth;
    } else {
      pair.control->SetBounds(x - width, 0, width, fButtonHeight);
      pair.separator->SetBounds(x - width - separatorWidth, 0, separatorWidth, fButtonHeight);
      x -= width + separatorWidth;
    }
  }
  fButtonsWidth = rightToLeft ? x : ClientWidth() - x;
}

void TDBGridInplaceEdit::UpdateEditRect(TRect& rect) {
  rect = fDBGrid->Flat() ? Rect(2, 1, Width() - 2, Height() - 1) : Rect(2, 2, Width() - 2, Height());
  TColumnEh* column = Column();
  const bool rightToLeft = column != nullptr && column->IsRightToLeft();
  if (rightToLeft)
    rect.left += fButtonsWidth;
  else
    rect.right -= fButtonsWidth;
  if (column != nullptr && column->ShowImageAndText() && column->ImageList() != nullptr) {
    const int imageRoom = column->ImageList()->Width() + 5;
    if (rightToLeft)
      rect.right -= imageRoom;
    else
      rect.left += imageRoom;
  }
}

void TDBGridInplaceEdit::BoundsChanged() {
  if (HandleAllocated()) RemoveAllPendingEh(WindowHandle(), CM_EDITBUTTONRELEASEEH);
  LayoutEditButtons();
  TRect rect;
  UpdateEditRect(rect);
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rect));
  Perform(EM_SCROLLCARET, 0, 0);
  if (FarEastLocale() && HandleAllocated()) SetImeCompositionWindow(WindowHandle(), ClientRect());
}

// ---- Edit-button mouse ----------------------------------------------------------------

void TDBGridInplaceEdit::EditButtonMouseDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
  if (TakeEditButtonReleaseEh(this, sender)) {
    handled = true;
    return;
  }
  TColumnEh* column = Column();
  const int index = IndexOfControl(sender);
  if (column == nullptr || index < 0) return;
  if (index == 0) {
    if (column->OnEditButtonDown) column->OnEditButtonDown(sender, topButton, autoRepeat, handled);
    if (!handled) EditButtonClick(!topButton);
    return;
  }
  TEditButtonEh* button = ButtonOf(index);
  if (button->OnDown) button->OnDown(sender, topButton, autoRepeat, handled);
  if (handled || button->DropdownMenu() == nullptr) return;
  PopupEditButtonMenuEh(this, static_cast<TEditButtonControlEh*>(sender), button->DropdownMenu());
}

void TDBGridInplaceEdit::ButtonClicked(TObject* sender) {
  TColumnEh* column = Column();
  const int index = IndexOfControl(sender);
  if (column == nullptr || index < 0) return;
  bool handled = false;
  if (index == 0) {
    TDestroyWatch watch(this);
    fDBGrid->EditButtonClick();
    if (watch.Gone()) return;
    if (column->OnEditButtonClick) column->OnEditButtonClick(sender, handled);
    if (watch.Gone()) return;
    if (!handled && StyleHasDropDown() && !fClosingByButton && !fListVisible) DropDown();
  } else {
    ButtonOf(index)->Click(sender, handled);
  }
  fClosingByButton = false;
}

void TDBGridInplaceEdit::EditButtonClick(bool down) {
  if (fEditStyle == esUpDown) {
    TColumnEh* column = Column();
    if (column == nullptr || !column->CanModify(true)) return;
    // A plain cell counts up with the upper half; lists and lookups step the other way.
    double sign = down ? -1.0 : 1.0;
    if (column->GetColumnType() != ctCommon) sign = -sign;
    StepValue(column->Increment() * sign);
    return;
  }
  if (fListVisible) {
    CloseUp(false);
    fClosingByButton = true;
  } else if (StyleHasDropDown()) {
    DropDown();
    fClosingByButton = true;
  }
}

// The press that drags from the default button into the open list goes on in the list.
void TDBGridInplaceEdit::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  if (!fListVisible || fActiveList == nullptr || sender == nullptr || sender != ButtonControl(0) || !shift.Contains(ssLeft))
    return;
  auto* control = static_cast<TControl*>(sender);
  const TPoint inList = fActiveList->ScreenToClient(control->ClientToScreen(TPoint{x, y}));
  if (!PtInRect(fActiveList->ClientRect(), inList)) return;
  control->Perform(WM_CANCELMODE, 0, 0);
  if (GetCapture() != 0) ReleaseCapture();
  SendMessage(fActiveList->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(inList));
}

void TDBGridInplaceEdit::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
  const auto* control = static_cast<const TControl*>(sender);
  if (!PtInRect(control->ClientRect(), TPoint{x, y})) fClosingByButton = false;
}

// ---- Steps ----------------------------------------------------------------------------

void TDBGridInplaceEdit::StepValue(double increment) {
  TColumnEh* column = Column();
  if (column == nullptr) return;
  const int col = fDBGrid->Col();
  const int row = fDBGrid->Row();
  if (Text() != fDBGrid->fLastEditText) {
    // What was typed counts first: the step goes from there.
    fDBGrid->SetEditText(col, row, Text());
    fDBGrid->UpdateData();
  }
  column->SetNextFieldValue(increment);
  SetText(fDBGrid->GetEditText(col, row));
  SelectAll();
}

void TDBGridInplaceEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  TInplaceEdit::MouseDown(button, shift, x, y);
  if (watch.Gone() || button != mbLeft || !shift.Contains(ssDouble)) return;
  TColumnEh* column = Column();
  if (column == nullptr || !column->DblClickNextVal() || !column->CanModify(true)) return;
  StepValue(shift.Contains(ssShift) ? -1.0 : 1.0);
}

bool TDBGridInplaceEdit::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  return fListVisible || TInplaceEdit::DoMouseWheelDown(shift, mousePos);
}

bool TDBGridInplaceEdit::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  return fListVisible || TInplaceEdit::DoMouseWheelUp(shift, mousePos);
}

// ---- Drop-downs -----------------------------------------------------------------------

void TDBGridInplaceEdit::FillPickList() {
  TColumnEh* column = Column();
  TStrings& picks = *column->PickList();
  const int keys = column->KeyList()->Count();
  const int count = keys > 0 ? std::min(picks.Count(), keys) : picks.Count();
  TStrings& items = *fPickList->Items();
  items.BeginUpdate();
  items.Clear();
  for (int i = 0; i < count; ++i) items.AddObject(picks.Strings(i), picks.Objects(i));
  items.EndUpdate();
  fPickList->Font()->Assign(Font());
  fPickList->SetColor(Color());
  const int rows = static_cast<int>(std::min<unsigned>(column->DropDownRows(), static_cast<unsigned>(count)));
  fPickList->SetRowCount(std::max(rows, 1));
  const int start = column->DropDownWidth() > 0 ? column->DropDownWidth() : Width();
  fPickList->SetWidth(start);
  int widest = fPickList->ClientWidth();
  for (int i = 0; i < count; ++i)
    widest = std::max(widest, TextWidthInFontEh(*fPickList->Font(), items.Strings(i)) + 4);
  fPickList->SetWidth(widest + fPickList->Width() - fPickList->ClientWidth());
  fPickList->SetItemIndex(picks.IndexOf(Text()));
}

void TDBGridInplaceEdit::ShowListWindow(TWinControl* list) {
  const bool rightToLeft = BiDiMode() == bdRightToLeft;
  const TPoint at = AlignDropDownWindowEh(this, list, rightToLeft ? daRight : daLeft);
  SetWindowPos(list->Handle(), HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TDBGridInplaceEdit::DropDown() {
  TColumnEh* column = Column();
  if (column == nullptr || !StyleHasDropDown() || fListVisible) return;
  TField* field = column->Field();
  CloseMRUList(false);
  TSizeGripEh* grip = nullptr;
  switch (fEditStyle) {
    case esPickList:
      FillPickList();
      grip = fPickList->SizeGrip();
      fPickListSizedByUser = false;
      break;
    case esDataList: {
      // The column's drop-down box settings first: the list columns built below take
      // their defaults.
      const TColumnDropDownBoxEh& box = column->DropDownBox();
      fDataList->ColumnDefValues().Assign(&box.ColumnDefValues());
      fDataList->SetLookupOptions(box.Options());
      fDataList->SetUseMultiTitle(box.UseMultiTitle());
      fDataList->Columns().Assign(&box.Columns());
      TDataSet* list = column->LookupDataSet();
      fDataSource.SetDataSet(list);
      fDataList->SetListSource(&fDataSource);
      fDataList->SetKeyFieldName(field == nullptr ? AnsiString() : field->LookupKeyFields());
      fDataList->SetListFieldName(column->LookupDisplayFields());
      fDataList->SetShowTitles(column->DropDownShowTitles());
      fDataList->SpecRow().Assign(&column->DropDownSpecRow());
      fDataList->Font()->Assign(Font());
      fDataList->SetFitColWidths(box.AutoFitColWidths());
      fDataList->SetRowCount(static_cast<int>(column->DropDownRows()));
      fDataList->SetBounds(fDataList->Left(), fDataList->Top(),
                           column->DropDownWidth() > 0 ? column->DropDownWidth() : Width(), fDataList->Height());
      fDataList->SetKeyValue(fDBGrid->fPendingKey);
      fDataList->OnCloseUp = [this](TObject*, bool accept) { CloseUp(accept); };
      fDataList->SetSizedByUser(false);
      grip = fDataList->SizeGrip();
      break;
    }
    case esDateCalendar:
      fCalendar->SetDate(field == nullptr || field->IsNull() ? Date() : std::trunc(field->AsDateTime()));
      break;
    case esDropDown:
      fCalculator->SetValue(field == nullptr ? Variant(0) : ExactFieldValueEh(field));
      break;
    default:
      return;
  }
  if (grip != nullptr) {
    const bool sizing = column->DropDownSizing();
    grip->SetVisible(sizing);
    ShowWindow(grip->Handle(), sizing ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
  ShowListWindow(fActiveList);
  fListVisible = true;
  Invalidate();
  if (HandleAllocated()) HideCaret(WindowHandle());
  if (TEditButtonControlEh* button = ButtonControl(0)) button->SetAlwaysDown();
}

bool TDBGridInplaceEdit::TakeDropDownChoice(Variant& value, bool& useText, AnsiString& text) {
  TColumnEh* column = Column();
  useText = false;
  switch (fEditStyle) {
    case esPickList: {
      // Nothing chosen (Enter on a value not in the list, a release below the last item)
      // is no choice: there is no line to read.
      const int index = fPickList->ItemIndex();
      if (index < 0 || index >= fPickList->Items()->Count()) return false;
      text = fPickList->Items()->Strings(index);
      TStrings& keys = *column->KeyList();
      if (keys.Count() == 0) {
        value = Variant(text);
        useText = true;
      } else {
        if (index >= keys.Count()) return false;
        value = Variant(keys.Strings(index));
      }
      return true;
    }
    case esDataList:
      if (!fDataList->ListActive()) return false;
      value = fDataList->KeyValue();
      text = fDataList->Text();
      return true;
    case esDateCalendar: {
      // The day chosen keeps the time of the cell's value.
      TField* field = column->Field();
      value = VarFromDateTime(DayWithTimeOfEh(fCalendar->Date(), field == nullptr ? Null() : field->Value()));
      return true;
    }
    case esDropDown:
      value = fCalculator->GetValue();
      return true;
    default:
      return false;
  }
}

void TDBGridInplaceEdit::CloseUp(bool accept) {
  if (!fListVisible || fActiveList == nullptr) return;
  TColumnEh* column = Column();
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  Variant value;
  bool useText = false;
  AnsiString text;
  const bool chosen = accept && TakeDropDownChoice(value, useText, text);
  if (fEditStyle == esPickList && fPickListSizedByUser) {
    column->SetDropDownRows(static_cast<unsigned>(fPickList->ClientHeight() / std::max(fPickList->RowHeight(), 1)));
    column->SetDropDownWidth(fPickList->Width());
  } else if (fEditStyle == esDataList) {
    if (fDataList->SizedByUser()) {
      column->SetDropDownRows(static_cast<unsigned>(fDataList->RowCount()));
      column->SetDropDownWidth(fDataList->Width());
    }
    column->DropDownSpecRow().SetCellsText(fDataList->SpecRow().CellsText());
  }
  HideWindowEh(fActiveList);
  fListVisible = false;
  fClosingByButton = false;
  if (fEditStyle == esDataList) {
    fDataList->OnCloseUp = {};
    fDataList->SetListSource(nullptr);
    fDataSource.SetDataSet(nullptr);
  }
  if (TEditButtonControlEh* button = ButtonControl(0)) button->SetAlwaysUp();
  Invalidate();
  if (HandleAllocated()) ShowCaret(WindowHandle());
  if (!chosen) {
    SetText(fDBGrid->fLastEditText);
    return;
  }
  if (!column->CanModify(true)) return;
  column->UpdateData(text, value, useText);
  SetText(fDBGrid->GetEditText(fDBGrid->Col(), fDBGrid->Row()));
  SelectAll();
}

// ---- Completion and paste -------------------------------------------------------------

void TDBGridInplaceEdit::SetCompletedText(const AnsiString& text, int typedLength) {
  SetText(text);
  const int typed = std::min(typedLength, static_cast<int>(text.size()));
  SetSelStart(typed);
  SetSelLength(static_cast<int>(text.size()) - typed);
}

bool TDBGridInplaceEdit::ResolveLookupText(const AnsiString& candidate, int typedLength) {
  TColumnEh* column = Column();
  TField* field = column->Field();
  TDataSet* list = column->LookupDataSet();
  const AnsiString resultField = field->LookupResultField();
  if (list->Locate(resultField, Variant(candidate), {loCaseInsensitive, loPartialKey})) {
    fDBGrid->DataLink().Edit();
    if (!fDBGrid->DataLink().Editing()) return true;
    const AnsiString display = list->FieldByName(resultField)->DisplayText();
    const Variant key = list->FieldValues(field->LookupKeyFields());
    SetCompletedText(display, typedLength);
    SetPendingKey(key);
    SetSavedText(display);
    if (fListVisible && fEditStyle == esDataList) fDataList->SetKeyValue(key);
    return true;
  }
  if (!column->OnNotInList) return false;
  SetText(candidate);
  SetSelStart(static_cast<int>(candidate.size()));
  SetSelLength(0);
  SetPendingKey(Null());
  SetSavedText(candidate);
  return true;
}

bool TDBGridInplaceEdit::ResolvePickListText(const AnsiString& candidate, int typedLength) {
  TColumnEh* column = Column();
  TStrings& picks = *column->PickList();
  const bool keyPick = IsKeyPickListCell();
  for (int i = 0; i < picks.Count(); ++i) {
    const AnsiString& item = picks.Strings(i);
    if (AnsiCompareText(item.substr(0, candidate.size()), candidate) != 0) continue;
    fDBGrid->DataLink().Edit();
    SetCompletedText(item, typedLength);
    SetSavedText(item);
    if (keyPick && i < column->KeyList()->Count()) SetPendingKey(Variant(column->KeyList()->Strings(i)));
    if (fPickList != nullptr) fPickList->SetItemIndex(i);
    return true;
  }
  if (!keyPick || !column->OnNotInList) return false;
  SetText(candidate);
  SetSelStart(static_cast<int>(candidate.size()));
  SetSelLength(0);
  SetSavedText(candidate);
  if (fPickList != nullptr) fPickList->SetItemIndex(-1);
  return true;
}

void TDBGridInplaceEdit::ApplyPickListValue(AnsiString& key) {
  if (key.empty()) return;
  const auto first = static_cast<unsigned char>(key[0]);
  // Backspace deletes as usual; the key that follows the text is fixed afterwards.
  if (first < 32) return;
  TColumnEh* column = Column();
  if (column == nullptr || !CanEditRow()) return;
  const AnsiString candidate = Text().substr(0, static_cast<std::size_t>(SelStart())) + key;
  const int typed = static_cast<int>(candidate.size());
  if (fEditStyle == esDataList && column->LookupDataSet() != nullptr && column->Field() != nullptr) {
    ResolveLookupText(candidate, typed);
    key.clear();
    return;
  }
  const bool keyPick = IsKeyPickListCell();
  if (fEditStyle != esPickList && !keyPick) return;
  // A key/pick-list cell only ever shows a list line (or what OnNotInList accepts).
  if (ResolvePickListText(candidate, typed) || keyPick) key.clear();
}

void TDBGridInplaceEdit::FollowDeletion() {
  TColumnEh* column = Column();
  if (column == nullptr || !column->CanModify(true)) return;
  SetSavedText(Text());
  if (fEditStyle != esDataList) return;
  TField* field = column->Field();
  TDataSet* list = column->LookupDataSet();
  if (field == nullptr || list == nullptr) return;
  const bool found = !Text().empty() && list->Locate(field->LookupResultField(), Variant(Text()), {loCaseInsensitive});
  SetPendingKey(found ? list->FieldValues(field->LookupKeyFields()) : Null());
}

void TDBGridInplaceEdit::PasteText() {
  TColumnEh* column = Column();
  const bool resolving = fEditStyle == esDataList || IsKeyPickListCell();
  if (column == nullptr || !CanEditRow() || !column->CanModify(false)) return;
  TMessage paste{WM_PASTE, 0, 0, 0};
  if (!resolving) return TInplaceEdit::WndProc(paste);
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  const AnsiString text = Text();
  const auto start = static_cast<std::size_t>(SelStart());
  const auto end = std::min(start + static_cast<std::size_t>(SelLength()), text.size());
  const AnsiString candidate = text.substr(0, start) + Clipboard()->AsText() + text.substr(end);
  const int length = static_cast<int>(candidate.size());
  if (fEditStyle == esDataList && column->LookupDataSet() != nullptr && column->Field() != nullptr)
    ResolveLookupText(candidate, length);
  else
    ResolvePickListText(candidate, length);
}

// ---- Keys -----------------------------------------------------------------------------

namespace {

// A full stop typed into a number whose locale separates decimals otherwise (a comma): the
// decimal separator, so "99.99" is the amount typed, not the digits 9999 left by a refused
// stop.
char DecimalSeparatorForStop(TField* field, char key) {
  const char separator = FormatSettings().DecimalSeparator;
  if (key != '.' || separator == '.' || field == nullptr || field->IsValidChar('.') || !field->IsValidChar(separator))
    return key;
  return separator;
}

}  // namespace

void TDBGridInplaceEdit::KeyPress(char& key) {
  const auto code = static_cast<unsigned char>(key);
  if (code >= 32 && (fEditStyle == esDataList || fEditStyle == esPickList || IsKeyPickListCell())) {
    bool quit = false;
    AnsiString typed = HandleAllocated() ? TakeCharacterEh(WindowHandle(), key, quit) : AnsiString(1, key);
    if (quit) {
      key = 0;
      return;
    }
    const AnsiString whole = typed;
    ApplyPickListValue(typed);
    if (typed.empty()) {
      key = 0;
      return;
    }
    TDestroyWatch watch(this);
    TInplaceEdit::KeyPress(key);
    // The trail bytes of a character the lists did not take go in after its lead byte.
    if (!watch.Gone() && key != 0 && whole.size() > 1) SetSelText(whole.substr(1));
    return;
  }
  if (TColumnEh* column = Column()) key = DecimalSeparatorForStop(column->Field(), key);
  const bool ctrlOnly = KeyboardStateToShiftState() * TShiftState{ssShift, ssCtrl, ssAlt} == TShiftState{ssCtrl};
  if (key == '\n' && !fWordWrap && ctrlOnly) {
    key = 0;
    return;
  }
  TInplaceEdit::KeyPress(key);
}

void TDBGridInplaceEdit::SetSpecRowValue() {
  TColumnEh* column = Column();
  const TSpecRowEh& specRow = column->DropDownSpecRow();
  SetText(specRow.CellsText());
  SetSavedText(specRow.CellsText());
  SetPendingKey(specRow.Value());
  if (fListVisible && fEditStyle == esDataList) fDataList->SetKeyValue(specRow.Value());
  SelectAll();
}

bool TDBGridInplaceEdit::PressButtonByShortCut(TShortCut shortCut) {
  for (int i = 1; i < static_cast<int>(fButtons.size()); ++i) {
    const TEditButtonEh* button = ButtonOf(i);
    if (button == nullptr || !button->Visible() || button->ShortCut() != shortCut || shortCut == 0) continue;
    TEditButtonControlEh* control = ButtonControl(i);
    bool autoRepeat = false;
    bool handled = false;
    TDestroyWatch watch(this);
    EditButtonMouseDown(control, true, autoRepeat, handled);
    if (!watch.Gone()) ButtonClicked(control);
    return true;
  }
  return false;
}

void TDBGridInplaceEdit::KeyDown(Word& key, TShiftState shift) {
  TColumnEh* column = Column();
  if (column != nullptr) {
    const TShortCut shortCut =
        ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
    const TSpecRowEh& specRow = column->DropDownSpecRow();
    if (fEditStyle == esDataList && specRow.Visible() && shortCut == specRow.ShortCut()) {
      if (column->CanModify(true)) SetSpecRowValue();
      key = 0;
      return;
    }
    if (PressButtonByShortCut(shortCut)) {
      key = 0;
      return;
    }
    if (key == VK_RETURN && shift == TShiftState{ssCtrl} &&
        (fEditStyle == esEllipsis || fEditStyle == esUpDown)) {
      if (fEditStyle == esEllipsis)
        ButtonClicked(ButtonControl(0));
      else
        EditButtonClick(false);
      key = 0;
      return;
    }
  }
  if (HandToGridByKey(key, shift)) {
    key = 0;
    return;
  }
  TInplaceEdit::KeyDown(key, shift);
}

bool TDBGridInplaceEdit::HandToGridByKey(Word key, TShiftState shift) {
  if (key == VK_RETURN && fDBGrid->OptionsEh().Contains(dghEnterAsTab) && !MRUListVisible()) {
    fDBGrid->KeyDown(key, shift);
    return true;
  }
  return fDBGrid->DataLink().Active() && fDBGrid->HandleFindShortCut(key, shift);
}

bool TDBGridInplaceEdit::HandleDropDownKey(TMessage& message) {
  const WPARAM key = message.WParam;
  if (message.Msg == WM_CHAR) {
    TColumnEh* column = Column();
    if (IsPrintable(key) && !fListVisible && column != nullptr && column->AutoDropDown()) DropDown();
    return false;
  }
  const TShiftState shift = KeyboardStateToShiftState() * TShiftState{ssShift, ssCtrl, ssAlt};
  const bool alt = shift.Contains(ssAlt);
  if ((key == VK_UP || key == VK_DOWN) && alt) {
    if (fListVisible)
      CloseUp(true);
    else
      DropDown();
    return true;
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && !alt && fListVisible && fEditStyle != esDropDown) {
    CloseUp(key == VK_RETURN);
    return true;
  }
  if (key == VK_RETURN && shift == TShiftState{ssCtrl} && !fListVisible) {
    DropDown();
    return true;
  }
  return false;
}

bool TDBGridInplaceEdit::ForwardToOpenList(TMessage& message) {
  const WPARAM key = message.WParam;
  if (fEditStyle == esDropDown) {
    // The calculator reads characters, Enter among them (it computes, or accepts once
    // its key says "Ok"); Escape it takes as a key, and the character that follows is
    // nobody's.
    if (message.Msg == WM_CHAR && (IsPrintable(key) || key == VK_RETURN)) {
      SendMessage(fActiveList->Handle(), WM_CHAR, message.WParam, message.LParam);
      return true;
    }
    if (message.Msg != WM_KEYDOWN || (key != VK_RETURN && key != VK_ESCAPE)) return false;
    if (key == VK_ESCAPE) {
      fSwallowChar = true;
      SendMessage(fActiveList->Handle(), WM_KEYDOWN, message.WParam, message.LParam);
    }
    return true;
  }
  if (message.Msg != WM_KEYDOWN) return false;
  const TShiftState shift = KeyboardStateToShiftState();
  const bool plain = !shift.Contains(ssShift);
  const bool ctrl = shift.Contains(ssCtrl);
  const bool forList = ((key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN) && plain) ||
                       ((key == VK_HOME || key == VK_END) && ctrl) ||
                       (fEditStyle == esDateCalendar && (key == VK_LEFT || key == VK_RIGHT));
  if (!forList) return false;
  SendMessage(fActiveList->Handle(), WM_KEYDOWN, message.WParam, message.LParam);
  FollowOpenList();
  return true;
}

void TDBGridInplaceEdit::FollowOpenList() {
  if (!fListVisible) return;
  if (fEditStyle == esDataList) {
    SetText(fDataList->Text());
    SelectAll();
  } else if (fEditStyle == esPickList) {
    const int index = fPickList->ItemIndex();
    if (index < 0 || index >= fPickList->Items()->Count()) return;
    const AnsiString& item = fPickList->Items()->Strings(index);
    if (item == Text()) return;
    SetText(item);
    SelectAll();
  }
}

bool TDBGridInplaceEdit::HandleMRUKey(TMessage& message) {
  if (message.Msg != WM_KEYDOWN) return false;
  const WPARAM key = message.WParam;
  const TShiftState shift = KeyboardStateToShiftState();
  if (shift.Contains(ssAlt)) return false;
  const bool ctrlEnds = shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END);
  if (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN || ctrlEnds) {
    SendMessage(fMRUListbox->Handle(), WM_KEYDOWN, message.WParam, message.LParam);
    return true;
  }
  if (key == VK_RETURN || key == VK_ESCAPE) {
    CloseMRUList(key == VK_RETURN);
    return true;
  }
  return false;
}

void TDBGridInplaceEdit::AfterTextChange(const AnsiString& before) {
  const AnsiString text = Text();
  if (text == before) return;
  if (text.empty()) {
    CloseMRUList(false);
    return;
  }
  TColumnEh* column = Column();
  if (column != nullptr && column->MRUList().Active() && Visible() && !fListVisible) ShowMRUList();
}

// ---- Recently used values -------------------------------------------------------------

TMRUListboxEh* TDBGridInplaceEdit::CreateMRUList() {
  return NewMRUListboxEh(this, [this](TObject*) { CloseMRUList(true); });
}

bool TDBGridInplaceEdit::MRUListVisible() const {
  return WindowShows(fMRUListbox);
}

void TDBGridInplaceEdit::UpdateMRUList(const AnsiString& item, bool& accept) {
  TColumnEh* column = Column();
  accept = column->MRUList().Offers(item, Text());
  if (column->MRUList().OnFilterItem) column->MRUList().OnFilterItem(column, item, accept);
}

void TDBGridInplaceEdit::ShowMRUList() {
  TColumnEh* column = Column();
  if (column == nullptr) return;
  TMRUListEh& mru = column->MRUList();
  TStringList items;
  for (int i = 0; i < mru.Items()->Count(); ++i) {
    bool accept = false;
    UpdateMRUList(mru.Items()->Strings(i), accept);
    if (accept) items.Add(mru.Items()->Strings(i));
  }
  if (items.Count() == 0) return CloseMRUList(false);
  if (fMRUListbox == nullptr) fMRUListbox = CreateMRUList();
  const bool open = MRUListVisible();
  fMRUListbox->Items()->Assign(&items);
  if (!open) {
    fMRUListbox->Font()->Assign(Font());
    fMRUListbox->SetColor(Color());
    fMRUListbox->SetItemIndex(-1);
    fMRUListbox->SetWidth(Width());
  }
  fMRUListbox->SetRowCount(std::min(items.Count(), mru.Rows()));
  const TPoint at = AlignDropDownWindowEh(this, fMRUListbox, BiDiMode() == bdRightToLeft ? daRight : daLeft);
  SetWindowPos(fMRUListbox->Handle(), HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TDBGridInplaceEdit::CloseMRUList(bool accept) {
  if (!MRUListVisible()) return;
  if (GetCapture() == fMRUListbox->WindowHandle()) ReleaseCapture();
  const bool hadFocus = fMRUListbox->Focused();
  HideWindowEh(fMRUListbox);
  if (hadFocus) SetFocus();
  const int index = fMRUListbox->ItemIndex();
  if (!accept || index < 0 || ReadOnly() || !fDBGrid->DataLink().Edit()) return;
  const AnsiString item = fMRUListbox->Items()->Strings(index);
  SetText(item);
  SetSavedText(item);
  SelectAll();
}

// ---- Messages -------------------------------------------------------------------------

bool TDBGridInplaceEdit::InsideEditor(HWND wnd) const {
  return HandleAllocated() && wnd != 0 && (wnd == WindowHandle() || IsChild(WindowHandle(), wnd));
}

void TDBGridInplaceEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR: {
      if (message.Msg == WM_CHAR && fSwallowChar) {
        fSwallowChar = false;
        return;
      }
      fSwallowChar = false;
      if ((StyleHasDropDown() && HandleDropDownKey(message)) || (MRUListVisible() && HandleMRUKey(message))) {
        fSwallowChar = message.Msg != WM_CHAR;
        return;
      }
      if (fListVisible && ForwardToOpenList(message)) return;
      const AnsiString before = Text();
      const bool deleting = (message.Msg == WM_KEYDOWN && message.WParam == VK_DELETE) ||
                            (message.Msg == WM_CHAR && message.WParam == VK_BACK);
      TDestroyWatch watch(this);
      TInplaceEdit::WndProc(message);
      if (watch.Gone()) return;
      if (deleting && Text() != before) FollowDeletion();
      if (message.Msg == WM_CHAR && message.WParam == VK_BACK && Text().empty() && Visible() && !fListVisible) {
        // Back to an empty text: the whole list of recent values is offered again.
        TColumnEh* column = Column();
        if (column != nullptr && column->MRUList().Active()) ShowMRUList();
        return;
      }
      AfterTextChange(before);
      return;
    }
    case WM_PASTE:
      PasteText();
      return;
    default:
      TInplaceEdit::WndProc(message);
  }
}

void TDBGridInplaceEdit::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_EDITBUTTONRELEASEEH:
      return;
    case WM_SETFOCUS:
      // The editor may have been made after its column was entered.
      if (FarEastLocale()) SetImeMode(WindowHandle(), fDBGrid->ImeMode());
      TInplaceEdit::Dispatch(message);
      return;
    case WM_KILLFOCUS: {
      const auto target = static_cast<HWND>(message.WParam);
      if (fListVisible && fActiveList != nullptr &&
          !(target != 0 && (target == fActiveList->WindowHandle() || IsChild(fActiveList->WindowHandle(), target))))
        CloseUp(false);
      if (MRUListVisible() && target != fMRUListbox->WindowHandle()) CloseMRUList(false);
      if (FarEastLocale() && target != fDBGrid->WindowHandle()) SetImeName(TImeName());
      TInplaceEdit::Dispatch(message);
      fDBGrid->Invalidate();
      return;
    }
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(message.LParam);
      if (sender != this && !ContainsControl(sender)) {
        if (fListVisible && sender != fActiveList && !fActiveList->ContainsControl(sender)) CloseUp(false);
        if (MRUListVisible() && sender != fMRUListbox && !fMRUListbox->ContainsControl(sender))
          CloseMRUList(false);
      }
      TInplaceEdit::Dispatch(message);
      return;
    }
    case WM_SETCURSOR: {
      TPoint p;
      GetCursorPos(p);
      p = ScreenToClient(p);
      TRect text;
      Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
      if (!PtInRect(text, p) && PtInRect(ClientRect(), p)) {
        ordvane::SetCursor(Screen->Cursors(crArrow));
        message.Result = 1;
        return;
      }
      TInplaceEdit::Dispatch(message);
      return;
    }
    default:
      TInplaceEdit::Dispatch(message);
  }
}

// ---- Painting -------------------------------------------------------------------------

bool TDBGridInplaceEdit::RequiredValueMissing() {
  TColumnEh* column = Column();
  if (column == nullptr || !column->HighlightRequired() || !fDBGrid->DataLink().Active()) return false;
  TField* field = column->Field();
  TDataSet* dataSet = fDBGrid->DataLink().DataSet();
  bool draw = field != nullptr && dataSet != nullptr &&
              (dataSet->State() == dsEdit || dataSet->State() == dsInsert) && field->Required() && field->IsNull();
  if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(column, Text(), draw);
  return draw;
}

void TDBGridInplaceEdit::PaintHighlightRequired(TCanvas& canvas) {
  if (!RequiredValueMissing()) return;
  TRect text;
  UpdateEditRect(text);
  const int y = ClientHeight() - 1;
  canvas.Pen()->SetColor(clRed);
  canvas.Pen()->SetStyle(psDot);
  canvas.MoveTo(text.left + 2, y);
  canvas.LineTo(text.right - 3, y);
}

void TDBGridInplaceEdit::PaintWindow(HDC dc) {
  TInplaceEdit::PaintWindow(dc);
  TCanvas canvas;
  canvas.SetHandle(dc);
  PaintHighlightRequired(canvas);
  TColumnEh* column = Column();
  if (column != nullptr && column->ShowImageAndText() && column->ImageList() != nullptr)
    column->ImageList()->Draw(&canvas, 2, 0, fImageIndex);
  canvas.SetHandle(0);
}

}  // namespace ordvane

// The data-aware combo box: item index and key value, search and completion, keys, the
// wheel and paste, and the drop-down list.

#include "gridbase/DBCtrlsEhComboBox.h"

#include <algorithm>
#include <limits>

#include "classlib/core/AnsiStrings.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

// ---- TDropDownBoxEh -------------------------------------------------------------------------

// The rows and width size the list window: each stays within what a screen shows.
void TDropDownBoxEh::SetRows(int value) {
  CheckGridSettingEh("Rows", value, 0, kMaxGridExtentEh);
  fRows = value;
}

void TDropDownBoxEh::SetWidth(int value) {
  CheckGridSettingEh("Width", value, std::numeric_limits<int>::min(), kMaxGridExtentEh);
  fWidth = value;
}

void TDropDownBoxEh::Assign(const TPersistent* source) {
  const auto* box = dynamic_cast<const TDropDownBoxEh*>(source);
  if (!box) {
    TPersistent::Assign(source);
    return;
  }
  fAlign = box->fAlign;
  fAutoDrop = box->fAutoDrop;
  fRows = box->fRows;
  fSizable = box->fSizable;
  fWidth = box->fWidth;
}

// ---- TCustomDBComboBoxEh: construction and mode ---------------------------------------------

TCustomDBComboBoxEh::TCustomDBComboBoxEh(TComponent* owner)
    : TCustomDBEditEh(owner),
      fDropDownBox(std::make_unique<TDropDownBoxEh>()),
      fItems(std::make_unique<TStringList>()),
      fKeyItems(std::make_unique<TStringList>()) {
  fKeyItems->SetCaseSensitive(true);
  fItems->OnChange = [this](TObject*) { ItemsChanged(); };
  fKeyItems->OnChange = [this](TObject*) { KeyItemsChanged(); };
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() {
  fItems->OnChange = nullptr;
  fKeyItems->OnChange = nullptr;
}

TEditButtonEh* TCustomDBComboBoxEh::CreateEditButton() {
  return new TVisibleEditButtonEh(this);
}

void TCustomDBComboBoxEh::UpdateMode() {
  fKeyMode = fKeyItems->Count() > 0;
  fItemsCount = fKeyMode ? std::min(fItems->Count(), fKeyItems->Count()) : fItems->Count();
  UpdateEditReadOnly();
}

void TCustomDBComboBoxEh::ItemsChanged() {
  UpdateMode();
  // A key keeps its value; the text and index follow the new lines.
  if (fKeyMode)
    InternalSetValue(fKeyValue);
  else
    StoreItemIndex(OfferedIndexOf(EditText()));
  ResetMaxLength();
}

void TCustomDBComboBoxEh::KeyItemsChanged() {
  UpdateMode();
  ResetMaxLength();
  DataLink()->Reset();
}

int TCustomDBComboBoxEh::GetItemsCount() {
  int count = fItems->Count();
  if (count == 0 && OnGetItemsCount) OnGetItemsCount(this, count);
  return count;
}

int TCustomDBComboBoxEh::OfferedIndexOf(const AnsiString& text) const {
  const int index = fItems->IndexOf(text);
  return index < fItemsCount ? index : -1;
}

// A key beyond the offered items (KeyItems longer than Items) has no item to show: it
// counts as not in the list rather than pointing past Items.
int TCustomDBComboBoxEh::OfferedIndexOfKey(const AnsiString& key) const {
  const int index = fKeyItems->IndexOf(key);
  return index < fItemsCount ? index : -1;
}

// ---- Item index and value -------------------------------------------------------------------

void TCustomDBComboBoxEh::StoreItemIndex(int index) {
  fItemIndex = index;
  if (fKeyMode && index >= 0) fKeyValue = Variant(fKeyItems->Strings(index));
  UpdateImageIndex();
  if (ListVisible()) fPopupList->SetItemIndex(index);
}

void TCustomDBComboBoxEh::InternalSetItemIndex(int index) {
  if (index == fItemIndex) return;
  const bool offered = index >= 0 && index < fItemsCount;
  if (!offered) fKeyValue = Null();
  StoreItemIndex(offered ? index : -1);
  ++fSettingItem;
  try {
    TCustomDBEditEh::InternalSetText(offered ? fItems->Strings(index) : AnsiString());
  } catch (...) {
    --fSettingItem;
    throw;
  }
  --fSettingItem;
}

void TCustomDBComboBoxEh::SetItemIndex(int value) {
  SetTextWrite([&] { InternalSetItemIndex(value); });
}

void TCustomDBComboBoxEh::InternalSetText(const AnsiString& text) {
  if (!fKeyMode) {
    TCustomDBEditEh::InternalSetText(text);
    StoreItemIndex(OfferedIndexOf(text));
    return;
  }
  // In key mode the text is one of the items or stays as it is.
  const int index = OfferedIndexOf(text);
  if (index < 0) return;
  StoreItemIndex(index);
  TCustomDBEditEh::InternalSetText(fItems->Strings(index));
}

void TCustomDBComboBoxEh::InternalSetValue(const Variant& value) {
  if (!fKeyMode) {
    TCustomDBEditEh::InternalSetValue(value);
    StoreItemIndex(OfferedIndexOf(EditText()));
    return;
  }
  fKeyValue = VarIsEmpty(value) ? Null() : value;
  const int index = VarIsNull(fKeyValue) ? -1 : OfferedIndexOfKey(VarToStr(fKeyValue));
  fItemIndex = index;
  UpdateImageIndex();
  if (ListVisible()) fPopupList->SetItemIndex(index);
  TCustomDBEditEh::InternalSetText(index >= 0 ? fItems->Strings(index) : AnsiString());
}

Variant TCustomDBComboBoxEh::GetVariantValue() const {
  return fKeyMode ? fKeyValue : TCustomDBEditEh::GetVariantValue();
}

void TCustomDBComboBoxEh::DataChanged() {
  if (!fKeyMode) {
    TCustomDBEditEh::DataChanged();
    StoreItemIndex(OfferedIndexOf(EditText()));
    return;
  }
  if (TField* field = Field()) {
    if (field->Alignment() != Alignment()) Invalidate();
    InternalSetValue(field->IsNull() ? Null() : Variant(field->Text()));
  } else if (IsStandalone()) {
    InternalSetValue(DataLink()->Value());
  } else {
    InternalSetValue(Null());
  }
  EditingChanged();
  SetModified(false);
}

// A Null key clears the field (or the standalone value) rather than writing an empty text.
void TCustomDBComboBoxEh::UpdateFieldValue() {
  if (!fKeyMode) {
    TCustomDBEditEh::UpdateFieldValue();
    return;
  }
  if (VarIsNull(fKeyValue))
    DataLink()->SetValue(Null());
  else if (IsStandalone())
    DataLink()->SetValue(fKeyValue);
  else
    DataLink()->SetText(VarToStr(fKeyValue));
}

void TCustomDBComboBoxEh::UpdateData(TObject* sender) {
  if (OnNotInList && fItemIndex == -1) {
    // The answer is not read: the value is written in every case.
    bool recheckInList = false;
    OnNotInList(this, EditText(), recheckInList);
  }
  TCustomDBEditEh::UpdateData(sender);
}

void TCustomDBComboBoxEh::Clear() {
  if (fKeyMode)
    SetValue(Null());
  else
    TCustomDBEditEh::Clear();
}

void TCustomDBComboBoxEh::Change() {
  // Typed text: the index follows what now stands in the box.
  if (!fKeyMode && fSettingItem == 0) fItemIndex = OfferedIndexOf(EditText());
  TCustomDBEditEh::Change();
}

TAlignment TCustomDBComboBoxEh::DefaultAlignment() const {
  return fKeyMode ? taLeftJustify : TCustomDBEditEh::DefaultAlignment();
}

bool TCustomDBComboBoxEh::IsValidChar(char ch) const {
  return fKeyMode || TCustomDBEditEh::IsValidChar(ch);
}

void TCustomDBComboBoxEh::ResetMaxLength() {
  if (fKeyMode)
    SetMaxLength(0);
  else
    TCustomDBEditEh::ResetMaxLength();
}

// In key mode the text is only chosen, never typed into the window.
void TCustomDBComboBoxEh::UpdateEditReadOnly() {
  TCustomDBEditEh::UpdateEditReadOnly();
  if (fKeyMode) TCustomMaskEdit::SetReadOnly(true);
}

int TCustomDBComboBoxEh::DefaultImageIndex() const {
  return fItemImageIndex;
}

void TCustomDBComboBoxEh::UpdateImageIndex() {
  fItemImageIndex = fItemIndex;
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, fItemIndex, fItemImageIndex);
  TCustomDBEditEh::UpdateImageIndex();
}

AnsiString TCustomDBComboBoxEh::GetPaintText() {
  if (!ControlState().Contains(csPaintCopy) || !Field()) return TCustomDBEditEh::GetPaintText();
  AnsiString text;
  if (fKeyMode) {
    const int index = OfferedIndexOfKey(Field()->Text());
    if (index >= 0) text = fItems->Strings(index);
  } else {
    text = Field()->DisplayText();
  }
  if (CharCase() == ecUpperCase) text = AnsiUpperCase(text);
  if (CharCase() == ecLowerCase) text = AnsiLowerCase(text);
  return text;
}

// ---- Search and completion ------------------------------------------------------------------

bool TCustomDBComboBoxEh::LocateItem(const AnsiString& text, bool partial) {
  const int before = fItemIndex;
  for (int i = 0; i < fItemsCount; ++i) {
    const AnsiString& item = fItems->Strings(i);
    const AnsiString compared = partial ? item.substr(0, text.size()) : item;
    if (AnsiCompareText(compared, text) != 0) continue;
    InternalSetItemIndex(i);
    SetSelStart(static_cast<int>(text.size()));
    SetSelLength(static_cast<int>(item.size() - std::min(item.size(), text.size())));
    return fItemIndex != before;
  }
  if (!fKeyMode) fItemIndex = -1;
  return fItemIndex != before;
}

bool TCustomDBComboBoxEh::ProcessSearchStr(const AnsiString& str) {
  if (!IsStandalone() && !Field()) return false;
  if (ReadOnly() || !EditCanModify()) return false;
  if (str == "\b") {
    const int length = static_cast<int>(EditText().size());
    const int start = SelStart();
    const bool allSelected = start == 0 && SelLength() == length;
    const int newStart = allSelected ? std::max(length - 1, 0) : std::max(start - 1, 0);
    SetSelStart(newStart);
    SetSelLength(length - newStart);
    return false;
  }
  const AnsiString prefix = EditText().substr(0, static_cast<std::size_t>(std::max(SelStart(), 0))) + str;
  if (!LocateItem(prefix, true)) return false;
  UserChanged();
  return true;
}

// The window announces only typed changes (its text set in code is no change): a choice
// the user made otherwise is announced here, so the link writes it.
void TCustomDBComboBoxEh::UserChanged() {
  Change();
}

bool TCustomDBComboBoxEh::CanChangeValue() {
  return !ReadOnly() && EditCanModify();
}

bool TCustomDBComboBoxEh::StepItem(int delta) {
  if (fItemsCount == 0) return false;
  const int before = fItemIndex;
  int target = 0;
  if (delta < 0)
    target = before < 0 ? fItemsCount - 1 : std::max(before - 1, 0);
  else
    target = std::min(before + 1, fItemsCount - 1);
  if (target == before) return false;
  InternalSetItemIndex(target);
  UserChanged();
  SelectAll();
  return true;
}

// Free text: what was typed up to the caret at the end is completed from the first item
// that begins with it; anything else is only matched whole.
void TCustomDBComboBoxEh::CompleteTypedText(char typed) {
  const int length = static_cast<int>(EditText().size());
  if (SelStart() == length && SelLength() == 0 && typed != '\b') {
    ProcessSearchStr({});
    return;
  }
  const int caret = SelStart();
  LocateItem(EditText(), false);
  if (fItemIndex < 0) return;
  SetSelStart(caret);
  SetSelLength(static_cast<int>(EditText().size()) - caret);
}

// ---- Keys, mouse and wheel ------------------------------------------------------------------

void TCustomDBComboBoxEh::KeyDown(Word& key, TShiftState shift) {
  if (ListVisible() && !shift.Contains(ssAlt)) {
    const bool ctrlEnds = shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END);
    if (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN || ctrlEnds) {
      fPopupList->Perform(WM_KEYDOWN, key, 0);
      key = 0;
      return;
    }
  }
  TDestroyWatch watch(this);
  TCustomDBEditEh::KeyDown(key, shift);
  if (watch.Gone() || key == 0) return;
  if ((key == VK_UP || key == VK_DOWN) && shift.Contains(ssAlt)) return;
  if (key == VK_UP || key == VK_DOWN) {
    const bool allSelected = SelStart() == 0 && SelLength() == static_cast<int>(EditText().size());
    if ((!WordWrap() || allSelected) && !ListVisible() && CanChangeValue()) {
      StepItem(key == VK_UP ? -1 : 1);
      key = 0;
    }
    return;
  }
  if (key == VK_DELETE && fKeyMode) {
    const bool mayClear = IsStandalone() || (Field() && !Field()->Required());
    if (mayClear && CanChangeValue() && !VarIsNull(fKeyValue)) {
      InternalSetValue(Null());
      UserChanged();
    }
    key = 0;
  }
}

void TCustomDBComboBoxEh::KeyPress(char& key) {
  if (ListVisible() && (key == '\r' || key == 27)) {
    CloseUp(key == '\r');
    key = 0;
    return;
  }
  TDestroyWatch watch(this);
  TCustomDBEditEh::KeyPress(key);
  if (watch.Gone() || key == 0) return;
  if (key == '\b' && fKeyMode) {
    if (!ReadOnly()) ProcessSearchStr("\b");
    key = 0;
    return;
  }
  if (static_cast<Byte>(key) < 32) return;
  if (fDropDownBox->AutoDrop() && !ListVisible()) DropDown();
  if (watch.Gone()) return;
  if (fKeyMode) {
    ProcessSearchStr(AnsiString(1, key));
    key = 0;
  }
}

void TCustomDBComboBoxEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TDestroyWatch watch(this);
  TCustomDBEditEh::MouseDown(button, shift, x, y);
  if (watch.Gone() || !fKeyMode || button != mbLeft || shift.Contains(ssDouble)) return;
  if (InButtonsOrImage(TPoint{x, y})) return;
  if (ListVisible()) {
    CloseUp(false);
    return;
  }
  if (CanFocus() && !Focused()) SetFocus();
  if (!watch.Gone() && Focused()) DropDown();
}

bool TCustomDBComboBoxEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (TCustomDBEditEh::DoMouseWheelDown(shift, mousePos)) return true;
  if (ListVisible()) {
    fPopupList->Perform(WM_KEYDOWN, VK_DOWN, 0);
    return true;
  }
  if (!shift.Empty() || !CanChangeValue()) return false;
  StepItem(1);
  return true;
}

bool TCustomDBComboBoxEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (TCustomDBEditEh::DoMouseWheelUp(shift, mousePos)) return true;
  if (ListVisible()) {
    fPopupList->Perform(WM_KEYDOWN, VK_UP, 0);
    return true;
  }
  if (!shift.Empty() || !CanChangeValue()) return false;
  StepItem(-1);
  return true;
}

void TCustomDBComboBoxEh::ButtonDown(bool isDownPart) {
  if (EditButton()->Style() != ebsUpDownEh) {
    TCustomDBEditEh::ButtonDown(isDownPart);
    return;
  }
  if (CanChangeValue()) StepItem(isDownPart ? 1 : -1);
}

// ---- Messages -------------------------------------------------------------------------------

void TCustomDBComboBoxEh::WndProc(TMessage& message) {
  if (message.Msg == WM_CHAR && !fKeyMode) {
    const char typed = static_cast<char>(message.WParam);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const AnsiString before = EditText();
    TDestroyWatch watch(this);
    TCustomDBEditEh::WndProc(message);
    if (watch.Gone()) return;
    // Only a character that went into the text completes; "." and Ctrl never do.
    const bool completes = typed != '.' && !ctrl && (static_cast<Byte>(typed) >= 32 || typed == '\b');
    if (completes && EditText() != before) CompleteTypedText(typed);
    return;
  }
  TCustomDBEditEh::WndProc(message);
}

void TCustomDBComboBoxEh::DefaultHandler(TMessage& message) {
  if (fKeyMode) {
    switch (message.Msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
      case WM_MBUTTONDBLCLK:
        // The window would place a caret in a text that is only chosen.
        return;
      case WM_RBUTTONUP: {
        const TPoint screen = ClientToScreen(TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
        Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(WindowHandle()), MAKELPARAM(screen.x, screen.y));
        return;
      }
      default:
        break;
    }
  }
  TCustomDBEditEh::DefaultHandler(message);
}

void TCustomDBComboBoxEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_PASTE:
      if (fKeyMode) {
        // The clipboard's text is searched for, never pasted into a chosen text.
        if (Clipboard()->HasFormat(CF_TEXT)) ProcessSearchStr(Clipboard()->AsText());
        return;
      }
      break;
    case WM_SETCURSOR:
      if (fKeyMode) {
        ordvane::SetCursor(Screen->Cursors(crArrow));
        message.Result = 1;
        return;
      }
      break;
    case CM_WANTSPECIALKEY:
      if (ListVisible() && (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE)) {
        message.Result = 1;
        return;
      }
      break;
    case WM_KILLFOCUS:
      if (ListVisible() && reinterpret_cast<HWND>(message.WParam) != fPopupList->WindowHandle()) CloseUp(false);
      break;
    case CM_CANCELMODE:
      if (ListVisible() && message.LParam != reinterpret_cast<LPARAM>(this) &&
          message.LParam != reinterpret_cast<LPARAM>(fPopupList) &&
          !fPopupList->ContainsControl(reinterpret_cast<TControl*>(message.LParam)))
        CloseUp(false);
      break;
    default:
      break;
  }
  TCustomDBEditEh::Dispatch(message);
}

// ---- The list -------------------------------------------------------------------------------

bool TCustomDBComboBoxEh::ListVisible() const {
  return fPopupList && fPopupList->HandleAllocated() && IsWindowVisible(fPopupList->WindowHandle());
}

TPopupListboxEh* TCustomDBComboBoxEh::CreatePopupList() {
  auto* list = new TPopupListboxEh(this);
  list->SetVisible(false);
  list->SetCtl3D(false);
  list->SetParent(this);
  list->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) { ListReleased(button, x, y); };
  list->OnGetImageIndex = [this](TObject*, int itemIndex, int& imageIndex) {
    imageIndex = itemIndex;
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, itemIndex, imageIndex);
  };
  const TNotifyEvent relayout = list->SizeGrip()->OnParentResized;
  list->SizeGrip()->OnParentResized = [this, relayout](TObject* sender) {
    if (relayout) relayout(sender);
    ListResizedByUser();
  };
  return list;
}

void TCustomDBComboBoxEh::ListReleased(TMouseButton button, int x, int y) {
  if (button == mbLeft && PtInRect(fPopupList->ClientRect(), TPoint{x, y})) CloseUp(true);
}

void TCustomDBComboBoxEh::ListResizedByUser() {
  fListSizedByUser = true;
}

// -1: the widest item with a margin (and the image with its gap); 0 or less: the
// control's width. Never narrower than the control.
int TCustomDBComboBoxEh::ListWidth() {
  int width = fDropDownBox->Width();
  if (width == -1) {
    TControlCanvas canvas(this);
    canvas.EnsureHandle();
    canvas.Font()->Assign(Font());
    int widest = 0;
    for (int i = 0; i < fItemsCount; ++i) widest = std::max(widest, canvas.TextWidth(fItems->Strings(i)));
    width = widest + 5;
    if (const TCustomImageList* images = EditImage()->Images()) width += images->Width() + 4;
  } else if (width <= 0) {
    width = Width();
  }
  return std::max(width, Width());
}

void TCustomDBComboBoxEh::DropDown() {
  if (ListVisible()) return;
  TDestroyWatch watch(this);
  TCustomDBEditEh::DropDown();
  if (OnDropDown) OnDropDown(this);
  if (watch.Gone()) return;
  if (!fPopupList) fPopupList = CreatePopupList();
  TPopupListboxEh* list = fPopupList;
  list->SetColor(Color());
  list->Font()->Assign(Font());
  TCustomImageList* images = EditImage()->Images();
  list->SetImages(images);
  int itemHeight = FontTextMetrics(*Font()).tmHeight;
  if (images && EditImage()->UseImageHeight()) itemHeight = std::max(itemHeight, images->Height());
  list->SetItemHeight(itemHeight);
  list->Items()->BeginUpdate();
  list->Items()->Clear();
  for (int i = 0; i < fItemsCount; ++i) list->Items()->Add(fItems->Strings(i));
  list->Items()->EndUpdate();
  list->SetItemIndex(fItemIndex);
  list->SetRowCount(std::max(1, std::min(fDropDownBox->Rows(), fItemsCount)));
  list->SetWidth(ListWidth());
  // The list is shown by its window alone (its Visible stays false), so the grip is
  // shown or hidden by its window as well.
  TSizeGripEh* grip = list->SizeGrip();
  grip->SetVisible(fDropDownBox->Sizable());
  ShowWindow(grip->Handle(), fDropDownBox->Sizable() ? SW_SHOWNOACTIVATE : SW_HIDE);
  TDropDownAlign align = fDropDownBox->Align();
  if (UseRightToLeftAlignment() && align != daCenter) align = align == daLeft ? daRight : daLeft;
  const TPoint at = AlignDropDownWindowEh(this, list, align);
  fListSizedByUser = false;
  SetWindowPos(list->Handle(), HWND_TOP, at.x, at.y, list->Width(), list->Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

// The press on the drop-down button that opened the list goes on as a press in the list
// once the mouse reaches it: the list takes the mouse, and the release there accepts.
void TCustomDBComboBoxEh::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  TCustomDBEditEh::EditButtonMouseMove(sender, shift, x, y);
  if (!ListVisible() || !shift.Contains(ssLeft) || sender != ButtonControl(0)) return;
  const TPoint inList = fPopupList->ScreenToClient(ButtonControl(0)->ClientToScreen(TPoint{x, y}));
  if (!PtInRect(fPopupList->ClientRect(), inList)) return;
  ReleaseCapture();
  fPopupList->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inList.x, inList.y));
}

void TCustomDBComboBoxEh::CloseUp(bool accept) {
  if (!ListVisible()) {
    TCustomDBEditEh::CloseUp(accept);
    return;
  }
  TDestroyWatch watch(this);
  if (GetCapture() == fPopupList->WindowHandle()) ReleaseCapture();
  SetWindowPos(fPopupList->Handle(), 0, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  if (fListSizedByUser) {
    fDropDownBox->SetRows(fPopupList->RowCount());
    fDropDownBox->SetWidth(fPopupList->Width());
  }
  // A click in the list leaves the focus with the list or its form; focus that went to
  // another control stays there.
  const HWND focus = GetFocus();
  TCustomForm* form = GetParentForm(this);
  const bool focusLost = focus == 0 || focus == fPopupList->WindowHandle() || (form && focus == form->WindowHandle());
  if (focusLost && CanFocus()) SetFocus();
  if (watch.Gone()) return;
  TCustomDBEditEh::CloseUp(accept);
  if (OnClosingUp) OnClosingUp(this, accept);
  if (watch.Gone()) return;
  if (accept && CanChangeValue()) {
    const int before = fItemIndex;
    InternalSetItemIndex(fPopupList->ItemIndex());
    if (fItemIndex != before) UserChanged();
    if (Focused()) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

}  // namespace ordvane

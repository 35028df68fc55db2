// The data-aware edit: its value and text, keys, focus, buttons, image and painting.

#include <algorithm>
#include <cmath>
#include <limits>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Clock.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/SysLocale.h"
#include "classlib/db/BinaryFields.h"
#include "classlib/ui/DBActns.h"
#include "classlib/ui/EditWindow.h"
#include "classlib/ui/Host.h"
#include "classlib/ui/SysMetrics.h"
#include "classlib/ui/WinInput.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/FieldValuesEh.h"
#include "gridbase/SupportEh.h"

namespace ordvane {

// ---- TEditImageEh -----------------------------------------------------------------------

TEditImageEh::TEditImageEh(TCustomDBEditEh* edit) : fEdit(edit) {}

TEditImageEh::~TEditImageEh() {
  if (fImages) fImages->RemoveFreeNotification(fEdit);
}

template <class T>
void TEditImageEh::Store(T& field, const T& value) {
  if (field == value) return;
  field = value;
  if (fEdit) fEdit->Perform(CM_EDITIMAGECHANGEDEH, 0, 0);
}

void TEditImageEh::SetImageIndex(int value) {
  Store(fImageIndex, value);
}

void TEditImageEh::SetImages(TCustomImageList* value) {
  if (value == fImages) return;
  if (fImages) fImages->RemoveFreeNotification(fEdit);
  if (value) value->FreeNotification(fEdit);
  Store(fImages, value);
}

void TEditImageEh::SetUseImageHeight(bool value) {
  Store(fUseImageHeight, value);
}

void TEditImageEh::SetVisible(bool value) {
  Store(fVisible, value);
}

void TEditImageEh::SetWidth(int value) {
  Store(fWidth, value);
}

void TEditImageEh::Assign(const TPersistent* source) {
  const auto* image = dynamic_cast<const TEditImageEh*>(source);
  if (!image) {
    TPersistent::Assign(source);
    return;
  }
  SetImages(image->fImages);
  SetImageIndex(image->fImageIndex);
  SetVisible(image->fVisible);
  SetWidth(image->fWidth);
}

// ---- TToolTipsWindow --------------------------------------------------------------------

TRect TToolTipsWindow::CalcHintRect(int maxWidth, const AnsiString& hint, void* data) {
  if (data) {
    Font()->Assign(static_cast<const TFont*>(data));
    Font()->SetColor(clInfoText);
  }
  return THintWindow::CalcHintRect(maxWidth, hint, data);
}

// ---- TCustomDBEditEh: construction --------------------------------------------------------

TCustomDBEditEh::TCustomDBEditEh(TComponent* owner) : TCustomMaskEdit(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse, csReplicatable});
  fDataLink.Arm([this] {
    fDataLink.Set(std::unique_ptr<TFieldDataLinkEh>(CreateDataLink()));
    fDataLink->SetControl(this);
    fDataLink->OnDataChange = [this](TObject*) {
      DataChanged();
      UpdateButtons();
    };
    fDataLink->OnEditingChange = [this](TObject*) { EditingChanged(); };
    fDataLink->OnUpdateData = [this](TObject* sender) { UpdateData(sender); };
    fDataLink->OnActiveChange = [this](TObject*) { ActiveChanged(); };
  });
  fEditButton.Arm([this] {
    fEditButton.Set(std::unique_ptr<TEditButtonEh>(CreateEditButton()));
    fEditButton->OnChange = [this](TObject*) { UpdateButtons(); };
  });
  fEditButtons.Arm([this] {
    fEditButtons.Set(std::unique_ptr<TEditButtonsEh>(CreateEditButtons()));
    fEditButtons->OnChange = [this](TObject*) { UpdateButtons(); };
  });
  fEditImage.Arm([this] { fEditImage.Set(std::unique_ptr<TEditImageEh>(CreateEditImage())); });
  fMRUList = std::make_unique<TMRUListEh>();
  TCustomDBEditEh::UpdateHeightStyle();
}

TCustomDBEditEh::~TCustomDBEditEh() {
  // The link calls back into the edit while it leaves its data source.
  TFieldDataLinkEh* link = fDataLink.IfMade();
  if (!link) return;
  link->OnDataChange = nullptr;
  link->OnEditingChange = nullptr;
  link->OnUpdateData = nullptr;
  link->OnActiveChange = nullptr;
  link->SetDataSource(nullptr);
}

TFieldDataLinkEh* TCustomDBEditEh::CreateDataLink() {
  return new TFieldDataLinkEh();
}

TEditButtonEh* TCustomDBEditEh::CreateEditButton() {
  return new TEditButtonEh(this);
}

// The main button belongs to this edit, so its factory makes a control parented here.
TEditButtonControlEh* TCustomDBEditEh::CreateEditButtonControl() {
  return fEditButton->CreateEditButtonControl();
}

TEditButtonsEh* TCustomDBEditEh::CreateEditButtons() {
  return new TEditButtonsEh(this, TCollectionItemClass::Of<TVisibleEditButtonEh>());
}

TEditImageEh* TCustomDBEditEh::CreateEditImage() {
  return new TEditImageEh(this);
}

void TCustomDBEditEh::Notification(TComponent* component, TOperation operation) {
  TCustomMaskEdit::Notification(component, operation);
  if (operation != opRemove || !fDataLink) return;
  if (component == DataSource()) SetDataSource(nullptr);
  if (component == fEditImage->Images()) fEditImage->SetImages(nullptr);
}

// ---- Binding --------------------------------------------------------------------------------

bool TCustomDBEditEh::IsFieldLinked() const {
  return Enabled() && fDataLink && fDataLink->Active();
}

bool TCustomDBEditEh::IsStandalone() const {
  return fDataLink->Standalone();
}

const AnsiString& TCustomDBEditEh::GetDataField() const {
  return fDataLink->FieldName();
}

TDataSource* TCustomDBEditEh::GetDataSource() const {
  return fDataLink->DataSource();
}

void TCustomDBEditEh::SetDataSource(TDataSource* value) {
  fDataLink->SetDataSource(value);
  if (value) value->FreeNotification(this);
  fDataLink->Reset();
  Invalidate();
}

void TCustomDBEditEh::SetDataField(const AnsiString& value) {
  ResetMaxLength();
  fDataLink->SetFieldName(value);
  UpdateButtons();
  Invalidate();
}

void TCustomDBEditEh::ActiveChanged() {
  ResetMaxLength();
  UpdateButtons();
}

// The bound string field, found by name, may be missing at any step: the field name is
// often set before the data source. The field's size is no limit of the edit: a longer text
// is refused by the field, naming it, rather than cut by the edit without a word.
void TCustomDBEditEh::ResetMaxLength() {
  if (MaxLength() <= 0 || !DataSource() || !DataSource()->DataSet()) return;
  TField* field = DataSource()->DataSet()->FindField(DataField());
  if (field && (field->DataType() == ftString || field->DataType() == ftWideString) &&
      field->Size() == MaxLength())
    SetMaxLength(0);
}

TAlignment TCustomDBEditEh::DefaultAlignment() const {
  return Field() ? Field()->Alignment() : taLeftJustify;
}

AnsiString TCustomDBEditEh::DefaultEditMask() const {
  return Field() ? Field()->EditMask() : AnsiString();
}

int TCustomDBEditEh::DefaultImageIndex() const {
  return -1;
}

bool TCustomDBEditEh::IsValidChar(char ch) const {
  return !Field() || Field()->IsValidChar(ch);
}

// ---- Value and text -------------------------------------------------------------------------

namespace {

AnsiString FieldTextFor(TField* field, bool editing) {
  if (dynamic_cast<TMemoField*>(field)) return field->AsString();
  return editing ? field->Text() : field->DisplayText();
}

}  // namespace

void TCustomDBEditEh::DataChanged() {
  AnsiString text;
  if (TField* field = Field()) {
    if (field->Alignment() != Alignment()) Invalidate();
    if (!fEditMaskAssigned) TCustomMaskEdit::SetEditMask(field->EditMask());
    if (fFocused && fDataLink->CanModify()) {
      // Entering edit state reloads the same text: the caret stays where the user is.
      const AnsiString editing = FieldTextFor(field, true);
      if (editing != Text()) InternalSetText(editing);
      EditingChanged();
      SetModified(false);
      return;
    }
    text = FieldTextFor(field, false);
  } else {
    if (!fEditMaskAssigned) TCustomMaskEdit::SetEditMask({});
    if (IsStandalone() && !VarIsNull(fDataLink->Value())) text = VarToStr(fDataLink->Value());
  }
  {
    const TSettingText setting(fSettingText);
    SetEditText(text);
  }
  EditingChanged();
  SetModified(false);
}

Variant TCustomDBEditEh::GetVariantValue() const {
  return Variant(IsStandalone() ? EditText() : Text());
}

// Text set in code is no typing: it never drops the list of recently used values.
void TCustomDBEditEh::InternalSetText(const AnsiString& text) {
  const TSettingText setting(fSettingText);
  TCustomMaskEdit::SetCaption(text);
}

void TCustomDBEditEh::InternalSetValue(const Variant& value) {
  InternalSetText(VarIsNull(value) || VarIsEmpty(value) ? AnsiString() : VarToStr(value));
}

void TCustomDBEditEh::UpdateFieldValue() {
  if (TField* field = Field()) CheckTextFitsFieldEh(field, Text());
  fDataLink->SetText(IsStandalone() ? EditText() : Text());
}

// Only a bound edit has a dataset to put into edit state; an edit with a field name but
// no dataset (or a source without one) just shows what it was given.
void TCustomDBEditEh::SetTextWrite(const std::function<void()>& write) {
  TDataSet* dataSet = IsStandalone() ? nullptr : fDataLink->BoundDataSet();
  const bool bound = dataSet != nullptr;
  if (bound) dataSet->Edit();
  write();
  if (bound || IsStandalone())
    if (!fInUserUpdateData) UpdateData(fDataLink.get());
}

void TCustomDBEditEh::SetVariantValue(const Variant& value) {
  SetTextWrite([&] { InternalSetValue(value); });
}

void TCustomDBEditEh::SetCaption(const AnsiString& value) {
  SetTextWrite([&] { InternalSetText(value); });
}

void TCustomDBEditEh::Clear() {
  SetCaption({});
}

void TCustomDBEditEh::UpdateData(TObject* sender) {
  if (fFocused) ValidateEdit();
  if (!FireUpdateDataEh(OnUpdateData, sender, fInUserUpdateData)) UpdateFieldValue();
  SetModified(false);
  if (fMRUList->Active() && Showing()) fMRUList->Add(Text());
}

void TCustomDBEditEh::ValidateEdit() {
  TCustomMaskEdit::ValidateEdit();
}

void TCustomDBEditEh::Reset() {
  fDataLink->Reset();
  SelectAll();
}

bool TCustomDBEditEh::EditCanModify() {
  return fDataLink->Edit();
}

void TCustomDBEditEh::Change() {
  fDataLink->SetModified();
  SetModified(true);
  TDestroyWatch watch(this);
  TCustomMaskEdit::Change();
  if (watch.Gone()) return;
  UpdateImageIndex();
  UpdateMRUList();
}

void TCustomDBEditEh::EditingChanged() {
  UpdateEditReadOnly();
}

void TCustomDBEditEh::UpdateEditReadOnly() {
  bool readOnly = fReadOnly;
  if (!readOnly) {
    const TDataSet* dataSet = DataSource() ? DataSource()->DataSet() : nullptr;
    const bool keptWritable = OnUpdateData && dataSet && dataSet->State() == dsEdit;
    readOnly = !fDataLink->Editing() && !keptWritable;
    if (!readOnly && fInplaceEditHolderIntf && !fInplaceEditHolderIntf->InplaceEditCanModify(this))
      readOnly = true;
  }
  TCustomMaskEdit::SetReadOnly(readOnly);
}

bool TCustomDBEditEh::UserCanModify() const {
  return !fReadOnly && fDataLink->CanModify();
}

void TCustomDBEditEh::SetReadOnly(bool value) {
  fReadOnly = value;
  EditingChanged();
}

TAlignment TCustomDBEditEh::Alignment() const {
  return fAlignmentAssigned ? fAlignment : DefaultAlignment();
}

void TCustomDBEditEh::SetAlignment(TAlignment value) {
  fAlignment = value;
  fAlignmentAssigned = true;
  if (fWordWrap)
    RecreateWnd();
  else
    Invalidate();
}

void TCustomDBEditEh::SetEditMask(const AnsiString& value) {
  if (fEditMaskAssigned && value == EditMask()) return;
  fEditMaskAssigned = true;
  TCustomMaskEdit::SetEditMask(value);
  if (IsStandalone())
    UpdateFieldValue();
  else
    fDataLink->Reset();
}

void TCustomDBEditEh::SetWordWrap(bool value) {
  if (value == fWordWrap) return;
  fWordWrap = value;
  RecreateWnd();
}

void TCustomDBEditEh::SetFocused(bool value) {
  if (value == fFocused) return;
  fFocused = value;
  if (Alignment() != taLeftJustify && !IsMasked()) Invalidate();
  fDataLink->Reset();
}

// Whole numbers of the Integer range only: a larger, infinite or undefined value has no
// image rather than a conversion that overflows.
void TCustomDBEditEh::UpdateImageIndex() {
  if (!fEditImage->Visible() || !fEditImage->Images()) return;
  int index = DefaultImageIndex();
  const Variant value = Value();
  switch (VarType(value)) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: {
      const double number = std::round(value.AsDouble());
      const bool fits = std::isfinite(number) && number >= std::numeric_limits<int>::min() &&
                        number <= std::numeric_limits<int>::max();
      index = fits ? static_cast<int>(number) : -1;
      break;
    }
    default:
      break;
  }
  if (OnGetImageIndex) OnGetImageIndex(this, index);
  fEditImage->SetImageIndex(index);
}

void TCustomDBEditEh::SetImages(TCustomImageList* value) {
  fEditImage->SetImages(value);
  fEditImage->SetVisible(true);
}

// ---- In-place use ---------------------------------------------------------------------------

void TCustomDBEditEh::SetInplaceEditHolder(TWinControl* value) {
  auto* holder = dynamic_cast<IInplaceEditHolderEh*>(value);
  if (value && !holder) throw Exception("InplaceEditHolder have to support IInplaceEditHolderEh interface");
  fInplaceEditHolder = value;
  fInplaceEditHolderIntf = holder;
  fInplaceMode = value != nullptr;
}

bool TCustomDBEditEh::Visible() const {
  if (fInplaceMode && HandleAllocated()) return IsWindowVisible(WindowHandle());
  return TCustomMaskEdit::Visible();
}

void TCustomDBEditEh::SetVisible(bool value) {
  if (fInplaceMode && !value && HandleAllocated())
    ShowWindow(WindowHandle(), SW_HIDE);
  else
    TCustomMaskEdit::SetVisible(value);
}

void TCustomDBEditEh::SetBounds(int left, int top, int width, int height) {
  TCustomMaskEdit::SetBounds(left, top, width, height);
  if (fInplaceMode && HandleAllocated() && fInplaceEditHolder->Focused()) ::ordvane::SetFocus(WindowHandle());
}

void TCustomDBEditEh::SetFocus() {
  if (fInplaceMode && HandleAllocated() && !IsWindowVisible(WindowHandle())) return;
  TCustomMaskEdit::SetFocus();
}

// ---- Keyboard ---------------------------------------------------------------------------------

bool TCustomDBEditEh::PressButtonByShortCut(Word key, TShiftState shift) {
  const TShortCut shortCut =
      ShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt));
  for (int i = 0; i < static_cast<int>(fButtonControls.size()); ++i) {
    const TEditButtonEh* button = i == 0 ? fEditButton.get() : fEditButtons->Items(i - 1);
    if (!button->Visible() || button->ShortCut() != shortCut) continue;
    TEditButtonControlEh* control = fButtonControls[static_cast<std::size_t>(i)].control;
    bool autoRepeat = false;
    bool handled = false;
    EditButtonDown(control, true, autoRepeat, handled);
    EditButtonClick(control);
    return true;
  }
  return false;
}

void TCustomDBEditEh::KeyDown(Word& key, TShiftState shift) {
  TDestroyWatch watch(this);
  if (fInplaceEditHolderIntf) fInplaceEditHolderIntf->InplaceEditKeyDown(this, key, shift);
  if (watch.Gone() || key == 0) return;
  TCustomMaskEdit::KeyDown(key, shift);
  if (watch.Gone() || key == 0) return;
  if (MRUListKey(key, shift) || PressButtonByShortCut(key, shift)) {
    key = 0;
    return;
  }
  if (key == 'A' && shift == TShiftState{ssCtrl}) {
    SelectAll();
    key = 0;
  } else if ((key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift))) && !fReadOnly) {
    fDataLink->Edit();
  }
}

void TCustomDBEditEh::KeyUp(Word& key, TShiftState shift) {
  if (fInplaceEditHolderIntf) fInplaceEditHolderIntf->InplaceEditKeyUp(this, key, shift);
  if (key != 0) TCustomMaskEdit::KeyUp(key, shift);
}

void TCustomDBEditEh::KeyPress(char& key) {
  TDestroyWatch watch(this);
  if (fInplaceEditHolderIntf) fInplaceEditHolderIntf->InplaceEditKeyPress(this, key);
  if (watch.Gone() || key == 0) return;
  TCustomMaskEdit::KeyPress(key);
  if (watch.Gone() || key == 0) return;
  const auto code = static_cast<Byte>(key);
  if (code > 31 && !IsStandalone() && !IsValidChar(key)) {
    MessageBeep(0);
    key = 0;
    return;
  }
  if (key == 8 && IsEmptyText() && fMRUList->Active() && Showing() && !fDroppedDown && !MRUListVisible())
    DropDownMRUList();
  if (key == 27) {
    Reset();
    key = 0;
    return;
  }
  const bool changing = key == 8 || key == 22 || key == 24 || key == 25 || key == 26 || code >= 32;
  if (changing && !fReadOnly) fDataLink->Edit();
}

// ---- Messages ---------------------------------------------------------------------------------

void TCustomDBEditEh::WndProc(TMessage& message) {
  if (fInplaceEditHolderIntf) {
    TDestroyWatch watch(this);
    if (fInplaceEditHolderIntf->InplaceEditWndProc(this, message) || watch.Gone()) return;
    if (message.Msg == WM_LBUTTONDOWN) SetHolderDoubleClick(message);
  }
  TCustomMaskEdit::WndProc(message);
}

// A press that follows the holder's own press closely enough is the second click of a
// double click that began in the holder.
void TCustomDBEditEh::SetHolderDoubleClick(TMessage& message) {
  TPoint point;
  Cardinal time = 0;
  fInplaceEditHolderIntf->GetMouseDownInfo(point, time);
  const TPoint here = fInplaceEditHolder->ScreenToClient(
      ClientToScreen(TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)}));
  if (IsDoubleClickEh(point, here, GetTickCount() - time)) message.Msg = WM_LBUTTONDBLCLK;
}

bool TCustomDBEditEh::InButtonsOrImage(TPoint client) const {
  const TRect r = ClientRect();
  if (client.x >= r.right - fButtonsWidth && client.x < r.right) return true;
  return client.x >= r.left && client.x < r.left + fImageWidth;
}

void TCustomDBEditEh::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_CHAR:
      if ((message.WParam == VK_RETURN && !fAcceptsReturn) || (message.WParam == VK_TAB && !fAcceptsTab) ||
          message.WParam == 10)
        return;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (GetCapture() != WindowHandle() &&
          InButtonsOrImage(TPoint{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)}))
        return;
      break;
    default:
      break;
  }
  TCustomMaskEdit::DefaultHandler(message);
}

bool TCustomDBEditEh::ExecuteAction(TBasicAction* action) {
  return TCustomMaskEdit::ExecuteAction(action) || DataLinkExecuteAction(*fDataLink, action);
}

bool TCustomDBEditEh::UpdateAction(TBasicAction* action) {
  return TCustomMaskEdit::UpdateAction(action) || DataLinkUpdateAction(*fDataLink, action);
}

void TCustomDBEditEh::Dispatch(TMessage& message) {
  TDestroyWatch watch(this);
  switch (message.Msg) {
    case WM_CUT:
    case WM_PASTE:
    case WM_UNDO:
      fDataLink->Edit();
      break;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
      if (fAcceptsTab) code |= DLGC_WANTTAB;
      if (fAcceptsReturn) code |= DLGC_WANTALLKEYS;
      message.Result = code;
      return;
    }
    case CM_WANTSPECIALKEY:
      if ((message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) && MRUListVisible() &&
          fMRUListbox->ItemIndex() >= 0) {
        message.Result = 1;
        return;
      }
      TCustomMaskEdit::Dispatch(message);
      if (!watch.Gone() && message.WParam == VK_ESCAPE && Modified()) message.Result = 1;
      return;
    case CM_ENTER:
      SetFocused(true);
      TCustomMaskEdit::Dispatch(message);
      if (watch.Gone()) return;
      // An input method composes in the window before its first character reaches the
      // edit, so under such a locale the window is writable as soon as the field may be.
      if (FarEastLocale() && fDataLink->CanModify()) TCustomMaskEdit::SetReadOnly(fReadOnly);
      UpdateActive();
      return;
    case CM_EXIT:
      if (IsMasked()) {
        ValidateEdit();
        SetSelStart(std::min(SelStart(), static_cast<int>(EditText().size())));
      }
      DoExit();
      if (watch.Gone()) return;
      fDataLink->UpdateRecord();
      SetFocused(false);
      UpdateActive();
      return;
    case CM_GETDATALINK:
      message.Result = reinterpret_cast<LRESULT>(fDataLink.get());
      return;
    case CM_EDITIMAGECHANGEDEH:
      UpdateImageWidth();
      RecreateWnd();
      return;
    case CM_EDITBUTTONRELEASEEH:
      return;
    case CM_MOUSEWHEEL:
      if (MRUListVisible()) {
        message.Result = fMRUListbox->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
        return;
      }
      break;
    case WM_KILLFOCUS:
      if (MRUListVisible() && reinterpret_cast<HWND>(message.WParam) != fMRUListbox->Handle()) CloseMRUList(false);
      break;
    case CM_CANCELMODE:
      if (MRUListVisible() && message.LParam != reinterpret_cast<LPARAM>(this) &&
          message.LParam != reinterpret_cast<LPARAM>(fMRUListbox) &&
          !fMRUListbox->ContainsControl(reinterpret_cast<TControl*>(message.LParam)))
        CloseMRUList(false);
      break;
    case WM_NCPAINT:
      if (fFlat && Ctl3D() && BorderStyle() == bsSingle) {
        PaintFlatBorder();
        return;
      }
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      fMouseInside = message.Msg == CM_MOUSEENTER;
      TCustomMaskEdit::Dispatch(message);
      if (!watch.Gone()) UpdateActive();
      return;
    case CM_ENABLEDCHANGED:
      TCustomMaskEdit::Dispatch(message);
      if (!watch.Gone()) UpdateButtons();
      return;
    case CM_HINTSHOW:
      message.Result = HintShow(*reinterpret_cast<THintInfo*>(message.LParam)) ? 0 : 1;
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (ParentShowHint() && Parent()) fShowHint = Parent()->ShowHint();
      UpdateShowHint();
      return;
    case CM_SHOWINGCHANGED:
      if (fInplaceMode) return;
      break;
    case WM_SIZE:
      TCustomMaskEdit::Dispatch(message);
      if (!watch.Gone()) LayoutButtons();
      return;
    case WM_SETCURSOR:
      if (TPoint p; GetCursorPos(p) && InButtonsOrImage(ScreenToClient(p))) {
        ordvane::SetCursor(Screen->Cursors(crArrow));
        message.Result = 1;
        return;
      }
      break;
    case WM_SETFOCUS:
      if (fInplaceMode) {
        TCustomForm* form = GetParentForm(this);
        if (form && !form->SetFocusedControl(this)) return;
      }
      break;
    default:
      break;
  }
  TCustomMaskEdit::Dispatch(message);
}

void TCustomDBEditEh::SetAutoSize(bool value) {
  if (value == AutoSize()) return;
  TCustomMaskEdit::SetAutoSize(value);
  UpdateHeightStyle();
}

void TCustomDBEditEh::SetAlwaysShowBorder(bool value) {
  if (value == fAlwaysShowBorder) return;
  fAlwaysShowBorder = value;
  UpdateActive();
}

void TCustomDBEditEh::SetFlat(bool value) {
  if (value == fFlat) return;
  fFlat = value;
  RecreateWnd();
}

void TCustomDBEditEh::SetHighlightRequired(bool value) {
  if (value == fHighlightRequired) return;
  fHighlightRequired = value;
  Invalidate();
}

void TCustomDBEditEh::SetEditShowHint(bool value) {
  fShowHint = value;
  UpdateShowHint();
}

void TCustomDBEditEh::SetTooltips(bool value) {
  fTooltips = value;
  UpdateShowHint();
}

void TCustomDBEditEh::UpdateShowHint() {
  TCustomMaskEdit::SetShowHint(fTooltips || fShowHint);
}

void TCustomDBEditEh::UpdateActive() {
  const bool active = fFocused || fMouseInside || fAlwaysShowBorder;
  if (active == fActive) return;
  fActive = active;
  UpdateButtons();
  if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, 0, RDW_INVALIDATE | RDW_FRAME);
}

// ---- Window ---------------------------------------------------------------------------------

void TCustomDBEditEh::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  params.Style &= ~static_cast<UINT>(ES_LEFT | ES_RIGHT | ES_CENTER);
  const bool rightToLeft = UseRightToLeftReading();
  if (fWordWrap) {
    TAlignment alignment = Alignment();
    if (rightToLeft && alignment != taCenter)
      alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    static constexpr UINT kStyles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    params.Style |= kStyles[alignment];
    params.Style &= ~static_cast<UINT>(ES_AUTOHSCROLL);
  } else if (rightToLeft) {
    params.Style |= ES_RIGHT;
  }
  if (!PasswordChar()) params.Style |= ES_MULTILINE;
}

void TCustomDBEditEh::CreateWnd() {
  TCustomMaskEdit::CreateWnd();
  UpdateHeightStyle();
  UpdateActive();
  UpdateImageWidth();
  LayoutButtons();
  UpdateButtons();
  UpdateShowHint();
  UpdateEditRect();
}

void TCustomDBEditEh::UpdateImageWidth() {
  const TCustomImageList* images = fEditImage->Images();
  if (!fEditImage->Visible() || !images)
    fImageWidth = 0;
  else
    fImageWidth = (fEditImage->Width() > 0 ? fEditImage->Width() : images->Width()) + 4;
}

void TCustomDBEditEh::UpdateHeightStyle() {
  // Also reached from the constructor, where the edit's own height rule is the one meant.
  // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
  if (AutoSize() && BorderStyle() == bsSingle) UpdateHeight();
}

void TCustomDBEditEh::UpdateHeight() {
  const TTextMetric own = FontTextMetrics(*Font());
  const int border = ((Ctl3D() ? 8 : 6) - (fFlat ? 2 : 0)) * GetSystemMetrics(SM_CYBORDER);
  // The constructor gets here before the image is made: an image not yet made shows nothing.
  const TEditImageEh* image = fEditImage.IfMade();
  const TCustomImageList* images = image ? image->Images() : nullptr;
  if (images && image->Visible() && image->UseImageHeight() && images->Height() > own.tmHeight)
    SetHeight(images->Height() + border);
  else
    SetHeight(own.tmHeight + border);
}

// ---- Buttons --------------------------------------------------------------------------------

TEditButtonControlEh* TCustomDBEditEh::ButtonControl(int index) const {
  if (index < 0 || index >= static_cast<int>(fButtonControls.size())) return nullptr;
  return fButtonControls[static_cast<std::size_t>(index)].control;
}

TShape* TCustomDBEditEh::ButtonSeparator(int index) const {
  if (index < 0 || index >= static_cast<int>(fButtonControls.size())) return nullptr;
  return fButtonControls[static_cast<std::size_t>(index)].separator;
}

TEditButtonEh* TCustomDBEditEh::ButtonOf(TObject* control) const {
  for (std::size_t i = 0; i < fButtonControls.size(); ++i)
    if (fButtonControls[i].control == control)
      return i == 0 ? fEditButton.get() : fEditButtons->Items(static_cast<int>(i) - 1);
  return nullptr;
}

// One control pair per button, made or dropped as the collection changes, then each
// control takes its button's look.
void TCustomDBEditEh::UpdateButtons() {
  if (!fEditButtons) return;
  const std::size_t wanted = static_cast<std::size_t>(fEditButtons->Count()) + 1;
  while (fButtonControls.size() > wanted) {
    delete fButtonControls.back().control;
    delete fButtonControls.back().separator;
    fButtonControls.pop_back();
  }
  while (fButtonControls.size() < wanted) {
    auto* separator = new TShape(this);
    separator->SetParent(this);
    TEditButtonControlEh* control = CreateEditButtonControl();
    control->OnButtonDown = [this](TObject* sender, bool top, bool& autoRepeat, bool& handled) {
      EditButtonDown(sender, top, autoRepeat, handled);
    };
    control->OnClick = [this](TObject* sender) { EditButtonClick(sender); };
    control->OnMouseMove = [this](TObject* sender, TShiftState shift, int x, int y) {
      EditButtonMouseMove(sender, shift, x, y);
    };
    control->OnMouseUp = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EditButtonMouseUp(sender, button, shift, x, y);
    };
    fButtonControls.push_back({separator, control});
  }
  for (std::size_t i = 0; i < fButtonControls.size(); ++i) {
    const TEditButtonEh* button = ButtonOf(fButtonControls[i].control);
    TEditButtonControlEh* control = fButtonControls[i].control;
    control->SetStyle(button->Style());
    control->SetEnabled(button->Enabled() && Enabled());
    control->SetActive(fActive);
    control->SetHint(button->Hint());
    control->Glyph()->Assign(button->Glyph());
    control->SetNumGlyphs(button->NumGlyphs());
    TShape* separator = fButtonControls[i].separator;
    separator->Pen()->SetColor(fActive ? clBtnFace : Color());
    separator->Brush()->SetColor(fActive ? clBtnFace : Color());
  }
  LayoutButtons();
}

int TCustomDBEditEh::ButtonWidth(const TEditButtonEh* button) const {
  if (!button->Visible()) return 0;
  if (button->Width() >= 1) return button->Width();
  return fFlat ? DefaultEditButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
}

// The main button stands rightmost, the collection's buttons to its left in their order;
// right to left the row mirrors.
void TCustomDBEditEh::LayoutButtons() {
  const TRect client = ClientRect();
  const bool leftSide = UseRightToLeftAlignment();
  int used = 0;
  for (std::size_t i = 0; i < fButtonControls.size(); ++i) {
    const int width = ButtonWidth(ButtonOf(fButtonControls[i].control));
    const int separator = fFlat && width > 0 ? 1 : 0;
    const int x = leftSide ? client.left + used + separator : client.right - used - width - separator;
    fButtonControls[i].control->SetVisible(width > 0);
    fButtonControls[i].control->SetBounds(x, client.top, width, client.Height());
    fButtonControls[i].separator->SetVisible(separator > 0);
    fButtonControls[i].separator->SetBounds(leftSide ? x - 1 + width + 1 : x + width, client.top, 1,
                                            client.Height());
    used += width + separator;
  }
  fButtonsWidth = used;
  UpdateEditRect();
}

TRect TCustomDBEditEh::GetEditRect() {
  TRect r = ClientRect();
  const bool rightToLeft = UseRightToLeftAlignment();
  if (rightToLeft) {
    r.left += fButtonsWidth;
    r.right -= fImageWidth;
  } else {
    r.right -= fButtonsWidth;
    r.left += fImageWidth;
  }
  return r;
}

// The window draws the text where the control paints it while unfocused: past the frame
// pixel and the margin, not against the border.
void TCustomDBEditEh::UpdateEditRect() {
  if (!HandleAllocated()) return;
  TRect r = GetEditRect();
  r.left = std::min(r.left + TextMargin(), r.right);
  SendMessage(WindowHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
  SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBEditEh::ButtonDown(bool /*isDownPart*/) {
  if (fEditButton->Style() == ebsUpDownEh || fDroppedDown) return;
  DropDown();
  fDroppedDownByThisPress = true;
}

void TCustomDBEditEh::DropDown() {
  fDroppedDown = true;
  if (TEditButtonControlEh* control = ButtonControl(0)) control->SetAlwaysDown();
}

void TCustomDBEditEh::CloseUp(bool /*accept*/) {
  fDroppedDown = false;
  if (TEditButtonControlEh* control = ButtonControl(0)) control->SetAlwaysUp();
}

void TCustomDBEditEh::EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
  if (CanFocus() && !Focused()) SetFocus();
  if (TakeEditButtonReleaseEh(this, sender)) {
    handled = true;
    return;
  }
  auto* control = static_cast<TEditButtonControlEh*>(sender);
  TEditButtonEh* button = ButtonOf(sender);
  if (!button) return;
  if (button != fEditButton.get()) {
    if (button->OnDown) button->OnDown(sender, topButton, autoRepeat, handled);
    if (!handled && button->DropdownMenu()) PopupEditButtonMenuEh(this, control, button->DropdownMenu());
    return;
  }
  if (OnButtonDown) OnButtonDown(sender, topButton, autoRepeat, handled);
  if (handled) return;
  if (button->DropdownMenu())
    PopupEditButtonMenuEh(this, control, button->DropdownMenu());
  else if (!button->Action())
    ButtonDown(!topButton);
}

void TCustomDBEditEh::EditButtonClick(TObject* sender) {
  TEditButtonEh* button = ButtonOf(sender);
  if (!button) return;
  bool handled = false;
  button->Click(sender, handled);
  if (button == fEditButton.get()) {
    if (!handled && OnButtonClick) OnButtonClick(sender, handled);
    if (!handled && fDroppedDown && !fDroppedDownByThisPress) CloseUp(false);
  }
  fDroppedDownByThisPress = false;
}

void TCustomDBEditEh::EditButtonMouseMove(TObject*, TShiftState, int, int) {}

void TCustomDBEditEh::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
  const auto* control = static_cast<TControl*>(sender);
  if (!PtInRect(control->ClientRect(), TPoint{x, y})) fDroppedDownByThisPress = false;
}

// ---- Recently used values -----------------------------------------------------------------

TMRUListboxEh* TCustomDBEditEh::CreateMRUListbox() {
  TMRUListboxEh* list = NewMRUListboxEh(this, [this](TObject*) { CloseMRUList(true); });
  list->SizeGrip()->OnParentResized = [this](TObject*) { MRUListboxResized(); };
  return list;
}

bool TCustomDBEditEh::MRUListVisible() const {
  return fMRUListbox && fMRUListbox->HandleAllocated() && IsWindowVisible(fMRUListbox->WindowHandle());
}

bool TCustomDBEditEh::IsEmptyText() const {
  return IsMasked() ? Text() == FormatMaskText(EditMask(), {}) : EditText().empty();
}

void TCustomDBEditEh::UpdateMRUList() {
  if (fSettingText > 0) return;
  const bool empty = IsEmptyText();
  if (MRUListVisible() && empty)
    CloseMRUList(false);
  else if (fMRUList->Active() && Showing() && !fDroppedDown && !empty && fFocused)
    DropDownMRUList();
}

void TCustomDBEditEh::FilterMRUItem(const AnsiString& item, bool& accept) {
  accept = fMRUList->Offers(item, Text());
  const TFilterMRUItemEventEh handler = fMRUList->OnFilterItem;
  if (handler) handler(this, item, accept);
}

void TCustomDBEditEh::DropDownMRUList() {
  TStringList items;
  TStrings* all = fMRUList->Items();
  for (int i = 0; i < all->Count(); ++i) {
    bool accept = false;
    FilterMRUItem(all->Strings(i), accept);
    if (accept) items.Add(all->Strings(i));
  }
  if (items.Count() == 0) {
    if (MRUListVisible()) CloseMRUList(false);
    return;
  }
  if (!fMRUListbox) fMRUListbox = CreateMRUListbox();
  const bool open = MRUListVisible();
  fMRUListbox->Items()->Assign(&items);
  TRect formatting;
  Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
  if (!open) {
    fMRUListbox->SetColor(Color());
    fMRUListbox->Font()->Assign(Font());
    fMRUListbox->SetItemIndex(-1);
    fMRUListbox->SetWidth(formatting.Width());
  }
  fMRUListbox->SetRowCount(std::min(items.Count(), fMRUList->Rows()));
  const TPoint topLeft = ClientToScreen(TPoint{formatting.left, formatting.top});
  const TRect host = Rect(topLeft.x, topLeft.y, topLeft.x + formatting.Width(), topLeft.y + formatting.Height());
  const TPoint at = AlignDropDownWindowRectEh(fMRUListbox, host, daLeft);
  SetWindowPos(fMRUListbox->Handle(), HWND_TOP, at.x, at.y, fMRUListbox->Width(), fMRUListbox->Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void TCustomDBEditEh::CloseMRUList(bool accept) {
  if (!MRUListVisible()) return;
  SetWindowPos(fMRUListbox->Handle(), 0, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  const int index = fMRUListbox->ItemIndex();
  if (!accept || index < 0 || fReadOnly || !fDataLink->Edit()) return;
  InternalSetText(fMRUListbox->Items()->Strings(index));
  if (Focused()) SelectAll();
}

void TCustomDBEditEh::MRUListboxResized() {
  if (!MRUListVisible()) return;
  fMRUList->SetRows(fMRUListbox->RowCount());
}

// The keys that move in a list go to the open list; Enter and Escape close it.
bool TCustomDBEditEh::MRUListKey(Word key, TShiftState shift) {
  if (!MRUListVisible()) return false;
  const bool ctrlEnds = shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END);
  if (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN || shift.Contains(ssAlt) || ctrlEnds) {
    fMRUListbox->Perform(WM_KEYDOWN, key, 0);
    return true;
  }
  if (key == VK_RETURN || key == VK_ESCAPE) {
    CloseMRUList(key == VK_RETURN);
    return true;
  }
  return false;
}

// ---- Painting -------------------------------------------------------------------------------

bool TCustomDBEditEh::RequiredAndEmpty() {
  if (IsStandalone()) return VarIsNull(fDataLink->Value()) || EditText().empty();
  const TDataSet* dataSet = DataSource() ? DataSource()->DataSet() : nullptr;
  TField* field = Field();
  return dataSet && field && (dataSet->State() == dsEdit || dataSet->State() == dsInsert) &&
         field->Required() && field->IsNull();
}

void TCustomDBEditEh::PaintRequiredState(TCanvas* canvas) {
  if (!fHighlightRequired) return;
  bool draw = RequiredAndEmpty();
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
  if (!draw) return;
  const TRect edit = GetEditRect();
  const int y = ClientHeight() - 2;
  for (int x = edit.left + 2; x < edit.right - 3; x += 2) canvas->SetPixels(x, y, clRed);
}

AnsiString TCustomDBEditEh::GetPaintText() {
  if (ControlState().Contains(csPaintCopy) && Field()) {
    AnsiString text = Field()->DisplayText();
    if (CharCase() == ecUpperCase) text = AnsiUpperCase(text);
    if (CharCase() == ecLowerCase) text = AnsiLowerCase(text);
    return text;
  }
  return EditText();
}

int TCustomDBEditEh::TextMargin() {
  if (BorderStyle() != bsSingle) return 0;
  const int left = LOWORD(static_cast<UINT>(Perform(EM_GETMARGINS, 0, 0)));
  return left + (Ctl3D() && !fFlat ? 1 : 2);
}

// Right and centred text is drawn by the control while it is not focused: the window
// itself only knows left-aligned single lines.
void TCustomDBEditEh::PaintSelf(HDC dc) {
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Font()->Assign(Font());
  canvas.Brush()->SetColor(Color());
  const TRect client = ClientRect();
  canvas.FillRect(client);
  if (!Enabled()) canvas.Font()->SetColor(clGrayText);
  AnsiString text = GetPaintText();
  if (PasswordChar()) text.assign(text.size(), PasswordChar());
  const TRect edit = GetEditRect();
  const int margin = TextMargin();
  const int width = canvas.TextWidth(text);
  int x = edit.left + margin;
  if (Alignment() == taRightJustify) x = edit.right - width - margin;
  if (Alignment() == taCenter) x = edit.left + (edit.Width() - width + 1) / 2;
  canvas.TextRect(edit, x, 1, text);
  PaintRequiredState(&canvas);
  canvas.SetHandle(nullptr);
}

void TCustomDBEditEh::PaintWindow(HDC dc) {
  const bool selfPainted = !fWordWrap && Alignment() != taLeftJustify && (!fFocused || ControlState().Contains(csPaintCopy));
  if (selfPainted) {
    PaintSelf(dc);
  } else {
    TCustomMaskEdit::PaintWindow(dc);
    TCanvas canvas;
    canvas.SetHandle(dc);
    PaintRequiredState(&canvas);
    canvas.SetHandle(nullptr);
  }
  if (fImageWidth > 0 && fEditImage->ImageIndex() >= 0) {
    TCanvas canvas;
    canvas.SetHandle(dc);
    const TRect client = ClientRect();
    fEditImage->Images()->Draw(&canvas, client.left + 2, client.top + 1, fEditImage->ImageIndex(), Enabled());
    canvas.SetHandle(nullptr);
  }
}

// The flat look: a sunken line while active, else a face-coloured one, and inside it a
// face-coloured frame in place of the inner 3D edge.
void TCustomDBEditEh::PaintFlatBorder() {
  HWND wnd = WindowHandle();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  TRect r;
  GetWindowRect(wnd, r);
  OffsetRect(r, -r.left, -r.top);
  const TColorRef face = ColorToRGB(clBtnFace);
  if (fActive) {
    TRect edge = r;
    DrawEdge(dc, edge, BDR_SUNKENOUTER, BF_RECT);
  } else {
    dc->FrameRect(r, face);
  }
  InflateRect(r, -1, -1);
  dc->FrameRect(r, face);
  ReleaseDC(wnd, dc);
}

// ---- Tool tips ------------------------------------------------------------------------------

bool TCustomDBEditEh::HintShow(THintInfo& info) {
  if (fTooltips) {
    TControlCanvas canvas(this);
    canvas.EnsureHandle();
    canvas.Font()->Assign(Font());
    const TSize size = canvas.TextExtent(EditText());
    const TRect edit = GetEditRect();
    if (size.cx > edit.Width() - 2 || size.cy > edit.Height()) {
      info.HintStr = EditText();
      info.HintPos = ClientToScreen(TPoint{0, 0});
      info.HintWindowClass = &CreateHintWindow<TToolTipsWindow>;
      info.HintData = Font();
      return true;
    }
  }
  return fShowHint;
}

}  // namespace ordvane

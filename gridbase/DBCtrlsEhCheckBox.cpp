// The data-aware check box: its state and the field, keys, mouse and painting.

#include "gridbase/DBCtrlsEhCheckBox.h"

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/StrUtils.h"
#include "classlib/ui/DBCtrls.h"
#include "classlib/ui/Menus.h"
#include "classlib/ui/Themes.h"
#include "classlib/ui/WinInput.h"

namespace ordvane {

namespace {

// Whether `text` is one of the ";"-separated texts of `values`, without case.
bool MatchesOneOf(const AnsiString& text, const AnsiString& values) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = values.find(';', start);
    if (AnsiCompareText(values.substr(start, end - start), text) == 0) return true;
    if (end == AnsiString::npos) return false;
    start = end + 1;
  }
}

AnsiString FirstOf(const AnsiString& values) {
  return values.substr(0, values.find(';'));
}

}  // namespace

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(TComponent* owner)
    : TButtonControl(owner),
      fDataLink(std::make_unique<TFieldDataLinkEh>()),
      fValueChecked("True"),
      fValueUnchecked("False") {
  SetBounds(Left(), Top(), 97, 17);
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable} - TControlStyle{csDoubleClicks});
  fDataLink->SetControl(this);
  fDataLink->OnDataChange = [this](TObject*) { DataChange(); };
  fDataLink->OnUpdateData = [this](TObject* sender) { UpdateData(sender); };
  fDataLink->SetValue(Variant(false));
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() {
  // The link calls back into the box while it leaves its data source.
  fDataLink->OnDataChange = nullptr;
  fDataLink->OnUpdateData = nullptr;
  fDataLink->SetDataSource(nullptr);
}

void TCustomDBCheckBoxEh::Notification(TComponent* component, TOperation operation) {
  TButtonControl::Notification(component, operation);
  if (operation == opRemove && fDataLink && component == DataSource()) SetDataSource(nullptr);
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* value) {
  fDataLink->SetDataSource(value);
  if (value) value->FreeNotification(this);
}

void TCustomDBCheckBoxEh::SetAlignment(TAlignment value) {
  if (value == fAlignment) return;
  fAlignment = value;
  RecreateWnd();
}

void TCustomDBCheckBoxEh::SetFlat(bool value) {
  if (value == fFlat) return;
  fFlat = value;
  RecreateWnd();
}

void TCustomDBCheckBoxEh::SetAlwaysShowBorder(bool value) {
  if (value == fAlwaysShowBorder) return;
  fAlwaysShowBorder = value;
  Invalidate();
}

void TCustomDBCheckBoxEh::SetValueChecked(const AnsiString& value) {
  fValueChecked = value;
  DataChange();
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const AnsiString& value) {
  fValueUnchecked = value;
  DataChange();
}

// ---- State and data -------------------------------------------------------------------------

TCheckBoxState TCustomDBCheckBoxEh::StateFromData() const {
  if (IsStandalone()) {
    const Variant& value = fDataLink->Value();
    if (VarType(value) != varBoolean) return cbGrayed;
    return value.AsBoolean() ? cbChecked : cbUnchecked;
  }
  TField* field = Field();
  if (!field) return cbUnchecked;
  if (field->IsNull()) return cbGrayed;
  if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
  const AnsiString text = field->Text();
  if (MatchesOneOf(text, fValueChecked)) return cbChecked;
  if (MatchesOneOf(text, fValueUnchecked)) return cbUnchecked;
  return cbGrayed;
}

void TCustomDBCheckBoxEh::DataChange() {
  InternalSetState(StateFromData());
  fModified = false;
}

void TCustomDBCheckBoxEh::InternalSetState(TCheckBoxState value) {
  if (value == fState) return;
  fState = value;
  if (HandleAllocated()) Perform(BM_SETCHECK, static_cast<WPARAM>(value), 0);
  TDestroyWatch watch(this);
  if (!fClickSuppressed) Click();
  if (watch.Gone()) return;
  Invalidate();
  fModified = true;
}

// Only a bound box has a dataset to put into edit state; a box with a field name but no
// dataset just shows the state.
void TCustomDBCheckBoxEh::SetState(TCheckBoxState value) {
  TDataSet* dataSet = IsStandalone() ? nullptr : fDataLink->BoundDataSet();
  const bool bound = dataSet != nullptr;
  if (bound) dataSet->Edit();
  InternalSetState(value);
  if ((bound || IsStandalone()) && !fInUserUpdateData) UpdateData(fDataLink.get());
}

void TCustomDBCheckBoxEh::Toggle() {
  if (!fDataLink->Edit()) return;
  switch (fState) {
    case cbUnchecked:
      InternalSetState(fAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      InternalSetState(cbUnchecked);
      break;
    case cbGrayed:
      InternalSetState(cbChecked);
      break;
  }
  fDataLink->SetModified();
  Invalidate();
}

void TCustomDBCheckBoxEh::UpdateFieldValue() {
  if (IsStandalone()) {
    fDataLink->SetValue(fState == cbGrayed ? Null() : Variant(fState == cbChecked));
    return;
  }
  TField* field = Field();
  if (!field) return;
  if (fState == cbGrayed)
    field->Clear();
  else if (field->DataType() == ftBoolean)
    field->SetAsBoolean(fState == cbChecked);
  else
    field->SetText(FirstOf(fState == cbChecked ? fValueChecked : fValueUnchecked));
}

void TCustomDBCheckBoxEh::UpdateData(TObject* sender) {
  if (!FireUpdateDataEh(OnUpdateData, sender, fInUserUpdateData)) UpdateFieldValue();
}

// ---- Keys and mouse -------------------------------------------------------------------------

void TCustomDBCheckBoxEh::KeyDown(Word& key, TShiftState shift) {
  TButtonControl::KeyDown(key, shift);
  if (key != VK_SPACE) return;
  fSpacePressed = true;
  Invalidate();
}

void TCustomDBCheckBoxEh::KeyUp(Word& key, TShiftState shift) {
  TButtonControl::KeyUp(key, shift);
  if (key != VK_SPACE || !fSpacePressed) return;
  fSpacePressed = false;
  Invalidate();
  Toggle();
}

void TCustomDBCheckBoxEh::KeyPress(char& key) {
  TButtonControl::KeyPress(key);
  if (key == ' ' || key == '\b') {
    fDataLink->Edit();
  } else if (key == 27) {
    fDataLink->Reset();
    key = 0;
  }
}

bool TCustomDBCheckBoxEh::FocusForPress() {
  if (Focused()) return true;
  TDestroyWatch watch(this);
  fClickSuppressed = true;
  try {
    SetFocus();
  } catch (...) {
    if (!watch.Gone()) fClickSuppressed = false;
    throw;
  }
  if (watch.Gone()) return false;
  fClickSuppressed = false;
  return Focused();
}

void TCustomDBCheckBoxEh::Dispatch(TMessage& message) {
  TDestroyWatch watch(this);
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // A press that could not take the focus goes no further.
      if (!FocusForPress()) return;
      break;
    case CN_COMMAND:
      if (HIWORD(message.WParam) == BN_CLICKED && !fClickSuppressed) Toggle();
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(message.WParam), Caption()) && CanFocus()) {
        SetFocus();
        if (!watch.Gone() && Focused()) Toggle();
        message.Result = 1;
        return;
      }
      break;
    case CM_WANTSPECIALKEY:
      if (message.WParam == VK_ESCAPE && fModified) {
        message.Result = 1;
        return;
      }
      break;
    case CM_EXIT:
      fDataLink->UpdateRecord();
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      fMouseInside = message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    case CM_CANCELMODE:
      if (GetCapture() == WindowHandle()) {
        ReleaseCapture();
        if (!watch.Gone() && GetKeyState(VK_LBUTTON) < 0) Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
      }
      break;
    default:
      break;
  }
  if (!watch.Gone()) TButtonControl::Dispatch(message);
}

// Space is the box's own key (KeyDown and KeyUp): the native button must not click on it
// as well, or one press would toggle twice.
void TCustomDBCheckBoxEh::DefaultHandler(TMessage& message) {
  if ((message.Msg == WM_KEYDOWN || message.Msg == WM_KEYUP) && message.WParam == VK_SPACE) return;
  TButtonControl::DefaultHandler(message);
}

void TCustomDBCheckBoxEh::CreateWnd() {
  TButtonControl::CreateWnd();
  Perform(BM_SETCHECK, static_cast<WPARAM>(fState), 0);
}

// ---- Painting -------------------------------------------------------------------------------

// A right-to-left box lays out a field that keeps its layout (a number) as left to right.
bool TCustomDBCheckBoxEh::BoxAtLeft() const {
  return (fAlignment == taRightJustify) != DBUseRightToLeftAlignment(this, Field());
}

bool TCustomDBCheckBoxEh::ShowsPressed() const {
  return NativePushed() || fSpacePressed;
}

void TCustomDBCheckBoxEh::PaintFace(TCanvas& canvas) {
  Paint(canvas);
}

void TCustomDBCheckBoxEh::PaintLayout(TRect& boxRect, TRect& captionRect) {
  const TRect client = ClientRect();
  const TSize box = InitCheckBoxSizeEh();
  const int top = (client.Height() - box.cy) / 2;
  if (BoxAtLeft()) {
    boxRect = Bounds(client.left, top, box.cx, box.cy);
    captionRect = Rect(boxRect.right + 5, client.top, client.right, client.bottom);
  } else {
    boxRect = Bounds(client.right - box.cx, top, box.cx, box.cy);
    captionRect = Rect(client.left, client.top, boxRect.left - 5, client.bottom);
  }
}

void TCustomDBCheckBoxEh::Paint(TCanvas& canvas) {
  const TRect client = ClientRect();
  // Themed, the box stands on its parent's background.
  const TWinControl* parent = Parent();
  const bool themed = ThemeServices()->ThemesEnabled() && parent;
  canvas.Brush()->SetColor(themed ? parent->Color() : Color());
  canvas.FillRect(client);
  TRect boxRect, captionRect;
  PaintLayout(boxRect, captionRect);
  const bool copy = ControlState().Contains(csPaintCopy);
  DrawCheckBoxFace(canvas, boxRect, copy ? StateFromData() : fState);
  PaintControl(canvas, captionRect);
}

void TCustomDBCheckBoxEh::DrawCheckBoxFace(TCanvas& canvas, const TRect& boxRect, TCheckBoxState state) {
  const bool hot = fMouseInside || fSpacePressed || fAlwaysShowBorder;
  DrawEditButtonControlEh(canvas.Handle(), boxRect, Color(), bcsCheckboxEh, ShowsPressed() ? 1 : 0, fFlat, hot,
                          Enabled(), state);
}

void TCustomDBCheckBoxEh::PaintControl(TCanvas& canvas, const TRect& captionRect) {
  // The canvas hands its font and brush to the context each time its handle is asked for.
  const unsigned flags = DT_VCENTER | DT_SINGLELINE | (BoxAtLeft() ? DT_LEFT : DT_RIGHT);
  canvas.Font()->Assign(Font());
  canvas.Brush()->SetStyle(bsClear);
  if (!Enabled()) {
    TRect shadow = captionRect;
    OffsetRect(shadow, 1, 1);
    canvas.Font()->SetColor(clBtnHighlight);
    DrawText(canvas.Handle(), Caption(), shadow, flags);
    canvas.Font()->SetColor(clGrayText);
  }
  TRect text = captionRect;
  DrawText(canvas.Handle(), Caption(), text, flags);
  canvas.Brush()->SetStyle(bsSolid);
  if (!Focused()) return;
  TRect extent = captionRect;
  DrawText(canvas.Handle(), Caption(), extent, flags | DT_CALCRECT);
  const int width = extent.Width();
  const int height = extent.Height();
  TRect focus = BoxAtLeft() ? Bounds(captionRect.left, 0, width, height)
                            : Bounds(captionRect.right - width, 0, width, height);
  focus.top = (captionRect.Height() - height) / 2;
  focus.bottom = focus.top + height;
  InflateRect(focus, 1, 1);
  const TRect client = ClientRect();
  IntersectRect(focus, focus, client);
  DrawFocusRect(canvas.Handle(), focus);
}

}  // namespace ordvane

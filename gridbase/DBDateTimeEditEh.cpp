// The date and time edit. Its value is kept apart from its text: typing reads the text
// into the value element by element (an incomplete text gives Null), leaving completes
// it, and text the control sets itself is marked so that it is not read back.

#include "gridbase/DBDateTimeEditEh.h"

#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/MessageQueue.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DB.h"
#include "classlib/ui/Mask.h"

namespace ordvane {

namespace {

bool WithoutShiftKeys(TShiftState shift) {
  return !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
}

bool IsBlank(const Variant& value) { return VarIsNull(value) || VarIsEmpty(value); }

// A spin template's character that stands for a literal of the text, not an element.
bool IsLiteralOfTemplate(char c) {
  return c == ' ' || c == '/' || c == ':';
}

}  // namespace

TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh(TComponent* owner) : TCustomDBEditEh(owner), fValue(Null()) {
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
  // A constructor reaches only this class's own versions, whatever a descendant overrides.
  TCustomDBDateTimeEditEh::UpdateFourDigitYear();
  TCustomDBDateTimeEditEh::UpdateMask();
}

TEditButtonEh* TCustomDBDateTimeEditEh::CreateEditButton() {
  return new TVisibleEditButtonEh(this);
}

// ---- Format and mask --------------------------------------------------------------------

void TCustomDBDateTimeEditEh::SetKind(TDateTimeKindEh value) {
  if (value == fKind) return;
  fKind = value;
  UpdateMask();
}

void TCustomDBDateTimeEditEh::SetEditFormat(const AnsiString& value) {
  if (fKind == dtkCustomEh && value == fEditFormat) return;
  const TDateTimeKindEh oldKind = fKind;
  const AnsiString oldFormat = fEditFormat;
  fKind = dtkCustomEh;
  fEditFormat = value;
  try {
    UpdateMask();
  } catch (...) {
    fKind = oldKind;
    fEditFormat = oldFormat;
    throw;
  }
}

void TCustomDBDateTimeEditEh::UpdateFourDigitYear() {
  const bool fourDigits = AnsiUpperCase(FormatSettings().ShortDateFormat).find("YYY") != AnsiString::npos;
  if (fourDigits == fFourDigitYear) return;
  fFourDigitYear = fourDigits;
  // Also reached from the constructor, where this class's own mask is the one meant.
  // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
  UpdateMask();
}

void TCustomDBDateTimeEditEh::UpdateMask() {
  AnsiString format;
  switch (fKind) {
    case dtkDateEh:
      format = DefaultDateFormatEh(fFourDigitYear);
      break;
    case dtkTimeEh:
      format = DefaultTimeFormatEh();
      break;
    case dtkDateTimeEh:
      format = DefaultDateFormatEh(fFourDigitYear) + " " + DefaultTimeFormatEh();
      break;
    case dtkCustomEh:
      format = fEditFormat;
      break;
  }
  TDateTimeElementsEh elements{};
  AnsiString mask;
  if (!format.empty()) BuildDateTimeMaskEh(format, elements, mask);
  fEditFormat = format;
  fElements = elements;
  fDisplayFormat = format.empty() ? AnsiString() : DateTimeDisplayFormatEh(format);
  fSpinTemplate = DateTimeSpinTemplateEh(format);
  {
    // The old text put into the new mask means nothing; the value is shown again below.
    const TFlagScope setting(fSettingOwnText);
    SetEditMask(mask);
  }
  if (IsStandalone())
    // Also reached from the constructor, where this class's own value setter is the one meant.
    // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
    InternalSetValue(fValue);
  else
    DataLink()->Reset();
}

// ---- Value and text ---------------------------------------------------------------------

Variant TCustomDBDateTimeEditEh::GetVariantValue() const { return fValue; }

AnsiString TCustomDBDateTimeEditEh::TextOfValue(const Variant& value) const {
  if (IsBlank(value)) return {};
  return IsMasked() ? FormatDateTime(fDisplayFormat, value.AsDateTime()) : DateTimeToStr(value.AsDateTime());
}

void TCustomDBDateTimeEditEh::ShowText(const AnsiString& text) {
  const AnsiString shown = IsMasked() ? FormatMaskText(EditMask(), text) : text;
  if (shown == EditText()) return;
  const TFlagScope setting(fSettingOwnText);
  TCustomDBEditEh::InternalSetText(text);
}

// A mask change puts the old text into the new mask through here: that only shows it.
void TCustomDBDateTimeEditEh::SetCaption(const AnsiString& value) {
  if (fSettingOwnText)
    // The edit's own text only shows: the data-aware caption, which would edit the field,
    // is skipped on purpose.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call)
    TCustomMaskEdit::SetCaption(value);
  else
    TCustomDBEditEh::SetCaption(value);
}

void TCustomDBDateTimeEditEh::InternalSetText(const AnsiString& text) {
  if (!IsMasked()) {
    fValue = Trim(text).empty() ? Null() : VarFromDateTime(StrToDateTime(text));
    ShowText(text);
    return;
  }
  Variant value = fValue;
  if (!PartsToValueEh(DateTimeTextToPartsEh(text, fElements), fElements, value, false))
    throw Exception("Invalid datetime: \"" + text + "\"");
  fValue = value;
  ShowText(text);
}

void TCustomDBDateTimeEditEh::InternalSetValue(const Variant& value) {
  fValue = IsBlank(value) ? Null() : VarFromDateTime(value.AsDateTime());
  ShowText(TextOfValue(fValue));
}

void TCustomDBDateTimeEditEh::DataChanged() {
  TField* field = Field();
  const Variant value = field ? field->Value() : IsStandalone() ? DataLink()->Value() : Null();
  InternalSetValue(value);
  EditingChanged();
  SetModified(false);
  if (field && field->Alignment() != Alignment()) Invalidate();
}

// Elements the format lacks keep the field's parts: a time edit leaves the date alone.
// Without a format the value is the edit's whole.
void TCustomDBDateTimeEditEh::UpdateFieldValue() {
  if (!IsMasked()) {
    DataLink()->SetValue(fValue);
    return;
  }
  Variant value = Field() ? Field()->Value() : IsStandalone() ? DataLink()->Value() : Null();
  PartsToValueEh(DateTimeValueToPartsEh(fValue), fElements, value, true);
  DataLink()->SetValue(value);
}

void TCustomDBDateTimeEditEh::Change() {
  if (!fSettingOwnText) {
    if (IsMasked()) {
      PartsToValueEh(DateTimeTextToPartsEh(Text(), fElements), fElements, fValue, false);
    } else {
      TDateTime typed;
      fValue = TryStrToDateTime(Text(), typed) ? VarFromDateTime(typed) : Null();
    }
  }
  TCustomDBEditEh::Change();
}

void TCustomDBDateTimeEditEh::ValidateEdit() {
  if (fValidating) return;
  const TFlagScope validating(fValidating);
  TCustomDBEditEh::ValidateEdit();
  if (!IsMasked()) return;
  PartsToValueEh(DateTimeTextToPartsEh(Text(), fElements), fElements, fValue, true);
  ShowText(TextOfValue(fValue));
}

AnsiString TCustomDBDateTimeEditEh::GetPaintText() {
  if (ControlState().Contains(csPaintCopy) && Field())
    return Field()->IsNull() ? AnsiString() : FormatDateTime(fDisplayFormat, Field()->AsDateTime());
  return TCustomDBEditEh::GetPaintText();
}

void TCustomDBDateTimeEditEh::FilterMRUItem(const AnsiString& item, bool& accept) {
  AnsiString text = Text();
  while (!text.empty() && (text.back() == ' ' || text.back() == FormatSettings().DateSeparator)) text.pop_back();
  accept = AnsiCompareText(item.substr(0, text.size()), text) == 0;
}

// ---- Spinning and keys ------------------------------------------------------------------

bool TCustomDBDateTimeEditEh::CanSpin() { return IsMasked() && !ReadOnly() && DataLink()->Edit(); }

void TCustomDBDateTimeEditEh::IncDecElement(bool up) {
  if (!CanSpin()) return;
  TDateTimeSpinEh spin;
  if (!SpinDateTimeElementEh(EditText(), fSpinTemplate, SelStart(), up, spin)) return;
  // Text set in code tells no one: the spun text is read back as typing would be.
  TCustomDBEditEh::InternalSetText(spin.Text);
  Change();
  SetSelStart(spin.SelStart);
  SetSelLength(spin.SelLength);
}

void TCustomDBDateTimeEditEh::JumpPastSeparator(char separator) {
  const AnsiString& text = EditText();
  const std::size_t found = text.find(separator, static_cast<std::size_t>(std::max(SelStart(), 0)));
  const std::size_t caret = found == AnsiString::npos ? 0 : found + 1;
  std::size_t end = caret;
  if (caret < fSpinTemplate.size() && !IsLiteralOfTemplate(fSpinTemplate[caret]))
    while (end < fSpinTemplate.size() && fSpinTemplate[end] == fSpinTemplate[caret]) ++end;
  SetSelStart(static_cast<int>(caret));
  SetSelLength(static_cast<int>(end - caret));
}

// Up and Down go to the in-place holder and OnKeyDown first; what they leave spins.
bool TCustomDBDateTimeEditEh::SpinKeyDown(Word& key, TShiftState shift) {
  if ((key != VK_UP && key != VK_DOWN) || !WithoutShiftKeys(shift)) return false;
  TDestroyWatch watch(this);
  if (auto* holder = dynamic_cast<IInplaceEditHolderEh*>(InplaceEditHolder()))
    holder->InplaceEditKeyDown(this, key, shift);
  if (watch.Gone() || key == 0) return true;
  // Only OnKeyDown is meant: the edit's own Up and Down handling is what the spin replaces.
  // NOLINTNEXTLINE(bugprone-parent-virtual-call)
  TWinControl::KeyDown(key, shift);
  if (watch.Gone() || key == 0 || !IsMasked()) return true;
  IncDecElement(key == VK_UP);
  key = 0;
  return true;
}

bool TCustomDBDateTimeEditEh::CalendarKeyDown(Word& key, TShiftState shift) {
  switch (key) {
    case VK_RETURN:
    case VK_ESCAPE:
      CloseUp(key == VK_RETURN);
      key = 0;
      return true;
    case VK_HOME:
    case VK_END:
      if (!shift.Contains(ssCtrl)) return false;
      [[fallthrough]];
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
      SendMessage(fCalendar->Handle(), WM_KEYDOWN, key, 0);
      key = 0;
      return true;
    default:
      return false;
  }
}

void TCustomDBDateTimeEditEh::KeyDown(Word& key, TShiftState shift) {
  // A key that moves the caret or deletes ends the run of typing.
  if (key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END || key == VK_BACK ||
      key == VK_DELETE)
    fCaretPastLiteral = -1;
  if (CalendarShowing() && CalendarKeyDown(key, shift)) return;
  if (SpinKeyDown(key, shift)) return;
  if ((key == VK_LEFT || key == VK_RIGHT) && WithoutShiftKeys(shift) && SelLength() > 1) {
    SetSelStart(key == VK_LEFT ? SelStart() : SelStart() + SelLength() - 1);
    SetSelLength(1);
  }
  TCustomDBEditEh::KeyDown(key, shift);
}

// After the digit that fills an element the mask moves the caret past the literal that
// follows: that literal typed next is the one passed, not a jump past another element.
bool TCustomDBDateTimeEditEh::TypedLiteralJustPassed(char key) {
  const int caret = SelStart();
  return caret == fCaretPastLiteral && static_cast<std::size_t>(caret) <= EditText().size() &&
         EditText()[static_cast<std::size_t>(caret) - 1] == key;
}

void TCustomDBDateTimeEditEh::KeyPress(char& key) {
  const bool literalPassed = IsMasked() && TypedLiteralJustPassed(key);
  fCaretPastLiteral = -1;
  if (literalPassed) {
    key = 0;
    return;
  }
  if (IsMasked() && (key == FormatSettings().DateSeparator || key == FormatSettings().TimeSeparator)) {
    JumpPastSeparator(key);
    key = 0;
    return;
  }
  // The mask refuses characters while the window is read-only, which it is until the
  // link edits: the link starts editing before the mask sees the character.
  if (IsMasked() && static_cast<Byte>(key) >= 32 && !ReadOnly()) DataLink()->Edit();
  const int before = SelStart();
  TDestroyWatch watch(this);
  TCustomDBEditEh::KeyPress(key);
  if (watch.Gone() || !IsMasked()) return;
  const auto caret = static_cast<std::size_t>(SelStart());
  if (static_cast<int>(caret) > before + 1 && caret <= fSpinTemplate.size() &&
      IsLiteralOfTemplate(fSpinTemplate[caret - 1]))
    fCaretPastLiteral = static_cast<int>(caret);
}

bool TCustomDBDateTimeEditEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (TCustomDBEditEh::DoMouseWheelDown(shift, mousePos)) return true;
  if (!WithoutShiftKeys(shift) || !CanSpin()) return false;
  IncDecElement(false);
  return true;
}

bool TCustomDBDateTimeEditEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (TCustomDBEditEh::DoMouseWheelUp(shift, mousePos)) return true;
  if (!WithoutShiftKeys(shift) || !CanSpin()) return false;
  IncDecElement(true);
  return true;
}

// ---- The calendar -----------------------------------------------------------------------

bool TCustomDBDateTimeEditEh::CalendarShowing() const {
  return fCalendar && fCalendar->HandleAllocated() && IsWindowVisible(fCalendar->WindowHandle());
}

void TCustomDBDateTimeEditEh::ButtonDown(bool isDownPart) {
  if (EditButton()->Style() == ebsUpDownEh)
    IncDecElement(!isDownPart);
  else
    TCustomDBEditEh::ButtonDown(isDownPart);
}

void TCustomDBDateTimeEditEh::DropDown() {
  const bool wasOpen = CalendarShowing();
  TCustomDBEditEh::DropDown();
  if (wasOpen) return;
  TDestroyWatch watch(this);
  if (OnDropDown) OnDropDown(this);
  if (watch.Gone()) return;
  if (!fCalendar) {
    fCalendar = new TPopupMonthCalendarEh(this);
    fCalendar->SetParent(this);
  }
  // The day of a date before 1899-12-30 is its whole part: -1.25 is 29 December, 06:00.
  fCalendar->SetDate(std::trunc(IsBlank(fValue) ? Date() : fValue.AsDateTime()));
  HWND calendar = fCalendar->Handle();
  const TPoint at = AlignDropDownWindowEh(this, fCalendar, UseRightToLeftAlignment() ? daRight : daLeft);
  SetWindowPos(calendar, HWND_TOP, at.x, at.y, fCalendar->Width(), fCalendar->Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void TCustomDBDateTimeEditEh::CloseUp(bool accept) {
  if (!CalendarShowing()) {
    TCustomDBEditEh::CloseUp(accept);
    return;
  }
  HWND calendar = fCalendar->WindowHandle();
  if (GetCapture()) ReleaseCapture();
  const HWND focus = GetFocus();
  if (focus == calendar || IsChild(calendar, focus)) SetFocus();
  SetWindowPos(calendar, 0, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  TCustomDBEditEh::CloseUp(accept);
  if (HandleAllocated())
    PostMessage(WindowHandle(), CM_EDITBUTTONRELEASEEH, 0, reinterpret_cast<LPARAM>(ButtonControl(0)));
  TDestroyWatch watch(this);
  if (accept && !ReadOnly() && DataLink()->Edit()) ApplyCalendarDate();
  if (!watch.Gone() && OnCloseUp) OnCloseUp(this, accept);
}

// The chosen day keeps the time of the value.
void TCustomDBDateTimeEditEh::ApplyCalendarDate() {
  Variant value = fValue;
  PartsToValueEh(DateTimeValueToPartsEh(VarFromDateTime(DayWithTimeOfEh(fCalendar->Date(), fValue))),
                 fElements, value, true);
  InternalSetValue(value);
  // The user changed the value: it is written as typing would be.
  TCustomDBEditEh::Change();
  if (Focused()) SelectAll();
}

// A press on the main button dragged into the calendar goes on as a press there.
void TCustomDBDateTimeEditEh::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  TCustomDBEditEh::EditButtonMouseMove(sender, shift, x, y);
  auto* control = dynamic_cast<TControl*>(sender);
  if (!control || !CalendarShowing() || !shift.Contains(ssLeft) || control != ButtonControl(0)) return;
  const TPoint at = fCalendar->ScreenToClient(control->ClientToScreen(TPoint{x, y}));
  if (!PtInRect(fCalendar->ClientRect(), at)) return;
  control->Perform(WM_CANCELMODE, 0, 0);
  if (GetCapture()) ReleaseCapture();
  SendMessage(fCalendar->WindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(at));
}

void TCustomDBDateTimeEditEh::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_ENTER:
      UpdateFourDigitYear();
      break;
    case CM_WANTSPECIALKEY:
      if (CalendarShowing() && (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE)) {
        message.Result = 1;
        return;
      }
      break;
    case CM_MOUSEWHEEL:
      if (CalendarShowing()) {
        fCalendar->Dispatch(message);
        if (message.Result != 0) return;
      }
      break;
    case WM_KILLFOCUS:
      if (CalendarShowing()) {
        const auto next = reinterpret_cast<HWND>(message.WParam);
        if (next != fCalendar->WindowHandle() && !IsChild(fCalendar->WindowHandle(), next)) CloseUp(false);
      }
      break;
    case CM_CANCELMODE:
      if (CalendarShowing()) {
        const auto* sender = reinterpret_cast<TControl*>(message.LParam);
        if (sender != this && sender != fCalendar && !fCalendar->ContainsControl(sender)) CloseUp(false);
      }
      break;
    default:
      break;
  }
  TCustomDBEditEh::Dispatch(message);
}

}  // namespace ordvane

#pragma once
// The date and time edit and the routines behind it: an edit format of the letters D M Y
// (date) and H N S (time) becomes an edit mask and a table of where each element stands in
// the text; the text is read element by element into parts, and parts become a value.

#include <array>
#include <memory>

#include "classlib/core/DateTime.h"
#include "classlib/core/Variants.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/DropDownEh.h"

namespace ordvane {

enum TDateTimeKindEh { dtkDateEh, dtkTimeEh, dtkDateTimeEh, dtkCustomEh };

// The elements in the order of the element table and of the parts.
enum TDateTimeElementEh { dteYearEh, dteMonthEh, dteDayEh, dteHourEh, dteMinuteEh, dteSecondEh };
constexpr int kDateTimeElementCountEh = 6;

struct TDateTimeElementInfoEh {
  int Start = -1;  // 1-based position of the element's first character in the text
  int Length = -1;
  bool Present = false;
};
using TDateTimeElementsEh = std::array<TDateTimeElementInfoEh, kDateTimeElementCountEh>;
// Year, month, day, hour, minute, second; -1 is blank or unreadable.
using TDateTimePartsEh = std::array<int, kDateTimeElementCountEh>;

// The year of the class library's (replaceable) date clock.
Word CurrentYearEh();
// A year below 100 placed within the class library's century window, as every date text
// typed elsewhere is; other years unchanged.
int ExpandTwoDigitYearEh(int year);
// "DD/MM/YYYY", "MM/DD/YYYY" or "YYYY/MM/DD" in the order of the locale's short date
// format (two-digit years without fourDigitYear).
AnsiString DefaultDateFormatEh(bool fourDigitYear);
AnsiString DefaultTimeFormatEh();

// Builds the edit mask of an edit format and fills the element table. A bad format raises
// Exception (an element too long, of a wrong length, or given twice) and changes neither.
void BuildDateTimeMaskEh(const AnsiString& editFormat, TDateTimeElementsEh& elements, AnsiString& mask);
// The class library's date-time format that writes a value as the edit format shows it.
AnsiString DateTimeDisplayFormatEh(const AnsiString& editFormat);
// One character per text position: the element letters and the separators "/" and ":"
// upper-cased, every other literal a space.
AnsiString DateTimeSpinTemplateEh(const AnsiString& editFormat);

// The parts of a text laid out by the element table; only characters inside the text are
// read.
TDateTimePartsEh DateTimeTextToPartsEh(const AnsiString& text, const TDateTimeElementsEh& elements);
// The parts of a value; all -1 for Null.
TDateTimePartsEh DateTimeValueToPartsEh(const Variant& value);
// Puts the parts of the present elements into `value` (the old value, or 1900-01-01 when
// Null). With `adjust` blank or out-of-range parts are completed from today and clamped;
// without, an incomplete or impossible date or time gives Null and false. All parts blank
// give Null and true.
bool PartsToValueEh(TDateTimePartsEh parts, const TDateTimeElementsEh& elements, Variant& value, bool adjust);

// A day chosen in a calendar with the time of day of the old value (none when it is Null);
// a day before 1899-12-30 counts its time forward within the day too.
TDateTime DayWithTimeOfEh(TDateTime day, const Variant& old);

// Steps the element under the caret (0-based) one up or down with wrap-around. False, and
// nothing changed, when there is no element there.
struct TDateTimeSpinEh {
  AnsiString Text;
  int SelStart = 0;
  int SelLength = 0;
};
bool SpinDateTimeElementEh(const AnsiString& text, const AnsiString& spinTemplate, int caret, bool up,
                           TDateTimeSpinEh& result);

// ---- The edit --------------------------------------------------------------------------

// Edits a date, a time or both through a mask built from its edit format; keeps the value
// as a date-time Variant or Null, spins the element under the caret, and drops down a
// month calendar from its main button.
class TCustomDBDateTimeEditEh : public TCustomDBEditEh, public IPopupEditOwnerEh {
  ORDVANE_CLASS(TCustomDBDateTimeEditEh, TCustomDBEditEh)

 public:
  explicit TCustomDBDateTimeEditEh(TComponent* owner);

  TDateTimeKindEh Kind() const { return fKind; }
  void SetKind(TDateTimeKindEh value);
  const AnsiString& EditFormat() const { return fEditFormat; }
  // Makes the kind dtkCustomEh. A bad format raises and leaves the mask as it was.
  void SetEditFormat(const AnsiString& value);
  const TDateTimeElementsEh& Elements() const { return fElements; }
  // The class library's format that writes the value as the edit shows it.
  const AnsiString& DisplayFormat() const { return fDisplayFormat; }
  bool FourDigitYear() const { return fFourDigitYear; }
  // Nil until the calendar first drops down.
  TPopupMonthCalendarEh* Calendar() const { return fCalendar; }
  bool CalendarShowing() const;

  void ValidateEdit() override;
  void Dispatch(TMessage& message) override;
  void SetCaption(const AnsiString& value) override;
  // Hides the calendar; with `accept` its day becomes the value's date.
  void CloseUp(bool accept) override;

  TCloseUpEventEh OnCloseUp;
  TNotifyEvent OnDropDown;

 protected:
  // The main button shows and answers Alt+Down.
  TEditButtonEh* CreateEditButton() override;
  virtual void UpdateFourDigitYear();
  virtual void UpdateMask();
  // Steps the element under the caret; nothing for an unmasked or read-only edit.
  void IncDecElement(bool up);

  void ButtonDown(bool isDownPart) override;
  void DropDown() override;
  void DataChanged() override;
  Variant GetVariantValue() const override;
  void InternalSetText(const AnsiString& text) override;
  void InternalSetValue(const Variant& value) override;
  void UpdateFieldValue() override;
  AnsiString GetPaintText() override;
  void FilterMRUItem(const AnsiString& item, bool& accept) override;
  void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
  void Change() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

 private:
  bool CanSpin();
  // Sets the text without reading it back into the value.
  void ShowText(const AnsiString& text);
  AnsiString TextOfValue(const Variant& value) const;
  // Moves past the next separator typed and selects the element there.
  void JumpPastSeparator(char separator);
  bool TypedLiteralJustPassed(char key);
  bool SpinKeyDown(Word& key, TShiftState shift);
  bool CalendarKeyDown(Word& key, TShiftState shift);
  void ApplyCalendarDate();

  TPopupMonthCalendarEh* fCalendar = nullptr;
  bool fValidating = false;
  bool fSettingOwnText = false;
  // Where typing left the caret after the mask moved it past a literal; -1 otherwise.
  int fCaretPastLiteral = -1;
  TDateTimeKindEh fKind = dtkDateEh;
  Variant fValue;
  AnsiString fEditFormat;
  AnsiString fDisplayFormat;
  AnsiString fSpinTemplate;
  TDateTimeElementsEh fElements{};
  bool fFourDigitYear = false;
};

class TDBDateTimeEditEh : public TCustomDBDateTimeEditEh {
  ORDVANE_CLASS(TDBDateTimeEditEh, TCustomDBDateTimeEditEh)

 public:
  using TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh;
};

}  // namespace ordvane

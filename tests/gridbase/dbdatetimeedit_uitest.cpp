// The date and time edit over the in-memory dataset and standalone: its masks and kinds,
// typing and leaving, text set in code, spinning by keys, wheel and an up-down button,
// jumping by separators, and the drop-down calendar.

#include <gtest/gtest.h>

#include <cmath>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/db/DB.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "tests/gridbase/CalendarPoint.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

class TTestDateEdit : public TDBDateTimeEditEh {
 public:
  using TDBDateTimeEditEh::FilterMRUItem;
  using TDBDateTimeEditEh::TDBDateTimeEditEh;
};

struct DateEditFixture : test::TextControlFixture {
  TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TTestDateEdit* edit = Place<TTestDateEdit>(Rect(10, 10, 200, 31));
  TEdit* other = Place<TEdit>(Rect(10, 60, 200, 81));

  DateEditFixture() {
    SetDateTimeClock([] { return EncodeDate(2026, 5, 14) + EncodeTime(10, 0, 0, 0); });
    data.FieldDefs().Add("D", ftDateTime);
    data.Open();
    data.AppendRecord({VarFromDateTime(EncodeDate(2024, 3, 9) + EncodeTime(8, 30, 0, 0))});
    source.SetDataSet(&data);
  }
  ~DateEditFixture() { SetDateTimeClock(nullptr); }
  void Bind() {
    edit->SetDataSource(&source);
    edit->SetDataField("D");
    ui.Process();
  }
  void Enter(int caret = 0) {
    edit->SetFocus();
    ui.Process();
    edit->SetSelStart(caret);
    edit->SetSelLength(0);
  }
  void Leave() {
    other->SetFocus();
    ui.Process();
  }
  TDateTime Value() const { return edit->Value().AsDateTime(); }
};

TEST(DBDateTimeEdit, KindsAndFormatsGiveTheirMasks) {
  DateEditFixture f;
  EXPECT_EQ(f.edit->EditMask(), "!99/99/9999;1; ");
  EXPECT_EQ(f.edit->EditText(), "  .  .    ");
  f.edit->SetKind(dtkTimeEh);
  EXPECT_EQ(f.edit->EditMask(), "!99:99:99;1; ");
  f.edit->SetKind(dtkDateTimeEh);
  EXPECT_EQ(f.edit->EditFormat(), "DD/MM/YYYY HH:NN:SS");
  f.edit->SetEditFormat("dd.mm.yy");
  EXPECT_EQ(f.edit->Kind(), dtkCustomEh);
  EXPECT_EQ(f.edit->EditMask(), "!99.99.99;1; ");

  // A bad format leaves kind, format and mask as they were.
  EXPECT_THROW(f.edit->SetEditFormat("DDD"), Exception);
  EXPECT_EQ(f.edit->EditFormat(), "dd.mm.yy");
  EXPECT_EQ(f.edit->EditMask(), "!99.99.99;1; ");

  // No format: no mask, and the class library's conversions.
  f.edit->SetEditFormat("");
  EXPECT_FALSE(f.edit->IsMasked());
  f.edit->SetText("09.03.2024 8:30:00");
  EXPECT_EQ(f.Value(), EncodeDate(2024, 3, 9) + EncodeTime(8, 30, 0, 0));
  EXPECT_THROW(f.edit->SetText("someday"), EConvertError);

  // Entering again after the short date format changed to two-digit years.
  f.edit->SetKind(dtkDateEh);
  const AnsiString saved = FormatSettings().ShortDateFormat;
  FormatSettings().ShortDateFormat = "dd.mm.yy";
  f.Enter();
  FormatSettings().ShortDateFormat = saved;
  EXPECT_FALSE(f.edit->FourDigitYear());
  EXPECT_EQ(f.edit->EditMask(), "!99/99/99;1; ");
  EXPECT_EQ(f.edit->EditText(), "09.03.24");
}

TEST(DBDateTimeEdit, TypingGivesAValueOnlyWhenCompleteAndLeavingCompletesIt) {
  DateEditFixture f;
  std::vector<Variant> changes;
  f.edit->OnChange = [&](TObject*) { changes.push_back(f.edit->Value()); };
  f.Enter();
  f.ui.Type("3104");
  EXPECT_TRUE(VarIsNull(f.edit->Value()));
  f.ui.Type("2026");
  EXPECT_TRUE(VarIsNull(f.edit->Value())) << "31 April";
  f.Leave();
  EXPECT_EQ(f.edit->EditText(), "30.04.2026");
  EXPECT_EQ(f.Value(), EncodeDate(2026, 4, 30));
  EXPECT_EQ(f.edit->DataLink()->Value().AsDateTime(), EncodeDate(2026, 4, 30));

  // The application's use: OnChange sees the typed date as Value.
  f.Enter();
  changes.clear();
  f.ui.Type("01022025");
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back().AsDateTime(), EncodeDate(2025, 2, 1));

  // A blank month is completed from today on leaving.
  f.edit->SetText("");
  f.Enter();
  f.ui.Type("07");
  f.Leave();
  EXPECT_EQ(f.Value(), EncodeDate(2026, 5, 7));
}

TEST(DBDateTimeEdit, TextSetInCode) {
  DateEditFixture f;
  f.edit->SetText("01/02/24");
  EXPECT_EQ(f.Value(), EncodeDate(2024, 2, 1));
  try {
    f.edit->SetText("31.02.2024");
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid datetime: \"31.02.2024\"");
  }
  EXPECT_EQ(f.Value(), EncodeDate(2024, 2, 1));
  EXPECT_EQ(f.edit->EditText(), "01.02.2024");
  f.edit->SetValue(Null());
  EXPECT_EQ(f.edit->EditText(), "  .  .    ");
  EXPECT_TRUE(VarIsNull(f.edit->DataLink()->Value()));
}

TEST(DBDateTimeEdit, BoundEditWritesOnlyItsElementsAndBlankAsNull) {
  DateEditFixture f;
  f.edit->SetKind(dtkTimeEh);
  f.Bind();
  EXPECT_EQ(f.edit->EditText(), "08:30:00");
  f.Enter();
  f.ui.Type("1745");
  f.Leave();
  EXPECT_EQ(f.data.FieldByName("D")->AsDateTime(), EncodeDate(2024, 3, 9) + EncodeTime(17, 45, 0, 0));

  f.edit->SetKind(dtkDateEh);
  f.Enter();
  f.ui.Type("01012025");
  f.Leave();
  EXPECT_EQ(f.data.FieldByName("D")->AsDateTime(), EncodeDate(2025, 1, 1) + EncodeTime(17, 45, 0, 0));

  f.Enter();
  f.edit->SelectAll();
  f.ui.Press(VK_DELETE);
  EXPECT_TRUE(VarIsNull(f.edit->Value()));
  f.Leave();
  EXPECT_TRUE(f.data.FieldByName("D")->IsNull());
}

TEST(DBDateTimeEdit, ArrowKeysSpinTheElementUnderTheCaret) {
  DateEditFixture f;
  f.edit->SetValue(VarFromDateTime(EncodeDate(2026, 5, 31)));
  f.Enter(0);
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.edit->EditText(), "01.05.2026");
  EXPECT_EQ(f.Value(), EncodeDate(2026, 5, 1));
  EXPECT_EQ(f.edit->SelStart(), 0);
  EXPECT_EQ(f.edit->SelLength(), 2);
  // Just before the locale's date separator the month spins.
  f.Enter(2);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.edit->EditText(), "01.04.2026");
  // At the end of the text nothing spins.
  f.Enter(10);
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.edit->EditText(), "01.04.2026");
  // A literal "." of a custom format is no separator.
  f.edit->SetEditFormat("DD.MM.YYYY");
  f.Enter(2);
  f.ui.Press(VK_UP);
  EXPECT_EQ(f.edit->EditText(), "01.04.2026");
  f.edit->SetKind(dtkTimeEh);
  f.edit->SetValue(VarFromDateTime(EncodeTime(10, 0, 0, 0)));
  f.Enter(3);
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.edit->EditText(), "10:59:00");
  // OnKeyDown may take the key first.
  f.edit->OnKeyDown = [](TObject*, Word& key, TShiftState) { key = 0; };
  f.ui.Press(VK_DOWN);
  EXPECT_EQ(f.edit->EditText(), "10:59:00");
}

TEST(DBDateTimeEdit, WheelAndUpDownButtonSpinButNotReadOnly) {
  DateEditFixture f;
  f.edit->SetValue(VarFromDateTime(EncodeDate(2026, 5, 14)));
  f.Enter(7);
  f.ui.MoveTo(f.edit, {20, 5});
  f.ui.Wheel(1);
  EXPECT_EQ(f.edit->EditText(), "14.05.2027");
  f.ui.Wheel(-2);
  EXPECT_EQ(f.edit->EditText(), "14.05.2025");

  f.edit->EditButton()->SetStyle(ebsUpDownEh);
  f.ui.Process();
  TEditButtonControlEh* button = f.edit->ButtonControl(0);
  f.edit->SetSelStart(0);
  f.ui.Click(button, {button->Width() / 2, 2});
  EXPECT_EQ(f.edit->EditText(), "15.05.2025");
  f.edit->SetSelStart(0);
  f.ui.Click(button, {button->Width() / 2, button->Height() - 3});
  EXPECT_EQ(f.edit->EditText(), "14.05.2025");

  f.edit->SetReadOnly(true);
  f.Enter(0);
  f.ui.Press(VK_UP);
  f.ui.Wheel(1);
  EXPECT_EQ(f.edit->EditText(), "14.05.2025");
}

TEST(DBDateTimeEdit, SeparatorsJumpToTheNextElementAndArrowsCollapse) {
  DateEditFixture f;
  f.edit->SetValue(VarFromDateTime(EncodeDate(2026, 5, 14) + EncodeTime(10, 20, 30, 0)));
  f.Enter(0);
  f.ui.Type(".");
  EXPECT_EQ(f.edit->SelStart(), 3);
  EXPECT_EQ(f.edit->SelLength(), 2);
  EXPECT_EQ(f.edit->EditText(), "14.05.2026") << "nothing typed";
  f.ui.Type(".");
  EXPECT_EQ(f.edit->SelStart(), 6);
  EXPECT_EQ(f.edit->SelLength(), 4);
  f.ui.Type(".");
  EXPECT_EQ(f.edit->SelStart(), 0) << "no separator after the caret";

  // The length is the run in the control's own format, not in the default date format.
  f.edit->SetKind(dtkDateTimeEh);
  f.Enter(11);
  f.ui.Type(":");
  EXPECT_EQ(f.edit->SelStart(), 14);
  EXPECT_EQ(f.edit->SelLength(), 2);
  f.ui.Type(":");
  EXPECT_EQ(f.edit->SelStart(), 17);
  EXPECT_EQ(f.edit->SelLength(), 2);
  f.edit->SetKind(dtkTimeEh);
  f.Enter(0);
  f.ui.Type(":");
  EXPECT_EQ(f.edit->SelStart(), 3);
  EXPECT_EQ(f.edit->SelLength(), 2);

  // A longer selection first collapses to its last (Right) or first (Left) character.
  f.edit->SetSelStart(3);
  f.edit->SetSelLength(2);
  f.ui.Press(VK_RIGHT);
  EXPECT_EQ(f.edit->SelStart(), 6);
  f.edit->SetSelStart(3);
  f.edit->SetSelLength(2);
  f.ui.Press(VK_LEFT);
  EXPECT_EQ(f.edit->SelStart(), 1);

  // Trailing blanks and separators are no part of what is matched.
  f.edit->SetKind(dtkDateEh);
  f.edit->SelectAll();
  f.ui.Press(VK_DELETE);
  f.ui.Type("1405");
  ASSERT_EQ(f.edit->EditText(), "14.05.    ");
  bool accept = false;
  f.edit->FilterMRUItem("14.05.2026", accept);
  EXPECT_TRUE(accept);
  f.edit->FilterMRUItem("14.06.2026", accept);
  EXPECT_FALSE(accept);
}

}  // namespace
}  // namespace ordvane

namespace ordvane {
namespace {

TRect ScreenRect(TWinControl* control) {
  TRect r;
  GetWindowRect(control->Handle(), r);
  return r;
}

// One notch moves the open calendar one day however the wheel sends it; a wheel that
// reports no turn moves nothing.
TEST(DBDateTimeEditCalendar, OneNotchOneDayInWholeOrInParts) {
  DateEditFixture f;
  f.Enter();
  f.ui.Press(VK_DOWN, TShiftState{ssAlt});
  ASSERT_TRUE(f.edit->CalendarShowing());
  f.ui.MoveTo(f.edit, {20, 5});
  const TDateTime start = f.edit->Calendar()->Date();
  f.ui.WheelBy(0);
  EXPECT_EQ(f.edit->Calendar()->Date(), start);
  int notches = 0;
  for (int parts : {1, 3, 8}) {
    SCOPED_TRACE(parts);
    for (int i = 0; i < parts; ++i) f.ui.WheelBy(-WHEEL_DELTA / parts);
    ++notches;
    EXPECT_EQ(f.edit->Calendar()->Date(), start + notches);
  }
  f.ui.WheelBy(WHEEL_DELTA / 2);
  EXPECT_EQ(f.edit->Calendar()->Date(), start + notches) << "half a notch";
  f.ui.WheelBy(WHEEL_DELTA / 2);
  EXPECT_EQ(f.edit->Calendar()->Date(), start + notches - 1);
  EXPECT_EQ(f.edit->EditText(), "  .  .    ") << "the edit's element did not step";
}

TEST(DBDateTimeEditCalendar, DropsWithTheValueOrTodayAndKeepsTheTime) {
  DateEditFixture f;
  f.Enter();
  f.ui.Press(VK_DOWN, TShiftState{ssAlt});
  ASSERT_TRUE(f.edit->CalendarShowing());
  EXPECT_EQ(f.edit->Calendar()->Date(), EncodeDate(2026, 5, 14)) << "today for Null";
  EXPECT_TRUE(f.edit->Focused()) << "shown without activation";
  EXPECT_EQ(ScreenRect(f.edit->Calendar()).top, ScreenRect(f.edit).bottom);
  // The wheel goes to the open calendar, not to the element under the caret.
  f.ui.MoveTo(f.edit, {20, 5});
  f.ui.Wheel(-1);
  EXPECT_EQ(f.edit->Calendar()->Date(), EncodeDate(2026, 5, 15));
  EXPECT_EQ(f.edit->EditText(), "  .  .    ");
  f.ui.Press(VK_ESCAPE);
  EXPECT_FALSE(f.edit->CalendarShowing());
  EXPECT_TRUE(VarIsNull(f.edit->Value()));

  // A chosen day keeps the time of the value, also before 1899-12-30.
  int closes = 0;
  f.edit->OnCloseUp = [&](TObject*, bool accept) { closes += accept ? 10 : 1; };
  for (TDateTime value : {EncodeDate(2024, 3, 9) + EncodeTime(8, 30, 0, 0), -1.25}) {
    SCOPED_TRACE(value);
    f.edit->SetKind(dtkDateTimeEh);
    f.edit->SetValue(VarFromDateTime(value));
    f.Enter();
    f.ui.Press(VK_DOWN, TShiftState{ssAlt});
    EXPECT_EQ(f.edit->Calendar()->Date(), std::trunc(value));
    // A day on and a month on, or a day back and a month back.
    const bool back = value < 0;
    f.ui.Press(back ? VK_LEFT : VK_RIGHT);
    f.ui.Press(back ? VK_PRIOR : VK_NEXT);
    f.ui.Press(VK_RETURN);
    EXPECT_FALSE(f.edit->CalendarShowing());
    const TDateTime day = IncMonth(std::trunc(value) + (back ? -1 : 1), back ? -1 : 1);
    EXPECT_EQ(f.Value(), back ? day - 0.25 : day + EncodeTime(8, 30, 0, 0));
    EXPECT_EQ(f.edit->SelLength(), static_cast<int>(f.edit->EditText().size()));
  }
  EXPECT_EQ(closes, 20);
  f.Leave();
  EXPECT_EQ(f.edit->DataLink()->Value().AsDateTime(), f.Value()) << "written like typing";
}

TEST(DBDateTimeEditCalendar, OpensAboveWithoutRoomAndClosesWhenFocusLeaves) {
  DateEditFixture f;
  const TRect work = Screen->WorkAreaRect();
  f.form->SetBounds(100, work.bottom - 80, 300, 70);
  f.ui.Process();
  f.Enter();
  f.ui.Press(VK_DOWN, TShiftState{ssAlt});
  ASSERT_TRUE(f.edit->CalendarShowing());
  EXPECT_EQ(ScreenRect(f.edit->Calendar()).bottom, ScreenRect(f.edit).top);
  f.Leave();
  EXPECT_FALSE(f.edit->CalendarShowing());
  EXPECT_TRUE(VarIsNull(f.edit->Value()));
}

TEST(DBDateTimeEditCalendar, APressDraggedFromTheButtonGoesOnInTheCalendar) {
  DateEditFixture f;
  f.edit->SetKind(dtkDateTimeEh);
  f.edit->SetValue(VarFromDateTime(EncodeDate(2026, 3, 11) + EncodeTime(12, 0, 0, 0)));
  f.Enter();
  TEditButtonControlEh* button = f.edit->ButtonControl(0);
  f.ui.Press(button, {5, 5});
  ASSERT_TRUE(f.edit->CalendarShowing());
  TPopupMonthCalendarEh* calendar = f.edit->Calendar();
  const TPoint day = test::CalendarPoint(calendar, MCHT_CALENDARDATE);
  f.ui.MoveToScreen(calendar->ClientToScreen(day));
  f.ui.ReleaseAtScreen(calendar->ClientToScreen(day));
  EXPECT_FALSE(f.edit->CalendarShowing());
  EXPECT_EQ(f.Value(), calendar->Date() + EncodeTime(12, 0, 0, 0));
  EXPECT_NE(calendar->Date(), EncodeDate(2026, 3, 11));
  EXPECT_FALSE(button->Down());
}

}  // namespace
}  // namespace ordvane

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "import/SMIDateMask.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

class DateMaskTest : public ::testing::Test {
 protected:
  // "Today" is fixed, so the two-digit-year window has a known place.
  DateMaskTest() {
    SetDateTimeClock([] { return EncodeDate(2026, 6, 15); });
  }
  ~DateMaskTest() override { SetDateTimeClock(nullptr); }

  // The date as "yyyy-mm-dd hh:nn:ss", or "0" when the routine gives 0.
  std::string Read(const std::string& text, const std::string& mask) {
    const TDateTime value = DateTimeFromMask(Utf8ToAnsi(text), mask, settings);
    if (value == 0) return "0";
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", value);
  }

  TFormatSettings settings;
};

TEST_F(DateMaskTest, NumbersByPosition) {
  EXPECT_EQ(Read("05.03.2021", "DD.MM.YYYY"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("5.3.2021", "DD.MM.YYYY"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("05/03/2021", "DD.MM.YYYY"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("03/05/2021", "mm/dd/yyyy"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("2021-03-05", "YYYY-MM-DD"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("05032021", "DDMMYYYY"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("20210305143015", "YYYYMMDDHHNNSS"), "2021-03-05 14:30:15");
  EXPECT_EQ(Read("05.03.2021 14:30:15", "DD.MM.YYYY HH:NN:SS"), "2021-03-05 14:30:15");
  EXPECT_EQ(Read("2021-03-05T14:30:15", "YYYY-MM-DDTHH:NN:SS"), "2021-03-05 14:30:15");
  EXPECT_EQ(Read("2021-03-05T14:30:15", "YYYY-MM-DD THH:NN:SS"), "2021-03-05 14:30:15");
  EXPECT_EQ(Read("2021-03-05 14:30:15", "YYYY-MM-DD THH:NN:SS"), "2021-03-05 14:30:15");
  // The text may stop where the time begins.
  EXPECT_EQ(Read("05.03.2021", "DD.MM.YYYY HH:NN:SS"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.2021 14:30", "DD.MM.YYYY HH:NN:SS"), "2021-03-05 14:30:00");
  EXPECT_EQ(Read("14:30:15", "HH:NN:SS"), "1899-12-30 14:30:15");
  // Before 30 December 1899 the time of day still counts forward.
  EXPECT_EQ(Read("01.01.1800 06:00", "DD.MM.YYYY HH:NN"), "1800-01-01 06:00:00");
}

TEST_F(DateMaskTest, TwelveHourClock) {
  EXPECT_EQ(Read("03/05/2021 02:30 PM", "MM/DD/YYYY HH:NN"), "2021-03-05 14:30:00");
  EXPECT_EQ(Read("03/05/2021 12:30 pm", "MM/DD/YYYY HH:NN"), "2021-03-05 12:30:00");
  EXPECT_EQ(Read("03/05/2021 12:30 AM", "MM/DD/YYYY HH:NN"), "2021-03-05 00:30:00");
  EXPECT_EQ(Read("03/05/2021 09:30 AM", "MM/DD/YYYY HH:NN"), "2021-03-05 09:30:00");
}

TEST_F(DateMaskTest, EnglishMonthNames) {
  EXPECT_EQ(Read("05-JAN-2021", "DD-MMM-YYYY"), "2021-01-05 00:00:00");
  EXPECT_EQ(Read("5 january 2021", "D MMMM YYYY"), "2021-01-05 00:00:00");
  EXPECT_EQ(Read("December 31, 1999", "MMMM DD, YYYY"), "1999-12-31 00:00:00");
  EXPECT_EQ(Read("05-Sept-2021", "DD-MMM-YYYY"), "2021-09-05 00:00:00");
  EXPECT_EQ(Read("05-XYZ-2021", "DD-MMM-YYYY"), "0");
}

TEST_F(DateMaskTest, UkrainianMonthNames) {
  EXPECT_EQ(Read("05 Січ 2021", "DD MMM YYYY"), "2021-01-05 00:00:00");
  EXPECT_EQ(Read("05 листопад 2021", "DD MMMM YYYY"), "2021-11-05 00:00:00");
  EXPECT_EQ(Read("05 ЛЮТОГО 2021", "DD MMMM YYYY"), "2021-02-05 00:00:00");
  EXPECT_EQ(Read("5 січня 2021", "D MMMM YYYY"), "2021-01-05 00:00:00");
  EXPECT_EQ(Read("05 груд. 2021", "DD MMM YYYY"), "2021-12-05 00:00:00");
  EXPECT_EQ(Read("05 Вер 2021", "DD-MMM-YYYY"), "2021-09-05 00:00:00");
  // With UTF-8 as the ANSI code page the names are UTF-8 too.
  test::AnsiCodePageScope utf8(CP_UTF8);
  TFormatSettings utf8Settings;
  EXPECT_EQ(DateTimeFromMask("05 жовтня 2021", "DD MMMM YYYY", utf8Settings), EncodeDate(2021, 10, 5));
}

TEST_F(DateMaskTest, TwoDigitYearsFollowTheWindow) {
  // Today is 2026 and the window 50 years: two-digit years fall in 1976 .. 2075.
  EXPECT_EQ(Read("05.03.76", "DD.MM.YYYY"), "1976-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.75", "DD.MM.YY"), "2075-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.21", "DD.MM.YY"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.5", "DD.MM.YY"), "2005-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.0075", "DD.MM.YYYY"), "0075-03-05 00:00:00");
  settings.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(Read("05.03.76", "DD.MM.YY"), "2076-03-05 00:00:00");
  EXPECT_EQ(Read("05.03.99", "DD.MM.YY"), "2099-03-05 00:00:00");
}

TEST_F(DateMaskTest, UnreadableTextGivesZero) {
  EXPECT_EQ(Read("", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("abc", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("31.02.2021", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("05.13.2021", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("05.03", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("05.03.2021 xyz", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("05.03.2021 25:00", "DD.MM.YYYY HH:NN"), "0");
  EXPECT_EQ(Read("05.03.2021 Z10:00", "DD.MM.YYYY THH:NN"), "0");
  // A long run of digits is refused, not wrapped into a valid day.
  EXPECT_EQ(Read("000000065541.03.2021", "DD.MM.YYYY"), "0");
  EXPECT_EQ(Read("05.03.2021 65560:00", "DD.MM.YYYY HH:NN"), "0");
  EXPECT_EQ(Read("Прізвище", "DD.MM.YYYY"), "0");
  // A run of one field letter followed by another field reads at most the digits the
  // field holds; what does not fit the field is refused.
  EXPECT_EQ(Read("6666615050", "HHHHHHHHHHD"), "0");
  EXPECT_EQ(Read("99999999999999", "YYYYYYYYYYM"), "0");
  EXPECT_EQ(Read("20210305", "YYYYYYYYYYMMDD"), "2021-03-05 00:00:00");
  EXPECT_EQ(Read("0503202114", "DDDDMMYYYYYYHH"), "2021-03-05 14:00:00");
}

}  // namespace
}  // namespace ordvane

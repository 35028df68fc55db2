#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {

// Fixes "now" for the duration of a test.
class FixedClock {
 public:
  explicit FixedClock(TDateTime now) {
    SetDateTimeClock([now] { return now; });
  }
  ~FixedClock() { SetDateTimeClock(nullptr); }
};

std::string Ymd(Word y, Word m, Word d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", y, m, d);
  return text;
}

TEST(DateTime, EncodeDecodeBoundaries) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1);  // 1900 is no leap year
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2);
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  for (auto [y, m, d] : {std::tuple{0, 1, 1}, {10000, 1, 1}, {2026, 13, 1}, {2026, 4, 31}, {2026, 1, 0}}) {
    TDateTime date = 7;
    EXPECT_FALSE(TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date));
    EXPECT_EQ(date, 7);
  }
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / MSecsPerDay);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);

  Word y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);  // the day before 30 December 1899, 06:00
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(Ymd(y, m, d), "1899-12-29");
  EXPECT_EQ(h, 6);
  DecodeDate(-693594.5, y, m, d);  // before year 1
  EXPECT_EQ(Ymd(y, m, d), "0000-00-00");
  DecodeDate(2958466, y, m, d);  // after 9999
  EXPECT_EQ(Ymd(y, m, d), "0000-00-00");
  DecodeDate(2e9, y, m, d);  // far beyond: no year that wraps around
  EXPECT_EQ(Ymd(y, m, d), "0000-00-00");
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ((std::vector<Word>{h, n, s, ms}), (std::vector<Word>{13, 45, 30, 250}));
  DecodeTime(0.9999999999, h, n, s, ms);  // rounds to the next midnight's time of day
  EXPECT_EQ(h, 0);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
}

// Calendar arithmetic against the system's date command, from year 1 to 9999.
TEST(DateTime, CalendarAgreesWithDateCommand) {
  std::mt19937 random(17);
  std::uniform_int_distribution<int> days(-693593, 2958465);
  std::vector<int> numbers = {-693593, 2958465, -1, 0, 1, 59, 60, 61, 36525, -36522};
  for (int i = 0; i < 300; ++i) numbers.push_back(days(random));
  char path[] = "/tmp/ordvane_dates_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  {
    FILE* out = fdopen(fd, "w");
    for (int n : numbers) std::fprintf(out, "1899-12-30 %+d days\n", n);
    std::fclose(out);
  }
  std::string command = std::string("date -u -f ") + path + " '+%Y-%m-%d %u'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  char line[64];
  for (int n : numbers) {
    ASSERT_NE(std::fgets(line, sizeof line, pipe.get()), nullptr);
    std::string expected(line, 10);
    int isoWeekday = line[11] - '0';  // 1 Monday .. 7 Sunday
    // Six in the evening of day n: before 1899 the time of day counts away from zero.
    const TDateTime evening = n >= 0 ? n + 0.75 : n - 0.75;
    Word y, m, d;
    DecodeDate(evening, y, m, d);
    EXPECT_EQ(Ymd(y, m, d), expected) << n;
    EXPECT_EQ(EncodeDate(y, m, d), n) << n;
    EXPECT_EQ(DayOfWeek(evening), isoWeekday % 7 + 1) << n;
  }
  std::remove(path);
}

// Every day from 1 January of year 1 to 31 December 9999, against the standard library's
// civil calendar.
TEST(DateTime, EveryDayAgreesWithCivilCalendar) {
  using namespace std::chrono;
  const sys_days firstDay = year_month_day{year{1}, January, day{1}};
  for (Integer number = 1; number <= 3652059; ++number) {
    const year_month_day expected{firstDay + days{number - 1}};
    Word y, m, d;
    DecodeDate(number - DateDelta, y, m, d);
    if (static_cast<int>(expected.year()) != y || static_cast<unsigned>(expected.month()) != m ||
        static_cast<unsigned>(expected.day()) != d)
      FAIL() << number << ": " << Ymd(y, m, d);
  }
}

TEST(DateTime, TimeStamps) {
  TTimeStamp ts = DateTimeToTimeStamp(0);
  EXPECT_EQ(ts.Date, DateDelta);
  EXPECT_EQ(ts.Time, 0);
  ts = DateTimeToTimeStamp(-1.5);
  EXPECT_EQ(ts.Date, DateDelta - 1);
  EXPECT_EQ(ts.Time, MSecsPerDay / 2);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.5);
  ts = DateTimeToTimeStamp(1.5);
  EXPECT_EQ(ts.Date, DateDelta + 1);
  EXPECT_EQ(TimeStampToDateTime(ts), 1.5);
  EXPECT_EQ(TimeStampToDateTime(TTimeStamp{0, 1}), -693593);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeTime(0, 0, 0, 1)).Time, 1);
  try {
    TimeStampToDateTime(TTimeStamp{5, 0});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'0.5' is not a valid timestamp");
  }
  EXPECT_THROW(TimeStampToMSecs(TTimeStamp{MSecsPerDay, 1}), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(-1), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(NAN), EInvalidOp);
  EXPECT_THROW(DateTimeToTimeStamp(INFINITY), EInvalidOp);
  EXPECT_THROW(DateTimeToTimeStamp(3e10), EInvalidOp);  // the day count needs more than 32 bits

  std::mt19937_64 random(23);
  std::uniform_int_distribution<Int64> msecs(MSecsPerDay, 2958466LL * MSecsPerDay + DateDelta * Int64(MSecsPerDay) - 1);
  for (int i = 0; i < 1000; ++i) {
    Int64 value = msecs(random) % (3652059LL * MSecsPerDay) + MSecsPerDay;
    TTimeStamp stamp = MSecsToTimeStamp(value);
    EXPECT_EQ(TimeStampToMSecs(stamp), value);
    TTimeStamp back = DateTimeToTimeStamp(TimeStampToDateTime(stamp));
    EXPECT_EQ(back.Date, stamp.Date);
    EXPECT_EQ(back.Time, stamp.Time);
  }
}

TEST(DateTime, IncMonthKeepsTimeAndHoldsTheDay) {
  struct Case {
    TDateTime from;
    Integer months;
    TDateTime to;
  } cases[] = {
      {EncodeDate(2024, 1, 31), 1, EncodeDate(2024, 2, 29)},
      {EncodeDate(2023, 1, 31), 1, EncodeDate(2023, 2, 28)},
      {EncodeDate(2024, 2, 29), 12, EncodeDate(2025, 2, 28)},
      {EncodeDate(2024, 3, 31), -1, EncodeDate(2024, 2, 29)},
      {EncodeDate(2024, 1, 15), -13, EncodeDate(2022, 12, 15)},
      {EncodeDate(2024, 12, 15), 1, EncodeDate(2025, 1, 15)},
      {EncodeDate(2024, 5, 10) + 0.25, 0, EncodeDate(2024, 5, 10) + 0.25},
      {-1.25, 1, EncodeDate(1900, 1, 29) + 0.25},
      {EncodeDate(1900, 1, 29) + 0.25, -1, -1.25},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(IncMonth(c.from, c.months), c.to) << c.from << " " << c.months;
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
  EXPECT_THROW(IncMonth(0, INT32_MIN), EConvertError);
}

TEST(DateTime, ClockCanBeFixed) {
  const TDateTime fixed = EncodeDate(2026, 3, 5) + EncodeTime(14, 7, 9, 45);
  {
    FixedClock clock(fixed);
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), EncodeDate(2026, 3, 5));
    EXPECT_NEAR(Time(), EncodeTime(14, 7, 9, 45), 1e-9);
    EXPECT_EQ(CurrentYear(), 2026);
  }
  // The system clock again: within two days of the C library's idea of today.
  const TDateTime unixNow = std::time(nullptr) / 86400.0 + UnixDateDelta;
  EXPECT_NEAR(Now(), unixNow, 2.0);
}

constexpr TDateTime kSample = 46086 + (14 * 3600000.0 + 7 * 60000 + 9045) / MSecsPerDay;  // 5.3.2026, a Thursday

TEST(FormatDateTime, SampleIsTheFifthOfMarch) {
  EXPECT_DOUBLE_EQ(kSample, EncodeDate(2026, 3, 5) + EncodeTime(14, 7, 9, 45));
}

TEST(FormatDateTime, Letters) {
  struct Case {
    const char* format;
    AnsiString text;
  } cases[] = {
      {"dd.mm.yyyy", "05.03.2026"},
      {"d/m/yy", "5.3.26"},
      {"yyyy-mm-dd hh:nn:ss.zzz", "2026-03-05 14:07:09.045"},
      {"h:mm", "14:07"},          // m right after an hour is minutes
      {"hh'h'mm", "14h07"},
      {"hh:mm am/pm", "02:07 pm"},
      {"h A/P", "2 P"},
      {"HH AM/PM", "02 PM"},
      {"hh ampm|", "02 |"},  // 12-hour clock, but the workstation has no designators
      {"ddd, dddd", Utf8ToAnsi("Чт, четвер")},
      {"mmm mmmm", Utf8ToAnsi("Бер березень")},
      {"aaa", Utf8ToAnsi("Чт")},
      {"c", "05.03.2026 14:07:09"},
      {"", "05.03.2026 14:07:09"},
      {"ddddd", "05.03.2026"},
      {"dddddd", Utf8ToAnsi("5 березень 2026 р.")},
      {"t|tt", "14:07|14:07:09"},
      {"'yyyy' yyyy \"d\"d", "yyyy 2026 d5"},
      {"z|zz|zzz", "45|45|045"},
      {"y|yyy", "26|2026"},
      {"n:s", "7:9"},
      {"'unclosed", "unclosed"},
      {"x?", "x?"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, kSample), c.text) << c.format;
}

TEST(FormatDateTime, DefaultFormsAndBoundaries) {
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 5)), "05.03.2026");  // no time at midnight
  EXPECT_EQ(DateTimeToStr(0), "30.12.1899");
  EXPECT_EQ(DateTimeToStr(-1.25), "29.12.1899 06:00:00");
  EXPECT_EQ(DateTimeToStr(EncodeDate(1, 1, 1)), "01.01.0001");
  EXPECT_EQ(DateTimeToStr(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 0)), "31.12.9999 23:59:59");
  EXPECT_EQ(DateToStr(EncodeDate(2024, 2, 29) + 0.5), "29.02.2024");
  EXPECT_EQ(TimeToStr(0.5), "12:00:00");
  AnsiString text;
  DateTimeToString(text, "yyyy", kSample);
  EXPECT_EQ(text, "2026");

  TFormatSettings us;
  us.ShortDateFormat = "m/d/yyyy";
  us.DateSeparator = '-';
  us.LongTimeFormat = "h:nn:ss ampm";
  us.TimeAMString = "AM";
  us.TimePMString = "PM";
  EXPECT_EQ(DateTimeToStr(kSample, us), "3-5-2026 2:07:09 PM");
  us.ShortDateFormat = "c";  // names itself: no endless nesting
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 3, 5), us), "");
}

TEST(StrToDate, ShortDateFormatAndCenturyWindow) {
  FixedClock clock(kSample);
  struct Case {
    const char* text;
    TDateTime date;
  } cases[] = {
      {"05.03.2026", EncodeDate(2026, 3, 5)},
      {"5.3.26", EncodeDate(2026, 3, 5)},
      {"5.3.76", EncodeDate(1976, 3, 5)},    // window of 50 years from 2026: 1976 .. 2075
      {"5.3.75", EncodeDate(2075, 3, 5)},
      {"5.3.5", EncodeDate(2005, 3, 5)},
      {"05.03.005", EncodeDate(5, 3, 5)},    // three digits: taken as written
      {"05.03.0001", EncodeDate(1, 3, 5)},
      {"5.3", EncodeDate(2026, 3, 5)},       // the current year
      {" 05 . 03 . 2026 ", EncodeDate(2026, 3, 5)},
      {"05.03.2026.", EncodeDate(2026, 3, 5)},
      {"29.02.2024", EncodeDate(2024, 2, 29)},
      {"31.12.1899", 1},
      {"01.01.1800", EncodeDate(1800, 1, 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToDate(c.text), c.date) << c.text;
  for (const char* bad : {"", "29.02.2023", "31.04.2026", "05-03-2026", "12345.1.1", "5", "5.3.2026 x",
                          "00.01.2026", "1.1.10000"}) {
    TDateTime value = 42;
    EXPECT_FALSE(TryStrToDate(bad, value)) << bad;
    EXPECT_EQ(value, 42);
  }
  try {
    StrToDate("31.02.2026");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31.02.2026' is not a valid date");
  }
  TFormatSettings iso;
  iso.ShortDateFormat = "yyyy/mm/dd";
  iso.DateSeparator = '/';
  EXPECT_EQ(StrToDate("2026/3/5", iso), EncodeDate(2026, 3, 5));
  TFormatSettings us;
  us.ShortDateFormat = "m/d/yyyy";
  us.DateSeparator = '/';
  EXPECT_EQ(StrToDate("3/5/2026", us), EncodeDate(2026, 3, 5));
  EXPECT_EQ(StrToDate("3/5", us), EncodeDate(2026, 3, 5));
}

TEST(StrToTime, HoursMinutesSecondsAndDesignators) {
  struct Case {
    const char* text;
    TDateTime time;
  } cases[] = {
      {"14:07", EncodeTime(14, 7, 0, 0)},
      {"14:07:09,045", EncodeTime(14, 7, 9, 45)},
      {"14:07:09,5", EncodeTime(14, 7, 9, 5)},  // the digits after the separator are milliseconds
      {"9", EncodeTime(9, 0, 0, 0)},
      {"2:07 PM", EncodeTime(14, 7, 0, 0)},
      {"pm 2:07", EncodeTime(14, 7, 0, 0)},
      {"12:00 AM", 0},
      {"12 PM", 0.5},
      {" 23:59:59 ", EncodeTime(23, 59, 59, 0)},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(StrToTime(c.text), c.time) << c.text;
  for (const char* bad : {"", "24:00", "13 PM", "0 AM", "12:60", "12:", "1:2:3:4", "12:00:00,1000", "x"}) {
    TDateTime value = 42;
    EXPECT_FALSE(TryStrToTime(bad, value)) << bad;
  }
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
}

TEST(StrToDateTime, DateWithOptionalTime) {
  FixedClock clock(kSample);
  EXPECT_DOUBLE_EQ(StrToDateTime("05.03.2026 14:07:09"), EncodeDate(2026, 3, 5) + EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime("05.03.2026"), EncodeDate(2026, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);  // before 1899 the time counts down
  TDateTime value = 42;
  EXPECT_FALSE(TryStrToDateTime("05.03.2026 14:07xyz", value));  // nothing left unread
  EXPECT_FALSE(TryStrToDateTime("05.03.2026 25:00", value));
  EXPECT_EQ(value, 42);
  try {
    StrToDateTime("soon");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'soon' is not a valid date and time");
  }
}

TEST(StrToDateTime, RoundTripsThroughText) {
  FixedClock clock(kSample);
  std::mt19937_64 random(31);
  std::uniform_int_distribution<Int64> msecs(Int64(1) * MSecsPerDay, 3652059LL * MSecsPerDay);
  for (int i = 0; i < 1000; ++i) {
    const TDateTime value = TimeStampToDateTime(MSecsToTimeStamp(msecs(random)));
    const AnsiString text = FormatDateTime("dd.mm.yyyy hh:nn:ss,zzz", value);
    const TTimeStamp expected = DateTimeToTimeStamp(value);
    const TTimeStamp back = DateTimeToTimeStamp(StrToDateTime(text));
    EXPECT_EQ(back.Date, expected.Date) << text;
    EXPECT_EQ(back.Time, expected.Time) << text;
  }
}

}  // namespace
}  // namespace ordvane

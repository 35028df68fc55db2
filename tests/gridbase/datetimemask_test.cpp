// The date and time edit's routines: masks and element tables of edit formats, the format
// errors, the display format and spin template, two-digit years, text to parts, parts to
// values against Python's calendar, and stepping an element.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/StrUtils.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "tests/classlib/PythonOracle.h"

namespace ordvane {
namespace {

// Today is 2026-05-14 10:00 for the length of a test.
struct Today2026 {
  Today2026() {
    SetDateTimeClock([] { return EncodeDate(2026, 5, 14) + EncodeTime(10, 0, 0, 0); });
  }
  ~Today2026() { SetDateTimeClock(nullptr); }
};

std::vector<std::string> DaysOracle(const std::vector<std::string>& input) {
  return test::RunPythonOracleAt(test::SourcePath("tests/gridbase/oracles/datetime_days.py"), input);
}

TDateTimeElementsEh ElementsOf(const AnsiString& format) {
  TDateTimeElementsEh elements;
  AnsiString mask;
  BuildDateTimeMaskEh(format, elements, mask);
  return elements;
}

TEST(DateTimeMask, FormatsBecomeMasksAndElementTables) {
  const struct {
    const char* format;
    const char* mask;
    std::vector<std::pair<int, int>> elements;  // start, length per element (-1: absent)
  } cases[] = {
      {"DD/MM/YYYY", "!99/99/9999;1; ", {{7, 4}, {4, 2}, {1, 2}, {-1, -1}, {-1, -1}, {-1, -1}}},
      {"HH:NN", "!99:99;1; ", {{-1, -1}, {-1, -1}, {-1, -1}, {1, 2}, {4, 2}, {-1, -1}}},
      {"dd.mm.yy", "!99.99.99;1; ", {{7, 2}, {4, 2}, {1, 2}, {-1, -1}, {-1, -1}, {-1, -1}}},
      {"YYYY/MM/DD HH:NN:SS", "!9999/99/99 99:99:99;1; ", {{1, 4}, {6, 2}, {9, 2}, {12, 2}, {15, 2}, {18, 2}}},
      // Mask characters and escaped letters are literals of one position each.
      {"\\D\\a DD!#0;<>ACLacl", "!D\\a 99\\!\\#\\0\\;\\<\\>\\A\\C\\L\\a\\c\\l;1; ",
       {{-1, -1}, {-1, -1}, {4, 2}, {-1, -1}, {-1, -1}, {-1, -1}}},
      // An escaped backslash is a literal backslash, so the elements after it stay in place.
      {"DD\\\\MM", "!99\\\\99;1; ", {{-1, -1}, {4, 2}, {1, 2}, {-1, -1}, {-1, -1}, {-1, -1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TDateTimeElementsEh elements;
    AnsiString mask;
    BuildDateTimeMaskEh(c.format, elements, mask);
    EXPECT_EQ(mask, c.mask);
    for (std::size_t e = 0; e < elements.size(); ++e) {
      EXPECT_EQ(elements[e].Start, c.elements[e].first) << e;
      EXPECT_EQ(elements[e].Length, c.elements[e].second) << e;
      EXPECT_EQ(elements[e].Present, c.elements[e].first > 0) << e;
    }
  }
}

TEST(DateTimeMask, BadFormatsRaiseAndChangeNothing) {
  const struct {
    const char* format;
    const char* message;
  } cases[] = {
      {"DDD", "Element in EditFormat: \"DDD\" is too long. Pos: 3"},
      {"DD/MM/YYYYY", "Element in EditFormat: \"DD/MM/YYYYY\" is too long. Pos: 11"},
      {"D", "Invalid datetime format element length: \"D\""},
      {"dd/m", "Invalid datetime format element length: \"M\""},
      {"YYY", "Invalid datetime format element length: \"Y\""},
      {"DD.DD", "Duplicating datetime format element: \"D\""},
      {"HH:NN:SS hh", "Duplicating datetime format element: \"H\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TDateTimeElementsEh elements = ElementsOf("HH:NN");
    AnsiString mask = "kept";
    try {
      BuildDateTimeMaskEh(c.format, elements, mask);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(mask, "kept");
    EXPECT_EQ(elements[dteHourEh].Start, 1);
    EXPECT_FALSE(elements[dteDayEh].Present);
  }
}

TEST(DateTimeMask, DisplayFormatAndSpinTemplate) {
  EXPECT_EQ(DateTimeDisplayFormatEh("dd/mm/yyyy hh:nn"), "DD/MM/YYYY' 'HH:NN");
  EXPECT_EQ(DateTimeDisplayFormatEh("dd.mm.yy"), "DD'.'MM'.'YY");
  EXPECT_EQ(DateTimeDisplayFormatEh("DD-MM 'x\\DY"), "DD'-'MM' ''xD'Y");
  EXPECT_EQ(DateTimeSpinTemplateEh("dd.mm.yy"), "DD MM YY");
  EXPECT_EQ(DateTimeSpinTemplateEh("hh:nn \\D"), "HH:NN  ");
  // The display format writes what the mask reads back.
  const TDateTime value = EncodeDate(2024, 2, 9) + EncodeTime(7, 5, 0, 0);
  EXPECT_EQ(FormatDateTime(DateTimeDisplayFormatEh("dd.mm.yy hh:nn"), value), "09.02.24 07:05");
  EXPECT_EQ(FormatDateTime(DateTimeDisplayFormatEh("\\D-DD"), value), "D-09");
}

TEST(DateTimeMask, TwoDigitYearsAndDefaultFormats) {
  Today2026 today;
  EXPECT_EQ(CurrentYearEh(), 2026);
  for (auto [typed, year] : std::vector<std::pair<int, int>>{
           {0, 2000}, {30, 2030}, {66, 2066}, {75, 2075}, {76, 1976}, {99, 1999}, {100, 100}, {1850, 1850}})
    EXPECT_EQ(ExpandTwoDigitYearEh(typed), year) << typed;
  // A four-digit year typed with leading zeros is a two-digit one.
  EXPECT_EQ(DateTimeTextToPartsEh("14.05.0005", ElementsOf("DD/MM/YYYY"))[dteYearEh], 2005);

  const AnsiString saved = FormatSettings().ShortDateFormat;
  const struct {
    const char* shortDate;
    const char* four;
    const char* two;
  } cases[] = {{"dd.mm.yyyy", "DD/MM/YYYY", "DD/MM/YY"},
               {"M/d/yy", "MM/DD/YYYY", "MM/DD/YY"},
               {"yyyy-MM-dd", "YYYY/MM/DD", "YY/MM/DD"},
               {"ee", "DD/MM/YYYY", "DD/MM/YY"}};
  for (const auto& c : cases) {
    FormatSettings().ShortDateFormat = c.shortDate;
    EXPECT_EQ(DefaultDateFormatEh(true), c.four) << c.shortDate;
    EXPECT_EQ(DefaultDateFormatEh(false), c.two) << c.shortDate;
  }
  FormatSettings().ShortDateFormat = saved;
  EXPECT_EQ(DefaultTimeFormatEh(), "HH:NN:SS");
}

// Only the characters inside the text are read: a shorter text, or one set without the
// mask, gives the part inside and blanks beyond.
TEST(DateTimeMask, TextToParts) {
  Today2026 today;
  const TDateTimeElementsEh dmy = ElementsOf("DD/MM/YYYY");
  const auto parts = [&](const char* text) { return DateTimeTextToPartsEh(text, dmy); };
  EXPECT_EQ(parts("01.02.2024"), (TDateTimePartsEh{2024, 2, 1, -1, -1, -1}));
  EXPECT_EQ(parts(" 1. 2.  24"), (TDateTimePartsEh{2024, 2, 1, -1, -1, -1}));
  EXPECT_EQ(parts("01/02/24"), (TDateTimePartsEh{2024, 2, 1, -1, -1, -1}));
  EXPECT_EQ(parts("01/02"), (TDateTimePartsEh{-1, 2, 1, -1, -1, -1}));
  EXPECT_EQ(parts("0"), (TDateTimePartsEh{-1, -1, 0, -1, -1, -1}));
  EXPECT_EQ(parts("  .x2.2024"), (TDateTimePartsEh{2024, -1, -1, -1, -1, -1}));
  EXPECT_EQ(parts(""), (TDateTimePartsEh{-1, -1, -1, -1, -1, -1}));
}

TEST(DateTimeMask, PartsToValueCompletesOrRefuses) {
  Today2026 today;
  const TDateTimeElementsEh dmy = ElementsOf("DD/MM/YYYY");
  Variant value;
  // All blank is Null, with or without adjusting.
  value = VarFromDateTime(5);
  EXPECT_TRUE(PartsToValueEh({-1, -1, -1, -1, -1, -1}, dmy, value, false));
  EXPECT_TRUE(VarIsNull(value));
  // Day 31 of April: no value while typing; the last day of the month on leaving.
  EXPECT_FALSE(PartsToValueEh({2026, 4, 31, -1, -1, -1}, dmy, value, false));
  EXPECT_TRUE(VarIsNull(value));
  EXPECT_TRUE(PartsToValueEh({2026, 4, 31, -1, -1, -1}, dmy, value, true));
  EXPECT_EQ(value.AsDateTime(), EncodeDate(2026, 4, 30));
  // A blank month while typing is incomplete; on leaving it comes from today, and a year
  // and hour beyond range are held.
  EXPECT_FALSE(PartsToValueEh({2026, -1, 3, -1, -1, -1}, dmy, value, false));
  EXPECT_TRUE(PartsToValueEh({2026, -1, 3, -1, -1, -1}, dmy, value, true));
  EXPECT_EQ(value.AsDateTime(), EncodeDate(2026, 5, 3));
  value = Null();
  EXPECT_TRUE(PartsToValueEh({99999, 13, 40, 30, 70, -5}, ElementsOf("DD/MM/YYYY HH:NN:SS"), value, true));
  EXPECT_EQ(value.AsDateTime(), EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 0, 0));
  // A time-only edit replaces the time and keeps the date and milliseconds of the old value.
  value = VarFromDateTime(EncodeDate(2020, 6, 7) + EncodeTime(1, 2, 3, 400));
  EXPECT_TRUE(PartsToValueEh({-1, -1, -1, 13, 45, -1}, ElementsOf("HH:NN"), value, false));
  EXPECT_EQ(value.AsDateTime(), EncodeDate(2020, 6, 7) + EncodeTime(13, 45, 3, 400));
  // A date-only edit keeps the time, also of a date before 1899-12-30.
  value = VarFromDateTime(-1.25);
  EXPECT_TRUE(PartsToValueEh({1899, 12, 1, -1, -1, -1}, dmy, value, false));
  EXPECT_DOUBLE_EQ(value.AsDateTime(), -29.25);
}

TEST(DateTimeMask, ValuesAndLeapYearsAgreeWithPython) {
  const TDateTimeElementsEh all = ElementsOf("YYYY/MM/DD HH:NN:SS");
  std::mt19937 random(1052);
  std::vector<std::string> lines;
  std::vector<double> values;
  for (int i = 0; i < 300; ++i) {
    const int year = std::uniform_int_distribution<int>(1, 9999)(random);
    const int month = std::uniform_int_distribution<int>(1, 12)(random);
    const int day = std::uniform_int_distribution<int>(1, 28)(random);
    const int hour = std::uniform_int_distribution<int>(0, 23)(random);
    const int minute = std::uniform_int_distribution<int>(0, 59)(random);
    const int second = std::uniform_int_distribution<int>(0, 59)(random);
    Variant value;
    ASSERT_TRUE(PartsToValueEh({year, month, day, hour, minute, second}, all, value, false));
    values.push_back(value.AsDateTime());
    lines.push_back("V " + std::to_string(year) + " " + std::to_string(month) + " " + std::to_string(day) + " " +
                    std::to_string(hour) + " " + std::to_string(minute) + " " + std::to_string(second));
  }
  const std::vector<int> years = {1, 4, 100, 1600, 1700, 1896, 1900, 2000, 2023, 2024, 2100, 2400, 9996, 9999};
  for (int year : years) lines.push_back("L " + std::to_string(year));
  const std::vector<std::string> expected = DaysOracle(lines);
  ASSERT_EQ(expected.size(), lines.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_NEAR(values[i], std::strtod(expected[i].c_str(), nullptr), 1e-9) << lines[i];
  const TDateTimeElementsEh dmy = ElementsOf("DD/MM/YYYY");
  for (std::size_t i = 0; i < years.size(); ++i) {
    Variant value;
    EXPECT_EQ(PartsToValueEh({years[i], 2, 29, -1, -1, -1}, dmy, value, false),
              expected[values.size() + i] == "1")
        << years[i];
  }
}

TEST(DateTimeMask, SpinningWrapsWithinTheElement) {
  const AnsiString dmy = DateTimeSpinTemplateEh("DD/MM/YYYY");
  const auto spin = [](const AnsiString& text, const AnsiString& spinTemplate, int caret, bool up) {
    TDateTimeSpinEh result;
    if (!SpinDateTimeElementEh(text, spinTemplate, caret, up, result)) return AnsiString("-");
    return result.Text + "@" + IntToStr(result.SelStart) + "+" + IntToStr(result.SelLength);
  };
  EXPECT_EQ(spin("31.12.2024", dmy, 0, true), "01.12.2024@0+2");
  EXPECT_EQ(spin("01.12.2024", dmy, 1, false), "31.12.2024@0+2");
  // Just before a separator the element after it spins.
  EXPECT_EQ(spin("31.12.2024", dmy, 2, true), "31.01.2024@3+2");
  EXPECT_EQ(spin("31.12.9999", dmy, 8, true), "31.12.0001@6+4");
  EXPECT_EQ(spin("31.12.0001", dmy, 8, false), "31.12.9999@6+4");
  EXPECT_EQ(spin("  .  .    ", dmy, 4, true), "  .01.    @3+2");
  // Beyond the template (the caret at the end) nothing spins.
  EXPECT_EQ(spin("31.12.2024", dmy, 10, true), "-");
  EXPECT_EQ(spin("12:30", DateTimeSpinTemplateEh("HH:NN:"), 5, true), "-");
  // A literal of a custom format is no separator.
  EXPECT_EQ(spin("31.12.2024", DateTimeSpinTemplateEh("DD.MM.YYYY"), 2, true), "-");
  const AnsiString time = DateTimeSpinTemplateEh("HH:NN:SS");
  EXPECT_EQ(spin("23:00:59", time, 4, false), "23:59:59@3+2");
  EXPECT_EQ(spin("23:00:59", time, 0, true), "00:00:59@0+2");
  EXPECT_EQ(spin("23:00:59", time, 7, true), "23:00:00@6+2");
  // A two-digit year stays two digits.
  const AnsiString yy = DateTimeSpinTemplateEh("DD/MM/YY");
  EXPECT_EQ(spin("01.01.99", yy, 6, true), "01.01.00@6+2");
  EXPECT_EQ(spin("01.01.00", yy, 6, false), "01.01.99@6+2");
}

}  // namespace
}  // namespace ordvane

// The month calendar against Python's calendar and datetime: where each day stands (found
// through the calendar's own hit test, pixel by pixel), where the keys move the
// selection, and that its minimum size holds everything it paints.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "classlib/core/DateFormat.h"
#include "classlib/ui/ComCtrls.h"
#include "tests/classlib/PythonOracle.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {
namespace {

std::string Iso(const SYSTEMTIME& st) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
  return text;
}

std::string Iso(TDateTime date) {
  SYSTEMTIME st;
  DecodeDate(date, st.wYear, st.wMonth, st.wDay);
  return Iso(st);
}

TDateTime FromIso(const std::string& text) {
  return EncodeDate(static_cast<Word>(std::stoi(text.substr(0, 4))), static_cast<Word>(std::stoi(text.substr(5, 2))),
                    static_cast<Word>(std::stoi(text.substr(8, 2))));
}

struct CalendarOnForm {
  test::UiDriver ui;
  std::unique_ptr<TForm> form{test::NewForm(Rect(100, 100, 500, 400))};
  TMonthCalendar* calendar = new TMonthCalendar(form.get());
  CalendarOnForm() {
    calendar->SetParent(form.get());
    calendar->SetBounds(10, 10, 300, 250);
    form->Show();
    form->SetActiveControl(calendar);
    ui.Process();
  }
  TRect MinRect() {
    TRect r;
    calendar->Perform(MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  MCHITTESTINFO Hit(TPoint p) {
    MCHITTESTINFO info;
    info.pt = p;
    calendar->Perform(MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    return info;
  }
};

// Every day cell, as the hit test reports it: the cells ordered by their top and left
// edges give row and column.
std::vector<std::string> CellsByHitTest(CalendarOnForm& c) {
  struct Cell {
    TRect box{1 << 20, 1 << 20, -1, -1};
    char kind = '?';
  };
  std::map<std::string, Cell> cells;
  const TRect area = c.MinRect();
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const MCHITTESTINFO info = c.Hit({x, y});
      if ((info.uHit & MCHT_CALENDARDATE) != MCHT_CALENDARDATE) continue;
      Cell& cell = cells[Iso(info.st)];
      cell.box = {std::min(cell.box.left, x), std::min(cell.box.top, y), std::max(cell.box.right, x),
                  std::max(cell.box.bottom, y)};
      cell.kind = info.uHit == MCHT_CALENDARDATEPREV ? 'P' : info.uHit == MCHT_CALENDARDATENEXT ? 'N' : 'C';
    }
  std::map<int, int> rows;
  std::map<int, int> columns;
  for (const auto& [date, cell] : cells) {
    rows[cell.box.top] = 0;
    columns[cell.box.left] = 0;
  }
  int index = 0;
  for (auto& [top, row] : rows) row = index++;
  index = 0;
  for (auto& [left, column] : columns) column = index++;
  std::vector<std::string> lines;
  for (const auto& [date, cell] : cells) {
    std::ostringstream line;
    line << rows[cell.box.top] << ' ' << columns[cell.box.left] << ' ' << date << ' ' << cell.kind;
    lines.push_back(line.str());
  }
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return std::make_pair(std::stoi(a), std::stoi(a.substr(2))) < std::make_pair(std::stoi(b), std::stoi(b.substr(2)));
  });
  return lines;
}

TEST(MonthCalendar, PlacesEveryDayOfSixWeeksWhereTheMondayFirstCalendarDoes) {
  CalendarOnForm c;
  for (auto [year, month] : std::vector<std::pair<int, int>>{{2024, 2}, {2026, 3}, {1999, 12}, {2100, 2}}) {
    SCOPED_TRACE(std::to_string(year) + "-" + std::to_string(month));
    c.calendar->SetDate(EncodeDate(static_cast<Word>(year), static_cast<Word>(month), 15));
    const auto expected =
        test::RunPythonOracle("month_calendar.py", {"grid " + std::to_string(year) + " " + std::to_string(month)});
    ASSERT_EQ(expected.size(), 42u);
    EXPECT_EQ(CellsByHitTest(c), expected);
  }
}

TEST(MonthCalendar, HitTestNamesTheButtonsTheTitleAndTheWeekDayHeader) {
  CalendarOnForm c;
  c.calendar->SetDate(EncodeDate(2024, 2, 15));
  const TRect area = c.MinRect();
  std::map<UINT, int> seen;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) ++seen[c.Hit({x, y}).uHit];
  for (UINT hit : {MCHT_TITLEBTNPREV, MCHT_TITLEBTNNEXT, MCHT_TITLEBK, MCHT_CALENDARDAY, MCHT_CALENDARDATE})
    EXPECT_GT(seen[hit], 0) << hit;
  EXPECT_EQ(c.Hit({area.right + 5, area.bottom + 5}).uHit, MCHT_NOWHERE);
  // A press on a button turns the month; on a neighbour's day it selects that day.
  for (int x = area.left; x < area.right; ++x) {
    if (c.Hit({x, 12}).uHit != MCHT_TITLEBTNNEXT) continue;
    c.ui.Click(c.calendar, {x, 12});
    break;
  }
  EXPECT_EQ(Iso(c.calendar->Date()), "2024-03-15");
  SYSTEMTIME st;
  ASSERT_EQ(c.calendar->Perform(MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)), 1);
  EXPECT_EQ(Iso(st), "2024-03-15");
  for (int y = area.bottom - 1; y > area.top; --y)
    if (c.Hit({area.right - 6, y}).uHit == MCHT_CALENDARDATENEXT) {
      const std::string day = Iso(c.Hit({area.right - 6, y}).st);
      c.ui.Click(c.calendar, {area.right - 6, y});
      EXPECT_EQ(Iso(c.calendar->Date()), day);
      break;
    }
}

TEST(MonthCalendar, KeysMoveTheSelectionAsDatetimeCountsAcrossMonthAndYearEnds) {
  CalendarOnForm c;
  struct Key {
    const char* name;
    Word vk;
    TShiftState shift;
  };
  const std::vector<Key> keys = {
      {"left", VK_LEFT, {}},          {"right", VK_RIGHT, {}},       {"up", VK_UP, {}},
      {"down", VK_DOWN, {}},          {"pgup", VK_PRIOR, {}},        {"pgdn", VK_NEXT, {}},
      {"ctrlpgup", VK_PRIOR, {ssCtrl}}, {"ctrlpgdn", VK_NEXT, {ssCtrl}}, {"home", VK_HOME, {}},
      {"end", VK_END, {}},            {"ctrlhome", VK_HOME, {ssCtrl}}, {"ctrlend", VK_END, {ssCtrl}},
  };
  const std::vector<std::string> dates = {"2024-12-31", "2025-01-01", "2024-02-29", "2024-01-31", "2023-12-28",
                                          "2024-03-31", "1999-12-31", "2100-02-10", "2000-02-29", "2026-03-01"};
  std::vector<std::string> input;
  for (const std::string& date : dates)
    for (const Key& key : keys) input.push_back("step " + date + " " + key.name);
  const auto expected = test::RunPythonOracle("month_calendar.py", input);
  ASSERT_EQ(expected.size(), input.size());
  std::vector<std::string> got;
  for (const std::string& date : dates)
    for (const Key& key : keys) {
      c.calendar->SetDate(FromIso(date));
      c.ui.Press(key.vk, key.shift);
      got.push_back(date + " " + key.name + " " + Iso(c.calendar->Date()));
    }
  EXPECT_EQ(got, expected);
}

TEST(MonthCalendar, MinimumRectangleHoldsEverythingPainted) {
  CalendarOnForm c;
  SetDateTimeClock([] { return EncodeDate(2024, 2, 29); });
  c.calendar->SetDate(EncodeDate(2024, 2, 10));
  c.calendar->Invalidate();
  c.ui.Process();
  const TRect area = c.MinRect();
  ASSERT_GT(area.Width(), 0);
  const TColorRef background = ColorToRGB(clWindow);
  const TRaster screen = test::UiDriver::Screen();
  const TPoint origin = test::UiDriver::ScreenPoint(c.calendar, {0, 0});
  auto pixelAt = [&](int x, int y) { return screen.Pixel(origin.x + x, origin.y + y); };
  int paintedInside = 0;
  for (int y = 0; y < c.calendar->Height(); ++y)
    for (int x = 0; x < c.calendar->Width(); ++x) {
      const bool painted = pixelAt(x, y) != background;
      if (!PtInRect(area, {x, y}))
        ASSERT_FALSE(painted) << x << "," << y;
      else
        paintedInside += painted;
    }
  EXPECT_GT(paintedInside, area.Width() * area.Height() / 20);
  // Today is framed, the selected day filled.
  bool framed = false;
  bool highlighted = false;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const MCHITTESTINFO info = c.Hit({x, y});
      if (info.uHit != MCHT_CALENDARDATE) continue;
      const TColorRef pixel = pixelAt(x, y);
      if (Iso(info.st) == "2024-02-29" && pixel == ColorToRGB(clRed)) framed = true;
      if (Iso(info.st) == "2024-02-10" && pixel == ColorToRGB(clHighlight)) highlighted = true;
    }
  SetDateTimeClock({});
  EXPECT_TRUE(framed);
  EXPECT_TRUE(highlighted);
}

}  // namespace
}  // namespace ordvane

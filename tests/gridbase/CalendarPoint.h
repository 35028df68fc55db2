#pragma once
// Where on a month calendar a hit test gives an answer: tests click there as a user would.

#include <gtest/gtest.h>

#include "classlib/ui/ComCtrls.h"

namespace ordvane::test {

// The first client point (row by row) whose hit test answers `hit`.
inline TPoint CalendarPoint(TMonthCalendar* calendar, UINT hit) {
  for (int y = 0; y < calendar->ClientHeight(); ++y)
    for (int x = 0; x < calendar->ClientWidth(); ++x) {
      MCHITTESTINFO info;
      info.pt = {x, y};
      calendar->Perform(MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
      if (info.uHit == hit) return {x, y};
    }
  ADD_FAILURE() << "no point answers " << hit;
  return {};
}

}  // namespace ordvane::test

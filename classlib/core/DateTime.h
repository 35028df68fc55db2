#pragma once
// Dates and times of the class library. TDateTime counts days since 30 December 1899; the
// fraction is the time of day. A negative value counts days before that date, and its
// fraction is still the time of day (-1.25 is 29 December 1899, 06:00). TTimeStamp counts
// days since 1 January of year 1 plus one, and milliseconds since midnight.

#include <cstdint>
#include <functional>

#include "classlib/core/System.h"

namespace ordvane {

using TDateTime = double;

struct TTimeStamp {
  Integer Time = 0;  // milliseconds since midnight
  Integer Date = 0;  // one plus the days since 1 January of year 1
};

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerDay = HoursPerDay * 60;
constexpr Integer SecsPerDay = MinsPerDay * 60;
constexpr Integer MSecsPerDay = SecsPerDay * 1000;
constexpr Integer DateDelta = 693594;   // time-stamp days of 30 December 1899
constexpr Integer MaxDayNumber = 3652059;  // time-stamp days of 31 December 9999
constexpr Integer UnixDateDelta = 25569;  // TDateTime of 1 January 1970

bool IsLeapYear(Word year);
Word DaysInAMonth(Word year, Word month);

// Years 1 .. 9999; EncodeDate and EncodeTime raise EConvertError "Invalid argument to
// date encode" / "Invalid argument to time encode" where the Try forms answer false.
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
// A date outside the calendar (before 1 January of year 1, after 31 December 9999)
// decodes as 0, 0, 0.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
// A time stamp's day number (1 is 1 January of year 1) to the calendar; false, and 0, 0, 0,
// outside it. Inline: every date a grid shows is decoded here.
inline bool TryDecodeDayNumber(Integer dayNumber, Word& year, Word& month, Word& day) {
  if (dayNumber <= 0 || dayNumber > MaxDayNumber) {
    year = month = day = 0;
    return false;
  }
  // Counted from 1 March of year 0, a year ends with February, so its leap day is last;
  // the divisions by the lengths of centuries, years and months are done as
  // multiplications and shifts, the day's place in its century and year in the low bits.
  const auto fromMarchOfYear0 = static_cast<std::uint32_t>(dayNumber + 305);  // 1 January of year 1 is day 306
  const std::uint32_t quarterDays = 4 * fromMarchOfYear0 + 3;
  const std::uint32_t century = quarterDays / 146097;
  const std::uint32_t dayOfCentury = quarterDays % 146097 / 4;
  const std::uint64_t scaled = std::uint64_t{2939745} * (4 * dayOfCentury + 3);
  const auto yearOfCentury = static_cast<std::uint32_t>(scaled >> 32);
  const auto dayOfYear = static_cast<std::uint32_t>(scaled) / 2939745 / 4;
  const std::uint32_t monthAndDay = 2141 * dayOfYear + 197913;
  const std::uint32_t monthFromMarch = monthAndDay >> 16;  // 3 .. 14
  const bool januaryOrFebruary = dayOfYear >= 306;
  day = static_cast<Word>((monthAndDay & 0xFFFF) / 2141 + 1);
  month = static_cast<Word>(januaryOrFebruary ? monthFromMarch - 12 : monthFromMarch);
  year = static_cast<Word>(100 * century + yearOfCentury + (januaryOrFebruary ? 1 : 0));
  return true;
}
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);

// The value is rounded to the millisecond; NaN, infinity or a value whose day count does
// not fit 32 bits raises EInvalidOp.
TTimeStamp DateTimeToTimeStamp(TDateTime dateTime);
// A time stamp with Date <= 0 or Time outside 0 .. MSecsPerDay - 1 raises EConvertError
// "'<date>.<time>' is not a valid timestamp".
TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp);
Int64 TimeStampToMSecs(const TTimeStamp& timeStamp);
// Negative or out-of-range milliseconds raise EConvertError like an invalid time stamp.
TTimeStamp MSecsToTimeStamp(Int64 msecs);

// 1 is Sunday .. 7 Saturday.
Integer DayOfWeek(TDateTime date);
// The same day 'months' later (earlier when negative), held to the length of the target
// month, with the time of day kept.
TDateTime IncMonth(TDateTime date, Integer months = 1);

// Local date and time through a replaceable clock, so that tests can fix "now".
using TDateTimeClock = std::function<TDateTime()>;
void SetDateTimeClock(TDateTimeClock clock);  // an empty clock restores the system's
TDateTime Now();
TDateTime Date();
TDateTime Time();
Word CurrentYear();

}  // namespace ordvane

#include "classlib/core/DateTime.h"

#include <cmath>
#include <ctime>
#include <mutex>

#include "classlib/core/Math.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

[[noreturn]] void InvalidTimeStamp(Int64 date, Int64 time) {
  throw EConvertError("'" + std::to_string(date) + "." + std::to_string(time) +
                      "' is not a valid timestamp");
}

void ValidateTimeStamp(const TTimeStamp& ts) {
  if (ts.Date <= 0 || ts.Time < 0 || ts.Time >= MSecsPerDay) InvalidTimeStamp(ts.Date, ts.Time);
}

std::mutex& ClockLock() {
  static std::mutex lock;
  return lock;
}

TDateTimeClock& ClockSlot() {
  static TDateTimeClock clock;
  return clock;
}

TDateTime SystemNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  return EncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                    static_cast<Word>(local.tm_mday)) +
         EncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                    static_cast<Word>(std::min(local.tm_sec, 59)),
                    static_cast<Word>(now.tv_nsec / 1000000));
}

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInAMonth(Word year, Word month) {
  static const Word kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[(month - 1) % 12];
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  Integer dayOfYear = day;
  for (Word m = 1; m < month; ++m) dayOfYear += DaysInAMonth(year, m);
  const Integer i = year - 1;
  const Integer days = i * 365 + i / 4 - i / 100 + i / 400 + dayOfYear - DateDelta;  // leap days whole
  date = days;
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
  return date;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= HoursPerDay || min >= 60 || sec >= 60 || msec >= 1000) return false;
  // Divided in extended precision and rounded once to double, as the platform computed it.
  const Integer msecs = hour * 3600000 + min * 60000 + sec * 1000 + msec;
  time = static_cast<double>(static_cast<Extended>(msecs) / MSecsPerDay);
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime time = 0;
  if (!TryEncodeTime(hour, min, sec, msec, time)) throw EConvertError("Invalid argument to time encode");
  return time;
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  // A whole day (every date field's value) needs no detour through milliseconds.
  const bool wholeDay = date == std::trunc(date) && date >= 1 - DateDelta && date <= MaxDayNumber - DateDelta;
  const Integer dayNumber = wholeDay ? static_cast<Integer>(date) + DateDelta : DateTimeToTimeStamp(date).Date;
  TryDecodeDayNumber(dayNumber, year, month, day);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  Integer ms = DateTimeToTimeStamp(time).Time;
  hour = static_cast<Word>(ms / 3600000);
  ms %= 3600000;
  min = static_cast<Word>(ms / 60000);
  ms %= 60000;
  sec = static_cast<Word>(ms / 1000);
  msec = static_cast<Word>(ms % 1000);
}

TTimeStamp DateTimeToTimeStamp(TDateTime dateTime) {
  const Int64 msecs = Round(static_cast<Extended>(dateTime) * MSecsPerDay);
  const Int64 days = msecs / MSecsPerDay + DateDelta;
  if (days > INT32_MAX || days < INT32_MIN) throw EInvalidOp("Invalid floating point operation");
  TTimeStamp ts;
  ts.Date = static_cast<Integer>(days);
  ts.Time = static_cast<Integer>((msecs < 0 ? -(msecs % MSecsPerDay) : msecs % MSecsPerDay));
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& timeStamp) {
  ValidateTimeStamp(timeStamp);
  const Extended days = timeStamp.Date - DateDelta;
  const Extended time = static_cast<Extended>(timeStamp.Time) / MSecsPerDay;
  return static_cast<double>(days < 0 ? days - time : days + time);
}

Int64 TimeStampToMSecs(const TTimeStamp& timeStamp) {
  ValidateTimeStamp(timeStamp);
  return static_cast<Int64>(timeStamp.Date) * MSecsPerDay + timeStamp.Time;
}

TTimeStamp MSecsToTimeStamp(Int64 msecs) {
  const Int64 days = msecs / MSecsPerDay;
  const Int64 time = msecs % MSecsPerDay;
  if (msecs < 0 || days > INT32_MAX) InvalidTimeStamp(days, time);
  TTimeStamp ts;
  ts.Date = static_cast<Integer>(days);
  ts.Time = static_cast<Integer>(time);
  return ts;
}

Integer DayOfWeek(TDateTime date) {
  const Integer dayNumber = DateTimeToTimeStamp(date).Date;
  // Day 1 (1 January of year 1) was a Monday; days before it keep counting backwards.
  const Integer remainder = dayNumber % 7;
  return (remainder < 0 ? remainder + 7 : remainder) + 1;
}

TDateTime IncMonth(TDateTime date, Integer months) {
  Word year, month, day;
  DecodeDate(date, year, month, day);
  const Int64 monthIndex = static_cast<Int64>(year) * 12 + (month - 1) + months;
  const Int64 newYear = monthIndex >= 0 ? monthIndex / 12 : -1;
  if (year == 0 || newYear < 1 || newYear > 9999) throw EConvertError("Invalid argument to date encode");
  const Word newMonth = static_cast<Word>(monthIndex % 12 + 1);
  const Word newDay = std::min(day, DaysInAMonth(static_cast<Word>(newYear), newMonth));
  TDateTime result = EncodeDate(static_cast<Word>(newYear), newMonth, newDay);
  const double timeOfDay = std::fabs(date - std::trunc(date));
  return result >= 0 ? result + timeOfDay : result - timeOfDay;
}

void SetDateTimeClock(TDateTimeClock clock) {
  std::lock_guard<std::mutex> guard(ClockLock());
  ClockSlot() = std::move(clock);
}

TDateTime Now() {
  TDateTimeClock clock;
  {
    std::lock_guard<std::mutex> guard(ClockLock());
    clock = ClockSlot();
  }
  return clock ? clock() : SystemNow();
}

TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() {
  const TDateTime now = Now();
  return now - std::trunc(now);
}

Word CurrentYear() {
  Word year, month, day;
  DecodeDate(Now(), year, month, day);
  return year;
}

}  // namespace ordvane

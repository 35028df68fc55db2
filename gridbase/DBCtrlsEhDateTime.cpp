// The date and time edit's routines: edit formats, masks, the element table, parts and
// values. They know nothing of windows, so the control only wires them to its text.

#include <algorithm>
#include <cmath>

#include "classlib/core/DateFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "gridbase/DBDateTimeEditEh.h"

namespace ordvane {

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The element an edit-format letter (upper-cased) stands for; -1 for other characters.
int ElementOfLetter(char letter) {
  switch (letter) {
    case 'Y':
      return dteYearEh;
    case 'M':
      return dteMonthEh;
    case 'D':
      return dteDayEh;
    case 'H':
      return dteHourEh;
    case 'N':
      return dteMinuteEh;
    case 'S':
      return dteSecondEh;
    default:
      return -1;
  }
}

constexpr char kElementLetters[] = "YMDHNS";

// The characters the mask would read as its own rather than as literals.
bool IsMaskCharacter(char c) {
  const char upper = UpperAscii(c);
  return c == '!' || c == '#' || c == '0' || c == '9' || c == ';' || c == '<' || c == '>' || upper == 'A' ||
         upper == 'C' || upper == 'L' || c == '\\';
}

// The characters the display format and the spin template keep as format characters.
bool IsFormatCharacter(char c) {
  return c == '/' || c == ':' || ElementOfLetter(UpperAscii(c)) >= 0;
}

// What the mask and the table gain while the format is read.
struct TMaskBuilder {
  explicit TMaskBuilder(const AnsiString& editFormat) : format(editFormat) {}

  const AnsiString& format;
  TDateTimeElementsEh elements{};
  AnsiString body;
  int position = 1;  // the text position of the next character
  char runLetter = 0;
  int runLength = 0;

  // Checks a finished run and enters it as an element.
  void AddDateTimeElementEh() {
    if (runLetter == 0) return;
    const bool lengthOk = runLetter == 'Y' ? runLength == 2 || runLength == 4 : runLength == 2;
    if (!lengthOk)
      throw Exception("Invalid datetime format element length: \"" + AnsiString(1, runLetter) + "\"");
    TDateTimeElementInfoEh& element = elements[static_cast<std::size_t>(ElementOfLetter(runLetter))];
    if (element.Present)
      throw Exception("Duplicating datetime format element: \"" + AnsiString(1, runLetter) + "\"");
    element = {position - runLength, runLength, true};
    body.append(static_cast<std::size_t>(runLength), '9');
    runLetter = 0;
    runLength = 0;
  }

  void AddLiteral(char c) {
    AddDateTimeElementEh();
    if (IsMaskCharacter(c)) body += '\\';
    body += c;
    ++position;
  }

  // One character of the format at a 1-based index, not escaped.
  void ScanEditFormatCharEh(char c, int index) {
    const char letter = UpperAscii(c);
    if (ElementOfLetter(letter) < 0) {
      AddLiteral(c);
      return;
    }
    if (letter != runLetter) {
      AddDateTimeElementEh();
      runLetter = letter;
    }
    ++runLength;
    ++position;
    if (runLength > (letter == 'Y' ? 4 : 2))
      throw Exception("Element in EditFormat: \"" + format + "\" is too long. Pos: " + IntToStr(index));
  }
};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool IsDatePart(int element) { return element <= dteDayEh; }

// Blank or unreadable date parts come from today, out-of-range parts are held to the
// calendar and the clock.
void AdjustParts(TDateTimePartsEh& parts) {
  Word todayYear, todayMonth, todayDay;
  DecodeDate(Date(), todayYear, todayMonth, todayDay);
  int& year = parts[dteYearEh];
  int& month = parts[dteMonthEh];
  int& day = parts[dteDayEh];
  if (year < 1) year = todayYear;
  year = ExpandTwoDigitYearEh(std::min(year, 9999));
  if (month < 1) month = todayMonth;
  month = std::min(month, 12);
  if (day < 1) day = todayDay;
  day = std::min(day, DaysIn(year, month));
  const int limits[] = {23, 59, 59};
  for (int e = dteHourEh; e <= dteSecondEh; ++e)
    parts[static_cast<std::size_t>(e)] = std::clamp(parts[static_cast<std::size_t>(e)], 0, limits[e - dteHourEh]);
}

// Parts of elements the format lacks take the least value.
void DefaultAbsentParts(TDateTimePartsEh& parts, const TDateTimeElementsEh& elements) {
  for (int e = 0; e < kDateTimeElementCountEh; ++e) {
    const auto i = static_cast<std::size_t>(e);
    if (elements[i].Present) continue;
    if (IsDatePart(e) && parts[i] < 1) parts[i] = 1;
    if (!IsDatePart(e) && parts[i] < 0) parts[i] = 0;
  }
}

bool IsValidDate(const TDateTimePartsEh& parts) {
  const int year = parts[dteYearEh], month = parts[dteMonthEh], day = parts[dteDayEh];
  if (year < 0 && month < 0 && day < 0) return true;
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysIn(year, month);
}

bool IsValidTime(const TDateTimePartsEh& parts) {
  return parts[dteHourEh] >= 0 && parts[dteHourEh] < 24 && parts[dteMinuteEh] >= 0 && parts[dteMinuteEh] < 60 &&
         parts[dteSecondEh] >= 0 && parts[dteSecondEh] < 60;
}

// A date-time of its date and its time of day; a date before 1899-12-30 still counts its
// time forward within the day.
TDateTime ComposeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  const TDateTime date = EncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day));
  const TDateTime time =
      EncodeTime(static_cast<Word>(hour), static_cast<Word>(minute), static_cast<Word>(second), static_cast<Word>(msec));
  return date < 0 ? date - time : date + time;
}

// The wrap-around range of an element's number.
struct TSpinRange {
  int low, high;
};

TSpinRange SpinRangeOf(char letter, int runLength) {
  switch (letter) {
    case 'D':
      return {1, 31};
    case 'M':
      return {1, 12};
    case 'Y':
      return runLength == 2 ? TSpinRange{0, 99} : TSpinRange{1, 9999};
    case 'H':
      return {0, 23};
    default:
      return {0, 59};
  }
}

// The number in a piece of text: digits with spaces around or between; -1 otherwise.
int ReadNumber(const AnsiString& piece) {
  int number = -1;
  for (char c : piece) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') return -1;
    number = (number < 0 ? 0 : number * 10) + (c - '0');
  }
  return number;
}

}  // namespace

Word CurrentYearEh() { return CurrentYear(); }

int ExpandTwoDigitYearEh(int year) {
  if (year >= 100 || year < 0) return year;
  return ExpandTwoDigitYear(static_cast<Word>(year), FormatSettings());
}

AnsiString DefaultDateFormatEh(bool fourDigitYear) {
  const AnsiString year = fourDigitYear ? "YYYY" : "YY";
  for (char c : FormatSettings().ShortDateFormat) {
    switch (UpperAscii(c)) {
      case 'M':
        return "MM/DD/" + year;
      case 'Y':
        return year + "/MM/DD";
      case 'D':
        return "DD/MM/" + year;
      default:
        break;
    }
  }
  return "DD/MM/" + year;
}

AnsiString DefaultTimeFormatEh() { return "HH:NN:SS"; }

void BuildDateTimeMaskEh(const AnsiString& editFormat, TDateTimeElementsEh& elements, AnsiString& mask) {
  TMaskBuilder builder(editFormat);
  for (std::size_t i = 0; i < editFormat.size(); ++i) {
    const char c = editFormat[i];
    if (c == '\\' && i + 1 < editFormat.size()) {
      builder.AddLiteral(editFormat[++i]);
      continue;
    }
    builder.ScanEditFormatCharEh(c, static_cast<int>(i) + 1);
  }
  builder.AddDateTimeElementEh();
  elements = builder.elements;
  mask = "!" + builder.body + ";1; ";
}

AnsiString DateTimeDisplayFormatEh(const AnsiString& editFormat) {
  AnsiString result;
  bool quoted = false;
  for (std::size_t i = 0; i < editFormat.size(); ++i) {
    char c = editFormat[i];
    const bool escaped = c == '\\' && i + 1 < editFormat.size();
    if (escaped) c = editFormat[++i];
    if (!escaped && IsFormatCharacter(c)) {
      if (quoted) result += '\'';
      quoted = false;
      result += UpperAscii(c);
      continue;
    }
    if (!quoted) result += '\'';
    quoted = true;
    result += c;
    if (c == '\'') result += '\'';
  }
  if (quoted) result += '\'';
  return result;
}

AnsiString DateTimeSpinTemplateEh(const AnsiString& editFormat) {
  AnsiString result;
  for (std::size_t i = 0; i < editFormat.size(); ++i) {
    const char c = editFormat[i];
    if (c == '\\' && i + 1 < editFormat.size()) {
      ++i;
      result += ' ';
    } else {
      result += IsFormatCharacter(c) ? UpperAscii(c) : ' ';
    }
  }
  return result;
}

TDateTimePartsEh DateTimeTextToPartsEh(const AnsiString& text, const TDateTimeElementsEh& elements) {
  TDateTimePartsEh parts;
  parts.fill(-1);
  for (std::size_t e = 0; e < elements.size(); ++e) {
    const TDateTimeElementInfoEh& element = elements[e];
    if (!element.Present || element.Start < 1) continue;
    const auto start = static_cast<std::size_t>(element.Start - 1);
    if (start >= text.size()) continue;
    parts[e] = ReadNumber(text.substr(start, static_cast<std::size_t>(element.Length)));
  }
  if (parts[dteYearEh] != -1) parts[dteYearEh] = ExpandTwoDigitYearEh(parts[dteYearEh]);
  return parts;
}

TDateTimePartsEh DateTimeValueToPartsEh(const Variant& value) {
  TDateTimePartsEh parts;
  parts.fill(-1);
  if (VarIsNull(value) || VarIsEmpty(value)) return parts;
  const TDateTime dateTime = value.AsDateTime();
  Word year, month, day, hour, minute, second, msec;
  DecodeDate(dateTime, year, month, day);
  DecodeTime(dateTime, hour, minute, second, msec);
  return {year, month, day, hour, minute, second};
}

bool PartsToValueEh(TDateTimePartsEh parts, const TDateTimeElementsEh& elements, Variant& value, bool adjust) {
  if (std::all_of(parts.begin(), parts.end(), [](int part) { return part == -1; })) {
    value = Null();
    return true;
  }
  if (adjust)
    AdjustParts(parts);
  else
    DefaultAbsentParts(parts, elements);
  if (!IsValidDate(parts) || !IsValidTime(parts)) {
    value = Null();
    return false;
  }
  std::array<int, 7> base = {1900, 1, 1, 0, 0, 0, 0};
  if (!VarIsNull(value) && !VarIsEmpty(value)) {
    const TDateTime old = value.AsDateTime();
    Word year, month, day, hour, minute, second, msec;
    DecodeDate(old, year, month, day);
    DecodeTime(old, hour, minute, second, msec);
    if (year >= 1) base = {year, month, day, hour, minute, second, msec};
  }
  for (int e = 0; e < kDateTimeElementCountEh; ++e) {
    const auto i = static_cast<std::size_t>(e);
    if (elements[i].Present && parts[i] >= (IsDatePart(e) ? 1 : 0)) base[i] = parts[i];
  }
  if (base[dteDayEh] > DaysIn(base[dteYearEh], base[dteMonthEh])) {
    value = Null();
    return false;
  }
  value = VarFromDateTime(ComposeDateTime(base[0], base[1], base[2], base[3], base[4], base[5], base[6]));
  return true;
}

TDateTime DayWithTimeOfEh(TDateTime day, const Variant& old) {
  day = std::trunc(day);
  if (VarIsNull(old) || VarIsEmpty(old)) return day;
  const TDateTime moment = old.AsDateTime();
  const double timeOfDay = std::abs(moment - std::trunc(moment));
  return day < 0 ? day - timeOfDay : day + timeOfDay;
}

bool SpinDateTimeElementEh(const AnsiString& text, const AnsiString& spinTemplate, int caret, bool up,
                           TDateTimeSpinEh& result) {
  auto at = static_cast<std::size_t>(std::max(caret, 0));
  if (at < spinTemplate.size() && (spinTemplate[at] == '/' || spinTemplate[at] == ':')) ++at;
  if (at >= spinTemplate.size()) return false;
  const char letter = spinTemplate[at];
  if (ElementOfLetter(letter) < 0) return false;
  const std::size_t start = spinTemplate.find(letter);
  std::size_t end = start;
  while (end < spinTemplate.size() && spinTemplate[end] == letter) ++end;
  const int length = static_cast<int>(end - start);
  const int read = start < text.size() ? ReadNumber(text.substr(start, end - start)) : -1;
  const int number = std::max(read, 0);
  const TSpinRange range = SpinRangeOf(letter, length);
  int next;
  if (up)
    next = number >= range.high ? range.low : std::max(number + 1, range.low);
  else
    next = number <= range.low ? range.high : std::min(number - 1, range.high);
  AnsiString digits = IntToStr(next);
  if (static_cast<int>(digits.size()) < length)
    digits.insert(0, static_cast<std::size_t>(length) - digits.size(), '0');
  AnsiString newText = text;
  if (newText.size() < end) newText.resize(end, ' ');
  newText.replace(start, end - start, digits);
  result = {newText, static_cast<int>(start), length};
  return true;
}

}  // namespace ordvane

#include "classlib/core/DateFormat.h"

#include <cctype>

#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

// ASCII case-insensitive prefix test of text at pos.
bool StartsWithNoCase(const AnsiString& text, std::size_t pos, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i, ++pos)
    if (pos >= text.size() ||
        std::toupper(static_cast<unsigned char>(text[pos])) != std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// value in decimal, zeros before it up to digits; written in place, as every date shown
// in a grid or an export passes here.
void AppendNumber(AnsiString& out, unsigned value, int digits) {
  char text[16];
  char* const end = text + sizeof text;
  char* at = end;
  do {
    *--at = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (at > text && end - at < digits) *--at = '0';
  out.append(at, end);
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime value, const TFormatSettings& settings) : fSettings(settings) {
    DecodeDate(value, fYear, fMonth, fDay);
    DecodeTime(value, fHour, fMin, fSec, fMSec);
    fDayOfWeek = fYear > 0 ? DayOfWeek(value) : 0;
  }

  AnsiString Write(const AnsiString& format) {
    fOut.reserve(32);
    Append(format.empty() ? AnsiString("c") : format, 0);
    return fOut;
  }

 private:
  // Nested formats (a short date format inside "c") go two levels deep at most, so that a
  // format that names itself cannot recurse without end.
  void Append(const AnsiString& format, int level) {
    if (level >= 2) return;
    char lastToken = ' ';
    std::size_t i = 0;
    while (i < format.size()) {
      const char starter = format[i++];
      char token = static_cast<char>(std::toupper(static_cast<unsigned char>(starter)));
      if (std::isalpha(static_cast<unsigned char>(starter))) {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      i = AppendToken(format, i, starter, token, level);
    }
  }

  static int CountRun(const AnsiString& format, std::size_t& i, char starter) {
    int count = 1;
    while (i < format.size() && format[i] == starter) {
      ++i;
      ++count;
    }
    return count;
  }

  template <std::size_t N>
  AnsiString Name(const std::array<AnsiString, N>& names, unsigned index) const {
    return index >= 1 && index <= N ? names[index - 1] : AnsiString();
  }

  // Whether an am/pm designator follows the hour before the next hour.
  static bool TwelveHourClock(const AnsiString& format, std::size_t i) {
    bool quoted = false;
    for (; i < format.size(); ++i) {
      const char c = format[i];
      if (c == '\'' || c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == 'a' || c == 'A')) {
        return StartsWithNoCase(format, i, "AM/PM") || StartsWithNoCase(format, i, "A/P") ||
               StartsWithNoCase(format, i, "AMPM");
      } else if (c == 'h' || c == 'H') {
        return false;
      }
    }
    return false;
  }

  std::size_t AppendToken(const AnsiString& format, std::size_t i, char starter, char token, int level) {
    switch (token) {
      case 'Y': {
        int count = CountRun(format, i, starter);
        if (count <= 2)
          AppendNumber(fOut, fYear % 100u, 2);
        else
          AppendNumber(fOut, fYear, 4);
        break;
      }
      case 'M': {
        int count = CountRun(format, i, starter);
        if (count <= 2)
          AppendNumber(fOut, fMonth, count);
        else
          fOut += Name(count == 3 ? fSettings.ShortMonthNames : fSettings.LongMonthNames, fMonth);
        break;
      }
      case 'D': {
        int count = CountRun(format, i, starter);
        if (count <= 2)
          AppendNumber(fOut, fDay, count);
        else if (count == 3)
          fOut += Name(fSettings.ShortDayNames, static_cast<unsigned>(fDayOfWeek));
        else if (count == 4)
          fOut += Name(fSettings.LongDayNames, static_cast<unsigned>(fDayOfWeek));
        else
          Append(count == 5 ? fSettings.ShortDateFormat : fSettings.LongDateFormat, level + 1);
        break;
      }
      case 'H': {
        int count = CountRun(format, i, starter);
        unsigned hour = fHour;
        if (TwelveHourClock(format, i)) hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
        AppendNumber(fOut, hour, std::min(count, 2));
        break;
      }
      case 'N':
        AppendNumber(fOut, fMin, std::min(CountRun(format, i, starter), 2));
        break;
      case 'S':
        AppendNumber(fOut, fSec, std::min(CountRun(format, i, starter), 2));
        break;
      case 'Z':
        AppendNumber(fOut, fMSec, CountRun(format, i, starter) <= 2 ? 1 : 3);
        break;
      case 'T':
        Append(CountRun(format, i, starter) == 1 ? fSettings.ShortTimeFormat : fSettings.LongTimeFormat,
               level + 1);
        break;
      case 'C':
        CountRun(format, i, starter);
        Append(fSettings.ShortDateFormat, level + 1);
        if (fHour != 0 || fMin != 0 || fSec != 0) {
          fOut += ' ';
          Append(fSettings.LongTimeFormat, level + 1);
        }
        break;
      case 'A':
        return AppendDesignator(format, i);
      case '/':
        if (fSettings.DateSeparator != '\0') fOut += fSettings.DateSeparator;
        break;
      case ':':
        if (fSettings.TimeSeparator != '\0') fOut += fSettings.TimeSeparator;
        break;
      case '\'':
      case '"': {
        std::size_t close = format.find(starter, i);
        if (close == AnsiString::npos) close = format.size();
        fOut.append(format, i, close - i);
        return close < format.size() ? close + 1 : close;
      }
      default:
        fOut += starter;
    }
    return i;
  }

  // am/pm and a/p copy the designator as the format writes it; ampm uses the settings'
  // texts; aaa and aaaa are day names.
  std::size_t AppendDesignator(const AnsiString& format, std::size_t i) {
    const std::size_t start = i - 1;
    const bool pm = fHour >= 12;
    if (StartsWithNoCase(format, start, "AM/PM")) {
      fOut.append(format, start + (pm ? 3 : 0), 2);
      return start + 5;
    }
    if (StartsWithNoCase(format, start, "A/P")) {
      fOut += format[start + (pm ? 2 : 0)];
      return start + 3;
    }
    if (StartsWithNoCase(format, start, "AMPM")) {
      fOut += pm ? fSettings.TimePMString : fSettings.TimeAMString;
      return start + 4;
    }
    if (StartsWithNoCase(format, start, "AAAA")) {
      fOut += Name(fSettings.LongDayNames, static_cast<unsigned>(fDayOfWeek));
      return start + 4;
    }
    if (StartsWithNoCase(format, start, "AAA")) {
      fOut += Name(fSettings.ShortDayNames, static_cast<unsigned>(fDayOfWeek));
      return start + 3;
    }
    fOut += format[start];
    return i;
  }

  const TFormatSettings& fSettings;
  AnsiString fOut;
  Word fYear = 0, fMonth = 0, fDay = 0, fHour = 0, fMin = 0, fSec = 0, fMSec = 0;
  Integer fDayOfWeek = 0;
};

// ---- parsing ---------------------------------------------------------------------------

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(const AnsiString& shortDateFormat) {
  for (char c : shortDateFormat) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'E':
      case 'Y': return DateOrder::YMD;
      case 'M': return DateOrder::MDY;
      case 'D': return DateOrder::DMY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

class DateTimeScanner {
 public:
  DateTimeScanner(const AnsiString& text, const TFormatSettings& settings)
      : fText(text), fSettings(settings) {}

  bool AtEnd() const { return fPos >= fText.size(); }

  bool ScanDate(TDateTime& date) {
    Word n1, n2, n3;
    int length1, length2, length3;
    if (!ScanNumber(n1, length1) || !ScanChar(fSettings.DateSeparator) || !ScanNumber(n2, length2))
      return false;
    const DateOrder order = OrderOf(fSettings.ShortDateFormat);
    Word year, month, day;
    if (ScanChar(fSettings.DateSeparator)) {
      if (!ScanNumber(n3, length3)) return false;
      int yearLength;
      switch (order) {
        case DateOrder::MDY: year = n3, yearLength = length3, month = n1, day = n2; break;
        case DateOrder::DMY: year = n3, yearLength = length3, month = n2, day = n1; break;
        default: year = n1, yearLength = length1, month = n2, day = n3; break;
      }
      if (yearLength <= 2) year = ExpandTwoDigitYear(year, fSettings);
    } else {
      year = CurrentYear();
      if (order == DateOrder::DMY)
        day = n1, month = n2;
      else
        month = n1, day = n2;
    }
    ScanChar(fSettings.DateSeparator);
    ScanBlanks();
    return TryEncodeDate(year, month, day, date);
  }

  bool ScanTime(TDateTime& time) {
    int baseHour = ScanDesignator();
    if (baseHour >= 0) ScanBlanks();
    Word hour, min = 0, sec = 0, msec = 0;
    int length;
    if (!ScanNumber(hour, length)) return false;
    if (ScanChar(fSettings.TimeSeparator)) {
      if (!ScanNumber(min, length)) return false;
      if (ScanChar(fSettings.TimeSeparator)) {
        if (!ScanNumber(sec, length)) return false;
        if (ScanChar(fSettings.DecimalSeparator) && !ScanNumber(msec, length)) return false;
      }
    }
    if (baseHour < 0) baseHour = ScanDesignator();
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      if (hour == 12) hour = 0;
      hour = static_cast<Word>(hour + baseHour);
    }
    ScanBlanks();
    return TryEncodeTime(hour, min, sec, msec, time);
  }

 private:
  void ScanBlanks() {
    while (fPos < fText.size() && fText[fPos] == ' ') ++fPos;
  }

  // Digits up to a value of 1000 or more, so that no number can overflow.
  bool ScanNumber(Word& number, int& length) {
    ScanBlanks();
    std::size_t i = fPos;
    unsigned value = 0;
    while (i < fText.size() && std::isdigit(static_cast<unsigned char>(fText[i])) && value < 1000)
      value = value * 10 + static_cast<unsigned>(fText[i++] - '0');
    if (i == fPos) return false;
    length = static_cast<int>(i - fPos);
    fPos = i;
    number = static_cast<Word>(value);
    return true;
  }

  bool ScanChar(char c) {
    ScanBlanks();
    if (fPos < fText.size() && fText[fPos] == c) {
      ++fPos;
      return true;
    }
    return false;
  }

  bool ScanString(const AnsiString& symbol) {
    ScanBlanks();
    if (symbol.empty() || !StartsWithNoCase(fText, fPos, symbol.c_str())) return false;
    fPos += symbol.size();
    return true;
  }

  // 0 for a morning designator, 12 for an afternoon one, -1 for none.
  int ScanDesignator() {
    if (ScanString(fSettings.TimeAMString) || ScanString("AM")) return 0;
    if (ScanString(fSettings.TimePMString) || ScanString("PM")) return 12;
    return -1;
  }

  const AnsiString& fText;
  const TFormatSettings& fSettings;
  std::size_t fPos = 0;
};

[[noreturn]] void Invalid(const AnsiString& text, const char* what) {
  throw EConvertError("'" + text + "' is not a valid " + what);
}

}  // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime) {
  return FormatDateTime(format, dateTime, FormatSettings());
}
AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime, const TFormatSettings& settings) {
  return DateTimeWriter(dateTime, settings).Write(format);
}

void DateTimeToString(AnsiString& result, const AnsiString& format, TDateTime dateTime) {
  result = FormatDateTime(format, dateTime);
}
void DateTimeToString(AnsiString& result, const AnsiString& format, TDateTime dateTime,
                      const TFormatSettings& settings) {
  result = FormatDateTime(format, dateTime, settings);
}

AnsiString DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
AnsiString DateToStr(TDateTime date, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", date, settings);
}
AnsiString TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }
AnsiString TimeToStr(TDateTime time, const TFormatSettings& settings) {
  return FormatDateTime("tt", time, settings);
}
AnsiString DateTimeToStr(TDateTime dateTime) { return FormatDateTime("", dateTime); }
AnsiString DateTimeToStr(TDateTime dateTime, const TFormatSettings& settings) {
  return FormatDateTime("", dateTime, settings);
}

namespace {

// One reading of the whole text; value changes only when it succeeds.
bool ScanWhole(const AnsiString& text, TDateTime& value, const TFormatSettings& settings,
               bool (DateTimeScanner::*scan)(TDateTime&)) {
  DateTimeScanner scanner(text, settings);
  TDateTime result = 0;
  if (!(scanner.*scan)(result) || !scanner.AtEnd()) return false;
  value = result;
  return true;
}

}  // namespace

bool TryStrToDate(const AnsiString& text, TDateTime& value) {
  return TryStrToDate(text, value, FormatSettings());
}
bool TryStrToDate(const AnsiString& text, TDateTime& value, const TFormatSettings& settings) {
  return ScanWhole(text, value, settings, &DateTimeScanner::ScanDate);
}

bool TryStrToTime(const AnsiString& text, TDateTime& value) {
  return TryStrToTime(text, value, FormatSettings());
}
bool TryStrToTime(const AnsiString& text, TDateTime& value, const TFormatSettings& settings) {
  return ScanWhole(text, value, settings, &DateTimeScanner::ScanTime);
}

bool TryStrToDateTime(const AnsiString& text, TDateTime& value) {
  return TryStrToDateTime(text, value, FormatSettings());
}
bool TryStrToDateTime(const AnsiString& text, TDateTime& value, const TFormatSettings& settings) {
  DateTimeScanner scanner(text, settings);
  TDateTime date = 0, time = 0;
  if (scanner.ScanDate(date) && (scanner.AtEnd() || (scanner.ScanTime(time) && scanner.AtEnd()))) {
    value = date >= 0 ? date + time : date - time;
    return true;
  }
  return TryStrToTime(text, value, settings);
}

TDateTime StrToDate(const AnsiString& text) { return StrToDate(text, FormatSettings()); }
TDateTime StrToDate(const AnsiString& text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDate(text, value, settings)) Invalid(text, "date");
  return value;
}
TDateTime StrToTime(const AnsiString& text) { return StrToTime(text, FormatSettings()); }
TDateTime StrToTime(const AnsiString& text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToTime(text, value, settings)) Invalid(text, "time");
  return value;
}
TDateTime StrToDateTime(const AnsiString& text) { return StrToDateTime(text, FormatSettings()); }
TDateTime StrToDateTime(const AnsiString& text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDateTime(text, value, settings)) Invalid(text, "date and time");
  return value;
}

Word ExpandTwoDigitYear(Word year, const TFormatSettings& settings) {
  const int window = settings.TwoDigitYearCenturyWindow;
  const int centuryBase = CurrentYear() - window;
  int expanded = year + centuryBase / 100 * 100;
  if (window > 0 && expanded < centuryBase) expanded += 100;
  return static_cast<Word>(expanded);
}

}  // namespace ordvane

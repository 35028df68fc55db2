#include "import/SMIDateMask.h"

#include <algorithm>
#include <array>
#include <optional>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

constexpr const char* kEnglishMonths[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                            "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

// Letters of any alphabet: in the ANSI code page every byte from 0x80 up is taken for one.
bool IsLetter(char c) { return IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80; }
bool IsFieldLetter(char c) {
  const char upper = static_cast<char>(c & ~0x20);
  return IsAsciiLetter(c) && AnsiString("DMYHNS").find(upper) != AnsiString::npos;
}

bool StartsWith(const AnsiString& text, const AnsiString& prefix) {
  return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// The month (1 to 12) a word names, or 0.
int MonthOfName(const AnsiString& word, const TFormatSettings& settings) {
  const AnsiString upper = AnsiUpperCase(word);
  std::array<AnsiString, 12> shortNames;
  for (int m = 0; m < 12; ++m) {
    const AnsiString english = kEnglishMonths[m];
    shortNames[m] = AnsiUpperCase(settings.ShortMonthNames[m]);
    if (upper == english || upper == english.substr(0, 3) || upper == shortNames[m] ||
        upper == AnsiUpperCase(settings.LongMonthNames[m]))
      return m + 1;
  }
  for (int m = 0; m < 12; ++m)
    if (StartsWith(upper, AnsiString(kEnglishMonths[m]).substr(0, 3)) || StartsWith(upper, shortNames[m]))
      return m + 1;
  return 0;
}

// The most digits a field can hold: four for the year, two for the others.
std::size_t FieldDigits(char field) {
  return field == 'Y' ? 4 : 2;
}
// A field ended by a separator reads up to this many digits, which an int holds; a value
// out of range is refused when the date is put together.
constexpr std::size_t kLooseDigits = 9;

class MaskReader {
 public:
  MaskReader(const AnsiString& text, const AnsiString& mask, const TFormatSettings& settings)
      : fText(text), fMask(mask), fSettings(settings) {}

  std::optional<TDateTime> Read() {
    std::size_t m = 0;
    while (m < fMask.size() && fPos < fText.size()) {
      if (IsFieldLetter(fMask[m])) {
        const char field = static_cast<char>(fMask[m] & ~0x20);
        std::size_t run = m;
        while (run < fMask.size() && static_cast<char>(fMask[run] & ~0x20) == field) ++run;
        // A field followed directly by another takes as many digits as its run of letters,
        // but never more than the field can hold.
        const bool packed = run < fMask.size() && IsFieldLetter(fMask[run]);
        if (!ReadField(field, packed ? std::min(run - m, FieldDigits(field)) : kLooseDigits)) return std::nullopt;
        m = run;
      } else {
        MatchLiteral(fMask[m]);
        ++m;
      }
    }
    // The text may stop short of the mask only where the time fields begin.
    for (; m < fMask.size(); ++m)
      if (IsFieldLetter(fMask[m]) && AnsiString("DMY").find(static_cast<char>(fMask[m] & ~0x20)) != AnsiString::npos)
        return std::nullopt;
    if (!ReadDayHalf()) return std::nullopt;
    return Encode();
  }

 private:
  bool ReadField(char field, std::size_t maxDigits) {
    if (field == 'M' && IsLetter(fText[fPos])) return ReadMonthName();
    std::size_t end = fPos;
    while (end < fText.size() && end - fPos < maxDigits && IsAsciiDigit(fText[end])) ++end;
    if (end == fPos) return false;
    int value = 0;
    for (std::size_t i = fPos; i < end; ++i) value = value * 10 + (fText[i] - '0');
    if (field == 'Y') fYearDigits = end - fPos;
    fPos = end;
    Store(field, value);
    return true;
  }

  bool ReadMonthName() {
    std::size_t end = fPos;
    while (end < fText.size() && IsLetter(fText[end])) ++end;
    const int month = MonthOfName(fText.substr(fPos, end - fPos), fSettings);
    fPos = end;
    Store('M', month);
    return month != 0;
  }

  // A separator of the text (with the blanks after it, as in "січ. 2021") stands for any
  // literal of the mask; a letter of the mask matches the same letter.
  void MatchLiteral(char literal) {
    const char c = fText[fPos];
    if (IsAsciiLetter(c) && IsAsciiLetter(literal) && (c & ~0x20) == (literal & ~0x20)) {
      ++fPos;
      return;
    }
    // The text leaves the separator out (a blank of the mask before "T" in
    // "2021-03-05T10:00", for one); a wrong letter then fails at the next field.
    if (IsLetter(c) || IsAsciiDigit(c)) return;
    for (++fPos; fPos < fText.size() && fText[fPos] == ' ';) ++fPos;
  }

  // After the fields only blanks and "AM" or "PM" may follow.
  bool ReadDayHalf() {
    const AnsiString rest = UpperCase(Trim(fText.substr(fPos)));
    if (rest.empty()) return true;
    if (rest != "AM" && rest != "PM") return false;
    if (rest == "PM" && fHour >= 1 && fHour <= 11) fHour += 12;
    if (rest == "AM" && fHour == 12) fHour = 0;
    return true;
  }

  void Store(char field, int value) {
    switch (field) {
      case 'D': fDay = value; break;
      case 'M': fMonth = value; break;
      case 'Y': fYear = value; break;
      case 'H': fHour = value; break;
      case 'N': fMinute = value; break;
      case 'S': fSecond = value; break;
    }
  }

  std::optional<TDateTime> Encode() const {
    TDateTime date = 0, time = 0;
    const bool hasDate = fDay >= 0 || fMonth >= 0 || fYear >= 0;
    if (hasDate) {
      // Checked before the narrowing to Word, which would wrap a long number of digits.
      if (fDay < 1 || fDay > 31 || fMonth < 1 || fMonth > 12 || fYear < 0 || fYear > 9999) return std::nullopt;
      const int year = fYearDigits <= 2 ? ExpandTwoDigitYear(static_cast<Word>(fYear), fSettings) : fYear;
      if (!TryEncodeDate(static_cast<Word>(year), static_cast<Word>(fMonth), static_cast<Word>(fDay), date))
        return std::nullopt;
    }
    if (fHour > 23 || fMinute > 59 || fSecond > 59) return std::nullopt;
    if (!TryEncodeTime(static_cast<Word>(fHour), static_cast<Word>(fMinute), static_cast<Word>(fSecond), 0, time))
      return std::nullopt;
    // Before 30 December 1899 the day count is negative and the time still counts forward.
    return date < 0 ? date - time : date + time;
  }

  const AnsiString& fText;
  const AnsiString& fMask;
  const TFormatSettings& fSettings;
  std::size_t fPos = 0;
  int fDay = -1, fMonth = -1, fYear = -1;
  std::size_t fYearDigits = 0;
  int fHour = 0, fMinute = 0, fSecond = 0;
};

}  // namespace

TDateTime DateTimeFromMask(const AnsiString& text, const AnsiString& mask, const TFormatSettings& settings) {
  return MaskReader(text, mask, settings).Read().value_or(0);
}

}  // namespace ordvane

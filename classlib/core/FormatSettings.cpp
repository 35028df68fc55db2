#include "classlib/core/FormatSettings.h"

#include "classlib/core/CodePages.h"

namespace ordvane {

namespace {

template <std::size_t N>
std::array<AnsiString, N> AnsiNames(const char* const (&names)[N]) {
  std::array<AnsiString, N> result;
  for (std::size_t i = 0; i < N; ++i) result[i] = Utf8ToAnsi(names[i]);
  return result;
}

// The names in the ANSI code page in force when a settings object is made.
struct UkrainianTexts {
  AnsiString currency = Utf8ToAnsi("грн.");
  AnsiString longDate = Utf8ToAnsi("d mmmm yyyy' р.'");
  AnsiString noBreakSpace = Utf8ToAnsi("\u00A0");
  std::array<AnsiString, 12> shortMonths = AnsiNames({"Січ", "Лют", "Бер", "Кві", "Тра", "Чер",
                                                      "Лип", "Сер", "Вер", "Жов", "Лис", "Гру"});
  std::array<AnsiString, 12> longMonths =
      AnsiNames({"січень", "лютий", "березень", "квітень", "травень", "червень", "липень",
                 "серпень", "вересень", "жовтень", "листопад", "грудень"});
  std::array<AnsiString, 7> shortDays = AnsiNames({"Нд", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"});
  std::array<AnsiString, 7> longDays = AnsiNames(
      {"неділя", "понеділок", "вівторок", "середа", "четвер", "п'ятниця", "субота"});
};

}  // namespace

TFormatSettings::TFormatSettings() {
  UkrainianTexts texts;
  // A separator is one byte: where the code page writes the no-break space in more
  // (UTF-8), a plain space stands in.
  ThousandSeparator = texts.noBreakSpace.size() == 1 ? texts.noBreakSpace[0] : ' ';
  CurrencyString = std::move(texts.currency);
  LongDateFormat = std::move(texts.longDate);
  ShortMonthNames = std::move(texts.shortMonths);
  LongMonthNames = std::move(texts.longMonths);
  ShortDayNames = std::move(texts.shortDays);
  LongDayNames = std::move(texts.longDays);
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

}  // namespace ordvane

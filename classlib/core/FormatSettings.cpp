#include "classlib/core/FormatSettings.h"

#include <cstdint>

namespace ordvane {

namespace {

// The defaults are written here in UTF-8 and kept in the ANSI code page (Windows-1251):
// only ASCII, Cyrillic and the no-break space occur, so a short mapping suffices.
char Cp1251Of(std::uint32_t code) {
  if (code < 0x80) return static_cast<char>(code);
  if (code >= 0x0410 && code <= 0x044F) return static_cast<char>(0xC0 + (code - 0x0410));
  switch (code) {
    case 0x00A0: return static_cast<char>(0xA0);
    case 0x0401: return static_cast<char>(0xA8);
    case 0x0451: return static_cast<char>(0xB8);
    case 0x0404: return static_cast<char>(0xAA);
    case 0x0454: return static_cast<char>(0xBA);
    case 0x0406: return static_cast<char>(0xB2);
    case 0x0456: return static_cast<char>(0xB3);
    case 0x0407: return static_cast<char>(0xAF);
    case 0x0457: return static_cast<char>(0xBF);
    case 0x0490: return static_cast<char>(0xA5);
    case 0x0491: return static_cast<char>(0xB4);
    default: return '?';
  }
}

AnsiString Ansi(const char* utf8) {
  AnsiString out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p != 0) {
    std::uint32_t code = *p++;
    if (code >= 0xE0) {  // three-byte sequences (U+0800 and above)
      code = (code & 0x0F) << 12;
      code |= static_cast<std::uint32_t>(*p++ & 0x3F) << 6;
      code |= static_cast<std::uint32_t>(*p++ & 0x3F);
    } else if (code >= 0xC0) {
      code = (code & 0x1F) << 6;
      code |= static_cast<std::uint32_t>(*p++ & 0x3F);
    }
    out += Cp1251Of(code);
  }
  return out;
}

template <std::size_t N>
std::array<AnsiString, N> AnsiNames(const char* const (&names)[N]) {
  std::array<AnsiString, N> result;
  for (std::size_t i = 0; i < N; ++i) result[i] = Ansi(names[i]);
  return result;
}

struct UkrainianTexts {
  AnsiString currency = Ansi("грн.");
  AnsiString longDate = Ansi("d mmmm yyyy' р.'");
  char noBreakSpace = Cp1251Of(0x00A0);
  std::array<AnsiString, 12> shortMonths = AnsiNames({"Січ", "Лют", "Бер", "Кві", "Тра", "Чер",
                                                      "Лип", "Сер", "Вер", "Жов", "Лис", "Гру"});
  std::array<AnsiString, 12> longMonths =
      AnsiNames({"січень", "лютий", "березень", "квітень", "травень", "червень", "липень",
                 "серпень", "вересень", "жовтень", "листопад", "грудень"});
  std::array<AnsiString, 7> shortDays = AnsiNames({"Нд", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"});
  std::array<AnsiString, 7> longDays = AnsiNames(
      {"неділя", "понеділок", "вівторок", "середа", "четвер", "п'ятниця", "субота"});
};

const UkrainianTexts& Texts() {
  static const UkrainianTexts texts;
  return texts;
}

}  // namespace

TFormatSettings::TFormatSettings()
    : ThousandSeparator(Texts().noBreakSpace),
      CurrencyString(Texts().currency),
      LongDateFormat(Texts().longDate),
      ShortMonthNames(Texts().shortMonths),
      LongMonthNames(Texts().longMonths),
      ShortDayNames(Texts().shortDays),
      LongDayNames(Texts().longDays) {}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

}  // namespace ordvane

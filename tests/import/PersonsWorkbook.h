#pragma once
// A list of persons saved as an Excel 97 workbook, record by record as xlwt 1.3 writes such
// a list (its output for a few rows of the same columns was dumped record by record and
// this writer follows it): the globals with eight FONT records, the FORMAT records of
// "General" and "dd.mm.yyyy", sixteen style XFs and three cell XFs, one BOUNDSHEET and the
// shared-string table, every string in it once in the order of first use, Cyrillic ones as
// UTF-16 and Latin ones as 8-bit characters, the table going on in CONTINUE records with
// strings split across them; then the sheet: DIMENSIONS, and per row a ROW record and its
// cells in column order, each cell with its XF: LABELSST for texts, one RK record per
// number that RK holds (integers and cents), NUMBER for others (the ten-digit tax numbers),
// RK with the date XF for birth dates, BLANK for an empty note; missing tax numbers are no
// record at all (no two number columns are neighbours, so xlwt writes no MULRK for them
// either). The compound file around it is of version 3, with DIFAT sectors once the
// allocation table outgrows the header. xlrd reads every value of a list of 50 000 as
// PersonsValue gives it, dates as dates.
//
// Every value is a function of its row and column alone, so a test can compare a reader's
// or a database's values with PersonsValue without keeping the list.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "classlib/core/CodePages.h"
#include "tests/import/WorkbookBuilder.h"

namespace ordvane::test {

// Columns: №, surname, first name, patronymic, birth date, town, tax number, amount, the
// name in Latin letters, note. Row 0 is the header.
constexpr unsigned kPersonsColumns = 10;
constexpr unsigned kPersonsDateColumn = 4;

enum TPersonsValueKind { pvEmpty, pvText, pvNumber, pvDate };

struct TPersonsValue {
  TPersonsValueKind Kind = pvEmpty;
  std::string Text;  // UTF-8
  double Number = 0;  // a date is its serial number of days
};

namespace persons_detail {

constexpr std::array<std::string_view, kPersonsColumns> kHeader = {
    "№", "Прізвище", "Ім'я", "По батькові", "Дата народження", "Місто", "ІПН", "Сума",
    "Прізвище та ім'я латиницею", "Примітка"};
constexpr std::array<std::string_view, 48> kSurnames = {
    "Коваленко", "Шевченко",  "Бондаренко", "Ткаченко",  "Кравченко",  "Олійник",   "Мельник",  "Шевчук",
    "Поліщук",   "Бойко",     "Коваль",     "Лисенко",   "Марченко",   "Савченко",  "Руденко",  "Мороз",
    "Петренко",  "Кравчук",   "Клименко",   "Павленко",  "Левченко",   "Ковальчук", "Іваненко", "Гончаренко",
    "Харченко",  "Онищенко",  "Ткачук",     "Литвиненко", "Мартинюк",  "Приходько", "Юрченко",  "Григоренко",
    "Ярошенко",  "Гаврилюк",  "Ігнатенко",  "Єрмоленко", "Ґудзенко",   "Їжакевич",  "Соловйов", "Зінченко",
    "Кузьменко", "Щербак",    "Щербина",    "Вовк",      "Білоус",     "Дячук",     "Костенко", "Пономаренко"};
constexpr std::array<std::string_view, 24> kMaleNames = {
    "Олександр", "Сергій", "Володимир", "Андрій", "Микола", "Іван",   "Василь",  "Юрій",
    "Петро",     "Віктор", "Олег",      "Дмитро", "Михайло", "Ігор",  "Євген",   "Богдан",
    "Тарас",     "Роман",  "Степан",    "Григорій", "Анатолій", "Ярослав", "Максим", "Федір"};
constexpr std::array<std::string_view, 24> kFemaleNames = {
    "Олена", "Наталія", "Тетяна", "Ірина",   "Світлана", "Оксана",  "Людмила", "Галина",
    "Марія", "Юлія",    "Ганна",  "Ольга",   "Валентина", "Катерина", "Надія", "Лариса",
    "Віра",  "Любов",   "Софія",  "Христина", "Зоя",      "Євгенія", "Інна",   "Уляна"};
// A patronymic is the father's name with its ending: the same lists, male and female forms.
constexpr std::array<std::string_view, 24> kPatronymicsMale = {
    "Олександрович", "Сергійович", "Володимирович", "Андрійович", "Миколайович", "Іванович",
    "Васильович",    "Юрійович",   "Петрович",      "Вікторович", "Олегович",    "Дмитрович",
    "Михайлович",    "Ігорович",   "Євгенович",     "Богданович", "Тарасович",   "Романович",
    "Степанович",    "Григорович", "Анатолійович",  "Ярославович", "Максимович", "Федорович"};
constexpr std::array<std::string_view, 24> kPatronymicsFemale = {
    "Олександрівна", "Сергіївна", "Володимирівна", "Андріївна", "Миколаївна", "Іванівна",
    "Василівна",     "Юріївна",   "Петрівна",      "Вікторівна", "Олегівна",  "Дмитрівна",
    "Михайлівна",    "Ігорівна",  "Євгенівна",     "Богданівна", "Тарасівна", "Романівна",
    "Степанівна",    "Григорівна", "Анатоліївна",  "Ярославівна", "Максимівна", "Федорівна"};
constexpr std::array<std::string_view, 30> kTowns = {
    "Київ",      "Харків",   "Одеса",     "Дніпро",   "Львів",     "Запоріжжя", "Кривий Ріг", "Миколаїв",
    "Вінниця",   "Херсон",   "Полтава",   "Чернігів", "Черкаси",   "Суми",      "Житомир",    "Хмельницький",
    "Рівне",     "Івано-Франківськ", "Тернопіль", "Луцьк", "Ужгород", "Чернівці", "Кропивницький", "Біла Церква",
    "Кременчук", "Бердичів", "Умань",     "Ніжин",    "Коломия",   "Ізмаїл"};
// Villages named after a town's district: "с. Нове (Полтава)"; with the towns, 300 places.
constexpr std::array<std::string_view, 9> kVillages = {"Нове",    "Калинівка", "Степове",  "Вишневе", "Зелене",
                                                       "Іванівка", "Петрівка",  "Мирне", "Олександрівка"};
constexpr std::array<std::string_view, 6> kNotes = {"пенсіонер", "ВПО", "інвалід II групи", "студент",
                                                    "багатодітна сім'я", "учасник бойових дій"};

// A mix of row and column: the same cell always gets the same value.
inline std::uint32_t Pick(unsigned row, unsigned salt) {
  std::uint32_t x = row * 2654435761u ^ (salt + 1) * 40503u;
  x ^= x >> 15;
  x *= 2246822519u;
  x ^= x >> 13;
  return x;
}

template <std::size_t N>
std::string_view From(const std::array<std::string_view, N>& list, unsigned row, unsigned salt) {
  return list[Pick(row, salt) % N];
}

inline bool Female(unsigned row) {
  return Pick(row, 100) % 2 == 1;
}

// The national transliteration, enough for the names above.
inline std::string Latin(std::string_view cyrillic) {
  static const std::unordered_map<char16_t, std::string_view> table = {
      {u'а', "a"}, {u'б', "b"}, {u'в', "v"},  {u'г', "h"},  {u'ґ', "g"},    {u'д', "d"},  {u'е', "e"},  {u'є', "ie"},
      {u'ж', "zh"}, {u'з', "z"}, {u'и', "y"}, {u'і', "i"},  {u'ї', "i"},    {u'й', "i"},  {u'к', "k"},  {u'л', "l"},
      {u'м', "m"}, {u'н', "n"}, {u'о', "o"},  {u'п', "p"},  {u'р', "r"},    {u'с', "s"},  {u'т', "t"},  {u'у', "u"},
      {u'ф', "f"}, {u'х', "kh"}, {u'ц', "ts"}, {u'ч', "ch"}, {u'ш', "sh"}, {u'щ', "shch"}, {u'ь', ""}, {u'ю', "iu"},
      {u'я', "ia"}, {u'\'', ""}};
  std::string out;
  bool wordStart = true;
  for (char16_t c : Utf8Decode(cyrillic)) {
    const char16_t lower = c >= u'А' && c <= u'Я' ? static_cast<char16_t>(c + 0x20)
                           : c == u'І' || c == u'Ї' || c == u'Є' ? static_cast<char16_t>(c + 0x50)
                           : c == u'Ґ' ? u'ґ' : c;
    const auto found = table.find(lower);
    std::string part = found != table.end() ? std::string(found->second) : std::string(1, static_cast<char>(c));
    if (wordStart && !part.empty()) part[0] = static_cast<char>(part[0] - 'a' + 'A');
    wordStart = c == u' ';
    out += part;
  }
  return out;
}

inline TPersonsValue TextValue(std::string text) {
  return {pvText, std::move(text), 0};
}

}  // namespace persons_detail

// The value of a cell of the list; row 0 is the header.
inline TPersonsValue PersonsValue(unsigned row, unsigned col) {
  using namespace persons_detail;
  if (row == 0) return TextValue(std::string(kHeader.at(col)));
  const bool female = Female(row);
  const std::string_view surname = From(kSurnames, row, 1);
  const std::string_view name = female ? From(kFemaleNames, row, 2) : From(kMaleNames, row, 2);
  switch (col) {
    case 0:
      return {pvNumber, {}, static_cast<double>(row)};
    case 1: {
      std::string text(surname);
      // Surnames in -ко, -ук, -ник or -ич do not change; those in -ов take the female ending.
      if (female && text.ends_with("ов")) text += "а";
      return TextValue(text);
    }
    case 2:
      return TextValue(std::string(name));
    case 3:
      return TextValue(std::string(female ? From(kPatronymicsFemale, row, 3) : From(kPatronymicsMale, row, 3)));
    case 4:  // 1 January 1930 to 31 December 2005
      return {pvDate, {}, 10959.0 + Pick(row, 4) % 27759};
    case 5: {
      const unsigned place = Pick(row, 5) % 300;
      if (place < kTowns.size() * 3) return TextValue(std::string(kTowns[place % kTowns.size()]));
      return TextValue("с. " + std::string(kVillages[place % kVillages.size()]) + " (" +
                       std::string(kTowns[place % kTowns.size()]) + ")");
    }
    case 6:
      if (Pick(row, 6) % 20 == 0) return {};
      return {pvNumber, {}, 1000000000.0 + Pick(row, 7) % 2999999999u};
    case 7:
      return {pvNumber, {}, static_cast<double>(Pick(row, 8) % 5000000) / 100};
    case 8:
      return TextValue(Latin(PersonsValue(row, 1).Text) + " " + Latin(name));
    case 9:
      if (Pick(row, 9) % 3 != 0) return {};
      return TextValue(std::string(From(kNotes, row, 10)));
    default:
      return {};
  }
}

namespace persons_detail {

// The shared-string table: strings in order of first use, and the records that hold them.
class TSharedStrings {
 public:
  unsigned Index(const std::string& utf8) {
    ++fUses;
    const auto [at, added] = fIndex.try_emplace(utf8, static_cast<unsigned>(fIndex.size()));
    if (added) AddString(Utf8Decode(utf8));
    return at->second;
  }

  // SST, then CONTINUE records of at most 8224 bytes; a string whose characters do not fit
  // goes on in the next record after a new option byte, as every writer does.
  Bytes Records() const {
    Bytes out;
    Bytes record = U32(fUses) + U32(static_cast<unsigned long>(fIndex.size()));
    for (const auto& [text, wide] : fStrings) {
      if (record.size() + 3 + (wide ? 2 : 1) > kMaxData) Flush(out, record);
      Append(record, U16(static_cast<unsigned>(text.size())) + Bytes{static_cast<Byte>(wide)});
      std::size_t at = 0;
      while (at < text.size()) {
        const std::size_t room = (kMaxData - record.size()) / (wide ? 2 : 1);
        if (room == 0) {
          Flush(out, record);
          record.push_back(static_cast<Byte>(wide));
          continue;
        }
        for (const std::size_t end = std::min(text.size(), at + room); at < end; ++at) {
          record.push_back(static_cast<Byte>(text[at]));
          if (wide) record.push_back(static_cast<Byte>(text[at] >> 8));
        }
      }
    }
    Flush(out, record);
    return out;
  }

 private:
  static constexpr std::size_t kMaxData = 8224;

  void AddString(const std::u16string& text) {
    bool wide = false;
    for (char16_t c : text) wide = wide || c > 0xFF;
    fStrings.emplace_back(text, wide);
  }
  static void Flush(Bytes& out, Bytes& record) {
    Append(out, Record(out.empty() ? 0x00FC : 0x003C, record));
    record.clear();
  }

  std::unordered_map<std::string, unsigned> fIndex;
  std::vector<std::pair<std::u16string, bool>> fStrings;
  unsigned long fUses = 0;
};

constexpr unsigned kGeneralXF = 0x11, kDateXF = 0x12;

inline Bytes Cell(Word id, unsigned row, unsigned col, unsigned xf, const Bytes& value) {
  return Record(id, U16(row) + U16(col) + U16(xf) + value);
}

// RK holds integers of 30 bits, and such integers divided by 100.
inline bool TryRK(double value, unsigned long& rk) {
  for (const unsigned scale : {1u, 100u}) {
    const double scaled = value * scale;
    const long long whole = std::llround(scaled);
    if (whole >= -(1LL << 29) && whole < (1LL << 29) && static_cast<double>(whole) / scale == value) {
      rk = (static_cast<unsigned long>(whole) << 2 & 0xFFFFFFFCul) | 2 | (scale == 100 ? 1 : 0);
      return true;
    }
  }
  return false;
}

inline Bytes SheetRecords(unsigned persons, TSharedStrings& strings) {
  Bytes out = Record(0x0200, U32(0) + U32(persons + 1) + U16(0) + U16(kPersonsColumns) + U16(0));
  out.reserve(std::size_t{persons} * 180);
  for (unsigned row = 0; row <= persons; ++row) {
    Append(out, Record(0x0208, U16(row) + U16(0) + U16(kPersonsColumns) + U16(0xFF) + U32(0) + U16(0x100) +
                                   U16(0x0F)));
    for (unsigned col = 0; col < kPersonsColumns; ++col) {
      const TPersonsValue value = PersonsValue(row, col);
      const unsigned xf = value.Kind == pvDate ? kDateXF : kGeneralXF;
      unsigned long rk = 0;
      switch (value.Kind) {
        case pvText:
          Append(out, Cell(0x00FD, row, col, xf, U32(strings.Index(value.Text))));
          break;
        case pvNumber:
        case pvDate:
          Append(out, TryRK(value.Number, rk) ? Cell(0x027E, row, col, xf, U32(rk))
                                              : Cell(0x0203, row, col, xf, F64(value.Number)));
          break;
        case pvEmpty:
          if (col == kPersonsColumns - 1) Append(out, Cell(0x0201, row, col, xf, {}));
          break;
      }
    }
  }
  return out + Record(0x023E, U16(0x2B6) + U16(0) + U16(0) + U16(0x40) + Bytes(10, 0));
}

inline Bytes GlobalRecords(const Bytes& sharedStrings, unsigned long sheetOffset) {
  const Bytes font = Bytes{0xC8, 0, 0, 0, 0xFF, 0x7F, 0x90, 1, 0, 0, 0, 0, 1, 0} + ShortString8("Arial");
  const auto format = [](unsigned index, const std::u16string& text) {
    Bytes out = U16(index) + U16(static_cast<unsigned>(text.size())) + Bytes{0};
    for (char16_t c : text) out.push_back(static_cast<Byte>(c));
    return Record(0x041E, out);
  };
  const auto xf = [](unsigned fontIndex, unsigned formatIndex, bool style) {
    return Record(0x00E0, U16(fontIndex) + U16(formatIndex) + U16(style ? 0xFFF5 : 0x0001) + U16(0x20) +
                              Bytes{0, static_cast<Byte>(style ? 0xF4 : 0xF8)} + Bytes(8, 0) + U16(0x20C0));
  };
  Bytes out = Record(0x0042, U16(1200));
  for (int i = 0; i < 8; ++i) Append(out, Record(0x0031, font));
  Append(out, format(0xA4, u"General") + format(0xA5, u"dd.mm.yyyy"));
  for (int i = 0; i < 16; ++i) Append(out, xf(6, 0xA4, true));
  Append(out, xf(6, 0xA4, false) + xf(7, 0xA4, false) + xf(8, 0xA5, false));
  Append(out, Record(0x0293, U32(0xFF008000)));
  Append(out, Record(0x0085, U32(sheetOffset) + Bytes{0, 0} + Bytes{7, 0} + Bytes{'P', 'e', 'r', 's', 'o', 'n', 's'}));
  return out + sharedStrings;
}

}  // namespace persons_detail

// The workbook stream of the list of `persons` rows and its header.
inline Bytes PersonsWorkbookStream(unsigned persons) {
  using namespace persons_detail;
  TSharedStrings strings;
  const Bytes sheet = BOF(0x10) + SheetRecords(persons, strings) + EOFRecord();
  const Bytes sharedStrings = strings.Records();
  const unsigned long sheetOffset = BOF(0x05).size() + GlobalRecords(sharedStrings, 0).size() + EOFRecord().size();
  return BOF(0x05) + GlobalRecords(sharedStrings, sheetOffset) + EOFRecord() + sheet;
}

inline Bytes PersonsWorkbook(unsigned persons) {
  return CompoundFile(u"Workbook", PersonsWorkbookStream(persons));
}

}  // namespace ordvane::test

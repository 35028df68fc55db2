#include "import/SMIText.h"

#include <array>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/StringLists.h"

namespace ordvane {

namespace {

constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Digit(char c) {
  const auto at = kBase64Alphabet.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The Latin-1 character that each code of IBM code page 037 stands for.
constexpr std::array<unsigned char, 256> kCp037ToLatin1 = {
    0x00, 0x01, 0x02, 0x03, 0x9C, 0x09, 0x86, 0x7F, 0x97, 0x8D, 0x8E, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x9D, 0x85, 0x08, 0x87, 0x18, 0x19, 0x92, 0x8F, 0x1C, 0x1D, 0x1E, 0x1F,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x0A, 0x17, 0x1B, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x05, 0x06, 0x07,
    0x90, 0x91, 0x16, 0x93, 0x94, 0x95, 0x96, 0x04, 0x98, 0x99, 0x9A, 0x9B, 0x14, 0x15, 0x9E, 0x1A,
    0x20, 0xA0, 0xE2, 0xE4, 0xE0, 0xE1, 0xE3, 0xE5, 0xE7, 0xF1, 0xA2, 0x2E, 0x3C, 0x28, 0x2B, 0x7C,
    0x26, 0xE9, 0xEA, 0xEB, 0xE8, 0xED, 0xEE, 0xEF, 0xEC, 0xDF, 0x21, 0x24, 0x2A, 0x29, 0x3B, 0xAC,
    0x2D, 0x2F, 0xC2, 0xC4, 0xC0, 0xC1, 0xC3, 0xC5, 0xC7, 0xD1, 0xA6, 0x2C, 0x25, 0x5F, 0x3E, 0x3F,
    0xF8, 0xC9, 0xCA, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0x60, 0x3A, 0x23, 0x40, 0x27, 0x3D, 0x22,
    0xD8, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0xAB, 0xBB, 0xF0, 0xFD, 0xFE, 0xB1,
    0xB0, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0xAA, 0xBA, 0xE6, 0xB8, 0xC6, 0xA4,
    0xB5, 0x7E, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0xA1, 0xBF, 0xD0, 0xDD, 0xDE, 0xAE,
    0x5E, 0xA3, 0xA5, 0xB7, 0xA9, 0xA7, 0xB6, 0xBC, 0xBD, 0xBE, 0x5B, 0x5D, 0xAF, 0xA8, 0xB4, 0xD7,
    0x7B, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0xAD, 0xF4, 0xF6, 0xF2, 0xF3, 0xF5,
    0x7D, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0xB9, 0xFB, 0xFC, 0xF9, 0xFA, 0xFF,
    0x5C, 0xF7, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0xB2, 0xD4, 0xD6, 0xD2, 0xD3, 0xD5,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xB3, 0xDB, 0xDC, 0xD9, 0xDA, 0x9F,
};

// The import's table from ANSI codes to EBCDIC codes.
std::array<unsigned char, 256> MakeAnsiToEbcdic() {
  std::array<unsigned char, 256> table{};
  for (int ansi = 0; ansi < 256; ++ansi) table[ansi] = ansi < 32 ? static_cast<unsigned char>(ansi) : 0x4B;
  for (int ebcdic = 0; ebcdic < 256; ++ebcdic) {
    const unsigned char latin1 = kCp037ToLatin1[ebcdic];
    if (latin1 >= 32 && latin1 <= 126) table[latin1] = static_cast<unsigned char>(ebcdic);
  }
  table['['] = 0xAD;
  table[']'] = 0xBD;
  table['^'] = 0x5F;
  table['`'] = 0x7D;
  table['|'] = 0x6A;
  return table;
}

// For each EBCDIC code the ANSI text it reads as: the lowest ANSI code that the table maps
// to it (so 0x7D is the apostrophe rather than the grave accent, and 0x4B the full stop),
// else code page 037's own character.
std::array<AnsiString, 256> MakeEbcdicToAnsi() {
  const std::array<unsigned char, 256> toEbcdic = MakeAnsiToEbcdic();
  std::array<AnsiString, 256> result;
  std::array<bool, 256> reached{};
  for (int ansi = 0; ansi < 256; ++ansi) {
    const unsigned char ebcdic = toEbcdic[ansi];
    if (reached[ebcdic]) continue;
    reached[ebcdic] = true;
    result[ebcdic] = AnsiString(1, static_cast<char>(ansi));
  }
  for (int ebcdic = 0; ebcdic < 256; ++ebcdic)
    if (!reached[ebcdic]) result[ebcdic] = WideToAnsi(WideString(1, kCp037ToLatin1[ebcdic]));
  return result;
}

bool IsWordCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Position just after the first word FROM that a blank or line break follows.
std::size_t AfterFromKeyword(const AnsiString& sql) {
  const AnsiString upper = UpperCase(sql);
  for (std::size_t at = upper.find("FROM"); at != AnsiString::npos; at = upper.find("FROM", at + 1)) {
    const std::size_t after = at + 4;
    if ((at == 0 || !IsWordCharacter(upper[at - 1])) && after < upper.size() && IsBlank(upper[after]))
      return after;
  }
  return AnsiString::npos;
}

AnsiString BeforeFirstPoint(const AnsiString& name) { return name.substr(0, name.find('.')); }

}  // namespace

RawByteString DecodeBase64(std::string_view text) {
  RawByteString bytes;
  int group[4];
  int filled = 0;
  for (char c : text) {
    const int digit = c == '=' ? -2 : Base64Digit(c);
    if (digit == -1) continue;
    group[filled++] = digit;
    if (filled < 4) continue;
    filled = 0;
    if (group[0] < 0) continue;
    const int d1 = group[1] < 0 ? 0 : group[1];
    const int d2 = group[2] < 0 ? 0 : group[2];
    const int d3 = group[3] < 0 ? 0 : group[3];
    const unsigned bits = (unsigned(group[0]) << 18) | (unsigned(d1) << 12) | (unsigned(d2) << 6) | unsigned(d3);
    const int count = group[2] < 0 ? 1 : group[3] < 0 ? 2 : 3;
    for (int i = 0; i < count; ++i) bytes += static_cast<char>((bits >> (16 - 8 * i)) & 0xFF);
  }
  return bytes;
}

AnsiString OemToAnsi(std::string_view text) { return ConvertCodePage(text, CP_DOS866, CP_ACP); }

AnsiString EbcdicToAnsi(std::string_view text) {
  // The ANSI code page may change while the process runs; the texts follow it.
  static thread_local Cardinal tableCodePage = 0;
  static thread_local std::array<AnsiString, 256> table;
  if (tableCodePage != GetAnsiCodePage()) {
    table = MakeEbcdicToAnsi();
    tableCodePage = GetAnsiCodePage();
  }
  AnsiString result;
  result.reserve(text.size());
  for (char c : text) result += table[static_cast<unsigned char>(c)];
  return result;
}

AnsiString TableNameFromSQL(const AnsiString& sql) {
  std::size_t at = AfterFromKeyword(sql);
  if (at == AnsiString::npos) return AnsiString();
  while (at < sql.size() && IsBlank(sql[at])) ++at;
  std::size_t end = at;
  while (end < sql.size() && !IsBlank(sql[end]) && AnsiString(",;()").find(sql[end]) == AnsiString::npos) ++end;
  return BeforeFirstPoint(sql.substr(at, end - at));
}

AnsiString DataSetTableName(const TObject* dataSet) {
  for (const char* name : {"TableName", "CommandText"}) {
    const AnsiString text = GetStrProp(dataSet, name);
    if (!text.empty()) return BeforeFirstPoint(text);
  }
  for (const char* name : {"SQL", "SelectSQL"}) {
    if (const TStrings* sql = GetStringsProp(dataSet, name)) {
      const AnsiString table = TableNameFromSQL(sql->Text());
      if (!table.empty()) return table;
    }
  }
  return AnsiString();
}

}  // namespace ordvane

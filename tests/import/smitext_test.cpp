#include "import/SMIText.h"

#include <gtest/gtest.h>

#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/Components.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/core/StringLists.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::Iconv;
using test::Python;

// The standard vectors; a remainder shorter than four is ignored, a group that starts
// with "=" yields nothing, and a line break is passed over.
TEST(Base64, DecodesTheStandardVectorsAndPassesOverWhatIsNotAGroup) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"Zg==", "f"}, {"Zm8=", "fo"}, {"Zm9v", "foo"}, {"Zm9vYg==", "foob"}, {"Zm9vYmE=", "fooba"},
      {"Zm9vYmFy", "foobar"}, {"QUJD", "ABC"}, {"QQ==", "A"}, {"QUJDQQ", "ABC"}, {"====QUJD", "ABC"},
      {"QQ==QUJD", "AABC"}, {"QU\r\nJD", "ABC"}};
  // clang-format on
  for (const auto& [encoded, decoded] : cases) EXPECT_EQ(DecodeBase64(encoded), decoded) << encoded;
}

// Random bytes encoded by the coreutils tool (wrapped at 76 columns, as mail and XML
// writers wrap) come back whole; the tool's own decoder agrees.
TEST(Base64, ReadsWhatTheBase64ToolWrites) {
  std::mt19937 random(20240611);
  for (std::size_t size : {1u, 2u, 3u, 57u, 58u, 1000u, 4099u}) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    const std::string file = test::WriteTempFile(bytes);
    int exitCode = 0;
    const std::string encoded = test::RunCommand("base64 " + file, exitCode);
    ASSERT_EQ(exitCode, 0);
    EXPECT_EQ(DecodeBase64(encoded), bytes) << size;
    const std::string encodedFile = test::WriteTempFile(encoded);
    EXPECT_EQ(test::RunCommand("base64 -d " + encodedFile, exitCode), bytes);
  }
}

// Every DOS byte against iconv; a character that Windows-1251 lacks (the box-drawing
// set) becomes "?" where iconv -c drops it.
TEST(DosText, EveryByteAsIconvConvertsIt) {
  std::string ascii;
  for (int b = 0; b < 128; ++b) ascii += static_cast<char>(b);
  EXPECT_EQ(OemToAnsi(ascii), Iconv(ascii, "CP866", "CP1251"));

  std::string lines;
  for (int b = 128; b < 256; ++b) lines += std::string(1, static_cast<char>(b)) + "\n";
  const std::string converted = Iconv(lines, "CP866", "CP1251");
  std::size_t at = 0;
  for (int b = 128; b < 256; ++b) {
    const std::size_t end = converted.find('\n', at);
    ASSERT_NE(end, std::string::npos) << b;
    const std::string expected = end == at ? "?" : converted.substr(at, end - at);
    EXPECT_EQ(OemToAnsi(std::string(1, static_cast<char>(b))), expected) << "byte " << b;
    at = end + 1;
  }
  EXPECT_EQ(OemToAnsi(""), "");
}

TEST(DosText, FollowsTheAnsiCodePage) {
  const std::string dos = Iconv("Иванов Пётр", "UTF-8", "CP866");
  EXPECT_EQ(OemToAnsi(dos), Utf8ToAnsi("Иванов Пётр"));
  test::AnsiCodePageScope utf8(CP_UTF8);
  EXPECT_EQ(OemToAnsi(dos), "Иванов Пётр");
}

// Python's code page 037 gives the EBCDIC code of each printable ASCII character; the
// table's own choices (brackets, circumflex, grave accent, vertical bar, and 0x4B for
// everything above 126) replace five of them. Each EBCDIC code reads back as the lowest
// ANSI code the table sends there, or else as code page 037 reads it. (The class library
// keeps U+0098 as the byte 0x98, which Windows-1251 leaves unassigned.)
TEST(EbcdicText, EveryCodeAsTheTableAndCodePage037Give) {
  const std::string expected = Python(R"(
import sys
table = list(range(32)) + [chr(a).encode('cp037')[0] for a in range(32, 127)] + [0x4B] * 129
for ch, code in {'[': 0xAD, ']': 0xBD, '^': 0x5F, '`': 0x7D, '|': 0x6A}.items():
    table[ord(ch)] = code
out = bytearray()
for e in range(256):
    if e in table:
        out.append(table.index(e))
    else:
        ch = bytes([e]).decode('cp037')
        out += b'\x98' if ch == '\x98' else ch.encode('cp1251', errors='replace')
sys.stdout.buffer.write(bytes(out))
)");
  ASSERT_EQ(expected.size(), 256u);
  std::string all;
  for (int e = 0; e < 256; ++e) all += static_cast<char>(e);
  EXPECT_EQ(EbcdicToAnsi(all), expected);

  EXPECT_EQ(EbcdicToAnsi("\xAD\xBD\x5F\x6A"), "[]^|");
  EXPECT_EQ(EbcdicToAnsi("\xBA\xBB\xB0\x4F"), "[]^|");  // code page 037's own places
  EXPECT_EQ(EbcdicToAnsi("\x7D\x4B"), "'.");
  EXPECT_EQ(EbcdicToAnsi("\xC8\x85\x93\x93\x96"), "Hello");
}

// A dataset-like component that publishes what query and table components publish.
class TFakeQuery : public TComponent {
  ORDVANE_CLASS(TFakeQuery, TComponent)

 public:
  TFakeQuery() : TComponent(nullptr) {}
  AnsiString tableName, commandText;
  TStringList sql, selectSQL;
};

class TFakeQueryDescendant : public TFakeQuery {
  ORDVANE_CLASS(TFakeQueryDescendant, TFakeQuery)
};

// Registered before main, as a program registers its properties; only a lack of memory
// can fail it.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool registered = [] {
  RegisterStringProperty<TFakeQuery>("TableName", [](const TFakeQuery& q) { return q.tableName; });
  RegisterStringProperty<TFakeQuery>("CommandText", [](const TFakeQuery& q) { return q.commandText; });
  RegisterStringsProperty<TFakeQuery>("SQL",
                                      [](const TFakeQuery& q) { return const_cast<TStringList*>(&q.sql); });
  RegisterStringsProperty<TFakeQuery>(
      "SelectSQL", [](const TFakeQuery& q) { return const_cast<TStringList*>(&q.selectSQL); });
  return true;
}();

TEST(TableName, FromTheSelectText) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"select a, b from T003 where x=1", "T003"}, {"SELECT *\r\nFROM\r\n  T003\r\nWHERE ID > 0", "T003"},
      {"select * from T003;", "T003"}, {"select * from T003,T004", "T003"},
      {"select DATE_FROM from T005 t", "T005"}, {"select * from SCHEMA.T006", "SCHEMA"}, {"select 1", ""},
      {"select * from", ""}};
  // clang-format on
  for (const auto& [sql, table] : cases) EXPECT_EQ(TableNameFromSQL(sql), table) << sql;
}

TEST(TableName, FromTheDatasetsPublishedProperties) {
  TFakeQueryDescendant query;
  EXPECT_EQ(DataSetTableName(&query), "");
  query.selectSQL.SetText("SELECT ID, NAME\nFROM T003\nWHERE ID = 1");
  EXPECT_EQ(DataSetTableName(&query), "T003");
  query.sql.SetText("select * from T001 where 1=1");
  EXPECT_EQ(DataSetTableName(&query), "T001");
  query.commandText = "T002";
  EXPECT_EQ(DataSetTableName(&query), "T002");
  query.tableName = "customer.db";
  EXPECT_EQ(DataSetTableName(&query), "customer");

  TComponent plain(nullptr);
  EXPECT_EQ(DataSetTableName(&plain), "");
  EXPECT_EQ(DataSetTableName(nullptr), "");
}

}  // namespace
}  // namespace ordvane

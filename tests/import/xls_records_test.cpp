// The record layer of the workbook reader: framing over a buffered stream, fields bounded
// by their record, strings over CONTINUE records, the shared-string table, RK numbers and
// the rules of number formats.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "classlib/core/CodePages.h"
#include "classlib/core/Streams.h"
#include "import/SMXLSRecords.h"
#include "import/SMXLSStrings.h"
#include "import/SMXLSValues.h"
#include "tests/import/WorkbookBuilder.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

using test::Bytes;
using test::Record;
using test::operator+;

Bytes Utf16(const std::u16string& text) {
  Bytes out;
  for (char16_t c : text) out.insert(out.end(), {static_cast<Byte>(c), static_cast<Byte>(c >> 8)});
  return out;
}

Bytes Latin1(const std::u16string& text) {
  Bytes out;
  for (char16_t c : text) out.push_back(static_cast<Byte>(c));
  return out;
}

class MemoryStream {
 public:
  explicit MemoryStream(const Bytes& bytes) { fStream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size())); }
  TStream& operator*() { return fStream; }

 private:
  TMemoryStream fStream;
};

TEST(BIFFRecordReader, ReadsRecordsAcrossBufferRefillsAndKeepsPositions) {
  // Records of every length around the reader's 64 KB buffer, so that headers and data
  // straddle its refills.
  Bytes stream;
  std::vector<std::pair<Word, Bytes>> expected;
  for (int i = 0; stream.size() < 300000; ++i) {
    Bytes data(static_cast<std::size_t>((i * 977) % 8225));
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<Byte>(k * 31 + i);
    expected.emplace_back(static_cast<Word>(i), data);
    stream = stream + Record(static_cast<Word>(i), data);
  }
  MemoryStream input(stream);
  TBIFFRecordReader reader(*input, 8224);
  Int64 position = 0;
  for (const auto& [id, data] : expected) {
    ASSERT_TRUE(reader.Next());
    ASSERT_EQ(reader.Header().RecordId, id);
    ASSERT_EQ(reader.RecordPosition(), position);
    ASSERT_FALSE(reader.Skipped());
    const auto got = reader.Data().Bytes();
    ASSERT_EQ(Bytes(got.begin(), got.end()), data) << id;
    position += 4 + static_cast<Int64>(data.size());
    ASSERT_EQ(reader.Position(), position);
  }
  EXPECT_FALSE(reader.Next());
  EXPECT_EQ(reader.Size(), static_cast<Int64>(stream.size()));

  // Back to a record in the middle, as a skipped sheet moves to the next one.
  reader.Seek(4 + static_cast<Int64>(expected[0].second.size()));
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Header().RecordId, 1);
}

TEST(BIFFRecordReader, LongRecordsArePassedOverAndShortStreamsEndCleanly) {
  MemoryStream input(Record(1, Bytes(100, 7)) + Record(2, Bytes(9000, 8)) + Record(3, {1, 2}) + Bytes{0x0A, 0x00, 0x05});
  TBIFFRecordReader reader(*input, 2080);
  ASSERT_TRUE(reader.Next());
  EXPECT_FALSE(reader.Skipped());
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Header().RecordId, 2);
  EXPECT_EQ(reader.Header().Length, 9000);
  EXPECT_TRUE(reader.Skipped());
  EXPECT_EQ(reader.Data().Size(), 0u);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Header().RecordId, 3);
  // A record read ahead is delivered again, data included.
  reader.Unread();
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Data().U16(0), 0x0201);
  // Three bytes are no header: the end.
  EXPECT_FALSE(reader.Next());
  EXPECT_FALSE(reader.Next());
}

TEST(BIFFRecordReader, DataCutShortByTheStreamIsAnError) {
  const Bytes whole = Record(0x0204, Bytes(20, 1));
  MemoryStream input(Bytes(whole.begin(), whole.end() - 5));
  TBIFFRecordReader reader(*input, 8224);
  EXPECT_EQ(ErrorOf<Exception>([&] { reader.Next(); }), "Excel record 0204 runs past the end of the stream");
  // A record longer than the limit is passed over unread, but only when the stream holds it.
  MemoryStream longOne(Record(0x00E5, Bytes(3000, 1)) + Record(0x00E5, Bytes(3000, 1)));
  TBIFFRecordReader limited(*longOne, 2080);
  ASSERT_TRUE(limited.Next());
  EXPECT_TRUE(limited.Skipped());
  MemoryStream cutLong(Bytes{0xE5, 0x00, 0xFF, 0xFF} + Bytes(3000, 1));
  TBIFFRecordReader cutLimited(*cutLong, 2080);
  EXPECT_EQ(ErrorOf<Exception>([&] { cutLimited.Next(); }), "Excel record 00E5 runs past the end of the stream");
}

TEST(BIFFData, FieldsAreLittleEndianAndBoundedByTheRecord) {
  const Bytes bytes = {0x01, 0x02, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  TBIFFData data(0x00FD, bytes);
  EXPECT_EQ(data.U8(0), 0x01);
  EXPECT_EQ(data.U16(0), 0x0201);
  EXPECT_EQ(data.U32(0), 0x04030201u);
  EXPECT_EQ(data.F64(4), 1.0);
  EXPECT_EQ(ErrorOf<Exception>([&] { data.U16(11); }), "Excel record 00FD is damaged");
  EXPECT_EQ(ErrorOf<Exception>([&] { data.F64(5); }), "Excel record 00FD is damaged");
  EXPECT_EQ(ErrorOf<Exception>([&] { data.Slice(13, 0); }), "Excel record 00FD is damaged");
  EXPECT_EQ(ErrorOf<Exception>([&] { data.Slice(2, SIZE_MAX); }), "Excel record 00FD is damaged");
  EXPECT_NO_THROW(data.Slice(12, 0));
}

TEST(BIFFText, StringsOfEveryVersion) {
  const TBIFFTextEncoding biff8{true, CP_WIN1251};
  const TBIFFTextEncoding biff5{false, CP_WIN1251};
  // BIFF8 8-bit characters are Latin-1 whatever code page the workbook names.
  std::size_t offset = 2;
  const Bytes latin = Bytes{9, 9, 5, 0, 0} + Latin1(u"Café") + Bytes{'!'};
  EXPECT_EQ(ReadRecordString(TBIFFData(0x0204, latin), offset, true, biff8), u"Café!");
  EXPECT_EQ(offset, latin.size());
  // BIFF8 16-bit characters, with a short count.
  offset = 0;
  const Bytes wide = Bytes{3, 1} + Utf16(u"Дім");
  EXPECT_EQ(ReadRecordString(TBIFFData(0x0085, wide), offset, false, biff8), u"Дім");
  // Formatting runs and phonetic text announced by the options are passed over.
  offset = 0;
  const Bytes rich = Bytes{2, 0, 0x0D, 1, 0, 3, 0, 0, 0} + Utf16(u"Ab") + Bytes(4, 0xEE) + Bytes(3, 0xDD) + Bytes{0x77};
  EXPECT_EQ(ReadRecordString(TBIFFData(0x0207, rich), offset, true, biff8), u"Ab");
  EXPECT_EQ(rich[offset], 0x77);
  // Before BIFF8: no option byte; the workbook's code page.
  offset = 0;
  const std::string cyrillic = Utf8ToAnsi("Київ");
  Bytes old = {static_cast<Byte>(cyrillic.size()), 0};
  old.insert(old.end(), cyrillic.begin(), cyrillic.end());
  EXPECT_EQ(ReadRecordString(TBIFFData(0x0204, old), offset, true, biff5), u"Київ");
  offset = 0;
  EXPECT_EQ(ReadRecordString(TBIFFData(0x0204, old), offset, true, TBIFFTextEncoding{false, CP_WIN1252}),
            CodePageToWide(cyrillic, CP_WIN1252));
  // A count beyond the record.
  offset = 0;
  EXPECT_EQ(ErrorOf<Exception>([&] { ReadRecordString(TBIFFData(0x0204, Bytes{10, 0, 0, 'a'}), offset, true, biff8); }),
            "Excel record 0204 is damaged");
  offset = 0;
  EXPECT_EQ(ErrorOf<Exception>([&] { ReadRecordString(TBIFFData(0x0204, Bytes{2, 0, 1, 'a', 0, 'b'}), offset, true, biff8); }),
            "Excel record 0204 is damaged");
}

// Text before BIFF8 in the code page its CODEPAGE record names, each encoded by iconv and
// read back through the record's value; the double-byte pages count bytes, not characters.
TEST(BIFFText, TextInTheCodePageOfTheCodePageRecord) {
  struct TCase {
    Word RecordValue;
    const char* IconvName;
    const char* Text;  // UTF-8
  };
  const TCase cases[] = {
      {1251, "CP1251", "Київ, Ґанок"},        {866, "CP866", "Дом"},
      {1252, "CP1252", "Café Straße"},        {32769, "CP1252", "Café €"},
      {367, "CP1252", "plain"},               {1253, "CP1253", "Όνομα Ποσό"},
      {1250, "CP1250", "Łódź, Žluťoučký"},    {1254, "CP1254", "İstanbul ğş"},
      {1257, "CP1257", "Ąžuolas"},            {874, "CP874", "ภาษาไทย"},
      {932, "CP932", "日本語のテキスト"},     {936, "CP936", "中文文本"},
      {949, "CP949", "한국어"},               {950, "CP950", "繁體中文"},
      {10000, "MACINTOSH", "Café ÆØ"},        {32768, "MACINTOSH", "Crème"},
      {10007, "CP10007", "Привет"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.IconvName);
    const std::string encoded = test::Iconv(c.Text, "UTF-8", c.IconvName);
    ASSERT_FALSE(encoded.empty());
    Bytes record = {static_cast<Byte>(encoded.size()), 0};
    record.insert(record.end(), encoded.begin(), encoded.end());
    TBIFFTextEncoding biff5(false, CP_WIN1251);
    biff5.SetCodePage(CodePageFromRecord(c.RecordValue));
    std::size_t offset = 0;
    EXPECT_EQ(Utf8Encode(ReadRecordString(TBIFFData(0x0204, record), offset, true, biff5)), c.Text);
    EXPECT_EQ(offset, record.size());
  }
  // A code page nobody can decode (and UTF-16, which is no 8-bit text) is refused, and so
  // is every text after it, rather than read in another code page.
  for (const Word value : {Word{12345}, Word{1200}}) {
    TBIFFTextEncoding biff5(false, CP_WIN1251);
    const std::string message = "Code page " + std::to_string(value) + " cannot be decoded";
    EXPECT_EQ(ErrorOf<EConvertError>([&] { biff5.SetCodePage(CodePageFromRecord(value)); }), message);
    std::size_t offset = 0;
    EXPECT_EQ(ErrorOf<EConvertError>([&] { ReadRecordString(TBIFFData(0x0204, Bytes{1, 0, 'a'}), offset, true, biff5); }),
              message);
  }
}

// Appends each shared string to the table.
std::function<void(WideString)> Into(std::vector<WideString>& table) {
  return [&table](WideString text) { table.push_back(std::move(text)); };
}

// Splits bytes into segments of the given sizes (the rest goes into a last one).
std::vector<std::span<const Byte>> Split(const Bytes& bytes, std::initializer_list<std::size_t> sizes) {
  std::vector<std::span<const Byte>> out;
  std::size_t at = 0;
  for (std::size_t size : sizes) {
    out.emplace_back(bytes.data() + at, size);
    at += size;
  }
  out.emplace_back(bytes.data() + at, bytes.size() - at);
  return out;
}

TEST(BIFFText, AStringOf10000CharactersOverThreeContinueRecordsSwitchingWidth) {
  // 10 000 characters: 3000 16-bit ones in the SST record, 3000 in the first CONTINUE,
  // 3000 as 8-bit ones in the second, 1000 16-bit ones in the third.
  std::u16string text;
  for (int i = 0; i < 10000; ++i)
    text += i >= 6000 && i < 9000 ? static_cast<char16_t>('a' + i % 26) : static_cast<char16_t>(0x0410 + i % 32);
  const Bytes header = {0x10, 0x27, 0x01};
  Bytes bytes = header + Utf16(text.substr(0, 3000)) + Bytes{0x01} + Utf16(text.substr(3000, 3000)) + Bytes{0x00} +
                Latin1(text.substr(6000, 3000)) + Bytes{0x01} + Utf16(text.substr(9000)) + Bytes{0x02, 0x00, 0x00} +
                Latin1(u"ok");
  const auto segments = Split(bytes, {3 + 6000, 1 + 6000, 1 + 3000});
  TBIFFTextReader reader(segments, ContinueNotFoundMessage);
  std::vector<WideString> table;
  ReadSharedStrings(reader, 2, Into(table));
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0], text);
  EXPECT_EQ(table[1], u"ok");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(BIFFText, RunsAndPhoneticTextAcrossContinueRecordsAreSkipped) {
  // "Ab" with 3 runs and 5 phonetic bytes, the runs split over a record boundary with no
  // option byte in front of the continuation; then "c" starts a fresh record.
  const Bytes bytes = Bytes{2, 0, 0x0C, 3, 0, 5, 0, 0, 0, 'A', 'b'} + Bytes(12, 0xEE) + Bytes(5, 0xDD) +
                      Bytes{1, 0, 0, 'c'};
  const auto segments = Split(bytes, {11 + 7, 5 + 5});
  TBIFFTextReader reader(segments, ContinueNotFoundMessage);
  std::vector<WideString> table;
  ReadSharedStrings(reader, 2, Into(table));
  EXPECT_EQ(table, (std::vector<WideString>{u"Ab", u"c"}));
}

TEST(BIFFText, SharedStringFailures) {
  std::vector<WideString> table;
  // The table promises three strings; the records hold two.
  const Bytes two = Bytes{1, 0, 0, 'a', 1, 0, 0, 'b'};
  const std::span<const Byte> whole[] = {two};
  TBIFFTextReader shortReader(whole, ContinueNotFoundMessage);
  EXPECT_EQ(ErrorOf<Exception>([&] { ReadSharedStrings(shortReader, 3, Into(table)); }), "CONTINUE record is not found in the stream");
  EXPECT_EQ(table, (std::vector<WideString>{u"a", u"b"}));
  // Characters that run past the last record.
  const Bytes cut = Bytes{5, 0, 1} + Utf16(u"abc");
  const std::span<const Byte> cutSegments[] = {cut};
  TBIFFTextReader cutReader(cutSegments, ContinueNotFoundMessage);
  EXPECT_EQ(ErrorOf<Exception>([&] { ReadSharedStrings(cutReader, 1, Into(table)); }), "CONTINUE record is not found in the stream");
  // An option byte the table cannot hold.
  for (Byte options : {0x02, 0x10, 0x81}) {
    const Bytes odd = {1, 0, options, 'a', 0};
    const std::span<const Byte> oddSegments[] = {odd};
    TBIFFTextReader oddReader(oddSegments, ContinueNotFoundMessage);
    EXPECT_EQ(ErrorOf<Exception>([&] { ReadSharedStrings(oddReader, 1, Into(table)); }),
              Format("String in SST (Options byte is 0x%.2x) can not be processed.", {options}));
  }
  // A count of four billion strings reads what is there and fails; nothing is reserved for it.
  TBIFFTextReader hugeReader(whole, ContinueNotFoundMessage);
  table.clear();
  EXPECT_EQ(ErrorOf<Exception>([&] { ReadSharedStrings(hugeReader, 0xFFFFFFFF, Into(table)); }),
            "CONTINUE record is not found in the stream");
  EXPECT_EQ(table.size(), 2u);
}

TEST(BIFFText, ContinuedRecordsAreCollectedUpToTheNextOtherRecord) {
  MemoryStream input(Record(0x00FC, {1, 2, 3, 4}) + Record(BIFF_CONTINUE, {5}) + Record(BIFF_CONTINUE, {}) +
                     Record(BIFF_CONTINUE, {6, 7}) + Record(0x00FD, {8}));
  TBIFFRecordReader reader(*input, 8224);
  ASSERT_TRUE(reader.Next());
  TBIFFContinuedRecord record(reader, 2);
  ASSERT_EQ(record.Segments().size(), 4u);
  EXPECT_EQ(Bytes(record.Segments()[0].begin(), record.Segments()[0].end()), (Bytes{3, 4}));
  EXPECT_EQ(record.Segments()[3][1], 7);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Header().RecordId, 0x00FD);
}

TEST(BIFFValues, RKNumbers) {
  EXPECT_EQ(DecodeRK(0x3FF00000), 1.0);
  EXPECT_EQ(DecodeRK(0x00000193), 1.0);  // 400 / 4 / 100
  EXPECT_EQ(DecodeRK(0x3FF00001), 0.01);
  EXPECT_EQ(DecodeRK(static_cast<Cardinal>(-7 * 4) | 2), -7.0);
  EXPECT_EQ(DecodeRK(0xFFFFFFFE), -1.0);
  EXPECT_EQ(DecodeRK(0x80000002), -536870912.0);
  EXPECT_EQ(DecodeRK(static_cast<Cardinal>(-1234 * 4) | 3), -12.34);
  // A double whose lower 32 bits are zero: -2.5.
  EXPECT_EQ(DecodeRK(0xC0040000), -2.5);
}

TEST(BIFFValues, ErrorTexts) {
  const std::pair<Byte, const char*> known[] = {{0, "#NULL!"},  {7, "#DIV/0!"}, {15, "#VALUE!"}, {23, "#REF!"},
                                               {29, "#NAME?"}, {36, "#NUM!"},   {42, "#N/A"}};
  for (const auto& [code, text] : known) EXPECT_EQ(ErrorCodeText(code), text);
  EXPECT_EQ(ErrorCodeText(255), "Unknown error code 255");
  EXPECT_EQ(ErrorCodeText(1), "Unknown error code 1");
}

TEST(BIFFValues, NumberFormats) {
  TXLSNumberFormats formats;
  formats.RegisterBuiltIn();
  EXPECT_EQ(formats.Count(), 50);
  EXPECT_EQ(formats.Text(13), u"# ?" u"?/??");
  EXPECT_EQ(formats.Text(43), u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)");
  EXPECT_EQ(formats.Text(30), u"");
  EXPECT_EQ(formats.Text(-1), u"");
  EXPECT_EQ(formats.Text(50), u"");
  using F = TXLSNumberFormats;
  EXPECT_EQ(formats.Kind(14), F::fkDate);
  EXPECT_EQ(formats.Kind(20), F::fkDate);  // h:mm counts as a date
  EXPECT_EQ(formats.Kind(45), F::fkDate);  // mm:ss
  EXPECT_EQ(formats.Kind(18), F::fkDate);   // h:mm AM/PM
  EXPECT_EQ(formats.Kind(10), F::fkPercent);
  EXPECT_EQ(formats.Kind(2), F::fkPlain);
  EXPECT_EQ(formats.Kind(1000), F::fkPlain);
  EXPECT_EQ(formats.Kind(-1), F::fkPlain);
  formats.Register(200, u"DD.MM.YYYY");
  EXPECT_EQ(formats.Count(), 201);
  EXPECT_EQ(formats.Kind(200), F::fkDate);
  formats.Register(0, u"dd%");  // index 0 is never a date
  EXPECT_EQ(formats.Kind(0), F::fkPercent);
  formats.Register(164, u"[Red]0.0\"%\"");
  EXPECT_EQ(formats.Kind(164), F::fkPercent);
  formats.Clear();
  EXPECT_EQ(formats.Kind(14), F::fkPlain);
}

}  // namespace
}  // namespace ordvane

// The compound-file reader against files written by other tools (OLE::Storage_Lite,
// libgsf, xlwt, Spreadsheet::WriteExcel, LibreOffice and a version-4 writer), each
// compared stream by stream with the dump that olefile made and gsf confirmed
// (tests/fixtures/make_compound.sh), and against hand-corrupted copies.

#include "classlib/core/CompoundFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "classlib/core/CodePages.h"
#include "tests/classlib/Support.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

using test::FixturePath;

std::vector<Byte> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Fixture(const std::string& name) {
  return FixturePath("compound/" + name);
}

Cardinal Crc32(const std::vector<Byte>& data) {
  Cardinal crc = 0xFFFFFFFF;
  for (Byte b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// UTF-8, with characters below 0x20 as \xNN, as the dump script writes names.
std::string DumpName(const WideString& name) {
  std::string out;
  for (char c : Utf8Encode(name)) {
    if (static_cast<unsigned char>(c) >= 0x20) {
      out += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
    out += hex;
  }
  return out;
}

std::vector<Byte> ReadAll(TCompoundStream stream) {
  std::vector<Byte> data(stream.Size());
  EXPECT_EQ(stream.Read(data.data(), data.size()), data.size());
  Byte extra;
  EXPECT_EQ(stream.Read(&extra, 1), 0u);
  return data;
}

void DumpStorage(const TCompoundStorage& storage, const std::string& prefix,
                 std::vector<std::string>& lines) {
  for (const TCompoundElement& e : storage.Elements()) {
    std::string path = prefix + DumpName(e.Name);
    if (e.Type == TCompoundElementType::Storage) {
      lines.push_back("S " + path);
      DumpStorage(storage.OpenStorage(e.Name), path + "/", lines);
      continue;
    }
    std::vector<Byte> data = ReadAll(storage.OpenStream(e.Name));
    EXPECT_EQ(data.size(), e.Size) << path;
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", Crc32(data));
    lines.push_back("F " + std::to_string(data.size()) + " " + crc + " " + path);
  }
}

std::vector<std::string> Dump(const TCompoundFile& file) {
  std::vector<std::string> lines;
  DumpStorage(file.Root(), "", lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

const char* const kFixtures[] = {"nested.ole", "large.ole",      "v4.cfb",         "gsf.ole",
                                 "xlwt.xls",   "writeexcel.xls", "libreoffice.xls"};

TEST(CompoundFile, EveryStreamOfFilesFromOtherToolsMatchesTheOracle) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    std::vector<std::string> expected = ReadLines(Fixture(name) + ".tree");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Dump(TCompoundFile::OpenFile(Fixture(name))), expected);
    EXPECT_EQ(Dump(TCompoundFile::OpenMemory(ReadFileBytes(Fixture(name)))), expected);
    EXPECT_TRUE(TCompoundFile::IsCompoundFile(Fixture(name)));
  }
  EXPECT_EQ(TCompoundFile::OpenFile(Fixture("v4.cfb")).SectorSize(), 4096u);
  EXPECT_EQ(TCompoundFile::OpenFile(Fixture("nested.ole")).SectorSize(), 512u);
}

TEST(CompoundFile, SignatureTest) {
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(Fixture("nested.ole.tree")));
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(Fixture("no-such-file")));
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(FixturePath("compound")));
  const Byte head[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  EXPECT_TRUE(TCompoundFile::HasSignature(head, sizeof head));
  EXPECT_FALSE(TCompoundFile::HasSignature(head, sizeof head - 1));
}

TEST(CompoundFile, ElementsComeInDirectoryOrderWithTypesAndSizes) {
  TCompoundStorage level1 = TCompoundFile::OpenFile(Fixture("nested.ole")).Root().OpenStorage(u"Level1");
  std::vector<TCompoundElement> elements = level1.Elements();
  ASSERT_EQ(elements.size(), 3u);
  // The directory orders names by length first, then by their upper case.
  EXPECT_EQ(elements[0].Name, u"Inner");
  EXPECT_EQ(elements[0].Type, TCompoundElementType::Stream);
  EXPECT_EQ(elements[0].Size, 300u);
  EXPECT_EQ(elements[1].Name, u"Level2");
  EXPECT_EQ(elements[1].Type, TCompoundElementType::Storage);
  EXPECT_EQ(elements[1].Size, 0u);
  EXPECT_EQ(elements[2].Name, u"EmptyStorage");
  EXPECT_TRUE(level1.OpenStorage(u"EmptyStorage").Elements().empty());
  EXPECT_EQ(level1.Name(), u"Level1");
}

TEST(CompoundFile, NamesAreFoundWithoutRegardToCase) {
  TCompoundStorage root = TCompoundFile::OpenFile(Fixture("nested.ole")).Root();
  EXPECT_EQ(root.OpenStream(u"MIXED case NAME").Size(), 700u);
  EXPECT_EQ(root.OpenStream(u"КИРИЛИЦЯ").Size(), 100u);
  EXPECT_EQ(root.OpenStorage(u"level1").OpenStorage(u"LEVEL2").OpenStream(u"deep").Size(), 5000u);
  ASSERT_TRUE(root.FindElement(u"big4096").has_value());
  EXPECT_EQ(root.FindElement(u"big4096")->Name, u"Big4096");
  EXPECT_FALSE(root.FindElement(u"Big409").has_value());
  // A name of the other kind is not opened as this kind.
  EXPECT_THROW(root.OpenStream(u"Level1"), EFOpenError);
  EXPECT_THROW(root.OpenStorage(u"Big4096"), EFOpenError);
  EXPECT_THROW(root.OpenStream(u"Missing"), EFOpenError);
}

// Reads in pieces of every awkward size and at random positions must give what one whole
// read gives, on both sides of the mini stream cutoff and across sector boundaries.
TEST(CompoundFile, PiecewiseAndPositionedReadsMatchTheWholeRead) {
  for (const char* file : {"nested.ole", "v4.cfb"}) {
    TCompoundStorage root = TCompoundFile::OpenFile(Fixture(file)).Root();
    for (const TCompoundElement& e : root.Elements()) {
      if (e.Type != TCompoundElementType::Stream) continue;
      SCOPED_TRACE(std::string(file) + " " + DumpName(e.Name));
      const std::vector<Byte> whole = ReadAll(root.OpenStream(e.Name));
      for (std::size_t piece : {1u, 63u, 64u, 65u, 511u, 513u, 4097u}) {
        TCompoundStream s = root.OpenStream(e.Name);
        std::vector<Byte> joined;
        std::vector<Byte> buffer(piece);
        while (std::size_t got = s.Read(buffer.data(), piece))
          joined.insert(joined.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        EXPECT_EQ(joined, whole) << "pieces of " << piece;
      }
      TCompoundStream s = root.OpenStream(e.Name);
      for (UInt64 position = 0; position < whole.size(); position += 97) {
        s.SetPosition(position);
        Byte pair[2] = {};
        std::size_t got = s.Read(pair, 2);
        ASSERT_EQ(got, std::min<std::size_t>(2, whole.size() - position));
        EXPECT_EQ(pair[0], whole[position]);
        EXPECT_EQ(s.Position(), position + got);
      }
      s.SetPosition(whole.size() + 10);
      Byte b;
      EXPECT_EQ(s.Read(&b, 1), 0u);
    }
  }
}

TEST(CompoundFile, HandlesOutliveTheFileObject) {
  std::optional<TCompoundStream> stream;
  {
    TCompoundFile file = TCompoundFile::OpenFile(Fixture("large.ole"));
    stream = file.Root().OpenStream(u"Huge");
  }
  stream->SetPosition(7'499'999);
  Byte last = 0;
  ASSERT_EQ(stream->Read(&last, 1), 1u);
  EXPECT_EQ(last, (7'499'999 % 251 * 7 + 20) % 251);
}

// ---- damaged files

using test::GetCardinal;
using test::PutCardinal;

// Layout of v4.cfb (make_v4.py): sector n at 4096 * (n + 1); sector 0 the allocation
// table, 1 the directory, 2 the mini allocation table; "Alpha" in sectors 7, 6, 5.
constexpr std::size_t kV4Sector = 4096;
std::size_t V4Fat(Cardinal sector) {
  return kV4Sector + 4 * std::size_t{sector};
}
std::size_t V4Entry(Cardinal entry) {
  return 2 * kV4Sector + 128 * std::size_t{entry};
}
std::size_t V4MiniFat(Cardinal miniSector) {
  return 3 * kV4Sector + 4 * std::size_t{miniSector};
}

// Runs action on a patched copy of a fixture; it must fail with ECompoundFileError whose
// message holds the phrase.
void ExpectDamaged(const char* fixture, const std::function<void(std::vector<Byte>&)>& patch,
                   const std::function<void(const TCompoundFile&)>& use, const std::string& phrase) {
  std::vector<Byte> data = ReadFileBytes(Fixture(fixture));
  patch(data);
  try {
    use(TCompoundFile::OpenMemory(data));
    ADD_FAILURE() << "no error; expected one about " << phrase;
  } catch (const ECompoundFileError& e) {
    EXPECT_NE(e.Message().find(phrase), std::string::npos) << e.Message();
  }
}

void OpenOnly(const TCompoundFile&) {}
void ReadAlpha(const TCompoundFile& f) {
  ReadAll(f.Root().OpenStream(u"Alpha"));
}
void ReadDelta(const TCompoundFile& f) {
  ReadAll(f.Root().OpenStorage(u"Folder").OpenStream(u"Delta"));
}

TEST(CompoundFile, DamagedChainsFailCleanly) {
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Fat(6), 7); }, ReadAlpha, "cyclic");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Fat(6), 1000); }, ReadAlpha, "out of range");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Fat(6), 0xFFFFFFFE); }, ReadAlpha, "ends after 2 of 3");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4MiniFat(3), 2); }, ReadDelta, "cyclic");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4MiniFat(3), 70); }, ReadDelta, "out of range");
  // The directory's own chain loops back on itself.
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Fat(1), 1); }, OpenOnly, "cyclic");
  // The mini stream of the root entry reaches past the allocation table's sectors.
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Fat(3), 3); }, OpenOnly, "mini stream is cyclic");
}

TEST(CompoundFile, DamagedDirectoriesFailCleanly) {
  // Beta's left sibling is Alpha, its own parent in the tree.
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Entry(2) + 68, 1); }, OpenOnly, "reached twice");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Entry(2) + 72, 40); }, OpenOnly, "out of range");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[V4Entry(3) + 66] = 7; }, OpenOnly, "unknown type 7");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[V4Entry(0) + 66] = 1; }, OpenOnly, "not the root");
}

// A name runs to its declared length or to its first zero, whichever comes first; the
// length never reaches past the 64 bytes of the name field.
TEST(CompoundFile, NamesEndAtTheirLengthOrTheirFirstZero) {
  struct TCase {
    Byte Length;
    std::u16string Characters;  // written over Gamma's name field, zero-padded
    std::u16string Expected;
  };
  const std::u16string full(32, u'X');
  const TCase cases[] = {
      {10, u"Gamma", u"Gamma"},     // no terminator inside the length
      {12, u"Gamma", u"Gamma"},     // the terminator counted, as the format says
      {64, u"Gamma", u"Gamma"},     // zeros inside the length end the name
      {9, u"Gamma", u"Gamm"},       // an odd length drops the half character
      {64, full, full},             // all 32 characters, no terminator
      {200, full, full},            // a length past the field
      {0, u"Gamma", u""},
  };
  for (const TCase& c : cases) {
    std::vector<Byte> data = ReadFileBytes(Fixture("v4.cfb"));
    std::fill_n(&data[V4Entry(4)], 64, Byte{0});
    std::memcpy(&data[V4Entry(4)], c.Characters.data(), 2 * c.Characters.size());
    data[V4Entry(4) + 64] = c.Length;
    const TCompoundStorage folder = TCompoundFile::OpenMemory(data).Root().OpenStorage(u"Folder");
    std::vector<std::u16string> names;
    for (const TCompoundElement& e : folder.Elements()) names.push_back(e.Name);
    EXPECT_NE(std::find(names.begin(), names.end(), c.Expected), names.end())
        << "length " << int(c.Length);
    EXPECT_EQ(ReadAll(folder.OpenStream(c.Expected)).size(), 5000u) << "length " << int(c.Length);
  }
}

TEST(CompoundFile, SizesBeyondTheFileFailCleanly) {
  // A huge size fails when that stream is opened; the rest of the file stays readable.
  std::vector<Byte> data = ReadFileBytes(Fixture("v4.cfb"));
  PutCardinal(data, V4Entry(1) + 124, 0x100);
  TCompoundFile file = TCompoundFile::OpenMemory(data);
  EXPECT_THROW(file.Root().OpenStream(u"Alpha"), ECompoundFileError);
  EXPECT_EQ(ReadAll(file.Root().OpenStream(u"Beta")).size(), 100u);
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, V4Entry(1) + 120, 50000); }, ReadAlpha, "runs past the end");
  // Version 3 sizes are 32-bit: garbage that old writers left in the upper half is no error.
  std::vector<Byte> v3 = ReadFileBytes(Fixture("nested.ole"));
  const std::u16string name = u"Mini4095";
  const Byte* nameBytes = reinterpret_cast<const Byte*>(name.data());
  auto entry = std::search(v3.begin(), v3.end(), nameBytes, nameBytes + 2 * name.size());
  ASSERT_NE(entry, v3.end());
  PutCardinal(v3, static_cast<std::size_t>(entry - v3.begin()) + 124, 0xFFFFFFFF);
  EXPECT_EQ(ReadAll(TCompoundFile::OpenMemory(v3).Root().OpenStream(name)),
            ReadAll(TCompoundFile::OpenFile(Fixture("nested.ole")).Root().OpenStream(name)));
}

TEST(CompoundFile, TruncatedFilesFailCleanly) {
  // Inside the allocation table, inside the directory, then inside Alpha's last sector.
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(kV4Sector + 100); }, OpenOnly, "ends before");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(2 * kV4Sector + 300); }, OpenOnly, "ends before");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(8 * kV4Sector + 10); }, ReadAlpha, "ends before");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(5 * kV4Sector); }, ReadAlpha, "out of range");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(300); }, OpenOnly, "shorter than a header");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d.resize(1000); }, OpenOnly, "shorter than its header sector");
}

TEST(CompoundFile, DamagedHeadersFailCleanly) {
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[7] = 0; }, OpenOnly, "signature");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[30] = 10; }, OpenOnly, "sector shift 10");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[26] = 3; }, OpenOnly, "unsupported version 3");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { d[32] = 7; }, OpenOnly, "mini sector");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, 56, 8192); }, OpenOnly, "cutoff");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, 44, 0xFFFFFFFF); }, OpenOnly, "more allocation table sectors");
  ExpectDamaged(
      "v4.cfb", [](auto& d) { PutCardinal(d, 76, 200); }, OpenOnly, "out of range");
}

// large.ole lists 116 allocation table sectors: 109 in the header, the rest in one DIFAT
// sector.
TEST(CompoundFile, DamagedDifatChainsFailCleanly) {
  std::vector<Byte> data = ReadFileBytes(Fixture("large.ole"));
  ASSERT_EQ(GetCardinal(data, 44), 116u);
  const Cardinal difat = GetCardinal(data, 68);
  const std::size_t difatNext = 512 * (difat + 1) + 508;
  // More table sectors than the chain lists: the chain ends, then it loops.
  ExpectDamaged(
      "large.ole", [](auto& d) { PutCardinal(d, 44, 300); }, OpenOnly,
      "DIFAT chain reaches sector 4294967294");
  ExpectDamaged(
      "large.ole",
      [&](auto& d) {
        PutCardinal(d, 44, 300);
        PutCardinal(d, difatNext, difat);
      },
      OpenOnly, "DIFAT chain is cyclic");
  ExpectDamaged(
      "large.ole", [&](auto& d) { PutCardinal(d, 512 * (difat + 1), 0xFFFFFFF0); }, OpenOnly, "out of range");
}

}  // namespace
}  // namespace ordvane

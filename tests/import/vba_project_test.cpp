// The macro project of a workbook: the module directory of a "_VBA_PROJECT" stream and the
// module sources, read from stream bytes built here to the directory's layout (every
// skipped region is filled with bytes that would show up as wrong names or lengths if a
// skip were off by any amount); then the two walks over the macro storage of compound
// workbooks written with OLE::Storage_Lite by tests/fixtures/make_vba_projects.pl, which
// also wrote the texts each walk must find.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "import/SMVBA.h"
#include "tests/classlib/Support.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

using Bytes = std::vector<Byte>;

class StreamBuilder {
 public:
  StreamBuilder& Word16(unsigned value) {
    fBytes.push_back(static_cast<Byte>(value & 0xFF));
    fBytes.push_back(static_cast<Byte>(value >> 8));
    return *this;
  }
  StreamBuilder& Word32(unsigned long value) {
    Word16(value & 0xFFFF);
    return Word16(value >> 16);
  }
  StreamBuilder& Raw(const Bytes& bytes) {
    fBytes.insert(fBytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // Bytes that the reader passes over.
  StreamBuilder& Filler(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) fBytes.push_back(static_cast<Byte>(0x41 + i % 7));
    return *this;
  }
  // A byte length and the UTF-16LE characters.
  StreamBuilder& Name(const std::u16string& text) {
    Word16(static_cast<unsigned>(2 * text.size()));
    for (char16_t c : text) Word16(c);
    return *this;
  }
  const Bytes& Result() const { return fBytes; }

 private:
  Bytes fBytes;
};

// Only a lack of memory can fail this, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const Bytes GoodOctets = {0x06, 0x02, 0x01, 0x00, 0x08, 0x02, 0x00, 0x00};

StreamBuilder Header(unsigned referenceCount) {
  StreamBuilder b;
  b.Filler(30).Word16(referenceCount).Filler(2);
  return b;
}

// Everything between the references and the module records, with W = 0.
void MiddlePart(StreamBuilder& b, const Bytes& octets = GoodOctets) {
  b.Word16(0).Filler(318).Raw(octets);
  b.Word16(7).Word16(0x1234).Word16(0xFFFF);  // the list ended by FFFF
  b.Word16(5).Filler(5).Word16(0xFFFF);       // a sized block, then an absent one
  b.Filler(100);
}

// A module record of the common form: X below FFFF, Z extra 8-byte groups.
void ModuleRecord(StreamBuilder& b, const std::u16string& name, const std::u16string& second,
                  unsigned long offset, unsigned z = 1) {
  b.Name(name).Name(second);
  b.Word16(3).Filler(3 + 2);
  b.Filler(8).Raw({static_cast<Byte>(z)}).Filler(8 * z + 6);
  b.Word32(offset).Filler(2);
}

// Only a lack of memory can fail these, which nothing before main could handle either.
// NOLINTBEGIN(cert-err58-cpp)
const std::u16string StdOle = u"*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE";
const std::u16string Office = u"*\\H{2DF8D04C-5BFA-101B-BDE5-00AA0044DE52}#2.1#0#mso.dll#Office";
const std::u16string FormsA = u"*\\C{0D452EE1-E08F-101A-852E-02608C4D0BB4}#2.0#0#fm20.dll#Forms";
const std::u16string FormsB = u"*\\D{AC9F2F90-E877-11CE-9F68-00AA00574A4F}#2.0#0#forms.twd#Forms";
// NOLINTEND(cert-err58-cpp)

// The entries as "reference|module|second name|text offset", the references above by
// their names.
std::vector<std::string> Entries(const StreamBuilder& b, TVBAProjectItems& items) {
  ReadVBAModuleDirectory(b.Result(), items);
  std::vector<std::string> entries;
  for (int i = 0; i < items.Count(); ++i) {
    const TVBAProjectItem& item = *items.Items(i);
    const std::pair<std::u16string, const char*> known[] = {
        {StdOle, "StdOle"}, {Office, "Office"}, {FormsA, "FormsA"}, {FormsB, "FormsB"}};
    std::string reference = Utf8Encode(item.Reference);
    for (const auto& [text, name] : known)
      if (item.Reference == text) reference = name;
    entries.push_back(reference + "|" + Utf8Encode(item.ModuleName) + "|" + Utf8Encode(item.SecondName) +
                      "|" + std::to_string(item.TextOffset));
  }
  return entries;
}

std::vector<std::string> Entries(const StreamBuilder& b) {
  TVBAProjectItems items;
  return Entries(b, items);
}

using Lines = std::vector<std::string>;

TEST(VBAModuleDirectory, ReferencesThenModuleRecordsFillTheListInOrder) {
  // Three references and two module records: three entries, the last with its reference
  // only. The second record takes the X = FFFF form and has no extra 8-byte groups.
  StreamBuilder b = Header(3);
  b.Name(StdOle).Filler(12);
  b.Name(FormsA);
  b.Name(Office).Filler(12);
  MiddlePart(b);
  b.Word16(2);
  ModuleRecord(b, u"ThisWorkbook", u"ThisWorkbookSecond", 0x1A2);
  b.Name(u"Module1").Name(u"M1").Word16(0xFFFF).Filler(2).Word16(9).Filler(9);
  b.Filler(8).Raw({0}).Filler(6).Word32(0x80000010UL).Filler(2);
  EXPECT_EQ(Entries(b), (Lines{"StdOle|ThisWorkbook|ThisWorkbookSecond|418", "FormsA|Module1|M1|-2147483632",
                               "Office|||0"}));
}

TEST(VBAModuleDirectory, ControlReferencesSkipAfterEverySecondOneCountedTogether) {
  StreamBuilder b = Header(6);
  b.Name(FormsA);                            // 1st control reference: nothing follows
  b.Name(StdOle).Filler(12);                 // a "*\G" reference in between does not count
  b.Name(FormsB).Filler(12);                 // 2nd: 12 bytes
  b.Name(FormsA);                            // 3rd: nothing
  b.Name(u"plain").Name(FormsB).Filler(12);  // "plain" has no trailer; 4th: 12 bytes
  MiddlePart(b);
  b.Word16(1);
  ModuleRecord(b, u"Sheet1", u"", 40, 3);
  EXPECT_EQ(Entries(b), (Lines{"FormsA|Sheet1||40", "StdOle|||0", "FormsB|||0", "FormsA|||0", "plain|||0",
                               "FormsB|||0"}));
}

TEST(VBAModuleDirectory, ShortReferenceLengthEndsTheReferencesAndIsReadAgainAsW) {
  // A length of 4 is below the shortest reference: those two bytes are W, and W = 4
  // skips 2 * 4 + 6 bytes.
  StreamBuilder b = Header(5);
  b.Name(StdOle).Filler(12);
  b.Word16(4).Filler(14).Raw(GoodOctets).Word16(0xFFFF).Word16(0xFFFF).Word16(0xFFFF).Filler(100);
  b.Word16(2);
  ModuleRecord(b, u"A", u"", 1);
  ModuleRecord(b, u"B", u"", 2);
  EXPECT_EQ(Entries(b), (Lines{"StdOle|A||1", "|B||2"}));
}

TEST(VBAModuleDirectory, WSelectsHowMuchIsSkipped) {
  for (const auto& [w, skipped] :
       {std::pair<unsigned, std::size_t>{0, 318}, {268, 316}, {1, 8}, {300, 606}}) {
    StreamBuilder b = Header(0);
    b.Word16(w).Filler(skipped).Raw(GoodOctets).Word16(0xFFFF).Word16(0).Word16(0).Filler(100);
    b.Word16(1);
    ModuleRecord(b, u"Module", u"", 77);
    EXPECT_EQ(Entries(b), (Lines{"|Module||77"})) << w;
  }
}

TEST(VBAModuleDirectory, RecordWithoutNameKeepsTheEntrysName) {
  StreamBuilder b = Header(0);
  MiddlePart(b);
  b.Word16(1);
  ModuleRecord(b, u"", u"", 5);
  TVBAProjectItems items;
  items.Add()->ModuleName = u"Kept";
  EXPECT_EQ(Entries(b, items), (Lines{"|Kept||5"}));
}

TEST(VBAModuleDirectory, WrongFixedOctetsFailAndKeepTheReferencesRead) {
  StreamBuilder b = Header(1);
  b.Name(StdOle).Filler(12);
  MiddlePart(b, {0x06, 0x02, 0x01, 0x00, 0x08, 0x02, 0x00, 0x01});
  b.Word16(1);
  ModuleRecord(b, u"Module", u"", 77);
  TVBAProjectItems items;
  EXPECT_EQ(test::ErrorOf<Exception>([&] { ReadVBAModuleDirectory(b.Result(), items); }),
            "Fixed octet is incorrect");
  ASSERT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Items(0)->Reference, StdOle);
}

// A complete directory with every kind of part, for the truncation test.
Bytes CompleteDirectory() {
  StreamBuilder b = Header(2);
  b.Name(StdOle).Filler(12).Name(FormsA);
  MiddlePart(b);
  b.Word16(2);
  ModuleRecord(b, u"ThisWorkbook", u"TW", 300);
  ModuleRecord(b, u"Module1", u"", 900, 2);
  return b.Result();
}

TEST(VBAModuleDirectory, EveryTruncationFailsAsATruncatedStream) {
  const Bytes whole = CompleteDirectory();
  TVBAProjectItems complete;
  ReadVBAModuleDirectory(whole, complete);
  ASSERT_EQ(complete.Count(), 2);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    TVBAProjectItems items;
    EXPECT_EQ(test::ErrorOf<EVBAProjectError>(
                  [&] { ReadVBAModuleDirectory(std::span<const Byte>(whole.data(), size), items); }),
              "Macro project stream is truncated")
        << "cut at " << size;
    EXPECT_LE(items.Count(), 2);
  }
}

// The published "normal" example of the compressed container. Only a lack of memory can
// fail building it, which nothing before main could handle either.
// NOLINTNEXTLINE(cert-err58-cpp)
const Bytes NormalContainer = {0x01, 0x2F, 0xB0, 0x00, 0x23, 0x61, 0x61, 0x61, 0x62, 0x63, 0x64, 0x65, 0x82,
                               0x66, 0x00, 0x70, 0x61, 0x67, 0x68, 0x69, 0x6A, 0x01, 0x38, 0x08, 0x61, 0x6B,
                               0x6C, 0x00, 0x30, 0x6D, 0x6E, 0x6F, 0x70, 0x06, 0x71, 0x02, 0x70, 0x04, 0x10,
                               0x72, 0x73, 0x74, 0x75, 0x76, 0x10, 0x77, 0x78, 0x79, 0x7A, 0x00, 0x3C};

TEST(VBAModuleSource, SourceStartsAtTheTextOffsetAndRunsToTheEnd) {
  StreamBuilder b;
  b.Filler(37).Raw(NormalContainer);
  TVBAProjectItem item;
  item.TextOffset = 37;
  ReadVBAModuleSource(b.Result(), item);
  EXPECT_EQ(item.Source, "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa");
}

TEST(VBAModuleSource, BadOffsetOrDataFailsAndLeavesTheSourceEmpty) {
  Bytes stream = NormalContainer;
  for (Integer offset : {-1, static_cast<Integer>(stream.size()) + 1, 0x7FFFFFFF, 1}) {
    SCOPED_TRACE(offset);
    TVBAProjectItem item;
    item.Source = "old";
    item.TextOffset = offset;
    EXPECT_THROW(ReadVBAModuleSource(stream, item), EVBAProjectError);
    EXPECT_EQ(item.Source, "");
  }
}

std::string FixtureText(const std::string& name) {
  std::ifstream in(test::FixturePath("import/vba/" + name), std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MacroProject {
  TVBAProjectItems items;
  AnsiString projectText;
};

TCompoundStorage MacroStorage(const std::string& fixture) {
  return TCompoundFile::OpenFile(test::FixturePath("import/vba/" + fixture))
      .Root()
      .OpenStorage(u"_VBA_PROJECT_CUR");
}

void ReadBothWalks(const std::string& fixture, MacroProject& project) {
  const TCompoundStorage storage = MacroStorage(fixture);
  ReadVBAProject(storage, project.items, project.projectText);
  ReadVBASources(storage, project.items);
}

// Each entry as "module name|source", in UTF-8.
Lines ModulesAndSources(const MacroProject& project) {
  Lines modules;
  for (int i = 0; i < project.items.Count(); ++i)
    modules.push_back(Utf8Encode(project.items.Items(i)->ModuleName) + "|" + project.items.Items(i)->Source);
  return modules;
}

TEST(VBAStorage, ModulesGetTheirSourcesFromStreamsInAnyLetterCase) {
  MacroProject project;
  ReadBothWalks("project.xls", project);
  EXPECT_EQ(project.projectText, FixtureText("project.PROJECT.txt"));
  // Five references and four module records. "Module1" is stored as "MODULE1"; its source
  // spans eight chunks. Neither a module without a stream nor an entry made by a reference
  // alone has source.
  EXPECT_EQ(ModulesAndSources(project),
            (Lines{"ThisWorkbook|" + FixtureText("project.source0.txt"),
                   "Module1|" + FixtureText("project.source1.txt"),
                   "Лист1|" + FixtureText("project.source2.txt"), "Missing|", "|"}));
  EXPECT_EQ(project.items.Items(0)->TextOffset, 0x2E);
  EXPECT_TRUE(project.items.Items(0)->Reference.starts_with(u"*\\G{00020430-"));
  EXPECT_EQ(project.items.Items(1)->SecondName, u"Module1");
  EXPECT_EQ(project.items.Items(4)->Reference, u"Reference without a trailer");

  // Names outside the ANSI code page stay apart.
  MacroProject greek;
  ReadBothWalks("greek_names.xls", greek);
  EXPECT_EQ(ModulesAndSources(greek),
            (Lines{"ΩModule|Sub Omega()\r\nEnd Sub\r\n", "ΣModule|Sub Sigma()\r\nEnd Sub\r\n"}));
}

TEST(VBAStorage, ProjectTextIsReadWholeBeyond64KB) {
  MacroProject project;
  ReadBothWalks("large_project.xls", project);
  const std::string expected = FixtureText("large_project.PROJECT.txt");
  ASSERT_GT(expected.size(), 65536u);
  EXPECT_EQ(project.projectText, expected);
  EXPECT_EQ(project.items.Count(), 0);
}

TEST(VBAStorage, WrongFixedOctetsFailTheProjectWalkAndKeepTheReferences) {
  MacroProject project;
  const TCompoundStorage storage = MacroStorage("bad_octets.xls");
  EXPECT_EQ(test::ErrorOf<Exception>([&] { ReadVBAProject(storage, project.items, project.projectText); }),
            "Fixed octet is incorrect");
  // The references were read before the fixed octets.
  ASSERT_EQ(project.items.Count(), 5);
  EXPECT_TRUE(project.items.Items(0)->ModuleName.empty());
}

TEST(VBAStorage, CorruptModuleSourceFailsTheSourceWalk) {
  MacroProject project;
  const TCompoundStorage storage = MacroStorage("corrupt_module.xls");
  ReadVBAProject(storage, project.items, project.projectText);
  EXPECT_THROW(ReadVBASources(storage, project.items), EVBAProjectError);
  EXPECT_EQ(project.items.Items(1)->Source, "");
}

}  // namespace
}  // namespace ordvane

// The two walks over the macro storage of compound workbooks written with
// OLE::Storage_Lite by tests/fixtures/make_vba_projects.pl, which also wrote the texts
// each walk must find.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "import/SMVBA.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

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

TEST(VBAStorage, ModulesGetTheirSourcesFromStreamsInAnyLetterCase) {
  MacroProject project;
  ReadBothWalks("project.xls", project);
  EXPECT_EQ(project.projectText, FixtureText("project.PROJECT.txt"));
  // Five references and four module records.
  ASSERT_EQ(project.items.Count(), 5);
  const std::u16string names[] = {u"ThisWorkbook", u"Module1", u"Лист1", u"Missing", u""};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(project.items.Items(i)->ModuleName, names[i]) << i;
  EXPECT_EQ(project.items.Items(0)->TextOffset, 0x2E);
  EXPECT_TRUE(project.items.Items(0)->Reference.starts_with(u"*\\G{00020430-"));
  EXPECT_EQ(project.items.Items(1)->SecondName, u"Module1");
  // "Module1" is stored as "MODULE1"; its source spans eight chunks.
  EXPECT_EQ(project.items.Items(0)->Source, FixtureText("project.source0.txt"));
  EXPECT_EQ(project.items.Items(1)->Source, FixtureText("project.source1.txt"));
  EXPECT_EQ(project.items.Items(2)->Source, FixtureText("project.source2.txt"));
  // Neither a module without a stream nor an entry made by a reference alone has source.
  EXPECT_EQ(project.items.Items(3)->Source, "");
  EXPECT_EQ(project.items.Items(4)->Reference, u"Reference without a trailer");
  EXPECT_EQ(project.items.Items(4)->Source, "");
}

TEST(VBAStorage, NamesOutsideTheAnsiCodePageStayApart) {
  MacroProject project;
  ReadBothWalks("greek_names.xls", project);
  ASSERT_EQ(project.items.Count(), 2);
  EXPECT_EQ(project.items.Items(0)->ModuleName, u"ΩModule");
  EXPECT_EQ(project.items.Items(0)->Source, "Sub Omega()\r\nEnd Sub\r\n");
  EXPECT_EQ(project.items.Items(1)->ModuleName, u"ΣModule");
  EXPECT_EQ(project.items.Items(1)->Source, "Sub Sigma()\r\nEnd Sub\r\n");
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
  try {
    ReadVBAProject(storage, project.items, project.projectText);
    FAIL() << "accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Fixed octet is incorrect");
  }
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

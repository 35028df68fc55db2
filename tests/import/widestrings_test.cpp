#include <gtest/gtest.h>

#include "import/SMIWideStrings.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

TEST(WideStrings, ReadsOutsideTheListGiveNothing) {
  TWideStrings list;
  EXPECT_EQ(list.Strings(0), u"");
  EXPECT_EQ(list.Add(u"Прізвище"), 0);
  EXPECT_EQ(list.Strings(-1), u"");
  EXPECT_EQ(list.Strings(1), u"");
  EXPECT_EQ(list.Objects(-1), nullptr);
  EXPECT_EQ(list.Objects(1), nullptr);
  EXPECT_EQ(list.Strings(0), u"Прізвище");
}

TEST(WideStrings, PutAtCountAppendsAndChangesOutsideRaise) {
  TWideStrings list;
  TObject marker;
  list.SetStrings(0, u"a");
  list.SetStrings(1, u"b");
  list.SetStrings(0, u"c");
  list.SetObjects(1, &marker);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), u"c");
  EXPECT_EQ(list.Objects(1), &marker);

  const std::string error = "WideStrings index out of bounds";
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetStrings(3, u"x"); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetStrings(-1, u"x"); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetObjects(2, &marker); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.Delete(2); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.Delete(-1); }), error);
  EXPECT_EQ(list.Count(), 2);
}

TEST(WideStrings, DeleteMovesLaterItemsUpWithTheirObjects) {
  TWideStrings list;
  TObject first, third;
  list.AddObject(u"1", &first);
  list.Add(u"2");
  list.AddObject(u"3", &third);
  list.Delete(1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(1), u"3");
  EXPECT_EQ(list.Objects(1), &third);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Objects(0), nullptr);
}

}  // namespace
}  // namespace ordvane

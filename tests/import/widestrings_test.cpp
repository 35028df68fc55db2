#include <gtest/gtest.h>

#include "import/SMIWideStrings.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

// Reads outside the list give nothing; a put at the count appends, changes outside raise.
TEST(WideStrings, ReadsOutsideGiveNothingAndChangesOutsideRaise) {
  TWideStrings list;
  TObject marker;
  EXPECT_EQ(list.Strings(0), u"");
  list.SetStrings(0, u"a");
  list.SetStrings(1, u"b");
  list.SetStrings(0, u"Прізвище");
  list.SetObjects(1, &marker);
  EXPECT_EQ(list.Add(u"c"), 2);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(0), u"Прізвище");
  EXPECT_EQ(list.Objects(1), &marker);
  for (int outside : {-1, 3}) {
    EXPECT_EQ(list.Strings(outside), u"");
    EXPECT_EQ(list.Objects(outside), nullptr);
  }

  const std::string error = "WideStrings index out of bounds";
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetStrings(4, u"x"); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetStrings(-1, u"x"); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.SetObjects(3, &marker); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.Delete(3); }), error);
  EXPECT_EQ(ErrorOf<Exception>([&] { list.Delete(-1); }), error);
  EXPECT_EQ(list.Count(), 3);
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

#include <gtest/gtest.h>

#include "classlib/core/Events.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {
namespace {

TEST(Format, IntegerStringAndPointerDirectives) {
  EXPECT_EQ(Format("%d-%s", {42, "x"}), "42-x");
  EXPECT_EQ(Format("%5d|%-5d|%.3d", {7, 7, -7}), "    7|7    |-007");
  EXPECT_EQ(Format("%x %.4x %8.8X", {255, 10, -1}), "FF 000A FFFFFFFF");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%.2s|%*d|%-*.*s|", {"abc", 4, 5, 4, 2, "xyz"}), "ab|   5|xy  |");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%d", {Int64(-9223372036854775807LL - 1)}), "-9223372036854775808");
}

TEST(Format, MissingOrIncompatibleArgumentRaisesConvertError) {
  EXPECT_THROW(Format("%d", {}), EConvertError);
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {3}), EConvertError);
  EXPECT_THROW(Format("%5:s", {"a"}), EConvertError);
  EXPECT_THROW(Format("abc%", {}), EConvertError);
  try {
    Format("%q", {1});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '%q' invalid or incompatible with argument");
  }
}

struct Receiver {
  int hits = 0;
  void Handle(TObject*) { ++hits; }
  void Other(TObject*) {}
};

TEST(Events, BoundMembersCompareByObjectAndMethod) {
  Receiver a, b;
  auto ea = TNotifyEvent::Bind(&a, &Receiver::Handle);
  EXPECT_TRUE(ea == TNotifyEvent::Bind(&a, &Receiver::Handle));
  EXPECT_FALSE(ea == TNotifyEvent::Bind(&b, &Receiver::Handle));
  EXPECT_FALSE(ea == TNotifyEvent::Bind(&a, &Receiver::Other));
  EXPECT_EQ(ea.Object(), &a);
  ea(nullptr);
  EXPECT_EQ(a.hits, 1);

  TNotifyEvent empty;
  EXPECT_FALSE(empty.Assigned());
  EXPECT_TRUE(empty == TNotifyEvent());
  TNotifyEvent lambda = [](TObject*) {};
  TNotifyEvent copy = lambda;
  EXPECT_TRUE(lambda == copy);
  EXPECT_FALSE(lambda == TNotifyEvent([](TObject*) {}));
}

TEST(Assert, RaisesWithUnitAndLine) {
  try {
    Assert(false, "bad index", "Lists.cpp", 12);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "bad index (Lists.cpp, line 12)");
  }
}

}  // namespace
}  // namespace ordvane

// Typed comparison of variants, key-array equality, and variant arrays by index lists.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dbclient/FIBVariants.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

Variant Date(double value) {
  return VarFromDateTime(value);
}

TEST(CompareVariantsTyped, NumbersAcrossTypes) {
  const double tiny = 4e-12;
  struct Case {
    Variant a, b;
    int expected;
  };
  const Case cases[] = {
      // Integers against floating values: a tolerance of 1e-11.
      {Integer(5), 5.0 + tiny, 0},
      {Integer(5), 5.0 + 1e-9, -1},
      {Integer(5), float(4.5), 1},
      // Against a date: exact.
      {Integer(5), Date(5.0), 0},
      {Integer(5), Date(5.0 + tiny), -1},
      // Against currency: scaled, exact.
      {Currency::FromScaled(15000), Integer(1), 1},
      {Integer(1), Currency::FromScaled(10001), -1},
      {Integer(-1), Currency::FromScaled(-10000), 0},
      {Integer(-1), Currency::FromScaled(-9999), -1},
      {Int64(922337203685477), Currency::FromScaled(9223372036854775807), -1},
      {Int64(922337203685478), Currency::FromScaled(9223372036854775807), 1},
      {2.5, Currency::FromScaled(25000), 0},
      {Currency::FromScaled(25001), 2.5, 1},
      // Integer kinds of every width, unsigned included.
      {Int64(-1), LongWord(4294967295u), -1},
      {Byte(255), ShortInt(-1), 1},
      {Word(65535), SmallInt(-1), 1},
      {Int64(9223372036854775807), Int64(9223372036854775806), 1},
      {float(0.5f), Integer(0), 1},
      // Dates against numbers.
      {Date(45000.5), 45000.5, 0},
      {Date(45000.5), Integer(45000), 1},
      // Texts are read as numbers; the 64-bit routine keeps all digits.
      {Integer(12), "12", 0},
      {Integer(12), "12,5", -1},  // the process's decimal separator
      {Int64(9007199254740993), "9007199254740993", 0},
      {Int64(9007199254740993), "9007199254740992", 1},
      {2.0, u"3", -1},
      // Anything else on the right: 0.
      {Integer(7), Null(), 0},
      {Integer(7), Variant(), 0},
      {Integer(7), true, 0},
      {Date(1.0), Null(), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVariantsTyped(c.a, c.b), c.expected)
        << VarTypeAsText(VarType(c.a)) << " " << VarToStr(c.a) << " against " << VarTypeAsText(VarType(c.b)) << " "
        << VarToStr(c.b);
  }
}

TEST(CompareVariantsTyped, TextsNullsAndTheRest) {
  test::AnsiCodePageScope ansi(CP_WIN1251);
  // By character code, not the locale's order: "Я" is 0xDF and "а" 0xE0 in Windows-1251;
  // "B" comes before "a" although the locale puts "a" first.
  EXPECT_EQ(CompareVariantsTyped(Utf8ToAnsi("Я"), Utf8ToAnsi("а")), -1);
  EXPECT_EQ(CompareVariantsTyped("B", "a"), -1);
  EXPECT_EQ(CompareVariantsTyped(u"я", "Я"), 1);
  EXPECT_EQ(CompareVariantsTyped("10", Integer(9)), -1);  // texts compare as texts
  EXPECT_EQ(CompareVariantsTyped("abc", Null()), 1);
  EXPECT_EQ(CompareVariantsTyped("", Variant()), 0);
  EXPECT_EQ(CompareVariantsTyped(u"x", u"x"), 0);
  // A non-typed left side uses the variant comparison: Null equals only Null.
  EXPECT_EQ(CompareVariantsTyped(Null(), Null()), 0);
  EXPECT_EQ(CompareVariantsTyped(Null(), Integer(1)), -1);
  EXPECT_EQ(CompareVariantsTyped(true, false), 1);
  EXPECT_EQ(CompareVariantsTyped(false, true), -1);
  // A text that is no number raises the conversion error.
  EXPECT_THROW(CompareVariantsTyped(Integer(1), "one"), EVariantError);
  // A by-reference value is compared by what it refers to.
  Integer five = 5;
  EXPECT_EQ(CompareVariantsTyped(Variant::ByRef(&five), 5.0), 0);
  EXPECT_EQ(CompareVariantsTyped(Integer(6), Variant::ByRef(&five)), 1);
}

TEST(CompareVariantsSafe, KeyArrays) {
  const Variant a = VarArrayOf({Integer(1), "x", Variant()});
  const Variant b = VarArrayOf({1.0, "x", Null()});
  EXPECT_TRUE(CompareVariantsSafe(a, b, 2));
  EXPECT_TRUE(CompareVariantsSafe(a, b, -1));
  const Variant c = VarArrayOf({Integer(1), "x", Integer(0)});
  EXPECT_FALSE(CompareVariantsSafe(a, c, 2));
  EXPECT_FALSE(CompareVariantsSafe(c, a, 2));
  EXPECT_TRUE(CompareVariantsSafe(a, c, 1));
  const Variant d = VarArrayOf({Integer(2), "x", Null()});
  EXPECT_FALSE(CompareVariantsSafe(a, d, 2));
}

std::string ExceptionText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EVariantError& e) {
    return "variant error: " + e.Message();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

TEST(SafeVarArrays, CreateReadWriteAndFailures) {
  Variant a = SafeVarArrayCreate({1, 2, 0, 2}, 2, varInteger);
  EXPECT_EQ(VarType(a), varArray | varInteger);
  SafeVarArrayPut(a, "42", 2, {2, 1});
  EXPECT_EQ(SafeVarArrayGet(a, 2, {2, 1}).AsInteger(), 42);
  EXPECT_EQ(VarType(SafeVarArrayGet(a, 2, {1, 0})), varInteger);

  Variant v = SafeVarArrayCreate({0, 1}, 1, varVariant);
  SafeVarArrayPut(v, AnsiString("text"), 1, {0});
  EXPECT_EQ(VarType(SafeVarArrayGet(v, 1, {0})), varOleStr);

  EXPECT_EQ(ExceptionText([&] { SafeVarArrayGet(a, 1, {1}); }), "Variant array index out of bounds.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayGet(a, 2, {3, 0}); }), "Variant array index out of bounds.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayGet(a, 2, {1}); }), "Variant array index out of bounds.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayPut(a, Integer(1), 2, {0, 0}); }), "Variant array index out of bounds.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayGet(Integer(1), 1, {0}); }), "Variant is not an array.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayCreate({5, 1}, 1, varInteger); }), "Unable to create variant array.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayCreate({0, 1}, 2, varInteger); }), "Unable to create variant array.");
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayCreate({0, 1}, 1, varString); }), "Unable to create variant array.");
  // A value that does not convert to the element type is the conversion's own error.
  EXPECT_EQ(ExceptionText([&] { SafeVarArrayPut(a, "x", 2, {1, 0}); }).rfind("variant error", 0), 0u);
}

std::vector<std::vector<Integer>> WalkOrder(const Variant& array, int stopAfter = -1) {
  std::vector<std::vector<Integer>> visited;
  VarArrayForEach(array, [&](Variant&, const std::vector<Integer>& indices, Integer highDim, bool& go) {
    EXPECT_EQ(highDim, static_cast<Integer>(indices.size()) - 1);
    visited.push_back(indices);
    if (static_cast<int>(visited.size()) == stopAfter) go = false;
  });
  return visited;
}

TEST(VarArrayForEach, VisitsTheLastDimensionFastest) {
  using V = std::vector<std::vector<Integer>>;
  EXPECT_EQ(WalkOrder(VarArrayCreate({1, 2, 1, 3}, varInteger)),
            (V{{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}));
  EXPECT_EQ(WalkOrder(VarArrayCreate({0, 1, -1, 0, 5, 6}, varVariant)),
            (V{{0, -1, 5}, {0, -1, 6}, {0, 0, 5}, {0, 0, 6}, {1, -1, 5}, {1, -1, 6}, {1, 0, 5}, {1, 0, 6}}));
  EXPECT_EQ(WalkOrder(VarArrayCreate({1, 2, 1, 3}, varInteger), 4), (V{{1, 1}, {1, 2}, {1, 3}, {2, 1}}));
  bool called = false;
  EXPECT_FALSE(VarArrayForEach(Integer(3), [&](Variant&, const std::vector<Integer>&, Integer, bool&) { called = true; }));
  EXPECT_TRUE(VarArrayForEach(VarArrayCreate({0, -1}, varInteger),
                              [&](Variant&, const std::vector<Integer>&, Integer, bool&) { called = true; }));
  EXPECT_FALSE(called);
  // The result tells whether every element was visited.
  const Variant row = VarArrayCreate({0, 2}, varInteger);
  EXPECT_TRUE(VarArrayForEach(row, [](Variant&, const std::vector<Integer>&, Integer, bool&) {}));
  EXPECT_FALSE(VarArrayForEach(row, [](Variant&, const std::vector<Integer>& i, Integer, bool& go) { go = i[0] < 1; }));
}

TEST(VarArrayForEach, UpdateWritesBackAndNestedWalksKeepTheirPlace) {
  Variant grid = VarArrayCreate({1, 2, 1, 3}, varInteger);
  VarArrayForEachUpdate(grid, [](Variant& element, const std::vector<Integer>& i, Integer, bool&) {
    element = Integer(i[0] * 10 + i[1]);
  });
  EXPECT_EQ(VarArrayGet(grid, {2, 3}).AsInteger(), 23);
  EXPECT_EQ(VarArrayGet(grid, {1, 2}).AsInteger(), 12);
  // The plain walk does not write back.
  VarArrayForEach(grid, [](Variant& element, const std::vector<Integer>&, Integer, bool&) { element = Integer(0); });
  EXPECT_EQ(VarArrayGet(grid, {2, 3}).AsInteger(), 23);

  // A callback that walks another array does not disturb the outer walk.
  std::vector<Integer> outer;
  VarArrayForEach(grid, [&](Variant& element, const std::vector<Integer>&, Integer, bool&) {
    outer.push_back(element.AsInteger());
    VarArrayForEach(VarArrayCreate({0, 3}, varInteger), [](Variant&, const std::vector<Integer>&, Integer, bool&) {});
  });
  EXPECT_EQ(outer, (std::vector<Integer>{11, 12, 13, 21, 22, 23}));
}

TEST(VariantArrayToStream, NumericElementsAsBytes) {
  Variant words = VarArrayCreate({0, 2}, varSmallint);
  VarArrayPut(words, Integer(1), {0});
  VarArrayPut(words, Integer(-2), {1});
  VarArrayPut(words, Integer(0x0304), {2});
  TMemoryStream stream;
  stream.WriteBuffer("previous contents", 17);
  EXPECT_EQ(VariantArrayToStream(words, stream), 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 6), std::string("\x01\x00\xFE\xFF\x04\x03", 6));
  // The array can be resized again afterwards: the lock was released.
  VarArrayRedim(words, 5);
  Variant texts = VarArrayOf({"a"});
  EXPECT_EQ(VariantArrayToStream(texts, stream), 0);
  Variant scalar = Integer(1);
  EXPECT_EQ(VariantArrayToStream(scalar, stream), 0);
  EXPECT_EQ(*static_cast<const Integer*>(VarDataPtr(Integer(-7))), -7);
  EXPECT_STREQ(static_cast<const char*>(VarDataPtr(Variant("abc"))), "abc");
  EXPECT_EQ(VarDataPtr(Null()), nullptr);
  EXPECT_EQ(VarType(VarToOleStrVariant(Integer(12))), varOleStr);
  EXPECT_EQ(VarToOleStrVariant(Integer(12)).AsWideString(), u"12");
  EXPECT_EQ(VarToOleStrVariant(Null()).AsWideString(), u"");
}

}  // namespace
}  // namespace ordvane

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/Variants.h"

namespace ordvane {
namespace {

template <class E, class F>
void ExpectMessage(F&& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

Currency Curr(double v) { return Currency::FromDouble(v); }

TEST(Variant, TypeCodes) {
  struct Case {
    Variant value;
    TVarType type;
  } cases[] = {
      {Variant(), 0},
      {Null(), 1},
      {Variant(SmallInt(1)), 2},
      {Variant(1), 3},
      {Variant(1.5f), 4},
      {Variant(1.5), 5},
      {Variant(Curr(1.5)), 6},
      {VarFromDateTime(1), 7},
      {Variant(u"w"), 8},
      {VarAsError(5), 10},
      {Variant(true), 11},
      {Variant(ShortInt(-1)), 16},
      {Variant(Byte(1)), 17},
      {Variant(Word(1)), 18},
      {Variant(LongWord(1)), 19},
      {Variant(Int64(1)), 20},
      {Variant(1LL), 20},
      {Variant("s"), 256},
      {VarArrayCreate({0, 1}, varInteger), 0x2003},
      {VarArrayOf({1, 2}), 0x200C},
  };
  for (const Case& c : cases) EXPECT_EQ(VarType(c.value), c.type) << VarTypeAsText(c.type);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_FALSE(VarIsEmpty(Null()));
  EXPECT_TRUE(VarIsArray(VarArrayOf({})));
  EXPECT_TRUE(VarIsError(VarAsError(0)));
  EXPECT_EQ(VarTypeAsText(varInteger), "Integer");
  EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");
  EXPECT_EQ(VarTypeAsText(varByRef | varDouble), "ByRef Double");
  EXPECT_EQ(VarTypeAsText(varString), "String");
  EXPECT_EQ(VarTypeAsText(0x55), "$0055");
}

TEST(Variant, ConversionsToNumbers) {
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" -$FF").AsInteger(), -255);
  EXPECT_EQ(Variant("0x10").AsInt64(), 16);
  EXPECT_EQ(Variant("2,5").AsInteger(), 2);  // read as a number, rounded to even
  EXPECT_EQ(Variant("3,5").AsInteger(), 4);
  EXPECT_EQ(Variant("True").AsInteger(), -1);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(-3.5).AsInt64(), -4);
  EXPECT_EQ(Variant(Curr(2.5)).AsInteger(), 2);
  EXPECT_EQ(Variant(Curr(-3.5)).AsInteger(), -4);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant(LongWord(4294967295u)).AsInt64(), 4294967295LL);
  EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(u"1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(Curr(1.2345)).AsDouble(), 1.2345);
  EXPECT_EQ(Variant(false).AsDouble(), 0);
  EXPECT_EQ(Variant("1,00005").AsCurrency().Scaled(), 10000);  // ties to even
  EXPECT_EQ(Variant(7).AsCurrency().Scaled(), 70000);
  EXPECT_EQ(Variant(0.03125).AsCurrency().Scaled(), 312);

  ExpectMessage<EVariantOverflowError>([] { Variant(1e10).AsInteger(); },
                                       "Overflow while converting variant of type (Double) into type (Integer)");
  ExpectMessage<EVariantOverflowError>([] { Variant(1e300).AsInt64(); },
                                       "Overflow while converting variant of type (Double) into type (Int64)");
  ExpectMessage<EVariantOverflowError>([] { Variant(double(NAN)).AsInt64(); },
                                       "Overflow while converting variant of type (Double) into type (Int64)");
  ExpectMessage<EVariantOverflowError>([] { Variant(1e300).AsCurrency(); },
                                       "Overflow while converting variant of type (Double) into type (Currency)");
  ExpectMessage<EVariantOverflowError>([] { Variant(INT64_MAX).AsCurrency(); },
                                       "Overflow while converting variant of type (Int64) into type (Currency)");
  ExpectMessage<EVariantTypeCastError>([] { Null().AsInteger(); },
                                       "Could not convert variant of type (Null) into type (Integer)");
  ExpectMessage<EVariantTypeCastError>([] { Variant("abc").AsDouble(); },
                                       "Could not convert variant of type (String) into type (Double)");
  ExpectMessage<EVariantTypeCastError>([] { Variant(u"abc").AsInteger(); },
                                       "Could not convert variant of type (OleStr) into type (Integer)");
  ExpectMessage<EVariantTypeCastError>([] { VarAsError(3).AsDouble(); },
                                       "Could not convert variant of type (Error) into type (Double)");
  ExpectMessage<EVariantTypeCastError>([] { VarArrayOf({1}).AsInteger(); },
                                       "Could not convert variant of type (Array Variant) into type (Integer)");
}

TEST(Variant, ConversionsToTextDatesAndBooleans) {
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_EQ(Variant(0.1f).AsString(), "0,100000001490116");  // the single's own digits
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(Curr(1.5)).AsString(), "1,5");
  EXPECT_EQ(Variant(INT64_MIN).AsString(), "-9223372036854775808");
  EXPECT_EQ(VarFromDateTime(EncodeDate(2026, 3, 5)).AsString(), "05.03.2026");
  EXPECT_EQ(VarFromDateTime(EncodeDate(2026, 3, 5) + 0.5).AsString(), "05.03.2026 12:00:00");
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_THROW(Null().AsString(), EVariantTypeCastError);
  const AnsiString pryvit = Utf8ToAnsi("Привіт");
  EXPECT_EQ(Variant(pryvit).AsWideString(), u"Привіт");
  EXPECT_EQ(Variant(u"Привіт").AsString(), pryvit);
  EXPECT_EQ(Variant(u"\u4E2D").AsString(), "?");  // no such letter in the code page

  EXPECT_EQ(Variant("05.03.2026").AsDateTime(), EncodeDate(2026, 3, 5));
  EXPECT_DOUBLE_EQ(VarToDateTime(Variant("05.03.2026 12:00")), EncodeDate(2026, 3, 5) + 0.5);
  EXPECT_EQ(Variant(45000).AsDateTime(), 45000.0);
  ExpectMessage<EVariantTypeCastError>([] { Variant("tomorrow").AsDateTime(); },
                                       "Could not convert variant of type (String) into type (Date)");

  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("FALSE").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant("2").AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_TRUE(Variant(Curr(0.0001)).AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_THROW(Variant("maybe").AsBoolean(), EVariantTypeCastError);
}

TEST(Variant, VarAsTypeChecksRanges) {
  EXPECT_EQ(VarType(VarAsType(Variant("7"), varSmallint)), varSmallint);
  EXPECT_EQ(VarAsType(Variant("7"), varSmallint).AsInteger(), 7);
  EXPECT_EQ(VarType(VarAsType(Variant(255), varByte)), varByte);
  EXPECT_EQ(VarType(VarAsType(Variant(1), varOleStr)), varOleStr);
  EXPECT_EQ(VarType(VarAsType(Variant(1), varNull)), varNull);
  ExpectMessage<EVariantOverflowError>([] { VarAsType(Variant(300), varByte); },
                                       "Overflow while converting variant of type (Integer) into type (Byte)");
  EXPECT_THROW(VarAsType(Variant(-1), varLongWord), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(40000), varSmallint), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(1e39), varSingle), EVariantOverflowError);
  EXPECT_THROW(VarAsType(Variant(1), varArray | varInteger), EVariantTypeCastError);
  ExpectMessage<EVariantBadVarTypeError>([] { VarAsType(Variant(1), 0x55); }, "Invalid variant type");
}

TEST(Variant, Arithmetic) {
  auto expect = [](const Variant& result, TVarType type, const Variant& value) {
    EXPECT_EQ(VarType(result), type) << VarToStr(result);
    EXPECT_TRUE(VarSameValue(result, value)) << VarToStr(result) << " vs " << VarToStr(value);
  };
  expect(Variant(2) + Variant(3), varInteger, 5);
  expect(Variant(INT32_MAX) + Variant(1), varInt64, Int64(2147483648LL));
  expect(Variant(Byte(200)) * Variant(Byte(200)), varInteger, 40000);
  expect(Variant("1") + Variant(2), varDouble, 3.0);
  expect(Variant("a") + Variant("b"), varString, "ab");
  expect(Variant(u"a") + Variant("b"), varOleStr, u"ab");
  expect(Variant("a") + Variant(), varString, "a");
  expect(Variant() + Variant(), varInteger, 0);
  expect(Variant(Curr(1.5)) + Variant(2), varCurrency, Curr(3.5));
  expect(Variant(Curr(1.5)) * Variant(Curr(1.5)), varCurrency, Curr(2.25));
  expect(Variant(Curr(1)) / Variant(3), varCurrency, Curr(0.3333));
  expect(Variant(Curr(1.5)) + Variant(0.25), varDouble, 1.75);
  expect(VarFromDateTime(10) + Variant(1), varDate, VarFromDateTime(11));
  expect(VarFromDateTime(10) - VarFromDateTime(4), varDouble, 6.0);
  expect(VarFromDateTime(10) * Variant(2), varDouble, 20.0);
  expect(Variant(7) / Variant(2), varDouble, 3.5);
  expect(Variant(1.5f) - Variant(0.5), varDouble, 1.0);
  expect(Variant(true) + Variant(true), varInteger, -2);
  expect(VarIntDiv(7, 2), varInteger, 3);
  expect(VarIntDiv(-7, 2), varInteger, -3);
  expect(VarMod(-7, 2), varInteger, -1);
  expect(VarIntDiv(7.5, 2), varInteger, 4);  // 7.5 rounds to 8 first
  expect(-Variant(5), varInteger, -5);
  expect(-Variant(1.5f), varSingle, -1.5f);
  expect(-Variant("2"), varDouble, -2.0);
  expect(-Variant(Curr(2)), varCurrency, Curr(-2));

  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant(1) * Null()));
  EXPECT_TRUE(VarIsNull(VarIntDiv(Null(), 1)));
  EXPECT_TRUE(VarIsNull(-Null()));

  EXPECT_THROW(Variant(INT64_MAX) + Variant(1), EVariantOverflowError);
  EXPECT_THROW(Variant(INT64_MIN) * Variant(-1), EVariantOverflowError);
  EXPECT_THROW(-Variant(INT64_MIN), EVariantOverflowError);
  EXPECT_THROW(VarIntDiv(INT64_MIN, -1), EVariantOverflowError);
  EXPECT_THROW(-Variant(Currency::FromScaled(INT64_MIN)), EVariantOverflowError);
  EXPECT_THROW(Variant(Currency::FromScaled(INT64_MAX)) + Variant(1), EVariantOverflowError);
  ExpectMessage<EDivByZero>([] { VarIntDiv(1, 0); }, "Division by zero");
  EXPECT_THROW(VarMod(1, 0), EDivByZero);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Variant(0.0) / Variant(0), EInvalidOp);
  EXPECT_THROW(Variant(Curr(1)) / Variant(Curr(0)), EZeroDivide);
  EXPECT_THROW(Variant(1e308) * Variant(10), EOverflow);
  EXPECT_THROW(Variant("abc") + Variant(1), EVariantTypeCastError);
  ExpectMessage<EVariantInvalidOpError>([] { VarArrayOf({1}) + Variant(1); }, "Invalid variant operation");
}

TEST(Variant, LogicalOperations) {
  EXPECT_EQ(VarType(VarAnd(true, false)), varBoolean);
  EXPECT_FALSE(VarAnd(true, false).AsBoolean());
  EXPECT_TRUE(VarOr(true, false).AsBoolean());
  EXPECT_TRUE(VarXor(true, false).AsBoolean());
  EXPECT_FALSE(VarAnd(true, "False").AsBoolean());  // text read as a Boolean beside one
  EXPECT_EQ(VarType(VarAnd(true, "False")), varBoolean);
  EXPECT_EQ(VarAnd(12, 10).AsInteger(), 8);
  EXPECT_EQ(VarType(VarAnd(12, 10)), varInteger);
  EXPECT_EQ(VarOr(12, 3).AsInteger(), 15);
  EXPECT_EQ(VarXor(5, 1).AsInteger(), 4);
  EXPECT_EQ(VarAnd(true, 3).AsInteger(), 3);  // True is -1 beside an integer
  EXPECT_EQ(VarAnd(Int64(0x100000000LL), Int64(0x1FFFFFFFFLL)).AsInt64(), 0x100000000LL);
  EXPECT_EQ(VarOr(1, "2").AsInteger(), 3);
  EXPECT_FALSE(VarNot(true).AsBoolean());
  EXPECT_TRUE(VarNot("false").AsBoolean());
  EXPECT_EQ(VarNot(0).AsInteger(), -1);
  EXPECT_EQ(VarNot(Variant()).AsInteger(), -1);
  EXPECT_TRUE(VarIsNull(VarNot(Null())));
  EXPECT_TRUE(VarIsNull(VarAnd(Null(), true)));
  EXPECT_TRUE(VarIsNull(VarOr(false, Null())));
  EXPECT_THROW(VarAnd(1, "x"), EVariantTypeCastError);
}

TEST(Variant, ComparisonAndNullRules) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant(5) == VarFromDateTime(5));
  EXPECT_TRUE(Variant("10") > Variant(9));  // text beside a number is a number
  EXPECT_TRUE(Variant("abc") < Variant("abd"));
  EXPECT_TRUE(Variant("a") < Variant("ab"));
  EXPECT_TRUE(Variant("a") < Variant("B"));  // by the alphabet, not by character code
  EXPECT_TRUE(Variant(u"abc") == Variant("abc"));
  EXPECT_TRUE(Variant(Utf8ToAnsi("І")) > Variant(Utf8ToAnsi("и")));  // the Ukrainian alphabet
  EXPECT_TRUE(Variant(u"\u0456") > Variant(u"\u0438"));
  EXPECT_TRUE(Variant(Curr(1.5)) > Variant(1));
  EXPECT_TRUE(Variant(Curr(2)) == Variant(Int64(2)));
  EXPECT_TRUE(Variant(INT64_MAX) < Variant(9223372036854775808.0));
  EXPECT_TRUE(Variant(INT64_MAX) > Variant(INT64_MAX - 1));  // exact, no rounding through double
  EXPECT_TRUE(Variant(LongWord(4294967295u)) > Variant(-1));
  EXPECT_TRUE(Variant(true) > Variant(false));
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(""));
  EXPECT_TRUE(Variant(1.5) >= Variant(1.5));
  EXPECT_TRUE(Variant(1.5) <= Variant(2));

  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), 1), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(), Null()), vrNotEqual);
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(1));
  EXPECT_TRUE(Null() != Variant(1));
  EXPECT_FALSE(Null() < Variant(1));
  EXPECT_FALSE(Null() > Variant(1));
  EXPECT_FALSE(Null() <= Variant(1));
  EXPECT_TRUE(Null() <= Null());
  EXPECT_EQ(VarCompareValue(2, 1), vrGreaterThan);
  EXPECT_EQ(VarCompareValue("a", "b"), vrLessThan);

  EXPECT_THROW((void)(Variant("x") == Variant(1)), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1}) == VarArrayOf({1})), EVariantInvalidOpError);
}

TEST(VariantArray, CreateGetPutAndBounds) {
  Variant a = VarArrayCreate({1, 2, -1, 1}, varInteger);
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 2);
  EXPECT_EQ(VarArrayLowBound(a, 2), -1);
  EXPECT_EQ(VarArrayHighBound(a, 2), 1);
  EXPECT_EQ(VarArrayGet(a, {2, 0}).AsInteger(), 0);
  VarArrayPut(a, "7", {2, 0});
  EXPECT_EQ(VarType(VarArrayGet(a, {2, 0})), varInteger);
  EXPECT_EQ(VarArrayGet(a, {2, 0}).AsInteger(), 7);
  ExpectMessage<EVariantBadIndexError>([&] { VarArrayGet(a, {3, 0}); }, "Variant or safe array index out of bounds");
  EXPECT_THROW(VarArrayGet(a, {1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayGet(a, {1, 0, 0}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(a, 3), EVariantBadIndexError);
  EXPECT_THROW(VarArrayPut(a, 1e10, {1, 0}), EVariantOverflowError);
  EXPECT_THROW(VarArrayPut(a, "x", {1, 0}), EVariantTypeCastError);
  EXPECT_EQ(VarArrayGet(a, {1, 0}).AsInteger(), 0);  // a failed put changes nothing
  ExpectMessage<EVariantNotAnArrayError>([] { VarArrayGet(Variant(1), {0}); }, "Variant is not an array");
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

  Variant copy = a;  // a value: the copy has its own elements
  VarArrayPut(copy, 9, {2, 0});
  EXPECT_EQ(VarArrayGet(a, {2, 0}).AsInteger(), 7);

  for (TVarType type : {varSmallint, varInteger, varSingle, varDouble, varCurrency, varDate, varOleStr, varError,
                        varBoolean, varVariant, varShortInt, varByte, varWord, varLongWord, varInt64}) {
    Variant typed = VarArrayCreate({0, 0}, type);
    EXPECT_EQ(VarType(typed), varArray | type);
    VarArrayPut(typed, type == varOleStr ? Variant("5") : Variant(5), {0});
    if (type != varVariant) {
      EXPECT_EQ(VarType(VarArrayGet(typed, {0})), type) << VarTypeAsText(type);
    }
  }
  EXPECT_TRUE(VarArrayGet(VarArrayCreate({0, 0}, varBoolean), {0}) == Variant(false));
  EXPECT_EQ(VarArrayDimCount(VarArrayCreate({0, -1}, varByte)), 1);  // no elements
  for (const auto& bad : {std::vector<Integer>{}, {0}, {0, -2}, {0, 100000, 0, 100000}})
    EXPECT_THROW(VarArrayCreate(bad, varInteger), EVariantArrayCreateError);
  ExpectMessage<EVariantArrayCreateError>([] { VarArrayCreate({0, 1}, varString); },
                                          "Error creating variant or safe array");
  EXPECT_THROW(VarArrayCreate({0, 1}, varNull), EVariantArrayCreateError);
}

TEST(VariantArray, VarArrayOfHoldsVariantsAndWideText) {
  Variant a = VarArrayOf({1, "a", Null(), VarArrayOf({2.5})});
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(VarType(VarArrayGet(a, {0})), varInteger);
  EXPECT_EQ(VarType(VarArrayGet(a, {1})), varOleStr);  // 8-bit text becomes wide text
  EXPECT_TRUE(VarIsNull(VarArrayGet(a, {2})));
  EXPECT_EQ(VarArrayGet(VarArrayGet(a, {3}), {0}).AsDouble(), 2.5);
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

TEST(VariantArray, MemoryLayoutLockAndRedim) {
  Variant a = VarArrayCreate({0, 1, 0, 2}, varByte);
  for (Integer i = 0; i <= 1; ++i)
    for (Integer j = 0; j <= 2; ++j) VarArrayPut(a, 10 * i + j, {i, j});
  EXPECT_EQ(VarArrayElementSize(a), 1);
  const Byte* bytes = static_cast<const Byte*>(VarArrayLock(a));
  const Byte expected[] = {0, 10, 1, 11, 2, 12};  // the first index varies fastest
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
  ExpectMessage<EVariantArrayLockedError>([&] { VarArrayRedim(a, 5); }, "Variant or safe array is locked");
  VarArrayUnlock(a);

  VarArrayRedim(a, 3);
  EXPECT_EQ(VarArrayHighBound(a, 2), 3);
  EXPECT_EQ(VarArrayGet(a, {1, 2}).AsInteger(), 12);
  EXPECT_EQ(VarArrayGet(a, {1, 3}).AsInteger(), 0);
  VarArrayRedim(a, 0);
  EXPECT_EQ(VarArrayGet(a, {1, 0}).AsInteger(), 10);
  EXPECT_THROW(VarArrayGet(a, {1, 1}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayRedim(a, -2), EVariantArrayCreateError);

  Variant flags = VarArrayCreate({0, 1}, varBoolean);
  VarArrayPut(flags, true, {1});
  const SmallInt* words = static_cast<const SmallInt*>(VarArrayLock(flags));
  EXPECT_EQ(words[1], -1);  // the platform's true
  VarArrayUnlock(flags);
  Variant plain = 1;
  EXPECT_THROW(VarArrayRedim(plain, 1), EVariantNotAnArrayError);
}

template <class T>
T ValueAt(const Variant& v) {
  T value;
  std::memcpy(&value, v.DataPtr(), sizeof value);
  return value;
}

TEST(Variant, DataInThePlatformsLayout) {
  EXPECT_EQ(ValueAt<SmallInt>(Variant(true)), -1);
  EXPECT_EQ(ValueAt<SmallInt>(Variant(false)), 0);
  EXPECT_EQ(ValueAt<SmallInt>(Variant(SmallInt(-5))), -5);
  EXPECT_EQ(ValueAt<ShortInt>(Variant(ShortInt(-7))), -7);
  EXPECT_EQ(ValueAt<float>(Variant(1.5f)), 1.5f);
  EXPECT_EQ(ValueAt<double>(VarFromDateTime(45000.25)), 45000.25);
  EXPECT_EQ(ValueAt<Int64>(Variant(Curr(1.5))), 15000);
  EXPECT_EQ(ValueAt<Integer>(VarAsError(7)), 7);
  EXPECT_EQ(ValueAt<LongWord>(VarAsType(Variant("4000000000"), varLongWord)), 4000000000u);
  EXPECT_STREQ(static_cast<const char*>(Variant("abc").DataPtr()), "abc");
  EXPECT_EQ(static_cast<const char16_t*>(Variant(u"w").DataPtr())[0], u'w');
  EXPECT_EQ(Null().DataPtr(), nullptr);
  Integer target = 3;
  EXPECT_EQ(Variant::ByRef(&target).DataPtr(), &target);
}

TEST(Variant, ByReference) {
  Integer number = 5;
  Variant ref = Variant::ByRef(&number);
  EXPECT_EQ(VarType(ref), varByRef | varInteger);
  EXPECT_EQ(ref.AsInteger(), 5);
  number = 7;
  EXPECT_EQ((ref + Variant(1)).AsInteger(), 8);
  AnsiString text = "abc";
  EXPECT_EQ(Variant::ByRef(&text).AsString(), "abc");
  Variant target = Null();
  Variant toVariant = Variant::ByRef(&target);
  EXPECT_EQ(VarType(toVariant), varByRef | varVariant);
  EXPECT_TRUE(VarIsNull(toVariant));
  target = VarArrayOf({1});
  EXPECT_TRUE(VarIsArray(toVariant));
}

}  // namespace
}  // namespace ordvane

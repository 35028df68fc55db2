#pragma once
// Variant: the class library's tagged value, with the type codes that stored data and the
// client API use, arrays of any rank, and the class library's conversion, arithmetic and
// comparison rules. A variant is a value: copying one copies its array. Its text is shared
// by its copies (a copy costs no allocation) and never changed in place, so a copy that is
// given a new value leaves the others as they were.

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <vector>

#include "classlib/core/Currency.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/SysUtils.h"

namespace ordvane {

using TVarType = Word;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varDecimal = 0x000E;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// The variant types that hold an integer: the one list whatever treats integers alike
// follows.
inline constexpr TVarType IntegerVarTypes[] = {varSmallint, varInteger, varShortInt, varByte,
                                               varWord,     varLongWord, varInt64};
constexpr bool VarTypeIsInteger(TVarType type) {
  for (const TVarType integer : IntegerVarTypes)
    if (integer == type) return true;
  return false;
}

ORDVANE_DECLARE_EXCEPTION(EVariantError, Exception);
ORDVANE_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);    // "Invalid variant operation"
ORDVANE_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);     // "Could not convert variant of type (%s) into type (%s)"
ORDVANE_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);     // "Overflow while converting variant of type ..."
ORDVANE_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);   // "Invalid variant type"
ORDVANE_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);     // "Variant or safe array index out of bounds"
ORDVANE_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);  // "Error creating variant or safe array"
ORDVANE_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);   // "Variant is not an array"
ORDVANE_DECLARE_EXCEPTION(EVariantArrayLockedError, EVariantError);  // "Variant or safe array is locked"

class TVarArray;

class Variant {
 public:
  Variant() = default;
  Variant(bool value) : fType(varBoolean) { Set().smallInt = value ? -1 : 0; }
  Variant(ShortInt value) : fType(varShortInt) { Set().shortInt = value; }
  Variant(Byte value) : fType(varByte) { Set().byte = value; }
  Variant(SmallInt value) : fType(varSmallint) { Set().smallInt = value; }
  Variant(Word value) : fType(varWord) { Set().word = value; }
  Variant(Integer value) : fType(varInteger) { Set().integer = value; }
  Variant(LongWord value) : fType(varLongWord) { Set().longWord = value; }
  Variant(long value) : fType(varInt64) { Set().int64 = value; }
  Variant(long long value) : fType(varInt64) { Set().int64 = value; }
  Variant(float value) : fType(varSingle) { Set().single = value; }
  Variant(double value) : fType(varDouble) { Set().real = value; }
  Variant(Currency value) : fType(varCurrency) { Set().int64 = value.Scaled(); }
  Variant(const char* value) : Variant(AnsiString(value ? value : "")) {}
  Variant(const AnsiString& value) : fType(varString) { fData.ansi = TText<char>::Make(value); }
  Variant(const char16_t* value) : Variant(WideString(value ? value : u"")) {}
  Variant(const WideString& value) : fType(varOleStr) { fData.wide = TText<char16_t>::Make(value); }

  // Inline for the simple values, which a sheet of numbers copies by the million.
  Variant(const Variant& other) : fData(other.fData), fType(other.fType) {
    if (HoldsStorage()) Share();
  }
  Variant(Variant&& other) noexcept : fData(other.fData), fType(other.fType) { other.fType = varEmpty; }
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      if (HoldsStorage()) Release();
      fType = other.fType;
      fData = other.fData;
      other.fType = varEmpty;
    }
    return *this;
  }
  ~Variant() {
    if (HoldsStorage()) Release();
  }

  // A variant that refers to another variable instead of holding a value; reading it reads
  // the variable. The variable must outlive the variant.
  static Variant ByRef(Variant* target);
  template <class T>
  static Variant ByRef(T* target) {
    static_assert(std::is_same_v<T, ShortInt> || std::is_same_v<T, Byte> || std::is_same_v<T, SmallInt> ||
                      std::is_same_v<T, Word> || std::is_same_v<T, Integer> || std::is_same_v<T, LongWord> ||
                      std::is_same_v<T, Int64> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
                      std::is_same_v<T, Currency> || std::is_same_v<T, AnsiString> ||
                      std::is_same_v<T, WideString>,
                  "a variant refers only to variables of its own types");
    Variant v(*target);
    Variant ref;
    ref.fType = static_cast<TVarType>(v.fType | varByRef);
    ref.fData.ref = static_cast<void*>(target);
    return ref;
  }

  TVarType VType() const { return fType; }
  // Where the value is, as the platform's variant held it: the referenced variable of a
  // reference, the characters of a text, the number itself for the simple types (a
  // Boolean as a 16-bit -1 or 0, a Currency as its 64-bit units, an Error as its 32-bit
  // code); nullptr for Empty and Null.
  const void* DataPtr() const;

  // Conversions by the class library's rules; what does not convert raises
  // EVariantTypeCastError, what does not fit EVariantOverflowError.
  bool AsBoolean() const;
  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  AnsiString AsString() const;
  WideString AsWideString() const;
  // The characters of a wide text the variant holds itself (not by reference), in place;
  // false for every other variant.
  bool WideTextView(std::u16string_view& text) const;

 private:
  friend class TVarArray;
  friend class VariantAccess;
  // The simple values in the platform's layout.
  union Scalar {
    ShortInt shortInt;
    Byte byte;
    SmallInt smallInt;  // also a Boolean
    Word word;
    Integer integer;  // also an Error's code
    LongWord longWord;
    Int64 int64;  // also a Currency's units
    float single;
    double real;  // also a Date
  };
  // A text with the count of the variants that share it. Its characters follow it in the
  // same allocation, with a terminating zero: one allocation per text, no more. A sheet
  // keeps a hundred thousand texts: the head is two 32-bit counts.
  template <class C>
  struct TText {
    std::atomic<std::uint32_t> Refs;
    std::uint32_t Length;

    // std::length_error for a text of more than 2^32 - 1 characters.
    static TText* Make(std::basic_string_view<C> text);
    // One more sharer of the text; past 2^31 sharers, a text of the sharer's own.
    static TText* Share(TText* text);
    static void Free(TText* text);
    const C* Chars() const { return reinterpret_cast<const C*>(this + 1); }
    std::basic_string_view<C> View() const { return {Chars(), Length}; }
  };
  // What the type says the variant holds: a reference the referenced variable, an array
  // its own copy, a text its shared text, Empty and Null nothing, the rest a Scalar.
  union Data {
    Scalar scalar;
    TText<char>* ansi;
    TText<char16_t>* wide;
    TVarArray* array;
    void* ref;
  };
  enum class Holds { Nothing, Scalar, Ansi, Wide, Array, Ref };
  Holds Held() const {
    if (fType & varByRef) return Holds::Ref;
    if (fType & varArray) return Holds::Array;
    switch (fType) {
      case varEmpty: case varNull: return Holds::Nothing;
      case varString: return Holds::Ansi;
      case varOleStr: return Holds::Wide;
      default: return Holds::Scalar;
    }
  }
  Scalar& Set() {
    fData.scalar = {};
    return fData.scalar;
  }
  // A text or an array of its own (a reference holds neither).
  bool HoldsStorage() const {
    return (fType & varByRef) == 0 && (fType == varString || fType == varOleStr || (fType & varArray) != 0);
  }
  // After a copy of the fields: one more sharer of the text, or a copy of the array.
  void Share();
  void Release() noexcept;
  // The payload is the one the type tag calls for (checked in debug builds).
  bool PayloadMatchesType() const;

  // The word first and the type after it: the six bytes that end a variant are padding, which
  // a class keeping many small variants may use for fields of its own ([[no_unique_address]]).
  Data fData{};
  TVarType fType = varEmpty;
};

Variant Null();
Variant Unassigned();
Variant VarFromDateTime(TDateTime value);
Variant VarAsError(Integer code);

TVarType VarType(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsArray(const Variant& v);
bool VarIsError(const Variant& v);
// The type's name as the class library spells it in messages ("Integer", "OleStr",
// "Array Variant", "ByRef Double").
AnsiString VarTypeAsText(TVarType type);
// Text of any variant; Null gives an empty text.
AnsiString VarToStr(const Variant& v);
TDateTime VarToDateTime(const Variant& v);
// The value converted to a simple type (not an array type).
Variant VarAsType(const Variant& v, TVarType type);

// Arrays. Bounds are pairs (low, high) per dimension; element types are the numeric
// types, Date, OleStr, Error, Boolean and Variant. Elements are laid out with the first
// dimension varying fastest, as the platform's safe arrays were.
Variant VarArrayCreate(const std::vector<Integer>& bounds, TVarType elementType);
Variant VarArrayOf(const std::vector<Variant>& values);  // one dimension from 0, of Variant
Integer VarArrayDimCount(const Variant& a);              // 0 for anything else
Integer VarArrayLowBound(const Variant& a, Integer dim);  // dim counts from 1
Integer VarArrayHighBound(const Variant& a, Integer dim);
// Changes the high bound of the last dimension, keeping the elements that remain.
void VarArrayRedim(Variant& a, Integer highBound);
Variant VarArrayGet(const Variant& a, const std::vector<Integer>& indices);
// Stores the value converted to the element type; 8-bit text put into an array of
// variants becomes wide text, as the platform's arrays hold no 8-bit text.
void VarArrayPut(Variant& a, const Variant& value, const std::vector<Integer>& indices);
// The elements' storage while locked (a redim then fails): element count times
// VarArrayElementSize bytes for the numeric types.
void* VarArrayLock(Variant& a);
void VarArrayUnlock(Variant& a);
Integer VarArrayElementSize(const Variant& a);

// Arithmetic. Null in gives Null out; texts are read as numbers (and '+' joins two
// texts); integers stay integers (Integer, or Int64 when needed), Currency stays exact,
// a Date plus or minus a number stays a Date, '/' and floating operands give Double.
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);
Variant operator-(const Variant& a);
Variant VarIntDiv(const Variant& a, const Variant& b);  // div
Variant VarMod(const Variant& a, const Variant& b);     // mod
// and, or, xor, not: logical on two Booleans, bitwise on integers.
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// Comparison: Null equals Null and differs from everything else (vrNotEqual); a text
// against a number is read as a number; two texts compare by the locale's word sort
// (AnsiCompareStr, WideCompareStr).
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);
bool operator==(const Variant& a, const Variant& b);
bool operator!=(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);

}  // namespace ordvane

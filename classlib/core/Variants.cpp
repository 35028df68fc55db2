#include "classlib/core/Variants.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/DebugChecks.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/Math.h"

namespace ordvane {

namespace {

__extension__ typedef __int128 Int128;

[[noreturn]] void CastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) + ") into type (" +
                              VarTypeAsText(to) + ")");
}
[[noreturn]] void OverflowError(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}
[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }
[[noreturn]] void VariantOverflow() { throw EVariantOverflowError("Variant overflow"); }
[[noreturn]] void BadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }
[[noreturn]] void NotAnArray() { throw EVariantNotAnArrayError("Variant is not an array"); }

bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble; }
bool IsStringType(TVarType t) { return t == varString || t == varOleStr; }

bool SameTextAscii(const AnsiString& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// "True" or "False" in any letter case; the class library's Boolean texts.
bool TryTextToBoolean(const AnsiString& text, bool& value) {
  if (SameTextAscii(text, "True")) return value = true, true;
  if (SameTextAscii(text, "False")) return value = false, true;
  return false;
}

// A decimal or hexadecimal ("$FF", "0xFF") integer after optional blanks and a sign.
bool TryTextToInt64(const AnsiString& text, Int64& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  UInt64 magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else
      return false;
    if (magnitude > (UINT64_MAX - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  if (magnitude > (negative ? UInt64(INT64_MAX) + 1 : UInt64(INT64_MAX))) return false;
  value = negative ? static_cast<Int64>(UInt64(0) - magnitude) : static_cast<Int64>(magnitude);
  return true;
}

Int64 RoundedToInt64(Extended value, TVarType from, TVarType to) {
  const Extended rounded = std::nearbyint(value);
  if (!(rounded >= -9223372036854775808.0L && rounded < 9223372036854775808.0L)) OverflowError(from, to);
  return static_cast<Int64>(rounded);
}

Int64 CurrencyToInt64(Currency c) {  // to nearest, ties to even
  Int64 q = c.Scaled() / Currency::Scale, r = c.Scaled() % Currency::Scale;
  const Int64 twice = 2 * (r < 0 ? -r : r);
  if (twice > Currency::Scale || (twice == Currency::Scale && q % 2 != 0)) q += r < 0 ? -1 : 1;
  return q;
}

// The smallest integer type that holds a result: Integer, else Int64.
Variant IntegerResult(Int64 value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return Variant(static_cast<Integer>(value));
  return Variant(value);
}

Variant CheckedIntegerResult(Int128 value) {
  if (value > INT64_MAX || value < INT64_MIN) VariantOverflow();
  return IntegerResult(static_cast<Int64>(value));
}

double CheckedDouble(Extended value) {
  if (std::isinf(value) || std::fabs(value) > static_cast<Extended>(std::numeric_limits<double>::max()))
    throw EOverflow("Floating point overflow");
  if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
  return static_cast<double>(value);
}

Currency CurrencyResult(Int128 scaled) {
  if (scaled > INT64_MAX || scaled < INT64_MIN) VariantOverflow();
  return Currency::FromScaled(static_cast<Int64>(scaled));
}

}  // namespace

// ---- arrays ------------------------------------------------------------------------------

class TVarArray {
 public:
  TVarArray(TVarType elementType, std::vector<std::pair<Integer, Integer>> bounds)
      : fElementType(elementType), fBounds(std::move(bounds)) {
    Allocate(CountOf(fBounds));
  }

  TVarType ElementType() const { return fElementType; }
  const std::vector<std::pair<Integer, Integer>>& Bounds() const { return fBounds; }

  static Integer ElementSize(TVarType type) {
    switch (type) {
      case varShortInt: case varByte: return 1;
      case varSmallint: case varWord: case varBoolean: return 2;
      case varInteger: case varLongWord: case varSingle: case varError: return 4;
      case varDouble: case varDate: case varCurrency: case varInt64: return 8;
      case varOleStr: return static_cast<Integer>(sizeof(WideString));
      case varVariant: return static_cast<Integer>(sizeof(Variant));
      default: return 0;
    }
  }

  std::size_t Position(const std::vector<Integer>& indices) const {
    if (indices.size() != fBounds.size()) BadIndex();
    std::size_t position = 0, stride = 1;
    for (std::size_t d = 0; d < fBounds.size(); ++d) {
      const auto [low, high] = fBounds[d];
      if (indices[d] < low || indices[d] > high) BadIndex();
      position += static_cast<std::size_t>(static_cast<Int64>(indices[d]) - low) * stride;
      stride *= Extent(fBounds[d]);
    }
    return position;
  }

  Variant Get(std::size_t i) const {
    switch (fElementType) {
      case varVariant: return fVariants[i];
      case varOleStr: return Variant(fStrings[i]);
      case varSingle: return Variant(Read<float>(i));
      case varDouble: return Variant(Read<double>(i));
      case varDate: return VarFromDateTime(Read<double>(i));
      case varCurrency: return Variant(Currency::FromScaled(Read<Int64>(i)));
      case varBoolean: return Variant(Read<SmallInt>(i) != 0);
      case varError: return VarAsError(Read<Integer>(i));
      case varShortInt: return Variant(Read<ShortInt>(i));
      case varByte: return Variant(Read<Byte>(i));
      case varSmallint: return Variant(Read<SmallInt>(i));
      case varWord: return Variant(Read<Word>(i));
      case varInteger: return Variant(Read<Integer>(i));
      case varLongWord: return Variant(Read<LongWord>(i));
      default: return Variant(Read<Int64>(i));
    }
  }

  void Put(std::size_t i, const Variant& value) {
    switch (fElementType) {
      case varVariant:
        fVariants[i] = value.VType() == varString ? VarAsType(value, varOleStr) : value;
        return;
      case varOleStr: fStrings[i] = value.AsWideString(); return;
      case varSingle: Write(i, static_cast<float>(VarAsType(value, varSingle).AsDouble())); return;
      case varDouble: Write(i, value.AsDouble()); return;
      case varDate: Write(i, value.AsDateTime()); return;
      case varCurrency: Write(i, value.AsCurrency().Scaled()); return;
      case varBoolean: Write(i, static_cast<SmallInt>(value.AsBoolean() ? -1 : 0)); return;
      case varError: Write(i, static_cast<Integer>(IntegerOf(value))); return;
      case varShortInt: Write(i, static_cast<ShortInt>(IntegerOf(value))); return;
      case varByte: Write(i, static_cast<Byte>(IntegerOf(value))); return;
      case varSmallint: Write(i, static_cast<SmallInt>(IntegerOf(value))); return;
      case varWord: Write(i, static_cast<Word>(IntegerOf(value))); return;
      case varInteger: Write(i, static_cast<Integer>(IntegerOf(value))); return;
      case varLongWord: Write(i, static_cast<LongWord>(IntegerOf(value))); return;
      default: Write(i, IntegerOf(value)); return;
    }
  }

  // New bounds for the last dimension; the elements at indices that remain are kept.
  void RedimLast(Integer highBound) {
    if (fLocks > 0) throw EVariantArrayLockedError("Variant or safe array is locked");
    auto bounds = fBounds;
    bounds.back().second = highBound;
    TVarArray resized(fElementType, bounds);
    std::vector<Integer> indices(fBounds.size());
    const std::size_t count = CountOf(fBounds);
    for (std::size_t i = 0; i < count; ++i) {
      std::size_t rest = i;
      for (std::size_t d = 0; d < fBounds.size(); ++d) {
        indices[d] = fBounds[d].first + static_cast<Integer>(rest % Extent(fBounds[d]));
        rest /= Extent(fBounds[d]);
      }
      if (indices.back() <= highBound) resized.Put(resized.Position(indices), Get(i));
    }
    *this = std::move(resized);
  }

  void* Lock() {
    ++fLocks;
    if (fElementType == varVariant) return fVariants.data();
    if (fElementType == varOleStr) return fStrings.data();
    return fRaw.data();
  }
  void Unlock() {
    if (fLocks > 0) --fLocks;
  }

 private:
  // The value converted to the element type, range checked, as a number.
  Int64 IntegerOf(const Variant& value) const;

  static std::size_t Extent(const std::pair<Integer, Integer>& bound) {
    return static_cast<std::size_t>(static_cast<Int64>(bound.second) - bound.first + 1);
  }

  // Element count, refusing bounds that are reversed or too large to hold.
  static std::size_t CountOf(const std::vector<std::pair<Integer, Integer>>& bounds) {
    constexpr UInt64 kMaxElements = UInt64(1) << 28;
    UInt64 count = 1;
    for (const auto& [low, high] : bounds) {
      const Int64 extent = static_cast<Int64>(high) - low + 1;
      if (extent < 0) throw EVariantArrayCreateError("Error creating variant or safe array");
      count *= static_cast<UInt64>(extent);
      if (count > kMaxElements) throw EVariantArrayCreateError("Error creating variant or safe array");
    }
    return static_cast<std::size_t>(count);
  }

  void Allocate(std::size_t count) {
    if (fElementType == varVariant)
      fVariants.assign(count, Variant());
    else if (fElementType == varOleStr)
      fStrings.assign(count, WideString());
    else
      fRaw.assign(count * static_cast<std::size_t>(ElementSize(fElementType)), 0);
  }

  template <class T>
  T Read(std::size_t i) const {
    T value;
    std::memcpy(&value, fRaw.data() + i * sizeof(T), sizeof(T));
    return value;
  }
  template <class T>
  void Write(std::size_t i, T value) {
    std::memcpy(fRaw.data() + i * sizeof(T), &value, sizeof(T));
  }

  TVarType fElementType;
  std::vector<std::pair<Integer, Integer>> fBounds;
  std::vector<unsigned char> fRaw;
  std::vector<Variant> fVariants;
  std::vector<WideString> fStrings;
  int fLocks = 0;
};

// ---- access to a variant's parts --------------------------------------------------------

class VariantAccess {
 public:
  static const Variant::Scalar& ScalarOf(const Variant& v) {
    ORDVANE_DEBUG_ASSERT(v.Held() == Variant::Holds::Scalar && v.PayloadMatchesType(),
                         "a variant read as a scalar holds one");
    return v.fData.scalar;
  }
  static Int64 Int(const Variant& v) {
    const Variant::Scalar& s = ScalarOf(v);
    switch (v.fType) {
      case varShortInt: return s.shortInt;
      case varByte: return s.byte;
      case varSmallint: return s.smallInt;
      case varWord: return s.word;
      case varInteger: case varError: return s.integer;
      case varLongWord: return s.longWord;
      default: return s.int64;
    }
  }
  static double Float(const Variant& v) { return v.fType == varSingle ? ScalarOf(v).single : ScalarOf(v).real; }
  static Currency Curr(const Variant& v) { return Currency::FromScaled(ScalarOf(v).int64); }
  static bool Bool(const Variant& v) { return ScalarOf(v).smallInt != 0; }
  static std::string_view Ansi(const Variant& v) { return v.fData.ansi->View(); }
  static std::u16string_view Wide(const Variant& v) { return v.fData.wide->View(); }
  // A text variant's text in the ANSI code page.
  static AnsiString AnsiText(const Variant& v) {
    return v.fType == varString ? AnsiString(Ansi(v)) : WideToAnsi(Wide(v));
  }
  static TVarArray* Array(const Variant& v) { return v.Held() == Variant::Holds::Array ? v.fData.array : nullptr; }
  static Variant MakeNull() {
    Variant v;
    v.fType = varNull;
    return v;
  }
  static Variant MakeArray(TVarType elementType, std::unique_ptr<TVarArray> array) {
    Variant v;
    v.fType = static_cast<TVarType>(varArray | elementType);
    v.fData.array = array.release();
    return v;
  }
  // An integer type (or Error) holding a value already in its range.
  static Variant MakeInteger(TVarType type, Int64 value) {
    Variant v;
    v.fType = type;
    Variant::Scalar& s = v.Set();
    switch (type) {
      case varShortInt: s.shortInt = static_cast<ShortInt>(value); break;
      case varByte: s.byte = static_cast<Byte>(value); break;
      case varSmallint: s.smallInt = static_cast<SmallInt>(value); break;
      case varWord: s.word = static_cast<Word>(value); break;
      case varInteger: case varError: s.integer = static_cast<Integer>(value); break;
      case varLongWord: s.longWord = static_cast<LongWord>(value); break;
      default: s.int64 = value; break;
    }
    return v;
  }
  static Variant MakeDate(TDateTime value) {
    Variant v(value);
    v.fType = varDate;
    return v;
  }

  // The type of the value itself, read through references without copying the value.
  static TVarType PlainType(const Variant& v) {
    const Variant* value = &v;
    while (value->fType == (varByRef | varVariant)) value = static_cast<const Variant*>(value->fData.ref);
    return static_cast<TVarType>(value->fType & ~varByRef);
  }

  // The value itself: a reference is read through.
  static Variant Plain(const Variant& v) {
    if ((v.fType & varByRef) == 0) return v;
    void* target = v.fData.ref;
    const TVarType type = static_cast<TVarType>(v.fType & ~varByRef);
    switch (type) {
      case varVariant: return Plain(*static_cast<Variant*>(target));
      case varString: return Variant(*static_cast<AnsiString*>(target));
      case varOleStr: return Variant(*static_cast<WideString*>(target));
      case varCurrency: return Variant(*static_cast<Currency*>(target));
      case varSingle: return Variant(Load<float>(target));
      case varDouble: return Variant(Load<double>(target));
      case varShortInt: return Variant(Load<ShortInt>(target));
      case varByte: return Variant(Load<Byte>(target));
      case varSmallint: return Variant(Load<SmallInt>(target));
      case varWord: return Variant(Load<Word>(target));
      case varInteger: return Variant(Load<Integer>(target));
      case varLongWord: return Variant(Load<LongWord>(target));
      default: return Variant(Load<Int64>(target));
    }
  }

 private:
  template <class T>
  static T Load(const void* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
  }
};

Int64 TVarArray::IntegerOf(const Variant& value) const {
  return VariantAccess::Int(VarAsType(value, fElementType));
}

namespace {

using A = VariantAccess;

// A numeric view of a plain variant for conversions and arithmetic.
Int64 ToInt64(const Variant& v, TVarType to) {
  const TVarType t = v.VType();
  if (t == varEmpty) return 0;
  if (VarTypeIsInteger(t)) return A::Int(v);
  if (IsFloatType(t) || t == varDate) return RoundedToInt64(A::Float(v), t, to);
  if (t == varCurrency) return CurrencyToInt64(A::Curr(v));
  if (t == varBoolean) return A::Bool(v) ? -1 : 0;
  if (IsStringType(t)) {
    const AnsiString text = A::AnsiText(v);
    Int64 integer;
    Extended number;
    bool flag;
    if (TryTextToInt64(text, integer)) return integer;
    if (TryStrToFloat(text, number)) return RoundedToInt64(number, t, to);
    if (TryTextToBoolean(text, flag)) return flag ? -1 : 0;
  }
  CastError(t, to);
}

Extended ToExtended(const Variant& v, TVarType to) {
  const TVarType t = v.VType();
  if (t == varEmpty) return 0;
  if (VarTypeIsInteger(t)) return static_cast<Extended>(A::Int(v));
  if (IsFloatType(t) || t == varDate) return A::Float(v);
  if (t == varCurrency) return A::Curr(v).ToExtended();
  if (t == varBoolean) return A::Bool(v) ? -1 : 0;
  if (IsStringType(t)) {
    const AnsiString text = A::AnsiText(v);
    Extended number;
    bool flag;
    if (to == varDate) {
      TDateTime date;
      if (TryStrToDateTime(text, date)) return date;
    }
    if (TryStrToFloat(text, number)) return number;
    if (TryTextToBoolean(text, flag)) return flag ? -1 : 0;
  }
  CastError(t, to);
}

double ToDouble(const Variant& v, TVarType to) {
  const Extended value = ToExtended(v, to);
  if (std::isfinite(value) && std::fabs(value) > static_cast<Extended>(std::numeric_limits<double>::max()))
    OverflowError(v.VType(), to);
  return static_cast<double>(value);
}

Currency ToCurrency(const Variant& v) {
  const TVarType t = v.VType();
  if (t == varCurrency) return A::Curr(v);
  if (VarTypeIsInteger(t) || t == varBoolean || t == varEmpty) {
    const Int64 value = ToInt64(v, varCurrency);
    if (value > INT64_MAX / Currency::Scale || value < INT64_MIN / Currency::Scale) OverflowError(t, varCurrency);
    return Currency::FromScaled(value * Currency::Scale);
  }
  if (IsStringType(t)) {
    Currency c;
    if (TryStrToCurr(A::AnsiText(v), c)) return c;
  }
  const Extended value = ToExtended(v, varCurrency);
  try {
    return Currency::FromDouble(value);
  } catch (const EInvalidOp&) {
    OverflowError(t, varCurrency);
  }
}

bool ToBoolean(const Variant& v) {
  const TVarType t = v.VType();
  if (t == varBoolean) return A::Bool(v);
  if (IsStringType(t)) {
    bool flag;
    if (TryTextToBoolean(A::AnsiText(v), flag)) return flag;
  }
  if (t == varCurrency) return A::Curr(v).Scaled() != 0;
  return ToExtended(v, varBoolean) != 0;
}

AnsiString ToAnsi(const Variant& v) {
  const TVarType t = v.VType();
  switch (t) {
    case varEmpty: return AnsiString();
    case varString:
    case varOleStr: return A::AnsiText(v);
    case varBoolean: return A::Bool(v) ? "True" : "False";
    case varSingle:
    case varDouble: return FloatToStr(A::Float(v));
    case varDate: return DateTimeToStr(A::Float(v));
    case varCurrency: return CurrToStr(A::Curr(v));
    default:
      if (VarTypeIsInteger(t)) return std::to_string(A::Int(v));
      CastError(t, varString);
  }
}

void CheckConvertible(const Variant& v, TVarType to) {
  if (v.VType() == varNull || v.VType() == varError || (v.VType() & varArray) != 0) CastError(v.VType(), to);
}

// The integer range of each integer type.
void CheckIntegerRange(Int64 value, TVarType from, TVarType to) {
  Int64 low = INT64_MIN, high = INT64_MAX;
  switch (to) {
    case varShortInt: low = INT8_MIN, high = INT8_MAX; break;
    case varByte: low = 0, high = UINT8_MAX; break;
    case varSmallint: low = INT16_MIN, high = INT16_MAX; break;
    case varWord: low = 0, high = UINT16_MAX; break;
    case varInteger: case varError: low = INT32_MIN, high = INT32_MAX; break;
    case varLongWord: low = 0, high = UINT32_MAX; break;
    default: break;
  }
  if (value < low || value > high) OverflowError(from, to);
}

// ---- arithmetic ----------------------------------------------------------------------

enum class NumberKind { Integer, Currency, Date, Double };

NumberKind KindOf(TVarType t) {
  if (t == varCurrency) return NumberKind::Currency;
  if (t == varDate) return NumberKind::Date;
  if (IsFloatType(t) || IsStringType(t)) return NumberKind::Double;
  return NumberKind::Integer;  // integers, Boolean, Empty
}

void CheckOperand(const Variant& v) {
  if ((v.VType() & varArray) != 0 || v.VType() == varError) InvalidOp();
}

enum class Op { Add, Subtract, Multiply, Divide };

Variant IntegerArithmetic(Op op, Int64 x, Int64 y) {
  switch (op) {
    case Op::Add: return CheckedIntegerResult(Int128(x) + y);
    case Op::Subtract: return CheckedIntegerResult(Int128(x) - y);
    default: return CheckedIntegerResult(Int128(x) * y);
  }
}

Variant CurrencyArithmetic(Op op, Currency x, Currency y) {
  try {
    switch (op) {
      case Op::Add: return Variant(x + y);
      case Op::Subtract: return Variant(x - y);
      case Op::Multiply: return Variant(x * y);
      default: return Variant(x / y);
    }
  } catch (const EInvalidOp&) {
    if (op == Op::Divide && y.Scaled() == 0) throw;
    VariantOverflow();
  }
}

Extended FloatArithmetic(Op op, Extended x, Extended y) {
  switch (op) {
    case Op::Add: return x + y;
    case Op::Subtract: return x - y;
    case Op::Multiply: return x * y;
    default:
      if (y == 0) {
        if (x == 0 || std::isnan(x)) throw EInvalidOp("Invalid floating point operation");
        throw EZeroDivide("Floating point division by zero");
      }
      return x / y;
  }
}

Variant Arithmetic(Op op, const Variant& left, const Variant& right) {
  const Variant a = A::Plain(left), b = A::Plain(right);
  CheckOperand(a);
  CheckOperand(b);
  if (a.VType() == varNull || b.VType() == varNull) return Null();
  const TVarType ta = a.VType(), tb = b.VType();
  if (op == Op::Add && (IsStringType(ta) || ta == varEmpty) && (IsStringType(tb) || tb == varEmpty) &&
      (IsStringType(ta) || IsStringType(tb))) {
    if (ta == varOleStr || tb == varOleStr) return Variant(a.AsWideString() + b.AsWideString());
    return Variant(ToAnsi(a) + ToAnsi(b));
  }
  const NumberKind ka = KindOf(ta), kb = KindOf(tb);
  const bool anyDouble = ka == NumberKind::Double || kb == NumberKind::Double;
  const bool anyDate = ka == NumberKind::Date || kb == NumberKind::Date;
  const bool anyCurrency = ka == NumberKind::Currency || kb == NumberKind::Currency;
  if (!anyDouble && !anyDate && anyCurrency)
    return CurrencyArithmetic(op, ToCurrency(a), ToCurrency(b));
  if (!anyDouble && !anyDate && op != Op::Divide)
    return IntegerArithmetic(op, ToInt64(a, varInt64), ToInt64(b, varInt64));
  const Extended result = FloatArithmetic(op, ToExtended(a, varDouble), ToExtended(b, varDouble));
  // A date moved by a number stays a date; the distance between two dates is a number.
  const bool dateResult = anyDate && (op == Op::Add || op == Op::Subtract) &&
                          !(ka == NumberKind::Date && kb == NumberKind::Date && op == Op::Subtract);
  return dateResult ? VarFromDateTime(CheckedDouble(result)) : Variant(CheckedDouble(result));
}

// The operands of div, mod and the bitwise operations, as integers.
bool IntegerOperands(const Variant& left, const Variant& right, Int64& x, Int64& y) {
  const Variant a = A::Plain(left), b = A::Plain(right);
  CheckOperand(a);
  CheckOperand(b);
  if (a.VType() == varNull || b.VType() == varNull) return false;
  x = ToInt64(a, varInt64);
  y = ToInt64(b, varInt64);
  return true;
}

enum class Logic { And, Or, Xor };

Variant Logical(Logic op, const Variant& left, const Variant& right) {
  const Variant a = A::Plain(left), b = A::Plain(right);
  CheckOperand(a);
  CheckOperand(b);
  if (a.VType() == varNull || b.VType() == varNull) return Null();
  const auto booleanLike = [](const Variant& v, const Variant& other) {
    if (v.VType() == varBoolean) return true;
    bool flag;
    return other.VType() == varBoolean && IsStringType(v.VType()) && TryTextToBoolean(ToAnsi(v), flag);
  };
  if (booleanLike(a, b) && booleanLike(b, a)) {
    const bool x = ToBoolean(a), y = ToBoolean(b);
    return Variant(op == Logic::And ? (x && y) : op == Logic::Or ? (x || y) : (x != y));
  }
  const Int64 x = ToInt64(a, varInt64), y = ToInt64(b, varInt64);
  return IntegerResult(op == Logic::And ? (x & y) : op == Logic::Or ? (x | y) : (x ^ y));
}

int Compare3(Int128 x, Int128 y) { return (x > y) - (x < y); }

// -1, 0, 1 for two plain, non-null variants.
int CompareValues(const Variant& a, const Variant& b) {
  const TVarType ta = a.VType(), tb = b.VType();
  const bool textA = IsStringType(ta) || ta == varEmpty, textB = IsStringType(tb) || tb == varEmpty;
  if (textA && textB) {
    if (ta == varOleStr || tb == varOleStr) return WideCompareStr(a.AsWideString(), b.AsWideString());
    return AnsiCompareStr(ToAnsi(a), ToAnsi(b));
  }
  if (ta == varBoolean || tb == varBoolean) {
    if ((ta == varBoolean || IsStringType(ta) || ta == varEmpty) &&
        (tb == varBoolean || IsStringType(tb) || tb == varEmpty)) {
      const bool x = ToBoolean(a), y = ToBoolean(b);
      return static_cast<int>(x) - static_cast<int>(y);
    }
  }
  const NumberKind ka = KindOf(ta), kb = KindOf(tb);
  if (ka == NumberKind::Integer && kb == NumberKind::Integer && !IsStringType(ta) && !IsStringType(tb))
    return Compare3(ToInt64(a, varInt64), ToInt64(b, varInt64));
  if ((ka == NumberKind::Integer || ka == NumberKind::Currency) &&
      (kb == NumberKind::Integer || kb == NumberKind::Currency) && !IsStringType(ta) && !IsStringType(tb)) {
    const auto scaled = [](const Variant& v) {
      return v.VType() == varCurrency ? Int128(A::Curr(v).Scaled()) : Int128(ToInt64(v, varInt64)) * Currency::Scale;
    };
    return Compare3(scaled(a), scaled(b));
  }
  const Extended x = ToExtended(a, varDouble), y = ToExtended(b, varDouble);
  return (x > y) - (x < y);
}

}  // namespace

// ---- Variant -------------------------------------------------------------------------

void Variant::Share() {
  switch (Held()) {
    case Holds::Ansi: fData.ansi = TText<char>::Share(fData.ansi); break;
    case Holds::Wide: fData.wide = TText<char16_t>::Share(fData.wide); break;
    case Holds::Array: fData.array = new TVarArray(*fData.array); break;
    default: break;
  }
}

bool Variant::PayloadMatchesType() const {
  switch (Held()) {
    case Holds::Scalar: case Holds::Nothing: return true;
    case Holds::Ansi: return fData.ansi != nullptr && fData.ansi->Refs.load(std::memory_order_relaxed) > 0;
    case Holds::Wide: return fData.wide != nullptr && fData.wide->Refs.load(std::memory_order_relaxed) > 0;
    case Holds::Array: return fData.array != nullptr;
    case Holds::Ref: return fData.ref != nullptr;
  }
  return false;
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) *this = Variant(other);
  return *this;
}

template <class C>
Variant::TText<C>* Variant::TText<C>::Make(std::basic_string_view<C> text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("A variant's text holds at most 4294967295 characters");
  void* memory = ::operator new(sizeof(TText) + (text.size() + 1) * sizeof(C));
  auto* made = new (memory) TText{{1}, static_cast<std::uint32_t>(text.size())};
  C* chars = reinterpret_cast<C*>(made + 1);
  std::memcpy(chars, text.data(), text.size() * sizeof(C));
  chars[text.size()] = C{};
  return made;
}

template <class C>
Variant::TText<C>* Variant::TText<C>::Share(TText* text) {
  // A text of 2^31 sharers is shared no further: its count, at most that plus the threads
  // sharing it at the same moment, cannot wrap.
  constexpr std::uint32_t kMostSharers = std::uint32_t{1} << 31;
  if (text->Refs.fetch_add(1, std::memory_order_relaxed) < kMostSharers) return text;
  // The sharer's source still holds the text: taking the count back frees nothing.
  text->Refs.fetch_sub(1, std::memory_order_relaxed);
  return Make(text->View());
}

template <class C>
void Variant::TText<C>::Free(TText* text) {
  if (text->Refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  text->~TText();
  ::operator delete(text);
}

template struct Variant::TText<char>;
template struct Variant::TText<char16_t>;

void Variant::Release() noexcept {
  switch (Held()) {
    case Holds::Ansi: TText<char>::Free(fData.ansi); break;
    case Holds::Wide: TText<char16_t>::Free(fData.wide); break;
    case Holds::Array: delete fData.array; break;
    default: break;
  }
  fType = varEmpty;
}

const void* Variant::DataPtr() const {
  switch (Held()) {
    case Holds::Ref: return fData.ref;
    case Holds::Scalar: return &fData.scalar;
    case Holds::Ansi: return fData.ansi->Chars();
    case Holds::Wide: return fData.wide->Chars();
    case Holds::Array: return fData.array;
    default: return nullptr;
  }
}

Variant Variant::ByRef(Variant* target) {
  Variant ref;
  ref.fType = varByRef | varVariant;
  ref.fData.ref = static_cast<void*>(target);
  return ref;
}

namespace {

// The value read through any reference, refused when it has no simple value to convert.
Variant Convertible(const Variant& value, TVarType to) {
  Variant v = A::Plain(value);
  CheckConvertible(v, to);
  return v;
}

}  // namespace

bool Variant::AsBoolean() const { return ToBoolean(Convertible(*this, varBoolean)); }
Integer Variant::AsInteger() const { return static_cast<Integer>(VarAsType(*this, varInteger).AsInt64()); }
Int64 Variant::AsInt64() const { return ToInt64(Convertible(*this, varInt64), varInt64); }
double Variant::AsDouble() const { return ToDouble(Convertible(*this, varDouble), varDouble); }
Currency Variant::AsCurrency() const { return ToCurrency(Convertible(*this, varCurrency)); }
TDateTime Variant::AsDateTime() const { return ToDouble(Convertible(*this, varDate), varDate); }
AnsiString Variant::AsString() const {
  // Text, most of what is asked for as text, is read without a converted copy of the variant.
  if (fType == varString || fType == varOleStr) return A::AnsiText(*this);
  return ToAnsi(Convertible(*this, varString));
}

bool Variant::WideTextView(std::u16string_view& text) const {
  if (fType != varOleStr) return false;
  text = A::Wide(*this);
  return true;
}

WideString Variant::AsWideString() const {
  const Variant v = Convertible(*this, varOleStr);
  return v.VType() == varOleStr ? WideString(A::Wide(v)) : AnsiToWide(ToAnsi(v));
}

Variant Null() { return A::MakeNull(); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime value) { return A::MakeDate(value); }
Variant VarAsError(Integer code) { return A::MakeInteger(varError, code); }

TVarType VarType(const Variant& v) { return v.VType(); }
bool VarIsNull(const Variant& v) { return A::PlainType(v) == varNull; }
bool VarIsEmpty(const Variant& v) { return A::PlainType(v) == varEmpty; }
bool VarIsArray(const Variant& v) { return (A::PlainType(v) & varArray) != 0; }
bool VarIsError(const Variant& v) { return A::PlainType(v) == varError; }

AnsiString VarTypeAsText(TVarType type) {
  static const char* const kNames[] = {"Empty",   "Null",    "Smallint", "Integer", "Single", "Double",  "Currency",
                                       "Date",    "OleStr",  "Dispatch", "Error",   "Boolean", "Variant", "Unknown",
                                       "Decimal", "$0F",     "ShortInt", "Byte",    "Word",    "LongWord", "Int64"};
  const TVarType base = type & varTypeMask;
  AnsiString name;
  if (base <= varInt64) {
    name = kNames[base];
  } else if (base == varString) {
    name = "String";
  } else {
    char hex[8];
    std::snprintf(hex, sizeof hex, "$%04X", static_cast<unsigned>(base));
    name = hex;
  }
  if (type & varArray) name = "Array " + name;
  if (type & varByRef) name = "ByRef " + name;
  return name;
}

AnsiString VarToStr(const Variant& v) { return VarIsNull(v) ? AnsiString() : v.AsString(); }
TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }

Variant VarAsType(const Variant& value, TVarType type) {
  Variant v = A::Plain(value);
  if (v.VType() == type) return v;
  if ((type & (varArray | varByRef)) != 0) CastError(v.VType(), type);
  if (VarTypeIsInteger(type)) {
    CheckConvertible(v, type);
    const Int64 n = ToInt64(v, type);
    CheckIntegerRange(n, v.VType(), type);
    return A::MakeInteger(type, n);
  }
  switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varBoolean: return Variant(value.AsBoolean());
    case varSingle: {
      const double d = ToDouble(Convertible(v, type), type);
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) OverflowError(v.VType(), type);
      return Variant(static_cast<float>(d));
    }
    case varDouble: return Variant(value.AsDouble());
    case varDate: return VarFromDateTime(value.AsDateTime());
    case varCurrency: return Variant(value.AsCurrency());
    case varString: return Variant(value.AsString());
    case varOleStr: return Variant(value.AsWideString());
    case varError: {
      if (!VarTypeIsInteger(v.VType())) CastError(v.VType(), type);
      CheckIntegerRange(A::Int(v), v.VType(), type);
      return VarAsError(static_cast<Integer>(A::Int(v)));
    }
    default: throw EVariantBadVarTypeError("Invalid variant type");
  }
}

// ---- array routines --------------------------------------------------------------------

namespace {

TVarArray& ArrayOf(const Variant& a) {
  TVarArray* array = A::Array(a);
  if (array == nullptr) NotAnArray();
  return *array;
}

const std::pair<Integer, Integer>& BoundOf(const Variant& a, Integer dim) {
  const auto& bounds = ArrayOf(a).Bounds();
  if (dim < 1 || static_cast<std::size_t>(dim) > bounds.size()) BadIndex();
  return bounds[static_cast<std::size_t>(dim - 1)];
}

bool IsArrayElementType(TVarType type) {
  return type == varVariant || type == varOleStr || (type != varString && TVarArray::ElementSize(type) > 0);
}

}  // namespace

Variant VarArrayCreate(const std::vector<Integer>& bounds, TVarType elementType) {
  if (bounds.empty() || bounds.size() % 2 != 0 || !IsArrayElementType(elementType))
    throw EVariantArrayCreateError("Error creating variant or safe array");
  std::vector<std::pair<Integer, Integer>> pairs;
  for (std::size_t i = 0; i < bounds.size(); i += 2) pairs.emplace_back(bounds[i], bounds[i + 1]);
  return A::MakeArray(elementType, std::make_unique<TVarArray>(elementType, pairs));
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant array = VarArrayCreate({0, static_cast<Integer>(values.size()) - 1}, varVariant);
  for (std::size_t i = 0; i < values.size(); ++i) ArrayOf(array).Put(i, values[i]);
  return array;
}

Integer VarArrayDimCount(const Variant& a) {
  TVarArray* array = A::Array(a);
  return array ? static_cast<Integer>(array->Bounds().size()) : 0;
}

Integer VarArrayLowBound(const Variant& a, Integer dim) { return BoundOf(a, dim).first; }
Integer VarArrayHighBound(const Variant& a, Integer dim) { return BoundOf(a, dim).second; }

void VarArrayRedim(Variant& a, Integer highBound) {
  TVarArray& array = ArrayOf(a);
  if (static_cast<Int64>(highBound) < static_cast<Int64>(array.Bounds().back().first) - 1)
    throw EVariantArrayCreateError("Error creating variant or safe array");
  array.RedimLast(highBound);
}

Variant VarArrayGet(const Variant& a, const std::vector<Integer>& indices) {
  const TVarArray& array = ArrayOf(a);
  return array.Get(array.Position(indices));
}

void VarArrayPut(Variant& a, const Variant& value, const std::vector<Integer>& indices) {
  TVarArray& array = ArrayOf(a);
  array.Put(array.Position(indices), value);
}

void* VarArrayLock(Variant& a) { return ArrayOf(a).Lock(); }
void VarArrayUnlock(Variant& a) { ArrayOf(a).Unlock(); }
Integer VarArrayElementSize(const Variant& a) { return TVarArray::ElementSize(ArrayOf(a).ElementType()); }

// ---- operators -------------------------------------------------------------------------

Variant operator+(const Variant& a, const Variant& b) { return Arithmetic(Op::Add, a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arithmetic(Op::Subtract, a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arithmetic(Op::Multiply, a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arithmetic(Op::Divide, a, b); }

Variant operator-(const Variant& value) {
  Variant v = A::Plain(value);
  CheckOperand(v);
  const TVarType t = v.VType();
  switch (t) {
    case varNull: return v;
    case varSingle: return Variant(static_cast<float>(-A::Float(v)));
    case varDouble: return Variant(-A::Float(v));
    case varDate: return VarFromDateTime(-A::Float(v));
    case varCurrency: return Variant(CurrencyResult(-Int128(A::Curr(v).Scaled())));
    default:
      if (IsStringType(t)) return Variant(-ToDouble(v, varDouble));
      return CheckedIntegerResult(-Int128(ToInt64(v, varInt64)));
  }
}

Variant VarIntDiv(const Variant& a, const Variant& b) {
  Int64 x, y;
  if (!IntegerOperands(a, b, x, y)) return Null();
  if (y == 0) throw EDivByZero("Division by zero");
  return CheckedIntegerResult(Int128(x) / y);
}

Variant VarMod(const Variant& a, const Variant& b) {
  Int64 x, y;
  if (!IntegerOperands(a, b, x, y)) return Null();
  if (y == 0) throw EDivByZero("Division by zero");
  return CheckedIntegerResult(Int128(x) % y);
}

Variant VarAnd(const Variant& a, const Variant& b) { return Logical(Logic::And, a, b); }
Variant VarOr(const Variant& a, const Variant& b) { return Logical(Logic::Or, a, b); }
Variant VarXor(const Variant& a, const Variant& b) { return Logical(Logic::Xor, a, b); }

Variant VarNot(const Variant& value) {
  Variant v = A::Plain(value);
  CheckOperand(v);
  if (v.VType() == varNull) return v;
  bool flag;
  if (v.VType() == varBoolean || (IsStringType(v.VType()) && TryTextToBoolean(ToAnsi(v), flag)))
    return Variant(!ToBoolean(v));
  return IntegerResult(~ToInt64(v, varInt64));
}

// The analyzer loses the release of a copied array in the destructor of a plain copy and
// reports it leaked at the closing brace.
// NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks)
TVariantRelationship VarCompareValue(const Variant& left, const Variant& right) {
  const Variant a = A::Plain(left), b = A::Plain(right);
  CheckOperand(a);
  CheckOperand(b);
  const bool nullA = a.VType() == varNull, nullB = b.VType() == varNull;
  if (nullA || nullB) return nullA && nullB ? vrEqual : vrNotEqual;
  const int c = CompareValues(a, b);
  return c == 0 ? vrEqual : c < 0 ? vrLessThan : vrGreaterThan;
}
// NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)

bool VarSameValue(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }
bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }
bool operator!=(const Variant& a, const Variant& b) { return VarCompareValue(a, b) != vrEqual; }
bool operator<(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrLessThan; }
bool operator>(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrGreaterThan; }
bool operator<=(const Variant& a, const Variant& b) {
  const TVariantRelationship r = VarCompareValue(a, b);
  return r == vrLessThan || r == vrEqual;
}
bool operator>=(const Variant& a, const Variant& b) {
  const TVariantRelationship r = VarCompareValue(a, b);
  return r == vrGreaterThan || r == vrEqual;
}

}  // namespace ordvane

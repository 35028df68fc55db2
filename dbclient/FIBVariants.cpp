#include "dbclient/FIBVariants.h"

#include <cmath>
#include <cstddef>

#include "classlib/core/CodePages.h"

namespace ordvane {

namespace {

constexpr long double kFloatTolerance = 1e-11L;

int Sign3(long double a, long double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}
int Sign3(Int64 a, Int64 b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

TVarType PlainType(const Variant& v) {
  return static_cast<TVarType>(VarType(v) & ~varByRef);
}

}  // namespace

namespace {

// An integer a against a currency's scaled value, without forming a * 10 000.
int CompareIntWithScaled(Int64 a, Int64 scaled) {
  const Int64 whole = scaled / Currency::Scale;
  const Int64 rest = scaled % Currency::Scale;
  if (a != whole) return Sign3(a, whole);
  return Sign3(Int64{0}, rest);
}

// A, the typed side of a comparison.
struct TOperand {
  enum class TKind { Int, Float, Curr, Date };
  TKind kind;
  Int64 integer = 0;     // Int: the value; Curr: the scaled value
  long double real = 0;  // Float and Date
  bool textAsInt64 = false;

  static TOperand Int(Int64 v, bool textAsInt64 = false) { return {TKind::Int, v, 0, textAsInt64}; }
  static TOperand Float(long double v) { return {TKind::Float, 0, v, false}; }
  static TOperand Curr(Currency v) { return {TKind::Curr, v.Scaled(), 0, false}; }
  static TOperand Date(TDateTime v) { return {TKind::Date, 0, v, false}; }

  long double AsReal() const {
    switch (kind) {
      case TKind::Int:
        return static_cast<long double>(integer);
      case TKind::Curr:
        return static_cast<long double>(integer) / Currency::Scale;
      default:
        return real;
    }
  }

  int AgainstInteger(Int64 b) const {
    switch (kind) {
      case TKind::Int:
        return Sign3(integer, b);
      case TKind::Curr:
        return -CompareIntWithScaled(b, integer);
      default:
        return Sign3(real, static_cast<long double>(b));
    }
  }
  int AgainstFloat(long double b) const {
    const long double a = AsReal();
    return std::fabs(a - b) < kFloatTolerance ? 0 : Sign3(a, b);
  }
  int AgainstCurrency(Int64 scaled) const {
    switch (kind) {
      case TKind::Int:
        return CompareIntWithScaled(integer, scaled);
      case TKind::Curr:
        return Sign3(integer, scaled);
      default:
        return Sign3(real * Currency::Scale, static_cast<long double>(scaled));
    }
  }
  int AgainstText(const Variant& b) const {
    if (textAsInt64) return AgainstInteger(b.AsInt64());
    return Sign3(AsReal(), static_cast<long double>(b.AsDouble()));
  }
};

int Compare(const TOperand& a, const Variant& b) {
  const TVarType type = PlainType(b);
  if (VarTypeIsInteger(type)) return a.AgainstInteger(b.AsInt64());
  switch (type) {
    case varSingle:
    case varDouble:
      return a.AgainstFloat(b.AsDouble());
    case varCurrency:
      return a.AgainstCurrency(b.AsCurrency().Scaled());
    case varDate:
      return Sign3(a.AsReal(), static_cast<long double>(b.AsDateTime()));
    case varOleStr:
    case varString:
      return a.AgainstText(b);
    default:
      return 0;
  }
}

template <class S>
int CompareOrdinal(const S& a, const S& b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool IsNullOrEmpty(const Variant& v) {
  return VarIsNull(v) || VarIsEmpty(v);
}

[[noreturn]] void BadIndex() {
  throw Exception("Variant array index out of bounds.");
}

void CheckArrayAccess(const Variant& array, Integer dimCount, const std::vector<Integer>& indices) {
  if (!VarIsArray(array)) throw Exception("Variant is not an array.");
  if (dimCount != VarArrayDimCount(array) || indices.size() != static_cast<std::size_t>(dimCount)) BadIndex();
}

bool Walk(const Variant& source, Variant* target, const TVarArrayCallback& callback) {
  if (!VarIsArray(source)) return false;
  const Integer rank = VarArrayDimCount(source);
  std::vector<Integer> low(static_cast<std::size_t>(rank)), high(low.size());
  for (Integer d = 0; d < rank; ++d) {
    low[static_cast<std::size_t>(d)] = VarArrayLowBound(source, d + 1);
    high[static_cast<std::size_t>(d)] = VarArrayHighBound(source, d + 1);
    if (high[static_cast<std::size_t>(d)] < low[static_cast<std::size_t>(d)]) return true;  // no elements
  }
  std::vector<Integer> indices = low;
  for (;;) {
    Variant element = VarArrayGet(source, indices);
    bool continueWalk = true;
    callback(element, indices, rank - 1, continueWalk);
    if (target != nullptr) VarArrayPut(*target, element, indices);
    if (!continueWalk) return false;
    // Odometer: the last dimension moves fastest.
    std::size_t d = indices.size();
    while (d-- > 0) {
      if (indices[d] < high[d]) {
        ++indices[d];
        break;
      }
      indices[d] = low[d];
      if (d == 0) return true;
    }
  }
}

}  // namespace

int CompareSmallintWithVariant(SmallInt a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareIntegerWithVariant(Integer a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareShortintWithVariant(ShortInt a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareByteWithVariant(Byte a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareWordWithVariant(Word a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareLongWordWithVariant(LongWord a, const Variant& b) { return Compare(TOperand::Int(a), b); }
int CompareInt64WithVariant(Int64 a, const Variant& b) { return Compare(TOperand::Int(a, true), b); }
int CompareSingleWithVariant(float a, const Variant& b) { return Compare(TOperand::Float(a), b); }
int CompareDoubleWithVariant(double a, const Variant& b) { return Compare(TOperand::Float(a), b); }
int CompareCurrencyWithVariant(Currency a, const Variant& b) { return Compare(TOperand::Curr(a), b); }
int CompareDateWithVariant(TDateTime a, const Variant& b) { return Compare(TOperand::Date(a), b); }

int CompareOleStrWithVariant(const WideString& a, const Variant& b) {
  switch (PlainType(b)) {
    case varOleStr:
      return CompareOrdinal(a, b.AsWideString());
    case varString:
      return CompareOrdinal(WideToAnsi(a), b.AsString());
    default:
      return CompareOrdinal(a, IsNullOrEmpty(b) ? WideString() : b.AsWideString());
  }
}

int CompareStringWithVariant(const AnsiString& a, const Variant& b) {
  switch (PlainType(b)) {
    case varOleStr:
      return CompareOrdinal(AnsiToWide(a), b.AsWideString());
    case varString:
      return CompareOrdinal(a, b.AsString());
    default:
      return CompareOrdinal(a, IsNullOrEmpty(b) ? AnsiString() : b.AsString());
  }
}

int CompareVariantsTyped(const Variant& a, const Variant& b) {
  const TVarType type = PlainType(a);
  if (type == varInt64) return CompareInt64WithVariant(a.AsInt64(), b);
  if (VarTypeIsInteger(type)) return Compare(TOperand::Int(a.AsInt64()), b);
  switch (type) {
    case varSingle:
    case varDouble:
      return Compare(TOperand::Float(a.AsDouble()), b);
    case varCurrency:
      return CompareCurrencyWithVariant(a.AsCurrency(), b);
    case varDate:
      return CompareDateWithVariant(a.AsDateTime(), b);
    case varOleStr:
      return CompareOleStrWithVariant(a.AsWideString(), b);
    case varString:
      return CompareStringWithVariant(a.AsString(), b);
    default:
      switch (VarCompareValue(a, b)) {
        case vrEqual:
          return 0;
        case vrGreaterThan:
          return 1;
        default:
          return -1;
      }
  }
}

bool CompareVariantsSafe(const Variant& a, const Variant& b, Integer high) {
  for (Integer i = high; i >= 0; --i) {
    const Variant x = VarArrayGet(a, {i});
    const Variant y = VarArrayGet(b, {i});
    const bool xNull = IsNullOrEmpty(x), yNull = IsNullOrEmpty(y);
    if (xNull != yNull) return false;
    if (!xNull && VarCompareValue(x, y) != vrEqual) return false;
  }
  return true;
}

Variant SafeVarArrayCreate(const std::vector<Integer>& bounds, Integer dimCount, TVarType elementType) {
  if (dimCount < 1 || bounds.size() < 2 * static_cast<std::size_t>(dimCount))
    throw Exception("Unable to create variant array.");
  try {
    const auto end = bounds.begin() + 2 * std::ptrdiff_t{dimCount};
    return VarArrayCreate(std::vector<Integer>(bounds.begin(), end), elementType);
  } catch (const EVariantError&) {
    throw Exception("Unable to create variant array.");
  }
}

Variant SafeVarArrayGet(const Variant& array, Integer dimCount, const std::vector<Integer>& indices) {
  CheckArrayAccess(array, dimCount, indices);
  try {
    return VarArrayGet(array, indices);
  } catch (const EVariantBadIndexError&) {
    BadIndex();
  }
}

void SafeVarArrayPut(Variant& array, const Variant& value, Integer dimCount, const std::vector<Integer>& indices) {
  CheckArrayAccess(array, dimCount, indices);
  try {
    VarArrayPut(array, value, indices);
  } catch (const EVariantBadIndexError&) {
    BadIndex();
  }
}

bool VarArrayForEach(const Variant& array, const TVarArrayCallback& callback) {
  return Walk(array, nullptr, callback);
}

bool VarArrayForEachUpdate(Variant& array, const TVarArrayCallback& callback) {
  return Walk(array, &array, callback);
}

const void* VarDataPtr(const Variant& value) {
  return value.DataPtr();
}

Variant VarToOleStrVariant(const Variant& value) {
  return Variant(IsNullOrEmpty(value) ? WideString() : value.AsWideString());
}

Int64 VariantArrayToStream(Variant& value, TStream& stream) {
  if (!VarIsArray(value)) return 0;
  const TVarType elementType = static_cast<TVarType>(VarType(value) & varTypeMask);
  if (elementType == varVariant || elementType == varOleStr) return 0;
  const Int64 elementSize = VarArrayElementSize(value);
  if (elementSize == 0) return 0;
  Int64 count = 1;
  for (Integer d = 1; d <= VarArrayDimCount(value); ++d)
    count *= static_cast<Int64>(VarArrayHighBound(value, d)) - VarArrayLowBound(value, d) + 1;
  const Int64 size = count * elementSize;
  struct TLock {
    Variant& array;
    const void* data;
    explicit TLock(Variant& a) : array(a), data(VarArrayLock(a)) {}
    ~TLock() { VarArrayUnlock(array); }
  } lock(value);
  stream.SetSize(size);
  stream.SetPosition(0);
  return stream.Write(lock.data, size);
}

}  // namespace ordvane

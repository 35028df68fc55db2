#pragma once
// Comparing a typed value with a variant of any numeric, date or text type, and creating,
// reading, writing and walking variant arrays of any rank by index lists.

#include <functional>
#include <vector>

#include "classlib/core/Streams.h"
#include "classlib/core/Variants.h"

namespace ordvane {

// ---- Comparison ------------------------------------------------------------------------
//
// Each routine gives -1, 0 or 1 for A against B, by B's type:
// - integer types: exact;
// - Single and Double: equal when they differ by less than 1e-11, otherwise by sign;
// - Currency: A scaled by 10 000 against B's scaled value, exact;
// - Date: exact, no tolerance;
// - texts: B read as a number (a 64-bit integer for the Int64 routine, else a floating
//   one) and compared exactly; a text that is no number raises the variant conversion
//   error;
// - anything else (Empty, Null, Boolean, ...): 0.
//
// These results serve equality tests (are two key values the same?). They are no order:
// Null and Empty compare 0 against every number, and the tolerance makes "equal" not
// transitive. A sort built on them must put Null and Empty first itself (before every
// value, equal to each other) and must tolerate ties that are not equalities, i.e. use a
// stable sort that never assumes a consistent total order.
int CompareSmallintWithVariant(SmallInt a, const Variant& b);
int CompareIntegerWithVariant(Integer a, const Variant& b);
int CompareSingleWithVariant(float a, const Variant& b);
int CompareDoubleWithVariant(double a, const Variant& b);
int CompareCurrencyWithVariant(Currency a, const Variant& b);
int CompareDateWithVariant(TDateTime a, const Variant& b);
int CompareInt64WithVariant(Int64 a, const Variant& b);
int CompareShortintWithVariant(ShortInt a, const Variant& b);
int CompareByteWithVariant(Byte a, const Variant& b);
int CompareWordWithVariant(Word a, const Variant& b);
int CompareLongWordWithVariant(LongWord a, const Variant& b);
// Texts compare by character code: B as wide text when it is an OleStr, as 8-bit text when
// it is a String, else converted to text (Null and Empty as empty text).
int CompareOleStrWithVariant(const WideString& a, const Variant& b);
int CompareStringWithVariant(const AnsiString& a, const Variant& b);

// Chooses the routine by A's type; any other A (Empty, Null, Boolean, ...) is compared by
// the class library's variant comparison (equal 0, greater 1, else -1: Null against a
// value gives -1 both ways). See above for what the results are good for.
int CompareVariantsTyped(const Variant& a, const Variant& b);

// True when elements high .. 0 of two one-dimensional arrays are the same: Empty counts as
// Null, Null equals only Null, other elements by the variant comparison. True for high
// below 0.
bool CompareVariantsSafe(const Variant& a, const Variant& b, Integer high);

// ---- Arrays ----------------------------------------------------------------------------
//
// Failures raise the class library's Exception with "Unable to create variant array.",
// "Variant is not an array." or "Variant array index out of bounds.".

// bounds holds a (low, high) pair per dimension.
Variant SafeVarArrayCreate(const std::vector<Integer>& bounds, Integer dimCount, TVarType elementType);
// The number of indices must equal both dimCount and the array's rank.
Variant SafeVarArrayGet(const Variant& array, Integer dimCount, const std::vector<Integer>& indices);
void SafeVarArrayPut(Variant& array, const Variant& value, Integer dimCount, const std::vector<Integer>& indices);

// A walk's callback: the element, the indices of its position (one per dimension), the
// highest dimension number (rank - 1) and the flag that ends the walk when cleared.
using TVarArrayCallback =
    std::function<void(Variant& element, const std::vector<Integer>& indices, Integer highDim, bool& continueWalk)>;
// Visits every element, the last dimension fastest ((1,1) (1,2) (1,3) (2,1) ... for a 2 x 3
// array). False for a value that is no array or when the callback ended the walk; each
// walk keeps its own position, so a callback may walk another array.
bool VarArrayForEach(const Variant& array, const TVarArrayCallback& callback);
// The same, writing each element back after the callback.
bool VarArrayForEachUpdate(Variant& array, const TVarArrayCallback& callback);

// Where a variant's value is: the characters of the two text types, the number itself
// for the simple types, the referenced variable of a reference; nullptr for Empty and Null.
const void* VarDataPtr(const Variant& value);

// A variant of type OleStr holding the value's text.
Variant VarToOleStrVariant(const Variant& value);

// The elements of a numeric array as bytes: the stream is cut to element count x element
// size and written from position 0. Answers the bytes written, 0 for anything but an
// array of a numeric type.
Int64 VariantArrayToStream(Variant& value, TStream& stream);

}  // namespace ordvane

#pragma once
// The built-in functions of the import's expression language, and the value rules that
// the language's operators share with them.

#include <functional>

#include "classlib/core/Variants.h"

namespace ordvane {

// No text the language builds (by joining, padding or replacing) grows beyond this; a
// longer one raises "Calculate error: text too long.".
constexpr std::size_t kSMIMaxTextLength = std::size_t{1} << 24;

// True for the name (in upper case) of a built-in function.
bool IsBuiltinFunction(const AnsiString& upperName);
// Runs a built-in with argCount arguments; argument(i) evaluates the i-th one when the
// function needs it (IIF evaluates only the branch it returns). A call with a number of
// arguments the function does not take raises "Function parse error.".
Variant CallBuiltinFunction(const AnsiString& upperName, int argCount, const std::function<Variant(int)>& argument);

// The two texts joined.
Variant JoinTexts(const AnsiString& a, const AnsiString& b);
// A floating-point result: NaN raises EInvalidOp, an infinity EOverflow.
Variant CheckedFloat(Extended value);

}  // namespace ordvane

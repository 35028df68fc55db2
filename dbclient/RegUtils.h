#pragma once
// Named values under a key path of the current user's settings store, read and written
// as variants: the database library keeps its aliases and stored transaction kinds there.
// A key path is an array of key names below the store's root, opened one after another.

#include <vector>

#include "classlib/core/SysUtils.h"
#include "classlib/core/Variants.h"

namespace ordvane {

// Opens the key path, creating the keys that are missing, and writes the pairs of names
// and values (as many as the shorter list has) by the value's type: Boolean, string,
// date, 16- and 32-bit integer, single and double as a float, currency; values of any
// other type are passed over.
void RegWriteValues(const std::vector<AnsiString>& keyPath, const std::vector<AnsiString>& valueNames,
                    const std::vector<Variant>& values);

// False when the key path does not exist. Otherwise an array [0..1, 0..n-1] with one
// column per name: row 0 the value (a string, "" for a missing value, or an integer) and
// row 1 whether it was found. A value of another type leaves its column empty.
Variant RegReadValues(const std::vector<AnsiString>& keyPath, const std::vector<AnsiString>& valueNames);

// The names of the sub-keys as an array from 0, or false when the path does not exist or
// has no sub-keys.
Variant RegReadKeyNames(const std::vector<AnsiString>& keyPath);

// The first sub-key of the path (a text like "Software\Varnholt\Aliases") whose string
// value `valueName` equals `text`, case-sensitively; "" when none does.
AnsiString RegFindSubKeyByValue(const AnsiString& keyPath, const AnsiString& valueName,
                                const AnsiString& text);

}  // namespace ordvane

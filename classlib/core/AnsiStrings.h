#pragma once
// Case mapping and locale comparison of text by the project's own tables, so that results
// are the same on every machine. 8-bit text is read in the process's ANSI code page.
//
// Case: ASCII, the Latin-1 letters and the Cyrillic letters (Ukrainian and Russian
// included: Ґ ґ І і Ї ї Є є Ў ў Ё ё) have upper and lower forms; every other character
// keeps its case. A mapping never changes the encoded length of a character, so a
// position found in a case-mapped copy is valid in the original.
//
// Comparison is a word sort in four levels: letters and digits by alphabet, then accents
// (ё after е), then case (lower before upper), and last hyphens and apostrophes, which
// weigh less than any letter: "coop" < "co-op" < "cop". Symbols sort before digits,
// digits before Latin letters, Latin before Cyrillic (а б в г ґ д е ё є ж з и і ї й к ...).
// Two texts compare equal only when they are the same text (or, ignoring case, the same
// apart from case).

#include "classlib/core/System.h"

namespace ordvane {

AnsiString AnsiUpperCase(const AnsiString& text);
AnsiString AnsiLowerCase(const AnsiString& text);

// -1, 0 or 1.
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);
int AnsiCompareText(const AnsiString& a, const AnsiString& b);
bool AnsiSameText(const AnsiString& a, const AnsiString& b);

WideString WideUpperCase(const WideString& text);
WideString WideLowerCase(const WideString& text);
int WideCompareStr(const WideString& a, const WideString& b);
int WideCompareText(const WideString& a, const WideString& b);

}  // namespace ordvane

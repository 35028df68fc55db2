#pragma once
// Small string routines that the whole database-access layer uses: copies, trims,
// searches and replaces on 8-bit text, blank and numeric tests, name=value splitting,
// SQL LIKE matching, and the rule that decides when an SQL identifier has to be written
// in double quotes.
//
// Positions are 1-based; a position outside the text gives an empty result, never an
// error. "Blank" means a character code below 33 unless a routine says otherwise.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "classlib/core/DateTime.h"
#include "classlib/core/GUID.h"
#include "classlib/core/StringLists.h"
#include "classlib/core/System.h"
#include "classlib/core/Variants.h"

namespace ordvane {

// A set of 8-bit characters, for the delimiter arguments of the word routines.
class TCharSet {
 public:
  constexpr TCharSet() = default;
  // Every character of the text is a member; "\0"-containing sets are written with
  // std::string_view literals ("\0\t"sv).
  constexpr TCharSet(std::string_view chars) {
    for (char c : chars) Add(c);
  }
  constexpr TCharSet(const char* chars) : TCharSet(std::string_view(chars)) {}

  constexpr bool Contains(char c) const {
    auto b = static_cast<unsigned char>(c);
    return (fBits[b >> 6] >> (b & 63)) & 1;
  }
  constexpr TCharSet operator+(TCharSet other) const {
    TCharSet s = *this;
    for (std::size_t i = 0; i < fBits.size(); ++i) s.fBits[i] |= other.fBits[i];
    return s;
  }
  constexpr TCharSet operator+(char c) const {
    TCharSet s = *this;
    s.Add(c);
    return s;
  }
  constexpr TCharSet operator-(char c) const {
    TCharSet s = *this;
    auto b = static_cast<unsigned char>(c);
    s.fBits[b >> 6] &= ~(std::uint64_t{1} << (b & 63));
    return s;
  }

 private:
  constexpr void Add(char c) {
    auto b = static_cast<unsigned char>(c);
    fBits[b >> 6] |= std::uint64_t{1} << (b & 63);
  }
  std::array<std::uint64_t, 4> fBits{};
};

// ---- Identifier quoting -------------------------------------------------------------

// True when the name must be written in double quotes: it has a character other than
// A-Z, 0-9 (and, after the first, # $ % _), begins with a digit, or is a reserved word.
// An empty name and a name that already begins with a double quote need none.
bool NeedQuoteIdentifier(const AnsiString& name);
// The same for names that compare case-insensitively: a-z never force quoting.
bool NeedQuoteIdentifierCI(const AnsiString& name);

// ---- Tests ---------------------------------------------------------------------------

// Optional leading signs, then at least one character, every one a digit or '.'.
bool IsNumericString(const AnsiString& s);
// Empty, or every character below 33 (IsBlankString scans from the front,
// IsEmptyOrBlank from the end).
bool IsBlankString(const AnsiString& s);
bool IsEmptyOrBlank(const AnsiString& s);
// Parameter names of old and new record values and of master fields: longer than 4 and
// beginning with "OLD_", "NEW_" or "MAS_" in either case.
bool IsOldParamName(const AnsiString& name);
bool IsNewParamName(const AnsiString& name);
bool IsMasterParamName(const AnsiString& name);
// Exact prefix tests; an empty prefix is a prefix of everything.
bool AnsiStartsWithExact(const AnsiString& text, const AnsiString& prefix);
bool WideStartsWith(const WideString& text, const WideString& prefix);
// Without its flag: equal, or every byte pair differing by exactly 32 (ASCII letter case);
// with it: exact equality.
bool SameStrings(const AnsiString& a, const AnsiString& b, bool exact);
// False when the lengths differ; with the flag the locale's case-insensitive comparison,
// without it exact equality.
bool SameTextByFlag(const AnsiString& a, const AnsiString& b, bool caseInsensitive);
// The text equals an entry exactly.
bool StringInArray(const AnsiString& text, std::initializer_list<AnsiString> entries);
// No line is non-empty after trimming.
bool IsEmptyStrings(const TStrings& lines);

// ---- Copies, trims and case ----------------------------------------------------------

AnsiString CopyCount(const AnsiString& s, int index, int count);
// Characters Start to End inclusive, End clipped to the length.
AnsiString CopyFromTo(const AnsiString& s, int start, int end);
AnsiString FastTrim(const AnsiString& s);
void TrimInPlace(AnsiString& s);
void TrimRightInPlace(AnsiString& s);
// The first and last non-blank positions; first = length + 1 and last = 0 for a text of
// blanks only.
void TrimBounds(const AnsiString& s, int& first, int& last);
// ASCII case only: a-z to A-Z (A-Z to a-z), every other byte unchanged.
AnsiString FastUpperCase(const AnsiString& s);
void LowerCaseInPlace(AnsiString& s);
// The locale's upper-casing (the class library's code-page tables), in place.
void UpperCaseInPlace(AnsiString& s);
void WideUpperCaseInPlace(WideString& s);
// a-z to A-Z between two positions; a second position of 0 or past the end means the end.
void UpperCaseRange(AnsiString& s, int from, int to);
AnsiString StringOfCharCount(char c, int count);
AnsiString IfThenString(bool condition, const AnsiString& whenTrue, const AnsiString& whenFalse);
// The text between one pair of matching enclosing quotes (double or single), blanks
// around them allowed; any other text unchanged.
AnsiString StripEnclosingQuotes(const AnsiString& s);
WideString Utf8ToWide(std::string_view utf8);
// The variant's text read as UTF-8 (Null and Empty give an empty text).
WideString VariantUtf8ToWide(const Variant& value);
// Length of a zero-terminated buffer.
std::size_t PCharLength(const char* p);

// ---- Searches and replaces -----------------------------------------------------------

int PosChar(char c, const AnsiString& s);
int PosCharFrom(char c, const AnsiString& s, int from);
// First position of sub in s that starts at or after start and ends at or before end
// (an end of 0 or past the length means the length); 0 when absent.
int PosEx(const AnsiString& sub, const AnsiString& s, int start, int end = 0);
// Position of word in text as a whole word, compared in upper case (ASCII, or the
// locale's with localeCase): the first occurrence preceded by a character of `before` (or
// at position 1) and followed by one of `after` (or at the text end); 0 when none.
int PosWord(const AnsiString& word, const AnsiString& text, TCharSet before, TCharSet after,
            bool localeCase = false);
// Every occurrence of oldPattern replaced, left to right, non-overlapping, exact compare.
AnsiString ReplaceString(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern);
// The same with occurrences found in upper-cased copies (ASCII, or the locale's with
// localeCase); the replacement is made in the source text.
AnsiString ReplaceAllCI(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                        bool localeCase = false);
// The same applied only to the characters between start and end (inclusive).
AnsiString ReplaceInRange(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                          int start, int end);
// Words are runs of characters not in delimiters; n counts from 1.
AnsiString ExtractWordN(int n, const AnsiString& s, TCharSet delimiters);
int WordCountBySet(const AnsiString& s, TCharSet delimiters);
void DeleteEmptyLines(TStrings& lines);
// The lines of a (with their objects) that b does not hold, into result, emptied first.
void ListDifference(const TStrings& a, const TStrings& b, TStrings& result);
// Binary search of a sorted list between two indices (0-based; high clipped to the last
// line), comparing as the list does. Returns whether the text was found; index is where
// it is, or where it would go. With duplicatesAllowed the first of equal lines is taken.
bool SortedListFind(const TStringList& list, const AnsiString& text, int low, int high, int& index,
                    bool duplicatesAllowed);
// Sort comparison of two lines of a list: the locale's case-sensitive comparison when the
// list is case-sensitive, else its case-insensitive one.
int CompareListItems(TStringList* list, int index1, int index2);
// Text before the first '=' and after it; without '=' the whole text and an empty value.
void SplitNameValue(const AnsiString& s, AnsiString& name, AnsiString& value);
AnsiString ValueFromNameValue(const AnsiString& s);

// ---- Conversions -----------------------------------------------------------------------

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal.
AnsiString GuidToString38(const TGUID& guid);
// False (guid untouched) unless the text has 38 characters, braces at both ends, dashes at
// positions 10, 15, 20 and 25 and hexadecimal digits elsewhere.
bool StringToGuidChecked(const AnsiString& text, TGUID& guid);
// The GUID's text compared with a text by CompareText: negative, 0 or positive.
int CompareGuidWithString(const TGUID& guid, const AnsiString& text);

// The text read as a date and time with shortDateFormat in force for this call only;
// raises EConvertError when it is no date in that format.
TDateTime StrToDateTimeFmt(const AnsiString& text, const AnsiString& shortDateFormat);

enum class TDateLiteralKind { DateTime = 0, Date = 1, Time = 2 };
// Turns a date or time literal as the server writes it (31.01.2020, 01/31/2020,
// 2020-01-31, 01-JAN-2020, 10:15:00) into the local format's text, so that the local
// conversions accept it. A date without '.', '/' or '-' (NOW, TODAY) comes back
// upper-cased; a blank text gives an empty one. Raises EConvertError for anything else
// that does not read. The process-wide format settings are never touched.
AnsiString ParseDateLiteral(const AnsiString& text, TDateLiteralKind kind);

// SQL LIKE: '%' matches any run (also empty), '_' exactly one character, every other
// character itself. Runs in time proportional to text length times mask length.
bool SqlLikeMatch(std::string_view text, std::string_view mask);
bool WideSqlLikeMatch(const WideString& text, const WideString& mask);

}  // namespace ordvane

#pragma once
// Conversion between UTF-16, UTF-8 and the 8-bit code pages this system meets
// (Windows-1251, DOS 866, KOI8-R, and Windows-1252 and Latin-1 of older workbooks), and the process's ANSI code page that all AnsiString
// text is held in. The tables are the project's own; no machine locale is consulted.
//
// Source files are UTF-8. A non-ASCII literal that must become ANSI text goes through
// Utf8ToAnsi("..."), never through hand-written byte escapes.

#include <string_view>

#include "classlib/core/System.h"

namespace ordvane {

// Code page numbers as the platform numbered them.
constexpr Cardinal CP_ACP = 0;  // "the process's ANSI code page" wherever a code page is asked
constexpr Cardinal CP_DOS866 = 866;
constexpr Cardinal CP_WIN1251 = 1251;
constexpr Cardinal CP_WIN1252 = 1252;
constexpr Cardinal CP_UTF16LE = 1200;  // bytes that are UTF-16 little-endian code units
constexpr Cardinal CP_KOI8R = 20866;
constexpr Cardinal CP_LATIN1 = 28591;  // ISO 8859-1: byte n is U+00nn
constexpr Cardinal CP_UTF8 = 65001;

// True for 866, 1251, 1252, 20866, 28591, 65001 and 1200 (and CP_ACP).
bool IsCodePageSupported(Cardinal codePage);

// The ANSI code page of the process: 1251 until changed. Any supported 8-bit code page may
// be chosen (1200 may not); an unsupported one raises EConvertError and changes nothing.
void SetAnsiCodePage(Cardinal codePage);
Cardinal GetAnsiCodePage();

// What a byte sequence that cannot be decoded becomes.
constexpr char16_t kReplacementChar = 0xFFFD;

// Decoding never fails: a byte that is not valid UTF-8 (or an odd trailing byte of
// UTF-16LE) becomes U+FFFD. Encoding into a single-byte code page writes '?' for a
// character the code page lacks; an unpaired surrogate becomes U+FFFD in UTF-8.
// An unsupported code page raises EConvertError.
WideString CodePageToWide(std::string_view text, Cardinal codePage);
RawByteString WideToCodePage(std::u16string_view text, Cardinal codePage);
// The first bytes (at most capacity) of WideToCodePage's text, written into out; answers
// how many. A single-byte code page writes them without a converted copy.
std::size_t WideToCodePageInto(std::u16string_view text, Cardinal codePage, char* out, std::size_t capacity);
RawByteString ConvertCodePage(std::string_view text, Cardinal fromCodePage, Cardinal toCodePage);

WideString AnsiToWide(std::string_view text);
AnsiString WideToAnsi(std::u16string_view text);
RawByteString Utf8Encode(std::u16string_view text);
WideString Utf8Decode(std::string_view text);
RawByteString AnsiToUtf8(std::string_view text);
AnsiString Utf8ToAnsi(std::string_view text);

// One UTF-8 sequence at text[pos]. A well-formed sequence (no overlong form, no surrogate,
// nothing above U+10FFFF) yields its code point and moves pos past it; anything else
// yields false and moves pos by one byte.
bool DecodeUtf8Char(std::string_view text, std::size_t& pos, char32_t& codePoint);
void AppendUtf8Char(std::string& out, char32_t codePoint);

// One code point of UTF-16 text at text[pos]: a surrogate pair is joined; an unpaired
// surrogate is returned as it is. pos moves past what was read.
char32_t DecodeUtf16Char(std::u16string_view text, std::size_t& pos);
void AppendUtf16Char(WideString& out, char32_t codePoint);

}  // namespace ordvane

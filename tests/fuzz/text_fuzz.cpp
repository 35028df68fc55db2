// Text that arrives from outside (files, the database, the clipboard) through the class
// library's text routines: code-page conversion, casing, comparison, replace, integer
// parsing, and the line and comma-separated forms of string lists. Besides not crashing,
// the routines must keep the promises their callers rely on; a broken one aborts.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"
#include "classlib/core/StringLists.h"

using namespace ordvane;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckCodePages(const std::string& text) {
  for (Cardinal codePage : {CP_WIN1251, CP_DOS866, CP_KOI8R})
    Require(WideToCodePage(CodePageToWide(text, codePage), codePage) == text);
  const WideString wide = Utf8Decode(text);
  Require(Utf8Decode(Utf8Encode(wide)) == wide);
  Require(CodePageToWide(WideToCodePage(wide, CP_UTF16LE), CP_UTF16LE) == wide);
}

void CheckLocale(const std::string& text) {
  const std::string a = text.substr(0, text.size() / 2), b = text.substr(text.size() / 2);
  Require(AnsiUpperCase(text).size() == text.size());
  Require(AnsiLowerCase(text).size() == text.size());
  Require(AnsiCompareStr(a, b) == -AnsiCompareStr(b, a));
  Require(AnsiCompareText(a, b) == -AnsiCompareText(b, a));
  Require(AnsiSameText(text, AnsiUpperCase(text)) && AnsiSameText(AnsiLowerCase(text), text));
  StringReplace(text, a.substr(0, 3), "x", {rfReplaceAll, rfIgnoreCase});
}

void CheckStringLists(const std::string& text) {
  TStringList list;
  list.SetCommaText(text);
  TStringList again;
  again.SetCommaText(list.CommaText());
  Require(again.Equals(&list));
  list.SetText(text);
  again.SetText(list.Text());
  Require(again.Equals(&list));
  for (int i = 0; i < list.Count(); ++i) list.Values(list.Names(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckCodePages(text);
  for (Cardinal codePage : {CP_UTF8, CP_WIN1251}) {
    SetAnsiCodePage(codePage);
    CheckLocale(text);
  }
  CheckStringLists(text);
  Int64 value;
  TryStrToInt64(text, value);
  return 0;
}

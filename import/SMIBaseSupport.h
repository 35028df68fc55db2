// What the units of the import base component share besides its interface.
#pragma once

#include <string_view>

#include "classlib/core/FormatSettings.h"
#include "classlib/core/Variants.h"

namespace ordvane::smi_internal {

inline bool IsText(const Variant& value) { return value.VType() == varString || value.VType() == varOleStr; }

// Whether VarToStr would give an empty text, found without making the text: every row
// asks this of every value, and most are numbers, dates or texts of some length. A text's
// characters end with a zero; one that begins with a zero character is asked of its text.
inline bool HasNoText(const Variant& value) {
  switch (value.VType()) {
    case varEmpty: case varNull:
      return true;
    case varString:
      return *static_cast<const char*>(value.DataPtr()) == 0 && VarToStr(value).empty();
    case varOleStr:
      return *static_cast<const char16_t*>(value.DataPtr()) == 0 && VarToStr(value).empty();
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varBoolean:
    case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      return false;
    case varDate:  // its text holds the date in the short date format, whatever the time
      return FormatSettings().ShortDateFormat.empty() && VarToStr(value).empty();
    default:
      return VarToStr(value).empty();
  }
}

// Whether a text value begins with the ASCII prefix, read from its characters in place.
inline bool TextStartsWith(const Variant& value, std::string_view prefix) {
  const auto startsWith = [&](const auto* chars) {
    for (std::size_t i = 0; i < prefix.size(); ++i)
      if (chars[i] != static_cast<unsigned char>(prefix[i])) return false;  // the text's zero ends it first
    return true;
  };
  if (value.VType() == varString) return startsWith(static_cast<const unsigned char*>(value.DataPtr()));
  if (value.VType() == varOleStr) return startsWith(static_cast<const char16_t*>(value.DataPtr()));
  return false;
}

}  // namespace ordvane::smi_internal

#include "import/SMIBase.h"

#include <algorithm>
#include <functional>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/Application.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "classlib/db/DBConsts.h"
#include "import/SMIBaseSupport.h"
#include "import/SMIText.h"

namespace ordvane {

using namespace smi_internal;

namespace {

bool IsSQLNumberType(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint:
      return true;
    default:
      return false;
  }
}

// The digits, sign, point and exponent of a number written for SQL, or empty when the text
// is not a number.
AnsiString SQLNumberText(const AnsiString& text, char decimalSeparator) {
  AnsiString number = Trim(text);
  std::replace(number.begin(), number.end(), decimalSeparator, '.');
  const bool plain = !number.empty() && std::all_of(number.begin(), number.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
  });
  double value = 0;
  return plain && TryExpressionNumber(number, value, '.') ? number : AnsiString();
}

const TFormatSettings& PointSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    return s;
  }();
  return settings;
}

}  // namespace

AnsiString TSMImportBaseComponent::SQLFieldName(const AnsiString& name) const {
  AnsiString cased = name;
  switch (fSQLOptions->FieldNameCharCase()) {
    case ifcNormal: break;
    case ifcUpperCase: cased = AnsiUpperCase(name); break;
    case ifcLowerCase: cased = AnsiLowerCase(name); break;
    case ifcProper:
      cased = AnsiLowerCase(name);
      if (!cased.empty()) cased = AnsiUpperCase(cased.substr(0, 1)) + cased.substr(1);
      break;
  }
  const AnsiString upper = AnsiUpperCase(cased);
  const bool reserved = upper == "NAME" || upper == "TYPE" || upper == "SIZE" || upper == "ASC" || upper == "DESC";
  if (!reserved && cased.find(' ') == AnsiString::npos) return cased;
  const TSMISQLFieldNameOptions* quotes = fSQLOptions->FieldNameOptions();
  return quotes->SQLQuoteOpen() + cased + quotes->SQLQuoteClose();
}

// NULL, a number as it is (with "." for its point) in a number field, else the text
// quoted with SQLQuote, every SQLQuote inside it doubled.
AnsiString TSMImportBaseComponent::SQLLiteral(const TField* field, const Variant& value) const {
  if (VarIsNull(value) || VarIsEmpty(value)) return "NULL";
  if (field != nullptr && IsSQLNumberType(field->DataType())) {
    switch (VarType(value)) {
      case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
      case varInt64:
        return IntToStr(value.AsInt64());
      case varSingle: case varDouble:
        return FloatToStr(value.AsDouble(), PointSettings());
      case varCurrency:
        return CurrToStr(value.AsCurrency(), PointSettings());
      default:
        if (IsText(value)) {
          const AnsiString number = SQLNumberText(VarToStr(value), fDataFormats->DecimalSeparator());
          if (!number.empty()) return number;
        }
    }
  }
  const char quote = fSQLOptions->SQLQuote();
  AnsiString text = VarToStr(value), quoted(1, quote);
  for (char c : text) {
    quoted += c;
    if (c == quote) quoted += c;
  }
  return quoted + quote;
}

}  // namespace ordvane

#include "import/SMIConvert.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>
#include <string_view>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/StrUtils.h"
#include "import/SMIBaseSupport.h"
#include "import/SMIDateMask.h"
#include "import/SMIPars.h"
#include "import/SMIText.h"

namespace ordvane {

namespace {

AnsiString Joined(std::initializer_list<AnsiString> parts, char separator) {
  AnsiString result;
  for (const AnsiString& part : parts) {
    if (!result.empty() && separator != '\0') result += separator;
    result += part;
  }
  return result;
}

// The date part of a mask or format in the formats' order, with the given letters.
AnsiString DateInOrder(TSMIDateOrder order, const AnsiString& d, const AnsiString& m, const AnsiString& y,
                       char separator) {
  switch (order) {
    case doMDY: return Joined({m, d, y}, separator);
    case doDMY: return Joined({d, m, y}, separator);
    case doYMD: return Joined({y, m, d}, separator);
    case doYDM: return Joined({y, d, m}, separator);
    case doDYM: return Joined({d, y, m}, separator);
    case doMYD: return Joined({m, y, d}, separator);
  }
  return Joined({m, d, y}, separator);
}

bool IsHeaderText(const AnsiString& text, const TSMIConversionTarget& target) {
  return text.empty() || AnsiSameText(text, target.FieldName);
}

constexpr std::string_view kDataWrapperStart = "[CDATA[";
constexpr std::size_t kDataWrapperEnd = 2;

// Removes a "[CDATA[...]]" wrapper; Base64 decodes its content, or any text for a BLOB.
AnsiString Unwrapped(const AnsiString& text, const TSMIConversionTarget& target, bool blobsAsBase64) {
  const bool wrapped =
      text.size() >= kDataWrapperStart.size() + kDataWrapperEnd && text.compare(0, kDataWrapperStart.size(), kDataWrapperStart) == 0;
  if (wrapped) {
    const AnsiString data =
        text.substr(kDataWrapperStart.size(), text.size() - kDataWrapperStart.size() - kDataWrapperEnd);
    return blobsAsBase64 ? DecodeBase64(data) : data;
  }
  return blobsAsBase64 && target.IsBlob ? DecodeBase64(text) : text;
}

// Each rule gives the converted value, or nothing for text it leaves as it is.
using Converted = std::optional<Variant>;

// A text of digits alone (a sign before them, blanks around): its digits, read exactly
// (a double would lose those past 2^53), or nothing when no 64-bit integer holds them.
// Any other text: not a whole-number text.
std::optional<std::optional<Int64>> WholeNumberText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  Int64 value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
    return std::optional<Int64>();
  return std::optional<Int64>(value);
}

Converted IntegerValue(const AnsiString& text, const TSMIConversionTarget& target, const TSMIDataFormats& formats) {
  if (IsHeaderText(text, target)) return 0;
  // A fraction is left as text, for the field to refuse, rather than rounded; so is a
  // number that a 64-bit integer, or in another form a double, does not hold exactly.
  Int64 whole = 0;
  if (const auto digits = WholeNumberText(text)) {
    if (!*digits) return std::nullopt;
    whole = **digits;
  } else {
    double number = 0;
    if (!TryExpressionNumber(text, number, formats.DecimalSeparator()) || !IsExactWholeNumber(number))
      return std::nullopt;
    whole = static_cast<Int64>(number);
  }
  if (whole >= INT32_MIN && whole <= INT32_MAX) return static_cast<Integer>(whole);
  return static_cast<long long>(whole);
}

Converted FloatValue(const AnsiString& text, const TSMIConversionTarget& target, const TSMIDataFormats& formats) {
  if (IsHeaderText(text, target)) return 0;
  AnsiString number = text;
  if (formats.ThousandSeparator() != '\0') std::erase(number, formats.ThousandSeparator());
  if (const std::size_t at = formats.CurrencyString().empty() ? AnsiString::npos : number.find(formats.CurrencyString());
      at != AnsiString::npos)
    number.erase(at, formats.CurrencyString().size());
  if (AnsiSameText(number, target.FieldName)) return 0;
  if (SameText(number, "NULL")) return Null();
  if (!number.empty() && number[0] == formats.DecimalSeparator()) number.insert(0, "0");
  double value = 0;
  if (TryExpressionNumber(number, value, formats.DecimalSeparator())) return value;
  return std::nullopt;
}

Converted DateValue(const AnsiString& text, const AnsiString& mask, const TSMIDataFormats& formats) {
  const TDateTime value = DateTimeFromMask(Trim(text), mask, ImportFormatSettings(formats));
  if (value == 0) return std::nullopt;
  return VarFromDateTime(value);
}

Converted BooleanValue(const AnsiString& text, const TSMIDataFormats& formats) {
  for (const AnsiString& word : {formats.BooleanTrue(), AnsiString("True"), AnsiString("1"), AnsiString("T"), AnsiString("Y")})
    if (text == word) return true;
  for (const AnsiString& word : {formats.BooleanFalse(), AnsiString("False"), AnsiString("0"), AnsiString("F"), AnsiString("N")})
    if (text == word) return false;
  if (text == "-1") return Null();
  return std::nullopt;
}

}  // namespace

TFormatSettings ImportFormatSettings(const TSMIDataFormats& formats) {
  TFormatSettings settings = FormatSettings();
  settings.DateSeparator = formats.DateSeparator();
  settings.TimeSeparator = formats.TimeSeparator();
  settings.ThousandSeparator = formats.ThousandSeparator();
  settings.DecimalSeparator = formats.DecimalSeparator();
  settings.CurrencyString = formats.CurrencyString();
  const AnsiString day = formats.LeadingZerosInDate() ? "dd" : "d";
  const AnsiString month = formats.LeadingZerosInDate() ? "mm" : "m";
  settings.ShortDateFormat =
      DateInOrder(formats.DateOrder(), day, month, formats.FourDigitYear() ? "yyyy" : "yy", formats.DateSeparator());
  return settings;
}

AnsiString ImportTimeMask(const TSMIDataFormats& formats) { return Joined({"HH", "NN", "SS"}, formats.TimeSeparator()); }

AnsiString ImportDateTimeMask(const TSMIDataFormats& formats, bool xmlSource) {
  if (!formats.CustomDateTimeFormat().empty()) return UpperCase(formats.CustomDateTimeFormat());
  const AnsiString date =
      DateInOrder(formats.DateOrder(), "DD", "MM", formats.FourDigitYear() ? "YYYY" : "YY", formats.DateSeparator());
  return date + " " + (xmlSource ? "T" : "") + ImportTimeMask(formats);
}

bool ConvertsImportText(const Variant& value, TSMIValueKind kind, bool isBlob, bool blobsAsBase64) {
  if (!smi_internal::IsText(value)) return false;
  // The common case, text for a text field, costs no conversion of the text.
  return kind != TSMIValueKind::Other || (blobsAsBase64 && isBlob) ||
         smi_internal::TextStartsWith(value, kDataWrapperStart);
}

Variant ConvertImportText(const Variant& value, const TSMIConversionTarget& target, const TSMIDataFormats& formats,
                          bool xmlSource, bool blobsAsBase64) {
  if (!ConvertsImportText(value, target.Kind, target.IsBlob, blobsAsBase64)) return value;
  try {
    const AnsiString original = VarToStr(value);
    const AnsiString text = Unwrapped(original, target, blobsAsBase64);
    // Wide text that no rule changes stays wide.
    const Variant unchanged = text == original ? value : Variant(text);
    Converted converted;
    switch (target.Kind) {
      case TSMIValueKind::Integer: converted = IntegerValue(text, target, formats); break;
      case TSMIValueKind::Float: converted = FloatValue(text, target, formats); break;
      case TSMIValueKind::Date:
        converted = IsHeaderText(text, target) ? Null() : DateValue(text, ImportDateTimeMask(formats, xmlSource), formats);
        break;
      case TSMIValueKind::Time:
        converted = IsHeaderText(text, target) ? VarFromDateTime(0) : DateValue(text, ImportTimeMask(formats), formats);
        break;
      case TSMIValueKind::Boolean: converted = BooleanValue(text, formats); break;
      case TSMIValueKind::Other: break;
    }
    return converted.value_or(unchanged);
  } catch (const Exception&) {
  }
  return value;
}

namespace {
// FloatToStr's significant digits.
constexpr int kGeneralDigits = 15;
}  // namespace

AnsiString ImportNumberText(double value) {
  // "-d.ddde+XX": the shortest digits that read back as the value, and the power of ten
  // of the first.
  char text[32];
  const auto written = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::scientific);
  const std::string_view scientific(text, static_cast<std::size_t>(written.ptr - text));
  const std::size_t exponentAt = scientific.find('e');
  TFloatRec decimal;
  for (const char ch : scientific.substr(0, exponentAt))
    if (ch >= '0' && ch <= '9') decimal.Digits += ch;
  while (!decimal.Digits.empty() && decimal.Digits.back() == '0') decimal.Digits.pop_back();
  if (decimal.Digits.empty()) return DecimalToText(decimal, ffGeneral, kGeneralDigits, 0, FormatSettings());
  std::string_view power = scientific.substr(exponentAt + 1);
  if (power.front() == '+') power.remove_prefix(1);
  int exponent = 0;
  std::from_chars(power.data(), power.data() + power.size(), exponent);
  decimal.Negative = scientific.front() == '-';
  decimal.Exponent = exponent + 1;
  const int precision = std::max(kGeneralDigits, static_cast<int>(decimal.Digits.size()));
  return DecimalToText(decimal, ffGeneral, precision, 0, FormatSettings());
}

bool IsExactWholeNumber(double value) {
  constexpr double kLargestExact = 9007199254740992.0;  // 2^53
  return std::fabs(value) <= kLargestExact && value == std::trunc(value);
}

}  // namespace ordvane

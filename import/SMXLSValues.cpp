#include "import/SMXLSValues.h"

#include <bit>

#include "classlib/core/SysUtils.h"

namespace ordvane {

double DecodeRK(Cardinal rk) {
  const Cardinal bits = rk & ~Cardinal{3};
  const double value = rk & 0x02 ? static_cast<double>(static_cast<Integer>(bits)) / 4
                                 : std::bit_cast<double>(static_cast<UInt64>(bits) << 32);
  return rk & 0x01 ? value / 100 : value;
}

AnsiString ErrorCodeText(Byte code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    default:
      return Format("Unknown error code %d", {code});
  }
}

namespace {

struct TBuiltInFormat {
  Word Index;
  const char16_t* Text;
};

constexpr TBuiltInFormat kBuiltIn[] = {
    {0, u"General"},
    {1, u"0"},
    {2, u"0.00"},
    {3, u"#,##0"},
    {4, u"#,##0.00"},
    {5, u"($#,##0_);($#,##0)"},
    {6, u"($#,##0_);[Red]($#,##0)"},
    {7, u"($#,##0.00_);($#,##0.00)"},
    {8, u"($#,##0.00_);[Red]($#,##0.00)"},
    {9, u"0%"},
    {10, u"0.00%"},
    {11, u"0.00E+00"},
    {12, u"# ?/?"},
    {13, u"# ?" u"?/??"},  // split so that no trigraph is seen
    {14, u"m/d/yy"},
    {15, u"d-mmm-yy"},
    {16, u"d-mmm"},
    {17, u"mmm-yy"},
    {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"},
    {20, u"h:mm"},
    {21, u"h:mm:ss"},
    {22, u"m/d/yy h:mm"},
    {37, u"(#,##0_);(#,##0)"},
    {38, u"(#,##0_);[Red](#,##0)"},
    {39, u"(#,##0.00_);(#,##0.00)"},
    {40, u"(#,##0.00_);[Red](#,##0.00)"},
    {41, u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"},
    {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
    {45, u"mm:ss"},
    {46, u"[h]:mm:ss"},
    {47, u"mm:ss.0"},
    {48, u"##0.0E+0"},
    {49, u"@"},
};

constexpr Byte kHoldsDate = 1;
constexpr Byte kHoldsPercent = 2;

// What a number-format text holds that matters to a number's meaning.
Byte Classify(const WideString& text) {
  WideString lower = text;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  const bool date = lower.find(u"dd") != WideString::npos || lower.find(u"mm") != WideString::npos ||
                    lower.find(u"yy") != WideString::npos;
  return (date ? kHoldsDate : 0) | (text.find(u'%') != WideString::npos ? kHoldsPercent : 0);
}

}  // namespace

void TXLSNumberFormats::RegisterBuiltIn() {
  for (const auto& format : kBuiltIn) Register(format.Index, format.Text);
}

void TXLSNumberFormats::Register(Word index, const WideString& text) {
  if (fTexts.size() <= index) {
    fTexts.resize(std::size_t{index} + 1);
    fHolds.resize(std::size_t{index} + 1, 0);
  }
  fTexts[index] = text;
  fHolds[index] = Classify(text);
}

void TXLSNumberFormats::Clear() {
  fTexts.clear();
  fHolds.clear();
}

const WideString& TXLSNumberFormats::Text(Integer index) const {
  static const WideString empty;
  return index >= 0 && index < Count() ? fTexts[static_cast<std::size_t>(index)] : empty;
}

TXLSNumberFormats::TKind TXLSNumberFormats::Kind(Integer index) const {
  const Byte holds = index >= 0 && index < Count() ? fHolds[static_cast<std::size_t>(index)] : 0;
  if (index >= 1 && (holds & kHoldsDate)) return fkDate;
  return holds & kHoldsPercent ? fkPercent : fkPlain;
}

}  // namespace ordvane

// The grid's footer rows: the text of each footer cell (sums, averages and counts of the
// sum list, a field's value, a fixed text), the events that change it, and its drawing.

#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/db/NumericFields.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

bool IsIntegerType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc || type == ftLargeint;
}

bool IsFloatType(TFieldType type) {
  return type == ftFloat || type == ftCurrency;
}

bool IsBcdType(TFieldType type) {
  return type == ftBCD || type == ftFMTBcd;
}

bool IsDateTimeType(TFieldType type) {
  return type == ftDate || type == ftTime || type == ftDateTime || type == ftTimeStamp;
}

AnsiString FieldDisplayFormat(TField& field) {
  const auto* numeric = dynamic_cast<const TNumericField*>(&field);
  return numeric != nullptr ? numeric->DisplayFormat() : AnsiString();
}

// Without a display format: the currency format when the field is a currency amount, else
// the general one.
AnsiString UnformattedFloatText(TField& field, Currency value) {
  const auto* floatField = dynamic_cast<const TFloatField*>(&field);
  const int precision = floatField != nullptr ? floatField->Precision() : 15;
  if (floatField != nullptr && floatField->Currency())
    return FloatToStrF(value.ToExtended(), ffCurrency, precision, FormatSettings().CurrencyDecimals);
  return FloatToStrF(value.ToExtended(), ffGeneral, precision, 0);
}

AnsiString UnformattedBcdText(TField& field, Currency value) {
  const auto* bcdField = dynamic_cast<const TBCDField*>(&field);
  if (bcdField != nullptr && bcdField->Currency())
    return CurrToStrF(value, ffCurrency, FormatSettings().CurrencyDecimals);
  return CurrToStrF(value, ffGeneral, 0);
}

}  // namespace

AnsiString TCustomDBGridEh::FooterSumText(const TColumnFooterEh& footer, TField& field, Currency value) {
  const TFieldType type = field.DataType();
  const AnsiString& footerFormat = footer.DisplayFormat();
  const AnsiString fieldFormat = FieldDisplayFormat(field);
  if (IsIntegerType(type)) {
    if (!footerFormat.empty()) return FormatFloat(footerFormat, value.ToExtended());
    if (!fieldFormat.empty()) return FormatFloat(fieldFormat, value.ToExtended());
    return CurrToStr(value);
  }
  if (IsFloatType(type)) {
    if (!footerFormat.empty()) return FormatFloat(footerFormat, value.ToExtended());
    if (!fieldFormat.empty()) return FormatFloat(fieldFormat, value.ToExtended());
    return UnformattedFloatText(field, value);
  }
  if (IsBcdType(type)) {
    if (!footerFormat.empty()) return FormatFloat(footerFormat, value.ToExtended());
    if (!fieldFormat.empty()) return FormatCurr(fieldFormat, value);
    return UnformattedBcdText(field, value);
  }
  // A sum of dates, texts or flags means nothing.
  return "0";
}

AnsiString TCustomDBGridEh::FooterFieldValueText(const TColumnFooterEh& footer) {
  TDataSet* dataSet = fDataLink->DataSet();
  if (dataSet == nullptr || !dataSet->Active() || footer.FieldName().empty()) return {};
  TField& field = *dataSet->FieldByName(footer.FieldName());
  const AnsiString& format = footer.DisplayFormat();
  if (format.empty() || field.IsNull()) return field.DisplayText();
  if (dynamic_cast<TNumericField*>(&field) != nullptr) return FormatFloat(format, field.AsFloat());
  if (IsDateTimeType(field.DataType())) {
    AnsiString text;
    DateTimeToString(text, format, field.AsDateTime());
    return text;
  }
  return field.DisplayText();
}

void TCustomDBGridEh::GetFooterValue(int row, TColumnEh* column, AnsiString& text) {
  const TColumnFooterEh& footer = column->GetFooterItem(row);
  switch (footer.ValueType()) {
    case fvtSum:
    case fvtAvg:
      text = FooterAggregateText(footer, *column);
      return;
    case fvtCount: {
      const TDBSum* count = fSumList->SumCollection().SumByOpAndFName(goCount, AnsiString());
      const Extended records = count != nullptr ? count->SumValue().ToExtended() : 0;
      text =
          footer.DisplayFormat().empty() ? FloatToStr(records) : FormatFloat(footer.DisplayFormat(), records);
      return;
    }
    case fvtFieldValue:
      text = FooterFieldValueText(footer);
      return;
    case fvtStaticText:
      text = footer.Value();
      return;
    case fvtNon:
      text.clear();
      return;
  }
}

AnsiString TCustomDBGridEh::FooterAggregateText(const TColumnFooterEh& footer, TColumnEh& column) {
  TDataSet* dataSet = fDataLink->DataSet();
  const AnsiString& name = footer.FieldName().empty() ? column.FieldName() : footer.FieldName();
  TField* field = dataSet != nullptr ? dataSet->FindField(name) : nullptr;
  if (field == nullptr) return "0";
  const TDBSum* sum = fSumList->SumCollection().SumByOpAndFName(footer.ValueType() == fvtSum ? goSum : goAvg,
                                                                field->FieldName());
  return FooterSumText(footer, *field, sum != nullptr ? sum->SumValue() : Currency());
}

void TCustomDBGridEh::GetFooterParams(int dataCol, int row, TColumnEh* column, TFont* font,
                                      TColor& background, TAlignment& alignment, TGridDrawState state,
                                      AnsiString& text) {
  if (OnGetFooterParams)
    OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text);
}

void TCustomDBGridEh::SumListRecalcAll() {
  if (OnSumListRecalcAll) OnSumListRecalcAll(this);
}

void TCustomDBGridEh::SumListAfterRecalcAll() {
  if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(this);
}

void TCustomDBGridEh::InvalidateFooter() {
  for (int i = 0; i < fFooterRowCount; ++i) InvalidateRow(FullRowCount() - 1 - i);
}

TCustomDBGridEh::TFooterLookEh TCustomDBGridEh::FooterCellParams(TColumnEh& column, int footerRow,
                                                                 TGridDrawState state) {
  const TColumnFooterEh& footer = column.GetFooterItem(footerRow);
  TFont& font = *Canvas()->Font();
  font.Assign(footer.GetFont());
  TFooterLookEh look{footer.GetColor(), footer.GetAlignment(), {}};
  GetFooterValue(footerRow, &column, look.text);
  GetFooterParams(column.Index(), footerRow, &column, &font, look.background, look.alignment, state,
                  look.text);
  return look;
}

TCustomDBGridEh::TCellLookEh TCustomDBGridEh::DrawFooterCell(int col, int row, const TRect& rect,
                                                             TGridDrawState state, TColumnEh& column,
                                                             int footerRow, bool is3D) {
  TCanvas& canvas = *Canvas();
  TFooterLookEh footer = FooterCellParams(column, footerRow, state);
  TCellLookEh look;
  const int dataCol = RawToDataColumn(col);
  look.highlighted = IsCellSelected(col, dataCol, row, TBookmarkStr());
  GetHighlightCellColors(col, row, *canvas.Font(), footer.background, look.highlighted,
                         {cckDataEh, crkFooterEh});
  canvas.Brush()->SetColor(footer.background);
  look.themed = is3D && DrawThemedFixedCellEh(rect, false, look.highlighted);
  if (!look.themed) canvas.FillRect(rect);
  const bool wraps = column.GetFooterItem(footerRow).WordWrap() && fMultiLineRows;
  WriteColumnText(column, rect, false, 2, 2, footer.text,
                  {.Alignment = footer.alignment, .Layout = tlTop, .MultiLine = wraps, .EndEllipsis = false});
  if (OnDrawFooterCell) OnDrawFooterCell(this, dataCol, footerRow, &column, rect, state);
  return look;
}

}  // namespace ordvane

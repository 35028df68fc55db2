#include "import/SMITypes.h"

#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

// The order of day, month and year: the first letters of the three parts of the short
// date format, split at the date separator.
TSMIDateOrder DateOrderOf(const AnsiString& shortDateFormat, char separator) {
  const AnsiString format = UpperCase(shortDateFormat);
  AnsiString letters;
  for (std::size_t start = 0; start <= format.size() && letters.size() < 3;) {
    const std::size_t end = std::min(format.find(separator, start), format.size());
    if (end > start) letters += format[start];
    start = end + 1;
  }
  static const struct {
    const char* letters;
    TSMIDateOrder order;
  } orders[] = {{"DMY", doDMY}, {"DYM", doDYM}, {"MDY", doMDY}, {"MYD", doMYD}, {"YMD", doYMD}, {"YDM", doYDM}};
  for (const auto& entry : orders)
    if (letters == entry.letters) return entry.order;
  return doMDY;
}

}  // namespace

void TSMIColumn::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMIColumn*>(source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  TCollection* collection = Collection();
  if (collection != nullptr) collection->BeginUpdate();
  fAlignment = other->fAlignment;
  fFieldName = other->fFieldName;
  fCaption = other->fCaption;
  fDataType = other->fDataType;
  fSize = other->fSize;
  fPrecision = other->fPrecision;
  if (collection != nullptr) collection->EndUpdate();
}

void TSMIStatistic::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMIStatistic*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fTotalCount = other->fTotalCount;
  fTotalImported = other->fTotalImported;
  fTotalAdded = other->fTotalAdded;
  fTotalDeleted = other->fTotalDeleted;
  fTotalUpdated = other->fTotalUpdated;
  fTotalErrors = other->fTotalErrors;
  fTotalSkipped = other->fTotalSkipped;
  fUpdateStep = other->fUpdateStep;
  fLastAction = other->fLastAction;
  fSQLText = other->fSQLText;
  fResult = other->fResult;
}

TSMIDataFormats::TSMIDataFormats() { LoadRegionalSettings(); }

void TSMIDataFormats::LoadRegionalSettings() {
  const TFormatSettings& settings = FormatSettings();
  fDateSeparator = settings.DateSeparator;
  fTimeSeparator = settings.TimeSeparator;
  fDecimalSeparator = settings.DecimalSeparator;
  fThousandSeparator = settings.ThousandSeparator;
  fCurrencyString = settings.CurrencyString;
  fDateOrder = DateOrderOf(settings.ShortDateFormat, settings.DateSeparator);
  const AnsiString format = UpperCase(settings.ShortDateFormat);
  fFourDigitYear = Pos("YYYY", format) > 0;
  fLeadingZerosInDate = Pos("DD", format) > 0;
  fCustomDateTimeFormat.clear();
}

void TSMIDataFormats::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMIDataFormats*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fDateOrder = other->fDateOrder;
  fDateSeparator = other->fDateSeparator;
  fTimeSeparator = other->fTimeSeparator;
  fFourDigitYear = other->fFourDigitYear;
  fLeadingZerosInDate = other->fLeadingZerosInDate;
  fCustomDateTimeFormat = other->fCustomDateTimeFormat;
  fThousandSeparator = other->fThousandSeparator;
  fDecimalSeparator = other->fDecimalSeparator;
  fCurrencyString = other->fCurrencyString;
  fBooleanTrue = other->fBooleanTrue;
  fBooleanFalse = other->fBooleanFalse;
  fUseRegionalSettings = other->fUseRegionalSettings;
}

void TSMILoadCondition::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMILoadCondition*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fLoadWhen = other->fLoadWhen;
  fSkipIf = other->fSkipIf;
}

void TSMISQLFieldNameOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMISQLFieldNameOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fSQLQuoteOpen = other->fSQLQuoteOpen;
  fSQLQuoteClose = other->fSQLQuoteClose;
}

void TSMISQLOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TSMISQLOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  fSQLTerm = other->fSQLTerm;
  fSQLQuote = other->fSQLQuote;
  fFieldNameCharCase = other->fFieldNameCharCase;
  fFieldNameOptions->Assign(other->fFieldNameOptions.get());
}

}  // namespace ordvane

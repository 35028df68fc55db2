#pragma once
// The support types of the import component: the description of its source columns, and
// its option objects (statistics of a run, the data formats that source text is read by,
// the load condition, and how generated SQL quotes names and values). Each copies another
// object of its own class with Assign.

#include <memory>

#include "classlib/core/Collections.h"
#include "classlib/core/FormatSettings.h"

namespace ordvane {

enum TSMIDataType {
  itString, itInteger, itFloat, itDateTime, itDate, itTime, itBoolean, itBLOB, itMEMO, itGraphic
};

// One column of the source.
class TSMIColumn : public TCollectionItem {
  ORDVANE_CLASS(TSMIColumn, TCollectionItem)

 public:
  using TCollectionItem::TCollectionItem;

  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment value) { fAlignment = value; }
  const AnsiString& FieldName() const { return fFieldName; }
  void SetFieldName(const AnsiString& value) { fFieldName = value; }
  const AnsiString& Caption() const { return fCaption; }
  void SetCaption(const AnsiString& value) { fCaption = value; }
  TSMIDataType DataType() const { return fDataType; }
  void SetDataType(TSMIDataType value) { fDataType = value; }
  Integer Size() const { return fSize; }
  void SetSize(Integer value) { fSize = value; }
  Integer Precision() const { return fPrecision; }
  void SetPrecision(Integer value) { fPrecision = value; }

  // Copies the six properties inside an update bracket of the collection.
  void Assign(const TPersistent* source) override;

 private:
  TAlignment fAlignment = taLeftJustify;
  AnsiString fFieldName;
  AnsiString fCaption;
  TSMIDataType fDataType = itString;
  Integer fSize = 0;
  Integer fPrecision = 0;
};

// The source columns of an import component, which owns them.
class TSMIColumns : public TCollection {
  ORDVANE_CLASS(TSMIColumns, TCollection)

 public:
  explicit TSMIColumns(TPersistent* owner) : TCollection(owner, TCollectionItemClass::Of<TSMIColumn>()) {}

  TSMIColumn* Add() { return static_cast<TSMIColumn*>(TCollection::Add()); }
  TSMIColumn* Items(int index) const { return static_cast<TSMIColumn*>(TCollection::Items(index)); }
};

enum TSMIAction { iaUnknown, iaAdd, iaUpdate, iaDelete };
enum TSMIResult { irUnknown, irExecuted, irCanceled, irFailed };

// Counters and result of the last run.
class TSMIStatistic : public TPersistent {
  ORDVANE_CLASS(TSMIStatistic, TPersistent)

 public:
  // Rows the source reports (capped by RowLast), and rows processed.
  Integer TotalCount() const { return fTotalCount; }
  void SetTotalCount(Integer value) { fTotalCount = value; }
  Integer TotalImported() const { return fTotalImported; }
  void SetTotalImported(Integer value) { fTotalImported = value; }
  Integer TotalAdded() const { return fTotalAdded; }
  void SetTotalAdded(Integer value) { fTotalAdded = value; }
  Integer TotalDeleted() const { return fTotalDeleted; }
  void SetTotalDeleted(Integer value) { fTotalDeleted = value; }
  Integer TotalUpdated() const { return fTotalUpdated; }
  void SetTotalUpdated(Integer value) { fTotalUpdated = value; }
  Integer TotalErrors() const { return fTotalErrors; }
  void SetTotalErrors(Integer value) { fTotalErrors = value; }
  Integer TotalSkipped() const { return fTotalSkipped; }
  void SetTotalSkipped(Integer value) { fTotalSkipped = value; }
  // Rows between two refreshes of the progress dialog.
  Integer UpdateStep() const { return fUpdateStep; }
  void SetUpdateStep(Integer value) { fUpdateStep = value; }
  // What the current row does.
  TSMIAction LastAction() const { return fLastAction; }
  void SetLastAction(TSMIAction value) { fLastAction = value; }
  // The current row's generated statement.
  const WideString& SQLText() const { return fSQLText; }
  void SetSQLText(const WideString& value) { fSQLText = value; }
  TSMIResult Result() const { return fResult; }
  void SetResult(TSMIResult value) { fResult = value; }

  void Assign(const TPersistent* source) override;

 private:
  Integer fTotalCount = 0;
  Integer fTotalImported = 0;
  Integer fTotalAdded = 0;
  Integer fTotalDeleted = 0;
  Integer fTotalUpdated = 0;
  Integer fTotalErrors = 0;
  Integer fTotalSkipped = 0;
  Integer fUpdateStep = 1;
  TSMIAction fLastAction = iaUnknown;
  WideString fSQLText;
  TSMIResult fResult = irUnknown;
};

enum TSMIDateOrder { doMDY, doDMY, doYMD, doYDM, doDYM, doMYD };

// How source text becomes dates, numbers and Booleans.
class TSMIDataFormats : public TPersistent {
  ORDVANE_CLASS(TSMIDataFormats, TPersistent)

 public:
  // Starts with the workstation's formats and the words "True" and "False".
  TSMIDataFormats();

  TSMIDateOrder DateOrder() const { return fDateOrder; }
  void SetDateOrder(TSMIDateOrder value) { fDateOrder = value; }
  char DateSeparator() const { return fDateSeparator; }
  void SetDateSeparator(char value) { fDateSeparator = value; }
  char TimeSeparator() const { return fTimeSeparator; }
  void SetTimeSeparator(char value) { fTimeSeparator = value; }
  bool FourDigitYear() const { return fFourDigitYear; }
  void SetFourDigitYear(bool value) { fFourDigitYear = value; }
  bool LeadingZerosInDate() const { return fLeadingZerosInDate; }
  void SetLeadingZerosInDate(bool value) { fLeadingZerosInDate = value; }
  const AnsiString& CustomDateTimeFormat() const { return fCustomDateTimeFormat; }
  void SetCustomDateTimeFormat(const AnsiString& value) { fCustomDateTimeFormat = value; }
  char ThousandSeparator() const { return fThousandSeparator; }
  void SetThousandSeparator(char value) { fThousandSeparator = value; }
  char DecimalSeparator() const { return fDecimalSeparator; }
  void SetDecimalSeparator(char value) { fDecimalSeparator = value; }
  const AnsiString& CurrencyString() const { return fCurrencyString; }
  void SetCurrencyString(const AnsiString& value) { fCurrencyString = value; }
  const AnsiString& BooleanTrue() const { return fBooleanTrue; }
  void SetBooleanTrue(const AnsiString& value) { fBooleanTrue = value; }
  const AnsiString& BooleanFalse() const { return fBooleanFalse; }
  void SetBooleanFalse(const AnsiString& value) { fBooleanFalse = value; }
  bool UseRegionalSettings() const { return fUseRegionalSettings; }
  void SetUseRegionalSettings(bool value) { fUseRegionalSettings = value; }

  // Separators, currency, date order and the year and zero flags from the workstation's
  // (process-wide) format settings; CustomDateTimeFormat is cleared, the Boolean words
  // are kept. A short date format that does not read as three parts gives doMDY.
  void LoadRegionalSettings();

  void Assign(const TPersistent* source) override;

 private:
  TSMIDateOrder fDateOrder = doMDY;
  char fDateSeparator = '.';
  char fTimeSeparator = ':';
  bool fFourDigitYear = false;
  bool fLeadingZerosInDate = false;
  AnsiString fCustomDateTimeFormat;
  char fThousandSeparator = ' ';
  char fDecimalSeparator = ',';
  AnsiString fCurrencyString;
  AnsiString fBooleanTrue = "True";
  AnsiString fBooleanFalse = "False";
  bool fUseRegionalSettings = false;
};

// Row filter expressions of the expression language.
class TSMILoadCondition : public TPersistent {
  ORDVANE_CLASS(TSMILoadCondition, TPersistent)

 public:
  const AnsiString& LoadWhen() const { return fLoadWhen; }
  void SetLoadWhen(const AnsiString& value) { fLoadWhen = value; }
  const AnsiString& SkipIf() const { return fSkipIf; }
  void SetSkipIf(const AnsiString& value) { fSkipIf = value; }

  void Assign(const TPersistent* source) override;

 private:
  AnsiString fLoadWhen;
  AnsiString fSkipIf;
};

// The characters that enclose a field name in generated SQL.
class TSMISQLFieldNameOptions : public TPersistent {
  ORDVANE_CLASS(TSMISQLFieldNameOptions, TPersistent)

 public:
  char SQLQuoteOpen() const { return fSQLQuoteOpen; }
  void SetSQLQuoteOpen(char value) { fSQLQuoteOpen = value; }
  char SQLQuoteClose() const { return fSQLQuoteClose; }
  void SetSQLQuoteClose(char value) { fSQLQuoteClose = value; }

  void Assign(const TPersistent* source) override;

 private:
  char fSQLQuoteOpen = '[';
  char fSQLQuoteClose = ']';
};

enum TSMIFieldCharCase { ifcNormal, ifcUpperCase, ifcLowerCase, ifcProper };

// How generated SQL quotes names and values.
class TSMISQLOptions : public TPersistent {
  ORDVANE_CLASS(TSMISQLOptions, TPersistent)

 public:
  // The statement terminator; the row loop does not append it.
  const AnsiString& SQLTerm() const { return fSQLTerm; }
  void SetSQLTerm(const AnsiString& value) { fSQLTerm = value; }
  // Encloses text values.
  char SQLQuote() const { return fSQLQuote; }
  void SetSQLQuote(char value) { fSQLQuote = value; }
  TSMIFieldCharCase FieldNameCharCase() const { return fFieldNameCharCase; }
  void SetFieldNameCharCase(TSMIFieldCharCase value) { fFieldNameCharCase = value; }
  TSMISQLFieldNameOptions* FieldNameOptions() const { return fFieldNameOptions.get(); }
  // Copies the given options.
  void SetFieldNameOptions(const TSMISQLFieldNameOptions* value) { fFieldNameOptions->Assign(value); }

  void Assign(const TPersistent* source) override;

 private:
  AnsiString fSQLTerm = ";";
  char fSQLQuote = '"';
  TSMIFieldCharCase fFieldNameCharCase = ifcNormal;
  std::unique_ptr<TSMISQLFieldNameOptions> fFieldNameOptions = std::make_unique<TSMISQLFieldNameOptions>();
};

}  // namespace ordvane

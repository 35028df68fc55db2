#include "import/SMITypes.h"

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/core/SysUtils.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

// Every setting, in UTF-8: date order, separators, year and zero flags, custom format,
// thousand and decimal separators, currency, Boolean words, regional flag.
std::string Describe(const TSMIDataFormats& f) {
  return std::to_string(f.DateOrder()) + " " + f.DateSeparator() + f.TimeSeparator() + " " +
         std::to_string(f.FourDigitYear()) + std::to_string(f.LeadingZerosInDate()) + " [" +
         f.CustomDateTimeFormat() + "] " +
         AnsiToUtf8(std::string{f.ThousandSeparator(), f.DecimalSeparator()}) + " " +
         AnsiToUtf8(f.CurrencyString() + " " + f.BooleanTrue() + "/" + f.BooleanFalse()) + " " +
         std::to_string(f.UseRegionalSettings());
}

// Every counter, the last action and SQL text, and the result.
std::string Describe(const TSMIStatistic& s) {
  std::string text;
  for (Integer n :
       {s.TotalCount(), s.TotalImported(), s.TotalAdded(), s.TotalDeleted(), s.TotalUpdated(),
        s.TotalErrors(), s.TotalSkipped(), s.UpdateStep(), Integer{s.LastAction()}, Integer{s.Result()}})
    text += std::to_string(n) + " ";
  return text + Utf8Encode(s.SQLText());
}

TEST(DataFormats, StartWithTheUkrainianWorkstationsFormats) {
  EXPECT_EQ(Describe(TSMIDataFormats()), "1 .: 11 [] \u00A0, грн. True/False 0");
}

// Sets the process-wide short date format for one test and puts it back.
class ShortDateFormatScope {
 public:
  ShortDateFormatScope(const AnsiString& format, char separator)
      : fFormat(FormatSettings().ShortDateFormat), fSeparator(FormatSettings().DateSeparator) {
    FormatSettings().ShortDateFormat = format;
    FormatSettings().DateSeparator = separator;
  }
  ~ShortDateFormatScope() {
    FormatSettings().ShortDateFormat = fFormat;
    FormatSettings().DateSeparator = fSeparator;
  }

 private:
  AnsiString fFormat;
  char fSeparator;
};

TEST(DataFormats, DateOrderAndFlagsFromTheShortDateFormat) {
  const struct {
    const char* format;
    char separator;
    TSMIDateOrder order;
    bool fourDigits, leadingZeros;
  } cases[] = {{"M/d/yy", '/', doMDY, false, false},   {"yyyy-MM-dd", '-', doYMD, true, true},
               {"dd.yyyy.MM", '.', doDYM, true, true}, {"MM.yyyy.d", '.', doMYD, true, false},
               {"yy/dd/MM", '/', doYDM, false, true},  {"d.M.yyyy", '.', doDMY, true, false},
               {"dd.MM", '.', doMDY, false, true},     {"ddMMyyyy", '.', doMDY, true, true}};
  for (const auto& c : cases) {
    ShortDateFormatScope scope(c.format, c.separator);
    TSMIDataFormats formats;
    formats.SetBooleanTrue("Так");
    formats.SetCustomDateTimeFormat("YYYY");
    formats.LoadRegionalSettings();
    EXPECT_EQ(formats.DateOrder(), c.order) << c.format;
    EXPECT_EQ(formats.DateSeparator(), c.separator) << c.format;
    EXPECT_EQ(formats.FourDigitYear(), c.fourDigits) << c.format;
    EXPECT_EQ(formats.LeadingZerosInDate(), c.leadingZeros) << c.format;
    EXPECT_EQ(formats.CustomDateTimeFormat(), "");
    EXPECT_EQ(formats.BooleanTrue(), "Так");
  }
}

// Every field is set apart from its default, so a field left out of a copy shows.
TEST(OptionObjects, AssignCopiesEveryField) {
  TSMIStatistic statistic, statisticCopy;
  statistic.SetTotalCount(1);
  statistic.SetTotalImported(2);
  statistic.SetTotalAdded(3);
  statistic.SetTotalDeleted(4);
  statistic.SetTotalUpdated(5);
  statistic.SetTotalErrors(6);
  statistic.SetTotalSkipped(7);
  statistic.SetUpdateStep(8);
  statistic.SetLastAction(iaDelete);
  statistic.SetSQLText(u"DELETE FROM T003");
  statistic.SetResult(irFailed);
  statisticCopy.Assign(&statistic);
  EXPECT_EQ(Describe(statisticCopy), "1 2 3 4 5 6 7 8 3 3 DELETE FROM T003");

  TSMIDataFormats formats, formatsCopy;
  formats.SetDateOrder(doYDM);
  formats.SetDateSeparator('/');
  formats.SetTimeSeparator('-');
  formats.SetFourDigitYear(false);
  formats.SetLeadingZerosInDate(false);
  formats.SetCustomDateTimeFormat("YYYYMMDD");
  formats.SetThousandSeparator('\'');
  formats.SetDecimalSeparator('.');
  formats.SetCurrencyString("$");
  formats.SetBooleanTrue("Y");
  formats.SetBooleanFalse("N");
  formats.SetUseRegionalSettings(true);
  formatsCopy.Assign(&formats);
  EXPECT_EQ(Describe(formatsCopy), "3 /- 00 [YYYYMMDD] '. $ Y/N 1");

  TSMILoadCondition condition, conditionCopy;
  condition.SetLoadWhen("[A] > 0");
  condition.SetSkipIf("ISNULL([B])");
  conditionCopy.Assign(&condition);
  EXPECT_EQ(conditionCopy.LoadWhen(), "[A] > 0");
  EXPECT_EQ(conditionCopy.SkipIf(), "ISNULL([B])");

  TSMISQLOptions sql, sqlCopy;
  EXPECT_EQ(sql.SQLTerm(), ";");
  EXPECT_EQ(sql.SQLQuote(), '"');
  EXPECT_EQ(sql.FieldNameCharCase(), ifcNormal);
  EXPECT_EQ(sql.FieldNameOptions()->SQLQuoteOpen(), '[');
  EXPECT_EQ(sql.FieldNameOptions()->SQLQuoteClose(), ']');
  sql.SetSQLTerm("^");
  sql.SetSQLQuote('\'');
  sql.SetFieldNameCharCase(ifcProper);
  TSMISQLFieldNameOptions quotes;
  quotes.SetSQLQuoteOpen('"');
  quotes.SetSQLQuoteClose('"');
  sql.SetFieldNameOptions(&quotes);
  EXPECT_NE(sql.FieldNameOptions(), &quotes);
  sqlCopy.Assign(&sql);
  EXPECT_EQ(sqlCopy.SQLTerm(), "^");
  EXPECT_EQ(sqlCopy.SQLQuote(), '\'');
  EXPECT_EQ(sqlCopy.FieldNameCharCase(), ifcProper);
  EXPECT_EQ(sqlCopy.FieldNameOptions()->SQLQuoteOpen(), '"');
  EXPECT_EQ(sqlCopy.FieldNameOptions()->SQLQuoteClose(), '"');
  EXPECT_NE(sqlCopy.FieldNameOptions(), sql.FieldNameOptions());
}

// Counts the collection's change announcements.
class TCountingColumns : public TSMIColumns {
 public:
  TCountingColumns() : TSMIColumns(nullptr) {}
  int updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++updates; }
};

TEST(Columns, AssignCopiesTheSixPropertiesInOneUpdate) {
  TCountingColumns columns;
  TSMIColumn* source = columns.Add();
  TSMIColumn* copy = columns.Add();
  EXPECT_EQ(copy->DataType(), itString);
  EXPECT_EQ(copy->Alignment(), taLeftJustify);
  source->SetAlignment(taRightJustify);
  source->SetFieldName("BORN");
  source->SetCaption("Дата народження");
  source->SetDataType(itDate);
  source->SetSize(10);
  source->SetPrecision(3);
  columns.updates = 0;
  copy->Assign(source);
  EXPECT_EQ(columns.updates, 1);
  EXPECT_EQ(copy->Alignment(), taRightJustify);
  EXPECT_EQ(copy->FieldName(), "BORN");
  EXPECT_EQ(copy->Caption(), "Дата народження");
  EXPECT_EQ(copy->DataType(), itDate);
  EXPECT_EQ(copy->Size(), 10);
  EXPECT_EQ(copy->Precision(), 3);
}

TEST(OptionObjects, AssignFromAnotherClassDefersToTheClassLibrary) {
  TSMIStatistic statistic;
  TSMILoadCondition condition;
  EXPECT_EQ(ErrorOf<EConvertError>([&] { condition.Assign(&statistic); }),
            "Cannot assign a TSMIStatistic to a TSMILoadCondition");
  EXPECT_EQ(ErrorOf<EConvertError>([&] { statistic.Assign(nullptr); }),
            "Cannot assign a nil to a TSMIStatistic");
}

}  // namespace
}  // namespace ordvane

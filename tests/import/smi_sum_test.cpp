// Document properties of workbooks written by Spreadsheet::WriteExcel (set_properties) and
// LibreOffice, against olefile.get_metadata() with the same pinned time zone
// (tests/fixtures/make_compound.sh).

#include "import/SMI_Sum.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>

#include "classlib/core/DateFormat.h"
#include "classlib/core/StrUtils.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

// The zone the fixtures' local times were computed in: Kyiv, with its summer time rule.
constexpr const char* kFixtureZone = "EET-2EEST,M3.5.0/3,M10.5.0/4";

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) fOld = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (fOld)
      setenv("TZ", fOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> fOld;
};

std::string FixturePath(const std::string& name) {
  return test::FixturePath("compound/" + name);
}

void Load(TSMISummaryInformation& info, const std::string& fixture) {
  info.ReadFromStorage(TCompoundFile::OpenFile(FixturePath(fixture)).Root());
}

std::string DateText(TDateTime value) {
  return value == 0 ? "0" : FormatDateTime("yyyy-mm-dd hh:nn:ss", value);
}

std::map<std::string, std::string> Actual(const TSMISummaryInformation& s) {
  return {{"Title", s.Title()},
          {"Subject", s.Subject()},
          {"Author", s.Author()},
          {"Keywords", s.Keywords()},
          {"Comments", s.Comments()},
          {"Template", s.Template()},
          {"LastAuthor", s.LastAuthor()},
          {"RevNumber", s.RevNumber()},
          {"LastPrinted", DateText(s.LastPrinted())},
          {"Created", DateText(s.Created())},
          {"LastSaved", DateText(s.LastSaved())},
          {"PageCount", IntToStr(s.PageCount())},
          {"WordCount", IntToStr(s.WordCount())},
          {"CharCount", IntToStr(s.CharCount())},
          {"AppName", s.AppName()},
          {"Category", s.Category()},
          {"PresentationTarget", s.PresentationTarget()},
          {"ByteCount", IntToStr(s.ByteCount())},
          {"LineCount", IntToStr(s.LineCount())},
          {"ParagraphCount", IntToStr(s.ParagraphCount())},
          {"SlideCount", IntToStr(s.SlideCount())},
          {"NoteCount", IntToStr(s.NoteCount())},
          {"HiddenSlideCount", IntToStr(s.HiddenSlideCount())},
          {"MMClipCount", IntToStr(s.MMClipCount())},
          {"Manager", s.Manager()},
          {"Company", s.Company()},
          {"CharCount2", IntToStr(s.CharCount2())}};
}

// What the oracle read, over the defaults for what it did not list.
std::map<std::string, std::string> ExpectedSums(const std::string& fixture) {
  TSMISummaryInformation empty;
  std::map<std::string, std::string> expected = Actual(empty);
  std::ifstream in(FixturePath(fixture + ".props"));
  for (std::string line; std::getline(in, line);) {
    std::string name = line.substr(0, line.find('='));
    if (name.find('@') == std::string::npos) expected[name] = line.substr(line.find('=') + 1);
  }
  return expected;
}

TEST(SummaryInformation, PropertiesMatchOlefileInLocalTime) {
  ScopedTimeZone zone(kFixtureZone);
  for (const char* fixture : {"writeexcel.xls", "libreoffice.xls"}) {
    SCOPED_TRACE(fixture);
    TSMISummaryInformation info;
    Load(info, fixture);
    EXPECT_EQ(Actual(info), ExpectedSums(fixture));
  }
}

TEST(SummaryInformation, LocalTimeFollowsTheZoneAndItsSummerRuleWithinTheDosRange) {
  TSMISummaryInformation info;
  {
    ScopedTimeZone zone("UTC0");
    Load(info, "writeexcel.xls");
  }
  // Written as 12:00:01 in Kyiv summer time (UTC+3); read back in two-second steps.
  EXPECT_EQ(DateText(info.Created()), "2024-07-15 09:00:00");
  // 15 July and 15 January 2024, 09:00:01 UTC, in a zone with another summer rule.
  ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(DateText(FileTimeToDateTime(133'655'076'010'000'000)), "2024-07-15 05:00:00");
  EXPECT_EQ(DateText(FileTimeToDateTime(133'497'828'010'000'000)), "2024-01-15 04:00:00");
  // File times outside the DOS range give zero.
  ScopedTimeZone utc("UTC0");
  EXPECT_EQ(FileTimeToDateTime(0), 0);
  EXPECT_EQ(FileTimeToDateTime(119'600'064'000'000'000 - 10'000'000), 0);  // 31 Dec 1979 23:59:59
  EXPECT_EQ(DateText(FileTimeToDateTime(119'600'064'000'000'000)), "1980-01-01 00:00:00");
  EXPECT_EQ(FileTimeToDateTime(~UInt64{0}), 0);
}

TEST(SummaryInformation, WorkbookWithoutPropertySetsLeavesEverythingEmpty) {
  TSMISummaryInformation info;
  Load(info, "xlwt.xls");
  TSMISummaryInformation empty;
  EXPECT_EQ(Actual(info), Actual(empty));
}

TEST(SummaryInformation, AssignCopiesAndClearEmpties) {
  ScopedTimeZone zone(kFixtureZone);
  TSMISummaryInformation source, copy, empty;
  Load(source, "writeexcel.xls");
  copy.Assign(&source);
  EXPECT_EQ(Actual(copy), Actual(source));
  copy.Clear();
  EXPECT_EQ(Actual(copy), Actual(empty));
  TPersistent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(SummaryInformation, ValuesOfAnotherTypeAreConvertedAndOtherTypesPassedOver) {
  ScopedTimeZone zone("UTC0");
  TSMISummaryInformation info;
  TPropertySetValue number{2, ptInteger, 42, "", 0};
  info.SetProperty(2, number, ssSummaryInformation);
  EXPECT_EQ(info.Title(), "42");
  info.SetProperty(15, TPropertySetValue{15, ptString, 0, "7", 0}, ssSummaryInformation);
  EXPECT_EQ(info.WordCount(), 7);
  EXPECT_THROW(info.SetProperty(15, TPropertySetValue{15, ptString, 0, "many", 0}, ssSummaryInformation),
               EConvertError);
  // An editing time kept as a file time of a duration is no date of the DOS range.
  info.SetProperty(10, TPropertySetValue{10, ptFileTime, 0, "", 6'000'000'000}, ssSummaryInformation);
  EXPECT_EQ(info.EditTime(), 0);
  info.SetProperty(12, TPropertySetValue{12, ptInteger, 45000, "", 0}, ssSummaryInformation);
  EXPECT_EQ(info.Created(), 45000);
  // A type other than integer, string or file time (here a 16-bit integer) is passed over;
  // so are unknown identifiers, and identifiers of the other stream.
  info.SetProperty(2, TPropertySetValue{2, 2, 9, "", 0}, ssSummaryInformation);
  info.SetProperty(99, number, ssSummaryInformation);
  info.SetProperty(17, number, ssSummaryInformation);
  EXPECT_EQ(info.Title(), "42");
  EXPECT_EQ(info.CharCount2(), 0);
  info.SetProperty(17, number, ssDocumentSummaryInformation);
  EXPECT_EQ(info.CharCount2(), 42);
  EXPECT_EQ(info.CharCount(), 0);
}

}  // namespace
}  // namespace ordvane

// Property-set streams written by Spreadsheet::WriteExcel and LibreOffice, against what
// olefile read from them (tests/fixtures/make_compound.sh), and damaged copies.

#include "classlib/core/PropertySet.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <map>

#include "classlib/core/CompoundFile.h"
#include "tests/classlib/Support.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

std::map<std::string, std::string> ReadProps(const std::string& path) {
  std::ifstream in(path);
  std::map<std::string, std::string> props;
  for (std::string line; std::getline(in, line);)
    props[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return props;
}

std::string FileTimeAsUtc(UInt64 fileTime) {
  const auto seconds = static_cast<std::time_t>(fileTime / 10'000'000) - 11'644'473'600;
  std::tm t{};
  gmtime_r(&seconds, &t);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t);
  return text;
}

std::vector<Byte> StreamBytes(const std::string& fixture, const WideString& stream) {
  TCompoundStream s =
      TCompoundFile::OpenFile(test::FixturePath("compound/" + fixture)).Root().OpenStream(stream);
  std::vector<Byte> data(s.Size());
  s.Read(data.data(), data.size());
  return data;
}

// olefile's names of the properties of both streams, by identifier. Only a lack of memory
// can fail these, which nothing before main could handle either.
// NOLINTBEGIN(cert-err58-cpp)
const std::map<Cardinal, std::string> kSummaryNames = {
    {2, "Title"},    {3, "Subject"},    {4, "Author"},    {5, "Keywords"},
    {6, "Comments"}, {8, "LastAuthor"}, {9, "RevNumber"}, {11, "LastPrinted"},
    {12, "Created"}, {13, "LastSaved"}, {18, "AppName"}};
const std::map<Cardinal, std::string> kDocumentNames = {{2, "Category"}, {14, "Manager"}, {15, "Company"}};
// NOLINTEND(cert-err58-cpp)

TEST(PropertySet, ValuesMatchWhatOlefileRead) {
  for (const char* fixture : {"writeexcel.xls", "libreoffice.xls"}) {
    SCOPED_TRACE(fixture);
    std::map<std::string, std::string> expected =
        ReadProps(test::FixturePath("compound/") + fixture + ".props");
    std::map<std::string, std::string> actual;
    for (const auto& [stream, names] :
         {std::pair{u"\x05SummaryInformation", &kSummaryNames}, std::pair{u"\x05"
                                                                          u"DocumentSummaryInformation",
                                                                          &kDocumentNames}}) {
      for (const TPropertySetValue& v : ReadPropertySet(
               TCompoundFile::OpenFile(test::FixturePath("compound/") + fixture).Root().OpenStream(stream))) {
        auto name = names->find(v.Id);
        if (name == names->end()) continue;
        if (v.Type == ptString) actual[name->second] = v.AsString;
        if (v.Type == ptInteger) actual[name->second] = std::to_string(v.AsInteger);
        if (v.Type == ptFileTime) actual[name->second + "@UTC"] = FileTimeAsUtc(v.AsFileTime);
      }
    }
    for (auto it = expected.begin(); it != expected.end();)  // local times are another unit's business
      it = expected.count(it->first + "@UTC") ? expected.erase(it) : std::next(it);
    EXPECT_EQ(actual, expected);
  }
}

using test::GetCardinal;
using test::PutCardinal;

void ExpectDamaged(const std::vector<Byte>& data, const std::string& phrase) {
  try {
    ReadPropertySet(data.data(), data.size());
    ADD_FAILURE() << "no error; expected one about " << phrase;
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find(phrase), std::string::npos) << e.Message();
  }
}

TEST(PropertySet, LengthsThatRunPastTheStreamAreErrors) {
  const std::vector<Byte> original = StreamBytes("writeexcel.xls", u"\x05SummaryInformation");
  const std::vector<TPropertySetValue> whole = ReadPropertySet(original.data(), original.size());
  const Cardinal section = GetCardinal(original, 44);
  // The first property in the table is the code page; the Title string is the second.
  const Cardinal title = section + GetCardinal(original, section + 20);
  ASSERT_EQ(GetCardinal(original, title), ptString);

  std::vector<Byte> d = original;
  PutCardinal(d, title + 4, 0x7FFFFFFF);
  ExpectDamaged(d, "a string property runs past");
  d = original;
  PutCardinal(d, section + 4, 0xFFFFFFFF);
  ExpectDamaged(d, "the property table runs past");
  d = original;
  PutCardinal(d, 44, 0xFFFFFFF0);
  ExpectDamaged(d, "the section header runs past");
  d = original;
  PutCardinal(d, section + 20, 0xFFFFFFF0);
  ExpectDamaged(d, "a property type runs past");

  // Every shorter copy either fails or lost only padding after the last value.
  std::size_t failures = 0;
  for (std::size_t size = 0; size < original.size(); ++size) {
    try {
      std::vector<TPropertySetValue> cut = ReadPropertySet(original.data(), size);
      ASSERT_EQ(cut.size(), whole.size());
      for (std::size_t i = 0; i < cut.size(); ++i) EXPECT_EQ(cut[i].AsString, whole[i].AsString);
    } catch (const EReadError&) {
      ++failures;
    }
  }
  EXPECT_GE(failures, original.size() - 4);
}

TEST(PropertySet, StringsEndAtTheirFirstZeroByte) {
  std::vector<Byte> d = StreamBytes("writeexcel.xls", u"\x05SummaryInformation");
  const Cardinal section = GetCardinal(d, 44);
  const Cardinal title = section + GetCardinal(d, section + 20);
  d[title + 8 + 9] = 0;  // "Quarterly forms" -> "Quarterly"
  EXPECT_EQ(ReadPropertySet(d.data(), d.size())[1].AsString, "Quarterly");
}

}  // namespace
}  // namespace ordvane

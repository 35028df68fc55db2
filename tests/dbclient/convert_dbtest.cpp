// Scaled integers and BCD values as text, against the server's own cast of the same
// NUMERIC values to text (which keeps trailing zeros that these routines drop).

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dbclient/FIBConvert.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

struct Scaled {
  Int64 value;
  int scale;
};

std::vector<Scaled> Corpus() {
  std::vector<Scaled> corpus;
  const Int64 fixed[] = {0, 1, -1, 5, -5, 1200, 12345, -12345, 100000, 9223372036854775807LL,
                         -9223372036854775807LL};
  for (int scale = 0; scale <= 18; scale += 3)
    for (Int64 value : fixed) corpus.push_back({value, scale});
  std::mt19937_64 random(2024);
  for (int i = 0; i < 60; ++i) {
    const int digits = 1 + static_cast<int>(random() % 18);
    Int64 value = static_cast<Int64>(random() % 1000000000000000000ULL);
    for (int d = digits; d < 18; ++d) value /= 10;
    if (random() % 2) value = -value;
    corpus.push_back({value, static_cast<int>(random() % 19)});
  }
  return corpus;
}

// The server's text of each value, as NUMERIC(18, scale): the integer times 10^-scale,
// which keeps every digit of the integer.
std::vector<std::string> ServerTexts(const test::TestDatabase& db, const std::vector<Scaled>& corpus) {
  std::string sql = "set list on;\nselect r from (\n";
  for (std::size_t i = 0; i < corpus.size(); ++i) {
    const std::string factor = corpus[i].scale == 0 ? "1" : "0." + std::string(corpus[i].scale - 1, '0') + "1";
    sql += (i ? "union all " : "") + std::string("select ") + std::to_string(i) + " as i, " + std::to_string(i) +
           " || '|' || cast(cast(" + std::to_string(corpus[i].value) + " as bigint) * " + factor +
           " as varchar(40)) as r from rdb$database\n";
  }
  sql += ") order by i;\n";
  std::vector<std::string> texts;
  std::istringstream out(db.Isql(sql));
  for (std::string line; std::getline(out, line);) {
    const std::size_t bar = line.find('|');
    if (line.rfind("R ", 0) == 0 && bar != std::string::npos) texts.push_back(line.substr(bar + 1));
  }
  return texts;
}

std::string WithoutTrailingZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

TEST(ScaledText, MatchesTheServersCastOfNumericValues) {
  test::TestDatabase db("", {3, "WIN1251"});
  const std::vector<Scaled> corpus = Corpus();
  const std::vector<std::string> server = ServerTexts(db, corpus);
  ASSERT_EQ(server.size(), corpus.size());
  for (std::size_t i = 0; i < corpus.size(); ++i) {
    const auto [value, scale] = corpus[i];
    const std::string expected = WithoutTrailingZeros(server[i]);
    EXPECT_EQ(ScaledInt64ToStrSep(scale, '.', value), expected) << value << " scale " << scale;

    const TBcd bcd = ScaledInt64ToBcd(value, scale, 32);
    EXPECT_EQ(BcdToStrDot(bcd), expected) << value << " scale " << scale;
    Int64 back = 0;
    int backScale = -1;
    ASSERT_TRUE(BcdToScaledInt64(bcd, back, backScale));
    EXPECT_EQ(ScaledInt64ToStrSep(backScale, '.', back), expected);
  }
}

}  // namespace
}  // namespace ordvane

// The record layout and the storing of fetched rows, against isql-fb: the descriptors
// agree with the server's description of the select (its SQLDA display), and a row
// stored from the dataset's own statement reads back from the cache as isql-fb shows it,
// binary text (OCTETS, DB keys) byte for byte. Dialects 1 and 3, WIN1251 and UTF8.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <utility>

#include "classlib/core/CodePages.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

using Bytes = std::vector<Byte>;

std::vector<std::string> Split(const std::string& row) {
  std::vector<std::string> values;
  std::size_t start = 0;
  for (std::size_t bar; (bar = row.find('|', start)) != std::string::npos; start = bar + 1)
    values.push_back(row.substr(start, bar - start));
  values.push_back(row.substr(start));
  return values;
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string Hex(const Byte* bytes, std::size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

template <class T>
T At(const Bytes& record, Integer offset) {
  T value;
  std::memcpy(&value, record.data() + offset, sizeof value);
  return value;
}

// The day number the cache keeps for a civil date: 1 January of year 1 is day 1.
Integer StampDay(int year, unsigned month, unsigned day) {
  using namespace std::chrono;
  const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
  return static_cast<Integer>((date - sys_days{std::chrono::year{1} / 1 / 1}).count() + 1);
}

// isql-fb's date ("1858-11-17" or, in dialect 1, "17-NOV-1858"), with its time of day.
struct Stamp {
  Integer day = 0;
  Integer tenthsOfMilliseconds = 0;  // of the time of day, as Firebird counts it
};
Stamp ParseIsqlStamp(const std::string& text) {
  static const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  Stamp stamp;
  std::string date = text.substr(0, text.find(' '));
  if (std::isdigit(static_cast<unsigned char>(date[2]))) {
    stamp.day = StampDay(std::stoi(date.substr(0, 4)), static_cast<unsigned>(std::stoi(date.substr(5, 2))),
                         static_cast<unsigned>(std::stoi(date.substr(8, 2))));
  } else {
    unsigned month = 1;
    while (date.substr(3, 3) != months[month - 1]) ++month;
    stamp.day = StampDay(std::stoi(date.substr(7, 4)), month, static_cast<unsigned>(std::stoi(date.substr(0, 2))));
  }
  const std::size_t blank = text.find(' ');
  if (blank != std::string::npos) {
    const std::string time = text.substr(blank + 1);
    const int seconds = (std::stoi(time.substr(0, 2)) * 60 + std::stoi(time.substr(3, 2))) * 60 +
                        std::stoi(time.substr(6, 2));
    stamp.tenthsOfMilliseconds = seconds * 10000 + std::stoi(time.substr(9, 4));
  }
  return stamp;
}

// A scaled integer as isql-fb writes a NUMERIC: "123.45".
std::string ScaledText(Int64 value, int scale) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (scale < 0) {
    const auto places = static_cast<std::size_t>(-scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    digits.insert(digits.size() - places, ".");
  }
  return (value < 0 ? "-" : "") + digits;
}

class LayoutTest : public DataSetDbTest {
 protected:
  static std::string Select() { return "select t.*, t.rdb$db_key from t order by id"; }
  // The columns isql-fb can print in one line each (no blobs).
  std::string OracleSelect() const {
    return Dialect() == 3 ? "select id, s, b, n92, n152, n186, f, d, dt, tm, ts, c5, c20, v20, o16, bo, u, "
                            "rdb$db_key from t order by id"
                          : "select id, s, n92, n152, f, d, dt, c5, c20, v20, o16, rdb$db_key from t order by id";
  }
  Bytes Cached(Integer index) {
    Bytes record(static_cast<std::size_t>(fDataSet->RecordBufferSize()), 0xCC);
    fDataSet->ReadRecordCache(index, record.data(), false);
    return record;
  }
  // A record's bytes that carry its value: from the status byte on (the bookmark flag is
  // not cached), without the bytes after a string's terminating zero.
  Bytes Meaningful(Bytes record) { return Meaningful(std::move(record), *fDataSet); }
  static Bytes Meaningful(Bytes record, TFIBCustomDataSet& dataSet) {
    for (int i = 0; i < dataSet.FieldDescriptors().GetCount(); ++i) {
      const TFIBFieldDescr& d = dataSet.FieldDescriptors()[i];
      if (!d.IsStringSlot) continue;
      const auto text = static_cast<std::size_t>(d.Offset) + 4;
      const auto end = text + static_cast<std::size_t>(d.DataSize);
      for (auto at = text + static_cast<std::size_t>(At<Integer>(record, d.Offset)) + 1; at < end; ++at)
        record[at] = 0;
    }
    return Bytes(record.begin() + StatusOffset, record.end());
  }
  // ... nor the values under null flags, which a record keeps from the row it held, nor
  // blob identifiers, which a transliterated text blob has anew at each execution.
  Bytes MeaningfulValues(Bytes record) {
    for (int i = 0; i < fDataSet->FieldDescriptors().GetCount(); ++i) {
      const TFIBFieldDescr& d = fDataSet->FieldDescriptors()[i];
      const bool null = record[static_cast<std::size_t>(NullFlagsOffset) + static_cast<std::size_t>(i)] != 0;
      if ((null && !d.IsStringSlot) || d.SQLType == SQL_BLOB)
        std::fill_n(record.begin() + d.Offset, d.DataSize, Byte{0});
    }
    return Meaningful(record);
  }
  void FetchRows(TFIBQuery& statement, int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_NE(statement.Next(), nullptr);
      fDataSet->FetchCurrentRecordToBuffer(statement, i);
    }
  }
  // The value of a column of a cached record against isql-fb's text of it.
  void ExpectColumn(const Bytes& record, int column, const std::string& isql) {
    const TFIBFieldDescr& d = fDataSet->FieldDescriptors()[column];
    const std::string name = fDataSet->SelectQuery().Current()[column].Name();
    SCOPED_TRACE(name + " = " + isql);
    const bool null = record[static_cast<std::size_t>(NullFlagsOffset) + static_cast<std::size_t>(column)] != 0;
    ASSERT_EQ(null, isql == "<null>");
    const Integer slotLength = d.IsStringSlot ? At<Integer>(record, d.Offset) : 0;
    if (null) {
      if (d.IsStringSlot) {
        EXPECT_EQ(slotLength, 0);
      }
      return;
    }
    const Byte* slotChars = record.data() + d.Offset + 4;
    switch (d.SQLType) {
      case SQL_SHORT:
        {
        EXPECT_EQ(ScaledText(At<SmallInt>(record, d.Offset), d.Scale), isql);
        return;
      }
      case SQL_LONG:
        {
        EXPECT_EQ(ScaledText(At<Integer>(record, d.Offset), d.Scale), isql);
        return;
      }
      case SQL_INT64:
        // Every scale as the column's integer, also under a field that shows a double.
        EXPECT_EQ(ScaledText(At<Int64>(record, d.Offset), d.Scale), isql);
        return;
      case SQL_FLOAT:
        {
        EXPECT_FLOAT_EQ(At<float>(record, d.Offset), std::stof(isql));
        return;
      }
      case SQL_DOUBLE:
        {
        EXPECT_DOUBLE_EQ(At<double>(record, d.Offset), std::stod(isql));
        return;
      }
      case SQL_TYPE_DATE:
        {
        EXPECT_EQ(At<Integer>(record, d.Offset), ParseIsqlStamp(isql).day);
        return;
      }
      case SQL_TYPE_TIME:
        {
        // Firebird's own count, to the tenth of a millisecond.
        EXPECT_EQ(At<Integer>(record, d.Offset), ParseIsqlStamp("2000-01-01 " + isql).tenthsOfMilliseconds);
        return;
      }
      case SQL_TIMESTAMP: {
        const Stamp stamp = ParseIsqlStamp(isql);
        {
        // Milliseconds, the tenth as their fraction.
        const double milliseconds = stamp.day * 86400000.0 + stamp.tenthsOfMilliseconds / 10.0;
        EXPECT_NEAR(At<double>(record, d.Offset), milliseconds, 1e-3);
        return;
      }
      }
      case 590:
        {
        EXPECT_EQ(At<SmallInt>(record, d.Offset), isql == "<true>" ? 1 : 0);
        return;
      }
      case SQL_TEXT:
      case SQL_VARYING:
        break;
      default:
        FAIL() << "type " << d.SQLType;
    }
    if (d.IsBinary) {
      // Every byte, trailing blanks included.
      if (d.IsStringSlot) {
        EXPECT_EQ(slotLength, d.DataSize);
        {
        EXPECT_EQ(Hex(slotChars, static_cast<std::size_t>(slotLength)), isql);
        return;
      }
      }
      {
        EXPECT_EQ(Hex(record.data() + d.Offset, d.DataSize), isql);
        return;
      }
    }
    const bool utf8 = std::string(GetParam().charset) == "UTF8";
    const std::string expected = utf8 ? WithoutTrailingBlanks(isql) : Utf8ToAnsi(WithoutTrailingBlanks(isql));
    if (!d.IsStringSlot) {
      // A fixed CHAR keeps its blanks over its whole size.
      std::string stored(reinterpret_cast<const char*>(record.data() + d.Offset), d.DataSize);
      stored = stored.substr(0, stored.find('\0'));
      {
        EXPECT_EQ(WithoutTrailingBlanks(stored), expected);
        return;
      }
    }
    // CHAR is stored without its trailing blanks; VARCHAR as given, a zero byte after.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(slotChars), static_cast<std::size_t>(slotLength)), expected);
    if (slotLength < d.DataSize) {
      EXPECT_EQ(slotChars[slotLength], 0);
    }
  }
};

TEST_P(LayoutTest, DescriptorsAgreeWithTheServersDescription) {
  Open(Select());
  const std::vector<SqldaColumn> sqlda = IsqlSqlda(fDb, Select());
  const TFIBFieldDescrList& descriptors = fDataSet->FieldDescriptors();
  ASSERT_EQ(descriptors.GetCount(), static_cast<int>(sqlda.size()));
  const bool utf8 = std::string(GetParam().charset) == "UTF8";
  Integer fixedEnd = static_cast<Integer>(sqlda.size()) + NullFlagsOffset;
  int slots = 0;
  for (std::size_t i = 0; i < sqlda.size(); ++i) {
    const TFIBFieldDescr& d = descriptors.GetItem(static_cast<int>(i));
    SCOPED_TRACE(sqlda[i].name);
    const int type = sqlda[i].type & ~1;
    EXPECT_EQ(d.SQLType, type == SQL_BOOLEAN ? 590 : type);
    // A text blob's scale field carries the connection's character set, which isql-fb
    // shows apart.
    if (type != SQL_BLOB) {
      EXPECT_EQ(d.Scale, sqlda[i].scale);
    }
    EXPECT_EQ(d.Nullable, sqlda[i].nullable);
    EXPECT_EQ(d.IsDBKey, sqlda[i].name == "DB_KEY");
    EXPECT_EQ(d.IsBinary, d.IsDBKey || sqlda[i].charset == 1);
    const bool text = type == SQL_TEXT || type == SQL_VARYING;
    // isql-fb speaks UTF8: text lengths compare on UTF8 connections.
    if (!text || utf8) {
      EXPECT_EQ(d.DataSize, type == SQL_BOOLEAN ? 2 : sqlda[i].length);
    }
    EXPECT_EQ(d.IsStringSlot, text && d.DataSize > 12);
    if (d.IsStringSlot) {
      EXPECT_EQ(d.StringSlot, slots++);
    } else {
      EXPECT_EQ(d.Offset, fixedEnd);
      fixedEnd += d.DataSize;
    }
  }
  // The string areas follow the fixed part in column order, each a length and its size.
  Integer end = fixedEnd;
  for (int i = 0; i < descriptors.GetCount(); ++i) {
    const TFIBFieldDescr& d = descriptors.GetItem(i);
    if (!d.IsStringSlot) continue;
    EXPECT_EQ(d.Offset, end);
    end += d.DataSize + 4;
  }
  EXPECT_EQ(fDataSet->RecordSize(), end);
  EXPECT_EQ(fDataSet->CachedRecordSize(), fixedEnd - StatusOffset + 4 * fDataSet->BlobFieldCount());
  EXPECT_EQ(fDataSet->RecordsCache()->StringSlotCount(), slots);
}

TEST_P(LayoutTest, StoredRowsReadBackAsIsqlShowsThem) {
  Open(Select());
  FetchRows(fDataSet->SelectQuery(), 2);
  const std::string oracle = Oracle(OracleSelect());
  const std::vector<std::string> rows{oracle.substr(0, oracle.find(';')), oracle.substr(oracle.find(';') + 1)};
  const std::vector<std::string> names = Split(
      Dialect() == 3 ? "ID|S|B|N92|N152|N186|F|D|DT|TM|TS|C5|C20|V20|O16|BO|U|DB_KEY"
                     : "ID|S|N92|N152|F|D|DT|C5|C20|V20|O16|DB_KEY");
  for (int row = 0; row < 2; ++row) {
    const Bytes record = Cached(row);
    EXPECT_EQ(At<Integer>(record, RecordIndexOffset), row);
    EXPECT_EQ(record[StatusOffset], cusUnmodified);
    const std::vector<std::string> values = Split(rows[static_cast<std::size_t>(row)]);
    ASSERT_EQ(values.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
      ExpectColumn(record, fDataSet->SelectQuery().FieldIndex(names[i]), values[i]);
  }
  // Day 0 of the server's calendar.
  if (Dialect() == 3) {
    const TFIBFieldDescr& date = fDataSet->FieldDescriptors()[fDataSet->SelectQuery().FieldIndex("DT")];
    EXPECT_EQ(At<Integer>(Cached(0), date.Offset), 678576);
  }
  // Blob identifiers are kept; the blob-stream area is zero.
  const Bytes first = Cached(0);
  const TFIBFieldDescr& blob = fDataSet->FieldDescriptors()[fDataSet->SelectQuery().FieldIndex("BB")];
  EXPECT_NE(At<Int64>(first, blob.Offset), 0);
  for (Integer i = fDataSet->BlobStreamOffset(); i < fDataSet->CalcFieldsOffset(); ++i)
    EXPECT_EQ(first[static_cast<std::size_t>(i)], 0);
}

// A new record takes the row straight from the statement; a record that held a row (a
// refresh, a reused window record) takes it over its old values: both read back alike.
TEST_P(LayoutTest, ARowStoredOverAnotherReadsBackAsInANewRecord) {
  for (const bool int64AsBCD : {false, true}) {
    SCOPED_TRACE(int64AsBCD ? "64-bit as BCD" : "64-bit as double");
    if (int64AsBCD) fDataSet->SetPrepareOptions(fDataSet->PrepareOptions() + TpPrepareOptions{psSQLINT64ToBCD});
    Open(Select());
    TFIBQuery& select = fDataSet->SelectQuery();
    FetchRows(select, 2);
    const Bytes values = Cached(0), nulls = Cached(1);
    select.Close();
    select.ExecQuery();
    ASSERT_NE(select.Next(), nullptr);
    fDataSet->FetchCurrentRecordToBuffer(select, 1);
    ASSERT_NE(select.Next(), nullptr);
    fDataSet->FetchCurrentRecordToBuffer(select, 0);
    EXPECT_EQ(MeaningfulValues(Cached(1)), MeaningfulValues(values));
    EXPECT_EQ(MeaningfulValues(Cached(0)), MeaningfulValues(nulls));
    if (Dialect() == 3) {
      const TFIBFieldDescr& n186 = fDataSet->FieldDescriptors()[select.FieldIndex("N186")];
      EXPECT_EQ(n186.Scale, -6);
      EXPECT_EQ(At<Int64>(values, n186.Offset), 1000001);
    }
    fDataSet->Close();
  }
}

// A move that fetches a row fills the buffer it shows while it stores the row: the buffer
// holds what the cache reads back for that record, nulls, padding and blob identifiers
// included; with an AfterFetchRecord handler, which may change the cache, it is read back.
TEST_P(LayoutTest, AMoveShowsAFetchedRowAsTheCacheReadsItBack) {
  auto* moving = new TpFIBDataSet(&fForm);
  moving->SetDatabase(fDatabase);
  moving->SetTransaction(fTransaction);
  moving->SelectSQL().SetText(Select());
  for (const bool handled : {false, true}) {
    SCOPED_TRACE(handled ? "with AfterFetchRecord" : "without a handler");
    int handlerCalls = 0;
    if (handled) moving->AfterFetchRecord = [&](TFIBQuery*, Integer, bool&) { ++handlerCalls; };
    moving->Open();
    const auto image = [&](const Byte* record) {
      const Bytes bytes(record, record + moving->CalcFieldsOffset());
      return Meaningful(bytes, *moving);
    };
    int rows = 0;
    for (; !moving->Eof(); moving->Next(), ++rows) {
      const Byte* shown = moving->ActiveBuffer();
      EXPECT_EQ(At<Integer>(Bytes(shown, shown + 4), RecordIndexOffset), rows);
      Bytes cached(static_cast<std::size_t>(moving->RecordBufferSize()), 0xCC);
      moving->ReadRecordCache(rows, cached.data(), false);
      EXPECT_EQ(image(shown), image(cached.data())) << "record " << rows;
    }
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(handlerCalls, handled ? 2 : 0);
    moving->Close();
  }
}

TEST_P(LayoutTest, AJoinsKeyKeepsEveryByte) {
  Open("select v.rdb$db_key, v.id from vt v");
  FetchRows(fDataSet->SelectQuery(), 1);
  const TFIBFieldDescr& key = fDataSet->FieldDescriptors()[0];
  EXPECT_TRUE(key.IsDBKey);
  EXPECT_TRUE(key.IsStringSlot);
  ExpectColumn(Cached(0), 0, Oracle("select rdb$db_key from vt"));
  // A binary value ending in blanks survives a write through the cache too.
  Bytes record = Cached(0);
  std::memcpy(record.data() + key.Offset + 4 + key.DataSize - 2, "  ", 2);
  fDataSet->WriteRecordCache(0, record.data());
  EXPECT_EQ(Cached(0), record);
}

TEST_P(LayoutTest, AnotherStatementsColumnsAreConvertedIntoTheSelectLayout) {
  Open(Select());
  FetchRows(fDataSet->SelectQuery(), 1);
  const Bytes before = Cached(0);
  TFIBQuery refresh(nullptr);
  refresh.SetDatabase(fDatabase);
  refresh.SetTransaction(fTransaction);
  refresh.SetGoToFirstRecordOnExecute(false);
  refresh.SQL().SetText(
      "select cast(n92 * 2 as numeric(18, 4)) as n92, cast(v20 || 'cd' as varchar(5)) as v20, "
      "cast(cast(id + 40 as integer) as varchar(10)) as s, cast('a' as char(1)) as c20, 7 as no_such_column from t where id = 1");
  refresh.ExecQuery();
  ASSERT_NE(refresh.Next(), nullptr);
  fDataSet->FetchCurrentRecordToBuffer(refresh, 0);
  const Bytes after = Cached(0);
  const auto column = [&](const char* name) { return fDataSet->SelectQuery().FieldIndex(name); };
  ExpectColumn(after, column("N92"), "246.90");
  ExpectColumn(after, column("V20"), "abcd");
  ExpectColumn(after, column("S"), "41");
  ExpectColumn(after, column("C20"), "a");
  // Columns the statement does not return keep their values.
  const TFIBFieldDescr& o16 = fDataSet->FieldDescriptors()[column("O16")];
  EXPECT_EQ(0, std::memcmp(after.data() + o16.Offset, before.data() + o16.Offset, o16.DataSize + 4u));
  // A value the select's column cannot hold fails, and the record stays as it was.
  refresh.Close();
  refresh.SQL().SetText("select 'not a number' as s from rdb$database");
  refresh.ExecQuery();
  ASSERT_NE(refresh.Next(), nullptr);
  EXPECT_THROW(fDataSet->FetchCurrentRecordToBuffer(refresh, 0), Exception);
  EXPECT_EQ(Cached(0), after);
}

TEST_P(LayoutTest, AfterFetchRecordMayStopTheFetch) {
  Open(Select());
  std::vector<Integer> seen;
  fDataSet->AfterFetchRecord = [&](TFIBQuery* query, Integer index, bool& stop) {
    EXPECT_EQ(query, &fDataSet->SelectQuery());
    seen.push_back(index);
    stop = index == 1;
  };
  FetchRows(fDataSet->SelectQuery(), 1);
  ASSERT_NE(fDataSet->SelectQuery().Next(), nullptr);
  EXPECT_THROW(fDataSet->FetchCurrentRecordToBuffer(fDataSet->SelectQuery(), 1), EAbort);
  EXPECT_EQ(seen, (std::vector<Integer>{0, 1}));
  EXPECT_EQ(fDataSet->FetchedCount(), 1);
  // The row that stopped the fetch is stored all the same.
  ExpectColumn(Cached(1), 0, "2");
}

TEST_P(LayoutTest, OldVersionsAndBookmarksOfCachedRecords) {
  for (const bool cachedUpdates : {false, true}) {
    SCOPED_TRACE(cachedUpdates ? "log" : "scratch");
    fDataSet->SetCachedUpdates(cachedUpdates);
    Open(Select());
    FetchRows(fDataSet->SelectQuery(), 2);
    const Bytes original = Cached(0);
    Bytes changed = original;
    fDataSet->SaveOldVersion(changed.data());
    const TFIBFieldDescr& v20 = fDataSet->FieldDescriptors()[fDataSet->SelectQuery().FieldIndex("V20")];
    const Integer length = 3;
    std::memcpy(changed.data() + v20.Offset, &length, sizeof length);
    std::memcpy(changed.data() + v20.Offset + 4, "xyz", 4);
    changed[StatusOffset] = cusModified;
    fDataSet->WriteRecordCache(0, changed.data());
    EXPECT_EQ(Cached(0), changed);
    const Byte* oldRecord = fDataSet->GetOldRecordBuffer(0);
    const Bytes old(oldRecord, oldRecord + fDataSet->RecordBufferSize());
    EXPECT_NE(Meaningful(changed), Meaningful(original));
    EXPECT_EQ(Meaningful(old), Meaningful(original));
    // Beyond the cached records the old version is bytes of value 1.
    const Byte* none = fDataSet->GetOldRecordBuffer(5);
    EXPECT_EQ(none[StatusOffset], 1);
    const auto bookmark = [](Integer physical) {
      return TBookmark(reinterpret_cast<const char*>(&physical), sizeof physical) + std::string(4, '\0');
    };
    EXPECT_TRUE(fDataSet->BookmarkValid(bookmark(2)));
    EXPECT_FALSE(fDataSet->BookmarkValid(bookmark(3)));
    EXPECT_FALSE(fDataSet->BookmarkValid(bookmark(0)));
    EXPECT_FALSE(fDataSet->BookmarkValid(TBookmark()));
    fDataSet->Close();
  }
}

INSTANTIATE_TEST_SUITE_P(Connections, LayoutTest, testing::ValuesIn(AllConnections),
                         [](const auto& info) { return PrintTo(info.param); });

}  // namespace
}  // namespace ordvane::test

// Array columns: slices written through the statement and read back element by element
// by isql-fb, and slices written by a raw client call from bytes laid out here, read
// through the descriptor.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/core/DateFormat.h"
#include "classlib/core/DateTime.h"
#include "dbclient/FIBQuery.h"
#include "dbclient/FIBVariants.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane {
namespace {

Variant Array1(Integer low, const std::vector<Variant>& values) {
  Variant array = VarArrayCreate({low, low + static_cast<Integer>(values.size()) - 1}, varVariant);
  for (std::size_t i = 0; i < values.size(); ++i) VarArrayPut(array, values[i], {low + static_cast<Integer>(i)});
  return array;
}

class ArraysTest : public test::StatementTest<> {
 protected:
  ArraysTest() : StatementTest("dbclient/arrays.sql", 3) { Connect(); }


  // The server describes parameters without their table: the caller names the columns.
  TFIBQuery& PrepareInsert(const std::string& sql, const std::vector<std::string>& arrayColumns) {
    TFIBQuery& q = Query(sql);
    q.Prepare();
    for (std::size_t i = 0; i < arrayColumns.size(); ++i)
      q.CreateArrayDescriptor(&q.Params()[static_cast<int>(i)], "T", false, arrayColumns[i]);
    return q;
  }

  // The array column of row id as a variant array, through the column's descriptor.
  Variant ReadArray(const std::string& column, int id) {
    TFIBQuery& q = Query("select " + column + " from t where id = " + std::to_string(id));
    q.ExecQuery();
    TFIBXSQLVAR& var = q.GetFields(0);
    Variant value = var.FIBArray()->GetSliceAsVariant(var.GetAsQuad(), fDatabase->DBHandle(),
                                                      fTransaction->TRHandle());
    q.Close();
    return value;
  }

  // Writes a slice made by the test into the column of row id with the client's own
  // calls: the descriptor from isc_array_lookup_bounds, the bytes as given.
  void RawWrite(const std::string& column, int id, std::vector<char> slice) {
    IIBClientLibrary& library = fDatabase->ClientLibrary();
    ISC_ARRAY_DESC desc{};
    ASSERT_EQ(library.isc_array_lookup_bounds(StatusVector(), fDatabase->DBHandle(), fTransaction->TRHandle(), "T",
                                              column.c_str(), &desc),
              0);
    ISC_QUAD id0{};
    ISC_LONG length = static_cast<ISC_LONG>(slice.size());
    ASSERT_EQ(library.isc_array_put_slice(StatusVector(), fDatabase->DBHandle(), fTransaction->TRHandle(), &id0,
                                          &desc, slice.data(), &length),
              0);
    TFIBQuery& q = Query("update t set " + column + " = :v where id = " + std::to_string(id));
    q.Prepare();
    q.Params()[0].SetAsQuad(id0);
    q.ExecQuery();
  }

  template <class T>
  static void Put(std::vector<char>& slice, std::size_t offset, T value) {
    std::memcpy(slice.data() + offset, &value, sizeof value);
  }

};

TEST_F(ArraysTest, DescriptorsOfTheColumns) {
  TFIBQuery& q = Query("select ai, av, ad, af, adt, an, asn, n from t");
  q.Prepare();
  const TpFIBArray* ai = q.FieldByName("AI").FIBArray();
  ASSERT_NE(ai, nullptr);
  EXPECT_EQ(ai->FieldType(), ftInteger);
  EXPECT_EQ(ai->GetSliceSize(), 12);
  EXPECT_EQ(q.FieldByName("AI").GetArraySize(), 12);
  EXPECT_EQ(q.FieldByName("AV").GetArraySize(), 24);
  EXPECT_EQ(q.FieldByName("AV").FIBArray()->FieldType(), ftString);
  const TpFIBArray* ad = q.FieldByName("AD").FIBArray();
  EXPECT_EQ(ad->DimensionCount(), 2);
  EXPECT_EQ(ad->GetBounds(1).array_bound_upper, 3);
  EXPECT_EQ(ad->GetSliceSize(), 48);
  EXPECT_EQ(q.FieldByName("AF").GetArraySize(), 12);
  EXPECT_EQ(q.FieldByName("AF").FIBArray()->FieldType(), ftFloat);
  EXPECT_EQ(q.FieldByName("ADT").FIBArray()->FieldType(), ftDate);
  EXPECT_EQ(q.FieldByName("AN").FIBArray()->FieldType(), ftBCD);
  EXPECT_EQ(q.FieldByName("AN").FIBArray()->GetScale(), 2);
  EXPECT_EQ(q.FieldByName("ASN").FIBArray()->GetBounds(0).array_bound_lower, 0);
  EXPECT_EQ(q.FieldByName("N").FIBArray(), nullptr);

  try {
    ai->GetBounds(1);
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 60);
    EXPECT_NE(std::string(e.Message()).find("Dimension 1 don't exist in \"T.AI\" "), std::string::npos);
  }
  try {
    q.FieldByName("N").SetArrayValue(Array1(1, {1}));
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 59);
    EXPECT_NE(std::string(e.Message()).find("Column types \"T.N\" is not array field"), std::string::npos);
  }
  EXPECT_THROW(q.CreateArrayDescriptor(nullptr, "T", true, "AI"), EFIBClientError);
  // The server describes a plain column as an array without dimensions: refused.
  try {
    q.CreateArrayDescriptor(&q.FieldByName("N"), "T", true, "N");
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 59);
  }
  EXPECT_THROW(q.CreateArrayDescriptor(&q.FieldByName("N"), "NO_SUCH_TABLE", true, "N"), EFIBInterBaseError);
}

TEST_F(ArraysTest, WrittenThroughParametersReadByTheServer) {
  TFIBQuery& q = PrepareInsert("insert into t (id, ai, av, ad, af, adt, an, asn, ac, ats) "
                               "values (1, :ai, :av, :ad, :af, :adt, :an, :asn, :ac, :ats)",
                               {"AI", "AV", "AD", "AF", "ADT", "AN", "ASN", "AC", "ATS"});
  q.Params()[0].SetAsVariant(Array1(1, {Variant(7), Variant(-8), Variant(2147483647)}));
  q.Params()[1].SetAsVariant(Array1(1, {Variant("abc"), Variant("0123456789")}));
  Variant doubles = VarArrayCreate({1, 2, 1, 3}, varVariant);
  for (Integer i = 1; i <= 2; ++i)
    for (Integer j = 1; j <= 3; ++j) VarArrayPut(doubles, Variant(i * 10 + j + 0.5), {i, j});
  q.Params()[2].SetAsVariant(doubles);
  q.Params()[3].SetAsVariant(Array1(1, {Variant(1.25), Variant(-3.5), Variant(1000000.0)}));
  q.Params()[4].SetAsVariant(Array1(1, {VarFromDateTime(EncodeDate(2024, 2, 29)), VarFromDateTime(EncodeDate(1899, 12, 30))}));
  q.Params()[5].SetAsVariant(Array1(1, {Variant(12.34), Variant(-0.05), Variant(99999999.99)}));
  q.Params()[6].SetAsVariant(Array1(0, {Variant(1.5), Variant(-99.99)}));
  q.Params()[7].SetAsVariant(Array1(1, {Variant("ab"), Variant("wxyz")}));
  q.Params()[8].SetAsVariant(
      Array1(1, {VarFromDateTime(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 789)), Variant()}));
  q.ExecQuery();
  fTransaction->Commit();

  EXPECT_EQ(Oracle("select ai[1], ai[2], ai[3] from t where id = 1"), "7|-8|2147483647");
  EXPECT_EQ(Oracle("select av[1], av[2], char_length(av[1]) from t where id = 1"), "abc|0123456789|3");
  EXPECT_EQ(Oracle("select cast(ad[1,1] * 10 as integer), cast(ad[1,3] * 10 as integer), "
                   "cast(ad[2,1] * 10 as integer), cast(ad[2,3] * 10 as integer) from t where id = 1"),
            "115|135|215|235");
  EXPECT_EQ(Oracle("select cast(af[1] * 100 as integer), cast(af[2] * 100 as integer), "
                   "cast(af[3] as integer) from t where id = 1"),
            "125|-350|1000000");
  EXPECT_EQ(Oracle("select adt[1], adt[2] from t where id = 1"), "2024-02-29|1899-12-30");
  EXPECT_EQ(Oracle("select an[1], an[2], an[3], asn[0], asn[1] from t where id = 1"),
            "12.34|-0.05|99999999.99|1.50|-99.99");
  EXPECT_EQ(Oracle("select '[' || ac[1] || ']', ac[2] || ']', ats[1], ats[2] from t where id = 1"),
            "[ab  ]|wxyz]|2001-02-03 04:05:06.7890|1858-11-17 00:00:00.0000");

  // And back through the descriptor.
  fTransaction->StartTransaction();
  Variant read = ReadArray("ad", 1);
  ASSERT_EQ(VarArrayDimCount(read), 2);
  EXPECT_EQ(VarArrayGet(read, {2, 3}).AsDouble(), 23.5);
  EXPECT_EQ(VarArrayGet(read, {1, 2}).AsDouble(), 12.5);
  read = ReadArray("an", 1);
  EXPECT_DOUBLE_EQ(VarArrayGet(read, {1}).AsDouble(), 12.34);
  EXPECT_DOUBLE_EQ(VarArrayGet(read, {3}).AsDouble(), 99999999.99);
  read = ReadArray("av", 1);
  EXPECT_EQ(VarArrayGet(read, {2}).AsString(), "0123456789");
  read = ReadArray("ats", 1);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", VarArrayGet(read, {1}).AsDateTime()),
            "2001-02-03 04:05:06.789");
}

TEST_F(ArraysTest, ValuesThatDoNotFitAreRefusedWithoutWriting) {
  TFIBQuery& q = PrepareInsert("insert into t (id, ai, av, ac, an) values (2, :ai, :av, :ac, :an)", {"AI", "AV", "AC", "AN"});
  const auto sqlCode = [&](int param, const Variant& value) {
    try {
      q.Params()[param].SetAsVariant(value);
    } catch (const EFIBClientError& e) {
      return e.SQLCode();
    }
    return 0;
  };
  // One element too many would be written past the slice.
  EXPECT_EQ(sqlCode(0, Array1(1, {Variant(1), Variant(2), Variant(3), Variant(4)})), 33);
  // Texts longer than the element.
  EXPECT_EQ(sqlCode(1, Array1(1, {Variant("0123456789A")})), 33);
  EXPECT_EQ(sqlCode(2, Array1(1, {Variant("abcde")})), 33);
  EXPECT_EQ(sqlCode(2, Array1(1, {Variant(AnsiString("a\0b", 3))})), 33);
  // Numbers beyond the element's range.
  EXPECT_EQ(sqlCode(0, Array1(1, {Variant(4294967296.0)})), 33);
  EXPECT_EQ(sqlCode(3, Array1(1, {Variant(1e30)})), 33);
  // More dimensions than the column has.
  EXPECT_EQ(sqlCode(0, VarArrayCreate({1, 2, 1, 2}, varVariant)), 60);
  // Fewer elements than the column: the rest stays zero.
  EXPECT_EQ(sqlCode(0, Array1(1, {Variant(5)})), 0);
  q.ExecQuery();
  EXPECT_EQ(Oracle("select ai[1], ai[2], ai[3] from t where id = 2"), "");
  fTransaction->Commit();
  EXPECT_EQ(Oracle("select ai[1], ai[2], ai[3] from t where id = 2"), "5|0|0");
}

TEST_F(ArraysTest, SlicesWrittenByTheClientReadThroughTheDescriptor) {
  Query("insert into t (id) values (3)").ExecQuery();
  std::vector<char> ints(12);
  Put<ISC_LONG>(ints, 0, -1);
  Put<ISC_LONG>(ints, 4, 65536);
  Put<ISC_LONG>(ints, 8, 42);
  RawWrite("AI", 3, ints);
  std::vector<char> floats(12);
  Put<float>(floats, 0, 0.75f);
  Put<float>(floats, 4, -2.5f);
  Put<float>(floats, 8, 3e38f);
  RawWrite("AF", 3, floats);
  // A VARYING element's slot is its length plus 2 bytes: the text from the start, ended
  // by a zero byte when shorter than the slot.
  std::vector<char> texts(24, '\xEE');
  std::memcpy(texts.data(), "xyz", 4);
  std::memcpy(texts.data() + 12, "ABCDEFGHIJ", 11);
  RawWrite("AV", 3, texts);
  std::vector<char> dates(8);
  Put<ISC_DATE>(dates, 0, 0);  // 17 November 1858
  Put<ISC_DATE>(dates, 4, 60675);
  RawWrite("ADT", 3, dates);
  std::vector<char> numerics(24);
  Put<ISC_INT64>(numerics, 0, 1234);
  Put<ISC_INT64>(numerics, 8, -1);
  Put<ISC_INT64>(numerics, 16, 999999999999);
  RawWrite("AN", 3, numerics);
  std::vector<char> doubles(48);
  for (int k = 0; k < 6; ++k) Put<double>(doubles, static_cast<std::size_t>(k) * 8, k * 1.5);
  RawWrite("AD", 3, doubles);
  std::vector<char> shorts(4);
  Put<ISC_SHORT>(shorts, 0, -150);
  Put<ISC_SHORT>(shorts, 2, 9999);
  RawWrite("ASN", 3, shorts);
  fTransaction->Commit();
  // The server agrees with the layout the bytes were made from.
  EXPECT_EQ(Oracle("select ai[1], ai[2], ai[3], av[1], av[2], adt[1], adt[2], an[1], an[2], an[3], "
                   "cast(ad[1,2] * 10 as integer), cast(ad[2,1] * 10 as integer), asn[0], asn[1] "
                   "from t where id = 3"),
            "-1|65536|42|xyz|ABCDEFGHIJ|1858-11-17|2024-12-31|12.34|-0.01|9999999999.99|15|45|-1.50|99.99");

  fTransaction->StartTransaction();
  Variant ai = ReadArray("ai", 3);
  EXPECT_EQ(VarArrayLowBound(ai, 1), 1);
  EXPECT_EQ(VarArrayHighBound(ai, 1), 3);
  EXPECT_EQ(VarArrayGet(ai, {1}).AsInteger(), -1);
  EXPECT_EQ(VarArrayGet(ai, {2}).AsInteger(), 65536);
  EXPECT_EQ(VarArrayGet(ai, {3}).AsInteger(), 42);
  Variant af = ReadArray("af", 3);
  EXPECT_EQ(VarArrayGet(af, {1}).AsDouble(), 0.75);
  EXPECT_EQ(VarArrayGet(af, {2}).AsDouble(), -2.5);
  EXPECT_EQ(VarArrayGet(af, {3}).AsDouble(), static_cast<double>(3e38f));
  Variant av = ReadArray("av", 3);
  EXPECT_EQ(VarArrayGet(av, {1}).AsString(), "xyz");
  EXPECT_EQ(VarArrayGet(av, {2}).AsString(), "ABCDEFGHIJ");
  Variant adt = ReadArray("adt", 3);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", VarArrayGet(adt, {1}).AsDateTime()), "1858-11-17");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", VarArrayGet(adt, {2}).AsDateTime()), "2024-12-31");
  Variant an = ReadArray("an", 3);
  EXPECT_DOUBLE_EQ(VarArrayGet(an, {1}).AsDouble(), 12.34);
  EXPECT_DOUBLE_EQ(VarArrayGet(an, {2}).AsDouble(), -0.01);
  EXPECT_DOUBLE_EQ(VarArrayGet(an, {3}).AsDouble(), 9999999999.99);
  Variant ad = ReadArray("ad", 3);
  EXPECT_EQ(VarArrayGet(ad, {1, 2}).AsDouble(), 1.5);
  EXPECT_EQ(VarArrayGet(ad, {2, 3}).AsDouble(), 7.5);
  // Scaled small integers are numbers with their decimals, not raw integers.
  Variant asn = ReadArray("asn", 3);
  EXPECT_DOUBLE_EQ(VarArrayGet(asn, {0}).AsDouble(), -1.5);
  EXPECT_DOUBLE_EQ(VarArrayGet(asn, {1}).AsDouble(), 99.99);

  // A row without an array reads as nulls.
  Variant none = ReadArray("ac", 3);
  EXPECT_TRUE(VarIsNull(VarArrayGet(none, {1})));
}

}  // namespace
}  // namespace ordvane

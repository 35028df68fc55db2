// Local sorting against a real database: isql-fb's ORDER BY as the oracle for numbers and
// dates (nulls first ascending, last descending), std::sort of the same surnames for
// Cyrillic text (on a KOI8-R connection too, against isql-fb), trailing blanks on 8-bit and
// Unicode connections, the cursor kept on its record, bad field lists refused before anything
// moves, the order kept or dropped by a post, the sort restored after a reopen, moving
// single records, record numbers past the end, and a million records in an order built to
// defeat the middle pivot.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/CodePages.h"
#include "classlib/core/Variants.h"
#include "datasets/FIBFields.h"
#include "tests/datasets/SortingSupport.h"

namespace ordvane::test {
namespace {

constexpr char PersonsSelect[] = "select id, surname, born, n, amount from p";

using SortingTest = PersonsTest;

std::vector<Integer> Ids(TDataSet& dataSet) {
  std::vector<Integer> ids;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) ids.push_back(dataSet.FieldByName("ID")->AsInteger());
  return ids;
}

TEST_F(SortingTest, NumbersAndDatesFollowTheServersOrderBy) {
  struct Case {
    std::vector<std::string> fields;
    std::vector<bool> ascending;
    const char* orderBy;
  };
  const Case cases[] = {
      {{"N"}, {true}, "n"},
      {{"N"}, {false}, "n desc"},
      {{"BORN"}, {true}, "born"},
      {{"BORN"}, {false}, "born desc"},
      {{"N", "BORN"}, {true, false}, "n, born desc"},
      {{"BORN", "N"}, {false, true}, "born desc, n"},
  };
  Open(PersonsSelect);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orderBy);
    TStringList names;
    TOrderInfo expectedOrder;
    std::string columns;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      names.Add(c.fields[i]);
      expectedOrder.push_back({c.fields[i], c.ascending[i]});
      columns += (columns.empty() ? "" : ", ") + c.fields[i];
    }
    fDataSet->SortByFieldNames(names, c.ascending);
    const std::string oracle = Oracle("select " + columns + " from p order by " + c.orderBy);
    ASSERT_NE(oracle.find("<null>"), std::string::npos);
    EXPECT_EQ(WalkRows(*fDataSet, c.fields), oracle);
    EXPECT_EQ(fDataSet->OrderInfo(), expectedOrder);
    EXPECT_TRUE(fDataSet->Sorted());
    EXPECT_EQ(fDataSet->RecordCount(), 60);
  }
}

// A 64-bit column of a scale from 0 to -4 is kept as its integer, below that as a double:
// both sort as the server orders them, negative values included.
TEST_F(SortingTest, SixtyFourBitColumnsOfEveryScaleSortAsTheServerOrdersThem) {
  const std::string columns =
      "cast(n - 5 as bigint) as b, cast((n - 5) / 4.0 as numeric(15,2)) as m, "
      "cast((n - 5) / 8.0 as numeric(18,6)) as f";
  Open("select id, " + columns + " from p");
  for (const char* field : {"B", "M", "F"}) {
    for (const bool ascending : {true, false}) {
      SCOPED_TRACE(std::string(field) + (ascending ? " ascending" : " descending"));
      TStringList names;
      names.Add(field);
      names.Add("ID");
      fDataSet->SortByFieldNames(names, {ascending, true});
      const std::string order = std::string(field) + (ascending ? "" : " desc") + ", id";
      const std::string ids = Oracle("select id from (select id, " + columns + " from p) order by " + order);
      std::string sorted;
      for (const Integer id : Ids(*fDataSet)) sorted += (sorted.empty() ? "" : ";") + std::to_string(id);
      EXPECT_EQ(sorted, ids);
    }
  }
}

TEST_F(SortingTest, CyrillicSurnamesFollowTheirCodePagesCharacterCodes) {
  Open(PersonsSelect);
  std::vector<std::pair<bool, std::string>> surnames;  // (not null, text)
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) {
    TField* field = fDataSet->FieldByName("SURNAME");
    surnames.emplace_back(!field->IsNull(), field->IsNull() ? "" : field->AsString());
  }
  const auto rows = [](const std::vector<std::pair<bool, std::string>>& values) {
    std::string text;
    for (const auto& [present, value] : values) text += (present ? value : "<null>") + ";";
    return text;
  };
  const std::string unsorted = rows(surnames);
  // Nulls first, then by the bytes of the code page: Ґ (A5) and Є (AA) come before А (C0).
  std::sort(surnames.begin(), surnames.end());
  std::string ascending = rows(surnames);
  ASSERT_NE(ascending, unsorted);
  std::vector<std::pair<bool, std::string>> descending(surnames.rbegin(), surnames.rend());
  for (const bool up : {true, false}) {
    SCOPED_TRACE(up);
    fDataSet->SortByFields({"SURNAME"}, {up});
    std::string walked;
    for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) walked += IsqlText(fDataSet->FieldByName("SURNAME")) + ";";
    EXPECT_EQ(walked, up ? ascending : rows(descending));
  }
}

// A KOI8 connection's records hold KOI8 text, whose byte order is not the letters' order
// (lower case first, and "Ц" between "Б" and "Д"). Its fields show the text in the program's
// code page: the sort and the re-placing of a posted record order by what they show, as
// CompareFieldValues and the server's ORDER BY in the column's character set do.
class Koi8SortingTest : public PersonsTest {
 protected:
  Koi8SortingTest() : PersonsTest("KOI8R") {}
};

TEST_F(Koi8SortingTest, TextsFollowTheirLettersInTheSortAndInThePlaceOfAPostedRecord) {
  // The persons whose surnames KOI8-R can represent (it has no Ukrainian letters).
  const std::string russian = "select id, surname from p where mod(id * 7, 13) > 3 and surname is not null";
  const auto shown = [this] { return AnsiToUtf8(WalkRows(*fDataSet, {"SURNAME"})); };
  fDataSet->UpdateSQL().SetText("update p set surname = ?surname where id = ?old_id");
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poKeepSorting});
  Open(Utf8ToAnsi(russian));
  fDataSet->SortByFields({"SURNAME"}, {true});
  EXPECT_EQ(shown(), Oracle("select surname from (" + russian + ") order by surname"));

  ASSERT_TRUE(fDataSet->Locate("SURNAME", Variant(Utf8ToAnsi("Бойко")), {}));
  const Integer moved = Id();
  fDataSet->Edit();
  fDataSet->FieldByName("SURNAME")->SetAsString(Utf8ToAnsi("Юрченко"));
  fDataSet->Post();
  EXPECT_EQ(Id(), moved);
  EXPECT_EQ(shown(), Oracle("select cast(iif(id = " + std::to_string(moved) +
                            ", 'Юрченко', surname) as varchar(30) character set win1251) from (" + russian +
                            ") order by 1"));
  fTransaction->Rollback();
}

TEST_F(SortingTest, AComparisonHandlerDecidesEveryComparison) {
  Open(PersonsSelect);
  int calls = 0;
  // Ignoring case: "абрамович" and "Абрамович" are equal, nulls last.
  fDataSet->OnCompareFieldValues = [&calls](TField*, const Variant& a, const Variant& b) {
    ++calls;
    const bool nullA = VarIsNull(a), nullB = VarIsNull(b);
    if (nullA || nullB) return nullA == nullB ? 0 : (nullA ? 1 : -1);
    return std::clamp(AnsiCompareText(a.AsString(), b.AsString()), -1, 1);
  };
  fDataSet->SortByFields({"SURNAME"}, {true});
  EXPECT_GT(calls, 60);
  std::vector<Variant> walked;
  for (fDataSet->First(); !fDataSet->Eof(); fDataSet->Next()) walked.push_back(fDataSet->FieldByName("SURNAME")->Value());
  ASSERT_EQ(walked.size(), 60u);
  EXPECT_TRUE(VarIsNull(walked.back()));
  for (std::size_t i = 1; i < walked.size(); ++i)
    EXPECT_LE(fDataSet->OnCompareFieldValues(nullptr, walked[i - 1], walked[i]), 0) << i;
}

// The order a sort promises, found apart from it: each record's values read through its
// fields in the present order, then std::stable_sort by the default comparison (nulls
// first, 8-bit text by character code, wide text by code unit, numbers and moments by
// value, a descending field turned round).
std::vector<Integer> StableSortedIds(TDataSet& dataSet, const std::vector<std::string>& names,
                                     const std::vector<bool>& ascending) {
  struct TRow {
    Integer id;
    std::vector<Variant> values;
  };
  std::vector<TRow> rows;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    TRow row{dataSet.FieldByName("ID")->AsInteger(), {}};
    for (const std::string& name : names) row.values.push_back(dataSet.FieldByName(name)->Value());
    rows.push_back(std::move(row));
  }
  const auto compare = [](const Variant& a, const Variant& b) {
    const bool nullA = VarIsNull(a), nullB = VarIsNull(b);
    if (nullA || nullB) return nullA == nullB ? 0 : (nullA ? -1 : 1);
    switch (VarType(a) & varTypeMask) {
      case varString:
        return a.AsString().compare(b.AsString());
      case varOleStr:
        return a.AsWideString().compare(b.AsWideString());
      default:
        return a.AsDouble() < b.AsDouble() ? -1 : (b.AsDouble() < a.AsDouble() ? 1 : 0);
    }
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const TRow& x, const TRow& y) {
    for (std::size_t k = 0; k < names.size(); ++k) {
      const int result = compare(x.values[k], y.values[k]);
      if (result != 0) return ascending[k] ? result < 0 : result > 0;
    }
    return false;
  });
  std::vector<Integer> ids;
  for (const TRow& row : rows) ids.push_back(row.id);
  return ids;
}

// Titles far longer than the part of a key a comparison starts with, equal for 41 characters
// and ending in the characters 1 to 4 or in none; small integers, dates, doubles and moments
// with nulls and repeats, negative values among them; surnames and a UTF-8 column.
constexpr char KindsSelect[] =
    "select n.id, iif(mod(n.id, 7) = 0, null, 'Товариство з обмеженою відповідальністю \"' || "
    "mod(n.id * 5, 4) || iif(mod(n.id, 5) = 4, cast('' as varchar(1)), ascii_char(mod(n.id * 3, 4) + 1))) as title, "
    "iif(mod(n.id, 5) = 0, null, cast(mod(n.id * 13, 7) - 3 as smallint)) as small, "
    "iif(mod(n.id, 6) = 0, null, dateadd(mod(n.id * 11, 5) day to date '2000-01-01')) as day_, "
    "iif(mod(n.id, 4) = 0, null, cast(mod(n.id * 17, 9) - 4 as double precision) / 4) as real_, "
    "dateadd(mod(n.id * 7, 6) - 3 hour to timestamp '2000-01-01 00:00') as moment, p.surname, p.wide "
    "from numbers(240) n join p on p.id = mod(n.id, 60) + 1";

// Every list of fields, each flag, keeps the order std::stable_sort finds.
void ExpectEveryOrderOfAStableSort(TDataSet& dataSet, TFIBCustomDataSet& sorted) {
  struct TCase {
    std::vector<std::string> fields;
    std::vector<bool> ascending;
  };
  const TCase cases[] = {
      {{"TITLE", "DAY_"}, {true, false}},
      {{"TITLE", "SMALL"}, {false, true}},
      {{"SMALL", "REAL_", "TITLE"}, {true, false, true}},
      {{"REAL_", "MOMENT"}, {true, false}},
      {{"MOMENT", "DAY_", "SMALL", "ID"}, {false, true, false, false}},
      {{"TITLE", "SURNAME", "DAY_"}, {true, false, true}},
      {{"SURNAME", "WIDE", "SMALL"}, {true, false, true}},
      {{"WIDE", "SMALL"}, {true, true}},
  };
  for (const TCase& c : cases) {
    std::string trace;
    for (std::size_t k = 0; k < c.fields.size(); ++k) trace += c.fields[k] + (c.ascending[k] ? " " : " desc ");
    SCOPED_TRACE(trace);
    const std::vector<Integer> expected = StableSortedIds(dataSet, c.fields, c.ascending);
    sorted.SortByFields(std::vector<TSortFieldItem>(c.fields.begin(), c.fields.end()), c.ascending);
    EXPECT_EQ(Ids(dataSet), expected);
  }
}

TEST_F(SortingTest, LongEqualPrefixesRepeatsAndEveryKindFollowAStableSortOfTheValues) {
  Open(KindsSelect);
  ASSERT_EQ(fDataSet->FieldByName("TITLE")->DataType(), ftString);
  fDataSet->Locate("ID", 3, {});
  ASSERT_EQ(fDataSet->FieldByName("TITLE")->AsString().back(), '\x02');
  ExpectEveryOrderOfAStableSort(*fDataSet, *fDataSet);
}

// On a Unicode connection the texts are wide: compared one by one, around the other fields.
class UnicodeSortingTest : public PersonsTest {
 protected:
  UnicodeSortingTest() : PersonsTest("UTF8") {}
};

TEST_F(UnicodeSortingTest, WideTextsAmongOtherFieldsFollowAStableSortOfTheValues) {
  Open(KindsSelect);
  ASSERT_EQ(fDataSet->FieldByName("TITLE")->DataType(), ftWideString);
  ExpectEveryOrderOfAStableSort(*fDataSet, *fDataSet);
}

// Three texts that differ only by a trailing blank, and 1500 with up to two, in VARCHAR
// columns (of the connection's character set).
constexpr char ThreeBlankRows[] =
    "select 1 as id, cast('Ivanov' as varchar(30)) as s, 2 as n from rdb$database union all "
    "select 2, cast('Ivanov ' as varchar(30)), 1 from rdb$database union all "
    "select 3, cast('Ivanov' as varchar(30)), 3 from rdb$database";
constexpr char ManyBlankRows[] =
    "select n.id, cast('Iv' || ascii_char(97 + mod(n.id, 3)) || "
    "substring('   ' from 1 for mod(n.id / 3, 3)) as varchar(30)) as s, mod(n.id / 9 * 7 + n.id, 5) as n "
    "from numbers(1500) n";
struct TBlankRowOrder {
  std::array<const char*, 3> fields;
  const char* orderBy;
};
constexpr TBlankRowOrder BlankRowOrders[] = {
    {{"S", "N", "ID"}, "s, n, id"},
    {{"N", "S", "ID"}, "n, s, id"},
};

// The fields show texts without their trailing blanks (poTrimCharFields), and the sort
// (which reads a text longer than 12 characters straight from the cache, blanks and all)
// orders by what they show, as the server's ORDER BY, which pads the shorter text, does.
TEST_F(SortingTest, TrailingBlanksTheFieldsHideTakeNoPartInTheOrder) {
  Open(std::string("select * from (") + ThreeBlankRows + ")");
  fDataSet->SortByFields({"S", "N"}, {true, true});
  EXPECT_EQ(WalkRows(*fDataSet, {"N"}), "1;2;3");
  EXPECT_EQ(WalkRows(*fDataSet, {"ID"}), Oracle(std::string("select id from (") + ThreeBlankRows + ") order by s, n"));
  fDataSet->Close();

  Open(std::string("select * from (") + ManyBlankRows + ")");
  for (const auto& [fields, orderBy] : BlankRowOrders) {
    SCOPED_TRACE(orderBy);
    fDataSet->SortByFields(std::vector<TSortFieldItem>(fields.begin(), fields.end()), {true, true, true});
    EXPECT_EQ(WalkRows(*fDataSet, {"ID"}), Oracle(std::string("select id from (") + ManyBlankRows + ") order by " + orderBy));
  }
}

// On a Unicode connection the wide fields hide trailing blanks too, so the sort and a
// locate see what an 8-bit connection's fields show.
TEST_F(UnicodeSortingTest, TrailingBlanksTheWideFieldsHideTakeNoPartInOrderOrLocate) {
  Open(std::string("select * from (") + ThreeBlankRows + ") order by n");
  ASSERT_EQ(fDataSet->FieldByName("S")->DataType(), ftWideString);
  EXPECT_EQ(fDataSet->FieldByName("S")->AsString(), "Ivanov");
  ASSERT_TRUE(fDataSet->Locate("S", Variant(WideString(u"Ivanov")), {}));
  EXPECT_EQ(Id(), 2);
  fDataSet->SortByFields({"S", "N"}, {true, true});
  EXPECT_EQ(WalkRows(*fDataSet, {"ID"}), "2;1;3");
  EXPECT_EQ(WalkRows(*fDataSet, {"ID"}), Oracle(std::string("select id from (") + ThreeBlankRows + ") order by s, n"));
  fDataSet->Close();

  Open(std::string("select * from (") + ManyBlankRows + ")");
  for (const auto& [fields, orderBy] : BlankRowOrders) {
    SCOPED_TRACE(orderBy);
    fDataSet->SortByFields(std::vector<TSortFieldItem>(fields.begin(), fields.end()), {true, true, true});
    EXPECT_EQ(WalkRows(*fDataSet, {"ID"}), Oracle(std::string("select id from (") + ManyBlankRows + ") order by " + orderBy));
  }
}

// Doubles closer than the comparison's tolerance are equal to CompareFieldValues, so the
// next field decides between them, in a sort and in the re-placing of a posted record.
TEST_F(SortingTest, DoublesCloserThanTheToleranceAreEqualOnEveryRoute) {
  TFIBQuery change(nullptr);
  change.SetDatabase(fDatabase);
  change.SetTransaction(fTransaction);
  change.ExecuteImmediateBatch({"update p set amount = 1.000000000005, surname = 'a' where id = 1",
                                "update p set amount = 1.0, surname = 'b' where id = 2",
                                "update p set amount = 2.0, surname = 'c' where id = 3"});
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poKeepSorting});
  fDataSet->UpdateSQL().SetText("update p set amount = ?amount, surname = ?surname where id = ?old_id");
  Open("select id, amount, surname from p where id <= 3");
  fDataSet->SortByFields({"AMOUNT", "SURNAME"}, {true, true});
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{1, 2, 3}));
  ASSERT_TRUE(fDataSet->Locate("ID", 3, {}));
  fDataSet->Edit();
  fDataSet->FieldByName("AMOUNT")->SetAsFloat(1.000000000002);
  fDataSet->FieldByName("SURNAME")->SetAsString("aa");
  fDataSet->Post();
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{1, 3, 2}));
  fDataSet->SortByFields({"AMOUNT", "SURNAME"}, {true, true});
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{1, 3, 2}));
  fDataSet->SortByFields({"AMOUNT", "SURNAME"}, {false, false});
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{2, 3, 1}));
  fDataSet->Close();
  fTransaction->Rollback();
}

// Values just the tolerance apart are equal to the sort as to CompareFieldValues.
TEST_F(SortingTest, DoublesJustTheToleranceApartAreEqualToTheSortToo) {
  TFIBQuery change(nullptr);
  change.SetDatabase(fDatabase);
  change.SetTransaction(fTransaction);
  change.ExecuteImmediateBatch({"update p set amount = 1e-11, surname = 'a' where id = 1",
                                "update p set amount = 0, surname = 'b' where id = 2",
                                "update p set amount = 2.0, surname = 'c' where id = 3"});
  Open("select id, amount, surname from p where id <= 3");
  fDataSet->Last();
  TField* amount = fDataSet->FieldByName("AMOUNT");
  ASSERT_EQ(fDataSet->CompareFieldValues(amount, Variant(1e-11), Variant(0.0)), 0);
  fDataSet->SortByFields({"AMOUNT", "SURNAME"}, {true, true});
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{1, 2, 3}));
  fDataSet->Close();
  fTransaction->Rollback();
}

TEST_F(SortingTest, TheCursorStaysOnItsRecordAndEveryKindOfItemNamesAField) {
  Open(PersonsSelect);
  fDataSet->MoveBy(17);
  const Integer id = Id();
  TField* born = fDataSet->FieldByName("BORN");
  const std::vector<std::vector<TSortFieldItem>> lists{
      {TSortFieldItem(3)}, {born}, {"SURNAME"}, {AnsiString("AMOUNT")}, {WideString(u"N")},
      {Variant(2)}, {Variant(AnsiString("ID"))}, {'N'}};
  for (const auto& list : lists) {
    fDataSet->SortByFields(list, {false});
    EXPECT_EQ(Id(), id);
    ASSERT_EQ(fDataSet->OrderInfo().size(), 1u);
  }
  // The last list named no field called N: a one-letter name.
  EXPECT_EQ(fDataSet->OrderInfo().front().FieldName, "N");
}

// A link over several buffers, as a grid keeps: after the sort the cursor is on the record
// it was on, and the link's rows are the records around it in the new order.
TEST_F(SortingTest, TheCursorStaysOnItsRecordUnderALinkOfSeveralBuffers) {
  TDataSource source(&fForm);
  source.SetDataSet(fDataSet);
  TDataLink link;
  link.SetBufferCount(15);
  link.SetDataSource(&source);
  Open(PersonsSelect);
  struct TCase {
    std::vector<TSortFieldItem> fields;
    std::vector<bool> ascending;
  };
  const std::vector<TCase> cases{{{"SURNAME"}, {true}},
                                 {{"SURNAME"}, {false}},
                                 {{"N", "BORN"}, {true, false}},
                                 {{"AMOUNT", "SURNAME", "ID"}, {false, true, false}},
                                 {{"ID"}, {true}}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    fDataSet->First();
    fDataSet->MoveBy(5);
    const Integer id = Id();
    fDataSet->SortByFields(cases[i].fields, cases[i].ascending);
    EXPECT_EQ(Id(), id) << i;
    const Integer row = link.ActiveRecord();
    std::vector<Integer> shown;
    for (Integer r = 0; r < link.RecordCount(); ++r) {
      link.SetActiveRecord(r);
      shown.push_back(Id());
    }
    link.SetActiveRecord(row);
    const std::vector<Integer> order = Ids(*fDataSet);
    const auto at = std::find(order.begin(), order.end(), id) - order.begin();
    ASSERT_GE(at, row) << i;
    EXPECT_EQ(shown, std::vector<Integer>(order.begin() + (at - row),
                                          order.begin() + (at - row) + std::ssize(shown)))
        << i;
  }
  link.SetDataSource(nullptr);
}

TEST_F(SortingTest, BadFieldListsRaiseBeforeAnythingMoves) {
  Open(PersonsSelect);
  fDataSet->SortByFields({"N"}, {true});
  const std::vector<Integer> before = Ids(*fDataSet);
  const TOrderInfo order = fDataSet->OrderInfo();
  TStringList names;
  names.Add("SURNAME");
  names.Add("NOPE");
  EXPECT_THROW(fDataSet->SortByFieldNames(names, {true, true}), EDatabaseError);
  try {
    fDataSet->SortByFields({"ID", Variant(1.5)}, {true, true});
    ADD_FAILURE() << "an unsupported item sorted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Can't sort. Invalid parameter:Fields[1]");
  }
  TpFIBDataSet other(&fForm);
  EXPECT_THROW(fDataSet->SortByFields({TSortFieldItem(99)}, {true}), EDatabaseError);
  EXPECT_THROW(fDataSet->SortByFields({"SURNAME", "ID"}, {true}), EDatabaseError);
  EXPECT_EQ(Ids(*fDataSet), before);
  EXPECT_EQ(fDataSet->OrderInfo(), order);
}

TEST_F(SortingTest, OneFetchedRecordKeepsTheOrderInformation) {
  Open("select id, n from p where id = 3");
  fDataSet->SortByFields({"N"}, {false});
  EXPECT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"N", false}}));
  EXPECT_TRUE(fDataSet->Sorted());
  EXPECT_EQ(Id(), 3);
}

TEST_F(SortingTest, APostKeepsTheOrderOnlyWhenAsked) {
  fDataSet->UpdateSQL().SetText("update p set n = ?n where id = ?old_id");
  fDataSet->InsertSQL().SetText("insert into p (id, n) values (?id, ?n)");
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep);
    fDataSet->SetOptions(keep ? fDataSet->Options() + TpFIBDsOptions{poKeepSorting}
                              : fDataSet->Options() - TpFIBDsOptions{poKeepSorting});
    Open("select id, n from p where n is not null");
    fDataSet->SortByFields({"N"}, {true});
    fDataSet->First();
    const Integer id = Id();
    fDataSet->Edit();
    fDataSet->FieldByName("N")->SetAsInteger(100);
    fDataSet->Post();
    EXPECT_EQ(Id(), id);
    if (keep) {
      EXPECT_EQ(fDataSet->RecNo(), fDataSet->RecordCount());
      fDataSet->Insert();
      fDataSet->FieldByName("ID")->SetAsInteger(1000);
      fDataSet->FieldByName("N")->SetAsInteger(5);
      fDataSet->Post();
      EXPECT_EQ(Id(), 1000);
      EXPECT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"N", true}}));
      EXPECT_EQ(WalkRows(*fDataSet, {"N"}),
                Oracle("select n from p where n is not null and id <> " + std::to_string(id) +
                       " union all select 100 from rdb$database union all select 5 from rdb$database order by 1"));
    } else {
      EXPECT_TRUE(fDataSet->OrderInfo().empty());
      EXPECT_FALSE(fDataSet->Sorted());
      EXPECT_EQ(fDataSet->RecNo(), 1);
    }
    fDataSet->Close();
    fTransaction->Rollback();
    fTransaction->StartTransaction();
  }
}

TEST_F(SortingTest, ARefreshedRecordGoesWhereItsNewValuesBelong) {
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poKeepSorting});
  fDataSet->RefreshSQL().SetText("select id, n from p where id = ?old_id");
  Open("select id, n from p where n is not null");
  fDataSet->SortByFields({"N"}, {false});
  fDataSet->Last();
  const Integer id = Id();
  TFIBQuery change(nullptr);
  change.SetDatabase(fDatabase);
  change.SetTransaction(fTransaction);
  change.SQL().SetText("update p set n = 99 where id = " + std::to_string(id));
  change.ExecQuery();
  fDataSet->Refresh();
  EXPECT_EQ(Id(), id);
  EXPECT_EQ(fDataSet->RecNo(), 1);
  EXPECT_EQ(fDataSet->FieldByName("N")->AsInteger(), 99);
}

TEST_F(SortingTest, PersistentSortingSortsAgainAfterAReopen) {
  fDataSet->SetOptions(fDataSet->Options() + TpFIBDsOptions{poPersistentSorting});
  Open("select id, n from p order by id");
  fDataSet->SortByFields({"ID"}, {false});
  fDataSet->Close();
  fDataSet->Open();
  EXPECT_EQ(Id(), 60);
  EXPECT_TRUE(fDataSet->Sorted());
  EXPECT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"ID", false}}));
  // Without the option the select's ORDER BY is the order again, its items found by field
  // name, by alias and column, by position, and by a column under an alias of its own.
  fDataSet->Close();
  fDataSet->SelectSQL().SetText("select x.id, x.n as amount_n, x.born from p x order by x.born desc, 2, n");
  fDataSet->Open();
  EXPECT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"BORN", false}, {"AMOUNT_N", true}, {"AMOUNT_N", true}}));
  EXPECT_FALSE(fDataSet->Sorted());
  fDataSet->Close();
  fDataSet->SelectSQL().SetText("select id, n from p order by id");
  fDataSet->SetOptions(fDataSet->Options() - TpFIBDsOptions{poPersistentSorting});
  fDataSet->Close();
  fDataSet->Open();
  EXPECT_EQ(Id(), 1);
  EXPECT_FALSE(fDataSet->Sorted());
  EXPECT_EQ(fDataSet->OrderInfo(), (TOrderInfo{{"ID", true}}));
}

TEST_F(SortingTest, MovingRecordsAndRecordNumbers) {
  Open("select id from p where id <= 10 order by id");
  fDataSet->MoveRecord(1, 1000);
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{2, 3, 4, 5, 6, 7, 8, 9, 10, 1}));
  fDataSet->MoveRecord(10, 2);
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
  for (const auto& [from, to] : {std::pair{0, 1}, {11, 1}, {1, 0}, {-5, 3}}) {
    SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
    EXPECT_THROW(fDataSet->MoveRecord(from, to), EDatabaseError);
  }
  EXPECT_EQ(Ids(*fDataSet), (std::vector<Integer>{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));

  fDataSet->SetRecNo(4);
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(fDataSet->RecNo(), 4);
  fDataSet->SetRecNo(1000);
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(fDataSet->RecNo(), 10);
  fDataSet->SetRecNo(-3);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(fDataSet->RecNo(), 1);
}

// The permutation that makes a quicksort on the middle element split off one record per
// round: simulating its exchanges, each round's middle gets the largest value left.
std::vector<Integer> MiddlePivotKiller(Integer count) {
  std::vector<Integer> position(static_cast<std::size_t>(count)), value(position.size());
  for (Integer i = 0; i < count; ++i) position[static_cast<std::size_t>(i)] = i;
  Integer next = count - 1;
  for (Integer right = count - 1; right > 0; --right) {
    const auto middle = static_cast<std::size_t>(right / 2);
    value[static_cast<std::size_t>(position[middle])] = next--;
    std::swap(position[middle], position[static_cast<std::size_t>(right)]);
  }
  value[static_cast<std::size_t>(position[0])] = next;
  return value;
}

TEST_F(SortingTest, AMillionRecordsInAnOrderAgainstTheMiddlePivot) {
  constexpr Integer Count = 1000000;
  const std::vector<Integer> keys = MiddlePivotKiller(Count);
  ASSERT_EQ(std::set<Integer>(keys.begin(), keys.end()).size(), static_cast<std::size_t>(Count));
  Open("select id from numbers(" + std::to_string(Count) + ")");
  fDataSet->Close();
  auto* key = new TIntegerField(fDataSet);
  key->SetFieldName("K");
  key->SetFieldKind(fkCalculated);
  key->SetDataSet(fDataSet);
  auto* id = new TFIBIntegerField(fDataSet);
  id->SetFieldName("ID");
  id->SetDataSet(fDataSet);
  fDataSet->OnCalcFields = [&keys, id, key](TDataSet*) {
    key->SetAsInteger(keys[static_cast<std::size_t>(id->AsInteger())]);
  };
  fDataSet->Open();
  fDataSet->SortByFields({"K"}, {true});
  ASSERT_EQ(fDataSet->FetchedCount(), Count);
  fDataSet->First();
  Integer expected = 0;
  for (; !fDataSet->Eof() && key->AsInteger() == expected; fDataSet->Next()) ++expected;
  EXPECT_EQ(expected, Count);
}

}  // namespace
}  // namespace ordvane::test

// The grid's generic text search over the in-memory dataset: matching, direction, all
// columns, display text, Cyrillic without case, and the way back when nothing is found.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;

// Six persons; columns ID (shown as three digits), NAME and CODE.
struct LocateFixture : DataGridFixture<> {
  LocateFixture() : DataGridFixture<>(0) {
    const char* names[] = {"Alpha", "beta", "Іваненко", "alphabet", "ґонта", "Omega"};
    const char* codes[] = {"a1", "b2", "c3", "d4", "e5", "al"};
    for (int i = 0; i < 6; ++i)
      data.AppendRecord({Variant(i + 1), Variant(Utf8ToAnsi(names[i])), Variant(codes[i]), Variant(1),
                         Variant("note"), Variant(false)});
    Column("ID")->SetDisplayFormat("000");
    Column("NAME");
    Column("CODE");
    data.First();
    ui.Process();
  }

  // The search from record `from` (1-based); the ID of the record it stands on after.
  int Locate(int from, const AnsiString& text, TLocateTextOptionsEh options, TLocateTextDirectionEh direction,
             TLocateTextMatchingEh matching, bool* found = nullptr, const AnsiString& fieldName = "NAME") {
    data.SetRecNo(from);
    const bool result = LocateTextInGrid(*grid, fieldName, text, options, direction, matching);
    if (found != nullptr) *found = result;
    return Field("ID")->AsInteger();
  }
};

constexpr TLocateTextOptionsEh kNoCase{ltoCaseInsensitiveEh};

TEST(LocateText, MatchingWholeFromTheBeginningOrAnyPart) {
  LocateFixture f;
  bool found = false;
  EXPECT_EQ(f.Locate(3, "alpha", kNoCase, ltdAllEh, ltmWholeEh, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(f.Locate(3, "alpha", {}, ltdAllEh, ltmWholeEh, &found), 3);
  EXPECT_FALSE(found);
  EXPECT_EQ(f.Locate(3, "alpha", {}, ltdAllEh, ltmFromBeginingEh), 4);
  EXPECT_EQ(f.Locate(3, "ALPHA", kNoCase, ltdAllEh, ltmFromBeginingEh), 1);
  EXPECT_EQ(f.Locate(1, "ph", {}, ltdAllEh, ltmAnyPartEh), 1);
  EXPECT_EQ(f.Locate(1, "ga", {}, ltdAllEh, ltmAnyPartEh), 6);
  // A text longer than the value does not match from the beginning.
  EXPECT_EQ(f.Locate(2, "betamax", {}, ltdAllEh, ltmFromBeginingEh, &found), 2);
  EXPECT_FALSE(found);
}

TEST(LocateText, DirectionsStartBesideTheCurrentRecordAndStopAtTheEnd) {
  LocateFixture f;
  bool found = false;
  EXPECT_EQ(f.Locate(4, "a", kNoCase, ltdDownEh, ltmAnyPartEh), 6);
  EXPECT_EQ(f.Locate(4, "a", kNoCase, ltdUpEh, ltmAnyPartEh), 2);
  // The current record itself is not tested, and none is tested twice at the ends.
  EXPECT_EQ(f.Locate(6, "Omega", {}, ltdDownEh, ltmWholeEh, &found), 6);
  EXPECT_FALSE(found);
  EXPECT_EQ(f.Locate(1, "Alpha", {}, ltdUpEh, ltmWholeEh, &found), 1);
  EXPECT_FALSE(found);
  EXPECT_EQ(f.Locate(5, "Omega", {}, ltdDownEh, ltmWholeEh, &found), 6);
  EXPECT_TRUE(found);
  EXPECT_EQ(f.Locate(2, "Alpha", {}, ltdUpEh, ltmWholeEh), 1);
  // All starts at the first record, the current one included.
  EXPECT_EQ(f.Locate(6, "Omega", {}, ltdAllEh, ltmWholeEh, &found), 6);
  EXPECT_TRUE(found);
}

TEST(LocateText, AllColumnsSelectTheMatchedColumn) {
  LocateFixture f;
  f.data.SetRecNo(1);
  f.grid->SetSelectedIndex(1);  // NAME
  // The cells after NAME on the first record, then the next records' cells.
  EXPECT_TRUE(LocateTextInGrid(*f.grid, "", "b2", {ltoAllFieldsEh}, ltdDownEh, ltmWholeEh));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 2);
  EXPECT_EQ(f.grid->SelectedIndex(), 2);
  // The ID column's field text, not its display text, unless asked.
  f.grid->SetSelectedIndex(0);
  EXPECT_FALSE(LocateTextInGrid(*f.grid, "", "004", {ltoAllFieldsEh}, ltdAllEh, ltmWholeEh));
  EXPECT_TRUE(LocateTextInGrid(*f.grid, "", "004", {ltoAllFieldsEh, ltoMatchFormatEh}, ltdAllEh, ltmWholeEh));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 4);
  EXPECT_EQ(f.grid->SelectedIndex(), 0);
  // Without a field name the selected column is searched.
  f.grid->SetSelectedIndex(2);
  EXPECT_TRUE(LocateTextInGrid(*f.grid, "", "al", {}, ltdAllEh, ltmWholeEh));
  EXPECT_EQ(f.Field("ID")->AsInteger(), 6);
  // A field name picks its column.
  EXPECT_EQ(f.Locate(1, "e5", {}, ltdAllEh, ltmWholeEh, nullptr, "code"), 5);
  EXPECT_EQ(f.grid->SelectedIndex(), 2);
}

TEST(LocateText, CyrillicWithoutCase) {
  LocateFixture f;
  bool found = false;
  EXPECT_EQ(f.Locate(1, Utf8ToAnsi("іВАНЕНКО"), kNoCase, ltdAllEh, ltmWholeEh), 3);
  EXPECT_EQ(f.Locate(1, Utf8ToAnsi("ҐОН"), kNoCase, ltdAllEh, ltmFromBeginingEh), 5);
  EXPECT_EQ(f.Locate(1, Utf8ToAnsi("ІВАНЕНКО"), {}, ltdAllEh, ltmWholeEh, &found), 1);
  EXPECT_FALSE(found);
}

TEST(LocateText, NotFoundReturnsToTheRecordAndTheWindow) {
  DataGridFixture<> f(60);
  f.FitDataRows(10);
  f.data.SetRecNo(30);
  f.data.MoveBy(-3);
  const int activeRecord = f.grid->DataLink().ActiveRecord();
  const int row = f.grid->Row();
  for (const TLocateTextDirectionEh direction : {ltdUpEh, ltdDownEh, ltdAllEh}) {
    EXPECT_FALSE(LocateTextInGrid(*f.grid, "NAME", "absent", kNoCase, direction, ltmAnyPartEh));
    EXPECT_EQ(f.data.RecNo(), 27);
    EXPECT_EQ(f.grid->DataLink().ActiveRecord(), activeRecord);
    EXPECT_EQ(f.grid->Row(), row);
    EXPECT_FALSE(f.data.ControlsDisabled());
  }
  // Nothing to search: a closed dataset, or no visible column.
  f.data.Close();
  EXPECT_FALSE(LocateTextInGrid(*f.grid, "NAME", "name", kNoCase, ltdAllEh, ltmAnyPartEh));
}

}  // namespace
}  // namespace ordvane

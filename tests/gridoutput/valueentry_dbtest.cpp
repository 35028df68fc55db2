// Values typed, picked and pasted into the grid and the data-aware edits over a UTF8
// Firebird table under the Ukrainian settings: each is stored as meant, as isql-fb reads
// it back, or refused with a message that names the field; nothing is stored as
// something else.

#include <gtest/gtest.h>

#include "classlib/core/DateTime.h"
#include "classlib/ui/Clipbrd.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "gridoutput/DBGridEhImpExp.h"
#include "tests/grid/FirebirdGridSupport.h"

namespace ordvane {
namespace {

using namespace test;

constexpr const char* kColumns[] = {"SMALL_N", "INT_N", "BIG_N", "DEC_N", "DBL_N",  "DAY_D",
                                    "TIME_T",  "MOMENT", "NAME", "CODE",  "FLAG"};

class ValueEntryDb : public testing::Test, protected FirebirdGridFixture {
 protected:
  ValueEntryDb() : FirebirdGridFixture(fEntriesDb) {
    // Two-digit years depend on the year of the clock.
    SetDateTimeClock([] { return EncodeDate(2026, 5, 14) + EncodeTime(10, 0, 0, 0); });
    TAutoUpdateOptions& options = fDataSet->AutoUpdateOptions();
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetKeyFields("ID");
    options.SetUpdateTableName("ENTRIES");
    fDataSet->SetAutoCommit(true);
    OpenDataSet("UTF8", "select * from ENTRIES order by ID");
    PlaceGrid({}, {});
    for (const char* name : kColumns) fGrid->Columns().Add()->SetFieldName(name);
    fGrid->SetOptions(fGrid->Options() + TDBGridOptions{dgEditing});
    fUi.Process();
  }

  int ColumnOf(const char* field) {
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
      if (std::string(kColumns[i]) == field) return i;
    ADD_FAILURE() << field;
    return 0;
  }
  // Opens the cell editor on a row's cell with its text selected.
  void EditCell(int id, const char* field) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fGrid->SetFocus();
    fGrid->SetSelectedIndex(ColumnOf(field));
    fGrid->ShowEditor();
    fUi.Process();
    ASSERT_NE(fGrid->InplaceEditor(), nullptr);
    fGrid->InplaceEditor()->SelectAll();
  }
  // Types over a cell's text and posts the row; the messages of what was refused.
  std::vector<std::string> TypeIntoCell(int id, const char* field, const std::string& text) {
    const ReportedErrors errors;
    EditCell(id, field);
    fUi.Type(text);
    fUi.Press(VK_RETURN);
    fUi.Process();
    if (fDataSet->State() != dsBrowse) {
      try {
        fDataSet->Post();
      } catch (Exception& e) {
        std::vector<std::string> messages = errors.messages;
        messages.push_back(e.Message());
        fDataSet->Cancel();
        return messages;
      }
    }
    return errors.messages;
  }
  // Puts a value back with isql-fb and reads the row again.
  void Restore(int id, const char* field, const std::string& literal) {
    fDataSet->Close();
    if (fTransaction->Active()) fTransaction->Commit();
    fDb.Isql(std::string("update entries set ") + field + " = " + literal + " where id = " + std::to_string(id) +
             ";\ncommit;\n");
    fTransaction->StartTransaction();
    fDataSet->Open();
  }
  std::string Stored(int id, const char* field) {
    return IsqlRows(fDb, std::string("select ") + field + " from entries where id = " + std::to_string(id));
  }

  ~ValueEntryDb() override { SetDateTimeClock(nullptr); }

  TestDatabase fEntriesDb{"grid/entries.sql", DatabaseOptions{3, "UTF8"}};
};

// What the data-aware date and time edits store, typed with their separators, under the
// Ukrainian settings ("." and ":"): the row's other parts stay.
TEST_F(ValueEntryDb, DatesAndTimesTypedIntoTheDateEditAreStoredAsMeant) {
  const struct {
    TDateTimeKindEh kind;
    const char* typed;
    const char* stored;  // the moment of row 1 after leaving the edit
  } cases[] = {
      {dtkDateEh, "02.03.2004", "2004-03-02 16:05:00.6780"},
      {dtkDateEh, "2.3.2004", "2004-03-02 16:05:00.6780"},
      {dtkDateEh, "02032004", "2004-03-02 16:05:00.6780"},
      // An impossible day is the month's last.
      {dtkDateEh, "29.02.2023", "2023-02-28 16:05:00.6780"},
      {dtkDateEh, "31.02.2024", "2024-02-29 16:05:00.6780"},
      // A two-digit year falls in the class library's century window, as in the grid.
      {dtkDateEh, "01.02.70", "2070-02-01 16:05:00.6780"},
      // The fraction of a second, which no edit shows, stays.
      {dtkTimeEh, "23:59", "2003-02-01 23:59:00.6780"},
      {dtkTimeEh, "7:5", "2003-02-01 07:05:00.6780"},
      {dtkDateTimeEh, "02.03.2004 17:06:07", "2004-03-02 17:06:07.6780"},
      {dtkDateTimeEh, "01.02.2003 16:05:00", "2003-02-01 16:05:00.6780"},
  };
  auto* other = new TEdit(fForm.get());
  other->SetParent(fForm.get());
  other->SetBounds(10, 400, 100, 21);
  for (const auto& c : cases) {
    auto* edit = new TDBDateTimeEditEh(fForm.get());
    edit->SetParent(fForm.get());
    edit->SetBounds(10, 320, 200, 21);
    edit->SetKind(c.kind);
    edit->SetDataSource(&fSource);
    edit->SetDataField("MOMENT");
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
    fUi.Process();
    edit->SetFocus();
    fUi.Process();
    edit->SelectAll();
    fUi.Type(c.typed);
    other->SetFocus();
    fUi.Process();
    fDataSet->Post();
    EXPECT_EQ(Stored(1, "MOMENT"), c.stored) << c.typed;
    delete edit;
    Restore(1, "MOMENT", "'2003-02-01 16:05:00.6789'");
  }
}

}  // namespace
}  // namespace ordvane

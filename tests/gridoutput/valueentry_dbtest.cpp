// Values typed, picked and pasted into the grid and the data-aware edits over a UTF8
// Firebird table under the Ukrainian settings: each is stored as meant, as isql-fb reads
// it back, or refused with a message that names the field; nothing is stored as
// something else.

#include <gtest/gtest.h>

#include "classlib/core/DateTime.h"
#include "classlib/core/FormatSettings.h"
#include "classlib/core/ScopeEnd.h"
#include "classlib/ui/Clipbrd.h"
#include "grid/DBGridEhInplaceEdit.h"
#include "gridbase/DBCtrlsEh.h"
#include "gridbase/DBDateTimeEditEh.h"
#include "gridoutput/DBGridEhImpExp.h"
#include "tests/grid/FirebirdGridSupport.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

using namespace test;

constexpr const char* kColumns[] = {"SMALL_N", "INT_N",  "BIG_N", "DEC_N", "DBL_N", "DAY_D",
                                    "TIME_T",  "MOMENT", "NAME",  "CODE",  "FLAG"};

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
    fOther = new TEdit(fForm.get());
    fOther->SetParent(fForm.get());
    fOther->SetBounds(10, 400, 100, 21);
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
  TDBGridInplaceEdit* CellEditor() { return dynamic_cast<TDBGridInplaceEdit*>(fGrid->InplaceEditor()); }
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
  // A data-aware edit below the grid, bound to a field of the row it is on.
  template <class Edit>
  Edit* Bound(const char* field, int id) {
    auto* edit = new Edit(fForm.get());
    edit->SetParent(fForm.get());
    edit->SetBounds(10, 320, 200, 21);
    edit->SetDataSource(&fSource);
    edit->SetDataField(field);
    EXPECT_TRUE(fDataSet->Locate("ID", Variant(id), {}));
    fUi.Process();
    return edit;
  }
  // Types into an edit (over its whole text, or at its end) and leaves it; the messages of
  // what was refused.
  std::vector<std::string> TypeIntoEdit(TCustomDBEditEh* edit, const std::string& text, bool over = true) {
    const ReportedErrors errors;
    edit->SetFocus();
    fUi.Process();
    if (over)
      edit->SelectAll();
    else
      fUi.Press(VK_END);
    fUi.Type(text);
    fOther->SetFocus();
    fUi.Process();
    return errors.messages;
  }
  // Row 2 holds what was typed (the start of isql-fb's text: a CHAR is padded), or, when
  // it was refused, what it held before and every message names the field.
  void ExpectStoredOrRefused(const char* field, const char* typed, const char* stored,
                             const std::string& before, const std::vector<std::string>& messages) {
    if (stored != nullptr) {
      EXPECT_TRUE(messages.empty()) << field << " " << typed << ": " << testing::PrintToString(messages);
      EXPECT_EQ(Stored(2, field).substr(0, std::string(stored).size()), stored) << typed;
      return;
    }
    EXPECT_FALSE(messages.empty()) << field << " " << typed;
    for (const std::string& message : messages) EXPECT_NE(message.find(field), std::string::npos) << message;
    EXPECT_EQ(Stored(2, field), before) << typed;
  }
  // Puts a value back with isql-fb and reads the row again.
  void Restore(int id, const char* field, const std::string& literal) {
    fDataSet->Close();
    if (fTransaction->Active()) fTransaction->Commit();
    fDb.Isql(std::string("update entries set ") + field + " = " + literal +
             " where id = " + std::to_string(id) + ";\ncommit;\n");
    fTransaction->StartTransaction();
    fDataSet->Open();
  }
  std::string Stored(int id, const char* field) {
    return IsqlRows(fDb, std::string("select ") + field + " from entries where id = " + std::to_string(id));
  }

  ~ValueEntryDb() override { SetDateTimeClock(nullptr); }

  TestDatabase fEntriesDb{"grid/entries.sql", DatabaseOptions{3, "UTF8"}};
  TEdit* fOther = nullptr;  // where the focus goes when an edit is left
};

// A value typed into a column, and what the server then holds (nullptr: refused).
struct TypedValue {
  const char* field;
  const char* typed;
  const char* stored;
};

// A value of every column type typed into the grid's cell of the empty row: stored as
// meant, or refused with a message naming the field and the row left as it was.
TEST_F(ValueEntryDb, ValuesTypedIntoTheGridAreStoredAsMeantOrRefused) {
  const TypedValue cases[] = {
      {"SMALL_N", "-32768", "-32768"},
      {"SMALL_N", "40000", nullptr},
      {"INT_N", "2147483647", "2147483647"},
      {"BIG_N", "9007199254740993", "9007199254740993"},
      {"DEC_N", "123456789012345,6789", "123456789012345.6789"},
      {"DEC_N", "-0,0001", "-0.0001"},
      {"DEC_N", "1,2,3", nullptr},
      {"DBL_N", "2,5", "2.500000000000000"},
      {"DAY_D", "29.02.2024", "2024-02-29"},
      {"DAY_D", "01.02.70", "2070-02-01"},
      {"DAY_D", "31.02.2024", nullptr},
      {"TIME_T", "23:59", "23:59:00.0000"},
      {"MOMENT", "02.03.2004 17:06:07", "2004-03-02 17:06:07.0000"},
      {"NAME", "Їжак", "Їжак"},
      {"CODE", "xyz", "xyz"},
  };
  for (const auto& c : cases) {
    const std::string before = Stored(2, c.field);
    ExpectStoredOrRefused(c.field, c.typed, c.stored, before, TypeIntoCell(2, c.field, c.typed));
  }
}

// The same values typed into a data-aware edit bound to each column of the empty row, and
// the decimal of row 1 shown and kept whole by an edit that only passes through it.
TEST_F(ValueEntryDb, ValuesTypedIntoTheDataAwareEditAreStoredAsMeantOrRefused) {
  const TypedValue cases[] = {
      {"SMALL_N", "-32768", "-32768"},
      {"SMALL_N", "40000", nullptr},
      {"BIG_N", "9007199254740993", "9007199254740993"},
      {"DEC_N", "123456789012345,6789", "123456789012345.6789"},
      {"DEC_N", "1,2,3", nullptr},
      {"DBL_N", "2,5", "2.500000000000000"},
      {"NAME", "Їжак", "Їжак"},
      {"CODE", "xyz", "xyz"},
  };
  for (const auto& c : cases) {
    auto* edit = Bound<TCustomDBEditEh>(c.field, 2);
    const std::string before = Stored(2, c.field);
    const std::vector<std::string> messages = TypeIntoEdit(edit, c.typed);
    if (messages.empty())
      fDataSet->Post();
    else
      fDataSet->Cancel();
    ExpectStoredOrRefused(c.field, c.typed, c.stored, before, messages);
    delete edit;
  }

  auto* decimal = Bound<TCustomDBEditEh>("DEC_N", 1);
  const AnsiString group(1, FormatSettings().ThousandSeparator);
  EXPECT_EQ(decimal->Text(), "123" + group + "456" + group + "789" + group + "012" + group + "345,6789");
  decimal->SetFocus();
  fUi.Process();
  EXPECT_EQ(decimal->Text(), "123456789012345,6789") << "the edit text";
  EXPECT_TRUE(TypeIntoEdit(decimal, "0", false).empty());
  fDataSet->Post();
  EXPECT_EQ(Stored(1, "DEC_N"), "123456789012345.6789") << "a zero typed after the last place";
}

// The cell's text shows the moment to the second: a date typed over it keeps the time and
// the fraction of a second the text does not show.
TEST_F(ValueEntryDb, AnEditOfTheDateInACellKeepsWhatItsTextDoesNotShow) {
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
  ASSERT_EQ(fDataSet->FieldByName("MOMENT")->Text(), "01.02.2003 16:05:00");
  EXPECT_TRUE(TypeIntoCell(1, "MOMENT", "02.02.2003 16:05:00").empty());
  EXPECT_EQ(Stored(1, "MOMENT"), "2003-02-02 16:05:00.6780");
  EXPECT_TRUE(TypeIntoCell(1, "MOMENT", "03.02.2003").empty());
  EXPECT_EQ(Stored(1, "MOMENT"), "2003-02-03 00:00:00.0000") << "a time blanked out is no time";
}

// What the data-aware date and time edits store, typed with their separators, under the
// Ukrainian settings ("." and ":"): the row's other parts stay.
TEST_F(ValueEntryDb, DatesAndTimesTypedIntoTheDateEditAreStoredAsMeant) {
  const struct {
    TDateTimeKindEh kind;
    const char* typed;
    const char* stored;  // the moment of row 1 after leaving the edit
  } cases[] = {
      {dtkDateEh, "02.03.2004", "2004-03-02 16:05:00.6789"},
      {dtkDateEh, "2.3.2004", "2004-03-02 16:05:00.6789"},
      {dtkDateEh, "02032004", "2004-03-02 16:05:00.6789"},
      // An impossible day is the month's last.
      {dtkDateEh, "29.02.2023", "2023-02-28 16:05:00.6789"},
      {dtkDateEh, "31.02.2024", "2024-02-29 16:05:00.6789"},
      // A two-digit year falls in the class library's century window, as in the grid.
      {dtkDateEh, "01.02.70", "2070-02-01 16:05:00.6789"},
      // The fraction of a second, which no edit shows, stays.
      {dtkTimeEh, "23:59", "2003-02-01 23:59:00.6780"},
      {dtkTimeEh, "7:5", "2003-02-01 07:05:00.6780"},
      {dtkDateTimeEh, "02.03.2004 17:06:07", "2004-03-02 17:06:07.6780"},
      {dtkDateTimeEh, "01.02.2003 16:05:00", "2003-02-01 16:05:00.6789"},
  };
  for (const auto& c : cases) {
    auto* edit = Bound<TDBDateTimeEditEh>("MOMENT", 1);
    edit->SetKind(c.kind);
    EXPECT_TRUE(TypeIntoEdit(edit, c.typed).empty()) << c.typed;
    fDataSet->Post();
    EXPECT_EQ(Stored(1, "MOMENT"), c.stored) << c.typed;
    delete edit;
    Restore(1, "MOMENT", "'2003-02-01 16:05:00.6789'");
  }
}

// The default time formats count the hours to twelve only where the settings have texts
// that tell the afternoon.
TEST_F(ValueEntryDb, DefaultTimeFormatsShowAClockTheSettingsCanTell) {
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
  EXPECT_EQ(fDataSet->FieldByName("TIME_T")->DisplayText(), "16:05");
  EXPECT_EQ(fDataSet->FieldByName("MOMENT")->DisplayText(), "01.02.2003 16:05");
  TFormatSettings& settings = FormatSettings();
  const TScopeEnd restore([&settings, saved = settings] { settings = saved; });
  settings.TimeAMString = "AM";
  settings.TimePMString = "PM";
  fDataSet->Close();
  fDataSet->Open();
  ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
  EXPECT_EQ(fDataSet->FieldByName("TIME_T")->DisplayText(), "04:05 PM");
}

// Row 1's cells of every column, copied and pasted into row 2 as the grid's
// values and as the text another program would paste: both rows then hold the same.
TEST_F(ValueEntryDb, CopiedCellsPasteBackAsTheSameValues) {
  constexpr const char* copied =
      "small_n, int_n, big_n, dec_n, dbl_n, day_d, time_t, moment, name, code, flag";
  // A text shows no seconds: the moment copied has none.
  Restore(1, "MOMENT", "'2003-02-01 16:05:00'");
  const AnsiString group(1, FormatSettings().ThousandSeparator);
  const AnsiString shown = "1\t1\t1\t123" + group + "456" + group + "789" + group + "012" + group +
                           "345,6789\t2,5\t01.02.2003\t16:05\t01.02.2003 16:05\t" + A("Іван") +
                           "\tab\tTrue\r\n";
  for (const bool asText : {false, true}) {
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(1), {}));
    fGrid->Selection().Rect().Select(ColumnOf("SMALL_N"), fDataSet->Bookmark(), false);
    fGrid->Selection().Rect().Select(ColumnOf("FLAG"), fDataSet->Bookmark(), true);
    GridCopyToClipboard(*fGrid);
    if (asText) {
      const AnsiString text = Clipboard()->AsText();
      Clipboard()->SetAsText(text);
    }
    EXPECT_EQ(Clipboard()->AsText(), shown);
    ASSERT_TRUE(fDataSet->Locate("ID", Variant(2), {}));
    fGrid->Selection().Clear();
    fGrid->SetSelectedIndex(ColumnOf("SMALL_N"));
    GridPasteFromClipboard(*fGrid);
    const std::string first = IsqlRows(fDb, std::string("select ") + copied + " from entries where id = 1");
    EXPECT_EQ(IsqlRows(fDb, std::string("select ") + copied + " from entries where id = 2"), first) << asText;
  }
}

// The grid's drop-downs: a day picked in the calendar of a moment keeps its time of day,
// and the calculator accepted as it opened gives back every digit of the decimal.
TEST_F(ValueEntryDb, DropDownsOfTheGridKeepWhatThePickDoesNotChange) {
  EditCell(1, "MOMENT");
  fUi.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(CellEditor()->ListVisible());
  fUi.Press(VK_RIGHT);
  fUi.Press(VK_RETURN);
  fDataSet->Post();
  EXPECT_EQ(Stored(1, "MOMENT"), "2003-02-02 16:05:00.6789");

  fGrid->Columns().Items(ColumnOf("DEC_N"))->SetButtonStyle(cbsDropDown);
  EditCell(1, "DEC_N");
  fUi.Press(VK_DOWN, {ssAlt});
  ASSERT_TRUE(CellEditor()->ListVisible());
  fUi.Press(VK_RETURN);
  fDataSet->Post();
  EXPECT_EQ(Stored(1, "DEC_N"), "123456789012345.6789");
  // A result computed in the calculator is stored as it shows.
  EditCell(1, "DEC_N");
  fUi.Press(VK_DOWN, {ssAlt});
  fUi.Type("*2=");
  fUi.Press(VK_RETURN);
  fDataSet->Post();
  EXPECT_EQ(Stored(1, "DEC_N"), "246913578024691.0000");
}

// A text longer than its column, typed into the grid or the data-aware edit, is refused
// with a message that names the field and the text, not cut and not the server's words.
TEST_F(ValueEntryDb, ATextLongerThanItsColumnIsRefusedNamingTheField) {
  constexpr const char* longName = "Іваненко Петро";
  // Every attempt (leaving the cell, then posting) is refused with the same words.
  const auto refusal = [](const std::vector<std::string>& messages) {
    return !messages.empty() && std::all_of(messages.begin(), messages.end(), [](const std::string& message) {
      return message == "'" + A(longName) + "' is too long for field 'NAME' (at most 10 characters)";
    });
  };
  std::vector<std::string> messages = TypeIntoCell(2, "NAME", longName);
  EXPECT_TRUE(refusal(messages)) << testing::PrintToString(messages);
  EXPECT_EQ(Stored(2, "NAME"), "<null>");

  auto* edit = Bound<TCustomDBEditEh>("NAME", 2);
  messages = TypeIntoEdit(edit, longName);
  EXPECT_TRUE(refusal(messages)) << testing::PrintToString(messages);
  EXPECT_EQ(edit->Text(), A(longName)) << "the text stays to be mended";
  EXPECT_EQ(fDataSet->FieldByName("NAME")->AsString(), "") << "nothing cut reached the field";

  // A text that fits is stored as typed.
  EXPECT_TRUE(TypeIntoEdit(edit, "Іваненко").empty());
  fDataSet->Post();
  EXPECT_EQ(Stored(2, "NAME"), "Іваненко");
}

}  // namespace
}  // namespace ordvane

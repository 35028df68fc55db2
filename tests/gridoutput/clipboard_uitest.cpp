// The grid's clipboard actions over a rectangle of awkward cells, each form checked by an
// independent reader: the text split back, iconv for the wide text, Python's csv module
// for "Csv"; values carried between two datasets by "VCLDBIF"; refused pastes; and the
// clearing and deleting of a selection.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "classlib/core/CodePages.h"
#include "classlib/core/DateTime.h"
#include "classlib/ui/Clipbrd.h"
#include "gridoutput/DBGridEhImpExp.h"
#include "tests/grid/DataGridSupport.h"
#include "tests/support/FirebirdFixture.h"
#include "tests/support/UiScriptedDialogs.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::ScriptedDialogs;

std::string RunFilter(const std::string& command, const RawByteString& input) {
  const std::string path = ::testing::TempDir() + "clipboard_input";
  std::ofstream(path, std::ios::binary) << input;
  std::string output;
  FILE* pipe = popen((command + " < " + path).c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// Rows 1-4 of NAME and CODE; the names hold what each form must carry.
struct ClipboardFixture : DataGridFixture<> {
  ClipboardFixture() : DataGridFixture<>(4) {
    Column("ID");
    Column("NAME");
    Column("CODE");
    const char* names[] = {"Петро О'Нілл", "a;b \"q\"", nullptr, "рядок\r\nдругий"};
    data.First();
    for (const char* name : names) {
      data.Edit();
      if (name == nullptr)
        Field("NAME")->Clear();
      else
        Field("NAME")->SetAsString(Utf8ToAnsi(name));
      data.Post();
      data.Next();
    }
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    SelectRectangle(1, 1, 2, 4);
  }
  // Columns `fromCol`..`toCol`, records `fromId`..`toId`.
  void SelectRectangle(int fromCol, int fromId, int toCol, int toId) {
    data.Locate("ID", Variant(fromId), {});
    grid->Selection().Rect().Select(fromCol, data.Bookmark(), false);
    data.Locate("ID", Variant(toId), {});
    grid->Selection().Rect().Select(toCol, data.Bookmark(), true);
  }
  std::vector<std::vector<AnsiString>> Shown() {
    std::vector<std::vector<AnsiString>> rows;
    for (data.First(); rows.size() < 4; data.Next())
      rows.push_back({Field("NAME")->DisplayText(), Field("CODE")->DisplayText()});
    return rows;
  }
};

TEST(GridClipboard, TextWideTextCsvAndRtfCarryTheCellsAsShown) {
  ClipboardFixture f;
  const auto shown = f.Shown();
  GridCopyToClipboard(*f.grid);
  const RawByteString csvData = Clipboard()->GetBuffer(CF_CSV());
  const RawByteString rtf = Clipboard()->GetBuffer(CF_RTF());
  std::ifstream goldenFile(test::FixturePath("gridoutput/selection.rtf"), std::ios::binary);
  const std::string golden((std::istreambuf_iterator<char>(goldenFile)), std::istreambuf_iterator<char>());
  EXPECT_EQ(rtf, golden) << "tests/fixtures/gridoutput/check_rtf.sh shows what the office reads from it";

  // The text form cannot carry a line break inside a cell: its check leaves that row out.
  f.SelectRectangle(1, 1, 2, 3);
  GridCopyToClipboard(*f.grid);
  const AnsiString text = Clipboard()->AsText();
  std::vector<std::vector<AnsiString>> split;
  std::size_t pos = 0;
  for (std::size_t end; (end = text.find("\r\n", pos)) != AnsiString::npos; pos = end + 2) {
    const AnsiString line = text.substr(pos, end - pos);
    const std::size_t tab = line.find('\t');
    split.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  EXPECT_EQ(split, std::vector<std::vector<AnsiString>>(shown.begin(), shown.begin() + 3));
  EXPECT_EQ(pos, text.size());

  const RawByteString wide = Clipboard()->GetBuffer(CF_UNICODETEXT);
  const std::string utf16 = RunFilter("iconv -f CP1251 -t UTF-16LE", text);
  EXPECT_EQ(wide.substr(0, utf16.size()), utf16);

  const std::string csv = RunFilter(
      "python3 -c \"import csv,sys; r=csv.reader(sys.stdin.buffer.read().decode('cp1251').splitlines(True),"
      " delimiter=';'); print('|'.join('^'.join(x) for x in r), end='')\"",
      csvData);
  std::string expected;
  for (const auto& row : shown)
    expected += (expected.empty() ? "" : "|") + AnsiToUtf8(row[0]) + "^" + AnsiToUtf8(row[1]);
  EXPECT_EQ(csv, expected);
}

TEST(GridClipboard, VCLDBIFCarriesValuesIntoASecondDataset) {
  ClipboardFixture source;
  TGridCopyCellsEh cells;
  cells.FieldNames = {"A", "B", "C"};
  cells.Values = {{VarFromDateTime(EncodeDate(2024, 2, 29) + 0.5), Variant(Currency::FromScaled(123456)), Null()},
                  {Variant(true), Variant("Ґ;\"\r\n"), Variant(static_cast<long long>(1) << 40)}};
  const TGridCopyCellsEh back = ReadVCLDBIF(WriteVCLDBIF(cells));
  ASSERT_EQ(back.Values.size(), 2u);
  EXPECT_EQ(back.FieldNames, cells.FieldNames);
  for (std::size_t r = 0; r < 2; ++r)
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(VarType(back.Values[r][c]), VarType(cells.Values[r][c]));
      EXPECT_TRUE(VarIsNull(cells.Values[r][c]) ? VarIsNull(back.Values[r][c])
                                                 : back.Values[r][c] == cells.Values[r][c]);
    }

  GridCopyToClipboard(*source.grid);
  ClipboardFixture target;
  target.grid->Selection().Clear();
  target.data.Locate("ID", Variant(4), {});
  target.grid->SetSelectedIndex(1);
  GridPasteFromClipboard(*target.grid);
  EXPECT_EQ(target.data.RecordCount(), 7) << "three rows past the end were appended";
  source.data.First();
  target.data.Locate("ID", Variant(4), {});
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(target.Field("NAME")->Value(), source.Field("NAME")->Value());
    EXPECT_EQ(target.Field("CODE")->AsString(), source.Field("CODE")->AsString());
    source.data.Next();
    target.data.Next();
  }
}

TEST(GridClipboard, PasteRefusesWhatAFieldOrTheBlockCannotTake) {
  ClipboardFixture f;
  f.grid->Selection().Clear();
  f.data.First();
  f.grid->SetSelectedIndex(0);
  Clipboard()->SetAsText("7\tseven\r\nabc\teight\r\n");
  EXPECT_THROW(GridPasteFromClipboard(*f.grid), Exception);
  EXPECT_EQ(f.data.State(), dsBrowse);
  f.data.First();
  EXPECT_EQ(f.Field("ID")->AsInteger(), 7) << "the record pasted before stays";
  EXPECT_EQ(f.Field("NAME")->AsString(), "seven");
  f.data.Next();
  EXPECT_EQ(f.Field("ID")->AsInteger(), 2) << "the refused record is left as it was";

  GridCopyToClipboard(*f.grid);
  const RawByteString good = Clipboard()->GetBuffer(CF_VCLDBIF());
  for (const RawByteString& bad : {good.substr(0, good.size() - 1), good.substr(0, 11),
                                   RawByteString("VCLDBJF") + good.substr(7), good + "x"}) {
    Clipboard()->SetBuffer(CF_VCLDBIF(), bad.data(), bad.size());
    const auto before = f.Shown();
    EXPECT_THROW(GridPasteFromClipboard(*f.grid), EVCLDBIFError);
    EXPECT_EQ(f.Shown(), before);
  }
}

TEST(GridClipboard, DeleteSelectionAsksThenClearsCellsOrDeletesRows) {
  ClipboardFixture f;
  ScriptedDialogs dialogs;
  dialogs.answers = {mrNo, mrYes, mrYes};
  const auto before = f.Shown();
  GridDeleteSelection(*f.grid);
  EXPECT_EQ(f.Shown(), before) << "No changes nothing";
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_NE(dialogs.asked[0].find(Utf8ToAnsi("Очистить выделенные ячейки?")), std::string::npos);

  f.SelectRectangle(1, 1, 1, 2);
  GridDeleteSelection(*f.grid);
  f.data.First();
  EXPECT_TRUE(f.Field("NAME")->IsNull());
  f.data.Next();
  EXPECT_TRUE(f.Field("NAME")->IsNull());
  EXPECT_FALSE(f.Field("CODE")->IsNull()) << "outside the rectangle";
  EXPECT_EQ(f.grid->Selection().SelectionType(), gstNon);

  f.data.First();
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  f.data.Last();
  f.grid->SelectedRows().SetCurrentRowSelected(true);
  GridDeleteSelection(*f.grid);
  EXPECT_EQ(f.data.RecordCount(), 2);
}

RawByteString BlockOfRowsWithoutColumns(std::uint32_t rows) {
  RawByteString block("VCLDBIF\0\1\0\0\0\0\0", 14);
  for (int i = 0; i < 4; ++i) block += static_cast<char>((rows >> (8 * i)) & 0xFF);
  return block;
}

TEST(GridClipboard, ABlockIsRefusedUnlessWhatItSaysFitsItsBytes) {
  ClipboardFixture f;
  f.grid->Selection().Clear();
  for (const std::uint32_t rows : {0xFFFFFFFFu, 2000u}) {
    const RawByteString block = BlockOfRowsWithoutColumns(rows);
    ASSERT_EQ(block.size(), 18u);
    Clipboard()->SetBuffer(CF_VCLDBIF(), block.data(), block.size());
    EXPECT_THROW(GridPasteFromClipboard(*f.grid), EVCLDBIFError) << rows;
    EXPECT_EQ(f.data.RecordCount(), 4);
  }
  // A copy without columns writes no rows, so that its block reads back.
  TGridCopyCellsEh cells;
  cells.Values.resize(3);
  EXPECT_EQ(WriteVCLDBIF(cells), BlockOfRowsWithoutColumns(0));
  EXPECT_TRUE(ReadVCLDBIF(WriteVCLDBIF(cells)).Values.empty());
}

// Every row leaves the filter CODE = 'k1' when its CODE changes.
TEST(GridClipboard, CutClearAndPasteVisitEveryRowOfAFilteredDataset) {
  const auto codes = [](ClipboardFixture& f) {
    f.data.SetFiltered(false);
    AnsiString all;
    for (f.data.First(); !f.data.Eof(); f.data.Next()) all += f.Field("CODE")->AsString() + ";";
    return all;
  };
  const auto filtered = [] {
    auto f = std::make_unique<ClipboardFixture>();
    f->data.SetFilter("CODE = 'k1'");
    f->data.SetFiltered(true);
    f->SelectRectangle(2, 1, 2, 4);
    return f;
  };
  {
    auto f = filtered();
    ScriptedDialogs dialogs;
    dialogs.answers = {mrYes};
    GridDeleteSelection(*f->grid);
    EXPECT_EQ(codes(*f), ";;;;");
  }
  {
    auto f = filtered();
    GridCutToClipboard(*f->grid);
    EXPECT_EQ(Clipboard()->AsText(), "k1\r\nk1\r\nk1\r\nk1\r\n");
    EXPECT_EQ(codes(*f), ";;;;");
  }
  {
    auto f = filtered();
    f->grid->Selection().Clear();
    f->data.First();
    f->grid->SetSelectedIndex(2);
    Clipboard()->SetAsText("a\r\nb\r\nc\r\nd\r\n");
    GridPasteFromClipboard(*f->grid);
    EXPECT_EQ(codes(*f), "a;b;c;d;");
    EXPECT_EQ(f->data.StoredRowCount(), 4) << "nothing appended";
  }
}

// The error names the clipboard row that failed and counts the rows written before it.
TEST(GridClipboard, AStoppedPasteNamesTheRowThatFailed) {
  const auto stopped = [](ClipboardFixture& f, const char* text) {
    f.grid->Selection().Clear();
    f.grid->SetSelectedIndex(0);
    Clipboard()->SetAsText(text);
    try {
      GridPasteFromClipboard(*f.grid);
    } catch (Exception& e) {
      return e.Message().substr(e.Message().find('\n') + 1);
    }
    return AnsiString("no error");
  };
  ClipboardFixture f;
  f.data.First();
  f.data.Edit();
  EXPECT_EQ(stopped(f, "abc\tx\r\n8\ty\r\n"), "Pasting stopped at clipboard row 1 of 2; rows written: 0");
  f.data.First();
  EXPECT_EQ(f.Field("ID")->AsInteger(), 1);
  f.data.Edit();
  EXPECT_EQ(stopped(f, "7\tx\r\nabc\ty\r\n"), "Pasting stopped at clipboard row 2 of 2; rows written: 1");
}

TEST(GridClipboard, APasteIntoAnInsertedRecordWithoutUpdateChangesNoExistingRecord) {
  const auto ids = [](ClipboardFixture& f) {
    AnsiString all;
    for (f.data.First(); !f.data.Eof(); f.data.Next())
      all += f.Field("ID")->AsString() + " " + f.Field("CODE")->AsString() + ";";
    return all;
  };
  const auto pasteInserting = [](ClipboardFixture& f, TDBGridEhAllowedOperations allowed) {
    f.grid->Selection().Clear();
    f.grid->SetAllowedOperations(allowed);
    f.data.Locate("ID", Variant(2), {});
    f.data.Insert();
    f.grid->SetSelectedIndex(0);
    Clipboard()->SetAsText("10\t\tx\r\n11\t\ty\r\n12\t\tz\r\n");
    GridPasteFromClipboard(*f.grid);
    EXPECT_EQ(f.data.State(), dsBrowse);
  };
  {
    ClipboardFixture f;
    pasteInserting(f, {alopInsertEh, alopAppendEh});
    EXPECT_EQ(ids(f), "1 k1;10 x;11 y;12 z;2 k1;3 k1;4 k1;");
  }
  {
    ClipboardFixture f;
    pasteInserting(f, {});
    EXPECT_EQ(ids(f), "1 k1;10 x;2 k1;3 k1;4 k1;") << "the paste ends after the inserted record";
  }
}

TEST(GridClipboard, ARaisingHandlerReachesTheCaller) {
  ClipboardFixture f;
  bool raise = false;
  f.source.OnDataChange = [&](TObject*, TField*) {
    if (raise) throw Exception("handler refused");
  };
  const auto expectRefused = [&](const std::function<void()>& action) {
    raise = true;
    EXPECT_THROW(action(), Exception);
    raise = false;
    EXPECT_FALSE(f.data.ControlsDisabled());
    EXPECT_EQ(f.data.State(), dsBrowse);
  };
  expectRefused([&] { GridCopyToClipboard(*f.grid); });
  expectRefused([&] { GridCutToClipboard(*f.grid); });
  f.SelectRectangle(1, 1, 2, 2);
  ScriptedDialogs dialogs;
  dialogs.answers = {mrYes};
  expectRefused([&] { GridDeleteSelection(*f.grid); });
}

TEST(GridClipboard, AFailedRowSaysWhichAndHowManyRowsWereWritten) {
  ClipboardFixture f;
  f.grid->Selection().Clear();
  f.data.First();
  f.grid->SetSelectedIndex(0);
  AnsiString text;
  for (int row = 1; row <= 40; ++row) text += (row == 37 ? AnsiString("abc") : IntToStr(100 + row)) + "\r\n";
  Clipboard()->SetAsText(text);
  try {
    GridPasteFromClipboard(*f.grid);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("row 37 of 40; rows written: 36"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(f.data.State(), dsBrowse);
  EXPECT_EQ(f.data.RecordCount(), 36);
  f.data.Last();
  EXPECT_EQ(f.Field("ID")->AsInteger(), 136);
}

}  // namespace
}  // namespace ordvane

// Whatever another program puts on the clipboard is pasted into a grid over a dataset of
// eleven field types: text, or the grid's own value block. The first byte chooses the
// form and the column the paste starts at, the second what the grid allows and whether a
// record is being inserted; the rest is the clipboard's data. Only the library's own
// exceptions are answers, the dataset ends in browse state (a record being inserted stays
// so only when nothing was pasted), and no more records are added than the clipboard has
// rows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Forms.h"
#include "gridoutput/DBGridEhImpExp.h"
#include "tests/support/MemDataSet.h"
#include "tests/support/UiDriver.h"

using namespace ordvane;

namespace {

constexpr int kRecords = 3;

struct PasteTarget {
  test::UiDriver ui;
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  test::TMemDataSet data{nullptr};
  TDataSource source{nullptr};
  TDBGridEh* grid = nullptr;

  PasteTarget() {
    data.FieldDefs().Add("ID", ftInteger);
    data.FieldDefs().Add("SMALL", ftSmallint);
    data.FieldDefs().Add("BIG", ftLargeint);
    data.FieldDefs().Add("NAME", ftString, 10);
    data.FieldDefs().Add("WIDE", ftWideString, 10);
    data.FieldDefs().Add("AMOUNT", ftFloat);
    data.FieldDefs().Add("PRICE", ftCurrency);
    data.FieldDefs().Add("DAY", ftDate);
    data.FieldDefs().Add("MOMENT", ftDateTime);
    data.FieldDefs().Add("FLAG", ftBoolean);
    data.FieldDefs().Add("NOTE", ftMemo);
    data.Open();
    source.SetDataSet(&data);
    form->SetBounds(0, 0, 800, 300);
    form->Show();
    grid = new TDBGridEh(form.get());
    grid->SetBounds(0, 0, 800, 300);
    grid->SetParent(form.get());
    grid->SetDataSource(&source);
    ui.Process();
  }

  void Reset() {
    if (data.State() != dsBrowse) data.Cancel();
    data.EmptyDataSet();
    for (int i = 1; i <= kRecords; ++i)
      data.AppendRecord({Variant(i), Variant(i), Variant(static_cast<long long>(i) << 40), Variant("n"),
                         Variant("w"), Variant(i / 4.0), Variant(i), Variant(45000 + i), Variant(45000.5 + i),
                         Variant(i % 2 == 0), Variant("line\r\nline")});
    data.First();
    grid->Selection().Clear();
  }
};

// At most this many rows: one per line break, and one after the last; none in an empty
// text (up to its first NUL, as the clipboard gives it).
std::size_t TextRowsAtMost(const RawByteString& data) {
  const RawByteString text = data.substr(0, data.find('\0'));
  if (text.empty()) return 0;
  std::size_t rows = 1;
  for (char c : text)
    if (c == '\r' || c == '\n') ++rows;
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 2) return 0;
  // Ends before the grids' shared style and the fonts, which it made after it began.
  static PasteTarget paste;
  PasteTarget* target = &paste;
  target->Reset();
  TDataSet& data = target->data;
  const bool asBlock = (bytes[0] & 1) != 0;
  target->grid->SetSelectedIndex((bytes[0] >> 1) % target->grid->Columns().Count());
  TDBGridEhAllowedOperations allowed;
  for (const auto op : {alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh})
    if ((bytes[1] >> op) & 1) allowed.Include(op);
  target->grid->SetAllowedOperations(allowed);
  const bool inserting = (bytes[1] & 0x10) != 0;
  if (inserting) data.Insert();

  const RawByteString content(reinterpret_cast<const char*>(bytes + 2), size - 2);
  std::size_t rows = 0;
  if (asBlock) {
    Clipboard()->SetBuffer(CF_VCLDBIF(), content.data(), content.size());
    try {
      rows = ReadVCLDBIF(content).Values.size();
    } catch (const EVCLDBIFError&) {
    }
  } else {
    Clipboard()->SetAsText(content);
    rows = TextRowsAtMost(content);
  }
  try {
    GridPasteFromClipboard(*target->grid);
  } catch (const Exception&) {
  }
  const bool untouchedInsert = inserting && rows == 0 && data.State() == dsInsert;
  if (data.State() != dsBrowse && !untouchedInsert) std::abort();
  if (static_cast<std::size_t>(target->data.StoredRowCount()) > kRecords + rows) std::abort();
  return 0;
}

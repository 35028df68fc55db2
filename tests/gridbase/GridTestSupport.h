#pragma once
// Base-grid tests: a grid whose cells show their coordinates, that logs its hooks and can
// refuse a cell or a size change, placed on a shown form.

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "classlib/core/StrUtils.h"
#include "classlib/core/SysUtils.h"
#include "classlib/ui/Forms.h"
#include "classlib/ui/ScrollBars.h"
#include "gridbase/GridsEh.h"
#include "tests/support/UiDriver.h"
#include "tests/ui/ControlTestSupport.h"

namespace ordvane {

// Rectangles and regions as a failing check shows them.
inline void PrintTo(const TRect& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
inline void PrintTo(const TRegion& region, std::ostream* out) {
  *out << "{";
  for (const TRect& r : region.Rects()) PrintTo(r, out);
  *out << "}";
}

}  // namespace ordvane

namespace ordvane::test {

class TCellGrid : public TCustomGridEh {
 public:
  using TCustomGridEh::AdjustLines;
  using TCustomGridEh::ChangeContraSize;
  using TCustomGridEh::ChangeSize;
  using TCustomGridEh::ColOffset;
  using TCustomGridEh::DeleteColumn;
  using TCustomGridEh::DeleteRow;
  using TCustomGridEh::GridRectToScreenRect;
  using TCustomGridEh::SetWindowOriginShift;
  using TCustomGridEh::TCustomGridEh;

  std::vector<std::string> log;
  // The area each paint was clipped to.
  std::vector<TRect> paints;
  // Every DrawCell as "col,row" with its state's letters (s: selected, f: focused, x: fixed).
  std::vector<std::string> drawn;
  // Draws a cell's contents; by default its coordinates as text.
  std::function<void(TCanvas&, int col, int row, const TRect&)> contents = [](TCanvas& canvas, int col,
                                                                              int row, const TRect& rect) {
    canvas.TextRect(rect, rect.left + 2, rect.top + 2, IntToStr(col) + "," + IntToStr(row));
  };
  // What the editor is given and what it gave back.
  std::map<std::pair<int, int>, AnsiString> texts;
  std::vector<std::string> edits;
  AnsiString editMask;
  int editLimit = 0;
  bool failNextSizeChange = false;
  int refusedCol = -1;
  Word refusedKey = 0;
  // What a column drag's check and end answer; each may change the target.
  std::function<bool(int& target)> checkColumnDrag = [](int&) { return true; };
  std::function<bool(int& target)> endColumnDrag = [](int&) { return true; };

 protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override {
    drawn.push_back(IntToStr(col) + "," + IntToStr(row) + (state.Contains(gdSelected) ? "s" : "") +
                    (state.Contains(gdFocused) ? "f" : "") + (state.Contains(gdFixed) ? "x" : ""));
    contents(*Canvas(), col, row, rect);
  }
  void Paint() override {
    paints.push_back(Canvas()->ClipRect());
    TCustomGridEh::Paint();
  }
  void KeyDown(Word& key, TShiftState shift) override {
    log.push_back("KeyDown " + IntToStr(key));
    TCustomGridEh::KeyDown(key, shift);
  }
  void Dispatch(TMessage& message) override {
    if (message.Msg == WM_COMMAND) log.push_back("WM_COMMAND " + IntToStr(HIWORD(message.WParam)));
    TCustomGridEh::Dispatch(message);
  }
  AnsiString GetEditText(int col, int row) override { return texts[{col, row}]; }
  void SetEditText(int col, int row, const AnsiString& value) override {
    edits.push_back(IntToStr(col) + "," + IntToStr(row) + "=" + value);
  }
  AnsiString GetEditMask(int, int) override { return editMask; }
  int GetEditLimit() override { return editLimit; }
  bool SelectCell(int col, int) override { return col != refusedCol; }
  void SizeChanged(int oldColCount, int oldRowCount) override {
    log.push_back("SizeChanged " + IntToStr(oldColCount) + " " + IntToStr(oldRowCount));
    if (failNextSizeChange) {
      failNextSizeChange = false;
      throw EInvalidOperation("size refused");
    }
  }
  void ColumnMoved(int from, int to) override {
    log.push_back("ColumnMoved " + IntToStr(from) + " " + IntToStr(to));
  }
  void RowMoved(int from, int to) override {
    log.push_back("RowMoved " + IntToStr(from) + " " + IntToStr(to));
  }
  bool CanGridAcceptKey(Word key, TShiftState) override { return key != refusedKey; }
  bool CheckColumnDrag(int&, int& target, TPoint) override { return checkColumnDrag(target); }
  bool EndColumnDrag(int&, int& target, TPoint) override { return endColumnDrag(target); }
};

// A grid of `bounds` on a shown form, without border or scroll bars unless asked, so its
// client area is its bounds.
struct GridFixture {
  UiDriver ui;
  std::unique_ptr<TForm> form{NewForm(Rect(100, 100, 700, 600))};
  TCellGrid* grid = nullptr;

  explicit GridFixture(TScrollStyle bars = ssNone, const TRect& bounds = Rect(0, 0, 300, 200)) {
    form->Show();
    grid = new TCellGrid(form.get());
    grid->SetBorderStyle(bsNone);
    grid->SetScrollBars(bars);
    grid->SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    grid->SetParent(form.get());
    ui.Process();
  }

  // What waits to be painted in the grid.
  TRegion Invalid() const { return UiDriver::UpdateRegion(grid); }
  // Paints what waits, so the next change's update region stands alone.
  void Settle() { ui.Process(); }
  // The grid's client area as the screen shows it.
  TRaster Picture() const {
    const TRaster screen = UiDriver::Screen();
    const TPoint origin = UiDriver::ScreenPoint(grid, {0, 0});
    const int left = origin.x - GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = origin.y - GetSystemMetrics(SM_YVIRTUALSCREEN);
    TRaster picture(grid->ClientWidth(), grid->ClientHeight());
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x) picture.SetPixel(x, y, screen.Pixel(left + x, top + y));
    return picture;
  }
  // The picture after the whole grid was painted again.
  TRaster Repainted() {
    grid->Invalidate();
    ui.Process();
    return Picture();
  }
};

inline std::vector<int> ColWidthsOf(const TCustomGridEh& grid) {
  std::vector<int> widths;
  for (int col = 0; col < grid.FullColCount(); ++col) widths.push_back(grid.ColWidths(col));
  return widths;
}

}  // namespace ordvane::test

// The shared colour style of the data-aware grids: blends, the colours of selected and
// highlighted cells, and the registry of the grids attached to it.

#include "grid/DBGridEhStyle.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "classlib/core/MessageQueue.h"
#include "classlib/ui/DeviceContext.h"
#include "classlib/ui/WinPaint.h"
#include "classlib/ui/Windows.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

TDBGridEhStyle* gSharedStyle = nullptr;

int BlendChannel(int base, int target, bool darker) {
  const double middle = base + (target - base) * 0.5;
  double result = middle + (225 - middle) * 0.6;
  if (darker) result -= (122 - result) * 0.25;
  return std::clamp(static_cast<int>(std::lround(result)), 0, 255);
}

// Blended colours go through the grid's device, which may show only some colours.
TColor NearestOnGrid(TCustomDBGridEh* grid, TColorRef color) {
  if (!grid->HandleAllocated()) return static_cast<TColor>(color);
  return static_cast<TColor>(GetNearestColor(grid->Canvas()->Handle(), color));
}

}  // namespace

TColorRef BlendColorsEh(TColor base, TColor target, bool darker) {
  const TColorRef a = ColorToRGB(base);
  const TColorRef b = ColorToRGB(target);
  return RGB(BlendChannel(GetRValue(a), GetRValue(b), darker),
             BlendChannel(GetGValue(a), GetGValue(b), darker),
             BlendChannel(GetBValue(a), GetBValue(b), darker));
}

TDBGridEhStyle::TDBGridEhStyle() : fHandle(AllocateHWnd([this](TMessage& message) { WndProc(message); })) {
  HDC screen = GetDC(0);
  fScreenColorCount = GetDeviceCaps(screen, NUMCOLORS);
  ReleaseDC(0, screen);
}

TDBGridEhStyle::~TDBGridEhStyle() {
  DeallocateHWnd(fHandle);
  if (gSharedStyle == this) gSharedStyle = nullptr;
  // A destructor cannot pass on a grid's failing layout: the grid, already let go of, keeps
  // the layout it had.
  while (!fGrids.empty()) {
    try {
      fGrids.back()->SetStyle(nullptr);
    } catch (const Exception&) {
    }
  }
}

LRESULT TDBGridEhStyle::DefWindowProc(TMessage& message) {
  if (message.Msg == WM_SYSCOLORCHANGE) {
    fScreenColorCount = GetScreenColorCount();
    return 0;
  }
  return ordvane::DefWindowProc(fHandle, message.Msg, message.WParam, message.LParam);
}

int TDBGridEhStyle::GetScreenColorCount() {
  HDC screen = GetDC(0);
  const int count = GetDeviceCaps(screen, NUMCOLORS);
  ReleaseDC(0, screen);
  return count;
}

void TDBGridEhStyle::AddGrid(TCustomDBGridEh* grid) {
  if (!IsGridRegistered(grid)) fGrids.push_back(grid);
}

bool TDBGridEhStyle::IsGridRegistered(const TCustomDBGridEh* grid) const {
  return std::find(fGrids.begin(), fGrids.end(), grid) != fGrids.end();
}

void TDBGridEhStyle::RemoveGrid(TCustomDBGridEh* grid) {
  fGrids.erase(std::remove(fGrids.begin(), fGrids.end(), grid), fGrids.end());
}

bool TDBGridEhStyle::GetDataCellColors(TCustomDBGridEh* grid, int dataCol, int row, TGridDrawState state,
                                       TColor& background, TFont& font) {
  const TDBGridOptions options = grid->Options();
  const bool rowSelect = options.Contains(dgRowSelect);
  const bool currentRow = row == grid->Row();
  const bool currentCell = currentRow && (rowSelect || dataCol == grid->SelectedIndex());
  TDataSet* dataSet = grid->DataLink().DataSet();
  bool shownSelected = grid->DataLink().Active() && dataSet != nullptr &&
                       grid->Selection().DataCellSelected(dataCol, dataSet->Bookmark());
  bool highlight = false;
  if (!shownSelected) {
    highlight = grid->IsFocused() && grid->OptionsEh().Contains(dghHighlightFocus);
    if (grid->OptionsEh().Contains(dghRowHighlight) && currentRow &&
        grid->Selection().SelectionType() == gstNon && dataCol != grid->SelectedIndex()) {
      highlight = true;
      state.Include(gdSelected);
    }
    if (!state.Contains(gdSelected) && !(currentRow && rowSelect)) return false;
    shownSelected =
        (options.Contains(dgAlwaysShowSelection) || highlight) && (rowSelect || !grid->EditorMode());
  }
  if (!shownSelected) return false;
  if (grid->IsGridActive()) {
    if (TrueColor() && fBlendedHighlight && !currentCell) {
      background = NearestOnGrid(grid, BlendColorsEh(background, clHighlight, true));
    } else {
      background = clHighlight;
      font.SetColor(clHighlightText);
    }
  } else if (currentCell && (options.Contains(dgAlwaysShowSelection) || highlight)) {
    background = clBtnShadow;
    font.SetColor(clHighlightText);
  } else {
    background = TrueColor() ? NearestOnGrid(grid, BlendColorsEh(background, clBtnShadow, false)) : clBtnFace;
  }
  return true;
}

void TDBGridEhStyle::GetHighlightCellColors(TCustomDBGridEh* grid, TColor& background, TFont& font,
                                            bool highlighted, THighlightCellKindEh kind) {
  if (!highlighted) return;
  if (kind != hckDataEh) {
    background = static_cast<TColor>(0x404040);
    font.SetColor(static_cast<TColor>(0xFFFFFF));
  } else if (!grid->IsGridActive()) {
    background = TrueColor() ? NearestOnGrid(grid, BlendColorsEh(background, clBtnShadow, false)) : clBtnFace;
  } else if (TrueColor() && fBlendedHighlight) {
    background = NearestOnGrid(grid, BlendColorsEh(background, clHighlight, true));
  } else {
    background = clHighlight;
    font.SetColor(clHighlightText);
  }
}

TDBGridEhStyle* DBGridEhDefaultStyle() {
  // Made on first use, on the thread of the grids; the reference is cleared when it goes.
  static const std::unique_ptr<TDBGridEhStyle> made = [] {
    auto style = std::make_unique<TDBGridEhStyle>();
    gSharedStyle = style.get();
    return style;
  }();
  return gSharedStyle;
}

TDBGridEhStyle* SetDBGridEhDefaultStyle(TDBGridEhStyle* style) {
  TDBGridEhStyle* previous = DBGridEhDefaultStyle();
  gSharedStyle = style;
  return previous;
}

}  // namespace ordvane

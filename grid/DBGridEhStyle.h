#pragma once
// The colours of selected and highlighted cells, shared by every data-aware grid that is
// attached to the style. A hidden window hears of changes of the system colours and the
// screen's colour count is read again then.

#include "classlib/core/Collections.h"
#include "classlib/core/Messages.h"
#include "classlib/ui/Graphics.h"
#include "gridbase/GridsEh.h"

namespace ordvane {

class TCustomDBGridEh;

// Which cell a highlight is asked for: the fixed kinds get a dark, fixed colour pair.
enum THighlightCellKindEh : Byte { hckDataEh, hckIndicatorEh, hckTitleEh };

// The blend of two colours (system colours resolved first) towards a light tone; the
// darker variant is the one drawn over cells of a focused grid.
TColorRef BlendColorsEh(TColor base, TColor target, bool darker);

class TDBGridEhStyle : public TPersistent {
  ORDVANE_CLASS(TDBGridEhStyle, TPersistent)

 public:
  TDBGridEhStyle();
  // Sets the style of every registered grid to nil (the last registered first) and, when
  // this is the shared style, clears the shared reference.
  ~TDBGridEhStyle() override;

  // Whether the cell is shown selected, and its colours then.
  virtual bool GetDataCellColors(TCustomDBGridEh* grid, int dataCol, int row, TGridDrawState state,
                                 TColor& background, TFont& font);
  virtual void GetHighlightCellColors(TCustomDBGridEh* grid, TColor& background, TFont& font,
                                      bool highlighted, THighlightCellKindEh kind);

  void AddGrid(TCustomDBGridEh* grid);
  bool IsGridRegistered(const TCustomDBGridEh* grid) const;
  void RemoveGrid(TCustomDBGridEh* grid);
  int GridCount() const { return static_cast<int>(fGrids.size()); }

  // Blended highlights need more than 256 colours; on by default.
  bool BlendedHighlight() const { return fBlendedHighlight; }
  void SetBlendedHighlight(bool value) { fBlendedHighlight = value; }
  // -1 on a true-colour screen.
  int ScreenColorCount() const { return fScreenColorCount; }
  bool TrueColor() const { return fScreenColorCount == -1; }
  HWND Handle() const { return fHandle; }
  // A choice in a filter cell's drop-down list filters at once, not only on Enter; off by
  // default.
  bool ApplyFilterOnCloseUp() const { return fApplyFilterOnCloseUp; }
  void SetApplyFilterOnCloseUp(bool value) { fApplyFilterOnCloseUp = value; }

 protected:
  virtual LRESULT DefWindowProc(TMessage& message);
  virtual int GetScreenColorCount();

 private:
  void WndProc(TMessage& message) { message.Result = DefWindowProc(message); }

  std::vector<TCustomDBGridEh*> fGrids;
  bool fBlendedHighlight = true;
  bool fApplyFilterOnCloseUp = false;
  // Read through the virtual reader once the object is whole.
  int fScreenColorCount = -1;
  HWND fHandle = 0;
};

// The shared style the grids attach to; nil once it was destroyed.
TDBGridEhStyle* DBGridEhDefaultStyle();
// Makes another style the shared one (the caller keeps it); returns the previous one.
TDBGridEhStyle* SetDBGridEhDefaultStyle(TDBGridEhStyle* style);

}  // namespace ordvane

#pragma once
// The special row at the top of a drop-down list, and the parsing of its cells' text.

#include <memory>
#include <string_view>
#include <vector>

#include "classlib/core/Variants.h"
#include "classlib/ui/Controls.h"
#include "classlib/ui/Graphics.h"
#include "classlib/ui/Menus.h"

namespace ordvane {

// The cells of a special row's text: separated by ';', a cell in double quotes may hold
// ';' and doubled quotes, control characters around cells are skipped. A NUL ends the
// text and an unclosed quote runs to its end.
std::vector<AnsiString> ParseCellsTextEh(std::string_view text);

// The row at the top of a drop-down list that picks one chosen value (an empty one, say).
// Its font and colour follow its owner's until set; every change tells the owner through
// OnChanged, once at the end of an update.
class TSpecRowEh : public TPersistent {
  ORDVANE_CLASS(TSpecRowEh, TPersistent)

 public:
  explicit TSpecRowEh(TControl* owner);
  ~TSpecRowEh() override;

  const AnsiString& CellsText() const { return fCellsText; }
  void SetCellsText(const AnsiString& value);
  TColor Color() const;
  void SetColor(TColor value);
  bool ColorAssigned() const { return fColorAssigned; }
  // The owner's font while not set; a change made through the pointer sets it.
  TFont* Font() const;
  void SetFont(const TFont& value);
  bool FontAssigned() const { return fFontAssigned; }
  // Alt+Del until set.
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut value);
  bool ShowIfNotInKeyList() const { return fShowIfNotInKeyList; }
  void SetShowIfNotInKeyList(bool value);
  const Variant& Value() const { return fValue; }
  void SetValue(const Variant& value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool value);

  int CellCount() const { return static_cast<int>(fCells.size()); }
  // Empty outside the cells.
  AnsiString GetCellText(int index) const;

  // Updates nest; OnChanged fires when the outermost one ends and anything changed.
  void BeginUpdate() { ++fUpdateCount; }
  void EndUpdate();
  // Every property, as one change; the font only when the source's was set.
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChanged;

 private:
  void Changed();
  void FontChanged(TObject* sender);
  template <class T>
  void Store(T& field, const T& value);

  TControl* fOwner;
  AnsiString fCellsText;
  std::vector<AnsiString> fCells;
  TColor fColor = clWindow;
  bool fColorAssigned = false;
  std::unique_ptr<TFont> fFont;
  bool fFontAssigned = false;
  mutable bool fFollowingOwnerFont = false;
  TShortCut fShortCut;
  bool fShowIfNotInKeyList = true;
  Variant fValue;
  bool fVisible = false;
  int fUpdateCount = 0;
  bool fChangedInside = false;
};

}  // namespace ordvane

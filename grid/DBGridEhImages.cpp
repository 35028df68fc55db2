// The grid's own artwork: the indicator images and the title sort markers, each list made
// on first use.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/ui/ImgList.h"
#include "classlib/ui/Resources.h"
#include "grid/DBGridEh.h"

namespace ordvane {

namespace {

constexpr int kIndicatorImageWidth = 8;
constexpr int kIndicatorImageHeight = 9;

void Art(const char* name, const std::vector<TArtColor>& palette, std::vector<std::string> rows) {
  RegisterPixelArt({name, palette, std::move(rows), TPoint{}});
}

void RegisterIndicatorArt() {
  const std::vector<TArtColor> onWhite = {{'.', clWhite}, {'X', clBlack}};
  const std::vector<std::string> arrow = {"X.......", "XX......", "XXX.....", "XXXX....", "XXXXX...",
                                          "XXXX....", "XXX.....", "XX......", "X......."};
  Art("DBGARROWEH", onWhite, arrow);
  Art("DBEDITEH", onWhite,
      {"XX.XX...", "..X.....", "..X.....", "..X.....", "..X.....", "..X.....", "..X.....", "..X.....",
       "XX.XX..."});
  Art("DBINSERTEH", onWhite,
      {"........", "X..X..X.", ".X.X.X..", "..XXX...", "XXXXXXX.", "..XXX...", ".X.X.X..", "X..X..X.",
       "........"});
  Art("DBMULTIDOTEH", onWhite,
      {"........", "........", "........", "...XX...", "..XXXX..", "...XX...", "........", "........",
       "........"});
  Art("DBMULTIARROWEH", onWhite,
      {"X.......", "XX......", "XXX.....", "XXXX.XX.", "XXXXXXXX", "XXXX.XX.", "XXX.....", "XX......",
       "X......."});
  // Drawn over the dark highlight of a selected row: a white arrow, teal around it.
  Art("DBGARROWEHW", {{'.', clTeal}, {'X', clWhite}}, arrow);
}

void RegisterSortMarkerArt() {
  const std::vector<TArtColor> onFuchsia = {{'.', clFuchsia}, {'X', clBlack}};
  std::vector<std::string> down = {"XXXXXXXXX", ".XXXXXXX.", ".XXXXXXX.", "..XXXXX..",
                                   "..XXXXX..", "...XXX...", "...XXX...", "....X...."};
  Art("DBSMDOWNEH", onFuchsia, down);
  Art("DBSMUPEH", onFuchsia, {down.rbegin(), down.rend()});
}

void AddArt(TCustomImageList& list, const AnsiString& name, TColor transparent) {
  TBitmap bitmap;
  bitmap.LoadFromResourceName(name);
  list.AddMasked(bitmap, transparent);
}

}  // namespace

TCustomImageList& IndicatorImagesEh() {
  static const std::unique_ptr<TCustomImageList> images = [] {
    RegisterIndicatorArt();
    auto list = std::make_unique<TCustomImageList>(nullptr, kIndicatorImageWidth, kIndicatorImageHeight);
    for (const char* name : {"DBGARROWEH", "DBEDITEH", "DBINSERTEH", "DBMULTIDOTEH", "DBMULTIARROWEH"})
      AddArt(*list, name, clWhite);
    AddArt(*list, "DBGARROWEHW", clTeal);
    // The white arrow over the search colour, for the current record while a search runs.
    TBitmap searching;
    searching.LoadFromResourceName("DBGARROWEHW");
    TBitmap painted(searching.Width(), searching.Height());
    painted.Canvas()->Brush()->SetColor(kInplaceSearchColorEh);
    painted.Canvas()->FillRect(Rect(0, 0, painted.Width(), painted.Height()));
    searching.SetTransparentColor(clTeal);
    searching.SetTransparent(true);
    painted.Canvas()->Draw(0, 0, searching);
    list->Add(painted, nullptr);
    return list;
  }();
  return *images;
}

TCustomImageList& SortMarkerImagesEh() {
  static const std::unique_ptr<TCustomImageList> images = [] {
    RegisterSortMarkerArt();
    auto list = std::make_unique<TCustomImageList>(nullptr, kSortMarkerWidthEh, kSortMarkerHeightEh);
    for (const char* name : {"DBSMDOWNEH", "DBSMUPEH"}) AddArt(*list, name, clFuchsia);
    return list;
  }();
  return *images;
}

const TFont& SortIndexFontEh() {
  static const std::unique_ptr<TFont> font = [] {
    auto made = std::make_unique<TFont>();
    made->SetName("DejaVu Sans");
    made->SetHeight(kSortMarkerHeightEh);
    return made;
  }();
  return *font;
}

}  // namespace ordvane

// Multi-level titles: the title tree on its own (ring order, joining siblings, nodes from
// elsewhere refused), the tree a grid builds from its captions with its band heights,
// the group bands on screen, and title presses that only count in a column's own band.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/ui/RecordingDC.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/DataGridSupport.h"

namespace ordvane {
namespace {

using test::DataGridFixture;
using test::TMemDataSet;

// The tree below `node` as text: "A(B C) D".
std::string Shape(const THeadTreeNode& node) {
  std::string shape;
  for (int i = 0; i < node.ChildCount(); ++i) {
    const THeadTreeNode& child = *node.Children(i);
    if (i > 0) shape += ' ';
    shape += child.Text;
    if (child.ChildCount() > 0) shape += "(" + Shape(child) + ")";
  }
  return shape;
}

void ExpectRaises(const std::function<void()>& call, const char* message) {
  try {
    call();
    ADD_FAILURE() << "expected \"" << message << "\"";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(TitleTree, RingsJoinsAndNodesFromElsewhere) {
  THeadTreeNode root("Root", 0, 0);
  EXPECT_EQ(root.Next(), &root) << "a lone node leads to itself";
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 50);
  THeadTreeNode* c = root.AddChild(&root, "c", 30, 50);
  THeadTreeNode* b = root.Add(a, "b", 20, 50);
  EXPECT_EQ(Shape(root), "a b c");
  EXPECT_EQ(root.Child(), a);
  EXPECT_EQ(c->Next(), a) << "the last sibling leads back to the first";
  for (THeadTreeNode* node : {a, b, c}) node->LineWidth = 1;

  THeadTreeNode* group = root.Union(b, c, 20, "G");
  EXPECT_EQ(Shape(root), "a G(b c)");
  EXPECT_EQ(group->Width, 20 + 1 + 30) << "the children and the line between them";
  EXPECT_EQ(group->Height, 20);
  EXPECT_EQ(b->Height, 30) << "a moved band gives up the group's height";
  EXPECT_EQ(c->Level(), 2);
  EXPECT_EQ(c->Host(), group);

  // A run may wrap round its ring: the group then leads it.
  THeadTreeNode* d = group->AddChild(group, "d", 5, 30);
  THeadTreeNode* wrapped = root.Union(d, b, 10, "W");
  EXPECT_EQ(Shape(root), "a G(W(d b) c)");
  EXPECT_EQ(group->Child(), wrapped);
  EXPECT_EQ(root.Union(a, a, 5, "S")->Width, 10) << "a run of one";

  THeadTreeNode stranger("x", 1, 1);
  THeadTreeNode* strangerChild = stranger.AddChild(&stranger, "y", 1, 1);
  ExpectRaises([&] { root.Add(strangerChild, "n", 1, 1); }, "Node not in Tree");
  ExpectRaises([&] { root.AddChild(&stranger, "n", 1, 1); }, "Node not in Tree");
  ExpectRaises([&] { root.Union(strangerChild, strangerChild, 1, "n"); }, "Node not in Tree");
  ExpectRaises([&] { root.Union(c, a, 1, "n"); }, "ATo not in level");
  ExpectRaises([&] { root.Add(&root, "n", 1, 1); }, "Root has no siblings");
  EXPECT_EQ(Shape(root), "S(a) G(W(d b) c)") << "a refused call changes nothing";

  EXPECT_EQ(ExtractWord(2, "|A||B|", "|").word, "B");
  EXPECT_EQ(ExtractWord(2, "|A||B|", "|").position, 5U);
  EXPECT_EQ(ExtractWord(3, "A|B", "|").position, 0U);
  EXPECT_EQ(ExtractWord(1, "", "|").position, 0U);
}

struct MultiTitleFixture : DataGridFixture<TMemDataSet, TDBGridEh> {
  explicit MultiTitleFixture(std::initializer_list<const char*> captions) {
    const char* fields[] = {"ID", "NAME", "CODE", "CITY_ID"};
    int i = 0;
    for (const char* caption : captions) Column(fields[i++])->Title().SetCaption(caption);
    grid->SetUseMultiTitle(true);
    ui.Process();
  }
  const THeadTreeNode& Tree() const { return grid->HeadTree(); }
  THeadTreeNode& Leaf(int dataCol) const { return *grid->TitleLeaf(dataCol); }
  TRect Title(int dataCol) const { return grid->CellRect(grid->DataToRawColumn(dataCol), 0); }
  // The height one line of `text` needs in the grid's title font, by the band rule.
  int OneLineBand() const {
    TBitmap bitmap(1, 1);
    bitmap.Canvas()->Font()->Assign(grid->TitleFont());
    return bitmap.Canvas()->TextHeight("A") + grid->VTitleMargin();
  }
};

TEST(MultiTitle, AdjacentCaptionsShareABandAndEveryLeafEndsOnOneLine) {
  MultiTitleFixture f({"A|B", "A|C", "D"});
  ASSERT_EQ(Shape(f.Tree()), "A(B C) D");
  const THeadTreeNode& group = *f.Tree().Child();
  EXPECT_EQ(group.Height, f.OneLineBand()) << "the band rule, not Union's 20 pixels";
  EXPECT_EQ(f.Leaf(2).Height, f.Tree().Height) << "D fills the whole height";
  for (int col : {0, 1}) EXPECT_EQ(group.Height + f.Leaf(col).Height, f.Tree().Height);
  EXPECT_EQ(f.grid->RowHeights(0), f.Tree().Height - 1) << "raised titles";
  EXPECT_EQ(group.Width, f.Leaf(0).Width + 1 + f.Leaf(1).Width);

  const int before = f.Tree().Height;
  f.grid->SetVTitleMargin(4);
  f.grid->SetOptionsEh(f.grid->OptionsEh() - TDBGridEhOptions{dghFixed3D});
  f.ui.Process();
  EXPECT_EQ(f.Tree().Height, before - 12) << "two bands, each 6 pixels less";
  EXPECT_EQ(f.grid->RowHeights(0), f.Tree().Height - 3) << "flat titles";

  // A narrow group wraps its caption onto more lines.
  f.grid->Columns().Items(0)->Title().SetCaption("Wide words here|B");
  f.grid->Columns().Items(1)->Title().SetCaption("Wide words here|C");
  f.grid->Columns().Items(0)->SetWidth(20);
  f.grid->Columns().Items(1)->SetWidth(20);
  f.ui.Process();
  EXPECT_GE(f.Tree().Child()->Height, 3 * (f.OneLineBand() - 4)) << "the columns' changes rebuild the tree";

  // A vertical title needs its caption's length; more title lines go to the lowest bands.
  TColumnTitleEh& d = f.grid->Columns().Items(2)->Title();
  d.SetCaption("A long vertical caption");
  d.SetOrientation(tohVertical);
  f.ui.Process();
  EXPECT_EQ(f.Tree().Height, TextWidthInFontEh(*d.Font(), "A long vertical caption") + 6);
  f.grid->SetTitleLines(20);
  f.ui.Process();
  ASSERT_GT(f.grid->CalculatedTitleHeight(), f.Tree().Height);
  EXPECT_EQ(f.grid->RowHeights(0), f.grid->CalculatedTitleHeight());
  const TRect cell = f.Title(0);
  EXPECT_EQ(f.grid->TitleLeafRect(f.grid->DataToRawColumn(0), cell).top, cell.top + f.Tree().Child()->Height);
}

TEST(MultiTitle, OnlyAdjacentLevelledCaptionsOfOneLevelJoin) {
  struct Case {
    std::initializer_list<const char*> captions;
    const char* shape;
  };
  const Case cases[] = {
      {{"A|B", "D", "A|C"}, "A(B) D A(C)"},       {{"A", "A|B", "A"}, "A A(B) A"},
      {{"P|Q|R", "Q|S"}, "P(Q(R)) Q(S)"},         {{"X|Y|Z"}, "X(Y(Z))"},
      {{"A|B|C", "A|B|D", "A|E"}, "A(B(C D) E)"}, {{"a|B", "A|C"}, "a(B) A(C)"},
  };
  for (const Case& c : cases) {
    MultiTitleFixture f(c.captions);
    EXPECT_EQ(Shape(f.Tree()), c.shape);
    for (int col = 0; col < static_cast<int>(c.captions.size()); ++col) {
      int reached = f.Leaf(col).Height;
      for (const THeadTreeNode* host = f.Leaf(col).Host(); host != &f.Tree(); host = host->Host())
        reached += host->Height;
      EXPECT_EQ(reached, f.Tree().Height) << c.shape << " column " << col;
    }
  }
  MultiTitleFixture three({"X|Y|Z"});
  EXPECT_EQ(three.Tree().Height, 3 * three.OneLineBand());
}

TEST(MultiTitle, AHiddenColumnStaysInItsRunWithoutWidth) {
  MultiTitleFixture f({"A|B", "A|H", "A|C"});
  f.grid->Columns().Items(1)->SetVisible(false);
  f.ui.Process();
  ASSERT_EQ(Shape(f.Tree()), "A(B H C)");
  EXPECT_EQ(f.Leaf(1).Width, -1);
  const THeadTreeNode& group = *f.Tree().Child();
  EXPECT_EQ(group.Width, f.Title(2).right - f.Title(0).left) << "it spans the shown columns";
  f.grid->SetOptions(f.grid->Options() - TDBGridOptions{dgColLines});
  f.ui.Process();
  EXPECT_EQ(f.Leaf(1).Width, 0);
  EXPECT_EQ(f.Tree().Child()->Width, f.Title(2).right - f.Title(0).left);
  f.grid->Columns().Items(2)->SetWidth(f.grid->Columns().Items(2)->Width() + 30);
  f.ui.Process();
  EXPECT_EQ(f.Tree().Child()->Width, f.Title(2).right - f.Title(0).left) << "a new width reaches the group";

  f.grid->SetUseMultiTitle(false);
  f.ui.Process();
  EXPECT_EQ(f.Tree().ChildCount(), 0);
  EXPECT_EQ(f.grid->TitleLeaf(0), nullptr);
}

TEST(MultiTitle, TheGroupIsDrawnCentredOverItsColumnsWithFrameAndBottomLine) {
  MultiTitleFixture f({"A|B", "A|C", "D"});
  f.grid->Columns().Items(0)->SetWidth(40);
  f.grid->Columns().Items(1)->SetWidth(120);
  f.ui.Process();
  const THeadTreeNode& group = *f.Tree().Child();
  const TRect band{f.Title(0).left, 0, f.Title(1).right, group.Height};
  TRecordingCanvas canvas(f.grid->ClientWidth(), f.grid->ClientHeight());
  f.grid->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&canvas.Recorder()), 0);
  const TRaster& picture = canvas.Raster();

  int frames = 0;
  const AnsiString at = "DrawEdge(" + IntToStr(band.left) + "," + IntToStr(band.top) + "," +
                        IntToStr(band.right) + "," + IntToStr(band.bottom) + ",";
  for (const AnsiString& call : canvas.CallsOf("DrawEdge")) frames += call.starts_with(at);
  EXPECT_GE(frames, 1) << "a raised frame round the group";
  for (int x = band.left; x < band.right; ++x)
    ASSERT_EQ(picture.Pixel(x, band.bottom - 1), ColorToRGB(clBlack)) << "bottom line at x " << x;

  const TRect inside{band.left + 2, band.top + 2, band.right - 2, band.bottom - 2};
  TRect ink{band.right, band.bottom, band.left, band.top};
  for (int y = inside.top; y < inside.bottom; ++y)
    for (int x = inside.left; x < inside.right; ++x)
      if (picture.Pixel(x, y) == ColorToRGB(clBtnText))
        ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
               std::max(ink.bottom, y + 1)};
  ASSERT_FALSE(IsRectEmpty(ink)) << "the caption is written";
  EXPECT_NEAR((ink.left + ink.right) / 2.0, (band.left + band.right) / 2.0, 2) << "centred across both columns";
  EXPECT_EQ(picture.Pixel(f.Title(0).right, (band.top + band.bottom) / 2), ColorToRGB(clBtnFace))
      << "no column line runs through the group";

  const TRect leaf = f.Title(0);
  bool leafFramed = false;
  const AnsiString leafAt = "DrawEdge(" + IntToStr(leaf.left) + "," + IntToStr(band.bottom) + ",";
  for (const AnsiString& call : canvas.CallsOf("DrawEdge")) leafFramed |= call.starts_with(leafAt);
  EXPECT_TRUE(leafFramed) << "the column's own band has its frame below the group";

  // Selected, the group takes the highlight only when all its columns are selected.
  f.grid->SetOptions(f.grid->Options() + TDBGridOptions{dgMultiSelect});
  const auto groupPixel = [&] {
    TBitmap bitmap(f.grid->ClientWidth(), f.grid->ClientHeight());
    f.grid->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap.Canvas()->Handle()), 0);
    return bitmap.Raster().Pixel(band.left + 4, band.top + 4);
  };
  f.grid->Selection().Columns().Select(f.grid->Columns().Items(0), false);
  EXPECT_EQ(groupPixel(), ColorToRGB(clBtnFace)) << "one of its columns";
  f.grid->Selection().Columns().Select(f.grid->Columns().Items(1), true);
  EXPECT_EQ(groupPixel(), static_cast<TColorRef>(0x404040)) << "both";
}

// Writes down each sorting the grid asks of the in-memory dataset's features.
class TSortCountingFeatures : public TDatasetFeaturesEh {
 public:
  int sorts = 0;
  void ApplySorting(TCustomDBGridEh&, TDataSet*, bool) override { ++sorts; }
};

TEST(MultiTitle, OnlyAColumnsOwnBandIsItsButton) {
  MultiTitleFixture f({"A|B", "A|C", "D"});
  RegisterDatasetFeaturesEh([] { return std::make_unique<TSortCountingFeatures>(); },
                            TMemDataSet::StaticClass());
  auto* features = dynamic_cast<TSortCountingFeatures*>(GetDatasetFeaturesEh(&f.data));
  ASSERT_NE(features, nullptr);
  for (int col = 0; col < 3; ++col) f.grid->Columns().Items(col)->Title().SetTitleButton(true);
  f.grid->SetOptionsEh(f.grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  f.ui.Process();
  const int groupHeight = f.Tree().Child()->Height;
  const TRect first = f.Title(0);
  const TPoint onGroup{first.left + 5, groupHeight / 2};
  const TPoint onOwnBand{first.left + 5, groupHeight + 3};

  f.ui.Press(f.grid, onGroup);
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "a group caption is no button";
  f.ui.Release(f.grid, onGroup);
  EXPECT_EQ(features->sorts, 0);

  f.ui.Press(f.grid, onOwnBand);
  EXPECT_EQ(f.grid->PressedTitleCol(), f.grid->DataToRawColumn(0));
  f.ui.MoveTo(f.grid, onGroup);
  EXPECT_EQ(f.grid->PressedTitleCol(), -1) << "up while the mouse is over the group";
  f.ui.Release(f.grid, onGroup);
  EXPECT_EQ(features->sorts, 0) << "a release over the group is no click";

  f.ui.Click(f.grid, onOwnBand);
  EXPECT_EQ(features->sorts, 1);
  EXPECT_EQ(f.grid->Columns().Items(0)->Title().SortMarker(), smDownEh);
  EXPECT_EQ(f.Leaf(0).MarkerWidth, 16) << "the new marker is in the tree";
  f.ui.Click(f.grid, {f.Title(2).left + 5, 3});
  EXPECT_EQ(features->sorts, 2) << "a title without groups is a button from its top";
}

}  // namespace
}  // namespace ordvane

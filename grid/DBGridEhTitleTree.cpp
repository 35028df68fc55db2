// Multi-level titles: the title tree, built from the columns' captions after every layout,
// the heights of its bands, and what drawing, title presses and width fitting read of it.

#include "grid/DBGridEhTitleTree.h"

#include <algorithm>
#include <cassert>

#include "classlib/ui/RasterDC.h"
#include "grid/DBGridEh.h"

namespace ordvane {

// ---- The tree -------------------------------------------------------------------------

namespace {

[[noreturn]] void RaiseNotInTree() {
  throw Exception("Node not in Tree");
}

constexpr char kLevelDelimiter[] = "|";
// The height Union gives a new group; the band heights replace it.
constexpr int kGroupBandHeight = 20;

}  // namespace

const THeadTreeNode* THeadTreeNode::Next() const {
  if (fHost == nullptr) return this;
  const std::size_t index = IndexInHost();
  return fHost->fChildren[(index + 1) % fHost->fChildren.size()].get();
}

int THeadTreeNode::Level() const {
  int level = 0;
  for (const THeadTreeNode* node = fHost; node != nullptr; node = node->fHost) ++level;
  return level;
}

std::size_t THeadTreeNode::IndexInHost() const {
  assert(fHost != nullptr);
  const auto& ring = fHost->fChildren;
  const auto it =
      std::find_if(ring.begin(), ring.end(), [this](const auto& node) { return node.get() == this; });
  assert(it != ring.end());
  return static_cast<std::size_t>(it - ring.begin());
}

bool THeadTreeNode::Find(const THeadTreeNode* node) const {
  if (node == this) return true;
  return std::any_of(fChildren.begin(), fChildren.end(),
                     [node](const auto& child) { return child->Find(node); });
}

template <class Node>
Node* THeadTreeNode::InTree(Node* node) const {
  if (node == nullptr || !Find(node)) RaiseNotInTree();
  return node;
}

THeadTreeNode* THeadTreeNode::Add(const THeadTreeNode* afterNode, const AnsiString& text, int width,
                                  int height) {
  THeadTreeNode* host = InTree(afterNode)->fHost;
  // The root's ring is the root alone: a sibling there would belong to no node.
  if (host == nullptr) throw Exception("Root has no siblings");
  auto& ring = host->fChildren;
  const auto at = ring.begin() + static_cast<std::ptrdiff_t>(afterNode->IndexInHost()) + 1;
  THeadTreeNode* added = ring.insert(at, std::make_unique<THeadTreeNode>(text, width, height))->get();
  added->fHost = host;
  return added;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* node, const AnsiString& text, int width, int height) {
  THeadTreeNode* host = InTree(node);
  THeadTreeNode* added =
      host->fChildren.emplace_back(std::make_unique<THeadTreeNode>(text, width, height)).get();
  added->fHost = host;
  return added;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* fromNode, const THeadTreeNode* toNode, int height,
                                    const AnsiString& text) {
  THeadTreeNode* host = InTree(fromNode)->fHost;
  if (host == nullptr) throw Exception("Root has no siblings");
  auto& ring = host->fChildren;
  const std::size_t size = ring.size();
  const std::size_t from = fromNode->IndexInHost();
  std::size_t count = 0;
  for (std::size_t step = 0; step < size && count == 0; ++step)
    if (ring[(from + step) % size].get() == toNode) count = step + 1;
  if (count == 0) throw Exception("ATo not in level");

  auto group = std::make_unique<THeadTreeNode>(text, 0, height);
  group->fHost = host;
  group->LineWidth = fromNode->LineWidth;
  // Nothing below may throw once the first node has moved: the ring would keep holes.
  group->fChildren.reserve(count);
  int width = 0;
  for (std::size_t step = 0; step < count; ++step) {
    std::unique_ptr<THeadTreeNode>& moved = ring[(from + step) % size];
    moved->Height -= height;
    moved->fHost = group.get();
    width += moved->Width + moved->LineWidth;
    group->fChildren.push_back(std::move(moved));
  }
  group->Width = width - std::max(group->LineWidth, 0);
  // The moved places are empty now; a run that wrapped round the ring ends at the front,
  // so the group takes the first place there.
  std::erase(ring, nullptr);
  const std::size_t place = from + count <= size ? from : 0;
  return ring.insert(ring.begin() + static_cast<std::ptrdiff_t>(place), std::move(group))->get();
}

TExtractedWordEh ExtractWord(int n, const AnsiString& text, const AnsiString& delimiters) {
  std::size_t start = 0;
  for (int index = 1; n >= 1; ++index) {
    start = text.find_first_not_of(delimiters, start);
    if (start == AnsiString::npos) return {};
    const std::size_t end = std::min(text.find_first_of(delimiters, start), text.size());
    if (index == n) return {text.substr(start, end - start), start + 1};
    start = end;
  }
  return {};
}

// ---- Building it from the captions --------------------------------------------------------

namespace {

bool HasLevels(const THeadTreeNode& leaf) {
  return ExtractWord(2, leaf.Text, kLevelDelimiter).position != 0;
}

AnsiString GroupWord(const THeadTreeNode& leaf) {
  return ExtractWord(1, leaf.Text, kLevelDelimiter).word;
}

// The leaf's caption without its group word: from its second word on.
void DropGroupWord(THeadTreeNode& leaf) {
  leaf.Text.erase(0, ExtractWord(2, leaf.Text, kLevelDelimiter).position - 1);
}

}  // namespace

void TCustomDBGridEh::BuildTitleTree() {
  fHeadTree->FreeAllChild();
  fLeafCols.clear();
  const int lineWidth = fDBOptions.Contains(dgColLines) ? 1 : 0;
  for (int i = 0; i < fColumns->Count(); ++i) {
    TColumnEh* column = fColumns->Items(i);
    const int width = column->Visible() ? column->Width() : -lineWidth;
    THeadTreeNode* leaf =
        fHeadTree->AddChild(fHeadTree.get(), column->Title().Caption(), width, RowHeights(0));
    leaf->Column = column;
    leaf->LineWidth = lineWidth;
    leaf->MarkerWidth = column->Title().SortMarker() != smNoneEh ? 16 : 0;
    fLeafCols.push_back(leaf);
  }
  while (JoinTitleRun()) {
  }
}

bool TCustomDBGridEh::JoinTitleRun() {
  const std::size_t count = fLeafCols.size();
  for (std::size_t i = 0; i < count; ++i) {
    THeadTreeNode& first = *fLeafCols[i];
    if (!HasLevels(first)) continue;
    const AnsiString group = GroupWord(first);
    // A run stays among the first leaf's siblings: a leaf already put deeper (or under
    // another group) keeps its word for a band of its own.
    std::size_t end = i + 1;
    while (end < count && fLeafCols[end]->Host() == first.Host() && HasLevels(*fLeafCols[end]) &&
           GroupWord(*fLeafCols[end]) == group)
      ++end;
    for (std::size_t j = i; j < end; ++j) DropGroupWord(*fLeafCols[j]);
    fHeadTree->Union(&first, fLeafCols[end - 1], kGroupBandHeight, group);
    return true;
  }
  return false;
}

// ---- Band heights -------------------------------------------------------------------------

int TCustomDBGridEh::BandTextHeight(TDeviceContext& dc, const THeadTreeNode& node) const {
  if (node.Width < 1) return 0;
  const AnsiString text = node.Text.empty() ? AnsiString(" ") : node.Text;
  const TColumnTitleEh* title = node.Column != nullptr ? &node.Column->Title() : nullptr;
  dc.SelectFont(title != nullptr ? title->Font()->LogFont() : fTitleFont->LogFont());
  if (title != nullptr && title->Orientation() == tohVertical) return dc.GetTextExtentPoint32(text).cx + 6;
  TRect measured{0, 0, std::max(node.Width - 4 - node.MarkerWidth, 1), 0};
  DrawText(&dc, text, measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return measured.Height() + fVTitleMargin;
}

int TCustomDBGridEh::LayoutTitleBands(TDeviceContext& dc, THeadTreeNode& host) const {
  std::vector<int> below(static_cast<std::size_t>(host.ChildCount()));
  int ring = 0;
  for (int i = 0; i < host.ChildCount(); ++i) {
    THeadTreeNode& node = *host.Children(i);
    below[static_cast<std::size_t>(i)] = LayoutTitleBands(dc, node);
    ring = std::max(ring, BandTextHeight(dc, node) + below[static_cast<std::size_t>(i)]);
  }
  // Every band of the ring ends on the same line: a group keeps what its children leave.
  for (int i = 0; i < host.ChildCount(); ++i)
    host.Children(i)->Height = ring - below[static_cast<std::size_t>(i)];
  return ring;
}

void TCustomDBGridEh::LayoutTitleTree() {
  if (!fUseMultiTitle || !AreTitlesVisible()) {
    fHeadTree->FreeAllChild();
    fLeafCols.clear();
    return;
  }
  BuildTitleTree();
  // Without columns the title keeps the height of one line of the title font.
  if (fLeafCols.empty()) return;
  TRaster raster(1, 1);
  TRasterDC dc(raster);
  fHeadTree->Height = LayoutTitleBands(dc, *fHeadTree);
  const int treeHeight = fHeadTree->Height - (fOptionsEh.Contains(dghFixed3D) ? 1 : 3);
  // Title lines or extra height may ask for more: the lowest bands take it.
  const int asked = fTitleHeight != 0 || fTitleLines != 0 ? fCalculatedTitleHeight : 0;
  SetRowHeights(0, std::max({treeHeight, asked, 1}));
}

// ---- What the grid reads of it ------------------------------------------------------------

THeadTreeNode* TCustomDBGridEh::TitleLeaf(int dataCol) const {
  if (dataCol < 0 || static_cast<std::size_t>(dataCol) >= fLeafCols.size()) return nullptr;
  THeadTreeNode* leaf = fLeafCols[static_cast<std::size_t>(dataCol)];
  // Columns changed since the last layout (inside a columns' update): the tree no longer
  // speaks for them, and their old pointers are only compared, never followed.
  const bool current =
      static_cast<int>(fLeafCols.size()) == fColumns->Count() && leaf->Column == fColumns->Items(dataCol);
  return current ? leaf : nullptr;
}

namespace {

// The heights of the bands above `node`.
int BandsAbove(const THeadTreeNode& node) {
  int above = 0;
  for (const THeadTreeNode* host = node.Host(); host != nullptr && host->Host() != nullptr;
       host = host->Host())
    above += host->Height;
  return above;
}

}  // namespace

TRect TCustomDBGridEh::TitleLeafRect(int col, const TRect& cellRect) const {
  const THeadTreeNode* leaf = TitleLeaf(RawToDataColumn(col));
  TRect rect = cellRect;
  if (leaf != nullptr) rect.top = std::min(rect.top + BandsAbove(*leaf), rect.bottom);
  return rect;
}

AnsiString TCustomDBGridEh::TitleLeafCaption(TColumnEh& column) const {
  const THeadTreeNode* leaf = TitleLeaf(column.Index());
  return leaf != nullptr ? leaf->Text : column.Title().Caption();
}

// ---- Drawing the groups -------------------------------------------------------------------

namespace {

// The pixels of the siblings before `node` in its ring, each with its line.
int SiblingsBefore(const THeadTreeNode& node) {
  int before = 0;
  const THeadTreeNode& host = *node.Host();
  for (int i = 0; i < host.ChildCount() && host.Children(i) != &node; ++i)
    before += host.Children(i)->Width + host.Children(i)->LineWidth;
  return before;
}

}  // namespace

bool TCustomDBGridEh::TitleGroupHighlighted(const THeadTreeNode& group) {
  // Every column of the group draws it: it shows selected only when they all are, so that
  // the order of painting cannot change it.
  for (int dataCol = 0; dataCol < static_cast<int>(fLeafCols.size()); ++dataCol) {
    const THeadTreeNode* leaf = TitleLeaf(dataCol);
    if (leaf == nullptr || leaf->Width < 1 || !group.Find(leaf)) continue;
    if (!IsCellSelected(DataToRawColumn(dataCol), dataCol, 0, TBookmarkStr())) return false;
  }
  return true;
}

void TCustomDBGridEh::DrawTitleGroups(TColumnEh& column, const TRect& cellRect) {
  const THeadTreeNode* leaf = TitleLeaf(column.Index());
  if (leaf == nullptr) return;
  TCanvas& canvas = *Canvas();
  int left = cellRect.left;
  for (const THeadTreeNode* node = leaf; node->Host() != nullptr && node->Host()->Host() != nullptr;
       node = node->Host()) {
    const THeadTreeNode& group = *node->Host();
    left -= SiblingsBefore(*node);
    const int top = cellRect.top + BandsAbove(group);
    const TRect rect{left, top, left + group.Width, top + group.Height};
    canvas.Font()->Assign(TitleFont());
    TColor background = FixedColor();
    const bool highlighted = TitleGroupHighlighted(group);
    if (highlighted)
      GetHighlightCellColors(DataToRawColumn(column.Index()), 0, *canvas.Font(), background, true,
                             {cckDataEh, crkTitleEh});
    canvas.Brush()->SetColor(background);
    const bool themed = DrawThemedFixedCellEh(rect, false, highlighted);
    canvas.Brush()->SetStyle(bsClear);
    WriteColumnText(column, rect, false, 2, 1, group.Text,
                    {.Alignment = taCenter, .Layout = tlCenter, .MultiLine = true});
    canvas.Brush()->SetStyle(bsSolid);
    if (themed) continue;
    if (fOptionsEh.Contains(dghFixed3D)) DrawCellEdgeEh(this, &canvas, rect, true, true, false, highlighted);
    if (fDBOptions.Contains(dgRowLines)) {
      TPen& pen = *canvas.Pen();
      const TColor saved = pen.Color();
      pen.SetColor(Flat() ? clGray : clBlack);
      canvas.MoveTo(rect.left, rect.bottom - 1);
      canvas.LineTo(rect.right, rect.bottom - 1);
      pen.SetColor(saved);
    }
  }
}

// ---- Settings -------------------------------------------------------------------------------

void TCustomDBGridEh::SetUseMultiTitle(bool value) {
  ChangeValueEh(fUseMultiTitle, value, [this] { LayoutChanged(); });
}

void TCustomDBGridEh::SetVTitleMargin(int value) {
  CheckGridSettingEh("VTitleMargin", value, 0, kMaxGridExtentEh);
  ChangeValueEh(fVTitleMargin, value, [this] { LayoutChanged(); });
}

}  // namespace ordvane

#pragma once
// The title tree of a grid with multi-level titles: a caption "A|B" is shown as a band A
// over a band B, and adjacent columns whose captions begin with the same word share the
// upper band. Each node is one band; the leaves are the columns' lowest bands.

#include <memory>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

class TColumnEh;

class THeadTreeNode {
 public:
  THeadTreeNode(const AnsiString& text, int width, int height) : Height(height), Text(text), Width(width) {}
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;
  // A node owns its children: they go with it, depth first.
  ~THeadTreeNode() = default;

  // The first child; nullptr for a leaf.
  THeadTreeNode* Child() const { return fChildren.empty() ? nullptr : fChildren.front().get(); }
  // The parent; nullptr for the root.
  THeadTreeNode* Host() const { return fHost; }
  // The next sibling: the siblings form a ring, so the last leads back to the first and a
  // lone node (the root among them) to itself.
  const THeadTreeNode* Next() const;
  int ChildCount() const { return static_cast<int>(fChildren.size()); }
  THeadTreeNode* Children(int index) const { return fChildren.at(static_cast<std::size_t>(index)).get(); }
  // Number of Host links up to the root.
  int Level() const;

  // Whether `node` is this node or lies below it. The node is compared, never read, so a
  // pointer from elsewhere is safe to ask about.
  bool Find(const THeadTreeNode* node) const;
  // A new sibling right after `afterNode`. The root stands alone: it takes no sibling,
  // and a node outside the tree raises "Node not in Tree".
  THeadTreeNode* Add(const THeadTreeNode* afterNode, const AnsiString& text, int width, int height);
  // A new last child of `node`; a node outside the tree raises "Node not in Tree".
  THeadTreeNode* AddChild(THeadTreeNode* node, const AnsiString& text, int width, int height);
  // Puts the siblings from `fromNode` to `toNode` (in ring order) under a new node of
  // `height` in their place; each moved node's band shrinks by that height. Raises "Node
  // not in Tree" for a `fromNode` outside the tree (or the root) and "ATo not in level"
  // when `toNode` is no following sibling of it.
  THeadTreeNode* Union(THeadTreeNode* fromNode, const THeadTreeNode* toNode, int height,
                       const AnsiString& text);
  void FreeAllChild() { fChildren.clear(); }

  // The column of a leaf.
  TColumnEh* Column = nullptr;
  // The band's height in pixels.
  int Height;
  // The caption part shown in this band.
  AnsiString Text;
  // 1 with column lines, else 0.
  int LineWidth = 0;
  // A group spans its children and the lines between them.
  int Width;
  // The room of the leaf's sort marker.
  int MarkerWidth = 0;

 private:
  std::size_t IndexInHost() const;
  // `node` when it belongs to this tree, else raises "Node not in Tree".
  template <class Node>
  Node* InTree(Node* node) const;

  THeadTreeNode* fHost = nullptr;
  std::vector<std::unique_ptr<THeadTreeNode>> fChildren;
};

// The n-th word (from 1) of `text`, words being runs of characters that are none of
// `delimiters`, with its 1-based position; position 0 and an empty word when there is none.
struct TExtractedWordEh {
  AnsiString word;
  std::size_t position = 0;
};
TExtractedWordEh ExtractWord(int n, const AnsiString& text, const AnsiString& delimiters);

}  // namespace ordvane

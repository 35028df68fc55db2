#include "classlib/core/Collections.h"

#include <gtest/gtest.h>

#include "classlib/core/SysUtils.h"

namespace ordvane {
namespace {

int gLiveColumns = 0;

class TColumn : public TCollectionItem {
  ORDVANE_CLASS(TColumn, TCollectionItem)

 public:
  explicit TColumn(TCollection* collection) : TCollectionItem(collection), fWidth(64) { ++gLiveColumns; }
  ~TColumn() override { --gLiveColumns; }

  int Width() const { return fWidth; }
  void SetWidth(int width) {
    fWidth = width;
    Changed(false);
  }
  void Assign(const TPersistent* source) override {
    if (const auto* other = dynamic_cast<const TColumn*>(source)) {
      fWidth = other->fWidth;
      return;
    }
    TCollectionItem::Assign(source);
  }

 private:
  int fWidth;
};

// Records every Update, and what the items looked like at that moment.
class TColumns : public TCollection {
  ORDVANE_CLASS(TColumns, TCollection)

 public:
  explicit TColumns(TPersistent* owner) : TCollection(owner, TCollectionItemClass::Of<TColumn>()) {}
  std::vector<std::string> updates;

 protected:
  void Update(TCollectionItem* item) override {
    std::string widths;
    for (int i = 0; i < Count(); ++i)
      widths += std::to_string(static_cast<TColumn*>(Items(i))->Width()) + " ";
    updates.push_back((item == nullptr ? "all: " : "item " + std::to_string(item->Index()) + ": ") + widths);
  }
};

TColumn* Column(const TCollection& c, int index) {
  return static_cast<TColumn*>(c.Items(index));
}

TEST(Collections, ItemsAreAnnouncedOnceFullyBuilt) {
  TColumns columns(nullptr);
  auto* first = static_cast<TColumn*>(columns.Add());
  EXPECT_EQ(first->ClassName(), "TColumn");
  EXPECT_EQ(first->Collection(), &columns);
  EXPECT_EQ(first->GetOwner(), &columns);
  EXPECT_EQ(first->GetDisplayName(), "TColumn");
  EXPECT_EQ(columns.ItemClass(), TColumn::StaticClass());
  // The new item's own constructor had run when the collection heard of it.
  EXPECT_EQ(columns.updates, std::vector<std::string>{"all: 64 "});

  first->SetWidth(10);
  EXPECT_EQ(columns.updates.back(), "item 0: 10 ");
}

TEST(Collections, InsertMoveAndDeleteKeepOrder) {
  TColumns columns(nullptr);
  for (int width : {1, 2, 3}) static_cast<TColumn*>(columns.Add())->SetWidth(width);
  static_cast<TColumn*>(columns.Insert(0))->SetWidth(0);
  static_cast<TColumn*>(columns.Insert(4))->SetWidth(4);
  ASSERT_EQ(columns.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Column(columns, i)->Width(), i);

  Column(columns, 4)->SetIndex(1);
  EXPECT_EQ(columns.updates.back(), "all: 0 4 1 2 3 ");
  EXPECT_EQ(Column(columns, 1)->Index(), 1);

  columns.Delete(1);
  delete Column(columns, 0);  // deleting an item takes it out of its collection
  EXPECT_EQ(columns.updates.back(), "all: 1 2 3 ");
  EXPECT_EQ(gLiveColumns, 3);

  for (int bad : {-1, 3}) {
    try {
      columns.Items(bad);
      FAIL();
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(columns.Insert(4), EListError);
  EXPECT_THROW(columns.Insert(-1), EListError);
  EXPECT_THROW(Column(columns, 0)->SetIndex(3), EListError);
  EXPECT_THROW(columns.Delete(3), EListError);
  EXPECT_EQ(columns.Count(), 3);
  EXPECT_EQ(gLiveColumns, 3);
}

TEST(Collections, UpdateBracketAnnouncesOnce) {
  TColumns columns(nullptr);
  columns.BeginUpdate();
  columns.BeginUpdate();
  for (int i = 0; i < 3; ++i) columns.Add();
  Column(columns, 1)->SetWidth(5);
  columns.EndUpdate();
  EXPECT_TRUE(columns.updates.empty());
  columns.EndUpdate();
  EXPECT_EQ(columns.updates, std::vector<std::string>{"all: 64 5 64 "});
  // An unmatched EndUpdate does not stop later announcements.
  columns.EndUpdate();
  columns.updates.clear();
  columns.Clear();
  EXPECT_EQ(columns.updates, std::vector<std::string>{"all: "});
  EXPECT_EQ(gLiveColumns, 0);
}

TEST(Collections, AssignCopiesItemsAndRefusesStrangers) {
  TColumns source(nullptr), target(nullptr);
  for (int width : {7, 8}) static_cast<TColumn*>(source.Add())->SetWidth(width);
  target.Add();
  target.updates.clear();
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(Column(target, 0)->Width(), 7);
  EXPECT_EQ(Column(target, 1)->Width(), 8);
  EXPECT_EQ(target.updates, std::vector<std::string>{"all: 7 8 "});
  target.Assign(&target);
  EXPECT_EQ(target.Count(), 2);

  TColumn loose(nullptr);
  EXPECT_EQ(loose.Index(), -1);
  try {
    target.Assign(&loose);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TColumn to a TColumns");
  }
}

TEST(Collections, DestroyingTheCollectionFreesItsItems) {
  TPersistent owner;
  {
    TColumns columns(&owner);
    EXPECT_EQ(columns.Owner(), &owner);
    for (int i = 0; i < 4; ++i) columns.Add();
    EXPECT_EQ(gLiveColumns, 4);
  }
  EXPECT_EQ(gLiveColumns, 0);
}

}  // namespace
}  // namespace ordvane

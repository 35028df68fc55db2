// The named-object list, the sorted key list and the string table.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dbclient/pFIBLists.h"

namespace ordvane {
namespace {

// An object that counts its own deletion.
class Counted : public TObject {
 public:
  explicit Counted(int& deleted) : fDeleted(deleted) {}
  ~Counted() override { ++fDeleted; }

 private:
  int& fDeleted;
};

std::vector<Integer> Keys(const TSortedList& list) {
  std::vector<Integer> keys;
  for (int i = 0; i < list.Count(); ++i) keys.push_back(list.GetItem(i));
  return keys;
}

TEST(ObjStringList, HashReadsFromTheSecondByteThroughTheTerminator) {
  // A one-character name hashes its terminating zero only: all such names collide.
  EXPECT_EQ(TObjStringList::HashOf("a"), -32);
  EXPECT_EQ(TObjStringList::HashOf("a"), TObjStringList::HashOf("Z"));
  EXPECT_EQ(TObjStringList::HashOf(""), 0);
  // "ab": ('b' - 32) * 37 + (0 - 32).
  EXPECT_EQ(TObjStringList::HashOf("ab"), (98 - 32) * 37 - 32);
  // 16 characters and more sample every (n div 8)-th byte with factor 39 (values worked
  // out by hand in Python).
  EXPECT_EQ(TObjStringList::HashOf("0123456789abcdef"), 846029943);
  EXPECT_EQ(TObjStringList::HashOf("0123456789abcdefghij"), -1678642615);
  // Names that differ only in bytes the sample skips collide.
  EXPECT_EQ(TObjStringList::HashOf("X123456789abcdef"), TObjStringList::HashOf("Y123456789abcdef"));
}

TEST(ObjStringList, HashedFindsEveryNameAmongCollisionsAndKeepsHashOrder) {
  int deleted = 0;
  {
    TObjStringList list(nullptr, true);
    // Single letters all share one hash; longer names spread out.
    const std::vector<std::string> names = {"q", "a", "select 1", "Z", "x", "select 2", "b", ""};
    std::map<std::string, TObject*> objects;
    for (const auto& name : names) {
      TObject* object = new Counted(deleted);
      objects[name] = object;
      const int index = list.AddObject(name, object);
      EXPECT_EQ(list.Names(index), name);
    }
    ASSERT_EQ(list.Count(), static_cast<int>(names.size()));
    for (int i = 1; i < list.Count(); ++i)
      EXPECT_LE(TObjStringList::HashOf(list.Names(i - 1)), TObjStringList::HashOf(list.Names(i)));
    for (const auto& [name, object] : objects) {
      int index = -1;
      ASSERT_TRUE(list.Find(name, index)) << name;
      EXPECT_EQ(list.GetObject(index), object);
    }
    // Names compare exactly in hashed mode.
    int index;
    EXPECT_FALSE(list.Find("A", index));
    EXPECT_EQ(TObjStringList::HashOf(list.Names(index)), TObjStringList::HashOf("A"));

    // An existing name keeps its object; the offered one stays the caller's.
    Counted offered(deleted);
    const int existing = list.AddObject("a", &offered);
    EXPECT_EQ(list.Names(existing), "a");
    EXPECT_EQ(list.GetObject(existing), objects["a"]);
    EXPECT_EQ(list.Count(), static_cast<int>(names.size()));

    // Remove hands the object back and the rest are still found.
    TObject* removed = list.Remove("x");
    EXPECT_EQ(removed, objects["x"]);
    delete removed;
    EXPECT_EQ(list.Remove("x"), nullptr);
    for (const auto& name : {"q", "a", "Z", "b"}) EXPECT_TRUE(list.Find(name, index)) << name;
    EXPECT_EQ(deleted, 1);
  }
  // The seven remaining objects died with the list; the offered one with its scope.
  EXPECT_EQ(deleted, 9);
}

TEST(ObjStringList, HashedAgreesWithASetOverManyRandomNames) {
  std::mt19937 random(7);
  TObjStringList list(nullptr, true);
  std::set<std::string> reference;
  for (int i = 0; i < 2000; ++i) {
    std::string name;
    const int length = static_cast<int>(random() % 24);
    for (int k = 0; k < length; ++k) name += static_cast<char>('A' + random() % 4);
    if (random() % 4 == 0) {
      delete list.Remove(name);
      reference.erase(name);
    } else if (reference.insert(name).second) {
      list.AddObject(name, nullptr);
    }
  }
  ASSERT_EQ(list.Count(), static_cast<int>(reference.size()));
  for (const auto& name : reference) {
    int index;
    EXPECT_TRUE(list.Find(name, index)) << name;
  }
}

TEST(ObjStringList, UnhashedIsASortedListIgnoringDuplicates) {
  int deleted = 0;
  TObjStringList list(nullptr, false);
  list.AddObject("beta", new Counted(deleted));
  list.AddObject("alpha", new Counted(deleted));
  EXPECT_EQ(list.Names(0), "alpha");
  Counted offered(deleted);
  EXPECT_EQ(list.AddObject("BETA", &offered), 1);
  EXPECT_EQ(list.Count(), 2);
  int index;
  EXPECT_TRUE(list.Find("Alpha", index));
  EXPECT_EQ(index, 0);
  delete list.Delete(0);
  EXPECT_EQ(deleted, 1);
  list.Clear();
  EXPECT_EQ(deleted, 2);
  EXPECT_EQ(list.Count(), 0);
}

TEST(SortedList, AddFindRemoveAndShift) {
  TSortedList list;
  EXPECT_EQ(list.LastItem(), -1);
  list.Add(5);
  list.Add(1);
  EXPECT_EQ(list.Add(3), 1);
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 3, 5}));
  EXPECT_EQ(list.Add(3), 1);
  EXPECT_EQ(list.Count(), 3);
  int index;
  EXPECT_FALSE(list.Find(4, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(9, index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.LastItem(), 5);

  list.IncValues(4, 1);
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 3, 6}));
  list.IncValues(3, 10);
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 13, 16}));
  list.IncValues(2, -10);  // 13 -> 3 stays above 1
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 3, 6}));
  // A shift onto or past the key before, or out of range, is refused whole.
  EXPECT_THROW(list.IncValues(3, -2), EListError);
  EXPECT_THROW(list.IncValues(6, 2147483647), EListError);
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 3, 6}));
  list.IncValues(7, -100);  // no key from 7 on: nothing to move
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 3, 6}));

  list.Remove(3);
  list.Remove(4);
  EXPECT_EQ(Keys(list), (std::vector<Integer>{1, 6}));
  EXPECT_THROW(list.GetItem(2), EListError);
  EXPECT_THROW(list.GetItem(-1), EListError);
  // Signed keys order below zero too.
  list.Add(-2147483647 - 1);
  EXPECT_EQ(list.GetItem(0), -2147483647 - 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

std::string AssertionOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAssertionFailed& e) {
    return e.Message().substr(0, e.Message().find(" ("));
  }
  return "no error";
}

TEST(StringCollection, GrowsBy128ThenByHalfAndChecksEveryIndex) {
  TStringCollection table(3);
  EXPECT_EQ(table.Capacity(), 0);
  EXPECT_EQ(table.AddRow(), 1);
  EXPECT_EQ(table.Capacity(), 128);
  EXPECT_EQ(AssertionOf([&] { table.ReadString(3, 0); }), "Can't read value to StrCollection. Bad X-Index");
  EXPECT_EQ(AssertionOf([&] { table.ReadString(0, 1); }), "Can't read value to StrCollection. Bad Y-Index");
  EXPECT_EQ(AssertionOf([&] { table.ReadString(-1, 0); }), "Can't read value to StrCollection. Bad X-Index");
  EXPECT_EQ(AssertionOf([&] { table.GetCellPtr(0, -1); }), "Can't read value to StrCollection. Bad Y-Index");
  EXPECT_EQ(AssertionOf([&] { table.WriteString(-1, 0, "x"); }), "Can't write value to StrCollection. Bad X-Index");
  EXPECT_EQ(AssertionOf([&] { table.WriteBuffer(0, -5, 1, "x"); }),
            "Can't write value to StrCollection. Bad Y-Index");
  EXPECT_EQ(AssertionOf([&] { table.DeleteRow(1); }), "Can't write value to StrCollection. Bad Y-Index");
  EXPECT_EQ(table.ReadString(0, 0), "");

  for (int row = 1; row < 128; ++row) table.WriteString(row % 3, table.AddRow() - 1, std::to_string(row));
  EXPECT_EQ(table.Capacity(), 128);
  EXPECT_EQ(table.AddRow(), 129);
  EXPECT_EQ(table.Capacity(), 192);
  EXPECT_EQ(table.ReadString(127 % 3, 127), "127");
  while (table.RowCount() < 193) table.AddRow();
  EXPECT_EQ(table.Capacity(), 288);
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.Capacity(), 0);
  EXPECT_EQ(AssertionOf([&] { table.ReadString(0, 0); }), "Can't read value to StrCollection. Bad Y-Index");
}

TEST(StringCollection, CellsAreCopiesAndDeletedRowsMoveUp) {
  TStringCollection table(2);
  for (int i = 0; i < 4; ++i) table.AddRow();
  char buffer[] = {'a', 'b', 'c', '\0', 'd'};
  table.WriteBuffer(0, 0, -1, buffer);
  table.WriteBuffer(1, 0, 5, buffer);
  buffer[0] = 'X';
  EXPECT_EQ(table.ReadString(0, 0), "abc");
  EXPECT_EQ(table.ReadString(1, 0), std::string("abc\0d", 5));
  table.WriteBuffer(1, 0, 0, buffer);
  EXPECT_EQ(table.ReadString(1, 0), "");
  table.WriteString(0, 1, "one");
  table.WriteString(0, 2, "two");
  table.WriteString(0, 3, "three");
  *table.GetCellPtr(1, 3) = "in place";

  table.DeleteRow(1);
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_EQ(table.ReadString(0, 1), "two");
  EXPECT_EQ(table.ReadString(0, 2), "three");
  EXPECT_EQ(table.ReadString(1, 2), "in place");
  // The row that was freed at the end comes back empty.
  EXPECT_EQ(table.AddRow(), 4);
  EXPECT_EQ(table.ReadString(0, 3), "");
  EXPECT_EQ(table.ReadString(1, 3), "");
}

}  // namespace
}  // namespace ordvane

#include "classlib/core/Lists.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

// Records every notification as "+x", "-x" (deleted) or ">x" (extracted).
class TRecordingList : public TList {
 public:
  std::string log;

 protected:
  void Notify(void* item, TListNotification action) override {
    log += action == lnAdded ? '+' : action == lnDeleted ? '-' : '>';
    log += *static_cast<char*>(item);
  }
};

std::string Contents(const TList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) out += list.Items(i) ? *static_cast<char*>(list.Items(i)) : '.';
  return out;
}

TEST(Lists, PointerListEditsAndAnnouncesEntries) {
  char a = 'a', b = 'b', c = 'c', d = 'd';
  TRecordingList list;
  EXPECT_EQ(list.Add(&a), 0);
  list.Add(&b);
  list.Insert(0, &c);
  list.Insert(3, &d);
  list.Add(nullptr);
  EXPECT_EQ(Contents(list), "cabd.");
  EXPECT_EQ(list.log, "+a+b+c+d");
  EXPECT_EQ(list.First(), &c);
  EXPECT_EQ(list.Last(), nullptr);

  EXPECT_EQ(list.Remove(&b), 2);
  EXPECT_EQ(list.Remove(&b), -1);
  EXPECT_EQ(list.Extract(&a), &a);
  EXPECT_EQ(list.Extract(&a), nullptr);
  list.SetItems(0, &b);
  list.Exchange(0, 1);
  EXPECT_EQ(Contents(list), "db.");
  list.Move(0, 2);
  EXPECT_EQ(Contents(list), "b.d");
  list.Pack();
  EXPECT_EQ(Contents(list), "bd");
  EXPECT_EQ(list.log, "+a+b+c+d-b>a-c+b");

  list.log.clear();
  list.SetCount(4);
  EXPECT_EQ(Contents(list), "bd..");
  list.SetCount(1);
  list.Clear();
  EXPECT_EQ(list.log, "-d-b");
  EXPECT_EQ(list.Count(), 0);
}

TEST(Lists, OutOfRangeIsRefusedWithTheLibrarysMessages) {
  char a = 'a';
  TList list;
  list.Add(&a);
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Items(1); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Items(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Insert(2, &a); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Delete(1); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Move(0, 1); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.Exchange(0, 5); }), "List index out of bounds (5)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.SetCount(-1); }), "List count out of bounds (-1)");
  EXPECT_EQ(ErrorOf<EListError>([&] { list.SetCapacity(0); }), "List capacity out of bounds (0)");
  EXPECT_EQ(ErrorOf<EListError>([] { TList().First(); }), "List index out of bounds (0)");
  list.SetCapacity(100);
  EXPECT_GE(list.Capacity(), 100);
  EXPECT_EQ(list.Count(), 1);
}

int CompareChars(void* x, void* y) {
  return *static_cast<char*>(x) - *static_cast<char*>(y);
}

TEST(Lists, SortIsStableAndSafeWithAnyCompare) {
  std::string letters = "dbcabdca";
  TList list;
  for (char& ch : letters) list.Add(&ch);
  list.Sort(CompareChars);
  EXPECT_EQ(Contents(list), "aabbccdd");
  // Equal items keep their order: the first 'a' of the text comes first.
  EXPECT_EQ(list.Items(0), &letters[3]);
  EXPECT_EQ(list.Items(1), &letters[7]);

  // A compare that answers at random still yields every item exactly once.
  static std::mt19937 random(7);
  std::vector<int> values(1000);
  TList many;
  for (int& v : values) many.Add(&v);
  many.Sort([](void*, void*) { return static_cast<int>(random() % 3) - 1; });
  std::vector<void*> seen;
  for (int i = 0; i < many.Count(); ++i) seen.push_back(many.Items(i));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(seen.size(), values.size());
}

int gLiveObjects = 0;
struct TCounted : TObject {
  TCounted() { ++gLiveObjects; }
  ~TCounted() override { --gLiveObjects; }
};

TEST(Lists, ObjectListDeletesWhatItOwns) {
  {
    TObjectList list;
    for (int i = 0; i < 5; ++i) list.Add(new TCounted);
    EXPECT_EQ(gLiveObjects, 5);
    list.Delete(0);
    EXPECT_EQ(gLiveObjects, 4);
    std::unique_ptr<TObject> kept(list.Extract(list.Items(0)));
    EXPECT_EQ(gLiveObjects, 4);
    list.SetItems(0, new TCounted);  // the replaced object goes
    EXPECT_EQ(gLiveObjects, 4);
    EXPECT_EQ(list.Remove(list.Items(1)), 1);
    EXPECT_EQ(gLiveObjects, 3);
  }
  EXPECT_EQ(gLiveObjects, 0);

  TCounted outside;
  {
    TObjectList borrowed(false);
    borrowed.Add(&outside);
    borrowed.Delete(0);
    borrowed.Add(&outside);
  }
  EXPECT_EQ(gLiveObjects, 1);
}

TEST(Lists, ThreadListGuardsConcurrentUse) {
  std::vector<int> values(400);
  TThreadList shared;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int& v : values) shared.Add(&v);  // every thread adds the same items
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(TThreadList::Locked(shared)->Count(), 400);

  shared.SetDuplicates(dupAccept);
  threads.clear();
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) {
        TThreadList::Locked list(shared);
        list->Add(&values[0]);
        list->Delete(list->Count() - 1);
        list->Add(&values[1]);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(TThreadList::Locked(shared)->Count(), 800);

  shared.SetDuplicates(dupError);
  const std::string message = ErrorOf<EListError>([&] { shared.Add(&values[0]); });
  EXPECT_EQ(message.rfind("List does not allow duplicates ($0", 0), 0u) << message;
  shared.Remove(&values[0]);
  shared.Clear();
  EXPECT_EQ(TThreadList::Locked(shared)->Count(), 0);
}

}  // namespace
}  // namespace ordvane

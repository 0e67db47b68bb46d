// ZLinkedList: removal, moves and additions while (nested) iterations run, and that removed
// values live exactly until the outermost iteration ends.
#include "ztools/base/zlinkedlist.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ZTools;

namespace {

template <typename T>
std::vector<T> Values(ZLinkedList<T>& list) {
  std::vector<T> out;
  for (T& v : list.Iterate())
    out.push_back(v);
  return out;
}

// Counts its live instances, to see when the list really frees a value.
struct Tracked {
  explicit Tracked(int* alive) : alive(alive) { ++*alive; }
  ~Tracked() { --*alive; }
  int* alive;
};

}  // namespace

TEST(ZLinkedListTest, OrderedOperationsWithoutIteration) {
  ZLinkedList<int> list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.At(0), nullptr);
  list.PushBack(2);
  list.PushBack(3);
  list.PushFront(1);
  list.Insert(1, 9);
  list.Insert(99, 4);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 9, 2, 3, 4}));
  EXPECT_EQ(list.Count(), 5u);
  EXPECT_EQ(list.IndexOf(3), 3);
  EXPECT_EQ(list.IndexOf(7), -1);
  EXPECT_TRUE(list.Remove(9));
  EXPECT_FALSE(list.Remove(9));
  EXPECT_TRUE(list.MoveToBack(1));
  EXPECT_TRUE(list.MoveToFront(4));
  EXPECT_FALSE(list.MoveToFront(42));
  EXPECT_EQ(Values(list), (std::vector<int>{4, 2, 3, 1}));
  EXPECT_EQ(*list.First(), 4);
  EXPECT_EQ(*list.Last(), 1);
  EXPECT_EQ(*list.At(2), 3);
  std::vector<int> backwards;
  for (int v : list.IterateReverse())
    backwards.push_back(v);
  EXPECT_EQ(backwards, (std::vector<int>{1, 3, 2, 4}));
  EXPECT_EQ(list.RemoveIf([](int v) { return v % 2 == 0; }), 2u);
  EXPECT_EQ(Values(list), (std::vector<int>{3, 1}));
  list.Clear();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Last(), nullptr);
}

TEST(ZLinkedListTest, RemovingDuringIterationNeverBreaksTheWalk) {
  // Each visited value removes itself, its successor, or the whole list.
  ZLinkedList<int> list;
  for (int i = 1; i <= 6; ++i)
    list.PushBack(i);
  std::vector<int> seen;
  for (int v : list.Iterate()) {
    seen.push_back(v);
    list.Remove(v);  // the current node
    if (v == 2)
      list.Remove(3);  // the next one: must not be visited
    if (v == 4) {
      EXPECT_EQ(list.Count(), 2u);  // removed nodes are invisible at once
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 4, 5, 6}));
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.First(), nullptr);

  for (int i = 1; i <= 3; ++i)
    list.PushBack(i);
  seen.clear();
  for (int v : list.IterateReverse()) {
    seen.push_back(v);
    list.Clear();
  }
  EXPECT_EQ(seen, (std::vector<int>{3}));
  list.PushBack(7);  // the list is usable after the pending nodes were freed
  EXPECT_EQ(Values(list), (std::vector<int>{7}));
}

TEST(ZLinkedListTest, RemovedValuesLiveUntilTheOutermostIterationEnds) {
  int alive = 0;
  ZLinkedList<std::unique_ptr<Tracked>> list;
  list.PushBack(std::make_unique<Tracked>(&alive));
  list.PushBack(std::make_unique<Tracked>(&alive));
  Tracked* first = list.First()->get();
  {
    auto outer = list.Iterate();
    for (auto& item : outer) {
      {
        auto inner = list.Iterate();
        list.RemoveFirstIf([&](const auto& p) { return p.get() == first; });
      }
      EXPECT_EQ(alive, 2) << "freed when only the inner iteration ended";
      EXPECT_EQ(item->alive, &alive);  // the value under the outer iterator is still intact
    }
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 1);
  list.Clear();
  EXPECT_EQ(alive, 0);
}

TEST(ZLinkedListTest, MovesAndAdditionsDuringIteration) {
  ZLinkedList<int> list;
  for (int i = 1; i <= 3; ++i)
    list.PushBack(i);
  std::vector<int> seen;
  for (int v : list.Iterate()) {
    seen.push_back(v);
    if (v == 1)
      list.MoveToBack(1);  // moving itself to the back must not bring it round again
    if (v == 2)
      list.PushBack(4);  // added during the walk: left to the next one
    if (seen.size() > 10)
      break;
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 1, 4}));
  list.Remove(4);
  list.PushFront(0);

  // ForEach stops when the callback answers true, and the iteration still closes.
  int visited = 0;
  EXPECT_TRUE(list.ForEach([&](int v) {
    ++visited;
    return v == 3;
  }));
  EXPECT_EQ(visited, 3);
  EXPECT_FALSE(list.IsIterating());
  int sum = 0;
  EXPECT_FALSE(list.ForEach([&](int v) { sum += v; }));
  EXPECT_EQ(sum, 6);
}

// zilcontainers_gc_test.cpp - the container classes and the collector: cycles through tables,
// lists, arrays and iterators are freed by one collection, reachable containers keep everything
// they hold (a node removed from its list included, through its iterator), and containers that
// hold each other without a cycle go by reference counting alone.
#include <string>

#include "zil_container_support.h"

using namespace ziltest;

namespace {

enum {
  kListAdd = 3,
  kListRemove = 10,
  kTableGet = 3,
  kTableSet = 4,
  kArrayPush = 14
};
enum {
  kItConstruct = 0,
  kItNext = 5,
  kItDelete = 7,
  kItValue = 9
};

class ZILContainerGC : public ContainerFixture {
 protected:
  void share(ZILHandle* h) { ZILAddRef(h); }
};

TEST_F(ZILContainerGC, ACycleThroughATableAndAListIsCollectedByOneCollection) {
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  ZILHandle* l = make(ZIL_TYPE_LIST);
  ZILHandle* a = make(ZIL_TYPE_ARRAY);
  share(l);
  ASSERT_EQ(call(t, kTableSet, {S("list"), l}), 0);
  share(t);
  ASSERT_EQ(call(l, kListAdd, {S("table"), t}), 0);
  share(a);
  ASSERT_EQ(call(l, kListAdd, {I(1), a}), 0);
  share(t);
  ASSERT_EQ(call(a, kArrayPush, {t}), 0);
  share(a);
  ASSERT_EQ(call(a, kArrayPush, {a}), 0);  // the array holds itself as well
  ASSERT_EQ(call(t, kTableSet, {S("text"), S("payload")}), 0);
  ZILHandle* it = make(ZIL_TYPE_ITERATOR);
  share(l);
  ASSERT_EQ(call(it, kItConstruct, {l}), 0);
  share(it);
  ASSERT_EQ(call(t, kTableSet, {S("iterator"), it}), 0);
  setReg(1, N());

  // Reachable from a register: a collection keeps every object and value.
  setReg(7, t);
  for (ZILHandle* h : {l, a, it})
    ZILRelease(ps, h);
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  EXPECT_EQ(get(t, kTableGet, {S("text")}), "'payload'");
  setReg(1, N());

  // Unreachable: one collection frees them all, and nothing is left over.
  setReg(7, N());
  EXPECT_GT(ZILCollectGarbage(ps), 0);
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILContainerGC, ARemovedNodeKeepsItsValueThroughItsIterator) {
  ZILHandle* l = make(ZIL_TYPE_LIST);
  ASSERT_EQ(call(l, kListAdd, {I(1), A({S("kept")})}), 0);
  ASSERT_EQ(call(l, kListAdd, {I(2), S("two")}), 0);
  ZILHandle* it = make(ZIL_TYPE_ITERATOR);
  share(l);
  ASSERT_EQ(call(it, kItConstruct, {l}), 0);
  ASSERT_EQ(call(it, kItDelete), 0);
  setReg(5, it);
  ZILRelease(ps, l);  // the iterator holds the list
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  EXPECT_EQ(get(it, kItValue), "['kept']");
  ASSERT_EQ(call(it, kItNext), 0);
  EXPECT_EQ(get(it, kItValue), "'two'");
  setReg(1, N());
  setReg(5, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILContainerGC, ContainersHoldingEachOtherWithoutACycleGoByTheirCounts) {
  // array -> list -> table -> iterator -> list2 -> array2, released from the outside in.
  ZILHandle* a2 = A({S("leaf"), F(1.5)});
  ZILHandle* l2 = make(ZIL_TYPE_LIST);
  ASSERT_EQ(call(l2, kListAdd, {S("a2"), a2}), 0);
  ZILHandle* it = make(ZIL_TYPE_ITERATOR);
  ASSERT_EQ(call(it, kItConstruct, {l2}), 0);
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  ASSERT_EQ(call(t, kTableSet, {S("it"), it}), 0);
  ZILHandle* l = make(ZIL_TYPE_LIST);
  ASSERT_EQ(call(l, kListAdd, {F(0.5), t}), 0);
  ZILHandle* a = A({l});
  ASSERT_GT(ps->handlesInUse, baseline + 8);
  ZILRelease(ps, a);
  EXPECT_EQ(ps->handlesInUse, baseline);
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
}

TEST_F(ZILContainerGC, TeardownFreesCyclesLeftBehind) {
  // Left for ZILTerminate: the sanitizer build reports anything it fails to free.
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  ZILHandle* l = make(ZIL_TYPE_LIST);
  share(l);
  ASSERT_EQ(call(t, kTableSet, {S("l"), l}), 0);
  ASSERT_EQ(call(l, kListAdd, {S("t"), t}), 0);
  ZILHandle* it = make(ZIL_TYPE_ITERATOR);
  ASSERT_EQ(call(it, kItConstruct, {l}), 0);
  ASSERT_EQ(call(it, kItDelete), 0);
  ASSERT_EQ(call(t, kTableSet, {S("it"), it}), 0);
}

class ZILContainerPools : public ZILContainerGC {
 protected:
  bool usePools() const override { return true; }
};

TEST_F(ZILContainerPools, ContainersLiveAndDieOnThePools) {
  testing::internal::CaptureStderr();
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  ZILHandle* l = make(ZIL_TYPE_LIST);
  for (int i = 0; i < 2000; ++i) {
    std::string key = "key" + std::to_string(i);
    ASSERT_EQ(call(t, kTableSet, {S(key), A({I(i), S(key)})}), 0);
    ASSERT_EQ(call(l, kListAdd, {S(key), I(i)}), 0);
  }
  share(l);
  ASSERT_EQ(call(t, kTableSet, {S("list"), l}), 0);
  share(t);
  ASSERT_EQ(call(l, kListAdd, {I(-1), t}), 0);
  ZILHandle* it = make(ZIL_TYPE_ITERATOR);
  share(l);
  ASSERT_EQ(call(it, kItConstruct, {l}), 0);
  ASSERT_EQ(call(it, kItDelete), 0);
  EXPECT_EQ(get(t, kTableGet, {S("key1999")}), "[1999,'key1999']");
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "iterator"), ZIL_TYPE_ITERATOR);
  setReg(1, N());
  for (ZILHandle* h : {t, l, it})
    ZILRelease(ps, h);
  EXPECT_GT(ZILCollectGarbage(ps), 0);
  EXPECT_EQ(ps->handlesInUse, baseline);
  TearDown();
  ps = nullptr;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no invalid frees, no leaked buckets";
}

}  // namespace

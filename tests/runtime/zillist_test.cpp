// zillist_test.cpp - the built-in list and iterator classes through their type procs: duplicate
// keys with add and addOrSet, key matching by type, the edits that find a node by key, the
// insertion sort across types and with a comparator (also one that changes the list), enumerate,
// and iterators on deleted and removed nodes, which stay alive while an iterator is on them.
#include <climits>

#include "zil_container_support.h"

using namespace ziltest;

namespace {

enum {
  kConstruct,
  kCopyConstruct,
  kLength,
  kAdd,
  kAddOrSet,
  kInsert,
  kInsertAfter,
  kSwap,
  kMoveToFirst,
  kMoveToLast,
  kRemove,
  kClear,
  kSort,
  kValue,
  kValueFromIndex,
  kKeyFromIndex,
  kKeyExists,
  kEnumerate,
  kDeepCopy,
};
enum {
  kItConstruct,
  kItCopy,
  kItFirst,
  kItLast,
  kItPrev,
  kItNext,
  kItInsert,
  kItDelete,
  kItKey,
  kItValue,
  kItSetValue,
  kItValid,
  kItIsFirst,
  kItIsLast,
};

class ZILListClass : public ContainerFixture {
 protected:
  // "key=value" of every node, first to last.
  std::string pairs(ZILHandle* list) {
    std::string out;
    for (ZILListNode* n = static_cast<ZILList*>(list->payload.p)->first; n; n = n->next)
      out += (out.empty() ? "" : " ") + text(n->key) + "=" + text(n->value);
    return out;
  }
  ZILHandle* listOf(std::vector<std::pair<ZILHandle*, ZILHandle*>> entries) {
    ZILHandle* l = make(ZIL_TYPE_LIST);
    for (auto [k, v] : entries)
      EXPECT_EQ(call(l, kAdd, {k, v}), 0);
    return l;
  }
  ZILHandle* iteratorOn(ZILHandle* list) {
    ZILHandle* it = make(ZIL_TYPE_ITERATOR);
    ZILAddRef(list);
    EXPECT_EQ(call(it, kItConstruct, {list}), 0);
    return it;
  }
};

TEST_F(ZILListClass, DuplicateKeysWithAddAndAddOrSet) {
  ZILHandle* l = make(ZIL_TYPE_LIST);
  ASSERT_EQ(call(l, kAdd, {S("k"), I(1)}), 0);
  ASSERT_EQ(call(l, kAdd, {S("k"), I(2)}), 0);
  EXPECT_EQ(get(l, kLength), "2") << "add appends even when the key exists";
  EXPECT_EQ(get(l, kValue, {S("k")}), "1") << "lookups take the first node";
  ASSERT_EQ(call(l, kAddOrSet, {S("k"), I(3)}), 0);
  EXPECT_EQ(pairs(l), "'k'=3 'k'=2");
  ASSERT_EQ(call(l, kAddOrSet, {S("new"), I(4)}), 0);
  EXPECT_EQ(pairs(l), "'k'=3 'k'=2 'new'=4");
  ASSERT_EQ(call(l, kRemove, {S("k")}), 0);
  EXPECT_EQ(pairs(l), "'k'=2 'new'=4") << "remove takes the first node only";
  ZILRelease(ps, l);
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILListClass, KeysMatchByTypeAndValueAndOtherKeyTypesFail) {
  ZILHandle* l = listOf({{I(1), S("int")}, {F(1.0), S("float")}, {S("1"), S("string")}});
  EXPECT_EQ(get(l, kValue, {I(1)}), "'int'");
  EXPECT_EQ(get(l, kValue, {F(1.0)}), "'float'");
  EXPECT_EQ(get(l, kValue, {S("1")}), "'string'");
  EXPECT_EQ(get(l, kValue, {I(2)}), "null");
  EXPECT_EQ(get(l, kKeyExists, {S("1")}), "1");
  EXPECT_EQ(get(l, kKeyExists, {S("")}), "0");

  for (ZILLong fn : {kAdd, kAddOrSet, kRemove, kValue, kKeyExists, kMoveToFirst})
    EXPECT_EQ(call(l, fn, {N(), I(0)}), ZIL_EXC_Unsupported_Type) << fn;
  EXPECT_EQ(call(l, kAdd, {A({}), I(0)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(call(l, kInsert, {I(1), make(ZIL_TYPE_TABLE), I(0)}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(call(l, kSwap, {I(1), N()}), ZIL_EXC_Unsupported_Type);
  EXPECT_EQ(get(l, kLength), "3");

  // Keys are copies: changing the key a script passed does not move the node's key.
  ZILHandle* key = I(7);
  ZILAddRef(key);
  ASSERT_EQ(call(l, kAdd, {key, I(70)}), 0);
  key->payload.l = 8;
  ZILRelease(ps, key);
  EXPECT_EQ(get(l, kValue, {I(7)}), "70");
  ZILRelease(ps, l);
}

TEST_F(ZILListClass, EditsFindTheirNodeByKey) {
  ZILHandle* l = listOf({{I(1), S("a")}, {I(2), S("b")}, {I(3), S("c")}});
  ASSERT_EQ(call(l, kInsert, {I(2), I(10), S("x")}), 0);
  ASSERT_EQ(call(l, kInsertAfter, {I(3), I(11), S("y")}), 0);
  ASSERT_EQ(call(l, kInsert, {I(99), I(12), S("z")}), 0);  // no such key: nothing
  EXPECT_EQ(pairs(l), "1='a' 10='x' 2='b' 3='c' 11='y'");
  ASSERT_EQ(call(l, kSwap, {I(1), I(11)}), 0);
  ASSERT_EQ(call(l, kSwap, {I(2), I(2)}), 0);
  ASSERT_EQ(call(l, kSwap, {I(2), I(42)}), 0);
  EXPECT_EQ(pairs(l), "11='y' 10='x' 2='b' 3='c' 1='a'");
  ASSERT_EQ(call(l, kMoveToFirst, {I(3)}), 0);
  ASSERT_EQ(call(l, kMoveToLast, {I(11)}), 0);
  ASSERT_EQ(call(l, kMoveToLast, {I(11)}), 0);
  EXPECT_EQ(pairs(l), "3='c' 10='x' 2='b' 1='a' 11='y'");
  EXPECT_EQ(get(l, kValueFromIndex, {I(0)}), "'c'");
  EXPECT_EQ(get(l, kKeyFromIndex, {I(4)}), "11");
  for (ZILLong index : {-1, 5, INT_MIN, INT_MAX}) {
    EXPECT_EQ(get(l, kValueFromIndex, {I(index)}), "null") << index;
    EXPECT_EQ(get(l, kKeyFromIndex, {I(index)}), "null") << index;
  }
  ZILHandle* copy = make(ZIL_TYPE_LIST);
  ZILAddRef(l);
  ASSERT_EQ(call(copy, kCopyConstruct, {l}), 0);
  ASSERT_EQ(call(l, kClear), 0);
  EXPECT_EQ(get(l, kLength), "0");
  EXPECT_EQ(pairs(copy), "3='c' 10='x' 2='b' 1='a' 11='y'");
  ZILRelease(ps, copy);
  ZILRelease(ps, l);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILListClass, SortOrdersByTypeThenValueAndKeepsEqualOrder) {
  ZILHandle* l = listOf({{I(3), I(0)}, {F(1.5), I(1)}, {S("a"), I(2)}, {I(2), I(3)}});
  ASSERT_EQ(call(l, kSort, {I(0), N()}), 0);
  EXPECT_EQ(pairs(l), "2=3 3=0 1.5=1 'a'=2") << "ints, then floats, then strings";
  ASSERT_EQ(call(l, kSort, {I(1), N()}), 0);
  EXPECT_EQ(pairs(l), "'a'=2 1.5=1 3=0 2=3");
  ASSERT_EQ(call(l, kSort, {I(2), N()}), 0);
  EXPECT_EQ(pairs(l), "3=0 1.5=1 'a'=2 2=3") << "values first";

  // Keys tie: values break the tie; full ties keep their order. Strings compare as unsigned bytes.
  ZILHandle* m =
      listOf({{S("b"), I(2)}, {S("\xe9"), I(0)}, {S("b"), I(1)}, {S("ab"), I(9)}, {S("b"), I(1)}, {S("a"), S("x")}});
  ZILListNode* firstB1 = static_cast<ZILList*>(m->payload.p)->first->next->next;
  ZILHandle* firstB1Value = firstB1->value;
  ASSERT_EQ(call(m, kSort, {I(0), N()}), 0);
  EXPECT_EQ(pairs(m), "'a'='x' 'ab'=9 'b'=1 'b'=1 'b'=2 '\xe9'=0");
  EXPECT_EQ(static_cast<ZILList*>(m->payload.p)->first->next->next->value, firstB1Value) << "stable";
  ZILRelease(ps, m);
  ZILRelease(ps, l);
}

TEST_F(ZILListClass, SortCallsTheComparatorOnlyForOtherTypes) {
  std::vector<std::string> calls;
  // Compares arrays by length; an error value for arrays of length 9.
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    calls.push_back(text(args[0]) + "?" + text(args[1]));
    ZILLong a = arrayOf(args[0])->length, b = arrayOf(args[1])->length;
    if (a == 9 || b == 9)
      return errorValue(ZIL_EXC_Abort);
    return I(a - b);
  };
  ZILHandle* l = listOf({{I(1), A({I(0), I(0)})}, {I(1), A({})}, {I(0), A({I(5)})}, {I(1), A({I(1)})}});
  ASSERT_EQ(call(l, kSort, {I(0), probeDelegate(ZIL_TYPE_LIST_COMPARATOR)}), 0);
  EXPECT_EQ(pairs(l), "0=[5] 1=[] 1=[1] 1=[0,0]");
  for (const std::string& c : calls)
    EXPECT_EQ(c.find('='), std::string::npos);
  EXPECT_FALSE(calls.empty());
  calls.clear();
  ASSERT_EQ(call(l, kSort, {I(3), probeDelegate()}), 0);  // values first, descending
  EXPECT_EQ(pairs(l), "1=[0,0] 1=[1] 0=[5] 1=[]");

  // Without a comparator, or when it fails with an error value, such values count as equal.
  ZILHandle* m = listOf({{I(1), A({I(0), I(0)})}, {I(1), A({})}});
  ASSERT_EQ(call(m, kSort, {I(0), N()}), 0);
  EXPECT_EQ(pairs(m), "1=[0,0] 1=[]");
  ZILHandle* e = listOf({{I(1), A({I(0), I(0), I(0), I(0), I(0), I(0), I(0), I(0), I(0)})}, {I(1), A({})}});
  ASSERT_EQ(call(e, kSort, {I(0), probeDelegate()}), 0);
  EXPECT_EQ(pairs(e), "1=[0,0,0,0,0,0,0,0,0] 1=[]");

  // A comparator that changes the list: the sort gives up and nothing is left dangling.
  probe = [&](const std::vector<ZILHandle*>&) -> ZILHandle* {
    EXPECT_EQ(call(m, kRemove, {A({})}), ZIL_EXC_Unsupported_Type);
    EXPECT_EQ(call(m, kRemove, {I(1)}), 0);
    EXPECT_EQ(call(m, kAdd, {I(0), S("new")}), 0);
    return I(-1);
  };
  ASSERT_EQ(call(m, kSort, {I(0), probeDelegate()}), 0);
  EXPECT_EQ(pairs(m), "1=[] 0='new'") << "left as the comparator made it";
  ZILRelease(ps, e);
  ZILRelease(ps, m);
  ZILRelease(ps, l);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILListClass, EnumerateStopsOnAnErrorValueAndSurvivesRemovals) {
  probeArgs = 3;
  std::vector<std::string> seen;
  ZILHandle* l = listOf({{I(1), S("a")}, {I(2), S("b")}, {I(3), S("c")}, {I(4), S("d")}});
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]) + text(args[1]) + text(args[2]));
    if (args[0]->payload.l == 2) {
      // Remove this node and the next one while the walk stands on them.
      EXPECT_EQ(call(l, kRemove, {I(2)}), 0);
      EXPECT_EQ(call(l, kRemove, {I(3)}), 0);
    }
    return args[0]->payload.l == 4 ? errorValue(77) : nullptr;
  };
  EXPECT_EQ(call(l, kEnumerate, {probeDelegate(ZIL_TYPE_LIST_ENUMERATOR), S("!")}), 77);
  EXPECT_EQ(seen, (std::vector<std::string>{"1'a''!'", "2'b''!'", "4'd''!'"}));

  ZILHandle* copy = take(l, kDeepCopy);
  EXPECT_EQ(pairs(copy), "1='a' 4='d'");
  EXPECT_NE(static_cast<ZILList*>(copy->payload.p)->first->value, static_cast<ZILList*>(l->payload.p)->first->value);
  ZILRelease(ps, copy);
  ZILRelease(ps, l);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILListClass, IteratorOnADeletedNodeIsInvalidUntilItMoves) {
  ZILHandle* l = listOf({{I(1), S("a")}, {I(2), S("b")}, {I(3), S("c")}});
  ZILHandle* it = iteratorOn(l);
  EXPECT_EQ(get(it, kItKey), "1");
  EXPECT_EQ(get(it, kItIsFirst), "1");
  ASSERT_EQ(call(it, kItNext), 0);
  EXPECT_EQ(get(it, kItValid), "1");
  ASSERT_EQ(call(it, kItDelete), 0);
  EXPECT_EQ(get(it, kItValid), "0");
  EXPECT_EQ(get(it, kItKey), "2") << "the removed node stays alive with its pair";
  EXPECT_EQ(get(it, kItIsFirst), "0");
  ASSERT_EQ(call(it, kItDelete), 0);  // once only
  EXPECT_EQ(pairs(l), "1='a' 3='c'");
  ASSERT_EQ(call(it, kItNext), 0);
  EXPECT_EQ(get(it, kItValid), "1");
  EXPECT_EQ(get(it, kItKey), "3");
  EXPECT_EQ(get(it, kItIsLast), "1");
  ASSERT_EQ(call(it, kItNext), 0);
  EXPECT_EQ(get(it, kItValid), "0") << "past the end";
  EXPECT_EQ(get(it, kItKey), "null");
  ASSERT_EQ(call(it, kItInsert, {I(4), S("d")}), 0);  // on no node: appends
  ASSERT_EQ(call(it, kItLast), 0);
  ASSERT_EQ(call(it, kItInsert, {I(5), S("e")}), 0);  // before the current node
  EXPECT_EQ(pairs(l), "1='a' 3='c' 5='e' 4='d'");
  EXPECT_EQ(call(it, kItInsert, {N(), S("f")}), ZIL_EXC_Unsupported_Type);
  ASSERT_EQ(call(it, kItSetValue, {S("D")}), 0);
  EXPECT_EQ(get(it, kItValue), "'D'");
  ZILHandle* second = make(ZIL_TYPE_ITERATOR);
  ZILAddRef(it);
  ASSERT_EQ(call(second, kItCopy, {it}), 0);
  ASSERT_EQ(call(second, kItPrev), 0);
  EXPECT_EQ(get(second, kItKey), "5");
  EXPECT_EQ(get(it, kItKey), "4") << "iterators move independently";
  ZILRelease(ps, second);
  ZILRelease(ps, it);
  ZILRelease(ps, l);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILListClass, IteratorsOnRemovedNodesStepToTheirOldNeighbours) {
  ZILHandle* l = listOf({{I(1), I(10)}, {I(2), I(20)}, {I(3), I(30)}, {I(4), I(40)}, {I(5), I(50)}});
  ZILHandle* on2 = iteratorOn(l);
  ASSERT_EQ(call(on2, kItNext), 0);
  ZILHandle* on3 = iteratorOn(l);
  ASSERT_EQ(call(on3, kItNext), 0);
  ASSERT_EQ(call(on3, kItNext), 0);
  // Remove 2, then 3 and 4 behind the iterators' backs.
  ASSERT_EQ(call(l, kRemove, {I(2)}), 0);
  ASSERT_EQ(call(l, kRemove, {I(3)}), 0);
  ASSERT_EQ(call(l, kRemove, {I(4)}), 0);
  EXPECT_EQ(get(on2, kItValid), "0");
  EXPECT_EQ(get(on3, kItValue), "30");
  ZILHandle* back = iteratorOn(on2);  // not a list: an iterator on nothing
  EXPECT_EQ(get(back, kItValid), "0");
  ASSERT_EQ(call(on2, kItNext), 0);
  EXPECT_EQ(get(on2, kItKey), "5") << "2 led to 3, which was removed as well, which led on to 5";
  ASSERT_EQ(call(on3, kItPrev), 0);
  EXPECT_EQ(get(on3, kItKey), "1");
  ZILRelease(ps, back);

  // Clearing and dropping the list while an iterator stands on a removed node.
  ASSERT_EQ(call(on3, kItNext), 0);
  ASSERT_EQ(call(on3, kItDelete), 0);
  ZILHandle* on5 = iteratorOn(l);
  ASSERT_EQ(call(on5, kItLast), 0);
  ASSERT_EQ(call(l, kClear), 0);
  ZILRelease(ps, l);
  EXPECT_EQ(get(on5, kItValid), "0");
  EXPECT_EQ(get(on5, kItKey), "1") << "on3 deleted 5, so the last node was 1";
  ASSERT_EQ(call(on5, kItFirst), 0);
  EXPECT_EQ(get(on5, kItValid), "0");
  ASSERT_EQ(call(on3, kItNext), 0);
  EXPECT_EQ(get(on3, kItKey), "null");
  ZILRelease(ps, on2);
  ZILRelease(ps, on3);
  ZILRelease(ps, on5);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

}  // namespace

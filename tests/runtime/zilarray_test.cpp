// zilarray_test.cpp - the built-in array class through its type proc: push/pop/top at the
// edges, clamped ranges of insert/remove/subArray, swap with indexes outside the array, slots
// past the length, the formatter running out of elements, toString, deep copies, and process and
// enumerate with a delegate that returns error values.
#include <climits>

#include "zil_container_support.h"

using namespace ziltest;

namespace {

enum {
  kConstruct,
  kConvertor,
  kLength,
  kTop,
  kDeepCopy,
  kInsert,
  kInsertItem,
  kRemove,
  kSubArray,
  kSwap,
  kFormat,
  kToString,
  kProcess,
  kEnumerate,
  kPush,
  kPop,
};

class ZILArrayClass : public ContainerFixture {
 protected:
  ZILHandle* range(ZILLong n) {
    std::vector<ZILHandle*> v;
    for (ZILLong i = 0; i < n; ++i)
      v.push_back(I(i));
    return A(v);
  }
};

TEST_F(ZILArrayClass, PopOnEmptyReturnsNullAndPushCopiesInts) {
  ZILHandle* a = make(ZIL_TYPE_ARRAY);
  EXPECT_EQ(get(a, kPop), "null");
  EXPECT_EQ(get(a, kTop), "null");
  EXPECT_EQ(get(a, kLength), "0");

  ZILHandle* item = I(5);
  ZILAddRef(item);
  ASSERT_EQ(call(a, kPush, {item}), 0);
  ASSERT_EQ(call(a, kPush, {A({I(1), I(2)})}), 0);  // an array is pushed as one element
  item->payload.l = 6;                              // the script changes its int in place
  EXPECT_EQ(text(a), "[5,[1,2]]");
  ZILRelease(ps, item);

  EXPECT_EQ(get(a, kTop), "[1,2]");
  EXPECT_EQ(get(a, kPop), "[1,2]");
  EXPECT_EQ(get(a, kPop), "5");
  EXPECT_EQ(get(a, kPop), "null");
  EXPECT_EQ(get(a, kLength), "0");
  ZILRelease(ps, a);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILArrayClass, RangesAreClampedAndNeverOverflow) {
  ZILHandle* a = range(5);
  EXPECT_EQ(get(a, kRemove, {I(-3), I(2)}), "[2,3,4]") << "a negative index counts as 0, the length stays";
  EXPECT_EQ(get(a, kRemove, {I(1), I(100)}), "[0]");
  EXPECT_EQ(get(a, kRemove, {I(1), I(INT_MAX)}), "[0]");
  EXPECT_EQ(get(a, kRemove, {I(5), I(1)}), "[0,1,2,3,4]");
  EXPECT_EQ(get(a, kRemove, {I(2), I(0)}), "[0,1,2,3,4]");
  EXPECT_EQ(get(a, kRemove, {I(2), I(-4)}), "[0,1,2,3,4]");
  EXPECT_EQ(get(a, kSubArray, {I(-1), I(2)}), "[0,1]");
  EXPECT_EQ(get(a, kSubArray, {I(3), I(INT_MAX)}), "[3,4]");
  EXPECT_EQ(get(a, kSubArray, {I(5), I(1)}), "[]");
  EXPECT_EQ(get(a, kSubArray, {I(INT_MIN), I(1)}), "[0]");
  EXPECT_EQ(get(a, kInsert, {A({S("x"), S("y")}), I(2)}), "[0,1,'x','y',2,3,4]");
  EXPECT_EQ(get(a, kInsert, {A({I(7)}), I(-9)}), "[7,0,1,2,3,4]");
  EXPECT_EQ(get(a, kInsert, {A({I(7)}), I(INT_MAX)}), "[0,1,2,3,4,7]");
  EXPECT_EQ(get(a, kInsert, {A({}), I(1)}), "[0,1,2,3,4]");
  EXPECT_EQ(get(a, kInsert, {N(), I(1)}), "[0,1,2,3,4]") << "a null source inserts nothing";
  EXPECT_EQ(get(a, kInsertItem, {A({I(9)}), I(1)}), "[0,[9],1,2,3,4]");
  EXPECT_EQ(get(a, kInsertItem, {N(), I(99)}), "[0,1,2,3,4,null]");
  EXPECT_EQ(text(a), "[0,1,2,3,4]") << "every range method leaves this array alone";

  // The elements of the results are the same objects, ints excepted.
  ZILHandle* s = A({S("shared"), I(1)});
  ZILHandle* sub = take(s, kSubArray, {I(0), I(2)});
  EXPECT_EQ(arrayOf(sub)->slots[0], arrayOf(s)->slots[0]);
  EXPECT_NE(arrayOf(sub)->slots[1], arrayOf(s)->slots[1]);
  ZILRelease(ps, sub);
  ZILRelease(ps, s);
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, SwapOutsideTheArrayDoesNothing) {
  ZILHandle* a = range(3);
  ASSERT_EQ(call(a, kSwap, {I(0), I(2)}), 0);
  EXPECT_EQ(text(a), "[2,1,0]");
  for (auto [i, j] : {std::pair{-1, 0}, {0, 3}, {INT_MIN, 1}, {1, INT_MAX}, {3, 3}}) {
    ASSERT_EQ(call(a, kSwap, {I(i), I(j)}), 0);
    EXPECT_EQ(text(a), "[2,1,0]") << i << "," << j;
  }
  ZILHandle* empty = make(ZIL_TYPE_ARRAY);
  EXPECT_EQ(call(empty, kSwap, {I(0), I(0)}), 0);
  ZILRelease(ps, empty);
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, SlotsPastTheLengthReadAsNull) {
  ZILHandle* a = range(5);
  ZILArray* arr = arrayOf(a);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(call(a, kPop), 0);
  EXPECT_EQ(arr->capacity, 32) << "shrinking within the capacity keeps the slots";
  ASSERT_EQ(ZILArraySetLength(arr, 5), 0);
  EXPECT_EQ(text(a), "[0,1,null,null,null]") << "old elements never come back";
  // Growing past a capacity step moves the elements and fills the new slots with null.
  ASSERT_EQ(ZILArraySetLength(arr, 40), 0);
  EXPECT_EQ(arr->capacity, 64);
  for (ZILLong i = 2; i < arr->capacity; ++i)
    EXPECT_EQ(arr->slots[i], ps->nullHandle) << i;
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, FormatStopsUsingElementsWhenTheyRunOut) {
  ZILHandle* one = A({I(1)});
  EXPECT_EQ(get(one, kFormat, {S("%d-%d")}), "'1-%d'");
  ZILRelease(ps, one);
  ZILHandle* a = A({S("x"), F(2.5), I(255)});
  EXPECT_EQ(get(a, kFormat, {S("%s=%.1f%% [%04X] %d")}), "'x=2.5% [00FF] %d'");
  EXPECT_EQ(get(a, kFormat, {S("no conversions")}), "'no conversions'");
  EXPECT_EQ(get(a, kFormat, {S("%5")}), "''") << "a specification running to the end uses an element";
  EXPECT_EQ(get(a, kFormat, {S("%d|%s|%n")}), "'||'") << "conversions that do not fit print nothing";
  ZILHandle* empty = make(ZIL_TYPE_ARRAY);
  EXPECT_EQ(get(empty, kFormat, {S("%d%%")}), "'%d%%'") << "with no elements the text stays as it is";
  ZILRelease(ps, empty);
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, ToStringConcatenatesNestedArraysAndRefusesCycles) {
  ZILHandle* list = make(ZIL_TYPE_LIST);
  ZILHandle* a = A({I(1), F(2.5), S("ab"), A({I(3), N(), A({S("c")})}), list});
  EXPECT_EQ(get(a, kToString), "'12.5ab3c'");
  EXPECT_EQ(get(a, kConvertor), "'12.5ab3c'");
  // An array holding itself: a clear error, no endless recursion.
  ZILAddRef(a);
  ASSERT_EQ(ZILArrayAppend(arrayOf(a), a), 0);
  EXPECT_NE(call(a, kToString), 0);
  EXPECT_NE(call(a, kDeepCopy), 0);
  ASSERT_EQ(call(a, kPop), 0);  // break the cycle again
  setReg(1, N());
  ZILRelease(ps, a);
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILArrayClass, DeepCopyCopiesElementsAndNestedArrays) {
  ZILHandle* a = A({I(1), S("s"), A({I(2)})});
  ZILHandle* copy = take(a, kDeepCopy);
  EXPECT_EQ(text(copy), "[1,'s',[2]]");
  ZILArray* c = arrayOf(copy);
  ZILArray* o = arrayOf(a);
  EXPECT_NE(c->slots[1], o->slots[1]) << "strings are new strings";
  EXPECT_NE(c->slots[2], o->slots[2]) << "nested arrays are new arrays";
  arrayOf(c->slots[2])->slots[0]->payload.l = 7;
  EXPECT_EQ(text(a), "[1,'s',[2]]");
  ZILRelease(ps, copy);
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, ProcessFlattensResultsAndStopsOnAnErrorValue) {
  std::vector<std::string> seen;
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]) + "/" + text(args[1]));
    ZILHandle* v = args[0];
    if (v->type == ZIL_TYPE_INT && v->payload.l == 99)
      return errorValue(ZIL_EXC_Division_By_Zero);
    if (v->type == ZIL_TYPE_STRING)
      return A({ZILStoreCopy(ps, v), ZILStoreCopy(ps, v), A({I(0)})});  // an array result is spread
    if (v->type == ZIL_TYPE_INT)
      return I(v->payload.l * 10);
    return nullptr;
  };
  ZILHandle* a = A({I(1), A({I(2), A({I(3)})}), S("s"), N()});
  EXPECT_EQ(get(a, kProcess, {probeDelegate(ZIL_TYPE_ARRAY_PROCESSOR), S("x")}), "[10,20,30,'s','s',[0],null]");
  EXPECT_EQ(seen, (std::vector<std::string>{"1/'x'", "2/'x'", "3/'x'", "'s'/'x'", "null/'x'"}));

  seen.clear();
  ZILHandle* b = A({I(1), A({I(99), I(2)}), I(3)});
  EXPECT_EQ(call(b, kProcess, {probeDelegate(), N()}), ZIL_EXC_Division_By_Zero);
  EXPECT_EQ(seen.size(), 2u) << "the error value stops the whole method";
  EXPECT_EQ(get(b, kProcess, {N(), N()}), "[null,null,null,null]") << "a null delegate yields null";
  ZILRelease(ps, a);
  ZILRelease(ps, b);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILArrayClass, EnumerateDescendsAndANestedErrorEndsOnlyItsOwnWalk) {
  std::vector<std::string> seen;
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]));
    return args[0]->type == ZIL_TYPE_INT && args[0]->payload.l >= 90 ? errorValue(args[0]->payload.l) : nullptr;
  };
  ZILHandle* a = A({I(1), A({I(2), I(90), I(3)}), I(4), A({A({I(91)}), I(5)}), I(6), I(92), I(7)});
  EXPECT_EQ(call(a, kEnumerate, {probeDelegate(ZIL_TYPE_ARRAY_ENUMERATOR), N()}), 92);
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "90", "4", "91", "5", "6", "92"}));

  // The delegate may shorten the array it walks.
  seen.clear();
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]));
    ZILArraySetLength(arrayOf(a), 0);
    return nullptr;
  };
  EXPECT_EQ(call(a, kEnumerate, {probeDelegate(), N()}), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"1"}));
  ZILRelease(ps, a);
}

TEST_F(ZILArrayClass, ClassDataAndDeclaration) {
  NTLTypeProc proc = ZILTypes(ps)[ZIL_TYPE_ARRAY].typeProc;
  ZILUnknown* out = nullptr;
  ASSERT_EQ(proc(nullptr, NTL_GetDeclString, 0, nullptr, &out), 0);
  std::string decl = static_cast<const char*>(out);
  EXPECT_EQ(decl.rfind("delegate\t\t\tenumerator(var element, var args);", 0), 0u);
  EXPECT_NE(decl.find("method\tvar\t\t\tpop();"), std::string::npos);
  ASSERT_EQ(proc(nullptr, NTL_GetBuildTimeStamp, 0, nullptr, &out), 0);
  EXPECT_STREQ(static_cast<const char*>(out), "15.06.2005");
  EXPECT_EQ(proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr), 0x00100300);
  EXPECT_EQ(proc(&ZILTypes(ps)[ZIL_TYPE_ARRAY].instance, NTL_CallStatic, 0, nullptr, nullptr),
            ZIL_ERR_Unsupported_Native_Call);
}

}  // namespace

// Type rules on declared types: identity, compatibility through convertors and constructors
// (explicit ones only by cast), and overload resolution costs and ambiguity.
#include "tests/compiler/zclfixture.h"

namespace {

class TypeRules : public CompilerFixture {
 protected:
  ZCLTypeDesc t(const std::string& name) {
    ZCLTypeDesc d;
    EXPECT_TRUE(ZCLLookupTypeName(st, name, &d)) << name;
    return d;
  }
  // Resolves `name` in class c; returns the code and the winner's index (-1 when none).
  ZILError resolve(const std::string& c, const std::string& name, std::vector<ZCLTypeDesc> args, bool wantResult,
                   ZCLTypeDesc want, int* index, int* cost = nullptr) {
    ZCLFunc* f = nullptr;
    ZILError err = ZCLResolveOverload(st, cls(c), name, args, wantResult, want, &f, cost);
    *index = f ? f->index : -1;
    return err;
  }
};

TEST_F(TypeRules, IdentityAndCompatibility) {
  ASSERT_EQ(compile("class Meters { method Meters(); method Meters(float v); method float convertor(); }\n"
                    "class Secret { method Secret(); explicit Secret(int v); explicit string convertor(); }\n"
                    "class Other { method Other(); }"),
            0)
      << log;
  ZCLTypeDesc i = t("int"), f = t("float"), s = t("string"), v = t("var"), b = t("bool");
  EXPECT_TRUE(ZCLTypeIdentical(st, i, b));
  EXPECT_TRUE(ZCLTypeIdentical(st, s, v));
  EXPECT_TRUE(ZCLTypeIdentical(st, v, s));
  EXPECT_FALSE(ZCLTypeIdentical(st, i, f));
  EXPECT_EQ(ZCLTypeCompatible(st, i, f), kZCLConvertible);
  EXPECT_EQ(ZCLTypeCompatible(st, f, b), kZCLConvertible);
  EXPECT_EQ(ZCLTypeCompatible(st, t("Other"), i), kZCLIncompatible);
  EXPECT_EQ(ZCLTypeCompatible(st, s, i), kZCLConvertible);  // string has a constructor taking an int

  // Arrays: equal element types, or any element type into `var` elements.
  ZCLTypeDesc ai = ZCLMakeType(ZIL_TYPE_ARRAY), af = ai, av = ai;
  ai.elemType = ZIL_TYPE_INT;
  af.elemType = ZIL_TYPE_FLOAT;
  EXPECT_TRUE(ZCLTypeIdentical(st, av, ai));
  EXPECT_FALSE(ZCLTypeIdentical(st, ai, af));
  EXPECT_FALSE(ZCLTypeIdentical(st, ai, av));

  ZCLTypeDesc m = t("Meters"), sec = t("Secret"), o = t("Other");
  EXPECT_EQ(ZCLTypeCompatible(st, f, m), kZCLConvertible);   // convertor
  EXPECT_EQ(ZCLTypeCompatible(st, m, f), kZCLConvertible);   // constructor
  EXPECT_EQ(ZCLTypeCompatible(st, m, i), kZCLIncompatible);  // no chain of conversions
  EXPECT_EQ(ZCLTypeCompatible(st, sec, i), kZCLExplicitOnly);
  EXPECT_EQ(ZCLTypeCompatible(st, s, sec), kZCLExplicitOnly);
  EXPECT_EQ(ZCLTypeCompatible(st, o, m), kZCLIncompatible);
}

TEST_F(TypeRules, OverloadCostsAndAmbiguity) {
  ASSERT_EQ(compile("class Both { method Both(); method int convertor(); }\n"
                    "class Both2 { method Both2(); method int convertor(); method float convertor(); }\n"
                    "class M { method M();\n"
                    "  function f(int a); function f(float a);\n"                     // 1, 2
                    "  function g(int a); function int g(float a);\n"                 // 3, 4
                    "  function int h(int a); function string h(int a, int b);\n"     // 5, 6
                    "  function k(string s, int n); function k(var s, float n); }"),  // 7, 8
            0)
      << log;
  int index = -1, cost = -1;
  ZCLTypeDesc none;
  // Exact matches win; the other needs a conversion.
  EXPECT_EQ(resolve("M", "f", {t("int")}, false, none, &index, &cost), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(cost, 0);
  EXPECT_EQ(resolve("M", "f", {t("float")}, false, none, &index), 0);
  EXPECT_EQ(index, 2);
  // A string fits neither.
  EXPECT_EQ(resolve("M", "f", {t("string")}, false, none, &index), ZCL_ERR_No_Matching_Function);
  // A class convertible to int only picks f(int) at cost 2; one convertible to both is ambiguous.
  EXPECT_EQ(resolve("M", "f", {t("Both")}, false, none, &index, &cost), 0);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(cost, 2);
  EXPECT_EQ(resolve("M", "f", {t("Both2")}, false, none, &index), ZCL_ERR_Ambiguous_Call);
  EXPECT_EQ(index, 1);  // the first of the cheapest is still named
  // A discarded result prefers the function without one...
  EXPECT_EQ(resolve("M", "g", {t("bool")}, false, none, &index, &cost), 0);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(cost, 0);
  // ...and a float argument then pays 1 for the unused result against 2 for the conversion.
  EXPECT_EQ(resolve("M", "g", {t("float")}, false, none, &index, &cost), 0);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(cost, 1);
  // A wanted result drops candidates without one or with an incompatible one.
  EXPECT_EQ(resolve("M", "g", {t("int")}, true, t("float"), &index, &cost), 0);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(cost, 4);  // int->float argument and int->float result
  EXPECT_EQ(resolve("M", "h", {t("int")}, true, t("Both"), &index), ZCL_ERR_No_Matching_Function);
  EXPECT_EQ(resolve("M", "h", {t("int"), t("int")}, true, t("string"), &index), 0);
  EXPECT_EQ(index, 6);
  // The argument count must match.
  EXPECT_EQ(resolve("M", "h", {}, false, none, &index), ZCL_ERR_No_Matching_Function);
  // Typeless arguments are identical to anything: equal costs are ambiguous.
  EXPECT_EQ(resolve("M", "k", {t("string"), t("int")}, false, none, &index), 0);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(resolve("M", "k", {t("var"), t("var")}, false, none, &index), ZCL_ERR_Ambiguous_Call);
}

TEST_F(TypeRules, DelegateTypesAdoptTheRuntimesPremadeRecords) {
  // The runtime made string::processor (4) before its compiler existed; declaring it by that
  // name takes over the record instead of adding a type.
  ZILLong before = ps->types.count;
  int id = 0;
  ZCLArg chr{ZCLMakeType(ZIL_TYPE_INT), "chr"}, args{ZCLMakeType(ZIL_TYPE_VAR), "args"};
  chr.type.isConst = 1;
  ASSERT_EQ(ZCLFindOrMakeDelegate(st, "string::processor", true, ZCLMakeType(ZIL_TYPE_INT), {chr, args}, &id), 0);
  EXPECT_EQ(id, ZIL_TYPE_STRING_PROCESSOR);
  EXPECT_EQ(ps->types.count, before);
  int again = 0;
  ASSERT_EQ(ZCLFindOrMakeDelegate(st, "other", true, ZCLMakeType(ZIL_TYPE_INT), {chr, args}, &again), 0);
  EXPECT_EQ(again, id);
}

}  // namespace

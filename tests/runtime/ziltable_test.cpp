// ziltable_test.cpp - the built-in table class through its type proc (get/set with any key
// bytes, construction from tables and arrays, deep copies, the enumeration order of the trie,
// an enumerate stopped by an error value) and the type-name lookup the trie also serves.
#include "zentra/runtime/zilinternal.h"
#include "zil_container_support.h"

using namespace ziltest;

namespace {

enum {
  kConstruct,
  kCopyConstruct,
  kFromArray,
  kGet,
  kSet,
  kDeepCopy,
  kEnumerate
};

class ZILTableClass : public ContainerFixture {
 protected:
  // The values in enumeration order, joined by blanks.
  std::string order(ZILHandle* table) {
    std::string out;
    probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
      out += (out.empty() ? "" : " ") + text(args[0]);
      return nullptr;
    };
    EXPECT_EQ(call(table, kEnumerate, {probeDelegate(ZIL_TYPE_ARRAY_ENUMERATOR), N()}), 0);
    probe = nullptr;
    return out;
  }
  void set(ZILHandle* table, const std::string& key, ZILHandle* value) {
    EXPECT_EQ(call(table, kSet, {S(key), value}), 0);
  }
};

TEST_F(ZILTableClass, GetAndSetWithAnyKeyBytes) {
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  EXPECT_EQ(get(t, kGet, {S("missing")}), "null");
  set(t, "k", I(1));
  set(t, std::string("k\0x", 3), I(2));
  set(t, "\xff\x01", I(3));
  set(t, "", I(4));  // an empty key does nothing
  EXPECT_EQ(get(t, kGet, {S("k")}), "1");
  EXPECT_EQ(get(t, kGet, {S(std::string("k\0x", 3))}), "2");
  EXPECT_EQ(get(t, kGet, {S("\xff\x01")}), "3");
  EXPECT_EQ(get(t, kGet, {S("")}), "null");
  EXPECT_EQ(get(t, kGet, {S("k\xff")}), "null");
  EXPECT_EQ(get(t, kGet, {N()}), "null");
  EXPECT_EQ(order(t), "2 1 3") << "k\\0x comes before its prefix k";

  // Replacing a value releases the old one; a stored int is the table's own.
  ZILHandle* s = S("old");
  ZILAddRef(s);
  set(t, "k", s);
  EXPECT_EQ(s->refCount, 2);
  set(t, "k", I(5));
  EXPECT_EQ(s->refCount, 1);
  ZILRelease(ps, s);
  ZILHandle* n = I(6);
  ZILAddRef(n);
  set(t, "n", n);
  n->payload.l = 7;
  ZILRelease(ps, n);
  EXPECT_EQ(get(t, kGet, {S("n")}), "6");
  ZILRelease(ps, t);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILTableClass, EnumerationVisitsLongerKeysBeforeTheirPrefix) {
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  set(t, "a", S("a"));
  set(t, "ab", S("ab"));
  EXPECT_EQ(order(t), "'ab' 'a'");
  for (const char* key : {"b", "aa", "a\x80", "B", "ba", "abc"})
    set(t, key, S(key));
  EXPECT_EQ(order(t), "'B' 'aa' 'abc' 'ab' 'a\x80' 'a' 'ba' 'b'");

  // An error value stops the walk with its code.
  std::vector<std::string> seen;
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]));
    return seen.size() == 3 ? errorValue(ZIL_EXC_Abort) : nullptr;
  };
  EXPECT_EQ(call(t, kEnumerate, {probeDelegate(), N()}), ZIL_EXC_Abort);
  EXPECT_EQ(seen.size(), 3u);

  // The delegate may add keys and replace values while the walk goes on.
  seen.clear();
  probe = [&](const std::vector<ZILHandle*>& args) -> ZILHandle* {
    seen.push_back(text(args[0]));
    set(t, "a", I(0));
    set(t, "zz", I(1));
    return nullptr;
  };
  EXPECT_EQ(call(t, kEnumerate, {probeDelegate(), N()}), 0);
  EXPECT_EQ(seen.size(), 9u);
  EXPECT_EQ(seen[5], "0") << "the value under a is read when the walk reaches it";
  ZILRelease(ps, t);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILTableClass, ConstructionFromTablesAndArraysAndCopies) {
  ZILHandle* src = A({S("k1"), A({I(1)}), S("k2"), I(2), S("k3")});
  ZILHandle* t = make(ZIL_TYPE_TABLE);
  ZILAddRef(src);
  ASSERT_EQ(call(t, kFromArray, {src}), 0);
  EXPECT_EQ(get(t, kGet, {S("k1")}), "[1]");
  EXPECT_EQ(get(t, kGet, {S("k3")}), "null") << "a key at the last position gets null";
  EXPECT_NE(static_cast<ZILHandle*>(ZILTableGet(static_cast<ZILTable*>(t->payload.p), "k1", 2)), arrayOf(src)->slots[1])
      << "values from an array are copied";
  EXPECT_EQ(order(t), "[1] 2 null");

  ZILHandle* bad = make(ZIL_TYPE_TABLE);
  EXPECT_EQ(call(bad, kFromArray, {A({I(1), I(2)})}), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(call(bad, kFromArray, {A({S(""), I(2)})}), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(call(bad, kFromArray, {A({S("ok"), I(2), N(), I(3)})}), ZIL_ERR_Illegal_Argument);
  ZILRelease(ps, bad);

  ZILHandle* shallow = make(ZIL_TYPE_TABLE);
  ZILAddRef(t);
  ASSERT_EQ(call(shallow, kCopyConstruct, {t}), 0);
  ZILHandle* deep = take(t, kDeepCopy);
  set(t, "k2", I(20));
  ZILTable* tt = static_cast<ZILTable*>(t->payload.p);
  EXPECT_EQ(ZILTableGet(static_cast<ZILTable*>(shallow->payload.p), "k1", 2), ZILTableGet(tt, "k1", 2))
      << "a copied table shares its values";
  EXPECT_NE(ZILTableGet(static_cast<ZILTable*>(deep->payload.p), "k1", 2), ZILTableGet(tt, "k1", 2));
  EXPECT_EQ(order(shallow), "[1] 2 null");
  EXPECT_EQ(order(deep), "[1] 2 null");
  EXPECT_EQ(order(t), "[1] 20 null");
  for (ZILHandle* h : {src, t, shallow, deep})
    ZILRelease(ps, h);
  setReg(1, N());
  EXPECT_EQ(ps->handlesInUse, baseline);
}

TEST_F(ZILTableClass, TypeNamesAreFoundThroughTheTrie) {
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "null"), 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "table"), ZIL_TYPE_TABLE);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "var"), ZIL_TYPE_VAR);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Probe"), probeType);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "tab"), 0) << "a prefix of a name is no name";
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "tables"), 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, ""), 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, nullptr), 0);
  // Types declared after the first lookup are found; the first of two equal names wins.
  ZILLong later = addClass("Later", 0);
  addClass("Later", 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Later"), later);
  ZILLong count = ps->types.count;
  for (int i = 0; i < 300; ++i)
    addClass(("T" + std::to_string(i)).c_str(), 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "T299"), count + 299);
  // A type segment that shrank (a compile rolled back) is indexed again.
  ps->types.count = count;
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "T0"), 0);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Later"), later);
  // ... and one whose records were replaced by others of the same number.
  ps->types.count = later;
  ZILLong other = addClass("Other", 0);
  addClass("Later", 0);
  EXPECT_EQ(other, later);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Other"), other);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Later"), later + 1);
}

}  // namespace

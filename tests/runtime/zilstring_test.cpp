// zilstring_test.cpp - the built-in string class called through its type proc: index clamping,
// searches, edits, URL encoding and decoding, process with a script delegate, and formatting
// of single values and arrays, including random format texts that must never crash.
#include <climits>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "zil_test_support.h"
#include "ziltools.h"

using namespace ziltest;

namespace {

class ZILStringClass : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    prepare();
  }
  ZILHandle* S(const std::string& text) {
    ZILHandle* h = nullptr;
    EXPECT_EQ(ZILNewString(ps, text.data(), static_cast<ZILLong>(text.size()), &h), 0);
    return h;
  }
  ZILHandle* I(ZILLong v) { return ZILNewInt(ps, v); }
  ZILHandle* N() {
    ZILAddRef(ps->nullHandle);
    return ps->nullHandle;
  }

  // Calls function fn on a string holding self (or statically when self is none) with args
  // (their references are taken over); the result stays in r1.
  ZILError call(const char* self, ZILLong fn, std::vector<ZILHandle*> args) {
    ZILContext* ctx = ps->root;
    ctx->sp -= static_cast<ZILLong>(args.size());
    for (size_t i = 0; i < args.size(); ++i)
      ctx->dataStack[ctx->sp + static_cast<ZILLong>(i)] = args[i];
    ZILHandle* obj = self ? S(self) : nullptr;
    NTLInstance* inst = &ZILTypes(ps)[ZIL_TYPE_STRING].instance;
    ZILError e =
        ZILStringTypeProcForTest(inst, self ? NTL_CallMember : NTL_CallStatic, fn, obj ? obj->payload.p : nullptr);
    for (size_t i = 0; i < args.size(); ++i)
      ZILRelease(ps, ctx->dataStack[ctx->sp++]);
    if (obj)
      ZILRelease(ps, obj);
    return e;
  }
  static ZILError ZILStringTypeProcForTest(NTLInstance* inst, ZILLong msg, ZILLong fn, void* obj) {
    return ZILTypes(inst->state)[ZIL_TYPE_STRING].typeProc(inst, msg, fn, obj, nullptr);
  }
  std::string str(const char* self, ZILLong fn, std::vector<ZILHandle*> args) {
    EXPECT_EQ(call(self, fn, std::move(args)), 0);
    return stringOf(reg(1));
  }
  ZILLong num(const char* self, ZILLong fn, std::vector<ZILHandle*> args) {
    EXPECT_EQ(call(self, fn, std::move(args)), 0);
    return intOf(1);
  }
};

enum {
  kToInt = 3,
  kToFloat = 4,
  kLength = 5,
  kLastChar = 6,
  kCompare = 7,
  kCharAt = 8,
  kFindChar = 9,
  kFindCharReverse = 10,
  kFindString = 11,
  kBeginsWith = 12,
  kEndsWith = 13,
  kContains = 14,
  kSpanIncluding = 15,
  kSpanExcluding = 16,
  kInsert = 17,
  kInsertChar = 18,
  kRemove = 19,
  kReplace = 20,
  kReverse = 21,
  kSubString = 22,
  kTrim = 23,
  kToUpper = 24,
  kToLower = 25,
  kEncodeUrl = 26,
  kDecodeUrl = 27,
  kProcess = 28,
  kClone = 29,
  kFill = 30,
  kAscii = 31,
  kFormat = 32,
};

// Blocks made through countingAlloc and not freed yet.
std::set<void*>* gLiveBlocks = nullptr;
void* countingAlloc(ZILState*, size_t size) {
  void* p = malloc(size);
  if (p)
    gLiveBlocks->insert(p);
  return p;
}
void countingFree(ZILState*, void* p) {
  gLiveBlocks->erase(p);
  free(p);
}

TEST(ZILStringCore, TextOutgrowsItsInlineRoomAndEveryBlockGoesWithTheState) {
  std::set<void*> live;
  gLiveBlocks = &live;
  ZILState* ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  ps->alloc = countingAlloc;
  ps->free = countingFree;
  ZILString* s = ZILStringCreate(ps, std::string(31, 'a').c_str(), 31);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->capacity, 32);
  ASSERT_EQ(ZILStringAppend(s, "b", 1), 0);
  EXPECT_EQ(s->capacity, 64);
  EXPECT_EQ(std::string(s->text, 32), std::string(31, 'a') + "b");
  EXPECT_EQ(s->text[32], 0);
  // Appending a string to itself while its text moves out of the inline room.
  ZILString* t = ZILStringCreate(ps, "0123456789", 10);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(ZILStringAppend(t, t->text, t->length), 0);
  std::string doubled = "0123456789";
  for (int i = 0; i < 3; ++i)
    doubled += doubled;
  EXPECT_EQ(std::string(ZILStringText(t), static_cast<size_t>(t->length)), doubled);
  ZILStringDestroy(s);
  ZILStringDestroy(t);
  // More strings than the state keeps for reuse, some with text outside the block.
  std::vector<ZILString*> many;
  for (int i = 0; i < 3000; ++i) {
    many.push_back(ZILStringCreate(ps, "piece", 5));
    if (i % 3 == 0) {
      ASSERT_EQ(ZILStringAppend(many.back(), std::string(100, 'x').c_str(), 100), 0);
    }
  }
  for (ZILString* p : many)
    ZILStringDestroy(p);
  EXPECT_FALSE(live.empty()) << "freed blocks are kept for the next strings";
  EXPECT_EQ(ZILTerminate(ps), 0);
  EXPECT_TRUE(live.empty()) << live.size() << " blocks outlived the state";
  gLiveBlocks = nullptr;
}

TEST_F(ZILStringClass, SearchesClampTheirIndexes) {
  EXPECT_EQ(num("abc", kFindChar, {I('c'), I(-5)}), 2);
  EXPECT_EQ(num("abc", kFindChar, {I('c'), I(3)}), -1);
  EXPECT_EQ(num("abca", kFindCharReverse, {I('a'), I(100)}), 3);
  EXPECT_EQ(num("abca", kFindCharReverse, {I('a'), I(2)}), 0);
  EXPECT_EQ(num("abca", kFindCharReverse, {I('a'), I(-1)}), -1);
  EXPECT_EQ(num("", kFindCharReverse, {I('a'), I(0)}), -1);
  EXPECT_EQ(num("abcabc", kFindString, {S("bc"), I(2)}), 4);
  EXPECT_EQ(num("abcabc", kFindString, {S("bc"), I(-9)}), 1);
  EXPECT_EQ(num("abc", kFindString, {S("abcd"), I(0)}), -1);
  EXPECT_EQ(num("abc", kFindString, {S("c"), I(2147483647)}), -1);
  EXPECT_EQ(num("abcd", kContains, {S("cd"), I(2)}), 1);
  EXPECT_EQ(num("abcd", kContains, {S("cd"), I(0)}), 0);
  EXPECT_EQ(num("abcd", kContains, {S("cd"), I(-2)}), 0);
  EXPECT_EQ(num("abcd", kContains, {S("d"), I(2147483647)}), 0);
  EXPECT_EQ(num("abcd", kCharAt, {I(4)}), 0);
  EXPECT_EQ(num("ab\xff", kCharAt, {I(2)}), 255);
  EXPECT_EQ(num("ab\xff", kLastChar, {}), 255);
  EXPECT_EQ(num("", kLastChar, {}), 0);
  EXPECT_EQ(num("abc", kBeginsWith, {S("")}), 0);
  EXPECT_EQ(num("abc", kBeginsWith, {S("ab")}), 1);
  EXPECT_EQ(num("abc", kEndsWith, {S("abcd")}), 0);
  EXPECT_EQ(num("abc", kEndsWith, {S("bc")}), 1);
}

TEST_F(ZILStringClass, NullArgumentsReadAsEmptyText) {
  EXPECT_EQ(num("abc", kCompare, {N()}), 1);
  EXPECT_EQ(num("", kCompare, {N()}), 0);
  EXPECT_EQ(num("abc", kBeginsWith, {N()}), 0);
  EXPECT_EQ(str("abc", kInsert, {N(), I(1)}), "abc");
  EXPECT_EQ(str("abc", kReplace, {N(), N()}), "abc");
  EXPECT_EQ(str("a b", kReplace, {S(" "), N()}), "ab");
  EXPECT_EQ(str("a b", kEncodeUrl, {N()}), "a%20b");
  EXPECT_EQ(str("abc", kSpanIncluding, {N(), I(0)}), "");
  EXPECT_EQ(str("abc", kSpanExcluding, {N(), I(0)}), "abc");
  EXPECT_EQ(str(nullptr, kFormat, {N(), I(5)}), "");
}

TEST_F(ZILStringClass, EditsClipAndLeaveThisUnchanged) {
  EXPECT_EQ(num("abc", kCompare, {S("abd")}), -1);
  EXPECT_EQ(num("ab\x80", kCompare, {S("ab\x7f")}), 1) << "unsigned bytes";
  EXPECT_EQ(num("ab", kCompare, {S("abc")}), -1);
  EXPECT_EQ(str("abc", kRemove, {I(1), I(100)}), "a");
  EXPECT_EQ(str("abc", kRemove, {I(5), I(1)}), "abc");
  EXPECT_EQ(str("abc", kRemove, {I(-3), I(1)}), "bc");
  EXPECT_EQ(str("abc", kRemove, {I(1), I(2147483647)}), "a");
  EXPECT_EQ(str("abc", kRemove, {I(1), I(-1)}), "abc");
  EXPECT_EQ(str("abcdef", kSubString, {I(2), I(2)}), "cd");
  EXPECT_EQ(str("abcdef", kSubString, {I(-1), I(2)}), "ab");
  EXPECT_EQ(str("abcdef", kSubString, {I(4), I(2147483647)}), "ef");
  EXPECT_EQ(str("abcdef", kSubString, {I(6), I(1)}), "");
  EXPECT_EQ(str("abc", kInsert, {S("XY"), I(-4)}), "XYabc");
  EXPECT_EQ(str("abc", kInsert, {S("XY"), I(99)}), "abcXY");
  EXPECT_EQ(str("abc", kInsertChar, {I('-'), I(1)}), "a-bc");
  EXPECT_EQ(str("aaa", kReplace, {S("aa"), S("b")}), "ba");
  EXPECT_EQ(str("abab", kReplace, {S("ab"), S("abab")}), "abababab");
  EXPECT_EQ(str("abc", kReplace, {S(""), S("x")}), "abc");
  EXPECT_EQ(str("abc", kReverse, {}), "cba");
  EXPECT_EQ(str("  \t\n", kTrim, {}), "");
  EXPECT_EQ(str(" \x01x y\x7f ", kTrim, {}), "x y\x7f");
  EXPECT_EQ(str("aB1\xe4", kToUpper, {}), "AB1\xe4");
  EXPECT_EQ(str("aB1", kToLower, {}), "ab1");
  EXPECT_EQ(str("abcde", kSpanIncluding, {S("ba"), I(0)}), "ab");
  EXPECT_EQ(str("abcde", kSpanIncluding, {S("ba"), I(9)}), "");
  EXPECT_EQ(str("abcde", kSpanExcluding, {S("d"), I(-1)}), "abc");
  EXPECT_EQ(str("abc", kClone, {}), "abc");
  EXPECT_EQ(num("42x", kToInt, {}), 42);
  EXPECT_EQ(num("", kToInt, {}), 0);
  ASSERT_EQ(call("2.5", kToFloat, {}), 0);
  EXPECT_EQ(floatOf(1), 2.5);
  EXPECT_EQ(num("a\0b", kLength, {}), 1);
  EXPECT_EQ(str(nullptr, kFill, {I('x'), I(3)}), "xxx");
  EXPECT_EQ(str(nullptr, kFill, {I('x'), I(-3)}), "");
  EXPECT_EQ(call(nullptr, kFill, {I('x'), I(2147483647)}), ZIL_EXC_Allocation_Fail);
  ASSERT_EQ(call(nullptr, kAscii, {I(0)}), 0);
  EXPECT_EQ(static_cast<ZILString*>(reg(1)->payload.p)->length, 1);
  EXPECT_EQ(call("abc", 99, {}), ZIL_ERR_Invalid_Function_Index);
}

TEST_F(ZILStringClass, ConstructorsSetTheNewObject) {
  ZILHandle* h = S("old");
  ZILContext* ctx = ps->root;
  ctx->dataStack[--ctx->sp] = I(-12);
  NTLInstance* inst = &ZILTypes(ps)[ZIL_TYPE_STRING].instance;
  EXPECT_EQ(inst->state, ps);
  ASSERT_EQ(ZILTypes(ps)[ZIL_TYPE_STRING].typeProc(inst, NTL_CallMember, 1, h->payload.p, nullptr), 0);
  EXPECT_EQ(stringOf(h), "-12");
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  // The int constructor writes the same text as "%d", the extremes included.
  for (ZILLong v : {0, 7, -1, 1000000, INT_MAX, INT_MIN}) {
    ctx->dataStack[--ctx->sp] = I(v);
    ASSERT_EQ(ZILTypes(ps)[ZIL_TYPE_STRING].typeProc(inst, NTL_CallMember, 1, h->payload.p, nullptr), 0);
    EXPECT_EQ(stringOf(h), std::to_string(v));
    ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  }
  ZILRelease(ps, h);
}

TEST_F(ZILStringClass, UrlEncodingAndDecoding) {
  EXPECT_EQ(str(" ", kEncodeUrl, {S("")}), "%20");
  EXPECT_EQ(str(" ", kEncodeUrl, {S(" ")}), " ");
  EXPECT_EQ(str("a/b?c=\x01\xff\x7f~", kEncodeUrl, {S("/")}), "a/b%3Fc%3D%01%FF\x7f%7E");
  EXPECT_EQ(str("", kEncodeUrl, {S("")}), "");
  EXPECT_EQ(str("%4", kDecodeUrl, {S("")}), "%4");
  EXPECT_EQ(str("%", kDecodeUrl, {S("")}), "%");
  EXPECT_EQ(str("%zz%41%2f", kDecodeUrl, {S("")}), "%zzA/");
  EXPECT_EQ(str("%2F%41", kDecodeUrl, {S("/")}), "%2FA");
  ASSERT_EQ(call("%00x", kDecodeUrl, {S("")}), 0);
  EXPECT_EQ(static_cast<ZILString*>(reg(1)->payload.p)->length, 2) << "a decoded zero byte is kept";
}

// A native static function used as the processor: 0 for vowels, an error value for 'X',
// otherwise the byte itself.
ZILError filterProc(NTLInstance* inst, ZILLong msg, ZILLong, ZILUnknown*, ZILUnknown**) {
  if (msg != NTL_CallStatic)
    return 0;
  ZILState* ps = inst->state;
  ZILLong c = NTLGetArgInt(ps, 0);
  if (c == 'X') {
    ZILHandle* e = ZILCallFunction(ps, nullptr, 1, 99, 0);  // unknown tag: an error value
    NTLReturnHandle(ps, e);
    NTLFreeHandle(ps, e);
    return 0;
  }
  return NTLReturnInt(ps, strchr("aeiou", static_cast<int>(c)) && c ? 0 : c);
}

TEST_F(ZILStringClass, ProcessCallsTheDelegatePerByte) {
  ZILTypeInfo ti{};
  ASSERT_EQ(ZILAddName(ps, "Filter", &ti.pName), 0);
  ti.family = ZIL_FAMILY_CLASS;
  ti.isNative = 1;
  ti.offsetVtab = -1;
  ti.copyConstructor = -1;
  ZILLong type = -1;
  ASSERT_EQ(ZILAddType(ps, &ti, &type), 0);
  ZILTypes(ps)[type].typeProc = filterProc;
  ZILTypes(ps)[type].instance.state = ps;
  ZILTypes(ps)[type].instance.typeID = type;
  ZILLong f = addFunction("filter", type, 0, 0, 0);
  ZILHandle* fn = nullptr;
  ASSERT_EQ(ZILNewDelegate(ps, ZIL_TYPE_STRING_PROCESSOR, f, nullptr, &fn), 0);
  ZILAddRef(fn);
  EXPECT_EQ(str("education \xe9!", kProcess, {fn, N()}), "dctn \xe9!");
  ZILAddRef(fn);
  EXPECT_EQ(call("abXcd", kProcess, {fn, N()}), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(str("", kProcess, {fn, N()}), "");
  EXPECT_EQ(ps->root->sp, ps->root->dataSize - ZIL_REGISTER_COUNT) << "stack restored";
}

TEST_F(ZILStringClass, FormatsOneValueOrAnArray) {
  EXPECT_EQ(str(nullptr, kFormat, {S("%5.2f"), ZILNewFloat(ps, 3.14159)}), " 3.14");
  EXPECT_EQ(str(nullptr, kFormat, {S("[%-4d]"), I(7)}), "[7   ]");
  EXPECT_EQ(str(nullptr, kFormat, {S("%x"), I(255)}), "ff");
  EXPECT_EQ(str(nullptr, kFormat, {S("%hhu"), I(257)}), "1");
  EXPECT_EQ(str(nullptr, kFormat, {S("%.2s"), S("abc")}), "ab");
  EXPECT_EQ(str(nullptr, kFormat, {S("100%% %d"), I(5)}), "100% 5");
  // Conversions that do not fit the value, %n, '*', long modifiers and two conversions: empty.
  for (const char* bad :
       {"%s", "%n", "%*d", "%ld", "%lld", "%d %d", "%5000d", "%.9999d", "%q", "%", "%hs", "%hc", "%lc"})
    EXPECT_EQ(str(nullptr, kFormat, {S(bad), I(1)}), "") << bad;
  EXPECT_EQ(str(nullptr, kFormat, {S("%d"), ZILNewFloat(ps, 1.5)}), "");
  EXPECT_EQ(str(nullptr, kFormat, {S("%f"), N()}), "");
  EXPECT_EQ(str(nullptr, kFormat, {S("%d-%d"), newArrayOfInts({1})}), "1-%d");
  EXPECT_EQ(str(nullptr, kFormat, {S("<%03d|%%|%x>"), newArrayOfInts({5, 10})}), "<005|%|a>");
  EXPECT_EQ(str(nullptr, kFormat, {S("%n%d"), newArrayOfInts({1, 2})}), "2");
}

TEST_F(ZILStringClass, RandomFormatTextsNeverCrash) {
  std::mt19937 rng(12345);
  const std::string alphabet = "%%%%dioxXucsfeEgGaAnp*-+ #0123456789.lhLqjzt$'\\";
  ZILHandle* values[] = {I(-42), ZILNewFloat(ps, -1e300), S("text"), N(), newArrayOfInts({1, 2, 3})};
  for (int i = 0; i < 10000; ++i) {
    std::string format;
    size_t length = rng() % 24;
    for (size_t k = 0; k < length; ++k)
      format.push_back(rng() % 8 == 0 ? static_cast<char>(rng() % 255 + 1) : alphabet[rng() % alphabet.size()]);
    ZILHandle* v = values[i % 5];
    ZILAddRef(v);
    ASSERT_EQ(call(nullptr, kFormat, {S(format), v}), 0) << format;
    ASSERT_EQ(reg(1)->type, ZIL_TYPE_STRING);
    ASSERT_LT(static_cast<ZILString*>(reg(1)->payload.p)->length, 4096 * 3 + 1);
  }
  for (ZILHandle* v : values)
    ZILRelease(ps, v);
}

}  // namespace

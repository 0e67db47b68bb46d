// zilstate_test.cpp - the runtime state: handle pool and null handle, weak handles, options,
// version packing, error texts, built-in types, native type registration, value copies and the
// teardown of objects that still refer to each other.
#include <string>
#include <vector>

#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILState_ : public ZILFixture {};

TEST_F(ZILState_, NullHandleIsHandleZeroSharedByEveryRegister) {
  ZILHandle* null = ps->nullHandle;
  EXPECT_EQ(ps->handles[0], null);
  EXPECT_EQ(null->type, ZIL_TYPE_NULL);
  EXPECT_TRUE(null->flags & ZIL_HANDLE_BLOCK_START);
  ZILLong before = null->refCount;
  prepare();
  EXPECT_EQ(null->refCount, before + 32);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(reg(i), null);
  // Releasing it below the state's own reference never frees it.
  for (int i = 0; i < 100; ++i)
    ZILRelease(ps, null);
  EXPECT_EQ(ps->handles[0], null);
  EXPECT_EQ(null->type, ZIL_TYPE_NULL);
}

TEST_F(ZILState_, HandlesAreRecycledAndPoolGrowthKeepsThemInPlace) {
  ZILLong inUse = ps->handlesInUse;
  ZILHandle* h = ZILNewInt(ps, 7);
  EXPECT_EQ(h->refCount, 1);
  ZILRelease(ps, h);
  EXPECT_EQ(ps->handlesInUse, inUse);
  EXPECT_EQ(ZILNewInt(ps, 8), h) << "the last handle released is the next one taken";
  ZILRelease(ps, h);

  std::vector<ZILHandle*> taken;
  for (ZILLong i = 0; i < 3000; ++i)
    taken.push_back(ZILNewInt(ps, i));
  EXPECT_EQ(ps->handleCapacity, 3072);
  for (ZILLong i = 0; i < 3000; ++i)
    ASSERT_EQ(taken[i]->payload.l, i) << "handle " << i << " moved or was overwritten";
  for (ZILLong block = 0; block < 3; ++block)
    EXPECT_TRUE(ps->handles[block * 1024]->flags & ZIL_HANDLE_BLOCK_START) << block;
  EXPECT_FALSE(ps->handles[1025]->flags & ZIL_HANDLE_BLOCK_START);
  EXPECT_EQ(ZILHandleIndex(ps, ps->handles[2049]), 2049);
  for (ZILHandle* t : taken)
    ZILRelease(ps, t);
  EXPECT_EQ(ps->handlesInUse, inUse);
}

TEST_F(ZILState_, ReleasingAWeakHandleLeavesTheObjectToItsOwner) {
  ZILHandle* strong = nullptr;
  ASSERT_EQ(ZILNewString(ps, "kept", 4, &strong), 0);
  ZILHandle* weak = ZILWeakCopy(ps, strong);
  EXPECT_TRUE(weak->flags & ZIL_HANDLE_WEAK);
  EXPECT_EQ(weak->payload.p, strong->payload.p);
  ZILRelease(ps, weak);
  EXPECT_EQ(stringOf(strong), "kept");  // AddressSanitizer reports it if the text was freed
  ZILHandle* reused = ZILNewInt(ps, 1);
  EXPECT_FALSE(reused->flags & ZIL_HANDLE_WEAK) << "a recycled handle starts strong";
  ZILRelease(ps, reused);
  ZILRelease(ps, strong);
}

TEST_F(ZILState_, OptionsKeepTheirMinimumsAndAreRefusedOnceInitialised) {
  EXPECT_EQ(ZILSetOption(ps, "stack-size", "400"), 0);
  EXPECT_EQ(ps->dataStackSize, 400);
  EXPECT_EQ(ps->callStackSize, 100);
  EXPECT_EQ(ZILSetOption(ps, "stack-size", "100"), ZIL_ERR_Invalid_Option_Value);
  EXPECT_EQ(ps->dataStackSize, 400);
  EXPECT_EQ(ps->callStackSize, 100);
  EXPECT_EQ(ZILSetOption(ps, "data-stack-size", "127"), ZIL_ERR_Invalid_Option_Value);
  EXPECT_EQ(ZILSetOption(ps, "data-stack-size", "128"), 0);
  EXPECT_EQ(ZILSetOption(ps, "call-stack-size", "31"), ZIL_ERR_Invalid_Option_Value);
  EXPECT_EQ(ZILSetOption(ps, "call-stack-size", "32"), 0);
  EXPECT_EQ(ps->callStackSize, 32);
  EXPECT_EQ(ZILSetOption(ps, "log-garbage", "1"), 0);
  EXPECT_EQ(ps->logGarbage, 1);
  EXPECT_EQ(ZILSetOption(ps, "Stack-Size", "400"), ZIL_ERR_Unknown_Option);
  EXPECT_EQ(ZILSetOption(ps, "heap-size", "400"), ZIL_ERR_Unknown_Option);
  prepare();
  EXPECT_EQ(ps->root->dataSize, 128);
  EXPECT_EQ(ps->root->callSize, 32);
  EXPECT_EQ(ZILSetOption(ps, "stack-size", "400"), ZIL_ERR_Runtime_Initialized);
}

TEST_F(ZILState_, VersionsPackFourBytesAndFormatBack) {
  EXPECT_EQ(NTLRevisionToLong("1.0.3.2"), 0x01000302);
  EXPECT_EQ(ps->libraryVersion, 0x01000302);
  EXPECT_EQ(ps->typeInterfaceVersion, 0x01000302);
  EXPECT_EQ(NTLRevisionToLong("300.2"), static_cast<ZILLong>(0x2c020000)) << "parts keep 8 bits; missing parts are 0";
  char text[32];
  ZILVersionToText(static_cast<ZILLong>(0xff000302), text, sizeof text);
  EXPECT_STREQ(text, "255.0.3.2");
  EXPECT_EQ(ps->runtimeFlags, ZIL_FLAG_RELEASE_BUILD);
}

TEST_F(ZILState_, ErrorCodesHaveTheirTexts) {
  EXPECT_STREQ(ZILGetExceptionString(0), "No exception");
  EXPECT_STREQ(ZILGetExceptionString(1001), "STACK OVERFLOW EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(1016), "ABORT EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(1106), "Native type doesn't support this feature or function");
  EXPECT_STREQ(ZILGetExceptionString(1126), "No compiler present, ZCLFreeCompiler() was called");
  EXPECT_STREQ(ZILGetExceptionString(1127), "ZIL UNKNOWN EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(42), "ZIL UNKNOWN EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(1017), "ZIL UNKNOWN EXCEPTION");
}

TEST_F(ZILState_, BuiltinTypesHaveFixedIds) {
  const char* names[] = {"null", "int",   "float", "string",   nullptr, "array",     nullptr,      nullptr,
                         "list", nullptr, nullptr, "iterator", "table", "exception", "__delegate", "var"};
  ASSERT_EQ(ps->types.count, 16);
  for (ZILLong id = 0; id < 16; ++id) {
    EXPECT_EQ(ZILTypes(ps)[id].typeID, id);
    if (names[id])
      EXPECT_STREQ(ZILGetTypeName(ps, id), names[id]) << id;
    else
      EXPECT_EQ(ZILTypes(ps)[id].family, ZIL_FAMILY_DELEGATE) << id;
  }
  EXPECT_EQ(ZILTypes(ps)[ZIL_TYPE_EXCEPTION].family, ZIL_FAMILY_INTERFACE);
  EXPECT_TRUE(ZILTypes(ps)[ZIL_TYPE_TABLE].isNative);
  EXPECT_STREQ(ZILGetTypeName(ps, 16), "INVALID TYPE ID");
  EXPECT_STREQ(ZILGetTypeName(ps, -1), "INVALID TYPE ID");
  // The first run finds a proc for every native type.
  prepare();
  for (ZILLong id : {3, 5, 8, 11, 12})
    EXPECT_NE(ZILTypes(ps)[id].typeProc, nullptr) << id;
}

// A native class whose name and answers a test chooses.
const char* gClassName = "Widget";
int gUnregistered = 0;
ZILError namedProc(NTLInstance*, ZILLong msg, ZILLong, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_GetClassName: *out = const_cast<char*>(gClassName); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_Unregister: ++gUnregistered; return 0;
    case NTL_Register:
    case NTL_GetAuthorVersion: return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}
ZILError namedProc2(NTLInstance* i, ZILLong msg, ZILLong p, ZILUnknown* in, ZILUnknown** out) {
  return namedProc(i, msg, p, in, out);
}

TEST_F(ZILState_, NativeTypeRegistrationChecksItsName) {
  gUnregistered = 0;
  gClassName = "Widget";
  EXPECT_EQ(ZILRegisterNativeType(ps, namedProc), 0);
  EXPECT_EQ(ZILRegisterNativeType(ps, namedProc2), ZIL_ERR_Register_Native_Type_Failed) << "same name twice";
  EXPECT_EQ(gUnregistered, 1);
  for (const char* bad : {"9lives", "no-hyphen", "", "string"}) {
    gClassName = bad;
    EXPECT_EQ(ZILRegisterNativeType(ps, namedProc2), ZIL_ERR_Register_Native_Type_Failed) << bad;
  }
  gClassName = "_a1";
  EXPECT_EQ(ZILRegisterNativeType(ps, namedProc2), 0);
  EXPECT_EQ(ZILRegisterNativeType(ps, nullptr), ZIL_ERR_Register_Native_Type_Failed);
  gUnregistered = 0;
  ZILTerminate(ps);
  ps = nullptr;
  EXPECT_EQ(gUnregistered, 2) << "both registered types hear of the teardown";
}

TEST_F(ZILState_, ValueCopiesFollowTheValuesType) {
  prepare();
  ZILLong point = addClass("Point", 2);
  ZILHandle* p = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, point, &p), 0);
  ZILHandle** m = ZILInstanceMembers(static_cast<ZILInstance*>(p->payload.p));
  ZILRelease(ps, m[0]);
  m[0] = ZILNewInt(ps, 3);
  ZILRelease(ps, m[1]);
  ASSERT_EQ(ZILNewString(ps, "label", 5, &m[1]), 0);

  ZILHandle* c = nullptr;
  ASSERT_EQ(ZILCopyValue(ps, p, &c), 0);
  ZILHandle** cm = ZILInstanceMembers(static_cast<ZILInstance*>(c->payload.p));
  EXPECT_NE(cm[0], m[0]) << "ints are copied";
  EXPECT_EQ(cm[0]->payload.l, 3);
  EXPECT_EQ(cm[1], m[1]) << "other members are shared";
  ZILRelease(ps, c);

  ZILHandle* s = nullptr;
  ASSERT_EQ(ZILCopyValue(ps, m[1], &s), 0);
  EXPECT_NE(s->payload.p, m[1]->payload.p);
  EXPECT_EQ(stringOf(s), "label");
  ZILRelease(ps, s);

  // Arrays copy their elements, nested arrays included.
  ZILHandle* outer = newArrayOfInts({1});
  ZILArrayAppend(arrayOf(outer), newArrayOfInts({2, 3}));
  ZILHandle* copy = nullptr;
  ASSERT_EQ(ZILCopyValue(ps, outer, &copy), 0);
  ZILArray* ca = arrayOf(copy);
  ASSERT_EQ(ca->length, 2);
  EXPECT_NE(ca->slots[1], arrayOf(outer)->slots[1]);
  EXPECT_EQ(arrayOf(ca->slots[1])->slots[1]->payload.l, 3);
  ZILRelease(ps, copy);

  // An array that holds itself cannot be copied, and says so instead of recursing forever.
  ZILAddRef(outer);
  ZILArrayAppend(arrayOf(outer), outer);
  EXPECT_EQ(ZILCopyValue(ps, outer, &copy), ZIL_EXC_Object_Copy_Fail);
  ZILRelease(ps, outer);  // the cycle is freed by the teardown

  // Delegates copy their function and share their object; a cofunction cannot be copied.
  ZILHandle* dg = nullptr;
  ASSERT_EQ(ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, 4, p, &dg), 0);
  ASSERT_EQ(ZILCopyValue(ps, dg, &copy), 0);
  auto* d2 = static_cast<ZILDelegate*>(copy->payload.p);
  EXPECT_EQ(d2->index, 4);
  EXPECT_EQ(d2->object, p);
  ZILRelease(ps, copy);
  ZILRelease(ps, dg);
  ZILRelease(ps, p);
  ZILHandle* exc = ZILNewInt(ps, 1001);
  exc->type = ZIL_TYPE_EXCEPTION;
  EXPECT_EQ(ZILCopyValue(ps, exc, &copy), ZIL_EXC_Unsupported_Type);
  ZILRelease(ps, exc);
}

std::vector<std::string> gLog;
void captureLog(ZILState*, const ZILChar* line) { gLog.push_back(line); }

TEST_F(ZILState_, TeardownFreesObjectsThatHoldEachOther) {
  gLog.clear();
  ps->log = captureLog;
  prepare();
  ZILLong node = addClass("Node", 1);
  ZILHandle *a = nullptr, *b = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, node, &a), 0);
  ASSERT_EQ(ZILNewInstance(ps, node, &b), 0);
  ZILRelease(ps, ZILInstanceMembers(static_cast<ZILInstance*>(a->payload.p))[0]);
  ZILInstanceMembers(static_cast<ZILInstance*>(a->payload.p))[0] = b;  // a holds b (b's own reference)
  ZILAddRef(a);
  ZILRelease(ps, ZILInstanceMembers(static_cast<ZILInstance*>(b->payload.p))[0]);
  ZILInstanceMembers(static_cast<ZILInstance*>(b->payload.p))[0] = a;  // b holds a
  ZILRelease(ps, a);                                                   // now only the cycle holds them
  EXPECT_EQ(ZILTerminate(ps), 0);
  ps = nullptr;
  ASSERT_FALSE(gLog.empty());
  EXPECT_EQ(gLog.back(), "--- GC collected 2 handles, 0 left ---\n");
}

}  // namespace

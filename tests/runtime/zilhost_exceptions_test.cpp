// zilhost_exceptions_test.cpp - host code that throws (a native type's proc, the allocation
// callback, an exception vector) never unwinds through the runtime: the exception becomes the
// runtime's error code where the runtime called the host, and the runtime stays usable. Also the
// check of the in-place rule that checked builds make.
#include <stdexcept>
#include <string>

#include "zentra/runtime/zilinternal.h"
#include "ziltools.h"
#include "zil_test_support.h"

using namespace ziltest;

namespace {

// A native class "Thrower": its static functions throw a std::bad_alloc, another std::exception,
// an int, or return 7.
enum {
  kThrowBadAlloc,
  kThrowRuntimeError,
  kThrowInt,
  kReturnSeven
};

ZILError throwerProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_GetClassName: *out = const_cast<char*>("Thrower"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_CallStatic:
      if (param == kThrowBadAlloc)
        throw std::bad_alloc();
      if (param == kThrowRuntimeError)
        throw std::runtime_error("host failure");
      if (param == kThrowInt)
        throw 42;
      return NTLReturnInt(inst->state, 7);
    default: return 0;
  }
}

// Allocation callback that throws while armed, as a C++ host allocator would.
bool gAllocThrows = false;
void* throwingAlloc(ZILState*, size_t size) {
  if (gAllocThrows)
    throw std::bad_alloc();
  return malloc(size);
}
void plainFree(ZILState*, void* p) { free(p); }

class ZILHostExceptions : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    ASSERT_EQ(ZILRegisterNativeType(ps, throwerProc), 0);
    ZILTypeInfo ti{};
    ASSERT_EQ(ZILAddName(ps, "Thrower", &ti.pName), 0);
    ti.family = ZIL_FAMILY_CLASS;
    ti.isNative = 1;
    ti.interfaceVersion = 0x01000302;
    ti.copyConstructor = -1;
    ti.offsetVtab = -1;
    ASSERT_EQ(ZILAddType(ps, &ti, &thrower), 0);
    global = addClass("__global", 0);
    prepare();
  }
  ZILLong thrower = -1;
  ZILLong global = -1;
};

TEST_F(ZILHostExceptions, ThrowingNativeFunctionsRaiseTheirCodeAndTheRuntimeGoesOn) {
  struct Row {
    ZILLong function;
    ZILError expected;
    const char* what;
  } rows[] = {{kThrowBadAlloc, ZIL_EXC_Allocation_Fail, "std::bad_alloc"},
              {kThrowRuntimeError, ZIL_ERR_Unspecified, "another std::exception"},
              {kThrowInt, ZIL_ERR_Unspecified, "something that is no std::exception"},
              {kReturnSeven, 0, "no exception"}};
  ZILContext* root = ps->root;
  for (const Row& row : rows) {
    // A script function calls the native one; native code calls the script function.
    Assembler a(ps);
    a.op("calln", {type(thrower), imm(row.function)}).op("ret");
    const std::string name = "callsThrower" + std::to_string(row.function);
    addFunction(name.c_str(), global, a.commit());
    ZILHandle* fn = ZILGetFunction(ps, name.c_str());
    ASSERT_NE(fn, nullptr);
    const ZILLong sp = root->sp, csp = root->csp, inUse = ps->handlesInUse;
    ZILHandle* result = ZILCallFunction(ps, fn, 0);
    ASSERT_NE(result, nullptr) << row.what;
    if (row.expected) {
      EXPECT_EQ(NTLHandleToError(ps, result), row.expected) << row.what;
    } else {
      EXPECT_EQ(result->type, ZIL_TYPE_INT) << row.what;
      EXPECT_EQ(result->payload.l, 7) << row.what;
    }
    NTLFreeHandle(ps, result);
    EXPECT_EQ(root->sp, sp) << row.what;
    EXPECT_EQ(root->csp, csp) << row.what;
    EXPECT_EQ(ps->depth, 0) << row.what;
    EXPECT_EQ(ps->running, 0) << row.what;
    EXPECT_EQ(ps->handlesInUse, inUse) << row.what;
    NTLFreeHandle(ps, fn);
  }
}

TEST_F(ZILHostExceptions, AnAllocatorThatThrowsFailsLikeOneThatReturnsNothing) {
  ps->alloc = throwingAlloc;
  ps->free = plainFree;
  gAllocThrows = true;
  ZILHandle* h = nullptr;
  std::string text(200, 'x');  // longer than a string block holds: it needs an allocation
  EXPECT_EQ(ZILNewString(ps, text.c_str(), static_cast<ZILLong>(text.size()), &h), ZIL_EXC_Allocation_Fail);
  EXPECT_EQ(ZILNewArray(ps, &h), ZIL_EXC_Allocation_Fail);
  // An instruction that allocates raises 1012 and the run ends with it.
  Assembler a(ps);
  a.op("ldz", {r(4)}).op("push", {r(4)}).op("alloca", {type(ZIL_TYPE_INT), imm(1), r(3)}).op("ret");
  EXPECT_EQ(run(a), ZIL_EXC_Allocation_Fail);
  recover();
  gAllocThrows = false;
  ASSERT_EQ(ZILNewArray(ps, &h), 0) << "allocation works again once the allocator does";
  ZILRelease(ps, h);
}

TEST_F(ZILHostExceptions, AThrowingExceptionVectorLeavesTheCodePending) {
  ps->vectors[ZIL_VECTOR_BREAK] = [](ZILState*) {
    throw std::runtime_error("monitor failed");
  };
  Assembler a(ps);
  a.op("brk").op("ret");
  EXPECT_EQ(run(a), ZIL_EXC_Break);
  EXPECT_EQ(ps->inVector, 0);
  recover();
}

#if ZIL_CHECKED
TEST_F(ZILHostExceptions, CheckedBuildsReportAConstantChangedInPlace) {
  // r3 shares the constant 5's handle: `incl r3` makes every later use of the literal 6. Code
  // that owns its int (r4, given the constant's value by `moveh`) is not reported.
  std::string log;
  ps->user = &log;
  ps->log = [](ZILState* s, const ZILChar* line) {
    *static_cast<std::string*>(s->user) += line;
  };
  ZILLong five = -1;
  ASSERT_EQ(ZILAddConstantInt(ps, 5, &five), 0);
  Assembler a(ps);
  a.op("ldz", {r(4)}).op("moveh", {dh(five), r(4)}).op("incl", {r(4)});
  a.op("moveh", {dh(five), r(3)}).op("incl", {r(3)}).op("ret");
  const ZILLong incl = a.here() - 3;
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(ZILInternal(ps)->constantsChangedInPlace, 1);
  EXPECT_EQ(log, "ZIL: `incl` at " + std::to_string(incl) + " changes a constant in place\n");
}
#endif

}  // namespace

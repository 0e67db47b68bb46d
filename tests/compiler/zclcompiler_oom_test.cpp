// zclcompiler_oom_test.cpp - the compiler's interface throws nothing: a failed allocation at any
// point of start-up, a compile, a link or a handler compile comes back as 1012, the compiler is
// then out of use (1255), and the runtime still runs what was linked before and frees everything.
// This binary's operator new can be told to fail its n-th call from now; it is plain malloc
// otherwise (every non-aligned form is replaced, so new and delete always pair up, also under
// AddressSanitizer).
#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "zilcompiler.h"
#include "tests/compiler/zclfixture.h"
#include "ziltools.h"

namespace {

long gAllocationsBeforeFailure = -1;  // -1: allocations do not fail
bool gFailed = false;

void* allocate(std::size_t size) {
  if (gAllocationsBeforeFailure == 0) {
    gAllocationsBeforeFailure = -1;
    gFailed = true;
    throw std::bad_alloc();
  }
  if (gAllocationsBeforeFailure > 0)
    --gAllocationsBeforeFailure;
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

const char* kScript =
    "option \"optimize = 3\";\n"
    "class P { int v; method P() { v = 1; } method int get() { return v + 1; } }\n"
    "int total = 3;\n"
    "function int main() { P p = new P(); string s = \"x\" + total; return p.get() + total; }\n";

// Runs `call` with the n-th allocation from its start failing, for n = 0, step, 2 * step, ...
// until a call meets no failure. `check` looks at each call's code and the state after it.
void sweep(const char* what, long step, const std::function<void(ZILState*)>& before,
           const std::function<ZILError(ZILState*)>& call,
           const std::function<void(ZILState*, ZILError, long)>& check) {
  long failures = 0;
  for (long n = 0;; n += step) {
    ZILState* ps = ZILInitialize();
    ASSERT_NE(ps, nullptr);
    ps->log = [](ZILState*, const ZILChar*) {
    };
    before(ps);
    gFailed = false;
    gAllocationsBeforeFailure = n;
    ZILError code = call(ps);
    gAllocationsBeforeFailure = -1;
    if (!gFailed) {
      EXPECT_EQ(code, 0) << what << ": the whole call, without a failure";
      EXPECT_GT(failures, 3) << what << ": the sweep must reach allocations inside the call";
      ZILTerminate(ps);
      return;
    }
    EXPECT_TRUE(code == 0 || code == ZIL_EXC_Allocation_Fail) << what << ", allocation " << n << ": " << code;
    failures += code == ZIL_EXC_Allocation_Fail;
    check(ps, code, n);
    EXPECT_EQ(ZILTerminate(ps), 0) << what << ", allocation " << n;
    if (testing::Test::HasFailure())
      return;
  }
}

// After a call that ran out of memory, the compiler refuses to go on.
void expectCompilerOutOfUse(ZILState* ps, ZILError code, long n) {
  if (code != ZIL_EXC_Allocation_Fail)
    return;
  EXPECT_EQ(ZCLCompile(ps, "b.zc", "int more;"), ZCL_ERR_Fatal) << "allocation " << n;
  EXPECT_EQ(ZCLLink(ps), ZCL_ERR_Fatal) << "allocation " << n;
}

TEST(CompilerOutOfMemory, FailedAllocationsComeBackAsCodes) {
  // Start-up.
  sweep(
      "ZILInitializeCompiler", 7, [](ZILState*) {}, ZILInitializeCompiler, [](ZILState*, ZILError, long) {});

  // Compile and link; a program linked before the failure still runs.
  auto linkFirst = [](ZILState* ps) {
    ASSERT_EQ(ZILInitializeCompiler(ps), 0);
    ASSERT_EQ(ZCLCompile(ps, "first.zc", "function int first() { return 41 + 1; }"), 0);
    ASSERT_EQ(ZCLLink(ps), 0);
    ASSERT_EQ(ZILRun(ps), 0);
  };
  sweep(
      "ZCLCompile and ZCLLink", 3, linkFirst,
      [](ZILState* ps) {
        ZILError e = ZCLCompile(ps, "a.zc", kScript);
        return e ? e : ZCLLink(ps);
      },
      [](ZILState* ps, ZILError code, long n) {
        expectCompilerOutOfUse(ps, code, n);
        ZILHandle* first = ZILGetFunction(ps, "first");
        ASSERT_NE(first, nullptr);
        ZILHandle* result = ZILCallFunction(ps, first, 0);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->type == ZIL_TYPE_INT ? result->payload.l : -1, 42) << "allocation " << n;
        NTLFreeHandle(ps, result);
        NTLFreeHandle(ps, first);
      });

  // A handler compiled from a code fragment.
  sweep(
      "ZCLCompileHandler", 5,
      [](ZILState* ps) {
        ASSERT_EQ(ZILInitializeCompiler(ps), 0);
        ASSERT_EQ(ZCLCompile(ps, "app.zc", "class Application; class View; int clicks = 0;"), 0);
      },
      [](ZILState* ps) {
        ZILLong handle = -1;
        ZILError e = ZCLCompileHandler(ps, "clicks++", &handle);
        EXPECT_TRUE(e ? handle == 0 : handle > 0) << e << " " << handle;
        return e;
      },
      expectCompilerOutOfUse);
}

}  // namespace

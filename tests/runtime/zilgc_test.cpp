// zilgc_test.cpp - the mark-and-sweep collector (cycles, roots, refusal while running, mark
// errors, GC event handlers, long chains) and the fixed-size memory pools (size classes,
// invalid-pointer report, refusal after the first run, a whole runtime running on them).
#include <string>
#include <vector>

#include "zil_test_support.h"
#include "ziltools.h"

using namespace ziltest;

namespace {

std::vector<std::string> gLog;
void collectLog(ZILState*, const ZILChar* line) { gLog.push_back(line); }

class ZILGC : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    gLog.clear();
    ps->log = collectLog;
  }
  // Two instances of a one-member class holding each other.
  void makeCycle(ZILLong cls, ZILHandle** pa, ZILHandle** pb) {
    ASSERT_EQ(ZILNewInstance(ps, cls, pa), 0);
    ASSERT_EQ(ZILNewInstance(ps, cls, pb), 0);
    ZILAddRef(*pb);
    ZILRelease(ps, ZILInstanceMembers(static_cast<ZILInstance*>((*pa)->payload.p))[0]);
    ZILInstanceMembers(static_cast<ZILInstance*>((*pa)->payload.p))[0] = *pb;
    ZILAddRef(*pa);
    ZILRelease(ps, ZILInstanceMembers(static_cast<ZILInstance*>((*pb)->payload.p))[0]);
    ZILInstanceMembers(static_cast<ZILInstance*>((*pb)->payload.p))[0] = *pa;
  }
};

TEST_F(ZILGC, CollectsUnreachableCyclesInOnePassAndKeepsRoots) {
  ZILLong cls = addClass("Node", 1);
  prepare();
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  EXPECT_TRUE(gLog.empty()) << "nothing freed, nothing logged";

  ZILHandle *a, *b, *c, *d;
  makeCycle(cls, &a, &b);
  makeCycle(cls, &c, &d);
  ZILRelease(ps, a);
  ZILRelease(ps, b);  // a and b now only hold each other
  setReg(5, c);       // c and d are reachable through r5
  ZILRelease(ps, d);
  ZILHandle* arr = newArrayOfInts({1, 2});
  setReg(6, arr);  // the array's elements are reachable through it
  ZILLong inUse = ps->handlesInUse;

  ASSERT_EQ(ZILSetOption(ps, "log-garbage", "1"), ZIL_ERR_Runtime_Initialized);
  ps->logGarbage = 1;
  EXPECT_EQ(ZILCollectGarbage(ps), 2);
  EXPECT_EQ(ps->handlesInUse, inUse - 2);
  EXPECT_EQ(ps->collectedTotal, 2);
  // The second object of the cycle goes through its count while the first is destroyed.
  ASSERT_EQ(gLog.size(), 2u);
  EXPECT_NE(gLog[0].find("refCount = 1, type = Node"), std::string::npos) << gLog[0];
  EXPECT_EQ(gLog[1].rfind("--- GC collected 2 handles in ", 0), 0u) << gLog[1];
  EXPECT_EQ(reg(5)->type, cls);
  EXPECT_EQ(arrayOf(reg(6))->slots[1]->payload.l, 2);
  EXPECT_EQ(ZILCollectGarbage(ps), 0) << "marks were cleared by the sweep";

  ps->running = 1;
  setReg(5, ZILNewInt(ps, 0));  // c and d become garbage
  EXPECT_EQ(ZILCollectGarbage(ps), 0) << "nothing is collected while byte code runs";
  ps->running = 0;
  EXPECT_EQ(ZILCollectGarbage(ps), 2);
}

ZILError failingHandler(ZILState*, ZILLong event, void*) { return event == 0 ? ZIL_ERR_Invalid_Handle_Type : 0; }

std::vector<ZILHandle*> gHeld;
ZILError holdingHandler(ZILState* ps, ZILLong event, void*) {
  if (event == ZIL_GC_EVENT_TERMINATE) {
    for (ZILHandle* h : gHeld)
      NTLFreeHandle(ps, h);
    gHeld.clear();
    return 0;
  }
  for (ZILHandle* h : gHeld) {
    ZILError e = NTLMarkHandle(ps, h);
    if (e)
      return e;
  }
  return 0;
}

TEST_F(ZILGC, EventHandlersMarkAndAbortOnError) {
  ZILLong cls = addClass("Node", 1);
  prepare();
  int owner1 = 0, owner2 = 0;
  EXPECT_EQ(ZILAttachGCEventHandler(ps, &owner1, nullptr), ZIL_ERR_Illegal_Argument);
  ASSERT_EQ(ZILAttachGCEventHandler(ps, &owner1, holdingHandler), 0);
  EXPECT_EQ(ZILAttachGCEventHandler(ps, &owner1, holdingHandler), ZIL_ERR_Illegal_Argument);
  ZILHandle *a, *b;
  makeCycle(cls, &a, &b);
  ZILRelease(ps, b);
  gHeld.push_back(a);  // held by the handler's owner only
  EXPECT_EQ(ZILCollectGarbage(ps), 0);

  ASSERT_EQ(ZILAttachGCEventHandler(ps, &owner2, failingHandler), 0);
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  ASSERT_FALSE(gLog.empty());
  EXPECT_EQ(gLog.back(), "GC MARK ERROR: 1109 (Invalid handle type)\n");
  EXPECT_EQ(ZILDetachGCEventHandler(ps, &owner2), 0);
  EXPECT_EQ(ZILDetachGCEventHandler(ps, &owner2), ZIL_ERR_Illegal_Argument);

  // After the aborted collection, the held objects are still traversed.
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  EXPECT_EQ(a->type, cls);
  EXPECT_EQ(ZILInstanceMembers(static_cast<ZILInstance*>(a->payload.p))[0]->type, cls);
  // Teardown tells the handler to release what it holds.
}

TEST_F(ZILGC, LongChainsAreMarkedWithoutDeepRecursion) {
  ZILLong cls = addClass("Link", 1);
  prepare();
  // A ring of `length` links; returns its first link (counted once by the caller).
  auto ring = [&](int length) {
    ZILHandle* head = nullptr;
    EXPECT_EQ(ZILNewInstance(ps, cls, &head), 0);
    ZILHandle* first = head;
    ZILAddRef(first);
    for (int i = 1; i <= length; ++i) {
      ZILHandle* next = first;
      if (i < length)
        EXPECT_EQ(ZILNewInstance(ps, cls, &next), 0);
      else
        ZILAddRef(next);
      ZILHandle** slot = ZILInstanceMembers(static_cast<ZILInstance*>(head->payload.p));
      ZILRelease(ps, *slot);
      *slot = next;  // takes the reference
      head = next;
    }
    ZILRelease(ps, head);
    return first;
  };
  setReg(5, ring(400000));  // reachable: marked link by link
  EXPECT_EQ(ZILCollectGarbage(ps), 0);
  ZILRelease(ps, ring(5000));
  EXPECT_EQ(ZILCollectGarbage(ps), 5000);
  // Teardown frees the big ring without following it.
}

TEST_F(ZILGC, ReleasingALongChainDestroysItWithoutDeepRecursion) {
  ZILLong cls = addClass("Link", 1);
  prepare();
  const ZILLong before = ps->handlesInUse;
  // A list of a million links, each holding the next; only the caller holds the first.
  ZILHandle* first = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &first), 0);
  ZILHandle* tail = first;
  for (int i = 1; i < 1000000; ++i) {
    ZILHandle* next = nullptr;
    ASSERT_EQ(ZILNewInstance(ps, cls, &next), 0);
    ZILHandle** slot = ZILInstanceMembers(static_cast<ZILInstance*>(tail->payload.p));
    ZILRelease(ps, *slot);
    *slot = next;  // takes the reference
    tail = next;
  }
  ZILRelease(ps, first);  // would overflow the C stack if every link destroyed the next one
  EXPECT_EQ(ps->handlesInUse, before) << "every link went back to the free stack";
  EXPECT_EQ(ps->releaseQueue, nullptr);
  // The recycled handles are fine to use again.
  ZILHandle* again = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &again), 0);
  ZILRelease(ps, again);
}

// ----------------------------------------------------------------------------------------------
// Pools

struct Header {
  void* bucket;
  size_t size;
};
Header* headerOf(void* p) { return static_cast<Header*>(p) - 1; }

TEST(ZILFixMem, SizeClassesBoundariesAndInvalidPointers) {
  ZILState* ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  ASSERT_EQ(ZILUseFixMem(ps), 0);
  EXPECT_EQ(ZILUseFixMem(ps), ZIL_ERR_Runtime_Initialized);
  EXPECT_EQ(ZILAlloc(ps, 0), nullptr);
  struct Case {
    size_t request;
    size_t blockSize;
    bool pooled;
  } cases[] = {{1, 16, true},    {16, 16, true},   {17, 32, true},   {256, 256, true},
               {257, 512, true}, {512, 512, true}, {513, 513, false}};
  for (const Case& c : cases) {
    void* p = ZILAlloc(ps, c.request);
    ASSERT_NE(p, nullptr);
    memset(p, 0xab, c.request);
    EXPECT_EQ(headerOf(p)->size, c.blockSize) << c.request;
    EXPECT_EQ(headerOf(p)->bucket != nullptr, c.pooled) << c.request;
    ZILFree(ps, p);
  }
  // Freed blocks are reused first.
  void* p = ZILAlloc(ps, 40);
  ZILFree(ps, p);
  void* q = ZILAlloc(ps, 64);
  EXPECT_EQ(p, q);
  // A block whose header was overwritten is reported and left alone.
  size_t saved = headerOf(q)->size;
  headerOf(q)->size = 48;
  testing::internal::CaptureStderr();
  ZILFree(ps, q);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: FixMem_Free() called with invalid buffer pointer\n");
  headerOf(q)->size = saved;
  void* r = ZILAlloc(ps, 64);
  EXPECT_NE(r, q) << "the bad free did not return the block";
  ZILFree(ps, r);
  ZILFree(ps, q);
  // Many blocks: new buckets are made past the first limit.
  std::vector<void*> blocks;
  for (int i = 0; i < 512 * 40; ++i)
    blocks.push_back(ZILAlloc(ps, 8));
  for (void* b : blocks)
    ZILFree(ps, b);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ZILTerminate(ps), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no leak report";
}

TEST_F(ZILGC, UseFixMemIsRefusedOnceRunningOrHoldingObjects) {
  prepare();
  EXPECT_EQ(ZILUseFixMem(ps), ZIL_ERR_Runtime_Initialized);
  ZILState* other = ZILInitialize();
  ZILHandle* h = ZILNewInt(other, 1);
  EXPECT_EQ(ZILUseFixMem(other), ZIL_ERR_Runtime_Initialized);
  ZILRelease(other, h);
  EXPECT_EQ(ZILTerminate(other), 0);
}

TEST(ZILFixMem, AWholeRuntimeRunsOnThePools) {
  ZILState* ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  // A string freed before the switch leaves a block of the old allocator for reuse; it must go
  // back to that allocator rather than be handed out and later freed into the pools.
  ZILStringDestroy(ZILStringCreate(ps, "before the switch", 17));
  ASSERT_EQ(ZILUseFixMem(ps), 0);
  ZILLong index = 0;
  ASSERT_EQ(ZILAddConstantString(ps, "hello", &index), 0);
  for (int i = 0; i < 600; ++i)  // grows segments allocated before the switch
    ASSERT_EQ(ZILAddName(ps, "a_rather_long_name_to_grow_the_segment", nullptr), 0);
  ASSERT_EQ(ZILPrepareRun(ps), 0);
  std::vector<ZILHandle*> handles;
  for (int i = 0; i < 5000; ++i) {  // grows the handle pool
    ZILHandle* s = nullptr;
    ASSERT_EQ(ZILNewString(ps, "some text", 9, &s), 0);
    ASSERT_EQ(ZILStringAppend(static_cast<ZILString*>(s->payload.p), std::string(600, 'x').c_str(), 600), 0);
    handles.push_back(s);
  }
  for (ZILHandle* s : handles)
    ZILRelease(ps, s);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ZILTerminate(ps), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace

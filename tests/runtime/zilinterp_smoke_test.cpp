// zilinterp_smoke_test.cpp - a counting loop and a call, the shortest proof that dispatch,
// branches, calls and returns work together.
#include "zil_test_support.h"

using namespace ziltest;

namespace {

class ZILSmoke : public ZILFixture {};

TEST_F(ZILSmoke, CountingLoopRunsToItsLimit) {
  prepare();
  ZILLong zero, one, limit;
  ASSERT_EQ(ZILAddConstantInt(ps, 0, &zero), 0);
  ASSERT_EQ(ZILAddConstantInt(ps, 1, &one), 0);
  ASSERT_EQ(ZILAddConstantInt(ps, 1000, &limit), 0);
  Assembler a(ps);
  a.op("copyh", {dh(zero), r(3)})
      .op("copyh", {dh(one), r(4)})
      .op("copyh", {dh(limit), r(5)})
      .label("loop")
      .op("addl", {r(4), r(3)})
      .op("csltl", {r(5), r(3), r(6)})
      .op("tstne", {r(6), to("loop")})
      .op("jsr", {addressOf("sub")})
      .op("ret")
      .label("sub")
      .op("incl", {r(3)})
      .op("ret");
  uint64_t before = ps->instructionCounter;
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(3), 1001);
  EXPECT_EQ(intOf(6), 0);
  EXPECT_EQ(ps->instructionCounter - before, 3u + 3000u + 4u);
  EXPECT_EQ(ps->depth, 0);
  EXPECT_EQ(ps->running, 0);
}

TEST_F(ZILSmoke, RunExecutesTheInitialisationCodeAddedSinceTheLastRun) {
  Assembler a(ps);
  a.op("incl", {r(3)}).op("ret");
  a.commit();
  ps->initCodeAddress = 0;
  ps->blocked = 1;
  EXPECT_EQ(ZILRun(ps), ZIL_ERR_Runtime_Blocked);
  ps->blocked = 0;
  ASSERT_EQ(ZILPrepareRun(ps), 0);
  setInt(3, 0);
  ASSERT_EQ(ZILRun(ps), 0);
  EXPECT_EQ(intOf(3), 1);
  EXPECT_EQ(ps->initCodeAddress, ps->code.count) << "the next run starts after this code";
  ASSERT_EQ(ZILRun(ps), 0);
  EXPECT_EQ(intOf(3), 1) << "nothing new to run";
  Assembler b(ps);
  b.op("incl", {r(3)}).op("incl", {r(3)}).op("ret");
  b.commit();
  ASSERT_EQ(ZILRun(ps), 0);
  EXPECT_EQ(intOf(3), 3);
}

}  // namespace

// zilinterp_calls_test.cpp - control transfer: calls and returns, endless recursion, exception
// generation and its four vectors, calls into native types (and back into script code),
// delegates, cofunctions and copy constructors.
#include <string>
#include <vector>

#include "zil_test_support.h"

using namespace ziltest;

namespace {

// ------------------------------------------------------------------------------------------------
// A native class "Counter": objects hold an int. Static function 0 fails with 1234, 1 returns 77
// in r1, 2 runs script code at gCallback; member 0 increments and returns the value, member 5 is
// the copy constructor (copies argument 0's value).

struct Counter {
  ZILLong value;
};
ZILLong gCallback = -1;
ZILLong gDepthInCallback = 0;
bool gFailNewObject = false;
ZILLong gLastMember = -1;

void returnInt(ZILState* ps, ZILLong v) {
  ZILHandle** r1 = ps->current->regs + 1;
  ZILRelease(ps, *r1);
  *r1 = ZILNewInt(ps, v);
}

ZILError counterProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_GetClassName: *out = const_cast<char*>("Counter"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_GetAuthorVersion: return 0;
    case NTL_NewObject:
      if (gFailNewObject)
        return ZIL_ERR_Unspecified;
      *out = new Counter{0};
      return 0;
    case NTL_DestroyObject: delete static_cast<Counter*>(in); return 0;
    case NTL_CallStatic: {
      ZILState* ps = inst->state;
      if (param == 0)
        return 1234;
      if (param == 1) {
        returnInt(ps, 77);
        return 0;
      }
      if (param == 2) {
        gDepthInCallback = ps->depth;
        return ZILRunAddress(ps, gCallback);
      }
      return ZIL_ERR_Unsupported_Native_Call;
    }
    case NTL_CallMember: {
      ZILState* ps = inst->state;
      auto* c = static_cast<Counter*>(in);
      gLastMember = param;
      if (param == 0) {
        returnInt(ps, ++c->value);
        return 0;
      }
      if (param == 5) {
        ZILHandle* source = ps->current->dataStack[ps->current->sp];
        c->value = static_cast<Counter*>(source->payload.p)->value;
        return 0;
      }
      return ZIL_ERR_Unsupported_Native_Call;
    }
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

class ZILCalls : public ZILFixture {
 protected:
  // Registers Counter and its type record; the first run then connects them.
  ZILLong addCounterType(ZILLong copyCtor = 5) {
    EXPECT_EQ(ZILRegisterNativeType(ps, counterProc), 0);
    ZILTypeInfo ti{};
    EXPECT_EQ(ZILAddName(ps, "Counter", &ti.pName), 0);
    ti.family = ZIL_FAMILY_CLASS;
    ti.isNative = 1;
    ti.interfaceVersion = 0x01000302;
    ti.copyConstructor = copyCtor;
    ti.offsetVtab = -1;
    ZILLong id = -1;
    EXPECT_EQ(ZILAddType(ps, &ti, &id), 0);
    return id;
  }
  ZILError runCode(Assembler& a) {
    ZILError e = run(a);
    if (e)
      recover();
    return e;
  }
};

TEST_F(ZILCalls, CallsAndReturnsNest) {
  prepare();
  ZILLong cls = addClass("Obj", 1);
  Assembler a(ps);
  a.op("bra", {to("main")})
      .label("f")  // f: r3 += 1, then calls g
      .op("incl", {r(3)})
      .op("jsr", {addressOf("g")})
      .op("ret")
      .label("g")
      .op("incl", {r(3)})
      .op("ret")
      .label("method")  // method 0 of Obj: member 0 of this = r3
      .op("move", {r(3), rd(0, 0)})
      .op("ret")
      .label("main")
      .op("calls", {imm(1)})  // function 1 is f
      .op("jsr", {r(4)})      // address of g held in r4
      .op("callm", {type(cls), imm(0)})
      .op("ret");
  ZILLong fMain = addFunction("main", ZIL_FIRST_USER_TYPE, a.base());
  (void)fMain;
  ZILLong fF = addFunction("f", cls, a.at("f"));
  ASSERT_EQ(fF, 1);
  ZILLong fMethod = addFunction("method", cls, a.at("method"));
  // The method table of Obj names fMethod as method 0.
  ZILTypes(ps)[cls].methodCount = 1;
  ASSERT_EQ(ZILAddNameBytes(ps, &fMethod, sizeof fMethod, &ZILTypes(ps)[cls].offsetVtab), 0);
  setInt(3, 0);
  setInt(4, a.at("g"));
  ZILHandle* obj = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &obj), 0);
  setReg(0, obj);
  ZILLong csp = ps->root->csp;
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(3), 3);
  EXPECT_EQ(ZILInstanceMembers(static_cast<ZILInstance*>(obj->payload.p))[0], reg(3));
  EXPECT_EQ(ps->root->csp, csp) << "every return popped its address";

  setReg(0, ZILNewInt(ps, 1));
  Assembler b(ps);
  b.op("callm", {type(cls), imm(0)}).op("ret");
  EXPECT_EQ(runCode(b), ZIL_EXC_Invalid_Operand) << "ints have no method table";
  ZILAddRef(ps->nullHandle);
  setReg(0, ps->nullHandle);
  EXPECT_EQ(ZILRunAddress(ps, b.base()), ZIL_EXC_Null_Reference);
  recover();
  Assembler c(ps);
  c.op("calls", {imm(99)}).op("ret");
  EXPECT_EQ(runCode(c), ZIL_EXC_Invalid_Operand);
}

TEST_F(ZILCalls, EndlessRecursionEndsWithStackOverflow) {
  prepare();
  Assembler a(ps);
  a.label("f").op("jsr", {addressOf("f")});
  ZILLong f = a.commit();
  EXPECT_EQ(ZILRunAddress(ps, f), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(ps->root->csp, 0);
  EXPECT_EQ(ps->exceptionPC, f);
  recover();

  // With a small data stack and a large call stack the data stack runs out first.
  ZILTerminate(ps);
  ps = ZILInitialize();
  ASSERT_EQ(ZILSetOption(ps, "data-stack-size", "128"), 0);
  ASSERT_EQ(ZILSetOption(ps, "call-stack-size", "100000"), 0);
  prepare();
  Assembler b(ps);
  b.label("g").op("push", {r(1)}).op("jsr", {addressOf("g")});
  ZILLong g = b.commit();
  EXPECT_EQ(ZILRunAddress(ps, g), ZIL_EXC_Stack_Overflow);
  EXPECT_EQ(ps->root->sp, 0);
  EXPECT_EQ(ps->exceptionPC, g) << "the push found no room";
  // The teardown releases what the recursion left on the stack.
}

TEST_F(ZILCalls, ReturnWithNothingOnTheCallStackRaises) {
  prepare();
  Assembler a(ps);
  a.op("ret");
  ZILLong address = a.commit();
  ps->root->pc = address;
  EXPECT_EQ(ZILExecute(ps, ps->root), ZIL_EXC_Stack_Overflow);
}

// Exception vectors that record what they see and clear the pending code or keep it.
std::vector<ZILError> gSeen;
std::vector<ZILLong> gSeenPC;
bool gClear = true;
void recordingVector(ZILState* ps) {
  gSeen.push_back(ps->pendingException);
  gSeenPC.push_back(ps->exceptionPC);
  if (gClear)
    ps->pendingException = 0;
}

TEST_F(ZILCalls, VectorsThatClearTheCodeContinueAfterTheFault) {
  prepare();
  gSeen.clear();
  gSeenPC.clear();
  gClear = true;
  for (ZILExceptionVector& v : ps->vectors)
    v = recordingVector;
  setInt(1, 0);
  setInt(2, 8);
  setInt(3, 0);
  Assembler a(ps);
  a.op("divl", {r(1), r(2)})
      .label("brk")
      .op("brk")
      .label("throw")
      .op("throw")
      .label("illegal")
      .word(ZIL_OPCODE_COUNT)
      .op("incl", {r(3)})
      .op("ret");
  ZILLong base = a.base();
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(2), 8);
  EXPECT_EQ(intOf(3), 1);
  EXPECT_EQ(gSeen, (std::vector<ZILError>{1007, 1010, 1008, 1000}));
  EXPECT_EQ(gSeenPC, (std::vector<ZILLong>{base, a.at("brk"), a.at("throw"), a.at("illegal")}));
  EXPECT_EQ(ps->thrown, reg(1)) << "throw holds r1 as the exception object";
  EXPECT_EQ(ps->pendingException, 0);
}

TEST_F(ZILCalls, EachCodeGoesToItsVectorAndAKeptCodeEndsTheRun) {
  prepare();
  gSeen.clear();
  gSeenPC.clear();
  gClear = false;
  ps->vectors[ZIL_VECTOR_BREAK] = recordingVector;
  Assembler a(ps);
  a.op("throw").op("ret");
  ZILLong throwAt = a.commit();
  EXPECT_EQ(ZILRunAddress(ps, throwAt), ZIL_EXC_Software);
  EXPECT_TRUE(gSeen.empty()) << "no software vector set";
  // Without a vector to clear it, the first code stays pending and later faults report it.
  Assembler b(ps);
  b.op("brk").op("ret");
  ZILLong brkAt = b.commit();
  EXPECT_EQ(ZILRunAddress(ps, brkAt), ZIL_EXC_Software);
  EXPECT_TRUE(gSeen.empty());
  recover();
  EXPECT_EQ(ZILRunAddress(ps, brkAt), ZIL_EXC_Break);
  EXPECT_EQ(gSeen, std::vector<ZILError>{1010});
  EXPECT_EQ(ps->root->pc, brkAt + 1) << "the context stops after the faulting instruction";
  recover();
}

TEST_F(ZILCalls, BadOpcodesAndAddressesStopTheRun) {
  prepare();
  Assembler a(ps);
  a.word(1000000).op("ret");
  EXPECT_EQ(runCode(a), ZIL_EXC_Illegal_Instruction);
  Assembler b(ps);
  b.word(-5);
  EXPECT_EQ(runCode(b), ZIL_EXC_Illegal_Instruction);
  Assembler c(ps);
  c.op("bra", {ofs(1 << 30)});
  EXPECT_EQ(runCode(c), ZIL_EXC_Invalid_Code_Address);
  Assembler d(ps);
  d.op("bra", {ofs(-(1 << 30))});
  EXPECT_EQ(runCode(d), ZIL_EXC_Invalid_Code_Address);
  // An instruction cut short at the end of the code reads zero padding, not foreign memory,
  // and running off the end stops with 1013.
  Assembler e(ps);
  e.word(ZOP_MOVE_RD_RD);
  EXPECT_NE(runCode(e), 0);
  EXPECT_EQ(ZILRunAddress(ps, -1), ZIL_EXC_Invalid_Code_Address);
}

TEST_F(ZILCalls, TestsBranchOnZeroAndNonZero) {
  prepare();
  setInt(1, 0);
  setInt(2, 5);
  setInt(3, 0);
  Assembler a(ps);
  a.op("tsteq", {r(1), to("zeroTaken")})
      .op("incl", {r(3)})  // skipped
      .label("zeroTaken")
      .op("tstne", {r(1), to("skip")})  // not taken
      .op("addl", {r(2), r(3)})
      .label("skip")
      .op("tstne", {r(2), to("end")})
      .op("incl", {r(3)})  // skipped
      .label("end")
      .op("tsteq", {r(0), to("done")})  // null tests as 0
      .op("incl", {r(3)})
      .label("done")
      .op("ret");
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(3), 5);
}

// A compare and the test of its result that follows run in one dispatch; the result register is
// still written, and a test of another register is not taken for the compare's.
TEST_F(ZILCalls, ComparesFollowedByTestsBranchAsTwoInstructions) {
  prepare();
  setInt(1, 3);
  setInt(2, 7);
  setInt(4, 0);
  setInt(5, 0);
  Assembler a(ps);
  a.op("csltl", {r(1), r(2), r(3)})     // 7 < 3: 0
      .op("tsteq", {r(3), to("zero")})  // taken
      .op("incl", {r(4)})
      .label("zero")
      .op("csgtl", {r(1), r(2), r(6)})   // 7 > 3: 1
      .op("tsteq", {r(6), to("never")})  // not taken
      .op("incl", {r(4)})
      .op("csgtl", {r(1), r(2), r(7)})
      .op("tstne", {r(5), to("never")})  // another register, which holds 0
      .op("incl", {r(4)})
      .op("cseq", {r(1), r(1), r(8)})
      .op("tstne", {r(8), to("end")})
      .label("never")
      .op("incl", {r(5)})
      .label("end")
      .op("ret");
  uint64_t before = ps->instructionCounter;
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(4), 2);
  EXPECT_EQ(intOf(5), 0);
  EXPECT_EQ(intOf(3), 0);
  EXPECT_EQ(intOf(6), 1);
  EXPECT_EQ(intOf(7), 1);
  EXPECT_EQ(intOf(8), 1);
  EXPECT_EQ(ps->instructionCounter - before, 11u);
}

TEST_F(ZILCalls, NativeCallsRaiseTheirErrorsAndMayCallBack) {
  ZILLong counter = addCounterType();
  prepare();
  Assembler cb(ps);
  cb.op("incl", {r(3)}).op("ret");
  gCallback = cb.commit();
  setInt(3, 0);
  Assembler a(ps);
  a.op("calln", {type(counter), imm(1)})
      .op("move", {r(1), r(4)})
      .op("calln", {type(counter), imm(2)})  // runs the callback, nested
      .op("allocn", {type(counter), r(0)})
      .op("callm", {type(counter), imm(0)})
      .op("callm", {type(counter), imm(0)})
      .label("fail")
      .op("calln", {type(counter), imm(0)})
      .op("ret");
  ZILLong base = a.base();
  EXPECT_EQ(run(a), 1234);
  EXPECT_EQ(ps->exceptionPC, a.at("fail"));
  EXPECT_EQ(ps->nativePC, a.at("fail"));
  EXPECT_EQ(intOf(4), 77);
  EXPECT_EQ(intOf(3), 1) << "the callback ran";
  EXPECT_EQ(gDepthInCallback, 1);
  EXPECT_EQ(intOf(1), 2) << "two member calls on the new object";
  EXPECT_EQ(ps->depth, 0);
  EXPECT_EQ(ps->running, 0);
  (void)base;
  recover();

  gFailNewObject = true;
  Assembler b(ps);
  b.op("allocn", {type(counter), r(5)}).op("ret");
  EXPECT_EQ(runCode(b), ZIL_EXC_Allocation_Fail);
  gFailNewObject = false;
  Assembler c(ps);
  c.op("allocn", {type(ZIL_FIRST_USER_TYPE + 5), r(5)}).op("ret");
  EXPECT_EQ(runCode(c), ZIL_EXC_Invalid_Operand);
}

TEST_F(ZILCalls, DelegatesCallFunctionsMethodsAndNativeMembers) {
  ZILLong counter = addCounterType();
  prepare();
  ZILLong cls = addClass("Target", 0);
  ZILLong dgType = addTypeOfFamily("handler", ZIL_FAMILY_DELEGATE);
  Assembler a(ps);
  a.op("bra", {to("main")})
      .label("fn")
      .op("incl", {r(3)})
      .op("ret")
      .label("method")
      .op("move", {r(0), r(6)})  // records this
      .op("ret")
      .label("main")
      .op("newdg", {type(dgType), imm(0), r(10)})
      .op("calldg", {r(10)})
      .op("newdgm", {type(dgType), imm(0), r(7), r(11)})
      .op("calldg", {r(11)})
      .op("newdgm", {type(dgType), imm(0), r(8), r(12)})
      .op("calldg", {r(12)})
      .op("move", {r(1), r(13)})
      .op("calldg", {r(9)})  // null: r1 = null
      .op("ret");
  ZILLong fn = addFunction("fn", ZIL_TYPE_NULL, a.at("fn"));
  ASSERT_EQ(fn, 0);
  ZILLong method = addFunction("method", cls, a.at("method"));
  ZILTypes(ps)[cls].methodCount = 1;
  ASSERT_EQ(ZILAddNameBytes(ps, &method, sizeof method, &ZILTypes(ps)[cls].offsetVtab), 0);
  setInt(3, 0);
  ZILHandle* target = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &target), 0);
  setReg(7, target);
  ZILHandle* native = nullptr;
  void* object = nullptr;
  ASSERT_EQ(counterProc(&ZILTypes(ps)[counter].instance, NTL_NewObject, 0, nullptr, &object), 0);
  native = ZILNewHandle(ps);
  native->type = static_cast<uint16_t>(counter);
  native->payload.p = object;
  setReg(8, native);
  setInt(1, 5);
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(3), 1) << "the unbound delegate ran fn";
  EXPECT_EQ(reg(6), target) << "the bound delegate ran the method with this = its object";
  EXPECT_EQ(reg(0), target);
  EXPECT_EQ(intOf(13), 1) << "the native member ran and returned in r1";
  EXPECT_EQ(reg(1), ps->nullHandle);
  auto* dg = static_cast<ZILDelegate*>(reg(11)->payload.p);
  EXPECT_EQ(dg->object, target);
  EXPECT_EQ(target->refCount, 4) << "r7, r0, r6 and the delegate";

  Assembler b(ps);
  b.op("newdgm", {type(dgType), imm(0), r(9), r(11)}).op("ret");
  EXPECT_EQ(runCode(b), ZIL_EXC_Null_Reference);
  setInt(9, 3);
  Assembler c(ps);
  c.op("calldg", {r(9)}).op("ret");
  EXPECT_EQ(runCode(c), ZIL_EXC_Unsupported_Type);
}

TEST_F(ZILCalls, CofunctionsYieldOneValuePerResume) {
  prepare();
  ZILLong coType = addTypeOfFamily("generator", ZIL_FAMILY_THREAD);
  ZILLong globalCls = addClass("__global", 1);
  ZILHandle* global = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, globalCls, &global), 0);
  setReg(2, global);
  ZILLong start;
  ASSERT_EQ(ZILAddConstantInt(ps, 5, &start), 0);
  Assembler a(ps);
  a.op("bra", {to("main")})
      .label("gen")  // counts up from its argument, one value per yield, three times
      .op("move", {sd(0), r(4)})
      .op("move", {r(4), r(5)})
      .op("copy", {r(4), r(1)})
      .op("yield")
      .op("incl", {r(4)})
      .op("copy", {r(4), r(1)})
      .op("yield")
      .op("incl", {r(4)})
      .op("copy", {r(4), r(1)})
      .op("ret")  // finishes: hands r1 over one last time
      .label("main")
      .op("pushm", {imm(1)})
      .op("copyh", {dh(start), sd(0)})
      .op("newctx", {type(coType), imm(0), imm(1), r(10)})
      .op("popm", {imm(1)})
      .op("resume", {r(10)})
      .op("move", {r(1), r(11)})
      .op("resume", {r(10)})
      .op("move", {r(1), r(12)})
      .op("resume", {r(10)})
      .op("move", {r(1), r(13)})
      .op("resume", {r(10)})
      .op("move", {r(1), r(14)})
      .op("ret");
  addFunction("gen", ZIL_FIRST_USER_TYPE, a.at("gen"));
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(intOf(11), 5);
  EXPECT_EQ(intOf(12), 6);
  EXPECT_EQ(intOf(13), 7);
  EXPECT_EQ(reg(14), ps->nullHandle) << "a finished cofunction yields nothing more";
  ZILContext* co = static_cast<ZILContext*>(reg(10)->payload.p);
  EXPECT_EQ(co->regs[2]->payload.p, global->payload.p) << "r2 is the global object";
  EXPECT_TRUE(co->regs[2]->flags & ZIL_HANDLE_WEAK);
  EXPECT_EQ(reg(10)->refCount, 1) << "the resumer's hold on a running cofunction ended";
  EXPECT_EQ(ps->current, ps->root);
}

TEST_F(ZILCalls, CofunctionFaultsEndTheRunAndFreeTheirHold) {
  prepare();
  ZILLong coType = addTypeOfFamily("worker", ZIL_FAMILY_THREAD);
  ZILLong globalCls = addClass("__global", 1);
  ZILHandle* global = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, globalCls, &global), 0);
  setReg(2, global);
  Assembler a(ps);
  a.op("bra", {to("main")})
      .label("selfish")
      .op("resume", {rd(2, 0)})  // resumes itself: refused
      .op("ret")
      .label("main")
      .op("newctx", {type(coType), imm(0), imm(0), r(10)})
      .op("move", {r(10), rd(2, 0)})
      .op("resume", {r(10)})
      .op("ret");
  addFunction("selfish", ZIL_FIRST_USER_TYPE, a.at("selfish"));
  EXPECT_EQ(run(a), ZIL_EXC_Invalid_Operand);
  EXPECT_EQ(reg(10)->refCount, 2) << "r10 and the global's member; the running hold is gone";
  EXPECT_EQ(ps->current, ps->root);
  EXPECT_EQ(ps->depth, 0);
  recover();
  Assembler b(ps);
  b.op("yield").op("ret");
  EXPECT_EQ(runCode(b), ZIL_EXC_Illegal_Instruction) << "yield outside a cofunction";
  setInt(3, 1);
  Assembler c(ps);
  c.op("resume", {r(3)}).op("ret");
  EXPECT_EQ(runCode(c), ZIL_EXC_Unsupported_Type);
}

TEST_F(ZILCalls, CopyConstructorsRunOnTheNewObject) {
  ZILLong counter = addCounterType();
  prepare();
  // Script class with copy constructor (method 0): member 0 of the copy = source's + 1.
  Assembler a(ps);
  a.op("bra", {to("main")})
      .label("ctor")
      .op("move", {sd(0), r(5)})
      .op("copy", {rd(5, 0), rd(0, 0)})
      .op("incl", {rd(0, 0)})
      .op("ldz", {r(1)})
      .op("ret")
      .label("main")
      .op("copy", {r(6), r(7)})
      .op("copy", {r(8), r(9)})
      .op("ret");
  ZILLong ctor = addFunction("ctor", ZIL_TYPE_NULL, a.at("ctor"));
  ZILLong cls = addClass("Money", 1, {ctor}, 0);
  ZILHandle* src = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &src), 0);
  ZILHandle** m = ZILInstanceMembers(static_cast<ZILInstance*>(src->payload.p));
  ZILRelease(ps, m[0]);
  m[0] = ZILNewInt(ps, 41);
  setReg(6, src);
  void* object = nullptr;
  ASSERT_EQ(counterProc(&ZILTypes(ps)[counter].instance, NTL_NewObject, 0, nullptr, &object), 0);
  static_cast<Counter*>(object)->value = 9;
  ZILHandle* native = ZILNewHandle(ps);
  native->type = static_cast<uint16_t>(counter);
  native->payload.p = object;
  setReg(8, native);
  ZILHandle* savedThis = reg(0);
  setReg(1, ZILNewInt(ps, 77));
  ZILLong sp = ps->root->sp;
  ASSERT_EQ(run(a), 0);
  EXPECT_EQ(reg(1)->payload.l, 77) << "the copy leaves r1 as it was";
  ASSERT_EQ(reg(7)->type, cls);
  EXPECT_EQ(ZILInstanceMembers(static_cast<ZILInstance*>(reg(7)->payload.p))[0]->payload.l, 42);
  EXPECT_EQ(m[0]->payload.l, 41);
  EXPECT_EQ(reg(0), savedThis) << "this is restored after the constructor";
  ASSERT_EQ(reg(9)->type, counter);
  EXPECT_NE(reg(9)->payload.p, object);
  EXPECT_EQ(static_cast<Counter*>(reg(9)->payload.p)->value, 9);
  EXPECT_EQ(gLastMember, 5);
  EXPECT_EQ(ps->root->sp, sp);

  // A native type without a copy constructor cannot be copied.
  ZILTypes(ps)[counter].copyConstructor = -1;
  Assembler b(ps);
  b.op("copy", {r(8), r(9)}).op("ret");
  EXPECT_EQ(runCode(b), ZIL_ERR_Unsupported_Native_Call);
}

}  // namespace

// ziltools_test.cpp - the native type interface seen by a class author (registration checks,
// argument readers, result writers, handle conversion, declaration text), a native class called
// from byte code, the runtime class, and calls from the host into script code.
#include <string>
#include <vector>

#include "zil_test_support.h"
#include "ziltools.h"

using namespace ziltest;

namespace {

// ----------------------------------------------------------------------------------------------
// Registration

struct FakeType {
  const char* name;
  ZILLong interfaceVersion;
  ZILError registerAnswer;
  int unregistered;
};
FakeType gFake;

ZILError fakeProc(NTLInstance*, ZILLong msg, ZILLong, ZILUnknown*, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register: return gFake.registerAnswer;
    case NTL_GetInterfaceVersion: return gFake.interfaceVersion;
    case NTL_GetClassName:
      *out = const_cast<char*>(gFake.name);
      return gFake.name ? 0 : ZIL_ERR_Unsupported_Native_Call;
    case NTL_Unregister: ++gFake.unregistered; return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}
// A second proc with the same behaviour, so a duplicate name is tried with a different proc.
ZILError fakeProc2(NTLInstance* i, ZILLong m, ZILLong p, ZILUnknown* d, ZILUnknown** o) {
  return fakeProc(i, m, p, d, o);
}

class ZILTools : public ZILFixture {};

TEST_F(ZILTools, RegistrationChecksVersionAndName) {
  struct Case {
    const char* name;
    ZILLong version;
    ZILError registerAnswer;
    ZILError expected;
    int unregistered;
  } cases[] = {
      {"_a1", 0x01000302, 0, 0, 0},
      {"Abc_9", 0x01000000, 0, 0, 0},
      {"1abc", 0x01000302, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {"ab-c", 0x01000302, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {"", 0x01000302, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {nullptr, 0x01000302, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {"string", 0x01000302, 0, ZIL_ERR_Register_Native_Type_Failed, 1},  // taken by the built-in
      {"Newer", 0x01000303, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {"NoVersion", 0, 0, ZIL_ERR_Register_Native_Type_Failed, 1},
      {"Refuses", 0x01000302, 1234, 1234, 0},  // its own answer, unchanged
  };
  for (const Case& c : cases) {
    gFake = {c.name, c.version, c.registerAnswer, 0};
    EXPECT_EQ(ZILRegisterNativeType(ps, c.name && c.name[0] == '_' ? fakeProc : fakeProc2), c.expected)
        << (c.name ? c.name : "(none)");
    EXPECT_EQ(gFake.unregistered, c.unregistered) << (c.name ? c.name : "(none)");
  }
  gFake = {"_a1", 0x01000302, 0, 0};
  EXPECT_EQ(ZILRegisterNativeType(ps, fakeProc2), ZIL_ERR_Register_Native_Type_Failed) << "duplicate";
  EXPECT_EQ(gFake.unregistered, 1);
  EXPECT_EQ(ZILRegisterNativeType(ps, nullptr), ZIL_ERR_Register_Native_Type_Failed);
}

// ----------------------------------------------------------------------------------------------
// A native class written the way an application writes one: Point {x, y} with
// method 0 Point(), method 1 set(int x, int y), method 2 int sum(), method 3 string describe(),
// function 4 float half(var v), function 5 Point make(int x, int y).

struct Point {
  ZILLong x, y;
};
int gPointsAlive = 0;

ZILError pointProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = NTLInstanceGetVM(inst);
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles: return 0;
    case NTL_GetClassName: *out = const_cast<char*>("Point"); return 0;
    case NTL_GetInterfaceVersion: return NTLRevisionToLong("1.0.3.2");
    case NTL_GetAuthorVersion: return NTLRevisionToLong("2.1.0.0");
    case NTL_GetDeclString: {
      auto* decl = static_cast<NTLDeclBuffer*>(in);
      NTLDeclareVerbatim(decl, "method Point();");
      return NTLDeclareConstantInt(decl, ZIL_TYPE_INT, "kMax", 10);
    }
    case NTL_NewObject:
      ++gPointsAlive;
      *out = new Point{0, 0};
      return 0;
    case NTL_DestroyObject:
      --gPointsAlive;
      delete static_cast<Point*>(in);
      return 0;
    case NTL_CallMember: {
      Point* p = static_cast<Point*>(in);
      switch (param) {
        case 0: return 0;
        case 1:
          p->x = NTLGetArgInt(ps, 0);
          p->y = NTLGetArgInt(ps, 1);
          return 0;
        case 2: return NTLReturnInt(ps, p->x + p->y);
        case 3: {
          char text[64];
          snprintf(text, sizeof text, "(%d, %d)", p->x, p->y);
          return NTLReturnString(ps, text);
        }
        default: return ZIL_ERR_Invalid_Function_Index;
      }
    }
    case NTL_CallStatic:
      switch (param) {
        case 4: return NTLReturnFloat(ps, NTLGetArgFloat(ps, 0) / 2);
        case 5: {
          ZILHandle* h = NTLNewObject(ps, NTLInstanceTypeID(inst));
          if (!h)
            return ZIL_EXC_Allocation_Fail;
          Point* p = static_cast<Point*>(NTLHandleToObject(ps, NTLInstanceTypeID(inst), h));
          p->x = NTLGetArgInt(ps, 0);
          p->y = NTLGetArgInt(ps, 1);
          ZILError e = NTLReturnHandle(ps, h);
          NTLFreeHandle(ps, h);
          return e;
        }
        default: return ZIL_ERR_Invalid_Function_Index;
      }
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

TEST_F(ZILTools, ANativeClassIsCalledThroughTheHelpers) {
  ASSERT_EQ(ZILRegisterNativeType(ps, pointProc), 0);
  ZILTypeInfo ti{};
  ASSERT_EQ(ZILAddName(ps, "Point", &ti.pName), 0);
  ti.family = ZIL_FAMILY_CLASS;
  ti.isNative = 1;
  ti.interfaceVersion = 0x01000302;
  ti.authorVersion = NTLRevisionToLong("2.1.0.0");
  ti.offsetVtab = -1;
  ti.copyConstructor = -1;
  ZILLong point = -1;
  ASSERT_EQ(ZILAddType(ps, &ti, &point), 0);
  prepare();
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Point"), point);
  EXPECT_EQ(NTLTypeNameToTypeID(ps, "Nope"), 0);

  setInt(5, 3);
  setInt(6, 4);
  setFloat(7, 5.0);
  setInt(8, 5);
  Assembler a(ps);
  a.op("calln", {type(point), imm(5)})  // make(r5, r6) with arguments pushed
      .op("move", {r(1), r(9)})
      .op("ret");
  // Arguments go on the data stack: argument 0 at sp.
  ZILContext* ctx = ps->root;
  ctx->dataStack[--ctx->sp] = ZILNewInt(ps, 4);
  ctx->dataStack[--ctx->sp] = ZILNewInt(ps, 3);
  ASSERT_EQ(run(a), 0);
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);
  ASSERT_EQ(reg(9)->type, point);
  EXPECT_EQ(gPointsAlive, 1);

  Assembler b(ps);
  b.op("move", {r(9), r(0)}).op("callm", {type(point), imm(2)}).op("move", {r(1), r(10)});
  b.op("callm", {type(point), imm(3)}).op("move", {r(1), r(11)}).op("ret");
  ASSERT_EQ(run(b), 0);
  EXPECT_EQ(intOf(10), 7);
  EXPECT_EQ(stringOf(reg(11)), "(3, 4)");

  // NTLGetArgFloat does not convert an int argument.
  ctx->dataStack[--ctx->sp] = ZILNewInt(ps, 8);
  Assembler c(ps);
  c.op("calln", {type(point), imm(4)}).op("ret");
  ZILLong half = c.commit();
  ASSERT_EQ(ZILRunAddress(ps, half), 0);
  EXPECT_EQ(floatOf(1), 0.0);
  ZILRelease(ps, ctx->dataStack[ctx->sp]);
  ctx->dataStack[ctx->sp] = ZILNewFloat(ps, 8.0);
  ASSERT_EQ(ZILRunAddress(ps, half), 0);
  EXPECT_EQ(floatOf(1), 4.0);
  ZILRelease(ps, ctx->dataStack[ctx->sp++]);

  // The declaration text a proc builds.
  NTLDeclBuffer decl;
  NTLDeclInit(&decl, ps);
  ASSERT_EQ(pointProc(nullptr, NTL_GetDeclString, 0, &decl, nullptr), 0);
  EXPECT_STREQ(NTLDeclText(&decl), "method Point();const int kMax = 10;\n");
  EXPECT_EQ(NTLDeclareConstantFloat(&decl, ZIL_TYPE_FLOAT, "kHalf", 0.5), 0);
  EXPECT_EQ(NTLDeclareConstantString(&decl, ZIL_TYPE_STRING, "kName", "a \"b\""), 0);
  EXPECT_STREQ(NTLDeclText(&decl),
               "method Point();const int kMax = 10;\nconst float kHalf = 0.5;\n"
               "const string kName = \"a \\\"b\\\"\";\n");
  EXPECT_EQ(NTLDeclareConstantInt(&decl, ZIL_TYPE_INT, nullptr, 1), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(NTLDeclareConstantInt(nullptr, ZIL_TYPE_INT, "x", 1), ZIL_ERR_Illegal_Argument);
  NTLDeclRelease(&decl);

  setInt(9, 0);
  setInt(0, 0);
  EXPECT_EQ(gPointsAlive, 0) << "released with its last handle";
}

TEST_F(ZILTools, HandleHelpersConvertOnlyMatchingTypes) {
  prepare();
  ZILHandle* n = NTLNewHandleForObject(ps, ZIL_TYPE_STRING, nullptr);
  EXPECT_EQ(n, ps->nullHandle);
  NTLFreeHandle(ps, n);
  ZILLong v = 42;
  ZILHandle* i = NTLNewHandleForObject(ps, ZIL_TYPE_INT, &v);
  EXPECT_EQ(i->payload.l, 42);
  EXPECT_EQ(*static_cast<ZILLong*>(NTLHandleToObject(ps, ZIL_TYPE_INT, i)), 42);
  EXPECT_EQ(NTLHandleToObject(ps, ZIL_TYPE_FLOAT, i), nullptr);
  EXPECT_EQ(NTLNewHandleForObject(ps, ZIL_TYPE_VAR, &v), ps->nullHandle);
  NTLFreeHandle(ps, ps->nullHandle);
  ZILString* s = ZILStringCreate(ps, "hi", 2);
  ZILHandle* sh = NTLNewHandleForObject(ps, ZIL_TYPE_STRING, s);
  EXPECT_EQ(NTLHandleToObject(ps, ZIL_TYPE_STRING, sh), s);
  NTLFreeHandle(ps, sh);  // frees the string with it
  NTLFreeHandle(ps, sh);  // already free: ignored
  NTLFreeHandle(ps, nullptr);
  EXPECT_EQ(NTLNewObject(ps, ZIL_TYPE_INT), nullptr);
  // Arguments outside the stack read as defaults.
  EXPECT_EQ(NTLGetArgInt(ps, 1 << 30), 0);
  EXPECT_STREQ(NTLGetArgString(ps, -1), "");
  ZILHandle* arg = NTLGetArgHandle(ps, 1 << 30);
  EXPECT_EQ(arg, ps->nullHandle);
  NTLFreeHandle(ps, arg);
  // Exception values.
  ZILHandle* err = ZILCallFunction(ps, nullptr, 1, 7, 0);
  EXPECT_EQ(err->type, ZIL_TYPE_EXCEPTION);
  EXPECT_EQ(NTLHandleToError(ps, err), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(NTLHandleToError(ps, i), 0);
  NTLFreeHandle(ps, err);
  NTLFreeHandle(ps, i);
}

// A result may be written into the handle r1 holds, but only when nothing else can see it.
TEST_F(ZILTools, ResultsNeverChangeAValueSomeoneElseHolds) {
  prepare();
  auto text = [&](ZILHandle* h) {
    return stringOf(h);
  };
  // r1 shared with another holder: the holder keeps its value.
  setString(1, "first");
  ZILHandle* held = reg(1);
  ZILAddRef(held);
  ASSERT_EQ(NTLReturnString(ps, "second"), 0);
  EXPECT_EQ(text(held), "first");
  EXPECT_EQ(text(reg(1)), "second");
  ZILRelease(ps, held);
  setInt(1, 5);
  held = reg(1);
  ZILAddRef(held);
  ASSERT_EQ(NTLReturnInt(ps, 6), 0);
  EXPECT_EQ(held->payload.l, 5);
  EXPECT_EQ(intOf(1), 6);
  ZILRelease(ps, held);
  // A weak handle to r1's string turns null when the next result replaces it.
  ASSERT_EQ(NTLReturnString(ps, "watched"), 0);
  ZILHandle* weak = ZILWeakCopy(ps, reg(1));
  ASSERT_EQ(NTLReturnString(ps, "next"), 0);
  EXPECT_EQ(weak->type, ZIL_TYPE_NULL);
  EXPECT_EQ(text(reg(1)), "next");
  ZILRelease(ps, weak);
  // A result taken from r1's own text, overlapping it, and a switch to a long text and back.
  ASSERT_EQ(NTLReturnString(ps, "abcdefgh"), 0);
  const ZILChar* own = ZILStringText(static_cast<ZILString*>(reg(1)->payload.p));
  ASSERT_EQ(NTLReturnStringBytes(ps, own + 2, 5), 0);
  EXPECT_EQ(text(reg(1)), "cdefg");
  std::string longText(100, 'z');
  ASSERT_EQ(NTLReturnString(ps, longText.c_str()), 0);
  EXPECT_EQ(text(reg(1)), longText);
  ASSERT_EQ(NTLReturnStringBytes(ps, nullptr, 7), 0);
  EXPECT_EQ(text(reg(1)), "");
  ASSERT_EQ(NTLReturnStringBytes(ps, "xy", -3), 0);
  EXPECT_EQ(text(reg(1)), "");
  ASSERT_EQ(NTLReturnFloat(ps, 1.5), 0);
  ASSERT_EQ(NTLReturnFloat(ps, 2.5), 0);
  EXPECT_EQ(floatOf(1), 2.5);
}

// ----------------------------------------------------------------------------------------------
// Calls from the host

class ZILCallIn : public ZILFixture {
 protected:
  ZILLong global = -1;
  void SetUp() override {
    ZILFixture::SetUp();
    global = addClass("__global", 0);
  }
};

TEST_F(ZILCallIn, CallFunctionPassesTaggedArgumentsAndRestoresTheRootContext) {
  // add(a, b): r1 = a + b (arguments at sd(0) and sd(1)).
  Assembler a(ps);
  a.op("move", {sd(0), r(1)}).op("add", {sd(1), r(1)}).op("ret");
  ZILLong address = a.commit();
  addFunction("add", global, address, 0, 0);
  Assembler t(ps);
  t.op("move", {r(5), r(1)}).op("throw").op("ret");
  addFunction("fail", global, t.commit(), 0, 1);

  ZILHandle* add = ZILGetFunction(ps, "add");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(ZILGetFunction(ps, "missing"), nullptr);
  EXPECT_EQ(ZILCallFunction(ps, add, 2, ZIL_ARG_INT, 2, ZIL_ARG_INT, 3), nullptr) << "before the first run";

  prepare();
  setString(1, "keep");
  ZILLong sp = ps->root->sp;
  ZILHandle* r = ZILCallFunction(ps, add, 2, ZIL_ARG_INT, 2, ZIL_ARG_INT, 40);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, ZIL_TYPE_INT);
  EXPECT_EQ(r->payload.l, 42);
  NTLFreeHandle(ps, r);
  EXPECT_EQ(ps->root->sp, sp);
  EXPECT_EQ(stringOf(reg(1)), "keep") << "r1 restored";

  r = ZILCallFunction(ps, add, 2, ZIL_ARG_INT, 2, 77, 40);
  EXPECT_EQ(r->type, ZIL_TYPE_EXCEPTION);
  EXPECT_EQ(NTLHandleToError(ps, r), ZIL_ERR_Illegal_Argument);
  NTLFreeHandle(ps, r);

  r = ZILCallFunction(ps, add, 2, ZIL_ARG_INT, 2, ZIL_ARG_STRING, "x");  // int + string
  EXPECT_EQ(r->type, ZIL_TYPE_EXCEPTION);
  EXPECT_NE(NTLHandleToError(ps, r), 0);
  NTLFreeHandle(ps, r);
  EXPECT_EQ(ps->root->sp, sp);

  // A thrown object comes back to the host as the result.
  ZILLong cls = addClass("Problem", 0);
  ZILHandle* obj = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &obj), 0);
  setReg(5, obj);
  ZILHandle* fail = ZILGetFunction(ps, "fail");
  r = ZILCallFunction(ps, fail, 0);
  EXPECT_EQ(r, obj);
  NTLFreeHandle(ps, r);
  // The error left from that call does not leak into the next one.
  r = ZILCallFunction(ps, add, 2, ZIL_ARG_INT, 1, ZIL_ARG_INT, 1);
  EXPECT_EQ(r->type, ZIL_TYPE_INT);
  NTLFreeHandle(ps, r);

  // Null, a non-delegate and a bad function index.
  r = ZILCallFunction(ps, nullptr, 0);
  EXPECT_EQ(r->type, ZIL_TYPE_NULL);
  NTLFreeHandle(ps, r);
  ZILHandle* notFn = ZILNewInt(ps, 1);
  r = ZILCallFunction(ps, notFn, 0);
  EXPECT_EQ(NTLHandleToError(ps, r), ZIL_ERR_Invalid_Handle_Type);
  NTLFreeHandle(ps, r);
  NTLFreeHandle(ps, notFn);
  ZILHandle* bad = nullptr;
  ASSERT_EQ(ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, 9999, nullptr, &bad), 0);
  r = ZILCallFunction(ps, bad, 0);
  EXPECT_EQ(NTLHandleToError(ps, r), ZIL_ERR_Invalid_Function_Index);
  NTLFreeHandle(ps, r);
  NTLFreeHandle(ps, bad);
  NTLFreeHandle(ps, add);
  NTLFreeHandle(ps, fail);
}

TEST_F(ZILCallIn, ObjectDelegatesBindMethods) {
  Assembler a(ps);
  a.op("move", {r(0), r(1)}).op("ret");  // method 0 returns this
  ZILLong address = a.commit();
  ZILLong cls = addClass("Thing", 0);
  ZILTypes(ps)[cls].methodCount = 2;
  ZILLong f0 = addFunction("self", cls, address, 0, 0);
  std::vector<ZILLong> vtab = {f0, f0};
  ASSERT_EQ(ZILAddNameBytes(ps, vtab.data(), 8, &ZILTypes(ps)[cls].offsetVtab), 0);
  ZILFuncInfo fi{};
  fi.typeID = cls;
  fi.isMethod = 0;
  fi.codeAddress = address;
  fi.memberIndex = 1;
  ASSERT_EQ(ZILAddFunction(ps, &fi, nullptr), 0);
  ZILFuncs(ps)[f0].isMethod = 1;
  prepare();
  ZILHandle* obj = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &obj), 0);
  ZILDelegateTable* table = ZILGetObjectDelegates(ps, obj);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->count, 2);
  EXPECT_EQ(static_cast<ZILDelegate*>(table->handles[0]->payload.p)->object, obj);
  EXPECT_EQ(static_cast<ZILDelegate*>(table->handles[1]->payload.p)->object, nullptr);
  ZILHandle* r = ZILCallFunction(ps, table->handles[0], 0);
  EXPECT_EQ(r, obj);
  NTLFreeHandle(ps, r);
  EXPECT_EQ(obj->refCount, 2);
  ZILFreeObjectDelegates(ps, table);
  EXPECT_EQ(obj->refCount, 1);
  EXPECT_EQ(ZILGetObjectDelegates(ps, ps->nullHandle), nullptr);
  NTLFreeHandle(ps, obj);
}

TEST_F(ZILCallIn, RuntimeClassAndErrorTexts) {
  prepare();
  NTLTypeProc proc = nullptr;
  for (ZILLong i = 0; i < ps->nativeCount; ++i)
    if (std::string(ps->nativeTypes[i].name) == "runtime")
      proc = ps->nativeTypes[i].proc;
  ASSERT_NE(proc, nullptr);
  NTLInstance inst{0, 0, ps, "runtime"};
  auto callWith = [&](ZILLong fn, ZILHandle* arg) {
    ZILContext* ctx = ps->root;
    ctx->dataStack[--ctx->sp] = arg;
    EXPECT_EQ(proc(&inst, NTL_CallStatic, fn, nullptr, nullptr), 0);
    ZILRelease(ps, ctx->dataStack[ctx->sp++]);
    return reg(1);
  };
  EXPECT_EQ(stringOf(callWith(11, ZILNewInt(ps, 15))), "var");
  EXPECT_EQ(stringOf(callWith(11, ZILNewInt(ps, -1))), "(invalid)");
  EXPECT_EQ(callWith(3, ZILNewInt(ps, 0))->payload.l, 1) << "release build";
  EXPECT_EQ(stringOf(callWith(5, ZILNewInt(ps, 0))), "1.0.3.2");
  EXPECT_EQ(stringOf(callWith(16, ZILNewInt(ps, ZIL_TYPE_STRING))), "0.16.3.0");
  EXPECT_EQ(stringOf(callWith(16, ZILNewInt(ps, ZIL_TYPE_INT))), "0.0.0.0");
  EXPECT_EQ(stringOf(callWith(19, ZILNewInt(ps, ZIL_TYPE_STRING))), "30.08.2007");
  EXPECT_EQ(stringOf(callWith(18, ZILNewInt(ps, 999))), "(invalid)");
  ZILHandle* name = nullptr;
  ASSERT_EQ(ZILNewString(ps, "table", 5, &name), 0);
  EXPECT_EQ(callWith(12, name)->payload.l, ZIL_TYPE_TABLE);
  EXPECT_EQ(callWith(20, ZILNewInt(ps, 0))->payload.l, ps->types.count);
  EXPECT_EQ(callWith(10, ZILNewInt(ps, 0))->payload.l, 0);
  EXPECT_EQ(callWith(21, ZILNewInt(ps, 0))->payload.l, ZIL_ERR_No_Compiler) << "the generators come with a compiler";

  EXPECT_STREQ(ZILGetExceptionString(1127), "ZIL UNKNOWN EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(42), "ZIL UNKNOWN EXCEPTION");
  EXPECT_STREQ(ZILGetExceptionString(0), "No exception");
}

}  // namespace

// zil_container_support.h - a fixture for the container class tests: calls a built-in class's
// methods through its type proc with arguments on the root context's data stack, makes values,
// writes values as short texts for comparisons, and provides a native function ("probe") that
// tests use as the delegate passed to process, enumerate and sort.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "zil_test_support.h"
#include "ziltools.h"

namespace ziltest {

class ContainerFixture : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    if (usePools()) {
      ASSERT_EQ(ZILUseFixMem(ps), 0);
    }
    prepare();
    // The probe's native class; its one static function runs the test's `probe` callback.
    ZILTypeInfo ti{};
    ASSERT_EQ(ZILAddName(ps, "Probe", &ti.pName), 0);
    ti.family = ZIL_FAMILY_CLASS;
    ti.isNative = 1;
    ti.offsetVtab = -1;
    ti.copyConstructor = -1;
    ASSERT_EQ(ZILAddType(ps, &ti, &probeType), 0);
    probeFunction = addFunction("probe", probeType, 0, 0, 0);
    ZILTypes(ps)[probeType].typeProc = probeProc;
    ZILTypes(ps)[probeType].instance.state = ps;
    ZILTypes(ps)[probeType].instance.typeID = probeType;
    current() = this;
    baseline = ps->handlesInUse;
  }
  // A fixture whose runtime allocates through the FixMem pools says so here.
  virtual bool usePools() const { return false; }

  void TearDown() override {
    probe = nullptr;
    current() = nullptr;
    ZILFixture::TearDown();
  }

  ZILHandle* S(const std::string& text) {
    ZILHandle* h = nullptr;
    EXPECT_EQ(ZILNewString(ps, text.data(), static_cast<ZILLong>(text.size()), &h), 0);
    return h;
  }
  ZILHandle* I(ZILLong v) { return ZILNewInt(ps, v); }
  ZILHandle* F(ZILFloat v) { return ZILNewFloat(ps, v); }
  ZILHandle* N() {
    ZILAddRef(ps->nullHandle);
    return ps->nullHandle;
  }
  // An array of the given values (their references are taken over).
  ZILHandle* A(std::vector<ZILHandle*> values) {
    ZILHandle* h = nullptr;
    EXPECT_EQ(ZILNewArray(ps, &h), 0);
    for (ZILHandle* v : values)
      EXPECT_EQ(ZILArrayAppend(static_cast<ZILArray*>(h->payload.p), v), 0);
    return h;
  }
  // A new object of a built-in class (not constructed further).
  ZILHandle* make(ZILLong type) {
    ZILHandle* h = NTLNewObject(ps, type);
    EXPECT_NE(h, nullptr);
    return h;
  }
  // An error value holding code.
  ZILHandle* errorValue(ZILError code) {
    ZILHandle* h = ZILNewHandle(ps);
    h->type = ZIL_TYPE_EXCEPTION;
    h->payload.p = nullptr;
    h->payload.l = code;
    return h;
  }
  // A delegate of the given delegate type bound to the probe function.
  ZILHandle* probeDelegate(ZILLong type = ZIL_TYPE_DELEGATE) {
    ZILHandle* h = nullptr;
    EXPECT_EQ(ZILNewDelegate(ps, type, probeFunction, nullptr, &h), 0);
    return h;
  }

  // Calls method fn of self with args (their references are taken over); the result stays in r1.
  ZILError call(ZILHandle* self, ZILLong fn, std::vector<ZILHandle*> args = {}) {
    ZILContext* ctx = ps->root;
    ctx->sp -= static_cast<ZILLong>(args.size());
    for (size_t i = 0; i < args.size(); ++i)
      ctx->dataStack[ctx->sp + static_cast<ZILLong>(i)] = args[i];
    setReg(1, N());
    ZILTypeInfo* ti = ZILTypes(ps) + self->type;
    ZILAddRef(self);
    ZILError e = ti->typeProc(&ti->instance, NTL_CallMember, fn, self->payload.p, nullptr);
    ZILRelease(ps, self);
    for (size_t i = 0; i < args.size(); ++i)
      ZILRelease(ps, ctx->dataStack[ctx->sp++]);
    return e;
  }
  // The result of a call that must succeed, as text.
  std::string get(ZILHandle* self, ZILLong fn, std::vector<ZILHandle*> args = {}) {
    EXPECT_EQ(call(self, fn, std::move(args)), 0);
    return text(reg(1));
  }
  // The result of a call that must succeed; the caller owns the returned reference.
  ZILHandle* take(ZILHandle* self, ZILLong fn, std::vector<ZILHandle*> args = {}) {
    EXPECT_EQ(call(self, fn, std::move(args)), 0);
    ZILAddRef(reg(1));
    return reg(1);
  }

  // null, ints, floats ("%g"), strings in quotes, arrays in brackets, other objects by type name.
  std::string text(ZILHandle* h) {
    char buffer[64];
    switch (h->type) {
      case ZIL_TYPE_NULL: return "null";
      case ZIL_TYPE_INT: snprintf(buffer, sizeof buffer, "%d", h->payload.l); return buffer;
      case ZIL_TYPE_FLOAT: snprintf(buffer, sizeof buffer, "%g", h->payload.f); return buffer;
      case ZIL_TYPE_STRING: {
        const ZILString* s = static_cast<const ZILString*>(h->payload.p);
        return "'" + std::string(ZILStringText(s), s && s->text ? static_cast<size_t>(s->length) : 0) + "'";
      }
      case ZIL_TYPE_ARRAY: {
        const ZILArray* a = static_cast<const ZILArray*>(h->payload.p);
        std::string out = "[";
        for (ZILLong i = 0; i < a->length; ++i)
          out += (i ? "," : "") + text(a->slots[i]);
        return out + "]";
      }
      case ZIL_TYPE_EXCEPTION: snprintf(buffer, sizeof buffer, "error %d", h->payload.l); return buffer;
      default: return ZILGetTypeName(ps, h->type);
    }
  }

  // The probe: receives its arguments and returns what the test's callback returns (a new
  // reference) in r1; no callback returns null.
  std::function<ZILHandle*(const std::vector<ZILHandle*>& args)> probe;
  ZILLong probeArgs = 2;  // how many arguments the probe reads from the stack

  ZILLong probeType = -1;
  ZILLong probeFunction = -1;
  ZILLong baseline = 0;  // handles in use after set-up

 private:
  static ContainerFixture*& current() {
    static ContainerFixture* fixture = nullptr;
    return fixture;
  }
  static ZILError probeProc(NTLInstance* inst, ZILLong msg, ZILLong, ZILUnknown*, ZILUnknown**) {
    if (msg != NTL_CallStatic)
      return 0;
    ContainerFixture* f = current();
    ZILState* ps = inst->state;
    std::vector<ZILHandle*> args;
    for (ZILLong i = 0; i < f->probeArgs; ++i)
      args.push_back(NTLGetArgHandle(ps, i));
    ZILHandle* r = f->probe ? f->probe(args) : nullptr;
    for (ZILHandle* a : args)
      NTLFreeHandle(ps, a);
    ZILError e = NTLReturnHandle(ps, r);
    if (r)
      ZILRelease(ps, r);
    return e;
  }
};

}  // namespace ziltest

// zil_test_support.h - a small assembler that builds ZIL code words from mnemonics and operands
// (looking the opcode up in the instruction table by mnemonic and operand kinds), and a test
// fixture holding a runtime whose root context is ready to run code.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "zilapi.h"

namespace ziltest {

struct Operand {
  Operand(ZILLong k, ZILLong va = 0, ZILLong vb = 0, std::string l = {}) : kind(k), a(va), b(vb), label(std::move(l)) {}
  ZILLong kind;
  ZILLong a;
  ZILLong b;
  std::string label;  // branch target (ofs) or absolute address (imm)
};

inline Operand r(ZILLong n) { return {ZILK_R, n}; }
inline Operand rd(ZILLong reg, ZILLong member) { return {ZILK_RD, reg, member}; }
inline Operand rr(ZILLong arrayReg, ZILLong indexReg) { return {ZILK_RR, arrayReg, indexReg}; }
inline Operand sd(ZILLong d) { return {ZILK_SD, d}; }
inline Operand imm(ZILLong v) { return {ZILK_IMM, v}; }
inline Operand dh(ZILLong index) { return {ZILK_DH, index}; }
inline Operand type(ZILLong id) { return {ZILK_TYPE, id}; }
inline Operand ofs(ZILLong v) { return {ZILK_OFS, v}; }
inline Operand to(const std::string& label) { return {ZILK_OFS, 0, 0, label}; }
inline Operand addressOf(const std::string& label) { return {ZILK_IMM, 0, 0, label}; }
inline Operand regs(ZILLong first, ZILLong count) { return {ZILK_REGS, first, count}; }

// Opcode of the table row with this mnemonic and these operand kinds, -1 when there is none.
inline ZILLong findOpcode(const std::string& mnemonic, const std::vector<Operand>& ops) {
  for (ZILLong op = 0; op < ZIL_OPCODE_COUNT; ++op) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(op);
    if (mnemonic != info->mnemonic || info->operandCount != static_cast<ZILLong>(ops.size()))
      continue;
    bool same = true;
    for (size_t i = 0; i < ops.size(); ++i)
      same = same && info->kinds[i] == ops[i].kind;
    if (same)
      return op;
  }
  return -1;
}

// Code is assembled for the address the state's code segment will give it (its current end).
class Assembler {
 public:
  explicit Assembler(ZILState* ps) : ps_(ps), base_(ps->code.count) {}

  Assembler& op(const std::string& mnemonic, std::vector<Operand> ops = {}) {
    ZILLong opcode = findOpcode(mnemonic, ops);
    EXPECT_GE(opcode, 0) << "no instruction " << mnemonic << " with these operand kinds";
    ZILLong at = here();
    words_.push_back(opcode);
    for (const Operand& o : ops) {
      if (!o.label.empty())
        fixups_.push_back({words_.size(), o.label, o.kind == ZILK_OFS ? at : -1});
      words_.push_back(o.a);
      if (o.kind == ZILK_RD || o.kind == ZILK_RR || o.kind == ZILK_REGS)
        words_.push_back(o.b);
    }
    return *this;
  }
  Assembler& label(const std::string& name) {
    labels_[name] = here();
    return *this;
  }
  Assembler& word(ZILLong w) {
    words_.push_back(w);
    return *this;
  }
  ZILLong here() const { return base_ + static_cast<ZILLong>(words_.size()); }
  ZILLong base() const { return base_; }
  ZILLong at(const std::string& name) const { return labels_.at(name); }

  // Appends the code to the state and returns its address.
  ZILLong commit() {
    for (const Fixup& f : fixups_) {
      ZILLong target = labels_.at(f.label);
      words_[f.word] = f.branchFrom >= 0 ? target - f.branchFrom : target;
    }
    ZILLong address = -1;
    EXPECT_EQ(ZILAppendCode(ps_, words_.data(), static_cast<ZILLong>(words_.size()), &address), 0);
    EXPECT_EQ(address, base_);
    return address;
  }

 private:
  struct Fixup {
    size_t word;
    std::string label;
    ZILLong branchFrom;  // -1 for an absolute address
  };
  ZILState* ps_;
  ZILLong base_;
  std::vector<ZILLong> words_;
  std::vector<Fixup> fixups_;
  std::map<std::string, ZILLong> labels_;
};

// A runtime prepared to run: root context made, registers all null.
class ZILFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ps = ZILInitialize();
    ASSERT_NE(ps, nullptr);
  }
  void TearDown() override {
    if (ps) {
      EXPECT_EQ(ZILTerminate(ps), 0);
    }
  }

  void prepare() { ASSERT_EQ(ZILPrepareRun(ps), 0); }

  // Commits the code, runs it from its first word on the root context and returns the result.
  ZILError run(Assembler& a) {
    ZILLong address = a.commit();
    ZILError e = ZILRunAddress(ps, address);
    return e;
  }

  // A run that ends in an exception leaves its return address (-1) on the call stack and the
  // pending code set; this puts the root context back for the next run.
  void recover() {
    ZILClearException(ps);
    ps->root->csp = ps->root->callSize;
  }

  ZILHandle*& reg(int n) { return ps->root->regs[n]; }
  void setReg(int n, ZILHandle* h) {  // takes over the caller's reference
    ZILRelease(ps, reg(n));
    reg(n) = h;
  }
  void setInt(int n, ZILLong v) { setReg(n, ZILNewInt(ps, v)); }
  void setFloat(int n, ZILFloat v) { setReg(n, ZILNewFloat(ps, v)); }
  void setString(int n, const char* text) {
    ZILHandle* h = nullptr;
    ASSERT_EQ(ZILNewString(ps, text, static_cast<ZILLong>(strlen(text)), &h), 0);
    setReg(n, h);
  }
  ZILHandle* newArrayOfInts(std::vector<ZILLong> values) {
    ZILHandle* h = nullptr;
    EXPECT_EQ(ZILNewArray(ps, &h), 0);
    for (ZILLong v : values)
      EXPECT_EQ(ZILArrayAppend(static_cast<ZILArray*>(h->payload.p), ZILNewInt(ps, v)), 0);
    return h;
  }
  ZILLong intOf(int n) {
    EXPECT_EQ(reg(n)->type, ZIL_TYPE_INT) << "r" << n;
    return reg(n)->payload.l;
  }
  ZILFloat floatOf(int n) {
    EXPECT_EQ(reg(n)->type, ZIL_TYPE_FLOAT) << "r" << n;
    return reg(n)->payload.f;
  }
  std::string stringOf(ZILHandle* h) {
    EXPECT_EQ(h->type, ZIL_TYPE_STRING);
    return h->type == ZIL_TYPE_STRING ? ZILStringText(static_cast<ZILString*>(h->payload.p)) : "";
  }
  static ZILArray* arrayOf(ZILHandle* h) {
    EXPECT_EQ(h->type, ZIL_TYPE_ARRAY);
    return static_cast<ZILArray*>(h->payload.p);
  }

  // A script class with `members` member handles and the given method table.
  ZILLong addClass(const char* name, ZILLong members, std::vector<ZILLong> methods = {}, ZILLong copyCtor = -1) {
    ZILTypeInfo ti{};
    EXPECT_EQ(ZILAddName(ps, name, &ti.pName), 0);
    ti.family = ZIL_FAMILY_CLASS;
    ti.instanceSize = members;
    ti.copyConstructor = copyCtor;
    ti.offsetVtab = -1;
    if (!methods.empty()) {
      EXPECT_EQ(
          ZILAddNameBytes(ps, methods.data(), static_cast<ZILLong>(methods.size() * sizeof(ZILLong)), &ti.offsetVtab),
          0);
    }
    ti.methodCount = static_cast<ZILLong>(methods.size());
    ZILLong id = -1;
    EXPECT_EQ(ZILAddType(ps, &ti, &id), 0);
    return id;
  }
  ZILLong addTypeOfFamily(const char* name, ZILLong family) {
    ZILTypeInfo ti{};
    EXPECT_EQ(ZILAddName(ps, name, &ti.pName), 0);
    ti.family = family;
    ti.copyConstructor = -1;
    ti.offsetVtab = -1;
    ZILLong id = -1;
    EXPECT_EQ(ZILAddType(ps, &ti, &id), 0);
    return id;
  }
  ZILLong addFunction(const char* name, ZILLong typeID, ZILLong address, ZILLong size = 1, ZILLong member = 0) {
    ZILFuncInfo fi{};
    fi.typeID = typeID;
    fi.codeAddress = address;
    fi.codeSize = size;
    fi.memberIndex = member;
    EXPECT_EQ(ZILAddName(ps, name, &fi.name), 0);
    ZILLong index = -1;
    EXPECT_EQ(ZILAddFunction(ps, &fi, &index), 0);
    return index;
  }

  ZILState* ps = nullptr;
};

}  // namespace ziltest

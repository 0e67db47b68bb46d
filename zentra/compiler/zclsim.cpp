// The simulated machine of the function being compiled: the 32 registers and the data stack
// with the variable in each slot, temporaries and locals, and the instruction emitter that
// picks the opcode from a family and the operands' kinds.
#include <algorithm>

#include "zentra/compiler/zclgen.h"
#include "zentra/compiler/zclfamily.h"
#include "zentra/compiler/zcllines.h"
#include "zilopcodes.h"

ZILError ZCLGenFatal(ZCLGen* g, const char* message, const char* function) {
  return ZCLFatal(g->st, "zclsim", 0, message, function);
}

static ZILError checkStack(ZCLGen* g) {
  for (int i = g->sp; i < 1024; i++) {
    ZCLVar* v = g->stack[i];
    if (v && (v->mode != kZCLModeStack || v->slot != i || i - g->sp < 0))
      return ZCLGenFatal(g, "Inconsistent stack variable detected", "sim_stack_check");
  }
  return ZCL_OK;
}

ZILError ZCLSimStackPush(ZCLGen* g, ZCLVar* v) {
  if (g->sp <= 0)
    return ZCLGenFatal(g, "Stack overflow", "sim_stack_push");
  if (v && v->mode != kZCLModeNone)
    return ZCLGenFatal(g, "Variable already in use", "sim_stack_push");
  g->sp--;
  g->stack[g->sp] = v;
  if (v) {
    v->mode = kZCLModeStack;
    v->slot = g->sp;
  }
  return checkStack(g);
}

ZILError ZCLSimStackPop(ZCLGen* g, int n) {
  for (int i = 0; i < n && g->sp < 1024; i++) {
    if (ZCLVar* v = g->stack[g->sp]) {
      v->mode = kZCLModeNone;
      v->slot = -1;
    }
    g->stack[g->sp++] = nullptr;
  }
  return checkStack(g);
}

ZILError ZCLSimRegisterSet(ZCLGen* g, int reg, ZCLVar* v) {
  if (reg < 0 || reg >= ZIL_REGISTER_COUNT)
    return ZCLGenFatal(g, "Invalid register number", "sim_register_set");
  if (v->mode != kZCLModeNone || g->regs[reg])
    return ZCLGenFatal(g, "Variable already in use", "sim_register_set");
  g->regs[reg] = v;
  v->mode = kZCLModeRegister;
  v->reg = reg;
  if (reg > g->highestRegister)
    g->highestRegister = reg;
  return ZCL_OK;
}

ZILError ZCLSimRegisterUnset(ZCLGen* g, int reg) {
  if (reg < 0 || reg >= ZIL_REGISTER_COUNT)
    return ZCLGenFatal(g, "Invalid register number", "sim_register_unset");
  if (ZCLVar* v = g->regs[reg]) {
    v->mode = kZCLModeNone;
    v->reg = -1;
  }
  g->regs[reg] = nullptr;
  return ZCL_OK;
}

// Pool blocks: the first small (most bodies need a dozen records), later ones larger.
static size_t poolBlockSize(size_t blocks) { return blocks == 0 ? 16 : 64; }

ZCLVar* ZCLNewVar(ZCLGen* g, const ZCLTypeDesc& type) {
  if (g->pool.empty() || g->poolUsed == poolBlockSize(g->pool.size() - 1)) {
    g->pool.push_back(std::make_unique<ZCLVar[]>(poolBlockSize(g->pool.size())));
    g->poolUsed = 0;
  }
  ZCLVar* v = &g->pool.back()[g->poolUsed++];
  v->type = type;
  return v;
}

ZILError ZCLMakeTempVar(ZCLGen* g, const ZCLTypeDesc& type, ZCLVar** out) {
  for (int r = 3; r < ZIL_REGISTER_COUNT; r++) {
    if (g->regs[r])
      continue;
    ZCLVar* v = ZCLNewVar(g, type);
    v->temp = true;
    v->initialised = true;
    ZILError err = ZCLSimRegisterSet(g, r, v);
    if (err)
      return err;
    *out = v;
    return ZCL_OK;
  }
  return ZCLGenFatal(g, "No free temporary register found", "make_temp_var");
}

ZILError ZCLFreeTempVar(ZCLGen* g, ZCLVar* v) {
  if (!v->temp)
    return ZCLGenFatal(g, "ZCLVar is not a temp var", "free_temp_var");
  if (v->index)
    ZCLRelease(g, v->index);
  if (v->base)
    ZCLRelease(g, v->base);
  v->index = v->base = nullptr;
  if (v->mode == kZCLModeRegister)
    return ZCLSimRegisterUnset(g, v->reg);
  v->mode = kZCLModeNone;
  return ZCL_OK;
}

void ZCLRelease(ZCLGen* g, ZCLVar* v) {
  if (v && v->temp)
    ZCLFreeTempVar(g, v);
}

ZILError ZCLMakeLocalVar(ZCLGen* g, const std::string& name, const ZCLTypeDesc& type, ZCLVar** out) {
  for (auto& scope : g->scopes)
    for (ZCLVar* v : scope)
      if (v->name == name)
        return ZCLError(g->st, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
  for (ZCLVar* v : g->args)
    if (v->name == name)
      return ZCLError(g->st, name.c_str(), ZCL_ERR_Identifier_Already_Defined);
  ZCLVar* v = ZCLNewVar(g, type);
  v->name = name;
  v->lvalue = true;
  v->constant = type.isConst != 0;
  bool inRegister = false;
  if (ZCLOptions(g->st).stackLocals == 0 && g->registerLocals < ZCLOptions(g->st).registerLocals)
    for (int r = 3; r < ZIL_REGISTER_COUNT && !inRegister; r++)
      if (!g->regs[r]) {
        ZILError err = ZCLSimRegisterSet(g, r, v);
        if (err)
          return err;
        inRegister = true;
        g->registerLocals++;
      }
  if (!inRegister) {
    ZILError err = ZCLEmitPush(g, 1);
    if (!err)
      err = ZCLSimStackPush(g, v);
    if (err)
      return err;
  }
  g->scopes.back().push_back(v);
  *out = v;
  return ZCL_OK;
}

ZCLOperand ZCLOp(ZCLGen* g, const ZCLVar* v) {
  switch (v->mode) {
    case kZCLModeRegister: return {ZILK_R, v->reg, 0};
    case kZCLModeStack: return {ZILK_SD, v->slot - g->sp, 0, v->slot >= g->argTop};
    case kZCLModeMember: return {ZILK_RD, v->reg, v->member};
    case kZCLModeElement: return {ZILK_RR, v->reg, v->index ? v->index->reg : 0};
    default: return {ZILK_NONE, 0, 0};
  }
}

namespace {

// The form of the family whose operand kinds are those given, or null.
const ZCLForm* matchingForm(ZILFamily family, std::initializer_list<ZCLOperand> ops) {
  for (const ZCLForm& form : ZCLFormsOf(family)) {
    if (form.operandCount != ops.size())
      continue;
    size_t i = 0;
    while (i < ops.size() && form.kinds[i] == ops.begin()[i].kind)
      i++;
    if (i == ops.size())
      return &form;
  }
  return nullptr;
}

}  // namespace

ZILError ZCLEmit(ZCLGen* g, ZILFamily family, std::initializer_list<ZCLOperand> ops, size_t* at) {
  const ZCLForm* form = matchingForm(family, ops);
  if (!form)
    return ZCLGenFatal(g, "No instruction for these operands", ZCLFamilyName(family));
  std::vector<ZILLong>& code = g->func->code;
  ZCLMarkCode(g->func, code.size(), ZCLLineMarkHere(g->st));
  if (at)
    *at = code.size();
  code.push_back(form->opcode);
  for (const ZCLOperand& o : ops) {
    if (o.kind == ZILK_SD && o.argument && g->savesRegisters)
      g->argOperands.push_back(code.size());
    code.push_back(o.a);
    if (o.kind == ZILK_RD || o.kind == ZILK_RR || o.kind == ZILK_REGS)
      code.push_back(o.b);
  }
  return ZCL_OK;
}

ZILError ZCLEmitPush(ZCLGen* g, int n) {
  if (n <= 0)
    return ZCL_OK;
  if (n == 1)
    return ZCLEmit(g, ZFAM_PUSH, {});
  return ZCLEmit(g, ZFAM_PUSHM, {ZCLImm(n)});
}

ZILError ZCLEmitDrop(ZCLGen* g, int n) {
  if (n <= 0)
    return ZCL_OK;
  if (n == 1)
    return ZCLEmit(g, ZFAM_POP, {});
  return ZCLEmit(g, ZFAM_POPM, {ZCLImm(n)});
}

void ZCLPatchBranch(ZCLGen* g, size_t at, size_t word, size_t target) {
  g->func->code[word] = static_cast<ZILLong>(target) - static_cast<ZILLong>(at);
}

ZILError ZCLEmitLiteral(ZCLGen* g, const ZCLPendingLiteral& lit, const ZCLTypeDesc& type, ZCLVar** out) {
  ZCLVar* t = nullptr;
  ZILError err = ZCLMakeTempVar(g, type, &t);
  if (err)
    return err;
  size_t at = 0;
  if ((err = ZCLEmit(g, ZFAM_MOVEH, {{ZILK_DH, 0, 0}, ZCLOp(g, t)}, &at)))
    return err;
  ZCLPendingLiteral l = lit;
  l.pos = at + 1;
  g->literals.push_back(std::move(l));
  t->shared = true;
  t->literal = true;
  *out = t;
  return ZCL_OK;
}

ZILError ZCLResolveLiterals(ZCLGen* g) {
  for (const ZCLPendingLiteral& l : g->literals) {
    ZILLong index = 0;
    ZILError err = l.kind == kZCLLiteralInt     ? ZILAddConstantInt(g->st->ps, l.l, &index)
                   : l.kind == kZCLLiteralFloat ? ZILAddConstantFloat(g->st->ps, l.f, &index)
                                                : ZILAddConstantString(g->st->ps, l.s.c_str(), &index);
    if (err)
      return ZCLError(g->st, nullptr, err);
    if (l.pos < g->func->code.size())
      g->func->code[l.pos] = index;
  }
  g->literals.clear();
  return ZCL_OK;
}

void ZCLCutCode(ZCLGen* g, size_t size) {
  std::vector<ZILLong>& code = g->func->code;
  if (size >= code.size())
    return;
  code.resize(size);
  ZCLLinesCut(g->func, size);
  while (!g->literals.empty() && g->literals.back().pos >= size)
    g->literals.pop_back();
  while (!g->argOperands.empty() && g->argOperands.back() >= size)
    g->argOperands.pop_back();
  while (!g->restores.empty() && g->restores.back() >= size)
    g->restores.pop_back();
}

void ZCLDiscardValue(ZCLGen* g, ZCLVar* v) {
  const ZCLVar* old = g->postfixOld;
  g->postfixOld = nullptr;
  std::vector<ZILLong>& code = g->func->code;
  if (!v || v != old || g->postfixStepAt >= code.size() || g->postfixCopyAt >= g->postfixStepAt)
    return;
  // Nothing may follow the step: then no instruction reads the copy.
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[g->postfixStepAt]);
  if (!info || g->postfixStepAt + static_cast<size_t>(info->length) != code.size())
    return;
  const size_t at = g->postfixCopyAt, n = g->postfixStepAt - at;
  ZCLLinesErase(g->func, at, n);
  code.erase(code.begin() + static_cast<long>(at), code.begin() + static_cast<long>(at + n));
  // Positions recorded inside the copy go; those of the step move down with it.
  auto refit = [&](std::vector<size_t>& positions) {
    size_t keep = positions.size();
    while (keep > 0 && positions[keep - 1] >= at)
      keep--;
    size_t out = keep;
    for (size_t i = keep; i < positions.size(); i++)
      if (positions[i] >= at + n)
        positions[out++] = positions[i] - n;
    positions.resize(out);
  };
  refit(g->argOperands);
  for (size_t i = g->literals.size(); i-- > 0 && g->literals[i].pos >= at;)
    g->literals[i].pos -= n;  // a literal is never an operand of the copy or the step
}

ZILError ZCLEmitRestore(ZCLGen* g) {
  if (!g->savesRegisters)
    return ZCL_OK;
  size_t at = 0;
  ZILError err = ZCLEmit(g, ZFAM_POPR, {{ZILK_REGS, 3, 1}}, &at);
  if (!err)
    g->restores.push_back(at);
  return err;
}

namespace {

// Removes n words at `at`, keeping every relative branch on its instruction and every recorded
// code position on its word.
void eraseWords(ZCLGen* g, size_t at, size_t n) {
  std::vector<ZILLong>& code = g->func->code;
  for (size_t pc = 0; pc < code.size();) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
    if (!info || info->length <= 0)
      break;
    size_t word = pc + 1;
    for (int k = 0; k < info->operandCount; k++) {
      int kind = info->kinds[k];
      if (kind == ZILK_OFS && word < code.size()) {
        long target = static_cast<long>(pc) + code[word];
        if (pc < at && target > static_cast<long>(at))
          code[word] -= static_cast<ZILLong>(n);
        else if (pc >= at + n && target <= static_cast<long>(at))
          code[word] += static_cast<ZILLong>(n);
      }
      word += (kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS) ? 2 : 1;
    }
    pc += static_cast<size_t>(info->length);
  }
  ZCLLinesErase(g->func, at, n);
  code.erase(code.begin() + static_cast<long>(at), code.begin() + static_cast<long>(at + n));
  auto shift = [&](size_t& pos) {
    if (pos >= at + n)
      pos -= n;
  };
  for (ZCLPendingLiteral& l : g->literals)
    shift(l.pos);
  for (size_t& pos : g->argOperands)
    shift(pos);
  for (size_t& pos : g->restores)
    shift(pos);
}

}  // namespace

ZILError ZCLFinishSavedRegisters(ZCLGen* g) {
  if (!g->savesRegisters)
    return ZCL_OK;
  std::vector<ZILLong>& code = g->func->code;
  const int count = g->highestRegister - 2;
  if (count <= 0) {
    for (size_t i = g->restores.size(); i-- > 0;)
      eraseWords(g, g->restores[i], 3);
    eraseWords(g, 0, 3);
    g->argOperands.clear();
  } else {
    code[2] = count;
    for (size_t at : g->restores)
      code[at + 2] = count;
    for (size_t word : g->argOperands)
      code[word] += count;
  }
  g->func->savedRegisters = count > 0 ? count : 0;
  g->func->argOperands = g->argOperands;
  g->restores.clear();
  return ZCL_OK;
}

// What the optimizer knows about instructions: lengths and operands from the instruction table,
// the forms of a family, which register an instruction replaces, the branch-keeping edit
// primitive, and a small liveness walk that tells whether a register's value is still needed.
// The instruction table of the runtime is the single source of all of it.
#include <algorithm>

#include "zentra/compiler/zclfamily.h"
#include "zentra/compiler/zclopt.h"
#include "zilopcodes.h"

namespace {

constexpr bool isCompare(ZILLong op) {
  return ZCLOpIn(op, ZOP_CSEQ_R_R_R, ZOP_CSLE_SD_R_R) || ZCLOpIn(op, ZOP_STREQ_R_R_R, ZOP_STRNE_SD_R_R) ||
         ZCLOpIn(op, ZOP_CSEQL_R_R_R, ZOP_CSLEL_SD_R_R) || ZCLOpIn(op, ZOP_CSEQF_R_R_R, ZOP_CSLEF_SD_R_R);
}

// Index of the operand an instruction replaces as a whole, -1 when none.
constexpr int resultOperand(ZILLong op) {
  if (isCompare(op) || op == ZOP_CMPREF_R_R_R || op == ZOP_ALLOCA_TYPE_IMM_R || op == ZOP_NEWDG_TYPE_IMM_R)
    return 2;
  if (ZCLOpIn(op, ZOP_ADDL3_R_R_R, ZOP_MODF3_R_R_R))
    return 2;
  if (op == ZOP_MADF3_R_R_R_R)
    return 3;
  if (op == ZOP_NEWCTX_TYPE_IMM_IMM_R || op == ZOP_NEWDGM_TYPE_IMM_R_R)
    return 3;
  if (op == ZOP_LDZ_R || op == ZOP_POP_R)
    return 0;
  if (op == ZOP_ALLOC_TYPE_R || op == ZOP_ALLOCN_TYPE_R || op == ZOP_CVF_R_R || op == ZOP_CVL_R_R ||
      op == ZOP_SIZE_R_R || op == ZOP_TYPE_R_R || op == ZOP_SNUL_R_R || op == ZOP_SNNUL_R_R ||
      ZCLOpIn(op, ZOP_MOVEH_DH_R, ZOP_MOVEH_DH_SD) || ZCLOpIn(op, ZOP_MOVE_R_R, ZOP_MOVE_SD_SD) ||
      ZCLOpIn(op, ZOP_COPY_R_R, ZOP_COPY_SD_SD) || ZCLOpIn(op, ZOP_COPYH_DH_R, ZOP_COPYH_DH_SD) ||
      ZCLOpIn(op, ZOP_WREF_R_R, ZOP_WREF_SD_SD))
    return 1;
  return -1;
}

// Calls that return into r1 and take nothing from it: their arguments are on the stack, `this`
// is r0, and the value r1 held before is never read again after one.
constexpr bool isCall(ZILLong op) {
  return op == ZOP_CALLS_IMM || op == ZOP_CALLM_TYPE_IMM || op == ZOP_CALLN_TYPE_IMM ||
         ZCLOpIn(op, ZOP_JSR_IMM, ZOP_JSR_SD) || ZCLOpIn(op, ZOP_CALLDG_R, ZOP_CALLDG_SD);
}

// Operand kinds by opcode, straight from the instruction table, for the hot mask walk.
struct OperandKinds {
  unsigned char k[4];
};
constexpr OperandKinds kOperandKinds[ZIL_OPCODE_COUNT] = {
#define ZCL_KINDS_OF(op, name, fam, mn, n, k1, k2, k3, k4, len) {{ZILK_##k1, ZILK_##k2, ZILK_##k3, ZILK_##k4}},
    ZIL_OPCODE_LIST(ZCL_KINDS_OF)
#undef ZCL_KINDS_OF
};
constexpr unsigned char kOperandCounts[ZIL_OPCODE_COUNT] = {
#define ZCL_COUNT_OF(op, name, fam, mn, n, k1, k2, k3, k4, len) n,
    ZIL_OPCODE_LIST(ZCL_COUNT_OF)
#undef ZCL_COUNT_OF
};

constexpr bool leavesFunction(ZILLong op) {
  return op == ZOP_CALLS_IMM || op == ZOP_CALLM_TYPE_IMM || op == ZOP_CALLN_TYPE_IMM || op == ZOP_RET ||
         op == ZOP_THROW || op == ZOP_YIELD || op == ZOP_NEWCTX_TYPE_IMM_IMM_R || op == ZOP_NEWDGM_TYPE_IMM_R_R ||
         ZCLOpIn(op, ZOP_JSR_IMM, ZOP_JSR_SD) || ZCLOpIn(op, ZOP_CALLDG_R, ZOP_CALLDG_SD) ||
         ZCLOpIn(op, ZOP_RESUME_R, ZOP_RESUME_SD);
}

// resultOperand by opcode, and whether the opcode calls or leaves the function.
struct OpcodeRoles {
  signed char result[ZIL_OPCODE_COUNT];
  bool leaves[ZIL_OPCODE_COUNT];
  bool call[ZIL_OPCODE_COUNT];
};

constexpr OpcodeRoles kRoles = [] {
  OpcodeRoles t{};
  for (int op = 0; op < ZIL_OPCODE_COUNT; op++) {
    t.result[op] = static_cast<signed char>(resultOperand(op));
    t.leaves[op] = leavesFunction(op);
    t.call[op] = isCall(op);
  }
  return t;
}();

constexpr const OpcodeRoles& roles() { return kRoles; }

inline uint32_t bitOf(ZILLong r) { return r >= 0 && r < 32 ? 1u << r : 0; }

inline bool twoWordKind(unsigned char kind) { return kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS; }

}  // namespace

bool ZCLLeavesFunction(ZILLong op) { return static_cast<uint32_t>(op) < ZIL_OPCODE_COUNT && kRoles.leaves[op]; }

bool ZCLSlot::twoWords() const { return kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS; }

bool ZCLSlot::mentions(int r) const {
  switch (kind) {
    case ZILK_R:
    case ZILK_RD: return a == r;
    case ZILK_RR: return a == r || b == r;
    case ZILK_REGS: return r >= a && r < a + b;
    default: return false;
  }
}

int ZCLDecode(const ZCLCode& code, size_t pos, ZCLSlot out[4]) {
  const ZILLong op = code[pos];
  if (static_cast<uint32_t>(op) >= ZIL_OPCODE_COUNT)
    return 0;
  size_t w = pos + 1;
  const int n = kOperandCounts[op];
  for (int i = 0; i < n; i++) {
    out[i].kind = kOperandKinds[op].k[i];
    out[i].a = w < code.size() ? code[w] : 0;
    out[i].b = 0;
    w++;
    if (out[i].twoWords()) {
      out[i].b = w < code.size() ? code[w] : 0;
      w++;
    }
  }
  return n;
}

void ZCLEncode(ZCLCode& out, ZILLong opcode, const ZCLSlot* slots, int count) {
  out.push_back(opcode);
  for (int i = 0; i < count; i++) {
    out.push_back(slots[i].a);
    if (slots[i].twoWords())
      out.push_back(slots[i].b);
  }
}

ZILLong ZCLFindForm(ZILLong sample, const int* kinds, int count) {
  for (const ZCLForm& form : ZCLFormsOf(ZCLFamilyOf(sample))) {
    if (form.operandCount != count)
      continue;
    bool same = true;
    for (int i = 0; i < count && same; i++)
      same = form.kinds[i] == kinds[i];
    if (same)
      return form.opcode;
  }
  return -1;
}

int ZCLResultRegister(const ZCLCode& code, size_t pos) {
  const ZILLong op = code[pos];
  if (static_cast<uint32_t>(op) >= ZIL_OPCODE_COUNT || ZCLInstrLength(code, pos) == 0)
    return -1;
  const int index = roles().result[op];
  const unsigned char* kinds = kOperandKinds[op].k;
  if (index < 0 || kinds[index] != ZILK_R)
    return -1;
  size_t w = pos + 1;
  for (int i = 0; i < index; i++)
    w += twoWordKind(kinds[i]) ? 2 : 1;
  return static_cast<int>(code[w]);
}

std::vector<unsigned char> ZCLBranchTargets(const ZCLCode& code) {
  std::vector<unsigned char> targets(code.size() + 1, 0);
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    if (!ZCLIsBranch(code[pc]))
      continue;
    ZILLong target = static_cast<ZILLong>(pc) + code[pc + len - 1];
    if (target >= 0 && static_cast<size_t>(target) < targets.size())
      targets[static_cast<size_t>(target)] = 1;
  }
  return targets;
}

namespace {

// Where a word lands after [pos, pos + n) is replaced by m words.
struct Edit {
  ZILLong p, end, delta, m;
  bool replacesFirst;
  Edit(size_t pos, size_t n, size_t words)
      : p(static_cast<ZILLong>(pos)),
        end(static_cast<ZILLong>(pos + n)),
        delta(static_cast<ZILLong>(words) - static_cast<ZILLong>(n)),
        m(static_cast<ZILLong>(words)),
        replacesFirst(n > 0) {}
  ZILLong moved(ZILLong x) const {
    if (x < p || (x == p && replacesFirst))
      return x;
    if (x >= end)
      return x + delta;
    return p + m;  // into removed words: the first word after the edit
  }
  // Rewrites the offset of the branch at pc (outside the edit), before the words move.
  void moveBranch(ZCLCode& code, size_t pc, size_t len) const {
    const ZILLong at = static_cast<ZILLong>(pc);
    code[pc + len - 1] = moved(at + code[pc + len - 1]) - moved(at);
  }
};

// The line marks of an edit, made before its words move.
void moveMarks(ZCLCode& code, size_t pos, size_t n, size_t m) {
  if (!code.tracksLines())
    return;
  std::vector<ZCLLineMark>& lines = code.lines;
  const ZCLLineMark mark = pos < lines.size() ? lines[pos] : lines.back();
  if (n > m)
    lines.erase(lines.begin() + static_cast<long>(pos + m), lines.begin() + static_cast<long>(pos + n));
  else if (m > n)
    lines.insert(lines.begin() + static_cast<long>(pos + n), m - n, mark);
  std::fill(lines.begin() + static_cast<long>(pos), lines.begin() + static_cast<long>(pos + (m < n ? m : n)), mark);
}

void moveWords(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m) {
  moveMarks(code, pos, n, m);
  // Grow in steps of 32 words when an edit needs room.
  if (m > n && code.size() + (m - n) > code.capacity())
    code.reserve(code.capacity() + ((m - n + 31) / 32) * 32);
  // The words that replace others are written in place; only the difference moves the tail.
  const size_t common = m < n ? m : n;
  std::copy(words, words + common, code.begin() + static_cast<long>(pos));
  if (n > m)
    code.erase(code.begin() + static_cast<long>(pos + m), code.begin() + static_cast<long>(pos + n));
  else if (m > n)
    code.insert(code.begin() + static_cast<long>(pos + n), words + n, words + m);
}

}  // namespace

void ZCLReplaceWords(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m) {
  const Edit edit(pos, n, m);
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if (ZCLIsBranch(code[pc]) && (pc < pos || pc >= pos + n))
      edit.moveBranch(code, pc, len);
  moveWords(code, pos, n, words, m);
}

std::vector<size_t> ZCLBranches(const ZCLCode& code) {
  std::vector<size_t> out;
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len)
    if (ZCLIsBranch(code[pc]))
      out.push_back(pc);
  return out;
}

void ZCLReplaceWordsAmong(ZCLCode& code, size_t pos, size_t n, const ZILLong* words, size_t m,
                          std::vector<size_t>& branches) {
  bool plain = true;  // no branch among the words taken out or put in
  for (size_t b : branches)
    plain = plain && (b < pos || b >= pos + n);
  for (size_t w = 0; plain && w < m;) {
    const bool known = static_cast<uint32_t>(words[w]) < ZIL_OPCODE_COUNT && kZCLInstrLengths[words[w]] != 0;
    plain = known && !ZCLIsBranch(words[w]);
    w += known ? kZCLInstrLengths[words[w]] : 1;
  }
  if (!plain) {
    ZCLReplaceWords(code, pos, n, words, m);
    branches = ZCLBranches(code);
    return;
  }
  const Edit edit(pos, n, m);
  for (size_t& b : branches) {
    edit.moveBranch(code, b, ZCLInstrLength(code, b));
    if (b >= pos + n)
      b = static_cast<size_t>(static_cast<ZILLong>(b) + edit.delta);
  }
  moveWords(code, pos, n, words, m);
}

bool ZCLRegisterLiveAfter(const ZCLCode& code, size_t pos, int r, bool callsReplaceResult) {
  const size_t len = ZCLInstrLength(code, pos);
  if (len == 0)
    return false;
  if (ZCLIsBranch(code[pos])) {
    // The value may be needed where the branch goes, too.
    const ZILLong target = static_cast<ZILLong>(pos) + code[pos + len - 1];
    if (target >= 0 && static_cast<size_t>(target) < code.size() &&
        ZCLRegisterLiveAt(code, static_cast<size_t>(target), r, callsReplaceResult))
      return true;
    if (code[pos] == ZOP_BRA_OFS)
      return false;
  }
  return ZCLRegisterLiveAt(code, pos + len, r, callsReplaceResult);
}

namespace {

// What the instruction at pc does with register r: 1 reads it (or changes it in place), 0
// replaces it, -1 leaves it alone.
int registerUse(const ZCLCode& code, size_t pc, int r, bool callsReplaceResult) {
  const ZILLong op = code[pc];
  if (r <= 2 && ZCLLeavesFunction(op)) {
    if (r == 1 && callsReplaceResult && isCall(op) && !ZCLMentions(code, pc, 1))
      return 0;
    return 1;
  }
  ZCLSlot slots[4];
  const int n = ZCLDecode(code, pc, slots);
  const int result = resultOperand(op);
  int use = -1;
  for (int i = 0; i < n; i++) {
    if (!slots[i].mentions(r))
      continue;
    if ((i == result && slots[i].kind == ZILK_R) || op == ZOP_POPR_REGS)
      use = 0;
    else
      return 1;
  }
  return use;
}

}  // namespace

void ZCLRegisterMasks(const ZCLCode& code, size_t pc, bool callsReplaceResult, uint32_t* reads, uint32_t* replaces) {
  const ZILLong op = code[pc];
  *reads = *replaces = 0;
  if (static_cast<uint32_t>(op) >= ZIL_OPCODE_COUNT || ZCLInstrLength(code, pc) == 0)
    return;
  const OpcodeRoles& t = roles();
  const unsigned char* kinds = kOperandKinds[op].k;
  uint32_t use = 0, whole = 0;
  size_t w = pc + 1;
  for (int i = 0; i < 4 && kinds[i] != ZILK_NONE; i++) {
    uint32_t m = 0;
    switch (kinds[i]) {
      case ZILK_R:
      case ZILK_RD: m = bitOf(code[w]); break;
      case ZILK_RR: m = bitOf(code[w]) | bitOf(code[w + 1]); break;
      case ZILK_REGS: {
        const int64_t last = static_cast<int64_t>(code[w]) + code[w + 1];
        for (int64_t r = code[w] < 0 ? 0 : code[w]; r < last && r < ZIL_REGISTER_COUNT; r++)
          m |= 1u << r;
        break;
      }
      default: break;
    }
    if ((i == t.result[op] && kinds[i] == ZILK_R) || op == ZOP_POPR_REGS)
      whole |= m;
    else
      use |= m;
    w += twoWordKind(kinds[i]) ? 2 : 1;
  }
  if (t.leaves[op]) {
    // A call, return, throw or yield reads r0 to r2; a call may be taken to replace r1.
    if (callsReplaceResult && t.call[op] && !(use & 2)) {
      use |= 5;
      whole |= 2;
    } else {
      use |= 7;
    }
  }
  *reads = use;
  *replaces = whole & ~use;
}

ZCLLiveness ZCLComputeLiveness(const ZCLCode& code, bool callsReplaceResult) {
  ZCLLiveness l;
  l.at.reserve(code.size() / 2);
  l.reads.reserve(code.size() / 2);
  l.replaces.reserve(code.size() / 2);
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    l.at.push_back(pc);
    uint32_t r = 0, w = 0;
    ZCLRegisterMasks(code, pc, callsReplaceResult, &r, &w);
    l.reads.push_back(r);
    l.replaces.push_back(w);
  }
  const size_t n = l.at.size();
  // Successors: the next instruction unless control never falls through, and a branch target.
  std::vector<int> jump(n, -1);
  for (size_t i = 0; i < n; i++) {
    const size_t pc = l.at[i];
    if (!ZCLIsBranch(code[pc]))
      continue;
    const ZILLong target = static_cast<ZILLong>(pc) + code[pc + ZCLInstrLength(code, pc) - 1];
    auto it = std::lower_bound(l.at.begin(), l.at.end(), static_cast<size_t>(target < 0 ? 0 : target));
    if (target >= 0 && it != l.at.end() && *it == static_cast<size_t>(target))
      jump[i] = static_cast<int>(it - l.at.begin());
  }
  l.liveOut.assign(n, 0);
  std::vector<uint32_t> liveIn(n, 0);
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = n; i-- > 0;) {
      const ZILLong op = code[l.at[i]];
      uint32_t out = 0;
      if (op != ZOP_RET && op != ZOP_THROW && op != ZOP_BRA_OFS && i + 1 < n)
        out = liveIn[i + 1];
      if (jump[i] >= 0)
        out |= liveIn[static_cast<size_t>(jump[i])];
      const uint32_t in = l.reads[i] | (out & ~l.replaces[i]);
      if (out != l.liveOut[i] || in != liveIn[i]) {
        l.liveOut[i] = out;
        liveIn[i] = in;
        changed = true;
      }
    }
  }
  return l;
}

bool ZCLRegisterLiveAt(const ZCLCode& code, size_t start, int r, bool callsReplaceResult) {
  // Most questions are settled on the straight path before the first branch.
  size_t len = 0;
  for (size_t pc = start; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    const int use = registerUse(code, pc, r, callsReplaceResult);
    if (use >= 0)
      return use == 1;
    if (code[pc] == ZOP_RET || code[pc] == ZOP_THROW)
      return false;
    if (ZCLIsBranch(code[pc]))
      break;
  }
  if (len == 0)
    return false;
  std::vector<unsigned char> seen(code.size(), 0);
  std::vector<size_t> work{start};
  while (!work.empty()) {
    size_t pc = work.back();
    work.pop_back();
    while ((len = ZCLInstrLength(code, pc)) != 0 && !seen[pc]) {
      seen[pc] = 1;
      const ZILLong op = code[pc];
      const int use = registerUse(code, pc, r, callsReplaceResult);
      if (use == 1)
        return true;
      if (use == 0 || op == ZOP_RET || op == ZOP_THROW)
        break;
      if (ZCLIsBranch(op)) {
        ZILLong target = static_cast<ZILLong>(pc) + code[pc + len - 1];
        if (target >= 0 && static_cast<size_t>(target) < code.size())
          work.push_back(static_cast<size_t>(target));
        if (op == ZOP_BRA_OFS)
          break;
      }
      pc += len;
    }
  }
  return false;
}

ZILLong ZCLFormFor(ZILLong sample, const ZCLSlot* slots, int count) {
  int kinds[4] = {};
  for (int i = 0; i < count; i++)
    kinds[i] = slots[i].kind;
  return ZCLFindForm(sample, kinds, count);
}

bool ZCLMentions(const ZCLCode& code, size_t pos, int r) {
  ZCLSlot s[4];
  const int n = ZCLDecode(code, pos, s);
  for (int i = 0; i < n; i++)
    if (s[i].mentions(r))
      return true;
  return false;
}

void ZCLRenameRegisters(ZCLCode& code, size_t pc, const int nameOf[ZIL_REGISTER_COUNT]) {
  const unsigned char* kinds = kOperandKinds[code[pc]].k;
  auto rename = [&](ZILLong& word) {
    if (word >= 0 && word < ZIL_REGISTER_COUNT)
      word = nameOf[word];
  };
  size_t w = pc + 1;
  for (int i = 0; i < 4 && kinds[i] != ZILK_NONE; i++) {
    if (kinds[i] == ZILK_R || kinds[i] == ZILK_RD || kinds[i] == ZILK_RR)
      rename(code[w]);
    if (kinds[i] == ZILK_RR)
      rename(code[w + 1]);
    w += twoWordKind(kinds[i]) ? 2 : 1;
  }
}

void ZCLRenameRegister(ZCLCode& code, size_t pc, int r, int s) {
  const unsigned char* kinds = kOperandKinds[code[pc]].k;
  size_t w = pc + 1;
  for (int i = 0; i < 4 && kinds[i] != ZILK_NONE; i++) {
    if ((kinds[i] == ZILK_R || kinds[i] == ZILK_RD || kinds[i] == ZILK_RR) && code[w] == r)
      code[w] = s;
    if (kinds[i] == ZILK_RR && code[w + 1] == r)
      code[w + 1] = s;
    w += twoWordKind(kinds[i]) ? 2 : 1;
  }
}

void ZCLShiftArgumentOperands(ZCLCode& code, ZILLong delta) {
  for (size_t pc = 0, len; (len = ZCLInstrLength(code, pc)) != 0; pc += len) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[pc]);
    size_t w = pc + 1;
    for (ZILLong i = 0; i < info->operandCount; i++) {
      const ZILLong kind = info->kinds[i];
      if (kind == ZILK_SD && code[w] >= kZCLArgumentBias / 2)
        code[w] += delta;
      w += (kind == ZILK_RD || kind == ZILK_RR || kind == ZILK_REGS) ? 2 : 1;
    }
  }
}

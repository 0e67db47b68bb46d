// The code generator's working records: the operand model (ZCLVar), the simulated register file
// and data stack of the function being compiled, and the emission helpers. Expressions and
// statements are compiled in one walk over the tokens; every parse function emits as it goes
// and describes its result as a ZCLVar.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zentra/compiler/zclfamily.h"
#include "zentra/compiler/zclparse.h"
#include "zentra/compiler/zclstate.h"

enum ZCLVarMode : int {
  kZCLModeNone = 0,
  kZCLModeRegister = 1,
  kZCLModeStack = 2,
  kZCLModeMember = 3,   // (r+d)
  kZCLModeElement = 4,  // (r+r)
};

struct ZCLVar {
  ZCLTypeDesc type;
  std::string name;
  int mode = kZCLModeNone;
  int reg = -1;    // register, or the register holding the object / array
  int slot = -1;   // simulated stack slot (its offset is slot - stack index)
  int member = 0;  // member index for mode 3
  bool temp = false;
  bool initialised = false;
  bool shared = false;  // holds a handle others see (a constant, a variable): copy before changing it
  bool lvalue = false;
  bool constant = false;  // declared const
  bool literal = false;   // a literal value (for ZCL_WARN_Constant_To_Reference)
  bool isNull = false;    // the `null` literal, typed by its destination
  // An overloaded function's name given as an argument: which one is meant follows from the
  // parameter's delegate type, so the delegate is made when the call is emitted (no code yet).
  bool functionRef = false;
  size_t refPos = 0;
  // A function or method literal given as an argument: compiled, from refPos, once the
  // parameter's delegate type is known.
  bool pendingLiteral = false;
  ZCLVar* index = nullptr;  // the index temporary of an array element
  ZCLVar* base = nullptr;   // the object temporary of a member of a computed object
};

// One instruction operand as the emitter takes it.
struct ZCLOperand {
  int kind;
  ZILLong a = 0, b = 0;
  bool argument = false;  // a stack operand addressing an argument, below the saved registers
};

enum ZCLLiteralKind : int {
  kZCLLiteralInt = 1,
  kZCLLiteralFloat = 2,
  kZCLLiteralString = 3,
};

struct ZCLPendingLiteral {
  int kind;  // a ZCLLiteralKind
  ZILLong l = 0;
  double f = 0;
  std::string s;
  size_t pos;  // code word to patch with the data index
};

struct ZCLGen {
  ZCLState* st = nullptr;
  ZCLFunc* func = nullptr;
  ZCLClass* cls = nullptr;
  bool isMethod = false;
  bool isCofunction = false;
  // Every operand record of the body, alive until the generator goes; made in blocks, so a
  // body's many temporaries cost few allocations (records never move).
  std::vector<std::unique_ptr<ZCLVar[]>> pool;
  size_t poolUsed = 0;  // records handed out from the last block
  ZCLVar* regs[ZIL_REGISTER_COUNT] = {};
  // The simulated data stack grows down from 1024; only the slots from sp up are ever read,
  // and each is written when pushed, so the array is not cleared (a body is often short).
  std::unique_ptr<ZCLVar*[]> stack = std::make_unique_for_overwrite<ZCLVar*[]>(1024);
  int sp = 1024;
  int argTop = 1024;                         // stack index below the arguments
  std::vector<std::vector<ZCLVar*>> scopes;  // locals by block
  std::vector<ZCLVar*> args;
  int registerLocals = 0;
  // Saved registers: the leading `pushr` and every restoring `popr` are written with a
  // provisional range and fixed at the end of the body, when the highest register the body
  // uses (highestRegister) is known; so are the argument operands (argOperands), whose offsets
  // grow by the number of saved slots. A cofunction runs in a context of its own and saves none.
  bool savesRegisters = false;
  int highestRegister = 2;
  std::vector<size_t> restores;     // addresses of the `popr` instructions
  std::vector<size_t> argOperands;  // code words of (sp+d) operands of arguments
  bool returned = false;
  struct Loop {
    std::vector<size_t> breaks;    // positions of `bra` offset words
    std::vector<size_t> branchAt;  // address of each `bra`
    int sp;
    std::vector<std::vector<bool>> breakMembers;  // membersSet on each `break` path
  };
  std::vector<Loop> loops;
  std::vector<ZCLPendingLiteral> literals;
  // The last postfix `++`/`--`: the temporary that holds the old value and the addresses of
  // its `copy` and of the `inc`/`dec` after it, so that a statement discarding the value can
  // drop the copy.
  const ZCLVar* postfixOld = nullptr;
  size_t postfixCopyAt = 0, postfixStepAt = 0;
  bool globalInit = false;  // compiling into the global initialisation function
  bool needHybrid = false;  // a hybrid class's constructor before `hybrid (...)`
  bool isConstructor = false;
  int depth = 0;  // nesting of expressions and statements being parsed
  // A constructor's members given a value on the path being compiled. Where paths join, a
  // member counts only when every path that reaches the join gave it (a path that has left
  // the function counts as giving all).
  std::vector<bool> membersSet;
};

// Nesting of the recursive parse functions; deeper texts are refused with
// ZCL_ERR_General_Parser_Error before the parser's own stack could run out.
enum {
  kZCLMaxParseDepth = 400
};
struct ZCLDepthGuard {
  explicit ZCLDepthGuard(ZCLGen* gen) : g(gen) { g->depth++; }
  ~ZCLDepthGuard() { g->depth--; }
  bool tooDeep() const { return g->depth > kZCLMaxParseDepth; }
  ZCLGen* g;
};

// Simulation (fatal errors on inconsistency).
ZILError ZCLSimStackPush(ZCLGen* g, ZCLVar* v);
ZILError ZCLSimStackPop(ZCLGen* g, int n);
ZILError ZCLSimRegisterSet(ZCLGen* g, int reg, ZCLVar* v);
ZILError ZCLSimRegisterUnset(ZCLGen* g, int reg);
ZCLVar* ZCLNewVar(ZCLGen* g, const ZCLTypeDesc& type);
ZILError ZCLMakeTempVar(ZCLGen* g, const ZCLTypeDesc& type, ZCLVar** out);
ZILError ZCLFreeTempVar(ZCLGen* g, ZCLVar* v);
// Frees v when it is a temporary (and its base/index temporaries); named vars are left alone.
void ZCLRelease(ZCLGen* g, ZCLVar* v);
ZILError ZCLMakeLocalVar(ZCLGen* g, const std::string& name, const ZCLTypeDesc& type, ZCLVar** out);
ZILError ZCLGenFatal(ZCLGen* g, const char* message, const char* function);

// Emission.
ZCLOperand ZCLOp(ZCLGen* g, const ZCLVar* v);
inline ZCLOperand ZCLImm(ZILLong v) { return {ZILK_IMM, v, 0}; }
inline ZCLOperand ZCLTypeOp(ZILLong v) { return {ZILK_TYPE, v, 0}; }
inline ZCLOperand ZCLOfs(ZILLong v) { return {ZILK_OFS, v, 0}; }
inline ZCLOperand ZCLReg(int r) { return {ZILK_R, r, 0}; }
// Appends the instruction of this family whose operand kinds match; returns its address in *at.
// No such instruction is a fatal error.
ZILError ZCLEmit(ZCLGen* g, ZILFamily family, std::initializer_list<ZCLOperand> ops, size_t* at = nullptr);
ZILError ZCLEmitPush(ZCLGen* g, int n);  // push / pushm n (code only)
ZILError ZCLEmitDrop(ZCLGen* g, int n);  // pop / popm n (code only)
// Patches the branch whose last word is at `word` (instruction at `at`) to jump to `target`.
void ZCLPatchBranch(ZCLGen* g, size_t at, size_t word, size_t target);
// A literal into a new temporary register (moveh with a pending data index).
ZILError ZCLEmitLiteral(ZCLGen* g, const ZCLPendingLiteral& lit, const ZCLTypeDesc& type, ZCLVar** out);
// Adds the pending literals to the data segment and writes their indices.
ZILError ZCLResolveLiterals(ZCLGen* g);
// Cuts the code back to `size` words, with the literals and operand records beyond it.
void ZCLCutCode(ZCLGen* g, size_t size);
// Code taken out to be placed again later keeps its line marks: ZCLTakeLines copies those of the
// words from `start` on (before the cut), ZCLPlaceLines puts them beside the words placed at `at`.
void ZCLTakeLines(ZCLGen* g, size_t start, std::vector<ZCLLineMark>* out);
void ZCLPlaceLines(ZCLGen* g, size_t at, const std::vector<ZCLLineMark>& marks);
// Ends a statement whose value v is not used: a postfix `++`/`--` giving v loses the copy of
// the old value when nothing was emitted after its `inc`/`dec`.
void ZCLDiscardValue(ZCLGen* g, ZCLVar* v);
// Restores the saved registers before a `ret` or `throw` (nothing when none are saved).
ZILError ZCLEmitRestore(ZCLGen* g);
// Fixes the saved register range of the entry, the restores and the argument operands once the
// body is compiled; a body that needs no saved register loses the `pushr` and `popr` words.
ZILError ZCLFinishSavedRegisters(ZCLGen* g);

// Expressions (zclexpr.cpp). `want` is the destination type when known (null: none).
ZILError ZCLParseExpression(ZCLGen* g, ZCLVar** out, const ZCLTypeDesc* want = nullptr);
// Compiles an expression and stores it into dst (converted to dst's type).
ZILError ZCLAssignInto(ZCLGen* g, ZCLVar* dst, ZCLVar* src, bool initialising);
// A value into a register: the var itself when it is a register temp, else a new temp.
ZILError ZCLToRegister(ZCLGen* g, ZCLVar* v, ZCLVar** out);
// A register temp with its own handle that may be changed in place.
ZILError ZCLToWritable(ZCLGen* g, ZCLVar* v, ZCLVar** out);
ZILError ZCLConvert(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, ZCLVar** out);
// As ZCLConvert; with `cast` explicit constructors and convertors may be used.
ZILError ZCLConvertAs(ZCLGen* g, ZCLVar* v, const ZCLTypeDesc& to, bool cast, ZCLVar** out);
// A new object of a class by its default constructor (script classes) or plain creation (native).
ZILError ZCLConstructDefault(ZCLGen* g, ZCLClass* c, ZCLVar** out);
// hybrid ( args ) in a hybrid class's constructor: constructs the base object and binds the
// delegate members of the inherited methods to it.
ZILError ZCLParseHybrid(ZCLGen* g);

// The parameter list `( ... )` of a function literal whose delegate type is dg: each parameter
// a name, or the delegate's type for it and a name. *params: the parameters as the literal's
// function takes them (a count other than the delegate's is the caller's to report,
// ZCL_ERR_Delegate_Argument_Names). A type other than the delegate's is
// ZCL_ERR_No_Matching_Delegate, reported at the type.
ZILError ZCLParseLiteralParameters(ZCLState* st, const ZCLClass* dg, std::vector<ZCLArg>* params);

// Statements (zclstmt.cpp).
ZILError ZCLParseStatement(ZCLGen* g);
ZILError ZCLParseBlock(ZCLGen* g);
// Drops the locals and arguments from the simulation at the end of a body.
ZILError ZCLEmitReturnTail(ZCLGen* g);

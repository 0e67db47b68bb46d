// zillisting.cpp - the text listing of byte code: one instruction per line (address, mnemonic,
// operands and a comment naming the called function), the whole code segment (plain, or with
// function labels and source lines beside it), and the call-stack trace of a context with the
// source line of every frame. Instruction lines are at most 127 characters; operands that point
// outside the segments are listed as "?" rather than read.
#include <cstdarg>
#include <algorithm>
#include <cstring>

#include "zilinternal.h"

namespace {

// A line being built in a fixed buffer; everything past the end is dropped.
struct Line {
  ZILChar text[512];
  size_t length = 0;

  void add(const ZILChar* format, ...) __attribute__((format(printf, 2, 3))) {
    if (length >= sizeof text - 1)
      return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text + length, sizeof text - length, format, args);
    va_end(args);
    if (n > 0)
      length = std::min(length + static_cast<size_t>(n), sizeof text - 1);
  }
  void padTo(size_t column) {
    while (length < column && length < sizeof text - 1)
      text[length++] = ' ';
    text[length] = 0;
  }
};

const ZILChar* functionName(ZILState* ps, ZILLong f) {
  if (f < 0 || f >= ps->funcs.count)
    return nullptr;
  return ZILNameAt(ps, ZILFuncs(ps)[f].name);
}

// The function a native type numbers `member`, or -1.
ZILLong functionOfMember(ZILState* ps, ZILLong typeID, ZILLong member) {
  for (ZILLong i = 0; i < ps->funcs.count; ++i)
    if (ZILFuncs(ps)[i].typeID == typeID && ZILFuncs(ps)[i].memberIndex == member)
      return i;
  return -1;
}

ZILLong functionAt(ZILState* ps, ZILLong address) {
  for (ZILLong i = 0; i < ps->funcs.count; ++i)
    if (ZILFuncs(ps)[i].codeAddress == address)
      return i;
  return -1;
}

ZILLong functionContaining(ZILState* ps, ZILLong address) {
  for (ZILLong i = 0; i < ps->funcs.count; ++i) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[i];
    if (address >= fi.codeAddress && address < fi.codeAddress + fi.codeSize)
      return i;
  }
  return -1;
}

void addConstant(ZILState* ps, Line& line, ZILLong index) {
  if (index < 0 || index >= ps->data.count) {
    line.add("?");
    return;
  }
  const ZILHandle& d = ZILDataHandles(ps)[index];
  const ZILChar* typeName = ZILGetTypeName(ps, d.type);
  switch (d.type) {
    case ZIL_TYPE_INT: line.add("%s %d", typeName, d.payload.l); return;
    case ZIL_TYPE_FLOAT: line.add("%s %g", typeName, d.payload.f); return;
    case ZIL_TYPE_STRING: {
      // At most 30 characters of the text; control characters as \xNN.
      const ZILChar* text = ZILNameAt(ps, d.payload.l);
      ZILChar shown[30 * 4 + 1];
      size_t n = 0;
      for (int i = 0; i < 30 && text[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f)
          n += static_cast<size_t>(snprintf(shown + n, sizeof shown - n, "\\x%2.2x", c));
        else
          shown[n++] = static_cast<ZILChar>(c);
      }
      shown[n] = 0;
      line.add("%s \"%s\"", typeName, shown);
      return;
    }
    default: line.add("%s", typeName); return;
  }
}

void addType(ZILState* ps, Line& line, ZILLong typeID) {
  if (!ZILTypeValid(ps, typeID)) {
    line.add("type %s", ZILGetTypeName(ps, typeID));
    return;
  }
  const ZILChar* name = ZILGetTypeName(ps, typeID);
  switch (ZILTypes(ps)[typeID].family) {
    case ZIL_FAMILY_CLASS: line.add("class %s", name); break;
    case ZIL_FAMILY_INTERFACE: line.add("interface %s", name); break;
    case ZIL_FAMILY_THREAD: line.add("cofunction %s", name); break;
    case ZIL_FAMILY_DELEGATE: line.add("delegate %s", name); break;
    default: line.add("type %s", name); break;
  }
}

void addOperand(ZILState* ps, Line& line, ZILLong address, ZILLong kind, const ZILLong* w) {
  switch (kind) {
    case ZILK_IMM: line.add("%d", w[0]); break;
    case ZILK_DH: addConstant(ps, line, w[0]); break;
    case ZILK_TYPE: addType(ps, line, w[0]); break;
    case ZILK_OFS:
      line.add("to %d", static_cast<ZILLong>(static_cast<uint32_t>(address) + static_cast<uint32_t>(w[0])));
      break;
    case ZILK_R: line.add("r%d", w[0]); break;
    case ZILK_RD: line.add("(r%d+%d)", w[0], w[1]); break;
    case ZILK_RR: line.add("(r%d+r%d)", w[0], w[1]); break;
    case ZILK_SD: line.add("(sp+%d)", w[0]); break;
    case ZILK_REGS:
      line.add("r%d-r%d", w[0], static_cast<ZILLong>(static_cast<uint32_t>(w[0]) + static_cast<uint32_t>(w[1]) - 1u));
      break;
    default: break;
  }
}

void addComment(ZILState* ps, Line& line, ZILLong opcode, const ZILLong* w) {
  ZILLong f = -1;
  bool qualified = false;
  const ZILChar* prefix = "";
  switch (opcode) {
    case ZOP_CALLM_TYPE_IMM:
      if (ZILTypeValid(ps, w[0]) && !ZILTypes(ps)[w[0]].isNative)
        f = ZILMethodFunction(ps, w[0], w[1]);
      else
        f = functionOfMember(ps, w[0], w[1]);
      qualified = true;
      break;
    case ZOP_CALLN_TYPE_IMM:
      f = functionOfMember(ps, w[0], w[1]);
      qualified = true;
      break;
    case ZOP_JSR_IMM: f = functionAt(ps, w[0]); break;
    case ZOP_NEWCTX_TYPE_IMM_IMM_R:
      f = w[1];
      prefix = "cofunction ";
      break;
    default: return;
  }
  const ZILChar* name = functionName(ps, f);
  if (!name)
    return;
  line.padTo(32);
  // The compiler names methods "Class::name" already; hand-made tables may give the plain name.
  const ZILChar* typeName = ZILGetTypeName(ps, ZILFuncs(ps)[f].typeID);
  const size_t typeLength = strlen(typeName);
  if (qualified && !(strncmp(name, typeName, typeLength) == 0 && strncmp(name + typeLength, "::", 2) == 0))
    line.add(";%s::%s", typeName, name);
  else
    line.add(";%s%s", prefix, name);
}

}  // namespace

ZILLong ZILListInstruction(ZILState* ps, ZILLong address, ZILChar* buffer) {
  if (buffer)
    buffer[0] = 0;
  if (!ps || !buffer || address < 0 || address >= ps->code.count)
    return 0;
  const ZILLong* code = ZILCode(ps);
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(code[address]);
  if (!info || address + info->length > ps->code.count)
    return 0;
  Line line;
  line.add("%d", address);
  line.padTo(8);
  line.add("%s", info->mnemonic);
  line.padTo(24);
  const ZILLong* w = code + address + 1;
  static const ZILLong kWidth[] = {0, 1, 1, 1, 1, 1, 2, 2, 1, 2};
  for (ZILLong i = 0; i < info->operandCount; ++i) {
    if (i > 0)
      line.add(",");
    addOperand(ps, line, address, info->kinds[i], w);
    w += kWidth[info->kinds[i]];
  }
  addComment(ps, line, info->opcode, code + address + 1);
  size_t n = std::min(line.length, static_cast<size_t>(ZIL_LISTING_LINE - 1));
  memcpy(buffer, line.text, n);
  buffer[n] = 0;
  return info->length;
}

ZILError ZILListCode(ZILState* ps, FILE* f) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!f)
    f = stdout;
  ZILChar line[ZIL_LISTING_LINE];
  for (ZILLong address = 0; address < ps->code.count;) {
    ZILLong length = ZILListInstruction(ps, address, line);
    if (length == 0) {
      fputs("ERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n", f);
      break;
    }
    fprintf(f, "%s\n", line);
    address += length;
  }
  return 0;
}

namespace {

// A frame's function as the trace names it (methods of script classes as "Class::name").
void addFunctionName(ZILState* ps, Line& line, ZILLong f) {
  const ZILChar* name = functionName(ps, f);
  line.add("%s", name ? name : "?");
}

// One frame: the function holding `address` and, when known, the source line of `address`.
void listFrame(ZILState* ps, FILE* f, ZILLong number, ZILLong address) {
  Line line;
  line.add("%4d: ", number);
  addFunctionName(ps, line, functionContaining(ps, address));
  line.add("()");
  const ZILChar* file = nullptr;
  ZILLong source = 0;
  if (ZILGetSourceLine(ps, address, &file, &source) == 0)
    line.add(" at %s:%d", file, source);
  fprintf(f, "%s\n", line.text);
}

ZILLong callEntries(const ZILContext* ctx) { return ctx->csp < ctx->callSize ? ctx->callSize - ctx->csp : 0; }

// A cofunction's context leads on to the context that resumed it (its caller); the chain cannot
// loop (a running cofunction is not resumed), but the walk is bounded all the same.
enum {
  kMaxResumers = 1024
};

// Call-stack entries of a trace: those of ctx and of every context it was resumed from, plus
// one for each resume.
ZILLong traceEntries(const ZILContext* ctx) {
  ZILLong n = 0;
  for (int k = 0; ctx && k < kMaxResumers; ctx = ctx->resumer, ++k)
    n += callEntries(ctx) + (ctx->resumer ? 1 : 0);
  return n;
}

// The trace of ctx with `pc` as the current function's address.
void listTrace(ZILState* ps, ZILContext* ctx, ZILLong pc, FILE* f, ZILLong maxFrames) {
  listFrame(ps, f, 0, pc);
  const ZILLong entries = traceEntries(ctx);
  if (entries == 0) {
    fputs("INVALID FUNCTION ADDRESS ERROR\n", f);
    return;
  }
  const ZILLong shown = std::min(entries, std::max<ZILLong>(maxFrames, 0));
  ZILLong number = 0;
  for (int k = 0; ctx && k < kMaxResumers && number < shown; ctx = ctx->resumer, ++k) {
    for (ZILLong i = 0; i < callEntries(ctx) && number < shown; ++i) {
      ZILLong address = ctx->callStack[ctx->csp + i];
      if (address == -1)
        fprintf(f, "%4d: native_entry_point()\n", ++number);
      else
        listFrame(ps, f, ++number, address - 1);  // a return address follows its call
    }
    if (ctx->resumer && number < shown)
      listFrame(ps, f, ++number, ctx->resumer->pc - 1);  // the resume, like a call
  }
  if (shown < entries)
    fprintf(f, "      ... %d more calls left out\n", entries - shown);
}

}  // namespace

ZILError ZILListCallTrace(ZILState* ps, ZILContext* ctx, FILE* f, ZILLong maxFrames) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!f)
    f = stdout;
  if (!ctx)
    ctx = ps->current ? ps->current : ps->root;
  if (!ctx) {
    fputs("INVALID FUNCTION ADDRESS ERROR\n", f);
    return 0;
  }
  listTrace(ps, ctx, ctx->pc, f, maxFrames);
  return 0;
}

ZILError ZILListCallStack(ZILState* ps, ZILContext* ctx, FILE* f) {
  return ZILListCallTrace(ps, ctx, f, ZIL_TRACE_FRAMES);
}

ZILError ZILListExceptionTrace(ZILState* ps, FILE* f, ZILLong maxFrames) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!f)
    f = stdout;
  ZILContext* ctx = ps->current ? ps->current : ps->root;
  const ZILLong entries = ctx ? traceEntries(ctx) : 0;
  fprintf(f, "Tracing back last %d calls on callstack:\n", std::min(entries, std::max<ZILLong>(maxFrames, 0)));
  if (!ctx) {
    fputs("INVALID FUNCTION ADDRESS ERROR\n", f);
    return 0;
  }
  // The context's pc is already past the faulting instruction, which may be the last one of
  // its function: the trace starts at the fault itself.
  listTrace(ps, ctx, ps->exceptionPC, f, maxFrames);
  return 0;
}

namespace {

// Functions with code, by address, so a listing meets their starts in order.
struct FunctionStarts {
  ZILState* ps;
  ZILLong* order = nullptr;  // function indexes
  ZILLong count = 0;
  ZILLong next = 0;

  explicit FunctionStarts(ZILState* state) : ps(state) {
    if (ps->funcs.count <= 0)
      return;
    order = static_cast<ZILLong*>(ZILAlloc(ps, sizeof(ZILLong) * static_cast<size_t>(ps->funcs.count)));
    if (!order)
      return;  // the listing goes on without labels
    for (ZILLong i = 0; i < ps->funcs.count; ++i)
      if (ZILFuncs(ps)[i].codeSize > 0)
        order[count++] = i;
    const ZILFuncInfo* funcs = ZILFuncs(ps);
    std::stable_sort(order, order + count,
                     [funcs](ZILLong a, ZILLong b) { return funcs[a].codeAddress < funcs[b].codeAddress; });
  }
  ~FunctionStarts() { ZILFree(ps, order); }
  FunctionStarts(const FunctionStarts&) = delete;
  FunctionStarts& operator=(const FunctionStarts&) = delete;

  // The function whose code starts at address, or -1; addresses must come in increasing order.
  ZILLong startingAt(ZILLong address) {
    while (next < count && ZILFuncs(ps)[order[next]].codeAddress < address)
      ++next;
    if (next < count && ZILFuncs(ps)[order[next]].codeAddress == address)
      return order[next++];
    return -1;
  }
};

void listSourceLine(FILE* f, const ZILChar* file, ZILLong line, ZILSourceTextProc sourceText, void* user) {
  Line comment;
  comment.add("; %s:%d", file, line);
  ZILChar text[256];
  text[0] = 0;
  if (sourceText && ZILGuardedCall([&] { return sourceText(user, file, line, text, sizeof text); }) == 0) {
    text[sizeof text - 1] = 0;
    const ZILChar* shown = text;
    while (*shown == ' ' || *shown == '\t')
      ++shown;
    size_t n = strlen(shown);
    while (n > 0 && (shown[n - 1] == '\n' || shown[n - 1] == '\r' || shown[n - 1] == ' ' || shown[n - 1] == '\t'))
      --n;
    // A long line (a generated prelude may be one) is cut, so the listing stays readable.
    const size_t kShownText = 100;
    if (n > kShownText)
      comment.add(": %.*s...", static_cast<int>(kShownText), shown);
    else if (n > 0)
      comment.add(": %.*s", static_cast<int>(n), shown);
  }
  fprintf(f, "%s\n", comment.text);
}

}  // namespace

ZILError ZILListCodeWithSource(ZILState* ps, FILE* f, ZILSourceTextProc sourceText, void* user) {
  if (!ps)
    return ZIL_ERR_Illegal_Argument;
  if (!f)
    f = stdout;
  FunctionStarts starts(ps);
  ZILChar line[ZIL_LISTING_LINE];
  const ZILChar* lastFile = nullptr;
  ZILLong lastLine = 0;
  for (ZILLong address = 0; address < ps->code.count;) {
    ZILLong length = ZILListInstruction(ps, address, line);
    if (length == 0) {
      fputs("ERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n", f);
      break;
    }
    ZILLong function = starts.startingAt(address);
    if (function >= 0) {
      Line label;
      addFunctionName(ps, label, function);
      fprintf(f, "%s:\n", label.text);
      lastFile = nullptr;  // a function shows its first line even when it continues the last one
    }
    const ZILChar* file = nullptr;
    ZILLong source = 0;
    if (ZILGetSourceLine(ps, address, &file, &source) != 0) {
      lastFile = nullptr;
    } else if (file != lastFile || source != lastLine) {
      listSourceLine(f, file, source, sourceText, user);
      lastFile = file;
      lastLine = source;
    }
    fprintf(f, "%s\n", line);
    address += length;
  }
  return 0;
}

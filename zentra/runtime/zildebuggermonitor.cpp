// zildebuggermonitor.cpp - the monitor: the exception vector the debugger installs. It connects
// to its client the first time, takes the breakpoints out of the code, shows the exception and
// the instruction, and runs commands until one continues (the pending code is cleared) or aborts
// (the code stays and the run ends with it). Breakpoints are `brk` instructions patched into the
// code while scripts run; slot 0 is the one-shot breakpoint of the step commands.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zildebugger_internal.h"

namespace {

const char kBanner[] = "*** ZILDebugger library version 1.0.3.2 ***\n";
const char kHelp[] =
    "Monitor commands:\n? <op>       Evaluate operand, eg: ? (r3+r4)\nc            Continue execution\ncbp <addr>   "
    "Clear (remove) breakpoint\nd <s> <n>    Dump data from <s>, <n> bytes\ne            Show exception info\nh <n>  "
    "      List handle <n>\ni            List current instruction\nl <s> <e>    List code from <s> to <e>\nlc <n>     "
    "  List callstack\nlf <file>    List code to file\nlr           List registers\nq            Abort execution\nr "
    "<n>        List handle from register <n>\ns            State\nsbp <addr>   Set and enable breakpoint\nstout      "
    "  Step out of function\nstovr        Step over function\nt-           Trace mode off\nt+           Trace mode "
    "on\nw            Clear screen (wipe)\n";

enum class Outcome {
  Stay,
  Continue,
  Abort
};

bool traceMode(const ZILDebugger* d) { return d->trace && (d->state->runtimeFlags & ZIL_FLAG_TRACE); }

void sendEscape(ZILDebugSession& s, const char* sequence) {
  if (!s.d->noEscapes)
    ZILDebugPrintf(s.out, "\x1b%s", sequence);
}

// A request line of HTTP: a web page made the browser talk to the monitor's port.
bool looksLikeWebRequest(const std::string& line) {
  size_t verb = 0;
  while (verb < line.size() && isupper(static_cast<unsigned char>(line[verb])))
    ++verb;
  return verb > 0 && verb < line.size() && line[verb] == ' ' && line.find(" HTTP/", verb) != std::string::npos;
}

std::vector<std::string> splitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isspace(static_cast<unsigned char>(line[i])))
      ++i;
    size_t start = i;
    while (i < line.size() && !isspace(static_cast<unsigned char>(line[i])))
      ++i;
    if (i > start)
      words.emplace_back(line, start, i - start);
  }
  return words;
}

// The code address a command names: an instruction start inside the code, else -1.
ZILLong codeAddress(ZILDebugSession& s, const std::vector<std::string>& words) {
  if (words.size() < 2)
    return -1;
  int64_t address = ZILDebugNumber(words[1]);
  if (address < 0 || address >= s.ps->code.count || !ZILDebugInstructionStart(s.ps, static_cast<ZILLong>(address)))
    return -1;
  return static_cast<ZILLong>(address);
}

void setBreakpoint(ZILDebugSession& s, const std::vector<std::string>& words) {
  ZILLong address = codeAddress(s, words);
  int slot = -1;
  bool taken = false;
  for (int i = 1; i < ZIL_DEBUG_BREAKPOINTS; ++i)
    taken = taken || (s.d->breakpoints[i].inUse && s.d->breakpoints[i].address == address);
  for (int i = 1; address >= 0 && !taken && slot < 0 && i < ZIL_DEBUG_BREAKPOINTS; ++i)
    if (!s.d->breakpoints[i].inUse)
      slot = i;
  if (slot > 0)
    s.d->breakpoints[slot] = ZILBreakpoint{address, 0, false, true, true, s.ps};
  ZILDebugPrintf(s.out, "%d\n", slot);
}

void clearBreakpoint(ZILDebugSession& s, const std::vector<std::string>& words) {
  int64_t address = words.size() >= 2 ? ZILDebugNumber(words[1]) : -1;
  int slot = -1;
  for (int i = 1; i < ZIL_DEBUG_BREAKPOINTS && slot < 0; ++i)
    if (s.d->breakpoints[i].inUse && s.d->breakpoints[i].address == address) {
      s.d->breakpoints[i] = ZILBreakpoint{};
      slot = i;
    }
  ZILDebugPrintf(s.out, "%d\n", slot);
}

// The one-shot breakpoint of the step commands; none outside the code.
void setStepBreakpoint(ZILDebugSession& s, ZILLong address) {
  if (address >= 0 && address < s.ps->code.count)
    s.d->breakpoints[0] = ZILBreakpoint{address, 0, false, true, true, s.ps};
}

// Step out: to the return address on top of the call stack (-1 returns to native code).
void stepOut(ZILDebugSession& s) {
  ZILContext* ctx = s.ctx;
  if (ctx && ctx->csp >= 0 && ctx->csp < ctx->callSize && ctx->callStack[ctx->csp] != -1)
    setStepBreakpoint(s, ctx->callStack[ctx->csp]);
}

// Step over: the instruction execution resumes at runs whole, calls included (every `jsr` form,
// `calls`, `callm`, `calln`, `calldg`, `resume`), and the monitor is entered at the instruction
// after it. Instructions that do not go on to the next one (branches, `ret`, `yield`, `throw`,
// `brk`) just continue: without trace exceptions there is no telling where they lead.
void stepOver(ZILDebugSession& s) {
  ZILLong pc = s.ctx ? s.ctx->pc : -1;
  ZILLong length = ZILDebugInstructionLength(s.ps, pc);
  if (length == 0)
    return;
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(ZILCode(s.ps)[pc]);
  for (int k = 0; k < info->operandCount; ++k)
    if (info->kinds[k] == ZILK_OFS)
      return;
  switch (info->opcode) {
    case ZOP_BRA_OFS:
    case ZOP_RET:
    case ZOP_YIELD:
    case ZOP_THROW:
    case ZOP_BRK: return;
    default: setStepBreakpoint(s, pc + length);
  }
}

// Arms every breakpoint that is in use, enabled and not patched, except one at the address
// execution resumes from: a breakpoint just hit lets its own instruction run first.
void armBreakpoints(ZILDebugger* d) {
  ZILState* ps = d->state;
  for (ZILBreakpoint& bp : d->breakpoints) {
    if (!bp.inUse || !bp.enabled || bp.patched || bp.address < 0 || bp.address >= ps->code.count ||
        bp.address == ps->exceptionPC)
      continue;
    bp.saved = ZILCode(ps)[bp.address];
    ZILCode(ps)[bp.address] = ZOP_BRK;
    bp.patched = true;
  }
}

// Connects the monitor's client (and the console's) when not connected yet.
bool connectClient(ZILDebugger* d) {
  if (d->monitor.fd >= 0)
    return true;
  fputs(kBanner, stdout);
  fflush(stdout);
  if (!ZILDebugOpenServers(d)) {
    fprintf(stderr, "ZILDebugger: the monitor has no connection\n");
    return false;
  }
  printf("Listening to port %d on localhost\nWaiting for client to connect...\n", d->monitor.port);
  fflush(stdout);
  if (!ZILDebugAccept(&d->monitor))
    return false;
  ZILDebugPrintf(&d->monitor, "%s\nConnected to ZILConsole client on port %d\n", kBanner, d->monitor.port);
  return d->monitor.fd >= 0;
}

Outcome runCommand(ZILDebugSession& s, const std::string& line) {
  std::vector<std::string> words = splitWords(line);
  if (words.empty())
    return traceMode(s.d) ? Outcome::Continue : Outcome::Stay;
  std::string command = words[0];
  for (char& c : command)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (command == "?") {
    ZILDebugEvaluate(s, line.substr(line.find('?') + 1));
  } else if (command == "c") {
    return Outcome::Continue;
  } else if (command == "cbp") {
    clearBreakpoint(s, words);
  } else if (command == "d") {
    ZILDebugDump(s, words);
  } else if (command == "e") {
    ZILDebugShowException(s);
  } else if (command == "h") {
    ZILDebugShowPoolHandle(s, words);
  } else if (command == "i") {
    ZILDebugShowInstruction(s, s.faultPC);
  } else if (command == "l") {
    ZILDebugListCode(s, words);
  } else if (command == "lc") {
    ZILDebugListCallStack(s, words);
  } else if (command == "lf") {
    ZILDebugListToFile(s, words);
  } else if (command == "lr") {
    ZILDebugListRegisters(s);
  } else if (command == "q") {
    s.d->trace = false;
    return Outcome::Abort;
  } else if (command == "r") {
    ZILDebugShowRegister(s, words);
  } else if (command == "s") {
    ZILDebugShowState(s);
  } else if (command == "sbp") {
    setBreakpoint(s, words);
  } else if (command == "stout") {
    stepOut(s);
    return Outcome::Continue;
  } else if (command == "stovr") {
    stepOver(s);
    return Outcome::Continue;
  } else if (command == "t-" || command == "t+") {
    s.d->trace = command == "t+";
  } else if (command == "w") {
    sendEscape(s, "C");
    sendEscape(s, "H");
  } else if (command == "noesc") {
    s.d->noEscapes = true;
  } else {
    ZILDebugSendText(s.out, kHelp);
  }
  return Outcome::Stay;
}

Outcome commandLoop(ZILDebugSession& s) {
  std::string line;
  for (;;) {
    if (!ZILDebugSend(s.out, "[mon] ", 6) || !ZILDebugReadLine(s.out, &line)) {
      fprintf(stderr, "ZILDebugger: the monitor client disconnected; execution is aborted\n");
      return Outcome::Abort;
    }
    if (looksLikeWebRequest(line)) {
      fprintf(stderr, "ZILDebugger: a web request reached the monitor port; execution is aborted\n");
      ZILDebugDropClient(s.out);
      return Outcome::Abort;
    }
    Outcome outcome = runCommand(s, line);
    if (outcome != Outcome::Stay)
      return outcome;
  }
}

ZILLong vectorOf(ZILError code) {
  switch (code) {
    case ZIL_EXC_Software: return ZIL_VECTOR_SOFTWARE;
    case ZIL_EXC_Trace: return ZIL_VECTOR_TRACE;
    case ZIL_EXC_Break: return ZIL_VECTOR_BREAK;
    default: return ZIL_VECTOR_MACHINE;
  }
}

}  // namespace

void ZILDebugRemoveBreakpoints(ZILDebugger* d, bool restorePC) {
  ZILState* ps = d->state;
  for (ZILBreakpoint& bp : d->breakpoints) {
    if (!bp.patched)
      continue;
    if (bp.address >= 0 && bp.address < ps->code.count && ZILCode(ps)[bp.address] == ZOP_BRK)
      ZILCode(ps)[bp.address] = bp.saved;
    bp.patched = false;
    ZILContext* ctx = ps->current ? ps->current : ps->root;
    if (restorePC && bp.enabled && ctx && bp.address == ps->exceptionPC)
      ctx->pc = bp.address;
  }
  d->breakpoints[0] = ZILBreakpoint{0, 0, false, false, true, ps};
}

void ZILDebugMonitor(ZILState* ps) {
  ZILDebugger* d = ZILDebuggerOf(ps);
  if (!d)
    return;
  ZILDebugRemoveBreakpoints(d, true);
  ZILDebugSession s{d, ps, ps->current ? ps->current : ps->root, ps->exceptionPC, &d->monitor};
  Outcome outcome = Outcome::Abort;
  if (connectClient(d)) {
    ZILDebugOpenConsole(d);
    if (!traceMode(d)) {
      ZILDebugSend(s.out, "\n", 1);
      for (const char* sequence : {"El", "c1", "K0", "XTOP"})
        sendEscape(s, sequence);
      ZILDebugShowException(s);
    }
    ZILDebugShowInstruction(s, s.faultPC);
    outcome = commandLoop(s);
  } else {
    fprintf(stderr, "ZILDebugger: no monitor client; execution is aborted\n");
  }
  armBreakpoints(d);
  if (outcome == Outcome::Continue) {
    ps->pendingException = 0;
    return;
  }
  // Aborted: the host's own vector still reports the exception, as it would without a debugger.
  d->trace = false;
  if (ZILExceptionVector previous = d->previous[vectorOf(ps->pendingException)])
    previous(ps);
}

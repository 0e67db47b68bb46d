// zildebugger.cpp - the `debugger` native class: one debugger record per state, made when the
// class is initialised (the first run of a program that imports it), which installs the monitor
// as all four exception vectors and keeps the ones it found; they are put back when the class
// is terminated or unregistered. The class's functions break into the monitor and give scripts
// a console on the debugger's second TCP port.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "zildebugger_internal.h"
#include "ziltools.h"

namespace {

const ZILChar kDeclaration[] =
    "function\t\t\tdebug();function\t\t\toutput(const string);function string\tinput();function\t\t\topen();";
enum {
  kDebug = 0,
  kOutput = 1,
  kInput = 2,
  kOpen = 3
};

std::atomic<int> gPort{-1};

// States are owned by one thread each, but a process may run several on different threads.
std::mutex gDebuggersLock;
std::vector<ZILDebugger*> gDebuggers;

int configuredPort() {
  int port = gPort.load();
  if (port >= 0)
    return port;
  const char* text = getenv(ZIL_DEBUGGER_PORT_VARIABLE);
  if (text && *text) {
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (*end == 0 && value >= 0 && value <= 65534)
      return static_cast<int>(value);
    fprintf(stderr, "ZILDebugger: %s=%s is not a port from 0 to 65534; using %d\n", ZIL_DEBUGGER_PORT_VARIABLE, text,
            ZIL_DEBUGGER_DEFAULT_PORT);
  }
  return ZIL_DEBUGGER_DEFAULT_PORT;
}

ZILError install(ZILState* ps) {
  if (ZILDebuggerOf(ps))
    return 0;
  auto* d = new ZILDebugger;
  d->state = ps;
  d->port = configuredPort();
  for (int i = 0; i < 4; ++i) {
    d->previous[i] = ps->vectors[i];
    ps->vectors[i] = ZILDebugMonitor;
  }
  std::lock_guard<std::mutex> lock(gDebuggersLock);
  gDebuggers.push_back(d);
  return 0;
}

// Takes the debugger out of its state: the code gets its instructions back, the vectors that
// were there before return (unless a host replaced the monitor since), the servers close.
void remove(ZILState* ps) {
  ZILDebugger* d = nullptr;
  {
    std::lock_guard<std::mutex> lock(gDebuggersLock);
    for (size_t i = 0; i < gDebuggers.size(); ++i)
      if (gDebuggers[i]->state == ps) {
        d = gDebuggers[i];
        gDebuggers.erase(gDebuggers.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
  }
  if (!d)
    return;
  ZILDebugRemoveBreakpoints(d, false);
  for (int i = 0; i < 4; ++i)
    if (ps->vectors[i] == ZILDebugMonitor)
      ps->vectors[i] = d->previous[i];
  ZILDebugCloseServer(&d->monitor);
  ZILDebugCloseServer(&d->console);
  delete d;
}

ZILError output(ZILDebugger* d, ZILState* ps) {
  std::string text(NTLGetArgString(ps, 0), static_cast<size_t>(NTLGetArgStringLength(ps, 0)));
  text += '\n';
  if (d->console.fd >= 0 && ZILDebugSendText(&d->console, text))
    return 0;
  d->output += text;
  // Kept bounded: the newest output is what a client arriving late wants to see.
  if (d->output.size() > ZIL_DEBUG_OUTPUT_LIMIT)
    d->output.erase(0, d->output.size() - ZIL_DEBUG_OUTPUT_LIMIT);
  return 0;
}

ZILError input(ZILDebugger* d, ZILState* ps) {
  std::string line;
  if (ZILDebugOpenConsole(d) && ZILDebugSend(&d->console, "INPUT> ", 7) && !ZILDebugReadLine(&d->console, &line))
    fprintf(stderr, "ZILDebugger: the console client disconnected\n");
  return NTLReturnStringBytes(ps, line.data(), static_cast<ZILLong>(line.size()));
}

ZILError callStatic(ZILState* ps, ZILLong function) {
  ZILDebugger* d = ZILDebuggerOf(ps);
  if (!d)
    return ZIL_ERR_Unsupported_Native_Call;
  switch (function) {
    case kDebug: return ZIL_EXC_Break;
    case kOutput: return output(d, ps);
    case kInput: return input(d, ps);
    case kOpen: ZILDebugOpenConsole(d); return 0;
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILDebugger* ZILDebuggerOf(ZILState* ps) {
  std::lock_guard<std::mutex> lock(gDebuggersLock);
  for (ZILDebugger* d : gDebuggers)
    if (d->state == ps)
      return d;
  return nullptr;
}

bool ZILDebugOpenConsole(ZILDebugger* d) {
  if (d->console.fd < 0) {
    if (!ZILDebugOpenServers(d) && d->console.listenFd < 0)
      return false;
    if (d->console.listenFd < 0)
      return false;
    printf("Console listening to port %d on localhost\nWaiting for console client to connect...\n", d->console.port);
    fflush(stdout);
    if (!ZILDebugAccept(&d->console))
      return false;
  }
  if (!d->output.empty() && ZILDebugSendText(&d->console, d->output))
    d->output.clear();
  return d->console.fd >= 0;
}

ZILError ZILDebuggerSetPort(ZILLong port) {
  if (port < -1 || port > 65534)
    return ZIL_ERR_Illegal_Argument;
  gPort.store(port);
  return 0;
}

ZILError ZILDebuggerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn,
                             ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_Register: return 0;
    case NTL_Initialize: return inst && inst->state ? install(inst->state) : ZIL_ERR_Illegal_Argument;
    case NTL_Terminate:
      if (inst && inst->state)
        remove(inst->state);
      return 0;
    case NTL_Unregister:
      // The state comes as the data (none from older hosts): a run that failed before the
      // terminate message still gets its vectors back here.
      if (pDataIn)
        remove(static_cast<ZILState*>(pDataIn));
      return 0;
    case NTL_CallStatic: return callStatic(NTLInstanceGetVM(inst), param);
    case NTL_GetClassName: *ppDataOut = const_cast<ZILChar*>("debugger"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_GetAuthorVersion: return 1;
    case NTL_GetBuildTimeStamp: *ppDataOut = const_cast<ZILChar*>("14.03.2006"); return 0;
    case NTL_GetAuthorName: *ppDataOut = const_cast<ZILChar*>("Sonabel"); return 0;
    case NTL_GetAuthorString: *ppDataOut = const_cast<ZILChar*>("A script debugging tool."); return 0;
    case NTL_GetDeclString: *ppDataOut = const_cast<ZILChar*>(kDeclaration); return 0;
    case NTL_GetPackageString: *ppDataOut = const_cast<ZILChar*>(""); return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

// zildebugger_internal.h - the debugger's record, shared by its three files: the class and its
// exception vector (zildebugger.cpp), the two TCP servers (zildebuggernet.cpp) and the monitor's
// commands (zildebuggermonitor.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zildebugger.h"
#include "zilinternal.h"

// One listening socket and the client it accepted. Lines arrive through inbox.
struct ZILDebugServer {
  int listenFd = -1;
  int fd = -1;  // the client, -1 while none is connected
  int port = 0;
  std::string inbox;  // bytes received after the last complete line
};

enum {
  ZIL_DEBUG_BREAKPOINTS = 10,      // slot 0 is the one-shot step slot
  ZIL_DEBUG_OUTPUT_LIMIT = 65536,  // script output kept while no console client is connected
  ZIL_DEBUG_LINE_LIMIT = 4096,     // longest line read from a client; the rest is dropped
};

struct ZILBreakpoint {
  ZILLong address;
  ZILLong saved;  // the instruction word the `brk` replaced while patched
  bool patched;
  bool enabled;
  bool inUse;
  ZILState* state;
};

struct ZILDebugger {
  ZILState* state = nullptr;
  ZILDebugServer monitor;
  ZILDebugServer console;
  ZILExceptionVector previous[4] = {};   // the vectors found when the debugger was installed
  int port = ZIL_DEBUGGER_DEFAULT_PORT;  // monitor port; the console's is port + 1; 0: any free pair
  bool serversOpen = false;              // both listeners were tried
  ZILBreakpoint breakpoints[ZIL_DEBUG_BREAKPOINTS] = {};
  bool trace = false;
  bool noEscapes = false;
  std::string output;        // script output waiting for a console client
  ZILLong nextListing = -1;  // where `l` without arguments goes on
};

// The debugger of a state, none when the class was not initialised for it.
ZILDebugger* ZILDebuggerOf(ZILState* ps);

// Servers (zildebuggernet.cpp). Both listeners are opened together, so that with port 0 the
// console gets the port after the monitor's; false when the monitor's could not be opened
// (the reason is on standard error).
bool ZILDebugOpenServers(ZILDebugger* d);
// Waits for a client; false when the server cannot accept (no listener, or accept failed).
bool ZILDebugAccept(ZILDebugServer* s);
// Sends the bytes; false (and the client is dropped) when the client is gone.
bool ZILDebugSend(ZILDebugServer* s, const char* text, size_t length);
bool ZILDebugSendText(ZILDebugServer* s, const std::string& text);
bool ZILDebugPrintf(ZILDebugServer* s, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The next line without its "\n" and "\r"; false when the client closed the connection or failed
// (it is dropped then).
bool ZILDebugReadLine(ZILDebugServer* s, std::string* line);
void ZILDebugDropClient(ZILDebugServer* s);
void ZILDebugCloseServer(ZILDebugServer* s);

// The console: waits for a client when none is connected, then sends the buffered output.
bool ZILDebugOpenConsole(ZILDebugger* d);

// The monitor (zildebuggermonitor.cpp): the exception vector the debugger installs.
void ZILDebugMonitor(ZILState* ps);
// Puts the saved instruction words back (monitor entry, and when the debugger goes).
void ZILDebugRemoveBreakpoints(ZILDebugger* d, bool restorePC);

// One stay in the monitor: the exception it was entered with and the connection it talks to.
struct ZILDebugSession {
  ZILDebugger* d;
  ZILState* ps;
  ZILContext* ctx;      // the context that faulted
  ZILLong faultPC;      // the faulting instruction
  ZILDebugServer* out;  // the monitor's client
};

// Numbers typed by the user: decimal, "-" for negative, "$" and hexadecimal digits, "on"/"true"
// (1) and "off"/"false" (0); any other word counts as 0. Wide, so a huge number stays huge and
// fails the range checks instead of wrapping.
int64_t ZILDebugNumber(const std::string& word);
// The length of the instruction at address, 0 for an unknown opcode or one past the code's end.
ZILLong ZILDebugInstructionLength(ZILState* ps, ZILLong address);
// Whether an instruction starts at address (decoded from the start of the function holding it).
bool ZILDebugInstructionStart(ZILState* ps, ZILLong address);

// The monitor's display commands (zildebuggerviews.cpp); words[0] is the command.
void ZILDebugShowInstruction(ZILDebugSession& s, ZILLong address);
void ZILDebugShowException(ZILDebugSession& s);
void ZILDebugEvaluate(ZILDebugSession& s, const std::string& operand);
void ZILDebugDump(ZILDebugSession& s, const std::vector<std::string>& words);
void ZILDebugShowPoolHandle(ZILDebugSession& s, const std::vector<std::string>& words);
void ZILDebugShowRegister(ZILDebugSession& s, const std::vector<std::string>& words);
void ZILDebugListRegisters(ZILDebugSession& s);
void ZILDebugShowState(ZILDebugSession& s);
void ZILDebugListCode(ZILDebugSession& s, const std::vector<std::string>& words);
void ZILDebugListCallStack(ZILDebugSession& s, const std::vector<std::string>& words);
void ZILDebugListToFile(ZILDebugSession& s, const std::vector<std::string>& words);

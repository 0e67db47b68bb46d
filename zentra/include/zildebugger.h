// zildebugger.h - the `debugger` native class: a break-in function and a text console for
// scripts, and a monitor that every exception of the runtime enters once a program imports the
// class. The monitor and the console talk to clients over TCP on 127.0.0.1 (monitor port, and
// the console on the port after it); `zentra debug` is such a client. Hosts register the class
// with ZILRegisterNativeType like any other.
#pragma once

#include "zilapi.h"

ZILError ZILDebuggerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn,
                             ZILUnknown** ppDataOut);

// The monitor port when neither ZILDebuggerSetPort nor the environment chooses one.
enum {
  ZIL_DEBUGGER_DEFAULT_PORT = 5000
};
// Environment variable read when no port was set: a port from 0 to 65534.
#define ZIL_DEBUGGER_PORT_VARIABLE "SONABEL_DEBUG_PORT"

// The monitor port of debuggers initialised from now on (the console listens on port + 1).
// 0 lets the system choose a free pair of ports, announced on standard output when the monitor
// starts listening; -1 goes back to the environment variable or the default.
// ZIL_ERR_Illegal_Argument outside -1 ... 65534.
ZILError ZILDebuggerSetPort(ZILLong port);

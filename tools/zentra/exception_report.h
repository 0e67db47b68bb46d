// How `zentra` reports what went wrong at run time: the virtual machine's exception line with a
// trace of the call stack, written to standard error.
#pragma once

#include "zilapi.h"

namespace ZTools {

// What the host remembers about the run; ps->user points at it while the script runs.
struct ZentraRunState {
  bool exceptionReported = false;
};

// Installs the reporter as the runtime's exception vectors. The vectors leave the exception
// pending, so the run ends with its code.
void InstallExceptionReporter(ZILState* ps, ZentraRunState* run);

// Writes "VIRTUAL MACHINE EXCEPTION AT pc: code text" for an exception no vector saw (a failure
// reported only by its code).
void ReportExceptionCode(ZILState* ps, ZILError code);

// Describes the object a script threw and nothing caught: its type and error code.
void ReportThrownObject(ZILState* ps, ZILHandle* thrown);

}  // namespace ZTools

// Runtime exceptions in `zentra`: every exception vector points at one reporter, which writes the
// exception line and the call-stack trace (function, file and line of the fault and of every
// caller) while the faulting context is still current, then leaves the code pending so the run
// ends.
#include "tools/zentra/exception_report.h"

#include <cstdio>

#include "tools/zentra/console_class.h"
#include "ziltools.h"

namespace ZTools {

namespace {

void reportPending(ZILState* ps) {
  auto* run = static_cast<ZentraRunState*>(ps->user);
  if (run)
    run->exceptionReported = true;
  std::fflush(stdout);
  ZILError code = ps->pendingException;
  std::fprintf(stderr, "VIRTUAL MACHINE EXCEPTION AT %d: %d %s\n", ps->exceptionPC, code, ZILGetExceptionString(code));
  ZILListExceptionTrace(ps, stderr, ZIL_TRACE_FRAMES);
}

}  // namespace

void InstallExceptionReporter(ZILState* ps, ZentraRunState* run) {
  ps->user = run;
  for (ZILExceptionVector& vector : ps->vectors)
    vector = reportPending;
}

void ReportExceptionCode(ZILState* ps, ZILError code) {
  std::fflush(stdout);
  std::fprintf(stderr, "VIRTUAL MACHINE EXCEPTION AT %d: %d %s\n", ps->exceptionPC, code, ZILGetExceptionString(code));
}

void ReportThrownObject(ZILState* ps, ZILHandle* thrown) {
  if (!thrown || thrown->type == ZIL_TYPE_NULL)
    return;
  std::string what = thrown->type == ZIL_TYPE_EXCEPTION ? "<exception>" : ConsoleValueText(ps, thrown);
  std::fprintf(stderr, "Thrown object: %s, error %d\n", what.c_str(), NTLHandleToError(ps, thrown));
}

}  // namespace ZTools

// Runtime exceptions in `zentra`: every exception vector points at one reporter, which writes the
// exception line and the call-stack trace while the faulting context is still current, then
// leaves the code pending so the run ends.
#include "tools/zentra/exception_report.h"

#include <cstdio>

#include "tools/zentra/console_class.h"
#include "ziltools.h"

namespace ZTools {

namespace {

void reportPending(ZILState* ps)
{
    auto* run = static_cast<ZentraRunState*>(ps->user);
    if (run)
        run->exceptionReported = true;
    std::fflush(stdout);
    ZILError code = ps->pendingException;
    std::fprintf(stderr, "VIRTUAL MACHINE EXCEPTION AT %d: %d %s\n", ps->exceptionPC, code,
                 ZILGetExceptionString(code));
    std::fputs("Tracing back last 10 calls on callstack:\n", stderr);
    // The context's pc is already past the faulting instruction, which may be the last one of
    // its function: the trace names the function of the fault itself.
    ZILContext* ctx = ps->current ? ps->current : ps->root;
    if (!ctx) {
        ZILListCallStack(ps, nullptr, stderr);
        return;
    }
    ZILLong resume = ctx->pc;
    ctx->pc = ps->exceptionPC;
    ZILListCallStack(ps, ctx, stderr);
    ctx->pc = resume;
}

}  // namespace

void InstallExceptionReporter(ZILState* ps, ZentraRunState* run)
{
    ps->user = run;
    for (ZILExceptionVector& vector : ps->vectors)
        vector = reportPending;
}

void ReportExceptionCode(ZILState* ps, ZILError code)
{
    std::fflush(stdout);
    std::fprintf(stderr, "VIRTUAL MACHINE EXCEPTION AT %d: %d %s\n", ps->exceptionPC, code,
                 ZILGetExceptionString(code));
}

void ReportThrownObject(ZILState* ps, ZILHandle* thrown)
{
    if (!thrown || thrown->type == ZIL_TYPE_NULL)
        return;
    std::string what = thrown->type == ZIL_TYPE_EXCEPTION ? "<exception>" : ConsoleValueText(ps, thrown);
    std::fprintf(stderr, "Thrown object: %s, error %d\n", what.c_str(), NTLHandleToError(ps, thrown));
}

}  // namespace ZTools

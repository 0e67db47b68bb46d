// The script classes Timer, Delay and StopWatch: time measurement on the program's monotonic
// millisecond clock, which is 64 bits wide and never wraps. Timer registers the other two.
#include <cstdint>
#include <new>

#include "bindings/zscriptclassinfo.h"
#include "bindings/zutilityclasses.h"
#include "platform/clock.h"
#include "ziltools.h"

namespace ZTools {
namespace {

constexpr ZScriptClassInfo kTimer = {"Timer", "Delay,StopWatch", "03.03.2011",
                                     "A timer class suitable for measuring the time delta between two events.",
                                     "function float GetTickCount ();method Timer ();method float TickDifference ();"};
constexpr ZScriptClassInfo kDelay = {
    "Delay", "", "03.03.2011", "A timer class that is triggered when a user defined delay time has elapsed.",
    "method Delay (); method Start (float delay);method Start (float delay, int retrig);method Stop ();method int "
    "Elapsed ();"};
constexpr ZScriptClassInfo kStopWatch = {
    "StopWatch", "", "03.03.2011", "A timer class suitable for absolute time-measurements.",
    "method StopWatch ();method Start ();method Stop ();method float ElapsedMilliseconds ();"};

ZILFloat Since(uint64_t then, uint64_t now) { return ZILFloat(now - then); }

struct TimerRecord {
  uint64_t last = Platform::NowMs();
};

// `started` rather than a start time of 0 tells whether the delay runs: the clock may read 0.
struct DelayRecord {
  uint64_t start = 0;
  ZILFloat delay = 0.0;
  bool started = false;
  bool retrigger = false;
};

// Elapsed time runs while `running`; after a stop it is the fixed stop - start.
struct StopWatchRecord {
  uint64_t start = 0;
  uint64_t stop = 0;
  bool running = false;
};

ZILError CallTimer(ZILState* ps, ZILLong function, TimerRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  const uint64_t now = Platform::NowMs();
  switch (function) {
    case 1: r->last = now; return 0;
    case 2: {
      const ZILFloat difference = Since(r->last, now);
      r->last = now;
      return NTLReturnFloat(ps, difference);
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallDelay(ZILState* ps, ZILLong function, DelayRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  const uint64_t now = Platform::NowMs();
  switch (function) {
    case 0: *r = DelayRecord{}; return 0;
    case 1:
    case 2:
      // A NaN delay compares false below, so such a delay never elapses.
      *r = DelayRecord{now, NTLGetArgFloat(ps, 0), true, function == 2 && (NTLGetArgInt(ps, 1) & 0xff) != 0};
      return 0;
    case 3: r->started = false; return 0;
    case 4: {
      const bool elapsed = r->started && ZILFloat(now) > ZILFloat(r->start) + r->delay;
      if (elapsed && r->retrigger)
        r->start = now;
      return NTLReturnInt(ps, elapsed ? 1 : 0);
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStopWatch(ZILState* ps, ZILLong function, StopWatchRecord* r) {
  if (!r)
    return ZIL_EXC_Null_Reference;
  const uint64_t now = Platform::NowMs();
  switch (function) {
    case 0: *r = StopWatchRecord{}; return 0;
    case 1: *r = StopWatchRecord{now, now, true}; return 0;
    case 2:
      if (r->running)
        *r = StopWatchRecord{r->start, now, false};
      return 0;
    case 3: return NTLReturnFloat(ps, Since(r->start, r->running ? now : r->stop));
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

}  // namespace

ZILError TimerTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  switch (msg) {
    case NTL_Register: {
      auto* state = static_cast<ZILState*>(in);
      if (ZILError e = ZILRegisterNativeType(state, DelayTypeProc))
        return e;
      return ZILRegisterNativeType(state, StopWatchTypeProc);
    }
    case NTL_CallStatic:
      if (param != 0)
        return ZIL_ERR_Invalid_Function_Index;
      return inst ? NTLReturnFloat(NTLInstanceGetVM(inst), ZILFloat(Platform::NowMs())) : ZIL_ERR_Illegal_Argument;
    default: return AnswerObjectClass<TimerRecord>(kTimer, CallTimer, inst, msg, param, in, out);
  }
}

ZILError DelayTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerObjectClass<DelayRecord>(kDelay, CallDelay, inst, msg, param, in, out);
}

ZILError StopWatchTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  return AnswerObjectClass<StopWatchRecord>(kStopWatch, CallStopWatch, inst, msg, param, in, out);
}

}  // namespace ZTools

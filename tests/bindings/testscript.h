// A runtime for the script-class tests: the given native classes registered, then one script
// compiled, linked and initialised. `code` is 0 when all of that went well; `log` collects what
// the compiler and the runtime wrote.
#pragma once

#include <initializer_list>
#include <string>

#include "zilcompiler.h"
#include "ziltools.h"

namespace ZTools {

class TestScript {
 public:
  TestScript(std::initializer_list<NTLTypeProc> procs, const std::string& text) {
    ps = ZILInitialize();
    if (!ps)
      return;
    ps->user = this;
    ps->log = [](ZILState* s, const ZILChar* line) {
      static_cast<TestScript*>(s->user)->log += line;
    };
    ZILError e = ZILInitializeCompiler(ps);
    for (NTLTypeProc proc : procs)
      if (!e)
        e = ZILRegisterNativeType(ps, proc);
    if (!e)
      e = ZCLCompile(ps, "test.zc", text.c_str());
    if (!e)
      e = ZCLLink(ps);
    if (!e)
      e = ZILRun(ps);
    code = e;
  }
  ~TestScript() {
    if (ps)
      ZILTerminate(ps);
  }
  TestScript(const TestScript&) = delete;
  TestScript& operator=(const TestScript&) = delete;

  // Calls a global function with arguments in ZILCallFunction's tagged form; the result (release
  // it with Free), or null when the script did not build or has no such function.
  template <class... Args>
  ZILHandle* Call(const char* name, ZILLong argc, Args... args) {
    if (code)
      return nullptr;
    ZILHandle* fn = ZILGetFunction(ps, name);
    if (!fn)
      return nullptr;
    ZILHandle* r = ZILCallFunction(ps, fn, argc, args...);
    NTLFreeHandle(ps, fn);
    return r;
  }
  void Free(ZILHandle* h) {
    if (h)
      NTLFreeHandle(ps, h);
  }
  // A result as text, and let go of: a string as it is, an int in decimal, "null",
  // "exception N", "none" for no result, "a value" for anything else.
  std::string Text(ZILHandle* r) {
    std::string text = !r                              ? "none"
                       : r->type == ZIL_TYPE_STRING    ? ZILStringText(static_cast<ZILString*>(r->payload.p))
                       : r->type == ZIL_TYPE_INT       ? std::to_string(r->payload.l)
                       : r->type == ZIL_TYPE_NULL      ? "null"
                       : r->type == ZIL_TYPE_EXCEPTION ? "exception " + std::to_string(r->payload.l)
                                                       : "a value";
    Free(r);
    return text;
  }

  ZILState* ps = nullptr;
  ZILError code = -1;
  std::string log;
};

// What a native class answers to a text message (class name, packages, time stamp, base), or "(none)".
inline std::string ClassText(NTLTypeProc proc, ZILLong msg) {
  ZILUnknown* out = nullptr;
  return proc(nullptr, msg, 0, nullptr, &out) == 0 && out ? static_cast<const char*>(out) : "(none)";
}

}  // namespace ZTools

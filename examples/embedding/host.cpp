// embed-host: a program that runs ZentraScript. It compiles a script held in a string, runs the
// script's global initialisers, then calls the script function `greet` twice and prints what it
// returns. A second script, with a mistake in it, shows how compiler messages reach the host.
#include <cstdio>
#include <cstring>

#include "zilapi.h"
#include "zilcompiler.h"
#include "ziltools.h"

namespace {

const char kScript[] = R"zc(
int calls = 0;                            // a global: set by the initialisers ZILRun runs

function string greet(const string who, int times) {
  calls++;
  string text = "";
  for (int i = 0; i < times; i++)
    text += "Hello, " + who + "! ";
  return text + "(call " + calls + ")";
}
)zc";

// Compiler messages and the runtime's log arrive here, one message per call, with or without a
// line feed at the end.
void PrintLog(ZILState*, const ZILChar* line) {
  const size_t n = std::strlen(line);
  std::fprintf(stderr, "log: %s%s", line, n && line[n - 1] == '\n' ? "" : "\n");
}

// A runtime with its compiler that has compiled and linked `text`; none after a failure.
ZILState* Load(const char* name, const char* text) {
  ZILState* ps = ZILInitialize();
  if (!ps)
    return nullptr;
  ps->log = PrintLog;
  ZILError err = ZILInitializeCompiler(ps);
  if (!err)
    err = ZCLCompile(ps, name, text);
  if (!err)
    err = ZCLLink(ps);
  if (!err)
    err = ZILRun(ps);
  if (err) {
    std::fprintf(stderr, "%s: error %d\n", name, err);
    ZILTerminate(ps);  // frees the compiler too
    return nullptr;
  }
  return ps;
}

}  // namespace

int main() {
  ZILState* ps = Load("greet.zc", kScript);
  if (!ps)
    return 1;

  ZILHandle* greet = ZILGetFunction(ps, "greet");  // a delegate to the global function
  if (!greet)
    return 1;
  for (int times = 1; times <= 2; times++) {
    ZILHandle* result = ZILCallFunction(ps, greet, 2, ZIL_ARG_STRING, "World", ZIL_ARG_INT, times);
    if (result->type == ZIL_TYPE_STRING)
      std::printf("%s\n", ZILStringText(static_cast<ZILString*>(result->payload.p)));
    else  // a failure, or an object the script threw
      std::printf("greet failed: error %d\n", NTLHandleToError(ps, result));
    NTLFreeHandle(ps, result);
  }
  NTLFreeHandle(ps, greet);
  ZILTerminate(ps);

  std::fflush(stdout);  // so that the messages below come after the greetings
  return Load("broken.zc", "function int twice(int n) {\n  return n * 2\n}\n") ? 1 : 0;
}

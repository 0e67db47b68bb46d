// embed-binding: the host of the generated Tally binding. It registers the type proc that
// `zentra bindings` wrote (bind_Tally_proc), compiles a script that imports Tally, and prints
// what the script's `main` returns.
#include <cstdio>

#include "zilapi.h"
#include "zilcompiler.h"
#include "ziltools.h"

ZILEXTERN ZILError bind_Tally_proc(NTLInstance*, ZILLong, ZILLong, ZILUnknown*, ZILUnknown**);

const char kScript[] = R"zc(
import Tally;
function string main() {
  Tally t = new Tally();
  for (int i = 1; i <= 4; i++)
    t.add(i);
  return "total " + t.total + ", " + Tally::describe(t.total);
}
)zc";

int main() {
  ZILState* ps = ZILInitialize();
  if (!ps)
    return 1;
  ZILError err = ZILRegisterNativeType(ps, bind_Tally_proc);
  if (!err)
    err = ZILInitializeCompiler(ps);
  if (!err)
    err = ZCLCompile(ps, "tally-script", kScript);
  if (!err)
    err = ZCLLink(ps);
  if (!err)
    err = ZILRun(ps);
  if (!err) {
    ZILHandle* function = ZILGetFunction(ps, "main");
    ZILHandle* result = ZILCallFunction(ps, function, 0);
    if (result && result->type == ZIL_TYPE_STRING)
      std::printf("%s\n", ZILStringText(static_cast<ZILString*>(result->payload.p)));
    else
      err = NTLHandleToError(ps, result);
    NTLFreeHandle(ps, result);
    NTLFreeHandle(ps, function);
  }
  if (err)
    std::printf("error %d %s\n", err, ZILGetExceptionString(err));
  ZILTerminate(ps);
  return err ? 1 : 0;
}

// embed-native: a class written in C++ for scripts. `Counter` adds numbers up to a limit; scripts
// make counters with `new`, call their methods, read an accessor and a constant, and call a static
// function. The host registers the class, compiles a script that uses it, calls two of the
// script's functions and prints what they return, or the error that stopped them.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>

#include "zilapi.h"
#include "zilcompiler.h"
#include "ziltools.h"

namespace {

// What one script object of the class holds. It keeps no script values, so it has nothing to mark
// for the garbage collector.
struct Counter {
  ZILLong value = 0;
  ZILLong additions = 0;
};

constexpr ZILLong kLimit = 1000;

// The class body the compiler reads when a script imports Counter. Methods (constructors and
// accessors among them) and static functions are numbered together in this order, from 0.
const char kDeclaration[] =
    "method Counter();"
    "method Counter(const int start);"
    "method add(const int n);"
    "accessor int value();"
    "method string describe();"
    "function int sum(const int[] values);";
enum {
  kNew,
  kNewFrom,
  kAdd,
  kValue,
  kDescribe,
  kSum
};

ZILError CallMember(ZILState* ps, ZILLong function, Counter* counter) {
  switch (function) {
    case kNew: return 0;  // NTL_NewObject made it empty
    case kNewFrom: counter->value = NTLGetArgInt(ps, 0); return 0;
    case kAdd: {
      const ZILLong n = NTLGetArgInt(ps, 0);
      if (n < 0 || counter->value + n > kLimit)
        return ZIL_EXC_Invalid_Operand;  // stops the script
      counter->value += n;
      counter->additions++;
      return 0;
    }
    case kValue: return NTLReturnInt(ps, counter->value);
    case kDescribe: {
      char text[64];
      std::snprintf(text, sizeof text, "%d after %d additions", counter->value, counter->additions);
      return NTLReturnString(ps, text);
    }
    default: return ZIL_ERR_Invalid_Function_Index;
  }
}

ZILError CallStatic(ZILState* ps, ZILLong function) {
  if (function != kSum)
    return ZIL_ERR_Invalid_Function_Index;
  ZILHandle* values = NTLGetArgHandle(ps, 0);  // counted: give it back below
  ZILLong total = 0;
  if (values->type == ZIL_TYPE_ARRAY) {
    const ZILArray* array = static_cast<const ZILArray*>(values->payload.p);
    for (ZILLong i = 0; i < array->length; i++)
      if (array->slots[i]->type == ZIL_TYPE_INT)
        total += array->slots[i]->payload.l;
  }
  NTLFreeHandle(ps, values);
  return NTLReturnInt(ps, total);
}

// The type proc: the one entry through which the runtime and the compiler reach the class.
ZILError CounterTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* in, ZILUnknown** out) {
  ZILState* ps = NTLInstanceGetVM(inst);  // none for the questions asked before the first run
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister:
    case NTL_MarkHandles: return 0;
    case NTL_GetClassName: *out = const_cast<char*>("Counter"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;  // the native type interface this class was written for, 1.0.3.2
    case NTL_GetAuthorVersion: return 0x00010000;
    case NTL_GetPackageString:
      *out = const_cast<char*>("");  // no other class has to be imported with this one
      return 0;
    case NTL_GetDeclString: {
      NTLDeclBuffer* decl = static_cast<NTLDeclBuffer*>(in);
      if (ZILError e = NTLDeclareVerbatim(decl, kDeclaration))
        return e;
      return NTLDeclareConstantInt(decl, ZIL_TYPE_INT, "kLimit", kLimit);
    }
    case NTL_NewObject: {
      void* memory = ZILAlloc(ps, sizeof(Counter));
      if (!memory)
        return ZIL_EXC_Allocation_Fail;
      *out = new (memory) Counter;
      return 0;
    }
    case NTL_DestroyObject:
      static_cast<Counter*>(in)->~Counter();
      ZILFree(ps, in);
      return 0;
    case NTL_CallMember: return CallMember(ps, param, static_cast<Counter*>(in));
    case NTL_CallStatic: return CallStatic(ps, param);
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

const char kScript[] = R"zc(
import Counter;

function string count() {
  Counter c = new Counter(10);
  c.add(5);
  c.add(7);
  Counter fresh = new Counter();
  int[] values = { 1, 2, 3 };
  return "c: " + c.describe() + ", fresh: " + fresh.value +
         ", sum: " + Counter::sum(values) + ", limit: " + Counter::kLimit;
}

function string overflow() {
  Counter c = new Counter(Counter::kLimit - 1);
  c.add(5);
  return "not reached";
}
)zc";

void PrintLog(ZILState*, const ZILChar* line) {
  const size_t n = std::strlen(line);
  std::fprintf(stderr, "log: %s%s", line, n && line[n - 1] == '\n' ? "" : "\n");
}

}  // namespace

int main() {
  ZILState* ps = ZILInitialize();
  if (!ps)
    return 1;
  ps->log = PrintLog;
  // Native classes are registered before the compiler reads a script that imports them.
  ZILError err = ZILRegisterNativeType(ps, CounterTypeProc);
  if (!err)
    err = ZILInitializeCompiler(ps);
  if (!err)
    err = ZCLCompile(ps, "counter.zc", kScript);
  if (!err)
    err = ZCLLink(ps);
  if (!err)
    err = ZILRun(ps);
  if (err) {
    std::fprintf(stderr, "error %d\n", err);  // the compiler's message went to the log
    ZILTerminate(ps);
    return 1;
  }
  for (const char* name : {"count", "overflow"}) {
    ZILHandle* function = ZILGetFunction(ps, name);
    ZILHandle* result = ZILCallFunction(ps, function, 0);
    if (result->type == ZIL_TYPE_STRING) {
      std::printf("%s: %s\n", name, ZILStringText(static_cast<ZILString*>(result->payload.p)));
    } else {
      const ZILError code = NTLHandleToError(ps, result);
      std::printf("%s: error %d %s\n", name, code, ZILGetExceptionString(code));
    }
    NTLFreeHandle(ps, result);
    NTLFreeHandle(ps, function);
  }
  ZILTerminate(ps);
  return 0;
}

// The `Console` native class of the `zentra` program. Its four global functions are numbered in
// declaration order; output goes through stdio so that it interleaves with the runtime's own
// listings, and is flushed only when the process reads input or sleeps or exits.
#include "tools/zentra/console_class.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "ziltools.h"

namespace ZTools {

namespace {

const ZILChar kDeclaration[] =
    "function print(const var v);function println(const var v);function string readLine();"
    "function sleep(const int milliseconds);";

enum {
  kPrint = 0,
  kPrintLine = 1,
  kReadLine = 2,
  kSleep = 3
};

// Arrays may hold themselves; nesting deeper than this prints nothing more.
constexpr int kMaxArrayDepth = 64;

void appendNumber(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendNumber(std::string& out, const char* format, ...) {
  char buffer[64];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n > 0)
    out.append(buffer, static_cast<size_t>(n < static_cast<int>(sizeof buffer) ? n : sizeof buffer - 1));
}

// The array's toString text: ints, floats and strings, nested arrays recursively, nothing for
// other elements.
void appendArray(ZILState* ps, std::string& out, const ZILArray* a, int depth) {
  if (!a || depth > kMaxArrayDepth)
    return;
  for (ZILLong i = 0; i < a->length; i++) {
    const ZILHandle* e = a->slots ? a->slots[i] : nullptr;
    if (!e)
      continue;
    switch (e->type) {
      case ZIL_TYPE_INT: appendNumber(out, "%d", e->payload.l); break;
      case ZIL_TYPE_FLOAT: appendNumber(out, "%g", e->payload.f); break;
      case ZIL_TYPE_STRING: {
        const ZILString* s = static_cast<const ZILString*>(e->payload.p);
        if (s && s->text)
          out.append(s->text, static_cast<size_t>(s->length));
        break;
      }
      case ZIL_TYPE_ARRAY: appendArray(ps, out, static_cast<const ZILArray*>(e->payload.p), depth + 1); break;
      default: break;
    }
  }
}

ZILError print(ZILState* ps, bool lineFeed) {
  ZILHandle* h = NTLGetArgHandle(ps, 0);
  std::string text = ConsoleValueText(ps, h);
  NTLFreeHandle(ps, h);
  if (lineFeed)
    text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

ZILError readLine(ZILState* ps) {
  std::fflush(stdout);
  std::string line;
  int c;
  while ((c = std::getchar()) != EOF && c != '\n')
    line += static_cast<char>(c);
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return NTLReturnStringBytes(ps, line.data(), static_cast<ZILLong>(line.size()));
}

ZILError sleepFor(ZILState* ps) {
  std::fflush(stdout);
  ZILLong ms = NTLGetArgInt(ps, 0);
  if (ms <= 0)
    return 0;
  timespec wait{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
  return 0;
}

}  // namespace

std::string ConsoleValueText(ZILState* ps, const ZILHandle* h) {
  std::string out;
  if (!h || h->type == ZIL_TYPE_NULL)
    return "null";
  switch (h->type) {
    case ZIL_TYPE_INT: appendNumber(out, "%d", h->payload.l); break;
    case ZIL_TYPE_FLOAT: appendNumber(out, "%g", h->payload.f); break;
    case ZIL_TYPE_STRING: {
      const ZILString* s = static_cast<const ZILString*>(h->payload.p);
      if (s && s->text)
        out.assign(s->text, static_cast<size_t>(s->length));
      break;
    }
    case ZIL_TYPE_ARRAY: appendArray(ps, out, static_cast<const ZILArray*>(h->payload.p), 0); break;
    default:
      out = "<";
      out += ZILGetTypeName(ps, h->type);
      out += ">";
      break;
  }
  return out;
}

ZILError ConsoleTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown*, ZILUnknown** ppDataOut) {
  switch (msg) {
    case NTL_Register:
    case NTL_Initialize:
    case NTL_Terminate:
    case NTL_Unregister: return 0;
    case NTL_CallStatic: {
      ZILState* ps = NTLInstanceGetVM(inst);
      switch (param) {
        case kPrint: return print(ps, false);
        case kPrintLine: return print(ps, true);
        case kReadLine: return readLine(ps);
        case kSleep: return sleepFor(ps);
        default: return ZIL_ERR_Invalid_Function_Index;
      }
    }
    case NTL_GetClassName: *ppDataOut = const_cast<ZILChar*>("Console"); return 0;
    case NTL_GetInterfaceVersion: return 0x01000302;
    case NTL_GetAuthorVersion: return 0x00010000;
    case NTL_GetBuildTimeStamp: *ppDataOut = const_cast<ZILChar*>(__DATE__); return 0;
    case NTL_GetAuthorName: *ppDataOut = const_cast<ZILChar*>("Sonabel"); return 0;
    case NTL_GetAuthorString:
      *ppDataOut = const_cast<ZILChar*>("Standard input and output for command-line scripts.");
      return 0;
    case NTL_GetDeclString: *ppDataOut = const_cast<ZILChar*>(kDeclaration); return 0;
    case NTL_GetPackageString: *ppDataOut = const_cast<ZILChar*>(""); return 0;
    default: return ZIL_ERR_Unsupported_Native_Call;
  }
}

}  // namespace ZTools

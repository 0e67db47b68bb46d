// zildebuggerviews.cpp - what the monitor shows: handles, registers, the state table, the name
// segment as a hex dump, code listings and the call stack, and the whole listing written to a
// file. Every address, offset, count and index typed by the user is checked against the code,
// the stacks, the handle pool and the name segment before anything is read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "zildebugger_internal.h"

namespace {

constexpr int64_t kDumpLimit = 65536;       // bytes one `d` shows at most
constexpr ZILLong kDefaultListLength = 16;  // instructions `l` lists without an end address

const char* familyName(ZILLong family) {
  static const char* const kNames[] = {"none", "integral", "class", "interface", "thread", "delegate"};
  return family >= 0 && family <= ZIL_FAMILY_DELEGATE ? kNames[family] : "?";
}

// A string's text for a display: control characters as \xNN, at most limit characters.
std::string quotedText(const ZILHandle* h, size_t limit) {
  const auto* str = static_cast<const ZILString*>(h->payload.p);
  std::string out;
  ZILLong length = str ? str->length : 0;
  for (ZILLong i = 0; i < length && out.size() < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(str->text[i]);
    if (c < 32) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%2.2x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void showHandle(ZILDebugSession& s, const ZILHandle* h) {
  ZILState* ps = s.ps;
  ZILDebugPrintf(s.out, "type:        %d [%s]\n", h->type, ZILGetTypeName(ps, h->type));
  ZILDebugPrintf(s.out, "refcount:    %d\n", h->refCount);
  switch (h->type) {
    case ZIL_TYPE_NULL: break;
    case ZIL_TYPE_INT: ZILDebugPrintf(s.out, "data:        %d\n", h->payload.l); break;
    case ZIL_TYPE_FLOAT: ZILDebugPrintf(s.out, "data:        %.12g\n", h->payload.f); break;
    case ZIL_TYPE_STRING: {
      const auto* str = static_cast<const ZILString*>(h->payload.p);
      ZILDebugSendText(s.out, "string:      \"" + quotedText(h, 200) + "\"\n");
      ZILDebugPrintf(s.out, "size:        %d\n", str ? str->length : 0);
      break;
    }
    case ZIL_TYPE_ARRAY: {
      const auto* a = static_cast<const ZILArray*>(h->payload.p);
      ZILDebugPrintf(s.out, "size:        %d\n", a ? a->length : 0);
      break;
    }
    default:
      ZILDebugPrintf(s.out, "data:        %llx\n",
                     static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h->payload.p)));
      break;
  }
  if (!ZILTypeValid(ps, h->type))
    return;
  const ZILTypeInfo& ti = ZILTypes(ps)[h->type];
  ZILDebugPrintf(s.out, "pName:            %s\n", ZILNameAt(ps, ti.pName));
  ZILDebugPrintf(s.out, "family:           %s\n", familyName(ti.family));
  ZILDebugPrintf(s.out, "isNative:         %d\n", ti.isNative);
  ZILDebugPrintf(s.out, "offsetVtab:       %d\n", ti.offsetVtab);
  ZILDebugPrintf(s.out, "instanceSize:     %d\n", ti.instanceSize);
  ZILDebugPrintf(s.out, "interfaceVersion: %d\n", ti.interfaceVersion);
  ZILDebugPrintf(s.out, "authorVersion:    %d\n", ti.authorVersion);
  ZILDebugPrintf(s.out, "typeProc:         %llx\n",
                 static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(ti.typeProc)));
}

// A value in a few words, for the register list.
std::string shortForm(ZILState* ps, const ZILHandle* h) {
  char text[64];
  switch (h ? static_cast<int>(h->type) : 0) {
    case ZIL_TYPE_NULL: return "null";
    case ZIL_TYPE_INT: snprintf(text, sizeof text, "int %d", h->payload.l); return text;
    case ZIL_TYPE_FLOAT: snprintf(text, sizeof text, "float %.12g", h->payload.f); return text;
    case ZIL_TYPE_STRING: return "string \"" + quotedText(h, 30) + "\"";
    case ZIL_TYPE_ARRAY:
      snprintf(text, sizeof text, "array [%d]", static_cast<const ZILArray*>(h->payload.p)->length);
      return text;
    default: return std::string("<") + ZILGetTypeName(ps, h->type) + ">";
  }
}

// The slot an operand of the listing's forms denotes ("r3", "(r3+r4)", "(r3+2)", "(sp+1)"),
// none when it does not parse or lies outside its register, instance, array or stack.
ZILHandle* operandSlot(ZILDebugSession& s, const std::string& text) {
  std::string t;
  for (char c : text)
    if (!isspace(static_cast<unsigned char>(c)) && c != '(' && c != ')')
      t += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  ZILContext* ctx = s.ctx;
  if (!ctx || t.empty())
    return nullptr;
  size_t plus = t.find('+');
  std::string base = t.substr(0, plus);
  std::string offset = plus == std::string::npos ? "" : t.substr(plus + 1);
  auto registerNumber = [](const std::string& word) -> int {
    if (word.size() < 2 || word[0] != 'r' || word.size() > 3)
      return -1;
    for (size_t i = 1; i < word.size(); ++i)
      if (!isdigit(static_cast<unsigned char>(word[i])))
        return -1;
    int n = atoi(word.c_str() + 1);
    return n < ZIL_REGISTER_COUNT ? n : -1;
  };
  if (base == "sp") {
    if (offset.empty())
      return nullptr;
    int64_t at = static_cast<int64_t>(ctx->sp) + ZILDebugNumber(offset);
    return at >= ctx->sp && at < ctx->dataSize ? ctx->dataStack[at] : nullptr;
  }
  int reg = registerNumber(base);
  if (reg < 0)
    return nullptr;
  ZILHandle* h = ctx->regs[reg];
  if (plus == std::string::npos)
    return h;
  int index = registerNumber(offset);
  if (index >= 0) {  // (r+r): element of the array in base, index in the other register
    ZILHandle* i = ctx->regs[index];
    if (h->type != ZIL_TYPE_ARRAY || i->type != ZIL_TYPE_INT)
      return nullptr;
    auto* a = static_cast<ZILArray*>(h->payload.p);
    return i->payload.l >= 0 && i->payload.l < a->length ? a->slots[i->payload.l] : nullptr;
  }
  // (r+d): member d of the script instance in base
  if (!ZILTypeValid(s.ps, h->type) || ZILTypes(s.ps)[h->type].family != ZIL_FAMILY_CLASS ||
      ZILTypes(s.ps)[h->type].isNative || !h->payload.p)
    return nullptr;
  auto* inst = static_cast<ZILInstance*>(h->payload.p);
  int64_t member = ZILDebugNumber(offset);
  return member >= 0 && member < inst->count ? ZILInstanceMembers(inst)[member] : nullptr;
}

// An argument that must be a whole number in [low, high]; false (and a message) otherwise.
bool argument(ZILDebugSession& s, const std::vector<std::string>& words, size_t n, int64_t low, int64_t high,
              int64_t* out, const char* what) {
  if (words.size() <= n) {
    ZILDebugPrintf(s.out, "%s: missing %s\n", words[0].c_str(), what);
    return false;
  }
  *out = ZILDebugNumber(words[n]);
  if (*out < low || *out > high) {
    ZILDebugPrintf(s.out, "%s: %s %s is outside %lld..%lld\n", words[0].c_str(), what, words[n].c_str(),
                   static_cast<long long>(low), static_cast<long long>(high));
    return false;
  }
  return true;
}

// The first instruction of the function holding address; the address itself when none does.
ZILLong functionStart(ZILState* ps, ZILLong address) {
  for (ZILLong f = 0; f < ps->funcs.count; ++f) {
    const ZILFuncInfo& fi = ZILFuncs(ps)[f];
    if (fi.codeAddress >= 0 && address >= fi.codeAddress && address - fi.codeAddress < fi.codeSize)
      return fi.codeAddress;
  }
  return address;
}

}  // namespace

int64_t ZILDebugNumber(const std::string& word) {
  const char* text = word.c_str();
  if (word == "on" || word == "true")
    return 1;
  if (word.empty() || word == "off" || word == "false")
    return 0;
  char* end = nullptr;
  int64_t value = 0;
  if (text[0] == '$') {
    unsigned long long hex = strtoull(text + 1, &end, 16);
    value = hex > INT64_MAX ? INT64_MAX : static_cast<int64_t>(hex);
    if (end == text + 1)
      return 0;
  } else {
    value = strtoll(text, &end, 10);
    if (end == text || (text[0] != '-' && !isdigit(static_cast<unsigned char>(text[0]))))
      return 0;
  }
  return *end == 0 ? value : 0;
}

ZILLong ZILDebugInstructionLength(ZILState* ps, ZILLong address) {
  if (address < 0 || address >= ps->code.count)
    return 0;
  const ZILOpcodeInfo* info = ZILGetOpcodeInfo(ZILCode(ps)[address]);
  return info && info->length <= ps->code.count - address ? info->length : 0;
}

bool ZILDebugInstructionStart(ZILState* ps, ZILLong address) {
  if (address < 0 || address >= ps->code.count)
    return false;
  ZILLong at = 0;
  for (ZILLong f = 0; f < ps->funcs.count; ++f) {
    ZILLong start = ZILFuncs(ps)[f].codeAddress;
    if (start <= address && start > at && ZILFuncs(ps)[f].codeSize > 0)
      at = start;
  }
  while (at < address) {
    ZILLong length = ZILDebugInstructionLength(ps, at);
    if (length == 0)
      return false;
    at += length;
  }
  return at == address;
}

void ZILDebugShowInstruction(ZILDebugSession& s, ZILLong address) {
  ZILChar line[ZIL_LISTING_LINE];
  ZILListInstruction(s.ps, address, line);
  ZILDebugPrintf(s.out, "%s\n", line);
}

void ZILDebugShowException(ZILDebugSession& s) {
  ZILDebugPrintf(s.out, "EXCEPTION %d (%s) AT %d\n", s.ps->pendingException,
                 ZILGetExceptionString(s.ps->pendingException), s.faultPC);
}

void ZILDebugEvaluate(ZILDebugSession& s, const std::string& operand) {
  ZILHandle* h = operandSlot(s, operand);
  if (h)
    showHandle(s, h);
  else
    ZILDebugSend(s.out, "?\n", 2);
}

void ZILDebugDump(ZILDebugSession& s, const std::vector<std::string>& words) {
  int64_t from = 0, count = 0;
  const int64_t used = s.ps->names.count;
  if (!argument(s, words, 1, 0, used > 0 ? used - 1 : 0, &from, "offset") ||
      !argument(s, words, 2, 1, INT64_MAX, &count, "count"))
    return;
  count = std::min({count, used - from, kDumpLimit});
  const auto* bytes = static_cast<const unsigned char*>(s.ps->names.base);
  for (int64_t line = 0; line < count; line += 16) {
    std::string text;
    char cell[16];
    snprintf(cell, sizeof cell, "%8.8llx ", static_cast<unsigned long long>(from + line));
    text += cell;
    for (int64_t i = 0; i < 16; ++i) {
      if (line + i < count)
        snprintf(cell, sizeof cell, "%2.2x ", bytes[from + line + i]);
      else
        snprintf(cell, sizeof cell, "   ");
      text += cell;
    }
    for (int64_t i = 0; i < 16 && line + i < count; ++i) {
      unsigned char c = bytes[from + line + i];
      text += c < 32 ? '.' : static_cast<char>(c);
    }
    text += '\n';
    if (!ZILDebugSendText(s.out, text))
      return;
  }
}

void ZILDebugShowPoolHandle(ZILDebugSession& s, const std::vector<std::string>& words) {
  int64_t index = 0;
  if (!argument(s, words, 1, 0, s.ps->handleCapacity - 1, &index, "handle"))
    return;
  const ZILHandle* h = s.ps->handles[index];
  if (!h || h->refCount <= 0) {
    ZILDebugPrintf(s.out, "h: handle %lld is not in use\n", static_cast<long long>(index));
    return;
  }
  showHandle(s, h);
}

void ZILDebugShowRegister(ZILDebugSession& s, const std::vector<std::string>& words) {
  int64_t n = 0;
  if (s.ctx && argument(s, words, 1, 0, ZIL_REGISTER_COUNT - 1, &n, "register"))
    showHandle(s, s.ctx->regs[n]);
}

void ZILDebugListRegisters(ZILDebugSession& s) {
  if (!s.ctx)
    return;
  std::string text;
  for (int n = 0; n < ZIL_REGISTER_COUNT; ++n) {
    char label[8];
    snprintf(label, sizeof label, "r%-2d:", n);
    text += label;
    text += " " + shortForm(s.ps, s.ctx->regs[n]) + "\n";
  }
  ZILDebugSendText(s.out, text);
}

void ZILDebugShowState(ZILDebugSession& s) {
  ZILState* ps = s.ps;
  ZILContext* ctx = s.ctx;
  ZILDebugPrintf(s.out, "ZIL virtual machine state [%llx]:\n",
                 static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(ps)));
  ZILDebugSendText(s.out, std::string(64, '-') + "\n");
  ZILDebugSendText(s.out, "DataSP  CallSP  PC      Excep   E T I S\n");
  ZILDebugPrintf(s.out, "%-8x%-8x%-8x%-8x%d %d %d %d\n", ctx ? ctx->sp : 0, ctx ? ctx->csp : 0, ctx ? ctx->pc : 0,
                 ps->pendingException, ps->inVector ? 1 : 0, s.d->trace ? 1 : 0, ps->initialized ? 1 : 0,
                 ps->running ? 1 : 0);
  ZILDebugSendText(s.out, "UseCode MaxCode UseFunc MaxFunc UseData MaxData UseCStr MaxCStr\n");
  ZILDebugPrintf(s.out, "%-8x%-8x%-8x%-8x%-8x%-8x%-8x%-8x\n", ps->code.count, ps->code.capacity, ps->funcs.count,
                 ps->funcs.capacity, ps->data.count, ps->data.capacity, ps->names.count, ps->names.capacity);
  ZILDebugSendText(s.out, "UseHand MaxHand\n");
  ZILDebugPrintf(s.out, "%-8x%-8x\n", ps->handlesInUse, ps->handleCapacity);
}

void ZILDebugListCode(ZILDebugSession& s, const std::vector<std::string>& words) {
  ZILState* ps = s.ps;
  int64_t from = s.d->nextListing >= 0 ? s.d->nextListing : functionStart(ps, s.faultPC);
  int64_t to = -1;
  if (words.size() >= 2 && !argument(s, words, 1, 0, ps->code.count - 1, &from, "start"))
    return;
  if (!ZILDebugInstructionStart(ps, static_cast<ZILLong>(from))) {
    ZILDebugPrintf(s.out, "l: no instruction starts at %lld\n", static_cast<long long>(from));
    return;
  }
  if (words.size() >= 3 && !argument(s, words, 2, from, INT64_MAX, &to, "end"))
    return;
  ZILLong address = static_cast<ZILLong>(from);
  for (ZILLong listed = 0; address < ps->code.count && (to >= 0 ? address <= to : listed < kDefaultListLength);
       ++listed) {
    ZILChar line[ZIL_LISTING_LINE];
    ZILLong length = ZILListInstruction(ps, address, line);
    if (length == 0) {
      ZILDebugSendText(s.out, "ERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n");
      break;
    }
    if (!ZILDebugPrintf(s.out, "%s\n", line))
      return;
    address += length;
  }
  s.d->nextListing = address < ps->code.count ? address : -1;
}

void ZILDebugListCallStack(ZILDebugSession& s, const std::vector<std::string>& words) {
  int64_t count = 5;
  if (words.size() >= 2 && !argument(s, words, 1, 1, INT64_MAX, &count, "count"))
    return;
  if (!s.ctx)
    return;
  char* text = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&text, &size);
  if (!f)
    return;
  // The trace starts at the context's pc, which is past the fault: show the faulting function.
  ZILLong pc = s.ctx->pc;
  s.ctx->pc = s.faultPC;
  ZILListCallTrace(s.ps, s.ctx, f, static_cast<ZILLong>(std::min<int64_t>(count, ZIL_TRACE_FRAMES)));
  s.ctx->pc = pc;
  fclose(f);
  ZILDebugSend(s.out, text, size);
  free(text);
}

// Writes the listing only to a plain name in the current folder ending in ".lst", never through
// a link, and replaces only a regular file of its own (a listing written before): whatever
// reaches the monitor's port cannot make it write anywhere else.
void ZILDebugListToFile(ZILDebugSession& s, const std::vector<std::string>& words) {
  if (words.size() < 2) {
    ZILDebugSendText(s.out, "lf: missing file name\n");
    return;
  }
  const std::string& name = words[1];
  bool plain = name.size() > 4 && name.size() <= 128 && name[0] != '.' && name.compare(name.size() - 4, 4, ".lst") == 0;
  for (char c : name)
    plain = plain && (isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-');
  if (!plain) {
    ZILDebugSendText(s.out, "lf: the file must be a plain name ending in .lst, in the current folder\n");
    return;
  }
  const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = open(name.c_str(), flags | O_CREAT | O_EXCL, 0644);
  if (fd < 0 && errno == EEXIST) {
    fd = open(name.c_str(), flags);
    struct stat info {};
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != geteuid() ||
                    ftruncate(fd, 0) != 0)) {
      close(fd);
      fd = -1;
      errno = EPERM;
    }
  }
  FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
  if (!f) {
    ZILDebugPrintf(s.out, "lf: cannot write %s: %s\n", name.c_str(), strerror(errno));
    if (fd >= 0)
      close(fd);
    return;
  }
  ZILListCode(s.ps, f);
  bool written = fclose(f) == 0;
  ZILDebugPrintf(s.out, written ? "Code listed to %s\n" : "lf: writing %s failed\n", name.c_str());
}

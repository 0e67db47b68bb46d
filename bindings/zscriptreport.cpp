// Telling compiler errors from other compiler output, and formatting runtime exceptions. The
// runtime lists its call stack and code to a FILE, so those go through a memory stream.
#include "bindings/zscriptreport.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "ziltools.h"

namespace ZTools {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "name(line): Error code:" with any name; the line and the code are numbers.
bool IsMsStyleError(std::string_view text) {
  static constexpr std::string_view kMarker = "): Error ";
  for (size_t at = text.find(kMarker); at != std::string_view::npos; at = text.find(kMarker, at + 1)) {
    size_t digits = at;
    while (digits > 0 && IsDigit(text[digits - 1])) --digits;
    if (digits == at || digits == 0 || text[digits - 1] != '(') continue;
    size_t code = at + kMarker.size(), end = code;
    while (end < text.size() && IsDigit(text[end])) ++end;
    if (end > code && end < text.size() && text[end] == ':') return true;
  }
  return false;
}

// What a listing function writes to a FILE, as text.
template <typename List>
std::string Captured(List list) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  if (!stream) return {};
  list(stream);
  std::fclose(stream);
  std::string text(buffer ? buffer : "", size);
  std::free(buffer);
  return text;
}

}  // namespace

bool IsCompilerError(std::string_view message) {
  return StartsWithNoCase(message, "error") || StartsWithNoCase(message, "\n\nFatal error") ||
         IsMsStyleError(message);
}

std::string CompilerErrorText(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& message : messages)
    if (IsCompilerError(message)) text += message;
  return text;
}

std::string SilentFailureText(std::string_view source, ZILError code) {
  std::string text = "Compiling '" + std::string(source) + "' failed with error " + std::to_string(code);
  if (source.empty()) text = "Linking failed with error " + std::to_string(code);
  if (code >= ZIL_EXC_Illegal_Instruction && code <= ZIL_ERR_No_Compiler)
    text += std::string(": ") + ZILGetExceptionString(code);
  return text + "\n";
}

std::string ExceptionSummary(ZILState* ps) {
  const ZILError code = ps->pendingException;
  char line[256];
  std::snprintf(line, sizeof line, "VIRTUAL MACHINE EXCEPTION AT %d: %d %s", ps->exceptionPC, code,
                ZILGetExceptionString(code));
  return line;
}

std::string ExceptionReport(ZILState* ps) {
  std::string text = ExceptionSummary(ps) + "\nTracing back last 10 calls on callstack:\n";
  // The context's pc is already past the faulting instruction, which may be the last one of its
  // function: the trace starts at the fault itself.
  ZILContext* ctx = ps->current ? ps->current : ps->root;
  text += Captured([&](FILE* f) {
    if (!ctx) {
      ZILListCallStack(ps, nullptr, f);
      return;
    }
    ZILLong resume = ctx->pc;
    ctx->pc = ps->exceptionPC;
    ZILListCallStack(ps, ctx, f);
    ctx->pc = resume;
  });
  text += "\nDisassembling code segment:\n\n";
  text += Captured([&](FILE* f) { ZILListCode(ps, f); });
  return text + "\n\n";
}

}  // namespace ZTools

// Telling compiler errors from other compiler output, and formatting runtime exceptions. The
// runtime lists its call stack and code to a FILE, so those go through a memory stream; the
// listing's source lines come from the texts the tag compiled.
#include "bindings/zscriptreport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "ziltools.h"

namespace ZTools {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size())
    return false;
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
    while (digits > 0 && IsDigit(text[digits - 1]))
      --digits;
    if (digits == at || digits == 0 || text[digits - 1] != '(')
      continue;
    size_t code = at + kMarker.size(), end = code;
    while (end < text.size() && IsDigit(text[end]))
      ++end;
    if (end > code && end < text.size() && text[end] == ':')
      return true;
  }
  return false;
}

// What a listing function writes to a FILE, as text.
template <typename List>
std::string Captured(List list) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  if (!stream)
    return {};
  list(stream);
  std::fclose(stream);
  std::string text(buffer ? buffer : "", size);
  std::free(buffer);
  return text;
}

// The lines of the compiled texts, split once per report with the compiler's line breaks (CR,
// LF, CR LF and LF CR are one break each), so the numbers match the line table's.
struct SourceLines {
  const SourceTexts* texts;
  std::map<std::string, std::vector<std::string_view>, std::less<>> split;
};

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\n' && c != '\r')
      continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == '\r') && text[i + 1] != c)
      ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

ZILError SourceLineText(void* user, const ZILChar* file, ZILLong line, ZILChar* out, ZILLong size) {
  auto* lines = static_cast<SourceLines*>(user);
  auto known = lines->split.find(std::string_view(file));
  if (known == lines->split.end()) {
    auto text = lines->texts->find(std::string_view(file));
    if (text == lines->texts->end())
      return ZIL_ERR_Symbol_Not_Found;
    known = lines->split.emplace(text->first, SplitLines(text->second)).first;
  }
  if (line < 1 || static_cast<size_t>(line) > known->second.size() || size <= 0)
    return ZIL_ERR_Symbol_Not_Found;
  std::string_view shown = known->second[static_cast<size_t>(line) - 1];
  std::snprintf(out, static_cast<size_t>(size), "%.*s", static_cast<int>(std::min<size_t>(shown.size(), 4096)),
                shown.data());
  return 0;
}

}  // namespace

bool IsCompilerError(std::string_view message) {
  return StartsWithNoCase(message, "error") || StartsWithNoCase(message, "\n\nFatal error") || IsMsStyleError(message);
}

std::string CompilerErrorText(const std::vector<std::string>& messages) {
  std::string text;
  for (const std::string& message : messages)
    if (IsCompilerError(message))
      text += message;
  return text;
}

std::string SilentFailureText(std::string_view source, ZILError code) {
  std::string text = "Compiling '" + std::string(source) + "' failed with error " + std::to_string(code);
  if (source.empty())
    text = "Linking failed with error " + std::to_string(code);
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

std::string ExceptionBrief(ZILState* ps) {
  std::string text = ExceptionSummary(ps) + "\n";
  text += Captured([&](FILE* f) { ZILListExceptionTrace(ps, f, kShortTraceFrames); });
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text;
}

std::string ExceptionReport(ZILState* ps, const SourceTexts* sources) {
  std::string text = ExceptionSummary(ps) + "\n";
  text += Captured([&](FILE* f) { ZILListExceptionTrace(ps, f, ZIL_TRACE_FRAMES); });
  text += "\nDisassembling code segment:\n\n";
  SourceLines lines{sources, {}};
  text += Captured([&](FILE* f) { ZILListCodeWithSource(ps, f, sources ? SourceLineText : nullptr, &lines); });
  return text + "\n\n";
}

}  // namespace ZTools

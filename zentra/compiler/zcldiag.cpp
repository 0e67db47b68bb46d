// Formatting and collecting the compiler's errors, warnings, fatal errors and self-test lines.
// Message texts are built with std::string, so a token of any length (a long string literal)
// is shown whole and never truncated or overrun.
#include "zentra/compiler/zcldiag.h"

#include <cstdarg>
#include <cstdio>

#include "zentra/compiler/zclmessages.h"

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  std::string out;
  if (n < 0) {
    va_end(copy);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, n);
  } else {
    out.resize(n);
    std::vsnprintf(out.data(), out.size() + 1, fmt, copy);
  }
  va_end(copy);
  return out;
}

// The table text, preceded by "'token' - " when a token is given and followed by " (detail)"
// when there is one.
std::string messageText(const ZCLMessageEntry* entry, const char* token, const char* detail) {
  std::string text;
  if (token) {
    text = "'";
    text += token;
    text += "' - ";
  }
  text += entry->text;
  if (detail && *detail) {
    text += " (";
    text += detail;
    text += ")";
  }
  return text;
}

// "Error 1213" / "Warning 1503(3)"; the gnu format writes the kind in lower case and no level.
std::string buildMessage(bool warning, const ZCLMessageEntry* entry, ZILError code, const ZCLFile* file,
                         const ZCLOption* options, const char* token, const char* detail) {
  const std::string text = messageText(entry, token, detail);
  const int fmt = options ? options->errorFormat : kZCLErrorFormatDefault;
  std::string head;
  if (fmt == kZCLErrorFormatGNU)
    head = format("%s %d", warning ? "warning" : "error", code);
  else if (warning)
    head = format("Warning %d(%d)", code, entry->level);
  else
    head = format("Error %d", code);
  if (!file)
    return head + ": " + text + "\n";
  int line = 1, column = 1;
  ZCLFileLineColumn(file, file->pos, &line, &column);
  if (fmt == kZCLErrorFormatMS)
    return format("%s(%d): ", file->name.c_str(), line) + head + ": " + text + "\n";
  if (fmt == kZCLErrorFormatGNU)
    return file->name + format(":%d:%d: ", line, column) + head + ": " + text + "\n";
  return head + ": " + text + " in " + file->name + format(" (%d,%d)\n", line, column);
}

}  // namespace

ZILError ZCLReportError(ZCLDiagnostics* diag, const ZCLFile* file, const ZCLOption* options, const char* token,
                        ZILError code, const char* detail) {
  const ZCLMessageEntry* entry = ZCLFindMessage(code);
  diag->messages.push_back(buildMessage(false, entry, code, file, options, token, detail));
  diag->errors++;
  return code;
}

ZILError ZCLReportWarning(ZCLDiagnostics* diag, const ZCLFile* file, const ZCLOption* options, const char* token,
                          ZILError code, const char* detail) {
  const ZCLMessageEntry* entry = ZCLFindMessage(code);
  const int level = options ? options->warningLevel : ZCLOption().warningLevel;
  if (level < entry->level)
    return code;
  diag->messages.push_back(buildMessage(true, entry, code, file, options, token, detail));
  diag->warnings++;
  return code;
}

ZILError ZCLFatalError(ZCLDiagnostics* diag, const ZCLFile* file, const char* module, int line, const char* message,
                       const char* function) {
  diag->fatal = true;
  std::string text = format("\n\nFatal error in function %s():\n%s in file %s(%d)\n", function ? function : "",
                            message ? message : "", module ? module : "", line);
  if (file) {
    int ln = 1, col = 1;
    ZCLFileLineColumn(file, file->pos, &ln, &col);
    text += format("While compiling script %s, line %d, column %d\n\n", file->name.c_str(), ln, col);
  }
  if (diag->messageLog)
    diag->messageLog(diag->user, text.c_str());
  if (diag->fatalCallback)
    diag->fatalCallback(diag->user, text.c_str());
  return ZCL_ERR_Fatal;
}

ZILError ZCLFlushMessages(ZCLDiagnostics* diag) {
  if (diag->flushed > diag->messages.size())
    diag->flushed = diag->messages.size();
  // The callback may report again (it should not); index, never iterate, the growing list.
  while (diag->flushed < diag->messages.size()) {
    size_t index = diag->flushed++;
    if (diag->messageLog)
      diag->messageLog(diag->user, diag->messages[index].c_str());
  }
  return ZCL_OK;
}

ZCLDiagSnapshot ZCLDiagSave(const ZCLDiagnostics* diag) {
  return ZCLDiagSnapshot{diag->messages.size(), diag->errors, diag->warnings};
}

void ZCLDiagRestore(ZCLDiagnostics* diag, const ZCLDiagSnapshot& snapshot) {
  if (snapshot.messages < diag->messages.size())
    diag->messages.resize(snapshot.messages);
  if (diag->flushed > diag->messages.size())
    diag->flushed = diag->messages.size();
  diag->errors = snapshot.errors;
  diag->warnings = snapshot.warnings;
}

ZILError ZCLSelfTestReport(ZCLDiagnostics* diag, const char* fileName, int line, int column, ZILError result,
                           ZILError expected) {
  diag->messages.push_back(format("COMPILER SELF TEST %d(%d): %s in %s (%d,%d)\n", result, expected,
                                  result == expected ? "PASS" : "FAIL", fileName ? fileName : "", line, column));
  return ZCL_OK;
}

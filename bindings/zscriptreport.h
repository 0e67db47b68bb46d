// What the user is told when a skin's script fails: which compiler messages are errors (in
// either message style, fatal errors included), and the texts of a virtual machine exception
// (its one-line summary, the call-stack trace with source lines and the code listing).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "zilapi.h"

namespace ZTools {

inline constexpr const char* kCompilerErrorCaption = "ZentraScript Compiler Error";
inline constexpr const char* kRuntimeErrorCaption = "ZIL Runtime Error";

// True for an error message of the compiler in the default style ("Error 1213: ...") or the
// "ms" style ("a.zc(3): Error 1213: ..."), and for a fatal error report; false for warnings,
// self-test lines and verbose output.
bool IsCompilerError(std::string_view message);

// The error messages among messages, one after the other as the compiler formatted them.
std::string CompilerErrorText(const std::vector<std::string>& messages);

// The box text for a failed compile or link that left no error message behind.
std::string SilentFailureText(std::string_view source, ZILError code);

// "VIRTUAL MACHINE EXCEPTION AT pc: code text", without a line end.
std::string ExceptionSummary(ZILState* ps);

// Calls a short trace lists; deeper stacks end with how many calls were left out.
inline constexpr ZILLong kShortTraceFrames = 10;

// The summary line and a short call-stack trace (function, file and line of the faulting
// statement and of each caller), without a final line end: the message box's text.
std::string ExceptionBrief(ZILState* ps);

// The texts compiled into a runtime, by the source name they were compiled under.
using SourceTexts = std::map<std::string, std::string, std::less<>>;

// The full report: the summary line, the call-stack trace and the listing of the code segment
// with function labels and source lines (their text taken from sources when given), framed as
// the log shows them.
std::string ExceptionReport(ZILState* ps, const SourceTexts* sources = nullptr);

}  // namespace ZTools

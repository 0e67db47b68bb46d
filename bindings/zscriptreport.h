// What the user is told when a skin's script fails: which compiler messages are errors (in
// either message style, fatal errors included), and the texts of a virtual machine exception
// (its one-line summary, the call-stack trace and the code listing).
#pragma once

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

// The full report: the summary line, the trace of the last 10 calls and the listing of the
// code segment, framed as the log shows them.
std::string ExceptionReport(ZILState* ps);

}  // namespace ZTools

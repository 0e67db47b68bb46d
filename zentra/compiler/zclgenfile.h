// What the three generators (type export, binding skeletons, documentation) share: the output
// folder and checked file writes, the date they stamp, the type and declaration texts they print,
// and escaping for each place a script's text lands (XML, a C++ string literal, HTML). Everything
// a script wrote may hold any byte; these functions are where it is made safe.
#pragma once

#include <string>

#include "zentra/compiler/zclstate.h"

// Creates `folder` (and its parents) when missing; false when it cannot be made or is not a folder.
bool ZCLMakeFolder(const std::string& folder);

// folder + '/' + name (no second '/' when folder ends in one).
std::string ZCLJoinPath(const std::string& folder, const std::string& name);

// Writes the whole file, checking every write and the close: false means it is not there whole.
bool ZCLWriteFile(const std::string& path, const std::string& content);

// The generators' date, ISO 8601 in UTC: SOURCE_DATE_EPOCH when it holds a number of seconds, so
// generated files are reproducible, else the current time. withTime: "2024-05-01T12:00:00Z",
// else "2024-05-01".
std::string ZCLGeneratedDate(bool withTime);

// A type id's name as the generators write it: "null", "int", "float", "var" for 0, 1, 2, 15,
// the class name for other ids, "ERROR" for an id outside the class list.
std::string ZCLGenTypeName(ZCLState* st, int typeId);
// A descriptor's type name; an array is its element type's name followed by "[]".
std::string ZCLGenDescName(ZCLState* st, const ZCLTypeDesc& type);

// A function's declaration as a script writes it: "method int add (const int n)".
std::string ZCLFunctionDeclaration(ZCLState* st, const ZCLFunc& f);

// The text made valid UTF-8: every byte that does not start or continue a well-formed sequence
// becomes U+FFFD, so XML and HTML readers never meet an encoding error.
std::string ZCLValidUtf8(const std::string& text);

// XML character data / attribute value (without the quotes). Characters XML 1.0 cannot hold at
// all (controls other than tab, line feed and carriage return) become U+FFFD.
std::string ZCLXmlText(const std::string& text);
std::string ZCLXmlAttribute(const std::string& text);

// The inside of a C++ string literal: quotes, backslashes, line breaks and every other control
// or non-ASCII byte are escaped, and "??" is split so no trigraph forms.
std::string ZCLCppString(const std::string& text);

// HTML text or attribute value: & < > " ' escaped, invalid UTF-8 and controls replaced.
std::string ZCLHtml(const std::string& text);

// Runs a generator: its verbose line first; an exception becomes ZIL_EXC_Allocation_Fail (out of
// memory) or ZCL_ERR_Binding_Generator.
template <class Work>
ZILError ZCLRunGenerator(ZILState* ps, const char* verboseLine, Work&& work) noexcept {
  ZCLState* st = ZCLGetState(ps);
  if (!st)
    return ZIL_ERR_No_Compiler;
  try {
    ZCLVerbose(st, "%s", verboseLine);
    return work(st);
  } catch (const std::bad_alloc&) {
    return ZIL_EXC_Allocation_Fail;
  } catch (...) {
    return ZCL_ERR_Binding_Generator;
  }
}

// Logs why a generator stopped (always, whatever the verbose option says) and returns
// ZCL_ERR_Binding_Generator.
ZILError ZCLGeneratorFailed(ZCLState* st, const std::string& why);

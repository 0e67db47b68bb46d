// The native class `Console` that `zentra` imports before every script: printing values to
// standard output, reading lines from standard input and sleeping.
#pragma once

#include <string>

#include "zilapi.h"

namespace ZTools {

ZILError ConsoleTypeProc(NTLInstance* inst, ZILLong msg, ZILLong param, ZILUnknown* pDataIn, ZILUnknown** ppDataOut);

// The text `Console::print` writes for a value: an int as "%d", a float as "%g", a string as
// its text, an array as its elements' texts run together, null as "null", any other object as
// its type name in angle brackets.
std::string ConsoleValueText(ZILState* ps, const ZILHandle* h);

}  // namespace ZTools

// zilerrors.cpp - the message text of every ZILError code.
// One table serves run-time exceptions and interface errors; it is walked in order up to its
// end marker, and a code that is not in it reads as "ZIL UNKNOWN EXCEPTION".
#include "zilapi.h"

namespace {

struct ErrorText {
  ZILError code;
  const ZILChar* text;
};

const ErrorText kErrorTexts[] = {
    {0, "No exception"},
    {1000, "ILLEGAL INSTRUCTION EXCEPTION"},
    {1001, "STACK OVERFLOW EXCEPTION"},
    {1002, "NULL REFERENCE EXCEPTION"},
    {1003, "UNSUPPORTED TYPE EXCEPTION"},
    {1004, "TYPE MISMATCH EXCEPTION"},
    {1005, "CALL TO NON-FUNCTION EXCEPTION"},
    {1006, "INVALID OPERAND EXCEPTION"},
    {1007, "DIVISION BY ZERO EXCEPTION"},
    {1008, "SOFTWARE EXCEPTION"},
    {1009, "TRACE EXCEPTION"},
    {1010, "BREAK EXCEPTION"},
    {1011, "UNHANDLED EXCEPTION"},
    {1012, "ALLOCATION FAIL EXCEPTION"},
    {1013, "INVALID CODE ADDRESS EXCEPTION"},
    {1014, "RETURN TO NATIVE EXCEPTION"},
    {1015, "OBJECT COPY FAIL EXCEPTION"},
    {1016, "ABORT EXCEPTION"},
    {1100, "Unspecified error"},
    {1101, "Illegal function argument"},
    {1102, "Out of code"},
    {1103, "Illegal native type name"},
    {1104, "Register native type failed"},
    {1105, "Undefined native type"},
    {1106, "Native type doesn't support this feature or function"},
    {1107, "Invalid exception vector"},
    {1108, "Invalid handle index"},
    {1109, "Invalid handle type"},
    {1110, "Invalid member index"},
    {1111, "Invalid function index"},
    {1112, "Invalid register number"},
    {1113, "Call to non-function"},
    {1114, "Runtime already initialized, the requested operation cannot be performed"},
    {1115, "Save chunk failed"},
    {1116, "Load chunk failed"},
    {1117, "No symbol table"},
    {1118, "Symbol table entry already exists"},
    {1119, "Symbol table entry not found"},
    {1120, "Incompatible native type"},
    {1121, "Detected runtime memory leaks"},
    {1122, "Trace exception not supported"},
    {1123, "Runtime blocked, cannot perform call to script function"},
    {1124, "Code not initialized, call ZILRun() first"},
    {1125, "Initialize failed"},
    {1126, "No compiler present, ZCLFreeCompiler() was called"},
    {1127, nullptr},  // end marker
};

}  // namespace

const ZILChar* ZILGetExceptionString(ZILError code) {
  for (const ErrorText* e = kErrorTexts; e->code != 1127; ++e)
    if (e->code == code)
      return e->text;
  return "ZIL UNKNOWN EXCEPTION";
}

// zclfamily.h - instruction families for code generation: the forms (opcode and operand kinds)
// of each family, the family of an opcode and the int/float form of an arithmetic family, all
// computed from the instruction table while the compiler itself is compiled.
#pragma once

#include <span>

#include "zilapi.h"

struct ZCLForm {
  short opcode;
  unsigned char operandCount;
  unsigned char kinds[4];
};

// The forms of a family in the table's order.
std::span<const ZCLForm> ZCLFormsOf(ZILFamily family);

// The family of an opcode of the table (ZIL_FAMILY_COUNT for anything else).
ZILFamily ZCLFamilyOf(ZILLong opcode);

// The family's mnemonic ("tsteq"), for messages.
const char* ZCLFamilyName(ZILFamily family);

// The int (`addl`) or float (`addf`) family of an arithmetic or compare family for operands of
// the given ZIL type; the family itself for var operands or when it has no such form.
ZILFamily ZCLTypedFamily(ZILFamily family, int type);
